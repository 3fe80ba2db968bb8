// The device's two vertex stages, the CPU reference and the GL vertex
// programs, draw the same pictures: lit, fogged, blended and texture-generated
// scenes from static, dynamic and immediate vertices are drawn by both and
// compared pixel by pixel. Also: the GL copies of the buffers, the cached GL
// state, and a device reset on both stages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/d3d8.h"
#include "platform/d3d8_internal.h"
#include "platform/d3dx8math.h"
#include "platform/window.h"
#include "platform/d3d8_test_device.h"

namespace {

DWORD F2D(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

// A wavy surface of n x n quads facing the camera, with normals that follow
// the waves, a colour per vertex and one texture coordinate pair.
struct LitVertex {
    float x, y, z, nx, ny, nz;
    DWORD colour;
    float u, v;
};
constexpr DWORD kLitFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;

void MakeSurface(int n, std::vector<LitVertex>& verts, std::vector<uint16_t>& indices) {
    verts.clear();
    indices.clear();
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
            const float x = -1.0f + 2.0f * i / n, y = -1.0f + 2.0f * j / n;
            const float z = 0.15f * std::sin(3.0f * x) * std::cos(2.0f * y);
            D3DXVECTOR3 nrm(-0.45f * std::cos(3.0f * x) * std::cos(2.0f * y), 0.3f * std::sin(3.0f * x) * std::sin(2.0f * y),
                            -1.0f);
            D3DXVec3Normalize(&nrm, &nrm);
            const DWORD c = 0xff000000u | ((DWORD)(255 * i / n) << 16) | ((DWORD)(255 * j / n) << 8) | 0x60u;
            verts.push_back({x, y, z, nrm.x, nrm.y, nrm.z, c, (float)i / n * 2.0f, (float)j / n * 2.0f});
        }
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const uint16_t a = (uint16_t)(j * (n + 1) + i), b = (uint16_t)(a + 1), c = (uint16_t)(a + n + 1),
                           d = (uint16_t)(c + 1);
            // Clockwise as seen from the camera: front faces for Direct3D.
            indices.insert(indices.end(), {a, c, b, b, c, d});
        }
}

class VertexStages : public ::testing::Test {
protected:
    static constexpr UINT W = 96, H = 72;

    void SetUp() override {
        const std::string why = device.Open(W, H);
        if (!why.empty()) GTEST_SKIP() << why;
        dev = device.dev;
        pp = device.pp;
        plat::SetCpuVertexStage(dev, false);
        if (plat::UsesCpuVertexStage(dev)) GTEST_SKIP() << "no GL vertex programs";
        SetCamera();
    }
    void TearDown() override {
        for (IDirect3DTexture8* t : textures) t->Release();
        device.Close();
    }

    void SetCamera() {
        D3DXMATRIX view, proj, world;
        D3DXVECTOR3 eye(0.3f, 0.4f, -3.0f), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 3, (float)W / H, 0.5f, 50.0f);
        D3DXMatrixIdentity(&world);
        dev->SetTransform(D3DTS_VIEW, &view);
        dev->SetTransform(D3DTS_PROJECTION, &proj);
        dev->SetTransform(D3DTS_WORLD, &world);
    }

    // A texture of 32 x 32 texels in a checker of two colours, with mips.
    IDirect3DTexture8* Checker(DWORD a, DWORD b) {
        IDirect3DTexture8* tex = nullptr;
        EXPECT_EQ(dev->CreateTexture(32, 32, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
        for (UINT l = 0; l < tex->GetLevelCount(); ++l) {
            D3DSURFACE_DESC desc;
            tex->GetLevelDesc(l, &desc);
            D3DLOCKED_RECT lr;
            tex->LockRect(l, &lr, nullptr, 0);
            for (UINT y = 0; y < desc.Height; ++y)
                for (UINT x = 0; x < desc.Width; ++x)
                    ((DWORD*)((BYTE*)lr.pBits + y * lr.Pitch))[x] = ((x / 4 + y / 4) & 1) ? a : b;
            tex->UnlockRect(l);
        }
        textures.push_back(tex);
        return tex;
    }

    // Draws the scene with one stage and reads the back buffer.
    std::vector<uint32_t> Draw(bool cpu, const std::function<void()>& scene, plat::DeviceTimings* timings) {
        plat::SetCpuVertexStage(dev, cpu);
        plat::SetDeviceTiming(dev, true);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff102030, 1.0f, 0);
        dev->BeginScene();
        scene();
        dev->EndScene();
        *timings = plat::ReadDeviceTimings(dev);
        plat::SetDeviceTiming(dev, false);
        std::vector<uint32_t> px;
        IDirect3DSurface8* s = nullptr;
        EXPECT_EQ(dev->CreateImageSurface(W, H, D3DFMT_A8R8G8B8, &s), D3D_OK);
        EXPECT_EQ(dev->GetFrontBuffer(s), D3D_OK);
        D3DLOCKED_RECT lr;
        s->LockRect(&lr, nullptr, D3DLOCK_READONLY);
        for (UINT y = 0; y < H; ++y)
            for (UINT x = 0; x < W; ++x) px.push_back(((const uint32_t*)((const BYTE*)lr.pBits + y * lr.Pitch))[x] & 0xffffff);
        s->UnlockRect();
        s->Release();
        return px;
    }

    // Both stages draw the scene; the pictures agree within a small
    // tolerance, and the programs did the GL stage's vertices unless
    // expected otherwise.
    void ExpectSamePicture(const std::function<void()>& scene, bool programsDraw = true) {
        plat::DeviceTimings cpuTimes, gpuTimes;
        const std::vector<uint32_t> ref = Draw(true, scene, &cpuTimes);
        const std::vector<uint32_t> got = Draw(false, scene, &gpuTimes);
        EXPECT_GT(cpuTimes.cpuVertices, 0u);
        if (programsDraw)
            EXPECT_EQ(gpuTimes.cpuVertices, 0u) << "the GL stage handed vertices to the CPU stage";
        else
            EXPECT_GT(gpuTimes.cpuVertices, 0u) << "expected the CPU stage to stand in";
        ASSERT_EQ(ref.size(), got.size());
        size_t drawn = 0, off = 0;
        int worst = 0;
        for (size_t i = 0; i < ref.size(); ++i) {
            if (ref[i] != 0x102030u) ++drawn;
            int d = 0;
            for (int sh = 0; sh < 24; sh += 8)
                d = std::max(d, std::abs((int)((ref[i] >> sh) & 0xff) - (int)((got[i] >> sh) & 0xff)));
            worst = std::max(worst, d);
            if (d > 3) ++off;
        }
        EXPECT_GT(drawn, ref.size() / 10) << "the scene drew almost nothing";
        // Rounding may move an edge pixel; colours agree within 3 of 255.
        EXPECT_LE(off, ref.size() / 400) << off << " pixels differ by more than 3 (largest " << worst << ")";
    }

    GlTestDevice device;
    IDirect3DDevice8* dev = nullptr;
    D3DPRESENT_PARAMETERS pp{};
    std::vector<IDirect3DTexture8*> textures;
};

// A static vertex and index buffer holding the surface.
struct SurfaceBuffers {
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    UINT vertices = 0, indices = 0;
    ~SurfaceBuffers() {
        if (vb) vb->Release();
        if (ib) ib->Release();
    }
};

void FillSurfaceBuffers(IDirect3DDevice8* dev, int n, SurfaceBuffers* out) {
    std::vector<LitVertex> v;
    std::vector<uint16_t> idx;
    MakeSurface(n, v, idx);
    // Two spare vertices in front, reached through the base vertex index.
    ASSERT_EQ(dev->CreateVertexBuffer((UINT)((v.size() + 2) * sizeof(LitVertex)), D3DUSAGE_WRITEONLY, kLitFvf,
                                      D3DPOOL_MANAGED, &out->vb),
              D3D_OK);
    ASSERT_EQ(dev->CreateIndexBuffer((UINT)(idx.size() * 2), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                     &out->ib),
              D3D_OK);
    BYTE* p = nullptr;
    ASSERT_EQ(out->vb->Lock(0, 0, &p, 0), D3D_OK);
    std::memset(p, 0, 2 * sizeof(LitVertex));
    std::memcpy(p + 2 * sizeof(LitVertex), v.data(), v.size() * sizeof(LitVertex));
    out->vb->Unlock();
    ASSERT_EQ(out->ib->Lock(0, 0, &p, 0), D3D_OK);
    std::memcpy(p, idx.data(), idx.size() * 2);
    out->ib->Unlock();
    out->vertices = (UINT)v.size();
    out->indices = (UINT)idx.size();
}

void DrawSurface(IDirect3DDevice8* dev, const SurfaceBuffers& b) {
    dev->SetVertexShader(kLitFvf);
    dev->SetStreamSource(0, b.vb, sizeof(LitVertex));
    dev->SetIndices(b.ib, 2);
    ASSERT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, b.vertices, 0, b.indices / 3), D3D_OK);
}

D3DLIGHT8 Light(D3DLIGHTTYPE type, D3DCOLORVALUE diffuse) {
    D3DLIGHT8 l{};
    l.Type = type;
    l.Diffuse = diffuse;
    l.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
    l.Ambient = {0.05f, 0.05f, 0.1f, 1.0f};
    l.Range = 4.0f;
    l.Attenuation0 = 0.4f;
    l.Attenuation1 = 0.3f;
    l.Attenuation2 = 0.1f;
    l.Falloff = 2.0f;
    l.Theta = 0.3f;
    l.Phi = 0.9f;
    return l;
}

}  // namespace

TEST_F(VertexStages, LightingAgreesForEveryLightTypeAndColourSource) {
    SurfaceBuffers b;
    FillSurfaceBuffers(dev, 24, &b);
    D3DMATERIAL8 mat{};
    mat.Diffuse = {0.9f, 0.8f, 0.7f, 1.0f};
    mat.Ambient = {0.6f, 0.6f, 0.6f, 1.0f};
    mat.Specular = {0.5f, 0.5f, 0.4f, 1.0f};
    mat.Emissive = {0.05f, 0.0f, 0.08f, 0.0f};
    mat.Power = 12.0f;
    dev->SetMaterial(&mat);
    D3DLIGHT8 sun = Light(D3DLIGHT_DIRECTIONAL, {0.6f, 0.55f, 0.5f, 1.0f});
    sun.Direction = {0.3f, -0.4f, 1.0f};
    D3DLIGHT8 lamp = Light(D3DLIGHT_POINT, {0.2f, 0.9f, 0.3f, 1.0f});
    lamp.Position = {-0.5f, 0.4f, -0.8f};
    D3DLIGHT8 spot = Light(D3DLIGHT_SPOT, {1.0f, 0.3f, 0.2f, 1.0f});
    spot.Position = {0.6f, -0.3f, -1.5f};
    spot.Direction = {-0.2f, 0.1f, 1.0f};
    dev->SetLight(0, &sun);
    dev->SetLight(3, &lamp);
    dev->SetLight(7, &spot);
    for (DWORD i : {0u, 3u, 7u}) dev->LightEnable(i, TRUE);
    dev->SetRenderState(D3DRS_LIGHTING, TRUE);
    dev->SetRenderState(D3DRS_AMBIENT, 0xff303030);
    dev->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);

    // Material colours, then the vertex colour as diffuse and ambient source
    // with a local viewer and normalised normals.
    ExpectSamePicture([&] { DrawSurface(dev, b); });
    dev->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1);
    dev->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_COLOR1);
    dev->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    dev->SetRenderState(D3DRS_LOCALVIEWER, FALSE);
    ExpectSamePicture([&] { DrawSurface(dev, b); });
    // A spot light's cone edge with a falloff of 1, and the light range
    // cutting the lamp off at the far corner.
    spot.Falloff = 1.0f;
    lamp.Range = 1.2f;
    dev->SetLight(7, &spot);
    dev->SetLight(3, &lamp);
    ExpectSamePicture([&] { DrawSurface(dev, b); });

    // More lights than a program takes: the CPU stage stands in, the same
    // picture results.
    for (DWORD i = 10; i < 30; ++i) {
        D3DLIGHT8 l = Light(D3DLIGHT_POINT, {0.03f, 0.02f, 0.04f, 1.0f});
        l.Position = {-1.0f + 0.1f * (float)(i - 10), 0.5f, -0.5f};
        dev->SetLight(i, &l);
        dev->LightEnable(i, TRUE);
    }
    ExpectSamePicture([&] { DrawSurface(dev, b); }, false);
}

TEST_F(VertexStages, VertexFogAgreesInEveryMode) {
    SurfaceBuffers b;
    FillSurfaceBuffers(dev, 16, &b);
    D3DXMATRIX world;
    D3DXMatrixRotationX(&world, 1.1f);  // tilted away: the depth runs across the picture
    dev->SetTransform(D3DTS_WORLD, &world);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetTexture(0, Checker(0xffffffff, 0xff8080c0));
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    dev->SetRenderState(D3DRS_FOGENABLE, TRUE);
    dev->SetRenderState(D3DRS_FOGCOLOR, 0xffc0d0e0);
    dev->SetRenderState(D3DRS_FOGSTART, F2D(2.4f));
    dev->SetRenderState(D3DRS_FOGEND, F2D(3.6f));
    dev->SetRenderState(D3DRS_FOGDENSITY, F2D(0.35f));
    for (DWORD mode : {(DWORD)D3DFOG_LINEAR, (DWORD)D3DFOG_EXP, (DWORD)D3DFOG_EXP2}) {
        dev->SetRenderState(D3DRS_FOGVERTEXMODE, mode);
        for (DWORD range : {FALSE, TRUE}) {
            dev->SetRenderState(D3DRS_RANGEFOGENABLE, range);
            ExpectSamePicture([&] { DrawSurface(dev, b); });
        }
    }
    // Table fog is computed per vertex too.
    dev->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_NONE);
    dev->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
    ExpectSamePicture([&] { DrawSurface(dev, b); });
}

TEST_F(VertexStages, VertexBlendingAgreesForEveryWeightCount) {
    // Vertices with three weights: each weight bends the surface with its
    // own world matrix.
    struct BlendVertex {
        float x, y, z, w[3];
        DWORD colour;
    };
    std::vector<LitVertex> v;
    std::vector<uint16_t> idx;
    MakeSurface(12, v, idx);
    std::vector<BlendVertex> bv;
    for (const LitVertex& s : v) {
        const float a = 0.5f + 0.5f * s.x, c = 0.5f + 0.5f * s.y;
        bv.push_back({s.x, s.y, s.z, {0.6f * a, 0.3f * c, 0.1f * (1.0f - a)}, s.colour});
    }
    for (int i = 0; i < 4; ++i) {
        D3DXMATRIX m, r;
        D3DXMatrixRotationZ(&r, 0.2f * (float)i);
        D3DXMatrixTranslation(&m, 0.15f * (float)i, -0.1f * (float)i, 0.2f * (float)i);
        D3DXMatrixMultiply(&m, &r, &m);
        dev->SetTransform(D3DTS_WORLDMATRIX(i), &m);
    }
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    dev->SetVertexShader(D3DFVF_XYZB3 | D3DFVF_DIFFUSE);
    for (DWORD weights : {(DWORD)D3DVBF_1WEIGHTS, (DWORD)D3DVBF_2WEIGHTS, (DWORD)D3DVBF_3WEIGHTS}) {
        dev->SetRenderState(D3DRS_VERTEXBLEND, weights);
        ExpectSamePicture([&] {
            ASSERT_EQ(dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, (UINT)bv.size(), (UINT)idx.size() / 3,
                                                  idx.data(), D3DFMT_INDEX16, bv.data(), sizeof(BlendVertex)),
                      D3D_OK);
        });
    }
}

TEST_F(VertexStages, TextureCoordinateGenerationAndTransformsAgree) {
    SurfaceBuffers b;
    FillSurfaceBuffers(dev, 16, &b);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetTexture(0, Checker(0xffff8040, 0xff204080));
    dev->SetTexture(1, Checker(0xffffffff, 0xff606060));
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    dev->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    for (int s = 0; s < 2; ++s) {
        dev->SetTextureStageState(s, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        dev->SetTextureStageState(s, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    }
    D3DXMATRIX t;
    D3DXMatrixScaling(&t, 0.7f, 0.9f, 1.0f);
    t._31 = 0.25f;  // a 2-D transform's translation sits in the third row
    t._32 = -0.1f;
    dev->SetTransform(D3DTS_TEXTURE0, &t);
    // Stage 0: the vertex's coordinates through a two-component transform;
    // stage 1: projected camera-space positions, as the water draws them.
    dev->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    D3DXMATRIX proj;
    D3DXMatrixIdentity(&proj);
    proj._11 = 0.8f;
    proj._22 = -0.8f;
    proj._31 = 0.5f;
    proj._32 = 0.5f;
    dev->SetTransform(D3DTS_TEXTURE1, &proj);
    dev->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEPOSITION | 1);
    dev->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT3 | D3DTTFF_PROJECTED);
    ExpectSamePicture([&] { DrawSurface(dev, b); });
    // Camera-space normals and reflection vectors, without transforms.
    dev->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    dev->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACENORMAL);
    ExpectSamePicture([&] { DrawSurface(dev, b); });
    dev->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR);
    ExpectSamePicture([&] { DrawSurface(dev, b); });
    dev->SetTexture(0, nullptr);
    dev->SetTexture(1, nullptr);
}

TEST_F(VertexStages, DynamicBuffersStreamEveryRangeTheyDraw) {
    // A dynamic buffer refilled with a discarding lock between draws, each
    // draw reading a different range, then appended to without discarding.
    struct TlVertex {
        float x, y, z, rhw;
        DWORD colour;
    };
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(dev->CreateVertexBuffer(64 * sizeof(TlVertex), D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC,
                                      D3DFVF_XYZRHW | D3DFVF_DIFFUSE, D3DPOOL_DEFAULT, &vb),
              D3D_OK);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetRenderState(D3DRS_ZENABLE, FALSE);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    auto quad = [](TlVertex* p, float x1, float y1, float x2, float y2, DWORD c) {
        const TlVertex q[6] = {{x1, y1, 0.5f, 1, c}, {x2, y1, 0.5f, 1, c}, {x1, y2, 0.5f, 1, c},
                               {x1, y2, 0.5f, 1, c}, {x2, y1, 0.5f, 1, c}, {x2, y2, 0.5f, 1, c}};
        std::memcpy(p, q, sizeof q);
    };
    ExpectSamePicture([&] {
        dev->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
        dev->SetStreamSource(0, vb, sizeof(TlVertex));
        for (int round = 0; round < 3; ++round) {
            BYTE* p = nullptr;
            ASSERT_EQ(vb->Lock(0, 0, &p, D3DLOCK_DISCARD), D3D_OK);
            for (int k = 0; k < 4; ++k)
                quad((TlVertex*)p + 6 * k, 4.0f + 22.0f * k, 4.0f + 20.0f * round, 20.0f + 22.0f * k,
                     18.0f + 20.0f * round, 0xff000000u | (0x40u << (8 * ((k + round) % 3))) | (0x30u * k));
            vb->Unlock();
            // The later quads first, then the first one.
            ASSERT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 6, 6), D3D_OK);
            ASSERT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
        }
        BYTE* p = nullptr;
        ASSERT_EQ(vb->Lock(24 * sizeof(TlVertex), 6 * sizeof(TlVertex), &p, D3DLOCK_NOOVERWRITE), D3D_OK);
        quad((TlVertex*)p, 2.0f, 64.0f, 94.0f, 70.0f, 0xffffffff);
        vb->Unlock();
        ASSERT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 24, 2), D3D_OK);
    });
    dev->SetStreamSource(0, nullptr, 0);
    vb->Release();
}

TEST_F(VertexStages, ImmediateDrawsAfterBufferUploadsReadTheirOwnVertices) {
    // Uploading a static buffer binds it in GL; an immediate draw on either
    // stage must still read the caller's memory.
    struct TlVertex {
        float x, y, z, rhw;
        DWORD colour;
    };
    const TlVertex quad[4] = {{10, 10, 0.5f, 1, 0xffff0000}, {50, 10, 0.5f, 1, 0xffff0000},
                              {10, 40, 0.5f, 1, 0xffff0000}, {50, 40, 0.5f, 1, 0xffff0000}};
    const uint16_t order[6] = {0, 1, 2, 2, 1, 3};
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    for (bool cpu : {true, false}) {
        plat::SetCpuVertexStage(dev, cpu);
        SurfaceBuffers b;
        FillSurfaceBuffers(dev, 4, &b);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
        dev->BeginScene();
        dev->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
        ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(TlVertex)), D3D_OK);
        const TlVertex moved[4] = {{60, 10, 0.5f, 1, 0xff00ff00}, {90, 10, 0.5f, 1, 0xff00ff00},
                                   {60, 40, 0.5f, 1, 0xff00ff00}, {90, 40, 0.5f, 1, 0xff00ff00}};
        ASSERT_EQ(dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, order, D3DFMT_INDEX16, moved,
                                              sizeof(TlVertex)),
                  D3D_OK);
        dev->EndScene();
        EXPECT_EQ(plat::ReadBackBufferPixel(dev, 30, 25) & 0xffffff, 0xff0000u) << (cpu ? "CPU stage" : "GL stage");
        EXPECT_EQ(plat::ReadBackBufferPixel(dev, 75, 25) & 0xffffff, 0x00ff00u) << (cpu ? "CPU stage" : "GL stage");
    }
}

TEST_F(VertexStages, CachedStateFollowsTexturesAndStatesThatChange) {
    struct TlVertex {
        float x, y, z, rhw;
        DWORD colour;
        float u, v;
    };
    auto draw = [&](float x1, float x2, float z) {
        const TlVertex q[4] = {{x1, 8, z, 1, 0xffffffff, 0, 0},
                               {x2, 8, z, 1, 0xffffffff, 1, 0},
                               {x1, 30, z, 1, 0xffffffff, 0, 1},
                               {x2, 30, z, 1, 0xffffffff, 1, 1}};
        dev->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(TlVertex)), D3D_OK);
    };
    for (bool cpu : {true, false}) {
        plat::SetCpuVertexStage(dev, cpu);
        const char* stage = cpu ? "CPU stage" : "GL stage";
        IDirect3DTexture8* red = Checker(0xffff0000, 0xffff0000);
        IDirect3DTexture8* blue = Checker(0xff0000ff, 0xff0000ff);
        dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
        dev->BeginScene();
        dev->SetTexture(0, red);
        draw(0, 20, 0.5f);
        dev->SetTexture(0, blue);
        draw(20, 40, 0.5f);
        dev->SetTexture(0, red);
        draw(40, 60, 0.5f);
        // A released texture's GL name may be given to the next one: the
        // new texture shows, not what the cache remembered.
        dev->SetTexture(0, nullptr);
        textures.pop_back();
        blue->Release();
        IDirect3DTexture8* green = Checker(0xff00ff00, 0xff00ff00);
        dev->SetTexture(0, green);
        draw(60, 80, 0.5f);
        // Depth writes off, then a clear: the clear still resets the depth.
        dev->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        dev->EndScene();
        EXPECT_EQ(plat::ReadBackBufferPixel(dev, 10, 20) & 0xffffff, 0xff0000u) << stage;
        EXPECT_EQ(plat::ReadBackBufferPixel(dev, 30, 20) & 0xffffff, 0x0000ffu) << stage;
        EXPECT_EQ(plat::ReadBackBufferPixel(dev, 50, 20) & 0xffffff, 0xff0000u) << stage;
        EXPECT_EQ(plat::ReadBackBufferPixel(dev, 70, 20) & 0xffffff, 0x00ff00u) << stage;
        dev->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
        dev->BeginScene();
        draw(0, 40, 0.6f);  // writes depth 0.6
        dev->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        dev->EndScene();
        dev->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        dev->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        dev->BeginScene();
        dev->SetTexture(0, red);
        draw(0, 40, 0.9f);  // behind the first quad, but the depth was cleared
        dev->EndScene();
        EXPECT_EQ(plat::ReadBackBufferPixel(dev, 10, 20) & 0xffffff, 0xff0000u) << stage;
        dev->SetTexture(0, nullptr);
    }
}

TEST_F(VertexStages, ResetKeepsManagedBuffersAndRecreatesTheOthersOnBothStages) {
    struct TlVertex {
        float x, y, z, rhw;
        DWORD colour;
    };
    auto fill = [](IDirect3DVertexBuffer8* vb, float x1, DWORD c) {
        BYTE* p = nullptr;
        ASSERT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
        const TlVertex q[4] = {{x1, 10, 0.5f, 1, c}, {x1 + 30, 10, 0.5f, 1, c}, {x1, 40, 0.5f, 1, c},
                               {x1 + 30, 40, 0.5f, 1, c}};
        std::memcpy(p, q, sizeof q);
        vb->Unlock();
    };
    const DWORD fvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;
    for (bool cpu : {true, false}) {
        plat::SetCpuVertexStage(dev, cpu);
        const char* stage = cpu ? "CPU stage" : "GL stage";
        IDirect3DVertexBuffer8 *managed = nullptr, *dynamic = nullptr;
        ASSERT_EQ(dev->CreateVertexBuffer(4 * sizeof(TlVertex), D3DUSAGE_WRITEONLY, fvf, D3DPOOL_MANAGED, &managed),
                  D3D_OK);
        ASSERT_EQ(dev->CreateVertexBuffer(4 * sizeof(TlVertex), D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, fvf,
                                          D3DPOOL_DEFAULT, &dynamic),
                  D3D_OK);
        fill(managed, 10, 0xffffff00);
        fill(dynamic, 50, 0xff00ffff);
        auto drawBoth = [&] {
            dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
            dev->SetRenderState(D3DRS_LIGHTING, FALSE);
            dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
            dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
            dev->SetVertexShader(fvf);
            dev->BeginScene();
            dev->SetStreamSource(0, managed, sizeof(TlVertex));
            EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
            dev->SetStreamSource(0, dynamic, sizeof(TlVertex));
            EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
            dev->EndScene();
            dev->SetStreamSource(0, nullptr, 0);
        };
        drawBoth();
        EXPECT_EQ(plat::ReadBackBufferPixel(dev, 20, 20) & 0xffffff, 0xffff00u) << stage;
        EXPECT_EQ(plat::ReadBackBufferPixel(dev, 60, 20) & 0xffffff, 0x00ffffu) << stage;
        plat::SimulateDeviceLost(dev);
        EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
        EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
        dynamic->Release();
        ASSERT_EQ(dev->Reset(&pp), D3D_OK) << stage;
        ASSERT_EQ(dev->CreateVertexBuffer(4 * sizeof(TlVertex), D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, fvf,
                                          D3DPOOL_DEFAULT, &dynamic),
                  D3D_OK);
        fill(dynamic, 50, 0xffff00ff);
        drawBoth();
        EXPECT_EQ(plat::ReadBackBufferPixel(dev, 20, 20) & 0xffffff, 0xffff00u) << stage << ", managed buffer";
        EXPECT_EQ(plat::ReadBackBufferPixel(dev, 60, 20) & 0xffffff, 0xff00ffu) << stage << ", new buffer";
        managed->Release();
        dynamic->Release();
    }
}

// The GL copy of a buffer follows its locks without a display.
TEST(GlBufferCopy, StaticLocksUploadTheLockedBytesDynamicOnesStream) {
    plat::d3d::GlBufferCopy s;
    s.Locked(64, 32, 1024, 0);
    s.Locked(16, 8, 1024, 0);
    EXPECT_TRUE(s.Unlocked()) << "a static buffer uploads when unlocked";
    EXPECT_EQ(s.dirtyLo, 16u);
    EXPECT_EQ(s.dirtyHi, 96u);
    EXPECT_FALSE(s.orphan);

    plat::d3d::GlBufferCopy r;
    r.Locked(0, 0, 1024, D3DLOCK_READONLY);
    EXPECT_FALSE(r.Unlocked()) << "reading changes nothing";

    plat::d3d::GlBufferCopy d;
    d.dynamic = true;
    d.Locked(128, 64, 1024, D3DLOCK_NOOVERWRITE);
    EXPECT_FALSE(d.Unlocked()) << "a dynamic buffer waits for the draws";
    EXPECT_EQ(d.dirtyLo, 128u);
    EXPECT_EQ(d.dirtyHi, 192u);
    d.Locked(0, 64, 1024, D3DLOCK_DISCARD);
    EXPECT_FALSE(d.Unlocked());
    EXPECT_TRUE(d.orphan) << "discarding starts a fresh store";
    EXPECT_EQ(d.dirtyLo, 0u);
    EXPECT_EQ(d.dirtyHi, 1024u) << "the whole fresh store comes from the CPU copy";
}
