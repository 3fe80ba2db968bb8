// The Direct3D 8 object: adapter modes (from SDL, plus the standard sizes that
// a scaled desktop window can show), capabilities, format checks and device
// creation. Also the pixel-format helpers of the layer.
#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>

#include "platform/d3d8_internal.h"
#include "platform/window.h"

namespace plat::d3d {

namespace {

bool forceHeadless = false;
bool adapterOverride = false;
AdapterInfo overrideInfo;

const UINT kStandardSizes[][2] = {{640, 480},   {800, 600},   {1024, 768},  {1152, 864},  {1280, 720},
                                  {1280, 768},  {1280, 800},  {1280, 960},  {1280, 1024}, {1360, 768},
                                  {1366, 768},  {1400, 1050}, {1440, 900},  {1600, 900},  {1600, 1200},
                                  {1680, 1050}, {1920, 1080}, {1920, 1200}, {2560, 1440}, {2560, 1600}};

}  // namespace

AdapterInfo QueryAdapter() {
    if (adapterOverride) return overrideInfo;
    AdapterInfo info;
    info.desktop = {1024, 768, 60, D3DFMT_X8R8G8B8};
    std::vector<std::pair<UINT, UINT>> sizes;
    if (!forceHeadless && plat::EnsureVideo()) {
        SDL_DisplayMode dm;
        if (SDL_GetDesktopDisplayMode(0, &dm) == 0 && dm.w > 0 && dm.h > 0) {
            info.desktop.Width = (UINT)dm.w;
            info.desktop.Height = (UINT)dm.h;
            info.desktop.RefreshRate = dm.refresh_rate > 0 ? (UINT)dm.refresh_rate : 60;
            info.desktop.Format = SDL_BITSPERPIXEL(dm.format) == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8;
        }
        int n = SDL_GetNumDisplayModes(0);
        for (int i = 0; i < n; ++i) {
            SDL_DisplayMode m;
            if (SDL_GetDisplayMode(0, i, &m) == 0 && m.w > 0 && m.h > 0) sizes.push_back({(UINT)m.w, (UINT)m.h});
        }
    }
    // Full screen is a desktop-sized window that scales the back buffer, so
    // every standard size that fits the desktop can be offered; 800 x 600 and
    // 1024 x 768 always are.
    for (auto& s : kStandardSizes) {
        bool fits = s[0] <= info.desktop.Width && s[1] <= info.desktop.Height;
        bool always = (s[0] == 800 && s[1] == 600) || (s[0] == 1024 && s[1] == 768);
        if (fits || always) sizes.push_back({s[0], s[1]});
    }
    sizes.push_back({info.desktop.Width, info.desktop.Height});
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    for (auto& s : sizes) {
        info.modes.push_back({s.first, s.second, info.desktop.RefreshRate, D3DFMT_X8R8G8B8});
        info.modes.push_back({s.first, s.second, info.desktop.RefreshRate, D3DFMT_R5G6B5});
    }
    return info;
}

void FillCaps(D3DCAPS8& c) {
    std::memset(&c, 0, sizeof(c));
    c.DeviceType = D3DDEVTYPE_HAL;
    c.AdapterOrdinal = 0;
    c.Caps2 = D3DCAPS2_CANRENDERWINDOWED | D3DCAPS2_DYNAMICTEXTURES | D3DCAPS2_CANMANAGERESOURCE;
    c.PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
    c.DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY | D3DDEVCAPS_TEXTURESYSTEMMEMORY |
                D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP | D3DDEVCAPS_DRAWPRIMITIVES2 |
                D3DDEVCAPS_DRAWPRIMITIVES2EX | D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION;
    c.PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW |
                          D3DPMISCCAPS_COLORWRITEENABLE | D3DPMISCCAPS_BLENDOP;
    c.RasterCaps = D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_FOGVERTEX | D3DPRASTERCAPS_ZBIAS |
                   D3DPRASTERCAPS_FOGRANGE | D3DPRASTERCAPS_MIPMAPLODBIAS;
    c.ZCmpCaps = c.AlphaCmpCaps = 0xff;
    c.SrcBlendCaps = c.DestBlendCaps = 0x1fff;
    c.ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB | D3DPSHADECAPS_ALPHAGOURAUDBLEND |
                  D3DPSHADECAPS_FOGGOURAUD;
    c.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_PROJECTED |
                    D3DPTEXTURECAPS_MIPMAP;
    c.TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MIPFPOINT |
                          D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
    c.TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP |
                           D3DPTADDRESSCAPS_BORDER | D3DPTADDRESSCAPS_INDEPENDENTUV;
    c.LineCaps = D3DLINECAPS_TEXTURE | D3DLINECAPS_ZTEST | D3DLINECAPS_BLEND | D3DLINECAPS_ALPHACMP | D3DLINECAPS_FOG;
    c.MaxTextureWidth = c.MaxTextureHeight = 4096;
    c.MaxTextureRepeat = 8192;
    c.MaxTextureAspectRatio = 4096;
    c.MaxAnisotropy = 1;
    c.MaxVertexW = 1.0e10f;
    c.GuardBandLeft = c.GuardBandTop = -8192.0f;
    c.GuardBandRight = c.GuardBandBottom = 8192.0f;
    c.StencilCaps = 0xff;
    c.FVFCaps = 8;
    c.TextureOpCaps = D3DTEXOPCAPS_DISABLE | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_SELECTARG2 |
                      D3DTEXOPCAPS_MODULATE | D3DTEXOPCAPS_MODULATE2X | D3DTEXOPCAPS_MODULATE4X | D3DTEXOPCAPS_ADD |
                      D3DTEXOPCAPS_ADDSIGNED | D3DTEXOPCAPS_ADDSIGNED2X | D3DTEXOPCAPS_SUBTRACT |
                      D3DTEXOPCAPS_BLENDDIFFUSEALPHA | D3DTEXOPCAPS_BLENDTEXTUREALPHA |
                      D3DTEXOPCAPS_BLENDFACTORALPHA | D3DTEXOPCAPS_BLENDCURRENTALPHA | D3DTEXOPCAPS_DOTPRODUCT3 |
                      D3DTEXOPCAPS_LERP;
    c.MaxTextureBlendStages = 8;
    c.MaxSimultaneousTextures = 4;
    c.VertexProcessingCaps = D3DVTXPCAPS_TEXGEN | D3DVTXPCAPS_MATERIALSOURCE7 | D3DVTXPCAPS_DIRECTIONALLIGHTS |
                             D3DVTXPCAPS_POSITIONALLIGHTS | D3DVTXPCAPS_LOCALVIEWER;
    c.MaxActiveLights = 1024;
    c.MaxUserClipPlanes = 6;
    c.MaxVertexBlendMatrices = 4;
    c.MaxVertexBlendMatrixIndex = 255;
    c.MaxPointSize = 64.0f;
    c.MaxPrimitiveCount = 0xffffff;
    c.MaxVertexIndex = 0xffffff;
    c.MaxStreams = 1;
    c.MaxStreamStride = 256;
    c.VertexShaderVersion = 0;
    c.PixelShaderVersion = 0;
}

bool FormatSupportedAsTexture(D3DFORMAT f) {
    switch (f) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4:
        case D3DFMT_R8G8B8:
        case D3DFMT_A8:
        case D3DFMT_L8:
        case D3DFMT_A8L8:
        case D3DFMT_V8U8:
        case D3DFMT_DXT1:
        case D3DFMT_DXT2:
        case D3DFMT_DXT3:
        case D3DFMT_DXT4:
        case D3DFMT_DXT5: return true;
        default: return false;
    }
}

UINT LevelPitch(D3DFORMAT format, UINT width) {
    if (FormatIsCompressed(format)) {
        UINT blocks = std::max(1u, (width + 3) / 4);
        return blocks * (format == D3DFMT_DXT1 ? 8u : 16u);
    }
    return width * FormatBytesPerPixel(format);
}

UINT LevelRows(D3DFORMAT format, UINT height) {
    if (FormatIsCompressed(format)) return std::max(1u, (height + 3) / 4);
    return height;
}

// ---------------------------------------------------------------------------
// Pixels

namespace {

inline uint32_t Expand(uint32_t v, int bits) {
    if (bits == 0) return 0;
    uint32_t max = (1u << bits) - 1;
    return (v * 255 + max / 2) / max;
}

inline uint32_t Pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return (a << 24) | (r << 16) | (g << 8) | b; }

uint32_t Rgb565(uint16_t c) {
    return Pack(255, Expand((c >> 11) & 31, 5), Expand((c >> 5) & 63, 6), Expand(c & 31, 5));
}

void DecodeDxtColorBlock(const BYTE* b, uint32_t out[16], bool dxt1) {
    uint16_t c0 = (uint16_t)(b[0] | (b[1] << 8)), c1 = (uint16_t)(b[2] | (b[3] << 8));
    uint32_t col[4];
    col[0] = Rgb565(c0);
    col[1] = Rgb565(c1);
    auto ch = [](uint32_t c, int s) { return (c >> s) & 0xff; };
    if (!dxt1 || c0 > c1) {
        uint32_t r2 = (2 * ch(col[0], 16) + ch(col[1], 16) + 1) / 3, g2 = (2 * ch(col[0], 8) + ch(col[1], 8) + 1) / 3,
                 b2 = (2 * ch(col[0], 0) + ch(col[1], 0) + 1) / 3;
        uint32_t r3 = (ch(col[0], 16) + 2 * ch(col[1], 16) + 1) / 3, g3 = (ch(col[0], 8) + 2 * ch(col[1], 8) + 1) / 3,
                 b3 = (ch(col[0], 0) + 2 * ch(col[1], 0) + 1) / 3;
        col[2] = Pack(255, r2, g2, b2);
        col[3] = Pack(255, r3, g3, b3);
    } else {
        col[2] = Pack(255, (ch(col[0], 16) + ch(col[1], 16)) / 2, (ch(col[0], 8) + ch(col[1], 8)) / 2,
                      (ch(col[0], 0) + ch(col[1], 0)) / 2);
        col[3] = 0;  // transparent black
    }
    uint32_t bits = (uint32_t)b[4] | ((uint32_t)b[5] << 8) | ((uint32_t)b[6] << 16) | ((uint32_t)b[7] << 24);
    for (int i = 0; i < 16; ++i) out[i] = col[(bits >> (2 * i)) & 3];
}

void DecodeBlock(D3DFORMAT f, const BYTE* b, uint32_t out[16]) {
    if (f == D3DFMT_DXT1) {
        DecodeDxtColorBlock(b, out, true);
        return;
    }
    DecodeDxtColorBlock(b + 8, out, false);
    if (f == D3DFMT_DXT2 || f == D3DFMT_DXT3) {
        for (int i = 0; i < 16; ++i) {
            uint32_t a = (b[i / 2] >> ((i & 1) * 4)) & 0xf;
            out[i] = (out[i] & 0x00ffffff) | (Expand(a, 4) << 24);
        }
    } else {
        uint32_t a[8];
        a[0] = b[0];
        a[1] = b[1];
        if (a[0] > a[1]) {
            for (int i = 1; i <= 6; ++i) a[1 + i] = ((7 - i) * a[0] + i * a[1] + 3) / 7;
        } else {
            for (int i = 1; i <= 4; ++i) a[1 + i] = ((5 - i) * a[0] + i * a[1] + 2) / 5;
            a[6] = 0;
            a[7] = 255;
        }
        uint64_t bits = 0;
        for (int i = 0; i < 6; ++i) bits |= (uint64_t)b[2 + i] << (8 * i);
        for (int i = 0; i < 16; ++i) out[i] = (out[i] & 0x00ffffff) | (a[(bits >> (3 * i)) & 7] << 24);
    }
}

}  // namespace

D3DCOLOR DecodePixel(D3DFORMAT f, const BYTE* p) {
    switch (f) {
        case D3DFMT_A8R8G8B8: return *(const uint32_t*)p;
        case D3DFMT_X8R8G8B8: return *(const uint32_t*)p | 0xff000000u;
        case D3DFMT_R8G8B8: return Pack(255, p[2], p[1], p[0]);
        case D3DFMT_R5G6B5: return Rgb565(*(const uint16_t*)p);
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5: {
            uint16_t c = *(const uint16_t*)p;
            uint32_t a = f == D3DFMT_A1R5G5B5 ? ((c & 0x8000) ? 255 : 0) : 255;
            return Pack(a, Expand((c >> 10) & 31, 5), Expand((c >> 5) & 31, 5), Expand(c & 31, 5));
        }
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4: {
            uint16_t c = *(const uint16_t*)p;
            uint32_t a = f == D3DFMT_A4R4G4B4 ? Expand((c >> 12) & 15, 4) : 255;
            return Pack(a, Expand((c >> 8) & 15, 4), Expand((c >> 4) & 15, 4), Expand(c & 15, 4));
        }
        case D3DFMT_A8: return Pack(p[0], 0, 0, 0);
        case D3DFMT_L8: return Pack(255, p[0], p[0], p[0]);
        case D3DFMT_A8L8: return Pack(p[1], p[0], p[0], p[0]);
        case D3DFMT_V8U8:
            // Signed du, dv shown as unsigned colour (red = du, green = dv).
            return Pack(255, (uint32_t)(p[0] ^ 0x80), (uint32_t)(p[1] ^ 0x80), 0);
        default: return 0;
    }
}

void EncodePixel(D3DFORMAT f, D3DCOLOR c, BYTE* p) {
    uint32_t a = c >> 24, r = (c >> 16) & 0xff, g = (c >> 8) & 0xff, b = c & 0xff;
    switch (f) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8: *(uint32_t*)p = c; break;
        case D3DFMT_R8G8B8:
            p[0] = (BYTE)b;
            p[1] = (BYTE)g;
            p[2] = (BYTE)r;
            break;
        case D3DFMT_R5G6B5: *(uint16_t*)p = (uint16_t)(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)); break;
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
            *(uint16_t*)p = (uint16_t)(((a >= 128 ? 1u : 0u) << 15) | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
            break;
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4:
            *(uint16_t*)p = (uint16_t)(((a >> 4) << 12) | ((r >> 4) << 8) | ((g >> 4) << 4) | (b >> 4));
            break;
        case D3DFMT_A8: p[0] = (BYTE)a; break;
        case D3DFMT_L8: p[0] = (BYTE)((r * 77 + g * 150 + b * 29) >> 8); break;
        case D3DFMT_A8L8:
            p[0] = (BYTE)((r * 77 + g * 150 + b * 29) >> 8);
            p[1] = (BYTE)a;
            break;
        default: break;
    }
}

void DecodeLevel(D3DFORMAT f, const ImageLevel& lv, std::vector<uint32_t>& out) {
    out.assign((size_t)lv.width * lv.height, 0);
    if (FormatIsCompressed(f)) {
        UINT bw = std::max(1u, (lv.width + 3) / 4), bh = std::max(1u, (lv.height + 3) / 4);
        UINT blockBytes = f == D3DFMT_DXT1 ? 8 : 16;
        uint32_t px[16];
        for (UINT by = 0; by < bh; ++by)
            for (UINT bx = 0; bx < bw; ++bx) {
                size_t off = (size_t)by * lv.pitch + (size_t)bx * blockBytes;
                if (off + blockBytes > lv.bits.size()) continue;
                DecodeBlock(f, lv.bits.data() + off, px);
                for (UINT y = 0; y < 4; ++y)
                    for (UINT x = 0; x < 4; ++x) {
                        UINT X = bx * 4 + x, Y = by * 4 + y;
                        if (X < lv.width && Y < lv.height) out[(size_t)Y * lv.width + X] = px[y * 4 + x];
                    }
            }
        return;
    }
    UINT bpp = FormatBytesPerPixel(f);
    if (bpp == 0) return;
    for (UINT y = 0; y < lv.height; ++y)
        for (UINT x = 0; x < lv.width; ++x)
            out[(size_t)y * lv.width + x] = DecodePixel(f, lv.bits.data() + (size_t)y * lv.pitch + (size_t)x * bpp);
}

// ---------------------------------------------------------------------------
// The Direct3D object

HRESULT Direct3D::GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER8* id) {
    if (adapter != 0 || !id) return D3DERR_INVALIDCALL;
    std::memset(id, 0, sizeof(*id));
    std::strcpy(id->Driver, "opengl");
    std::strcpy(id->Description, "OpenGL display adapter");
    return D3D_OK;
}

UINT Direct3D::GetAdapterModeCount(UINT adapter) {
    if (adapter != 0) return 0;
    return (UINT)QueryAdapter().modes.size();
}

HRESULT Direct3D::EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* out) {
    if (adapter != 0 || !out) return D3DERR_INVALIDCALL;
    AdapterInfo info = QueryAdapter();
    if (mode >= info.modes.size()) return D3DERR_INVALIDCALL;
    *out = info.modes[mode];
    return D3D_OK;
}

HRESULT Direct3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* out) {
    if (adapter != 0 || !out) return D3DERR_INVALIDCALL;
    *out = QueryAdapter().desktop;
    return D3D_OK;
}

HRESULT Direct3D::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT display, D3DFORMAT back, BOOL) {
    if (adapter != 0 || type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    auto ok = [](D3DFORMAT f) {
        return f == D3DFMT_X8R8G8B8 || f == D3DFMT_A8R8G8B8 || f == D3DFMT_R5G6B5 || f == D3DFMT_X1R5G5B5 ||
               f == D3DFMT_R8G8B8;
    };
    return ok(display) && ok(back) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT, DWORD usage, D3DRESOURCETYPE rtype,
                                    D3DFORMAT check) {
    if (adapter != 0 || type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    if (usage & D3DUSAGE_DEPTHSTENCIL)
        return (check == D3DFMT_D16 || check == D3DFMT_D24X8 || check == D3DFMT_D24S8 || check == D3DFMT_D32)
                   ? D3D_OK
                   : D3DERR_NOTAVAILABLE;
    if (usage & D3DUSAGE_RENDERTARGET) return D3DERR_NOTAVAILABLE;
    if (rtype == D3DRTYPE_TEXTURE || rtype == D3DRTYPE_SURFACE)
        return FormatSupportedAsTexture(check) ? D3D_OK : D3DERR_NOTAVAILABLE;
    return D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE, D3DFORMAT, BOOL, D3DMULTISAMPLE_TYPE ms) {
    if (adapter != 0) return D3DERR_INVALIDCALL;
    return ms == D3DMULTISAMPLE_NONE ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT depth) {
    if (adapter != 0) return D3DERR_INVALIDCALL;
    return (depth == D3DFMT_D16 || depth == D3DFMT_D24X8 || depth == D3DFMT_D24S8 || depth == D3DFMT_D32)
               ? D3D_OK
               : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps) {
    if (adapter != 0 || !caps) return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    FillCaps(*caps);
    return D3D_OK;
}

HRESULT Direct3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD behavior,
                               D3DPRESENT_PARAMETERS* pp, IDirect3DDevice8** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (adapter != 0 || !pp || type != D3DDEVTYPE_HAL) return D3DERR_INVALIDCALL;
    if (!(behavior & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                      D3DCREATE_MIXED_VERTEXPROCESSING)))
        return D3DERR_INVALIDCALL;
    if (!pp->Windowed && (pp->BackBufferWidth == 0 || pp->BackBufferHeight == 0)) return D3DERR_INVALIDCALL;
    if (!pp->Windowed) {
        // A full-screen size must be one of the adapter's modes.
        AdapterInfo info = QueryAdapter();
        bool found = false;
        for (auto& m : info.modes)
            if (m.Width == pp->BackBufferWidth && m.Height == pp->BackBufferHeight) found = true;
        if (!found) return D3DERR_INVALIDCALL;
    }
    bool headless = forceHeadless || !plat::EnsureVideo() || !(pp->hDeviceWindow || focus) ||
                    !plat::SdlWindowOf(pp->hDeviceWindow ? pp->hDeviceWindow : focus);
    auto* dev = new Device(this, focus, behavior, *pp, headless);
    if (!dev->Initialise()) {
        dev->Release();
        return D3DERR_NOTAVAILABLE;
    }
    *pp = *pp;  // the caller's parameters stay as given
    *out = dev;
    return D3D_OK;
}

}  // namespace plat::d3d

// ---------------------------------------------------------------------------

IDirect3D8* WINAPI Direct3DCreate8(UINT sdkVersion) {
    (void)sdkVersion;
    return new plat::d3d::Direct3D();
}

namespace plat {

UINT FormatBytesPerPixel(D3DFORMAT f) {
    switch (f) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_INDEX32:
        case D3DFMT_D32:
        case D3DFMT_D24S8:
        case D3DFMT_D24X8:
        case D3DFMT_V16U16: return 4;
        case D3DFMT_R8G8B8: return 3;
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4:
        case D3DFMT_A8L8:
        case D3DFMT_V8U8:
        case D3DFMT_L6V5U5:
        case D3DFMT_D16:
        case D3DFMT_D16_LOCKABLE:
        case D3DFMT_INDEX16:
        case D3DFMT_A8R3G3B2: return 2;
        case D3DFMT_A8:
        case D3DFMT_L8:
        case D3DFMT_P8:
        case D3DFMT_R3G3B2:
        case D3DFMT_A4L4: return 1;
        default: return 0;
    }
}

bool FormatIsCompressed(D3DFORMAT f) {
    return f == D3DFMT_DXT1 || f == D3DFMT_DXT2 || f == D3DFMT_DXT3 || f == D3DFMT_DXT4 || f == D3DFMT_DXT5;
}

UINT FvfVertexSize(DWORD fvf) { return d3d::DecodeFvf(fvf).size; }

void ForceHeadlessDevices(bool headless) { d3d::forceHeadless = headless; }

void SetAdapterModesForTest(const D3DDISPLAYMODE* desktop, const D3DDISPLAYMODE* modes, UINT count) {
    if (!desktop) {
        d3d::adapterOverride = false;
        d3d::overrideInfo = {};
        return;
    }
    d3d::adapterOverride = true;
    d3d::overrideInfo.desktop = *desktop;
    d3d::overrideInfo.modes.assign(modes, modes + count);
}

}  // namespace plat
