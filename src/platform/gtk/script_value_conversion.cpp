#include "script_value_conversion.h"

#include "gobject_ptr.h"

namespace vorl {
namespace {

// Deeper than any message a page sends; guards against a value that contains itself.
constexpr int maximumDepth = 64;

ScriptValue convert(JSCValue* value, int depth) {
    if (depth > maximumDepth || jsc_value_is_null(value) || jsc_value_is_undefined(value))
        return {};
    if (jsc_value_is_boolean(value))
        return {jsc_value_to_boolean(value) != FALSE};
    if (jsc_value_is_number(value))
        return {jsc_value_to_double(value)};
    if (jsc_value_is_string(value)) {
        char* text = jsc_value_to_string(value);
        ScriptValue result{std::string(text)};
        g_free(text);
        return result;
    }
    if (jsc_value_is_array(value)) {
        ScriptValue::Array array;
        auto length = GObjectPtr<JSCValue>::adopt(jsc_value_object_get_property(value, "length"));
        auto count = static_cast<guint>(jsc_value_to_int32(length.get()));
        for (guint i = 0; i < count; ++i) {
            auto element = GObjectPtr<JSCValue>::adopt(jsc_value_object_get_property_at_index(value, i));
            array.push_back(convert(element.get(), depth + 1));
        }
        return {std::move(array)};
    }
    if (jsc_value_is_object(value)) {
        ScriptValue::Dictionary dictionary;
        if (char** names = jsc_value_object_enumerate_properties(value)) {
            for (char** name = names; *name; ++name) {
                auto property = GObjectPtr<JSCValue>::adopt(jsc_value_object_get_property(value, *name));
                dictionary.emplace(*name, convert(property.get(), depth + 1));
            }
            g_strfreev(names);
        }
        return {std::move(dictionary)};
    }
    return {};
}

} // namespace

ScriptValue scriptValueFromJavaScript(JSCValue* value) {
    return convert(value, 0);
}

} // namespace vorl
