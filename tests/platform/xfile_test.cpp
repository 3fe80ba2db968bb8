// The .x reader and the file parser interface: templates, data objects,
// packed data, children, references, animation keys, and broken files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/startlog.h"
#include "platform/dxfile.h"
#include "platform/xfile.h"
#include "support/testutil.h"

namespace {

const char* kScene = R"(xof 0302txt 0032
# a comment line
// another comment
template MyPair {
 <11111111-2222-3333-4444-555555555555>
 DWORD count;
 array FLOAT values[count][2];
 STRING label;
}

Header { 1; 0; 1; }

Material Red {
 1.0; 0.0; 0.0; 1.0;;
 20.0;
 0.5; 0.5; 0.5;;
 0.0; 0.0; 0.0;;
 TextureFilename { "objects\\bitmaps\\red.dds"; }
}

SomethingUnknown thing {
 1; 2; { nested braces } "text";
}

Frame Root {
 FrameTransformMatrix {
  1.0, 0.0, 0.0, 0.0,
  0.0, 1.0, 0.0, 0.0,
  0.0, 0.0, 1.0, 0.0,
  5.0, 6.0, 7.0, 1.0;;
 }
 Frame Child {
  Mesh Tri {
   3;
   0.0; 0.0; 0.0;,
   1.0; 0.0; 0.0;,
   0.0; 1.0; 0.0;;
   1;
   3; 0, 2, 1;;
   MeshMaterialList {
    1; 1; 0;;
    { Red }
   }
  }
 }
}

MyPair pairs {
 2;
 1.5; 2.5;, 3.5; 4.5;;
 "two pairs";
}

AnimationSet Walk {
 Animation {
  { Child }
  AnimationKey {
   0; 2;
   0; 4; 1.0, 0.0, 0.0, 0.0;;,
   100; 4; 0.0, 0.0, 1.0, 0.0;;;
  }
  AnimationKey {
   2; 1;
   0; 3; 1.0, 2.0, 3.0;;;
  }
  AnimationKey {
   1; 2;
   0; 3; 1.0, 1.0, 1.0;;,
   40; 3; 2.0, 0.5, 3.0;;;
  }
  AnimationOptions { 1; 0; }
 }
 Animation {
  AnimationKey {
   4; 1;
   50; 16; 1,0,0,0, 0,1,0,0, 0,0,1,0, 9,8,7,1;;;
  }
  { Root }
 }
}
)";

xf::XFile Parse(const std::string& text, int* rc = nullptr, std::string* err = nullptr) {
    xf::XTemplateSet templates;
    xf::XFile file;
    std::string e;
    int r = xf::ParseXFile(reinterpret_cast<const uint8_t*>(text.data()), text.size(), templates, file, e);
    if (rc) *rc = r;
    if (err) *err = e;
    return file;
}

std::string Name(IDirectXFileObject* o) {
    DWORD size = 0;
    EXPECT_EQ(o->GetName(nullptr, &size), DXFILE_OK);
    if (size == 0) return "";
    std::string s(size, '\0');
    EXPECT_EQ(o->GetName(s.data(), &size), DXFILE_OK);
    s.resize(size - 1);
    return s;
}

// The next child of a data object as data (null when it is a reference).
IDirectXFileData* NextData(IDirectXFileData* parent, IDirectXFileDataReference** ref = nullptr) {
    IDirectXFileObject* child = nullptr;
    if (FAILED(parent->GetNextObject(&child))) return nullptr;
    IDirectXFileData* data = nullptr;
    if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&data)))) {
        child->Release();
        return data;
    }
    IDirectXFileDataReference* r = nullptr;
    EXPECT_EQ(child->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(&r)), S_OK);
    child->Release();
    if (ref) *ref = r;
    else if (r) r->Release();
    return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------
// Reader

TEST(XFileParser, BuildsTheObjectTreeAndSkipsUnknownTemplates) {
    int rc = -1;
    std::string err;
    xf::XFile file = Parse(kScene, &rc, &err);
    ASSERT_EQ(rc, xf::XR_OK) << err;
    ASSERT_EQ(file.objects.size(), 5u);  // Header, Material, Frame, MyPair, AnimationSet
    EXPECT_EQ(file.objects[0]->templateName, "Header");
    EXPECT_EQ(file.objects[1]->name, "Red");
    EXPECT_EQ(file.objects[2]->name, "Root");
    EXPECT_TRUE(file.objects[2]->type == TID_D3DRMFrame);
    ASSERT_EQ(file.objects[2]->children.size(), 2u);
    xf::XObject* child = file.objects[2]->children[1].object.get();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->name, "Child");
    EXPECT_EQ(file.FindByName("Tri")->templateName, "Mesh");
    EXPECT_EQ(file.FindByName("nothing"), nullptr);
}

TEST(XFileParser, PacksMemberValuesInDeclarationOrder) {
    xf::XFile file = Parse(kScene);
    const xf::XObject* mesh = file.FindByName("Tri");
    ASSERT_NE(mesh, nullptr);
    xf::XDataReader r(*mesh);
    EXPECT_EQ(r.DWord(), 3u);
    for (int i = 0; i < 3; ++i) r.Float();
    EXPECT_FLOAT_EQ(r.Float(), 1.0f);
    r.Float();
    r.Float();
    r.Float();
    EXPECT_FLOAT_EQ(r.Float(), 1.0f);
    r.Float();
    EXPECT_EQ(r.DWord(), 1u);  // faces
    EXPECT_EQ(r.DWord(), 3u);
    EXPECT_EQ(r.DWord(), 0u);
    EXPECT_EQ(r.DWord(), 2u);
    EXPECT_EQ(r.DWord(), 1u);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.remaining(), 0u);
    r.DWord();
    EXPECT_FALSE(r.ok());

    // A template declared in the file, with a two-dimensional array sized by
    // an earlier member, and a string.
    const xf::XObject* pairs = file.FindByName("pairs");
    ASSERT_NE(pairs, nullptr);
    xf::XDataReader p(*pairs);
    EXPECT_EQ(p.DWord(), 2u);
    EXPECT_FLOAT_EQ(p.Float(), 1.5f);
    p.Float();
    p.Float();
    EXPECT_FLOAT_EQ(p.Float(), 4.5f);
    EXPECT_STREQ(p.String(), "two pairs");
    EXPECT_EQ(p.remaining(), 0u);
    GUID expected;
    ASSERT_TRUE(xf::ParseGuid("11111111-2222-3333-4444-555555555555", expected));
    EXPECT_TRUE(pairs->type == expected);
}

TEST(XFileParser, StandardTemplateIdsMatchTheBuiltInTemplates) {
    xf::XTemplateSet set;
    const struct {
        const char* name;
        const GUID& id;
    } ids[] = {{"Header", TID_DXFILEHeader},
               {"Vector", TID_D3DRMVector},
               {"Coords2d", TID_D3DRMCoords2d},
               {"Matrix4x4", TID_D3DRMMatrix4x4},
               {"ColorRGBA", TID_D3DRMColorRGBA},
               {"ColorRGB", TID_D3DRMColorRGB},
               {"IndexedColor", TID_D3DRMIndexedColor},
               {"Boolean", TID_D3DRMBoolean},
               {"Boolean2d", TID_D3DRMBoolean2d},
               {"MaterialWrap", TID_D3DRMMaterialWrap},
               {"TextureFilename", TID_D3DRMTextureFilename},
               {"Material", TID_D3DRMMaterial},
               {"MeshFace", TID_D3DRMMeshFace},
               {"MeshFaceWraps", TID_D3DRMMeshFaceWraps},
               {"MeshTextureCoords", TID_D3DRMMeshTextureCoords},
               {"MeshMaterialList", TID_D3DRMMeshMaterialList},
               {"MeshNormals", TID_D3DRMMeshNormals},
               {"MeshVertexColors", TID_D3DRMMeshVertexColors},
               {"Mesh", TID_D3DRMMesh},
               {"FrameTransformMatrix", TID_D3DRMFrameTransformMatrix},
               {"Frame", TID_D3DRMFrame},
               {"FloatKeys", TID_D3DRMFloatKeys},
               {"TimedFloatKeys", TID_D3DRMTimedFloatKeys},
               {"AnimationKey", TID_D3DRMAnimationKey},
               {"AnimationOptions", TID_D3DRMAnimationOptions},
               {"Animation", TID_D3DRMAnimation},
               {"AnimationSet", TID_D3DRMAnimationSet},
               {"XSkinMeshHeader", DXFILEOBJ_XSkinMeshHeader},
               {"VertexDuplicationIndices", DXFILEOBJ_VertexDuplicationIndices},
               {"SkinWeights", DXFILEOBJ_SkinWeights},
               {"FVFData", DXFILEOBJ_FVFData}};
    for (const auto& e : ids) {
        const xf::XTemplate* t = set.Find(e.name);
        ASSERT_NE(t, nullptr) << e.name;
        EXPECT_TRUE(t->guid == e.id) << e.name;
        EXPECT_EQ(set.FindByGuid(e.id), t) << e.name;
    }
}

TEST(XFileParser, RefusesBinaryCompressedAndForeignFiles) {
    int rc = 0;
    Parse("xof 0302bin 0032\x01\x02", &rc);
    EXPECT_EQ(rc, xf::XR_BINARYUNSUPPORTED);
    Parse("xof 0303tzip0032", &rc);
    EXPECT_EQ(rc, xf::XR_BINARYUNSUPPORTED);
    Parse("xof 0302txt 0016 Header {1;0;1;}", &rc);
    EXPECT_EQ(rc, xf::XR_BADFLOATSIZE);
    Parse("DDS junk junk junk", &rc);
    EXPECT_EQ(rc, xf::XR_BADFILETYPE);
    Parse("xof", &rc);
    EXPECT_EQ(rc, xf::XR_BADFILETYPE);
}

TEST(XFileParser, HostileCountsNestingAndTemplatesFailFast) {
    int rc = 0;
    // A vertex count far beyond the data present.
    Parse("xof 0302txt 0032\nMesh { 4000000000; 1;2;3;; 0;; }", &rc);
    EXPECT_EQ(rc, xf::XR_BADARRAYSIZE);
    // A negative count.
    Parse("xof 0302txt 0032\nMesh { -1; 1;2;3;; 0;; }", &rc);
    EXPECT_NE(rc, xf::XR_OK);
    // Deep nesting.
    std::string deep = "xof 0302txt 0032\n";
    for (int i = 0; i < 5000; ++i) deep += "Frame {";
    for (int i = 0; i < 5000; ++i) deep += "}";
    Parse(deep, &rc);
    EXPECT_EQ(rc, xf::XR_TOODEEP);
    // A template that contains itself.
    Parse("xof 0302txt 0032\ntemplate Loop { <01234567-89AB-CDEF-0123-456789ABCDEF> Loop inner; }\nLoop { 1; }",
          &rc);
    EXPECT_NE(rc, xf::XR_OK);
    // An array of empty records with a huge count.
    Parse("xof 0302txt 0032\ntemplate E { <01234567-89AB-CDEF-0123-456789ABCDE0> }\n"
          "template L { <01234567-89AB-CDEF-0123-456789ABCDE1> DWORD n; array E items[n]; }\nL { 4000000000; }",
          &rc);
    EXPECT_EQ(rc, xf::XR_BADARRAYSIZE);
    // Unterminated strings and GUIDs.
    Parse("xof 0302txt 0032\nTextureFilename { \"abc; }", &rc);
    EXPECT_NE(rc, xf::XR_OK);
    Parse("xof 0302txt 0032\nFrame { <1234 }", &rc);
    EXPECT_NE(rc, xf::XR_OK);
}

TEST(XFileParser, IntegersWrittenAsHugeRealsSaturate) {
    int rc = -1;
    std::string err;
    xf::XFile file = Parse("xof 0302txt 0032\nHeader h { 1e30; -1e300; 99999999999999999999; }\n"
                           "Boolean b { 3.75; }\nBoolean c { 18446744073709551616.0; }",
                           &rc, &err);
    ASSERT_EQ(rc, xf::XR_OK) << err;
    xf::XDataReader h(*file.FindByName("h"));
    EXPECT_EQ(h.Word(), 0xFFFFu);  // the low bytes of the largest 64-bit value
    EXPECT_EQ(h.Word(), 0u);       // the low bytes of the smallest one
    EXPECT_EQ(h.DWord(), 0xFFFFFFFFu);
    EXPECT_TRUE(h.ok());
    EXPECT_EQ(xf::XDataReader(*file.FindByName("b")).DWord(), 3u);
    EXPECT_EQ(xf::XDataReader(*file.FindByName("c")).DWord(), 0xFFFFFFFFu);
    // As an array count a huge real is too large, not a wrapped small count.
    Parse("xof 0302txt 0032\nMesh { 1e19; 1;2;3;; 0;; }", &rc);
    EXPECT_EQ(rc, xf::XR_BADARRAYSIZE);
}

TEST(XFileParser, TruncatedAndCorruptedFilesNeverCrash) {
    const std::string good = kScene;
    size_t failures = 0;
    for (size_t n = 0; n < good.size(); ++n) {
        int rc = 0;
        xf::XFile f = Parse(good.substr(0, n), &rc);
        if (rc != xf::XR_OK) {
            ++failures;
            EXPECT_TRUE(f.objects.empty());
        }
    }
    EXPECT_GT(failures, good.size() * 9 / 10);
    uint32_t seed = 777;
    for (int round = 0; round < 400; ++round) {
        std::string bad = good;
        for (int k = 0; k < 3; ++k) {
            seed = seed * 1103515245u + 12345u;
            static const char pool[] = "{};,<>\"0123456789-.eE xyzMeshFrame\n";
            bad[(seed >> 8) % bad.size()] = pool[(seed >> 20) % (sizeof pool - 1)];
        }
        Parse(bad);
    }
}

// ---------------------------------------------------------------------------
// File parser interface

TEST(DirectXFileParser, EnumeratesObjectsChildrenAndReferences) {
    veltest::TempDir dir;
    veltest::WriteFile("Scenes/XFiles/scene.x", kScene);
    ResetStartLogForTest("testlog.txt");
    IDirectXFile* dx = nullptr;
    ASSERT_EQ(DirectXFileCreate(&dx), DXFILE_OK);
    ASSERT_EQ(dx->RegisterTemplates(const_cast<unsigned char*>(D3DRM_XTEMPLATES), D3DRM_XTEMPLATE_BYTES), DXFILE_OK);
    IDirectXFileEnumObject* en = nullptr;
    // Backslashes and another letter case go through the path resolver.
    ASSERT_EQ(dx->CreateEnumObject(const_cast<char*>("scenes\\xfiles\\SCENE.x"), DXFILELOAD_FROMFILE, &en),
              DXFILE_OK);

    std::vector<std::string> names;
    std::vector<const GUID*> types;
    IDirectXFileData* obj = nullptr;
    IDirectXFileData* root = nullptr;
    IDirectXFileData* set = nullptr;
    while (SUCCEEDED(en->GetNextDataObject(&obj))) {
        const GUID* type = nullptr;
        ASSERT_EQ(obj->GetType(&type), DXFILE_OK);
        names.push_back(Name(obj));
        types.push_back(type);
        if (*type == TID_D3DRMFrame) root = obj;
        else if (*type == TID_D3DRMAnimationSet) set = obj;
        else obj->Release();
    }
    EXPECT_EQ(en->GetNextDataObject(&obj), DXFILEERR_NOMOREOBJECTS);
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(names[0], "");
    EXPECT_EQ(names[1], "Red");
    EXPECT_EQ(names[3], "pairs");
    ASSERT_NE(root, nullptr);
    ASSERT_NE(set, nullptr);

    // A name buffer that is too small is refused and reports the size.
    DWORD small = 2;
    char buf[2];
    EXPECT_EQ(root->GetName(buf, &small), DXFILEERR_BADVALUE);
    EXPECT_EQ(small, 5u);

    // Frame Root: the matrix, then the child frame with its mesh.
    IDirectXFileData* ftm = NextData(root);
    ASSERT_NE(ftm, nullptr);
    DWORD size = 0;
    void* data = nullptr;
    ASSERT_EQ(ftm->GetData(nullptr, &size, &data), DXFILE_OK);
    ASSERT_EQ(size, 64u);
    EXPECT_FLOAT_EQ(static_cast<float*>(data)[13], 6.0f);
    ASSERT_EQ(ftm->GetData("frameMatrix", &size, &data), DXFILE_OK);
    EXPECT_EQ(size, 64u);
    EXPECT_EQ(ftm->GetData("noSuchMember", &size, &data), DXFILEERR_NOTFOUND);
    ftm->Release();
    IDirectXFileData* child = NextData(root);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(Name(child), "Child");
    IDirectXFileObject* none = nullptr;
    EXPECT_EQ(root->GetNextObject(&none), DXFILEERR_NOMOREOBJECTS);
    IDirectXFileData* mesh = NextData(child);
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->GetData("nVertices", &size, &data), DXFILE_OK);
    EXPECT_EQ(*static_cast<DWORD*>(data), 3u);
    IDirectXFileData* list = NextData(mesh);
    ASSERT_NE(list, nullptr);
    IDirectXFileDataReference* ref = nullptr;
    EXPECT_EQ(NextData(list, &ref), nullptr);
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(Name(ref), "Red");
    IDirectXFileData* red = nullptr;
    ASSERT_EQ(ref->Resolve(&red), DXFILE_OK);
    const GUID* type = nullptr;
    red->GetType(&type);
    EXPECT_TRUE(*type == TID_D3DRMMaterial);
    // Data objects and references answer only their own interfaces.
    void* wrong = nullptr;
    EXPECT_EQ(red->QueryInterface(IID_IDirectXFileDataReference, &wrong), E_NOINTERFACE);
    EXPECT_EQ(wrong, nullptr);
    IDirectXFileData* tex = NextData(red);
    ASSERT_NE(tex, nullptr);
    ASSERT_EQ(tex->GetData(nullptr, &size, &data), DXFILE_OK);
    EXPECT_STREQ(*static_cast<char**>(data), "objects\\\\bitmaps\\\\red.dds");
    for (IUnknown* u : std::initializer_list<IUnknown*>{tex, red, ref, list, mesh, child, root}) u->Release();

    // The animation set: keys of types 0 and 2 in the first animation, 4 in the second.
    IDirectXFileData* anim = NextData(set);
    ASSERT_NE(anim, nullptr);
    IDirectXFileDataReference* target = nullptr;
    EXPECT_EQ(NextData(anim, &target), nullptr);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(Name(target), "Child");
    IDirectXFileData* rot = NextData(anim);
    ASSERT_NE(rot, nullptr);
    ASSERT_EQ(rot->GetData(nullptr, &size, &data), DXFILE_OK);
    const DWORD* d = static_cast<const DWORD*>(data);
    EXPECT_EQ(d[0], 0u);   // key type
    EXPECT_EQ(d[1], 2u);   // keys
    EXPECT_EQ(d[2], 0u);   // time
    EXPECT_EQ(d[3], 4u);   // values
    EXPECT_EQ(d[8], 100u); // second key time
    float z;
    std::memcpy(&z, &d[12], 4);
    EXPECT_FLOAT_EQ(z, 1.0f);
    EXPECT_EQ(size, (2 + 2 * 6) * 4u);
    IDirectXFileData* pos = NextData(anim);
    ASSERT_NE(pos, nullptr);
    ASSERT_EQ(pos->GetData(nullptr, &size, &data), DXFILE_OK);
    EXPECT_EQ(static_cast<const DWORD*>(data)[0], 2u);
    IDirectXFileData* scale = NextData(anim);
    ASSERT_NE(scale, nullptr);
    ASSERT_EQ(scale->GetData(nullptr, &size, &data), DXFILE_OK);
    d = static_cast<const DWORD*>(data);
    EXPECT_EQ(d[0], 1u);
    EXPECT_EQ(d[1], 2u);
    EXPECT_EQ(d[7], 40u);
    std::memcpy(&z, &d[10], 4);
    EXPECT_FLOAT_EQ(z, 0.5f);
    scale->Release();
    IDirectXFileData* opts = NextData(anim);
    ASSERT_NE(opts, nullptr);
    const GUID* optType = nullptr;
    opts->GetType(&optType);
    EXPECT_TRUE(*optType == TID_D3DRMAnimationOptions);
    IDirectXFileData* anim2 = NextData(set);
    ASSERT_NE(anim2, nullptr);
    IDirectXFileData* mat = NextData(anim2);
    ASSERT_NE(mat, nullptr);
    ASSERT_EQ(mat->GetData(nullptr, &size, &data), DXFILE_OK);
    d = static_cast<const DWORD*>(data);
    EXPECT_EQ(d[0], 4u);
    EXPECT_EQ(d[2], 50u);
    EXPECT_EQ(d[3], 16u);
    std::memcpy(&z, &d[4 + 12], 4);
    EXPECT_FLOAT_EQ(z, 9.0f);
    for (IUnknown* u : std::initializer_list<IUnknown*>{mat, anim2, opts, pos, rot, target, anim, set, en, dx})
        u->Release();
}

TEST(DirectXFileParser, MissingBrokenAndBinaryFilesAreLoggedFailures) {
    veltest::TempDir dir;
    ResetStartLogForTest("testlog.txt");
    IDirectXFile* dx = nullptr;
    ASSERT_EQ(DirectXFileCreate(&dx), DXFILE_OK);
    IDirectXFileEnumObject* en = nullptr;
    EXPECT_EQ(dx->CreateEnumObject(const_cast<char*>("missing.x"), DXFILELOAD_FROMFILE, &en),
              DXFILEERR_FILENOTFOUND);
    EXPECT_EQ(en, nullptr);
    veltest::WriteFile("bin.x", std::string("xof 0302bin 0032") + std::string(40, '\x01'));
    EXPECT_EQ(dx->CreateEnumObject(const_cast<char*>("bin.x"), DXFILELOAD_FROMFILE, &en),
              DXFILEERR_BADFILECOMPRESSIONTYPE);
    veltest::WriteFile("cut.x", std::string(kScene).substr(0, 400));
    EXPECT_EQ(dx->CreateEnumObject(const_cast<char*>("cut.x"), DXFILELOAD_FROMFILE, &en), DXFILEERR_PARSEERROR);
    const std::string log = veltest::ReadFile("testlog.txt");
    EXPECT_NE(log.find("missing.x"), std::string::npos);
    EXPECT_NE(log.find("binary .x files are not supported"), std::string::npos);
    EXPECT_NE(log.find("cut.x"), std::string::npos);

    // From memory, with a template block registered that the later file uses.
    const std::string tmpl = "xof 0302txt 0032\ntemplate Extra { <AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE> DWORD v; }";
    ASSERT_EQ(dx->RegisterTemplates(const_cast<char*>(tmpl.data()), DWORD(tmpl.size())), DXFILE_OK);
    const std::string body = "xof 0302txt 0032\nExtra e { 42; }";
    DXFILELOADMEMORY mem{const_cast<char*>(body.data()), DWORD(body.size())};
    ASSERT_EQ(dx->CreateEnumObject(&mem, DXFILELOAD_FROMMEMORY, &en), DXFILE_OK);
    IDirectXFileData* obj = nullptr;
    ASSERT_EQ(en->GetNextDataObject(&obj), DXFILE_OK);
    DWORD size = 0;
    void* data = nullptr;
    ASSERT_EQ(obj->GetData("v", &size, &data), DXFILE_OK);
    EXPECT_EQ(*static_cast<DWORD*>(data), 42u);
    obj->Release();
    en->Release();
    // A binary template block is accepted: the standard set is built in.
    const std::string binTemplates = std::string("xof 0302bin 0064") + std::string(100, '\0');
    EXPECT_EQ(dx->RegisterTemplates(const_cast<char*>(binTemplates.data()), DWORD(binTemplates.size())), DXFILE_OK);
    dx->Release();
}
