// The editor's window handlers and click actions run by the dispatcher,
// each while the editor state names its window or pending action.
#pragma once

class WINDOW;

// The handler protocol shared by the editor's windows.
// A toolbar button that chooses a tool was pressed this frame.
bool ModeButtonPressed();
// This frame's press is the Delete key's (the screen list turns the held key
// into a press of the delete button): it deletes the selection and never
// acts on the view as a click would.
bool IsDeleteKeyPress();
// A press on the window's title bar starts a window drag (state 108); true
// when it did.
bool StartTitleDrag(WINDOW& window);

// Track building and track feature windows.
void ActWIN_BUILD_TRACKS();
void ActDownBUILD_TRACKS();
void ActWIN_DETACH_ATTRIB();
void ApplyDetachAttrib();
void ActWIN_TTABLE_ATTRIB();
void ActDownWIN_POWER_VALUE();
void ActWIN_TRACK_ATTRIB();
void ActWIN_SWITCH_ATTRIB();
void ActWIN_TRACK_NAME();
void ActWIN_BUILD_CHOICE();

// Control attribute windows and the control list.
void ActDownWIN_SELECT_CONTROL();
void ActDownCSWITCH_ATTR();
void ActDownCSWITCH_SATTR();
void ActDownCSWITCH_DATTR();
void ActDownCSWITCH_SIATTR();
void ActDownCSWITCH_BARATTR();
void ActDownCSWITCH_TTATTR();
void ActDownCSWITCH_SOUNDATTR();
void ActDownCSWITCH_OBJATTR();

// Object, vehicle, terrain and selection windows.
void ActDownWIN_PUT_OBJ();
void ActDownPUT_OBJ();
void ActDownWIN_PUT_VEHICLES();
void ActDownPUT_VEHICLE();
void ActDownWIN_ED_TERRAIN();
void ActWIN_TABLE_SIZE();
void ActWIN_RESIZE_TABLE();
void ActWIN_HOUSE_COLOR();
void ActWIN_TERROBJ_COLOR();
void ActWIN_SKYBOX();
void ActWIN_VEHICLE_ATTRIB();
void ActWIN_SELOPT();

// System, load, save, options and message windows.
void ActDownWIN_SYSTEM_CONTROL();
void ActDownWIN_LOAD_FILE();
void ActWIN_SAVE_FILE();
void ActWIN_OPTIONS();
void ActWIN_XFILE_LISTS();
// 1 while open, 2 to leave the editor, 3 to stay.
int ActWIN_QUIT();
void ActWIN_MODE_MESSAGE();
void ActWIN_LOAD_MESSAGE();
// The pending save (editor state 125) and load (123), one frame each.
void RunPendingSave();
void RunPendingLoad();
// The game screen's message windows.
void ActWIN_INFO_MESSAGE();
// The two-line message window's handler (confirm closes it).
void ActWIN_MESSAGE();
