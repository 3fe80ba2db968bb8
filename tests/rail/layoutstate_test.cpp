// Layout state: new layouts, the editor's mouse points, the stored camera and
// the layout clock.
#include "layout_test.h"

#include <cmath>

#include "app/input.h"
#include "gfx/screensprites.h"
#include "rail/layoutfile.h"
#include "rail/layoutstate.h"

TEST_F(LayoutTest, NewLayoutClampsTheTableAndResetsTheLayout) {
    BuildLayout();
    layoutState.SetFileName("old.roa");
    trackList.MakeSwitchName(b->name);
    powerList.SetNameCounter(40);
    controlList.SetNameCounter(40);
    layoutState.SetEditable(0);
    layoutState.SetSelectPlants(0);
    terrain.SetGridView(1);

    ASSERT_EQ(NewLayout(0, 0, 120), 1);
    int w = 0, d = 0;
    terrain.GetTileCounts(&w, &d);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(d, 99);
    EXPECT_EQ(trackList.GetFirst(), nullptr);
    EXPECT_TRUE(powerList.IsEmpty());
    EXPECT_EQ(trainList.GetFirst(), nullptr);
    EXPECT_EQ(terrobjList.GetFirst(), nullptr);
    EXPECT_EQ(trackAdditionList.GetFirst(), nullptr);
    EXPECT_STREQ(layoutState.GetFileName(), "");
    EXPECT_EQ(layoutState.GetMode(), 1);
    EXPECT_EQ(layoutState.GetEditable(), 1);
    EXPECT_EQ(layoutState.GetSelectTracks(), 1);
    EXPECT_EQ(layoutState.GetSelectObjects(), 1);
    EXPECT_EQ(layoutState.GetSelectPlants(), 1);
    EXPECT_EQ(layoutState.GetSelectVehicles(), 1);
    EXPECT_EQ(terrain.IsGridView(), 0);
    EXPECT_EQ(skybox.GetCurrentIndex(), 0);
    EXPECT_EQ(powerList.GetNameCounter(), 1);
    EXPECT_EQ(controlList.GetNameCounter(), 1);
    char name[TRACKNAMELEN];
    trackList.MakeSwitchName(name);
    EXPECT_STREQ(name, "S1");
    // The camera looks at the ground point (0, 10).
    EXPECT_FLOAT_EQ(layoutState.GetGroundPointX(), 0.0f);
    EXPECT_FLOAT_EQ(layoutState.GetGroundPointY(), 10.0f);
    float yaw, pitch, distance;
    display.GetCameraAngles(&yaw, &pitch, &distance);
    EXPECT_FLOAT_EQ(yaw, 1.5707964f);
    EXPECT_FLOAT_EQ(pitch, 1.1f);
    EXPECT_FLOAT_EQ(distance, 15.0f);

    // Mode choice 1 gives a layout that is not power-driven; the two-value
    // form is choice 0.
    ASSERT_EQ(NewLayout(1, 3, 2), 1);
    EXPECT_EQ(layoutState.GetMode(), 0);
    ASSERT_EQ(NewLayout(4, 3), 1);
    EXPECT_EQ(layoutState.GetMode(), 1);
    terrain.GetTileCounts(&w, &d);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(d, 3);
}

TEST_F(LayoutTest, ClearLayoutForgetsTheEditorsPointers) {
    BuildLayout();
    layoutState.SetSelectedTrack(a);
    layoutState.SetTargetNode(node);
    layoutState.SetTargetObject(house);
    layoutState.SetSelectedTerrobj(house);
    layoutState.SetSelectedVehicle(engine);
    layoutState.SetHighlightedObject(house);
    myGlobs.journeyTrain = engine;
    ClearLayout();
    EXPECT_EQ(layoutState.GetSelectedTrack(), nullptr);
    EXPECT_EQ(layoutState.GetTargetNode(), nullptr);
    EXPECT_EQ(layoutState.GetTargetObject(), nullptr);
    EXPECT_EQ(layoutState.GetSelectedTerrobj(), nullptr);
    EXPECT_EQ(layoutState.GetSelectedVehicle(), nullptr);
    EXPECT_EQ(layoutState.GetHighlightedObject(), nullptr);
    EXPECT_EQ(myGlobs.journeyTrain, nullptr);
    EXPECT_TRUE(powerList.IsEmpty());
    EXPECT_EQ(lightList.GetLightCount(), 0);
}

TEST(LayoutState, MousePointsAndTheSelectionRectangle) {
    LAYOUT_STATE s;
    cursorX = 300;
    cursorY = 200;
    s.StartDrag(300, 200);
    EXPECT_EQ(s.HasMouseMoved(), 0);
    cursorX = 310;
    cursorY = 195;
    EXPECT_EQ(s.HasMouseMoved(), 1);
    int dx = 0, dy = 0;
    s.GetMouseDelta(&dx, &dy);
    EXPECT_EQ(dx, 10);
    EXPECT_EQ(dy, -5);
    s.GetMouseDelta(&dx, &dy);
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 0);

    // Drawn from bottom-right to top-left: the same rectangle.
    s.StartDrag(500, 400);
    s.SetSelectionCorner(100, 50);
    RECT r = s.GetSelectionRect();
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.right, 500);
    EXPECT_EQ(r.bottom, 400);
    s.StartDrag(100, 50);
    s.SetSelectionCorner(500, 400);
    RECT q = s.GetSelectionRect();
    EXPECT_EQ(q.left, r.left);
    EXPECT_EQ(q.top, r.top);
    EXPECT_EQ(q.right, r.right);
    EXPECT_EQ(q.bottom, r.bottom);

    // The rectangle is drawn once per corner update.
    EXPECT_EQ(s.GetDrawRect(), 1);
    s.DrawSelectionRect();
    EXPECT_EQ(s.GetDrawRect(), 0);
}

TEST(LayoutState, ClockRunsWithTheFrameTime) {
    LAYOUT_STATE s;
    frameTime = 30;
    s.AccumulateTime();
    s.AccumulateTime();
    EXPECT_EQ(s.GetClockTime(), 60);
    s.SetClockRunning(0);
    s.AccumulateTime();
    EXPECT_EQ(s.GetClockTime(), 60);
    s.SetClockRunning(1);
    s.SetClockTime(0x7FFFFFFF - 10);
    s.AccumulateTime();
    EXPECT_GE(s.GetClockTime(), 0);
    s.TogglePause();
    EXPECT_EQ(s.IsPaused(), 1);
    s.TogglePause();
    EXPECT_EQ(s.IsPaused(), 0);
}

TEST_F(LayoutTest, RestoredCameraOrbitsItsGroundPoint) {
    // A stored orbit view comes back as the same orbit.
    keyCtrl = 0;
    display.SetCameraAngles(2.5f, 0.8f, 20.0f);
    display.UpdateView(1, 3.0f, 4.0f);
    layoutState.StoreCamera();
    D3DXVECTOR3 eye;
    display.GetCamera(&eye, nullptr, nullptr);
    ResetLayoutCamera();
    layoutState.RestoreCamera();
    EXPECT_NEAR(layoutState.GetGroundPointX(), 3.0f, 1e-3);
    EXPECT_NEAR(layoutState.GetGroundPointY(), 4.0f, 1e-3);
    float yaw, pitch, distance;
    display.GetCameraAngles(&yaw, &pitch, &distance);
    EXPECT_NEAR(yaw, 2.5f, 1e-3);
    EXPECT_NEAR(pitch, 0.8f, 1e-3);
    EXPECT_NEAR(distance, 20.0f, 1e-3);
    D3DXVECTOR3 again;
    display.GetCamera(&again, nullptr, nullptr);
    EXPECT_NEAR(again.x, eye.x, 1e-3);
    EXPECT_NEAR(again.y, eye.y, 1e-3);
    EXPECT_NEAR(again.z, eye.z, 1e-3);

    // A look-at point above the ground moves along the line of sight down
    // to height 0.
    layoutState.SetStoredCamera(D3DXVECTOR3(0.0f, -10.0f, -10.0f), D3DXVECTOR3(0.0f, -5.0f, -5.0f),
                                D3DXVECTOR3(0.0f, 0.0f, -1.0f), 0.0f, 0.0f, 1.0f);
    layoutState.RestoreCamera();
    EXPECT_NEAR(layoutState.GetGroundPointX(), 0.0f, 1e-4);
    EXPECT_NEAR(layoutState.GetGroundPointY(), 0.0f, 1e-4);
    display.GetCameraAngles(&yaw, &pitch, &distance);
    EXPECT_NEAR(pitch, 0.7853982f, 1e-4);
    EXPECT_NEAR(yaw, 1.5707964f, 1e-3);
    EXPECT_NEAR(distance, std::sqrt(200.0f), 1e-3);

    // With Ctrl held the stored angles and ground point are kept.
    keyCtrl = 1;
    layoutState.SetGroundPoint(7.0f, 8.0f);
    layoutState.SetStoredCamera(D3DXVECTOR3(0.0f, -10.0f, -10.0f), D3DXVECTOR3(0.0f, -5.0f, -5.0f),
                                D3DXVECTOR3(0.0f, 0.0f, -1.0f), 0.3f, 0.6f, 9.0f);
    layoutState.RestoreCamera();
    keyCtrl = 0;
    EXPECT_FLOAT_EQ(layoutState.GetGroundPointX(), 7.0f);
    EXPECT_FLOAT_EQ(layoutState.GetGroundPointY(), 8.0f);
    display.GetCameraAngles(&yaw, &pitch, &distance);
    EXPECT_FLOAT_EQ(yaw, 0.3f);
    EXPECT_FLOAT_EQ(distance, 9.0f);

    // A degenerate stored view changes nothing it cannot compute.
    layoutState.SetStoredCamera(D3DXVECTOR3(1.0f, 1.0f, 1.0f), D3DXVECTOR3(1.0f, 1.0f, 1.0f),
                                D3DXVECTOR3(0.0f, 0.0f, -1.0f), 0.3f, 0.6f, 9.0f);
    layoutState.RestoreCamera();
    EXPECT_TRUE(std::isfinite(layoutState.GetGroundPointX()));
    EXPECT_TRUE(std::isfinite(layoutState.GetGroundPointY()));
}
