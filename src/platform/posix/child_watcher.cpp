#include "child_watcher.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <map>
#include <memory>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vorl {
namespace {

using Clock = std::chrono::steady_clock;

// How long the guard may take to write out a child's output, and to end a group it was told to
// end: the grace period, and a few seconds for a machine that is busy.
constexpr auto flushTime = std::chrono::seconds(1);
constexpr auto endTime = groupGracePeriod + std::chrono::seconds(5);
// Without a process descriptor (a kernel before 5.3), or without a wake-up, a look this often.
constexpr int lookMilliseconds = 100;

} // namespace

void Outbox::post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex);
        if (queue)
            return queue->async(std::move(task));
    }
    // Dropped outside the lock: what the task holds may post once more as it goes.
    task = nullptr;
}

void Outbox::close() {
    std::lock_guard lock(mutex);
    queue = nullptr;
}

// Unreaped, an ended child's id, which names its group too, cannot be taken by another process
// while the guard may still signal that group.
std::optional<ProcessEnding> endingOf(pid_t pid) {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return ProcessEnding{ProcessEnding::Reason::exit, 0}; // no such child any more
    if (info.si_pid == 0)
        return std::nullopt;
    if (info.si_code == CLD_EXITED)
        return ProcessEnding{ProcessEnding::Reason::exit, info.si_status};
    return ProcessEnding{ProcessEnding::Reason::uncaughtSignal, info.si_status};
}

// A child as the watcher's thread has it; nobody else touches it.
struct ChildWatcher::Watched {
    enum class Stage {
        running,  // waiting for its end
        flushing, // ended: the guard writes out its output
        ended,    // reported; waiting to be let go
        ending,   // let go: the guard ends its group
        killing,  // let go, with its guard gone: the watcher ends the group itself
        reaping,  // the guard is done with the group: the child is reaped as soon as it has ended
        done,
    };

    Watched(pid_t child, GroupGuard& groupGuard, std::function<void(ProcessEnding)> report)
        : pid(child), guard(std::move(groupGuard)), ended(std::move(report)),
          endSignal(static_cast<int>(::syscall(SYS_pidfd_open, child, 0))) {}

    pid_t pid;
    GroupGuard guard;
    std::function<void(ProcessEnding)> ended;
    FileDescriptor endSignal; // the child's process descriptor; empty on an old kernel
    Stage stage = Stage::running;
    bool released = false;
    std::optional<ProcessEnding> ending;
    Clock::time_point deadline;

    // The next step, as far as it can be taken now without waiting.
    void advance() {
        if (stage == Stage::running && (ending = endingOf(pid))) {
            stage = Stage::flushing;
            deadline = Clock::now() + flushTime;
            if (!guard.say(GUARD_FLUSH))
                flushed();
        }
        if (stage == Stage::flushing || stage == Stage::ending) {
            GroupGuard::Heard heard = guard.listen();
            bool answered =
                std::find(heard.lines.begin(), heard.lines.end(),
                          stage == Stage::flushing ? GUARD_FLUSHED : GUARD_GONE) != heard.lines.end();
            if (stage == Stage::flushing && (answered || heard.closed || Clock::now() >= deadline))
                flushed();
            else if (stage == Stage::ending && answered)
                stage = Stage::reaping;
            else if (stage == Stage::ending && heard.closed)
                endGroupItself();
            else if (stage == Stage::ending && Clock::now() >= deadline)
                stage = Stage::done; // a guard that stays silent is left with the group, unreaped
        }
        if (stage == Stage::killing && Clock::now() >= deadline) {
            ::kill(-pid, SIGKILL);
            stage = Stage::reaping;
        }
        if (stage == Stage::reaping && endingOf(pid)) {
            ::waitpid(pid, nullptr, WNOHANG);
            stage = Stage::done;
        }
    }

    void release() {
        released = true;
        if (stage == Stage::running || stage == Stage::ended)
            end();
    }

    void flushed() {
        stage = Stage::ended;
        if (!released)
            ended(*ending);
        else
            end();
    }

    void end() {
        stage = Stage::ending;
        deadline = Clock::now() + endTime;
        if (!guard.say(GUARD_END))
            endGroupItself();
    }

    // A guard that has gone ends the group no more: the watcher does as the guard would have,
    // SIGTERM now and SIGKILL after the grace period. The leader, unreaped until then, keeps the
    // group's id from going to another process.
    void endGroupItself() {
        ::kill(-pid, SIGTERM);
        stage = Stage::killing;
        deadline = Clock::now() + groupGracePeriod;
    }

    // What the thread waits on for this child, and until when at most.
    std::optional<int> descriptor() const {
        if (stage == Stage::running && endSignal)
            return endSignal.get();
        if (stage == Stage::flushing || stage == Stage::ending)
            return guard.descriptor();
        return std::nullopt;
    }
    std::optional<Clock::time_point> wakeBy() const {
        if (stage == Stage::flushing || stage == Stage::ending || stage == Stage::killing)
            return deadline;
        if ((stage == Stage::running && !endSignal) || stage == Stage::reaping)
            return Clock::now() + std::chrono::milliseconds(lookMilliseconds);
        return std::nullopt;
    }
};

struct ChildWatcher::Mail {
    ChildId id;
    std::unique_ptr<Watched> arriving; // a new child, or
    Word word = Word::terminated;      // a word for the guard of one already watched
};

ChildWatcher::ChildWatcher() : wakeUp(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    thread = std::thread([this] { run(); });
}

ChildWatcher::~ChildWatcher() {
    stop();
}

std::optional<ChildWatcher::ChildId> ChildWatcher::watch(pid_t child, GroupGuard& guard,
                                                         std::function<void(ProcessEnding)> ended) {
    std::lock_guard lock(mutex);
    if (stopping)
        return std::nullopt;
    ChildId id = ++lastId;
    mail.push_back(Mail{id, std::make_unique<Watched>(child, guard, std::move(ended))});
    wake();
    return id;
}

void ChildWatcher::tell(ChildId child, Word word) {
    std::lock_guard lock(mutex);
    if (stopping)
        return;
    mail.push_back(Mail{child, nullptr, word});
    wake();
}

void ChildWatcher::stop() {
    {
        std::lock_guard lock(mutex);
        if (stopping)
            return;
        stopping = true;
        wake();
    }
    thread.join();
}

void ChildWatcher::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(wakeUp.get(), &one, sizeof one);
}

void ChildWatcher::run() {
    std::map<ChildId, std::unique_ptr<Watched>> children;
    for (;;) {
        std::vector<Mail> taken;
        bool stopped;
        {
            std::lock_guard lock(mutex);
            taken = std::move(mail);
            mail.clear();
            stopped = stopping;
        }
        for (Mail& letter : taken) {
            if (letter.arriving) {
                children.emplace(letter.id, std::move(letter.arriving));
                continue;
            }
            auto child = children.find(letter.id);
            if (child == children.end() || child->second->released)
                continue;
            if (letter.word == Word::terminated)
                child->second->guard.say(GUARD_TERMINATED);
            else
                child->second->release();
        }
        if (stopped) {
            // The children's channels close with them: their guards end the groups. A group
            // whose guard has gone gets at least its SIGTERM.
            for (auto& [id, child] : children)
                if (child->stage == Watched::Stage::running && child->guard.listen().closed)
                    ::kill(-child->pid, SIGTERM);
            return;
        }

        std::vector<pollfd> ready{{wakeUp.get(), POLLIN, 0}};
        std::optional<Clock::time_point> wakeBy;
        for (auto it = children.begin(); it != children.end();) {
            Watched& child = *it->second;
            child.advance();
            if (child.stage == Watched::Stage::done) {
                it = children.erase(it);
                continue;
            }
            if (std::optional<int> descriptor = child.descriptor())
                ready.push_back(pollfd{*descriptor, POLLIN, 0});
            if (std::optional<Clock::time_point> by = child.wakeBy())
                wakeBy = wakeBy ? std::min(*wakeBy, *by) : *by;
            ++it;
        }
        int timeout = -1;
        if (wakeBy)
            timeout = static_cast<int>(std::clamp<long>(
                std::chrono::ceil<std::chrono::milliseconds>(*wakeBy - Clock::now()).count(), 0, 60000));
        if (!wakeUp)
            timeout = timeout < 0 ? lookMilliseconds : std::min(timeout, lookMilliseconds);
        if (::poll(ready.data(), ready.size(), timeout) > 0 && ready[0].revents) {
            std::uint64_t count;
            [[maybe_unused]] ssize_t got = ::read(wakeUp.get(), &count, sizeof count);
        }
    }
}

} // namespace vorl
