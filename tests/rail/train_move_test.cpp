// Movement over the track graph: direction flips, buffers, switches and
// crashes, control firing, coupling on contact, detach points, rings.
#include <algorithm>
#include <utility>

#include "world/smoke.h"
#include "train_test.h"

namespace {

class TrainMove : public TrainTest {};

std::vector<std::pair<TRACK*, int>> g_fired;
TRAIN* g_firingTrain = nullptr;
void RecordFiring(TRACK* p, int key, int) {
    g_fired.push_back({p, key});
    g_firingTrain = myGlobs.triggeringTrain;
}

TEST_F(TrainMove, CrossingEndZeroToEndZeroFlipsOrientationAndSpeedButKeepsGoing) {
    TRACK* a = Make(1, 2.0f, 0.0f, 0.0f);    // ends at x 0 and 4
    TRACK* b = Make(1, -2.0f, 0.0f, 180.0f); // end 0 at x 0, end 1 at x -4
    Link(a, 0, b, 0);
    TRAIN* e = Place(a, 50.0f, ENGINE, -1, -10.0f);
    float lastX = e->vPos.x;
    bool crossed = false;
    for (int i = 0; i < 60 && !crossed; i++) {
        Frames(1);
        EXPECT_LT(e->vPos.x, lastX + 1e-4f);
        lastX = e->vPos.x;
        crossed = e->pTrack == b;
    }
    ASSERT_TRUE(crossed);
    EXPECT_EQ(1, e->orientation);
    EXPECT_GT(e->speed, 0.0f);
    EXPECT_FLOAT_EQ(10.0f, e->setSpeed);
    Frames(5);
    EXPECT_LT(e->vPos.x, lastX);
    EXPECT_EQ(1, e->bActive);

    // In power mode the set speed is not turned round (the power gives it).
    layoutState.SetMode(1);
    a->powerValue = -5;
    b->powerValue = 5;
    TRAIN* f = Place(a, 60.0f, ENGINE, -1, 0.0f);
    trainList.DeleteTrain(e);
    for (int i = 0; i < 80 && f->pTrack != b; i++) Frames(1);
    ASSERT_EQ(b, f->pTrack);
    EXPECT_EQ(1, f->orientation);
    Frames(1);
    EXPECT_FLOAT_EQ(10.0f, f->setSpeed);
}

TEST_F(TrainMove, BufferStopHoldsTheCouplerAtTheJointWithoutCrash) {
    auto run = Run(2, 0); // two 1.0 straights from x 0 to 2
    TRACK* endPiece = Make(5, 2.5f, 0.0f, 0.0f);
    Link(run[1], 1, endPiece, 0);
    TRAIN* e = Place(run[0], 50.0f, ENGINE, 1, 10.0f);
    Frames(80);
    EXPECT_EQ(1, e->bActive);
    EXPECT_EQ(0, myGlobs.crashState);
    EXPECT_EQ(run[1], e->pTrack);
    EXPECT_NEAR(0.5f, e->posDistance, 1e-4);
    EXPECT_NEAR(0.0f, e->speed, 1e-3);

    // A free end without any neighbour stops the vehicle the same way.
    trainList.DeleteAll();
    auto open = Run(2, 0, 10.0f);
    TRAIN* g = Place(open[0], 50.0f, ENGINE, -1, -10.0f);
    Frames(40);
    EXPECT_EQ(1, g->bActive);
    EXPECT_EQ(open[0], g->pTrack);
    EXPECT_NEAR(0.5f, g->posDistance, 1e-4);
    EXPECT_NEAR(0.0f, g->speed, 1e-3);
}

TEST_F(TrainMove, WrongTrailingSwitchCrashesAndHoldsEverySpeedUntilTheCrashedVehicleIsDeleted) {
    TRACK* a = Make(1, 0.0f, 0.0f, 0.0f);
    TRACK* s = Make(3, 10.0f, 0.0f, 0.0f);
    s->switchState = 1;
    Link(a, 1, s, 1); // entering the switch by its curved end while it is set straight
    auto other = Run(3, 1, 40.0f);
    TRAIN* e = Place(a, 50.0f, ENGINE, 1, 10.0f);
    TRAIN* w = Place(a, 25.0f, WAGON);
    TRAIN::Couple(e, 1, w, 0);
    TRAIN* o = Place(other[1], 50.0f, ENGINE, 1, 10.0f);
    int frames = 0;
    while (e->bActive && frames < 200) {
        Frames(1);
        frames++;
    }
    ASSERT_EQ(0, e->bActive);
    EXPECT_EQ(a, e->pTrack);
    EXPECT_NEAR(a->length, e->posDistance, 1e-4);
    const float oSpeed = o->speed, oSet = o->setSpeed;
    EXPECT_GT(oSpeed, 0.0f);

    Frames(1);
    EXPECT_EQ(1, myGlobs.crashState);
    EXPECT_EQ(e, myGlobs.crashedTrain);
    EXPECT_NE(nullptr, smokeSystem.FindSource(e, 3));
    EXPECT_NE(nullptr, smokeSystem.FindSource(e, 1));
    EXPECT_GE(messageQueue.GetCount(), 3);
    for (TRAIN* t = trainList.GetFirst(); t; t = t->pNext) {
        EXPECT_EQ(0.0f, t->speed);
        EXPECT_EQ(0.0f, t->setSpeed);
    }
    float oPos = o->posDistance;
    Frames(10);
    EXPECT_EQ(oPos, o->posDistance);
    EXPECT_EQ(2, trainList.GetStartPositionCount()); // a copy of every engine

    trainList.DeleteTrain(e);
    EXPECT_EQ(0, myGlobs.crashState);
    EXPECT_EQ(nullptr, myGlobs.crashedTrain);
    EXPECT_EQ(1, trainList.GetStartPositionCount()); // the deleted engine's copy went with it
    EXPECT_FLOAT_EQ(oSpeed, o->speed);
    EXPECT_FLOAT_EQ(oSet, o->setSpeed);
    EXPECT_EQ(nullptr, w->pCoupled0);
    Frames(3);
    EXPECT_GT(o->posDistance, oPos);
}

TEST_F(TrainMove, SwitchThrownUnderAVehicleCrashesItOnTheNextMove) {
    TRACK* s = Make(3, 0.0f, 0.0f, 0.0f);
    s->switchState = 1;
    TRAIN* e = Place(s, 50.0f, ENGINE, 1, 10.0f);
    EXPECT_EQ(1, e->branch);
    Frames(1);
    EXPECT_EQ(1, e->bActive);
    s->ToggleSwitchState();
    int before = messageQueue.GetCount();
    Frames(1);
    EXPECT_EQ(0, e->bActive);
    EXPECT_GT(messageQueue.GetCount(), before);
    Frames(1);
    EXPECT_EQ(1, myGlobs.crashState);
    EXPECT_EQ(0.0f, e->speed);
}

TEST_F(TrainMove, SwitchesRouteByStateAndEnteringEnd) {
    // Into a switch by end 0: the switch state decides the branch.
    TRACK* a = Make(0, 0.0f, 0.0f, 0.0f);
    TRACK* s = Make(3, 5.0f, 0.0f, 0.0f);
    TRACK* straight = Make(1, 20.0f, 0.0f, 0.0f);
    TRACK* curved = Make(1, 20.0f, 10.0f, 0.0f);
    Link(a, 1, s, 0);
    Link(s, 2, straight, 0);
    Link(s, 1, curved, 0);
    s->switchState = 2;
    TRAIN* e = Place(a, 10.0f, ENGINE, 1, 20.0f);
    for (int i = 0; i < 200 && e->pTrack != curved && e->bActive; i++) Frames(1);
    EXPECT_EQ(curved, e->pTrack);
    EXPECT_EQ(1, e->bActive);

    trainList.DeleteAll();
    s->switchState = 1;
    TRAIN* f = Place(a, 10.0f, ENGINE, 1, 20.0f);
    for (int i = 0; i < 200 && f->pTrack != straight && f->bActive; i++) Frames(1);
    EXPECT_EQ(straight, f->pTrack);

    // Coming back through end 2 the route is branch 1 whatever the state.
    trainList.DeleteAll();
    s->switchState = 1;
    TRAIN* g = Place(straight, 50.0f, ENGINE, -1, -20.0f);
    for (int i = 0; i < 200 && g->pTrack != s; i++) Frames(1);
    ASSERT_EQ(s, g->pTrack);
    EXPECT_EQ(1, g->branch);
    for (int i = 0; i < 200 && g->pTrack != a; i++) Frames(1);
    EXPECT_EQ(a, g->pTrack);
    EXPECT_EQ(1, g->bActive);
}

TEST_F(TrainMove, ControlsFireOncePerMiddleCrossingOnlyForEngines) {
    auto run = Run(3);
    SetTrainTriggerHookForTest(RecordFiring);
    g_fired.clear();
    TRAIN* e = Place(run[0], 62.5f, ENGINE, 1, 20.0f);
    TRAIN* w = Place(run[0], 37.5f, WAGON); // its centre crosses the middle of run[0]
    TRAIN::Couple(e, 1, w, 0);
    e->SetFlags(5);
    EXPECT_EQ(5, e->GetFlags());
    for (int i = 0; i < 400 && e->pTrack != run[2]; i++) Frames(1);
    ASSERT_EQ(run[2], e->pTrack);
    ASSERT_EQ(1u, g_fired.size());
    EXPECT_EQ(run[1], g_fired[0].first);
    EXPECT_EQ(3, g_fired[0].second);
    EXPECT_EQ(e, g_firingTrain);
    EXPECT_EQ(nullptr, myGlobs.triggeringTrain);

    // Backwards over the middle of run[2]... first forward past it, then back.
    for (int i = 0; i < 400 && e->posPercent <= 60.0f; i++) Frames(1);
    size_t n = g_fired.size();
    EXPECT_EQ(2u, n);
    e->setSpeed = -20.0f;
    for (int i = 0; i < 400 && e->posPercent >= 40.0f; i++) Frames(1);
    ASSERT_EQ(3u, g_fired.size());
    EXPECT_EQ(run[2], g_fired[2].first);
    EXPECT_EQ(2, g_fired[2].second);
}

TEST_F(TrainMove, FreeCouplersMeetingWithinAFrameCoupleAndKeepTheSpeed) {
    auto run = Run(3);
    TRAIN* e = Place(run[0], 50.0f, ENGINE, 1, 20.0f);
    TRAIN* w = Place(run[1], 50.0f, WAGON, 1);
    float lastSpeed = 0.0f;
    int i = 0;
    for (; i < 400 && !e->pCoupled0; i++) {
        lastSpeed = e->speed;
        Frames(1);
    }
    ASSERT_EQ(w, e->pCoupled0);
    EXPECT_EQ(1, e->coupled0End);
    EXPECT_EQ(e, w->pCoupled1);
    EXPECT_EQ(0, w->coupled1End);
    EXPECT_GE(e->speed, lastSpeed);
    EXPECT_TRUE(CouplersClose(e, 0));
    // The engine now pushes the wagon, coupler to coupler.
    float wPos = w->posDistance;
    Frames(2);
    ASSERT_EQ(run[1], w->pTrack);
    EXPECT_GT(w->posDistance, wPos);
    EXPECT_TRUE(CouplersClose(e, 0));
    EXPECT_EQ(1.0f, e->trailingLoad);

    // A wagon pushed into a buffer stops the engine as well.
    trainList.DeleteAll();
    auto shortRun = Run(3, 0, 20.0f);
    TRACK* stop = Make(5, 23.5f, 0.0f, 0.0f);
    Link(shortRun[2], 1, stop, 0);
    TRAIN* f = Place(shortRun[0], 50.0f, ENGINE, 1, 10.0f);
    TRAIN* v = Place(shortRun[1], 50.0f, WAGON, 1);
    TRAIN::Couple(f, 0, v, 1);
    Frames(20);
    EXPECT_EQ(1, v->bActive);
    EXPECT_EQ(0, myGlobs.crashState);
    EXPECT_NEAR(0.5f, v->posDistance, 1e-3);
    EXPECT_EQ(shortRun[2], v->pTrack);
    EXPECT_NEAR(0.0f, f->speed, 1e-2);
    EXPECT_TRUE(CouplersClose(f, 0));
}

TEST_F(TrainMove, ActiveDetachPointPartsThePulledWagonUnlessARuleSaysNod) {
    auto run = Run(3);
    run[1]->bDetach = 1;
    run[1]->bDetachActive = 1;
    TRAIN* e = Place(run[1], 37.5f, ENGINE, 1, 10.0f);
    TRAIN* w = Place(run[1], 12.5f, WAGON);
    TRAIN::Couple(e, 1, w, 0);
    Frames(60);
    EXPECT_EQ(nullptr, e->pCoupled1);
    EXPECT_EQ(nullptr, w->pCoupled0);
    EXPECT_LT(w->posDistance, 1.6f); // left behind near the detach point
    EXPECT_GT(e->posDistance + (e->pTrack == run[1] ? 0.0f : 4.0f), 2.5f);

    // An inactive detach point parts nothing.
    trainList.DeleteAll();
    run[1]->bDetachActive = 0;
    e = Place(run[1], 37.5f, ENGINE, 1, 10.0f);
    w = Place(run[1], 12.5f, WAGON);
    TRAIN::Couple(e, 1, w, 0);
    Frames(60);
    EXPECT_EQ(w, e->pCoupled1);

    // A NOD rule keeps the pair.
    trainList.DeleteAll();
    run[1]->bDetachActive = 1;
    {
        FILE* f = std::fopen("nodrule_move.bin", "w");
        ASSERT_NE(nullptr, f);
        std::fputs("20 BACK 10 FRONT NOD\n", f);
        std::fclose(f);
    }
    trainList.LoadDetachInfo("nodrule_move");
    e = Place(run[1], 37.5f, ENGINE, 1, 10.0f);
    w = Place(run[1], 12.5f, WAGON);
    TRAIN::Couple(e, 1, w, 0);
    Frames(60);
    EXPECT_EQ(w, e->pCoupled1);
    EXPECT_TRUE(CouplersClose(e, 1));
    std::remove("nodrule_move.bin");
}

TEST_F(TrainMove, CoupledMovesAroundARingOfVehiclesTerminate) {
    // Four 1.0 pieces joined into a ring, filled with four coupled vehicles.
    auto ring = Run(4, 0);
    Link(ring[3], 1, ring[0], 0);
    std::vector<TRAIN*> v;
    v.push_back(Place(ring[0], 50.0f, ENGINE, 1, 10.0f));
    for (int i = 1; i < 4; i++) v.push_back(Place(ring[i], 50.0f, WAGON));
    for (int i = 0; i < 4; i++) TRAIN::Couple(v[i], 0, v[(i + 1) % 4], 1);
    Frames(30);
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(1, v[i]->bActive);
        EXPECT_TRUE(CouplersClose(v[i], 0)) << i;
    }
    EXPECT_GT(v[0]->posDistance, 0.6f);
    EXPECT_EQ(3.0f, v[0]->trailingLoad);
}

TEST_F(TrainMove, DragMovesAnyVehicleWithItsTrain) {
    auto run = Run(2);
    TRAIN* w = Place(run[0], 50.0f, WAGON);
    TRAIN* x = Place(run[0], 25.0f, WAGON);
    TRAIN::Couple(w, 1, x, 0);
    w->Move(1, 0.5f);
    EXPECT_NEAR(2.5f, w->posDistance, 1e-5);
    EXPECT_NEAR(1.5f, x->posDistance, 1e-4);
    w->Move(1, -0.25f);
    EXPECT_NEAR(2.25f, w->posDistance, 1e-5);
    EXPECT_NEAR(1.25f, x->posDistance, 1e-4);

    // While a vehicle of the train is dragged, its engine does not drive.
    TRAIN* e = Place(run[1], 50.0f, ENGINE, 1, 10.0f);
    TRAIN* y = Place(run[1], 25.0f, WAGON);
    TRAIN::Couple(e, 1, y, 0);
    y->bSelected = 1;
    dragState = 173;
    float before = e->posDistance;
    Frames(3);
    EXPECT_EQ(-1.0f, e->trailingLoad);
    EXPECT_EQ(before, e->posDistance);
}

TEST_F(TrainMove, TrainOnALoopOfSixteenCurvesRunsTenMinutes) {
    auto loop = CurveLoop();
    float cx = 0.0f, cy = 0.0f;
    for (TRACK* p : loop) {
        cx += p->x / 16.0f;
        cy += p->y / 16.0f;
    }
    float R = 5.5f;
    TRAIN* e = Place(loop[0], 50.0f, ENGINE, 1, 20.0f);
    // Wagons behind, 1.0 apart along the track.
    // Wagons 1.0 and 2.0 behind along the track.
    TRAIN* behind[2];
    for (int i = 0; i < 2; i++) {
        float pos = 0.0f;
        int flip = 0, br = 1;
        TRACK* p = e->WalkFromPosition(-1.0f * (i + 1), &pos, &flip, &br);
        ASSERT_NE(nullptr, p);
        behind[i] = Place(p, pos / p->length * 100.0f, i == 0 ? WAGON : PWAGON);
    }
    TRAIN* w1 = behind[0];
    TRAIN* w2 = behind[1];
    TRAIN::Couple(e, 1, w1, 0);
    TRAIN::Couple(w1, 1, w2, 0);
    ASSERT_TRUE(CouplersClose(e, 1));
    ASSERT_TRUE(CouplersClose(w1, 1));
    frameTime = 100;
    float travelled = 0.0f;
    for (int frame = 0; frame < 6000; frame++) {
        Frames(1);
        travelled += std::fabs(e->frameSpeed) * frameTime / 5000.0f;
        if (frame % 50 == 0 || frame == 5999) {
            for (TRAIN* t : {e, w1, w2}) {
                ASSERT_EQ(1, t->bActive) << frame;
                ASSERT_NE(std::find(loop.begin(), loop.end(), t->pTrack), loop.end());
                float r = std::hypot(t->vPos.x - cx, t->vPos.y - cy);
                ASSERT_NEAR(R, r, 0.05f) << frame;
            }
            ASSERT_EQ(w1, e->pCoupled1) << frame;
            ASSERT_EQ(w2, w1->pCoupled1) << frame;
            float d = 0.0f;
            ASSERT_TRUE(e->DistanceTo(w1, &d));
            ASSERT_NEAR(1.0f, d, 0.01f) << frame;
            ASSERT_TRUE(w1->DistanceTo(w2, &d));
            ASSERT_NEAR(1.0f, d, 0.01f) << frame;
        }
    }
    EXPECT_GT(travelled, 500.0f); // many laps
    EXPECT_EQ(0, myGlobs.crashState);
}

} // namespace
