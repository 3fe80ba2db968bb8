// Generated track meshes: sizes per type and the laying of the tunnel and
// bridge objects along a piece.
#include "track_test.h"

#include <algorithm>

namespace {
struct TypeSize {
    int kind;
    float length;
    float radius;
    int vertices;
    int triangles;
    int segments;
};
const TypeSize kTypes[9] = {
    {0, 1.0f, 0, 8, 6, 1},   {0, 4.0f, 0, 8, 6, 4},    {2, 0, 5.5f, 20, 24, 2},
    {3, 2.0f, 5.5f, 28, 30, 4}, {4, 2.0f, 5.5f, 28, 30, 4}, {5, 1.0f, 0, 8, 6, 1},
    {0, 0.25f, 0, 8, 6, 1},  {2, 0, 6.325f, 20, 24, 2}, {2, 0, 7.27375f, 20, 24, 3},
};

// A one-unit "object": a triangle around the origin of the segment.
const XVERTEX kObject[3] = {
    {0.0f, 0.0f, 0.0f, 0, 0, -1, 0, 0},
    {0.0f, 0.0f, -0.1f, 0, 0, -1, 0, 1},
    {0.0f, 0.0f, -0.2f, 0, 0, -1, 1, 1},
};
const WORD kObjectIndices[3] = {0, 1, 2};
} // namespace

TEST_F(TrackTest, StandardTypesHaveTheirBaseSizesAndSegments) {
    ASSERT_EQ(trackList.GetTypeCount(), 9);
    for (int i = 0; i < 9; i++) {
        XTRACK* t = trackList.GetType(i);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->GetKind(), kTypes[i].kind) << i;
        int v, idx, tri;
        t->GetBaseCounts(&v, &idx, &tri);
        EXPECT_EQ(v, kTypes[i].vertices) << i;
        EXPECT_EQ(tri, kTypes[i].triangles) << i;
        EXPECT_EQ(idx, 3 * tri);
        EXPECT_EQ(t->GetSegmentCount(), kTypes[i].segments) << i;
        float len, arc, rad;
        trackList.GetTypeValues(i, &len, &arc, &rad, nullptr, nullptr);
        if (kTypes[i].kind == 2) {
            EXPECT_NEAR(arc, kTypes[i].radius * 3.14159265f / 8, 1e-5);
            EXPECT_EQ(len, arc);
        } else if (kTypes[i].kind == 0 || kTypes[i].kind == 5) {
            EXPECT_EQ(arc, len);
        }
        // Every base index stays inside the base vertices.
        const XVERTEX* vd;
        const WORD* id;
        ASSERT_TRUE(t->LockBase(&vd, &id));
        for (int k = 0; k < idx; k++) EXPECT_LT(id[k], v);
    }
}

TEST_F(TrackTest, StraightBedSpansTheLengthWithRaisedMiddle) {
    XTRACK* t = trackList.GetType(1);
    const XVERTEX* v;
    ASSERT_TRUE(t->LockBase(&v, nullptr));
    float minX = 1e9f, maxX = -1e9f;
    for (int i = 0; i < 8; i++) {
        minX = std::min(minX, v[i].x);
        maxX = std::max(maxX, v[i].x);
        EXPECT_EQ(v[i].nz, -1.0f);
    }
    EXPECT_NEAR(minX, -2.02f, 1e-5);
    EXPECT_NEAR(maxX, 2.02f, 1e-5);
    EXPECT_NEAR(v[1].u, 8.08f, 1e-4);
    EXPECT_EQ(v[0].z, 0.0f);
    EXPECT_NEAR(v[5].z, -0.06f, 1e-6);
    EXPECT_NEAR(v[4].y, -0.2f, 1e-6);
    EXPECT_NEAR(v[3].y, 0.25f, 1e-6);
}

TEST_F(TrackTest, SwitchMeshesMirrorEachOther) {
    const XVERTEX *r, *l;
    ASSERT_TRUE(trackList.GetType(3)->LockBase(&r, nullptr));
    ASSERT_TRUE(trackList.GetType(4)->LockBase(&l, nullptr));
    for (int i = 0; i < 20; i++) {
        EXPECT_NEAR(r[i].x, l[i].x, 1e-5) << i;
        EXPECT_NEAR(r[i].y, -l[i].y, 1e-5) << i;
    }
    // The straight branch keeps its vertex order: the edge at -y of one
    // switch mirrors the edge at +y of the other.
    const int mirrored[8] = {2, 3, 0, 1, 6, 7, 4, 5};
    for (int i = 0; i < 8; i++) {
        EXPECT_NEAR(r[20 + i].x, l[20 + mirrored[i]].x, 1e-5) << i;
        EXPECT_NEAR(r[20 + i].y, -l[20 + mirrored[i]].y, 1e-5) << i;
    }
    // The straight branch starts where the arc starts.
    EXPECT_NEAR(r[20].x, r[0].x - 0.01f, 0.05f);
}

TEST_F(TrackTest, TunnelSegmentsAreCentredAlongTheStraight) {
    SetTrackObjectMeshForTest(TUNNEL_OBJID, kObject, 3, kObjectIndices, 1);
    SetTrackObjectMeshForTest(BRIDGE_OBJID, kObject, 3, kObjectIndices, 1);
    XTRACK t;
    t.Generate(0, "test", 4.0f, 0.0f, 0.5f);
    int tv, tt, bv, bt;
    t.GetTunnelCounts(&tv, &tt);
    t.GetBridgeCounts(&bv, &bt);
    EXPECT_EQ(tv, 12);
    EXPECT_EQ(tt, 4);
    EXPECT_EQ(bv, 12);
    EXPECT_EQ(bt, 4);
    const std::vector<XVERTEX>& v = t.GetVertices();
    ASSERT_EQ(v.size(), 8u + 12u + 12u);
    const float centres[4] = {-1.5f, -0.5f, 0.5f, 1.5f};
    for (int i = 0; i < 4; i++) {
        EXPECT_NEAR(v[8 + i * 3].x, centres[i], 1e-5);
        EXPECT_NEAR(v[8 + 12 + i * 3].x, centres[i], 1e-5);
    }
    const std::vector<WORD>& idx = t.GetIndices();
    ASSERT_EQ(idx.size(), 18u + 12u + 12u);
    EXPECT_EQ(idx[18], 8);
    EXPECT_EQ(idx[18 + 3], 11);
    EXPECT_EQ(idx[30], 20);
}

TEST_F(TrackTest, CurveTunnelSegmentsFollowTheArc) {
    SetTrackObjectMeshForTest(TUNNEL_OBJID, kObject, 3, kObjectIndices, 1);
    SetTrackObjectMeshForTest(BRIDGE_OBJID, kObject, 3, kObjectIndices, 1);
    XTRACK t;
    t.Generate(2, "curve", 0.0f, 7.27375f, 0.5f);
    ASSERT_EQ(t.GetSegmentCount(), 3);
    const std::vector<XVERTEX>& v = t.GetVertices();
    XVERTEX first = v[20], middle = v[20 + 3], last = v[20 + 6];
    // The middle segment sits at the middle of the arc, the others one
    // segment length to either side along it.
    EXPECT_NEAR(middle.x, 0.0f, 0.02f);
    EXPECT_NEAR(middle.y, 0.0f, 0.02f);
    float seg = 7.27375f * 3.14159265f / 8 / 3;
    EXPECT_NEAR(std::hypot(first.x - middle.x, first.y - middle.y), seg, 0.02f);
    EXPECT_NEAR(std::hypot(last.x - middle.x, last.y - middle.y), seg, 0.02f);
    // The arc turns left: the later segments lie further to +y.
    EXPECT_LT(first.y, middle.y);
    EXPECT_LT(middle.y, last.y);
}

TEST_F(TrackTest, MissingTunnelObjectLeavesTheBaseUsable) {
    SetTrackObjectMeshForTest(TUNNEL_OBJID, nullptr, 0, nullptr, 0);
    SetTrackObjectMeshForTest(BRIDGE_OBJID, nullptr, 0, nullptr, 0);
    XTRACK t;
    EXPECT_EQ(t.Generate(3, "switch", 2.0f, 5.5f, 0.5f), 0);
    int v, idx, tri, tv, tt;
    t.GetBaseCounts(&v, &idx, &tri);
    t.GetTunnelCounts(&tv, &tt);
    EXPECT_EQ(v, 28);
    EXPECT_EQ(tri, 30);
    EXPECT_EQ(tv, 0);
    EXPECT_EQ(tt, 0);
    XTRACK bad;
    EXPECT_EQ(bad.Generate(9, "bad", 1.0f, 0.0f, 0.5f), 0);
}
