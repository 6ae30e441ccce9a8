#include "json.h"

#include <charconv>
#include <cmath>

namespace vorl::test_driver {

namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";

// Length of the well-formed UTF-8 sequence at the start of `text`, or 0 if it is malformed.
std::size_t utf8SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const auto continuation = [&](std::size_t i) { return i < text.size() && (byte(i) & 0xC0) == 0x80; };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return continuation(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (!continuation(1) || !continuation(2))
            return 0;
        const bool overlong = lead == 0xE0 && byte(1) < 0xA0;
        const bool surrogate = lead == 0xED && byte(1) >= 0xA0;
        return overlong || surrogate ? 0 : 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (!continuation(1) || !continuation(2) || !continuation(3))
            return 0;
        const bool overlong = lead == 0xF0 && byte(1) < 0x90;
        const bool tooLarge = lead == 0xF4 && byte(1) >= 0x90;
        return overlong || tooLarge ? 0 : 4;
    }
    return 0;
}

// Writes a quoted JSON string; malformed UTF-8 (e.g. from a file name) becomes U+FFFD.
void dumpString(std::string_view text, std::string& out) {
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        const auto code = static_cast<unsigned char>(c);
        if (code >= 0x80) {
            const std::size_t length = utf8SequenceLength(text.substr(i));
            if (length == 0) {
                out += replacementCharacter;
                ++i;
            } else {
                out += text.substr(i, length);
                i += length;
            }
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            if (code < 0x20) {
                out += "\\u00";
                out += hex[code >> 4];
                out += hex[code & 0x0F];
            } else {
                out += c;
            }
        }
        ++i;
    }
    out += '"';
}

// Integral values print without a fraction so ids and sizes read as integers.
void dumpNumber(double number, std::string& out) {
    if (!std::isfinite(number)) {
        out += "null";
        return;
    }
    char buffer[32];
    constexpr double exactIntegerLimit = 9007199254740992.0; // 2^53
    std::to_chars_result written{};
    if (number == std::trunc(number) && std::fabs(number) < exactIntegerLimit)
        written = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(number));
    else
        written = std::to_chars(buffer, buffer + sizeof buffer, number);
    out.append(buffer, written.ptr);
}

} // namespace

const Json* Json::get(std::string_view key) const {
    if (const Object* members = asObject()) {
        for (const auto& [name, member] : *members) {
            if (name == key)
                return &member;
        }
    }
    return nullptr;
}

Json& Json::set(std::string key, Json member) {
    if (isNull())
        value_ = Object{};
    auto& members = std::get<Object>(value_);
    for (auto& [name, existing] : members) {
        if (name == key) {
            existing = std::move(member);
            return *this;
        }
    }
    members.emplace_back(std::move(key), std::move(member));
    return *this;
}

Json& Json::push(Json item) {
    if (isNull())
        value_ = Array{};
    std::get<Array>(value_).push_back(std::move(item));
    return *this;
}

std::string Json::dump() const {
    std::string out;
    dumpTo(out);
    return out;
}

void Json::dumpTo(std::string& out) const {
    if (isNull()) {
        out += "null";
    } else if (const bool* flag = asBool()) {
        out += *flag ? "true" : "false";
    } else if (const double* number = asNumber()) {
        dumpNumber(*number, out);
    } else if (const std::string* text = asString()) {
        dumpString(*text, out);
    } else if (const Array* items = asArray()) {
        out += '[';
        for (std::size_t i = 0; i < items->size(); ++i) {
            if (i > 0)
                out += ',';
            (*items)[i].dumpTo(out);
        }
        out += ']';
    } else {
        const Object& members = *asObject();
        out += '{';
        for (std::size_t i = 0; i < members.size(); ++i) {
            if (i > 0)
                out += ',';
            dumpString(members[i].first, out);
            out += ':';
            members[i].second.dumpTo(out);
        }
        out += '}';
    }
}

} // namespace vorl::test_driver
