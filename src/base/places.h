#pragma once

#include "platform/url.h"

#include <filesystem>

namespace vorl {

// The engine's port and address on the loopback interface.
inline constexpr long PORT = 8765;
extern const Url BASE; // http://127.0.0.1:8765/

// The places on disk the application uses, derived from the user's home folder once, at start,
// and read-only afterwards. Deriving them touches no file.
struct Places {
    std::filesystem::path HOME;    // the user's home folder
    std::filesystem::path ENG;     // the engine installation folder
    std::filesystem::path AI;      // the engine's AI-analysis environment
    std::filesystem::path DATA;    // the user's data folder
    std::filesystem::path LOGFILE; // the engine's log
};

// HOME as given, and the places below it, in that order.
Places placesBelow(const std::filesystem::path& home);

// The built-in page, which stands in for the engine's: "Auto-Vorudi.html" in ENG.
Url builtInPage(const Places& places);

} // namespace vorl
