#include <gtest/gtest.h>

#include "app/input.h"
#include "app/myglobs.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "platform/dinput.h"
#include "platform/platform_hooks.h"

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
    HandleKeyUp(VK_UP);
    EXPECT_EQ(keyUp, 0);
    EXPECT_EQ(keyDown, 1);
    HandleKeyDown(VK_LEFT);
    EXPECT_EQ(keyLeftPressed, 1);
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
