// Meshes from .x files: plain meshes (flattened through their frames),
// single Mesh data objects, and skinned meshes with their bones.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/startlog.h"
#include "platform/d3dx8mesh.h"
#include "platform/d3dx8mesh_impl.h"
#include "platform/xfile_dx.h"

namespace plat {

namespace {

struct Mat4 {
    float m[4][4];
    static Mat4 Identity() {
        Mat4 r{};
        for (int i = 0; i < 4; ++i) r.m[i][i] = 1.0f;
        return r;
    }
    Mat4 operator*(const Mat4& b) const {
        Mat4 r{};
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                float s = 0;
                for (int k = 0; k < 4; ++k) s += m[i][k] * b.m[k][j];
                r.m[i][j] = s;
            }
        return r;
    }
    void Point(float v[3]) const {
        float o[3];
        const float w = v[0] * m[0][3] + v[1] * m[1][3] + v[2] * m[2][3] + m[3][3];
        for (int j = 0; j < 3; ++j) o[j] = v[0] * m[0][j] + v[1] * m[1][j] + v[2] * m[2][j] + m[3][j];
        const float inv = (w != 0.0f) ? 1.0f / w : 1.0f;
        for (int j = 0; j < 3; ++j) v[j] = o[j] * inv;
    }
    void Normal(float v[3]) const {
        float o[3];
        for (int j = 0; j < 3; ++j) o[j] = v[0] * m[0][j] + v[1] * m[1][j] + v[2] * m[2][j];
        const float len = std::sqrt(o[0] * o[0] + o[1] * o[1] + o[2] * o[2]);
        for (int j = 0; j < 3; ++j) v[j] = len > 0 ? o[j] / len : o[j];
    }
};

struct LoadedMaterial {
    D3DMATERIAL8 mat{};
    std::string texture;
    bool hasTexture = false;
};

struct LoadedBone {
    std::string name;
    std::vector<uint32_t> vertices;  // file vertex indices
    std::vector<float> weights;
    D3DXMATRIX offset;
};

// One mesh in the form the device mesh is made from.
struct BuiltMesh {
    std::vector<float> pos;      // 3 per vertex
    std::vector<float> normal;   // 3 per vertex
    std::vector<float> uv;       // 2 per vertex
    std::vector<DWORD> colour;   // per vertex
    bool hasNormals = false, hasUV = false, hasColours = false;
    std::vector<uint32_t> fileVertex;  // output vertex -> vertex of the file
    uint32_t fileVertexCount = 0;
    std::vector<uint32_t> indices;     // triangles
    std::vector<DWORD> attributes;     // per triangle
    std::vector<LoadedMaterial> materials;
    bool hasMaterialList = false;
    std::vector<LoadedBone> bones;
    size_t VertexCount() const { return pos.size() / 3; }
};

bool Fail(std::string& error, const std::string& what) {
    error = what;
    return false;
}

const xf::XObject* Resolve(const xf::XFile& file, const xf::XChild& c) { return file.Resolve(c); }

bool IsType(const xf::XObject* o, const GUID& g) { return o && o->type == g; }

bool ReadMaterial(const xf::XFile& file, const xf::XObject& o, LoadedMaterial& out, std::string& error) {
    xf::XDataReader r(o);
    D3DMATERIAL8& m = out.mat;
    std::memset(&m, 0, sizeof m);
    m.Diffuse.r = r.Float();
    m.Diffuse.g = r.Float();
    m.Diffuse.b = r.Float();
    m.Diffuse.a = r.Float();
    m.Power = r.Float();
    m.Specular.r = r.Float();
    m.Specular.g = r.Float();
    m.Specular.b = r.Float();
    m.Specular.a = 1.0f;
    m.Emissive.r = r.Float();
    m.Emissive.g = r.Float();
    m.Emissive.b = r.Float();
    m.Emissive.a = 1.0f;
    if (!r.ok()) return Fail(error, "material data too short");
    for (const xf::XChild& c : o.children) {
        const xf::XObject* t = Resolve(file, c);
        if (!IsType(t, TID_D3DRMTextureFilename)) continue;
        xf::XDataReader tr(*t);
        const char* name = tr.String();
        if (tr.ok() && name) {
            out.texture = name;
            out.hasTexture = true;
        }
        break;
    }
    return true;
}

bool ReadFaceList(xf::XDataReader& r, uint32_t vertexLimit, std::vector<std::vector<uint32_t>>& faces,
                  std::string& error) {
    const uint32_t count = r.DWord();
    if (!r.ok() || count > r.remaining() / 4) return Fail(error, "face count larger than the data present");
    faces.resize(count);
    for (uint32_t f = 0; f < count; ++f) {
        const uint32_t n = r.DWord();
        if (!r.ok() || n > r.remaining() / 4) return Fail(error, "face size larger than the data present");
        faces[f].resize(n);
        for (uint32_t k = 0; k < n; ++k) {
            faces[f][k] = r.DWord();
            if (faces[f][k] >= vertexLimit) return Fail(error, "face index out of range");
        }
    }
    return r.ok();
}

// Builds one Mesh data object.
bool BuildMesh(const xf::XFile& file, const xf::XObject& mesh, BuiltMesh& out, std::string& error) {
    xf::XDataReader r(mesh);
    const uint32_t nVerts = r.DWord();
    if (!r.ok() || nVerts > r.remaining() / 12) return Fail(error, "vertex count larger than the data present");
    if (nVerts == 0) return Fail(error, "mesh without vertices");
    std::vector<float> filePos(size_t(nVerts) * 3);
    for (float& f : filePos) f = r.Float();
    std::vector<std::vector<uint32_t>> faces;
    if (!ReadFaceList(r, nVerts, faces, error)) return false;
    if (faces.empty()) return Fail(error, "mesh without faces");

    // Optional parts.
    std::vector<float> normals;
    std::vector<std::vector<uint32_t>> faceNormals;
    std::vector<float> fileUV;
    std::vector<DWORD> fileColours;
    std::vector<DWORD> faceMaterial;
    for (const xf::XChild& c : mesh.children) {
        const xf::XObject* o = Resolve(file, c);
        if (!o) continue;
        if (o->type == TID_D3DRMMeshNormals) {
            xf::XDataReader nr(*o);
            const uint32_t n = nr.DWord();
            if (!nr.ok() || n > nr.remaining() / 12) return Fail(error, "normal count larger than the data present");
            normals.resize(size_t(n) * 3);
            for (float& f : normals) f = nr.Float();
            if (!ReadFaceList(nr, n, faceNormals, error)) return false;
            out.hasNormals = true;
        } else if (o->type == TID_D3DRMMeshTextureCoords) {
            xf::XDataReader tr(*o);
            const uint32_t n = tr.DWord();
            if (!tr.ok() || n > tr.remaining() / 8) return Fail(error, "texture coordinate count too large");
            fileUV.resize(size_t(n) * 2);
            for (float& f : fileUV) f = tr.Float();
            out.hasUV = true;
        } else if (o->type == TID_D3DRMMeshVertexColors) {
            xf::XDataReader cr(*o);
            const uint32_t n = cr.DWord();
            if (!cr.ok() || n > cr.remaining() / 20) return Fail(error, "vertex colour count too large");
            fileColours.assign(nVerts, 0xFFFFFFFFu);
            for (uint32_t i = 0; i < n; ++i) {
                const uint32_t v = cr.DWord();
                float rgba[4];
                for (float& f : rgba) f = std::clamp(cr.Float(), 0.0f, 1.0f);
                if (v >= nVerts) continue;
                auto to8 = [](float f) { return DWORD(f * 255.0f + 0.5f); };
                fileColours[v] = (to8(rgba[3]) << 24) | (to8(rgba[0]) << 16) | (to8(rgba[1]) << 8) | to8(rgba[2]);
            }
            out.hasColours = true;
        } else if (o->type == TID_D3DRMMeshMaterialList) {
            xf::XDataReader mr(*o);
            const uint32_t nMaterials = mr.DWord();
            const uint32_t nIndexes = mr.DWord();
            if (!mr.ok() || nIndexes > mr.remaining() / 4) return Fail(error, "material index count too large");
            std::vector<DWORD> idx(nIndexes);
            for (DWORD& d : idx) d = mr.DWord();
            for (const xf::XChild& mc : o->children) {
                const xf::XObject* mo = Resolve(file, mc);
                if (!IsType(mo, TID_D3DRMMaterial)) continue;
                if (out.materials.size() >= nMaterials) break;
                LoadedMaterial lm;
                if (!ReadMaterial(file, *mo, lm, error)) return false;
                out.materials.push_back(std::move(lm));
            }
            // Materials named by the list but not present get a plain white one.
            DWORD used = 0;
            for (DWORD d : idx) used = std::max(used, d == UNUSED32 ? 0 : d + 1);
            while (out.materials.size() < std::min<size_t>(nMaterials, used)) {
                LoadedMaterial lm;
                lm.mat.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
                out.materials.push_back(lm);
            }
            if (out.materials.empty()) return Fail(error, "material list without materials");
            faceMaterial.assign(faces.size(), 0);
            for (size_t f = 0; f < faces.size(); ++f) {
                DWORD m = idx.empty() ? 0 : idx[std::min(f, idx.size() - 1)];
                if (m >= out.materials.size()) return Fail(error, "material index out of range");
                faceMaterial[f] = m;
            }
            out.hasMaterialList = true;
        } else if (o->type == DXFILEOBJ_SkinWeights) {
            xf::XDataReader sr(*o);
            LoadedBone bone;
            const char* name = sr.String();
            bone.name = name ? name : "";
            const uint32_t n = sr.DWord();
            if (!sr.ok() || n > sr.remaining() / 8) return Fail(error, "skin weight count too large");
            bone.vertices.resize(n);
            bone.weights.resize(n);
            for (uint32_t& v : bone.vertices) {
                v = sr.DWord();
                if (v >= nVerts) return Fail(error, "skin weight vertex out of range");
            }
            for (float& w : bone.weights) w = sr.Float();
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j) bone.offset.m[i][j] = sr.Float();
            if (!sr.ok()) return Fail(error, "skin weights truncated");
            out.bones.push_back(std::move(bone));
        }
    }
    if (out.hasNormals && faceNormals.size() != faces.size()) {
        // Face normals that do not match the faces are left out; the normals
        // stay zero (they can be recomputed).
        faceNormals.clear();
    }

    // Output vertices: one per (file vertex, normal index); file vertices keep
    // their place and differing normals add copies at the end.
    out.fileVertexCount = nVerts;
    std::vector<uint32_t> firstNormal(nVerts, UNUSED32);
    std::unordered_map<uint64_t, uint32_t> copies;
    auto addVertex = [&](uint32_t fv, uint32_t ni) -> uint32_t {
        if (!out.hasNormals || faceNormals.empty()) return fv;
        if (firstNormal[fv] == UNUSED32 || firstNormal[fv] == ni) {
            firstNormal[fv] = ni;
            return fv;
        }
        const uint64_t key = (uint64_t(fv) << 32) | ni;
        auto it = copies.find(key);
        if (it != copies.end()) return it->second;
        const uint32_t nv = uint32_t(out.fileVertex.size());
        out.fileVertex.push_back(fv);
        copies.emplace(key, nv);
        return nv;
    };
    out.fileVertex.resize(nVerts);
    for (uint32_t v = 0; v < nVerts; ++v) out.fileVertex[v] = v;
    std::vector<uint32_t> normalOf;  // output vertex -> normal index
    for (size_t f = 0; f < faces.size(); ++f) {
        const std::vector<uint32_t>& fv = faces[f];
        if (fv.size() < 3) continue;
        const bool haveFN = !faceNormals.empty() && faceNormals[f].size() == fv.size();
        std::vector<uint32_t> ov(fv.size());
        for (size_t k = 0; k < fv.size(); ++k) {
            const uint32_t ni = haveFN ? faceNormals[f][k] : UNUSED32;
            ov[k] = haveFN ? addVertex(fv[k], ni) : fv[k];
            if (normalOf.size() < out.fileVertex.size()) normalOf.resize(out.fileVertex.size(), UNUSED32);
            if (haveFN && normalOf[ov[k]] == UNUSED32) normalOf[ov[k]] = ni;
        }
        for (size_t k = 1; k + 1 < fv.size(); ++k) {
            out.indices.push_back(ov[0]);
            out.indices.push_back(ov[k]);
            out.indices.push_back(ov[k + 1]);
            out.attributes.push_back(faceMaterial.empty() ? 0 : faceMaterial[f]);
        }
    }
    if (out.indices.empty()) return Fail(error, "mesh without triangles");
    normalOf.resize(out.fileVertex.size(), UNUSED32);

    const size_t count = out.fileVertex.size();
    out.pos.resize(count * 3);
    if (out.hasNormals) out.normal.assign(count * 3, 0.0f);
    if (out.hasUV) out.uv.assign(count * 2, 0.0f);
    if (out.hasColours) out.colour.assign(count, 0xFFFFFFFFu);
    for (size_t v = 0; v < count; ++v) {
        const uint32_t fv = out.fileVertex[v];
        std::memcpy(&out.pos[v * 3], &filePos[size_t(fv) * 3], 12);
        if (out.hasNormals && normalOf[v] != UNUSED32 && size_t(normalOf[v]) * 3 + 2 < normals.size())
            std::memcpy(&out.normal[v * 3], &normals[size_t(normalOf[v]) * 3], 12);
        if (out.hasUV && size_t(fv) * 2 + 1 < fileUV.size()) std::memcpy(&out.uv[v * 2], &fileUV[size_t(fv) * 2], 8);
        if (out.hasColours) out.colour[v] = fileColours[fv];
    }
    return true;
}

void Transform(BuiltMesh& m, const Mat4& t) {
    for (size_t v = 0; v < m.VertexCount(); ++v) {
        t.Point(&m.pos[v * 3]);
        if (m.hasNormals) t.Normal(&m.normal[v * 3]);
    }
}

Mat4 FrameMatrix(const xf::XFile& file, const xf::XObject& frame) {
    for (const xf::XChild& c : frame.children) {
        const xf::XObject* o = Resolve(file, c);
        if (!IsType(o, TID_D3DRMFrameTransformMatrix)) continue;
        xf::XDataReader r(*o);
        Mat4 m;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) m.m[i][j] = r.Float();
        if (r.ok()) return m;
    }
    return Mat4::Identity();
}

bool CollectMeshes(const xf::XFile& file, const xf::XObject& obj, const Mat4& parent, int depth,
                   std::vector<BuiltMesh>& out, std::string& error) {
    if (depth > 64) return Fail(error, "frames nested too deeply");
    if (obj.type == TID_D3DRMMesh) {
        BuiltMesh m;
        if (!BuildMesh(file, obj, m, error)) return false;
        Transform(m, parent);
        out.push_back(std::move(m));
        return true;
    }
    if (obj.type != TID_D3DRMFrame) return true;
    const Mat4 combined = FrameMatrix(file, obj) * parent;
    for (const xf::XChild& c : obj.children) {
        const xf::XObject* o = Resolve(file, c);
        if (!o || (o->type != TID_D3DRMMesh && o->type != TID_D3DRMFrame)) continue;
        if (!CollectMeshes(file, *o, combined, depth + 1, out, error)) return false;
    }
    return true;
}

// Joins meshes into one: components are the union, materials are appended
// (meshes without a list get one white material when others have lists).
BuiltMesh Merge(std::vector<BuiltMesh>& parts) {
    if (parts.size() == 1) return std::move(parts[0]);
    BuiltMesh all;
    bool anyList = false;
    for (const BuiltMesh& p : parts) {
        all.hasNormals |= p.hasNormals;
        all.hasUV |= p.hasUV;
        all.hasColours |= p.hasColours;
        anyList |= p.hasMaterialList;
    }
    all.hasMaterialList = anyList;
    for (BuiltMesh& p : parts) {
        const uint32_t base = uint32_t(all.VertexCount());
        const DWORD matBase = DWORD(all.materials.size());
        const size_t n = p.VertexCount();
        all.pos.insert(all.pos.end(), p.pos.begin(), p.pos.end());
        if (all.hasNormals) {
            if (p.hasNormals) all.normal.insert(all.normal.end(), p.normal.begin(), p.normal.end());
            else all.normal.insert(all.normal.end(), n * 3, 0.0f);
        }
        if (all.hasUV) {
            if (p.hasUV) all.uv.insert(all.uv.end(), p.uv.begin(), p.uv.end());
            else all.uv.insert(all.uv.end(), n * 2, 0.0f);
        }
        if (all.hasColours) {
            if (p.hasColours) all.colour.insert(all.colour.end(), p.colour.begin(), p.colour.end());
            else all.colour.insert(all.colour.end(), n, 0xFFFFFFFFu);
        }
        for (uint32_t i : p.indices) all.indices.push_back(i + base);
        if (anyList && !p.hasMaterialList) {
            LoadedMaterial lm;
            lm.mat.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
            p.materials.push_back(lm);
        }
        for (DWORD a : p.attributes) all.attributes.push_back(a + matBase);
        for (LoadedMaterial& m : p.materials) all.materials.push_back(std::move(m));
        for (uint32_t fv : p.fileVertex) all.fileVertex.push_back(fv + all.fileVertexCount);
        all.fileVertexCount += p.fileVertexCount;
    }
    return all;
}

DWORD MeshFvf(const BuiltMesh& m) {
    DWORD fvf = D3DFVF_XYZ;
    if (m.hasNormals) fvf |= D3DFVF_NORMAL;
    if (m.hasColours) fvf |= D3DFVF_DIFFUSE;
    if (m.hasUV) fvf |= D3DFVF_TEX1;
    return fvf;
}

HRESULT MakeDeviceMesh(const BuiltMesh& m, DWORD options, IDirect3DDevice8* device, MeshImpl** out) {
    *out = nullptr;
    const DWORD faces = DWORD(m.indices.size() / 3);
    const DWORD verts = DWORD(m.VertexCount());
    if (verts > 0xFFFF) options |= D3DXMESH_32BIT;
    MeshImpl* mesh = nullptr;
    HRESULT hr = MeshImpl::Create(device, faces, verts, options, MeshFvf(m), &mesh);
    if (FAILED(hr)) return hr;
    const FvfLayout& L = mesh->Layout();
    std::vector<uint8_t> vb(size_t(verts) * L.stride, 0);
    for (DWORD v = 0; v < verts; ++v) {
        uint8_t* d = vb.data() + size_t(v) * L.stride;
        std::memcpy(d, &m.pos[size_t(v) * 3], 12);
        if (L.normal >= 0) std::memcpy(d + L.normal, &m.normal[size_t(v) * 3], 12);
        if (L.diffuse >= 0) std::memcpy(d + L.diffuse, &m.colour[v], 4);
        if (L.texCount > 0) std::memcpy(d + L.tex[0], &m.uv[size_t(v) * 2], 8);
    }
    if (!mesh->WriteVertices(vb) || !mesh->WriteIndices(m.indices)) {
        mesh->Release();
        return D3DERR_INVALIDCALL;
    }
    mesh->Attributes() = m.attributes;
    *out = mesh;
    return D3D_OK;
}

ID3DXBuffer* MaterialBuffer(const std::vector<LoadedMaterial>& mats) {
    size_t strings = 0;
    for (const LoadedMaterial& m : mats)
        if (m.hasTexture) strings += m.texture.size() + 1;
    const size_t head = mats.size() * sizeof(D3DXMATERIAL);
    ID3DXBuffer* b = NewBuffer(head + strings);
    uint8_t* base = static_cast<uint8_t*>(b->GetBufferPointer());
    D3DXMATERIAL* out = reinterpret_cast<D3DXMATERIAL*>(base);
    char* text = reinterpret_cast<char*>(base + head);
    for (size_t i = 0; i < mats.size(); ++i) {
        out[i].MatD3D = mats[i].mat;
        out[i].pTextureFilename = nullptr;
        if (mats[i].hasTexture) {
            std::memcpy(text, mats[i].texture.c_str(), mats[i].texture.size() + 1);
            out[i].pTextureFilename = text;
            text += mats[i].texture.size() + 1;
        }
    }
    return b;
}

// Hands out adjacency (by the file's vertices), materials and the mesh.
HRESULT Finish(const BuiltMesh& m, DWORD options, IDirect3DDevice8* device, LPD3DXBUFFER* adjacency,
               LPD3DXBUFFER* materials, DWORD* numMaterials, MeshImpl** mesh) {
    HRESULT hr = MakeDeviceMesh(m, options, device, mesh);
    if (FAILED(hr)) return hr;
    if (adjacency) {
        const DWORD faces = DWORD(m.indices.size() / 3);
        ID3DXBuffer* b = NewBuffer(size_t(faces) * 12);
        std::vector<DWORD> prep(m.fileVertex.begin(), m.fileVertex.end());
        // Point representatives: the first output vertex of each file vertex.
        std::vector<DWORD> firstOf(m.fileVertexCount, UNUSED32);
        for (size_t v = 0; v < prep.size(); ++v) {
            DWORD& f = firstOf[m.fileVertex[v]];
            if (f == UNUSED32) f = DWORD(v);
            prep[v] = f;
        }
        AdjacencyFromPointReps(m.indices, faces, prep.data(), DWORD(prep.size()),
                               static_cast<DWORD*>(b->GetBufferPointer()));
        *adjacency = b;
    }
    if (materials) *materials = m.materials.empty() ? nullptr : MaterialBuffer(m.materials);
    if (numMaterials) *numMaterials = DWORD(m.materials.size());
    return D3D_OK;
}

void ClearOutputs(LPD3DXBUFFER* a, LPD3DXBUFFER* b, DWORD* n) {
    if (a) *a = nullptr;
    if (b) *b = nullptr;
    if (n) *n = 0;
}

void LogMeshError(const char* where, const std::string& error) {
    WriteStartLog((std::string(".x mesh error: ") + error + " in ").c_str(), NOLINEEND);
    WriteStartLog(where ? where : "(data object)");
}

// ---------------------------------------------------------------------------
// Skinned mesh

class SkinMeshImpl final : public RefCounted<ID3DXSkinMesh> {
public:
    SkinMeshImpl(MeshImpl* mesh, std::vector<LoadedBone> bones, const std::vector<uint32_t>& fileVertex)
        : mesh_(mesh) {
        // Influences per output vertex: every copy of a file vertex shares them.
        std::vector<std::vector<uint32_t>> copiesOf;
        for (uint32_t v = 0; v < fileVertex.size(); ++v) {
            if (fileVertex[v] >= copiesOf.size()) copiesOf.resize(fileVertex[v] + 1);
            copiesOf[fileVertex[v]].push_back(v);
        }
        for (LoadedBone& b : bones) {
            Bone out;
            out.name = b.name;
            for (size_t i = 0; i < b.vertices.size(); ++i) {
                if (b.vertices[i] >= copiesOf.size()) continue;
                for (uint32_t v : copiesOf[b.vertices[i]]) {
                    out.vertices.push_back(v);
                    out.weights.push_back(b.weights[i]);
                }
            }
            bones_.push_back(std::move(out));
        }
    }
    ~SkinMeshImpl() override {
        if (mesh_) mesh_->Release();
    }

    HRESULT GetOriginalMesh(LPD3DXMESH* out) override {
        if (!out) return D3DERR_INVALIDCALL;
        mesh_->AddRef();
        *out = mesh_;
        return D3D_OK;
    }
    DWORD GetNumBones() override { return DWORD(bones_.size()); }
    DWORD GetNumBoneInfluences(DWORD bone) override {
        return bone < bones_.size() ? DWORD(bones_[bone].vertices.size()) : 0;
    }
    HRESULT GetBoneInfluence(DWORD bone, DWORD* vertices, FLOAT* weights) override {
        if (bone >= bones_.size() || !vertices || !weights) return D3DERR_INVALIDCALL;
        std::copy(bones_[bone].vertices.begin(), bones_[bone].vertices.end(), vertices);
        std::copy(bones_[bone].weights.begin(), bones_[bone].weights.end(), weights);
        return D3D_OK;
    }
    HRESULT SetBoneInfluence(DWORD bone, DWORD n, const DWORD* vertices, const FLOAT* weights) override {
        if (bone >= bones_.size() || (n && (!vertices || !weights))) return D3DERR_INVALIDCALL;
        for (DWORD i = 0; i < n; ++i)
            if (vertices[i] >= mesh_->GetNumVertices()) return D3DERR_INVALIDCALL;
        bones_[bone].vertices.assign(vertices, vertices + n);
        bones_[bone].weights.assign(weights, weights + n);
        return D3D_OK;
    }
    HRESULT GetMaxVertexInfluences(DWORD* out) override {
        if (!out) return D3DERR_INVALIDCALL;
        auto inf = Influences();
        size_t best = 0;
        for (const auto& v : inf) best = std::max(best, v.size());
        *out = DWORD(best);
        return D3D_OK;
    }
    HRESULT GetMaxFaceInfluences(DWORD* out) override {
        if (!out) return D3DERR_INVALIDCALL;
        std::vector<uint32_t> idx;
        if (!mesh_->ReadIndices(idx)) return D3DERR_INVALIDCALL;
        auto inf = Influences();
        size_t best = 0;
        for (size_t f = 0; f < idx.size() / 3; ++f) best = std::max(best, FaceBones(inf, idx, f).size());
        *out = DWORD(best);
        return D3D_OK;
    }
    HRESULT ConvertToBlendedMesh(DWORD options, const DWORD* adjIn, DWORD* adjOut, DWORD* numCombinations,
                                 LPD3DXBUFFER* table, DWORD* faceRemap, LPD3DXBUFFER* vertexRemap,
                                 LPD3DXMESH* out) override;
    HRESULT GenerateSkinnedMesh(DWORD options, FLOAT, const DWORD* adjIn, DWORD* adjOut, LPD3DXMESH* out) override {
        if (!out) return D3DERR_INVALIDCALL;
        HRESULT hr = mesh_->CloneMeshFVF(options, mesh_->GetFVF(), mesh_->Device(), out);
        if (SUCCEEDED(hr) && adjOut) {
            const size_t n = size_t(mesh_->GetNumFaces()) * 3;
            if (adjIn) std::copy(adjIn, adjIn + n, adjOut);
            else (*out)->GenerateAdjacency(0.0f, adjOut);
        }
        return hr;
    }
    HRESULT UpdateSkinnedMesh(const D3DXMATRIX* transforms, LPD3DXMESH target) override;
    DWORD GetFVF() override { return mesh_->GetFVF(); }
    DWORD GetNumFaces() override { return mesh_->GetNumFaces(); }
    DWORD GetNumVertices() override { return mesh_->GetNumVertices(); }
    DWORD GetOptions() override { return mesh_->GetOptions(); }
    HRESULT GetDevice(LPDIRECT3DDEVICE8* out) override { return mesh_->GetDevice(out); }
    HRESULT LockVertexBuffer(DWORD flags, BYTE** data) override { return mesh_->LockVertexBuffer(flags, data); }
    HRESULT UnlockVertexBuffer() override { return mesh_->UnlockVertexBuffer(); }
    HRESULT LockIndexBuffer(DWORD flags, BYTE** data) override { return mesh_->LockIndexBuffer(flags, data); }
    HRESULT UnlockIndexBuffer() override { return mesh_->UnlockIndexBuffer(); }
    HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) override { return mesh_->LockAttributeBuffer(flags, data); }
    HRESULT UnlockAttributeBuffer() override { return mesh_->UnlockAttributeBuffer(); }

private:
    struct Bone {
        std::string name;
        std::vector<DWORD> vertices;
        std::vector<float> weights;
    };
    using Influence = std::pair<DWORD, float>;  // bone, weight

    // Per vertex: its bones with positive weights, strongest first.
    std::vector<std::vector<Influence>> Influences() const {
        std::vector<std::vector<Influence>> inf(mesh_->GetNumVertices());
        for (DWORD b = 0; b < bones_.size(); ++b)
            for (size_t i = 0; i < bones_[b].vertices.size(); ++i) {
                const DWORD v = bones_[b].vertices[i];
                if (v < inf.size() && bones_[b].weights[i] > 0.0f) inf[v].push_back({b, bones_[b].weights[i]});
            }
        for (auto& v : inf)
            std::stable_sort(v.begin(), v.end(), [](const Influence& a, const Influence& b) { return a.second > b.second; });
        return inf;
    }
    static std::vector<DWORD> FaceBones(const std::vector<std::vector<Influence>>& inf,
                                        const std::vector<uint32_t>& idx, size_t f) {
        std::vector<DWORD> bones;
        for (int k = 0; k < 3; ++k) {
            const uint32_t v = idx[f * 3 + k];
            if (v >= inf.size()) continue;
            for (const Influence& i : inf[v])
                if (std::find(bones.begin(), bones.end(), i.first) == bones.end()) bones.push_back(i.first);
        }
        return bones;
    }

    MeshImpl* mesh_;
    std::vector<Bone> bones_;
};

HRESULT SkinMeshImpl::ConvertToBlendedMesh(DWORD options, const DWORD* adjIn, DWORD* adjOut, DWORD* numCombinations,
                                           LPD3DXBUFFER* table, DWORD* faceRemap, LPD3DXBUFFER* vertexRemap,
                                           LPD3DXMESH* out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (table) *table = nullptr;
    if (vertexRemap) *vertexRemap = nullptr;
    std::vector<uint32_t> idx;
    std::vector<uint8_t> vb;
    if (!mesh_->ReadIndices(idx) || !mesh_->ReadVertices(vb)) return D3DERR_INVALIDCALL;
    const DWORD faces = mesh_->GetNumFaces();
    const std::vector<DWORD>& attr = mesh_->Attributes();
    auto inf = Influences();
    // At most four influences per vertex; the rest are dropped and the kept
    // weights renormalised.
    constexpr size_t kMaxInfluences = 4;
    for (auto& v : inf) {
        if (v.size() > kMaxInfluences) v.resize(kMaxInfluences);
        float sum = 0;
        for (const Influence& i : v) sum += i.second;
        if (sum > 0)
            for (Influence& i : v) i.second /= sum;
    }
    size_t maxFace = 1;
    std::vector<std::vector<DWORD>> faceBones(faces);
    for (DWORD f = 0; f < faces; ++f) {
        faceBones[f] = FaceBones(inf, idx, f);
        maxFace = std::max(maxFace, faceBones[f].size());
    }
    if (maxFace > kMaxInfluences) {
        WriteStartLog("Skinned mesh needs more than four influences per face");
        return D3DXERR_TOOMANYINFLUENCES;
    }
    const size_t N = bones_.empty() ? 1 : maxFace;

    // Group faces by material and a bone set of at most N bones.
    struct Combination {
        DWORD attrib;
        std::vector<DWORD> bones;
        std::vector<uint32_t> faces;
    };
    std::vector<uint32_t> order(faces);
    for (DWORD f = 0; f < faces; ++f) order[f] = f;
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return attr[a] < attr[b]; });
    std::vector<Combination> combos;
    std::vector<char> placed(faces, 0);
    for (size_t i = 0; i < order.size(); ++i) {
        const uint32_t first = order[i];
        if (placed[first]) continue;
        Combination c;
        c.attrib = attr[first];
        c.bones = faceBones[first];
        for (size_t j = i; j < order.size() && attr[order[j]] == c.attrib; ++j) {
            const uint32_t f = order[j];
            if (placed[f]) continue;
            std::vector<DWORD> merged = c.bones;
            for (DWORD b : faceBones[f])
                if (std::find(merged.begin(), merged.end(), b) == merged.end()) merged.push_back(b);
            if (merged.size() > N) continue;
            c.bones.swap(merged);
            c.faces.push_back(f);
            placed[f] = 1;
        }
        combos.push_back(std::move(c));
    }

    // New vertices: one per (combination, original vertex).
    const size_t betas = N - 1;
    DWORD fvf = mesh_->GetFVF() & ~DWORD(D3DFVF_POSITION_MASK);
    static const DWORD kPositions[5] = {D3DFVF_XYZ, D3DFVF_XYZB1, D3DFVF_XYZB2, D3DFVF_XYZB3, D3DFVF_XYZB4};
    fvf |= kPositions[betas];
    const FvfLayout& from = mesh_->Layout();
    const FvfLayout to(fvf);
    std::vector<uint32_t> newIdx;
    std::vector<DWORD> newAttr;
    std::vector<uint8_t> newVb;
    std::vector<DWORD> oldOfNew, newFaceOld;
    std::vector<D3DXBONECOMBINATION> ranges;
    for (size_t ci = 0; ci < combos.size(); ++ci) {
        const Combination& c = combos[ci];
        std::unordered_map<uint32_t, uint32_t> local;
        D3DXBONECOMBINATION r{};
        r.AttribId = c.attrib;
        r.FaceStart = DWORD(newAttr.size());
        r.FaceCount = DWORD(c.faces.size());
        r.VertexStart = DWORD(oldOfNew.size());
        for (uint32_t f : c.faces) {
            newFaceOld.push_back(f);
            newAttr.push_back(DWORD(ci));
            for (int k = 0; k < 3; ++k) {
                const uint32_t ov = idx[size_t(f) * 3 + k];
                auto it = local.find(ov);
                if (it == local.end()) {
                    const uint32_t nv = uint32_t(oldOfNew.size());
                    it = local.emplace(ov, nv).first;
                    oldOfNew.push_back(ov);
                    newVb.resize(newVb.size() + to.stride);
                    uint8_t* d = newVb.data() + size_t(nv) * to.stride;
                    ConvertVertex(from, vb.data() + size_t(ov) * from.stride, to, d);
                    // Weights in the order of the combination's bones; the
                    // last bone's weight is implied.
                    for (size_t j = 0; j < betas; ++j) {
                        float w = 0.0f;
                        if (j < c.bones.size() && ov < inf.size())
                            for (const Influence& in : inf[ov])
                                if (in.first == c.bones[j]) w = in.second;
                        std::memcpy(d + 12 + j * 4, &w, 4);
                    }
                }
                newIdx.push_back(it->second);
            }
        }
        r.VertexCount = DWORD(oldOfNew.size()) - r.VertexStart;
        ranges.push_back(r);
    }

    DWORD meshOptions = options;
    if (oldOfNew.size() > 0xFFFF) meshOptions |= D3DXMESH_32BIT;
    MeshImpl* m = nullptr;
    HRESULT hr = MeshImpl::Create(mesh_->Device(), DWORD(newAttr.size()), DWORD(oldOfNew.size()), meshOptions, fvf, &m);
    if (FAILED(hr)) return hr;
    if (!m->WriteVertices(newVb) || !m->WriteIndices(newIdx)) {
        m->Release();
        return D3DERR_INVALIDCALL;
    }
    m->Attributes() = newAttr;
    for (size_t ci = 0; ci < ranges.size(); ++ci) {
        D3DXATTRIBUTERANGE a{DWORD(ci), ranges[ci].FaceStart, ranges[ci].FaceCount, ranges[ci].VertexStart,
                             ranges[ci].VertexCount};
        m->AttributeTable().push_back(a);
    }

    if (table) {
        const size_t head = ranges.size() * sizeof(D3DXBONECOMBINATION);
        ID3DXBuffer* b = NewBuffer(head + ranges.size() * N * sizeof(DWORD));
        uint8_t* base = static_cast<uint8_t*>(b->GetBufferPointer());
        DWORD* ids = reinterpret_cast<DWORD*>(base + head);
        D3DXBONECOMBINATION* out = reinterpret_cast<D3DXBONECOMBINATION*>(base);
        for (size_t ci = 0; ci < ranges.size(); ++ci) {
            out[ci] = ranges[ci];
            out[ci].BoneId = ids + ci * N;
            for (size_t j = 0; j < N; ++j) out[ci].BoneId[j] = j < combos[ci].bones.size() ? combos[ci].bones[j] : UINT32_MAX;
        }
        *table = b;
    }
    if (numCombinations) *numCombinations = DWORD(ranges.size());
    if (faceRemap) std::copy(newFaceOld.begin(), newFaceOld.end(), faceRemap);
    if (vertexRemap) {
        ID3DXBuffer* b = NewBuffer(oldOfNew.size() * 4);
        std::memcpy(b->GetBufferPointer(), oldOfNew.data(), oldOfNew.size() * 4);
        *vertexRemap = b;
    }
    if (adjOut) {
        std::vector<DWORD> adj(size_t(faces) * 3);
        if (adjIn) std::copy(adjIn, adjIn + adj.size(), adj.begin());
        else mesh_->GenerateAdjacency(0.0f, adj.data());
        std::vector<DWORD> newOfOld(faces, UNUSED32);
        for (size_t nf = 0; nf < newFaceOld.size(); ++nf) newOfOld[newFaceOld[nf]] = DWORD(nf);
        for (size_t nf = 0; nf < newFaceOld.size(); ++nf)
            for (int k = 0; k < 3; ++k) {
                const DWORD g = adj[size_t(newFaceOld[nf]) * 3 + k];
                adjOut[nf * 3 + k] = g < faces ? newOfOld[g] : UNUSED32;
            }
    }
    *out = m;
    return D3D_OK;
}

HRESULT SkinMeshImpl::UpdateSkinnedMesh(const D3DXMATRIX* transforms, LPD3DXMESH target) {
    if (!target || (!transforms && !bones_.empty())) return D3DERR_INVALIDCALL;
    if (target->GetNumVertices() != mesh_->GetNumVertices()) return D3DERR_INVALIDCALL;
    std::vector<uint8_t> src;
    if (!mesh_->ReadVertices(src)) return D3DERR_INVALIDCALL;
    const FvfLayout& from = mesh_->Layout();
    const FvfLayout to(target->GetFVF());
    if (!to.hasPosition) return D3DERR_INVALIDCALL;
    BYTE* dst = nullptr;
    if (FAILED(target->LockVertexBuffer(0, &dst)) || !dst) return D3DERR_INVALIDCALL;
    auto inf = Influences();
    for (size_t v = 0; v < inf.size(); ++v) {
        const uint8_t* s = src.data() + v * from.stride;
        uint8_t* d = dst + v * to.stride;
        float p[3], n[3] = {0, 0, 0};
        std::memcpy(p, s, 12);
        if (from.normal >= 0) std::memcpy(n, s + from.normal, 12);
        if (inf[v].empty()) {
            std::memcpy(d, p, 12);
            if (to.normal >= 0) std::memcpy(d + to.normal, n, 12);
            continue;
        }
        float op[3] = {0, 0, 0}, on[3] = {0, 0, 0};
        for (const Influence& in : inf[v]) {
            const D3DXMATRIX& M = transforms[in.first];
            for (int j = 0; j < 3; ++j) {
                op[j] += in.second * (p[0] * M.m[0][j] + p[1] * M.m[1][j] + p[2] * M.m[2][j] + M.m[3][j]);
                on[j] += in.second * (n[0] * M.m[0][j] + n[1] * M.m[1][j] + n[2] * M.m[2][j]);
            }
        }
        std::memcpy(d, op, 12);
        if (to.normal >= 0) {
            const float len = std::sqrt(on[0] * on[0] + on[1] * on[1] + on[2] * on[2]);
            if (len > 0)
                for (float& c : on) c /= len;
            std::memcpy(d + to.normal, on, 12);
        }
    }
    target->UnlockVertexBuffer();
    return D3D_OK;
}

}  // namespace

}  // namespace plat

// ---------------------------------------------------------------------------

HRESULT WINAPI D3DXLoadMeshFromX(const char* fileName, DWORD options, LPDIRECT3DDEVICE8 device,
                                 LPD3DXBUFFER* adjacency, LPD3DXBUFFER* materials, DWORD* numMaterials,
                                 LPD3DXMESH* out) {
    plat::ClearOutputs(adjacency, materials, numMaterials);
    if (out) *out = nullptr;
    if (!fileName || !device || !out) return D3DERR_INVALIDCALL;
    std::shared_ptr<xf::XFile> file;
    std::string error;
    HRESULT hr = plat::LoadXFile(fileName, file, error);
    if (FAILED(hr)) return hr;
    std::vector<plat::BuiltMesh> parts;
    for (const auto& o : file->objects) {
        if (!plat::CollectMeshes(*file, *o, plat::Mat4::Identity(), 0, parts, error)) {
            plat::LogMeshError(fileName, error);
            return D3DXERR_INVALIDDATA;
        }
    }
    if (parts.empty()) {
        plat::LogMeshError(fileName, "no mesh in the file");
        return D3DXERR_LOADEDMESHASNODATA;
    }
    plat::BuiltMesh all = plat::Merge(parts);
    plat::MeshImpl* mesh = nullptr;
    hr = plat::Finish(all, options, device, adjacency, materials, numMaterials, &mesh);
    if (FAILED(hr)) {
        plat::LogMeshError(fileName, "device mesh could not be made");
        return hr;
    }
    *out = mesh;
    return D3D_OK;
}

HRESULT WINAPI D3DXLoadMeshFromXof(LPDIRECTXFILEDATA data, DWORD options, LPDIRECT3DDEVICE8 device,
                                   LPD3DXBUFFER* adjacency, LPD3DXBUFFER* materials, DWORD* numMaterials,
                                   LPD3DXMESH* out) {
    plat::ClearOutputs(adjacency, materials, numMaterials);
    if (out) *out = nullptr;
    std::shared_ptr<xf::XFile> file;
    xf::XObject* obj = nullptr;
    if (!data || !device || !out || !plat::GetXObject(data, file, obj) || obj->type != TID_D3DRMMesh)
        return D3DERR_INVALIDCALL;
    plat::BuiltMesh m;
    std::string error;
    if (!plat::BuildMesh(*file, *obj, m, error)) {
        plat::LogMeshError(obj->name.c_str(), error);
        return D3DXERR_INVALIDDATA;
    }
    plat::MeshImpl* mesh = nullptr;
    HRESULT hr = plat::Finish(m, options, device, adjacency, materials, numMaterials, &mesh);
    if (FAILED(hr)) return hr;
    *out = mesh;
    return D3D_OK;
}

HRESULT WINAPI D3DXLoadSkinMeshFromXof(LPDIRECTXFILEDATA data, DWORD options, LPDIRECT3DDEVICE8 device,
                                       LPD3DXBUFFER* adjacency, LPD3DXBUFFER* materials, DWORD* numMaterials,
                                       LPD3DXBUFFER* boneNames, LPD3DXBUFFER* boneTransforms, LPD3DXSKINMESH* out) {
    plat::ClearOutputs(adjacency, materials, numMaterials);
    if (boneNames) *boneNames = nullptr;
    if (boneTransforms) *boneTransforms = nullptr;
    if (out) *out = nullptr;
    std::shared_ptr<xf::XFile> file;
    xf::XObject* obj = nullptr;
    if (!data || !device || !out || !plat::GetXObject(data, file, obj) || obj->type != TID_D3DRMMesh)
        return D3DERR_INVALIDCALL;
    plat::BuiltMesh m;
    std::string error;
    if (!plat::BuildMesh(*file, *obj, m, error)) {
        plat::LogMeshError(obj->name.c_str(), error);
        return D3DXERR_INVALIDDATA;
    }
    // The skin keeps its source mesh in system memory: it only feeds the
    // conversions and must not hold default-pool buffers across a reset.
    const DWORD poolBits = D3DXMESH_VB_SYSTEMMEM | D3DXMESH_VB_MANAGED | D3DXMESH_IB_SYSTEMMEM | D3DXMESH_IB_MANAGED |
                           D3DXMESH_VB_WRITEONLY | D3DXMESH_IB_WRITEONLY | D3DXMESH_VB_DYNAMIC | D3DXMESH_IB_DYNAMIC;
    const DWORD skinOptions = (options & ~poolBits) | D3DXMESH_SYSTEMMEM;
    plat::MeshImpl* mesh = nullptr;
    HRESULT hr = plat::Finish(m, skinOptions, device, adjacency, materials, numMaterials, &mesh);
    if (FAILED(hr)) return hr;
    if (boneNames && !m.bones.empty()) {
        size_t text = 0;
        for (const auto& b : m.bones) text += b.name.size() + 1;
        const size_t head = m.bones.size() * sizeof(char*);
        ID3DXBuffer* b = plat::NewBuffer(head + text);
        uint8_t* base = static_cast<uint8_t*>(b->GetBufferPointer());
        char** names = reinterpret_cast<char**>(base);
        char* p = reinterpret_cast<char*>(base + head);
        for (size_t i = 0; i < m.bones.size(); ++i) {
            std::memcpy(p, m.bones[i].name.c_str(), m.bones[i].name.size() + 1);
            names[i] = p;
            p += m.bones[i].name.size() + 1;
        }
        *boneNames = b;
    }
    if (boneTransforms && !m.bones.empty()) {
        ID3DXBuffer* b = plat::NewBuffer(m.bones.size() * sizeof(D3DXMATRIX));
        D3DXMATRIX* mats = static_cast<D3DXMATRIX*>(b->GetBufferPointer());
        for (size_t i = 0; i < m.bones.size(); ++i) mats[i] = m.bones[i].offset;
        *boneTransforms = b;
    }
    *out = new plat::SkinMeshImpl(mesh, std::move(m.bones), m.fileVertex);
    return D3D_OK;
}
