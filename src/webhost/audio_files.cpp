#include "audio_files.h"

#include "webhost/pcm_container.h"
#include "webhost/tool_pages.h"

namespace vorl {

void AudioFiles::startUrlSchemeTask(const UrlSchemeTask& task,
                                    std::function<void(std::optional<UrlSchemeResponse>)> reply) {
    // Only the tool's own pages hand files over. One that cannot be made a WAV file fails as it
    // would in the platform's decoder.
    std::optional<std::string> wav;
    if (task.method == "POST" && isToolPage(task.page, builtInPage))
        wav = wavFromPcmContainer(task.body);
    reply(wav ? std::optional(UrlSchemeResponse{"audio/wav", std::move(*wav)}) : std::nullopt);
}

} // namespace vorl
