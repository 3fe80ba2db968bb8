// The terrain grid: size limits, heights, picking, resizing, the blur table
// and the layout section.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/messagequeue.h"
#include "app/startlog.h"
#include "app/myglobs.h"
#include "gfx/display.h"
#include "platform/window.h"
#include "support/display_support.h"
#include "support/testutil.h"
#include "world/lightlist.h"
#include "world/terrain.h"

namespace {

class TerrainTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetStartLogForTest("log.txt");  // in the test's own folder
        ASSERT_TRUE(StartHeadlessDisplay());
    }
    std::string Log() const { return veltest::ReadFile(dir.Path() + "/log.txt"); }
    veltest::TempDir dir;
};

std::vector<unsigned char> SaveBytes() {
    FILE* f = std::tmpfile();
    EXPECT_NE(f, nullptr);
    EXPECT_EQ(terrain.Save(f), 1);
    std::vector<unsigned char> bytes(static_cast<size_t>(std::ftell(f)));
    std::rewind(f);
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    return bytes;
}

int LoadBytes(const std::vector<unsigned char>& bytes) {
    FILE* f = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    const int result = terrain.Load(f);
    std::fclose(f);
    return result;
}

void PutInt32(std::vector<unsigned char>& bytes, size_t at, int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<unsigned char>(u >> (8 * k));
}

int32_t GetInt32(const std::vector<unsigned char>& bytes, size_t at) {
    uint32_t u = 0;
    for (int k = 0; k < 4; ++k) u |= static_cast<uint32_t>(bytes[at + k]) << (8 * k);
    return static_cast<int32_t>(u);
}

}  // namespace

TEST_F(TerrainTest, ClampSizeKeepsTheTileTableAndReportsChanges) {
    int w = 30, d = 30;
    terrain.ClampSize(w, d);
    EXPECT_EQ(w, 15);
    EXPECT_EQ(d, 15);
    EXPECT_EQ(messageQueue.GetCount(), 1);

    w = 1, d = 300;
    terrain.ClampSize(w, d);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(d, 99);

    w = 99, d = 99;
    terrain.ClampSize(w, d);
    EXPECT_LE(w * d, TERRAIN_MAXTILES);
    EXPECT_GE(w, 1);

    const int before = messageQueue.GetCount();
    w = 10, d = 12;
    terrain.ClampSize(w, d);
    EXPECT_EQ(w, 10);
    EXPECT_EQ(d, 12);
    EXPECT_EQ(messageQueue.GetCount(), before);  // nothing changed, nothing shown
}

TEST_F(TerrainTest, CreateRefusesGridsBeyondTheTileTable) {
    ASSERT_EQ(terrain.CreateTerrain(2, 3), 1);
    EXPECT_EQ(terrain.CreateTerrain(20, 20), 0);
    EXPECT_FALSE(terrain.IsCreated());
    EXPECT_EQ(terrain.CreateTerrain(0, 5), 0);
    ASSERT_EQ(terrain.CreateTerrain(150, 1), 1);  // counts above 99 become 99
    int w = 0, d = 0;
    terrain.GetTileCounts(&w, &d);
    EXPECT_EQ(w, 99);
    EXPECT_EQ(d, 1);
    EXPECT_EQ(terrain.GetVertexCount(), (20 * 99 + 1) * 21);
}

TEST_F(TerrainTest, NewTerrainGridAndCornerRecords) {
    ASSERT_EQ(terrain.CreateTerrain(2, 3), 1);
    float width = 0, depth = 0;
    terrain.GetWorldSize(&width, &depth);
    EXPECT_FLOAT_EQ(width, 28.0f);
    EXPECT_FLOAT_EQ(depth, 42.0f);
    EXPECT_EQ(terrain.GetGridX(), 40);
    EXPECT_EQ(terrain.GetGridY(), 60);
    D3DXVECTOR3 p;
    ASSERT_TRUE(terrain.GetVertexPosition(40, 60, &p));
    EXPECT_NEAR(p.x, 14.0f, 1e-4);
    EXPECT_NEAR(p.y, 21.0f, 1e-4);
    EXPECT_FALSE(terrain.GetVertexPosition(41, 0, &p));
    const UV_COMPONENT* uv = terrain.GetUVComponent(3, 4, 5);
    ASSERT_NE(uv, nullptr);
    EXPECT_EQ(uv->color, 0x00FFFFFFu);
    EXPECT_EQ(uv->texture1, 0);
    EXPECT_EQ(uv->texture2, -1);
    EXPECT_FLOAT_EQ(uv->tu1, 127.0f / 1024.0f);  // role 5: the far corner of the inset cell
    EXPECT_FLOAT_EQ(uv->tv1, 127.0f / 1024.0f);
    EXPECT_FLOAT_EQ(uv->tu2, 3.0f / 40.0f);
    EXPECT_FLOAT_EQ(uv->tv2, 4.0f / 60.0f);
    EXPECT_EQ(terrain.GetTileFilled(1, 2), 1);
}

TEST(TerrainAtlas, TextureCoordinatesByRoleAndAtlasCell) {
    float umin, umax, vmin, vmax;
    TERRAIN2::GetTextureUV(10, -7.0f, 2.1f, &umin, &umax, &vmin, &vmax);
    // Texture 10 lies in column 2, row 1; grid points show the whole inset cell.
    EXPECT_FLOAT_EQ(umin, (1.0f + 256.0f) / 1024.0f);
    EXPECT_FLOAT_EQ(umax, (127.0f + 256.0f) / 1024.0f);
    EXPECT_FLOAT_EQ(vmin, (1.0f + 128.0f) / 1024.0f);
    EXPECT_FLOAT_EQ(vmax, (127.0f + 128.0f) / 1024.0f);
    // A point inside a cell maps to its fraction.
    TERRAIN2::GetTextureUV(0, 0.35f, -0.35f, &umin, &umax, &vmin, &vmax);
    EXPECT_NEAR(umin, 0.5f * 128.0f / 1024.0f, 1e-5);
    EXPECT_NEAR(vmax, 0.5f * 128.0f / 1024.0f, 1e-5);
    float u, v;
    TERRAIN2::GetRoleUV(0, 0.0f, 0.0f, 4, &u, &v);
    EXPECT_FLOAT_EQ(u, 1.0f / 1024.0f);
    EXPECT_FLOAT_EQ(v, 127.0f / 1024.0f);
}

TEST_F(TerrainTest, HeightBlendsCornersCountsTheOutsideAsZeroAndCaps) {
    EXPECT_EQ(terrain.GetHeight(1.0f, 1.0f, 0), 0.0f);  // no terrain yet
    ASSERT_EQ(terrain.CreateTerrain(2, 2), 1);
    for (int i = 0; i <= 40; ++i)
        for (int j = 0; j <= 40; ++j) terrain.SetVertexHeight(i, j, -2.0f);
    terrain.SetVertexHeight(10, 10, 0.5f);
    D3DXVECTOR3 p;
    terrain.GetVertexPosition(10, 10, &p);
    EXPECT_NEAR(terrain.GetHeight(p.x, p.y, 0), 0.5f, 1e-5);
    EXPECT_NEAR(terrain.GetHeight(p.x, p.y, 1), 0.1f, 1e-6);   // deep ground capped
    EXPECT_NEAR(terrain.GetHeight(3800, p.x, p.y), 0.1f, 1e-6);  // capped objId group
    EXPECT_NEAR(terrain.GetHeight(101, p.x, p.y), 0.5f, 1e-5);
    // Halfway along an edge both ends weigh the same.
    EXPECT_NEAR(terrain.GetHeight(p.x + 0.35f, p.y, 0), (0.5f - 2.0f) / 2, 1e-4);
    // Just outside the far edge: the missing corners count as 0 with their
    // full weight, so the answer is half the edge height.
    terrain.GetVertexPosition(40, 20, &p);
    EXPECT_NEAR(terrain.GetHeight(p.x + 0.35f, p.y, 0), -1.0f, 1e-4);
    terrain.GetVertexPosition(20, 40, &p);
    EXPECT_NEAR(terrain.GetHeight(p.x, p.y + 0.35f, 0), -1.0f, 1e-4);
    EXPECT_EQ(terrain.GetHeight(1000.0f, 1000.0f, 0), 0.0f);
    EXPECT_EQ(terrain.GetHeight(-1.0e30f, 5.0f, 0), 0.0f);
}

TEST_F(TerrainTest, PickAlongAKnownRay) {
    ASSERT_EQ(terrain.CreateTerrain(2, 2), 1);
    float x = 0, y = 0, z = 0;
    // Straight down onto flat ground.
    ASSERT_TRUE(terrain.PickAlongRay(D3DXVECTOR3(1.0f, -2.0f, -10.0f), D3DXVECTOR3(1.0f, -2.0f, -9.0f), &x, &y, &z, 0));
    EXPECT_NEAR(x, 1.0f, 1e-4);
    EXPECT_NEAR(y, -2.0f, 1e-4);
    EXPECT_NEAR(z, 0.0f, 1e-6);
    // A slanted ray meets the ground where the line crosses z = 0.
    ASSERT_TRUE(terrain.PickAlongRay(D3DXVECTOR3(-5.0f, 0.0f, -5.0f), D3DXVECTOR3(-4.0f, 0.0f, -4.0f), &x, &y, &z, 0));
    EXPECT_NEAR(x, 0.0f, 1e-3);
    // A ray that reaches the ground after about 50 steps hits; after 99 it fails.
    const D3DXVECTOR3 eye(-13.0f, 0.0f, -1.0f);
    const float nearSlope = 1.0f / (1.4f * 50.5f);
    const float farSlope = 1.0f / (1.4f * 99.5f);
    EXPECT_TRUE(terrain.PickAlongRay(eye, eye + D3DXVECTOR3(1.0f, 0.0f, nearSlope), &x, &y, &z, 0));
    EXPECT_FALSE(terrain.PickAlongRay(eye, eye + D3DXVECTOR3(1.0f, 0.0f, farSlope), &x, &y, &z, 0));
    // Looking up never meets the ground.
    EXPECT_FALSE(terrain.PickAlongRay(eye, eye + D3DXVECTOR3(0.0f, 0.0f, -1.0f), &x, &y, &z, 0));
    // An eye under raised ground fails at once.
    for (int i = 15; i <= 25; ++i)
        for (int j = 15; j <= 25; ++j) terrain.SetVertexHeight(i, j, -12.0f);
    EXPECT_FALSE(terrain.PickAlongRay(D3DXVECTOR3(0.0f, 0.0f, -10.0f), D3DXVECTOR3(0.0f, 0.0f, -9.0f), &x, &y, &z, 0));
}

TEST_F(TerrainTest, ResizeKeepsTheOldGroundCentred) {
    ASSERT_EQ(terrain.CreateTerrain(10, 10), 1);
    terrain.SetVertexHeight(5, 7, -1.5f);
    terrain.AddBlurEntry(10, 10, 0);
    terrain.AddBlurEntry(50, 0, 0);  // column 0 is not kept
    ASSERT_TRUE(terrain.Resize(12, 10));
    int w = 0, d = 0;
    terrain.GetTileCounts(&w, &d);
    EXPECT_EQ(w, 12);
    EXPECT_EQ(d, 10);
    EXPECT_FLOAT_EQ(terrain.GetVertexHeight(25, 7), -1.5f);
    EXPECT_FLOAT_EQ(terrain.GetVertexHeight(5, 7), 0.0f);
    EXPECT_FLOAT_EQ(terrain.GetVertexHeight(23, 0), -0.01f);  // copied into row 0
    EXPECT_FLOAT_EQ(terrain.GetVertexHeight(10, 0), 0.0f);    // new ground
    EXPECT_GE(terrain.FindBlurEntry(30, 10, 0), 0);
    EXPECT_EQ(terrain.GetBlurEntriesInUse(), 1);
    EXPECT_EQ(terrain.GetBlurTableLength(), 1);

    // Shrinking back moves the ground the other way.
    ASSERT_TRUE(terrain.Resize(10, 10));
    EXPECT_FLOAT_EQ(terrain.GetVertexHeight(5, 7), -1.5f);
    EXPECT_FLOAT_EQ(terrain.GetVertexHeight(0, 7), -0.01f);
}

TEST_F(TerrainTest, FailedResizeKeepsTheOldTerrain) {
    ASSERT_EQ(terrain.CreateTerrain(4, 3), 1);
    terrain.SetVertexHeight(30, 20, -2.5f);
    terrain.AddBlurEntry(7, 8, 0);
    EXPECT_FALSE(terrain.Resize(20, 20));
    ASSERT_TRUE(terrain.IsCreated());
    int w = 0, d = 0;
    terrain.GetTileCounts(&w, &d);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(d, 3);
    EXPECT_FLOAT_EQ(terrain.GetVertexHeight(30, 20), -2.5f);
    EXPECT_GE(terrain.FindBlurEntry(7, 8, 0), 0);
}

TEST_F(TerrainTest, BlurTableNormalisesReusesAndShortens) {
    ASSERT_EQ(terrain.CreateTerrain(2, 2), 1);
    terrain.AddBlurEntry(4, 6, 1);  // role 1 names the first triangle of cell (4, 5)
    EXPECT_EQ(terrain.FindBlurEntry(4, 5, 0), 0);
    terrain.AddBlurEntry(4, 5, 0);  // the same triangle again
    terrain.AddBlurEntry(5, 5, 2);
    EXPECT_EQ(terrain.GetBlurTableLength(), 1);
    terrain.AddBlurEntry(3, 4, 4);  // role 4 names (4, 4) by its role-5 corner
    terrain.AddBlurEntry(8, 8, 3);  // role 3 names (8, 9)
    EXPECT_EQ(terrain.FindBlurEntry(4, 4, 5), 1);
    EXPECT_EQ(terrain.FindBlurEntry(8, 9, 5), 2);
    terrain.RemoveBlurEntry(4, 4, 5);
    EXPECT_EQ(terrain.GetBlurTableLength(), 3);
    terrain.AddBlurEntry(1, 1, 0);  // takes the free place
    EXPECT_EQ(terrain.FindBlurEntry(1, 1, 0), 1);
    terrain.RemoveBlurEntry(1, 1, 0);
    terrain.RemoveBlurEntry(8, 9, 5);  // the last: the length drops past both
    EXPECT_EQ(terrain.GetBlurTableLength(), 1);
}

TEST_F(TerrainTest, BlurTrianglesOnePerTextureWithWeights) {
    ASSERT_EQ(terrain.CreateTerrain(2, 2), 1);
    terrain.PaintTriangle(5, 5, 0, 1, 2, 3);
    terrain.BuildBlurTriangles();
    EXPECT_EQ(terrain.GetBlurTotal(), 3);
    ASSERT_EQ(terrain.GetBlurBufferCount(), 1);
    const TERRAIN_VERTEX* v = terrain.GetBlurBufferVertices(0);
    ASSERT_NE(v, nullptr);
    // Triangle for texture 1: full weight at the anchor, none elsewhere.
    EXPECT_EQ(v[0].color >> 24, 0u);
    EXPECT_EQ(v[1].color >> 24, 255u);
    EXPECT_EQ(v[2].color >> 24, 255u);
    float u, w;
    TERRAIN2::GetRoleUV(1, 0.0f, 0.0f, 0, &u, &w);
    EXPECT_FLOAT_EQ(v[0].tu1, u);
    // Corners: anchor (5, 5), then (5, 6), then (6, 5).
    D3DXVECTOR3 p;
    terrain.GetVertexPosition(5, 6, &p);
    EXPECT_FLOAT_EQ(v[1].y, p.y);
    // Texture 2 weighs fully at the second corner.
    EXPECT_EQ(v[4].color >> 24, 0u);
    // A bad entry is logged and skipped.
    terrain.AddBlurEntry(40, 3, 0);
    terrain.BuildBlurTriangles();
    EXPECT_EQ(terrain.GetBlurTotal(), 3);
    EXPECT_NE(Log().find("Error in TERRAIN2::BuildBlurTriangles()!!!"), std::string::npos);
}

TEST_F(TerrainTest, BlurBuffersHoldWholeEntries) {
    ASSERT_EQ(terrain.CreateTerrain(2, 2), 1);
    // Entries of three textures make three triangles each: 999 fit a buffer.
    int n = 0;
    for (int i = 0; i < 40 && n < 1000; ++i)
        for (int j = 0; j < 40 && n < 1000; ++j, ++n) terrain.PaintTriangle(i, j, 0, 1, 2, 3);
    terrain.BuildBlurTriangles();
    ASSERT_EQ(terrain.GetBlurBufferCount(), 2);
    EXPECT_EQ(terrain.GetBlurBufferTriangles(0), 999 * 3);
    EXPECT_EQ(terrain.GetBlurBufferTriangles(1), 3);
    EXPECT_EQ(terrain.GetBlurTotal(), 1000 * 3);
}

TEST_F(TerrainTest, SectionRoundTripIsByteForByte) {
    ASSERT_EQ(terrain.CreateTerrain(2, 3), 1);
    terrain.SetVertexHeight(7, 9, -1.25f);
    terrain.ComputeNormals();
    terrain.PaintTriangle(3, 3, 0, 1, 2, 3);
    terrain.PaintTriangle(9, 9, 5, 4, 5, 6);
    terrain.PaintTriangle(2, 2, 0, 7, 7, 1);
    const std::vector<unsigned char> first = SaveBytes();
    const int n = 41 * 61;
    ASSERT_EQ(first.size(), 12u + static_cast<size_t>(n) * (24 + 4 + 6 * 28) + 4 + 2 * 16);
    EXPECT_EQ(GetInt32(first, 0), 2);
    EXPECT_EQ(GetInt32(first, 4), 3);
    EXPECT_EQ(GetInt32(first, 8), n);
    EXPECT_EQ(GetInt32(first, first.size() - 36), 2);  // blur entries in use

    ASSERT_EQ(terrain.CreateTerrain(1, 1), 1);
    ASSERT_EQ(LoadBytes(first), 1);
    EXPECT_FLOAT_EQ(terrain.GetVertexHeight(7, 9), -1.25f);
    EXPECT_GE(terrain.FindBlurEntry(9, 9, 5), 0);
    EXPECT_EQ(terrain.GetBlurTotal(), 6);
    EXPECT_EQ(SaveBytes(), first);
}

TEST_F(TerrainTest, BadSectionsFailAndKeepTheTerrain) {
    ASSERT_EQ(terrain.CreateTerrain(1, 1), 1);
    terrain.PaintTriangle(3, 3, 0, 1, 2, 3);
    const std::vector<unsigned char> good = SaveBytes();
    const size_t blurAt = good.size() - 16;
    ASSERT_EQ(terrain.CreateTerrain(2, 2), 1);
    terrain.SetVertexHeight(11, 12, -3.0f);

    auto expectRejected = [&](std::vector<unsigned char> bytes) {
        EXPECT_EQ(LoadBytes(bytes), 0);
        int w = 0, d = 0;
        terrain.GetTileCounts(&w, &d);
        EXPECT_EQ(w, 2);
        EXPECT_EQ(d, 2);
        EXPECT_FLOAT_EQ(terrain.GetVertexHeight(11, 12), -3.0f);
    };
    std::vector<unsigned char> bad = good;
    PutInt32(bad, 0, 0);
    expectRejected(bad);
    bad = good;
    PutInt32(bad, 4, 100);
    expectRejected(bad);
    bad = good;
    PutInt32(bad, 0, 16);
    PutInt32(bad, 4, 15);  // 240 tiles
    expectRejected(bad);
    bad = good;
    PutInt32(bad, 8, 21 * 21 + 1);
    expectRejected(bad);
    bad = good;
    PutInt32(bad, blurAt - 4, -1);
    expectRejected(bad);
    bad = good;
    bad.resize(good.size() - 5);  // truncated
    expectRejected(bad);
    EXPECT_NE(Log().find("TERRAIN2::Load()"), std::string::npos);
    ASSERT_EQ(LoadBytes(good), 1);
    EXPECT_GE(terrain.FindBlurEntry(3, 3, 0), 0);
}

TEST_F(TerrainTest, BadFieldsCostTheFieldNotTheSection) {
    ASSERT_EQ(terrain.CreateTerrain(1, 1), 1);
    terrain.PaintTriangle(3, 3, 0, 1, 2, 3);
    terrain.PaintTriangle(5, 5, 0, 4, 5, 6);
    terrain.SetVertexHeight(2, 2, -0.5f);
    const std::vector<unsigned char> good = SaveBytes();
    const int n = 21 * 21;
    const size_t colours = 12 + static_cast<size_t>(n) * 24, uvs = colours + static_cast<size_t>(n) * 4;
    const size_t blurAt = good.size() - 32;
    std::vector<unsigned char> bad = good;
    // A blur entry outside the grid or of a role never stored is dropped.
    PutInt32(bad, blurAt + 8, 2);
    PutInt32(bad, blurAt + 16, 20);
    // Texture indices outside the atlas, a height and a normal that are no
    // numbers.
    const size_t vertex = 2 * 21 + 2;
    PutInt32(bad, uvs + (vertex * 6 + 0) * 28 + 20, INT32_MIN);
    PutInt32(bad, uvs + (vertex * 6 + 1) * 28 + 24, INT32_MAX);
    PutInt32(bad, uvs + (vertex * 6 + 3) * 28 + 24, -7);
    PutInt32(bad, 12 + (vertex + 1) * 24 + 8, 0x7FC00000);
    PutInt32(bad, 12 + (vertex + 2) * 24 + 12, 0x7F800000);
    ASSERT_EQ(LoadBytes(bad), 1);
    EXPECT_EQ(terrain.GetBlurEntriesInUse(), 0);
    EXPECT_EQ(terrain.GetUVComponent(2, 2, 0)->texture1, 0);
    EXPECT_EQ(terrain.GetUVComponent(2, 2, 1)->texture2, -1);
    EXPECT_EQ(terrain.GetUVComponent(2, 2, 3)->texture2, -1);
    EXPECT_FLOAT_EQ(terrain.GetVertexHeight(2, 2), -0.5f);
    EXPECT_FLOAT_EQ(terrain.GetVertexHeight(2, 3), 0.0f);
    D3DXVECTOR3 normal;
    ASSERT_TRUE(terrain.GetVertexNormal(2, 4, &normal));
    EXPECT_FLOAT_EQ(normal.z, -1.0f);
    EXPECT_NE(Log().find("Blur entries outside the grid dropped in TERRAIN2::Load(): 2"), std::string::npos);
    EXPECT_NE(Log().find("Terrain vertices repaired in TERRAIN2::Load(): 3"), std::string::npos);
    // The atlas coordinates of every texture index in use are computed.
    terrain.BuildBlurTriangles();
    for (int role = 0; role < 6; ++role) {
        const UV_COMPONENT* uv = terrain.GetUVComponent(2, 2, role);
        EXPECT_GE(uv->texture1, 0);
        EXPECT_LE(uv->texture1, 63);
        EXPECT_GE(uv->texture2, -1);
        EXPECT_LE(uv->texture2, 63);
    }
}

TEST_F(TerrainTest, LoadKeepsTheFirst60000BlurEntriesAndEverythingStaysBounded) {
    ASSERT_EQ(terrain.CreateTerrain(15, 15), 1);
    std::vector<unsigned char> bytes = SaveBytes();
    bytes.resize(bytes.size() - 4);
    auto append = [&](int32_t v) {
        bytes.resize(bytes.size() + 4);
        PutInt32(bytes, bytes.size() - 4, v);
    };
    append(60005);
    for (int k = 0; k < 60005; ++k) {
        append(k / 200);
        append(k % 200);
        append(0);
        append(0);
    }
    ASSERT_EQ(LoadBytes(bytes), 1);
    EXPECT_EQ(terrain.GetBlurTableLength(), BLUR_MAXENTRIES);
    // One triangle per entry, 2995 per buffer: the build stops at 20 buffers.
    EXPECT_EQ(terrain.GetBlurBufferCount(), BLUR_MAXBUFFERS);
    EXPECT_EQ(terrain.GetBlurTotal(), 20 * 2995);
    EXPECT_EQ(terrain.FindBlurEntry(300, 0, 0), -1);  // entry 60000 was dropped
    terrain.AddBlurEntry(299, 299, 0);                 // a full table takes no more
    EXPECT_EQ(terrain.FindBlurEntry(299, 299, 0), -1);
    EXPECT_EQ(terrain.GetBlurTableLength(), BLUR_MAXENTRIES);
}

TEST_F(TerrainTest, NightLightingKeepsTheDayColours) {
    ASSERT_EQ(terrain.CreateTerrain(1, 1), 1);
    lightList.SetAmbientColor(0x202020);
    terrain.SetNightLighting(1, 6);  // only the sky box window's kind recolours
    EXPECT_EQ(terrain.GetUVComponent(4, 4, 0)->color, 0x00FFFFFFu);
    terrain.SetNightLighting(0, 6);
    terrain.PaintTriangle(4, 4, 0, 1, 1, 2);  // gives the third corner an alpha
    const uint32_t alpha = terrain.GetUVComponent(5, 4, 2)->color & 0xFF000000u;
    EXPECT_EQ(alpha, 0xFF000000u);
    terrain.SetNightLighting(1, 3);
    EXPECT_EQ(terrain.GetUVComponent(4, 4, 3)->color, 0x00202020u);
    EXPECT_EQ(terrain.GetUVComponent(5, 4, 2)->color, alpha | 0x202020u);
    EXPECT_EQ(terrain.GetSavedColor(4, 4), 0x00FFFFFFu);
    terrain.AddVertexLight(4, 4, 0x30, 0x300, 0);
    EXPECT_EQ(terrain.GetUVComponent(4, 4, 5)->color, 0x0050FF20u);
    terrain.SetNightLighting(0, 3);
    EXPECT_EQ(terrain.GetUVComponent(4, 4, 5)->color, 0x00FFFFFFu);
    EXPECT_EQ(terrain.GetUVComponent(5, 4, 2)->color, alpha | 0xFFFFFFu);
}
