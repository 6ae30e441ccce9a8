#include "toolkit_defaults.h"

namespace vorl {

EnvironmentChanges toolkitDefaultsEnvironment(const Environment& started,
                                              const std::filesystem::path& folder) {
    auto system = started.find("XDG_CONFIG_DIRS");
    // Empty or unset, the variable means /etc/xdg, which must stay after the application's own.
    std::string folders = system != started.end() && !system->second.empty() ? system->second : "/etc/xdg";
    return EnvironmentChanges{{"XDG_CONFIG_DIRS", folder.string() + ":" + folders}};
}

} // namespace vorl
