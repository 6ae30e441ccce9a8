#pragma once

#include "platform/process.h"

#include <filesystem>
#include <optional>
#include <string>

namespace vorl {

// The engine's environment: the application's own, with VORL_DATA set to the data folder,
// the package folders put in front of PATH, and the CA bundle (when there is one) named in
// SSL_CERT_FILE and REQUESTS_CA_BUNDLE. Nothing else is added or removed.
Environment engineEnvironment(Environment inherited, const std::filesystem::path& data,
                              const std::optional<std::string>& caBundle);

// The CA bundle inside the engine's Python environment: the first entry of ai/venv/lib, in
// the order the folder lists them, whose name begins with "python3" and that holds
// site-packages/certifi/cacert.pem.
std::optional<std::string> findCertifiBundle(const std::filesystem::path& ai);

} // namespace vorl
