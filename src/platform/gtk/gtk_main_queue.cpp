#include "gtk_main_queue.h"

#include <cmath>

namespace vorl {

struct GtkMainQueue::Task {
    GtkMainQueue* queue;
    GSource* source;
    std::function<void()> work;
};

GtkMainQueue::~GtkMainQueue() {
    std::set<GSource*> dropped;
    {
        std::lock_guard lock(mutex);
        closed = true;
        dropped = std::move(pending);
    }
    // Outside the lock: what a dropped task holds may, going, post to the queue once more.
    for (GSource* source : dropped) {
        g_source_destroy(source);
        g_source_unref(source);
    }
}

void GtkMainQueue::async(std::function<void()> task) {
    schedule(g_idle_source_new(), std::move(task));
}

void GtkMainQueue::asyncAfter(Seconds delay, std::function<void()> task) {
    auto milliseconds = static_cast<guint>(std::lround(std::max(delay, 0.0) * 1000));
    schedule(g_timeout_source_new(milliseconds), std::move(task));
}

void GtkMainQueue::schedule(GSource* source, std::function<void()> work) {
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    {
        std::lock_guard lock(mutex);
        if (!closed) {
            auto* task = new Task{this, source, std::move(work)};
            g_source_set_callback(source, run, task, [](gpointer data) { delete static_cast<Task*>(data); });
            pending.insert(source);
            g_source_attach(source, nullptr);
            return;
        }
    }
    g_source_unref(source); // the queue is going: the task is dropped, outside the lock
}

gboolean GtkMainQueue::run(gpointer data) {
    auto* task = static_cast<Task*>(data);
    {
        std::lock_guard lock(task->queue->mutex);
        task->queue->pending.erase(task->source);
    }
    g_source_unref(task->source); // the context holds its own reference while dispatching
    task->work();
    return G_SOURCE_REMOVE;
}

} // namespace vorl
