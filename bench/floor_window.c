// The floor for the benchmark: the least a GTK application needs to show a web page.
// One window with one web view loading argv[1]; quits on SIGTERM. Like the application, it
// traces its start-up phases to the file VORL_STARTUP_TRACE names, when it names one.

#include <glib-unix.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <webkit/webkit.h>

static void trace_phase(const char* phase, const char* detail) {
    static FILE* trace;
    static gboolean opened;
    if (!opened) {
        const char* path = getenv("VORL_STARTUP_TRACE");
        trace = path ? fopen(path, "a") : NULL;
        opened = TRUE;
    }
    if (!trace)
        return;
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    fprintf(trace, "%lld.%09ld %s%s%s\n", (long long)now.tv_sec, now.tv_nsec, phase, detail ? " " : "",
            detail ? detail : "");
    fflush(trace);
}

static gboolean on_sigterm(gpointer application) {
    g_application_quit(G_APPLICATION(application));
    return G_SOURCE_REMOVE;
}

static void on_map(GtkWidget* window, gpointer data) {
    (void)window;
    (void)data;
    trace_phase("window mapped", NULL);
}

static void on_load_changed(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
    (void)data;
    if (event == WEBKIT_LOAD_COMMITTED)
        trace_phase("committed", webkit_web_view_get_uri(view));
}

static void on_activate(GtkApplication* application, gpointer url) {
    GtkWidget* window = gtk_application_window_new(application);
    // The same size as the application's main window, so both render the same area.
    gtk_window_set_default_size(GTK_WINDOW(window), 1440, 920);
    g_signal_connect(window, "map", G_CALLBACK(on_map), NULL);
    // Sound without a user gesture, as the application has it.
    WebKitWebsitePolicies* policies =
        webkit_website_policies_new_with_policies("autoplay", WEBKIT_AUTOPLAY_ALLOW, NULL);
    GtkWidget* view = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "website-policies", policies, NULL));
    g_object_unref(policies);
    g_signal_connect(view, "load-changed", G_CALLBACK(on_load_changed), NULL);
    gtk_window_set_child(GTK_WINDOW(window), view);
    trace_phase("load requested", url);
    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), url);
    gtk_window_present(GTK_WINDOW(window));
}

int main(int argc, char** argv) {
    trace_phase("main", NULL);
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
