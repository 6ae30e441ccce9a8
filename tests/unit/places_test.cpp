#include "base/places.h"
#include "base/product.h"
#include "fake/app_fixture.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

TEST(Places, DerivePlacesBelowAnyHomeAndAddressesBelowBase) {
    fake::TemporaryHome home;
    const auto [HOME, ENG, AI, DATA, LOGFILE] = placesBelow(home.path());

    EXPECT_EQ(HOME, home.path());
    EXPECT_EQ(ENG, home.path() / "Library" / "Application Support" / "VORL Vorudi");
    EXPECT_EQ(AI, ENG / "_AI-analyse");
    EXPECT_EQ(DATA, home.path() / "VORL Vorudi");
    EXPECT_EQ(LOGFILE.parent_path(), home.path() / "Library" / "Logs");
    // Two spaces and an en dash (three bytes in UTF-8), as the messages spell it.
    EXPECT_EQ(LOGFILE.filename().string(), "VORL Vorudi \xE2\x80\x93 motor.log");
    EXPECT_EQ(BASE.appendingPathComponent("api/quit").string(), "http://127.0.0.1:8765/api/quit");
    EXPECT_FALSE(std::filesystem::exists(ENG)) << "deriving the places touches no file";
}

TEST(Product, SplashIsTheNineLinePageOf902Characters) {
    EXPECT_EQ(SPLASH.size(), 904u);
    size_t characters = 0;
    for (unsigned char byte : SPLASH)
        characters += (byte & 0xc0) != 0x80 ? 1 : 0;
    EXPECT_EQ(characters, 902u);
    EXPECT_EQ(std::count(SPLASH.begin(), SPLASH.end(), '\n'), 8);
    EXPECT_FALSE(SPLASH.ends_with('\n'));
    EXPECT_NE(SPLASH.find("Starter motoren \xE2\x80\xA6"), std::string::npos);
    EXPECT_EQ(SPLASH.find("<script"), std::string::npos);
    EXPECT_EQ(SPLASH.find("src="), std::string::npos);
}

} // namespace
} // namespace vorl
