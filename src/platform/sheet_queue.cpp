#include "sheet_queue.h"

namespace vorl {

struct SheetQueue::State {
    struct Waiting {
        Begin begin;
        std::function<void()> cancel;
    };
    std::deque<Waiting> waiting;
    bool showing = false;
    bool closed = false;
};

SheetQueue::SheetQueue() : state_(std::make_shared<State>()) {}

SheetQueue::~SheetQueue() {
    close();
}

void SheetQueue::add(Begin begin, std::function<void()> cancel) {
    if (state_->closed)
        return cancel();
    state_->waiting.push_back(State::Waiting{std::move(begin), std::move(cancel)});
    beginNext(state_);
}

void SheetQueue::close() {
    state_->closed = true;
    std::deque<State::Waiting> cancelled = std::move(state_->waiting);
    state_->waiting.clear();
    for (State::Waiting& sheet : cancelled)
        sheet.cancel();
}

void SheetQueue::beginNext(const std::shared_ptr<State>& state) {
    // A sheet may end within its own begin; the next one then starts from this loop rather
    // than from inside that call.
    while (!state->showing && !state->waiting.empty()) {
        State::Waiting next = std::move(state->waiting.front());
        state->waiting.pop_front();
        state->showing = true;
        struct Turn {
            bool beginning = true;
            bool ended = false;
        };
        auto turn = std::make_shared<Turn>();
        next.begin([weakState = std::weak_ptr<State>(state), turn] {
            if (turn->ended)
                return;
            turn->ended = true;
            std::shared_ptr<State> alive = weakState.lock();
            if (!alive || turn->beginning)
                return;
            alive->showing = false;
            beginNext(alive);
        });
        turn->beginning = false;
        if (turn->ended)
            state->showing = false;
    }
}

} // namespace vorl
