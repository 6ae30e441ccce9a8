// Falling back to the built-in page when the engine cannot serve.

#include "app/app_delegate.h"
#include "app/globals.h"

namespace vorl {

void AppDelegate::fallback(const std::string& message) {
    std::filesystem::path page = ENG / "Auto-Vorudi.html";
    std::error_code error;
    if (std::filesystem::exists(page, error))
        web->loadFileURL(Url::fileUrl(page), Url::fileUrl(ENG));
    showAlert("VORL Vorudi", message, AlertStyle::warning);
}

} // namespace vorl
