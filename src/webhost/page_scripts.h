#pragma once

#include <string_view>

// The scripts the application adds to the tool's pages, from webhost/scripts.

namespace vorl {

// Hands audio files of the kinds the platform's decoder lacks to the application's audio scheme
// (webhost/audio_files.cpp) on their way to decodeAudioData.
extern const std::string_view decodeAudioScript;

} // namespace vorl
