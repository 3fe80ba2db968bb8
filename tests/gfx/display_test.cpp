// The display without pixels: mode table, start-up choices, cameras, the
// buffer registry around a lost device, the camera block and screenshots.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/input.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "gfx/geometry.h"
#include "gfx/setupdialog.h"
#include "rail/train.h"
#include "world/terrain.h"

namespace {

std::string ReadFile(const std::string& name) {
    std::ifstream f(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void UseModes(const D3DDISPLAYMODE& desktop, std::vector<D3DDISPLAYMODE> modes) {
    plat::SetAdapterModesForTest(&desktop, modes.data(), (UINT)modes.size());
}

D3DDISPLAYMODE Mode(UINT w, UINT h, D3DFORMAT f = D3DFMT_X8R8G8B8, UINT hz = 60) { return {w, h, hz, f}; }

// Gives the global display a Direct3D object and a headless device.
void AttachHeadlessDevice(int width = 800, int height = 600) {
    plat::ForceHeadlessDevices(true);
    display.d3d = Direct3DCreate8(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp{};
    pp.Windowed = TRUE;
    pp.BackBufferWidth = (UINT)width;
    pp.BackBufferHeight = (UINT)height;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    ASSERT_EQ(display.d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp,
                                        &display.device),
              D3D_OK);
}

class DisplayTest : public ::testing::Test {
protected:
    // Each test works in a folder of its own, so that tests running side by
    // side do not share files.
    void SetUp() override {
        home = std::filesystem::current_path();
        std::filesystem::path dir = home / (std::string("display_") +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
        ResetStartLogForTest("display_test_log.txt");
    }
    void TearDown() override {
        SetDisplayDialogHook(nullptr);
        SetResetHookObserverForTest(nullptr);
        plat::SetAdapterModesForTest(nullptr, nullptr, 0);
        plat::ForceHeadlessDevices(false);
        ResetStartLogForTest(nullptr);
        std::filesystem::current_path(home);
    }
    std::filesystem::path home;
    // The log's text with plain line feeds, whatever line end it is written with.
    std::string Log() {
        std::string raw = ReadFile("display_test_log.txt"), out;
        for (char c : raw)
            if (c != '\r' && c != '\0') out += c;
        return out;
    }
};

}  // namespace

TEST_F(DisplayTest, ModeTableKeepsClosestShapeFor4to3Desktop) {
    UseModes(Mode(1024, 768), {Mode(640, 480), Mode(1280, 1024), Mode(800, 600), Mode(1280, 960), Mode(1024, 768),
                               Mode(1152, 864), Mode(1600, 1200, D3DFMT_A8R8G8B8), Mode(1400, 1050, D3DFMT_X1R5G5B5)});
    display.d3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_EQ(display.BuildModeTable(), 4);
    DISPLAY_MODE m;
    const UINT expected[4][2] = {{800, 600}, {1024, 768}, {1280, 960}, {1600, 1200}};
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(display.GetMode(i, &m));
        EXPECT_EQ(m.width, expected[i][0]);
        EXPECT_EQ(m.height, expected[i][1]);
    }
    // Out of range or without an output nothing is copied.
    m.width = 7;
    EXPECT_EQ(display.GetMode(4, &m), 0);
    EXPECT_EQ(display.GetMode(-1, &m), 0);
    EXPECT_EQ(m.width, 7u);
    EXPECT_EQ(display.GetMode(0, nullptr), 0);
}

TEST_F(DisplayTest, ModeTableFor5to4DesktopAndFirstFormatWins) {
    UseModes(Mode(1280, 1024), {Mode(800, 600, D3DFMT_R5G6B5, 60), Mode(800, 600, D3DFMT_X8R8G8B8, 85),
                                Mode(1280, 960), Mode(1280, 1024), Mode(1024, 768)});
    display.d3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_EQ(display.BuildModeTable(), 3);
    DISPLAY_MODE m;
    display.GetMode(0, &m);
    EXPECT_EQ(m.width, 800u);
    EXPECT_EQ(m.format, (UINT)D3DFMT_R5G6B5);
    EXPECT_EQ(m.refreshRate, 60u);
    display.GetMode(2, &m);
    EXPECT_EQ(m.width, 1280u);
    EXPECT_EQ(m.height, 1024u);
}

TEST_F(DisplayTest, InitFailsWithoutStandardWidths) {
    UseModes(Mode(1024, 768), {Mode(640, 480), Mode(1152, 864), Mode(1360, 1020)});
    int code = -1;
    EXPECT_EQ(display.Init(nullptr, SW_SHOW, &code), 0);
    EXPECT_EQ(code, 50);
    EXPECT_NE(Log().find("GetAdapterDisplayMode() passed..."), std::string::npos);
}

TEST_F(DisplayTest, CommandLineSkipsDialogAndRunsFullScreen) {
    UseModes(Mode(1024, 768), {Mode(800, 600), Mode(1024, 768)});
    plat::ForceHeadlessDevices(true);
    bool dialogShown = false;
    SetDisplayDialogHook([&](DISPLAY_DIALOG*) { dialogShown = true; });
    myGlobs.ReadCommandLine("-c24 -x800 -y600");
    int code = -1;
    ASSERT_EQ(display.Init(nullptr, SW_SHOW, &code), 1);
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(dialogShown);
    EXPECT_TRUE(display.IsFullscreen());
    EXPECT_TRUE(display.Is16BitColour());  // anything but 32 is 16-bit colour
    EXPECT_EQ(display.GetTextureFormat(), D3DFMT_A4R4G4B4);
    EXPECT_EQ(display.GetScreenWidth(), 800);
    EXPECT_EQ(display.GetScreenHeight(), 600);
    EXPECT_FLOAT_EQ(display.GetNearPlane(), 0.3f);
    EXPECT_FLOAT_EQ(display.GetAspectRatio(), 800.0f / 600.0f);
    EXPECT_EQ(display.GetPresentParameters().FullScreen_PresentationInterval, (UINT)D3DPRESENT_INTERVAL_ONE);
    std::string log = Log();
    EXPECT_NE(log.find("Available display modes:\n800 x 600\n1024 x 768\n"), std::string::npos);
    EXPECT_NE(log.find("RESX selected by command parameters...\nRESX: 800\n"), std::string::npos);
    EXPECT_NE(log.find("Presentation interval: D3DPRESENT_INTERVAL_ONE\n"), std::string::npos);
    EXPECT_NE(log.find("Selected display format: 800x600x16\n"), std::string::npos);
    EXPECT_NE(log.find("CreateDevice() passed...\nSetViewport() passed..."), std::string::npos);
    display.CleanUp();
}

TEST_F(DisplayTest, UnknownSizeOnCommandLineOpensDialog) {
    UseModes(Mode(1024, 768), {Mode(800, 600), Mode(1024, 768)});
    plat::ForceHeadlessDevices(true);
    bool dialogShown = false;
    SetDisplayDialogHook([&](DISPLAY_DIALOG* dlg) {
        dialogShown = true;
        dlg->listSelection = 1;
        DisplayDialogProc(dlg, WM_COMMAND, IDC_DLG_32BIT, 0);
        DisplayDialogProc(dlg, WM_COMMAND, IDOK, 0);
    });
    myGlobs.ReadCommandLine("-c32 -x1234 -y567");
    int code = -1;
    ASSERT_EQ(display.Init(nullptr, SW_SHOW, &code), 1);
    EXPECT_TRUE(dialogShown);
    EXPECT_EQ(display.GetScreenWidth(), 1024);
    EXPECT_FALSE(display.Is16BitColour());
    EXPECT_FLOAT_EQ(display.GetFarPlane(), 600.0f);
    display.CleanUp();
}

TEST_F(DisplayTest, WindowedAspectAndDefaults) {
    DISPLAY d;
    d.SetDisplayMode(16, 0, 1, 0, 0);
    d.SetDefaults();
    EXPECT_FLOAT_EQ(d.GetAspectRatio(), 942.0f / 686.0f);
    EXPECT_FLOAT_EQ(d.material.Specular.r, 0.4f);
    EXPECT_FLOAT_EQ(d.material.Power, 10.0f);
    EXPECT_EQ(d.GetDefaultRenderState(D3DRS_ALPHAREF), 128u);
    EXPECT_EQ(d.GetDefaultRenderState(D3DRS_ALPHAFUNC), (DWORD)D3DCMP_GREATEREQUAL);
    EXPECT_EQ(d.GetDefaultRenderState(D3DRS_FOGCOLOR), 0xff8b93d3u);
    EXPECT_EQ(d.GetDefaultTextureStageState(1, D3DTSS_MINFILTER), (DWORD)D3DTEXF_POINT);
    EXPECT_EQ(d.GetDefaultTextureStageState(2, D3DTSS_COLORARG1), (DWORD)D3DTA_CURRENT);
    float fs, fe;
    d.GetSecondFogRange(&fs, &fe);
    EXPECT_FLOAT_EQ(fe, 900.0f);
    d.SetFogColor(0xff112233);
    EXPECT_EQ(d.GetDefaultRenderState(D3DRS_FOGCOLOR), 0xff112233u);
}

TEST_F(DisplayTest, OrbitCameraAtDefaults) {
    DISPLAY d;
    d.SetDisplayMode(32, 1, 1, 800, 600);
    d.SetDefaults();
    d.UpdateView(1, 0.0f, 0.0f);
    D3DXVECTOR3 eye, at, up;
    d.GetCamera(&eye, &at, &up);
    EXPECT_NEAR(eye.x, 0.0f, 1e-4f);
    EXPECT_NEAR(eye.y, 6.5f, 1e-4f);
    EXPECT_NEAR(eye.z, -11.258f, 1e-3f);
    EXPECT_EQ(at.x, 0.0f);
    EXPECT_EQ(at.y, 0.0f);
    // A layout target (3, 2) is the world point (3, -2).
    d.UpdateView(0, 3.0f, 2.0f);
    d.GetCamera(&eye, &at, nullptr);
    EXPECT_FLOAT_EQ(at.x, 3.0f);
    EXPECT_FLOAT_EQ(at.y, -2.0f);
    // Nothing changed: the view is left alone.
    D3DXMATRIX before, after;
    d.GetViewMatrix(&before);
    d.UpdateView(0, 3.0f, 2.0f);
    d.GetViewMatrix(&after);
    EXPECT_EQ(before, after);
    // The billboard matrix 1 is the inverse view.
    D3DXMATRIX inv, prod;
    d.GetBillboardMatrix(&inv, 1);
    D3DXMatrixMultiply(&prod, &before, &inv);
    EXPECT_NEAR(prod._11, 1.0f, 1e-5f);
    EXPECT_NEAR(prod._41, 0.0f, 1e-4f);
}

TEST_F(DisplayTest, FollowCameraDistanceAndZoomClamp) {
    DISPLAY d;
    d.SetDisplayMode(32, 1, 1, 800, 600);
    d.SetDefaults();
    TRAIN train;
    train.vPos = D3DXVECTOR3(5.0f, 6.0f, -1.0f);
    train.heading = 90.0f;
    myGlobs.journeyMode = 1;
    myGlobs.journeyTrain = &train;
    myGlobs.tavolsag = 4.2f;
    mouseWheel = 0;
    frameTime = 20;
    d.UpdateView(1, 0.0f, 0.0f);
    EXPECT_NEAR(myGlobs.tavolsag, 4.2f, 1e-6f);
    mouseWheel = 120;
    d.UpdateView(1, 0.0f, 0.0f);
    EXPECT_NEAR(myGlobs.tavolsag, 4.32f, 1e-5f);
    mouseWheel = 100000;
    d.UpdateView(1, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(myGlobs.tavolsag, 10.0f);
    mouseWheel = -100000;
    d.UpdateView(1, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(myGlobs.tavolsag, 1.2f);

    keyUp = 1;
    frameTime = 100;
    for (int i = 0; i < 20; ++i) d.UpdateView(1, 0.0f, 0.0f);
    keyUp = 0;
    float heading, last, orbit, zoom;
    d.GetFollowValues(&heading, &last, &orbit, &zoom);
    EXPECT_FLOAT_EQ(zoom, 1.3f);
    keyDown = 1;
    for (int i = 0; i < 40; ++i) d.UpdateView(1, 0.0f, 0.0f);
    keyDown = 0;
    d.GetFollowValues(nullptr, nullptr, &orbit, &zoom);
    EXPECT_FLOAT_EQ(zoom, 0.3f);
    // Turning right from 0 wraps into 0..2π.
    keyRight = 1;
    d.UpdateView(1, 0.0f, 0.0f);
    keyRight = 0;
    d.GetFollowValues(nullptr, nullptr, &orbit, nullptr);
    EXPECT_NEAR(orbit, 6.2831853f - 0.25f, 1e-4f);

    // The eye rides behind the vehicle at the lift height; up is -z.
    D3DXVECTOR3 eye, up;
    d.GetCamera(&eye, nullptr, &up);
    EXPECT_EQ(up.z, -1.0f);
    EXPECT_LT(eye.z, train.vPos.z);
    myGlobs.journeyMode = 0;
    myGlobs.journeyTrain = nullptr;
}

TEST_F(DisplayTest, CameraUnderHillIsLifted) {
    AttachHeadlessDevice();
    if (!terrain.CreateTerrain(1, 1)) GTEST_SKIP() << "terrain could not be created";
    for (int i = 0; i <= terrain.GetGridX(); ++i)
        for (int j = 0; j <= terrain.GetGridY(); ++j) terrain.SetVertexHeight(i, j, -30.0f);
    DISPLAY d;
    d.SetDisplayMode(16, 1, 1, 800, 600);
    d.SetDefaults();
    d.UpdateView(1, 0.0f, 0.0f);
    D3DXVECTOR3 eye, at;
    d.GetCamera(&eye, &at, nullptr);
    float g = terrain.GetHeight(eye.x, eye.y, 0);
    EXPECT_LE(eye.z - g, -2.0f * d.GetNearPlane() + 1e-4f);
    EXPECT_GT(eye.z - g, -2.0f * d.GetNearPlane() - 0.1001f);  // the smallest lift in 0.1 steps
    EXPECT_NEAR(eye.z - at.z, -11.258f, 1e-3f);                // look-at lifted by the same amount
    terrain.Release();
}

TEST_F(DisplayTest, EyeInsideRotatedBox) {
    DISPLAY d;
    d.SetDisplayMode(16, 1, 1, 800, 600);
    d.SetDefaults();
    d.UpdateView(1, 0.0f, 0.0f);  // eye at (0, 6.5, -11.258), near plane 0.3
    // A box around the eye, placed at (0, 6.5, -11.258) turned by 90 degrees.
    EXPECT_EQ(d.IsEyeInsideBox(-0.5f, -0.1f, -0.1f, 0.5f, 0.1f, 0.1f, 0.0f, 6.5f, -11.258f, 90.0f), 1);
    // Grown by the near plane: 0.35 off the box side still counts as inside.
    // (The eye lies at local x -0.35 here: the turn maps local x onto world y.)
    EXPECT_EQ(d.IsEyeInsideBox(-0.2f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 6.85f, -11.258f, 90.0f), 1);
    EXPECT_EQ(d.IsEyeInsideBox(-0.2f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 7.5f, -11.258f, 90.0f), 0);
}

TEST_F(DisplayTest, CameraBlockClampedOnLoad) {
    DISPLAY d;
    myGlobs.loadFileVersion = 13;
    const char* name = "camera_block.bin";
    FILE* f = std::fopen(name, "wb");
    const float values[4] = {NAN, 1.5f, 100.0f, 7.0f};
    std::fwrite(values, 4, 4, f);
    std::fclose(f);
    f = std::fopen(name, "rb");
    d.LoadCamera(f);
    std::fclose(f);
    float heading, last, orbit, zoom;
    d.GetFollowValues(&heading, &last, &orbit, &zoom);
    EXPECT_EQ(heading, 0.0f);
    EXPECT_EQ(last, 1.5f);
    EXPECT_NEAR(orbit, 6.2831853f, 1e-5f);
    EXPECT_EQ(zoom, 1.3f);
    // Round trip of sane values, and nothing at all before version 13.
    d.SetFollowValues(0.5f, 0.25f, 1.0f, 0.9f);
    f = std::fopen(name, "wb");
    d.SaveCamera(f);
    EXPECT_EQ(std::ftell(f), 16);
    std::fclose(f);
    DISPLAY e;
    f = std::fopen(name, "rb");
    e.LoadCamera(f);
    std::fclose(f);
    e.GetFollowValues(&heading, &last, &orbit, &zoom);
    EXPECT_EQ(zoom, 0.9f);
    EXPECT_EQ(orbit, 1.0f);
    myGlobs.loadFileVersion = 12;
    f = std::fopen(name, "wb");
    d.SaveCamera(f);
    EXPECT_EQ(std::ftell(f), 0);
    std::fclose(f);
}

TEST_F(DisplayTest, RegistryAddRemoveAndLookup) {
    AttachHeadlessDevice();
    DISPLAY_BUFFER* a = display.AddVertexBuffer(0x142, 240, 0, 0, nullptr);
    DISPLAY_BUFFER* b = display.AddVertexBuffer(0x152, 360, 60, 1, nullptr);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(display.GetFirstBuffer(), b);  // new nodes go to the front
    EXPECT_NE(display.GetVB(a), nullptr);
    EXPECT_EQ(display.GetIB(a), nullptr);
    D3DVERTEXBUFFER_DESC vd;
    display.GetVB(a)->GetDesc(&vd);
    EXPECT_EQ(vd.Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(vd.Usage, (DWORD)(D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC));
    display.GetVB(b)->GetDesc(&vd);
    EXPECT_EQ(vd.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(vd.Usage, (DWORD)D3DUSAGE_WRITEONLY);
    D3DINDEXBUFFER_DESC id;
    display.GetIB(b)->GetDesc(&id);
    EXPECT_EQ(id.Format, D3DFMT_INDEX16);
    EXPECT_EQ(id.Size, 60u);

    DISPLAY_BUFFER stranger;
    EXPECT_EQ(display.GetVB(&stranger), nullptr);
    DISPLAY_BUFFER* strangerHandle = &stranger;
    display.RemoveVertexBuffer(&strangerHandle);
    EXPECT_EQ(strangerHandle, &stranger);  // not in the list: untouched
    display.RemoveVertexBuffer(&a);
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(display.GetFirstBuffer(), b);
    EXPECT_EQ(b->prev, nullptr);
    EXPECT_EQ(b->next, nullptr);
    DISPLAY_BUFFER* none = nullptr;
    display.RemoveVertexBuffer(&none);
    display.RemoveVertexBuffer(nullptr);
    display.CleanUp();
    EXPECT_EQ(display.GetFirstBuffer(), nullptr);
    EXPECT_EQ(display.GetDevice(), nullptr);
}

TEST_F(DisplayTest, LostDeviceResetRecreatesDefaultPoolBuffersInPlace) {
    AttachHeadlessDevice();
    display.SetDisplayMode(16, 0, 1, 0, 0);
    display.SetDefaults();
    DISPLAY_BUFFER* dyn = display.AddVertexBuffer(0x144, 12000 * 84, 0, 0, nullptr);
    DISPLAY_BUFFER* dynIdx = display.AddVertexBuffer(0x112, 3200, 1200, 0, nullptr);
    DISPLAY_BUFFER* managed = display.AddVertexBuffer(0x142, 480, 0, 1, nullptr);
    ASSERT_TRUE(dyn && dynIdx && managed);
    IDirect3DVertexBuffer8* managedVb = display.GetVB(managed);
    // Bind a default-pool buffer as the program does; the reset must still work.
    display.GetDevice()->SetStreamSource(0, display.GetVB(dyn), 28);
    display.GetDevice()->SetRenderState(D3DRS_LIGHTING, FALSE);

    std::vector<std::string> hooks;
    SetResetHookObserverForTest([&](const char* name) { hooks.push_back(name); });
    plat::SimulateDeviceLost(display.GetDevice(), 3);
    EXPECT_EQ(display.BeginFrame(0), 0);
    EXPECT_EQ(display.BeginFrame(0), 0);
    EXPECT_EQ(display.BeginFrame(0), 0);
    EXPECT_TRUE(hooks.empty());
    EXPECT_EQ(display.BeginFrame(0xff000000), 1);  // reset, then the frame runs
    display.EndFrame();

    std::string log = Log();
    size_t first = log.find("Device lost !!!!!!!!");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(log.find("Device lost !!!!!!!!", first + 1), std::string::npos) << "logged once per loss";
    EXPECT_NE(log.find("Display: All not auto managed vertex and index buffers released...\n"
                       "Device was reset with success..."),
              std::string::npos);

    // Same nodes, fresh buffers of the same sizes and kinds.
    ASSERT_NE(display.GetVB(dyn), nullptr);
    D3DVERTEXBUFFER_DESC vd;
    display.GetVB(dyn)->GetDesc(&vd);
    EXPECT_EQ(vd.Size, 12000u * 84u);
    EXPECT_EQ(vd.FVF, 0x144u);
    EXPECT_EQ(vd.Pool, D3DPOOL_DEFAULT);
    ASSERT_NE(display.GetIB(dynIdx), nullptr);
    D3DINDEXBUFFER_DESC id;
    display.GetIB(dynIdx)->GetDesc(&id);
    EXPECT_EQ(id.Size, 1200u);
    EXPECT_EQ(id.Format, D3DFMT_INDEX16);
    EXPECT_EQ(display.GetVB(managed), managedVb);  // managed buffers survive untouched

    const std::vector<std::string> order = {"texturemanager", "screensprites", "terrobjlist", "terrain", "lightlist"};
    EXPECT_EQ(hooks, order);
    // The buffer re-creation runs them through the named helper.
    hooks.clear();
    RestoreAfterReset();
    EXPECT_EQ(hooks, order);
    // The display's states are back on the device.
    DWORD v = 0;
    display.GetDevice()->GetRenderState(D3DRS_LIGHTING, &v);
    EXPECT_EQ(v, 1u);
    display.GetDevice()->GetRenderState(D3DRS_ALPHAREF, &v);
    EXPECT_EQ(v, 128u);
    display.CleanUp();
}

// ---------------------------------------------------------------------------
// Screenshots

namespace {

void WriteTemplate() {
    // A plain 54-byte header of a 24-bit bottom-up image (sizes are computed
    // when the file is written).
    unsigned char h[54] = {'B', 'M'};
    h[10] = 54;
    h[14] = 40;
    h[26] = 1;
    h[28] = 24;
    FILE* f = std::fopen("bmpheader.bin", "wb");
    std::fwrite(h, 1, sizeof h, f);
    std::fclose(f);
}

uint32_t Le32(const std::string& s, size_t at) {
    return (uint32_t)(unsigned char)s[at] | ((uint32_t)(unsigned char)s[at + 1] << 8) |
           ((uint32_t)(unsigned char)s[at + 2] << 16) | ((uint32_t)(unsigned char)s[at + 3] << 24);
}

// Clears a frame to the colour and answers the screenshot file taken of it
// (empty when none was written).
std::string CaptureFrame(D3DCOLOR colour) {
    EXPECT_EQ(display.BeginFrame(colour), 1);
    display.EndFrame();
    char name[64] = {};
    if (!display.TakeScreenshot(name, sizeof name)) return std::string();
    return ReadFile(std::string("Screenshots/") + name);
}

}  // namespace

TEST_F(DisplayTest, BitmapBytesWithPaddedRows) {
    WriteTemplate();
    std::filesystem::remove_all("Screenshots");  // the folder is made when missing
    // A 3 x 2 image; pixel (c, r) has blue = 10 r + c, green 100 + c, red 200.
    // The source rows are 16 bytes apart (pitch larger than 3 x 4).
    std::vector<BYTE> px(2 * 16, 0xee);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c) {
            BYTE* p = &px[(size_t)r * 16 + (size_t)c * 4];
            p[0] = (BYTE)(10 * r + c);
            p[1] = (BYTE)(100 + c);
            p[2] = 200;
            p[3] = 255;
        }
    DISPLAY d;
    char name[64] = {};
    ASSERT_EQ(d.SaveBitmap(3, 2, px.data(), name, sizeof name, 16), 1);
    ASSERT_EQ(std::strncmp(name, "vlm_", 4), 0);
    EXPECT_EQ(std::strlen(name), 14u);  // vlm_HHMMSS.bmp
    std::string file = ReadFile(std::string("Screenshots/") + name);
    ASSERT_EQ(file.size(), 54u + 2u * 12u);
    EXPECT_EQ(Le32(file, 2), 54u + 24u);
    EXPECT_EQ(Le32(file, 18), 3u);
    EXPECT_EQ(Le32(file, 22), 2u);
    EXPECT_EQ(Le32(file, 34), 24u);
    // First stored row is the bottom row (r = 1).
    const unsigned char row0[12] = {10, 100, 200, 11, 101, 200, 12, 102, 200, 0, 0, 0};
    const unsigned char row1[12] = {0, 100, 200, 1, 101, 200, 2, 102, 200, 0, 0, 0};
    EXPECT_EQ(std::memcmp(file.data() + 54, row0, 12), 0);
    EXPECT_EQ(std::memcmp(file.data() + 66, row1, 12), 0);

    // 5 x 3: rows of 15 bytes padded to 16.
    std::vector<BYTE> px5(5 * 3 * 4);
    for (size_t i = 0; i < px5.size(); ++i) px5[i] = (BYTE)i;
    ASSERT_EQ(d.SaveBitmap(5, 3, px5.data(), name, sizeof name), 1);
    file = ReadFile(std::string("Screenshots/") + name);
    ASSERT_EQ(file.size(), 54u + 3u * 16u);
    // Bottom row (r = 2) first: source bytes 40.. in groups of 4, three kept.
    const unsigned char bottom[16] = {40, 41, 42, 44, 45, 46, 48, 49, 50, 52, 53, 54, 56, 57, 58, 0};
    EXPECT_EQ(std::memcmp(file.data() + 54, bottom, 16), 0);
}

TEST_F(DisplayTest, MissingOrShortTemplateIsLogged) {
    std::remove("bmpheader.bin");
    DISPLAY d;
    BYTE px[4] = {1, 2, 3, 4};
    char name[32] = "unchanged";
    EXPECT_EQ(d.SaveBitmap(1, 1, px, name, sizeof name), 0);
    EXPECT_STREQ(name, "unchanged");
    EXPECT_NE(Log().find("Could not open bmpheader.bin in DISPLAY::SaveBitmap()!!!"), std::string::npos);
    FILE* f = std::fopen("bmpheader.bin", "wb");
    std::fwrite("BM", 1, 2, f);  // truncated template
    std::fclose(f);
    EXPECT_EQ(d.SaveBitmap(1, 1, px, name, sizeof name), 0);
}

TEST_F(DisplayTest, ScreenshotOfHeadlessDevice) {
    WriteTemplate();
    UseModes(Mode(1024, 768), {Mode(800, 600), Mode(1024, 768)});
    plat::ForceHeadlessDevices(true);
    myGlobs.ReadCommandLine("-c32 -x800 -y600");
    int code = 0;
    ASSERT_EQ(display.Init(nullptr, SW_SHOW, &code), 1);
    std::string file = CaptureFrame(0xff405060);
    ASSERT_EQ(file.size(), 54u + 800u * 600u * 3u);
    EXPECT_EQ((unsigned char)file[54], 0x60);
    EXPECT_EQ((unsigned char)file[55], 0x50);
    EXPECT_EQ((unsigned char)file[56], 0x40);
    display.CleanUp();
}

TEST_F(DisplayTest, WindowedScreenshotTakesTheClientArea) {
    WriteTemplate();
    UseModes(Mode(1024, 768), {Mode(800, 600), Mode(1024, 768)});
    plat::ForceHeadlessDevices(true);
    // A window comes only from the set-up dialog.
    SetDisplayDialogHook([](DISPLAY_DIALOG* dlg) {
        DisplayDialogProc(dlg, WM_COMMAND, IDOK, 0);
        display.SetDisplayMode(32, 0, 1, 0, 0);
    });
    myGlobs.ReadCommandLine("");
    int code = -1;
    ASSERT_EQ(display.Init(nullptr, SW_SHOW, &code), 1);
    EXPECT_FALSE(display.IsFullscreen());
    EXPECT_EQ(display.GetScreenWidth(), 944);
    EXPECT_EQ(display.GetScreenHeight(), 687);
    // The window is 952 by 714 with its frame; the back buffer fills what the
    // frame leaves.
    RECT outer{}, client{};
    ASSERT_TRUE(GetWindowRect(display.GetWindowHandle(), &outer));
    ASSERT_TRUE(GetClientRect(display.GetWindowHandle(), &client));
    EXPECT_EQ(outer.right - outer.left, 952);
    EXPECT_EQ(outer.bottom - outer.top, 714);
    EXPECT_EQ(client.right - client.left, 944);
    EXPECT_EQ(client.bottom - client.top, 687);
    EXPECT_EQ(display.GetPresentParameters().BackBufferWidth, 0u);
    IDirect3DSurface8* back = nullptr;
    ASSERT_EQ(display.GetDevice()->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DSURFACE_DESC desc{};
    back->GetDesc(&desc);
    back->Release();
    EXPECT_EQ(desc.Width, 944u);
    EXPECT_EQ(desc.Height, 687u);

    std::string file = CaptureFrame(0xff405060);
    ASSERT_EQ(file.size(), 54u + 944u * 687u * 3u);
    EXPECT_EQ(Le32(file, 18), 944u);
    EXPECT_EQ(Le32(file, 22), 687u);
    EXPECT_EQ((unsigned char)file[54], 0x60);
    display.CleanUp();
}
