// The DirectInput mouse over SDL's relative mouse mode. Movement and wheel
// accumulate between polls; GetDeviceState hands them over and resets them.
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
bool buttons[4] = {};
HRESULT failNextCreate = 0;

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
        for (int i = 0; i < 4; ++i) s->rgbButtons[i] = buttons[i] ? 0x80 : 0;
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
    if (button >= 0 && button < 4) buttons[button] = down;
}
}  // namespace hooks

void InjectMouseMotion(int dx, int dy, int wheel) { hooks::AddRelativeMotion(dx, dy, wheel); }
void InjectMouseButton(int button, bool down) { hooks::SetButton(button, down); }
void FailNextDirectInputCreate(HRESULT code) { failNextCreate = code; }
}  // namespace plat
