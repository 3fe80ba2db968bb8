// The DirectInput mouse fed by SDL events: button changes latched between
// polls, and movement of pointers that report only their absolute position.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include "platform/dinput.h"
#include "platform/platform_hooks.h"
#include "platform/window.h"

namespace {

SDL_Event Button(bool down, Uint8 button = SDL_BUTTON_LEFT) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    return e;
}

SDL_Event Motion(int x, int y, int xrel, int yrel) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    e.motion.xrel = xrel;
    e.motion.yrel = yrel;
    return e;
}

class DirectInputMouse : public ::testing::Test {
protected:
    void SetUp() override {
        // System input off: only the injected events reach the mouse.
        plat::SetIgnoreSystemInput(true);
        plat::ResetWindowSystemForTest();
        void* out = nullptr;
        ASSERT_EQ(DirectInput8Create(plat::Instance(), DIRECTINPUT_VERSION, IID_IDirectInput8, &out, nullptr), DI_OK);
        input = static_cast<IDirectInput8*>(out);
        ASSERT_EQ(input->CreateDevice(GUID_SysMouse, &mouse, nullptr), DI_OK);
        ASSERT_EQ(mouse->SetDataFormat(&c_dfDIMouse), DI_OK);
        ASSERT_EQ(mouse->Acquire(), DI_OK);
    }
    void TearDown() override {
        mouse->Release();
        input->Release();
    }
    DIMOUSESTATE Poll() {
        DIMOUSESTATE s{};
        EXPECT_EQ(mouse->GetDeviceState(sizeof s, &s), DI_OK);
        return s;
    }
    bool LeftDown() { return (Poll().rgbButtons[0] & 0x80) != 0; }

    IDirectInput8* input = nullptr;
    IDirectInputDevice8* mouse = nullptr;
};

}  // namespace

TEST_F(DirectInputMouse, ButtonChangesBetweenPollsAreHandedOverOnePerPoll) {
    // A quick click between two polls: down in one, up in the next.
    plat::InjectPlatformEvent(Button(true));
    plat::InjectPlatformEvent(Button(false));
    EXPECT_TRUE(LeftDown());
    EXPECT_FALSE(LeftDown());
    EXPECT_FALSE(LeftDown());

    // Held, then let go and pressed again between two polls: the release is
    // not lost.
    plat::InjectPlatformEvent(Button(true));
    EXPECT_TRUE(LeftDown());
    plat::InjectPlatformEvent(Button(false));
    plat::InjectPlatformEvent(Button(true));
    EXPECT_FALSE(LeftDown());
    EXPECT_TRUE(LeftDown());
    EXPECT_TRUE(LeftDown());
    plat::InjectPlatformEvent(Button(false));

    // A double click between two polls arrives as two clicks, in order.
    EXPECT_FALSE(LeftDown());
    for (int i = 0; i < 2; ++i) {
        plat::InjectPlatformEvent(Button(true));
        plat::InjectPlatformEvent(Button(false));
    }
    const bool expected[] = {true, false, true, false, false};
    for (bool e : expected) EXPECT_EQ(LeftDown(), e);

    // The right button keeps its own changes.
    plat::InjectPlatformEvent(Button(true, SDL_BUTTON_RIGHT));
    plat::InjectPlatformEvent(Button(false, SDL_BUTTON_RIGHT));
    plat::InjectPlatformEvent(Button(true));
    DIMOUSESTATE s = Poll();
    EXPECT_EQ(s.rgbButtons[0], 0x80);
    EXPECT_EQ(s.rgbButtons[1], 0x80);
    s = Poll();
    EXPECT_EQ(s.rgbButtons[0], 0x80);
    EXPECT_EQ(s.rgbButtons[1], 0);
    plat::InjectPlatformEvent(Button(false));
}

TEST_F(DirectInputMouse, ClicksWhileNotAcquiredAreForgotten) {
    mouse->Unacquire();
    plat::InjectPlatformEvent(Button(true));
    plat::InjectPlatformEvent(Button(false));
    plat::InjectPlatformEvent(Button(true));
    mouse->Acquire();
    // Only the state the button is in now is reported.
    EXPECT_TRUE(LeftDown());
    EXPECT_TRUE(LeftDown());
    plat::InjectPlatformEvent(Button(false));
    EXPECT_FALSE(LeftDown());
}

TEST_F(DirectInputMouse, AbsolutePointerMovesByTheChangeOfItsPosition) {
    // A relative device: its own movement counts, whatever the position.
    plat::InjectPlatformEvent(Motion(100, 100, 7, -3));
    DIMOUSESTATE s = Poll();
    EXPECT_EQ(s.lX, 7);
    EXPECT_EQ(s.lY, -3);
    // An absolute device (tablet, remote desktop, warped pointer) reports
    // positions only.
    plat::InjectPlatformEvent(Motion(130, 90, 0, 0));
    plat::InjectPlatformEvent(Motion(150, 95, 0, 0));
    s = Poll();
    EXPECT_EQ(s.lX, 50);
    EXPECT_EQ(s.lY, -5);
    // Standing still moves nothing.
    plat::InjectPlatformEvent(Motion(150, 95, 0, 0));
    s = Poll();
    EXPECT_EQ(s.lX, 0);
    EXPECT_EQ(s.lY, 0);
}
