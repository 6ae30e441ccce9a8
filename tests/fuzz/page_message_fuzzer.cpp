// Feeds the channel's decoding whatever a page could post, as real JavaScript values: the
// input read as JSON when it is JSON and as a string otherwise, with additions chosen by its
// length that would cost time or memory if anything walked them: a cycle, an array of the
// largest length, a typed array, a deep nest.

#include "bridge/page_message.h"
#include "platform/gtk/gobject_ptr.h"
#include "platform/gtk/jsc_script_message.h"

#include <cstdint>
#include <cstdlib>

namespace {

const char* const hostileAdditions = R"((function (value, flags) {
    if (value === null || typeof value !== 'object')
        return value;
    if (flags & 1) { value.self = value; value.again = value; }
    if (flags & 2) value.sparse = Object.assign([], {length: 2 ** 32 - 1});
    if (flags & 4) value.samples = new Float64Array(1 << 16);
    if (flags & 8) { let nest = value; for (let i = 0; i < 1000; ++i) nest = {cmd: value.cmd, nest}; return nest; }
    return value;
}))";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vorl;
    static JSCContext* const context = jsc_context_new();
    static JSCValue* const addHostileShapes = jsc_context_evaluate(context, hostileAdditions, -1);

    std::string text(reinterpret_cast<const char*>(data), size);
    auto posted = GObjectPtr<JSCValue>::adopt(jsc_value_new_from_json(context, text.c_str()));
    if (jsc_context_get_exception(context) || !posted) {
        jsc_context_clear_exception(context);
        g_autoptr(GBytes) bytes = g_bytes_new(data, size);
        posted = GObjectPtr<JSCValue>::adopt(jsc_value_new_string_from_bytes(context, bytes));
    }
    auto value = GObjectPtr<JSCValue>::adopt(
        jsc_value_function_call(addHostileShapes, JSC_TYPE_VALUE, posted.get(), G_TYPE_UINT,
                                static_cast<guint>(size % 16), G_TYPE_NONE));

    PageRequest request = decodePageMessage(JscScriptMessage(value.get()));
    // The file manager is only ever handed an absolute path.
    if (const auto* reveal = std::get_if<Reveal>(&request);
        reveal && reveal->path && !reveal->path->is_absolute())
        std::abort();
    return 0;
}
