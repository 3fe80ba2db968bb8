// XOBJECT meshes: loading and conversion, locking, and drawing (also by
// objId through DrawXObject).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "gfx/texturemanager.h"
#include "platform/d3dx8.h"
#include "world/lightlist.h"
#include "world/xobject.h"

namespace {

IDirect3DDevice8* Device() { return display.device; }

void RestoreState(IDirect3DDevice8* device, D3DRENDERSTATETYPE state) {
    device->SetRenderState(state, display.GetDefaultRenderState(state));
}

D3DMATERIAL8 ColourMaterial(unsigned int colour, bool whiteAmbient) {
    D3DMATERIAL8 m;
    memset(&m, 0, sizeof m);
    m.Diffuse.r = ((colour >> 16) & 0xFF) / 255.0f;
    m.Diffuse.g = ((colour >> 8) & 0xFF) / 255.0f;
    m.Diffuse.b = (colour & 0xFF) / 255.0f;
    m.Diffuse.a = 0.0f;
    if (whiteAmbient) {
        m.Ambient.r = m.Ambient.g = m.Ambient.b = 1.0f;
        m.Ambient.a = 0.0f;
    } else {
        m.Ambient = m.Diffuse;
    }
    return m;
}

bool EndsWithAlphaName(const char* name) {
    size_t len = name ? strlen(name) : 0;
    return len >= 6 && strcmp(name + len - 6, "aa.dds") == 0;
}

void ReleaseBuffer(ID3DXBuffer*& b) {
    if (b) b->Release();
    b = nullptr;
}

}  // namespace

TEXTURE_ENTRY* FindLoadedTexture(const char* name) { return name ? textureManager.GetEntryByName(name) : nullptr; }

TEXTURE_ENTRY* LoadObjectTexture(const char* name) {
    if (!name || !name[0]) return nullptr;
    return textureManager.AddTexture(Device(), name);
}

// ---------------------------------------------------------------------------

void XOBJECT::Release() {
    if (!referenceMesh) {
        myGlobs.xVertexTotal -= std::min(myGlobs.xVertexTotal, static_cast<unsigned int>(vertexCount));
        myGlobs.xIndexTotal -= std::min(myGlobs.xIndexTotal, static_cast<unsigned int>(indexCount));
    }
    vertexCount = 0;
    indexCount = 0;
    delete[] materials;
    materials = nullptr;
    delete[] textures;  // the entries belong to the texture manager
    textures = nullptr;
    delete[] keepMaterial;
    keepMaterial = nullptr;
    materialCount = 0;
    if (mesh) mesh->Release();
    mesh = nullptr;
    referenceMesh = nullptr;  // borrowed: never released here
}

int XOBJECT::Init(const char* path, float scale, const char* colourTexture1, const char* colourTexture2,
                  int animated) {
    IDirect3DDevice8* device = Device();
    ID3DXBuffer* adjacencyBuffer = nullptr;
    ID3DXBuffer* materialBuffer = nullptr;
    DWORD numMaterials = 0;
    ID3DXMesh* sysMesh = nullptr;
    if (FAILED(D3DXLoadMeshFromX(path, D3DXMESH_SYSTEMMEM, device, &adjacencyBuffer, &materialBuffer, &numMaterials,
                                 &sysMesh)) ||
        !sysMesh) {
        ReleaseBuffer(adjacencyBuffer);
        ReleaseBuffer(materialBuffer);
        return 0;
    }
    if (!colourTexture1) colourTexture1 = "-";
    if (!colourTexture2) colourTexture2 = "-";

    // Materials and their textures.
    if (numMaterials > MAXXSUBSETS) {
        WriteStartLog("Too many materials, only the first 250 get subset flags: ", NOLINEEND);
        WriteStartLog(path);
    }
    const D3DXMATERIAL* loaded = materialBuffer ? static_cast<const D3DXMATERIAL*>(materialBuffer->GetBufferPointer())
                                                : nullptr;
    if (!loaded) numMaterials = 0;
    materialCount = numMaterials;
    subsetCount = numMaterials;
    if (numMaterials > 0) {
        materials = new (std::nothrow) D3DMATERIAL8[numMaterials];
        textures = new (std::nothrow) TEXTURE_ENTRY*[numMaterials];
        keepMaterial = new (std::nothrow) int[numMaterials];
        if (!materials || !textures || !keepMaterial) {
            WriteStartLog("Out of memory in XOBJECT::Init()");
            delete[] materials;
            delete[] textures;
            delete[] keepMaterial;
            materials = nullptr;
            textures = nullptr;
            keepMaterial = nullptr;
            materialCount = subsetCount = numMaterials = 0;
        }
    }
    for (DWORD i = 0; i < numMaterials; ++i) {
        D3DMATERIAL8 m = loaded[i].MatD3D;
        m.Ambient = m.Diffuse;
        keepMaterial[i] = 0;
        if (lampColour >= 1) {
            m.Emissive = m.Diffuse;
            keepMaterial[i] = 1;
        }
        m.Specular.r = m.Specular.g = m.Specular.b = 0.3f;
        m.Power = 20.0f;
        const char* textureName = loaded[i].pTextureFilename;
        textures[i] = LoadObjectTexture(textureName);
        if (!textures[i]) keepMaterial[i] = 1;
        if (textureName && textureName[0]) {
            const char* shortName = TEXTUREMANAGER::ShortenPath(textureName);
            const char* filePart = GetFileNamePart(shortName);
            const bool flagged = i < static_cast<DWORD>(MAXXSUBSETS);
            if (filePart && lightList.IsLightingTexture(filePart)) {
                m.Diffuse.r = m.Diffuse.g = m.Diffuse.b = 1.0f;
                m.Emissive.r = m.Emissive.g = m.Emissive.b = 1.0f;
                keepMaterial[i] = 1;
                if (flagged) lightingSubset[i] = 1;
            }
            if (flagged) {
                colour1Subset[i] = strcmp(shortName, colourTexture1) == 0 ? 1 : 0;
                colour2Subset[i] = strcmp(shortName, colourTexture2) == 0 ? 1 : 0;
                if (colour1Subset[i]) hasColour1 = 1;
                if (colour2Subset[i]) hasColour2 = 1;
                alphaSubset[i] = EndsWithAlphaName(shortName) ? 1 : 0;
            }
        }
        // The lamp halo takes colour 1 on every subset.
        if (objId == 10000 && i < static_cast<DWORD>(MAXXSUBSETS)) colour1Subset[i] = hasColour1 = 1;
        materials[i] = m;
    }
    ReleaseBuffer(materialBuffer);

    // Every mesh is walked as 32-byte position, normal, texture vertices.
    if (sysMesh->GetFVF() != XVERTEX_FVF || (sysMesh->GetOptions() & D3DXMESH_32BIT)) {
        ID3DXMesh* converted = nullptr;
        if (FAILED(sysMesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, XVERTEX_FVF, device, &converted)) || !converted) {
            WriteStartLog("Mesh conversion failed in XOBJECT::Init(): ", NOLINEEND);
            WriteStartLog(path);
            sysMesh->Release();
            ReleaseBuffer(adjacencyBuffer);
            return 1;
        }
        sysMesh->Release();
        sysMesh = converted;
    }

    const DWORD numVertices = sysMesh->GetNumVertices();
    const DWORD numFaces = sysMesh->GetNumFaces();
    float maxX = 0.0f, maxY = 0.0f;
    BYTE* vb = nullptr;
    if (SUCCEEDED(sysMesh->LockVertexBuffer(0, &vb)) && vb) {
        XVERTEX* v = reinterpret_cast<XVERTEX*>(vb);
        for (DWORD i = 0; i < numVertices; ++i) {
            if (animated) v[i].x = -v[i].x;
            v[i].z = -v[i].z;
            v[i].x *= scale;
            v[i].y *= scale;
            v[i].z *= scale;
            maxX = std::max(maxX, std::fabs(v[i].x));
            maxY = std::max(maxY, std::fabs(v[i].y));
        }
        sysMesh->UnlockVertexBuffer();
    }
    indexCount = numFaces * 3;
    vertexCount = numVertices;
    if (!animated) {
        // One axis is mirrored: swap two corners to keep the winding.
        BYTE* ib = nullptr;
        if (SUCCEEDED(sysMesh->LockIndexBuffer(0, &ib)) && ib) {
            WORD* idx = reinterpret_cast<WORD*>(ib);
            for (DWORD f = 0; f < numFaces; ++f) std::swap(idx[3 * f], idx[3 * f + 1]);
            sysMesh->UnlockIndexBuffer();
        }
    }

    bool boundsOk = false;
    vb = nullptr;
    if (SUCCEEDED(sysMesh->LockVertexBuffer(D3DLOCK_READONLY, &vb)) && vb) {
        boundsOk = SUCCEEDED(D3DXComputeBoundingSphere(vb, numVertices, XVERTEX_FVF, &sphereCentre, &sphereRadius)) &&
                   SUCCEEDED(D3DXComputeBoundingBox(vb, numVertices, XVERTEX_FVF, &boxMin, &boxMax));
        sysMesh->UnlockVertexBuffer();
    }
    if (!boundsOk) {
        WriteStartLog("Can't compute bounding sphere in XOBJECT::Init()");
    } else {
        const DWORD* adjacencyIn =
            adjacencyBuffer && adjacencyBuffer->GetBufferSize() >= numFaces * 3 * sizeof(DWORD)
                ? static_cast<const DWORD*>(adjacencyBuffer->GetBufferPointer())
                : nullptr;
        D3DXComputeNormals(sysMesh, adjacencyIn);
        std::vector<DWORD> adjacencyOut;
        bool haveAdjacency = true;
        try {
            adjacencyOut.resize(static_cast<size_t>(numFaces) * 3);
        } catch (const std::bad_alloc&) {
            WriteStartLog("Out of memory in XOBJECT::Init()");
            haveAdjacency = false;
        }
        if (haveAdjacency) {
            if (FAILED(sysMesh->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT, adjacencyIn,
                                                adjacencyOut.data(), nullptr, nullptr)))
                WriteStartLog("Mesh attribute optimization failed in XOBJECT::Init()!");
            std::vector<DWORD> adjacency2 = adjacencyOut;
            if (FAILED(sysMesh->OptimizeInplace(
                    D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE, adjacency2.data(),
                    adjacencyOut.data(), nullptr, nullptr)))
                WriteStartLog("Mesh vertex cache optimization failed in XOBJECT::Init()!");
        }
        if (referenceMesh) {
            WriteStartLog("Reference mesh used...");
            drawVertexCount = static_cast<int>(referenceMesh->GetNumVertices());
            DWORD ranges = 0;
            referenceMesh->GetAttributeTable(nullptr, &ranges);
            subsetCount = ranges;
        } else {
            ID3DXMesh* clone = nullptr;
            if (FAILED(sysMesh->CloneMeshFVF(D3DXMESH_MANAGED, sysMesh->GetFVF(), device, &clone)) || !clone) {
                WriteStartLog("Mesh clone failed in XOBJECT::Init()!");
            } else {
                mesh = clone;
                drawVertexCount = static_cast<int>(mesh->GetNumVertices());
                DWORD ranges = 0;
                mesh->GetAttributeTable(nullptr, &ranges);
                subsetCount = ranges;
            }
        }
    }

    sizeX = maxX;
    sizeY = maxY;
    halfLength = maxY;
    sysMesh->Release();
    ReleaseBuffer(adjacencyBuffer);
    if (!referenceMesh) {
        myGlobs.xVertexTotal += vertexCount;
        myGlobs.xIndexTotal += indexCount;
    }
    return 1;
}

int XOBJECT::LockMesh(XVERTEX** vertices, int* vertexCountOut, WORD** indices, int* faceCount) {
    if (!mesh) return 0;
    BYTE* vb = nullptr;
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vb)) || !vb) return 0;
    BYTE* ib = nullptr;
    if (FAILED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &ib)) || !ib) {
        mesh->UnlockVertexBuffer();
        return 0;
    }
    if (vertices) *vertices = reinterpret_cast<XVERTEX*>(vb);
    if (vertexCountOut) *vertexCountOut = static_cast<int>(mesh->GetNumVertices());
    if (indices) *indices = reinterpret_cast<WORD*>(ib);
    if (faceCount) *faceCount = static_cast<int>(mesh->GetNumFaces());
    return 1;
}

void XOBJECT::UnlockMesh() {
    if (!mesh) return;
    mesh->UnlockVertexBuffer();
    mesh->UnlockIndexBuffer();
}

// ---------------------------------------------------------------------------
// Drawing

void XOBJECT::Draw(unsigned int colour1Value, unsigned int colour2Value, int pass, int highlight, int highlightKind,
                   int textureOverride) {
    if (colour1Value == 0) colour1Value = colour1;
    if (colour2Value == 0) colour2Value = colour2;
    if (useReference && referenceXID >= 0 && referenceXID < myGlobs.xObjectCount && myGlobs.xObjects &&
        &myGlobs.xObjects[referenceXID] != this) {
        myGlobs.xObjects[referenceXID].DrawRecord(this, colour1Value, colour2Value, pass, highlight, highlightKind,
                                                  textureOverride);
        return;
    }
    DrawRecord(this, colour1Value, colour2Value, pass, highlight, highlightKind, textureOverride);
}

void XOBJECT::DrawRecord(const XOBJECT* replacementOwner, unsigned int colour1Value, unsigned int colour2Value,
                         int pass, int highlight, int highlightKind, int textureOverride) {
    IDirect3DDevice8* device = Device();
    ID3DXMesh* drawMesh = mesh ? mesh : referenceMesh;
    if (!device || !drawMesh) return;
    if (!replacementOwner) replacementOwner = this;
    const bool night = lightList.IsNight() != 0;

    // Per-subset facts; subsets without a material of their own draw with
    // the default material and leave the texture as it is.
    auto hasMaterial = [&](DWORD i) { return i < materialCount && materials && textures && keepMaterial; };
    auto flag = [&](const int* flags, DWORD i) { return i < static_cast<DWORD>(MAXXSUBSETS) ? flags[i] : 0; };

    for (DWORD i = 0; i < subsetCount; ++i) {
        const int alpha = flag(alphaSubset, i);
        if (pass == 1 && alpha) continue;
        if (pass == 2 && !alpha) continue;
        const bool own = hasMaterial(i);
        const int lighting = own ? flag(lightingSubset, i) : 0;

        if (own && keepMaterial[i] && !lighting) {
            device->SetMaterial(&materials[i]);
        } else if (flag(colour1Subset, i)) {
            D3DMATERIAL8 m = ColourMaterial(colour1Value, type == PLANT_TYPE);
            device->SetMaterial(&m);
        } else if (flag(colour2Subset, i)) {
            D3DMATERIAL8 m = ColourMaterial(colour2Value, false);
            device->SetMaterial(&m);
        } else {
            device->SetMaterial(&display.material);
        }

        if (textureOverride > 0) {
            textureManager.SetTexture(device, textureOverride);
        } else if (own && textures[i]) {
            TEXTURE_ENTRY* entry = replacementOwner->GetReplacementTexture(textures[i]);
            textureManager.SetEntryTexture(device, entry ? entry : textures[i]);
        }

        if (alpha) {
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
            device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
            device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        }
        drawMesh->DrawSubset(i);
        if (alpha) {
            RestoreState(device, D3DRS_ALPHABLENDENABLE);
            RestoreState(device, D3DRS_ALPHATESTENABLE);
            RestoreState(device, D3DRS_ZWRITEENABLE);
        }

        if (lighting && night) {
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
            device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
            device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
            device->SetRenderState(D3DRS_LIGHTING, FALSE);
            drawMesh->DrawSubset(i);
            RestoreState(device, D3DRS_ALPHABLENDENABLE);
            RestoreState(device, D3DRS_SRCBLEND);
            RestoreState(device, D3DRS_DESTBLEND);
            RestoreState(device, D3DRS_LIGHTING);
        }
    }
    myGlobs.drawnVertexCount += drawVertexCount;
    device->SetMaterial(&display.material);
    textureManager.SetEntryTexture(device, nullptr);

    if (highlight) {
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
        device->SetRenderState(D3DRS_ZBIAS, 2);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        textureManager.SetTexture(device, highlightKind == 2 ? GTEX_PLANTSELECT : GTEX_SELECTORANGE);
        for (DWORD i = 0; i < subsetCount; ++i)
            if (!flag(alphaSubset, i)) drawMesh->DrawSubset(i);
        RestoreState(device, D3DRS_ALPHABLENDENABLE);
        RestoreState(device, D3DRS_SRCBLEND);
        RestoreState(device, D3DRS_DESTBLEND);
        RestoreState(device, D3DRS_ALPHATESTENABLE);
        RestoreState(device, D3DRS_ZBIAS);
        RestoreState(device, D3DRS_LIGHTING);
        RestoreState(device, D3DRS_ZWRITEENABLE);
        textureManager.SetEntryTexture(device, nullptr);
    }
}

int DrawXObject(int objId, int pass, unsigned int colour1, unsigned int colour2, int highlight, int highlightKind,
                int textureOverride) {
    int xid = GetXID(objId, 1);
    if (xid < 0 || xid >= myGlobs.xObjectCount || !myGlobs.xObjects) return -1;
    IDirect3DDevice8* device = Device();
    const bool multiply = objId == 508;
    if (multiply && device) {
        // Darkens what lies behind it: the frame buffer is multiplied by one
        // minus the object's colour.
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
        device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    }
    xid = DetBlinkXID(xid, currentTime);
    myGlobs.xObjects[xid].Draw(colour1, colour2, pass, highlight, highlightKind, textureOverride);
    if (multiply && device) {
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    }
    return 0;
}
