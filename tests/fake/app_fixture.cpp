#include "app_fixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vorl::fake {

TemporaryHome::TemporaryHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vorl hjem ø-XXXXXX").string();
    folder = ::mkdtemp(pattern.data());
}

TemporaryHome::~TemporaryHome() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

void writeFile(const std::filesystem::path& path, const std::string& contents) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

AppFixture::AppFixture() {
    app = std::make_unique<AppDelegate>(platform, places);
    platform.app.setDelegate(*app);
}

AppFixture::~AppFixture() {
    app.reset();
    platform.realSession.reset();
}

void installEngine(const Places& places) {
    writeFile(places.AI / "venv/bin/python", "#!/bin/sh\n");
    std::filesystem::permissions(places.AI / "venv/bin/python", std::filesystem::perms::owner_all);
    writeFile(places.AI / "server.py", "# engine\n");
}

void AppFixture::installEngine() {
    fake::installEngine(places);
}

void AppFixture::launch() {
    platform.app.run();
    time().runUntilIdle();
}

void AppFixture::answerProbe(bool healthy) {
    platform.session.answerNext(healthy ? std::optional<std::string>(R"({"status": "ok"})") : std::nullopt);
    time().runUntilIdle();
}

void AppFixture::menu(MenuAction action) {
    platform.app.menuTarget->performMenuAction(action);
}

void AppFixture::reconnect() {
    web().navigationDelegate->didFailProvisionalNavigation(NavigationFailure::cannotConnectToHost);
}

FakeProcessState& AppFixture::launchedEngine() {
    if (platform.launcher.launches.empty())
        throw std::logic_error("no engine was launched");
    return *platform.launcher.launches.back().process;
}

std::vector<std::string> AppFixture::alertTexts() const {
    std::vector<std::string> texts;
    if (!platform.window)
        return texts;
    for (const Alert& alert : platform.window->alerts())
        texts.push_back(alert.informativeText);
    return texts;
}

} // namespace vorl::fake
