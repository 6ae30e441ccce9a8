#include "jsc_script_message.h"

namespace vorl {

std::optional<std::string> JscScriptMessage::stringEntry(std::string_view key) const {
    if (!jsc_value_is_object(value) || jsc_value_is_array(value))
        return std::nullopt;
    std::string name(key);
    g_autoptr(JSCValue) entry = jsc_value_object_get_property(value, name.c_str());
    if (!jsc_value_is_string(entry))
        return std::nullopt;
    // As bytes, so that a string with a NUL inside keeps all of its characters.
    g_autoptr(GBytes) bytes = jsc_value_to_string_as_bytes(entry);
    gsize size = 0;
    const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
    return std::string(data ? data : "", size);
}

} // namespace vorl
