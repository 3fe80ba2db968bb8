// Meshes of the extension library: buffers, triangle meshes with attribute
// tables, loading from .x files (plain and skinned), optimisation, cloning,
// bounding volumes and normals.
#pragma once

#include "platform/d3d8.h"
#include "platform/d3dx8math.h"
#include "platform/dxfile.h"

#ifndef D3DX_DEFAULT
#define D3DX_DEFAULT ((UINT)-1)
#endif

#ifndef D3DXERR_INVALIDDATA
#define D3DXERR_CANNOTMODIFYINDEXBUFFER MAKE_D3DHRESULT(2900)
#define D3DXERR_INVALIDMESH MAKE_D3DHRESULT(2901)
#define D3DXERR_CANNOTATTRSORT MAKE_D3DHRESULT(2902)
#define D3DXERR_SKINNINGNOTSUPPORTED MAKE_D3DHRESULT(2903)
#define D3DXERR_TOOMANYINFLUENCES MAKE_D3DHRESULT(2904)
#define D3DXERR_INVALIDDATA MAKE_D3DHRESULT(2905)
#define D3DXERR_LOADEDMESHASNODATA MAKE_D3DHRESULT(2906)
#endif

#define MAX_FVF_DECL_SIZE 20
#define UNUSED32 0xFFFFFFFF

enum _D3DXMESH {
    D3DXMESH_32BIT = 0x001,
    D3DXMESH_DONOTCLIP = 0x002,
    D3DXMESH_POINTS = 0x004,
    D3DXMESH_RTPATCHES = 0x008,
    D3DXMESH_NPATCHES = 0x4000,
    D3DXMESH_VB_SYSTEMMEM = 0x010,
    D3DXMESH_VB_MANAGED = 0x020,
    D3DXMESH_VB_WRITEONLY = 0x040,
    D3DXMESH_VB_DYNAMIC = 0x080,
    D3DXMESH_VB_SOFTWAREPROCESSING = 0x8000,
    D3DXMESH_IB_SYSTEMMEM = 0x100,
    D3DXMESH_IB_MANAGED = 0x200,
    D3DXMESH_IB_WRITEONLY = 0x400,
    D3DXMESH_IB_DYNAMIC = 0x800,
    D3DXMESH_IB_SOFTWAREPROCESSING = 0x10000,
    D3DXMESH_VB_SHARE = 0x1000,
    D3DXMESH_USEHWONLY = 0x2000,
    D3DXMESH_SYSTEMMEM = 0x110,
    D3DXMESH_MANAGED = 0x220,
    D3DXMESH_WRITEONLY = 0x440,
    D3DXMESH_DYNAMIC = 0x880,
    D3DXMESH_SOFTWAREPROCESSING = 0x18000,
};

enum _D3DXMESHOPT {
    D3DXMESHOPT_COMPACT = 0x01000000,
    D3DXMESHOPT_ATTRSORT = 0x02000000,
    D3DXMESHOPT_VERTEXCACHE = 0x04000000,
    D3DXMESHOPT_STRIPREORDER = 0x08000000,
    D3DXMESHOPT_IGNOREVERTS = 0x10000000,
    D3DXMESHOPT_SHAREVB = 0x1000,
};

struct D3DXATTRIBUTERANGE {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
};
typedef D3DXATTRIBUTERANGE* LPD3DXATTRIBUTERANGE;

struct D3DXMATERIAL {
    D3DMATERIAL8 MatD3D;
    LPSTR pTextureFilename;  // null when the material has no texture
};
typedef D3DXMATERIAL* LPD3DXMATERIAL;

// One group of faces of a blended skinned mesh: the faces share a material
// (AttribId) and a set of at most "maximum face influences" bones. BoneId has
// that many entries; unused ones hold UINT_MAX. The group is subset i of the
// converted mesh (DrawSubset(i)).
struct D3DXBONECOMBINATION {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
    DWORD* BoneId;
};
typedef D3DXBONECOMBINATION* LPD3DXBONECOMBINATION;

struct ID3DXBuffer;
struct ID3DXBaseMesh;
struct ID3DXMesh;
struct ID3DXSkinMesh;
typedef ID3DXBuffer* LPD3DXBUFFER;
typedef ID3DXBaseMesh* LPD3DXBASEMESH;
typedef ID3DXMesh* LPD3DXMESH;
typedef ID3DXSkinMesh* LPD3DXSKINMESH;

struct ID3DXBuffer : IUnknown {
    virtual LPVOID GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;
};

struct ID3DXBaseMesh : IUnknown {
    virtual HRESULT DrawSubset(DWORD AttribId) = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetFVF() = 0;
    virtual HRESULT GetDeclaration(DWORD Declaration[MAX_FVF_DECL_SIZE]) = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT GetDevice(LPDIRECT3DDEVICE8* ppDevice) = 0;
    virtual HRESULT CloneMeshFVF(DWORD Options, DWORD FVF, LPDIRECT3DDEVICE8 pD3DDevice, LPD3DXMESH* ppCloneMesh) = 0;
    virtual HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER8* ppVB) = 0;
    virtual HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER8* ppIB) = 0;
    virtual HRESULT LockVertexBuffer(DWORD Flags, BYTE** ppData) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    virtual HRESULT LockIndexBuffer(DWORD Flags, BYTE** ppData) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
    virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) = 0;
    virtual HRESULT ConvertPointRepsToAdjacency(const DWORD* pPRep, DWORD* pAdjacency) = 0;
    virtual HRESULT ConvertAdjacencyToPointReps(const DWORD* pAdjacency, DWORD* pPRep) = 0;
    virtual HRESULT GenerateAdjacency(FLOAT Epsilon, DWORD* pAdjacency) = 0;
};

struct ID3DXMesh : ID3DXBaseMesh {
    virtual HRESULT LockAttributeBuffer(DWORD Flags, DWORD** ppData) = 0;
    virtual HRESULT UnlockAttributeBuffer() = 0;
    virtual HRESULT Optimize(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                             LPD3DXBUFFER* ppVertexRemap, LPD3DXMESH* ppOptMesh) = 0;
    virtual HRESULT OptimizeInplace(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut,
                                    DWORD* pFaceRemap, LPD3DXBUFFER* ppVertexRemap) = 0;
};

struct ID3DXSkinMesh : IUnknown {
    virtual HRESULT GetOriginalMesh(LPD3DXMESH* ppMesh) = 0;
    virtual DWORD GetNumBones() = 0;
    virtual DWORD GetNumBoneInfluences(DWORD bone) = 0;
    virtual HRESULT GetBoneInfluence(DWORD bone, DWORD* vertices, FLOAT* weights) = 0;
    virtual HRESULT SetBoneInfluence(DWORD bone, DWORD numInfluences, const DWORD* vertices,
                                     const FLOAT* weights) = 0;
    virtual HRESULT GetMaxVertexInfluences(DWORD* maxVertexInfluences) = 0;
    virtual HRESULT GetMaxFaceInfluences(DWORD* maxFaceInfluences) = 0;
    // Blended (non-indexed) skinning: the result's FVF carries "maximum face
    // influences - 1" blend weights after the position; the table holds one
    // D3DXBONECOMBINATION per subset of the result. pFaceRemap (new face ->
    // original face) and ppVertexRemap (new vertex -> original vertex) may be
    // null.
    virtual HRESULT ConvertToBlendedMesh(DWORD Options, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut,
                                         DWORD* pNumBoneCombinations, LPD3DXBUFFER* ppBoneCombinationTable,
                                         DWORD* pFaceRemap, LPD3DXBUFFER* ppVertexRemap, LPD3DXMESH* ppMesh) = 0;
    // The same without the remap outputs.
    HRESULT ConvertToBlendedMesh(DWORD Options, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut,
                                 DWORD* pNumBoneCombinations, LPD3DXBUFFER* ppBoneCombinationTable,
                                 LPD3DXMESH* ppMesh) {
        return ConvertToBlendedMesh(Options, pAdjacencyIn, pAdjacencyOut, pNumBoneCombinations,
                                    ppBoneCombinationTable, nullptr, nullptr, ppMesh);
    }
    // A plain copy of the mesh for software skinning with UpdateSkinnedMesh.
    virtual HRESULT GenerateSkinnedMesh(DWORD Options, FLOAT minWeight, const DWORD* pAdjacencyIn,
                                        DWORD* pAdjacencyOut, LPD3DXMESH* ppMesh) = 0;
    // Writes the skinned positions and normals (blended by the bone matrices,
    // one per bone) into a mesh made by GenerateSkinnedMesh.
    virtual HRESULT UpdateSkinnedMesh(const D3DXMATRIX* pBoneTransforms, LPD3DXMESH pMesh) = 0;
    virtual DWORD GetFVF() = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT GetDevice(LPDIRECT3DDEVICE8* ppDevice) = 0;
    virtual HRESULT LockVertexBuffer(DWORD Flags, BYTE** ppData) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    virtual HRESULT LockIndexBuffer(DWORD Flags, BYTE** ppData) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
    virtual HRESULT LockAttributeBuffer(DWORD Flags, DWORD** ppData) = 0;
    virtual HRESULT UnlockAttributeBuffer() = 0;
};

HRESULT WINAPI D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer);

HRESULT WINAPI D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options, DWORD FVF,
                                 LPDIRECT3DDEVICE8 pD3D, LPD3DXMESH* ppMesh);

// Loads every mesh of a text .x file into one mesh, each placed by the
// combined matrices of its frames. ppAdjacency receives 3 DWORDs per face,
// ppMaterials one D3DXMATERIAL per material (texture names point into the
// same buffer). Either output may be null.
HRESULT WINAPI D3DXLoadMeshFromX(const char* pFilename, DWORD Options, LPDIRECT3DDEVICE8 pD3D,
                                 LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials, DWORD* pNumMaterials,
                                 LPD3DXMESH* ppMesh);

// Loads one Mesh data object (no frame matrices).
HRESULT WINAPI D3DXLoadMeshFromXof(LPDIRECTXFILEDATA pXofObjMesh, DWORD Options, LPDIRECT3DDEVICE8 pD3DDevice,
                                   LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials, DWORD* pNumMaterials,
                                   LPD3DXMESH* ppMesh);

// Loads one Mesh data object with its skin: ppBoneNames receives one LPSTR
// per bone, ppBoneTransforms one D3DXMATRIX (the bone offset) per bone.
HRESULT WINAPI D3DXLoadSkinMeshFromXof(LPDIRECTXFILEDATA pXofObjMesh, DWORD Options, LPDIRECT3DDEVICE8 pD3D,
                                       LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials, DWORD* pMatOut,
                                       LPD3DXBUFFER* ppBoneNames, LPD3DXBUFFER* ppBoneTransforms,
                                       LPD3DXSKINMESH* ppMesh);

// Centre (mean of the points) and radius (largest distance from it).
HRESULT WINAPI D3DXComputeBoundingSphere(const void* pPointsFVF, DWORD NumVertices, DWORD FVF, D3DXVECTOR3* pCenter,
                                         FLOAT* pRadius);
HRESULT WINAPI D3DXComputeBoundingBox(const void* pPointsFVF, DWORD NumVertices, DWORD FVF, D3DXVECTOR3* pMin,
                                      D3DXVECTOR3* pMax);
// Vertex normals as the normalised mean of the normals of the faces around
// each vertex; with adjacency, vertices that are the same point share them.
HRESULT WINAPI D3DXComputeNormals(LPD3DXBASEMESH pMesh, const DWORD* pAdjacency = nullptr);
