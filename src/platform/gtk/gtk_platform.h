#pragma once

#include "platform/platform.h"

#include <memory>
#include <string>

namespace vorl {

// The desktop platform: GTK 4 and WebKitGTK for the user interface and, through libsoup, HTTP;
// posix_spawn for the engine. GTK's and WebKit's own texts come in toolkitLanguage (a gettext
// LANGUAGE list); the engine gets the environment the application was started with, and the
// programs it opens through the desktop get the user's own language settings. Called before
// any other thread runs.
std::unique_ptr<Platform> createGtkPlatform(const std::string& toolkitLanguage);

} // namespace vorl
