#pragma once

#include "platform/platform.h"

#include <filesystem>
#include <memory>
#include <string>

namespace vorl {

class AppDelegate;

// The process entry's fixed vocabulary of places. Those that depend on the user are written
// once, by setGlobalValues, before the event loop starts; read-only afterwards.
extern const long PORT;
extern const Url BASE;                // http://127.0.0.1:8765/
extern std::filesystem::path HOME;    // the user's home folder
extern std::filesystem::path ENG;     // the engine installation folder
extern std::filesystem::path AI;      // the engine's AI-analysis environment
extern std::filesystem::path DATA;    // the user's data folder
extern std::filesystem::path LOGFILE; // the engine's log
extern const Color BG;                // the dark brown behind everything
extern const std::string SPLASH;      // the start-up page: nine lines, needing nothing outside itself
extern Application* app;
extern std::unique_ptr<AppDelegate> delegate;

// Sets HOME, asked from the platform, and the places below it, in that order. Touches no file.
void setGlobalValues(const Platform& platform);

} // namespace vorl
