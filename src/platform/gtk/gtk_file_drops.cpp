// Files dragged onto the view from outside the application: a drop target of the view's own,
// ahead of WebKit's, turns the drag into delegate calls. While such a drag is over the view,
// WebKit's own drop target is kept out of it: WebKit would tell the page of a drag of links and
// markup, set the pointer by its own answer, and where the page takes none replace the page with
// the file. Drags of the page's own content, which start in the application, stay WebKit's.

#include "gtk_web_view.h"

#include <utility>

namespace vorl {

void GtkWebView::addFileDropTarget() {
    // WebKit takes drops with a target that answers asynchronously; the view has one such.
    GListModel* controllers = gtk_widget_observe_controllers(widget());
    for (guint i = 0; i < g_list_model_get_n_items(controllers) && !webKitDropTarget; ++i) {
        g_autoptr(GObject) controller = G_OBJECT(g_list_model_get_item(controllers, i));
        if (GTK_IS_DROP_TARGET_ASYNC(controller))
            webKitDropTarget = GTK_DROP_TARGET_ASYNC(controller);
    }
    g_object_unref(controllers);

    GtkDropTarget* target = gtk_drop_target_new(GDK_TYPE_FILE_LIST, GDK_ACTION_COPY);
    // The list is read as the drag enters, so that the page can be told how many files come.
    gtk_drop_target_set_preload(target, TRUE);
    gtk_event_controller_set_propagation_phase(GTK_EVENT_CONTROLLER(target), GTK_PHASE_CAPTURE);
    g_signal_connect(target, "accept", G_CALLBACK(onDropAccept), this);
    g_signal_connect(target, "enter", G_CALLBACK(+[](GtkDropTarget*, double, double, gpointer self) {
                         // Where the drag entered is not known yet: its first move asks the page.
                         static_cast<GtkWebView*>(self)->dragAnswers.end();
                         return GdkDragAction(0);
                     }),
                     this);
    g_signal_connect(target, "motion", G_CALLBACK(onDropMotion), this);
    g_signal_connect(target, "leave", G_CALLBACK(onDropLeave), this);
    g_signal_connect(target, "drop", G_CALLBACK(onDrop), this);
    fileDropTarget = GTK_EVENT_CONTROLLER(target);
    // The widget owns it from here. The controller added last is the first to hear of a drag, so
    // that ours has kept WebKit's out of a file drag by the time WebKit's hears of it.
    gtk_widget_add_controller(widget(), fileDropTarget);
}

// WebKit's target refuses the drag as it hears of it: WebKit is not asked, and the target takes
// no action. A target that refused a drag hears nothing more of it but its leave, which WebKit
// lets pass for a drag it never took.
void GtkWebView::keepWebKitOutOfDrag() {
    if (!webKitDropTarget || !webKitAcceptHandlers.empty())
        return;
    guint accept = g_signal_lookup("accept", GTK_TYPE_DROP_TARGET_ASYNC);
    auto unblocked = GSignalMatchType(G_SIGNAL_MATCH_ID | G_SIGNAL_MATCH_UNBLOCKED);
    while (gulong handler =
               g_signal_handler_find(webKitDropTarget, unblocked, accept, 0, nullptr, nullptr, nullptr)) {
        g_signal_handler_block(webKitDropTarget, handler);
        webKitAcceptHandlers.push_back(handler);
    }
    webKitDropActions = gtk_drop_target_async_get_actions(webKitDropTarget);
    gtk_drop_target_async_set_actions(webKitDropTarget, GdkDragAction(0));
}

// Once the drag has been dropped or has left: the refusal stays with it, and the next drag is
// WebKit's to take.
void GtkWebView::letWebKitBackIn() {
    if (webKitAcceptHandlers.empty())
        return;
    gtk_drop_target_async_set_actions(webKitDropTarget, webKitDropActions);
    for (gulong handler : std::exchange(webKitAcceptHandlers, {}))
        g_signal_handler_unblock(webKitDropTarget, handler);
}

gboolean GtkWebView::onDropAccept(GtkDropTarget*, GdkDrop* drop, gpointer self) {
    auto* webView = static_cast<GtkWebView*>(self);
    bool fromOutside = gdk_drop_get_drag(drop) == nullptr;
    bool files = gdk_content_formats_contain_gtype(gdk_drop_get_formats(drop), GDK_TYPE_FILE_LIST);
    if (!fromOutside || !files || !webView->fileDragDelegate || webView->destroyed)
        return FALSE;
    webView->keepWebKitOutOfDrag();
    return TRUE;
}

// The pointer shows the delegate's latest answer (DragAnswers): the one for this step when it
// answers at once, else the one before, until a later one comes and the drop's status is set again.
GdkDragAction GtkWebView::onDropMotion(GtkDropTarget* target, double x, double y, gpointer self) {
    auto* webView = static_cast<GtkWebView*>(self);
    const GValue* value = gtk_drop_target_get_value(target);
    auto* files = value ? static_cast<GdkFileList*>(g_value_get_boxed(value)) : nullptr;
    GSList* list = files ? gdk_file_list_get_files(files) : nullptr;
    std::size_t count = g_slist_length(list);
    g_slist_free(list);
    if (!webView->fileDragDelegate)
        return GdkDragAction(0);
    unsigned dragStep = webView->dragAnswers.ask();
    webView->inDropMotion = true;
    webView->fileDragDelegate->draggingUpdated(
        Point{x, y}, count, [webView, target, dragStep, alive = webView->alive](bool taken) {
            if (!*alive || !webView->dragAnswers.hear(dragStep, taken))
                return;
            GdkDrop* drop = gtk_drop_target_get_current_drop(target);
            GdkDragAction action = taken ? GDK_ACTION_COPY : GdkDragAction(0);
            if (!webView->inDropMotion && drop)
                gdk_drop_status(drop, action, action); // the preferred action must be among those given
        });
    webView->inDropMotion = false;
    return webView->dragAnswers.taken() ? GDK_ACTION_COPY : GdkDragAction(0);
}

void GtkWebView::onDropLeave(GtkDropTarget*, gpointer self) {
    auto* webView = static_cast<GtkWebView*>(self);
    webView->dragAnswers.end();
    webView->letWebKitBackIn();
    if (webView->fileDragDelegate)
        webView->fileDragDelegate->draggingExited();
}

gboolean GtkWebView::onDrop(GtkDropTarget*, const GValue* value, double x, double y, gpointer self) {
    auto* webView = static_cast<GtkWebView*>(self);
    webView->letWebKitBackIn();
    webView->dragAnswers.end();
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
