#pragma once

#include "platform/main_queue.h"

#include <glib.h>

#include <mutex>
#include <set>
#include <thread>

namespace vorl {

// Tasks as sources on GLib's default main context, at default priority so that they run
// between input and redraws like any other event. Tasks still pending when the queue goes,
// and tasks posted while it goes, are dropped.
class GtkMainQueue final : public MainQueue {
public:
    GtkMainQueue() = default;
    GtkMainQueue(const GtkMainQueue&) = delete;
    GtkMainQueue& operator=(const GtkMainQueue&) = delete;
    ~GtkMainQueue() override;

    void async(std::function<void()> task) override;
    void asyncAfter(Seconds delay, std::function<void()> task) override;
    bool isMainThread() const override { return std::this_thread::get_id() == mainThread; }

private:
    struct Task;
    void schedule(GSource* source, std::function<void()> work);
    static gboolean run(gpointer data);

    std::mutex mutex;
    std::set<GSource*> pending; // each holds a reference until it has run
    bool closed = false;        // once the queue is going, tasks are dropped
    const std::thread::id mainThread = std::this_thread::get_id(); // made by the process entry
};

} // namespace vorl
