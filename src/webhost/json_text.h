#pragma once

#include <string>
#include <string_view>

namespace vorl {

// text as a JSON string: quoted, with quotes, backslashes and control characters escaped. text
// must be valid UTF-8.
std::string jsonString(std::string_view text);

} // namespace vorl
