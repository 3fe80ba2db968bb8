#include "gfx/geometry.h"

#include <cmath>

#include "gfx/display.h"
#include "gfx/screensprites.h"
#include "gfx/texturemanager.h"
#include "world/lightlist.h"
#include "world/terrain.h"
#include "world/terrobj.h"
#include "app/myglobs.h"
#include "world/xobject.h"

namespace {

float Length(const D3DXVECTOR3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

D3DXVECTOR3 Eye() {
    D3DXVECTOR3 eye(0, 0, 0);
    display.GetCamera(&eye, nullptr, nullptr);
    return eye;
}

// Bounds the sampling of a segment so that a tiny radius cannot ask for an
// unbounded number of steps.
constexpr int kMaxSegmentSteps = 4096;

}  // namespace

float DetDistance2D(float x1, float y1, float x2, float y2) {
    float dx = x2 - x1, dy = y2 - y1;
    return std::sqrt(dx * dx + dy * dy);
}

float DetDistance3D(float x1, float y1, float z1, float x2, float y2, float z2) {
    float dx = x2 - x1, dy = y2 - y1, dz = z2 - z1;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

float DetPointDistance(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return DetDistance3D(a.x, a.y, a.z, b.x, b.y, b.z);
}

float DetCameraDistance(const D3DXVECTOR3& p) { return DetPointDistance(Eye(), p); }

float DetAngle(const D3DXVECTOR3& p, const D3DXVECTOR3& q, const D3DXVECTOR3& r) {
    float rq = DetPointDistance(r, q), rp = DetPointDistance(r, p), pq = DetPointDistance(p, q);
    // A zero-length side has no angle; 0 is what a caller gets for coincident
    // points (the directions agree).
    if (rq <= 0.0f || rp <= 0.0f) return 0.0f;
    float c = (rq * rq + rp * rp - pq * pq) / (2.0f * rq * rp);
    if (c >= 1.0f) return 0.0f;
    if (c <= -1.0f) return static_cast<float>(M_PI);
    return std::acos(c);
}

float DetViewAngle(const D3DXVECTOR3& p) {
    D3DXVECTOR3 eye, target;
    display.GetCamera(&eye, &target, nullptr);
    return DetAngle(target, p, eye);
}

int DetGroundPoint(const D3DXVECTOR3& p, float* x, float* y) {
    D3DXVECTOR3 e = Eye();
    float dz = p.z - e.z;
    // A line parallel to the ground, or one that leaves the eye upward, never
    // meets it: no ground point.
    if (std::fabs(dz) < 1e-6f) return 0;
    float t = -e.z / dz;
    if (!std::isfinite(t) || t < 0.0f) return 0;
    float gx = e.x + (p.x - e.x) * t;
    float gy = e.y + (p.y - e.y) * t;
    if (!std::isfinite(gx) || !std::isfinite(gy)) return 0;
    if (x) *x = gx;
    if (y) *y = gy;
    return 1;
}

D3DXVECTOR3 ComputeMouseRayPoint(int cx, int cy, int width, int height, bool fullscreen, const D3DXVECTOR3& eye,
                                 const D3DXMATRIX& inverseView) {
    float w = width > 0 ? static_cast<float>(width) : 1.0f;
    float h = height > 0 ? static_cast<float>(height) : 1.0f;
    float d = -eye.z;
    float k = fullscreen ? 0.41399997f * w / h : 0.5735f;
    D3DXVECTOR3 view((cx / w * 2.0f - 1.0f) * d * k, h * d * (1.0f - cy / h * 2.0f) / w * k, d);
    D3DXVECTOR3 world;
    D3DXVec3TransformCoord(&world, &view, &inverseView);
    return world;
}

int DetMouseGroundPoint(int cx, int cy, float* x, float* y) {
    D3DXMATRIX inv;
    display.GetBillboardMatrix(&inv, 1);
    D3DXVECTOR3 ray = ComputeMouseRayPoint(cx, cy, display.GetScreenWidth(), display.GetScreenHeight(),
                                           display.IsFullscreen() != 0, Eye(), inv);
    display.SetMouseRayPoint(ray);
    return DetGroundPoint(ray, x, y);
}

float DetRayDistance(const D3DXVECTOR3& p, const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    float la = DetPointDistance(p, a), lc = DetPointDistance(b, a), lb = DetPointDistance(b, p);
    if (la <= 0.0f) return 0.0f;        // the point is the ray's start
    if (lc <= 0.0f) return PICK_MISS;   // no direction: no ray
    float c = (la * la + lc * lc - lb * lb) / (2.0f * la * lc);
    if (c > 1.0f) c = 1.0f;
    if (c < -1.0f) c = -1.0f;
    float theta = std::acos(c);
    if (theta > 1.57079632675f) return PICK_MISS;
    return la * std::sin(theta);
}

float DetMouseRayDistance(const D3DXVECTOR3& p) {
    D3DXVECTOR3 ray = display.GetMouseRayPoint();
    return DetRayDistance(p, Eye(), ray);
}

bool NearRayTest(const D3DXVECTOR3& p, const D3DXVECTOR3& eye, const D3DXVECTOR3& rayPoint, float s, float r) {
    D3DXVECTOR3 q = rayPoint - eye;
    float len = Length(q);
    if (len == 0.0f) return true;
    D3DXVECTOR3 at = eye + q * (s / len);
    return DetPointDistance(at, p) <= r;
}

int IsPointUnderMouse(const D3DXVECTOR3& p, float radius) {
    D3DXVECTOR3 e = Eye();
    return NearRayTest(p, e, display.GetMouseRayPoint(), DetPointDistance(e, p), radius) ? 1 : 0;
}

float DetPickDistance(const D3DXVECTOR3& p, float terrainDistance, float radius) {
    D3DXVECTOR3 e = Eye();
    float s = DetPointDistance(e, p);
    if (!NearRayTest(p, e, display.GetMouseRayPoint(), s, radius)) return PICK_MISS;
    float d = DetMouseRayDistance(p);
    if (d < radius && (std::fabs(s - terrainDistance) < radius || s < terrainDistance)) return d;
    return PICK_MISS;
}

float DetSegmentRayDistance(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float radius, float terrainDistance) {
    D3DXVECTOR3 e = Eye();
    D3DXVECTOR3 ray = display.GetMouseRayPoint();
    D3DXVECTOR3 m = (a + b) * 0.5f;
    float len = DetPointDistance(a, b);
    float s = DetPointDistance(e, m);
    float d = DetRayDistance(m, e, ray);
    if (d >= len / 2 || (std::fabs(s - terrainDistance) >= len / 2 && s >= terrainDistance)) return PICK_MISS;
    if (DetRayDistance(a, e, ray) > len || DetRayDistance(b, e, ray) > len) return PICK_MISS;
    if (!(radius > 0.0f)) return PICK_MISS;
    float steps = std::trunc(len / radius * 2.0f) + 1.0f;
    int n = steps > kMaxSegmentSteps ? kMaxSegmentSteps : static_cast<int>(steps);
    if (n < 1) n = 1;
    float best = PICK_MISS;
    for (int i = 0; i <= n; ++i) {
        D3DXVECTOR3 pt = a + (b - a) * (static_cast<float>(i) / n);
        float di = DetRayDistance(pt, e, ray);
        if (di < best) best = di;
    }
    return best < radius ? best : PICK_MISS;
}

float DetSegmentPickDistance(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float radius) {
    // The grid view looks through the ground: no ground hit hides a segment.
    float t = PICK_MISS;
    float x, y, z;
    if (!terrain.IsGridView() && terrain.PickUnderMouse(&x, &y, &z, 0))
        t = DetPointDistance(Eye(), D3DXVECTOR3(x, y, z));
    return DetSegmentRayDistance(a, b, radius, t);
}

void SetIdentityWorld() {
    if (IDirect3DDevice8* device = display.GetDevice()) {
        D3DXMATRIX m;
        D3DXMatrixIdentity(&m);
        device->SetTransform(D3DTS_WORLD, &m);
    }
}

int IsEyeInsideObject(int objId, const D3DXVECTOR3& position, float heading) {
    int xid = GetXID(objId, 0);
    if (xid < 0) return 0;
    const XOBJECT& x = myGlobs.xObjects[xid];
    D3DXVECTOR3 mn = x.GetBoundingBoxMin(), mx = x.GetBoundingBoxMax();
    return display.IsEyeInsideBox(mn.x, mn.y, mn.z, mx.x, mx.y, mx.z, position.x, position.y, position.z, heading);
}

void RestoreAfterReset() {
    NoteResetHook("texturemanager");
    textureManager.ForgetBoundTexture();
    NoteResetHook("screensprites");
    screenSprites.RestoreStates();
    NoteResetHook("terrobjlist");
    terrobjList.BuildBatches();
    NoteResetHook("terrain");
    terrain.BuildBlurTriangles();
    NoteResetHook("lightlist");
    lightList.RestoreDeviceObjects();
}
