// "screenshot": a PNG of the main window as GTK renders it, or of the web view if that fails.

#include "command_args.h"
#include "command_handlers.h"
#include "glib_ptr.h"
#include "gtk_lookup.h"

#include <exception>
#include <memory>

namespace vorl::test_driver {

namespace {

Json savedImage(GdkTexture* texture, const std::string& path, const char* source) {
    if (!gdk_texture_save_to_png(texture, path.c_str()))
        throw CommandError("cannot write " + path);
    return Json::Object{{"path", path},
                        {"width", gdk_texture_get_width(texture)},
                        {"height", gdk_texture_get_height(texture)},
                        {"source", source}};
}

// Renders the window's widget tree with its own renderer; null if there is nothing to render yet.
GObjectPtr<GdkTexture> renderWindow(GtkWindow* window) {
    GskRenderer* renderer = gtk_native_get_renderer(GTK_NATIVE(window));
    if (renderer == nullptr)
        return nullptr;
    const GObjectPtr<GdkPaintable> paintable(gtk_widget_paintable_new(GTK_WIDGET(window)));
    const int width = gdk_paintable_get_intrinsic_width(paintable.get());
    const int height = gdk_paintable_get_intrinsic_height(paintable.get());
    if (width <= 0 || height <= 0)
        return nullptr;
    GtkSnapshot* snapshot = gtk_snapshot_new();
    gdk_paintable_snapshot(paintable.get(), GDK_SNAPSHOT(snapshot), width, height);
    GskRenderNode* node = gtk_snapshot_free_to_node(snapshot);
    if (node == nullptr)
        return nullptr;
    graphene_rect_t viewport;
    graphene_rect_init(&viewport, 0, 0, static_cast<float>(width), static_cast<float>(height));
    GObjectPtr<GdkTexture> texture(gsk_renderer_render_texture(renderer, node, &viewport));
    gsk_render_node_unref(node);
    return texture;
}

struct ViewSnapshot {
    Reply reply;
    std::string path;
};

void viewSnapshotTaken(GObject* view, GAsyncResult* result, gpointer data) {
    const std::unique_ptr<ViewSnapshot> call(static_cast<ViewSnapshot*>(data));
    GError* rawError = nullptr;
    const GObjectPtr<GdkTexture> texture(
        webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(view), result, &rawError));
    const GErrorPtr error(rawError);
    try {
        if (texture)
            call->reply.succeed(savedImage(texture.get(), call->path, "web-view"));
        else
            call->reply.fail(error ? error->message : "no snapshot");
    } catch (const std::exception& failure) {
        call->reply.fail(failure.what());
    }
}

} // namespace

void screenshot(const Json& request, const Reply& reply) {
    const std::string& path = stringArgument(request, "path");
    GtkWindow* window = mainWindow();
    if (window == nullptr)
        throw CommandError("no main window");
    if (const GObjectPtr<GdkTexture> texture = renderWindow(window)) {
        reply.succeed(savedImage(texture.get(), path, "window"));
        return;
    }
    WebKitWebView* view = findWebView(window);
    if (view == nullptr)
        throw CommandError("the window cannot be rendered and has no web view");
    webkit_web_view_get_snapshot(view, WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_NONE, nullptr,
                                 viewSnapshotTaken, new ViewSnapshot{reply, path});
}

} // namespace vorl::test_driver
