#pragma once

#include <mutex>
#include <optional>
#include <utility>

namespace vorl {

// A value that another thread leaves for the main thread, which takes a copy whenever it looks:
// nothing until it has been left.
template <class T> class Handoff {
public:
    void leave(T value) {
        std::lock_guard lock(mutex);
        left = std::move(value);
    }
    std::optional<T> look() const {
        std::lock_guard lock(mutex);
        return left;
    }

private:
    mutable std::mutex mutex;
    std::optional<T> left; // guarded by mutex
};

} // namespace vorl
