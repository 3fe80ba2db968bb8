// Internal classes of the Direct3D 8 layer: resources, the device state and
// the CPU vertex pipeline. Only the platform layer includes this header.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <unordered_map>
#include <vector>

#include "platform/d3d8.h"
#include "platform/d3dx8math.h"

namespace plat::d3d {

class Device;
class GlBackend;

// ---------------------------------------------------------------------------
// Reference counting shared by the resources: the public count belongs to the
// application (AddRef/Release); bindings on the device (streams, indices,
// textures, state blocks) hold internal references, so that a resource the
// application released while still bound lives until it is unbound.
template <class Base>
class Resource : public Base {
public:
    explicit Resource(Device* device, D3DPOOL pool) : device_(device), pool_(pool) {}
    ULONG AddRef() override;
    ULONG Release() override;
    void BindRef() { ++bindRefs_; }
    void UnbindRef() {
        if (bindRefs_ > 0) --bindRefs_;
        if (bindRefs_ == 0 && publicRefs_ == 0) delete this;
    }
    bool PubliclyAlive() const { return publicRefs_ > 0; }
    D3DPOOL Pool() const { return pool_; }
    Device* OwnerDevice() const { return device_; }

protected:
    ~Resource() override = default;
    Device* device_;
    D3DPOOL pool_;
    ULONG publicRefs_ = 1;
    int bindRefs_ = 0;
};

// ---------------------------------------------------------------------------
// The GL copy of a vertex or index buffer. The CPU copy stays the buffer's
// contents; the GL copy is made on first use and refreshed from it: a static
// buffer when it is unlocked (the locked bytes only), a dynamic one when a
// draw reads it (streamed, never more than the draw needs).
struct GlBufferCopy {
    unsigned name = 0;
    unsigned contextId = 0;
    bool dynamic = false;
    size_t dirtyLo = 0, dirtyHi = 0;  // bytes the GL copy lacks
    bool orphan = false;              // a discarding lock: the next upload starts a fresh store
    size_t lockLo = 0, lockHi = 0;    // bytes written under the open locks

    void Locked(size_t offset, size_t size, size_t total, DWORD flags);
    // After the last unlock: true when the locked bytes are to be uploaded now.
    bool Unlocked();
};

class VertexBuffer final : public Resource<IDirect3DVertexBuffer8> {
public:
    VertexBuffer(Device* dev, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
    ~VertexBuffer() override;
    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;

    std::vector<BYTE> data;
    DWORD usage;
    DWORD fvf;
    int lockCount = 0;
    GlBufferCopy gl;
};

class IndexBuffer final : public Resource<IDirect3DIndexBuffer8> {
public:
    IndexBuffer(Device* dev, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    ~IndexBuffer() override;
    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;

    std::vector<BYTE> data;
    DWORD usage;
    D3DFORMAT format;
    int lockCount = 0;
    GlBufferCopy gl;
    // Smallest and largest index of the draws made since the last write,
    // by first index and count.
    bool IndexRange(UINT start, UINT count, uint32_t* lo, uint32_t* hi);

private:
    std::unordered_map<uint64_t, std::pair<uint32_t, uint32_t>> ranges_;
};

// Smallest and largest of count indices.
void ScanIndexRange(const void* indices, bool index32, UINT count, uint32_t* lo, uint32_t* hi);

// One mip level of a texture (or the pixels of an image surface), kept in
// the Direct3D memory layout.
struct ImageLevel {
    UINT width = 0, height = 0;
    UINT pitch = 0;  // bytes per row (per row of 4x4 blocks for DXT)
    std::vector<BYTE> bits;
};

// Bytes of one level in the layout above.
UINT LevelPitch(D3DFORMAT format, UINT width);
UINT LevelRows(D3DFORMAT format, UINT height);

class Texture final : public Resource<IDirect3DTexture8> {
public:
    Texture(Device* dev, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    ~Texture() override;
    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD SetLOD(DWORD lod) override {
        DWORD old = lod_;
        lod_ = lod;
        return old;
    }
    DWORD GetLOD() override { return lod_; }
    DWORD GetLevelCount() override { return (DWORD)levels.size(); }
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface8** ppSurfaceLevel) override;
    HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect(UINT Level) override;
    HRESULT AddDirtyRect(const RECT*) override {
        dirty = true;
        return D3D_OK;
    }

    D3DFORMAT format;
    DWORD usage;
    std::vector<ImageLevel> levels;
    std::vector<int> lockCounts;
    bool dirty = true;     // the GL copy must be refreshed
    unsigned glName = 0;   // GL texture object (0 = none yet)
    unsigned glContextId = 0;
    // Sampling parameters last given to the GL object (-1: not yet).
    int glMinFilter = -1, glMagFilter = -1, glWrapS = -1, glWrapT = -1, glBaseLevel = -1;
    DWORD glBorder = 0;

private:
    DWORD lod_ = 0;
};

class Surface final : public Resource<IDirect3DSurface8> {
public:
    // A stand-alone image surface, or a view of one level of a texture.
    Surface(Device* dev, UINT width, UINT height, D3DFORMAT format);
    Surface(Device* dev, Texture* owner, UINT level);
    ~Surface() override;
    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
    HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect() override;

    ImageLevel& Image() { return owner_ ? owner_->levels[level_] : own_; }
    D3DFORMAT Format() const { return owner_ ? owner_->format : format_; }

private:
    Texture* owner_ = nullptr;
    UINT level_ = 0;
    ImageLevel own_;
    D3DFORMAT format_ = D3DFMT_UNKNOWN;
    int lockCount_ = 0;
};

// ---------------------------------------------------------------------------
// The state that state blocks capture and Reset returns to its defaults.
constexpr int kMaxStages = 8;
constexpr int kMaxWorldMatrices = 256;
constexpr int kTransformSlots = 2 + 8 + kMaxWorldMatrices;  // view, projection, textures, worlds

// Index of a transform state in DeviceState::transforms, or -1.
int TransformSlot(D3DTRANSFORMSTATETYPE state);

struct LightSlot {
    D3DLIGHT8 light{};
    bool enabled = false;
};

struct DeviceState {
    std::array<DWORD, D3D_MAXRENDERSTATES> rs{};
    std::array<std::array<DWORD, D3D_MAXTEXTURESTAGESTATES>, kMaxStages> tss{};
    std::array<D3DMATRIX, kTransformSlots> transforms{};
    D3DMATERIAL8 material{};
    std::map<DWORD, LightSlot> lights;
    D3DVIEWPORT8 viewport{};
    std::array<std::array<float, 4>, 6> clipPlanes{};
    std::array<IDirect3DBaseTexture8*, kMaxStages> textures{};
    DWORD vertexShader = 0;
    IDirect3DVertexBuffer8* stream = nullptr;
    UINT streamStride = 0;
    IDirect3DIndexBuffer8* indices = nullptr;
    UINT baseVertexIndex = 0;
};

// Which parts of the state a state block holds.
struct StateMask {
    std::set<int> rs;
    std::set<std::pair<int, int>> tss;
    std::set<int> transforms;
    bool material = false;
    std::set<DWORD> lights;       // SetLight values
    std::set<DWORD> lightEnables; // LightEnable values
    bool viewport = false;
    std::set<int> clipPlanes;
    std::set<int> textures;
    bool vertexShader = false;
    bool stream = false;
    bool indices = false;
};

struct StateBlock {
    StateMask mask;
    DeviceState values;  // only the masked parts are meaningful
};

// Default render-state values of a fresh device.
void SetDefaultStates(DeviceState& st, bool autoDepth);

// ---------------------------------------------------------------------------
// CPU vertex pipeline: everything Direct3D's fixed-function vertex stage does
// (world blending, view and projection, lighting, fog factor, texture
// coordinate generation and transformation), producing clip-space vertices
// ready for the rasteriser.
struct ProcessedVertex {
    float clip[4];    // Direct3D clip space: 0 <= z <= w
    float diffuse[4]; // r, g, b, a in 0..1
    float specular[4];
    float fog;        // 1 = no fog, 0 = all fog
    float tex[kMaxStages][4];  // s, t, r, q per stage
};

struct VertexInput {
    const BYTE* data = nullptr;  // vertex 0
    UINT stride = 0;
    DWORD fvf = 0;
};

// Transforms vertices [first, first + count) of the stream.
void ProcessVertices(const DeviceState& st, const VertexInput& in, UINT first, UINT count,
                     std::vector<ProcessedVertex>& out);

// Byte offsets of the parts of a flexible vertex format.
struct FvfLayout {
    UINT size = 0;
    int posCount = 3;    // 3 for XYZ variants, 4 for XYZRHW
    int betas = 0;       // blend weights (floats after the position)
    bool lastBetaUbyte4 = false;
    int normal = -1, psize = -1, diffuse = -1, specular = -1;
    int texCount = 0;
    int tex[8] = {};     // offsets
    int texDim[8] = {};  // components
};
FvfLayout DecodeFvf(DWORD fvf);

// ---------------------------------------------------------------------------
// Adapter description used by the Direct3D object (settable by tests).
struct AdapterInfo {
    D3DDISPLAYMODE desktop{};
    std::vector<D3DDISPLAYMODE> modes;
};
AdapterInfo QueryAdapter();

// Pixel formats
D3DCOLOR DecodePixel(D3DFORMAT format, const BYTE* p);
void EncodePixel(D3DFORMAT format, D3DCOLOR c, BYTE* p);
// Decodes a whole level to 0xAARRGGBB pixels (row-major, top row first).
void DecodeLevel(D3DFORMAT format, const ImageLevel& level, std::vector<uint32_t>& out);

// ---------------------------------------------------------------------------
class Direct3D;

class Device final : public IDirect3DDevice8 {
public:
    Device(Direct3D* d3d, HWND focus, DWORD behavior, const D3DPRESENT_PARAMETERS& pp, bool headless);
    ~Device() override;
    // Creates the GL side; false when a context was wanted but failed.
    bool Initialise();

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;

    HRESULT TestCooperativeLevel() override;
    UINT GetAvailableTextureMem() override { return 256u * 1024u * 1024u; }
    HRESULT ResourceManagerDiscardBytes(DWORD) override { return D3D_OK; }
    HRESULT GetDirect3D(IDirect3D8** ppD3D8) override;
    HRESULT GetDeviceCaps(D3DCAPS8* pCaps) override;
    HRESULT GetDisplayMode(D3DDISPLAYMODE* pMode) override;
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) override;
    HRESULT SetCursorProperties(UINT, UINT, IDirect3DSurface8*) override { return D3D_OK; }
    void SetCursorPosition(int, int, DWORD) override {}
    BOOL ShowCursor(BOOL) override { return FALSE; }
    HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
    HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                    const RGNDATA* pDirtyRegion) override;
    HRESULT GetBackBuffer(UINT BackBuffer, D3DBACKBUFFER_TYPE Type, IDirect3DSurface8** ppBackBuffer) override;
    HRESULT GetRasterStatus(D3DRASTER_STATUS* pRasterStatus) override;
    void SetGammaRamp(DWORD, const D3DGAMMARAMP* pRamp) override;
    void GetGammaRamp(D3DGAMMARAMP* pRamp) override;
    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                          IDirect3DTexture8** ppTexture) override;
    HRESULT CreateCubeTexture(UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DCubeTexture8**) override;
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                               IDirect3DVertexBuffer8** ppVertexBuffer) override;
    HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DIndexBuffer8** ppIndexBuffer) override;
    HRESULT CreateRenderTarget(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, BOOL, IDirect3DSurface8**) override;
    HRESULT CreateDepthStencilSurface(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, IDirect3DSurface8**) override;
    HRESULT CreateImageSurface(UINT Width, UINT Height, D3DFORMAT Format, IDirect3DSurface8** ppSurface) override;
    HRESULT CopyRects(IDirect3DSurface8* pSourceSurface, const RECT* pSourceRectsArray, UINT cRects,
                      IDirect3DSurface8* pDestinationSurface, const POINT* pDestPointsArray) override;
    HRESULT UpdateTexture(IDirect3DBaseTexture8* pSourceTexture, IDirect3DBaseTexture8* pDestinationTexture) override;
    HRESULT GetFrontBuffer(IDirect3DSurface8* pDestSurface) override;
    HRESULT SetRenderTarget(IDirect3DSurface8*, IDirect3DSurface8*) override { return D3D_OK; }
    HRESULT GetRenderTarget(IDirect3DSurface8** ppRenderTarget) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface8** ppZStencilSurface) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
    HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
    HRESULT SetViewport(const D3DVIEWPORT8* pViewport) override;
    HRESULT GetViewport(D3DVIEWPORT8* pViewport) override;
    HRESULT SetMaterial(const D3DMATERIAL8* pMaterial) override;
    HRESULT GetMaterial(D3DMATERIAL8* pMaterial) override;
    HRESULT SetLight(DWORD Index, const D3DLIGHT8* pLight) override;
    HRESULT GetLight(DWORD Index, D3DLIGHT8* pLight) override;
    HRESULT LightEnable(DWORD Index, BOOL Enable) override;
    HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) override;
    HRESULT SetClipPlane(DWORD Index, const float* pPlane) override;
    HRESULT GetClipPlane(DWORD Index, float* pPlane) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    HRESULT BeginStateBlock() override;
    HRESULT EndStateBlock(DWORD* pToken) override;
    HRESULT ApplyStateBlock(DWORD Token) override;
    HRESULT CaptureStateBlock(DWORD Token) override;
    HRESULT DeleteStateBlock(DWORD Token) override;
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE Type, DWORD* pToken) override;
    HRESULT SetClipStatus(const D3DCLIPSTATUS8*) override { return D3D_OK; }
    HRESULT GetClipStatus(D3DCLIPSTATUS8* pClipStatus) override;
    HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) override;
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) override;
    HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) override;
    HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
    HRESULT ValidateDevice(DWORD* pNumPasses) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT minIndex, UINT NumVertices, UINT startIndex,
                                 UINT primCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount, const void* pVertexStreamZeroData,
                            UINT VertexStreamZeroStride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex, UINT NumVertexIndices,
                                   UINT PrimitiveCount, const void* pIndexData, D3DFORMAT IndexDataFormat,
                                   const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) override;
    HRESULT CreateVertexShader(const DWORD*, const DWORD*, DWORD*, DWORD) override { return D3DERR_INVALIDCALL; }
    HRESULT SetVertexShader(DWORD Handle) override;
    HRESULT GetVertexShader(DWORD* pHandle) override;
    HRESULT DeleteVertexShader(DWORD) override { return D3DERR_INVALIDCALL; }
    HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData, UINT Stride) override;
    HRESULT GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8** ppStreamData, UINT* pStride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) override;
    HRESULT GetIndices(IDirect3DIndexBuffer8** ppIndexData, UINT* pBaseVertexIndex) override;
    HRESULT SetPixelShader(DWORD Handle) override { return Handle == 0 ? D3D_OK : D3DERR_INVALIDCALL; }
    HRESULT GetPixelShader(DWORD* pHandle) override {
        if (pHandle) *pHandle = 0;
        return D3D_OK;
    }

    // Layer internals
    void ResourceCreated(D3DPOOL pool) {
        if (pool == D3DPOOL_DEFAULT) ++defaultPoolAlive_;
    }
    void ResourcePubliclyReleased(D3DPOOL pool) {
        if (pool == D3DPOOL_DEFAULT && defaultPoolAlive_ > 0) --defaultPoolAlive_;
    }
    void TextureDestroyed(Texture* tex);
    void BufferUnlocked(GlBufferCopy& copy, bool indexBuffer, const std::vector<BYTE>& data);
    void BufferDestroyed(GlBufferCopy& copy);
    void SimulateLost(int lostQueries) {
        lostState_ = LostState::Lost;
        lostQueries_ = lostQueries < 1 ? 1 : lostQueries;
    }
    bool HasContext() const { return gl_ != nullptr; }
    unsigned DrawCalls() const { return drawCalls_; }
    D3DCOLOR ReadPixel(int x, int y);
    UINT BackBufferWidth() const { return bbWidth_; }
    UINT BackBufferHeight() const { return bbHeight_; }
    const DeviceState& State() const { return state_; }
    int DefaultPoolAlive() const { return defaultPoolAlive_; }
    void SetCpuVertexStage(bool cpu) { cpuVertexStage_ = cpu; }
    bool UsesCpuVertexStage() const { return cpuVertexStage_ || !gl_; }
    void SetTiming(bool on);
    const plat::DeviceTimings& Timings() const { return timings_; }

private:
    enum class LostState { Ok, Lost, NotReset };

    void ApplyPresentParameters(const D3DPRESENT_PARAMETERS& pp);
    void ResetStates();
    void ReleaseBindings(DeviceState& st);
    void BindTexture(DeviceState& st, DWORD stage, IDirect3DBaseTexture8* tex);
    void BindStream(DeviceState& st, IDirect3DVertexBuffer8* vb, UINT stride);
    void BindIndices(DeviceState& st, IDirect3DIndexBuffer8* ib, UINT base);
    void CaptureInto(StateBlock& block);
    void ApplyFrom(const StateBlock& block);
    StateMask MaskForType(D3DSTATEBLOCKTYPE type) const;
    void ReleaseBlockBindings(StateBlock& block);
    HRESULT Draw(D3DPRIMITIVETYPE type, UINT primCount, const VertexInput& in, UINT minVertex, UINT numVertices,
                 const void* indices, bool index32, UINT startIndex, UINT indexBase, VertexBuffer* vb = nullptr,
                 IndexBuffer* ib = nullptr);
    struct DrawCall;
    HRESULT Submit(const DrawCall& dc);
    // 1 drawn, 0 the CPU stage must draw it, or an error.
    HRESULT SubmitShaded(const DrawCall& dc, bool* drawn);
    const FvfLayout& Layout(DWORD fvf);
    void LightsChanged() { ++lightsVersion_; }

    ULONG refs_ = 1;
    Direct3D* d3d_;
    HWND focus_;
    DWORD behavior_;
    D3DPRESENT_PARAMETERS pp_;
    bool headless_;
    std::unique_ptr<GlBackend> gl_;
    UINT bbWidth_ = 0, bbHeight_ = 0;
    DeviceState state_;
    std::map<DWORD, std::unique_ptr<StateBlock>> blocks_;
    DWORD nextBlock_ = 1;
    std::unique_ptr<StateBlock> recording_;
    LostState lostState_ = LostState::Ok;
    int lostQueries_ = 1;
    bool inScene_ = false;
    int defaultPoolAlive_ = 0;
    unsigned drawCalls_ = 0;
    D3DCOLOR lastClear_ = 0;
    D3DGAMMARAMP gamma_{};
    std::vector<ProcessedVertex> scratch_;
    std::vector<uint32_t> indexScratch_;
    DWORD layoutFvf_ = ~0u;
    FvfLayout layout_;
    unsigned lightsVersion_ = 0;
    bool cpuVertexStage_ = false;
    bool timing_ = false;
    plat::DeviceTimings timings_;
};

class Direct3D final : public RefCounted<IDirect3D8> {
public:
    UINT GetAdapterCount() override { return 1; }
    HRESULT GetAdapterIdentifier(UINT Adapter, DWORD Flags, D3DADAPTER_IDENTIFIER8* pIdentifier) override;
    UINT GetAdapterModeCount(UINT Adapter) override;
    HRESULT EnumAdapterModes(UINT Adapter, UINT Mode, D3DDISPLAYMODE* pMode) override;
    HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
    HRESULT CheckDeviceType(UINT Adapter, D3DDEVTYPE CheckType, D3DFORMAT DisplayFormat, D3DFORMAT BackBufferFormat,
                            BOOL Windowed) override;
    HRESULT CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, DWORD Usage,
                              D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) override;
    HRESULT CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat, BOOL Windowed,
                                       D3DMULTISAMPLE_TYPE MultiSampleType) override;
    HRESULT CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                   D3DFORMAT RenderTargetFormat, D3DFORMAT DepthStencilFormat) override;
    HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS8* pCaps) override;
    HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                         D3DPRESENT_PARAMETERS* pPresentationParameters,
                         IDirect3DDevice8** ppReturnedDeviceInterface) override;
};

// The capabilities the layer reports.
void FillCaps(D3DCAPS8& caps);
bool FormatSupportedAsTexture(D3DFORMAT format);

}  // namespace plat::d3d

namespace plat::d3d {

template <class Base>
ULONG Resource<Base>::AddRef() {
    if (publicRefs_++ == 0) {
        // Taken back by the application (through a Get call on the device).
        device_->AddRef();
        device_->ResourceCreated(pool_);
    }
    return publicRefs_;
}

template <class Base>
ULONG Resource<Base>::Release() {
    if (publicRefs_ == 0) return 0;
    ULONG n = --publicRefs_;
    if (n == 0) {
        Device* d = device_;
        d->ResourcePubliclyReleased(pool_);
        if (bindRefs_ == 0) delete this;
        d->Release();
    }
    return n;
}

}  // namespace plat::d3d
