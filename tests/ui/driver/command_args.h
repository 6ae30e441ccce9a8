#pragma once

#include "json.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vorl::test_driver {

// A command that cannot be carried out; its message becomes the answer's "error".
class CommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Members of a request object, checked; a missing or mistyped one raises CommandError.
const std::string& stringArgument(const Json& request, std::string_view name);
int intArgument(const Json& request, std::string_view name);
std::optional<double> optionalNumberArgument(const Json& request, std::string_view name);

} // namespace vorl::test_driver
