// The object, vehicle, terrain, table and selection windows driven frame by
// frame: putting objects, turntables and vehicles, choosing terrain tools,
// sizing the table, colours, vehicle flags and selection options.
#include <algorithm>
#include <cstring>
#include <vector>

#include "app/messagequeue.h"
#include "editor/win_system.h"
#include "editor_test.h"
#include "rail/track.h"
#include "ui/window.h"

namespace {

constexpr int HOUSE = 500;
constexpr int SIGN = 600;
constexpr int LAMP = 700;
constexpr int TURNTABLE = 1450;

int CountObjects() {
    int n = 0;
    for (TERROBJ* o = terrobjList.GetFirst(); o; o = o->next) ++n;
    return n;
}

// The objIds shown by an object list, in row order.
std::vector<int> ListValues(WINDOW& w, int id) {
    std::vector<int> values;
    char text[WINLIST_TEXTLEN];
    int value = 0;
    for (int i = 0; GetWinListRow(&w, id, i, text, &value); ++i) values.push_back(value);
    return values;
}

bool Visible(WINDOW& w, int id) {
    const WINOBJ* o = w.FindWinobj(id);
    return o && o->visible;
}

bool EditActive(WINDOW& w, int id) {
    const WINOBJ* o = w.FindWinobj(id);
    return o && o->edit && o->edit->active;
}

}  // namespace

class ObjectWindowTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        AddType(5, HOUSE, HOUSE_TYPE, 1.0f, 0, 0);
        AddType(6, SIGN, SIGN_TYPE, 0.5f, 0, 0);
        AddType(7, LAMP, LAMP_TYPE, 0.5f, 0, 0);
        AddType(8, TURNTABLE, RAILWAY_TYPE, 2.0f, 0, 0);
        myGlobs.xObjectCount = 9;
        myGlobs.useSignType = 0;
        messageQueue.Reset();
        screenSprites.SetCursorIcon(-1);
    }

    static void CursorOnItem(WINDOW& w, int id) {
        WINOBJ* o = w.FindWinobj(id);
        ASSERT_NE(o, nullptr);
        cursorX = w.GetLeft() + o->x + std::max(1, o->w / 2);
        cursorY = w.GetTop() + w.GetTitleHeight() + o->y + std::max(1, o->h / 2);
    }
    static void ClickItem(WINDOW& w, int id) {
        CursorOnItem(w, id);
        LeftPress();
        LeftRelease();
    }
    // A press on the first visible row of a list item.
    static void ClickFirstRow(WINDOW& w, int id) {
        WINOBJ* o = w.FindWinobj(id);
        ASSERT_NE(o, nullptr);
        cursorX = w.GetLeft() + o->x + 10;
        cursorY = w.GetTop() + w.GetTitleHeight() + o->y + 5;
        LeftPress();
        LeftRelease();
    }
    static void OpenByButton(int button, int state) {
        ClickButton(button);
        ASSERT_EQ(editorState, state);
        CursorToView();
        Frame();  // the window fills itself
    }
    static int Icon() { return screenSprites.GetCursorIcon(); }
};

TEST_F(ObjectWindowTest, PutObjectsFromTheListsAndEndPlacing) {
    OpenByButton(218, 113);
    ASSERT_TRUE(winPutObj.IsVisible());
    EXPECT_TRUE(Visible(winPutObj, 3));
    for (int id : {4, 5, 6, 13, 16}) EXPECT_FALSE(Visible(winPutObj, id)) << id;
    EXPECT_EQ(ListValues(winPutObj, 3), std::vector<int>{HOUSE});
    // Without the sign setting the signs go into the lamp list and their tab
    // is hidden.
    EXPECT_EQ(ListValues(winPutObj, 6), (std::vector<int>{SIGN, LAMP}));
    EXPECT_FALSE(Visible(winPutObj, 17));
    EXPECT_EQ(layoutState.GetObjectToPlace(), 200);

    ClickFirstRow(winPutObj, 3);
    EXPECT_EQ(layoutState.GetObjectToPlace(), HOUSE);
    EXPECT_EQ(layoutState.GetObjectKind(), HOUSE_TYPE);
    EXPECT_EQ(layoutState.GetToolOption(), 0);

    CursorToView();
    Aim(1.0f, 1.0f);
    LeftPress();
    LeftRelease();
    ASSERT_EQ(CountObjects(), 1);
    TERROBJ* o = terrobjList.GetFirst();
    EXPECT_EQ(o->objId, HOUSE);
    EXPECT_NEAR(o->x, 1.0f, 0.05f);
    EXPECT_NEAR(o->y, 1.0f, 0.05f);

    // A press on the window puts nothing.
    CursorOnItem(winPutObj, 15);
    LeftPress();
    LeftRelease();
    EXPECT_EQ(CountObjects(), 1);

    // Item 650 ends placing; the preview goes with it.
    ClickButton(650);
    EXPECT_EQ(layoutState.GetObjectToPlace(), 200);
    EXPECT_EQ(layoutState.GetToolOption(), 1);
    CursorToView();
    Aim(-1.0f, -1.0f);
    LeftPress();
    LeftRelease();
    EXPECT_EQ(CountObjects(), 1);

    ClickItem(winPutObj, 9);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_FALSE(winPutObj.IsVisible());
}

// The window is laid out for the sign setting when the editor windows are
// made.
class SignObjectWindowTest : public ObjectWindowTest {
protected:
    void SetUp() override {
        myGlobs.useSignType = 1;
        EditorTest::SetUp();
        AddType(6, SIGN, SIGN_TYPE, 0.5f, 0, 0);
        AddType(7, LAMP, LAMP_TYPE, 0.5f, 0, 0);
        myGlobs.xObjectCount = 8;
    }
};

TEST_F(SignObjectWindowTest, WithTheSignSettingSignsHaveTheirOwnTab) {
    ASSERT_EQ(myGlobs.useSignType, 1);
    OpenByButton(218, 113);
    EXPECT_EQ(ListValues(winPutObj, 6), std::vector<int>{LAMP});
    EXPECT_EQ(ListValues(winPutObj, 16), std::vector<int>{SIGN});
    ClickItem(winPutObj, 17);
    EXPECT_TRUE(Visible(winPutObj, 16));
    EXPECT_FALSE(Visible(winPutObj, 3));
    ClickFirstRow(winPutObj, 16);
    EXPECT_EQ(layoutState.GetObjectToPlace(), SIGN);
}

TEST_F(ObjectWindowTest, TurntableObjectsBecomeSnappedTurntablePieces) {
    OpenByButton(218, 113);
    ClickItem(winPutObj, 8);  // the railway buildings
    ASSERT_TRUE(Visible(winPutObj, 4));
    ClickFirstRow(winPutObj, 4);
    ASSERT_EQ(layoutState.GetObjectToPlace(), TURNTABLE);
    placeAngle = 30.0f;
    CursorToView();
    Aim(0.0f, 0.0f);
    LeftPress();
    EXPECT_EQ(CountObjects(), 0);
    ASSERT_EQ(trackList.GetCount(), 1);
    TRACK* p = trackList.GetFirst();
    EXPECT_EQ(p->bTurntable, 1);
    EXPECT_EQ(p->bTurning, 0);
    EXPECT_EQ(p->bTurntableInTable, 1);
    EXPECT_EQ(p->turntableObj, TURNTABLE);
    EXPECT_FLOAT_EQ(p->heading, 22.5f);
    EXPECT_STREQ(p->featureName, "TT1");
    EXPECT_NE(p->groupId, 0);

    // A negative heading comes into 0..360.
    placeAngle = -40.0f;
    Aim(3.0f, 3.0f);
    LeftPress();
    ASSERT_EQ(trackList.GetCount(), 2);
    EXPECT_FLOAT_EQ(p->pNext->heading, 337.5f);
}

TEST_F(ObjectWindowTest, PutAVehicleWhereItFits) {
    std::vector<TRACK*> run = Run(3);
    OpenByButton(236, 153);
    EXPECT_FLOAT_EQ(placeAngle, 90.0f);
    EXPECT_EQ(ListValues(winPutVehicles, 1), (std::vector<int>{ENGINE, STEAM}));
    ClickFirstRow(winPutVehicles, 1);
    EXPECT_EQ(layoutState.GetVehicleToPlace(), ENGINE);
    EXPECT_EQ(layoutState.GetVehicleType(), ENGINE_TYPE);

    // Off the track: no piece, the refusing icon.
    CursorToView();
    Aim(30.0f, 30.0f);
    SetTrackPickForTest(0, 30.0f, 30.0f, 0.0f);
    Frame();
    EXPECT_EQ(layoutState.GetSelectedTrack(), nullptr);
    EXPECT_EQ(Icon(), 695);
    LeftPress();
    EXPECT_EQ(trainList.GetFirst(), nullptr);

    Aim(run[1]->x, run[1]->y);
    Frame();
    EXPECT_EQ(layoutState.GetSelectedTrack(), run[1]);
    EXPECT_EQ(Icon(), -1);
    LeftPress();
    TRAIN* t = trainList.GetFirst();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->objId, ENGINE);
    EXPECT_EQ(t->GetTrack(), run[1]);

    // The same place is taken now.
    Frame();
    EXPECT_EQ(layoutState.GetSelectedTrack(), nullptr);
    EXPECT_EQ(Icon(), 695);
    LeftPress();
    EXPECT_EQ(t->pNext, nullptr);

    ClickItem(winPutVehicles, 9);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_EQ(layoutState.GetVehicleToPlace(), 200);
    EXPECT_EQ(Icon(), -1);
}

TEST_F(ObjectWindowTest, TerrainToolsAreChosenOneAtATime) {
    OpenByButton(234, 150);
    ASSERT_TRUE(winEdTerrain.IsVisible());
    EXPECT_TRUE(Visible(winEdTerrain, 6));
    EXPECT_FALSE(Visible(winEdTerrain, 5));
    EXPECT_TRUE(Visible(winEdTerrain, 1));
    EXPECT_FALSE(Visible(winEdTerrain, 2));

    ClickItem(winEdTerrain, 7);
    EXPECT_EQ(Icon(), 621);
    EXPECT_EQ(layoutState.GetToolOption(), 0);
    ClickItem(winEdTerrain, 12);
    EXPECT_EQ(Icon(), 644);
    ClickItem(winEdTerrain, 3);
    EXPECT_EQ(Icon(), 615);
    ClickItem(winEdTerrain, 4);
    EXPECT_EQ(Icon(), 617);

    // With the grid view on the shading tools switch off and stay off.
    ClickItem(winEdTerrain, 1);
    EXPECT_TRUE(terrain.IsGridView());
    EXPECT_TRUE(Visible(winEdTerrain, 2));
    EXPECT_FALSE(Visible(winEdTerrain, 1));
    EXPECT_EQ(Icon(), -1);
    ClickItem(winEdTerrain, 3);
    EXPECT_EQ(Icon(), -1);
    ClickItem(winEdTerrain, 2);
    EXPECT_FALSE(terrain.IsGridView());

    // Brush and cell painting swap their buttons.
    ClickItem(winEdTerrain, 6);
    EXPECT_TRUE(Visible(winEdTerrain, 5));
    EXPECT_FALSE(Visible(winEdTerrain, 6));
    ClickItem(winEdTerrain, 5);
    EXPECT_TRUE(Visible(winEdTerrain, 6));

    // The shading channels go to the terrain.
    int r0 = 0, g0 = 0, b0 = 0, r1 = 0, g1 = 0, b1 = 0;
    terrain.GetShadeChannels(&r0, &g0, &b0);
    ClickItem(winEdTerrain, 14);
    terrain.GetShadeChannels(&r1, &g1, &b1);
    EXPECT_EQ(r1, r0);
    EXPECT_EQ(g1, g0 ? 0 : 1);
    EXPECT_EQ(b1, b0);

    // A base texture needs a chosen texture.
    const int before = messageQueue.GetCount();
    ClickItem(winEdTerrain, 19);
    EXPECT_EQ(messageQueue.GetCount(), before + 1);

    // Item 650 ends the tool.
    ClickItem(winEdTerrain, 7);
    ClickButton(650);
    EXPECT_EQ(Icon(), -1);
    EXPECT_EQ(layoutState.GetToolOption(), 1);

    ClickItem(winEdTerrain, 9);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_FALSE(winEdTerrain.IsVisible());
}

TEST_F(ObjectWindowTest, RaiseAndLowerFollowsTheMouseWhileHeld) {
    OpenByButton(234, 150);
    ClickItem(winEdTerrain, 7);
    CursorToView();
    Aim(0.0f, 0.0f);
    const float before = terrain.GetHeight(0.0f, 0.0f, 0);
    LeftPress();
    EXPECT_EQ(dragMode, 1);
    EXPECT_EQ(dragY, 0);
    dragY = -150;
    Frame();
    EXPECT_EQ(Icon(), 622);
    const float raised = terrain.GetHeight(0.0f, 0.0f, 0);
    EXPECT_NE(raised, before);
    LeftRelease();
    EXPECT_EQ(dragMode, 0);
    // Released: further mouse movement changes nothing.
    dragY = 200;
    Frame();
    EXPECT_FLOAT_EQ(terrain.GetHeight(0.0f, 0.0f, 0), raised);
}

// The Delete key turns into a press of the delete button (and so a left
// press) while it is held; the placing tools must not take it for a click.
TEST_F(ObjectWindowTest, DeleteKeyWhilePlacingDeletesTheSelectionAndPlacesNothing) {
    // Objects: a house chosen, the cursor over free ground.
    OpenByButton(218, 113);
    ClickFirstRow(winPutObj, 3);
    ASSERT_EQ(layoutState.GetObjectToPlace(), HOUSE);
    TRACK* piece = Make(1, -6.0f, 0.0f, 0.0f);
    piece->bSelected = 1;
    CursorToView();
    Aim(1.0f, 1.0f);
    HoldDelete(2);
    EXPECT_EQ(trackList.GetCount(), 0);
    EXPECT_EQ(CountObjects(), 0);
    EXPECT_EQ(editorState, 113);
    ClickItem(winPutObj, 9);

    // Vehicles: an engine chosen, the cursor over a free place on the track.
    std::vector<TRACK*> run = Run(3);
    OpenByButton(236, 153);
    ClickFirstRow(winPutVehicles, 1);
    ASSERT_EQ(layoutState.GetVehicleToPlace(), ENGINE);
    CursorToView();
    Aim(run[2]->x, run[2]->y);
    Frame();
    ASSERT_EQ(layoutState.GetSelectedTrack(), run[2]);
    run[0]->bSelected = 1;
    HoldDelete(2);
    EXPECT_EQ(trackList.GetCount(), 2);  // the selected piece went
    EXPECT_EQ(trainList.GetFirst(), nullptr);
    EXPECT_EQ(editorState, 153);
    ClickItem(winPutVehicles, 9);

    // Terrain: the raise tool does not start on the Delete key.
    OpenByButton(234, 150);
    ClickItem(winEdTerrain, 7);
    CursorToView();
    Aim(0.0f, 0.0f);
    HoldDelete(1);
    EXPECT_EQ(dragMode, 0);
    EXPECT_EQ(Icon(), 621);
}

TEST_F(ObjectWindowTest, TheTableSizeWindowMakesANewLayout) {
    StartTableSizeEditing();
    winTableSize.Show(2);
    editorState = 148;
    CursorToView();
    Frame();
    EXPECT_TRUE(EditActive(winTableSize, 1));
    EXPECT_FALSE(EditActive(winTableSize, 2));
    myGlobs.keyTabPressed = 1;
    Frame();
    EXPECT_TRUE(EditActive(winTableSize, 2));
    EXPECT_FALSE(EditActive(winTableSize, 1));

    SetWinobjEditText(&winTableSize, 1, "6", 2);
    SetWinobjEditText(&winTableSize, 2, "5", 2);
    ClickItem(winTableSize, 4);
    EXPECT_EQ(GetWinobjState(&winTableSize, 4), WINOBJ_BUTTON_ON);
    EXPECT_EQ(GetWinobjState(&winTableSize, 3), WINOBJ_BUTTON_OFF);
    ClickItem(winTableSize, 9);
    EXPECT_EQ(editorState, ED_EDIT);
    int w = 0, d = 0;
    terrain.GetTileCounts(&w, &d);
    EXPECT_EQ(w, 6);
    EXPECT_EQ(d, 5);
    EXPECT_EQ(layoutState.GetMode(), 0);
}

TEST_F(ObjectWindowTest, TheTableSizeWindowCannotBeCancelledWithoutATable) {
    terrain.Release();
    StartTableSizeEditing();
    winTableSize.Show(2);
    editorState = 148;
    const int before = messageQueue.GetCount();
    ClickItem(winTableSize, 10);
    EXPECT_EQ(editorState, 148);
    EXPECT_TRUE(winTableSize.IsVisible());
    EXPECT_EQ(messageQueue.GetCount(), before + 1);
    ClickItem(winTableSize, 9);  // "4" by "3"
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_TRUE(terrain.IsCreated());
}

TEST_F(ObjectWindowTest, TheResizeWindowIgnoresZeroAndCapsLargeSizes) {
    winResizeTable.Show(2);
    editorState = 170;
    CursorToView();
    Frame();
    char text[WINEDIT_BUFFERLEN];
    CopyWinobjEditText(&winResizeTable, 1, text, sizeof text);
    EXPECT_STREQ(text, "4");
    CopyWinobjEditText(&winResizeTable, 2, text, sizeof text);
    EXPECT_STREQ(text, "3");

    SetWinobjEditText(&winResizeTable, 1, "0", 3);
    SetWinobjEditText(&winResizeTable, 2, "5", 3);
    ClickItem(winResizeTable, 9);
    EXPECT_EQ(editorState, 170);
    int w = 0, d = 0;
    terrain.GetTileCounts(&w, &d);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(d, 3);
    CopyWinobjEditText(&winResizeTable, 1, text, sizeof text);
    EXPECT_STREQ(text, "4");  // refilled

    SetWinobjEditText(&winResizeTable, 1, "150", 3);
    SetWinobjEditText(&winResizeTable, 2, "2", 3);
    ClickItem(winResizeTable, 9);
    EXPECT_EQ(editorState, ED_EDIT);
    int ew = 99, ed = 2;
    terrain.ClampSize(ew, ed);
    terrain.GetTileCounts(&w, &d);
    EXPECT_EQ(w, ew);
    EXPECT_EQ(d, ed);
}

TEST_F(ObjectWindowTest, ColourBarsGoFromWhiteOverTheColourToBlack) {
    EXPECT_EQ(DeriveBarColour(0xFF204080, 50.0f), 0xFF204080u);
    EXPECT_EQ(DeriveBarColour(0xFF204080, 0.0f), 0xFFFFFFFFu);
    EXPECT_EQ(DeriveBarColour(0xFF204080, 100.0f), 0xFF000000u);
    // Halfway to white: (255 + c) / 2 truncated; halfway to black: c / 2.
    EXPECT_EQ(DeriveBarColour(0xFF204080, 25.0f), 0xFF8F9FBFu);
    EXPECT_EQ(DeriveBarColour(0x00204080, 75.0f), 0xFF102040u);
}

TEST_F(ObjectWindowTest, TheHouseColourWindowColoursTheObject) {
    TERROBJ* o = PlaceObject(HOUSE_TYPE, HOUSE, 1.0f, 1.0f);
    layoutState.SetSelectedTerrobj(o);
    winHouseColor.SetWinobjColorB(5, 0xFF204080);
    winHouseColor.SetWinobjColorB(6, 0xFF204080);
    winHouseColor.SetWinobjColorA(7, 0xFF111111);
    winHouseColor.SetWinobjColorA(8, 0xFF222222);
    winHouseColor.Show(2);
    editorState = 149;
    // The left end of bar 5 gives white in swatch 7.
    WINOBJ* bar = winHouseColor.FindWinobj(5);
    ASSERT_NE(bar, nullptr);
    cursorX = winHouseColor.GetLeft() + bar->x;
    cursorY = winHouseColor.GetTop() + winHouseColor.GetTitleHeight() + bar->y + bar->h / 2;
    LeftPress();
    EXPECT_EQ(winHouseColor.GetWinobjColorA(7), 0xFFFFFFFFu);
    ClickItem(winHouseColor, 9);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_EQ(o->colour1, 0xFFFFFFFFu);
    EXPECT_EQ(o->colour2, 0xFF222222u);

    // The object removed meanwhile: OK colours nothing.
    winHouseColor.Show(2);
    editorState = 149;
    terrobjList.RemoveAll(0);
    ClickItem(winHouseColor, 9);
    EXPECT_EQ(editorState, ED_EDIT);
}

TEST_F(ObjectWindowTest, TheColourTriangleStartsFromTheBarsAndPicksOpaqueColours) {
    // A press at (fx, fy) of the triangle item's width and height.
    auto pressTriangle = [](WINDOW& w, float fx, float fy) {
        WINOBJ* t = w.FindWinobj(4);
        ASSERT_NE(t, nullptr);
        cursorX = w.GetLeft() + t->x + static_cast<int>(static_cast<float>(t->w) * fx);
        cursorY = w.GetTop() + w.GetTitleHeight() + t->y + static_cast<int>(static_cast<float>(t->h) * fy);
        LeftPress();
        LeftRelease();
    };
    TERROBJ* o = PlaceObject(HOUSE_TYPE, HOUSE, 1.0f, 1.0f);
    layoutState.SetSelectedTerrobj(o);
    for (int state : {149, 144}) {
        SCOPED_TRACE(state);
        WINDOW& w = state == 149 ? winHouseColor : winTerrobjColor;
        w.SetWinobjColorB(5, 0xFF204080);
        w.SetWinobjColorB(6, 0xFF408020);
        w.Show(2);
        editorState = state;
        // Beside the triangle, in the corner of its item: nothing changes.
        pressTriangle(w, 0.02f, 0.05f);
        if (state == 149) {
            EXPECT_EQ(w.GetWinobjColorB(5), 0xFF204080u);
        }
        EXPECT_EQ(w.GetWinobjColorB(6), 0xFF408020u);
        // Near the red corner: a full red, opaque.
        pressTriangle(w, 0.05f, 0.97f);
        const uint32_t c = w.GetWinobjColorB(6);
        EXPECT_EQ(c >> 24, 0xFFu);
        EXPECT_EQ((c >> 16) & 0xFF, 0xFFu);
        if (state == 149) {
            EXPECT_EQ(w.GetWinobjColorB(5), c);
        }
        ClickItem(w, 10);
        EXPECT_EQ(editorState, ED_EDIT);
    }
}

TEST_F(ObjectWindowTest, VehicleFlagsRoundTrip) {
    std::vector<TRACK*> run = Run(2);
    TRAIN* t = Place(run[0], 50.0f, ENGINE);
    t->SetFlags(2 | 4);
    layoutState.SetSelectedVehicle(t);
    winVehicleAttrib.Show(2);
    editorState = 175;
    CursorToView();
    Frame();
    EXPECT_EQ(GetWinobjState(&winVehicleAttrib, 1), WINOBJ_BUTTON_OFF);
    EXPECT_EQ(GetWinobjState(&winVehicleAttrib, 2), WINOBJ_BUTTON_OFF);
    EXPECT_EQ(GetWinobjState(&winVehicleAttrib, 3), WINOBJ_BUTTON_ON);
    EXPECT_EQ(GetWinobjState(&winVehicleAttrib, 4), WINOBJ_BUTTON_ON);

    ClickItem(winVehicleAttrib, 1);
    for (int id : {2, 3, 4}) EXPECT_EQ(GetWinobjState(&winVehicleAttrib, id), WINOBJ_BUTTON_OFF);
    EXPECT_EQ(GetWinobjState(&winVehicleAttrib, 1), WINOBJ_BUTTON_ON);
    ClickItem(winVehicleAttrib, 2);
    EXPECT_EQ(GetWinobjState(&winVehicleAttrib, 1), WINOBJ_BUTTON_OFF);
    EXPECT_EQ(GetWinobjState(&winVehicleAttrib, 2), WINOBJ_BUTTON_ON);
    // Turning the last one off sets the "none" box again.
    ClickItem(winVehicleAttrib, 2);
    EXPECT_EQ(GetWinobjState(&winVehicleAttrib, 1), WINOBJ_BUTTON_ON);
    ClickItem(winVehicleAttrib, 2);
    ClickItem(winVehicleAttrib, 9);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_EQ(t->GetFlags(), 1);

    // Cancel stores nothing.
    winVehicleAttrib.Show(2);
    editorState = 175;
    CursorToView();
    Frame();
    ClickItem(winVehicleAttrib, 4);
    ClickItem(winVehicleAttrib, 10);
    EXPECT_EQ(t->GetFlags(), 1);
}

TEST_F(ObjectWindowTest, TurningPlantSelectionOffClearsTheObjectSelection) {
    TERROBJ* o = PlaceObject(HOUSE_TYPE, HOUSE, 1.0f, 1.0f);
    o->selected = 1;
    layoutState.SetSelectPlants(1);
    layoutState.SetSelectObjects(1);
    ClickButton(231);
    ASSERT_EQ(editorState, 152);
    CursorToView();
    Frame();
    EXPECT_EQ(GetWinobjState(&winSelOpt, 6), WINOBJ_BUTTON_ON);
    ClickItem(winSelOpt, 6);
    EXPECT_EQ(layoutState.GetSelectPlants(), 0);
    EXPECT_EQ(layoutState.GetSelectObjects(), 1);
    EXPECT_EQ(o->selected, 0);
    EXPECT_EQ(GetWinobjState(&winSelOpt, 6), WINOBJ_BUTTON_OFF);
    ClickItem(winSelOpt, 6);
    EXPECT_EQ(layoutState.GetSelectPlants(), 1);
    ClickItem(winSelOpt, 9);
    EXPECT_EQ(editorState, ED_EDIT);
}
