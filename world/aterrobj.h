// Animated partners of placed objects and engines: the animation state of
// one animated object and its drawing in the owner's place.
#pragma once

#include "platform/d3dx8math.h"

struct AXOBJECT;

constexpr int MAXPARTNERFRAMES = 100;
constexpr int MAXMOVEMENTS = 100;

// What a partner reads from its owner (a placed object, or a vehicle for the
// engines 1250..1299).
struct PARTNER_OWNER_STATE {
    D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
    float heading = 0.0f;
    float pitch = 0.0f;
    float roll = 0.0f;
    float heightOffset = 0.0f;
    unsigned int colour1 = 0xFFFFFFFFu;
    unsigned int colour2 = 0xFFFFFFFFu;
    float speed = 0.0f;     // vehicles: signed speed along the piece
    int groundState = 0;    // vehicles: ground state of the piece under it
};

struct ATERROBJ {
    ATERROBJ();

    // The placed-object part.
    int type = 0;
    int objId = 0;
    D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
    float heading = 0.0f;
    float pitch = 0.0f;
    float roll = 0.0f;
    char name[28] = {};
    unsigned int colour1 = 0xFFFFFFFFu;
    unsigned int colour2 = 0xFFFFFFFFu;
    ATERROBJ* next = nullptr;

    // The animation state.
    int hidden = 0;
    char commandPhase[32] = "NONE";
    char envirPhase[32] = "NONE";
    float time = 0.0f;
    float overshoot = 0.0f;
    int frameCount = 0;
    D3DXMATRIX frameMatrices[MAXPARTNERFRAMES];
    char animationName[64] = {};
    float unused1 = 0.0f;
    int finished = 1;
    char phase[64] = "-.x";
    char nextPhase[64] = {};
    float unused2 = 0.0f;
    D3DXVECTOR3 basePosition{0.0f, 0.0f, 0.0f};
    float percent = 0.0f;
    D3DXVECTOR3 moveOffset{0.0f, 0.0f, 0.0f};
    char stateText[32] = {};
    float unused3 = 0.0f;
    float unused4 = 100.0f;
    float speedFactor = 1.0f;
    D3DXVECTOR3 unusedVector{0.0f, 0.0f, 0.0f};
    int unusedInt = 0;
    void* owner = nullptr;
    int startDelay = 0;

    // Moves the animation on by step (animation time units) and stores the
    // frame matrices; returns `finished`.
    int Advance(AXOBJECT* ax, float step);
    bool IsEngine() const;
};

class ATERROBJ_LIST {
public:
    ATERROBJ_LIST();
    ~ATERROBJ_LIST();
    ATERROBJ_LIST(const ATERROBJ_LIST&) = delete;
    ATERROBJ_LIST& operator=(const ATERROBJ_LIST&) = delete;

    ATERROBJ* AddNew(int type, int objId, const D3DXVECTOR3& position, float heading, void* owner, float pitch,
                     float roll);
    void RemovePartner(void* owner);
    void RemoveAll();
    void SetPartnerColours(void* owner, unsigned int colour1, unsigned int colour2);
    void UpdateAll();
    // One frame of one partner.
    void UpdatePartner(ATERROBJ* partner);
    void RenderPartner(void* owner, int pass, int highlight, int switchLights = 0);
    ATERROBJ* FindPartner(void* owner) const;

    ATERROBJ* head = nullptr;
    int movementCount = 0;  // the movement table is never filled
};

extern ATERROBJ_LIST aterrobjList;

// Milliseconds a partner waits before its animation runs; afterRun adds the
// pause that follows a completed run of an "anm" object.
int DetStartDelay(int objId, int afterRun);

// Owner access, by the owner's kind (objIds 1250..1299 are vehicles). The
// placed-object and vehicle records are read through these so that the
// partner code does not depend on their layout.
int ReadPartnerOwner(const ATERROBJ& partner, PARTNER_OWNER_STATE* out);
void MovePartnerOwner(const ATERROBJ& partner, float dx, float dy, float dHeading);
// A heading brought into 0 <= h < 360.
float WrapHeading(float heading);

// Tests replace the owner access (null restores it).
typedef int (*PARTNER_OWNER_READ_FN)(const ATERROBJ& partner, PARTNER_OWNER_STATE* out);
typedef void (*PARTNER_OWNER_MOVE_FN)(const ATERROBJ& partner, float dx, float dy, float dHeading);
void SetPartnerOwnerAccessForTest(PARTNER_OWNER_READ_FN read, PARTNER_OWNER_MOVE_FN move);
