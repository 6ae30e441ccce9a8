#include "engine_log.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace vorl {

std::string logHeaderLine(Date now) {
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S +0000", &utc);
    return std::string("=== start ") + stamp + " (app) ===\n";
}

Result<FileDescriptor> openEngineLog(const std::filesystem::path& logFile, Date now) {
    std::error_code ignored;
    std::filesystem::create_directories(logFile.parent_path(), ignored);
    // Appending, so that two engines writing the same log never overwrite each other.
    FileDescriptor log(::open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (!log)
        return Failure{std::strerror(errno)};
    std::string header = logHeaderLine(now);
    [[maybe_unused]] ssize_t written = ::write(log.get(), header.data(), header.size());
    return log;
}

} // namespace vorl
