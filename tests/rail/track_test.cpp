// Track pieces: end points, positions along pieces, names, clipboard,
// removal and the track section of a layout file.
#include "track_test.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "rail/layoutfile.h"

namespace {
constexpr double DEG = 3.14159265358979323846 / 180.0;
const float R = 5.5f;

D3DXVECTOR3 End(const TRACK* p, int i) { return p->GetEndPoint(i); }
} // namespace

TEST_F(TrackTest, EndPointsOfStraightsAtHeadings0And90) {
    TRACK* a = Make(1, 0, 0, 0);
    EXPECT_POINT(End(a, 0), -2.0f, 0.0f);
    EXPECT_POINT(End(a, 1), 2.0f, 0.0f);
    EXPECT_EQ(a->end[2].state, END_NONE);
    TRACK* b = Make(1, 10, 0, 90);
    EXPECT_POINT(End(b, 0), 10.0f, -2.0f);
    EXPECT_POINT(End(b, 1), 10.0f, 2.0f);
    EXPECT_FLOAT_EQ(a->end[0].z, -0.01f);
}

TEST_F(TrackTest, EndPointsOfCurveLieOnTheArcAroundTheReferencePoint) {
    for (float h : {0.0f, 90.0f}) {
        TRACK* c = Make(2, 0, 0, h);
        double a = h * DEG;
        // The chord from end 0 to end 1 of a 22.5-degree arc turning left.
        double cx = R * std::sin(22.5 * DEG), cy = R * (1 - std::cos(22.5 * DEG));
        D3DXVECTOR3 e0 = End(c, 0), e1 = End(c, 1);
        EXPECT_NEAR(e1.x - e0.x, cx * std::cos(a) - cy * std::sin(a), 1e-4);
        EXPECT_NEAR(e1.y - e0.y, cx * std::sin(a) + cy * std::cos(a), 1e-4);
        // The centre lies R to the left of end 0; the reference point is on
        // the arc, half way.
        double ox = e0.x - R * std::sin(a), oy = e0.y + R * std::cos(a);
        EXPECT_NEAR(std::hypot(e1.x - ox, e1.y - oy), R, 1e-4);
        EXPECT_NEAR(std::hypot(c->x - ox, c->y - oy), R, 1e-4);
        EXPECT_NEAR(std::hypot(c->x - e0.x, c->y - e0.y), std::hypot(c->x - e1.x, c->y - e1.y), 1e-4);
        trackList.DeleteAll();
    }
}

TEST_F(TrackTest, EndPointsOfSwitches) {
    for (float h : {0.0f, 90.0f}) {
        double a = h * DEG;
        TRACK* rs = Make(3, 0, 0, h);
        TRACK* ls = Make(4, 20, 0, h);
        for (TRACK* s : {rs, ls}) {
            EXPECT_EQ(s->end[2].state, END_FREE);
            D3DXVECTOR3 e0 = End(s, 0), e2 = End(s, 2);
            EXPECT_NEAR(e2.x - e0.x, 2.0 * std::cos(a), 1e-4);
            EXPECT_NEAR(e2.y - e0.y, 2.0 * std::sin(a), 1e-4);
        }
        // Right switch turns left of the heading (+22.5), the left switch the
        // other way: their curved ends mirror each other about the straight.
        double side = R * (1 - std::cos(22.5 * DEG));
        D3DXVECTOR3 r0 = End(rs, 0), r1 = End(rs, 1), l0 = End(ls, 0), l1 = End(ls, 1);
        double rLat = -(r1.x - r0.x) * std::sin(a) + (r1.y - r0.y) * std::cos(a);
        double lLat = -(l1.x - l0.x) * std::sin(a) + (l1.y - l0.y) * std::cos(a);
        EXPECT_NEAR(rLat, side, 1e-4);
        EXPECT_NEAR(lLat, -side, 1e-4);
        trackList.DeleteAll();
    }
}

TEST_F(TrackTest, EndPieceHasOneFreeEnd) {
    TRACK* e = Make(5, 0, 0, 0);
    EXPECT_EQ(e->kind, TRACK_ENDPIECE);
    EXPECT_EQ(e->bEndPiece, 1);
    EXPECT_EQ(e->end[0].state, END_FREE);
    EXPECT_EQ(e->end[1].state, END_NONE);
    EXPECT_EQ(e->end[2].state, END_NONE);
}

TEST_F(TrackTest, PositionsAlongAStraight) {
    TRACK* a = Make(1, 0, 0, 0);
    a->end[1].z = -1.0f;
    a->end[0].z = 0.0f;
    D3DXVECTOR3 pt;
    float h, pitch;
    ASSERT_TRUE(DetPosFromPospercent(a, 1, 1, 25, &pt, &h, &pitch));
    EXPECT_POINT(pt, -1.0f, 0.0f);
    EXPECT_NEAR(pt.z, -0.25f, 1e-5);
    EXPECT_NEAR(h, -90.0f, 1e-4);
    DetPosFromPospercent(a, 1, 1, 50, &pt, &h, &pitch);
    EXPECT_POINT(pt, 0.0f, 0.0f);
    DetPosFromPospercent(a, 1, -1, 100, &pt, &h, &pitch);
    EXPECT_POINT(pt, 2.0f, 0.0f);
    EXPECT_NEAR(h, 90.0f, 1e-4);
}

TEST_F(TrackTest, PositionsAlongACurveAndBothBranchesOfSwitches) {
    TRACK* c = Make(2, 0, 0, 30);
    D3DXVECTOR3 pt;
    float h, pitch;
    DetPosFromPospercent(c, 1, 1, 100, &pt, &h, &pitch);
    EXPECT_POINT(pt, c->end[1].x, c->end[1].y);
    EXPECT_NEAR(h, 30 + 22.5 - 90, 1e-4);
    DetPosFromPospercent(c, 1, 1, 50, &pt, &h, &pitch);
    EXPECT_POINT(pt, c->x, c->y);
    DetPosFromPospercent(c, 1, 1, 25, &pt, &h, &pitch);
    EXPECT_NEAR(h, 30 + 22.5 / 4 - 90, 1e-4);

    TRACK* rs = Make(3, 20, 0, 0);
    TRACK* ls = Make(4, 40, 0, 0);
    for (TRACK* s : {rs, ls}) {
        DetPosFromPospercent(s, 1, 1, 100, &pt, &h, &pitch);
        EXPECT_POINT(pt, s->end[2].x, s->end[2].y);
        EXPECT_NEAR(h, -90.0f, 1e-4);
        DetPosFromPospercent(s, 1, 1, 50, &pt, &h, &pitch);
        EXPECT_POINT(pt, (s->end[0].x + s->end[2].x) / 2, (s->end[0].y + s->end[2].y) / 2);
        DetPosFromPospercent(s, 2, 1, 100, &pt, &h, &pitch);
        EXPECT_POINT(pt, s->end[1].x, s->end[1].y);
        EXPECT_NEAR(h, (s == rs ? 22.5f : -22.5f) - 90.0f, 1e-4);
        DetPosFromPospercent(s, 2, 1, 25, &pt, &h, &pitch);
        EXPECT_NEAR(h, (s == rs ? 22.5f : -22.5f) / 4 - 90.0f, 1e-4);
    }
    TRACK bad = *c;
    bad.kind = 9;
    pt = D3DXVECTOR3(7, 7, 7);
    EXPECT_FALSE(DetPosFromPospercent(&bad, 1, 1, 50, &pt, &h, &pitch));
    EXPECT_EQ(pt.x, 7.0f);
}

TEST_F(TrackTest, PointBeyondAFreeEndAlongTheHeading) {
    D3DXVECTOR3 pt;
    float h;
    DetPosAlongHeading(1, 2, 0, 90, 0, 1, 2, &pt, &h);
    EXPECT_POINT(pt, -1.0f, 2.0f);
    EXPECT_EQ(h, 90.0f);
    DetPosAlongHeading(1, 2, 0, 0, 30, -1, 2, &pt, &h);
    EXPECT_POINT(pt, 1.0f, 0.0f);
    EXPECT_NEAR(pt.z, -1.0f, 1e-5);
}

TEST_F(TrackTest, FeatureNamesWrapAfter9998) {
    char name[16];
    trackList.MakeSwitchName(name);
    EXPECT_STREQ(name, "S1");
    trackList.SetSwitchCounter(9998);
    trackList.MakeSwitchName(name);
    EXPECT_STREQ(name, "S9998");
    trackList.MakeSwitchName(name);
    EXPECT_STREQ(name, "S1");
    trackList.MakeDetachName(name);
    EXPECT_STREQ(name, "D1");
    trackList.MakeTTableName(name);
    EXPECT_STREQ(name, "TT1");
    TRACK* s = Make(3, 0, 0, 0);
    EXPECT_STREQ(s->featureName, "S2");
    EXPECT_EQ(s->bSwitchInTable, 1);
}

TEST_F(TrackTest, PasteTwiceStepsAlongAndMovingTheViewResetsTheCounter) {
    TRACK* a = Make(0, 1, 1, 0);
    a->bSelected = 1;
    trackList.CopySelection();
    trackList.PasteSelection();
    TRACK* p1 = trackList.GetLast();
    EXPECT_NEAR(p1->x, 1.5f, 1e-5);
    EXPECT_NEAR(p1->y, 0.5f, 1e-5);
    EXPECT_EQ(p1->bSelected, 1);
    EXPECT_EQ(a->bSelected, 0);
    trackList.PasteSelection();
    TRACK* p2 = trackList.GetLast();
    EXPECT_NEAR(p2->x, 2.0f, 1e-5);
    EXPECT_NEAR(p2->y, 0.0f, 1e-5);
    // The view point moved by (3, 4) in layout values: counter back to 1.
    layoutState.SetGroundPoint(3.0f, 4.0f);
    trackList.PasteSelection();
    TRACK* p3 = trackList.GetLast();
    EXPECT_NEAR(p3->x, 1 + 0.5f + 3, 1e-5);
    EXPECT_NEAR(p3->y, 1 - 0.5f - 4, 1e-5);
    EXPECT_EQ(trackList.GetCount(), 4);
}

TEST_F(TrackTest, PastedSwitchGetsANewName) {
    TRACK* s = Make(3, 0, 0, 0);
    s->bSelected = 1;
    trackList.CopySelection();
    trackList.PasteSelection();
    EXPECT_STREQ(s->featureName, "S1");
    EXPECT_STREQ(trackList.GetLast()->featureName, "S2");
}

TEST_F(TrackTest, RemovingAPieceClearsEveryPointerToIt) {
    TRACK* a = Make(0, 0, 0, 0);
    TRACK* b = Make(0, 1, 0, 0);
    Link(a, 1, b, 0);
    POWER_NODE* n = powerList.CreateFeedPoint(a, 75, "P1", 0);
    ASSERT_NE(n, nullptr);
    layoutState.SetSelectedTrack(a);
    layoutState.SetTargetTrack(a);
    layoutState.SetHighlightedObject(a);
    trackList.SetBarrierPreview(a);
    TRACKADDITION* add = AddTrackAddition();
    add->Init(1, a, 1, 2, 3);
    trackList.RemoveTrack(a);
    EXPECT_EQ(layoutState.GetSelectedTrack(), nullptr);
    EXPECT_EQ(layoutState.GetTargetTrack(), nullptr);
    EXPECT_EQ(layoutState.GetHighlightedObject(), nullptr);
    EXPECT_EQ(trackList.GetBarrierPreview().pTrack, nullptr);
    EXPECT_EQ(n->pTrack, nullptr);
    EXPECT_EQ(trackAdditionList.GetCount(), 0);
    EXPECT_EQ(b->end[0].state, END_FREE);
    EXPECT_EQ(b->end[0].pTrack, nullptr);
    EXPECT_EQ(trackList.GetCount(), 1);
    // The node without its piece goes at the next update.
    powerList.UpdatePower();
    EXPECT_TRUE(powerList.IsEmpty());
}

TEST_F(TrackTest, DeleteSelectedRebuildsTheRest) {
    TRACK* a = Make(0, 0, 0, 0);
    TRACK* b = Make(0, 1, 0, 0);
    TRACK* c = Make(0, 2, 0, 0);
    trackList.RebuildConnections();
    ASSERT_EQ(a->end[1].pTrack, b);
    b->bSelected = 1;
    trackList.DeleteSelected();
    EXPECT_EQ(trackList.GetCount(), 2);
    EXPECT_EQ(a->end[1].state, END_FREE);
    EXPECT_EQ(c->end[0].state, END_FREE);
    EXPECT_NE(a->groupId, c->groupId);
}

TEST_F(TrackTest, RotateSelectedKeepsTurntableOffsets) {
    TRACK* t = Make(0, 1, 0, 350);
    t->bTurntable = 1;
    t->targetHeading = 360;
    t->pitHeading = 10;
    t->bSelected = 1;
    trackList.RotateSelected(90, 0, 0);
    EXPECT_NEAR(t->x, 0.0f, 1e-5);
    EXPECT_NEAR(t->y, 1.0f, 1e-5);
    EXPECT_NEAR(t->heading, 80.0f, 1e-4);
    EXPECT_NEAR(t->targetHeading, 90.0f, 1e-4);
    EXPECT_NEAR(t->pitHeading, 100.0f, 1e-4);
}

// ---------------------------------------------------------------------------
// Layout file section

namespace {
struct TempFile {
    FILE* f = std::tmpfile();
    ~TempFile() {
        if (f) std::fclose(f);
    }
};

void WriteInt(FILE* f, int v) {
    unsigned char b[4];
    recordio::PutInt(b, v);
    std::fwrite(b, 4, 1, f);
}
} // namespace

TEST_F(TrackTest, SectionRoundTripRestoresFieldsAndLinks) {
    TRACK* a = Make(0, 0, 0, 0);
    TRACK* s = Make(3, 3, 0, 0);
    Link(a, 1, s, 0);
    a->end[1].bInsulated = 1;
    CopyText(a->name, TRACKNAMELEN, "Main");
    s->switchState = 2;
    s->SetDetachPoint("D7", 1);
    saveCounter.Reset();
    trackList.NumberPieces();
    trackList.SaveEndIds();
    trackList.SavePowerIds();
    TempFile tf;
    ASSERT_TRUE(trackList.Save(tf.f));
    EXPECT_EQ(std::ftell(tf.f), 4 + 2 * TRACKRECORDSIZE);
    trackList.DeleteAll();
    std::rewind(tf.f);
    ASSERT_TRUE(trackList.Load(tf.f));
    trackList.RestoreEndLinks();
    ASSERT_EQ(trackList.GetCount(), 2);
    TRACK* a2 = trackList.GetFirst();
    TRACK* s2 = a2->pNext;
    EXPECT_STREQ(a2->name, "Main");
    EXPECT_EQ(s2->kind, TRACK_RIGHTSWITCH);
    EXPECT_EQ(s2->switchState, 2);
    EXPECT_STREQ(s2->featureName, "D7");
    EXPECT_EQ(s2->bDetachInTable, 1);
    EXPECT_EQ(a2->end[1].pTrack, s2);
    EXPECT_EQ(s2->end[0].pTrack, a2);
    EXPECT_EQ(a2->end[1].bInsulated, 1);
}

TEST_F(TrackTest, Version13RecordsHaveNoTurntable) {
    TRACK* t = Make(0, 0, 0, 0);
    t->bTurntable = 1;
    t->bTurntableInTable = 1;
    t->turntableObj = 900;
    unsigned char rec[TRACKRECORDSIZE];
    t->WriteRecord(rec);
    TempFile tf;
    WriteInt(tf.f, 1);
    std::fwrite(rec, TRACKRECORDSIZE_V13, 1, tf.f);
    // Bytes a newer record would continue with must not be read.
    WriteInt(tf.f, 12345);
    std::rewind(tf.f);
    trackList.DeleteAll();
    myGlobs.loadFileVersion = 13;
    ASSERT_TRUE(trackList.Load(tf.f));
    ASSERT_EQ(trackList.GetCount(), 1);
    TRACK* p = trackList.GetFirst();
    EXPECT_EQ(p->bTurntable, 0);
    EXPECT_EQ(p->bTurntableInTable, 0);
    EXPECT_EQ(p->turntableObj, 0);
    EXPECT_EQ(p->targetHeading, 0.0f);
    EXPECT_EQ(std::ftell(tf.f), 4 + TRACKRECORDSIZE_V13);
}

TEST_F(TrackTest, OnlyRecordsThatCannotBePlacedAreDropped) {
    TRACK* good = Make(0, 0, 0, 0);
    std::vector<TRACK> bad(8, *good);
    bad[0].kind = 7;
    bad[1].typeIndex = 200;
    bad[2].length = std::nanf("");
    bad[3].switchState = 4;
    bad[5].end[1].conEnd = 5;
    bad[6].end[0].state = 9;
    bad[7].kind = TRACK_RIGHTSWITCH; // a switch on a straight's type
    TempFile tf;
    WriteInt(tf.f, 9);
    unsigned char rec[TRACKRECORDSIZE];
    for (TRACK& b : bad) {
        b.WriteRecord(rec);
        if (&b == &bad[4]) std::memset(rec + 248, 'x', TRACKNAMELEN);
        std::fwrite(rec, TRACKRECORDSIZE, 1, tf.f);
    }
    good->WriteRecord(rec);
    std::fwrite(rec, TRACKRECORDSIZE, 1, tf.f);
    std::rewind(tf.f);
    trackList.DeleteAll();
    ASSERT_TRUE(trackList.Load(tf.f));
    // Unknown kind, unknown type and a type of another kind cannot be placed.
    ASSERT_EQ(trackList.GetCount(), 6);
    TRACK* p = trackList.GetFirst();
    EXPECT_FLOAT_EQ(p->length, 1.0f);  // the type's length
    p = p->pNext;
    EXPECT_EQ(p->switchState, 1);
    p = p->pNext;
    EXPECT_EQ(std::string(p->name), std::string(TRACKNAMELEN - 1, 'x'));
    p = p->pNext;
    EXPECT_EQ(p->end[1].conEnd, 0);
    EXPECT_EQ(p->end[1].state, END_FREE);
    p = p->pNext;
    EXPECT_EQ(p->end[0].state, END_FREE);
}

TEST_F(TrackTest, TruncatedSectionKeepsWhatWasRead) {
    TRACK* a = Make(0, 0, 0, 0);
    unsigned char rec[TRACKRECORDSIZE];
    a->WriteRecord(rec);
    TempFile tf;
    WriteInt(tf.f, 3);
    std::fwrite(rec, TRACKRECORDSIZE, 1, tf.f);
    std::fwrite(rec, 100, 1, tf.f);
    std::rewind(tf.f);
    trackList.DeleteAll();
    EXPECT_FALSE(trackList.Load(tf.f));
    EXPECT_EQ(trackList.GetCount(), 1);
}

TEST_F(TrackTest, OneSidedLinksAreCutOnBothSides) {
    TRACK* a = Make(0, 0, 0, 0);
    TRACK* b = Make(0, 1, 0, 0);
    TRACK* c = Make(0, 5, 0, 0);
    a->id = 1;
    b->id = 2;
    c->id = 3;
    // a claims b's end 0, but b's end 0 names c; b's end 1 names a with the
    // wrong end index; c's end 1 names a piece that does not exist.
    a->end[1].state = END_CONNECTED;
    a->end[1].trackId = 2;
    a->end[1].conEnd = 0;
    b->end[0].state = END_CONNECTED;
    b->end[0].trackId = 3;
    b->end[0].conEnd = 0;
    c->end[0].state = END_CONNECTED;
    c->end[0].trackId = 2;
    c->end[0].conEnd = 0;
    c->end[1].state = END_CONNECTED;
    c->end[1].trackId = 99;
    c->end[1].conEnd = 0;
    trackList.RestoreEndLinks();
    EXPECT_EQ(a->end[1].state, END_FREE);
    EXPECT_EQ(a->end[1].pTrack, nullptr);
    EXPECT_EQ(b->end[0].pTrack, c);
    EXPECT_EQ(c->end[0].pTrack, b);
    EXPECT_EQ(c->end[1].state, END_FREE);
    EXPECT_EQ(c->end[1].pTrack, nullptr);
}
