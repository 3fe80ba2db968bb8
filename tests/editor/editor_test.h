// Shared set-up of the editor tests: a headless display with the editor
// camera looking at a flat 4 by 3 table, the toolbar, vehicle types from the
// vehicle fixture, and helpers that aim the mouse and step frames with
// synthetic input.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "app/gamestate.h"
#include "app/input.h"
#include "app/myglobs.h"
#include "app/winmain.h"
#include "editor/editor.h"
#include "gfx/display.h"
#include "gfx/render.h"
#include "gfx/screensprites.h"
#include "platform/window.h"
#include "rail/layoutstate.h"
#include "rail/train_test.h"
#include "support/testutil.h"
#include "ui/screenlist.h"
#include "ui/windefs.h"
#include "world/lightlist.h"
#include "world/terrain.h"
#include "world/terrobj.h"

constexpr float kPi = 3.14159265f;

inline bool StartEditorDisplay() {
    if (display.GetDevice()) return true;
    setenv("VEL_HEADLESS", "1", 1);
    plat::ForceHeadlessDevices(true);
    myGlobs.ReadCommandLine("-c32 -x800 -y600");
    int error = 0;
    return display.Init(plat::Instance(), SW_SHOW, &error) == 1 && display.GetDevice() != nullptr;
}

class EditorTest : public TrainTest {
protected:
    // Each test works in a folder of its own: the editor writes layouts and
    // backups under fixed names, and tests run side by side.
    veltest::TempDir editorFolder;

    void SetUp() override {
        TrainTest::SetUp();
        ASSERT_TRUE(StartEditorDisplay());
        static bool windowsMade = false;
        if (!windowsMade) {
            InitEditorWindows();
            windowsMade = true;
        }
        ASSERT_TRUE(terrain.CreateTerrain(4, 3));
        HideEditorWindows();
        ResetInputState();
        ResetEditorForTest();
        terrobjList.RemoveAll(0);
        myGlobs.secondEdition = 0;
        myGlobs.freeCamera = 1;
        myGlobs.journeyMode = 0;
        myGlobs.journeyTrain = nullptr;
        layoutState.SetEditable(1);
        layoutState.SetToolOption(1);
        layoutState.SetCameraOption(1);
        layoutState.SetMode(0);
        layoutState.SetSelectedVehicle(nullptr);
        layoutState.SetSelectedTrack(nullptr);
        layoutState.SetHighlightedObject(nullptr);
        lightList.SetNightAndLamps(0, 0);
        InitEditorToolbar();  // also resets the selection options and the target
        SetView(kPi / 2.0f, 1.0f, 20.0f);
        gameState = EDITOR_RUN_STATE;
        frameTime = 20;
        cursorX = 400;
        cursorY = 300;
        Aim(30.0f, 30.0f);  // far off the table: nothing there
        screenList.Update();  // no click left from before
    }

    void TearDown() override {
        terrobjList.RemoveAll(0);
        TrainTest::TearDown();
    }

    // Every window closed, so none lies under the cursor.
    static void HideEditorWindows() {
        WINDOW* windows[] = {&winTrackAttrib, &winModeMessage,  &winLoadMessage,   &winExitEditor,  &winSwitchAttrib,
                             &winOptions,     &winBuildChoice,  &winXfileLists,    &winBuildTracks, &winPutVehicles,
                             &winPutObj,      &winSelOpt,       &winSystemControl, &winEdTerrain,   &winPowerValue,
                             &winSkybox,      &winLoadFile,     &winSaveFile,      &winTrackName,   &winTerrobjColor,
                             &winHouseColor,  &winDetachAttrib, &winTtableAttrib,  &winSelectControl,
                             &winTableSize,   &winResizeTable,  &winVehicleAttrib};
        for (WINDOW* w : windows) w->Hide();
    }

    static void SetView(float yaw, float pitch, float distance) {
        display.SetCameraAngles(yaw, pitch, distance);
        UpdateCamera(1);
    }

    static float Yaw() {
        float v = 0;
        display.GetCameraAngles(&v, nullptr, nullptr);
        return v;
    }
    static float Pitch() {
        float v = 0;
        display.GetCameraAngles(nullptr, &v, nullptr);
        return v;
    }
    static float Distance() {
        float v = 0;
        display.GetCameraAngles(nullptr, nullptr, &v);
        return v;
    }

    // Points the mouse ray at a world point (the ground below it for the
    // terrain and track picks).
    static void Aim(float x, float y, float z = 0.0f) {
        D3DXVECTOR3 eye;
        display.GetCamera(&eye, nullptr, nullptr);
        const D3DXVECTOR3 p(x, y, z);
        display.SetMouseRayPoint(eye + (p - eye) * 2.0f);
        SetTrackPickForTest(1, x, y, 0.0f);
    }

    // One frame of the editor's part of the update pass, then the one-frame
    // flags are cleared as the frame loop does.
    static void Frame() {
        screenList.Update();
        ActEditorCamera();
        ActEditorSelection();
        ActEditorWindows();
        mouseLeftDown = mouseLeftUp = mouseRightDown = mouseRightUp = 0;
        doubleClick = 0;
        myGlobs.keyTabPressed = keyEnterPressed = keyLeftPressed = keyRightPressed = 0;
    }
    static void Frames(int n) {
        for (int i = 0; i < n; ++i) Frame();
    }
    static void LeftPress() {
        mouseLeftDown = 1;
        Frame();
    }
    static void LeftRelease() {
        mouseLeftUp = 1;
        Frame();
    }
    // Delete held for some frames (the screen list turns it into presses of
    // the delete button).
    static void HoldDelete(int frames) {
        keyDelete = 1;
        Frames(frames);
        keyDelete = 0;
    }
    static void RightPress() {
        mouseRightDown = 1;
        Frame();
    }
    static void RightRelease() {
        mouseRightUp = 1;
        Frame();
    }

    // A click in the view at a world point (press and release).
    static void ClickAt(float x, float y) {
        Aim(x, y);
        LeftPress();
        LeftRelease();
    }

    // Puts the cursor on the middle of a toolbar button.
    static bool CursorOnButton(int id) {
        SCREEN_ITEM item;
        if (!screenList.FindItem(id, &item)) return false;
        cursorX = (item.screen.left + item.screen.right) / 2;
        cursorY = (item.screen.top + item.screen.bottom) / 2;
        return true;
    }
    // Presses a toolbar button (the cursor stays on it).
    static void PressButton(int id) {
        ASSERT_TRUE(CursorOnButton(id));
        LeftPress();
    }
    static void ClickButton(int id) {
        PressButton(id);
        LeftRelease();
    }
    // The cursor back over the 3-D view.
    static void CursorToView() {
        cursorX = 400;
        cursorY = 300;
    }
    static bool HasItem(int id) { return screenList.FindItem(id, nullptr); }

    // A placed object that the pick can find (radius 1).
    static TERROBJ* PlaceObject(int type, int objId, float x, float y) {
        TERROBJ* o = terrobjList.AddNew(type, objId, x, y, 0.0f, 0.0f, 0.0f, 0.0f);
        EXPECT_NE(o, nullptr);
        if (o) {
            o->radius = 1.0f;
            o->z = 0.0f;
        }
        return o;
    }
};
