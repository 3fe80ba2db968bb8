// The OpenGL side of the Direct3D 8 device: a compatibility-profile context on
// the SDL window, an off-screen back buffer of the device's size (scaled to the
// window at Present), texture uploads and the fixed-function pixel stage set
// up from the Direct3D texture-stage and render states.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/d3d8_internal.h"

struct SDL_Window;

namespace plat::d3d {

class GlBackend {
public:
    ~GlBackend();
    // Creates a context on the window with an off-screen back buffer of
    // width x height and a depth buffer of depthBits (16 or 24) with stencil.
    static std::unique_ptr<GlBackend> Create(SDL_Window* window, UINT width, UINT height, int depthBits);

    bool Resize(UINT width, UINT height, int depthBits);
    void MakeCurrent();
    unsigned ContextId() const { return contextId_; }

    void Clear(const D3DVIEWPORT8& vp, DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
               DWORD stencil, DWORD colorWriteMask);
    // Rasterises processed vertices with the device state's pixel stage.
    // indices index into verts; null draws verts in order.
    void Draw(const DeviceState& st, D3DPRIMITIVETYPE type, const std::vector<ProcessedVertex>& verts,
              const std::vector<uint32_t>* indices, bool pretransformed, bool vertexFog);
    // Shows the back buffer in the window (scaled to fit) and swaps.
    void Present(int swapInterval);
    // The back buffer as 0xAARRGGBB, top row first.
    void ReadBackBuffer(std::vector<uint32_t>& out);
    D3DCOLOR ReadPixel(int x, int y);
    void DeleteTexture(Texture* tex);

private:
    GlBackend() = default;
    bool CreateTargets(UINT width, UINT height, int depthBits);
    void DestroyTargets();
    void UploadTexture(Texture* tex);
    void SetupStages(const DeviceState& st, int& usedUnits);
    void SetupRenderStates(const DeviceState& st, bool pretransformed, bool vertexFog);

    SDL_Window* window_ = nullptr;
    void* context_ = nullptr;
    unsigned contextId_ = 0;
    unsigned fbo_ = 0, colorRb_ = 0, depthRb_ = 0;
    UINT width_ = 0, height_ = 0;
    int maxUnits_ = 1;
    unsigned whiteTexture_ = 0;
    std::vector<float> posBuf_, colBuf_, specBuf_, fogBuf_;
    std::vector<float> texBuf_[kMaxStages];
};

}  // namespace plat::d3d
