// Starts the test driver when the library is preloaded into a process that has VORL_TEST_DRIVER_SOCKET set.

#include "socket_server.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <unistd.h>

namespace {

constexpr char socketVariable[] = "VORL_TEST_DRIVER_SOCKET";

// Never freed: the listener thread may still be running while the process exits.
const std::string* socketPath = nullptr;

void removeSocketFile() {
    ::unlink(socketPath->c_str());
}

__attribute__((constructor)) void startTestDriver() {
    const char* path = std::getenv(socketVariable);
    if (path == nullptr || *path == '\0')
        return;
    try {
        socketPath = new std::string(path);
        // Children (WebKit's helper processes, the engine) inherit the environment: only this
        // process serves, and none of them loads the driver.
        ::unsetenv(socketVariable);
        ::unsetenv("LD_PRELOAD");
        if (vorl::test_driver::startSocketServer(*socketPath))
            std::atexit(removeSocketFile);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vorl test driver: not started: %s\n", error.what());
    }
}

} // namespace
