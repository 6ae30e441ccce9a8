#pragma once

#include "language_environment.h"

#include <filesystem>

namespace vorl {

// What the application changes in its own environment, started as started, so that GTK reads
// the application's defaults for its settings from folder/gtk-4.0/settings.ini: folder goes in
// front of the folders XDG_CONFIG_DIRS names (/etc/xdg where it names none), each of which GTK
// reads before the user's own settings, which still win.
EnvironmentChanges toolkitDefaultsEnvironment(const Environment& started,
                                              const std::filesystem::path& folder);

} // namespace vorl
