// The terrain drawn on a real GL context (run under Xvfb): a 2 x 2-tile
// terrain with two ground textures shows them where they lie.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/myglobs.h"
#include "gfx/display.h"
#include "gfx/texturemanager.h"
#include "platform/window.h"
#include "support/display_support.h"
#include "support/testutil.h"
#include "world/terrain.h"

namespace {

// A 1024 x 1024 atlas: ground texture 0 red, texture 1 green, the rest black.
void WriteAtlas(const char* name) {
    const int size = 1024, row = size * 3;
    std::vector<unsigned char> d(54 + static_cast<size_t>(row) * size, 0);
    auto put32 = [&](int at, int v) {
        for (int i = 0; i < 4; ++i) d[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    d[0] = 'B';
    d[1] = 'M';
    put32(2, static_cast<int>(d.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, size);
    put32(22, size);
    d[26] = 1;
    d[28] = 24;
    put32(34, row * size);
    for (int y = 0; y < 128; ++y) {
        unsigned char* line = &d[54 + static_cast<size_t>(size - 1 - y) * row];  // rows are stored bottom up
        for (int x = 0; x < 256; ++x) {
            line[3 * x + 2] = x < 128 ? 230 : 0;  // red
            line[3 * x + 1] = x < 128 ? 0 : 230;  // green
        }
    }
    FILE* f = std::fopen(name, "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(d.data(), 1, d.size(), f);
    std::fclose(f);
}

}  // namespace

TEST(TerrainPixels, TwoGroundTexturesShowOnTheirHalves) {
    if (!StartWindowDisplay()) GTEST_SKIP() << "no display";
    IDirect3DDevice8* device = display.GetDevice();
    if (!plat::DeviceHasContext(device)) GTEST_SKIP() << "no GL context";
    veltest::TempDir dir;
    WriteAtlas("atlas.bmp");
    ASSERT_EQ(textureManager.AddGTexture(device, "atlas.bmp", TERRAIN_ATLASSLOT, D3DFMT_A8R8G8B8, 1), S_OK);

    ASSERT_EQ(terrain.CreateTerrain(2, 2), 1);
    terrain.SetPaintTexture(1);
    for (int i = 20; i < 40; ++i)
        for (int j = 0; j < 40; ++j) terrain.PaintCellAt(i * 0.7f - 14.0f + 0.35f, j * 0.7f - 14.0f + 0.35f);

    // Looking straight down from 30 units with +y up the screen: x < 0 on the
    // left half, x > 0 on the right.
    display.SetCameraAngles(1.5707964f, -0.0001f, 30.0f);
    display.UpdateView(1, 0.0f, 0.0f);
    myGlobs.sceneVisible = 1;
    ASSERT_EQ(display.BeginFrame(0xff000000), 1);
    terrain.Render(1);  // lighting off: the vertex colours are white
    display.EndFrame();

    const int w = display.GetScreenWidth(), h = display.GetScreenHeight();
    const D3DCOLOR left = plat::ReadBackBufferPixel(device, w / 4, h / 2);
    const D3DCOLOR right = plat::ReadBackBufferPixel(device, 3 * w / 4, h / 2);
    const int leftRed = (left >> 16) & 0xFF, leftGreen = (left >> 8) & 0xFF;
    const int rightRed = (right >> 16) & 0xFF, rightGreen = (right >> 8) & 0xFF;
    EXPECT_GT(leftRed, 150) << std::hex << left;
    EXPECT_LT(leftGreen, 60) << std::hex << left;
    EXPECT_GT(rightGreen, 150) << std::hex << right;
    EXPECT_LT(rightRed, 60) << std::hex << right;
}
