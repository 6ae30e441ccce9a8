#pragma once

#include "platform/platform.h"

#include <memory>
#include <string>

namespace vorl {

// The desktop platform: GTK 4 and WebKitGTK for the user interface and, through libsoup, HTTP;
// posix_spawn for the engine. GTK's and WebKit's own texts come in toolkitLanguage (a gettext
// language code); children the application launches get the environment it was started with.
// Called before any other thread runs.
std::unique_ptr<Platform> createGtkPlatform(const std::string& toolkitLanguage);

} // namespace vorl
