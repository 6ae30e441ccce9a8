#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace vorl::testing {

// A server on 127.0.0.1 that answers every connection with a scripted behaviour, each in a
// thread of its own. Stopping it closes the listening socket and waits for the connections.
class LoopbackServer {
public:
    // Called with the connected socket once the request has been read; returns when done.
    using Behaviour = std::function<void(int socket, const std::atomic<bool>& stopping)>;

    LoopbackServer(int port, Behaviour behaviour);
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;
    ~LoopbackServer();

    // Replies with a complete HTTP response.
    static Behaviour reply(int status, std::string body);
    // Accepts and reads the request, then says nothing until the server stops.
    static Behaviour silent();
    // Sends a healthy status line, headers and the marker, then one byte every 100 ms, forever.
    static Behaviour trickle();
    // Sends a body without end, as fast as the client takes it.
    static Behaviour endless();

    int connections() const { return accepted; }

private:
    int listener = -1;
    std::atomic<bool> stopping = false;
    std::atomic<int> accepted = 0;
    std::thread acceptor;
    std::vector<std::thread> handlers;
};

} // namespace vorl::testing
