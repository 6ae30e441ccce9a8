// A drag source for the UI tests: a window titled "vorl-drag-source" whose whole area offers the
// files named on the command line as a file list, in their order, as a file manager does. What
// the pointer shows is a line on standard output as it changes, "pointer copy" or "pointer none",
// and each drag's end is one too: "dropped" or "cancelled"; until then the drop may still read
// the files from the source.

#include <gtk/gtk.h>
#include <stdio.h>

static GdkContentProvider* onPrepare(GtkDragSource* source, double x, double y, gpointer paths) {
    (void)source;
    (void)x;
    (void)y;
    GSList* files = NULL;
    for (char** path = paths; *path; ++path)
        files = g_slist_append(files, g_file_new_for_path(*path));
    GdkFileList* list = gdk_file_list_new_from_list(files);
    g_slist_free_full(files, g_object_unref);
    GdkContentProvider* provider = gdk_content_provider_new_typed(GDK_TYPE_FILE_LIST, list);
    g_boxed_free(GDK_TYPE_FILE_LIST, list);
    return provider;
}

static void onActionChanged(GdkDrag* drag, GParamSpec* property, gpointer data) {
    (void)property;
    (void)data;
    printf("pointer %s\n", gdk_drag_get_selected_action(drag) ? "copy" : "none");
    fflush(stdout);
}

static void onDragBegin(GtkDragSource* source, GdkDrag* drag, gpointer data) {
    (void)source;
    (void)data;
    g_signal_connect(drag, "notify::selected-action", G_CALLBACK(onActionChanged), NULL);
}

static gboolean report(gpointer line) {
    gdk_display_flush(gdk_display_get_default());
    printf("%s\n", (const char*)line);
    fflush(stdout);
    return G_SOURCE_REMOVE;
}

static void onDragEnd(GtkDragSource* source, GdkDrag* drag, gboolean deleteData, gpointer data) {
    (void)source;
    (void)deleteData;
    (void)data;
    // A cancelled drag's leave goes to the target after this signal: the end is told once it has
    // gone out, as the test may end this program as soon as it is told.
    g_idle_add(report, gdk_drag_get_selected_action(drag) ? "dropped" : "cancelled");
}

static void onActivate(GtkApplication* application, gpointer paths) {
    GtkWidget* window = gtk_application_window_new(application);
    gtk_window_set_title(GTK_WINDOW(window), "vorl-drag-source");
    gtk_window_set_default_size(GTK_WINDOW(window), 200, 200);
    GtkWidget* label = gtk_label_new("Dra meg");
    GtkDragSource* source = gtk_drag_source_new();
    gtk_drag_source_set_actions(source, GDK_ACTION_COPY);
    g_signal_connect(source, "prepare", G_CALLBACK(onPrepare), paths);
    g_signal_connect(source, "drag-begin", G_CALLBACK(onDragBegin), NULL);
    g_signal_connect(source, "drag-end", G_CALLBACK(onDragEnd), NULL);
    gtk_widget_add_controller(label, GTK_EVENT_CONTROLLER(source));
    gtk_window_set_child(GTK_WINDOW(window), label);
    gtk_window_present(GTK_WINDOW(window));
}

int main(int argc, char** argv) {
    (void)argc;
    GtkApplication* application = gtk_application_new("no.vorl.TestDragSource", G_APPLICATION_NON_UNIQUE);
    g_signal_connect(application, "activate", G_CALLBACK(onActivate), argv + 1);
    int status = g_application_run(G_APPLICATION(application), 1, argv);
    g_object_unref(application);
    return status;
}
