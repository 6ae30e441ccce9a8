#pragma once

#include "platform/sheets.h"

#include <string>

namespace vorl {

// The buttons the application's sheets share.
inline constexpr const char* okButton = "OK";
inline constexpr const char* cancelButton = "Avbryt";

// An alert with one default button, "OK".
Alert alert(const std::string& messageText, const std::string& informativeText, AlertStyle style);

} // namespace vorl
