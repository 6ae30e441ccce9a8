#include "language_environment.h"

namespace vorl {
namespace {

// The locale categories the C library reads from the environment, the messages aside.
constexpr const char* categoriesButMessages[] = {
    "LC_CTYPE", "LC_NUMERIC", "LC_TIME",      "LC_COLLATE",     "LC_MONETARY",       "LC_PAPER",
    "LC_NAME",  "LC_ADDRESS", "LC_TELEPHONE", "LC_MEASUREMENT", "LC_IDENTIFICATION",
};

// Built into the C library since glibc 2.35, so it always exists; unlike C, it lets gettext
// follow LANGUAGE. The messages category picks nothing but catalogs, which LANGUAGE picks here.
constexpr const char* messagesLocale = "C.UTF-8";

} // namespace

EnvironmentChanges toolkitLanguageEnvironment(const Environment& started, const std::string& language) {
    EnvironmentChanges changes{{"LANGUAGE", language}, {"LC_MESSAGES", messagesLocale}};
    auto all = started.find("LC_ALL");
    if (all != started.end() && !all->second.empty()) { // an empty LC_ALL counts as unset
        for (const char* category : categoriesButMessages)
            changes[category] = all->second;
        changes["LC_ALL"] = std::nullopt;
    }
    return changes;
}

EnvironmentChanges startedValues(const Environment& started, const EnvironmentChanges& changes) {
    EnvironmentChanges original;
    for (const auto& [name, changed] : changes) {
        auto found = started.find(name);
        original[name] = found == started.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    return original;
}

} // namespace vorl
