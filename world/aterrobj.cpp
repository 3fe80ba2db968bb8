// Animated partners: start delays, advancing the animation, engine sounds,
// the forward motion of walking objects and drawing in the owner's place.
#include "world/aterrobj.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "app/myglobs.h"
#include "app/random.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "rail/layoutstate.h"
#include "rail/track.h"
#include "rail/train.h"
#include "sound/soundmanager.h"
#include "world/axobject.h"
#include "world/lightlist.h"
#include "world/terrobj.h"
#include "world/xobject.h"

namespace {

constexpr float STEP_PER_MS = 4.8f;  // animation time units per millisecond
constexpr float DEG2RAD = 3.1415927f / 180.0f;

int AnimModeOf(int objId) {
    int xid = GetXID(objId, 0);
    if (xid < 0 || xid >= myGlobs.xObjectCount || !myGlobs.xObjects) return 0;
    return myGlobs.xObjects[xid].animMode;
}

// Plays the engine's running sound when the animation passes 25 or 75 percent.
void PlayEngineSounds(const ATERROBJ& p, const PARTNER_OWNER_STATE& o, float before, float after) {
    float s = std::fabs(o.speed) / 5.0f;
    if (s < 0.1f) return;
    if (o.groundState == 1 || o.groundState == 3) return;
    float frequency;
    if (before < 25.0f && after >= 25.0f)
        frequency = 90.0f + 1.2f * s;
    else if (before < 75.0f && after >= 75.0f)
        frequency = 100.0f + 1.2f * s;
    else
        return;
    int volume = 0, pan = 0;
    DetSoundVolumePan(o.position, &volume, &pan);
    volume += static_cast<int>(s * 500.0f) - 1000;
    soundManager.PlaySound(p.name, volume, pan, frequency, 0, myGlobs.firstEdition ? "1250" : "1260");
}

}  // namespace

// ---------------------------------------------------------------------------
// ATERROBJ

ATERROBJ::ATERROBJ() {
    for (auto& m : frameMatrices) D3DXMatrixIdentity(&m);
}

bool ATERROBJ::IsEngine() const { return IsObjIdIn1250Group(objId) != 0; }

int ATERROBJ::Advance(AXOBJECT* ax, float step) {
    CopyText(commandPhase, sizeof commandPhase, "NONE");
    CopyText(envirPhase, sizeof envirPhase, "NONE");
    // The transition tables are empty: the next animation is the current one.
    CopyText(nextPhase, sizeof nextPhase, phase);
    if (finished) {
        time = step;
        overshoot = 0.0f;
        unused1 = 0.0f;
        unused2 = 0.0f;
        basePosition = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        CopyText(phase, sizeof phase, nextPhase);
        finished = 0;
        if (ax) ax->FindXstate(phase, stateText, sizeof stateText, &speedFactor);
    } else {
        time += step;
    }

    XFRAME* frame = (ax && ax->animMesh) ? ax->animMesh->FindAnimFrame(phase) : nullptr;
    float length = 0.0f;
    int n = 0;
    int allPassed = 1;
    bool warned = false;
    for (XFRAME* f = frame; f; f = f->nextAnim) {
        if (f->name != phase) continue;
        if (n >= MAXPARTNERFRAMES) {
            if (!warned) WriteStartLog("WARNING!!! Not all animation steps can be stored in ATERROBJ objects!!!");
            warned = true;
            break;
        }
        float frameLength = 0.0f;
        if (!f->SetTime(time, stateText, &frameLength, &frameMatrices[n])) allPassed = 0;
        if (frameLength > length) length = frameLength;
        ++n;
    }
    frameCount = n;
    CopyText(animationName, sizeof animationName, phase);
    finished = (n > 0 && allPassed) ? 1 : 0;
    if (finished) overshoot = time >= 0.0f ? time - length : time + length;
    percent = length > 0.0f ? std::fabs(time) / length * 100.0f : 0.0f;
    return finished;
}

int DetStartDelay(int objId, int afterRun) {
    if (IsObjIdIn1250Group(objId)) return 0;
    switch (AnimModeOf(objId)) {
        case 1:
            return VelRand() / 3 + (afterRun ? 5000 : 0);
        case 3:
            return VelRand() / 3;
        default:
            return 0;
    }
}

// ---------------------------------------------------------------------------
// ATERROBJ_LIST

ATERROBJ_LIST::ATERROBJ_LIST() = default;

ATERROBJ_LIST::~ATERROBJ_LIST() {
    WriteStartLog("Releasing ATERROBJ_LIST...");
    RemoveAll();
    WriteStartLog("ATERROBJ_LIST was deleted...");
}

void ATERROBJ_LIST::RemoveAll() {
    while (head) {
        ATERROBJ* next = head->next;
        delete head;
        head = next;
    }
}

ATERROBJ* ATERROBJ_LIST::FindPartner(void* owner) const {
    if (!owner) return nullptr;
    for (ATERROBJ* p = head; p; p = p->next)
        if (p->owner == owner) return p;
    return nullptr;
}

ATERROBJ* ATERROBJ_LIST::AddNew(int type, int objId, const D3DXVECTOR3& position, float heading, void* owner,
                                float pitch, float roll) {
    ATERROBJ* p = new (std::nothrow) ATERROBJ();
    if (!p) {
        WriteStartLog("Out of memory in ATERROBJ_LIST::AddNew() !!!");
        return nullptr;
    }
    p->type = type;
    p->objId = objId;
    p->position = position;
    p->heading = heading;
    p->pitch = pitch;
    p->roll = roll;
    p->owner = owner;
    snprintf(p->name, sizeof p->name, "%d", objId);
    if (AXOBJECT* ax = axobjectList.FindByObjId(objId)) CopyText(p->phase, sizeof p->phase, ax->firstAnimation);
    UpdatePartner(p);
    p->startDelay = DetStartDelay(objId, 0);
    p->next = head;
    head = p;
    return p;
}

void ATERROBJ_LIST::RemovePartner(void* owner) {
    if (!owner) return;
    ATERROBJ** link = &head;
    while (*link) {
        if ((*link)->owner == owner) {
            ATERROBJ* dead = *link;
            *link = dead->next;
            delete dead;
            return;
        }
        link = &(*link)->next;
    }
}

void ATERROBJ_LIST::SetPartnerColours(void* owner, unsigned int colour1, unsigned int colour2) {
    if (ATERROBJ* p = FindPartner(owner)) {
        p->colour1 = colour1;
        p->colour2 = colour2;
    }
}

void ATERROBJ_LIST::UpdateAll() {
    for (ATERROBJ* p = head; p; p = p->next) UpdatePartner(p);
}

void ATERROBJ_LIST::UpdatePartner(ATERROBJ* p) {
    if (!p || p->hidden) return;
    AXOBJECT* ax = axobjectList.FindByObjId(p->objId);
    if (!ax || !ax->animMesh) return;

    PARTNER_OWNER_STATE o;
    ReadPartnerOwner(*p, &o);
    const bool paused = layoutState.IsPaused() != 0;
    const bool engine = p->IsEngine();
    float step;
    if (paused)
        step = 0.0f;
    else if (engine)
        step = frameTime * STEP_PER_MS * p->speedFactor * o.speed / 1.55f;
    else
        step = frameTime * STEP_PER_MS * p->speedFactor;

    bool waiting = false;
    if (p->startDelay > 0) {
        p->startDelay -= frameTime;
        waiting = p->startDelay > 0;
    }
    if (!waiting) {
        float before = p->percent;
        p->Advance(ax, step);
        if (p->percent < 0.0f) p->percent = 0.0f;
        if (p->percent >= 100.0f) {
            p->percent = 100.0f;
            p->startDelay = DetStartDelay(p->objId, 1);
        }
        p->moveOffset = D3DXVECTOR3(0.0f, 0.0f, 0.0f) - p->basePosition;
        if (engine) PlayEngineSounds(*p, o, before, p->percent);
        if (p->finished) {
            // The animation loops: start it again with the part of the step
            // that ran past its end.
            p->Advance(ax, p->overshoot);
            if (engine) PlayEngineSounds(*p, o, 0.0f, p->percent);
        }
    }

    // Walking objects move forward and turn slowly.
    if (!paused && AnimModeOf(p->objId) == 3 && p->owner) {
        float h = o.heading * DEG2RAD;
        float d = frameTime / 2000.0f;
        MovePartnerOwner(*p, std::sin(h) * d, -std::cos(h) * d, frameTime / 150.0f);
    }
}

void ATERROBJ_LIST::RenderPartner(void* owner, int pass, int highlight, int switchLights) {
    ATERROBJ* p = FindPartner(owner);
    if (!p || p->hidden) return;
    AXOBJECT* ax = axobjectList.FindByObjId(p->objId);
    if (!ax || !ax->animMesh) return;
    IDirect3DDevice8* device = display.device;
    if (!device) return;

    PARTNER_OWNER_STATE o;
    if (!ReadPartnerOwner(*p, &o)) return;
    D3DXVECTOR3 pos = o.position;
    float heading, pitch, roll;
    if (p->IsEngine()) {
        heading = o.heading + 180.0f;
        pitch = -o.pitch;
        roll = 0.0f;
    } else {
        pos.z += o.heightOffset;
        heading = o.heading;
        pitch = o.pitch;
        roll = o.roll;
    }

    // The stored pose goes back into the frames of the animation.
    int i = 0;
    XFRAME* frame = ax->animMesh->FindAnimFrame(p->animationName);
    for (XFRAME* f = frame; f && i < p->frameCount; f = f->nextAnim) {
        if (f->name != p->animationName) continue;
        if (f->target) f->target->localMatrix = p->frameMatrices[i];
        ++i;
    }

    D3DXMATRIX world, m;
    D3DXMatrixScaling(&world, ax->animScale, ax->animScale, ax->animScale);
    D3DXMatrixRotationY(&m, roll * DEG2RAD);
    world = world * m;
    D3DXMatrixRotationX(&m, pitch * DEG2RAD);
    world = world * m;
    D3DXMatrixRotationZ(&m, heading * DEG2RAD);
    world = world * m;
    D3DXMatrixTranslation(&m, pos.x, pos.y, pos.z);
    world = world * m;
    device->SetTransform(D3DTS_WORLD, &world);

    if (switchLights) lightList.SwitchOnNearLights(pos.x, pos.y);
    unsigned int c1 = p->IsEngine() ? 0xFFFFFFFFu : o.colour1;
    unsigned int c2 = p->IsEngine() ? 0xFFFFFFFFu : o.colour2;
    ax->DrawHierarchy(c1, c2, highlight ? 34 : 0, pass);
    if (switchLights) lightList.SwitchOffNearLights();
}

// ---------------------------------------------------------------------------
// Owner access

namespace {

// An engine owner: the partner follows the vehicle's pose and speed.
int ReadVehicleOwner(const TRAIN* v, PARTNER_OWNER_STATE* out) {
    if (!v) return 0;
    out->position = v->vPos;
    out->heading = v->heading;
    out->pitch = v->pitch;
    out->roll = 0.0f;
    out->heightOffset = 0.0f;
    out->speed = v->speed;
    out->groundState = v->pTrack ? v->pTrack->groundState : 0;
    return 1;
}

PARTNER_OWNER_READ_FN testReadOwner = nullptr;
PARTNER_OWNER_MOVE_FN testMoveOwner = nullptr;

}  // namespace

void SetPartnerOwnerAccessForTest(PARTNER_OWNER_READ_FN read, PARTNER_OWNER_MOVE_FN move) {
    testReadOwner = read;
    testMoveOwner = move;
}

int ReadPartnerOwner(const ATERROBJ& partner, PARTNER_OWNER_STATE* out) {
    if (!out) return 0;
    *out = PARTNER_OWNER_STATE{};
    if (!partner.owner) return 0;
    if (testReadOwner) return testReadOwner(partner, out);
    if (partner.IsEngine()) return ReadVehicleOwner(static_cast<const TRAIN*>(partner.owner), out);
    const TERROBJ* t = static_cast<const TERROBJ*>(partner.owner);
    out->position = D3DXVECTOR3(t->x, t->y, t->z);
    out->heading = t->heading;
    out->pitch = t->pitch;
    out->roll = t->roll;
    out->heightOffset = t->heightOffset;
    out->colour1 = t->colour1;
    out->colour2 = t->colour2;
    return 1;
}

void MovePartnerOwner(const ATERROBJ& partner, float dx, float dy, float dHeading) {
    if (!partner.owner || partner.IsEngine()) return;
    if (testMoveOwner) {
        testMoveOwner(partner, dx, dy, dHeading);
        return;
    }
    TERROBJ* t = static_cast<TERROBJ*>(partner.owner);
    t->x += dx;
    t->y += dy;
    t->heading = WrapHeading(t->heading + dHeading);
}

float WrapHeading(float heading) {
    if (!std::isfinite(heading)) return 0.0f;
    heading = std::fmod(heading, 360.0f);
    if (heading < 0.0f) heading += 360.0f;
    if (heading >= 360.0f) heading = 0.0f;
    return heading;
}
