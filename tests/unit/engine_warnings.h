#pragma once

// The engine's warnings as the user reads them, word for word.

#include <string>

namespace vorl::testing {

inline const std::string notInstalled = "AI-miljøet er ikke installert. Appen bruker den innebygde motoren. "
                                        "Installer VORL Vorudi-pakken på nytt for AI-analyse.";
inline const std::string stopped =
    "Motoren stoppet under oppstart. Se ~/Library/Logs/VORL Vorudi – motor.log. "
    "Appen bruker den innebygde motoren.";
inline const std::string silent = "Motoren svarer ikke. Se ~/Library/Logs/VORL Vorudi – motor.log. "
                                  "Appen bruker den innebygde motoren.";

} // namespace vorl::testing
