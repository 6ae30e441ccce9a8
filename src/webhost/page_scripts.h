#pragma once

#include <string>
#include <string_view>

// The scripts the application adds to the tool's pages, from webhost/scripts.

namespace vorl {

// The sound of plain PCM files, read without the platform's decoder (pcm_layouts.js, pcm_decoding.js).
extern const std::string_view pcmLayoutsScript;
extern const std::string_view pcmDecodingScript;
// decodeAudioData with the PCM decoding in the page's workers (decode_audio.js), which runs in one
// function with the two above.
extern const std::string_view decodeAudioScript;
// The three as the one script added to the tool's pages.
std::string audioDecodingScript();
// What files and folders from the desktop, and folders chosen in a folder input, become in the page
// (webhost/desktop_drops.cpp, webhost/dropped_folders.cpp, webhost/dialogs.cpp).
extern const std::string_view pageDropsScript;

} // namespace vorl
