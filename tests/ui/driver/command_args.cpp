#include "command_args.h"

#include <climits>
#include <cmath>

namespace vorl::test_driver {

namespace {

const Json& argument(const Json& request, std::string_view name) {
    const Json* value = request.get(name);
    if (value == nullptr)
        throw CommandError("missing argument \"" + std::string(name) + "\"");
    return *value;
}

} // namespace

const std::string& stringArgument(const Json& request, std::string_view name) {
    const std::string* text = argument(request, name).asString();
    if (text == nullptr)
        throw CommandError("argument \"" + std::string(name) + "\" must be a string");
    return *text;
}

int intArgument(const Json& request, std::string_view name) {
    const double* number = argument(request, name).asNumber();
    if (number == nullptr || *number != std::trunc(*number) || *number < INT_MIN || *number > INT_MAX)
        throw CommandError("argument \"" + std::string(name) + "\" must be an integer");
    return static_cast<int>(*number);
}

std::optional<double> optionalNumberArgument(const Json& request, std::string_view name) {
    const Json* value = request.get(name);
    if (value == nullptr || value->isNull())
        return std::nullopt;
    const double* number = value->asNumber();
    if (number == nullptr)
        throw CommandError("argument \"" + std::string(name) + "\" must be a number");
    return *number;
}

} // namespace vorl::test_driver
