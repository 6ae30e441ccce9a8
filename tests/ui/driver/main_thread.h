#pragma once

#include <functional>

namespace vorl::test_driver {

// Queues `task` on GLib's global default main context, which GTK's main thread iterates.
// The calling thread must have pushed a thread-default context of its own (the socket thread does):
// otherwise GLib may run the task inline on the caller whenever the main loop is not running.
void runOnMainThread(std::function<void()> task);

} // namespace vorl::test_driver
