#pragma once

#include <cstddef>
#include <string_view>

namespace vorl {

// The length of the UTF-8 sequence that text begins with, when it is a valid one (no overlong
// form, no surrogate, nothing past U+10FFFF); 0 when it is not, or text is empty.
std::size_t utf8SequenceLength(std::string_view text);

bool isValidUtf8(std::string_view text);

} // namespace vorl
