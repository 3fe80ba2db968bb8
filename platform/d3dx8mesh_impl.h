// Internals shared by the mesh sources: the mesh class, vertex layouts and
// helpers.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3dx8mesh.h"

namespace plat {

// Offsets of the components of a flexible vertex format (-1 when absent).
struct FvfLayout {
    FvfLayout() = default;
    explicit FvfLayout(DWORD fvf);
    DWORD fvf = 0;
    UINT stride = 0;
    bool hasPosition = false;
    int betas = 0;  // blend weights after the position
    int normal = -1;
    int psize = -1;
    int diffuse = -1;
    int specular = -1;
    int texCount = 0;
    int tex[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    int texDims[8] = {2, 2, 2, 2, 2, 2, 2, 2};
};

// Copies the components two layouts have in common; others are zero (diffuse
// colours white).
void ConvertVertex(const FvfLayout& from, const uint8_t* src, const FvfLayout& to, uint8_t* dst);

ID3DXBuffer* NewBuffer(size_t bytes);

// Adjacency (3 entries per face, UNUSED32 for none) of faces that share an
// edge in opposite directions, vertices compared by their point
// representatives (null: by index).
void AdjacencyFromPointReps(const std::vector<uint32_t>& idx, DWORD faces, const DWORD* prep, DWORD vertexCount,
                            DWORD* adj);

class MeshImpl final : public RefCounted<ID3DXMesh> {
public:
    static HRESULT Create(IDirect3DDevice8* device, DWORD faces, DWORD vertices, DWORD options, DWORD fvf,
                          MeshImpl** out);
    ~MeshImpl() override;

    HRESULT DrawSubset(DWORD attribId) override;
    DWORD GetNumFaces() override { return numFaces_; }
    DWORD GetNumVertices() override { return numVertices_; }
    DWORD GetFVF() override { return fvf_; }
    HRESULT GetDeclaration(DWORD decl[MAX_FVF_DECL_SIZE]) override;
    DWORD GetOptions() override { return options_; }
    HRESULT GetDevice(LPDIRECT3DDEVICE8* out) override;
    HRESULT CloneMeshFVF(DWORD options, DWORD fvf, LPDIRECT3DDEVICE8 device, LPD3DXMESH* out) override;
    HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER8* out) override;
    HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER8* out) override;
    HRESULT LockVertexBuffer(DWORD flags, BYTE** data) override;
    HRESULT UnlockVertexBuffer() override;
    HRESULT LockIndexBuffer(DWORD flags, BYTE** data) override;
    HRESULT UnlockIndexBuffer() override;
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) override;
    HRESULT ConvertPointRepsToAdjacency(const DWORD* prep, DWORD* adj) override;
    HRESULT ConvertAdjacencyToPointReps(const DWORD* adj, DWORD* prep) override;
    HRESULT GenerateAdjacency(FLOAT epsilon, DWORD* adj) override;
    HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) override;
    HRESULT UnlockAttributeBuffer() override;
    HRESULT Optimize(DWORD flags, const DWORD* adjIn, DWORD* adjOut, DWORD* faceRemap, LPD3DXBUFFER* vertexRemap,
                     LPD3DXMESH* out) override;
    HRESULT OptimizeInplace(DWORD flags, const DWORD* adjIn, DWORD* adjOut, DWORD* faceRemap,
                            LPD3DXBUFFER* vertexRemap) override;

    // Whole-buffer access for the library's own work.
    bool ReadIndices(std::vector<uint32_t>& out);
    bool WriteIndices(const std::vector<uint32_t>& in);
    bool ReadVertices(std::vector<uint8_t>& out);
    bool WriteVertices(const std::vector<uint8_t>& in);
    std::vector<DWORD>& Attributes() { return attributes_; }
    std::vector<D3DXATTRIBUTERANGE>& AttributeTable() { return attribTable_; }
    const FvfLayout& Layout() const { return layout_; }
    IDirect3DDevice8* Device() const { return device_; }
    bool Is32Bit() const { return (options_ & D3DXMESH_32BIT) != 0; }

private:
    MeshImpl() = default;
    HRESULT CreateVB(DWORD vertices);
    HRESULT CreateIB(DWORD faces);
    D3DPOOL VBPool() const;
    D3DPOOL IBPool() const;
    UINT IndexSize() const { return Is32Bit() ? 4 : 2; }
    HRESULT OptimizeData(DWORD flags, const DWORD* adjIn, DWORD* adjOut, DWORD* faceRemap, LPD3DXBUFFER* vertexRemap);

    IDirect3DDevice8* device_ = nullptr;
    DWORD options_ = 0;
    DWORD fvf_ = 0;
    FvfLayout layout_;
    DWORD numFaces_ = 0;
    DWORD numVertices_ = 0;
    IDirect3DVertexBuffer8* vb_ = nullptr;
    IDirect3DIndexBuffer8* ib_ = nullptr;
    std::vector<DWORD> attributes_;
    std::vector<D3DXATTRIBUTERANGE> attribTable_;
};

}  // namespace plat
