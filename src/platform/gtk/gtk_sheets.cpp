#include "gtk_sheets.h"

#include "answer_once.h"

#include <memory>
#include <utility>

namespace vorl {
namespace {

// GTK's own responses are all negative; alert buttons answer their index.
constexpr int dismissed = GTK_RESPONSE_NONE;

// A dialog's answer: the dialog, whole, with its response; or no dialog and `dismissed` when
// it was destroyed first, when nothing of it may be read.
using DialogAnswer = std::pair<GtkDialog*, int>;

// One shown dialog, answered once: from its response, or as dismissed when it goes first.
struct DialogSheet {
    AnswerOnce<DialogAnswer> answer;
    std::shared_ptr<GtkWindow*> shown; // cleared when the dialog goes
};

void onSheetResponse(GtkDialog* dialog, int response, gpointer data) {
    static_cast<DialogSheet*>(data)->answer.answer({dialog, response});
    gtk_window_destroy(GTK_WINDOW(dialog));
}

void onSheetDestroyed(GtkWidget*, gpointer data) {
    auto* sheet = static_cast<DialogSheet*>(data);
    *sheet->shown = nullptr;
    delete sheet; // answers as dismissed, unless answered already
}

SheetQueue::Dismiss present(const SheetParent& parent, GtkWidget* dialog,
                            std::function<void(GtkDialog* dialog, int response)> answer) {
    GtkWindow* window = GTK_WINDOW(dialog);
    gtk_window_set_transient_for(window, parent.window);
    gtk_window_set_modal(window, TRUE);
    gtk_window_set_destroy_with_parent(window, TRUE);
    keepApplicationUsable(window, parent.shortcuts);
    auto* sheet = new DialogSheet{
        AnswerOnce<DialogAnswer>(
            [answer = std::move(answer)](DialogAnswer given) { answer(given.first, given.second); },
            DialogAnswer{nullptr, dismissed}),
        std::make_shared<GtkWindow*>(window)};
    g_signal_connect(dialog, "response", G_CALLBACK(onSheetResponse), sheet);
    g_signal_connect(dialog, "destroy", G_CALLBACK(onSheetDestroyed), sheet);
    gtk_window_present(window);
    return [shown = sheet->shown] {
        if (GtkWindow* open = *shown)
            gtk_window_destroy(open);
    };
}

// A button label with its first letter as the keyboard mnemonic.
std::string withMnemonic(const std::string& label) {
    return "_" + label;
}

GtkWidget* newChooser(const SheetParent& parent, GtkFileChooserAction action, const PanelTexts& texts) {
    // The dialog itself rather than GtkFileChooserNative, which shows the same dialog outside a
    // sandbox but keeps it out of reach: its window group and shortcuts are set here.
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        texts.title.c_str(), parent.window, action, withMnemonic(texts.cancel).c_str(), GTK_RESPONSE_CANCEL,
        withMnemonic(texts.prompt).c_str(), GTK_RESPONSE_ACCEPT, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    return dialog;
}

void setFolder(GtkFileChooser* chooser, const std::optional<std::filesystem::path>& folder) {
    if (!folder)
        return;
    g_autoptr(GFile) directory = g_file_new_for_path(folder->c_str());
    gtk_file_chooser_set_current_folder(chooser, directory, nullptr);
}

// A label of the alert's own below its message, wrapped as the message is.
GtkWidget* newLabel(const std::string& text) {
    GtkWidget* label = gtk_label_new(text.c_str());
    gtk_label_set_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(label), 80);
    return label;
}

std::vector<std::filesystem::path> chosenPaths(GtkDialog* dialog) {
    std::vector<std::filesystem::path> paths;
    g_autoptr(GListModel) files = gtk_file_chooser_get_files(GTK_FILE_CHOOSER(dialog));
    for (guint i = 0; i < g_list_model_get_n_items(files); ++i) {
        g_autoptr(GFile) file = G_FILE(g_list_model_get_item(files, i));
        if (g_autofree char* path = g_file_get_path(file))
            paths.emplace_back(path);
    }
    return paths;
}

} // namespace

void keepApplicationUsable(GtkWindow* window, GListModel* shortcuts) {
    // A modal window blocks every other window of its group; in a group of its own it blocks
    // none, so the main window's menu bar keeps working. The window owns the group from here.
    g_autoptr(GtkWindowGroup) group = gtk_window_group_new();
    gtk_window_group_add_window(group, window);
    GtkEventController* controller = gtk_shortcut_controller_new_for_model(shortcuts);
    gtk_widget_add_controller(GTK_WIDGET(window), controller);
}

SheetQueue::Dismiss beginAlertSheet(const SheetParent& parent, const Alert& alert,
                                    AlertCompletion completion) {
    GtkWidget* dialog =
        gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL,
                               alert.style == AlertStyle::warning ? GTK_MESSAGE_WARNING : GTK_MESSAGE_INFO,
                               GTK_BUTTONS_NONE, "%s", alert.messageText.c_str());
    gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s", alert.informativeText.c_str());
    int buttonCount = 0;
    for (const auto& title : alert.buttons)
        gtk_dialog_add_button(GTK_DIALOG(dialog), title.c_str(), buttonCount++);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), 0);

    GtkBox* messageArea = GTK_BOX(gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(dialog)));
    if (!alert.note.empty())
        gtk_box_append(messageArea, newLabel(alert.note));
    if (!alert.excerpt.empty()) {
        GtkWidget* excerpt = newLabel(alert.excerpt);
        gtk_label_set_selectable(GTK_LABEL(excerpt), TRUE);
        gtk_label_set_wrap_mode(GTK_LABEL(excerpt), PANGO_WRAP_WORD_CHAR);
        gtk_label_set_xalign(GTK_LABEL(excerpt), 0);
        gtk_widget_add_css_class(excerpt, "monospace");
        gtk_box_append(messageArea, excerpt);
    }

    GtkEditable* field = nullptr;
    if (alert.accessoryTextField) {
        GtkWidget* entry = gtk_entry_new();
        gtk_editable_set_text(GTK_EDITABLE(entry), alert.accessoryTextField->stringValue.c_str());
        gtk_widget_set_size_request(entry, alert.accessoryTextField->width, alert.accessoryTextField->height);
        gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
        gtk_box_append(messageArea, entry);
        field = GTK_EDITABLE(entry);
    }

    return present(parent, dialog,
                   [completion = std::move(completion), buttonCount, field](GtkDialog*, int response) {
                       if (response < 0 || response >= buttonCount)
                           return answerCancelled(completion);
                       // Read only on a response, while the dialog is whole; the field goes with it.
                       AlertResult result;
                       result.button = static_cast<std::size_t>(response);
                       if (field)
                           result.accessoryText = gtk_editable_get_text(field);
                       completion(result);
                   });
}

SheetQueue::Dismiss beginOpenPanelSheet(const SheetParent& parent, const OpenPanel& panel,
                                        OpenPanelCompletion completion) {
    bool foldersOnly = panel.canChooseDirectories && !panel.canChooseFiles;
    GtkWidget* dialog =
        newChooser(parent, foldersOnly ? GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER : GTK_FILE_CHOOSER_ACTION_OPEN,
                   panel.texts);
    auto* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_select_multiple(chooser, panel.allowsMultipleSelection);
    gtk_file_chooser_set_create_folders(chooser, panel.canCreateDirectories);
    setFolder(chooser, panel.directory);
    return present(parent, dialog, [completion = std::move(completion)](GtkDialog* shown, int response) {
        if (response != GTK_RESPONSE_ACCEPT)
            return answerCancelled(completion);
        completion(ModalResponse::ok, chosenPaths(shown));
    });
}

SheetQueue::Dismiss beginSavePanelSheet(const SheetParent& parent, const SavePanel& panel,
                                        SavePanelCompletion completion) {
    GtkWidget* dialog = newChooser(parent, GTK_FILE_CHOOSER_ACTION_SAVE, panel.texts);
    auto* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_create_folders(chooser, panel.canCreateDirectories);
    setFolder(chooser, panel.directory);
    gtk_file_chooser_set_current_name(chooser, panel.nameFieldStringValue.c_str());
    return present(parent, dialog, [completion = std::move(completion)](GtkDialog* shown, int response) {
        if (response != GTK_RESPONSE_ACCEPT)
            return answerCancelled(completion);
        std::optional<std::filesystem::path> chosen;
        if (std::vector<std::filesystem::path> paths = chosenPaths(shown); !paths.empty())
            chosen = paths.front();
        completion(ModalResponse::ok, chosen);
    });
}

} // namespace vorl
