#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/gamestate.h"
#include "app/input.h"
#include "app/myglobs.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "platform/platform_hooks.h"
#include "support/testutil.h"

namespace {
DWORD fakeNow = 5000;
int clockReads = 0;
}  // namespace

TEST(FrameClock, FrameTimeIsAtLeastOneAndAtMostHundred) {
    ResetFrameClock();
    clockReads = 0;
    // A clock that repeats a value a few times before it moves on: the
    // measurement waits for the next tick.
    std::vector<DWORD> ticks = {5000, 5000, 5000, 5000, 5001, 5001, 10001, 10001, 10050};
    plat::SetClockHook([&ticks]() {
        DWORD v = ticks[clockReads < static_cast<int>(ticks.size()) ? clockReads : ticks.size() - 1];
        ++clockReads;
        return v;
    });
    MeasureFrameTime();
    EXPECT_EQ(frameTime, 1);
    EXPECT_EQ(currentTime, 1);
    MeasureFrameTime();
    EXPECT_EQ(frameTime, 100);  // a five-second stall
    EXPECT_EQ(currentTime, 101);
    MeasureFrameTime();
    EXPECT_EQ(frameTime, 49);
    EXPECT_EQ(currentTime, 150);
    plat::SetClockHook(nullptr);
}

TEST(FrameLoop, GatingByRunningQuitActiveAndLoadingState) {
    veltest::TempDir dir;
    ResetFrameClock();
    DWORD now = 1000;
    plat::SetClockHook([&now]() { return now += 16; });
    int before = myGlobs.frameCounter;

    myGlobs.running = 0;
    RunLoopTurn();
    EXPECT_EQ(myGlobs.frameCounter, before);

    myGlobs.running = 1;
    myGlobs.appActive = 0;
    gameState = EDITOR_RUN_STATE;
    RunLoopTurn();
    EXPECT_EQ(currentTime, 0);  // no frame ran: the clock did not move

    gameState = LOADING_STATE;
    RunLoopTurn();
    EXPECT_GT(currentTime, 0);  // loading goes on while inactive

    int t = currentTime;
    myGlobs.quit = 1;
    RunLoopTurn();
    EXPECT_EQ(currentTime, t);
    myGlobs.quit = 0;
    myGlobs.running = 0;
    plat::SetClockHook(nullptr);
}

TEST(FrameLoop, OneFrameEdgesAreClearedAfterEachFrame) {
    veltest::TempDir dir;
    ResetFrameClock();
    DWORD now = 1000;
    plat::SetClockHook([&now]() { return now += 16; });
    myGlobs.running = 1;
    myGlobs.appActive = 1;
    gameState = CLOSED_STATE;
    display.SetDisplayMode(32, 0, 1, 800, 600);  // a window: the loop clears the mouse edges
    myGlobs.keyTabPressed = keyEnterPressed = keyLeftPressed = keyRightPressed = 1;
    mouseLeftDown = mouseRightUp = 1;
    RunLoopTurn();
    EXPECT_EQ(myGlobs.keyTabPressed + keyEnterPressed + keyLeftPressed + keyRightPressed, 0);
    EXPECT_EQ(mouseLeftDown + mouseRightUp, 0);  // in a window the loop clears them
    myGlobs.running = 0;
    plat::SetClockHook(nullptr);
}

TEST(FrameLoop, AClickAndAKeyBetweenTwoFramesReachTwoFrames) {
    veltest::TempDir dir;
    ResetFrameClock();
    ResetInputState();
    DWORD now = 1000;
    plat::SetClockHook([&now]() { return now += 16; });
    myGlobs.running = 1;
    myGlobs.appActive = 1;
    gameState = CLOSED_STATE;
    display.SetDisplayMode(32, 0, 1, 800, 600);  // a window
    HandleWindowMouse(WM_LBUTTONDOWN, 0);
    HandleWindowMouse(WM_LBUTTONUP, 0);
    HandleKeyDown(VK_DELETE);
    HandleKeyUp(VK_DELETE);
    EXPECT_EQ(mouseLeftDown, 1);
    EXPECT_EQ(keyDelete, 1);
    RunLoopTurn();
    // The frame took the press and the held key; the release waits for the
    // next frame, and the key is let go.
    EXPECT_EQ(mouseLeftDown, 0);
    EXPECT_EQ(mouseLeftUp, 1);
    EXPECT_EQ(keyDelete, 0);
    RunLoopTurn();
    EXPECT_EQ(mouseLeftUp, 0);
    myGlobs.running = 0;
    plat::SetClockHook(nullptr);
}
