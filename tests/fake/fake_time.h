#pragma once

#include "platform/clock.h"
#include "platform/main_queue.h"

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vorl::fake {

// Virtual time: a main queue whose delayed tasks run when the test moves the clock, so that
// a 45-second limit passes in microseconds. Tasks may be posted from any thread.
class VirtualTime final : public MainQueue, public Clock {
public:
    VirtualTime() = default;
    VirtualTime(const VirtualTime&) = delete;
    VirtualTime& operator=(const VirtualTime&) = delete;
    // Drops the tasks still pending; what they hold may post again while going, and is dropped too.
    ~VirtualTime() override;

    Date now() const override;
    Seconds elapsed() const; // since the start of the test

    void async(std::function<void()> task) override;
    void asyncAfter(Seconds delay, std::function<void()> task) override;
    // The test's own thread, which made the queue and runs its tasks.
    bool isMainThread() const override { return std::this_thread::get_id() == testThread; }

    // Runs every task that is due now, including those they post for now; time stands still.
    void runUntilIdle();
    // Moves the clock forward by seconds, running each task when its time comes.
    void advance(Seconds seconds);
    // Runs tasks until condition holds, with the clock moving in step with real time, for
    // tests that wait on real processes and servers. False when realTimeout passes first.
    bool runUntil(const std::function<bool()>& condition, Seconds realTimeout = 10.0);

    size_t pendingTasks() const;

private:
    struct Task {
        Seconds due;
        unsigned long sequence;
        std::function<void()> work;
    };
    bool runNextDueBy(Seconds limit);

    mutable std::mutex mutex;
    Seconds current = 0;
    unsigned long nextSequence = 0;
    std::vector<Task> tasks;
    bool closed = false;
    const std::thread::id testThread = std::this_thread::get_id();
};

} // namespace vorl::fake
