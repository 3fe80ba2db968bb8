#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "app/gamestate.h"
#include "app/input.h"
#include "app/messagequeue.h"
#include "app/myglobs.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "gfx/screensprites.h"
#include "platform/d3d8.h"
#include "platform/dinput.h"
#include "platform/platform_hooks.h"
#include "platform/window.h"
#include "support/testutil.h"
#include "ui/screenlist.h"

namespace {

// A DirectInput mouse without a window: acquire it and poll it as the frame
// loop does, one UpdateMouse per frame.
struct MouseFixture : ::testing::Test {
    void SetUp() override {
        ResetInputState();
        void* out = nullptr;
        ASSERT_EQ(DirectInput8Create(PlatformInstance(), DIRECTINPUT_VERSION, IID_IDirectInput8, &out, nullptr), DI_OK);
        input = static_cast<IDirectInput8*>(out);
        ASSERT_EQ(input->CreateDevice(GUID_SysMouse, &mouseDevice, nullptr), DI_OK);
        mouseDevice->SetDataFormat(&c_dfDIMouse);
        mouseDevice->Acquire();
        mouseAcquired = 1;
        currentTime = 10000;
    }
    void TearDown() override {
        for (int b = 0; b < 4; ++b) plat::InjectMouseButton(b, false);
        mouseDevice->Release();
        mouseDevice = nullptr;
        input->Release();
        mouseAcquired = 0;
    }
    void Frame(int ms = 16) {
        currentTime += ms;
        UpdateMouse();
    }
    IDirect3DDevice8* unused = nullptr;
    IDirectInput8* input = nullptr;
};

}  // namespace

TEST_F(MouseFixture, ButtonEdgesLastOneFrame) {
    plat::InjectMouseButton(0, true);
    Frame();
    EXPECT_EQ(mouseLeftDown, 1);
    int downs = 1, ups = 0;
    for (int i = 0; i < 10; ++i) {
        Frame();
        downs += mouseLeftDown;
        ups += mouseLeftUp;
    }
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(ups, 0);
    plat::InjectMouseButton(0, false);
    Frame();
    EXPECT_EQ(mouseLeftUp, 1);
    Frame();
    EXPECT_EQ(mouseLeftUp, 0);
}

TEST_F(MouseFixture, DoubleClickBelow500Ms) {
    auto press = [this](int gap) {
        plat::InjectMouseButton(0, true);
        Frame(gap);
        int d = doubleClick;
        plat::InjectMouseButton(0, false);
        Frame(0);
        return d;
    };
    EXPECT_EQ(press(16), 0);   // the first press of a run is never a double click
    EXPECT_EQ(press(499), 1);  // 499 ms after the previous press
    EXPECT_EQ(press(100), 0);  // a third quick press does not complete another
    EXPECT_EQ(press(100), 1);  // the fourth does
    EXPECT_EQ(press(500), 0);  // 500 ms is too slow
}

TEST_F(MouseFixture, CursorClampsToScreenEdgesAndDragAccumulates) {
    int w = display.GetScreenWidth(), h = display.GetScreenHeight();
    plat::InjectMouseMotion(100000, 100000, 0);
    Frame();
    EXPECT_EQ(cursorX, w);
    EXPECT_EQ(cursorY, h);
    EXPECT_EQ(cursorAtRight, 1);
    EXPECT_EQ(cursorAtBottom, 1);
    plat::InjectMouseMotion(-100000, -100000, 240);
    Frame();
    EXPECT_EQ(cursorX, 0);
    EXPECT_EQ(cursorY, 0);
    EXPECT_EQ(cursorAtLeft, 1);
    EXPECT_EQ(cursorAtTop, 1);
    EXPECT_EQ(mouseWheel, 240);

    dragMode = 1;
    plat::InjectMouseMotion(5, 7, -120);
    Frame();
    plat::InjectMouseMotion(5, 7, 0);
    Frame();
    EXPECT_EQ(cursorX, 0);
    EXPECT_EQ(dragX, 10);
    EXPECT_EQ(dragY, 14);
    EXPECT_EQ(mouseWheel, 120);
}

TEST(Keyboard, FlagsEdgesAndPendingKey) {
    ResetInputState();
    HandleKeyDown(VK_NUMPAD0 + 7);
    EXPECT_EQ(myGlobs.pendingKey, '7');
    HandleKeyDown(VK_SHIFT);
    EXPECT_EQ(keyShift, 1);
    EXPECT_EQ(myGlobs.pendingKey, '7');  // Shift leaves the typed key
    HandleKeyDown(VK_OEM_MINUS);
    EXPECT_EQ(myGlobs.pendingKey, '_');
    HandleKeyUp(VK_SHIFT);
    HandleKeyDown(VK_OEM_MINUS);
    EXPECT_EQ(myGlobs.pendingKey, '-');
    HandleKeyDown('P');
    EXPECT_EQ(myGlobs.pendingKey, 'P');
    HandleKeyDown(VK_F1);  // not a typed key
    EXPECT_EQ(myGlobs.pendingKey, 'P');
    HandleKeyDown(VK_TAB);
    EXPECT_EQ(myGlobs.pendingKey, 'P');
    EXPECT_EQ(myGlobs.keyTabPressed, 1);
    EXPECT_EQ(myGlobs.keyTab, 1);

    HandleKeyDown(VK_UP);
    HandleKeyDown(VK_DOWN);
    EndInputFrame();  // a frame saw both held
    HandleKeyUp(VK_UP);
    EXPECT_EQ(keyUp, 0);
    EXPECT_EQ(keyDown, 1);
    HandleKeyDown(VK_LEFT);
    EXPECT_EQ(keyLeftPressed, 1);
    EndInputFrame();
    HandleKeyUp(VK_LEFT);
    EXPECT_EQ(keyLeft, 0);
    EXPECT_EQ(keyLeftPressed, 1);  // edges are cleared by the frame loop only
}

TEST(WindowMouse, PositionButtonsAndDrag) {
    ResetInputState();
    HandleWindowMouse(WM_MOUSEMOVE, MAKELPARAM(120, 80));
    EXPECT_EQ(cursorX, 120);
    EXPECT_EQ(cursorY, 80);
    dragMode = 1;
    HandleWindowMouse(WM_MOUSEMOVE, MAKELPARAM(130, 70));
    EXPECT_EQ(cursorX, 120);
    EXPECT_EQ(dragX, 10);
    EXPECT_EQ(dragY, -10);
    HandleWindowMouse(WM_LBUTTONDOWN, 0);
    HandleWindowMouse(WM_RBUTTONUP, 0);
    EXPECT_EQ(mouseLeftDown, 1);
    EXPECT_EQ(mouseRightUp, 1);
}

TEST_F(MouseFixture, QuickClickBetweenTwoPollsIsAPressThenARelease) {
    plat::InjectMouseButton(0, true);
    plat::InjectMouseButton(0, false);
    Frame();
    EXPECT_EQ(mouseLeftDown, 1);
    EXPECT_EQ(mouseLeftUp, 0);
    Frame();
    EXPECT_EQ(mouseLeftDown, 0);
    EXPECT_EQ(mouseLeftUp, 1);
    Frame();
    EXPECT_EQ(mouseLeftUp, 0);
}

TEST_F(MouseFixture, InTheMenuThePointerStaysOnTheScreen) {
    // A screen larger than the 800 x 600 interface.
    setenv("VEL_HEADLESS", "1", 1);
    plat::ForceHeadlessDevices(true);
    myGlobs.ReadCommandLine("-c32 -x1024 -y768");
    int error = 0;
    ASSERT_EQ(display.Init(plat::Instance(), SW_SHOW, &error), 1);
    ASSERT_EQ(screenSprites.Init(), 1);
    ASSERT_EQ(display.GetScreenWidth(), 1024);
    // The pointer's picture: the first vertex of the screenfix batch.
    auto pointerAt = [](float* x, float* y) {
        screenSprites.LockScreenfixVB();
        screenSprites.UnlockScreenfixVB();
        IDirect3DVertexBuffer8* vb = display.GetVB(screenSprites.GetScreenfixBatch().buffer);
        BYTE* p = nullptr;
        ASSERT_TRUE(vb && SUCCEEDED(vb->Lock(0, 0, &p, D3DLOCK_READONLY)) && p);
        SCREENFIXVERTEX v;
        std::memcpy(&v, p, sizeof v);
        vb->Unlock();
        *x = v.x;
        *y = v.y;
    };

    // The menu draws the pointer at the cursor scaled from the interface to
    // the screen, so there the cursor keeps to the interface.
    screenSprites.SetMenuMode(1);
    plat::InjectMouseMotion(100000, 100000, 0);
    Frame();
    EXPECT_EQ(cursorX, 799);
    EXPECT_EQ(cursorY, 599);
    float x = 0, y = 0;
    pointerAt(&x, &y);
    EXPECT_LT(x, 1024.0f);
    EXPECT_LT(y, 768.0f);
    EXPECT_GT(x, 1000.0f);
    EXPECT_GT(y, 740.0f);
    HandleWindowMouse(WM_MOUSEMOVE, MAKELPARAM(1000, 700));
    EXPECT_EQ(cursorX, 799);
    EXPECT_EQ(cursorY, 599);

    // Out of the menu the whole screen is the cursor's.
    screenSprites.SetMenuMode(0);
    plat::InjectMouseMotion(100000, 100000, 0);
    Frame();
    EXPECT_EQ(cursorX, 1024);
    EXPECT_EQ(cursorY, 768);
    HandleWindowMouse(WM_MOUSEMOVE, MAKELPARAM(900, 700));
    EXPECT_EQ(cursorX, 900);
    EXPECT_EQ(cursorY, 700);
}

TEST(Keyboard, KeyLetGoBeforeAFrameIsHeldForOneFrame) {
    ResetInputState();
    // Down and up between two frames: the frame sees the key held and its
    // edge; the end of that frame lets it go.
    HandleKeyDown(VK_DELETE);
    HandleKeyUp(VK_DELETE);
    HandleKeyDown(VK_LEFT);
    HandleKeyUp(VK_LEFT);
    EXPECT_EQ(keyDelete, 1);
    EXPECT_EQ(keyLeft, 1);
    EXPECT_EQ(keyLeftPressed, 1);
    EndInputFrame();
    EXPECT_EQ(keyDelete, 0);
    EXPECT_EQ(keyLeft, 0);

    // A key held across frames is let go at once.
    HandleKeyDown(VK_ESCAPE);
    EndInputFrame();
    EXPECT_EQ(keyEsc, 1);
    HandleKeyUp(VK_ESCAPE);
    EXPECT_EQ(keyEsc, 0);

    // Down, up and down again before a frame: still held after it.
    HandleKeyDown('X');
    HandleKeyUp('X');
    HandleKeyDown('X');
    EndInputFrame();
    EXPECT_EQ(myGlobs.keyX, 1);
    HandleKeyUp('X');
    EXPECT_EQ(myGlobs.keyX, 0);

    // Shift let go before the minus key gives "-", though the frame will
    // still see Shift held; Shift held while it is typed gives "_".
    HandleKeyDown(VK_SHIFT);
    HandleKeyUp(VK_SHIFT);
    HandleKeyDown(VK_OEM_MINUS);
    EXPECT_EQ(myGlobs.pendingKey, '-');
    EXPECT_EQ(keyShift, 1);
    HandleKeyDown(VK_SHIFT);
    HandleKeyDown(VK_OEM_MINUS);
    EXPECT_EQ(myGlobs.pendingKey, '_');
}

TEST(WindowMouse, QuickClickBetweenTwoFramesIsAPressThenARelease) {
    ResetInputState();
    auto endFrame = [] {
        mouseLeftDown = mouseLeftUp = mouseRightDown = mouseRightUp = 0;
        EndInputFrame();
    };
    HandleWindowMouse(WM_LBUTTONDOWN, 0);
    HandleWindowMouse(WM_LBUTTONUP, 0);
    HandleWindowMouse(WM_RBUTTONDOWN, 0);
    EXPECT_EQ(mouseLeftDown, 1);
    EXPECT_EQ(mouseLeftUp, 0);
    EXPECT_EQ(mouseRightDown, 1);
    endFrame();
    EXPECT_EQ(mouseLeftDown, 0);
    EXPECT_EQ(mouseLeftUp, 1);
    EXPECT_EQ(mouseRightDown, 0);
    endFrame();
    EXPECT_EQ(mouseLeftUp, 0);

    // A double click between two frames: press, release, press, release.
    for (int i = 0; i < 2; ++i) {
        HandleWindowMouse(WM_LBUTTONDOWN, 0);
        HandleWindowMouse(WM_LBUTTONUP, 0);
    }
    int seen[4][2] = {};
    for (auto& s : seen) {
        s[0] = mouseLeftDown;
        s[1] = mouseLeftUp;
        endFrame();
    }
    const int expected[4][2] = {{1, 0}, {0, 1}, {1, 0}, {0, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(seen[i][0], expected[i][0]) << "frame " << i;
        EXPECT_EQ(seen[i][1], expected[i][1]) << "frame " << i;
    }
    EXPECT_EQ(mouseLeftDown + mouseLeftUp, 0);
}

TEST_F(MouseFixture, ScreenshotButtonTakesAQuickClick) {
    veltest::TempDir dir;  // a picture, if one is taken, lands here
    messageQueue.Reset();
    screenList.Clear();
    screenList.AddItem(702, 10, nullptr, 1, nullptr, 0);
    SCREEN_ITEM item;
    ASSERT_TRUE(screenList.FindItem(702, &item));
    cursorX = (item.screen.left + item.screen.right) / 2;
    cursorY = (item.screen.top + item.screen.bottom) / 2;
    auto frame = [this](bool fullscreen) {
        if (fullscreen) Frame();
        screenList.Update();
        TakeScreenshot();
        mouseLeftDown = mouseLeftUp = 0;
        EndInputFrame();
    };
    // Full screen: down and up between two polls.
    plat::InjectMouseButton(0, true);
    plat::InjectMouseButton(0, false);
    frame(true);
    EXPECT_EQ(messageQueue.GetCount(), 1);  // "taking a screenshot"
    frame(true);
    EXPECT_EQ(messageQueue.GetCount(), 2);  // the picture's outcome
    frame(true);
    EXPECT_EQ(messageQueue.GetCount(), 2);

    // In a window: down and up between two frames.
    HandleWindowMouse(WM_LBUTTONDOWN, 0);
    HandleWindowMouse(WM_LBUTTONUP, 0);
    frame(false);
    EXPECT_EQ(messageQueue.GetCount(), 3);
    frame(false);
    EXPECT_EQ(messageQueue.GetCount(), 4);
    screenList.Clear();
}
