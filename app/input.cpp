#include "app/input.h"

#include <cstring>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "gfx/screensprites.h"
#include "platform/dinput.h"

int cursorX = 400, cursorY = 100;
int mouseLeftDown = 0, mouseLeftUp = 0, mouseRightDown = 0, mouseRightUp = 0;
int mouseMiddleDown = 0, mouseMiddleUp = 0;
int doubleClick = 0;
int mouseWheel = 0;
int dragMode = 0, dragX = 0, dragY = 0;
int cursorAtLeft = 0, cursorAtTop = 0, cursorAtRight = 0, cursorAtBottom = 0;
int mouseAcquired = 0;

int keyShift = 0, keyCtrl = 0, keyEsc = 0, keyDelete = 0;
int keyLeft = 0, keyRight = 0, keyUp = 0, keyDown = 0;
int keyEnterPressed = 0, keyLeftPressed = 0, keyRightPressed = 0;

IDirectInputDevice8* mouseDevice = nullptr;

namespace {
IDirectInput8* directInput = nullptr;

// Per-button press tracking of the mouse poll.
struct ButtonEdge {
    int armed = 1;
    int waiting = 0;
};
ButtonEdge buttonEdges[3];

// The double-click clock starts far in the past so that the first press of a
// run is never taken for the second half of a double click.
int lastLeftPressTime = -1000000;
int lastPressCompletedDouble = 0;

int lastMoveX = 0, lastMoveY = 0;

// Keys that went down since the last frame ended, and those of them that
// were let go again before a frame saw them: their held flag stays set until
// the end of the next frame, so that every key press is seen held at least
// once.
constexpr int kKeyCodes = 256;
unsigned char keyDownUnseen[kKeyCodes] = {};
unsigned char keyUpDeferred[kKeyCodes] = {};

// Windowed mouse buttons (left, right): a frame takes at most one change
// per button; further changes wait for the following frames in order, so a
// click that goes down and up between two frames is a press in one frame and
// a release in the next.
struct WindowButton {
    static constexpr int kMaxWaiting = 8;
    int changedThisFrame = 0;
    bool waiting[kMaxWaiting] = {};
    int count = 0;
};
WindowButton windowButtons[2];

void SetWindowButtonEdge(int button, bool down) {
    if (button == 0) (down ? mouseLeftDown : mouseLeftUp) = 1;
    else (down ? mouseRightDown : mouseRightUp) = 1;
}

void WindowButtonChange(int button, bool down) {
    WindowButton& b = windowButtons[button];
    if (!b.changedThisFrame && b.count == 0) {
        SetWindowButtonEdge(button, down);
        b.changedThisFrame = 1;
    } else if (b.count < WindowButton::kMaxWaiting) {
        b.waiting[b.count++] = down;
    }
}

// The held flag of a key, or null for keys without one.
int* HeldFlag(int key) {
    switch (key) {
        case VK_TAB: return &myGlobs.keyTab;
        case VK_RETURN: return &myGlobs.keyEnter;
        case VK_SHIFT: return &keyShift;
        case VK_CONTROL: return &keyCtrl;
        case VK_ESCAPE: return &keyEsc;
        case VK_LEFT: return &keyLeft;
        case VK_RIGHT: return &keyRight;
        case VK_UP: return &keyUp;
        case VK_DOWN: return &keyDown;
        case VK_DELETE: return &keyDelete;
        case 'X': return &myGlobs.keyX;
        default: return nullptr;
    }
}

void ReleaseHeldKey(int key) {
    if (int* flag = HeldFlag(key)) *flag = 0;
}

// In menu mode the cursor keeps to the 800 by 600 interface, in whose units
// the menu places its buttons and draws the pointer (scaled to the screen),
// so that the pointer never leaves the screen.
void KeepToMenuArea() {
    if (cursorX > 799) cursorX = 799;
    if (cursorY > 599) cursorY = 599;
}
}  // namespace

void ResetInputState() {
    cursorX = 400;
    cursorY = 100;
    mouseLeftDown = mouseLeftUp = mouseRightDown = mouseRightUp = 0;
    mouseMiddleDown = mouseMiddleUp = 0;
    doubleClick = mouseWheel = 0;
    dragMode = dragX = dragY = 0;
    cursorAtLeft = cursorAtTop = cursorAtRight = cursorAtBottom = 0;
    keyShift = keyCtrl = keyEsc = keyDelete = 0;
    keyLeft = keyRight = keyUp = keyDown = 0;
    myGlobs.keyTabPressed = keyEnterPressed = keyLeftPressed = keyRightPressed = 0;
    myGlobs.keyEnter = myGlobs.keyTab = myGlobs.keyX = 0;
    for (auto& b : buttonEdges) b = ButtonEdge{};
    lastLeftPressTime = -1000000;
    lastPressCompletedDouble = 0;
    lastMoveX = lastMoveY = 0;
    for (int k = 0; k < kKeyCodes; ++k) keyDownUnseen[k] = keyUpDeferred[k] = 0;
    for (auto& b : windowButtons) b = WindowButton{};
}

void EndInputFrame() {
    for (int k = 0; k < kKeyCodes; ++k) {
        if (keyUpDeferred[k]) ReleaseHeldKey(k);
        keyDownUnseen[k] = keyUpDeferred[k] = 0;
    }
    for (int i = 0; i < 2; ++i) {
        WindowButton& b = windowButtons[i];
        b.changedThisFrame = 0;
        if (b.count == 0) continue;
        SetWindowButtonEdge(i, b.waiting[0]);
        for (int j = 1; j < b.count; ++j) b.waiting[j - 1] = b.waiting[j];
        --b.count;
        b.changedThisFrame = 1;
    }
}

int InitDirectInput(HINSTANCE instance) {
    void* out = nullptr;
    HRESULT hr = DirectInput8Create(instance, DIRECTINPUT_VERSION, IID_IDirectInput8, &out, nullptr);
    if (FAILED(hr)) {
        if (hr == DIERR_BETADIRECTINPUTVERSION) WriteStartLog("DIERR_BETADIRECTINPUTVERSION");
        else if (hr == DIERR_INVALIDPARAM) WriteStartLog("DIERR_INVALIDPARAM");
        else if (hr == DIERR_OLDDIRECTINPUTVERSION) WriteStartLog("DIERR_OLDDIRECTINPUTVERSION");
        else if (hr == DIERR_OUTOFMEMORY) WriteStartLog("DIERR_OUTOFMEMORY");
        directInput = nullptr;
        WriteStartLog("DirectInputCreate() failed...");
        return 0;
    }
    directInput = static_cast<IDirectInput8*>(out);
    if (!CreateMouse(&mouseDevice, DISCL_EXCLUSIVE | DISCL_FOREGROUND)) {
        if (mouseDevice) mouseDevice->Release();
        mouseDevice = nullptr;
        WriteStartLog("CreateMouse() failed!");
        return 0;
    }
    return 1;
}

int CreateMouse(IDirectInputDevice8** device, DWORD flags) {
    if (!directInput || !device) return 0;
    if (FAILED(directInput->CreateDevice(GUID_SysMouse, device, nullptr))) return 0;
    if (FAILED((*device)->SetDataFormat(&c_dfDIMouse))) return 0;
    if (FAILED((*device)->SetCooperativeLevel(display.GetWindowHandle(), flags))) return 0;
    (*device)->Acquire();
    mouseAcquired = 1;
    DIDEVCAPS caps{};
    caps.dwSize = sizeof caps;
    (*device)->GetCapabilities(&caps);
    bool wheel = (caps.dwFlags & DIDC_ATTACHED) && caps.dwAxes > 2;
    WriteStartLog("Mouse wheel available: ", NOLINEEND);
    WriteStartLog(wheel ? "YES" : "NO");
    return 1;
}

void ReleaseDirectInput() {
    if (mouseDevice) {
        mouseDevice->Unacquire();
        mouseDevice->Release();
        mouseDevice = nullptr;
    }
    if (directInput) {
        directInput->Release();
        directInput = nullptr;
    }
    mouseAcquired = 0;
}

void UpdateMouse() {
    if (!mouseAcquired || !mouseDevice) return;
    mouseLeftDown = mouseLeftUp = mouseRightDown = mouseRightUp = 0;
    mouseMiddleDown = mouseMiddleUp = 0;
    doubleClick = 0;
    cursorAtLeft = cursorAtTop = cursorAtRight = cursorAtBottom = 0;
    int w = display.GetScreenWidth();
    int h = display.GetScreenHeight();

    DIMOUSESTATE state{};
    if (SUCCEEDED(mouseDevice->GetDeviceState(sizeof state, &state))) {
        int* downs[3] = {&mouseLeftDown, &mouseRightDown, &mouseMiddleDown};
        int* ups[3] = {&mouseLeftUp, &mouseRightUp, &mouseMiddleUp};
        for (int b = 0; b < 3; ++b) {
            bool down = (state.rgbButtons[b] & 0x80) != 0;
            ButtonEdge& e = buttonEdges[b];
            if (!down) e.armed = 1;
            if (down && e.armed) {
                *downs[b] = 1;
                e.waiting = 1;
                e.armed = 0;
            }
            if (e.waiting && !down) {
                *ups[b] = 1;
                e.waiting = 0;
            }
        }
        if (state.lX || state.lY || state.lZ) {
            if (!dragMode) {
                cursorX += state.lX;
                cursorY += state.lY;
                if (cursorX < 0) cursorX = 0;
                if (cursorX > w) cursorX = w;
                if (cursorY < 0) cursorY = 0;
                if (cursorY > h) cursorY = h;
                if (screenSprites.GetMenuMode()) KeepToMenuArea();
            } else {
                dragX += state.lX;
                dragY += state.lY;
            }
            mouseWheel += state.lZ;
        }
    }
    if (mouseLeftDown) {
        if (currentTime - lastLeftPressTime < 500 && !lastPressCompletedDouble) {
            doubleClick = 1;
            lastPressCompletedDouble = 1;
        } else {
            lastPressCompletedDouble = 0;
        }
        lastLeftPressTime = currentTime;
    }
    cursorAtLeft = cursorX == 0;
    cursorAtTop = cursorY == 0;
    cursorAtRight = cursorX == w;
    cursorAtBottom = cursorY == h;
}

void HandleKeyDown(WPARAM key) {
    int k = static_cast<int>(key);
    // The typed character for edit fields and the pause key. Only keys that an
    // edit field can take become a typed key.
    if (k != VK_TAB && k != VK_SHIFT) {
        int ch = -1;
        // Shift as it is now, not as the frame will see it: a Shift let go
        // before the next frame still counts as held for that frame.
        if (k == VK_OEM_MINUS) ch = keyShift && !keyUpDeferred[VK_SHIFT] ? '_' : '-';
        else if (k >= VK_NUMPAD0 && k <= VK_NUMPAD9) ch = '0' + (k - VK_NUMPAD0);
        else if ((k >= 'A' && k <= 'Z') || (k >= '0' && k <= '9') || k == VK_SPACE || k == VK_BACK) ch = k;
        else if (k == VK_DELETE || k == VK_OEM_PERIOD || k == VK_DECIMAL) ch = '.';
        if (ch >= 0) myGlobs.pendingKey = ch;
    }
    switch (k) {
        case VK_TAB:
            myGlobs.keyTab = 1;
            myGlobs.keyTabPressed = 1;
            break;
        case VK_RETURN:
            myGlobs.keyEnter = 1;
            keyEnterPressed = 1;
            break;
        case VK_SHIFT: keyShift = 1; break;
        case VK_CONTROL: keyCtrl = 1; break;
        case VK_ESCAPE: keyEsc = 1; break;
        case VK_LEFT:
            keyLeft = 1;
            keyLeftPressed = 1;
            break;
        case VK_RIGHT:
            keyRight = 1;
            keyRightPressed = 1;
            break;
        case VK_UP: keyUp = 1; break;
        case VK_DOWN: keyDown = 1; break;
        case VK_DELETE: keyDelete = 1; break;
        case 'X': myGlobs.keyX = 1; break;
        default: break;
    }
    if (k >= 0 && k < kKeyCodes) {
        keyDownUnseen[k] = 1;
        keyUpDeferred[k] = 0;
    }
}

void HandleKeyUp(WPARAM key) {
    const int k = static_cast<int>(key);
    if (k >= 0 && k < kKeyCodes && keyDownUnseen[k]) {
        keyUpDeferred[k] = 1;
        return;
    }
    ReleaseHeldKey(k);
}

void HandleWindowMouse(UINT message, LPARAM lParam) {
    switch (message) {
        case WM_MOUSEMOVE: {
            int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
            if (!dragMode) {
                cursorX = x;
                cursorY = y;
                if (screenSprites.GetMenuMode()) KeepToMenuArea();
            } else {
                dragX += x - lastMoveX;
                dragY += y - lastMoveY;
            }
            lastMoveX = x;
            lastMoveY = y;
            break;
        }
        case WM_LBUTTONDOWN: WindowButtonChange(0, true); break;
        case WM_LBUTTONUP: WindowButtonChange(0, false); break;
        case WM_RBUTTONDOWN: WindowButtonChange(1, true); break;
        case WM_RBUTTONUP: WindowButtonChange(1, false); break;
        default: break;
    }
}
