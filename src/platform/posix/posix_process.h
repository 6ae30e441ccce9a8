#pragma once

#include "platform/main_queue.h"
#include "platform/process.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <sys/types.h>

namespace vorl {

// Starts children with fork and exec: no shell, no PATH search, no descriptors of the
// application's own beyond standard input, output and error. Each child gets a guard, the
// program groupGuard (installedGroupGuard() for the application), started before the child,
// and waits for it: the child executes its program only once the guard has its group, and
// exits without executing it when the application goes first. The launch, whose waits for the
// guard take up to 5 s each, runs on a thread of its own that nobody waits for; its completion,
// and each child's ending, are posted to queue while the launcher is there. Once running, a
// child is watched by one thread of the launcher's, the only one that talks to its guard.
// spawned, a seam for tests, is called on the launch's thread as soon as the child exists,
// before its guard has it.
std::unique_ptr<ProcessLauncher> createPosixProcessLauncher(std::filesystem::path groupGuard,
                                                            MainQueue& queue,
                                                            std::function<void(pid_t child)> spawned = {});

} // namespace vorl
