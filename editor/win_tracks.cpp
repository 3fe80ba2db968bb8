// The build-tracks window: the palette of track types that lays pieces with a
// left click in the view, and the tools that act on the piece under the
// mouse (join free ends, insulate ends, drag and level heights, detach
// points, power feed points, turntables, barriers, names and controls).
#include <cstring>

#include "app/input.h"
#include "app/messagequeue.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "app/filesearch.h"
#include "editor/editor.h"
#include "editor/win_tracks.h"
#include "gfx/screensprites.h"
#include "rail/control.h"
#include "rail/idpool.h"
#include "rail/layoutstate.h"
#include "rail/manualcontrol.h"
#include "rail/power.h"
#include "rail/track.h"
#include "ui/screenlist.h"
#include "ui/windefs.h"
#include "ui/window.h"
#include "world/terrain.h"
#include "world/terrobj.h"
#include "world/xobject.h"

namespace {

// Shortest piece that can carry a turntable.
constexpr float kTurntableMinLength = 3.5f;
// Screen item that ends every tool.
constexpr int kEndToolItem = 650;
constexpr int kNameEditLength = 15;

BUILD_TOOLS tools;
int refill = 1;
// The build window is open (possibly hidden behind one of its feature
// windows): set on opening, cleared on closing.
int sessionOpen = 0;
// Remembered while the window is open.
int savedShowInfo = 0;
int savedShowControls = 1;
// The piece whose height is dragged.
TRACK* heightPiece = nullptr;

bool IsInTrackList(const TRACK* p) {
    if (!p) return false;
    for (TRACK* t = trackList.GetFirst(); t; t = t->pNext)
        if (t == p) return true;
    return false;
}

void AllToolsOff() {
    tools = BUILD_TOOLS{};
    heightPiece = nullptr;
}

// The window's tool items shown inactive.
void ClearToolItems() {
    static const int items[] = {2, 3, 4, 5, 6, 7, 8, 10, 11, 19};
    for (int id : items) SetWinobjActive(&winBuildTracks, id, 0);
}

// Turns one tool on (the others off) with its item shown active and its
// cursor icon; selection is off while a tool works in the view.
void StartTool(int* flag, int item, int icon) {
    AllToolsOff();
    ClearToolItems();
    *flag = 1;
    SetWinobjActive(&winBuildTracks, item, 1);
    screenSprites.SetCursorIcon(icon);
    layoutState.SetToolOption(0);
    chosenTrackType = -1;
}

void ClearMarksAndHighlights() {
    trackList.ClearHighlight();
    terrobjList.ClearMarks();
    controlList.SetMarkedTarget(nullptr);
}

// Item 650 and closing: every tool off and every mark gone.
void EndAllTools() {
    AllToolsOff();
    ClearToolItems();
    trackList.ClearEndMarks();
    ClearMarksAndHighlights();
    trackList.SetBarrierPreview(nullptr);
    screenSprites.SetCursorIcon(-1);
    layoutState.SetToolOption(1);
    chosenTrackType = -1;
}

// Hands the view over to a feature window opened by a tool.
void HideForFeatureWindow() {
    winBuildTracks.Hide();
    screenSprites.SetCursorIcon(-1);
}

void FillWindow() {
    savedShowInfo = layoutState.GetShowInfo();
    layoutState.SetShowInfo(1);
    FillObjectTypeList(&winBuildTracks, 1, TRACK_TYPE, DUMMY_TYPE, DUMMY_TYPE);
    chosenTrackType = -1;
    if (layoutState.GetEditable()) GetWinListSelectedValue(&winBuildTracks, 1, &chosenTrackType);
    buildAngle = 0.0f;
    AllToolsOff();
    ClearToolItems();
    const int editable = layoutState.GetEditable() ? 1 : 0;
    const int modeOne = (layoutState.GetMode() == 1 && editable) ? 1 : 0;
    for (int id : {3, 6, 12, 13}) ShowWinobj(&winBuildTracks, id, modeOne);
    for (int id : {2, 4, 5, 8, 10, 11, 14, 15, 16, 17, 18, 19}) ShowWinobj(&winBuildTracks, id, editable);
    savedShowControls = controlList.GetShowControls();
    controlList.SetShowControls(1);
    // A type still chosen in the palette lays pieces at once.
    tools.palette = chosenTrackType != -1 ? 1 : 0;
    layoutState.SetToolOption(tools.palette ? 0 : 1);
    sessionOpen = 1;
}

// Pick of the piece under the mouse, or null.
TRACK* PieceUnderMouse(int* endIndex = nullptr) {
    TRACK* p = nullptr;
    if (!trackList.PickTrack(&p, endIndex, nullptr)) p = nullptr;
    return p;
}

void Highlight(TRACK* p) {
    if (p) trackList.HighlightOnly(p);
    else trackList.ClearHighlight();
}

// --- admission of pieces by each tool ---

bool RefusedByDetach(const TRACK* p) {
    return p->IsSwitch() || p->bTurntable || p->pOwnNode || controlList.HasControls(p);
}
bool RefusedByTurntable(const TRACK* p) {
    return p->IsSwitch() || p->pOwnNode || controlList.HasControls(p) || p->bDetach || p->bBarrier ||
           p->length < kTurntableMinLength;
}
bool RefusedByPower(const TRACK* p) {
    return p->IsSwitch() || p->bTurntable || (p->pFeedNode && !p->pOwnNode) || controlList.HasControls(p) ||
           p->bDetach || p->bBarrier;
}
bool RefusedByJoin(const TRACK* p) {
    if (p->IsSwitch() || p->bTurntable) return true;
    const int free = (p->end[0].state == END_FREE ? 1 : 0) + (p->end[1].state == END_FREE ? 1 : 0);
    return free != 1;
}
bool RefusedAsControlOwner(const TRACK* p) { return p->IsSwitch() || p->pOwnNode || p->bDetach || p->bBarrier; }
bool RefusedByBarrier(const TRACK* p) { return p->IsSwitch() || p->bTurntable || p->pOwnNode || p->bDetach; }

// --- items ---

void ChooseItem(int id) {
    switch (id) {
        case 1:
            if (!layoutState.GetEditable()) break;
            AllToolsOff();
            ClearToolItems();
            tools.palette = 1;
            screenSprites.SetCursorIcon(-1);
            // A press in the view lays a piece: the selection must not take
            // it first.
            layoutState.SetToolOption(0);
            trackList.ClearEndMarks();
            ClearMarksAndHighlights();
            break;
        case 2:
            StartTool(&tools.join, 2, 646);
            tools.joinPhase = 1;
            trackList.DeselectAll();
            trackList.FillRenderBuffer();
            ClearMarksAndHighlights();
            break;
        case 3: StartTool(&tools.insulate, 3, 648); break;
        case 4:
            StartTool(&tools.height, 4, 645);
            tools.dragging = 0;
            break;
        case 5: StartTool(&tools.detach, 5, 649); break;
        case 19: StartTool(&tools.turntable, 19, 712); break;
        case 6: StartTool(&tools.power, 6, 651); break;
        case 7:
            AllToolsOff();
            ClearToolItems();
            if (trackList.HighlightSpecialTracks(0) || terrobjList.MarkControllable(0)) {
                StartTool(&tools.control, 7, 647);
                tools.controlPhase = 1;
            } else {
                messageQueue.AddMessage(texts.Get(64), 0xFFFFFFFF);
                screenSprites.SetCursorIcon(-1);
                layoutState.SetToolOption(1);
            }
            break;
        case 8:
            if (tools.name) {
                tools.namePhase = 2;
            } else {
                StartTool(&tools.name, 8, 641);
                tools.namePhase = 1;
            }
            break;
        case 10:
            StartTool(&tools.barrier, 10, 643);
            trackList.SetBarrierPreview(nullptr);
            break;
        case 11:
            if (trackList.IsAnySelected()) {
                trackList.LevelTerrainUnderSelection();
            } else {
                StartTool(&tools.level, 11, myGlobs.secondEdition ? 707 : 652);
                tools.dragging = 0;
            }
            break;
        case 9:
        case WINOBJ_CLOSEBOX:
            controlList.SetShowControls(savedShowControls);
            EndAllTools();
            winBuildTracks.Hide();
            layoutState.SetShowInfo(savedShowInfo);
            layoutState.SetBuildInfo(0);
            chosenTrackType = -1;
            sessionOpen = 0;
            refill = 1;
            editorState = ED_EDIT;
            break;
        case 0:
        case 12:
            break;
        default:
            TraceText("Unknown objId by ActWIN_BUILD_TRACKS()");
            break;
    }
}

// --- tool steps ---

void PaletteStep() {
    if (!tools.palette) return;
    GetWinListSelectedValue(&winBuildTracks, 1, &chosenTrackType);
}

void InsulationStep(bool overWindow) {
    if (!tools.insulate || overWindow) return;
    int e = -1;
    TRACK* p = PieceUnderMouse(&e);
    trackList.MarkConnectedEnds(p);
    Highlight(p);
    if (p && mouseLeftDown) {
        // Recompute which end is under the mouse now that its marks are set.
        trackList.PickTrack(&p, &e, nullptr);
        if (p && e >= 0) p->ToggleInsulation(e);
    }
}

void DetachStep(bool overWindow) {
    if (!tools.detach || overWindow) return;
    TRACK* p = PieceUnderMouse();
    if (p && RefusedByDetach(p)) p = nullptr;
    Highlight(p);
    if (!p || !mouseLeftDown) return;
    layoutState.SetSelectedTrack(p);
    HideForFeatureWindow();
    attribReturnState = 154;
    winDetachAttrib.Show(p->bDetach ? 1 : 0);
    editorState = 128;
}

void TurntableStep(bool overWindow) {
    if (!tools.turntable || overWindow) return;
    TRACK* p = PieceUnderMouse();
    if (p && RefusedByTurntable(p)) p = nullptr;
    Highlight(p);
    if (!p || !mouseLeftDown) return;
    layoutState.SetSelectedTrack(p);
    HideForFeatureWindow();
    winTtableAttrib.Show(p->bTurntable ? 1 : 0);
    editorState = 180;
}

void PowerStep(bool overWindow) {
    if (!tools.power || overWindow) return;
    TRACK* p = PieceUnderMouse();
    if (p && RefusedByPower(p)) p = nullptr;
    Highlight(p);
    if (!p || !mouseLeftDown) return;
    layoutState.SetSelectedTrack(p);
    HideForFeatureWindow();
    attribReturnState = 154;
    winPowerValue.Show(p->pOwnNode ? 1 : 0);
    editorState = 118;
}

void JoinStep(bool overWindow) {
    if (!tools.join || overWindow) return;
    TRACK* p = PieceUnderMouse();
    if (p && RefusedByJoin(p)) p = nullptr;
    Highlight(p);
    if (!p || !mouseLeftDown) return;
    if (p->bSelected) {
        p->bSelected = 0;
        tools.joinPhase = 1;
        trackList.FillRenderBuffer();
    } else if (tools.joinPhase == 1) {
        p->bSelected = 1;
        trackList.FillRenderBuffer();
        tools.joinPhase = 2;
    } else {
        p->bSelected = 1;
        CompleteRoad();
        tools.joinPhase = 1;
        trackList.DeselectAll();
        trackList.FillRenderBuffer();
    }
}

void ShowControlTargets() {
    trackList.HighlightSpecialTracks(1);
    terrobjList.MarkControllable(1);
}

void ControlStep(bool overWindow) {
    if (!tools.control) return;
    if (tools.controlPhase == 2) {
        ShowControlTargets();
        tools.controlPhase = 3;
    }
    if (overWindow) return;
    if (tools.controlPhase == 1) {
        TRACK* p = PieceUnderMouse();
        if (p && RefusedAsControlOwner(p)) p = nullptr;
        controlList.SetMarkedTarget(p);
        terrobjList.ClearMarks();
        if (!p || !mouseLeftDown) return;
        if (controlList.HasControls(p)) {
            layoutState.SetSelectedTrack(p);
            HideForFeatureWindow();
            winBuildChoice.Show(2);
            editorState = 158;
        } else {
            controlList.SetMarkedTarget(nullptr);
            ShowControlTargets();
            layoutState.SetSelectedTrack(p);
            tools.controlPhase = 3;
        }
        return;
    }
    if (tools.controlPhase != 3 || !mouseLeftDown) return;
    // The owner must still exist.
    if (!IsInTrackList(layoutState.GetSelectedTrack())) {
        tools.controlPhase = 1;
        ClearMarksAndHighlights();
        return;
    }
    TRACK* piece = PieceUnderMouse();
    TERROBJ* object = nullptr;
    if (!piece) {
        int type = 0, objId = 0;
        terrobjList.FindUnderCursor(&type, &objId, &object);
    }
    if (!piece && !object) return;
    if (!OpenNewControlAttrib(piece, piece ? nullptr : object)) return;
    ClearMarksAndHighlights();
    if (piece) trackList.HighlightOnly(piece);
    else object->SetMark(1);
    HideForFeatureWindow();
    tools.controlPhase = 1;
}

void NameStep(bool overWindow) {
    if (tools.name) {
        layoutState.SetShowInfo(0);
        layoutState.SetBuildInfo(1);
    } else {
        layoutState.SetShowInfo(1);
        layoutState.SetBuildInfo(0);
        return;
    }
    if (tools.namePhase == 2) {
        trackList.ClearHighlight();
        HideForFeatureWindow();
        winTrackName.Show(2);
        winTrackName.InitWinobjEdit(1, "", kNameEditLength, &myGlobs.pendingKey, nullptr);
        editorState = 145;
        tools.namePhase = 1;
        return;
    }
    if (overWindow) return;
    TRACK* p = PieceUnderMouse();
    Highlight(p);
    if (p && mouseLeftDown) {
        p->bSelected = p->bSelected ? 0 : 1;
        trackList.FillRenderBuffer();
    }
}

void BarrierStep(bool overWindow) {
    if (!tools.barrier) {
        trackList.SetBarrierPreview(nullptr);
        return;
    }
    if (overWindow) return;
    TRACK* p = PieceUnderMouse();
    if (p && RefusedByBarrier(p)) p = nullptr;
    Highlight(p);
    if (p) {
        // The preview stays on the last accepted piece, so that the posts
        // beside it can be aimed at.
        trackList.SetBarrierPreview(p);
        layoutState.SetSelectedTrack(p);
    }
    if (!mouseLeftDown) return;
    TRACK* target = trackList.GetBarrierPreview().pTrack;
    if (!target || !IsInTrackList(target)) return;
    trackList.PickBarrierPoint();
    if (!trackList.PlaceBarrier(0, nullptr, 0)) return;
    layoutState.SetSelectedTrack(target);
    HideForFeatureWindow();
    winTrackAttrib.Show(target->bBarrier ? 1 : 0);
    winTrackAttrib.InitWinobjEdit(1, "", kNameEditLength, &myGlobs.pendingKey, nullptr);
    attribReturnState = 154;
    editorState = 164;
}

void HeightStep(bool overWindow) {
    if (!tools.height) return;
    if (tools.dragging) {
        if (mouseLeftUp || !IsInTrackList(heightPiece)) {
            dragMode = 0;
            tools.dragging = 0;
            heightPiece = nullptr;
            screenSprites.SetCursorIcon(645);
            return;
        }
        screenSprites.SetCursorIcon(637);
        trackList.DragTrackHeight(heightPiece, static_cast<float>(dragY), 2);
        trackList.FillRenderBuffer();
        return;
    }
    if (overWindow) return;
    TRACK* p = PieceUnderMouse();
    Highlight(p);
    if (!p || !mouseLeftDown) return;
    dragMode = 1;
    dragY = 0;
    trackList.DragTrackHeight(p, 0.0f, 1);
    heightPiece = p;
    tools.dragging = 1;
}

void LevelStep(bool overWindow) {
    if (!tools.level) return;
    if (tools.dragging && mouseLeftUp) {
        tools.dragging = 0;
        return;
    }
    if (overWindow) return;
    TRACK* p = PieceUnderMouse();
    Highlight(p);
    if (tools.dragging) {
        if (p) {
            trackList.LevelTrack(p, 0);
            trackList.FillRenderBuffer();
        }
        return;
    }
    if (!p || !mouseLeftDown) return;
    trackList.LevelTrack(p, 1);
    trackList.FillRenderBuffer();
    tools.dragging = 1;
}

}  // namespace

const BUILD_TOOLS& GetBuildTools() { return tools; }

void ActWIN_BUILD_TRACKS() {
    if (refill) {
        FillWindow();
        refill = 0;
    }
    if (winBuildTracks.GetMode() == 0) {
        tools.controlPhase = 2;
        winBuildTracks.SetMode(2);
    }
    UpdateWinList(&winBuildTracks, 1);
    if (winBuildTracks.IsTitleClicked()) {
        layoutState.StartDrag(cursorX, cursorY);
        layoutState.SaveState(editorState);
        editorState = ED_WINDOW_DRAG;
        return;
    }

    int clicked = SCREENLIST_NONE, phase = 1;
    screenList.GetClick(&clicked, &phase);
    if (clicked == kEndToolItem && phase == 0) {
        EndAllTools();
        return;
    }
    int hit = winBuildTracks.HitWinobj(cursorX, cursorY);
    if (clicked != SCREENLIST_NONE && phase == 0 && IsModeButton(clicked)) hit = 9;
    if (hit != 0) ChooseItem(hit);
    if (editorState != 154) return;

    const bool overWindow = windowList.IsMouseOverAny() != 0;
    PaletteStep();
    InsulationStep(overWindow);
    DetachStep(overWindow);
    if (editorState != 154) return;
    TurntableStep(overWindow);
    if (editorState != 154) return;
    PowerStep(overWindow);
    if (editorState != 154) return;
    JoinStep(overWindow);
    ControlStep(overWindow);
    if (editorState != 154) return;
    NameStep(overWindow);
    if (editorState != 154) return;
    BarrierStep(overWindow);
    if (editorState != 154) return;
    HeightStep(overWindow);
    LevelStep(overWindow);
}

void ActDownBUILD_TRACKS() {
    if (windowList.IsMouseOverAny() || screenList.IsMouseOverItem() || manualControlTable.IsMouseOver()) return;
    if (chosenTrackType == -1) return;
    if (!terrain.IsCursorOnTerrain()) return;
    TRACK* p = trackList.AddNewTrack(chosenTrackType);
    if (!p) return;
    if (trackList.ConnectTrack(p, 0)) {
        powerList.UpdatePower();
        trackList.DetGroundStates();
    } else {
        idPool.AssignId(p);
        p->DetGroundState();
    }
    trackList.FillRenderBuffer();
    if (p->IsSwitch()) manualControlTable.SetControl(MCT_SWITCH, p, p->bSwitchInTable);
}

void CompleteRoad() {
    TRACK* first = nullptr;
    TRACK* second = nullptr;
    float along = 0.0f, side = 0.0f;
    int sign = 0;
    int result = trackList.DetCompleteRoadGap(&first, &second, &along, &side, &sign);
    if (result == 100) {
        result = trackList.InsertCompleteRoad(first, second, along, side, sign);
        if (result == 100) {
            trackList.RebuildConnections();
            trackList.FillRenderBuffer();
            return;
        }
    }
    int text = -1;
    switch (result) {
        case 420: text = 42; break;
        case 430: text = 43; break;
        case 440: text = 44; break;
        case 441: text = 45; break;
        case 450: text = 46; break;
        case 460: text = 47; break;
        case 470: text = 48; break;
        case 480: text = 49; break;
        default: break;
    }
    if (text < 0) {
        TraceText("Unknown result by CompleteRoad()");
        return;
    }
    messageQueue.AddMessage(texts.Get(text), 0xFFFFFFFF);
}

// Called by the turntable window when it closes to plain editing while the
// build window is open behind it: the build window's session ends too.
void EndBuildTracksSession() {
    if (!sessionOpen) return;
    controlList.SetShowControls(savedShowControls);
    EndAllTools();
    layoutState.SetShowInfo(savedShowInfo);
    layoutState.SetBuildInfo(0);
    chosenTrackType = -1;
    sessionOpen = 0;
    refill = 1;
}

void ResetBuildTracksForTest() {
    AllToolsOff();
    refill = 1;
    sessionOpen = 0;
    savedShowInfo = 0;
    savedShowControls = 1;
}
