#pragma once

#include "platform/sheets.h"
#include "platform/values.h"

#include <string>

// What the application shows of itself, whatever the subsystem: its colours, its splash page and
// the buttons its sheets share.

namespace vorl {

extern const Color BG;           // the dark brown behind everything
extern const std::string SPLASH; // the start-up page: nine lines, needing nothing outside itself

inline constexpr const char* okButton = "OK";
inline constexpr const char* cancelButton = "Avbryt";

// An alert with one default button, "OK".
Alert alert(const std::string& messageText, const std::string& informativeText, AlertStyle style);

} // namespace vorl
