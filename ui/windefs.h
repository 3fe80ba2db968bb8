// The windows of the program: one global WINDOW per on-screen window, set up
// by InitGameWindows (game panels) and InitEditorWindows (editor windows).
#pragma once

#include "ui/window.h"

// Colour given to every window at set-up.
constexpr uint32_t WINDOW_COLOUR = 0xC0646464;

// Game panels.
extern WINDOW winInfoPanel;
extern WINDOW winMessageOneLine;
extern WINDOW winMessageTwoLines;

// Editor windows.
extern WINDOW winTrackAttrib;
extern WINDOW winModeMessage;
extern WINDOW winLoadMessage;
extern WINDOW winExitEditor;
extern WINDOW winSwitchAttrib;
extern WINDOW winCameraPath;
extern WINDOW winCameraPathPlay;
extern WINDOW winCameraPathRecord;
extern WINDOW winOptions;
extern WINDOW winBuildChoice;
extern WINDOW winXfileLists;
extern WINDOW winInfoText;
extern WINDOW winBuildTracks;
extern WINDOW winPutVehicles;
extern WINDOW winPutObj;
extern WINDOW winSelOpt;
extern WINDOW winSystemControl;
extern WINDOW winEdTerrain;
extern WINDOW winAttr;
extern WINDOW winSAttr;
extern WINDOW winDAttr;
extern WINDOW winTtAttr;
extern WINDOW winSoundAttr;
extern WINDOW winObjAttr;
extern WINDOW winSiAttr;
extern WINDOW winBarAttr;
extern WINDOW winPowerValue;
extern WINDOW winSkybox;
extern WINDOW winLoadFile;
extern WINDOW winSaveFile;
extern WINDOW winTrackName;
extern WINDOW winTerrobjColor;
extern WINDOW winHouseColor;
extern WINDOW winDetachAttrib;
extern WINDOW winTtableAttrib;
extern WINDOW winSelectControl;
extern WINDOW winRootcheckEd;
extern WINDOW winTableSize;
extern WINDOW winResizeTable;
extern WINDOW winVehicleAttrib;
