// The X file list reader, mesh conversion and the per-objId accessors, with
// lists and .x files written by the tests into a temporary working folder.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "platform/d3d8.h"
#include "platform/d3dx8.h"
#include "rail/layoutstate.h"
#include "world/aterrobj.h"
#include "world/axobject.h"
#include "world/terrobj.h"
#include "world/xobject.h"

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary);
    f << text;
}

std::string ReadFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// A box from (x0, y0, z0) to (x1, y1, z1) with two materials: faces 0..9 use
// material 0, faces 10 and 11 material 1. Texture coordinates, no normals, so
// the loaded vertex format is not the 32-byte one.
std::string BoxX(float x0, float y0, float z0, float x1, float y1, float z1, const char* tex0, const char* tex1) {
    std::ostringstream s;
    s << "xof 0302txt 0032\n";
    s << "Material Mat0 { 1.0;0.5;0.25;1.0;; 10.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; TextureFilename { \"" << tex0
      << "\"; } }\n";
    s << "Material Mat1 { 0.0;1.0;0.0;1.0;; 10.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; TextureFilename { \"" << tex1
      << "\"; } }\n";
    s << "Mesh Box {\n 8;\n";
    const float xs[2] = {x0, x1}, ys[2] = {y0, y1}, zs[2] = {z0, z1};
    for (int i = 0; i < 8; ++i) {
        s << " " << xs[i & 1] << ";" << ys[(i >> 1) & 1] << ";" << zs[(i >> 2) & 1] << ";" << (i == 7 ? ";" : ",")
          << "\n";
    }
    // Faces wound clockwise seen from outside (left-handed front faces).
    const int faces[12][3] = {{0, 2, 1}, {1, 2, 3}, {4, 5, 6}, {5, 7, 6}, {0, 1, 4}, {1, 5, 4},
                              {2, 6, 3}, {3, 6, 7}, {0, 4, 2}, {2, 4, 6}, {1, 3, 5}, {3, 7, 5}};
    s << " 12;\n";
    for (int f = 0; f < 12; ++f)
        s << " 3;" << faces[f][0] << "," << faces[f][1] << "," << faces[f][2] << ";" << (f == 11 ? ";" : ",")
          << "\n";
    s << " MeshMaterialList { 2; 12; ";
    for (int f = 0; f < 12; ++f) s << (f < 10 ? 0 : 1) << (f == 11 ? ";;" : ",");
    s << " {Mat0} {Mat1} }\n";
    s << " MeshTextureCoords { 8; ";
    for (int i = 0; i < 8; ++i) s << (i & 1) << ";" << ((i >> 1) & 1) << ";" << (i == 7 ? ";" : ",");
    s << " }\n}\n";
    return s.str();
}

// A box with a single material.
std::string OneMaterialBoxX() {
    std::string s = BoxX(-1, -1, -1, 1, 1, 1, "objects\\bitmaps\\one.dds", "unused.dds");
    size_t a = s.find(" MeshMaterialList");
    size_t b = s.find(" MeshTextureCoords");
    std::string list = " MeshMaterialList { 1; 12; 0,0,0,0,0,0,0,0,0,0,0,0;; {Mat0} }\n";
    return s.substr(0, a) + list + s.substr(b);
}

// A strip of quads, one material (and texture) per quad.
std::string ManyMaterialsX(int n) {
    std::ostringstream s;
    s << "xof 0302txt 0032\nMesh Strip {\n " << 4 * n << ";\n";
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < 4; ++k)
            s << " " << i + (k & 1) << ";" << (k >> 1) << ";0.0;" << (i == n - 1 && k == 3 ? ";" : ",") << "\n";
    s << " " << 2 * n << ";\n";
    for (int i = 0; i < n; ++i) {
        int b = 4 * i;
        s << " 3;" << b << "," << b + 2 << "," << b + 1 << ";,\n";
        s << " 3;" << b + 1 << "," << b + 2 << "," << b + 3 << ";" << (i == n - 1 ? ";" : ",") << "\n";
    }
    s << " MeshMaterialList { " << n << "; " << 2 * n << "; ";
    for (int f = 0; f < 2 * n; ++f) s << f / 2 << (f == 2 * n - 1 ? ";;" : ",");
    for (int i = 0; i < n; ++i)
        s << " Material { 1.0;1.0;1.0;1.0;; 1.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; TextureFilename { \"t\\m" << i
          << "aa.dds\"; } }";
    s << " }\n MeshTextureCoords { " << 4 * n << "; ";
    for (int i = 0; i < 4 * n; ++i) s << (i & 1) << ";" << ((i >> 1) & 1) << ";" << (i == 4 * n - 1 ? ";" : ",");
    s << " }\n}\n";
    return s.str();
}

// An animated file: a frame with a one-material box and an animation set
// turning it with matrix keys.
std::string AnimatedX() {
    std::ostringstream s;
    s << "xof 0302txt 0032\n";
    s << "Frame Body {\n FrameTransformMatrix { 1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0;; }\n";
    s << " Mesh BodyMesh {\n 4;\n 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;, 1.0;1.0;0.0;;\n 2;\n 3;0,2,1;, 3;1,2,3;;\n";
    s << "  MeshMaterialList { 1; 2; 0,0;; Material { 1.0;1.0;1.0;1.0;; 5.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; "
         "TextureFilename { \"objects\\bitmaps\\walkcol.dds\"; } } }\n";
    s << "  MeshNormals { 1; 0.0;0.0;-1.0;; 2; 3;0,0,0;, 3;0,0,0;; }\n";
    s << "  MeshTextureCoords { 4; 0.0;0.0;, 1.0;0.0;, 0.0;1.0;, 1.0;1.0;; }\n }\n}\n";
    s << "AnimationSet Walk {\n Animation {\n  {Body}\n  AnimationKey { 4; 2;\n";
    s << "   0;16;1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0;;,\n";
    s << "   4800;16;1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,2.0,0.0,0.0,1.0;;;\n  }\n }\n}\n";
    return s.str();
}

class XObjectFiles : public ::testing::Test {
protected:
    void SetUp() override {
        oldDir = fs::current_path();
        dir = fs::temp_directory_path() / ("vel_xobj_" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "Scenes" / "xfiles");
        fs::current_path(dir);
        ResetStartLogForTest(nullptr);
        ResetXobjectLoader();
        ClearIdTable();
        plat::ForceHeadlessDevices(true);
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(nullptr, d3d);
        D3DPRESENT_PARAMETERS pp;
        memset(&pp, 0, sizeof pp);
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 64;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.Windowed = TRUE;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        ASSERT_TRUE(SUCCEEDED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                                &pp, &device)));
        display.device = device;
        WriteFile(dir / "Scenes" / "xfiles" / "box.x",
                  BoxX(1, 0, 0, 3, 2, 4, "objects\\bitmaps\\col1.dds", "objects\\bitmaps\\roofaa.dds"));
        WriteFile(dir / "Scenes" / "xfiles" / "lamp1.x",
                  BoxX(-1, -1, -1, 1, 1, 1, "objects\\bitmaps\\a.dds", "objects\\bitmaps\\b.dds"));
    }
    void TearDown() override {
        ReleaseXObjects();
        axobjectList.RemoveAll();
        display.device = nullptr;
        if (device) device->Release();
        if (d3d) d3d->Release();
        fs::current_path(oldDir);
        fs::remove_all(dir);
    }
    // Runs the loader to its end like the loading state does.
    int LoadAll() {
        int calls = 0;
        if (!InitXobjects()) return 0;
        while (InitXobjects() && calls < 10000) ++calls;
        return calls + 1;
    }
    std::string Log() { return ReadFile(dir / "startlog.txt"); }
    XOBJECT& Type(int objId) { return myGlobs.xObjects[GetXID(objId, 0)]; }

    fs::path oldDir, dir;
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
};

}  // namespace

TEST_F(XObjectFiles, NoListLogsAndStops) {
    EXPECT_EQ(0, InitXobjects());
    EXPECT_NE(std::string::npos, Log().find("There are no X file lists!!!"));
}

TEST_F(XObjectFiles, GoldenListCoversEveryRowKind) {
    WriteFile(dir / "Scenes" / "xfiles" / "anm_walk.x", AnimatedX());
    WriteFile(dir / "Scenes" / "xfiles" / "anmc_mill.x", AnimatedX());
    WriteFile(dir / "Scenes" / "xfiles" / "anmf_dog.x", AnimatedX());
    WriteFile(dir / "Scenes" / "xfiles" / "tr_1002.trf",
              "objects\\bitmaps\\col1.dds objects\\bitmaps\\other.dds\n");
    WriteFile(dir / "a.xli",
              "XLIST 14\n"
              "PLANT_TYPE 100 box.x 0.5 Tree objects\\bitmaps\\col1.dds - 0 0xffffff x\n"
              "LAMP_TYPE 200 lamp1.x 1.0 Lamp LPOS045N - 0xff8000 0 x\n"
              "LAMP_TYPE 202 box.x 1.0 Lamp3 LPOS4 - 0 0 x\n"
              "MISC_TYPE 300 box.x 1 Blink blinker 1000 0 0 x\n"
              "MISC_TYPE 301 box.x 1 BlinkOff - - 0 0 x\n"
              "MISC_TYPE 302 box.x 1 BlinkZero blinker 0 0 0 x\n"
              "ENGINE_TYPE 1000 box.x 0.5 Engine - 150 7 30 x\n"
              "CWAGON_TYPE 1001 box.x 1 Wagon 1000 80 3 0 x\n"
              "PWAGON_TYPE 1002 box.x 1 Coach 1000 80 3 5 x\n"
              "MISC_TYPE 400 anm_walk.x 1 Walker - - 0 0 x\n"
              "MISC_TYPE 401 anmc_mill.x 1 Mill - - 0 0 x\n"
              "MISC_TYPE 402 anmf_dog.x 1 Dog - - 0 0 x\n"
              "MISC_TYPE 410 anm_missing.x 1 Missing - - 0 0 x\n"
              "ENGINE_TYPE 1250 anmc_mill.x 1 Loco - 50 7 30 x\n"
              "HOUSE_TYPE 100 box.x 2 House2 - - 0 0 x\n"
              "HOUSE_TYPE 15000 box.x 1 Big - - 0 0 x\n"
              "TREE_TYPE 500 box.x 1 Odd - - 0 0 x\n"
              "HOUSE_TYPE 600 box.x\n");
    ASSERT_EQ(1, InitXobjects());
    EXPECT_EQ(14, myGlobs.xListDeclaredTotal);
    // During loading the first type of a duplicated objId answers.
    int guard = 0;
    while (InitXobjects() && ++guard < 100) {
        if (myGlobs.xObjectCount == 15) {
            int xid = GetXID(100, 0);
            ASSERT_GE(xid, 0);
            EXPECT_STREQ("Tree", myGlobs.xObjects[xid].name);
        }
    }
    // 18 rows, one failed animated load, one short row: 16 types.
    EXPECT_EQ(16, myGlobs.xObjectCount);
    EXPECT_GT(myGlobs.xListProgress, 100);  // more rows than declared
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("Reading from file: a.xli"));
    EXPECT_NE(std::string::npos, log.find("WARNING!!! Duplicated objId: 100"));
    EXPECT_NE(std::string::npos, log.find("objId is bigger than MAXIDS: 15000 > 15000"));
    EXPECT_NE(std::string::npos, log.find("Unknown OBJTYPE in DetObjType()"));
    EXPECT_NE(std::string::npos, log.find("X file load error!!!"));
    EXPECT_NE(std::string::npos, log.find("Unable to load animated X file:Scenes\\xfiles\\anm_missing.x"));
    EXPECT_NE(std::string::npos, log.find("Size of all X objects: "));
    EXPECT_NE(std::string::npos, log.find("animated X file successfully loaded..."));
    EXPECT_NE(std::string::npos, log.find("Max face influences: 1"));
    EXPECT_NE(std::string::npos, log.find("No mesh split needed..."));
    EXPECT_NE(std::string::npos, log.find("Incomplete last row of the X file list skipped: a.xli"));
    EXPECT_NE(std::string::npos, log.find("Reference mesh used with only mesh replacement..."));
    EXPECT_NE(std::string::npos, log.find("Reference mesh used with texture replacement..."));
    EXPECT_NE(std::string::npos, log.find("Could not open texture replacement file: Scenes\\xfiles\\tr_1001.trf"));

    BuildIdTable();
    // After the rebuild the last type of a duplicated objId answers.
    EXPECT_STREQ("House2", Type(100).name);
    EXPECT_EQ(HOUSE_TYPE, GetObjTypeById(100));
    EXPECT_EQ(-1, GetXID(15000, 0));
    EXPECT_EQ(-1, GetXID(600, 0));
    // The failed animated type left neither a type nor a table entry.
    EXPECT_EQ(-1, GetXID(410, 0));
    EXPECT_EQ(nullptr, axobjectList.FindByObjId(410));

    // Colours and lamps.
    XOBJECT& tree = Type(500);
    EXPECT_EQ(PLANT_TYPE, tree.type);
    int xidTree = -1;
    for (int i = 0; i < myGlobs.xObjectCount; ++i)
        if (myGlobs.xObjects[i].objId == 100 && strcmp(myGlobs.xObjects[i].name, "Tree") == 0) xidTree = i;
    ASSERT_GE(xidTree, 0);
    EXPECT_EQ(0xFFFFFFFFu, myGlobs.xObjects[xidTree].colour1);
    EXPECT_EQ(0xFFFFFFFFu, myGlobs.xObjects[xidTree].colour2);
    EXPECT_EQ(1, myGlobs.xObjects[xidTree].hasColour1);
    EXPECT_EQ(0, myGlobs.xObjects[xidTree].notPlant);
    EXPECT_EQ(0xFF8000, Type(200).lampColour);
    EXPECT_EQ(1, Type(202).lampColour);
    int flag = -1;
    float offset = 0.0f;
    EXPECT_EQ(1, GetObjLightPosition(200, &flag, &offset));
    EXPECT_EQ(0, flag);
    EXPECT_FLOAT_EQ(-45.0f, offset);
    EXPECT_EQ(1, GetObjLightPosition(202, &flag, &offset));  // short token
    EXPECT_EQ(1, flag);
    EXPECT_FLOAT_EQ(-4.0f, offset);
    EXPECT_EQ(1, GetObjLightPosition(300, &flag, &offset));  // not a lamp: "-"
    EXPECT_EQ(1, flag);
    EXPECT_FLOAT_EQ(-0.45f, offset);

    // Blinkers.
    int blink = GetXID(300, 0);
    EXPECT_EQ(1000, myGlobs.xObjects[blink].blinkPeriod);
    EXPECT_EQ(blink, DetBlinkXID(blink, 1500));
    EXPECT_EQ(blink + 1, DetBlinkXID(blink, 1501));
    EXPECT_EQ(blink, DetBlinkXID(blink, 2000));
    int zero = GetXID(302, 0);
    EXPECT_EQ(1, myGlobs.xObjects[zero].blinker);
    EXPECT_EQ(zero, DetBlinkXID(zero, 1700));

    // Vehicles.
    XOBJECT& engine = Type(1000);
    EXPECT_FLOAT_EQ(25.0f, engine.vehicleLength2);
    EXPECT_EQ(7, engine.vehicleParam);
    EXPECT_EQ(30, GetObjTraction(1000));
    EXPECT_FALSE(engine.useReference);
    EXPECT_EQ(nullptr, engine.referenceMesh);  // "-" borrows nothing
    XOBJECT& wagon = Type(1001);
    EXPECT_FLOAT_EQ(-1.0f, wagon.vehicleLength2);
    EXPECT_EQ(22, wagon.traction);
    EXPECT_FALSE(wagon.useReference);
    EXPECT_EQ(engine.mesh, wagon.referenceMesh);
    XOBJECT& coach = Type(1002);
    EXPECT_TRUE(coach.useReference);
    EXPECT_EQ(GetXID(1000, 0), coach.referenceXID);
    EXPECT_FLOAT_EQ(engine.sphereRadius, coach.sphereRadius);
    EXPECT_EQ(1, coach.replacementCount);

    // Animated types.
    EXPECT_EQ(1, GetObjAnimMode(400));
    EXPECT_EQ(2, GetObjAnimMode(401));
    EXPECT_EQ(3, GetObjAnimMode(402));
    EXPECT_EQ(0, GetObjAnimMode(300));
    ASSERT_NE(nullptr, axobjectList.FindByObjId(401));
    AXOBJECT* loco = axobjectList.FindByObjId(1250);
    ASSERT_NE(nullptr, loco);
    EXPECT_FLOAT_EQ(50.0f, loco->halfLength);
    EXPECT_EQ(ANIMATED_TYPE, loco->type);
    EXPECT_STREQ("Scenes\\xfiles\\anmc_mill.x", loco->firstAnimation);
    ASSERT_NE(nullptr, loco->animMesh);
    XFRAME* anim = loco->animMesh->FindAnimFrame(loco->firstAnimation);
    ASSERT_NE(nullptr, anim);
    ASSERT_NE(nullptr, anim->target);
    EXPECT_EQ("Body", anim->target->name);
    EXPECT_EQ(2u, anim->matrixKeys.size());
    EXPECT_FLOAT_EQ(4800.0f, loco->animMesh->setLengths[0]);
    EXPECT_EQ(4, axobjectList.count);
}

TEST_F(XObjectFiles, DeclaredTotalOfZeroReportsFullProgress) {
    WriteFile(dir / "b.xli", "XLIST 0\nHOUSE_TYPE 700 box.x 1 H - - 0 0 x\n");
    ASSERT_EQ(1, InitXobjects());
    EXPECT_EQ(1, InitXobjects());
    EXPECT_EQ(100, myGlobs.xListProgress);
    EXPECT_EQ(0, InitXobjects());
    EXPECT_EQ(100, myGlobs.xListProgress);
    EXPECT_EQ(1, myGlobs.xObjectCount);
}

TEST_F(XObjectFiles, StaticMeshIsMirroredScaledAndKeepsItsWinding) {
    XOBJECT& x = myGlobs.xObjects[0];
    x.Setup("box.x", "Box", HOUSE_TYPE, 700, 0.5f, 0, 0, "objects\\bitmaps\\col1.dds", "objects\\bitmaps\\none.dds",
            0xFF112233u, 0xFF445566u, "NOREF", 0, 0, -1.0f);
    myGlobs.xObjectCount = 1;
    ASSERT_NE(nullptr, x.mesh);
    EXPECT_EQ(XVERTEX_FVF, x.mesh->GetFVF());  // converted to the 32-byte layout
    EXPECT_FLOAT_EQ(1.5f, x.sizeX);
    EXPECT_FLOAT_EQ(1.0f, x.sizeY);
    EXPECT_FLOAT_EQ(1.0f, x.halfLength);
    EXPECT_NEAR(0.5f, x.boxMin.x, 1e-5f);
    EXPECT_NEAR(0.0f, x.boxMin.y, 1e-5f);
    EXPECT_NEAR(-2.0f, x.boxMin.z, 1e-5f);  // z mirrored
    EXPECT_NEAR(1.5f, x.boxMax.x, 1e-5f);
    EXPECT_NEAR(1.0f, x.boxMax.y, 1e-5f);
    EXPECT_NEAR(0.0f, x.boxMax.z, 1e-5f);
    EXPECT_NEAR(1.0f, x.sphereCentre.x, 1e-5f);
    EXPECT_NEAR(-1.0f, x.sphereCentre.z, 1e-5f);
    EXPECT_EQ(8u, x.vertexCount);
    EXPECT_EQ(36u, x.indexCount);
    EXPECT_EQ(8u * 32 + 36 * 2, myGlobs.xVertexTotal * 32 + myGlobs.xIndexTotal * 2);
    EXPECT_EQ(2u, x.subsetCount);
    EXPECT_EQ(1, x.colour1Subset[0]);
    EXPECT_EQ(0, x.colour1Subset[1]);
    EXPECT_EQ(1, x.hasColour1);
    EXPECT_EQ(0, x.hasColour2);
    EXPECT_EQ(0, x.alphaSubset[0]);
    EXPECT_EQ(1, x.alphaSubset[1]);

    // Every face still faces outwards: its left-handed normal points away
    // from the box centre.
    XVERTEX* v = nullptr;
    WORD* idx = nullptr;
    int vc = 0, fc = 0;
    ASSERT_EQ(1, LockObjMesh(700, &v, &vc, &idx, &fc));
    EXPECT_EQ(8, vc);
    EXPECT_EQ(12, fc);
    D3DXVECTOR3 centre(1.0f, 0.5f, -1.0f);
    for (int f = 0; f < fc; ++f) {
        D3DXVECTOR3 a(v[idx[3 * f]].x, v[idx[3 * f]].y, v[idx[3 * f]].z);
        D3DXVECTOR3 b(v[idx[3 * f + 1]].x, v[idx[3 * f + 1]].y, v[idx[3 * f + 1]].z);
        D3DXVECTOR3 c(v[idx[3 * f + 2]].x, v[idx[3 * f + 2]].y, v[idx[3 * f + 2]].z);
        D3DXVECTOR3 e1 = b - a, e2 = c - a, n, mid = (a + b + c) / 3.0f - centre;
        D3DXVec3Cross(&n, &e1, &e2);
        EXPECT_GT(D3DXVec3Dot(&n, &mid), 0.0f) << "face " << f;
    }
    EXPECT_EQ(0, UnlockObjMesh(700));

    // The same file loaded as an animated type mirrors x as well.
    XOBJECT& y = myGlobs.xObjects[1];
    y.Setup("box.x", "Anim", HOUSE_TYPE, 701, 0.5f, 0, 0, "-", "-", 0, 0, "NOREF", 0, 1, -1.0f);
    myGlobs.xObjectCount = 2;
    EXPECT_NEAR(-1.5f, y.boxMin.x, 1e-5f);
    EXPECT_NEAR(-0.5f, y.boxMax.x, 1e-5f);
}

TEST_F(XObjectFiles, AccessorsAnswerTheirFallbacks) {
    float r = 5.0f;
    EXPECT_EQ(-1, GetObjRadius(42, &r));
    EXPECT_FLOAT_EQ(5.0f, r);
    EXPECT_EQ(-1, GetObjHalfLength(42, &r));
    float size[2] = {7.0f, 8.0f};
    GetObjSize(42, size);
    EXPECT_FLOAT_EQ(7.0f, size[0]);
    char name[128] = "x";
    GetObjName(42, name);
    EXPECT_STREQ("", name);
    EXPECT_EQ(0, GetObjPoint(42, 0, nullptr));
    EXPECT_EQ(22, GetObjTraction(42));
    int out = 9;
    EXPECT_EQ(-1, GetObjVehicleParam(42, &out));
    EXPECT_EQ(-1, GetObjType(42, &out));
    EXPECT_EQ(-1, GetObjLightColour(42, &out));
    EXPECT_EQ(9, out);
    EXPECT_EQ(0, GetObjAnimMode(42));
    EXPECT_EQ(0, HasObjColour1Texture(42));
    EXPECT_EQ(0xFFFFFFFFu, GetObjColour1(42));
    EXPECT_EQ(0, GetObjHasSound(42));
    EXPECT_EQ(0, HasObjControl(42));
    EXPECT_EQ(0, GetObjLightPosition(42, &out, &r));
    EXPECT_EQ(0, LockObjMesh(42, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(-1, UnlockObjMesh(42));
    EXPECT_EQ(-1, DrawXObject(42, 0, 0, 0, 0, 12, 0));
    EXPECT_EQ(DUMMY_TYPE, GetObjTypeById(42));
    EXPECT_EQ(-1, GetXID(-5, 1));
    EXPECT_EQ(-1, GetXID(15000, 1));
    EXPECT_NE(std::string::npos, Log().find("No X_ID found to the ID: 42 !!!"));
}

// Callers ask for missing types every frame (a turntable, a placed object, a
// vehicle of a type this run lacks): the log names each id once until the
// table is rebuilt or another layout is loaded.
TEST_F(XObjectFiles, EachMissingIdIsLoggedOnce) {
    auto count = [&](const std::string& line) {
        const std::string log = Log();
        size_t n = 0;
        for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) n++;
        return n;
    };
    for (int frame = 0; frame < 30; ++frame) {
        float r = 0;
        GetObjRadius(42, &r);
        DrawXObject(42, 0, 0, 0, 0, 12, 0);
        GetXID(77, 1);
        GetXID(-9, 1);
        GetXID(20000, 1);
    }
    EXPECT_EQ(count("No X_ID found to the ID: 42 !!!"), 1u);
    EXPECT_EQ(count("No X_ID found to the ID: 77 !!!"), 1u);
    // Ids outside the table share one line.
    EXPECT_EQ(count("No X_ID found to the ID: -9 !!!") + count("No X_ID found to the ID: 20000 !!!"), 1u);
    GetXID(42, 0);
    EXPECT_EQ(count("No X_ID found to the ID: 42 !!!"), 1u);
    ResetXIDMissLog();
    GetXID(42, 1);
    EXPECT_EQ(count("No X_ID found to the ID: 42 !!!"), 2u);
    ClearIdTable();
    GetXID(42, 1);
    EXPECT_EQ(count("No X_ID found to the ID: 42 !!!"), 3u);
}

TEST(XObjectTable, BuildIdTableSkipsIdsOutsideTheTable) {
    myGlobs.xObjects[0].objId = 5;
    myGlobs.xObjects[1].objId = 15000;
    myGlobs.xObjects[2].objId = -3;
    myGlobs.xObjects[3].objId = 5;
    myGlobs.xObjectCount = 4;
    BuildIdTable();
    EXPECT_EQ(3, GetXID(5, 0));
    EXPECT_EQ(-1, GetXID(15000, 0));
    SetXID(20000, 1);  // ignored
    SetXID(-1, 1);
    EXPECT_EQ(-1, GetXID(-1, 0));
    myGlobs.xObjectCount = 0;
}

TEST(XObjectTable, DetObjTypeIsExactAndCaseSensitive) {
    EXPECT_EQ(SIGN_TYPE, DetObjType("SIGN_TYPE"));
    EXPECT_EQ(PWAGON_TYPE, DetObjType("PWAGON_TYPE"));
    EXPECT_EQ(PLANT_TYPE, DetObjType("sign_type"));
    EXPECT_EQ(PLANT_TYPE, DetObjType("ANIMATED_TYPE"));
}

TEST(XObjectTable, LightPositionTokensAreReadSafely) {
    int flag = -1;
    float offset = 0.0f;
    ParseLightPosition("LPOS0.5N", &flag, &offset);
    EXPECT_EQ(0, flag);
    EXPECT_FLOAT_EQ(-0.5f, offset);
    ParseLightPosition("LPOS120Y", &flag, &offset);
    EXPECT_EQ(1, flag);
    EXPECT_FLOAT_EQ(-120.0f, offset);
    ParseLightPosition("LPOS", &flag, &offset);
    EXPECT_EQ(1, flag);
    EXPECT_FLOAT_EQ(0.0f, offset);
    ParseLightPosition("-", &flag, &offset);
    EXPECT_EQ(1, flag);
    EXPECT_FLOAT_EQ(-0.45f, offset);
}

TEST_F(XObjectFiles, RowsBeyondTheTypeArrayAreSkipped) {
    WriteFile(dir / "c.xli", "XLIST 3\nHOUSE_TYPE 800 box.x 1 A - - 0 0 x\nHOUSE_TYPE 801 box.x 1 B - - 0 0 x\n");
    myGlobs.xObjectCount = MAXXOBJECTS - 1;
    EXPECT_EQ(1, ReadXFileListRow("c.xli"));
    EXPECT_EQ(MAXXOBJECTS, myGlobs.xObjectCount);
    EXPECT_EQ(MAXXOBJECTS - 1, GetXID(800, 0));
    EXPECT_EQ(1, ReadXFileListRow("c.xli"));  // skipped, nothing written past the array
    EXPECT_EQ(MAXXOBJECTS, myGlobs.xObjectCount);
    EXPECT_EQ(-1, GetXID(801, 0));
    EXPECT_EQ(0, ReadXFileListRow("c.xli"));
    EXPECT_NE(std::string::npos, Log().find("Too many X objects, row skipped: 801"));
    myGlobs.xObjects[MAXXOBJECTS - 1].Release();
    myGlobs.xObjectCount = 0;
}

TEST_F(XObjectFiles, MoreThan250MaterialsLoadWithoutOverflow) {
    WriteFile(dir / "Scenes" / "xfiles" / "many.x", ManyMaterialsX(260));
    XOBJECT& x = myGlobs.xObjects[0];
    x.Setup("many.x", "Many", HOUSE_TYPE, 900, 1.0f, 0, 0, "t\\m255aa.dds", "-", 0, 0, "NOREF", 0, 0, -1.0f);
    myGlobs.xObjectCount = 1;
    EXPECT_EQ(260u, x.materialCount);
    ASSERT_NE(nullptr, x.mesh);
    EXPECT_EQ(1, x.alphaSubset[249]);
    EXPECT_EQ(0, x.hasColour1);  // material 255 has no subset flags
    EXPECT_NE(std::string::npos, Log().find("Too many materials"));
    // Every subset draws, the ones past 250 with the default rules.
    unsigned before = plat::DeviceDrawCallCount(device);
    EXPECT_EQ(0, DrawXObject(900, 0, 0, 0, 0, 12, 0));
    EXPECT_EQ(260u, plat::DeviceDrawCallCount(device) - before);
}

TEST_F(XObjectFiles, BorrowedMeshDrawsOnlyWithExistingMaterials) {
    WriteFile(dir / "Scenes" / "xfiles" / "one.x", OneMaterialBoxX());
    XOBJECT& a = myGlobs.xObjects[0];
    a.Setup("box.x", "A", HOUSE_TYPE, 910, 1.0f, 0, 0, "-", "-", 0, 0, "NOREF", 0, 0, -1.0f);
    myGlobs.xObjectCount = 1;
    XOBJECT& b = myGlobs.xObjects[1];
    b.Setup("one.x", "B", CWAGON_TYPE, 911, 1.0f, 0, 0, ".", ".", 0, 0, "910", 0, 0, -1.0f);
    myGlobs.xObjectCount = 2;
    EXPECT_FALSE(b.useReference);
    EXPECT_EQ(a.mesh, b.referenceMesh);
    EXPECT_EQ(nullptr, b.mesh);
    EXPECT_EQ(1u, b.materialCount);
    EXPECT_EQ(2u, b.subsetCount);
    unsigned before = plat::DeviceDrawCallCount(device);
    myGlobs.drawnVertexCount = 0;
    EXPECT_EQ(0, DrawXObject(911, 0, 0, 0, 0, 12, 0));
    EXPECT_EQ(2u, plat::DeviceDrawCallCount(device) - before);
    EXPECT_EQ(8, myGlobs.drawnVertexCount);
    // Releasing the borrower leaves the lender's mesh and the totals alone.
    unsigned total = myGlobs.xVertexTotal;
    b.Release();
    EXPECT_EQ(total, myGlobs.xVertexTotal);
    EXPECT_NE(nullptr, a.mesh);
}

TEST_F(XObjectFiles, ReplacementFileReadsAtMostFivePairs) {
    XOBJECT& a = myGlobs.xObjects[0];
    a.Setup("box.x", "A", ENGINE_TYPE, 920, 1.0f, 0, 0, ".", ".", 0, 0, "NOREF", 0, 0, -1.0f);
    myGlobs.xObjectCount = 1;
    std::string pairs;
    for (int i = 0; i < 7; ++i)
        pairs += std::string(i % 2 ? "objects\\bitmaps\\roofaa.dds" : "OBJECTS\\BITMAPS\\COL1.DDS") + " r" +
                 std::to_string(i) + ".dds\n";
    WriteFile(dir / "Scenes" / "xfiles" / "tr_921.trf", pairs);
    XOBJECT& b = myGlobs.xObjects[1];
    b.Setup("box.x", "B", ENGINE_TYPE, 921, 1.0f, 0, 0, ".", ".", 0, 0, "920", 0, 0, -1.0f);
    myGlobs.xObjectCount = 2;
    EXPECT_TRUE(b.useReference);
    EXPECT_EQ(5, b.replacementCount);
    ASSERT_NE(nullptr, a.textures);
    TEXTURE_ENTRY* replaced = b.GetReplacementTexture(a.textures[0]);
    ASSERT_NE(nullptr, replaced);
    EXPECT_EQ(nullptr, b.GetReplacementTexture(nullptr));
}

TEST_F(XObjectFiles, DrawingRestoresTheDisplayStates) {
    display.ResetForTest();
    display.device = device;
    XOBJECT& a = myGlobs.xObjects[0];
    a.Setup("box.x", "A", HOUSE_TYPE, 930, 1.0f, 0, 0, "-", "-", 0, 0, "NOREF", 0, 0, -1.0f);
    myGlobs.xObjectCount = 1;
    const D3DRENDERSTATETYPE states[] = {D3DRS_ALPHABLENDENABLE, D3DRS_ALPHATESTENABLE, D3DRS_ZWRITEENABLE,
                                         D3DRS_SRCBLEND, D3DRS_DESTBLEND, D3DRS_LIGHTING, D3DRS_ZBIAS};
    for (auto s : states) device->SetRenderState(s, display.GetDefaultRenderState(s));
    for (int pass = 0; pass < 3; ++pass) DrawXObject(930, pass, 0, 0, 1, pass == 2 ? 2 : 12, 0);
    for (auto s : states) {
        DWORD v = 0;
        device->GetRenderState(s, &v);
        EXPECT_EQ(display.GetDefaultRenderState(s), v) << "state " << s;
    }
}

TEST(XObjectTable, BlinkerWithoutANextTypeDoesNotBlink) {
    myGlobs.xObjects[0].blinker = 1;
    myGlobs.xObjects[0].blinkPeriod = 1000;
    myGlobs.xObjectCount = 1;
    EXPECT_EQ(0, DetBlinkXID(0, 900));
    myGlobs.xObjectCount = 2;
    EXPECT_EQ(1, DetBlinkXID(0, 900));
    myGlobs.xObjects[0].blinkPeriod = -5;
    EXPECT_EQ(0, DetBlinkXID(0, 900));
    myGlobs.xObjectCount = 0;
}

TEST_F(XObjectFiles, AnimatedPartnerPosesAndDrawsItsHierarchy) {
    display.ResetForTest();
    display.device = device;
    WriteFile(dir / "Scenes" / "xfiles" / "anmc_mill.x", AnimatedX());
    ASSERT_EQ(1, axobjectList.AddOneAXObject("Scenes\\xfiles\\anmc_mill.x", "Mill", 401, 2.0f, 0.0f, 0, "-", "-",
                                             0xFFFFFFFFu, 0xFFFFFFFFu));
    myGlobs.xObjects[0].objId = 401;
    myGlobs.xObjects[0].animMode = 2;
    myGlobs.xObjectCount = 1;
    SetXID(401, 0);
    AXOBJECT* ax = axobjectList.FindByObjId(401);
    ASSERT_NE(nullptr, ax);
    EXPECT_FLOAT_EQ(2.0f, ax->animScale);
    // Bounding sphere of the quad placed by its frame.
    EXPECT_NEAR(0.5f, ax->animMesh->sphereCentre.x, 1e-4f);
    EXPECT_NEAR(std::sqrt(0.5f), ax->animMesh->sphereRadius, 1e-4f);

    TERROBJ owner;
    owner.x = 3.0f;
    owner.y = 4.0f;
    layoutState.SetPaused(0);
    frameTime = 500;  // 2400 time units: half way
    ATERROBJ* p = aterrobjList.AddNew(MISC_TYPE, 401, D3DXVECTOR3(0, 0, 0), 0.0f, &owner, 0.0f, 0.0f);
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(1, p->frameCount);
    EXPECT_NEAR(50.0f, p->percent, 1e-3f);
    EXPECT_NEAR(1.0f, p->frameMatrices[0]._41, 1e-4f);

    unsigned before = plat::DeviceDrawCallCount(device);
    aterrobjList.RenderPartner(&owner, 0, 1);
    EXPECT_GE(plat::DeviceDrawCallCount(device) - before, 2u);  // the mesh and its highlight
    XFRAME* body = ax->animMesh->FindFrame("Body");
    ASSERT_NE(nullptr, body);
    EXPECT_NEAR(1.0f, body->localMatrix._41, 1e-4f);
    // World of the body: its pose, scaled by 2, placed at the owner.
    EXPECT_NEAR(2.0f + 3.0f, body->worldMatrix._41, 1e-4f);
    EXPECT_NEAR(4.0f, body->worldMatrix._42, 1e-4f);
    const D3DRENDERSTATETYPE states[] = {D3DRS_ALPHABLENDENABLE, D3DRS_ZWRITEENABLE, D3DRS_LIGHTING, D3DRS_ZBIAS,
                                         D3DRS_VERTEXBLEND, D3DRS_NORMALIZENORMALS};
    for (auto s : states) {
        DWORD v = 0;
        device->GetRenderState(s, &v);
        EXPECT_EQ(display.GetDefaultRenderState(s), v) << "state " << s;
    }
    aterrobjList.RemovePartner(&owner);
    EXPECT_EQ(nullptr, aterrobjList.FindPartner(&owner));
    myGlobs.xObjectCount = 0;
}
