#pragma once

#include "platform/url.h"

#include <optional>

namespace vorl {

enum class ReloadAction { reload, connect };

// The engine's page (host exactly "127.0.0.1", any port and path) and the built-in page (a
// file URL) are reloaded; anything else, the splash among them, reconnects to the engine.
ReloadAction decideReload(const std::optional<Url>& shown);

inline constexpr double zoomResetValue = 1.0;

// One step of 0.1 up or down from the current zoom, within 0.5 and 2.0. Steps add to the
// value as it is, without snapping.
double zoomedIn(double zoom);
double zoomedOut(double zoom);
// The zoom a pinch or Ctrl-scroll may reach: within the same 0.5 and 2.0.
double clampedZoom(double zoom);

} // namespace vorl
