#include "reply.h"

namespace vorl::test_driver {

namespace {

Answer successAnswer(const JsonValue& result) {
    const JsonValue message = jsonObject();
    setMember(message.get(), "ok", true);
    setMember(message.get(), "result", result);
    return {toJson(message), {}};
}

Answer failureAnswer(std::string_view error) {
    const JsonValue message = jsonObject();
    setMember(message.get(), "ok", false);
    setMember(message.get(), "error", std::string(error));
    return {toJson(message), {}};
}

} // namespace

void AnswerSlot::fill(Answer answer) {
    {
        std::lock_guard lock(mutex);
        if (given)
            return;
        given = std::move(answer);
    }
    filled.notify_all();
}

Answer AnswerSlot::take() {
    std::unique_lock lock(mutex);
    filled.wait(lock, [this] { return given.has_value(); });
    return std::move(*given);
}

class Reply::Keeper {
public:
    explicit Keeper(std::shared_ptr<AnswerSlot> answerSlot) : slot(std::move(answerSlot)) {}
    Keeper(const Keeper&) = delete;
    Keeper& operator=(const Keeper&) = delete;
    ~Keeper() {
        answer([] { return failureAnswer("the command finished without an answer"); });
    }

    // Builds and hands over an answer. Should building it fail (no memory, a value JSON cannot
    // express), the answer is dropped and this keeper's destructor tries again with its own.
    template <typename Build> void answer(const Build& build) const noexcept {
        try {
            slot->fill(build());
        } catch (...) {
        }
    }

private:
    std::shared_ptr<AnswerSlot> slot;
};

Reply::Reply(std::shared_ptr<AnswerSlot> slot) : keeper(std::make_shared<Keeper>(std::move(slot))) {}

void Reply::succeed(JsonValue result) const noexcept {
    keeper->answer([&] { return successAnswer(result); });
}

void Reply::succeedThen(JsonValue result, std::function<void()> afterSent) const noexcept {
    keeper->answer([&] {
        Answer answer = successAnswer(result);
        answer.afterSent = std::move(afterSent);
        return answer;
    });
}

void Reply::fail(std::string_view error) const noexcept {
    keeper->answer([&] { return failureAnswer(error); });
}

} // namespace vorl::test_driver
