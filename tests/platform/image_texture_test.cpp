// Textures from image files: sizes, mip chains, format conversion, kept
// compressed blocks, colour keys, image information and broken files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <zlib.h>

#include "app/startlog.h"
#include "platform/d3d8.h"
#include "platform/d3dx8tex.h"
#include "support/testutil.h"

namespace {

void Put32(std::string& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(char(uint8_t(v >> (8 * i))));
}
void Put16(std::string& b, uint32_t v) {
    b.push_back(char(uint8_t(v)));
    b.push_back(char(uint8_t(v >> 8)));
}

std::string DdsHeader(uint32_t w, uint32_t h, uint32_t mips, uint32_t fourCC, uint32_t bits = 0, uint32_t r = 0,
                      uint32_t g = 0, uint32_t b = 0, uint32_t a = 0) {
    std::string d = "DDS ";
    Put32(d, 124);
    Put32(d, 0x1007 | (mips > 1 ? 0x20000 : 0));
    Put32(d, h);
    Put32(d, w);
    Put32(d, 0);
    Put32(d, 0);
    Put32(d, mips);
    for (int i = 0; i < 11; ++i) Put32(d, 0);
    Put32(d, 32);
    Put32(d, fourCC ? 0x4 : (0x40 | (a ? 0x1 : 0)));
    Put32(d, fourCC);
    Put32(d, bits);
    Put32(d, r);
    Put32(d, g);
    Put32(d, b);
    Put32(d, a);
    Put32(d, 0x1000);
    for (int i = 0; i < 4; ++i) Put32(d, 0);
    return d;
}

// 4x4 A8R8G8B8: the left half red, the right half half-transparent blue.
std::string ArgbDds() {
    std::string d = DdsHeader(4, 4, 1, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) Put32(d, x < 2 ? 0xFFFF0000u : 0x800000FFu);
    return d;
}

struct Device {
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* dev = nullptr;
    Device() {
        plat::ForceHeadlessDevices(true);
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS pp{};
        pp.Windowed = TRUE;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 64;
        if (d3d) d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev);
    }
    ~Device() {
        if (dev) dev->Release();
        if (d3d) d3d->Release();
    }
};

HRESULT Load(IDirect3DDevice8* dev, const char* file, UINT mips, D3DFORMAT fmt, IDirect3DTexture8** tex,
             D3DCOLOR key = 0, D3DXIMAGE_INFO* info = nullptr) {
    return D3DXCreateTextureFromFileExA(dev, file, D3DX_DEFAULT, D3DX_DEFAULT, mips, 0, fmt, D3DPOOL_MANAGED,
                                        D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR,
                                        D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR, key, info, nullptr, tex);
}

std::vector<uint8_t> LevelBytes(IDirect3DTexture8* tex, UINT level) {
    D3DSURFACE_DESC desc{};
    EXPECT_EQ(tex->GetLevelDesc(level, &desc), D3D_OK);
    D3DLOCKED_RECT lr{};
    EXPECT_EQ(tex->LockRect(level, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    std::vector<uint8_t> out(static_cast<const uint8_t*>(lr.pBits), static_cast<const uint8_t*>(lr.pBits) + desc.Size);
    tex->UnlockRect(level);
    return out;
}

uint32_t Pixel32(IDirect3DTexture8* tex, UINT level, int x, int y) {
    D3DLOCKED_RECT lr{};
    EXPECT_EQ(tex->LockRect(level, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    uint32_t c;
    std::memcpy(&c, static_cast<const uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4, 4);
    tex->UnlockRect(level);
    return c;
}

uint16_t Pixel16(IDirect3DTexture8* tex, UINT level, int x, int y) {
    D3DLOCKED_RECT lr{};
    EXPECT_EQ(tex->LockRect(level, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    uint16_t c;
    std::memcpy(&c, static_cast<const uint8_t*>(lr.pBits) + y * lr.Pitch + x * 2, 2);
    tex->UnlockRect(level);
    return c;
}

}  // namespace

TEST(TextureFromFile, FullChainIsBoxFilteredFromTheFile) {
    veltest::TempDir dir;
    ResetStartLogForTest("testlog.txt");
    veltest::WriteFile("objects/bitmaps/argb.dds", ArgbDds());
    Device d;
    ASSERT_NE(d.dev, nullptr);
    IDirect3DTexture8* tex = nullptr;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(Load(d.dev, "\\objects\\bitmaps\\ARGB.dds", D3DX_DEFAULT, D3DFMT_A8R8G8B8, &tex, 0, &info), D3D_OK);
    EXPECT_EQ(info.Width, 4u);
    EXPECT_EQ(info.MipLevels, 1u);
    EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_DDS);
    ASSERT_EQ(tex->GetLevelCount(), 3u);
    EXPECT_EQ(Pixel32(tex, 0, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(Pixel32(tex, 1, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(Pixel32(tex, 1, 1, 1), 0x800000FFu);
    // The last level averages both halves.
    const uint32_t last = Pixel32(tex, 2, 0, 0);
    EXPECT_EQ(last >> 24, 0xC0u);
    EXPECT_EQ((last >> 16) & 255, 0x80u);
    EXPECT_EQ(last & 255, 0x80u);
    tex->Release();
    // Zero mip levels also mean the full chain; one means one.
    ASSERT_EQ(Load(d.dev, "objects\\bitmaps\\argb.dds", 0, D3DFMT_A8R8G8B8, &tex), D3D_OK);
    EXPECT_EQ(tex->GetLevelCount(), 3u);
    tex->Release();
    ASSERT_EQ(Load(d.dev, "objects\\bitmaps\\argb.dds", 1, D3DFMT_A8R8G8B8, &tex), D3D_OK);
    EXPECT_EQ(tex->GetLevelCount(), 1u);
    tex->Release();
}

TEST(TextureFromFile, ConvertsToTheRequestedFormat) {
    veltest::TempDir dir;
    ResetStartLogForTest("testlog.txt");
    veltest::WriteFile("argb.dds", ArgbDds());
    Device d;
    ASSERT_NE(d.dev, nullptr);
    const struct {
        D3DFORMAT format;
        uint16_t red, blue;
    } cases[] = {{D3DFMT_R5G6B5, 0xF800, 0x001F},
                 {D3DFMT_A4R4G4B4, 0xFF00, 0x800F},
                 {D3DFMT_A1R5G5B5, 0xFC00, 0x801F},
                 {D3DFMT_X1R5G5B5, 0xFC00, 0x801F}};
    for (const auto& c : cases) {
        IDirect3DTexture8* tex = nullptr;
        ASSERT_EQ(Load(d.dev, "argb.dds", 1, c.format, &tex), D3D_OK);
        D3DSURFACE_DESC desc{};
        tex->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Format, c.format);
        EXPECT_EQ(Pixel16(tex, 0, 0, 0), c.red) << c.format;
        EXPECT_EQ(Pixel16(tex, 0, 3, 3), c.blue) << c.format;
        tex->Release();
    }
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(Load(d.dev, "argb.dds", 1, D3DFMT_X8R8G8B8, &tex), D3D_OK);
    EXPECT_EQ(Pixel32(tex, 0, 3, 0), 0xFF0000FFu);
    tex->Release();
    // A format the loader cannot write falls back to one with alpha.
    ASSERT_EQ(Load(d.dev, "argb.dds", 1, D3DFMT_A8R3G3B2, &tex), D3D_OK);
    D3DSURFACE_DESC desc{};
    tex->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    tex->Release();
    // Unknown keeps the file's own format.
    std::string rgb565 = DdsHeader(2, 2, 1, 0, 16, 0xF800, 0x7E0, 0x1F, 0);
    for (int i = 0; i < 4; ++i) Put16(rgb565, 0x07E0);
    veltest::WriteFile("g.dds", rgb565);
    ASSERT_EQ(Load(d.dev, "g.dds", 1, D3DFMT_UNKNOWN, &tex), D3D_OK);
    tex->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_R5G6B5);
    EXPECT_EQ(Pixel16(tex, 0, 1, 1), 0x07E0);
    tex->Release();
}

TEST(TextureFromFile, Dxt1BlocksAreKeptOrDecompressed) {
    veltest::TempDir dir;
    ResetStartLogForTest("testlog.txt");
    // 8x8 with two stored levels: four blocks, then one.
    std::string dds = DdsHeader(8, 8, 2, MAKEFOURCC('D', 'X', 'T', '1'));
    std::string blocks;
    for (int i = 0; i < 5; ++i) {
        Put16(blocks, 0x001F);  // blue
        Put16(blocks, 0xF800);  // red: three-colour mode
        Put32(blocks, i == 4 ? 0xFFFFFFFFu : 0x00000000u);
    }
    veltest::WriteFile("dxt.dds", dds + blocks);
    Device d;
    ASSERT_NE(d.dev, nullptr);
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(Load(d.dev, "dxt.dds", 2, D3DFMT_DXT1, &tex), D3D_OK);
    D3DSURFACE_DESC desc{};
    tex->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_DXT1);
    std::vector<uint8_t> l0 = LevelBytes(tex, 0), l1 = LevelBytes(tex, 1);
    ASSERT_EQ(l0.size(), 32u);
    ASSERT_EQ(l1.size(), 8u);
    EXPECT_EQ(std::memcmp(l0.data(), blocks.data(), 32), 0);
    EXPECT_EQ(std::memcmp(l1.data(), blocks.data() + 32, 8), 0);
    tex->Release();
    // Decompressed: the stored second level is transparent black.
    ASSERT_EQ(Load(d.dev, "dxt.dds", D3DX_DEFAULT, D3DFMT_A8R8G8B8, &tex), D3D_OK);
    ASSERT_EQ(tex->GetLevelCount(), 4u);
    EXPECT_EQ(Pixel32(tex, 0, 5, 5), 0xFF0000FFu);
    EXPECT_EQ(Pixel32(tex, 1, 1, 1), 0x00000000u);
    EXPECT_EQ(Pixel32(tex, 3, 0, 0), 0x00000000u);
    tex->Release();
    // The full chain in DXT1: the missing levels are made from level 1.
    ASSERT_EQ(Load(d.dev, "dxt.dds", D3DX_DEFAULT, D3DFMT_DXT1, &tex), D3D_OK);
    ASSERT_EQ(tex->GetLevelCount(), 4u);
    EXPECT_EQ(LevelBytes(tex, 3).size(), 8u);
    tex->Release();
}

TEST(TextureFromFile, ColourKeyMakesMatchingPixelsTransparent) {
    veltest::TempDir dir;
    ResetStartLogForTest("testlog.txt");
    std::string bmp = "BM";
    Put32(bmp, 14 + 40 + 8);
    Put32(bmp, 0);
    Put32(bmp, 14 + 40);
    Put32(bmp, 40);
    Put32(bmp, 2);
    Put32(bmp, 1);
    Put16(bmp, 1);
    Put16(bmp, 24);
    for (int i = 0; i < 6; ++i) Put32(bmp, 0);
    bmp += std::string("\xFF\x00\xFF\x10\x20\x30\x00\x00", 8);  // magenta, then (0x30,0x20,0x10)
    veltest::WriteFile("key.bmp", bmp);
    Device d;
    ASSERT_NE(d.dev, nullptr);
    IDirect3DTexture8* tex = nullptr;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(Load(d.dev, "key.bmp", 1, D3DFMT_A8R8G8B8, &tex, 0xFFFF00FF, &info), D3D_OK);
    EXPECT_EQ(info.Format, D3DFMT_R8G8B8);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_BMP);
    EXPECT_EQ(Pixel32(tex, 0, 0, 0), 0x00000000u);
    EXPECT_EQ(Pixel32(tex, 0, 1, 0), 0xFF302010u);
    tex->Release();
    // Without a key, and with the file's format: 24-bit images load as X8R8G8B8.
    ASSERT_EQ(D3DXCreateTextureFromFileA(d.dev, "key.bmp", &tex), D3D_OK);
    D3DSURFACE_DESC desc{};
    tex->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(Pixel32(tex, 0, 0, 0), 0xFFFF00FFu);
    tex->Release();
}

TEST(TextureFromFile, BrokenAndMissingFilesFailWithALogLine) {
    veltest::TempDir dir;
    ResetStartLogForTest("testlog.txt");
    Device d;
    ASSERT_NE(d.dev, nullptr);
    IDirect3DTexture8* tex = reinterpret_cast<IDirect3DTexture8*>(0x1);
    EXPECT_EQ(Load(d.dev, "missing.dds", 0, D3DFMT_A8R8G8B8, &tex), D3DERR_NOTFOUND);
    EXPECT_EQ(tex, nullptr);
    const std::string good = ArgbDds();
    for (size_t n = 0; n < good.size(); n += 5) {
        veltest::WriteFile("cut.dds", good.substr(0, n));
        EXPECT_EQ(Load(d.dev, "cut.dds", 0, D3DFMT_A8R8G8B8, &tex), D3DXERR_INVALIDDATA) << n;
        EXPECT_EQ(tex, nullptr);
    }
    veltest::WriteFile("junk.jpg", std::string("\xFF\xD8\xFF\xE0 not really a jpeg at all", 30));
    EXPECT_EQ(Load(d.dev, "junk.jpg", 0, D3DFMT_A8R8G8B8, &tex), D3DXERR_INVALIDDATA);
    D3DXIMAGE_INFO info{};
    EXPECT_EQ(D3DXGetImageInfoFromFileA("junk.jpg", &info), D3DXERR_INVALIDDATA);
    EXPECT_EQ(D3DXGetImageInfoFromFileA("missing.dds", &info), D3DERR_NOTFOUND);
    EXPECT_EQ(Load(nullptr, "cut.dds", 0, D3DFMT_A8R8G8B8, &tex), D3DERR_INVALIDCALL);
    const std::string log = veltest::ReadFile("testlog.txt");
    EXPECT_NE(log.find("Image file error (DDS data truncated): cut.dds"), std::string::npos);
    EXPECT_NE(log.find("junk.jpg"), std::string::npos);
    EXPECT_EQ(log.find("missing.dds"), std::string::npos);  // a missing file is the caller's to log
}

// A PNG of a few hundred bytes whose header declares the given size.
std::string PngHeaderOnly(uint32_t w, uint32_t h) {
    auto chunk = [](std::string& out, const char* type, const std::string& body) {
        std::string tb = std::string(type, 4) + body;
        auto be = [&](uint32_t v) {
            for (int i = 3; i >= 0; --i) out.push_back(char(uint8_t(v >> (8 * i))));
        };
        be(uint32_t(body.size()));
        out += tb;
        be(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(tb.data()), uInt(tb.size()))));
    };
    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string ihdr;
    for (uint32_t v : {w, h})
        for (int i = 3; i >= 0; --i) ihdr.push_back(char(uint8_t(v >> (8 * i))));
    ihdr += std::string("\x08\x06\x00\x00\x00", 5);  // 8-bit RGBA
    chunk(png, "IHDR", ihdr);
    std::string raw(512, '\0');
    uLongf packedSize = compressBound(uLong(raw.size()));
    std::string packed(packedSize, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
             uLong(raw.size()));
    packed.resize(packedSize);
    chunk(png, "IDAT", packed);
    chunk(png, "IEND", "");
    return png;
}

TEST(TextureFromFile, ImagesLargerThanTheDeviceTakesAreRefusedWithALogLine) {
    veltest::TempDir dir;
    ResetStartLogForTest("testlog.txt");
    Device d;
    ASSERT_NE(d.dev, nullptr);
    D3DCAPS8 caps{};
    ASSERT_EQ(d.dev->GetDeviceCaps(&caps), D3D_OK);
    ASSERT_GT(caps.MaxTextureWidth, 0u);
    const uint32_t maxW = caps.MaxTextureWidth, maxH = caps.MaxTextureHeight;

    // One pixel row wider than the device takes: refused, not scaled down.
    std::string wide = DdsHeader(maxW + 4, 4, 1, 0x31545844u);  // DXT1
    wide.resize(wide.size() + size_t((maxW + 4) / 4) * 8);
    veltest::WriteFile("wide.dds", wide);
    std::string fits = DdsHeader(maxW, 4, 1, 0x31545844u);
    fits.resize(fits.size() + size_t(maxW / 4) * 8);
    veltest::WriteFile("fits.dds", fits);
    // A 16384x16384 PNG in a file of a few hundred bytes.
    const std::string bomb = PngHeaderOnly(16384, 16384);
    ASSERT_LT(bomb.size(), 1024u);
    veltest::WriteFile("bomb.png", bomb);
    veltest::WriteFile("high.png", PngHeaderOnly(1, maxH + 1));

    IDirect3DTexture8* tex = reinterpret_cast<IDirect3DTexture8*>(0x1);
    ASSERT_EQ(Load(d.dev, "fits.dds", 1, D3DFMT_DXT1, &tex), D3D_OK);
    tex->Release();
    for (const char* name : {"wide.dds", "bomb.png", "high.png"}) {
        tex = reinterpret_cast<IDirect3DTexture8*>(0x1);
        EXPECT_EQ(Load(d.dev, name, 1, D3DFMT_A8R8G8B8, &tex), D3DXERR_INVALIDDATA) << name;
        EXPECT_EQ(tex, nullptr) << name;
    }
    const std::string log = veltest::ReadFile("testlog.txt");
    const std::string limit = " is larger than " + std::to_string(maxW) + "x" + std::to_string(maxH) + "): ";
    EXPECT_NE(log.find("Image file error (DDS image of " + std::to_string(maxW + 4) + "x4" + limit + "wide.dds"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Image file error (PNG image of 16384x16384" + limit + "bomb.png"), std::string::npos) << log;
    EXPECT_NE(log.find("high.png"), std::string::npos) << log;
}

TEST(TextureCreate, DefaultsRequirementsAndFiltering) {
    Device d;
    ASSERT_NE(d.dev, nullptr);
    UINT w = 0, h = D3DX_DEFAULT, mips = 0;
    D3DFORMAT fmt = D3DFMT_UNKNOWN;
    ASSERT_EQ(D3DXCheckTextureRequirements(d.dev, &w, &h, &mips, 0, &fmt, D3DPOOL_MANAGED), D3D_OK);
    EXPECT_EQ(w, 256u);
    EXPECT_EQ(h, 256u);
    EXPECT_EQ(mips, 9u);
    EXPECT_EQ(fmt, D3DFMT_A8R8G8B8);

    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(D3DXCreateTexture(d.dev, 4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    ASSERT_EQ(tex->GetLevelCount(), 3u);
    D3DLOCKED_RECT lr{};
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const uint32_t c = (x + y) % 2 ? 0xFFFFFFFFu : 0xFF000000u;
            std::memcpy(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4, &c, 4);
        }
    tex->UnlockRect(0);
    ASSERT_EQ(D3DXFilterTexture(tex, nullptr, 0, D3DX_FILTER_BOX), D3D_OK);
    EXPECT_EQ(Pixel32(tex, 1, 1, 0), 0xFF808080u);
    EXPECT_EQ(Pixel32(tex, 2, 0, 0), 0xFF808080u);
    EXPECT_EQ(D3DXFilterTexture(tex, nullptr, 5, D3DX_FILTER_BOX), D3DERR_INVALIDCALL);
    tex->Release();
}
