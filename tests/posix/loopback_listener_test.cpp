#include "platform/posix/loopback_listener.h"
#include "platform/posix/socket_diag.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vorl {
namespace {

const std::string heading =
    "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n";

// One socket-table row: an address as a little-endian kernel prints it, port 8765 (223D), a
// state, a uid.
std::string row(const char* address, const char* state, unsigned uid, const char* port = "223D") {
    return std::string("   0: ") + address + ":" + port + " 00000000:0000 " + state +
           " 00000000:00000000 00:00000000 00000000 " + std::to_string(uid) + " 0 4242 1 0000000000000000\n";
}

TEST(LoopbackListener, OnlyListenersThatTakeLoopbackConnectionsCountAndAnyStrangerWins) {
    const char* loopback = "0100007F";
    const char* anyV4 = "00000000";
    const char* anyV6 = "00000000000000000000000000000000";
    const char* mappedLoopback = "0000000000000000FFFF00000100007F";
    const char* v6Loopback = "00000000000000000000000001000000";
    const char* otherAddress = "0200007F";
    struct Case {
        std::string tcp, tcp6;
        PortListener expected;
    };
    const Case cases[] = {
        {"", "", PortListener::none},
        {row(loopback, "0A", 1000), "", PortListener::currentUser},
        {row(loopback, "0A", 33), "", PortListener::otherUser},
        {row(anyV4, "0A", 33), "", PortListener::otherUser},
        {"", row(anyV6, "0A", 33), PortListener::otherUser},
        {"", row(mappedLoopback, "0A", 1000), PortListener::currentUser},
        {row(loopback, "0A", 1000), row(anyV6, "0A", 33), PortListener::otherUser},
        {row(loopback, "0A", 1000) + row(loopback, "0A", 1000), "", PortListener::currentUser},
        {row(loopback, "01", 33), "", PortListener::none},         // a connection, not a listener
        {row(loopback, "0A", 33, "223E"), "", PortListener::none}, // another port
        {row(otherAddress, "0A", 33), row(v6Loopback, "0A", 33), PortListener::none},
        {"garbage\n" + row("zz", "0A", 33) + "0: 0100007F\n", "", PortListener::none},
    };
    for (const Case& c : cases)
        EXPECT_EQ(loopbackListenerIn(heading + c.tcp, heading + c.tcp6, 8765, 1000), c.expected)
            << c.tcp << c.tcp6;
}

TEST(LoopbackListener, AListenerOfOurOwnIsSeenByABindAndByTheKernelsSocketReport) {
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    long port = ntohs(address.sin_port);
    ASSERT_EQ(::listen(listener, 1), 0);
    EXPECT_TRUE(loopbackPortTaken(port));
    EXPECT_EQ(loopbackListenerOwners(port), std::vector<unsigned>{::getuid()}) << "as the kernel reports it";
    ::close(listener);
    EXPECT_FALSE(loopbackPortTaken(port));
    EXPECT_EQ(loopbackListenerOwners(port), std::vector<unsigned>{});
}

} // namespace
} // namespace vorl
