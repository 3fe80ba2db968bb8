// The windows that put scenery objects and vehicles, shape and paint the
// terrain, size or resize the table, colour objects, choose the sky box, set
// a vehicle's flags and choose what the mouse may select.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/filesearch.h"
#include "app/input.h"
#include "app/messagequeue.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "editor/editor.h"
#include "editor/handlers.h"
#include "editor/win_system.h"
#include "gfx/render.h"
#include "gfx/screensprites.h"
#include "rail/idpool.h"
#include "rail/layoutstate.h"
#include "rail/manualcontrol.h"
#include "rail/power.h"
#include "rail/track.h"
#include "rail/train.h"
#include "sound/soundmanager.h"
#include "ui/screenlist.h"
#include "ui/windefs.h"
#include "ui/window.h"
#include "world/lightlist.h"
#include "world/skybox.h"
#include "world/terrain.h"
#include "world/terrobj.h"
#include "world/xobject.h"

namespace {

constexpr int kNoObject = 200;
constexpr int kNoCursorIcon = -1;
constexpr uint32_t kWhite = 0xFFFFFFFF;
// The screen item that ends the current tool.
constexpr int kEndToolItem = 650;

// --- shared handler steps ---

// The toolbar item clicked this frame with its phase.
void GetScreenClick(int* id, int* phase) {
    *id = SCREENLIST_NONE;
    *phase = 1;
    screenList.GetClick(id, phase);
}

bool EndToolPressed() {
    int id, phase;
    GetScreenClick(&id, &phase);
    return id == kEndToolItem && phase == 0;
}

void CloseTo(WINDOW& window, bool& refill, int state = ED_EDIT) {
    window.Hide();
    refill = true;
    if (state == ED_EDIT) layoutState.SetToolOption(1);
    editorState = state;
}

// A percentage as the windows show it: "%f" cut after its fourth character,
// a "." in the fourth place turned into a blank, then "%".
void FormatPercent(float value, char* out, int outSize) {
    char number[64];
    std::snprintf(number, sizeof number, "%f", value);
    number[4] = 0;
    if (number[3] == '.') number[3] = ' ';
    JoinStrings(out, outSize, number, "%");
}

// No placing or clicking in the 3-D view while the mouse is on the interface.
bool MouseOnInterface() {
    return windowList.IsMouseOverAny() || screenList.IsMouseOverItem() || manualControlTable.IsMouseOver();
}

// --- put objects ---

const int kObjectLists[6] = {3, 4, 5, 6, 13, 16};
bool putObjRefill = true;
bool putObjPlacing = false;
int putObjList = 3;

void ShowOnlyObjectList(int list) {
    for (int id : kObjectLists) ShowWinobj(&winPutObj, id, id == list ? 1 : 0);
    putObjList = list;
}

void FillPutObj() {
    FillObjectTypeList(&winPutObj, 3, HOUSE_TYPE, DUMMY_TYPE, DUMMY_TYPE);
    FillObjectTypeList(&winPutObj, 4, RAILWAY_TYPE, DUMMY_TYPE, DUMMY_TYPE);
    FillObjectTypeList(&winPutObj, 5, INDUSTRY_TYPE, DUMMY_TYPE, DUMMY_TYPE);
    FillObjectTypeList(&winPutObj, 13, PLANT_TYPE, DUMMY_TYPE, DUMMY_TYPE);
    FillObjectTypeList(&winPutObj, 16, SIGN_TYPE, DUMMY_TYPE, DUMMY_TYPE);
    if (myGlobs.useSignType) {
        FillObjectTypeList(&winPutObj, 6, LAMP_TYPE, MISC_TYPE, DUMMY_TYPE);
    } else {
        FillObjectTypeList(&winPutObj, 6, LAMP_TYPE, MISC_TYPE, SIGN_TYPE);
        ShowWinobj(&winPutObj, 17, 0);
    }
    ShowOnlyObjectList(3);
    putObjPlacing = false;
    placeAngle = 0.0f;
    layoutState.SetToolOption(1);
}

// The objId of the row chosen in a list of object types, 200 for none.
int SelectedObjId(WINDOW* window, int list) {
    int index = -1;
    GetWinListSelectedObject(window, list, &index);
    if (index < 0 || index >= myGlobs.xObjectCount || index >= MAXXOBJECTS || !myGlobs.xObjects) return kNoObject;
    return myGlobs.xObjects[index].GetObjId();
}

// A turntable piece from the object window: the heading snapped to 22.5.
void PutTurntable(int objId) {
    float angle = static_cast<float>(static_cast<int>(placeAngle / 22.5f + 0.5f)) * 22.5f;
    while (angle < 0.0f) angle += 360.0f;
    while (angle >= 360.0f) angle -= 360.0f;
    buildAngle = angle;
    TRACK* p = trackList.AddNewTrack(1);
    if (!p) return;
    if (trackList.ConnectTrack(p, 0)) {
        powerList.UpdatePower();
        trackList.DetGroundStates();
    } else {
        idPool.AssignId(p);
        p->DetGroundState();
    }
    trackList.MakeTTableName(p->featureName);
    p->bTurntable = 1;
    p->bTurning = 0;
    p->bTurntableInTable = 1;
    p->turntableObj = objId;
    p->targetHeading = buildAngle;
    p->pitHeading = buildAngle;
    trackList.FillRenderBuffer();
    manualControlTable.SetControl(4, p, 1);
}

// --- put vehicles ---

bool putVehRefill = true;
bool putVehPlacing = false;
int putVehList = 1;

void ShowOnlyVehicleList(int list) {
    for (int id = 1; id <= 3; ++id) ShowWinobj(&winPutVehicles, id, id == list ? 1 : 0);
    putVehList = list;
}

// --- terrain ---

struct TerrainTools {
    int shadeBrighter = 0;
    int shadeDarker = 0;
    int paint = 0;
    int raiseLower = 0;
    int flatten = 0;
    int brushPaint = 1;  // 1 brush, 0 cell
    int active = 0;
    int texture = -1;
    int red = 0, green = 0, blue = 0;
    int blur = 0;
};
TerrainTools tools;
bool terrainRefill = true;

void TerrainToolsOff() {
    tools.shadeBrighter = tools.shadeDarker = tools.paint = tools.raiseLower = tools.flatten = 0;
    tools.active = 0;
}

bool AnyTerrainTool() {
    return tools.shadeBrighter || tools.shadeDarker || tools.paint || tools.raiseLower || tools.flatten;
}

void ShowGridButtons() {
    const int grid = terrain.IsGridView();
    ShowWinobj(&winEdTerrain, 1, grid ? 0 : 1);
    ShowWinobj(&winEdTerrain, 2, grid ? 1 : 0);
}

void ShowPaintModeButtons() {
    ShowWinobj(&winEdTerrain, 6, tools.brushPaint ? 1 : 0);
    ShowWinobj(&winEdTerrain, 5, tools.brushPaint ? 0 : 1);
}

void FillEdTerrain() {
    tools.brushPaint = 1;
    ShowPaintModeButtons();
    ShowGridButtons();
    terrain.GetShadeChannels(&tools.red, &tools.green, &tools.blue);
    tools.blur = terrain.GetBlurVisible();
    SetWinobjChecked(&winEdTerrain, 13, tools.red);
    SetWinobjChecked(&winEdTerrain, 14, tools.green);
    SetWinobjChecked(&winEdTerrain, 15, tools.blue);
    SetWinobjChecked(&winEdTerrain, 18, tools.blur);
    SetWinobjSlider(&winEdTerrain, 8, terrain.GetBrushRadius());
    FillTerrainTextureList(&winEdTerrain, 11);
    TerrainToolsOff();
    tools.texture = -1;
    layoutState.SetToolOption(1);
}

void CloseEdTerrain(int state) {
    screenSprites.SetCursorIcon(kNoCursorIcon);
    if (tools.raiseLower && tools.active) dragMode = 0;
    TerrainToolsOff();
    terrain.SetEditCursorOn(0);
    terrain.SetEditCursorFollow(0);
    terrain.SetEditCursorRepick(0);
    CloseTo(winEdTerrain, terrainRefill, state);
}

// The ground changed under pieces and objects.
void AfterGroundStroke() {
    trackList.DetGroundStates();
    terrobjList.BuildShadowSprites();
}

void RunTerrainTools() {
    const bool overWindow = windowList.IsMouseOverAny() != 0;
    const bool press = mouseLeftDown && !overWindow && !IsDeleteKeyPress();
    const bool release = mouseLeftUp != 0;
    SetWinobjActive(&winEdTerrain, 3, tools.shadeBrighter);
    SetWinobjActive(&winEdTerrain, 4, tools.shadeDarker);
    SetWinobjActive(&winEdTerrain, 7, tools.raiseLower);
    SetWinobjActive(&winEdTerrain, 12, tools.flatten);
    if (tools.shadeBrighter || tools.shadeDarker) {
        const int darker = tools.shadeDarker;
        screenSprites.SetCursorIcon(darker ? 617 : 615);
        if (press) tools.active = 1;
        if (release) tools.active = 0;
        if (tools.active) {
            terrain.ShadeAtCursor(darker);
            screenSprites.SetCursorIcon(darker ? 618 : 616);
        }
    }
    if (tools.flatten) {
        terrain.SetEditCursorOn(1);
        terrain.SetEditCursorRepick(1);
        screenSprites.SetCursorIcon(644);
        if (press) {
            terrain.FlattenAtCursor(1);
            tools.active = 1;
        }
        if (tools.active && release) {
            tools.active = 0;
            AfterGroundStroke();
        }
        if (tools.active) {
            terrain.FlattenAtCursor(3);
            UpdateCamera(1);
            terrobjList.BuildBatches();
        }
    }
    terrain.SetBrushSize(GetWinobjSlider(&winEdTerrain, 8));
    if (tools.raiseLower) {
        terrain.SetEditCursorOn(1);
        screenSprites.SetCursorIcon(621);
        if (press) {
            dragMode = 1;
            dragY = 0;
            terrain.RaiseLowerAtCursor(0, 1);
            tools.active = 1;
        }
        if (tools.active && release) {
            tools.active = 0;
            dragMode = 0;
            AfterGroundStroke();
        }
        if (tools.active) {
            terrain.RaiseLowerAtCursor(dragY, 3);
            UpdateCamera(1);
            terrobjList.BuildBatches();
            screenSprites.SetCursorIcon(622);
        } else {
            terrain.SetEditCursorFollow(1);
        }
    }
    if (tools.paint) {
        if (tools.brushPaint) {
            terrain.SetEditCursorOn(1);
            terrain.SetEditCursorRepick(1);
        }
        if (press && tools.texture != -1) tools.active = 1;
        if (release) tools.active = 0;
        if (tools.active) {
            terrain.SetPaintTexture(tools.texture);
            if (tools.brushPaint) terrain.PaintBrush();
            else terrain.PaintCell();
        }
    }
}

// --- table size, resize ---

bool tableRefill = true;
int tableChoice = 0;  // 0: layout mode 1, 1: layout mode 0
bool resizeRefill = true;

void ActivateEdit(WINDOW* window, int active, int other) {
    SetWinobjActive(window, active, 1);
    SetWinobjActive(window, other, 0);
}

bool IsEditActive(WINDOW& window, int id) {
    const WINOBJ* o = window.FindWinobj(id);
    return o && o->edit && o->edit->active;
}

int ReadEditNumber(WINDOW* window, int id) {
    char text[WINEDIT_BUFFERLEN];
    CopyWinobjEditText(window, id, text, sizeof text);
    return std::atoi(text);
}

// --- colours ---

bool houseRefill = true;
bool objColourRefill = true;

// The object the colour windows work on, when it is still placed.
TERROBJ* ColourTarget() {
    TERROBJ* o = layoutState.GetSelectedTerrobj();
    for (TERROBJ* p = terrobjList.GetFirst(); p; p = p->next)
        if (p == o) return o;
    return nullptr;
}

// --- sky box, vehicle flags, selection options ---

bool skyboxRefill = true;
bool vehicleRefill = true;
bool selOptRefill = true;

// The vehicle the flags window works on, when it is still placed.
TRAIN* FlagsTarget() {
    TRAIN* t = layoutState.GetSelectedVehicle();
    for (TRAIN* p = trainList.GetFirst(); p; p = p->pNext)
        if (p == t) return t;
    return nullptr;
}

int Checked(WINDOW* window, int id) { return GetWinobjState(window, id) == WINOBJ_BUTTON_ON; }

}  // namespace

uint32_t DeriveBarColour(uint32_t base, float x) {
    uint32_t result = 0xFF000000;
    for (int shift = 0; shift <= 16; shift += 8) {
        const float c = static_cast<float>((base >> shift) & 0xFF);
        float v;
        if (x > 50.0f) v = c * (1.0f - (x - 50.0f) / 50.0f);
        else v = (1.0f - x / 50.0f) * 255.0f + x / 50.0f * c;
        if (v < 0.0f) v = 0.0f;
        if (v > 255.0f) v = 255.0f;
        result |= static_cast<uint32_t>(static_cast<int>(v)) << shift;
    }
    return result;
}

void ResetObjectWindowsForTest() {
    putObjRefill = putVehRefill = terrainRefill = tableRefill = resizeRefill = true;
    houseRefill = objColourRefill = skyboxRefill = vehicleRefill = selOptRefill = true;
    putObjPlacing = putVehPlacing = false;
    tools = TerrainTools{};
    tableChoice = 0;
}

// ---------------------------------------------------------------------------
// Put objects

void ActDownWIN_PUT_OBJ() {
    if (putObjRefill) {
        FillPutObj();
        putObjRefill = false;
    }
    char fill[32];
    FormatPercent(terrobjList.GetBatchFillPercent(), fill, sizeof fill);
    SetWinobjText(&winPutObj, 15, fill);
    for (int id : kObjectLists) UpdateWinList(&winPutObj, id);
    if (StartTitleDrag(winPutObj)) return;
    if (EndToolPressed()) {
        putObjPlacing = false;
        layoutState.SetToolOption(1);
    }
    int item = winPutObj.HitWinobj(cursorX, cursorY);
    if (ModeButtonPressed()) item = 9;
    switch (item) {
        case 0:
        case 15: break;
        case 3:
        case 4:
        case 5:
        case 6:
        case 13:
        case 16:
            putObjPlacing = true;
            putObjList = item;
            break;
        case 7: ShowOnlyObjectList(3); break;
        case 8: ShowOnlyObjectList(4); break;
        case 11: ShowOnlyObjectList(5); break;
        case 12: ShowOnlyObjectList(6); break;
        case 14: ShowOnlyObjectList(13); break;
        case 17: ShowOnlyObjectList(16); break;
        case 9:
        case 101:
            putObjPlacing = false;
            layoutState.SetObjectToPlace(0, kNoObject);
            CloseTo(winPutObj, putObjRefill);
            return;
        default: TraceText("Unknown objId by ActDownWIN_PUT_OBJ()"); break;
    }
    int objId = kNoObject, type = 0;
    if (putObjPlacing) {
        layoutState.SetToolOption(0);
        objId = SelectedObjId(&winPutObj, putObjList);
        if (objId != kNoObject) type = GetObjTypeById(objId);
    } else {
        for (int id : kObjectLists) SetWinobjActive(&winPutObj, id, 0);
    }
    layoutState.SetObjectToPlace(type, objId);
}

void ActDownPUT_OBJ() {
    if (MouseOnInterface() || !terrain.IsCursorOnTerrain()) return;
    const int objId = layoutState.GetObjectToPlace();
    if (objId == kNoObject) return;
    float x = 0.0f, y = 0.0f, z = 0.0f;
    if (!terrain.PickForObject(objId, &x, &y, &z)) return;
    if (objId >= 1400 && objId <= 1499) {
        PutTurntable(objId);
        return;
    }
    if (!terrobjList.AddNew(layoutState.GetObjectKind(), objId, x, y, z, placeAngle, 0.0f, 0.0f)) return;
    terrobjList.BuildBatches();
    terrobjList.BuildShadowSprites();
    if (lightList.IsNight()) {
        trackList.FillRenderBuffer();
        terrain.UpdateNightLighting();
    }
}

// ---------------------------------------------------------------------------
// Put vehicles

void ActDownWIN_PUT_VEHICLES() {
    if (putVehRefill) {
        FillObjectTypeList(&winPutVehicles, 1, ENGINE_TYPE, DUMMY_TYPE, DUMMY_TYPE);
        FillObjectTypeList(&winPutVehicles, 2, CWAGON_TYPE, DUMMY_TYPE, DUMMY_TYPE);
        FillObjectTypeList(&winPutVehicles, 3, PWAGON_TYPE, DUMMY_TYPE, DUMMY_TYPE);
        ShowOnlyVehicleList(1);
        placeAngle = 90.0f;
        putVehPlacing = false;
        layoutState.SetToolOption(1);
        putVehRefill = false;
    }
    for (int id = 1; id <= 3; ++id) UpdateWinList(&winPutVehicles, id);
    if (StartTitleDrag(winPutVehicles)) return;
    if (EndToolPressed()) {
        putVehPlacing = false;
        layoutState.SetToolOption(1);
    }
    int item = winPutVehicles.HitWinobj(cursorX, cursorY);
    if (ModeButtonPressed()) item = 9;
    switch (item) {
        case 0: break;
        case 1:
        case 2:
        case 3:
            putVehPlacing = true;
            putVehList = item;
            break;
        case 6: ShowOnlyVehicleList(1); break;
        case 7: ShowOnlyVehicleList(2); break;
        case 8: ShowOnlyVehicleList(3); break;
        case 9:
        case 101:
            screenSprites.SetCursorIcon(kNoCursorIcon);
            trackList.ClearHighlight();
            putVehPlacing = false;
            layoutState.SetVehicleToPlace(0, kNoObject);
            layoutState.SetSelectedTrack(nullptr);
            CloseTo(winPutVehicles, putVehRefill);
            return;
        default: TraceText("Unknown objId by ActDownWIN_PUT_VEHICLES()"); break;
    }
    int objId = kNoObject, type = 0;
    if (putVehPlacing) {
        layoutState.SetToolOption(0);
        objId = SelectedObjId(&winPutVehicles, putVehList);
        if (objId != kNoObject) type = GetObjTypeById(objId);
    } else {
        for (int id = 1; id <= 3; ++id) SetWinobjActive(&winPutVehicles, id, 0);
    }
    layoutState.SetVehicleToPlace(type, objId);
    if (windowList.IsMouseOverAny() || !putVehPlacing) return;
    TRACK* piece = nullptr;
    float percent = 0.0f;
    if (objId != kNoObject) {
        screenSprites.SetCursorIcon(695);
        int end = -1;
        if (trackList.PickTrack(&piece, &end, &percent) && piece && trainList.CheckFreePlace(piece, percent, objId))
            screenSprites.SetCursorIcon(kNoCursorIcon);
        else
            piece = nullptr;
    }
    layoutState.SetSelectedTrack(piece);
    layoutState.SetPlacePercent(piece ? percent : 0.0f);
}

void ActDownPUT_VEHICLE() {
    if (MouseOnInterface()) return;
    TRACK* piece = layoutState.GetSelectedTrack();
    const int objId = layoutState.GetVehicleToPlace();
    if (!piece || objId == kNoObject) return;
    const float percent = layoutState.GetPlacePercent();
    if (!trainList.CheckFreePlace(piece, percent, objId)) return;
    TRAIN* t = trainList.AddNew();
    if (!t) return;
    t->PlaceOnTrack(piece, 0.0f, layoutState.GetVehicleType(), objId, percent);
}

// ---------------------------------------------------------------------------
// Terrain

void ActDownWIN_ED_TERRAIN() {
    if (terrainRefill) {
        FillEdTerrain();
        terrainRefill = false;
    }
    char blur[32];
    FormatPercent(static_cast<float>(terrain.GetBlurTotal()) / 3000.0f * 100.0f, blur, sizeof blur);
    SetWinobjText(&winEdTerrain, 17, blur);
    UpdateWinList(&winEdTerrain, 11);
    UpdateWinobjSlider(&winEdTerrain, 8);
    if (StartTitleDrag(winEdTerrain)) return;
    if (EndToolPressed()) {
        if (tools.raiseLower && tools.active) dragMode = 0;
        TerrainToolsOff();
        layoutState.SetToolOption(1);
    }
    int item = winEdTerrain.HitWinobj(cursorX, cursorY);
    if (ModeButtonPressed()) item = 9;
    switch (item) {
        case 0:
        case 8:
        case 17: break;
        case 1:
        case 2:
            terrain.ToggleGridView();
            ShowGridButtons();
            if (terrain.IsGridView()) {
                tools.shadeBrighter = tools.shadeDarker = tools.paint = 0;
                tools.active = 0;
            }
            break;
        case 3:
        case 4:
            if (!terrain.IsGridView()) {
                TerrainToolsOff();
                (item == 3 ? tools.shadeBrighter : tools.shadeDarker) = 1;
            }
            break;
        case 11:
            if (!terrain.IsGridView()) {
                TerrainToolsOff();
                tools.paint = 1;
                int value = -1;
                GetWinListSelectedValue(&winEdTerrain, 11, &value);
                tools.texture = value;
            }
            break;
        case 5:
        case 6:
            tools.brushPaint = item == 5 ? 1 : 0;
            ShowPaintModeButtons();
            break;
        case 7:
            TerrainToolsOff();
            tools.raiseLower = 1;
            break;
        case 12:
            TerrainToolsOff();
            tools.flatten = 1;
            break;
        case 13:
        case 14:
        case 15: {
            int& channel = item == 13 ? tools.red : item == 14 ? tools.green : tools.blue;
            channel = channel ? 0 : 1;
            SetWinobjChecked(&winEdTerrain, item, channel);
            terrain.SetShadeChannels(tools.red, tools.green, tools.blue);
            break;
        }
        case 16:
            CloseEdTerrain(170);
            winResizeTable.Show(2);
            return;
        case 18:
            tools.blur = tools.blur ? 0 : 1;
            SetWinobjChecked(&winEdTerrain, 18, tools.blur);
            terrain.SetBlurVisible(tools.blur);
            break;
        case 19:
            if (!terrain.IsGridView()) {
                int value = -1;
                GetWinListSelectedValue(&winEdTerrain, 11, &value);
                if (value >= 0) terrain.SetBaseTexture(value);
                else messageQueue.AddMessage(texts.Get(370), kWhite);
            }
            break;
        case 9:
        case 101: CloseEdTerrain(ED_EDIT); return;
        default: TraceText("Unknown objId by ActDownWIN_ED_TERRAIN()"); break;
    }
    if (AnyTerrainTool()) layoutState.SetToolOption(0);
    screenSprites.SetCursorIcon(kNoCursorIcon);
    terrain.SetEditCursorOn(0);
    terrain.SetEditCursorFollow(0);
    terrain.SetEditCursorRepick(0);
    RunTerrainTools();
}

// ---------------------------------------------------------------------------
// Table size and resize

void ActWIN_TABLE_SIZE() {
    if (tableRefill) {
        SetWinobjChecked(&winTableSize, 3, 1);
        SetWinobjChecked(&winTableSize, 4, 0);
        tableChoice = 0;
        ActivateEdit(&winTableSize, 1, 2);
        tableRefill = false;
    }
    if (myGlobs.keyTabPressed) {
        if (IsEditActive(winTableSize, 1)) ActivateEdit(&winTableSize, 2, 1);
        else ActivateEdit(&winTableSize, 1, 2);
    }
    winTableSize.UpdateWinobjEdit(1, &myGlobs.pendingKey);
    winTableSize.UpdateWinobjEdit(2, &myGlobs.pendingKey);
    const bool modeButton = ModeButtonPressed();
    if (!mouseLeftDown && !modeButton) return;
    if (StartTitleDrag(winTableSize)) return;
    int item = winTableSize.HitWinobj(cursorX, cursorY);
    if (modeButton) item = 10;
    switch (item) {
        case 0: break;
        case 1: ActivateEdit(&winTableSize, 1, 2); break;
        case 2: ActivateEdit(&winTableSize, 2, 1); break;
        case 3:
        case 4:
            tableChoice = item == 3 ? 0 : 1;
            SetWinobjChecked(&winTableSize, 3, item == 3);
            SetWinobjChecked(&winTableSize, 4, item == 4);
            break;
        case 9: {
            const int wasFollowing = myGlobs.journeyMode;
            NewLayout(tableChoice, ReadEditNumber(&winTableSize, 1), ReadEditNumber(&winTableSize, 2));
            CloseTo(winTableSize, tableRefill);
            if (myGlobs.secondEdition && wasFollowing) soundManager.PlayMusic("edit");
            break;
        }
        case 10:
        case 101:
            if (terrain.IsCreated()) CloseTo(winTableSize, tableRefill);
            else messageQueue.AddMessage(texts.Get(298), kWhite);
            break;
        default: TraceText("Unknown objId by ActWIN_TABLE_SIZE()"); break;
    }
}

void ActWIN_RESIZE_TABLE() {
    if (resizeRefill) {
        int w = 0, d = 0;
        terrain.GetTileCounts(&w, &d);
        char text[16];
        std::snprintf(text, sizeof text, "%d", w);
        winResizeTable.InitWinobjEdit(1, text, 3, &myGlobs.pendingKey, "0123456789");
        std::snprintf(text, sizeof text, "%d", d);
        winResizeTable.InitWinobjEdit(2, text, 3, &myGlobs.pendingKey, "0123456789");
        ActivateEdit(&winResizeTable, 1, 2);
        resizeRefill = false;
    }
    winResizeTable.UpdateWinobjEdit(1, &myGlobs.pendingKey);
    winResizeTable.UpdateWinobjEdit(2, &myGlobs.pendingKey);
    if (StartTitleDrag(winResizeTable)) return;
    const int item = winResizeTable.HitWinobj(cursorX, cursorY);
    switch (item) {
        case 0: break;
        case 1: ActivateEdit(&winResizeTable, 1, 2); break;
        case 2: ActivateEdit(&winResizeTable, 2, 1); break;
        case 9: {
            int w = ReadEditNumber(&winResizeTable, 1);
            int d = ReadEditNumber(&winResizeTable, 2);
            if (w <= 0 || d <= 0) {
                resizeRefill = true;  // the fields show the current size again
                break;
            }
            if (w >= 100) w = 99;
            if (d >= 100) d = 99;
            terrain.ClampSize(w, d);
            int cw = 0, cd = 0;
            terrain.GetTileCounts(&cw, &cd);
            if (w != cw || d != cd) terrain.Resize(w, d);
            CloseTo(winResizeTable, resizeRefill);
            break;
        }
        case 101: CloseTo(winResizeTable, resizeRefill); break;
        default: TraceText("Unknown objId by ActWIN_RESIZE_TABLE()"); break;
    }
}

// ---------------------------------------------------------------------------
// Colours

namespace {
// The colour picked on a window's colour triangle (item 4) becomes colour B
// of a bar. The pick starts from the bar's colour, which a press beside the
// triangle leaves as it is; a picked colour is opaque.
void PickIntoBar(WINDOW& w, int bar) {
    const uint32_t current = w.GetWinobjColorB(bar);
    uint32_t c = current;
    w.GetPickedColor(4, &c);
    if (c != current) w.SetWinobjColorB(bar, c | 0xFF000000u);
}
}  // namespace

void ActWIN_HOUSE_COLOR() {
    houseRefill = false;  // filled by the right click that opens it
    const bool modeButton = ModeButtonPressed();
    if (!mouseLeftDown && !modeButton) return;
    if (StartTitleDrag(winHouseColor)) return;
    int item = winHouseColor.HitWinobj(cursorX, cursorY);
    if (modeButton) item = 10;
    switch (item) {
        case 0:
        case 7:
        case 8: break;
        case 4:
            PickIntoBar(winHouseColor, 5);
            PickIntoBar(winHouseColor, 6);
            break;
        case 5:
        case 6: {
            const uint32_t c = DeriveBarColour(winHouseColor.GetWinobjColorB(item), winHouseColor.GetClickPercent());
            winHouseColor.SetWinobjColorA(item == 5 ? 7 : 8, c);
            break;
        }
        case 9:
            if (TERROBJ* o = ColourTarget()) {
                o->SetColor1(winHouseColor.GetWinobjColorA(7));
                o->SetColor2(winHouseColor.GetWinobjColorA(8));
            }
            CloseTo(winHouseColor, houseRefill);
            break;
        case 10:
        case 101: CloseTo(winHouseColor, houseRefill); break;
        default: TraceText("Unknown objId by ActWIN_HOUSE_COLOR()"); break;
    }
}

void ActWIN_TERROBJ_COLOR() {
    objColourRefill = false;  // filled by the right click that opens it
    const bool modeButton = ModeButtonPressed();
    if (!mouseLeftDown && !modeButton) return;
    if (StartTitleDrag(winTerrobjColor)) return;
    int item = winTerrobjColor.HitWinobj(cursorX, cursorY);
    if (modeButton) item = 10;
    switch (item) {
        case 0:
        case 8: break;
        case 4:
            PickIntoBar(winTerrobjColor, 6);
            break;
        case 6:
            winTerrobjColor.SetWinobjColorA(
                8, DeriveBarColour(winTerrobjColor.GetWinobjColorB(6), winTerrobjColor.GetClickPercent()));
            break;
        case 9:
            if (TERROBJ* o = ColourTarget()) {
                o->SetColor1(winTerrobjColor.GetWinobjColorA(8));
                if (o->type == PLANT_TYPE) terrobjList.BuildBatches();
            }
            CloseTo(winTerrobjColor, objColourRefill);
            break;
        case 10:
        case 101: CloseTo(winTerrobjColor, objColourRefill); break;
        default: TraceText("Unknown objId by ActWIN_TERROBJ_COLOR()"); break;
    }
}

// ---------------------------------------------------------------------------
// Sky box

void ActWIN_SKYBOX() {
    if (skyboxRefill) {
        skybox.FillListControl(&winSkybox, 1);
        SelectWinListRow(&winSkybox, 1, skybox.GetCurrentIndex());
        layoutState.SetToolOption(1);
        skyboxRefill = false;
    }
    UpdateWinList(&winSkybox, 1);
    if (StartTitleDrag(winSkybox)) return;
    int item = winSkybox.HitWinobj(cursorX, cursorY);
    if (ModeButtonPressed()) item = 9;
    switch (item) {
        case 1: {
            int value = -1;
            GetWinListSelectedValue(&winSkybox, 1, &value);
            if (value >= 0) skybox.SelectSkybox(value, 3);
            break;
        }
        case 9:
        case 10:
        case 101: CloseTo(winSkybox, skyboxRefill); break;
        default: break;
    }
}

// ---------------------------------------------------------------------------
// Vehicle flags

void ActWIN_VEHICLE_ATTRIB() {
    if (vehicleRefill) {
        const TRAIN* t = FlagsTarget();
        const int word = t ? t->GetFlags() : 0;
        winVehicleAttrib.ReleaseButtons();
        SetWinobjChecked(&winVehicleAttrib, 2, (word & 1) != 0);
        SetWinobjChecked(&winVehicleAttrib, 3, (word & 2) != 0);
        SetWinobjChecked(&winVehicleAttrib, 4, (word & 4) != 0);
        if (word == 0) SetWinobjChecked(&winVehicleAttrib, 1, 1);
        vehicleRefill = false;
    }
    const bool modeButton = ModeButtonPressed();
    if (mouseLeftDown || modeButton) {
        if (StartTitleDrag(winVehicleAttrib)) return;
        int item = winVehicleAttrib.HitWinobj(cursorX, cursorY);
        if (modeButton) item = 99;
        switch (item) {
            case 1:
                winVehicleAttrib.ReleaseButtons();
                SetWinobjChecked(&winVehicleAttrib, 1, 1);
                break;
            case 2:
            case 3:
            case 4:
                SetWinobjChecked(&winVehicleAttrib, 1, 0);
                SetWinobjChecked(&winVehicleAttrib, item, !Checked(&winVehicleAttrib, item));
                break;
            case 9: {
                int word = 0;
                if (Checked(&winVehicleAttrib, 2)) word |= 1;
                if (Checked(&winVehicleAttrib, 3)) word |= 2;
                if (Checked(&winVehicleAttrib, 4)) word |= 4;
                if (TRAIN* t = FlagsTarget()) t->SetFlags(word);
                CloseTo(winVehicleAttrib, vehicleRefill);
                break;
            }
            case 10:
            case 99:
            case 101: CloseTo(winVehicleAttrib, vehicleRefill); break;
            default: break;
        }
    }
    if (!Checked(&winVehicleAttrib, 2) && !Checked(&winVehicleAttrib, 3) && !Checked(&winVehicleAttrib, 4))
        SetWinobjChecked(&winVehicleAttrib, 1, 1);
}

// ---------------------------------------------------------------------------
// Selection options

void ActWIN_SELOPT() {
    selOptRefill = false;  // the switches are read from the layout state every frame
    if (!StartTitleDrag(winSelOpt)) {
        int item = winSelOpt.HitWinobj(cursorX, cursorY);
        if (ModeButtonPressed()) item = 9;
        switch (item) {
            case 0: break;
            case 1:
            case 2: {
                const int on = layoutState.GetSelectTracks() ? 0 : 1;
                layoutState.SetSelectTracks(on);
                if (!on) trackList.DeselectAll();
                break;
            }
            case 3:
            case 4: {
                const int on = layoutState.GetSelectObjects() ? 0 : 1;
                layoutState.SetSelectObjects(on);
                if (!on) terrobjList.ClearSelection();
                break;
            }
            case 5:
            case 6: {
                const int on = layoutState.GetSelectPlants() ? 0 : 1;
                layoutState.SetSelectPlants(on);
                if (!on) terrobjList.ClearSelection();
                break;
            }
            case 7:
            case 8: {
                const int on = layoutState.GetSelectVehicles() ? 0 : 1;
                layoutState.SetSelectVehicles(on);
                if (!on) trainList.DeselectAll();
                break;
            }
            case 9:
            case 101: CloseTo(winSelOpt, selOptRefill); return;
            default: TraceText("Unknown objId by ActWIN_SELOPT()"); break;
        }
    }
    SetWinobjChecked(&winSelOpt, 2, layoutState.GetSelectTracks());
    SetWinobjChecked(&winSelOpt, 4, layoutState.GetSelectObjects());
    SetWinobjChecked(&winSelOpt, 6, layoutState.GetSelectPlants());
    SetWinobjChecked(&winSelOpt, 8, layoutState.GetSelectVehicles());
}
