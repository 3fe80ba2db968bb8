// The track feature windows: detach point, turntable, power feed point,
// barrier, switch, piece names and the choice between building on and the
// control list.
#include <cstdio>
#include <cstring>

#include "app/input.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "editor/editor.h"
#include "editor/handlers.h"
#include "editor/win_tracks.h"
#include "rail/control.h"
#include "rail/layoutstate.h"
#include "rail/manualcontrol.h"
#include "rail/power.h"
#include "rail/track.h"
#include "ui/screenlist.h"
#include "ui/windefs.h"
#include "ui/window.h"

namespace {

constexpr int kFeatureEditLength = TRACKFEATURENAMELEN - 1;
constexpr int kNameEditLength = 15;

int refillDetach = 1;
int refillTtable = 1;
int refillPower = 1;
int refillBarrier = 1;
int refillSwitch = 1;
int refillBuildChoice = 1;
// Build choice: 1 continue building, 2 the control list.
int buildChoice = 1;

// The piece the feature windows edit, when it still exists.
TRACK* SelectedPiece() {
    TRACK* p = layoutState.GetSelectedTrack();
    if (!p) return nullptr;
    for (TRACK* t = trackList.GetFirst(); t; t = t->pNext)
        if (t == p) return p;
    layoutState.SetSelectedTrack(nullptr);
    return nullptr;
}

void ToggleCheck(WINDOW& w, int id) {
    SetWinobjChecked(&w, id, GetWinobjState(&w, id) == WINOBJ_BUTTON_ON ? 0 : 1);
}
int IsChecked(WINDOW& w, int id) { return GetWinobjState(&w, id) == WINOBJ_BUTTON_ON ? 1 : 0; }

void StartEdit(WINDOW& w, int id, const char* text, int maxLength) {
    w.InitWinobjEdit(id, text, maxLength, &myGlobs.pendingKey, nullptr);
}

int GaugeValue(WINDOW& w, int id) {
    const int* v = w.GetWinobjValue(id);
    return v ? *v : 0;
}
void SetGauge(WINDOW& w, int id, int value) {
    if (value < 0) value = 0;
    if (value > 100) value = 100;
    w.ChangeWinobjValue(id, &value);
}

void StartGaugeDrag(int id) {
    gaugeDragItem = id;
    windowList.SetGaugeFromMouse(id, cursorY);
    layoutState.SaveState(editorState);
    gaugeDragState = 1;
}

// --- detach window ---

void CloseDetach() {
    winDetachAttrib.Hide();
    refillDetach = 1;
    ReturnToEditorState();
}

// --- turntable window ---

void CloseTtable() {
    winTtableAttrib.Hide();
    refillTtable = 1;
    editorState = ED_EDIT;
    trackList.HighlightOnly(nullptr);
    // Opened from the build window: its session ends here as well.
    EndBuildTracksSession();
}

// --- power window ---

void ClosePower() {
    winPowerValue.Hide();
    refillPower = 1;
    ReturnToEditorState();
}

// --- barrier window ---

void CloseBarrier() {
    winTrackAttrib.Hide();
    refillBarrier = 1;
    trackList.SetBarrierPreview(nullptr);
    ReturnToEditorState();
}

// --- switch window ---

void CloseSwitch() {
    winSwitchAttrib.Hide();
    refillSwitch = 1;
    editorState = ED_EDIT;
    trackList.HighlightOnly(nullptr);
}

// --- name window ---

void CloseTrackName() {
    winTrackName.Hide();
    winBuildTracks.Show(2);
    editorState = 154;
}

}  // namespace

void ActWIN_DETACH_ATTRIB() {
    TRACK* p = SelectedPiece();
    if (!p) {
        CloseDetach();
        return;
    }
    if (refillDetach) {
        if (winDetachAttrib.GetMode() == 1) {
            StartEdit(winDetachAttrib, 1, p->featureName, kFeatureEditLength);
            SetWinobjChecked(&winDetachAttrib, 2, p->bDetachInTable);
            ShowWinobj(&winDetachAttrib, 3, 1);
        } else {
            char name[TRACKFEATURENAMELEN] = {};
            trackList.MakeDetachName(name);
            StartEdit(winDetachAttrib, 1, name, kFeatureEditLength);
            SetWinobjChecked(&winDetachAttrib, 2, 1);
            ShowWinobj(&winDetachAttrib, 3, 0);
        }
        refillDetach = 0;
    }
    winDetachAttrib.UpdateWinobjEdit(1, &myGlobs.pendingKey);
    if (StartTitleDrag(winDetachAttrib)) return;
    const int hit = winDetachAttrib.HitWinobj(cursorX, cursorY);
    switch (hit) {
        case 0:
        case 1: break;
        case 2: ToggleCheck(winDetachAttrib, 2); break;
        case 3:
            p->RemoveDetachPoint();
            CloseDetach();
            break;
        case 9:
            winDetachAttrib.Hide();
            refillDetach = 1;
            editorState = ED_APPLY_DETACH;
            break;
        case 10:
        case WINOBJ_CLOSEBOX: CloseDetach(); break;
        default: TraceText("Unknown objId by ActWIN_DETACH_ATTRIB()"); break;
    }
}

void ApplyDetachAttrib() {
    TRACK* p = SelectedPiece();
    if (p && !p->IsSwitch()) {
        char name[TRACKFEATURENAMELEN] = {};
        CopyWinobjEditText(&winDetachAttrib, 1, name, sizeof name);
        p->SetDetachPoint(name, IsChecked(winDetachAttrib, 2));
    }
    ReturnToEditorState();
}

void ActWIN_TTABLE_ATTRIB() {
    TRACK* p = SelectedPiece();
    if (!p) {
        CloseTtable();
        return;
    }
    if (refillTtable) {
        if (winTtableAttrib.GetMode() == 1) {
            StartEdit(winTtableAttrib, 1, p->featureName, kFeatureEditLength);
            SetWinobjChecked(&winTtableAttrib, 2, p->bTurntableInTable);
        } else {
            char name[TRACKFEATURENAMELEN] = {};
            trackList.MakeTTableName(name);
            StartEdit(winTtableAttrib, 1, name, kFeatureEditLength);
            SetWinobjChecked(&winTtableAttrib, 2, 1);
        }
        ShowWinobj(&winTtableAttrib, 3, 0);
        refillTtable = 0;
    }
    winTtableAttrib.UpdateWinobjEdit(1, &myGlobs.pendingKey);
    if (StartTitleDrag(winTtableAttrib)) return;
    const int hit = winTtableAttrib.HitWinobj(cursorX, cursorY);
    switch (hit) {
        case 0:
        case 1: break;
        case 2: ToggleCheck(winTtableAttrib, 2); break;
        case 9: {
            const int inTable = IsChecked(winTtableAttrib, 2);
            CopyWinobjEditText(&winTtableAttrib, 1, p->featureName, TRACKFEATURENAMELEN);
            p->bTurntableInTable = inTable;
            // Only a turntable has a cell in the manual control table.
            manualControlTable.SetControl(MCT_TURNTABLE, p, inTable && p->bTurntable);
            CloseTtable();
            break;
        }
        case 10:
        case WINOBJ_CLOSEBOX: CloseTtable(); break;
        default: TraceText("Unknown objId by ActWIN_TTABLE_ATTRIB()"); break;
    }
}

void ActDownWIN_POWER_VALUE() {
    TRACK* p = SelectedPiece();
    if (!p) {
        ClosePower();
        return;
    }
    if (refillPower) {
        if (winPowerValue.GetMode() == 1 && p->pOwnNode) {
            int value = 0, inTable = 0;
            char name[POWERNAMELEN] = {};
            p->pOwnNode->GetInfo(&value, name, &inTable);
            SetWinobjChecked(&winPowerValue, 2, inTable);
            SetGauge(winPowerValue, 8, value * 50 / 10 + 50);
            StartEdit(winPowerValue, 1, name, kFeatureEditLength);
            ShowWinobj(&winPowerValue, 3, 1);
        } else {
            char name[POWERNAMELEN] = {};
            powerList.MakePowerName(name);
            SetWinobjChecked(&winPowerValue, 2, 1);
            SetGauge(winPowerValue, 8, 100);
            StartEdit(winPowerValue, 1, name, kFeatureEditLength);
            ShowWinobj(&winPowerValue, 3, 0);
        }
        refillPower = 0;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%d", PowerValueFromSlider(GaugeValue(winPowerValue, 8)));
    SetWinobjText(&winPowerValue, 22, text);
    if (gaugeDragState == 1) return;
    winPowerValue.UpdateWinobjEdit(1, &myGlobs.pendingKey);
    if (StartTitleDrag(winPowerValue)) return;
    const int hit = winPowerValue.HitWinobj(cursorX, cursorY);
    switch (hit) {
        case 0:
        case 1: break;
        case 2: ToggleCheck(winPowerValue, 2); break;
        case 8: StartGaugeDrag(8); break;
        case 3:
            if (POWER_NODE* n = p->pOwnNode) {
                // Unhooked from its piece, the feed point is removed by the
                // power update together with its controls and table cell.
                n->pTrack = nullptr;
                p->pOwnNode = nullptr;
                powerList.UpdatePower();
            }
            ClosePower();
            break;
        case 9: {
            char name[POWERNAMELEN] = {};
            CopyWinobjEditText(&winPowerValue, 1, name, kFeatureEditLength + 1);
            const int inTable = IsChecked(winPowerValue, 2);
            POWER_NODE* n = powerList.CreateFeedPoint(p, GaugeValue(winPowerValue, 8), name, inTable);
            if (n) manualControlTable.SetControl(MCT_POWER, n, inTable);
            ClosePower();
            break;
        }
        case 10:
        case WINOBJ_CLOSEBOX: ClosePower(); break;
        default: TraceText("Unknown objId by ActDownWIN_POWER_VALUE()"); break;
    }
}

void ActWIN_TRACK_ATTRIB() {
    TRACK* p = SelectedPiece();
    if (!p) {
        CloseBarrier();
        return;
    }
    if (refillBarrier) {
        int value = p->bBarrierInTable;
        if (winTrackAttrib.GetMode() == 1) {
            ShowWinobj(&winTrackAttrib, 3, 1);
        } else {
            ShowWinobj(&winTrackAttrib, 3, 0);
            if (!layoutState.GetEditable()) value = 0;
        }
        SetWinobjChecked(&winTrackAttrib, 2, value);
        StartEdit(winTrackAttrib, 1, p->featureName, kFeatureEditLength);
        refillBarrier = 0;
    }
    winTrackAttrib.UpdateWinobjEdit(1, &myGlobs.pendingKey);
    if (StartTitleDrag(winTrackAttrib)) return;
    const int hit = winTrackAttrib.HitWinobj(cursorX, cursorY);
    switch (hit) {
        case 0:
        case 1: break;
        case 2:
            if (layoutState.GetEditable()) ToggleCheck(winTrackAttrib, 2);
            break;
        case 3:
            p->RemoveBarrier();
            CloseBarrier();
            break;
        case 99: {
            char name[TRACKFEATURENAMELEN] = {};
            CopyWinobjEditText(&winTrackAttrib, 1, name, sizeof name);
            // The barrier goes on the piece this window edits.
            if (trackList.GetBarrierPreview().pTrack != p) trackList.SetBarrierPreview(p);
            trackList.PlaceBarrier(1, name, IsChecked(winTrackAttrib, 2));
            CloseBarrier();
            break;
        }
        case 100:
        case WINOBJ_CLOSEBOX: CloseBarrier(); break;
        default: TraceText("Unknown objId by ActWIN_TRACK_ATTRIB()"); break;
    }
}

void ActWIN_SWITCH_ATTRIB() {
    TRACK* p = SelectedPiece();
    if (!p || !p->IsSwitch()) {
        CloseSwitch();
        return;
    }
    if (refillSwitch) {
        StartEdit(winSwitchAttrib, 1, p->featureName, kFeatureEditLength);
        SetWinobjChecked(&winSwitchAttrib, 2, p->bSwitchInTable);
        refillSwitch = 0;
    }
    winSwitchAttrib.UpdateWinobjEdit(1, &myGlobs.pendingKey);
    if (StartTitleDrag(winSwitchAttrib)) return;
    int hit = winSwitchAttrib.HitWinobj(cursorX, cursorY);
    if (ModeButtonPressed()) hit = 100;
    switch (hit) {
        case 0:
        case 1: break;
        case 2: ToggleCheck(winSwitchAttrib, 2); break;
        case 99: {
            CopyWinobjEditText(&winSwitchAttrib, 1, p->featureName, TRACKFEATURENAMELEN);
            p->bSwitchInTable = IsChecked(winSwitchAttrib, 2);
            manualControlTable.SetControl(MCT_SWITCH, p, p->bSwitchInTable);
            CloseSwitch();
            break;
        }
        case 100:
        case WINOBJ_CLOSEBOX: CloseSwitch(); break;
        default: TraceText("Unknown objId by ActWIN_SWITCH_ATTRIB()"); break;
    }
}

void ActWIN_TRACK_NAME() {
    winTrackName.UpdateWinobjEdit(1, &myGlobs.pendingKey);
    if (StartTitleDrag(winTrackName)) return;
    const int hit = winTrackName.HitWinobj(cursorX, cursorY);
    char name[TRACKNAMELEN] = {};
    switch (hit) {
        case 0:
        case 1: break;
        case 2:
            CopyWinobjEditText(&winTrackName, 1, name, sizeof name);
            trackList.SelectByName(name);
            trackList.FillRenderBuffer();
            break;
        case 9:
            CopyWinobjEditText(&winTrackName, 1, name, sizeof name);
            trackList.SetNameOfSelected(name);
            CloseTrackName();
            break;
        case 10:
        case WINOBJ_CLOSEBOX: CloseTrackName(); break;
        default: TraceText("Unknown objId by ActWIN_TRACK_NAME()"); break;
    }
}

void ActWIN_BUILD_CHOICE() {
    if (refillBuildChoice) {
        buildChoice = 1;
        refillBuildChoice = 0;
    }
    SetWinobjChecked(&winBuildChoice, 1, buildChoice == 1);
    SetWinobjChecked(&winBuildChoice, 2, buildChoice == 2);
    if (StartTitleDrag(winBuildChoice)) return;
    const int hit = winBuildChoice.HitWinobj(cursorX, cursorY);
    switch (hit) {
        case 0: break;
        case 1: buildChoice = 1; break;
        case 2: buildChoice = 2; break;
        case 99:
        case WINOBJ_CLOSEBOX: {
            winBuildChoice.Hide();
            refillBuildChoice = 1;
            TRACK* owner = SelectedPiece();
            if (buildChoice == 2 && owner) {
                winSelectControl.Show(2);
                controlList.FillNameList(&winSelectControl, 1, owner);
                SelectWinListRow(&winSelectControl, 1, 0);
                editorState = 130;
            } else {
                winBuildTracks.Show(0);
                editorState = 154;
            }
            break;
        }
        default: TraceText("Unknown objId by ActWIN_BUILD_CHOICE()"); break;
    }
    SetWinobjChecked(&winBuildChoice, 1, buildChoice == 1);
    SetWinobjChecked(&winBuildChoice, 2, buildChoice == 2);
}

void ResetTrackWindowsForTest() {
    refillDetach = refillTtable = refillPower = refillBarrier = refillSwitch = refillBuildChoice = 1;
    buildChoice = 1;
    ResetBuildTracksForTest();
}
