// Device logic without a display: states, state blocks, resources, the
// lost-device cycle, the CPU vertex stage (lighting, fog, texture
// coordinates, blending) and the pixel formats.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "platform/d3d8.h"
#include "platform/d3d8_internal.h"
#include "platform/d3dx8math.h"

namespace {

DWORD F2D(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

class HeadlessDevice : public ::testing::Test {
protected:
    void SetUp() override {
        plat::ForceHeadlessDevices(true);
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        D3DPRESENT_PARAMETERS pp{};
        pp.Windowed = TRUE;
        pp.BackBufferWidth = 320;
        pp.BackBufferHeight = 240;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev),
                  D3D_OK);
        ASSERT_FALSE(plat::DeviceHasContext(dev));
    }
    void TearDown() override {
        if (dev) dev->Release();
        if (d3d) d3d->Release();
        plat::ForceHeadlessDevices(false);
    }
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* dev = nullptr;
};

}  // namespace

TEST_F(HeadlessDevice, DefaultsAndStateRoundTrip) {
    DWORD v = 0;
    dev->GetRenderState(D3DRS_LIGHTING, &v);
    EXPECT_EQ(v, (DWORD)TRUE);
    dev->GetRenderState(D3DRS_CULLMODE, &v);
    EXPECT_EQ(v, (DWORD)D3DCULL_CCW);
    dev->GetRenderState(D3DRS_ZENABLE, &v);
    EXPECT_EQ(v, (DWORD)D3DZB_TRUE);
    dev->GetTextureStageState(0, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, (DWORD)D3DTOP_MODULATE);
    dev->GetTextureStageState(1, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, (DWORD)D3DTOP_DISABLE);
    dev->GetTextureStageState(2, D3DTSS_TEXCOORDINDEX, &v);
    EXPECT_EQ(v, 2u);
    D3DVIEWPORT8 vp;
    dev->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 320u);
    EXPECT_EQ(vp.Height, 240u);
    // A viewport outside the back buffer is refused.
    D3DVIEWPORT8 bad{0, 0, 321, 240, 0.0f, 1.0f};
    EXPECT_EQ(dev->SetViewport(&bad), D3DERR_INVALIDCALL);

    D3DXMATRIX t, r, got;
    D3DXMatrixTranslation(&t, 1, 2, 3);
    dev->SetTransform(D3DTS_WORLDMATRIX(2), &t);
    dev->GetTransform(D3DTS_WORLD2, &got);
    EXPECT_EQ(got._42, 2.0f);
    // MultiplyTransform puts the new matrix first.
    D3DXMatrixScaling(&r, 2, 2, 2);
    dev->SetTransform(D3DTS_WORLD, &t);
    dev->MultiplyTransform(D3DTS_WORLD, &r);
    dev->GetTransform(D3DTS_WORLD, &got);
    EXPECT_EQ(got._11, 2.0f);
    EXPECT_EQ(got._41, 1.0f);  // translation not scaled
}

TEST_F(HeadlessDevice, StateBlockRecordingDoesNotApply) {
    ASSERT_EQ(dev->BeginStateBlock(), D3D_OK);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetRenderState(D3DRS_ALPHAREF, 8);
    dev->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    DWORD token = 0;
    ASSERT_EQ(dev->EndStateBlock(&token), D3D_OK);
    DWORD v;
    dev->GetRenderState(D3DRS_LIGHTING, &v);
    EXPECT_EQ(v, (DWORD)TRUE) << "recorded states must not reach the device";

    dev->SetRenderState(D3DRS_FOGENABLE, TRUE);  // not part of the block
    ASSERT_EQ(dev->ApplyStateBlock(token), D3D_OK);
    dev->GetRenderState(D3DRS_LIGHTING, &v);
    EXPECT_EQ(v, (DWORD)FALSE);
    dev->GetRenderState(D3DRS_ALPHAREF, &v);
    EXPECT_EQ(v, 8u);
    dev->GetTextureStageState(0, D3DTSS_MINFILTER, &v);
    EXPECT_EQ(v, (DWORD)D3DTEXF_LINEAR);
    dev->GetRenderState(D3DRS_FOGENABLE, &v);
    EXPECT_EQ(v, (DWORD)TRUE) << "states outside the block stay";

    // Capture refreshes only the block's own states.
    dev->SetRenderState(D3DRS_ALPHAREF, 99);
    dev->SetRenderState(D3DRS_LIGHTING, TRUE);
    ASSERT_EQ(dev->CaptureStateBlock(token), D3D_OK);
    dev->SetRenderState(D3DRS_ALPHAREF, 1);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->ApplyStateBlock(token);
    dev->GetRenderState(D3DRS_ALPHAREF, &v);
    EXPECT_EQ(v, 99u);
    dev->GetRenderState(D3DRS_LIGHTING, &v);
    EXPECT_EQ(v, (DWORD)TRUE);

    EXPECT_EQ(dev->DeleteStateBlock(token), D3D_OK);
    EXPECT_EQ(dev->ApplyStateBlock(token), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->EndStateBlock(&token), D3DERR_INVALIDCALL);  // not recording
}

TEST_F(HeadlessDevice, CreatedStateBlockCapturesAll) {
    dev->SetRenderState(D3DRS_ZBIAS, 3);
    D3DMATERIAL8 mat{};
    mat.Power = 7.0f;
    dev->SetMaterial(&mat);
    DWORD token;
    ASSERT_EQ(dev->CreateStateBlock(D3DSBT_ALL, &token), D3D_OK);
    dev->SetRenderState(D3DRS_ZBIAS, 0);
    mat.Power = 1.0f;
    dev->SetMaterial(&mat);
    dev->ApplyStateBlock(token);
    DWORD v;
    dev->GetRenderState(D3DRS_ZBIAS, &v);
    EXPECT_EQ(v, 3u);
    dev->GetMaterial(&mat);
    EXPECT_EQ(mat.Power, 7.0f);
}

TEST_F(HeadlessDevice, StateBlockKeepsTextureAlive) {
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    dev->BeginStateBlock();
    dev->SetTexture(0, tex);
    DWORD token;
    dev->EndStateBlock(&token);
    tex->Release();  // the block still refers to it
    dev->ApplyStateBlock(token);
    IDirect3DBaseTexture8* bound = nullptr;
    dev->GetTexture(0, &bound);
    ASSERT_NE(bound, nullptr);
    D3DSURFACE_DESC d;
    static_cast<IDirect3DTexture8*>(bound)->GetLevelDesc(0, &d);
    EXPECT_EQ(d.Width, 4u);
    bound->Release();
    dev->SetTexture(0, nullptr);
    dev->DeleteStateBlock(token);
}

TEST_F(HeadlessDevice, BuffersLockWithinBounds) {
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(dev->CreateVertexBuffer(240, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0x142, D3DPOOL_DEFAULT, &vb), D3D_OK);
    BYTE* p = nullptr;
    EXPECT_EQ(vb->Lock(0, 0, &p, D3DLOCK_DISCARD), D3D_OK);
    ASSERT_NE(p, nullptr);
    std::memset(p, 0xab, 240);  // the whole buffer is writable
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(200, 48, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(p, nullptr);
    D3DVERTEXBUFFER_DESC d;
    vb->GetDesc(&d);
    EXPECT_EQ(d.Size, 240u);
    EXPECT_EQ(d.FVF, 0x142u);
    EXPECT_EQ(d.Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(d.Usage, (DWORD)(D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC));

    IDirect3DIndexBuffer8* ib = nullptr;
    ASSERT_EQ(dev->CreateIndexBuffer(12, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
    D3DINDEXBUFFER_DESC id;
    ib->GetDesc(&id);
    EXPECT_EQ(id.Format, D3DFMT_INDEX16);

    // Draw calls validate their ranges against the buffers.
    dev->SetVertexShader(0x142);
    dev->SetStreamSource(0, vb, 24);
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 3), D3D_OK);  // 9 of 10 vertices
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 4), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 8), D3D_OK);
    dev->SetStreamSource(0, nullptr, 0);
    ib->Release();
    vb->Release();
}

TEST_F(HeadlessDevice, LostDeviceCycleAndReset) {
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DVertexBuffer8* managed = nullptr;
    dev->CreateVertexBuffer(96, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0x142, D3DPOOL_DEFAULT, &vb);
    dev->CreateVertexBuffer(96, D3DUSAGE_WRITEONLY, 0x142, D3DPOOL_MANAGED, &managed);
    dev->SetStreamSource(0, vb, 24);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);

    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    plat::SimulateDeviceLost(dev);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);

    D3DPRESENT_PARAMETERS pp{};
    pp.Windowed = TRUE;
    pp.BackBufferWidth = 320;
    pp.BackBufferHeight = 240;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    // A live default-pool buffer makes the reset fail.
    EXPECT_EQ(dev->Reset(&pp), D3DERR_INVALIDCALL);
    vb->Release();  // still bound to the stream: only the application's reference counts
    EXPECT_EQ(dev->Reset(&pp), D3D_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    DWORD v;
    dev->GetRenderState(D3DRS_LIGHTING, &v);
    EXPECT_EQ(v, (DWORD)TRUE) << "a reset returns every state to its default";
    IDirect3DVertexBuffer8* bound = nullptr;
    UINT stride = 0;
    dev->GetStreamSource(0, &bound, &stride);
    EXPECT_EQ(bound, nullptr);
    // The managed buffer survived.
    BYTE* p;
    EXPECT_EQ(managed->Lock(0, 0, &p, 0), D3D_OK);
    managed->Unlock();
    managed->Release();
}

TEST_F(HeadlessDevice, TexturesLevelsAndPitches) {
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(64, 16, 0, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &tex), D3D_OK);
    EXPECT_EQ(tex->GetLevelCount(), 7u);  // 64x16 .. 1x1
    D3DSURFACE_DESC d;
    tex->GetLevelDesc(6, &d);
    EXPECT_EQ(d.Width, 1u);
    EXPECT_EQ(d.Height, 1u);
    EXPECT_EQ(tex->GetLevelDesc(7, &d), D3DERR_INVALIDCALL);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
    EXPECT_EQ(lr.Pitch, 128);
    tex->UnlockRect(0);
    tex->Release();

    ASSERT_EQ(dev->CreateTexture(16, 8, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &tex), D3D_OK);
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
    EXPECT_EQ(lr.Pitch, 32);  // four 8-byte blocks per row of blocks
    tex->UnlockRect(0);
    IDirect3DSurface8* surf = nullptr;
    ASSERT_EQ(tex->GetSurfaceLevel(0, &surf), D3D_OK);
    surf->GetDesc(&d);
    EXPECT_EQ(d.Format, D3DFMT_DXT1);
    surf->Release();
    tex->Release();

    EXPECT_EQ(dev->CreateTexture(16, 16, 1, 0, D3DFMT_P8, D3DPOOL_MANAGED, &tex), D3DERR_INVALIDCALL);
}

TEST(D3D8Formats, PixelDecoding) {
    using namespace plat::d3d;
    BYTE p[4];
    EncodePixel(D3DFMT_R5G6B5, 0xffff8000u, p);
    EXPECT_EQ(DecodePixel(D3DFMT_R5G6B5, p), 0xffff8200u);  // 6-bit green: 0x20 -> 0x82
    EncodePixel(D3DFMT_A4R4G4B4, 0x80ff0010u, p);
    EXPECT_EQ(DecodePixel(D3DFMT_A4R4G4B4, p), 0x88ff0011u);
    *(uint32_t*)p = 0x00123456u;
    EXPECT_EQ(DecodePixel(D3DFMT_X8R8G8B8, p), 0xff123456u);

    // A DXT1 block: colour 0 pure red, colour 1 pure blue, index pattern
    // 0,1,2,3 in the first row.
    ImageLevel lv;
    lv.width = lv.height = 4;
    lv.pitch = 8;
    lv.bits = {0x00, 0xf8, 0x1f, 0x00, 0xe4, 0x00, 0x00, 0x00};
    std::vector<uint32_t> out;
    DecodeLevel(D3DFMT_DXT1, lv, out);
    EXPECT_EQ(out[0], 0xffff0000u);
    EXPECT_EQ(out[1], 0xff0000ffu);
    EXPECT_EQ(out[2], 0xffaa0055u);  // two thirds red
    EXPECT_EQ(out[3], 0xff5500aau);
    EXPECT_EQ(out[4], 0xffff0000u);

    EXPECT_EQ(plat::FvfVertexSize(0x142), 24u);
    EXPECT_EQ(plat::FvfVertexSize(0x144), 28u);
    EXPECT_EQ(plat::FvfVertexSize(0x152), 36u);
    EXPECT_EQ(plat::FvfVertexSize(0x252), 44u);
    EXPECT_EQ(plat::FvfVertexSize(0x112), 32u);
    EXPECT_EQ(plat::FvfVertexSize(D3DFVF_XYZB2 | D3DFVF_NORMAL | D3DFVF_TEX1), 40u);
}

// ---------------------------------------------------------------------------
// The vertex stage against values worked out by hand.

namespace {

struct VNormal {
    float x, y, z, nx, ny, nz;
};

plat::d3d::DeviceState BaseState() {
    plat::d3d::DeviceState st;
    plat::d3d::SetDefaultStates(st, true);
    st.viewport = {0, 0, 100, 100, 0.0f, 1.0f};
    return st;
}

}  // namespace

TEST(D3D8VertexStage, DirectionalPointAndSpotLighting) {
    using namespace plat::d3d;
    DeviceState st = BaseState();
    st.rs[D3DRS_AMBIENT] = 0xff202020;
    st.material.Diffuse = {1.0f, 0.5f, 1.0f, 0.25f};
    st.material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    LightSlot sun;
    sun.light.Type = D3DLIGHT_DIRECTIONAL;
    sun.light.Diffuse = {0.6f, 0.6f, 0.6f, 0.0f};
    sun.light.Direction = {0.0f, 0.0f, 1.0f};  // shining along +z onto a face whose normal is -z
    sun.enabled = true;
    st.lights[0] = sun;
    VNormal v{0, 0, 5, 0, 0, -1};
    VertexInput in{(const BYTE*)&v, sizeof v, D3DFVF_XYZ | D3DFVF_NORMAL};
    std::vector<ProcessedVertex> out;
    ProcessVertices(st, in, 0, 1, out);
    const float amb = 0x20 / 255.0f;
    EXPECT_NEAR(out[0].diffuse[0], amb + 0.6f, 1e-5f);
    EXPECT_NEAR(out[0].diffuse[1], amb + 0.3f, 1e-5f);
    EXPECT_NEAR(out[0].diffuse[3], 0.25f, 1e-6f);  // alpha is the material's diffuse alpha

    // A point light 2 units in front with attenuation 1 + 0.5 d: 1 / 2.
    LightSlot lamp;
    lamp.light.Type = D3DLIGHT_POINT;
    lamp.light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    lamp.light.Position = {0.0f, 0.0f, 3.0f};
    lamp.light.Range = 10.0f;
    lamp.light.Attenuation0 = 1.0f;
    lamp.light.Attenuation1 = 0.5f;
    lamp.enabled = true;
    st.lights.clear();
    st.lights[1] = lamp;
    ProcessVertices(st, in, 0, 1, out);
    EXPECT_NEAR(out[0].diffuse[0], amb + 0.5f, 1e-5f);
    // Out of range: no light at all.
    st.lights[1].light.Range = 1.5f;
    ProcessVertices(st, in, 0, 1, out);
    EXPECT_NEAR(out[0].diffuse[0], amb, 1e-5f);

    // A spot aimed past the vertex: between the cones the falloff applies.
    LightSlot spot;
    spot.light.Type = D3DLIGHT_SPOT;
    spot.light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    spot.light.Position = {0.0f, 0.0f, 0.0f};
    spot.light.Range = 100.0f;
    spot.light.Attenuation0 = 1.0f;
    spot.light.Theta = 0.2f;
    spot.light.Phi = 1.0f;
    spot.light.Falloff = 2.0f;
    const float angle = 0.3f;  // between theta/2 = 0.1 and phi/2 = 0.5
    spot.light.Direction = {std::sin(angle), 0.0f, std::cos(angle)};
    spot.enabled = true;
    st.lights.clear();
    st.lights[2] = spot;
    VNormal w{0, 0, 5, 0, 0, -1};  // the light sits at the origin in front of the face
    VertexInput in2{(const BYTE*)&w, sizeof w, D3DFVF_XYZ | D3DFVF_NORMAL};
    ProcessVertices(st, in2, 0, 1, out);
    float rho = std::cos(angle);
    float base = (rho - std::cos(0.5f)) / (std::cos(0.1f) - std::cos(0.5f));
    EXPECT_NEAR(out[0].diffuse[0], amb + base * base, 1e-4f);
}

TEST(D3D8VertexStage, LinearRangeFogAndTransforms) {
    using namespace plat::d3d;
    DeviceState st = BaseState();
    st.rs[D3DRS_LIGHTING] = FALSE;
    st.rs[D3DRS_FOGENABLE] = TRUE;
    st.rs[D3DRS_FOGVERTEXMODE] = D3DFOG_LINEAR;
    st.rs[D3DRS_FOGSTART] = F2D(2.0f);
    st.rs[D3DRS_FOGEND] = F2D(12.0f);
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, 0.0f, 0.0f, 4.0f);
    st.transforms[10] = world;
    struct {
        float x, y, z;
        DWORD c;
    } v{3.0f, 0.0f, 0.0f, 0x80112233};
    VertexInput in{(const BYTE*)&v, sizeof v, D3DFVF_XYZ | D3DFVF_DIFFUSE};
    std::vector<ProcessedVertex> out;
    ProcessVertices(st, in, 0, 1, out);
    EXPECT_NEAR(out[0].fog, (12.0f - 4.0f) / 10.0f, 1e-6f);  // depth fog uses camera z
    EXPECT_NEAR(out[0].diffuse[3], 128 / 255.0f, 1e-6f);     // unlit: the vertex colour
    st.rs[D3DRS_RANGEFOGENABLE] = TRUE;
    ProcessVertices(st, in, 0, 1, out);
    EXPECT_NEAR(out[0].fog, (12.0f - 5.0f) / 10.0f, 1e-6f);  // range fog uses the distance (3-4-5)
    EXPECT_NEAR(out[0].clip[2], 4.0f, 1e-6f);                // identity projection
}

TEST(D3D8VertexStage, CameraSpaceTexgenProjected) {
    using namespace plat::d3d;
    DeviceState st = BaseState();
    st.rs[D3DRS_LIGHTING] = FALSE;
    st.tss[1][D3DTSS_TEXCOORDINDEX] = D3DTSS_TCI_CAMERASPACEPOSITION | 1;
    st.tss[1][D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_COUNT3 | D3DTTFF_PROJECTED;
    D3DMATRIX m{};
    m._11 = 0.8f;
    m._22 = 0.8f;
    m._31 = 0.5f;
    m._32 = -0.5f;
    m._33 = 1.0f;
    st.transforms[2 + 1] = m;
    struct {
        float x, y, z;
        float u, v;
    } v{2.0f, 1.0f, 4.0f, 0.0f, 0.0f};
    VertexInput in{(const BYTE*)&v, sizeof v, D3DFVF_XYZ | D3DFVF_TEX1};
    std::vector<ProcessedVertex> out;
    ProcessVertices(st, in, 0, 1, out);
    const float* t = out[0].tex[1];
    EXPECT_NEAR(t[0] / t[3], (0.8f * 2.0f + 0.5f * 4.0f) / 4.0f, 1e-6f);
    EXPECT_NEAR(t[1] / t[3], (0.8f * 1.0f - 0.5f * 4.0f) / 4.0f, 1e-6f);

    // Two-element coordinates take the third matrix row as a translation.
    st.tss[0][D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_COUNT2;
    D3DMATRIX scroll{};
    scroll._11 = scroll._22 = scroll._33 = scroll._44 = 1.0f;
    scroll._31 = 0.25f;
    st.transforms[2] = scroll;
    v.u = 0.5f;
    ProcessVertices(st, in, 0, 1, out);
    EXPECT_NEAR(out[0].tex[0][0], 0.75f, 1e-6f);
}

TEST(D3D8VertexStage, BlendsTwoWorldMatrices) {
    using namespace plat::d3d;
    DeviceState st = BaseState();
    st.rs[D3DRS_LIGHTING] = FALSE;
    st.rs[D3DRS_VERTEXBLEND] = D3DVBF_1WEIGHTS;
    D3DXMATRIX a, b;
    D3DXMatrixTranslation(&a, 10.0f, 0.0f, 0.0f);
    D3DXMatrixTranslation(&b, 0.0f, 20.0f, 0.0f);
    st.transforms[10] = a;
    st.transforms[11] = b;
    struct {
        float x, y, z, w;
    } v{1.0f, 1.0f, 1.0f, 0.25f};
    VertexInput in{(const BYTE*)&v, sizeof v, D3DFVF_XYZB1};
    std::vector<ProcessedVertex> out;
    ProcessVertices(st, in, 0, 1, out);
    EXPECT_NEAR(out[0].clip[0], 1.0f + 0.25f * 10.0f, 1e-5f);
    EXPECT_NEAR(out[0].clip[1], 1.0f + 0.75f * 20.0f, 1e-5f);
}

TEST(D3D8VertexStage, PretransformedMapsPixelsToClipSpace) {
    using namespace plat::d3d;
    DeviceState st = BaseState();
    struct {
        float x, y, z, rhw;
        DWORD c;
    } v[2] = {{0.0f, 0.0f, 0.5f, 1.0f, 0xffffffff}, {100.0f, 100.0f, 0.25f, 0.5f, 0xff000000}};
    VertexInput in{(const BYTE*)v, sizeof v[0], D3DFVF_XYZRHW | D3DFVF_DIFFUSE};
    std::vector<ProcessedVertex> out;
    ProcessVertices(st, in, 0, 2, out);
    EXPECT_FLOAT_EQ(out[0].clip[0], -1.0f);
    EXPECT_FLOAT_EQ(out[0].clip[1], 1.0f);
    EXPECT_FLOAT_EQ(out[0].clip[2], 0.5f);
    EXPECT_FLOAT_EQ(out[1].clip[3], 2.0f);
    EXPECT_FLOAT_EQ(out[1].clip[0] / out[1].clip[3], 1.0f);
    EXPECT_FLOAT_EQ(out[1].clip[1] / out[1].clip[3], -1.0f);
}

TEST(D3D8Adapter, ModeListOverrideAndCaps) {
    D3DDISPLAYMODE desktop{1280, 1024, 60, D3DFMT_X8R8G8B8};
    D3DDISPLAYMODE modes[2] = {{800, 600, 60, D3DFMT_R5G6B5}, {1024, 768, 75, D3DFMT_X8R8G8B8}};
    plat::SetAdapterModesForTest(&desktop, modes, 2);
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    EXPECT_EQ(d3d->GetAdapterModeCount(0), 2u);
    D3DDISPLAYMODE m;
    EXPECT_EQ(d3d->EnumAdapterModes(0, 1, &m), D3D_OK);
    EXPECT_EQ(m.RefreshRate, 75u);
    EXPECT_EQ(d3d->EnumAdapterModes(0, 2, &m), D3DERR_INVALIDCALL);
    d3d->GetAdapterDisplayMode(0, &m);
    EXPECT_EQ(m.Width, 1280u);
    D3DCAPS8 caps;
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    EXPECT_GE(caps.MaxVertexBlendMatrices, 3u);
    EXPECT_TRUE(caps.TextureOpCaps & D3DTEXOPCAPS_BLENDDIFFUSEALPHA);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_DXT5), D3D_OK);
    // A full-screen size outside the mode list cannot be created.
    plat::ForceHeadlessDevices(true);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = 1280;
    pp.BackBufferHeight = 960;
    pp.Windowed = FALSE;
    IDirect3DDevice8* dev = nullptr;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev),
              D3DERR_INVALIDCALL);
    pp.BackBufferWidth = 800;
    pp.BackBufferHeight = 600;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev), D3D_OK);
    dev->Release();
    plat::ForceHeadlessDevices(false);
    d3d->Release();
    plat::SetAdapterModesForTest(nullptr, nullptr, 0);
}
