#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "world/lightlist.h"

namespace {

void WriteFile(const char* name, const std::string& text) {
    std::ofstream f(name, std::ios::binary);
    f << text;
}

std::string ReadFile(const char* name) {
    std::ifstream f(name, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::unique_ptr<LIGHTLIST> NewList() { return std::make_unique<LIGHTLIST>(); }

}  // namespace

TEST(LightListTest, LampInfoRecordsKindsColoursAndPartialRecord) {
    auto l = NewList();
    WriteFile("lampinfo_kinds.list",
              "101 SPOT 0.5 -0.25 1.5 0xFF8000 2.0 0.1 0.0 0.5 TRUE 0.8\n"
              "102 spot 0 0 2 255 1 0.2 0 1 FALSE 1\n"
              "\n"
              "103 SPOT 1 2 3\n");
    ResetStartLogForTest("ll_kinds.log");
    l->ReadLampInfoFile("lampinfo_kinds.list");
    ASSERT_EQ(l->GetLampInfoCount(), 2);
    LAMP_INFO a, b;
    ASSERT_TRUE(l->GetLampInfo(101, &a));
    ASSERT_TRUE(l->GetLampInfo(102, &b));
    EXPECT_FALSE(l->HasLampInfo(103));
    EXPECT_EQ(a.type, 2);
    EXPECT_EQ(b.type, 1);  // the comparison with "SPOT" is exact
    EXPECT_FLOAT_EQ(a.offsetX, 0.5f);
    EXPECT_FLOAT_EQ(a.offsetY, -0.25f);
    EXPECT_FLOAT_EQ(a.offsetZ, -1.5f);
    EXPECT_EQ(a.colour, 0xFF8000);
    EXPECT_EQ(b.colour, 255);
    EXPECT_FLOAT_EQ(a.rangeFactor, 2.0f);
    EXPECT_FLOAT_EQ(a.attenuation2, 0.5f);
    EXPECT_EQ(a.halo, 1);
    EXPECT_EQ(b.halo, 0);
    EXPECT_FLOAT_EQ(a.haloSize, 0.8f);
    std::string log = ReadFile("ll_kinds.log");
    EXPECT_NE(log.find("Reading from file: lampinfo_kinds.list"), std::string::npos);
    EXPECT_NE(log.find(" ... file processed"), std::string::npos);

    l->ReadLampInfoFile("no_such_lampinfo.list");
    log = ReadFile("ll_kinds.log");
    EXPECT_NE(log.find("Unable to open lamp info file: no_such_lampinfo.list !!!"), std::string::npos);
    std::remove("lampinfo_kinds.list");
}

TEST(LightListTest, LightingTextureListLimitAndMatching) {
    auto l = NewList();
    std::string text;
    for (int i = 0; i < 300; i++) text += "tex" + std::to_string(i) + ".dds ";
    text += std::string(40, 'q') + ".dds\n";
    WriteFile("ltex_limit_a.list", text);
    l->ReadLightingTextureFile("ltex_limit_a.list");
    EXPECT_EQ(l->GetLightingTextureCount(), 301);
    EXPECT_EQ(std::strlen(l->GetLightingTextureName(300)), 31u);
    l->ReadLightingTextureFile("ltex_limit_a.list");
    EXPECT_EQ(l->GetLightingTextureCount(), 499);
    EXPECT_TRUE(l->IsLightingTexture("objects\\bitmaps\\tex12.bmp"));
    EXPECT_TRUE(l->IsLightingTexture("tex7.jpg"));
    EXPECT_FALSE(l->IsLightingTexture("tex12.bm"));
    EXPECT_FALSE(l->IsLightingTexture("ab"));
    EXPECT_FALSE(l->IsLightingTexture(""));
    std::remove("ltex_limit_a.list");
}

TEST(LightListTest, GridOfFiveByThreeTilesAndCells) {
    auto l = NewList();
    l->InitLightGridSize(5 * 14.0f, 3 * 14.0f);
    EXPECT_EQ(l->GetRows(), 10);
    EXPECT_EQ(l->GetCols(), 6);
    int r, c;
    ASSERT_TRUE(l->GetCell(-35.0f, -21.0f, &r, &c));
    EXPECT_EQ(r, 0);
    EXPECT_EQ(c, 0);
    ASSERT_TRUE(l->GetCell(0.1f, 0.1f, &r, &c));
    EXPECT_EQ(r, 5);
    EXPECT_EQ(c, 3);
    ASSERT_TRUE(l->GetCell(500.0f, -500.0f, &r, &c));  // clamped into the grid
    EXPECT_EQ(r, 9);
    EXPECT_EQ(c, 0);
    LAMP_LIGHT* lamp = l->AddLight(10.0f, 10.0f, 0.0f, 0.0f, 1, 1, -0.45f, 2000);
    ASSERT_NE(lamp, nullptr);
    ASSERT_TRUE(l->GetCell(10.0f, 10.0f, &r, &c));
    EXPECT_EQ(l->GetCellList(r, c), lamp);
    l->MoveLight(lamp, -20.0f, -10.0f, 0.0f, 0.0f);
    EXPECT_EQ(l->GetCellList(r, c), nullptr);
    ASSERT_TRUE(l->GetCell(-20.0f, -10.0f, &r, &c));
    EXPECT_EQ(l->GetCellList(r, c), lamp);
    // Rebuilding the grid removes every light.
    l->InitLightGridSize(14.0f, 14.0f);
    EXPECT_EQ(l->GetLightCount(), 0);
    EXPECT_FALSE(l->IsLight(lamp));
    EXPECT_EQ(l->GetRows(), 2);
}

TEST(LightListTest, LampKindsFromArgumentAndLampInformation) {
    auto l = NewList();
    WriteFile("lampinfo_add.list", "300 POINT 1 0 2 0x808000 2.0 0.1 0.0 0.5 TRUE 0.8\n"
                                   "301 SPOT 0 0 2 0xFFFFFF 1.0 0.1 0.0 0.5 FALSE 1\n");
    l->ReadLampInfoFile("lampinfo_add.list");
    std::remove("lampinfo_add.list");
    l->InitLightGridSize(28.0f, 28.0f);
    ResetStartLogForTest("ll_lamps.log");

    LAMP_LIGHT* none = l->AddLight(1.0f, 2.0f, 0.0f, 0.0f, -1, 0, -0.45f, 999);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->light.Type, D3DLIGHT_POINT);
    EXPECT_EQ(none->colourCode, LAMPCOLOUR_WHITE);
    EXPECT_FLOAT_EQ(none->light.Range, 7.0f);
    EXPECT_FLOAT_EQ(none->light.Diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(none->light.Position.z, -0.45f);
    std::string log = ReadFile("ll_lamps.log");
    EXPECT_NE(log.find("Lamp info could not found for ID: 999 !!!"), std::string::npos);

    LAMP_LIGHT* warm = l->AddLight(0.0f, 0.0f, 0.0f, 0.0f, 2, 0, -0.45f, 5);
    EXPECT_EQ(warm->colourCode, LAMPCOLOUR_WARM);
    EXPECT_FLOAT_EQ(warm->light.Range, 1.75f);
    EXPECT_FLOAT_EQ(warm->light.Attenuation2, 4.0f);

    LAMP_LIGHT* odd = l->AddLight(0.0f, 0.0f, 0.0f, 0.0f, 0x123456, 0, -0.45f, 5);
    EXPECT_EQ(odd->kind, 1);
    EXPECT_FLOAT_EQ(odd->light.Range, 7.0f);
    log = ReadFile("ll_lamps.log");
    EXPECT_NE(log.find("Unknown type in LIGHTLIST::AddLight() !!!"), std::string::npos);

    // With information: offset turned by the heading, range and colour scaled.
    LAMP_LIGHT* info = l->AddLight(3.0f, 4.0f, -1.0f, 90.0f, -1, 0, -0.45f, 300);
    EXPECT_NEAR(info->light.Position.x, 3.0f, 1e-5f);
    EXPECT_NEAR(info->light.Position.y, 5.0f, 1e-5f);
    EXPECT_NEAR(info->light.Position.z, -3.0f, 1e-5f);
    EXPECT_FLOAT_EQ(info->light.Range, 14.0f);
    EXPECT_FLOAT_EQ(info->light.Attenuation2, 0.25f);
    EXPECT_FLOAT_EQ(info->light.Diffuse.r, 128.0f * 0.66f / 256.0f);
    EXPECT_FLOAT_EQ(info->light.Diffuse.b, 0.0f);
    EXPECT_EQ(info->halo, 1);
    EXPECT_FLOAT_EQ(info->haloSize, 0.8f);
    EXPECT_EQ(info->colourCode, 0x808000);
    l->MoveLight(info, 0.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_NEAR(info->light.Position.x, 1.0f, 1e-5f);
    EXPECT_NEAR(info->light.Position.y, 0.0f, 1e-5f);

    // A spot lamp gets a cone that lights something: it points down (z grows
    // downward) and opens wider outside than inside.
    LAMP_LIGHT* spot = l->AddLight(0.0f, 0.0f, 0.0f, 0.0f, -1, 0, -0.45f, 301);
    ASSERT_NE(spot, nullptr);
    EXPECT_EQ(spot->light.Type, D3DLIGHT_SPOT);
    EXPECT_GT(spot->light.Direction.z, 0.0f);
    EXPECT_GT(spot->light.Phi, 0.0f);
    EXPECT_LE(spot->light.Theta, spot->light.Phi);
}

TEST(LightListTest, LampIndicesAvoidAuxiliaryLightsAndStopAt999) {
    auto l = NewList();
    l->InitLightGridSize(140.0f, 140.0f);
    std::vector<LAMP_LIGHT*> lamps;
    for (int i = 0; i < 2000; i++) {
        LAMP_LIGHT* lamp = l->AddLight((float)(i % 40), (float)(i / 40), 0.0f, 0.0f, 1, 0, -0.45f, 1);
        if (!lamp) break;
        lamps.push_back(lamp);
    }
    ASSERT_EQ(lamps.size(), 997u);
    for (LAMP_LIGHT* lamp : lamps) {
        EXPECT_GE(lamp->index, 3);
        EXPECT_LE(lamp->index, 999);
    }
    EXPECT_EQ(l->AddLight(0.0f, 0.0f, 0.0f, 0.0f, 1, 0, -0.45f, 1), nullptr);
    int freed = lamps[10]->index;
    l->RemoveLight(lamps[10]);
    LAMP_LIGHT* again = l->AddLight(0.0f, 0.0f, 0.0f, 0.0f, 1, 0, -0.45f, 1);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->index, freed);
    l->RemoveAllLights();
    EXPECT_EQ(l->GetLightCount(), 0);
    EXPECT_EQ(l->GetRows(), 0);
}

TEST(LightListTest, NoGridMeansNoCellWork) {
    auto l = NewList();
    LAMP_LIGHT* lamp = l->AddLight(0.0f, 0.0f, 0.0f, 0.0f, 1, 0, -0.45f, 1);
    ASSERT_NE(lamp, nullptr);
    EXPECT_EQ(l->GetUnplacedList(), lamp);
    l->SetNightAndLamps(1, 1);
    l->SwitchOnNearLights(0.0f, 0.0f);
    EXPECT_EQ(l->GetEnabledLightCount(), 0);
    EXPECT_EQ(l->IsLitByLamp(0.0f, 0.0f), 0);
    l->SwitchOffNearLights();
    l->RemoveLight(lamp);  // works without a grid too
    EXPECT_EQ(l->GetLightCount(), 0);
    EXPECT_EQ(l->GetUnplacedList(), nullptr);
}

TEST(LightListTest, NearLightsAndLitByLamp) {
    auto l = NewList();
    l->InitLightGridSize(70.0f, 70.0f);
    l->AddLight(0.0f, 0.0f, 0.0f, 0.0f, 1, 0, -0.45f, 1);   // range 7
    l->AddLight(6.0f, 0.0f, 0.0f, 0.0f, 2, 0, -0.45f, 1);   // range 1.75
    l->AddLight(30.0f, 30.0f, 0.0f, 0.0f, 1, 0, -0.45f, 1);
    // By day nothing is lit and nothing switches.
    l->SwitchOnNearLights(1.0f, 0.0f);
    EXPECT_EQ(l->GetEnabledLightCount(), 0);
    EXPECT_EQ(l->IsLitByLamp(1.0f, 0.0f), 0);
    l->SetNightAndLamps(1, 1);
    EXPECT_EQ(l->IsLitByLamp(4.8f, 0.0f), 1);   // within 0.7 x 7
    EXPECT_EQ(l->IsLitByLamp(-5.0f, 0.0f), 0);
    l->SwitchOnNearLights(5.5f, 0.0f);           // 0.8 x 7 = 5.6 and the warm lamp
    EXPECT_EQ(l->GetEnabledLightCount(), 2);
    l->SwitchOffNearLights();
    EXPECT_EQ(l->GetEnabledLightCount(), 0);
}

TEST(LightListTest, LightingSectionRoundTripAndOldVersions) {
    auto l = NewList();
    l->SetAmbientColor(0x00405060);
    l->SetSunColor(0x808080);
    l->SetNightAndLamps(1, 0);
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    myGlobs.loadFileVersion = 15;
    ASSERT_EQ(l->Save(f), 1);
    EXPECT_EQ(std::ftell(f), LIGHTLIST::SECTIONSIZE);
    std::rewind(f);
    auto r = NewList();
    ASSERT_EQ(r->Load(f), 1);
    EXPECT_EQ(r->IsNight(), 1);
    EXPECT_EQ(r->GetLampsOn(), 0);
    EXPECT_EQ(r->GetAmbientColor(), 0x00405060u);
    EXPECT_FLOAT_EQ(r->GetSun().Diffuse.r, 0.5f);
    std::fclose(f);

    // Version 12: a grey level instead of the colour, no lamps-on field;
    // at night the grey level is 32. The sun is always directional.
    f = std::tmpfile();
    uint8_t buf[LIGHTLIST::OLDSECTIONSIZE] = {};
    buf[0] = 1;    // night
    buf[4] = 100;  // grey level
    buf[8] = 2;    // a spot light where the sun should be
    std::fwrite(buf, 1, sizeof(buf), f);
    std::rewind(f);
    myGlobs.loadFileVersion = 12;
    auto old = NewList();
    ASSERT_EQ(old->Load(f), 1);
    EXPECT_EQ(old->GetAmbientColor(), 0xFF202020u);
    EXPECT_EQ(old->GetLampsOn(), 1);
    EXPECT_EQ(old->GetSun().Type, D3DLIGHT_DIRECTIONAL);
    std::fclose(f);

    // A section cut short fails and leaves the lighting alone.
    f = std::tmpfile();
    std::fwrite(buf, 1, 50, f);
    std::rewind(f);
    myGlobs.loadFileVersion = 15;
    auto cut = NewList();
    EXPECT_EQ(cut->Load(f), 0);
    EXPECT_EQ(cut->IsNight(), 0);
    std::fclose(f);
}
