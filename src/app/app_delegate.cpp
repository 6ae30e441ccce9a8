#include "app_delegate.h"

namespace vorl {

AppDelegate::AppDelegate(Platform& desktop) : platform(desktop), started(desktop.clock().now()) {}

void AppDelegate::showAlert(const std::string& messageText, const std::string& informativeText,
                            AlertStyle style) {
    window->beginAlertSheet(Alert{messageText, informativeText, style, {okButton}, std::nullopt},
                            [](const AlertResult&) {});
}

} // namespace vorl
