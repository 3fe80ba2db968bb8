#include "gfx/render.h"

#include <cmath>

#include "app/gamestate.h"
#include "app/input.h"
#include "app/myglobs.h"
#include "app/winmain.h"
#include "editor/editor.h"
#include "gfx/display.h"
#include "gfx/geometry.h"
#include "rail/layoutstate.h"
#include "rail/manualcontrol.h"
#include "rail/track.h"
#include "ui/screenlist.h"
#include "ui/window.h"
#include "world/lightlist.h"
#include "world/terrain.h"
#include "world/xobject.h"

float mouseWorldX = 0.0f;
float mouseWorldY = 0.0f;
float mouseWorldZ = 0.0f;
float placeSlopeY = 0.0f;
float placeSlopeX = 0.0f;
int placeVehicleDirection = 1;

namespace {

constexpr float PI = 3.1415927f;
constexpr float DEG = PI / 180.0f;
constexpr float RAD_TO_DEG = 57.29578f;

void MultiplyWorld(const D3DXMATRIX& m) {
    IDirect3DDevice8* device = display.GetDevice();
    if (device) device->MultiplyTransform(D3DTS_WORLD, &m);
}

// Bogie distance of a vehicle type, 0 when it has none.
float GetBogieDistance(int objId) {
    const int xid = GetXID(objId, 0);
    if (xid < 0 || xid >= MAXXOBJECTS || !myGlobs.xObjects) return 0.0f;
    const float d = myGlobs.xObjects[xid].vehicleLength2;
    return d > 0.0f ? d : 0.0f;
}

}  // namespace

// ---------------------------------------------------------------------------
// World transform

void SetWorldTranslation(float x, float y, float z) {
    IDirect3DDevice8* device = display.GetDevice();
    if (!device) return;
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, x, y, z);
    device->SetTransform(D3DTS_WORLD, &m);
}

void TranslateWorld(float x, float y, float z) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, x, y, z);
    MultiplyWorld(m);
}

void RotateWorldX(float degrees) {
    D3DXMATRIX m;
    D3DXMatrixRotationX(&m, degrees * DEG);
    MultiplyWorld(m);
}

void RotateWorldY(float degrees) {
    D3DXMATRIX m;
    D3DXMatrixRotationY(&m, degrees * DEG);
    MultiplyWorld(m);
}

void RotateWorldZ(float degrees) {
    D3DXMATRIX m;
    D3DXMatrixRotationZ(&m, degrees * DEG);
    MultiplyWorld(m);
}

void ScaleWorld(float s) {
    D3DXMATRIX m;
    D3DXMatrixScaling(&m, s, s, s);
    MultiplyWorld(m);
}

void ScaleWorldX(float s) {
    D3DXMATRIX m;
    D3DXMatrixScaling(&m, s, 1.0f, 1.0f);
    MultiplyWorld(m);
}

int DrawXObjectAt(int objId, float x, float y, float z, float heading, float tiltY, float scale, int colour1,
                  int colour2, int highlight, float tiltX, int highlightKind, int pass) {
    SetWorldTranslation(x, y, z);
    if (heading != 0.0f) RotateWorldZ(heading);
    if (objId == 1001) {
        // The selection marker spins about its own vertical axis.
        if (tiltY != 0.0f) RotateWorldY(tiltY);
        RotateWorldX(-90.0f);
        RotateWorldY(static_cast<float>(currentTime) / 50.0f);
        ScaleWorld(scale);
        return DrawXObject(objId, 1, 0xffffffffu, 0xffffffffu, 0, 12, -1);
    }
    if (objId == 5035) {
        // A gate: the moving part hinges 0.12 below the post's origin.
        const int r = DrawXObject(5035, 1, static_cast<unsigned>(colour1), static_cast<unsigned>(colour2), 0, 12, -1);
        TranslateWorld(0.0f, 0.0f, -0.12f);
        RotateWorldX(tiltY);
        TranslateWorld(0.0f, 0.0f, 0.12f);
        DrawXObject(5036, 1, static_cast<unsigned>(colour1), static_cast<unsigned>(colour2), 0, 12, -1);
        return r;
    }
    if (tiltX != 0.0f) RotateWorldX(tiltX);
    if (tiltY != 0.0f) RotateWorldY(tiltY);
    if (scale != 1.0f) ScaleWorld(scale);
    return DrawXObject(objId, pass, static_cast<unsigned>(colour1), static_cast<unsigned>(colour2), highlight,
                       highlightKind, -1);
}

// ---------------------------------------------------------------------------
// Projection and point maths

int ProjectToScreen(const D3DXVECTOR3& point, int* x, int* y) {
    D3DXMATRIX view, proj, viewProj;
    display.GetViewMatrix(&view);
    display.GetProjectionMatrix(&proj);
    D3DXMatrixMultiply(&viewProj, &view, &proj);
    D3DXVECTOR4 v;
    D3DXVec3Transform(&v, &point, &viewProj);
    // A point on or behind the camera plane has no place on the screen.
    if (!(v.w > 0.0001f)) {
        if (x) *x = -100000;
        if (y) *y = -100000;
        return 0;
    }
    const float sx = v.x / v.w * 400.0f;
    const float sy = v.y / v.w * 300.0f;
    // Far outside the screen the integer conversion would overflow.
    const float lim = 1.0e6f;
    if (x) *x = static_cast<int>(std::trunc(std::fmax(-lim, std::fmin(lim, sx)))) + 400;
    if (y) *y = 300 - static_cast<int>(std::trunc(std::fmax(-lim, std::fmin(lim, sy))));
    return 1;
}

HRESULT TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* point, const D3DXMATRIX* m) {
    if (!out || !point || !m) return E_INVALIDARG;
    const float x = point->x, y = point->y, z = point->z;
    const float w = x * m->_14 + y * m->_24 + z * m->_34 + m->_44;
    if (std::fabs(w) < 0.0001f) return E_INVALIDARG;
    out->x = (x * m->_11 + y * m->_21 + z * m->_31 + m->_41) / w;
    out->y = (x * m->_12 + y * m->_22 + z * m->_32 + m->_42) / w;
    out->z = (x * m->_13 + y * m->_23 + z * m->_33 + m->_43) / w;
    return S_OK;
}

HRESULT RotatePointZ(D3DXVECTOR3* out, const D3DXVECTOR3* point, float degrees) {
    D3DXMATRIX m;
    D3DXMatrixRotationZ(&m, degrees * DEG);
    return TransformCoord(out, point, &m);
}

void AddRotatedVector(D3DXVECTOR3* point, const D3DXVECTOR3& v, float degrees) {
    if (!point) return;
    const float c = std::cos(degrees * DEG);
    const float s = std::sin(degrees * DEG);
    point->x += c * v.x - s * v.y;
    point->y += s * v.x + c * v.y;
    point->z += v.z;
}

// ---------------------------------------------------------------------------
// Slope

void DetSlopeFromHeights(float halfSize1, float halfSize2, float hP, float hQ, float hR, float* angle1,
                         float* angle2) {
    // Horizontal distances P-R and P-Q (rotation does not change them).
    const float dPR = 2.0f * std::fabs(halfSize2);
    const float dPQ = 2.0f * std::fabs(halfSize1);
    float a2 = 0.0f, a1 = 0.0f;
    if (dPR > 0.0f) {
        a2 = std::atan(std::fabs(hR - hP) / dPR) * RAD_TO_DEG;
        if (hR > hP) a2 = -a2;
    }
    if (dPQ > 0.0f) {
        a1 = std::atan(std::fabs(hP - hQ) / dPQ) * RAD_TO_DEG;
        if (hP > hQ) a1 = -a1;
    }
    if (angle1) *angle1 = a1;
    if (angle2) *angle2 = a2;
}

void DetFootprintSlope(const D3DXVECTOR3& position, float heading, float halfSize1, float halfSize2, float* angle1,
                       float* angle2) {
    const float c = std::cos(heading * DEG);
    const float s = std::sin(heading * DEG);
    auto corner = [&](float px, float py, float* wx, float* wy) {
        *wx = position.x + c * px - s * py;
        *wy = position.y + c * py + s * px;
    };
    float px, py, qx, qy, rx, ry;
    corner(halfSize1, halfSize2, &px, &py);
    corner(-halfSize1, halfSize2, &qx, &qy);
    corner(halfSize1, -halfSize2, &rx, &ry);
    const float hP = terrain.GetHeight(px, py, 0);
    const float hQ = terrain.GetHeight(qx, qy, 0);
    const float hR = terrain.GetHeight(rx, ry, 0);
    DetSlopeFromHeights(halfSize1, halfSize2, hP, hQ, hR, angle1, angle2);
}

void DetObjectSlope(int objId, const D3DXVECTOR3& position, float heading, float* angle1, float* angle2) {
    if (GetObjTerrainFlag(objId)) {
        float size[2] = {0.0f, 0.0f};
        GetObjSize(objId, size);
        DetFootprintSlope(position, heading, size[0], size[1], angle1, angle2);
        return;
    }
    if (angle1) *angle1 = 0.0f;
    if (angle2) *angle2 = 0.0f;
}

// ---------------------------------------------------------------------------
// Camera and mouse

void UpdateCamera(int force) {
    const int f = (force || myGlobs.journeyMode) ? 1 : 0;
    display.UpdateView(f, layoutState.GetCameraTargetX(), layoutState.GetCameraTargetY());
}

void ResetCamera() {
    myGlobs.journeyMode = 0;
    myGlobs.freeCamera = 1;
    myGlobs.journeyTrain = nullptr;
    layoutState.RestoreCamera();
    UpdateCamera(1);
}

void UpdateMouseGroundPoint() {
    DetMouseGroundPoint(cursorX, cursorY, &mouseWorldX, &mouseWorldY);
    mouseWorldZ = -0.1f;
}

// ---------------------------------------------------------------------------
// Placement

float HeadingDifference(float a, float b) {
    float d = std::fmod(a - b, 360.0f);
    if (d > 180.0f) d -= 360.0f;
    if (d <= -180.0f) d += 360.0f;
    return d;
}

void DetPlacementOnPiece(const TRACK& piece, float percent, D3DXVECTOR3* point, float* heading, float* pitch) {
    int endIndex = 1;
    if (piece.kind == TRACK_RIGHTSWITCH || piece.kind == TRACK_LEFTSWITCH) endIndex = piece.switchState == 1 ? 2 : 1;
    const bool curved = piece.kind == TRACK_CURVE ||
                        ((piece.kind == TRACK_RIGHTSWITCH || piece.kind == TRACK_LEFTSWITCH) && endIndex == 1);
    const TRACK_END& e0 = piece.end[0];
    D3DXVECTOR3 start(e0.x, e0.y, e0.z);
    D3DXVECTOR3 finish(piece.end[endIndex].x, piece.end[endIndex].y, piece.end[endIndex].z);
    if (piece.end[endIndex].x <= NOPOINT || piece.end[endIndex].y <= NOPOINT) {
        // An end that was never computed (an end piece's far end): follow
        // the heading for the piece's length instead.
        finish = D3DXVECTOR3(start.x + std::cos(piece.heading * DEG) * piece.length,
                             start.y + std::sin(piece.heading * DEG) * piece.length, start.z);
    }
    const float s = percent;
    if (point) {
        *point = (start * (100.0f - s) + finish * s) / 100.0f;
        point->z -= 0.06f;
    }
    float turn = 0.0f;
    if (curved) turn = (piece.kind == TRACK_LEFTSWITCH ? -22.5f : 22.5f) * s / 100.0f;
    if (heading) *heading = piece.heading - 90.0f + turn;
    if (pitch) *pitch = piece.pitch;
}

int DetPlacementOnTrack(D3DXVECTOR3* point, float* heading, float* pitch) {
    TRACK* piece = layoutState.GetSelectedTrack();
    if (!piece) return 0;
    DetPlacementOnPiece(*piece, layoutState.GetPlacePercent(), point, heading, pitch);
    return 1;
}

namespace {

void DrawVehicleBogies(int objId, float d, const D3DXVECTOR3& p, float heading, float pitch) {
    if (d <= 0.0f) return;
    for (int dir = 1; dir >= -1; dir -= 2) {
        D3DXVECTOR3 b;
        float h = heading;
        DetPosAlongHeading(p.x, p.y, p.z, heading, pitch, dir, d, &b, &h);
        DrawXObjectAt(objId + 1, b.x, b.y, b.z, h, 0.0f, 1.0f, -1, -1, 0, -pitch, 12, 1);
    }
}

void PreviewObject(int pass) {
    const int objId = layoutState.GetObjectToPlace();
    if (objId == 200) return;
    float x, y, z;
    if (!terrain.PickForObject(objId, &x, &y, &z)) return;
    lightList.SwitchOnNearLights(x, y);
    float a1 = 0.0f, a2 = 0.0f;
    DetObjectSlope(objId, D3DXVECTOR3(x, y, z), placeAngle, &a1, &a2);
    placeSlopeY = a1;
    placeSlopeX = a2;
    DrawXObjectAt(objId, x, y, z, placeAngle, a1, 1.0f, 0, 0, 0, a2, 12, pass);
    if (objId >= 1400 && objId <= 1499) DrawXObjectAt(objId + 1, x, y, z, placeAngle, a1, 1.0f, 0, 0, 0, a2, 12, pass);
}

void PreviewVehicle() {
    const int objId = layoutState.GetVehicleToPlace();
    if (objId == 200) return;
    const float d = GetBogieDistance(objId);
    float x, y, z;
    if (!terrain.PickUnderMouse(&x, &y, &z, 0)) return;
    lightList.SwitchOnNearLights(x, y);
    D3DXVECTOR3 p;
    float h = 0.0f, pitch = 0.0f;
    if (DetPlacementOnTrack(&p, &h, &pitch)) {
        if (IsObjIdIn1250Group(objId)) h += 180.0f;
        if (std::fabs(HeadingDifference(h, placeAngle)) > 90.0f) {
            h += 180.0f;
            pitch = -pitch;
            placeVehicleDirection = -1;
        } else {
            placeVehicleDirection = 1;
        }
        for (int pass = 1; pass <= 2; ++pass)
            DrawXObjectAt(objId, p.x, p.y, p.z, h, 0.0f, 1.0f, -1, -1, 0, -pitch, 12, pass);
        DrawVehicleBogies(objId, d, p, h, pitch);
        return;
    }
    const D3DXVECTOR3 ground(x, y, z);
    for (int pass = 1; pass <= 2; ++pass)
        DrawXObjectAt(objId, x, y, z, placeAngle, 0.0f, 1.0f, -1, -1, 0, 0.0f, 12, pass);
    DrawVehicleBogies(objId, d, ground, placeAngle, 0.0f);
}

void PreviewTrack(float groundX, float groundY) {
    float x, y, z;
    if (terrain.IsGridView() || !terrain.PickUnderMouse(&x, &y, &z, 0)) {
        SetWorldTranslation(groundX, groundY, -0.01f);
    } else {
        SetWorldTranslation(x, y, z < -0.01f ? z : -0.01f);
    }
    RotateWorldZ(buildAngle);
    lightList.SwitchOnNearLights(mouseWorldX, mouseWorldY);
    if (chosenTrackType != -1) trackList.RenderType(chosenTrackType, 1);
}

}  // namespace

void DrawPlacementPreview(float groundX, float groundY, int pass) {
    if (screenList.IsMouseOverItem() || windowList.IsMouseOverAny() || manualControlTable.IsMouseOver()) return;
    if (gameState != EDITOR_RUN_STATE) return;
    if (editorState == 113) {
        PreviewObject(pass);
    } else if (editorState == 153) {
        if (pass == 1) PreviewVehicle();
    } else if (editorState == 154) {
        if (pass == 1) PreviewTrack(groundX, groundY);
    }
    lightList.SwitchOffNearLights();
}
