#include "gtk_main_window.h"

#include "gtk_web_view.h"
#include "monitor_area.h"
#include "platform/startup_trace.h"

#include <cmath>
#include <utility>

namespace vorl {

GtkMainWindow::GtkMainWindow(GtkApplication* application, GListModel* shortcuts,
                             const WindowConfiguration& configuration)
    : window(GObjectPtr<GtkWindow>::retain(GTK_WINDOW(gtk_application_window_new(application)))),
      contentWidth(static_cast<int>(configuration.contentSize.width)),
      contentHeight(static_cast<int>(configuration.contentSize.height)), applicationShortcuts(shortcuts),
      sheets([this](bool showing) { setContentBlocked(showing); }) {
    gtk_application_window_set_show_menubar(GTK_APPLICATION_WINDOW(window.get()), TRUE);
    gtk_window_set_default_size(window.get(), contentWidth, contentHeight);
    darkAppearance = configuration.darkAppearance;
    gtk_widget_add_css_class(GTK_WIDGET(window.get()), "vorl-main");
    g_signal_connect(window.get(), "close-request", G_CALLBACK(onCloseRequest), this);
    g_signal_connect(window.get(), "destroy", G_CALLBACK(onDestroy), this);
    g_signal_connect(window.get(), "map",
                     G_CALLBACK(+[](GtkWidget*, gpointer) { traceStartupPhase("window mapped"); }), this);
}

GtkMainWindow::~GtkMainWindow() {
    saveFrame();
    g_signal_handlers_disconnect_by_data(window.get(), this);
}

void GtkMainWindow::saveFrame() {
    if (!frameStore)
        return;
    // The default size follows the user's resizing, except while the window is maximised,
    // when it keeps the size to return to.
    WindowFrame frame;
    gtk_window_get_default_size(window.get(), &frame.width, &frame.height);
    frame.maximized = gtk_window_is_maximized(window.get());
    if (frame.width > 0 && frame.height > 0)
        frameStore->save(frame);
}

gboolean GtkMainWindow::onCloseRequest(GtkWindow*, gpointer self) {
    static_cast<GtkMainWindow*>(self)->saveFrame();
    return FALSE; // the window closes, and with the last window the application ends
}

void GtkMainWindow::onDestroy(GtkWidget*, gpointer self) {
    // Connected before any sheet's own handlers: the waiting sheets are answered first, and
    // the one shown, destroyed with its parent, starts no other.
    auto* mainWindow = static_cast<GtkMainWindow*>(self);
    mainWindow->destroyed = true;
    mainWindow->sheets.close();
}

void GtkMainWindow::setTitle(const std::string& title) {
    gtk_window_set_title(window.get(), title.c_str());
}

void GtkMainWindow::setBackgroundColor(Color color) {
    auto channel = [](double value) { return static_cast<int>(std::lround(value * 255)); };
    std::string css = "window.vorl-main { background-color: rgba(" + std::to_string(channel(color.red)) +
                      "," + std::to_string(channel(color.green)) + "," + std::to_string(channel(color.blue)) +
                      "," + std::to_string(color.alpha) + "); }";
    style = GObjectPtr<GtkCssProvider>::adopt(gtk_css_provider_new());
    gtk_css_provider_load_from_data(style.get(), css.c_str(), -1);
    gtk_style_context_add_provider_for_display(gtk_widget_get_display(GTK_WIDGET(window.get())),
                                               GTK_STYLE_PROVIDER(style.get()),
                                               GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

void GtkMainWindow::setMinSize(Size size) {
    gtk_widget_set_size_request(GTK_WIDGET(window.get()), static_cast<int>(size.width),
                                static_cast<int>(size.height));
}

void GtkMainWindow::setContentView(WebView& view) {
    auto* gtkView = dynamic_cast<GtkWebView*>(&view);
    if (!gtkView)
        g_error("the main window can show only a web view of its own platform");
    gtk_window_set_child(window.get(), gtkView->widget());
}

void GtkMainWindow::setFrameStore(WindowFrameStore& store) {
    frameStore = &store;
    std::optional<WindowFrame> kept = store.load();
    if (!kept)
        return;
    if (kept->width > 0 && kept->height > 0) {
        gtk_window_set_default_size(window.get(), kept->width, kept->height);
        contentHeight = 0; // the kept frame is the window's, menu bar included
    }
    if (kept->maximized)
        gtk_window_maximize(window.get());
}

Size GtkMainWindow::frameSize() {
    settleFirstFrame();
    int width = 0;
    int height = 0;
    gtk_window_get_default_size(window.get(), &width, &height);
    return Size{static_cast<double>(width), static_cast<double>(height)};
}

void GtkMainWindow::setFrameSize(Size size) {
    gtk_window_set_default_size(window.get(), static_cast<int>(std::lround(size.width)),
                                static_cast<int>(std::lround(size.height)));
}

std::optional<Size> GtkMainWindow::screenArea() {
    settleFirstFrame(); // which gives the window its surface, on a monitor
    return monitorArea(window.get());
}

void GtkMainWindow::makeKeyAndOrderFront() {
    settleFirstFrame();
    gtk_window_present(window.get());
}

// GTK has one theme setting for all of the application's windows, and switching it loads the
// theme anew: done once, before the window is realised and its first frame measured, and only
// where the application's defaults have not had GTK load the dark theme from the start. Pages
// see prefers-color-scheme: dark as well.
void GtkMainWindow::settleFirstFrame() {
    if (std::exchange(darkAppearance, false)) {
        GtkSettings* settings = gtk_settings_get_default();
        gboolean dark = FALSE;
        g_object_get(settings, "gtk-application-prefer-dark-theme", &dark, nullptr);
        if (!dark)
            g_object_set(settings, "gtk-application-prefer-dark-theme", TRUE, nullptr);
    }
    gtk_widget_realize(GTK_WIDGET(window.get())); // which puts the menu bar in
    if (contentHeight > 0)
        growByMenuBar();
}

// The default size is the whole window's: on a first run it grows by what stands above the
// content (the menu bar, and a title bar the window draws itself), so that the content gets
// the size asked for. Measured with the theme that will show.
void GtkMainWindow::growByMenuBar() {
    GtkWidget* content = gtk_window_get_child(window.get());
    int above = 0;
    for (GtkWidget* child = gtk_widget_get_first_child(GTK_WIDGET(window.get())); child;
         child = gtk_widget_get_next_sibling(child)) {
        int natural = 0;
        if (child != content && gtk_widget_get_visible(child))
            gtk_widget_measure(child, GTK_ORIENTATION_VERTICAL, contentWidth, nullptr, &natural, nullptr,
                               nullptr);
        above += natural;
    }
    gtk_window_set_default_size(window.get(), contentWidth, std::exchange(contentHeight, 0) + above);
}

void GtkMainWindow::miniaturize() {
    gtk_window_minimize(window.get());
}

void GtkMainWindow::toggleMaximized() {
    if (gtk_window_is_maximized(window.get()))
        gtk_window_unmaximize(window.get());
    else
        gtk_window_maximize(window.get());
}

void GtkMainWindow::toggleFullScreen() {
    if (gtk_window_is_fullscreen(window.get()))
        gtk_window_unfullscreen(window.get());
    else
        gtk_window_fullscreen(window.get());
}

void GtkMainWindow::beginAlertSheet(const Alert& alert, AlertCompletion completion) {
    sheets.add(std::move(completion), [this, alert](AlertCompletion answer) {
        return vorl::beginAlertSheet(sheetParent(), alert, std::move(answer));
    });
}

void GtkMainWindow::beginOpenPanelSheet(const OpenPanel& panel, OpenPanelCompletion completion) {
    sheets.add(std::move(completion), [this, panel](OpenPanelCompletion answer) {
        return vorl::beginOpenPanelSheet(sheetParent(), panel, std::move(answer));
    });
}

void GtkMainWindow::beginSavePanelSheet(const SavePanel& panel, SavePanelCompletion completion) {
    sheets.add(std::move(completion), [this, panel](SavePanelCompletion answer) {
        return vorl::beginSavePanelSheet(sheetParent(), panel, std::move(answer));
    });
}

void GtkMainWindow::endSheets() {
    sheets.endAll();
}

SheetParent GtkMainWindow::sheetParent() const {
    return SheetParent{window.get(), applicationShortcuts};
}

void GtkMainWindow::setContentBlocked(bool blocked) {
    // As under a sheet: the page takes no input while one is shown, the menu bar still does.
    GtkWidget* content = gtk_window_get_child(window.get());
    if (destroyed || !content)
        return;
    gtk_widget_set_sensitive(content, !blocked);
    if (!blocked && !gtk_window_get_focus(window.get()))
        gtk_widget_grab_focus(content);
}

} // namespace vorl
