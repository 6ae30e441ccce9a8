#pragma once

#include "engine/engine_supervisor.h"

#include <string>
#include <vector>

namespace vorl::fake {

// Records what the engine's supervisor has shown, a few words each.
class RecordingSupervisorDelegate final : public EngineSupervisorDelegate {
public:
    void showSplash() override { told.push_back("splash"); }
    void showEnginePage() override { told.push_back("engine page"); }
    void showBuiltInPage(const EngineWarning& warning) override {
        told.push_back(builtInPage(warning.reason));
        warnings.push_back(warning);
    }
    void cancelPageRequests() override { told.push_back("cancel"); }
    void restartAvailabilityChanged(bool available) override {
        told.push_back(available ? "restart on" : "restart off");
    }

    static std::string builtInPage(FallbackReason reason) {
        return "built-in page " + std::to_string(static_cast<int>(reason));
    }

    std::vector<std::string> told;
    std::vector<EngineWarning> warnings;
};

} // namespace vorl::fake
