// Meshes: storage in device buffers, attribute tables, optimisation, cloning,
// adjacency, bounding volumes and normals. Loading from .x files lives in
// d3dx8mesh_load.cpp, skinning in d3dx8mesh_skin.cpp.
#include "platform/d3dx8mesh.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <numeric>
#include <vector>

#include "platform/d3dx8mesh_impl.h"

namespace plat {

// ---------------------------------------------------------------------------
// Vertex layouts

FvfLayout::FvfLayout(DWORD f) : fvf(f) {
    UINT off = 0;
    switch (f & D3DFVF_POSITION_MASK) {
        case D3DFVF_XYZ: off = 12; break;
        case D3DFVF_XYZRHW: off = 16; break;
        case D3DFVF_XYZB1: off = 16; betas = 1; break;
        case D3DFVF_XYZB2: off = 20; betas = 2; break;
        case D3DFVF_XYZB3: off = 24; betas = 3; break;
        case D3DFVF_XYZB4: off = 28; betas = 4; break;
        case D3DFVF_XYZB5: off = 32; betas = 5; break;
        default: off = 0; break;
    }
    hasPosition = off != 0;
    if (f & D3DFVF_NORMAL) {
        normal = int(off);
        off += 12;
    }
    if (f & D3DFVF_PSIZE) {
        psize = int(off);
        off += 4;
    }
    if (f & D3DFVF_DIFFUSE) {
        diffuse = int(off);
        off += 4;
    }
    if (f & D3DFVF_SPECULAR) {
        specular = int(off);
        off += 4;
    }
    texCount = int((f & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
    for (int i = 0; i < texCount && i < 8; ++i) {
        const DWORD code = (f >> (16 + 2 * i)) & 3;
        const int dims = code == D3DFVF_TEXTUREFORMAT1 ? 1 : code == D3DFVF_TEXTUREFORMAT3 ? 3
                         : code == D3DFVF_TEXTUREFORMAT4 ? 4 : 2;
        tex[i] = int(off);
        texDims[i] = dims;
        off += UINT(dims) * 4;
    }
    stride = off;
}

void ConvertVertex(const FvfLayout& from, const uint8_t* src, const FvfLayout& to, uint8_t* dst) {
    std::memset(dst, 0, to.stride);
    if (from.hasPosition && to.hasPosition) std::memcpy(dst, src, 12);
    const int common = std::min(from.betas, to.betas);
    if (common > 0) std::memcpy(dst + 12, src + 12, size_t(common) * 4);
    if (to.normal >= 0 && from.normal >= 0) std::memcpy(dst + to.normal, src + from.normal, 12);
    if (to.psize >= 0 && from.psize >= 0) std::memcpy(dst + to.psize, src + from.psize, 4);
    if (to.diffuse >= 0) {
        const DWORD white = 0xFFFFFFFFu;
        std::memcpy(dst + to.diffuse, from.diffuse >= 0 ? src + from.diffuse : reinterpret_cast<const uint8_t*>(&white),
                    4);
    }
    if (to.specular >= 0 && from.specular >= 0) std::memcpy(dst + to.specular, src + from.specular, 4);
    for (int i = 0; i < to.texCount && i < from.texCount; ++i)
        std::memcpy(dst + to.tex[i], src + from.tex[i], size_t(std::min(to.texDims[i], from.texDims[i])) * 4);
}

// ---------------------------------------------------------------------------
// Buffer

namespace {

class Buffer final : public RefCounted<ID3DXBuffer> {
public:
    explicit Buffer(size_t size) : data_(size ? size : 1, 0), size_(size) {}
    LPVOID GetBufferPointer() override { return data_.data(); }
    DWORD GetBufferSize() override { return DWORD(size_); }

private:
    std::vector<uint8_t> data_;
    size_t size_;
};

}  // namespace

ID3DXBuffer* NewBuffer(size_t bytes) { return new Buffer(bytes); }

// ---------------------------------------------------------------------------
// Mesh

MeshImpl::~MeshImpl() {
    if (vb_) vb_->Release();
    if (ib_) ib_->Release();
    if (device_) device_->Release();
}

HRESULT MeshImpl::Create(IDirect3DDevice8* device, DWORD faces, DWORD vertices, DWORD options, DWORD fvf,
                         MeshImpl** out) {
    *out = nullptr;
    if (!device || faces == 0 || vertices == 0) return D3DERR_INVALIDCALL;
    FvfLayout layout(fvf);
    if (!layout.hasPosition || layout.stride == 0) return D3DERR_INVALIDCALL;
    if (!(options & D3DXMESH_32BIT) && vertices > 0xFFFF) return D3DERR_INVALIDCALL;
    if (uint64_t(vertices) * layout.stride > 0x7FFFFFFFull || uint64_t(faces) * 12 > 0x7FFFFFFFull)
        return E_OUTOFMEMORY;
    MeshImpl* m = new MeshImpl();
    m->device_ = device;
    device->AddRef();
    m->options_ = options;
    m->fvf_ = fvf;
    m->layout_ = layout;
    m->numFaces_ = faces;
    m->numVertices_ = vertices;
    m->attributes_.assign(faces, 0);
    HRESULT hr = m->CreateVB(vertices);
    if (SUCCEEDED(hr)) hr = m->CreateIB(faces);
    if (FAILED(hr)) {
        m->Release();
        return hr;
    }
    *out = m;
    return D3D_OK;
}

D3DPOOL MeshImpl::VBPool() const {
    if (options_ & D3DXMESH_VB_SYSTEMMEM) return D3DPOOL_SYSTEMMEM;
    if (options_ & D3DXMESH_VB_MANAGED) return D3DPOOL_MANAGED;
    return D3DPOOL_DEFAULT;
}

D3DPOOL MeshImpl::IBPool() const {
    if (options_ & D3DXMESH_IB_SYSTEMMEM) return D3DPOOL_SYSTEMMEM;
    if (options_ & D3DXMESH_IB_MANAGED) return D3DPOOL_MANAGED;
    return D3DPOOL_DEFAULT;
}

HRESULT MeshImpl::CreateVB(DWORD vertices) {
    DWORD usage = 0;
    if (options_ & D3DXMESH_VB_WRITEONLY) usage |= D3DUSAGE_WRITEONLY;
    if (options_ & D3DXMESH_VB_DYNAMIC) usage |= D3DUSAGE_DYNAMIC;
    if (options_ & D3DXMESH_VB_SOFTWAREPROCESSING) usage |= D3DUSAGE_SOFTWAREPROCESSING;
    IDirect3DVertexBuffer8* vb = nullptr;
    HRESULT hr = device_->CreateVertexBuffer(UINT(vertices * layout_.stride), usage, fvf_, VBPool(), &vb);
    if (FAILED(hr) || !vb) return FAILED(hr) ? hr : E_FAIL;
    if (vb_) vb_->Release();
    vb_ = vb;
    return D3D_OK;
}

HRESULT MeshImpl::CreateIB(DWORD faces) {
    DWORD usage = 0;
    if (options_ & D3DXMESH_IB_WRITEONLY) usage |= D3DUSAGE_WRITEONLY;
    if (options_ & D3DXMESH_IB_DYNAMIC) usage |= D3DUSAGE_DYNAMIC;
    if (options_ & D3DXMESH_IB_SOFTWAREPROCESSING) usage |= D3DUSAGE_SOFTWAREPROCESSING;
    const UINT bytes = UINT(faces * 3 * IndexSize());
    IDirect3DIndexBuffer8* ib = nullptr;
    HRESULT hr = device_->CreateIndexBuffer(bytes, usage, Is32Bit() ? D3DFMT_INDEX32 : D3DFMT_INDEX16, IBPool(), &ib);
    if (FAILED(hr) || !ib) return FAILED(hr) ? hr : E_FAIL;
    if (ib_) ib_->Release();
    ib_ = ib;
    return D3D_OK;
}

bool MeshImpl::ReadIndices(std::vector<uint32_t>& out) {
    out.assign(size_t(numFaces_) * 3, 0);
    BYTE* p = nullptr;
    if (FAILED(ib_->Lock(0, 0, &p, D3DLOCK_READONLY)) || !p) return false;
    if (Is32Bit()) {
        std::memcpy(out.data(), p, out.size() * 4);
    } else {
        for (size_t i = 0; i < out.size(); ++i) {
            uint16_t v;
            std::memcpy(&v, p + i * 2, 2);
            out[i] = v;
        }
    }
    ib_->Unlock();
    return true;
}

bool MeshImpl::WriteIndices(const std::vector<uint32_t>& in) {
    if (in.size() != size_t(numFaces_) * 3) return false;
    BYTE* p = nullptr;
    if (FAILED(ib_->Lock(0, 0, &p, 0)) || !p) return false;
    if (Is32Bit()) {
        std::memcpy(p, in.data(), in.size() * 4);
    } else {
        for (size_t i = 0; i < in.size(); ++i) {
            uint16_t v = uint16_t(in[i]);
            std::memcpy(p + i * 2, &v, 2);
        }
    }
    ib_->Unlock();
    return true;
}

bool MeshImpl::ReadVertices(std::vector<uint8_t>& out) {
    out.assign(size_t(numVertices_) * layout_.stride, 0);
    BYTE* p = nullptr;
    if (FAILED(vb_->Lock(0, 0, &p, D3DLOCK_READONLY)) || !p) return false;
    std::memcpy(out.data(), p, out.size());
    vb_->Unlock();
    return true;
}

bool MeshImpl::WriteVertices(const std::vector<uint8_t>& in) {
    if (in.size() != size_t(numVertices_) * layout_.stride) return false;
    BYTE* p = nullptr;
    if (FAILED(vb_->Lock(0, 0, &p, 0)) || !p) return false;
    std::memcpy(p, in.data(), in.size());
    vb_->Unlock();
    return true;
}

HRESULT MeshImpl::DrawSubset(DWORD attribId) {
    if (!device_) return D3DERR_INVALIDCALL;
    device_->SetVertexShader(fvf_);
    device_->SetStreamSource(0, vb_, layout_.stride);
    device_->SetIndices(ib_, 0);
    if (!attribTable_.empty()) {
        for (const D3DXATTRIBUTERANGE& r : attribTable_) {
            if (r.AttribId != attribId || r.FaceCount == 0) continue;
            return device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, r.VertexStart, r.VertexCount, r.FaceStart * 3,
                                                 r.FaceCount);
        }
        return D3D_OK;
    }
    // Without a table: draw each run of faces carrying the attribute.
    DWORD f = 0;
    while (f < numFaces_) {
        if (attributes_[f] != attribId) {
            ++f;
            continue;
        }
        DWORD start = f;
        while (f < numFaces_ && attributes_[f] == attribId) ++f;
        HRESULT hr = device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, numVertices_, start * 3, f - start);
        if (FAILED(hr)) return hr;
    }
    return D3D_OK;
}

HRESULT MeshImpl::GetDeclaration(DWORD decl[MAX_FVF_DECL_SIZE]) {
    if (!decl) return D3DERR_INVALIDCALL;
    // Vertex shader declaration tokens of the FVF: stream 0, then one
    // register per component, then the end token.
    const DWORD kStream = 0x10000000, kEnd = 0xFFFFFFFF;
    auto reg = [](DWORD regNum, DWORD type) { return 0x20000000u | (type << 16) | regNum; };
    int n = 0;
    decl[n++] = kStream;
    if (layout_.hasPosition) decl[n++] = reg(0, 2);  // float3
    if (layout_.betas > 0) decl[n++] = reg(1, DWORD(layout_.betas - 1));
    if (layout_.normal >= 0) decl[n++] = reg(3, 2);
    if (layout_.psize >= 0) decl[n++] = reg(4, 0);
    if (layout_.diffuse >= 0) decl[n++] = reg(5, 4);
    if (layout_.specular >= 0) decl[n++] = reg(6, 4);
    for (int i = 0; i < layout_.texCount && n < MAX_FVF_DECL_SIZE - 1; ++i)
        decl[n++] = reg(DWORD(7 + i), DWORD(layout_.texDims[i] - 1));
    decl[n] = kEnd;
    return D3D_OK;
}

HRESULT MeshImpl::GetDevice(LPDIRECT3DDEVICE8* out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = device_;
    if (device_) device_->AddRef();
    return D3D_OK;
}

HRESULT MeshImpl::CloneMeshFVF(DWORD options, DWORD fvf, LPDIRECT3DDEVICE8 device, LPD3DXMESH* out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (!device) device = device_;
    MeshImpl* m = nullptr;
    HRESULT hr = MeshImpl::Create(device, numFaces_, numVertices_, options, fvf, &m);
    if (FAILED(hr)) return hr;
    std::vector<uint8_t> src, dst(size_t(numVertices_) * m->layout_.stride);
    std::vector<uint32_t> idx;
    if (!ReadVertices(src) || !ReadIndices(idx)) {
        m->Release();
        return D3DERR_INVALIDCALL;
    }
    for (DWORD v = 0; v < numVertices_; ++v)
        ConvertVertex(layout_, src.data() + size_t(v) * layout_.stride, m->layout_,
                      dst.data() + size_t(v) * m->layout_.stride);
    if (!m->WriteVertices(dst) || !m->WriteIndices(idx)) {
        m->Release();
        return D3DERR_INVALIDCALL;
    }
    m->attributes_ = attributes_;
    m->attribTable_ = attribTable_;
    *out = m;
    return D3D_OK;
}

HRESULT MeshImpl::GetVertexBuffer(LPDIRECT3DVERTEXBUFFER8* out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = vb_;
    if (vb_) vb_->AddRef();
    return D3D_OK;
}

HRESULT MeshImpl::GetIndexBuffer(LPDIRECT3DINDEXBUFFER8* out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = ib_;
    if (ib_) ib_->AddRef();
    return D3D_OK;
}

HRESULT MeshImpl::LockVertexBuffer(DWORD flags, BYTE** data) {
    if (!data) return D3DERR_INVALIDCALL;
    return vb_->Lock(0, 0, data, flags);
}
HRESULT MeshImpl::UnlockVertexBuffer() { return vb_->Unlock(); }
HRESULT MeshImpl::LockIndexBuffer(DWORD flags, BYTE** data) {
    if (!data) return D3DERR_INVALIDCALL;
    return ib_->Lock(0, 0, data, flags);
}
HRESULT MeshImpl::UnlockIndexBuffer() { return ib_->Unlock(); }

HRESULT MeshImpl::GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) {
    if (!size) return D3DERR_INVALIDCALL;
    if (!table) {
        *size = DWORD(attribTable_.size());
        return D3D_OK;
    }
    const size_t n = std::min<size_t>(*size, attribTable_.size());
    std::copy(attribTable_.begin(), attribTable_.begin() + long(n), table);
    *size = DWORD(n);
    return D3D_OK;
}

HRESULT MeshImpl::LockAttributeBuffer(DWORD, DWORD** data) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = attributes_.data();
    return D3D_OK;
}
HRESULT MeshImpl::UnlockAttributeBuffer() { return D3D_OK; }

// ---------------------------------------------------------------------------
// Adjacency

namespace {

// Union-find over vertex indices.
struct Sets {
    std::vector<uint32_t> parent;
    explicit Sets(size_t n) : parent(n) { std::iota(parent.begin(), parent.end(), 0u); }
    uint32_t Find(uint32_t x) {
        while (parent[x] != x) x = parent[x] = parent[parent[x]];
        return x;
    }
    void Join(uint32_t a, uint32_t b) {
        a = Find(a);
        b = Find(b);
        if (a == b) return;
        if (a < b) parent[b] = a;
        else parent[a] = b;
    }
};

}  // namespace

void AdjacencyFromPointReps(const std::vector<uint32_t>& idx, DWORD faces, const DWORD* prep, DWORD vertexCount,
                            DWORD* adj) {
    auto rep = [&](uint32_t v) -> uint32_t { return (prep && v < vertexCount) ? prep[v] : v; };
    struct Edge {
        uint64_t key;
        uint32_t face;
    };
    std::vector<Edge> edges;
    edges.reserve(size_t(faces) * 3);
    for (DWORD f = 0; f < faces; ++f)
        for (int k = 0; k < 3; ++k) {
            uint32_t a = rep(idx[f * 3 + k]), b = rep(idx[f * 3 + (k + 1) % 3]);
            edges.push_back({(uint64_t(a) << 32) | b, f});
        }
    std::sort(edges.begin(), edges.end(),
              [](const Edge& x, const Edge& y) { return x.key != y.key ? x.key < y.key : x.face < y.face; });
    for (DWORD f = 0; f < faces; ++f)
        for (int k = 0; k < 3; ++k) {
            uint32_t a = rep(idx[f * 3 + k]), b = rep(idx[f * 3 + (k + 1) % 3]);
            adj[f * 3 + k] = UNUSED32;
            if (a == b) continue;
            const uint64_t rev = (uint64_t(b) << 32) | a;
            auto it = std::lower_bound(edges.begin(), edges.end(), rev,
                                       [](const Edge& e, uint64_t key) { return e.key < key; });
            for (; it != edges.end() && it->key == rev; ++it)
                if (it->face != f) {
                    adj[f * 3 + k] = it->face;
                    break;
                }
        }
}

HRESULT MeshImpl::ConvertPointRepsToAdjacency(const DWORD* prep, DWORD* adj) {
    if (!adj) return D3DERR_INVALIDCALL;
    std::vector<uint32_t> idx;
    if (!ReadIndices(idx)) return D3DERR_INVALIDCALL;
    AdjacencyFromPointReps(idx, numFaces_, prep, numVertices_, adj);
    return D3D_OK;
}

HRESULT MeshImpl::ConvertAdjacencyToPointReps(const DWORD* adj, DWORD* prep) {
    if (!prep) return D3DERR_INVALIDCALL;
    std::vector<uint32_t> idx;
    if (!ReadIndices(idx)) return D3DERR_INVALIDCALL;
    Sets sets(numVertices_);
    if (adj) {
        for (DWORD f = 0; f < numFaces_; ++f)
            for (int k = 0; k < 3; ++k) {
                const DWORD g = adj[f * 3 + k];
                if (g == UNUSED32 || g >= numFaces_) continue;
                const uint32_t a = idx[f * 3 + k], b = idx[f * 3 + (k + 1) % 3];
                // Find the edge of g that points back to f.
                for (int j = 0; j < 3; ++j) {
                    if (adj[g * 3 + j] != f) continue;
                    const uint32_t c = idx[g * 3 + j], d = idx[g * 3 + (j + 1) % 3];
                    if (a < numVertices_ && d < numVertices_) sets.Join(a, d);
                    if (b < numVertices_ && c < numVertices_) sets.Join(b, c);
                    break;
                }
            }
    }
    for (DWORD v = 0; v < numVertices_; ++v) prep[v] = sets.Find(v);
    return D3D_OK;
}

HRESULT MeshImpl::GenerateAdjacency(FLOAT epsilon, DWORD* adj) {
    if (!adj) return D3DERR_INVALIDCALL;
    std::vector<uint8_t> vb;
    std::vector<uint32_t> idx;
    if (!ReadVertices(vb) || !ReadIndices(idx)) return D3DERR_INVALIDCALL;
    // Point representatives: the lowest vertex at the same place.
    std::vector<uint32_t> order(numVertices_);
    std::iota(order.begin(), order.end(), 0u);
    auto pos = [&](uint32_t v) {
        float p[3];
        std::memcpy(p, vb.data() + size_t(v) * layout_.stride, 12);
        return D3DXVECTOR3(p[0], p[1], p[2]);
    };
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        float xa = pos(a).x, xb = pos(b).x;
        return xa != xb ? xa < xb : a < b;
    });
    Sets sets(numVertices_);
    const float eps = std::max(0.0f, epsilon);
    for (size_t i = 0; i < order.size(); ++i) {
        const D3DXVECTOR3 pi = pos(order[i]);
        for (size_t j = i + 1; j < order.size(); ++j) {
            const D3DXVECTOR3 pj = pos(order[j]);
            if (pj.x - pi.x > eps) break;
            if (std::fabs(pj.y - pi.y) <= eps && std::fabs(pj.z - pi.z) <= eps) sets.Join(order[i], order[j]);
        }
    }
    std::vector<DWORD> prep(numVertices_);
    for (DWORD v = 0; v < numVertices_; ++v) prep[v] = sets.Find(v);
    AdjacencyFromPointReps(idx, numFaces_, prep.data(), numVertices_, adj);
    return D3D_OK;
}

// ---------------------------------------------------------------------------
// Optimisation

namespace {

// Orders the faces of one attribute group for a vertex cache of 16 entries,
// most recently used first. Each step takes, among the unused faces that
// touch a cached vertex, the one with the most cached corners; ties go to the
// face of the most recently cached vertex, then to the lowest face. With no
// such face the lowest unused face is taken. Its corners move to the front of
// the cache.
//
// Every unused face keeps its number of cached corners up to date as
// vertices enter and leave the cache, and every cached vertex keeps its
// unused faces in one min-heap per score (entries that no longer match are
// dropped when they reach the top). A step therefore costs a few heap
// operations, plus work in proportion to the faces around the vertices that
// enter or leave the cache, instead of a scan of every face around every
// cached vertex (quadratic for a fan of thousands of faces round one vertex).
void CacheOrder(const std::vector<uint32_t>& idx, std::vector<uint32_t>& faces) {
    const size_t n = faces.size();
    if (n < 3) return;
    constexpr size_t kCache = 16;
    auto corner = [&](size_t f, int k) { return idx[size_t(faces[f]) * 3 + size_t(k)]; };

    // The faces around each vertex in ascending order, once per corner.
    uint32_t maxVertex = 0;
    for (size_t f = 0; f < n; ++f)
        for (int k = 0; k < 3; ++k) maxVertex = std::max(maxVertex, corner(f, k));
    std::vector<uint32_t> first(size_t(maxVertex) + 2, 0);
    for (size_t f = 0; f < n; ++f)
        for (int k = 0; k < 3; ++k) ++first[size_t(corner(f, k)) + 1];
    std::partial_sum(first.begin(), first.end(), first.begin());
    std::vector<uint32_t> around(n * 3);
    {
        std::vector<uint32_t> fill(first.begin(), first.end() - 1);
        for (size_t f = 0; f < n; ++f)
            for (int k = 0; k < 3; ++k) around[fill[corner(f, k)]++] = uint32_t(f);
    }

    std::vector<char> done(n, 0);
    std::vector<uint8_t> score(n, 0);  // cached corners of each unused face
    // Heaps of the cached vertices: slotOf[v] names the slot of a cached vertex.
    using Heap = std::vector<uint32_t>;
    std::vector<std::array<Heap, 4>> slots(kCache + 3);
    std::vector<size_t> freeSlots;
    for (size_t i = slots.size(); i-- > 0;) freeSlots.push_back(i);
    std::vector<int> slotOf(size_t(maxVertex) + 1, -1);
    auto push = [&](size_t slot, uint32_t f) {
        Heap& h = slots[slot][score[f]];
        h.push_back(f);
        std::push_heap(h.begin(), h.end(), std::greater<uint32_t>());
    };
    // A face's score changed: file it under the new score at its cached corners.
    auto refile = [&](uint32_t f) {
        for (int k = 0; k < 3; ++k) {
            const int slot = slotOf[corner(f, k)];
            if (slot >= 0) push(size_t(slot), f);
        }
    };
    auto enter = [&](uint32_t v) {
        slotOf[v] = int(freeSlots.back());
        freeSlots.pop_back();
        for (uint32_t i = first[v]; i < first[size_t(v) + 1]; ++i) {
            const uint32_t f = around[i];
            if (done[f]) continue;
            ++score[f];
            refile(f);
        }
    };
    auto leave = [&](uint32_t v) {
        const size_t slot = size_t(slotOf[v]);
        slotOf[v] = -1;
        for (Heap& h : slots[slot]) h.clear();
        freeSlots.push_back(slot);
        for (uint32_t i = first[v]; i < first[size_t(v) + 1]; ++i) {
            const uint32_t f = around[i];
            if (done[f]) continue;
            --score[f];
            refile(f);
        }
    };
    // The lowest unused face of a cached vertex with the given score, or -1.
    auto lowest = [&](uint32_t v, uint8_t s) -> long {
        Heap& h = slots[size_t(slotOf[v])][s];
        while (!h.empty() && (done[h.front()] || score[h.front()] != s)) {
            std::pop_heap(h.begin(), h.end(), std::greater<uint32_t>());
            h.pop_back();
        }
        return h.empty() ? -1 : long(h.front());
    };

    std::vector<uint32_t> result;
    result.reserve(n);
    std::vector<uint32_t> cache, next;
    size_t cursor = 0;
    while (result.size() < n) {
        long best = -1;
        for (int s = 3; s >= 1 && best < 0; --s)
            for (uint32_t v : cache) {
                best = lowest(v, uint8_t(s));
                if (best >= 0) break;
            }
        if (best < 0) {
            while (done[cursor]) ++cursor;
            best = long(cursor);
        }
        done[size_t(best)] = 1;
        result.push_back(faces[size_t(best)]);
        // The corners move to the front, the last one ending first.
        next = cache;
        for (int k = 0; k < 3; ++k) {
            const uint32_t v = corner(size_t(best), k);
            auto it = std::find(next.begin(), next.end(), v);
            if (it != next.end()) next.erase(it);
            next.insert(next.begin(), v);
        }
        if (next.size() > kCache) next.resize(kCache);
        for (uint32_t v : cache)
            if (std::find(next.begin(), next.end(), v) == next.end()) leave(v);
        for (uint32_t v : next)
            if (slotOf[v] < 0) enter(v);
        cache.swap(next);
    }
    faces.swap(result);
}

}  // namespace

HRESULT MeshImpl::OptimizeData(DWORD flags, const DWORD* adjIn, DWORD* adjOut, DWORD* faceRemap,
                               LPD3DXBUFFER* vertexRemap) {
    std::vector<uint32_t> idx;
    std::vector<uint8_t> vb;
    if (!ReadIndices(idx) || !ReadVertices(vb)) return D3DERR_INVALIDCALL;
    for (uint32_t i : idx)
        if (i >= numVertices_) return D3DXERR_INVALIDMESH;

    std::vector<DWORD> adjacency;
    if (adjOut) {
        adjacency.resize(size_t(numFaces_) * 3);
        if (adjIn)
            std::copy(adjIn, adjIn + adjacency.size(), adjacency.begin());
        else
            GenerateAdjacency(0.0f, adjacency.data());
    }

    const bool sortAttr = (flags & (D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER)) != 0;
    const bool cache = (flags & (D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER)) != 0;
    const bool compact = (flags & D3DXMESHOPT_COMPACT) != 0;
    const bool reorderVerts = (compact || sortAttr) && !(flags & D3DXMESHOPT_IGNOREVERTS);

    // Face order.
    std::vector<uint32_t> order;
    for (DWORD f = 0; f < numFaces_; ++f)
        if (!(compact && attributes_[f] == UNUSED32)) order.push_back(f);
    if (order.empty()) return D3DXERR_INVALIDMESH;
    if (sortAttr)
        std::stable_sort(order.begin(), order.end(),
                         [&](uint32_t a, uint32_t b) { return attributes_[a] < attributes_[b]; });
    if (cache) {
        size_t start = 0;
        while (start < order.size()) {
            size_t end = start;
            while (end < order.size() && attributes_[order[end]] == attributes_[order[start]]) ++end;
            std::vector<uint32_t> group(order.begin() + long(start), order.begin() + long(end));
            CacheOrder(idx, group);
            std::copy(group.begin(), group.end(), order.begin() + long(start));
            start = end;
        }
    }

    // Vertex order: first use by the new face order.
    std::vector<uint32_t> newOfOld(numVertices_, UNUSED32), oldOfNew;
    if (reorderVerts) {
        for (uint32_t f : order)
            for (int k = 0; k < 3; ++k) {
                const uint32_t v = idx[f * 3 + k];
                if (newOfOld[v] == UNUSED32) {
                    newOfOld[v] = uint32_t(oldOfNew.size());
                    oldOfNew.push_back(v);
                }
            }
        if (!compact)
            for (uint32_t v = 0; v < numVertices_; ++v)
                if (newOfOld[v] == UNUSED32) {
                    newOfOld[v] = uint32_t(oldOfNew.size());
                    oldOfNew.push_back(v);
                }
    } else {
        oldOfNew.resize(numVertices_);
        std::iota(oldOfNew.begin(), oldOfNew.end(), 0u);
        std::iota(newOfOld.begin(), newOfOld.end(), 0u);
    }

    // Rebuild.
    const DWORD newFaces = DWORD(order.size());
    const DWORD newVerts = DWORD(oldOfNew.size());
    std::vector<uint32_t> newIdx(size_t(newFaces) * 3);
    std::vector<DWORD> newAttr(newFaces);
    std::vector<uint32_t> newFaceOfOld(numFaces_, UNUSED32);
    for (DWORD nf = 0; nf < newFaces; ++nf) {
        const uint32_t of = order[nf];
        newFaceOfOld[of] = nf;
        newAttr[nf] = attributes_[of];
        for (int k = 0; k < 3; ++k) newIdx[nf * 3 + k] = newOfOld[idx[of * 3 + k]];
    }
    std::vector<uint8_t> newVb(size_t(newVerts) * layout_.stride);
    for (DWORD nv = 0; nv < newVerts; ++nv)
        std::memcpy(newVb.data() + size_t(nv) * layout_.stride, vb.data() + size_t(oldOfNew[nv]) * layout_.stride,
                    layout_.stride);

    if (newVerts != numVertices_) {
        numVertices_ = newVerts;
        HRESULT hr = CreateVB(newVerts);
        if (FAILED(hr)) return hr;
    }
    if (newFaces != numFaces_) {
        numFaces_ = newFaces;
        HRESULT hr = CreateIB(newFaces);
        if (FAILED(hr)) return hr;
    }
    if (!WriteVertices(newVb) || !WriteIndices(newIdx)) return D3DERR_INVALIDCALL;
    attributes_.swap(newAttr);

    attribTable_.clear();
    if (sortAttr) {
        DWORD start = 0;
        while (start < numFaces_) {
            DWORD end = start;
            while (end < numFaces_ && attributes_[end] == attributes_[start]) ++end;
            D3DXATTRIBUTERANGE r{};
            r.AttribId = attributes_[start];
            r.FaceStart = start;
            r.FaceCount = end - start;
            uint32_t lo = UNUSED32, hi = 0;
            for (DWORD i = start * 3; i < end * 3; ++i) {
                lo = std::min(lo, newIdx[i]);
                hi = std::max(hi, newIdx[i]);
            }
            r.VertexStart = lo;
            r.VertexCount = hi - lo + 1;
            attribTable_.push_back(r);
            start = end;
        }
    }

    if (adjOut) {
        for (DWORD nf = 0; nf < newFaces; ++nf)
            for (int k = 0; k < 3; ++k) {
                const DWORD old = adjacency[order[nf] * 3 + k];
                adjOut[nf * 3 + k] = (old == UNUSED32 || old >= newFaceOfOld.size()) ? UNUSED32 : newFaceOfOld[old];
            }
    }
    if (faceRemap)
        for (DWORD nf = 0; nf < newFaces; ++nf) faceRemap[nf] = order[nf];
    if (vertexRemap) {
        ID3DXBuffer* b = NewBuffer(size_t(newVerts) * 4);
        std::memcpy(b->GetBufferPointer(), oldOfNew.data(), size_t(newVerts) * 4);
        *vertexRemap = b;
    }
    return D3D_OK;
}

HRESULT MeshImpl::OptimizeInplace(DWORD flags, const DWORD* adjIn, DWORD* adjOut, DWORD* faceRemap,
                                  LPD3DXBUFFER* vertexRemap) {
    if (vertexRemap) *vertexRemap = nullptr;
    return OptimizeData(flags, adjIn, adjOut, faceRemap, vertexRemap);
}

HRESULT MeshImpl::Optimize(DWORD flags, const DWORD* adjIn, DWORD* adjOut, DWORD* faceRemap,
                           LPD3DXBUFFER* vertexRemap, LPD3DXMESH* out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (vertexRemap) *vertexRemap = nullptr;
    // The option bits of the copy are the low bits of the flags.
    const DWORD options = (flags & 0x00FFFFFF) ? (flags & 0x00FFFFFF) : options_;
    ID3DXMesh* copy = nullptr;
    HRESULT hr = CloneMeshFVF(options & ~DWORD(D3DXMESHOPT_SHAREVB), fvf_, device_, &copy);
    if (FAILED(hr)) return hr;
    hr = static_cast<MeshImpl*>(copy)->OptimizeData(flags, adjIn, adjOut, faceRemap, vertexRemap);
    if (FAILED(hr)) {
        copy->Release();
        return hr;
    }
    *out = copy;
    return D3D_OK;
}

}  // namespace plat

// ---------------------------------------------------------------------------
// Free functions

HRESULT WINAPI D3DXCreateBuffer(DWORD bytes, LPD3DXBUFFER* out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = plat::NewBuffer(bytes);
    return D3D_OK;
}

HRESULT WINAPI D3DXCreateMeshFVF(DWORD faces, DWORD vertices, DWORD options, DWORD fvf, LPDIRECT3DDEVICE8 device,
                                 LPD3DXMESH* out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    plat::MeshImpl* m = nullptr;
    HRESULT hr = plat::MeshImpl::Create(device, faces, vertices, options, fvf, &m);
    if (SUCCEEDED(hr)) *out = m;
    return hr;
}

HRESULT WINAPI D3DXComputeBoundingSphere(const void* points, DWORD count, DWORD fvf, D3DXVECTOR3* center,
                                         FLOAT* radius) {
    if (!points || !center || !radius || count == 0) return D3DERR_INVALIDCALL;
    const plat::FvfLayout layout(fvf);
    if (!layout.hasPosition || layout.stride == 0) return D3DERR_INVALIDCALL;
    const uint8_t* p = static_cast<const uint8_t*>(points);
    double sum[3] = {0, 0, 0};
    for (DWORD i = 0; i < count; ++i) {
        float v[3];
        std::memcpy(v, p + size_t(i) * layout.stride, 12);
        for (int k = 0; k < 3; ++k) sum[k] += v[k];
    }
    D3DXVECTOR3 c(float(sum[0] / count), float(sum[1] / count), float(sum[2] / count));
    double best = 0;
    for (DWORD i = 0; i < count; ++i) {
        float v[3];
        std::memcpy(v, p + size_t(i) * layout.stride, 12);
        const double dx = v[0] - c.x, dy = v[1] - c.y, dz = v[2] - c.z;
        best = std::max(best, dx * dx + dy * dy + dz * dz);
    }
    *center = c;
    *radius = float(std::sqrt(best));
    return D3D_OK;
}

HRESULT WINAPI D3DXComputeBoundingBox(const void* points, DWORD count, DWORD fvf, D3DXVECTOR3* mn, D3DXVECTOR3* mx) {
    if (!points || !mn || !mx || count == 0) return D3DERR_INVALIDCALL;
    const plat::FvfLayout layout(fvf);
    if (!layout.hasPosition || layout.stride == 0) return D3DERR_INVALIDCALL;
    const uint8_t* p = static_cast<const uint8_t*>(points);
    float lo[3], hi[3];
    std::memcpy(lo, p, 12);
    std::memcpy(hi, p, 12);
    for (DWORD i = 1; i < count; ++i) {
        float v[3];
        std::memcpy(v, p + size_t(i) * layout.stride, 12);
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], v[k]);
            hi[k] = std::max(hi[k], v[k]);
        }
    }
    *mn = D3DXVECTOR3(lo[0], lo[1], lo[2]);
    *mx = D3DXVECTOR3(hi[0], hi[1], hi[2]);
    return D3D_OK;
}

HRESULT WINAPI D3DXComputeNormals(LPD3DXBASEMESH mesh, const DWORD* adjacency) {
    if (!mesh) return D3DERR_INVALIDCALL;
    const plat::FvfLayout layout(mesh->GetFVF());
    if (layout.normal < 0 || !layout.hasPosition) return D3DERR_INVALIDCALL;
    const DWORD faces = mesh->GetNumFaces(), verts = mesh->GetNumVertices();
    const bool is32 = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    std::vector<DWORD> prep(verts);
    if (adjacency) {
        HRESULT hr = mesh->ConvertAdjacencyToPointReps(adjacency, prep.data());
        if (FAILED(hr)) return hr;
    } else {
        std::iota(prep.begin(), prep.end(), 0u);
    }
    BYTE* ib = nullptr;
    if (FAILED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &ib)) || !ib) return D3DERR_INVALIDCALL;
    std::vector<uint32_t> idx(size_t(faces) * 3);
    for (size_t i = 0; i < idx.size(); ++i) {
        if (is32) {
            std::memcpy(&idx[i], ib + i * 4, 4);
        } else {
            uint16_t v;
            std::memcpy(&v, ib + i * 2, 2);
            idx[i] = v;
        }
    }
    mesh->UnlockIndexBuffer();
    BYTE* vb = nullptr;
    if (FAILED(mesh->LockVertexBuffer(0, &vb)) || !vb) return D3DERR_INVALIDCALL;
    auto pos = [&](uint32_t v) {
        float p[3];
        std::memcpy(p, vb + size_t(v) * layout.stride, 12);
        return D3DXVECTOR3(p[0], p[1], p[2]);
    };
    std::vector<D3DXVECTOR3> sum(verts, D3DXVECTOR3(0, 0, 0));
    for (DWORD f = 0; f < faces; ++f) {
        const uint32_t a = idx[f * 3], b = idx[f * 3 + 1], c = idx[f * 3 + 2];
        if (a >= verts || b >= verts || c >= verts) continue;
        const D3DXVECTOR3 pa = pos(a), pb = pos(b), pc = pos(c);
        const D3DXVECTOR3 e1(pb.x - pa.x, pb.y - pa.y, pb.z - pa.z), e2(pc.x - pa.x, pc.y - pa.y, pc.z - pa.z);
        D3DXVECTOR3 n(e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x);
        const float len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        if (len <= 0.0f) continue;
        n.x /= len;
        n.y /= len;
        n.z /= len;
        for (uint32_t v : {a, b, c}) {
            D3DXVECTOR3& s = sum[prep[v] < verts ? prep[v] : v];
            s.x += n.x;
            s.y += n.y;
            s.z += n.z;
        }
    }
    for (DWORD v = 0; v < verts; ++v) {
        D3DXVECTOR3 n = sum[prep[v] < verts ? prep[v] : v];
        const float len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        if (len > 0.0f) {
            n.x /= len;
            n.y /= len;
            n.z /= len;
        }
        std::memcpy(vb + size_t(v) * layout.stride + layout.normal, &n.x, 12);
    }
    mesh->UnlockVertexBuffer();
    return D3D_OK;
}
