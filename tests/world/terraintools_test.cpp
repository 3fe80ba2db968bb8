// The terrain editing tools at known ground points.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "gfx/display.h"
#include "platform/window.h"
#include "support/display_support.h"
#include "support/testutil.h"
#include "world/lightlist.h"
#include "world/terrain.h"
#include "world/terraintools.h"

namespace {

class TerrainToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetStartLogForTest("log.txt");  // in the test's own folder
        ASSERT_TRUE(StartHeadlessDisplay());
        terrain.SetBrushSize(10.0f);
        ASSERT_EQ(terrain.CreateTerrain(2, 2), 1);
    }
    veltest::TempDir dir;
};

// World position of vertex (i, j), nudged into its cell.
float VX(int i) { return i * 0.7f - 14.0f + 0.01f; }
float VY(int j) { return j * 0.7f - 14.0f + 0.01f; }

std::vector<UV_COMPONENT> Records(int i0, int i1, int j0, int j1) {
    std::vector<UV_COMPONENT> out;
    for (int i = i0; i <= i1; ++i)
        for (int j = j0; j <= j1; ++j)
            for (int r = 0; r < 6; ++r) out.push_back(*terrain.GetUVComponent(i, j, r));
    return out;
}

bool SameRecords(const std::vector<UV_COMPONENT>& a, const std::vector<UV_COMPONENT>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(UV_COMPONENT)) == 0;
}

}  // namespace

TEST_F(TerrainToolsTest, BrushSizeSetsItsFactors) {
    terrain.SetBrushSize(10.0f);
    EXPECT_FLOAT_EQ(terrain.GetBrushSize(), 2.25f);
    EXPECT_NEAR(terrain.GetBrushRadius(), 7.4f, 1e-5);
    EXPECT_NEAR(terrain.GetRaiseFactor(), 1.25f / 58.0f + 0.01f, 1e-6);
    EXPECT_NEAR(terrain.GetPaintFactor(), 1.5f / (2.25f * 1.9f - 0.9f), 1e-6);
    terrain.SetBrushSize(-20.0f);
    EXPECT_EQ(terrain.GetRaiseFactor(), 0.0f);
    EXPECT_EQ(terrain.GetBrushRadius(), 0.0f);
}

TEST_F(TerrainToolsTest, RaiseStopsAtFiveUnitsAndFollowsTheCosineBrush) {
    terrain.RaiseLowerAt(0.0f, 0.0f, 0, 1);
    EXPECT_FLOAT_EQ(terrain.GetVertexHeight(20, 20), 0.0f);  // the press moves nothing
    terrain.RaiseLowerAt(0.0f, 0.0f, -600, 3);
    EXPECT_NEAR(terrain.GetVertexHeight(20, 20), -5.0f, 1e-5);
    const float c = std::cos(1.0f / terrain.GetRaiseFactor() * 3.14159265f / 180.0f);
    EXPECT_NEAR(terrain.GetVertexHeight(21, 20), -5.0f * c, 1e-4);
    EXPECT_FLOAT_EQ(terrain.GetVertexHeight(26, 20), 0.0f);  // outside the brush
    D3DXVECTOR3 n;
    terrain.GetVertexNormal(21, 20, &n);
    EXPECT_GT(n.x, 0.0f);  // the normal leans away from the hill top
    EXPECT_NEAR(D3DXVec3Length(&n), 1.0f, 1e-5);
    terrain.RaiseLowerAt(0.0f, 0.0f, -700, 3);               // past the limit: nothing more
    EXPECT_NEAR(terrain.GetVertexHeight(20, 20), -5.0f, 1e-5);
    terrain.RaiseLowerAt(0.0f, 0.0f, -700, 3);  // the same value again does nothing
    EXPECT_NEAR(terrain.GetVertexHeight(20, 20), -5.0f, 1e-5);
    terrain.RaiseLowerAt(0.0f, 0.0f, -100, 3);  // back down by 6 units
    EXPECT_NEAR(terrain.GetVertexHeight(20, 20), 1.0f, 1e-5);
}

TEST_F(TerrainToolsTest, BorderVerticesNeverMove) {
    terrain.SetBrushSize(100.0f);  // a brush reaching over the border
    terrain.RaiseLowerAt(VX(3), VY(20), 0, 1);
    terrain.RaiseLowerAt(VX(3), VY(20), -300, 3);
    EXPECT_LT(terrain.GetVertexHeight(1, 20), 0.0f);
    EXPECT_EQ(terrain.GetVertexHeight(0, 20), 0.0f);
    EXPECT_EQ(terrain.GetVertexHeight(3, 0), 0.0f);

    terrain.SetBrushSize(10.0f);
    for (int i = 0; i <= 40; ++i)
        for (int j = 0; j <= 40; ++j) terrain.SetVertexHeight(i, j, -1.0f);
    terrain.SetVertexHeight(2, 20, 0.0f);
    terrain.FlattenAt(VX(2), VY(20), 1, 16);
    terrain.FlattenAt(VX(2), VY(20), 3, 16);
    EXPECT_FLOAT_EQ(terrain.GetVertexHeight(1, 20), 0.0f);
    EXPECT_FLOAT_EQ(terrain.GetVertexHeight(3, 21), 0.0f);
    EXPECT_FLOAT_EQ(terrain.GetVertexHeight(0, 20), -1.0f);

    terrain.FormUnderPiece(VX(1), VY(20), -0.5f, 2.1f, 0.95f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(terrain.GetVertexHeight(0, 20), -1.0f);
    EXPECT_FLOAT_EQ(terrain.GetVertexHeight(2, 20), -0.5f);
}

TEST_F(TerrainToolsTest, FlattenBlendsTheRimByFrameTime) {
    terrain.SetVertexHeight(20, 20, -2.0f);
    terrain.FlattenAt(VX(20), VY(20), 1, 16);
    // Vertex (24, 20) lies 2.8 from the centre: between size and size + 1.4.
    terrain.FlattenAt(VX(20), VY(20), 3, 100);
    const float d = 2.8f - 0.01f;
    const float f = (d - 2.25f) / 1.4f;
    const float w = (1.0f - f) * 100.0f / 500.0f;
    EXPECT_NEAR(terrain.GetVertexHeight(24, 20), w * -2.0f, 1e-3);
    EXPECT_FLOAT_EQ(terrain.GetVertexHeight(22, 20), -2.0f);
    EXPECT_FLOAT_EQ(terrain.GetVertexHeight(27, 20), 0.0f);
}

TEST_F(TerrainToolsTest, FormingFollowsHeadingSlopeAndEdge) {
    terrain.FormUnderPiece(0.01f, 0.01f, -0.5f, 2.1f, 0.95f, 0.0f, 10.0f);
    const float rise = std::sin(10.0f * 3.14159265f / 180.0f);
    // Ahead along the heading the ground climbs (smaller z), behind it falls.
    EXPECT_NEAR(terrain.GetVertexHeight(22, 20), -0.5f - rise * 1.39f, 0.02f);
    EXPECT_NEAR(terrain.GetVertexHeight(18, 20), -0.5f + rise * 1.41f, 0.02f);
    // Beyond the edge width the old ground blends in.
    const float across = 1.4f - 0.01f;
    const float f = (across - 0.95f) / 0.95f;
    EXPECT_NEAR(terrain.GetVertexHeight(20, 22), -0.5f * (1.0f - f), 0.02f);
    EXPECT_FLOAT_EQ(terrain.GetVertexHeight(20, 23), 0.0f);  // past twice the edge width
    EXPECT_FLOAT_EQ(terrain.GetVertexHeight(24, 20), 0.0f);  // past the half length
}

TEST_F(TerrainToolsTest, BrushPaintsInThirdsAndRepaintingChangesNothing) {
    terrain.SetPaintTexture(2);
    terrain.PaintBrushAt(0.0f, 0.0f);
    const UV_COMPONENT* centre = terrain.GetUVComponent(20, 20, 4);
    EXPECT_EQ(centre->texture1, 2);
    EXPECT_EQ(centre->texture2, -1);  // full strength: one texture
    EXPECT_EQ(centre->color >> 24, 0u);
    const UV_COMPONENT* near = terrain.GetUVComponent(21, 20, 5);
    EXPECT_EQ(near->texture1, 2);
    EXPECT_EQ(near->texture2, 0);
    EXPECT_EQ(near->color >> 24, 85u);  // two thirds paint, one third old ground
    const UV_COMPONENT* far = terrain.GetUVComponent(22, 20, 4);
    EXPECT_EQ(far->texture1, 2);
    EXPECT_EQ(far->color >> 24, 170u);
    EXPECT_EQ(far->color & 0xFFFFFFu, 0xFFFFFFu);  // colour kept
    float u, v;
    TERRAIN2::GetRoleUV(0, 0.0f, 0.0f, 5, &u, &v);
    EXPECT_FLOAT_EQ(near->tu2, u);  // second pair shows the old ground
    EXPECT_EQ(terrain.GetBlurEntriesInUse(), 0);

    const std::vector<UV_COMPONENT> before = Records(12, 28, 12, 28);
    terrain.PaintBrushAt(0.0f, 0.0f);
    EXPECT_TRUE(SameRecords(before, Records(12, 28, 12, 28)));
}

TEST_F(TerrainToolsTest, ThreeTexturesMakeABlurEntryAndOnePaintRemovesIt) {
    terrain.PaintTriangle(5, 5, 0, 1, 2, 3);
    EXPECT_GE(terrain.FindBlurEntry(5, 6, 1), 0);  // the same triangle by another corner
    float u, v;
    TERRAIN2::GetRoleUV(BLUR_SLOT, 0.0f, 0.0f, 0, &u, &v);
    EXPECT_FLOAT_EQ(terrain.GetUVComponent(5, 5, 0)->tu1, u);
    EXPECT_EQ(terrain.GetUVComponent(5, 6, 1)->texture1, 2);
    terrain.SetPaintTexture(4);
    terrain.PaintCellAt(VX(5), VY(5));
    EXPECT_EQ(terrain.FindBlurEntry(5, 5, 0), -1);
    EXPECT_EQ(terrain.GetBlurTableLength(), 0);
    EXPECT_EQ(terrain.GetUVComponent(6, 6, 5)->texture1, 4);
    EXPECT_EQ(terrain.GetUVComponent(6, 5, 3)->texture1, 4);

    // Two brush strokes of different textures side by side leave triangles
    // with three textures between them and the old ground.
    terrain.SetPaintTexture(2);
    terrain.PaintBrushAt(0.0f, 0.0f);
    terrain.SetPaintTexture(3);
    terrain.PaintBrushAt(1.4f, 0.0f);
    ASSERT_GT(terrain.GetBlurEntriesInUse(), 0);
    terrain.BuildBlurTriangles();
    EXPECT_GT(terrain.GetBlurTotal(), 0);
    int first = 0;
    while (terrain.GetBlurEntry(first).free) ++first;
    const BLUR_ENTRY e = terrain.GetBlurEntry(first);
    const int ci = e.role == 0 ? e.i : e.i - 1;
    const int cj = e.role == 0 ? e.j : e.j - 1;
    terrain.PaintCellAt(VX(ci), VY(cj));
    EXPECT_EQ(terrain.FindBlurEntry(e.i, e.j, e.role), -1);
}

TEST(TerrainShade, ChannelLimits) {
    EXPECT_EQ(ShadeBrighter(5), 20);
    EXPECT_EQ(ShadeBrighter(19), 20);
    EXPECT_EQ(ShadeBrighter(20), 22);
    EXPECT_EQ(ShadeBrighter(231), 254);
    EXPECT_EQ(ShadeBrighter(232), 232);
    EXPECT_EQ(ShadeBrighter(255), 255);
    EXPECT_EQ(ShadeDarker(255), 231);
    EXPECT_EQ(ShadeDarker(20), 18);
    EXPECT_EQ(ShadeDarker(0), 0);
}

TEST_F(TerrainToolsTest, ShadeChangesOneVertexOncePerVisit) {
    terrain.PaintTriangle(9, 10, 0, 1, 1, 2);  // vertex (10, 10) role 2 gets alpha 255
    terrain.SetShadeChannels(1, 0, 1);
    terrain.ShadeAt(VX(10), VY(10), 1);
    for (int r = 0; r < 6; ++r) EXPECT_EQ(terrain.GetUVComponent(10, 10, r)->color & 0xFFFFFFu, 0xE7FFE7u);
    EXPECT_EQ(terrain.GetUVComponent(10, 10, 2)->color >> 24, 255u);
    EXPECT_EQ(terrain.GetUVComponent(11, 10, 0)->color & 0xFFFFFFu, 0xFFFFFFu);
    terrain.ShadeAt(VX(10), VY(10), 1);  // same vertex: nothing
    EXPECT_EQ(terrain.GetUVComponent(10, 10, 0)->color & 0xFFFFFFu, 0xE7FFE7u);
    terrain.ShadeAt(VX(11), VY(10), 0);
    terrain.ShadeAt(VX(10), VY(10), 0);
    EXPECT_EQ(terrain.GetUVComponent(10, 10, 0)->color & 0xFFFFFFu, 0xFEFFFEu);
}

TEST_F(TerrainToolsTest, ShadingAtNightSurvivesTheSwitchToDay) {
    lightList.SetAmbientColor(0x202020);
    terrain.SetNightLighting(1, 3);
    terrain.SetShadeChannels(1, 1, 1);
    terrain.ShadeAt(VX(10), VY(10), 1);
    EXPECT_EQ(terrain.GetUVComponent(10, 10, 0)->color & 0xFFFFFFu, 0x1D1D1Du);
    terrain.SetNightLighting(0, 3);
    EXPECT_EQ(terrain.GetUVComponent(10, 10, 0)->color & 0xFFFFFFu, 0xE7E7E7u);
    EXPECT_EQ(terrain.GetUVComponent(11, 10, 0)->color & 0xFFFFFFu, 0xFFFFFFu);
}

TEST_F(TerrainToolsTest, BaseTextureCountsOnlyIndicesInRange) {
    myGlobs.groundTextures = 8;
    EXPECT_EQ(terrain.CountBaseTexture(), 0);
    const std::vector<UV_COMPONENT> fresh = Records(0, 40, 0, 40);
    terrain.SetBaseTexture(0);
    EXPECT_TRUE(SameRecords(fresh, Records(0, 40, 0, 40)));

    // Most triangles carry indices the atlas does not have; of the rest,
    // texture 3 is the most used.
    for (int i = 0; i < 40; ++i)
        for (int j = 0; j < 40; ++j) {
            const int t = (i < 4) ? 3 : (i < 20 ? 100 : -7);
            terrain.PaintTriangle(i, j, 0, t, t, t);
            terrain.PaintTriangle(i + 1, j + 1, 5, t, t, t);
        }
    terrain.PaintTriangle(30, 30, 0, 0, 0, 0);
    EXPECT_EQ(terrain.CountBaseTexture(), 3);
    terrain.SetBaseTexture(5);
    EXPECT_EQ(terrain.GetBaseTexture(), 5);
    EXPECT_EQ(terrain.GetUVComponent(1, 1, 0)->texture1, 5);
    EXPECT_EQ(terrain.GetUVComponent(30, 30, 0)->texture1, 0);
    EXPECT_EQ(terrain.GetUVComponent(10, 10, 0)->texture1, 100);
    terrain.SetBaseTexture(500);  // refused
    EXPECT_EQ(terrain.GetBaseTexture(), 5);
}

TEST_F(TerrainToolsTest, BaseTextureReplacesTheMostUsedGround) {
    myGlobs.groundTextures = 8;
    terrain.SetPaintTexture(2);
    terrain.PaintBrushAt(0.0f, 0.0f);
    terrain.SetBaseTexture(6);
    EXPECT_EQ(terrain.GetUVComponent(5, 5, 0)->texture1, 6);
    const UV_COMPONENT* near = terrain.GetUVComponent(21, 20, 5);
    EXPECT_EQ(near->texture1, 2);
    EXPECT_EQ(near->texture2, 6);
    float u, v;
    TERRAIN2::GetRoleUV(6, 0.0f, 0.0f, 5, &u, &v);
    EXPECT_FLOAT_EQ(near->tu2, u);
    EXPECT_EQ(terrain.GetBlurEntriesInUse(), 0);
}
