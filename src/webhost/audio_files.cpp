// Audio files of the tool's pages that the platform's decoder lacks or cannot be trusted with,
// made into WAV files on their way to it.

#include "app/app_delegate.h"
#include "webhost/pcm_container.h"
#include "webhost/tool_pages.h"

namespace vorl {

void AppDelegate::startUrlSchemeTask(const UrlSchemeTask& task,
                                     std::function<void(std::optional<UrlSchemeResponse>)> reply) {
    // Only the tool's own pages hand files over. One that cannot be made a WAV file fails as it
    // would in the platform's decoder.
    std::optional<std::string> wav;
    if (task.method == "POST" && isToolPage(task.page, builtInPage()))
        wav = wavFromPcmContainer(task.body);
    reply(wav ? std::optional(UrlSchemeResponse{"audio/wav", std::move(*wav)}) : std::nullopt);
}

} // namespace vorl
