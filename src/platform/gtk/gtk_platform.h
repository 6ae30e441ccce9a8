#pragma once

#include "platform/platform.h"

#include <memory>

namespace vorl {

// The desktop platform: GTK 4 and WebKitGTK for the user interface and, through libsoup, HTTP;
// posix_spawn for the engine.
std::unique_ptr<Platform> createGtkPlatform();

} // namespace vorl
