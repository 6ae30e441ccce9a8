#include "toolkit_language.h"

#include "platform/posix/installed_folder.h"

#include <webkit/webkit.h>

#include <cstdlib>

namespace vorl {

void useToolkitEnvironment(const EnvironmentChanges& changes) {
    for (const auto& [name, value] : changes) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
}

void addMissingWebKitTranslations() {
    std::filesystem::path extensions = installedFolder(VORL_WEB_EXTENSIONS_DIR);
    if (g_file_test(extensions.c_str(), G_FILE_TEST_IS_DIR))
        webkit_web_context_set_web_process_extensions_directory(webkit_web_context_get_default(),
                                                                extensions.c_str());
}

} // namespace vorl
