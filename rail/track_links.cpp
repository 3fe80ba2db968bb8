// The services of the terrain, lamps, placed objects, vehicles, object types
// and display that the track code uses, reached through one place, with the
// test hooks that stand in for the ground and the object meshes.
#include <cmath>
#include <cstring>
#include <map>
#include <vector>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "gfx/geometry.h"
#include "rail/track.h"
#include "rail/train.h"
#include "rail/xtrack.h"
#include "world/lightlist.h"
#include "world/terrain.h"
#include "world/terrobj.h"
#include "world/xobject.h"
#include "gfx/display.h"

namespace {
float (*groundHook)(float, float) = nullptr;
int pickHookSet = 0;
int pickHookAvailable = 0;
float pickHook[3] = {0, 0, 0};

struct TestMesh {
    std::vector<XVERTEX> vertices;
    std::vector<WORD> indices;
};
std::map<int, TestMesh>& TestMeshes() {
    static std::map<int, TestMesh> meshes;
    return meshes;
}

} // namespace

// ---------------------------------------------------------------------------
// Terrain, lamps, objects, vehicles

float TrackGroundHeight(float x, float y) {
    if (groundHook) return groundHook(x, y);
    return terrain.GetHeight(x, y, 0);
}

int TrackPickGround(float* x, float* y, float* z) {
    if (pickHookSet) {
        if (!pickHookAvailable) return 0;
        *x = pickHook[0];
        *y = pickHook[1];
        *z = pickHook[2];
        return 1;
    }
    return terrain.PickUnderMouse(x, y, z, 0);
}

int TrackGridView() { return terrain.IsGridView(); }

int TrackLitByLamp(float x, float y) { return lightList.IsLitByLamp(x, y); }

void TrackLightsOn(float x, float y) { lightList.SwitchOnNearLights(x, y); }

void TrackLightsOff() { lightList.SwitchOffNearLights(); }

float TrackMaxAscent() {
    float m = myGlobs.maxAscent;
    if (!(m >= 0.01f)) m = 0.01f;
    if (m > 0.1f) m = 0.1f;
    return m;
}

void TrackRemoveVehiclesOn(TRACK* p) { trainList.DeleteTrainsOnTrack(p); }

void TrackFormGroundUnder(const TRACK* p) {
    terrain.FormUnderPiece(p->x, p->y, p->z, p->length / 2.0f + 0.7f, 0.95f, p->heading, p->pitch);
}

void TrackFinishGroundForming() {
    terrain.ComputeNormals();
    terrain.BuildBlurTriangles();
    int w = 0, d = 0;
    terrain.GetTileCounts(&w, &d);
    for (int i = 0; i < w; i++)
        for (int j = 0; j < d; j++) terrain.RefreshTiles(i, j);
    terrobjList.UpdateHeights();
    terrobjList.UpdateLights();
}

void SetTrackGroundForTest(float (*height)(float x, float y)) { groundHook = height; }

void SetTrackPickForTest(int available, float x, float y, float z) {
    pickHookSet = 1;
    pickHookAvailable = available;
    pickHook[0] = x;
    pickHook[1] = y;
    pickHook[2] = z;
}

// ---------------------------------------------------------------------------
// Object meshes

void SetTrackObjectMeshForTest(int objId, const XVERTEX* v, int vertexCount, const WORD* idx, int faceCount) {
    if (!v) {
        TestMeshes().erase(objId);
        return;
    }
    TestMesh& m = TestMeshes()[objId];
    m.vertices.assign(v, v + vertexCount);
    m.indices.assign(idx, idx + faceCount * 3);
}

int TrackLockObjectMesh(int objId, const XVERTEX** v, int* vertexCount, const WORD** idx, int* faceCount) {
    auto it = TestMeshes().find(objId);
    if (it != TestMeshes().end()) {
        *v = it->second.vertices.data();
        *vertexCount = static_cast<int>(it->second.vertices.size());
        *idx = it->second.indices.data();
        *faceCount = static_cast<int>(it->second.indices.size() / 3);
        return 1;
    }
    if (!myGlobs.xIdTable || GetXID(objId, 0) < 0) return 0;
    XVERTEX* vv = nullptr;
    WORD* ii = nullptr;
    int vc = 0, fc = 0;
    if (!LockObjMesh(objId, &vv, &vc, &ii, &fc)) return 0;
    *v = vv;
    *vertexCount = vc;
    *idx = ii;
    *faceCount = fc;
    return 1;
}

void TrackUnlockObjectMesh(int objId) {
    if (TestMeshes().count(objId)) return;
    UnlockObjMesh(objId);
}

// ---------------------------------------------------------------------------
// Display

IDirect3DDevice8* TrackDevice() { return display.GetDevice(); }

// Sets a render state back to the value the display keeps as its default.
void TrackRestoreRenderState(D3DRENDERSTATETYPE state, DWORD fallback) {
    IDirect3DDevice8* device = TrackDevice();
    if (!device) return;
    (void)fallback;
    device->SetRenderState(state, display.GetDefaultRenderState(state));
}

int TrackCameraEye(D3DXVECTOR3* eye) {
    display.GetCamera(eye, nullptr, nullptr);
    return 1;
}

DISPLAY_BUFFER* TrackCreateBuffer(int vertexBytes, int indexBytes, DISPLAY_BUFFER* node) {
    if (!TrackDevice()) return nullptr;
    return display.AddVertexBuffer(TRACK_FVF, vertexBytes, indexBytes, 1, node);
}

void TrackReleaseBuffer(DISPLAY_BUFFER** node) {
    if (node && *node) display.RemoveVertexBuffer(node);
    if (node) *node = nullptr;
}

IDirect3DVertexBuffer8* TrackGetVB(DISPLAY_BUFFER* node) {
    return node ? display.GetVB(node) : nullptr;
}

IDirect3DIndexBuffer8* TrackGetIB(DISPLAY_BUFFER* node) {
    return node ? display.GetIB(node) : nullptr;
}

int TrackProjectToPixels(const D3DXVECTOR3& p, float* sx, float* sy) {
    IDirect3DDevice8* device = TrackDevice();
    if (!device) return 0;
    D3DMATRIX view, proj;
    D3DVIEWPORT8 vp;
    if (FAILED(device->GetTransform(D3DTS_VIEW, &view)) || FAILED(device->GetTransform(D3DTS_PROJECTION, &proj)) ||
        FAILED(device->GetViewport(&vp)))
        return 0;
    // Row vector times view, then times projection.
    float v[4] = {p.x, p.y, p.z, 1.0f}, t[4], c[4];
    for (int j = 0; j < 4; j++) t[j] = v[0] * view.m[0][j] + v[1] * view.m[1][j] + v[2] * view.m[2][j] + view.m[3][j];
    for (int j = 0; j < 4; j++)
        c[j] = t[0] * proj.m[0][j] + t[1] * proj.m[1][j] + t[2] * proj.m[2][j] + t[3] * proj.m[3][j];
    // Points at or behind the eye have no place on the screen.
    if (!(c[3] > 0.0f)) return 0;
    float w = static_cast<float>(vp.Width), h = static_cast<float>(vp.Height);
    *sx = c[0] / c[3] * w / 2.0f + w / 2.0f;
    *sy = h / 2.0f - c[1] / c[3] * h / 2.0f;
    return 1;
}

int TrackFillBuffer(DISPLAY_BUFFER* node, const void* v, int vertexBytes, const void* idx, int indexBytes) {
    IDirect3DVertexBuffer8* vb = TrackGetVB(node);
    IDirect3DIndexBuffer8* ib = TrackGetIB(node);
    if (!vb || !ib) return 0;
    BYTE* data = nullptr;
    if (FAILED(vb->Lock(0, 0, &data, 0)) || !data) return 0;
    std::memcpy(data, v, vertexBytes);
    vb->Unlock();
    data = nullptr;
    if (FAILED(ib->Lock(0, 0, &data, 0)) || !data) return 0;
    std::memcpy(data, idx, indexBytes);
    ib->Unlock();
    return 1;
}
