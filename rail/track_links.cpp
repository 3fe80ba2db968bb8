// The services of the terrain, lamps, placed objects, vehicles, object types
// and display that the track code uses, reached through one place.
//
// Some of these managers grow their members while the program is assembled;
// each call is made through a small template that uses the member when the
// manager has it and a neutral answer otherwise, so that the track code keeps
// building against every state of them.
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
#if __has_include("gfx/display.h")
#include "gfx/display.h"
#define TRACK_HAVE_DISPLAY 1
#endif

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

template <class T> float GroundOf(const T& t, float x, float y) {
    if constexpr (requires { t.GetHeight(x, y, 0); }) return t.GetHeight(x, y, 0);
    else return 0.0f;
}
template <class T> int PickOf(T& t, float* x, float* y, float* z) {
    if constexpr (requires { t.PickUnderMouse(x, y, z, 0); }) return t.PickUnderMouse(x, y, z, 0);
    else return 0;
}
template <class T> int GridOf(const T& t) {
    if constexpr (requires { t.IsGridView(); }) return t.IsGridView();
    else return 0;
}
template <class L> int LitOf(const L& l, float x, float y) {
    if constexpr (requires { l.IsLitByLamp(x, y); }) return l.IsLitByLamp(x, y);
    else return 0;
}
template <class L> void LightsOnOf(L& l, float x, float y) {
    if constexpr (requires { l.SwitchOnNearLights(x, y); }) l.SwitchOnNearLights(x, y);
}
template <class L> void LightsOffOf(L& l) {
    if constexpr (requires { l.SwitchOffNearLights(); }) l.SwitchOffNearLights();
}
template <class L> void RemoveVehiclesOf(L& l, TRACK* p) {
    if constexpr (requires { l.DeleteTrainsOnTrack(p); }) l.DeleteTrainsOnTrack(p);
    else if constexpr (requires { l.RemoveTrainsOnTrack(p); }) l.RemoveTrainsOnTrack(p);
}
template <class T> void FormOf(T& t, const TRACK* p) {
    if constexpr (requires { t.FormUnderPiece(0.f, 0.f, 0.f, 0.f, 0.f, 0.f, 0.f); })
        t.FormUnderPiece(p->x, p->y, p->z, p->length / 2.0f + 0.7f, 0.95f, p->heading, p->pitch);
}
template <class T> void FinishFormOf(T& t) {
    if constexpr (requires { t.ComputeNormals(); }) t.ComputeNormals();
    if constexpr (requires { t.BuildBlurTriangles(); }) t.BuildBlurTriangles();
    else if constexpr (requires { t.RebuildBlurTriangles(); }) t.RebuildBlurTriangles();
    if constexpr (requires(int* w) {
                      t.GetTileCounts(w, w);
                      t.RefreshTiles(0, 0);
                  }) {
        int w = 0, d = 0;
        t.GetTileCounts(&w, &d);
        for (int i = 0; i < w; i++)
            for (int j = 0; j < d; j++) t.RefreshTiles(i, j);
    }
}
template <class O> void RefitObjectsOf(O& o) {
    if constexpr (requires { o.UpdateHeights(); }) o.UpdateHeights();
    if constexpr (requires { o.UpdateLights(); }) o.UpdateLights();
}

#ifdef TRACK_HAVE_DISPLAY
template <class D> IDirect3DDevice8* DeviceOf(D& d) {
    if constexpr (requires { d.GetDevice(); }) return d.GetDevice();
    else return nullptr;
}
template <class D> DISPLAY_BUFFER* AddBufferOf(D& d, int vb, int ib, DISPLAY_BUFFER* node) {
    if constexpr (requires { d.AddVertexBuffer(TRACK_FVF, vb, ib, 1, node); })
        return d.AddVertexBuffer(TRACK_FVF, vb, ib, 1, node);
    else return nullptr;
}
template <class D> void RemoveBufferOf(D& d, DISPLAY_BUFFER** node) {
    if constexpr (requires { d.RemoveVertexBuffer(node); }) d.RemoveVertexBuffer(node);
}
template <class D> IDirect3DVertexBuffer8* VBOf(D& d, DISPLAY_BUFFER* node) {
    if constexpr (requires { d.GetVB(node); }) return d.GetVB(node);
    else return nullptr;
}
template <class D> IDirect3DIndexBuffer8* IBOf(D& d, DISPLAY_BUFFER* node) {
    if constexpr (requires { d.GetIB(node); }) return d.GetIB(node);
    else return nullptr;
}
template <class D> DWORD DefaultStateOf(D& d, D3DRENDERSTATETYPE state, DWORD fallback) {
    if constexpr (requires { d.GetDefaultRenderState(state); }) return d.GetDefaultRenderState(state);
    else return fallback;
}
template <class D> int EyeOf(D& d, D3DXVECTOR3* eye) {
    if constexpr (requires { d.GetCamera(eye, eye, eye); }) {
        d.GetCamera(eye, nullptr, nullptr);
        return 1;
    } else {
        return 0;
    }
}
#endif
} // namespace

// ---------------------------------------------------------------------------
// Terrain, lamps, objects, vehicles

float TrackGroundHeight(float x, float y) {
    if (groundHook) return groundHook(x, y);
    return GroundOf(terrain, x, y);
}

int TrackPickGround(float* x, float* y, float* z) {
    if (pickHookSet) {
        if (!pickHookAvailable) return 0;
        *x = pickHook[0];
        *y = pickHook[1];
        *z = pickHook[2];
        return 1;
    }
    return PickOf(terrain, x, y, z);
}

int TrackGridView() { return GridOf(terrain); }

int TrackLitByLamp(float x, float y) { return LitOf(lightList, x, y); }

void TrackLightsOn(float x, float y) { LightsOnOf(lightList, x, y); }

void TrackLightsOff() { LightsOffOf(lightList); }

float TrackMaxAscent() {
    float m = myGlobs.maxAscent;
    if (!(m >= 0.01f)) m = 0.01f;
    if (m > 0.1f) m = 0.1f;
    return m;
}

void TrackRemoveVehiclesOn(TRACK* p) { RemoveVehiclesOf(trainList, p); }

void TrackFormGroundUnder(const TRACK* p) { FormOf(terrain, p); }

void TrackFinishGroundForming() {
    FinishFormOf(terrain);
    RefitObjectsOf(terrobjList);
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

IDirect3DDevice8* TrackDevice() {
#ifdef TRACK_HAVE_DISPLAY
    return DeviceOf(display);
#else
    return nullptr;
#endif
}

// Sets a render state back to the value the display keeps as its default.
void TrackRestoreRenderState(D3DRENDERSTATETYPE state, DWORD fallback) {
    IDirect3DDevice8* device = TrackDevice();
    if (!device) return;
#ifdef TRACK_HAVE_DISPLAY
    device->SetRenderState(state, DefaultStateOf(display, state, fallback));
#else
    device->SetRenderState(state, fallback);
#endif
}

int TrackCameraEye(D3DXVECTOR3* eye) {
#ifdef TRACK_HAVE_DISPLAY
    return EyeOf(display, eye);
#else
    return 0;
#endif
}

DISPLAY_BUFFER* TrackCreateBuffer(int vertexBytes, int indexBytes, DISPLAY_BUFFER* node) {
#ifdef TRACK_HAVE_DISPLAY
    if (!TrackDevice()) return nullptr;
    return AddBufferOf(display, vertexBytes, indexBytes, node);
#else
    return nullptr;
#endif
}

void TrackReleaseBuffer(DISPLAY_BUFFER** node) {
#ifdef TRACK_HAVE_DISPLAY
    if (node && *node) RemoveBufferOf(display, node);
#endif
    if (node) *node = nullptr;
}

IDirect3DVertexBuffer8* TrackGetVB(DISPLAY_BUFFER* node) {
#ifdef TRACK_HAVE_DISPLAY
    return node ? VBOf(display, node) : nullptr;
#else
    return nullptr;
#endif
}

IDirect3DIndexBuffer8* TrackGetIB(DISPLAY_BUFFER* node) {
#ifdef TRACK_HAVE_DISPLAY
    return node ? IBOf(display, node) : nullptr;
#else
    return nullptr;
#endif
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
    if (std::fabs(c[3]) < 1e-6f) return 0;
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
