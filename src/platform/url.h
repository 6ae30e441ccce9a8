#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vorl {

// An absolute or relative URL as the web view and the URL session report and take them.
// The text is kept exactly as given; scheme, host and path are split out the way a URL
// library reports them (an IPv6 host without its brackets, an empty host as none).
// Comparisons on the parts are exact: nothing is case-folded or trimmed.
class Url {
public:
    Url() = default;

    // Splits text into its parts; nullopt when it is not a URL at all (empty, or with
    // characters no URL may hold, such as spaces or control characters).
    static std::optional<Url> parse(std::string_view text);

    // The file URL of an absolute path, each byte outside the unreserved set percent-encoded.
    static Url fileUrl(const std::filesystem::path& path);

    const std::string& string() const { return text; }
    const std::optional<std::string>& scheme() const { return schemePart; }
    const std::optional<std::string>& host() const { return hostPart; }
    // The port the authority names; none where it names none, or none that is a number.
    const std::optional<long>& port() const { return portPart; }
    bool isFileUrl() const { return schemePart == "file"; }

    // The percent-decoded path of a file URL.
    std::filesystem::path filePath() const;

    // This URL with component appended to its path; component may hold further slashes.
    Url appendingPathComponent(std::string_view component) const;

    bool operator==(const Url& other) const { return text == other.text; }

private:
    std::string text;
    std::optional<std::string> schemePart;
    std::optional<std::string> hostPart;
    std::optional<long> portPart;
    std::string pathPart;
};

} // namespace vorl
