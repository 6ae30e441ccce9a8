#pragma once

#include "json.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace vorl::test_driver {

// One answer, written out as its JSON line on the main thread (the socket thread only sends the text),
// plus work for the main thread to do once that line has been sent (used when the work may end the
// process, so the client still gets its answer).
struct Answer {
    std::string line; // without its newline
    std::function<void()> afterSent;
};

// Hands an answer from the GTK main thread to the socket thread waiting for it.
class AnswerSlot {
public:
    // The first answer wins; later ones are dropped.
    void fill(Answer answer);
    // Blocks until an answer is there.
    Answer take();

private:
    std::mutex mutex;
    std::condition_variable filled;
    std::optional<Answer> given;
};

// The main thread's handle on a pending command; it and its copies live on the main thread only.
// Copies share the command: the first answer wins, and when the last copy goes away unanswered the
// command fails rather than leaving the client waiting. Answering never throws, so GLib callbacks may
// answer without guarding against exceptions. An empty result is answered as null.
class Reply {
public:
    explicit Reply(std::shared_ptr<AnswerSlot> slot);

    void succeed(JsonValue result = {}) const noexcept;
    void succeedThen(JsonValue result, std::function<void()> afterSent) const noexcept;
    void fail(std::string_view error) const noexcept;

private:
    class Keeper;
    std::shared_ptr<Keeper> keeper;
};

} // namespace vorl::test_driver
