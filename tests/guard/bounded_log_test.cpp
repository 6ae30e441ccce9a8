#include "fake/app_fixture.h"
#include "guard/bounded_log.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

class BoundedLog : public ::testing::Test {
protected:
    std::filesystem::path file() const { return home.path() / "motor.log"; }
    std::filesystem::path older() const { return home.path() / "motor.log.1"; }
    bounded_log open(unsigned long long limit) {
        bounded_log log;
        EXPECT_EQ(bounded_log_init(&log, file().c_str(), limit), 0);
        return log;
    }
    static void write(bounded_log& log, const std::string& text) {
        bounded_log_write(&log, text.data(), text.size());
    }

    fake::TemporaryHome home;
};

TEST_F(BoundedLog, TenMebibytesExactlyStayThenTheNextByteMovesThemAside) {
    constexpr unsigned long long limit = 10 * 1024 * 1024;
    bounded_log log = open(limit);
    const std::string line(63, 'x');
    std::string chunk;
    for (int i = 0; i < 1024; ++i)
        chunk += line + "\n";
    for (unsigned long long written = 0; written < limit; written += chunk.size())
        write(log, chunk);
    EXPECT_EQ(std::filesystem::file_size(file()), limit);
    EXPECT_FALSE(std::filesystem::exists(older()));
    write(log, "y\n");
    EXPECT_EQ(std::filesystem::file_size(older()), limit);
    EXPECT_EQ(fake::readFile(file()), "y\n");
    bounded_log_close(&log);
}

TEST_F(BoundedLog, TheLinesThatFitStayAnOlderOneIsReplacedAndAnOverlongLineIsSplit) {
    fake::writeFile(older(), "from an earlier run\n");
    bounded_log log = open(100);
    write(log, std::string(60, 'a') + "\n");
    write(log, std::string(30, 'b') + "\n" + std::string(30, 'c') + "\n");
    EXPECT_EQ(fake::readFile(older()), std::string(60, 'a') + "\n" + std::string(30, 'b') + "\n");
    EXPECT_EQ(fake::readFile(file()), std::string(30, 'c') + "\n");
    write(log, std::string(250, 'd'));
    EXPECT_EQ(fake::readFile(older()), std::string(100, 'd'));
    EXPECT_EQ(fake::readFile(file()), std::string(50, 'd'));
    bounded_log_close(&log);
}

TEST_F(BoundedLog, ALogThatCannotBeMovedAsideStartsAgainEmptyWithinItsLimit) {
    fake::writeFile(older() / "in the way", "");
    bounded_log log = open(100);
    write(log, std::string(79, 'a') + "\n");
    write(log, std::string(39, 'b') + "\n");
    EXPECT_EQ(fake::readFile(file()), std::string(39, 'b') + "\n");
    bounded_log_close(&log);
}

TEST_F(BoundedLog, AnotherWriterMovingItAsideSendsTheRestToTheNewFile) {
    bounded_log first = open(100), second = open(100);
    write(first, std::string(89, 'a') + "\n");
    write(second, std::string(19, 'b') + "\n");
    write(first, "c\n");
    EXPECT_EQ(fake::readFile(older()), std::string(89, 'a') + "\n");
    EXPECT_EQ(fake::readFile(file()), std::string(19, 'b') + "\nc\n");
    bounded_log_close(&first);
    bounded_log_close(&second);
}

TEST_F(BoundedLog, OutputWithNowhereToGoIsDroppedUntilTheFolderIsThere) {
    bounded_log log;
    std::filesystem::path later = home.path() / "Logs/motor.log";
    ASSERT_EQ(bounded_log_init(&log, later.c_str(), 100), 0);
    write(log, "lost\n");
    std::filesystem::create_directory(later.parent_path());
    write(log, "kept\n");
    EXPECT_EQ(fake::readFile(later), "kept\n");
    bounded_log_close(&log);
    EXPECT_EQ(bounded_log_init(&log, later.c_str(), 0), -1) << "no limit is no log";
}

} // namespace
} // namespace vorl
