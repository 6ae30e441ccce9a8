#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorl {

// Every command a menu item can send.
enum class MenuAction {
    orderFrontStandardAboutPanel,
    showFolder,
    showLog,
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

// Modifier flags of a key equivalent. Command is the primary modifier (Ctrl on Linux).
enum ModifierFlag : std::uint32_t {
    ModifierShift = 1u << 17,
    ModifierControl = 1u << 18,
    ModifierOption = 1u << 19,
    ModifierCommand = 1u << 20,
};

struct MenuItem {
    std::string title;
    MenuAction action;
    std::string keyEquivalent; // lower case; empty: no shortcut, whatever the mask
    std::uint32_t modifierMask = ModifierCommand;
    bool enabled = true; // false where nothing on this desktop can carry the action out
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
