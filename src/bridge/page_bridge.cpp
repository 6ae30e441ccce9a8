#include "page_bridge.h"

#include "base/product.h"
#include "bridge/page_message.h"

namespace vorl {
namespace {

// A confirmed panel answers with the chosen path; anything else with nothing.
ScriptReply panelReply(ModalResponse response, const std::optional<std::filesystem::path>& chosen) {
    if (response == ModalResponse::ok && chosen)
        return ScriptReply{chosen->string(), std::nullopt};
    return ScriptReply{};
}

template <class... Handlers> struct Overloaded : Handlers... { using Handlers::operator()...; };
template <class... Handlers> Overloaded(Handlers...) -> Overloaded<Handlers...>;

} // namespace

PageBridge::PageBridge(MainWindow& shownIn, Workspace& desktop) : mainWindow(shownIn), workspace(desktop) {}

void PageBridge::didReceiveScriptMessage(const ScriptMessage& body, ScriptReplyHandler reply) {
    std::visit(
        Overloaded{
            [&](const RejectedMessage& rejected) {
                reply(ScriptReply{{}, rejected.error});
            },
            [&](const ChooseFolder& request) {
                OpenPanel panel;
                panel.canChooseDirectories = true;
                panel.canChooseFiles = false;
                panel.canCreateDirectories = true;
                panel.allowsMultipleSelection = false;
                panel.texts = {"Velg mappa der bouncede filer skal lagres", "Velg", cancelButton};
                panel.directory = request.directory;
                mainWindow.window().beginOpenPanelSheet(
                    panel, [reply](ModalResponse response, const std::vector<std::filesystem::path>& urls) {
                        reply(
                            panelReply(response, urls.empty() ? std::nullopt : std::optional(urls.front())));
                    });
            },
            [&](const SaveAs& request) {
                SavePanel panel;
                panel.canCreateDirectories = true;
                panel.texts = {"Lagre bouncet fil med slices", "Lagre", cancelButton};
                panel.nameFieldStringValue = request.name;
                panel.directory = request.directory;
                mainWindow.window().beginSavePanelSheet(
                    panel, [reply](ModalResponse response, const std::optional<std::filesystem::path>& url) {
                        reply(panelReply(response, url));
                    });
            },
            [&](const Reveal& request) {
                if (request.path)
                    workspace.activateFileViewerSelecting({*request.path});
                reply(ScriptReply{true, std::nullopt});
            },
        },
        decodePageMessage(body));
}

} // namespace vorl
