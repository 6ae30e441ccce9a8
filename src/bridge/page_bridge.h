#pragma once

#include "base/main_window.h"
#include "platform/web_view.h"
#include "platform/workspace.h"

namespace vorl {

// Answers the page's messages on the "vorl" channel: a folder or a file name chosen in a panel
// on the main window, or a file shown in the file manager. Runs on the main thread.
class PageBridge final : public ScriptMessageHandler {
public:
    PageBridge(MainWindow& mainWindow, Workspace& workspace);

    void didReceiveScriptMessage(const ScriptMessage& body, ScriptReplyHandler reply) override;

private:
    MainWindow& mainWindow;
    Workspace& workspace;
};

} // namespace vorl
