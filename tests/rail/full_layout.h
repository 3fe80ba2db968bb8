// A layout that holds a record of every kind the layout file knows: pieces of
// every kind with every feature (names, switch states, a stretched straight,
// an end piece, a detach point, a barrier, a turntable, insulated ends),
// power feed points, track additions, coupled vehicles of the three types, a
// crashed vehicle, a vehicle on a switch's curved branch, controls of every
// type, placed objects of every kind with a gate, a lamp and an object caught
// mid-turn, every kind of manual control table entry, a shaped and painted
// terrain with blur entries, the night sky and settings off their defaults.
//
// Needs the display, the track types and the object id table; the builder
// makes its own 2 by 1 table. Shared by the layout-file tests (round trip,
// cut files, damaged fields) and usable as a seed of hostile-input corpora.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "editor/editor.h"
#include "gfx/display.h"
#include "rail/control.h"
#include "rail/layoutfile.h"
#include "rail/layoutstate.h"
#include "rail/manualcontrol.h"
#include "rail/power.h"
#include "rail/track.h"
#include "rail/trackaddition.h"
#include "rail/train.h"
#include "world/gates.h"
#include "world/lightlist.h"
#include "world/skybox.h"
#include "world/terrain.h"
#include "world/terrobj.h"
#include "world/xobject.h"

// Little-endian int32 fields of a file held in a string.
inline int32_t ReadI32(const std::string& s, size_t at) {
    uint32_t u = 0;
    for (int i = 0; i < 4; i++) u |= uint32_t(static_cast<unsigned char>(s[at + i])) << (8 * i);
    return static_cast<int32_t>(u);
}

inline void WriteI32(std::string& s, size_t at, int32_t v) {
    uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; i++) s[at + i] = static_cast<char>(u >> (8 * i));
}

namespace fulllayout {

// Object types of the layout (ids unused by the other test fixtures).
constexpr int PLANT = 2101;
constexpr int HOUSE = 3101;
constexpr int INDUSTRY = 3201;
constexpr int RAILWAY = 3301;  // also the turntable pit; RAILWAY + 1 is its deck
constexpr int MISC = 3401;
constexpr int LAMP = 3501;
constexpr int SIGN = 3601;
constexpr int GATE = 5035;  // the gate object
constexpr int ENGINE = 1101;
constexpr int WAGON = 1201;
constexpr int COACH = 1301;

struct LAYOUT {
    TRACK* buffer = nullptr;       // end piece
    TRACK* main = nullptr;         // straight, named, feed point, insulated end
    TRACK* stretched = nullptr;    // stretched straight with a detach point
    TRACK* rightSwitch = nullptr;  // set to its curved branch
    TRACK* curve = nullptr;
    TRACK* crossing = nullptr;     // straight with a barrier
    TRACK* leftSwitch = nullptr;
    TRACK* turntable = nullptr;
    TRACK* siding = nullptr;       // a run of its own, with a full-width name
    POWER_NODE* node = nullptr;
    POWER_NODE* sidingNode = nullptr;
    TRAIN* engine = nullptr;
    TRAIN* wagon = nullptr;
    TRAIN* coach = nullptr;
    TRAIN* crashed = nullptr;
    TRAIN* onSwitch = nullptr;
    TRAIN* onSiding = nullptr;  // on a plain piece with branch 2
    TERROBJ* house = nullptr;
    TERROBJ* gate = nullptr;
    TERROBJ* turning = nullptr;  // saved mid-turn at heading 400, target 440
    TERROBJ* lamp = nullptr;
    std::vector<CONTROL*> controls;  // one of each type, 1 to 9
};

inline void RegisterType(int objId, int type, float halfLength = 0.0f, int vehicleParam = 0, int lampColour = 0) {
    int xid = GetXID(objId, 0);
    if (xid < 0) {
        xid = myGlobs.xObjectCount++;
        SetXID(objId, xid);
    }
    XOBJECT& x = myGlobs.xObjects[xid];
    x.objId = objId;
    x.type = type;
    x.halfLength = halfLength;
    x.vehicleParam = vehicleParam;
    x.traction = 22;
    x.sphereRadius = 1.0f;
    x.lampColour = lampColour;
    x.notPlant = type == PLANT_TYPE ? 0 : 1;
}

inline void RegisterTypes() {
    RegisterType(PLANT, PLANT_TYPE);
    RegisterType(HOUSE, HOUSE_TYPE);
    RegisterType(INDUSTRY, INDUSTRY_TYPE);
    RegisterType(RAILWAY, RAILWAY_TYPE);
    RegisterType(RAILWAY + 1, RAILWAY_TYPE);
    RegisterType(MISC, MISC_TYPE);
    RegisterType(LAMP, LAMP_TYPE, 0.0f, 0, 1);
    RegisterType(SIGN, SIGN_TYPE);
    RegisterType(GATE, RAILWAY_TYPE);
    RegisterType(ENGINE, ENGINE_TYPE, 0.5f, 20);
    RegisterType(WAGON, CWAGON_TYPE, 0.5f);
    RegisterType(COACH, PWAGON_TYPE, 0.5f);
}

// A new piece of a standard type whose end 0 lies at (x, y), pointing into
// the piece along the heading.
inline TRACK* PlacePiece(int type, float x, float y, float heading) {
    SetTrackPickForTest(1, 0.0f, 0.0f, -0.01f);
    buildAngle = heading;
    TRACK* p = trackList.AddNewTrack(type);
    if (!p) return nullptr;
    float ends[6];
    DetCPos(p, ends);
    p->x += x - ends[0];
    p->y += y - ends[1];
    return p;
}

// Where end e of a piece lies.
inline void EndPoint(const TRACK* p, int e, float* x, float* y) {
    float ends[6];
    DetCPos(p, ends);
    *x = ends[2 * e];
    *y = ends[2 * e + 1];
}

// A piece joined at end e of another, continuing its direction there.
inline TRACK* Attach(TRACK* from, int e, int type) {
    float x, y;
    EndPoint(from, e, &x, &y);
    return PlacePiece(type, x, y, GetEndDirection(from, e));
}

inline TRAIN* PlaceVehicle(TRACK* p, int type, int objId, float percent) {
    TRAIN* t = trainList.AddNew();
    if (t) t->PlaceOnTrack(p, 0.0f, type, objId, percent);
    return t;
}

inline CONTROL* AddControl(LAYOUT* l, int type, TRACK* owner, POWER_NODE* node, void* target, int f1, int f2, int f3,
                           int value, float delay, const char* name, int key, int mask, char axis = 0,
                           int amount = 0, int speed = 0) {
    CONTROL* c = controlList.AddNew();
    if (!c) return nullptr;
    c->Init(type, owner, node, target, f1, f2, f3, 2, value, delay, name, key, mask, axis, amount, speed);
    l->controls.push_back(c);
    return c;
}

// The night sky (the second entry of the sky box list) and a camera whose
// angles, orbit point and follow values all differ from the defaults.
inline void SetNightAndCamera() {
    skybox.SelectSkybox(1, 3);
    display.SetCameraAngles(0.7f, 0.9f, 12.0f);
    layoutState.SetGroundPoint(2.0f, -3.0f);
    display.UpdateView(1, 2.0f, -3.0f);
    display.SetFollowValues(0.1f, 0.2f, 0.3f, 1.0f);
    myGlobs.tavolsag = 5.5f;
}

// Builds the layout on a new 2 by 1 table. Answers false when a part of it
// could not be made.
inline bool Build(LAYOUT* l) {
    RegisterTypes();
    if (NewLayout(0, 2, 1) != 1) return false;
    *l = LAYOUT();

    // The main line: buffer stop, straight, stretched straight, a right
    // switch whose straight branch leads over a crossing into a left switch
    // and on to a turntable, and a curve on its curved branch.
    l->buffer = PlacePiece(5, -6.0f, 0.0f, 180.0f);
    l->main = PlacePiece(1, -6.0f, 0.0f, 0.0f);
    l->stretched = PlacePiece(6, -2.0f, 0.0f, 0.0f);
    if (!l->buffer || !l->main || !l->stretched) return false;
    l->stretched->kind = TRACK_STRETCHED;
    l->stretched->length = 1.5f;
    l->stretched->x = -2.0f + 0.75f;
    l->rightSwitch = Attach(l->stretched, 1, 3);
    if (!l->rightSwitch) return false;
    l->crossing = Attach(l->rightSwitch, 2, 0);
    l->curve = Attach(l->rightSwitch, 1, 2);
    if (!l->crossing || !l->curve) return false;
    l->leftSwitch = Attach(l->crossing, 1, 4);
    if (!l->leftSwitch) return false;
    l->turntable = Attach(l->leftSwitch, 2, 1);
    l->siding = PlacePiece(0, 0.0f, 4.0f, 90.0f);
    if (!l->turntable || !l->siding) return false;
    trackList.RebuildConnections();

    CopyText(l->main->name, TRACKNAMELEN, "Main line");
    std::memset(l->siding->name, 'N', TRACKNAMELEN - 1);
    l->siding->name[TRACKNAMELEN - 1] = 0;
    l->main->end[0].bInsulated = 1;
    l->siding->end[1].bInsulated = 1;
    l->rightSwitch->switchState = 2;
    l->stretched->SetDetachPoint("D1", 1);
    l->stretched->bDetachActive = 1;
    l->crossing->SetBarrier(1, 1, "B1", 1);
    l->turntable->bTurntable = 1;
    l->turntable->pitHeading = 90.0f;
    l->turntable->targetHeading = l->turntable->heading;
    l->turntable->turntableObj = RAILWAY;
    CopyText(l->turntable->featureName, TRACKFEATURENAMELEN, "TT1");
    l->turntable->bTurntableInTable = 1;
    manualControlTable.SetControl(MCT_TURNTABLE, l->turntable, 1);
    manualControlTable.SetControl(MCT_SWITCH, l->rightSwitch, 1);
    manualControlTable.SetControl(MCT_SWITCH, l->leftSwitch, 1);

    // Power and track additions.
    l->node = powerList.CreateFeedPoint(l->main, 80, "Main", 1);
    l->sidingNode = powerList.CreateFeedPoint(l->siding, 30, "Siding", 0);
    if (!l->node || !l->sidingNode) return false;
    powerList.SetNameCounter(7);
    TRACKADDITION* a = AddTrackAddition();
    TRACKADDITION* b = AddTrackAddition();
    if (!a || !b) return false;
    a->Init(1, l->stretched, 4, 5, 6);
    b->Init(1, l->crossing, 7, 8, 9);

    // Placed objects of every kind.
    struct Kind {
        int type, objId;
        float x, y, heading;
    };
    const Kind kinds[] = {{PLANT_TYPE, PLANT, -4.0f, 3.0f, 10.0f},    {HOUSE_TYPE, HOUSE, -3.0f, -3.0f, 45.0f},
                          {INDUSTRY_TYPE, INDUSTRY, 5.0f, -4.0f, 0.0f}, {RAILWAY_TYPE, RAILWAY, 6.0f, 3.0f, 90.0f},
                          {MISC_TYPE, MISC, -8.0f, -4.0f, 0.0f},       {LAMP_TYPE, LAMP, -1.0f, -2.0f, 0.0f},
                          {SIGN_TYPE, SIGN, 2.0f, -2.0f, 180.0f},      {RAILWAY_TYPE, GATE, 1.0f, 1.5f, 0.0f}};
    for (const Kind& k : kinds) {
        TERROBJ* o = terrobjList.AddNew(k.type, k.objId, k.x, k.y, 0.0f, k.heading, 0.0f, 0.0f);
        if (!o) return false;
        if (k.objId == HOUSE) l->house = o;
        if (k.objId == GATE) l->gate = o;
        if (k.objId == LAMP) l->lamp = o;
        if (k.objId == MISC) l->turning = o;
    }
    if (!l->gate || !l->gate->gate || !l->house || !l->turning || !l->lamp) return false;
    l->house->SetColor1(0xFF112233);
    l->house->SetColor2(0xFF445566);
    l->house->heightOffset = -0.25f;
    l->gate->gate->SetName("Crossing gate");
    l->gate->gate->SetAngle(30.0f);
    l->gate->gate->Open();
    l->turning->heading = 400.0f;
    l->turning->targetHeading = 440.0f;
    l->turning->targetRoll = 15.0f;
    l->turning->turnSpeed = 20.0f;
    l->turning->atTarget = 0;

    // Vehicles: a coupled train on the main line, a crashed engine on the
    // crossing, an engine on the switch's curved branch, a wagon on the
    // siding that came over a switch's curve.
    l->engine = PlaceVehicle(l->main, ENGINE_TYPE, ENGINE, 62.5f);
    l->wagon = PlaceVehicle(l->main, CWAGON_TYPE, WAGON, 37.5f);
    l->coach = PlaceVehicle(l->main, PWAGON_TYPE, COACH, 12.5f);
    l->crashed = PlaceVehicle(l->crossing, ENGINE_TYPE, ENGINE, 50.0f);
    l->onSwitch = PlaceVehicle(l->rightSwitch, ENGINE_TYPE, ENGINE, 50.0f);
    l->onSiding = PlaceVehicle(l->siding, CWAGON_TYPE, WAGON, 50.0f);
    if (!l->engine || !l->wagon || !l->coach || !l->crashed || !l->onSwitch || !l->onSiding) return false;
    TRAIN::Couple(l->engine, 1, l->wagon, 0);
    TRAIN::Couple(l->wagon, 1, l->coach, 0);
    l->engine->SetFlags(5);
    l->coach->SetFlags(2);
    l->crashed->bActive = 0;
    l->onSiding->branch = 2;

    // Controls of every type, owned by the crossing and the main line.
    AddControl(l, CONTROL_POWER, l->crossing, l->node, nullptr, 1, 0, 0, -6, 0.0f, "Power", 2, 4);
    AddControl(l, CONTROL_SWITCH, l->crossing, nullptr, l->rightSwitch, 0, 0, 1, 0, 1.5f, "Switch", 3, 0);
    AddControl(l, CONTROL_DETACH, l->main, nullptr, l->stretched, 0, 1, 0, 0, 0.0f, "Detach", 0, 1);
    AddControl(l, CONTROL_BARRIER, l->main, nullptr, l->crossing, 1, 0, 0, 0, 2.0f, "Barrier", 0, 0);
    AddControl(l, CONTROL_GATE, l->crossing, nullptr, l->gate, 1, 0, 0, 0, 0.0f, "Gate", 0, 0);
    AddControl(l, CONTROL_TURNTABLE, l->main, nullptr, l->turntable, 0, 1, 0, 0, 0.0f, "Turn", 0, 0);
    AddControl(l, CONTROL_SOUND, l->main, nullptr, l->house, 0, 0, 1, 0, 0.0f, "Sound", 0, 0);
    AddControl(l, CONTROL_MODEL, l->crossing, nullptr, l->house, 1, 0, 0, INDUSTRY, 0.0f, "Model", 0, 0);
    AddControl(l, CONTROL_TURN, l->crossing, nullptr, l->turning, 1, 0, 0, MISC, 0.0f, "Spin", 0, 0, 'y', 30, 12);
    for (CONTROL* c : l->controls)
        if (!c) return false;
    l->controls[1]->delayTimer = 700;
    l->controls[3]->glowTime = 900;
    controlList.SetNameCounter(12);

    // Terrain, lighting, sky, camera and settings.
    terrain.SetVertexHeight(5, 6, -0.75f);
    terrain.SetVertexHeight(30, 10, 0.5f);
    terrain.SetPaintTexture(5);
    terrain.PaintBrushAt(-3.0f, 2.0f);
    terrain.SetPaintTexture(9);
    terrain.PaintBrushAt(-2.6f, 2.2f);
    SetNightAndCamera();
    layoutState.SetSelectObjects(0);
    layoutState.SetSelectVehicles(0);
    layoutState.SetShowGrid(1);
    layoutState.SetDrawRaised(0);
    terrobjList.SetCullThreshold(0.02f);
    controlList.SetShowControls(0);
    manualControlTable.SetShown(0);
    return true;
}

// Byte offsets where the sections of a version-15 file begin, in file order,
// followed by the file's size. Empty when the counts do not fit the file.
inline std::vector<size_t> SectionOffsets(const std::string& file) {
    auto i32 = [&](size_t at) -> long long { return at + 4 > file.size() ? -1 : ReadI32(file, at); };
    std::vector<size_t> at;
    size_t p = 15;
    auto records = [&](long long size, long long trailing) {
        at.push_back(p);
        const long long n = i32(p);
        if (n < 0) return false;
        p += 4 + n * size + trailing;
        return p <= file.size();
    };
    if (!records(TRACKRECORDSIZE, 0) || !records(TRACKADDITIONRECORDSIZE, 0) || !records(POWERRECORDSIZE, 4) ||
        !records(TRAINRECORDSIZE, 0) || !records(CONTROLRECORDSIZE, 4))
        return {};
    at.push_back(p);  // placed objects: a gate record follows its object
    const long long objects = i32(p);
    p += 4;
    for (long long k = 0; k < objects; k++) {
        const bool gate = i32(p + 148) != 0;
        p += TERROBJ_RECORD_SIZE + (gate ? CGates::RECORD_SIZE : 0);
        if (p > file.size()) return {};
    }
    at.push_back(p);  // manual control table
    const long long entries = i32(p + 1);
    if (entries < 0) return {};
    p += 5 + 8 * entries;
    at.push_back(p);  // camera
    p += 76;
    at.push_back(p);  // settings
    p += 68;
    at.push_back(p);  // terrain
    const long long vertices = i32(p + 8);
    if (vertices < 0) return {};
    p += 12 + vertices * (24 + 4 + 6 * 28);
    const long long blur = i32(p);
    if (blur < 0) return {};
    p += 4 + blur * 16;
    at.push_back(p);  // lighting
    p += LIGHTLIST::SECTIONSIZE;
    at.push_back(p);  // sky box
    p += 4;
    at.push_back(p);
    if (p != file.size()) return {};
    return at;
}

// Whether every list a layout file fills is empty: pieces, track additions,
// feed points, vehicles, controls, placed objects with their gates, the
// manual control table and the lamps' lights.
inline bool ListsEmpty() {
    return trackList.GetCount() == 0 && trackList.GetFirst() == nullptr && trackAdditionList.GetFirst() == nullptr &&
           powerList.IsEmpty() && trainList.GetFirst() == nullptr && terrobjList.GetFirst() == nullptr &&
           controlList.IsEmpty() && manualControlTable.GetEntryCount() == 0 && lightList.GetLightCount() == 0;
}

// A file the saver wrote, without what a load of it rebuilds: the group ids
// of its pieces are cleared (a load gives every joined run its id again) and,
// when asked, its track additions are put in reverse order (a load puts each
// at the head of its list). Everything else stays byte for byte.
inline std::string WithoutLoadChanges(std::string file, bool reverseAdditions) {
    const int count = ReadI32(file, 15);
    for (int i = 0; i < count; i++) WriteI32(file, 15 + 4 + i * TRACKRECORDSIZE + 52, 0);
    if (reverseAdditions) {
        const size_t at = 15 + 4 + static_cast<size_t>(count) * TRACKRECORDSIZE;
        const int n = ReadI32(file, at);
        std::string reversed;
        for (int i = n - 1; i >= 0; i--)
            reversed += file.substr(at + 4 + static_cast<size_t>(i) * TRACKADDITIONRECORDSIZE, TRACKADDITIONRECORDSIZE);
        file.replace(at + 4, reversed.size(), reversed);
    }
    return file;
}

}  // namespace fulllayout
