// The terrain grid: creation, resizing, heights, normals, atlas coordinates,
// the blur table, picking and night lighting.
#include "world/terrain.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "app/messagequeue.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "gfx/display.h"
#include "world/lightlist.h"
#include "world/skybox.h"
#include "world/water.h"
#include "world/xobject.h"

const TERRAIN_ROLE_CORNER terrainRoleTable[6][2] = {
    {{1, 0, 1}, {2, 1, 0}},    // 0: (i, j) of the first triangle
    {{2, 1, -1}, {0, 0, -1}},  // 1: (i, j+1) of the first triangle
    {{0, -1, 0}, {1, -1, 1}},  // 2: (i+1, j) of the first triangle
    {{4, -1, 1}, {5, 0, 1}},   // 3: (i+1, j) of the second triangle
    {{5, 1, 0}, {3, 1, -1}},   // 4: (i, j+1) of the second triangle
    {{3, 0, -1}, {4, -1, 0}},  // 5: (i+1, j+1) of the second triangle
};

namespace {

constexpr int RESIZE_CAPTION_TEXT = 216;

uint32_t WithRgb(uint32_t color, uint32_t rgb) { return (color & 0xFF000000u) | (rgb & 0x00FFFFFFu); }

}  // namespace

TERRAIN2::TERRAIN2() {
    stagingVertices.reset(new (std::nothrow) TERRAIN_VERTEX[TERRAIN_TILEVERTICES]);
    blurTable.reset(new (std::nothrow) BLUR_ENTRY[BLUR_MAXENTRIES]);
    if (blurTable) {
        for (int k = 0; k < BLUR_MAXENTRIES; ++k) blurTable[k] = BLUR_ENTRY{0, 0, 0, 1};
    }
    SetBrushSize(10.0f);
}

TERRAIN2::~TERRAIN2() {
    Release();
    WriteStartLog("Terrain was deleted...");
}

// ---------------------------------------------------------------------------
// Creation and size

void TERRAIN2::ResetSizes() {
    tilesW = tilesD = 0;
    worldWidth = worldDepth = 0.0f;
    gridX = gridY = 0;
    vertexCount = 0;
}

void TERRAIN2::FreeArrays() {
    vRealTerrain.reset();
    bRealTerrainFormed.reset();
    vUVComponent.reset();
    saveColor.reset();
}

void TERRAIN2::FreeTileBuffers() {
    for (TERRAIN_TILE& tile : tiles) {
        if (tile.vertexBuffer) display.RemoveVertexBuffer(&tile.vertexBuffer);
        tile.vertexBuffer = nullptr;
        tile.filled = 0;
        tile.changed = 0;
    }
}

void TERRAIN2::FreeBlurBuffers() {
    for (int k = 0; k < BLUR_MAXBUFFERS; ++k) {
        blurBuffers[k].reset();
        blurVertexCount[k] = 0;
        blurTriangleCount[k] = 0;
    }
    blurBufferCount = 0;
    blurWrite = nullptr;
}

void TERRAIN2::Release() {
    FreeTileBuffers();
    if (blurDeviceBuffer) display.RemoveVertexBuffer(&blurDeviceBuffer);
    blurDeviceBuffer = nullptr;
    if (baseBuffer) display.RemoveVertexBuffer(&baseBuffer);
    baseBuffer = nullptr;
    FreeBlurBuffers();
    blurTotal = 0;
    cursorVertexCount = 0;
    cursorValid = 0;
    FreeArrays();
    ResetSizes();
}

bool TERRAIN2::AllocateArrays(int n) {
    vRealTerrain.reset(new (std::nothrow) REAL_TERRAIN_VERTEX[n]);
    if (!vRealTerrain) {
        WriteStartLog("Out of memory at alloc: vRealTerrain !!");
        FreeArrays();
        return false;
    }
    bRealTerrainFormed.reset(new (std::nothrow) int[n]);
    if (!bRealTerrainFormed) {
        WriteStartLog("Out of memory at alloc: bRealTerrainFormed !!");
        FreeArrays();
        return false;
    }
    vUVComponent.reset(new (std::nothrow) UV_COMPONENT[static_cast<size_t>(n) * 6]);
    if (!vUVComponent) {
        WriteStartLog("Out of memory at alloc: vUVComponent !!");
        FreeArrays();
        return false;
    }
    saveColor.reset(new (std::nothrow) uint32_t[n]);
    if (!saveColor) {
        WriteStartLog("Out of memory at alloc: saveColor !!");
        FreeArrays();
        return false;
    }
    return true;
}

void TERRAIN2::InitVertex(int i, int j) {
    const int v = VertexIndex(i, j);
    REAL_TERRAIN_VERTEX& rv = vRealTerrain[v];
    rv.position = D3DXVECTOR3(i * worldWidth / gridX - tilesW * 7.0f, j * worldDepth / gridY - tilesD * 7.0f, 0.0f);
    rv.normal = D3DXVECTOR3(0.0f, 0.0f, -1.0f);
    bRealTerrainFormed[v] = 0;
    saveColor[v] = 0x00FFFFFF;
    for (int role = 0; role < 6; ++role) {
        UV_COMPONENT& uv = vUVComponent[6 * v + role];
        uv.color = 0x00FFFFFF;
        uv.texture1 = 0;
        uv.texture2 = -1;
        GetRoleUV(0, rv.position.x, rv.position.y, role, &uv.tu1, &uv.tv1);
        uv.tu2 = static_cast<float>(i) / gridX;
        uv.tv2 = static_cast<float>(j) / gridY;
    }
}

int TERRAIN2::CreateTerrain(int w, int d) {
    if (IsCreated() || tilesW || tilesD) Release();
    if (w > TERRAIN_MAXSIDE) w = TERRAIN_MAXSIDE;
    if (d > TERRAIN_MAXSIDE) d = TERRAIN_MAXSIDE;
    // The tile table holds 225 tiles; a larger or empty grid cannot be made.
    if (w < 1 || d < 1 || w * d > TERRAIN_MAXTILES) {
        WriteStartLog("Terrain size out of range in TERRAIN2::CreateTerrain() !!!");
        return 0;
    }
    if (!stagingVertices || !blurTable) {
        WriteStartLog("Out of memory at alloc: vRealTerrain !!");
        return 0;
    }
    tilesW = w;
    tilesD = d;
    shadeLastI = shadeLastJ = -1;
    worldWidth = w * TERRAIN_TILESIZE;
    worldDepth = d * TERRAIN_TILESIZE;
    gridX = TERRAIN_TILECELLS * w;
    gridY = TERRAIN_TILECELLS * d;
    const int n = (gridX + 1) * (gridY + 1);
    if (!AllocateArrays(n)) {
        ResetSizes();
        return 0;
    }
    for (int i = 0; i <= gridX; ++i)
        for (int j = 0; j <= gridY; ++j) InitVertex(i, j);
    vertexCount = n;

    for (int ti = 0; ti < tilesW; ++ti) {
        for (int tj = 0; tj < tilesD; ++tj) {
            TERRAIN_TILE& tile = tiles[ti * tilesD + tj];
            tile.vertexBuffer = display.AddVertexBuffer(TERRAIN_VERTEX_FVF, TERRAIN_TILEVERTICES * sizeof(TERRAIN_VERTEX),
                                                        0, 1, nullptr);
            if (!tile.vertexBuffer) {
                WriteStartLog("Terrain tile vertex buffer initialization failed!");
                Release();
                return 0;
            }
            FillTile(ti, tj);
        }
    }

    baseBuffer = display.AddVertexBuffer(TERRAIN_VERTEX_FVF, TERRAIN_BASEVERTICES * sizeof(TERRAIN_VERTEX), 0, 1, nullptr);
    if (!baseBuffer) {
        WriteStartLog("Terrain base vertex buffer initialization failed!!!");
        Release();
        return 0;
    }
    WriteStartLog("Terrain base vertex buffer initialized with success...");
    BuildBase();

    blurTotal = 0;
    for (int k = 0; k < BLUR_MAXENTRIES; ++k) blurTable[k] = BLUR_ENTRY{0, 0, 0, 1};
    blurLength = 0;
    blurDeviceBuffer =
        display.AddVertexBuffer(TERRAIN_VERTEX_FVF, BLUR_BUFFERVERTICES * sizeof(TERRAIN_VERTEX), 0, 0, nullptr);
    if (!blurDeviceBuffer) {
        WriteStartLog("Terrain blur buffer initialization failed!");
        Release();
        return 0;
    }
    WriteStartLog("Terrain blur buffer initialized with success...");

    water.Init(-worldWidth / 2, worldDepth / 2, worldWidth / 2, -worldDepth / 2);
    return 1;
}

void TERRAIN2::ClampSize(int& w, int& d) {
    const int oldW = w;
    const int oldD = d;
    if (w >= 100) w = TERRAIN_MAXSIDE;
    if (d >= 100) d = TERRAIN_MAXSIDE;
    if (w < 1) w = 1;
    if (d < 1) d = 1;
    if (w * d > TERRAIN_MAXTILES) {
        w = static_cast<int>(std::sqrt(static_cast<double>(TERRAIN_MAXTILES)) / std::sqrt(static_cast<double>(w * d)) * w);
        if (w < 1) w = 1;
        d = TERRAIN_MAXTILES / w;
        if (w > TERRAIN_MAXSIDE) w = TERRAIN_MAXSIDE;
        if (d > TERRAIN_MAXSIDE) d = TERRAIN_MAXSIDE;
    }
    if (w != oldW || d != oldD) {
        char text[128];
        std::snprintf(text, sizeof(text), "%s %d x %d", texts.Get(RESIZE_CAPTION_TEXT), w, d);
        messageQueue.AddMessage(text);
    }
}

bool TERRAIN2::Resize(int w, int d) {
    if (!IsCreated()) return CreateTerrain(w, d) != 0;
    const int oldW = tilesW, oldD = tilesD, oldGX = gridX, oldGY = gridY, oldN = vertexCount;

    std::unique_ptr<REAL_TERRAIN_VERTEX[]> oldReal(new (std::nothrow) REAL_TERRAIN_VERTEX[oldN]);
    std::unique_ptr<UV_COMPONENT[]> oldUV(new (std::nothrow) UV_COMPONENT[static_cast<size_t>(oldN) * 6]);
    std::unique_ptr<uint32_t[]> oldSave(new (std::nothrow) uint32_t[oldN]);
    std::unique_ptr<BLUR_ENTRY[]> oldBlur(new (std::nothrow) BLUR_ENTRY[BLUR_MAXENTRIES]);
    if (!oldReal || !oldUV || !oldSave || !oldBlur) {
        WriteStartLog("Out of memory in TERRAIN2::Resize() !!");
        return false;
    }
    std::memcpy(oldReal.get(), vRealTerrain.get(), sizeof(REAL_TERRAIN_VERTEX) * oldN);
    std::memcpy(oldUV.get(), vUVComponent.get(), sizeof(UV_COMPONENT) * 6 * static_cast<size_t>(oldN));
    std::memcpy(oldSave.get(), saveColor.get(), sizeof(uint32_t) * oldN);
    std::memcpy(oldBlur.get(), blurTable.get(), sizeof(BLUR_ENTRY) * BLUR_MAXENTRIES);
    const int oldLength = blurLength;

    if (!CreateTerrain(w, d)) {
        // Put the old ground back exactly as it was.
        WriteStartLog("Out of memory in TERRAIN2::Resize() !!");
        if (CreateTerrain(oldW, oldD)) {
            std::memcpy(vRealTerrain.get(), oldReal.get(), sizeof(REAL_TERRAIN_VERTEX) * oldN);
            std::memcpy(vUVComponent.get(), oldUV.get(), sizeof(UV_COMPONENT) * 6 * static_cast<size_t>(oldN));
            std::memcpy(saveColor.get(), oldSave.get(), sizeof(uint32_t) * oldN);
            std::memcpy(blurTable.get(), oldBlur.get(), sizeof(BLUR_ENTRY) * BLUR_MAXENTRIES);
            blurLength = oldLength;
            BuildBlurTriangles();
            RefreshTiles(-1, -1);
        }
        return false;
    }

    const int ox = (gridX - oldGX) / 2;
    const int oy = (gridY - oldGY) / 2;
    for (int i = 0; i < oldGX; ++i) {
        for (int j = 0; j < oldGY; ++j) {
            const int ti = i + ox, tj = j + oy;
            if (ti < 0 || ti >= gridX || tj < 0 || tj >= gridY) continue;
            const int from = i * (oldGY + 1) + j;
            const int to = VertexIndex(ti, tj);
            vRealTerrain[to] = oldReal[from];
            if (ti == 0 || tj == 0) vRealTerrain[to].position.z = -0.01f;
            for (int role = 0; role < 6; ++role) vUVComponent[6 * to + role] = oldUV[6 * from + role];
            saveColor[to] = oldSave[from];
        }
    }
    int kept = 0;
    for (int k = 0; k < oldLength; ++k) {
        const BLUR_ENTRY& e = oldBlur[k];
        if (e.free) continue;
        const int ni = e.i + ox, nj = e.j + oy;
        if (ni < 1 || ni > gridX - 2 || nj < 1 || nj > gridY - 2) continue;
        blurTable[kept++] = BLUR_ENTRY{ni, nj, e.role, 0};
    }
    blurLength = kept;
    BuildBlurTriangles();
    RefreshTiles(-1, -1);
    return true;
}

void TERRAIN2::GetTileCounts(int* w, int* d) const {
    if (w) *w = tilesW;
    if (d) *d = tilesD;
}

void TERRAIN2::GetWorldSize(float* width, float* depth) const {
    if (width) *width = worldWidth;
    if (depth) *depth = worldDepth;
}

// ---------------------------------------------------------------------------
// Grid helpers

void TERRAIN2::GetGridIndices(float x, float y, int* i, int* j) const {
    if (gridX == 0 || gridY == 0 || !std::isfinite(x) || !std::isfinite(y)) {
        if (i) *i = 0;
        if (j) *j = 0;
        return;
    }
    const double gi = std::clamp((x + worldWidth / 2.0) / (worldWidth / gridX), -1.0e6, 1.0e6);
    const double gj = std::clamp((y + worldDepth / 2.0) / (worldDepth / gridY), -1.0e6, 1.0e6);
    if (i) *i = static_cast<int>(gi);
    if (j) *j = static_cast<int>(gj);
}

int TERRAIN2::GetVertexPosition(int i, int j, D3DXVECTOR3* position) const {
    if (!IsInGrid(i, j)) return 0;
    if (position) *position = vRealTerrain[VertexIndex(i, j)].position;
    return 1;
}

int TERRAIN2::GetVertexNormal(int i, int j, D3DXVECTOR3* normal) const {
    if (!IsInGrid(i, j)) return 0;
    if (normal) *normal = vRealTerrain[VertexIndex(i, j)].normal;
    return 1;
}

float TERRAIN2::GetVertexHeight(int i, int j) const {
    if (!IsInGrid(i, j)) return 0.0f;
    return vRealTerrain[VertexIndex(i, j)].position.z;
}

void TERRAIN2::SetVertexHeight(int i, int j, float z) {
    if (IsInGrid(i, j)) vRealTerrain[VertexIndex(i, j)].position.z = z;
}

UV_COMPONENT* TERRAIN2::Record(int i, int j, int role) {
    return &vUVComponent[6 * static_cast<size_t>(VertexIndex(i, j)) + role];
}

const UV_COMPONENT* TERRAIN2::GetUVComponent(int i, int j, int role) const {
    if (!IsInGrid(i, j) || role < 0 || role > 5) return nullptr;
    return &vUVComponent[6 * static_cast<size_t>(VertexIndex(i, j)) + role];
}

uint32_t TERRAIN2::GetSavedColor(int i, int j) const {
    if (!IsInGrid(i, j)) return 0;
    return saveColor[VertexIndex(i, j)];
}

void TERRAIN2::AddVertexLight(int i, int j, int r, int g, int b) {
    if (!IsInGrid(i, j)) return;
    const uint32_t c = Record(i, j, 0)->color;
    const int nr = std::min(255, static_cast<int>((c >> 16) & 0xFF) + std::max(0, r));
    const int ng = std::min(255, static_cast<int>((c >> 8) & 0xFF) + std::max(0, g));
    const int nb = std::min(255, static_cast<int>(c & 0xFF) + std::max(0, b));
    const uint32_t rgb = (static_cast<uint32_t>(nr) << 16) | (static_cast<uint32_t>(ng) << 8) | static_cast<uint32_t>(nb);
    for (int role = 0; role < 6; ++role) {
        UV_COMPONENT* uv = Record(i, j, role);
        uv->color = WithRgb(uv->color, rgb);
    }
}

// ---------------------------------------------------------------------------
// Heights

float TERRAIN2::GetHeight(float x, float y, int cap) const {
    if (gridX == 0 || gridY == 0 || !vRealTerrain) return 0.0f;
    if (!std::isfinite(x) || !std::isfinite(y)) return 0.0f;
    const float c = worldWidth / gridX;
    const float e = worldDepth / gridY;
    const int i = static_cast<int>(std::clamp((x + worldWidth / 2) / c, -1.0e6f, 1.0e6f));
    const int j = static_cast<int>(std::clamp((y + worldDepth / 2) / e, -1.0e6f, 1.0e6f));
    float sumH = 0.0f, sumW = 0.0f;
    for (int k = 0; k < 4; ++k) {
        const int vi = i + (k & 1);
        const int vj = j + (k >> 1);
        const float vx = vi * c - worldWidth / 2;
        const float vy = vj * e - worldDepth / 2;
        float h = 0.0f;
        if (IsInGrid(vi, vj)) {
            const D3DXVECTOR3& p = vRealTerrain[VertexIndex(vi, vj)].position;
            h = p.z;
        }
        const float d = std::sqrt((x - vx) * (x - vx) + (y - vy) * (y - vy));
        const float w = std::max(0.0f, c - d);
        sumH += h * w;
        sumW += w;
    }
    float z = sumW == 0.0f ? 0.0f : sumH / sumW;
    if (cap && z > 0.1f) z = 0.1f;
    return z;
}

float TERRAIN2::GetHeight(int objId, float x, float y) const {
    return GetHeight(x, y, IsObjIdIn3800Group(objId) ? 1 : 0);
}

// ---------------------------------------------------------------------------
// Picking

int TERRAIN2::PickAlongRay(const D3DXVECTOR3& eye, const D3DXVECTOR3& target, float* x, float* y, float* z,
                           int cap) const {
    if (GetHeight(eye.x, eye.y, 0) < eye.z) return 0;  // the eye is under the ground
    D3DXVECTOR3 step = target - eye;
    const float length = D3DXVec3Length(&step);
    if (!(length > 0.0f)) return 0;
    step *= 1.4f / length;
    D3DXVECTOR3 p = eye;
    int found = -1;
    for (int k = 0; k < 100; ++k) {
        p += step;
        if (GetHeight(p.x, p.y, cap) < p.z) {
            found = k;
            break;
        }
    }
    if (found < 0 || found >= 99) return 0;
    D3DXVECTOR3 above = p - step;
    D3DXVECTOR3 below = p;
    D3DXVECTOR3 mid = p;
    for (int k = 0; k < 15; ++k) {
        mid = (above + below) * 0.5f;
        if (GetHeight(mid.x, mid.y, cap) >= mid.z)
            above = mid;
        else
            below = mid;
    }
    if (x) *x = mid.x;
    if (y) *y = mid.y;
    if (z) *z = GetHeight(mid.x, mid.y, cap);
    return 1;
}

int TERRAIN2::PickUnderMouse(float* x, float* y, float* z, int cap) {
    D3DXVECTOR3 eye(0.0f, 0.0f, 0.0f);
    display.GetCamera(&eye, nullptr, nullptr);
    const D3DXVECTOR3 target = display.GetMouseRayPoint();
    return PickAlongRay(eye, target, x, y, z, cap);
}

int TERRAIN2::PickForObject(int objId, float* x, float* y, float* z) {
    return PickUnderMouse(x, y, z, IsObjIdIn3800Group(objId) ? 1 : 0);
}

int TERRAIN2::IsCursorOnTerrain() {
    if (skybox.GetBaseFlag()) return 1;
    float x = 0.0f, y = 0.0f, z = 0.0f;
    if (!PickUnderMouse(&x, &y, &z, 0)) return 0;
    return std::fabs(x) <= worldWidth / 2 && std::fabs(y) <= worldDepth / 2;
}

// ---------------------------------------------------------------------------
// Normals

void TERRAIN2::ComputeNormal(int i, int j) {
    if (i < 1 || i > gridX - 1 || j < 1 || j > gridY - 1 || !vRealTerrain) return;
    auto z = [this](int a, int b) { return vRealTerrain[VertexIndex(a, b)].position.z; };
    const float c = TERRAIN_CELLSIZE;
    D3DXVECTOR3 n;
    n.x = (z(i + 1, j - 1) / c + z(i + 1, j) + z(i + 1, j + 1) / c - z(i - 1, j - 1) / c - z(i - 1, j + 1) / c -
           z(i - 1, j)) / 6.0f;
    n.y = (z(i + 1, j + 1) / c + z(i, j + 1) + z(i - 1, j + 1) / c - z(i + 1, j - 1) / c - z(i - 1, j - 1) / c -
           z(i, j - 1)) / 6.0f;
    n.z = -worldWidth / gridX;
    D3DXVec3Normalize(&vRealTerrain[VertexIndex(i, j)].normal, &n);
}

void TERRAIN2::ComputeNormals() {
    for (int i = 1; i <= gridX - 1; ++i)
        for (int j = 1; j <= gridY - 1; ++j) ComputeNormal(i, j);
}

// ---------------------------------------------------------------------------
// Atlas coordinates

void TERRAIN2::GetTextureUV(int t, float x, float y, float* umin, float* umax, float* vmin, float* vmax) {
    auto axis = [](float p, int cell, float* lo, float* hi) {
        double whole = 0.0;
        double f = std::modf(static_cast<double>(p) / TERRAIN_CELLSIZE, &whole);
        if (std::fabs(f) < 0.001 || std::fabs(f - 1.0) < 0.001) f = 0.0;
        if (f < 0.0) f += 1.0;
        double a, b;
        if (f < 0.01) {
            a = 1.0 / 128.0;
            b = 127.0 / 128.0;
        } else {
            a = b = f;
        }
        *lo = static_cast<float>((a * 128.0 + 128.0 * cell) / 1024.0);
        *hi = static_cast<float>((b * 128.0 + 128.0 * cell) / 1024.0);
    };
    // Atlas column and row of ground texture t (8 x 8 textures).
    const int column = ((t % 8) + 8) % 8;
    const int row = t >= 0 ? t / 8 : -((-t + 7) / 8);
    float a, b, c, d;
    axis(x, column, &a, &b);
    axis(y, row, &c, &d);
    if (umin) *umin = a;
    if (umax) *umax = b;
    if (vmin) *vmin = c;
    if (vmax) *vmax = d;
}

void TERRAIN2::GetRoleUV(int t, float x, float y, int role, float* u, float* v) {
    float umin, umax, vmin, vmax;
    GetTextureUV(t, x, y, &umin, &umax, &vmin, &vmax);
    switch (role) {
    case 0: *u = umin; *v = vmin; break;
    case 1:
    case 4: *u = umin; *v = vmax; break;
    case 2:
    case 3: *u = umax; *v = vmin; break;
    default: *u = umax; *v = vmax; break;
    }
}

// ---------------------------------------------------------------------------
// Blur table

void TERRAIN2::CornerOf(int i, int j, int role, int k, int* ci, int* cj, int* cr) const {
    if (k == 0) {
        *ci = i;
        *cj = j;
        *cr = role;
        return;
    }
    const TERRAIN_ROLE_CORNER& c = terrainRoleTable[role][k - 1];
    *ci = i + c.di;
    *cj = j + c.dj;
    *cr = c.role;
}

namespace {

// Names a triangle by its role-0 or role-5 corner.
void NormaliseBlurKey(int& i, int& j, int& role) {
    switch (role) {
    case 1: j -= 1; role = 0; break;
    case 2: i -= 1; role = 0; break;
    case 3: j += 1; role = 5; break;
    case 4: i += 1; role = 5; break;
    default: break;
    }
}

}  // namespace

int TERRAIN2::FindBlurEntry(int i, int j, int role) const {
    NormaliseBlurKey(i, j, role);
    for (int k = 0; k < blurLength; ++k) {
        const BLUR_ENTRY& e = blurTable[k];
        if (!e.free && e.i == i && e.j == j && e.role == role) return k;
    }
    return -1;
}

void TERRAIN2::AddBlurEntry(int i, int j, int role) {
    NormaliseBlurKey(i, j, role);
    if (FindBlurEntry(i, j, role) >= 0) return;
    int slot = -1;
    for (int k = 0; k < blurLength; ++k) {
        if (blurTable[k].free) {
            slot = k;
            break;
        }
    }
    if (slot < 0) {
        if (blurLength >= BLUR_MAXENTRIES) return;
        slot = blurLength++;
    }
    blurTable[slot] = BLUR_ENTRY{i, j, role, 0};
}

void TERRAIN2::RemoveBlurEntry(int i, int j, int role) {
    const int k = FindBlurEntry(i, j, role);
    if (k < 0) return;
    blurTable[k].free = 1;
    if (k == blurLength - 1) {
        while (blurLength > 0 && blurTable[blurLength - 1].free) --blurLength;
    }
}

int TERRAIN2::GetBlurEntriesInUse() const {
    int count = 0;
    for (int k = 0; k < blurLength; ++k)
        if (!blurTable[k].free) ++count;
    return count;
}

int TERRAIN2::GetBlurBufferTriangles(int buffer) const {
    if (buffer < 0 || buffer >= blurBufferCount) return 0;
    return blurTriangleCount[buffer];
}

const TERRAIN_VERTEX* TERRAIN2::GetBlurBufferVertices(int buffer) const {
    if (buffer < 0 || buffer >= blurBufferCount) return nullptr;
    return blurBuffers[buffer].get();
}

int TERRAIN2::AddBlurBuffer() {
    if (blurBufferCount >= BLUR_MAXBUFFERS) return 0;
    TERRAIN_VERTEX* block = new (std::nothrow) TERRAIN_VERTEX[BLUR_BUFFERVERTICES];
    if (!block) {
        WriteStartLog("Out of memory in TERRAIN2::AddBlurBuffer() !!!");
        return 0;
    }
    blurBuffers[blurBufferCount].reset(block);
    blurVertexCount[blurBufferCount] = 0;
    blurTriangleCount[blurBufferCount] = 0;
    blurWrite = block;
    ++blurBufferCount;
    return 1;
}

void TERRAIN2::BuildBlurTriangles() {
    if (!IsCreated()) return;
    blurTotal = 0;
    blurBuffersChanged = 1;
    FreeBlurBuffers();
    if (!AddBlurBuffer()) return;
    float u63, v63;
    GetRoleUV(BLUR_SLOT, 0.0f, 0.0f, 0, &u63, &v63);
    for (int k = 0; k < blurLength; ++k) {
        const BLUR_ENTRY& e = blurTable[k];
        if (e.free) continue;
        int cur = blurBufferCount - 1;
        if (blurTriangleCount[cur] + 6 > BLUR_BUFFERTRIANGLES) {
            if (!AddBlurBuffer()) return;
            cur = blurBufferCount - 1;
        }
        int ci[3], cj[3], cr[3];
        bool inside = e.role >= 0 && e.role <= 5;
        for (int c = 0; c < 3 && inside; ++c) {
            CornerOf(e.i, e.j, e.role, c, &ci[c], &cj[c], &cr[c]);
            if (!IsInGrid(ci[c], cj[c])) inside = false;
        }
        if (!inside) {
            WriteStartLog("Error in TERRAIN2::BuildBlurTriangles()!!!");
            continue;
        }
        const UV_COMPONENT* rec[3];
        for (int c = 0; c < 3; ++c) rec[c] = Record(ci[c], cj[c], cr[c]);
        int textures[6];
        int count = 0;
        for (int c = 0; c < 3; ++c) {
            for (int t : {rec[c]->texture1, rec[c]->texture2}) {
                if (t == -1) continue;
                if (std::find(textures, textures + count, t) == textures + count) textures[count++] = t;
            }
        }
        for (int n = 0; n < count; ++n) {
            const int t = textures[n];
            for (int c = 0; c < 3; ++c) {
                const REAL_TERRAIN_VERTEX& rv = vRealTerrain[VertexIndex(ci[c], cj[c])];
                TERRAIN_VERTEX& out = *blurWrite++;
                out.x = rv.position.x;
                out.y = rv.position.y;
                out.z = rv.position.z;
                out.nx = rv.normal.x;
                out.ny = rv.normal.y;
                out.nz = rv.normal.z;
                GetRoleUV(t, rv.position.x, rv.position.y, cr[c], &out.tu1, &out.tv1);
                out.tu2 = u63;
                out.tv2 = v63;
                const uint32_t alpha = rec[c]->color >> 24;
                uint32_t a = 255;
                if (t == rec[c]->texture1)
                    a = alpha;
                else if (t == rec[c]->texture2)
                    a = 255 - alpha;
                out.color = (a << 24) | (rec[c]->color & 0x00FFFFFFu);
            }
            blurVertexCount[cur] += 3;
            blurTriangleCount[cur] += 1;
            blurTotal += 1;
        }
    }
}

// ---------------------------------------------------------------------------
// Tiles

void TERRAIN2::MarkTileOfVertex(int i, int j) {
    if (tilesW == 0 || tilesD == 0) return;
    const int ti = std::clamp(i / TERRAIN_TILECELLS, 0, tilesW - 1);
    const int tj = std::clamp(j / TERRAIN_TILECELLS, 0, tilesD - 1);
    tileChanged[ti * tilesD + tj] = 1;
}

void TERRAIN2::RefreshChangedTiles() {
    for (int ti = 0; ti < tilesW; ++ti)
        for (int tj = 0; tj < tilesD; ++tj)
            if (tileChanged[ti * tilesD + tj]) FillTile(ti, tj);
}

void TERRAIN2::RefreshTiles(int ti, int tj) {
    if (!IsCreated()) return;
    if (ti == -1 && tj == -1) {
        for (int a = 0; a < tilesW; ++a)
            for (int b = 0; b < tilesD; ++b) FillTile(a, b);
        return;
    }
    if (ti >= 0 && ti < tilesW && tj >= 0 && tj < tilesD) FillTile(ti, tj);
}

int TERRAIN2::GetTileFilled(int ti, int tj) const {
    const TERRAIN_TILE* tile = GetTile(ti, tj);
    return tile ? tile->filled : 0;
}

const TERRAIN_TILE* TERRAIN2::GetTile(int ti, int tj) const {
    if (ti < 0 || ti >= tilesW || tj < 0 || tj >= tilesD) return nullptr;
    return &tiles[ti * tilesD + tj];
}

void TERRAIN2::FillTile(int ti, int tj) {
    if (!IsCreated() || !stagingVertices) return;
    TERRAIN_VERTEX* out = stagingVertices.get();
    static const int corner[6][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (int a = 0; a < TERRAIN_TILECELLS; ++a) {
        for (int b = 0; b < TERRAIN_TILECELLS; ++b) {
            const int i = TERRAIN_TILECELLS * ti + a;
            const int j = TERRAIN_TILECELLS * tj + b;
            for (int role = 0; role < 6; ++role) {
                const int v = VertexIndex(i + corner[role][0], j + corner[role][1]);
                const REAL_TERRAIN_VERTEX& rv = vRealTerrain[v];
                const UV_COMPONENT& uv = vUVComponent[6 * static_cast<size_t>(v) + role];
                out->x = rv.position.x;
                out->y = rv.position.y;
                out->z = rv.position.z;
                out->nx = rv.normal.x;
                out->ny = rv.normal.y;
                out->nz = rv.normal.z;
                out->color = uv.color;
                out->tu1 = uv.tu1;
                out->tv1 = uv.tv1;
                out->tu2 = uv.tu2;
                out->tv2 = uv.tv2;
                ++out;
            }
        }
    }
    TERRAIN_TILE& tile = tiles[ti * tilesD + tj];
    IDirect3DVertexBuffer8* vb = display.GetVB(tile.vertexBuffer);
    BYTE* data = nullptr;
    if (!vb || FAILED(vb->Lock(0, 0, &data, 0)) || !data) {
        WriteStartLog("Terrain tile vertex buffer Lock failed!");
        return;
    }
    std::memcpy(data, stagingVertices.get(), sizeof(TERRAIN_VERTEX) * TERRAIN_TILEVERTICES);
    vb->Unlock();
    tile.filled = 1;
}

// ---------------------------------------------------------------------------
// Night lighting

void TERRAIN2::ApplyAmbientToGround() {
    const uint32_t ambient = lightList.GetAmbientColor() & 0x00FFFFFFu;
    const size_t records = static_cast<size_t>(vertexCount) * 6;
    for (size_t k = 0; k < records; ++k) vUVComponent[k].color = WithRgb(vUVComponent[k].color, ambient);
}

void TERRAIN2::SetNightLighting(int on, int kind) {
    const int wasOn = nightLighting;
    nightLighting = on;
    if (kind != 3 || !IsCreated()) return;
    if (on && !wasOn) {
        for (int v = 0; v < vertexCount; ++v) saveColor[v] = vUVComponent[6 * static_cast<size_t>(v)].color & 0x00FFFFFFu;
        ApplyAmbientToGround();
        lightList.LightGround();
        BuildBlurTriangles();
    } else if (!on && wasOn) {
        for (int v = 0; v < vertexCount; ++v)
            for (int role = 0; role < 6; ++role) {
                UV_COMPONENT& uv = vUVComponent[6 * static_cast<size_t>(v) + role];
                uv.color = WithRgb(uv.color, saveColor[v]);
            }
        BuildBlurTriangles();
    } else if (on && wasOn) {
        ApplyAmbientToGround();
        lightList.LightGround();
        BuildBlurTriangles();
    }
    RefreshTiles(-1, -1);
}

void TERRAIN2::UpdateNightLighting() {
    if (!IsCreated()) return;
    ApplyAmbientToGround();
    lightList.LightGround();
    BuildBlurTriangles();
    RefreshTiles(-1, -1);
}

// ---------------------------------------------------------------------------
// Switches

void TERRAIN2::GetShadeChannels(int* red, int* green, int* blue) const {
    if (red) *red = shadeRed;
    if (green) *green = shadeGreen;
    if (blue) *blue = shadeBlue;
}

void TERRAIN2::SetShadeChannels(int red, int green, int blue) {
    shadeRed = red;
    shadeGreen = green;
    shadeBlue = blue;
}
