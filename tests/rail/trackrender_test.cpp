// The shared track render buffer and the drawing pass on a headless device.
#include "track_test.h"

#include <cstdlib>

#include "app/myglobs.h"
#include "gfx/display.h"
#include "platform/d3d8.h"

class TrackRenderTest : public TrackTest {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        plat::ForceHeadlessDevices(true);
        int error = 0;
        // The mode comes from the command line, so no set-up dialog opens.
        myGlobs.ReadCommandLine("-c32 -x800 -y600");
        if (!display.GetDevice()) display.Init(nullptr, 0, &error);
        if (!display.GetDevice()) GTEST_SKIP() << "no display device";
        TrackTest::SetUp();
        trackList.InitTrackTypes(); // with buffers now that a device exists
        trackList.CreateRenderBuffer();
        ASSERT_TRUE(trackList.IsRenderBufferCreated());
    }
};

TEST_F(TrackRenderTest, OrdinaryPiecesGoIntoTheSharedBuffer) {
    TRACK* a = Make(0, 0, 0, 0);
    TRACK* c = Make(2, 5, 0, 30);
    TRACK* s = Make(1, 10, 0, 0);
    ASSERT_EQ(trackList.FillRenderBuffer(), 1);
    EXPECT_EQ(trackList.GetBufferVertexCount(), 8 + 20 + 8);
    EXPECT_EQ(trackList.GetBufferTriangleCount(), 6 + 24 + 6);
    EXPECT_TRUE(a->bInBuffer && c->bInBuffer && s->bInBuffer);
    // Selected, raised and turntable pieces are drawn on their own.
    a->bSelected = 1;
    c->groundState = GROUND_RAISED;
    s->bTurntable = 1;
    trackList.FillRenderBuffer();
    EXPECT_EQ(trackList.GetBufferTriangleCount(), 0);
    EXPECT_FALSE(a->bInBuffer || c->bInBuffer || s->bInBuffer);
}

TEST_F(TrackRenderTest, BufferVerticesAreTransformedToThePiece) {
    TRACK* s = Make(1, 3, 4, 90, -0.5f); // 4.0 straight along +y
    trackList.FillRenderBuffer();
    IDirect3DDevice8* device = display.GetDevice();
    ASSERT_NE(device, nullptr);
    // Draw once; the pass must not fail on a headless device.
    trackList.Render();
    EXPECT_TRUE(s->bInBuffer);
    // The shared buffer is the newest node of the display's registry.
    IDirect3DVertexBuffer8* vb = display.GetVB(display.GetFirstBuffer());
    ASSERT_NE(vb, nullptr);
    BYTE* data = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
    const XVERTEX* v = reinterpret_cast<const XVERTEX*>(data);
    float minY = 1e9f, maxY = -1e9f;
    for (int i = 0; i < 8; i++) {
        EXPECT_NEAR(v[i].x, 3.0f, 0.26f);
        minY = std::min(minY, v[i].y);
        maxY = std::max(maxY, v[i].y);
        EXPECT_NEAR(v[i].z, -0.5f, 0.07f);
    }
    vb->Unlock();
    EXPECT_NEAR(minY, 4 - 2.02f, 1e-4);
    EXPECT_NEAR(maxY, 4 + 2.02f, 1e-4);
}

TEST_F(TrackRenderTest, TypesGenerateIntoDisplayBuffers) {
    int before = 0;
    for (DISPLAY_BUFFER* b = display.GetFirstBuffer(); b; b = b->next) before++;
    XTRACK t;
    t.Generate(0, "t", 1.0f, 0.0f, 0.5f);
    int after = 0;
    for (DISPLAY_BUFFER* b = display.GetFirstBuffer(); b; b = b->next) after++;
    EXPECT_EQ(after, before + 1);
    t.ReleaseBuffers();
    after = 0;
    for (DISPLAY_BUFFER* b = display.GetFirstBuffer(); b; b = b->next) after++;
    EXPECT_EQ(after, before);
}

TEST_F(TrackRenderTest, SwitchSignsStandAlongRightSwitchesAndTurnedOnLeftOnes) {
    IDirect3DDevice8* device = display.GetDevice();
    trackList.SetShowSwitchSigns(1);
    // The sign is the last thing a piece draws: the world transform it leaves
    // is the sign's.
    auto signWorld = [&](TRACK* t) {
        t->Render();
        D3DXMATRIX m;
        device->GetTransform(D3DTS_WORLD, &m);
        return m;
    };
    auto expected = [](const TRACK* t, float heading, float pitch) {
        D3DXMATRIX tilt, turn, move;
        D3DXMatrixRotationY(&tilt, D3DXToRadian(pitch));
        D3DXMatrixRotationZ(&turn, D3DXToRadian(heading));
        D3DXMatrixTranslation(&move, t->x, t->y, t->z - 0.08f);
        return tilt * turn * move;
    };
    auto expectNear = [](const D3DXMATRIX& a, const D3DXMATRIX& b) {
        for (int r = 0; r < 4; r++)
            for (int c = 0; c < 4; c++) EXPECT_NEAR(a.m[r][c], b.m[r][c], 1e-4f) << r << "," << c;
    };
    TRACK* right = Make(3, 2.0f, 3.0f, 30.0f);
    TRACK* left = Make(4, -6.0f, 3.0f, 30.0f);
    right->pitch = 4.0f;
    left->pitch = 4.0f;
    expectNear(signWorld(right), expected(right, 30.0f, 4.0f));
    expectNear(signWorld(left), expected(left, 210.0f, -4.0f));
}
