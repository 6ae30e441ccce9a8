#include "json.h"

#include <charconv>
#include <cstdint>

namespace vorl::test_driver {

namespace {

// Deep enough for any page value a test returns; stops hostile input from exhausting the stack.
constexpr int maxDepth = 256;

void appendUtf8(std::uint32_t codePoint, std::string& out) {
    const auto byte = [](std::uint32_t bits) { return static_cast<char>(bits); };
    if (codePoint < 0x80) {
        out += byte(codePoint);
    } else if (codePoint < 0x800) {
        out += byte(0xC0 | (codePoint >> 6));
        out += byte(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += byte(0xE0 | (codePoint >> 12));
        out += byte(0x80 | ((codePoint >> 6) & 0x3F));
        out += byte(0x80 | (codePoint & 0x3F));
    } else {
        out += byte(0xF0 | (codePoint >> 18));
        out += byte(0x80 | ((codePoint >> 12) & 0x3F));
        out += byte(0x80 | ((codePoint >> 6) & 0x3F));
        out += byte(0x80 | (codePoint & 0x3F));
    }
}

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    Json document() {
        Json value = this->value(0);
        skipSpace();
        if (pos_ != text_.size())
            fail("unexpected text after the value");
        return value;
    }

private:
    [[noreturn]] void fail(const std::string& reason) const {
        throw JsonError("invalid JSON at offset " + std::to_string(pos_) + ": " + reason);
    }

    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }

    void skipSpace() {
        while (!atEnd() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r'))
            ++pos_;
    }

    void expect(char c) {
        if (peek() != c)
            fail(std::string("expected '") + c + "'");
        ++pos_;
    }

    bool consumeWord(std::string_view word) {
        if (text_.substr(pos_, word.size()) != word)
            return false;
        pos_ += word.size();
        return true;
    }

    Json value(int depth) {
        if (depth > maxDepth)
            fail("nested too deeply");
        skipSpace();
        const char c = peek();
        if (c == '{')
            return object(depth);
        if (c == '[')
            return array(depth);
        if (c == '"')
            return Json(string());
        if (c == '-' || (c >= '0' && c <= '9'))
            return Json(number());
        if (consumeWord("true"))
            return Json(true);
        if (consumeWord("false"))
            return Json(false);
        if (consumeWord("null"))
            return Json();
        fail(atEnd() ? "unexpected end of text" : "unexpected character");
    }

    Json object(int depth) {
        expect('{');
        Json result = Json::object();
        skipSpace();
        if (peek() == '}') {
            ++pos_;
            return result;
        }
        while (true) {
            skipSpace();
            if (peek() != '"')
                fail("expected a member name");
            std::string key = string();
            skipSpace();
            expect(':');
            result.set(std::move(key), value(depth + 1));
            skipSpace();
            if (peek() == '}') {
                ++pos_;
                return result;
            }
            expect(',');
        }
    }

    Json array(int depth) {
        expect('[');
        Json result = Json::array();
        skipSpace();
        if (peek() == ']') {
            ++pos_;
            return result;
        }
        while (true) {
            result.push(value(depth + 1));
            skipSpace();
            if (peek() == ']') {
                ++pos_;
                return result;
            }
            expect(',');
        }
    }

    double number() {
        const std::size_t start = pos_;
        const auto digits = [&] {
            const std::size_t first = pos_;
            while (peek() >= '0' && peek() <= '9')
                ++pos_;
            if (pos_ == first)
                fail("expected a digit");
        };
        if (peek() == '-')
            ++pos_;
        if (peek() == '0')
            ++pos_;
        else
            digits();
        if (peek() == '.') {
            ++pos_;
            digits();
        }
        if (peek() == 'e' || peek() == 'E') {
            ++pos_;
            if (peek() == '+' || peek() == '-')
                ++pos_;
            digits();
        }
        double result = 0;
        const auto [end, error] = std::from_chars(text_.data() + start, text_.data() + pos_, result);
        if (error != std::errc() || end != text_.data() + pos_)
            fail("number out of range");
        return result;
    }

    std::uint32_t hexQuad() {
        std::uint32_t result = 0;
        for (int i = 0; i < 4; ++i, ++pos_) {
            const char c = peek();
            std::uint32_t digit = 0;
            if (c >= '0' && c <= '9')
                digit = static_cast<std::uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                digit = static_cast<std::uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                digit = static_cast<std::uint32_t>(c - 'A' + 10);
            else
                fail("bad \\u escape");
            result = result * 16 + digit;
        }
        return result;
    }

    // After "\u": one code point, joining a surrogate pair; a lone surrogate becomes U+FFFD.
    std::uint32_t escapedCodePoint() {
        const std::uint32_t unit = hexQuad();
        if (unit >= 0xDC00 && unit <= 0xDFFF)
            return 0xFFFD;
        if (unit < 0xD800 || unit > 0xDBFF)
            return unit;
        if (text_.substr(pos_, 2) != "\\u")
            return 0xFFFD;
        const std::size_t afterHigh = pos_;
        pos_ += 2;
        const std::uint32_t low = hexQuad();
        if (low < 0xDC00 || low > 0xDFFF) {
            pos_ = afterHigh;
            return 0xFFFD;
        }
        return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }

    std::string string() {
        expect('"');
        std::string result;
        while (true) {
            if (atEnd())
                fail("unterminated string");
            const char c = text_[pos_++];
            if (c == '"')
                return result;
            if (static_cast<unsigned char>(c) < 0x20)
                fail("control character in string");
            if (c != '\\') {
                result += c;
                continue;
            }
            if (atEnd())
                fail("unterminated string");
            switch (text_[pos_++]) {
            case '"':
                result += '"';
                break;
            case '\\':
                result += '\\';
                break;
            case '/':
                result += '/';
                break;
            case 'b':
                result += '\b';
                break;
            case 'f':
                result += '\f';
                break;
            case 'n':
                result += '\n';
                break;
            case 'r':
                result += '\r';
                break;
            case 't':
                result += '\t';
                break;
            case 'u':
                appendUtf8(escapedCodePoint(), result);
                break;
            default:
                --pos_;
                fail("unknown escape");
            }
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

} // namespace

Json Json::parse(std::string_view text) {
    return Parser(text).document();
}

} // namespace vorl::test_driver
