#include "sheet_queue.h"

namespace vorl {

struct SheetQueue::State {
    struct Waiting {
        Begin begin;
        std::function<void()> cancel;
    };
    std::function<void(bool)> showingChanged;
    std::deque<Waiting> waiting;
    bool showing = false;
    bool closed = false;
    Dismiss dismissShown;

    void setShowing(bool now) {
        if (showing == now)
            return;
        showing = now;
        if (!now)
            dismissShown = nullptr;
        if (showingChanged)
            showingChanged(now);
    }
    std::deque<Waiting> takeWaiting() {
        std::deque<Waiting> taken = std::move(waiting);
        waiting.clear();
        return taken;
    }
};

SheetQueue::SheetQueue(std::function<void(bool showing)> showingChanged) : state(std::make_shared<State>()) {
    state->showingChanged = std::move(showingChanged);
}

SheetQueue::~SheetQueue() {
    state->showingChanged = nullptr;
    close();
}

void SheetQueue::enqueue(Begin begin, std::function<void()> cancel) {
    if (state->closed)
        return cancel();
    state->waiting.push_back(State::Waiting{std::move(begin), std::move(cancel)});
    beginNext(state);
}

void SheetQueue::endAll() {
    // The waiting sheets leave the queue first, so that the shown one, ending, starts none of them.
    std::deque<State::Waiting> cancelled = state->takeWaiting();
    if (Dismiss dismiss = state->dismissShown)
        dismiss();
    for (State::Waiting& sheet : cancelled)
        sheet.cancel();
}

void SheetQueue::close() {
    state->closed = true;
    for (State::Waiting& sheet : state->takeWaiting())
        sheet.cancel();
}

void SheetQueue::beginNext(const std::shared_ptr<State>& queue) {
    // A sheet may end within its own begin; the next one then starts from this loop rather
    // than from inside that call.
    while (!queue->showing && !queue->waiting.empty()) {
        State::Waiting next = std::move(queue->waiting.front());
        queue->waiting.pop_front();
        queue->setShowing(true);
        struct Turn {
            bool beginning = true;
            bool ended = false;
        };
        auto turn = std::make_shared<Turn>();
        Dismiss dismiss = next.begin([weakState = std::weak_ptr<State>(queue), turn] {
            if (turn->ended)
                return;
            turn->ended = true;
            std::shared_ptr<State> alive = weakState.lock();
            if (!alive || turn->beginning)
                return;
            alive->setShowing(false);
            beginNext(alive);
        });
        turn->beginning = false;
        if (turn->ended)
            queue->setShowing(false);
        else
            queue->dismissShown = std::move(dismiss);
    }
}

} // namespace vorl
