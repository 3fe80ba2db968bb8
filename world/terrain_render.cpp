// Drawing of the terrain: the skirt, the tiles, the blur triangles and the
// brush circle, with the sky box and the water drawn from inside the pass.
#include <cstring>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "editor/editor.h"
#include "gfx/display.h"
#include "gfx/texturemanager.h"
#include "world/skybox.h"
#include "world/terrain.h"
#include "world/water.h"

namespace {

constexpr uint32_t SKIRT_TOP_COLOR = 0xFF402000;
constexpr uint32_t SKIRT_NIGHT_COLOR = 0xFF000000;

}  // namespace

// ---------------------------------------------------------------------------
// The skirt around the edges (the first 30 vertices of the base buffer)

TERRAIN_VERTEX* TERRAIN2::LockBase() {
    IDirect3DVertexBuffer8* vb = display.GetVB(baseBuffer);
    BYTE* data = nullptr;
    if (!vb || FAILED(vb->Lock(0, 0, &data, 0)) || !data) return nullptr;
    return reinterpret_cast<TERRAIN_VERTEX*>(data);
}

void TERRAIN2::UnlockBase() {
    IDirect3DVertexBuffer8* vb = display.GetVB(baseBuffer);
    if (vb) vb->Unlock();
}

void TERRAIN2::BuildBase() {
    if (!baseBuffer) return;
    const float r = worldWidth / 2 + 0.014f;
    const float s = worldDepth / 2 + 0.014f;
    const float top = skybox.GetBaseFlag() ? 0.0f : -0.06f;
    const uint32_t fog = display.GetFogColor();
    const float corners[5][2] = {{-r, -s}, {r, -s}, {r, s}, {-r, s}, {-r, -s}};
    struct STRIP {
        float lowZ, highZ;
        uint32_t lowColor, highColor;
    };
    const STRIP strips[3] = {
        {5.0f, top, fog, SKIRT_TOP_COLOR},
        {100.0f, 5.0f, fog, fog},
        {100.0f, top, SKIRT_NIGHT_COLOR, SKIRT_NIGHT_COLOR},
    };
    TERRAIN_VERTEX* data = LockBase();
    if (!data) return;
    TERRAIN_VERTEX* out = data;
    for (const STRIP& strip : strips) {
        for (const auto& c : corners) {
            for (int k = 0; k < 2; ++k) {
                *out = TERRAIN_VERTEX{};
                out->x = c[0];
                out->y = c[1];
                out->z = k == 0 ? strip.lowZ : strip.highZ;
                out->nz = -1.0f;
                out->color = k == 0 ? strip.lowColor : strip.highColor;
                ++out;
            }
        }
    }
    UnlockBase();
}

void TERRAIN2::RenderBase(int night) {
    IDirect3DDevice8* device = display.GetDevice();
    IDirect3DVertexBuffer8* vb = display.GetVB(baseBuffer);
    if (!device || !vb) return;
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetTexture(0, nullptr);
    device->SetTexture(1, nullptr);
    textureManager.ForgetBoundTexture();
    device->SetStreamSource(0, vb, sizeof(TERRAIN_VERTEX));
    device->SetVertexShader(TERRAIN_VERTEX_FVF);
    if (night) {
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 20, 8);
    } else {
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 8);
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 10, 8);
    }
    display.RestoreRenderState(D3DRS_LIGHTING);
}

// ---------------------------------------------------------------------------
// Tiles

void TERRAIN2::RenderTiles(int night) {
    IDirect3DDevice8* device = display.GetDevice();
    if (!device) return;
    if (night == 1) device->SetRenderState(D3DRS_LIGHTING, FALSE);
    if (gridView) {
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    }
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_BLENDDIFFUSEALPHA);
    textureManager.SetGTexture(gridView ? TERRAIN_GRIDSLOT : TERRAIN_ATLASSLOT);
    device->SetVertexShader(TERRAIN_VERTEX_FVF);
    for (int ti = 0; ti < tilesW; ++ti) {
        for (int tj = 0; tj < tilesD; ++tj) {
            const TERRAIN_TILE& tile = tiles[ti * tilesD + tj];
            if (!tile.filled) continue;
            IDirect3DVertexBuffer8* vb = display.GetVB(tile.vertexBuffer);
            if (!vb) continue;
            device->SetStreamSource(0, vb, sizeof(TERRAIN_VERTEX));
            device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, TERRAIN_TILEVERTICES / 3);
        }
    }
    display.RestoreRenderState(D3DRS_LIGHTING);
    display.RestoreRenderState(D3DRS_SRCBLEND);
    display.RestoreRenderState(D3DRS_DESTBLEND);
    display.RestoreRenderState(D3DRS_ALPHABLENDENABLE);
    display.RestoreRenderState(D3DRS_ZWRITEENABLE);
    display.RestoreTextureStageState(0, D3DTSS_MINFILTER);
    display.RestoreTextureStageState(0, D3DTSS_COLOROP);
    display.RestoreTextureStageState(1, D3DTSS_COLOROP);
}

// ---------------------------------------------------------------------------
// Blur triangles

void TERRAIN2::RenderBlurTriangles(int night) {
    if (gridView || blurTotal == 0 || !blurVisible) return;
    IDirect3DDevice8* device = display.GetDevice();
    IDirect3DVertexBuffer8* vb = display.GetVB(blurDeviceBuffer);
    if (!device || !vb) return;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    if (night == 1) device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    if (!display.Is16BitColour()) device->SetRenderState(D3DRS_ZBIAS, 1);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_BLENDDIFFUSEALPHA);
    textureManager.SetGTexture(TERRAIN_ATLASSLOT);
    device->SetVertexShader(TERRAIN_VERTEX_FVF);
    for (int b = 0; b < blurBufferCount; ++b) {
        if (blurTriangleCount[b] == 0) continue;
        if (blurBufferCount > 1 || blurBuffersChanged) {
            BYTE* data = nullptr;
            if (FAILED(vb->Lock(0, 0, &data, D3DLOCK_DISCARD)) || !data) {
                WriteStartLog("Unable to lock blur buffer in TERRAIN2::RenderBlurTriangles() !!!");
                continue;
            }
            std::memcpy(data, blurBuffers[b].get(), sizeof(TERRAIN_VERTEX) * blurVertexCount[b]);
            vb->Unlock();
            blurBuffersChanged = 0;
        }
        device->SetStreamSource(0, vb, sizeof(TERRAIN_VERTEX));
        device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, blurTriangleCount[b]);
    }
    display.RestoreRenderState(D3DRS_LIGHTING);
    display.RestoreRenderState(D3DRS_SRCBLEND);
    display.RestoreRenderState(D3DRS_DESTBLEND);
    display.RestoreRenderState(D3DRS_ALPHABLENDENABLE);
    display.RestoreRenderState(D3DRS_ZWRITEENABLE);
    display.RestoreRenderState(D3DRS_ZBIAS);
    display.RestoreTextureStageState(0, D3DTSS_MINFILTER);
    display.RestoreTextureStageState(0, D3DTSS_COLOROP);
    display.RestoreTextureStageState(1, D3DTSS_COLOROP);
}

// ---------------------------------------------------------------------------
// Brush circle

void TERRAIN2::RenderEditCursor() {
    if (cursorVertexCount == 0 || editorState != 150 || !cursorOn || !cursorValid) return;
    IDirect3DDevice8* device = display.GetDevice();
    IDirect3DVertexBuffer8* vb = display.GetVB(baseBuffer);
    if (!device || !vb) return;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetTexture(0, nullptr);
    textureManager.ForgetBoundTexture();
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetStreamSource(0, vb, sizeof(TERRAIN_VERTEX));
    device->SetVertexShader(TERRAIN_VERTEX_FVF);
    device->DrawPrimitive(D3DPT_LINESTRIP, TERRAIN_SKIRTVERTICES, cursorVertexCount - 1);
    display.RestoreRenderState(D3DRS_LIGHTING);
}

// ---------------------------------------------------------------------------
// The whole pass

void TERRAIN2::Render(int night) {
    if (!myGlobs.sceneVisible || tilesW == 0 || tilesD == 0) return;
    IDirect3DDevice8* device = display.GetDevice();
    if (!device) return;
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4, display.GetAspectRatio(), display.GetNearPlane(),
                               display.GetFarPlane() * 10.0f);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);

    RenderBase(night);
    if (!gridView) {
        device->SetRenderState(D3DRS_FOGENABLE, TRUE);
        skybox.Render();
        display.RestoreRenderState(D3DRS_FOGENABLE);
        water.Render(1);
    }
    RenderTiles(night);
    if (!gridView) {
        RenderBlurTriangles(night);
        water.Render(2);
    }
    RenderEditCursor();

    D3DXMATRIX sceneProjection;
    display.GetProjectionMatrix(&sceneProjection);
    device->SetTransform(D3DTS_PROJECTION, &sceneProjection);
}
