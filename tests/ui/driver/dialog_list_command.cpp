// "dialogs": every visible toplevel other than the main window, with what a test needs to answer it.

#include "command_handlers.h"
#include "dialog_widgets.h"
#include "glib_ptr.h"
#include "gtk_lookup.h"
#include "label_text.h"

namespace vorl::test_driver {

namespace {

const char* kindOf(GtkWindow* window) {
    if (GTK_IS_MESSAGE_DIALOG(window))
        return "message";
    if (GTK_IS_FILE_CHOOSER_DIALOG(window))
        return "file-chooser";
    if (GTK_IS_ABOUT_DIALOG(window))
        return "about";
    return "other";
}

Json stringProperty(GObject* object, const char* name) {
    char* raw = nullptr;
    g_object_get(object, name, &raw, nullptr);
    const GCharPtr value(raw);
    return Json(value.get());
}

Json buttonLabel(GtkButton* button) {
    const char* label = gtk_button_get_label(button);
    if (label == nullptr)
        return Json();
    return gtk_button_get_use_underline(button) ? Json(withoutMnemonics(label)) : Json(label);
}

// Buttons carrying a response id, in widget order (the order they were added).
Json responseButtons(GtkDialog* dialog) {
    Json buttons = Json::array();
    forEachDescendant(GTK_WIDGET(dialog), [&](GtkWidget* widget) {
        if (!GTK_IS_BUTTON(widget))
            return;
        const int response = gtk_dialog_get_response_for_widget(dialog, widget);
        if (response != GTK_RESPONSE_NONE)
            buttons.push(Json::Object{{"label", buttonLabel(GTK_BUTTON(widget))}, {"response", response}});
    });
    return buttons;
}

// GTK has no getter for the default response; the default widget is the button it was set on.
Json defaultResponse(GtkDialog* dialog) {
    GtkWidget* widget = gtk_window_get_default_widget(GTK_WINDOW(dialog));
    if (widget == nullptr)
        return Json();
    const int response = gtk_dialog_get_response_for_widget(dialog, widget);
    return response != GTK_RESPONSE_NONE ? Json(response) : Json();
}

Json acceptLabel(GtkDialog* dialog) {
    GtkWidget* button = gtk_dialog_get_widget_for_response(dialog, GTK_RESPONSE_ACCEPT);
    return button != nullptr && GTK_IS_BUTTON(button) ? buttonLabel(GTK_BUTTON(button)) : Json();
}

void describeMessage(GtkMessageDialog* dialog, Json& result) {
    result.set("text", stringProperty(G_OBJECT(dialog), "text"));
    result.set("secondary_text", stringProperty(G_OBJECT(dialog), "secondary-text"));
    GtkEntry* entry = dialogEntry(GTK_WINDOW(dialog));
    result.set("entry", entry != nullptr ? Json(gtk_editable_get_text(GTK_EDITABLE(entry))) : Json());
}

const char* actionName(GtkFileChooserAction action) {
    switch (action) {
    case GTK_FILE_CHOOSER_ACTION_SAVE:
        return "save";
    case GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER:
        return "select-folder";
    default:
        return "open";
    }
}

void describeFileChooser(GtkFileChooser* chooser, Json& result) {
    const GtkFileChooserAction action = gtk_file_chooser_get_action(chooser);
    result.set("action", actionName(action));
    result.set("select_multiple", static_cast<bool>(gtk_file_chooser_get_select_multiple(chooser)));
    result.set("create_folders", static_cast<bool>(gtk_file_chooser_get_create_folders(chooser)));
    const GObjectPtr<GFile> folder(gtk_file_chooser_get_current_folder(chooser));
    const GCharPtr folderPath(folder ? g_file_get_path(folder.get()) : nullptr);
    result.set("current_folder", Json(folderPath.get()));
    const GCharPtr name(action == GTK_FILE_CHOOSER_ACTION_SAVE ? gtk_file_chooser_get_current_name(chooser)
                                                               : nullptr);
    result.set("current_name", Json(name.get()));
    result.set("accept_label", acceptLabel(GTK_DIALOG(chooser)));
}

void describeAbout(GtkAboutDialog* about, Json& result) {
    result.set("program_name", gtk_about_dialog_get_program_name(about));
    result.set("version", gtk_about_dialog_get_version(about));
    result.set("comments", gtk_about_dialog_get_comments(about));
    result.set("logo_icon_name", gtk_about_dialog_get_logo_icon_name(about));
}

Json describeDialog(GtkWindow* window, GtkWindow* main) {
    Json result = Json::object();
    result.set("id", windowId(window));
    result.set("kind", kindOf(window));
    result.set("title", gtk_window_get_title(window));
    GtkWindow* parent = gtk_window_get_transient_for(window);
    result.set("transient_for_main", parent != nullptr && parent == main);
    result.set("transient_for", parent != nullptr ? Json(windowId(parent)) : Json());
    result.set("modal", static_cast<bool>(gtk_window_get_modal(window)));
    if (GTK_IS_DIALOG(window)) {
        result.set("buttons", responseButtons(GTK_DIALOG(window)));
        result.set("default_response", defaultResponse(GTK_DIALOG(window)));
    }
    if (GTK_IS_MESSAGE_DIALOG(window))
        describeMessage(GTK_MESSAGE_DIALOG(window), result);
    else if (GTK_IS_FILE_CHOOSER_DIALOG(window))
        describeFileChooser(GTK_FILE_CHOOSER(window), result);
    else if (GTK_IS_ABOUT_DIALOG(window))
        describeAbout(GTK_ABOUT_DIALOG(window), result);
    return result;
}

} // namespace

void listDialogs(const Json&, const Reply& reply) {
    GtkWindow* main = mainWindow();
    Json dialogs = Json::array();
    for (GtkWindow* window : toplevelWindows()) {
        if (window != main && gtk_widget_get_visible(GTK_WIDGET(window)))
            dialogs.push(describeDialog(window, main));
    }
    reply.succeed(std::move(dialogs));
}

} // namespace vorl::test_driver
