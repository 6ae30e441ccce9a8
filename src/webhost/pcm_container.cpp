#include "pcm_container.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace vorl {
namespace {

// How the samples lie in the file.
struct PcmFormat {
    std::uint32_t channels = 0;
    std::uint32_t rate = 0;
    unsigned bytesPerSample = 0; // 1 to 4, or 4 and 8 for floats
    bool isFloat = false;
    bool littleEndian = false;
    bool unsignedBytes = false; // 8-bit samples as offset binary, as WAV has them
};

// The samples, whole frames only.
struct Sound {
    PcmFormat format;
    std::string_view samples;
};

std::uint64_t bigEndian(std::string_view bytes, std::size_t at, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// A sample rate as WAV holds it: a whole number of frames per second, within what any decoder
// takes; nothing for a rate that is negative, zero, not a number or far out of range.
std::optional<std::uint32_t> wholeRate(double rate) {
    if (!(rate >= 1.0 && rate <= 10'000'000.0))
        return std::nullopt;
    return static_cast<std::uint32_t>(std::lround(rate));
}

// AIFF's sample rate: an 80-bit IEEE extended number, sign and exponent in 16 bits, then a
// 64-bit mantissa with its integer bit.
std::optional<std::uint32_t> extendedRate(std::string_view ten) {
    std::uint64_t signAndExponent = bigEndian(ten, 0, 2);
    std::uint64_t mantissa = bigEndian(ten, 2, 8);
    if (signAndExponent & 0x8000)
        return std::nullopt;
    int exponent = static_cast<int>(signAndExponent) - 16383 - 63;
    return wholeRate(std::ldexp(static_cast<double>(mantissa), exponent));
}

// How an AIFF-C compression type lays its samples out, given the sample size COMM names; nothing
// for a compressed one.
std::optional<PcmFormat> aiffcLayout(std::string_view type, unsigned bits) {
    auto layout = [](unsigned bytes, bool isFloat, bool littleEndian, bool unsignedBytes) {
        return std::optional(PcmFormat{0, 0, bytes, isFloat, littleEndian, unsignedBytes});
    };
    if (type == "fl32" || type == "FL32")
        return layout(4, true, false, false);
    if (type == "fl64" || type == "FL64")
        return layout(8, true, false, false);
    if (type == "in24" || type == "42ni")
        return layout(3, false, type == "42ni", false);
    if (type == "in32" || type == "23ni")
        return layout(4, false, type == "23ni", false);
    if (type == "raw ")
        return layout(1, false, false, true);
    unsigned bytes = (bits + 7) / 8;
    if (bytes == 0 || bytes > 4)
        return std::nullopt;
    if (type == "NONE" || type == "twos" || type == "sowt")
        return layout(bytes, false, type == "sowt", false);
    return std::nullopt;
}

// The COMM chunk: channels, frames, sample size, rate and, in AIFF-C, the compression type.
std::optional<PcmFormat> aiffFormat(std::string_view comm, bool aiffc, std::uint64_t& frames) {
    if (comm.size() < (aiffc ? 22u : 18u))
        return std::nullopt;
    auto channels = static_cast<std::uint32_t>(bigEndian(comm, 0, 2));
    frames = bigEndian(comm, 2, 4);
    auto bits = static_cast<unsigned>(bigEndian(comm, 6, 2));
    std::optional<std::uint32_t> rate = extendedRate(comm.substr(8, 10));
    if (channels == 0 || channels > 0x7fff || !rate)
        return std::nullopt;
    std::optional<PcmFormat> format =
        aiffc ? aiffcLayout(comm.substr(18, 4), bits) : aiffcLayout("NONE", bits);
    if (format) {
        format->channels = channels;
        format->rate = *rate;
    }
    return format;
}

std::optional<Sound> aiffSound(std::string_view file) {
    bool aiffc = file.substr(8, 4) == "AIFC";
    std::optional<PcmFormat> format;
    std::uint64_t frames = 0;
    std::optional<std::string_view> soundData;
    // Chunks to the file's end, whatever FORM's own size says: writers that stream get it wrong.
    for (std::size_t at = 12; at + 8 <= file.size();) {
        std::string_view id = file.substr(at, 4);
        std::uint64_t size = bigEndian(file, at + 4, 4);
        std::size_t body = at + 8;
        std::uint64_t available = file.size() - body;
        if (id == "COMM") {
            if (size > available || !(format = aiffFormat(file.substr(body, size), aiffc, frames)))
                return std::nullopt;
        } else if (id == "SSND") {
            // An offset to the first sample, a block size; a size cut short still counts as far
            // as the file goes, and the frames COMM names must all be there.
            if (size < 8 || available < 8)
                return std::nullopt;
            std::uint64_t end = std::min(size, available);
            std::uint64_t first = 8 + bigEndian(file, body, 4);
            if (first > end)
                return std::nullopt;
            soundData = file.substr(body + first, end - first);
        }
        if (size >= available)
            break;
        at = body + size + (size & 1); // a chunk of odd size is followed by a pad byte
    }
    if (!format || !soundData)
        return std::nullopt;
    std::uint64_t needed = frames * format->channels * format->bytesPerSample;
    if (soundData->size() < needed)
        return std::nullopt; // cut short of the frames its header announces
    return Sound{*format, soundData->substr(0, needed)};
}

// The desc chunk: rate, format, flags, packet and frame sizes, channels and bits.
std::optional<PcmFormat> cafFormat(std::string_view desc) {
    if (desc.size() < 32 || desc.substr(8, 4) != "lpcm")
        return std::nullopt;
    double rate = std::bit_cast<double>(bigEndian(desc, 0, 8));
    std::uint64_t flags = bigEndian(desc, 12, 4);
    std::uint64_t bytesPerPacket = bigEndian(desc, 16, 4);
    std::uint64_t framesPerPacket = bigEndian(desc, 20, 4);
    auto channels = static_cast<std::uint32_t>(bigEndian(desc, 24, 4));
    auto bits = static_cast<unsigned>(bigEndian(desc, 28, 4));
    PcmFormat format{channels, 0, (bits + 7) / 8, (flags & 1) != 0, (flags & 2) != 0, false};
    std::optional<std::uint32_t> wholeRateValue = wholeRate(rate);
    bool sizeFits = format.isFloat ? bits == 32 || bits == 64 : bits >= 1 && bits <= 32;
    if (!wholeRateValue || !sizeFits || framesPerPacket != 1 || channels == 0 || channels > 0x7fff ||
        bytesPerPacket != std::uint64_t{channels} * format.bytesPerSample)
        return std::nullopt;
    format.rate = *wholeRateValue;
    return format;
}

std::optional<Sound> cafSound(std::string_view file) {
    std::optional<PcmFormat> format;
    std::optional<std::string_view> soundData;
    for (std::size_t at = 8; at + 12 <= file.size();) {
        std::string_view type = file.substr(at, 4);
        auto size = static_cast<std::int64_t>(bigEndian(file, at + 4, 8));
        std::size_t body = at + 12;
        std::uint64_t available = file.size() - body;
        // Only the sound, the last chunk, may leave its size open (-1): it goes to the end.
        bool toTheEnd = type == "data" && size == -1;
        if (!toTheEnd && (size < 0 || static_cast<std::uint64_t>(size) > available))
            return std::nullopt;
        std::uint64_t length = toTheEnd ? available : static_cast<std::uint64_t>(size);
        if (type == "desc" && !(format = cafFormat(file.substr(body, length))))
            return std::nullopt;
        if (type == "data") {
            if (length < 4) // the edit count comes first
                return std::nullopt;
            soundData = file.substr(body + 4, length - 4);
        }
        if (toTheEnd)
            break;
        at = body + length;
    }
    if (!format || !soundData)
        return std::nullopt;
    std::size_t frameBytes = std::size_t{format->channels} * format->bytesPerSample;
    return Sound{*format, soundData->substr(0, soundData->size() / frameBytes * frameBytes)};
}

void appendLittleEndian(std::string& out, std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        out.push_back(static_cast<char>(value >> (8 * i) & 0xff));
}

// The samples in WAV's order: little-endian, 8-bit ones as offset binary.
void appendSamples(std::string& out, const Sound& sound) {
    const PcmFormat& format = sound.format;
    std::size_t width = format.bytesPerSample;
    std::size_t start = out.size();
    out.append(sound.samples);
    char* sample = out.data() + start;
    for (std::size_t at = 0; at < sound.samples.size(); at += width, sample += width) {
        if (!format.littleEndian)
            std::reverse(sample, sample + width);
        if (width == 1 && !format.unsignedBytes)
            sample[0] = static_cast<char>(sample[0] ^ 0x80);
    }
}

// WAVE_FORMAT_EXTENSIBLE's speaker positions for the first channels, as WAV orders them.
std::uint64_t channelMask(std::uint32_t channels) {
    return channels <= 18 ? (std::uint64_t{1} << channels) - 1 : 0;
}

std::optional<std::string> wavFile(const Sound& sound) {
    const PcmFormat& format = sound.format;
    std::uint64_t dataSize = sound.samples.size();
    bool extensible = format.channels > 2;
    std::uint32_t fmtSize = extensible ? 40 : format.isFloat ? 18 : 16;
    std::uint64_t riffSize = 4 + (8 + fmtSize) + (8 + dataSize + (dataSize & 1));
    if (riffSize > UINT32_MAX)
        return std::nullopt;
    std::uint32_t blockAlign = format.channels * format.bytesPerSample;
    std::string wav;
    wav.reserve(static_cast<std::size_t>(riffSize) + 8);
    wav.append("RIFF");
    appendLittleEndian(wav, riffSize, 4);
    wav.append("WAVEfmt ");
    appendLittleEndian(wav, fmtSize, 4);
    appendLittleEndian(wav, extensible ? 0xfffe : format.isFloat ? 3 : 1, 2);
    appendLittleEndian(wav, format.channels, 2);
    appendLittleEndian(wav, format.rate, 4);
    appendLittleEndian(wav, std::uint64_t{format.rate} * blockAlign, 4);
    appendLittleEndian(wav, blockAlign, 2);
    appendLittleEndian(wav, format.bytesPerSample * 8, 2);
    if (extensible) {
        appendLittleEndian(wav, 22, 2);
        appendLittleEndian(wav, format.bytesPerSample * 8, 2);
        appendLittleEndian(wav, channelMask(format.channels), 4);
        // The sub-format's GUID: PCM or IEEE float, then WAV's fixed tail.
        appendLittleEndian(wav, format.isFloat ? 3 : 1, 4);
        wav.append("\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71", 12);
    } else if (format.isFloat) {
        appendLittleEndian(wav, 0, 2);
    }
    wav.append("data");
    appendLittleEndian(wav, dataSize, 4);
    appendSamples(wav, sound);
    if (dataSize & 1)
        wav.push_back('\0');
    return wav;
}

} // namespace

bool isPcmContainer(std::string_view file) {
    if (file.size() >= 12 && file.starts_with("FORM"))
        return file.substr(8, 4) == "AIFF" || file.substr(8, 4) == "AIFC";
    return file.size() >= 8 && file.starts_with("caff") && bigEndian(file, 4, 2) == 1;
}

std::optional<std::string> wavFromPcmContainer(std::string_view file) {
    if (!isPcmContainer(file))
        return std::nullopt;
    std::optional<Sound> sound = file.starts_with("FORM") ? aiffSound(file) : cafSound(file);
    return sound ? wavFile(*sound) : std::nullopt;
}

} // namespace vorl
