// Sky lists, the choice of a sky and its layout section.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "gfx/display.h"
#include "gfx/texturemanager.h"
#include "platform/window.h"
#include "support/display_support.h"
#include "support/testutil.h"
#include "world/lightlist.h"
#include "world/skybox.h"
#include "world/terrain.h"

namespace {

class SkyboxTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetStartLogForTest("log.txt");  // in the test's own folder
        ASSERT_TRUE(StartHeadlessDisplay());
        ASSERT_EQ(terrain.CreateTerrain(1, 1), 1);
        veltest::WriteFile("vlm_skybox1.txt",
                           "one.dds 0x010101 0xFFFFFF 0x101010 0 DAY NOLAMP\r\n"
                           "two.dds 0x020202 0x808080 0x202020 0 NIGHT LAMP\r\n");
        veltest::WriteFile("vlm_skybox2.txt",
                           "three.dds 0x030303 0xFFFFFF 0x303030 0 DAY NOLAMP\n"
                           "\n"
                           "four.dds 0x040404 0xFFFFFF 0x404040 0 DAY NOLAMP");
        skybox.FreeEntries();
    }
    std::string Log() const { return veltest::ReadFile(dir.Path() + "/log.txt"); }
    veltest::TempDir dir;
};

// Loads a sky section of a current layout file that holds the index.
int LoadSkySection(int32_t index) {
    FILE* f = std::tmpfile();
    const uint32_t u = static_cast<uint32_t>(index);
    const unsigned char b[4] = {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
                                static_cast<unsigned char>(u >> 16), static_cast<unsigned char>(u >> 24)};
    std::fwrite(b, 1, 4, f);
    std::rewind(f);
    myGlobs.loadFileVersion = 15;
    const int result = skybox.Load(f);
    std::fclose(f);
    return result;
}

}  // namespace

TEST(SkyboxRows, TokensNumbersAndShortRows) {
    SKYBOX_ENTRY e;
    EXPECT_EQ(ParseSkyboxRow("sky1.dds 0x8090A0 16777215 0100 7 NIGHT LAMP", &e), 7);
    EXPECT_STREQ(e.textureName, "sky1.dds");
    EXPECT_EQ(e.fogColor, 0x8090A0u);
    EXPECT_EQ(e.sunColor, 0xFFFFFFu);
    EXPECT_EQ(e.ambientColor, 64u);  // octal after a leading 0
    EXPECT_EQ(e.fourth, 7u);
    EXPECT_EQ(e.night, 1);
    EXPECT_EQ(e.lamp, 1);
    EXPECT_EQ(ParseSkyboxRow("  sky3 1 2 3 4 night lamp extra\r", &e), 7);
    EXPECT_EQ(e.night, 0);  // the words are compared exactly
    EXPECT_EQ(e.lamp, 0);
    // A short row keeps defaults for what it lacks.
    EXPECT_EQ(ParseSkyboxRow("sky2.dds 0x102030", &e), 2);
    EXPECT_EQ(e.fogColor, 0x102030u);
    EXPECT_EQ(e.sunColor, 0xFFFFFFu);
    EXPECT_NE(e.ambientColor, 0u);
    EXPECT_EQ(e.night, 0);
    EXPECT_EQ(ParseSkyboxRow(" \t\r", &e), 0);
    const std::string longName(100, 'x');
    EXPECT_EQ(ParseSkyboxRow(longName.c_str(), &e), 1);
    EXPECT_EQ(std::string(e.textureName).size(), static_cast<size_t>(SKYBOX_NAMELEN - 1));
}

TEST_F(SkyboxTest, IndexZeroIsTheLastRowReadAcrossListFiles) {
    skybox.LoadSkyboxLists();
    ASSERT_EQ(skybox.GetEntryCount(), 4);
    EXPECT_STREQ(skybox.GetEntry(0)->textureName, "four.dds");
    EXPECT_STREQ(skybox.GetEntry(1)->textureName, "three.dds");
    EXPECT_STREQ(skybox.GetEntry(2)->textureName, "two.dds");
    EXPECT_STREQ(skybox.GetEntry(3)->textureName, "one.dds");
    EXPECT_EQ(skybox.GetEntry(4), nullptr);
    EXPECT_EQ(skybox.GetCurrentIndex(), 0);
    EXPECT_EQ(display.GetFogColor(), 0xFF040404u);
    const std::string log = Log();
    EXPECT_NE(log.find("Reading from file: vlm_skybox1.txt"), std::string::npos);
    EXPECT_LT(log.find("vlm_skybox1.txt"), log.find("vlm_skybox2.txt"));
    EXPECT_NE(log.find(" ... file processed"), std::string::npos);
}

TEST_F(SkyboxTest, ChoosingASkySetsFogAndLightingAndBadIndicesChangeNothing) {
    skybox.LoadSkyboxLists();
    skybox.SelectSkybox(2, 3);
    EXPECT_EQ(skybox.GetCurrentIndex(), 2);
    EXPECT_EQ(display.GetFogColor(), 0xFF020202u);
    EXPECT_EQ(lightList.GetAmbientColor(), 0x202020u);
    EXPECT_EQ(lightList.IsNight(), 1);
    EXPECT_EQ(lightList.GetLampsOn(), 1);
    EXPECT_EQ(terrain.GetUVComponent(3, 3, 0)->color & 0xFFFFFFu, 0x202020u);  // the ground at night
    skybox.SelectSkybox(5, 3);
    skybox.SelectSkybox(-1, 3);
    EXPECT_EQ(skybox.GetCurrentIndex(), 2);
    EXPECT_EQ(display.GetFogColor(), 0xFF020202u);
    EXPECT_EQ(lightList.IsNight(), 1);
    skybox.SelectSkybox(0, 3);
    EXPECT_EQ(lightList.IsNight(), 0);
    EXPECT_EQ(terrain.GetUVComponent(3, 3, 0)->color & 0xFFFFFFu, 0xFFFFFFu);
}

TEST_F(SkyboxTest, MissingListFileIsLoggedAndAMissingTextureStillMakesAnEntry) {
    skybox.LoadSkyboxListFile("vlm_skybox9.txt");
    EXPECT_NE(Log().find("Unable to open skybox list file: vlm_skybox9.txt !!!"), std::string::npos);
    EXPECT_EQ(skybox.GetEntryCount(), 0);
    skybox.LoadSkyboxListFile("vlm_skybox1.txt");
    ASSERT_EQ(skybox.GetEntryCount(), 2);
    skybox.SelectSkybox(1, 3);
    EXPECT_EQ(skybox.GetCurrentIndex(), 1);
    if (skybox.GetCurrentTexture()) {
        EXPECT_EQ(skybox.GetCurrentTexture()->texture, nullptr);
    }
}

TEST_F(SkyboxTest, SectionRoundTripAndOldFiles) {
    skybox.LoadSkyboxLists();
    skybox.SelectSkybox(3, 3);
    FILE* f = std::tmpfile();
    ASSERT_EQ(skybox.Save(f), 1);
    EXPECT_EQ(std::ftell(f), 4);
    skybox.SelectSkybox(0, 3);
    std::rewind(f);
    myGlobs.loadFileVersion = 13;
    ASSERT_EQ(skybox.Load(f), 1);
    EXPECT_EQ(skybox.GetCurrentIndex(), 3);
    std::fclose(f);

    // A negative choice is not taken.
    lightList.SetNightAndLamps(0, 0);
    ASSERT_EQ(LoadSkySection(-1), 1);
    EXPECT_EQ(skybox.GetCurrentIndex(), 0);

    // Old files have no sky section: night gives entry 1.
    myGlobs.loadFileVersion = 12;
    lightList.SetNightAndLamps(1, 1);
    ASSERT_EQ(skybox.Load(nullptr), 1);
    EXPECT_EQ(skybox.GetCurrentIndex(), 1);
    myGlobs.loadFileVersion = 13;
    EXPECT_EQ(skybox.Load(nullptr), 0);
}

TEST_F(SkyboxTest, AChoiceBeyondTheListIsNotTakenEither) {
    // A layout saved where more skies were listed: the sky of the layout
    // open before must not stay, or the next save would store that sky with
    // this layout's lighting.
    skybox.LoadSkyboxLists();
    ASSERT_EQ(skybox.GetEntryCount(), 4);
    for (int night = 0; night <= 1; night++) {
        skybox.SelectSkybox(3, 3);
        lightList.SetNightAndLamps(night, night);
        ASSERT_EQ(LoadSkySection(9), 1);
        EXPECT_EQ(skybox.GetCurrentIndex(), night);
    }
    EXPECT_NE(Log().find("Bad sky box index in SKYBOX::Load() !!!"), std::string::npos);

    // With a single sky, night falls back to it as well.
    skybox.FreeEntries();
    veltest::WriteFile("vlm_skybox3.txt", "five.dds 0x050505 0xFFFFFF 0x505050 0 DAY NOLAMP\r\n");
    skybox.LoadSkyboxListFile("vlm_skybox3.txt");
    ASSERT_EQ(skybox.GetEntryCount(), 1);
    lightList.SetNightAndLamps(1, 1);
    ASSERT_EQ(LoadSkySection(5), 1);
    EXPECT_EQ(skybox.GetCurrentIndex(), 0);
    EXPECT_EQ(lightList.IsNight(), 0);
}
