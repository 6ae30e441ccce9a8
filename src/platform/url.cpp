#include "url.h"

#include <cassert>

namespace vorl {
namespace {

bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isUnreserved(unsigned char c) {
    return isAlpha(static_cast<char>(c)) || isDigit(static_cast<char>(c)) || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

int hexValue(char c) {
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string percentDecoded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int high = hexValue(text[i + 1]);
            int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

// The length of a leading "scheme:" (RFC 3986: a letter, then letters, digits, "+", "-" or
// "."), or 0 when the text does not start with one.
size_t schemeLength(std::string_view text) {
    if (text.empty() || !isAlpha(text[0]))
        return 0;
    for (size_t i = 1; i < text.size(); ++i) {
        char c = text[i];
        if (c == ':')
            return i;
        if (!isAlpha(c) && !isDigit(c) && c != '+' && c != '-' && c != '.')
            return 0;
    }
    return 0;
}

// A port as an authority writes it: one to five digits, up to 65535.
std::optional<long> portNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > 5)
        return std::nullopt;
    long port = 0;
    for (char c : digits) {
        if (!isDigit(c))
            return std::nullopt;
        port = port * 10 + (c - '0');
    }
    return port <= 65535 ? std::optional(port) : std::nullopt;
}

} // namespace

std::optional<Url> Url::parse(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    for (unsigned char c : text) {
        if (c <= 0x20 || c == 0x7f)
            return std::nullopt;
    }
    Url url;
    url.text = std::string(text);
    std::string_view rest = text;
    if (size_t length = schemeLength(rest)) {
        url.schemePart = std::string(rest.substr(0, length));
        rest.remove_prefix(length + 1);
    }
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        size_t authorityEnd = rest.find_first_of("/?#");
        std::string_view authority = rest.substr(0, authorityEnd);
        rest = authorityEnd == std::string_view::npos ? std::string_view() : rest.substr(authorityEnd);
        if (size_t at = authority.rfind('@'); at != std::string_view::npos)
            authority.remove_prefix(at + 1);
        std::string_view host;
        std::string_view port;
        if (authority.starts_with('[')) {
            size_t close = authority.find(']');
            host = authority.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
            if (close != std::string_view::npos && authority.substr(close + 1).starts_with(':'))
                port = authority.substr(close + 2);
        } else {
            size_t colon = authority.find(':');
            host = authority.substr(0, colon);
            if (colon != std::string_view::npos)
                port = authority.substr(colon + 1);
        }
        if (!host.empty())
            url.hostPart = percentDecoded(host);
        url.portPart = portNumber(port);
    }
    url.pathPart = std::string(rest.substr(0, rest.find_first_of("?#")));
    return url;
}

Url Url::fileUrl(const std::filesystem::path& path) {
    std::string text = "file://";
    for (unsigned char c : path.string()) {
        if (isUnreserved(c) || c == '/') {
            text.push_back(static_cast<char>(c));
        } else {
            static constexpr char digits[] = "0123456789ABCDEF";
            text.push_back('%');
            text.push_back(digits[c >> 4]);
            text.push_back(digits[c & 0xf]);
        }
    }
    return *parse(text);
}

std::filesystem::path Url::filePath() const {
    return percentDecoded(pathPart);
}

Url Url::appendingPathComponent(std::string_view component) const {
    assert(text.find_first_of("?#") == std::string::npos);
    std::string appended = text;
    if (!appended.ends_with('/'))
        appended.push_back('/');
    appended.append(component);
    return *parse(appended);
}

} // namespace vorl
