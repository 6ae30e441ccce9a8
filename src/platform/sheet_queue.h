#pragma once

#include <deque>
#include <functional>
#include <memory>

namespace vorl {

// A window's sheets, shown one at a time in the order they were asked for: a sheet asked for
// while another is shown waits until every sheet before it has ended. Main thread only.
class SheetQueue {
public:
    SheetQueue();
    SheetQueue(const SheetQueue&) = delete;
    SheetQueue& operator=(const SheetQueue&) = delete;
    ~SheetQueue();

    using Begin = std::function<void(std::function<void()> ended)>;
    // Shows the sheet now, or once the sheets before it have ended. begin gets a callable to
    // call once the sheet has ended, which may be after this queue has gone. cancel answers
    // the sheet instead when its window goes before its turn.
    void add(Begin begin, std::function<void()> cancel);
    // The window has gone: every sheet still waiting, and every sheet asked for from now on,
    // is answered as cancelled, in order.
    void close();

private:
    struct State;
    static void beginNext(const std::shared_ptr<State>& queue);

    std::shared_ptr<State> state;
};

// A sheet's completion that also ends its turn in the queue, once the answer has been given.
template <class Completion> Completion endingTurn(Completion completion, std::function<void()> ended) {
    return [completion = std::move(completion), ended = std::move(ended)](auto&&... result) {
        completion(std::forward<decltype(result)>(result)...);
        ended();
    };
}

} // namespace vorl
