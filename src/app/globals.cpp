#include "globals.h"

#include "app_delegate.h"

namespace vorl {

long PORT;
Url BASE;
std::filesystem::path HOME;
std::filesystem::path ENG;
std::filesystem::path AI;
std::filesystem::path DATA;
std::filesystem::path LOGFILE;
Color BG;
std::string SPLASH;
Application* app;
std::unique_ptr<AppDelegate> delegate;

void setGlobalValues(const Platform& platform) {
    PORT = 8765;
    BASE = *Url::parse("http://127.0.0.1:" + std::to_string(PORT) + "/");
    HOME = platform.homeDirectory();
    ENG = HOME / "Library/Application Support/VORL Vorudi";
    AI = ENG / "_AI-analyse";
    DATA = HOME / "VORL Vorudi";
    LOGFILE = HOME / "Library/Logs/VORL Vorudi – motor.log";
    BG = Color{0.102, 0.047, 0.016, 1.0};
    SPLASH = splashPage;
}

} // namespace vorl
