#pragma once

#include "platform/web_view.h"

namespace vorl {

// Audio files of the tool's pages that the platform's decoder lacks or cannot be trusted with,
// made into WAV files on their way to it.
class AudioFiles final : public UrlSchemeHandler {
public:
    explicit AudioFiles(Url builtIn) : builtInPage(std::move(builtIn)) {}
    void startUrlSchemeTask(const UrlSchemeTask& task,
                            std::function<void(std::optional<UrlSchemeResponse>)> reply) override;

private:
    const Url builtInPage;
};

} // namespace vorl
