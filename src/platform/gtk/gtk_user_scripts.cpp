// The scripts the application adds to its pages.

#include "gtk_web_view.h"

namespace vorl {

void GtkWebView::addUserScripts(const WebViewConfiguration& configuration) {
    for (const UserScript& script : configuration.userScripts) {
        std::vector<const char*> allowList;
        for (const std::string& pattern : script.allowList)
            allowList.push_back(pattern.c_str());
        allowList.push_back(nullptr);
        g_autoptr(WebKitUserScript) added =
            webkit_user_script_new(script.source.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                   WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, allowList.data(), nullptr);
        webkit_user_content_manager_add_script(contentManager.get(), added);
    }
}

} // namespace vorl
