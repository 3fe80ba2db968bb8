// Picking in the editor view, the editor toolbar and the click actions of
// plain editing.
#include <cstdint>

#include "app/input.h"
#include "app/myglobs.h"
#include "app/texts.h"
#include "editor/editor.h"
#include "gfx/render.h"
#include "gfx/screensprites.h"
#include "rail/control.h"
#include "rail/layoutstate.h"
#include "rail/manualcontrol.h"
#include "rail/track.h"
#include "rail/train.h"
#include "sound/soundmanager.h"
#include "ui/screenlist.h"
#include "ui/windefs.h"
#include "ui/window.h"
#include "world/skybox.h"
#include "world/terrobj.h"
#include "world/xobject.h"

namespace {

// Interface sheet slot of the toolbar images.
constexpr int TOOLBAR_SLOT = 10;
constexpr int TOOLBAR_SLOT_SECOND = 37;

bool IsPlacedObjectKind(int kind) { return (kind >= PLANT_TYPE && kind <= LAMP_TYPE) || kind == SIGN_TYPE; }
bool IsVehicleKind(int kind) { return kind == ENGINE_TYPE || kind == CWAGON_TYPE || kind == PWAGON_TYPE; }

void AddButton(int id) { screenList.AddItem(id, TOOLBAR_SLOT, nullptr, 1, nullptr, 0); }

// The mode message explains that editing is switched off.
void OpenModeMessage() {
    SetWinobjText(&winModeMessage, 1, texts.Get(214));
    winModeMessage.Show(2);
    editorState = ED_MODE_MESSAGE;
}

// Opens a tool window that needs editing switched on.
void OpenEditingWindow(WINDOW* window, int state) {
    if (!layoutState.GetEditable()) {
        OpenModeMessage();
        return;
    }
    window->Show(2);
    editorState = state;
}

void ToggleSkybox(int id) {
    if (myGlobs.secondEdition) {
        winSkybox.Show(2);
        editorState = 179;
        return;
    }
    const int night = id == 223;
    skybox.SelectSkybox(night ? 1 : 0, 3);
    screenList.RemoveItem(id);
    AddButton(night ? 232 : 223);
}

void JourneyButton() {
    if (myGlobs.freeCamera) {
        if (cameraState != CAMERA_IDLE) return;
        editorState = ED_START_JOURNEY;
        screenSprites.SetCursorIcon(238);
    } else {
        ResetCamera();
        if (myGlobs.secondEdition) soundManager.PlayMusic("edit");
    }
}

// Right click on a piece: the window of its feature.
void RightClickTrack(TRACK* p) {
    if (!p) return;
    if (p->IsSwitch()) {
        layoutState.SetSelectedTrack(p);
        winSwitchAttrib.Show(2);
        editorState = 162;
    } else if (p->bTurntable) {
        layoutState.SetSelectedTrack(p);
        winTtableAttrib.SetMode(1);
        winTtableAttrib.Show(1);
        editorState = 180;
    } else if (p->pOwnNode) {
        layoutState.SetSelectedTrack(p);
        winPowerValue.Show(1);
        attribReturnState = ED_EDIT;
        editorState = 118;
    } else if (p->bDetach) {
        layoutState.SetSelectedTrack(p);
        winDetachAttrib.Show(1);
        attribReturnState = ED_EDIT;
        editorState = 128;
    } else if (p->bBarrier) {
        layoutState.SetSelectedTrack(p);
        trackList.SetBarrierPreview(p);
        winTrackAttrib.Show(1);
        attribReturnState = ED_EDIT;
        editorState = 164;
    } else if (controlList.HasControls(p)) {
        trackList.HighlightOnly(p);
        controlList.FillNameList(&winSelectControl, 1, p);
        SelectWinListRow(&winSelectControl, 1, 0);
        layoutState.SetSelectedTrack(p);
        editorState = 135;
        winSelectControl.Show(2);
    }
}

// Right click on a placed object: its colour window when it takes colours.
void RightClickObject(TERROBJ* o) {
    if (!o) return;
    layoutState.SetSelectedTerrobj(o);
    if (o->HasHouseColour()) {
        winHouseColor.Show(2);
        winHouseColor.SetWinobjColorB(5, o->colour1);
        winHouseColor.SetWinobjColorA(7, o->colour1);
        winHouseColor.SetWinobjColorB(6, o->colour2);
        winHouseColor.SetWinobjColorA(8, o->colour2);
        editorState = 149;
    } else if (o->HasObjectColour()) {
        winTerrobjColor.Show(2);
        winTerrobjColor.SetWinobjColorB(6, o->colour1);
        winTerrobjColor.SetWinobjColorA(8, o->colour1);
        editorState = 144;
    }
}

}  // namespace

void DetPickedObject(int* kind, int* id, void** object) {
    int k = DUMMY_TYPE, i = PICK_NOTHING_ID;
    void* obj = nullptr;
    int clicked = SCREENLIST_NONE;
    screenList.GetClick(&clicked, nullptr);
    TRAIN* train = nullptr;
    int trainType = 0;
    int objType = 0, objId = 0;
    TERROBJ* record = nullptr;
    TRACK* piece = nullptr;
    if (clicked != SCREENLIST_NONE) {
        k = SCREENOBJ_TYPE;
        i = clicked;
    } else if (trainList.PickTrain(&trainType, &train) && train) {
        k = trainType;
        obj = train;
    } else if (terrobjList.FindUnderCursor(&objType, &objId, &record) && record && objId != 0) {
        k = objType;
        i = objId;
        obj = record;
    } else if (trackList.PickTrackChecked(&piece, nullptr, nullptr) && piece) {
        k = TRACK_TYPE;
        i = piece->kind;
        obj = piece;
    }
    if (kind) *kind = k;
    if (id) *id = i;
    if (object) *object = obj;
}

void InitEditorToolbar() {
    layoutState.ResetSelectOptions();
    buildAngle = 0.0f;
    screenList.Clear();
    const int first = myGlobs.secondEdition ? 0 : 1;
    const int frameSlot = first ? TOOLBAR_SLOT : TOOLBAR_SLOT_SECOND;
    screenList.AddItem(607, frameSlot, nullptr, 0, nullptr, 0);
    screenList.AddItem(608, frameSlot, nullptr, 0, nullptr, 0);
    if (first) {
        screenList.AddItem(701, frameSlot, nullptr, 0, nullptr, 0);
        screenList.AddItem(717, frameSlot, nullptr, 0, nullptr, 0);
        screenList.AddItem(716, frameSlot, nullptr, 0, nullptr, 0);
    }
    static const int BUTTONS[] = {702, 219, 220, 206, 218, 223, 226, 227, 240, 231, 233, 234, 236, 237, 238, 650};
    for (int b : BUTTONS) AddButton(b);
    if (first) AddButton(layoutState.GetCameraOption() ? 242 : 241);
}

void ActDownEDIT() {
    if (manualControlTable.GetInputState() != 0) return;
    int kind = DUMMY_TYPE, id = PICK_NOTHING_ID;
    void* object = nullptr;
    DetPickedObject(&kind, &id, &object);
    // Objects and vehicles under the mouse belong to the selection machine.
    if (IsPlacedObjectKind(kind) || IsVehicleKind(kind)) return;
    if (kind != SCREENOBJ_TYPE) return;
    switch (id) {
        case 218: OpenEditingWindow(&winPutObj, 113); break;
        case 223:
        case 232: ToggleSkybox(id); break;
        case 231: OpenEditingWindow(&winSelOpt, 152); break;
        case 233:
            winSystemControl.Show(2);
            editorState = 151;
            break;
        case 234: OpenEditingWindow(&winEdTerrain, 150); break;
        case 236: OpenEditingWindow(&winPutVehicles, 153); break;
        case 237:
            if (layoutState.GetEditable() || layoutState.GetMode() != 1) {
                winBuildTracks.Show(2);
                editorState = 154;
            } else {
                OpenModeMessage();
            }
            break;
        case 238: JourneyButton(); break;
        case 240: OpenQuitQuestion(); break;
        default: break;
    }
}

void ActRightEDIT() {
    int kind = DUMMY_TYPE, id = PICK_NOTHING_ID;
    void* object = nullptr;
    DetPickedObject(&kind, &id, &object);
    if (kind == TRACK_TYPE) {
        RightClickTrack(static_cast<TRACK*>(object));
        return;
    }
    if (kind >= PLANT_TYPE && kind <= MISC_TYPE) {
        RightClickObject(static_cast<TERROBJ*>(object));
        return;
    }
    if (kind == ENGINE_TYPE && object) {
        layoutState.SetSelectedVehicle(static_cast<TRAIN*>(object));
        winVehicleAttrib.Show(2);
        editorState = 175;
        return;
    }
    // Empty ground, wagons, lamps, signs: the right button drags the view.
    dragMode = 1;
    dragX = dragY = 0;
    editorState = ED_CAMERA_DRAG;
}

void ActDownSTART_JOURNEY() {
    if (manualControlTable.GetInputState() != 0) return;
    int kind = DUMMY_TYPE, id = PICK_NOTHING_ID;
    void* object = nullptr;
    DetPickedObject(&kind, &id, &object);
    if (IsVehicleKind(kind) && object) {
        myGlobs.freeCamera = 0;
        myGlobs.journeyMode = 1;
        myGlobs.journeyTrain = static_cast<TRAIN*>(object);
        layoutState.StoreCamera();
        if (myGlobs.secondEdition) soundManager.PlayMusic("journey");
    }
    editorState = ED_EDIT;
    screenSprites.SetCursorIcon(-1);
}
