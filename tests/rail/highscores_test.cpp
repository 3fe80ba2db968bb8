// High-score table: creation of the file, reading it back and its bounds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "app/startlog.h"
#include "rail/highscores.h"
#include "support/testutil.h"

namespace {

std::string Record(const std::string& name, int score) {
    std::string r(68, '\0');
    std::memcpy(&r[0], name.data(), name.size() < 64 ? name.size() : 64);
    for (int i = 0; i < 4; i++) r[64 + i] = static_cast<char>(static_cast<uint32_t>(score) >> (8 * i));
    return r;
}

}  // namespace

TEST(HighScores, MissingFileIsCreatedWithTheDefaultTable) {
    veltest::TempDir dir;
    ResetStartLogForTest("log.txt");
    HIGHSCORES table;
    const std::string file = veltest::ReadFile("highscores.bin");
    ASSERT_EQ(file.size(), 1020u);
    std::string expected;
    for (int i = 0; i < 15; i++) expected += Record("Anonymous", 150 - 10 * i);
    EXPECT_EQ(file, expected);
    for (int i = 0; i < 15; i++) {
        EXPECT_STREQ(table.GetName(i), "Anonymous");
        EXPECT_EQ(table.GetScore(i), 150 - 10 * i);
    }
    // Out of the table: empty answers.
    EXPECT_STREQ(table.GetName(15), "");
    EXPECT_STREQ(table.GetName(-1), "");
    EXPECT_EQ(table.GetScore(15), 0);

    // A second start reads the file instead of writing it.
    HIGHSCORES again;
    EXPECT_EQ(again.Load(), 1);
    EXPECT_EQ(veltest::ReadFile("highscores.bin"), expected);
}

TEST(HighScores, ExistingTableIsReadAndItsNamesBounded) {
    veltest::TempDir dir;
    ResetStartLogForTest("log.txt");
    std::string file = Record("Alice", 990) + Record(std::string(64, 'Z'), -5);
    for (int i = 2; i < 15; i++) file += Record("P" + std::to_string(i), 100 - i);
    veltest::WriteFile("highscores.bin", file);
    HIGHSCORES table;
    EXPECT_STREQ(table.GetName(0), "Alice");
    EXPECT_EQ(table.GetScore(0), 990);
    EXPECT_EQ(std::strlen(table.GetName(1)), 63u);  // an unterminated name is cut
    EXPECT_EQ(table.GetScore(1), -5);
    EXPECT_STREQ(table.GetName(14), "P14");
    EXPECT_EQ(veltest::ReadFile("highscores.bin"), file);
}

TEST(HighScores, ShortOrUnwritableFilesFallBackToTheDefaults) {
    veltest::TempDir dir;
    ResetStartLogForTest("log.txt");
    veltest::WriteFile("highscores.bin", Record("Bob", 7));
    HIGHSCORES table;
    EXPECT_STREQ(table.GetName(0), "Anonymous");
    EXPECT_EQ(table.GetScore(14), 10);
    EXPECT_EQ(veltest::ReadFile("highscores.bin").size(), 68u);  // left as it was

    // A file that cannot be created is logged.
    std::filesystem::remove("highscores.bin");
    ASSERT_EQ(symlink("/nonexistent-folder/highscores.bin", "highscores.bin"), 0);
    HIGHSCORES none;
    EXPECT_EQ(none.GetScore(0), 150);
    EXPECT_NE(veltest::ReadFile("log.txt").find("Unable to create highscores.bin in HIGHSCORES::HIGHSCORES()!!!"),
              std::string::npos);
}
