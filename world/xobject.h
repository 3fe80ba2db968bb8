// Object types read from the X file lists: the XOBJECT record with its mesh,
// the objId -> X_ID table and the per-objId accessors.
#pragma once

#include "platform/d3d8.h"
#include "platform/d3dx8math.h"

struct ID3DXMesh;
struct TEXTURE_ENTRY;

enum OBJTYPE {
    SCREENOBJ_TYPE = 0, TRACK_TYPE = 1, PLANT_TYPE = 2, HOUSE_TYPE = 3, INDUSTRY_TYPE = 4, RAILWAY_TYPE = 5,
    MISC_TYPE = 6, LAMP_TYPE = 7, ENGINE_TYPE = 8, CWAGON_TYPE = 9, PWAGON_TYPE = 10, ENVIR_TYPE = 11,
    DUMMY_TYPE = 12, ANIMATED_TYPE = 13, SIGN_TYPE = 14
};
constexpr int MAXIDS = 15000;
constexpr int MAXXOBJECTS = 1500;
constexpr int MAXXSUBSETS = 250;     // materials a mesh may carry
constexpr int MAXREPLACEMENTS = 5;   // texture replacement pairs of one type
constexpr int MAXOBJPOINTS = 10;

// The vertex every converted mesh is walked as: position, normal, one texture
// coordinate (32 bytes).
struct XVERTEX {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
constexpr DWORD XVERTEX_FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

struct TEXTURE_REPLACEMENT {
    TEXTURE_ENTRY* replaced = nullptr;
    TEXTURE_ENTRY* replacement = nullptr;
};

// One object type.
struct XOBJECT {
    XOBJECT();
    virtual ~XOBJECT();
    XOBJECT(const XOBJECT&) = delete;
    XOBJECT& operator=(const XOBJECT&) = delete;

    // Frees the materials, textures and the own mesh and takes the mesh out of
    // the loader totals. Safe to call more than once.
    void Release();

    int Setup(const char* fileName, const char* name, int type, int objId, float scale, int vehicleValue,
              int vehicleParam, const char* colourTexture1, const char* colourTexture2, unsigned int colour1,
              unsigned int colour2, const char* reference, int traction, int animated, float vehicleLength2);
    int Init(const char* path, float scale, const char* colourTexture1, const char* colourTexture2, int animated);
    bool LoadTextureReplacement(int objId);
    TEXTURE_ENTRY* GetReplacementTexture(TEXTURE_ENTRY* entry) const;
    void Draw(unsigned int colour1, unsigned int colour2, int pass, int highlight, int highlightKind,
              int textureOverride);
    int LockMesh(XVERTEX** vertices, int* vertexCount, WORD** indices, int* faceCount);
    void UnlockMesh();

    int GetObjId() const { return objId; }
    int GetType() const { return type; }
    float GetBoundingRadius() const { return sphereRadius; }
    D3DXVECTOR3 GetBoundingCenter() const { return sphereCentre; }
    D3DXVECTOR3 GetBoundingBoxMin() const { return boxMin; }
    D3DXVECTOR3 GetBoundingBoxMax() const { return boxMax; }
    const char* GetDisplayName() const { return name; }
    float GetHalfLength() const { return halfLength; }
    int GetVehicleParam() const { return vehicleParam; }
    int GetLightColour() const { return lampColour; }
    int HasColour1Texture() const { return hasColour1; }
    int HasColour2Texture() const { return hasColour2; }
    unsigned int GetColour1() const { return colour1; }
    unsigned int GetColour2() const { return colour2; }
    // Point n of the engine spot list; 0 when n is not below pointCount.
    int GetPoint(int n, D3DXVECTOR3* out) const;
    void GetSize(float* out) const { if (out) { out[0] = sizeX; out[1] = sizeY; } }

    int type = PLANT_TYPE;
    int objId = 0;
    bool useReference = false;
    int referenceXID = -1;
    int controlCode = -1;
    char name[128] = {};
    ID3DXMesh* mesh = nullptr;
    ID3DXMesh* referenceMesh = nullptr;
    DWORD subsetCount = 0;
    D3DMATERIAL8* materials = nullptr;
    TEXTURE_ENTRY** textures = nullptr;
    DWORD vertexCount = 0;
    DWORD indexCount = 0;
    int colour1Subset[MAXXSUBSETS] = {};
    int colour2Subset[MAXXSUBSETS] = {};
    int hasColour1 = 0;
    int hasColour2 = 0;
    int alphaSubset[MAXXSUBSETS] = {};
    int lightingSubset[MAXXSUBSETS] = {};
    unsigned int colour1 = 0;
    unsigned int colour2 = 0;
    int notPlant = 1;
    int drawVertexCount = 0;
    D3DXVECTOR3 sphereCentre{0.0f, 0.0f, 0.0f};
    float sphereRadius = 0.0f;
    int* keepMaterial = nullptr;
    int lampColour = 0;
    int animMode = 0;
    D3DXVECTOR3 boxMin{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 boxMax{0.0f, 0.0f, 0.0f};
    float sizeX = 0.0f;
    float sizeY = 0.0f;
    float halfLength = 0.0f;
    int vehicleParam = 0;
    int traction = 22;
    D3DXVECTOR3 points[MAXOBJPOINTS] = {};
    int pointCount = 0;
    D3DXVECTOR3 engineSpot{0.0f, 0.0f, 0.0f};
    int hasEngineSpot = 0;
    char lightPosition[64] = "-";
    int useAngleXZ = 0;
    int hasSound = 0;
    int soundId = 0;
    int blinker = 0;
    int blinkPeriod = 0;
    TEXTURE_REPLACEMENT replacements[MAXREPLACEMENTS] = {};
    int replacementCount = 0;
    float vehicleLength2 = -1.0f;

    // Materials read from the file (the per-material arrays hold this many;
    // the per-subset flags cover the first MAXXSUBSETS of them).
    DWORD materialCount = 0;

protected:
    // Returns every field to its constructed value (the slot is reused).
    void ResetFields();
    // Draws this record's subsets; replacementOwner supplies the texture
    // replacements (a type drawing a borrowed record passes itself).
    void DrawRecord(const XOBJECT* replacementOwner, unsigned int colour1, unsigned int colour2, int pass,
                    int highlight, int highlightKind, int textureOverride);
};

// Loading of the X file lists, one row per call (loading state).
int InitXobjects();
int ReadXFileListRow(const char* path);
// Loader state back to its start (tests).
void ResetXobjectLoader();
// Type number of a column-1 token.
int DetObjType(const char* name);

// The objId -> X_ID table.
void BuildIdTable();
void ClearIdTable();
void SetXID(int objId, int xid);
// With log set, the first miss of an id writes a start-log line; later misses
// of the same id stay quiet until the table is rebuilt or a layout is loaded.
int GetXID(int objId, int log);
void ResetXIDMissLog();

// Per-objId accessors; each answers a fixed value for an objId without a
// loaded type.
int GetObjRadius(int objId, float* radius);
int GetObjHalfLength(int objId, float* halfLength);
void GetObjSize(int objId, float* size);
int GetObjSphereCenter(int objId, D3DXVECTOR3* centre);
void GetObjBoxMin(int objId, D3DXVECTOR3* out);
void GetObjBoxMax(int objId, D3DXVECTOR3* out);
void GetObjName(int objId, char* out, int outSize = 128);
int GetObjPoint(int objId, int n, D3DXVECTOR3* out);
int GetObjTraction(int objId);
int GetObjVehicleParam(int objId, int* out);
int GetObjType(int objId, int* out);
int GetObjLightColour(int objId, int* out);
int GetObjAnimMode(int objId);
int HasObjColour1Texture(int objId);
int HasObjColour2Texture(int objId);
unsigned int GetObjColour1(int objId);
unsigned int GetObjColour2(int objId);
int GetObjHasSound(int objId);
int GetObjSoundId(int objId);
int HasObjControl(int objId);
int GetObjLightPosition(int objId, int* flag, float* offset);
int LockObjMesh(int objId, XVERTEX** vertices, int* vertexCount, WORD** indices, int* faceCount);
int UnlockObjMesh(int objId);
// Reads a lamp's light position token ("-" or "LPOS" + three characters of
// number + one flag character).
void ParseLightPosition(const char* token, int* flag, float* offset);

// Textures of object meshes through the texture manager: an entry already
// loaded under the name (compared without case), or the entry for a file.
TEXTURE_ENTRY* FindLoadedTexture(const char* name);
TEXTURE_ENTRY* LoadObjectTexture(const char* name);

// Draws a type with the current world transform; -1 for an objId without a
// loaded type.
int DrawXObject(int objId, int pass, unsigned int colour1, unsigned int colour2, int highlight, int highlightKind,
                int textureOverride);
// The X_ID that a blinking type shows at a time (itself or the next type).
int DetBlinkXID(int xid, int time);

int GetObjTypeById(int objId);
int GetObjTerrainFlag(int objId);
int IsObjIdIn3800Group(int objId);
int IsObjIdIn1250Group(int objId);
