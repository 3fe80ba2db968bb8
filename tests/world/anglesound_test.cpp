// Angle-usage lists and the sound links of object types.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "world/anglesound.h"
#include "world/xobject.h"

namespace fs = std::filesystem;

namespace {

class AngleUsage : public ::testing::Test {
protected:
    void SetUp() override {
        oldDir = fs::current_path();
        dir = fs::temp_directory_path() / ("vel_angle_" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::current_path(dir);
        ResetStartLogForTest(nullptr);
        ClearIdTable();
        const int ids[] = {10, 20, 30};
        for (int i = 0; i < 3; ++i) {
            myGlobs.xObjects[i].objId = ids[i];
            myGlobs.xObjects[i].useAngleXZ = 0;
        }
        myGlobs.xObjectCount = 3;
        BuildIdTable();
    }
    void TearDown() override {
        myGlobs.xObjectCount = 0;
        fs::current_path(oldDir);
        fs::remove_all(dir);
    }
    void Write(const char* name, const char* text) { std::ofstream(dir / name, std::ios::binary) << text; }
    std::string Log() {
        std::ifstream f(dir / "startlog.txt", std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    // The log's lines without their line ends.
    std::vector<std::string> Lines() {
        std::vector<std::string> lines;
        std::string line;
        for (char c : Log()) {
            if (c == '\n') {
                lines.push_back(line);
                line.clear();
            } else if (c != '\r' && c != '\0') {
                line += c;
            }
        }
        return lines;
    }
    bool HasLinesInOrder(const std::vector<std::string>& expected) {
        std::vector<std::string> lines = Lines();
        for (size_t i = 0; i + expected.size() <= lines.size(); ++i)
            if (std::equal(expected.begin(), expected.end(), lines.begin() + i)) return true;
        return false;
    }
    fs::path oldDir, dir;
};

}  // namespace

TEST_F(AngleUsage, ListsFlagTheirTypesAndStopAtTheFirstWord) {
    Write("vlm_useanglexz1.list", "10 15000 -1 99\nend 20\n");
    Write("vlm_useanglexz2.list", "30");
    LoadUseAngleXZInfo();
    EXPECT_EQ(1, GetObjTerrainFlag(10));
    EXPECT_EQ(0, GetObjTerrainFlag(20));  // after the word that ends the list
    EXPECT_EQ(1, GetObjTerrainFlag(30));
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("Loading angleXZ usage info..."));
    EXPECT_TRUE(HasLinesInOrder({"Reading from file: vlm_useanglexz2.list", " ... file processed"}));
    EXPECT_TRUE(HasLinesInOrder({"Reading from file: vlm_useanglexz1.list", "No X_ID found to the ID: 99 !!!",
                                 " ... file processed"}));
    EXPECT_NE(std::string::npos, log.find("No X_ID found to the ID: 99 !!!"));
    // Ids outside the table are ignored without a log line.
    EXPECT_EQ(std::string::npos, log.find("No X_ID found to the ID: 15000"));
    EXPECT_EQ(std::string::npos, log.find("No X_ID found to the ID: -1"));
    EXPECT_NE(std::string::npos, log.find("Info read..."));

    // A second load starts from cleared flags.
    Write("vlm_useanglexz1.list", "20");
    LoadUseAngleXZInfo();
    EXPECT_EQ(0, GetObjTerrainFlag(10));
    EXPECT_EQ(1, GetObjTerrainFlag(20));
    EXPECT_EQ(1, GetObjTerrainFlag(30));
}

TEST_F(AngleUsage, UnreadableListIsLogged) {
    EXPECT_EQ(0, ReadUseAngleXZFile("vlm_useanglexz_missing.list"));
    // The name is logged before the file is opened.
    EXPECT_TRUE(HasLinesInOrder({"Reading from file: vlm_useanglexz_missing.list",
                                 "Unable to open useAngleXZ info file: vlm_useanglexz_missing.list !!!"}));
}

TEST_F(AngleUsage, TypesWithoutASoundAreUnlinked) {
    myGlobs.xObjects[1].hasSound = 1;
    myGlobs.xObjects[1].soundId = 4;
    LinkXObjectSounds();
    EXPECT_EQ(0, GetObjHasSound(20));
    EXPECT_EQ(0, GetObjSoundId(20));
}
