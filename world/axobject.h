// Animated object types: .x files with a frame hierarchy, skinned meshes and
// animation keys (XANIMMESH), held by an AXOBJECT per animated type.
#pragma once

#include <string>
#include <vector>

#include "platform/d3d8.h"
#include "platform/d3dx8math.h"
#include "world/xobject.h"

struct ID3DXMesh;
struct ID3DXSkinMesh;
struct ID3DXBuffer;
struct IDirectXFileData;
struct TEXTURE_ENTRY;

constexpr int MAXANIMSETS = 32;

// Animation keys; times are the file's unsigned tick values.
struct ROTATE_KEY {
    DWORD time;
    D3DXQUATERNION quaternion;  // x, y, z, w
};
struct SCALE_KEY {
    DWORD time;
    D3DXVECTOR3 scale;
};
struct POSITION_KEY {
    DWORD time;
    D3DXVECTOR3 position;
};
struct MATRIX_KEY {
    DWORD time;
    D3DXMATRIX matrix;
};

// One Mesh data object of an animated file, prepared for blended skinning.
struct XMESHCONTAINER {
    XMESHCONTAINER() = default;
    ~XMESHCONTAINER();
    XMESHCONTAINER(const XMESHCONTAINER&) = delete;
    XMESHCONTAINER& operator=(const XMESHCONTAINER&) = delete;
    void ReleaseDeviceMeshes();

    ID3DXSkinMesh* skinMesh = nullptr;
    // The whole blended mesh, or the two parts of a split one.
    ID3DXMesh* meshes[3] = {};
    std::vector<D3DMATERIAL8> materials;
    std::vector<TEXTURE_ENTRY*> textures;
    std::vector<int> colour1Flags;
    std::vector<int> colour2Flags;
    std::vector<int> alphaFlags;
    DWORD materialCount = 0;
    // Bone combinations of each device mesh (attribute groups).
    ID3DXBuffer* boneCombinations[3] = {};
    DWORD attributeGroupCount[3] = {};
    ID3DXBuffer* boneNames = nullptr;
    ID3DXBuffer* boneOffsets = nullptr;
    std::vector<D3DXMATRIX*> boneMatrices;  // world matrices of the bone frames
    DWORD boneCount = 0;
    DWORD maxFaceInfluences = 0;
    int split = 0;       // meshes[1] and meshes[2] hold the parts
    DWORD splitGroup = 0;  // first attribute group of the second part
    int method = -1;     // skinning method the device meshes were built with
    std::vector<DWORD> adjacency;
    XMESHCONTAINER* next = nullptr;
};

// One node of the hierarchy; animated frames (one per Animation object) carry
// the keys and point at the frame they drive.
struct XFRAME {
    XFRAME();
    ~XFRAME();
    XFRAME(const XFRAME&) = delete;
    XFRAME& operator=(const XFRAME&) = delete;

    XFRAME* FindFrame(const char* frameName);
    void AddFrame(XFRAME* child);
    void AddMeshContainer(XMESHCONTAINER* container);
    // Computes the frame's local matrix at the time and stores it in the
    // target; returns 1 when the time has passed the frame's end.
    int SetTime(float time, const char* stateText, float* length, D3DXMATRIX* matrix);
    // The largest key time over every key group (0 without keys).
    DWORD GetLastKeyTime() const;
    bool HasKeys() const {
        return !rotateKeys.empty() || !scaleKeys.empty() || !positionKeys.empty() || !matrixKeys.empty();
    }

    XMESHCONTAINER* meshContainers = nullptr;
    D3DXMATRIX loadedMatrix;
    D3DXMATRIX localMatrix;
    D3DXMATRIX worldMatrix;
    XFRAME* sibling = nullptr;
    XFRAME* firstChild = nullptr;
    std::string name;
    int isAnimationSet = 0;
    XFRAME* target = nullptr;
    XFRAME* nextAnim = nullptr;  // next animated frame of the same set (not owned)
    std::vector<ROTATE_KEY> rotateKeys;
    std::vector<SCALE_KEY> scaleKeys;
    std::vector<POSITION_KEY> positionKeys;
    std::vector<MATRIX_KEY> matrixKeys;
};

struct XANIMMESH {
    XANIMMESH();
    ~XANIMMESH();
    XANIMMESH(const XANIMMESH&) = delete;
    XANIMMESH& operator=(const XANIMMESH&) = delete;

    XFRAME* FindFrame(const char* frameName);
    void AddAnimFrame(XFRAME* frame);
    XFRAME* FindAnimFrame(const char* animName);
    // Starts the next animation-set entry; false when the table is full.
    bool BeginAnimSet();
    void ComputeSetLengths();

    XFRAME* root = nullptr;
    D3DXVECTOR3 sphereCentre{0.0f, 0.0f, 0.0f};
    float sphereRadius = 1.0f;
    std::string path;
    XFRAME* animSets[MAXANIMSETS] = {};
    float setLengths[MAXANIMSETS] = {};
    int animSetCount = 0;  // entries in use; the last one is the current set
};

// Named state of an animated type (the animation name with its state text
// and speed factor).
struct XSTATE {
    char name[64] = {};
    char text[32] = {};
    float value = 0.0f;
    XSTATE* next = nullptr;
};

// An animated type: an XOBJECT with its animated mesh.
struct AXOBJECT : public XOBJECT {
    AXOBJECT();
    ~AXOBJECT() override;

    HRESULT LoadAnimatedMesh(const char* path);
    HRESULT LoadFrames(IDirectXFileData* data, XFRAME* parent);
    HRESULT LoadAnimationSet(IDirectXFileData* data, XFRAME* parent);
    HRESULT LoadAnimation(IDirectXFileData* data, XFRAME* parent);
    HRESULT LoadMesh(IDirectXFileData* data, XFRAME* parent);
    HRESULT GenerateMesh(XMESHCONTAINER* container);
    void DrawHierarchy(unsigned int colour1Value, unsigned int colour2Value, int highlightSlot, int pass);

    void AppendXstate(const char* stateName, const char* text, float value);
    // "????" as the text when no state has the name.
    void FindXstate(const char* stateName, char* text, int textSize, float* value) const;

    D3DXVECTOR3 unusedVector{0.0f, 0.0f, 0.0f};
    AXOBJECT* next = nullptr;
    int skinMethod = 0;
    DWORD vertexFormat = 0x152;
    XANIMMESH* animMesh = nullptr;
    float animScale = 1.0f;
    XSTATE* xStates = nullptr;
    void* envirPhases = nullptr;    // transition tables: not used, always empty
    void* commandPhases = nullptr;
    void* autoPhases = nullptr;
    char firstAnimation[64] = {};
    char colourTexture1[64] = {};
    char colourTexture2[64] = {};

private:
    void FreeStates();
    void UpdateFrames(XFRAME* frame, const D3DXMATRIX& parent);
    void DrawFrame(XFRAME* frame, unsigned int colour1Value, unsigned int colour2Value, int highlightSlot,
                   int pass);
    void DrawContainer(XMESHCONTAINER* container, unsigned int colour1Value, unsigned int colour2Value,
                       int highlightSlot, int pass);
    void ComputeBoundingSphere();
};

class AXOBJECT_LIST {
public:
    AXOBJECT_LIST();
    ~AXOBJECT_LIST();
    AXOBJECT_LIST(const AXOBJECT_LIST&) = delete;
    AXOBJECT_LIST& operator=(const AXOBJECT_LIST&) = delete;

    int AddOneAXObject(const char* path, const char* displayName, int objId, float scale, float vehicleValue,
                       int vehicleParam, const char* colourTexture1, const char* colourTexture2,
                       unsigned int colour1, unsigned int colour2);
    AXOBJECT* FindByObjId(int objId) const;
    // Frees every animated type (shut-down and tests).
    void RemoveAll();

    AXOBJECT* head = nullptr;
    int count = 0;
};

extern AXOBJECT_LIST axobjectList;

// Local matrix of an animated frame at a time, from its keys (the pure part
// of XFRAME::SetTime). Returns 1 when the time has passed the end; `length`
// receives the frame's end time.
int ComputeFrameMatrix(const XFRAME& frame, float time, const char* stateText, float* length,
                       D3DXMATRIX* matrix);
