// The train list: coupling distances, detach rules and their files, the
// free-place check, deleting with its cascade and crash copies, poses.
#include <fstream>
#include <sstream>

#include "world/smoke.h"
#include "train_test.h"

namespace {

class TrainList : public TrainTest {};

std::string ReadLog() { return ReadOwnLog(); }

TEST_F(TrainList, CouplingClosenessOnOnePieceAndAcrossPieces) {
    auto run = Run(2);
    EXPECT_TRUE(IsCouplingClose(run[0], 1.00f, run[0], 1.02f));
    EXPECT_FALSE(IsCouplingClose(run[0], 1.00f, run[0], 1.05f));
    EXPECT_TRUE(IsCouplingClose(run[0], 3.99f, run[1], 0.01f));
    EXPECT_FALSE(IsCouplingClose(run[0], 3.95f, run[1], 0.01f));
    EXPECT_FALSE(IsCouplingClose(nullptr, 0.0f, run[1], 0.0f));

    // Couplers drifted apart are parted by the check of the move pass.
    TRAIN* e = Place(run[0], 50.0f, ENGINE);
    TRAIN* w = Place(run[0], 24.5f, WAGON); // 0.02 between the couplers
    TRAIN::Couple(e, 1, w, 0);
    trainList.Move();
    EXPECT_EQ(w, e->pCoupled1);
    w->posDistance = 0.9f;
    w->posPercent = 22.5f; // 0.1 apart
    StartOwnLog();
    trainList.Move();
    EXPECT_EQ(nullptr, e->pCoupled1);
    EXPECT_EQ(nullptr, w->pCoupled0);
    EXPECT_NE(std::string::npos, ReadLog().find("Disconnected because of MAXCONDELTA..."));
}

TEST_F(TrainList, CouplingPointsAndDistanceFollowOrientation) {
    auto run = Run(2);
    TRAIN* a = Place(run[0], 50.0f, ENGINE, 1);
    TRAIN* b = Place(run[0], 25.0f, WAGON, -1);
    float pos = 0.0f;
    int flip = 0;
    EXPECT_EQ(run[0], a->GetCouplingPoint(0, &pos, &flip));
    EXPECT_NEAR(2.5f, pos, 1e-6);
    EXPECT_EQ(run[0], a->GetCouplingPoint(1, &pos, &flip));
    EXPECT_NEAR(1.5f, pos, 1e-6);
    EXPECT_EQ(run[0], b->GetCouplingPoint(0, &pos, &flip));
    EXPECT_NEAR(0.5f, pos, 1e-6); // turned round: coupler 0 points back
    TRAIN::Couple(a, 1, b, 1);
    float d = 0.0f;
    EXPECT_EQ(1, a->DistanceTo(b, &d));
    EXPECT_NEAR(1.0f, d, 1e-6);
    EXPECT_EQ(1, b->DistanceTo(a, &d));
    EXPECT_NEAR(1.0f, d, 1e-6);
    TRAIN::UnlinkBoth(b, a);
    EXPECT_EQ(nullptr, a->pCoupled1);
    EXPECT_EQ(nullptr, b->pCoupled1);
    // Not reachable within the search length.
    TRAIN* far = Place(run[1], 90.0f, WAGON);
    TRAIN::Couple(a, 0, far, 1);
    EXPECT_EQ(0, a->DistanceTo(far, &d));
    EXPECT_EQ(0.0f, d);
}

TEST_F(TrainList, NodRuleKeepsSteamEnginesInBothRoleOrders) {
    {
        std::ofstream f("traindetach1.bin");
        f << "10 FRONT ALLSTEAMENGINES BACK NOD\n";
    }
    {
        std::ofstream f("traindetach2.bin");
        f << "30 FRONT ALLSTEAMENGINES BACK KEEP\n99 FRONT";
    }
    StartOwnLog();
    trainList.LoadAllDetachInfo();
    std::string log = ReadLog();
    EXPECT_NE(std::string::npos, log.find("Reading from file: traindetach1.bin"));
    EXPECT_NE(std::string::npos, log.find(" ... file processed"));
    int rules = 0;
    for (const TRAIN_DETACH_RULE* r = trainList.GetDetachRules(); r; r = r->pNext) rules++;
    EXPECT_EQ(2, rules); // the broken group at the end is not a rule
    const TRAIN_DETACH_RULE* newest = trainList.GetDetachRules();
    EXPECT_EQ(30, newest->objId);
    EXPECT_EQ(0, newest->end);
    EXPECT_EQ(-1, newest->otherObjId);
    EXPECT_EQ(1, newest->otherEnd);
    EXPECT_EQ(1, newest->ruleKind);

    TRAIN w, steam, pw, other;
    w.objId = WAGON;
    steam.objId = STEAM;
    pw.objId = PWAGON;
    other.objId = ENGINE;
    // Wagon 10 as A and as B.
    EXPECT_EQ(0, trainList.IsDetachAllowed(&w, 0, &steam, 1));
    EXPECT_EQ(0, trainList.IsDetachAllowed(&steam, 1, &w, 0));
    // Other couplers, other partners: allowed.
    EXPECT_EQ(1, trainList.IsDetachAllowed(&w, 1, &steam, 1));
    EXPECT_EQ(1, trainList.IsDetachAllowed(&w, 0, &steam, 0));
    EXPECT_EQ(1, trainList.IsDetachAllowed(&w, 0, &other, 1));
    // The same rule for 30 with another fifth word has no effect.
    EXPECT_EQ(1, trainList.IsDetachAllowed(&pw, 0, &steam, 1));
    EXPECT_EQ(1, trainList.IsDetachAllowed(&steam, 1, &pw, 0));

    // Uncoupling without the rules ignores them; with them it is refused.
    TRAIN::Couple(&w, 0, &steam, 1);
    EXPECT_EQ(0, TRAIN::Uncouple(&w, 0, &steam, 1, 1));
    EXPECT_EQ(&steam, w.pCoupled0);
    EXPECT_EQ(1, TRAIN::Uncouple(&w, 0, &steam, 1, 0));
    EXPECT_EQ(nullptr, w.pCoupled0);
    EXPECT_EQ(nullptr, steam.pCoupled1);

    StartOwnLog();
    trainList.LoadDetachInfo("nosuchfile");
    EXPECT_NE(std::string::npos, ReadLog().find("Unable to open train detach file: nosuchfile.bin !!!"));
    std::remove("traindetach1.bin");
    std::remove("traindetach2.bin");
}

TEST_F(TrainList, FreePlaceRefusesEndsEndPiecesAndOccupiedTrack) {
    auto run = Run(2, 0); // 1.0 straights
    TRACK* endPiece = Make(5, 2.5f, 0.0f, 0.0f);
    Link(run[1], 1, endPiece, 0);
    EXPECT_EQ(1, trainList.CheckFreePlace(run[0], 50.0f, WAGON));
    EXPECT_EQ(1, trainList.CheckFreePlace(run[1], 50.0f, WAGON)); // reaches exactly to the joint
    EXPECT_EQ(0, trainList.CheckFreePlace(run[1], 60.0f, WAGON)); // past into the end piece
    EXPECT_EQ(0, trainList.CheckFreePlace(run[0], 40.0f, WAGON)); // past the open end 0
    EXPECT_EQ(0, trainList.CheckFreePlace(endPiece, 50.0f, WAGON));
    EXPECT_EQ(0, trainList.CheckFreePlace(nullptr, 50.0f, WAGON));

    auto longRun = Run(2, 1, 10.0f);
    TRAIN* t = Place(longRun[0], 50.0f, WAGON); // covers 1.5 .. 2.5
    EXPECT_EQ(0, trainList.CheckFreePlace(longRun[0], 70.0f, WAGON)); // its coupler 0 is covered
    EXPECT_EQ(0, trainList.CheckFreePlace(longRun[0], 55.0f, WAGON));
    EXPECT_EQ(1, trainList.CheckFreePlace(longRun[0], 80.0f, WAGON));
    EXPECT_EQ(1, trainList.CheckFreePlace(longRun[1], 20.0f, WAGON));
    // A long vehicle over a short one's place: its centre lies on the long one.
    myGlobs.xObjects[GetXID(PWAGON, 0)].halfLength = 3.0f;
    trainList.DeleteTrain(t);
    TRAIN* big = Place(longRun[0], 75.0f, PWAGON); // covers 0 .. 6
    EXPECT_EQ(0, trainList.CheckFreePlace(longRun[1], 10.0f, WAGON));
    EXPECT_EQ(1, trainList.CheckFreePlace(longRun[1], 70.0f, WAGON));
    (void)big;
}

TEST_F(TrainList, ListOrderSelectionAndDeleting) {
    auto run = Run(3);
    TRAIN* a = Place(run[0], 50.0f, ENGINE);
    TRAIN* b = Place(run[1], 50.0f, WAGON);
    EXPECT_EQ(b, trainList.GetFirst()); // placed vehicles go to the head
    EXPECT_EQ(a, b->pNext);
    TRAIN rec = *a;
    TRAIN* c = trainList.AddLoadedTrain(rec);
    EXPECT_EQ(c, a->pNext); // loaded vehicles keep the file order at the tail
    EXPECT_EQ(3, trainList.GetCount());

    b->SetSelected(1);
    c->SetSelected(1);
    EXPECT_EQ(2, trainList.CountSelected());
    trainList.DeselectAll();
    EXPECT_EQ(0, trainList.CountSelected());
    c->SetSelected(1);
    TRAIN::Couple(a, 0, c, 1);
    myGlobs.journeyTrain = c;
    myGlobs.journeyMode = 1;
    layoutState.SetHighlightedObject(c);
    trainList.DeleteSelected();
    EXPECT_EQ(2, trainList.GetCount());
    EXPECT_EQ(nullptr, a->pCoupled0);
    EXPECT_EQ(nullptr, myGlobs.journeyTrain);
    EXPECT_EQ(0, myGlobs.journeyMode);
    EXPECT_EQ(nullptr, layoutState.GetHighlightedObject());

    // Deleting a piece deletes the vehicles standing on it.
    trackList.RemoveTrack(run[1]);
    EXPECT_EQ(1, trainList.GetCount());
    EXPECT_EQ(a, trainList.GetFirst());
    ClearLayout();
    EXPECT_EQ(0, trainList.GetCount());
}

TEST_F(TrainList, CrashCopiesNeverOutliveTheirVehicles) {
    auto run = Run(3);
    TRAIN* a = Place(run[0], 50.0f, ENGINE, 1, 10.0f);
    TRAIN* b = Place(run[2], 50.0f, ENGINE, 1, 6.0f);
    TRAIN* w = Place(run[1], 50.0f, WAGON);
    w->bActive = 0;
    trainList.Move();
    EXPECT_EQ(1, myGlobs.crashState);
    EXPECT_EQ(w, myGlobs.crashedTrain);
    EXPECT_EQ(2, trainList.GetStartPositionCount());
    EXPECT_EQ(0.0f, a->setSpeed);
    // Deleting an engine drops its copy; deleting the crashed wagon then
    // restores only the engine still there.
    trainList.DeleteTrain(a);
    EXPECT_EQ(1, trainList.GetStartPositionCount());
    trainList.DeleteTrain(w);
    EXPECT_EQ(0, myGlobs.crashState);
    EXPECT_FLOAT_EQ(6.0f, b->setSpeed);

    // A second crash, then the whole layout is cleared.
    TRAIN* c = Place(run[0], 50.0f, ENGINE, 1, 10.0f);
    c->bActive = 0;
    trainList.Move();
    EXPECT_EQ(c, myGlobs.crashedTrain);
    EXPECT_NE(nullptr, smokeSystem.FindSource(c, 3));
    trainList.DeleteAll();
    EXPECT_EQ(0, trainList.GetStartPositionCount());
    EXPECT_EQ(0, myGlobs.crashState);
    EXPECT_EQ(nullptr, myGlobs.crashedTrain);
    EXPECT_EQ(nullptr, smokeSystem.FindSource(c, 4));

    // Power-driven mode keeps no copies.
    layoutState.SetMode(1);
    TRAIN* d = Place(run[0], 50.0f, ENGINE);
    d->bActive = 0;
    trainList.Move();
    EXPECT_EQ(1, myGlobs.crashState);
    EXPECT_EQ(0, trainList.GetStartPositionCount());
}

TEST_F(TrainList, PoseHeadingsAndBogieHeight) {
    TRACK* east = Make(1, 0.0f, 0.0f, 0.0f, -0.2f);
    TRAIN* t = Place(east, 50.0f, WAGON, 1);
    EXPECT_NEAR(270.0f, t->heading, 1e-3);
    EXPECT_NEAR(0.0f, t->vPos.x, 1e-4);
    EXPECT_NEAR(-0.26f, t->vPos.z, 1e-4); // 0.06 above the track point
    EXPECT_NEAR(-0.26f, t->vBogie0.z, 1e-4);
    EXPECT_NEAR(0.35f, t->vBogie0.x, 1e-4); // 0.7 of the half length ahead
    EXPECT_NEAR(-0.35f, t->vBogie1.x, 1e-4);
    EXPECT_NEAR(0.0f, t->pitch, 1e-4);

    TRAIN* back = Place(east, 20.0f, WAGON, -1);
    EXPECT_NEAR(90.0f, back->heading, 1e-3);
    EXPECT_LT(back->vBogie0.x, back->vBogie1.x);

    TRACK* north = Make(1, 20.0f, 0.0f, 90.0f);
    TRAIN* n = Place(north, 50.0f, WAGON, 1);
    EXPECT_NEAR(0.0f, n->heading, 1e-3);
    EXPECT_NEAR(20.0f, n->vPos.x, 1e-4);

    // The type's bogie distance replaces 0.7 x half length.
    TRAIN* b = Place(east, 80.0f, BOGIED, 1);
    EXPECT_NEAR(0.3f, b->vBogie0.x - b->vPos.x, 1e-4);

    // Bogies off the end lie on the line beyond it.
    TRAIN* over = Place(east, 99.0f, WAGON, 1);
    EXPECT_NEAR(1.96f + 0.35f, over->vBogie0.x, 1e-3);
    EXPECT_NEAR(270.0f, std::fmod(over->heading + 360.0f, 360.0f), 1e-3);

    // Coincident bogies (no length) give a level, finite pose.
    TRAIN* flat = trainList.AddNew();
    myGlobs.xObjects[GetXID(PWAGON, 0)].halfLength = 0.0f;
    flat->PlaceOnTrack(east, 0.0f, PWAGON_TYPE, PWAGON, 50.0f);
    EXPECT_EQ(0.0f, flat->pitch);
    EXPECT_TRUE(std::isfinite(flat->heading));
}

TEST_F(TrainList, SoundAndSmokeHooksFollowTheVehicle) {
    auto run = Run(1);
    XOBJECT& x = myGlobs.xObjects[GetXID(ENGINE, 0)];
    x.hasEngineSpot = 1;
    x.engineSpot = D3DXVECTOR3(0.0f, 0.4f, -0.5f);
    TRAIN* e = Place(run[0], 50.0f, ENGINE, 1);
    ASSERT_NE(nullptr, smokeSystem.FindSource(e, 0));
    run[0]->groundState = GROUND_UNDER;
    e->UpdateSmoke();
    e->UpdateSound();
    SMOKE_SOURCE* s = smokeSystem.FindSource(e, 0);
    ASSERT_NE(nullptr, s);
    // Spot 0.4 along the vehicle (heading 270: sin = -1) and 0.5 up.
    EXPECT_NEAR(e->vPos.x - 0.4f, s->x, 1e-4);
    EXPECT_NEAR(e->vPos.z - 0.5f, s->z, 1e-4);
    EXPECT_EQ(0, s->active); // in a tunnel
    trainList.DeleteTrain(e);
    EXPECT_EQ(nullptr, smokeSystem.FindSource(e, 4));
}

} // namespace
