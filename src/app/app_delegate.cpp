#include "app_delegate.h"

namespace vorl {

Alert alert(const std::string& messageText, const std::string& informativeText, AlertStyle style) {
    Alert made;
    made.messageText = messageText;
    made.informativeText = informativeText;
    made.style = style;
    made.buttons = {okButton};
    return made;
}

AppDelegate::AppDelegate(Platform& desktop) : platform(desktop), started(desktop.clock().now()) {}

void AppDelegate::showAlert(const std::string& messageText, const std::string& informativeText,
                            AlertStyle style) {
    window->beginAlertSheet(alert(messageText, informativeText, style), [](const AlertResult&) {});
}

} // namespace vorl
