#pragma once

#include "platform/values.h"

#include <gtk/gtk.h>

#include <optional>

namespace vorl {

// The area of the monitor that the realised window shows on, or will first show on (the
// display's first monitor while it shows on none), without the desktop's panels where the
// display tells them, in application pixels. nullopt where the display has no monitor.
std::optional<Size> monitorArea(GtkWindow* window);

} // namespace vorl
