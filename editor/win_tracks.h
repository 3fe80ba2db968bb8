// Track building and the track feature windows, and the creation and
// editing of controls: helpers shared by their handlers.
#pragma once

struct TRACK;
struct TERROBJ;

// Joins the two selected pieces with generated pieces; failures are shown
// as messages.
void CompleteRoad();

// Opens the attribute window for a new control on a target piece or a target
// object (one of the two null); 1 when a window opened.
int OpenNewControlAttrib(TRACK* targetPiece, TERROBJ* targetObject);
// Opens the window of the control chosen in the control list.
void OpenControlAttrib();

// The creators run by the attribute windows' OK button.
void CreateNewControl();
void CreateNewSControl();
void CreateNewDControl();
void CreateNewSIControl();
void CreateNewBarControl();
void CreateNewTTControl();
void CreateNewSoundControl();
void CreateNewObjectControl();

// The build-tracks window's tools (what a test may look at).
struct BUILD_TOOLS {
    int palette = 0;
    int join = 0;
    int insulate = 0;
    int height = 0;
    int detach = 0;
    int power = 0;
    int control = 0;
    int name = 0;
    int barrier = 0;
    int level = 0;
    int turntable = 0;
    int joinPhase = 1;
    int controlPhase = 1;
    int namePhase = 1;
    int dragging = 0;
};
const BUILD_TOOLS& GetBuildTools();

// Every window's refill flag set and the tools cleared (tests).
void ResetTrackWindowsForTest();
void ResetControlWindowsForTest();

// Ends the build window's session when a feature window opened from it
// closes to plain editing (tools off, remembered flags restored).
void EndBuildTracksSession();
void ResetBuildTracksForTest();
