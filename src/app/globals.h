#pragma once

#include "platform/platform.h"

#include <filesystem>
#include <memory>
#include <string>

namespace vorl {

class AppDelegate;

// The process entry's fixed vocabulary of places. Written once, in the order of
// setGlobalValues, before the event loop starts; read-only afterwards.
extern long PORT;
extern Url BASE;                      // http://127.0.0.1:8765/
extern std::filesystem::path HOME;    // the user's home folder
extern std::filesystem::path ENG;     // the engine installation folder
extern std::filesystem::path AI;      // the engine's AI-analysis environment
extern std::filesystem::path DATA;    // the user's data folder
extern std::filesystem::path LOGFILE; // the engine's log
extern Color BG;                      // the dark brown behind everything
extern std::string SPLASH;            // the start-up page
extern Application* app;
extern std::unique_ptr<AppDelegate> delegate;

// Sets PORT through SPLASH, in that order, with HOME asked from the platform. Touches no file.
void setGlobalValues(const Platform& platform);

// The start-up page: nine lines, needing nothing outside itself.
extern const char* const splashPage;

} // namespace vorl
