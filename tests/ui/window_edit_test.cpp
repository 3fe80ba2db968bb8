// Edit fields fed by the pending key, and sliders dragged by their knob.
#include <gtest/gtest.h>

#include <string>

#include "app/input.h"
#include "app/myglobs.h"
#include "app/winmain.h"
#include "ui/window.h"

namespace {

class EditTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetInputState();
        myGlobs.secondEdition = 0;
        myGlobs.firstEdition = 1;
        frameTime = 10;
        w.Init("edit", 0xC0646464, 100, 50, 300, 200, 8);
        w.AddWinobj(1, WINOBJ_EDIT, 0, nullptr, 10, 10, 100, 20, 1, 0);
        w.AddWinobj(2, WINOBJ_EDIT, 0, nullptr, 10, 40, 100, 20, 1, 0);
        windowList.AddWindow(&w);
    }
    void TearDown() override { windowList.RemoveWindow(&w); }
    std::string Typed(int id) {
        char out[256];
        w.GetWinobjEditText(id, out);
        return out;
    }
    void Type(int id, int key) {
        pendingKey = key;
        w.UpdateWinobjEdit(id, &pendingKey);
    }
    WINDOW w;
    int pendingKey = 0;
};

TEST_F(EditTest, InitStartsTheFieldAndDiscardsThePendingKey) {
    pendingKey = 'X';
    w.InitWinobjEdit(1, "ab", 5, &pendingKey, nullptr);
    EXPECT_EQ(pendingKey, 176);
    const WINEDIT* e = w.FindWinobj(1)->edit;
    EXPECT_STREQ(e->text, "ab ");
    EXPECT_EQ(e->caret, 2);
    EXPECT_EQ(e->maxLength, 5);
    EXPECT_TRUE(e->active);
    EXPECT_EQ(Typed(1), "ab");
    char copy[256];
    CopyWinobjEditText(&w, 1, copy);
    EXPECT_STREQ(copy, "ab");
}

TEST_F(EditTest, LettersFollowShiftAndTheAllowedSetFiltersKeys) {
    w.InitWinobjEdit(1, "", 10, &pendingKey, "AB");
    Type(1, 'A');
    EXPECT_EQ(Typed(1), "a");
    EXPECT_EQ(pendingKey, 176);
    keyShift = 1;
    Type(1, 'B');
    keyShift = 0;
    EXPECT_EQ(Typed(1), "aB");
    Type(1, 'C');  // not allowed: dropped, but consumed
    EXPECT_EQ(Typed(1), "aB");
    EXPECT_EQ(pendingKey, 176);

    w.InitWinobjEdit(2, "", 10, &pendingKey, "0123456789");
    Type(2, 'A');
    EXPECT_EQ(Typed(2), "");
    EXPECT_EQ(pendingKey, 176);
    Type(2, '7');
    EXPECT_EQ(Typed(2), "7");
}

TEST_F(EditTest, MaximumLengthRefusesCharactersButNotBackspace) {
    w.InitWinobjEdit(1, "12", 3, &pendingKey, "0123456789");
    Type(1, '3');
    EXPECT_EQ(Typed(1), "123");
    Type(1, '4');
    EXPECT_EQ(Typed(1), "123");
    Type(1, 8);
    EXPECT_EQ(Typed(1), "12");
    Type(1, 8);
    Type(1, 8);
    EXPECT_EQ(Typed(1), "");
    Type(1, 8);  // at caret 0 nothing happens
    EXPECT_EQ(Typed(1), "");
    EXPECT_EQ(w.FindWinobj(1)->edit->caret, 0);
    EXPECT_EQ(std::string(w.FindWinobj(1)->edit->text).size(), 1u);  // the caret cell alone
}

TEST_F(EditTest, EmptyAllowedSetAcceptsControlCodes) {
    w.InitWinobjEdit(1, "a", 10, &pendingKey, nullptr);
    Type(1, 13);
    EXPECT_EQ(Typed(1), "a\r");
    Type(1, 0);  // a zero key would end the text: refused
    EXPECT_EQ(Typed(1), "a\r");
    EXPECT_EQ(pendingKey, 176);
}

TEST_F(EditTest, SetTextHandlesTheThreeLengthModes) {
    w.InitWinobjEdit(1, "", 3, &pendingKey, "0123456789");
    SetWinobjEditText(&w, 1, "12345", 0);
    EXPECT_EQ(Typed(1), "123");
    EXPECT_STREQ(w.FindWinobj(1)->edit->text, "123_");
    SetWinobjEditText(&w, 1, "12345", -1);
    EXPECT_EQ(Typed(1), "12345");
    EXPECT_EQ(w.FindWinobj(1)->edit->maxLength, 5);
    SetWinobjEditText(&w, 1, "9", 7);
    EXPECT_EQ(w.FindWinobj(1)->edit->maxLength, 7);
    EXPECT_EQ(Typed(1), "9");
}

TEST_F(EditTest, OverlongTextsAndLimitsStayInsideTheBuffer) {
    std::string lng(400, '5');
    w.InitWinobjEdit(1, lng.c_str(), 1000, &pendingKey, nullptr);
    const WINEDIT* e = w.FindWinobj(1)->edit;
    EXPECT_EQ(e->caret, 254);
    EXPECT_EQ(e->maxLength, 254);
    Type(1, '6');  // full
    EXPECT_EQ(Typed(1).size(), 254u);
    SetWinobjEditText(&w, 1, lng.c_str(), -1);
    EXPECT_EQ(Typed(1).size(), 254u);
    char small[4];
    w.GetWinobjEditText(1, small, sizeof small);
    EXPECT_STREQ(small, "555");
    CopyWinobjEditText(&w, 1, small, sizeof small);
    EXPECT_STREQ(small, "555");
    std::string allowed(300, 'x');
    w.InitWinobjEdit(2, "", 5, &pendingKey, allowed.c_str());
    EXPECT_EQ(std::string(w.FindWinobj(2)->edit->allowed).size(), 127u);
}

TEST_F(EditTest, ThePendingKeyGoesToTheFirstActiveFieldOnly) {
    w.InitWinobjEdit(1, "", 5, &pendingKey, nullptr);
    w.InitWinobjEdit(2, "", 5, &pendingKey, nullptr);
    SetWinobjActive(&w, 1, 0);
    pendingKey = 'Q';
    w.UpdateWinobjEdit(1, &pendingKey);  // inactive: key left, caret blank
    EXPECT_EQ(pendingKey, 'Q');
    EXPECT_STREQ(w.FindWinobj(1)->edit->text, " ");
    w.UpdateWinobjEdit(2, &pendingKey);
    EXPECT_EQ(Typed(2), "q");
    SetWinobjActive(&w, 1, 1);
    pendingKey = 'R';
    w.UpdateWinobjEdit(1, &pendingKey);
    w.UpdateWinobjEdit(2, &pendingKey);
    EXPECT_EQ(Typed(1), "r");
    EXPECT_EQ(Typed(2), "q");
}

TEST_F(EditTest, TheCaretBlinksEveryQuarterSecond) {
    w.InitWinobjEdit(1, "ab", 5, &pendingKey, nullptr);
    const WINEDIT* e = w.FindWinobj(1)->edit;
    frameTime = 100;
    w.UpdateWinobjEdit(1, &pendingKey);
    w.UpdateWinobjEdit(1, &pendingKey);
    EXPECT_EQ(e->text[2], ' ');
    w.UpdateWinobjEdit(1, &pendingKey);  // 300 ms: toggles
    EXPECT_EQ(e->text[2], '_');
    EXPECT_EQ(e->blinkTimer, 0);
    // A typed key carries the caret cell along.
    Type(1, 'c');
    EXPECT_EQ(e->text[3], '_');
    EXPECT_EQ(Typed(1), "abc");
}

TEST_F(EditTest, MissingFieldsAndStoresDoNothing) {
    w.UpdateWinobjEdit(42, &pendingKey);
    w.InitWinobjEdit(42, "x", 3, &pendingKey, nullptr);
    char out[8] = "zz";
    w.GetWinobjEditText(42, out);
    EXPECT_STREQ(out, "");
    CopyWinobjEditText(&w, 42, out);
    EXPECT_STREQ(out, "");
    // A field created without a size is disabled and cannot be hit.
    w.AddWinobj(3, WINOBJ_EDIT, 0, nullptr, 10, 70, 0, 0, 1, 0);
    w.Show(0);
    cursorX = 110;
    cursorY = 140;
    mouseLeftDown = 1;
    EXPECT_EQ(w.HitWinobj(cursorX, cursorY), 0);
}

// ---------------------------------------------------------------------------

class SliderTest : public EditTest {};

TEST_F(SliderTest, SetPercentClampsAndPlacesTheKnob) {
    WINSLIDER s;
    s.Init(115);  // knob 25 wide: travel 0..90
    EXPECT_EQ(s.travelMax, 90);
    s.SetPercent(50.0f);
    EXPECT_EQ(s.knobLeft, 45);
    EXPECT_EQ(s.knobRight, 69);
    s.SetPercent(-5.0f);
    EXPECT_EQ(s.percent, 0.0f);
    EXPECT_EQ(s.knobLeft, 0);
    s.SetPercent(150.0f);
    EXPECT_EQ(s.percent, 100.0f);
    EXPECT_EQ(s.knobLeft, 90);
}

TEST_F(SliderTest, TheKnobIsDraggedUntilTheButtonComesUp) {
    float start = 0.0f;
    w.AddWinobj(8, WINOBJ_SLIDER, 0, &start, 20, 100, 115, 0, 1, 0);
    w.Show(0);
    // Item origin on screen: (120, 170). Knob 0..24 by 0..8.
    cursorX = 130;
    cursorY = 174;
    mouseLeftDown = 1;
    UpdateWinobjSlider(&w, 8);
    EXPECT_EQ(mouseLeftDown, 0);
    EXPECT_TRUE(w.FindWinobj(8)->slider.dragging);
    cursorX += 45;
    cursorY += 200;  // the drag holds wherever the cursor goes
    UpdateWinobjSlider(&w, 8);
    EXPECT_FLOAT_EQ(GetWinobjSlider(&w, 8), 50.0f);
    cursorX += 500;
    UpdateWinobjSlider(&w, 8);
    EXPECT_FLOAT_EQ(GetWinobjSlider(&w, 8), 100.0f);
    mouseLeftUp = 1;
    UpdateWinobjSlider(&w, 8);
    EXPECT_EQ(mouseLeftUp, 0);
    EXPECT_FALSE(w.FindWinobj(8)->slider.dragging);
    cursorX -= 1000;
    UpdateWinobjSlider(&w, 8);
    EXPECT_FLOAT_EQ(GetWinobjSlider(&w, 8), 100.0f);
}

TEST_F(SliderTest, APressOnTheBarBesideTheKnobDoesNothing) {
    float start = 0.0f;
    w.AddWinobj(8, WINOBJ_SLIDER, 0, &start, 20, 100, 115, 0, 1, 0);
    cursorX = 120 + 60;
    cursorY = 172;
    mouseLeftDown = 1;
    UpdateWinobjSlider(&w, 8);
    EXPECT_EQ(mouseLeftDown, 1);
    EXPECT_FALSE(w.FindWinobj(8)->slider.dragging);
    // A hidden slider takes no input.
    ShowWinobj(&w, 8, 0);
    cursorX = 125;
    UpdateWinobjSlider(&w, 8);
    EXPECT_EQ(mouseLeftDown, 1);
}

TEST_F(SliderTest, ASliderNoWiderThanItsKnobStaysAtZero) {
    float start = 70.0f;
    w.AddWinobj(8, WINOBJ_SLIDER, 0, &start, 20, 100, 10, 0, 1, 0);
    const WINSLIDER& s = w.FindWinobj(8)->slider;
    EXPECT_EQ(s.travelMax, 0);
    EXPECT_EQ(s.knobLeft, 0);
    cursorX = 125;
    cursorY = 172;
    mouseLeftDown = 1;
    UpdateWinobjSlider(&w, 8);
    cursorX += 30;
    UpdateWinobjSlider(&w, 8);
    EXPECT_FLOAT_EQ(GetWinobjSlider(&w, 8), 0.0f);
}

}  // namespace
