// Objects placed on the terrain (plants, houses, industry, railway buildings,
// miscellaneous objects, lamps and signs) with their gates, the editor's
// operations on them, their drawing with merged plant geometry, and their
// section of the layout file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "world/gates.h"
#include "world/xobject.h"

struct LAMP_LIGHT;
struct DISPLAY_BUFFER;
struct XVERTEX;

// Record sizes of the placed-object section by file version.
constexpr int TERROBJ_RECORD_SIZE = 188;     // version 11, 13 and from 15 on
constexpr int TERROBJ_RECORD_SIZE_V14 = 168;  // version 14
constexpr int TERROBJ_RECORD_SIZE_OLD = 160;  // versions 10 and 12

// True for the types a placed object may have (2 to 7 and 14).
bool IsPlaceableType(int type);
// Record size of the placed-object section for a layout-file version.
int TerrobjRecordSize(int fileVersion);

// Turns (x, y) about (cx, cy) by angle degrees.
void RotatePointAroundCenter(float angle, float cx, float cy, float* x, float* y);

struct TERROBJ {
    TERROBJ();
    virtual ~TERROBJ();
    TERROBJ(const TERROBJ&) = delete;
    TERROBJ& operator=(const TERROBJ&) = delete;

    // Sets the record up for a type at a point: name, scale, sphere, lamp
    // colour, colours, the lamp light and, for gate objects, the gate; then
    // its effects (smoke, sound).
    void Init(int type, int objId, float x, float y, float height, float heading, float pitch, float roll);
    // Copies every stored field of another record; links, light and gate are
    // not copied (gate copied when withGate is set).
    void CopyFrom(const TERROBJ& other, bool withGate);
    void CreateEffects();
    void RemoveEffects();
    void AddLight();
    void FreeLight();
    void MoveLight();
    // The light this object made, when it still exists (a rebuilt light grid
    // frees every light).
    LAMP_LIGHT* LiveLight() const;
    // Height and tilt from the terrain at the current point and heading.
    void Refit();
    void Turn(int frameMs);
    void Render(float threshold, int pass);
    void UpdateSound();
    void SetColor1(unsigned colour);
    void SetColor2(unsigned colour);
    int HasObjectColour() const { return hasColour1; }
    int HasHouseColour() const { return hasColour2; }
    void SetMark(int mark) { controlMark = mark; }
    float DrawnHeight() const { return z + heightOffset; }

    // Layout-file form (little-endian, pointers as 4-byte placeholders). The
    // reader takes 160, 168 or 188 bytes (false for another size) and keeps
    // the fields as stored, except that numbers the program cannot compute
    // with and unterminated names are put back to usable values (*repaired
    // = 1 then); pointer fields are never taken.
    void ToBytes(uint8_t out[TERROBJ_RECORD_SIZE]) const;
    bool FromBytes(const uint8_t* in, int size, int* hasGateRecord, int* repaired = nullptr);

    TERROBJ* prev = nullptr;
    TERROBJ* next = nullptr;
    int type = 0;
    int objId = 0;
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float scale = 1.0f;
    float sphereCenter[3] = {};
    float radius = 0.0f;
    float unused[6] = {};
    float heading = 0.0f;
    int selected = 0;
    int inBatch = 0;
    int lampColour = 0;
    LAMP_LIGHT* light = nullptr;
    unsigned colour1 = 0;
    unsigned colour2 = 0;
    int hasColour1 = 0;
    int hasColour2 = 0;
    char name[28] = {};
    float heightOffset = 0.0f;
    CGates* gate = nullptr;
    int controlMark = 0;
    int serial = 0;
    float pitch = 0.0f;
    float roll = 0.0f;
    float targetHeading = 0.0f;
    float targetPitch = 0.0f;
    float targetRoll = 0.0f;
    float turnSpeed = 0.0f;
    uint8_t atTarget = 1;
};

class TERROBJ_LIST {
public:
    static constexpr int MAXBUFFERS = 10;
    static constexpr int MAXBATCHVERTICES = 30000;
    static constexpr int MAXBATCHINDICES = 77000;
    static constexpr int BATCHVERTEXSIZE = 32;
    static constexpr int PLANT_TEXTURE_SLOT = 3;

    TERROBJ_LIST();
    ~TERROBJ_LIST();
    TERROBJ_LIST(const TERROBJ_LIST&) = delete;
    TERROBJ_LIST& operator=(const TERROBJ_LIST&) = delete;

    TERROBJ* AddNew(int type, int objId, float x, float y, float height, float heading, float pitch, float roll);
    TERROBJ* AddLoadedTerrobj(const TERROBJ& record, const CGates* gate);
    void AddAnimatedPartner(TERROBJ* obj);
    void RemoveObject(TERROBJ* obj);
    void RemoveAll(int rebuild);
    TERROBJ* GetFirst() const { return head; }
    int Count() const;
    int Contains(const TERROBJ* obj) const;

    // Editor operations.
    void ClearSelection();
    void SelectInRect(int left, int top, int right, int bottom);
    TERROBJ* FindUnderCursor(int* type, int* objId, TERROBJ** record);
    void DeleteSelection();
    void MoveSelection(float dx, float dy);
    void RotateSelection(float angle, float cx, float cy);
    void SinkSelection(float amount);
    void CopySelection();
    void PasteSelection();
    void DrawSelectionMarks();
    void UpdateSelectedLights();
    int MarkControllable(int mark);
    void ClearMarks();
    int GetPasteCount() const { return pasteCount; }
    const TERROBJ* GetClipboard() const { return clipboard; }

    // Per frame.
    void Update();
    void UpdateBy(int frameMs);
    void Render(int pass);
    void DrawLabels();

    // Layout file.
    void NumberObjects();
    int Save(FILE* file);
    int Load(FILE* file);
    TERROBJ* FindBySerial(int serial) const;
    bool CheckObjects();
    void AddAllLights();
    void BuildBatches();
    void BuildShadowSprites();

    // Terrain changes.
    void UpdateHeights();
    void UpdateLights();

    // Merged plant geometry.
    void InitBatchBuffers();
    void ReleaseBatchBuffers();
    float GetCullThreshold() const { return cullThreshold; }
    void SetCullThreshold(float value);
    float GetBatchFillPercent() const { return batchFillPercent; }
    int GetBufferCount() const { return bufferCount; }
    int GetBatchFaces() const { return batchFaces; }
    int GetBufferVertexCount(int i) const { return (i >= 0 && i < bufferCount) ? bufVertexCount[i] : 0; }
    int GetBufferFaceCount(int i) const { return (i >= 0 && i < bufferCount) ? bufFaceCount[i] : 0; }
    const XVERTEX* GetBufferVertices(int i) const;
    const uint16_t* GetBufferIndices(int i) const;
    // Test hook: batching as if the device buffers existed.
    void SetBatchReadyForTest(int ready) { batchReady = ready; }

private:
    void LinkHead(TERROBJ* obj);
    void LinkTail(TERROBJ* obj);
    void Unlink(TERROBJ* obj);
    void FreeClipboard();
    void FreeSystemBuffers();
    bool AddRenderBuffer();
    bool MergePlant(TERROBJ* obj);
    void RenderBatches();

    TERROBJ* head = nullptr;
    TERROBJ* tail = nullptr;
    TERROBJ* clipboard = nullptr;
    float copyOriginX = 0.0f, copyOriginY = 0.0f;
    int pasteCount = 0;
    float lastPasteX = 0.0f, lastPasteY = 0.0f;
    DISPLAY_BUFFER* batchBuffer = nullptr;
    int maxVertices = MAXBATCHVERTICES;
    int maxIndices = MAXBATCHINDICES;
    int vertexBufferBytes = MAXBATCHVERTICES * BATCHVERTEXSIZE;
    int indexBufferBytes = MAXBATCHINDICES * 2;
    int batchReady = 0;
    int batchFaces = 0;
    int usedVertexBytes = 0;
    int usedIndexBytes = 0;
    int bufferCount = 0;
    std::unique_ptr<XVERTEX[]> sysVertices[MAXBUFFERS];
    std::unique_ptr<uint16_t[]> sysIndices[MAXBUFFERS];
    int bufVertexCount[MAXBUFFERS] = {};
    int bufFaceCount[MAXBUFFERS] = {};
    int batchDirty = 0;
    float cullThreshold = 0.005f;
    float batchFillPercent = 0.0f;
    long long totalVertexBytes = 0;
    long long totalIndexBytes = 0;
};

extern TERROBJ_LIST terrobjList;
