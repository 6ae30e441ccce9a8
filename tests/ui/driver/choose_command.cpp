// "choose": picks a path in a file chooser dialog and accepts it.

#include "command_args.h"
#include "command_handlers.h"
#include "gtk_lookup.h"

#include <exception>

namespace vorl::test_driver {

namespace {

constexpr guint pollMilliseconds = 25;
constexpr gint64 applyTimeoutMicroseconds = 10 * G_USEC_PER_SEC;

// GtkFileChooserWidget changes folder and selects asynchronously. Accepting before it has caught up
// accepts the old selection (or nothing) and skips the overwrite check, so the answer waits for it.
struct PendingChoice {
    Reply reply;
    std::string chooserId;
    GObjectPtr<GFile> file;
    gint64 deadline;
};

bool choiceApplied(GtkFileChooser* chooser, GFile* file) {
    g_autoptr(GFile) selected = gtk_file_chooser_get_file(chooser);
    if (selected == nullptr || !g_file_equal(selected, file))
        return false;
    if (gtk_file_chooser_get_action(chooser) != GTK_FILE_CHOOSER_ACTION_SAVE)
        return true;
    // A save dialog reports its old folder joined with the new name until the folder has changed.
    g_autoptr(GFile) folder = gtk_file_chooser_get_current_folder(chooser);
    g_autoptr(GFile) parent = g_file_get_parent(file);
    return folder != nullptr && parent != nullptr && g_file_equal(folder, parent);
}

std::string selectionText(GtkFileChooser* chooser) {
    g_autoptr(GFile) selected = gtk_file_chooser_get_file(chooser);
    g_autofree char* path = selected != nullptr ? g_file_get_path(selected) : nullptr;
    return path != nullptr ? path : "nothing";
}

gboolean acceptWhenApplied(gpointer data) {
    const PendingChoice& choice = *static_cast<PendingChoice*>(data);
    try {
        GtkWindow* window = windowWithId(choice.chooserId);
        if (window == nullptr) {
            choice.reply.fail("the file chooser closed before the choice was made");
            return G_SOURCE_REMOVE;
        }
        GtkFileChooser* chooser = GTK_FILE_CHOOSER(window);
        if (choiceApplied(chooser, choice.file.get())) {
            gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_ACCEPT);
            choice.reply.succeed();
            return G_SOURCE_REMOVE;
        }
        if (g_get_monotonic_time() < choice.deadline)
            return G_SOURCE_CONTINUE;
        choice.reply.fail("the file chooser did not take the path (it has " + selectionText(chooser) + ")");
    } catch (const std::exception& error) {
        choice.reply.fail(error.what());
    }
    return G_SOURCE_REMOVE;
}

void releaseChoice(gpointer data) {
    delete static_cast<PendingChoice*>(data);
}

void placeChoice(GtkFileChooser* chooser, GFile* file) {
    g_autoptr(GError) error = nullptr;
    if (gtk_file_chooser_get_action(chooser) == GTK_FILE_CHOOSER_ACTION_SAVE) {
        // set_file only names files that already exist, and a save target usually does not.
        g_autoptr(GFile) parent = g_file_get_parent(file);
        g_autofree char* name = g_file_get_basename(file);
        if (parent == nullptr)
            throw CommandError("a file to save needs a folder");
        gtk_file_chooser_set_current_folder(chooser, parent, &error);
        gtk_file_chooser_set_current_name(chooser, name);
    } else {
        gtk_file_chooser_set_file(chooser, file, &error);
    }
    if (error != nullptr)
        throw CommandError(error->message);
}

} // namespace

void chooseFile(JSCValue* request, const Reply& reply) {
    GtkWindow* window = requireWindow(request);
    const std::string path = stringArgument(request, "path");
    if (!GTK_IS_FILE_CHOOSER_DIALOG(window))
        throw CommandError("this window is not a file chooser");
    auto file = GObjectPtr<GFile>::adopt(g_file_new_for_path(path.c_str()));
    placeChoice(GTK_FILE_CHOOSER(window), file.get());
    // Owned by the polling source until it is removed.
    auto* choice = new PendingChoice{reply, windowId(window), std::move(file),
                                     g_get_monotonic_time() + applyTimeoutMicroseconds};
    g_timeout_add_full(G_PRIORITY_DEFAULT, pollMilliseconds, acceptWhenApplied, choice, releaseChoice);
}

} // namespace vorl::test_driver
