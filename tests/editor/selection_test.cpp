// The selection machine: click, Ctrl and double-click selection, rectangle
// selection, dragging, turning and lifting the selection, delete, copy and
// paste, the highlight, and the conditions under which clicks are ignored.
#include "editor_test.h"

using SelectionTest = EditorTest;

namespace {

bool Linked(const TRACK* a, int e, const TRACK* b) {
    return a->end[e].state == END_CONNECTED && a->end[e].pTrack == b;
}

}  // namespace

TEST_F(SelectionTest, ClickWithoutMovingRebuildsNoJoints) {
    TRACK* a = Make(1, 2.0f, 0.0f, 0.0f);
    TRACK* b = Make(1, 6.0f, 0.0f, 0.0f);  // touching, not joined
    Aim(2.0f, 0.0f);
    LeftPress();
    EXPECT_EQ(dragState, SELECT_DRAG);
    EXPECT_EQ(a->bSelected, 1);
    EXPECT_EQ(dragTrack, a);
    LeftRelease();
    EXPECT_EQ(dragState, SELECT_IDLE);
    EXPECT_EQ(a->bSelected, 1);
    EXPECT_FALSE(Linked(a, 1, b));
}

TEST_F(SelectionTest, DraggingMovesTheSelectionAndJoinsOnRelease) {
    TRACK* a = Make(1, 2.0f, 0.0f, 0.0f);
    TRACK* b = Make(1, 7.0f, 0.0f, 0.0f);  // a gap of 1
    TERROBJ* o = PlaceObject(HOUSE_TYPE, 3001, -5.0f, 5.0f);
    o->selected = 1;  // selected beforehand: it moves along
    Aim(2.0f, 0.0f);
    keyCtrl = 1;  // keep the object in the selection
    LeftPress();
    keyCtrl = 0;
    ASSERT_EQ(dragState, SELECT_DRAG);
    Aim(2.5f, 0.0f);
    Frame();
    Aim(3.0f, 0.0f);
    Frame();
    EXPECT_NEAR(a->x, 3.0f, 1e-2);
    EXPECT_NEAR(a->end[1].x, 5.0f, 1e-2);
    EXPECT_NEAR(o->x, -4.0f, 1e-2);
    EXPECT_NEAR(b->x, 7.0f, 1e-6);  // not selected
    EXPECT_FALSE(Linked(a, 1, b));   // joints wait for the release
    cursorX += 3;                    // the mouse left its start point
    LeftRelease();
    EXPECT_EQ(dragState, SELECT_IDLE);
    EXPECT_TRUE(Linked(a, 1, b));
    EXPECT_TRUE(Linked(b, 0, a));
}

TEST_F(SelectionTest, TurningWithKeysRebuildsJointsAlthoughTheMouseStoodStill) {
    TRACK* a = Make(1, 2.0f, 0.0f, 0.0f);
    TRACK* b = Make(1, 6.0f, 0.0f, 0.0f);
    trackList.RebuildConnections();
    ASSERT_TRUE(Linked(a, 1, b));
    Aim(2.0f, 0.0f);
    LeftPress();
    keyRightPressed = 1;
    Frame();
    EXPECT_FLOAT_EQ(a->heading, 22.5f);
    EXPECT_NEAR(a->x, 2.0f, 1e-4);  // turned about itself
    LeftRelease();
    EXPECT_FALSE(Linked(a, 1, b));
    EXPECT_NE(b->end[0].state, END_CONNECTED);
}

TEST_F(SelectionTest, RightButtonTurnsPiecesInStepsAndObjectsFreely) {
    TRACK* a = Make(1, 2.0f, 0.0f, 0.0f);
    TERROBJ* o = PlaceObject(HOUSE_TYPE, 3001, -5.0f, 5.0f);
    ClickAt(2.0f, 0.0f);
    keyCtrl = 1;
    Aim(o->x, o->y);
    LeftPress();
    keyCtrl = 0;
    ASSERT_EQ(dragState, SELECT_DRAG);
    ASSERT_EQ(dragObject, o);
    EXPECT_EQ(a->bSelected, 1);
    EXPECT_EQ(o->selected, 1);
    RightPress();
    EXPECT_EQ(dragMode, 1);
    dragX = 10;
    Frame();
    EXPECT_FLOAT_EQ(a->heading, 0.0f);
    EXPECT_FLOAT_EQ(o->heading, 10.0f);
    dragX = 12;
    Frame();
    EXPECT_FLOAT_EQ(a->heading, 22.5f);
    EXPECT_FLOAT_EQ(o->heading, 12.0f);
    // The object is the centre: it stays, the piece swings round it.
    EXPECT_NEAR(o->x, -5.0f, 1e-4);
    EXPECT_NEAR(o->y, 5.0f, 1e-4);
    const float r0 = std::hypot(2.0f + 5.0f, 0.0f - 5.0f);
    EXPECT_NEAR(std::hypot(a->x + 5.0f, a->y - 5.0f), r0, 1e-3);
    dragX = -12;  // back past zero: -0.75 truncates to 0
    Frame();
    EXPECT_FLOAT_EQ(a->heading, 0.0f);
    EXPECT_FLOAT_EQ(o->heading, 348.0f);
    RightRelease();
    EXPECT_EQ(dragMode, 0);
    LeftRelease();
    EXPECT_EQ(dragState, SELECT_IDLE);
}

TEST_F(SelectionTest, CtrlDuringADragLiftsObjectsThenResumesWithoutAJump) {
    TERROBJ* o = PlaceObject(HOUSE_TYPE, 3001, 4.0f, 4.0f);
    Aim(4.0f, 4.0f);
    LeftPress();
    ASSERT_EQ(dragState, SELECT_DRAG);
    keyCtrl = 1;
    Frame();
    EXPECT_EQ(dragState, SELECT_HEIGHT);
    EXPECT_EQ(dragMode, 1);
    EXPECT_EQ(dragY, 0);
    dragY = -50;  // mouse up the screen raises
    Frame();
    EXPECT_NEAR(o->heightOffset, -0.5f, 1e-5);
    dragY = -30;
    Frame();
    EXPECT_NEAR(o->heightOffset, -0.3f, 1e-5);
    dragY = 500;  // never below its ground point
    Frame();
    EXPECT_NEAR(o->heightOffset, 0.0f, 1e-6);
    keyCtrl = 0;
    Frame();
    EXPECT_EQ(dragState, SELECT_DRAG);
    EXPECT_EQ(dragMode, 0);
    Frame();
    EXPECT_NEAR(o->x, 4.0f, 1e-3);
    EXPECT_NEAR(o->y, 4.0f, 1e-3);
    LeftRelease();
    EXPECT_EQ(dragState, SELECT_IDLE);
}

TEST_F(SelectionTest, ReleaseDuringHeightAdjustmentEndsIt) {
    PlaceObject(HOUSE_TYPE, 3001, 4.0f, 4.0f);
    Aim(4.0f, 4.0f);
    LeftPress();
    keyCtrl = 1;
    Frame();
    ASSERT_EQ(dragState, SELECT_HEIGHT);
    LeftRelease();
    EXPECT_EQ(dragState, SELECT_IDLE);
    EXPECT_EQ(dragMode, 0);
    keyCtrl = 0;
}

TEST_F(SelectionTest, RectangleSelectsWhatLiesInside) {
    TRACK* left = Make(1, -8.0f, 0.0f, 0.0f);
    TRACK* right = Make(1, 8.0f, 0.0f, 0.0f);
    TERROBJ* o = PlaceObject(HOUSE_TYPE, 3001, -8.0f, 4.0f);
    right->bSelected = 1;  // a click on the ground clears the old selection
    int lx = 0, ly = 0, ox = 0, oy = 0;
    ASSERT_TRUE(ProjectToScreen(D3DXVECTOR3(left->x, left->y, left->z), &lx, &ly));
    ASSERT_TRUE(ProjectToScreen(D3DXVECTOR3(o->x, o->y, o->z), &ox, &oy));
    // Drag from below right of the left piece to above left of the object.
    cursorX = std::max(lx, ox) + 15;
    cursorY = std::max(ly, oy) + 15;
    Aim(0.0f, -12.0f);  // empty ground under the press
    LeftPress();
    EXPECT_EQ(dragState, SELECT_RECTANGLE);
    EXPECT_EQ(right->bSelected, 0);
    cursorX = std::min(lx, ox) - 15;
    cursorY = std::min(ly, oy) - 15;
    Frame();
    EXPECT_EQ(layoutState.GetDrawRect(), 1);
    LeftRelease();
    EXPECT_EQ(dragState, SELECT_IDLE);
    EXPECT_EQ(left->bSelected, 1);
    EXPECT_EQ(o->selected, 1);
    EXPECT_EQ(right->bSelected, 0);
}

TEST_F(SelectionTest, CtrlAddsAndAPlainClickOnASelectedPieceKeepsTheSelection) {
    TRACK* a = Make(1, -8.0f, 0.0f, 0.0f);
    TRACK* b = Make(1, 0.0f, 0.0f, 0.0f);
    TRACK* c = Make(1, 8.0f, 0.0f, 0.0f);
    ClickAt(a->x, a->y);
    keyCtrl = 1;
    ClickAt(b->x, b->y);
    keyCtrl = 0;
    EXPECT_EQ(a->bSelected, 1);
    EXPECT_EQ(b->bSelected, 1);
    ClickAt(b->x, b->y);
    EXPECT_EQ(a->bSelected, 1);
    EXPECT_EQ(b->bSelected, 1);
    ClickAt(c->x, c->y);
    EXPECT_EQ(a->bSelected, 0);
    EXPECT_EQ(b->bSelected, 0);
    EXPECT_EQ(c->bSelected, 1);
}

TEST_F(SelectionTest, DoubleClickSelectsTheGroup) {
    TRACK* a = Make(1, -8.0f, 0.0f, 0.0f);
    TRACK* b = Make(1, 0.0f, 0.0f, 0.0f);
    TRACK* c = Make(1, 8.0f, 0.0f, 0.0f);
    a->groupId = b->groupId = 5;
    c->groupId = 6;
    c->bSelected = 1;
    Aim(a->x, a->y);
    doubleClick = 1;
    LeftPress();
    LeftRelease();
    EXPECT_EQ(a->bSelected, 1);
    EXPECT_EQ(b->bSelected, 1);
    EXPECT_EQ(c->bSelected, 0);
    // With Ctrl the group joins the selection.
    trackList.DeselectAll();
    c->bSelected = 1;
    keyCtrl = 1;
    doubleClick = 1;
    LeftPress();
    LeftRelease();
    keyCtrl = 0;
    EXPECT_EQ(a->bSelected, 1);
    EXPECT_EQ(b->bSelected, 1);
    EXPECT_EQ(c->bSelected, 1);
}

TEST_F(SelectionTest, DeepPiecesNeedTheGridView) {
    TRACK* a = Make(1, 2.0f, 0.0f, 0.0f);
    a->groundState = GROUND_DEEP;
    ClickAt(2.0f, 0.0f);
    EXPECT_EQ(a->bSelected, 0);
    terrain.SetGridView(1);
    ClickAt(2.0f, 0.0f);
    EXPECT_EQ(a->bSelected, 1);
    terrain.SetGridView(0);
}

TEST_F(SelectionTest, DeleteCopyAndPaste) {
    TRACK* a = Make(1, 2.0f, 0.0f, 0.0f);
    Make(1, 10.0f, 0.0f, 0.0f);
    TRAIN* engine = Place(a, 50.0f, ENGINE);
    layoutState.SetSelectedVehicle(engine);
    ClickAt(2.0f, 0.0f);
    ASSERT_EQ(a->bSelected, 1);
    ClickButton(226);
    ClickButton(227);
    EXPECT_EQ(trackList.GetCount(), 3);
    // Pasted pieces come selected; select the original alone again.
    CursorToView();
    trackList.DeselectAll();
    ClickAt(2.0f, 0.0f);
    // Editing switched off: the delete button does nothing.
    layoutState.SetEditable(0);
    ClickButton(206);
    EXPECT_EQ(trackList.GetCount(), 3);
    layoutState.SetEditable(1);
    ClickButton(206);
    EXPECT_EQ(trackList.GetCount(), 2);
    // The vehicle went with its piece; nothing points at it any more.
    EXPECT_EQ(trainList.GetCount(), 0);
    EXPECT_EQ(layoutState.GetSelectedVehicle(), nullptr);
}

TEST_F(SelectionTest, DeleteKeyDeletesTheSelection) {
    TRACK* a = Make(1, 2.0f, 0.0f, 0.0f);
    ClickAt(a->x, a->y);
    keyDelete = 1;
    Frame();
    keyDelete = 0;
    EXPECT_EQ(trackList.GetCount(), 0);
    EXPECT_EQ(editorState, ED_EDIT);
}

TEST_F(SelectionTest, ClicksIgnoredWhileAToolActsOrOverAWindow) {
    TRACK* a = Make(1, 2.0f, 0.0f, 0.0f);
    // A tool of the build window owns the view.
    editorState = 154;
    layoutState.SetToolOption(0);
    ClickAt(2.0f, 0.0f);
    EXPECT_EQ(a->bSelected, 0);
    EXPECT_EQ(dragState, SELECT_IDLE);
    // (With the palette's type chosen a click there lays a piece instead; the
    // build window's own tests cover that.)
    // Editing off: nothing.
    trackList.DeselectAll();
    editorState = ED_EDIT;
    layoutState.SetEditable(0);
    ClickAt(2.0f, 0.0f);
    EXPECT_EQ(a->bSelected, 0);
    layoutState.SetEditable(1);
    // Over a window.
    winSystemControl.Show(2);
    cursorX = (winSystemControl.GetLeft() + winSystemControl.GetRight()) / 2;
    cursorY = (winSystemControl.GetTop() + winSystemControl.GetBottom()) / 2;
    ASSERT_TRUE(windowList.IsMouseOverAny());
    editorState = 151;
    ClickAt(2.0f, 0.0f);
    EXPECT_EQ(a->bSelected, 0);
    winSystemControl.Hide();
    // A window state that is not a tool window.
    CursorToView();
    editorState = 157;
    ClickAt(2.0f, 0.0f);
    EXPECT_EQ(a->bSelected, 0);
}

TEST_F(SelectionTest, HighlightFollowsTheMouse) {
    TRACK* a = Make(1, 2.0f, 0.0f, 0.0f);
    TERROBJ* o = PlaceObject(HOUSE_TYPE, 3001, -6.0f, 4.0f);
    Aim(2.0f, 0.0f);
    Frame();
    EXPECT_EQ(layoutState.GetHighlightedObject(), a);
    Aim(o->x, o->y);
    Frame();
    EXPECT_EQ(layoutState.GetHighlightedObject(), o);
    Aim(20.0f, 15.0f);
    Frame();
    EXPECT_EQ(layoutState.GetHighlightedObject(), nullptr);
    // An acting tool hides the highlight.
    Aim(2.0f, 0.0f);
    editorState = 154;
    layoutState.SetToolOption(0);
    Frame();
    EXPECT_EQ(layoutState.GetHighlightedObject(), nullptr);
    editorState = ED_EDIT;
    // So does a toolbar button under the cursor.
    ASSERT_TRUE(CursorOnButton(233));
    Frame();
    EXPECT_EQ(layoutState.GetHighlightedObject(), nullptr);
}

TEST_F(SelectionTest, QuickClickInOneFrameEndsTheDrag) {
    TRACK* a = Make(1, 2.0f, 0.0f, 0.0f);
    Aim(2.0f, 0.0f);
    mouseLeftDown = 1;
    mouseLeftUp = 1;
    Frame();
    EXPECT_EQ(a->bSelected, 1);
    EXPECT_EQ(dragState, SELECT_IDLE);
    Aim(6.0f, 0.0f);
    Frame();
    EXPECT_NEAR(a->x, 2.0f, 1e-6);
}

TEST_F(SelectionTest, VehiclesUnderTheGroundArePickedInGridView) {
    TRACK* a = Make(1, 2.0f, 0.0f, 0.0f);
    TRAIN* engine = Place(a, 50.0f, ENGINE);
    // The vehicle stands in a tunnel, well below the ground surface.
    engine->vPos.z = 4.0f;
    Aim(engine->vPos.x, engine->vPos.y, engine->vPos.z - 0.3f);
    int type = 0;
    TRAIN* picked = nullptr;
    EXPECT_EQ(trainList.PickTrain(&type, &picked), 0);  // the ground hides it
    terrain.SetGridView(1);
    EXPECT_EQ(trainList.PickTrain(&type, &picked), 1);
    EXPECT_EQ(picked, engine);
    terrain.SetGridView(0);
}

TEST_F(SelectionTest, RectangleSkipsPiecesBehindTheCamera) {
    D3DXVECTOR3 eye, target;
    display.GetCamera(&eye, &target, nullptr);
    // One piece in front of the camera, one as far behind it: both lie on
    // the line of sight through the middle of the screen.
    const D3DXVECTOR3 ahead = eye + (target - eye) * 0.5f;
    const D3DXVECTOR3 behind = eye - (target - eye) * 0.5f;
    TRACK* front = Make(1, ahead.x, ahead.y, 0.0f);
    TRACK* back = Make(1, behind.x, behind.y, 0.0f);
    front->z = ahead.z;
    back->z = behind.z;
    const RECT screen = {0, 0, 800, 600};
    trackList.SelectInRectangle(&screen);
    EXPECT_EQ(front->bSelected, 1);
    EXPECT_EQ(back->bSelected, 0);
}
