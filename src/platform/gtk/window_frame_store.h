#pragma once

#include <gtk/gtk.h>

#include <filesystem>
#include <string>

namespace vorl {

// Keeps a window's size and maximised state across runs in a small key file of its own,
// <config folder>/VORL Vorudi/<autosave name>.ini. GTK 4 can neither read nor set a window's
// position, so the window manager places it.
class WindowFrameStore {
public:
    WindowFrameStore(GtkWindow* window, const std::string& autosaveName);
    WindowFrameStore(const WindowFrameStore&) = delete;
    WindowFrameStore& operator=(const WindowFrameStore&) = delete;

    // Gives the window the frame saved in an earlier run, when there is one.
    void restore();
    // Writes the window's present frame.
    void save();

private:
    GtkWindow* window;
    std::filesystem::path file;
};

} // namespace vorl
