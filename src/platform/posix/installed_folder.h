#pragma once

#include <filesystem>

namespace vorl {

// Where a folder of the installation lies, named as the build names it: relative to the
// installation's prefix, which lies at prefixFromBinaryFolder from the executable's folder, or
// absolute. An installation moved as a whole, and the build tree, find their own folders.
std::filesystem::path installedFolder(const std::filesystem::path& folder,
                                      const std::filesystem::path& executable,
                                      const std::filesystem::path& prefixFromBinaryFolder);

// The same for the running application's own executable and installation.
std::filesystem::path installedFolder(const std::filesystem::path& folder);

} // namespace vorl
