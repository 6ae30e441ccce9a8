#include "window_frame_file.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace vorl {
namespace {

const std::string group = "[Ramme]";

std::string_view trimmed(std::string_view text) {
    size_t first = text.find_first_not_of(" \t\r");
    size_t last = text.find_last_not_of(" \t\r");
    return first == std::string_view::npos ? std::string_view() : text.substr(first, last - first + 1);
}

int positiveNumber(std::string_view text) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value > 0 ? value : 0;
}

} // namespace

std::filesystem::path windowFrameFile(const std::filesystem::path& configFolder,
                                      const std::string& autosaveName) {
    return configFolder / "VORL Vorudi" / (autosaveName + ".ini");
}

std::string windowFrameText(const WindowFrame& frame) {
    return group + "\nbredde=" + std::to_string(frame.width) + "\nhoyde=" + std::to_string(frame.height) +
           "\nmaksimert=" + (frame.maximized ? "true" : "false") + "\n";
}

WindowFrame parseWindowFrame(std::string_view text) {
    WindowFrame frame;
    bool inGroup = false;
    std::istringstream lines{std::string(text)};
    for (std::string line; std::getline(lines, line);) {
        std::string_view entry = trimmed(line);
        if (entry.starts_with('['))
            inGroup = entry == group;
        size_t equals = entry.find('=');
        if (!inGroup || equals == std::string_view::npos)
            continue;
        std::string_view key = trimmed(entry.substr(0, equals));
        std::string_view value = trimmed(entry.substr(equals + 1));
        if (key == "bredde")
            frame.width = positiveNumber(value);
        else if (key == "hoyde")
            frame.height = positiveNumber(value);
        else if (key == "maksimert")
            frame.maximized = value == "true" || value == "1";
    }
    if (frame.width == 0 || frame.height == 0)
        frame.width = frame.height = 0;
    return frame;
}

std::optional<WindowFrame> WindowFrameFile::load() {
    std::ifstream stream(file);
    if (!stream)
        return std::nullopt;
    std::ostringstream text;
    text << stream.rdbuf();
    return parseWindowFrame(text.str());
}

void WindowFrameFile::save(const WindowFrame& frame) {
    std::error_code ignored;
    std::filesystem::create_directories(file.parent_path(), ignored);
    std::ofstream(file) << windowFrameText(frame);
}

} // namespace vorl
