// The display: window, Direct3D device, modes, default states, projections,
// cameras, frame begin/end with the lost-device path and the buffer registry.
#include "gfx/display.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "app/input.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "gfx/geometry.h"
#include "gfx/setupdialog.h"
#include "rail/train.h"
#include "world/lightlist.h"
#include "world/terrain.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kTwoPi = 6.2831853f;

DWORD FloatBits(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

bool IsStandardWidth(UINT w) { return w == 800 || w == 1024 || w == 1280 || w == 1600 || w == 1400 || w == 1440; }

std::function<void(const char*)> resetObserver;

bool IsAcceptedFormat(UINT f) {
    return f == D3DFMT_R8G8B8 || f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8 || f == D3DFMT_R5G6B5;
}

}  // namespace

DISPLAY::DISPLAY() {
    up = eye = lookAt = mouseRayPoint = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    std::memset(&viewMatrix, 0, sizeof viewMatrix);
    std::memset(&inverseViewMatrix, 0, sizeof inverseViewMatrix);
    std::memset(&billboardTilt, 0, sizeof billboardTilt);
    std::memset(&projMatrix, 0, sizeof projMatrix);
    std::memset(&interfaceProjMatrix, 0, sizeof interfaceProjMatrix);
    buffers = nullptr;
    followHeading = followLastHeading = followOrbit = 0.0f;
    followZoom = 1.15f;
    // The settings object is constructed after the display, so the table
    // made here assumes solid fill; SetDefaults builds it again.
    BuildStateTable(0);
}

DISPLAY::~DISPLAY() {
    // Buffers still registered at process exit are freed with the device's
    // lifetime; nothing may touch a device here, it may be gone already.
    DISPLAY_BUFFER* n = buffers;
    while (n) {
        DISPLAY_BUFFER* next = n->next;
        delete n;
        n = next;
    }
    buffers = nullptr;
}

// ---------------------------------------------------------------------------
// Default states

void DISPLAY::BuildStateTable(int wireframe) {
    stateTable.clear();
    auto rs = [&](D3DRENDERSTATETYPE t, DWORD v) { stateTable.push_back({-1, (DWORD)t, v}); };
    auto ts = [&](int stage, D3DTEXTURESTAGESTATETYPE t, DWORD v) { stateTable.push_back({stage, (DWORD)t, v}); };
    rs(D3DRS_LIGHTING, 1);
    rs(D3DRS_ZENABLE, 1);
    rs(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    rs(D3DRS_ZWRITEENABLE, 1);
    rs(D3DRS_ZBIAS, 0);
    rs(D3DRS_DITHERENABLE, 1);
    rs(D3DRS_CLIPPING, 1);
    rs(D3DRS_CULLMODE, D3DCULL_CCW);
    rs(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    rs(D3DRS_SPECULARENABLE, 0);
    rs(D3DRS_ALPHABLENDENABLE, 0);
    rs(D3DRS_ALPHATESTENABLE, 1);
    rs(D3DRS_ALPHAREF, 128);
    rs(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    rs(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    rs(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    rs(D3DRS_FILLMODE, wireframe ? D3DFILL_WIREFRAME : D3DFILL_SOLID);
    ts(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    ts(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    ts(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    ts(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    ts(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    ts(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    ts(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    ts(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    ts(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    ts(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    ts(1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    ts(2, D3DTSS_COLOROP, D3DTOP_MODULATE);
    ts(2, D3DTSS_COLORARG1, D3DTA_CURRENT);
    ts(2, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    ts(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    ts(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    ts(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    ts(1, D3DTSS_MINFILTER, D3DTEXF_POINT);
    ts(1, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    ts(1, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    ts(0, D3DTSS_TEXCOORDINDEX, 0);
    ts(1, D3DTSS_TEXCOORDINDEX, 1);
    ts(0, D3DTSS_TEXTURETRANSFORMFLAGS, 0);
    ts(1, D3DTSS_TEXTURETRANSFORMFLAGS, 0);
    rs(D3DRS_FOGENABLE, 0);
    rs(D3DRS_FOGCOLOR, fogColor);
    rs(D3DRS_FOGVERTEXMODE, fogVertexMode);
    rs(D3DRS_RANGEFOGENABLE, 1);
    rs(D3DRS_FOGSTART, FloatBits(fogStart));
    rs(D3DRS_FOGEND, FloatBits(fogEnd));
}

DWORD DISPLAY::GetDefaultRenderState(D3DRENDERSTATETYPE state) const {
    if (state == D3DRS_FOGCOLOR) return fogColor;
    for (const StateEntry& e : stateTable)
        if (e.stage < 0 && e.type == (DWORD)state) return e.value;
    // States outside the table keep the device's own defaults.
    return plat::DefaultRenderState(state);
}

DWORD DISPLAY::GetDefaultTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const {
    for (const StateEntry& e : stateTable)
        if (e.stage == (int)stage && e.type == (DWORD)type) return e.value;
    return plat::DefaultTextureStageState(stage, type);
}

void DISPLAY::RestoreRenderState(D3DRENDERSTATETYPE state) {
    if (device) device->SetRenderState(state, GetDefaultRenderState(state));
}

void DISPLAY::RestoreTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) {
    if (device) device->SetTextureStageState(stage, type, GetDefaultTextureStageState(stage, type));
}

void DISPLAY::SetDefaults() {
    material = D3DMATERIAL8{};
    material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Specular = {0.4f, 0.4f, 0.4f, 0.4f};
    material.Emissive = {0.0f, 0.0f, 0.0f, 0.0f};
    material.Power = 10.0f;
    BuildStateTable(myGlobs.renderWireframe);
    camDistance = 13.0f;
    camPitch = -0.5235988f;
    camYaw = 1.5707964f;
    if (fullscreen)
        aspectRatio = screenHeight > 0 ? (float)screenWidth / (float)screenHeight : 4.0f / 3.0f;
    else
        aspectRatio = (float)(DISPLAY_WINDOWWIDTH - 10) / (float)(DISPLAY_WINDOWHEIGHT - 28);
    if (colorDepth == 32) {
        nearPlane = 0.2f;
        farPlane = 600.0f;
    } else {
        nearPlane = 0.3f;
        farPlane = 200.0f;
    }
    D3DXMatrixPerspectiveFovLH(&projMatrix, D3DX_PI / 4, aspectRatio, nearPlane, farPlane);
    D3DXMatrixPerspectiveLH(&interfaceProjMatrix, 400.0f, 300.0f, 50.0f, 200.0f);
    RestoreRenderStates();
}

void DISPLAY::RestoreRenderStates() {
    if (device) {
        device->SetMaterial(&material);
        for (const StateEntry& e : stateTable) {
            if (e.stage < 0)
                device->SetRenderState((D3DRENDERSTATETYPE)e.type, e.type == D3DRS_FOGCOLOR ? fogColor : e.value);
            else
                device->SetTextureStageState((DWORD)e.stage, (D3DTEXTURESTAGESTATETYPE)e.type, e.value);
        }
    }
    UpdateView(1, 0.0f, -1.0f);
    if (device) device->SetTransform(D3DTS_PROJECTION, &projMatrix);
}

void DISPLAY::SetFogColor(DWORD colour) {
    fogColor = colour;
    for (StateEntry& e : stateTable)
        if (e.stage < 0 && e.type == D3DRS_FOGCOLOR) e.value = colour;
    if (device) device->SetRenderState(D3DRS_FOGCOLOR, colour);
}

void DISPLAY::GetFogRange(float* start, float* end) const {
    if (start) *start = fogStart;
    if (end) *end = fogEnd;
}

void DISPLAY::GetSecondFogRange(float* start, float* end) const {
    if (start) *start = secondFogStart;
    if (end) *end = secondFogEnd;
}

void DISPLAY::ResetForTest() {
    BuildStateTable(myGlobs.renderWireframe);
    modeCount = 0;
    viewRemembered = false;
    lostNoted = 0;
}

// ---------------------------------------------------------------------------
// Modes

int DISPLAY::BuildModeTable() {
    modeCount = 0;
    if (!d3d) return 0;
    D3DDISPLAYMODE desktop;
    if (FAILED(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop)) || desktop.Height == 0) return 0;
    const float desktopAspect = (float)desktop.Width / (float)desktop.Height;
    const UINT count = d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT);
    HRESULT hr = D3D_OK;
    for (UINT i = 0; i < count && SUCCEEDED(hr); ++i) {
        D3DDISPLAYMODE m;
        hr = d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, i, &m);
        if (FAILED(hr)) break;
        if (m.Width <= 799 || m.Height == 0) continue;
        if (!IsAcceptedFormat(m.Format) || !IsStandardWidth(m.Width)) continue;
        const float aspect = (float)m.Width / (float)m.Height;
        if (std::fabs(desktopAspect - aspect) > 0.1f) continue;
        int sameSize = -1, sameWidth = -1;
        for (int k = 0; k < modeCount; ++k) {
            if (modes[k].width == m.Width && modes[k].height == m.Height) sameSize = k;
            if (modes[k].width == m.Width) sameWidth = k;
        }
        if (sameSize >= 0) continue;
        DISPLAY_MODE entry{m.Width, m.Height, m.RefreshRate, (UINT)m.Format};
        if (sameWidth >= 0) {
            const DISPLAY_MODE& old = modes[sameWidth];
            float oldAspect = (float)old.width / (float)old.height;
            if (std::fabs(oldAspect - desktopAspect) > std::fabs(aspect - desktopAspect)) modes[sameWidth] = entry;
        } else if (modeCount < MAXDISPLAYMODES - 1) {
            modes[modeCount++] = entry;
        }
    }
    std::stable_sort(modes, modes + modeCount,
                     [](const DISPLAY_MODE& a, const DISPLAY_MODE& b) { return a.width < b.width; });
    return modeCount;
}

int DISPLAY::GetMode(int index, DISPLAY_MODE* out) const {
    if (!out || index < 0 || index >= modeCount) return 0;
    *out = modes[index];
    return 1;
}

void DISPLAY::SetDisplayMode(int depth, int fullscreenFlag, int hardwareFlag, int width, int height) {
    colorDepth = depth;
    fullscreen = fullscreenFlag;
    hardwareTnL = hardwareFlag;
    requestedWidth = width;
    requestedHeight = height;
}

// ---------------------------------------------------------------------------
// Start

int DISPLAY::Init(HINSTANCE inst, int showCommand, int* errorCode) {
    int dummy = 0;
    if (!errorCode) errorCode = &dummy;
    *errorCode = 0;
    instance = inst;

    // 1. Window icon of the edition.
    HICON icon = LoadIconA(inst, myGlobs.firstEdition ? "IDI_ICONVLM" : "IDI_ICONQM");

    // 2. Direct3D object.
    d3d = Direct3DCreate8(120);
    if (!d3d) {
        WriteStartLog("Direct3DCreate8() failed!");
        *errorCode = DISPLAYERR_D3D;
        return 0;
    }
    WriteStartLog("Direct3DCreate8() passed...");

    // 3. Desktop mode.
    D3DDISPLAYMODE desktop;
    if (FAILED(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop))) {
        WriteStartLog("GetAdapterDisplayMode() failed!");
        *errorCode = DISPLAYERR_DESKTOPMODE;
        d3d->Release();
        d3d = nullptr;
        return 0;
    }
    WriteStartLog("GetAdapterDisplayMode() passed...");

    // 4.-6. Mode table.
    if (BuildModeTable() == 0) {
        *errorCode = DISPLAYERR_NOMODE;
        return 0;
    }
    WriteStartLog("Available display modes:");
    for (int i = 0; i < modeCount; ++i) {
        WriteStartLogInt((int)modes[i].width, NOLINEEND);
        WriteStartLog(" x ", NOLINEEND);
        WriteStartLogInt((int)modes[i].height);
    }

    // 7. Graphics properties from the command line, else the dialog.
    WriteStartLog("Selecting graphics properties...");
    bool needDialog = false;
    char value[CMDTOKENLEN];
    myGlobs.GetCmdParam('c', value, sizeof value);
    if (!std::strcmp(value, "NOCMDPARAM")) {
        needDialog = true;
    } else if (!std::strcmp(value, "32")) {
        colorDepth = 32;
        WriteStartLog("32bit colour depth selected by command parameters...");
    } else {
        colorDepth = 16;
    }
    myGlobs.GetCmdParam('x', value, sizeof value);
    if (std::strcmp(value, "NOCMDPARAM") != 0) {
        requestedWidth = std::atoi(value);
        WriteStartLog("RESX selected by command parameters...");
        WriteStartLog("RESX: ", NOLINEEND);
        WriteStartLogInt(requestedWidth);
    } else {
        needDialog = true;
    }
    myGlobs.GetCmdParam('y', value, sizeof value);
    if (std::strcmp(value, "NOCMDPARAM") != 0) {
        requestedHeight = std::atoi(value);
        WriteStartLog("RESY selected by command parameters...");
        WriteStartLog("RESY: ", NOLINEEND);
        WriteStartLogInt(requestedHeight);
    } else {
        needDialog = true;
    }
    if (!needDialog) {
        // A size that is not among the usable modes would only fail at device
        // creation; let the user choose instead.
        bool known = false;
        for (int i = 0; i < modeCount; ++i)
            if ((int)modes[i].width == requestedWidth && (int)modes[i].height == requestedHeight) known = true;
        if (!known) needDialog = true;
    }
    if (needDialog) {
        RunDisplaySetupDialog();
    } else {
        fullscreen = 1;
        hardwareTnL = 1;
    }

    // 8. Capabilities.
    HRESULT capsResult = d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps);
    if (SUCCEEDED(capsResult) && (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) && hardwareTnL) {
        hardwareTnL = 1;
        WriteStartLog("Hardware T&L detected...");
    } else {
        hardwareTnL = 0;
        WriteStartLog("Hardware T&L NOT detected...");
    }
    if (myGlobs.forceSWRender) {
        hardwareTnL = 0;
        WriteStartLog("Software T&L forced with parameters !!!");
    }

    // 9. Window class.
    WNDCLASSA wc{};
    wc.style = 0;
    wc.lpfnWndProc = MainWndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 4;
    wc.hInstance = inst;
    wc.hIcon = icon;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = myGlobs.title;
    if (!RegisterClassA(&wc)) {
        *errorCode = DISPLAYERR_D3D;
        return 0;
    }

    // 10. Window.
    windowWidth = DISPLAY_WINDOWWIDTH;
    windowHeight = DISPLAY_WINDOWHEIGHT;
    window = CreateWindowExA(0, myGlobs.title, myGlobs.title, 8, 50, 0, windowWidth, windowHeight, nullptr, nullptr,
                             inst, nullptr);
    if (!window) {
        *errorCode = DISPLAYERR_WINDOW;
        return 0;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    // 11. Formats and back-buffer size.
    if (colorDepth == 32) {
        backBufferFormat = D3DFMT_X8R8G8B8;
        textureFormat = D3DFMT_A8R8G8B8;
        depthFormat = D3DFMT_D24X8;
    } else {
        backBufferFormat = D3DFMT_R5G6B5;
        textureFormat = D3DFMT_A4R4G4B4;
        depthFormat = D3DFMT_D16;
    }
    if (fullscreen) {
        screenWidth = requestedWidth;
        screenHeight = requestedHeight;
    } else {
        screenWidth = windowWidth - 8;
        screenHeight = windowHeight - 27;
    }

    // 12. Present parameters.
    std::memset(&presentParams, 0, sizeof presentParams);
    WriteStartLog("Presentation interval: ", NOLINEEND);
    if (fullscreen) {
        presentParams.BackBufferWidth = (UINT)screenWidth;
        presentParams.BackBufferHeight = (UINT)screenHeight;
        presentParams.BackBufferFormat = backBufferFormat;
        if (myGlobs.showFramerate) {
            presentParams.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
            WriteStartLog("D3DPRESENT_INTERVAL_IMMEDIATE");
        } else {
            presentParams.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_ONE;
            WriteStartLog("D3DPRESENT_INTERVAL_ONE");
        }
    } else {
        presentParams.BackBufferWidth = 0;
        presentParams.BackBufferHeight = 0;
        presentParams.BackBufferFormat = desktop.Format;
    }
    presentParams.BackBufferCount = 1;
    presentParams.MultiSampleType = D3DMULTISAMPLE_NONE;
    presentParams.SwapEffect = D3DSWAPEFFECT_DISCARD;
    presentParams.hDeviceWindow = window;
    presentParams.Windowed = fullscreen ? FALSE : TRUE;
    presentParams.EnableAutoDepthStencil = TRUE;
    presentParams.AutoDepthStencilFormat = depthFormat;
    presentParams.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;

    // 13. Vertex processing.
    DWORD behavior = (hardwareTnL == 0 || FAILED(capsResult)) ? D3DCREATE_SOFTWARE_VERTEXPROCESSING
                                                              : D3DCREATE_MIXED_VERTEXPROCESSING;
    WriteStartLog("Selected display format: ", NOLINEEND);
    WriteStartLogInt(screenWidth, NOLINEEND);
    WriteStartLog("x", NOLINEEND);
    WriteStartLogInt(screenHeight, NOLINEEND);
    WriteStartLog("x", NOLINEEND);
    WriteStartLogInt(colorDepth);

    // 14. Device.
    if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, behavior, &presentParams, &device))) {
        WriteStartLog("CreateDevice() failed!");
        *errorCode = DISPLAYERR_DEVICE;
        device = nullptr;
        d3d->Release();
        d3d = nullptr;
        return 0;
    }
    WriteStartLog("CreateDevice() passed...");

    // 15. Viewport and defaults.
    viewport = {0, 0, (DWORD)screenWidth, (DWORD)screenHeight, 0.0f, 1.0f};
    if (FAILED(device->SetViewport(&viewport))) {
        WriteStartLog("SetViewport() failed!!");
        *errorCode = DISPLAYERR_VIEWPORT;
        device->Release();
        device = nullptr;
        d3d->Release();
        d3d = nullptr;
        return 0;
    }
    WriteStartLog("SetViewport() passed...");
    SetDefaults();
    return 1;
}

// ---------------------------------------------------------------------------
// Frame

int DISPLAY::BeginFrame(DWORD clearColour) {
    if (!device) return 0;
    HRESULT hr = device->TestCooperativeLevel();
    if (hr == D3DERR_DEVICELOST) {
        if (!lostNoted) {
            lostNoted = 1;
            WriteStartLog("Device lost !!!!!!!!");
        }
        return 0;
    }
    if (hr == D3DERR_DEVICENOTRESET) {
        lostNoted = 0;
        ReleaseDynamicBuffers();
        HRESULT r = device->Reset(&presentParams);
        if (FAILED(r)) {
            if (r == D3DERR_INVALIDCALL)
                WriteStartLog("Device reset: D3DERR_INVALIDCALL !!!");
            else if (r == D3DERR_OUTOFVIDEOMEMORY)
                WriteStartLog("Device reset: D3DERR_OUTOFVIDEOMEMORY !!!");
            else if (r == E_OUTOFMEMORY)
                WriteStartLog("Device reset: D3DERR_E_OUTOFMEMORY !!!");
            else
                WriteStartLog("Device reset: unknown problem !!!");
            return 0;
        }
        WriteStartLog("Device was reset with success...");
        RecreateDynamicBuffers();
    }
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clearColour, 1.0f, 0);
    return SUCCEEDED(device->BeginScene()) ? 1 : 0;
}

void DISPLAY::EndFrame() {
    if (device) device->EndScene();
}

void DeleteDeviceObjects() {
    WriteStartLog("Deleting device objecst...");
    lightList.DeleteDeviceObjects();
    WriteStartLog("DeleteDeviceObjects() passed...");
}

void DISPLAY::CleanUp() {
    DISPLAY_BUFFER* n = buffers;
    while (n) {
        DISPLAY_BUFFER* next = n->next;
        if (n->indexBuffer) n->indexBuffer->Release();
        if (n->vertexBuffer) n->vertexBuffer->Release();
        delete n;
        n = next;
    }
    buffers = nullptr;
    if (device) {
        device->Release();
        device = nullptr;
    }
    if (d3d) {
        d3d->Release();
        d3d = nullptr;
    }
    WriteStartLog("DISPLAY::CleanUp() passed...");
}

// ---------------------------------------------------------------------------
// Buffer registry

DISPLAY_BUFFER* DISPLAY::AddVertexBuffer(DWORD fvf, int vertexBytes, int indexBytes, int managed,
                                         DISPLAY_BUFFER* node) {
    const bool fresh = node == nullptr;
    if (fresh) {
        node = new (std::nothrow) DISPLAY_BUFFER();
        if (!node) {
            WriteStartLog("Out of memory in DISPLAY::AddVertexBuffer()!!!");
            return nullptr;
        }
        node->fvf = fvf;
        node->vertexBytes = vertexBytes;
        node->indexBytes = indexBytes;
        node->managed = managed;
    }
    const DWORD usage = node->managed ? D3DUSAGE_WRITEONLY : (D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC);
    const D3DPOOL pool = node->managed ? D3DPOOL_MANAGED : D3DPOOL_DEFAULT;
    // A node passed in keeps nothing of its old buffers.
    if (!fresh) {
        if (node->indexBuffer) node->indexBuffer->Release();
        if (node->vertexBuffer) node->vertexBuffer->Release();
        node->indexBuffer = nullptr;
        node->vertexBuffer = nullptr;
    }
    if (node->vertexBytes != 0) {
        if (!device || node->vertexBytes < 0 ||
            FAILED(device->CreateVertexBuffer((UINT)node->vertexBytes, usage, node->fvf, pool, &node->vertexBuffer))) {
            node->vertexBuffer = nullptr;
            WriteStartLog("CreateVertexBuffer() in DISPLAY::AddVertexBuffer() failed!!!");
            if (fresh) delete node;
            return nullptr;
        }
    }
    if (node->indexBytes != 0) {
        if (!device || node->indexBytes < 0 ||
            FAILED(device->CreateIndexBuffer((UINT)node->indexBytes, usage, D3DFMT_INDEX16, pool, &node->indexBuffer))) {
            node->indexBuffer = nullptr;
            WriteStartLog("CreateIndexBuffer() in DISPLAY::AddVertexBuffer() failed!!!");
            if (node->vertexBuffer) node->vertexBuffer->Release();
            node->vertexBuffer = nullptr;
            if (fresh) delete node;
            return nullptr;
        }
    }
    if (fresh) {
        node->prev = nullptr;
        node->next = buffers;
        if (buffers) buffers->prev = node;
        buffers = node;
    }
    return node;
}

void DISPLAY::RemoveVertexBuffer(DISPLAY_BUFFER** handle) {
    if (!handle || !*handle) return;
    DISPLAY_BUFFER* node = *handle;
    bool found = false;
    for (DISPLAY_BUFFER* n = buffers; n; n = n->next)
        if (n == node) found = true;
    if (!found) return;
    if (node->prev)
        node->prev->next = node->next;
    else
        buffers = node->next;
    if (node->next) node->next->prev = node->prev;
    if (node->indexBuffer) node->indexBuffer->Release();
    if (node->vertexBuffer) node->vertexBuffer->Release();
    delete node;
    *handle = nullptr;
}

IDirect3DVertexBuffer8* DISPLAY::GetVB(DISPLAY_BUFFER* node) const {
    for (DISPLAY_BUFFER* n = buffers; n; n = n->next)
        if (n == node) return n->vertexBuffer;
    return nullptr;
}

IDirect3DIndexBuffer8* DISPLAY::GetIB(DISPLAY_BUFFER* node) const {
    for (DISPLAY_BUFFER* n = buffers; n; n = n->next)
        if (n == node) return n->indexBuffer;
    return nullptr;
}

void DISPLAY::ReleaseDynamicBuffers() {
    for (DISPLAY_BUFFER* n = buffers; n; n = n->next) {
        if (n->managed) continue;
        if (n->indexBuffer) n->indexBuffer->Release();
        if (n->vertexBuffer) n->vertexBuffer->Release();
        n->indexBuffer = nullptr;
        n->vertexBuffer = nullptr;
    }
    WriteStartLog("Display: All not auto managed vertex and index buffers released...");
}

void DISPLAY::RecreateDynamicBuffers() {
    // Nodes whose re-creation fails stay linked with null buffers (their
    // owners see null from GetVB/GetIB) and are tried again at the next reset.
    for (DISPLAY_BUFFER* n = buffers; n; n = n->next) {
        if (n->managed) continue;
        AddVertexBuffer(n->fvf, n->vertexBytes, n->indexBytes, n->managed, n);
    }
    RestoreRenderStates();
    RestoreAfterReset();
}

void NoteResetHook(const char* name) {
    if (resetObserver) resetObserver(name);
}

void SetResetHookObserverForTest(std::function<void(const char*)> observer) { resetObserver = std::move(observer); }

// ---------------------------------------------------------------------------
// Camera

void DISPLAY::SetView(const D3DXVECTOR3& eyePoint, const D3DXVECTOR3& lookAtPoint, const D3DXVECTOR3& upVector) {
    D3DXMatrixLookAtLH(&viewMatrix, &eyePoint, &lookAtPoint, &upVector);
    if (device) device->SetTransform(D3DTS_VIEW, &viewMatrix);
    if (!D3DXMatrixInverse(&inverseViewMatrix, nullptr, &viewMatrix)) D3DXMatrixIdentity(&inverseViewMatrix);
    D3DXMatrixRotationX(&billboardTilt, 1.8479956f);
}

void DISPLAY::GetCamera(D3DXVECTOR3* eyeOut, D3DXVECTOR3* lookAtOut, D3DXVECTOR3* upOut) const {
    if (eyeOut) *eyeOut = eye;
    if (lookAtOut) *lookAtOut = lookAt;
    if (upOut) *upOut = up;
}

void DISPLAY::GetCameraAngles(float* yaw, float* pitch, float* distance) const {
    if (yaw) *yaw = camYaw;
    if (pitch) *pitch = camPitch;
    if (distance) *distance = camDistance;
}

void DISPLAY::SetCameraAngles(const float* yaw, const float* pitch, const float* distance) {
    if (yaw) camYaw = *yaw;
    if (pitch) camPitch = *pitch;
    if (distance) camDistance = *distance;
}

void DISPLAY::SetCameraAngles(float yaw, float pitch, float distance) {
    camYaw = yaw;
    camPitch = pitch;
    camDistance = distance;
}

void DISPLAY::GetBillboardMatrix(D3DXMATRIX* out, int which) const {
    if (!out) return;
    *out = which == 1 ? inverseViewMatrix : billboardTilt;
}

void DISPLAY::SetInterfaceView() {
    SetView(D3DXVECTOR3(0.0f, 0.0f, -100.0f), D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(0.0f, 1.0f, 0.0f));
    if (device) device->SetTransform(D3DTS_PROJECTION, &interfaceProjMatrix);
}

void DISPLAY::RestoreSceneView() {
    if (device) device->SetTransform(D3DTS_PROJECTION, &projMatrix);
    SetView(eye, lookAt, up);
}

void DISPLAY::ApplyGroundClearance(D3DXVECTOR3& eyePoint, D3DXVECTOR3& lookAtPoint) const {
    D3DXVECTOR3 probe = eyePoint;
    D3DXVECTOR3 d = lookAtPoint - eyePoint;
    float len = D3DXVec3Length(&d);
    if (len > 0.0f) probe = eyePoint + d / len;
    float g = terrain.GetHeight(probe.x, probe.y, 0);
    if (!std::isfinite(g) || !std::isfinite(eyePoint.z)) return;
    float gap = eyePoint.z - g + 2.0f * nearPlane;  // > 0: too close to (or under) the ground
    if (gap > 0.0f) {
        // The number of 0.1 steps that brings the eye at least twice the near
        // plane above the ground, in closed form.
        float steps = std::ceil(gap / 0.1f);
        if (eyePoint.z - steps * 0.1f - g > -2.0f * nearPlane) steps += 1.0f;
        eyePoint.z -= steps * 0.1f;
        lookAtPoint.z -= steps * 0.1f;
    }
}

void DISPLAY::UpdateFollowCamera(float& h) {
    TRAIN* v = myGlobs.journeyTrain;
    h = v->heading * kPi / 180.0f + followOrbit + myGlobs.oldalszog + kPi;
    followLastHeading = h;
    if (myGlobs.keyX) h -= kPi;
    const float ft = (float)frameTime;
    const bool rev = myGlobs.reverseCamera != 0;
    if ((keyLeft && !rev) || (keyRight && rev) || cursorAtLeft) {
        followOrbit += ft / 400.0f;
        if (followOrbit > kTwoPi) followOrbit -= kTwoPi;
    }
    if ((keyRight && !rev) || (keyLeft && rev) || cursorAtRight) {
        followOrbit -= ft / 400.0f;
        if (followOrbit < 0.0f) followOrbit += kTwoPi;
    }
    if (keyUp || cursorAtBottom) followZoom = std::min(1.3f, followZoom + ft / 2000.0f);
    if (keyDown || cursorAtTop) followZoom = std::max(0.3f, followZoom - ft / 2000.0f);
    float lift = 3.0f * followZoom / 1.15f;
    followHeading = h;
    camPitch = v->pitch * kPi / 180.0f;
    D3DXVECTOR3 base = v->vPos - v->vJitter;
    eye = D3DXVECTOR3(base.x, base.y, base.z - lift);
    D3DXVECTOR3 dir(-std::sin(h), std::cos(h), std::sin(camPitch));
    lookAt = eye + dir;
    lookAt.z += std::tan(followZoom);
    float dist = myGlobs.tavolsag + (float)(mouseWheel - lastWheel) / 1000.0f;
    dist = std::clamp(dist, 1.2f, 10.0f);
    myGlobs.tavolsag = dist;
    eye = eye - dist * dir;
    up = D3DXVECTOR3(0.0f, 0.0f, -1.0f);
}

void DISPLAY::UpdateView(int force, float targetX, float targetY) {
    if (!viewRemembered) {
        viewRemembered = true;
        lastWheel = mouseWheel;
    } else if (!force && targetX == lastTargetX && targetY == lastTargetY && camDistance == lastDistance &&
               camYaw == lastYaw && camPitch == lastPitch) {
        lastWheel = mouseWheel;
        return;
    }
    lastTargetX = targetX;
    lastTargetY = targetY;
    lastDistance = camDistance;
    lastYaw = camYaw;
    lastPitch = camPitch;

    D3DXVECTOR3 newEye, newLookAt;
    if ((myGlobs.journeyMode || myGlobs.crashState) && myGlobs.journeyTrain) {
        float h;
        UpdateFollowCamera(h);
        newEye = eye;
        newLookAt = lookAt;
        // Follow mode changes the pitch itself; remember it so that an
        // unchanged frame is recognised.
        lastPitch = camPitch;
    } else {
        const float d = camDistance, p = camPitch, y = camYaw;
        newEye = D3DXVECTOR3(targetX + std::cos(y) * std::sin(p) * d, -targetY - std::sin(y) * std::sin(p) * d,
                             -std::cos(p) * d);
        newLookAt = D3DXVECTOR3(targetX, -targetY, 0.0f);
        up = D3DXVECTOR3(-std::cos(y) * std::cos(p) * d, std::sin(y) * std::cos(p) * d, -std::sin(p) * d);
    }
    ApplyGroundClearance(newEye, newLookAt);
    eye = newEye;
    lookAt = newLookAt;
    SetView(eye, lookAt, up);
    lastWheel = mouseWheel;
}

int DISPLAY::IsEyeInsideBox(float minX, float minY, float minZ, float maxX, float maxY, float maxZ, float posX,
                            float posY, float posZ, float heading) const {
    const float n = nearPlane;
    minX -= n;
    minY -= n;
    minZ -= n;
    maxX += n;
    maxY += n;
    maxZ += n;
    D3DXMATRIX rot, trans, world, inv;
    D3DXMatrixRotationZ(&rot, heading * kPi / 180.0f);
    D3DXMatrixTranslation(&trans, posX, posY, posZ);
    D3DXMatrixMultiply(&world, &rot, &trans);
    if (!D3DXMatrixInverse(&inv, nullptr, &world)) return 1;
    D3DXVECTOR4 local;
    D3DXVec3Transform(&local, &eye, &inv);
    return (local.x >= minX && local.x <= maxX && local.y >= minY && local.y <= maxY && local.z >= minZ &&
            local.z <= maxZ)
               ? 1
               : 0;
}

void DISPLAY::GetFollowValues(float* heading, float* lastHeading, float* orbit, float* zoom) const {
    if (heading) *heading = followHeading;
    if (lastHeading) *lastHeading = followLastHeading;
    if (orbit) *orbit = followOrbit;
    if (zoom) *zoom = followZoom;
}

void DISPLAY::SetFollowValues(float heading, float lastHeading, float orbit, float zoom) {
    followHeading = heading;
    followLastHeading = lastHeading;
    followOrbit = orbit;
    followZoom = zoom;
}

void DISPLAY::SaveCamera(FILE* file) const {
    if (!file || myGlobs.loadFileVersion < 13) return;
    const float values[4] = {followHeading, followLastHeading, followOrbit, followZoom};
    std::fwrite(values, sizeof(float), 4, file);
}

void DISPLAY::LoadCamera(FILE* file) {
    if (!file || myGlobs.loadFileVersion < 13) return;
    float values[4] = {0.0f, 0.0f, 0.0f, 1.15f};
    size_t got = std::fread(values, sizeof(float), 4, file);
    if (got != 4) return;  // a truncated block keeps the current values
    // Values from the file are clamped to what the follow camera can produce.
    followHeading = std::isfinite(values[0]) ? values[0] : 0.0f;
    followLastHeading = std::isfinite(values[1]) ? values[1] : 0.0f;
    followOrbit = std::isfinite(values[2]) ? std::clamp(values[2], 0.0f, kTwoPi) : 0.0f;
    followZoom = std::isfinite(values[3]) ? std::clamp(values[3], 0.3f, 1.3f) : 1.15f;
}
