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

SheetQueue::SheetQueue() : state(std::make_shared<State>()) {}

SheetQueue::~SheetQueue() {
    close();
}

void SheetQueue::add(Begin begin, std::function<void()> cancel) {
    if (state->closed)
        return cancel();
    state->waiting.push_back(State::Waiting{std::move(begin), std::move(cancel)});
    beginNext(state);
}

void SheetQueue::close() {
    state->closed = true;
    std::deque<State::Waiting> cancelled = std::move(state->waiting);
    state->waiting.clear();
    for (State::Waiting& sheet : cancelled)
        sheet.cancel();
}

void SheetQueue::beginNext(const std::shared_ptr<State>& queue) {
    // A sheet may end within its own begin; the next one then starts from this loop rather
    // than from inside that call.
    while (!queue->showing && !queue->waiting.empty()) {
        State::Waiting next = std::move(queue->waiting.front());
        queue->waiting.pop_front();
        queue->showing = true;
        struct Turn {
            bool beginning = true;
            bool ended = false;
        };
        auto turn = std::make_shared<Turn>();
        next.begin([weakState = std::weak_ptr<State>(queue), turn] {
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
            queue->showing = false;
    }
}

} // namespace vorl
