// The texture manager: the probe order of file kinds with its log lines,
// ids from 40, shared and skipped entries, global slots and the stage-0 bind
// cache.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "gfx/display.h"
#include "gfx/texturemanager.h"
#include "platform/d3d8.h"
#include "platform/d3dx8tex.h"
#include "support/testutil.h"

namespace {

void Put32(std::string& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(char(uint8_t(v >> (8 * i))));
}

// A w x h A8R8G8B8 DDS file of one colour.
std::string Dds(uint32_t w, uint32_t h, uint32_t colour) {
    std::string d = "DDS ";
    Put32(d, 124);
    Put32(d, 0x1007);
    Put32(d, h);
    Put32(d, w);
    for (int i = 0; i < 14; ++i) Put32(d, 0);
    Put32(d, 32);
    Put32(d, 0x41);
    Put32(d, 0);
    Put32(d, 32);
    Put32(d, 0xFF0000);
    Put32(d, 0xFF00);
    Put32(d, 0xFF);
    Put32(d, 0xFF000000);
    Put32(d, 0x1000);
    for (int i = 0; i < 4; ++i) Put32(d, 0);
    for (uint32_t i = 0; i < w * h; ++i) Put32(d, colour);
    return d;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

class TextureManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetStartLogForTest("log.txt");
        plat::ForceHeadlessDevices(true);
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        D3DPRESENT_PARAMETERS pp{};
        pp.Windowed = TRUE;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 64;
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev),
                  D3D_OK);
        display.device = dev;
    }
    void TearDown() override {
        textureManager.ReleaseAllTextures();
        display.device = nullptr;
        if (dev) dev->Release();
        if (d3d) d3d->Release();
    }
    IDirect3DBaseTexture8* Bound(DWORD stage) {
        IDirect3DBaseTexture8* t = nullptr;
        dev->GetTexture(stage, &t);
        if (t) t->Release();
        return t;
    }
    std::string Log() { return veltest::ReadFile("log.txt"); }

    veltest::TempDir dir;
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* dev = nullptr;
};

}  // namespace

TEST(TextureManagerPaths, ShortenPathKeepsTheLastThreeComponents) {
    EXPECT_STREQ(TEXTUREMANAGER::ShortenPath("\\objects\\bitmaps\\water.dds"), "objects\\bitmaps\\water.dds");
    EXPECT_STREQ(TEXTUREMANAGER::ShortenPath("C:\\game\\Scenes\\xfiles\\tex\\a.dds"), "xfiles\\tex\\a.dds");
    EXPECT_STREQ(TEXTUREMANAGER::ShortenPath("tex\\a.dds"), "tex\\a.dds");
    EXPECT_STREQ(TEXTUREMANAGER::ShortenPath("a.dds"), "a.dds");
}

TEST_F(TextureManagerTest, ProbeOrderLogsAndSharesTheDdsFile) {
    veltest::WriteFile("scenes/tex/wall.dds", Dds(4, 4, 0xFF102030));
    veltest::WriteFile("scenes/tex/wall.jpg", "not even read");
    TEXTURE_ENTRY* first = textureManager.AddTexture(dev, "C:\\game\\Scenes\\tex\\wall.bmp");
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->name, "Scenes\\tex\\wall.dds");
    EXPECT_EQ(first->id, 40);
    EXPECT_NE(first->texture, nullptr);
    TEXTURE_ENTRY* second = textureManager.AddTexture(dev, "x\\SCENES\\TEX\\wall.bmp");
    EXPECT_EQ(second, first);
    EXPECT_EQ(textureManager.GetEntryCount(), 1);
    const std::string log = Log();
    EXPECT_EQ(Count(log, "DDS file exists..."), 2u);
    EXPECT_EQ(Count(log, "Texture loaded successfully: Scenes\\tex\\wall.dds"), 1u);
    EXPECT_EQ(Count(log, "Texture already loaded: SCENES\\TEX\\wall.dds"), 1u);
    EXPECT_EQ(textureManager.GetEntryById(40), first);
    EXPECT_EQ(textureManager.GetEntryByName("scenes\\TEX\\WALL.DDS"), first);
}

TEST_F(TextureManagerTest, BmpThenJpgAreTriedAndAMissingFileIsSkipped) {
    std::string bmp = "BM";
    Put32(bmp, 14 + 40 + 4);
    Put32(bmp, 0);
    Put32(bmp, 54);
    Put32(bmp, 40);
    Put32(bmp, 1);
    Put32(bmp, 1);
    bmp += std::string("\x01\x00\x18\x00", 4);
    for (int i = 0; i < 6; ++i) Put32(bmp, 0);
    Put32(bmp, 0x00FF0000);
    veltest::WriteFile("tex/b.bmp", bmp);
    TEXTURE_ENTRY* b = textureManager.AddTexture(dev, "tex\\b.dds");
    ASSERT_NE(b, nullptr);
    EXPECT_STREQ(b->name, "tex\\b.bmp");
    EXPECT_NE(b->texture, nullptr);
    EXPECT_EQ(b->id, 40);

    TEXTURE_ENTRY* gone = textureManager.AddTexture(dev, "tex\\gone.jpg");
    ASSERT_NE(gone, nullptr);
    EXPECT_EQ(gone->id, 41);
    EXPECT_EQ(gone->texture, nullptr);
    EXPECT_STREQ(gone->name, "tex\\gone.dds");  // the extension goes back to dds
    EXPECT_EQ(textureManager.AddTexture(dev, "tex\\gone.dds"), gone);
    const std::string log = Log();
    EXPECT_EQ(Count(log, "BMP file exists..."), 1u);
    EXPECT_EQ(Count(log, "Could not load texture in TEXTUREMANAGER::AddTexture with texture: tex\\gone.dds"), 1u);
    EXPECT_EQ(Count(log, "Texture already skipped: tex\\gone.dds"), 1u);
    EXPECT_EQ(Count(log, "JPG file exists..."), 0u);
}

TEST_F(TextureManagerTest, NamesFlagsAndRefusals) {
    veltest::WriteFile("t/leafaa.dds", Dds(2, 2, 0x80FFFFFF));
    veltest::WriteFile("t/LEAFAA.DDS", Dds(2, 2, 0x80FFFFFF));
    TEXTURE_ENTRY* lower = textureManager.AddTexture(dev, "t\\leafaa.dds");
    ASSERT_NE(lower, nullptr);
    EXPECT_EQ(lower->alphaName, 1);
    // The extension is probed in lower case, the name keeps its capitals.
    TEXTURE_ENTRY* upper = textureManager.AddTexture(dev, "u\\LEAFAA.DDS");
    ASSERT_NE(upper, nullptr);
    EXPECT_EQ(upper->alphaName, 0);
    TEXTURE_ENTRY* shortName = textureManager.AddTexture(dev, "a.dds");
    ASSERT_NE(shortName, nullptr);
    EXPECT_EQ(shortName->alphaName, 0);

    EXPECT_EQ(textureManager.AddTexture(dev, nullptr), nullptr);
    const std::string longName(140, 'x');
    EXPECT_EQ(textureManager.AddTexture(dev, longName.c_str()), nullptr);
    EXPECT_NE(Log().find("Texture name too long in TEXTUREMANAGER::AddTexture: "), std::string::npos);

    // A name of three characters or fewer is logged and not probed.
    char tiny[8] = "abc";
    textureManager.FindTexture(tiny, 1);
    EXPECT_STREQ(tiny, "abc");
    const std::string log = Log();
    EXPECT_NE(log.find("Short texture name in TEXTUREMANAGER::FindTexture()!!!"), std::string::npos);
    EXPECT_NE(log.find("Texture: abc"), std::string::npos);

    // The plant texture is always the global slot's.
    CopyText(myGlobs.plantTextureName, sizeof myGlobs.plantTextureName, "noveny.dds");
    TEXTURE_ENTRY* plant = textureManager.AddTexture(dev, "\\Scenes\\ember\\noveny.dds");
    EXPECT_EQ(plant, textureManager.GetGTextureEntry(3));
    EXPECT_EQ(plant->id, 3);
    EXPECT_NE(Log().find("Plant texture already loaded global..."), std::string::npos);
}

TEST_F(TextureManagerTest, GlobalSlotsLoadReleaseAndReportTheirSize) {
    veltest::WriteFile("objects/bitmaps/water.dds", Dds(8, 4, 0xFF0000FF));
    EXPECT_EQ(textureManager.AddGTexture(dev, "\\objects\\bitmaps\\water.dds", 13, D3DFMT_A8R8G8B8, D3DX_DEFAULT),
              D3D_OK);
    EXPECT_NE(textureManager.AddGTexture(dev, "\\objects\\bitmaps\\none.dds", 20, D3DFMT_A8R8G8B8, D3DX_DEFAULT),
              D3D_OK);
    EXPECT_EQ(textureManager.GetGTexture(20), nullptr);
    int w = -1, h = -1;
    textureManager.GetGTextureSize(13, &w, &h);
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 4);
    EXPECT_EQ(textureManager.GetGTexture(13)->GetLevelCount(), 4u);
    textureManager.GetGTextureSize(20, &w, &h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    const std::string log = Log();
    EXPECT_NE(log.find("Texture loaded successfully: objects\\bitmaps\\water.dds"), std::string::npos);
    EXPECT_NE(log.find("Could not load texture in TEXTUREMANAGER::AddGTexture with texture:objects\\bitmaps\\none.dds"),
              std::string::npos);
    EXPECT_EQ(textureManager.GetGTextureEntry(13)->id, 13);
    EXPECT_EQ(textureManager.GetGTextureEntry(40), nullptr);
    textureManager.ReleaseGTexture(13);
    EXPECT_EQ(textureManager.GetGTexture(13), nullptr);
    textureManager.ReleaseGTexture(99);  // out of range: nothing happens
}

TEST_F(TextureManagerTest, StartTexturesOfTheFirstEdition) {
    veltest::WriteFile("objects/bitmaps/mm2bg2.dds", Dds(4, 4, 0xFF000000));
    veltest::WriteFile("objects/bitmaps/ldscr.dds", Dds(4, 4, 0xFF000000));
    veltest::WriteFile("objects/bitmaps/bitmap.dds", Dds(4, 4, 0xFF000000));
    myGlobs.secondEdition = 0;
    LoadStartTextures();
    EXPECT_NE(textureManager.GetGTexture(15), nullptr);
    EXPECT_NE(textureManager.GetGTexture(21), nullptr);
    EXPECT_NE(textureManager.GetGTexture(10), nullptr);
    EXPECT_EQ(textureManager.GetGTexture(38), nullptr);
    const std::string log = Log();
    const size_t a = log.find("objects\\bitmaps\\mm2bg2.dds"), b = log.find("objects\\bitmaps\\ldscr.dds"),
                 c = log.find("objects\\bitmaps\\bitmap.dds");
    ASSERT_NE(c, std::string::npos);
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);
}

TEST_F(TextureManagerTest, BindCacheOnlyCallsTheDeviceOnChange) {
    veltest::WriteFile("objects/bitmaps/grid.dds", Dds(2, 2, 0xFF00FF00));
    veltest::WriteFile("objects/bitmaps/terrain.dds", Dds(2, 2, 0xFF00FF00));
    veltest::WriteFile("objects/bitmaps/bitmap.dds", Dds(2, 2, 0xFF00FF00));
    veltest::WriteFile("x/y/named.dds", Dds(2, 2, 0xFF00FF00));
    ASSERT_EQ(textureManager.AddGTexture(dev, "\\objects\\bitmaps\\grid.dds", 18, D3DFMT_A8R8G8B8, D3DX_DEFAULT), D3D_OK);
    ASSERT_EQ(textureManager.AddGTexture(dev, "\\objects\\bitmaps\\bitmap.dds", 10, D3DFMT_A8R8G8B8, D3DX_DEFAULT),
              D3D_OK);
    IDirect3DTexture8* grid = textureManager.GetGTexture(18);
    IDirect3DTexture8* sheet = textureManager.GetGTexture(10);

    // Slot 18 binds stages 0 and 1.
    textureManager.SetTexture(dev, 18);
    EXPECT_EQ(Bound(0), grid);
    EXPECT_EQ(Bound(1), grid);
    // A second bind of the same texture does not reach the device: clear the
    // stage behind the manager's back and bind again.
    dev->SetTexture(0, nullptr);
    textureManager.SetTexture(dev, 18);
    EXPECT_EQ(Bound(0), nullptr);
    // After the device reset the cache is forgotten and the bind happens.
    textureManager.ForgetBoundTexture();
    textureManager.SetTexture(dev, 18);
    EXPECT_EQ(Bound(0), grid);

    // Slot 10 binds stage 0 only.
    dev->SetTexture(1, nullptr);
    textureManager.SetGTexture(10);
    EXPECT_EQ(Bound(0), sheet);
    EXPECT_EQ(Bound(1), nullptr);

    // An id of 40 or more that names no entry leaves the binding alone.
    textureManager.SetTexture(dev, 57);
    EXPECT_EQ(Bound(0), sheet);
    // An empty slot and a negative id unbind stage 0.
    textureManager.SetTexture(dev, 2);
    EXPECT_EQ(Bound(0), nullptr);
    textureManager.SetTexture(dev, 10);
    textureManager.SetTexture(dev, -1);
    EXPECT_EQ(Bound(0), nullptr);

    // A bind to stage 1 is recorded with its stage; the next stage-0 bind
    // reaches the device whether it names the texture bound before it or the
    // one just bound to stage 1.
    textureManager.SetTexture(dev, 10);
    dev->SetTexture(0, nullptr);
    textureManager.SetGTextureStage(1, 18);
    EXPECT_EQ(Bound(1), grid);
    textureManager.SetTexture(dev, 10);
    EXPECT_EQ(Bound(0), sheet);
    textureManager.SetGTextureStage(1, 18);
    textureManager.SetTexture(dev, 18);
    EXPECT_EQ(Bound(0), grid);
    dev->SetTexture(0, nullptr);
    textureManager.SetTexture(dev, 18);
    EXPECT_EQ(Bound(0), nullptr);  // cached again once stage 0 was bound
    textureManager.SetGTextureStage(0, 10);
    EXPECT_EQ(Bound(0), sheet);
    dev->SetTexture(0, nullptr);
    textureManager.SetTexture(dev, 10);
    EXPECT_EQ(Bound(0), nullptr);  // a stage-0 bind of a slot is cached too
    textureManager.SetTexture(dev, 18);
    EXPECT_EQ(Bound(0), grid);

    // Entries bind by id and through SetEntryTexture; null unbinds.
    TEXTURE_ENTRY* named = textureManager.AddTexture(dev, "x\\y\\named.dds");
    ASSERT_NE(named, nullptr);
    textureManager.SetTexture(dev, named->id);
    EXPECT_EQ(Bound(0), named->texture);
    dev->SetTexture(0, nullptr);
    textureManager.SetEntryTexture(dev, named);
    EXPECT_EQ(Bound(0), nullptr);  // cached
    textureManager.SetEntryTexture(dev, nullptr);
    EXPECT_EQ(Bound(0), nullptr);
    textureManager.SetEntryTexture(dev, named);
    EXPECT_EQ(Bound(0), named->texture);
}

TEST_F(TextureManagerTest, ReleaseAllEmptiesEntriesAndSlots) {
    veltest::WriteFile("a/b/c.dds", Dds(2, 2, 0xFFFFFFFF));
    veltest::WriteFile("objects/bitmaps/white.dds", Dds(2, 2, 0xFFFFFFFF));
    TEXTURE_ENTRY* e = textureManager.AddTexture(dev, "a\\b\\c.dds");
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(textureManager.AddGTexture(dev, "\\objects\\bitmaps\\white.dds", 9, D3DFMT_A8R8G8B8, D3DX_DEFAULT),
              D3D_OK);
    textureManager.SetTexture(dev, 9);
    textureManager.ReleaseAllTextures();
    EXPECT_EQ(textureManager.GetEntryById(40), nullptr);
    EXPECT_EQ(textureManager.GetGTexture(9), nullptr);
    EXPECT_NE(Log().find("TEXTUREMANAGER::ReleaseAllTextures() passed..."), std::string::npos);
    // Ids are never reused.
    TEXTURE_ENTRY* again = textureManager.AddTexture(dev, "a\\b\\c.dds");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->id, 41);
}
