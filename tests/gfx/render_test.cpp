// The world-transform helpers and the projection on a headless device.
#include "support/display_support.h"
#include <gtest/gtest.h>

#include <cstdlib>

#include <cmath>

#include "app/winmain.h"
#include "app/myglobs.h"
#include "gfx/display.h"
#include "platform/window.h"
#include "gfx/render.h"

namespace {

D3DXMATRIX World() {
    D3DXMATRIX m;
    display.GetDevice()->GetTransform(D3DTS_WORLD, &m);
    return m;
}

void ExpectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], 1e-5) << "row " << r << " col " << c;
}

D3DXVECTOR3 Apply(const D3DXMATRIX& m, const D3DXVECTOR3& p) {
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &p, &m);
    return out;
}

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(StartHeadlessDisplay()); }
};

constexpr float RAD = 3.1415927f / 180.0f;

}  // namespace

TEST_F(RenderTest, TransformStepsPreMultiplySoTheLastStepActsFirst) {
    SetWorldTranslation(1.0f, 2.0f, 3.0f);
    RotateWorldZ(90.0f);
    RotateWorldX(90.0f);
    D3DXMATRIX t, rz, rx, expected;
    D3DXMatrixTranslation(&t, 1.0f, 2.0f, 3.0f);
    D3DXMatrixRotationZ(&rz, 90.0f * RAD);
    D3DXMatrixRotationX(&rx, 90.0f * RAD);
    expected = rx * rz * t;
    ExpectMatrixNear(World(), expected);

    // A model point along y: X turns it to z, Z leaves z, then the move.
    const D3DXVECTOR3 p = Apply(World(), D3DXVECTOR3(0.0f, 1.0f, 0.0f));
    EXPECT_NEAR(p.x, 1.0f, 1e-5);
    EXPECT_NEAR(p.y, 2.0f, 1e-5);
    EXPECT_NEAR(p.z, 4.0f, 1e-5);

    // Heading 90 points the model's x axis along world y.
    SetWorldTranslation(0.0f, 0.0f, 0.0f);
    RotateWorldZ(90.0f);
    const D3DXVECTOR3 q = Apply(World(), D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    EXPECT_NEAR(q.x, 0.0f, 1e-5);
    EXPECT_NEAR(q.y, 1.0f, 1e-5);

    SetWorldTranslation(5.0f, 0.0f, 0.0f);
    TranslateWorld(0.0f, 1.0f, 0.0f);
    ScaleWorldX(3.0f);
    ScaleWorld(2.0f);
    const D3DXVECTOR3 s = Apply(World(), D3DXVECTOR3(1.0f, 1.0f, 1.0f));
    EXPECT_NEAR(s.x, 11.0f, 1e-5);
    EXPECT_NEAR(s.y, 3.0f, 1e-5);
    EXPECT_NEAR(s.z, 2.0f, 1e-5);

    // Y rotation: x goes to -z.
    SetWorldTranslation(0.0f, 0.0f, 0.0f);
    RotateWorldY(90.0f);
    const D3DXVECTOR3 y = Apply(World(), D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    EXPECT_NEAR(y.z, -1.0f, 1e-5);
}

TEST_F(RenderTest, DrawXObjectAtWithoutTurnsIsAPureTranslationAndUnknownTypesAnswerMinusOne) {
    EXPECT_EQ(DrawXObjectAt(4321, 1.0f, 2.0f, -0.5f, 0.0f, 0.0f, 1.0f, 0, 0, 0, 0.0f, 12, 1), -1);
    D3DXMATRIX t;
    D3DXMatrixTranslation(&t, 1.0f, 2.0f, -0.5f);
    ExpectMatrixNear(World(), t);

    // Heading, then tilt X, then tilt Y, then the scale act on the model.
    DrawXObjectAt(4321, 1.0f, 2.0f, 3.0f, 30.0f, 20.0f, 2.0f, 0, 0, 0, 10.0f, 12, 1);
    D3DXMATRIX rz, rx, ry, sc;
    D3DXMatrixRotationZ(&rz, 30.0f * RAD);
    D3DXMatrixRotationX(&rx, 10.0f * RAD);
    D3DXMatrixRotationY(&ry, 20.0f * RAD);
    D3DXMatrixScaling(&sc, 2.0f, 2.0f, 2.0f);
    D3DXMatrixTranslation(&t, 1.0f, 2.0f, 3.0f);
    ExpectMatrixNear(World(), sc * ry * rx * rz * t);
}

TEST_F(RenderTest, SelectionMarkerSpinsTwentyDegreesPerSecond) {
    currentTime = 1000;
    DrawXObjectAt(1001, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 5, 5, 1, 0.0f, 3, 2);
    D3DXMATRIX rx, ry, expected;
    D3DXMatrixRotationX(&rx, -90.0f * RAD);
    D3DXMatrixRotationY(&ry, 20.0f * RAD);
    expected = ry * rx;
    ExpectMatrixNear(World(), expected);
}

TEST_F(RenderTest, LookAtPointProjectsToTheScreenCentreAndPointsBehindAreOffScreen) {
    display.UpdateView(1, 2.0f, 3.0f);
    D3DXVECTOR3 eye, lookAt;
    display.GetCamera(&eye, &lookAt, nullptr);
    int x = 0, y = 0;
    EXPECT_EQ(ProjectToScreen(lookAt, &x, &y), 1);
    EXPECT_EQ(x, 400);
    EXPECT_EQ(y, 300);

    // The eye itself and a point behind it have no place on the screen.
    EXPECT_EQ(ProjectToScreen(eye, &x, &y), 0);
    const D3DXVECTOR3 behind = eye + (eye - lookAt);
    EXPECT_EQ(ProjectToScreen(behind, &x, &y), 0);
    EXPECT_LT(x, -1000);
}
