// Track meshes: generation of the track bed, tunnel and bridge of a type.
#include "rail/xtrack.h"

#include <cmath>

#include "app/startlog.h"

// Services of the display and the object types (track_links.cpp).
int TrackLockObjectMesh(int objId, const XVERTEX** v, int* vertexCount, const WORD** idx, int* faceCount);
void TrackUnlockObjectMesh(int objId);
DISPLAY_BUFFER* TrackCreateBuffer(int vertexBytes, int indexBytes, DISPLAY_BUFFER* node);
void TrackReleaseBuffer(DISPLAY_BUFFER** node);
int TrackFillBuffer(DISPLAY_BUFFER* node, const void* v, int vertexBytes, const void* idx, int indexBytes);
void TrackDrawBufferRange(DISPLAY_BUFFER* node, int firstVertex, int vertexCount, int firstIndex, int triangles);
void TrackDrawTypeBase(DISPLAY_BUFFER* node, int vertexCount, int triangles, int mode, int endPiece);
void TrackDrawTypeTunnel(DISPLAY_BUFFER* node, int firstVertex, int vertexCount, int firstIndex, int triangles);
void TrackDrawTypeBridge(DISPLAY_BUFFER* node, int firstVertex, int vertexCount, int firstIndex, int triangles);

namespace {
constexpr double PI = 3.14159265358979323846;
// The four edges across the piece: lateral place (for half-gauge 0.5), height
// and texture v.
constexpr float EDGE_Y[4] = {-0.25f, -0.2f, 0.2f, 0.25f};
constexpr float EDGE_Z[4] = {0.0f, -0.06f, -0.06f, 0.0f};
constexpr float EDGE_V[4] = {0.0f, 0.1f, 0.9f, 1.0f};

void LogWithName(const char* text, const char* name) {
    char line[160];
    JoinStrings(line, sizeof(line), text, name);
    WriteStartLog(line);
}

XVERTEX MakeVertex(float x, float y, float z, float u, float v) {
    XVERTEX r;
    r.x = x;
    r.y = y;
    r.z = z;
    r.nx = 0.0f;
    r.ny = 0.0f;
    r.nz = -1.0f;
    r.u = u;
    r.v = v;
    return r;
}
} // namespace

XTRACK::XTRACK() {}

XTRACK::~XTRACK() { ReleaseBuffers(); }

void XTRACK::ReleaseBuffers() {
    if (pBuffer) TrackReleaseBuffer(&pBuffer);
    pBuffer = nullptr;
}

int XTRACK::Generate(int newKind, const char* newName, float newLength, float newRadius, float newHalfGauge) {
    kind = newKind;
    CopyText(name, sizeof(name), newName ? newName : "");
    length = newLength;
    radius = newRadius;
    halfGauge = newHalfGauge;
    arcLength = static_cast<float>(radius * 2.0 * PI / 16.0);
    offsetX = offsetY = 0.0f;
    verticesWritten = indicesWritten = 0;

    switch (kind) {
    case 0:
    case 5:
        segments = static_cast<int>(std::lround(length));
        break;
    case 2:
        segments = static_cast<int>(std::lround(arcLength));
        break;
    case 3:
    case 4:
        segments = 2 * static_cast<int>(std::lround(length));
        break;
    default:
        segments = 1;
        break;
    }
    if (segments < 1) segments = 1;

    int bufferMade = CreateBase();
    if (bufferMade < 0) {
        LogWithName("Could not generate track!!!: ", name);
        return 0;
    }
    switch (kind) {
    case 0:
    case 5:
        arcLength = length;
        mirror = 0;
        BuildStraight(length, halfGauge, 1.0f);
        break;
    case 2:
        length = arcLength;
        mirror = 0;
        BuildCurve(radius);
        break;
    default:
        mirror = (kind == 4) ? 1 : 0;
        BuildCurve(radius);
        offsetX -= length / 2.0f;
        BuildStraight(length, halfGauge, 0.8f);
        break;
    }
    int tunnel = AddTunnel();
    int bridge = AddBridge();
    int uploaded = bufferMade ? UploadBuffers() : 0;
    if (tunnel && bridge && uploaded) {
        LogWithName("Track successfully generated: ", name);
        return 1;
    }
    LogWithName("Could not generate track!!!: ", name);
    return 0;
}

// Sizes the mesh and creates the buffer pair. Answers 1 when the buffers
// exist, 0 when the display refused them (the mesh is still built in memory),
// -1 for an unknown kind.
int XTRACK::CreateBase() {
    tunnelObjVertices = tunnelObjFaces = bridgeObjVertices = bridgeObjFaces = 0;
    const XVERTEX* v;
    const WORD* idx;
    if (TrackLockObjectMesh(TUNNEL_OBJID, &v, &tunnelObjVertices, &idx, &tunnelObjFaces))
        TrackUnlockObjectMesh(TUNNEL_OBJID);
    else
        tunnelObjVertices = tunnelObjFaces = 0;
    if (TrackLockObjectMesh(BRIDGE_OBJID, &v, &bridgeObjVertices, &idx, &bridgeObjFaces))
        TrackUnlockObjectMesh(BRIDGE_OBJID);
    else
        bridgeObjVertices = bridgeObjFaces = 0;
    int tunnelV = tunnelObjVertices * segments, tunnelI = tunnelObjFaces * 3 * segments;
    int bridgeV = bridgeObjVertices * segments, bridgeI = bridgeObjFaces * 3 * segments;
    switch (kind) {
    case 0:
    case 5:
        baseTriangles = 6;
        baseVertices = 8;
        break;
    case 2:
        baseTriangles = 24;
        baseVertices = 20;
        break;
    case 3:
    case 4:
        baseTriangles = 30;
        baseVertices = 28;
        break;
    default:
        WriteStartLog("Wrong type in XTRACK::CreateBase()!");
        return -1;
    }
    tunnelTriangles = tunnelVertices = bridgeTriangles = bridgeVertices = 0;
    vertices.assign(static_cast<size_t>(baseVertices + tunnelV + bridgeV), XVERTEX{});
    indices.assign(static_cast<size_t>(3 * baseTriangles + tunnelI + bridgeI), 0);
    ReleaseBuffers();
    pBuffer = TrackCreateBuffer(32 * static_cast<int>(vertices.size()), 2 * static_cast<int>(indices.size()), nullptr);
    if (!pBuffer) {
        WriteStartLog("Unable to create pMeshVB in XTRACK::CreateBase()!");
        return 0;
    }
    return 1;
}

void XTRACK::BuildStraight(float l, float h, float f) {
    int b = verticesWritten;
    if (b + 8 > static_cast<int>(vertices.size()) || indicesWritten + 18 > static_cast<int>(indices.size())) return;
    float x0 = -1.01f * l / 2.0f, x1 = 1.01f * l / 2.0f;
    float u1 = 2.0f * 1.01f * l;
    float outer = h / 2.0f, inner = 0.8f * h / 2.0f;
    XVERTEX* o = &vertices[b];
    o[0] = MakeVertex(x0, -outer, 0.0f, 0.0f, EDGE_V[0]);
    o[1] = MakeVertex(x1, -outer, 0.0f, u1, EDGE_V[0]);
    o[2] = MakeVertex(x0, outer, 0.0f, 0.0f, EDGE_V[3]);
    o[3] = MakeVertex(x1, outer, 0.0f, u1, EDGE_V[3]);
    o[4] = MakeVertex(x0, -inner, f * -0.06f, 0.0f, EDGE_V[1]);
    o[5] = MakeVertex(x1, -inner, -0.06f, u1, EDGE_V[1]);
    o[6] = MakeVertex(x0, inner, f * -0.06f, 0.0f, EDGE_V[2]);
    o[7] = MakeVertex(x1, inner, -0.06f, u1, EDGE_V[2]);
    for (int i = 0; i < 8; i++) {
        o[i].x -= offsetX;
        o[i].y += mirror ? offsetY : -offsetY;
    }
    static const int tri[18] = {0, 4, 1, 4, 5, 1, 4, 6, 5, 6, 7, 5, 6, 2, 7, 2, 3, 7};
    for (int i = 0; i < 18; i++) indices[indicesWritten + i] = static_cast<WORD>(b + tri[i]);
    verticesWritten += 8;
    indicesWritten += 18;
}

void XTRACK::BuildCurveRow(float r, float phi, XVERTEX out[4]) const {
    float u = static_cast<float>(std::round(r * phi * 32.0 / PI / 5.5 / 0.25) * 0.25);
    for (int k = 0; k < 4; k++) {
        double rr = r - EDGE_Y[k];
        out[k] = MakeVertex(static_cast<float>(rr * std::sin(phi)), static_cast<float>(r - rr * std::cos(phi)),
                            EDGE_Z[k], u, EDGE_V[k]);
    }
}

void XTRACK::BuildCurve(float r) {
    int b = verticesWritten;
    if (b + 20 > static_cast<int>(vertices.size()) || indicesWritten + 72 > static_cast<int>(indices.size())) return;
    for (int i = 0; i < 5; i++) BuildCurveRow(r, -0.001f + 0.0992f * i, &vertices[b + i * 4]);
    offsetX = static_cast<float>(r * std::sin(0.1984));
    offsetY = static_cast<float>(r * (1.0 - std::cos(0.1984)));
    for (int i = 0; i < 20; i++) {
        XVERTEX& v = vertices[b + i];
        v.x -= offsetX;
        v.y -= offsetY;
        if (mirror) v.y = -v.y;
    }
    static const int tri[18] = {0, 1, 4, 1, 5, 4, 1, 2, 5, 2, 6, 5, 2, 3, 6, 3, 7, 6};
    int n = indicesWritten;
    for (int span = 0; span < 4; span++) {
        int s = b + span * 4;
        for (int t = 0; t < 6; t++) {
            int c0 = tri[t * 3], c1 = tri[t * 3 + 1], c2 = tri[t * 3 + 2];
            if (mirror) std::swap(c1, c2);
            indices[n++] = static_cast<WORD>(s + c0);
            indices[n++] = static_cast<WORD>(s + c1);
            indices[n++] = static_cast<WORD>(s + c2);
        }
    }
    verticesWritten += 20;
    indicesWritten += 72;
}

void XTRACK::BendPoint(int part, float d, float c, float* dx, float* dy) const {
    *dx = 0.0f;
    *dy = 0.0f;
    if (kind == 0 || kind == 1 || kind == 5) return;
    if ((kind == 3 || kind == 4) && part == 2) {
        *dx = -offsetX;
        *dy = mirror ? offsetY : -offsetY;
        return;
    }
    if (!(radius > 0.0f)) return;
    double g = d / radius;
    if (kind == 4) {
        double e = c + radius;
        *dx = static_cast<float>(e * std::sin(g) - d);
        *dy = static_cast<float>(e * std::cos(g) - e + offsetY);
    } else {
        double e = radius - c;
        *dx = static_cast<float>(e * std::sin(g) - d);
        *dy = static_cast<float>(e - e * std::cos(g) - offsetY);
    }
}

int XTRACK::AddBentObject(int objId, int firstVertex, int* outVertices, int* outTriangles) {
    *outVertices = *outTriangles = 0;
    const XVERTEX* ov = nullptr;
    const WORD* oi = nullptr;
    int ovc = 0, ofc = 0;
    if (!TrackLockObjectMesh(objId, &ov, &ovc, &oi, &ofc) || !ov || !oi) return 0;
    int expectedV = (objId == TUNNEL_OBJID) ? tunnelObjVertices : bridgeObjVertices;
    int expectedF = (objId == TUNNEL_OBJID) ? tunnelObjFaces : bridgeObjFaces;
    // The buffer was sized from the counts read at creation; a mesh that
    // changed since does not fit.
    if (ovc != expectedV || ofc != expectedF || firstVertex + ovc * segments > static_cast<int>(vertices.size()) ||
        indicesWritten + ofc * 3 * segments > static_cast<int>(indices.size()) ||
        firstVertex + ovc * segments > 65536) {
        TrackUnlockObjectMesh(objId);
        return 0;
    }
    bool isSwitch = (kind == 3 || kind == 4);
    int n = segments;
    int divisor = isSwitch ? 4 : 2;
    float startOffset = 0.0f;
    for (int i = 0; i < n; i++) {
        bool firstHalf = i < n / 2;
        float s;
        if (isSwitch) s = firstHalf ? arcLength / (n / 2) : length / (n / 2);
        else s = length / n;
        int k = isSwitch ? (firstHalf ? i - n / 4 : i - n / 2 - n / 4) : i - n / 2;
        bool multiple = (n % divisor) == 0;
        if (multiple && k >= 0) k++;
        float c;
        if (!multiple) c = static_cast<float>(k);
        else c = (k < 0) ? k + 0.5f : k - 0.5f;
        if (i == 0 || (isSwitch && i == n / 2)) startOffset = (c - 0.5f) * s;
        int part = (!isSwitch || firstHalf) ? 1 : 2;
        XVERTEX* out = &vertices[firstVertex + i * ovc];
        for (int j = 0; j < ovc; j++) {
            XVERTEX v = ov[j];
            v.x = v.x * s + s * c;
            float dx, dy;
            BendPoint(part, v.x - startOffset, v.y, &dx, &dy);
            v.x += dx;
            v.y += dy;
            out[j] = v;
        }
        for (int j = 0; j < ofc * 3; j++) {
            int index = oi[j];
            if (index >= ovc) index = 0; // a broken index stays inside the object
            indices[indicesWritten++] = static_cast<WORD>(index + firstVertex + i * ovc);
        }
    }
    TrackUnlockObjectMesh(objId);
    *outVertices = ovc * n;
    *outTriangles = ofc * n;
    verticesWritten += ovc * n;
    return 1;
}

int XTRACK::AddTunnel() {
    if (!AddBentObject(TUNNEL_OBJID, baseVertices, &tunnelVertices, &tunnelTriangles)) {
        WriteStartLog("Unable to lock the TUNNEL data in XTRACK::AddTunnel() !!!");
        return 0;
    }
    return 1;
}

int XTRACK::AddBridge() {
    if (!AddBentObject(BRIDGE_OBJID, baseVertices + tunnelVertices, &bridgeVertices, &bridgeTriangles)) {
        WriteStartLog("Unable to lock the BRIDGE data in XTRACK::AddBridge() !!!");
        return 0;
    }
    return 1;
}

int XTRACK::UploadBuffers() {
    if (!pBuffer || vertices.empty()) return 0;
    return TrackFillBuffer(pBuffer, vertices.data(), 32 * static_cast<int>(vertices.size()), indices.data(),
                           2 * static_cast<int>(indices.size()));
}

void XTRACK::Render(int mode) {
    if (!pBuffer || baseTriangles <= 0) return;
    TrackDrawTypeBase(pBuffer, baseVertices, baseTriangles, mode, kind == 5);
}

void XTRACK::RenderTunnel() {
    if (!pBuffer || tunnelTriangles <= 0) return;
    TrackDrawTypeTunnel(pBuffer, baseVertices, tunnelVertices, 3 * baseTriangles, tunnelTriangles);
}

void XTRACK::RenderBridge() {
    if (!pBuffer || bridgeTriangles <= 0) return;
    TrackDrawTypeBridge(pBuffer, baseVertices + tunnelVertices, bridgeVertices,
                        3 * baseTriangles + 3 * tunnelTriangles, bridgeTriangles);
}

void XTRACK::GetValues(float* outLength, float* outArc, float* outRadius, float* outOffsetX,
                       float* outOffsetY) const {
    if (outLength) *outLength = length;
    if (outArc) *outArc = arcLength;
    if (outRadius) *outRadius = radius;
    if (outOffsetX) *outOffsetX = offsetX;
    if (outOffsetY) *outOffsetY = offsetY;
}

void XTRACK::GetBaseCounts(int* outVertices, int* outIndices, int* outTriangles) const {
    if (outVertices) *outVertices = baseVertices;
    if (outIndices) *outIndices = 3 * baseTriangles;
    if (outTriangles) *outTriangles = baseTriangles;
}

int XTRACK::LockBase(const XVERTEX** vertexData, const WORD** indexData) const {
    if (vertices.empty() || indices.empty()) return 0;
    if (vertexData) *vertexData = vertices.data();
    if (indexData) *indexData = indices.data();
    return 1;
}

void XTRACK::GetTunnelCounts(int* outVertices, int* outTriangles) const {
    if (outVertices) *outVertices = tunnelVertices;
    if (outTriangles) *outTriangles = tunnelTriangles;
}

void XTRACK::GetBridgeCounts(int* outVertices, int* outTriangles) const {
    if (outVertices) *outVertices = bridgeVertices;
    if (outTriangles) *outTriangles = bridgeTriangles;
}
