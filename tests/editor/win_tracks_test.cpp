// The build-tracks window and the track feature windows driven frame by
// frame: laying and joining pieces, gap completion, the feature tools and
// the switch, turntable, barrier, detach and power windows.
#include <cstring>

#include "app/messagequeue.h"
#include "app/texts.h"
#include "editor/win_tracks.h"
#include "editor_test.h"
#include "rail/control.h"
#include "rail/manualcontrol.h"

class WinTracksTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        HideAttribWindows();
        ResetTrackWindowsForTest();
        ResetControlWindowsForTest();
        controlList.RemoveAll();
        controlList.SetNewControl(nullptr);
        manualControlTable.Clear();
        messageQueue.Reset();
        attribReturnState = ED_EDIT;
    }
    void TearDown() override {
        controlList.RemoveAll();
        manualControlTable.Clear();
        EditorTest::TearDown();
    }

    static void HideAttribWindows() {
        for (WINDOW* w : {&winAttr, &winSAttr, &winDAttr, &winTtAttr, &winSoundAttr, &winObjAttr, &winSiAttr,
                          &winBarAttr, &winBuildChoice, &winSelectControl})
            w->Hide();
    }

    // The cursor on the middle of a window item.
    static void CursorOnItem(WINDOW& w, int id) {
        WINOBJ* o = w.FindWinobj(id);
        ASSERT_NE(o, nullptr) << "item " << id;
        cursorX = w.GetLeft() + o->x + o->w / 2;
        cursorY = w.GetTop() + w.GetTitleHeight() + o->y + o->h / 2;
    }
    static void ClickItem(WINDOW& w, int id) {
        CursorOnItem(w, id);
        LeftPress();
        LeftRelease();
        CursorToView();
    }
    // A click on a piece or point in the view with the cursor off the windows.
    static void ClickView(float x, float y) {
        CursorToView();
        ClickAt(x, y);
    }

    static int TypeOfKind(int kind) {
        for (int i = 0; i < trackList.GetTypeCount(); ++i)
            if (trackList.GetTypeKind(i) == kind) return i;
        return -1;
    }

    // Opens the build window as the toolbar does and runs its first frame.
    static void OpenBuildWindow() {
        winBuildTracks.Show(2);
        editorState = 154;
        Frame();
    }

    // Chooses a track type in the palette: its row scrolled to the top of
    // the list, then a click on the top row.
    static void ChooseType(int type) {
        SelectWinListRow(&winBuildTracks, 1, type);
        WINOBJ* list = winBuildTracks.FindWinobj(1);
        ASSERT_NE(list, nullptr);
        cursorX = winBuildTracks.GetLeft() + list->x + 10;
        cursorY = winBuildTracks.GetTop() + winBuildTracks.GetTitleHeight() + list->y + 5;
        LeftPress();
        LeftRelease();
        CursorToView();
    }

    static const char* LastMessage() {
        const int n = messageQueue.GetCount();
        if (n == 0) return nullptr;
        return messageQueue.GetText((messageQueue.GetWriteIndex() + MAXMESSAGES - 1) % MAXMESSAGES);
    }

    static std::string EditText(WINDOW& w, int id) {
        char buffer[WINEDIT_BUFFERLEN] = {};
        CopyWinobjEditText(&w, id, buffer, sizeof buffer);
        return buffer;
    }
    static int Checked(WINDOW& w, int id) { return GetWinobjState(&w, id) == WINOBJ_BUTTON_ON ? 1 : 0; }
};

// ---------------------------------------------------------------------------
// Laying pieces and the build window's tools

TEST_F(WinTracksTest, PaletteLaysACurveAndAStraightThatJoinsIt) {
    const int straight = TypeOfKind(TRACK_STRAIGHT), curve = TypeOfKind(TRACK_CURVE);
    ASSERT_GE(straight, 0);
    ASSERT_GE(curve, 0);
    OpenBuildWindow();
    EXPECT_EQ(layoutState.GetShowInfo(), 1);
    EXPECT_EQ(controlList.GetShowControls(), 1);

    ChooseType(curve);
    ASSERT_TRUE(GetBuildTools().palette);
    ASSERT_EQ(chosenTrackType, curve);
    EXPECT_EQ(layoutState.GetToolOption(), 0);
    ClickView(0.0f, 0.0f);
    ASSERT_EQ(trackList.GetCount(), 1);
    TRACK* a = trackList.GetFirst();
    EXPECT_EQ(a->kind, TRACK_CURVE);
    EXPECT_NE(a->groupId, 0);

    // A straight laid in line beyond the curve's free end 1 joins it and
    // takes its group (a straight's reference point is its middle).
    ChooseType(straight);
    ASSERT_EQ(chosenTrackType, straight);
    const D3DXVECTOR3 e1 = a->GetEndPoint(1);
    const float d = GetEndDirection(a, 1);
    const float r = d * kPi / 180.0f;
    float len = 1.0f;
    trackList.GetTypeValues(straight, &len, nullptr, nullptr, nullptr, nullptr);
    buildAngle = d;
    ClickView(e1.x + std::cos(r) * len / 2.0f, e1.y + std::sin(r) * len / 2.0f);
    ASSERT_EQ(trackList.GetCount(), 2);
    TRACK* b = trackList.GetLast();
    EXPECT_EQ(b->kind, TRACK_STRAIGHT);
    EXPECT_EQ(b->groupId, a->groupId);
    EXPECT_EQ(a->end[1].state, END_CONNECTED);
    EXPECT_EQ(a->end[1].pTrack, b);
}

TEST_F(WinTracksTest, ClicksOnTheWindowOrWithoutATypeLayNothing) {
    OpenBuildWindow();
    // The end tool leaves no type chosen.
    PressButton(650);
    LeftRelease();
    EXPECT_EQ(chosenTrackType, -1);
    layoutState.SetToolOption(0);  // keep the selection out of it
    ClickView(0.0f, 0.0f);
    EXPECT_EQ(trackList.GetCount(), 0);
    ChooseType(TypeOfKind(TRACK_STRAIGHT));
    // Over the window: the press belongs to the window.
    WINOBJ* o = winBuildTracks.FindWinobj(12);
    ASSERT_NE(o, nullptr);
    cursorX = winBuildTracks.GetLeft() + 3;
    cursorY = winBuildTracks.GetBottom() - 3;
    Aim(0.0f, 0.0f);
    LeftPress();
    LeftRelease();
    EXPECT_EQ(trackList.GetCount(), 0);
}

TEST_F(WinTracksTest, ANewSwitchGetsItsTableCell) {
    const int sw = TypeOfKind(TRACK_RIGHTSWITCH);
    ASSERT_GE(sw, 0);
    OpenBuildWindow();
    ChooseType(sw);
    ClickView(0.0f, 0.0f);
    ASSERT_EQ(trackList.GetCount(), 1);
    TRACK* p = trackList.GetFirst();
    EXPECT_EQ(manualControlTable.Find(MCT_SWITCH, p) != nullptr, p->bSwitchInTable != 0);
}

TEST_F(WinTracksTest, ToolsAreExclusiveAndCloseRestoresTheRememberedFlags) {
    layoutState.SetShowInfo(0);
    controlList.SetShowControls(0);
    OpenBuildWindow();
    EXPECT_EQ(layoutState.GetShowInfo(), 1);
    ClickItem(winBuildTracks, 2);
    EXPECT_TRUE(GetBuildTools().join);
    EXPECT_EQ(layoutState.GetToolOption(), 0);
    EXPECT_EQ(chosenTrackType, -1);
    ClickItem(winBuildTracks, 4);
    EXPECT_FALSE(GetBuildTools().join);
    EXPECT_TRUE(GetBuildTools().height);
    // The end tool on the toolbar turns everything off.
    PressButton(650);
    LeftRelease();
    CursorToView();
    EXPECT_FALSE(GetBuildTools().height);
    EXPECT_EQ(layoutState.GetToolOption(), 1);
    EXPECT_EQ(editorState, 154);

    ClickItem(winBuildTracks, 9);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_FALSE(winBuildTracks.IsVisible());
    EXPECT_EQ(layoutState.GetShowInfo(), 0);
    EXPECT_EQ(controlList.GetShowControls(), 0);
}

TEST_F(WinTracksTest, ModeButtonClosesTheBuildWindowAndOpensItsTool) {
    OpenBuildWindow();
    ClickItem(winBuildTracks, 10);
    ASSERT_TRUE(GetBuildTools().barrier);
    PressButton(231);  // selection options
    LeftRelease();
    CursorToView();
    EXPECT_FALSE(winBuildTracks.IsVisible());
    EXPECT_EQ(editorState, 152);
    EXPECT_EQ(layoutState.GetToolOption(), 1);
}

TEST_F(WinTracksTest, WithEditingOffOnlyThePaletteAndControlToolShowAndThePaletteStaysOff) {
    layoutState.SetEditable(0);
    OpenBuildWindow();
    for (int id : {2, 4, 5, 10, 11, 3, 6}) EXPECT_FALSE(winBuildTracks.FindWinobj(id)->visible) << id;
    EXPECT_TRUE(winBuildTracks.FindWinobj(1)->visible);
    EXPECT_TRUE(winBuildTracks.FindWinobj(7)->visible);
    EXPECT_EQ(chosenTrackType, -1);
    ChooseType(0);
    EXPECT_FALSE(GetBuildTools().palette);
    EXPECT_EQ(chosenTrackType, -1);
    layoutState.SetEditable(1);
}

TEST_F(WinTracksTest, ControlToolWithNothingToControlShowsText64) {
    Make(TypeOfKind(TRACK_STRAIGHT), 0.0f, 0.0f, 0.0f);
    OpenBuildWindow();
    ClickItem(winBuildTracks, 7);
    EXPECT_FALSE(GetBuildTools().control);
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_STREQ(LastMessage(), texts.Get(64));
}

// ---------------------------------------------------------------------------
// Join tool and gap completion

class WinGapTest : public WinTracksTest {
protected:
    // f's end 1 faces g's end 0 across a straight gap of 3.3; h and k hold
    // the other ends, and all four share one group.
    void MakeGap() {
        h = Make(0, -1, 0, 0);
        f = Make(0, 0, 0, 0);
        g = Make(0, 4.3f, 0, 0);
        k = Make(0, 5.3f, 0, 0);
        Link(h, 1, f, 0);
        Link(g, 1, k, 0);
        idPool.AssignId(f);
        h->groupId = g->groupId = k->groupId = f->groupId;
    }
    TRACK *h = nullptr, *f = nullptr, *g = nullptr, *k = nullptr;
};

TEST_F(WinGapTest, TwoClicksCloseTheGapAndDeselectBoth) {
    MakeGap();
    OpenBuildWindow();
    ClickItem(winBuildTracks, 2);
    ClickView(f->x, f->y);
    EXPECT_TRUE(f->bSelected);
    EXPECT_EQ(GetBuildTools().joinPhase, 2);
    ClickView(g->x, g->y);
    EXPECT_EQ(GetBuildTools().joinPhase, 1);
    EXPECT_EQ(trackList.GetCount(), 8);
    EXPECT_FALSE(trackList.IsAnySelected());
    EXPECT_EQ(g->end[0].state, END_CONNECTED);
    EXPECT_EQ(messageQueue.GetCount(), 0);
}

TEST_F(WinGapTest, ClickingTheSamePieceTwiceStartsOver) {
    MakeGap();
    OpenBuildWindow();
    ClickItem(winBuildTracks, 2);
    ClickView(f->x, f->y);
    ClickView(f->x, f->y);
    EXPECT_FALSE(f->bSelected);
    EXPECT_EQ(GetBuildTools().joinPhase, 1);
    EXPECT_EQ(trackList.GetCount(), 4);
}

TEST_F(WinGapTest, RefusedJoinShowsItsMessageAndChangesNothing) {
    MakeGap();
    g->groupId = k->groupId = f->groupId + 100;  // another group
    OpenBuildWindow();
    ClickItem(winBuildTracks, 2);
    ClickView(f->x, f->y);
    ClickView(g->x, g->y);
    EXPECT_EQ(trackList.GetCount(), 4);
    EXPECT_FALSE(trackList.IsAnySelected());
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_STREQ(LastMessage(), texts.Get(46));
}

TEST_F(WinGapTest, CompleteRoadReportsEveryRefusal) {
    MakeGap();
    f->bSelected = 1;
    CompleteRoad();
    EXPECT_STREQ(LastMessage(), texts.Get(42));
    g->bSelected = 1;
    k->bSelected = 1;
    CompleteRoad();
    EXPECT_EQ(messageQueue.GetCount(), 2);
}

// ---------------------------------------------------------------------------
// Feature tools and windows

TEST_F(WinTracksTest, DetachToolOpensTheWindowAndOkAppliesThroughState129) {
    TRACK* p = Make(TypeOfKind(TRACK_STRAIGHT), 0.0f, 0.0f, 0.0f);
    trackList.SetDetachCounter(7);
    OpenBuildWindow();
    ClickItem(winBuildTracks, 5);
    ClickView(p->x, p->y);
    ASSERT_EQ(editorState, 128);
    EXPECT_FALSE(winBuildTracks.IsVisible());
    EXPECT_EQ(winDetachAttrib.GetMode(), 0);
    Frame();
    EXPECT_EQ(EditText(winDetachAttrib, 1), "D7");
    EXPECT_EQ(Checked(winDetachAttrib, 2), 1);
    EXPECT_FALSE(winDetachAttrib.FindWinobj(3)->visible);
    ClickItem(winDetachAttrib, 2);
    EXPECT_EQ(Checked(winDetachAttrib, 2), 0);
    ClickItem(winDetachAttrib, 9);
    // The confirm and the apply run in the same frame; back to building.
    EXPECT_EQ(editorState, 154);
    EXPECT_TRUE(winBuildTracks.IsVisible());
    EXPECT_TRUE(p->bDetach);
    EXPECT_STREQ(p->featureName, "D7");
    EXPECT_EQ(p->bDetachInTable, 0);
    EXPECT_EQ(manualControlTable.Find(MCT_DETACH, p), nullptr);
}

TEST_F(WinTracksTest, DetachWindowCloseBoxLeavesThePieceAndRemoveTakesThePointAway) {
    TRACK* p = Make(TypeOfKind(TRACK_STRAIGHT), 0.0f, 0.0f, 0.0f);
    p->SetDetachPoint("Dx", 1);
    // As after a right click in plain editing.
    layoutState.SetSelectedTrack(p);
    attribReturnState = ED_EDIT;
    winDetachAttrib.Show(1);
    editorState = 128;
    Frame();
    EXPECT_EQ(EditText(winDetachAttrib, 1), "Dx");
    EXPECT_TRUE(winDetachAttrib.FindWinobj(3)->visible);
    cursorX = winDetachAttrib.GetRight() - 8;
    cursorY = winDetachAttrib.GetTop() + 8;
    // Whatever the close box's place, cancel (10) closes the same way.
    ClickItem(winDetachAttrib, 10);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_TRUE(p->bDetach);
    EXPECT_STREQ(p->featureName, "Dx");

    winDetachAttrib.Show(1);
    editorState = 128;
    Frame();
    ClickItem(winDetachAttrib, 3);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_FALSE(p->bDetach);
    EXPECT_EQ(manualControlTable.Find(MCT_DETACH, p), nullptr);
}

TEST_F(WinTracksTest, FeatureToolsRefuseUnsuitablePieces) {
    const int straight = TypeOfKind(TRACK_STRAIGHT);
    TRACK* sw = Make(TypeOfKind(TRACK_RIGHTSWITCH), 0.0f, 0.0f, 0.0f);
    layoutState.SetMode(1);  // shows the power tool
    OpenBuildWindow();
    for (int tool : {5, 6, 10}) {
        ClickItem(winBuildTracks, tool);
        ASSERT_EQ(layoutState.GetToolOption(), 0) << tool;
        ClickView(sw->x, sw->y);
        EXPECT_EQ(editorState, 154) << tool;
    }
    // The power tool also refuses a piece with a detach point.
    trackList.DeleteAll();
    TRACK* p = Make(straight, 0.0f, 0.0f, 0.0f);
    p->SetDetachPoint("D", 0);
    ClickItem(winBuildTracks, 6);
    ClickView(p->x, p->y);
    EXPECT_EQ(editorState, 154);
    layoutState.SetMode(0);
}

TEST_F(WinTracksTest, FeedPointCannotGoOnAPieceFedByAnother) {
    const int straight = TypeOfKind(TRACK_STRAIGHT);
    TRACK* a = Make(straight, 0.0f, 0.0f, 0.0f);
    TRACK* b = Make(straight, 1.0f, 0.0f, 0.0f);
    Link(a, 1, b, 0);
    ASSERT_NE(powerList.CreateFeedPoint(a, 100, "P1", 1), nullptr);
    ASSERT_EQ(b->pFeedNode, a->pOwnNode);
    layoutState.SetMode(1);
    OpenBuildWindow();
    ClickItem(winBuildTracks, 6);
    ClickView(b->x, b->y);
    EXPECT_EQ(editorState, 154);
    ClickView(a->x, a->y);
    EXPECT_EQ(editorState, 118);
    EXPECT_EQ(winPowerValue.GetMode(), 1);
}

TEST_F(WinTracksTest, PowerWindowMakesAFeedPointWithItsValueAndCell) {
    TRACK* p = Make(TypeOfKind(TRACK_STRAIGHT), 0.0f, 0.0f, 0.0f);
    powerList.SetNameCounter(3);
    layoutState.SetMode(1);
    OpenBuildWindow();
    ClickItem(winBuildTracks, 6);
    ClickView(p->x, p->y);
    ASSERT_EQ(editorState, 118);
    Frame();
    EXPECT_EQ(EditText(winPowerValue, 1), "P3");
    EXPECT_EQ(*winPowerValue.GetWinobjValue(8), 100);
    EXPECT_STREQ(winPowerValue.FindWinobj(22)->text, "10");
    for (auto [gauge, shown] : {std::pair{0, "-10"}, std::pair{50, "0"}, std::pair{75, "5"}}) {
        winPowerValue.ChangeWinobjValue(8, &gauge);
        Frame();
        EXPECT_STREQ(winPowerValue.FindWinobj(22)->text, shown);
    }
    ClickItem(winPowerValue, 9);
    EXPECT_EQ(editorState, 154);
    ASSERT_NE(p->pOwnNode, nullptr);
    EXPECT_EQ(p->pFeedNode, p->pOwnNode);
    EXPECT_EQ(p->pOwnNode->defaultValue, 5);
    EXPECT_STREQ(p->pOwnNode->name, "P3");
    EXPECT_NE(manualControlTable.Find(MCT_POWER, p->pOwnNode), nullptr);

    // Reopened: the same values; the remove item takes it away.
    ClickView(p->x, p->y);
    ASSERT_EQ(editorState, 118);
    Frame();
    EXPECT_EQ(*winPowerValue.GetWinobjValue(8), 75);
    EXPECT_TRUE(winPowerValue.FindWinobj(3)->visible);
    ClickItem(winPowerValue, 3);
    EXPECT_EQ(editorState, 154);
    EXPECT_EQ(p->pOwnNode, nullptr);
    EXPECT_TRUE(powerList.IsEmpty());
    EXPECT_EQ(manualControlTable.GetEntryCount(), 0);
}

TEST_F(WinTracksTest, PowerGaugeDragFollowsTheMouse) {
    TRACK* p = Make(TypeOfKind(TRACK_STRAIGHT), 0.0f, 0.0f, 0.0f);
    layoutState.SetSelectedTrack(p);
    attribReturnState = ED_EDIT;
    winPowerValue.Show(0);
    editorState = 118;
    Frame();
    CursorOnItem(winPowerValue, 8);
    LeftPress();
    EXPECT_EQ(gaugeDragState, 1);
    EXPECT_EQ(gaugeDragItem, 8);
    WINOBJ* gauge = winPowerValue.FindWinobj(8);
    cursorY = winPowerValue.GetTop() + winPowerValue.GetTitleHeight() + gauge->gaugeBottom + 50;
    Frame();
    EXPECT_EQ(*winPowerValue.GetWinobjValue(8), 0);
    LeftRelease();
    EXPECT_EQ(gaugeDragState, 2);
    EXPECT_EQ(editorState, 118);
}

TEST_F(WinTracksTest, SwitchWindowStoresNameAndTableFlag) {
    TRACK* p = Make(TypeOfKind(TRACK_RIGHTSWITCH), 0.0f, 0.0f, 0.0f);
    CopyText(p->featureName, TRACKFEATURENAMELEN, "S1");
    p->bSwitchInTable = 0;
    layoutState.SetSelectedTrack(p);
    winSwitchAttrib.Show(2);
    editorState = 162;
    Frame();
    EXPECT_EQ(EditText(winSwitchAttrib, 1), "S1");
    EXPECT_EQ(Checked(winSwitchAttrib, 2), 0);
    SetWinobjEditText(&winSwitchAttrib, 1, "Yard", 0);
    ClickItem(winSwitchAttrib, 2);
    ClickItem(winSwitchAttrib, 99);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_STREQ(p->featureName, "Yard");
    EXPECT_EQ(p->bSwitchInTable, 1);
    EXPECT_NE(manualControlTable.Find(MCT_SWITCH, p), nullptr);

    // A long name is cut to what the piece's name field holds.
    winSwitchAttrib.Show(2);
    editorState = 162;
    Frame();
    SetWinobjEditText(&winSwitchAttrib, 1, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", 0);
    ClickItem(winSwitchAttrib, 2);
    ClickItem(winSwitchAttrib, 99);
    EXPECT_LT(std::strlen(p->featureName), size_t(TRACKFEATURENAMELEN));
    EXPECT_EQ(manualControlTable.Find(MCT_SWITCH, p), nullptr);
}

TEST_F(WinTracksTest, TurntableWindowSetsNameAndCellAndEndsTheBuildSession) {
    TRACK* p = Make(TypeOfKind(TRACK_STRAIGHT), 0.0f, 0.0f, 0.0f);
    p->bTurntable = 1;
    p->length = 4.0f;
    p->bTurntableInTable = 0;
    CopyText(p->featureName, TRACKFEATURENAMELEN, "TT1");
    OpenBuildWindow();
    ClickItem(winBuildTracks, 4);
    // Opened from the build window as its turntable tool does.
    layoutState.SetSelectedTrack(p);
    winBuildTracks.Hide();
    winTtableAttrib.Show(1);
    editorState = 180;
    Frame();
    EXPECT_EQ(winTtableAttrib.GetMode(), 1);
    EXPECT_EQ(EditText(winTtableAttrib, 1), "TT1");
    EXPECT_FALSE(winTtableAttrib.FindWinobj(3)->visible);
    ClickItem(winTtableAttrib, 2);
    ClickItem(winTtableAttrib, 9);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_EQ(p->bTurntableInTable, 1);
    EXPECT_NE(manualControlTable.Find(MCT_TURNTABLE, p), nullptr);
    // The build window does not come back and its tools are off.
    EXPECT_FALSE(winBuildTracks.IsVisible());
    EXPECT_FALSE(GetBuildTools().height);
    EXPECT_EQ(layoutState.GetToolOption(), 1);
}

TEST_F(WinTracksTest, BarrierToolPlacesABarrierThroughItsWindow) {
    TRACK* p = Make(TypeOfKind(TRACK_STRAIGHT), 0.0f, 0.0f, 0.0f);
    OpenBuildWindow();
    ClickItem(winBuildTracks, 10);
    // Hover the piece: it gets the preview.
    Aim(p->x, p->y);
    Frame();
    ASSERT_EQ(trackList.GetBarrierPreview().pTrack, p);
    const D3DXVECTOR3 postB = trackList.GetBarrierPreview().vPostB;
    // A click at post B's ground point.
    Aim(postB.x, postB.y);
    SetTrackPickForTest(1, postB.x, postB.y, postB.z);
    LeftPress();
    LeftRelease();
    ASSERT_EQ(editorState, 164);
    EXPECT_EQ(winTrackAttrib.GetMode(), 0);
    Frame();
    EXPECT_FALSE(winTrackAttrib.FindWinobj(3)->visible);
    SetWinobjEditText(&winTrackAttrib, 1, "Gate", 0);
    ClickItem(winTrackAttrib, 2);
    ClickItem(winTrackAttrib, 99);
    EXPECT_EQ(editorState, 154);
    EXPECT_TRUE(p->bBarrier);
    EXPECT_EQ(p->barrierSide, 0);
    EXPECT_STREQ(p->featureName, "Gate");
    EXPECT_NE(manualControlTable.Find(MCT_BARRIER, p), nullptr);
    EXPECT_EQ(trackList.GetBarrierPreview().pTrack, nullptr);
}

TEST_F(WinTracksTest, BarrierValueCannotChangeWithEditingOff) {
    TRACK* p = Make(TypeOfKind(TRACK_STRAIGHT), 0.0f, 0.0f, 0.0f);
    p->SetBarrier(1, 1, "B", 1);
    layoutState.SetSelectedTrack(p);
    trackList.SetBarrierPreview(p);
    layoutState.SetEditable(0);
    attribReturnState = ED_EDIT;
    winTrackAttrib.Show(1);
    editorState = 164;
    Frame();
    EXPECT_EQ(Checked(winTrackAttrib, 2), 1);
    ClickItem(winTrackAttrib, 2);
    EXPECT_EQ(Checked(winTrackAttrib, 2), 1);
    ClickItem(winTrackAttrib, 3);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_FALSE(p->bBarrier);
    layoutState.SetEditable(1);
}

TEST_F(WinTracksTest, InsulationToolTogglesTheEndUnderTheMouse) {
    const int straight = TypeOfKind(TRACK_STRAIGHT);
    TRACK* a = Make(straight, 0.0f, 0.0f, 0.0f);
    TRACK* b = Make(straight, 1.0f, 0.0f, 0.0f);
    Link(a, 1, b, 0);
    layoutState.SetMode(1);
    OpenBuildWindow();
    ClickItem(winBuildTracks, 3);
    ASSERT_TRUE(GetBuildTools().insulate);
    const D3DXVECTOR3 e = a->GetEndPoint(1);
    Aim(e.x, e.y);
    SetTrackPickForTest(1, e.x, e.y, e.z);
    Frame();
    LeftPress();
    LeftRelease();
    EXPECT_TRUE(a->IsEndInsulated(1) || b->IsEndInsulated(0));
    layoutState.SetMode(0);
}

TEST_F(WinTracksTest, NameToolSelectsPiecesAndNamesThem) {
    const int straight = TypeOfKind(TRACK_STRAIGHT);
    TRACK* a = Make(straight, 0.0f, 0.0f, 0.0f);
    TRACK* b = Make(straight, 6.0f, 0.0f, 0.0f);
    OpenBuildWindow();
    WINOBJ* nameItem = winBuildTracks.FindWinobj(8);
    if (!nameItem) GTEST_SKIP() << "the window has no name tool item";
    ClickItem(winBuildTracks, 8);
    ClickView(a->x, a->y);
    EXPECT_TRUE(a->bSelected);
    EXPECT_EQ(layoutState.GetBuildInfo(), 1);
    ClickItem(winBuildTracks, 8);
    EXPECT_EQ(editorState, 145);
    SetWinobjEditText(&winTrackName, 1, "North", 0);
    ClickItem(winTrackName, 9);
    EXPECT_EQ(editorState, 154);
    EXPECT_STREQ(a->name, "North");
    EXPECT_STREQ(b->name, "");
}

// The turntable tool started from its picture in the window: a piece too
// short for a turntable is refused, a long one opens the turntable window
// for a new turntable with a fresh name.
TEST_F(WinTracksTest, TurntableToolStartsFromTheWindowAndOpensItsWindow) {
    int longType = -1, shortType = -1;
    for (int i = 0; i < trackList.GetTypeCount(); ++i) {
        if (trackList.GetTypeKind(i) != TRACK_STRAIGHT) continue;
        float length = 0.0f;
        trackList.GetTypeValues(i, &length, nullptr, nullptr, nullptr, nullptr);
        if (length >= 3.5f && longType < 0) longType = i;
        if (length < 3.5f && shortType < 0) shortType = i;
    }
    ASSERT_GE(longType, 0);
    ASSERT_GE(shortType, 0);
    TRACK* shortPiece = Make(shortType, -8.0f, 0.0f, 0.0f);
    TRACK* longPiece = Make(longType, 8.0f, 0.0f, 0.0f);
    OpenBuildWindow();
    const WINOBJ* item = winBuildTracks.FindWinobj(19);
    ASSERT_NE(item, nullptr) << "the window has no turntable tool";
    EXPECT_TRUE(item->visible);
    ClickItem(winBuildTracks, 19);
    EXPECT_TRUE(GetBuildTools().turntable);
    EXPECT_EQ(item->pictureHighlight, 1);
    EXPECT_EQ(layoutState.GetToolOption(), 0);
    ClickView(shortPiece->x, shortPiece->y);
    EXPECT_EQ(editorState, 154);
    EXPECT_TRUE(winBuildTracks.IsVisible());
    ClickView(longPiece->x, longPiece->y);
    ASSERT_EQ(editorState, 180);
    EXPECT_FALSE(winBuildTracks.IsVisible());
    EXPECT_TRUE(winTtableAttrib.IsVisible());
    EXPECT_EQ(winTtableAttrib.GetMode(), 0);
    EXPECT_EQ(layoutState.GetSelectedTrack(), longPiece);
    Frame();
    EXPECT_EQ(EditText(winTtableAttrib, 1).rfind("TT", 0), 0u);
}

TEST_F(WinTracksTest, HeightToolDragsThePieceAndReleaseEndsIt) {
    TRACK* p = Make(TypeOfKind(TRACK_STRAIGHT), 0.0f, 0.0f, 0.0f);
    OpenBuildWindow();
    ClickItem(winBuildTracks, 4);
    Aim(p->x, p->y);
    LeftPress();
    ASSERT_TRUE(GetBuildTools().dragging);
    EXPECT_EQ(dragMode, 1);
    dragY = -100;
    Frame();
    EXPECT_LT(p->end[0].z, -1.0f);
    LeftRelease();
    EXPECT_FALSE(GetBuildTools().dragging);
    EXPECT_EQ(dragMode, 0);
}

// The Delete key turns into a press of the delete button (and so a left
// press) while it is held: it deletes the selection and lays no piece.
TEST_F(WinTracksTest, DeleteKeyWhileBuildingDeletesTheSelectionAndLaysNothing) {
    OpenBuildWindow();
    ChooseType(TypeOfKind(TRACK_STRAIGHT));
    ASSERT_EQ(layoutState.GetToolOption(), 0);
    TRACK* a = Make(1, -6.0f, 0.0f, 0.0f);
    Make(1, 6.0f, 0.0f, 0.0f);
    a->bSelected = 1;
    CursorToView();
    Aim(0.0f, 0.0f);
    HoldDelete(2);
    EXPECT_EQ(trackList.GetCount(), 1);
    EXPECT_EQ(editorState, 154);
    // A click in the view still lays a piece.
    ClickView(0.0f, 0.0f);
    EXPECT_EQ(trackList.GetCount(), 2);
}
