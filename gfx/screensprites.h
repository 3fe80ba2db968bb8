// Screen sprites: the batches of textured quads that the interface, the fonts
// and the scene labels are drawn with.
//
// Four batches, each on one dynamic vertex buffer of the display's registry:
//  - sprite:    quads in the 800 x 600 interface design space (also world lines)
//  - billboard: quads in a local plane, each run placed at a world point
//  - lightmap:  created but never opened (every add to it is refused)
//  - screenfix: pre-transformed quads in back-buffer pixels
// Producers add quads between a batch's lock and unlock; every add answers 1
// when it was written and 0 when it was refused.
#pragma once

#include "platform/d3d8.h"
#include "platform/d3dx8math.h"

struct DISPLAY_BUFFER;

// Position, diffuse colour, one texture coordinate pair (FVF 0x142).
struct SPRITEVERTEX {
    float x, y, z;
    DWORD colour;
    float u, v;
};
constexpr DWORD FVF_SPRITEVERTEX = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Pre-transformed position in pixels, diffuse colour, texture (FVF 0x144).
struct SCREENFIXVERTEX {
    float x, y, z, rhw;
    DWORD colour;
    float u, v;
};
constexpr DWORD FVF_SCREENFIXVERTEX = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

static_assert(sizeof(SPRITEVERTEX) == 24, "sprite vertex must be 24 bytes");
static_assert(sizeof(SCREENFIXVERTEX) == 28, "screenfix vertex must be 28 bytes");

// Run modes (bit sets).
constexpr int SPRITEMODE_ZWRITE = 0x1;         // z test and z write on
constexpr int SPRITEMODE_ZTEST = 0x2;          // z test on, z write off
constexpr int SPRITEMODE_LINEAR = 0x4;         // linear filtering on stage 0
constexpr int SPRITEMODE_ADDITIVE = 0x8;       // destination blend one
constexpr int SPRITEMODE_DISTANCE = 0x40000;   // labels grow with the camera distance
constexpr int SPRITEMODE_TILT = 0x10000;       // billboard: the fixed tilt matrix
constexpr int SPRITEMODE_FLAT = 0x20000;       // billboard: translation only, quad flipped
constexpr int SPRITEMODE_WORLDLINE = 0x80000;  // sprite batch: world-space lines

constexpr int MAXSPRITERUNS = 999;        // runs 1 .. 999 of a batch
constexpr int SPRITEBUFFERQUADS = 2000;   // quads of the sprite, billboard and lightmap buffers
constexpr int SPRITEBUFFERTRIANGLES = SPRITEBUFFERQUADS * 2;
constexpr int SCREENFIXTRIANGLES = 12000;

struct SPRITE_RUN {
    int textureId;
    int mode;
    int firstVertex;
    int triangleCount;
};

struct BILLBOARD_RUN {
    int textureId;
    int firstVertex;
    int triangleCount;
    float x, y, z;
    int mode;
};

// One batch. Runs are numbered 1 .. runCount (index 0 is never used).
struct SPRITE_BATCH {
    DISPLAY_BUFFER* buffer = nullptr;
    BYTE* locked = nullptr;  // next free vertex while locked, null when closed
    IDirect3DVertexBuffer8* vertexBuffer = nullptr;
    int triangles = 0;
    int runCount = 0;
    int currentSlot = -1;
    int currentMode = -1;
    SPRITE_RUN runs[MAXSPRITERUNS + 1] = {};
};

struct BILLBOARD_BATCH {
    DISPLAY_BUFFER* buffer = nullptr;
    BYTE* locked = nullptr;
    IDirect3DVertexBuffer8* vertexBuffer = nullptr;
    int triangles = 0;
    int runCount = 0;
    BILLBOARD_RUN runs[MAXSPRITERUNS + 1] = {};
};

class SCREENSPRITES {
public:
    SCREENSPRITES();
    ~SCREENSPRITES();
    SCREENSPRITES(const SCREENSPRITES&) = delete;
    SCREENSPRITES& operator=(const SCREENSPRITES&) = delete;

    // Lifetime.
    int Init();
    void SetStates();
    void RestoreStates();
    int InitVB();

    // Per frame.
    void LockSpriteVB();
    void UnlockSpriteVB();
    void LockScreenfixVB();
    void UnlockScreenfixVB();
    void LockBillboardVB();
    void UnlockBillboardVB();
    void RenderBillboards();
    void RenderScreenfixInScene();
    void RenderSprites();
    void RenderScreenfixOverlay();

    // Sprite batch (design-space coordinates).
    int AddSprite(float x1, float y1, float x2, float y2, int left, int top, int right, int bottom, int textureId,
                  DWORD colour, int mode);
    int AddWholeTextureSprite(float x, float y, float width, float height, int textureId, DWORD colour, int mode);
    int AddFilledRect(DWORD colour, float x1, float y1, float x2, float y2, int textureId, int mode);
    int AddWorldLine(const D3DXVECTOR3& a, const D3DXVECTOR3& b, DWORD colour);
    int AddProgressPie(float percent);

    // Screenfix batch (back-buffer pixels).
    int AddScreenfixSprite(int x1, int y1, int x2, int y2, int left, int top, int right, int bottom,
                           int textureId, DWORD colour, int mode);
    int AddScreenfixSpriteSized(int x, int y, int width, int height, int left, int top, int textureId,
                                DWORD colour, int mode);
    int AddScreenfixFilledRect(DWORD colour, int x1, int y1, int x2, int y2, int textureId, int mode);
    int AddScreenfixQuad(float x1, float y1, float x2, float y2, float uLeft, float vTop, float uRight,
                         float vBottom, int textureId);
    // Shape 1 colour triangle (p1 red, p2 green, p3 blue), 2 brightness bar
    // from p1 to p2, 3 a plain quad from p1 to p2.
    int AddColorGradient(DWORD colour, int shape, const D3DXVECTOR2& p1, const D3DXVECTOR2& p2,
                         const D3DXVECTOR2& p3, int textureId);
    int GetScreenfixFree() const;

    // Billboard batch (local plane of a run placed at a world point).
    int AddOrientedSprite(float x1, float y1, float x2, float y2, int left, int top, int right, int bottom,
                          const D3DXVECTOR3& position, int startRun, int textureId, DWORD colour, int mode,
                          int turn, float uScale);
    int AddOrientedSpriteCached(float x1, float y1, float x2, float y2, int left, int top, int right, int bottom,
                                const D3DXVECTOR3& position, int textureId, DWORD colour, int mode, int turn,
                                float uScale);

    // Accessors.
    void SetCursorIcon(int id) { cursorIcon = id; }
    int GetCursorIcon() const { return cursorIcon; }
    void SetUseSpriteBatch(int on) { useSpriteBatch = on; }
    int GetUseSpriteBatch() const { return useSpriteBatch; }
    void SetMenuMode(int on) { scalePointer = on; }
    int GetMenuMode() const { return scalePointer; }
    void SetDrawPointer(int on) { drawPointer = on; }
    int GetOverlayTriangles() const { return overlayTriangles; }

    // Read-only views of the batches (tests and diagnostics).
    const SPRITE_BATCH& GetSpriteBatch() const { return sprite; }
    const SPRITE_BATCH& GetScreenfixBatch() const { return screenfix; }
    const SPRITE_BATCH& GetLightmapBatch() const { return lightmap; }
    const BILLBOARD_BATCH& GetBillboardBatch() const { return billboard; }

private:
    // Size of a texture by id (global slot or loaded entry); 0 x 0 unknown.
    static void GetTextureSize(int textureId, int* width, int* height);
    // Room for n triangles in a sprite-type batch; starts a run when needed.
    SPRITEVERTEX* ReserveSprite(SPRITE_BATCH& batch, int capacity, int textureId, int mode, int triangleCount);
    SCREENFIXVERTEX* ReserveScreenfix(int textureId, int mode, int triangleCount);
    static void Commit(SPRITE_BATCH& batch, int triangleCount, int vertexSize);
    static void LockBatch(DISPLAY_BUFFER* buffer, BYTE** locked, IDirect3DVertexBuffer8** vb);
    static void UnlockBatch(BYTE** locked, IDirect3DVertexBuffer8** vb);
    void ApplyMode(IDirect3DDevice8* device, int mode);
    void UndoMode(IDirect3DDevice8* device, int mode);
    void RecordSpriteStates(IDirect3DDevice8* device);
    void DrawPointerImage(int id, int x, int y);

    // Size cache of the lightmap texture.
    int cachedTextureId = 27;
    float cachedWidth = 1024.0f;
    float cachedHeight = 512.0f;
    float cachedHalfU = 1.0f / 2048.0f;
    float cachedHalfV = 1.0f / 1024.0f;

    SPRITE_BATCH sprite;
    BILLBOARD_BATCH billboard;
    SPRITE_BATCH lightmap;
    SPRITE_BATCH screenfix;
    int overlayTriangles = 0;
    int drawPointer = 1;
    int scalePointer = 0;
    int cursorIcon = -1;
    long savedStates = -1;
    long spriteStates = -1;
    DWORD savedMinFilter = 1;
    DWORD savedMagFilter = 1;
    int useSpriteBatch = 0;
};

extern SCREENSPRITES screenSprites;
