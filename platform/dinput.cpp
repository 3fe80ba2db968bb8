// The DirectInput mouse over SDL's relative mouse mode. Movement and wheel
// accumulate between polls; GetDeviceState hands them over and resets them.
// Button changes are latched between polls: each poll hands over at most one
// change per button, so a click that went down and up between two polls is
// seen down by one poll and up by the next.
#include "platform/dinput.h"

#include <SDL2/SDL.h>

#include <cstring>

#include "platform/platform_hooks.h"
#include "platform/window.h"

const DIDATAFORMAT c_dfDIMouse = {sizeof(DIDATAFORMAT), 24, 2, sizeof(DIMOUSESTATE), 7, nullptr};
const GUID GUID_SysMouse = {0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID IID_IDirectInput8 = {0xBF798030, 0x483A, 0x4DA2, {0xAA, 0x99, 0x5D, 0x64, 0xED, 0x36, 0x97, 0x00}};

namespace {

int accX = 0, accY = 0, accWheel = 0;
HRESULT failNextCreate = 0;

// One button: the state the last poll reported and the changes that came in
// since, oldest first. Changes alternate, starting with the opposite of the
// reported state.
struct ButtonLatch {
    static constexpr int kMaxChanges = 8;
    bool reported = false;
    bool changes[kMaxChanges] = {};
    int count = 0;

    bool Latest() const { return count ? changes[count - 1] : reported; }
    void Set(bool down) {
        if (down == Latest()) return;
        if (count == kMaxChanges) {
            // Drop the oldest whole click; the order of what is left holds.
            for (int i = 2; i < count; ++i) changes[i - 2] = changes[i];
            count -= 2;
        }
        changes[count++] = down;
    }
    bool Poll() {
        if (count) {
            reported = changes[0];
            for (int i = 1; i < count; ++i) changes[i - 1] = changes[i];
            --count;
        }
        return reported;
    }
    // Forgets what happened while the device was not acquired.
    void Settle() {
        reported = Latest();
        count = 0;
    }
};
ButtonLatch buttons[4];

bool SameGuid(const GUID& a, const GUID& b) { return memcmp(&a, &b, sizeof(GUID)) == 0; }

struct Mouse final : RefCounted<IDirectInputDevice8> {
    bool formatSet = false;
    bool acquired = false;
    HWND wnd = nullptr;

    HRESULT SetDataFormat(LPCDIDATAFORMAT format) override {
        if (!format || format->dwDataSize != sizeof(DIMOUSESTATE)) return DIERR_INVALIDPARAM;
        formatSet = true;
        return DI_OK;
    }
    HRESULT SetCooperativeLevel(HWND w, DWORD flags) override {
        if ((flags & DISCL_EXCLUSIVE) && (flags & DISCL_NONEXCLUSIVE)) return DIERR_INVALIDPARAM;
        wnd = w;
        return DI_OK;
    }
    HRESULT Acquire() override {
        if (!formatSet) return DIERR_INVALIDPARAM;
        if (!acquired) {
            acquired = true;
            accX = accY = accWheel = 0;
            for (ButtonLatch& b : buttons) b.Settle();
            if (SDL_WasInit(SDL_INIT_VIDEO) && !plat::IsSystemInputIgnored()) SDL_SetRelativeMouseMode(SDL_TRUE);
        }
        return DI_OK;
    }
    HRESULT Unacquire() override {
        if (acquired && SDL_WasInit(SDL_INIT_VIDEO) && !plat::IsSystemInputIgnored()) SDL_SetRelativeMouseMode(SDL_FALSE);
        acquired = false;
        return DI_OK;
    }
    HRESULT GetCapabilities(LPDIDEVCAPS caps) override {
        if (!caps) return DIERR_INVALIDPARAM;
        DWORD size = caps->dwSize;
        memset(caps, 0, sizeof *caps);
        caps->dwSize = size;
        caps->dwFlags = DIDC_ATTACHED;
        caps->dwDevType = 0x12;  // mouse
        caps->dwAxes = 3;        // x, y and the wheel
        caps->dwButtons = 4;
        return DI_OK;
    }
    HRESULT GetDeviceState(DWORD size, LPVOID data) override {
        if (!data || size != sizeof(DIMOUSESTATE)) return DIERR_INVALIDPARAM;
        if (!acquired) return DIERR_NOTACQUIRED;
        plat::PumpEvents();
        auto* s = static_cast<DIMOUSESTATE*>(data);
        s->lX = accX;
        s->lY = accY;
        s->lZ = accWheel;
        accX = accY = accWheel = 0;
        for (int i = 0; i < 4; ++i) s->rgbButtons[i] = buttons[i].Poll() ? 0x80 : 0;
        return DI_OK;
    }
    ~Mouse() override { Unacquire(); }
};

struct Input final : RefCounted<IDirectInput8> {
    HRESULT CreateDevice(REFGUID guid, IDirectInputDevice8** device, LPUNKNOWN) override {
        if (!device) return DIERR_INVALIDPARAM;
        *device = nullptr;
        if (!SameGuid(guid, GUID_SysMouse)) return DIERR_DEVICENOTREG;
        *device = new Mouse;
        return DI_OK;
    }
};

}  // namespace

HRESULT DirectInput8Create(HINSTANCE, DWORD version, REFIID iid, LPVOID* out, LPUNKNOWN) {
    if (!out) return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (failNextCreate) {
        HRESULT hr = failNextCreate;
        failNextCreate = 0;
        return hr;
    }
    if (version < 0x0800) return DIERR_OLDDIRECTINPUTVERSION;
    if (version > 0x0800) return DIERR_BETADIRECTINPUTVERSION;
    if (!SameGuid(iid, IID_IDirectInput8)) return DIERR_INVALIDPARAM;
    *out = static_cast<IDirectInput8*>(new Input);
    return DI_OK;
}

namespace plat {
namespace hooks {
void AddRelativeMotion(int dx, int dy, int wheel) {
    accX += dx;
    accY += dy;
    accWheel += wheel;
}
void SetButton(int button, bool down) {
    if (button >= 0 && button < 4) buttons[button].Set(down);
}
}  // namespace hooks

void InjectMouseMotion(int dx, int dy, int wheel) { hooks::AddRelativeMotion(dx, dy, wheel); }
void InjectMouseButton(int button, bool down) { hooks::SetButton(button, down); }
void FailNextDirectInputCreate(HRESULT code) { failNextCreate = code; }
}  // namespace plat
