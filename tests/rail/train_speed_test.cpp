// The speed model of engines: approach, load, power mode and barriers, and
// the started and stopped flags.
#include <fstream>
#include <sstream>

#include "train_test.h"

namespace {

class TrainSpeed : public TrainTest {};

TEST_F(TrainSpeed, OneFrameFromRestApproachesAFifthAndMovesByTheStep) {
    auto run = Run(3);
    TRAIN* e = Place(run[1], 50.0f, ENGINE, 1, 10.0f);
    frameTime = 100;
    trainList.Move();
    EXPECT_FLOAT_EQ(10.0f, e->targetSpeed);
    EXPECT_NEAR(2.0f, e->speed, 1e-6);
    EXPECT_NEAR(2.04f, e->posDistance, 1e-5);
    EXPECT_NEAR(51.0f, e->posPercent, 1e-3);
    EXPECT_NEAR(2.0f, e->frameSpeed, 1e-6);
    EXPECT_EQ(1, e->bStarted);
    EXPECT_EQ(0, e->bStopped);

    // A vehicle facing against the piece moves the other way along it.
    trainList.DeleteAll();
    TRAIN* r = Place(run[1], 50.0f, ENGINE, -1, -10.0f);
    trainList.Move();
    EXPECT_NEAR(-2.0f, r->speed, 1e-6);
    EXPECT_NEAR(1.96f, r->posDistance, 1e-5);
    EXPECT_NEAR(2.0f, r->frameSpeed, 1e-6); // coupler 0 leads
}

TEST_F(TrainSpeed, SmallSpeedsSnapToZeroAndNothingMovesWhilePausedOrOutsideTheRunState) {
    auto run = Run(2);
    TRAIN* e = Place(run[0], 50.0f, ENGINE);
    e->speed = 0.15f;
    trainList.Move();
    EXPECT_EQ(0.0f, e->speed);

    e->setSpeed = 10.0f;
    layoutState.SetPaused(1);
    trainList.Move();
    EXPECT_EQ(0.0f, e->speed);
    layoutState.SetPaused(0);
    gameState = MENU_STATE;
    trainList.Move();
    EXPECT_EQ(0.0f, e->speed);
    gameState = EDITOR_RUN_STATE;
    trainList.Move();
    EXPECT_GT(e->speed, 0.0f);
}

TEST_F(TrainSpeed, TractionTwentyTwoWithTwoWagonsAndWithTwentyTwo) {
    auto run = Run(8);
    TRAIN* e = Place(run[0], 75.0f, ENGINE, 1, 10.0f);
    TRAIN* w1 = Place(run[0], 50.0f, WAGON);
    TRAIN* w2 = Place(run[0], 25.0f, WAGON);
    TRAIN::Couple(e, 1, w1, 0);
    TRAIN::Couple(w1, 1, w2, 0);
    trainList.Move();
    EXPECT_EQ(2.0f, e->trailingLoad);
    EXPECT_EQ(0.0f, e->pushingEngines);
    EXPECT_NEAR(0.90909f * 10.0f, e->targetSpeed, 1e-4);
    // The wagons followed coupler to coupler.
    EXPECT_TRUE(CouplersClose(e, 1));
    EXPECT_TRUE(CouplersClose(w1, 1));
    EXPECT_GT(w2->posDistance, 1.0f);

    trainList.DeleteAll();
    TRAIN* big = Place(run[7], 50.0f, ENGINE, 1, 10.0f);
    TRAIN* prev = big;
    for (int i = 0; i < 22; i++) {
        // 1.0 apart going backwards from the engine: 4 wagons per piece.
        float at = 30.0f - (i + 1) * 1.0f;
        int piece = static_cast<int>(at / 4.0f);
        TRAIN* w = Place(run[piece], (at - piece * 4.0f) * 25.0f, WAGON);
        TRAIN::Couple(prev, 1, w, 0);
        prev = w;
    }
    float before = big->posDistance;
    Frames(5);
    EXPECT_EQ(22.0f, big->trailingLoad);
    EXPECT_EQ(0.0f, big->targetSpeed);
    EXPECT_EQ(0.0f, big->speed);
    EXPECT_EQ(before, big->posDistance);
}

TEST_F(TrainSpeed, SecondEngineWithSetSpeedSharesTheTarget) {
    auto run = Run(3);
    TRAIN* a = Place(run[1], 50.0f, ENGINE, 1, 10.0f);
    TRAIN* b = Place(run[1], 25.0f, ENGINE, 1, 10.0f);
    TRAIN::Couple(a, 1, b, 0);
    trainList.Move();
    EXPECT_EQ(1.0f, a->pushingEngines);
    EXPECT_EQ(0.0f, a->trailingLoad);
    EXPECT_NEAR(5.0f, a->targetSpeed, 1e-5);
    EXPECT_TRUE(CouplersClose(a, 1));
}

TEST_F(TrainSpeed, PowerModeTakesTheSetSpeedFromThePiece) {
    auto run = Run(2);
    run[0]->powerValue = 5;
    run[1]->powerValue = -3;
    layoutState.SetMode(1);
    TRAIN* e = Place(run[0], 20.0f, ENGINE, 1, 0.0f);
    trainList.Move();
    EXPECT_FLOAT_EQ(10.0f, e->setSpeed);
    TRAIN* f = Place(run[1], 50.0f, ENGINE, 1, 0.0f);
    trainList.Move();
    EXPECT_FLOAT_EQ(-6.0f, f->setSpeed);
}

TEST_F(TrainSpeed, BarriersStartStoppedEnginesAndStopOnlyTowardsTheirSide) {
    auto run = Run(1);
    TRACK* p = run[0];
    p->bBarrier = 1;
    p->barrierSide = 1;
    p->barrierShown = 2;
    TRAIN* e = Place(p, 50.0f, ENGINE, 1, 0.0f);
    trainList.Move();
    EXPECT_FLOAT_EQ(-20.0f, e->setSpeed);

    p->barrierSide = 0;
    e->setSpeed = 0.0f;
    trainList.Move();
    EXPECT_FLOAT_EQ(20.0f, e->setSpeed);

    // Stop on side 0 stops positive set speeds only.
    p->barrierShown = 1;
    e->setSpeed = -10.0f;
    trainList.Move();
    EXPECT_FLOAT_EQ(-10.0f, e->setSpeed);
    e->setSpeed = 10.0f;
    trainList.Move();
    EXPECT_FLOAT_EQ(0.0f, e->setSpeed);
    p->barrierSide = 1;
    e->setSpeed = -10.0f;
    trainList.Move();
    EXPECT_FLOAT_EQ(0.0f, e->setSpeed);
    // Go on a running engine changes nothing.
    p->barrierShown = 2;
    e->setSpeed = 7.0f;
    trainList.Move();
    EXPECT_FLOAT_EQ(7.0f, e->setSpeed);
}

TEST_F(TrainSpeed, StartedAndStoppedFlagsIncludingReversal) {
    TRAIN t;
    t.frameSpeed = 0.0f;
    t.SpeedfunctionForMovecheck(1);
    t.frameSpeed = 2.0f;
    t.SpeedfunctionForMovecheck(2);
    EXPECT_EQ(1, t.bStarted);
    EXPECT_EQ(0, t.bStopped);
    t.SpeedfunctionForMovecheck(1);
    EXPECT_EQ(2.0f, t.lastFrameSpeed);
    EXPECT_EQ(0.0f, t.frameSpeed);
    EXPECT_EQ(0, t.bStarted);
    t.frameSpeed = 0.0005f;
    t.SpeedfunctionForMovecheck(2);
    EXPECT_EQ(0, t.bStarted);
    EXPECT_EQ(1, t.bStopped);
    t.lastFrameSpeed = 1.0f;
    t.frameSpeed = -1.0f;
    t.bStarted = t.bStopped = 0;
    t.SpeedfunctionForMovecheck(2);
    EXPECT_EQ(1, t.bStarted);
    EXPECT_EQ(1, t.bStopped);

    StartOwnLog();
    t.SpeedfunctionForMovecheck(3);
    EXPECT_NE(std::string::npos, ReadOwnLog().find("Unknown function by TRAIN:SpeedfunctionForMovecheck()"));
}

TEST_F(TrainSpeed, DivisionsAreGuardedForZeroTractionBaseSpeedAndLength) {
    myGlobs.xObjects[GetXID(ENGINE, 0)].traction = 0;
    auto run = Run(2);
    TRAIN* e = Place(run[0], 50.0f, ENGINE, 1, 10.0f);
    TRAIN* w = Place(run[0], 10.0f, WAGON);
    TRAIN::Couple(e, 1, w, 0);
    e->baseSpeed = 0;
    Frames(3);
    EXPECT_TRUE(std::isfinite(e->speed));
    EXPECT_TRUE(std::isfinite(e->posDistance));
    EXPECT_TRUE(std::isfinite(e->vPos.x));
    // A piece without length stops the walk instead of dividing by zero.
    run[1]->length = 0.0f;
    e->posDistance = 0.99f;
    e->posPercent = 99.0f;
    e->speed = 20.0f;
    Frames(3);
    EXPECT_TRUE(std::isfinite(e->posPercent));
    EXPECT_TRUE(std::isfinite(e->vPos.x));
}

} // namespace
