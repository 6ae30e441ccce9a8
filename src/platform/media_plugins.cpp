#include "media_plugins.h"

namespace vorl {

EnvironmentChanges mediaPluginsEnvironment(const Environment& started, const std::filesystem::path& folder) {
    for (const char* variable : {"GST_PLUGIN_PATH_1_0", "GST_PLUGIN_PATH"}) {
        auto path = started.find(variable);
        if (path != started.end() && !path->second.empty())
            return EnvironmentChanges{{variable, folder.string() + ":" + path->second}};
    }
    return EnvironmentChanges{{"GST_PLUGIN_PATH", folder.string()}};
}

} // namespace vorl
