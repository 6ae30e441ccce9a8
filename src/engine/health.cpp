#include "health.h"

namespace vorl {

bool isValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        auto byte = static_cast<unsigned char>(text[i]);
        size_t length;
        char32_t codePoint;
        if (byte < 0x80) {
            ++i;
            continue;
        } else if ((byte & 0xe0) == 0xc0) {
            length = 2;
            codePoint = byte & 0x1f;
        } else if ((byte & 0xf0) == 0xe0) {
            length = 3;
            codePoint = byte & 0x0f;
        } else if ((byte & 0xf8) == 0xf0) {
            length = 4;
            codePoint = byte & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            auto continuation = static_cast<unsigned char>(text[i + k]);
            if ((continuation & 0xc0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (continuation & 0x3f);
        }
        static constexpr char32_t smallestOfLength[] = {0, 0, 0x80, 0x800, 0x10000};
        if (codePoint < smallestOfLength[length] || codePoint > 0x10ffff ||
            (codePoint >= 0xd800 && codePoint <= 0xdfff))
            return false;
        i += length;
    }
    return true;
}

bool isHealthyStatusBody(const Result<std::string>& body) {
    return body && isValidUtf8(*body) && body->find("\"ok\"") != std::string::npos;
}

} // namespace vorl
