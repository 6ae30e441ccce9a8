#include "partial_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace vorl {

std::optional<std::filesystem::path> reservePartialFile(const std::filesystem::path& destination,
                                                        std::string& error) {
    std::string pattern =
        (destination.parent_path() / ("." + destination.filename().string() + ".XXXXXX.part")).string();
    int fd = ::mkstemps(pattern.data(), 5);
    if (fd < 0) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    ::close(fd);
    return std::filesystem::path(pattern);
}

std::optional<std::string> completePartialFile(const std::filesystem::path& partial,
                                               const std::filesystem::path& destination,
                                               std::optional<std::uint64_t> expectedLength,
                                               std::uint64_t receivedLength) {
    std::optional<std::string> failure;
    if (expectedLength && receivedLength < *expectedLength) {
        failure = "Overføringen stoppet etter " + std::to_string(receivedLength) + " av " +
                  std::to_string(*expectedLength) + " byte.";
    } else if (std::rename(partial.c_str(), destination.c_str()) != 0) {
        failure = "Kunne ikke erstatte «" + destination.string() + "»: " + std::strerror(errno);
    }
    if (failure) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
    }
    return failure;
}

} // namespace vorl
