// Vehicles: the record and its file form, placing on a piece, walking along
// the track from a vehicle, couplers and the pose from the two bogies.
#include "rail/train.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "app/myglobs.h"
#include "app/random.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "gfx/render.h"
#include "rail/layoutstate.h"
#include "rail/track.h"
#include "world/xobject.h"

using namespace recordio;

namespace {
constexpr double DEG = 3.14159265358979323846 / 180.0;
constexpr float BOGIE_LIFT = 0.06f;
// Upper bound of the pieces one distance search may cross.
constexpr int MAXSEARCHSTEPS = 100000;

void PutVector(unsigned char* p, const D3DXVECTOR3& v) {
    PutFloat(p, v.x);
    PutFloat(p + 4, v.y);
    PutFloat(p + 8, v.z);
}
D3DXVECTOR3 GetVector(const unsigned char* p) { return D3DXVECTOR3(GetFloat(p), GetFloat(p + 4), GetFloat(p + 8)); }
} // namespace

int IsAnimatedEngine(int objId) { return objId >= 1250 && objId <= 1299; }

float GetTrainBogieDistance(int objId) {
    int xid = GetXID(objId, 0);
    if (xid < 0 || !myGlobs.xObjects) return 0.0f;
    float d = myGlobs.xObjects[xid].vehicleLength2;
    return (d > 0.0f && std::isfinite(d)) ? d : 0.0f;
}

// ---------------------------------------------------------------------------
// ROOTCHECK table

void ROOTCHECK::Write(unsigned char out[ROOTCHECKSIZE]) const {
    std::memset(out, 0, ROOTCHECKSIZE);
    for (int i = 0; i < ROOTCHECKROWS; i++) {
        unsigned char* r = out + i * ROOTCHECKROWSIZE;
        std::memcpy(r, rows[i].name, 64);
        PutInt(r + 64, rows[i].firstFlag);
        PutInt(r + 68, rows[i].secondFlag);
        PutInt(r + 72, rows[i].thirdFlag);
        PutInt(r + 76, rows[i].firstNumber);
        PutInt(r + 80, rows[i].secondNumber);
        PutInt(r + 84, rows[i].runFlags[0]);
        PutInt(r + 88, rows[i].runFlags[1]);
    }
    unsigned char* h = out + ROOTCHECKROWS * ROOTCHECKROWSIZE;
    PutInt(h, rowCount);
    PutInt(h + 4, options[0]);
    PutInt(h + 8, options[1]);
    PutInt(h + 12, options[2]);
    PutInt(h + 16, bDone);
    PutInt(h + 20, bFailed);
    PutInt(h + 24, failedRow);
}

void ROOTCHECK::Read(const unsigned char in[ROOTCHECKSIZE]) {
    for (int i = 0; i < ROOTCHECKROWS; i++) {
        const unsigned char* r = in + i * ROOTCHECKROWSIZE;
        std::memcpy(rows[i].name, r, 64);
        rows[i].firstFlag = GetInt(r + 64);
        rows[i].secondFlag = GetInt(r + 68);
        rows[i].thirdFlag = GetInt(r + 72);
        rows[i].firstNumber = GetInt(r + 76);
        rows[i].secondNumber = GetInt(r + 80);
        rows[i].runFlags[0] = GetInt(r + 84);
        rows[i].runFlags[1] = GetInt(r + 88);
    }
    const unsigned char* h = in + ROOTCHECKROWS * ROOTCHECKROWSIZE;
    rowCount = GetInt(h);
    options[0] = GetInt(h + 4);
    options[1] = GetInt(h + 8);
    options[2] = GetInt(h + 12);
    bDone = GetInt(h + 16);
    bFailed = GetInt(h + 20);
    failedRow = GetInt(h + 24);
}

// ---------------------------------------------------------------------------
// Record

TRAIN::TRAIN() {
    for (auto& p : vPoints) p = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

int TRAIN::IsEngine() const { return type == ENGINE_TYPE; }

void TRAIN::WriteRecord(unsigned char out[TRAINRECORDSIZE]) const {
    std::memset(out, 0, TRAINRECORDSIZE);
    // Links are meaningless in the file; they stay 4-byte zero placeholders.
    PutInt(out + 16, coupled0End);
    PutInt(out + 24, coupled1End);
    PutInt(out + 28, saveNumber);
    PutInt(out + 32, trackId);
    PutInt(out + 36, coupled1Id);
    PutInt(out + 40, coupled0Id);
    PutInt(out + 44, type);
    PutInt(out + 48, objId);
    PutText(out + 52, name, TRAINNAMELEN);
    PutFloat(out + 84, halfLength);
    PutInt(out + 88, baseSpeed);
    PutInt(out + 92, bSelected);
    PutVector(out + 96, vPos);
    PutFloat(out + 108, heading);
    PutFloat(out + 112, pitch);
    PutInt(out + 116, orientation);
    PutInt(out + 120, branch);
    PutFloat(out + 124, speed);
    PutFloat(out + 128, setSpeed);
    PutFloat(out + 132, targetSpeed);
    PutFloat(out + 136, pushingEngines);
    PutFloat(out + 140, trailingLoad);
    PutFloat(out + 144, posPercent);
    PutFloat(out + 148, posDistance);
    PutVector(out + 152, vBogie0);
    PutFloat(out + 164, bogie0Heading);
    PutFloat(out + 168, bogie0Pitch);
    PutInt(out + 172, unused172);
    PutVector(out + 176, vBogie1);
    PutFloat(out + 188, bogie1Heading);
    PutFloat(out + 192, bogie1Pitch);
    PutInt(out + 196, unused196);
    PutInt(out + 200, bFreeCoupler);
    PutInt(out + 204, bActive);
    PutInt(out + 208, unused208);
    PutVector(out + 212, vJitter);
    PutInt(out + 224, jitterTimer);
    PutVector(out + 228, vSphereCenter);
    PutFloat(out + 240, radius);
    PutInt(out + 244, reserved244);
    PutInt(out + 248, bVisible);
    for (int i = 0; i < MAXTRAINPOINTS; i++) PutVector(out + 252 + i * 12, vPoints[i]);
    PutInt(out + 372, pointCount);
    rootCheck.Write(out + 376);
    PutFloat(out + 5004, lastFrameSpeed);
    PutFloat(out + 5008, frameSpeed);
    PutInt(out + 5012, bStarted);
    PutInt(out + 5016, bStopped);
    PutInt(out + 5020, controlMask);
}

void TRAIN::ReadRecord(const unsigned char* in, int size) {
    pPrev = pNext = nullptr;
    pTrack = nullptr;
    pCoupled0 = pCoupled1 = nullptr;
    coupled0End = GetInt(in + 16);
    coupled1End = GetInt(in + 24);
    saveNumber = GetInt(in + 28);
    trackId = GetInt(in + 32);
    coupled1Id = GetInt(in + 36);
    coupled0Id = GetInt(in + 40);
    type = GetInt(in + 44);
    objId = GetInt(in + 48);
    std::memcpy(name, in + 52, TRAINNAMELEN);
    name[TRAINNAMELEN - 1] = '\0';
    halfLength = GetFloat(in + 84);
    baseSpeed = GetInt(in + 88);
    bSelected = GetInt(in + 92);
    vPos = GetVector(in + 96);
    heading = GetFloat(in + 108);
    pitch = GetFloat(in + 112);
    orientation = GetInt(in + 116);
    branch = GetInt(in + 120);
    speed = GetFloat(in + 124);
    setSpeed = GetFloat(in + 128);
    targetSpeed = GetFloat(in + 132);
    pushingEngines = GetFloat(in + 136);
    trailingLoad = GetFloat(in + 140);
    posPercent = GetFloat(in + 144);
    posDistance = GetFloat(in + 148);
    vBogie0 = GetVector(in + 152);
    bogie0Heading = GetFloat(in + 164);
    bogie0Pitch = GetFloat(in + 168);
    unused172 = GetInt(in + 172);
    vBogie1 = GetVector(in + 176);
    bogie1Heading = GetFloat(in + 188);
    bogie1Pitch = GetFloat(in + 192);
    unused196 = GetInt(in + 196);
    bFreeCoupler = GetInt(in + 200);
    bActive = GetInt(in + 204);
    unused208 = GetInt(in + 208);
    vJitter = GetVector(in + 212);
    jitterTimer = GetInt(in + 224);
    vSphereCenter = GetVector(in + 228);
    radius = GetFloat(in + 240);
    reserved244 = GetInt(in + 244);
    bVisible = GetInt(in + 248);
    for (int i = 0; i < MAXTRAINPOINTS; i++) vPoints[i] = GetVector(in + 252 + i * 12);
    pointCount = GetInt(in + 372);
    rootCheck.Read(in + 376);
    lastFrameSpeed = GetFloat(in + 5004);
    frameSpeed = GetFloat(in + 5008);
    bStarted = GetInt(in + 5012);
    bStopped = GetInt(in + 5016);
    controlMask = (size >= TRAINRECORDSIZE) ? GetInt(in + 5020) : 0;
    moveMark = 0;
}

int TRAIN::RepairRecord() {
    // Far beyond any table or speed, still safe to convert to integers.
    constexpr float kFar = 1.0e6f;
    // The longest wait between two shakes that UpdatePose draws.
    constexpr int kMaxJitterTime = 1000;
    bool changed = false;
    auto vector = [&changed](D3DXVECTOR3* v) {
        changed |= BoundFloat(&v->x, kFar, 0.0f) | BoundFloat(&v->y, kFar, 0.0f) | BoundFloat(&v->z, kFar, 0.0f);
    };
    if (orientation != 1 && orientation != -1) orientation = 1, changed = true;
    changed |= BoundInt(&branch, 1, 2, 1);
    if (coupled0End != 0 && coupled0End != 1) coupled0Id = 0, coupled0End = 0, changed = true;
    if (coupled1End != 0 && coupled1End != 1) coupled1Id = 0, coupled1End = 0, changed = true;
    changed |= BoundFloat(&halfLength, kFar, 0.0f);
    if (halfLength < 0.0f) halfLength = 0.0f, changed = true;
    for (float* v : {&speed, &setSpeed, &targetSpeed, &pushingEngines, &trailingLoad, &frameSpeed, &lastFrameSpeed,
                     &heading, &pitch, &radius, &bogie0Heading, &bogie0Pitch, &bogie1Heading, &bogie1Pitch})
        changed |= BoundFloat(v, kFar, 0.0f);
    changed |= BoundFloat(&posPercent, kFar, 0.0f) | BoundFloat(&posDistance, kFar, -1.0f);
    for (D3DXVECTOR3* v : {&vPos, &vBogie0, &vBogie1, &vJitter, &vSphereCenter}) vector(v);
    for (D3DXVECTOR3& v : vPoints) vector(&v);
    changed |= BoundInt(&pointCount, 0, MAXTRAINPOINTS, pointCount < 0 ? 0 : MAXTRAINPOINTS);
    changed |= BoundInt(&jitterTimer, 0, kMaxJitterTime, 0);
    if (BoundInt(&baseSpeed, -static_cast<int>(kFar), static_cast<int>(kFar), 0)) {
        GetObjVehicleParam(objId, &baseSpeed);
        changed = true;
    }
    return changed ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Placing

void TRAIN::PlaceOnTrack(TRACK* track, float startSpeed, int newType, int newObjId, float percent) {
    type = newType;
    objId = newObjId;
    orientation = (placeVehicleDirection == -1) ? -1 : 1;
    float hl = 0.0f;
    if (GetObjHalfLength(objId, &hl) != 0 || !std::isfinite(hl) || hl < 0.0f) hl = 0.0f;
    halfLength = hl;
    int param = 0; // stays 0 for an objId without a loaded type
    GetObjVehicleParam(objId, &param);
    baseSpeed = param;
    float r = 0.0f;
    GetObjRadius(objId, &r);
    radius = r;
    D3DXVECTOR3 c(0.0f, 0.0f, 0.0f);
    GetObjSphereCenter(objId, &c);
    vSphereCenter = c;
    char text[128] = {};
    GetObjName(objId, text, sizeof text);
    CopyText(name, TRAINNAMELEN, text);
    pointCount = 0;
    for (int i = 0; i < MAXTRAINPOINTS; i++) {
        D3DXVECTOR3 p(0.0f, 0.0f, 0.0f);
        if (!GetObjPoint(objId, i, &p)) break;
        vPoints[i] = p;
        pointCount = i + 1;
    }
    pCoupled0 = pCoupled1 = nullptr;
    coupled0End = coupled1End = 0;
    pTrack = track;
    branch = track ? track->switchState : 1;
    setSpeed = speed = startSpeed * static_cast<float>(baseSpeed) / 10.0f;
    if (!std::isfinite(percent)) percent = 0.0f;
    posPercent = percent;
    posDistance = track ? track->length * percent / 100.0f : 0.0f;
    pushingEngines = 0.0f;
    trailingLoad = 0.0f;
    vJitter = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    jitterTimer = 0;
    UpdatePose();
    trainList.SetupTrain(this);
    controlMask = 0;
}

// ---------------------------------------------------------------------------
// Walking and couplers

TRACK* TRAIN::WalkFromPosition(float distance, float* posOut, int* flipped, int* branchOut) const {
    return WalkAlongTrack(pTrack, posDistance, branch, distance, posOut, flipped, branchOut);
}

TRACK* TRAIN::GetCouplingPoint(int side, float* posOut, int* flipped, int* branchOut) const {
    bool ahead = (orientation == 1 && side == 0) || (orientation != 1 && side == 1);
    return WalkFromPosition(ahead ? halfLength : -halfLength, posOut, flipped, branchOut);
}

void TRAIN::DetBogiePoints(TRACK** piece0, float* percent0, int* orient0, int* branch0, TRACK** piece1,
                           float* percent1, int* orient1, int* branch1) {
    float offset = GetTrainBogieDistance(objId);
    if (!(offset > 0.0f)) offset = 0.7f * halfLength;
    if (orientation != 1) offset = -offset;
    for (int b = 0; b < 2; b++) {
        float d = (b == 0) ? offset : -offset;
        float pos = 0.0f;
        int flip = 0, br = branch;
        TRACK* p = WalkFromPosition(d, &pos, &flip, &br);
        TRACK** pieceOut = b == 0 ? piece0 : piece1;
        float* percentOut = b == 0 ? percent0 : percent1;
        int* orientOut = b == 0 ? orient0 : orient1;
        int* branchOut = b == 0 ? branch0 : branch1;
        *pieceOut = p;
        if (p) {
            *percentOut = (p->length > 0.0f) ? pos / p->length * 100.0f : 0.0f;
            *orientOut = flip ? -orientation : orientation;
            *branchOut = br;
        } else {
            // Off the track: on the straight line of the vehicle beyond the end.
            D3DXVECTOR3& v = b == 0 ? vBogie0 : vBogie1;
            float h = 0.0f;
            DetPosAlongHeading(vPos.x, vPos.y, vPos.z, heading, pitch, 1, b == 0 ? std::fabs(offset) : -std::fabs(offset),
                               &v, &h);
            (b == 0 ? bogie0Heading : bogie1Heading) = h;
            (b == 0 ? bogie0Pitch : bogie1Pitch) = pitch;
            *percentOut = 0.0f;
            *orientOut = orientation;
            *branchOut = branch;
        }
    }
}

int TRAIN::DistanceTo(const TRAIN* other, float* distance) const {
    if (distance) *distance = 0.0f;
    if (!other || !pTrack || !other->pTrack) return 0;
    float search = 2.0f * (halfLength + other->halfLength);
    bool forward = (other == pCoupled0 && orientation == 1) || (other == pCoupled1 && orientation == -1);
    int dir = forward ? 1 : -1;
    const TRACK* cur = pTrack;
    float pos = posDistance;
    int br = branch;
    float total = 0.0f;
    for (int steps = 0; steps < MAXSEARCHSTEPS; steps++) {
        if (cur == other->pTrack) {
            total += std::fabs(pos - other->posDistance);
            if (distance) *distance = total;
            return 1;
        }
        float part = dir > 0 ? cur->length - pos : pos;
        if (!(part >= 0.0f) || part >= search - total) return 0;
        total += part;
        int exitEnd = dir > 0 ? ((cur->IsSwitch() && br == 1) ? 2 : 1) : 0;
        const TRACK_END& link = cur->end[exitEnd];
        if (link.state != END_CONNECTED || !link.pTrack || link.conEnd < 0 || link.conEnd > 2) return 0;
        const TRACK* next = link.pTrack;
        int f = link.conEnd;
        br = (f == 0) ? next->switchState : (f == 1 ? 2 : 1);
        pos = (f == 0) ? 0.0f : next->length;
        dir = (f == 0) ? 1 : -1;
        cur = next;
    }
    return 0;
}

void TRAIN::Couple(TRAIN* a, int sideA, TRAIN* b, int sideB) {
    if (!a || !b) return;
    if (sideA == 0) {
        a->pCoupled0 = b;
        a->coupled0End = sideB;
    } else {
        a->pCoupled1 = b;
        a->coupled1End = sideB;
    }
    if (sideB == 0) {
        b->pCoupled0 = a;
        b->coupled0End = sideA;
    } else {
        b->pCoupled1 = a;
        b->coupled1End = sideA;
    }
}

int TRAIN::Uncouple(TRAIN* a, int sideA, TRAIN* b, int sideB, int rules) {
    if (!a || !b) return 0;
    if (rules && !trainList.IsDetachAllowed(a, sideA, b, sideB)) return 0;
    if (sideA == 0) {
        a->pCoupled0 = nullptr;
        a->coupled0End = 0;
    } else {
        a->pCoupled1 = nullptr;
        a->coupled1End = 0;
    }
    if (sideB == 0) {
        b->pCoupled0 = nullptr;
        b->coupled0End = 0;
    } else {
        b->pCoupled1 = nullptr;
        b->coupled1End = 0;
    }
    return 1;
}

void TRAIN::UnlinkBoth(TRAIN* a, TRAIN* b) {
    if (!a || !b) return;
    if (a->pCoupled0 == b) a->pCoupled0 = nullptr, a->coupled0End = 0;
    if (a->pCoupled1 == b) a->pCoupled1 = nullptr, a->coupled1End = 0;
    if (b->pCoupled0 == a) b->pCoupled0 = nullptr, b->coupled0End = 0;
    if (b->pCoupled1 == a) b->pCoupled1 = nullptr, b->coupled1End = 0;
}

void TRAIN::CheckCoupling(TRAIN* a, int sideA, TRAIN* b, int sideB) {
    if (!a || !b) return;
    float posA = 0.0f, posB = 0.0f;
    int fa = 0, fb = 0;
    TRACK* pa = a->GetCouplingPoint(sideA, &posA, &fa);
    TRACK* pb = b->GetCouplingPoint(sideB, &posB, &fb);
    if (IsCouplingClose(pa, posA, pb, posB)) return;
    WriteStartLog("Disconnected because of MAXCONDELTA...");
    Uncouple(a, sideA, b, sideB, 0);
}

// ---------------------------------------------------------------------------
// Pose

void TRAIN::UpdatePose() {
    if (!pTrack) return;
    D3DXVECTOR3 p;
    float h = heading, pt = pitch;
    if (DetPosFromPospercent(pTrack, branch, orientation, posPercent, &p, &h, &pt)) {
        vPos = p;
        heading = h;
        pitch = pt;
    }
    TRACK *b0 = nullptr, *b1 = nullptr;
    float pc0 = 0, pc1 = 0;
    int o0 = 1, o1 = 1, br0 = 1, br1 = 1;
    DetBogiePoints(&b0, &pc0, &o0, &br0, &b1, &pc1, &o1, &br1);
    if (b0 && DetPosFromPospercent(b0, br0, o0, pc0, &p, &h, &pt)) {
        vBogie0 = p;
        vBogie0.z -= BOGIE_LIFT;
        bogie0Heading = h;
        bogie0Pitch = pt;
    }
    if (b1 && DetPosFromPospercent(b1, br1, o1, pc1, &p, &h, &pt)) {
        vBogie1 = p;
        vBogie1.z -= BOGIE_LIFT;
        bogie1Heading = h;
        bogie1Pitch = pt;
    }
    vPos = (vBogie0 + vBogie1) * 0.5f;
    const double fx = vBogie0.x, fy = vBogie0.y, fz = vBogie0.z;
    const double bx = vBogie1.x, by = vBogie1.y, bz = vBogie1.z;
    if (fy != by) {
        double a = std::atan(-(fx - bx) / (fy - by)) / DEG;
        if (by > fy) a += 180.0;
        heading = static_cast<float>(a);
    } else {
        heading = (fx > bx) ? 270.0f : 90.0f;
    }
    double plane = std::sqrt((fx - bx) * (fx - bx) + (fy - by) * (fy - by));
    // Coincident bogies have no slope.
    pitch = plane > 1e-6 ? static_cast<float>(std::atan((fz - bz) / plane) / DEG) : 0.0f;

    // The shake of a running vehicle.
    if (!layoutState.IsPaused()) jitterTimer -= frameTime;
    if (jitterTimer <= 0) {
        float as = std::fabs(speed);
        if (as > 1.0f && std::isfinite(as)) {
            int si = static_cast<int>(as);
            jitterTimer = (VelRand() / 7000 + 5) * 200 / si / 2;
            float k = baseSpeed != 0 ? std::fabs(frameSpeed / static_cast<float>(baseSpeed)) : 1.0f;
            if (!(k <= 1.0f)) k = 1.0f;
            vJitter.x = (VelRand() - 16383) / 1e7f * k;
            vJitter.y = (VelRand() - 16383) / 1e7f * k;
            vJitter.z = (VelRand() - 16383) / 6e6f * k;
        } else {
            jitterTimer = 200;
            vJitter = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        }
    }
    vPos += vJitter;
}
