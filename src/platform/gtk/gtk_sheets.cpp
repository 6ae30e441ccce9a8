#include "gtk_sheets.h"

#include "gobject_ptr.h"

#include <functional>
#include <utility>

namespace vorl {
namespace {

// One open alert: answered from its response, or as cancelled when it is destroyed first. Its
// buttons answer their index as GTK response ids; GTK's own responses are all negative.
struct AlertSheet {
    AlertCompletion completion;
    GtkEditable* field = nullptr;
    int buttonCount = 0;
    bool answered = false;

    void answer(const AlertResult& result) {
        if (!std::exchange(answered, true))
            completion(result);
    }
};

void onAlertResponse(GtkDialog* dialog, int response, gpointer data) {
    auto* sheet = static_cast<AlertSheet*>(data);
    AlertResult result;
    if (response >= 0 && response < sheet->buttonCount) {
        result.button = static_cast<std::size_t>(response);
        // Read while the dialog is whole; once it is being destroyed its entry may be gone.
        if (sheet->field)
            result.accessoryText = gtk_editable_get_text(sheet->field);
    }
    sheet->answer(result);
    gtk_window_destroy(GTK_WINDOW(dialog));
}

void onAlertDestroyed(GtkWidget*, gpointer data) {
    // Destroyed without a response, with its parent: cancelled, and nothing of it is read.
    auto* sheet = static_cast<AlertSheet*>(data);
    sheet->answer(AlertResult{});
    delete sheet;
}

// One open file chooser. The native chooser has no destroy signal of its own, so the sheet
// also watches its parent and answers as cancelled when the parent goes first.
struct ChooserSheet {
    GObjectPtr<GtkFileChooserNative> chooser;
    GObjectPtr<GtkWindow> parent;
    gulong parentDestroyed = 0;
    std::function<void(ModalResponse response, GtkFileChooser*)> finish;

    void answer(int response) {
        if (parentDestroyed)
            g_signal_handler_disconnect(parent.get(), parentDestroyed);
        g_signal_handlers_disconnect_by_data(chooser.get(), this);
        finish(response == GTK_RESPONSE_ACCEPT ? ModalResponse::ok : ModalResponse::cancel,
               GTK_FILE_CHOOSER(chooser.get()));
        gtk_native_dialog_destroy(GTK_NATIVE_DIALOG(chooser.get()));
        delete this;
    }
};

void onChooserResponse(GtkNativeDialog*, int response, gpointer data) {
    static_cast<ChooserSheet*>(data)->answer(response);
}

void onChooserParentDestroyed(GtkWidget*, gpointer data) {
    auto* sheet = static_cast<ChooserSheet*>(data);
    sheet->parentDestroyed = 0; // the handler goes with its instance
    sheet->answer(GTK_RESPONSE_CANCEL);
}

// A button label with its first letter as the keyboard mnemonic.
std::string withMnemonic(const std::string& label) {
    return "_" + label;
}

void beginChooser(GtkWindow* parent, GtkFileChooserAction action, const PanelTexts& texts,
                  const std::function<void(GtkFileChooser*)>& configure,
                  std::function<void(ModalResponse response, GtkFileChooser*)> finish) {
    auto* sheet = new ChooserSheet;
    sheet->chooser = GObjectPtr<GtkFileChooserNative>::adopt(
        gtk_file_chooser_native_new(texts.title.c_str(), parent, action, withMnemonic(texts.prompt).c_str(),
                                    withMnemonic(texts.cancel).c_str()));
    sheet->parent = GObjectPtr<GtkWindow>::retain(parent);
    sheet->finish = std::move(finish);
    configure(GTK_FILE_CHOOSER(sheet->chooser.get()));
    gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(sheet->chooser.get()), TRUE);
    g_signal_connect(sheet->chooser.get(), "response", G_CALLBACK(onChooserResponse), sheet);
    sheet->parentDestroyed = g_signal_connect(parent, "destroy", G_CALLBACK(onChooserParentDestroyed), sheet);
    gtk_native_dialog_show(GTK_NATIVE_DIALOG(sheet->chooser.get()));
}

void setFolder(GtkFileChooser* chooser, const std::optional<std::filesystem::path>& folder) {
    if (!folder)
        return;
    g_autoptr(GFile) directory = g_file_new_for_path(folder->c_str());
    gtk_file_chooser_set_current_folder(chooser, directory, nullptr);
}

std::vector<std::filesystem::path> chosenPaths(GtkFileChooser* chooser) {
    std::vector<std::filesystem::path> paths;
    g_autoptr(GListModel) files = gtk_file_chooser_get_files(chooser);
    for (guint i = 0; i < g_list_model_get_n_items(files); ++i) {
        g_autoptr(GFile) file = G_FILE(g_list_model_get_item(files, i));
        if (g_autofree char* path = g_file_get_path(file))
            paths.emplace_back(path);
    }
    return paths;
}

} // namespace

void beginAlertSheet(GtkWindow* parent, const Alert& alert, AlertCompletion completion) {
    GtkWidget* dialog =
        gtk_message_dialog_new(parent, GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                               alert.style == AlertStyle::warning ? GTK_MESSAGE_WARNING : GTK_MESSAGE_INFO,
                               GTK_BUTTONS_NONE, "%s", alert.messageText.c_str());
    gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s", alert.informativeText.c_str());

    auto* sheet = new AlertSheet{std::move(completion)};
    for (const auto& title : alert.buttons)
        gtk_dialog_add_button(GTK_DIALOG(dialog), title.c_str(), sheet->buttonCount++);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), 0);

    if (alert.accessoryTextField) {
        GtkWidget* entry = gtk_entry_new();
        gtk_editable_set_text(GTK_EDITABLE(entry), alert.accessoryTextField->stringValue.c_str());
        gtk_widget_set_size_request(entry, alert.accessoryTextField->width, alert.accessoryTextField->height);
        gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
        gtk_box_append(GTK_BOX(gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(dialog))), entry);
        sheet->field = GTK_EDITABLE(entry);
    }

    g_signal_connect(dialog, "response", G_CALLBACK(onAlertResponse), sheet);
    g_signal_connect(dialog, "destroy", G_CALLBACK(onAlertDestroyed), sheet);
    gtk_window_present(GTK_WINDOW(dialog));
}

void beginOpenPanelSheet(GtkWindow* parent, const OpenPanel& panel, OpenPanelCompletion completion) {
    bool foldersOnly = panel.canChooseDirectories && !panel.canChooseFiles;
    beginChooser(
        parent, foldersOnly ? GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER : GTK_FILE_CHOOSER_ACTION_OPEN,
        panel.texts,
        [&](GtkFileChooser* chooser) {
            gtk_file_chooser_set_select_multiple(chooser, panel.allowsMultipleSelection);
            gtk_file_chooser_set_create_folders(chooser, panel.canCreateDirectories);
            setFolder(chooser, panel.directory);
        },
        [completion = std::move(completion)](ModalResponse response, GtkFileChooser* chooser) {
            completion(response, response == ModalResponse::ok ? chosenPaths(chooser)
                                                               : std::vector<std::filesystem::path>{});
        });
}

void beginSavePanelSheet(GtkWindow* parent, const SavePanel& panel, SavePanelCompletion completion) {
    beginChooser(
        parent, GTK_FILE_CHOOSER_ACTION_SAVE, panel.texts,
        [&](GtkFileChooser* chooser) {
            gtk_file_chooser_set_create_folders(chooser, panel.canCreateDirectories);
            setFolder(chooser, panel.directory);
            gtk_file_chooser_set_current_name(chooser, panel.nameFieldStringValue.c_str());
        },
        [completion = std::move(completion)](ModalResponse response, GtkFileChooser* chooser) {
            std::optional<std::filesystem::path> chosen;
            if (response == ModalResponse::ok) {
                std::vector<std::filesystem::path> paths = chosenPaths(chooser);
                if (!paths.empty())
                    chosen = paths.front();
            }
            completion(response, chosen);
        });
}

} // namespace vorl
