#include "base/utf8.h"

namespace vorl {

std::size_t utf8SequenceLength(std::string_view text) {
    if (text.empty())
        return 0;
    auto byte = static_cast<unsigned char>(text[0]);
    std::size_t length = byte < 0x80             ? 1
                         : (byte & 0xe0) == 0xc0 ? 2
                         : (byte & 0xf0) == 0xe0 ? 3
                         : (byte & 0xf8) == 0xf0 ? 4
                                                 : 0;
    if (length == 0 || length > text.size())
        return 0;
    char32_t codePoint = length == 1 ? byte : byte & (0x7fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
        auto continuation = static_cast<unsigned char>(text[k]);
        if ((continuation & 0xc0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (continuation & 0x3f);
    }
    static constexpr char32_t smallestOfLength[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < smallestOfLength[length] || codePoint > 0x10ffff ||
        (codePoint >= 0xd800 && codePoint <= 0xdfff))
        return 0;
    return length;
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = utf8SequenceLength(text.substr(i));
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

} // namespace vorl
