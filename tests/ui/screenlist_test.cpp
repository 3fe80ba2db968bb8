// The screen list: hover and click phases, window priority, the Delete key,
// offsets, the bounce of hovered items, input-box colours and toolbar
// availability.
#include <gtest/gtest.h>

#include "app/input.h"
#include "app/myglobs.h"
#include "app/winmain.h"
#include "editor/editor.h"
#include "rail/layoutstate.h"
#include "ui/coordinates.h"
#include "ui/screenlist.h"
#include "ui/window.h"

namespace {

class ScreenListTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetInputState();
        myGlobs.secondEdition = 0;
        myGlobs.firstEdition = 1;
        frameTime = 10;
        editorState = 100;
        gameState = 8;
        screenList.Clear();
        screenList.Update();  // forgets the hovered id of earlier frames
    }
    void TearDown() override {
        screenList.Clear();
        windowList.RemoveWindow(&cover);
    }
    // An input box covering the given rectangle.
    void AddBox(int id, int l, int t, int r, int b, int clickable = 1) {
        RECT rect{l, t, r, b};
        screenList.AddItem(id, 10, &rect, clickable, nullptr, 1);
    }
    void MoveTo(int x, int y) {
        cursorX = x;
        cursorY = y;
    }
    WINDOW cover;
};

TEST_F(ScreenListTest, ReportsHoverAndClickPhases) {
    AddBox(300, 10, 10, 50, 50);
    MoveTo(30, 30);
    screenList.Update();
    int id = 0, phase = -1;
    EXPECT_EQ(screenList.GetHoveredId(), 300);
    EXPECT_EQ(screenList.GetClick(&id, &phase), 200);
    EXPECT_EQ(id, 200);

    mouseLeftDown = 1;
    screenList.Update();
    screenList.GetClick(&id, &phase);
    EXPECT_EQ(id, 300);
    EXPECT_EQ(phase, 0);
    EXPECT_EQ(mouseLeftDown, 1);  // the screen list does not consume it

    mouseLeftDown = 0;
    mouseLeftUp = 1;
    screenList.Update();
    screenList.GetClick(&id, &phase);
    EXPECT_EQ(id, 300);
    EXPECT_EQ(phase, 1);

    mouseLeftDown = 1;  // press and release in one frame
    screenList.Update();
    screenList.GetClick(&id, &phase);
    EXPECT_EQ(phase, 1);

    // Edges are included; one pixel outside is not.
    mouseLeftDown = mouseLeftUp = 0;
    MoveTo(50, 50);
    screenList.Update();
    EXPECT_EQ(screenList.GetHoveredId(), 300);
    MoveTo(51, 50);
    screenList.Update();
    EXPECT_EQ(screenList.GetHoveredId(), 200);
}

TEST_F(ScreenListTest, OnlyClickableItemsReactAndTheLaterOneWins) {
    AddBox(301, 0, 0, 100, 100);
    AddBox(302, 50, 50, 150, 150);
    AddBox(303, 60, 60, 70, 70, 0);
    MoveTo(65, 65);
    mouseLeftDown = 1;
    screenList.Update();
    EXPECT_EQ(screenList.GetHoveredId(), 302);
    EXPECT_EQ(screenList.GetClickedId(), 302);
    EXPECT_TRUE(screenList.IsMouseOverItem());
    EXPECT_EQ(screenList.HitItem(65, 65), 302);
    SCREEN_ITEM item;
    ASSERT_TRUE(screenList.FindItem(301, &item));
    EXPECT_TRUE(item.hover);
    ASSERT_TRUE(screenList.FindItem(303, &item));
    EXPECT_FALSE(item.hover);
    mouseLeftDown = 0;
    EXPECT_EQ(screenList.HitItem(65, 65), 200);
    EXPECT_EQ(screenList.HitItem(500, 500), 200);
    ASSERT_TRUE(screenList.FindItem(301, &item));
    EXPECT_FALSE(item.hover);
    EXPECT_FALSE(screenList.FindItem(999, &item));
}

TEST_F(ScreenListTest, AWindowOverAnItemHidesItFromTheMouse) {
    AddBox(300, 10, 10, 50, 50);
    MoveTo(30, 30);
    screenList.Update();
    int anchorX = 0, anchorY = 0;
    screenList.GetTooltipAnchor(&anchorX, &anchorY);
    EXPECT_EQ(anchorX, 30);

    cover.Init("c", 0, 0, 0, 100, 100, 0);
    windowList.AddWindow(&cover);
    cover.Show(0);
    MoveTo(35, 35);
    mouseLeftDown = 1;
    screenList.Update();
    EXPECT_EQ(screenList.GetHoveredId(), 200);
    EXPECT_EQ(screenList.GetClickedId(), 200);
    EXPECT_FALSE(screenList.IsMouseOverItem());
    screenList.GetTooltipAnchor(&anchorX, &anchorY);
    EXPECT_EQ(anchorX, 30);
    EXPECT_EQ(anchorY, 30);
    // Delete is not reported either while the mouse is over the window.
    keyDelete = 1;
    screenList.Update();
    EXPECT_EQ(screenList.GetClickedId(), 200);
}

TEST_F(ScreenListTest, TheTooltipAnchorMovesWhenTheHoveredItemChanges) {
    AddBox(300, 10, 10, 50, 50);
    AddBox(301, 60, 10, 100, 50);
    MoveTo(20, 20);
    screenList.Update();
    MoveTo(40, 40);
    screenList.Update();  // same item: anchor stays
    int x = 0, y = 0;
    screenList.GetTooltipAnchor(&x, &y);
    EXPECT_EQ(x, 20);
    EXPECT_EQ(y, 20);
    MoveTo(70, 30);
    screenList.Update();
    screenList.GetTooltipAnchor(&x, &y);
    EXPECT_EQ(x, 70);
    EXPECT_EQ(SCREEN_LIST::GetPreviousHoveredId(), 301);
    screenList.Clear();
    screenList.Update();
    EXPECT_EQ(SCREEN_LIST::GetPreviousHoveredId(), 200);
}

TEST_F(ScreenListTest, DeleteKeyActsAsTheDeleteButtonUnlessSomethingWasClicked) {
    AddBox(300, 10, 10, 50, 50);
    keyDelete = 1;
    MoveTo(500, 500);
    screenList.Update();
    int id = 0, phase = -1;
    screenList.GetClick(&id, &phase);
    EXPECT_EQ(id, 206);
    EXPECT_EQ(phase, 0);
    EXPECT_EQ(mouseLeftDown, 1);

    MoveTo(30, 30);
    mouseLeftDown = 0;
    mouseLeftUp = 1;
    screenList.Update();
    screenList.GetClick(&id, &phase);
    EXPECT_EQ(id, 300);
    EXPECT_EQ(phase, 1);
}

TEST_F(ScreenListTest, ItemsTakeTheirPlaceFromTheCoordinatesUnlessAnInputBox) {
    RECT given{1, 2, 3, 4};
    screenList.AddItem(589, 16, &given, 1, "Start", 0);
    screenList.AddItem(590, 16, &given, 1, nullptr, 1);
    SCREEN_ITEM item;
    ASSERT_TRUE(screenList.FindItem(589, &item));
    RECT src{}, scr{};
    GetCoordinates(589, &src, &scr);
    EXPECT_EQ(item.screen.left, scr.left);
    EXPECT_EQ(item.screen.top, scr.top);
    EXPECT_EQ(item.source.left, src.left);
    ASSERT_NE(item.label, nullptr);
    EXPECT_STREQ(item.label, "Start");
    EXPECT_EQ(item.textureSlot, 16);
    ASSERT_TRUE(screenList.FindItem(590, &item));
    EXPECT_EQ(item.screen.left, 1);
    EXPECT_EQ(item.screen.bottom, 4);
    EXPECT_EQ(item.label, nullptr);
    EXPECT_EQ(item.current[3], 128.0f);
}

TEST_F(ScreenListTest, OffsetsReplaceEachOtherAndRemovalTakesTheFirst) {
    AddBox(300, 10, 10, 50, 50);
    AddBox(300, 100, 10, 150, 50);
    screenList.SetItemOffset(300, 20);
    screenList.SetItemOffset(300, 5);
    SCREEN_ITEM item;
    ASSERT_TRUE(screenList.FindItem(300, &item));
    EXPECT_EQ(item.screen.left, 15);
    EXPECT_EQ(item.screen.right, 55);
    EXPECT_EQ(item.xOffset, 5);
    screenList.RemoveItem(300);
    ASSERT_TRUE(screenList.FindItem(300, &item));
    EXPECT_EQ(item.screen.left, 100);
    screenList.RemoveItem(300);
    EXPECT_FALSE(screenList.FindItem(300, &item));
    screenList.RemoveItem(300);  // nothing left: nothing happens
    screenList.SetItemOffset(300, 5);
    EXPECT_EQ(screenList.GetItemSlide(300), 0);
}

TEST_F(ScreenListTest, AHoveredItemBouncesAndSnapsBackAfterTheCursorLeaves) {
    AddBox(300, 100, 100, 200, 150);
    MoveTo(150, 120);
    mouseLeftDown = 0;
    screenList.HitItem(cursorX, cursorY);  // sets the hover flag
    frameTime = 60;
    SCREEN_ITEM item;
    for (int i = 0; i < 3; ++i) screenList.Draw();
    ASSERT_TRUE(screenList.FindItem(300, &item));
    EXPECT_TRUE(item.animating);
    EXPECT_EQ(item.slide, -180);
    EXPECT_EQ(screenList.GetItemSlide(300), -12);
    EXPECT_EQ(item.screen.left, 100 - 12);
    // Past -300 it turns back.
    for (int i = 0; i < 3; ++i) screenList.Draw();
    ASSERT_TRUE(screenList.FindItem(300, &item));
    EXPECT_EQ(item.slideDirection, 1);
    EXPECT_EQ(item.slide, -600 + 360);

    // The cursor leaves: it goes on until the slide would cross zero.
    screenList.HitItem(500, 500);
    int frames = 0;
    do {
        screenList.Draw();
        ASSERT_TRUE(screenList.FindItem(300, &item));
    } while (item.animating && ++frames < 100);
    EXPECT_LT(frames, 100);
    EXPECT_LE(item.slide, 0);
    EXPECT_GE(item.slide, -60);
    screenList.Draw();  // not animating: back in place
    ASSERT_TRUE(screenList.FindItem(300, &item));
    EXPECT_EQ(item.slide, 0);
    EXPECT_EQ(item.screen.left, 100);
    EXPECT_EQ(item.screen.right, 200);
}

TEST_F(ScreenListTest, InputBoxColoursFadeTowardTheirTarget) {
    AddBox(300, 100, 100, 200, 150);
    frameTime = 300;
    screenList.Draw();  // idle colours reached in one 300 ms step
    SCREEN_ITEM item;
    ASSERT_TRUE(screenList.FindItem(300, &item));
    EXPECT_FLOAT_EQ(item.current[0], 32.0f);
    EXPECT_FLOAT_EQ(item.current[1], 64.0f);
    EXPECT_FLOAT_EQ(item.current[2], 64.0f);
    EXPECT_FLOAT_EQ(item.current[3], 128.0f);
    screenList.HitItem(150, 120);
    frameTime = 100;
    screenList.Draw();
    ASSERT_TRUE(screenList.FindItem(300, &item));
    EXPECT_FLOAT_EQ(item.current[0], 32.0f + (255.0f - 32.0f) / 3.0f);
    EXPECT_FLOAT_EQ(item.target[3], 176.0f);
    for (int i = 0; i < 30; ++i) screenList.Draw();
    ASSERT_TRUE(screenList.FindItem(300, &item));
    EXPECT_NEAR(item.current[0], 255.0f, 0.5f);
    EXPECT_NEAR(item.current[2], 192.0f, 0.5f);
}

TEST_F(ScreenListTest, HoverHighlightWorksOnACopy) {
    AddBox(300, 100, 100, 200, 150);
    screenList.HitItem(150, 120);
    MoveTo(150, 120);
    screenList.Update();
    frameTime = 50;
    screenList.Draw();  // the item and then its highlight copy
    SCREEN_ITEM item;
    ASSERT_TRUE(screenList.FindItem(300, &item));
    EXPECT_EQ(item.slide, -50);  // advanced once, not twice
}

TEST_F(ScreenListTest, ToolbarAvailabilityFollowsTheEditorState) {
    editorState = 100;
    EXPECT_TRUE(SCREEN_LIST::IsItemEnabled(206));
    EXPECT_TRUE(SCREEN_LIST::IsItemEnabled(233));
    EXPECT_FALSE(SCREEN_LIST::IsItemEnabled(650));
    editorState = 154;
    layoutState.SetToolOption(1);
    EXPECT_TRUE(SCREEN_LIST::IsItemEnabled(226));
    EXPECT_FALSE(SCREEN_LIST::IsItemEnabled(650));
    layoutState.SetToolOption(0);
    EXPECT_FALSE(SCREEN_LIST::IsItemEnabled(227));
    EXPECT_TRUE(SCREEN_LIST::IsItemEnabled(650));
    editorState = 158;  // an editor window is open
    EXPECT_TRUE(IsEditorWindowOpen());
    EXPECT_FALSE(SCREEN_LIST::IsItemEnabled(240));
    EXPECT_FALSE(SCREEN_LIST::IsItemEnabled(206));
    EXPECT_TRUE(SCREEN_LIST::IsItemEnabled(702));
    editorState = 184;  // the sound attribute window is not in the set
    EXPECT_FALSE(IsEditorWindowOpen());
    layoutState.SetToolOption(1);
}

TEST_F(ScreenListTest, DrawingWithTooltipsAndLabelsDoesNotFail) {
    AddBox(206, 700, 0, 799, 30);
    RECT r{0, 0, 100, 50};
    screenList.AddItem(233, 10, &r, 1, "label", 0);
    MoveTo(790, 10);
    screenList.Update();
    screenList.Draw();
    layoutState.SetShowTooltips(0);
    screenList.Draw();
    layoutState.SetShowTooltips(1);
    SUCCEED();
}

}  // namespace
