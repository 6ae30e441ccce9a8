#include "log_tail.h"

#include "base/utf8.h"

#include <algorithm>
#include <fstream>
#include <vector>

namespace vorl {
namespace {

constexpr size_t maximumLines = 12;
constexpr size_t maximumCharacters = 2000;
// Enough of the file's end for any tail: a longer one is cut to its characters anyway.
constexpr std::streamoff readBytes = 64 * 1024;

bool isHeader(std::string_view line) {
    return line.starts_with("=== start ") && line.ends_with(" (app) ===");
}

// Whether a valid UTF-8 sequence is a control character that is not shown: C0 but for tabs and
// line feeds, DEL, and C1 (U+0080 to U+009F, which a terminal takes for escapes).
bool isHiddenControl(std::string_view character) {
    auto first = static_cast<unsigned char>(character[0]);
    if (character.size() == 1)
        return (first < 0x20 && first != '\t' && first != '\n') || first == 0x7f;
    return character.size() == 2 && first == 0xc2 && static_cast<unsigned char>(character[1]) < 0xa0;
}

// Each character of text, invalid bytes as U+FFFD and control characters left out.
std::vector<std::string_view> characters(std::string_view text) {
    static constexpr std::string_view replacement = "\xef\xbf\xbd";
    std::vector<std::string_view> result;
    for (size_t i = 0; i < text.size();) {
        size_t length = utf8SequenceLength(text.substr(i));
        if (length == 0)
            result.push_back(replacement);
        else if (!isHiddenControl(text.substr(i, length)))
            result.push_back(text.substr(i, length));
        i += length == 0 ? 1 : length;
    }
    return result;
}

} // namespace

std::string logTail(std::string_view text) {
    std::vector<std::string_view> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (isHeader(line))
            lines.clear();
        else
            lines.push_back(line);
        start = end + 1;
    }
    while (!lines.empty() && lines.back().find_first_not_of(" \t") == std::string_view::npos)
        lines.pop_back();
    if (lines.size() > maximumLines)
        lines.erase(lines.begin(), lines.end() - maximumLines);

    std::string joined;
    for (std::string_view line : lines)
        joined.append(line).push_back('\n');
    if (!joined.empty())
        joined.pop_back();
    std::vector<std::string_view> shown = characters(joined);
    size_t first = 0;
    if (shown.size() > maximumCharacters) {
        // Whole lines where they fit; the end of the last one where it alone is too long.
        first = shown.size() - maximumCharacters;
        auto lineEnd = std::find(shown.begin() + static_cast<std::ptrdiff_t>(first), shown.end(), "\n");
        if (lineEnd != shown.end())
            first = static_cast<size_t>(lineEnd - shown.begin()) + 1;
    }
    std::string tail;
    for (size_t i = first; i < shown.size(); ++i)
        tail.append(shown[i]);
    return tail;
}

std::optional<std::string> readLogTail(const std::filesystem::path& logFile) {
    std::ifstream file(logFile, std::ios::binary | std::ios::ate);
    if (!file)
        return std::nullopt;
    std::streamoff size = file.tellg();
    std::streamoff from = std::max<std::streamoff>(0, size - readBytes);
    file.seekg(from);
    std::string text(static_cast<size_t>(size - from), '\0');
    if (!file.read(text.data(), static_cast<std::streamsize>(text.size())))
        return std::nullopt;
    if (from > 0)
        text.erase(0, std::min(text.find('\n'), text.size() - 1) + 1); // a line cut by the read
    return logTail(text);
}

} // namespace vorl
