#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace vorl {

// Why something failed, in the words the user will read (the system's own description of an
// error, as strerror gives it, for one).
struct Failure {
    std::string reason;
};

// The outcome of a call that can fail: its value, or the failure. The one way this code
// reports an error that can happen; broken invariants assert instead.
template <class T> class [[nodiscard]] Result {
public:
    Result(T value) : outcome(std::move(value)) {}
    Result(Failure why) : outcome(std::move(why)) {}

    explicit operator bool() const { return outcome.index() == 0; }
    T& operator*() {
        assert(*this);
        return *std::get_if<T>(&outcome);
    }
    const T& operator*() const {
        assert(*this);
        return *std::get_if<T>(&outcome);
    }
    T* operator->() { return &**this; }
    const T* operator->() const { return &**this; }
    const std::string& error() const {
        assert(!*this);
        return std::get_if<Failure>(&outcome)->reason;
    }

private:
    std::variant<T, Failure> outcome;
};

// The outcome of a call that gives back nothing but whether it succeeded.
template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure why) : failure(std::move(why)) {}

    explicit operator bool() const { return !failure; }
    const std::string& error() const {
        assert(failure);
        return failure->reason;
    }

private:
    std::optional<Failure> failure;
};

} // namespace vorl
