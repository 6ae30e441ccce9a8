#include "fake_time.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace vorl::fake {
namespace {

// A fixed start, so that dates in logs are predictable: 2026-03-04 05:06:07 UTC.
const Date origin = std::chrono::sys_days{std::chrono::year{2026} / 3 / 4} + std::chrono::hours{5} +
                    std::chrono::minutes{6} + std::chrono::seconds{7};

} // namespace

VirtualTime::~VirtualTime() {
    std::vector<Task> dropped;
    {
        std::lock_guard lock(mutex);
        closed = true;
        dropped = std::move(tasks);
    }
}

Date VirtualTime::now() const {
    std::lock_guard lock(mutex);
    return origin + std::chrono::duration_cast<Date::duration>(std::chrono::duration<double>(current));
}

Seconds VirtualTime::elapsed() const {
    std::lock_guard lock(mutex);
    return current;
}

void VirtualTime::async(std::function<void()> task) {
    asyncAfter(0, std::move(task));
}

void VirtualTime::asyncAfter(Seconds delay, std::function<void()> task) {
    std::lock_guard lock(mutex);
    if (!closed)
        tasks.push_back(Task{current + delay, nextSequence++, std::move(task)});
}

bool VirtualTime::runNextDueBy(Seconds limit) {
    std::function<void()> work;
    {
        std::lock_guard lock(mutex);
        auto next = std::min_element(tasks.begin(), tasks.end(), [](const Task& a, const Task& b) {
            return a.due != b.due ? a.due < b.due : a.sequence < b.sequence;
        });
        if (next == tasks.end() || next->due > limit)
            return false;
        current = std::max(current, next->due);
        work = std::move(next->work);
        tasks.erase(next);
    }
    work();
    return true;
}

void VirtualTime::runUntilIdle() {
    while (runNextDueBy(elapsed())) {
    }
}

void VirtualTime::advance(Seconds seconds) {
    Seconds target = elapsed() + seconds;
    while (runNextDueBy(target)) {
    }
    std::lock_guard lock(mutex);
    current = target;
}

bool VirtualTime::runUntil(const std::function<bool()>& condition, Seconds realTimeout) {
    auto start = std::chrono::steady_clock::now();
    Seconds virtualStart = elapsed();
    while (!condition()) {
        Seconds realElapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (realElapsed > realTimeout)
            return false;
        // Virtual time keeps pace with real time here, so that delayed tasks come due while
        // the test waits for real processes and servers.
        if (!runNextDueBy(virtualStart + realElapsed)) {
            {
                std::lock_guard lock(mutex);
                current = std::max(current, virtualStart + realElapsed);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    return true;
}

size_t VirtualTime::pendingTasks() const {
    std::lock_guard lock(mutex);
    return tasks.size();
}

} // namespace vorl::fake
