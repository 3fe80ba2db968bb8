// The selection and drag machine of the editor view: highlighting, click and
// rectangle selection, dragging, rotating and lifting the selection, copy,
// paste and delete, and dragging a single vehicle along the track.
#include <cmath>
#include <cstdlib>

#include "app/gamestate.h"
#include "app/input.h"
#include "app/myglobs.h"
#include "app/winmain.h"
#include "editor/editor.h"
#include "editor/handlers.h"
#include "gfx/geometry.h"
#include "gfx/render.h"
#include "rail/layoutstate.h"
#include "rail/manualcontrol.h"
#include "rail/power.h"
#include "rail/track.h"
#include "rail/train.h"
#include "ui/screenlist.h"
#include "ui/window.h"
#include "world/lightlist.h"
#include "world/terrain.h"
#include "world/terrobj.h"
#include "world/xobject.h"

TERROBJ* dragObject = nullptr;
TRACK* dragTrack = nullptr;
TRAIN* dragVehicle = nullptr;

namespace {

// Rotation memory of a right-button turn: the angles last applied to the
// pieces and to the objects, and their targets.
float lastPieceAngle = 0.0f;
float lastObjectAngle = 0.0f;
float pieceTargetAngle = 0.0f;
float objectTargetAngle = 0.0f;
// dragY at the previous frame of a height adjustment.
int heightMemory = 0;
// Vehicle drag: the last target position found and the vehicle's half
// length.
TRACK* vehicleTargetPiece = nullptr;
float vehicleTargetPercent = 0.0f;
float vehicleHalfLength = 0.0f;
// Pieces were moved or turned during the current selection drag.
int piecesChanged = 0;

// Upper bound on the pieces one walk may pass (a ring of zero-length pieces
// must not hang the editor).
constexpr int kMaxWalkSteps = 10000;

bool IsPlacedObjectKind(int kind) { return (kind >= PLANT_TYPE && kind <= LAMP_TYPE) || kind == SIGN_TYPE; }
bool IsVehicleKind(int kind) { return kind == ENGINE_TYPE || kind == CWAGON_TYPE || kind == PWAGON_TYPE; }

bool IsClickState(int s) { return s == 100 || s == 154 || s == 113 || s == 153 || s == 150 || s == 179; }

bool IsInTrainList(const TRAIN* t) {
    for (TRAIN* o = trainList.GetFirst(); o; o = o->pNext)
        if (o == t) return true;
    return false;
}

void RefreshAfterEdit() {
    trackList.FillRenderBuffer();
    terrobjList.BuildBatches();
    if (lightList.IsNight()) terrain.UpdateNightLighting();
}

void UpdateHighlight() {
    const bool dragging = dragState == SELECT_DRAG;
    const bool stateOk = dragState == SELECT_IDLE || dragState == SELECT_DRAG || dragState == SELECT_HEIGHT ||
                         dragState == SELECT_VEHICLE;
    const bool selectable = editorState == ED_EDIT || layoutState.GetToolOption();
    const bool covered = !dragging && (windowList.IsMouseOverAny() || manualControlTable.IsMouseOver() ||
                                       screenList.IsMouseOverItem());
    if (!stateOk || !selectable || covered) {
        layoutState.SetHighlightedObject(nullptr);
        return;
    }
    int kind = DUMMY_TYPE, id = PICK_NOTHING_ID;
    void* object = nullptr;
    DetPickedObject(&kind, &id, &object);
    if (IsPlacedObjectKind(kind) || IsVehicleKind(kind) || (kind == TRACK_TYPE && id >= 0 && id <= 5))
        layoutState.SetHighlightedObject(object);
    else
        layoutState.SetHighlightedObject(nullptr);
}

void DeleteSelectionNow() {
    trackList.DeleteSelected();
    terrobjList.DeleteSelection();
    trainList.DeleteSelected();
    powerList.UpdatePower();
    // Vehicles standing on deleted pieces go with them: nothing may keep
    // pointing at a vehicle that no longer exists.
    if (layoutState.GetSelectedVehicle() && !IsInTrainList(layoutState.GetSelectedVehicle()))
        layoutState.SetSelectedVehicle(nullptr);
    dragObject = nullptr;
    dragTrack = nullptr;
    dragVehicle = nullptr;
    RefreshAfterEdit();
}

void ClickObject(TERROBJ* o) {
    if (!o) return;
    if (!o->selected && !keyCtrl) ClearSelection();
    o->selected = 1;
    dragObject = o;
    dragTrack = nullptr;
    dragVehicle = nullptr;
    piecesChanged = 0;
    layoutState.StartDrag(cursorX, cursorY);
    layoutState.SetTerrainDragStart();
    terrobjList.BuildBatches();
    terrobjList.BuildShadowSprites();
    dragState = SELECT_DRAG;
}

void ClickVehicle(TRAIN* t) {
    if (!t) return;
    if (!t->bSelected && !keyCtrl) ClearSelection();
    t->SetSelected(1);
    dragVehicle = t;
    dragObject = nullptr;
    dragTrack = nullptr;
    if (trainList.CountSelected() == 1) {
        layoutState.SetSelectedVehicle(t);
        if (DragVehicleOnTrack(1)) dragState = SELECT_VEHICLE;
    }
}

void ClickTrack(TRACK* p) {
    if (!p) return;
    SelectTrackPiece(p);
    dragTrack = p;
    dragObject = nullptr;
    dragVehicle = nullptr;
    piecesChanged = 0;
    layoutState.StartDrag(cursorX, cursorY);
    layoutState.SetTerrainDragStart();
    trackList.FillRenderBuffer();
    dragState = SELECT_DRAG;
}

void ClickNothing() {
    ClearSelection();
    dragObject = nullptr;
    dragTrack = nullptr;
    dragVehicle = nullptr;
    layoutState.StartDrag(cursorX, cursorY);
    trackList.FillRenderBuffer();
    terrobjList.BuildBatches();
    layoutState.SetSelectionCorner(cursorX, cursorY);
    dragState = SELECT_RECTANGLE;
}

// The placing tools (objects, vehicles, track pieces) take the Delete key
// as a delete also while they place.
bool DeleteKeyWhilePlacing() {
    return (editorState == 113 || editorState == 153 || editorState == 154) && IsDeleteKeyPress();
}

bool ClicksAllowed() {
    if (!IsClickState(editorState) || cameraState != CAMERA_IDLE) return false;
    if (manualControlTable.GetInputState() != 0) return false;
    if (editorState != ED_EDIT && !layoutState.GetToolOption() && !DeleteKeyWhilePlacing()) return false;
    if (windowList.IsMouseOverAny()) return false;
    return dragState == SELECT_IDLE && mouseLeftDown && layoutState.GetEditable();
}

void HandleClick() {
    int id = SCREENLIST_NONE;
    screenList.GetClick(&id, nullptr);
    switch (id) {
        case 206: DeleteSelectionNow(); return;
        case 226:
            trackList.CopySelection();
            terrobjList.CopySelection();
            return;
        case 227:
            trackList.PasteSelection();
            terrobjList.PasteSelection();
            RefreshAfterEdit();
            return;
        default: break;
    }
    int kind = DUMMY_TYPE, picked = PICK_NOTHING_ID;
    void* object = nullptr;
    DetPickedObject(&kind, &picked, &object);
    if (IsPlacedObjectKind(kind)) ClickObject(static_cast<TERROBJ*>(object));
    else if (IsVehicleKind(kind)) ClickVehicle(static_cast<TRAIN*>(object));
    else if (kind == TRACK_TYPE) ClickTrack(static_cast<TRACK*>(object));
    else if (kind == DUMMY_TYPE) ClickNothing();
}

// Centre of a rotation of the selection: the object, vehicle or piece the
// drag started on.
void DragCentre(float* cx, float* cy) {
    *cx = *cy = 0.0f;
    if (dragObject) {
        *cx = dragObject->x;
        *cy = dragObject->y;
    } else if (dragVehicle) {
        *cx = dragVehicle->vPos.x;
        *cy = dragVehicle->vPos.y;
    } else if (dragTrack) {
        *cx = dragTrack->x;
        *cy = dragTrack->y;
    }
}

void FollowGround() {
    float dx = 0.0f, dy = 0.0f;
    layoutState.GetTerrainDragDelta(&dx, &dy);
    if (dx == 0.0f && dy == 0.0f) return;
    if (trackList.IsAnySelected()) piecesChanged = 1;
    trackList.MoveSelected(dx, dy);
    terrobjList.MoveSelection(dx, dy);
    terrobjList.UpdateSelectedLights();
    trackList.DetGroundStatesOfSelected();
    if (lightList.IsNight()) terrain.UpdateNightLighting();
}

void TurnSelection(float angle, float cx, float cy, bool pieces, bool objects) {
    if (pieces) {
        trackList.RotateSelected(angle, cx, cy);
        if (trackList.IsAnySelected()) piecesChanged = 1;
    }
    if (objects) terrobjList.RotateSelection(angle, cx, cy);
}

// The left button was let go.
void EndLeftDrag() {
    switch (dragState) {
        case SELECT_DRAG: EndSelectionDrag(); break;
        case SELECT_RECTANGLE: EndRectangleSelection(); break;
        case SELECT_HEIGHT:
            dragState = SELECT_IDLE;
            dragMode = 0;
            break;
        case SELECT_VEHICLE: dragState = SELECT_IDLE; break;
        default: break;
    }
}

}  // namespace

void ResetSelectionMemories() {
    dragObject = nullptr;
    dragTrack = nullptr;
    dragVehicle = nullptr;
    lastPieceAngle = lastObjectAngle = pieceTargetAngle = objectTargetAngle = 0.0f;
    heightMemory = 0;
    vehicleTargetPiece = nullptr;
    vehicleTargetPercent = 0.0f;
    vehicleHalfLength = 0.0f;
    piecesChanged = 0;
}

void ClearSelection() {
    terrobjList.ClearSelection();
    trackList.DeselectAll();
    trainList.DeselectAll();
}

void SelectTrackPiece(TRACK* piece) {
    if (!piece) return;
    if (doubleClick) {
        if (!keyCtrl) ClearSelection();
        trackList.SelectGroup(piece);
        return;
    }
    if (!piece->bSelected && !keyCtrl) ClearSelection();
    // Pieces deep under the terrain can be picked only in the grid view.
    if (!terrain.IsGridView() && piece->groundState == GROUND_DEEP) return;
    piece->bSelected = 1;
}

void EndSelectionDrag() {
    // Pieces turned with the keys or the right button moved although the
    // mouse did not: their joints must be found anew as well.
    if ((layoutState.HasMouseMoved() || piecesChanged) && trackList.IsAnySelected()) {
        trackList.RebuildConnections();
        powerList.UpdatePower();
        trackList.DetGroundStates();
        trackList.FillRenderBuffer();
        terrobjList.BuildShadowSprites();
    }
    piecesChanged = 0;
    dragState = SELECT_IDLE;
}

void EndRectangleSelection() {
    const RECT r = layoutState.GetSelectionRect();
    trackList.SelectInRectangle(&r);
    terrobjList.SelectInRect(r.left, r.top, r.right, r.bottom);
    trackList.FillRenderBuffer();
    terrobjList.BuildBatches();
    terrobjList.BuildShadowSprites();
    dragState = SELECT_IDLE;
}

void RotateSelection(int mode, float cx, float cy) {
    if (mode == 1) {
        lastPieceAngle = lastObjectAngle = pieceTargetAngle = objectTargetAngle = 0.0f;
        return;
    }
    if (mode == 2) {
        if (keyLeftPressed) TurnSelection(-22.5f, cx, cy, true, true);
        if (keyRightPressed) TurnSelection(22.5f, cx, cy, true, true);
    } else if (mode == 0) {
        // Pieces snap to the 16 headings of the track grid; objects turn
        // freely with the same mouse movement.
        int n = static_cast<int>((static_cast<float>(dragX) + 11.25f) / 22.5f);
        n %= 16;
        if (n < 0) n += 16;
        pieceTargetAngle = static_cast<float>(n) * 22.5f;
        if (pieceTargetAngle != lastPieceAngle) {
            TurnSelection(pieceTargetAngle - lastPieceAngle, cx, cy, true, false);
            lastPieceAngle = pieceTargetAngle;
        }
        objectTargetAngle = static_cast<float>(dragX);
        if (objectTargetAngle != lastObjectAngle) {
            TurnSelection(objectTargetAngle - lastObjectAngle, cx, cy, false, true);
            lastObjectAngle = objectTargetAngle;
        }
    } else {
        return;
    }
    terrobjList.UpdateSelectedLights();
    trackList.DetGroundStatesOfSelected();
}

// ---------------------------------------------------------------------------
// Dragging a vehicle along the track

float TrackPointRayDistance(const TRACK* piece, float percent) {
    if (!piece) return PICK_MISS;
    const D3DXVECTOR3 a = piece->GetEndPoint(0);
    const D3DXVECTOR3 b = piece->GetEndPoint(piece->GetExitEnd());
    const D3DXVECTOR3 p = (a * (100.0f - percent) + b * percent) / 100.0f;
    return DetMouseRayDistance(p);
}

TRACK_WALK WalkAlongTrack(TRACK* piece, float percent, float distance, TRACK* stop) {
    TRACK_WALK w;
    w.piece = piece;
    w.percent = percent;
    if (!piece) {
        w.blocked = 1;
        return w;
    }
    float sign = 1.0f;  // direction of the current piece against the start piece
    float rest = distance;
    bool reached = stop == piece;
    for (int steps = 0; !reached && steps < kMaxWalkSteps; ++steps) {
        const float len = w.piece->length;
        if (!(len > 0.0f) || !std::isfinite(len) || !std::isfinite(rest)) {
            w.blocked = 1;
            break;
        }
        const float p2 = rest / len * 100.0f + w.percent;
        int exitEnd;
        if (p2 >= 100.0f) {
            exitEnd = w.piece->GetExitEnd();
            w.covered += sign * (100.0f - w.percent) * len / 100.0f;
            rest = (p2 - 100.0f) * len / 100.0f;
            w.percent = 100.0f;
        } else if (p2 <= 0.0f) {
            exitEnd = 0;
            w.covered -= sign * w.percent * len / 100.0f;
            rest = p2 * len / 100.0f;
            w.percent = 0.0f;
        } else {
            w.covered += sign * rest;
            w.percent = p2;
            rest = 0.0f;
            break;
        }
        if (rest == 0.0f && !stop) break;  // ends exactly on the piece's end
        const TRACK_END& link = w.piece->end[exitEnd];
        TRACK* next = link.state == END_CONNECTED ? link.pTrack : nullptr;
        const int f = link.conEnd;
        const bool refused = !next || f < 0 || f > 2 || next->bEndPiece ||
                             (next->IsSwitch() && ((f == 1 && next->switchState == 1) ||
                                                   (f == 2 && next->switchState == 2)));
        if (refused) {
            w.blocked = 1;
            break;
        }
        if ((exitEnd == 0) == (f == 0)) {
            rest = -rest;
            sign = -sign;
        }
        w.piece = next;
        w.percent = f == 0 ? 0.0f : 100.0f;
        reached = stop == next;
        if (rest == 0.0f) break;
    }
    w.flipped = sign < 0.0f ? 1 : 0;
    w.success = !w.blocked && (!stop || reached) ? 1 : 0;
    return w;
}

TRACK_WALK FindNearestTrackPoint(TRACK* piece, float percent, float h) {
    TRACK_WALK best;
    best.piece = piece;
    best.percent = percent;
    best.success = piece ? 1 : 0;
    if (!piece || !(h > 0.0f) || !std::isfinite(h)) return best;
    float bestDistance = TrackPointRayDistance(piece, percent);
    const int n = static_cast<int>(h * 20.0f);
    if (n < 1) return best;
    for (int i = -n; i <= n; ++i) {
        if (i == 0) continue;
        const TRACK_WALK w = WalkAlongTrack(piece, percent, h / static_cast<float>(n) * static_cast<float>(i), nullptr);
        if (!w.success) continue;
        const float d = TrackPointRayDistance(w.piece, w.percent);
        if (d < bestDistance) {
            bestDistance = d;
            best = w;
        }
    }
    return best;
}

int DragVehicleOnTrack(int mode) {
    TRAIN* t = layoutState.GetSelectedVehicle();
    if (!t || !t->pTrack) return 0;
    if (mode == 1) {
        vehicleHalfLength = t->halfLength;
        // A vehicle without length has no grip on the track.
        if (static_cast<int>(vehicleHalfLength * 20.0f) < 1) return 0;
        const TRACK_WALK best = FindNearestTrackPoint(t->pTrack, t->posPercent, vehicleHalfLength);
        if (!best.success || !best.piece) return 0;
        vehicleTargetPiece = best.piece;
        vehicleTargetPercent = best.percent;
        return 1;
    }
    if (mode != 3 || !vehicleTargetPiece) return 0;
    const float h = vehicleHalfLength;
    const TRACK_WALK best = FindNearestTrackPoint(vehicleTargetPiece, vehicleTargetPercent, h);
    // Direction of the target's piece against the vehicle's own piece.
    TRACK_WALK toTarget = WalkAlongTrack(t->pTrack, t->posPercent, 5.0f * h, vehicleTargetPiece);
    if (!toTarget.success) toTarget = WalkAlongTrack(t->pTrack, t->posPercent, -5.0f * h, vehicleTargetPiece);
    float distance = best.covered;
    if (toTarget.success && toTarget.flipped) distance = -distance;
    if (distance != 0.0f) {
        // The vehicle keeps its body on the track: the move is shortened
        // where the line ends or a switch stands against it.
        const float dir = distance > 0.0f ? 1.0f : -1.0f;
        const TRACK_WALK ahead = WalkAlongTrack(t->pTrack, t->posPercent, distance + dir * h, nullptr);
        if (ahead.blocked) {
            const float room = std::fabs(ahead.covered) - h;
            distance = room > 0.0f ? dir * std::fmin(room, std::fabs(distance)) : 0.0f;
        }
        if (distance != 0.0f) t->Move(1, distance);
    }
    vehicleTargetPiece = best.piece;
    vehicleTargetPercent = best.percent;
    return 1;
}

// ---------------------------------------------------------------------------
// The per-frame machine

void ActEditorSelection() {
    if (gameState != EDITOR_RUN_STATE) return;
    UpdateHighlight();

    if (mouseLeftUp) EndLeftDrag();
    if (dragState == SELECT_DRAG) {
        if (mouseRightDown) {
            dragMode = 1;
            dragX = dragY = 0;
            RotateSelection(1, 0.0f, 0.0f);
        }
        if (mouseRightUp) dragMode = 0;
    }
    if (dragState == SELECT_VEHICLE) {
        DragVehicleOnTrack(3);
        return;
    }

    if (dragState == SELECT_DRAG && !dragMode && keyCtrl) {
        dragState = SELECT_HEIGHT;
        dragMode = 1;
        heightMemory = 0;
        dragX = dragY = 0;
    }
    if (dragState == SELECT_HEIGHT) {
        if (dragY != heightMemory) terrobjList.SinkSelection(static_cast<float>(dragY - heightMemory) / 100.0f);
        heightMemory = dragY;
        if (!keyCtrl) {
            dragState = SELECT_DRAG;
            dragMode = 0;
        }
    }

    if (dragState == SELECT_DRAG) {
        float cx = 0.0f, cy = 0.0f;
        DragCentre(&cx, &cy);
        if (keyLeftPressed || keyRightPressed) RotateSelection(2, cx, cy);
        if (dragMode) RotateSelection(0, cx, cy);
        FollowGround();
    }
    if (dragState == SELECT_RECTANGLE) layoutState.SetSelectionCorner(cursorX, cursorY);

    if (ClicksAllowed()) {
        HandleClick();
        // Press and release can arrive in the same frame (a quick click in
        // a window): the drag it started ends at once.
        if (mouseLeftUp) EndLeftDrag();
    }
}
