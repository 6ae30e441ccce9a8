#include "app_delegate.h"

namespace vorl {

AppDelegate::AppDelegate(Platform& desktop) : started(desktop.clock().now()), platform(desktop) {}

void AppDelegate::showAlert(const std::string& messageText, const std::string& informativeText,
                            AlertStyle style) {
    window->beginAlertSheet(Alert{messageText, informativeText, style, {}, std::nullopt},
                            [](const AlertResult&) {});
}

} // namespace vorl
