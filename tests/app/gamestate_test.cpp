#include <gtest/gtest.h>

#include "app/gamestate.h"
#include "app/myglobs.h"
#include "app/winmain.h"
#include "editor/editor.h"
#include "rail/layoutstate.h"
#include "support/testutil.h"
#include "ui/screenlist.h"

TEST(GameState, OptionMNoGoesStraightToLoadingAndIntoTheEditor) {
    veltest::TempDir dir;
    ResetGameStateForTest();
    myGlobs.ReadCommandLine("-mNO");
    frameTime = 16;
    RunGameState();
    EXPECT_EQ(gameState, LOADING_STATE);
    RunGameState();  // nothing to load: loading ends at once
    EXPECT_EQ(gameState, EDITOR_ENTER_STATE);
    RunGameState();
    EXPECT_EQ(gameState, EDITOR_RUN_STATE);
    EXPECT_EQ(editorState, 122);  // no layout named: the load window is open
}

TEST(GameState, LayoutOptionLoadsOnTheFirstEditorFrame) {
    veltest::TempDir dir;
    ResetGameStateForTest();
    myGlobs.ReadCommandLine("-mNO -lsample");
    for (int i = 0; i < 3; ++i) RunGameState();
    EXPECT_EQ(gameState, EDITOR_RUN_STATE);
    EXPECT_EQ(editorState, 123);
    EXPECT_STREQ(myGlobs.chosenFileName, "sample");
}

TEST(GameState, MenuPanelWaitsThreeHundredMillisecondsThenSlides) {
    veltest::TempDir dir;
    ResetGameStateForTest();
    myGlobs.ReadCommandLine("");
    frameTime = 100;
    RunGameState();  // start: builds the game windows
    EXPECT_EQ(gameState, MENU_ENTER_STATE);
    RunGameState();
    EXPECT_EQ(gameState, MENU_BUILD_STATE);
    RunGameState();  // set-up and the first step (100 ms)
    int restX = GetMenuArmX(0);
    RunGameState();  // 200 ms
    RunGameState();  // 300 ms: the slide starts
    EXPECT_EQ(GetMenuArmX(0), restX);
    RunGameState();  // 400 ms
    EXPECT_GT(GetMenuArmX(0), restX);
    // The slots arrive after going out to the edge and coming back.
    int frames = 0;
    while (gameState == MENU_BUILD_STATE && frames < 200) {
        RunGameState();
        ++frames;
    }
    EXPECT_EQ(gameState, MENU_STATE);
    EXPECT_EQ(GetMenuArmX(0), 121 + 100);  // rest x plus the record's rest offset
    EXPECT_EQ(GetMenuArmX(1), 660);        // an empty slot does not move
}

TEST(GameState, MenuButtonsSitAtTheirArmEndsWhateverTheFrameTime) {
    veltest::TempDir dir;
    for (int ms : {16, 50, 100}) {
        SCOPED_TRACE(ms);
        ResetGameStateForTest();
        myGlobs.ReadCommandLine("");
        frameTime = ms;
        for (int frames = 0; gameState != MENU_STATE && frames < 2000; ++frames) RunGameState();
        ASSERT_EQ(gameState, MENU_STATE);
        SCREEN_ITEM start, quit;
        ASSERT_TRUE(screenList.FindItem(589, &start));
        ASSERT_TRUE(screenList.FindItem(591, &quit));
        // Slot 0 hangs from the left: its arm ends 64 right of its arm x.
        EXPECT_EQ(start.screen.left, GetMenuArmX(0) + 64);
        EXPECT_EQ(start.screen.left, 121 + 100 + 64);
        // Slot 3 hangs from the right: its arm ends 64 left of its arm x.
        EXPECT_EQ(quit.screen.right, GetMenuArmX(3) - 64);
        EXPECT_EQ(quit.screen.right, 678 - 100 - 64);
        EXPECT_EQ(quit.screen.right - quit.screen.left, 256);
    }
}

TEST(GameState, PauseKeyOnlyInPlainEditingAndOnlyUpperCaseP) {
    veltest::TempDir dir;
    ResetGameStateForTest();
    gameState = EDITOR_RUN_STATE;
    editorState = 100;
    myGlobs.pendingKey = 'P';
    UpdatePauseKey();  // editorState just became 100: the pending key is discarded
    EXPECT_EQ(IsPauseRequested(), 0);
    myGlobs.pendingKey = 'P';
    UpdatePauseKey();
    EXPECT_EQ(IsPauseRequested(), 1);
    EXPECT_EQ(myGlobs.pendingKey, ' ');
    int paused = layoutState.IsPaused();
    DrawPauseText();
    EXPECT_NE(layoutState.IsPaused(), paused);
    myGlobs.pendingKey = 'p';
    UpdatePauseKey();
    EXPECT_EQ(IsPauseRequested(), 0);
    editorState = 122;
    myGlobs.pendingKey = 'P';
    UpdatePauseKey();
    EXPECT_EQ(IsPauseRequested(), 0);
    EXPECT_EQ(myGlobs.pendingKey, 'P');
}
