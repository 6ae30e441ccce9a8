#pragma once

#include <optional>
#include <string>
#include <string_view>

// Audio files that hold linear PCM in a container the platform's decoder lacks or cannot be
// trusted with (AIFF, AIFF-C, CAF), and the same sound as a WAV file, which it decodes reliably.

namespace vorl {

// Whether file begins as an AIFF, AIFF-C or CAF file does: "FORM" ... "AIFF" or "AIFC", or
// "caff" with version 1.
bool isPcmContainer(std::string_view file);

// The sound of an AIFF, AIFF-C or CAF file as a WAV file of the same channels, rate and sample
// values: integers of 8, 16, 24 or 32 bits (other sizes in the bytes that hold them), either
// byte order, and 32- and 64-bit floats. Nothing where the file is none of these containers,
// holds other than linear PCM (a compressed AIFF-C, say), names no sound, or ends before the
// sound its header announces: the platform's decoder rejects such a file too.
std::optional<std::string> wavFromPcmContainer(std::string_view file);

} // namespace vorl
