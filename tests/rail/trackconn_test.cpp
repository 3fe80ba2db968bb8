// Joining of track ends, group ids and walking over the track graph.
#include "track_test.h"

// A selected piece without a group snaps with the wide tolerance; pieces
// of a partly unselected group only with the narrow one.
TEST_F(TrackTest, SnapOnPullsAPieceOntoItsNeighbour) {
    TRACK* a = Make(0, 0, 0, 0);
    idPool.AssignId(a);
    TRACK* b = Make(0, 1.3f, 0, 0); // end 0 lies 0.3 from a's end 1
    b->bSelected = 1;
    EXPECT_EQ(trackList.ConnectTrack(b, 0), 1);
    EXPECT_NEAR(b->x, 1.0f, 1e-5);
    EXPECT_EQ(b->groupId, a->groupId);
    EXPECT_EQ(a->end[1].state, END_CONNECTED);
    EXPECT_EQ(a->end[1].pTrack, b);
    EXPECT_EQ(a->end[1].conEnd, 0);
    EXPECT_EQ(b->end[0].pTrack, a);
    EXPECT_EQ(b->end[0].conEnd, 1);
    EXPECT_NEAR(b->end[0].x, 0.5f, 1e-5);
}

TEST_F(TrackTest, SnapOffLeavesAnUnselectedPieceApart) {
    TRACK* a = Make(0, 0, 0, 0);
    idPool.AssignId(a);
    TRACK* b = Make(0, 1.3f, 0, 0);
    idPool.AssignId(b);
    EXPECT_EQ(trackList.ConnectTrack(b, 0), 0);
    EXPECT_NEAR(b->x, 1.3f, 1e-5);
    EXPECT_EQ(b->end[0].state, END_FREE);
    // The flag forces the narrow tolerance even for a selected piece.
    b->bSelected = 1;
    EXPECT_EQ(trackList.ConnectTrack(b, 1), 0);
    EXPECT_EQ(trackList.ConnectTrack(b, 0), 1);
}

TEST_F(TrackTest, EndsFarApartNeverJoin) {
    TRACK* a = Make(0, 0, 0, 0);
    idPool.AssignId(a);
    TRACK* b = Make(0, 1.7f, 0, 0); // 0.7 apart
    b->bSelected = 1;
    EXPECT_EQ(trackList.ConnectTrack(b, 0), 0);
    EXPECT_NEAR(b->x, 1.7f, 1e-5);
}

TEST_F(TrackTest, JoiningNeedsOppositeDirectionsWithinOneDegree) {
    TRACK* a = Make(0, 0, 0, 0);
    idPool.AssignId(a);
    TRACK* b = Make(0, 1.0f, 0, 0.5f);
    b->bSelected = 1;
    EXPECT_EQ(trackList.ConnectTrack(b, 0), 1);
    trackList.DeleteAll();
    idPool.Reset();
    a = Make(0, 0, 0, 0);
    idPool.AssignId(a);
    b = Make(0, 1.0f, 0, 1.5f);
    b->bSelected = 1;
    EXPECT_EQ(trackList.ConnectTrack(b, 0), 0);
    EXPECT_EQ(CheckConnectAngle(a, 3, b, 0), 0);
    EXPECT_EQ(CheckConnectAngle(a, 1, b, -1), 0);
}

TEST_F(TrackTest, APieceOnTheSameReferencePointIsNoPartner) {
    TRACK* a = Make(0, 0, 0, 0);
    idPool.AssignId(a);
    TRACK* b = Make(0, 0, 0, 180);
    b->bSelected = 1;
    EXPECT_EQ(trackList.ConnectTrack(b, 0), 0);
}

TEST_F(TrackTest, JoiningMergesGroupsAndFreesTheOldId) {
    TRACK* a = Make(0, 0, 0, 0);
    TRACK* b = Make(0, 1.1f, 0, 0);
    idPool.AssignId(a);
    idPool.AssignId(b);
    ASSERT_EQ(idPool.GetCount(), 2);
    a->bSelected = b->bSelected = 1;
    EXPECT_EQ(trackList.ConnectTrack(b, 0), 1);
    EXPECT_EQ(a->groupId, b->groupId);
    EXPECT_EQ(idPool.GetCount(), 1);
    // b's group moved onto a.
    EXPECT_NEAR(b->x, 1.0f, 1e-5);
    EXPECT_TRUE(trackList.IsGroupAllSelected(a->groupId));
    a->bSelected = 0;
    EXPECT_FALSE(trackList.IsGroupAllSelected(a->groupId));
}

TEST_F(TrackTest, RebuildConnectionsJoinsTouchingPiecesIntoOneGroup) {
    TRACK* a = Make(0, 0, 0, 0);
    TRACK* b = Make(0, 1, 0, 0);
    TRACK* c = Make(2, 0, 10, 0); // apart
    TRACK* d = Make(0, 2, 0, 0);
    trackList.RebuildConnections();
    EXPECT_EQ(a->groupId, b->groupId);
    EXPECT_EQ(b->groupId, d->groupId);
    EXPECT_NE(c->groupId, a->groupId);
    EXPECT_NE(c->groupId, 0);
    EXPECT_EQ(idPool.GetCount(), 2);
    EXPECT_EQ(b->end[0].pTrack, a);
    EXPECT_EQ(b->end[1].pTrack, d);
    EXPECT_EQ(c->end[0].state, END_FREE);
    EXPECT_GT(c->end[0].x, -1000.0f); // ends stored again after the rebuild
}

TEST_F(TrackTest, SetGroupOfRunFollowsConnectedEnds) {
    TRACK* a = Make(0, 0, 0, 0);
    TRACK* b = Make(0, 1, 0, 0);
    TRACK* c = Make(0, 5, 0, 0);
    Link(a, 1, b, 0);
    trackList.SetGroupOfRun(a, 42);
    EXPECT_EQ(a->groupId, 42);
    EXPECT_EQ(b->groupId, 42);
    EXPECT_NE(c->groupId, 42);
}

TEST_F(TrackTest, IdPoolHandsOutLargestPlusOne) {
    TRACK t;
    EXPECT_EQ(idPool.AssignId(&t), 1);
    EXPECT_EQ(t.groupId, 1);
    EXPECT_EQ(idPool.AssignId(&t), 2);
    EXPECT_EQ(idPool.AssignId(nullptr), 3);
    idPool.FreeId(3);
    EXPECT_EQ(idPool.AssignId(nullptr), 3);
    idPool.FreeId(1);
    EXPECT_EQ(idPool.AssignId(nullptr), 4);
    EXPECT_FALSE(idPool.IsInUse(1));
    idPool.Reset();
    EXPECT_EQ(idPool.GetCount(), 0);
    EXPECT_EQ(idPool.AssignId(nullptr), 1);
}

TEST_F(TrackTest, WalkAcrossAJoinFlipsTheDirection) {
    TRACK* a = Make(0, 0, 0, 0);      // 1.0 from (-0.5,0) to (0.5,0)
    TRACK* b = Make(1, 2.5f, 0, 180); // 4.0 from (4.5,0) to (0.5,0)
    Link(a, 1, b, 1);
    float pos;
    int flipped, branch;
    TRACK* r = WalkAlongTrack(a, 0.5f, 1, 3.0f, &pos, &flipped, &branch);
    EXPECT_EQ(r, b);
    EXPECT_NEAR(pos, 1.5f, 1e-5);
    EXPECT_EQ(flipped, 1);
    EXPECT_EQ(branch, 2);
    // And back again.
    r = WalkAlongTrack(b, 1.5f, 1, 2.5f, &pos, &flipped, &branch);
    EXPECT_EQ(r, a);
    EXPECT_NEAR(pos, 1.0f, 1e-5);
    EXPECT_EQ(flipped, 1);
}

TEST_F(TrackTest, WalkOffAFreeEndGivesNoPiece) {
    TRACK* a = Make(0, 0, 0, 0);
    float pos = 5;
    int flipped;
    EXPECT_EQ(WalkAlongTrack(a, 0.5f, 1, 0.6f, &pos, &flipped, nullptr), nullptr);
    EXPECT_EQ(pos, 0.0f);
    EXPECT_EQ(WalkAlongTrack(a, 0.5f, 1, -0.6f, &pos, &flipped, nullptr), nullptr);
    EXPECT_EQ(WalkAlongTrack(a, 0.5f, 1, 0.2f, &pos, &flipped, nullptr), a);
    EXPECT_NEAR(pos, 0.7f, 1e-6);
}

TEST_F(TrackTest, WalkThroughSwitchBranches) {
    TRACK* s = Make(3, 0, 0, 0);
    TRACK* in = Make(0, 0, 0, 0);
    TRACK* out1 = Make(0, 0, 0, 0);
    TRACK* out2 = Make(0, 0, 0, 0);
    Link(in, 1, s, 0);
    Link(s, 1, out1, 0);
    Link(s, 2, out2, 0);
    float pos;
    int flipped, branch;
    // Entering by end 0 follows the switch state.
    s->switchState = 2;
    EXPECT_EQ(WalkAlongTrack(in, 0.5f, 1, 0.6f, &pos, &flipped, &branch), s);
    EXPECT_EQ(branch, 2);
    EXPECT_EQ(WalkAlongTrack(s, 0.0f, 2, s->length + 0.1f, &pos, &flipped, &branch), out1);
    s->switchState = 1;
    EXPECT_EQ(WalkAlongTrack(in, 0.5f, 1, 0.6f, &pos, &flipped, &branch), s);
    EXPECT_EQ(branch, 1);
    EXPECT_EQ(WalkAlongTrack(s, 0.0f, 1, s->length + 0.1f, &pos, &flipped, &branch), out2);
    // Entering by end 2 is branch 1, by end 1 branch 2.
    EXPECT_EQ(WalkAlongTrack(out2, 0.5f, 1, -0.6f, &pos, &flipped, &branch), s);
    EXPECT_EQ(branch, 1);
    EXPECT_EQ(flipped, 0);
    EXPECT_NEAR(pos, s->length - 0.1f, 1e-5);
    EXPECT_EQ(WalkAlongTrack(out1, 0.5f, 1, -0.6f, &pos, &flipped, &branch), s);
    EXPECT_EQ(branch, 2);
}

TEST_F(TrackTest, WalkOverPiecesWithoutLengthEnds) {
    TRACK* a = Make(0, 0, 0, 0);
    TRACK* b = Make(0, 1, 0, 0);
    Link(a, 1, b, 0);
    Link(b, 1, a, 0);
    b->length = 0.0f;
    float pos;
    int flipped;
    TRACK* r = WalkAlongTrack(a, 0.5f, 1, 1000.0f, &pos, &flipped, nullptr);
    EXPECT_EQ(r, b);
    b->length = -1.0f;
    r = WalkAlongTrack(a, 0.5f, 1, 1000.0f, &pos, &flipped, nullptr);
    EXPECT_EQ(r, b);
    // A closed loop of real length is walked round, not forever.
    b->length = 1.0f;
    r = WalkAlongTrack(a, 0.5f, 1, 1000.25f, &pos, &flipped, nullptr);
    EXPECT_EQ(r, a);
    EXPECT_NEAR(pos, 0.75f, 1e-3);
}

TEST_F(TrackTest, CouplingClosenessOnOneAndAcrossPieces) {
    TRACK* a = Make(0, 0, 0, 0);
    TRACK* b = Make(0, 1, 0, 0);
    EXPECT_TRUE(IsCouplingClose(a, 0.50f, a, 0.52f));
    EXPECT_FALSE(IsCouplingClose(a, 0.50f, a, 0.55f));
    EXPECT_TRUE(IsCouplingClose(a, 0.99f, b, 0.01f));
    EXPECT_FALSE(IsCouplingClose(a, 0.95f, b, 0.01f));
    EXPECT_FALSE(IsCouplingClose(nullptr, 0, b, 0));
}
