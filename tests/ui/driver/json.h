#pragma once

#include "platform/gtk/gobject_ptr.h"

#include <jsc/jsc.h>
#include <string>

namespace vorl::test_driver {

// Requests and answers are values of a JavaScriptCore context of the driver's own, created on first
// use. A JSCContext belongs to one thread: everything here is called on the GTK main thread only.

// A value of that context, or empty, which stands for JSON null.
using JsonValue = GObjectPtr<JSCValue>;

JsonValue jsonObject();
JsonValue jsonArray();
JsonValue jsonValue(bool flag);
JsonValue jsonValue(int number);
JsonValue jsonValue(double number);
// Empty for a null `text`, which suits GTK getters that may return NULL. Malformed UTF-8 (a file
// name, say) has U+FFFD in place of its bad bytes.
JsonValue jsonValue(const char* text);
JsonValue jsonValue(const std::string& text);

// Adds or replaces the member `name` of `object`.
void setMember(JSCValue* object, const char* name, const JsonValue& value);
template <typename T> void setMember(JSCValue* object, const char* name, const T& value) {
    setMember(object, name, jsonValue(value));
}
// Adds `item` at the end of `array`.
void append(JSCValue* array, const JsonValue& item);

// The member `name` of `object`: undefined when it has none.
JsonValue member(JSCValue* object, const char* name);
// The text of a string value.
std::string stringOf(JSCValue* value);

// The value of one JSON text; raises std::runtime_error for anything else.
JsonValue parseJson(const std::string& text);
// One line of JSON; raises std::runtime_error for a value JSON cannot express.
std::string toJson(const JsonValue& value);

} // namespace vorl::test_driver
