// The screen-sprite batches on a headless device: runs, limits, vertex
// contents, the mouse pointer overlay and the billboard runs.
#include "support/display_support.h"
#include <gtest/gtest.h>

#include <cstdlib>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/input.h"
#include "app/myglobs.h"
#include "gfx/display.h"
#include "platform/window.h"
#include "gfx/screensprites.h"
#include "gfx/texturemanager.h"
#include "ui/coordinates.h"

namespace {

// A 24-bit BMP of the given size, filled with one colour.
void WriteBmp(const char* name, int w, int h, unsigned char r, unsigned char g, unsigned char b) {
    const int row = (w * 3 + 3) & ~3;
    const int size = 54 + row * h;
    std::vector<unsigned char> d(size, 0);
    auto put32 = [&](int at, int v) {
        for (int i = 0; i < 4; ++i) d[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    d[0] = 'B';
    d[1] = 'M';
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    d[26] = 1;
    d[28] = 24;
    put32(34, row * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned char* p = &d[54 + y * row + x * 3];
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    FILE* f = std::fopen(name, "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(d.data(), 1, d.size(), f);
    std::fclose(f);
}

// Loads a w x h texture into a global slot.
void LoadSlot(int slot, int w, int h) {
    const std::string name = "slot" + std::to_string(slot) + ".bmp";
    WriteBmp(name.c_str(), w, h, 255, 255, 255);
    ASSERT_EQ(textureManager.AddGTexture(display.GetDevice(), name.c_str(), slot, D3DFMT_A8R8G8B8, 1), S_OK);
    int tw = 0, th = 0;
    textureManager.GetGTextureSize(slot, &tw, &th);
    ASSERT_EQ(tw, w);
    ASSERT_EQ(th, h);
}

template <typename V>
std::vector<V> ReadVertices(DISPLAY_BUFFER* node, int count) {
    std::vector<V> out(count);
    IDirect3DVertexBuffer8* vb = display.GetVB(node);
    if (!vb) return {};
    BYTE* p = nullptr;
    if (FAILED(vb->Lock(0, 0, &p, D3DLOCK_READONLY)) || !p) return {};
    std::memcpy(out.data(), p, sizeof(V) * count);
    vb->Unlock();
    return out;
}

class ScreenSpritesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartHeadlessDisplay());
        ASSERT_EQ(screenSprites.Init(), 1);
        screenSprites.SetDrawPointer(1);
        screenSprites.SetCursorIcon(-1);
        screenSprites.SetMenuMode(0);
        screenSprites.SetUseSpriteBatch(0);
    }
};

}  // namespace

TEST_F(ScreenSpritesTest, ClosedBatchesRefuseAndTheLightmapIsNeverOpen) {
    EXPECT_EQ(screenSprites.AddSprite(0, 0, 10, 10, 0, 0, 1, 1, 9, 0xffffffff, 0), 0);
    EXPECT_EQ(screenSprites.AddScreenfixSprite(0, 0, 9, 9, 0, 0, 9, 9, 9, 0xffffffff, 0), 0);
    EXPECT_EQ(screenSprites.AddOrientedSprite(0, 0, 1, 1, 0, 0, 1, 1, D3DXVECTOR3(0, 0, 0), 1, 9, 0xffffffff, 0, 2,
                                              1.0f),
              0);
    screenSprites.LockSpriteVB();
    screenSprites.LockBillboardVB();
    EXPECT_EQ(screenSprites.AddOrientedSpriteCached(0, 0, 1, 1, 0, 0, 1, 1, D3DXVECTOR3(0, 0, 0), 27, 0xffffffff, 0,
                                                    2, 1.0f),
              0);
    EXPECT_EQ(screenSprites.GetLightmapBatch().triangles, 0);
    screenSprites.UnlockSpriteVB();
    screenSprites.UnlockBillboardVB();
    // After the unlock the batch is closed again.
    EXPECT_EQ(screenSprites.AddSprite(0, 0, 10, 10, 0, 0, 1, 1, 9, 0xffffffff, 0), 0);
}

TEST_F(ScreenSpritesTest, ConsecutiveQuadsOfOneTextureAndModeMergeIntoOneRun) {
    screenSprites.LockSpriteVB();
    EXPECT_EQ(screenSprites.AddSprite(0, 0, 10, 10, 0, 0, 1, 1, 9, 0xffffffff, 0), 1);
    EXPECT_EQ(screenSprites.AddSprite(10, 0, 20, 10, 0, 0, 1, 1, 9, 0xffffffff, 0), 1);
    const SPRITE_BATCH& b = screenSprites.GetSpriteBatch();
    EXPECT_EQ(b.runCount, 1);
    EXPECT_EQ(b.runs[1].triangleCount, 4);
    EXPECT_EQ(b.runs[1].firstVertex, 0);

    EXPECT_EQ(screenSprites.AddSprite(0, 0, 10, 10, 0, 0, 1, 1, 11, 0xffffffff, 0), 1);  // texture differs
    EXPECT_EQ(screenSprites.AddSprite(0, 0, 10, 10, 0, 0, 1, 1, 11, 0xffffffff, 4), 1);  // mode differs
    EXPECT_EQ(screenSprites.AddSprite(0, 0, 10, 10, 0, 0, 1, 1, 11, 0xffffffff, 4), 1);
    EXPECT_EQ(b.runCount, 3);
    EXPECT_EQ(b.runs[2].textureId, 11);
    EXPECT_EQ(b.runs[2].firstVertex, 12);
    EXPECT_EQ(b.runs[2].triangleCount, 2);
    EXPECT_EQ(b.runs[3].mode, 4);
    EXPECT_EQ(b.runs[3].firstVertex, 18);
    EXPECT_EQ(b.runs[3].triangleCount, 4);
    EXPECT_EQ(b.triangles, 10);

    // A fresh lock starts over; a first add of texture 0 and mode 0 still
    // opens a run of its own.
    screenSprites.UnlockSpriteVB();
    screenSprites.LockSpriteVB();
    EXPECT_EQ(b.runCount, 0);
    EXPECT_EQ(screenSprites.AddSprite(0, 0, 1, 1, 0, 0, 1, 1, 0, 0xffffffff, 0), 1);
    EXPECT_EQ(b.runCount, 1);
    EXPECT_EQ(b.runs[1].triangleCount, 2);
    screenSprites.UnlockSpriteVB();
}

TEST_F(ScreenSpritesTest, TheQuadThatWouldPass3998TrianglesIsRefusedAndNotCounted) {
    screenSprites.LockSpriteVB();
    int accepted = 0;
    for (int i = 0; i < 2000; ++i) accepted += screenSprites.AddSprite(0, 0, 1, 1, 0, 0, 1, 1, 9, 0xffffffff, 0);
    EXPECT_EQ(accepted, 1999);
    const SPRITE_BATCH& b = screenSprites.GetSpriteBatch();
    EXPECT_EQ(b.triangles, 3998);
    EXPECT_EQ(b.runs[1].triangleCount, 3998);
    // Nothing fits any more, not even a line (one triangle).
    EXPECT_EQ(screenSprites.AddWorldLine(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1), 0xffffffff), 0);
    EXPECT_EQ(b.runCount, 1);
    EXPECT_EQ(b.triangles, 3998);
    screenSprites.UnlockSpriteVB();
}

TEST_F(ScreenSpritesTest, EveryAddIsRefusedOnce999RunsExist) {
    screenSprites.LockScreenfixVB();  // the pointer may open run 1
    const int start = screenSprites.GetScreenfixBatch().runCount;
    for (int i = start; i < MAXSPRITERUNS; ++i)
        ASSERT_EQ(screenSprites.AddScreenfixFilledRect(0xffffffff, 0, 0, 1, 1, 100 + (i % 2), 0), 1) << i;
    const SPRITE_BATCH& b = screenSprites.GetScreenfixBatch();
    EXPECT_EQ(b.runCount, MAXSPRITERUNS);
    const int triangles = b.triangles;
    // Even a quad that would join the current run is refused now.
    EXPECT_EQ(screenSprites.AddScreenfixFilledRect(0xffffffff, 0, 0, 1, 1, b.currentSlot, 0), 0);
    EXPECT_EQ(screenSprites.AddScreenfixFilledRect(0xffffffff, 0, 0, 1, 1, 7, 0), 0);
    EXPECT_EQ(b.runCount, MAXSPRITERUNS);
    EXPECT_EQ(b.triangles, triangles);
    screenSprites.UnlockScreenfixVB();
}

TEST_F(ScreenSpritesTest, MultiTriangleAddsCheckRoomForAllTheirTriangles) {
    screenSprites.SetDrawPointer(0);
    screenSprites.LockScreenfixVB();
    const SPRITE_BATCH& b = screenSprites.GetScreenfixBatch();
    while (b.triangles < SCREENFIXTRIANGLES - 6)
        ASSERT_EQ(screenSprites.AddScreenfixFilledRect(0xffffffff, 0, 0, 1, 1, 9, 0), 1);
    EXPECT_EQ(b.triangles, 11994);
    const D3DXVECTOR2 p1(0, 0), p2(10, 10), p3(0, 10);
    // 11994 + 6 would pass 11998: refused whole, nothing written.
    EXPECT_EQ(screenSprites.AddColorGradient(0xff808080, 1, p1, p2, p3, 9), 0);
    EXPECT_EQ(b.triangles, 11994);
    EXPECT_EQ(screenSprites.AddColorGradient(0xff808080, 2, p1, p2, p3, 9), 1);  // 4 triangles
    EXPECT_EQ(b.triangles, 11998);
    EXPECT_EQ(screenSprites.GetScreenfixFree(), 2);
    EXPECT_EQ(screenSprites.AddColorGradient(0xff808080, 3, p1, p2, p3, 9), 0);
    EXPECT_EQ(screenSprites.AddColorGradient(0xff808080, 9, p1, p2, p3, 9), 0);  // no such shape
    screenSprites.UnlockScreenfixVB();

    // The loading pie stops at the capacity too.
    screenSprites.LockSpriteVB();
    const SPRITE_BATCH& s = screenSprites.GetSpriteBatch();
    while (s.triangles < SPRITEBUFFERTRIANGLES - 10)
        ASSERT_EQ(screenSprites.AddFilledRect(0xffffffff, 0, 0, 1, 1, 9, 0), 1);
    EXPECT_EQ(screenSprites.AddProgressPie(100.0f), 1);
    EXPECT_EQ(s.triangles, SPRITEBUFFERTRIANGLES - 2);
    screenSprites.UnlockSpriteVB();
}

TEST_F(ScreenSpritesTest, ProgressPieSweepsOneTrianglePerPercent) {
    screenSprites.LockSpriteVB();
    EXPECT_EQ(screenSprites.AddProgressPie(50.0f), 1);
    const SPRITE_BATCH& b = screenSprites.GetSpriteBatch();
    EXPECT_EQ(b.triangles, 51);  // angles 0 .. 50 steps inclusive
    screenSprites.UnlockSpriteVB();
    screenSprites.LockSpriteVB();
    EXPECT_EQ(screenSprites.AddProgressPie(250.0f), 1);
    EXPECT_EQ(b.triangles, 100);
    screenSprites.UnlockSpriteVB();
    auto v = ReadVertices<SPRITEVERTEX>(b.buffer, 3);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0].colour, 0xff395569u);
    EXPECT_FLOAT_EQ(v[0].x, 0.0f);
    EXPECT_FLOAT_EQ(v[1].x, 0.0f);
    EXPECT_FLOAT_EQ(v[1].y, 300.0f);
    EXPECT_NEAR(v[2].x, 400.0f * std::sin(0.06283186f), 1e-3);
    EXPECT_EQ(b.runs[1].textureId, 9);
}

TEST_F(ScreenSpritesTest, DesignSpaceCornersAndTexelCentres) {
    LoadSlot(12, 64, 32);
    screenSprites.LockSpriteVB();
    ASSERT_EQ(screenSprites.AddSprite(0, 0, 800, 600, 0, 0, 64, 32, 12, 0xff112233, 0), 1);
    ASSERT_EQ(screenSprites.AddWholeTextureSprite(100, 50, 20, 10, 12, 0xffffffff, 0), 1);
    screenSprites.UnlockSpriteVB();
    auto v = ReadVertices<SPRITEVERTEX>(screenSprites.GetSpriteBatch().buffer, 12);
    ASSERT_EQ(v.size(), 12u);
    // (left, top), (right, top), (left, bottom), (left, bottom), (right, top), (right, bottom)
    EXPECT_FLOAT_EQ(v[0].x, -400.0f);
    EXPECT_FLOAT_EQ(v[0].y, 300.0f);
    EXPECT_FLOAT_EQ(v[1].x, 400.0f);
    EXPECT_FLOAT_EQ(v[1].y, 300.0f);
    EXPECT_FLOAT_EQ(v[2].x, -400.0f);
    EXPECT_FLOAT_EQ(v[2].y, -300.0f);
    EXPECT_FLOAT_EQ(v[5].x, 400.0f);
    EXPECT_FLOAT_EQ(v[5].y, -300.0f);
    EXPECT_FLOAT_EQ(v[0].z, 0.0f);
    EXPECT_EQ(v[3].colour, 0xff112233u);
    // From the centre of the first texel to the centre of the last one.
    EXPECT_FLOAT_EQ(v[0].u, 1.0f / 128.0f);
    EXPECT_FLOAT_EQ(v[0].v, 1.0f / 64.0f);
    EXPECT_FLOAT_EQ(v[5].u, 63.0f / 64.0f + 1.0f / 128.0f);
    EXPECT_FLOAT_EQ(v[5].v, 31.0f / 32.0f + 1.0f / 64.0f);
    // The whole texture stretched over 100, 50 .. 120, 60.
    EXPECT_FLOAT_EQ(v[6].x, -300.0f);
    EXPECT_FLOAT_EQ(v[6].y, 250.0f);
    EXPECT_FLOAT_EQ(v[11].x, -280.0f);
    EXPECT_FLOAT_EQ(v[11].y, 240.0f);
    EXPECT_FLOAT_EQ(v[6].u, 0.0f);
    EXPECT_FLOAT_EQ(v[11].u, 1.0f);
    EXPECT_FLOAT_EQ(v[11].v, 1.0f);
}

TEST_F(ScreenSpritesTest, SizedScreenfixSpriteCoversExactly16By16PixelsAndTexels) {
    LoadSlot(14, 64, 32);
    screenSprites.SetDrawPointer(0);
    screenSprites.LockScreenfixVB();
    ASSERT_EQ(screenSprites.AddScreenfixSpriteSized(10, 20, 16, 16, 8, 4, 14, 0xffffffff, 0), 1);
    screenSprites.UnlockScreenfixVB();
    auto v = ReadVertices<SCREENFIXVERTEX>(screenSprites.GetScreenfixBatch().buffer, 6);
    ASSERT_EQ(v.size(), 6u);
    EXPECT_FLOAT_EQ(v[0].x, 10.0f);
    EXPECT_FLOAT_EQ(v[0].y, 20.0f);
    EXPECT_FLOAT_EQ(v[5].x, 26.0f);
    EXPECT_FLOAT_EQ(v[5].y, 36.0f);
    EXPECT_FLOAT_EQ(v[0].rhw, 1.0f);
    EXPECT_FLOAT_EQ(v[0].z, 0.0f);
    // 16 texels wide and high: (uRight - uLeft) * 64 = 16, (vBottom - vTop) * 32 = 16.
    EXPECT_FLOAT_EQ((v[5].u - v[0].u) * 64.0f, 16.0f);
    EXPECT_FLOAT_EQ((v[5].v - v[0].v) * 32.0f, 16.0f);
    EXPECT_FLOAT_EQ(v[0].u, 8.0f / 64.0f + 1.0f / 128.0f);
    EXPECT_FLOAT_EQ(v[0].v, 4.0f / 32.0f + 1.0f / 64.0f);
}

TEST_F(ScreenSpritesTest, EmptySlotsAndUnknownIdsGiveFiniteCoordinates) {
    screenSprites.SetDrawPointer(0);
    screenSprites.LockScreenfixVB();
    screenSprites.LockSpriteVB();
    ASSERT_EQ(screenSprites.AddScreenfixSprite(0, 0, 9, 9, 3, 3, 7, 7, 2, 0xffffffff, 0), 1);    // empty slot
    ASSERT_EQ(screenSprites.AddScreenfixSprite(0, 0, 9, 9, 3, 3, 7, 7, 4711, 0xffffffff, 0), 1); // no such entry
    ASSERT_EQ(screenSprites.AddSprite(0, 0, 9, 9, 3, 3, 7, 7, -5, 0xffffffff, 0), 1);
    screenSprites.UnlockScreenfixVB();
    screenSprites.UnlockSpriteVB();
    auto v = ReadVertices<SCREENFIXVERTEX>(screenSprites.GetScreenfixBatch().buffer, 12);
    auto s = ReadVertices<SPRITEVERTEX>(screenSprites.GetSpriteBatch().buffer, 6);
    ASSERT_EQ(v.size(), 12u);
    ASSERT_EQ(s.size(), 6u);
    for (const auto& x : v) {
        EXPECT_TRUE(std::isfinite(x.u));
        EXPECT_TRUE(std::isfinite(x.v));
    }
    for (const auto& x : s) {
        EXPECT_TRUE(std::isfinite(x.u));
        EXPECT_TRUE(std::isfinite(x.v));
    }
}

TEST_F(ScreenSpritesTest, LoadedEntriesTakeTheirSizeFromTheEntry) {
    WriteBmp("entry.bmp", 32, 16, 1, 2, 3);
    TEXTURE_ENTRY* e = textureManager.AddTexture(display.GetDevice(), "entry.bmp");
    ASSERT_NE(e, nullptr);
    ASSERT_GE(e->id, 40);
    screenSprites.SetDrawPointer(0);
    screenSprites.LockScreenfixVB();
    ASSERT_EQ(screenSprites.AddScreenfixSprite(0, 0, 31, 15, 0, 0, 31, 15, e->id, 0xffffffff, 0), 1);
    screenSprites.UnlockScreenfixVB();
    auto v = ReadVertices<SCREENFIXVERTEX>(screenSprites.GetScreenfixBatch().buffer, 6);
    ASSERT_EQ(v.size(), 6u);
    EXPECT_FLOAT_EQ(v[0].u, 1.0f / 64.0f);
    EXPECT_FLOAT_EQ(v[5].u, 1.0f + 1.0f / 64.0f);
    EXPECT_FLOAT_EQ(v[5].v, 1.0f + 1.0f / 32.0f);
}

TEST_F(ScreenSpritesTest, PointerOpensTheScreenfixBatchAndTheIconSitsBesideIt) {
    ResetInputState();
    cursorX = 100;
    cursorY = 50;
    screenSprites.SetCursorIcon(-1);
    screenSprites.LockScreenfixVB();
    EXPECT_EQ(screenSprites.GetOverlayTriangles(), 2);
    const SPRITE_BATCH& b = screenSprites.GetScreenfixBatch();
    EXPECT_EQ(b.runs[1].mode, SPRITEMODE_LINEAR);
    EXPECT_EQ(b.runs[1].textureId, 10);
    screenSprites.AddScreenfixFilledRect(0xffffffff, 0, 0, 5, 5, 9, 0);  // later producers follow it
    screenSprites.UnlockScreenfixVB();

    screenSprites.SetCursorIcon(695);
    screenSprites.LockScreenfixVB();
    EXPECT_EQ(screenSprites.GetOverlayTriangles(), 4);
    screenSprites.UnlockScreenfixVB();
    auto v = ReadVertices<SCREENFIXVERTEX>(b.buffer, 12);
    ASSERT_EQ(v.size(), 12u);
    EXPECT_FLOAT_EQ(v[0].x, 100.0f);
    EXPECT_FLOAT_EQ(v[0].y, 50.0f);
    EXPECT_FLOAT_EQ(v[6].x, 113.0f);
    EXPECT_FLOAT_EQ(v[6].y, 65.0f);
    RECT icon;
    GetCoordinates(695, &icon, nullptr);
    EXPECT_FLOAT_EQ(v[11].x, 113.0f + static_cast<float>(icon.right - icon.left));

    // -1 removes the icon; no pointer means nothing opens the batch.
    screenSprites.SetCursorIcon(-1);
    screenSprites.SetDrawPointer(0);
    screenSprites.LockScreenfixVB();
    EXPECT_EQ(screenSprites.GetOverlayTriangles(), 0);
    EXPECT_EQ(b.triangles, 0);
    screenSprites.UnlockScreenfixVB();
}

TEST_F(ScreenSpritesTest, MenuModeScalesThePointerPositionToTheScreen) {
    ResetInputState();
    cursorX = 400;
    cursorY = 300;
    screenSprites.SetMenuMode(1);
    screenSprites.LockScreenfixVB();
    screenSprites.UnlockScreenfixVB();
    auto v = ReadVertices<SCREENFIXVERTEX>(screenSprites.GetScreenfixBatch().buffer, 1);
    ASSERT_EQ(v.size(), 1u);
    EXPECT_FLOAT_EQ(v[0].x, static_cast<float>(display.GetScreenWidth() / 2));
    EXPECT_FLOAT_EQ(v[0].y, static_cast<float>(display.GetScreenHeight() / 2));
    screenSprites.SetMenuMode(0);
}

TEST_F(ScreenSpritesTest, BillboardRunsStartOnRequestOrWhenNoneIsOpen) {
    screenSprites.LockBillboardVB();
    const BILLBOARD_BATCH& b = screenSprites.GetBillboardBatch();
    // Without the start flag and without a run, the quad still gets a run.
    ASSERT_EQ(screenSprites.AddOrientedSprite(0, 1, 1, 0, 0, 0, 1, 1, D3DXVECTOR3(1, 2, 3), 0, 9, 0xffffffff, 0, 2,
                                              1.0f),
              1);
    EXPECT_EQ(b.runCount, 1);
    EXPECT_FLOAT_EQ(b.runs[1].x, 1.0f);
    EXPECT_FLOAT_EQ(b.runs[1].z, 3.0f);
    // A different texture without the flag joins the last run.
    ASSERT_EQ(screenSprites.AddOrientedSprite(1, 1, 2, 0, 0, 0, 1, 1, D3DXVECTOR3(9, 9, 9), 0, 11, 0xffffffff, 0, 2,
                                              1.0f),
              1);
    EXPECT_EQ(b.runCount, 1);
    EXPECT_EQ(b.runs[1].triangleCount, 4);
    // The flag starts a run whatever the texture.
    ASSERT_EQ(screenSprites.AddOrientedSprite(0, 1, 1, 0, 0, 0, 1, 1, D3DXVECTOR3(4, 5, 6), 1, 9,
                                              0xffffffff, SPRITEMODE_FLAT, 2, 1.0f),
              1);
    EXPECT_EQ(b.runCount, 2);
    EXPECT_EQ(b.runs[2].firstVertex, 12);
    EXPECT_EQ(b.runs[2].mode, SPRITEMODE_FLAT);
    screenSprites.UnlockBillboardVB();
    auto v = ReadVertices<SPRITEVERTEX>(b.buffer, 18);
    ASSERT_EQ(v.size(), 18u);
    EXPECT_FLOAT_EQ(v[0].y, 1.0f);   // top of the first quad is y1
    EXPECT_FLOAT_EQ(v[12].y, 0.0f);  // the flat mode swaps top and bottom
    EXPECT_FLOAT_EQ(v[17].y, 1.0f);
}

TEST_F(ScreenSpritesTest, DrawingTheBatchesIssuesOneCallPerRun) {
    screenSprites.SetDrawPointer(0);
    screenSprites.LockSpriteVB();
    screenSprites.LockScreenfixVB();
    screenSprites.AddSprite(0, 0, 10, 10, 0, 0, 1, 1, 9, 0xffffffff, 0);
    screenSprites.AddSprite(0, 0, 10, 10, 0, 0, 1, 1, 9, 0xffffffff, SPRITEMODE_ZWRITE);
    screenSprites.AddWorldLine(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 0, 0), 0xffff0000);
    screenSprites.AddWorldLine(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 1, 0), 0xffff0000);
    screenSprites.AddScreenfixFilledRect(0xffffffff, 0, 0, 5, 5, 9, SPRITEMODE_ADDITIVE);
    screenSprites.UnlockSpriteVB();
    screenSprites.UnlockScreenfixVB();
    IDirect3DDevice8* device = display.GetDevice();
    const unsigned before = plat::DeviceDrawCallCount(device);
    device->BeginScene();
    screenSprites.RenderSprites();
    EXPECT_EQ(plat::DeviceDrawCallCount(device) - before, 4u);  // two quad runs, one strip per line
    screenSprites.RenderScreenfixInScene();
    EXPECT_EQ(plat::DeviceDrawCallCount(device) - before, 5u);
    device->EndScene();

    // The sprite states are put back: z test and the blend the scene uses.
    DWORD value = 0;
    device->GetRenderState(D3DRS_DESTBLEND, &value);
    EXPECT_EQ(value, display.GetDefaultRenderState(D3DRS_DESTBLEND));
    device->GetRenderState(D3DRS_ZWRITEENABLE, &value);
    EXPECT_EQ(value, 1u);
    device->GetTextureStageState(0, D3DTSS_ADDRESSU, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTADDRESS_WRAP));
}
