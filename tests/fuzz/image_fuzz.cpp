// Images (DDS, BMP, JPEG, PNG, told apart by their signatures): the input is
// loaded through the texture manager into the terrain's texture slot, in the
// device's own format with a full mip chain and in a 16-bit one, and a frame
// draws the layout with it; the missing-texture fallback must hold when the
// file is refused.
#include "fuzz/fuzz_support.h"
#include "gfx/display.h"
#include "gfx/texturemanager.h"
#include "platform/d3dx8tex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!velfuzz::StartProgram()) return 0;
    IDirect3DDevice8* device = display.GetDevice();
    // Straight from memory, keeping the file's format and its own levels.
    IDirect3DTexture8* texture = nullptr;
    D3DXIMAGE_INFO info{};
    if (SUCCEEDED(D3DXCreateTextureFromFileInMemoryEx(device, data, UINT(size), D3DX_DEFAULT, D3DX_DEFAULT,
                                                      D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                                      D3DX_DEFAULT, 0xFF000000u, &info, nullptr, &texture)) &&
        texture) {
        D3DXFilterTexture(texture, nullptr, 0, D3DX_DEFAULT);
        texture->Release();
    }
    // Through the texture manager, as the program loads its pictures.
    velfuzz::WriteInput("objects/bitmaps/fuzzimage.dds", data, size);
    textureManager.AddGTexture(device, "\\objects\\bitmaps\\fuzzimage.dds", GTEX_TERRAIN, D3DFMT_R5G6B5, 0);
    velfuzz::RunFrames(1);
    textureManager.AddGTexture(device, "\\objects\\bitmaps\\fuzzimage.dds", GTEX_TERRAIN,
                               display.GetTextureFormat(), 1);
    velfuzz::RunFrames(1);
    return 0;
}
