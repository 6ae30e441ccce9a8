#pragma once

#include "platform/process.h"

#include <filesystem>
#include <memory>

namespace vorl {

// Starts children with posix_spawn: no shell, no PATH search, no descriptors of the
// application's own beyond standard input, output and error. Each child gets a guard, the
// program groupGuard (installedGroupGuard() for the application), started before the child;
// a guard that cannot be set up fails the launch.
std::unique_ptr<ProcessLauncher> createPosixProcessLauncher(std::filesystem::path groupGuard);

} // namespace vorl
