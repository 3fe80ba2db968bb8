#include <gtest/gtest.h>

#include "app/filesearch.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "support/testutil.h"

using veltest::ReadFile;
using veltest::TempDir;
using veltest::WriteFile;

TEST(StartLog, FirstCallTruncatesAndLineForms) {
    TempDir dir;
    WriteFile("startlog.txt", "old contents");
    ResetStartLogForTest();
    WriteStartLog("one");
    WriteStartLog("two", 5);
    WriteStartLog("Error code: ", NOLINEEND);
    WriteStartLogInt(200);
    WriteStartLogFloat(1.5f, 0);
    std::string expected = std::string("one\r\n\0", 6) + std::string("two 5\r\n\0", 8) +
                           std::string("Error code: 200\r\n\0", 18) + std::string("1.500000 0\r\n\0", 13);
    EXPECT_EQ(ReadFile("startlog.txt"), expected);
}

TEST(StartLog, UnopenableLogDropsTheLine) {
    TempDir dir;
    ResetStartLogForTest("no_such_folder/startlog.txt");
    WriteStartLog("lost");  // must not crash
    ResetStartLogForTest();
    SUCCEED();
}

TEST(FindFiles, SortsByteWiseCutsExtensionAndCaps) {
    TempDir dir;
    WriteFile("b.roa", "");
    WriteFile("a.roa", "");
    WriteFile("B.roa", "");
    WriteFile("c.txt", "");
    WriteFile("x.list", "");
    FindFiles("*.roa");
    ASSERT_EQ(myGlobs.foundFileCount, 3);
    EXPECT_STREQ(myGlobs.foundFiles[0], "B");
    EXPECT_STREQ(myGlobs.foundFiles[1], "a");
    EXPECT_STREQ(myGlobs.foundFiles[2], "b");
    FindFiles("*.list");
    ASSERT_EQ(myGlobs.foundFileCount, 1);
    EXPECT_STREQ(myGlobs.foundFiles[0], "x.");
    FindFiles("*.nothing");
    EXPECT_EQ(myGlobs.foundFileCount, 0);
    CopyFoundFileName(0);
    EXPECT_STREQ(myGlobs.chosenFileName, "");

    for (int i = 0; i < 300; ++i) WriteFile("many" + std::to_string(1000 + i) + ".dat", "");
    FindFiles("many*.dat");
    EXPECT_EQ(myGlobs.foundFileCount, 255);
    CopyFoundFileName(254);
    EXPECT_STREQ(myGlobs.chosenFileName, myGlobs.foundFiles[254]);
    CopyFoundFileName(255);
    EXPECT_STREQ(myGlobs.chosenFileName, "");
}

TEST(StringHelpers, BoundedCopiesAndPaths) {
    char out[8];
    JoinStrings(out, sizeof out, "abc", nullptr, "def", "ghijk");
    EXPECT_STREQ(out, "abcdefg");
    char pad[6] = "ab";
    PadString(pad, sizeof pad, 10, '.');
    EXPECT_STREQ(pad, "ab...");
    char r[] = "a-b-c";
    EXPECT_EQ(ReplaceChar(r, '-', '_'), 5);
    EXPECT_STREQ(r, "a_b_c");
    EXPECT_STREQ(GetFileNamePart("Scenes\\xfiles\\tree.x"), "tree.x");
    EXPECT_STREQ(GetFileNamePart("tree.x"), "tree.x");
    EXPECT_STREQ(GetFileNamePart("Scenes\\"), "");
    EXPECT_EQ(GetFileNamePart(""), nullptr);
}

TEST(EngineSpots, UnknownObjIdConsumesOnlyItsOwnRecord) {
    TempDir dir;
    // No object types are loaded: every record belongs to an unknown objId and
    // must be skipped whole, so that the parse reaches the end of the file.
    WriteFile("enginespots1.list", "1200 2 0 0 0 1 1 1 1 0.5 0.5 0.5\n1300 0 0\n1400 1 1 2 3 1 4 5 6\n");
    myGlobs.LoadEngineSpots();
    std::string log = ReadFile("startlog.txt");
    // The end line stands alone: the file's name is on the "Reading" line.
    using namespace std::string_literals;
    EXPECT_NE(log.find("Reading from file: enginespots1.list\r\n\0 ... file processed\r\n"s), std::string::npos);
}
