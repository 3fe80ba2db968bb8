// Creating controls with the build window's control tool and editing them
// through the control list and the attribute windows, frame by frame.
#include <cstring>

#include "app/messagequeue.h"
#include "app/texts.h"
#include "editor/win_tracks.h"
#include "editor_test.h"
#include "rail/control.h"
#include "rail/manualcontrol.h"
#include "world/gates.h"

class WinControlsTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        for (WINDOW* w : {&winAttr, &winSAttr, &winDAttr, &winTtAttr, &winSoundAttr, &winObjAttr, &winSiAttr,
                          &winBarAttr, &winBuildChoice, &winSelectControl})
            w->Hide();
        ResetTrackWindowsForTest();
        ResetControlWindowsForTest();
        controlList.RemoveAll();
        controlList.SetNewControl(nullptr);
        controlList.SetNameCounter(1);
        manualControlTable.Clear();
        messageQueue.Reset();
        attribReturnState = ED_EDIT;
        straight = -1;
        for (int i = 0; i < trackList.GetTypeCount(); ++i)
            if (trackList.GetTypeKind(i) == TRACK_STRAIGHT) {
                straight = i;
                break;
            }
        ASSERT_GE(straight, 0);
    }
    void TearDown() override {
        controlList.RemoveAll();
        manualControlTable.Clear();
        EditorTest::TearDown();
    }

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
    static void ClickView(float x, float y) {
        CursorToView();
        ClickAt(x, y);
    }
    static int On(WINDOW& w, int id) { return GetWinobjState(&w, id) == WINOBJ_BUTTON_ON ? 1 : 0; }
    static std::string EditText(WINDOW& w, int id) {
        char buffer[WINEDIT_BUFFERLEN] = {};
        CopyWinobjEditText(&w, id, buffer, sizeof buffer);
        return buffer;
    }
    static void SetGauge(WINDOW& w, int id, int value) { w.ChangeWinobjValue(id, &value); }
    static int Gauge(WINDOW& w, int id) { return *w.GetWinobjValue(id); }

    // The control list of a piece opened as a right click does.
    static void OpenControlList(TRACK* owner) {
        layoutState.SetSelectedTrack(owner);
        controlList.FillNameList(&winSelectControl, 1, owner);
        SelectWinListRow(&winSelectControl, 1, 0);
        winSelectControl.Show(2);
        editorState = 135;
    }

    // The build window with the control tool on and its owner chosen.
    void ChooseOwnerWithTheTool(TRACK* owner) {
        winBuildTracks.Show(2);
        editorState = 154;
        Frame();
        ClickItem(winBuildTracks, 7);
        ASSERT_TRUE(GetBuildTools().control);
        ClickView(owner->x, owner->y);
        ASSERT_EQ(GetBuildTools().controlPhase, 3);
        ASSERT_EQ(layoutState.GetSelectedTrack(), owner);
    }

    int straight = -1;
};

TEST_F(WinControlsTest, ControlToolCreatesASwitchControlWithTheWindowValues) {
    TRACK* owner = Make(straight, 0.0f, 0.0f, 0.0f);
    TRACK* sw = nullptr;
    for (int i = 0; i < trackList.GetTypeCount() && !sw; ++i)
        if (trackList.GetTypeKind(i) == TRACK_RIGHTSWITCH) sw = Make(i, 8.0f, 0.0f, 0.0f);
    ASSERT_NE(sw, nullptr);
    CopyText(sw->featureName, TRACKFEATURENAMELEN, "S9");
    ChooseOwnerWithTheTool(owner);
    EXPECT_TRUE(sw->bHighlight);

    ClickView(sw->x, sw->y);
    ASSERT_EQ(editorState, 107);
    EXPECT_TRUE(winSAttr.IsVisible());
    EXPECT_FALSE(winBuildTracks.IsVisible());
    EXPECT_EQ(winSAttr.GetMode(), 0);
    EXPECT_EQ(layoutState.GetTargetTrack(), sw);
    EXPECT_EQ(GetBuildTools().controlPhase, 1);
    EXPECT_EQ(EditText(winSAttr, 11), "C1");
    EXPECT_EQ(EditText(winSAttr, 13), "S9");
    EXPECT_EQ(On(winSAttr, 1) + On(winSAttr, 2) * 2 + On(winSAttr, 3) * 4, 1);
    EXPECT_EQ(On(winSAttr, 4), 1);
    EXPECT_EQ(On(winSAttr, 14), 1);
    Frame();
    EXPECT_FALSE(winSAttr.FindWinobj(12)->visible);

    ClickItem(winSAttr, 3);
    ClickItem(winSAttr, 6);
    ClickItem(winSAttr, 16);
    EXPECT_EQ(On(winSAttr, 14), 0);
    SetGauge(winSAttr, 8, 100);
    Frame();
    EXPECT_EQ(std::string(winSAttr.FindWinobj(18)->text).rfind("50", 0), 0u);
    ClickItem(winSAttr, 9);

    EXPECT_EQ(editorState, 154);
    EXPECT_TRUE(winBuildTracks.IsVisible());
    ASSERT_EQ(controlList.GetCount(), 1);
    CONTROL* c = controlList.GetFirst();
    EXPECT_EQ(c->type, CONTROL_SWITCH);
    EXPECT_EQ(c->pOwner, owner);
    EXPECT_EQ(c->pTarget, sw);
    EXPECT_EQ(c->switchState1, 0);
    EXPECT_EQ(c->switchToggle, 1);
    EXPECT_EQ(c->directionKey, 3);
    EXPECT_EQ(c->vehicleMask, 2);
    EXPECT_EQ(c->delay, 50000);
    EXPECT_STREQ(c->name, "C1");
}

TEST_F(WinControlsTest, ExistingControlReopensWithItsValuesAndIsChangedInPlace) {
    TRACK* owner = Make(straight, 0.0f, 0.0f, 0.0f);
    TRACK* target = Make(straight, 8.0f, 0.0f, 0.0f);
    target->SetDetachPoint("D1", 0);
    CONTROL* c = controlList.AddNew();
    c->Init(CONTROL_DETACH, owner, nullptr, target, 0, 1, 0, 1, 0, 50.0f, "Late", 2, 0, 120, 0, 0);
    OpenControlList(owner);
    ClickItem(winSelectControl, 9);
    ASSERT_EQ(editorState, 131);
    EXPECT_EQ(attribReturnState, ED_EDIT);
    EXPECT_EQ(winDAttr.GetMode(), 1);
    EXPECT_EQ(controlList.GetNewControl(), c);
    EXPECT_EQ(On(winDAttr, 2), 1);
    EXPECT_EQ(On(winDAttr, 1), 0);
    EXPECT_EQ(On(winDAttr, 5), 1);
    EXPECT_EQ(Gauge(winDAttr, 8), 100);
    // Mask 0 opens with "every vehicle" on.
    EXPECT_EQ(On(winDAttr, 14), 1);
    EXPECT_EQ(EditText(winDAttr, 11), "Late");
    EXPECT_EQ(EditText(winDAttr, 13), "D1");
    Frame();
    EXPECT_TRUE(winDAttr.FindWinobj(12)->visible);

    // 15 on, then off again: 14 comes back on.
    ClickItem(winDAttr, 15);
    EXPECT_EQ(On(winDAttr, 14), 0);
    ClickItem(winDAttr, 15);
    EXPECT_EQ(On(winDAttr, 14), 1);
    ClickItem(winDAttr, 1);
    ClickItem(winDAttr, 9);
    EXPECT_EQ(editorState, ED_EDIT);
    ASSERT_EQ(controlList.GetCount(), 1);
    EXPECT_EQ(controlList.GetFirst(), c);
    EXPECT_EQ(c->detachSet, 1);
    EXPECT_EQ(c->detachClear, 0);
    EXPECT_EQ(c->pOwner, owner);
    EXPECT_EQ(c->pTarget, target);
    EXPECT_EQ(c->delay, 50000);
    EXPECT_EQ(c->directionKey, 2);
}

TEST_F(WinControlsTest, DeleteItemRemovesTheEditedControl) {
    TRACK* owner = Make(straight, 0.0f, 0.0f, 0.0f);
    TRACK* target = Make(straight, 8.0f, 0.0f, 0.0f);
    target->SetBarrier(1, 0, "B1", 0);
    CONTROL* c = controlList.AddNew();
    c->Init(CONTROL_BARRIER, owner, nullptr, target, 1, 0, 0, 1, 0, 0.0f, "Stop", 0, 5, 120, 0, 0);
    OpenControlList(owner);
    ClickItem(winSelectControl, 9);
    // The barrier pair runs the other way round: 165 edits.
    ASSERT_EQ(editorState, 165);
    EXPECT_EQ(On(winSiAttr, 15), 1);
    EXPECT_EQ(On(winSiAttr, 16), 0);
    EXPECT_EQ(On(winSiAttr, 17), 1);
    EXPECT_EQ(On(winSiAttr, 14), 0);
    Frame();
    ClickItem(winSiAttr, 12);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_TRUE(controlList.IsEmpty());
    EXPECT_EQ(controlList.GetNewControl(), nullptr);
}

TEST_F(WinControlsTest, UnknownControlNameOpensTheBuildWindowInsteadOfAnAttributeWindow) {
    TRACK* owner = Make(straight, 0.0f, 0.0f, 0.0f);
    for (int from : {135, 130}) {
        SCOPED_TRACE(from);
        OpenControlList(owner);  // an empty list
        editorState = from;
        ClickItem(winSelectControl, 9);
        EXPECT_EQ(editorState, 154);
        EXPECT_TRUE(winBuildTracks.IsVisible());
        EXPECT_FALSE(winSelectControl.IsVisible());
        EXPECT_FALSE(winSAttr.IsVisible());
        winBuildTracks.Hide();
    }
}

TEST_F(WinControlsTest, ControlListCancelReturnsToWhereItWasOpened) {
    TRACK* owner = Make(straight, 0.0f, 0.0f, 0.0f);
    OpenControlList(owner);
    editorState = 130;
    ClickItem(winSelectControl, 10);
    EXPECT_EQ(editorState, 154);
    EXPECT_TRUE(winBuildTracks.IsVisible());
}

TEST_F(WinControlsTest, PowerControlMapsTheGaugeToTheValueBothWays) {
    TRACK* owner = Make(straight, 0.0f, 0.0f, 0.0f);
    TRACK* fed = Make(straight, 8.0f, 0.0f, 0.0f);
    POWER_NODE* n = powerList.CreateFeedPoint(fed, 75, "P1", 0);  // value 5
    ASSERT_NE(n, nullptr);
    layoutState.SetSelectedTrack(owner);
    ASSERT_EQ(OpenNewControlAttrib(fed, nullptr), 1);
    ASSERT_EQ(editorState, 106);
    EXPECT_EQ(layoutState.GetTargetNode(), n);
    EXPECT_EQ(Gauge(winAttr, 7), 75);
    EXPECT_EQ(On(winAttr, 18), 1);
    EXPECT_EQ(EditText(winAttr, 13), "P1");
    for (auto [gauge, value] : {std::pair{0, -10}, std::pair{50, 0}, std::pair{100, 10}}) {
        SetGauge(winAttr, 7, gauge);
        Frame();
        EXPECT_EQ(std::atoi(winAttr.FindWinobj(21)->text), value);
    }
    SetGauge(winAttr, 7, 0);
    ClickItem(winAttr, 19);
    ClickItem(winAttr, 9);
    ASSERT_EQ(controlList.GetCount(), 1);
    CONTROL* c = controlList.GetFirst();
    EXPECT_EQ(c->type, CONTROL_POWER);
    EXPECT_EQ(c->pNode, n);
    EXPECT_EQ(c->value, -10);
    EXPECT_EQ(c->valueSelector, 0);
    EXPECT_EQ(c->directionKey, 2);

    OpenControlList(owner);
    ClickItem(winSelectControl, 9);
    ASSERT_EQ(editorState, 132);
    EXPECT_EQ(Gauge(winAttr, 7), 0);
    EXPECT_EQ(On(winAttr, 19), 1);
}

TEST_F(WinControlsTest, TargetPieceChoosesItsWindow) {
    TRACK* both = Make(straight, 0.0f, 0.0f, 0.0f);
    both->SetDetachPoint("D1", 0);
    ASSERT_NE(powerList.CreateFeedPoint(both, 50, "P1", 0), nullptr);
    EXPECT_EQ(OpenNewControlAttrib(both, nullptr), 1);
    EXPECT_EQ(editorState, 127);
    EXPECT_EQ(attribReturnState, 154);
    winDAttr.Hide();

    TRACK* barrier = Make(straight, 8.0f, 0.0f, 0.0f);
    barrier->SetBarrier(1, 0, "B", 0);
    EXPECT_EQ(OpenNewControlAttrib(barrier, nullptr), 1);
    EXPECT_EQ(editorState, 166);
    winSiAttr.Hide();

    // Nothing to control: text 64 and no window.
    editorState = 154;
    TRACK* plain = Make(straight, -8.0f, 0.0f, 0.0f);
    EXPECT_EQ(OpenNewControlAttrib(plain, nullptr), 0);
    EXPECT_EQ(editorState, 154);
    EXPECT_EQ(messageQueue.GetCount(), 1);
    EXPECT_STREQ(messageQueue.GetText(0), texts.Get(64));
    // An end piece opens nothing and says nothing.
    plain->kind = TRACK_ENDPIECE;
    EXPECT_EQ(OpenNewControlAttrib(plain, nullptr), 0);
    EXPECT_EQ(messageQueue.GetCount(), 1);
}

TEST_F(WinControlsTest, CancelledNewControlLeavesNothing) {
    TRACK* owner = Make(straight, 0.0f, 0.0f, 0.0f);
    TRACK* target = Make(straight, 8.0f, 0.0f, 0.0f);
    target->SetDetachPoint("D1", 0);
    layoutState.SetSelectedTrack(owner);
    ASSERT_EQ(OpenNewControlAttrib(target, nullptr), 1);
    ClickItem(winDAttr, 10);
    EXPECT_EQ(editorState, 154);
    EXPECT_TRUE(controlList.IsEmpty());
}

TEST_F(WinControlsTest, TargetDeletedWhileTheWindowIsOpenMakesNoControl) {
    TRACK* owner = Make(straight, 0.0f, 0.0f, 0.0f);
    TRACK* target = Make(straight, 8.0f, 0.0f, 0.0f);
    target->SetDetachPoint("D1", 0);
    layoutState.SetSelectedTrack(owner);
    ASSERT_EQ(OpenNewControlAttrib(target, nullptr), 1);
    trackList.RemoveTrack(target);
    ClickItem(winDAttr, 9);
    EXPECT_EQ(editorState, 154);
    EXPECT_TRUE(controlList.IsEmpty());
}

TEST_F(WinControlsTest, GateObjectGetsTheGateWindowAndAGateControl) {
    TRACK* owner = Make(straight, 0.0f, 0.0f, 0.0f);
    TERROBJ* plain = PlaceObject(MISC_TYPE, 4000, 10.0f, 0.0f);
    ASSERT_NE(plain, nullptr);
    ASSERT_EQ(HasObjControl(plain->objId), 0);
    ASSERT_EQ(GetObjSoundId(plain->objId), 0);
    layoutState.SetSelectedTrack(owner);
    // Without sound, object control or gate record the object offers nothing.
    ASSERT_EQ(plain->gate, nullptr);
    EXPECT_EQ(OpenNewControlAttrib(nullptr, plain), 0);
    EXPECT_EQ(editorState, ED_EDIT);

    TERROBJ* o = PlaceObject(MISC_TYPE, 5035, 10.0f, 5.0f);
    ASSERT_NE(o, nullptr);
    if (!o->gate) o->gate = new CGates;
    o->gate->SetName("North gate");
    ASSERT_EQ(OpenNewControlAttrib(nullptr, o), 1);
    ASSERT_EQ(editorState, 167);
    EXPECT_EQ(EditText(winBarAttr, 13), "North gate");
    EXPECT_EQ(layoutState.GetTargetObject(), o);
    ClickItem(winBarAttr, 2);
    EXPECT_EQ(On(winBarAttr, 1), 0);
    ClickItem(winBarAttr, 9);
    ASSERT_EQ(controlList.GetCount(), 1);
    CONTROL* c = controlList.GetFirst();
    EXPECT_EQ(c->type, CONTROL_GATE);
    EXPECT_EQ(c->pObject, o);
    EXPECT_EQ(c->gateOpen, 0);
    EXPECT_EQ(c->gateClose, 1);
    EXPECT_EQ(c->pOwner, owner);

    // Reopened from the list: the gate window in its editing state.
    OpenControlList(owner);
    ClickItem(winSelectControl, 9);
    EXPECT_EQ(editorState, 168);
    EXPECT_EQ(On(winBarAttr, 2), 1);
}

TEST_F(WinControlsTest, OwnerWithControlsOffersTheChoiceBetweenBuildingOnAndTheList) {
    TRACK* owner = Make(straight, 0.0f, 0.0f, 0.0f);
    TRACK* target = Make(straight, 8.0f, 0.0f, 0.0f);
    target->SetDetachPoint("D1", 0);
    CONTROL* c = controlList.AddNew();
    c->Init(CONTROL_DETACH, owner, nullptr, target, 1, 0, 0, 1, 0, 2.0f, "First", 0, 0, 120, 0, 0);

    winBuildTracks.Show(2);
    editorState = 154;
    Frame();
    ClickItem(winBuildTracks, 7);
    ASSERT_TRUE(GetBuildTools().control);
    ClickView(owner->x, owner->y);
    ASSERT_EQ(editorState, 158);
    EXPECT_FALSE(winBuildTracks.IsVisible());
    Frame();
    EXPECT_EQ(On(winBuildChoice, 1), 1);
    EXPECT_EQ(On(winBuildChoice, 2), 0);

    // Continue building: back to the tool, which waits for a target.
    ClickItem(winBuildChoice, 99);
    ASSERT_EQ(editorState, 154);
    Frame();
    EXPECT_EQ(GetBuildTools().controlPhase, 3);
    EXPECT_TRUE(target->bHighlight);
    ClickView(target->x, target->y);
    ASSERT_EQ(editorState, 127);
    ClickItem(winDAttr, 9);
    EXPECT_EQ(controlList.GetCount(), 2);
    EXPECT_EQ(controlList.GetFirst(), c);

    // The control list this time: the existing control opens for editing
    // and the build window comes back afterwards.
    ClickView(owner->x, owner->y);
    ASSERT_EQ(editorState, 158);
    ClickItem(winBuildChoice, 2);
    ClickItem(winBuildChoice, 99);
    ASSERT_EQ(editorState, 130);
    EXPECT_TRUE(winSelectControl.IsVisible());
    ClickItem(winSelectControl, 9);
    ASSERT_EQ(editorState, 131);
    EXPECT_EQ(controlList.GetNewControl(), c);
    EXPECT_EQ(Gauge(winDAttr, 8), 4);  // 2000 ms
    ClickItem(winDAttr, 10);
    EXPECT_EQ(editorState, 154);
    EXPECT_TRUE(winBuildTracks.IsVisible());
}
