// Vehicles standing on the track graph, the train list that owns them, the
// coupling of vehicles and the detach rules.
//
// A train has no object of its own: it is a chain of vehicles joined by their
// two couplers. Only engines drive; each frame a running engine pushes the
// vehicles coupled ahead of it and pulls those behind it.
//
// Speeds are signed along the vehicle's current piece (positive = towards the
// increasing position) in world units per 5000 ms.
#pragma once

#include <cstdint>
#include <cstdio>

#include "platform/d3dx8math.h"

struct TRACK;

constexpr int TRAINRECORDSIZE = 5024;     // record size of the current file version
constexpr int TRAINRECORDSIZE_V10 = 5020; // record size of file version 10 (no control mask)
constexpr int TRAINNAMELEN = 32;
constexpr int MAXTRAINPOINTS = 10;
constexpr int ROOTCHECKROWS = 50;
constexpr int ROOTCHECKROWSIZE = 92;
constexpr int ROOTCHECKSIZE = 4628;
constexpr float MAXCONDELTA = 0.03f;      // largest drift of two coupled couplers

// One row of a vehicle's ROOTCHECK table.
struct ROOTCHECK_ROW {
    char name[64] = {};       // 16 characters and a terminator, padded
    int firstFlag = 0;
    int secondFlag = 0;
    int thirdFlag = 0;
    int firstNumber = 0;
    int secondNumber = 0;
    int runFlags[2] = {0, 0};
};

// The ROOTCHECK table kept with every vehicle. Nothing reads it at run time:
// it travels with the vehicle's record in the layout file.
struct ROOTCHECK {
    ROOTCHECK_ROW rows[ROOTCHECKROWS];
    int rowCount = 0;
    int options[3] = {0, 0, 0};
    int bDone = 0;
    int bFailed = 0;
    int failedRow = 0;

    void Write(unsigned char out[ROOTCHECKSIZE]) const;
    void Read(const unsigned char in[ROOTCHECKSIZE]);
};

// One vehicle: an engine, a cargo wagon or a passenger wagon.
class TRAIN {
public:
    TRAIN();

    // --- set-up and per-frame passes ---
    void PlaceOnTrack(TRACK* track, float startSpeed, int newType, int newObjId, float percent);
    void Move(int drag, float dragDistance);
    void SpeedfunctionForMovecheck(int phase);
    void UpdatePose();
    void UpdateSound();
    void UpdateSmoke();
    void Render();
    void RenderLights();
    void DrawSelectionMarker();

    // --- accessors ---
    TRACK* GetTrack() const { return pTrack; }
    void SetSelected(int flag) { bSelected = flag; }
    void SetFlags(int mask) { controlMask = mask; }
    int GetFlags() const { return controlMask; }
    TRAIN* GetCoupled(int side) const { return side == 0 ? pCoupled0 : pCoupled1; }
    int GetCoupledEnd(int side) const { return side == 0 ? coupled0End : coupled1End; }
    int IsEngine() const;

    // --- walking and coupling ---
    // A walk of distance from the centre (pTrack, posDistance, branch).
    TRACK* WalkFromPosition(float distance, float* posOut, int* flipped, int* branchOut) const;
    // Piece and position of coupler side; null when it lies off the track.
    TRACK* GetCouplingPoint(int side, float* posOut, int* flipped, int* branchOut = nullptr) const;
    // Bogie points: piece (null when off the track), percent, orientation and
    // branch of each; off-track bogies get their point in vBogie0 / vBogie1.
    void DetBogiePoints(TRACK** piece0, float* percent0, int* orient0, int* branch0, TRACK** piece1,
                        float* percent1, int* orient1, int* branch1);
    // Along-track distance of the centres of this vehicle and a coupled one;
    // 0 when it cannot be found.
    int DistanceTo(const TRAIN* other, float* distance) const;
    static void Couple(TRAIN* a, int sideA, TRAIN* b, int sideB);
    // With rules set the detach rules are asked first; answers 0 when they
    // refuse (nothing changes), else 1.
    static int Uncouple(TRAIN* a, int sideA, TRAIN* b, int sideB, int rules);
    static void UnlinkBoth(TRAIN* a, TRAIN* b);
    static void CheckCoupling(TRAIN* a, int sideA, TRAIN* b, int sideB);

    // The walk of the vehicle itself along the track by a signed distance,
    // with control firing when fire is set. Answers the signed distance
    // actually moved.
    float MoveAlongTrack(float distance, int fire);
    // Look-ahead from the free leading coupler: may shorten *step (signed
    // along pTrack) and couple; answers 1 when it coupled.
    int LookAhead(int side, float* step);
    // Uncouples at coupler side when it crosses an active detach point over
    // the signed distance.
    void CheckDetachPoints(float distance, int side);
    // Moves this vehicle, pushed (pull 0) or pulled (pull 1) by mover at this
    // vehicle's coupler side, and the chain behind it; answers the extra
    // distance (negative when blocked).
    float CoupledMove(float distance, float absSpeed, TRAIN* mover, int side, int pull, int addDistance);
    void CountConsist();

    // --- layout-file record (little-endian, field by field) ---
    void WriteRecord(unsigned char out[TRAINRECORDSIZE]) const;
    // Reads a record of TRAINRECORDSIZE or TRAINRECORDSIZE_V10 bytes (the
    // short one widened with controlMask 0). Links are left null.
    void ReadRecord(const unsigned char* in, int size);
    // Puts the fields of a record read from a file that the walk, the drawing
    // or the timers could not use back to usable values (positions, speeds,
    // timers, couplings, counts). Answers whether anything changed.
    int RepairRecord();

    // --- the record (file offsets in comments) ---
    TRAIN* pPrev = nullptr;          // 0
    TRAIN* pNext = nullptr;          // 4
    TRACK* pTrack = nullptr;         // 8
    TRAIN* pCoupled0 = nullptr;      // 12
    int coupled0End = 0;             // 16
    TRAIN* pCoupled1 = nullptr;      // 20
    int coupled1End = 0;             // 24
    int saveNumber = 0;              // 28
    int trackId = 0;                 // 32
    int coupled1Id = 0;              // 36
    int coupled0Id = 0;              // 40
    int type = 0;                    // 44
    int objId = 0;                   // 48
    char name[TRAINNAMELEN] = {};    // 52
    float halfLength = 0.0f;         // 84
    int baseSpeed = 0;               // 88
    int bSelected = 0;               // 92
    D3DXVECTOR3 vPos{0.0f, 0.0f, 0.0f}; // 96
    float heading = 0.0f;            // 108
    float pitch = 0.0f;              // 112
    int orientation = 1;             // 116
    int branch = 1;                  // 120
    float speed = 0.0f;              // 124
    float setSpeed = 10.0f;          // 128
    float targetSpeed = 0.0f;        // 132
    float pushingEngines = 0.0f;     // 136
    float trailingLoad = 0.0f;       // 140
    float posPercent = 0.0f;         // 144
    float posDistance = 0.0f;        // 148
    D3DXVECTOR3 vBogie0{0.0f, 0.0f, 0.0f}; // 152
    float bogie0Heading = 0.0f;      // 164
    float bogie0Pitch = 0.0f;        // 168
    int unused172 = 0;               // 172
    D3DXVECTOR3 vBogie1{0.0f, 0.0f, 0.0f}; // 176
    float bogie1Heading = 0.0f;      // 188
    float bogie1Pitch = 0.0f;        // 192
    int unused196 = 0;               // 196
    int bFreeCoupler = 1;            // 200
    int bActive = 1;                 // 204
    int unused208 = 0;               // 208
    D3DXVECTOR3 vJitter{0.0f, 0.0f, 0.0f}; // 212
    int jitterTimer = 0;             // 224
    D3DXVECTOR3 vSphereCenter{0.0f, 0.0f, 0.0f}; // 228
    float radius = 0.0f;             // 240
    int reserved244 = 0;             // 244
    int bVisible = 0;                // 248
    D3DXVECTOR3 vPoints[MAXTRAINPOINTS]; // 252
    int pointCount = 0;              // 372
    ROOTCHECK rootCheck;             // 376
    float lastFrameSpeed = 0.0f;     // 5004
    float frameSpeed = 0.0f;         // 5008
    int bStarted = 0;                // 5012
    int bStopped = 0;                // 5016
    int controlMask = 0;             // 5020

    // Run-time only: the stamp of the engine move that last moved this
    // vehicle (ends coupled moves around a ring of coupled vehicles).
    unsigned moveMark = 0;
};

// One detach rule: which couplings a detach point must not part.
struct TRAIN_DETACH_RULE {
    TRAIN_DETACH_RULE* pNext = nullptr;
    int objId = 0;
    int end = 2;          // 0 "FRONT", 1 "BACK", 2 any other word
    int otherObjId = 0;   // -1 for "ALLSTEAMENGINES"
    int otherEnd = 2;
    int ruleKind = 1;     // 0 "NOD", 1 any other word
};

// A copy of an engine taken when a crash begins.
struct TRAIN_START_POSITION {
    TRAIN_START_POSITION* pNext = nullptr;
    TRAIN copy;
    TRAIN* pTrain = nullptr;
};

// (objId, value) pairs; nothing fills the list.
struct TRAIN_VALUE {
    TRAIN_VALUE* pNext = nullptr;
    int objId = 0;
    int value = 0;
};

class TRAIN_LIST {
public:
    TRAIN_LIST();
    ~TRAIN_LIST();
    TRAIN_LIST(const TRAIN_LIST&) = delete;
    TRAIN_LIST& operator=(const TRAIN_LIST&) = delete;

    // --- adding and removing ---
    TRAIN* AddNew();
    TRAIN* AddLoadedTrain(const TRAIN& record);
    void SetupTrain(TRAIN* t);
    int CheckFreePlace(TRACK* track, float percent, int objId);
    void DeleteTrain(TRAIN* t);
    void DeleteSelected();
    void DeleteAll();
    // Removes the vehicles standing on a piece that is about to be deleted.
    void DeleteTrainsOnTrack(TRACK* p);
    void DeselectAll();
    int CountSelected() const;
    int PickTrain(int* typeOut, TRAIN** trainOut);

    // --- per-frame passes ---
    void Move();
    void UpdatePoses();
    void UpdateAll();
    void Render();
    void RenderLit();
    void DrawSelectionMarkers();

    // --- crash support ---
    void StartCrash(TRAIN* t);
    void SaveStartPositions();
    void RestoreStartSpeeds();
    int GetStartPositionCount() const;

    // --- detach rules ---
    void LoadAllDetachInfo();
    void LoadDetachInfo(const char* baseName);
    // 1 when the rules let a detach point part a's coupler sideA from b's
    // coupler sideB.
    int IsDetachAllowed(const TRAIN* a, int sideA, const TRAIN* b, int sideB) const;
    void ClearDetachRules();
    const TRAIN_DETACH_RULE* GetDetachRules() const { return pDetachRules; }
    void FillTrainValues();

    // --- layout file ---
    void NumberTrains();
    void SaveIds();
    int Save(FILE* file);
    int Load(FILE* file);
    // Pieces by id, then couplings by save number; vehicles that do not
    // resolve are dropped or uncoupled with a log line.
    void RestoreLinks();
    TRAIN* FindBySaveNumber(int number) const;
    // 0 when a vehicle names an object type that is not loaded.
    int CheckTrainObjects() const;

    // --- access ---
    TRAIN* GetFirst() const { return pHead; }
    int GetCount() const;

private:
    void Unlink(TRAIN* t);
    void ForgetTrain(TRAIN* t);
    void ClearStartPositions();

    TRAIN* pHead = nullptr;
    TRAIN_START_POSITION* pStartPositions = nullptr;
    TRAIN_VALUE* pTrainValues = nullptr;
    TRAIN_DETACH_RULE* pDetachRules = nullptr;
};

extern TRAIN_LIST trainList;

// Objects 1250..1299 are engines drawn through an animated partner.
int IsAnimatedEngine(int objId);
// The bogie distance of a vehicle type (0 when it has none).
float GetTrainBogieDistance(int objId);

// Test hook: receives every control firing of a passing engine (piece,
// direction key, vehicle mask) before the control list does; null removes it.
typedef void (*TRAIN_TRIGGER_HOOK)(TRACK* piece, int key, int mask);
void SetTrainTriggerHookForTest(TRAIN_TRIGGER_HOOK hook);
