// Files dragged onto the view from outside the application: a drop target of the view's own,
// ahead of WebKit's, turns the drag into delegate calls. While such a drag is over the view,
// WebKit's own drop target is kept out of it: WebKit would give the page no files, and a drop
// where the page takes none would replace the page with the file. Drags of the page's own
// content, which start in the application, stay WebKit's.

#include "gtk_web_view.h"

namespace vorl {

void GtkWebView::addFileDropTarget() {
    // WebKit takes drops with a target that answers asynchronously; the view has one such.
    GListModel* controllers = gtk_widget_observe_controllers(widget());
    for (guint i = 0; i < g_list_model_get_n_items(controllers) && !webKitDropTarget; ++i) {
        g_autoptr(GObject) controller = G_OBJECT(g_list_model_get_item(controllers, i));
        if (GTK_IS_DROP_TARGET_ASYNC(controller))
            webKitDropTarget = GTK_EVENT_CONTROLLER(controller);
    }
    g_object_unref(controllers);

    GtkDropTarget* target = gtk_drop_target_new(GDK_TYPE_FILE_LIST, GDK_ACTION_COPY);
    // The list is read as the drag enters, so that the page can be told how many files come.
    gtk_drop_target_set_preload(target, TRUE);
    gtk_event_controller_set_propagation_phase(GTK_EVENT_CONTROLLER(target), GTK_PHASE_CAPTURE);
    g_signal_connect(target, "accept", G_CALLBACK(onDropAccept), this);
    g_signal_connect(target, "enter", G_CALLBACK(+[](GtkDropTarget*, double, double, gpointer) {
                         // Where the drag entered is not known yet: its first move tells the page.
                         return GDK_ACTION_COPY;
                     }),
                     this);
    g_signal_connect(target, "motion", G_CALLBACK(onDropMotion), this);
    g_signal_connect(target, "leave", G_CALLBACK(onDropLeave), this);
    g_signal_connect(target, "drop", G_CALLBACK(onDrop), this);
    fileDropTarget = GTK_EVENT_CONTROLLER(target);
    gtk_widget_add_controller(widget(), fileDropTarget); // the widget owns it from here
}

void GtkWebView::setWebKitDropsBlocked(bool blocked) {
    if (webKitDropTarget)
        gtk_event_controller_set_propagation_phase(webKitDropTarget,
                                                   blocked ? GTK_PHASE_NONE : GTK_PHASE_BUBBLE);
}

gboolean GtkWebView::onDropAccept(GtkDropTarget*, GdkDrop* drop, gpointer self) {
    auto* webView = static_cast<GtkWebView*>(self);
    bool fromOutside = gdk_drop_get_drag(drop) == nullptr;
    bool files = gdk_content_formats_contain_gtype(gdk_drop_get_formats(drop), GDK_TYPE_FILE_LIST);
    if (!fromOutside || !files || !webView->fileDragDelegate || webView->destroyed)
        return FALSE;
    webView->setWebKitDropsBlocked(true);
    return TRUE;
}

GdkDragAction GtkWebView::onDropMotion(GtkDropTarget* target, double x, double y, gpointer self) {
    auto* webView = static_cast<GtkWebView*>(self);
    const GValue* value = gtk_drop_target_get_value(target);
    auto* files = value ? static_cast<GdkFileList*>(g_value_get_boxed(value)) : nullptr;
    GSList* list = files ? gdk_file_list_get_files(files) : nullptr;
    std::size_t count = g_slist_length(list);
    g_slist_free(list);
    bool taken = webView->fileDragDelegate && webView->fileDragDelegate->draggingUpdated(Point{x, y}, count);
    return taken ? GDK_ACTION_COPY : GdkDragAction(0);
}

void GtkWebView::onDropLeave(GtkDropTarget*, gpointer self) {
    auto* webView = static_cast<GtkWebView*>(self);
    webView->setWebKitDropsBlocked(false);
    if (webView->fileDragDelegate)
        webView->fileDragDelegate->draggingExited();
}

gboolean GtkWebView::onDrop(GtkDropTarget*, const GValue* value, double x, double y, gpointer self) {
    auto* webView = static_cast<GtkWebView*>(self);
    webView->setWebKitDropsBlocked(false);
    std::vector<std::filesystem::path> paths;
    GSList* files = gdk_file_list_get_files(static_cast<GdkFileList*>(g_value_get_boxed(value)));
    for (GSList* file = files; file; file = file->next) {
        // A file of no local path (a link from a browser, say) is nothing the page can read.
        if (g_autofree char* path = g_file_get_path(G_FILE(file->data)))
            paths.emplace_back(path);
    }
    g_slist_free(files);
    return webView->fileDragDelegate &&
           webView->fileDragDelegate->performDragOperation(Point{x, y}, std::move(paths));
}

} // namespace vorl
