#pragma once

#include "engine/engine_control.h"

#include <string>
#include <vector>

namespace vorl::fake {

// Records what the engine's supervision was asked to do, a few words each.
class RecordingEngineControl final : public EngineControl {
public:
    void connect() override { asked.push_back("connect"); }
    void recoverEnginePage() override { asked.push_back("recover"); }
    void restartEngine() override { asked.push_back("restart"); }
    bool restartAvailable() const override { return restartIsAvailable; }
    void fallback(const EngineWarning& warning) override {
        asked.push_back("fallback");
        warnings.push_back(warning);
    }

    std::vector<std::string> asked;
    std::vector<EngineWarning> warnings;
    bool restartIsAvailable = true;
};

} // namespace vorl::fake
