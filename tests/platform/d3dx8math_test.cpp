// The extension library's maths against hand-computed values.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/d3dx8math.h"

namespace {

void ExpectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float tol = 1e-5f) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], tol) << "element " << r << "," << c;
}

D3DXMATRIX M(float a, float b, float c, float d, float e, float f, float g, float h, float i, float j, float k,
             float l, float m, float n, float o, float p) {
    return D3DXMATRIX(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p);
}

}  // namespace

TEST(D3DXMath, RotationsAreLeftHandedRowVector) {
    const float a = 0.5f, c = std::cos(a), s = std::sin(a);
    D3DXMATRIX r;
    D3DXMatrixRotationX(&r, a);
    ExpectMatrixNear(r, M(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1));
    D3DXMatrixRotationY(&r, a);
    ExpectMatrixNear(r, M(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1));
    D3DXMatrixRotationZ(&r, a);
    ExpectMatrixNear(r, M(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));

    // A quarter turn about Z takes +x to +y for a row vector.
    D3DXMatrixRotationZ(&r, D3DX_PI / 2);
    D3DXVECTOR3 v(1, 0, 0), out;
    D3DXVec3TransformCoord(&out, &v, &r);
    EXPECT_NEAR(out.x, 0.0f, 1e-6f);
    EXPECT_NEAR(out.y, 1.0f, 1e-6f);

    // The axis form agrees with the fixed-axis forms.
    D3DXMATRIX ax, ref;
    D3DXVECTOR3 yAxis(0, 2, 0);  // not normalised on purpose
    D3DXMatrixRotationAxis(&ax, &yAxis, 0.7f);
    D3DXMatrixRotationY(&ref, 0.7f);
    ExpectMatrixNear(ax, ref);
}

TEST(D3DXMath, MultiplyAppliesLeftOperandFirst) {
    D3DXMATRIX t, s, ts, st;
    D3DXMatrixTranslation(&t, 1, 2, 3);
    D3DXMatrixScaling(&s, 2, 2, 2);
    D3DXMatrixMultiply(&ts, &t, &s);  // translate, then scale
    D3DXMatrixMultiply(&st, &s, &t);  // scale, then translate
    D3DXVECTOR3 p(1, 1, 1), a, b;
    D3DXVec3TransformCoord(&a, &p, &ts);
    D3DXVec3TransformCoord(&b, &p, &st);
    EXPECT_FLOAT_EQ(a.x, 4.0f);
    EXPECT_FLOAT_EQ(a.y, 6.0f);
    EXPECT_FLOAT_EQ(a.z, 8.0f);
    EXPECT_FLOAT_EQ(b.x, 3.0f);
    EXPECT_FLOAT_EQ(b.y, 4.0f);
    EXPECT_FLOAT_EQ(b.z, 5.0f);
    // Aliased output and the operator form agree.
    D3DXMATRIX alias = t;
    D3DXMatrixMultiply(&alias, &alias, &s);
    ExpectMatrixNear(alias, ts);
    ExpectMatrixNear(t * s, ts);
}

TEST(D3DXMath, InverseAndDeterminant) {
    D3DXMATRIX m = M(2, 0, 0, 0, 0, 4, 0, 0, 0, 0, 8, 0, 1, 2, 3, 1), inv, prod, id;
    float det = 0;
    ASSERT_NE(D3DXMatrixInverse(&inv, &det, &m), nullptr);
    EXPECT_FLOAT_EQ(det, 64.0f);
    EXPECT_FLOAT_EQ(D3DXMatrixfDeterminant(&m), 64.0f);
    ExpectMatrixNear(inv, M(0.5f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, 0.125f, 0, -0.5f, -0.5f, -0.375f, 1));
    D3DXMatrixMultiply(&prod, &m, &inv);
    ExpectMatrixNear(prod, *D3DXMatrixIdentity(&id));
    // A singular matrix has no inverse and leaves the output alone.
    D3DXMATRIX sing = M(1, 2, 3, 4, 2, 4, 6, 8, 0, 0, 1, 0, 0, 0, 0, 1), out = id;
    EXPECT_EQ(D3DXMatrixInverse(&out, nullptr, &sing), nullptr);
    ExpectMatrixNear(out, id);
}

TEST(D3DXMath, LookAtAndProjections) {
    D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
    D3DXMATRIX v;
    D3DXMatrixLookAtLH(&v, &eye, &at, &up);
    ExpectMatrixNear(v, M(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 10, 1));

    // Looking along +x: the view's z axis is +x and its x axis is -z.
    D3DXVECTOR3 eye2(5, 0, 0), at2(6, 0, 0);
    D3DXMatrixLookAtLH(&v, &eye2, &at2, &up);
    ExpectMatrixNear(v, M(0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, -5, 1));

    D3DXMATRIX p;
    D3DXMatrixPerspectiveFovLH(&p, D3DX_PI / 2, 2.0f, 1.0f, 11.0f);
    ExpectMatrixNear(p, M(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.1f, 1, 0, 0, -1.1f, 0));
    // Near and far planes map to depth 0 and 1.
    D3DXVECTOR3 n(0, 0, 1), f(0, 0, 11), r;
    D3DXVec3TransformCoord(&r, &n, &p);
    EXPECT_NEAR(r.z, 0.0f, 1e-6f);
    D3DXVec3TransformCoord(&r, &f, &p);
    EXPECT_NEAR(r.z, 1.0f, 1e-6f);

    D3DXMatrixPerspectiveLH(&p, 400.0f, 300.0f, 50.0f, 200.0f);
    ExpectMatrixNear(p, M(0.25f, 0, 0, 0, 0, 1.0f / 3.0f, 0, 0, 0, 0, 200.0f / 150.0f, 1, 0, 0,
                          -50.0f * 200.0f / 150.0f, 0));
    // The interface space: (400, 300) at depth 0 seen from z = -100 lands on
    // the top-right corner of the screen.
    D3DXMATRIX iv, ivp;
    D3DXVECTOR3 ie(0, 0, -100), ia(0, 0, 0);
    D3DXMatrixLookAtLH(&iv, &ie, &ia, &up);
    D3DXMatrixMultiply(&ivp, &iv, &p);
    D3DXVECTOR3 corner(400, 300, 0);
    D3DXVec3TransformCoord(&r, &corner, &ivp);
    EXPECT_NEAR(r.x, 1.0f, 1e-5f);
    EXPECT_NEAR(r.y, 1.0f, 1e-5f);

    D3DXMatrixOrthoLH(&p, 4.0f, 2.0f, 1.0f, 3.0f);
    ExpectMatrixNear(p, M(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0.5f, 0, 0, 0, -0.5f, 1));
    D3DXMatrixOrthoOffCenterLH(&p, 0, 800, 600, 0, 0, 1);
    D3DXVECTOR3 tl(0, 0, 0), br(800, 600, 1);
    D3DXVec3TransformCoord(&r, &tl, &p);
    EXPECT_NEAR(r.x, -1, 1e-6f);
    EXPECT_NEAR(r.y, 1, 1e-6f);
    D3DXVec3TransformCoord(&r, &br, &p);
    EXPECT_NEAR(r.x, 1, 1e-6f);
    EXPECT_NEAR(r.y, -1, 1e-6f);
    EXPECT_NEAR(r.z, 1, 1e-6f);
}

TEST(D3DXMath, QuaternionsMatchMatrices) {
    D3DXVECTOR3 axis(1, 2, 3);
    D3DXQUATERNION q;
    D3DXQuaternionRotationAxis(&q, &axis, 1.1f);
    D3DXMATRIX fromQ, fromAxis;
    D3DXMatrixRotationQuaternion(&fromQ, &q);
    D3DXMatrixRotationAxis(&fromAxis, &axis, 1.1f);
    ExpectMatrixNear(fromQ, fromAxis);

    // Back from the matrix (up to sign).
    D3DXQUATERNION back;
    D3DXQuaternionRotationMatrix(&back, &fromQ);
    float sign = back.w * q.w < 0 ? -1.0f : 1.0f;
    EXPECT_NEAR(back.x * sign, q.x, 1e-5f);
    EXPECT_NEAR(back.w * sign, q.w, 1e-5f);

    // Yaw, pitch, roll agree between the two forms.
    D3DXQUATERNION ypr;
    D3DXMATRIX m1, m2;
    D3DXQuaternionRotationYawPitchRoll(&ypr, 0.3f, -0.4f, 0.9f);
    D3DXMatrixRotationQuaternion(&m1, &ypr);
    D3DXMatrixRotationYawPitchRoll(&m2, 0.3f, -0.4f, 0.9f);
    ExpectMatrixNear(m1, m2);

    // The product applies the first rotation first.
    D3DXQUATERNION qx, qz, prod;
    D3DXVECTOR3 xAxis(1, 0, 0), zAxis(0, 0, 1);
    D3DXQuaternionRotationAxis(&qx, &xAxis, 0.6f);
    D3DXQuaternionRotationAxis(&qz, &zAxis, 0.8f);
    D3DXQuaternionMultiply(&prod, &qx, &qz);
    D3DXMATRIX mx, mz, mxz, mp;
    D3DXMatrixRotationX(&mx, 0.6f);
    D3DXMatrixRotationZ(&mz, 0.8f);
    D3DXMatrixMultiply(&mxz, &mx, &mz);
    D3DXMatrixRotationQuaternion(&mp, &prod);
    ExpectMatrixNear(mp, mxz);

    D3DXQUATERNION conj;
    D3DXQuaternionConjugate(&conj, &q);
    EXPECT_FLOAT_EQ(conj.x, -q.x);
    EXPECT_FLOAT_EQ(conj.y, -q.y);
    EXPECT_FLOAT_EQ(conj.z, -q.z);
    EXPECT_FLOAT_EQ(conj.w, q.w);
}

TEST(D3DXMath, SlerpTakesShortestArc) {
    D3DXVECTOR3 zAxis(0, 0, 1);
    D3DXQUATERNION a, b, mid, expected;
    D3DXQuaternionRotationAxis(&a, &zAxis, 0.0f);
    D3DXQuaternionRotationAxis(&b, &zAxis, 1.0f);
    D3DXQuaternionSlerp(&mid, &a, &b, 0.5f);
    D3DXQuaternionRotationAxis(&expected, &zAxis, 0.5f);
    EXPECT_NEAR(mid.z, expected.z, 1e-6f);
    EXPECT_NEAR(mid.w, expected.w, 1e-6f);
    // The same rotation written with the opposite sign still interpolates
    // through the short way.
    D3DXQUATERNION negB = -b, mid2;
    D3DXQuaternionSlerp(&mid2, &a, &negB, 0.5f);
    EXPECT_NEAR(std::fabs(mid2.z), expected.z, 1e-6f);
    EXPECT_NEAR(std::fabs(mid2.w), expected.w, 1e-6f);
    // Ends are exact.
    D3DXQuaternionSlerp(&mid, &a, &b, 1.0f);
    EXPECT_NEAR(mid.z, b.z, 1e-6f);
}

TEST(D3DXMath, VectorTransforms) {
    D3DXMATRIX m = M(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0);  // w = z
    D3DXVECTOR3 v(2, 4, 2);
    D3DXVECTOR4 out4;
    D3DXVec3Transform(&out4, &v, &m);
    EXPECT_FLOAT_EQ(out4.w, 2.0f);
    D3DXVECTOR3 out3;
    D3DXVec3TransformCoord(&out3, &v, &m);
    EXPECT_FLOAT_EQ(out3.x, 1.0f);
    EXPECT_FLOAT_EQ(out3.y, 2.0f);
    D3DXMATRIX t;
    D3DXMatrixTranslation(&t, 5, 5, 5);
    D3DXVec3TransformNormal(&out3, &v, &t);  // translation ignored
    EXPECT_FLOAT_EQ(out3.x, 2.0f);

    D3DXVECTOR3 a(1, 0, 0), b(0, 1, 0), c;
    D3DXVec3Cross(&c, &a, &b);
    EXPECT_FLOAT_EQ(c.z, 1.0f);
    D3DXVECTOR3 zero(0, 0, 0), n;
    D3DXVec3Normalize(&n, &zero);  // no NaN from a zero vector
    EXPECT_EQ(n.x, 0.0f);
    D3DXVECTOR3 l;
    D3DXVec3Lerp(&l, &a, &b, 0.25f);
    EXPECT_FLOAT_EQ(l.x, 0.75f);
    EXPECT_FLOAT_EQ(l.y, 0.25f);
}

TEST(D3DXMath, ProjectUnprojectRoundTrip) {
    D3DVIEWPORT8 vp{0, 0, 800, 600, 0.0f, 1.0f};
    D3DXMATRIX proj, view, world;
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 4, 800.0f / 600.0f, 0.5f, 100.0f);
    D3DXVECTOR3 eye(3, -4, -6), at(0, 0, 0), up(0, 0, -1);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixIdentity(&world);
    D3DXVECTOR3 centre, p(0, 0, 0);
    D3DXVec3Project(&centre, &p, &vp, &proj, &view, &world);
    EXPECT_NEAR(centre.x, 400.0f, 1e-3f);  // the look-at point is mid-screen
    EXPECT_NEAR(centre.y, 300.0f, 1e-3f);
    D3DXVECTOR3 q(1.5f, 2.0f, -0.5f), s, back;
    D3DXVec3Project(&s, &q, &vp, &proj, &view, &world);
    D3DXVec3Unproject(&back, &s, &vp, &proj, &view, &world);
    EXPECT_NEAR(back.x, q.x, 1e-3f);
    EXPECT_NEAR(back.y, q.y, 1e-3f);
    EXPECT_NEAR(back.z, q.z, 1e-3f);
}

TEST(D3DXMath, PlanesAndRays) {
    D3DXVECTOR3 point(0, 0, 2), normal(0, 0, 1);
    D3DXPLANE plane;
    D3DXPlaneFromPointNormal(&plane, &point, &normal);
    EXPECT_FLOAT_EQ(plane.d, -2.0f);
    D3DXVECTOR3 a(1, 1, 0), b(1, 1, 4), hit;
    ASSERT_NE(D3DXPlaneIntersectLine(&hit, &plane, &a, &b), nullptr);
    EXPECT_FLOAT_EQ(hit.z, 2.0f);
    D3DXVECTOR3 c(0, 0, 0), d(1, 0, 0);
    EXPECT_EQ(D3DXPlaneIntersectLine(&hit, &plane, &c, &d), nullptr);  // parallel

    D3DXVECTOR3 p0(0, 0, 0), p1(1, 0, 0), p2(0, 1, 0);
    D3DXVECTOR3 pos(0.25f, 0.25f, -3.0f), dir(0, 0, 1);
    float u = 0, v = 0, dist = 0;
    ASSERT_TRUE(D3DXIntersectTri(&p0, &p1, &p2, &pos, &dir, &u, &v, &dist));
    EXPECT_NEAR(u, 0.25f, 1e-6f);
    EXPECT_NEAR(v, 0.25f, 1e-6f);
    EXPECT_NEAR(dist, 3.0f, 1e-6f);
    D3DXVECTOR3 outside(0.8f, 0.8f, -3.0f);
    EXPECT_FALSE(D3DXIntersectTri(&p0, &p1, &p2, &outside, &dir, &u, &v, &dist));
    D3DXVECTOR3 behind(0.25f, 0.25f, 3.0f);
    EXPECT_FALSE(D3DXIntersectTri(&p0, &p1, &p2, &behind, &dir, &u, &v, &dist));
}

TEST(D3DXMath, ColourConversions) {
    D3DXCOLOR c(0x80ff4000u);
    EXPECT_NEAR(c.a, 128 / 255.0f, 1e-6f);
    EXPECT_NEAR(c.r, 1.0f, 1e-6f);
    EXPECT_NEAR(c.g, 64 / 255.0f, 1e-6f);
    EXPECT_EQ((DWORD)c, 0x80ff4000u);
    D3DXCOLOR over(2.0f, -1.0f, 0.5f, 1.0f);
    EXPECT_EQ((DWORD)over, 0xffff0080u);  // clamped per channel
    D3DXCOLOR a(0, 0, 0, 0), b(1, 1, 1, 1), l;
    D3DXColorLerp(&l, &a, &b, 0.5f);
    EXPECT_FLOAT_EQ(l.g, 0.5f);
    EXPECT_EQ(D3DCOLOR_ARGB(1, 2, 3, 4), 0x01020304u);
    EXPECT_EQ(D3DCOLOR_XRGB(1, 2, 3), 0xff010203u);
}
