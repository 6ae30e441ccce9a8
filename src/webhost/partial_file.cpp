#include "partial_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace vorl {

Result<std::filesystem::path> reservePartialFile(const std::filesystem::path& destination) {
    std::string pattern =
        (destination.parent_path() / ("." + destination.filename().string() + ".XXXXXX.part")).string();
    int fd = ::mkstemps(pattern.data(), 5);
    if (fd < 0)
        return Failure{std::strerror(errno)};
    ::close(fd);
    return std::filesystem::path(pattern);
}

Result<void> completePartialFile(const std::filesystem::path& partial,
                                 const std::filesystem::path& destination,
                                 std::optional<std::uint64_t> expectedLength, std::uint64_t receivedLength) {
    Result<void> completed;
    if (expectedLength && receivedLength < *expectedLength) {
        completed = Failure{"Overføringen stoppet etter " + std::to_string(receivedLength) + " av " +
                            std::to_string(*expectedLength) + " byte."};
    } else if (std::rename(partial.c_str(), destination.c_str()) != 0) {
        completed = Failure{"Kunne ikke erstatte «" + destination.string() + "»: " + std::strerror(errno)};
    }
    if (!completed) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
    }
    return completed;
}

} // namespace vorl
