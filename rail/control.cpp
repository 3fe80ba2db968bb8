// The control list: creation, firing by passing engines, the delay timers,
// the actions, removal with the targets, names and the layout-file section.
#include "rail/control.h"

#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "app/recordio.h"
#include "app/messagequeue.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "app/winmain.h"
#include "gfx/myfont.h"
#include "gfx/render.h"
#include "gfx/screensprites.h"
#include "rail/layoutfile.h"
#include "rail/layoutstate.h"
#include "rail/power.h"
#include "rail/track.h"
#include "rail/train.h"
#include "sound/soundmanager.h"
#include "ui/window.h"
#include "world/gates.h"
#include "world/terrobj.h"
#include "world/xobject.h"

using recordio::GetInt;
using recordio::PutInt;

namespace {

void ShowText(int n) { messageQueue.AddMessage(texts.Get(n)); }

// Whether the target of a control names a piece (types 2, 3, 4, 6) or a
// placed object (types 5, 7, 8, 9).
bool AimsAtPiece(int type) {
    return type == CONTROL_SWITCH || type == CONTROL_DETACH || type == CONTROL_BARRIER || type == CONTROL_TURNTABLE;
}
bool AimsAtObject(int type) {
    return type == CONTROL_GATE || type == CONTROL_SOUND || type == CONTROL_MODEL || type == CONTROL_TURN;
}

using recordio::BytesLeft;

}  // namespace

int ControlRecordSize(int fileVersion) {
    if (fileVersion == 10) return CONTROLRECORDSIZE_V10;
    if (fileVersion == 12 || fileVersion == 13) return CONTROLRECORDSIZE_V12;
    if (fileVersion == 14) return CONTROLRECORDSIZE_V14;
    if (fileVersion >= 15) return CONTROLRECORDSIZE;
    return 0;
}

// ---------------------------------------------------------------------------
// CONTROL

void CONTROL::Init(int newType, TRACK* owner, POWER_NODE* node, void* target, int flag1, int flag2, int flag3,
                   int selector, int valueOrObjId, float delaySeconds, const char* newName, int key, int mask,
                   char axisLetter, int newAmount, int speed) {
    // Every field of a former type goes; links and the save number stay.
    CONTROL* prev = pPrev;
    CONTROL* next = pNext;
    const int saveNumber = id;
    *this = CONTROL();
    pPrev = prev;
    pNext = next;
    id = saveNumber;

    type = newType;
    directionKey = key;
    vehicleMask = mask;
    CopyText(name, CONTROLNAMELEN, newName ? newName : "");
    float ms = std::isfinite(delaySeconds) ? delaySeconds * 1000.0f : 0.0f;
    if (ms > 2.0e9f) ms = 2.0e9f;
    if (ms < -2.0e9f) ms = -2.0e9f;
    delay = static_cast<int>(std::lround(ms));

    TRACK* targetPiece = static_cast<TRACK*>(target);
    TERROBJ* targetObject = static_cast<TERROBJ*>(target);
    switch (type) {
        case CONTROL_POWER:
            pOwner = owner;
            pNode = node;
            actionFlag1 = flag1;
            actionFlag2 = flag2;
            actionFlag3 = flag3;
            valueSelector = selector;
            value = valueOrObjId;
            break;
        case CONTROL_SWITCH:
            pOwner = owner;
            pTarget = targetPiece;
            switchState1 = flag1;
            switchState2 = flag2;
            switchToggle = flag3;
            break;
        case CONTROL_DETACH:
            pOwner = owner;
            pTarget = targetPiece;
            detachSet = flag1;
            detachClear = flag2;
            detachToggle = flag3;
            break;
        case CONTROL_BARRIER:
            pOwner = owner;
            pTarget = targetPiece;
            barrierGo = flag1;
            barrierStop = flag2;
            barrierToggle = flag3;
            break;
        case CONTROL_TURNTABLE:
            pOwner = owner;
            pTarget = targetPiece;
            turnMinus = flag1;
            turnPlus = flag2;
            turnHalf = flag3;
            break;
        case CONTROL_GATE:
            pOwner = owner;
            pObject = targetObject;
            gateOpen = flag1;
            gateClose = flag2;
            break;
        case CONTROL_SOUND:
        case CONTROL_MODEL:
        case CONTROL_TURN:
            pOwner = owner;
            pObject = targetObject;
            actionFlag1 = flag1;
            actionFlag2 = flag2;
            actionFlag3 = flag3;
            if (type != CONTROL_SOUND) value = valueOrObjId;
            if (type == CONTROL_TURN) {
                axis = axisLetter;
                amount = newAmount;
                turnSpeed = speed;
            }
            break;
        default:
            break;
    }
    delayTimer = 0;
    glowTime = 0;
}

void CONTROL::ActControl() {
    if (type < 1 || type > 9) {
        TraceText("Unknown control->type by CONTROL::ActControl()");
        return;
    }
    glowTime = CONTROLGLOWTIME;
    switch (type) {
        case CONTROL_POWER: {
            POWER_NODE* n = pNode;
            if (!n) return;
            if (actionFlag1) n->SetValue(valueSelector, value);
            else if (actionFlag2) n->Clear();
            else if (actionFlag3) n->ToggleValue(valueSelector, value);
            else return;
            trackList.PropagatePower(n, n->pTrack);
            return;
        }
        case CONTROL_SWITCH:
            if (!pTarget || !pTarget->IsSwitch()) return;
            if (switchState1) pTarget->SetSwitchState1();
            else if (switchState2) pTarget->SetSwitchState2();
            else if (switchToggle) pTarget->ToggleSwitchState();
            return;
        case CONTROL_DETACH:
            if (!pTarget) return;
            if (detachSet) pTarget->SetDetachActive();
            else if (detachClear) pTarget->ClearDetachActive();
            else if (detachToggle) pTarget->ToggleDetachActive();
            return;
        case CONTROL_BARRIER:
            if (!pTarget || !pTarget->bBarrier) return;
            if (barrierGo) pTarget->SetBarrierGo();
            else if (barrierStop) pTarget->SetBarrierStop();
            else if (barrierToggle) pTarget->ToggleBarrier();
            return;
        case CONTROL_GATE: {
            if (!pObject || !pObject->gate) return;
            CGates* g = pObject->gate;
            if (gateOpen) {
                g->Open();
            } else if (gateClose) {
                TRAIN* t = myGlobs.triggeringTrain;
                if (g->GetAngle() > 45.0f && t) {
                    const char* sound = IsObjIdIn1250Group(t->objId) ? "barclose2" : "barclose";
                    D3DXVECTOR3 at(0.0f, 0.0f, 0.0f);
                    if (pOwner) at = D3DXVECTOR3(pOwner->x, pOwner->y, pOwner->z);
                    soundManager.PlayAutoAdjustedSound(nullptr, sound, at, 0);
                }
                g->Close();
            }
            return;
        }
        case CONTROL_TURNTABLE:
            if (!pTarget || !pTarget->bTurntable) return;
            if (turnMinus) pTarget->RotateTurntable(2);
            else if (turnPlus) pTarget->RotateTurntable(3);
            else if (turnHalf) pTarget->RotateTurntable(0);
            return;
        case CONTROL_SOUND: {
            TERROBJ* o = pObject;
            if (!o) return;
            char soundName[16];
            std::snprintf(soundName, sizeof soundName, "%d", o->objId);
            if (actionFlag1) {
                if (!soundManager.HasSource(o)) {
                    soundManager.RegisterSource(o, soundName);
                    o->UpdateSound();
                }
            } else if (actionFlag2) {
                soundManager.RemoveSource(o);
            } else if (actionFlag3) {
                int volume = -10000, pan = 0;
                DetSoundVolumePan(D3DXVECTOR3(o->x, o->y, o->z + o->heightOffset), &volume, &pan);
                soundManager.PlaySound(soundName, volume, pan, 100.0f, 0);
            }
            return;
        }
        case CONTROL_MODEL: {
            TERROBJ* o = pObject;
            if (!o) return;
            o->objId = value;
            float r = 0.0f;
            GetObjRadius(value, &r);
            o->radius = r;
            D3DXVECTOR3 c(0.0f, 0.0f, 0.0f);
            GetObjSphereCenter(value, &c);
            o->sphereCenter[0] = c.x;
            o->sphereCenter[1] = c.y;
            o->sphereCenter[2] = c.z;
            return;
        }
        case CONTROL_TURN: {
            TERROBJ* o = pObject;
            if (!o) return;
            if (o->atTarget) {
                o->targetHeading = o->heading;
                o->targetPitch = o->pitch;
                o->targetRoll = o->roll;
            }
            const float a = static_cast<float>(amount);
            if (axis == 'X' || axis == 'x') o->targetPitch += a;
            else if (axis == 'Y' || axis == 'y') o->targetRoll += a;
            else if (axis == 'Z' || axis == 'z') o->targetHeading += a;
            o->turnSpeed = static_cast<float>(turnSpeed);
            o->atTarget = 0;
            return;
        }
        default:
            return;
    }
}

void CONTROL::DrawMarker(const TRACK* piece) const {
    const TRACK* p = piece ? piece : pOwner;
    if (!p) return;
    const float heading = p->heading + (p->kind == TRACK_CURVE ? 11.5f : 0.0f);
    DrawXObjectAt(CONTROLMARKER_OBJID, p->x, p->y, p->z, heading, p->pitch, 1.0f, -1, -1, 0, 0.0f, 12, 1);
}

void CONTROL::DrawLabel() {
    if (!layoutState.GetShowLabels() || !pOwner) return;
    if (screenSprites.GetScreenfixFree() < 1000) return;
    const int line = controlList.TakeLabelLine(pOwner);
    if (line < 0) return;
    DrawFontTextBox(name, pOwner->x, pOwner->y, pOwner->z - 0.3f, 0xFFFFFF00, 0x40006, 0.5f, "fontp", line);
}

void CONTROL::WriteRecord(unsigned char out[CONTROLRECORDSIZE]) const {
    std::memset(out, 0, CONTROLRECORDSIZE);
    recordio::PutText(out + 8, name, CONTROLNAMELEN);
    PutInt(out + 72, id);
    PutInt(out + 76, type);
    PutInt(out + 84, ownerId);
    PutInt(out + 92, nodeId);
    PutInt(out + 100, targetId);
    PutInt(out + 104, actionFlag1);
    PutInt(out + 108, actionFlag2);
    PutInt(out + 112, actionFlag3);
    PutInt(out + 116, valueSelector);
    PutInt(out + 120, value);
    PutInt(out + 124, switchState1);
    PutInt(out + 128, switchState2);
    PutInt(out + 132, switchToggle);
    PutInt(out + 136, detachSet);
    PutInt(out + 140, detachClear);
    PutInt(out + 144, detachToggle);
    PutInt(out + 148, barrierGo);
    PutInt(out + 152, barrierStop);
    PutInt(out + 156, barrierToggle);
    PutInt(out + 164, gateOpen);
    PutInt(out + 168, gateClose);
    PutInt(out + 172, objectSerial);
    PutInt(out + 176, delay);
    PutInt(out + 180, delayTimer);
    PutInt(out + 184, glowTime);
    PutInt(out + 188, directionKey);
    PutInt(out + 192, vehicleMask);
    PutInt(out + 196, turnMinus);
    PutInt(out + 200, turnPlus);
    PutInt(out + 204, turnHalf);
    out[208] = static_cast<unsigned char>(axis);
    PutInt(out + 212, amount);
    PutInt(out + 216, turnSpeed);
}

void CONTROL::ReadRecord(const unsigned char* in, int size) {
    unsigned char b[CONTROLRECORDSIZE] = {};
    if (size > CONTROLRECORDSIZE) size = CONTROLRECORDSIZE;
    if (in && size > 0) std::memcpy(b, in, static_cast<size_t>(size));
    *this = CONTROL();
    std::memcpy(name, b + 8, CONTROLNAMELEN);
    name[CONTROLNAMELEN - 1] = 0;
    id = GetInt(b + 72);
    type = GetInt(b + 76);
    ownerId = GetInt(b + 84);
    nodeId = GetInt(b + 92);
    targetId = GetInt(b + 100);
    actionFlag1 = GetInt(b + 104);
    actionFlag2 = GetInt(b + 108);
    actionFlag3 = GetInt(b + 112);
    valueSelector = GetInt(b + 116);
    value = GetInt(b + 120);
    switchState1 = GetInt(b + 124);
    switchState2 = GetInt(b + 128);
    switchToggle = GetInt(b + 132);
    detachSet = GetInt(b + 136);
    detachClear = GetInt(b + 140);
    detachToggle = GetInt(b + 144);
    barrierGo = GetInt(b + 148);
    barrierStop = GetInt(b + 152);
    barrierToggle = GetInt(b + 156);
    gateOpen = GetInt(b + 164);
    gateClose = GetInt(b + 168);
    objectSerial = GetInt(b + 172);
    delay = GetInt(b + 176);
    delayTimer = GetInt(b + 180);
    glowTime = GetInt(b + 184);
    directionKey = GetInt(b + 188);
    vehicleMask = GetInt(b + 192);
    turnMinus = GetInt(b + 196);
    turnPlus = GetInt(b + 200);
    turnHalf = GetInt(b + 204);
    axis = static_cast<char>(b[208]);
    amount = GetInt(b + 212);
    turnSpeed = GetInt(b + 216);
}

void DrawControlFX(const CONTROL* c) {
    if (!c || c->glowTime < 1) return;
    D3DXVECTOR3 target(0.0f, 0.0f, 0.0f);
    bool haveTarget = false;
    switch (c->type) {
        case CONTROL_POWER:
            if (c->pNode && c->pNode->pTrack) {
                const TRACK* p = c->pNode->pTrack;
                target = D3DXVECTOR3(p->x, p->y, p->z);
                haveTarget = true;
            }
            break;
        case CONTROL_SWITCH:
        case CONTROL_DETACH:
        case CONTROL_BARRIER:
        case CONTROL_TURNTABLE:
            if (c->pTarget) {
                target = D3DXVECTOR3(c->pTarget->x, c->pTarget->y, c->pTarget->z);
                haveTarget = true;
            }
            break;
        case CONTROL_GATE:
        case CONTROL_SOUND:
        case CONTROL_MODEL:
        case CONTROL_TURN:
            if (c->pObject) {
                target = D3DXVECTOR3(c->pObject->x, c->pObject->y, c->pObject->z + c->pObject->heightOffset);
                haveTarget = true;
            }
            break;
        default:
            TraceText("Unknown control->type by DrawControlFX()");
            return;
    }
    if (!haveTarget || !c->pOwner) return;
    const D3DXVECTOR3 from(c->pOwner->x, c->pOwner->y, c->pOwner->z);
    const DWORD colour = c->glowTime >= 256 ? 0xFFFF4040u
                                            : ((static_cast<DWORD>(c->glowTime) << 24) | 0x00FF4040u);
    screenSprites.AddWorldLine(from, target, colour);
    DrawFontTextBox("1", from.x, from.y, from.z, colour, 0x40006, 0.5f, "fontp", 0);
    DrawFontTextBox("2", target.x, target.y, target.z, colour, 0x40006, 0.5f, "fontp", 0);
}

// ---------------------------------------------------------------------------
// CONTROL_LIST

CONTROL_LIST::CONTROL_LIST() {}

CONTROL_LIST::~CONTROL_LIST() {
    while (pHead) Delete(pHead);
    WriteStartLog("All controls were deleted...");
}

void CONTROL_LIST::Append(CONTROL* c) {
    c->pNext = nullptr;
    c->pPrev = pTail;
    if (pTail) pTail->pNext = c;
    else pHead = c;
    pTail = c;
}

void CONTROL_LIST::Unlink(CONTROL* c) {
    if (c->pPrev) c->pPrev->pNext = c->pNext;
    else pHead = c->pNext;
    if (c->pNext) c->pNext->pPrev = c->pPrev;
    else pTail = c->pPrev;
    c->pPrev = c->pNext = nullptr;
}

void CONTROL_LIST::Delete(CONTROL* c) {
    if (!c) return;
    if (c == pNewControl) pNewControl = nullptr;
    Unlink(c);
    delete c;
}

CONTROL* CONTROL_LIST::AddNew() {
    CONTROL* c = new (std::nothrow) CONTROL();
    if (!c) {
        WriteStartLog("Out of memory in CONTROL_LIST::AddNew()");
        return nullptr;
    }
    Append(c);
    return c;
}

int CONTROL_LIST::Contains(const CONTROL* c) const {
    if (!c) return 0;
    for (CONTROL* k = pHead; k; k = k->pNext)
        if (k == c) return 1;
    return 0;
}

int CONTROL_LIST::GetCount() const {
    int n = 0;
    for (CONTROL* k = pHead; k; k = k->pNext) n++;
    return n;
}

void CONTROL_LIST::RemoveControl(CONTROL* c) {
    if (!Contains(c)) return;
    Delete(c);
    ShowText(73);
}

void CONTROL_LIST::RemoveControlsOfTrack(TRACK* p) {
    if (!p) return;
    for (CONTROL* c = pHead; c;) {
        CONTROL* next = c->pNext;
        if (c->pOwner == p) {
            Delete(c);
            ShowText(24);
        }
        c = next;
    }
    for (CONTROL* c = pHead; c;) {
        CONTROL* next = c->pNext;
        if (c->pTarget == p) {
            Delete(c);
            ShowText(26);
        }
        c = next;
    }
    if (pMarkedTarget == p) pMarkedTarget = nullptr;
}

void CONTROL_LIST::RemoveControlsOfNode(POWER_NODE* node) {
    if (!node) return;
    for (CONTROL* c = pHead; c;) {
        CONTROL* next = c->pNext;
        if (c->pNode == node) {
            Delete(c);
            ShowText(25);
        }
        c = next;
    }
}

void CONTROL_LIST::RemoveControlsOfObject(TERROBJ* obj) {
    if (!obj) return;
    for (CONTROL* c = pHead; c;) {
        CONTROL* next = c->pNext;
        if (c->pObject == obj) {
            const int t = c->type;
            Delete(c);
            if (t == CONTROL_GATE) ShowText(27);
            else if (t == CONTROL_SOUND) ShowText(397);
            else if (t == CONTROL_MODEL || t == CONTROL_TURN) ShowText(400);
        }
        c = next;
    }
}

void CONTROL_LIST::RemoveAll() {
    while (pHead) Delete(pHead);
    pMarkedTarget = nullptr;
    pNewControl = nullptr;
}

void CONTROL_LIST::TriggerByTrack(TRACK* p, int key, int mask) {
    if (!p) return;
    // The matches are taken first: an action may change the lists (a turning
    // turntable updates the power, which can drop feed points and with them
    // controls).
    std::vector<CONTROL*> fired;
    for (CONTROL* c = pHead; c; c = c->pNext) {
        if (c->pOwner != p) continue;
        if (c->directionKey != 0 && c->directionKey != key) continue;
        if (c->vehicleMask != 0 && (c->vehicleMask & mask) == 0) continue;
        fired.push_back(c);
    }
    for (CONTROL* c : fired) {
        if (!Contains(c)) continue;
        if (c->delay <= 0) c->ActControl();
        else c->delayTimer = c->delay;
    }
}

static void CountDownGlow(CONTROL* c, int step) {
    if (c->glowTime > 0) {
        c->glowTime -= step;
        if (c->glowTime < 0) c->glowTime = 0;
    }
}

void CONTROL_LIST::Update() {
    const int step = frameTime > 0 ? frameTime : 0;
    const int paused = layoutState.IsPaused();
    // Actions that come due run after the walk, since an action may change
    // the list; each one's fresh glow then gets this frame's count-down, as
    // if it had run in its place in the walk.
    std::vector<CONTROL*> due;
    for (CONTROL* c = pHead; c; c = c->pNext) {
        if (c->delayTimer > 0 && !paused) {
            c->delayTimer -= step;
            if (c->delayTimer <= 0) {
                c->delayTimer = 0;
                due.push_back(c);
                continue;
            }
        }
        CountDownGlow(c, step);
    }
    for (CONTROL* c : due)
        if (Contains(c)) {
            c->ActControl();
            CountDownGlow(c, step);
        }
}

// ---------------------------------------------------------------------------
// Drawing

void CONTROL_LIST::RenderMarkers() {
    if (pMarkedTarget) {
        CONTROL marker;
        marker.DrawMarker(pMarkedTarget);
    }
    if (!bShowControls) return;
    for (CONTROL* c = pHead; c; c = c->pNext) c->DrawMarker();
}

int CONTROL_LIST::TakeLabelLine(const TRACK* owner) {
    for (int i = 0; i < CONTROLLABELSLOTS; i++) {
        if (labelOwners[i] == owner || labelOwners[i] == nullptr) {
            labelOwners[i] = owner;
            labelCounts[i]++;
            return labelCounts[i] - 1;
        }
    }
    return -1;
}

void CONTROL_LIST::DrawLabels() {
    if (!bShowControls || !myGlobs.drawControlInfo) return;
    for (int i = 0; i < CONTROLLABELSLOTS; i++) {
        labelOwners[i] = nullptr;
        labelCounts[i] = 0;
    }
    for (CONTROL* c = pHead; c; c = c->pNext) c->DrawLabel();
}

void CONTROL_LIST::DrawAllControlFX() {
    if (!bShowControls) return;
    for (CONTROL* c = pHead; c; c = c->pNext) DrawControlFX(c);
}

// ---------------------------------------------------------------------------
// Queries and names

int CONTROL_LIST::HasControls(const TRACK* p) const {
    if (!p) return 0;
    for (CONTROL* c = pHead; c; c = c->pNext)
        if (c->pOwner == p) return 1;
    return 0;
}

CONTROL* CONTROL_LIST::FindControl(const TRACK* owner, const char* controlName) const {
    if (!controlName) return nullptr;
    for (CONTROL* c = pHead; c; c = c->pNext)
        if (c->pOwner == owner && std::strncmp(c->name, controlName, CONTROLNAMELEN) == 0) return c;
    return nullptr;
}

void CONTROL_LIST::FillNameList(WINDOW* window, int item, const TRACK* owner) const {
    InitWinList(window, item, 0, 0);
    int row = 0;
    for (CONTROL* c = pHead; c; c = c->pNext) {
        if (c->pOwner != owner) continue;
        AddWinListRow(window, item, c->name, row, 0xFFFFFF00);
        row++;
    }
}

void CONTROL_LIST::MakeControlName(char* out, int size) {
    if (!out || size <= 0) return;
    std::snprintf(out, static_cast<size_t>(size), "C%d", nextNumber);
    nextNumber++;
    if (nextNumber > 9998) nextNumber = 1;
}

// ---------------------------------------------------------------------------
// Layout file

void CONTROL_LIST::NumberControls() {
    for (CONTROL* c = pHead; c; c = c->pNext) c->id = saveCounter.Next();
}

void CONTROL_LIST::SaveIds() {
    for (CONTROL* c = pHead; c; c = c->pNext) {
        c->ownerId = c->pOwner ? c->pOwner->id : 0;
        c->nodeId = c->pNode ? c->pNode->seqId : 0;
        c->targetId = c->pTarget ? c->pTarget->id : 0;
        c->objectSerial = c->pObject ? c->pObject->serial : 0;
    }
}

int CONTROL_LIST::Save(FILE* file) {
    if (!file) return 0;
    unsigned char b[CONTROLRECORDSIZE];
    PutInt(b, GetCount());
    if (std::fwrite(b, 1, 4, file) != 4) return 0;
    for (CONTROL* c = pHead; c; c = c->pNext) {
        c->WriteRecord(b);
        if (std::fwrite(b, 1, CONTROLRECORDSIZE, file) != CONTROLRECORDSIZE) return 0;
    }
    PutInt(b, nextNumber);
    return std::fwrite(b, 1, 4, file) == 4 ? 1 : 0;
}

int CONTROL_LIST::Load(FILE* file) {
    if (!file) return 0;
    unsigned char b[CONTROLRECORDSIZE];
    if (std::fread(b, 1, 4, file) != 4) {
        WriteStartLog("Control section missing in CONTROL_LIST::Load()");
        return 0;
    }
    const int count = GetInt(b);
    const int size = ControlRecordSize(myGlobs.loadFileVersion);
    if (size == 0) {
        // This version's control records cannot be read.
        ShowText(339);
        return 0;
    }
    const long left = BytesLeft(file);
    if (count < 0 || (left >= 0 && static_cast<long long>(count) * size + 4 > left)) {
        WriteStartLog("Bad control count in CONTROL_LIST::Load():", count < 0 ? 0 : count);
        return 0;
    }
    for (int i = 0; i < count; i++) {
        if (std::fread(b, 1, static_cast<size_t>(size), file) != static_cast<size_t>(size)) {
            WriteStartLog("Control section ends early in CONTROL_LIST::Load()");
            return 0;
        }
        CONTROL record;
        record.ReadRecord(b, size);
        if (record.type < 1 || record.type > 9) {
            WriteStartLog("Control of an unknown type dropped in CONTROL_LIST::Load():", record.type < 0 ? 0 : record.type);
            continue;
        }
        if (record.delayTimer < 0) record.delayTimer = 0;
        if (record.delayTimer > record.delay) record.delayTimer = record.delay > 0 ? record.delay : 0;
        if (record.glowTime < 0) record.glowTime = 0;
        if (record.glowTime > CONTROLGLOWTIME) record.glowTime = CONTROLGLOWTIME;
        CONTROL* c = AddNew();
        if (!c) return 0;
        CONTROL* prev = c->pPrev;
        *c = record;
        c->pPrev = prev;
        c->pNext = nullptr;
    }
    if (std::fread(b, 1, 4, file) != 4) {
        WriteStartLog("Control name counter missing in CONTROL_LIST::Load()");
        return 0;
    }
    SetNameCounter(GetInt(b));
    return 1;
}

void CONTROL_LIST::RestoreLinks() {
    for (CONTROL* c = pHead; c;) {
        CONTROL* next = c->pNext;
        c->pOwner = c->ownerId ? trackList.FindById(c->ownerId) : nullptr;
        c->pNode = c->nodeId ? powerList.FindById(c->nodeId) : nullptr;
        c->pTarget = c->targetId ? trackList.FindById(c->targetId) : nullptr;
        c->pObject = c->objectSerial ? terrobjList.FindBySerial(c->objectSerial) : nullptr;
        const char* lost = nullptr;
        if (!c->pOwner) lost = "owner";
        else if (c->type == CONTROL_POWER && !c->pNode) lost = "power feed point";
        else if (AimsAtPiece(c->type) && !c->pTarget) lost = "target piece";
        else if (AimsAtObject(c->type) && !c->pObject) lost = "target object";
        if (lost) {
            char text[160];
            JoinStrings(text, sizeof text, "Control dropped, its link does not resolve: ", lost);
            WriteStartLog(text);
            Delete(c);
        }
        c = next;
    }
}
