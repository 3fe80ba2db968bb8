// Track features (switches, detach points, barriers, turntables, insulated
// ends), ground states, picking and rectangle selection.
#include <cmath>

#include "app/startlog.h"
#include "app/winmain.h"
#include "gfx/geometry.h"
#include "rail/idpool.h"
#include "rail/layoutstate.h"
#include "rail/manualcontrol.h"
#include "rail/power.h"
#include "rail/track.h"

int TrackCameraEye(D3DXVECTOR3* eye);                                  // track_links.cpp
int TrackProjectToPixels(const D3DXVECTOR3& p, float* sx, float* sy); // track_links.cpp

namespace {
constexpr double DEG = 3.14159265358979323846 / 180.0;

float Wrap360(float a) {
    a = std::fmod(a, 360.0f);
    if (a < 0.0f) a += 360.0f;
    if (a >= 360.0f) a -= 360.0f;
    return a;
}

// Recomputes a piece's end points from its reference point; every end takes
// the piece's height.
void RecomputeEnds(TRACK* p) {
    float pts[6];
    if (!DetCPos(p, pts)) return;
    for (int i = 0; i < 3; i++) {
        p->end[i].x = pts[i * 2];
        p->end[i].y = pts[i * 2 + 1];
        p->end[i].z = p->z;
    }
}
} // namespace

// ---------------------------------------------------------------------------
// Switch and detach point

void TRACK::SetSwitchState(int value) {
    if (!IsSwitch()) return;
    if (value == 3) ToggleSwitchState();
    else switchState = value;
}

void TRACK::SetDetachPoint(const char* newName, int inTable) {
    CopyText(featureName, TRACKFEATURENAMELEN, newName ? newName : "");
    bDetach = 1;
    bDetachInTable = inTable;
    manualControlTable.SetControl(2, this, inTable);
}

void TRACK::RemoveDetachPoint() {
    if (!bDetach) return;
    bDetach = 0;
    bDetachInTable = 0;
    featureName[0] = 0;
    manualControlTable.SetControl(2, this, 0);
}

// ---------------------------------------------------------------------------
// Barrier

void TRACK::SetBarrier(int present, int side, const char* newName, int inTable) {
    bBarrier = present;
    barrierSide = side;
    if (present != 1) {
        bBarrier = 0;
        return;
    }
    barrierShown = barrierState = 1;
    barrierAnim = 100.0f;
    bBarrierInTable = inTable;
    if (newName) CopyText(featureName, TRACKFEATURENAMELEN, newName);
    manualControlTable.SetControl(3, this, inTable);
    UpdateBarrier(barrierState, 1);
}

void TRACK::RemoveBarrier() {
    bBarrier = 0;
    bBarrierInTable = 0;
    featureName[0] = 0;
    manualControlTable.SetControl(3, this, 0);
}

void TRACK::UpdateBarrier(int target, int keep) {
    if (layoutState.GetMode() == 0) {
        if (keep) target = barrierState;
        if (target != barrierState) {
            barrierAnim = 10.0f - barrierAnim;
            barrierShown = barrierState;
            barrierState = target;
        }
    } else {
        if (!keep && pFeedNode) {
            POWER_NODE* n = pFeedNode;
            int v = (target == 2) ? (barrierSide == 0 ? 10 : -10) : 0;
            if (n->pTrack && n->pTrack->powerDir != powerDir) v = -v;
            n->currentValue = v;
            if (n->pTrack) trackList.PropagatePower(n, n->pTrack);
        }
        int p = powerValue;
        int newState = (barrierSide == 0) ? (p > 0 ? 2 : 1) : (p < 0 ? 2 : 1);
        if (newState != barrierState) {
            barrierAnim = 10.0f - barrierAnim;
            barrierShown = barrierState;
            barrierState = newState;
        }
    }
    barrierAnim = 10.0f;
    barrierShown = barrierState;
}

void TRACK_LIST::SetBarrierPreview(TRACK* p) {
    BARRIER_PREVIEW& b = barrierPreview;
    if (!p) {
        b.bChooseA = b.bChooseB = 0;
        b.pTrack = nullptr;
        return;
    }
    b.pTrack = p;
    double a = p->heading * DEG;
    b.vPostA = D3DXVECTOR3(p->x - 0.5f * float(std::sin(a)), p->y + 0.5f * float(std::cos(a)), p->z + 0.2f);
    b.vPostB = D3DXVECTOR3(p->x + 0.5f * float(std::sin(a)), p->y - 0.5f * float(std::cos(a)), p->z + 0.2f);
    b.vPostADrawn = b.vPostA;
    b.vPostBDrawn = b.vPostB;
    if (!p->bBarrier) {
        b.bChooseA = b.bChooseB = 1;
    } else if (p->barrierSide == 1) {
        b.bChooseA = 1;
        b.bChooseB = 0;
        b.vPostADrawn.z += -1.2f;
    } else {
        b.bChooseA = 0;
        b.bChooseB = 1;
        b.vPostBDrawn.z += -1.2f;
    }
}

void TRACK_LIST::PickBarrierPoint() {
    D3DXVECTOR3 eye(0, 0, 0);
    TrackCameraEye(&eye);
    barrierPreview.vEye = eye;
    float x = 0, y = 0, z = 0;
    if (TrackPickGround(&x, &y, &z)) barrierPreview.vPicked = D3DXVECTOR3(x, y, z);
    else barrierPreview.vPicked = D3DXVECTOR3(PICK_MISS, PICK_MISS, PICK_MISS);
}

void TRACK_LIST::SetBarrierPickForTest(const D3DXVECTOR3& eye, const D3DXVECTOR3& picked) {
    barrierPreview.vEye = eye;
    barrierPreview.vPicked = picked;
}

int TRACK_LIST::PlaceBarrier(int commit, const char* newName, int inTable) {
    BARRIER_PREVIEW& b = barrierPreview;
    TRACK* p = b.pTrack;
    if (!p) return 0;
    if (p->bBarrier && commit) {
        p->SetBarrier(1, p->barrierSide, newName, inTable);
    } else {
        auto dist = [](const D3DXVECTOR3& u, const D3DXVECTOR3& v) {
            float dx = u.x - v.x, dy = u.y - v.y, dz = u.z - v.z;
            return std::sqrt(dx * dx + dy * dy + dz * dz);
        };
        float dB = dist(b.vPostB, b.vPicked);
        float dA = dist(b.vPostA, b.vPicked);
        bool candB = dB < 2.0f && (b.bChooseB || !commit);
        bool winA = dA < 2.0f && dA < dB && (b.bChooseA || !commit);
        if (!candB && !winA) return 0;
        if (!commit) return 1;
        p->SetBarrier(1, winA ? 1 : 0, newName, inTable);
    }
    SetBarrierPreview(p);
    return 1;
}

// ---------------------------------------------------------------------------
// Turntable

void TRACK::RotateTurntable(int mode) {
    if (bTurning) return;
    TRACK* n0 = (end[0].state == END_CONNECTED) ? end[0].pTrack : nullptr;
    TRACK* n1 = (end[1].state == END_CONNECTED) ? end[1].pTrack : nullptr;
    int g0 = n0 ? n0->groupId : 0;
    int g1 = n1 ? n1->groupId : 0;
    trackList.DisconnectAll(this);
    if (groupId) idPool.FreeId(groupId);
    groupId = 0;
    if (n0) trackList.SetGroupOfRun(n0, 0);
    if (n1) trackList.SetGroupOfRun(n1, 0);
    if (g0) idPool.FreeId(g0);
    if (g1) idPool.FreeId(g1);
    if (n0) {
        idPool.AssignId(n0);
        trackList.SetGroupOfRun(n0, n0->groupId);
    }
    if (n1 && n1->groupId == 0) {
        idPool.AssignId(n1);
        trackList.SetGroupOfRun(n1, n1->groupId);
    }
    if (mode == 3) targetHeading = heading + 22.5f;
    else if (mode == 2) targetHeading = heading - 22.5f;
    else targetHeading = (heading >= 180.0f) ? heading - 180.0f : heading + 180.0f;
    bTurning = 1;
    powerList.UpdatePower();
}

void TRACK::UpdateTurntable() {
    if (!bTurning) return;
    float step = frameTime / 100.0f;
    float diff = targetHeading - heading;
    if (!std::isfinite(diff) || std::fabs(diff) < step) {
        heading = Wrap360(std::isfinite(targetHeading) ? targetHeading : heading);
        RecomputeEnds(this);
        bTurning = 0;
        if (!trackList.ConnectTrack(this, 1)) idPool.AssignId(this);
        powerList.UpdatePower();
    } else {
        heading += (diff > 0.0f) ? step : -step;
        RecomputeEnds(this);
    }
}

// ---------------------------------------------------------------------------
// Insulated ends

int TRACK::IsEndInsulated(int e) const {
    if (e < 0 || e > 2) return 0;
    const TRACK_END& own = end[e];
    if (own.bInsulated) return 1;
    if (own.state == END_CONNECTED && own.pTrack && own.conEnd >= 0 && own.conEnd <= 2)
        return own.pTrack->end[own.conEnd].bInsulated ? 1 : 0;
    return 0;
}

static TRACK_END* PartnerEnd(TRACK* p, int e) {
    TRACK_END& own = p->end[e];
    if (own.state == END_CONNECTED && own.pTrack && own.conEnd >= 0 && own.conEnd <= 2)
        return &own.pTrack->end[own.conEnd];
    return nullptr;
}

int TRACK::ToggleInsulation(int e) {
    if (e < 0 || e > 2) return 0;
    TRACK_END* partner = PartnerEnd(this, e);
    int result = 0;
    bool changed = false;
    if (end[e].bInsulated) {
        end[e].bInsulated = 0;
        if (partner) partner->bInsulated = 0;
        changed = true;
    } else if (partner && partner->bInsulated) {
        partner->bInsulated = 0;
        changed = true;
    } else if (end[e].mark) {
        end[e].bInsulated = 1;
        result = 1;
        changed = true;
    }
    // An insulation added or removed changes where the power goes.
    if (changed) powerList.UpdatePower();
    return result;
}

void TRACK::ClearInsulation(int e) {
    if (e < 0 || e > 2) return;
    TRACK_END* partner = PartnerEnd(this, e);
    bool changed = end[e].bInsulated || (partner && partner->bInsulated);
    end[e].bInsulated = 0;
    if (partner) partner->bInsulated = 0;
    if (changed) powerList.UpdatePower();
}

int TRACK::MarkConnectedEnds() {
    int any = 0;
    for (int i = 0; i < 3; i++) {
        end[i].mark = (end[i].state == END_CONNECTED) ? 1 : 0;
        any |= end[i].mark;
    }
    return any;
}

void TRACK::ClearEndMarks() {
    for (int i = 0; i < 3; i++) end[i].mark = 0;
}

// ---------------------------------------------------------------------------
// Ground state

void TRACK::DetGroundState() {
    bool under = false, deep = false, raisedEnd = false, groundEnd = false;
    int ends = IsSwitch() ? 3 : 2;
    for (int i = 0; i < ends; i++) {
        if (end[i].x == NOPOINT && end[i].y == NOPOINT) continue;
        float t = TrackGroundHeight(end[i].x, end[i].y);
        float ez = end[i].z;
        if (ez - 0.06f > t) {
            if (t < ez - 1.5f) deep = true;
            else under = true;
        } else if (t - ez > 0.1f) {
            raisedEnd = true;
        } else {
            groundEnd = true;
        }
    }
    float t = TrackGroundHeight(x, y);
    if (z - 1.5f > t) deep = true;
    else if (z - 0.06f > t) under = true;
    if (under || (deep && (raisedEnd || groundEnd))) groundState = GROUND_UNDER;
    else if (deep) groundState = GROUND_DEEP;
    else if (raisedEnd) groundState = GROUND_RAISED;
    else groundState = GROUND_ON;
}

void TRACK_LIST::DetGroundStates() {
    for (TRACK* p = pHead; p; p = p->pNext) p->DetGroundState();
}

void TRACK_LIST::DetGroundStatesOfSelected() {
    for (TRACK* p = pHead; p; p = p->pNext)
        if (p->bSelected) p->DetGroundState();
}

// ---------------------------------------------------------------------------
// Picking

float TRACK::DetPercentUnderMouse() const {
    int far = (IsSwitch() && switchState == 1) ? 2 : 1;
    float d0 = DetMouseRayDistance(GetEndPoint(0));
    float d1 = DetMouseRayDistance(GetEndPoint(far));
    if (!(d0 + d1 > 0.0f)) return 0.0f;
    return 100.0f * d0 / (d0 + d1);
}

float TRACK::PickDistance(float terrainDistance, float gauge) const {
    D3DXVECTOR3 ref(x, y, z);
    if (!IsPointUnderMouse(ref, length)) return PICK_MISS;
    float r = gauge / 2.0f;
    float best = PICK_MISS;
    auto seg = [&](const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
        float d = DetSegmentRayDistance(a, b, r, terrainDistance);
        if (d < best) best = d;
    };
    if (kind == TRACK_CURVE || IsSwitch()) {
        seg(GetEndPoint(0), ref);
        seg(ref, GetEndPoint(1));
        if (IsSwitch()) seg(GetEndPoint(0), GetEndPoint(2));
    } else {
        seg(GetEndPoint(0), GetEndPoint(1));
    }
    return best;
}

int TRACK_LIST::PickTrack(TRACK** piece, int* endIndex, float* percent) {
    if (piece) *piece = nullptr;
    if (endIndex) *endIndex = -1;
    float terrainDistance = PICK_MISS;
    float gx, gy, gz;
    D3DXVECTOR3 eye(0, 0, 0);
    if (!TrackGridView() && TrackPickGround(&gx, &gy, &gz) && TrackCameraEye(&eye))
        terrainDistance = DetDistance3D(eye.x, eye.y, eye.z, gx, gy, gz);
    TRACK* best = nullptr;
    float bestDist = PICK_MISS;
    for (TRACK* p = pHead; p; p = p->pNext) {
        float d = p->PickDistance(terrainDistance, halfGauge);
        if (d < bestDist) {
            bestDist = d;
            best = p;
        }
    }
    if (!best || bestDist > 1.0f) return 0;
    int e = -1;
    for (int i = 0; i < 3; i++)
        if (best->end[i].mark == 1 && DetPickDistance(best->GetEndPoint(i), PICK_MISS, 0.5f) < 0.5f) e = i;
    if (piece) *piece = best;
    if (endIndex) *endIndex = e;
    if (percent) *percent = best->DetPercentUnderMouse();
    return 1;
}

int TRACK_LIST::PickTrackChecked(TRACK** piece, int* endIndex, float* percent) {
    if (!layoutState.GetSelectTracks()) {
        if (piece) *piece = nullptr;
        if (endIndex) *endIndex = -1;
        return 0;
    }
    return PickTrack(piece, endIndex, percent);
}

void TRACK_LIST::SelectInRectangle(const RECT* rect) {
    if (!rect || !layoutState.GetSelectTracks()) return;
    float left = float(rect->left < rect->right ? rect->left : rect->right);
    float right = float(rect->left < rect->right ? rect->right : rect->left);
    float top = float(rect->top < rect->bottom ? rect->top : rect->bottom);
    float bottom = float(rect->top < rect->bottom ? rect->bottom : rect->top);
    int grid = TrackGridView();
    for (TRACK* p = pHead; p; p = p->pNext) {
        float sx, sy;
        if (!TrackProjectToPixels(D3DXVECTOR3(p->x, p->y, p->z), &sx, &sy)) continue;
        if (sx < left || sx > right || sy < top || sy > bottom) continue;
        if (p->groundState == GROUND_DEEP && !grid) continue;
        p->bSelected = 1;
    }
}
