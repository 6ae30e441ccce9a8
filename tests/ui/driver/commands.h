#pragma once

#include "reply.h"

#include <string_view>

namespace vorl::test_driver {

// Answers one request line. Called on the socket thread; the command itself runs on the main thread.
Answer handleRequest(std::string_view line);

} // namespace vorl::test_driver
