// Dragging a single vehicle along the track: the walk over the track graph
// with its turns and refusals, the nearest point to the mouse, and the drag
// itself up to switches set against it and the end of the line.
#include "editor_test.h"

using VehicleDragTest = EditorTest;

namespace {

// x of a vehicle standing on a straight laid along x.
float AlongX(const TRAIN* t) {
    const TRACK* p = t->pTrack;
    const float dir = std::cos(p->heading * kPi / 180.0f) >= 0.0f ? 1.0f : -1.0f;
    return p->end[0].x + dir * p->length * t->posPercent / 100.0f;
}

}  // namespace

TEST_F(VehicleDragTest, WalkCrossesJointsAndStopsAtFreeEnds) {
    std::vector<TRACK*> run = Run(3);  // straights of 4 from x = 0
    TRACK_WALK w = WalkAlongTrack(run[0], 50.0f, 5.0f, nullptr);
    EXPECT_EQ(w.piece, run[1]);
    EXPECT_NEAR(w.percent, 75.0f, 1e-4);
    EXPECT_NEAR(w.covered, 5.0f, 1e-5);
    EXPECT_EQ(w.flipped, 0);
    EXPECT_EQ(w.success, 1);

    w = WalkAlongTrack(run[2], 50.0f, -9.0f, nullptr);
    EXPECT_EQ(w.piece, run[0]);
    EXPECT_NEAR(w.percent, 25.0f, 1e-4);
    EXPECT_NEAR(w.covered, -9.0f, 1e-5);

    // Off the free end: blocked at the end, covered only to there.
    w = WalkAlongTrack(run[2], 50.0f, 10.0f, nullptr);
    EXPECT_EQ(w.blocked, 1);
    EXPECT_EQ(w.success, 0);
    EXPECT_EQ(w.piece, run[2]);
    EXPECT_FLOAT_EQ(w.percent, 100.0f);
    EXPECT_NEAR(w.covered, 2.0f, 1e-5);

    // Exactly to the free end is not blocked.
    w = WalkAlongTrack(run[2], 50.0f, 2.0f, nullptr);
    EXPECT_EQ(w.success, 1);
    EXPECT_FLOAT_EQ(w.percent, 100.0f);
}

TEST_F(VehicleDragTest, WalkTurnsRoundOnPiecesJoinedEndToEnd) {
    TRACK* a = Make(1, 2.0f, 0.0f, 0.0f);
    TRACK* b = Make(1, 6.0f, 0.0f, 180.0f);  // its end 1 meets a's end 1
    Link(a, 1, b, 1);
    TRACK_WALK w = WalkAlongTrack(a, 50.0f, 3.0f, nullptr);
    EXPECT_EQ(w.piece, b);
    EXPECT_NEAR(w.percent, 75.0f, 1e-4);
    EXPECT_NEAR(w.covered, 3.0f, 1e-5);  // in a's direction
    EXPECT_EQ(w.flipped, 1);
    // And back again.
    w = WalkAlongTrack(b, 75.0f, 2.0f, nullptr);
    EXPECT_EQ(w.piece, a);
    EXPECT_NEAR(w.percent, 75.0f, 1e-4);
    EXPECT_EQ(w.flipped, 1);
}

TEST_F(VehicleDragTest, WalkRefusesSwitchesSetAgainstAndEndPieces) {
    TRACK* a = Make(1, 2.0f, 0.0f, 0.0f);
    TRACK* s = Make(3, 20.0f, 0.0f, 0.0f);
    Link(a, 1, s, 1);
    s->switchState = 1;  // branch end 2 in use: end 1 is closed
    TRACK_WALK w = WalkAlongTrack(a, 50.0f, 3.0f, nullptr);
    EXPECT_EQ(w.blocked, 1);
    EXPECT_EQ(w.piece, a);
    s->switchState = 2;
    w = WalkAlongTrack(a, 50.0f, 3.0f, nullptr);
    EXPECT_EQ(w.success, 1);
    EXPECT_EQ(w.piece, s);

    TRACK* e = Make(5, 0.0f, 10.0f, 0.0f);
    e->bEndPiece = 1;
    TRACK* c = Make(1, 10.0f, 10.0f, 0.0f);
    Link(c, 0, e, 1);
    w = WalkAlongTrack(c, 10.0f, -1.0f, nullptr);
    EXPECT_EQ(w.blocked, 1);
    EXPECT_EQ(w.piece, c);
}

TEST_F(VehicleDragTest, WalkToAStopPiece) {
    std::vector<TRACK*> run = Run(3);
    TRACK_WALK w = WalkAlongTrack(run[0], 50.0f, 5.0f, run[1]);
    EXPECT_EQ(w.success, 1);
    EXPECT_EQ(w.piece, run[1]);
    EXPECT_FLOAT_EQ(w.percent, 0.0f);
    w = WalkAlongTrack(run[0], 50.0f, 5.0f, run[2]);
    EXPECT_EQ(w.success, 0);
    w = WalkAlongTrack(run[0], 50.0f, -1.0f, run[1]);
    EXPECT_EQ(w.success, 0);
    w = WalkAlongTrack(run[1], 20.0f, 1.0f, run[1]);  // already there
    EXPECT_EQ(w.success, 1);
    EXPECT_EQ(w.piece, run[1]);
    EXPECT_FLOAT_EQ(w.covered, 0.0f);
}

TEST_F(VehicleDragTest, NearestPointStaysWithinHalfALength) {
    std::vector<TRACK*> run = Run(3);
    Aim(9.0f, 0.0f, -0.06f);
    TRACK_WALK w = FindNearestTrackPoint(run[1], 50.0f, 0.5f);  // x = 6
    EXPECT_EQ(w.piece, run[1]);
    EXPECT_NEAR(w.covered, 0.5f, 1e-4);
    EXPECT_NEAR(w.percent, 62.5f, 1e-3);
    Aim(6.2f, 0.0f, -0.06f);
    w = FindNearestTrackPoint(run[1], 50.0f, 0.5f);
    EXPECT_NEAR(w.covered, 0.2f, 0.03f);
    // Nothing nearer than the start: the start itself.
    Aim(6.0f, 0.0f, -0.06f);
    w = FindNearestTrackPoint(run[1], 50.0f, 0.5f);
    EXPECT_FLOAT_EQ(w.covered, 0.0f);
    EXPECT_EQ(w.piece, run[1]);
}

TEST_F(VehicleDragTest, ClickOnTheOnlySelectedVehicleDragsItAlongTheTrack) {
    std::vector<TRACK*> run = Run(4);  // x = 0 .. 16
    TRAIN* engine = Place(run[1], 50.0f, ENGINE);
    trainList.UpdatePoses();
    Aim(engine->vPos.x, engine->vPos.y, engine->vPos.z - 0.3f);
    LeftPress();
    ASSERT_EQ(dragState, SELECT_VEHICLE);
    EXPECT_EQ(engine->bSelected, 1);
    EXPECT_EQ(layoutState.GetSelectedVehicle(), engine);
    const float grab = AlongX(engine);
    Aim(9.0f, 0.0f, -0.06f);
    Frames(20);
    EXPECT_NEAR(AlongX(engine), 9.0f, 0.3f);
    EXPECT_NEAR(grab, 6.0f, 0.3f);
    // Back the other way, across a joint.
    Aim(3.0f, 0.0f, -0.06f);
    Frames(30);
    EXPECT_EQ(engine->pTrack, run[0]);
    EXPECT_NEAR(AlongX(engine), 3.0f, 0.3f);
    // To beyond the end of the line: it stops on the track.
    Aim(-10.0f, 0.0f, -0.06f);
    Frames(60);
    EXPECT_EQ(engine->bActive, 1);
    EXPECT_EQ(engine->pTrack, run[0]);
    EXPECT_GE(AlongX(engine), 0.5f - 1e-3);
    LeftRelease();
    EXPECT_EQ(dragState, SELECT_IDLE);
    // No drag after the release.
    Aim(9.0f, 0.0f, -0.06f);
    const float x = AlongX(engine);
    Frames(5);
    EXPECT_FLOAT_EQ(AlongX(engine), x);
}

TEST_F(VehicleDragTest, DraggedVehicleStopsAtASwitchSetAgainstIt) {
    TRACK* a = Make(1, 2.0f, 0.0f, 0.0f);
    TRACK* s = Make(3, 30.0f, 10.0f, 0.0f);
    Link(a, 1, s, 1);
    s->switchState = 1;
    TRAIN* engine = Place(a, 50.0f, ENGINE);
    trainList.UpdatePoses();
    Aim(engine->vPos.x, engine->vPos.y, engine->vPos.z - 0.3f);
    LeftPress();
    ASSERT_EQ(dragState, SELECT_VEHICLE);
    Aim(12.0f, 0.0f, -0.06f);
    Frames(40);
    EXPECT_EQ(engine->bActive, 1);
    EXPECT_EQ(engine->pTrack, a);
    EXPECT_LE(engine->posPercent, 100.0f);
    EXPECT_GT(engine->posPercent, 60.0f);
    LeftRelease();
}

TEST_F(VehicleDragTest, NoTrackDragWithTwoVehiclesSelected) {
    std::vector<TRACK*> run = Run(4);
    TRAIN* first = Place(run[0], 50.0f, ENGINE);
    TRAIN* second = Place(run[2], 50.0f, WAGON);
    trainList.UpdatePoses();
    Aim(first->vPos.x, first->vPos.y, first->vPos.z - 0.3f);
    LeftPress();
    ASSERT_EQ(dragState, SELECT_VEHICLE);
    LeftRelease();
    keyCtrl = 1;
    Aim(second->vPos.x, second->vPos.y, second->vPos.z - 0.3f);
    LeftPress();
    keyCtrl = 0;
    EXPECT_EQ(first->bSelected, 1);
    EXPECT_EQ(second->bSelected, 1);
    EXPECT_EQ(dragState, SELECT_IDLE);
    EXPECT_EQ(dragVehicle, second);
    LeftRelease();
    // Without Ctrl a click on an unselected vehicle selects it alone.
    first->bSelected = 0;
    Aim(first->vPos.x, first->vPos.y, first->vPos.z - 0.3f);
    LeftPress();
    EXPECT_EQ(first->bSelected, 1);
    EXPECT_EQ(second->bSelected, 0);
    EXPECT_EQ(dragState, SELECT_VEHICLE);
    LeftRelease();
}

TEST_F(VehicleDragTest, VehicleWithoutLengthIsNotDragged) {
    std::vector<TRACK*> run = Run(2);
    TRAIN* engine = Place(run[0], 50.0f, ENGINE);
    trainList.UpdatePoses();
    engine->halfLength = 0.0f;
    layoutState.SetSelectedVehicle(engine);
    EXPECT_EQ(DragVehicleOnTrack(1), 0);
    layoutState.SetSelectedVehicle(nullptr);
    EXPECT_EQ(DragVehicleOnTrack(1), 0);
    EXPECT_EQ(DragVehicleOnTrack(3), 0);
}
