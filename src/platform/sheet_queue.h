#pragma once

#include "sheets.h"

#include <deque>
#include <functional>
#include <memory>

namespace vorl {

// How each kind of sheet is answered when it ends without the user's answer.
inline void answerCancelled(const AlertCompletion& completion) {
    completion(AlertResult{});
}
inline void answerCancelled(const OpenPanelCompletion& completion) {
    completion(ModalResponse::cancel, {});
}
inline void answerCancelled(const SavePanelCompletion& completion) {
    completion(ModalResponse::cancel, std::nullopt);
}

// A window's sheets, shown one at a time in the order they were asked for: a sheet asked for
// while another is shown waits until every sheet before it has ended. Main thread only.
class SheetQueue {
public:
    // showingChanged, when given, hears each time the window begins or stops showing a sheet.
    explicit SheetQueue(std::function<void(bool showing)> showingChanged = {});
    SheetQueue(const SheetQueue&) = delete;
    SheetQueue& operator=(const SheetQueue&) = delete;
    ~SheetQueue();

    // Takes a sheet off the screen unanswered; its own code then answers it as cancelled.
    using Dismiss = std::function<void()>;
    // Shows the sheet and gives back how to dismiss it. ended is to be called once the sheet
    // has ended, which may be after this queue has gone.
    using Begin = std::function<Dismiss(std::function<void()> ended)>;

    // Shows a sheet now, or once the sheets before it have ended: show gets the completion
    // to answer, which also ends the sheet's turn. A sheet whose window goes before its turn,
    // or that endAll reaches while it waits, is answered as cancelled without being shown.
    template <class Completion, class Show> void add(Completion completion, Show show) {
        enqueue(
            [completion, show](std::function<void()> ended) -> Dismiss {
                return show(Completion([completion, ended = std::move(ended)](auto&&... result) {
                    completion(std::forward<decltype(result)>(result)...);
                    ended();
                }));
            },
            [completion] { answerCancelled(completion); });
    }
    // Ends the shown sheet and every waiting one, each answered as cancelled, in order; sheets
    // asked for later are shown as usual.
    void endAll();
    // The window has gone: every sheet still waiting, and every sheet asked for from now on,
    // is answered as cancelled, in order.
    void close();

private:
    struct State;
    void enqueue(Begin begin, std::function<void()> cancel);
    static void beginNext(const std::shared_ptr<State>& queue);

    std::shared_ptr<State> state;
};

} // namespace vorl
