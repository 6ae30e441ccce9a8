#pragma once

#include <string>
#include <string_view>

// The scripts the application adds to the tool's pages, from webhost/scripts.

namespace vorl {

// The sound of plain PCM files, read without the platform's decoder (pcm_decoding.js).
extern const std::string_view pcmDecodingScript;
// decodeAudioData with the PCM decoding in the page's workers (decode_audio.js), which runs in one
// function with pcm_decoding.js.
extern const std::string_view decodeAudioScript;
// The two as the one script added to the tool's pages.
std::string audioDecodingScript();
// The page's drag events while files from outside are dragged over it (webhost/file_drops_host.cpp).
extern const std::string_view dragEventsScript;
// Hands dropped files over to the page, in a drop event (webhost/file_drops_host.cpp).
extern const std::string_view handOverFilesScript;

} // namespace vorl
