#pragma once

#include <cassert>
#include <concepts>
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

// The outcome of a call that can fail: its value, or why not. The one way this code reports
// an error that can happen; broken invariants assert instead. Most failures are a Failure, a
// reason in words; one the caller must tell apart carries a type of its own.
template <class T, class E = Failure> class [[nodiscard]] Result {
public:
    Result(T value) : outcome(std::move(value)) {}
    Result(E why) : outcome(std::move(why)) {}

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
    const E& failure() const {
        assert(!*this);
        return *std::get_if<E>(&outcome);
    }
    const std::string& error() const requires std::same_as<E, Failure> { return failure().reason; }

private:
    std::variant<T, E> outcome;
};

// The outcome of a call that gives back nothing but whether it succeeded.
template <class E> class [[nodiscard]] Result<void, E> {
public:
    Result() = default;
    Result(E failed) : why(std::move(failed)) {}

    explicit operator bool() const { return !why; }
    const E& failure() const {
        assert(why);
        return *why;
    }
    const std::string& error() const requires std::same_as<E, Failure> { return failure().reason; }

private:
    std::optional<E> why;
};

} // namespace vorl
