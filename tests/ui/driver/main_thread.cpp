#include "main_thread.h"

#include <exception>
#include <glib.h>

namespace vorl::test_driver {

namespace {

gboolean runTask(gpointer data) {
    try {
        (*static_cast<std::function<void()>*>(data))();
    } catch (const std::exception& error) {
        g_warning("vorl test driver: %s", error.what());
    } catch (...) {
        g_warning("vorl test driver: unknown exception in a main-thread task");
    }
    return G_SOURCE_REMOVE;
}

void deleteTask(gpointer data) {
    delete static_cast<std::function<void()>*>(data);
}

} // namespace

void runOnMainThread(std::function<void()> task) {
    g_main_context_invoke_full(nullptr, G_PRIORITY_DEFAULT, runTask,
                               new std::function<void()>(std::move(task)), deleteTask);
}

} // namespace vorl::test_driver
