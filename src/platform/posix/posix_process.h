#pragma once

#include "platform/process.h"

#include <memory>

namespace vorl {

// Starts children with posix_spawn: no shell, no PATH search, no descriptors of the
// application's own beyond standard input, output and error.
std::unique_ptr<ProcessLauncher> createPosixProcessLauncher();

} // namespace vorl
