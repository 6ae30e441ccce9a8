// The floor for the benchmark: the least a GTK application needs to show a web page.
// One window with one web view loading argv[1]; quits on SIGTERM.

#include <glib-unix.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <webkit/webkit.h>

static gboolean on_sigterm(gpointer application) {
    g_application_quit(G_APPLICATION(application));
    return G_SOURCE_REMOVE;
}

static void on_activate(GtkApplication* application, gpointer url) {
    GtkWidget* window = gtk_application_window_new(application);
    // The same size as the application's main window, so both render the same area.
    gtk_window_set_default_size(GTK_WINDOW(window), 1440, 920);
    GtkWidget* view = webkit_web_view_new();
    gtk_window_set_child(GTK_WINDOW(window), view);
    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), url);
    gtk_window_present(GTK_WINDOW(window));
}

int main(int argc, char** argv) {
    if (argc != 2) {
        g_printerr("usage: %s <url>\n", argv[0]);
        return 2;
    }
    GtkApplication* application = gtk_application_new("no.vorl.BenchFloor", G_APPLICATION_DEFAULT_FLAGS);
    g_signal_connect(application, "activate", G_CALLBACK(on_activate), argv[1]);
    g_unix_signal_add(SIGTERM, on_sigterm, application);
    // The URL is ours, not a file to open: GApplication sees no arguments.
    int status = g_application_run(G_APPLICATION(application), 1, argv);
    g_object_unref(application);
    return status;
}
