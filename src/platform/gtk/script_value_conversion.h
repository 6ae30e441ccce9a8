#pragma once

#include "platform/script_value.h"

#include <jsc/jsc.h>

namespace vorl {

// The value a page posted, as plain data: objects become dictionaries of their enumerable
// properties, arrays arrays; functions and other objects without properties end up empty.
ScriptValue scriptValueFromJavaScript(JSCValue* value);

} // namespace vorl
