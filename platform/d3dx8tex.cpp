// Texture creation from image files over the CPU image decoders.
#include "platform/d3dx8tex.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/startlog.h"
#include "platform/image.h"

namespace {

bool IsPow2(UINT v) { return v && !(v & (v - 1)); }
UINT NextPow2(UINT v) {
    UINT p = 1;
    while (p < v && p < 0x80000000u) p <<= 1;
    return p;
}

bool GetCaps(LPDIRECT3DDEVICE8 device, D3DCAPS8& caps) {
    std::memset(&caps, 0, sizeof caps);
    return device && SUCCEEDED(device->GetDeviceCaps(&caps));
}

// Asks the device whether it takes a texture format; a device that cannot
// answer is trusted to take the common uncompressed formats.
bool FormatSupported(LPDIRECT3DDEVICE8 device, D3DFORMAT format, DWORD usage) {
    if (format == D3DFMT_UNKNOWN) return false;
    if (!plat::IsCompressedFormat(format) && plat::ImageFormatBytesPerPixel(format) == 0) return false;
    IDirect3D8* d3d = nullptr;
    if (!device || FAILED(device->GetDirect3D(&d3d)) || !d3d) return !plat::IsCompressedFormat(format);
    D3DDEVICE_CREATION_PARAMETERS params{};
    D3DDISPLAYMODE mode{};
    UINT adapter = 0;
    D3DDEVTYPE type = D3DDEVTYPE_HAL;
    if (SUCCEEDED(device->GetCreationParameters(&params))) {
        adapter = params.AdapterOrdinal;
        type = params.DeviceType;
    }
    D3DFORMAT adapterFormat = D3DFMT_X8R8G8B8;
    if (SUCCEEDED(device->GetDisplayMode(&mode)) && mode.Format != D3DFMT_UNKNOWN) adapterFormat = mode.Format;
    HRESULT hr = d3d->CheckDeviceFormat(adapter, type, adapterFormat, usage, D3DRTYPE_TEXTURE, format);
    d3d->Release();
    return SUCCEEDED(hr);
}

// The requested format, or the nearest one the device takes.
D3DFORMAT ChooseFormat(LPDIRECT3DDEVICE8 device, D3DFORMAT wanted, DWORD usage) {
    if (FormatSupported(device, wanted, usage)) return wanted;
    const bool alpha = plat::FormatHasAlpha(wanted) || wanted == D3DFMT_UNKNOWN;
    static const D3DFORMAT withAlpha[] = {D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5};
    static const D3DFORMAT noAlpha[] = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A8R8G8B8};
    if (alpha) {
        for (D3DFORMAT f : withAlpha)
            if (FormatSupported(device, f, usage)) return f;
    } else {
        for (D3DFORMAT f : noAlpha)
            if (FormatSupported(device, f, usage)) return f;
    }
    return D3DFMT_UNKNOWN;
}

void AdjustSize(const D3DCAPS8& caps, bool haveCaps, UINT& w, UINT& h) {
    if (!haveCaps) return;
    if ((caps.TextureCaps & D3DPTEXTURECAPS_POW2) && !(caps.TextureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL)) {
        if (!IsPow2(w)) w = NextPow2(w);
        if (!IsPow2(h)) h = NextPow2(h);
    }
    if (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) w = h = std::max(w, h);
    if (caps.MaxTextureWidth && w > caps.MaxTextureWidth) w = caps.MaxTextureWidth;
    if (caps.MaxTextureHeight && h > caps.MaxTextureHeight) h = caps.MaxTextureHeight;
}

UINT MipCount(const D3DCAPS8& caps, bool haveCaps, UINT requested, UINT w, UINT h) {
    const UINT full = UINT(plat::FullMipCount(int(w), int(h)));
    if (haveCaps && !(caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP)) return 1;
    if (requested == 0 || requested == D3DX_DEFAULT) return full;
    return std::min(requested, full);
}

// Writes one level of tightly packed data into a texture level.
HRESULT WriteLevel(IDirect3DTexture8* texture, UINT level, const plat::ImageLevel& data, D3DFORMAT format) {
    D3DLOCKED_RECT locked{};
    HRESULT hr = texture->LockRect(level, &locked, nullptr, 0);
    if (FAILED(hr)) return hr;
    if (!locked.pBits) {
        texture->UnlockRect(level);
        return E_FAIL;
    }
    const size_t pitch = plat::FormatPitch(format, data.width);
    const int rows = plat::FormatRows(format, data.height);
    const size_t dstPitch = locked.Pitch > 0 ? size_t(locked.Pitch) : pitch;
    const size_t copy = std::min(pitch, dstPitch);
    for (int r = 0; r < rows; ++r) {
        if ((size_t(r) + 1) * pitch > data.data.size()) break;
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(r) * dstPitch, data.data.data() + size_t(r) * pitch,
                    copy);
    }
    return texture->UnlockRect(level);
}

void LogImageFailure(const char* what, const char* name) {
    std::string line = std::string(what) + ": ";
    WriteStartLog(line.c_str(), NOLINEEND);
    WriteStartLog(name ? name : "(memory)");
}

void FillInfo(const plat::Image& image, D3DXIMAGE_INFO* info) {
    if (!info) return;
    info->Width = UINT(image.Width());
    info->Height = UINT(image.Height());
    info->Depth = 1;
    info->MipLevels = UINT(image.levels.size());
    info->Format = D3DFORMAT(image.fileFormat);
    info->ResourceType = D3DRTYPE_TEXTURE;
    info->ImageFileFormat = D3DXIMAGE_FILEFORMAT(image.fileKind);
}

HRESULT CreateFromImage(LPDIRECT3DDEVICE8 device, const plat::Image& image, const char* name, UINT width,
                        UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, D3DCOLOR colorKey,
                        LPDIRECT3DTEXTURE8* out) {
    D3DCAPS8 caps;
    const bool haveCaps = GetCaps(device, caps);
    UINT w = (width == 0 || width == D3DX_DEFAULT) ? UINT(image.Width()) : width;
    UINT h = (height == 0 || height == D3DX_DEFAULT) ? UINT(image.Height()) : height;
    AdjustSize(caps, haveCaps, w, h);
    if (w == 0 || h == 0 || w > UINT(plat::kMaxImageSide) || h > UINT(plat::kMaxImageSide)) {
        LogImageFailure("Bad texture size", name);
        return D3DERR_INVALIDCALL;
    }

    D3DFORMAT wanted = format;
    if (wanted == D3DFMT_UNKNOWN) {
        wanted = D3DFORMAT(image.fileFormat);
        if (wanted == D3DFMT_R8G8B8) wanted = D3DFMT_X8R8G8B8;
        if (wanted == D3DFMT_P8 || wanted == D3DFMT_UNKNOWN) wanted = D3DFMT_A8R8G8B8;
    }
    const D3DFORMAT chosen = ChooseFormat(device, wanted, usage);
    if (chosen == D3DFMT_UNKNOWN) {
        LogImageFailure("Texture format not supported by the device", name);
        return D3DERR_NOTAVAILABLE;
    }
    const UINT levels = MipCount(caps, haveCaps, mipLevels, w, h);

    IDirect3DTexture8* texture = nullptr;
    HRESULT hr = device->CreateTexture(w, h, levels, usage, chosen, pool, &texture);
    if (FAILED(hr) || !texture) {
        LogImageFailure("Texture creation failed", name);
        return FAILED(hr) ? hr : E_FAIL;
    }

    const bool sameSize = w == UINT(image.Width()) && h == UINT(image.Height());
    const bool direct = sameSize && colorKey == 0 && chosen == D3DFORMAT(image.format);
    std::vector<uint32_t> argb;
    int aw = 0, ah = 0;
    for (UINT level = 0; level < levels; ++level) {
        const int lw = std::max(1, int(w >> level)), lh = std::max(1, int(h >> level));
        const bool fileLevel = sameSize && level < image.levels.size() && image.levels[level].width == lw &&
                               image.levels[level].height == lh;
        if (direct && fileLevel) {
            hr = WriteLevel(texture, level, image.levels[level], chosen);
            argb.clear();
        } else {
            if (level == 0 || (fileLevel && colorKey == 0)) {
                std::vector<uint32_t> src;
                const plat::ImageLevel& from = image.levels[fileLevel ? level : 0];
                if (!plat::LevelToARGB(image.format, from, src)) {
                    hr = D3DXERR_INVALIDDATA;
                    break;
                }
                if (from.width == lw && from.height == lh) {
                    argb.swap(src);
                } else {
                    argb.resize(size_t(lw) * size_t(lh));
                    plat::BoxResize(src.data(), from.width, from.height, argb.data(), lw, lh);
                }
                if (colorKey != 0)
                    for (uint32_t& c : argb)
                        if (c == colorKey) c = 0;
            } else {
                if (argb.empty()) {
                    // The previous level was copied as it was: decode it to filter on.
                    if (!plat::LevelToARGB(image.format, image.levels[level - 1], argb)) {
                        hr = D3DXERR_INVALIDDATA;
                        break;
                    }
                    aw = image.levels[level - 1].width;
                    ah = image.levels[level - 1].height;
                }
                std::vector<uint32_t> smaller;
                int sw = 0, sh = 0;
                plat::BoxDownsample(argb.data(), aw, ah, smaller, sw, sh);
                if (sw != lw || sh != lh) {
                    std::vector<uint32_t> fit(size_t(lw) * size_t(lh));
                    plat::BoxResize(smaller.data(), sw, sh, fit.data(), lw, lh);
                    smaller.swap(fit);
                }
                argb.swap(smaller);
            }
            aw = lw;
            ah = lh;
            plat::ImageLevel encoded;
            if (!plat::ARGBToLevel(chosen, argb.data(), lw, lh, encoded)) {
                hr = D3DERR_NOTAVAILABLE;
                break;
            }
            hr = WriteLevel(texture, level, encoded, chosen);
        }
        if (FAILED(hr)) break;
    }
    if (FAILED(hr)) {
        texture->Release();
        LogImageFailure("Texture fill failed", name);
        return hr;
    }
    *out = texture;
    return D3D_OK;
}

HRESULT CreateFromBytes(LPDIRECT3DDEVICE8 device, const uint8_t* data, size_t size, const char* name, UINT width,
                        UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, D3DCOLOR colorKey,
                        D3DXIMAGE_INFO* info, LPDIRECT3DTEXTURE8* out) {
    // An image larger than the largest texture is refused from its header.
    plat::ImageSizeLimit limit;
    D3DCAPS8 caps;
    if (GetCaps(device, caps)) {
        if (caps.MaxTextureWidth) limit.width = int(std::min<DWORD>(caps.MaxTextureWidth, DWORD(limit.width)));
        if (caps.MaxTextureHeight) limit.height = int(std::min<DWORD>(caps.MaxTextureHeight, DWORD(limit.height)));
    }
    plat::Image image;
    std::string error;
    if (!plat::DecodeImage(data, size, image, error, limit)) {
        LogImageFailure(("Image file error (" + error + ")").c_str(), name);
        return D3DXERR_INVALIDDATA;
    }
    FillInfo(image, info);
    return CreateFromImage(device, image, name, width, height, mipLevels, usage, format, pool, colorKey, out);
}

}  // namespace

HRESULT WINAPI D3DXGetImageInfoFromFileA(LPCSTR file, D3DXIMAGE_INFO* info) {
    if (!file || !info) return D3DERR_INVALIDCALL;
    std::vector<uint8_t> bytes;
    if (!plat::ReadWholeFile(file, bytes)) return D3DERR_NOTFOUND;
    plat::Image image;
    std::string error;
    if (!plat::DecodeImage(bytes.data(), bytes.size(), image, error)) {
        LogImageFailure(("Image file error (" + error + ")").c_str(), file);
        return D3DXERR_INVALIDDATA;
    }
    FillInfo(image, info);
    return D3D_OK;
}

HRESULT WINAPI D3DXCheckTextureRequirements(LPDIRECT3DDEVICE8 device, UINT* width, UINT* height, UINT* mips,
                                            DWORD usage, D3DFORMAT* format, D3DPOOL pool) {
    if (!device) return D3DERR_INVALIDCALL;
    D3DCAPS8 caps;
    const bool haveCaps = GetCaps(device, caps);
    UINT w = width ? *width : 0, h = height ? *height : 0;
    if (w == 0 || w == D3DX_DEFAULT) w = 256;
    if (h == 0 || h == D3DX_DEFAULT) h = 256;
    AdjustSize(caps, haveCaps, w, h);
    if (width) *width = w;
    if (height) *height = h;
    if (mips) *mips = MipCount(caps, haveCaps, *mips, w, h);
    if (format) {
        D3DFORMAT f = ChooseFormat(device, *format == D3DFMT_UNKNOWN ? D3DFMT_A8R8G8B8 : *format, usage);
        if (f == D3DFMT_UNKNOWN) return D3DERR_NOTAVAILABLE;
        *format = f;
    }
    return D3D_OK;
}

HRESULT WINAPI D3DXCreateTexture(LPDIRECT3DDEVICE8 device, UINT width, UINT height, UINT mipLevels, DWORD usage,
                                 D3DFORMAT format, D3DPOOL pool, LPDIRECT3DTEXTURE8* out) {
    if (!device || !out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    HRESULT hr = D3DXCheckTextureRequirements(device, &width, &height, &mipLevels, usage, &format, pool);
    if (FAILED(hr)) return hr;
    return device->CreateTexture(width, height, mipLevels, usage, format, pool, out);
}

HRESULT WINAPI D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE8 device, LPCSTR file, LPDIRECT3DTEXTURE8* out) {
    return D3DXCreateTextureFromFileExA(device, file, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                        D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, out);
}

HRESULT WINAPI D3DXCreateTextureFromFileExA(LPDIRECT3DDEVICE8 device, LPCSTR file, UINT width, UINT height,
                                            UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD,
                                            DWORD, D3DCOLOR colorKey, D3DXIMAGE_INFO* info, PALETTEENTRY*,
                                            LPDIRECT3DTEXTURE8* out) {
    if (out) *out = nullptr;
    if (!device || !file || !out) return D3DERR_INVALIDCALL;
    std::vector<uint8_t> bytes;
    if (!plat::ReadWholeFile(file, bytes)) return D3DERR_NOTFOUND;
    return CreateFromBytes(device, bytes.data(), bytes.size(), file, width, height, mipLevels, usage, format, pool,
                           colorKey, info, out);
}

HRESULT WINAPI D3DXCreateTextureFromFileInMemory(LPDIRECT3DDEVICE8 device, LPCVOID data, UINT size,
                                                 LPDIRECT3DTEXTURE8* out) {
    return D3DXCreateTextureFromFileInMemoryEx(device, data, size, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                               D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
                                               nullptr, out);
}

HRESULT WINAPI D3DXCreateTextureFromFileInMemoryEx(LPDIRECT3DDEVICE8 device, LPCVOID data, UINT size, UINT width,
                                                   UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                                                   D3DPOOL pool, DWORD, DWORD, D3DCOLOR colorKey,
                                                   D3DXIMAGE_INFO* info, PALETTEENTRY*, LPDIRECT3DTEXTURE8* out) {
    if (out) *out = nullptr;
    if (!device || !data || !out) return D3DERR_INVALIDCALL;
    return CreateFromBytes(device, static_cast<const uint8_t*>(data), size, nullptr, width, height, mipLevels, usage,
                           format, pool, colorKey, info, out);
}

HRESULT WINAPI D3DXFilterTexture(LPDIRECT3DBASETEXTURE8 base, const PALETTEENTRY*, UINT srcLevel, DWORD) {
    if (!base || base->GetType() != D3DRTYPE_TEXTURE) return D3DERR_INVALIDCALL;
    IDirect3DTexture8* texture = static_cast<IDirect3DTexture8*>(base);
    if (srcLevel == D3DX_DEFAULT) srcLevel = 0;
    const UINT count = texture->GetLevelCount();
    if (srcLevel >= count) return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc{};
    HRESULT hr = texture->GetLevelDesc(srcLevel, &desc);
    if (FAILED(hr)) return hr;
    const D3DFORMAT format = desc.Format;
    // Read the source level.
    plat::ImageLevel src;
    src.width = int(desc.Width);
    src.height = int(desc.Height);
    src.data.resize(plat::FormatLevelSize(format, src.width, src.height));
    if (src.data.empty()) return D3DERR_INVALIDCALL;
    D3DLOCKED_RECT locked{};
    hr = texture->LockRect(srcLevel, &locked, nullptr, D3DLOCK_READONLY);
    if (FAILED(hr)) return hr;
    const size_t pitch = plat::FormatPitch(format, src.width);
    const size_t lockedPitch = locked.Pitch > 0 ? size_t(locked.Pitch) : pitch;
    for (int r = 0; r < plat::FormatRows(format, src.height); ++r)
        std::memcpy(src.data.data() + size_t(r) * pitch,
                    static_cast<const uint8_t*>(locked.pBits) + size_t(r) * lockedPitch, std::min(pitch, lockedPitch));
    texture->UnlockRect(srcLevel);
    std::vector<uint32_t> argb;
    if (!plat::LevelToARGB(format, src, argb)) return D3DERR_INVALIDCALL;
    int w = src.width, h = src.height;
    for (UINT level = srcLevel + 1; level < count; ++level) {
        std::vector<uint32_t> smaller;
        int sw, sh;
        plat::BoxDownsample(argb.data(), w, h, smaller, sw, sh);
        argb.swap(smaller);
        w = sw;
        h = sh;
        plat::ImageLevel encoded;
        if (!plat::ARGBToLevel(format, argb.data(), w, h, encoded)) return D3DERR_INVALIDCALL;
        hr = WriteLevel(texture, level, encoded, format);
        if (FAILED(hr)) return hr;
    }
    return D3D_OK;
}
