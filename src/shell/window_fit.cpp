#include "window_fit.h"

#include <algorithm>

namespace vorl {
namespace {

Size within(Size size, Size area) {
    return Size{std::min(size.width, area.width), std::min(size.height, area.height)};
}

} // namespace

WindowSizes fittedToScreen(Size frame, Size minimum, std::optional<Size> area) {
    if (!area)
        return WindowSizes{frame, minimum};
    return WindowSizes{within(frame, *area), within(minimum, *area)};
}

} // namespace vorl
