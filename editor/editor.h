// The layout editor's per-frame work: the camera, the selection and drag
// machine and the dispatcher over the editor state, picking in the 3-D view,
// the toolbar and the right-click actions.
//
// The frame's update pass calls ActEditorCamera, ActEditorSelection and
// ActEditorWindows in this order, once per frame of the editor game state.
#pragma once

#include "editor/handlers.h"

struct TRACK;
struct TERROBJ;
class TRAIN;

// EDITOR_STATE: which editor window or pending action is current.
constexpr int ED_EDIT = 100;
constexpr int ED_WINDOW_DRAG = 108;
constexpr int ED_LOAD = 123;
constexpr int ED_SAVE = 125;
constexpr int ED_APPLY_DETACH = 129;
constexpr int ED_START_JOURNEY = 155;
constexpr int ED_MODE_MESSAGE = 163;
constexpr int ED_CAMERA_DRAG = 169;
constexpr int ED_LOAD_MESSAGE = 174;

// SELECT_STATE values of dragState.
constexpr int SELECT_IDLE = 1;
constexpr int SELECT_DRAG = 2;
constexpr int SELECT_RECTANGLE = 3;
constexpr int SELECT_HEIGHT = 4;
constexpr int SELECT_VEHICLE = 173;

// CAMERA_STATE values of cameraState.
constexpr int CAMERA_IDLE = 1;
constexpr int CAMERA_ORBIT = 2;
constexpr int CAMERA_ZOOM = 3;
constexpr int CAMERA_SUN = 4;

// Id answered by DetPickedObject when nothing lies under the mouse.
constexpr int PICK_NOTHING_ID = 200;

extern int editorState;
// The selection machine's sub-state (SELECT_STATE; 173 moves a vehicle along
// the track).
extern int dragState;
// The camera machine's sub-state (CAMERA_STATE).
extern int cameraState;
// Editor state an attribute window returns to when it closes.
extern int attribReturnState;
// 1 while a gauge item of an attribute window is dragged, 2 after release.
extern int gaugeDragState;
extern int gaugeDragItem;
// Heading (degrees) of the next track piece built.
extern float buildAngle;
// Heading (degrees) of the object or vehicle being placed.
extern float placeAngle;
// Track type chosen in the build-tracks palette, -1 none.
extern int chosenTrackType;
// The object, piece or vehicle on which the current selection drag started
// (at most one is set).
extern TERROBJ* dragObject;
extern TRACK* dragTrack;
extern TRAIN* dragVehicle;

// --- frame and dispatcher ---
void ActEditorCamera();
void ActEditorSelection();
void ActEditorWindows();
// Camera and selection machines idle, gauge drag state 2, drag memories
// cleared.
void SetEditorIdleStates();
// Keeps the camera target within 5 units of the terrain.
void ClampCameraTarget();
// Back to attribReturnState after an attribute window closed.
void ReturnToEditorState();
// The end of a window drag: back to the state the drag interrupted.
void EndWindowDrag();
// 1 for the toolbar buttons that choose a tool (they close open windows).
int IsModeButton(int id);
// Shows the quit question (Esc in plain editing, toolbar button 240).
void OpenQuitQuestion();

// --- picking, toolbar and click actions ---
// What lies under the mouse: kind (an OBJTYPE value), id and record.
void DetPickedObject(int* kind, int* id, void** object);
void InitEditorToolbar();
void ActDownEDIT();
void ActRightEDIT();
void ActDownSTART_JOURNEY();

// --- selection and drag ---
void SelectTrackPiece(TRACK* piece);
void EndSelectionDrag();
void EndRectangleSelection();
// mode 1 resets the rotation memory, 2 turns by the arrow keys, 0 turns by
// dragX; (cx, cy) is the centre.
void RotateSelection(int mode, float cx, float cy);
void ClearSelection();
// mode 1 starts a drag of the layout state's selected vehicle along the
// track (answers 1 when it can run), mode 3 is the per-frame step.
int DragVehicleOnTrack(int mode);
// The drag pointers and the rotation, height and vehicle-drag memories back
// to their start.
void ResetSelectionMemories();

// One walk along the track graph by a signed distance in percent of pieces.
struct TRACK_WALK {
    TRACK* piece = nullptr;  // where the walk ended
    float percent = 0.0f;    // percent along that piece from its end 0
    float covered = 0.0f;    // distance walked, signed in the start piece's direction
    int flipped = 0;         // the end piece runs against the start piece
    int blocked = 0;         // stopped at an end that cannot be passed
    int success = 0;         // not blocked and, with a stop piece, reached it
};

// Distance of the point at percent of a piece (on the chord from end 0 to
// the exit end) from the mouse ray.
float TrackPointRayDistance(const TRACK* piece, float percent);
// Walks distance (signed, along the start piece) from percent of a piece;
// stops at a blocked end or on entering stop (when given).
TRACK_WALK WalkAlongTrack(TRACK* piece, float percent, float distance, TRACK* stop);
// The position within h either way of (piece, percent) nearest to the mouse
// ray, strictly nearer than the start; the start itself (covered 0) when
// none is.
TRACK_WALK FindNearestTrackPoint(TRACK* piece, float percent, float h);

// Returns every editor memory to its start (tests).
void ResetEditorForTest();
