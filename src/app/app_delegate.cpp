#include "app_delegate.h"

namespace vorl {

AppDelegate::AppDelegate(Platform& desktop) : started(desktop.clock().now()), platform(desktop) {}

} // namespace vorl
