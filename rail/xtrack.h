// Generated track meshes: a track bed laid along a straight, a 22.5-degree arc
// or both (switches), with a tunnel and a bridge made by bending scenery
// objects along the piece.
#pragma once

#include <vector>

#include "platform/win32.h"
#include "world/xobject.h"

struct DISPLAY_BUFFER;

constexpr DWORD TRACK_FVF = 274; // XYZ | NORMAL | TEX1, 32 bytes
constexpr int TUNNEL_OBJID = 51;
constexpr int BRIDGE_OBJID = 54;
constexpr int BUFFERSTOP_OBJID = 550;

class XTRACK {
public:
    XTRACK();
    ~XTRACK();
    XTRACK(const XTRACK&) = delete;
    XTRACK& operator=(const XTRACK&) = delete;

    int Generate(int newKind, const char* newName, float newLength, float newRadius, float newHalfGauge);
    int CreateBase();
    void BuildStraight(float l, float h, float f);
    void BuildCurve(float r);
    void BuildCurveRow(float r, float phi, XVERTEX out[4]) const;
    int AddTunnel();
    int AddBridge();
    void BendPoint(int part, float d, float c, float* dx, float* dy) const;

    void Render(int mode);
    void RenderTunnel();
    void RenderBridge();

    void GetValues(float* outLength, float* outArc, float* outRadius, float* outOffsetX, float* outOffsetY) const;
    const char* GetName() const { return name; }
    int GetKind() const { return kind; }
    void GetBaseCounts(int* vertices, int* indices, int* triangles) const;
    // The base mesh in memory (vertices, then 3 x base triangles indices).
    int LockBase(const XVERTEX** vertexData, const WORD** indexData) const;
    void UnlockBase() const {}

    int GetSegmentCount() const { return segments; }
    void GetTunnelCounts(int* vertices, int* triangles) const;
    void GetBridgeCounts(int* vertices, int* triangles) const;
    const std::vector<XVERTEX>& GetVertices() const { return vertices; }
    const std::vector<WORD>& GetIndices() const { return indices; }
    // Copies the built mesh into the display buffers (again after a reset).
    int UploadBuffers();
    void ReleaseBuffers();

private:
    int AddBentObject(int objId, int firstVertex, int* outVertices, int* outTriangles);

    int kind = 0;
    char name[64] = {};
    float length = 0.0f;
    float arcLength = 0.0f;
    float radius = 0.0f;
    float halfGauge = 0.5f;
    int mirror = 0;
    float offsetX = 0.0f;
    float offsetY = 0.0f;
    DISPLAY_BUFFER* pBuffer = nullptr;
    int baseTriangles = 0;
    int baseVertices = 0;
    int tunnelTriangles = 0;
    int tunnelVertices = 0;
    int bridgeTriangles = 0;
    int bridgeVertices = 0;
    int segments = 1;
    int verticesWritten = 0;
    int indicesWritten = 0;

    // The mesh in memory: [base | tunnel | bridge] for both arrays.
    std::vector<XVERTEX> vertices;
    std::vector<WORD> indices;
    int tunnelObjVertices = 0, tunnelObjFaces = 0;
    int bridgeObjVertices = 0, bridgeObjFaces = 0;
};
