#include "gfx/screensprites.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "app/input.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "gfx/display.h"
#include "gfx/texturemanager.h"
#include "ui/coordinates.h"

namespace {

constexpr int SPRITEVERTEXBYTES = static_cast<int>(sizeof(SPRITEVERTEX));
constexpr int SCREENFIXVERTEXBYTES = static_cast<int>(sizeof(SCREENFIXVERTEX));
constexpr float PIE_STEP = 0.06283186f;
constexpr float TWO_PI = 6.2831853f;

// The four corners of a quad in the order they are written: (left, top),
// (right, top), (left, bottom), (left, bottom), (right, top), (right, bottom).
constexpr int QUAD_CORNERS[6] = {0, 1, 2, 2, 1, 3};

struct Corner {
    float x, y, u, v;
};

void WriteSpriteQuad(SPRITEVERTEX* out, const Corner c[4], DWORD colour) {
    for (int i = 0; i < 6; ++i) {
        const Corner& k = c[QUAD_CORNERS[i]];
        out[i] = {k.x, k.y, 0.0f, colour, k.u, k.v};
    }
}

void WriteScreenfixQuad(SCREENFIXVERTEX* out, const Corner c[4], DWORD colour) {
    for (int i = 0; i < 6; ++i) {
        const Corner& k = c[QUAD_CORNERS[i]];
        out[i] = {k.x, k.y, 0.0f, 1.0f, colour, k.u, k.v};
    }
}

SCREENFIXVERTEX ScreenfixVertex(float x, float y, DWORD colour, float u, float v) {
    return {x, y, 0.0f, 1.0f, colour, u, v};
}

// Texture coordinates of a source rectangle whose right and bottom are
// exclusive, sampled from the centre of the first texel to the centre of the
// last one. A texture of unknown size gives coordinates 0.
void SourceToUV(int width, int height, int left, int top, int right, int bottom, float* uLeft, float* vTop,
                float* uRight, float* vBottom) {
    const float iw = width > 0 ? 1.0f / static_cast<float>(width) : 0.0f;
    const float ih = height > 0 ? 1.0f / static_cast<float>(height) : 0.0f;
    const float hx = iw / 2.0f;
    const float hy = ih / 2.0f;
    *uLeft = static_cast<float>(left) * iw + hx;
    *vTop = static_cast<float>(top) * ih + hy;
    *uRight = static_cast<float>(right - 1) * iw + hx;
    *vBottom = static_cast<float>(bottom - 1) * ih + hy;
}

}  // namespace

SCREENSPRITES::SCREENSPRITES() = default;
SCREENSPRITES::~SCREENSPRITES() = default;

// ---------------------------------------------------------------------------
// Lifetime

int SCREENSPRITES::Init() {
    SetStates();
    return InitVB();
}

void SCREENSPRITES::RecordSpriteStates(IDirect3DDevice8* device) {
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, 0);
    device->SetRenderState(D3DRS_ALPHAREF, 8);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->SetRenderState(D3DRS_ZENABLE, 0);
    device->SetRenderState(D3DRS_STENCILENABLE, 0);
    device->SetRenderState(D3DRS_CLIPPING, 1);
    device->SetRenderState(D3DRS_EDGEANTIALIAS, 0);
    device->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    device->SetRenderState(D3DRS_VERTEXBLEND, 0);
    device->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, 0);
    device->SetRenderState(D3DRS_FOGENABLE, 0);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, 0);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
}

void SCREENSPRITES::SetStates() {
    IDirect3DDevice8* device = display.GetDevice();
    if (!device) return;
    if (savedStates != -1) device->DeleteStateBlock(static_cast<DWORD>(savedStates));
    if (spriteStates != -1) device->DeleteStateBlock(static_cast<DWORD>(spriteStates));
    savedStates = -1;
    spriteStates = -1;
    for (int i = 0; i < 2; ++i) {
        DWORD token = 0;
        device->BeginStateBlock();
        RecordSpriteStates(device);
        if (FAILED(device->EndStateBlock(&token))) continue;
        if (i == 0)
            savedStates = static_cast<long>(token);
        else
            spriteStates = static_cast<long>(token);
    }
    savedMinFilter = D3DTEXF_POINT;
    savedMagFilter = D3DTEXF_POINT;
}

void SCREENSPRITES::RestoreStates() { SetStates(); }

int SCREENSPRITES::InitVB() {
    struct BufferPlan {
        DISPLAY_BUFFER** node;
        DWORD fvf;
        int bytes;
        const char* passed;
    };
    const BufferPlan plans[4] = {
        {&sprite.buffer, FVF_SPRITEVERTEX, SPRITEBUFFERQUADS * 6 * SPRITEVERTEXBYTES,
         "Creating sprite vertex buffer for SCREENSPRITES passed..."},
        {&billboard.buffer, FVF_SPRITEVERTEX, SPRITEBUFFERQUADS * 6 * SPRITEVERTEXBYTES,
         "Creating billboard vertex buffer for SCREENSPRITES passed..."},
        {&lightmap.buffer, FVF_SPRITEVERTEX, SPRITEBUFFERQUADS * 6 * SPRITEVERTEXBYTES,
         "Creating lightmap vertex buffer for SCREENSPRITES passed..."},
        {&screenfix.buffer, FVF_SCREENFIXVERTEX, SCREENFIXTRIANGLES * 3 * SCREENFIXVERTEXBYTES,
         "Creating screenfix vertex buffer for SCREENSPRITES passed..."},
    };
    for (const BufferPlan& s : plans) {
        *s.node = display.AddVertexBuffer(s.fvf, s.bytes, 0, 0, nullptr);
        if (!*s.node) {
            WriteStartLog("AddVertexBuffer() failed in SCREENSPRITES::InitVB()!!!");
            return 0;
        }
        WriteStartLog(s.passed);
    }
    return 1;
}

// ---------------------------------------------------------------------------
// Locking

void SCREENSPRITES::LockBatch(DISPLAY_BUFFER* buffer, BYTE** locked, IDirect3DVertexBuffer8** vb) {
    *locked = nullptr;
    *vb = nullptr;
    if (!buffer) return;
    IDirect3DVertexBuffer8* v = display.GetVB(buffer);
    if (!v) return;
    BYTE* data = nullptr;
    if (FAILED(v->Lock(0, 0, &data, D3DLOCK_DISCARD)) || !data) return;
    *locked = data;
    *vb = v;
}

void SCREENSPRITES::UnlockBatch(BYTE** locked, IDirect3DVertexBuffer8** vb) {
    if (*locked && *vb) (*vb)->Unlock();
    *locked = nullptr;
    *vb = nullptr;
}

void SCREENSPRITES::LockSpriteVB() {
    LockBatch(sprite.buffer, &sprite.locked, &sprite.vertexBuffer);
    sprite.triangles = 0;
    sprite.runCount = 0;
    sprite.currentSlot = -1;
    sprite.currentMode = -1;
}

void SCREENSPRITES::UnlockSpriteVB() { UnlockBatch(&sprite.locked, &sprite.vertexBuffer); }

void SCREENSPRITES::LockBillboardVB() {
    LockBatch(billboard.buffer, &billboard.locked, &billboard.vertexBuffer);
    billboard.triangles = 0;
    billboard.runCount = 0;
}

void SCREENSPRITES::UnlockBillboardVB() { UnlockBatch(&billboard.locked, &billboard.vertexBuffer); }

void SCREENSPRITES::DrawPointerImage(int id, int x, int y) {
    if (DrawInterfaceImage(id, x, y, 0, 0, 0xffffffff, SPRITEMODE_LINEAR)) overlayTriangles += 2;
}

void SCREENSPRITES::LockScreenfixVB() {
    LockBatch(screenfix.buffer, &screenfix.locked, &screenfix.vertexBuffer);
    screenfix.triangles = 0;
    screenfix.runCount = 0;
    screenfix.currentSlot = -1;
    screenfix.currentMode = -1;
    overlayTriangles = 0;
    if (!screenfix.locked) return;
    if (drawPointer) {
        int x = cursorX;
        int y = cursorY;
        if (scalePointer) {
            x = static_cast<int>(static_cast<float>(cursorX) * static_cast<float>(display.GetScreenWidth()) / 800.0f);
            y = static_cast<int>(static_cast<float>(cursorY) * static_cast<float>(display.GetScreenHeight()) / 600.0f);
        }
        DrawPointerImage(5, x, y);
        if (cursorIcon != -1) DrawPointerImage(cursorIcon, x + 13, y + 15);
    }
}

void SCREENSPRITES::UnlockScreenfixVB() { UnlockBatch(&screenfix.locked, &screenfix.vertexBuffer); }

// ---------------------------------------------------------------------------
// Adding

void SCREENSPRITES::GetTextureSize(int textureId, int* width, int* height) {
    *width = 0;
    *height = 0;
    if (textureId < 0) return;
    if (textureId < 40) {
        textureManager.GetGTextureSize(textureId, width, height);
        return;
    }
    TEXTURE_ENTRY* entry = textureManager.GetEntryById(textureId);
    if (!entry || !entry->texture) return;
    D3DSURFACE_DESC desc{};
    if (FAILED(entry->texture->GetLevelDesc(0, &desc))) return;
    *width = static_cast<int>(desc.Width);
    *height = static_cast<int>(desc.Height);
}

SPRITEVERTEX* SCREENSPRITES::ReserveSprite(SPRITE_BATCH& batch, int capacity, int textureId, int mode,
                                           int triangleCount) {
    if (!batch.locked || triangleCount <= 0) return nullptr;
    if (batch.runCount >= MAXSPRITERUNS) return nullptr;
    if (batch.triangles + triangleCount > capacity - 2) return nullptr;
    if (batch.runCount == 0 || textureId != batch.currentSlot || mode != batch.currentMode) {
        batch.runCount++;
        batch.currentSlot = textureId;
        batch.currentMode = mode;
        SPRITE_RUN& run = batch.runs[batch.runCount];
        run.textureId = textureId;
        run.mode = mode;
        run.firstVertex = batch.triangles * 3;
        run.triangleCount = 0;
    }
    return reinterpret_cast<SPRITEVERTEX*>(batch.locked);
}

SCREENFIXVERTEX* SCREENSPRITES::ReserveScreenfix(int textureId, int mode, int triangleCount) {
    if (!screenfix.locked || triangleCount <= 0) return nullptr;
    if (screenfix.runCount >= MAXSPRITERUNS) return nullptr;
    if (screenfix.triangles + triangleCount > SCREENFIXTRIANGLES - 2) return nullptr;
    if (screenfix.runCount == 0 || textureId != screenfix.currentSlot || mode != screenfix.currentMode) {
        screenfix.runCount++;
        screenfix.currentSlot = textureId;
        screenfix.currentMode = mode;
        SPRITE_RUN& run = screenfix.runs[screenfix.runCount];
        run.textureId = textureId;
        run.mode = mode;
        run.firstVertex = screenfix.triangles * 3;
        run.triangleCount = 0;
    }
    return reinterpret_cast<SCREENFIXVERTEX*>(screenfix.locked);
}

void SCREENSPRITES::Commit(SPRITE_BATCH& batch, int triangleCount, int vertexSize) {
    batch.locked += static_cast<size_t>(triangleCount) * 3 * static_cast<size_t>(vertexSize);
    batch.triangles += triangleCount;
    batch.runs[batch.runCount].triangleCount += triangleCount;
}

int SCREENSPRITES::AddSprite(float x1, float y1, float x2, float y2, int left, int top, int right, int bottom,
                             int textureId, DWORD colour, int mode) {
    SPRITEVERTEX* v = ReserveSprite(sprite, SPRITEBUFFERTRIANGLES, textureId, mode, 2);
    if (!v) return 0;
    int w, h;
    GetTextureSize(textureId, &w, &h);
    float uL, vT, uR, vB;
    SourceToUV(w, h, left, top, right, bottom, &uL, &vT, &uR, &vB);
    const Corner c[4] = {{x1 - 400.0f, 300.0f - y1, uL, vT},
                         {x2 - 400.0f, 300.0f - y1, uR, vT},
                         {x1 - 400.0f, 300.0f - y2, uL, vB},
                         {x2 - 400.0f, 300.0f - y2, uR, vB}};
    WriteSpriteQuad(v, c, colour);
    Commit(sprite, 2, SPRITEVERTEXBYTES);
    return 1;
}

int SCREENSPRITES::AddWholeTextureSprite(float x, float y, float width, float height, int textureId, DWORD colour,
                                         int mode) {
    SPRITEVERTEX* v = ReserveSprite(sprite, SPRITEBUFFERTRIANGLES, textureId, mode, 2);
    if (!v) return 0;
    const float x2 = x + width;
    const float y2 = y + height;
    const Corner c[4] = {{x - 400.0f, 300.0f - y, 0.0f, 0.0f},
                         {x2 - 400.0f, 300.0f - y, 1.0f, 0.0f},
                         {x - 400.0f, 300.0f - y2, 0.0f, 1.0f},
                         {x2 - 400.0f, 300.0f - y2, 1.0f, 1.0f}};
    WriteSpriteQuad(v, c, colour);
    Commit(sprite, 2, SPRITEVERTEXBYTES);
    return 1;
}

int SCREENSPRITES::AddFilledRect(DWORD colour, float x1, float y1, float x2, float y2, int textureId, int mode) {
    SPRITEVERTEX* v = ReserveSprite(sprite, SPRITEBUFFERTRIANGLES, textureId, mode, 2);
    if (!v) return 0;
    const float t = 0.999f;
    const Corner c[4] = {{x1 - 400.0f, 300.0f - y1, t, t},
                         {x2 - 400.0f, 300.0f - y1, t, t},
                         {x1 - 400.0f, 300.0f - y2, t, t},
                         {x2 - 400.0f, 300.0f - y2, t, t}};
    WriteSpriteQuad(v, c, colour);
    Commit(sprite, 2, SPRITEVERTEXBYTES);
    return 1;
}

int SCREENSPRITES::AddWorldLine(const D3DXVECTOR3& a, const D3DXVECTOR3& b, DWORD colour) {
    SPRITEVERTEX* v = ReserveSprite(sprite, SPRITEBUFFERTRIANGLES, 9, SPRITEMODE_WORLDLINE, 1);
    if (!v) return 0;
    v[0] = {a.x, a.y, a.z, colour, 0.0f, 0.0f};
    v[1] = {b.x, b.y, b.z, colour, 0.0f, 0.0f};
    v[2] = v[1];
    Commit(sprite, 1, SPRITEVERTEXBYTES);
    return 1;
}

int SCREENSPRITES::AddProgressPie(float percent) {
    const bool first = myGlobs.firstEdition != 0;
    const DWORD colour = first ? 0xff395569u : 0xfff8ac39u;
    const float cx = first ? 0.0f : 140.0f;
    const float cy = first ? 0.0f : 70.0f;
    if (!(percent > 0.0f)) percent = 0.0f;  // also catches NaN
    const float swept = (percent < 100.0f ? percent : 100.0f) * PIE_STEP;
    int added = 0;
    for (int i = 0;; ++i) {
        const float a = static_cast<float>(i) * PIE_STEP;
        if (a > TWO_PI - PIE_STEP / 2.0f || a > swept) break;
        SPRITEVERTEX* v = ReserveSprite(sprite, SPRITEBUFFERTRIANGLES, 9, 0, 1);
        if (!v) break;
        const float b = a + PIE_STEP;
        v[0] = {cx, cy, 0.0f, colour, 0.0f, 0.0f};
        v[1] = {cx + 400.0f * std::sin(a), cy + 300.0f * std::cos(a), 0.0f, colour, 1.0f, 0.0f};
        v[2] = {cx + 400.0f * std::sin(b), cy + 300.0f * std::cos(b), 0.0f, colour, 0.0f, 1.0f};
        Commit(sprite, 1, SPRITEVERTEXBYTES);
        ++added;
    }
    return added > 0 ? 1 : 0;
}

int SCREENSPRITES::AddScreenfixSprite(int x1, int y1, int x2, int y2, int left, int top, int right, int bottom,
                                      int textureId, DWORD colour, int mode) {
    SCREENFIXVERTEX* v = ReserveScreenfix(textureId, mode, 2);
    if (!v) return 0;
    int w, h;
    GetTextureSize(textureId, &w, &h);
    float uL, vT, uR, vB;
    // Inclusive source corners: the exclusive form is one further.
    SourceToUV(w, h, left, top, right + 2, bottom + 2, &uL, &vT, &uR, &vB);
    const float fx1 = static_cast<float>(x1);
    const float fy1 = static_cast<float>(y1);
    const float fx2 = static_cast<float>(x2 + 1);
    const float fy2 = static_cast<float>(y2 + 1);
    const Corner c[4] = {{fx1, fy1, uL, vT}, {fx2, fy1, uR, vT}, {fx1, fy2, uL, vB}, {fx2, fy2, uR, vB}};
    WriteScreenfixQuad(v, c, colour);
    Commit(screenfix, 2, SCREENFIXVERTEXBYTES);
    return 1;
}

int SCREENSPRITES::AddScreenfixSpriteSized(int x, int y, int width, int height, int left, int top, int textureId,
                                           DWORD colour, int mode) {
    return AddScreenfixSprite(x, y, x + width - 1, y + height - 1, left, top, left + width - 1, top + height - 1,
                              textureId, colour, mode);
}

int SCREENSPRITES::AddScreenfixFilledRect(DWORD colour, int x1, int y1, int x2, int y2, int textureId, int mode) {
    SCREENFIXVERTEX* v = ReserveScreenfix(textureId, mode, 2);
    if (!v) return 0;
    const float u = 0.47f;
    const float t = 0.98f;
    const float fx1 = static_cast<float>(x1), fy1 = static_cast<float>(y1);
    const float fx2 = static_cast<float>(x2), fy2 = static_cast<float>(y2);
    const Corner c[4] = {{fx1, fy1, u, t}, {fx2, fy1, u, t}, {fx1, fy2, u, t}, {fx2, fy2, u, t}};
    WriteScreenfixQuad(v, c, colour);
    Commit(screenfix, 2, SCREENFIXVERTEXBYTES);
    return 1;
}

int SCREENSPRITES::AddScreenfixQuad(float x1, float y1, float x2, float y2, float uLeft, float vTop, float uRight,
                                    float vBottom, int textureId) {
    SCREENFIXVERTEX* v = ReserveScreenfix(textureId, 0, 2);
    if (!v) return 0;
    const float fx1 = std::trunc(x1), fy1 = std::trunc(y1);
    const float fx2 = std::trunc(x2), fy2 = std::trunc(y2);
    const Corner c[4] = {
        {fx1, fy1, uLeft, vTop}, {fx2, fy1, uRight, vTop}, {fx1, fy2, uLeft, vBottom}, {fx2, fy2, uRight, vBottom}};
    WriteScreenfixQuad(v, c, 0xffffffff);
    Commit(screenfix, 2, SCREENFIXVERTEXBYTES);
    return 1;
}

int SCREENSPRITES::AddColorGradient(DWORD colour, int shape, const D3DXVECTOR2& p1, const D3DXVECTOR2& p2,
                                    const D3DXVECTOR2& p3, int textureId) {
    const float t = 0.999f;
    auto vx = [&](const D3DXVECTOR2& p, DWORD c) {
        return ScreenfixVertex(std::trunc(p.x), std::trunc(p.y), c, t, t);
    };
    if (shape == 1) {
        SCREENFIXVERTEX* v = ReserveScreenfix(textureId, 0, 6);
        if (!v) return 0;
        const D3DXVECTOR2 m12 = (p1 + p2) * 0.5f;
        const D3DXVECTOR2 m23 = (p2 + p3) * 0.5f;
        const D3DXVECTOR2 m13 = (p1 + p3) * 0.5f;
        const D3DXVECTOR2 centre = (p1 + p2 + p3) / 3.0f;
        const SCREENFIXVERTEX red = vx(p1, 0xffff0000), green = vx(p2, 0xff00ff00), blue = vx(p3, 0xff0000ff);
        const SCREENFIXVERTEX yellow = vx(m12, 0xffffff00), cyan = vx(m23, 0xff00ffff);
        const SCREENFIXVERTEX magenta = vx(m13, 0xffff00ff), grey = vx(centre, 0xffcfcfcf);
        const SCREENFIXVERTEX tris[18] = {red,    yellow, magenta, yellow, green, cyan,  magenta, cyan,    blue,
                                          yellow, grey,   magenta, yellow, cyan,  grey,  cyan,    magenta, grey};
        std::memcpy(v, tris, sizeof(tris));
        Commit(screenfix, 6, SCREENFIXVERTEXBYTES);
        return 1;
    }
    if (shape == 2) {
        SCREENFIXVERTEX* v = ReserveScreenfix(textureId, 0, 4);
        if (!v) return 0;
        const float x1 = std::trunc(p1.x), x2 = std::trunc(p2.x);
        const float y1 = std::trunc(p1.y), y2 = std::trunc(p2.y);
        const float xm = (x1 + x2) / 2.0f;
        const DWORD white = 0xffffffff, black = 0xff000000;
        const Corner a[4] = {{x1, y1, t, t}, {xm, y1, t, t}, {x1, y2, t, t}, {xm, y2, t, t}};
        const Corner b[4] = {{xm, y1, t, t}, {x2, y1, t, t}, {xm, y2, t, t}, {x2, y2, t, t}};
        const DWORD ca[4] = {white, colour, white, colour};
        const DWORD cb[4] = {colour, black, colour, black};
        for (int i = 0; i < 6; ++i) {
            const int k = QUAD_CORNERS[i];
            v[i] = ScreenfixVertex(a[k].x, a[k].y, ca[k], t, t);
            v[6 + i] = ScreenfixVertex(b[k].x, b[k].y, cb[k], t, t);
        }
        Commit(screenfix, 4, SCREENFIXVERTEXBYTES);
        return 1;
    }
    if (shape == 3) {
        SCREENFIXVERTEX* v = ReserveScreenfix(textureId, 0, 2);
        if (!v) return 0;
        const float x1 = std::trunc(p1.x), x2 = std::trunc(p2.x);
        const float y1 = std::trunc(p1.y), y2 = std::trunc(p2.y);
        const Corner c[4] = {{x1, y1, t, t}, {x2, y1, t, t}, {x1, y2, t, t}, {x2, y2, t, t}};
        WriteScreenfixQuad(v, c, colour);
        Commit(screenfix, 2, SCREENFIXVERTEXBYTES);
        return 1;
    }
    return 0;
}

int SCREENSPRITES::GetScreenfixFree() const { return SCREENFIXTRIANGLES - screenfix.triangles; }

namespace {

// Turns the texture on a quad whose corners are (left top, right top, left
// bottom, right bottom): 0 and 1 a quarter turn either way, 3 mirrored left
// to right, anything else unchanged.
void TurnCorners(Corner c[4], int turn) {
    const float uv[4][2] = {{c[0].u, c[0].v}, {c[1].u, c[1].v}, {c[2].u, c[2].v}, {c[3].u, c[3].v}};
    int from[4];
    switch (turn) {
        case 0: from[0] = 2; from[1] = 0; from[2] = 3; from[3] = 1; break;
        case 1: from[0] = 1; from[1] = 3; from[2] = 0; from[3] = 2; break;
        case 3: from[0] = 1; from[1] = 0; from[2] = 3; from[3] = 2; break;
        default: return;
    }
    for (int i = 0; i < 4; ++i) {
        c[i].u = uv[from[i]][0];
        c[i].v = uv[from[i]][1];
    }
}

void BuildOrientedQuad(Corner c[4], float x1, float y1, float x2, float y2, float uL, float vT, float uR, float vB,
                       int mode, int turn, float uScale) {
    if (mode & SPRITEMODE_FLAT) std::swap(y1, y2);
    if (uScale != 1.0f) uR *= uScale;
    c[0] = {x1, y1, uL, vT};
    c[1] = {x2, y1, uR, vT};
    c[2] = {x1, y2, uL, vB};
    c[3] = {x2, y2, uR, vB};
    TurnCorners(c, turn);
}

}  // namespace

int SCREENSPRITES::AddOrientedSprite(float x1, float y1, float x2, float y2, int left, int top, int right,
                                     int bottom, const D3DXVECTOR3& position, int startRun, int textureId,
                                     DWORD colour, int mode, int turn, float uScale) {
    int w, h;
    GetTextureSize(textureId, &w, &h);
    float uL, vT, uR, vB;
    SourceToUV(w, h, left, top, right, bottom, &uL, &vT, &uR, &vB);
    Corner c[4];
    BuildOrientedQuad(c, x1, y1, x2, y2, uL, vT, uR, vB, mode, turn, uScale);

    if (!billboard.locked) return 0;
    if (billboard.runCount >= MAXSPRITERUNS) return 0;
    if (billboard.triangles + 2 > SPRITEBUFFERTRIANGLES - 2) return 0;
    // A quad that asks to join a run when none is open starts one.
    if (startRun || billboard.runCount == 0) {
        billboard.runCount++;
        BILLBOARD_RUN& run = billboard.runs[billboard.runCount];
        run.textureId = textureId;
        run.firstVertex = billboard.triangles * 3;
        run.triangleCount = 0;
        run.x = position.x;
        run.y = position.y;
        run.z = position.z;
        run.mode = mode;
    }
    WriteSpriteQuad(reinterpret_cast<SPRITEVERTEX*>(billboard.locked), c, colour);
    billboard.locked += 6 * SPRITEVERTEXBYTES;
    billboard.triangles += 2;
    billboard.runs[billboard.runCount].triangleCount += 2;
    return 1;
}

int SCREENSPRITES::AddOrientedSpriteCached(float x1, float y1, float x2, float y2, int left, int top, int right,
                                           int bottom, const D3DXVECTOR3& position, int textureId, DWORD colour,
                                           int mode, int turn, float uScale) {
    float uL, vT, uR, vB;
    if (textureId == cachedTextureId) {
        uL = static_cast<float>(left) / cachedWidth + cachedHalfU;
        vT = static_cast<float>(top) / cachedHeight + cachedHalfV;
        uR = static_cast<float>(right - 1) / cachedWidth + cachedHalfU;
        vB = static_cast<float>(bottom - 1) / cachedHeight + cachedHalfV;
    } else {
        int w, h;
        GetTextureSize(textureId, &w, &h);
        SourceToUV(w, h, left, top, right, bottom, &uL, &vT, &uR, &vB);
    }
    Corner c[4];
    BuildOrientedQuad(c, x1, y1, x2, y2, uL, vT, uR, vB, mode, turn, uScale);
    SPRITEVERTEX* v = ReserveSprite(lightmap, SPRITEBUFFERTRIANGLES, textureId, mode, 2);
    if (!v) return 0;
    (void)position;
    WriteSpriteQuad(v, c, colour);
    Commit(lightmap, 2, SPRITEVERTEXBYTES);
    return 1;
}

// ---------------------------------------------------------------------------
// Drawing

void SCREENSPRITES::ApplyMode(IDirect3DDevice8* device, int mode) {
    if (mode & SPRITEMODE_ZWRITE) {
        device->SetRenderState(D3DRS_ZENABLE, 1);
        device->SetRenderState(D3DRS_ZWRITEENABLE, 1);
        device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    }
    if (mode & SPRITEMODE_ZTEST) {
        device->SetRenderState(D3DRS_ZENABLE, 1);
        device->SetRenderState(D3DRS_ZWRITEENABLE, 0);
        device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    }
    if (mode & SPRITEMODE_LINEAR) {
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    }
    if (mode & SPRITEMODE_ADDITIVE) device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
}

void SCREENSPRITES::UndoMode(IDirect3DDevice8* device, int mode) {
    if (mode & (SPRITEMODE_ZWRITE | SPRITEMODE_ZTEST)) {
        device->SetRenderState(D3DRS_ZENABLE, 0);
        // z write is not part of the sprite state set: give it back to the
        // scene, or the next frame's terrain would draw without depth writes.
        device->SetRenderState(D3DRS_ZWRITEENABLE, display.GetDefaultRenderState(D3DRS_ZWRITEENABLE));
    }
    if (mode & SPRITEMODE_LINEAR) {
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, savedMagFilter);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, savedMinFilter);
    }
    if (mode & SPRITEMODE_ADDITIVE) device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

void SCREENSPRITES::RenderSprites() {
    if (sprite.triangles <= 0) return;
    IDirect3DDevice8* device = display.GetDevice();
    IDirect3DVertexBuffer8* vb = display.GetVB(sprite.buffer);
    if (!device || !vb) return;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    if (savedStates != -1) device->CaptureStateBlock(static_cast<DWORD>(savedStates));
    if (spriteStates != -1) device->ApplyStateBlock(static_cast<DWORD>(spriteStates));
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    device->SetVertexShader(FVF_SPRITEVERTEX);
    device->SetStreamSource(0, vb, SPRITEVERTEXBYTES);
    display.SetInterfaceView();
    int lastMode = 0;
    for (int i = 1; i <= sprite.runCount; ++i) {
        const SPRITE_RUN& run = sprite.runs[i];
        if (run.triangleCount <= 0) continue;
        textureManager.SetTexture(device, run.textureId);
        if (run.mode != lastMode) {
            UndoMode(device, lastMode);
            ApplyMode(device, run.mode);
            lastMode = run.mode;
        }
        if (run.mode & SPRITEMODE_WORLDLINE) {
            display.RestoreSceneView();
            device->SetTransform(D3DTS_WORLD, &identity);
            for (int t = 0; t < run.triangleCount; ++t)
                device->DrawPrimitive(D3DPT_LINESTRIP, static_cast<UINT>(run.firstVertex + t * 3), 2);
            display.SetInterfaceView();
        } else {
            device->DrawPrimitive(D3DPT_TRIANGLELIST, static_cast<UINT>(run.firstVertex),
                                  static_cast<UINT>(run.triangleCount));
        }
    }
    UndoMode(device, lastMode);
    if (savedStates != -1) device->ApplyStateBlock(static_cast<DWORD>(savedStates));
    display.RestoreSceneView();
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
}

void SCREENSPRITES::RenderBillboards() {
    if (billboard.triangles <= 0) return;
    IDirect3DDevice8* device = display.GetDevice();
    IDirect3DVertexBuffer8* vb = display.GetVB(billboard.buffer);
    if (!device || !vb) return;
    if (savedStates != -1) device->CaptureStateBlock(static_cast<DWORD>(savedStates));
    if (spriteStates != -1) device->ApplyStateBlock(static_cast<DWORD>(spriteStates));
    device->SetRenderState(D3DRS_ALPHATESTENABLE, 0);
    device->SetVertexShader(FVF_SPRITEVERTEX);
    device->SetStreamSource(0, vb, SPRITEVERTEXBYTES);
    D3DXMATRIX facing, tilt;
    display.GetBillboardMatrix(&facing, 1);
    display.GetBillboardMatrix(&tilt, 0);
    int lastMode = 0;
    int lastTexture = -1;
    for (int i = 1; i <= billboard.runCount; ++i) {
        const BILLBOARD_RUN& run = billboard.runs[i];
        if (run.triangleCount <= 0) continue;
        if (run.mode != lastMode) {
            UndoMode(device, lastMode);
            ApplyMode(device, run.mode);
            lastMode = run.mode;
        }
        if (run.textureId != lastTexture) {
            textureManager.SetTexture(device, run.textureId);
            lastTexture = run.textureId;
        }
        D3DXMATRIX world;
        if (run.mode & SPRITEMODE_FLAT) {
            D3DXMatrixTranslation(&world, run.x, run.y, run.z);
        } else {
            world = (run.mode & SPRITEMODE_TILT) ? tilt : facing;
            world._41 = run.x;
            world._42 = run.y;
            world._43 = run.z;
        }
        device->SetTransform(D3DTS_WORLD, &world);
        device->DrawPrimitive(D3DPT_TRIANGLELIST, static_cast<UINT>(run.firstVertex),
                              static_cast<UINT>(run.triangleCount));
    }
    UndoMode(device, lastMode);
    if (savedStates != -1) device->ApplyStateBlock(static_cast<DWORD>(savedStates));
    device->SetRenderState(D3DRS_ZWRITEENABLE, display.GetDefaultRenderState(D3DRS_ZWRITEENABLE));
}

void SCREENSPRITES::RenderScreenfixInScene() {
    if (screenfix.triangles <= 0) return;
    IDirect3DDevice8* device = display.GetDevice();
    IDirect3DVertexBuffer8* vb = display.GetVB(screenfix.buffer);
    if (!device || !vb) return;
    if (savedStates != -1) device->CaptureStateBlock(static_cast<DWORD>(savedStates));
    if (spriteStates != -1) device->ApplyStateBlock(static_cast<DWORD>(spriteStates));
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetVertexShader(FVF_SCREENFIXVERTEX);
    device->SetStreamSource(0, vb, SCREENFIXVERTEXBYTES);
    int lastMode = 0;
    for (int i = 1; i <= screenfix.runCount; ++i) {
        const SPRITE_RUN& run = screenfix.runs[i];
        if (run.triangleCount <= 0) continue;
        textureManager.SetTexture(device, run.textureId);
        if (run.mode != lastMode) {
            UndoMode(device, lastMode);
            ApplyMode(device, run.mode);
            lastMode = run.mode;
        }
        device->DrawPrimitive(D3DPT_TRIANGLELIST, static_cast<UINT>(run.firstVertex),
                              static_cast<UINT>(run.triangleCount));
    }
    UndoMode(device, lastMode);
    device->SetRenderState(D3DRS_SRCBLEND, display.GetDefaultRenderState(D3DRS_SRCBLEND));
    device->SetRenderState(D3DRS_DESTBLEND, display.GetDefaultRenderState(D3DRS_DESTBLEND));
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, display.GetDefaultTextureStageState(0, D3DTSS_ALPHAOP));
    if (savedStates != -1) device->ApplyStateBlock(static_cast<DWORD>(savedStates));
}

void SCREENSPRITES::RenderScreenfixOverlay() {
    if (overlayTriangles <= 0 || screenfix.runCount < 1) return;
    IDirect3DDevice8* device = display.GetDevice();
    IDirect3DVertexBuffer8* vb = display.GetVB(screenfix.buffer);
    if (!device || !vb) return;
    if (device->TestCooperativeLevel() != D3D_OK) return;
    if (FAILED(device->BeginScene())) return;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    if (savedStates != -1) device->CaptureStateBlock(static_cast<DWORD>(savedStates));
    if (spriteStates != -1) device->ApplyStateBlock(static_cast<DWORD>(spriteStates));
    device->SetVertexShader(FVF_SCREENFIXVERTEX);
    device->SetStreamSource(0, vb, SCREENFIXVERTEXBYTES);
    display.SetInterfaceView();
    const SPRITE_RUN& first = screenfix.runs[1];
    textureManager.SetTexture(device, first.textureId);
    const bool linear = (first.mode & SPRITEMODE_LINEAR) != 0;
    if (linear) {
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    }
    int count = overlayTriangles;
    if (count > screenfix.triangles) count = screenfix.triangles;
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(count));
    if (linear) {
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, savedMagFilter);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, savedMinFilter);
    }
    if (savedStates != -1) device->ApplyStateBlock(static_cast<DWORD>(savedStates));
    display.RestoreSceneView();
    device->EndScene();
}
