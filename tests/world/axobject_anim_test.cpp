// Key interpolation, animation lengths, partner advance and start delays.
#include <gtest/gtest.h>

#include <cmath>

#include "app/myglobs.h"
#include "app/random.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "rail/layoutstate.h"
#include "world/aterrobj.h"
#include "world/axobject.h"
#include "world/terrobj.h"
#include "world/xobject.h"

namespace {

D3DXMATRIX Translation(float x, float y, float z) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, x, y, z);
    return m;
}

MATRIX_KEY MKey(DWORD t, float x) { return MATRIX_KEY{t, Translation(x, 0.0f, 0.0f)}; }

void ExpectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float eps = 1e-4f) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], eps) << "at " << r << "," << c;
}

D3DXQUATERNION ZRotation(float degrees) {
    // The file's quaternion for a turn about z (its conjugate is what the
    // matrix convention turns by).
    float h = D3DXToRadian(degrees) * 0.5f;
    return D3DXQUATERNION(0.0f, 0.0f, std::sin(h), std::cos(h));
}

}  // namespace

TEST(FrameKeys, MatrixKeysLoopAndReportTheirEnd) {
    XFRAME f;
    f.matrixKeys = {MKey(0, 0.0f), MKey(100, 10.0f)};
    D3DXMATRIX m;
    float length = -1.0f;
    EXPECT_EQ(0, ComputeFrameMatrix(f, 25.0f, "L", &length, &m));
    EXPECT_FLOAT_EQ(100.0f, length);
    EXPECT_NEAR(2.5f, m._41, 1e-4f);
    // Past the end: wraps by the last key time and reports the end.
    EXPECT_EQ(1, ComputeFrameMatrix(f, 150.0f, "L", &length, &m));
    EXPECT_NEAR(5.0f, m._41, 1e-4f);
    EXPECT_EQ(1, ComputeFrameMatrix(f, 100.0f, "L", &length, &m));
    EXPECT_NEAR(0.0f, m._41, 1e-4f);
    // A negative time runs backwards from the end.
    EXPECT_EQ(0, ComputeFrameMatrix(f, -25.0f, "L", &length, &m));
    EXPECT_NEAR(7.5f, m._41, 1e-4f);
}

TEST(FrameKeys, PlayOnceHoldsTheSecondToLastKey) {
    XFRAME f;
    f.matrixKeys = {MKey(0, 0.0f), MKey(100, 10.0f), MKey(200, 30.0f)};
    D3DXMATRIX m;
    float length = 0.0f;
    EXPECT_EQ(0, ComputeFrameMatrix(f, 50.0f, "O", &length, &m));
    EXPECT_FLOAT_EQ(100.0f, length);
    EXPECT_EQ(1, ComputeFrameMatrix(f, 170.0f, "O", &length, &m));
    EXPECT_NEAR(10.0f, m._41, 1e-4f);
}

TEST(FrameKeys, SingleKeysAndTimesOutsideTheKeysAreSafe) {
    D3DXMATRIX m;
    float length = -1.0f;
    // One key at time 0: a constant pose with a zero length.
    XFRAME one;
    one.matrixKeys = {MKey(0, 4.0f)};
    EXPECT_EQ(1, ComputeFrameMatrix(one, 37.0f, "L", &length, &m));
    EXPECT_FLOAT_EQ(0.0f, length);
    EXPECT_NEAR(4.0f, m._41, 1e-5f);
    // One key later than 0: before it and after it the key holds.
    XFRAME late;
    late.matrixKeys = {MKey(50, 6.0f)};
    EXPECT_EQ(0, ComputeFrameMatrix(late, 10.0f, "L", &length, &m));
    EXPECT_NEAR(6.0f, m._41, 1e-5f);
    EXPECT_EQ(1, ComputeFrameMatrix(late, 60.0f, "L", &length, &m));
    EXPECT_NEAR(6.0f, m._41, 1e-5f);
    // A time before the first of several keys takes the first key.
    XFRAME two;
    two.matrixKeys = {MKey(100, 1.0f), MKey(200, 3.0f)};
    EXPECT_EQ(0, ComputeFrameMatrix(two, 20.0f, "L", &length, &m));
    EXPECT_NEAR(1.0f, m._41, 1e-5f);
    // Equal key times never divide by zero.
    XFRAME same;
    same.matrixKeys = {MKey(0, 1.0f), MKey(0, 2.0f), MKey(100, 12.0f)};
    EXPECT_EQ(0, ComputeFrameMatrix(same, 0.0f, "L", &length, &m));
    EXPECT_TRUE(std::isfinite(m._41));
    EXPECT_NEAR(2.0f, m._41, 1e-5f);
    XFRAME rotSame;
    rotSame.rotateKeys = {ROTATE_KEY{0, ZRotation(0.0f)}, ROTATE_KEY{0, ZRotation(90.0f)}};
    ComputeFrameMatrix(rotSame, 0.0f, "L", &length, &m);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_TRUE(std::isfinite(m.m[r][c]));
}

TEST(FrameKeys, ScaleRotationPositionInterpolateInThatOrder) {
    XFRAME f;
    f.scaleKeys = {SCALE_KEY{0, D3DXVECTOR3(1, 1, 1)}, SCALE_KEY{100, D3DXVECTOR3(3, 3, 3)}};
    f.rotateKeys = {ROTATE_KEY{0, ZRotation(0.0f)}, ROTATE_KEY{100, ZRotation(90.0f)}};
    f.positionKeys = {POSITION_KEY{0, D3DXVECTOR3(0, 0, 0)}, POSITION_KEY{100, D3DXVECTOR3(10, 20, 30)}};
    D3DXMATRIX m;
    float length = 0.0f;
    ComputeFrameMatrix(f, 50.0f, "L", &length, &m);
    EXPECT_FLOAT_EQ(100.0f, length);
    D3DXMATRIX s, r, t, expected;
    D3DXMatrixScaling(&s, 2, 2, 2);
    D3DXMatrixRotationZ(&r, D3DXToRadian(-45.0f));  // the conjugate's turn
    D3DXMatrixTranslation(&t, 5, 10, 15);
    expected = s * r * t;
    ExpectMatrixNear(expected, m);
    // Each group wraps on its own last key.
    ComputeFrameMatrix(f, 150.0f, "L", &length, &m);
    ExpectMatrixNear(expected, m);
}

TEST(FrameKeys, WithoutPositionKeysTheTargetKeepsItsLoadedTranslation) {
    XFRAME target;
    target.loadedMatrix = Translation(7.0f, 8.0f, 9.0f);
    XFRAME f;
    f.target = &target;
    f.rotateKeys = {ROTATE_KEY{0, ZRotation(0.0f)}, ROTATE_KEY{100, ZRotation(90.0f)}};
    D3DXMATRIX m;
    float length = 0.0f;
    f.SetTime(100.0f, "L", &length, &m);
    EXPECT_NEAR(7.0f, m._41, 1e-5f);
    EXPECT_NEAR(8.0f, m._42, 1e-5f);
    EXPECT_NEAR(9.0f, m._43, 1e-5f);
    // The result becomes the target's current local matrix.
    ExpectMatrixNear(m, target.localMatrix);
}

TEST(FrameKeys, LengthIsTheLargestKeyTimeOfAllGroups) {
    XFRAME f;
    f.rotateKeys = {ROTATE_KEY{0, ZRotation(0.0f)}, ROTATE_KEY{100, ZRotation(10.0f)}};
    f.positionKeys = {POSITION_KEY{0, D3DXVECTOR3(0, 0, 0)}, POSITION_KEY{250, D3DXVECTOR3(1, 0, 0)}};
    EXPECT_EQ(250u, f.GetLastKeyTime());
    D3DXMATRIX m;
    float length = 0.0f;
    EXPECT_EQ(0, ComputeFrameMatrix(f, 200.0f, "L", &length, &m));
    EXPECT_FLOAT_EQ(250.0f, length);
    EXPECT_EQ(1, ComputeFrameMatrix(f, 260.0f, "L", &length, &m));
}

namespace {

const char* kAnimPath = "Scenes\\xfiles\\anmc_test.x";

// An animated type built in memory: two animated frames, one with matrix
// keys ending at 100 and one with position keys ending at 300.
AXOBJECT* MakeAnimatedType(int objId, int mode) {
    AXOBJECT* ax = new AXOBJECT();
    ax->objId = objId;
    CopyText(ax->firstAnimation, sizeof ax->firstAnimation, kAnimPath);
    ax->animMesh = new XANIMMESH();
    XFRAME* a = new XFRAME();
    a->name = "a";
    XFRAME* b = new XFRAME();
    b->name = "b";
    ax->animMesh->root->AddFrame(a);
    ax->animMesh->root->AddFrame(b);
    XFRAME* set = new XFRAME();
    set->name = kAnimPath;
    set->isAnimationSet = 1;
    ax->animMesh->root->AddFrame(set);
    ax->animMesh->BeginAnimSet();
    XFRAME* fa = new XFRAME();
    fa->name = kAnimPath;
    fa->target = a;
    fa->matrixKeys = {MKey(0, 0.0f), MKey(100, 1.0f)};
    set->AddFrame(fa);
    ax->animMesh->AddAnimFrame(fa);
    XFRAME* fb = new XFRAME();
    fb->name = kAnimPath;
    fb->target = b;
    fb->positionKeys = {POSITION_KEY{0, D3DXVECTOR3(0, 0, 0)}, POSITION_KEY{300, D3DXVECTOR3(3, 0, 0)}};
    set->AddFrame(fb);
    ax->animMesh->AddAnimFrame(fb);
    ax->AppendXstate(kAnimPath, "L", 1.0f);
    ax->next = axobjectList.head;
    axobjectList.head = ax;
    ++axobjectList.count;

    // The static type of the same objId carries the mode.
    int xid = myGlobs.xObjectCount++;
    myGlobs.xObjects[xid].objId = objId;
    myGlobs.xObjects[xid].animMode = mode;
    SetXID(objId, xid);
    return ax;
}

TERROBJ owner;
int ReadFakeOwner(const ATERROBJ&, PARTNER_OWNER_STATE* out) {
    out->position = D3DXVECTOR3(owner.x, owner.y, owner.z);
    out->heading = owner.heading;
    out->speed = 0.0f;
    return 1;
}
void MoveFakeOwner(const ATERROBJ&, float dx, float dy, float dh) {
    owner.x += dx;
    owner.y += dy;
    owner.heading = WrapHeading(owner.heading + dh);
}

}  // namespace

TEST(PartnerAnimation, AdvanceLoopsWithOvershootOverTheLongestFrame) {
    AXOBJECT* ax = MakeAnimatedType(4000, 2);
    ATERROBJ p;
    p.objId = 4000;
    CopyText(p.phase, sizeof p.phase, ax->firstAnimation);
    EXPECT_EQ(0, p.Advance(ax, 50.0f));  // starts the animation at 50
    EXPECT_STREQ("L", p.stateText);
    EXPECT_FLOAT_EQ(1.0f, p.speedFactor);
    EXPECT_EQ(2, p.frameCount);
    EXPECT_NEAR(50.0f / 300.0f * 100.0f, p.percent, 1e-3f);
    EXPECT_EQ(0, p.Advance(ax, 100.0f));  // matrix frame past its end, position frame not
    EXPECT_EQ(1, p.Advance(ax, 170.0f));  // 320: both ended
    EXPECT_NEAR(20.0f, p.overshoot, 1e-3f);
    EXPECT_EQ(0, p.Advance(ax, p.overshoot));  // restart
    EXPECT_NEAR(20.0f, p.time, 1e-3f);
    EXPECT_STREQ("NONE", p.commandPhase);
    EXPECT_STREQ("NONE", p.envirPhase);
}

TEST(PartnerAnimation, StartDelaysFollowTheModeAndTheSharedRandomSource) {
    MakeAnimatedType(4001, 1);
    MakeAnimatedType(4002, 2);
    MakeAnimatedType(4003, 3);
    VelSrand(77);
    int r1 = VelRand(), r2 = VelRand(), r3 = VelRand();
    VelSrand(77);
    EXPECT_EQ(r1 / 3, DetStartDelay(4001, 0));
    EXPECT_EQ(r2 / 3 + 5000, DetStartDelay(4001, 1));
    EXPECT_EQ(r3 / 3, DetStartDelay(4003, 1));
    EXPECT_EQ(0, DetStartDelay(4002, 1));
    EXPECT_EQ(0, DetStartDelay(1250, 0));  // engines never wait
    for (int i = 0; i < 200; ++i) {
        int d = DetStartDelay(4001, 1);
        EXPECT_GE(d, 5000);
        EXPECT_LE(d, 15922);
    }
}

TEST(PartnerAnimation, ModesStartPauseAndWalk) {
    MakeAnimatedType(4010, 2);
    MakeAnimatedType(4011, 1);
    MakeAnimatedType(4012, 3);
    SetPartnerOwnerAccessForTest(ReadFakeOwner, MoveFakeOwner);
    frameTime = 10;
    VelSrand(5);
    ATERROBJ* c = aterrobjList.AddNew(6, 4010, D3DXVECTOR3(0, 0, 0), 0.0f, &owner, 0.0f, 0.0f);
    ASSERT_NE(nullptr, c);
    EXPECT_STREQ("4010", c->name);
    EXPECT_EQ(0, c->startDelay);
    EXPECT_NEAR(48.0f, c->time, 1e-3f);  // the first step ran at creation
    ATERROBJ* w = aterrobjList.AddNew(6, 4011, D3DXVECTOR3(0, 0, 0), 0.0f, &owner + 1, 0.0f, 0.0f);
    ASSERT_NE(nullptr, w);
    EXPECT_GE(w->startDelay, 0);
    EXPECT_LE(w->startDelay, 10922);

    // Paused: nothing moves on.
    layoutState.SetPaused(1);
    float before = c->time;
    aterrobjList.UpdateAll();
    EXPECT_FLOAT_EQ(before, c->time);
    layoutState.SetPaused(0);
    aterrobjList.UpdateAll();
    EXPECT_NEAR(before + 48.0f, c->time, 1e-3f);

    // A walking object moves along its heading and its heading stays wrapped.
    ATERROBJ* m = aterrobjList.AddNew(6, 4012, D3DXVECTOR3(0, 0, 0), 0.0f, &owner, 0.0f, 0.0f);
    ASSERT_NE(nullptr, m);
    owner.x = owner.y = 0.0f;
    owner.heading = 359.99f;
    frameTime = 100;
    aterrobjList.UpdatePartner(m);
    EXPECT_GE(owner.heading, 0.0f);
    EXPECT_LT(owner.heading, 360.0f);
    EXPECT_NEAR(0.6566f, owner.heading, 1e-2f);
    EXPECT_NEAR(-0.05f, owner.y, 1e-3f);
    layoutState.SetPaused(1);
    float y = owner.y;
    aterrobjList.UpdatePartner(m);
    EXPECT_FLOAT_EQ(y, owner.y);
    layoutState.SetPaused(0);

    aterrobjList.RemovePartner(&owner + 1);
    EXPECT_EQ(nullptr, aterrobjList.FindPartner(&owner + 1));
    SetPartnerOwnerAccessForTest(nullptr, nullptr);
    aterrobjList.RemoveAll();
}

TEST(PartnerAnimation, ModeOnePausesOnlyBetweenWholeRuns) {
    // One animated frame has matrix keys ending at 100, the other only
    // position keys ending at 300: a run lasts until both have ended, and the
    // position frame's end counts as much as the matrix frame's.
    MakeAnimatedType(4030, 1);
    SetPartnerOwnerAccessForTest(ReadFakeOwner, MoveFakeOwner);
    frameTime = 20;  // steps of 96
    ATERROBJ* p = aterrobjList.AddNew(6, 4030, D3DXVECTOR3(0, 0, 0), 0.0f, &owner, 0.0f, 0.0f);
    ASSERT_NE(nullptr, p);
    for (int run = 0; run < 3; ++run) {
        p->startDelay = 0;  // the pause before the run is over
        int frames = 0;
        while (p->startDelay <= 0 && frames < 50) {
            float before = p->time;
            aterrobjList.UpdatePartner(p);
            ++frames;
            if (p->startDelay <= 0) {
                EXPECT_NEAR(before + 96.0f, p->time, 1e-3f) << "run " << run;
            }
        }
        // Three steps cover the 300 units; only then comes the next pause.
        EXPECT_EQ(3, frames) << "run " << run;
        EXPECT_GE(p->startDelay, 5000);
        EXPECT_EQ(0, p->finished);  // restarted with what ran past the end
    }
    SetPartnerOwnerAccessForTest(nullptr, nullptr);
    aterrobjList.RemoveAll();
}

TEST(PartnerAnimation, EngineStandingStillDoesNotAnimate) {
    MakeAnimatedType(1251, 0);
    SetPartnerOwnerAccessForTest(ReadFakeOwner, MoveFakeOwner);
    frameTime = 20;
    ATERROBJ* e = aterrobjList.AddNew(8, 1251, D3DXVECTOR3(0, 0, 0), 0.0f, &owner, 0.0f, 0.0f);
    ASSERT_NE(nullptr, e);
    EXPECT_EQ(0, e->startDelay);
    float t = e->time;
    for (int i = 0; i < 5; ++i) aterrobjList.UpdateAll();
    EXPECT_FLOAT_EQ(t, e->time);
    SetPartnerOwnerAccessForTest(nullptr, nullptr);
    aterrobjList.RemoveAll();
}

TEST(PartnerAnimation, WrapHeadingKeepsHeadingsInRange) {
    EXPECT_FLOAT_EQ(10.0f, WrapHeading(370.0f));
    EXPECT_FLOAT_EQ(350.0f, WrapHeading(-10.0f));
    EXPECT_FLOAT_EQ(0.0f, WrapHeading(720.0f));
    EXPECT_FLOAT_EQ(0.0f, WrapHeading(NAN));
}

TEST(PartnerAnimation, TooManyFramesAreCutAtOneHundred) {
    AXOBJECT* ax = MakeAnimatedType(4020, 2);
    for (int i = 0; i < 120; ++i) {
        XFRAME* f = new XFRAME();
        f->name = kAnimPath;
        f->matrixKeys = {MKey(0, 0.0f), MKey(10, 1.0f)};
        ax->animMesh->root->AddFrame(f);
        ax->animMesh->AddAnimFrame(f);
    }
    ATERROBJ p;
    p.objId = 4020;
    CopyText(p.phase, sizeof p.phase, ax->firstAnimation);
    p.Advance(ax, 5.0f);
    EXPECT_EQ(MAXPARTNERFRAMES, p.frameCount);
}

TEST(PartnerStates, FindXstateAnswersQuestionMarksWhenAbsent) {
    AXOBJECT ax;
    ax.AppendXstate("walk", "O", 2.5f);
    char text[32];
    float v = 0.0f;
    ax.FindXstate("walk", text, sizeof text, &v);
    EXPECT_STREQ("O", text);
    EXPECT_FLOAT_EQ(2.5f, v);
    v = 7.0f;
    ax.FindXstate("run", text, sizeof text, &v);
    EXPECT_STREQ("????", text);
    EXPECT_FLOAT_EQ(7.0f, v);
}
