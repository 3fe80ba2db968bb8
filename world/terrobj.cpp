#include "world/terrobj.h"

#include <cmath>
#include <cstring>
#include <new>

#include "app/recordio.h"
#include "app/gamestate.h"
#include "app/myglobs.h"
#include "app/random.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "gfx/geometry.h"
#include "gfx/myfont.h"
#include "gfx/render.h"
#include "gfx/texturemanager.h"
#include "platform/d3d8.h"
#include "platform/d3dx8math.h"
#include "rail/control.h"
#include "rail/layoutfile.h"
#include "rail/layoutstate.h"
#include "sound/soundmanager.h"
#include "world/aterrobj.h"
#include "world/lightlist.h"
#include "world/smoke.h"
#include "world/terrain.h"

namespace {

constexpr int GATE_OBJID = 5035;
constexpr int MARKER_OBJID = 103;
constexpr int SELECTION_MARKER_OBJID = 1001;
constexpr float PI_F = 3.1415927f;
constexpr DWORD BATCH_FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

bool IsChimney(int objId) { return objId == 2009 || objId == 2602 || objId == 3662; }

using namespace recordio;

float NormaliseHeading(float h) {
    if (!std::isfinite(h)) return 0.0f;
    h = std::fmod(h, 360.0f);
    if (h < 0.0f) h += 360.0f;
    if (h >= 360.0f) h -= 360.0f;
    return h;
}

void LogLine(const char* text, int number) {
    char line[160];
    std::snprintf(line, sizeof(line), "%s%d", text, number);
    WriteStartLog(line);
}

IDirect3DDevice8* Device() { return display.GetDevice(); }

// Whether the object's type is loaded. Objects of a missing type (a layout
// that named types this run lacks) are left out of the drawing and of what
// reads their type.
bool IsTypeLoaded(int objId) { return GetXID(objId, 1) >= 0; }

}  // namespace

bool IsPlaceableType(int type) { return (type >= PLANT_TYPE && type <= LAMP_TYPE) || type == SIGN_TYPE; }

int TerrobjRecordSize(int fileVersion) {
    if (fileVersion == 10 || fileVersion == 12) return TERROBJ_RECORD_SIZE_OLD;
    if (fileVersion == 14) return TERROBJ_RECORD_SIZE_V14;
    return TERROBJ_RECORD_SIZE;
}

void RotatePointAroundCenter(float angle, float cx, float cy, float* x, float* y) {
    float a = angle * PI_F / 180.0f;
    float c = std::cos(a), s = std::sin(a);
    float dx = *x - cx, dy = *y - cy;
    *x = cx + c * dx - s * dy;
    *y = cy + c * dy + s * dx;
}

// ===========================================================================
// TERROBJ

TERROBJ::TERROBJ() {}

TERROBJ::~TERROBJ() {
    delete gate;
    gate = nullptr;
}

void TERROBJ::CopyFrom(const TERROBJ& o, bool withGate) {
    type = o.type;
    objId = o.objId;
    x = o.x;
    y = o.y;
    z = o.z;
    scale = o.scale;
    std::memcpy(sphereCenter, o.sphereCenter, sizeof(sphereCenter));
    radius = o.radius;
    std::memcpy(unused, o.unused, sizeof(unused));
    heading = o.heading;
    selected = o.selected;
    inBatch = o.inBatch;
    lampColour = o.lampColour;
    colour1 = o.colour1;
    colour2 = o.colour2;
    hasColour1 = o.hasColour1;
    hasColour2 = o.hasColour2;
    std::memcpy(name, o.name, sizeof(name));
    name[sizeof(name) - 1] = 0;
    heightOffset = o.heightOffset;
    controlMark = o.controlMark;
    serial = o.serial;
    pitch = o.pitch;
    roll = o.roll;
    targetHeading = o.targetHeading;
    targetPitch = o.targetPitch;
    targetRoll = o.targetRoll;
    turnSpeed = o.turnSpeed;
    atTarget = o.atTarget;
    prev = next = nullptr;
    light = nullptr;
    delete gate;
    gate = nullptr;
    if (withGate && o.gate) {
        gate = new (std::nothrow) CGates(*o.gate);
    }
}

void TERROBJ::Init(int typeIn, int objIdIn, float px, float py, float height, float headingIn, float pitchIn,
                   float rollIn) {
    type = typeIn;
    objId = objIdIn;
    x = px;
    y = py;
    z = height;
    heading = headingIn;
    pitch = pitchIn;
    roll = rollIn;
    targetHeading = heading;
    targetPitch = pitch;
    targetRoll = roll;
    turnSpeed = 0.0f;
    char buf[128] = {};
    GetObjName(objId, buf, sizeof(buf));
    CopyText(name, sizeof(name), buf);
    heightOffset = 0.0f;
    atTarget = 1;
    scale = (type == PLANT_TYPE) ? 0.7f + (float)VelRand() * 0.8f / 32767.0f : 1.0f;
    radius = 0.0f;
    GetObjRadius(objId, &radius);
    D3DXVECTOR3 c(0.0f, 0.0f, 0.0f);
    GetObjSphereCenter(objId, &c);
    sphereCenter[0] = c.x;
    sphereCenter[1] = c.y;
    sphereCenter[2] = c.z;
    int lc = 0;
    GetObjLightColour(objId, &lc);
    lampColour = lc;
    AddLight();
    selected = 0;
    inBatch = 0;
    hasColour1 = HasObjColour1Texture(objId);
    hasColour2 = HasObjColour2Texture(objId);
    colour1 = GetObjColour1(objId);
    colour2 = GetObjColour2(objId);
    delete gate;
    gate = nullptr;
    controlMark = 0;
    if (objId == GATE_OBJID) gate = new (std::nothrow) CGates;
    CreateEffects();
}

void TERROBJ::CreateEffects() {
    if (IsChimney(objId)) {
        smokeSystem.AddSmokeSource(this, SMOKEKIND_SMOKE, 10.0f, x, y, z);
        if (objId == 3662)
            smokeSystem.SetSourceRandom(this, SMOKEKIND_SMOKE, 0.00005f, 0.0f, 1000000.0f, 1000000.0f, 0.0001f, 0.2f,
                                        0.0f);
    }
    if (type != PLANT_TYPE && GetObjHasSound(objId) && GetObjSoundId(objId) == 0) {
        char text[16];
        std::snprintf(text, sizeof(text), "%d", objId);
        soundManager.RegisterSource(this, text);
        UpdateSound();
    }
}

void TERROBJ::RemoveEffects() {
    soundManager.RemoveSource(this);
    if (IsChimney(objId)) smokeSystem.RemoveSmokeSource(this, SMOKEKIND_ANY);
}

LAMP_LIGHT* TERROBJ::LiveLight() const {
    if (!light || !lightList.IsLight(light) || light->owner != this) return nullptr;
    return light;
}

void TERROBJ::FreeLight() {
    if (LAMP_LIGHT* l = LiveLight()) lightList.RemoveLight(l);
    light = nullptr;
}

void TERROBJ::AddLight() {
    FreeLight();
    if (lampColour == 0) return;
    int flag = 1;
    float offset = -0.45f;
    GetObjLightPosition(objId, &flag, &offset);
    light = lightList.AddLight(x, y, z + heightOffset, heading, lampColour, flag, offset, objId);
    if (light)
        light->owner = this;
    else
        lampColour = 0;
}

void TERROBJ::MoveLight() {
    if (LAMP_LIGHT* l = LiveLight()) lightList.MoveLight(l, x, y, z + heightOffset, heading);
}

void TERROBJ::Refit() {
    z = terrain.GetHeight(objId, x, y);
    float a1 = 0.0f, a2 = 0.0f;
    DetObjectSlope(objId, D3DXVECTOR3(x, y, z), heading, &a1, &a2);
    roll = a1;
    pitch = a2;
}

void TERROBJ::Turn(int frameMs) {
    float step = std::fabs((float)frameMs * turnSpeed / 1000.0f);
    auto move = [step](float& value, float targetValue) {
        float d = targetValue - value;
        if (std::fabs(d) > step) {
            value += d > 0.0f ? step : -step;
            return true;
        }
        value = targetValue;
        return false;
    };
    bool headingMoving = move(heading, targetHeading);
    bool pitchMoving = move(pitch, targetPitch);
    bool rollMoving = move(roll, targetRoll);
    if (!headingMoving && !pitchMoving && !rollMoving) atTarget = 1;
}

void TERROBJ::Render(float threshold, int pass) {
    int highlight = (pass == 1 && layoutState.GetHighlightedObject() == (void*)this) ? 1 : 0;
    if (inBatch && !highlight) return;
    if (type == PLANT_TYPE && pass == 2) return;
    D3DXVECTOR3 centre(x + sphereCenter[0], y + sphereCenter[1], z + heightOffset + sphereCenter[2]);
    float d = DetCameraDistance(centre);
    if (DetViewAngle(centre) > 1.0471976f && d > radius) return;
    if (d < display.GetNearPlane() + radius) {
        D3DXVECTOR3 mn(0.0f, 0.0f, 0.0f), mx(0.0f, 0.0f, 0.0f);
        GetObjBoxMin(objId, &mn);
        GetObjBoxMax(objId, &mx);
        if (display.IsEyeInsideBox(mn.x, mn.y, mn.z, mx.x, mx.y, mx.z, x, y, z + heightOffset, heading)) return;
    }
    if (radius / (std::fabs(d) + 0.1f) < threshold) return;
    if (gate) roll = gate->GetAngle();
    if (GetObjAnimMode(objId) && layoutState.GetShowAnimations()) {
        aterrobjList.RenderPartner(this, pass, highlight);
    } else {
        DrawXObjectAt(objId, x, y, z + heightOffset, heading, roll, scale, (int)colour1, (int)colour2, highlight,
                      pitch, type, pass);
    }
    if (pass == 1 && controlMark) {
        DrawXObjectAt(MARKER_OBJID, x, y, z - radius + heightOffset, (float)currentTime / 3.0f, 0.0f, 1.0f, 0, 0, 0,
                      0.0f, 12, 1);
    }
}

void TERROBJ::UpdateSound() {
    int volume = -10000, pan = 0;
    DetSoundVolumePan(D3DXVECTOR3(x, y, z + heightOffset), &volume, &pan);
    if (layoutState.IsPaused()) volume = -10000;
    soundManager.UpdateSource(this, 100.0f, volume, pan);
}

void TERROBJ::SetColor1(unsigned colour) {
    colour1 = colour;
    aterrobjList.SetPartnerColours(this, colour1, colour2);
}

void TERROBJ::SetColor2(unsigned colour) {
    colour2 = colour;
    aterrobjList.SetPartnerColours(this, colour1, colour2);
}

void TERROBJ::ToBytes(uint8_t out[TERROBJ_RECORD_SIZE]) const {
    std::memset(out, 0, TERROBJ_RECORD_SIZE);
    // 0 and 4: list links, 88: light, 92 and 100: unused (placeholders 0)
    PutInt(out + 8, type);
    PutInt(out + 12, objId);
    PutFloat(out + 16, x);
    PutFloat(out + 20, y);
    PutFloat(out + 24, z);
    PutFloat(out + 28, scale);
    for (int i = 0; i < 3; i++) PutFloat(out + 32 + 4 * i, sphereCenter[i]);
    PutFloat(out + 44, radius);
    for (int i = 0; i < 6; i++) PutFloat(out + 48 + 4 * i, unused[i]);
    PutFloat(out + 72, heading);
    PutInt(out + 76, selected);
    PutInt(out + 80, inBatch);
    PutInt(out + 84, lampColour);
    PutU32(out + 96, colour1);
    PutU32(out + 104, colour2);
    PutInt(out + 108, hasColour1);
    PutInt(out + 112, hasColour2);
    std::memcpy(out + 116, name, sizeof(name));
    out[116 + sizeof(name) - 1] = 0;
    PutFloat(out + 144, heightOffset);
    PutU32(out + 148, gate ? 1u : 0u);
    PutInt(out + 152, controlMark);
    PutInt(out + 156, serial);
    PutFloat(out + 160, pitch);
    PutFloat(out + 164, roll);
    PutFloat(out + 168, targetHeading);
    PutFloat(out + 172, targetPitch);
    PutFloat(out + 176, targetRoll);
    PutFloat(out + 180, turnSpeed);
    out[184] = atTarget;
}

bool TERROBJ::FromBytes(const uint8_t* in, int size, int* hasGateRecord, int* repaired) {
    if (size != TERROBJ_RECORD_SIZE && size != TERROBJ_RECORD_SIZE_V14 && size != TERROBJ_RECORD_SIZE_OLD)
        return false;
    // Positions far beyond any table still convert to grid and light cells.
    constexpr float kFar = 1.0e6f;
    bool changed = false;
    auto number = [&](int offset, float fallback) {
        float v = GetFloat(in + offset);
        changed |= BoundFloat(&v, kFar, fallback);
        return v;
    };

    prev = next = nullptr;
    light = nullptr;
    delete gate;
    gate = nullptr;
    type = GetInt(in + 8);
    objId = GetInt(in + 12);
    x = number(16, 0.0f);
    y = number(20, 0.0f);
    z = number(24, 0.0f);
    scale = number(28, 1.0f);
    if (!(scale > 0.0f)) scale = 1.0f, changed = true;
    for (int i = 0; i < 3; i++) sphereCenter[i] = number(32 + 4 * i, 0.0f);
    radius = number(44, 0.0f);
    if (radius < 0.0f) radius = 0.0f, changed = true;
    for (int i = 0; i < 6; i++) unused[i] = number(48 + 4 * i, 0.0f);
    // The heading is kept as stored: an object saved in the middle of a turn
    // goes on toward its stored target.
    heading = number(72, 0.0f);
    selected = GetInt(in + 76);
    inBatch = 0;
    lampColour = GetInt(in + 84);
    colour1 = GetU32(in + 96);
    colour2 = GetU32(in + 104);
    hasColour1 = GetInt(in + 108);
    hasColour2 = GetInt(in + 112);
    changed |= GetText(name, in + 116, sizeof(name));
    heightOffset = number(144, 0.0f);
    if (heightOffset > 0.0f) heightOffset = 0.0f, changed = true;
    if (hasGateRecord) *hasGateRecord = GetU32(in + 148) != 0 ? 1 : 0;
    controlMark = GetInt(in + 152);
    serial = GetInt(in + 156);
    if (size == TERROBJ_RECORD_SIZE_OLD) {
        heightOffset = 0.0f;
        pitch = roll = 0.0f;
        targetHeading = heading;
        targetPitch = targetRoll = 0.0f;
        atTarget = 1;
        turnSpeed = 0.0f;
    } else if (size == TERROBJ_RECORD_SIZE_V14) {
        pitch = number(160, 0.0f);
        roll = number(164, 0.0f);
        targetHeading = heading;
        targetPitch = pitch;
        targetRoll = roll;
        atTarget = 1;
        turnSpeed = 0.0f;
    } else {
        pitch = number(160, 0.0f);
        roll = number(164, 0.0f);
        targetHeading = number(168, heading);
        targetPitch = number(172, pitch);
        targetRoll = number(176, roll);
        turnSpeed = number(180, 0.0f);
        atTarget = in[184];
    }
    if (repaired) *repaired = changed ? 1 : 0;
    return true;
}

// ===========================================================================
// TERROBJ_LIST

TERROBJ_LIST::TERROBJ_LIST() {}

TERROBJ_LIST::~TERROBJ_LIST() {
    // The other managers may be gone at exit: free the records only.
    while (head) {
        TERROBJ* n = head->next;
        delete head;
        head = n;
    }
    tail = nullptr;
    FreeClipboard();
    WriteStartLog("All terrobj were deleted...");
}

void TERROBJ_LIST::LinkHead(TERROBJ* obj) {
    obj->prev = nullptr;
    obj->next = head;
    if (head) head->prev = obj;
    head = obj;
    if (!tail) tail = obj;
}

void TERROBJ_LIST::LinkTail(TERROBJ* obj) {
    obj->next = nullptr;
    obj->prev = tail;
    if (tail) tail->next = obj;
    tail = obj;
    if (!head) head = obj;
}

void TERROBJ_LIST::Unlink(TERROBJ* obj) {
    if (obj->prev)
        obj->prev->next = obj->next;
    else if (head == obj)
        head = obj->next;
    if (obj->next)
        obj->next->prev = obj->prev;
    else if (tail == obj)
        tail = obj->prev;
    obj->prev = obj->next = nullptr;
}

int TERROBJ_LIST::Count() const {
    int n = 0;
    for (TERROBJ* o = head; o; o = o->next) n++;
    return n;
}

int TERROBJ_LIST::Contains(const TERROBJ* obj) const {
    for (TERROBJ* o = head; o; o = o->next)
        if (o == obj) return 1;
    return 0;
}

void TERROBJ_LIST::AddAnimatedPartner(TERROBJ* obj) {
    if (!GetObjAnimMode(obj->objId)) return;
    if (aterrobjList.AddNew(obj->type, obj->objId, D3DXVECTOR3(0.0f, 0.0f, 0.0f), obj->heading, obj, obj->pitch,
                            obj->roll))
        aterrobjList.SetPartnerColours(obj, obj->colour1, obj->colour2);
}

TERROBJ* TERROBJ_LIST::AddNew(int type, int objId, float x, float y, float height, float heading, float pitch,
                              float roll) {
    TERROBJ* obj = new (std::nothrow) TERROBJ;
    if (!obj) {
        WriteStartLog("Out of memory in TERROBJ_LIST::AddNew() !!!");
        return nullptr;
    }
    obj->Init(type, objId, x, y, height, heading, pitch, roll);
    LinkHead(obj);
    AddAnimatedPartner(obj);
    return obj;
}

TERROBJ* TERROBJ_LIST::AddLoadedTerrobj(const TERROBJ& record, const CGates* gateRecord) {
    TERROBJ* obj = new (std::nothrow) TERROBJ;
    if (!obj) {
        WriteStartLog("Out of memory in TERROBJ_LIST::AddLoadedTerrobj() !!!");
        return nullptr;
    }
    obj->CopyFrom(record, false);
    obj->inBatch = 0;
    const bool loaded = IsTypeLoaded(obj->objId);
    if (gateRecord) {
        obj->gate = new (std::nothrow) CGates(*gateRecord);
        if (!obj->gate) WriteStartLog("Out of memory in TERROBJ_LIST::AddLoadedTerrobj() !!!");
    } else if (loaded) {
        char buf[128] = {};
        GetObjName(obj->objId, buf, sizeof(buf));
        CopyText(obj->name, sizeof(obj->name), buf);
    }
    LinkTail(obj);
    if (loaded) {
        obj->CreateEffects();
        AddAnimatedPartner(obj);
    }
    return obj;
}

void TERROBJ_LIST::RemoveObject(TERROBJ* obj) {
    if (!obj || !Contains(obj)) return;
    obj->RemoveEffects();
    aterrobjList.RemovePartner(obj);
    Unlink(obj);
    obj->FreeLight();
    controlList.RemoveControlsOfObject(obj);
    if (layoutState.GetHighlightedObject() == (void*)obj) layoutState.SetHighlightedObject(nullptr);
    delete obj;
}

void TERROBJ_LIST::RemoveAll(int rebuild) {
    while (head) RemoveObject(head);
    if (rebuild) BuildBatches();
}

// ---------------------------------------------------------------------------
// Editor operations.

void TERROBJ_LIST::ClearSelection() {
    for (TERROBJ* o = head; o; o = o->next) o->selected = 0;
}

void TERROBJ_LIST::SelectInRect(int left, int top, int right, int bottom) {
    int objects = layoutState.GetSelectObjects(), plants = layoutState.GetSelectPlants();
    if (!objects && !plants) return;
    D3DXMATRIX view, proj, vp;
    display.GetViewMatrix(&view);
    display.GetProjectionMatrix(&proj);
    D3DXMatrixMultiply(&vp, &view, &proj);
    float w = (float)display.GetScreenWidth(), h = (float)display.GetScreenHeight();
    for (TERROBJ* o = head; o; o = o->next) {
        bool plant = o->type == PLANT_TYPE;
        if (plant ? !plants : !objects) continue;
        D3DXVECTOR4 p;
        D3DXVECTOR3 pos(o->x, o->y, o->z + o->heightOffset);
        D3DXVec3Transform(&p, &pos, &vp);
        // A point on or behind the camera plane has no place on the screen.
        if (!(p.w > 0.0001f)) continue;
        float sx = (p.x / p.w + 1.0f) * w / 2.0f;
        float sy = (1.0f - p.y / p.w) * h / 2.0f;
        if (sx >= (float)left && sx <= (float)right && sy >= (float)top && sy <= (float)bottom) o->selected = 1;
    }
}

TERROBJ* TERROBJ_LIST::FindUnderCursor(int* type, int* objId, TERROBJ** record) {
    if (type) *type = 0;
    if (objId) *objId = 0;
    if (record) *record = nullptr;
    int objects = layoutState.GetSelectObjects(), plants = layoutState.GetSelectPlants();
    if (!objects && !plants) return nullptr;
    float limit = PICK_MISS;
    float px, py, pz;
    if (!terrain.IsGridView() && terrain.PickUnderMouse(&px, &py, &pz, 0)) {
        D3DXVECTOR3 eye(0.0f, 0.0f, 0.0f);
        display.GetCamera(&eye, nullptr, nullptr);
        limit = DetDistance3D(eye.x, eye.y, eye.z, px, py, pz);
    }
    TERROBJ* best = nullptr;
    float bestDistance = PICK_MISS;
    for (TERROBJ* o = head; o; o = o->next) {
        bool plant = o->type == PLANT_TYPE;
        if (plant ? !plants : !objects) continue;
        float d = DetPickDistance(D3DXVECTOR3(o->x, o->y, o->z + o->heightOffset), limit, o->radius);
        if (d < bestDistance) {
            bestDistance = d;
            best = o;
        }
    }
    if (!best || bestDistance > 1.0f) return nullptr;
    if (type) *type = best->type;
    if (objId) *objId = best->objId;
    if (record) *record = best;
    return best;
}

void TERROBJ_LIST::DeleteSelection() {
    TERROBJ* o = head;
    while (o) {
        TERROBJ* n = o->next;
        if (o->selected) RemoveObject(o);
        o = n;
    }
}

void TERROBJ_LIST::MoveSelection(float dx, float dy) {
    for (TERROBJ* o = head; o; o = o->next) {
        if (!o->selected) continue;
        o->x += dx;
        o->y += dy;
        o->Refit();
    }
}

void TERROBJ_LIST::RotateSelection(float angle, float cx, float cy) {
    for (TERROBJ* o = head; o; o = o->next) {
        if (!o->selected) continue;
        RotatePointAroundCenter(angle, cx, cy, &o->x, &o->y);
        o->heading = NormaliseHeading(o->heading + angle);
        o->Refit();
    }
}

void TERROBJ_LIST::SinkSelection(float amount) {
    if (!std::isfinite(amount)) return;
    for (TERROBJ* o = head; o; o = o->next) {
        if (!o->selected || o->type == PLANT_TYPE) continue;
        o->heightOffset += amount;
        if (o->heightOffset > 0.0f) o->heightOffset = 0.0f;
        o->MoveLight();
    }
    if (lightList.IsNight()) terrain.UpdateNightLighting();
}

void TERROBJ_LIST::FreeClipboard() {
    while (clipboard) {
        TERROBJ* n = clipboard->next;
        delete clipboard;
        clipboard = n;
    }
}

void TERROBJ_LIST::CopySelection() {
    FreeClipboard();
    for (TERROBJ* o = head; o; o = o->next) {
        if (!o->selected) continue;
        TERROBJ* c = new (std::nothrow) TERROBJ;
        if (!c) {
            WriteStartLog("Out of memory in TERROBJ_LIST::CopyTerrobj()!");
            break;
        }
        c->CopyFrom(*o, true);
        c->selected = 1;
        c->next = clipboard;
        clipboard = c;
    }
    copyOriginX = lastPasteX = layoutState.GetGroundPointX();
    copyOriginY = lastPasteY = layoutState.GetGroundPointY();
    pasteCount = 0;
}

void TERROBJ_LIST::PasteSelection() {
    if (!clipboard) return;
    pasteCount++;
    ClearSelection();
    float cx = layoutState.GetGroundPointX(), cy = layoutState.GetGroundPointY();
    if (cx != lastPasteX || cy != lastPasteY) pasteCount = 1;
    lastPasteX = cx;
    lastPasteY = cy;
    float dx = cx - copyOriginX, dy = cy - copyOriginY;
    for (const TERROBJ* c = clipboard; c; c = c->next) {
        TERROBJ* o = new (std::nothrow) TERROBJ;
        if (!o) {
            WriteStartLog("Out of memory in TERROBJ_LIST::CopyTerrobj()!");
            break;
        }
        o->CopyFrom(*c, true);
        o->x = c->x + dx + 0.5f * (float)pasteCount;
        o->y = c->y - dy - 0.5f * (float)pasteCount;
        o->selected = 1;
        o->inBatch = 0;
        o->Refit();
        o->AddLight();
        LinkHead(o);
        o->CreateEffects();
        AddAnimatedPartner(o);
    }
}

void TERROBJ_LIST::DrawSelectionMarks() {
    IDirect3DDevice8* dev = Device();
    bool any = false;
    for (TERROBJ* o = head; o; o = o->next)
        if (o->selected) any = true;
    if (!any || !dev) return;
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    for (TERROBJ* o = head; o; o = o->next) {
        if (!o->selected) continue;
        DrawXObjectAt(SELECTION_MARKER_OBJID, o->x + o->sphereCenter[0], o->y + o->sphereCenter[1],
                      o->z + o->heightOffset + o->sphereCenter[2], 0.0f, 0.0f, o->radius, -1, -1, 0, 0.0f, 12, 1);
    }
    display.RestoreRenderState(D3DRS_ALPHABLENDENABLE);
    display.RestoreRenderState(D3DRS_ALPHATESTENABLE);
}

void TERROBJ_LIST::UpdateSelectedLights() {
    for (TERROBJ* o = head; o; o = o->next)
        if (o->selected) o->MoveLight();
}

int TERROBJ_LIST::MarkControllable(int mark) {
    int any = 0;
    for (TERROBJ* o = head; o; o = o->next) {
        bool controllable =
            o->gate || (IsTypeLoaded(o->objId) && (GetObjSoundId(o->objId) != 0 || HasObjControl(o->objId)));
        if (!controllable) continue;
        any = 1;
        if (mark)
            o->controlMark = 1;
        else
            break;
    }
    return any;
}

void TERROBJ_LIST::ClearMarks() {
    for (TERROBJ* o = head; o; o = o->next) o->controlMark = 0;
}

// ---------------------------------------------------------------------------
// Per frame.

void TERROBJ_LIST::Update() { UpdateBy(frameTime); }

void TERROBJ_LIST::UpdateBy(int frameMs) {
    for (TERROBJ* o = head; o; o = o->next) {
        if (o->gate) o->gate->Update(frameMs);
        if (!o->atTarget) o->Turn(frameMs);
    }
}

void TERROBJ_LIST::Render(int pass) {
    if (!myGlobs.sceneVisible) return;
    IDirect3DDevice8* dev = Device();
    if (!dev) return;
    if (pass == 1) RenderBatches();
    int lighting = -1;
    for (TERROBJ* o = head; o; o = o->next) {
        if (!IsTypeLoaded(o->objId)) continue;
        int wantLighting = o->lampColour < 1 ? 1 : 0;
        if (wantLighting && pass == 1 && lightList.GetLampsOn()) lightList.SwitchOnNearLights(o->x, o->y);
        if (wantLighting != lighting) {
            dev->SetRenderState(D3DRS_LIGHTING, wantLighting ? TRUE : FALSE);
            lighting = wantLighting;
        }
        bool specular = myGlobs.firstEdition && GetObjTerrainFlag(o->objId);
        if (specular) dev->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
        o->Render(cullThreshold, pass);
        if (specular) display.RestoreRenderState(D3DRS_SPECULARENABLE);
        if (pass != 2) {
            float h = o->z + o->heightOffset;
            if (o->objId == 2009 || o->objId == 2602) {
                float ox = o->objId == 2009 ? -1.29f : -1.4333f;
                float oy = o->objId == 2009 ? 0.58f : -1.4778f;
                float lift = o->objId == 2009 ? 3.6f : 3.333f;
                RotatePointAroundCenter(o->heading, 0.0f, 0.0f, &ox, &oy);
                smokeSystem.SetSourceParams(o, SMOKEKIND_SMOKE, 10.0f, o->x + ox, o->y + oy, h - lift, -1.0f, -1.0f,
                                            -1.0f, -1.0f, 0);
            } else if (o->objId == 3662) {
                smokeSystem.SetSourceParams(o, SMOKEKIND_SMOKE, 2.0f, o->x, o->y, h, 9.0f, 1.0f, 3.0f, 15.0f, 39);
            }
            if (o->type != PLANT_TYPE && soundManager.HasSource(o)) o->UpdateSound();
        }
    }
    lightList.SwitchOffNearLights();
    display.RestoreRenderState(D3DRS_LIGHTING);
}

void TERROBJ_LIST::DrawLabels() {
    if (!layoutState.GetShowLabels() || !layoutState.GetShowInfo()) return;
    for (TERROBJ* o = head; o; o = o->next) {
        if (!o->gate || !o->gate->GetName()[0]) continue;
        DrawFontTextBox(o->gate->GetName(), o->x, o->y, o->z - 0.3f, 0xFFFFFF00, 0x40006, 0.5f, "fontp", 0);
    }
}

// ---------------------------------------------------------------------------
// Layout file.

void TERROBJ_LIST::NumberObjects() {
    for (TERROBJ* o = head; o; o = o->next) o->serial = saveCounter.Next();
}

int TERROBJ_LIST::Save(FILE* file) {
    if (!file) return 0;
    int count = 0;
    for (TERROBJ* o = head; o; o = o->next) {
        if (IsPlaceableType(o->type)) {
            count++;
        } else {
            WriteStartLog("Unknown type among loaded terrobjs !!!");
            LogLine("  type: ", o->type);
        }
    }
    uint8_t buf[TERROBJ_RECORD_SIZE];
    PutInt(buf, count);
    bool ok = std::fwrite(buf, 1, 4, file) == 4;
    for (TERROBJ* o = head; o && ok; o = o->next) {
        if (!IsPlaceableType(o->type)) continue;
        o->ToBytes(buf);
        ok = std::fwrite(buf, 1, TERROBJ_RECORD_SIZE, file) == (size_t)TERROBJ_RECORD_SIZE;
        if (ok && o->gate) {
            uint8_t g[CGates::RECORD_SIZE];
            o->gate->ToBytes(g);
            ok = std::fwrite(g, 1, CGates::RECORD_SIZE, file) == (size_t)CGates::RECORD_SIZE;
        }
    }
    if (!ok) WriteStartLog("Unable to write the placed objects of the layout file !!!");
    return ok ? 1 : 0;
}

int TERROBJ_LIST::Load(FILE* file) {
    if (!file) return 0;
    uint8_t buf[TERROBJ_RECORD_SIZE];
    if (std::fread(buf, 1, 4, file) != 4) {
        WriteStartLog("Placed objects of the layout file are cut short !!!");
        return 0;
    }
    int count = GetInt(buf);
    const int size = TerrobjRecordSize(myGlobs.loadFileVersion);

    // Bytes left in the file bound the count.
    long here = std::ftell(file);
    long left = -1;
    if (here >= 0 && std::fseek(file, 0, SEEK_END) == 0) {
        long end = std::ftell(file);
        std::fseek(file, here, SEEK_SET);
        if (end >= here) left = end - here;
    }
    if (count < 0 || (left >= 0 && (long long)count * size > (long long)left)) {
        LogLine("Invalid count of placed objects in the layout file: ", count);
        return 0;
    }

    for (int i = 0; i < count; i++) {
        if (std::fread(buf, 1, (size_t)size, file) != (size_t)size) {
            LogLine("Placed objects of the layout file are cut short at record ", i);
            return 0;
        }
        TERROBJ record;
        int hasGate = 0, repaired = 0;
        record.FromBytes(buf, size, &hasGate, &repaired);
        if (repaired) LogLine("Placed object record repaired in the layout file: ", i);
        CGates gateRecord;
        if (hasGate) {
            uint8_t g[CGates::RECORD_SIZE];
            if (std::fread(g, 1, CGates::RECORD_SIZE, file) != (size_t)CGates::RECORD_SIZE) {
                LogLine("Gate record of the layout file is cut short at record ", i);
                return 0;
            }
            int gateRepaired = 0;
            gateRecord.FromBytes(g, &gateRepaired);
            if (gateRepaired) LogLine("Gate record repaired in the layout file at record ", i);
        }
        if (!IsPlaceableType(record.type)) {
            WriteStartLog("Unknown type among loaded terrobjs !!!");
            LogLine("  type: ", record.type);
            continue;
        }
        AddLoadedTerrobj(record, hasGate ? &gateRecord : nullptr);
    }
    return 1;
}

TERROBJ* TERROBJ_LIST::FindBySerial(int serial) const {
    if (serial == 0) return nullptr;
    for (TERROBJ* o = head; o; o = o->next)
        if (o->serial == serial) return o;
    return nullptr;
}

bool TERROBJ_LIST::CheckObjects() {
    bool all = true;
    for (TERROBJ* o = head; o; o = o->next) {
        if (!XObjectExists(o->objId, 0)) {
            LogLine("Missing object: ", o->objId);
            all = false;
        }
    }
    return all;
}

void TERROBJ_LIST::AddAllLights() {
    for (TERROBJ* o = head; o; o = o->next) o->AddLight();
}

void TERROBJ_LIST::BuildShadowSprites() {
    lightList.StartBuildShadowSprites();
    for (TERROBJ* o = head; o; o = o->next) {
        if (o->type != PLANT_TYPE || o->selected) continue;
        if (myGlobs.secondEdition) {
            int id = o->objId;
            if ((id >= 3696 && id <= 3700) || (id >= 3717 && id <= 3722) || id == 3735 || id == 3737 || id == 3753 ||
                id == 3754)
                continue;
        }
        lightList.AddShadowSprite(o->x, o->y);
    }
    lightList.EndBuildShadowSprites();
}

void TERROBJ_LIST::UpdateHeights() {
    for (TERROBJ* o = head; o; o = o->next) o->Refit();
}

void TERROBJ_LIST::UpdateLights() {
    for (TERROBJ* o = head; o; o = o->next) o->MoveLight();
}

// ---------------------------------------------------------------------------
// Merged plant geometry.

void TERROBJ_LIST::SetCullThreshold(float value) {
    if (std::isfinite(value)) cullThreshold = value;
}

const XVERTEX* TERROBJ_LIST::GetBufferVertices(int i) const {
    return (i >= 0 && i < bufferCount) ? sysVertices[i].get() : nullptr;
}

const uint16_t* TERROBJ_LIST::GetBufferIndices(int i) const {
    return (i >= 0 && i < bufferCount) ? sysIndices[i].get() : nullptr;
}

void TERROBJ_LIST::InitBatchBuffers() {
    batchBuffer = display.AddVertexBuffer(BATCH_FVF, vertexBufferBytes, indexBufferBytes, 0, nullptr);
    batchReady = batchBuffer ? 1 : 0;
}

void TERROBJ_LIST::ReleaseBatchBuffers() {
    display.RemoveVertexBuffer(&batchBuffer);
    batchBuffer = nullptr;
    batchReady = 0;
}

void TERROBJ_LIST::FreeSystemBuffers() {
    for (int i = 0; i < MAXBUFFERS; i++) {
        sysVertices[i].reset();
        sysIndices[i].reset();
        bufVertexCount[i] = 0;
        bufFaceCount[i] = 0;
    }
    bufferCount = 0;
    usedVertexBytes = usedIndexBytes = 0;
    batchFaces = 0;
    totalVertexBytes = totalIndexBytes = 0;
}

bool TERROBJ_LIST::AddRenderBuffer() {
    if (bufferCount >= MAXBUFFERS) return false;
    std::unique_ptr<XVERTEX[]> v(new (std::nothrow) XVERTEX[maxVertices]);
    std::unique_ptr<uint16_t[]> ix(new (std::nothrow) uint16_t[maxIndices]);
    if (!v || !ix) {
        WriteStartLog("Out of memory in TERROBJ_LIST::AddRenderBuffer() !!!");
        return false;
    }
    sysVertices[bufferCount] = std::move(v);
    sysIndices[bufferCount] = std::move(ix);
    bufVertexCount[bufferCount] = 0;
    bufFaceCount[bufferCount] = 0;
    bufferCount++;
    usedVertexBytes = usedIndexBytes = 0;
    return true;
}

bool TERROBJ_LIST::MergePlant(TERROBJ* o) {
    XVERTEX* verts = nullptr;
    WORD* indices = nullptr;
    int vc = 0, fc = 0;
    if (!IsTypeLoaded(o->objId) || !LockObjMesh(o->objId, &verts, &vc, &indices, &fc)) return false;
    bool merged = false;
    const long long vbytes = (long long)vc * BATCHVERTEXSIZE;
    const long long ibytes = (long long)fc * 6;
    bool fitsEmpty = verts && indices && vc > 0 && fc > 0 && vbytes < vertexBufferBytes && ibytes < indexBufferBytes;
    bool valid = fitsEmpty;
    for (long long k = 0; valid && k < (long long)fc * 3; k++)
        if (indices[k] >= (WORD)vc) valid = false;
    if (valid && bufferCount > 0) {
        bool room = usedVertexBytes + vbytes < vertexBufferBytes && usedIndexBytes + ibytes < indexBufferBytes;
        if (!room && !AddRenderBuffer()) valid = false;
    } else if (valid && !AddRenderBuffer()) {
        valid = false;
    }
    if (valid) {
        int b = bufferCount - 1;
        XVERTEX* dst = sysVertices[b].get() + bufVertexCount[b];
        uint16_t* idst = sysIndices[b].get() + bufFaceCount[b] * 3;
        float a = o->heading * PI_F / 180.0f;
        float c = std::cos(a), s = std::sin(a);
        float sc = o->scale;
        for (int k = 0; k < vc; k++) {
            const XVERTEX& v = verts[k];
            float px = v.x * sc, py = v.y * sc, pz = v.z * sc;
            float nx = v.nx * sc, ny = v.ny * sc, nz = v.nz * sc;
            dst[k].x = c * px - s * py + o->x;
            dst[k].y = s * px + c * py + o->y;
            dst[k].z = pz + o->z;
            dst[k].nx = c * nx - s * ny;
            dst[k].ny = s * nx + c * ny;
            dst[k].nz = nz;
            dst[k].u = v.u;
            dst[k].v = v.v;
        }
        for (int k = 0; k < fc * 3; k++) idst[k] = (uint16_t)(indices[k] + bufVertexCount[b]);
        bufVertexCount[b] += vc;
        bufFaceCount[b] += fc;
        usedVertexBytes += (int)vbytes;
        usedIndexBytes += (int)ibytes;
        totalVertexBytes += vbytes;
        totalIndexBytes += ibytes;
        batchFaces += fc;
        o->inBatch = 1;
        merged = true;
    }
    UnlockObjMesh(o->objId);
    return merged;
}

void TERROBJ_LIST::BuildBatches() {
    batchDirty = 1;
    FreeSystemBuffers();
    for (TERROBJ* o = head; o; o = o->next) o->inBatch = 0;
    if (!batchReady) return;
    if (!head) {
        batchFillPercent = 0.0f;
        return;
    }
    AddRenderBuffer();
    for (TERROBJ* o = head; o; o = o->next) {
        if (o->type != PLANT_TYPE || o->selected) continue;
        if (lightList.IsLitByLamp(o->x, o->y)) continue;
        MergePlant(o);
    }
    double v = (double)totalVertexBytes / (double)vertexBufferBytes;
    double i = (double)totalIndexBytes / (double)indexBufferBytes;
    batchFillPercent = (float)(100.0 * (v > i ? v : i));
}

void TERROBJ_LIST::RenderBatches() {
    if (batchFaces <= 0 || !batchBuffer) return;
    IDirect3DDevice8* dev = Device();
    IDirect3DVertexBuffer8* vb = display.GetVB(batchBuffer);
    IDirect3DIndexBuffer8* ib = display.GetIB(batchBuffer);
    if (!dev || !vb || !ib) return;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    dev->SetTransform(D3DTS_WORLD, &identity);
    textureManager.SetGTexture(PLANT_TEXTURE_SLOT);
    dev->SetVertexShader(BATCH_FVF);
    dev->SetStreamSource(0, vb, BATCHVERTEXSIZE);
    dev->SetIndices(ib, 0);
    for (int b = 0; b < bufferCount; b++) {
        if (bufVertexCount[b] <= 0 || bufFaceCount[b] <= 0) continue;
        if (bufferCount > 1 || batchDirty) {
            BYTE* data = nullptr;
            if (FAILED(vb->Lock(0, 0, &data, D3DLOCK_DISCARD)) || !data) {
                WriteStartLog("Unable to lock vertex buffer for terrobjList !!!");
                continue;
            }
            std::memcpy(data, sysVertices[b].get(), (size_t)bufVertexCount[b] * BATCHVERTEXSIZE);
            vb->Unlock();
            data = nullptr;
            if (FAILED(ib->Lock(0, 0, &data, D3DLOCK_DISCARD)) || !data) {
                WriteStartLog("Unable to lock index buffer for terrobjList !!!");
                continue;
            }
            std::memcpy(data, sysIndices[b].get(), (size_t)bufFaceCount[b] * 6);
            ib->Unlock();
            batchDirty = 0;
        }
        dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, bufVertexCount[b], 0, bufFaceCount[b]);
    }
}
