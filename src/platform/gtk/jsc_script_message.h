#pragma once

#include "platform/script_message.h"

#include <jsc/jsc.h>

namespace vorl {

// A posted JavaScript value, read in place: an entry is looked up by name and copied out only
// when it is a string, so nothing walks the rest of the value. The value is borrowed and must
// outlive this object.
class JscScriptMessage final : public ScriptMessage {
public:
    explicit JscScriptMessage(JSCValue* posted) : value(posted) {}
    std::optional<std::string> stringEntry(std::string_view key) const override;

private:
    JSCValue* value;
};

} // namespace vorl
