#include "places.h"

#include <string>

namespace vorl {

const Url BASE = *Url::parse("http://127.0.0.1:" + std::to_string(PORT) + "/");

Places placesBelow(const std::filesystem::path& home) {
    Places places;
    places.HOME = home;
    places.ENG = home / "Library/Application Support/VORL Vorudi";
    places.AI = places.ENG / "_AI-analyse";
    places.DATA = home / "VORL Vorudi";
    places.LOGFILE = home / "Library/Logs/VORL Vorudi – motor.log";
    return places;
}

Url builtInPage(const Places& places) {
    return Url::fileUrl(places.ENG / "Auto-Vorudi.html");
}

} // namespace vorl
