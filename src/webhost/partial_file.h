#pragma once

#include "platform/result.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace vorl {

// A download is written to a partial file beside its destination and moved over it only once
// it is complete, so that a failed or cancelled transfer never costs the user the file (or
// the folder) that stood there.

// Creates a new empty partial file in the destination's folder; a failure carries the system's
// reason.
Result<std::filesystem::path> reservePartialFile(const std::filesystem::path& destination);

// Moves a finished transfer over the destination. A transfer that ended short of the length
// its response announced, or a destination that cannot be replaced (a folder, say), fails:
// the partial file is removed, the destination left as it was, and the failure says why.
Result<void> completePartialFile(const std::filesystem::path& partial,
                                 const std::filesystem::path& destination,
                                 std::optional<std::uint64_t> expectedLength, std::uint64_t receivedLength);

} // namespace vorl
