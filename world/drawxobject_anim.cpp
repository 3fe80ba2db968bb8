// Animated .x files: loading the hierarchy through the file parser, preparing
// the skinned meshes for blending, and drawing the hierarchy.
#include <climits>
#include <cmath>
#include <cstring>
#include <new>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "gfx/display.h"
#include "gfx/texturemanager.h"
#include "platform/d3dx8.h"
#include "platform/dxfile.h"
#include "world/axobject.h"
#include "world/lightlist.h"

namespace {

IDirect3DDevice8* Device() { return display.device; }

void RestoreState(IDirect3DDevice8* device, D3DRENDERSTATETYPE state) {
    device->SetRenderState(state, display.GetDefaultRenderState(state));
}

bool SameGuid(const GUID* a, const GUID& b) { return a && memcmp(a, &b, sizeof(GUID)) == 0; }

template <class T>
void SafeRelease(T*& p) {
    if (p) p->Release();
    p = nullptr;
}

std::string ObjectName(IDirectXFileObject* obj) {
    DWORD len = 0;
    if (FAILED(obj->GetName(nullptr, &len)) || len == 0) return std::string();
    std::string name(len, '\0');
    if (FAILED(obj->GetName(name.data(), &len))) return std::string();
    name.resize(strnlen(name.c_str(), name.size()));
    return name;
}

D3DMATERIAL8 ColourOnlyMaterial(unsigned int colour) {
    D3DMATERIAL8 m;
    memset(&m, 0, sizeof m);
    m.Diffuse.r = ((colour >> 16) & 0xFF) / 255.0f;
    m.Diffuse.g = ((colour >> 8) & 0xFF) / 255.0f;
    m.Diffuse.b = (colour & 0xFF) / 255.0f;
    m.Diffuse.a = 0.0f;
    m.Ambient = m.Diffuse;
    return m;
}

// Number of blend weights of a vertex format.
DWORD BlendWeights(DWORD fvf) {
    DWORD position = fvf & D3DFVF_POSITION_MASK;
    if (position < D3DFVF_XYZB1) return 0;
    return (position - D3DFVF_XYZRHW) / 2;
}

// The bytes of one AnimationKey, read with its counts checked against the
// data: key type, key count, then per key time, value count and values.
HRESULT ReadAnimationKey(const BYTE* data, DWORD size, XFRAME* frame) {
    DWORD pos = 0;
    auto readDword = [&](DWORD* out) {
        if (size - pos < 4 || pos > size) return false;
        memcpy(out, data + pos, 4);
        pos += 4;
        return true;
    };
    DWORD keyType = 0, keyCount = 0;
    if (!readDword(&keyType) || !readDword(&keyCount)) return E_INVALIDARG;
    // Every key needs at least its time and value count.
    if (keyCount > (size - pos) / 8) return E_INVALIDARG;
    DWORD needed;
    switch (keyType) {
        case 0:
            if (!frame->rotateKeys.empty()) return E_INVALIDARG;
            needed = 4;
            break;
        case 1:
            if (!frame->scaleKeys.empty()) return E_INVALIDARG;
            needed = 3;
            break;
        case 2:
            if (!frame->positionKeys.empty()) return E_INVALIDARG;
            needed = 3;
            break;
        case 4:
            if (!frame->matrixKeys.empty()) return E_INVALIDARG;
            needed = 16;
            break;
        default:
            return E_INVALIDARG;
    }
    for (DWORD k = 0; k < keyCount; ++k) {
        DWORD time = 0, valueCount = 0;
        if (!readDword(&time) || !readDword(&valueCount)) return E_INVALIDARG;
        if (valueCount < needed || valueCount > (size - pos) / 4) return E_INVALIDARG;
        float v[16];
        memcpy(v, data + pos, needed * 4);
        pos += valueCount * 4;
        switch (keyType) {
            case 0:  // file order w, x, y, z
                frame->rotateKeys.push_back(ROTATE_KEY{time, D3DXQUATERNION(v[1], v[2], v[3], v[0])});
                break;
            case 1:
                frame->scaleKeys.push_back(SCALE_KEY{time, D3DXVECTOR3(v[0], v[1], v[2])});
                break;
            case 2:
                frame->positionKeys.push_back(POSITION_KEY{time, D3DXVECTOR3(v[0], v[1], v[2])});
                break;
            default:
                frame->matrixKeys.push_back(MATRIX_KEY{time, D3DXMATRIX(v)});
                break;
        }
    }
    return S_OK;
}

}  // namespace

// ---------------------------------------------------------------------------
// XMESHCONTAINER

void XMESHCONTAINER::ReleaseDeviceMeshes() {
    for (auto& m : meshes) SafeRelease(m);
    for (auto& b : boneCombinations) SafeRelease(b);
    for (auto& n : attributeGroupCount) n = 0;
    split = 0;
    splitGroup = 0;
}

XMESHCONTAINER::~XMESHCONTAINER() {
    ReleaseDeviceMeshes();
    SafeRelease(skinMesh);
    SafeRelease(boneNames);
    SafeRelease(boneOffsets);
}

// ---------------------------------------------------------------------------
// Loading

HRESULT AXOBJECT::LoadAnimatedMesh(const char* path) {
    if (!path) return E_INVALIDARG;
    if (strlen(path) <= 1) return E_FAIL;
    CopyText(firstAnimation, sizeof firstAnimation, path);
    delete animMesh;
    animMesh = new (std::nothrow) XANIMMESH();
    if (!animMesh || !animMesh->root) {
        delete animMesh;
        animMesh = nullptr;
        return E_OUTOFMEMORY;
    }

    IDirectXFile* file = nullptr;
    IDirectXFileEnumObject* enumObject = nullptr;
    HRESULT hr = DirectXFileCreate(&file);
    if (SUCCEEDED(hr)) hr = file->RegisterTemplates((void*)D3DRM_XTEMPLATES, D3DRM_XTEMPLATE_BYTES);
    if (SUCCEEDED(hr)) hr = file->CreateEnumObject((void*)path, DXFILELOAD_FROMFILE, &enumObject);
    if (SUCCEEDED(hr)) {
        IDirectXFileData* data = nullptr;
        while (SUCCEEDED(enumObject->GetNextDataObject(&data)) && data) {
            hr = LoadFrames(data, animMesh->root);
            SafeRelease(data);
            if (FAILED(hr)) break;
        }
    }
    SafeRelease(enumObject);
    SafeRelease(file);
    if (FAILED(hr)) {
        delete animMesh;
        animMesh = nullptr;
        return hr;
    }

    animMesh->ComputeSetLengths();
    // Bind every container's bones to the world matrices of their frames.
    struct Binder {
        XANIMMESH* mesh;
        void Bind(XFRAME* f) {
            for (; f; f = f->sibling) {
                for (XMESHCONTAINER* c = f->meshContainers; c; c = c->next) {
                    c->boneMatrices.assign(c->boneCount, nullptr);
                    if (!c->boneNames) continue;
                    DWORD available = c->boneNames->GetBufferSize() / sizeof(char*);
                    char** names = static_cast<char**>(c->boneNames->GetBufferPointer());
                    for (DWORD b = 0; b < c->boneCount && b < available; ++b) {
                        XFRAME* bone = names[b] ? mesh->FindFrame(names[b]) : nullptr;
                        c->boneMatrices[b] = bone ? &bone->worldMatrix : nullptr;
                    }
                }
                Bind(f->firstChild);
            }
        }
    } binder{animMesh};
    binder.Bind(animMesh->root);
    animMesh->path = path;
    ComputeBoundingSphere();
    return S_OK;
}

HRESULT AXOBJECT::LoadFrames(IDirectXFileData* data, XFRAME* parent) {
    const GUID* type = nullptr;
    if (!data || !parent || FAILED(data->GetType(&type))) return E_INVALIDARG;
    if (SameGuid(type, TID_D3DRMMesh)) return LoadMesh(data, parent);
    if (SameGuid(type, TID_D3DRMAnimationSet)) return LoadAnimationSet(data, parent);
    if (SameGuid(type, TID_D3DRMAnimation)) return LoadAnimation(data, parent);
    if (SameGuid(type, TID_D3DRMFrameTransformMatrix)) {
        DWORD size = 0;
        void* values = nullptr;
        if (FAILED(data->GetData(nullptr, &size, &values)) || !values || size < 16 * sizeof(float))
            return E_INVALIDARG;
        D3DXMATRIX m(static_cast<const float*>(values));
        parent->loadedMatrix = m;
        parent->localMatrix = m;
        return S_OK;
    }
    if (SameGuid(type, TID_D3DRMFrame)) {
        XFRAME* frame = new (std::nothrow) XFRAME();
        if (!frame) return E_OUTOFMEMORY;
        frame->name = ObjectName(data);
        parent->AddFrame(frame);
        IDirectXFileObject* child = nullptr;
        while (SUCCEEDED(data->GetNextObject(&child)) && child) {
            IDirectXFileData* childData = nullptr;
            HRESULT hr = S_OK;
            if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&childData))) &&
                childData) {
                hr = LoadFrames(childData, frame);
                SafeRelease(childData);
            }
            SafeRelease(child);
            if (FAILED(hr)) return hr;
        }
        return S_OK;
    }
    return S_OK;  // other templates are skipped
}

HRESULT AXOBJECT::LoadAnimationSet(IDirectXFileData* data, XFRAME* parent) {
    if (!animMesh->BeginAnimSet()) {
        WriteStartLog("Too many animation sets, set skipped: ", NOLINEEND);
        WriteStartLog(firstAnimation);
        return S_OK;
    }
    XFRAME* set = new (std::nothrow) XFRAME();
    if (!set) return E_OUTOFMEMORY;
    set->name = firstAnimation;
    set->isAnimationSet = 1;
    parent->AddFrame(set);
    IDirectXFileObject* child = nullptr;
    while (SUCCEEDED(data->GetNextObject(&child)) && child) {
        IDirectXFileData* childData = nullptr;
        HRESULT hr = S_OK;
        if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&childData))) &&
            childData) {
            const GUID* type = nullptr;
            if (SUCCEEDED(childData->GetType(&type)) && SameGuid(type, TID_D3DRMAnimation))
                hr = LoadAnimation(childData, set);
            SafeRelease(childData);
        }
        SafeRelease(child);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT AXOBJECT::LoadAnimation(IDirectXFileData* data, XFRAME* parent) {
    XFRAME* frame = new (std::nothrow) XFRAME();
    if (!frame) return E_OUTOFMEMORY;
    frame->name = firstAnimation;
    // Owned by the hierarchy from here on, so a failure below frees it too.
    parent->AddFrame(frame);
    IDirectXFileObject* child = nullptr;
    HRESULT hr = S_OK;
    while (SUCCEEDED(hr) && SUCCEEDED(data->GetNextObject(&child)) && child) {
        IDirectXFileDataReference* reference = nullptr;
        IDirectXFileData* childData = nullptr;
        if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(&reference))) &&
            reference) {
            IDirectXFileData* resolved = nullptr;
            std::string name;
            if (SUCCEEDED(reference->Resolve(&resolved)) && resolved) {
                name = ObjectName(resolved);
                SafeRelease(resolved);
            } else {
                name = ObjectName(reference);
            }
            frame->target = animMesh->FindFrame(name.c_str());
            if (!frame->target) hr = E_INVALIDARG;
            SafeRelease(reference);
        } else if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&childData))) &&
                   childData) {
            const GUID* type = nullptr;
            childData->GetType(&type);
            if (SameGuid(type, TID_D3DRMFrame)) {
                std::string name = ObjectName(childData);
                frame->target = animMesh->FindFrame(name.c_str());
                if (!frame->target) hr = E_INVALIDARG;
            } else if (SameGuid(type, TID_D3DRMAnimationKey)) {
                DWORD size = 0;
                void* values = nullptr;
                if (FAILED(childData->GetData(nullptr, &size, &values)) || !values)
                    hr = E_INVALIDARG;
                else
                    hr = ReadAnimationKey(static_cast<const BYTE*>(values), size, frame);
            }
            SafeRelease(childData);
        }
        SafeRelease(child);
    }
    if (FAILED(hr)) return hr;
    animMesh->AddAnimFrame(frame);
    return S_OK;
}

HRESULT AXOBJECT::LoadMesh(IDirectXFileData* data, XFRAME* parent) {
    IDirect3DDevice8* device = Device();
    XMESHCONTAINER* c = new (std::nothrow) XMESHCONTAINER();
    if (!c) return E_OUTOFMEMORY;
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* materialBuffer = nullptr;
    DWORD numMaterials = 0;
    HRESULT hr = D3DXLoadSkinMeshFromXof(data, 0, device, &adjacency, &materialBuffer, &numMaterials, &c->boneNames,
                                         &c->boneOffsets, &c->skinMesh);
    if (FAILED(hr) || !c->skinMesh) {
        SafeRelease(adjacency);
        SafeRelease(materialBuffer);
        delete c;
        return FAILED(hr) ? hr : E_FAIL;
    }
    c->boneCount = c->skinMesh->GetNumBones();
    if (c->boneOffsets && c->boneOffsets->GetBufferSize() / sizeof(D3DXMATRIX) < c->boneCount)
        c->boneCount = c->boneOffsets->GetBufferSize() / sizeof(D3DXMATRIX);
    if (!c->boneOffsets || !c->boneNames) c->boneCount = 0;
    if (adjacency) {
        const DWORD* a = static_cast<const DWORD*>(adjacency->GetBufferPointer());
        c->adjacency.assign(a, a + adjacency->GetBufferSize() / sizeof(DWORD));
    }
    SafeRelease(adjacency);

    const D3DXMATERIAL* loaded =
        materialBuffer ? static_cast<const D3DXMATERIAL*>(materialBuffer->GetBufferPointer()) : nullptr;
    if (!loaded) numMaterials = 0;
    for (DWORD i = 0; i < numMaterials; ++i) {
        const char* textureName = loaded[i].pTextureFilename;
        TEXTURE_ENTRY* entry = (textureName && textureName[0]) ? textureManager.AddTexture(device, textureName)
                                                               : nullptr;
        const char* shortName = textureName ? TEXTUREMANAGER::ShortenPath(textureName) : "";
        unsigned int colour = 0xFFFFFFFFu;
        int c1 = 0, c2 = 0;
        if (shortName[0] && strcmp(shortName, colourTexture2) == 0) {
            colour = colour2;
            c2 = 1;
            hasColour2 = 1;
        } else if (shortName[0] && strcmp(shortName, colourTexture1) == 0) {
            colour = colour1;
            c1 = 1;
            hasColour1 = 1;
        }
        size_t len = strlen(shortName);
        c->materials.push_back(ColourOnlyMaterial(colour));
        c->textures.push_back(entry);
        c->colour1Flags.push_back(c1);
        c->colour2Flags.push_back(c2);
        c->alphaFlags.push_back(len >= 6 && strcmp(shortName + len - 6, "aa.dds") == 0 ? 1 : 0);
    }
    if (numMaterials == 0) {
        D3DMATERIAL8 m;
        memset(&m, 0, sizeof m);
        m.Diffuse.r = m.Diffuse.g = m.Diffuse.b = 1.0f;
        m.Specular.r = m.Specular.g = m.Specular.b = 0.4f;
        c->materials.push_back(m);
        c->textures.push_back(nullptr);
        c->colour1Flags.push_back(0);
        c->colour2Flags.push_back(0);
        c->alphaFlags.push_back(0);
    }
    c->materialCount = static_cast<DWORD>(c->materials.size());
    SafeRelease(materialBuffer);

    GenerateMesh(c);
    parent->AddMeshContainer(c);
    return S_OK;
}

HRESULT AXOBJECT::GenerateMesh(XMESHCONTAINER* c) {
    if (!c || !c->skinMesh) return E_INVALIDARG;
    IDirect3DDevice8* device = Device();
    std::vector<DWORD> adjacency = c->adjacency;
    c->ReleaseDeviceMeshes();
    c->method = skinMethod;
    const DWORD faces = c->skinMesh->GetNumFaces();
    const DWORD* adjacencyIn = adjacency.size() >= static_cast<size_t>(faces) * 3 ? adjacency.data() : nullptr;

    DWORD groups = 0;
    ID3DXBuffer* combinations = nullptr;
    ID3DXMesh* blended = nullptr;
    HRESULT hr = c->skinMesh->ConvertToBlendedMesh(D3DXMESH_MANAGED, adjacencyIn, nullptr, &groups, &combinations,
                                                   &blended);
    if (FAILED(hr) || !blended || !combinations) {
        SafeRelease(blended);
        SafeRelease(combinations);
        return FAILED(hr) ? hr : E_FAIL;
    }
    if (combinations->GetBufferSize() / sizeof(D3DXBONECOMBINATION) < groups)
        groups = combinations->GetBufferSize() / sizeof(D3DXBONECOMBINATION);
    c->maxFaceInfluences = BlendWeights(blended->GetFVF()) + 1;
    WriteStartLog("Max face influences: ", NOLINEEND);
    WriteStartLogInt(static_cast<int>(c->maxFaceInfluences));

    D3DCAPS8 caps;
    memset(&caps, 0, sizeof caps);
    if (device) device->GetDeviceCaps(&caps);
    DWORD splitAt = groups;
    if (caps.MaxVertexBlendMatrices == 2) {
        const auto* table = static_cast<const D3DXBONECOMBINATION*>(combinations->GetBufferPointer());
        for (DWORD g = 0; g < groups && splitAt == groups; ++g) {
            DWORD influences = 0;
            for (DWORD i = 0; i < c->maxFaceInfluences; ++i)
                if (table[g].BoneId && table[g].BoneId[i] != UINT_MAX) ++influences;
            if (influences > 2) splitAt = g;
        }
    }
    if (splitAt < groups) {
        // The faces up to the first that needs more than two matrices blend
        // on the device; the rest is a second mesh processed in software.
        WriteStartLog("Warning!! Mesh splitting!!");
        ID3DXMesh* software = nullptr;
        if (FAILED(blended->CloneMeshFVF(blended->GetOptions() | D3DXMESH_SOFTWAREPROCESSING, blended->GetFVF(),
                                         device, &software)) ||
            !software) {
            SafeRelease(blended);
            SafeRelease(combinations);
            return E_FAIL;
        }
        c->meshes[1] = blended;
        c->meshes[2] = software;
        c->boneCombinations[1] = combinations;
        combinations->AddRef();
        c->boneCombinations[2] = combinations;
        c->attributeGroupCount[1] = c->attributeGroupCount[2] = groups;
        c->split = 1;
        c->splitGroup = splitAt;
        return S_OK;
    }
    WriteStartLog("No mesh split needed...");
    std::vector<DWORD> adjacencyOut(static_cast<size_t>(blended->GetNumFaces()) * 3);
    blended->OptimizeInplace(D3DXMESHOPT_VERTEXCACHE, nullptr, adjacencyOut.data(), nullptr, nullptr);
    ID3DXMesh* final = nullptr;
    if (FAILED(blended->CloneMeshFVF(D3DXMESH_MANAGED | D3DXMESH_WRITEONLY, blended->GetFVF(), device, &final)) ||
        !final) {
        SafeRelease(blended);
        SafeRelease(combinations);
        return E_FAIL;
    }
    SafeRelease(blended);
    c->meshes[0] = final;
    c->boneCombinations[0] = combinations;
    c->attributeGroupCount[0] = groups;
    return S_OK;
}

void AXOBJECT::ComputeBoundingSphere() {
    if (!animMesh || !animMesh->root) return;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    UpdateFrames(animMesh->root, identity);
    std::vector<D3DXVECTOR3> points;
    struct Collector {
        std::vector<D3DXVECTOR3>* points;
        void Collect(XFRAME* f) {
            for (; f; f = f->sibling) {
                for (XMESHCONTAINER* c = f->meshContainers; c; c = c->next) {
                    if (!c->skinMesh) continue;
                    BYTE* vb = nullptr;
                    const DWORD n = c->skinMesh->GetNumVertices();
                    const UINT stride = plat::FvfVertexSize(c->skinMesh->GetFVF());
                    if (stride < 12 || FAILED(c->skinMesh->LockVertexBuffer(D3DLOCK_READONLY, &vb)) || !vb) continue;
                    for (DWORD i = 0; i < n; ++i) {
                        D3DXVECTOR3 p(reinterpret_cast<const float*>(vb + static_cast<size_t>(i) * stride)), q;
                        D3DXVec3TransformCoord(&q, &p, &f->worldMatrix);
                        points->push_back(q);
                    }
                    c->skinMesh->UnlockVertexBuffer();
                }
                Collect(f->firstChild);
            }
        }
    } collector{&points};
    collector.Collect(animMesh->root);
    if (points.empty()) return;
    D3DXVECTOR3 centre(0.0f, 0.0f, 0.0f);
    for (const auto& p : points) centre += p;
    centre /= static_cast<float>(points.size());
    float radius = 0.0f;
    for (const auto& p : points) {
        D3DXVECTOR3 d = p - centre;
        radius = std::max(radius, D3DXVec3Length(&d));
    }
    animMesh->sphereCentre = centre;
    animMesh->sphereRadius = radius;
}

// ---------------------------------------------------------------------------
// Drawing

void AXOBJECT::UpdateFrames(XFRAME* frame, const D3DXMATRIX& parent) {
    for (XFRAME* f = frame; f; f = f->sibling) {
        f->worldMatrix = f->localMatrix * parent;
        if (f->firstChild) UpdateFrames(f->firstChild, f->worldMatrix);
    }
}

void AXOBJECT::DrawHierarchy(unsigned int colour1Value, unsigned int colour2Value, int highlightSlot, int pass) {
    IDirect3DDevice8* device = Device();
    if (!device || !animMesh || !animMesh->root) return;
    D3DXMATRIX world;
    device->GetTransform(D3DTS_WORLD, &world);
    UpdateFrames(animMesh->root, world);
    device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    DrawFrame(animMesh->root, colour1Value, colour2Value, highlightSlot, pass);
    device->SetRenderState(D3DRS_NORMALIZENORMALS, FALSE);
    device->SetMaterial(&display.material);
}

void AXOBJECT::DrawFrame(XFRAME* frame, unsigned int colour1Value, unsigned int colour2Value, int highlightSlot,
                         int pass) {
    IDirect3DDevice8* device = Device();
    for (XFRAME* f = frame; f; f = f->sibling) {
        if (f->meshContainers) {
            device->SetTransform(D3DTS_WORLD, &f->worldMatrix);
            for (XMESHCONTAINER* c = f->meshContainers; c; c = c->next)
                DrawContainer(c, colour1Value, colour2Value, highlightSlot, pass);
            device->SetTransform(D3DTS_WORLD, &f->worldMatrix);
        }
        if (f->firstChild) DrawFrame(f->firstChild, colour1Value, colour2Value, highlightSlot, pass);
    }
}

void AXOBJECT::DrawContainer(XMESHCONTAINER* c, unsigned int colour1Value, unsigned int colour2Value,
                             int highlightSlot, int pass) {
    IDirect3DDevice8* device = Device();
    if (c->method != skinMethod) GenerateMesh(c);
    const bool night = lightList.IsNight() != 0;
    const DWORD influences = c->maxFaceInfluences > 0 ? c->maxFaceInfluences : 1;
    const D3DXMATRIX* offsets =
        c->boneOffsets ? static_cast<const D3DXMATRIX*>(c->boneOffsets->GetBufferPointer()) : nullptr;
    D3DXMATRIX frameWorld;
    device->GetTransform(D3DTS_WORLD, &frameWorld);

    struct Part {
        ID3DXMesh* mesh;
        ID3DXBuffer* table;
        DWORD first, last;
        DWORD blend;
    } parts[2];
    int partCount = 0;
    if (c->split) {
        parts[partCount++] = {c->meshes[1], c->boneCombinations[1], 0, c->splitGroup, 1};
        parts[partCount++] = {c->meshes[2], c->boneCombinations[2], c->splitGroup, c->attributeGroupCount[2],
                              influences - 1};
    } else {
        parts[partCount++] = {c->meshes[0], c->boneCombinations[0], 0, c->attributeGroupCount[0], influences - 1};
    }

    for (int pi = 0; pi < partCount; ++pi) {
        const Part& part = parts[pi];
        if (!part.mesh || !part.table) continue;
        const auto* table = static_cast<const D3DXBONECOMBINATION*>(part.table->GetBufferPointer());
        device->SetRenderState(D3DRS_VERTEXBLEND, part.blend);
        for (DWORD g = part.first; g < part.last; ++g) {
            for (DWORD i = 0; i < influences; ++i) {
                DWORD bone = table[g].BoneId ? table[g].BoneId[i] : UINT_MAX;
                D3DXMATRIX m = frameWorld;
                if (bone != UINT_MAX && bone < c->boneCount && offsets && bone < c->boneMatrices.size() &&
                    c->boneMatrices[bone])
                    m = offsets[bone] * *c->boneMatrices[bone];
                else if (i > 0)
                    continue;
                device->SetTransform(D3DTS_WORLDMATRIX(i), &m);
            }
            const DWORD a = table[g].AttribId < c->materialCount ? table[g].AttribId : 0;
            const int alpha = c->alphaFlags.empty() ? 0 : c->alphaFlags[a];
            if (pass == 1 && alpha) continue;
            if (pass == 2 && !alpha) continue;
            TEXTURE_ENTRY* entry = c->textures.empty() ? nullptr : c->textures[a];
            textureManager.SetEntryTexture(device, entry);
            if (c->colour1Flags[a]) {
                D3DMATERIAL8 m = ColourOnlyMaterial(colour1Value);
                device->SetMaterial(&m);
            } else if (c->colour2Flags[a]) {
                D3DMATERIAL8 m = ColourOnlyMaterial(colour2Value);
                device->SetMaterial(&m);
            } else {
                device->SetMaterial(&display.material);
            }
            if (alpha) {
                device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
                device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
                device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
            }
            part.mesh->DrawSubset(g);
            if (alpha) {
                RestoreState(device, D3DRS_ALPHABLENDENABLE);
                RestoreState(device, D3DRS_ALPHATESTENABLE);
                RestoreState(device, D3DRS_ZWRITEENABLE);
            }
            if (!highlightSlot && entry && entry->lighting && night) {
                device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
                device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
                device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
                device->SetRenderState(D3DRS_LIGHTING, FALSE);
                part.mesh->DrawSubset(g);
                RestoreState(device, D3DRS_ALPHABLENDENABLE);
                RestoreState(device, D3DRS_SRCBLEND);
                RestoreState(device, D3DRS_DESTBLEND);
                RestoreState(device, D3DRS_LIGHTING);
            }
            if (highlightSlot && !alpha) {
                device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
                device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
                device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
                device->SetRenderState(D3DRS_ZBIAS, 2);
                device->SetRenderState(D3DRS_LIGHTING, FALSE);
                device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
                textureManager.SetTexture(device, highlightSlot);
                part.mesh->DrawSubset(g);
                RestoreState(device, D3DRS_ALPHABLENDENABLE);
                RestoreState(device, D3DRS_SRCBLEND);
                RestoreState(device, D3DRS_DESTBLEND);
                RestoreState(device, D3DRS_ZBIAS);
                RestoreState(device, D3DRS_LIGHTING);
                RestoreState(device, D3DRS_ZWRITEENABLE);
            }
        }
    }
    device->SetRenderState(D3DRS_VERTEXBLEND, 0);
    device->SetTransform(D3DTS_WORLD, &frameWorld);
}
