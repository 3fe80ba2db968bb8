// The OpenGL side of the Direct3D 8 device: a compatibility-profile context on
// the SDL window, an off-screen back buffer of the device's size (scaled to the
// window at Present), texture and buffer uploads, the vertex stage as GLSL
// vertex programs, and the fixed-function pixel stage set up from the
// Direct3D texture-stage and render states. GL state is cached so that only
// changes reach GL.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/d3d8_internal.h"
#include "platform/gl_vertex_program.h"

struct SDL_Window;

namespace plat::d3d {

// A draw whose vertices the GL vertex program transforms.
struct ShadedDraw {
    D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST;
    DWORD fvf = 0;
    const FvfLayout* layout = nullptr;  // of fvf
    UINT stride = 0;
    unsigned vertexBuffer = 0;       // GL buffer; 0: client memory at vertices
    const BYTE* vertices = nullptr;  // vertex 0 of the indices (or of first)
    size_t vertexOffset = 0;         // byte offset of that vertex in the GL buffer
    UINT first = 0, count = 0;       // vertices (not indexed) or indices to draw
    bool indexed = false;
    unsigned indexBuffer = 0;        // GL buffer; 0: client memory at indices
    const void* indices = nullptr;   // first index in client memory
    size_t indexOffset = 0;          // byte offset of the first index in the GL buffer
    bool index32 = false;
    UINT minIndex = 0, maxIndex = 0;  // the range of the index values
    unsigned lightsVersion = 0;
};

class GlBackend {
public:
    ~GlBackend();
    // Creates a context on the window with an off-screen back buffer of
    // width x height and a depth buffer of depthBits (16 or 24) with stencil.
    static std::unique_ptr<GlBackend> Create(SDL_Window* window, UINT width, UINT height, int depthBits);

    bool Resize(UINT width, UINT height, int depthBits);
    void MakeCurrent();
    unsigned ContextId() const { return contextId_; }
    // True when the context runs vertex programs and buffer objects.
    bool HasVertexPrograms() const { return hasPrograms_; }

    void Clear(const D3DVIEWPORT8& vp, DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
               DWORD stencil, DWORD colorWriteMask);
    // Rasterises vertices the CPU stage processed. indices index into verts;
    // null draws verts in order.
    void Draw(const DeviceState& st, D3DPRIMITIVETYPE type, const std::vector<ProcessedVertex>& verts,
              const std::vector<uint32_t>* indices, bool pretransformed, bool vertexFog);
    // Draws through a GL vertex program; false (nothing drawn) when the draw
    // needs the CPU stage.
    bool DrawShaded(const DeviceState& st, const ShadedDraw& d);
    // Brings the GL copy of a vertex or index buffer up to date from its CPU
    // copy, at least for the bytes below needEnd; answers the GL buffer.
    unsigned SyncBuffer(GlBufferCopy& copy, bool indexBuffer, const std::vector<BYTE>& data, size_t needEnd);
    void DeleteBuffer(GlBufferCopy& copy);
    // Shows the back buffer in the window (scaled to fit) and swaps.
    void Present(int swapInterval);
    // The back buffer as 0xAARRGGBB, top row first.
    void ReadBackBuffer(std::vector<uint32_t>& out);
    D3DCOLOR ReadPixel(int x, int y);
    void DeleteTexture(Texture* tex);
    // Adds the milliseconds spent inside GL's draw calls to *sum (null: off).
    void TimeDrawCalls(double* sum) { drawCallMs_ = sum; }

private:
    // Capabilities switched through the cache.
    enum Cap {
        kCapDepthTest, kCapPolygonOffsetFill, kCapPolygonOffsetLine, kCapAlphaTest, kCapBlend, kCapCullFace,
        kCapDither, kCapStencilTest, kCapFog, kCapColorSum, kCapScissor, kCapClipPlane0,
        kCapCount = kCapClipPlane0 + 6,
    };
    // What the fixed-function pixel stage of one texture unit was last set to.
    struct UnitState {
        int enabled = -1;
        unsigned texture = ~0u;
        uint32_t combiner[8] = {};  // colour op and args, alpha op and args, texture present, texture factor
        bool combinerValid = false;
        float lodBias = -1.0e30f;
    };
    enum class Arrays { Unknown, Client, Generic };

    GlBackend() = default;
    bool CreateTargets(UINT width, UINT height, int depthBits);
    void DestroyTargets();
    void UploadTexture(Texture* tex);
    void SetTextureParameters(Texture* tex, const std::array<DWORD, D3D_MAXTEXTURESTAGESTATES>& t);
    int ActiveUnits(const DeviceState& st) const;
    void SetupStages(const DeviceState& st);
    void SetupRenderStates(const DeviceState& st, bool pretransformed, bool vertexFog);
    void SetupTarget(const DeviceState& st);
    void ForgetState();
    void Enable(Cap cap, bool on);
    void ActiveUnit(int unit);
    void BindTexture(int unit, unsigned name);
    void BindBuffer(bool index, unsigned name);
    void UseArrays(Arrays kind);
    void SetAttributes(const ShadedDraw& d, const VertexProgramKey& key);
    template <class F>
    void CallDraw(F&& draw);

    double* drawCallMs_ = nullptr;
    SDL_Window* window_ = nullptr;
    void* context_ = nullptr;
    unsigned contextId_ = 0;
    unsigned fbo_ = 0, colorRb_ = 0, depthRb_ = 0;
    UINT width_ = 0, height_ = 0;
    int maxUnits_ = 1;
    unsigned whiteTexture_ = 0;
    bool hasPrograms_ = false;
    VertexPrograms programs_;
    std::vector<float> posBuf_, colBuf_, specBuf_, fogBuf_;
    std::vector<float> texBuf_[kMaxStages];

    // The GL state as last set (see ForgetState).
    int caps_[kCapCount] = {};
    bool fboBound_ = false;
    int viewport_[4] = {};
    float depthRange_[2] = {};
    uint32_t renderKey_[40] = {};
    bool renderKeyValid_ = false;
    int activeUnit_ = -1;
    UnitState units_[kMaxStages];
    int usedUnits_ = 0;
    unsigned arrayBuffer_ = ~0u, elementBuffer_ = ~0u;
    Arrays arrays_ = Arrays::Unknown;
    int clientTexArrays_ = -1;  // units with client texture coordinate arrays
    unsigned genericEnabled_ = 0;  // generic attribute arrays switched on
    bool genericKnown_ = false;
    // The attribute pointers last set for the vertex program.
    struct AttributeSource {
        unsigned buffer = ~0u;
        const BYTE* base = nullptr;
        UINT stride = 0;
        DWORD fvf = 0;
        unsigned sets = 0;  // attributes read
        uint8_t weights = 0;
    } attributes_;
};

}  // namespace plat::d3d
