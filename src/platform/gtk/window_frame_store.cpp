#include "window_frame_store.h"

namespace vorl {
namespace {

constexpr const char* group = "Ramme";

} // namespace

WindowFrameStore::WindowFrameStore(GtkWindow* frameWindow, const std::string& autosaveName)
    : window(frameWindow),
      file(std::filesystem::path(g_get_user_config_dir()) / "VORL Vorudi" / (autosaveName + ".ini")) {}

void WindowFrameStore::restore() {
    GKeyFile* keys = g_key_file_new();
    if (g_key_file_load_from_file(keys, file.c_str(), G_KEY_FILE_NONE, nullptr)) {
        GError* error = nullptr;
        int width = g_key_file_get_integer(keys, group, "bredde", &error);
        int height = error ? 0 : g_key_file_get_integer(keys, group, "hoyde", &error);
        if (!error && width > 0 && height > 0)
            gtk_window_set_default_size(window, width, height);
        g_clear_error(&error);
        if (g_key_file_get_boolean(keys, group, "maksimert", nullptr))
            gtk_window_maximize(window);
    }
    g_key_file_free(keys);
}

void WindowFrameStore::save() {
    int width = 0;
    int height = 0;
    // The default size follows the user's resizing, except while the window is maximised,
    // when it keeps the size to return to.
    gtk_window_get_default_size(window, &width, &height);
    if (width <= 0 || height <= 0)
        return;
    GKeyFile* keys = g_key_file_new();
    g_key_file_set_integer(keys, group, "bredde", width);
    g_key_file_set_integer(keys, group, "hoyde", height);
    g_key_file_set_boolean(keys, group, "maksimert", gtk_window_is_maximized(window));
    std::error_code ignored;
    std::filesystem::create_directories(file.parent_path(), ignored);
    g_key_file_save_to_file(keys, file.c_str(), nullptr);
    g_key_file_free(keys);
}

} // namespace vorl
