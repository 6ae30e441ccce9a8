#include "loopback_listener.h"

#include "socket_diag.h"

#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <optional>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace vorl {
namespace {

constexpr std::string_view listenState = "0A";

std::optional<std::uint32_t> hexNumber(std::string_view text) {
    std::uint32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// An address as the tables print it: each 32-bit word in the machine's own byte order.
std::optional<std::vector<unsigned char>> addressBytes(std::string_view hex) {
    if (hex.size() != 8 && hex.size() != 32)
        return std::nullopt;
    std::vector<unsigned char> bytes;
    for (size_t word = 0; word < hex.size(); word += 8) {
        std::optional<std::uint32_t> value = hexNumber(hex.substr(word, 8));
        if (!value)
            return std::nullopt;
        std::array<unsigned char, 4> inMemory;
        std::memcpy(inMemory.data(), &*value, 4);
        bytes.insert(bytes.end(), inMemory.begin(), inMemory.end());
    }
    return bytes;
}

// The owners of the listeners in one table that take connections to 127.0.0.1 on port.
void collectOwners(std::string_view table, long port, std::vector<unsigned>& owners) {
    std::istringstream lines{std::string(table)};
    std::string line;
    std::getline(lines, line); // the headings
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::vector<std::string> field{std::istream_iterator<std::string>(fields), {}};
        if (field.size() < 8 || field[3] != listenState)
            continue;
        std::string_view local = field[1];
        size_t colon = local.find(':');
        if (colon == std::string_view::npos)
            continue;
        std::optional<std::uint32_t> localPort = hexNumber(local.substr(colon + 1));
        std::optional<std::vector<unsigned char>> address = addressBytes(local.substr(0, colon));
        unsigned owner = 0;
        auto [end, error] = std::from_chars(field[7].data(), field[7].data() + field[7].size(), owner);
        if (!localPort || *localPort != port || !address || !acceptsLoopback(*address) ||
            error != std::errc())
            continue;
        owners.push_back(owner);
    }
}

// A table's text; nothing when it cannot be read, or holds not even its headings, as where
// an empty file hides it.
std::optional<std::string> tableText(const char* path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    if (text.str().empty())
        return std::nullopt;
    return text.str();
}

} // namespace

bool acceptsLoopback(const std::vector<unsigned char>& address) {
    using Bytes = std::vector<unsigned char>;
    static const Bytes loopback{127, 0, 0, 1}, anyV4(4, 0), anyV6(16, 0);
    static const Bytes mappedLoopback{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 127, 0, 0, 1};
    return address == loopback || address == anyV4 || address == anyV6 || address == mappedLoopback;
}

PortListener listenerOf(const std::vector<unsigned>& owners, unsigned uid) {
    if (owners.empty())
        return PortListener::none;
    for (unsigned owner : owners)
        if (owner != uid)
            return PortListener::otherUser;
    return PortListener::currentUser;
}

PortListener loopbackListenerIn(std::string_view tcp, std::string_view tcp6, long port, unsigned uid) {
    std::vector<unsigned> owners;
    collectOwners(tcp, port, owners);
    collectOwners(tcp6, port, owners);
    return listenerOf(owners, uid);
}

bool loopbackPortTaken(long port) {
    FileDescriptor probe(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    int reuse = 1;
    // A connection still closing on the port is no listener.
    ::setsockopt(probe.get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return ::bind(probe.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 &&
           errno == EADDRINUSE;
}

PortListener loopbackListener(long port) {
    // The kernel's socket report lists only the listeners asked for, in well under a
    // millisecond; reading the tables makes the kernel walk every socket, several
    // milliseconds on some machines. The tables serve where the report is not allowed.
    if (std::optional<std::vector<unsigned>> owners = loopbackListenerOwners(port))
        return listenerOf(*owners, ::getuid());
    std::optional<std::string> tcp = tableText("/proc/net/tcp");
    std::optional<std::string> tcp6 = tableText("/proc/net/tcp6");
    std::error_code error;
    if (!tcp6 && tcp && !std::filesystem::exists("/proc/net/tcp6", error) && !error)
        tcp6 = "";
    if (!tcp || !tcp6)
        return loopbackPortTaken(port) ? PortListener::unknown : PortListener::none;
    return loopbackListenerIn(*tcp, *tcp6, port, ::getuid());
}

} // namespace vorl
