// Scenery drawing on a headless device: the merged plant geometry, the
// light cap, and the render states every scenery draw leaves behind.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "app/gamestate.h"
#include "app/myglobs.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "platform/d3d8.h"
#include "platform/d3dx8.h"
#include "rail/layoutstate.h"
#include "world/lightlist.h"
#include "world/smoke.h"
#include "world/terrain.h"
#include "world/terrobj.h"
#include "world/xobject.h"

namespace {

class SceneryDevice : public ::testing::Test {
protected:
    void SetUp() override {
        plat::ForceHeadlessDevices(true);
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        D3DPRESENT_PARAMETERS pp = {};
        pp.Windowed = TRUE;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferWidth = 640;
        pp.BackBufferHeight = 480;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
                  D3D_OK);
        display.device = device;
        display.ResetForTest();
        display.RestoreRenderStates();
        myGlobs.sceneVisible = 1;
        gameState = EDITOR_RUN_STATE;
    }

    void TearDown() override {
        for (int xid : xids) myGlobs.xObjects[xid].mesh = nullptr;
        for (ID3DXMesh* m : meshes) m->Release();
        // Frees every buffer left in the registry and the device.
        display.CleanUp();
        device = nullptr;
        if (d3d) d3d->Release();
    }

    // A loaded plant type whose mesh is a strip of `vertices` points and
    // `faces` triangles.
    void AddType(int xid, int objId, int type, int vertices, int faces) {
        ID3DXMesh* mesh = nullptr;
        ASSERT_EQ(D3DXCreateMeshFVF(faces, vertices, D3DXMESH_SYSTEMMEM, XVERTEX_FVF, device, &mesh), D3D_OK);
        BYTE* vb = nullptr;
        ASSERT_EQ(mesh->LockVertexBuffer(0, &vb), D3D_OK);
        XVERTEX* v = reinterpret_cast<XVERTEX*>(vb);
        for (int i = 0; i < vertices; i++) v[i] = {(float)(i % 2), (float)(i / 2), -0.5f, 0, 0, -1, 0.25f, 0.75f};
        mesh->UnlockVertexBuffer();
        BYTE* ib = nullptr;
        ASSERT_EQ(mesh->LockIndexBuffer(0, &ib), D3D_OK);
        WORD* ix = reinterpret_cast<WORD*>(ib);
        for (int f = 0; f < faces; f++) {
            ix[f * 3] = (WORD)(f % vertices);
            ix[f * 3 + 1] = (WORD)((f + 1) % vertices);
            ix[f * 3 + 2] = (WORD)((f + 2) % vertices);
        }
        mesh->UnlockIndexBuffer();
        meshes.push_back(mesh);
        xids.push_back(xid);
        XOBJECT& x = myGlobs.xObjects[xid];
        x.objId = objId;
        x.type = type;
        x.notPlant = type != PLANT_TYPE;
        x.mesh = mesh;
        x.sphereRadius = 1.0f;
        if (myGlobs.xObjectCount <= xid) myGlobs.xObjectCount = xid + 1;
        SetXID(objId, xid);
    }

    void ExpectDefaultStates(const char* what) {
        const D3DRENDERSTATETYPE states[] = {D3DRS_LIGHTING,     D3DRS_ALPHABLENDENABLE, D3DRS_ALPHATESTENABLE,
                                             D3DRS_SRCBLEND,     D3DRS_DESTBLEND,        D3DRS_ZWRITEENABLE,
                                             D3DRS_ZENABLE,      D3DRS_SPECULARENABLE,   D3DRS_CULLMODE,
                                             D3DRS_FOGENABLE,    D3DRS_ZBIAS,            D3DRS_ALPHAREF,
                                             D3DRS_ALPHAFUNC};
        for (D3DRENDERSTATETYPE s : states) {
            DWORD v = 0;
            device->GetRenderState(s, &v);
            EXPECT_EQ(v, display.GetDefaultRenderState(s)) << what << ": render state " << (int)s;
        }
        const D3DTEXTURESTAGESTATETYPE stageStates[] = {D3DTSS_COLOROP, D3DTSS_ALPHAOP, D3DTSS_COLORARG1,
                                                        D3DTSS_ALPHAARG1};
        for (D3DTEXTURESTAGESTATETYPE t : stageStates) {
            DWORD v = 0;
            device->GetTextureStageState(0, t, &v);
            EXPECT_EQ(v, display.GetDefaultTextureStageState(0, t)) << what << ": stage state " << (int)t;
        }
    }

    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    std::vector<ID3DXMesh*> meshes;
    std::vector<int> xids;
};

}  // namespace

TEST_F(SceneryDevice, PlantBatchesMergeTransformAndSkipOversizedPlants) {
    AddType(0, 2100, PLANT_TYPE, 4, 2);
    AddType(1, 2101, PLANT_TYPE, 30000, 3);  // too large even for an empty buffer
    AddType(2, 3001, HOUSE_TYPE, 4, 2);
    TERROBJ_LIST list;
    list.InitBatchBuffers();
    TERROBJ* big = list.AddNew(PLANT_TYPE, 2101, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    TERROBJ* house = list.AddNew(HOUSE_TYPE, 3001, 5.0f, 5.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    TERROBJ* chosen = list.AddNew(PLANT_TYPE, 2100, 9.0f, 9.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    TERROBJ* plant = list.AddNew(PLANT_TYPE, 2100, 10.0f, 20.0f, -1.0f, 90.0f, 0.0f, 0.0f);
    chosen->selected = 1;
    plant->scale = 2.0f;
    list.BuildBatches();
    EXPECT_EQ(plant->inBatch, 1);
    EXPECT_EQ(big->inBatch, 0);
    EXPECT_EQ(house->inBatch, 0);
    EXPECT_EQ(chosen->inBatch, 0);
    ASSERT_EQ(list.GetBufferCount(), 1);
    EXPECT_EQ(list.GetBufferVertexCount(0), 4);
    EXPECT_EQ(list.GetBufferFaceCount(0), 2);
    // Vertex 3 of the mesh is (1, 1, -0.5): scaled by 2, turned by 90
    // degrees, moved to the plant.
    const XVERTEX* v = list.GetBufferVertices(0);
    EXPECT_NEAR(v[3].x, 10.0f - 2.0f, 1e-4f);
    EXPECT_NEAR(v[3].y, 20.0f + 2.0f, 1e-4f);
    EXPECT_NEAR(v[3].z, -2.0f, 1e-4f);
    EXPECT_FLOAT_EQ(v[3].u, 0.25f);
    EXPECT_NEAR(list.GetBatchFillPercent(), 100.0f * 4 * 32 / 960000.0f, 1e-4f);

    // Drawing draws the batch once and every other object by itself, and
    // leaves the display's states in place.
    unsigned before = plat::DeviceDrawCallCount(device);
    list.Render(1);
    EXPECT_GT(plat::DeviceDrawCallCount(device), before);
    ExpectDefaultStates("placed objects pass 1");
    list.Render(2);
    ExpectDefaultStates("placed objects pass 2");
    list.DrawSelectionMarks();
    ExpectDefaultStates("selection marks");
}

TEST_F(SceneryDevice, PlantBatchesStartNewBuffersAndIgnoreLitPlants) {
    AddType(0, 2100, PLANT_TYPE, 10000, 1);
    TERROBJ_LIST list;
    list.InitBatchBuffers();
    for (int i = 0; i < 3; i++) list.AddNew(PLANT_TYPE, 2100, (float)i, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    list.BuildBatches();
    EXPECT_EQ(list.GetBufferCount(), 2);
    EXPECT_EQ(list.GetBufferVertexCount(0), 20000);
    EXPECT_EQ(list.GetBufferVertexCount(1), 10000);
    // The indices of the second plant in a buffer follow the first's vertices.
    EXPECT_EQ(list.GetBufferIndices(0)[3], 10000);
    EXPECT_NEAR(list.GetBatchFillPercent(), 100.0f, 1e-3f);

    // At night a plant near a lamp is drawn by itself with the lamp lights.
    lightList.InitLightGridSize(28.0f, 28.0f);
    lightList.AddLight(0.0f, 0.0f, 0.0f, 0.0f, 1, 0, -0.45f, 1);
    lightList.SetNightAndLamps(1, 1);
    list.BuildBatches();
    int unbatched = 0;
    for (TERROBJ* o = list.GetFirst(); o; o = o->next) unbatched += o->inBatch ? 0 : 1;
    EXPECT_EQ(unbatched, 3);  // all three stand within 0.7 x 7 of the lamp
    lightList.SetNightAndLamps(0, 0);
    lightList.RemoveAllLights();

    // Without device buffers nothing is merged.
    TERROBJ_LIST none;
    none.AddNew(PLANT_TYPE, 2100, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    none.BuildBatches();
    EXPECT_EQ(none.GetFirst()->inBatch, 0);
    EXPECT_EQ(none.GetBufferCount(), 0);
}

TEST_F(SceneryDevice, AtMostEightLampsWithHardwareLighting) {
    ASSERT_TRUE(display.GetHardwareTnL());
    lightList.InitLightGridSize(70.0f, 70.0f);
    std::vector<LAMP_LIGHT*> lamps;
    for (int i = 0; i < 12; i++) lamps.push_back(lightList.AddLight(0.1f * i, 0.0f, 0.0f, 0.0f, 1, 0, -0.45f, 1));
    lightList.SetNightAndLamps(1, 1);
    lightList.SwitchOnNearLights(0.5f, 0.0f);
    EXPECT_EQ(lightList.GetEnabledLightCount(), 8);
    int enabled = 0;
    for (LAMP_LIGHT* l : lamps) {
        BOOL on = FALSE;
        device->GetLightEnable(l->index, &on);
        enabled += on ? 1 : 0;
    }
    EXPECT_EQ(enabled, 8);
    lightList.SwitchOffNearLights();
    enabled = 0;
    for (LAMP_LIGHT* l : lamps) {
        BOOL on = TRUE;
        device->GetLightEnable(l->index, &on);
        enabled += on ? 1 : 0;
    }
    EXPECT_EQ(enabled, 0);
    // The sun is off at night.
    BOOL sunOn = TRUE;
    device->GetLightEnable(0, &sunOn);
    EXPECT_FALSE(sunOn);
    lightList.SetNightAndLamps(0, 0);
    device->GetLightEnable(0, &sunOn);
    EXPECT_TRUE(sunOn);
    lightList.RemoveAllLights();
}

TEST_F(SceneryDevice, LightSpritesHalosAndSmokeLeaveDefaultStates) {
    ASSERT_EQ(terrain.CreateTerrain(1, 1), 1);
    lightList.InitLightSpriteBuffer();
    lightList.InitLightGrid();
    layoutState.SetSelectPlants(1);
    lightList.StartBuildShadowSprites();
    lightList.AddShadowSprite(0.0f, 0.0f);
    lightList.AddShadowSprite(6.9f, 6.9f);  // at the corner: triangles off the grid are left out
    lightList.EndBuildShadowSprites();
    EXPECT_EQ(lightList.GetShadowSpriteCount(), 2);
    EXPECT_EQ(lightList.GetShadowTriangleCount(), 8 + 2);
    unsigned before = plat::DeviceDrawCallCount(device);
    lightList.RenderLightSprites();
    EXPECT_EQ(plat::DeviceDrawCallCount(device), before + 1);
    ExpectDefaultStates("light sprites");

    LAMP_LIGHT* lamp = lightList.AddLight(0.0f, 0.0f, 0.0f, 0.0f, 1, 1, -0.45f, 1);
    ASSERT_NE(lamp, nullptr);
    lightList.SetAmbientColor(0x202020);
    lightList.SetNightAndLamps(1, 1);
    lightList.RenderLightHalos();
    ExpectDefaultStates("light halos");
    DWORD ambient = 0;
    device->GetRenderState(D3DRS_AMBIENT, &ambient);
    EXPECT_EQ(ambient, 0x202020u);
    EXPECT_EQ(lightList.IsFullAmbient(), 0);

    int owner = 0;
    smokeSystem.InitVB();
    smokeSystem.AddSmokeSource(&owner, 0, 10.0f, 0.0f, 0.0f, -1.0f);
    smokeSystem.AddSmokeSource(&owner, 3, 10.0f, 0.0f, 0.0f, -1.0f);
    smokeSystem.UpdateBy(250);
    smokeSystem.FillVB();
    before = plat::DeviceDrawCallCount(device);
    smokeSystem.Render();
    EXPECT_EQ(plat::DeviceDrawCallCount(device), before + 6);
    ExpectDefaultStates("smoke");
    smokeSystem.RemoveAll();
    lightList.DeleteDeviceObjects();
}
