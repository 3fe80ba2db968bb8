// Window and screen-list drawing on a headless device: which batch the
// items go to, hidden windows, the tooltip's place at the screen edge and
// the preview pass restoring the viewport.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/input.h"
#include "app/myglobs.h"
#include "app/texts.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "gfx/myfont.h"
#include "gfx/screensprites.h"
#include "platform/window.h"
#include "rail/layoutstate.h"
#include "support/display_support.h"
#include "support/testutil.h"
#include "ui/screenlist.h"
#include "ui/window.h"

namespace {

std::vector<SCREENFIXVERTEX> ScreenfixVertices() {
    const SPRITE_BATCH& b = screenSprites.GetScreenfixBatch();
    const int count = b.triangles * 3;
    std::vector<SCREENFIXVERTEX> out(count);
    IDirect3DVertexBuffer8* vb = display.GetVB(b.buffer);
    if (!vb || count == 0) return {};
    BYTE* p = nullptr;
    if (FAILED(vb->Lock(0, 0, &p, D3DLOCK_READONLY)) || !p) return {};
    std::memcpy(out.data(), p, sizeof(SCREENFIXVERTEX) * count);
    vb->Unlock();
    return out;
}

class WindowDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetInputState();
        myGlobs.secondEdition = 0;
        myGlobs.firstEdition = 1;
        ASSERT_TRUE(StartHeadlessDisplay());
        ASSERT_EQ(screenSprites.Init(), 1);
        screenSprites.SetDrawPointer(0);
        screenSprites.SetUseSpriteBatch(0);
        frameTime = 10;
    }
    void TearDown() override { windowList.RemoveWindow(&w); }
    WINDOW w;
};

TEST_F(WindowDrawTest, ItemsGoToTheirBatchAndHiddenWindowsDrawNothing) {
    w.Init("Caption", 0xC0646464, 100, 50, 200, 150, WINSTYLE_ALTBACK);
    w.AddWinobj(9, WINOBJ_OK, 0, nullptr, 20, 20, 0, 0, 1, 0);
    windowList.AddWindow(&w);

    screenSprites.LockScreenfixVB();
    screenSprites.LockSpriteVB();
    w.Draw();
    EXPECT_EQ(screenSprites.GetScreenfixBatch().triangles, 0);
    w.Show(0);
    w.Draw();
    const int framed = screenSprites.GetScreenfixBatch().triangles;
    EXPECT_GE(framed, 2 * 10);  // nine frame pieces and the button
    EXPECT_EQ(screenSprites.GetSpriteBatch().triangles, 0);

    // An item flagged for the sprite batch draws there, and the flag is
    // switched back off afterwards.
    int image = 690;
    w.AddWinobj(16, WINOBJ_PICTURE, 0, &image, 60, 20, 0, 0, 1, WINOBJ_SPRITEBATCH);
    w.Draw();
    EXPECT_EQ(screenSprites.GetSpriteBatch().triangles, 2);
    EXPECT_EQ(screenSprites.GetUseSpriteBatch(), 0);

    // A hovered OK button is drawn a second time, additively.
    const int before = screenSprites.GetScreenfixBatch().triangles;
    cursorX = 100 + 20 + 3;
    cursorY = 50 + 20 + 20 + 3;
    w.Draw();
    EXPECT_EQ(screenSprites.GetScreenfixBatch().triangles - before, framed + 2);
    screenSprites.UnlockSpriteVB();
    screenSprites.UnlockScreenfixVB();
}

TEST_F(WindowDrawTest, ATooltipAtTheRightEdgeEndsInsideTheScreen) {
    veltest::TempDir dir;
    std::string table;
    for (int i = 0; i <= 160; ++i) table += std::to_string(i) + " " + (i == 156 ? "abcdefgh" : "-") + "\r\n#\r\n";
    veltest::WriteFile("texts.txt", table);
    texts.Reload();
    std::string glyphs;
    int x = 0;
    for (const char* c = "abcdefghijklmnopqrstuvwxyz-"; *c; ++c, x += 10)
        glyphs += std::string(1, *c) + " " + std::to_string(x) + " 0 " + std::to_string(x + 9) + " 14\n";
    veltest::WriteFile("font_taho2.txt", glyphs);
    ASSERT_NE(InitFont("font_taho2", 30, 0), nullptr);
    int tw = 0, th = 0;
    MeasureFontText("font_taho2", texts.Get(156), 15, &tw, &th);
    ASSERT_GT(tw, 0);

    layoutState.SetShowTooltips(1);
    screenList.Clear();
    RECT r{780, 0, 799, 30};
    screenList.AddItem(206, 10, &r, 1, nullptr, 1);
    cursorX = 795;
    cursorY = 10;
    screenList.Update();
    ASSERT_EQ(screenList.GetHoveredId(), 206);

    screenSprites.LockScreenfixVB();
    screenList.DrawTooltip();
    const std::vector<SCREENFIXVERTEX> v = ScreenfixVertices();
    screenSprites.UnlockScreenfixVB();
    float left = 1e9f, right = -1e9f, top = 1e9f;
    for (const SCREENFIXVERTEX& p : v) {
        if (p.colour != 0xFFFFFF60) continue;
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
    }
    ASSERT_LT(left, 1e8f);
    // x = 800 - w - 2; the box runs from x - 1 to x + w + 3.
    EXPECT_NEAR(left, 800 - tw - 3, 1.0f);
    EXPECT_NEAR(right - left, tw + 4, 1.0f);
    EXPECT_NEAR(top, 10 + 20, 1.0f);
    ReleaseFonts();
    screenList.Clear();
}

TEST_F(WindowDrawTest, ThePreviewPassRestoresTheViewport) {
    w.Init("lists", 0xC0646464, 100, 50, 300, 300, WINSTYLE_ALTBACK);
    w.AddWinobj(1, WINOBJ_LIST, 0, nullptr, 10, 10, 100, 240, 1, 0);
    windowList.AddWindow(&w);
    w.Show(0);
    InitWinList(&w, 1, WINLIST_TRACKTYPE, 0);
    for (int i = 0; i < 3; ++i) AddWinListObjectRow(&w, 1, i, i);
    InitWinList(&w, 1, WINLIST_XOBJECT, 0);
    for (int i = 0; i < 3; ++i) AddWinListObjectRow(&w, 1, 2000 + i, i);  // no such types
    IDirect3DDevice8* device = display.GetDevice();
    D3DVIEWPORT8 before{};
    device->GetViewport(&before);
    windowList.DrawPreviews();
    InitWinList(&w, 1, WINLIST_TRACKTYPE, 0);
    for (int i = 0; i < 3; ++i) AddWinListObjectRow(&w, 1, i, i);
    windowList.DrawPreviews();
    D3DVIEWPORT8 after{};
    device->GetViewport(&after);
    EXPECT_EQ(after.X, before.X);
    EXPECT_EQ(after.Y, before.Y);
    EXPECT_EQ(after.Width, before.Width);
    EXPECT_EQ(after.Height, before.Height);
}

}  // namespace
