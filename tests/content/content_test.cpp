// The bundled sample content: the generator is run into a fresh folder and
// its files are read back with the program's own readers.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "gfx/myfont.h"
#include "platform/d3d8.h"
#include "platform/d3dx8.h"
#include "platform/image.h"
#include "platform/platform_hooks.h"
#include "support/testutil.h"
#include "ui/coordinates.h"

namespace {

// The generator lies in the build tree's content folder; the tests run in
// <build>/tests/work_content.
std::string GeneratorPath() {
    const char* env = std::getenv("VEL_CONTENT_GENERATOR");
    if (env && *env) return env;
    char buf[PATH_MAX];
    if (!getcwd(buf, sizeof buf)) return "";
    std::filesystem::path p = std::filesystem::path(buf) / ".." / ".." / "content" / "velmarine_content";
    std::error_code ec;
    return std::filesystem::exists(p, ec) ? std::filesystem::weakly_canonical(p, ec).string() : "";
}

// Runs the generator into a temporary folder that becomes the working folder.
class GeneratedContent : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string gen = GeneratorPath();
        if (gen.empty()) GTEST_SKIP() << "content generator not built";
        dir_ = std::make_unique<veltest::TempDir>();
        const std::string cmd = "'" + gen + "' '" + dir_->Path() + "' > gen.log 2>&1";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << "generator failed";
    }
    void TearDown() override { dir_.reset(); }

    static std::vector<std::string> Tokens(const std::string& file) {
        std::ifstream f(file, std::ios::binary);
        std::vector<std::string> out;
        std::string t;
        while (f >> t) out.push_back(t);
        return out;
    }

    std::unique_ptr<veltest::TempDir> dir_;
};

TEST_F(GeneratedContent, EveryFileReadAtStartAndWhileLoadingExists) {
    const char* files[] = {
        "texts.txt", "textbias.txt", "parameters.txt", "fontp.txt", "font_taho.txt", "font_taho2.txt",
        "objects/bitmaps/fontp.dds", "objects/bitmaps/font_taho.dds", "objects/bitmaps/font_taho2.dds",
        "objects/bitmaps/mm2bg2.dds", "objects/bitmaps/ldscr.dds", "objects/bitmaps/bitmap.dds",
        "Scenes/ember/noveny.dds", "objects/bitmaps/novenyselect.dds", "objects/bitmaps/selectorange.dds",
        "objects/bitmaps/black.dds", "objects/bitmaps/vlm_bridge.dds", "objects/bitmaps/grid.dds",
        "objects/bitmaps/shadow.dds", "objects/bitmaps/smoke.dds", "objects/bitmaps/smoke2.dds",
        "objects/bitmaps/stardust.dds", "objects/bitmaps/tbrick_1.dds", "objects/bitmaps/terrain.jpg",
        "objects/bitmaps/track3.dds", "objects/bitmaps/trackselect.dds", "objects/bitmaps/water.dds",
        "objects/bitmaps/water_night.dds", "objects/bitmaps/white.dds", "vlm_objects.xli", "vlm_skybox.txt",
        "ltex.list", "lampinfo.list", "vlm_useanglexz.list", "vlm_objcontrol.list", "enginespots.list",
        "traindetach.bin", "soundsources.list", "vlm_names.otx", "bmpheader.bin", "dcfg.txt",
    };
    for (const char* f : files) EXPECT_TRUE(std::filesystem::exists(f)) << f;
    EXPECT_TRUE(std::filesystem::is_directory("Screenshots"));
    // The screenshot header template is a 54-byte 24-bit BMP header.
    std::ifstream h("bmpheader.bin", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(h)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 54u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 24u);
}

TEST_F(GeneratedContent, FontsReadWithTheFontReaderAndFitTheirTextures) {
    for (const char* name : {"fontp", "font_taho", "font_taho2"}) {
        MYFONT* made = InitFont(name, 28, 0);
        ASSERT_NE(made, nullptr) << name;
        ASSERT_EQ(FindFont(name), made) << name;
        const MYFONT& font = *made;
        plat::Image tex;
        std::string error;
        ASSERT_TRUE(plat::LoadImageFile((std::string("objects\\bitmaps\\") + name + ".dds").c_str(), tex, error))
            << error;
        int height = -1;
        for (unsigned char c : std::string("AZaz09 .:,!?=+-_;$*()\\/%")) {
            RECT r;
            int w = 0, h = 0;
            font.GetGlyph(c, &r, &w, &h);
            EXPECT_GT(w, 0) << name << " '" << c << "'";
            if (height < 0) height = h;
            EXPECT_EQ(h, height) << "every glyph is as high as the line";
            EXPECT_GE(r.left, 0);
            EXPECT_GE(r.top, 0);
            EXPECT_LT(r.right, tex.Width());
            EXPECT_LT(r.bottom, tex.Height());
        }
        // An accented letter of the table has a glyph of its own.
        int w = 0;
        font.GetGlyph(0xE9, nullptr, &w, nullptr);
        EXPECT_GT(w, 0);
    }
    ReleaseFonts();
}

TEST_F(GeneratedContent, EveryImageDecodesWithThePlatformLoader) {
    int count = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(".")) {
        const std::string ext = e.path().extension().string();
        if (ext != ".dds" && ext != ".jpg" && ext != ".bmp") continue;
        plat::Image img;
        std::string error;
        EXPECT_TRUE(plat::LoadImageFile(e.path().string().c_str(), img, error)) << e.path() << ": " << error;
        EXPECT_GT(img.Width(), 0);
        ++count;
    }
    EXPECT_GT(count, 30);
    // The ground atlas holds 8 x 8 textures of 128 pixels.
    plat::Image atlas;
    std::string error;
    ASSERT_TRUE(plat::LoadImageFile("objects\\bitmaps\\terrain.jpg", atlas, error));
    EXPECT_EQ(atlas.Width(), 1024);
    EXPECT_EQ(atlas.Height(), 1024);
}

TEST_F(GeneratedContent, InterfaceSheetPaintsEveryImageOfTheCoordinateTable) {
    struct Rect {
        int id, left, top, right, bottom;
    };
    const Rect painted[] = {
#include "content/sheet_rects.inc"
    };
    plat::Image sheet;
    std::string error;
    ASSERT_TRUE(plat::LoadImageFile("objects\\bitmaps\\bitmap.dds", sheet, error)) << error;
    ASSERT_EQ(sheet.Width(), INTERFACE_SHEET_WIDTH);
    ASSERT_EQ(sheet.Height(), INTERFACE_SHEET_HEIGHT);
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(plat::LevelToARGB(sheet.format, sheet.levels[0], pixels));

    const int* ids = nullptr;
    const int n = GetKnownInterfaceIds(&ids);
    ASSERT_GT(n, 100);
    for (int i = 0; i < n; ++i) {
        if (ids[i] == 310) continue;  // a picture of its own texture slot
        RECT src{};
        GetCoordinates(ids[i], &src, nullptr);
        const Rect* p = nullptr;
        for (const Rect& r : painted)
            if (r.id == ids[i]) p = &r;
        ASSERT_NE(p, nullptr) << "image " << ids[i] << " is not painted";
        EXPECT_EQ(p->left, src.left) << ids[i];
        EXPECT_EQ(p->top, src.top) << ids[i];
        EXPECT_EQ(p->right, src.right) << ids[i];
        EXPECT_EQ(p->bottom, src.bottom) << ids[i];
        // Something visible lies in the rectangle.
        int opaque = 0;
        for (int y = src.top; y < src.bottom; ++y)
            for (int x = src.left; x < src.right; ++x)
                if ((pixels[size_t(y) * sheet.Width() + x] >> 24) > 0) ++opaque;
        EXPECT_GT(opaque, 0) << "image " << ids[i] << " is empty";
    }
}

// Tick boxes are drawn in their item's colour, which multiplies the image:
// drawn in the dark label colour over a window's light background, the
// ticked box must differ clearly from the empty one, and the empty one must
// still show its rim.
TEST_F(GeneratedContent, TickBoxesShowTheirTickInTheItemColour) {
    plat::Image sheet;
    std::string error;
    ASSERT_TRUE(plat::LoadImageFile("objects\\bitmaps\\bitmap.dds", sheet, error)) << error;
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(plat::LevelToARGB(sheet.format, sheet.levels[0], pixels));
    RECT on{}, off{};
    GetCoordinates(560, &on, nullptr);
    GetCoordinates(561, &off, nullptr);
    const float ink[3] = {0x00 / 255.0f, 0x20 / 255.0f, 0x30 / 255.0f};  // 0xFF002030
    const float ground[3] = {153, 178, 178};                             // the window background
    auto drawn = [&](const RECT& r, int x, int y) {
        const uint32_t p = pixels[size_t(r.top + y) * sheet.Width() + r.left + x];
        const float a = (p >> 24) / 255.0f;
        float sum = 0;
        for (int c = 0; c < 3; ++c) {
            const float texel = ((p >> (16 - 8 * c)) & 0xff) * ink[c];
            sum += texel * a + ground[c] * (1 - a);
        }
        return sum / 3;
    };
    const int w = on.right - on.left, h = on.bottom - on.top;
    int tickPixels = 0, rimPixels = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (drawn(on, x, y) < drawn(off, x, y) - 60) ++tickPixels;
            if (drawn(off, x, y) < 60) ++rimPixels;
        }
    EXPECT_GT(tickPixels, w * h / 8) << "the tick hardly shows";
    EXPECT_GT(rimPixels, w * 2) << "the empty box hardly shows";
    EXPECT_LT(rimPixels, w * h / 2) << "the empty box is filled dark";
}

TEST_F(GeneratedContent, EveryObjectOfTheXFileListLoadsAsAMesh) {
    const std::vector<std::string> t = Tokens("vlm_objects.xli");
    ASSERT_GE(t.size(), 2u);
    const size_t declared = std::stoul(t[1]);
    ASSERT_EQ((t.size() - 2) % 10, 0u) << "rows of ten tokens";
    ASSERT_EQ((t.size() - 2) / 10, declared);

    plat::ForceHeadlessDevices(true);
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp{};
    pp.Windowed = TRUE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferWidth = 64;
    pp.BackBufferHeight = 64;
    IDirect3DDevice8* dev = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev), D3D_OK);

    std::set<int> ids;
    const std::set<std::string> types = {"SCREENOBJ_TYPE", "TRACK_TYPE",  "PLANT_TYPE",  "HOUSE_TYPE",
                                         "INDUSTRY_TYPE",  "RAILWAY_TYPE", "MISC_TYPE",   "LAMP_TYPE",
                                         "ENGINE_TYPE",    "CWAGON_TYPE", "PWAGON_TYPE", "ENVIR_TYPE",
                                         "DUMMY_TYPE",     "SIGN_TYPE"};
    for (size_t row = 0; row < declared; ++row) {
        const std::string* r = &t[2 + row * 10];
        EXPECT_TRUE(types.count(r[0])) << r[0];
        const int objId = std::stoi(r[1]);
        EXPECT_TRUE(ids.insert(objId).second) << "duplicated objId " << objId;
        const std::string path = "Scenes\\xfiles\\" + r[2];
        ID3DXBuffer* materials = nullptr;
        DWORD count = 0;
        ID3DXMesh* mesh = nullptr;
        ASSERT_EQ(D3DXLoadMeshFromX(path.c_str(), D3DXMESH_SYSTEMMEM, dev, nullptr, &materials, &count, &mesh), D3D_OK)
            << path;
        EXPECT_GT(mesh->GetNumFaces(), 0u) << path;
        EXPECT_GT(count, 0u) << path;
        // Every texture a material names exists.
        const D3DXMATERIAL* m = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
        for (DWORD i = 0; i < count; ++i) {
            if (!m[i].pTextureFilename || !m[i].pTextureFilename[0]) continue;
            std::string f = m[i].pTextureFilename;
            for (char& c : f)
                if (c == '\\') c = '/';
            EXPECT_TRUE(std::filesystem::exists(f)) << path << " names " << f;
        }
        mesh->Release();
        materials->Release();
    }
    // The objects the program draws by fixed ids are all there.
    for (int id : {51, 54, 100, 101, 102, 103, 104, 105, 106, 107, 108, 500, 501, 502, 503, 550, 1001, 10000, 10002,
                   10003, 10004, 5035, 5036, 1400, 1401})
        EXPECT_TRUE(ids.count(id)) << "objId " << id;
    dev->Release();
    d3d->Release();
}

TEST_F(GeneratedContent, ListFilesHaveWholeRecords) {
    // Sky boxes: seven tokens a row, the day sky last (it becomes entry 0).
    const std::vector<std::string> sky = Tokens("vlm_skybox.txt");
    ASSERT_EQ(sky.size() % 7, 0u);
    EXPECT_EQ(sky[sky.size() - 2], "DAY");
    for (size_t i = 0; i < sky.size(); i += 7) {
        std::string f = sky[i];
        for (char& c : f)
            if (c == '\\') c = '/';
        EXPECT_TRUE(std::filesystem::exists(f)) << f;
    }
    EXPECT_EQ(Tokens("lampinfo.list").size() % 12, 0u);
    EXPECT_EQ(Tokens("traindetach.bin").size() % 5, 0u);
    // Sound triples name WAV files that exist.
    const std::vector<std::string> sounds = Tokens("soundsources.list");
    ASSERT_EQ(sounds.size() % 3, 0u);
    bool chime = false;
    for (size_t i = 0; i < sounds.size(); i += 3) {
        std::string f = sounds[i + 1];
        for (char& c : f)
            if (c == '\\') c = '/';
        EXPECT_TRUE(std::filesystem::exists(f)) << f;
        chime = chime || sounds[i] == "fokep";
    }
    EXPECT_TRUE(chime) << "the menu sound is named";
    // Object names are pairs of an objId and one word.
    const std::vector<std::string> names = Tokens("vlm_names.otx");
    ASSERT_EQ(names.size() % 2, 0u);
    for (size_t i = 0; i < names.size(); i += 2) EXPECT_NO_THROW((void)std::stoi(names[i]));
}

}  // namespace
