// The editor's frame: the camera control of the editor view and the
// dispatcher that runs the handler of the current editor state.
#include "editor/editor.h"
#include "editor/handlers.h"

#include <algorithm>
#include <cmath>

#include "app/gamestate.h"
#include "app/input.h"
#include "app/myglobs.h"
#include "app/texts.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "gfx/render.h"
#include "rail/layoutstate.h"
#include "rail/manualcontrol.h"
#include "rail/track.h"
#include "ui/screenlist.h"
#include "ui/windefs.h"
#include "ui/window.h"
#include "world/lightlist.h"
#include "world/terrain.h"

int editorState = 100;
int dragState = 1;
int cameraState = 1;
int attribReturnState = 100;
int gaugeDragState = 2;
int gaugeDragItem = 0;
float buildAngle = 0.0f;
float placeAngle = 0.0f;
int chosenTrackType = -1;

namespace {

constexpr float kTwoPi = 6.2831853f;
constexpr float kMinDistance = 5.0f;
constexpr float kMaxDistance = 100.0f;
// How far the camera target may leave the terrain's edge.
constexpr float kTargetMargin = 5.0f;

// dragX and dragY at the previous frame of a camera-target drag.
float cameraDragLastX = 0.0f;
float cameraDragLastY = 0.0f;
// mouseWheel at the previous frame.
int wheelMemory = 0;
int wheelTaken = 0;

float ClampDistance(float d) { return std::clamp(d, kMinDistance, kMaxDistance); }

// dragX as a yaw in radians, brought once into 0..2 pi.
float YawFromDrag() {
    float yaw = static_cast<float>(dragX) / 100.0f;
    if (yaw < 0.0f) yaw += kTwoPi;
    else if (yaw > kTwoPi) yaw -= kTwoPi;
    return yaw;
}

// Swaps one toolbar button for its partner.
void ReplaceToolbarItem(int oldId, int newId) {
    screenList.RemoveItem(oldId);
    screenList.AddItem(newId, 10, nullptr, 1, nullptr, 0);
}

void MoveCameraTarget(float dx, float dy) {
    layoutState.SetGroundPoint(layoutState.GetCameraTargetX() + dx, layoutState.GetCameraTargetY() + dy);
    ClampCameraTarget();
}

// The camera button was let go: back to the idle camera.
void EndCameraDrag() {
    dragMode = 0;
    cameraState = CAMERA_IDLE;
}

void EdgeScroll() {
    if (editorState == 148 || editorState == ED_CAMERA_DRAG) return;
    if (manualControlTable.GetInputState() == 1) return;
    if (!myGlobs.freeCamera || !display.IsFullscreen() || !layoutState.GetCameraOption()) return;
    if (!cursorAtTop && !cursorAtBottom && !cursorAtLeft && !cursorAtRight) return;
    float yaw = 0.0f, pitch = 0.0f, distance = 0.0f;
    display.GetCameraAngles(&yaw, &pitch, &distance);
    const float s = static_cast<float>(frameTime) / 100.0f;
    const float c = std::cos(yaw) * s, n = std::sin(yaw) * s;
    float dx = 0.0f, dy = 0.0f;
    if (cursorAtTop) dx -= c, dy -= n;
    if (cursorAtBottom) dx += c, dy += n;
    if (cursorAtLeft) dx -= n, dy += c;
    if (cursorAtRight) dx += n, dy -= c;
    MoveCameraTarget(dx, dy);
    display.SetCameraAngles(&yaw, &pitch, &distance);
    UpdateCamera(0);
}

void CameraTargetDrag() {
    const float dx = static_cast<float>(dragX) - cameraDragLastX;
    const float dy = static_cast<float>(dragY) - cameraDragLastY;
    cameraDragLastX = static_cast<float>(dragX);
    cameraDragLastY = static_cast<float>(dragY);
    if (dx == 0.0f && dy == 0.0f) return;
    float yaw = 0.0f;
    display.GetCameraAngles(&yaw, nullptr, nullptr);
    const float s = std::sin(yaw), c = std::cos(yaw);
    MoveCameraTarget((-s * dx - c * dy) / 10.0f, (c * dx - s * dy) / 10.0f);
    UpdateCamera(0);
}

}  // namespace

void OpenQuitQuestion() {
    winExitEditor.SetCaption(texts.Get(128));
    SetWinobjText(&winExitEditor, 1, texts.Get(257));
    winExitEditor.Show(2);
    editorState = 176;
}

namespace {

// The window handlers, each run while the state still has its value.
void RunWindowHandlers() {
    if (editorState == 179) ActWIN_SKYBOX();
    if (editorState == 175) ActWIN_VEHICLE_ATTRIB();
    if (editorState == 154) ActWIN_BUILD_TRACKS();
    if (editorState == 152) ActWIN_SELOPT();
    if (editorState == 150) ActDownWIN_ED_TERRAIN();
    if (editorState == 156) ActWIN_XFILE_LISTS();
    if (editorState == 162) ActWIN_SWITCH_ATTRIB();
    if (editorState == 157) ActWIN_OPTIONS();
    if (editorState == 153) ActDownWIN_PUT_VEHICLES();
    if (editorState == 122) ActDownWIN_LOAD_FILE();
    if (editorState == 124) ActWIN_SAVE_FILE();
    if (editorState == 113) ActDownWIN_PUT_OBJ();
    if (editorState == 148) ActWIN_TABLE_SIZE();
    if (editorState == 144) ActWIN_TERROBJ_COLOR();
    if (editorState == 149) ActWIN_HOUSE_COLOR();
    if (editorState == 151) ActDownWIN_SYSTEM_CONTROL();
    if (editorState == 176) {
        const int result = ActWIN_QUIT();
        if (result == 2) {
            editorState = ED_EDIT;
            gameState = EXIT_STATE;
        } else if (result == 3) {
            editorState = ED_EDIT;
        }
    }
}

void RunLeftPress() {
    // The Delete key's press belongs to the selection machine: it places,
    // builds and opens nothing.
    if (IsDeleteKeyPress()) return;
    switch (editorState) {
        case ED_EDIT: ActDownEDIT(); break;
        case 113: ActDownPUT_OBJ(); break;
        case 153: ActDownPUT_VEHICLE(); break;
        case 154: ActDownBUILD_TRACKS(); break;
        case ED_START_JOURNEY: ActDownSTART_JOURNEY(); break;
        case ED_MODE_MESSAGE: ActWIN_MODE_MESSAGE(); break;
        case ED_LOAD_MESSAGE: ActWIN_LOAD_MESSAGE(); break;
        default: break;
    }
}

void RunRightPress() {
    if (editorState == ED_EDIT) {
        ActRightEDIT();
    } else if (editorState == 113 || editorState == 153) {
        if (!windowList.IsMouseOverAny()) {
            dragMode = 1;
            dragX = dragY = static_cast<int>(placeAngle);
        }
    } else if (editorState == 154) {
        if (!windowList.IsMouseOverAny()) {
            dragMode = 1;
            dragX = dragY = static_cast<int>(buildAngle);
        }
    }
}

// The attribute and feature windows and the pending load and save.
void RunAttributeHandlers() {
    if (editorState == 164) ActWIN_TRACK_ATTRIB();
    if (editorState == 158) ActWIN_BUILD_CHOICE();
    if (editorState == 130 || editorState == 135) ActDownWIN_SELECT_CONTROL();
    if (editorState == ED_APPLY_DETACH) ApplyDetachAttrib();
    if (editorState == 128) ActWIN_DETACH_ATTRIB();
    if (editorState == 180) ActWIN_TTABLE_ATTRIB();
    if (editorState == 167 || editorState == 168) ActDownCSWITCH_BARATTR();
    if (editorState == 166 || editorState == 165) ActDownCSWITCH_SIATTR();
    if (editorState == 127 || editorState == 131) ActDownCSWITCH_DATTR();
    if (editorState == 182 || editorState == 183) ActDownCSWITCH_TTATTR();
    if (editorState == 184 || editorState == 185) ActDownCSWITCH_SOUNDATTR();
    if (editorState == 186 || editorState == 187) ActDownCSWITCH_OBJATTR();
    if (editorState == 107 || editorState == 133) ActDownCSWITCH_SATTR();
    if (editorState == 106 || editorState == 132) ActDownCSWITCH_ATTR();
    if (editorState == 118) ActDownWIN_POWER_VALUE();
    if (editorState == 145) ActWIN_TRACK_NAME();
    if (editorState == ED_SAVE) RunPendingSave();
    if (editorState == ED_LOAD) RunPendingLoad();
}

void RotateKeys() {
    for (int k = 0; k < 2; ++k) {
        if (!(k == 0 ? keyLeftPressed : keyRightPressed)) continue;
        const int sign = k == 0 ? -1 : 1;
        if (editorState == 113 || editorState == 153) {
            placeAngle += 20.0f * static_cast<float>(sign);
            dragX += 20 * sign;
        } else if (editorState == 154) {
            buildAngle += 22.5f * static_cast<float>(sign);
            dragX += 22 * sign;
        }
    }
}

void FollowRightDrag() {
    if (!dragMode) return;
    if (editorState == 113 || editorState == 153) {
        placeAngle = static_cast<float>(dragX);
    } else if (editorState == 154) {
        int n = dragX / 22;
        n %= 16;
        if (n < 0) n += 16;
        buildAngle = static_cast<float>(n) * 22.5f;
    }
}

}  // namespace

int IsModeButton(int id) {
    switch (id) {
        case 218:
        case 223:
        case 231:
        case 232:
        case 233:
        case 234:
        case 236:
        case 237:
        case 238:
        case 240:
            return 1;
        default:
            return 0;
    }
}

void ClampCameraTarget() {
    float width = 0.0f, depth = 0.0f;
    terrain.GetWorldSize(&width, &depth);
    // The terrain is centred on the origin: the target may lie up to the
    // margin beyond either edge.
    const float limitX = width / 2.0f + kTargetMargin;
    const float limitY = depth / 2.0f + kTargetMargin;
    const float x = std::clamp(layoutState.GetCameraTargetX(), -limitX, limitX);
    const float y = std::clamp(layoutState.GetCameraTargetY(), -limitY, limitY);
    layoutState.SetGroundPoint(x, y);
}

void ReturnToEditorState() {
    editorState = attribReturnState;
    if (attribReturnState == 154) winBuildTracks.Show(2);
    trackList.HighlightOnly(nullptr);
}

void EndWindowDrag() { editorState = layoutState.GetSavedState(); }

void SetEditorIdleStates() {
    cameraState = CAMERA_IDLE;
    dragState = SELECT_IDLE;
    gaugeDragState = 2;
    cameraDragLastX = cameraDragLastY = 0.0f;
    ResetSelectionMemories();
}

void ResetEditorForTest() {
    editorState = ED_EDIT;
    attribReturnState = ED_EDIT;
    gaugeDragItem = 0;
    buildAngle = placeAngle = 0.0f;
    chosenTrackType = -1;
    wheelMemory = 0;
    wheelTaken = 0;
    SetEditorIdleStates();
}

void ActEditorCamera() {
    if (gameState != EDITOR_RUN_STATE) return;
    if (!wheelTaken) {
        wheelMemory = mouseWheel;
        wheelTaken = 1;
    }
    if (!myGlobs.freeCamera) {
        wheelMemory = mouseWheel;
        return;
    }

    if (mouseWheel != wheelMemory) {
        float distance = 0.0f;
        display.GetCameraAngles(nullptr, nullptr, &distance);
        const float d = static_cast<float>(mouseWheel - wheelMemory);
        distance = ClampDistance(distance + d / 1500.0f * distance);
        display.SetCameraAngles(nullptr, nullptr, &distance);
        UpdateCamera(0);
        wheelMemory = mouseWheel;
    }

    int id = SCREENLIST_NONE, phase = 0;
    screenList.GetClick(&id, &phase);
    // The cursor stands still while a camera button is held, so its release
    // is normally reported on the button; a release anywhere ends the drag.
    const bool released = (id != SCREENLIST_NONE && phase == 1) || mouseLeftUp;

    switch (cameraState) {
        case CAMERA_IDLE: {
            if (id == SCREENLIST_NONE || phase != 0) break;
            if ((id == 219 || id == 220) && keyCtrl && !lightList.IsNight()) {
                dragX = dragY = 0;
                dragMode = 1;
                cameraState = CAMERA_SUN;
            } else if (id == 219) {
                layoutState.StoreCamera();
                float yaw = 0.0f, pitch = 0.0f;
                display.GetCameraAngles(&yaw, &pitch, nullptr);
                dragY = static_cast<int>(pitch * 100.0f);
                dragX = static_cast<int>(yaw * 100.0f);
                dragMode = 1;
                cameraState = CAMERA_ORBIT;
            } else if (id == 220) {
                float yaw = 0.0f, distance = 0.0f;
                display.GetCameraAngles(&yaw, nullptr, &distance);
                dragY = static_cast<int>(distance * 10.0f);
                dragX = static_cast<int>(yaw * 100.0f);
                dragMode = 1;
                cameraState = CAMERA_ZOOM;
            } else if (id == 241) {
                layoutState.SetCameraOption(1);
                ReplaceToolbarItem(241, 242);
            } else if (id == 242) {
                layoutState.SetCameraOption(0);
                ReplaceToolbarItem(242, 241);
            }
            break;
        }
        case CAMERA_ORBIT: {
            if (released) {
                EndCameraDrag();
                break;
            }
            // The excess beyond the limits is not kept, so turning back acts
            // at once.
            dragY = std::clamp(dragY, 0, 150);
            const float pitch = static_cast<float>(dragY) / 100.0f;
            const float yaw = YawFromDrag();
            display.SetCameraAngles(&yaw, &pitch, nullptr);
            UpdateCamera(0);
            break;
        }
        case CAMERA_ZOOM: {
            if (released) {
                EndCameraDrag();
                break;
            }
            const float yaw = YawFromDrag();
            const float distance = ClampDistance(static_cast<float>(dragY) / 10.0f);
            display.SetCameraAngles(&yaw, nullptr, &distance);
            UpdateCamera(0);
            break;
        }
        case CAMERA_SUN: {
            if (released) {
                EndCameraDrag();
                break;
            }
            if (dragX != 0) lightList.SetSunAngle(static_cast<float>(dragX));
            dragX = 0;
            break;
        }
        default:
            // An unknown value cannot be left by any button: recover.
            EndCameraDrag();
            break;
    }
}

void ActEditorWindows() {
    if (gameState != EDITOR_RUN_STATE || cameraState != CAMERA_IDLE) return;

    EdgeScroll();
    if (editorState == ED_CAMERA_DRAG) CameraTargetDrag();
    if (dragState != SELECT_IDLE) return;

    RunWindowHandlers();
    if (mouseLeftDown) RunLeftPress();
    if (mouseLeftUp && editorState == ED_WINDOW_DRAG) EndWindowDrag();
    if (mouseRightDown) RunRightPress();
    if (mouseRightUp) {
        dragMode = 0;
        if (editorState == ED_CAMERA_DRAG) {
            editorState = ED_EDIT;
            cameraDragLastX = cameraDragLastY = 0.0f;
        }
    }
    if (editorState == 170) ActWIN_RESIZE_TABLE();
    if (keyEsc && editorState == ED_EDIT) OpenQuitQuestion();
    RunAttributeHandlers();
    RotateKeys();
    FollowRightDrag();
    if (editorState == ED_WINDOW_DRAG) {
        int dx = 0, dy = 0;
        layoutState.GetMouseDelta(&dx, &dy);
        if (dx != 0 || dy != 0) windowList.MoveAll(dx, dy);
    }
    if (gaugeDragState == 1) {
        windowList.SetGaugeFromMouse(gaugeDragItem, cursorY);
        if (mouseLeftUp) gaugeDragState = 2;
    }
    if (!display.IsFullscreen()) {
        cursorAtLeft = cursorX < 10 ? 1 : 0;
        cursorAtTop = cursorY < 10 ? 1 : 0;
        cursorAtRight = cursorX > 720 ? 1 : 0;
        cursorAtBottom = cursorY > 515 ? 1 : 0;
    }
}


bool IsDeleteKeyPress() {
    if (!keyDelete) return false;
    int id = SCREENLIST_NONE;
    screenList.GetClick(&id, nullptr);
    return id == 206;
}

bool ModeButtonPressed() {
    int id = SCREENLIST_NONE, phase = 1;
    screenList.GetClick(&id, &phase);
    return id != SCREENLIST_NONE && phase == 0 && IsModeButton(id);
}

bool StartTitleDrag(WINDOW& window) {
    if (!window.IsTitleClicked()) return false;
    layoutState.StartDrag(cursorX, cursorY);
    layoutState.SaveState(editorState);
    editorState = ED_WINDOW_DRAG;
    return true;
}
