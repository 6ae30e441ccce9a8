#include "gio_workspace.h"

#include "gobject_ptr.h"

#include <gtk/gtk.h>

#include <memory>

namespace vorl {
namespace {

void launchDefault(const std::string& uri, const EnvironmentChanges& environment) {
    g_autoptr(GdkAppLaunchContext) context = gdk_display_get_app_launch_context(gdk_display_get_default());
    for (const auto& [name, value] : environment) {
        if (value)
            g_app_launch_context_setenv(G_APP_LAUNCH_CONTEXT(context), name.c_str(), value->c_str());
        else
            g_app_launch_context_unsetenv(G_APP_LAUNCH_CONTEXT(context), name.c_str());
    }
    g_app_info_launch_default_for_uri_async(
        uri.c_str(), G_APP_LAUNCH_CONTEXT(context), nullptr,
        [](GObject*, GAsyncResult* result, gpointer) {
            // Best effort: no handler, or one that fails, is dropped without a message.
            g_app_info_launch_default_for_uri_finish(result, nullptr);
        },
        nullptr);
}

// What a file manager that does not answer on the bus leaves to the default handler.
struct FolderLaunch {
    std::string folder;
    EnvironmentChanges environment;
};

} // namespace

void GioWorkspace::openURL(const Url& url) {
    launchDefault(url.string(), programsEnvironment);
}

void GioWorkspace::activateFileViewerSelecting(const std::vector<std::filesystem::path>& items) {
    if (items.empty())
        return;
    // Without a file manager on the session bus, the first item's folder opens instead.
    std::string folder = Url::fileUrl(items.front().parent_path()).string();
    GDBusConnection* bus = g_application_get_dbus_connection(g_application_get_default());
    if (!bus)
        return launchDefault(folder, programsEnvironment);

    GVariantBuilder uris;
    g_variant_builder_init(&uris, G_VARIANT_TYPE("as"));
    for (const auto& item : items) {
        g_autoptr(GFile) file = g_file_new_for_path(item.c_str());
        g_autofree char* uri = g_file_get_uri(file);
        g_variant_builder_add(&uris, "s", uri);
    }
    g_dbus_connection_call(
        bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1", "org.freedesktop.FileManager1",
        "ShowItems", g_variant_new("(ass)", &uris, ""), nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
        [](GObject* connection, GAsyncResult* result, gpointer data) {
            std::unique_ptr<FolderLaunch> fallback(static_cast<FolderLaunch*>(data));
            g_autoptr(GError) error = nullptr;
            g_autoptr(GVariant) reply =
                g_dbus_connection_call_finish(G_DBUS_CONNECTION(connection), result, &error);
            if (error)
                launchDefault(fallback->folder, fallback->environment);
        },
        new FolderLaunch{folder, programsEnvironment});
}

} // namespace vorl
