#pragma once

#include "platform/values.h"

#include <optional>

namespace vorl {

struct WindowSizes {
    Size frame;   // the size the window first shows with
    Size minimum; // the smallest the user can make it
};

// The window's sizes on a screen whose area is area: the frame wanted and the minimum, each cut
// down to the area where it does not fit, so that the window is never larger than the screen,
// however small the screen or large its scale. Where the area is unknown, the sizes wanted.
WindowSizes fittedToScreen(Size frame, Size minimum, std::optional<Size> area);

} // namespace vorl
