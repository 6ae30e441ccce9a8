#pragma once

#include <string_view>

// The scripts the application adds to the tool's pages, from webhost/scripts.

namespace vorl {

// Hands audio files of the kinds the platform's decoder lacks to the application's audio scheme
// (webhost/audio_files.cpp) on their way to decodeAudioData.
extern const std::string_view decodeAudioScript;
// The page's drag events while files from outside are dragged over it (webhost/file_drops_host.cpp).
extern const std::string_view dragEventsScript;
// Hands dropped files over to the page, in a drop event (webhost/file_drops_host.cpp).
extern const std::string_view handOverFilesScript;

} // namespace vorl
