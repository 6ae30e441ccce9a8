#include "socket_diag.h"

#include "loopback_listener.h"
#include "platform/process.h"

#include <arpa/inet.h>
#include <cstring>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace vorl {
namespace {

// Adds the owners of one address family's listeners; false when the kernel did not answer.
bool collectOwners(int channel, unsigned char family, long port, std::vector<unsigned>& owners) {
    struct {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } ask{};
    ask.header.nlmsg_len = sizeof ask;
    ask.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    ask.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    ask.request.sdiag_family = family;
    ask.request.sdiag_protocol = IPPROTO_TCP;
    ask.request.idiag_states = 1U << TCP_LISTEN;
    if (::send(channel, &ask, sizeof ask, 0) != static_cast<ssize_t>(sizeof ask))
        return false;
    for (;;) {
        alignas(nlmsghdr) char buffer[16384];
        ssize_t received = ::recv(channel, buffer, sizeof buffer, 0);
        if (received <= 0)
            return false;
        auto length = static_cast<unsigned>(received);
        for (auto* message = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(message, length);
             message = NLMSG_NEXT(message, length)) {
            if (message->nlmsg_type == NLMSG_DONE)
                return true;
            if (message->nlmsg_type == NLMSG_ERROR)
                return false;
            const auto* socket = static_cast<const inet_diag_msg*>(NLMSG_DATA(message));
            std::vector<unsigned char> address(family == AF_INET ? 4 : 16);
            std::memcpy(address.data(), socket->id.idiag_src, address.size());
            if (ntohs(socket->id.idiag_sport) == port && acceptsLoopback(address))
                owners.push_back(socket->idiag_uid);
        }
    }
}

} // namespace

std::optional<std::vector<unsigned>> loopbackListenerOwners(long port) {
    FileDescriptor channel(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG));
    std::vector<unsigned> owners;
    if (!channel || !collectOwners(channel.get(), AF_INET, port, owners) ||
        !collectOwners(channel.get(), AF_INET6, port, owners))
        return std::nullopt;
    return owners;
}

} // namespace vorl
