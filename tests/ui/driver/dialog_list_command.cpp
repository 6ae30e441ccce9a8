// "dialogs": every visible toplevel other than the main window, with what a test needs to answer it.

#include "command_handlers.h"
#include "gtk_lookup.h"

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

JsonValue stringProperty(GObject* object, const char* name) {
    g_autofree char* value = nullptr;
    g_object_get(object, name, &value, nullptr);
    return jsonValue(value);
}

JsonValue buttonLabel(GtkButton* button) {
    const char* label = gtk_button_get_label(button);
    if (label == nullptr || !gtk_button_get_use_underline(button))
        return jsonValue(label);
    return jsonValue(withoutMnemonics(label));
}

// Buttons carrying a response id, in widget order (the order they were added).
JsonValue responseButtons(GtkDialog* dialog) {
    JsonValue buttons = jsonArray();
    forEachDescendant(GTK_WIDGET(dialog), [&](GtkWidget* widget) {
        if (!GTK_IS_BUTTON(widget))
            return;
        const int response = gtk_dialog_get_response_for_widget(dialog, widget);
        if (response == GTK_RESPONSE_NONE)
            return;
        const JsonValue button = jsonObject();
        setMember(button.get(), "label", buttonLabel(GTK_BUTTON(widget)));
        setMember(button.get(), "response", response);
        append(buttons.get(), button);
    });
    return buttons;
}

// GTK has no getter for the default response; the default widget is the button it was set on.
JsonValue defaultResponse(GtkDialog* dialog) {
    GtkWidget* widget = gtk_window_get_default_widget(GTK_WINDOW(dialog));
    const int response =
        widget != nullptr ? gtk_dialog_get_response_for_widget(dialog, widget) : GTK_RESPONSE_NONE;
    return response != GTK_RESPONSE_NONE ? jsonValue(response) : JsonValue();
}

JsonValue acceptLabel(GtkDialog* dialog) {
    GtkWidget* button = gtk_dialog_get_widget_for_response(dialog, GTK_RESPONSE_ACCEPT);
    return button != nullptr && GTK_IS_BUTTON(button) ? buttonLabel(GTK_BUTTON(button)) : JsonValue();
}

void describeMessage(GtkMessageDialog* dialog, JSCValue* result) {
    setMember(result, "text", stringProperty(G_OBJECT(dialog), "text"));
    setMember(result, "secondary_text", stringProperty(G_OBJECT(dialog), "secondary-text"));
    GtkEntry* entry = dialogEntry(GTK_WINDOW(dialog));
    setMember(result, "entry", entry != nullptr ? gtk_editable_get_text(GTK_EDITABLE(entry)) : nullptr);
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

void describeFileChooser(GtkFileChooser* chooser, JSCValue* result) {
    const GtkFileChooserAction action = gtk_file_chooser_get_action(chooser);
    setMember(result, "action", actionName(action));
    setMember(result, "select_multiple", static_cast<bool>(gtk_file_chooser_get_select_multiple(chooser)));
    setMember(result, "create_folders", static_cast<bool>(gtk_file_chooser_get_create_folders(chooser)));
    g_autoptr(GFile) folder = gtk_file_chooser_get_current_folder(chooser);
    g_autofree char* folderPath = folder != nullptr ? g_file_get_path(folder) : nullptr;
    setMember(result, "current_folder", folderPath);
    g_autofree char* name =
        action == GTK_FILE_CHOOSER_ACTION_SAVE ? gtk_file_chooser_get_current_name(chooser) : nullptr;
    setMember(result, "current_name", name);
    setMember(result, "accept_label", acceptLabel(GTK_DIALOG(chooser)));
}

void describeAbout(GtkAboutDialog* about, JSCValue* result) {
    setMember(result, "program_name", gtk_about_dialog_get_program_name(about));
    setMember(result, "version", gtk_about_dialog_get_version(about));
    setMember(result, "comments", gtk_about_dialog_get_comments(about));
    setMember(result, "logo_icon_name", gtk_about_dialog_get_logo_icon_name(about));
}

// Every text the dialog shows in a label or on a button, GTK's own included, in widget order.
JsonValue shownTexts(GtkWindow* window) {
    JsonValue texts = jsonArray();
    forEachDescendant(GTK_WIDGET(window), [&](GtkWidget* widget) {
        if (GTK_IS_LABEL(widget) && gtk_widget_get_mapped(widget))
            append(texts.get(), jsonValue(gtk_label_get_text(GTK_LABEL(widget))));
    });
    return texts;
}

// The texts shown for the user to select and copy, in a monospace font (a log's last lines).
JsonValue excerpts(GtkWindow* window) {
    JsonValue texts = jsonArray();
    forEachDescendant(GTK_WIDGET(window), [&](GtkWidget* widget) {
        if (GTK_IS_LABEL(widget) && gtk_widget_get_mapped(widget) &&
            gtk_label_get_selectable(GTK_LABEL(widget)) && gtk_widget_has_css_class(widget, "monospace"))
            append(texts.get(), jsonValue(gtk_label_get_text(GTK_LABEL(widget))));
    });
    return texts;
}

JsonValue describeDialog(GtkWindow* window, GtkWindow* main) {
    JsonValue result = jsonObject();
    setMember(result.get(), "id", windowId(window));
    setMember(result.get(), "kind", kindOf(window));
    setMember(result.get(), "title", gtk_window_get_title(window));
    GtkWindow* parent = gtk_window_get_transient_for(window);
    setMember(result.get(), "transient_for_main", parent != nullptr && parent == main);
    setMember(result.get(), "transient_for", parent != nullptr ? jsonValue(windowId(parent)) : JsonValue());
    setMember(result.get(), "modal", static_cast<bool>(gtk_window_get_modal(window)));
    setMember(result.get(), "active", static_cast<bool>(gtk_window_is_active(window)));
    setMember(result.get(), "texts", shownTexts(window));
    setMember(result.get(), "excerpts", excerpts(window));
    if (GTK_IS_DIALOG(window)) {
        setMember(result.get(), "buttons", responseButtons(GTK_DIALOG(window)));
        setMember(result.get(), "default_response", defaultResponse(GTK_DIALOG(window)));
    }
    if (GTK_IS_MESSAGE_DIALOG(window))
        describeMessage(GTK_MESSAGE_DIALOG(window), result.get());
    else if (GTK_IS_FILE_CHOOSER_DIALOG(window))
        describeFileChooser(GTK_FILE_CHOOSER(window), result.get());
    else if (GTK_IS_ABOUT_DIALOG(window))
        describeAbout(GTK_ABOUT_DIALOG(window), result.get());
    return result;
}

} // namespace

void listDialogs(JSCValue*, const Reply& reply) {
    GtkWindow* main = mainWindow();
    JsonValue dialogs = jsonArray();
    for (GtkWindow* window : toplevelWindows()) {
        if (window != main && gtk_widget_get_visible(GTK_WIDGET(window)))
            append(dialogs.get(), describeDialog(window, main));
    }
    reply.succeed(std::move(dialogs));
}

} // namespace vorl::test_driver
