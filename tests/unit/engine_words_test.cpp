// Every warning about the engine as the sheet the user reads.

#include "engine/engine_words.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace vorl {
namespace {

TEST(EngineWords, EachWarningBecomesItsSheetWithTheEndingAndTheLogTailBelowIt) {
    const std::string closing = " Appen bruker den innebygde motoren.";
    const std::string seeLog = " Se ~/Library/Logs/VORL Vorudi – motor.log.";
    using enum FallbackReason;
    using enum LaunchFailure::Reason;
    const ProcessEnding exited{ProcessEnding::Reason::exit, 3};
    const ProcessEnding killed{ProcessEnding::Reason::uncaughtSignal, 9};
    struct Case {
        FallbackReason reason;
        std::optional<LaunchFailure> failure;
        std::optional<ProcessEnding> ending;
        const char* logTail; // none where the log could not be read
        std::string message;
        std::string note;
        std::string excerpt;
        std::vector<std::string> buttons;
    };
    const std::vector<std::string> ok{"OK"};
    const std::vector<std::string> okAndLog{"OK", "Vis motorloggen"};
    const std::vector<Case> cases = {
        {notInstalled,
         {},
         {},
         nullptr,
         "AI-miljøet er ikke installert." + closing + " Installer VORL Vorudi-pakken på nytt for AI-analyse.",
         "",
         "",
         ok},
        {launchFailed,
         LaunchFailure{notStarted, ENOEXEC},
         {},
         nullptr,
         "Motoren kunne ikke startes (Exec format error)." + closing,
         "",
         "",
         ok},
        {launchFailed,
         LaunchFailure{guardNotStarted, ENOENT},
         {},
         nullptr,
         "Motoren kunne ikke startes (motorvakten kunne ikke startes: No such file or directory)." + closing,
         "",
         "",
         ok},
        {launchFailed,
         LaunchFailure{guardSilent},
         {},
         nullptr,
         "Motoren kunne ikke startes (motorvakten svarte ikke)." + closing,
         "",
         "",
         ok},
        {launchFailed,
         LaunchFailure{guardRefusedGroup},
         {},
         nullptr,
         "Motoren kunne ikke startes (motorvakten fikk ikke motorens prosessgruppe)." + closing,
         "",
         "",
         ok},
        {portHeldByOtherUser,
         {},
         {},
         nullptr,
         "Motoren kunne ikke startes fordi en annen bruker på maskinen bruker port 8765." + closing,
         "",
         "",
         ok},
        {portHeldUnseen,
         {},
         {},
         nullptr,
         "Motoren kunne ikke startes fordi port 8765 er i bruk, og systemet lar ikke appen se hvem som "
         "bruker den." +
             closing,
         "",
         "",
         ok},
        {stoppedWhileStarting,
         {},
         exited,
         "ImportError: numpy",
         "Motoren stoppet under oppstart." + seeLog + closing,
         "Avsluttet med kode 3.",
         "ImportError: numpy",
         okAndLog},
        {stoppedWhileStarting,
         {},
         exited,
         nullptr,
         "Motoren stoppet under oppstart." + seeLog + closing,
         "Avsluttet med kode 3.",
         "",
         ok},
        {silent, {}, {}, "", "Motoren svarer ikke." + seeLog + closing, "", "", okAndLog},
        {stoppedThrice,
         {},
         killed,
         "Traceback\nMemoryError",
         "Motoren stoppet tre ganger på under fem minutter." + closing,
         "Stoppet av signal 9.",
         "Traceback\nMemoryError",
         okAndLog},
        {stoppedThrice,
         {},
         {},
         nullptr,
         "Motoren stoppet tre ganger på under fem minutter." + closing,
         "",
         "",
         ok},
        {pageCrashedThrice,
         {},
         {},
         nullptr,
         "Siden i vinduet krasjet tre ganger på under ett minutt." + closing,
         "",
         "",
         ok},
        {pageOutOfMemoryThrice,
         {},
         {},
         nullptr,
         "Siden i vinduet brukte for mye minne og ble stoppet tre ganger på under ett minutt." + closing,
         "",
         "",
         ok},
    };
    for (const Case& c : cases) {
        EngineWarning warning{c.reason, c.failure, c.ending};
        if (c.logTail)
            warning.logTail = c.logTail;
        Alert shown = engineWarningAlert(warning);
        EXPECT_EQ(shown.messageText, "VORL Vorudi");
        EXPECT_EQ(shown.informativeText, c.message);
        EXPECT_EQ(shown.style, AlertStyle::warning);
        EXPECT_EQ(shown.note, c.note) << c.message;
        EXPECT_EQ(shown.excerpt, c.excerpt) << c.message;
        EXPECT_EQ(shown.buttons, c.buttons) << c.message;
    }
}

} // namespace
} // namespace vorl
