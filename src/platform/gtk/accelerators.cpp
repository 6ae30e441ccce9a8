#include "accelerators.h"

namespace vorl {

const char* actionName(MenuAction action) {
    switch (action) {
    case MenuAction::orderFrontStandardAboutPanel:
        return "orderFrontStandardAboutPanel";
    case MenuAction::showFolder:
        return "showFolder";
    case MenuAction::showLog:
        return "showLog";
    case MenuAction::restartEngine:
        return "restartEngine";
    case MenuAction::hide:
        return "hide";
    case MenuAction::hideOtherApplications:
        return "hideOtherApplications";
    case MenuAction::unhideAllApplications:
        return "unhideAllApplications";
    case MenuAction::terminate:
        return "terminate";
    case MenuAction::undo:
        return "undo";
    case MenuAction::redo:
        return "redo";
    case MenuAction::cut:
        return "cut";
    case MenuAction::copy:
        return "copy";
    case MenuAction::paste:
        return "paste";
    case MenuAction::selectAll:
        return "selectAll";
    case MenuAction::reloadPage:
        return "reloadPage";
    case MenuAction::zoomReset:
        return "zoomReset";
    case MenuAction::zoomIn:
        return "zoomIn";
    case MenuAction::zoomOut:
        return "zoomOut";
    case MenuAction::toggleFullScreen:
        return "toggleFullScreen";
    case MenuAction::performMiniaturize:
        return "performMiniaturize";
    case MenuAction::performZoom:
        return "performZoom";
    }
    return "";
}

std::vector<std::string> gtkAccelerators(const MenuItem& item) {
    if (item.keyEquivalent.empty())
        return {};
    if (item.modifiers == (Modifiers::control | Modifiers::command) && item.keyEquivalent == "f")
        return {"F11"};
    std::string modifiers;
    if (contains(item.modifiers, Modifiers::shift))
        modifiers += "<Shift>";
    if (contains(item.modifiers, Modifiers::control))
        modifiers += "<Control>";
    if (contains(item.modifiers, Modifiers::option))
        modifiers += "<Alt>";
    if (contains(item.modifiers, Modifiers::command))
        modifiers += "<Primary>";
    const std::string& key = item.keyEquivalent;
    if (key == ",")
        return {modifiers + "comma"};
    // Plus is Shift+= on many layouts: Ctrl+= zooms in too, as do the keypad's own keys.
    if (key == "+")
        return {modifiers + "plus", modifiers + "equal", modifiers + "KP_Add"};
    if (key == "-")
        return {modifiers + "minus", modifiers + "KP_Subtract"};
    return {modifiers + key};
}

} // namespace vorl
