#pragma once

#include "base/places.h"
#include "engine/attempts.h"
#include "engine/engine_control.h"
#include "engine/engine_words.h"
#include "platform/platform.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vorl {

// What the engine's supervision is doing.
enum class EngineState {
    starting,        // from a connect until the engine's page loads or the built-in page shows
    servingLaunched, // the page of the engine launched last, which is watched for its ending
    servingAdopted,  // the page of the user's own engine, which is watched by its port
    restarting,      // the restart command stops the engine and waits for its port
    idle,            // the built-in page, or the application is ending: nothing is watched
};

// What the supervisor has the application show. Every call comes on the main thread.
class EngineSupervisorDelegate {
public:
    virtual ~EngineSupervisorDelegate() = default;
    // The engine is being looked for or started: the splash page.
    virtual void showSplash() = 0;
    // The engine answers: its page.
    virtual void showEnginePage() = 0;
    // No engine can serve: the built-in page, and the warning that says why.
    virtual void showBuiltInPage(const EngineWarning& warning) = 0;
    // The engine the page worked with has gone: what the page asked of the user is answered as
    // cancelled, as the page's requests went with it.
    virtual void cancelPageRequests() = 0;
    // Whether the restart command may be carried out from now on: outside a start or restart.
    virtual void restartAvailabilityChanged(bool available) = 0;
};

// The engine's life, from the first probe to the application's end. It finds the user's own
// engine or launches one and waits for it, watches the engine while its page is in use and
// replaces one that stops, restarts it when asked, falls back to the built-in page when no
// engine can serve, and stops the engines it launched when the application ends. It calls down
// through the platform and up through its delegate, on the main thread only, which debug builds
// assert.
class EngineSupervisor final : public EngineControl {
public:
    EngineSupervisor(Platform& platform, const Places& places, EngineSupervisorDelegate& delegate);
    EngineSupervisor(const EngineSupervisor&) = delete;
    EngineSupervisor& operator=(const EngineSupervisor&) = delete;
    ~EngineSupervisor() override;

    // Sends the first probe, as early as the application may act, before any window exists.
    void probeEarly();
    // The splash has been asked for: the first probe's answer is acted on as soon as it is in.
    void splashRequested();
    // Looks for the engine as at the start: a probe, then its page, a wait for the engine that
    // is starting, or a launch.
    void connect() override;
    void recoverEnginePage() override;
    // Stops the engine (one launched here as at the end, the user's own by its quit request
    // only), waits for its port and starts it again. Only while restartAvailable().
    void restartEngine() override;
    // The built-in page with its warning: whatever an earlier attempt has under way gives way,
    // and every engine launched here is let go, its guard ending what is left of its group.
    void fallback(const EngineWarning& warning) override;
    // The application ends: nothing is watched from now on. Each engine launched here that
    // still runs is asked to quit, and every one's group is ended. Returns once the quit request
    // has been answered or has timed out, without waiting for the engines themselves.
    void stopEngines();

    EngineState state() const { return engineState; }
    bool restartAvailable() const override;

    // One health probe: completion runs once, on the main queue, with whether an engine the
    // user may trust answered healthy.
    void ping(std::function<void(bool healthy)> completion);
    // Launches the installed engine and waits for it; the built-in page where none can be.
    void startServer();
    // Waits for the engine launched last: it gets no request until it listens, then is polled
    // until it answers, ends, or has had its start-up time.
    void waitForServer();
    // The CA bundle inside the engine's environment, where there is one.
    std::optional<std::string> certifiPath() const;

private:
    struct FirstProbe;
    // A launched engine, and how it ended once it has.
    struct LaunchedEngine {
        unsigned id; // what its ending is heard by: one that comes after the engine was let go finds none
        std::unique_ptr<Process> process;
        std::optional<ProcessEnding> ending;
    };

    // Starting and waiting (connect.cpp)
    void actOnFirstProbe();
    bool verdict(bool healthyBody);
    void connected(bool healthy);
    void pollServer();
    void serve();
    void setState(EngineState state);
    Attempts::Attempt beginAttempt(EngineState state);
    // Whether the engine launched last still runs, as far as has been heard.
    bool serverRuns() const;
    Seconds sinceLaunch() const;
    // A warning about the engine launched last: how it ended and the end of its log.
    EngineWarning warningAboutServer(FallbackReason reason) const;
    void assertOnMainThread() const;

    // Launching (start_server.cpp)
    void launched(ProcessLauncher::Outcome outcome);

    // While the page is in use, and the restart (supervision.cpp)
    void engineEnded(unsigned id, ProcessEnding ending);
    void watchAdoptedEngine();
    void engineStoppedUnexpectedly();
    void releaseServer();
    void quitAnswered();
    void waitForFreePort(Date deadline);

    Platform& platform;
    const Places places;
    EngineSupervisorDelegate& delegate;
    EngineState engineState = EngineState::starting;
    Attempts attempts;
    std::shared_ptr<FirstProbe> firstProbe; // shared with the session's thread
    // The engines this run launched and has not let go, so that none outlives the application.
    // One that stopped, or was stopped, is let go: its guard ends what is left of its group.
    std::vector<std::unique_ptr<LaunchedEngine>> launchedEngines;
    LaunchedEngine* server = nullptr; // the engine launched last; one of launchedEngines
    unsigned lastEngineId = 0;
    Date started;           // when server was launched
    bool launching = false; // a launch is under way
    // The attempt that waits for that launch: only it goes on to wait for the engine.
    Attempts::Attempt launchWantedBy;
    std::vector<Date> engineStops; // unexpected ones, within the last five minutes
};

} // namespace vorl
