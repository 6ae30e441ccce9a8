#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vorl {

// Modal responses as the sheets report them.
inline constexpr int ModalResponseCancel = 0;
inline constexpr int ModalResponseOK = 1;
inline constexpr int AlertFirstButtonReturn = 1000; // the second button answers 1001, and so on

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
    std::vector<std::string> buttons; // none: one default "OK" button
    std::optional<AlertTextField> accessoryTextField;
};

struct AlertResult {
    int response = ModalResponseCancel; // AlertFirstButtonReturn + index of the button pressed
    std::string accessoryText;          // the text field's content when the sheet ended
};

struct OpenPanel {
    bool canChooseFiles = true;
    bool canChooseDirectories = false;
    bool canCreateDirectories = false;
    bool allowsMultipleSelection = false;
    std::string prompt;  // the confirm button's title; empty: the panel's own
    std::string message; // empty: none
    std::optional<std::filesystem::path> directory;
};

struct SavePanel {
    bool canCreateDirectories = true;
    std::string message;
    std::string nameFieldStringValue;
    std::optional<std::filesystem::path> directory;
};

// Each completion runs exactly once, on the main thread, however the sheet ends: a sheet
// that closes without an answer (its window closing under it, say) reports
// ModalResponseCancel.
using AlertCompletion = std::function<void(const AlertResult&)>;
using OpenPanelCompletion = std::function<void(int response, std::vector<std::filesystem::path> urls)>;
using SavePanelCompletion = std::function<void(int response, std::optional<std::filesystem::path> url)>;

} // namespace vorl
