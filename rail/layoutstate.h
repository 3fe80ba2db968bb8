// Layout and editor state shared by the editor, the railway and the frame.
#pragma once

struct TRACK;
struct POWER_NODE;

class LAYOUT_STATE {
public:
    LAYOUT_STATE();
    ~LAYOUT_STATE();
    void AccumulateTime();
    void Autosave();
    void DrawSelectionRect();
    int IsShowGrid() const;
    void TogglePause();
    int IsPaused() const;
    void RestoreCamera();
    float GetCameraTargetX() const;
    float GetCameraTargetY() const;

    // Options and editor pointers read by the track list.
    float GetGroundPointX() const { return vGroundPoint[0]; }
    float GetGroundPointY() const { return vGroundPoint[1]; }
    void SetGroundPoint(float x, float y) { vGroundPoint[0] = x; vGroundPoint[1] = y; }
    int GetSelectTracks() const { return bSelectTracks; }
    void SetSelectTracks(int v) { bSelectTracks = v; }
    int GetSelectObjects() const { return bSelectObjects; }
    void SetSelectObjects(int v) { bSelectObjects = v; }
    int GetSelectPlants() const { return bSelectPlants; }
    void SetSelectPlants(int v) { bSelectPlants = v; }
    int GetShowAnimations() const { return bShowAnimations; }
    void SetShowAnimations(int v) { bShowAnimations = v; }
    int GetMode() const { return mode; }
    void SetMode(int v) { mode = v; }
    void SetPaused(int v) { bPaused = v; }
    int GetShowInfo() const { return bShowInfo; }
    void SetShowInfo(int v) { bShowInfo = v; }
    int GetBuildInfo() const { return bBuildInfo; }
    void SetBuildInfo(int v) { bBuildInfo = v; }
    int GetShowLabels() const { return bShowLabels; }
    void SetShowLabels(int v) { bShowLabels = v; }
    int GetDrawRaised() const { return bDrawRaised; }
    void SetDrawRaised(int v) { bDrawRaised = v; }
    int GetDrawUnderground() const { return bDrawUnderground; }
    void SetDrawUnderground(int v) { bDrawUnderground = v; }
    TRACK* GetSelectedTrack() const { return pSelectedTrack; }
    void SetSelectedTrack(TRACK* p) { pSelectedTrack = p; }
    TRACK* GetTargetTrack() const { return pTargetTrack; }
    void SetTargetTrack(TRACK* p) { pTargetTrack = p; }
    POWER_NODE* GetTargetNode() const { return pTargetNode; }
    void SetTargetNode(POWER_NODE* p) { pTargetNode = p; }
    void* GetHighlightedObject() const { return pHighlighted; }
    void SetHighlightedObject(void* p) { pHighlighted = p; }
    float GetPlacePercent() const { return placePercent; }
    void SetPlacePercent(float v) { placePercent = v; }
    int GetObjectToPlace() const { return objectId; }
    void SetObjectToPlace(int kind, int objId) { objectKind = kind; objectId = objId; }
    int GetVehicleToPlace() const { return vehicleObjId; }
    void SetVehicleToPlace(int type, int objId) { vehicleType = type; vehicleObjId = objId; }
    // The complex (bump-mapped) water option of the layout.
    int GetWaterAnimation() const { return bWaterAnimation; }
    void SetWaterAnimation(int v) { bWaterAnimation = v; }

    float vGroundPoint[2] = {0.0f, 0.0f};
    int bSelectTracks = 0;
    int bSelectObjects = 0;
    int bSelectPlants = 0;
    int bShowAnimations = 1;
    TRACK* pSelectedTrack = nullptr;
    float placePercent = 0.0f;
    int objectKind = 0;
    int objectId = 200;
    int vehicleType = 0;
    int vehicleObjId = 200;
    POWER_NODE* pTargetNode = nullptr;
    TRACK* pTargetTrack = nullptr;
    int bShowInfo = 1;
    int bBuildInfo = 0;
    int bShowLabels = 1;
    int mode = 1;
    void* pHighlighted = nullptr;
    int bDrawRaised = 1;
    int bDrawUnderground = 1;
    int bPaused = 0;
    int bWaterAnimation = 0;
};

extern LAYOUT_STATE layoutState;

void ResetLayoutCamera();
void NewLayout(int width, int depth);
