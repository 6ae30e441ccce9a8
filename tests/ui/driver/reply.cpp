#include "reply.h"

namespace vorl::test_driver {

Answer successAnswer(Json result) {
    return {Json::Object{{"ok", true}, {"result", std::move(result)}}, {}};
}

Answer failureAnswer(const std::string& error) {
    return {Json::Object{{"ok", false}, {"error", error}}, {}};
}

void AnswerSlot::fill(Answer answer) {
    {
        std::lock_guard lock(mutex_);
        if (answer_)
            return;
        answer_ = std::move(answer);
    }
    filled_.notify_all();
}

Answer AnswerSlot::take() {
    std::unique_lock lock(mutex_);
    filled_.wait(lock, [this] { return answer_.has_value(); });
    return std::move(*answer_);
}

class Reply::Keeper {
public:
    explicit Keeper(std::shared_ptr<AnswerSlot> slot) : slot_(std::move(slot)) {}
    Keeper(const Keeper&) = delete;
    Keeper& operator=(const Keeper&) = delete;
    ~Keeper() { slot_->fill(failureAnswer("the command finished without an answer")); }

    AnswerSlot& slot() const { return *slot_; }

private:
    std::shared_ptr<AnswerSlot> slot_;
};

Reply::Reply(std::shared_ptr<AnswerSlot> slot) : keeper_(std::make_shared<Keeper>(std::move(slot))) {}

void Reply::succeed(Json result) const { keeper_->slot().fill(successAnswer(std::move(result))); }

void Reply::succeedThen(Json result, std::function<void()> afterSent) const {
    Answer answer = successAnswer(std::move(result));
    answer.afterSent = std::move(afterSent);
    keeper_->slot().fill(std::move(answer));
}

void Reply::fail(const std::string& error) const { keeper_->slot().fill(failureAnswer(error)); }

} // namespace vorl::test_driver
