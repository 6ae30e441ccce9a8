#pragma once

#include <string>

namespace vorl::test_driver {

// Listens on a Unix socket at `path` (replacing a stale file) and serves clients one at a time from a
// background thread: each request line gets one answer line. Returns false, after saying why on
// stderr, when the socket cannot be set up.
bool startSocketServer(const std::string& path);

} // namespace vorl::test_driver
