#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vorl {

// Every command a menu item can send.
enum class MenuAction {
    orderFrontStandardAboutPanel,
    showFolder,
    showLog,
    restartEngine,
    hide,
    hideOtherApplications,
    unhideAllApplications,
    terminate,
    undo,
    redo,
    cut,
    copy,
    paste,
    selectAll,
    reloadPage,
    zoomReset,
    zoomIn,
    zoomOut,
    toggleFullScreen,
    performMiniaturize,
    performZoom,
};

// The modifier keys of a shortcut, combined with |. Command is the primary modifier (Ctrl on
// Linux).
enum class Modifiers : unsigned {
    none = 0,
    shift = 1u << 0,
    control = 1u << 1,
    option = 1u << 2,
    command = 1u << 3,
};
constexpr Modifiers operator|(Modifiers a, Modifiers b) {
    return static_cast<Modifiers>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
// Whether every modifier of part is among modifiers.
constexpr bool contains(Modifiers modifiers, Modifiers part) {
    return (static_cast<unsigned>(modifiers) & static_cast<unsigned>(part)) == static_cast<unsigned>(part);
}

struct MenuItem {
    std::string title;
    MenuAction action;
    std::string keyEquivalent; // lower case; empty: no shortcut, whatever the modifiers
    Modifiers modifiers = Modifiers::command;
    bool enabled = true; // false where nothing on this desktop can carry the action out
    // Whether the shortcut edits text: in the main window it acts on the page, while in a dialog
    // the dialog's own text fields keep it.
    bool editsText = false;
};

struct Menu {
    std::string title;
    std::vector<std::optional<MenuItem>> items; // nullopt: a separator
};

// Receives the actions of the menu bar's items and shortcuts, on the main thread.
class MenuTarget {
public:
    virtual ~MenuTarget() = default;
    virtual void performMenuAction(MenuAction action) = 0;
};

} // namespace vorl
