#include "command_args.h"

#include <climits>
#include <cmath>

namespace vorl::test_driver {

namespace {

JsonValue argument(JSCValue* request, const char* name) {
    JsonValue value = member(request, name);
    if (jsc_value_is_undefined(value.get()))
        throw CommandError("missing argument \"" + std::string(name) + "\"");
    return value;
}

} // namespace

std::string stringArgument(JSCValue* request, const char* name) {
    const JsonValue value = argument(request, name);
    if (!jsc_value_is_string(value.get()))
        throw CommandError("argument \"" + std::string(name) + "\" must be a string");
    return stringOf(value.get());
}

int intArgument(JSCValue* request, const char* name) {
    const JsonValue value = argument(request, name);
    // Anything but a number becomes NaN, which fails the test below.
    const double number = jsc_value_is_number(value.get()) ? jsc_value_to_double(value.get()) : NAN;
    if (number != std::trunc(number) || number < INT_MIN || number > INT_MAX)
        throw CommandError("argument \"" + std::string(name) + "\" must be an integer");
    return static_cast<int>(number);
}

std::optional<double> optionalNumberArgument(JSCValue* request, const char* name) {
    const JsonValue value = member(request, name);
    if (jsc_value_is_undefined(value.get()) || jsc_value_is_null(value.get()))
        return std::nullopt;
    if (!jsc_value_is_number(value.get()))
        throw CommandError("argument \"" + std::string(name) + "\" must be a number");
    return jsc_value_to_double(value.get());
}

} // namespace vorl::test_driver
