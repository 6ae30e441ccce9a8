#pragma once

#include "reply.h"

#include <functional>
#include <string>

namespace vorl::test_driver {

// Answers one request line. Called on the socket thread, which waits while the line is read, the
// command carried out and its answer written on the main thread.
Answer handleRequest(std::string line);

// Queues `task` on GLib's global default main context, which GTK's main thread iterates.
// The calling thread must have pushed a thread-default context of its own (the socket thread does):
// otherwise GLib may run the task inline on the caller whenever the main loop is not running.
void runOnMainThread(std::function<void()> task);

} // namespace vorl::test_driver
