#include "socket_server.h"

#include "commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <glib.h>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace vorl::test_driver {

namespace {

// A request larger than this is refused and the connection dropped.
constexpr std::size_t maxRequestBytes = 64 * 1024 * 1024;

bool sendAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t sent = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

// Answers one request; false when the client has gone.
bool serveLine(int fd, std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (line.find_first_not_of(" \t") == std::string_view::npos)
        return true;
    Answer answer = handleRequest(std::string(line));
    const bool delivered = sendAll(fd, answer.line + "\n");
    if (answer.afterSent)
        runOnMainThread(std::move(answer.afterSent));
    return delivered;
}

void serveConnection(int fd) {
    std::string buffer;
    char chunk[65536];
    while (true) {
        const ssize_t received = ::recv(fd, chunk, sizeof chunk, 0);
        if (received < 0 && errno == EINTR)
            continue;
        if (received <= 0)
            return;
        buffer.append(chunk, static_cast<std::size_t>(received));
        std::size_t start = 0;
        for (std::size_t end; (end = buffer.find('\n', start)) != std::string::npos; start = end + 1) {
            if (!serveLine(fd, std::string_view(buffer).substr(start, end - start)))
                return;
        }
        buffer.erase(0, start);
        if (buffer.size() > maxRequestBytes) {
            sendAll(fd, "{\"ok\":false,\"error\":\"request too large\"}\n");
            return;
        }
    }
}

[[noreturn]] void serve(int listener) {
    // A context of our own stops g_main_context_invoke from running GTK work inline on this thread.
    GMainContext* ownContext = g_main_context_new();
    g_main_context_push_thread_default(ownContext);
    while (true) {
        const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            if (errno != EINTR && errno != ECONNABORTED) {
                std::fprintf(stderr, "vorl test driver: accept: %s\n", std::strerror(errno));
                g_usleep(100 * 1000); // e.g. out of file descriptors: do not spin
            }
            continue;
        }
        try {
            serveConnection(client);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "vorl test driver: connection dropped: %s\n", error.what());
        }
        ::close(client);
    }
}

} // namespace

bool startSocketServer(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        std::fprintf(stderr, "vorl test driver: socket path too long: %s\n", path.c_str());
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    // Close-on-exec keeps WebKit's helper processes from holding the socket open.
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        std::fprintf(stderr, "vorl test driver: socket: %s\n", std::strerror(errno));
        return false;
    }
    ::unlink(path.c_str());
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 4) != 0) {
        std::fprintf(stderr, "vorl test driver: cannot listen on %s: %s\n", path.c_str(),
                     std::strerror(errno));
        ::close(listener);
        return false;
    }
    std::thread(serve, listener).detach();
    return true;
}

} // namespace vorl::test_driver
