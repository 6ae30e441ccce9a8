#pragma once

#include <optional>
#include <vector>

namespace vorl {

// The owners (uids) of the TCP listeners on the port that take connections to 127.0.0.1, as the
// kernel reports them over netlink (sock_diag), which usually answers where /proc/net is
// hidden; nothing when it does not answer.
std::optional<std::vector<unsigned>> loopbackListenerOwners(long port);

} // namespace vorl
