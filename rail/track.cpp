// The track piece record and the track list: creation, removal, selection,
// movement, clipboard, feature names and the track section of a layout file.
#include "rail/track.h"

#include <cmath>
#include <cstring>
#include <new>
#include <unordered_map>

#include "app/messagequeue.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "editor/editor.h"
#include "gfx/render.h"
#include "rail/control.h"
#include "rail/idpool.h"
#include "rail/layoutfile.h"
#include "rail/layoutstate.h"
#include "rail/manualcontrol.h"
#include "rail/power.h"
#include "rail/trackaddition.h"
#include "rail/xtrack.h"

void TrackRemoveVehiclesOn(TRACK* p); // track_links.cpp


using namespace recordio;

// ---------------------------------------------------------------------------
// TRACK record

void TRACK::Init(float newLength) {
    bSelected = 0;
    bHighlight = 0;
    bInBuffer = 0;
    for (int i = 0; i < 3; i++) {
        end[i].pTrack = nullptr;
        end[i].trackId = 0;
        end[i].conEnd = 0;
        end[i].bInsulated = 0;
        end[i].mark = 0;
        end[i].x = NOPOINT;
        end[i].y = NOPOINT;
    }
    if (IsSwitch()) {
        end[0].state = end[1].state = end[2].state = END_FREE;
    } else if (kind == TRACK_ENDPIECE) {
        end[0].state = END_FREE;
        end[1].state = end[2].state = END_NONE;
    } else {
        end[0].state = end[1].state = END_FREE;
        end[2].state = END_NONE;
    }
    pFeedNode = nullptr;
    pOwnNode = nullptr;
    feedNodeId = ownNodeId = 0;
    powerValue = 0;
    length = newLength;
    groupId = 0;
    pNext = pPrev = nullptr;
    switchState = 1;
    groundState = 0;
    bDetach = bDetachActive = bDetachInTable = 0;
    bBarrier = bBarrierInTable = 0;
    name[0] = 0;
    featureName[0] = 0;
    bEndPiece = (kind == TRACK_ENDPIECE);
    if (IsSwitch()) {
        trackList.MakeSwitchName(featureName);
        bSwitchInTable = 1;
    } else {
        bSwitchInTable = 0;
    }
    bTurntable = bTurning = bTurntableInTable = 0;
}

D3DXVECTOR3 TRACK::GetEndPoint(int i) const {
    if (i < 0 || i > 2) return D3DXVECTOR3(NOPOINT, NOPOINT, 0.0f);
    return D3DXVECTOR3(end[i].x, end[i].y, end[i].z);
}

int TRACK::GetExitEnd() const { return (IsSwitch() && switchState != 2) ? 2 : 1; }

void TRACK::GetName(char* out, int size) const { CopyText(out, size, name); }

void TRACK::GetFeatureName(char* out, int size) const { CopyText(out, size, featureName); }

void TRACK::StoreEnds(const float pts[6]) {
    end[0].x = pts[0];
    end[0].y = pts[1];
    end[1].x = pts[2];
    end[1].y = pts[3];
    if (IsSwitch()) {
        end[2].x = pts[4];
        end[2].y = pts[5];
    }
}

// Record offsets of the layout file.
namespace {
constexpr int OFS_END = 56;
constexpr int ENDSIZE = 36;

void WriteEnd(unsigned char* p, const TRACK_END& e) {
    PutInt(p + 0, 0);
    PutInt(p + 4, e.trackId);
    PutInt(p + 8, e.conEnd);
    PutInt(p + 12, e.state);
    PutInt(p + 16, e.bInsulated);
    PutInt(p + 20, e.mark);
    PutFloat(p + 24, e.x);
    PutFloat(p + 28, e.y);
    PutFloat(p + 32, e.z);
}

void ReadEnd(const unsigned char* p, TRACK_END& e) {
    e.pTrack = nullptr;
    e.trackId = GetInt(p + 4);
    e.conEnd = GetInt(p + 8);
    e.state = GetInt(p + 12);
    e.bInsulated = GetInt(p + 16);
    e.mark = GetInt(p + 20);
    e.x = GetFloat(p + 24);
    e.y = GetFloat(p + 28);
    e.z = GetFloat(p + 32);
}
} // namespace

void TRACK::WriteRecord(unsigned char out[TRACKRECORDSIZE]) const {
    std::memset(out, 0, TRACKRECORDSIZE);
    PutInt(out + 8, id);
    PutInt(out + 12, kind);
    PutInt(out + 16, typeIndex);
    PutFloat(out + 20, length);
    PutInt(out + 24, switchState);
    PutFloat(out + 28, x);
    PutFloat(out + 32, y);
    PutFloat(out + 36, z);
    PutInt(out + 40, reserved);
    PutFloat(out + 44, heading);
    PutFloat(out + 48, pitch);
    PutInt(out + 52, groupId);
    for (int i = 0; i < 3; i++) WriteEnd(out + OFS_END + i * ENDSIZE, end[i]);
    PutInt(out + 168, feedNodeId);
    PutInt(out + 176, ownNodeId);
    PutInt(out + 180, powerValue);
    PutInt(out + 184, powerDir);
    PutInt(out + 188, bSelected);
    PutInt(out + 192, bHighlight);
    PutInt(out + 196, bInBuffer);
    PutInt(out + 200, powerMark);
    PutInt(out + 204, groundState);
    PutInt(out + 208, bDetach);
    PutInt(out + 212, bDetachActive);
    PutInt(out + 216, bDetachInTable);
    PutInt(out + 220, bEndPiece);
    PutInt(out + 224, bBarrier);
    PutInt(out + 228, barrierSide);
    PutInt(out + 232, barrierShown);
    PutInt(out + 236, barrierState);
    PutFloat(out + 240, barrierAnim);
    PutInt(out + 244, bBarrierInTable);
    PutText(out + 248, name, TRACKNAMELEN);
    PutText(out + 280, featureName, TRACKFEATURENAMELEN);
    PutInt(out + 296, bSwitchInTable);
    PutInt(out + 300, bTurntable);
    PutInt(out + 304, bTurning);
    PutFloat(out + 308, targetHeading);
    PutFloat(out + 312, pitHeading);
    PutInt(out + 316, turntableObj);
    PutInt(out + 320, bTurntableInTable);
}

void TRACK::ReadRecord(const unsigned char* in, int size) {
    unsigned char buf[TRACKRECORDSIZE] = {};
    if (size > TRACKRECORDSIZE) size = TRACKRECORDSIZE;
    if (size > 0) std::memcpy(buf, in, size);
    pNext = pPrev = nullptr;
    id = GetInt(buf + 8);
    kind = GetInt(buf + 12);
    typeIndex = GetInt(buf + 16);
    length = GetFloat(buf + 20);
    switchState = GetInt(buf + 24);
    x = GetFloat(buf + 28);
    y = GetFloat(buf + 32);
    z = GetFloat(buf + 36);
    reserved = GetInt(buf + 40);
    heading = GetFloat(buf + 44);
    pitch = GetFloat(buf + 48);
    groupId = GetInt(buf + 52);
    for (int i = 0; i < 3; i++) ReadEnd(buf + OFS_END + i * ENDSIZE, end[i]);
    pFeedNode = nullptr;
    feedNodeId = GetInt(buf + 168);
    pOwnNode = nullptr;
    ownNodeId = GetInt(buf + 176);
    powerValue = GetInt(buf + 180);
    powerDir = GetInt(buf + 184);
    bSelected = GetInt(buf + 188);
    bHighlight = GetInt(buf + 192);
    bInBuffer = GetInt(buf + 196);
    powerMark = GetInt(buf + 200);
    groundState = GetInt(buf + 204);
    bDetach = GetInt(buf + 208);
    bDetachActive = GetInt(buf + 212);
    bDetachInTable = GetInt(buf + 216);
    bEndPiece = GetInt(buf + 220);
    bBarrier = GetInt(buf + 224);
    barrierSide = GetInt(buf + 228);
    barrierShown = GetInt(buf + 232);
    barrierState = GetInt(buf + 236);
    barrierAnim = GetFloat(buf + 240);
    bBarrierInTable = GetInt(buf + 244);
    GetText(name, buf + 248, TRACKNAMELEN);
    GetText(featureName, buf + 280, TRACKFEATURENAMELEN);
    bSwitchInTable = GetInt(buf + 296);
    bTurntable = GetInt(buf + 300);
    bTurning = GetInt(buf + 304);
    targetHeading = GetFloat(buf + 308);
    pitHeading = GetFloat(buf + 312);
    turntableObj = GetInt(buf + 316);
    bTurntableInTable = GetInt(buf + 320);
}

int TRACK::CanBePlaced(int typeCount) const {
    const int types = typeCount > 0 ? typeCount : STANDARDTRACKTYPES;
    if (kind < 0 || kind > 5 || typeIndex < 0 || typeIndex >= types) return 0;
    // The type must be of the piece's kind (a stretched straight stretches a
    // straight type).
    if (typeCount > 0 && trackList.GetTypeKind(typeIndex) != (kind == TRACK_STRETCHED ? TRACK_STRAIGHT : kind))
        return 0;
    return 1;
}

const char* TRACK::RepairRecord() {
    const char* repaired = nullptr;
    auto note = [&repaired](bool changed, const char* field) {
        if (changed && !repaired) repaired = field;
    };
    // Coordinates and angles far beyond any table still convert to grid
    // cells and light cells without overflowing.
    constexpr float kFar = 1.0e6f;
    note(BoundFloat(&x, kFar, 0.0f) | BoundFloat(&y, kFar, 0.0f) | BoundFloat(&z, kFar, 0.0f), "position");
    note(BoundFloat(&heading, kFar, 0.0f) | BoundFloat(&pitch, kFar, 0.0f), "heading");
    if (!std::isfinite(length) || length <= 0.0f || length > kFar) {
        float typeLength = 1.0f, arcLength = 1.0f;
        trackList.GetTypeValues(typeIndex, &typeLength, &arcLength, nullptr, nullptr, nullptr);
        length = (kind == TRACK_CURVE || IsSwitch()) ? arcLength : typeLength;
        if (!(length > 0.0f)) length = 1.0f;
        note(true, "length");
    }
    note(BoundInt(&switchState, 1, 3, 1), "switch state");
    note(BoundInt(&groundState, 0, 3, 0), "ground state");
    note(BoundInt(&powerValue, -10, 10, 0), "power value");
    note(powerDir != 1 && powerDir != -1, "power direction");
    if (powerDir != -1) powerDir = 1;
    note(BoundInt(&barrierSide, 0, 1, 0), "barrier side");
    note(BoundInt(&barrierShown, 1, 2, 1) | BoundInt(&barrierState, 1, 2, 1), "barrier state");
    note(BoundFloat(&barrierAnim, 100.0f, 10.0f), "barrier animation");
    note(BoundFloat(&targetHeading, kFar, heading) | BoundFloat(&pitHeading, kFar, 0.0f), "turntable");
    // The deck is drawn as the type after the pit's.
    note(BoundInt(&turntableObj, 0, MAXIDS - 2, 0), "turntable object");

    // The ends in use follow from the kind; a link to an end index that no
    // piece has is cut here and on the partner's side when the links are
    // restored.
    const int used = IsSwitch() ? 3 : (kind == TRACK_ENDPIECE ? 1 : 2);
    for (int i = 0; i < 3; i++) {
        TRACK_END& e = end[i];
        const int state = e.state;
        if (i >= used) e.state = END_NONE;
        else if (e.state != END_FREE && e.state != END_CONNECTED) e.state = END_FREE;
        note(e.state != state, "end state");
        if (e.state != END_CONNECTED || e.conEnd < 0 || e.conEnd > 2 || e.trackId <= 0) {
            note(e.state == END_CONNECTED, "end link");
            if (e.state == END_CONNECTED) e.state = END_FREE;
            if (e.conEnd < 0 || e.conEnd > 2) e.conEnd = 0;
            if (e.trackId < 0) e.trackId = 0;
        }
        note(BoundFloat(&e.x, kFar, NOPOINT) | BoundFloat(&e.y, kFar, NOPOINT) | BoundFloat(&e.z, kFar, z),
             "end point");
    }
    return repaired;
}

// ---------------------------------------------------------------------------
// TRACK_LIST

TRACK_LIST::TRACK_LIST() {}

TRACK_LIST::~TRACK_LIST() {
    // Process exit: free the records only; the other managers may already be
    // gone, so nothing else is notified.
    while (pHead) {
        TRACK* p = pHead;
        pHead = p->pNext;
        delete p;
    }
    pTail = nullptr;
    ClearClipboard();
    while (pDisabledSwitches) {
        DISABLED_SWITCH* n = pDisabledSwitches;
        pDisabledSwitches = n->pNext;
        delete n;
    }
    for (int i = 0; i < typeCount; i++) {
        delete types[i];
        types[i] = nullptr;
    }
    typeCount = 0;
}

void TRACK_LIST::AppendTrack(TRACK* p) {
    p->pNext = nullptr;
    p->pPrev = pTail;
    if (pTail) pTail->pNext = p;
    else pHead = p;
    pTail = p;
    count++;
}

void TRACK_LIST::Unlink(TRACK* p) {
    if (p->pPrev) p->pPrev->pNext = p->pNext;
    else pHead = p->pNext;
    if (p->pNext) p->pNext->pPrev = p->pPrev;
    else pTail = p->pPrev;
    p->pNext = p->pPrev = nullptr;
}

// Reference point of a new piece: the ground point under the mouse, or the
// mouse ground point of the update pass when there is none.
static void DetTrackPos(TRACK* p) {
    float gx = 0, gy = 0, gz = 0;
    if (p->kind < 0 || p->kind > 5) TraceText("Undefined type by DetTrackPos()");
    if (p->kind >= 0 && p->kind <= 5 && !TrackGridView() && TrackPickGround(&gx, &gy, &gz)) {
        p->x = gx;
        p->y = gy;
        p->z = gz;
    } else {
        p->x = mouseWorldX;
        p->y = mouseWorldY;
        p->z = -0.01f;
    }
    p->heading = buildAngle;
    p->pitch = 0.0f;
}

TRACK* TRACK_LIST::AddNewTrack(int typeIndex) {
    if (typeIndex < 0 || typeIndex >= typeCount) {
        TraceText("Unknown type by TRACK_LIST::AddNewTrack()");
        return nullptr;
    }
    TRACK* p = new (std::nothrow) TRACK;
    if (!p) {
        messageQueue.AddMessage(texts.Get(123));
        WriteStartLog("Out of memory in TRACK_LIST::AddNewTrack()");
        return nullptr;
    }
    p->typeIndex = typeIndex;
    p->kind = GetTypeKind(typeIndex);
    float len = 1.0f, arc = 1.0f;
    GetTypeValues(typeIndex, &len, &arc, nullptr, nullptr, nullptr);
    p->Init((p->kind == TRACK_STRAIGHT || p->kind == TRACK_ENDPIECE || p->kind == TRACK_STRETCHED) ? len : arc);
    DetTrackPos(p);
    float pts[6];
    if (DetCPos(p, pts)) {
        p->end[0].x = pts[0];
        p->end[0].y = pts[1];
        p->end[1].x = pts[2];
        p->end[1].y = pts[3];
        p->end[2].x = pts[4];
        p->end[2].y = pts[5];
    }
    for (int i = 0; i < 3; i++) p->end[i].z = p->z;
    AppendTrack(p);
    return p;
}

TRACK* TRACK_LIST::AppendCopy(const TRACK* record) {
    TRACK* p = new (std::nothrow) TRACK;
    if (!p) {
        WriteStartLog("Out of memory in TRACK_LIST::AppendCopy()");
        return nullptr;
    }
    *p = *record;
    AppendTrack(p);
    return p;
}

void TRACK_LIST::CopyTrack(const TRACK* p, TRACK** copy) {
    TRACK* c = new (std::nothrow) TRACK;
    if (!c) {
        WriteStartLog("Out of memory in TRACK_LIST::CopyTrack()!");
        if (copy) *copy = nullptr;
        return;
    }
    *c = *p;
    c->pNext = c->pPrev = nullptr;
    c->groupId = 0;
    for (int i = 0; i < 3; i++) c->end[i].pTrack = nullptr;
    InitConnection(c);
    c->pFeedNode = nullptr;
    c->pOwnNode = nullptr;
    c->powerValue = 0;
    c->bSelected = 1;
    c->groundState = 0;
    if (copy) *copy = c;
    else delete c;
}

void TRACK_LIST::ForgetPiece(TRACK* p) {
    if (layoutState.pSelectedTrack == p) layoutState.pSelectedTrack = nullptr;
    if (layoutState.pTargetTrack == p) layoutState.pTargetTrack = nullptr;
    if (layoutState.pHighlighted == p) layoutState.pHighlighted = nullptr;
    if (barrierPreview.pTrack == p) {
        barrierPreview.pTrack = nullptr;
        barrierPreview.bChooseA = barrierPreview.bChooseB = 0;
    }
    if (pDragTrack == p) pDragTrack = nullptr;
    for (DISABLED_SWITCH** link = &pDisabledSwitches; *link;) {
        if ((*link)->pTrack == p) {
            DISABLED_SWITCH* n = *link;
            *link = n->pNext;
            delete n;
        } else {
            link = &(*link)->pNext;
        }
    }
    for (POWER_NODE* n = powerList.GetFirst(); n; n = n->pNext)
        if (n->pTrack == p) n->pTrack = nullptr;
}

void TRACK_LIST::RemoveTrack(TRACK* p) {
    if (!p) return;
    if (p->pOwnNode) p->pOwnNode->pTrack = nullptr;
    TrackRemoveVehiclesOn(p);
    controlList.RemoveControlsOfTrack(p);
    trackAdditionList.RemoveOfTrack(p, 0);
    DisconnectAll(p);
    if (p->IsSwitch()) manualControlTable.SetControl(1, p, 0);
    if (p->bDetachInTable) manualControlTable.SetControl(2, p, 0);
    if (p->bTurntableInTable) manualControlTable.SetControl(4, p, 0);
    if (p->bBarrierInTable) manualControlTable.SetControl(3, p, 0);
    ForgetPiece(p);
    Unlink(p);
    delete p;
    count--;
}

void TRACK_LIST::DeleteSelected() {
    int removed = 0;
    TRACK* p = pHead;
    while (p) {
        TRACK* next = p->pNext;
        if (p->bSelected) {
            RemoveTrack(p);
            removed = 1;
        }
        p = next;
    }
    if (removed) RebuildConnections();
}

void TRACK_LIST::DeleteAll() {
    while (pHead) RemoveTrack(pHead);
    pHead = pTail = nullptr;
    count = 0;
    FillRenderBuffer();
}

// ---------------------------------------------------------------------------
// Selection, highlight, marks

void TRACK_LIST::DeselectAll() {
    for (TRACK* p = pHead; p; p = p->pNext) p->bSelected = 0;
}

int TRACK_LIST::IsAnySelected() const {
    for (TRACK* p = pHead; p; p = p->pNext)
        if (p->bSelected) return 1;
    return 0;
}

void TRACK_LIST::SelectGroup(const TRACK* piece) {
    if (!piece) return;
    int id = piece->groupId;
    for (TRACK* p = pHead; p; p = p->pNext)
        if (p->groupId == id) p->bSelected = 1;
}

void TRACK_LIST::SelectByName(const char* text) {
    for (TRACK* p = pHead; p; p = p->pNext)
        p->bSelected = (text && p->name[0] && std::strcmp(p->name, text) == 0) ? 1 : 0;
}

void TRACK_LIST::SetNameOfSelected(const char* text) {
    for (TRACK* p = pHead; p; p = p->pNext)
        if (p->bSelected) CopyText(p->name, TRACKNAMELEN, text ? text : "");
}

void TRACK_LIST::HighlightOnly(TRACK* piece) {
    for (TRACK* p = pHead; p; p = p->pNext) p->bHighlight = (p == piece) ? 1 : 0;
}

void TRACK_LIST::ClearHighlight() {
    for (TRACK* p = pHead; p; p = p->pNext) p->bHighlight = 0;
}

int TRACK_LIST::HighlightSpecialTracks(int flag) {
    int found = 0;
    for (TRACK* p = pHead; p; p = p->pNext) {
        bool special = p->IsSwitch() || p->bTurntable || p->bDetach || p->pOwnNode || p->bBarrier;
        if (!special) continue;
        if (!flag) return 1;
        p->bHighlight = 1;
        found = 1;
    }
    return found;
}

void TRACK_LIST::MarkConnectedEnds(TRACK* piece) {
    for (TRACK* p = pHead; p; p = p->pNext) {
        if (p == piece) {
            for (int i = 0; i < 3; i++) p->end[i].mark = (p->end[i].state == END_CONNECTED) ? 1 : 0;
        } else {
            for (int i = 0; i < 3; i++) p->end[i].mark = 0;
        }
    }
}

void TRACK_LIST::ClearEndMarks() {
    for (TRACK* p = pHead; p; p = p->pNext)
        for (int i = 0; i < 3; i++)
            if (p->end[i].mark == 1) p->end[i].mark = 0;
}

void TRACK_LIST::ClearAllEndMarks() {
    for (TRACK* p = pHead; p; p = p->pNext)
        for (int i = 0; i < 3; i++) p->end[i].mark = 0;
}

// ---------------------------------------------------------------------------
// Movement

void TRACK::Move(float dx, float dy) {
    x += dx;
    y += dy;
    for (int i = 0; i < 3; i++) {
        if (end[i].state == END_NONE) continue;
        end[i].x += dx;
        end[i].y += dy;
    }
}

void TRACK_LIST::MoveSelected(float dx, float dy) {
    for (TRACK* p = pHead; p; p = p->pNext)
        if (p->bSelected) p->Move(dx, dy);
}

void TRACK_LIST::MoveGroup(int groupId, float dx, float dy) {
    for (TRACK* p = pHead; p; p = p->pNext)
        if (p->groupId == groupId) p->Move(dx, dy);
}

static void RotateAbout(float* x, float* y, float cx, float cy, float degrees) {
    double a = degrees * M_PI / 180.0;
    double c = std::cos(a), s = std::sin(a);
    double dx = *x - cx, dy = *y - cy;
    *x = static_cast<float>(cx + c * dx - s * dy);
    *y = static_cast<float>(cy + c * dy + s * dx);
}

static float WrapHeading(float h) {
    if (!std::isfinite(h)) return 0.0f;
    h = std::fmod(h, 360.0f);
    if (h < 0.0f) h += 360.0f;
    if (h >= 360.0f) h -= 360.0f;
    return h;
}

void TRACK_LIST::RotateSelected(float angle, float cx, float cy) {
    for (TRACK* p = pHead; p; p = p->pNext) {
        if (!p->bSelected) continue;
        RotateAbout(&p->x, &p->y, cx, cy, angle);
        for (int i = 0; i < 3; i++)
            if (p->end[i].state != END_NONE) RotateAbout(&p->end[i].x, &p->end[i].y, cx, cy, angle);
        float diff = p->targetHeading - p->heading;
        p->heading = WrapHeading(p->heading + angle);
        if (p->bTurntable) {
            p->targetHeading = diff + p->heading;
            p->pitHeading += angle;
        }
    }
}

// ---------------------------------------------------------------------------
// Clipboard

void TRACK_LIST::ClearClipboard() {
    while (pClipboard) {
        TRACK* c = pClipboard;
        pClipboard = c->pNext;
        delete c;
    }
}

void TRACK_LIST::CopySelection() {
    ClearClipboard();
    for (TRACK* p = pHead; p; p = p->pNext) {
        if (!p->bSelected) continue;
        TRACK* c = nullptr;
        CopyTrack(p, &c);
        if (!c) break;
        c->pNext = pClipboard;
        pClipboard = c;
    }
    copyX = layoutState.GetGroundPointX();
    copyY = layoutState.GetGroundPointY();
    pasteCounter = 0;
    lastPasteX = copyX;
    lastPasteY = copyY;
}

void TRACK_LIST::PasteSelection() {
    if (!pClipboard) return;
    pasteCounter++;
    DeselectAll();
    float px = layoutState.GetGroundPointX();
    float py = layoutState.GetGroundPointY();
    if (px != lastPasteX || py != lastPasteY) pasteCounter = 1;
    lastPasteX = px;
    lastPasteY = py;
    float dx = px - copyX, dy = py - copyY;
    for (TRACK* c = pClipboard; c; c = c->pNext) {
        TRACK* p = nullptr;
        CopyTrack(c, &p);
        if (!p) break;
        if (p->IsSwitch()) MakeSwitchName(p->featureName);
        if (p->bDetach) MakeDetachName(p->featureName);
        p->x = p->x + 0.5f * pasteCounter + dx;
        p->y = p->y - 0.5f * pasteCounter - dy;
        AppendTrack(p);
        if (p->IsSwitch() && p->bSwitchInTable) manualControlTable.SetControl(1, p, 1);
        if (p->bDetach && p->bDetachInTable) manualControlTable.SetControl(2, p, 1);
        if (p->bTurntable && p->bTurntableInTable) manualControlTable.SetControl(4, p, 1);
        if (p->bBarrier && p->bBarrierInTable) manualControlTable.SetControl(3, p, 1);
    }
    RebuildConnections();
    powerList.UpdatePower();
    DetGroundStates();
}

// ---------------------------------------------------------------------------
// Feature names

static void MakeName(char* out, const char* prefix, int* counter) {
    char text[TRACKFEATURENAMELEN];
    std::snprintf(text, sizeof(text), "%s%d", prefix, *counter);
    CopyText(out, TRACKFEATURENAMELEN, text);
    if (*counter >= 9998) *counter = 1;
    else (*counter)++;
}

void TRACK_LIST::MakeDetachName(char* out) { MakeName(out, "D", &detachCounter); }
void TRACK_LIST::MakeSwitchName(char* out) { MakeName(out, "S", &switchCounter); }
void TRACK_LIST::MakeTTableName(char* out) { MakeName(out, "TT", &ttableCounter); }

void TRACK_LIST::AddDisabledSwitch(TRACK* p, int value) {
    if (!p || !p->IsSwitch()) return;
    DISABLED_SWITCH* n = new (std::nothrow) DISABLED_SWITCH;
    if (!n) {
        WriteStartLog("Out of memory in TRACK_LIST::AddDisabledSwitch() !!!");
        return;
    }
    n->pTrack = p;
    n->value = value;
    n->pNext = pDisabledSwitches;
    pDisabledSwitches = n;
}

// ---------------------------------------------------------------------------
// Types

void TRACK_LIST::InitTrackTypes() {
    struct StandardType {
        int kind;
        float length;
        float radius;
        int nameEntry;
    };
    static const StandardType standard[STANDARDTRACKTYPES] = {
        {0, 1.0f, 0.0f, 117},  {0, 4.0f, 0.0f, 118},    {2, 0.0f, 5.5f, 120},
        {3, 2.0f, 5.5f, 121},  {4, 2.0f, 5.5f, 122},    {5, 1.0f, 0.0f, 138},
        {0, 0.25f, 0.0f, 119}, {2, 0.0f, 6.325f, 120}, {2, 0.0f, 7.27375f, 120},
    };
    for (int i = 0; i < typeCount; i++) {
        delete types[i];
        types[i] = nullptr;
    }
    typeCount = 0;
    for (int i = 0; i < STANDARDTRACKTYPES; i++) {
        XTRACK* t = new (std::nothrow) XTRACK;
        if (!t) {
            WriteStartLog("Out of memory in TRACK_LIST::InitTrackTypes()");
            break;
        }
        t->Generate(standard[i].kind, texts.Get(standard[i].nameEntry), standard[i].length, standard[i].radius,
                    halfGauge);
        types[typeCount++] = t;
    }
}

const char* TRACK_LIST::GetTypeName(int i) const {
    XTRACK* t = GetType(i);
    return t ? t->GetName() : "";
}

int TRACK_LIST::GetTypeKind(int i) const {
    XTRACK* t = GetType(i);
    return t ? t->GetKind() : -1;
}

int TRACK_LIST::GetTypeValues(int i, float* length, float* arcLength, float* radius, float* offsetX,
                              float* offsetY) const {
    XTRACK* t = GetType(i);
    if (!t) return 0;
    float l, a, r, ox, oy;
    t->GetValues(&l, &a, &r, &ox, &oy);
    if (length) *length = l;
    if (arcLength) *arcLength = a;
    if (radius) *radius = r;
    if (offsetX) *offsetX = ox;
    if (offsetY) *offsetY = oy;
    return 1;
}

// ---------------------------------------------------------------------------
// Layout file: section 1

void TRACK_LIST::NumberPieces() {
    for (TRACK* p = pHead; p; p = p->pNext) p->id = saveCounter.Next();
}

void TRACK_LIST::SaveEndIds() {
    for (TRACK* p = pHead; p; p = p->pNext)
        for (int i = 0; i < 3; i++) p->end[i].trackId = p->end[i].pTrack ? p->end[i].pTrack->id : 0;
}

void TRACK_LIST::SavePowerIds() {
    for (TRACK* p = pHead; p; p = p->pNext) {
        p->feedNodeId = p->pFeedNode ? p->pFeedNode->seqId : 0;
        p->ownNodeId = p->pOwnNode ? p->pOwnNode->seqId : 0;
    }
}

int TRACK_LIST::Save(FILE* file) {
    if (!file) return 0;
    int n = 0;
    for (TRACK* p = pHead; p; p = p->pNext) n++;
    unsigned char head[4];
    PutInt(head, n);
    if (std::fwrite(head, 4, 1, file) != 1) return 0;
    unsigned char rec[TRACKRECORDSIZE];
    for (TRACK* p = pHead; p; p = p->pNext) {
        p->WriteRecord(rec);
        if (std::fwrite(rec, TRACKRECORDSIZE, 1, file) != 1) return 0;
    }
    return 1;
}

int TRACK_LIST::Load(FILE* file) {
    if (!file) return 0;
    unsigned char head[4];
    if (std::fread(head, 4, 1, file) != 1) {
        WriteStartLog("Track section missing in TRACK_LIST::Load()");
        return 0;
    }
    int n = GetInt(head);
    if (n < 0) {
        WriteStartLog("Bad track count in TRACK_LIST::Load():", n);
        return 0;
    }
    int size = (myGlobs.loadFileVersion < 14) ? TRACKRECORDSIZE_V13 : TRACKRECORDSIZE;
    unsigned char rec[TRACKRECORDSIZE];
    for (int i = 0; i < n; i++) {
        if (std::fread(rec, size, 1, file) != 1) {
            WriteStartLog("Track section ends early in TRACK_LIST::Load(), records read:", i);
            return 0;
        }
        TRACK t;
        t.ReadRecord(rec, size);
        if (!t.CanBePlaced(typeCount)) {
            WriteStartLog(t.kind < 0 || t.kind > 5 ? "Track record dropped in TRACK_LIST::Load(), bad kind:"
                                                   : "Track record dropped in TRACK_LIST::Load(), bad type index:",
                          i);
            continue;
        }
        const char* why = t.RepairRecord();
        if (!IsTextTerminated(rec + 248, TRACKNAMELEN) || !IsTextTerminated(rec + 280, TRACKFEATURENAMELEN))
            why = why ? why : "name";
        if (why) {
            char text[128];
            JoinStrings(text, sizeof(text), "Track record repaired in TRACK_LIST::Load(), bad ", why, ":");
            WriteStartLog(text, i);
        }
        if (t.switchState == 3) t.switchState = 1;
        if (!AppendCopy(&t)) return 0;
    }
    return 1;
}

TRACK* TRACK_LIST::FindById(int id) const {
    for (TRACK* p = pHead; p; p = p->pNext)
        if (p->id == id) return p;
    return nullptr;
}

void TRACK_LIST::RestoreEndLinks() {
    // First piece of each id, as FindById answers it.
    std::unordered_map<int, TRACK*> byId;
    byId.reserve(static_cast<size_t>(count) * 2 + 1);
    for (TRACK* p = pHead; p; p = p->pNext) byId.emplace(p->id, p);
    for (TRACK* p = pHead; p; p = p->pNext) {
        for (int i = 0; i < 3; i++) {
            TRACK_END& e = p->end[i];
            e.pTrack = nullptr;
            if (e.trackId == 0) continue;
            auto it = byId.find(e.trackId);
            if (it != byId.end()) e.pTrack = it->second;
        }
    }
    // A link must be answered by the partner end; a link that points one way
    // only is cut on both sides, and a connected end without a partner becomes
    // free.
    for (TRACK* p = pHead; p; p = p->pNext) {
        for (int i = 0; i < 3; i++) {
            TRACK_END& e = p->end[i];
            if (e.state == END_NONE) {
                e.pTrack = nullptr;
                continue;
            }
            if (e.state == END_FREE) {
                e.pTrack = nullptr;
                continue;
            }
            TRACK* q = e.pTrack;
            bool good = q && q != p && e.conEnd >= 0 && e.conEnd <= 2 && q->end[e.conEnd].state == END_CONNECTED &&
                        q->end[e.conEnd].pTrack == p && q->end[e.conEnd].conEnd == i;
            if (good) continue;
            if (q && e.conEnd >= 0 && e.conEnd <= 2 && q->end[e.conEnd].pTrack == p) {
                q->end[e.conEnd].pTrack = nullptr;
                q->end[e.conEnd].state = END_FREE;
            }
            e.pTrack = nullptr;
            e.state = END_FREE;
            WriteStartLog("One-sided track link cut in TRACK_LIST::RestoreEndLinks():", p->id);
        }
    }
}

void TRACK_LIST::RestorePowerLinks() {
    for (TRACK* p = pHead; p; p = p->pNext) {
        p->pFeedNode = p->feedNodeId ? powerList.FindById(p->feedNodeId) : nullptr;
        p->pOwnNode = p->ownNodeId ? powerList.FindById(p->ownNodeId) : nullptr;
    }
}
