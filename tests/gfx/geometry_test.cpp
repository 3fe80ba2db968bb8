#include <gtest/gtest.h>

#include <cmath>

#include "gfx/display.h"
#include "gfx/geometry.h"

namespace {

D3DXMATRIX InverseView(const D3DXVECTOR3& eye, const D3DXVECTOR3& at) {
    D3DXVECTOR3 up(0, 0, -1);
    D3DXMATRIX view, inv;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixInverse(&inv, nullptr, &view);
    return inv;
}

}  // namespace

TEST(SceneMaths, RayDistanceOnBesideAndBehindTheRay) {
    D3DXVECTOR3 a(0, 0, -10), b(0, 0, 0);
    EXPECT_NEAR(DetRayDistance(D3DXVECTOR3(0, 0, 5), a, b), 0.0f, 1e-3f);
    EXPECT_NEAR(DetRayDistance(D3DXVECTOR3(3, 0, 0), a, b), 3.0f, 1e-4f);
    EXPECT_NEAR(DetRayDistance(D3DXVECTOR3(0, 4, -6), a, b), 4.0f, 1e-4f);
    EXPECT_EQ(DetRayDistance(D3DXVECTOR3(1, 0, -20), a, b), PICK_MISS);  // behind the start
    EXPECT_EQ(DetRayDistance(a, a, b), 0.0f);                             // the start itself
    EXPECT_EQ(DetRayDistance(D3DXVECTOR3(1, 1, 1), a, a), PICK_MISS);    // no direction
}

TEST(SceneMaths, AnglesIncludingDegenerateSides) {
    D3DXVECTOR3 r(0, 0, 0), p(1, 0, 0), q(0, 1, 0);
    EXPECT_NEAR(DetAngle(p, q, r), static_cast<float>(M_PI / 2), 1e-5f);
    EXPECT_NEAR(DetAngle(p, D3DXVECTOR3(-2, 0, 0), r), static_cast<float>(M_PI), 1e-5f);
    EXPECT_EQ(DetAngle(p, D3DXVECTOR3(5, 0, 0), r), 0.0f);
    float coincident = DetAngle(r, q, r);
    EXPECT_FALSE(std::isnan(coincident));
}

TEST(SceneMaths, NearRayTestAndDistances) {
    D3DXVECTOR3 eye(0, 0, -10), ray(0, 0, 0);
    EXPECT_TRUE(NearRayTest(D3DXVECTOR3(0.5f, 0, 0), eye, ray, 10.0f, 1.0f));
    EXPECT_FALSE(NearRayTest(D3DXVECTOR3(2, 0, 0), eye, ray, 10.0f, 1.0f));
    EXPECT_TRUE(NearRayTest(D3DXVECTOR3(50, 0, 0), eye, eye, 10.0f, 1.0f));  // zero-length ray passes
    EXPECT_FLOAT_EQ(DetDistance2D(0, 0, 3, 4), 5.0f);
    EXPECT_FLOAT_EQ(DetDistance3D(1, 2, 3, 1, 2, 3), 0.0f);
}

TEST(SceneMaths, MouseRayThroughTheScreenCentreMeetsTheTarget) {
    // The default orbit camera looks from (0, 6.5, -11.258) at the origin.
    D3DXVECTOR3 eye(0, 6.5f, -11.258f), at(0, 0, 0);
    D3DXMATRIX inv = InverseView(eye, at);
    D3DXVECTOR3 p = ComputeMouseRayPoint(400, 300, 800, 600, false, eye, inv);
    // The ray point lies on the line from the eye through the target.
    D3DXVECTOR3 d = p - eye, dir = at - eye;
    D3DXVECTOR3 c;
    D3DXVec3Cross(&c, &d, &dir);
    EXPECT_NEAR(D3DXVec3Length(&c) / D3DXVec3Length(&dir), 0.0f, 1e-3f);
    // Heights grow downward, so with the camera's up along -z the screen's
    // right is the world's -x, and lower rows lie nearer the eye (larger y).
    D3DXVECTOR3 right = ComputeMouseRayPoint(600, 300, 800, 600, false, eye, inv);
    D3DXVECTOR3 lower = ComputeMouseRayPoint(400, 500, 800, 600, false, eye, inv);
    EXPECT_LT(right.x, p.x);
    EXPECT_GT(lower.y, p.y);
    // Full screen uses the aspect-dependent scale; a zero-sized screen does not divide by zero.
    D3DXVECTOR3 fs = ComputeMouseRayPoint(0, 0, 1024, 768, true, eye, inv);
    EXPECT_TRUE(std::isfinite(fs.x) && std::isfinite(fs.y) && std::isfinite(fs.z));
    D3DXVECTOR3 z = ComputeMouseRayPoint(0, 0, 0, 0, false, eye, inv);
    EXPECT_TRUE(std::isfinite(z.x) && std::isfinite(z.y) && std::isfinite(z.z));
}

TEST(SceneMaths, GroundPointOfRaysThatDoAndDoNotReachTheGround) {
    display.UpdateView(1, 0.0f, 0.0f);
    D3DXVECTOR3 eye;
    display.GetCamera(&eye, nullptr, nullptr);
    ASSERT_LT(eye.z, 0.0f);  // the eye is above the ground
    float x = 123, y = 456;
    // Halfway from the eye down to (2, 3, 0): the line meets the ground at (2, 3).
    D3DXVECTOR3 mid = (eye + D3DXVECTOR3(2, 3, 0)) * 0.5f;
    ASSERT_EQ(DetGroundPoint(mid, &x, &y), 1);
    EXPECT_NEAR(x, 2.0f, 1e-4f);
    EXPECT_NEAR(y, 3.0f, 1e-4f);
    // A point at the eye's height never meets the ground; the outputs are kept.
    x = 123;
    y = 456;
    EXPECT_EQ(DetGroundPoint(D3DXVECTOR3(eye.x + 1, eye.y, eye.z), &x, &y), 0);
    EXPECT_EQ(x, 123);
    EXPECT_EQ(y, 456);
    // A point above the eye leads away from the ground.
    EXPECT_EQ(DetGroundPoint(D3DXVECTOR3(eye.x, eye.y, eye.z - 5), &x, &y), 0);
}

TEST(SceneMaths, SegmentPickSamplingIsBounded) {
    display.UpdateView(1, 0.0f, 0.0f);
    D3DXVECTOR3 eye, at;
    display.GetCamera(&eye, &at, nullptr);
    display.SetMouseRayPoint(at);
    // A segment through the target is hit; a tiny radius cannot ask for an
    // unbounded number of samples.
    float d = DetSegmentRayDistance(D3DXVECTOR3(-1, 0, 0), D3DXVECTOR3(1, 0, 0), 0.2f, PICK_MISS);
    EXPECT_LT(d, 0.2f);
    float tiny = DetSegmentRayDistance(D3DXVECTOR3(-1, 0.5f, 0), D3DXVECTOR3(1, 0.5f, 0), 1e-30f, PICK_MISS);
    EXPECT_EQ(tiny, PICK_MISS);
    // Both ends far from the ray compared to its length: missed.
    EXPECT_EQ(DetSegmentRayDistance(D3DXVECTOR3(30, 30, 0), D3DXVECTOR3(31, 30, 0), 0.5f, PICK_MISS), PICK_MISS);
}
