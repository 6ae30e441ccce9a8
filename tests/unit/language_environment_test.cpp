#include "platform/language_environment.h"
#include "platform/media_plugins.h"
#include "platform/toolkit_defaults.h"

#include <gtest/gtest.h>

#include <iterator>

namespace vorl {
namespace {

const std::string language = "nb_NO:nb:no";

Environment applied(Environment environment, const EnvironmentChanges& changes) {
    for (const auto& [name, value] : changes) {
        if (value)
            environment[name] = *value;
        else
            environment.erase(name);
    }
    return environment;
}

// The locale a category takes from the environment, as the C library reads it: LC_ALL, then the
// category's own variable, then LANG, each only when not empty.
std::string localeOf(const Environment& environment, const std::string& category) {
    for (const std::string& name : {std::string("LC_ALL"), category, std::string("LANG")}) {
        auto found = environment.find(name);
        if (found != environment.end() && !found->second.empty())
            return found->second;
    }
    return "C";
}

TEST(ToolkitLanguageEnvironment, MessagesFollowTheLanguageWhileEveryOtherCategoryKeepsTheUsersLocale) {
    const Environment startedEnvironments[] = {
        {},
        {{"LANG", "de_DE.UTF-8"}, {"LANGUAGE", "de:en"}},
        {{"LC_ALL", "C"}, {"LANGUAGE", "de:en"}},
        {{"LC_ALL", "C.UTF-8"}, {"LC_NUMERIC", "de_DE.UTF-8"}, {"LANG", "fr_FR.UTF-8"}},
        {{"LC_ALL", ""}, {"LANG", "C.UTF-8"}, {"LANGUAGE", "de"}},
        {{"LC_ALL", "POSIX"}, {"LC_MESSAGES", "de_DE.UTF-8"}},
        {{"LANG", "C"}, {"LC_TIME", "en_GB.UTF-8"}, {"LC_MESSAGES", ""}},
    };
    const char* const categoriesButMessages[] = {
        "LC_CTYPE", "LC_NUMERIC", "LC_TIME",      "LC_COLLATE",     "LC_MONETARY",       "LC_PAPER",
        "LC_NAME",  "LC_ADDRESS", "LC_TELEPHONE", "LC_MEASUREMENT", "LC_IDENTIFICATION",
    };
    for (size_t row = 0; row < std::size(startedEnvironments); ++row) {
        const Environment& started = startedEnvironments[row];
        Environment own = applied(started, toolkitLanguageEnvironment(started, language));
        EXPECT_EQ(own.at("LANGUAGE"), language) << "row " << row;
        // Under C, gettext would not look at LANGUAGE at all.
        EXPECT_EQ(localeOf(own, "LC_MESSAGES"), "C.UTF-8") << "row " << row;
        for (const char* category : categoriesButMessages)
            EXPECT_EQ(localeOf(own, category), localeOf(started, category)) << category << ", row " << row;
    }
}

TEST(ToolkitLanguageEnvironment, ProgramsTheAppOpensGetEachChangedVariableAsItWasSetEmptyOrUnset) {
    const Environment started = {{"LANGUAGE", "de:en"}, {"LC_MESSAGES", ""}, {"LANG", "de_DE.UTF-8"}};
    const EnvironmentChanges changes = {
        {"LANGUAGE", language}, {"LC_MESSAGES", "C.UTF-8"}, {"LC_ALL", std::nullopt}, {"LC_CTYPE", "C"}};
    const EnvironmentChanges expected = {
        {"LANGUAGE", "de:en"}, {"LC_MESSAGES", ""}, {"LC_ALL", std::nullopt}, {"LC_CTYPE", std::nullopt}};
    EXPECT_EQ(startedValues(started, changes), expected);
}

TEST(ToolkitDefaultsEnvironment, TheApplicationsDefaultsComeFirstAndTheSystemsStayBehindThem) {
    const std::pair<Environment, std::string> cases[] = {
        {{}, "/usr/share/vorl-vorudi/toolkit-defaults:/etc/xdg"},
        {{{"XDG_CONFIG_DIRS", ""}}, "/usr/share/vorl-vorudi/toolkit-defaults:/etc/xdg"},
        {{{"XDG_CONFIG_DIRS", "/etc/xdg/xdg-ubuntu:/etc/xdg"}},
         "/usr/share/vorl-vorudi/toolkit-defaults:/etc/xdg/xdg-ubuntu:/etc/xdg"},
    };
    for (const auto& [started, folders] : cases) {
        EnvironmentChanges changes =
            toolkitDefaultsEnvironment(started, "/usr/share/vorl-vorudi/toolkit-defaults");
        EXPECT_EQ(changes, (EnvironmentChanges{{"XDG_CONFIG_DIRS", folders}}));
        EXPECT_EQ(applied(applied(started, changes), startedValues(started, changes)), started)
            << "the programs the application opens get the user's own back";
    }
}

TEST(MediaPluginsEnvironment, TheApplicationsElementsComeFirstInThePathGStreamerReads) {
    const std::string own = "/usr/lib/vorl-vorudi/gstreamer-1.0";
    const std::pair<Environment, EnvironmentChanges> cases[] = {
        {{}, {{"GST_PLUGIN_PATH", own}}},
        {{{"GST_PLUGIN_PATH", ""}}, {{"GST_PLUGIN_PATH", own}}},
        {{{"GST_PLUGIN_PATH", "/opt/gst"}}, {{"GST_PLUGIN_PATH", own + ":/opt/gst"}}},
        {{{"GST_PLUGIN_PATH", "/opt/gst"}, {"GST_PLUGIN_PATH_1_0", "/opt/gst1"}},
         {{"GST_PLUGIN_PATH_1_0", own + ":/opt/gst1"}}}, // which GStreamer then reads instead
    };
    for (const auto& [started, changes] : cases) {
        EXPECT_EQ(mediaPluginsEnvironment(started, own), changes);
        EXPECT_EQ(applied(applied(started, changes), startedValues(started, changes)), started)
            << "the programs the application opens get the user's own back";
    }
}

} // namespace
} // namespace vorl
