#pragma once

#include "values.h"

#include <functional>

namespace vorl {

// The queue of work that runs on the main thread, between the event loop's other events.
// Both calls may be made from any thread; the task always runs later, never inside the call.
class MainQueue {
public:
    virtual ~MainQueue() = default;
    virtual void async(std::function<void()> task) = 0;
    virtual void asyncAfter(Seconds delay, std::function<void()> task) = 0;
    // Whether the caller runs on the main thread, where the tasks run.
    virtual bool isMainThread() const = 0;
};

} // namespace vorl
