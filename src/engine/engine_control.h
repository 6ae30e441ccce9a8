#pragma once

#include "engine_words.h"

namespace vorl {

// What the rest of the application asks of the engine's supervision: the window's commands and
// the recovery of the page. Every call is made on the main thread.
class EngineControl {
public:
    virtual ~EngineControl() = default;
    // Looks for the engine again, as at the start.
    virtual void connect() = 0;
    // The splash, then the engine looked for again, as after a failed load of its page.
    virtual void recoverEnginePage() = 0;
    // Stops the engine and starts it again, as at the start; only while restartAvailable().
    virtual void restartEngine() = 0;
    virtual bool restartAvailable() const = 0;
    // The built-in page with the warning that says why.
    virtual void fallback(const EngineWarning& warning) = 0;
};

} // namespace vorl
