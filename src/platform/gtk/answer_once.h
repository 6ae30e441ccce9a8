#pragma once

#include <functional>
#include <memory>
#include <utility>

namespace vorl {

// An answer given exactly once: the first one given, or whenDropped's when the holder goes
// without one. What WebKit and GTK ask of the application must always be answered, also when
// the completion that would answer it is dropped.
template <class Answer> class AnswerOnce {
public:
    AnswerOnce(std::function<void(Answer)> give, Answer whenDropped)
        : pending(std::move(give)), dropped(std::move(whenDropped)) {}
    AnswerOnce(const AnswerOnce&) = delete;
    AnswerOnce& operator=(const AnswerOnce&) = delete;
    ~AnswerOnce() { answer(std::move(dropped)); }

    void answer(Answer value) {
        if (auto give = std::exchange(pending, nullptr))
            give(std::move(value));
    }

private:
    std::function<void(Answer)> pending;
    Answer dropped;
};

// A completion that answers once through give; when the completion and all its copies go
// unanswered, whenDropped is the answer.
template <class Answer>
std::function<void(Answer)> answeredOnce(std::function<void(Answer)> give, Answer whenDropped) {
    auto once = std::make_shared<AnswerOnce<Answer>>(std::move(give), std::move(whenDropped));
    return [once](Answer value) { once->answer(std::move(value)); };
}

} // namespace vorl
