// Vehicles: engine and wagon sounds, chimney and crash smoke, drawing of the
// bodies, bogies, lamps and selection markers.
#include <cmath>

#include "app/myglobs.h"
#include "app/gamestate.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "gfx/geometry.h"
#include "gfx/render.h"
#include "rail/layoutstate.h"
#include "rail/track.h"
#include "rail/train.h"
#include "sound/soundmanager.h"
#include "world/aterrobj.h"
#include "world/lightlist.h"
#include "world/smoke.h"
#include "world/xobject.h"

namespace {
constexpr float DEGF = 3.1415927f / 180.0f;
constexpr float VIEW_CONE = 1.0471976f;
constexpr int LAMP_OBJID = 10002;
constexpr int SELECTION_MARKER_OBJID = 1001;

bool InTunnel(const TRACK* p) { return p && (p->groundState == GROUND_UNDER || p->groundState == GROUND_DEEP); }
} // namespace

// ---------------------------------------------------------------------------
// Sound and smoke

void TRAIN::UpdateSound() {
    const float s = layoutState.IsPaused() ? 0.0f : std::fabs(frameSpeed);
    int volume = 0, pan = 0;
    DetSoundVolumePan(vPos, &volume, &pan);
    float frequency;
    if (IsEngine()) {
        frequency = s * 1.2f + 60.0f;
        if (s >= 0.1f) volume += static_cast<int>(s * 100.0f) - 1000;
        else volume -= 4000;
    } else {
        frequency = s * 1.2f + 50.0f;
        if (s >= 0.1f) volume += static_cast<int>(s * 200.0f) - 2000;
        else volume -= 10000;
        volume -= 600;
    }
    if (InTunnel(pTrack)) {
        volume = -10000;
        pan = 0;
    }
    soundManager.UpdateSource(this, frequency, volume, pan);
}

void TRAIN::UpdateSmoke() {
    if (myGlobs.crashState && myGlobs.crashedTrain == this) {
        smokeSystem.SetSourceParams(this, 3, 80.0f, vPos.x, vPos.y, vPos.z, -1.0f, -1.0f, -1.0f, -1.0f, 0);
        smokeSystem.SetSourceParams(this, 1, 5.0f, vPos.x, vPos.y, vPos.z, -1.0f, -1.0f, -1.0f, -1.0f, 0);
        return;
    }
    if (!IsEngine() || GetXID(objId, 0) < 0) return;
    D3DXVECTOR3 spot(0.0f, 0.0f, 0.0f);
    if (!myGlobs.GetEngineSpot(objId, &spot)) return;
    const float s = layoutState.IsPaused() ? 0.0f : std::fabs(frameSpeed);
    const float h = heading * DEGF, p = pitch * DEGF;
    const float x = vPos.x + std::sin(h) * spot.y;
    const float y = vPos.y - std::cos(h) * spot.y;
    const float z = vPos.z + std::sin(p) * spot.y + spot.z;
    smokeSystem.SetSourceActive(this, 0, InTunnel(pTrack) ? 0 : 1);
    const float rate = layoutState.IsPaused() ? 3.0f : s + 3.0f;
    smokeSystem.SetSourceParams(this, 0, rate, x, y, z, s * 6.0f + 10.0f, s * 4.0f + 5.0f, s * 6.0f + 10.0f, -1.0f, 0);
}

// ---------------------------------------------------------------------------
// Drawing

void TRAIN::Render() {
    const float angle = DetViewAngle(vPos);
    const float distance = DetCameraDistance(vPos);
    if ((angle > VIEW_CONE && distance > radius) || IsEyeInsideObject(objId, vPos, heading)) {
        bVisible = 0;
        return;
    }
    bVisible = 1;
    const int highlight = layoutState.GetHighlightedObject() == this ? 1 : 0;
    if (IsAnimatedEngine(objId)) {
        aterrobjList.RenderPartner(this, 1, highlight);
    } else {
        SetWorldTranslation(vPos.x, vPos.y, vPos.z);
        RotateWorldZ(heading);
        RotateWorldX(pitch);
        DrawXObject(objId, 1, 0xffffffffu, 0xffffffffu, highlight, 12, -1);
        SetWorldTranslation(vPos.x, vPos.y, vPos.z);
        RotateWorldZ(heading);
        RotateWorldX(pitch);
        DrawXObject(objId, 2, 0xffffffffu, 0xffffffffu, highlight, 12, -1);
    }
    if (GetTrainBogieDistance(objId) > 0.0f) {
        DrawXObjectAt(objId + 1, vBogie0.x, vBogie0.y, vBogie0.z, bogie0Heading, 0.0f, 1.0f, -1, -1, highlight,
                      bogie0Pitch, 12, 1);
        DrawXObjectAt(objId + 1, vBogie1.x, vBogie1.y, vBogie1.z, bogie1Heading, 0.0f, 1.0f, -1, -1, highlight,
                      bogie1Pitch, 12, 1);
    }
}

void TRAIN::RenderLights() {
    if (!lightList.IsNight() || gameState != EDITOR_RUN_STATE || !bVisible || !IsEngine()) return;
    for (int i = 0; i < pointCount && i < MAXTRAINPOINTS; i++) {
        SetWorldTranslation(vPos.x, vPos.y, vPos.z);
        RotateWorldZ(heading);
        RotateWorldX(pitch);
        TranslateWorld(vPoints[i].x, vPoints[i].y, vPoints[i].z);
        if (vPoints[i].y < 0.0f) RotateWorldZ(180.0f);
        DrawXObject(LAMP_OBJID, 1, 0xffffffffu, 0xffffffffu, 0, 12, -1);
    }
}

void TRAIN::DrawSelectionMarker() {
    if (!bSelected) return;
    DrawXObjectAt(SELECTION_MARKER_OBJID, vPos.x + vSphereCenter.x, vPos.y + vSphereCenter.y,
                  vPos.z + vSphereCenter.z, 0.0f, 0.0f, radius, -1, -1, 0, 0.0f, 12, 1);
}

void TRAIN_LIST::Render() {
    IDirect3DDevice8* device = display.GetDevice();
    if (!device || !pHead) return;
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    for (TRAIN* t = pHead; t; t = t->pNext) t->RenderLights();
    for (D3DRENDERSTATETYPE s : {D3DRS_LIGHTING, D3DRS_SRCBLEND, D3DRS_DESTBLEND, D3DRS_ALPHABLENDENABLE,
                                 D3DRS_CULLMODE, D3DRS_ZWRITEENABLE})
        display.RestoreRenderState(s);
}

void TRAIN_LIST::RenderLit() {
    IDirect3DDevice8* device = display.GetDevice();
    if (!device || !myGlobs.sceneVisible || !pHead) return;
    device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    for (TRAIN* t = pHead; t; t = t->pNext) {
        lightList.SwitchOnNearLights(t->vPos.x, t->vPos.y);
        t->Render();
    }
    lightList.SwitchOffNearLights();
    display.RestoreRenderState(D3DRS_SPECULARENABLE);
}

void TRAIN_LIST::DrawSelectionMarkers() {
    IDirect3DDevice8* device = display.GetDevice();
    if (!device) return;
    bool any = false;
    for (TRAIN* t = pHead; t && !any; t = t->pNext) any = t->bSelected != 0;
    if (!any) return;
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    for (TRAIN* t = pHead; t; t = t->pNext) t->DrawSelectionMarker();
    display.RestoreRenderState(D3DRS_ALPHABLENDENABLE);
    display.RestoreRenderState(D3DRS_ALPHATESTENABLE);
}
