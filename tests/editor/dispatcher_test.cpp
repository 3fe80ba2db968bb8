// The editor dispatcher and the toolbar: Esc, window dragging, the rotate
// keys and the right drag of the placing tools, the toolbar buttons with and
// without editing, the journey choice and the right-click actions.
#include <cstring>

#include "app/texts.h"
#include "editor_test.h"

using DispatcherTest = EditorTest;
using ToolbarTest = EditorTest;

TEST_F(DispatcherTest, EscOpensTheQuitQuestionOnlyInPlainEditing) {
    winExitEditor.Hide();
    keyEsc = 1;
    editorState = 154;
    Frame();
    EXPECT_EQ(editorState, 154);
    EXPECT_FALSE(winExitEditor.IsVisible());
    editorState = ED_EDIT;
    Frame();
    EXPECT_EQ(editorState, 176);
    EXPECT_TRUE(winExitEditor.IsVisible());
    EXPECT_STREQ(winExitEditor.GetCaption(), texts.Get(128));
    // Held on: the question stays, nothing else opens.
    Frame();
    EXPECT_EQ(editorState, 176);
    keyEsc = 0;
}

TEST_F(DispatcherTest, EscDuringASelectionDragDoesNothing) {
    TRACK* p = Make(1, 0.0f, 0.0f, 0.0f);
    Aim(p->x, p->y);
    LeftPress();
    ASSERT_EQ(dragState, SELECT_DRAG);
    keyEsc = 1;
    Frame();
    EXPECT_EQ(editorState, ED_EDIT);
    keyEsc = 0;
    LeftRelease();
    EXPECT_EQ(dragState, SELECT_IDLE);
}

TEST_F(DispatcherTest, WindowDragReturnsToTheInterruptedState) {
    layoutState.SaveState(154);
    layoutState.StartDrag(100, 100);
    editorState = ED_WINDOW_DRAG;
    winBuildTracks.Show(2);
    cursorX = 110;
    cursorY = 95;
    Frame();
    EXPECT_EQ(editorState, ED_WINDOW_DRAG);
    // The mouse delta was taken: no movement is left.
    int dx = 1, dy = 1;
    layoutState.GetMouseDelta(&dx, &dy);
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 0);
    LeftRelease();
    EXPECT_EQ(editorState, 154);
    winBuildTracks.Hide();
}

TEST_F(DispatcherTest, RotateKeysTurnTheBuildAndPlaceAngles) {
    editorState = 154;
    layoutState.SetToolOption(0);
    keyRightPressed = 1;
    Frame();
    EXPECT_FLOAT_EQ(buildAngle, 22.5f);
    EXPECT_EQ(dragX, 22);
    keyLeftPressed = 1;
    Frame();
    keyLeftPressed = 1;
    Frame();
    EXPECT_FLOAT_EQ(buildAngle, -22.5f);  // no wrapping
    EXPECT_EQ(dragX, -22);

    editorState = 113;
    placeAngle = 0.0f;
    keyLeftPressed = 1;
    Frame();
    EXPECT_FLOAT_EQ(placeAngle, -20.0f);
    // Plain editing: the keys belong to the selection.
    editorState = ED_EDIT;
    keyLeftPressed = 1;
    Frame();
    EXPECT_FLOAT_EQ(placeAngle, -20.0f);
}

TEST_F(DispatcherTest, RightDragSetsTheBuildAngleOnItsGrid) {
    editorState = 154;
    layoutState.SetToolOption(0);
    Frame();  // the build window opens and starts at angle 0
    buildAngle = 45.0f;
    RightPress();
    EXPECT_EQ(dragMode, 1);
    EXPECT_EQ(dragX, 45);
    dragX = 67;  // 67 / 22 = 3
    Frame();
    EXPECT_FLOAT_EQ(buildAngle, 67.5f);
    dragX = -30;  // -1 -> 15
    Frame();
    EXPECT_FLOAT_EQ(buildAngle, 337.5f);
    dragX = 22 * 17 + 5;  // 17 -> 1
    Frame();
    EXPECT_FLOAT_EQ(buildAngle, 22.5f);
    RightRelease();
    EXPECT_EQ(dragMode, 0);
    dragX = 200;
    Frame();
    EXPECT_FLOAT_EQ(buildAngle, 22.5f);
}

TEST_F(DispatcherTest, RightDragSetsThePlaceAngleFreely) {
    editorState = 153;
    layoutState.SetToolOption(0);
    Frame();  // the put-vehicles window opens and sets its own angle
    placeAngle = 12.7f;
    RightPress();
    EXPECT_EQ(dragX, 12);
    dragX = 95;
    Frame();
    EXPECT_FLOAT_EQ(placeAngle, 95.0f);
    RightRelease();
}

TEST_F(DispatcherTest, ReturnToEditorStateReopensTheBuildWindow) {
    attribReturnState = 154;
    winBuildTracks.Hide();
    TRACK* p = Make(1, 0, 0, 0);
    trackList.HighlightOnly(p);
    ReturnToEditorState();
    EXPECT_EQ(editorState, 154);
    EXPECT_TRUE(winBuildTracks.IsVisible());
    EXPECT_EQ(p->bHighlight, 0);
    attribReturnState = ED_EDIT;
    winBuildTracks.Hide();
    ReturnToEditorState();
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_FALSE(winBuildTracks.IsVisible());
}

TEST_F(DispatcherTest, NothingRunsOutsideTheEditorGameState) {
    gameState = MENU_STATE;
    keyEsc = 1;
    mouseWheel += 1200;
    Frame();
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_FLOAT_EQ(Distance(), 20.0f);
    keyEsc = 0;
}

// ---------------------------------------------------------------------------
// Toolbar

TEST_F(ToolbarTest, ToolbarItemsInOrder) {
    static const int expected[] = {607, 608, 701, 717, 716, 702, 219, 220, 206, 218, 223, 226,
                                   227, 240, 231, 233, 234, 236, 237, 238, 650, 242};
    int n = 0;
    for (SCREEN_ITEM* i = screenList.GetFirstItem(); i; i = i->next, ++n) {
        ASSERT_LT(n, static_cast<int>(std::size(expected)));
        EXPECT_EQ(i->id, expected[n]);
        EXPECT_EQ(i->clickable, n >= 5 ? 1 : 0) << i->id;
    }
    EXPECT_EQ(n, static_cast<int>(std::size(expected)));
    layoutState.SetCameraOption(0);
    InitEditorToolbar();
    EXPECT_TRUE(HasItem(241));
    EXPECT_FALSE(HasItem(242));
    EXPECT_FLOAT_EQ(buildAngle, 0.0f);
    EXPECT_EQ(layoutState.GetSelectTracks(), 1);
}

TEST_F(ToolbarTest, SecondEditionToolbarHasNoEdgeButton) {
    myGlobs.secondEdition = 1;
    InitEditorToolbar();
    EXPECT_FALSE(HasItem(701));
    EXPECT_FALSE(HasItem(241));
    EXPECT_FALSE(HasItem(242));
    SCREEN_ITEM item;
    ASSERT_TRUE(screenList.FindItem(607, &item));
    EXPECT_EQ(item.textureSlot, 37);
    myGlobs.secondEdition = 0;
}

TEST_F(ToolbarTest, ToolButtonsOpenTheirWindows) {
    struct Case {
        int id;
        WINDOW* window;
        int state;
    };
    const Case cases[] = {{218, &winPutObj, 113},      {231, &winSelOpt, 152},       {233, &winSystemControl, 151},
                          {234, &winEdTerrain, 150},   {236, &winPutVehicles, 153},  {237, &winBuildTracks, 154}};
    for (const Case& c : cases) {
        editorState = ED_EDIT;
        c.window->Hide();
        ClickButton(c.id);
        EXPECT_EQ(editorState, c.state) << c.id;
        EXPECT_TRUE(c.window->IsVisible()) << c.id;
        c.window->Hide();
    }
    editorState = ED_EDIT;
    ClickButton(240);
    EXPECT_EQ(editorState, 176);
    EXPECT_TRUE(winExitEditor.IsVisible());
}

TEST_F(ToolbarTest, EditingOffShowsTheModeMessage) {
    layoutState.SetEditable(0);
    layoutState.SetMode(1);
    for (int id : {218, 231, 234, 236, 237}) {
        editorState = ED_EDIT;
        winModeMessage.Hide();
        ClickButton(id);
        EXPECT_EQ(editorState, ED_MODE_MESSAGE) << id;
        EXPECT_TRUE(winModeMessage.IsVisible()) << id;
    }
    // Build tracks opens in the other layout mode; the system window always.
    layoutState.SetMode(0);
    editorState = ED_EDIT;
    ClickButton(237);
    EXPECT_EQ(editorState, 154);
    editorState = ED_EDIT;
    ClickButton(233);
    EXPECT_EQ(editorState, 151);
}

TEST_F(ToolbarTest, SkyButtonsSwapInTheFirstEdition) {
    ClickButton(223);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_FALSE(HasItem(223));
    EXPECT_TRUE(HasItem(232));
    ClickButton(232);
    EXPECT_TRUE(HasItem(223));
    EXPECT_FALSE(HasItem(232));
    myGlobs.secondEdition = 1;
    ClickButton(223);
    EXPECT_EQ(editorState, 179);
    myGlobs.secondEdition = 0;
}

TEST_F(ToolbarTest, JourneyWaitsForAVehicleClick) {
    std::vector<TRACK*> run = Run(3);
    TRAIN* engine = Place(run[1], 50.0f, ENGINE);
    trainList.UpdatePoses();
    ClickButton(238);
    EXPECT_EQ(editorState, ED_START_JOURNEY);
    EXPECT_EQ(screenSprites.GetCursorIcon(), 238);
    // A click on the ground only leaves the choice.
    CursorToView();
    Aim(-20.0f, 15.0f);
    LeftPress();
    LeftRelease();
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_EQ(myGlobs.freeCamera, 1);
    EXPECT_EQ(screenSprites.GetCursorIcon(), -1);
    // A click on the engine follows it.
    ClickButton(238);
    CursorToView();
    Aim(engine->vPos.x, engine->vPos.y, engine->vPos.z - 0.3f);
    LeftPress();
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_EQ(myGlobs.freeCamera, 0);
    EXPECT_EQ(myGlobs.journeyMode, 1);
    EXPECT_EQ(myGlobs.journeyTrain, engine);
    LeftRelease();
    // The button again returns to the free camera at once.
    ClickButton(238);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_EQ(myGlobs.freeCamera, 1);
    EXPECT_EQ(myGlobs.journeyTrain, nullptr);
}

TEST_F(ToolbarTest, ButtonsActOnlyWithoutAnObjectUnderTheClick) {
    // A placed object under the mouse in the view: no button id, no action.
    TERROBJ* o = PlaceObject(HOUSE_TYPE, 3001, 0.0f, 0.0f);
    Aim(o->x, o->y);
    ActDownEDIT();
    EXPECT_EQ(editorState, ED_EDIT);
}

TEST_F(ToolbarTest, RightClickOpensTheFeatureWindows) {
    TRACK* sw = Make(3, 0.0f, 0.0f, 0.0f);
    TRACK* plain = Make(1, 0.0f, 8.0f, 0.0f);
    TRACK* detach = Make(1, 0.0f, -8.0f, 0.0f);
    detach->bDetach = 1;

    Aim(sw->x, sw->y);
    RightPress();
    EXPECT_EQ(editorState, 162);
    EXPECT_EQ(layoutState.GetSelectedTrack(), sw);
    EXPECT_TRUE(winSwitchAttrib.IsVisible());
    RightRelease();

    editorState = ED_EDIT;
    Aim(detach->x, detach->y);
    RightPress();
    EXPECT_EQ(editorState, 128);
    EXPECT_EQ(attribReturnState, ED_EDIT);
    EXPECT_EQ(layoutState.GetSelectedTrack(), detach);
    EXPECT_EQ(winDetachAttrib.GetMode(), 1);
    RightRelease();

    // A plain piece opens nothing and does not drag the view.
    editorState = ED_EDIT;
    Aim(plain->x, plain->y);
    RightPress();
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_EQ(dragMode, 0);
    RightRelease();
}

TEST_F(ToolbarTest, RightClickOnVehiclesAndObjects) {
    std::vector<TRACK*> run = Run(3, 1, -6.0f);
    TRAIN* wagon = Place(run[0], 50.0f, WAGON);
    TRAIN* engine = Place(run[2], 50.0f, ENGINE);
    trainList.UpdatePoses();

    Aim(wagon->vPos.x, wagon->vPos.y, wagon->vPos.z - 0.3f);
    RightPress();
    EXPECT_EQ(editorState, ED_CAMERA_DRAG);  // wagons have no window
    RightRelease();
    EXPECT_EQ(editorState, ED_EDIT);

    Aim(engine->vPos.x, engine->vPos.y, engine->vPos.z - 0.3f);
    RightPress();
    EXPECT_EQ(editorState, 175);
    EXPECT_EQ(layoutState.GetSelectedVehicle(), engine);
    RightRelease();

    editorState = ED_EDIT;
    TERROBJ* house = PlaceObject(HOUSE_TYPE, 3001, 10.0f, 10.0f);
    house->hasColour2 = 1;
    house->colour1 = 0xff112233;
    house->colour2 = 0xff445566;
    Aim(10.0f, 10.0f);
    RightPress();
    EXPECT_EQ(editorState, 149);
    EXPECT_EQ(layoutState.GetSelectedTerrobj(), house);
    EXPECT_EQ(winHouseColor.GetWinobjColorB(5), 0xff112233u);
    EXPECT_EQ(winHouseColor.GetWinobjColorA(8), 0xff445566u);
    RightRelease();

    editorState = ED_EDIT;
    TERROBJ* lamp = PlaceObject(LAMP_TYPE, 7001, -10.0f, 10.0f);
    Aim(lamp->x, lamp->y);
    RightPress();
    EXPECT_EQ(editorState, ED_CAMERA_DRAG);  // lamps drag the view
    RightRelease();
}

TEST_F(ToolbarTest, PickOrderScreenThenVehicleThenObjectThenTrack) {
    std::vector<TRACK*> run = Run(1, 1, -2.0f);
    TRAIN* engine = Place(run[0], 50.0f, ENGINE);
    trainList.UpdatePoses();
    TERROBJ* o = PlaceObject(HOUSE_TYPE, 3001, engine->vPos.x, engine->vPos.y);
    int kind = -1, id = -1;
    void* obj = nullptr;
    Aim(engine->vPos.x, engine->vPos.y, engine->vPos.z - 0.3f);
    DetPickedObject(&kind, &id, &obj);
    EXPECT_EQ(kind, ENGINE_TYPE);
    EXPECT_EQ(obj, engine);
    const float ex = engine->vPos.x, ey = engine->vPos.y;
    trainList.DeleteAll();
    DetPickedObject(&kind, &id, &obj);
    EXPECT_EQ(kind, HOUSE_TYPE);
    EXPECT_EQ(id, 3001);
    EXPECT_EQ(obj, o);
    terrobjList.RemoveAll(0);
    Aim(ex, ey);
    DetPickedObject(&kind, &id, &obj);
    EXPECT_EQ(kind, TRACK_TYPE);
    EXPECT_EQ(id, run[0]->kind);
    EXPECT_EQ(obj, run[0]);
    layoutState.SetSelectTracks(0);
    DetPickedObject(&kind, &id, &obj);
    EXPECT_EQ(kind, DUMMY_TYPE);
    EXPECT_EQ(id, 200);
    EXPECT_EQ(obj, nullptr);
    // A pressed button wins over everything.
    ASSERT_TRUE(CursorOnButton(233));
    mouseLeftDown = 1;
    screenList.Update();
    DetPickedObject(&kind, &id, &obj);
    EXPECT_EQ(kind, SCREENOBJ_TYPE);
    EXPECT_EQ(id, 233);
    mouseLeftDown = 0;
}
