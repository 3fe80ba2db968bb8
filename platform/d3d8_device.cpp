// The Direct3D 8 device: state kept in CPU memory, resources, state blocks,
// the lost-device cycle, and drawing through the GL back end.
#include <SDL2/SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/d3d8_internal.h"
#include "platform/gl_backend.h"
#include "platform/window.h"

namespace plat::d3d {

namespace {

DWORD FloatBits(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

D3DMATRIX IdentityMatrix() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

Texture* AsTexture(IDirect3DBaseTexture8* t) { return t ? dynamic_cast<Texture*>(t) : nullptr; }

using TimingClock = std::chrono::steady_clock;

double MsSince(TimingClock::time_point t0) {
    return std::chrono::duration<double, std::milli>(TimingClock::now() - t0).count();
}

}  // namespace

// ---------------------------------------------------------------------------
// Transform slots

int TransformSlot(D3DTRANSFORMSTATETYPE state) {
    int s = (int)state;
    if (s == D3DTS_VIEW) return 0;
    if (s == D3DTS_PROJECTION) return 1;
    if (s >= D3DTS_TEXTURE0 && s <= D3DTS_TEXTURE7) return 2 + (s - D3DTS_TEXTURE0);
    if (s >= 256 && s < 256 + kMaxWorldMatrices) return 10 + (s - 256);
    return -1;
}

// ---------------------------------------------------------------------------
// Default state

void SetDefaultStates(DeviceState& st, bool autoDepth) {
    st.rs.fill(0);
    auto& rs = st.rs;
    rs[D3DRS_ZENABLE] = autoDepth ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = TRUE;
    rs[D3DRS_ALPHATESTENABLE] = FALSE;
    rs[D3DRS_LASTPIXEL] = TRUE;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAREF] = 0;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_DITHERENABLE] = FALSE;
    rs[D3DRS_ALPHABLENDENABLE] = FALSE;
    rs[D3DRS_FOGENABLE] = FALSE;
    rs[D3DRS_SPECULARENABLE] = FALSE;
    rs[D3DRS_FOGCOLOR] = 0;
    rs[D3DRS_FOGTABLEMODE] = D3DFOG_NONE;
    rs[D3DRS_FOGSTART] = FloatBits(0.0f);
    rs[D3DRS_FOGEND] = FloatBits(1.0f);
    rs[D3DRS_FOGDENSITY] = FloatBits(1.0f);
    rs[D3DRS_EDGEANTIALIAS] = FALSE;
    rs[D3DRS_ZBIAS] = 0;
    rs[D3DRS_RANGEFOGENABLE] = FALSE;
    rs[D3DRS_STENCILENABLE] = FALSE;
    rs[D3DRS_STENCILFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILZFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_STENCILREF] = 0;
    rs[D3DRS_STENCILMASK] = 0xffffffff;
    rs[D3DRS_STENCILWRITEMASK] = 0xffffffff;
    rs[D3DRS_TEXTUREFACTOR] = 0xffffffff;
    rs[D3DRS_CLIPPING] = TRUE;
    rs[D3DRS_LIGHTING] = TRUE;
    rs[D3DRS_AMBIENT] = 0;
    rs[D3DRS_FOGVERTEXMODE] = D3DFOG_NONE;
    rs[D3DRS_COLORVERTEX] = TRUE;
    rs[D3DRS_LOCALVIEWER] = TRUE;
    rs[D3DRS_NORMALIZENORMALS] = FALSE;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_VERTEXBLEND] = D3DVBF_DISABLE;
    rs[D3DRS_CLIPPLANEENABLE] = 0;
    rs[D3DRS_POINTSIZE] = FloatBits(1.0f);
    rs[D3DRS_POINTSIZE_MIN] = FloatBits(0.0f);
    rs[D3DRS_POINTSCALE_A] = FloatBits(1.0f);
    rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    rs[D3DRS_MULTISAMPLEMASK] = 0xffffffff;
    rs[D3DRS_PATCHSEGMENTS] = FloatBits(1.0f);
    rs[D3DRS_POINTSIZE_MAX] = FloatBits(64.0f);
    rs[D3DRS_INDEXEDVERTEXBLENDENABLE] = FALSE;
    rs[D3DRS_COLORWRITEENABLE] = 0xf;
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;

    for (int s = 0; s < kMaxStages; ++s) {
        auto& t = st.tss[s];
        t.fill(0);
        t[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        t[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        t[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        t[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        t[D3DTSS_TEXCOORDINDEX] = (DWORD)s;
        t[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
        t[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        t[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
        t[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
        t[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        t[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        t[D3DTSS_MAXANISOTROPY] = 1;
        t[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
        t[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        t[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        t[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    }
    for (auto& m : st.transforms) m = IdentityMatrix();
    st.material = D3DMATERIAL8{};
    st.material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    st.lights.clear();
    for (auto& p : st.clipPlanes) p = {0.0f, 0.0f, 0.0f, 0.0f};
    st.vertexShader = 0;
    st.streamStride = 0;
    st.baseVertexIndex = 0;
}

// ---------------------------------------------------------------------------
// Buffers

void GlBufferCopy::Locked(size_t offset, size_t size, size_t total, DWORD flags) {
    if (flags & D3DLOCK_READONLY) return;
    const size_t hi = size != 0 ? offset + size : total;
    if (lockLo >= lockHi) {
        lockLo = offset;
        lockHi = hi;
    } else {
        lockLo = std::min(lockLo, offset);
        lockHi = std::max(lockHi, hi);
    }
    // Discarding gives a dynamic buffer fresh contents: the GL copy starts a
    // new store, to be filled again from the CPU copy.
    if (dynamic && (flags & D3DLOCK_DISCARD)) {
        orphan = true;
        lockLo = 0;
        lockHi = total;
    }
}

bool GlBufferCopy::Unlocked() {
    if (lockLo < lockHi) {
        if (dirtyLo >= dirtyHi) {
            dirtyLo = lockLo;
            dirtyHi = lockHi;
        } else {
            dirtyLo = std::min(dirtyLo, lockLo);
            dirtyHi = std::max(dirtyHi, lockHi);
        }
    }
    lockLo = lockHi = 0;
    return !dynamic && dirtyLo < dirtyHi;
}

VertexBuffer::VertexBuffer(Device* dev, UINT length, DWORD usage_, DWORD fvf_, D3DPOOL pool)
    : Resource(dev, pool), data(length), usage(usage_), fvf(fvf_) {
    gl.dynamic = (usage & D3DUSAGE_DYNAMIC) != 0;
    dev->AddRef();
    dev->ResourceCreated(pool);
}
VertexBuffer::~VertexBuffer() { device_->BufferDestroyed(gl); }

HRESULT VertexBuffer::GetDevice(IDirect3DDevice8** pp) {
    if (!pp) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *pp = device_;
    return D3D_OK;
}

HRESULT VertexBuffer::Lock(UINT offset, UINT size, BYTE** pp, DWORD flags) {
    if (!pp) return D3DERR_INVALIDCALL;
    *pp = nullptr;
    if (offset > data.size()) return D3DERR_INVALIDCALL;
    if (size != 0 && (uint64_t)offset + size > data.size()) return D3DERR_INVALIDCALL;
    ++lockCount;
    gl.Locked(offset, size, data.size(), flags);
    *pp = data.data() + offset;
    return D3D_OK;
}

HRESULT VertexBuffer::Unlock() {
    if (lockCount == 0) return D3DERR_INVALIDCALL;
    if (--lockCount == 0 && gl.Unlocked()) device_->BufferUnlocked(gl, false, data);
    return D3D_OK;
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* d) {
    if (!d) return D3DERR_INVALIDCALL;
    d->Format = D3DFMT_VERTEXDATA;
    d->Type = D3DRTYPE_VERTEXBUFFER;
    d->Usage = usage;
    d->Pool = pool_;
    d->Size = (UINT)data.size();
    d->FVF = fvf;
    return D3D_OK;
}

IndexBuffer::IndexBuffer(Device* dev, UINT length, DWORD usage_, D3DFORMAT format_, D3DPOOL pool)
    : Resource(dev, pool), data(length), usage(usage_), format(format_) {
    gl.dynamic = (usage & D3DUSAGE_DYNAMIC) != 0;
    dev->AddRef();
    dev->ResourceCreated(pool);
}
IndexBuffer::~IndexBuffer() { device_->BufferDestroyed(gl); }

void ScanIndexRange(const void* indices, bool index32, UINT count, uint32_t* lo, uint32_t* hi) {
    uint32_t a = UINT32_MAX, b = 0;
    if (index32) {
        const uint32_t* p = (const uint32_t*)indices;
        for (UINT i = 0; i < count; ++i) {
            a = std::min(a, p[i]);
            b = std::max(b, p[i]);
        }
    } else {
        const uint16_t* p = (const uint16_t*)indices;
        for (UINT i = 0; i < count; ++i) {
            a = std::min<uint32_t>(a, p[i]);
            b = std::max<uint32_t>(b, p[i]);
        }
    }
    *lo = a;
    *hi = b;
}

bool IndexBuffer::IndexRange(UINT start, UINT count, uint32_t* lo, uint32_t* hi) {
    const bool idx32 = format == D3DFMT_INDEX32;
    if ((uint64_t)(start + (uint64_t)count) * (idx32 ? 4 : 2) > data.size() || count == 0) return false;
    const uint64_t key = ((uint64_t)start << 32) | count;
    auto it = ranges_.find(key);
    if (it == ranges_.end()) {
        uint32_t a, b;
        ScanIndexRange(data.data() + (size_t)start * (idx32 ? 4 : 2), idx32, count, &a, &b);
        // A buffer drawn in ever new pieces keeps a bounded memory.
        if (ranges_.size() > 4096) ranges_.clear();
        it = ranges_.emplace(key, std::make_pair(a, b)).first;
    }
    *lo = it->second.first;
    *hi = it->second.second;
    return true;
}

HRESULT IndexBuffer::GetDevice(IDirect3DDevice8** pp) {
    if (!pp) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *pp = device_;
    return D3D_OK;
}

HRESULT IndexBuffer::Lock(UINT offset, UINT size, BYTE** pp, DWORD flags) {
    if (!pp) return D3DERR_INVALIDCALL;
    *pp = nullptr;
    if (offset > data.size()) return D3DERR_INVALIDCALL;
    if (size != 0 && (uint64_t)offset + size > data.size()) return D3DERR_INVALIDCALL;
    ++lockCount;
    gl.Locked(offset, size, data.size(), flags);
    if (!(flags & D3DLOCK_READONLY)) ranges_.clear();
    *pp = data.data() + offset;
    return D3D_OK;
}

HRESULT IndexBuffer::Unlock() {
    if (lockCount == 0) return D3DERR_INVALIDCALL;
    if (--lockCount == 0 && gl.Unlocked()) device_->BufferUnlocked(gl, true, data);
    return D3D_OK;
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* d) {
    if (!d) return D3DERR_INVALIDCALL;
    d->Format = format;
    d->Type = D3DRTYPE_INDEXBUFFER;
    d->Usage = usage;
    d->Pool = pool_;
    d->Size = (UINT)data.size();
    return D3D_OK;
}

// ---------------------------------------------------------------------------
// Textures and surfaces

Texture::Texture(Device* dev, UINT width, UINT height, UINT levelCount, DWORD usage_, D3DFORMAT format_,
                 D3DPOOL pool)
    : Resource(dev, pool), format(format_), usage(usage_) {
    dev->AddRef();
    dev->ResourceCreated(pool);
    UINT maxLevels = 1;
    for (UINT w = width, h = height; w > 1 || h > 1; w = std::max(1u, w / 2), h = std::max(1u, h / 2)) ++maxLevels;
    if (levelCount == 0 || levelCount > maxLevels) levelCount = maxLevels;
    UINT w = width, h = height;
    for (UINT i = 0; i < levelCount; ++i) {
        ImageLevel lv;
        lv.width = w;
        lv.height = h;
        lv.pitch = LevelPitch(format, w);
        lv.bits.assign((size_t)lv.pitch * LevelRows(format, h), 0);
        levels.push_back(std::move(lv));
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
    lockCounts.assign(levels.size(), 0);
}

Texture::~Texture() { device_->TextureDestroyed(this); }

HRESULT Texture::GetDevice(IDirect3DDevice8** pp) {
    if (!pp) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *pp = device_;
    return D3D_OK;
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* d) {
    if (!d || level >= levels.size()) return D3DERR_INVALIDCALL;
    d->Format = format;
    d->Type = D3DRTYPE_SURFACE;
    d->Usage = usage;
    d->Pool = pool_;
    d->Size = (UINT)levels[level].bits.size();
    d->MultiSampleType = D3DMULTISAMPLE_NONE;
    d->Width = levels[level].width;
    d->Height = levels[level].height;
    return D3D_OK;
}

HRESULT Texture::GetSurfaceLevel(UINT level, IDirect3DSurface8** pp) {
    if (!pp || level >= levels.size()) return D3DERR_INVALIDCALL;
    *pp = new Surface(device_, this, level);
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* lr, const RECT* rc, DWORD flags) {
    if (!lr || level >= levels.size()) return D3DERR_INVALIDCALL;
    ImageLevel& lv = levels[level];
    size_t offset = 0;
    if (rc) {
        if (rc->left < 0 || rc->top < 0 || rc->right > (LONG)lv.width || rc->bottom > (LONG)lv.height ||
            rc->left >= rc->right || rc->top >= rc->bottom)
            return D3DERR_INVALIDCALL;
        if (FormatIsCompressed(format)) {
            UINT blockBytes = format == D3DFMT_DXT1 ? 8 : 16;
            offset = (size_t)(rc->top / 4) * lv.pitch + (size_t)(rc->left / 4) * blockBytes;
        } else {
            offset = (size_t)rc->top * lv.pitch + (size_t)rc->left * FormatBytesPerPixel(format);
        }
    }
    lr->Pitch = (INT)lv.pitch;
    lr->pBits = lv.bits.data() + offset;
    ++lockCounts[level];
    if (!(flags & D3DLOCK_READONLY)) dirty = true;
    return D3D_OK;
}

HRESULT Texture::UnlockRect(UINT level) {
    if (level >= levels.size() || lockCounts[level] == 0) return D3DERR_INVALIDCALL;
    --lockCounts[level];
    return D3D_OK;
}

Surface::Surface(Device* dev, UINT width, UINT height, D3DFORMAT format)
    : Resource(dev, D3DPOOL_SYSTEMMEM), format_(format) {
    dev->AddRef();
    dev->ResourceCreated(D3DPOOL_SYSTEMMEM);
    own_.width = width;
    own_.height = height;
    own_.pitch = LevelPitch(format, width);
    own_.bits.assign((size_t)own_.pitch * LevelRows(format, height), 0);
}

Surface::Surface(Device* dev, Texture* owner, UINT level) : Resource(dev, D3DPOOL_SYSTEMMEM), owner_(owner), level_(level) {
    dev->AddRef();
    dev->ResourceCreated(D3DPOOL_SYSTEMMEM);
    owner_->AddRef();
}

Surface::~Surface() {
    if (owner_) owner_->Release();
}

HRESULT Surface::GetDevice(IDirect3DDevice8** pp) {
    if (!pp) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *pp = device_;
    return D3D_OK;
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* d) {
    if (!d) return D3DERR_INVALIDCALL;
    ImageLevel& im = Image();
    d->Format = Format();
    d->Type = D3DRTYPE_SURFACE;
    d->Usage = 0;
    d->Pool = owner_ ? owner_->Pool() : D3DPOOL_SYSTEMMEM;
    d->Size = (UINT)im.bits.size();
    d->MultiSampleType = D3DMULTISAMPLE_NONE;
    d->Width = im.width;
    d->Height = im.height;
    return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* lr, const RECT* rc, DWORD flags) {
    if (owner_) {
        HRESULT hr = owner_->LockRect(level_, lr, rc, flags);
        if (SUCCEEDED(hr)) ++lockCount_;
        return hr;
    }
    if (!lr) return D3DERR_INVALIDCALL;
    size_t offset = 0;
    if (rc) {
        if (rc->left < 0 || rc->top < 0 || rc->right > (LONG)own_.width || rc->bottom > (LONG)own_.height ||
            rc->left >= rc->right || rc->top >= rc->bottom)
            return D3DERR_INVALIDCALL;
        offset = (size_t)rc->top * own_.pitch + (size_t)rc->left * FormatBytesPerPixel(format_);
    }
    lr->Pitch = (INT)own_.pitch;
    lr->pBits = own_.bits.data() + offset;
    ++lockCount_;
    return D3D_OK;
}

HRESULT Surface::UnlockRect() {
    if (lockCount_ == 0) return D3DERR_INVALIDCALL;
    --lockCount_;
    if (owner_) return owner_->UnlockRect(level_);
    return D3D_OK;
}

// ---------------------------------------------------------------------------
// Device

Device::Device(Direct3D* d3d, HWND focus, DWORD behavior, const D3DPRESENT_PARAMETERS& pp, bool headless)
    : d3d_(d3d), focus_(focus), behavior_(behavior), pp_(pp), headless_(headless) {
    d3d_->AddRef();
    const char* cpu = std::getenv("VEL_CPU_VERTEX_STAGE");
    cpuVertexStage_ = cpu && std::strcmp(cpu, "1") == 0;
}

Device::~Device() {
    ReleaseBindings(state_);
    for (auto& kv : blocks_) ReleaseBlockBindings(*kv.second);
    blocks_.clear();
    if (recording_) ReleaseBlockBindings(*recording_);
    recording_.reset();
    gl_.reset();
    d3d_->Release();
}

ULONG Device::Release() {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
}

bool Device::Initialise() {
    SetDefaultStates(state_, pp_.EnableAutoDepthStencil != FALSE);
    ApplyPresentParameters(pp_);
    if (!headless_) {
        SDL_Window* win = plat::SdlWindowOf(pp_.hDeviceWindow ? pp_.hDeviceWindow : focus_);
        if (!win) {
            headless_ = true;
        } else {
            int depthBits = pp_.AutoDepthStencilFormat == D3DFMT_D16 || pp_.AutoDepthStencilFormat == D3DFMT_D16_LOCKABLE
                                ? 16
                                : 24;
            gl_ = GlBackend::Create(win, bbWidth_, bbHeight_, depthBits);
            if (!gl_) return false;
        }
    }
    state_.viewport = {0, 0, bbWidth_, bbHeight_, 0.0f, 1.0f};
    return true;
}

void Device::ApplyPresentParameters(const D3DPRESENT_PARAMETERS& pp) {
    pp_ = pp;
    HWND wnd = pp.hDeviceWindow ? pp.hDeviceWindow : focus_;
    UINT w = pp.BackBufferWidth, h = pp.BackBufferHeight;
    if (pp.Windowed && (w == 0 || h == 0)) {
        RECT rc{0, 0, 0, 0};
        if (wnd) GetClientRect(wnd, &rc);
        if (w == 0) w = (UINT)std::max<LONG>(1, rc.right - rc.left);
        if (h == 0) h = (UINT)std::max<LONG>(1, rc.bottom - rc.top);
    }
    if (w == 0) w = 640;
    if (h == 0) h = 480;
    bbWidth_ = w;
    bbHeight_ = h;
    pp_.BackBufferWidth = w;
    pp_.BackBufferHeight = h;
    if (pp_.BackBufferCount == 0) pp_.BackBufferCount = 1;
    if (wnd && !headless_) plat::SetWindowFullscreen(wnd, !pp.Windowed, (int)w, (int)h);
}

HRESULT Device::TestCooperativeLevel() {
    switch (lostState_) {
        case LostState::Ok: return D3D_OK;
        case LostState::Lost:
            // After the last lost answer the device is ready to be reset.
            if (--lostQueries_ <= 0) lostState_ = LostState::NotReset;
            return D3DERR_DEVICELOST;
        case LostState::NotReset: return D3DERR_DEVICENOTRESET;
    }
    return D3D_OK;
}

void Device::ReleaseBindings(DeviceState& st) {
    for (DWORD s = 0; s < kMaxStages; ++s) BindTexture(st, s, nullptr);
    BindStream(st, nullptr, 0);
    BindIndices(st, nullptr, 0);
}

void Device::ResetStates() {
    ReleaseBindings(state_);
    SetDefaultStates(state_, pp_.EnableAutoDepthStencil != FALSE);
    state_.viewport = {0, 0, bbWidth_, bbHeight_, 0.0f, 1.0f};
    LightsChanged();
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* pp) {
    if (!pp) return D3DERR_INVALIDCALL;
    if (lostState_ == LostState::Lost) return D3DERR_DEVICELOST;
    // Every default-pool resource must have been released by the application.
    if (defaultPoolAlive_ > 0) return D3DERR_INVALIDCALL;
    if (recording_) {
        ReleaseBlockBindings(*recording_);
        recording_.reset();
    }
    ApplyPresentParameters(*pp);
    if (gl_) {
        int depthBits = pp_.AutoDepthStencilFormat == D3DFMT_D16 || pp_.AutoDepthStencilFormat == D3DFMT_D16_LOCKABLE
                            ? 16
                            : 24;
        if (!gl_->Resize(bbWidth_, bbHeight_, depthBits)) return D3DERR_OUTOFVIDEOMEMORY;
    }
    *pp = pp_;
    ResetStates();
    inScene_ = false;
    lostState_ = LostState::Ok;
    return D3D_OK;
}

HRESULT Device::Present(const RECT*, const RECT*, HWND, const RGNDATA*) {
    if (lostState_ != LostState::Ok) return D3DERR_DEVICELOST;
    if (gl_) {
        int interval = 0;
        if (!pp_.Windowed) {
            UINT pi = pp_.FullScreen_PresentationInterval;
            interval = (pi == D3DPRESENT_INTERVAL_IMMEDIATE) ? 0 : 1;
        }
        const TimingClock::time_point t0 = timing_ ? TimingClock::now() : TimingClock::time_point{};
        gl_->Present(interval);
        if (timing_) timings_.presentMs += MsSince(t0);
    }
    return D3D_OK;
}

HRESULT Device::GetDirect3D(IDirect3D8** pp) {
    if (!pp) return D3DERR_INVALIDCALL;
    d3d_->AddRef();
    *pp = d3d_;
    return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS8* caps) {
    if (!caps) return D3DERR_INVALIDCALL;
    FillCaps(*caps);
    return D3D_OK;
}

HRESULT Device::GetDisplayMode(D3DDISPLAYMODE* mode) {
    if (!mode) return D3DERR_INVALIDCALL;
    mode->Width = bbWidth_;
    mode->Height = bbHeight_;
    mode->RefreshRate = 60;
    mode->Format = pp_.BackBufferFormat != D3DFMT_UNKNOWN ? pp_.BackBufferFormat : D3DFMT_X8R8G8B8;
    return D3D_OK;
}

HRESULT Device::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* p) {
    if (!p) return D3DERR_INVALIDCALL;
    p->AdapterOrdinal = 0;
    p->DeviceType = D3DDEVTYPE_HAL;
    p->hFocusWindow = focus_;
    p->BehaviorFlags = behavior_;
    return D3D_OK;
}

HRESULT Device::GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE, IDirect3DSurface8** pp) {
    if (!pp || index != 0) return D3DERR_INVALIDCALL;
    // A copy of the current back buffer contents.
    auto* s = new Surface(this, bbWidth_, bbHeight_, D3DFMT_A8R8G8B8);
    GetFrontBuffer(s);
    *pp = s;
    return D3D_OK;
}

HRESULT Device::GetRasterStatus(D3DRASTER_STATUS* rs) {
    if (!rs) return D3DERR_INVALIDCALL;
    rs->InVBlank = FALSE;
    rs->ScanLine = 0;
    return D3D_OK;
}

void Device::SetGammaRamp(DWORD, const D3DGAMMARAMP* ramp) {
    if (ramp) gamma_ = *ramp;
}
void Device::GetGammaRamp(D3DGAMMARAMP* ramp) {
    if (ramp) *ramp = gamma_;
}

HRESULT Device::CreateTexture(UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DTexture8** pp) {
    if (!pp) return D3DERR_INVALIDCALL;
    *pp = nullptr;
    if (w == 0 || h == 0 || w > 4096 || h > 4096) return D3DERR_INVALIDCALL;
    if (!FormatSupportedAsTexture(format)) return D3DERR_INVALIDCALL;
    if (FormatIsCompressed(format) && ((w % 4) != 0 || (h % 4) != 0) && !(w < 4 && h < 4) && levels == 1) {
        // Compressed textures are made of whole 4x4 blocks; smaller mip
        // levels are allowed to be partial.
    }
    *pp = new Texture(this, w, h, levels, usage, format, pool);
    return D3D_OK;
}

HRESULT Device::CreateCubeTexture(UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DCubeTexture8** pp) {
    if (pp) *pp = nullptr;
    return D3DERR_NOTAVAILABLE;
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer8** pp) {
    if (!pp) return D3DERR_INVALIDCALL;
    *pp = nullptr;
    if (length == 0 || length > (256u << 20)) return D3DERR_INVALIDCALL;
    *pp = new VertexBuffer(this, length, usage, fvf, pool);
    return D3D_OK;
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DIndexBuffer8** pp) {
    if (!pp) return D3DERR_INVALIDCALL;
    *pp = nullptr;
    if (length == 0 || length > (256u << 20)) return D3DERR_INVALIDCALL;
    if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
    *pp = new IndexBuffer(this, length, usage, format, pool);
    return D3D_OK;
}

HRESULT Device::CreateRenderTarget(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, BOOL, IDirect3DSurface8** pp) {
    if (pp) *pp = nullptr;
    return D3DERR_NOTAVAILABLE;
}

HRESULT Device::CreateDepthStencilSurface(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, IDirect3DSurface8** pp) {
    if (pp) *pp = nullptr;
    return D3DERR_NOTAVAILABLE;
}

HRESULT Device::CreateImageSurface(UINT w, UINT h, D3DFORMAT format, IDirect3DSurface8** pp) {
    if (!pp) return D3DERR_INVALIDCALL;
    *pp = nullptr;
    if (w == 0 || h == 0 || w > 8192 || h > 8192) return D3DERR_INVALIDCALL;
    if (FormatBytesPerPixel(format) == 0 && !FormatIsCompressed(format)) return D3DERR_INVALIDCALL;
    *pp = new Surface(this, w, h, format);
    return D3D_OK;
}

HRESULT Device::CopyRects(IDirect3DSurface8* src, const RECT* rects, UINT count, IDirect3DSurface8* dst,
                          const POINT* points) {
    auto* s = dynamic_cast<Surface*>(src);
    auto* d = dynamic_cast<Surface*>(dst);
    if (!s || !d || s->Format() != d->Format() || FormatIsCompressed(s->Format())) return D3DERR_INVALIDCALL;
    ImageLevel& si = s->Image();
    ImageLevel& di = d->Image();
    UINT bpp = FormatBytesPerPixel(s->Format());
    RECT whole{0, 0, (LONG)si.width, (LONG)si.height};
    if (count == 0 || !rects) {
        rects = &whole;
        count = 1;
    }
    for (UINT i = 0; i < count; ++i) {
        RECT r = rects[i];
        LONG dx = points ? points[i].x : r.left, dy = points ? points[i].y : r.top;
        if (r.left < 0 || r.top < 0 || r.right > (LONG)si.width || r.bottom > (LONG)si.height || r.left >= r.right ||
            r.top >= r.bottom)
            return D3DERR_INVALIDCALL;
        if (dx < 0 || dy < 0 || dx + (r.right - r.left) > (LONG)di.width || dy + (r.bottom - r.top) > (LONG)di.height)
            return D3DERR_INVALIDCALL;
        for (LONG y = r.top; y < r.bottom; ++y)
            std::memcpy(di.bits.data() + (size_t)(dy + y - r.top) * di.pitch + (size_t)dx * bpp,
                        si.bits.data() + (size_t)y * si.pitch + (size_t)r.left * bpp, (size_t)(r.right - r.left) * bpp);
    }
    return D3D_OK;
}

HRESULT Device::UpdateTexture(IDirect3DBaseTexture8* src, IDirect3DBaseTexture8* dst) {
    Texture* s = AsTexture(src);
    Texture* d = AsTexture(dst);
    if (!s || !d || s->format != d->format || s->levels.size() < d->levels.size()) return D3DERR_INVALIDCALL;
    for (size_t i = 0; i < d->levels.size(); ++i) {
        if (s->levels[i].bits.size() != d->levels[i].bits.size()) return D3DERR_INVALIDCALL;
        d->levels[i].bits = s->levels[i].bits;
    }
    d->dirty = true;
    return D3D_OK;
}

HRESULT Device::GetFrontBuffer(IDirect3DSurface8* dst) {
    auto* d = dynamic_cast<Surface*>(dst);
    if (!d || d->Format() != D3DFMT_A8R8G8B8) return D3DERR_INVALIDCALL;
    ImageLevel& im = d->Image();
    if (im.width < bbWidth_ || im.height < bbHeight_) return D3DERR_INVALIDCALL;
    std::vector<uint32_t> px;
    if (gl_) {
        gl_->ReadBackBuffer(px);
    } else {
        px.assign((size_t)bbWidth_ * bbHeight_, lastClear_ | 0xff000000u);
    }
    for (UINT y = 0; y < bbHeight_; ++y)
        std::memcpy(im.bits.data() + (size_t)y * im.pitch, px.data() + (size_t)y * bbWidth_, (size_t)bbWidth_ * 4);
    return D3D_OK;
}

HRESULT Device::GetRenderTarget(IDirect3DSurface8** pp) {
    if (pp) *pp = nullptr;
    return D3DERR_NOTAVAILABLE;
}

HRESULT Device::GetDepthStencilSurface(IDirect3DSurface8** pp) {
    if (pp) *pp = nullptr;
    return D3DERR_NOTFOUND;
}

HRESULT Device::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT Device::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
}

HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !pp_.EnableAutoDepthStencil) return D3DERR_INVALIDCALL;
    if (flags & D3DCLEAR_TARGET) lastClear_ = color;
    if (gl_ && lostState_ == LostState::Ok) {
        gl_->MakeCurrent();
        gl_->Clear(state_.viewport, count, rects, flags, color, z, stencil, state_.rs[D3DRS_COLORWRITEENABLE]);
    }
    return D3D_OK;
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* m) {
    int slot = TransformSlot(type);
    if (slot < 0 || !m) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->mask.transforms.insert(slot);
        recording_->values.transforms[slot] = *m;
        return D3D_OK;
    }
    state_.transforms[slot] = *m;
    return D3D_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* m) {
    int slot = TransformSlot(type);
    if (slot < 0 || !m) return D3DERR_INVALIDCALL;
    *m = state_.transforms[slot];
    return D3D_OK;
}

HRESULT Device::MultiplyTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* m) {
    int slot = TransformSlot(type);
    if (slot < 0 || !m) return D3DERR_INVALIDCALL;
    // The new matrix is applied first: M = m * current.
    D3DXMATRIX a(*m), b(state_.transforms[slot]), r;
    D3DXMatrixMultiply(&r, &a, &b);
    return SetTransform(type, &r);
}

HRESULT Device::SetViewport(const D3DVIEWPORT8* vp) {
    if (!vp) return D3DERR_INVALIDCALL;
    if (vp->Width == 0 || vp->Height == 0 || (uint64_t)vp->X + vp->Width > bbWidth_ ||
        (uint64_t)vp->Y + vp->Height > bbHeight_ || vp->MinZ < 0.0f || vp->MaxZ > 1.0f || vp->MinZ > vp->MaxZ)
        return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->mask.viewport = true;
        recording_->values.viewport = *vp;
        return D3D_OK;
    }
    state_.viewport = *vp;
    return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT8* vp) {
    if (!vp) return D3DERR_INVALIDCALL;
    *vp = state_.viewport;
    return D3D_OK;
}

HRESULT Device::SetMaterial(const D3DMATERIAL8* m) {
    if (!m) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->mask.material = true;
        recording_->values.material = *m;
        return D3D_OK;
    }
    state_.material = *m;
    return D3D_OK;
}

HRESULT Device::GetMaterial(D3DMATERIAL8* m) {
    if (!m) return D3DERR_INVALIDCALL;
    *m = state_.material;
    return D3D_OK;
}

HRESULT Device::SetLight(DWORD index, const D3DLIGHT8* light) {
    if (!light) return D3DERR_INVALIDCALL;
    if (light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL) return D3DERR_INVALIDCALL;
    if (light->Type != D3DLIGHT_DIRECTIONAL && (light->Range < 0.0f)) return D3DERR_INVALIDCALL;
    DeviceState& target = recording_ ? recording_->values : state_;
    if (recording_) recording_->mask.lights.insert(index);
    else LightsChanged();
    target.lights[index].light = *light;
    return D3D_OK;
}

HRESULT Device::GetLight(DWORD index, D3DLIGHT8* light) {
    auto it = state_.lights.find(index);
    if (!light || it == state_.lights.end()) return D3DERR_INVALIDCALL;
    *light = it->second.light;
    return D3D_OK;
}

namespace {
D3DLIGHT8 DefaultLight() {
    D3DLIGHT8 l{};
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    l.Direction = {0.0f, 0.0f, 1.0f};
    return l;
}
}  // namespace

HRESULT Device::LightEnable(DWORD index, BOOL enable) {
    DeviceState& target = recording_ ? recording_->values : state_;
    if (recording_) recording_->mask.lightEnables.insert(index);
    else LightsChanged();
    auto it = target.lights.find(index);
    if (it == target.lights.end()) {
        // Enabling a light that was never set creates the default light.
        LightSlot slot;
        auto cur = state_.lights.find(index);
        slot.light = cur != state_.lights.end() ? cur->second.light : DefaultLight();
        it = target.lights.emplace(index, slot).first;
    }
    it->second.enabled = enable != FALSE;
    return D3D_OK;
}

HRESULT Device::GetLightEnable(DWORD index, BOOL* enable) {
    auto it = state_.lights.find(index);
    if (!enable || it == state_.lights.end()) return D3DERR_INVALIDCALL;
    *enable = it->second.enabled ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT Device::SetClipPlane(DWORD index, const float* plane) {
    if (!plane || index >= state_.clipPlanes.size()) return D3DERR_INVALIDCALL;
    DeviceState& target = recording_ ? recording_->values : state_;
    if (recording_) recording_->mask.clipPlanes.insert((int)index);
    for (int i = 0; i < 4; ++i) target.clipPlanes[index][i] = plane[i];
    return D3D_OK;
}

HRESULT Device::GetClipPlane(DWORD index, float* plane) {
    if (!plane || index >= state_.clipPlanes.size()) return D3DERR_INVALIDCALL;
    for (int i = 0; i < 4; ++i) plane[i] = state_.clipPlanes[index][i];
    return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE type, DWORD value) {
    if ((UINT)type >= D3D_MAXRENDERSTATES) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->mask.rs.insert((int)type);
        recording_->values.rs[type] = value;
        return D3D_OK;
    }
    state_.rs[type] = value;
    return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE type, DWORD* value) {
    if ((UINT)type >= D3D_MAXRENDERSTATES || !value) return D3DERR_INVALIDCALL;
    *value = state_.rs[type];
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (stage >= kMaxStages || (UINT)type >= D3D_MAXTEXTURESTAGESTATES) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->mask.tss.insert({(int)stage, (int)type});
        recording_->values.tss[stage][type] = value;
        return D3D_OK;
    }
    state_.tss[stage][type] = value;
    return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    if (stage >= kMaxStages || (UINT)type >= D3D_MAXTEXTURESTAGESTATES || !value) return D3DERR_INVALIDCALL;
    *value = state_.tss[stage][type];
    return D3D_OK;
}

// Binding helpers keep an internal reference on the bound resource.
void Device::BindTexture(DeviceState& st, DWORD stage, IDirect3DBaseTexture8* tex) {
    IDirect3DBaseTexture8* old = st.textures[stage];
    if (old == tex) return;
    if (Texture* t = AsTexture(tex)) t->BindRef();
    st.textures[stage] = tex;
    if (Texture* t = AsTexture(old)) t->UnbindRef();
}

void Device::BindStream(DeviceState& st, IDirect3DVertexBuffer8* vb, UINT stride) {
    IDirect3DVertexBuffer8* old = st.stream;
    st.streamStride = stride;
    if (old == vb) return;
    if (auto* b = dynamic_cast<VertexBuffer*>(vb)) b->BindRef();
    st.stream = vb;
    if (auto* b = dynamic_cast<VertexBuffer*>(old)) b->UnbindRef();
}

void Device::BindIndices(DeviceState& st, IDirect3DIndexBuffer8* ib, UINT base) {
    IDirect3DIndexBuffer8* old = st.indices;
    st.baseVertexIndex = base;
    if (old == ib) return;
    if (auto* b = dynamic_cast<IndexBuffer*>(ib)) b->BindRef();
    st.indices = ib;
    if (auto* b = dynamic_cast<IndexBuffer*>(old)) b->UnbindRef();
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture8* tex) {
    if (stage >= kMaxStages) return D3DERR_INVALIDCALL;
    if (tex && !AsTexture(tex)) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->mask.textures.insert((int)stage);
        BindTexture(recording_->values, stage, tex);
        return D3D_OK;
    }
    BindTexture(state_, stage, tex);
    return D3D_OK;
}

HRESULT Device::GetTexture(DWORD stage, IDirect3DBaseTexture8** pp) {
    if (stage >= kMaxStages || !pp) return D3DERR_INVALIDCALL;
    *pp = state_.textures[stage];
    if (*pp) (*pp)->AddRef();
    return D3D_OK;
}

HRESULT Device::SetVertexShader(DWORD handle) {
    if (recording_) {
        recording_->mask.vertexShader = true;
        recording_->values.vertexShader = handle;
        return D3D_OK;
    }
    state_.vertexShader = handle;
    return D3D_OK;
}

HRESULT Device::GetVertexShader(DWORD* handle) {
    if (!handle) return D3DERR_INVALIDCALL;
    *handle = state_.vertexShader;
    return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT number, IDirect3DVertexBuffer8* vb, UINT stride) {
    if (number != 0) return number < 16 ? D3D_OK : D3DERR_INVALIDCALL;
    if (vb && !dynamic_cast<VertexBuffer*>(vb)) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->mask.stream = true;
        BindStream(recording_->values, vb, stride);
        return D3D_OK;
    }
    BindStream(state_, vb, stride);
    return D3D_OK;
}

HRESULT Device::GetStreamSource(UINT number, IDirect3DVertexBuffer8** pp, UINT* stride) {
    if (!pp || !stride || number != 0) return D3DERR_INVALIDCALL;
    *pp = state_.stream;
    if (*pp) (*pp)->AddRef();
    *stride = state_.streamStride;
    return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer8* ib, UINT base) {
    if (ib && !dynamic_cast<IndexBuffer*>(ib)) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->mask.indices = true;
        BindIndices(recording_->values, ib, base);
        return D3D_OK;
    }
    BindIndices(state_, ib, base);
    return D3D_OK;
}

HRESULT Device::GetIndices(IDirect3DIndexBuffer8** pp, UINT* base) {
    if (!pp || !base) return D3DERR_INVALIDCALL;
    *pp = state_.indices;
    if (*pp) (*pp)->AddRef();
    *base = state_.baseVertexIndex;
    return D3D_OK;
}

HRESULT Device::GetClipStatus(D3DCLIPSTATUS8* cs) {
    if (!cs) return D3DERR_INVALIDCALL;
    cs->ClipUnion = 0;
    cs->ClipIntersection = 0;
    return D3D_OK;
}

HRESULT Device::ValidateDevice(DWORD* passes) {
    if (passes) *passes = 1;
    for (int s = 0; s < kMaxStages; ++s) {
        DWORD op = state_.tss[s][D3DTSS_COLOROP];
        if (op == D3DTOP_DISABLE) break;
        if (op == D3DTOP_BUMPENVMAP || op == D3DTOP_BUMPENVMAPLUMINANCE) return D3DERR_UNSUPPORTEDCOLOROPERATION;
    }
    return D3D_OK;
}

// ---------------------------------------------------------------------------
// State blocks

StateMask Device::MaskForType(D3DSTATEBLOCKTYPE type) const {
    static const int pixelRs[] = {D3DRS_ZENABLE, D3DRS_FILLMODE, D3DRS_SHADEMODE, D3DRS_LINEPATTERN,
                                  D3DRS_ZWRITEENABLE, D3DRS_ALPHATESTENABLE, D3DRS_LASTPIXEL, D3DRS_SRCBLEND,
                                  D3DRS_DESTBLEND, D3DRS_ZFUNC, D3DRS_ALPHAREF, D3DRS_ALPHAFUNC,
                                  D3DRS_DITHERENABLE, D3DRS_ALPHABLENDENABLE, D3DRS_FOGSTART, D3DRS_FOGEND,
                                  D3DRS_FOGDENSITY, D3DRS_EDGEANTIALIAS, D3DRS_ZBIAS, D3DRS_STENCILENABLE,
                                  D3DRS_STENCILFAIL, D3DRS_STENCILZFAIL, D3DRS_STENCILPASS, D3DRS_STENCILFUNC,
                                  D3DRS_STENCILREF, D3DRS_STENCILMASK, D3DRS_STENCILWRITEMASK,
                                  D3DRS_TEXTUREFACTOR, D3DRS_WRAP0, D3DRS_WRAP1, D3DRS_WRAP2, D3DRS_WRAP3,
                                  D3DRS_WRAP4, D3DRS_WRAP5, D3DRS_WRAP6, D3DRS_WRAP7, D3DRS_COLORWRITEENABLE,
                                  D3DRS_BLENDOP};
    static const int vertexRs[] = {D3DRS_SHADEMODE, D3DRS_SPECULARENABLE, D3DRS_CULLMODE, D3DRS_FOGENABLE,
                                   D3DRS_FOGCOLOR, D3DRS_FOGTABLEMODE, D3DRS_FOGSTART, D3DRS_FOGEND,
                                   D3DRS_FOGDENSITY, D3DRS_RANGEFOGENABLE, D3DRS_AMBIENT, D3DRS_COLORVERTEX,
                                   D3DRS_FOGVERTEXMODE, D3DRS_CLIPPING, D3DRS_LIGHTING, D3DRS_NORMALIZENORMALS,
                                   D3DRS_LOCALVIEWER, D3DRS_EMISSIVEMATERIALSOURCE,
                                   D3DRS_AMBIENTMATERIALSOURCE, D3DRS_DIFFUSEMATERIALSOURCE,
                                   D3DRS_SPECULARMATERIALSOURCE, D3DRS_VERTEXBLEND, D3DRS_CLIPPLANEENABLE,
                                   D3DRS_SOFTWAREVERTEXPROCESSING, D3DRS_POINTSIZE, D3DRS_POINTSIZE_MIN,
                                   D3DRS_POINTSPRITEENABLE, D3DRS_POINTSCALEENABLE, D3DRS_POINTSCALE_A,
                                   D3DRS_POINTSCALE_B, D3DRS_POINTSCALE_C, D3DRS_MULTISAMPLEANTIALIAS,
                                   D3DRS_MULTISAMPLEMASK, D3DRS_PATCHEDGESTYLE, D3DRS_PATCHSEGMENTS,
                                   D3DRS_POINTSIZE_MAX, D3DRS_INDEXEDVERTEXBLENDENABLE, D3DRS_TWEENFACTOR};
    static const int pixelTss[] = {D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_COLORARG2, D3DTSS_ALPHAOP,
                                   D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2, D3DTSS_BUMPENVMAT00, D3DTSS_BUMPENVMAT01,
                                   D3DTSS_BUMPENVMAT10, D3DTSS_BUMPENVMAT11, D3DTSS_TEXCOORDINDEX,
                                   D3DTSS_ADDRESSU, D3DTSS_ADDRESSV, D3DTSS_BORDERCOLOR, D3DTSS_MAGFILTER,
                                   D3DTSS_MINFILTER, D3DTSS_MIPFILTER, D3DTSS_MIPMAPLODBIAS, D3DTSS_MAXMIPLEVEL,
                                   D3DTSS_MAXANISOTROPY, D3DTSS_BUMPENVLSCALE, D3DTSS_BUMPENVLOFFSET,
                                   D3DTSS_TEXTURETRANSFORMFLAGS, D3DTSS_ADDRESSW, D3DTSS_COLORARG0,
                                   D3DTSS_ALPHAARG0, D3DTSS_RESULTARG};
    StateMask m;
    bool all = type == D3DSBT_ALL;
    if (all || type == D3DSBT_PIXELSTATE) {
        for (int r : pixelRs) m.rs.insert(r);
        for (int s = 0; s < kMaxStages; ++s)
            for (int t : pixelTss) m.tss.insert({s, t});
    }
    if (all || type == D3DSBT_VERTEXSTATE) {
        for (int r : vertexRs) m.rs.insert(r);
        for (int s = 0; s < kMaxStages; ++s) {
            m.tss.insert({s, D3DTSS_TEXCOORDINDEX});
            m.tss.insert({s, D3DTSS_TEXTURETRANSFORMFLAGS});
        }
        for (auto& kv : state_.lights) {
            m.lights.insert(kv.first);
            m.lightEnables.insert(kv.first);
        }
        m.vertexShader = true;
    }
    if (all) {
        for (int i = 0; i < kTransformSlots; ++i) m.transforms.insert(i);
        m.material = true;
        m.viewport = true;
        for (int i = 0; i < (int)state_.clipPlanes.size(); ++i) m.clipPlanes.insert(i);
        for (int s = 0; s < kMaxStages; ++s) m.textures.insert(s);
        m.stream = true;
        m.indices = true;
    }
    return m;
}

void Device::ReleaseBlockBindings(StateBlock& block) {
    for (DWORD s = 0; s < kMaxStages; ++s) BindTexture(block.values, s, nullptr);
    BindStream(block.values, nullptr, 0);
    BindIndices(block.values, nullptr, 0);
}

void Device::CaptureInto(StateBlock& b) {
    const StateMask& m = b.mask;
    for (int r : m.rs) b.values.rs[r] = state_.rs[r];
    for (auto& st : m.tss) b.values.tss[st.first][st.second] = state_.tss[st.first][st.second];
    for (int t : m.transforms) b.values.transforms[t] = state_.transforms[t];
    if (m.material) b.values.material = state_.material;
    for (DWORD l : m.lights) {
        auto it = state_.lights.find(l);
        if (it != state_.lights.end()) b.values.lights[l].light = it->second.light;
    }
    for (DWORD l : m.lightEnables) {
        auto it = state_.lights.find(l);
        if (it != state_.lights.end()) b.values.lights[l].enabled = it->second.enabled;
    }
    if (m.viewport) b.values.viewport = state_.viewport;
    for (int c : m.clipPlanes) b.values.clipPlanes[c] = state_.clipPlanes[c];
    for (int s : m.textures) BindTexture(b.values, (DWORD)s, state_.textures[s]);
    if (m.vertexShader) b.values.vertexShader = state_.vertexShader;
    if (m.stream) BindStream(b.values, state_.stream, state_.streamStride);
    if (m.indices) BindIndices(b.values, state_.indices, state_.baseVertexIndex);
}

void Device::ApplyFrom(const StateBlock& b) {
    const StateMask& m = b.mask;
    for (int r : m.rs) state_.rs[r] = b.values.rs[r];
    for (auto& st : m.tss) state_.tss[st.first][st.second] = b.values.tss[st.first][st.second];
    for (int t : m.transforms) state_.transforms[t] = b.values.transforms[t];
    if (m.material) state_.material = b.values.material;
    for (DWORD l : m.lights) {
        auto it = b.values.lights.find(l);
        if (it != b.values.lights.end()) state_.lights[l].light = it->second.light;
    }
    if (!m.lights.empty() || !m.lightEnables.empty()) LightsChanged();
    for (DWORD l : m.lightEnables) {
        auto it = b.values.lights.find(l);
        if (it == b.values.lights.end()) continue;
        auto cur = state_.lights.find(l);
        if (cur == state_.lights.end()) {
            LightSlot slot;
            slot.light = m.lights.count(l) ? it->second.light : DefaultLight();
            cur = state_.lights.emplace(l, slot).first;
        }
        cur->second.enabled = it->second.enabled;
    }
    if (m.viewport) state_.viewport = b.values.viewport;
    for (int c : m.clipPlanes) state_.clipPlanes[c] = b.values.clipPlanes[c];
    for (int s : m.textures) BindTexture(state_, (DWORD)s, b.values.textures[s]);
    if (m.vertexShader) state_.vertexShader = b.values.vertexShader;
    if (m.stream) BindStream(state_, b.values.stream, b.values.streamStride);
    if (m.indices) BindIndices(state_, b.values.indices, b.values.baseVertexIndex);
}

HRESULT Device::BeginStateBlock() {
    if (recording_) return D3DERR_INVALIDCALL;
    recording_ = std::make_unique<StateBlock>();
    // Start from the current values so that partially recorded lights keep
    // sensible contents.
    recording_->values.rs = state_.rs;
    recording_->values.tss = state_.tss;
    return D3D_OK;
}

HRESULT Device::EndStateBlock(DWORD* token) {
    if (!recording_ || !token) return D3DERR_INVALIDCALL;
    DWORD id = nextBlock_++;
    blocks_[id] = std::move(recording_);
    *token = id;
    return D3D_OK;
}

HRESULT Device::ApplyStateBlock(DWORD token) {
    auto it = blocks_.find(token);
    if (it == blocks_.end() || recording_) return D3DERR_INVALIDCALL;
    ApplyFrom(*it->second);
    return D3D_OK;
}

HRESULT Device::CaptureStateBlock(DWORD token) {
    auto it = blocks_.find(token);
    if (it == blocks_.end() || recording_) return D3DERR_INVALIDCALL;
    CaptureInto(*it->second);
    return D3D_OK;
}

HRESULT Device::DeleteStateBlock(DWORD token) {
    auto it = blocks_.find(token);
    if (it == blocks_.end() || recording_) return D3DERR_INVALIDCALL;
    ReleaseBlockBindings(*it->second);
    blocks_.erase(it);
    return D3D_OK;
}

HRESULT Device::CreateStateBlock(D3DSTATEBLOCKTYPE type, DWORD* token) {
    if (!token || recording_ || type < D3DSBT_ALL || type > D3DSBT_VERTEXSTATE) return D3DERR_INVALIDCALL;
    auto block = std::make_unique<StateBlock>();
    block->mask = MaskForType(type);
    CaptureInto(*block);
    DWORD id = nextBlock_++;
    blocks_[id] = std::move(block);
    *token = id;
    return D3D_OK;
}

// ---------------------------------------------------------------------------
// Drawing

namespace {

UINT VertexCountFor(D3DPRIMITIVETYPE type, UINT prims) {
    switch (type) {
        case D3DPT_POINTLIST: return prims;
        case D3DPT_LINELIST: return prims * 2;
        case D3DPT_LINESTRIP: return prims + 1;
        case D3DPT_TRIANGLELIST: return prims * 3;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN: return prims + 2;
        default: return 0;
    }
}

}  // namespace

// One draw call as the drawing entry points validated it: count vertices or
// indices; the vertices the indices may reach are [minVertex, minVertex +
// numVertices) of the stream, an index i naming vertex indexBase + i.
struct Device::DrawCall {
    D3DPRIMITIVETYPE type;
    UINT count;
    VertexInput in;
    UINT minVertex, numVertices;
    const void* indices;
    bool index32;
    UINT startIndex, indexBase;
    VertexBuffer* vb;  // null for an immediate draw
    IndexBuffer* ib;
};

HRESULT Device::Draw(D3DPRIMITIVETYPE type, UINT primCount, const VertexInput& in, UINT minVertex,
                     UINT numVertices, const void* indices, bool index32, UINT startIndex, UINT indexBase,
                     VertexBuffer* vb, IndexBuffer* ib) {
    UINT count = VertexCountFor(type, primCount);
    if (count == 0) return primCount == 0 ? D3D_OK : D3DERR_INVALIDCALL;
    ++drawCalls_;
    if (!gl_ || lostState_ != LostState::Ok) return D3D_OK;
    const DrawCall dc{type, count, in, minVertex, numVertices, indices, index32, startIndex, indexBase, vb, ib};
    if (!timing_) return Submit(dc);
    const TimingClock::time_point t0 = TimingClock::now();
    const HRESULT hr = Submit(dc);
    timings_.drawSubmitMs += MsSince(t0);
    ++timings_.draws;
    return hr;
}

const FvfLayout& Device::Layout(DWORD fvf) {
    if (fvf != layoutFvf_) {
        layout_ = DecodeFvf(fvf);
        layoutFvf_ = fvf;
    }
    return layout_;
}

HRESULT Device::SubmitShaded(const DrawCall& dc, bool* drawn) {
    *drawn = false;
    ShadedDraw d;
    d.type = dc.type;
    d.fvf = dc.in.fvf;
    d.layout = &Layout(dc.in.fvf);
    d.stride = dc.in.stride;
    d.count = dc.count;
    d.lightsVersion = lightsVersion_;
    const size_t stride = dc.in.stride;
    if (dc.indices) {
        const size_t isz = dc.index32 ? 4 : 2;
        uint32_t lo = 0, hi = 0;
        if (dc.ib) {
            if (!dc.ib->IndexRange(dc.startIndex, dc.count, &lo, &hi)) return D3DERR_INVALIDCALL;
        } else {
            ScanIndexRange((const BYTE*)dc.indices + dc.startIndex * isz, dc.index32, dc.count, &lo, &hi);
        }
        // The same rule as the CPU stage: every index reaches a vertex of the
        // announced range.
        if ((uint64_t)lo + dc.indexBase < dc.minVertex || (uint64_t)hi + dc.indexBase >= (uint64_t)dc.minVertex + dc.numVertices)
            return D3DERR_INVALIDCALL;
        d.indexed = true;
        d.index32 = dc.index32;
        d.minIndex = lo;
        d.maxIndex = hi;
        if (dc.ib) {
            d.indexBuffer = gl_->SyncBuffer(dc.ib->gl, true, dc.ib->data, (dc.startIndex + (size_t)dc.count) * isz);
            d.indexOffset = dc.startIndex * isz;
        } else {
            d.indices = (const BYTE*)dc.indices + dc.startIndex * isz;
        }
        if (dc.vb) {
            d.vertexBuffer = gl_->SyncBuffer(dc.vb->gl, false, dc.vb->data, ((size_t)dc.indexBase + hi + 1) * stride);
            d.vertexOffset = dc.indexBase * stride;
        } else {
            d.vertices = dc.in.data + dc.indexBase * stride;
        }
    } else {
        d.first = dc.minVertex;
        if (dc.vb) d.vertexBuffer = gl_->SyncBuffer(dc.vb->gl, false, dc.vb->data, (d.first + (size_t)dc.count) * stride);
        else d.vertices = dc.in.data;
    }
    *drawn = gl_->DrawShaded(state_, d);
    return D3D_OK;
}

HRESULT Device::Submit(const DrawCall& dc) {
    gl_->MakeCurrent();
    if (!cpuVertexStage_ && gl_->HasVertexPrograms()) {
        bool drawn = false;
        const HRESULT hr = SubmitShaded(dc, &drawn);
        if (FAILED(hr) || drawn) return hr;
    }
    // The CPU stage: the vertices of the range transformed here, the indices
    // made relative to its first vertex.
    const bool pretransformed = (dc.in.fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW;
    if (dc.indices) {
        indexScratch_.resize(dc.count);
        for (UINT i = 0; i < dc.count; ++i) {
            uint32_t v = dc.index32 ? ((const uint32_t*)dc.indices)[dc.startIndex + i]
                                    : ((const uint16_t*)dc.indices)[dc.startIndex + i];
            v += dc.indexBase;
            if (v < dc.minVertex || v >= dc.minVertex + dc.numVertices) return D3DERR_INVALIDCALL;
            indexScratch_[i] = v - dc.minVertex;
        }
    }
    const TimingClock::time_point t0 = timing_ ? TimingClock::now() : TimingClock::time_point{};
    ProcessVertices(state_, dc.in, dc.minVertex, dc.numVertices, scratch_);
    if (timing_) {
        const double ms = MsSince(t0);
        timings_.vertexStageMs += ms;
        timings_.drawSubmitMs -= ms;
        timings_.cpuVertices += dc.numVertices;
    }
    bool vertexFog = state_.rs[D3DRS_FOGENABLE] != FALSE;
    gl_->Draw(state_, dc.type, scratch_, dc.indices ? &indexScratch_ : nullptr, pretransformed, vertexFog);
    return D3D_OK;
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT prims) {
    auto* vb = dynamic_cast<VertexBuffer*>(state_.stream);
    if (!vb || state_.streamStride == 0) return D3DERR_INVALIDCALL;
    if (vb->lockCount > 0) return D3DERR_INVALIDCALL;
    UINT count = VertexCountFor(type, prims);
    if ((uint64_t)(start + count) * state_.streamStride > vb->data.size()) return D3DERR_INVALIDCALL;
    VertexInput in{vb->data.data(), state_.streamStride, state_.vertexShader};
    return Draw(type, prims, in, start, count, nullptr, false, 0, 0, vb);
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT startIndex,
                                     UINT prims) {
    auto* vb = dynamic_cast<VertexBuffer*>(state_.stream);
    auto* ib = dynamic_cast<IndexBuffer*>(state_.indices);
    if (!vb || !ib || state_.streamStride == 0) return D3DERR_INVALIDCALL;
    if (vb->lockCount > 0 || ib->lockCount > 0) return D3DERR_INVALIDCALL;
    bool idx32 = ib->format == D3DFMT_INDEX32;
    UINT count = VertexCountFor(type, prims);
    if ((uint64_t)(startIndex + count) * (idx32 ? 4 : 2) > ib->data.size()) return D3DERR_INVALIDCALL;
    UINT first = minIndex + state_.baseVertexIndex;
    if ((uint64_t)(first + numVertices) * state_.streamStride > vb->data.size()) return D3DERR_INVALIDCALL;
    VertexInput in{vb->data.data(), state_.streamStride, state_.vertexShader};
    return Draw(type, prims, in, first, numVertices, ib->data.data(), idx32, startIndex, state_.baseVertexIndex, vb,
                ib);
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT prims, const void* data, UINT stride) {
    if (!data || stride == 0) return D3DERR_INVALIDCALL;
    // As in Direct3D, the stream source is unset by an immediate draw.
    BindStream(state_, nullptr, 0);
    VertexInput in{(const BYTE*)data, stride, state_.vertexShader};
    return Draw(type, prims, in, 0, VertexCountFor(type, prims), nullptr, false, 0, 0);
}

HRESULT Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT prims,
                                       const void* indexData, D3DFORMAT indexFormat, const void* data, UINT stride) {
    if (!data || !indexData || stride == 0) return D3DERR_INVALIDCALL;
    BindStream(state_, nullptr, 0);
    BindIndices(state_, nullptr, 0);
    VertexInput in{(const BYTE*)data, stride, state_.vertexShader};
    return Draw(type, prims, in, minIndex, numVertices, indexData, indexFormat == D3DFMT_INDEX32, 0, 0);
}

void Device::SetTiming(bool on) {
    timing_ = on;
    timings_ = {};
    if (gl_) gl_->TimeDrawCalls(on ? &timings_.glDrawCallMs : nullptr);
}

void Device::BufferUnlocked(GlBufferCopy& copy, bool indexBuffer, const std::vector<BYTE>& data) {
    if (!gl_ || !gl_->HasVertexPrograms()) return;
    gl_->MakeCurrent();
    gl_->SyncBuffer(copy, indexBuffer, data, data.size());
}

void Device::BufferDestroyed(GlBufferCopy& copy) {
    if (gl_ && copy.name && copy.contextId == gl_->ContextId()) {
        gl_->MakeCurrent();
        gl_->DeleteBuffer(copy);
    }
}

void Device::TextureDestroyed(Texture* tex) {
    if (gl_ && tex->glName && tex->glContextId == gl_->ContextId()) gl_->DeleteTexture(tex);
}

D3DCOLOR Device::ReadPixel(int x, int y) {
    if (x < 0 || y < 0 || (UINT)x >= bbWidth_ || (UINT)y >= bbHeight_) return 0;
    if (!gl_) return lastClear_;
    gl_->MakeCurrent();
    return gl_->ReadPixel(x, y);
}

}  // namespace plat::d3d

// ---------------------------------------------------------------------------
// Public helpers

namespace plat {

void SimulateDeviceLost(IDirect3DDevice8* device, int lostQueries) {
    if (auto* d = dynamic_cast<d3d::Device*>(device)) d->SimulateLost(lostQueries);
}

bool DeviceHasContext(IDirect3DDevice8* device) {
    auto* d = dynamic_cast<d3d::Device*>(device);
    return d && d->HasContext();
}

unsigned DeviceDrawCallCount(IDirect3DDevice8* device) {
    auto* d = dynamic_cast<d3d::Device*>(device);
    return d ? d->DrawCalls() : 0;
}

void SetCpuVertexStage(IDirect3DDevice8* device, bool cpu) {
    if (auto* d = dynamic_cast<d3d::Device*>(device)) d->SetCpuVertexStage(cpu);
}

bool UsesCpuVertexStage(IDirect3DDevice8* device) {
    auto* d = dynamic_cast<d3d::Device*>(device);
    return d && d->UsesCpuVertexStage();
}

void SetDeviceTiming(IDirect3DDevice8* device, bool on) {
    if (auto* d = dynamic_cast<d3d::Device*>(device)) d->SetTiming(on);
}

DeviceTimings ReadDeviceTimings(IDirect3DDevice8* device) {
    auto* d = dynamic_cast<d3d::Device*>(device);
    return d ? d->Timings() : DeviceTimings{};
}

namespace {
const d3d::DeviceState& DefaultState() {
    static const d3d::DeviceState st = [] {
        d3d::DeviceState s;
        d3d::SetDefaultStates(s, true);
        return s;
    }();
    return st;
}
}  // namespace

DWORD DefaultRenderState(D3DRENDERSTATETYPE state) {
    const d3d::DeviceState& st = DefaultState();
    return (UINT)state < st.rs.size() ? st.rs[state] : 0;
}

DWORD DefaultTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) {
    if (stage >= (DWORD)d3d::kMaxStages || (UINT)type >= D3D_MAXTEXTURESTAGESTATES) return 0;
    const d3d::DeviceState& st = DefaultState();
    return st.tss[stage][type];
}

D3DCOLOR ReadBackBufferPixel(IDirect3DDevice8* device, int x, int y) {
    auto* d = dynamic_cast<d3d::Device*>(device);
    return d ? d->ReadPixel(x, y) : 0;
}

}  // namespace plat
