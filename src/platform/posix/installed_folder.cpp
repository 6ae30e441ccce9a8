#include "installed_folder.h"

namespace vorl {

std::filesystem::path installedFolder(const std::filesystem::path& folder,
                                      const std::filesystem::path& executable,
                                      const std::filesystem::path& prefixFromBinaryFolder) {
    if (folder.is_absolute())
        return folder;
    return (executable.parent_path() / prefixFromBinaryFolder / folder).lexically_normal();
}

std::filesystem::path installedFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return installedFolder(folder, executable, VORL_PREFIX_FROM_BINDIR);
}

} // namespace vorl
