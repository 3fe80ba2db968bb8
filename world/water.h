// The water surface under the whole terrain just below the zero level: a
// scrolling texture, or a bump-mapped surface where the device supports it.
#pragma once

#include "platform/d3d8.h"
#include "platform/d3dx8math.h"

struct DISPLAY_BUFFER;

constexpr DWORD WATER_VERTEX_FVF = 274;  // position, normal, one texture pair

struct WATER_VERTEX {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
static_assert(sizeof(WATER_VERTEX) == 32);

class WATER {
public:
    WATER();
    ~WATER();
    WATER(const WATER&) = delete;
    WATER& operator=(const WATER&) = delete;

    void Init(float minX, float maxY, float maxX, float minY);
    int CreateBumpMap(int width, int height, D3DFORMAT format);
    void UpdateBump();
    void AnimateTexture();
    void Render(int pass);
    int IsActive() const;
    void Release();

    // Read access for the drawing code and tests.
    int IsComplex() const;
    DISPLAY_BUFFER* GetBuffer() const { return vertexBuffer; }
    IDirect3DTexture8* GetBumpMap() const { return bumpMap; }
    const D3DXMATRIX& GetBumpMatrix() const { return bumpMatrix; }
    float GetBumpPhase() const { return bumpPhase; }
    // Copies the quad's four vertices out; false without a buffer.
    bool ReadQuad(WATER_VERTEX out[4]) const;
    // Which pass draws for an eye height at the given colour depth.
    static int DrawsInPass(int pass, float eyeZ, int is16Bit);
    // The bump texel (du, dv) at (x, y) of a width x height map.
    static void BumpTexel(int x, int y, int width, int height, signed char* du, signed char* dv);

private:
    DISPLAY_BUFFER* vertexBuffer = nullptr;
    IDirect3DTexture8* bumpMap = nullptr;
    D3DXMATRIX bumpMatrix;
    float bumpPhase = 0.0f;
};

extern WATER water;
