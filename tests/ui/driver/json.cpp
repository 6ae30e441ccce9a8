#include "json.h"

#include <stdexcept>

namespace vorl::test_driver {

namespace {

// Made on the main thread at the first use and never released: its virtual machine must not
// be torn down by the exit handlers, after WebKit's own have run.
JSCContext* context() {
    static JSCContext* const context = jsc_context_new();
    return context;
}

// `value` itself, or a new null for an empty one.
JsonValue orNull(const JsonValue& value) {
    return value ? JsonValue::retain(value.get()) : JsonValue::adopt(jsc_value_new_null(context()));
}

// The message of the exception the last call left in the context, which is cleared.
std::string takeException() {
    JSCException* exception = jsc_context_get_exception(context());
    std::string message = exception != nullptr ? jsc_exception_get_message(exception) : "unknown error";
    jsc_context_clear_exception(context());
    return message;
}

} // namespace

JsonValue jsonObject() {
    return JsonValue::adopt(jsc_value_new_object(context(), nullptr, nullptr));
}

JsonValue jsonArray() {
    return JsonValue::adopt(jsc_value_new_array(context(), G_TYPE_NONE));
}

JsonValue jsonValue(bool flag) {
    return JsonValue::adopt(jsc_value_new_boolean(context(), flag));
}

JsonValue jsonValue(int number) {
    return jsonValue(static_cast<double>(number));
}

JsonValue jsonValue(double number) {
    return JsonValue::adopt(jsc_value_new_number(context(), number));
}

JsonValue jsonValue(const char* text) {
    if (text == nullptr)
        return {};
    if (g_utf8_validate(text, -1, nullptr))
        return JsonValue::adopt(jsc_value_new_string(context(), text));
    g_autofree char* valid = g_utf8_make_valid(text, -1);
    return JsonValue::adopt(jsc_value_new_string(context(), valid));
}

JsonValue jsonValue(const std::string& text) {
    return jsonValue(text.c_str());
}

void setMember(JSCValue* object, const char* name, const JsonValue& value) {
    jsc_value_object_set_property(object, name, orNull(value).get());
}

void append(JSCValue* array, const JsonValue& item) {
    const auto length = JsonValue::adopt(jsc_value_object_get_property(array, "length"));
    jsc_value_object_set_property_at_index(array, static_cast<guint>(jsc_value_to_int32(length.get())),
                                           orNull(item).get());
}

JsonValue member(JSCValue* object, const char* name) {
    return JsonValue::adopt(jsc_value_object_get_property(object, name));
}

std::string stringOf(JSCValue* value) {
    g_autofree char* text = jsc_value_to_string(value);
    return text != nullptr ? text : "";
}

JsonValue parseJson(const std::string& text) {
    // JavaScriptCore reads a C string, which a NUL would cut short, and needs well-formed UTF-8.
    if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr))
        throw std::runtime_error("JSON Parse error: malformed UTF-8 or a NUL byte");
    auto value = JsonValue::adopt(jsc_value_new_from_json(context(), text.c_str()));
    if (!value)
        throw std::runtime_error(takeException());
    return value;
}

std::string toJson(const JsonValue& value) {
    g_autofree char* json = jsc_value_to_json(orNull(value).get(), 0);
    if (json == nullptr)
        throw std::runtime_error("the answer cannot be written as JSON: " + takeException());
    return json;
}

} // namespace vorl::test_driver
