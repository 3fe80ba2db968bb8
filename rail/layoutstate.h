// Layout and editor state shared by the editor, the railway and the frame:
// what belongs to the open layout apart from the lists themselves, the
// editor's mouse points and chosen items, the stored camera, the view
// options, the layout clock and the autosave. Also the owner of the layout
// file's save and load.
#pragma once

#include <cstdio>

#include "platform/d3dx8math.h"
#include "platform/win32.h"

struct TRACK;
struct POWER_NODE;
struct TERROBJ;
class TRAIN;

constexpr int LAYOUTFILENAMELEN = 128;
constexpr int LAYOUTFILEVERSION = 15;

// Results of LAYOUT_STATE::LoadLayout.
constexpr int LOAD_OK = 490;
constexpr int LOAD_NOT_EMPTY = 400;
constexpr int LOAD_CANNOT_OPEN = 410;
constexpr int LOAD_TOO_NEW = 500;
constexpr int LOAD_TYPES_MISSING = 510;

class LAYOUT_STATE {
public:
    LAYOUT_STATE();
    ~LAYOUT_STATE();

    // --- per frame ---
    void AccumulateTime();
    void Autosave();
    void DrawSelectionRect();
    void TogglePause();

    // --- selection options ---
    void ResetSelectOptions();
    float GetGroundPointX() const { return vGroundPoint[0]; }
    float GetGroundPointY() const { return vGroundPoint[1]; }
    void SetGroundPoint(float x, float y) { vGroundPoint[0] = x; vGroundPoint[1] = y; }
    // The point the editor camera orbits (x and negated y of the world point).
    float GetCameraTargetX() const { return vGroundPoint[0]; }
    float GetCameraTargetY() const { return vGroundPoint[1]; }
    int GetSelectTracks() const { return bSelectTracks; }
    void SetSelectTracks(int v) { bSelectTracks = v; }
    int GetSelectObjects() const { return bSelectObjects; }
    void SetSelectObjects(int v) { bSelectObjects = v; }
    int GetSelectPlants() const { return bSelectPlants; }
    void SetSelectPlants(int v) { bSelectPlants = v; }
    int GetSelectVehicles() const { return bSelectVehicles; }
    void SetSelectVehicles(int v) { bSelectVehicles = v; }

    // --- the editor's mouse machine ---
    void StartDrag(int x, int y);
    int HasMouseMoved() const;
    void GetMouseDelta(int* dx, int* dy);
    void SetTerrainDragStart();
    void GetTerrainDragDelta(float* dx, float* dy);
    void SetSelectionCorner(int x, int y);
    RECT GetSelectionRect() const;
    int GetDrawRect() const { return bDrawRect; }

    // --- pieces, objects and vehicles the editor works with ---
    TRACK* GetSelectedTrack() const { return pSelectedTrack; }
    void SetSelectedTrack(TRACK* p) { pSelectedTrack = p; }
    float GetPlacePercent() const { return placePercent; }
    void SetPlacePercent(float v) { placePercent = v; }
    POWER_NODE* GetTargetNode() const { return pTargetNode; }
    void SetTargetNode(POWER_NODE* p) { pTargetNode = p; }
    TRACK* GetTargetTrack() const { return pTargetTrack; }
    void SetTargetTrack(TRACK* p) { pTargetTrack = p; }
    TERROBJ* GetTargetObject() const { return pTargetObject; }
    void SetTargetObject(TERROBJ* p) { pTargetObject = p; }
    void SaveState(int state) { savedState = state; }
    int GetSavedState() const { return savedState; }
    int GetObjectToPlace() const { return objectId; }
    int GetObjectKind() const { return objectKind; }
    void SetObjectToPlace(int kind, int objId) { objectKind = kind; objectId = objId; }
    int GetVehicleToPlace() const { return vehicleObjId; }
    int GetVehicleType() const { return vehicleType; }
    void SetVehicleToPlace(int type, int objId) { vehicleType = type; vehicleObjId = objId; }
    TRAIN* GetSelectedVehicle() const { return pSelectedVehicle; }
    void SetSelectedVehicle(TRAIN* t) { pSelectedVehicle = t; }
    TERROBJ* GetSelectedTerrobj() const { return pSelectedTerrobj; }
    void SetSelectedTerrobj(TERROBJ* o) { pSelectedTerrobj = o; }
    void* GetHighlightedObject() const { return pHighlighted; }
    void SetHighlightedObject(void* p) { pHighlighted = p; }

    // --- stored camera ---
    void StoreCamera();
    void RestoreCamera();
    void SetStoredCamera(const D3DXVECTOR3& eye, const D3DXVECTOR3& lookAt, const D3DXVECTOR3& up, float yaw,
                         float pitch, float distance);
    void GetStoredCamera(D3DXVECTOR3* eye, D3DXVECTOR3* lookAt, D3DXVECTOR3* up, float* yaw, float* pitch,
                         float* distance) const;

    // --- view options ---
    int GetShowInfo() const { return bShowInfo; }
    void SetShowInfo(int v) { bShowInfo = v; }
    int GetBuildInfo() const { return bBuildInfo; }
    void SetBuildInfo(int v) { bBuildInfo = v; }
    int GetToolOption() const { return toolOption; }
    void SetToolOption(int v) { toolOption = v; }
    int IsShowGrid() const { return bShowGrid; }
    int GetShowGrid() const { return bShowGrid; }
    void SetShowGrid(int v) { bShowGrid = v; }
    int GetShowLabels() const { return bShowLabels; }
    void SetShowLabels(int v) { bShowLabels = v; }
    int GetShowTooltips() const { return bShowTooltips; }
    void SetShowTooltips(int v) { bShowTooltips = v; }
    int GetShowAnimations() const { return bShowAnimations; }
    void SetShowAnimations(int v) { bShowAnimations = v; }
    int GetDrawRaised() const { return bDrawRaised; }
    void SetDrawRaised(int v) { bDrawRaised = v; }
    int GetDrawUnderground() const { return bDrawUnderground; }
    void SetDrawUnderground(int v) { bDrawUnderground = v; }
    // The complex (bump-mapped) water option of the layout.
    int GetWaterAnimation() const { return bWaterAnimation; }
    void SetWaterAnimation(int v) { bWaterAnimation = v; }
    int GetCameraOption() const { return cameraOption; }
    void SetCameraOption(int v) { cameraOption = v; }

    // --- the layout's mode, clock and pause ---
    int GetMode() const { return mode; }
    void SetMode(int v) { mode = v; }
    int GetEditable() const { return bEditable; }
    void SetEditable(int v) { bEditable = v; }
    int GetClockRunning() const { return bClockRunning; }
    void SetClockRunning(int v) { bClockRunning = v; }
    int GetClockTime() const { return clockTime; }
    void SetClockTime(int v) { clockTime = v; }
    int IsPaused() const { return bPaused; }
    void SetPaused(int v) { bPaused = v; }

    // --- file name and autosave ---
    void SetFileName(const char* name);
    const char* GetFileName() const { return fileName; }
    int GetAutosave() const { return bAutosave; }
    void SetAutosave(int v) { bAutosave = v; }
    int GetAutosaveTimer() const { return autosaveTimer; }
    void SetAutosaveTimer(int v) { autosaveTimer = v; }
    int GetAutosavePeriod() const { return autosavePeriod; }
    void SetAutosavePeriod(int v) { autosavePeriod = v; }

    // --- layout file ---
    int SaveLayout(const char* name);
    int LoadLayout(const char* name);
    int WriteHeader(FILE* file);
    // The version of the header at the file's start; 10 (read from the start
    // again) when there is no header, -1 when the header is damaged.
    int ReadVersion(FILE* file);
    int WriteSettings(FILE* file);
    int ReadSettings(FILE* file);

    // --- fields ---
    float vGroundPoint[2] = {0.0f, 0.0f};
    int bSelectTracks = 0;
    int bSelectObjects = 0;
    int bSelectPlants = 0;
    int bSelectVehicles = 0;
    POINT dragStart = {0, 0};
    float terrainDragStart[2] = {0.0f, 0.0f};
    POINT dragLast = {0, 0};
    float terrainDragLast[2] = {0.0f, 0.0f};
    POINT rectCorner0 = {0, 0};
    POINT rectCorner1 = {0, 0};
    int bDrawRect = 0;
    TRACK* pSelectedTrack = nullptr;
    float placePercent = 0.0f;
    POWER_NODE* pTargetNode = nullptr;
    TRACK* pTargetTrack = nullptr;
    TERROBJ* pTargetObject = nullptr;
    int savedState = 100;
    int objectKind = 0;
    int objectId = 200;
    int vehicleType = 0;
    int vehicleObjId = 200;
    TRAIN* pSelectedVehicle = nullptr;
    TERROBJ* pSelectedTerrobj = nullptr;
    float cameraDistance = 15.0f;
    float cameraYaw = 1.5707964f;
    float cameraPitch = 1.1f;
    D3DXVECTOR3 vCameraUp{0.0f, 0.0f, -1.0f};
    D3DXVECTOR3 vCameraEye{0.0f, 0.0f, -15.0f};
    D3DXVECTOR3 vCameraLookAt{0.0f, 0.0f, 0.0f};
    int bShowInfo = 1;
    int bBuildInfo = 0;
    int toolOption = 1;
    int bShowGrid = 0;
    int bShowLabels = 1;
    int bShowTooltips = 1;
    int bClockRunning = 1;
    int clockTime = 0;
    int mode = 1;
    int bEditable = 1;
    int bWaterAnimation = 0;
    char fileName[LAYOUTFILENAMELEN] = {};
    int autosaveTimer = 0;
    int autosavePeriod = 300000;
    int bAutosave = 1;
    void* pHighlighted = nullptr;
    int bShowAnimations = 1;
    int bDrawRaised = 1;
    int bDrawUnderground = 1;
    int bPaused = 0;
    int cameraOption = 1;

private:
    // Writes the whole layout to an open file; 0 when any write failed.
    int WriteLayout(FILE* file);
    // Writes the header and the layout into a new file and flushes it to the
    // disk; the file is removed again when any of it fails.
    int WriteTempFile(const char* temp);
    // Writes the layout to name through a temporary file that replaces name
    // only when everything was written and flushed.
    int WriteLayoutFile(const char* name);
    // Reads sections 1 to 12; 0 when a section is missing or damaged.
    int ReadSections(FILE* file, int version);
    void RunFixups(int version);
    // The layout emptied again after a load that could not finish.
    void AbandonLoad();
};

extern LAYOUT_STATE layoutState;

// Camera block of the layout file (section 8).
int WriteCameraBlock(FILE* file);
int ReadCameraBlock(FILE* file);

// Starts a new layout with a terrain of width by height tiles (clamped to
// 1..99); mode choice 0 gives a power-driven layout. 0 when the terrain
// cannot be made.
int NewLayout(int modeChoice, int width, int height);
// The same with mode choice 0.
int NewLayout(int width, int height);
void ResetLayoutCamera();
