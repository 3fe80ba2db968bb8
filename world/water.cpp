// The water quad: simple scrolling water, or bump-mapped complex water.
#include "world/water.h"

#include <cmath>
#include <cstring>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "gfx/texturemanager.h"
#include "rail/layoutstate.h"
#include "world/lightlist.h"

namespace {

constexpr int WATER_TEXTURE_SLOT = 13;
constexpr int NIGHT_WATER_TEXTURE_SLOT = 32;

DWORD FloatBits(float f) {
    DWORD d;
    std::memcpy(&d, &f, sizeof(d));
    return d;
}

}  // namespace

WATER::WATER() { D3DXMatrixIdentity(&bumpMatrix); }

WATER::~WATER() {
    if (vertexBuffer) display.RemoveVertexBuffer(&vertexBuffer);
    if (bumpMap) bumpMap->Release();
    bumpMap = nullptr;
}

void WATER::Init(float minX, float maxY, float maxX, float minY) {
    if (vertexBuffer) display.RemoveVertexBuffer(&vertexBuffer);
    vertexBuffer = nullptr;
    const float x1 = minX + 0.2f, x2 = maxX - 0.2f;
    const float y1 = maxY - 0.2f, y2 = minY + 0.2f;
    // The texture repeats about every two tiles of the whole rectangle.
    const float umax = std::fabs(maxX - minX) / 14.0f * 0.4999f;
    const float vmax = std::fabs(maxY - minY) / 14.0f * 0.4999f;
    vertexBuffer = display.AddVertexBuffer(WATER_VERTEX_FVF, 4 * sizeof(WATER_VERTEX), 0, 1, nullptr);
    if (!vertexBuffer) {
        WriteStartLog("Vertex buffer for WATER failed!!");
        return;
    }
    WriteStartLog("Vertex buffer for WATER passed...");
    IDirect3DVertexBuffer8* vb = display.GetVB(vertexBuffer);
    BYTE* data = nullptr;
    if (!vb || FAILED(vb->Lock(0, 0, &data, 0)) || !data) {
        WriteStartLog("Vertex buffer Lock for WATER failed!!");
        return;
    }
    const WATER_VERTEX quad[4] = {
        {x1, y1, 0.1f, 0.0f, 0.0f, -1.0f, 0.0f, 0.0f},
        {x2, y1, 0.1f, 0.0f, 0.0f, -1.0f, umax, 0.0f},
        {x1, y2, 0.1f, 0.0f, 0.0f, -1.0f, 0.0f, vmax},
        {x2, y2, 0.1f, 0.0f, 0.0f, -1.0f, umax, vmax},
    };
    std::memcpy(data, quad, sizeof(quad));
    vb->Unlock();
}

bool WATER::ReadQuad(WATER_VERTEX out[4]) const {
    IDirect3DVertexBuffer8* vb = display.GetVB(vertexBuffer);
    BYTE* data = nullptr;
    if (!vb || FAILED(vb->Lock(0, 0, &data, D3DLOCK_READONLY)) || !data) return false;
    std::memcpy(out, data, 4 * sizeof(WATER_VERTEX));
    vb->Unlock();
    return true;
}

int WATER::IsComplex() const { return bumpMap && layoutState.GetWaterAnimation(); }

void WATER::AnimateTexture() {
    if (IsComplex() || !vertexBuffer) return;
    IDirect3DVertexBuffer8* vb = display.GetVB(vertexBuffer);
    BYTE* data = nullptr;
    if (!vb || FAILED(vb->Lock(0, 0, &data, 0)) || !data) return;
    WATER_VERTEX* v = reinterpret_cast<WATER_VERTEX*>(data);
    const float add = frameTime / 600000.0f;
    bool wrap = false;
    for (int k = 0; k < 4; ++k) {
        v[k].u += add;
        v[k].v += add;
        if (v[k].u > 16.0f || v[k].v > 16.0f) wrap = true;
    }
    if (wrap) {
        for (int k = 0; k < 4; ++k) {
            v[k].u -= 16.0f;
            v[k].v -= 16.0f;
        }
    }
    vb->Unlock();
}

void WATER::BumpTexel(int x, int y, int width, int height, signed char* du, signed char* dv) {
    const double fx = static_cast<double>(x) / width - 0.5;
    const double fy = static_cast<double>(y) / height - 0.5;
    const double r = std::sqrt(fx * fx + fy * fy);
    const int u = static_cast<int>(std::exp(-5.0 * r) * std::cos(600.0 * r) * 64.0) +
                  static_cast<int>(std::cos((fx + fy) * 300.0) * 32.0) +
                  static_cast<int>(std::cos((0.85 * fx - fy) * 280.0) * 16.0);
    const int v = static_cast<int>(std::exp(-5.0 * r) * std::sin(600.0 * r) * 64.0) +
                  static_cast<int>(std::sin((fx + fy) * 300.0) * 32.0) +
                  static_cast<int>(std::sin((0.85 * fx - fy) * 280.0) * 16.0);
    *du = static_cast<signed char>(u);
    *dv = static_cast<signed char>(v);
}

int WATER::CreateBumpMap(int width, int height, D3DFORMAT format) {
    IDirect3DDevice8* device = display.GetDevice();
    if (!device || width <= 0 || height <= 0) return 0;
    D3DCAPS8 caps;
    std::memset(&caps, 0, sizeof(caps));
    device->GetDeviceCaps(&caps);
    if (!(caps.TextureOpCaps & D3DTEXOPCAPS_BUMPENVMAP)) {
        WriteStartLog("D3DTEXOPCAPS_BUMPENVMAP is not supported!!!");
        return 0;
    }
    IDirect3D8* d3d = nullptr;
    D3DDISPLAYMODE mode;
    std::memset(&mode, 0, sizeof(mode));
    if (FAILED(device->GetDirect3D(&d3d)) || !d3d || FAILED(device->GetDisplayMode(&mode)) ||
        FAILED(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, mode.Format, 0, D3DRTYPE_TEXTURE, format))) {
        if (d3d) d3d->Release();
        WriteStartLog("CheckDeviceFormat() failed in WATER::CreateBumpMap() !!!");
        return 0;
    }
    d3d->Release();
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(device->CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED, &texture)) || !texture) {
        WriteStartLog("CreateTexture() failed in WATER::CreateBumpMap() !!!");
        return 0;
    }
    D3DLOCKED_RECT locked;
    if (FAILED(texture->LockRect(0, &locked, nullptr, 0)) || !locked.pBits) {
        WriteStartLog("LockRect() failed in WATER::CreateBumpMap() !!!");
        texture->Release();
        return 0;
    }
    BYTE* row = static_cast<BYTE*>(locked.pBits);
    for (int y = 0; y < height; ++y) {
        signed char* texel = reinterpret_cast<signed char*>(row);
        for (int x = 0; x < width; ++x) BumpTexel(x, y, width, height, &texel[2 * x], &texel[2 * x + 1]);
        row += locked.Pitch;
    }
    texture->UnlockRect(0);
    if (bumpMap) bumpMap->Release();
    bumpMap = texture;
    if (myGlobs.complexWater) layoutState.SetWaterAnimation(1);
    return 1;
}

void WATER::UpdateBump() {
    if (!bumpMap) return;
    bumpPhase += frameTime / 3000.0f;
    if (bumpPhase > 1131.0f) bumpPhase = 0.0f;
    const float a = 9.0f * bumpPhase;
    bumpMatrix._11 = 0.04f * std::cos(a);
    bumpMatrix._12 = -0.04f * std::sin(a);
    bumpMatrix._21 = 0.04f * std::sin(a);
    bumpMatrix._22 = 0.04f * std::cos(a);
}

int WATER::IsActive() const { return bumpMap && display.GetHardwareTnL(); }

int WATER::DrawsInPass(int pass, float eyeZ, int is16Bit) {
    const bool early = eyeZ <= -25.0f && is16Bit;
    return pass == 1 ? early : !early;
}

void WATER::Render(int pass) {
    IDirect3DDevice8* device = display.GetDevice();
    IDirect3DVertexBuffer8* vb = display.GetVB(vertexBuffer);
    if (!device || !vb) return;
    D3DXVECTOR3 eye(0.0f, 0.0f, 0.0f);
    display.GetCamera(&eye, nullptr, nullptr);
    const int is16 = display.Is16BitColour();
    if (!DrawsInPass(pass, eye.z, is16)) return;
    if (pass == 2 || !is16) device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetStreamSource(0, vb, sizeof(WATER_VERTEX));
    device->SetVertexShader(WATER_VERTEX_FVF);

    if (!IsComplex()) {
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        textureManager.SetGTexture(WATER_TEXTURE_SLOT);
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        display.RestoreRenderState(D3DRS_LIGHTING);
        display.RestoreRenderState(D3DRS_ALPHABLENDENABLE);
        return;
    }

    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetTexture(0, bumpMap);
    device->SetTextureStageState(0, D3DTSS_BUMPENVMAT00, FloatBits(bumpMatrix._11));
    device->SetTextureStageState(0, D3DTSS_BUMPENVMAT01, FloatBits(bumpMatrix._12));
    device->SetTextureStageState(0, D3DTSS_BUMPENVMAT10, FloatBits(bumpMatrix._21));
    device->SetTextureStageState(0, D3DTSS_BUMPENVMAT11, FloatBits(bumpMatrix._22));
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
    textureManager.SetGTextureStage(1, lightList.IsNight() ? NIGHT_WATER_TEXTURE_SLOT : WATER_TEXTURE_SLOT);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEPOSITION | 1);
    device->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT3 | D3DTTFF_PROJECTED);
    D3DXMATRIX projection;
    std::memset(&projection, 0, sizeof(projection));
    projection._11 = 0.8f;
    projection._22 = 0.8f;
    projection._31 = 0.5f;
    projection._32 = -0.5f;
    projection._33 = 1.0f;
    device->SetTransform(D3DTS_TEXTURE1, &projection);
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);

    // Unbind both stages and tell the manager nothing is bound.
    device->SetTexture(0, nullptr);
    device->SetTexture(1, nullptr);
    textureManager.ForgetBoundTexture();
    textureManager.SetGTexture(0);
    display.RestoreTextureStageState(0, D3DTSS_COLOROP);
    display.RestoreTextureStageState(0, D3DTSS_COLORARG2);
    display.RestoreTextureStageState(1, D3DTSS_COLOROP);
    display.RestoreTextureStageState(1, D3DTSS_ALPHAOP);
    display.RestoreTextureStageState(1, D3DTSS_TEXCOORDINDEX);
    display.RestoreTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS);
    display.RestoreRenderState(D3DRS_ALPHATESTENABLE);
    display.RestoreRenderState(D3DRS_ALPHABLENDENABLE);
    display.RestoreRenderState(D3DRS_LIGHTING);
}

void WATER::Release() {
    if (vertexBuffer) display.RemoveVertexBuffer(&vertexBuffer);
    vertexBuffer = nullptr;
    if (bumpMap) bumpMap->Release();
    bumpMap = nullptr;
    WriteStartLog("WATER::Release() passed...");
}
