#pragma once

#include "platform/process.h"
#include "platform/sheets.h"

#include <cstddef>
#include <optional>
#include <string>

// Every word the engine's supervision says to the user.

namespace vorl {

// Why the built-in page is shown in place of the engine's.
enum class FallbackReason {
    notInstalled,
    launchFailed,         // with the launch's failure
    portHeldByOtherUser,  // another user's program listens on the engine's port
    portHeldUnseen,       // somebody listens there, and the system does not say who
    stoppedWhileStarting, // the launched engine ended before it answered
    silent,               // the launched engine did not answer within the start-up limit
    stoppedThrice,        // the engine stopped three times within five minutes while in use
    pageCrashedThrice,    // the page's own process, three times within a minute
    pageOutOfMemoryThrice,
};

// A warning about the engine: why it cannot serve, and what it left behind.
struct EngineWarning {
    FallbackReason reason;
    std::optional<LaunchFailure> launchFailure = std::nullopt; // why the launch failed, with launchFailed
    std::optional<ProcessEnding> ending = std::nullopt;        // how the launched engine ended
    std::optional<std::string> logTail = std::nullopt; // the last lines of its log; none where unreadable
};

// The warning as its sheet: titled "VORL Vorudi"; the reason's sentence, then "Appen bruker den
// innebygde motoren."; below it how the engine ended and, where the log could be read, its
// tail with a second button, "Vis motorloggen", which answers showLogButton.
Alert engineWarningAlert(const EngineWarning& warning);
inline constexpr std::size_t showLogButton = 1;

// How a process ended, in a sentence: "Avsluttet med kode 3." or "Stoppet av signal 9.".
std::string endingDescription(const ProcessEnding& ending);

// Why the engine could not be launched, as the warning says between its parentheses: the
// system's description of the error, or what went wrong with the engine's guard.
std::string launchFailureDescription(const LaunchFailure& failure);

} // namespace vorl
