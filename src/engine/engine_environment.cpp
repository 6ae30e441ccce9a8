#include "engine_environment.h"

#include <system_error>

namespace vorl {

Environment engineEnvironment(Environment inherited, const std::filesystem::path& data,
                              const std::optional<std::string>& caBundle) {
    inherited["VORL_DATA"] = data.string();
    auto path = inherited.find("PATH");
    std::string searchPath = path != inherited.end() ? path->second : "/usr/bin:/bin:/usr/sbin:/sbin";
    inherited["PATH"] = "/opt/homebrew/bin:/usr/local/bin:" + searchPath;
    if (caBundle) {
        inherited["SSL_CERT_FILE"] = *caBundle;
        inherited["REQUESTS_CA_BUNDLE"] = *caBundle;
    }
    return inherited;
}

std::optional<std::string> findCertifiBundle(const std::filesystem::path& ai) {
    std::filesystem::path root = ai / "venv/lib";
    std::error_code error;
    // Stepped with increment(error): a folder that cannot be read to its end ends the search.
    for (std::filesystem::directory_iterator entry(root, error), end; !error && entry != end;
         entry.increment(error)) {
        std::string name = entry->path().filename().string();
        if (!name.starts_with("python3"))
            continue;
        std::filesystem::path bundle = root / name / "site-packages/certifi/cacert.pem";
        std::error_code missing;
        if (std::filesystem::exists(bundle, missing))
            return bundle.string();
    }
    return std::nullopt;
}

} // namespace vorl
