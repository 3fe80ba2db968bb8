// Track heights under the slope limit, levelling, dragging and gap completion.
#include "track_test.h"

namespace {
void SetEnds(TRACK* p, float z0, float z1) {
    p->end[0].z = z0;
    p->end[1].z = z1;
    if (p->IsSwitch()) p->end[2].z = z1;
    p->DetPitch();
}
} // namespace

TEST_F(TrackTest, CarriedHeightKeepsTheSlopeLimit) {
    TRACK* n = Make(0, -2.5f, 0, 0, 0.0f);
    TRACK* s = Make(1, 0, 0, 0, 0.0f); // 4.0 straight
    TRACK* t = Make(0, 2.5f, 0, 0, 0.0f);
    Link(n, 1, s, 0);
    Link(s, 1, t, 0);
    SetEnds(n, 0, 0);
    SetEnds(s, 0, 0);
    SetEnds(t, 0, 0);
    trackList.CarryHeight(s, 0, 1.0f, 1);
    EXPECT_FLOAT_EQ(s->end[0].z, 1.0f);
    EXPECT_NEAR(s->end[1].z, 0.6f, 1e-5);
    EXPECT_NEAR(s->z, 0.8f, 1e-5);
    EXPECT_NEAR(s->pitch, std::atan(0.4 / 4.0) * 180 / 3.14159265, 1e-3);
    // The next piece is entered at the height reached and limited again.
    EXPECT_NEAR(t->end[0].z, 0.6f, 1e-5);
    EXPECT_NEAR(t->end[1].z, 0.5f, 1e-5);
    // The piece behind the changed end is not touched by the carry.
    EXPECT_FLOAT_EQ(n->end[1].z, 0.0f);
}

TEST_F(TrackTest, CarryInTheWrongDirectionDoesNothing) {
    TRACK* s = Make(1, 0, 0, 0, 0.0f);
    SetEnds(s, 0, 0);
    trackList.CarryHeight(s, 0, -0.5f, 1);
    EXPECT_FLOAT_EQ(s->end[0].z, 0.0f);
    trackList.CarryHeight(s, 0, 0.5f, -1);
    EXPECT_FLOAT_EQ(s->end[0].z, 0.0f);
}

TEST_F(TrackTest, CarryRoundAClosedLoopEnds) {
    TRACK* a = Make(0, 0, 0, 0, 0.0f);
    TRACK* b = Make(0, 1, 0, 0, 0.0f);
    TRACK* c = Make(0, 2, 0, 0, 0.0f);
    Link(a, 1, b, 0);
    Link(b, 1, c, 0);
    Link(c, 1, a, 0);
    for (TRACK* p : {a, b, c}) SetEnds(p, 0, 0);
    trackList.CarryHeight(a, 0, -5.0f, -1);
    // The change went round once and stopped where the slope allowed it.
    EXPECT_LT(a->end[0].z, -4.0f);
    for (TRACK* p : {a, b, c}) {
        EXPECT_TRUE(std::isfinite(p->end[0].z));
        EXPECT_LE(p->end[1].z, 0.0f);
    }
}

TEST_F(TrackTest, JoinLevelsOnlyBeyondTwoHundredths) {
    TRACK* q = Make(0, 0, 0, 0, -0.5f);
    TRACK* p = Make(0, 1, 0, 0, -0.49f);
    SetEnds(q, -0.5f, -0.5f);
    SetEnds(p, -0.49f, -0.49f);
    Link(q, 1, p, 0);
    trackList.AdjustHeightsAtJoin(p, 0);
    EXPECT_FLOAT_EQ(p->end[0].z, -0.49f);
    SetEnds(p, -0.45f, -0.45f);
    trackList.AdjustHeightsAtJoin(p, 0);
    EXPECT_FLOAT_EQ(p->end[0].z, -0.5f);
    EXPECT_FLOAT_EQ(p->end[1].z, -0.5f);
    EXPECT_FLOAT_EQ(p->z, -0.5f);
    EXPECT_FLOAT_EQ(p->pitch, 0.0f);
}

TEST_F(TrackTest, LevellingCarriesTheLevelHeightOn) {
    TRACK* p = Make(0, 0, 0, 0, 0.0f);
    TRACK* n = Make(0, 1, 0, 0, 0.0f);
    Link(p, 1, n, 0);
    SetEnds(p, -0.2f, -0.4f);
    SetEnds(n, -0.4f, -0.4f);
    trackList.LevelTrack(p, 1);
    EXPECT_NEAR(trackList.GetLevelHeight(), -0.3f, 1e-6);
    EXPECT_NEAR(p->end[0].z, -0.3f, 1e-6);
    EXPECT_NEAR(p->end[1].z, -0.3f, 1e-6);
    // The neighbour's joined end goes down to -0.3, its far end stays within
    // the slope limit of 0.1.
    EXPECT_NEAR(n->end[0].z, -0.3f, 1e-6);
    EXPECT_NEAR(n->end[1].z, -0.4f, 1e-6);
}

TEST_F(TrackTest, DragMovesFlatOrTiltsAboutAPivot) {
    TRACK* p = Make(0, 0, 0, 0, 0.0f);
    SetEnds(p, -0.5f, -0.3f);
    trackList.DragTrackHeight(p, 0, 1);
    trackList.DragTrackHeight(p, -25.0f, 2); // e = -0.4 - 0.5
    EXPECT_NEAR(p->end[0].z, -0.9f, 1e-5);
    EXPECT_NEAR(p->end[1].z, -0.9f, 1e-5);

    SetEnds(p, -0.5f, -1.0f);
    trackList.DragTrackHeight(p, 0, 1);
    trackList.DragTrackHeight(p, -10.0f, 2); // e = -0.75 - 0.2, end 1 already above
    EXPECT_NEAR(p->end[1].z, -1.0f, 1e-5);
    EXPECT_NEAR(p->end[0].z, -0.9f, 1e-5);
}

TEST_F(TrackTest, DragNeverTakesTrackBelowTheZeroLevel) {
    TRACK* p = Make(0, 0, 0, 0, 0.0f);
    SetEnds(p, -0.5f, -0.5f);
    trackList.DragTrackHeight(p, 0, 1);
    trackList.DragTrackHeight(p, 1000.0f, 2);
    EXPECT_LE(p->end[0].z, -0.01f);
    EXPECT_LE(p->end[1].z, -0.01f);
    SetEnds(p, -0.02f, -2.0f);
    trackList.DragTrackHeight(p, 0, 1);
    trackList.DragTrackHeight(p, 1000.0f, 2);
    EXPECT_LE(p->end[0].z, -0.01f);
    EXPECT_LE(p->end[1].z, -0.01f);
}

// ---------------------------------------------------------------------------
// Gap completion

class GapTest : public TrackTest {
protected:
    // f's end 1 at x = 0.5 faces g's end 0 at x = 3.8 + gap offsets; both have
    // their other end joined.
    void MakeGap(float gx, float gy, float gHeading = 0.0f) {
        h = Make(0, -1, 0, 0);
        f = Make(0, 0, 0, 0);
        g = Make(0, gx, gy, gHeading);
        float kx = gx + float(std::cos(gHeading * 3.14159265 / 180)), ky = gy + float(std::sin(gHeading * 3.14159265 / 180));
        k = Make(0, kx, ky, gHeading);
        Link(h, 1, f, 0);
        Link(g, 1, k, 0);
        idPool.AssignId(f);
        h->groupId = g->groupId = k->groupId = f->groupId;
        f->bSelected = g->bSelected = 1;
    }
    TRACK *h = nullptr, *f = nullptr, *g = nullptr, *k = nullptr;
};

TEST_F(GapTest, GapOf3Point3IsClosedWithThreeStraightsAndOneShortOne) {
    MakeGap(4.3f, 0);
    TRACK *first, *second;
    float along, side;
    int sign;
    ASSERT_EQ(trackList.DetCompleteRoadGap(&first, &second, &along, &side, &sign), 100);
    EXPECT_EQ(first, f);
    EXPECT_EQ(second, g);
    EXPECT_NEAR(along, 3.3f, 1e-5);
    EXPECT_EQ(side, 0.0f);
    EXPECT_EQ(sign, 0);
    int before = trackList.GetCount();
    EXPECT_EQ(trackList.InsertCompleteRoad(first, second, along, side, sign), 100);
    EXPECT_EQ(trackList.GetCount(), before + 4);
    TRACK* p = f;
    const float expected[4] = {1, 1, 1, 0.3f};
    for (int i = 0; i < 4; i++) {
        ASSERT_EQ(p->end[1].state, END_CONNECTED);
        TRACK* n = p->end[1].pTrack;
        EXPECT_EQ(n->end[0].pTrack, p);
        EXPECT_NEAR(n->length, expected[i], 1e-5);
        EXPECT_EQ(n->kind, i < 3 ? TRACK_STRAIGHT : TRACK_STRETCHED);
        p = n;
    }
    EXPECT_EQ(p->end[1].state, END_FREE);
    EXPECT_NEAR(p->end[1].x, 3.8f, 1e-4);
    trackList.RebuildConnections();
    EXPECT_EQ(p->end[1].pTrack, g);
}

TEST_F(GapTest, SelectionAndShapeFailures) {
    MakeGap(4.3f, 0);
    TRACK *first, *second;
    float along, side;
    int sign;
    g->bSelected = 0;
    EXPECT_EQ(trackList.DetCompleteRoadGap(&first, &second, &along, &side, &sign), 420);
    TRACK* s = Make(3, 20, 20, 0);
    s->bSelected = 1;
    EXPECT_EQ(trackList.DetCompleteRoadGap(&first, &second, &along, &side, &sign), 440);
    s->bSelected = 0;
    TRACK* e = Make(5, 30, 30, 0);
    e->bSelected = 1;
    EXPECT_EQ(trackList.DetCompleteRoadGap(&first, &second, &along, &side, &sign), 441);
    e->bSelected = 0;
    TRACK* lone = Make(0, 40, 40, 180);
    lone->bSelected = 1;
    EXPECT_EQ(trackList.DetCompleteRoadGap(&first, &second, &along, &side, &sign), 430);
    lone->bSelected = 0;
    g->bSelected = 1;
    g->groupId = 99;
    EXPECT_EQ(trackList.DetCompleteRoadGap(&first, &second, &along, &side, &sign), 450);
}

TEST_F(GapTest, EndsThatDoNotFaceEachOther) {
    MakeGap(4.3f, 0, 90.0f);
    TRACK *first, *second;
    float along, side;
    int sign;
    EXPECT_EQ(trackList.DetCompleteRoadGap(&first, &second, &along, &side, &sign), 460);
}

TEST_F(GapTest, GapBehindTheFirstEnd) {
    MakeGap(-4.3f, 0);
    TRACK *first, *second;
    float along, side;
    int sign;
    int before = trackList.GetCount();
    EXPECT_EQ(trackList.DetCompleteRoadGap(&first, &second, &along, &side, &sign), 470);
    EXPECT_EQ(trackList.GetCount(), before);
}

TEST_F(GapTest, SideOffsetWithoutCurvesCannotBeTakenUp) {
    MakeGap(4.3f, 1.0f);
    TRACK *first, *second;
    float along, side;
    int sign;
    ASSERT_EQ(trackList.DetCompleteRoadGap(&first, &second, &along, &side, &sign), 100);
    EXPECT_NEAR(side, 1.0f, 1e-5);
    EXPECT_EQ(sign, 1);
    int before = trackList.GetCount();
    EXPECT_EQ(trackList.InsertCompleteRoad(first, second, along, side, sign), 480);
    EXPECT_EQ(trackList.GetCount(), before);
}

TEST_F(TrackTest, InsertingIntoAJoinedEndShiftsTheRunBehind) {
    TRACK* a = Make(0, 0, 0, 0);
    TRACK* b = Make(0, 1, 0, 0);
    TRACK* c = Make(0, 2, 0, 0);
    Link(a, 1, b, 0);
    Link(b, 1, c, 0);
    InsertTrack(b, 0, 0.5f);
    // b and c moved on by 0.5 along +x; the new piece sits between a and b.
    EXPECT_NEAR(b->x, 1.5f, 1e-5);
    EXPECT_NEAR(c->x, 2.5f, 1e-5);
    EXPECT_NEAR(a->x, 0.0f, 1e-5);
    TRACK* n = b->end[0].pTrack;
    ASSERT_NE(n, nullptr);
    EXPECT_NE(n, a);
    EXPECT_EQ(a->end[1].pTrack, n);
    EXPECT_EQ(n->end[0].pTrack, b);
    EXPECT_EQ(n->end[1].pTrack, a);
    EXPECT_NEAR(n->length, 0.5f, 1e-6);
    // Too short to insert.
    int before = trackList.GetCount();
    InsertTrack(c, 1, 0.01f);
    EXPECT_EQ(trackList.GetCount(), before);
}
