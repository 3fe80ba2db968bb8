// List controls: geometry, adding and selecting rows, scrolling by arrows,
// pages and the thumb, removing and inserting rows, and the (window, id)
// functions.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/input.h"
#include "app/myglobs.h"
#include "ui/window.h"

namespace {

// A text list 100 wide and 8 rows (136 pixels) high: scroll bar 12 wide,
// arrows 12 high, thumb 37 high, thumb travel 12..87.
class ListTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetInputState();
        myGlobs.secondEdition = 0;
        myGlobs.firstEdition = 1;
        int h = 140;
        list.Init(100, &h, WINLIST_TEXT, 0);
        height = h;
    }
    void Fill(int n) {
        for (int i = 0; i < n; ++i) list.AddRow(("row" + std::to_string(i)).c_str(), 100 + i, 0xFFFFFFFF);
    }
    void Press(int x, int y) {
        mouseLeftDown = 1;
        list.HandleMouse(x, y);
    }
    WINLIST list;
    int height = 0;
};

TEST_F(ListTest, InitSetsTheGeometryByKind) {
    EXPECT_EQ(list.rowHeight, 17);
    EXPECT_EQ(list.visible, 8);
    EXPECT_EQ(height, 136);
    EXPECT_EQ(list.scrollBarWidth, 12);
    EXPECT_EQ(list.rowWidth, 88);
    EXPECT_EQ(list.upLeft, 88);
    EXPECT_EQ(list.upRight, 99);
    EXPECT_EQ(list.upBottom, 11);
    EXPECT_EQ(list.downTop, 124);
    EXPECT_EQ(list.downBottom, 135);
    EXPECT_EQ(list.thumbMin, 12);
    EXPECT_EQ(list.thumbMax, 136 - 12 - 37);

    WINLIST preview;
    int h = 300;
    preview.Init(100, &h, WINLIST_XOBJECT, 0);
    EXPECT_EQ(preview.rowHeight, 88 * 60 / 80 + 10);
    EXPECT_EQ(preview.visible, 300 / 76);
    EXPECT_EQ(h, 3 * 76);
    WINLIST images;
    h = 200;
    images.Init(100, &h, WINLIST_IMAGE, 0);
    EXPECT_EQ(images.rowHeight, 45);
    EXPECT_EQ(images.rowWidth, 83);
    EXPECT_EQ(h, 180);
    WINLIST other;
    h = 55;
    other.Init(100, &h, 7, 0);
    EXPECT_EQ(other.rowHeight, 10);
    EXPECT_EQ(h, 50);
}

TEST_F(ListTest, RowsAreCutAndTheStoreIsBounded) {
    std::string lng(100, 'n');
    EXPECT_TRUE(list.AddRow(lng.c_str(), 1, 0xFF00FF00));
    EXPECT_EQ(std::string(list.text[0]).size(), 63u);
    for (int i = 1; i < 500; ++i) ASSERT_TRUE(list.AddRow("r", i, 0));
    EXPECT_FALSE(list.AddRow("one too many", 0, 0));
    EXPECT_FALSE(list.AddObjectRow(0, 0));
    EXPECT_FALSE(list.AddImageRow(0, 0, 1, 1, 0, 0));
    EXPECT_FALSE(list.AddRowAfterSelected("x", 0));
    EXPECT_EQ(list.count, 500);
}

TEST_F(ListTest, SelectRowClampsAndScrollsTheRowToTheTop) {
    EXPECT_FALSE(list.SelectRow(0));  // empty list
    EXPECT_EQ(list.selected, -1);
    Fill(5);
    EXPECT_FALSE(list.SelectRow(7));
    EXPECT_EQ(list.selected, 4);
    EXPECT_EQ(list.first, 0);
    EXPECT_FALSE(list.SelectRow(-3));
    EXPECT_EQ(list.selected, 0);

    list.Init(100, &height, WINLIST_TEXT, 0);
    Fill(20);
    EXPECT_TRUE(list.SelectRow(17));
    EXPECT_EQ(list.first, 12);
    EXPECT_TRUE(list.SelectRow(3));
    EXPECT_EQ(list.first, 3);
}

TEST_F(ListTest, RowPressesSelectAndLeaveThePressForTheWindow) {
    Fill(3);
    list.SelectRow(1);
    Press(10, 17 * 2 + 3);
    EXPECT_EQ(list.selected, 2);
    EXPECT_EQ(mouseLeftDown, 1);
    Press(10, 17 * 5);  // below the last row: the old selection stays
    EXPECT_EQ(list.selected, 2);
    Press(10, 136);  // past the last visible place
    EXPECT_EQ(list.selected, 2);
    mouseLeftDown = 0;
    list.HandleMouse(10, 0);  // no press: nothing
    EXPECT_EQ(list.selected, 2);
    mouseLeftDown = 1;
    list.HandleMouse(-1, -1);  // outside: nothing
    EXPECT_EQ(list.selected, 2);
}

TEST_F(ListTest, ArrowsAndPagesScrollWithinTheList) {
    Fill(20);
    Press(94, 130);  // down arrow
    EXPECT_EQ(list.first, 1);
    EXPECT_EQ(mouseLeftDown, 0);
    Press(94, 5);  // up arrow
    EXPECT_EQ(list.first, 0);
    Press(94, 5);  // at the top already
    EXPECT_EQ(list.first, 0);
    Press(94, 110);  // below the thumb: page down
    EXPECT_EQ(list.first, 8);
    list.first = 10;
    list.UpdateThumb();
    Press(94, list.thumbBottom + 1);
    EXPECT_EQ(list.first, 12);  // stops with the last row in view
    Press(94, 130);
    EXPECT_EQ(list.first, 12);
    list.UpdateThumb();
    Press(94, list.thumbTop - 1);  // above the thumb: page up
    EXPECT_EQ(list.first, 4);
    list.UpdateThumb();
    Press(94, list.thumbTop - 1);
    EXPECT_EQ(list.first, 0);
}

TEST_F(ListTest, ThumbDragScrollsToTheEnds) {
    Fill(20);
    list.UpdateThumb();
    EXPECT_EQ(list.thumbTop, list.thumbMin);
    cursorY = 300 + list.thumbTop + 5;
    Press(94, list.thumbTop + 5);
    ASSERT_TRUE(list.dragging);
    EXPECT_EQ(mouseLeftDown, 0);
    cursorY += 500;
    list.HandleMouse(-1, -1);  // the drag goes on outside the list
    EXPECT_EQ(list.first, 12);
    EXPECT_EQ(list.thumbTop, list.thumbMax);
    cursorY -= 1000;
    list.HandleMouse(-1, -1);
    EXPECT_EQ(list.first, 0);
    mouseLeftUp = 1;
    list.HandleMouse(-1, -1);
    EXPECT_FALSE(list.dragging);
    EXPECT_EQ(mouseLeftUp, 0);
}

TEST_F(ListTest, ThumbDoesNotDragWithNothingToScrollOrNoRoom) {
    Fill(5);
    Press(94, list.thumbTop + 2);
    EXPECT_FALSE(list.dragging);
    // A list too short for its arrows and thumb: no drag, no division by 0.
    WINLIST tiny;
    int h = 40;
    tiny.Init(100, &h, WINLIST_TEXT, 0);
    for (int i = 0; i < 10; ++i) tiny.AddRow("r", i, 0);
    EXPECT_EQ(tiny.thumbMax, tiny.thumbMin);
    tiny.UpdateThumb();
    mouseLeftDown = 1;
    tiny.HandleMouse(94, tiny.thumbTop);
    EXPECT_FALSE(tiny.dragging);
}

TEST_F(ListTest, ThumbPlaceFollowsTheScrollPosition) {
    Fill(20);
    list.first = 6;
    list.UpdateThumb();
    EXPECT_EQ(list.thumbTop, list.thumbMin + (list.thumbMax - list.thumbMin) * 6 / 12);
    list.first = 12;
    list.UpdateThumb();
    EXPECT_EQ(list.thumbTop, list.thumbMax);
    EXPECT_EQ(list.thumbBottom, list.thumbMax + 36);
}

TEST_F(ListTest, RemovingRowsMovesTheSelectionAndScroll) {
    Fill(5);
    list.SelectRow(4);
    list.RemoveSelectedRow();
    EXPECT_EQ(list.count, 4);
    EXPECT_EQ(list.selected, 3);
    list.SelectRow(1);
    list.RemoveSelectedRow();
    EXPECT_EQ(list.count, 3);
    EXPECT_EQ(list.selected, 1);
    EXPECT_STREQ(list.text[1], "row2");
    EXPECT_EQ(list.value[1], 102);
    list.selected = -1;
    list.RemoveSelectedRow();  // nothing selected: nothing removed
    EXPECT_EQ(list.count, 3);
    while (list.count > 0) {
        list.SelectRow(0);
        list.RemoveSelectedRow();
    }
    EXPECT_EQ(list.selected, -1);

    // A selected row outside the view is not removed.
    list.Init(100, &height, WINLIST_TEXT, 0);
    Fill(20);
    list.SelectRow(15);
    list.first = 0;
    list.RemoveSelectedRow();
    EXPECT_EQ(list.count, 20);
    // Removing the only row in view at the end scrolls up one.
    list.SelectRow(19);
    list.first = 19;
    list.RemoveSelectedRow();
    EXPECT_EQ(list.first, 18);
    EXPECT_EQ(list.selected, 18);
}

TEST_F(ListTest, RowsAreInsertedAfterTheSelection) {
    EXPECT_TRUE(list.AddRowAfterSelected("only", 1));
    EXPECT_EQ(list.count, 1);
    EXPECT_STREQ(list.text[0], "only");
    list.AddRow("last", 2, 0xFFFFFFFF);
    list.SelectRow(0);
    list.AddRowAfterSelected("middle", 3);
    EXPECT_STREQ(list.text[1], "middle");
    EXPECT_STREQ(list.text[2], "last");
    EXPECT_EQ(list.value[2], 2);
    list.selected = -1;
    list.AddRowAfterSelected("top", 4);
    EXPECT_STREQ(list.text[0], "top");
    EXPECT_EQ(list.count, 4);
    list.selected = 2;
    list.SetSelectedText("renamed");
    EXPECT_STREQ(list.text[2], "renamed");
}

TEST_F(ListTest, ImageRowsKeepTheRowAspect) {
    WINLIST images;
    int h = 200;
    images.Init(100, &h, WINLIST_IMAGE, 0);
    images.AddImageRow(0.25f, 0.5f, 0.375f, 0.625f, 9, 1);
    EXPECT_FLOAT_EQ(images.imageRect[0][3], 0.5f + 0.125f * 45.0f / 83.0f);
    EXPECT_EQ(images.texture[0], 1);
    EXPECT_EQ(images.value[0], 9);
}

TEST_F(ListTest, ObjectRowsTakeTheNameOfTheirType) {
    ASSERT_NE(myGlobs.xObjects, nullptr);
    snprintf(myGlobs.xObjects[0].name, sizeof myGlobs.xObjects[0].name, "%s", "Station");
    myGlobs.xObjectCount = 1;
    list.AddObjectRow(0, 1234);
    list.AddObjectRow(5, 1);  // no such type: empty name
    list.AddObjectRow(-2, 1);
    EXPECT_STREQ(list.text[0], "Station");
    EXPECT_EQ(list.object[0], 0);
    EXPECT_EQ(list.value[0], 1234);
    EXPECT_STREQ(list.text[1], "");
    EXPECT_STREQ(list.text[2], "");
    myGlobs.xObjectCount = 0;
}

TEST_F(ListTest, DrawingNeverTouchesRowsOutsideTheStore) {
    Fill(3);
    list.Draw(10, 10);
    WINLIST fresh;
    fresh.Draw(0, 0);  // never set up
    SUCCEED();
}

// ---------------------------------------------------------------------------
// The (window, id) functions.

class WinListFunctions : public ::testing::Test {
protected:
    void SetUp() override {
        ResetInputState();
        w.Init("lists", 0xC0646464, 100, 50, 300, 300, 8);
        w.AddWinobj(1, WINOBJ_LIST, 0, nullptr, 10, 10, 100, 140, 1, 0);
        w.AddWinobj(2, WINOBJ_TEXT, 0, "not a list", 10, 200, 0, 0, 1, 0);
        windowList.AddWindow(&w);
        w.Show(0);
    }
    void TearDown() override { windowList.RemoveWindow(&w); }
    WINDOW w;
};

TEST_F(WinListFunctions, InitRoundsTheItemHeightAndSelectionsReadBack) {
    InitWinList(&w, 1, WINLIST_TEXT, 1);
    EXPECT_EQ(w.FindWinobj(1)->h, 136);
    char text[64];
    int value = 5;
    GetWinListSelection(&w, 1, text, &value);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(value, -1);
    EXPECT_EQ(GetWinListSelectedValue(&w, 1, &value), -1);
    EXPECT_EQ(GetWinListSelectedObject(&w, 1, nullptr), -1);
    EXPECT_FALSE(SelectWinListRow(&w, 1, 0));

    AddWinListRow(&w, 1, "alpha", 7, 0xFFFF0000);
    AddWinListRow(&w, 1, "beta", 8, 0xFF00FF00);
    EXPECT_TRUE(SelectWinListRow(&w, 1, 1));
    GetWinListSelection(&w, 1, text, &value);
    EXPECT_STREQ(text, "beta");
    EXPECT_EQ(value, 8);
    EXPECT_EQ(GetWinListSelectedValue(&w, 1, nullptr), 8);
    EXPECT_TRUE(GetWinListRow(&w, 1, 0, text, &value));
    EXPECT_STREQ(text, "alpha");
    EXPECT_FALSE(GetWinListRow(&w, 1, 2, text, &value));
    EXPECT_FALSE(GetWinListRow(&w, 1, -1, text, &value));
    SetWinListRowText(&w, 1, "gamma");
    AddWinListRowAfterSelected(&w, 1, "delta", 9);
    RemoveWinListRow(&w, 1);
    EXPECT_TRUE(GetWinListRow(&w, 1, 1, text, &value));
    EXPECT_STREQ(text, "delta");

    // Items without a row store: nothing happens, "" and 0 come back.
    AddWinListRow(&w, 2, "x", 1, 0);
    GetWinListSelection(&w, 2, text, &value);
    EXPECT_EQ(value, 0);
    GetWinListSelection(&w, 77, text, &value);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(GetWinListSelectedValue(&w, 77, &value), -1);
}

TEST_F(WinListFunctions, RefillingKeepsTheScrollPosition) {
    InitWinList(&w, 1, WINLIST_TEXT, 0);
    for (int i = 0; i < 50; ++i) AddWinListRow(&w, 1, "r", i, 0);
    SelectWinListRow(&w, 1, 30);
    InitWinList(&w, 1, WINLIST_TEXT, 0);
    for (int i = 0; i < 50; ++i) AddWinListRow(&w, 1, "r", i, 0);
    RestoreWinListScroll(&w, 1);
    const WINLIST* l = w.FindWinobj(1)->list;
    EXPECT_EQ(l->first, 30);
    EXPECT_EQ(l->selected, 30);

    InitWinList(&w, 1, WINLIST_TEXT, 0);
    for (int i = 0; i < 25; ++i) AddWinListRow(&w, 1, "r", i, 0);
    RestoreWinListScroll(&w, 1);
    EXPECT_EQ(l->selected, 24);
    EXPECT_EQ(l->first, 17);
}

TEST_F(WinListFunctions, UpdateWinListFeedsTheCursorRelativeToTheItem) {
    InitWinList(&w, 1, WINLIST_TEXT, 0);
    for (int i = 0; i < 20; ++i) AddWinListRow(&w, 1, "r", i, 0);
    // Item origin on screen: (110, 80). Row 3 at y 51..67.
    cursorX = 120;
    cursorY = 80 + 55;
    mouseLeftDown = 1;
    UpdateWinList(&w, 1);
    EXPECT_EQ(w.FindWinobj(1)->list->selected, 3);
    // The press is still there for the handler's hit test.
    EXPECT_EQ(w.HitWinobj(cursorX, cursorY), 1);
    // The down arrow consumes the press.
    cursorX = 110 + 94;
    cursorY = 80 + 130;
    mouseLeftDown = 1;
    UpdateWinList(&w, 1);
    EXPECT_EQ(w.FindWinobj(1)->list->first, 1);
    EXPECT_EQ(mouseLeftDown, 0);
    // Outside the item nothing is selected.
    cursorX = 500;
    mouseLeftDown = 1;
    UpdateWinList(&w, 1);
    EXPECT_EQ(w.FindWinobj(1)->list->selected, 3);
    EXPECT_EQ(mouseLeftDown, 1);
    // A hidden list is not updated.
    ShowWinobj(&w, 1, 0);
    cursorX = 120;
    cursorY = 80 + 5;
    UpdateWinList(&w, 1);
    EXPECT_EQ(w.FindWinobj(1)->list->selected, 3);
}

}  // namespace
