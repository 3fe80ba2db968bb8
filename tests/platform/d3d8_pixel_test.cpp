// Pixels drawn through the GL back end (run under a virtual X server with
// software GL): clears, pixel-exact pre-transformed quads, textures with the
// alpha test, lighting with fog against the CPU's values, state blocks and a
// reset after a lost device.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/d3d8.h"
#include "platform/d3dx8math.h"
#include "platform/window.h"
#include "platform/d3d8_test_device.h"

namespace {

DWORD F2D(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

struct TlVertex {
    float x, y, z, rhw;
    DWORD colour;
    float u, v;
};

class PixelDevice : public ::testing::Test {
protected:
    static constexpr UINT W = 64, H = 48;

    void SetUp() override {
        const std::string why = device.Open(W, H);
        if (!why.empty()) GTEST_SKIP() << why;
        dev = device.dev;
        pp = device.pp;
    }
    void TearDown() override { device.Close(); }
    D3DCOLOR Px(int x, int y) { return plat::ReadBackBufferPixel(dev, x, y) & 0x00ffffffu; }

    // A pre-transformed quad from (x1, y1) to (x2, y2) with texture 0..1.
    void DrawQuad(float x1, float y1, float x2, float y2, DWORD colour, float z = 0.5f) {
        TlVertex v[4] = {{x1, y1, z, 1.0f, colour, 0.0f, 0.0f},
                         {x2, y1, z, 1.0f, colour, 1.0f, 0.0f},
                         {x1, y2, z, 1.0f, colour, 0.0f, 1.0f},
                         {x2, y2, z, 1.0f, colour, 1.0f, 1.0f}};
        dev->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TlVertex)), D3D_OK);
    }

    GlTestDevice device;
    IDirect3DDevice8* dev = nullptr;
    D3DPRESENT_PARAMETERS pp{};
};

}  // namespace

TEST_F(PixelDevice, ClearFillsTheViewport) {
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff336699, 1.0f, 0), D3D_OK);
    EXPECT_EQ(Px(0, 0), 0x336699u);
    EXPECT_EQ(Px((int)W - 1, (int)H - 1), 0x336699u);
    // A rectangle clear touches only its rectangle.
    D3DRECT r{10, 5, 20, 15};
    dev->Clear(1, &r, D3DCLEAR_TARGET, 0xff00ff00, 1.0f, 0);
    EXPECT_EQ(Px(10, 5), 0x00ff00u);
    EXPECT_EQ(Px(19, 14), 0x00ff00u);
    EXPECT_EQ(Px(20, 14), 0x336699u);
    EXPECT_EQ(Px(19, 15), 0x336699u);
    EXPECT_EQ(Px(9, 5), 0x336699u);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(PixelDevice, PretransformedQuadCoversExactPixels) {
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
    dev->BeginScene();
    DrawQuad(10.0f, 20.0f, 30.0f, 25.0f, 0xffffffff);
    // Half-pixel corners: pixel centres at 40.5.. are not covered by 40.5's left edge.
    DrawQuad(40.5f, 2.5f, 44.5f, 6.5f, 0xffff0000);
    dev->EndScene();
    for (int y = 0; y < (int)H; ++y)
        for (int x = 0; x < 36; ++x) {
            bool inside = x >= 10 && x < 30 && y >= 20 && y < 25;
            ASSERT_EQ(Px(x, y), inside ? 0xffffffu : 0u) << "pixel " << x << "," << y;
        }
    for (int y = 0; y < 10; ++y)
        for (int x = 36; x < (int)W; ++x) {
            bool inside = x >= 41 && x < 45 && y >= 3 && y < 7;
            ASSERT_EQ(Px(x, y), inside ? 0xff0000u : 0u) << "pixel " << x << "," << y;
        }
}

TEST_F(PixelDevice, TexturedQuadWithAlphaTest) {
    // Four texels with alphas 0, 127, 128, 255.
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(4, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
    DWORD* t = (DWORD*)lr.pBits;
    t[0] = 0x00ff0000;
    t[1] = 0x7f00ff00;
    t[2] = 0x800000ff;
    t[3] = 0xffffff00;
    tex->UnlockRect(0);

    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
    dev->SetTexture(0, tex);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    dev->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    dev->SetRenderState(D3DRS_ALPHAREF, 128);
    dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    dev->BeginScene();
    // Each texel spans ten pixels; the diffuse alpha 0 does not matter since
    // the stage takes alpha from the texture alone.
    DrawQuad(-0.5f, -0.5f, 39.5f, 9.5f, 0x00ffffff);
    dev->EndScene();
    for (int x = 0; x < 40; ++x) {
        D3DCOLOR expected = x < 20 ? 0x000000u : (x < 30 ? 0x0000ffu : 0xffff00u);
        ASSERT_EQ(Px(x, 5), expected) << "pixel " << x;
    }
    dev->SetTexture(0, nullptr);
    tex->Release();
}

TEST_F(PixelDevice, LitFoggedTriangleMatchesCpu) {
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
    D3DXMATRIX view, proj, world;
    D3DXVECTOR3 eye(0, 0, 0), at(0, 0, 1), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 2, (float)W / H, 0.5f, 100.0f);
    D3DXMatrixIdentity(&world);
    dev->SetTransform(D3DTS_VIEW, &view);
    dev->SetTransform(D3DTS_PROJECTION, &proj);
    dev->SetTransform(D3DTS_WORLD, &world);

    D3DMATERIAL8 mat{};
    mat.Diffuse = {1.0f, 0.8f, 0.6f, 1.0f};
    mat.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    dev->SetMaterial(&mat);
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {0.5f, 0.5f, 0.5f, 0.0f};
    light.Direction = {0.0f, 0.0f, 1.0f};
    dev->SetLight(0, &light);
    dev->LightEnable(0, TRUE);
    dev->SetRenderState(D3DRS_LIGHTING, TRUE);
    dev->SetRenderState(D3DRS_AMBIENT, 0xff202020);
    dev->SetRenderState(D3DRS_FOGENABLE, TRUE);
    dev->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    dev->SetRenderState(D3DRS_FOGCOLOR, 0xff0000ff);
    dev->SetRenderState(D3DRS_FOGSTART, F2D(2.0f));
    dev->SetRenderState(D3DRS_FOGEND, F2D(12.0f));
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);

    struct V {
        float x, y, z, nx, ny, nz;
    } tri[3] = {{-20, -20, 5, 0, 0, -1}, {0, 20, 5, 0, 0, -1}, {20, -20, 5, 0, 0, -1}};
    dev->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL);
    dev->BeginScene();
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(V)), D3D_OK);
    dev->EndScene();

    const float amb = 0x20 / 255.0f, f = (12.0f - 5.0f) / 10.0f;
    const float lit[3] = {amb + 0.5f * 1.0f, amb + 0.5f * 0.8f, amb + 0.5f * 0.6f};
    const float fogc[3] = {0.0f, 0.0f, 1.0f};
    D3DCOLOR c = Px((int)W / 2, (int)H / 2);
    const int got[3] = {(int)((c >> 16) & 0xff), (int)((c >> 8) & 0xff), (int)(c & 0xff)};
    for (int i = 0; i < 3; ++i) {
        float expected = (f * lit[i] + (1.0f - f) * fogc[i]) * 255.0f;
        EXPECT_NEAR(got[i], expected, 3.0f) << "channel " << i;
    }
    // Counter-clockwise on screen is culled by default: the reversed triangle
    // leaves the pixel alone.
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
    V rev[3] = {tri[0], tri[2], tri[1]};
    dev->BeginScene();
    dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, rev, sizeof(V));
    dev->EndScene();
    EXPECT_EQ(Px((int)W / 2, (int)H / 2), 0u);
}

TEST_F(PixelDevice, StateBlockCapturedAndApplied) {
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    dev->BeginStateBlock();
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0xffff0000);
    DWORD block = 0;
    ASSERT_EQ(dev->EndStateBlock(&block), D3D_OK);

    auto drawAndRead = [&]() {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
        dev->BeginScene();
        DrawQuad(0, 0, 8, 8, 0xff00ff00);
        dev->EndScene();
        return Px(4, 4);
    };
    EXPECT_EQ(drawAndRead(), 0x00ff00u) << "recording must not change the device";
    dev->ApplyStateBlock(block);
    EXPECT_EQ(drawAndRead(), 0xff0000u);
    dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0xff0000ff);
    dev->CaptureStateBlock(block);
    dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0xffffffff);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    EXPECT_EQ(drawAndRead(), 0x00ff00u);
    dev->ApplyStateBlock(block);
    EXPECT_EQ(drawAndRead(), 0x0000ffu);
    dev->DeleteStateBlock(block);
}

TEST_F(PixelDevice, ResetAfterLostDeviceDrawsAgain) {
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(dev->CreateVertexBuffer(4 * sizeof(TlVertex), D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC,
                                      D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1, D3DPOOL_DEFAULT, &vb),
              D3D_OK);
    plat::SimulateDeviceLost(dev);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(dev->Reset(&pp), D3DERR_INVALIDCALL);
    vb->Release();
    ASSERT_EQ(dev->Reset(&pp), D3D_OK);
    // Re-create the buffer and draw from it.
    ASSERT_EQ(dev->CreateVertexBuffer(4 * sizeof(TlVertex), D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC,
                                      D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1, D3DPOOL_DEFAULT, &vb),
              D3D_OK);
    BYTE* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &p, D3DLOCK_DISCARD), D3D_OK);
    TlVertex v[4] = {{2, 2, 0.5f, 1, 0xffffff00, 0, 0},
                     {6, 2, 0.5f, 1, 0xffffff00, 1, 0},
                     {2, 6, 0.5f, 1, 0xffffff00, 0, 1},
                     {6, 6, 0.5f, 1, 0xffffff00, 1, 1}};
    std::memcpy(p, v, sizeof v);
    vb->Unlock();
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
    dev->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    dev->SetStreamSource(0, vb, sizeof(TlVertex));
    dev->BeginScene();
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    dev->EndScene();
    EXPECT_EQ(Px(2, 2), 0xffff00u);
    EXPECT_EQ(Px(5, 5), 0xffff00u);
    EXPECT_EQ(Px(6, 6), 0u);
    dev->SetStreamSource(0, nullptr, 0);
    vb->Release();
}

TEST_F(PixelDevice, FrontBufferCopyForScreenshots) {
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff102030, 1.0f, 0);
    IDirect3DSurface8* s = nullptr;
    ASSERT_EQ(dev->CreateImageSurface(W, H, D3DFMT_A8R8G8B8, &s), D3D_OK);
    ASSERT_EQ(dev->GetFrontBuffer(s), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(s->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    const BYTE* b = (const BYTE*)lr.pBits + 3 * lr.Pitch + 4 * 7;
    EXPECT_EQ(b[0], 0x30);  // blue, green, red
    EXPECT_EQ(b[1], 0x20);
    EXPECT_EQ(b[2], 0x10);
    s->UnlockRect();
    s->Release();
}
