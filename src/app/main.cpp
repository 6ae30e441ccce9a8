// The process entry: the places on disk, the one AppDelegate, and the event loop.

#include "app/app_delegate.h"
#include "platform/gtk/gtk_platform.h"
#include "platform/startup_trace.h"

using namespace vorl;

int main() {
    traceStartupPhase("main");
    // All the user reads is bokmål, the toolkit's own texts included. The texts that the
    // system's catalog for WebKit lacks are kept under no, after nb.
    std::unique_ptr<Platform> platform = createGtkPlatform("nb_NO:nb:no");
    const Places places = placesBelow(platform->homeDirectory());
    Application& app = platform->application();
    auto delegate = std::make_unique<AppDelegate>(*platform, places);
    app.setDelegate(*delegate);
    int status = app.run();
    // The delegate goes before the platform whose objects it holds.
    delegate.reset();
    return status;
}
