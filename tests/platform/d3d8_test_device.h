// A window and a Direct3D device drawing into it through GL, for the tests
// that read pixels back (under a virtual X server with software GL).
#pragma once

#include <string>

#include "platform/d3d8.h"
#include "platform/window.h"

struct GlTestDevice {
    HWND wnd = nullptr;
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* dev = nullptr;
    D3DPRESENT_PARAMETERS pp{};

    // Empty on success, else why there is no device drawing through GL.
    std::string Open(UINT width, UINT height) {
        if (!plat::EnsureVideo()) return "no display";
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "PixelTestWindow";
        RegisterClassA(&wc);
        wnd = CreateWindowA("PixelTestWindow", "pixels", 0, 0, 0, (int)width, (int)height, nullptr, nullptr, nullptr,
                            nullptr);
        if (!wnd) return "no window";
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        pp = {};
        pp.Windowed = TRUE;
        pp.BackBufferWidth = width;
        pp.BackBufferHeight = height;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.hDeviceWindow = wnd;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D24X8;
        if (d3d->CreateDevice(0, D3DDEVTYPE_HAL, wnd, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev) != D3D_OK)
            return "no device";
        return plat::DeviceHasContext(dev) ? "" : "no GL context";
    }

    void Close() {
        if (dev) dev->Release();
        if (d3d) d3d->Release();
        if (wnd) DestroyWindow(wnd);
        dev = nullptr;
        d3d = nullptr;
        wnd = nullptr;
    }
};
