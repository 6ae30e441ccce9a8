#pragma once

#include "platform/platform.h"

#include <string_view>
#include <vector>

namespace vorl {

// Who listens on the port for connections to 127.0.0.1, from the kernel's socket tables (the
// text of /proc/net/tcp and /proc/net/tcp6): listeners on 127.0.0.1, on 0.0.0.0, and on :: or
// ::ffff:127.0.0.1, which also take IPv4. otherUser as soon as one of them is not uid's.
PortListener loopbackListenerIn(std::string_view tcp, std::string_view tcp6, long port, unsigned uid);

// Whether anybody listens on the port for connections to 127.0.0.1: whether the port cannot be
// bound there.
bool loopbackPortTaken(long port);

// Whether a listener on this address, 4 or 16 bytes in network order, takes connections to
// 127.0.0.1.
bool acceptsLoopback(const std::vector<unsigned char>& address);

// Who the listeners with these owners are: otherUser as soon as one is not uid.
PortListener listenerOf(const std::vector<unsigned>& owners, unsigned uid);

// The same for this machine and the user running the application, as the kernel's netlink
// socket report names the owners, or, where the report is not allowed, the tables (an IPv6
// table that does not exist only means IPv6 is off); where neither can be read, nobody can be
// named: none when the port is free, unknown when it is taken.
PortListener loopbackListener(long port);

} // namespace vorl
