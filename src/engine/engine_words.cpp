#include "engine_words.h"

#include "base/places.h"
#include "base/product.h"

#include <cstring>

namespace vorl {
namespace {

constexpr const char* usingBuiltInEngine = "Appen bruker den innebygde motoren.";
constexpr const char* seeLog = "Se ~/Library/Logs/VORL Vorudi – motor.log.";

// The warning's message: what happened, the closing sentence, and what the user may do.
std::string message(const EngineWarning& warning) {
    const std::string port = std::to_string(PORT);
    const std::string closing = usingBuiltInEngine;
    switch (warning.reason) {
    case FallbackReason::notInstalled:
        return "AI-miljøet er ikke installert. " + closing +
               " Installer VORL Vorudi-pakken på nytt for AI-analyse.";
    case FallbackReason::launchFailed:
        return "Motoren kunne ikke startes (" +
               (warning.launchFailure ? launchFailureDescription(*warning.launchFailure) : "") + "). " +
               closing;
    case FallbackReason::portHeldByOtherUser:
        return "Motoren kunne ikke startes fordi en annen bruker på maskinen bruker port " + port + ". " +
               closing;
    case FallbackReason::portHeldUnseen:
        return "Motoren kunne ikke startes fordi port " + port +
               " er i bruk, og systemet lar ikke appen se hvem som bruker den. " + closing;
    case FallbackReason::stoppedWhileStarting:
        return std::string("Motoren stoppet under oppstart. ") + seeLog + " " + closing;
    case FallbackReason::silent:
        return std::string("Motoren svarer ikke. ") + seeLog + " " + closing;
    case FallbackReason::stoppedThrice:
        return "Motoren stoppet tre ganger på under fem minutter. " + closing;
    case FallbackReason::pageCrashedThrice:
        return "Siden i vinduet krasjet tre ganger på under ett minutt. " + closing;
    case FallbackReason::pageOutOfMemoryThrice:
        return "Siden i vinduet brukte for mye minne og ble stoppet tre ganger på under ett minutt. " +
               closing;
    }
    return closing;
}

} // namespace

Alert engineWarningAlert(const EngineWarning& warning) {
    Alert shown = alert("VORL Vorudi", message(warning), AlertStyle::warning);
    if (warning.ending)
        shown.note = endingDescription(*warning.ending);
    if (warning.logTail) {
        shown.excerpt = *warning.logTail;
        shown.buttons.push_back("Vis motorloggen");
    }
    return shown;
}

std::string endingDescription(const ProcessEnding& ending) {
    switch (ending.reason) {
    case ProcessEnding::Reason::exit:
        return "Avsluttet med kode " + std::to_string(ending.status) + ".";
    case ProcessEnding::Reason::uncaughtSignal:
        return "Stoppet av signal " + std::to_string(ending.status) + ".";
    }
    return {};
}

std::string launchFailureDescription(const LaunchFailure& failure) {
    switch (failure.reason) {
    case LaunchFailure::Reason::notStarted:
        return std::strerror(failure.systemError);
    case LaunchFailure::Reason::guardNotStarted:
        return std::string("motorvakten kunne ikke startes: ") + std::strerror(failure.systemError);
    case LaunchFailure::Reason::guardSilent:
        return "motorvakten svarte ikke";
    case LaunchFailure::Reason::guardRefusedGroup:
        return "motorvakten fikk ikke motorens prosessgruppe";
    }
    return {};
}

} // namespace vorl
