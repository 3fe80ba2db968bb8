// The editor's per-frame work.
#pragma once


extern int editorState;
// Heading (degrees) of the next track piece built.
extern float buildAngle;
// Heading (degrees) of the object or vehicle being placed.
extern float placeAngle;
// Track type chosen in the build-tracks palette, -1 none.
extern int chosenTrackType;
void ActEditorCamera();
void ActEditorSelection();
void ActEditorWindows();
void InitEditorToolbar();
// The two-line message window's handler (confirm closes it).
void ActWIN_MESSAGE();
// Camera and selection machines idle, gauge drag state 2.
void SetEditorIdleStates();
