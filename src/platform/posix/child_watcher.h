#pragma once

#include "group_guard.h"
#include "platform/main_queue.h"
#include "platform/process.h"

#include <functional>
#include <mutex>
#include <optional>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace vorl {

// How the child ended, as the system reports it without reaping it; nothing while it runs.
std::optional<ProcessEnding> endingOf(pid_t pid);

// Posts tasks to the main queue from any thread, for as long as its owner lets it: once closed,
// what is posted is dropped. Threads that may outlive the queue's owner post through it.
class Outbox {
public:
    explicit Outbox(MainQueue& mainQueue) : queue(&mainQueue) {}
    void post(std::function<void()> task);
    void close();

private:
    std::mutex mutex;
    MainQueue* queue; // guarded by mutex; none once closed
};

// The one thread that holds the guard's channel of every child once it runs, and the only one
// that uses it. It hears of a child's end on its process descriptor, has the guard write out
// what the child left in its output, and then reports the ending. It passes on what the
// application tells a guard. Once the application lets go of a child, it has the guard end the
// child's group and reaps the child when the guard says the group is gone; where the guard has
// gone, it ends the group itself, as the guard would have. It never waits but
// for its channels, the children's descriptors and its own wake-up, so that stopping it is quick.
class ChildWatcher {
public:
    enum class Word {
        terminated, // the application has sent the child's group SIGTERM itself
        release,    // the application lets go of the child
    };
    using ChildId = unsigned;

    ChildWatcher();
    ChildWatcher(const ChildWatcher&) = delete;
    ChildWatcher& operator=(const ChildWatcher&) = delete;
    ~ChildWatcher();

    // Watches child, whose group guard has. ended runs on the watcher's thread once the child
    // has ended and the guard has written its output, unless the child was let go before.
    // Nothing once the watcher has stopped: the caller keeps the guard, and with it the child.
    std::optional<ChildId> watch(pid_t child, GroupGuard& guard, std::function<void(ProcessEnding)> ended);
    // Tells the guard of a child; from any thread. Dropped once the watcher has stopped.
    void tell(ChildId child, Word word);
    // Says what it was told to the guards, then stops. The guards of the children still watched
    // see their channels end and end the groups themselves, as after the application's end.
    void stop();

private:
    struct Watched;
    struct Mail;
    void run();
    void wake();

    std::mutex mutex;
    std::vector<Mail> mail; // guarded by mutex: for the watcher's thread to take
    bool stopping = false;  // guarded by mutex
    ChildId lastId = 0;     // guarded by mutex
    FileDescriptor wakeUp;  // an eventfd; written to when there is mail
    std::thread thread;
};

} // namespace vorl
