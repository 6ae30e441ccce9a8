#pragma once

#include "platform/result.h"

#include <string>
#include <string_view>

namespace vorl {

// Whether the engine's status reply says it is ready: a body that is valid UTF-8 and holds
// "ok" in double quotes anywhere. No body (a failed exchange) is not healthy.
bool isHealthyStatusBody(const Result<std::string>& body);

bool isValidUtf8(std::string_view text);

} // namespace vorl
