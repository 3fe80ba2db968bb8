// The device-free maths of the render helpers: point transforms, slopes,
// heading differences and the placement point on a track piece.
#include <gtest/gtest.h>

#include <cmath>

#include "gfx/render.h"
#include "rail/track.h"

TEST(RenderMath, TransformCoordDividesByWAndRefusesDegenerateW) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, 1.0f, 2.0f, 3.0f);
    m._44 = 2.0f;  // every result halved
    D3DXVECTOR3 out(9, 9, 9);
    const D3DXVECTOR3 p(1.0f, 1.0f, 1.0f);
    EXPECT_EQ(TransformCoord(&out, &p, &m), S_OK);
    EXPECT_FLOAT_EQ(out.x, 1.0f);
    EXPECT_FLOAT_EQ(out.y, 1.5f);
    EXPECT_FLOAT_EQ(out.z, 2.0f);

    D3DXMATRIX zero;
    D3DXMatrixIdentity(&zero);
    zero._44 = 0.00005f;
    out = D3DXVECTOR3(7, 8, 9);
    const D3DXVECTOR3 origin(0, 0, 0);
    EXPECT_EQ(TransformCoord(&out, &origin, &zero), static_cast<HRESULT>(-2147024809));
    EXPECT_FLOAT_EQ(out.x, 7.0f);
    EXPECT_FLOAT_EQ(out.y, 8.0f);
    EXPECT_FLOAT_EQ(out.z, 9.0f);
}

TEST(RenderMath, RotationsFollowTheHeadingConvention) {
    // Heading 90 turns the x axis onto the y axis.
    D3DXVECTOR3 out;
    const D3DXVECTOR3 x(1.0f, 0.0f, 0.5f);
    ASSERT_EQ(RotatePointZ(&out, &x, 90.0f), S_OK);
    EXPECT_NEAR(out.x, 0.0f, 1e-6);
    EXPECT_NEAR(out.y, 1.0f, 1e-6);
    EXPECT_NEAR(out.z, 0.5f, 1e-6);

    D3DXVECTOR3 p(10.0f, 20.0f, 1.0f);
    AddRotatedVector(&p, D3DXVECTOR3(2.0f, 0.0f, -1.0f), 90.0f);
    EXPECT_NEAR(p.x, 10.0f, 1e-5);
    EXPECT_NEAR(p.y, 22.0f, 1e-5);
    EXPECT_NEAR(p.z, 0.0f, 1e-6);
}

TEST(RenderMath, FootprintSlopeSignsAndZeroHalfSize) {
    float a1 = 5, a2 = 5;
    DetSlopeFromHeights(1.0f, 1.0f, 0.0f, 0.0f, 0.0f, &a1, &a2);
    EXPECT_FLOAT_EQ(a1, 0.0f);
    EXPECT_FLOAT_EQ(a2, 0.0f);

    // Rising by 1 over a footprint length of 2 along R.
    DetSlopeFromHeights(1.0f, 1.0f, 0.0f, 0.0f, 1.0f, &a1, &a2);
    EXPECT_NEAR(a2, -26.565f, 1e-3);
    EXPECT_FLOAT_EQ(a1, 0.0f);
    DetSlopeFromHeights(1.0f, 1.0f, 1.0f, 1.0f, 0.0f, &a1, &a2);
    EXPECT_NEAR(a2, 26.565f, 1e-3);

    // Angle 1 compares P and Q, negative when P is greater.
    DetSlopeFromHeights(2.0f, 1.0f, 1.0f, 0.0f, 1.0f, &a1, &a2);
    EXPECT_NEAR(a1, -14.036f, 1e-3);
    EXPECT_FLOAT_EQ(a2, 0.0f);

    // A zero half size has no horizontal distance: slope 0, not NaN.
    DetSlopeFromHeights(0.0f, 0.0f, 1.0f, 0.0f, 3.0f, &a1, &a2);
    EXPECT_FLOAT_EQ(a1, 0.0f);
    EXPECT_FLOAT_EQ(a2, 0.0f);
}

TEST(RenderMath, HeadingDifferenceIsTheSmallestSignedAngle) {
    EXPECT_FLOAT_EQ(HeadingDifference(350.0f, 10.0f), -20.0f);
    EXPECT_FLOAT_EQ(HeadingDifference(10.0f, 350.0f), 20.0f);
    EXPECT_FLOAT_EQ(HeadingDifference(-80.0f, 90.0f), -170.0f);
    EXPECT_FLOAT_EQ(HeadingDifference(270.0f, -90.0f), 0.0f);
    EXPECT_FLOAT_EQ(HeadingDifference(720.0f + 45.0f, 0.0f), 45.0f);
    EXPECT_FLOAT_EQ(std::fabs(HeadingDifference(180.0f, 0.0f)), 180.0f);
}

namespace {

TRACK MakePiece(int kind, float heading, D3DXVECTOR3 e0, D3DXVECTOR3 e1, D3DXVECTOR3 e2) {
    TRACK t;
    t.kind = kind;
    t.heading = heading;
    t.pitch = 3.0f;
    t.length = 2.0f;
    t.end[0].x = e0.x;
    t.end[0].y = e0.y;
    t.end[0].z = e0.z;
    t.end[1].x = e1.x;
    t.end[1].y = e1.y;
    t.end[1].z = e1.z;
    t.end[2].x = e2.x;
    t.end[2].y = e2.y;
    t.end[2].z = e2.z;
    return t;
}

}  // namespace

TEST(RenderPlacement, CurveAtHalfWayGivesTheChordMiddleAndHalfTheTurn) {
    const TRACK curve = MakePiece(TRACK_CURVE, 30.0f, D3DXVECTOR3(1.0f, 2.0f, 0.0f), D3DXVECTOR3(5.0f, 4.0f, -1.0f),
                                  D3DXVECTOR3(0, 0, 0));
    D3DXVECTOR3 p;
    float heading = 0, pitch = 0;
    DetPlacementOnPiece(curve, 50.0f, &p, &heading, &pitch);
    EXPECT_FLOAT_EQ(p.x, 3.0f);
    EXPECT_FLOAT_EQ(p.y, 3.0f);
    EXPECT_FLOAT_EQ(p.z, -0.5f - 0.06f);
    EXPECT_FLOAT_EQ(heading, 30.0f - 90.0f + 11.25f);
    EXPECT_FLOAT_EQ(pitch, 3.0f);
}

TEST(RenderPlacement, SwitchesFollowTheirStateAndUnknownStatesTakeEndOne) {
    const D3DXVECTOR3 e0(0, 0, 0), e1(4, 2, 0), e2(4, 0, 0);
    TRACK sw = MakePiece(TRACK_RIGHTSWITCH, 0.0f, e0, e1, e2);
    D3DXVECTOR3 p;
    float heading = 0;

    sw.switchState = 1;  // straight branch: end 2, no turn
    DetPlacementOnPiece(sw, 100.0f, &p, &heading, nullptr);
    EXPECT_FLOAT_EQ(p.x, 4.0f);
    EXPECT_FLOAT_EQ(p.y, 0.0f);
    EXPECT_FLOAT_EQ(heading, -90.0f);

    sw.switchState = 2;  // curved branch: end 1, turning right
    DetPlacementOnPiece(sw, 100.0f, &p, &heading, nullptr);
    EXPECT_FLOAT_EQ(p.y, 2.0f);
    EXPECT_FLOAT_EQ(heading, -90.0f + 22.5f);

    sw.switchState = 7;  // unknown: end 1
    DetPlacementOnPiece(sw, 100.0f, &p, &heading, nullptr);
    EXPECT_FLOAT_EQ(p.y, 2.0f);

    TRACK left = MakePiece(TRACK_LEFTSWITCH, 0.0f, e0, e1, e2);
    left.switchState = 2;
    DetPlacementOnPiece(left, 50.0f, &p, &heading, nullptr);
    EXPECT_FLOAT_EQ(heading, -90.0f - 11.25f);

    TRACK straight = MakePiece(TRACK_STRAIGHT, 45.0f, e0, e1, e2);
    DetPlacementOnPiece(straight, 25.0f, &p, &heading, nullptr);
    EXPECT_FLOAT_EQ(p.x, 1.0f);
    EXPECT_FLOAT_EQ(heading, -45.0f);
}

TEST(RenderPlacement, EndPieceWithoutAFarEndFollowsItsHeading) {
    TRACK stop = MakePiece(TRACK_ENDPIECE, 90.0f, D3DXVECTOR3(1, 1, 0), D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 0));
    stop.end[1].x = NOPOINT;
    stop.end[1].y = NOPOINT;
    D3DXVECTOR3 p;
    DetPlacementOnPiece(stop, 50.0f, &p, nullptr, nullptr);
    EXPECT_NEAR(p.x, 1.0f, 1e-5);
    EXPECT_NEAR(p.y, 2.0f, 1e-5);  // half of the length 2 along heading 90
}
