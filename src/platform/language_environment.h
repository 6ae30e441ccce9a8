#pragma once

#include "process.h"

#include <map>
#include <optional>
#include <string>

namespace vorl {

// Changes to environment variables: each variable's new value, or nullopt to unset it.
using EnvironmentChanges = std::map<std::string, std::optional<std::string>>;

// What the application changes in its own environment, started as started, so that the texts
// GTK and WebKit write themselves come in language (a gettext LANGUAGE list) under any locale
// of the user's: LANGUAGE, and a messages category other than C, under which gettext would
// ignore LANGUAGE. A non-empty LC_ALL, which would decide the messages category too, hands its
// value to each of the other categories instead, so that numbers, sorting and character types
// keep the user's values.
EnvironmentChanges toolkitLanguageEnvironment(const Environment& started, const std::string& language);

// What gives the programs the application opens the user's own values back: each variable that
// changes names, as it was in started (set, empty included, or unset).
EnvironmentChanges startedValues(const Environment& started, const EnvironmentChanges& changes);

} // namespace vorl
