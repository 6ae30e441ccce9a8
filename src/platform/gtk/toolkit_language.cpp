#include "toolkit_language.h"

#include "platform/posix/installed_folder.h"

#include <webkit/webkit.h>

#include <clocale>
#include <cstdlib>
#include <string_view>

namespace vorl {

void useToolkitLanguage(const std::string& language) {
    // gettext reads LANGUAGE at every lookup, here and in WebKit's own processes.
    ::setenv("LANGUAGE", language.c_str(), 1);
    // Under the C locale gettext translates nothing, LANGUAGE or not; C.UTF-8 keeps C's rules
    // for everything but the messages.
    const char* current = std::setlocale(LC_MESSAGES, "");
    std::string_view messages = current ? current : "C";
    if (messages == "C" || messages == "POSIX") {
        std::setlocale(LC_MESSAGES, "C.UTF-8");
        ::setenv("LC_MESSAGES", "C.UTF-8", 1);
    }
}

void addMissingWebKitTranslations() {
    std::filesystem::path extensions = installedFolder(VORL_WEB_EXTENSIONS_DIR);
    if (g_file_test(extensions.c_str(), G_FILE_TEST_IS_DIR))
        webkit_web_context_set_web_process_extensions_directory(webkit_web_context_get_default(),
                                                                extensions.c_str());
}

} // namespace vorl
