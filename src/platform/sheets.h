#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vorl {

// How a panel ended: confirmed, or anything else (its cancel button, closed, its window gone).
enum class ModalResponse { cancel, ok };

enum class AlertStyle { informational, warning };

// A text field shown inside an alert, below its informative text.
struct AlertTextField {
    std::string stringValue;
    int width = 280;
    int height = 24;
};

struct Alert {
    std::string messageText;     // the bold title line
    std::string informativeText; // the message below it
    AlertStyle style = AlertStyle::informational;
    std::vector<std::string> buttons; // left to right; the first is the default
    std::optional<AlertTextField> accessoryTextField;
    // Below the message, when not empty: a line of its own, then text the user can select and
    // copy, in a monospace font (the last lines of a log, say).
    std::string note;
    std::string excerpt;
};

struct AlertResult {
    std::optional<std::size_t> button; // the index of the button pressed; none: closed without one
    std::string accessoryText;         // the text field's content when a button was pressed
};

// A panel's texts, every one given by the application.
struct PanelTexts {
    std::string title;  // the panel's own title line
    std::string prompt; // the confirm button
    std::string cancel; // the cancel button
};

struct OpenPanel {
    bool canChooseFiles = true;
    bool canChooseDirectories = false;
    bool canCreateDirectories = false;
    bool allowsMultipleSelection = false;
    PanelTexts texts;
    std::optional<std::filesystem::path> directory; // none: the panel's own choice
};

struct SavePanel {
    bool canCreateDirectories = true;
    PanelTexts texts;
    std::string nameFieldStringValue;
    std::optional<std::filesystem::path> directory;
};

// Each completion runs exactly once, on the main thread, however the sheet ends: a sheet
// that closes without an answer (its window closing under it, say) reports no button or
// ModalResponse::cancel.
using AlertCompletion = std::function<void(const AlertResult&)>;
using OpenPanelCompletion =
    std::function<void(ModalResponse response, std::vector<std::filesystem::path> urls)>;
using SavePanelCompletion =
    std::function<void(ModalResponse response, std::optional<std::filesystem::path> url)>;

} // namespace vorl
