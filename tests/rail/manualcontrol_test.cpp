// The manual control table: entries, switching features by hand with the
// mouse, the gauge, scrolling, folding, reordering, removal with the
// features, and its section of the layout file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/gamestate.h"
#include "app/input.h"
#include "rail/manualcontrol.h"
#include "support/testutil.h"
#include "track_test.h"

namespace {

constexpr int H = 600;
constexpr int CELLY = H - 82;

int CellX(int i) { return 90 + 51 * i; }

class ManualControlTest : public TrackTest {
protected:
    void SetUp() override {
        TrackTest::SetUp();
        ResetStartLogForTest("log.txt");
        MANUAL_CONTROL_TABLE::SetScreenSizeForTest(800, H);
        manualControlTable.Clear();
        manualControlTable.SetShown(1);
        gameState = EDITOR_RUN_STATE;
        editorState = 100;
        dragState = 1;
        ResetInputState();
    }
    void TearDown() override {
        manualControlTable.Clear();
        ResetStartLogForTest(nullptr);
    }

    std::string Log() const { return veltest::ReadFile(dir.Path() + "/log.txt"); }

    static void At(int x, int y) {
        cursorX = x;
        cursorY = y;
    }
    static void LeftPress(int x, int y) {
        At(x, y);
        mouseLeftDown = 1;
        manualControlTable.HandleInput();
        mouseLeftDown = 0;
    }
    static void LeftRelease() {
        mouseLeftUp = 1;
        manualControlTable.HandleInput();
        mouseLeftUp = 0;
    }
    static void RightPress(int x, int y) {
        At(x, y);
        mouseRightDown = 1;
        manualControlTable.HandleInput();
        mouseRightDown = 0;
    }
    static void RightRelease() {
        mouseRightUp = 1;
        manualControlTable.HandleInput();
        mouseRightUp = 0;
    }
    static void Frame() { manualControlTable.HandleInput(); }

    TRACK* Switch(float x) {
        TRACK* p = Make(3, x, 30.0f, 0.0f);
        manualControlTable.SetControl(MCT_SWITCH, p, 1);
        return p;
    }

    std::vector<void*> Order() const {
        std::vector<void*> out;
        for (MANUAL_CONTROL_ENTRY* e = manualControlTable.GetFirst(); e; e = e->pNext) out.push_back(e->pObject);
        return out;
    }

    veltest::TempDir dir;
};

TEST_F(ManualControlTest, EntriesAreAddedOnceAndRemovedWithTheirFeatures) {
    TRACK* s = Make(3, 0.0f, 0.0f, 0.0f);
    manualControlTable.SetControl(MCT_SWITCH, s, 1);
    manualControlTable.SetControl(MCT_SWITCH, s, 1);
    EXPECT_EQ(manualControlTable.GetEntryCount(), 1);
    // The same piece may carry entries of other kinds.
    s->bDetach = 1;
    manualControlTable.SetControl(MCT_DETACH, s, 1);
    EXPECT_EQ(manualControlTable.GetEntryCount(), 2);
    manualControlTable.SetControl(MCT_DETACH, s, 0);
    manualControlTable.SetControl(MCT_DETACH, s, 0);
    EXPECT_EQ(manualControlTable.GetEntryCount(), 1);
    EXPECT_EQ(manualControlTable.AddControl(7, s), nullptr);
    EXPECT_EQ(manualControlTable.GetEntryCount(), 1);
    EXPECT_NE(Log().find("Unknown type in MANUAL_CONTROL_TABLE::AddControl() 7"), std::string::npos);

    // Deleting the piece or the feed point takes the entry along.
    trackList.RemoveTrack(s);
    EXPECT_EQ(manualControlTable.GetEntryCount(), 0);
    TRACK* p = Make(0, 5.0f, 0.0f, 0.0f);
    POWER_NODE* n = powerList.CreateFeedPoint(p, 50, "Feed", 1);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(manualControlTable.GetEntryCount(), 1);
    char name[64];
    manualControlTable.GetFirst()->GetName(name, sizeof name);
    EXPECT_STREQ(name, "Feed");
    powerList.RemoveNode(n);
    EXPECT_EQ(manualControlTable.GetEntryCount(), 0);

    // Names: the switch's feature name (not the piece's own name), the
    // feature names, "-NULL-" for a lost node.
    TRACK* sw = Switch(10.0f);
    CopyText(sw->featureName, TRACKFEATURENAMELEN, "S4");
    CopyText(sw->name, TRACKNAMELEN, "North");
    manualControlTable.GetFirst()->GetName(name, sizeof name);
    EXPECT_STREQ(name, "S4");
    MANUAL_CONTROL_ENTRY* lost = manualControlTable.AddControl(MCT_POWER, nullptr, 0);
    lost->GetName(name, sizeof name);
    EXPECT_STREQ(name, "-NULL-");
    char tiny[3];
    lost->GetName(tiny, sizeof tiny);
    EXPECT_STREQ(tiny, "-N");
}

TEST_F(ManualControlTest, ClicksSwitchPointsDetachPointsBarriersAndTurntables) {
    layoutState.SetMode(0);
    TRACK* s = Switch(0.0f);
    TRACK* d = Make(0, 5.0f, 30.0f, 0.0f);
    d->bDetach = 1;
    manualControlTable.SetControl(MCT_DETACH, d, 1);
    TRACK* b = Make(0, 10.0f, 30.0f, 0.0f);
    b->bBarrier = 1;
    manualControlTable.SetControl(MCT_BARRIER, b, 1);
    TRACK* t = Make(0, 15.0f, 30.0f, 0.0f);
    t->bTurntable = 1;
    manualControlTable.SetControl(MCT_TURNTABLE, t, 1);

    LeftPress(CellX(0) + 5, CELLY + 5);
    EXPECT_EQ(s->switchState, 2);
    EXPECT_EQ(mouseLeftDown, 0);
    LeftPress(CellX(0) + 5, CELLY + 5);
    EXPECT_EQ(s->switchState, 1);
    EXPECT_EQ(manualControlTable.GetInputState(), 0);

    // The detach button lies at (17, 15) in its cell.
    LeftPress(CellX(1) + 2, CELLY + 2);
    EXPECT_EQ(d->bDetachActive, 0);
    LeftPress(CellX(1) + 20, CELLY + 20);
    EXPECT_EQ(d->bDetachActive, 1);
    LeftPress(CellX(1) + 20, CELLY + 20);
    EXPECT_EQ(d->bDetachActive, 0);

    LeftPress(CellX(2) + 10, CELLY + 10);
    EXPECT_EQ(b->barrierState, 2);

    LeftPress(CellX(3) + 12 + 5, CELLY + 3 + 5);
    EXPECT_EQ(t->bTurning, 1);
    EXPECT_FLOAT_EQ(t->targetHeading, -22.5f);
    t->bTurning = 0;
    LeftPress(CellX(3) + 12 + 5, CELLY + 30 + 5);
    EXPECT_FLOAT_EQ(t->targetHeading, 22.5f);

    // The editor's own states, the selection machine and other game states
    // keep the clicks away from the table.
    editorState = 101;
    LeftPress(CellX(0) + 5, CELLY + 5);
    EXPECT_EQ(s->switchState, 1);
    editorState = 100;
    dragState = 2;
    LeftPress(CellX(0) + 5, CELLY + 5);
    EXPECT_EQ(s->switchState, 1);
    dragState = 1;
    gameState = MENU_STATE;
    LeftPress(CellX(0) + 5, CELLY + 5);
    EXPECT_EQ(s->switchState, 1);
    gameState = EDITOR_RUN_STATE;

    // A click elsewhere keeps its flag for the editor.
    At(400, 100);
    mouseLeftDown = 1;
    manualControlTable.HandleInput();
    EXPECT_EQ(mouseLeftDown, 1);
    mouseLeftDown = 0;
}

TEST_F(ManualControlTest, GaugeDragSetsAndSpreadsThePowerWithinItsRange) {
    EXPECT_EQ(GetGaugePercent(-100), 100);
    EXPECT_EQ(GetGaugePercent(0), 100);
    EXPECT_EQ(GetGaugePercent(45), 15);
    EXPECT_EQ(GetGaugePercent(51), 1);
    EXPECT_EQ(GetGaugePercent(52), 0);
    EXPECT_EQ(GetGaugePercent(1000), 0);

    TRACK* p = Make(0, 0.0f, 0.0f, 0.0f);
    POWER_NODE* n = powerList.CreateFeedPoint(p, 50, "Feed", 1);
    ASSERT_NE(n, nullptr);
    ASSERT_EQ(manualControlTable.GetEntryCount(), 1);

    // A press on the gauge 10 pixels into it: 92 percent.
    LeftPress(CellX(0) + 7 + 5, CELLY + 3 + 10);
    EXPECT_EQ(manualControlTable.GetInputState(), 1);
    EXPECT_EQ(n->currentValue, 8);
    EXPECT_EQ(std::abs(p->powerValue), 8);
    // Dragged far above its top: 100 percent; far below: 0.
    At(CellX(0) + 10, 0);
    Frame();
    EXPECT_EQ(n->currentValue, 10);
    EXPECT_EQ(std::abs(p->powerValue), 10);
    At(CellX(0) + 10, H + 200);
    Frame();
    EXPECT_EQ(n->currentValue, -10);
    // The same point of the item gives the same value pressed or dragged.
    At(CellX(0) + 10, CELLY + 3 + 10);
    Frame();
    EXPECT_EQ(n->currentValue, 8);
    LeftRelease();
    EXPECT_EQ(manualControlTable.GetInputState(), 0);
    At(CellX(0) + 10, 0);
    Frame();
    EXPECT_EQ(n->currentValue, 8);

    // The feed point going while its gauge is held ends the drag.
    LeftPress(CellX(0) + 7 + 5, CELLY + 3 + 10);
    ASSERT_EQ(manualControlTable.GetInputState(), 1);
    powerList.RemoveNode(n);
    EXPECT_EQ(manualControlTable.GetInputState(), 0);
    Frame();
}

TEST_F(ManualControlTest, ArrowsAndThumbScrollOnlyWhereThereIsMoreToSee) {
    std::vector<TRACK*> s;
    for (int i = 0; i < 20; i++) s.push_back(Switch(3.0f * i));
    At(0, 0);
    manualControlTable.IsMouseOver();
    EXPECT_EQ(manualControlTable.GetVisibleCount(), 13);
    EXPECT_EQ(manualControlTable.CanScrollLeft(), 0);
    EXPECT_EQ(manualControlTable.CanScrollRight(), 1);
    EXPECT_EQ(manualControlTable.GetThumbX(), 101);

    const int arrowY = H - 96 + 5;
    LeftPress(89 + 5, arrowY);  // left arrow disabled
    EXPECT_EQ(manualControlTable.GetScrollOffset(), 0);
    LeftPress(51 * 13 + 78 + 5, arrowY);
    EXPECT_EQ(manualControlTable.GetScrollOffset(), 1);
    EXPECT_EQ(manualControlTable.CanScrollLeft(), 0);  // not laid out again yet
    manualControlTable.IsMouseOver();
    EXPECT_EQ(manualControlTable.CanScrollLeft(), 1);
    // The cells now start at the second entry.
    LeftPress(CellX(0) + 5, CELLY + 5);
    EXPECT_EQ(s[1]->switchState, 2);
    EXPECT_EQ(s[0]->switchState, 1);
    LeftPress(89 + 5, arrowY);
    EXPECT_EQ(manualControlTable.GetScrollOffset(), 0);

    // The thumb between 101 and 51 x 13 + 101 - 30 - 23.
    manualControlTable.SetScrollOffset(3);
    manualControlTable.IsMouseOver();
    EXPECT_EQ(manualControlTable.GetThumbX(), 101 + (610 / 7) * 3);
    manualControlTable.SetScrollOffset(0);
    manualControlTable.IsMouseOver();
    LeftPress(101 + 5, H - 94 + 2);
    ASSERT_EQ(manualControlTable.GetInputState(), 2);
    At(800, 0);
    Frame();
    EXPECT_EQ(manualControlTable.GetThumbX(), 711);
    EXPECT_EQ(manualControlTable.GetScrollOffset(), 7);
    At(101 + 5 + 305, 0);
    Frame();
    EXPECT_EQ(manualControlTable.GetScrollOffset(), 3);  // 305 / 610 x 7 + 0.49 = 3.99
    At(0, 0);
    Frame();
    EXPECT_EQ(manualControlTable.GetScrollOffset(), 0);
    At(800, 0);
    Frame();
    LeftRelease();
    EXPECT_EQ(manualControlTable.GetInputState(), 0);
    manualControlTable.IsMouseOver();
    EXPECT_EQ(manualControlTable.CanScrollRight(), 0);
    EXPECT_EQ(manualControlTable.GetThumbX(), 711);
    LeftPress(51 * 13 + 78 + 5, arrowY);  // right arrow disabled now
    EXPECT_EQ(manualControlTable.GetScrollOffset(), 7);

    // Fewer entries: everything fits, the offset returns to 0 and the
    // thumb stays at its start.
    for (int i = 0; i < 7; i++) manualControlTable.SetControl(MCT_SWITCH, s[i], 0);
    manualControlTable.Draw();
    EXPECT_EQ(manualControlTable.GetScrollOffset(), 0);
    EXPECT_EQ(manualControlTable.GetVisibleCount(), 13);
    EXPECT_EQ(manualControlTable.GetThumbX(), 101);
    LeftPress(101 + 5, H - 94 + 2);
    EXPECT_EQ(manualControlTable.GetInputState(), 0);
}

TEST_F(ManualControlTest, FoldingAndTheAreaUnderTheMouse) {
    // An empty table is never under the mouse and does not fold.
    At(30, H - 40);
    EXPECT_EQ(manualControlTable.IsMouseOver(), 0);
    LeftPress(30, H - 40);
    EXPECT_EQ(manualControlTable.IsShown(), 1);

    Switch(0.0f);
    Switch(5.0f);
    // Shown: x 0 .. 89 + 12 + 51 x 2, y H - 100 .. H.
    At(203, H - 50);
    EXPECT_EQ(manualControlTable.IsMouseOver(), 1);
    At(204, H - 50);
    EXPECT_EQ(manualControlTable.IsMouseOver(), 0);
    At(50, H - 101);
    EXPECT_EQ(manualControlTable.IsMouseOver(), 0);
    At(0, H);
    EXPECT_EQ(manualControlTable.IsMouseOver(), 1);

    LeftPress(30, H - 40);
    EXPECT_EQ(manualControlTable.IsShown(), 0);
    // Folded: only the fold button.
    At(30, H - 40);
    EXPECT_EQ(manualControlTable.IsMouseOver(), 1);
    At(150, H - 40);
    EXPECT_EQ(manualControlTable.IsMouseOver(), 0);
    LeftPress(CellX(0) + 5, CELLY + 5);  // no cells while folded
    EXPECT_EQ(manualControlTable.GetFirst()->pObject != nullptr, true);
    EXPECT_EQ(static_cast<TRACK*>(manualControlTable.GetFirst()->pObject)->switchState, 1);
    manualControlTable.Draw();
    LeftPress(30, H - 40);
    EXPECT_EQ(manualControlTable.IsShown(), 1);
    manualControlTable.Draw();
}

TEST_F(ManualControlTest, RightDragMovesAnEntryBeforeOrAfterTheCellUnderTheMouse) {
    TRACK* a = Switch(0.0f);
    TRACK* b = Switch(5.0f);
    TRACK* c = Switch(10.0f);
    RightPress(CellX(0) + 5, CELLY + 20);
    ASSERT_EQ(manualControlTable.GetInputState(), 3);
    EXPECT_EQ(manualControlTable.GetDragged()->pObject, a);
    manualControlTable.Draw();
    // Right half of the third cell: after it.
    At(CellX(2) + 30, CELLY + 20);
    Frame();
    EXPECT_EQ(Order(), (std::vector<void*>{b, c, a}));
    Frame();  // the mouse is over the moved entry itself now
    EXPECT_EQ(Order(), (std::vector<void*>{b, c, a}));
    // Left part of the first cell: before it.
    At(CellX(0) + 5, CELLY + 20);
    Frame();
    EXPECT_EQ(Order(), (std::vector<void*>{a, b, c}));
    At(CellX(1) + 10, CELLY + 20);  // already before it
    Frame();
    EXPECT_EQ(Order(), (std::vector<void*>{a, b, c}));
    At(CellX(1) + 30, CELLY + 20);
    Frame();
    EXPECT_EQ(Order(), (std::vector<void*>{b, a, c}));
    RightRelease();
    EXPECT_EQ(manualControlTable.GetInputState(), 0);
    EXPECT_EQ(manualControlTable.GetDragged(), nullptr);
    // A click no longer moves anything.
    At(CellX(2) + 30, CELLY + 20);
    Frame();
    EXPECT_EQ(Order(), (std::vector<void*>{b, a, c}));

    // The moved entry's piece going ends the move.
    RightPress(CellX(0) + 5, CELLY + 20);
    ASSERT_EQ(manualControlTable.GetInputState(), 3);
    trackList.RemoveTrack(b);
    EXPECT_EQ(manualControlTable.GetInputState(), 0);
    EXPECT_EQ(manualControlTable.GetDragged(), nullptr);
    Frame();
    EXPECT_EQ(Order(), (std::vector<void*>{a, c}));
}

TEST_F(ManualControlTest, SectionRoundTripKeepsOrderAndFoldedState) {
    TRACK* p = Make(0, 0.0f, 0.0f, 0.0f);
    POWER_NODE* n = powerList.CreateFeedPoint(p, 50, "Feed", 0);
    TRACK* s = Switch(5.0f);
    TRACK* d = Make(0, 10.0f, 30.0f, 0.0f);
    d->bDetach = 1;
    manualControlTable.SetControl(MCT_DETACH, d, 1);
    manualControlTable.SetControl(MCT_POWER, n, 1);
    manualControlTable.SetShown(0);

    saveCounter.Reset();
    trackList.NumberPieces();
    powerList.NumberNodes();
    manualControlTable.SaveIds();
    FILE* f = std::tmpfile();
    ASSERT_EQ(manualControlTable.Save(f), 1);
    ASSERT_EQ(std::ftell(f), 1 + 4 + 3 * 8);
    std::rewind(f);
    unsigned char b[29];
    ASSERT_EQ(std::fread(b, 1, 29, f), 29u);
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(recordio::GetInt(b + 1), 3);
    EXPECT_EQ(recordio::GetInt(b + 5), MCT_SWITCH);
    EXPECT_EQ(recordio::GetInt(b + 9), s->id);
    EXPECT_EQ(recordio::GetInt(b + 21), MCT_POWER);
    EXPECT_EQ(recordio::GetInt(b + 25), n->seqId);

    manualControlTable.SetShown(1);
    manualControlTable.SetControl(MCT_SWITCH, s, 0);
    std::rewind(f);
    ASSERT_EQ(manualControlTable.Load(f), 1);
    std::fclose(f);
    EXPECT_EQ(manualControlTable.IsShown(), 0);
    ASSERT_EQ(manualControlTable.GetEntryCount(), 3);
    manualControlTable.RestoreObjects();
    EXPECT_EQ(Order(), (std::vector<void*>{s, d, n}));
    EXPECT_EQ(d->bDetachInTable, 1);
    EXPECT_EQ(n->bInTable, 1);
}

TEST_F(ManualControlTest, DamagedSectionsAndEntriesThatDoNotResolve) {
    TRACK* s = Make(3, 0.0f, 0.0f, 0.0f);
    TRACK* plain = Make(0, 5.0f, 0.0f, 0.0f);
    saveCounter.Reset();
    trackList.NumberPieces();
    auto load = [](const std::string& bytes) {
        FILE* f = std::tmpfile();
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::rewind(f);
        const int ok = manualControlTable.Load(f);
        std::fclose(f);
        return ok;
    };
    auto entry = [](std::string& out, int type, int id) {
        unsigned char b[8];
        recordio::PutInt(b, type);
        recordio::PutInt(b + 4, id);
        out.append(reinterpret_cast<char*>(b), 8);
    };
    std::string head(5, '\0');
    head[0] = 1;
    // Counts beyond the bytes left, negative, or a section cut short.
    std::string bad = head;
    recordio::PutInt(reinterpret_cast<unsigned char*>(&bad[1]), 2);
    entry(bad, MCT_SWITCH, s->id);
    EXPECT_EQ(load(bad), 0);
    recordio::PutInt(reinterpret_cast<unsigned char*>(&bad[1]), -1);
    EXPECT_EQ(load(bad), 0);
    EXPECT_EQ(load(std::string("\x01\x02", 2)), 0);
    EXPECT_EQ(manualControlTable.GetEntryCount(), 0);

    std::string good = head;
    recordio::PutInt(reinterpret_cast<unsigned char*>(&good[1]), 6);
    entry(good, 9, s->id);             // unknown kind
    entry(good, MCT_SWITCH, s->id);    // kept
    entry(good, MCT_SWITCH, s->id);    // twice
    entry(good, MCT_SWITCH, 999);      // no such piece
    entry(good, MCT_BARRIER, plain->id);  // no barrier there
    entry(good, MCT_POWER, 0);         // no feed point
    ASSERT_EQ(load(good), 1);
    EXPECT_EQ(manualControlTable.GetEntryCount(), 5);
    manualControlTable.RestoreObjects();
    ASSERT_EQ(manualControlTable.GetEntryCount(), 1);
    EXPECT_EQ(manualControlTable.GetFirst()->pObject, s);
    EXPECT_EQ(s->bSwitchInTable, 1);
    const std::string log = Log();
    EXPECT_NE(log.find("Control table entry of an unknown type dropped: 9"), std::string::npos);
    EXPECT_NE(log.find("Control table entry dropped, it is listed twice:"), std::string::npos);
    EXPECT_NE(log.find("Control table entry dropped, its feature does not resolve: 999"), std::string::npos);
    EXPECT_NE(log.find("Control table entry dropped, its piece lacks the feature:"), std::string::npos);
}

}  // namespace
