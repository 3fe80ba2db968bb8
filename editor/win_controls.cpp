// The control attribute windows: choosing and pre-filling the window of a new
// control, the control list of a piece, filling the window of an existing
// control, the common handler of the eight windows and the creators that
// turn the window items into control attributes.
#include <cstdio>
#include <cstring>

#include "app/input.h"
#include "app/messagequeue.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "editor/editor.h"
#include "editor/win_tracks.h"
#include "rail/control.h"
#include "rail/layoutstate.h"
#include "rail/objcontrol.h"
#include "rail/power.h"
#include "rail/track.h"
#include "ui/windefs.h"
#include "ui/window.h"
#include "world/gates.h"
#include "world/terrobj.h"
#include "world/xobject.h"

namespace {

constexpr int kControlNameEdit = 16;
constexpr int kTargetNameEdit = 16;
// Axis letter passed by the creators whose controls do not turn.
constexpr char kNoAxis = 120;

// Kinds of attribute window.
enum ATTR_KIND { ATTR_STANDARD, ATTR_POWER, ATTR_GATE };

struct ATTR_WINDOW {
    WINDOW* window;
    int newState;
    int existingState;
    int controlType;  // 8 stands for 8 and 9
    ATTR_KIND kind;
    const char* trace;
    void (*creator)();
    int refill;
};

ATTR_WINDOW attrWindows[] = {
    {&winAttr, 106, 132, CONTROL_POWER, ATTR_POWER, "Unknown objId by ActDownCSWITCH_ATTR()", CreateNewControl, 1},
    {&winSAttr, 107, 133, CONTROL_SWITCH, ATTR_STANDARD, "Unknown objId by ActDownCSWITCH_SATTR()",
     CreateNewSControl, 1},
    {&winDAttr, 127, 131, CONTROL_DETACH, ATTR_STANDARD, "Unknown objId by ActDownCSWITCH_DATTR()",
     CreateNewDControl, 1},
    {&winSiAttr, 166, 165, CONTROL_BARRIER, ATTR_STANDARD, "Unknown objId by ActDownCSWITCH_SIATTR()",
     CreateNewSIControl, 1},
    {&winBarAttr, 167, 168, CONTROL_GATE, ATTR_GATE, "Unknown objId by ActDownCSWITCH_BARATTR()",
     CreateNewBarControl, 1},
    {&winTtAttr, 182, 183, CONTROL_TURNTABLE, ATTR_STANDARD, "Unknown objId by ActDownCSWITCH_TTATTR()",
     CreateNewTTControl, 1},
    {&winSoundAttr, 184, 185, CONTROL_SOUND, ATTR_STANDARD, "Unknown objId by ActDownCSWITCH_SOUNDATTR()",
     CreateNewSoundControl, 1},
    {&winObjAttr, 186, 187, CONTROL_MODEL, ATTR_STANDARD, "Unknown objId by ActDownCSWITCH_OBJATTR()",
     CreateNewObjectControl, 1},
};

ATTR_WINDOW& AttrOfType(int type) {
    if (type == CONTROL_TURN) type = CONTROL_MODEL;
    for (ATTR_WINDOW& a : attrWindows)
        if (a.controlType == type) return a;
    return attrWindows[0];
}

bool IsOn(WINDOW* w, int id) { return GetWinobjState(w, id) == WINOBJ_BUTTON_ON; }
void Check(WINDOW* w, int id, int on) { SetWinobjChecked(w, id, on ? 1 : 0); }

int Gauge(WINDOW* w, int id) {
    const int* v = w->GetWinobjValue(id);
    return v ? *v : 0;
}
void SetGauge(WINDOW* w, int id, int value) {
    if (value < 0) value = 0;
    if (value > 100) value = 100;
    w->ChangeWinobjValue(id, &value);
}

// The power value of a 0..100 gauge and back.
int PowerFromGauge(int gauge) { return (gauge * 10 - 500) / 50; }
int GaugeFromPower(int value) { return value * 50 / 10 + 50; }
int DelaySecondsFromGauge(int gauge) { return gauge * 50 / 100; }

bool TrackExists(const TRACK* p) {
    if (!p) return false;
    for (TRACK* t = trackList.GetFirst(); t; t = t->pNext)
        if (t == p) return true;
    return false;
}
bool NodeExists(const POWER_NODE* n) {
    if (!n) return false;
    for (POWER_NODE* m = powerList.GetFirst(); m; m = m->pNext)
        if (m == n) return true;
    return false;
}

// The informative target name (item 13) and the new control's name.
void SetNames(WINDOW* w, const char* targetName, const char* controlName) {
    w->InitWinobjEdit(13, targetName ? targetName : "", kTargetNameEdit, nullptr, nullptr);
    SetWinobjActive(w, 13, 0);
    w->InitWinobjEdit(11, controlName ? controlName : "", kControlNameEdit, &myGlobs.pendingKey, nullptr);
}

void SetNewControlName(WINDOW* w, const char* targetName) {
    char name[CONTROLNAMELEN] = {};
    controlList.MakeControlName(name, sizeof name);
    SetNames(w, targetName, name);
}

// The standard start of a new control: first action, either direction,
// every vehicle, no delay.
void PresetChoices(WINDOW* w, int firstKey) {
    Check(w, 1, 1);
    Check(w, 2, 0);
    Check(w, 3, 0);
    Check(w, firstKey, 1);
    Check(w, firstKey + 1, 0);
    Check(w, firstKey + 2, 0);
    Check(w, 14, 1);
    for (int id = 15; id <= 17; ++id) Check(w, id, 0);
    SetGauge(w, 8, 0);
}

void OpenWindow(ATTR_WINDOW& a, int mode, int state) {
    a.refill = 1;
    a.window->Show(mode);
    editorState = state;
}

// The three action flags of a control in the order its window shows them.
void GetActionFlags(const CONTROL* c, int f[3]) {
    f[0] = f[1] = f[2] = 0;
    switch (c->type) {
        case CONTROL_SWITCH:
            f[0] = c->switchState1, f[1] = c->switchState2, f[2] = c->switchToggle;
            break;
        case CONTROL_DETACH:
            f[0] = c->detachSet, f[1] = c->detachClear, f[2] = c->detachToggle;
            break;
        case CONTROL_BARRIER:
            f[0] = c->barrierGo, f[1] = c->barrierStop, f[2] = c->barrierToggle;
            break;
        case CONTROL_TURNTABLE:
            f[0] = c->turnMinus, f[1] = c->turnPlus, f[2] = c->turnHalf;
            break;
        case CONTROL_GATE:
            f[0] = c->gateOpen, f[1] = c->gateClose;
            break;
        default:
            f[0] = c->actionFlag1, f[1] = c->actionFlag2, f[2] = c->actionFlag3;
            break;
    }
}

// --- creators ---

struct COMMON_VALUES {
    int key = 0;
    int mask = 0;
    int delay = 0;
    char name[CONTROLNAMELEN] = {};
};

COMMON_VALUES ReadCommon(WINDOW* w, bool power) {
    COMMON_VALUES v;
    const int k = power ? 18 : 4;
    v.key = IsOn(w, k) ? 0 : (IsOn(w, k + 1) ? 2 : 3);
    if (!IsOn(w, 14)) v.mask = (IsOn(w, 15) ? 1 : 0) | (IsOn(w, 16) ? 2 : 0) | (IsOn(w, 17) ? 4 : 0);
    v.delay = DelaySecondsFromGauge(Gauge(w, 8));
    CopyWinobjEditText(w, 11, v.name, kControlNameEdit + 1);
    return v;
}

// The control to fill: a new one for the new-control state (owner from the
// layout state), else the control being edited. Null when its owner or
// target is gone.
CONTROL* ControlToFill(const ATTR_WINDOW& a, TRACK** owner) {
    if (editorState == a.newState) {
        *owner = layoutState.GetSelectedTrack();
        if (!TrackExists(*owner)) return nullptr;
        return controlList.AddNew();
    }
    CONTROL* c = controlList.GetNewControl();
    if (!c || !controlList.Contains(c)) return nullptr;
    *owner = c->pOwner;
    return c;
}

// A piece-target creator (switch, detach point, barrier, turntable).
void CreatePieceControl(int type, WINDOW* w) {
    ATTR_WINDOW& a = AttrOfType(type);
    const bool isNew = editorState == a.newState;
    TRACK* target = isNew ? layoutState.GetTargetTrack() : nullptr;
    if (isNew && !TrackExists(target)) return;
    TRACK* owner = nullptr;
    CONTROL* c = ControlToFill(a, &owner);
    if (!c) return;
    if (!isNew) target = c->pTarget;
    const COMMON_VALUES v = ReadCommon(w, false);
    c->Init(type, owner, nullptr, target, IsOn(w, 1), IsOn(w, 2), IsOn(w, 3), 1, 0, static_cast<float>(v.delay),
            v.name, v.key, v.mask, kNoAxis, 0, 0);
}

// An object-target creator (gate, sound, model, turning).
void CreateObjectControl(int type, int f1, int f2, int f3, int value, char axis, int amount, int speed,
                         TERROBJ* target) {
    ATTR_WINDOW& a = AttrOfType(type);
    TRACK* owner = nullptr;
    CONTROL* c = ControlToFill(a, &owner);
    if (!c) return;
    const COMMON_VALUES v = ReadCommon(a.window, false);
    c->Init(type, owner, nullptr, target, f1, f2, f3, 1, value, static_cast<float>(v.delay), v.name, v.key, v.mask,
            axis, amount, speed);
}

// The object a new or edited object control aims at; null when it is gone.
TERROBJ* ObjectTarget(const ATTR_WINDOW& a) {
    TERROBJ* o = nullptr;
    if (editorState == a.newState) {
        o = layoutState.GetTargetObject();
    } else {
        CONTROL* c = controlList.GetNewControl();
        if (c && controlList.Contains(c)) o = c->pObject;
    }
    return (o && terrobjList.Contains(o)) ? o : nullptr;
}

// --- the common handler ---

void CloseAttr(ATTR_WINDOW& a) {
    a.window->Hide();
    a.refill = 1;
    ReturnToEditorState();
}

void SelectOnly(WINDOW* w, int hit, int first, int count) {
    for (int i = 0; i < count; ++i) Check(w, first + i, first + i == hit);
}

void ActAttrWindow(ATTR_WINDOW& a) {
    WINDOW* w = a.window;
    const bool power = a.kind == ATTR_POWER;
    char text[128];
    std::snprintf(text, sizeof text, "%d %s", DelaySecondsFromGauge(Gauge(w, 8)), texts.Get(350));
    SetWinobjText(w, power ? 22 : 18, text);
    if (power) {
        std::snprintf(text, sizeof text, "%d", PowerFromGauge(Gauge(w, 7)));
        SetWinobjText(w, 21, text);
    }
    if (gaugeDragState == 1) return;
    if (a.refill) {
        ShowWinobj(w, 12, w->GetMode() == 1 ? 1 : 0);
        a.refill = 0;
    }
    w->UpdateWinobjEdit(11, &myGlobs.pendingKey);
    if (!mouseLeftDown) return;
    if (w->IsTitleClicked()) {
        layoutState.StartDrag(cursorX, cursorY);
        layoutState.SaveState(editorState);
        editorState = ED_WINDOW_DRAG;
        return;
    }
    const int hit = w->HitWinobj(cursorX, cursorY);
    const int keyFirst = power ? 18 : 4;
    switch (hit) {
        case 0:
        case 11:
        case 13: break;
        case 1:
        case 2: SelectOnly(w, hit, 1, a.kind == ATTR_GATE ? 2 : 3); break;
        case 3:
            if (a.kind == ATTR_GATE) TraceText(a.trace);
            else SelectOnly(w, hit, 1, 3);
            break;
        case 4:
        case 5:
        case 6:
            if (!power) SelectOnly(w, hit, 4, 3);
            break;
        case 18:
        case 19:
        case 20:
            if (power) SelectOnly(w, hit, keyFirst, 3);
            else TraceText(a.trace);
            break;
        case 7:
            if (power) {
                gaugeDragItem = 7;
                windowList.SetGaugeFromMouse(7, cursorY);
                layoutState.SaveState(editorState);
                gaugeDragState = 1;
            } else {
                TraceText(a.trace);
            }
            break;
        case 8:
            gaugeDragItem = 8;
            windowList.SetGaugeFromMouse(8, cursorY);
            layoutState.SaveState(editorState);
            gaugeDragState = 1;
            break;
        case 14:
            Check(w, 14, 1);
            for (int id = 15; id <= 17; ++id) Check(w, id, 0);
            break;
        case 15:
        case 16:
        case 17:
            Check(w, hit, !IsOn(w, hit));
            Check(w, 14, 0);
            break;
        case 9:
            a.creator();
            CloseAttr(a);
            return;
        case 10:
        case WINOBJ_CLOSEBOX: CloseAttr(a); return;
        case 12: {
            CONTROL* c = controlList.GetNewControl();
            if (c && controlList.Contains(c)) controlList.RemoveControl(c);
            controlList.SetNewControl(nullptr);
            CloseAttr(a);
            return;
        }
        default: TraceText(a.trace); break;
    }
    if (!IsOn(w, 15) && !IsOn(w, 16) && !IsOn(w, 17)) Check(w, 14, 1);
}

}  // namespace

int OpenNewControlAttrib(TRACK* piece, TERROBJ* object) {
    attribReturnState = 154;
    if (piece) {
        if (piece->kind > TRACK_LEFTSWITCH) return 0;
        ATTR_WINDOW* a = nullptr;
        if (piece->IsSwitch()) {
            a = &AttrOfType(CONTROL_SWITCH);
        } else if (!piece->pOwnNode && !piece->bDetach && !piece->bBarrier && !piece->bTurntable) {
            messageQueue.AddMessage(texts.Get(64), 0xFFFFFFFF);
            return 0;
        } else if (piece->bDetach) {
            a = &AttrOfType(CONTROL_DETACH);
        } else if (piece->bTurntable) {
            a = &AttrOfType(CONTROL_TURNTABLE);
        } else if (piece->pOwnNode) {
            a = &AttrOfType(CONTROL_POWER);
        } else {
            a = &AttrOfType(CONTROL_BARRIER);
        }
        WINDOW* w = a->window;
        if (a->kind == ATTR_POWER) {
            POWER_NODE* n = piece->pOwnNode;
            Check(w, 1, 1);
            Check(w, 2, 0);
            Check(w, 3, 0);
            Check(w, 18, 1);
            Check(w, 19, 0);
            Check(w, 20, 0);
            Check(w, 14, 1);
            for (int id = 15; id <= 17; ++id) Check(w, id, 0);
            SetGauge(w, 7, (n->defaultValue + 10) * 100 / 20);
            SetGauge(w, 8, 0);
            SetNewControlName(w, n->name);
            layoutState.SetTargetNode(n);
        } else {
            PresetChoices(w, 4);
            SetNewControlName(w, piece->featureName);
            layoutState.SetTargetTrack(piece);
        }
        OpenWindow(*a, 0, a->newState);
        return 1;
    }
    if (!object) return 0;
    ATTR_WINDOW* a = nullptr;
    const char* targetName = object->name;
    if (GetObjSoundId(object->objId) != 0) {
        a = &AttrOfType(CONTROL_SOUND);
        PresetChoices(a->window, 4);
    } else if (!HasObjControl(object->objId)) {
        if (!object->gate) return 0;
        a = &AttrOfType(CONTROL_GATE);
        PresetChoices(a->window, 4);
        targetName = object->gate->GetName();
    } else {
        a = &AttrOfType(CONTROL_MODEL);
        OBJECT_CONTROL_SYSTEM::SetControlPossibilities(a->window, object->objId);
        PresetChoices(a->window, 4);
    }
    SetGauge(a->window, 8, 0);
    SetNewControlName(a->window, targetName);
    layoutState.SetTargetObject(object);
    OpenWindow(*a, 0, a->newState);
    return 1;
}

void OpenControlAttrib() {
    TRACK* owner = layoutState.GetSelectedTrack();
    char name[WINLIST_TEXTLEN] = {};
    int value = 0;
    GetWinListSelection(&winSelectControl, 1, name, &value, sizeof name);
    CONTROL* c = TrackExists(owner) ? controlList.FindControl(owner, name) : nullptr;
    if (!c) {
        // No such control: back to track building.
        winBuildTracks.Show(2);
        editorState = 154;
        return;
    }
    controlList.SetNewControl(c);
    ATTR_WINDOW& a = AttrOfType(c->type);
    WINDOW* w = a.window;
    const bool power = a.kind == ATTR_POWER;
    int f[3];
    GetActionFlags(c, f);
    if (c->type == CONTROL_SOUND) {
        Check(w, 2, f[0]);
        Check(w, 3, f[1]);
        Check(w, 1, f[2]);
    } else {
        for (int i = 0; i < 3; ++i) Check(w, 1 + i, f[i]);
    }
    const int k = power ? 18 : 4;
    Check(w, k, c->directionKey == 0);
    Check(w, k + 1, c->directionKey == 2);
    Check(w, k + 2, c->directionKey != 0 && c->directionKey != 2);
    SetGauge(w, 8, c->delay / 500);
    Check(w, 15, c->vehicleMask & 1);
    Check(w, 16, c->vehicleMask & 2);
    Check(w, 17, c->vehicleMask & 4);
    Check(w, 14, (c->vehicleMask & 7) == 0);
    const char* targetName = "";
    switch (c->type) {
        case CONTROL_POWER:
            if (c->pNode) targetName = c->pNode->name;
            break;
        case CONTROL_SWITCH:
        case CONTROL_DETACH:
        case CONTROL_BARRIER:
        case CONTROL_TURNTABLE:
            if (c->pTarget) targetName = c->pTarget->featureName;
            break;
        case CONTROL_GATE:
            if (c->pObject && c->pObject->gate) targetName = c->pObject->gate->GetName();
            break;
        default:
            if (c->pObject) targetName = c->pObject->name;
            break;
    }
    SetNames(w, targetName, c->name);
    if (power) {
        if (c->valueSelector && c->pNode) SetGauge(w, 7, (c->pNode->defaultValue + 10) * 100 / 20);
        else SetGauge(w, 7, GaugeFromPower(c->value));
    }
    if (c->type == CONTROL_MODEL || c->type == CONTROL_TURN) OBJECT_CONTROL_SYSTEM::SetControlPossibilities(w, c->value);
    OpenWindow(a, 1, a.existingState);
}

void ActDownWIN_SELECT_CONTROL() {
    UpdateWinList(&winSelectControl, 1);
    if (winSelectControl.IsTitleClicked()) {
        layoutState.StartDrag(cursorX, cursorY);
        layoutState.SaveState(editorState);
        editorState = ED_WINDOW_DRAG;
        return;
    }
    const int hit = winSelectControl.HitWinobj(cursorX, cursorY);
    switch (hit) {
        case 0:
        case 1: break;
        case 9:
            winSelectControl.Hide();
            attribReturnState = editorState == 130 ? 154 : ED_EDIT;
            OpenControlAttrib();
            break;
        case 10:
        case WINOBJ_CLOSEBOX:
            winSelectControl.Hide();
            if (editorState == 130) {
                winBuildTracks.Show(2);
                editorState = 154;
            } else {
                trackList.HighlightOnly(nullptr);
                editorState = ED_EDIT;
            }
            break;
        default: TraceText("Unknown objId by ActDownWIN_SELECT_CONTROL()"); break;
    }
}

void ActDownCSWITCH_ATTR() { ActAttrWindow(AttrOfType(CONTROL_POWER)); }
void ActDownCSWITCH_SATTR() { ActAttrWindow(AttrOfType(CONTROL_SWITCH)); }
void ActDownCSWITCH_DATTR() { ActAttrWindow(AttrOfType(CONTROL_DETACH)); }
void ActDownCSWITCH_SIATTR() { ActAttrWindow(AttrOfType(CONTROL_BARRIER)); }
void ActDownCSWITCH_BARATTR() { ActAttrWindow(AttrOfType(CONTROL_GATE)); }
void ActDownCSWITCH_TTATTR() { ActAttrWindow(AttrOfType(CONTROL_TURNTABLE)); }
void ActDownCSWITCH_SOUNDATTR() { ActAttrWindow(AttrOfType(CONTROL_SOUND)); }
void ActDownCSWITCH_OBJATTR() { ActAttrWindow(AttrOfType(CONTROL_MODEL)); }

void CreateNewControl() {
    ATTR_WINDOW& a = AttrOfType(CONTROL_POWER);
    WINDOW* w = a.window;
    const bool isNew = editorState == a.newState;
    POWER_NODE* node = isNew ? layoutState.GetTargetNode() : nullptr;
    if (isNew && !NodeExists(node)) return;
    TRACK* owner = nullptr;
    CONTROL* c = ControlToFill(a, &owner);
    if (!c) return;
    if (!isNew) node = c->pNode;
    const COMMON_VALUES v = ReadCommon(w, true);
    c->Init(CONTROL_POWER, owner, node, nullptr, IsOn(w, 1), IsOn(w, 2), IsOn(w, 3), 0, PowerFromGauge(Gauge(w, 7)),
            static_cast<float>(v.delay), v.name, v.key, v.mask, kNoAxis, 0, 0);
}

void CreateNewSControl() { CreatePieceControl(CONTROL_SWITCH, &winSAttr); }
void CreateNewDControl() { CreatePieceControl(CONTROL_DETACH, &winDAttr); }
void CreateNewSIControl() { CreatePieceControl(CONTROL_BARRIER, &winSiAttr); }
void CreateNewTTControl() { CreatePieceControl(CONTROL_TURNTABLE, &winTtAttr); }

void CreateNewBarControl() {
    ATTR_WINDOW& a = AttrOfType(CONTROL_GATE);
    TERROBJ* target = ObjectTarget(a);
    if (!target) return;
    CreateObjectControl(CONTROL_GATE, IsOn(a.window, 1), IsOn(a.window, 2), 1, 0, kNoAxis, 0, 0, target);
}

void CreateNewSoundControl() {
    ATTR_WINDOW& a = AttrOfType(CONTROL_SOUND);
    TERROBJ* target = ObjectTarget(a);
    if (!target) return;
    WINDOW* w = a.window;
    CreateObjectControl(CONTROL_SOUND, IsOn(w, 2), IsOn(w, 3), IsOn(w, 1), 0, kNoAxis, 0, 0, target);
}

void CreateNewObjectControl() {
    ATTR_WINDOW& a = AttrOfType(CONTROL_MODEL);
    TERROBJ* target = ObjectTarget(a);
    if (!target) return;
    WINDOW* w = a.window;
    int possibility = 1;
    for (int i = 1; i <= 3; ++i)
        if (IsOn(w, i)) possibility = i;
    if (OBJECT_CONTROL_SYSTEM::IsGroupObject(target)) {
        OBJCONTROL_TRIPLET triplet;
        int value = 0;
        if (!OBJECT_CONTROL_SYSTEM::GetGroupEntry(possibility, target, &triplet, &value)) {
            WriteStartLog("Wrong selected object state in CreateNewObjectControl()");
            return;
        }
        CreateObjectControl(CONTROL_TURN, IsOn(w, 1), IsOn(w, 2), IsOn(w, 3), value, triplet.axis, triplet.first,
                            triplet.second, target);
        return;
    }
    const int value = OBJECT_CONTROL_SYSTEM::GetEntryValue(possibility, target);
    if (value == -1) {
        WriteStartLog("Wrong selected object state in CreateNewObjectControl()");
        return;
    }
    CreateObjectControl(CONTROL_MODEL, IsOn(w, 1), IsOn(w, 2), IsOn(w, 3), value, kNoAxis, 0, 0, target);
}

void ResetControlWindowsForTest() {
    for (ATTR_WINDOW& a : attrWindows) a.refill = 1;
}
