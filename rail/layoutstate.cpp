// Layout state: the editor's mouse points, the stored camera, the view
// options, the layout clock and the start of a new layout. The layout file's
// save, load and autosave are in layoutfile.cpp.
#include "rail/layoutstate.h"

#include <algorithm>
#include <cmath>

#include "app/input.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "gfx/screensprites.h"
#include "rail/control.h"
#include "rail/layoutfile.h"
#include "rail/power.h"
#include "rail/track.h"
#include "world/lightlist.h"
#include "world/skybox.h"
#include "world/terrain.h"
#include "world/terrobj.h"

LAYOUT_STATE::LAYOUT_STATE() {}
LAYOUT_STATE::~LAYOUT_STATE() {}

// ---------------------------------------------------------------------------
// Per frame

void LAYOUT_STATE::AccumulateTime() {
    if (!bClockRunning) return;
    // The clock wraps to 0 instead of overflowing after about 24 days.
    if (frameTime > 0 && clockTime > 0x7FFFFFFF - frameTime) clockTime = 0;
    else clockTime += frameTime;
}

void LAYOUT_STATE::TogglePause() { bPaused = bPaused ? 0 : 1; }

void LAYOUT_STATE::DrawSelectionRect() {
    if (!bDrawRect) return;
    const RECT r = GetSelectionRect();
    const DWORD red = 0xFFFF0000;
    screenSprites.AddScreenfixFilledRect(red, r.left, r.top, r.right + 1, r.top + 1, 9, 0);
    screenSprites.AddScreenfixFilledRect(red, r.left, r.bottom, r.right + 1, r.bottom + 1, 9, 0);
    screenSprites.AddScreenfixFilledRect(red, r.left, r.top, r.left + 1, r.bottom + 1, 9, 0);
    screenSprites.AddScreenfixFilledRect(red, r.right, r.top, r.right + 1, r.bottom + 1, 9, 0);
    bDrawRect = 0;
}

// ---------------------------------------------------------------------------
// Selection options and the editor's mouse machine

void LAYOUT_STATE::ResetSelectOptions() {
    vGroundPoint[0] = vGroundPoint[1] = 0.0f;
    bSelectTracks = bSelectObjects = bSelectPlants = bSelectVehicles = 1;
}

void LAYOUT_STATE::StartDrag(int x, int y) {
    dragStart = {x, y};
    dragLast = {x, y};
    rectCorner0 = {x, y};
}

int LAYOUT_STATE::HasMouseMoved() const { return (cursorX != dragStart.x || cursorY != dragStart.y) ? 1 : 0; }

void LAYOUT_STATE::GetMouseDelta(int* dx, int* dy) {
    if (dx) *dx = cursorX - dragLast.x;
    if (dy) *dy = cursorY - dragLast.y;
    dragLast = {cursorX, cursorY};
}

void LAYOUT_STATE::SetTerrainDragStart() {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    if (!terrain.PickUnderMouse(&x, &y, &z, 0)) return;
    terrainDragStart[0] = terrainDragLast[0] = x;
    terrainDragStart[1] = terrainDragLast[1] = y;
}

void LAYOUT_STATE::GetTerrainDragDelta(float* dx, float* dy) {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    // Without a ground point under the mouse the drag stands still.
    if (!terrain.PickUnderMouse(&x, &y, &z, 0)) {
        if (dx) *dx = 0.0f;
        if (dy) *dy = 0.0f;
        return;
    }
    if (dx) *dx = x - terrainDragLast[0];
    if (dy) *dy = y - terrainDragLast[1];
    terrainDragLast[0] = x;
    terrainDragLast[1] = y;
}

void LAYOUT_STATE::SetSelectionCorner(int x, int y) {
    rectCorner1 = {x, y};
    bDrawRect = 1;
}

RECT LAYOUT_STATE::GetSelectionRect() const {
    RECT r;
    r.left = std::min(rectCorner0.x, rectCorner1.x);
    r.right = std::max(rectCorner0.x, rectCorner1.x);
    r.top = std::min(rectCorner0.y, rectCorner1.y);
    r.bottom = std::max(rectCorner0.y, rectCorner1.y);
    return r;
}

// ---------------------------------------------------------------------------
// Stored camera

void LAYOUT_STATE::StoreCamera() {
    display.GetCamera(&vCameraEye, &vCameraLookAt, &vCameraUp);
    display.GetCameraAngles(&cameraYaw, &cameraPitch, &cameraDistance);
}

void LAYOUT_STATE::SetStoredCamera(const D3DXVECTOR3& eye, const D3DXVECTOR3& lookAt, const D3DXVECTOR3& up,
                                   float yaw, float pitch, float distance) {
    vCameraEye = eye;
    vCameraLookAt = lookAt;
    vCameraUp = up;
    cameraYaw = yaw;
    cameraPitch = pitch;
    cameraDistance = distance;
}

void LAYOUT_STATE::GetStoredCamera(D3DXVECTOR3* eye, D3DXVECTOR3* lookAt, D3DXVECTOR3* up, float* yaw, float* pitch,
                                   float* distance) const {
    if (eye) *eye = vCameraEye;
    if (lookAt) *lookAt = vCameraLookAt;
    if (up) *up = vCameraUp;
    if (yaw) *yaw = cameraYaw;
    if (pitch) *pitch = cameraPitch;
    if (distance) *distance = cameraDistance;
}

namespace {

bool SameVector(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

float Length(const D3DXVECTOR3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

}  // namespace

void LAYOUT_STATE::RestoreCamera() {
    const D3DXVECTOR3 eye = vCameraEye, lookAt = vCameraLookAt, up = vCameraUp;
    if (!SameVector(eye, lookAt)) display.SetView(eye, lookAt, up);
    display.SetCameraAngles(cameraYaw, cameraPitch, cameraDistance);
    if (!keyCtrl) {
        // Turn the stored view into orbit values about a point on the ground
        // (height 0) that the orbit camera reproduces.
        const D3DXVECTOR3 d = lookAt - eye;
        const float w = Length(d);
        if (w > 0.0f && std::isfinite(w)) {
            vGroundPoint[0] = lookAt.x;
            vGroundPoint[1] = -lookAt.y;
            const float pitch = std::acos(std::clamp(d.z / w, -1.0f, 1.0f));
            const float sp = std::sin(pitch);
            float yaw = cameraYaw;
            if (std::fabs(w * sp) > 1e-6f) yaw = std::asin(std::clamp(d.y / (w * sp), -1.0f, 1.0f));
            if (eye.x < lookAt.x) yaw = 3.14159265f - yaw;
            // Without a drop along the line of sight no ground point exists:
            // the look-at point stays.
            if (std::fabs(eye.z - lookAt.z) > 1e-6f) {
                const D3DXVECTOR3 g = eye + d * (eye.z / (eye.z - lookAt.z));
                if (std::isfinite(g.x) && std::isfinite(g.y)) {
                    vGroundPoint[0] = g.x;
                    vGroundPoint[1] = -g.y;
                    if (!SameVector(eye, g)) display.SetView(eye, g, up);
                    display.SetCameraAngles(yaw, pitch, Length(g - eye));
                }
            }
        }
    }
    display.UpdateView(1, vGroundPoint[0], vGroundPoint[1]);
}

void LAYOUT_STATE::SetFileName(const char* name) { CopyText(fileName, sizeof fileName, name ? name : ""); }

// ---------------------------------------------------------------------------
// New layout

void ResetLayoutCamera() {
    layoutState.SetGroundPoint(0.0f, 10.0f);
    display.SetCameraAngles(1.5707964f, 1.1f, 15.0f);
    display.UpdateView(1, layoutState.GetCameraTargetX(), layoutState.GetCameraTargetY());
}

int NewLayout(int modeChoice, int width, int height) {
    ClearLayout();
    layoutState.SetFileName("");
    skybox.SelectSkybox(0, 1);
    SetDayNightButton();
    layoutState.SetMode(modeChoice == 0 ? 1 : 0);
    width = std::clamp(width, 1, 99);
    height = std::clamp(height, 1, 99);
    if (!terrain.CreateTerrain(width, height)) {
        WriteStartLog("Unable to create the terrain in NewLayout()");
        return 0;
    }
    lightList.InitLightGrid();
    terrobjList.BuildBatches();
    trackList.FillRenderBuffer();
    if (terrain.IsGridView()) terrain.SetGridView(0);
    ResetLayoutCamera();
    layoutState.SetEditable(1);
    layoutState.SetSelectTracks(1);
    layoutState.SetSelectObjects(1);
    layoutState.SetSelectPlants(1);
    layoutState.SetSelectVehicles(1);
    controlList.SetNameCounter(1);
    powerList.SetNameCounter(1);
    trackList.SetDetachCounter(1);
    trackList.SetSwitchCounter(1);
    trackList.SetTTableCounter(1);
    return 1;
}

int NewLayout(int width, int height) { return NewLayout(0, width, height); }
