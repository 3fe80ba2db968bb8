#include "editor/editor.h"

int editorState = 100;
float buildAngle = 0.0f;
float placeAngle = 0.0f;
int chosenTrackType = -1;

void ActEditorCamera() {}
void ActEditorSelection() {}
void ActEditorWindows() {}
void InitEditorToolbar() {}
void ActWIN_MESSAGE() {}
void SetEditorIdleStates() {}
