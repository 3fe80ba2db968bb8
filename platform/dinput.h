// DirectInput 8 subset: the system mouse, polled once per frame.
#pragma once

#include "platform/win32.h"

#define DIRECTINPUT_VERSION 0x0800

#define DI_OK S_OK
#define DIERR_BETADIRECTINPUTVERSION ((HRESULT)0x80070481L)
#define DIERR_INVALIDPARAM E_INVALIDARG
#define DIERR_OLDDIRECTINPUTVERSION ((HRESULT)0x8007047EL)
#define DIERR_OUTOFMEMORY E_OUTOFMEMORY
#define DIERR_NOTACQUIRED ((HRESULT)0x8007000CL)
#define DIERR_INPUTLOST ((HRESULT)0x8007001EL)
#define DIERR_DEVICENOTREG ((HRESULT)0x80040154L)

#define DISCL_EXCLUSIVE 0x00000001
#define DISCL_NONEXCLUSIVE 0x00000002
#define DISCL_FOREGROUND 0x00000004
#define DISCL_BACKGROUND 0x00000008

#define DIDC_ATTACHED 0x00000001

struct DIMOUSESTATE {
    LONG lX;
    LONG lY;
    LONG lZ;
    BYTE rgbButtons[4];
};
static_assert(sizeof(DIMOUSESTATE) == 16, "DIMOUSESTATE is 16 bytes");

struct DIDEVCAPS {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwDevType;
    DWORD dwAxes;
    DWORD dwButtons;
    DWORD dwPOVs;
    DWORD dwFFSamplePeriod;
    DWORD dwFFMinTimeResolution;
    DWORD dwFirmwareRevision;
    DWORD dwHardwareRevision;
    DWORD dwFFDriverVersion;
};
typedef DIDEVCAPS* LPDIDEVCAPS;

struct DIDATAFORMAT {
    DWORD dwSize;
    DWORD dwObjSize;
    DWORD dwFlags;
    DWORD dwDataSize;
    DWORD dwNumObjs;
    void* rgodf;
};
typedef const DIDATAFORMAT* LPCDIDATAFORMAT;
extern const DIDATAFORMAT c_dfDIMouse;

extern const GUID GUID_SysMouse;
extern const GUID IID_IDirectInput8;

struct IDirectInputDevice8 : IUnknown {
    virtual HRESULT SetDataFormat(LPCDIDATAFORMAT format) = 0;
    virtual HRESULT SetCooperativeLevel(HWND wnd, DWORD flags) = 0;
    virtual HRESULT Acquire() = 0;
    virtual HRESULT Unacquire() = 0;
    virtual HRESULT GetCapabilities(LPDIDEVCAPS caps) = 0;
    virtual HRESULT GetDeviceState(DWORD size, LPVOID data) = 0;
};
typedef IDirectInputDevice8* LPDIRECTINPUTDEVICE8;

struct IDirectInput8 : IUnknown {
    virtual HRESULT CreateDevice(REFGUID guid, IDirectInputDevice8** device, LPUNKNOWN outer) = 0;
};
typedef IDirectInput8* LPDIRECTINPUT8;

HRESULT DirectInput8Create(HINSTANCE instance, DWORD version, REFIID iid, LPVOID* out, LPUNKNOWN outer);

namespace plat {
// Test hooks: relative movement, wheel (in DirectInput units, 120 a notch) and
// button changes, as if they came from the mouse; the following polls report
// them (one change per button and poll).
void InjectMouseMotion(int dx, int dy, int wheel);
void InjectMouseButton(int button, bool down);
// Makes the next DirectInput8Create fail with the given code (0 = no failure).
void FailNextDirectInputCreate(HRESULT code);
}  // namespace plat
