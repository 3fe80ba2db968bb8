// Windows and window items: set-up by kind, lookups by (window, id), hit
// testing, the title bar and close box, gauges and the colour triangle.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/input.h"
#include "app/myglobs.h"
#include "gfx/myfont.h"
#include "support/testutil.h"
#include "ui/window.h"

namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetInputState();
        myGlobs.secondEdition = 0;
        myGlobs.firstEdition = 1;
    }
    void TearDown() override {
        windowList.RemoveWindow(&a);
        windowList.RemoveWindow(&b);
        myGlobs.secondEdition = 0;
        myGlobs.firstEdition = 1;
    }
    // A framed window at (100, 50), 200 x 150: client origin (100, 70).
    void MakeWindow(WINDOW& w) {
        w.Init("Caption", 0xC0646464, 100, 50, 200, 150, WINSTYLE_ALTBACK);
        windowList.AddWindow(&w);
    }
    void PressAt(int x, int y) {
        cursorX = x;
        cursorY = y;
        mouseLeftDown = 1;
    }
    WINDOW a, b;
};

TEST_F(WindowTest, ConstructorAndInitSetTheRectangleByEdition) {
    EXPECT_STREQ(a.GetCaption(), "????");
    EXPECT_EQ(a.GetTitleHeight(), 20);
    EXPECT_FALSE(a.IsVisible());
    a.Init("Cap", 0xC0646464, 10, 20, 100, 50, 4);
    EXPECT_EQ(a.GetLeft(), 10);
    EXPECT_EQ(a.GetTop(), 20);
    EXPECT_EQ(a.GetRight(), 109);
    EXPECT_EQ(a.GetBottom(), 69);
    EXPECT_STREQ(a.GetCaption(), "Cap");
    EXPECT_EQ(a.GetStyle(), 4u);

    myGlobs.secondEdition = 1;
    myGlobs.firstEdition = 0;
    b.Init("Cap", 0xC0646464, 10, 20, 100, 50, 8);
    EXPECT_EQ(b.GetRight(), 10 + 100 - 14);
    EXPECT_EQ(b.GetBottom(), 20 + 50 + 10);
    // Items sit 5 lower, OK and cancel 3 further left.
    WINOBJ* t = b.AddWinobj(1, WINOBJ_TEXT, 0, "x", 30, 40, 0, 0, 1, 0);
    WINOBJ* ok = b.AddWinobj(9, WINOBJ_OK, 0, nullptr, 30, 40, 0, 0, 1, 0);
    ASSERT_TRUE(t && ok);
    EXPECT_EQ(t->y, 45);
    EXPECT_EQ(ok->x, 27);
    EXPECT_EQ(ok->y, 45);
}

TEST_F(WindowTest, InitFreesItemsAndShowKeepsModeForTwo) {
    a.AddWinobj(1, WINOBJ_TEXT, 0, "a", 0, 0, 0, 0, 1, 0);
    a.AddWinobj(2, WINOBJ_LIST, 0, nullptr, 0, 0, 100, 100, 1, 0);
    a.Init("x", 0, 0, 0, 10, 10, 0);
    EXPECT_EQ(a.GetFirstWinobj(), nullptr);
    a.Show(1);
    EXPECT_EQ(a.GetMode(), 1);
    a.Hide();
    a.Show(2);
    EXPECT_TRUE(a.IsVisible());
    EXPECT_EQ(a.GetMode(), 1);
    a.Show(0);
    EXPECT_EQ(a.GetMode(), 0);
}

TEST_F(WindowTest, AddWinobjSetsUpEachKind) {
    MakeWindow(a);
    WINOBJ* button = a.AddWinobj(1, WINOBJ_BUTTON, 2, nullptr, 5, 5, 0, 0, 1, 0);
    WINOBJ* ok = a.AddWinobj(9, WINOBJ_OK, 0, nullptr, 5, 5, 50, 50, 1, 0);
    WINOBJ* cancel = a.AddWinobj(10, WINOBJ_CANCEL, 0, nullptr, 5, 5, 0, 0, 1, 0);
    int level = 40;
    WINOBJ* gauge = a.AddWinobj(8, WINOBJ_GAUGE, 0, &level, 5, 20, 25, 55, 1, 0);
    WINOBJ* edit = a.AddWinobj(11, WINOBJ_EDIT, 0, nullptr, 5, 5, 0, 20, 1, 0);
    WINOBJ* list = a.AddWinobj(12, WINOBJ_LIST, 0, nullptr, 5, 5, 100, 100, 1, 0);
    WINOBJ* bar = a.AddWinobj(13, WINOBJ_COLORBAR, 0, nullptr, 5, 5, 10, 10, 1, 0);
    WINOBJ* bar2 = a.AddWinobj(14, WINOBJ_COLORBAR2, 0, nullptr, 5, 5, 10, 10, 1, 0);
    int image = 690;
    WINOBJ* picture = a.AddWinobj(16, WINOBJ_PICTURE, 0, &image, 100, 5, 0, 0, 1, WINOBJ_CENTRED);
    float percent = 50.0f;
    WINOBJ* slider = a.AddWinobj(17, WINOBJ_SLIDER, 0, &percent, 5, 5, 115, 0, 1, 0);
    WINOBJ* textButton = a.AddWinobj(18, WINOBJ_TEXTBUTTON, 0, "", 5, 5, 0, 0, 1, 0);
    WINOBJ* title = a.AddWinobj(19, WINOBJ_TITLE, 0, "Title", 5, 5, 0, 0, 1, 0);
    WINOBJ* small = a.AddWinobj(20, WINOBJ_SMALLTEXT, 0, "s", 5, 5, 0, 0, 1, 0);

    EXPECT_EQ(button->w, 22);
    EXPECT_EQ(button->h, 22);
    EXPECT_EQ(button->colour, 0xFF002030u);
    EXPECT_EQ(ok->w, 13);  // the given size is replaced by the image's
    EXPECT_EQ(ok->h, 12);
    EXPECT_EQ(cancel->w, 13);
    EXPECT_EQ(gauge->value, 40);
    EXPECT_EQ(gauge->gaugeTop, 26);
    EXPECT_EQ(gauge->gaugeBottom, 73);
    EXPECT_FALSE(edit->enabled);  // no width: disabled
    ASSERT_NE(edit->edit, nullptr);
    EXPECT_STREQ(edit->edit->text, "_");
    EXPECT_FALSE(edit->edit->active);
    EXPECT_EQ(edit->colour, 0xFFFFFFFFu);
    ASSERT_NE(list->list, nullptr);
    EXPECT_EQ(list->list->selected, -1);
    EXPECT_EQ(bar->colourA, 0xFF7F7F7Fu);
    EXPECT_EQ(bar2->colourB, 0xFF7F7F7Fu);
    EXPECT_EQ(picture->pictureId, 690);
    EXPECT_EQ(picture->w, 27);
    EXPECT_EQ(picture->h, 20);
    EXPECT_EQ(picture->x, 100 - 27 / 2);  // centred on its x
    EXPECT_EQ(slider->h, 9);
    EXPECT_EQ(slider->slider.travelMax, 115 - 25);
    EXPECT_EQ(slider->slider.knobLeft, 45);
    EXPECT_EQ(textButton->w, 12);  // two caps around an empty label
    EXPECT_EQ(textButton->h, 20);
    EXPECT_STREQ(title->fontName, "fontp");
    EXPECT_EQ(title->fontSize, 30);
    EXPECT_STREQ(small->fontName, "font_taho2");
    EXPECT_EQ(small->fontSize, 15);

    // Creation order is kept.
    EXPECT_EQ(a.GetFirstWinobj(), button);
    EXPECT_EQ(button->next, ok);
    EXPECT_EQ(ok->previous, button);
}

TEST_F(WindowTest, TextLongerThanTheFieldIsCut) {
    std::string lng(400, 'x');
    WINOBJ* t = a.AddWinobj(1, WINOBJ_TEXT, 0, lng.c_str(), 0, 0, 0, 0, 1, 0);
    WINOBJ* b2 = a.AddWinobj(2, WINOBJ_TEXTBUTTON, 0, lng.c_str(), 0, 0, 0, 0, 1, 0);
    EXPECT_EQ(std::string(t->text).size(), 255u);
    EXPECT_EQ(std::string(b2->label).size(), 127u);
}

TEST_F(WindowTest, LookupsTakeTheFirstItemWithTheIdAndSomeSettersTakeAll) {
    MakeWindow(a);
    WINOBJ* first = a.AddWinobj(5, WINOBJ_COLORBAR, 0, nullptr, 0, 0, 10, 10, 1, 0);
    WINOBJ* second = a.AddWinobj(5, WINOBJ_COLORBAR2, 0, nullptr, 0, 0, 10, 10, 1, 0);
    EXPECT_EQ(a.FindWinobj(5), first);
    EXPECT_EQ(windowList.FindWinobj(&a, 5), first);

    a.SetWinobjState(5, 7);
    EXPECT_EQ(first->state, 7);
    EXPECT_EQ(second->state, 0);
    a.SetWinobjColorA(5, 0xFF112233);
    EXPECT_EQ(first->colourA, 0xFF112233u);
    EXPECT_EQ(second->colourA, 0xFF112233u);
    a.SetWinobjColorB(5, 0xFF445566);
    EXPECT_EQ(first->colourB, 0xFF445566u);
    EXPECT_EQ(second->colourB, 0xFF7F7F7Fu);
    a.SetWinobjColor(5, 0xFF010203);
    EXPECT_EQ(first->colour, 0xFF010203u);
    EXPECT_EQ(second->colour, 0xFF010203u);
    SetWinobjColor(&a, 5, 0xFF0A0B0C);
    EXPECT_EQ(first->colour, 0xFF0A0B0Cu);
    EXPECT_EQ(second->colour, 0xFF010203u);
    EXPECT_EQ(a.GetWinobjColorA(99), 0xFF000000u);
    EXPECT_EQ(a.GetWinobjColorB(99), 0xFF000000u);
}

TEST_F(WindowTest, FreeFunctionsFindNothingInAWindowOutsideTheList) {
    a.Init("x", 0, 0, 0, 100, 100, 0);
    WINOBJ* button = a.AddWinobj(1, WINOBJ_BUTTON, 2, nullptr, 0, 0, 0, 0, 1, 0);
    WINOBJ* list = a.AddWinobj(2, WINOBJ_LIST, 0, nullptr, 0, 0, 100, 100, 1, 0);
    SetWinobjChecked(&a, 1, 1);
    EXPECT_EQ(button->state, 2);
    EXPECT_EQ(GetWinobjState(&a, 1), 0);
    ShowWinobj(&a, 1, 0);
    EXPECT_TRUE(button->visible);
    InitWinList(&a, 2, 0, 0);
    AddWinListRow(&a, 2, "row", 3, 0xFFFFFFFF);
    EXPECT_EQ(list->list->count, 0);
    char text[64] = "old";
    int value = 77;
    GetWinListSelection(&a, 2, text, &value);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(value, 0);
    EXPECT_EQ(windowList.FindWinobj(&a, 1), nullptr);
    EXPECT_EQ(windowList.FindWinobj(nullptr, 1), nullptr);

    windowList.AddWindow(&a);
    SetWinobjChecked(&a, 1, 1);
    EXPECT_EQ(GetWinobjState(&a, 1), 1);
    SetWinobjChecked(&a, 1, 0);
    EXPECT_EQ(GetWinobjState(&a, 1), 2);
    // Missing items do nothing.
    SetWinobjChecked(&a, 42, 1);
    SetWinobjText(&a, 42, "x");
    SetWinobjSlider(&a, 42, 5.0f);
    EXPECT_EQ(GetWinobjSlider(&a, 42), 0.0f);
}

TEST_F(WindowTest, WindowListKeepsHeadInsertionAndIgnoresDuplicates) {
    windowList.AddWindow(&a);
    windowList.AddWindow(&b);
    EXPECT_EQ(windowList.GetFirst(), &b);
    windowList.AddWindow(&a);  // already listed: no cycle, no move
    EXPECT_EQ(windowList.GetFirst(), &b);
    EXPECT_TRUE(windowList.Contains(&a));
    EXPECT_TRUE(windowList.Contains(&b));
    windowList.RemoveWindow(&b);
    EXPECT_EQ(windowList.GetFirst(), &a);
    EXPECT_FALSE(windowList.Contains(&b));
}

TEST_F(WindowTest, HiddenWindowsDoNotMoveAndDoNotCoverTheMouse) {
    MakeWindow(a);
    b.Init("b", 0, 400, 300, 100, 100, 0);
    windowList.AddWindow(&b);
    a.Show(0);
    windowList.MoveAll(10, 5);
    EXPECT_EQ(a.GetLeft(), 110);
    EXPECT_EQ(a.GetBottom(), 204);
    EXPECT_EQ(b.GetLeft(), 400);
    cursorX = 450;
    cursorY = 350;
    EXPECT_FALSE(windowList.IsMouseOverAny());
    b.Show(0);
    EXPECT_TRUE(windowList.IsMouseOverAny());
    cursorX = 499;  // right edge is inclusive
    EXPECT_TRUE(b.IsMouseOver());
    cursorX = 500;
    EXPECT_FALSE(b.IsMouseOver());
}

TEST_F(WindowTest, HitWinobjAnswersTheFirstVisibleEnabledItemAndConsumesThePress) {
    MakeWindow(a);
    a.Show(0);
    a.AddWinobj(3, WINOBJ_COLORBAR, 0, nullptr, 10, 10, 20, 20, 0, 0);  // disabled
    a.AddWinobj(4, WINOBJ_COLORBAR, 0, nullptr, 10, 10, 20, 20, 1, 0);
    a.AddWinobj(5, WINOBJ_COLORBAR, 0, nullptr, 15, 15, 20, 20, 1, 0);

    EXPECT_EQ(a.HitWinobj(115, 85), 0);  // no press
    PressAt(115, 85);
    EXPECT_EQ(a.GetHoverWinobj(), 4);
    EXPECT_EQ(a.HitWinobj(115, 85), 4);
    EXPECT_EQ(mouseLeftDown, 0);
    EXPECT_EQ(a.GetHitId(), 4);
    EXPECT_EQ(a.GetHitX(), 5);
    EXPECT_EQ(a.GetHitY(), 5);
    EXPECT_FLOAT_EQ(a.GetClickPercent(), 25.0f);

    // Both ends of the hit rectangle are included.
    PressAt(130, 100);
    EXPECT_EQ(a.HitWinobj(130, 100), 4);
    PressAt(135, 105);
    EXPECT_EQ(a.HitWinobj(135, 105), 5);

    // A press on no item answers 0 and stays available.
    PressAt(250, 150);
    EXPECT_EQ(a.HitWinobj(250, 150), 0);
    EXPECT_EQ(mouseLeftDown, 1);

    // Hidden items are skipped.
    ShowWinobj(&a, 4, 0);
    PressAt(112, 82);
    EXPECT_EQ(a.HitWinobj(112, 82), 0);
    EXPECT_EQ(a.GetHoverWinobj(), -1);

    // A hidden window answers nothing.
    ShowWinobj(&a, 4, 1);
    a.Hide();
    PressAt(115, 85);
    EXPECT_EQ(a.HitWinobj(115, 85), 0);
}

TEST_F(WindowTest, CloseBoxAndTitleBar) {
    MakeWindow(a);
    a.Show(0);
    // Close box: 279 < x < 295, 54 < y < 70.
    PressAt(285, 60);
    EXPECT_EQ(a.HitWinobj(285, 60), 101);
    EXPECT_EQ(mouseLeftDown, 1);
    EXPECT_FALSE(a.IsTitleClicked());
    EXPECT_EQ(mouseLeftDown, 1);
    EXPECT_FALSE(a.IsCloseBoxHit(279, 60));
    EXPECT_FALSE(a.IsCloseBoxHit(285, 70));

    PressAt(150, 60);
    EXPECT_TRUE(a.IsTitleClicked());
    EXPECT_EQ(mouseLeftDown, 0);
    PressAt(150, 71);  // below the title rectangle
    EXPECT_FALSE(a.IsTitleClicked());
    EXPECT_EQ(mouseLeftDown, 1);
    mouseLeftDown = 0;
    cursorX = 150;
    cursorY = 60;
    EXPECT_FALSE(a.IsTitleClicked());

    RECT r;
    a.GetTitleRect(100, 50, 299, &r);
    EXPECT_EQ(r.left, 102);
    EXPECT_EQ(r.top, 52);
    EXPECT_EQ(r.right, 297);
    EXPECT_EQ(r.bottom, 70);
    myGlobs.secondEdition = 1;
    a.GetTitleRect(100, 50, 299, &r);
    EXPECT_EQ(r.bottom, 78);
    EXPECT_TRUE(a.IsCloseBoxHit(285, 75));
}

TEST_F(WindowTest, DraggingTheTitleMovesEveryVisibleWindow) {
    MakeWindow(a);
    b.Init("b", 0, 400, 300, 100, 100, 0);
    windowList.AddWindow(&b);
    a.Show(0);
    b.Show(0);
    PressAt(150, 60);
    ASSERT_TRUE(a.IsTitleClicked());
    int lastX = cursorX, lastY = cursorY;
    cursorX += 30;
    cursorY += 20;
    windowList.MoveAll(cursorX - lastX, cursorY - lastY);
    EXPECT_EQ(a.GetLeft(), 130);
    EXPECT_EQ(a.GetTop(), 70);
    EXPECT_EQ(b.GetLeft(), 430);
    EXPECT_EQ(b.GetTop(), 320);
    // The title follows: a press at the new title place hits it again.
    PressAt(180, 80);
    EXPECT_TRUE(a.IsTitleClicked());
}

TEST_F(WindowTest, GetWinobjMousePosIncludesDisabledItems) {
    MakeWindow(a);
    a.AddWinobj(7, WINOBJ_COLORBAR, 0, nullptr, 10, 10, 20, 20, 0, 0);
    cursorX = 112;
    cursorY = 83;
    int x = -5, y = -5;
    EXPECT_TRUE(a.GetWinobjMousePos(7, &x, &y));
    EXPECT_EQ(x, 2);
    EXPECT_EQ(y, 3);
    cursorX = 200;
    x = y = -5;
    EXPECT_FALSE(a.GetWinobjMousePos(7, &x, &y));
    EXPECT_EQ(x, -5);
}

TEST_F(WindowTest, GaugesFollowTheMouseAndClampAtTheirEnds) {
    MakeWindow(a);
    int level = 0;
    a.AddWinobj(8, WINOBJ_GAUGE, 0, &level, 10, 20, 25, 55, 1, 0);  // top 26, bottom 73
    int other = 0;
    a.AddWinobj(9, WINOBJ_COLORBAR, 0, &other, 10, 20, 25, 55, 1, 0);
    a.SetGaugeFromMouse(8, 0);
    EXPECT_EQ(*a.GetWinobjValue(8), 0);  // a hidden window is not changed
    a.Show(0);
    a.SetGaugeFromMouse(8, 70 - 100);
    EXPECT_EQ(*a.GetWinobjValue(8), 100);
    a.SetGaugeFromMouse(8, 70 + 500);
    EXPECT_EQ(*a.GetWinobjValue(8), 0);
    a.SetGaugeFromMouse(8, 70 + 50);
    EXPECT_EQ(*a.GetWinobjValue(8), (73 - 50) * 100 / 47);
    // Items of another kind are neither read nor set as gauges.
    EXPECT_EQ(a.GetWinobjValue(9), nullptr);
    a.SetGaugeFromMouse(9, 70);
    int v = 33;
    a.ChangeWinobjValue(9, &v);
    EXPECT_EQ(a.FindWinobj(9)->value, 0);
    a.ChangeWinobjValue(8, &v);
    EXPECT_EQ(*a.GetWinobjValue(8), 33);
    windowList.AddWindow(&b);
    windowList.SetGaugeFromMouse(8, 70 - 100);
    EXPECT_EQ(*a.GetWinobjValue(8), 100);
}

TEST_F(WindowTest, ColourTrianglePicksGreyAtTheCentreAndKeepsTheColourOutside) {
    MakeWindow(a);
    a.Show(0);
    a.AddWinobj(4, WINOBJ_COLORPICKER, 0, nullptr, 0, 0, 100, 100, 1, 0);
    // The triangle's centre: 50 % across, 100 - 33.3 % down.
    PressAt(150, 70 + 67);
    ASSERT_EQ(a.HitWinobj(cursorX, cursorY), 4);
    uint32_t c = 0x80000000;
    a.GetPickedColor(4, &c);
    const int r = (c >> 16) & 255, g = (c >> 8) & 255, bl = c & 255;
    EXPECT_EQ(c >> 24, 0x80u);
    EXPECT_NEAR(r, g, 3);
    EXPECT_NEAR(g, bl, 3);
    EXPECT_GT(r, 150);
    EXPECT_LT(r, 190);

    // Close to the bottom-left corner the colour is full red.
    PressAt(105, 70 + 97);
    ASSERT_EQ(a.HitWinobj(cursorX, cursorY), 4);
    uint32_t red = 0xFF000000;
    a.GetPickedColor(4, &red);
    EXPECT_EQ((red >> 16) & 255, 255u);

    // The top-left corner of the item lies outside the triangle.
    PressAt(100, 70);
    ASSERT_EQ(a.HitWinobj(cursorX, cursorY), 4);
    uint32_t keep = 0xFF123456;
    a.GetPickedColor(4, &keep);
    EXPECT_EQ(keep, 0xFF123456u);
    // A missing item leaves it too.
    a.GetPickedColor(5, &keep);
    EXPECT_EQ(keep, 0xFF123456u);
}

TEST_F(WindowTest, ButtonsAreReleasedTogetherAndCheckedByState) {
    MakeWindow(a);
    a.AddWinobj(1, WINOBJ_BUTTON, 1, nullptr, 0, 0, 18, 18, 1, 0);
    a.AddWinobj(2, WINOBJ_BUTTON, 1, nullptr, 0, 30, 18, 18, 1, 0);
    a.AddWinobj(3, WINOBJ_TEXT, 1, "x", 0, 60, 0, 0, 1, 0);
    a.ReleaseButtons();
    EXPECT_EQ(GetWinobjState(&a, 1), 2);
    EXPECT_EQ(GetWinobjState(&a, 2), 2);
    EXPECT_EQ(GetWinobjState(&a, 3), 1);
}

TEST_F(WindowTest, SetActiveActsByKind) {
    MakeWindow(a);
    a.AddWinobj(1, WINOBJ_LIST, 0, nullptr, 0, 0, 100, 100, 1, 0);
    a.AddWinobj(2, WINOBJ_EDIT, 0, nullptr, 0, 0, 100, 20, 1, 0);
    int image = 690;
    a.AddWinobj(3, WINOBJ_PICTURE, 0, &image, 0, 0, 0, 0, 1, 0);
    InitWinList(&a, 1, 0, 0);
    AddWinListRow(&a, 1, "r", 0, 0xFFFFFFFF);
    SelectWinListRow(&a, 1, 0);
    SetWinobjActive(&a, 1, 1);
    EXPECT_EQ(a.FindWinobj(1)->list->selected, 0);
    SetWinobjActive(&a, 1, 0);
    EXPECT_EQ(a.FindWinobj(1)->list->selected, -1);
    SetWinobjActive(&a, 2, 1);
    EXPECT_TRUE(a.FindWinobj(2)->edit->active);
    SetWinobjActive(&a, 3, 1);
    EXPECT_TRUE(a.FindWinobj(3)->pictureHighlight);
    SetWinobjActive(&a, 3, 0);
    EXPECT_FALSE(a.FindWinobj(3)->pictureHighlight);
}

TEST_F(WindowTest, CentredTextsStayCentredWhenTheirTextOrSizeChanges) {
    veltest::TempDir dir;
    // A font whose glyphs are 10 wide and 20 high.
    std::string glyphs;
    int x = 0;
    for (const char* c = "abcdefghijklmnopqrstuvwxyz"; *c; ++c, x += 10)
        glyphs += std::string(1, *c) + " " + std::to_string(x) + " 0 " + std::to_string(x + 9) + " 19\n";
    veltest::WriteFile("fontp.txt", glyphs);
    ASSERT_NE(InitFont("fontp", 28, 0), nullptr);

    MakeWindow(a);
    WINOBJ* t = a.AddWinobj(1, WINOBJ_TITLE, 0, "abcd", 150, 10, 0, 0, 0, WINOBJ_CENTRED);
    int w4 = 0, h = 0;
    MeasureFontText("fontp", "abcd", 30, &w4, &h);
    ASSERT_GT(w4, 0);
    EXPECT_EQ(t->x, 150 - w4 / 2);
    SetWinobjText(&a, 1, "ab");
    int w2 = 0;
    MeasureFontText("fontp", "ab", 30, &w2, &h);
    EXPECT_EQ(t->x, 150 - w4 / 2 + w4 / 2 - w2 / 2);
    SetWinobjFontSize(&a, 1, 15);
    int w2s = 0;
    MeasureFontText("fontp", "ab", 15, &w2s, &h);
    EXPECT_EQ(t->x, 150 - w2 / 2 + w2 / 2 - w2s / 2);
    EXPECT_EQ(t->fontSize, 15);
    ReleaseFonts();
}

TEST_F(WindowTest, DrawingWithoutBatchesDoesNotFail) {
    MakeWindow(a);
    a.Show(0);
    int level = 50;
    float pct = 30.0f;
    int image = 690;
    for (int kind = 1; kind <= 17; ++kind) {
        const void* data = nullptr;
        if (kind == 8 || kind == 9) data = &level;
        if (kind == 16) data = &image;
        if (kind == 17) data = &pct;
        if (kind >= 2 && kind <= 5) data = "text";
        if (kind == 15) data = "label";
        a.AddWinobj(kind, kind, 1, data, 10, 10, 50, 50, 1, kind == 11 ? WINOBJ_SPRITEBATCH : 0);
    }
    a.AddWinobj(30, 99, 0, nullptr, 0, 0, 1, 1, 1, 0);
    InitWinList(&a, 10, 0, 0);
    AddWinListRow(&a, 10, "row", 1, 0xFFFFFFFF);
    windowList.Draw();
    windowList.DrawPreviews();
    myGlobs.secondEdition = 1;
    windowList.Draw();
    SUCCEED();
}

}  // namespace
