// Controls: firing by passing engines, every action kind, the delay timers
// and the glow, removal with owners and targets, names and label slots.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/messagequeue.h"
#include "app/texts.h"
#include "rail/control.h"
#include "rail/manualcontrol.h"
#include "sound/sound_test_util.h"
#include "sound/soundmanager.h"
#include "support/testutil.h"
#include "train_test.h"
#include "ui/window.h"
#include "world/gates.h"
#include "world/terrobj.h"

namespace {

// Every text-table entry n reads "Tn", so messages name their entry.
void WriteNumberedTexts() {
    std::string t;
    for (int i = 0; i <= 420; i++) t += std::to_string(i) + " T" + std::to_string(i) + "\n#\n";
    veltest::WriteFile("texts.txt", t);
    texts.Reload();
}

std::vector<std::string> Messages() {
    std::vector<std::string> out;
    for (int i = 0, slot = messageQueue.GetOldestIndex(); i < messageQueue.GetCount(); i++, slot = (slot + 1) % 10)
        out.push_back(messageQueue.GetText(slot));
    return out;
}

class ControlTest : public TrainTest {
protected:
    void SetUp() override {
        TrainTest::SetUp();
        ResetStartLogForTest("log.txt");
        WriteNumberedTexts();
        controlList.RemoveAll();
        controlList.SetNameCounter(1);
        controlList.SetShowControls(1);
        myGlobs.triggeringTrain = nullptr;
    }
    void TearDown() override {
        controlList.RemoveAll();
        TrainTest::TearDown();
    }

    std::string Log() const { return veltest::ReadFile(dir.Path() + "/log.txt"); }

    // A lone piece with a detach point (not in the table).
    TRACK* DetachPiece(float x) {
        TRACK* p = Make(0, x, 20.0f, 0.0f);
        p->bDetach = 1;
        return p;
    }

    // A control of owner that toggles the detach point of target.
    static CONTROL* DetachToggle(TRACK* owner, TRACK* target, int key = 0, int mask = 0, float delay = 0.0f) {
        CONTROL* c = controlList.AddNew();
        c->Init(CONTROL_DETACH, owner, nullptr, target, 0, 0, 1, 0, 0, delay, "tog", key, mask, 0, 0, 0);
        return c;
    }

    static CONTROL* MakeControl(int type, TRACK* owner, POWER_NODE* node, void* target, int f1, int f2, int f3,
                         int selector = 0, int value = 0) {
        CONTROL* c = controlList.AddNew();
        c->Init(type, owner, node, target, f1, f2, f3, selector, value, 0.0f, "c", 0, 0, 0, 0, 0);
        return c;
    }

    veltest::TempDir dir;
};

TEST_F(ControlTest, PassingEngineFiresByDirectionKeyAndVehicleMask) {
    auto run = Run(3);
    TRACK* any = DetachPiece(0.0f);
    TRACK* down = DetachPiece(5.0f);
    TRACK* four = DetachPiece(10.0f);
    DetachToggle(run[1], any, 0, 0);
    DetachToggle(run[1], down, 2, 0);
    DetachToggle(run[1], four, 0, 4);
    // A control of another piece never fires here.
    TRACK* other = DetachPiece(15.0f);
    DetachToggle(run[2], other, 0, 0);

    TRAIN* e = Place(run[0], 50.0f, ENGINE, 1, 20.0f);
    e->SetFlags(6);
    for (int i = 0; i < 600 && e->pTrack != run[2]; i++) Frames(1);
    ASSERT_EQ(e->pTrack, run[2]);
    // Upwards over the middle: key 3.
    EXPECT_EQ(any->bDetachActive, 1);
    EXPECT_EQ(down->bDetachActive, 0);
    EXPECT_EQ(four->bDetachActive, 1);  // mask 6 shares bit 4
    EXPECT_EQ(other->bDetachActive, 0);
    EXPECT_EQ(myGlobs.triggeringTrain, nullptr);

    // Back over the middle of run[1]: key 2.
    e->setSpeed = -20.0f;
    for (int i = 0; i < 900 && e->pTrack != run[0]; i++) Frames(1);
    ASSERT_EQ(e->pTrack, run[0]);
    EXPECT_EQ(any->bDetachActive, 0);
    EXPECT_EQ(down->bDetachActive, 1);
    EXPECT_EQ(four->bDetachActive, 0);

    // Mask 3 shares no bit with 4.
    e->SetFlags(3);
    e->setSpeed = 20.0f;
    for (int i = 0; i < 900 && e->pTrack != run[2]; i++) Frames(1);
    ASSERT_EQ(e->pTrack, run[2]);
    EXPECT_EQ(any->bDetachActive, 1);
    EXPECT_EQ(four->bDetachActive, 0);
}

TEST_F(ControlTest, SwitchDetachBarrierAndTurntableActions) {
    TRACK* owner = Make(0, 0.0f, 0.0f, 0.0f);
    TRACK* sw = Make(3, 5.0f, 5.0f, 0.0f);
    ASSERT_TRUE(sw->IsSwitch());

    CONTROL* c = MakeControl(CONTROL_SWITCH, owner, nullptr, sw, 0, 1, 0);
    c->ActControl();
    EXPECT_EQ(sw->switchState, 2);
    EXPECT_EQ(c->glowTime, CONTROLGLOWTIME);
    c->Init(CONTROL_SWITCH, owner, nullptr, sw, 1, 1, 1, 0, 0, 0.0f, "c", 0, 0, 0, 0, 0);
    c->ActControl();  // the first set flag decides
    EXPECT_EQ(sw->switchState, 1);
    c->Init(CONTROL_SWITCH, owner, nullptr, sw, 0, 0, 1, 0, 0, 0.0f, "c", 0, 0, 0, 0, 0);
    c->ActControl();
    EXPECT_EQ(sw->switchState, 2);
    c->ActControl();
    EXPECT_EQ(sw->switchState, 1);
    // A switch control aimed at a plain piece leaves it alone.
    TRACK* plain = Make(0, 9.0f, 9.0f, 0.0f);
    c->Init(CONTROL_SWITCH, owner, nullptr, plain, 0, 1, 0, 0, 0, 0.0f, "c", 0, 0, 0, 0, 0);
    c->ActControl();
    EXPECT_EQ(plain->switchState, 1);

    TRACK* d = DetachPiece(12.0f);
    CONTROL* dc = MakeControl(CONTROL_DETACH, owner, nullptr, d, 1, 0, 0);
    dc->ActControl();
    EXPECT_EQ(d->bDetachActive, 1);
    dc->Init(CONTROL_DETACH, owner, nullptr, d, 0, 1, 0, 0, 0, 0.0f, "c", 0, 0, 0, 0, 0);
    dc->ActControl();
    EXPECT_EQ(d->bDetachActive, 0);

    layoutState.SetMode(0);
    TRACK* b = Make(0, 15.0f, 9.0f, 0.0f);
    b->bBarrier = 1;
    CONTROL* bc = MakeControl(CONTROL_BARRIER, owner, nullptr, b, 1, 0, 0);
    bc->ActControl();
    EXPECT_EQ(b->barrierState, 2);
    bc->Init(CONTROL_BARRIER, owner, nullptr, b, 0, 1, 0, 0, 0, 0.0f, "c", 0, 0, 0, 0, 0);
    bc->ActControl();
    EXPECT_EQ(b->barrierState, 1);

    TRACK* t = Make(0, 20.0f, 9.0f, 0.0f);
    t->bTurntable = 1;
    CONTROL* tc = MakeControl(CONTROL_TURNTABLE, owner, nullptr, t, 1, 0, 0);
    tc->ActControl();
    EXPECT_EQ(t->bTurning, 1);
    EXPECT_FLOAT_EQ(t->targetHeading, -22.5f);
    t->bTurning = 0;
    tc->Init(CONTROL_TURNTABLE, owner, nullptr, t, 0, 1, 0, 0, 0, 0.0f, "c", 0, 0, 0, 0, 0);
    tc->ActControl();
    EXPECT_FLOAT_EQ(t->targetHeading, 22.5f);
    t->bTurning = 0;
    tc->Init(CONTROL_TURNTABLE, owner, nullptr, t, 0, 0, 1, 0, 0, 0.0f, "c", 0, 0, 0, 0, 0);
    tc->ActControl();
    EXPECT_FLOAT_EQ(t->targetHeading, 180.0f);
    // No flag: nothing turns.
    t->bTurning = 0;
    t->targetHeading = 0.0f;
    tc->Init(CONTROL_TURNTABLE, owner, nullptr, t, 0, 0, 0, 0, 0, 0.0f, "c", 0, 0, 0, 0, 0);
    tc->ActControl();
    EXPECT_EQ(t->bTurning, 0);
}

TEST_F(ControlTest, PowerActionsSetClearAndToggleAndSpreadThePower) {
    auto run = Run(2);
    TRACK* owner = Make(0, 0.0f, 20.0f, 0.0f);
    POWER_NODE* n = powerList.CreateFeedPoint(run[0], 50, "Main", 0);
    ASSERT_NE(n, nullptr);
    n->defaultValue = 4;
    n->currentValue = 0;
    CONTROL* c = MakeControl(CONTROL_POWER, owner, n, nullptr, 1, 0, 0, 0, 7);
    c->ActControl();
    EXPECT_EQ(n->currentValue, 7);
    EXPECT_NE(run[1]->powerValue, 0);  // spread over the joined piece
    c->Init(CONTROL_POWER, owner, n, nullptr, 0, 1, 0, 0, 7, 0.0f, "c", 0, 0, 0, 0, 0);
    c->ActControl();
    EXPECT_EQ(n->currentValue, 0);
    EXPECT_EQ(run[1]->powerValue, 0);
    // Toggle with the node's own default value.
    c->Init(CONTROL_POWER, owner, n, nullptr, 0, 0, 1, 1, 7, 0.0f, "c", 0, 0, 0, 0, 0);
    c->ActControl();
    EXPECT_EQ(n->currentValue, 4);
    c->ActControl();
    EXPECT_EQ(n->currentValue, 0);
}

TEST_F(ControlTest, GateModelAndTurnActionsOnPlacedObjects) {
    TRACK* owner = Make(0, 0.0f, 0.0f, 0.0f);
    TERROBJ o;
    o.gate = new CGates();
    CONTROL* g = MakeControl(CONTROL_GATE, owner, nullptr, &o, 1, 0, 0);
    g->ActControl();
    EXPECT_FLOAT_EQ(o.gate->GetTarget(), CGates::OPEN_ANGLE);
    g->Init(CONTROL_GATE, owner, nullptr, &o, 0, 1, 0, 0, 0, 0.0f, "c", 0, 0, 0, 0, 0);
    g->ActControl();
    EXPECT_FLOAT_EQ(o.gate->GetTarget(), 0.0f);
    // An object without a gate record is left alone.
    TERROBJ plain;
    g->Init(CONTROL_GATE, owner, nullptr, &plain, 1, 0, 0, 0, 0, 0.0f, "c", 0, 0, 0, 0, 0);
    g->ActControl();
    EXPECT_EQ(plain.gate, nullptr);

    // Model: the objId and the bounding values of the new type.
    myGlobs.xObjects[GetXID(ENGINE, 0)].sphereRadius = 2.5f;
    myGlobs.xObjects[GetXID(ENGINE, 0)].sphereCentre = D3DXVECTOR3(0.0f, 0.5f, -0.75f);
    o.objId = WAGON;
    CONTROL* m = controlList.AddNew();
    m->Init(CONTROL_MODEL, owner, nullptr, &o, 1, 0, 0, 0, ENGINE, 0.0f, "m", 0, 0, 0, 0, 0);
    EXPECT_EQ(m->value, ENGINE);
    m->ActControl();
    EXPECT_EQ(o.objId, ENGINE);
    EXPECT_FLOAT_EQ(o.radius, 2.5f);
    EXPECT_FLOAT_EQ(o.sphereCenter[1], 0.5f);
    EXPECT_FLOAT_EQ(o.sphereCenter[2], -0.75f);

    // Turn: from rest the target starts at the current angles.
    o.heading = 10.0f, o.pitch = 5.0f, o.roll = 2.0f;
    o.targetHeading = o.targetPitch = o.targetRoll = 99.0f;
    o.atTarget = 1;
    CONTROL* t = controlList.AddNew();
    t->Init(CONTROL_TURN, owner, nullptr, &o, 1, 0, 0, 0, 0, 0.0f, "t", 0, 0, 'y', 30, 7);
    t->ActControl();
    EXPECT_FLOAT_EQ(o.targetRoll, 32.0f);
    EXPECT_FLOAT_EQ(o.targetHeading, 10.0f);
    EXPECT_FLOAT_EQ(o.targetPitch, 5.0f);
    EXPECT_FLOAT_EQ(o.turnSpeed, 7.0f);
    EXPECT_EQ(o.atTarget, 0);
    // Still turning: the amount adds to the target already set.
    t->ActControl();
    EXPECT_FLOAT_EQ(o.targetRoll, 62.0f);
    t->Init(CONTROL_TURN, owner, nullptr, &o, 1, 0, 0, 0, 0, 0.0f, "t", 0, 0, 'X', -15, 3);
    t->ActControl();
    EXPECT_FLOAT_EQ(o.targetPitch, -10.0f);
    t->Init(CONTROL_TURN, owner, nullptr, &o, 1, 0, 0, 0, 0, 0.0f, "t", 0, 0, 'Z', 45, 3);
    t->ActControl();
    EXPECT_FLOAT_EQ(o.targetHeading, 55.0f);
    t->Init(CONTROL_TURN, owner, nullptr, &o, 1, 0, 0, 0, 0, 0.0f, "t", 0, 0, 'q', 45, 3);
    t->ActControl();
    EXPECT_FLOAT_EQ(o.targetHeading, 55.0f);
    EXPECT_FLOAT_EQ(o.targetRoll, 62.0f);
    EXPECT_FLOAT_EQ(o.targetPitch, -10.0f);

    // Unknown types do nothing at all.
    CONTROL* u = controlList.AddNew();
    u->Init(12, owner, nullptr, &o, 1, 1, 1, 1, 1, 0.0f, "u", 0, 0, 'Z', 1, 1);
    EXPECT_EQ(u->pObject, nullptr);
    u->ActControl();
    EXPECT_EQ(u->glowTime, 0);
    controlList.RemoveAll();
}

TEST_F(ControlTest, InitKeepsOnlyTheFieldsOfItsType) {
    TRACK* owner = Make(0, 0.0f, 0.0f, 0.0f);
    TRACK* sw = Make(3, 5.0f, 5.0f, 0.0f);
    CONTROL* c = controlList.AddNew();
    const std::string longName(100, 'n');
    c->Init(CONTROL_SWITCH, owner, nullptr, sw, 1, 0, 1, 1, 5, 1.5f, longName.c_str(), 2, 4, 'x', 9, 9);
    EXPECT_EQ(c->delay, 1500);
    EXPECT_EQ(c->directionKey, 2);
    EXPECT_EQ(c->vehicleMask, 4);
    EXPECT_EQ(std::string(c->name), std::string(CONTROLNAMELEN - 1, 'n'));
    EXPECT_EQ(c->switchState1, 1);
    EXPECT_EQ(c->switchToggle, 1);
    EXPECT_EQ(c->actionFlag1, 0);
    EXPECT_EQ(c->valueSelector, 0);
    EXPECT_EQ(c->axis, 0);
    c->delayTimer = 500;
    c->glowTime = 100;
    // Re-initialised as another type in place: the switch flags go.
    c->Init(CONTROL_GATE, owner, nullptr, sw, 1, 1, 0, 0, 0, 0.3f, "g", 0, 0, 0, 0, 0);
    EXPECT_EQ(c->switchState1, 0);
    EXPECT_EQ(c->switchToggle, 0);
    EXPECT_EQ(c->pTarget, nullptr);
    EXPECT_EQ(c->gateOpen, 1);
    EXPECT_EQ(c->gateClose, 1);
    EXPECT_EQ(c->delay, 300);
    EXPECT_EQ(c->delayTimer, 0);
    EXPECT_EQ(c->glowTime, 0);
    EXPECT_TRUE(controlList.Contains(c));
    EXPECT_EQ(controlList.GetCount(), 1);
}

TEST_F(ControlTest, DelaysRestartOnFiringAndPauseHoldsTheTimerButNotTheGlow) {
    TRACK* owner = Make(0, 0.0f, 0.0f, 0.0f);
    TRACK* d = DetachPiece(5.0f);
    CONTROL* c = DetachToggle(owner, d, 0, 0, 1.5f);
    frameTime = 100;
    controlList.TriggerByTrack(owner, 3, 1);
    EXPECT_EQ(c->delayTimer, 1500);
    for (int i = 0; i < 10; i++) controlList.Update();
    EXPECT_EQ(c->delayTimer, 500);
    EXPECT_EQ(d->bDetachActive, 0);
    // Fired again within the delay: a full delay from now, acting once.
    controlList.TriggerByTrack(owner, 3, 1);
    EXPECT_EQ(c->delayTimer, 1500);
    for (int i = 0; i < 14; i++) controlList.Update();
    EXPECT_EQ(d->bDetachActive, 0);
    controlList.Update();
    EXPECT_EQ(d->bDetachActive, 1);
    EXPECT_EQ(c->delayTimer, 0);
    // The frame that runs the action also counts its glow down.
    EXPECT_EQ(c->glowTime, CONTROLGLOWTIME - 100);
    for (int i = 0; i < 30; i++) controlList.Update();
    EXPECT_EQ(d->bDetachActive, 1);
    EXPECT_EQ(c->glowTime, 0);

    // Paused: the delay stands still, the glow runs down.
    c->glowTime = 1000;
    controlList.TriggerByTrack(owner, 3, 1);
    layoutState.SetPaused(1);
    for (int i = 0; i < 5; i++) controlList.Update();
    EXPECT_EQ(c->delayTimer, 1500);
    EXPECT_EQ(c->glowTime, 500);
    layoutState.SetPaused(0);
    for (int i = 0; i < 15; i++) controlList.Update();
    EXPECT_EQ(d->bDetachActive, 0);

    // No delay, or a negative one, acts at once; a frame time of 0 does
    // not move a timer.
    c->delay = 0;
    controlList.TriggerByTrack(owner, 2, 0);
    EXPECT_EQ(d->bDetachActive, 1);
    c->delay = -400;
    controlList.TriggerByTrack(owner, 2, 0);
    EXPECT_EQ(d->bDetachActive, 0);
    c->delay = 200;
    controlList.TriggerByTrack(owner, 2, 0);
    frameTime = 0;
    controlList.Update();
    EXPECT_EQ(c->delayTimer, 200);
    frameTime = 100;
}

TEST_F(ControlTest, ActionRemovingALaterControlOfTheSameFiringIsSafe) {
    // The turntable's turn updates the power, which drops the feed point
    // whose piece is gone, and with it the second control.
    TRACK* owner = Make(0, 0.0f, 0.0f, 0.0f);
    TRACK* t = Make(0, 5.0f, 0.0f, 0.0f);
    t->bTurntable = 1;
    TRACK* feed = Make(0, 10.0f, 0.0f, 0.0f);
    POWER_NODE* n = powerList.CreateFeedPoint(feed, 80, "Lost", 0);
    ASSERT_NE(n, nullptr);
    MakeControl(CONTROL_TURNTABLE, owner, nullptr, t, 1, 0, 0);
    CONTROL* second = MakeControl(CONTROL_POWER, owner, n, nullptr, 1, 0, 0, 0, 3);
    n->pTrack = nullptr;  // its piece went
    controlList.TriggerByTrack(owner, 3, 0);
    EXPECT_EQ(t->bTurning, 1);
    EXPECT_FALSE(controlList.Contains(second));
    EXPECT_EQ(controlList.GetCount(), 1);
}

TEST_F(ControlTest, RemovalWithOwnersAndTargetsShowsEachMessage) {
    TRACK* a = Make(3, 0.0f, 0.0f, 0.0f);
    TRACK* b = Make(0, 10.0f, 0.0f, 0.0f);
    TRACK* target = Make(4, 20.0f, 0.0f, 0.0f);
    CONTROL* keep = MakeControl(CONTROL_SWITCH, b, nullptr, target, 1, 0, 0);
    MakeControl(CONTROL_SWITCH, a, nullptr, target, 1, 0, 0);
    MakeControl(CONTROL_SWITCH, a, nullptr, target, 0, 1, 0);
    CONTROL* aimed = MakeControl(CONTROL_SWITCH, b, nullptr, a, 0, 0, 1);
    controlList.SetNewControl(aimed);
    controlList.SetMarkedTarget(a);
    EXPECT_TRUE(controlList.HasControls(a));

    messageQueue.Reset();
    trackList.RemoveTrack(a);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"T24", "T24", "T26"}));
    EXPECT_EQ(controlList.GetCount(), 1);
    EXPECT_EQ(controlList.GetFirst(), keep);
    EXPECT_EQ(controlList.GetNewControl(), nullptr);
    EXPECT_EQ(controlList.GetMarkedTarget(), nullptr);

    POWER_NODE* n = powerList.CreateFeedPoint(b, 80, "N", 0);
    MakeControl(CONTROL_POWER, b, n, nullptr, 1, 0, 0, 0, 1);
    messageQueue.Reset();
    powerList.RemoveNode(n);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"T25"}));

    TERROBJ o, other;
    MakeControl(CONTROL_GATE, b, nullptr, &o, 1, 0, 0);
    MakeControl(CONTROL_SOUND, b, nullptr, &o, 1, 0, 0);
    MakeControl(CONTROL_MODEL, b, nullptr, &o, 1, 0, 0);
    MakeControl(CONTROL_TURN, b, nullptr, &o, 1, 0, 0);
    CONTROL* otherGate = MakeControl(CONTROL_GATE, b, nullptr, &other, 1, 0, 0);
    messageQueue.Reset();
    controlList.RemoveControlsOfObject(&o);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"T27", "T397", "T400", "T400"}));
    EXPECT_TRUE(controlList.Contains(otherGate));

    messageQueue.Reset();
    controlList.RemoveControl(otherGate);
    controlList.RemoveControl(otherGate);  // no longer listed: nothing
    EXPECT_EQ(Messages(), (std::vector<std::string>{"T73"}));
    EXPECT_EQ(controlList.GetCount(), 1);

    // The owner going takes the last one.
    trackList.RemoveTrack(b);
    EXPECT_TRUE(controlList.IsEmpty());
}

TEST_F(ControlTest, DefaultNamesWrapAfter9998AndQueriesFindByOwner) {
    char name[CONTROLNAMELEN];
    controlList.MakeControlName(name);
    EXPECT_STREQ(name, "C1");
    controlList.SetNameCounter(1);
    for (int i = 0; i < 9998; i++) controlList.MakeControlName(name);
    EXPECT_STREQ(name, "C9998");
    controlList.MakeControlName(name);
    EXPECT_STREQ(name, "C1");
    controlList.SetNameCounter(0);
    EXPECT_EQ(controlList.GetNameCounter(), 1);
    controlList.SetNameCounter(123456);
    EXPECT_EQ(controlList.GetNameCounter(), 1);
    char small[3];
    controlList.SetNameCounter(500);
    controlList.MakeControlName(small, sizeof small);
    EXPECT_STREQ(small, "C5");

    TRACK* a = Make(0, 0.0f, 0.0f, 0.0f);
    TRACK* b = Make(0, 5.0f, 0.0f, 0.0f);
    TRACK* d = DetachPiece(9.0f);
    CONTROL* c1 = DetachToggle(a, d);
    CopyText(c1->name, CONTROLNAMELEN, "first");
    CONTROL* c2 = DetachToggle(b, d);
    CopyText(c2->name, CONTROLNAMELEN, "first");
    CONTROL* c3 = DetachToggle(a, d);
    CopyText(c3->name, CONTROLNAMELEN, "second");
    EXPECT_EQ(controlList.FindControl(a, "first"), c1);
    EXPECT_EQ(controlList.FindControl(b, "first"), c2);
    EXPECT_EQ(controlList.FindControl(a, "second"), c3);
    EXPECT_EQ(controlList.FindControl(b, "second"), nullptr);
    EXPECT_EQ(controlList.FindControl(a, nullptr), nullptr);
    EXPECT_FALSE(controlList.HasControls(d));

    // The name list of a piece: its controls in list order, yellow.
    WINDOW w;
    w.Init("list", 0xffffffff, 10, 10, 200, 200, 0);
    w.AddWinobj(1, WINOBJ_LIST, 0, nullptr, 5, 5, 150, 100, 1, 0);
    windowList.AddWindow(&w);
    AddWinListRow(&w, 1, "stale", 9, 0xffffffff);
    controlList.FillNameList(&w, 1, a);
    char text[64];
    int value = -1;
    ASSERT_TRUE(GetWinListRow(&w, 1, 0, text, &value, sizeof text));
    EXPECT_STREQ(text, "first");
    EXPECT_EQ(value, 0);
    ASSERT_TRUE(GetWinListRow(&w, 1, 1, text, &value, sizeof text));
    EXPECT_STREQ(text, "second");
    EXPECT_EQ(value, 1);
    EXPECT_FALSE(GetWinListRow(&w, 1, 2, text, &value, sizeof text));
    windowList.RemoveWindow(&w);
}

TEST_F(ControlTest, LabelLinesStackPerOwnerInABoundedTable) {
    TRACK* a = Make(0, 0.0f, 0.0f, 0.0f);
    TRACK* b = Make(0, 5.0f, 0.0f, 0.0f);
    myGlobs.drawControlInfo = 1;
    controlList.DrawLabels();  // clears the table
    EXPECT_EQ(controlList.TakeLabelLine(a), 0);
    EXPECT_EQ(controlList.TakeLabelLine(a), 1);
    EXPECT_EQ(controlList.TakeLabelLine(b), 0);
    EXPECT_EQ(controlList.TakeLabelLine(a), 2);
    std::vector<TRACK> many(CONTROLLABELSLOTS);
    for (int i = 0; i < CONTROLLABELSLOTS - 2; i++) EXPECT_EQ(controlList.TakeLabelLine(&many[i]), 0);
    // Every slot holds another owner now.
    EXPECT_EQ(controlList.TakeLabelLine(&many[CONTROLLABELSLOTS - 1]), -1);
    EXPECT_EQ(controlList.TakeLabelLine(b), 1);
    controlList.DrawLabels();
    EXPECT_EQ(controlList.TakeLabelLine(b), 0);

    // The glow of a control with its target gone draws nothing and does
    // not fail; nor do the marker walks without a display.
    CONTROL* c = DetachToggle(a, b);
    c->glowTime = 300;
    c->pTarget = nullptr;
    controlList.DrawAllControlFX();
    controlList.SetMarkedTarget(a);
    controlList.RenderMarkers();
    myGlobs.drawControlInfo = 0;
}

// Sound actions, with the sound manager mixing by hand.
class ControlSoundTest : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        plat::SetSoundManualMixing(true);
        soundtest::WriteWav("house.wav");
        soundtest::WriteWav("gate2.wav");
        soundtest::WriteText("soundsources1.list", "3001 house.wav loop\nbarclose2 gate2.wav plain\n");
        ASSERT_EQ(soundManager.Init(), 1);
    }
    void TearDown() override {
        soundManager.Release();
        ControlTest::TearDown();
    }
    static int Sources() {
        int n = 0;
        for (SOUND_SOURCE* s = soundManager.GetSources(); s; s = s->next) n++;
        return n;
    }
};

TEST_F(ControlSoundTest, StartStopAndPlayOnceOfAnObjectSound) {
    TRACK* owner = Make(0, 0.0f, 0.0f, 0.0f);
    TERROBJ o;
    o.objId = 3001;
    CONTROL* c = MakeControl(CONTROL_SOUND, owner, nullptr, &o, 1, 0, 0);
    c->ActControl();
    EXPECT_EQ(soundManager.HasSource(&o), 1);
    c->ActControl();  // already bound: no second source
    EXPECT_EQ(Sources(), 1);
    c->Init(CONTROL_SOUND, owner, nullptr, &o, 0, 1, 0, 0, 0, 0.0f, "c", 0, 0, 0, 0, 0);
    c->ActControl();
    EXPECT_EQ(soundManager.HasSource(&o), 0);
    c->Init(CONTROL_SOUND, owner, nullptr, &o, 0, 0, 1, 0, 0, 0.0f, "c", 0, 0, 0, 0, 0);
    c->ActControl();
    IDirectSoundBuffer* b = soundManager.FindSound("3001");
    ASSERT_NE(b, nullptr);
    DWORD status = 0;
    b->GetStatus(&status);
    EXPECT_TRUE(status & DSBSTATUS_PLAYING);
    EXPECT_EQ(Sources(), 0);
}

TEST_F(ControlSoundTest, ClosingAnOpenGateSoundsOnlyForAPassingVehicle) {
    TRACK* owner = Make(0, 0.0f, 0.0f, 0.0f);
    TERROBJ o;
    o.gate = new CGates();
    CONTROL* c = MakeControl(CONTROL_GATE, owner, nullptr, &o, 0, 1, 0);
    TRAIN steam, plain;
    steam.objId = STEAM;
    plain.objId = ENGINE;

    // Open by 45 degrees or less: silent.
    o.gate->SetAngle(45.0f);
    myGlobs.triggeringTrain = &steam;
    c->ActControl();
    EXPECT_EQ(Sources(), 0);
    // Wide open, but fired by a delay (no vehicle): silent.
    o.gate->SetAngle(60.0f);
    myGlobs.triggeringTrain = nullptr;
    c->ActControl();
    EXPECT_EQ(Sources(), 0);
    EXPECT_FLOAT_EQ(o.gate->GetTarget(), 0.0f);
    // Wide open with an animated engine passing: "barclose2".
    myGlobs.triggeringTrain = &steam;
    c->ActControl();
    EXPECT_EQ(Sources(), 1);
    // Any other vehicle asks for "barclose", which this list lacks.
    myGlobs.triggeringTrain = &plain;
    c->ActControl();
    EXPECT_EQ(Sources(), 1);
    EXPECT_NE(veltest::ReadFile("log.txt").find("PlayAutoAdjustedSound()!!!: barclose"), std::string::npos);
    myGlobs.triggeringTrain = nullptr;
}

}  // namespace
