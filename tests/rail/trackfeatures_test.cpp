// Track features: ground states, turntables, barriers, switches, detach
// points, insulation and the selection helpers.
#include "track_test.h"

TEST_F(TrackTest, GroundStates) {
    g_testGround = 0.0f;
    TRACK* on = Make(0, 0, 0, 0, -0.01f);
    TRACK* under = Make(0, 5, 0, 0, 0.1f);
    TRACK* raised = Make(0, 10, 0, 0, -0.5f);
    TRACK* deep = Make(0, 15, 0, 0, 2.0f);
    TRACK* edge = Make(0, 20, 0, 0, 1.5f);
    trackList.DetGroundStates();
    EXPECT_EQ(on->groundState, GROUND_ON);
    EXPECT_EQ(under->groundState, GROUND_UNDER);
    EXPECT_EQ(raised->groundState, GROUND_RAISED);
    EXPECT_EQ(deep->groundState, GROUND_DEEP);
    // Exactly 1.5 below counts as under, not deep.
    EXPECT_EQ(edge->groundState, GROUND_UNDER);
    // Deep at one end but on the ground at the other: a tunnel.
    deep->end[1].z = 0.0f;
    deep->DetGroundState();
    EXPECT_EQ(deep->groundState, GROUND_UNDER);
}

TEST_F(TrackTest, DetPitchFromEndHeights) {
    TRACK* p = Make(1, 0, 0, 0);
    p->end[0].z = 0.0f;
    p->end[1].z = -4.0f;
    p->DetPitch();
    EXPECT_NEAR(p->pitch, 45.0f, 1e-4);
    EXPECT_NEAR(p->z, -2.0f, 1e-6);
}

TEST_F(TrackTest, TurntableTurnsByAStepPerFrame) {
    TRACK* t = Make(0, 0, 0, 350);
    t->bTurntable = 1;
    t->RotateTurntable(3);
    EXPECT_EQ(t->bTurning, 1);
    EXPECT_NEAR(t->targetHeading, 372.5f, 1e-4);
    // A second request during the turn changes nothing.
    t->RotateTurntable(2);
    EXPECT_NEAR(t->targetHeading, 372.5f, 1e-4);
    frameTime = 100;
    for (int i = 0; i < 22; i++) t->UpdateTurntable();
    EXPECT_EQ(t->bTurning, 1);
    t->UpdateTurntable();
    EXPECT_EQ(t->bTurning, 0);
    EXPECT_NEAR(t->heading, 12.5f, 1e-3);
    EXPECT_NE(t->groupId, 0);
}

TEST_F(TrackTest, TurntableHalfTurnAndPause) {
    TRACK* t = Make(0, 0, 0, 200);
    t->bTurntable = 1;
    t->RotateTurntable(1);
    EXPECT_NEAR(t->targetHeading, 20.0f, 1e-4);
    layoutState.SetPaused(1);
    t->Render();
    EXPECT_NEAR(t->heading, 200.0f, 1e-4);
    layoutState.SetPaused(0);
    t->Render();
    EXPECT_NEAR(t->heading, 199.0f, 1e-4);
    for (int i = 0; i < 300 && t->bTurning; i++) t->UpdateTurntable();
    EXPECT_NEAR(t->heading, 20.0f, 1e-3);
}

TEST_F(TrackTest, TurntableDetachesItsNeighboursAndReconnectsOnArrival) {
    TRACK* n0 = Make(0, -1, 0, 0);
    TRACK* t = Make(0, 0, 0, 0);
    TRACK* n1 = Make(0, 1, 0, 0);
    t->bTurntable = 1;
    trackList.RebuildConnections();
    ASSERT_EQ(t->end[0].pTrack, n0);
    ASSERT_EQ(t->end[1].pTrack, n1);
    powerList.CreateFeedPoint(n0, 100, "P1", 0);
    t->RotateTurntable(1);
    EXPECT_EQ(t->groupId, 0);
    EXPECT_EQ(t->end[0].state, END_FREE);
    EXPECT_EQ(n0->end[1].state, END_FREE);
    EXPECT_NE(n0->groupId, n1->groupId);
    EXPECT_NE(n0->groupId, 0);
    EXPECT_NE(n1->groupId, 0);
    EXPECT_EQ(t->powerValue, 0);
    EXPECT_EQ(n1->powerValue, 0);
    for (int i = 0; i < 300 && t->bTurning; i++) t->UpdateTurntable();
    EXPECT_NEAR(t->heading, 180.0f, 1e-3);
    // Turned round: end 0 now meets n1, end 1 meets n0.
    EXPECT_EQ(t->end[0].pTrack, n1);
    EXPECT_EQ(t->end[1].pTrack, n0);
    EXPECT_EQ(t->groupId, n0->groupId);
    EXPECT_EQ(n1->groupId, n0->groupId);
    EXPECT_EQ(n1->powerValue, 10);
}

TEST_F(TrackTest, BarrierPlacingNeedsAPostWithinReach) {
    TRACK* p = Make(0, 0, 0, 0);
    trackList.SetBarrierPreview(p);
    const BARRIER_PREVIEW& b = trackList.GetBarrierPreview();
    EXPECT_NEAR(b.vPostA.y, 0.5f, 1e-6);
    EXPECT_NEAR(b.vPostB.y, -0.5f, 1e-6);
    EXPECT_EQ(b.bChooseA, 1);
    EXPECT_EQ(b.bChooseB, 1);
    trackList.SetBarrierPickForTest(D3DXVECTOR3(0, 0, -10), D3DXVECTOR3(0, 3.0f, b.vPostA.z));
    EXPECT_EQ(trackList.PlaceBarrier(1, "B1", 1), 0);
    EXPECT_EQ(p->bBarrier, 0);
    trackList.SetBarrierPickForTest(D3DXVECTOR3(0, 0, -10), D3DXVECTOR3(0, -1.0f, b.vPostB.z));
    EXPECT_EQ(trackList.PlaceBarrier(0, "B1", 1), 1);
    EXPECT_EQ(p->bBarrier, 0);
    EXPECT_EQ(trackList.PlaceBarrier(1, "B1", 1), 1);
    EXPECT_EQ(p->bBarrier, 1);
    EXPECT_EQ(p->barrierSide, 0);
    EXPECT_STREQ(p->featureName, "B1");
    EXPECT_EQ(p->barrierState, 1);
    EXPECT_EQ(p->barrierAnim, 10.0f);
    // The preview now offers only post B, drawn higher.
    EXPECT_EQ(b.bChooseA, 0);
    EXPECT_EQ(b.bChooseB, 1);
    EXPECT_NEAR(b.vPostBDrawn.z, b.vPostB.z - 1.2f, 1e-5);
}

TEST_F(TrackTest, BarrierStatesWithoutAndWithPowerMode) {
    TRACK* p = Make(0, 0, 0, 0);
    p->SetBarrier(1, 0, "B", 0);
    p->SetBarrierGo();
    EXPECT_EQ(p->barrierState, 2);
    EXPECT_EQ(p->barrierShown, 2);
    p->ToggleBarrier();
    EXPECT_EQ(p->barrierState, 1);
    // In the power-driven mode the barrier drives its section's power.
    TRACK* q = Make(0, 1, 0, 0);
    Link(p, 1, q, 0);
    POWER_NODE* n = powerList.CreateFeedPoint(q, 50, "P1", 0);
    layoutState.SetMode(1);
    p->SetBarrierGo();
    EXPECT_EQ(n->currentValue, 10);
    EXPECT_EQ(p->powerValue, 10);
    EXPECT_EQ(p->barrierState, 2);
    p->SetBarrierStop();
    EXPECT_EQ(n->currentValue, 0);
    EXPECT_EQ(p->barrierState, 1);
    p->RemoveBarrier();
    EXPECT_EQ(p->bBarrier, 0);
    EXPECT_STREQ(p->featureName, "");
}

TEST_F(TrackTest, SwitchStateAndDetachPoint) {
    TRACK* s = Make(3, 0, 0, 0);
    TRACK* a = Make(0, 5, 0, 0);
    EXPECT_EQ(s->GetExitEnd(), 2);
    s->SetSwitchState(3);
    EXPECT_EQ(s->switchState, 2);
    EXPECT_EQ(s->GetExitEnd(), 1);
    s->SetSwitchState(3);
    EXPECT_EQ(s->switchState, 1);
    a->SetSwitchState(2);
    EXPECT_EQ(a->switchState, 1);
    EXPECT_EQ(a->GetExitEnd(), 1);
    a->SetDetachPoint("D1", 1);
    EXPECT_EQ(a->bDetach, 1);
    a->ToggleDetachActive();
    EXPECT_EQ(a->bDetachActive, 1);
    a->RemoveDetachPoint();
    EXPECT_EQ(a->bDetach, 0);
    EXPECT_EQ(a->bDetachInTable, 0);
    EXPECT_STREQ(a->featureName, "");
}

TEST_F(TrackTest, InsulationNeedsAMarkedEnd) {
    TRACK* a = Make(0, 0, 0, 0);
    TRACK* b = Make(0, 1, 0, 0);
    Link(a, 1, b, 0);
    EXPECT_EQ(a->ToggleInsulation(1), 0);
    EXPECT_EQ(a->end[1].bInsulated, 0);
    EXPECT_TRUE(a->MarkConnectedEnds());
    EXPECT_EQ(a->end[0].mark, 0);
    EXPECT_EQ(a->ToggleInsulation(1), 1);
    EXPECT_EQ(a->ToggleInsulation(1), 0);
    EXPECT_EQ(a->end[1].bInsulated, 0);
    EXPECT_EQ(a->ToggleInsulation(7), 0);
}

TEST_F(TrackTest, SelectionAndHighlightHelpers) {
    TRACK* a = Make(0, 0, 0, 0);
    TRACK* b = Make(0, 1, 0, 0);
    TRACK* s = Make(3, 9, 9, 0);
    EXPECT_EQ(trackList.HighlightSpecialTracks(0), 1);
    EXPECT_EQ(a->bHighlight, 0);
    EXPECT_EQ(trackList.HighlightSpecialTracks(1), 1);
    EXPECT_EQ(s->bHighlight, 1);
    trackList.HighlightOnly(a);
    EXPECT_EQ(a->bHighlight, 1);
    EXPECT_EQ(s->bHighlight, 0);
    a->bSelected = 1;
    trackList.SetNameOfSelected("Loop");
    trackList.DeselectAll();
    trackList.SelectByName("Loop");
    EXPECT_EQ(a->bSelected, 1);
    EXPECT_EQ(b->bSelected, 0);
    trackList.SelectByName("");
    EXPECT_FALSE(trackList.IsAnySelected());
    trackList.RebuildConnections();
    trackList.SelectGroup(a);
    EXPECT_EQ(b->bSelected, 1);
    EXPECT_EQ(s->bSelected, 0);
    trackList.MarkConnectedEnds(a);
    EXPECT_EQ(a->end[1].mark, 1);
    trackList.ClearEndMarks();
    EXPECT_EQ(a->end[1].mark, 0);
}

TEST_F(TrackTest, DisabledSwitchesAcceptOnlySwitches) {
    TRACK* s = Make(3, 0, 0, 0);
    TRACK* a = Make(0, 5, 0, 0);
    trackList.AddDisabledSwitch(s, 1);
    trackList.AddDisabledSwitch(a, 1);
    trackList.RemoveTrack(s); // the node of the removed switch goes with it
    SUCCEED();
}
