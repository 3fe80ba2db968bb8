// The water quad, its passes and the bump map.
#include <gtest/gtest.h>

#include <cmath>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "platform/window.h"
#include "rail/layoutstate.h"
#include "support/display_support.h"
#include "support/testutil.h"
#include "world/terrain.h"
#include "world/water.h"

namespace {

class WaterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetStartLogForTest("log.txt");  // in the test's own folder
        ASSERT_TRUE(StartHeadlessDisplay());
    }
    veltest::TempDir dir;
};

}  // namespace

TEST_F(WaterTest, QuadCoversTheTerrainInsetAndRepeatsEveryTwoTiles) {
    ASSERT_EQ(terrain.CreateTerrain(10, 10), 1);  // the terrain gives the water its rectangle
    WATER_VERTEX v[4];
    ASSERT_TRUE(water.ReadQuad(v));
    EXPECT_NEAR(v[0].x, -69.8f, 1e-4);
    EXPECT_NEAR(v[0].y, 69.8f, 1e-4);
    EXPECT_NEAR(v[3].x, 69.8f, 1e-4);
    EXPECT_NEAR(v[3].y, -69.8f, 1e-4);
    EXPECT_NEAR(v[3].u, 4.999f, 1e-4);
    EXPECT_NEAR(v[3].v, 4.999f, 1e-4);
    EXPECT_EQ(v[1].v, 0.0f);
    EXPECT_EQ(v[2].u, 0.0f);
    for (const WATER_VERTEX& p : v) {
        EXPECT_FLOAT_EQ(p.z, 0.1f);
        EXPECT_FLOAT_EQ(p.nz, -1.0f);
    }
    EXPECT_NE(veltest::ReadFile(dir.Path() + "/log.txt").find("Vertex buffer for WATER passed..."),
              std::string::npos);
    // A new terrain gives the water its new rectangle.
    ASSERT_EQ(terrain.CreateTerrain(2, 1), 1);
    ASSERT_TRUE(water.ReadQuad(v));
    EXPECT_NEAR(v[3].x, 13.8f, 1e-4);
    EXPECT_NEAR(v[3].y, -6.8f, 1e-4);
}

TEST_F(WaterTest, SimpleWaterScrollsAndWraps) {
    ASSERT_EQ(terrain.CreateTerrain(10, 10), 1);
    layoutState.SetWaterAnimation(0);
    WATER_VERTEX before[4], after[4];
    ASSERT_TRUE(water.ReadQuad(before));
    frameTime = 100;
    water.AnimateTexture();
    ASSERT_TRUE(water.ReadQuad(after));
    EXPECT_NEAR(after[0].u - before[0].u, 100.0f / 600000.0f, 1e-7);
    EXPECT_NEAR(after[3].v - before[3].v, 100.0f / 600000.0f, 1e-6);
    // About 11 units of scrolling bring the far corner past 16: all wrap.
    for (int k = 0; k < 66000; ++k) water.AnimateTexture();
    ASSERT_TRUE(water.ReadQuad(after));
    EXPECT_LT(after[3].u, 16.0f);
    EXPECT_LT(after[0].u, 0.0f);  // the near corner went below 0 with them
    EXPECT_NEAR(after[3].u - after[0].u, before[3].u - before[0].u, 0.02);
}

TEST(WaterPasses, EachFrameDrawsTheWaterOnce) {
    // 30 units high at 16-bit colour: before the ground; 24 units: after it.
    EXPECT_TRUE(WATER::DrawsInPass(1, -30.0f, 1));
    EXPECT_FALSE(WATER::DrawsInPass(2, -30.0f, 1));
    EXPECT_FALSE(WATER::DrawsInPass(1, -24.0f, 1));
    EXPECT_TRUE(WATER::DrawsInPass(2, -24.0f, 1));
    // At 32-bit colour always after the ground.
    EXPECT_FALSE(WATER::DrawsInPass(1, -30.0f, 0));
    EXPECT_TRUE(WATER::DrawsInPass(2, -30.0f, 0));
}

TEST(WaterBump, TexelsFollowTheRipplePattern) {
    signed char du, dv;
    WATER::BumpTexel(128, 128, 256, 256, &du, &dv);  // the centre: r = 0
    EXPECT_EQ(du, 64 + 32 + 16);
    EXPECT_EQ(dv, 0);
    WATER::BumpTexel(0, 0, 256, 256, &du, &dv);
    const double r = std::sqrt(0.5);
    const int u = static_cast<int>(std::exp(-5 * r) * std::cos(600 * r) * 64) + static_cast<int>(std::cos(-300.0) * 32) +
                  static_cast<int>(std::cos((0.85 * -0.5 + 0.5) * 280) * 16);
    EXPECT_EQ(du, static_cast<signed char>(u));
}

TEST_F(WaterTest, WithoutBumpSupportTheWaterStaysSimple) {
    D3DCAPS8 caps;
    display.GetDevice()->GetDeviceCaps(&caps);
    myGlobs.complexWater = 1;
    layoutState.SetWaterAnimation(0);
    const int made = water.CreateBumpMap(256, 256, D3DFMT_V8U8);
    if (!(caps.TextureOpCaps & D3DTEXOPCAPS_BUMPENVMAP)) {
        EXPECT_EQ(made, 0);
        EXPECT_EQ(water.GetBumpMap(), nullptr);
        EXPECT_FALSE(water.IsActive());
        EXPECT_FALSE(water.IsComplex());
        EXPECT_NE(veltest::ReadFile(dir.Path() + "/log.txt").find("D3DTEXOPCAPS_BUMPENVMAP is not supported!!!"),
                  std::string::npos);
    } else if (made) {
        EXPECT_NE(water.GetBumpMap(), nullptr);
        EXPECT_EQ(layoutState.GetWaterAnimation(), 1);
        EXPECT_TRUE(water.IsComplex());
    }
    frameTime = 1500;
    const float phase = water.GetBumpPhase();
    water.UpdateBump();
    if (water.GetBumpMap()) {
        EXPECT_NEAR(water.GetBumpPhase(), phase + 0.5f, 1e-5);
        EXPECT_NEAR(water.GetBumpMatrix()._11, 0.04f * std::cos(9 * water.GetBumpPhase()), 1e-6);
    } else {
        EXPECT_EQ(water.GetBumpPhase(), phase);
    }
}
