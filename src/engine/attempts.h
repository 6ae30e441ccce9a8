#pragma once

#include <utility>

namespace vorl {

// The supervisor's attempts at an engine: each connect, restart or fallback begins one, which
// takes over from every attempt before it. What an earlier attempt began (a probe, a pause, a
// launch) may still answer; its answer is dropped.
class Attempts {
public:
    struct Attempt {
        unsigned number = 0;
    };

    Attempt begin() { return Attempt{++current}; }
    Attempt now() const { return Attempt{current}; }
    bool isCurrent(Attempt attempt) const { return attempt.number == current; }

    // task, for later: it runs only while the attempt current now is still the current one.
    template <class Task> auto whileCurrent(Task task) const {
        return [this, attempt = now(), task = std::move(task)](auto&&... arguments) {
            if (isCurrent(attempt))
                task(std::forward<decltype(arguments)>(arguments)...);
        };
    }

private:
    unsigned current = 0;
};

} // namespace vorl
