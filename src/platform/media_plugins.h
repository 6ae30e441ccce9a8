#pragma once

#include "language_environment.h"

#include <filesystem>

namespace vorl {

// What the application changes in its own environment, started as started, so that GStreamer in
// the page processes finds the application's own elements in folder before the system's: folder
// goes in front of the plugin path the environment names (GST_PLUGIN_PATH_1_0 where that is set,
// which GStreamer then reads instead, else GST_PLUGIN_PATH).
EnvironmentChanges mediaPluginsEnvironment(const Environment& started, const std::filesystem::path& folder);

} // namespace vorl
