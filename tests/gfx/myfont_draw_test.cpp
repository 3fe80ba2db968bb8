// Fonts drawn into the screen-sprite batches: pen advance, '?' fallback,
// width limits, billboard text runs, and one pixel test on a real context.
#include "support/display_support.h"
#include <gtest/gtest.h>

#include <cstdlib>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/myglobs.h"
#include "gfx/display.h"
#include "platform/window.h"
#include "gfx/myfont.h"
#include "gfx/screensprites.h"
#include "gfx/texturemanager.h"

namespace {

void WriteText(const char* name, const std::string& text) {
    FILE* f = std::fopen(name, "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

// Glyphs: 'a' 10 x 20 at (0, 0), 'b' 6 x 20 at (20, 0), '?' 8 x 20 at
// (40, 0), the space 4 x 20 at (60, 0), 'h' 10 x 10 at (0, 30) and 'z' with
// height 0.
const char* GLYPHS =
    "a 0 0 8 18\n"
    "b 20 0 24 18\n"
    "? 40 0 46 18\n"
    "~ 60 0 62 18\n"
    "h 0 30 8 38\n"
    "z 70 0 78 -2\n";

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

class FontDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartTestDisplay(true));
        ASSERT_EQ(screenSprites.Init(), 1);
        WriteText("drawfont.txt", GLYPHS);
        ASSERT_NE(InitFont("drawfont", 28, -3), nullptr);
        screenSprites.SetDrawPointer(0);
    }
};

}  // namespace

TEST_F(FontDrawTest, SecondLetterStartsWidthPlusOnePlusSpacingAfterTheFirst) {
    screenSprites.LockScreenfixVB();
    DrawFontText(10, 20, "ab", "drawfont", 20, 0xffff0000, 0, -1);
    screenSprites.UnlockScreenfixVB();
    const SPRITE_BATCH& b = screenSprites.GetScreenfixBatch();
    ASSERT_EQ(b.triangles, 4);
    EXPECT_EQ(b.runs[1].textureId, 28);
    auto v = ReadVertices<SCREENFIXVERTEX>(b.buffer, 12);
    ASSERT_EQ(v.size(), 12u);
    EXPECT_FLOAT_EQ(v[0].x, 10.0f);
    EXPECT_FLOAT_EQ(v[0].y, 20.0f);
    EXPECT_FLOAT_EQ(v[5].x, 20.0f);  // 10 pixels wide
    EXPECT_FLOAT_EQ(v[5].y, 40.0f);  // 20 pixels high
    EXPECT_FLOAT_EQ(v[6].x, 18.0f);  // 10 + (10 + 1 - 3)
    EXPECT_FLOAT_EQ(v[11].x, 24.0f); // 'b' is 6 wide
    EXPECT_EQ(v[0].colour, 0xffff0000u);
}

TEST_F(FontDrawTest, SizeScalesFromTheFirstGlyphAndUnknownCharactersDrawQuestionMarks) {
    screenSprites.LockScreenfixVB();
    DrawFontText(0, 0, "a#", "drawfont", 40, 0xffffffff, 0, -1);
    screenSprites.UnlockScreenfixVB();
    auto v = ReadVertices<SCREENFIXVERTEX>(screenSprites.GetScreenfixBatch().buffer, 12);
    ASSERT_EQ(v.size(), 12u);
    EXPECT_FLOAT_EQ(v[5].x, 20.0f);   // 10 * 2
    EXPECT_FLOAT_EQ(v[5].y, 40.0f);
    EXPECT_FLOAT_EQ(v[6].x, 16.0f);   // (10 + 1 - 3) * 2
    EXPECT_FLOAT_EQ(v[11].x, 32.0f);  // '?' glyph, 8 * 2 wide
    // The '?' glyph's texels: left 40.
    int w = 0, h = 0;
    textureManager.GetGTextureSize(28, &w, &h);
    if (w > 0) {
        EXPECT_NEAR(v[6].u * static_cast<float>(w), 40.5f, 1e-3);
    }
}

TEST_F(FontDrawTest, ZeroHeightFirstGlyphDrawsNothingAndUnknownFontsDrawNothing) {
    screenSprites.LockScreenfixVB();
    DrawFontText(0, 0, "za", "drawfont", 20, 0xffffffff, 0, -1);
    DrawFontText(0, 0, "ab", "font_ocra", 20, 0xffffffff, 0, -1);
    DrawFontText(0, 0, "", "drawfont", 20, 0xffffffff, 0, -1);
    DrawFontText(0, 0, nullptr, "drawfont", 20, 0xffffffff, 0, -1);
    EXPECT_EQ(screenSprites.GetScreenfixBatch().triangles, 0);
    screenSprites.UnlockScreenfixVB();
}

TEST_F(FontDrawTest, WidthLimitDrawsOnlyTheFittedLineOfABoundedCopy) {
    std::string longText(1000, 'a');
    longText[3] = ' ';
    screenSprites.LockScreenfixVB();
    // "aaa" is 3 x (10 - 3 + 1) = 24 wide; the space takes it past 25.
    DrawFontText(0, 0, longText.c_str(), "drawfont", 20, 0xffffffff, 0, 25);
    EXPECT_EQ(screenSprites.GetScreenfixBatch().triangles, 6);
    screenSprites.UnlockScreenfixVB();
}

TEST_F(FontDrawTest, SpriteBatchModeUsesDesignSpace) {
    screenSprites.SetUseSpriteBatch(1);
    screenSprites.LockSpriteVB();
    DrawFontText(0, 0, "a", "drawfont", 20, 0xffffffff, 0, -1);
    screenSprites.UnlockSpriteVB();
    screenSprites.SetUseSpriteBatch(0);
    auto v = ReadVertices<SPRITEVERTEX>(screenSprites.GetSpriteBatch().buffer, 6);
    ASSERT_EQ(v.size(), 6u);
    EXPECT_FLOAT_EQ(v[0].x, -400.0f);
    EXPECT_FLOAT_EQ(v[0].y, 300.0f);
    EXPECT_FLOAT_EQ(v[5].x, -390.0f);
    EXPECT_FLOAT_EQ(v[5].y, 280.0f);
}

TEST_F(FontDrawTest, CentredTextIsPlacedAroundTheDesignMiddle) {
    screenSprites.LockScreenfixVB();
    DrawFontTextCentered(5, "aa", "drawfont", 20, 0xffffffff, 0);  // 16 wide
    screenSprites.UnlockScreenfixVB();
    auto v = ReadVertices<SCREENFIXVERTEX>(screenSprites.GetScreenfixBatch().buffer, 1);
    ASSERT_EQ(v.size(), 1u);
    EXPECT_FLOAT_EQ(v[0].x, 392.0f);
    EXPECT_FLOAT_EQ(v[0].y, 5.0f);
}

TEST_F(FontDrawTest, BillboardTextIsOneCentredRunAndStopsWhenItsFirstQuadIsRefused) {
    screenSprites.LockBillboardVB();
    DrawFontTextBox("ab", 1.0f, 2.0f, -3.0f, 0xffffff00, 0, 30.0f, "drawfont", 1);
    const BILLBOARD_BATCH& b = screenSprites.GetBillboardBatch();
    ASSERT_EQ(b.runCount, 1);
    EXPECT_EQ(b.runs[1].triangleCount, 4);
    EXPECT_FLOAT_EQ(b.runs[1].x, 1.0f);
    EXPECT_FLOAT_EQ(b.runs[1].z, -3.0f);

    // Fill the batch up, then a new label must not join the last run.
    while (screenSprites.AddOrientedSprite(0, 1, 1, 0, 0, 0, 1, 1, D3DXVECTOR3(0, 0, 0), 0, 9, 0xffffffff, 0, 2,
                                           1.0f)) {
    }
    const int runs = b.runCount;
    const int lastTriangles = b.runs[runs].triangleCount;
    DrawFontTextBox("ab", 0.0f, 0.0f, 0.0f, 0xffffffff, 0, 30.0f, "drawfont", 0);
    EXPECT_EQ(b.runCount, runs);
    EXPECT_EQ(b.runs[runs].triangleCount, lastTriangles);
    screenSprites.UnlockBillboardVB();

    auto v = ReadVertices<SPRITEVERTEX>(b.buffer, 12);
    ASSERT_EQ(v.size(), 12u);
    // Natural width (10+1-3) + (6+1-3) = 12, height 20, g = 1: starts at -6;
    // line 1 puts the top at 1.5 x 20 = 30 and the bottom at 10.
    EXPECT_FLOAT_EQ(v[0].x, -6.0f);
    EXPECT_FLOAT_EQ(v[0].y, 30.0f);
    EXPECT_FLOAT_EQ(v[5].x, 4.0f);
    EXPECT_FLOAT_EQ(v[5].y, 10.0f);
    EXPECT_FLOAT_EQ(v[6].x, 5.0f);  // no spacing in billboard text
}

// A text in a font whose glyph texture the test makes lands on the expected
// pixels (needs a GL context: run under Xvfb).
TEST(FontPixels, GlyphLandsOnTheExpectedPixels) {
    if (!StartTestDisplay(false)) GTEST_SKIP() << "no display";
    IDirect3DDevice8* device = display.GetDevice();
    if (!plat::DeviceHasContext(device)) GTEST_SKIP() << "no GL context";
    ASSERT_EQ(screenSprites.Init(), 1);
    // Glyph 'a' covers texels 0..9 x 0..19 of a white 64 x 32 texture.
    WriteText("pixfont.txt", "a 0 0 8 18\n");
    ASSERT_NE(InitFont("pixfont", 28, 0), nullptr);
    {
        const int w = 64, h = 32, row = w * 3;
        std::vector<unsigned char> d(54 + row * h, 0xff);
        auto put32 = [&](int at, int v) {
            for (int i = 0; i < 4; ++i) d[at + i] = static_cast<unsigned char>(v >> (8 * i));
        };
        std::memset(d.data(), 0, 54);
        d[0] = 'B';
        d[1] = 'M';
        put32(2, static_cast<int>(d.size()));
        put32(10, 54);
        put32(14, 40);
        put32(18, w);
        put32(22, h);
        d[26] = 1;
        d[28] = 24;
        put32(34, row * h);
        FILE* f = std::fopen("pixfont.bmp", "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(d.data(), 1, d.size(), f);
        std::fclose(f);
    }
    ASSERT_EQ(textureManager.AddGTexture(device, "pixfont.bmp", 28, D3DFMT_A8R8G8B8, 1), S_OK);

    screenSprites.SetDrawPointer(0);
    screenSprites.LockScreenfixVB();
    DrawFontText(30, 40, "a", "pixfont", 20, 0xffff0000, 0, -1);
    screenSprites.UnlockScreenfixVB();
    ASSERT_EQ(display.BeginFrame(0xff000000), 1);
    screenSprites.RenderScreenfixInScene();
    display.EndFrame();

    auto red = [&](int x, int y) { return plat::ReadBackBufferPixel(device, x, y) & 0x00ffffff; };
    EXPECT_EQ(red(30, 40), 0xff0000u);
    EXPECT_EQ(red(39, 59), 0xff0000u);
    EXPECT_EQ(red(35, 50), 0xff0000u);
    EXPECT_EQ(red(29, 40), 0x000000u);
    EXPECT_EQ(red(40, 50), 0x000000u);
    EXPECT_EQ(red(35, 39), 0x000000u);
    EXPECT_EQ(red(35, 60), 0x000000u);
}
