#include "loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace vorl::testing {
namespace {

bool sendAll(int socket, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        ssize_t written = ::send(socket, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (written <= 0)
            return false;
        sent += static_cast<size_t>(written);
    }
    return true;
}

void readRequest(int socket) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        ssize_t got = ::recv(socket, buffer, sizeof buffer, 0);
        if (got <= 0)
            return;
        request.append(buffer, static_cast<size_t>(got));
    }
}

void sleepUnlessStopping(const std::atomic<bool>& stopping, int milliseconds) {
    for (int waited = 0; waited < milliseconds && !stopping; waited += 10)
        ::usleep(10'000);
}

} // namespace

LoopbackServer::LoopbackServer(int port, Behaviour behaviour) {
    listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int yes = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 16) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port));
    acceptor = std::thread([this, behaviour = std::move(behaviour)] {
        while (!stopping) {
            pollfd waiting{listener, POLLIN, 0};
            if (::poll(&waiting, 1, 20) <= 0)
                continue;
            int connection = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0)
                continue;
            ++accepted;
            handlers.emplace_back([this, connection, behaviour] {
                readRequest(connection);
                behaviour(connection, stopping);
                ::close(connection);
            });
        }
    });
}

LoopbackServer::~LoopbackServer() {
    stopping = true;
    acceptor.join();
    ::close(listener);
    for (auto& handler : handlers)
        handler.join();
}

LoopbackServer::Behaviour LoopbackServer::reply(int status, std::string body) {
    return [status, body](int socket, const std::atomic<bool>&) {
        sendAll(socket, "HTTP/1.1 " + std::to_string(status) +
                            " X\r\nContent-Type: application/json\r\n"
                            "Content-Length: " +
                            std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    };
}

LoopbackServer::Behaviour LoopbackServer::silent() {
    return [](int, const std::atomic<bool>& stopping) { sleepUnlessStopping(stopping, 60'000); };
}

LoopbackServer::Behaviour LoopbackServer::trickle() {
    return [](int socket, const std::atomic<bool>& stopping) {
        if (!sendAll(socket, "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n{\"status\": \"ok\""))
            return;
        while (!stopping && sendAll(socket, " "))
            sleepUnlessStopping(stopping, 100);
    };
}

LoopbackServer::Behaviour LoopbackServer::endless() {
    return [](int socket, const std::atomic<bool>& stopping) {
        if (!sendAll(socket, "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n"))
            return;
        std::string chunk(64 * 1024, 'x');
        chunk.replace(0, 6, "\"ok\" ");
        while (!stopping && sendAll(socket, chunk)) {
        }
    };
}

} // namespace vorl::testing
