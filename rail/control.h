// Trigger-and-action controls.
#pragma once

struct TRACK;
struct POWER_NODE;
struct TERROBJ;

class CONTROL_LIST {
public:
    CONTROL_LIST();
    ~CONTROL_LIST();
    void Update();
    void DrawAllControlFX();
    void RenderMarkers();
    void DrawLabels();
    // Removes the controls owned by a piece or aimed at it.
    void RemoveControlsOfTrack(TRACK* p);
    // Removes the controls aimed at a power feed point.
    void RemoveControlsOfNode(POWER_NODE* node);
    // Removes the controls aimed at a placed object.
    void RemoveControlsOfObject(TERROBJ* obj);
    int GetShowControls() const { return bShowControls; }
    void SetShowControls(int v) { bShowControls = v; }

private:
    int bShowControls = 1;
};

extern CONTROL_LIST controlList;
