#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace vorl {

// A value that a page script posted, read where it lies: only the entries asked for are taken
// out of it, so a message costs the same however large, deep or self-referring the rest is.
class ScriptMessage {
public:
    virtual ~ScriptMessage() = default;
    // The top-level entry named key, when the value is an object with named entries (not an
    // array) and that entry holds a string; nullopt for anything else.
    virtual std::optional<std::string> stringEntry(std::string_view key) const = 0;
};

// The answer to one posted message. The page's promise resolves with the result (a string,
// true, or nothing when the result is empty) or, when errorMessage is set, rejects with an
// Error carrying that message.
struct ScriptReply {
    std::variant<std::monostate, std::string, bool> result;
    std::optional<std::string> errorMessage;

    bool operator==(const ScriptReply&) const = default;
};

// Called exactly once, on the main thread.
using ScriptReplyHandler = std::function<void(ScriptReply)>;

} // namespace vorl
