#pragma once

namespace vorl {

// Which of the page's answers the pointer shows while files are dragged over the view. Each step
// of the drag is asked about, and its answer may come at once or later. The pointer shows the
// latest answer to have come, so that a page slower than the pointer's steps still moves it on;
// an answer older than one shown, or to a step of a drag that has ended, is not heard.
class DragAnswers {
public:
    // A new step: the number its answer is to come with.
    unsigned ask() { return ++asked; }
    // The answer to step: whether it is heard, and so is what the pointer shows now.
    bool hear(unsigned step, bool taken) {
        if (step <= heard)
            return false;
        heard = step;
        latest = taken;
        return true;
    }
    // The drag has left the view or was dropped: nothing is taken, and no answer still on its way is heard.
    void end() {
        heard = asked;
        latest = false;
    }
    bool taken() const { return latest; }

private:
    unsigned asked = 0;
    unsigned heard = 0; // the latest step whose answer came, or the last of an ended drag
    bool latest = false;
};

} // namespace vorl
