#include "view_decisions.h"

#include <algorithm>

namespace vorl {
namespace {

constexpr double zoomStep = 0.1;
constexpr double zoomMaximum = 2.0;
constexpr double zoomMinimum = 0.5;

} // namespace

ReloadAction decideReload(const std::optional<Url>& shown) {
    if (shown && (shown->host() == "127.0.0.1" || shown->isFileUrl()))
        return ReloadAction::reload;
    return ReloadAction::connect;
}

double zoomedIn(double zoom) {
    return clampedZoom(zoom + zoomStep);
}

double zoomedOut(double zoom) {
    return clampedZoom(zoom - zoomStep);
}

double clampedZoom(double zoom) {
    return std::clamp(zoom, zoomMinimum, zoomMaximum);
}

} // namespace vorl
