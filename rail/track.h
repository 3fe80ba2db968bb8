// Track pieces, the track list, joining of track ends, positions along pieces,
// heights, gap completion and the track features.
//
// Coordinates: x and y span the ground plane, z is the height and grows
// downward (a smaller z lies higher). Headings are degrees in the ground plane:
// heading a points along (cos a, sin a). A piece's heading points from end 0
// into the piece.
#pragma once

#include "app/recordio.h"

#include <cstdint>
#include <cstdio>

#include "platform/d3dx8math.h"

class XTRACK;
struct POWER_NODE;
class WINDOW;
struct DISPLAY_BUFFER;

// Kinds of piece.
constexpr int TRACK_STRAIGHT = 0;
constexpr int TRACK_STRETCHED = 1;
constexpr int TRACK_CURVE = 2;
constexpr int TRACK_RIGHTSWITCH = 3;
constexpr int TRACK_LEFTSWITCH = 4;
constexpr int TRACK_ENDPIECE = 5;

// End states.
constexpr int END_NONE = 0;
constexpr int END_FREE = 1;
constexpr int END_CONNECTED = 2;

// Ground states.
constexpr int GROUND_ON = 0;
constexpr int GROUND_UNDER = 1;
constexpr int GROUND_RAISED = 2;
constexpr int GROUND_DEEP = 3;

constexpr float NOPOINT = -1000000.0f;
constexpr int MAXTRACKTYPES = 256;
constexpr int STANDARDTRACKTYPES = 9;
constexpr int TRACKRECORDSIZE = 324;     // record size of the current file version
constexpr int TRACKRECORDSIZE_V13 = 300; // record size before file version 14
constexpr int TRACKNAMELEN = 32;
constexpr int TRACKFEATURENAMELEN = 16;
constexpr int TRACKBUFFER_VBBYTES = 500000;
constexpr int TRACKBUFFER_IBBYTES = 100000;

// One end of a piece.
struct TRACK_END {
    struct TRACK* pTrack = nullptr; // the connected piece
    int trackId = 0;                // its id (saved form)
    int conEnd = 0;                 // index of the connected end on that piece
    int state = END_NONE;
    int bInsulated = 0;
    int mark = 0;
    float x = NOPOINT;
    float y = NOPOINT;
    float z = 0.0f;
};

// A placed track piece. The layout file keeps it as a 324-byte record in the
// field order below (links as 4-byte placeholders).
struct TRACK {
    TRACK* pNext = nullptr;
    TRACK* pPrev = nullptr;
    int id = 0;
    int kind = 0;
    int typeIndex = 0;
    float length = 1.0f;
    int switchState = 1;
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    int reserved = 0;
    float heading = 0.0f;
    float pitch = 0.0f;
    int groupId = 0;
    TRACK_END end[3];
    POWER_NODE* pFeedNode = nullptr;
    int feedNodeId = 0;
    POWER_NODE* pOwnNode = nullptr;
    int ownNodeId = 0;
    int powerValue = 0;
    int powerDir = 1;
    int bSelected = 0;
    int bHighlight = 0;
    int bInBuffer = 0;
    int powerMark = 0;
    int groundState = 0;
    int bDetach = 0;
    int bDetachActive = 0;
    int bDetachInTable = 0;
    int bEndPiece = 0;
    int bBarrier = 0;
    int barrierSide = 0;
    int barrierShown = 1;
    int barrierState = 1;
    float barrierAnim = 0.0f;
    int bBarrierInTable = 0;
    char name[TRACKNAMELEN] = {};
    char featureName[TRACKFEATURENAMELEN] = {};
    int bSwitchInTable = 0;
    int bTurntable = 0;
    int bTurning = 0;
    float targetHeading = 0.0f;
    float pitHeading = 0.0f;
    int turntableObj = 0;
    int bTurntableInTable = 0;

    // --- piece record ---
    void Init(float newLength);
    D3DXVECTOR3 GetEndPoint(int i) const;
    int GetExitEnd() const;
    void GetName(char* out, int size) const;
    void GetFeatureName(char* out, int size) const;
    void SetHighlight(int flag) { bHighlight = flag; }
    int IsSwitch() const { return kind == TRACK_RIGHTSWITCH || kind == TRACK_LEFTSWITCH; }
    void StoreEnds(const float pts[6]);
    // Moves the reference point and every used end by (dx, dy).
    void Move(float dx, float dy);

    // --- record serialisation (little-endian, field by field) ---
    void WriteRecord(unsigned char out[TRACKRECORDSIZE]) const;
    // Reads a record of TRACKRECORDSIZE or TRACKRECORDSIZE_V13 bytes; the
    // fields a short record lacks are 0. Links are left null.
    void ReadRecord(const unsigned char* in, int size);
    // Whether a record read from a file names a kind and a type of that kind
    // (with typeCount 0, one of the standard types).
    int CanBePlaced(int typeCount) const;
    // Puts every other field of a record read from a file that the program
    // could not use back to a usable value: coordinates, lengths, states,
    // power values, the turntable and end links (a link to an end index
    // outside 0..2 is cut). Answers the first field it changed, or null.
    const char* RepairRecord();

    // --- features ---
    void SetSwitchState1() { switchState = 1; }
    void SetSwitchState2() { switchState = 2; }
    void ToggleSwitchState() { switchState = (switchState == 2) ? 1 : 2; }
    void SetSwitchState(int value);
    void SetDetachPoint(const char* newName, int inTable);
    void RemoveDetachPoint();
    void SetDetachActive() { bDetachActive = 1; }
    void ClearDetachActive() { bDetachActive = 0; }
    void ToggleDetachActive() { bDetachActive = !bDetachActive; }
    void SetBarrier(int present, int side, const char* newName, int inTable);
    void RemoveBarrier();
    void SetBarrierGo() { UpdateBarrier(2, 0); }
    void SetBarrierStop() { UpdateBarrier(1, 0); }
    void ToggleBarrier() { UpdateBarrier(barrierShown == 1 ? 2 : 1, 0); }
    void UpdateBarrier(int target, int keep);
    void RotateTurntable(int mode);
    void UpdateTurntable();
    int ToggleInsulation(int e);
    void ClearInsulation(int e);
    int MarkConnectedEnds();
    void ClearEndMarks();
    int IsEndInsulated(int e) const;

    // --- ground, pitch, picking, drawing ---
    void DetGroundState();
    void DetPitch();
    float DetPercentUnderMouse() const;
    float PickDistance(float terrainDistance, float gauge) const;
    void Render();
};

// Outward direction (degrees) of end e of a piece: the heading of travel when
// leaving the piece through it.
float GetEndDirection(const TRACK* p, int e);

// End points (x0, y0, x1, y1, x2, y2) of a piece; 0 for an unknown kind.
int DetCPos(const TRACK* p, float out[6]);
void InitConnection(TRACK* p, int clearInsulation = 0);
int CheckConnectAngle(const TRACK* a, int ea, const TRACK* b, int eb);
int IsNearPoint(float x1, float y1, float x2, float y2);

// Point, heading (vehicle drawing convention: track heading - 90) and pitch at
// a percentage along a piece. Returns 0 for an unknown kind.
int DetPosFromPospercent(const TRACK* p, int branch, int direction, float percent, D3DXVECTOR3* point, float* heading,
                         float* pitch);
void DetPosAlongHeading(float x, float y, float z, float heading, float pitch, int direction, float distance,
                        D3DXVECTOR3* point, float* headingOut);
// Walks dist along the track graph from pos (distance from end 0) on piece p.
// Returns the piece reached (null after running off a free end).
TRACK* WalkAlongTrack(TRACK* p, float pos, int branch, float dist, float* posOut, int* flipped, int* branchOut);
int IsCouplingClose(const TRACK* a, float posA, const TRACK* b, float posB);
// Inserts straights of total length a at end e of piece p.
void InsertTrack(TRACK* p, int e, float a);

// Barrier preview of the track list.
struct BARRIER_PREVIEW {
    D3DXVECTOR3 vPostA, vPostB, vPostADrawn, vPostBDrawn, vEye, vPicked;
    int bChooseA = 0;
    int bChooseB = 0;
    TRACK* pTrack = nullptr;
};

struct DISABLED_SWITCH {
    DISABLED_SWITCH* pNext = nullptr;
    TRACK* pTrack = nullptr;
    int value = 0;
};

class TRACK_LIST {
public:
    TRACK_LIST();
    ~TRACK_LIST();
    TRACK_LIST(const TRACK_LIST&) = delete;
    TRACK_LIST& operator=(const TRACK_LIST&) = delete;

    // --- creation and removal ---
    TRACK* AddNewTrack(int typeIndex);
    TRACK* AppendCopy(const TRACK* record);
    void CopyTrack(const TRACK* p, TRACK** copy);
    void RemoveTrack(TRACK* p);
    void DeleteSelected();
    void DeleteAll();
    void AppendTrack(TRACK* p); // links a made piece at the tail and counts it

    // --- types ---
    void InitTrackTypes();
    const char* GetTypeName(int i) const;
    int GetTypeValues(int i, float* length, float* arcLength, float* radius, float* offsetX, float* offsetY) const;
    int GetTypeKind(int i) const;
    int GetTypeCount() const { return typeCount; }
    XTRACK* GetType(int i) const { return (i >= 0 && i < typeCount) ? types[i] : nullptr; }
    void FillTypeList(WINDOW* window, int item);
    void RenderType(int i, int mode);
    void RenderTypeTunnel(int i);
    void RenderTypeBridge(int i);

    // --- selection, highlight, marks ---
    void DeselectAll();
    int IsAnySelected() const;
    void SelectGroup(const TRACK* p);
    void SelectByName(const char* text);
    void SelectInRectangle(const RECT* rect);
    void SetNameOfSelected(const char* text);
    void HighlightOnly(TRACK* p);
    void ClearHighlight();
    int HighlightSpecialTracks(int flag);
    void MarkConnectedEnds(TRACK* p);
    void ClearEndMarks();
    void ClearAllEndMarks();

    // --- movement ---
    void MoveSelected(float dx, float dy);
    void MoveGroup(int groupId, float dx, float dy);
    void RotateSelected(float angle, float cx, float cy);

    // --- clipboard ---
    void CopySelection();
    void PasteSelection();
    void ClearClipboard();
    int GetPasteCounter() const { return pasteCounter; }

    // --- names ---
    void MakeDetachName(char* out);
    void MakeSwitchName(char* out);
    void MakeTTableName(char* out);
    void SetDetachCounter(int v) { detachCounter = v; }
    void SetSwitchCounter(int v) { switchCounter = v; }
    void SetTTableCounter(int v) { ttableCounter = v; }

    // --- connections ---
    int ConnectTrack(TRACK* p, int flag);
    void RebuildConnections();
    // The same joins found by a walk over every piece for each end, without
    // the index: the measure that the indexed ones are checked against.
    int ConnectTrackScan(TRACK* p, int flag);
    void RebuildConnectionsScan();
    void DisconnectAll(TRACK* p);
    int IsGroupAllSelected(int groupId) const;
    void SetGroupOfRun(TRACK* p, int groupId);

    // --- power ---
    void PropagatePower(POWER_NODE* node, TRACK* p);

    // --- heights and gaps ---
    void CarryHeight(TRACK* q, int a, float b, int dir);
    void AdjustHeightsAtJoin(TRACK* p, int e);
    void LevelTrack(TRACK* p, int first);
    void DragTrackHeight(TRACK* p, float dy, int mode);
    void LevelTerrainUnderSelection();
    int DetCompleteRoadGap(TRACK** first, TRACK** second, float* along, float* side, int* sign);
    int InsertCompleteRoad(TRACK* f, TRACK* g, float along, float side, int sign);
    void ShiftRun(TRACK* p, int e, float a);
    float GetLevelHeight() const { return levelHeight; }

    // --- features ---
    void AddDisabledSwitch(TRACK* p, int value);
    void SetBarrierPreview(TRACK* p);
    void PickBarrierPoint();
    void SetBarrierPickForTest(const D3DXVECTOR3& eye, const D3DXVECTOR3& picked);
    int PlaceBarrier(int commit, const char* newName, int inTable);
    const BARRIER_PREVIEW& GetBarrierPreview() const { return barrierPreview; }
    void DetGroundStates();
    void DetGroundStatesOfSelected();
    int PickTrack(TRACK** piece, int* endIndex, float* percent);
    int PickTrackChecked(TRACK** piece, int* endIndex, float* percent);

    // --- drawing ---
    void Render();
    void DrawTrackInfo();
    void CreateRenderBuffer();
    int FillRenderBuffer();
    void DrawRenderBuffer();
    int GetBufferVertexCount() const { return bufferVertices; }
    int GetBufferTriangleCount() const { return bufferTriangles; }
    int IsRenderBufferCreated() const { return bBufferCreated; }
    void ReleaseRenderBuffer();

    // --- layout file ---
    void NumberPieces();
    void SaveEndIds();
    void SavePowerIds();
    int Save(FILE* file);
    int Load(FILE* file);
    TRACK* FindById(int id) const;
    void RestoreEndLinks();
    void RestorePowerLinks();

    // --- options and access ---
    int GetShowSwitchSigns() const { return bShowSwitchSigns; }
    void SetShowSwitchSigns(int v) { bShowSwitchSigns = v; }
    TRACK* GetFirst() const { return pHead; }
    TRACK* GetLast() const { return pTail; }
    TRACK* GetClipboard() const { return pClipboard; }
    int GetCount() const { return count; }
    float GetHalfGauge() const { return halfGauge; }

    // Pointers held elsewhere to a piece about to be freed are cleared here.
    void ForgetPiece(TRACK* p);

private:
    void Unlink(TRACK* p);
    void ResetConnections();
    void ChangeHeightOfEnd(TRACK* p, int e, float h);
    void CarryOtherEnds(TRACK* q, int a, int dir);

    TRACK* pHead = nullptr;
    TRACK* pTail = nullptr;
    TRACK* pClipboard = nullptr;
    float copyX = 0.0f, copyY = 0.0f;
    int pasteCounter = 0;
    float lastPasteX = 0.0f, lastPasteY = 0.0f;

    DISPLAY_BUFFER* pBuffer = nullptr;
    int vbCapacity = TRACKBUFFER_VBBYTES;
    int ibCapacity = TRACKBUFFER_IBBYTES;
    int bBufferCreated = 0;
    int bufferVertices = 0;
    int bufferTriangles = 0;
    int bufferIndices = 0;

    int detachCounter = 1;
    int switchCounter = 1;
    int ttableCounter = 1;
    int count = 0;

    XTRACK* types[MAXTRACKTYPES] = {};
    int typeCount = 0;
    float halfGauge = 0.5f;

    BARRIER_PREVIEW barrierPreview;
    DISABLED_SWITCH* pDisabledSwitches = nullptr;
    int bShowSwitchSigns = 1;

    // Height editing.
    TRACK* pDragTrack = nullptr;
    float dragStartHeight = 0.0f;
    float dragLastHeight = 0.0f;
    float levelHeight = 0.0f;
};

extern TRACK_LIST trackList;

// --- services of the other subsystems that the track code uses ---
// Terrain height under (x, y) (uncapped).
float TrackGroundHeight(float x, float y);
// Ground point under the mouse; 0 when none.
int TrackPickGround(float* x, float* y, float* z);
int TrackGridView();
int TrackLitByLamp(float x, float y);
float TrackMaxAscent();
// Test hooks: a ground-height function replacing the terrain (null restores
// the terrain), and the ground point under the mouse (null = none).
void SetTrackGroundForTest(float (*height)(float x, float y));
void SetTrackPickForTest(int available, float x, float y, float z);

