// Meshes from .x files: materials and textures, frame matrices, attribute
// sorting, cloning, normals, bounding volumes, skinned meshes with blended
// conversion, and broken files.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "app/startlog.h"
#include "platform/d3d8.h"
#include "platform/d3dx8mesh.h"
#include "platform/dxfile.h"
#include "support/testutil.h"

namespace {

// A cube of 8 corners and 6 quads with one normal per side (so corners are
// split per side), texture coordinates and two materials alternating by
// side: the first embedded with a texture, the second a reference.
const char* kCube = R"(xof 0302txt 0032
Material Metal {
 0.5; 0.5; 0.6; 1.0;;
 30.0;
 1.0; 1.0; 1.0;;
 0.1; 0.0; 0.0;;
 TextureFilename { "metal.bmp"; }
}
Mesh Cube {
 8;
 -1.0; -1.0; -1.0;, 1.0; -1.0; -1.0;, 1.0; 1.0; -1.0;, -1.0; 1.0; -1.0;,
 -1.0; -1.0; 1.0;, 1.0; -1.0; 1.0;, 1.0; 1.0; 1.0;, -1.0; 1.0; 1.0;;
 6;
 4; 0, 3, 2, 1;,
 4; 4, 5, 6, 7;,
 4; 0, 1, 5, 4;,
 4; 2, 3, 7, 6;,
 4; 0, 4, 7, 3;,
 4; 1, 2, 6, 5;;
 MeshNormals {
  6;
  0.0; 0.0; -1.0;, 0.0; 0.0; 1.0;, 0.0; -1.0; 0.0;, 0.0; 1.0; 0.0;, -1.0; 0.0; 0.0;, 1.0; 0.0; 0.0;;
  6;
  4; 0, 0, 0, 0;, 4; 1, 1, 1, 1;, 4; 2, 2, 2, 2;, 4; 3, 3, 3, 3;, 4; 4, 4, 4, 4;, 4; 5, 5, 5, 5;;
 }
 MeshTextureCoords {
  8;
  0.0; 0.0;, 1.0; 0.0;, 1.0; 1.0;, 0.0; 1.0;, 0.0; 0.0;, 1.0; 0.0;, 1.0; 1.0;, 0.0; 1.0;;
 }
 MeshMaterialList {
  2; 6; 0, 1, 0, 1, 0, 1;;
  Material Wood {
   1.0; 0.8; 0.6; 1.0;;
   10.0;
   0.2; 0.2; 0.2;;
   0.0; 0.0; 0.0;;
   TextureFilename { "objects\\wood.dds"; }
  }
  { Metal }
 }
}
)";

// One triangle inside two frames: the outer moves by (10, 0, 0), the inner
// scales by 2; a second mesh at the top level stays where it is.
const char* kFrames = R"(xof 0302txt 0032
Frame Outer {
 FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,0,0,1;; }
 Frame Inner {
  Mesh Tri {
   3; 0;0;0;, 0;1;0;, 1;0;0;;
   1; 3; 0, 1, 2;;
  }
  FrameTransformMatrix { 2,0,0,0, 0,2,0,0, 0,0,2,0, 0,0,0,1;; }
 }
}
Mesh Loose {
 3; 0;0;5;, 0;1;5;, 1;0;5;;
 1; 3; 0, 1, 2;;
}
)";

// A quad of two triangles skinned to two bones: corners 0 and 1 follow
// bone "Hip", corner 3 follows "Knee", corner 2 is shared half and half.
const char* kSkin = R"(xof 0302txt 0032
Frame Hip {
 FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }
 Frame Knee {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,2,0,1;; }
 }
}
Frame Body {
 Mesh Leg {
  4; 0;0;0;, 1;0;0;, 1;2;0;, 0;2;0;;
  2; 3; 0, 3, 2;, 3; 0, 2, 1;;
  MeshNormals { 1; 0;0;-1;; 2; 3; 0,0,0;, 3; 0,0,0;; }
  XSkinMeshHeader { 2; 2; 2; }
  SkinWeights {
   "Hip";
   3; 0, 1, 2; 1.0, 1.0, 0.5;
   1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;;
  }
  SkinWeights {
   "Knee";
   2; 2, 3; 0.5, 1.0;
   1,0,0,0, 0,1,0,0, 0,0,1,0, 0,-2,0,1;;
  }
 }
}
)";

struct Device {
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* dev = nullptr;
    D3DPRESENT_PARAMETERS pp{};
    Device() {
        plat::ForceHeadlessDevices(true);
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        pp.Windowed = TRUE;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 64;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        if (d3d) d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev);
    }
    ~Device() {
        if (dev) dev->Release();
        if (d3d) d3d->Release();
    }
};

struct Vertex32 {
    float x, y, z, nx, ny, nz, u, v;
};

std::vector<uint32_t> Indices(ID3DXMesh* mesh) {
    BYTE* p = nullptr;
    std::vector<uint32_t> out(mesh->GetNumFaces() * 3);
    EXPECT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &p), D3D_OK);
    const bool is32 = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    for (size_t i = 0; i < out.size(); ++i) {
        if (is32) {
            std::memcpy(&out[i], p + i * 4, 4);
        } else {
            uint16_t v;
            std::memcpy(&v, p + i * 2, 2);
            out[i] = v;
        }
    }
    mesh->UnlockIndexBuffer();
    return out;
}

}  // namespace

TEST(MeshLoad, CubeWithTwoMaterialsAndTwoTextures) {
    veltest::TempDir dir;
    ResetStartLogForTest("testlog.txt");
    veltest::WriteFile("scenes/xfiles/cube.x", kCube);
    Device d;
    ASSERT_NE(d.dev, nullptr);
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromX("Scenes\\XFiles\\Cube.x", D3DXMESH_SYSTEMMEM, d.dev, &adjacency, &materials, &count,
                                &mesh),
              D3D_OK);
    ASSERT_EQ(count, 2u);
    const D3DXMATERIAL* mats = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    EXPECT_STREQ(mats[0].pTextureFilename, "objects\\\\wood.dds");
    EXPECT_STREQ(mats[1].pTextureFilename, "metal.bmp");
    EXPECT_FLOAT_EQ(mats[0].MatD3D.Diffuse.g, 0.8f);
    EXPECT_FLOAT_EQ(mats[0].MatD3D.Power, 10.0f);
    EXPECT_FLOAT_EQ(mats[1].MatD3D.Diffuse.b, 0.6f);
    EXPECT_FLOAT_EQ(mats[1].MatD3D.Emissive.r, 0.1f);
    EXPECT_FLOAT_EQ(mats[1].MatD3D.Ambient.r, 0.0f);

    EXPECT_EQ(mesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
    EXPECT_EQ(mesh->GetNumFaces(), 12u);
    EXPECT_EQ(mesh->GetNumVertices(), 24u);  // each corner once per side
    EXPECT_EQ(adjacency->GetBufferSize(), 12u * 3 * 4);
    const DWORD* adj = static_cast<const DWORD*>(adjacency->GetBufferPointer());
    for (int i = 0; i < 36; ++i) EXPECT_NE(adj[i], UNUSED32) << i;  // closed surface

    // Corners keep their place; split copies carry the side's normal.
    BYTE* vb = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vb), D3D_OK);
    const Vertex32* v = reinterpret_cast<const Vertex32*>(vb);
    EXPECT_FLOAT_EQ(v[6].x, 1.0f);
    EXPECT_FLOAT_EQ(v[6].z, 1.0f);
    EXPECT_FLOAT_EQ(v[2].u, 1.0f);
    EXPECT_FLOAT_EQ(v[0].nz, -1.0f);
    D3DXVECTOR3 center;
    float radius = 0;
    ASSERT_EQ(D3DXComputeBoundingSphere(vb, mesh->GetNumVertices(), mesh->GetFVF(), &center, &radius), D3D_OK);
    EXPECT_NEAR(center.x, 0.0f, 1e-6);
    EXPECT_NEAR(center.y, 0.0f, 1e-6);
    EXPECT_NEAR(radius, std::sqrt(3.0f), 1e-5);
    D3DXVECTOR3 mn, mx;
    ASSERT_EQ(D3DXComputeBoundingBox(vb, mesh->GetNumVertices(), mesh->GetFVF(), &mn, &mx), D3D_OK);
    EXPECT_FLOAT_EQ(mn.x, -1.0f);
    EXPECT_FLOAT_EQ(mx.z, 1.0f);
    mesh->UnlockVertexBuffer();

    // Attributes follow the file's sides: 0, 1, 0, 1, ... per quad.
    DWORD* attr = nullptr;
    ASSERT_EQ(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attr), D3D_OK);
    EXPECT_EQ(attr[0], 0u);
    EXPECT_EQ(attr[1], 0u);
    EXPECT_EQ(attr[2], 1u);
    EXPECT_EQ(attr[11], 1u);
    mesh->UnlockAttributeBuffer();
    DWORD tableSize = 99;
    ASSERT_EQ(mesh->GetAttributeTable(nullptr, &tableSize), D3D_OK);
    EXPECT_EQ(tableSize, 0u);

    // Attribute sort: two ranges of six faces; neighbours follow the faces.
    std::vector<DWORD> adjOut(36), faceRemap(12);
    ID3DXBuffer* vertexRemap = nullptr;
    ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT, adj, adjOut.data(),
                                    faceRemap.data(), &vertexRemap),
              D3D_OK);
    ASSERT_EQ(mesh->GetAttributeTable(nullptr, &tableSize), D3D_OK);
    ASSERT_EQ(tableSize, 2u);
    D3DXATTRIBUTERANGE table[2];
    ASSERT_EQ(mesh->GetAttributeTable(table, &tableSize), D3D_OK);
    EXPECT_EQ(table[0].AttribId, 0u);
    EXPECT_EQ(table[0].FaceStart, 0u);
    EXPECT_EQ(table[0].FaceCount, 6u);
    EXPECT_EQ(table[1].AttribId, 1u);
    EXPECT_EQ(table[1].FaceStart, 6u);
    EXPECT_EQ(table[1].FaceCount, 6u);
    EXPECT_EQ(table[0].VertexStart, 0u);
    EXPECT_EQ(table[0].VertexCount, 12u);
    EXPECT_EQ(table[1].VertexStart, 12u);
    EXPECT_EQ(table[1].VertexCount, 12u);
    EXPECT_EQ(faceRemap[2], 4u);  // the third sorted face is the first of the third side
    ASSERT_NE(vertexRemap, nullptr);
    EXPECT_EQ(vertexRemap->GetBufferSize(), 24u * 4);
    const std::vector<uint32_t> idx = Indices(mesh);
    for (DWORD f = 0; f < 12; ++f)
        for (int k = 0; k < 3; ++k) {
            const DWORD n = adjOut[f * 3 + k];
            ASSERT_LT(n, 12u);
            // The neighbour points back.
            EXPECT_TRUE(adjOut[n * 3] == f || adjOut[n * 3 + 1] == f || adjOut[n * 3 + 2] == f);
        }
    for (DWORD f = 0; f < 6; ++f)
        for (int k = 0; k < 3; ++k) EXPECT_LT(idx[f * 3 + k], 12u);

    // Vertex cache order keeps the ranges and draws each subset once.
    ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE,
                                    adjOut.data(), nullptr, nullptr, nullptr),
              D3D_OK);
    ASSERT_EQ(mesh->GetAttributeTable(table, &tableSize), D3D_OK);
    EXPECT_EQ(table[1].FaceCount, 6u);
    const unsigned before = plat::DeviceDrawCallCount(d.dev);
    EXPECT_EQ(mesh->DrawSubset(0), D3D_OK);
    EXPECT_EQ(mesh->DrawSubset(1), D3D_OK);
    EXPECT_EQ(mesh->DrawSubset(7), D3D_OK);  // no such subset: nothing drawn
    EXPECT_EQ(plat::DeviceDrawCallCount(d.dev), before + 2);

    // A managed clone keeps the table and the format.
    ID3DXMesh* clone = nullptr;
    ASSERT_EQ(mesh->CloneMeshFVF(D3DXMESH_MANAGED, mesh->GetFVF(), d.dev, &clone), D3D_OK);
    EXPECT_EQ(clone->GetNumVertices(), 24u);
    ASSERT_EQ(clone->GetAttributeTable(nullptr, &tableSize), D3D_OK);
    EXPECT_EQ(tableSize, 2u);
    clone->Release();
    vertexRemap->Release();
    adjacency->Release();
    materials->Release();
    mesh->Release();
}

TEST(MeshLoad, NestedFramesPlaceTheirMeshes) {
    veltest::TempDir dir;
    ResetStartLogForTest("testlog.txt");
    veltest::WriteFile("frames.x", kFrames);
    Device d;
    ASSERT_NE(d.dev, nullptr);
    ID3DXMesh* mesh = nullptr;
    DWORD count = 99;
    ID3DXBuffer* materials = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromX("frames.x", D3DXMESH_MANAGED, d.dev, nullptr, &materials, &count, &mesh), D3D_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(materials, nullptr);
    EXPECT_EQ(mesh->GetFVF(), DWORD(D3DFVF_XYZ));
    ASSERT_EQ(mesh->GetNumVertices(), 6u);
    BYTE* vb = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vb), D3D_OK);
    const float* p = reinterpret_cast<const float*>(vb);
    // Inner scale first, then the outer move: (0,1,0) -> (10,2,0), (1,0,0) -> (12,0,0).
    EXPECT_FLOAT_EQ(p[3], 10.0f);
    EXPECT_FLOAT_EQ(p[4], 2.0f);
    EXPECT_FLOAT_EQ(p[6], 12.0f);
    EXPECT_FLOAT_EQ(p[9], 0.0f);  // the loose mesh is untouched
    EXPECT_FLOAT_EQ(p[11], 5.0f);
    mesh->UnlockVertexBuffer();

    // Normals of a triangle in the z = 0 plane, clockwise seen from -z.
    ID3DXMesh* withNormals = nullptr;
    ASSERT_EQ(mesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE, d.dev, &withNormals),
              D3D_OK);
    EXPECT_EQ(D3DXComputeNormals(mesh), D3DERR_INVALIDCALL);  // no normal in the format
    ASSERT_EQ(D3DXComputeNormals(withNormals), D3D_OK);
    ASSERT_EQ(withNormals->LockVertexBuffer(D3DLOCK_READONLY, &vb), D3D_OK);
    const float* q = reinterpret_cast<const float*>(vb);
    EXPECT_FLOAT_EQ(q[0], 10.0f);
    EXPECT_NEAR(q[5], -1.0f, 1e-6);
    DWORD diffuse;
    std::memcpy(&diffuse, q + 6, 4);
    EXPECT_EQ(diffuse, 0xFFFFFFFFu);
    withNormals->UnlockVertexBuffer();
    withNormals->Release();
    mesh->Release();
}

TEST(MeshLoad, BrokenFilesAreLoggedFailures) {
    veltest::TempDir dir;
    ResetStartLogForTest("testlog.txt");
    Device d;
    ASSERT_NE(d.dev, nullptr);
    ID3DXMesh* mesh = nullptr;
    EXPECT_EQ(D3DXLoadMeshFromX("nothing.x", 0, d.dev, nullptr, nullptr, nullptr, &mesh), DXFILEERR_FILENOTFOUND);
    EXPECT_EQ(mesh, nullptr);
    const std::string header = "xof 0302txt 0032\n";
    veltest::WriteFile("badindex.x", header + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0, 1, 7;; }");
    EXPECT_EQ(D3DXLoadMeshFromX("badindex.x", 0, d.dev, nullptr, nullptr, nullptr, &mesh), D3DXERR_INVALIDDATA);
    veltest::WriteFile("badmat.x", header + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0, 1, 2;;"
                                            " MeshMaterialList { 1; 1; 5;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }");
    EXPECT_EQ(D3DXLoadMeshFromX("badmat.x", 0, d.dev, nullptr, nullptr, nullptr, &mesh), D3DXERR_INVALIDDATA);
    veltest::WriteFile("empty.x", header + "Header { 1; 0; 1; }");
    EXPECT_EQ(D3DXLoadMeshFromX("empty.x", 0, d.dev, nullptr, nullptr, nullptr, &mesh), D3DXERR_LOADEDMESHASNODATA);
    const std::string log = veltest::ReadFile("testlog.txt");
    EXPECT_NE(log.find("face index out of range"), std::string::npos);
    EXPECT_NE(log.find("material index out of range"), std::string::npos);
    EXPECT_NE(log.find("nothing.x"), std::string::npos);

    // Every prefix of a good file and scattered corruptions load or fail
    // without a crash.
    const std::string good = kCube;
    int loaded = 0;
    for (size_t n = 0; n < good.size(); n += 3) {
        veltest::WriteFile("cut.x", good.substr(0, n));
        ID3DXMesh* m = nullptr;
        if (SUCCEEDED(D3DXLoadMeshFromX("cut.x", 0, d.dev, nullptr, nullptr, nullptr, &m))) {
            ++loaded;
            m->Release();
        }
    }
    EXPECT_EQ(loaded, 0);
    uint32_t seed = 99;
    for (int round = 0; round < 150; ++round) {
        std::string bad = good;
        for (int k = 0; k < 3; ++k) {
            seed = seed * 1103515245u + 12345u;
            static const char pool[] = "0123456789;,{}-9";
            bad[(seed >> 8) % bad.size()] = pool[(seed >> 20) % (sizeof pool - 1)];
        }
        veltest::WriteFile("bad.x", bad);
        ID3DXBuffer* adj = nullptr;
        ID3DXBuffer* mats = nullptr;
        DWORD n = 0;
        ID3DXMesh* m = nullptr;
        if (SUCCEEDED(D3DXLoadMeshFromX("bad.x", 0, d.dev, &adj, &mats, &n, &m))) {
            // Whatever loaded is consistent: indices are in range.
            for (uint32_t i : Indices(m)) ASSERT_LT(i, m->GetNumVertices());
            m->Release();
            if (adj) adj->Release();
            if (mats) mats->Release();
        }
    }
}

TEST(MeshCreate, SizesAndIndexWidthAreChecked) {
    Device d;
    ASSERT_NE(d.dev, nullptr);
    ID3DXMesh* mesh = nullptr;
    EXPECT_EQ(D3DXCreateMeshFVF(0, 3, 0, D3DFVF_XYZ, d.dev, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMeshFVF(1, 70000, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, d.dev, &mesh), D3DERR_INVALIDCALL);
    ASSERT_EQ(D3DXCreateMeshFVF(1, 70000, D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, D3DFVF_XYZ, d.dev, &mesh), D3D_OK);
    EXPECT_EQ(mesh->GetNumVertices(), 70000u);
    mesh->Release();
    ASSERT_EQ(D3DXCreateMeshFVF(2, 5, D3DXMESH_MANAGED, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, d.dev, &mesh),
              D3D_OK);
    DWORD decl[MAX_FVF_DECL_SIZE];
    ASSERT_EQ(mesh->GetDeclaration(decl), D3D_OK);
    EXPECT_EQ(decl[4], 0xFFFFFFFFu);  // stream, position, normal, texture, end
    // Adjacency from positions: two triangles of a square sharing the
    // diagonal through separate but coincident corners (2 and 4).
    BYTE* vb = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(0, &vb), D3D_OK);
    const float pos[5][3] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {1, 1, 0}};
    for (int i = 0; i < 5; ++i) std::memcpy(vb + i * 32, pos[i], 12);
    mesh->UnlockVertexBuffer();
    BYTE* ib = nullptr;
    ASSERT_EQ(mesh->LockIndexBuffer(0, &ib), D3D_OK);
    const uint16_t tri[6] = {0, 1, 2, 0, 4, 3};
    std::memcpy(ib, tri, sizeof tri);
    mesh->UnlockIndexBuffer();
    DWORD adj[6];
    ASSERT_EQ(mesh->GenerateAdjacency(0.0f, adj), D3D_OK);
    EXPECT_EQ(adj[0], UNUSED32);
    EXPECT_EQ(adj[1], UNUSED32);
    EXPECT_EQ(adj[2], 1u);  // edge 2-0 meets edge 0-4 of the second face
    EXPECT_EQ(adj[3], 0u);
    EXPECT_EQ(adj[4], UNUSED32);
    DWORD prep[5];
    ASSERT_EQ(mesh->ConvertAdjacencyToPointReps(adj, prep), D3D_OK);
    EXPECT_EQ(prep[4], 2u);
    EXPECT_EQ(prep[3], 3u);
    DWORD back[6];
    ASSERT_EQ(mesh->ConvertPointRepsToAdjacency(prep, back), D3D_OK);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(back[i], adj[i]);
    mesh->Release();
}

namespace {

// The vertex cache order as a plain scan: each step looks at every unused
// face around every cached vertex.
std::vector<uint32_t> ScannedCacheOrder(const std::vector<uint32_t>& idx, std::vector<uint32_t> faces) {
    if (faces.size() < 3) return faces;
    std::vector<char> done(faces.size(), 0);
    std::vector<uint32_t> result, cache;
    auto cached = [&](uint32_t v) { return std::find(cache.begin(), cache.end(), v) != cache.end(); };
    size_t cursor = 0;
    while (result.size() < faces.size()) {
        long best = -1;
        int bestScore = -1;
        for (uint32_t v : cache)
            for (size_t f = 0; f < faces.size(); ++f) {
                const uint32_t* c = &idx[faces[f] * 3];
                if (done[f] || (c[0] != v && c[1] != v && c[2] != v)) continue;
                const int score = int(cached(c[0])) + int(cached(c[1])) + int(cached(c[2]));
                if (score > bestScore) {
                    bestScore = score;
                    best = long(f);
                }
            }
        if (best < 0) {
            while (done[cursor]) ++cursor;
            best = long(cursor);
        }
        done[size_t(best)] = 1;
        result.push_back(faces[size_t(best)]);
        for (int k = 0; k < 3; ++k) {
            const uint32_t v = idx[faces[size_t(best)] * 3 + k];
            cache.erase(std::remove(cache.begin(), cache.end(), v), cache.end());
            cache.insert(cache.begin(), v);
        }
        if (cache.size() > 16) cache.resize(16);
    }
    return result;
}

// A mesh of the given faces and attributes, with vertices along a line.
ID3DXMesh* MakeMesh(IDirect3DDevice8* dev, DWORD vertices, const std::vector<uint32_t>& idx,
                    const std::vector<DWORD>& attr) {
    ID3DXMesh* mesh = nullptr;
    EXPECT_EQ(D3DXCreateMeshFVF(DWORD(attr.size()), vertices, D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, D3DFVF_XYZ, dev,
                                &mesh),
              D3D_OK);
    if (!mesh) return nullptr;
    BYTE* vb = nullptr;
    EXPECT_EQ(mesh->LockVertexBuffer(0, &vb), D3D_OK);
    for (DWORD v = 0; v < vertices; ++v) {
        const float p[3] = {float(v), float(v % 7), 0.0f};
        std::memcpy(vb + v * 12, p, 12);
    }
    mesh->UnlockVertexBuffer();
    BYTE* ib = nullptr;
    EXPECT_EQ(mesh->LockIndexBuffer(0, &ib), D3D_OK);
    std::memcpy(ib, idx.data(), idx.size() * 4);
    mesh->UnlockIndexBuffer();
    DWORD* ab = nullptr;
    EXPECT_EQ(mesh->LockAttributeBuffer(0, &ab), D3D_OK);
    std::memcpy(ab, attr.data(), attr.size() * 4);
    mesh->UnlockAttributeBuffer();
    return mesh;
}

}  // namespace

TEST(MeshOptimize, VertexCacheOrderOfOrdinaryMeshesIsTheScannedOrder) {
    Device d;
    ASSERT_NE(d.dev, nullptr);
    std::vector<std::pair<std::vector<uint32_t>, std::vector<DWORD>>> meshes;
    // A 12 by 9 grid of quads, rows given in a scrambled order, two materials.
    {
        std::vector<uint32_t> idx;
        std::vector<DWORD> attr;
        for (uint32_t r = 0; r < 9; ++r) {
            const uint32_t row = (r * 5) % 9;
            for (uint32_t c = 0; c < 12; ++c) {
                const uint32_t a = row * 13 + c, b = a + 1, e = a + 13, f = e + 1;
                idx.insert(idx.end(), {a, e, b, b, e, f});
                attr.insert(attr.end(), {DWORD(c / 6), DWORD(c / 6)});
            }
        }
        meshes.emplace_back(idx, attr);
    }
    // Random triangles over few vertices (shared widely, some degenerate), in
    // three materials.
    uint32_t seed = 7;
    auto rnd = [&](uint32_t m) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % m;
    };
    for (int round = 0; round < 6; ++round) {
        std::vector<uint32_t> idx;
        std::vector<DWORD> attr;
        const uint32_t faces = 40 + rnd(300);
        for (uint32_t f = 0; f < faces; ++f) {
            for (int k = 0; k < 3; ++k) idx.push_back(rnd(round < 3 ? 30 : 117));
            attr.push_back(rnd(3));
        }
        meshes.emplace_back(idx, attr);
    }
    for (size_t m = 0; m < meshes.size(); ++m) {
        const auto& [idx, attr] = meshes[m];
        ID3DXMesh* mesh = MakeMesh(d.dev, 130, idx, attr);
        ASSERT_NE(mesh, nullptr);
        std::vector<DWORD> remap(attr.size());
        ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_IGNOREVERTS,
                                        nullptr, nullptr, remap.data(), nullptr),
                  D3D_OK);
        // Expected: faces sorted by material (stable), each run in scanned order.
        std::vector<uint32_t> order(attr.size());
        std::iota(order.begin(), order.end(), 0u);
        std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return attr[a] < attr[b]; });
        std::vector<uint32_t> expected;
        for (size_t start = 0; start < order.size();) {
            size_t end = start;
            while (end < order.size() && attr[order[end]] == attr[order[start]]) ++end;
            const std::vector<uint32_t> run =
                ScannedCacheOrder(idx, std::vector<uint32_t>(order.begin() + long(start), order.begin() + long(end)));
            expected.insert(expected.end(), run.begin(), run.end());
            start = end;
        }
        EXPECT_EQ(std::vector<uint32_t>(remap.begin(), remap.end()), expected) << "mesh " << m;
        mesh->Release();
    }
}

TEST(MeshOptimize, OneFaceOfThousandsOfCornersLoadsAndOptimisesQuickly) {
    // A polygon of 20000 corners: a fan of 19998 triangles round one vertex.
    constexpr int kCorners = 20000;
    std::string x = "xof 0302txt 0032\nMesh Disc {\n" + std::to_string(kCorners) + ";\n";
    for (int i = 0; i < kCorners; ++i) {
        const double a = 6.283185307179586 * i / kCorners;
        x += std::to_string(std::cos(a)) + ";" + std::to_string(std::sin(a)) + ";0.0;" +
             (i + 1 < kCorners ? ",\n" : ";\n");
    }
    x += "1;\n" + std::to_string(kCorners) + ";";
    for (int i = 0; i < kCorners; ++i) x += std::to_string(i) + (i + 1 < kCorners ? "," : ";;\n");
    x += "}\n";
    veltest::TempDir dir;
    veltest::WriteFile("disc.x", x);
    Device d;
    ASSERT_NE(d.dev, nullptr);
    const auto start = std::chrono::steady_clock::now();
    ID3DXMesh* mesh = nullptr;
    LPD3DXBUFFER adjacency = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromX("disc.x", D3DXMESH_SYSTEMMEM, d.dev, &adjacency, nullptr, nullptr, &mesh), D3D_OK);
    ASSERT_EQ(mesh->GetNumFaces(), DWORD(kCorners - 2));
    std::vector<DWORD> remap(mesh->GetNumFaces());
    ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE,
                                    static_cast<DWORD*>(adjacency->GetBufferPointer()), nullptr, remap.data(), nullptr),
              D3D_OK);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // Scanning every face round the centre at every step takes minutes here.
    EXPECT_LT(seconds, 20.0);
    // Round the fan in order: each face shares two corners with the last.
    for (DWORD f = 0; f < remap.size(); ++f) EXPECT_EQ(remap[f], f) << f;
    adjacency->Release();
    mesh->Release();
}

TEST(MeshBounds, SphereAndBoxOfStridedPoints) {
    struct V {
        float x, y, z, nx, ny, nz;
    } pts[4] = {{0, 0, 0, 9, 9, 9}, {4, 0, 0, 9, 9, 9}, {0, 2, 0, 9, 9, 9}, {0, 0, -6, 9, 9, 9}};
    D3DXVECTOR3 c, mn, mx;
    float r = 0;
    ASSERT_EQ(D3DXComputeBoundingSphere(pts, 4, D3DFVF_XYZ | D3DFVF_NORMAL, &c, &r), D3D_OK);
    EXPECT_FLOAT_EQ(c.x, 1.0f);
    EXPECT_FLOAT_EQ(c.y, 0.5f);
    EXPECT_FLOAT_EQ(c.z, -1.5f);
    EXPECT_NEAR(r, std::sqrt(1.0f + 0.25f + 4.5f * 4.5f), 1e-5);
    ASSERT_EQ(D3DXComputeBoundingBox(pts, 4, D3DFVF_XYZ | D3DFVF_NORMAL, &mn, &mx), D3D_OK);
    EXPECT_FLOAT_EQ(mn.z, -6.0f);
    EXPECT_FLOAT_EQ(mx.x, 4.0f);
    EXPECT_FLOAT_EQ(mx.y, 2.0f);
    EXPECT_EQ(D3DXComputeBoundingSphere(pts, 0, D3DFVF_XYZ, &c, &r), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXComputeBoundingBox(nullptr, 4, D3DFVF_XYZ, &mn, &mx), D3DERR_INVALIDCALL);
}

TEST(MeshSkin, TwoBoneMeshLoadsAndConvertsToBlended) {
    veltest::TempDir dir;
    ResetStartLogForTest("testlog.txt");
    veltest::WriteFile("skin.x", kSkin);
    Device d;
    ASSERT_NE(d.dev, nullptr);
    IDirectXFile* dx = nullptr;
    ASSERT_EQ(DirectXFileCreate(&dx), DXFILE_OK);
    ASSERT_EQ(dx->RegisterTemplates(const_cast<unsigned char*>(D3DRM_XTEMPLATES), D3DRM_XTEMPLATE_BYTES), DXFILE_OK);
    IDirectXFileEnumObject* en = nullptr;
    ASSERT_EQ(dx->CreateEnumObject(const_cast<char*>("skin.x"), DXFILELOAD_FROMFILE, &en), DXFILE_OK);
    IDirectXFileData* hip = nullptr;
    IDirectXFileData* body = nullptr;
    ASSERT_EQ(en->GetNextDataObject(&hip), DXFILE_OK);
    ASSERT_EQ(en->GetNextDataObject(&body), DXFILE_OK);
    IDirectXFileObject* child = nullptr;
    ASSERT_EQ(body->GetNextObject(&child), DXFILE_OK);
    IDirectXFileData* meshData = nullptr;
    ASSERT_EQ(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&meshData)), S_OK);

    // The plain loader refuses a frame and takes the mesh.
    ID3DXMesh* plain = nullptr;
    EXPECT_EQ(D3DXLoadMeshFromXof(body, 0, d.dev, nullptr, nullptr, nullptr, &plain), D3DERR_INVALIDCALL);

    ID3DXBuffer *adj = nullptr, *mats = nullptr, *names = nullptr, *offsets = nullptr;
    DWORD nMats = 99;
    ID3DXSkinMesh* skin = nullptr;
    ASSERT_EQ(D3DXLoadSkinMeshFromXof(meshData, 0, d.dev, &adj, &mats, &nMats, &names, &offsets, &skin), D3D_OK);
    EXPECT_EQ(nMats, 0u);
    ASSERT_EQ(skin->GetNumBones(), 2u);
    ASSERT_NE(names, nullptr);
    char** boneNames = static_cast<char**>(names->GetBufferPointer());
    EXPECT_STREQ(boneNames[0], "Hip");
    EXPECT_STREQ(boneNames[1], "Knee");
    const D3DXMATRIX* off = static_cast<const D3DXMATRIX*>(offsets->GetBufferPointer());
    EXPECT_FLOAT_EQ(off[1].m[3][1], -2.0f);
    EXPECT_EQ(skin->GetNumBoneInfluences(1), 2u);
    DWORD verts[2];
    float weights[2];
    ASSERT_EQ(skin->GetBoneInfluence(1, verts, weights), D3D_OK);
    EXPECT_EQ(verts[0], 2u);
    EXPECT_FLOAT_EQ(weights[0], 0.5f);
    DWORD maxFace = 0, maxVertex = 0;
    ASSERT_EQ(skin->GetMaxFaceInfluences(&maxFace), D3D_OK);
    ASSERT_EQ(skin->GetMaxVertexInfluences(&maxVertex), D3D_OK);
    EXPECT_EQ(maxFace, 2u);
    EXPECT_EQ(maxVertex, 2u);

    DWORD combos = 0;
    ID3DXBuffer* table = nullptr;
    ID3DXMesh* blended = nullptr;
    std::vector<DWORD> adjOut(6);
    ASSERT_EQ(skin->ConvertToBlendedMesh(D3DXMESH_MANAGED, static_cast<DWORD*>(adj->GetBufferPointer()),
                                         adjOut.data(), &combos, &table, &blended),
              D3D_OK);
    EXPECT_EQ(blended->GetFVF(), DWORD(D3DFVF_XYZB1 | D3DFVF_NORMAL));
    ASSERT_EQ(combos, 1u);
    const D3DXBONECOMBINATION* bc = static_cast<const D3DXBONECOMBINATION*>(table->GetBufferPointer());
    EXPECT_EQ(bc[0].AttribId, 0u);
    EXPECT_EQ(bc[0].FaceCount, 2u);
    EXPECT_EQ(bc[0].BoneId[0], 0u);  // the first face's bones come first
    EXPECT_EQ(bc[0].BoneId[1], 1u);
    EXPECT_EQ(adjOut[0] == 1u || adjOut[1] == 1u || adjOut[2] == 1u, true);
    // Vertex weights: the first weight is the Hip's, the Knee's is implied.
    BYTE* vb = nullptr;
    ASSERT_EQ(blended->LockVertexBuffer(D3DLOCK_READONLY, &vb), D3D_OK);
    const UINT stride = plat::FvfVertexSize(blended->GetFVF());
    EXPECT_EQ(stride, 28u);
    const std::vector<uint32_t> idx = Indices(blended);
    for (uint32_t i : idx) {
        float p[4];
        std::memcpy(p, vb + size_t(i) * stride, 16);
        const float expected = (p[1] == 0.0f) ? 1.0f : (p[0] == 1.0f && p[1] == 2.0f) ? 0.5f : 0.0f;
        EXPECT_FLOAT_EQ(p[3], expected) << p[0] << "," << p[1];
    }
    blended->UnlockVertexBuffer();
    EXPECT_EQ(blended->DrawSubset(0), D3D_OK);

    // Software skinning moves the Knee's corner with its matrix.
    ID3DXMesh* soft = nullptr;
    ASSERT_EQ(skin->GenerateSkinnedMesh(D3DXMESH_SYSTEMMEM, 0.0f, nullptr, nullptr, &soft), D3D_OK);
    D3DXMATRIX mats2[2];
    std::memset(mats2, 0, sizeof mats2);
    for (int b = 0; b < 2; ++b)
        for (int i = 0; i < 4; ++i) mats2[b].m[i][i] = 1.0f;
    mats2[1].m[3][0] = 10.0f;
    ASSERT_EQ(skin->UpdateSkinnedMesh(mats2, soft), D3D_OK);
    ASSERT_EQ(soft->LockVertexBuffer(D3DLOCK_READONLY, &vb), D3D_OK);
    const UINT s2 = plat::FvfVertexSize(soft->GetFVF());
    float p3[3], p2[3];
    std::memcpy(p3, vb + 3 * s2, 12);
    std::memcpy(p2, vb + 2 * s2, 12);
    EXPECT_FLOAT_EQ(p3[0], 10.0f);
    EXPECT_FLOAT_EQ(p2[0], 6.0f);
    soft->UnlockVertexBuffer();

    // The skin and its managed conversion hold no default-pool buffers, so
    // the device can be reset while they live.
    D3DPRESENT_PARAMETERS pp = d.pp;
    EXPECT_EQ(d.dev->Reset(&pp), D3D_OK);

    for (IUnknown* u : std::initializer_list<IUnknown*>{soft, blended, table, skin, offsets, names, adj, meshData,
                                                        child, body, hip, en, dx})
        u->Release();
    if (mats) mats->Release();
}
