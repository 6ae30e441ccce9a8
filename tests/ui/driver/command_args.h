#pragma once

#include "json.h"

#include <optional>
#include <stdexcept>
#include <string>

namespace vorl::test_driver {

// A command that cannot be carried out; its message becomes the answer's "error".
class CommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Members of a request object, checked; a missing or mistyped one raises CommandError.
std::string stringArgument(JSCValue* request, const char* name);
int intArgument(JSCValue* request, const char* name);
std::optional<double> optionalNumberArgument(JSCValue* request, const char* name);

} // namespace vorl::test_driver
