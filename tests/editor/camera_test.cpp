// The editor camera: wheel zoom, orbit and zoom buttons with their limits,
// the sun turn, edge scrolling, the camera-target drag and its clamping.
#include "editor_test.h"

using CameraTest = EditorTest;

TEST_F(CameraTest, WheelZoomsByFactorWithinLimits) {
    SetView(kPi / 2, 1.0f, 50.0f);
    Frame();  // the wheel is taken on the first call
    mouseWheel += 120;
    Frame();
    EXPECT_NEAR(Distance(), 54.0f, 1e-4);
    mouseWheel += 120000;
    Frame();
    EXPECT_FLOAT_EQ(Distance(), 100.0f);
    mouseWheel -= 300000;
    Frame();
    EXPECT_FLOAT_EQ(Distance(), 5.0f);
    // No movement: nothing changes.
    Frame();
    EXPECT_FLOAT_EQ(Distance(), 5.0f);
}

TEST_F(CameraTest, WheelIgnoredWhileFollowingATrainWithoutLaterJump) {
    SetView(kPi / 2, 1.0f, 20.0f);
    Frame();
    myGlobs.freeCamera = 0;
    mouseWheel += 600;
    Frame();
    EXPECT_FLOAT_EQ(Distance(), 20.0f);
    myGlobs.freeCamera = 1;
    Frame();
    EXPECT_FLOAT_EQ(Distance(), 20.0f);
}

TEST_F(CameraTest, OrbitClampsPitchAndDropsTheExcess) {
    SetView(1.0f, 0.5f, 20.0f);
    PressButton(219);
    EXPECT_EQ(cameraState, CAMERA_ORBIT);
    EXPECT_EQ(dragMode, 1);
    EXPECT_EQ(dragY, 50);
    EXPECT_EQ(dragX, 100);
    // Further up than the limit: pitch 1.5, dragY clamped in place.
    dragY += 500;
    Frame();
    EXPECT_NEAR(Pitch(), 1.5f, 1e-5);
    EXPECT_EQ(dragY, 150);
    // Turning back acts at once.
    dragY -= 10;
    Frame();
    EXPECT_NEAR(Pitch(), 1.4f, 1e-5);
    dragY = -300;
    Frame();
    EXPECT_NEAR(Pitch(), 0.0f, 1e-6);
    EXPECT_EQ(dragY, 0);
    // Yaw wraps into 0..2 pi.
    dragX = -100;
    Frame();
    EXPECT_NEAR(Yaw(), 2 * kPi - 1.0f, 1e-4);
    dragX = 700;
    Frame();
    EXPECT_NEAR(Yaw(), 7.0f - 2 * kPi, 1e-4);
    // Release on the button ends the orbit.
    LeftRelease();
    EXPECT_EQ(cameraState, CAMERA_IDLE);
    EXPECT_EQ(dragMode, 0);
}

TEST_F(CameraTest, ZoomKeepsTheExcessInDragY) {
    SetView(1.0f, 0.5f, 20.0f);
    PressButton(220);
    EXPECT_EQ(cameraState, CAMERA_ZOOM);
    EXPECT_EQ(dragY, 200);
    dragY = 2000;
    Frame();
    EXPECT_FLOAT_EQ(Distance(), 100.0f);
    EXPECT_EQ(dragY, 2000);
    dragY = 1990;  // still beyond the limit
    Frame();
    EXPECT_FLOAT_EQ(Distance(), 100.0f);
    dragY = 30;
    Frame();
    EXPECT_FLOAT_EQ(Distance(), 5.0f);
    dragY = 123;
    Frame();
    EXPECT_NEAR(Distance(), 12.3f, 1e-4);
    EXPECT_NEAR(Pitch(), 0.5f, 1e-6);  // pitch kept
    LeftRelease();
    EXPECT_EQ(cameraState, CAMERA_IDLE);
}

TEST_F(CameraTest, ReleaseOffTheButtonStillEndsTheOrbit) {
    PressButton(219);
    ASSERT_EQ(cameraState, CAMERA_ORBIT);
    CursorToView();
    LeftRelease();
    EXPECT_EQ(cameraState, CAMERA_IDLE);
    EXPECT_EQ(dragMode, 0);
}

TEST_F(CameraTest, CtrlTurnsTheSunByDayOnly) {
    const float sun = lightList.GetSunAngle();
    keyCtrl = 1;
    PressButton(219);
    EXPECT_EQ(cameraState, CAMERA_SUN);
    dragX = 30;
    Frame();
    EXPECT_NEAR(lightList.GetSunAngle(), sun + 30.0f, 1e-3);
    EXPECT_EQ(dragX, 0);
    Frame();  // no movement, no turn
    EXPECT_NEAR(lightList.GetSunAngle(), sun + 30.0f, 1e-3);
    LeftRelease();
    EXPECT_EQ(cameraState, CAMERA_IDLE);

    lightList.SetNightAndLamps(1, 1);
    PressButton(220);
    EXPECT_EQ(cameraState, CAMERA_ZOOM);
    keyCtrl = 0;
}

TEST_F(CameraTest, WindowHandlersWaitWhileTheCameraMoves) {
    PressButton(219);
    keyEsc = 1;
    Frame();
    EXPECT_EQ(editorState, ED_EDIT);
    LeftRelease();
    Frame();
    EXPECT_EQ(editorState, 176);
    keyEsc = 0;
}

TEST_F(CameraTest, EdgeScrollButtonsSwapAndSetTheOption) {
    ASSERT_TRUE(HasItem(242));
    EXPECT_FALSE(HasItem(241));
    ClickButton(242);
    EXPECT_EQ(layoutState.GetCameraOption(), 0);
    EXPECT_TRUE(HasItem(241));
    EXPECT_FALSE(HasItem(242));
    ClickButton(241);
    EXPECT_EQ(layoutState.GetCameraOption(), 1);
    EXPECT_TRUE(HasItem(242));
    EXPECT_FALSE(HasItem(241));
}

TEST_F(CameraTest, EdgeScrollingInFullScreen) {
    display.SetDisplayMode(32, 1, 1, 800, 600);
    SetView(0.0f, 1.0f, 20.0f);
    cursorAtTop = 1;
    Frame();
    // Yaw 0: the top edge moves the target by (-s, 0) with s = 20 / 100.
    EXPECT_NEAR(layoutState.GetCameraTargetX(), -0.2f, 1e-5);
    EXPECT_NEAR(layoutState.GetCameraTargetY(), 0.0f, 1e-5);
    cursorAtTop = 0;
    cursorAtLeft = 1;
    Frame();
    EXPECT_NEAR(layoutState.GetCameraTargetX(), -0.2f, 1e-5);
    EXPECT_NEAR(layoutState.GetCameraTargetY(), 0.2f, 1e-5);
    // Long scrolling stops 5 units beyond the table's edge.
    cursorAtLeft = 0;
    cursorAtBottom = 1;
    cursorAtRight = 1;
    Frames(500);
    EXPECT_NEAR(layoutState.GetCameraTargetX(), 28.0f + 5.0f, 1e-4);
    EXPECT_NEAR(layoutState.GetCameraTargetY(), -(21.0f + 5.0f), 1e-4);
    // The camera followed the target.
    D3DXVECTOR3 lookAt;
    display.GetCamera(nullptr, &lookAt, nullptr);
    EXPECT_NEAR(lookAt.x, 33.0f, 1e-3);
    EXPECT_NEAR(lookAt.y, 26.0f, 1e-3);

    // Option off, or a followed train, or a camera drag: no scrolling.
    layoutState.SetGroundPoint(0, 0);
    layoutState.SetCameraOption(0);
    Frames(3);
    EXPECT_FLOAT_EQ(layoutState.GetCameraTargetX(), 0.0f);
    layoutState.SetCameraOption(1);
    myGlobs.freeCamera = 0;
    Frames(3);
    EXPECT_FLOAT_EQ(layoutState.GetCameraTargetX(), 0.0f);
    myGlobs.freeCamera = 1;
    editorState = 148;
    Frames(3);
    EXPECT_FLOAT_EQ(layoutState.GetCameraTargetX(), 0.0f);
}

TEST_F(CameraTest, EdgeFlagsInAWindowComeFromTheCursor) {
    display.SetDisplayMode(32, 0, 1, 800, 600);
    cursorX = 5;
    cursorY = 300;
    Frame();
    EXPECT_EQ(cursorAtLeft, 1);
    EXPECT_EQ(cursorAtRight, 0);
    // Window mode never scrolls, even at the edge.
    Frame();
    EXPECT_FLOAT_EQ(layoutState.GetCameraTargetX(), 0.0f);
    EXPECT_FLOAT_EQ(layoutState.GetCameraTargetY(), 0.0f);
    cursorX = 721;
    cursorY = 516;
    Frame();
    EXPECT_EQ(cursorAtLeft, 0);
    EXPECT_EQ(cursorAtRight, 1);
    EXPECT_EQ(cursorAtBottom, 1);
    EXPECT_EQ(cursorAtTop, 0);
}

TEST_F(CameraTest, RightDragOnGroundMovesTheTargetThenReturns) {
    SetView(0.0f, 1.0f, 20.0f);
    RightPress();
    EXPECT_EQ(editorState, ED_CAMERA_DRAG);
    EXPECT_EQ(dragMode, 1);
    EXPECT_EQ(dragX, 0);
    dragX += 10;  // yaw 0: a sideways move shifts the second coordinate
    Frame();
    EXPECT_NEAR(layoutState.GetCameraTargetX(), 0.0f, 1e-5);
    EXPECT_NEAR(layoutState.GetCameraTargetY(), 1.0f, 1e-5);
    dragY += 20;
    Frame();
    EXPECT_NEAR(layoutState.GetCameraTargetX(), -2.0f, 1e-5);
    EXPECT_NEAR(layoutState.GetCameraTargetY(), 1.0f, 1e-5);
    dragY += 100000;  // clamped at the table
    Frame();
    EXPECT_NEAR(layoutState.GetCameraTargetX(), -33.0f, 1e-4);
    RightRelease();
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_EQ(dragMode, 0);
    // A new drag starts from zero again without a jump.
    const float x = layoutState.GetCameraTargetX();
    RightPress();
    Frame();
    EXPECT_FLOAT_EQ(layoutState.GetCameraTargetX(), x);
}

