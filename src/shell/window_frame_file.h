#pragma once

#include "platform/window.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vorl {

// Where the window's frame is kept: <config folder>/VORL Vorudi/<autosave name>.ini.
std::filesystem::path windowFrameFile(const std::filesystem::path& configFolder,
                                      const std::string& autosaveName);

// The frame file's text: a group [Ramme] with bredde and hoyde in pixels and maksimert as
// true or false. A size that is missing or not a positive whole number reads as none kept.
std::string windowFrameText(const WindowFrame& frame);
WindowFrame parseWindowFrame(std::string_view text);

// Keeps the window's frame in its file from one run to the next; a file that cannot be read
// or written keeps nothing.
class WindowFrameFile final : public WindowFrameStore {
public:
    explicit WindowFrameFile(std::filesystem::path path) : file(std::move(path)) {}
    std::optional<WindowFrame> load() override;
    void save(const WindowFrame& frame) override;

private:
    std::filesystem::path file;
};

} // namespace vorl
