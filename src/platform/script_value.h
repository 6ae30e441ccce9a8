#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vorl {

// A value that a page script posted: what survives of a JavaScript value on its way out of
// the page. null and undefined both arrive as Null.
struct ScriptValue {
    struct Null {
        bool operator==(const Null&) const = default;
    };
    using Array = std::vector<ScriptValue>;
    using Dictionary = std::map<std::string, ScriptValue>;

    std::variant<Null, bool, double, std::string, Array, Dictionary> value;

    bool operator==(const ScriptValue&) const = default;
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
