// The terrain editing tools: brush, raise and lower, flatten, painting by cell
// and by brush, shading, the base texture and forming the ground under track.
#include "world/terraintools.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/myglobs.h"
#include "app/winmain.h"
#include "editor/editor.h"
#include "world/terrain.h"
#include "world/terrobj.h"

namespace {

constexpr float PI_F = 3.14159265358979f;
constexpr int MAXGROUNDCOUNTERS = 128;

int Channel(uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

uint32_t ShadeColor(uint32_t c, int darken, int red, int green, int blue) {
    const int enabled[3] = {red, green, blue};
    const int shifts[3] = {16, 8, 0};
    for (int k = 0; k < 3; ++k) {
        if (!enabled[k]) continue;
        int v = Channel(c, shifts[k]);
        v = darken ? ShadeDarker(v) : ShadeBrighter(v);
        c = (c & ~(0xFFu << shifts[k])) | (static_cast<uint32_t>(v) << shifts[k]);
    }
    return c;
}

}  // namespace

int ShadeDarker(int c) { return static_cast<int>(c / 1.1); }

int ShadeBrighter(int c) {
    if (c < 20) return 20;
    if (c <= 231) return static_cast<int>(c * 1.1);
    return c;
}

// ---------------------------------------------------------------------------
// Brush

void TERRAIN2::SetBrushSize(float v) {
    brushSize = v / 8.0f + 1.0f;
    raiseFactor = (brushSize - 1.0f) / 58.0f + 0.01f;
    if (raiseFactor < 0.0f) raiseFactor = 0.0f;
    paintFactor = 1.5f / (brushSize * 1.9f - 0.9f);
}

float TERRAIN2::GetBrushRadius() const { return std::max(0.0f, 4.0f * brushSize - 1.6f); }

int TerrainCellVertex(float p, float size, int count) {
    if (!std::isfinite(p) || size <= 0.0f) return -1;
    const double g = std::clamp((p + size / 2.0) / size * count, -1.0e6, 1.0e6);
    return static_cast<int>(g);
}

int TerrainRoundedVertex(float p, float size, int count) {
    if (!std::isfinite(p) || size <= 0.0f) return -1;
    const double g = std::clamp((p + size / 2.0) / size * count + 0.5, -1.0e6, 1.0e6);
    return static_cast<int>(g);
}

void TERRAIN2::RefitObjects() {
    terrobjList.UpdateHeights();
    terrobjList.UpdateLights();
}

// Recomputes the normals of rings fromRing..toRing around (ci, cj); the
// normal formula itself skips border vertices.
void TERRAIN2::ComputeRingNormals(int ci, int cj, int fromRing, int toRing) {
    for (int i = ci - toRing; i <= ci + toRing; ++i) {
        for (int j = cj - toRing; j <= cj + toRing; ++j) {
            const int ring = std::max(std::abs(i - ci), std::abs(j - cj));
            if (ring < fromRing) continue;
            ComputeNormal(i, j);
        }
    }
}

// ---------------------------------------------------------------------------
// Edit cursor

void TERRAIN2::UpdateEditCursor() {
    if (!baseBuffer || editorState != 150 || !cursorOn || !IsCreated()) return;
    cursorValid = 1;
    float px = 0.0f, py = 0.0f, pz = 0.0f;
    if (cursorFollow) {
        if (PickUnderMouse(&px, &py, &pz, 0)) {
            const int i = TerrainRoundedVertex(px, worldWidth, gridX);
            const int j = TerrainRoundedVertex(py, worldDepth, gridY);
            D3DXVECTOR3 v;
            if (!GetVertexPosition(i, j, &v)) {
                cursorValid = 0;
                return;
            }
            cursorPoint = v;
        }
    }
    if (cursorRepick) {
        if (PickUnderMouse(&px, &py, &pz, 0)) cursorPoint = D3DXVECTOR3(px, py, pz);
    }
    WriteEditCursor();
}

void TERRAIN2::WriteEditCursor() {
    const float halfW = worldWidth / 2, halfD = worldDepth / 2;
    if (std::fabs(cursorPoint.x) > halfW || std::fabs(cursorPoint.y) > halfD) {
        cursorValid = 0;
        return;
    }
    TERRAIN_VERTEX* data = LockBase();
    if (!data) return;
    const int maxCount = TERRAIN_BASEVERTICES - TERRAIN_SKIRTVERTICES;
    int count = 0;
    for (int k = 0; count < maxCount; ++k) {
        const double t = k * 0.06283186;
        if (t > 6.293185) break;
        TERRAIN_VERTEX& out = data[TERRAIN_SKIRTVERTICES + count];
        float x = cursorPoint.x + brushSize * static_cast<float>(std::cos(t));
        float y = cursorPoint.y + brushSize * static_cast<float>(std::sin(t));
        out.z = GetHeight(x, y, 0) - 0.1f;
        out.x = std::clamp(x, -halfW, halfW);
        out.y = std::clamp(y, -halfD, halfD);
        out.nx = out.ny = out.nz = 0.0f;
        out.color = 0xFFFF0000;
        out.tu1 = out.tv1 = out.tu2 = out.tv2 = 0.0f;
        ++count;
    }
    UnlockBase();
    cursorVertexCount = count;
}

// ---------------------------------------------------------------------------
// Raise and lower

void TERRAIN2::RaiseLowerAtCursor(int value, int mode) {
    float px = 0.0f, py = 0.0f, pz = 0.0f;
    if (mode == 1 && !PickUnderMouse(&px, &py, &pz, 0)) return;
    RaiseLowerAt(px, py, value, mode);
}

void TERRAIN2::RaiseLowerAt(float px, float py, int value, int mode) {
    if (!IsCreated()) return;
    if (mode == 1) {
        raiseCenterI = TerrainRoundedVertex(px, worldWidth, gridX);
        raiseCenterJ = TerrainRoundedVertex(py, worldDepth, gridY);
        raiseLastValue = value;
        raiseAccumulated = 0;
        raisePreviousAccumulated = 0;
        raiseCenterHeight = GetVertexHeight(raiseCenterI, raiseCenterJ);
        return;
    }
    if (value == raiseLastValue) return;
    std::fill(std::begin(tileChanged), std::end(tileChanged), 0);
    raiseAccumulated = std::clamp(raiseAccumulated + value - raiseLastValue, -500, 500);
    raiseLastValue = value;
    raiseCurrent = raiseAccumulated / 100.0f;
    raisePrevious = raisePreviousAccumulated / 100.0f;
    raiseStep = (raiseAccumulated - raisePreviousAccumulated) / 100.0f;
    raisePreviousAccumulated = raiseAccumulated;

    const int ci = raiseCenterI, cj = raiseCenterJ;
    const int maxRing = gridX + gridY + 2;
    int lastRing = 0;
    for (int k = 0; k <= maxRing; ++k) {
        int inside = 0;
        for (int i = ci - k; i <= ci + k; ++i) {
            for (int j = cj - k; j <= cj + k; ++j) {
                if (std::max(std::abs(i - ci), std::abs(j - cj)) != k) continue;
                const float d = std::sqrt(static_cast<float>((i - ci) * (i - ci) + (j - cj) * (j - cj)));
                float a = 0.0f;
                if (d > 0.0f) a = raiseFactor > 0.0f ? d / raiseFactor * PI_F / 180.0f : PI_F;
                if (a > PI_F / 2) continue;
                ++inside;
                if (i <= 0 || i >= gridX || j <= 0 || j >= gridY) continue;
                const float cosA = std::cos(a);
                const float delta = cosA * raiseCurrent - cosA * raisePrevious;
                REAL_TERRAIN_VERTEX& rv = vRealTerrain[VertexIndex(i, j)];
                if (k == 0) {
                    rv.position.z += delta;
                    raiseCenterHeight = rv.position.z;
                } else {
                    const float h = rv.position.z;
                    const float m = raiseCenterHeight - (1.0f - cosA) * raiseCurrent;
                    if ((m < h && delta < 0.0f) || (m > h && delta > 0.0f)) rv.position.z += delta;
                }
                bRealTerrainFormed[VertexIndex(i, j)] = 1;
            }
        }
        lastRing = k;
        if (!inside) break;
    }
    ComputeRingNormals(ci, cj, 0, lastRing + 2);
    for (int i = ci - lastRing - 1; i <= ci + lastRing + 1; ++i) {
        for (int j = cj - lastRing - 1; j <= cj + lastRing + 1; ++j) {
            if (!IsInGrid(i, j)) continue;
            bRealTerrainFormed[VertexIndex(i, j)] = 0;
            MarkTileOfVertex(i, j);
        }
    }
    RefitObjects();
    RefreshChangedTiles();
    BuildBlurTriangles();
}

// ---------------------------------------------------------------------------
// Flatten

int TERRAIN2::FlattenAtCursor(int mode) {
    float px = 0.0f, py = 0.0f, pz = 0.0f;
    if (!PickUnderMouse(&px, &py, &pz, 0)) return 0;
    FlattenAt(px, py, mode, frameTime);
    return 1;
}

void TERRAIN2::FlattenAt(float px, float py, int mode, int frameMs) {
    if (!IsCreated()) return;
    flattenX = px;
    flattenY = py;
    const int ci = TerrainCellVertex(px, worldWidth, gridX);
    const int cj = TerrainCellVertex(py, worldDepth, gridY);
    if (mode == 1) {
        flattenLevel = IsInGrid(ci, cj) ? GetVertexHeight(ci, cj) : -0.01f;
        return;
    }
    const float reach = brushSize + 1.4f;
    const int maxRing = gridX + gridY + 2;
    int lastRing = 0;
    for (int k = 0; k <= maxRing; ++k) {
        int inRange = 0;
        for (int i = ci - k; i <= ci + k; ++i) {
            for (int j = cj - k; j <= cj + k; ++j) {
                if (std::max(std::abs(i - ci), std::abs(j - cj)) != k) continue;
                if (i <= 0 || i >= gridX || j <= 0 || j >= gridY) continue;
                REAL_TERRAIN_VERTEX& rv = vRealTerrain[VertexIndex(i, j)];
                const float dx = rv.position.x - px, dy = rv.position.y - py;
                const float d = std::sqrt(dx * dx + dy * dy);
                if (d > reach) continue;
                ++inRange;
                if (d <= brushSize) {
                    rv.position.z = flattenLevel;
                } else {
                    const float f = (d - brushSize) / 1.4f;
                    const float w = (1.0f - f) * frameMs / 500.0f;
                    rv.position.z = (1.0f - w) * rv.position.z + w * flattenLevel;
                }
            }
        }
        lastRing = k;
        if (!inRange) break;
    }
    ComputeRingNormals(ci, cj, 0, lastRing + 1);
    std::fill(std::begin(tileChanged), std::end(tileChanged), 0);
    for (int i = ci - lastRing - 1; i <= ci + lastRing + 1; ++i)
        for (int j = cj - lastRing - 1; j <= cj + lastRing + 1; ++j)
            if (IsInGrid(i, j)) MarkTileOfVertex(i, j);
    RefreshChangedTiles();
    RefitObjects();
    BuildBlurTriangles();
}

// ---------------------------------------------------------------------------
// Painting

void TERRAIN2::PaintTriangle(int i, int j, int role, int a, int b, int c) {
    if (!IsCreated() || role < 0 || role > 5) return;
    int ci[3], cj[3], cr[3];
    for (int k = 0; k < 3; ++k) {
        CornerOf(i, j, role, k, &ci[k], &cj[k], &cr[k]);
        if (!IsInGrid(ci[k], cj[k])) return;
    }
    const int tex[3] = {a, b, c};
    UV_COMPONENT* rec[3];
    for (int k = 0; k < 3; ++k) rec[k] = Record(ci[k], cj[k], cr[k]);
    auto pos = [this](int vi, int vj) { return vRealTerrain[VertexIndex(vi, vj)].position; };
    if (a == b && b == c) {
        for (int k = 0; k < 3; ++k) {
            const D3DXVECTOR3 p = pos(ci[k], cj[k]);
            rec[k]->texture1 = a;
            rec[k]->texture2 = -1;
            GetRoleUV(a, p.x, p.y, cr[k], &rec[k]->tu1, &rec[k]->tv1);
            GetRoleUV(a, p.x, p.y, cr[k], &rec[k]->tu2, &rec[k]->tv2);
            rec[k]->color &= 0x00FFFFFFu;
        }
        RemoveBlurEntry(i, j, role);
    } else if (a == b || b == c || a == c) {
        const int o = (a == b) ? c : b;
        for (int k = 0; k < 3; ++k) {
            const D3DXVECTOR3 p = pos(ci[k], cj[k]);
            rec[k]->texture1 = a;
            rec[k]->texture2 = o;
            GetRoleUV(a, p.x, p.y, cr[k], &rec[k]->tu1, &rec[k]->tv1);
            GetRoleUV(o, p.x, p.y, cr[k], &rec[k]->tu2, &rec[k]->tv2);
            const uint32_t alpha = (k > 0 && tex[k] == o) ? 255u : 0u;
            rec[k]->color = (rec[k]->color & 0x00FFFFFFu) | (alpha << 24);
        }
        RemoveBlurEntry(i, j, role);
    } else {
        for (int k = 0; k < 3; ++k) {
            const D3DXVECTOR3 p = pos(ci[k], cj[k]);
            rec[k]->texture1 = tex[k];
            rec[k]->texture2 = -1;
            GetRoleUV(BLUR_SLOT, p.x, p.y, cr[k], &rec[k]->tu1, &rec[k]->tv1);
            GetRoleUV(BLUR_SLOT, p.x, p.y, cr[k], &rec[k]->tu2, &rec[k]->tv2);
            rec[k]->color &= 0x00FFFFFFu;
        }
        AddBlurEntry(i, j, role);
    }
}

void TERRAIN2::PaintCell() {
    float px = 0.0f, py = 0.0f, pz = 0.0f;
    if (!PickUnderMouse(&px, &py, &pz, 0)) return;
    PaintCellAt(px, py);
}

void TERRAIN2::PaintCellAt(float px, float py) {
    if (!IsCreated()) return;
    const int i = TerrainCellVertex(px, worldWidth, gridX);
    const int j = TerrainCellVertex(py, worldDepth, gridY);
    const int t = paintTexture;
    PaintTriangle(i, j, 0, t, t, t);
    PaintTriangle(i + 1, j + 1, 5, t, t, t);
    BuildBlurTriangles();
    if (i >= 0 && i < gridX && j >= 0 && j < gridY) {
        const int ti = i / TERRAIN_TILECELLS, tj = j / TERRAIN_TILECELLS;
        tiles[ti * tilesD + tj].changed = 1;
        RefreshTiles(ti, tj);
    }
}

// Weighs one corner record toward the paint texture by its distance from the
// brush centre; answers 1 when the record changed.
int TERRAIN2::WeighCorner(int i, int j, int role, float px, float py) {
    if (!IsInGrid(i, j)) return 0;
    const float vx = i * TERRAIN_CELLSIZE - worldWidth / 2;
    const float vy = j * TERRAIN_CELLSIZE - worldDepth / 2;
    const float d = std::sqrt((vx - px) * (vx - px) + (vy - py) * (vy - py));
    const int g = static_cast<int>((1.0f - d * paintFactor) * 3.99f);
    if (g <= 0) return 0;
    UV_COMPONENT* rec = Record(i, j, role);
    const int f = rec->texture1;
    const int s = rec->texture2;
    const int o = static_cast<int>(rec->color >> 24) / 85;
    const int p = paintTexture;
    if ((p == f && 3 - o >= g) || (p == s && o >= g)) return 0;
    rec->texture1 = p;
    if (g == 3)
        rec->texture2 = -1;
    else if (3 - o < o)
        rec->texture2 = s;
    else
        rec->texture2 = f;
    const uint32_t alpha = static_cast<uint32_t>(255 - 85 * g);
    rec->color = (rec->color & 0x00FFFFFFu) | (alpha << 24);
    return 1;
}

// Makes the atlas coordinates of a triangle's corners agree with their
// textures: one or two textures blend in the tile, more go to the blur table.
void TERRAIN2::DeriveTriangle(int i, int j, int role) {
    int ci[3], cj[3], cr[3];
    for (int k = 0; k < 3; ++k) {
        CornerOf(i, j, role, k, &ci[k], &cj[k], &cr[k]);
        if (!IsInGrid(ci[k], cj[k])) return;
    }
    UV_COMPONENT* rec[3];
    for (int k = 0; k < 3; ++k) rec[k] = Record(ci[k], cj[k], cr[k]);
    int list[6];
    int count = 0;
    for (int k = 0; k < 3; ++k) {
        for (int t : {rec[k]->texture1, rec[k]->texture2}) {
            if (t == -1) continue;
            if (std::find(list, list + count, t) == list + count) list[count++] = t;
        }
    }
    auto pos = [this](int vi, int vj) { return vRealTerrain[VertexIndex(vi, vj)].position; };
    if (count >= 3) {
        for (int k = 0; k < 3; ++k) {
            const D3DXVECTOR3 p = pos(ci[k], cj[k]);
            GetRoleUV(BLUR_SLOT, p.x, p.y, cr[k], &rec[k]->tu1, &rec[k]->tv1);
            GetRoleUV(BLUR_SLOT, p.x, p.y, cr[k], &rec[k]->tu2, &rec[k]->tv2);
        }
        AddBlurEntry(i, j, role);
        return;
    }
    if (count == 0) return;
    int first, second;
    if (count == 1) {
        first = second = list[0];
    } else {
        first = rec[0]->texture1;
        if (first == -1) first = list[0];
        // The second texture is the other of the two.
        second = (list[0] == first) ? list[1] : list[0];
    }
    for (int k = 1; k < 3; ++k) {
        if (rec[k]->texture1 == first) continue;
        rec[k]->texture2 = rec[k]->texture1;
        rec[k]->texture1 = first;
        const uint32_t alpha = 255u - (rec[k]->color >> 24);
        rec[k]->color = (rec[k]->color & 0x00FFFFFFu) | (alpha << 24);
    }
    for (int k = 0; k < 3; ++k) {
        const D3DXVECTOR3 p = pos(ci[k], cj[k]);
        GetRoleUV(first, p.x, p.y, cr[k], &rec[k]->tu1, &rec[k]->tv1);
        GetRoleUV(second, p.x, p.y, cr[k], &rec[k]->tu2, &rec[k]->tv2);
    }
    RemoveBlurEntry(i, j, role);
}

void TERRAIN2::BrushPaintRole(int i, int j, int role, float px, float py) {
    if (i < 0 || i >= gridX || j < 1 || j > gridY) return;
    int changed = 0;
    for (int k = 0; k < 3; ++k) {
        int ci, cj, cr;
        CornerOf(i, j, role, k, &ci, &cj, &cr);
        changed |= WeighCorner(ci, cj, cr, px, py);
    }
    if (changed) DeriveTriangle(i, j, role);
}

int TERRAIN2::PaintBrush() {
    float px = 0.0f, py = 0.0f, pz = 0.0f;
    std::fill(std::begin(tileChanged), std::end(tileChanged), 0);
    if (!PickUnderMouse(&px, &py, &pz, 0)) return 0;
    PaintBrushAt(px, py);
    return 1;
}

void TERRAIN2::PaintBrushAt(float px, float py) {
    if (!IsCreated()) return;
    std::fill(std::begin(tileChanged), std::end(tileChanged), 0);
    const int r = static_cast<int>(1.0f / paintFactor / TERRAIN_CELLSIZE + 0.5f) + 1;
    const int ci = TerrainRoundedVertex(px, worldWidth, gridX);
    const int cj = TerrainRoundedVertex(py, worldDepth, gridY);
    if (ci <= 0 || ci >= gridX || cj <= 0 || cj >= gridY) return;
    for (int i = ci - r; i <= ci + r; ++i) {
        for (int j = cj - r; j <= cj + r; ++j) {
            BrushPaintRole(i, j, 4, px, py);
            BrushPaintRole(i, j, 1, px, py);
        }
    }
    BuildBlurTriangles();
    for (int i = ci - r; i <= ci + r + 1; ++i)
        for (int j = cj - r - 1; j <= cj + r; ++j)
            if (IsInGrid(i, j)) MarkTileOfVertex(i, j);
    for (int ti = 0; ti < tilesW; ++ti)
        for (int tj = 0; tj < tilesD; ++tj)
            if (tileChanged[ti * tilesD + tj]) {
                tiles[ti * tilesD + tj].changed = 1;
                FillTile(ti, tj);
            }
}

// ---------------------------------------------------------------------------
// Shading

void TERRAIN2::ShadeAtCursor(int darken) {
    float px = 0.0f, py = 0.0f, pz = 0.0f;
    if (!PickUnderMouse(&px, &py, &pz, 0)) return;
    ShadeAt(px, py, darken);
}

void TERRAIN2::ShadeAt(float px, float py, int darken) {
    if (!IsCreated()) return;
    const int i = TerrainCellVertex(px, worldWidth, gridX);
    const int j = TerrainCellVertex(py, worldDepth, gridY);
    if (i == shadeLastI && j == shadeLastJ) return;
    shadeLastI = i;
    shadeLastJ = j;
    if (!IsInGrid(i, j)) return;
    for (int role = 0; role < 6; ++role) {
        UV_COMPONENT* rec = Record(i, j, role);
        rec->color = ShadeColor(rec->color, darken, shadeRed, shadeGreen, shadeBlue);
    }
    // At night the records hold the night colours; the day colours kept for
    // the switch back to day get the same shading.
    if (nightLighting) {
        uint32_t& saved = saveColor[VertexIndex(i, j)];
        saved = ShadeColor(saved, darken, shadeRed, shadeGreen, shadeBlue) & 0x00FFFFFFu;
    }
    const int ti = std::min(i / TERRAIN_TILECELLS, tilesW - 1);
    const int tj = std::min(j / TERRAIN_TILECELLS, tilesD - 1);
    tiles[ti * tilesD + tj].changed = 1;
    RefreshTiles(ti, tj);
    BuildBlurTriangles();
}

// ---------------------------------------------------------------------------
// Base texture

int TERRAIN2::CountBaseTexture() const {
    if (!IsCreated()) return 0;
    int counts[MAXGROUNDCOUNTERS] = {};
    const int limit = std::clamp(myGlobs.groundTextures, 0, MAXGROUNDCOUNTERS);
    const size_t records = static_cast<size_t>(vertexCount) * 6;
    for (size_t k = 0; k < records; ++k) {
        const UV_COMPONENT& uv = vUVComponent[k];
        if (uv.texture1 >= 0 && uv.texture1 < limit) ++counts[uv.texture1];
        if (uv.texture2 >= 0 && uv.texture2 < limit) ++counts[uv.texture2];
    }
    int best = 0;
    for (int t = 1; t < limit; ++t)
        if (counts[t] > counts[best]) best = t;
    return best;
}

void TERRAIN2::SetBaseTexture(int index) {
    if (!IsCreated() || index < 0 || index >= MAXGROUNDCOUNTERS) return;
    baseTexture = CountBaseTexture();
    if (index == baseTexture) return;
    const size_t records = static_cast<size_t>(vertexCount) * 6;
    for (size_t k = 0; k < records; ++k) {
        UV_COMPONENT& uv = vUVComponent[k];
        bool changed = false;
        if (uv.texture1 == baseTexture) {
            uv.texture1 = index;
            changed = true;
        }
        if (uv.texture2 == baseTexture) {
            uv.texture2 = index;
            changed = true;
        }
        if (changed && uv.texture1 == uv.texture2) {
            uv.texture2 = -1;
            uv.color &= 0x00FFFFFFu;
        }
    }
    for (int i = 0; i <= gridX; ++i) {
        for (int j = 0; j <= gridY; ++j) {
            for (int role = 0; role < 6; ++role) {
                if (i == 0 && (role == 2 || role == 3 || role == 5)) continue;
                if (i == gridX && (role == 0 || role == 1 || role == 4)) continue;
                if (j == 0 && (role == 1 || role == 4 || role == 5)) continue;
                if (j == gridY && (role == 0 || role == 2 || role == 3)) continue;
                DeriveTriangle(i, j, role);
            }
        }
    }
    baseTexture = index;
    BuildBlurTriangles();
    RefreshTiles(-1, -1);
}

// ---------------------------------------------------------------------------
// Forming the ground under a track piece

void TERRAIN2::FormUnderPiece(float x, float y, float z, float halfLength, float halfWidth, float heading,
                              float slope) {
    if (!IsCreated()) return;
    const int ci = TerrainCellVertex(x, worldWidth, gridX);
    const int cj = TerrainCellVertex(y, worldDepth, gridY);
    const float e = halfWidth;
    const float headingRad = heading * PI_F / 180.0f;
    const float sinSlope = std::sin(slope * PI_F / 180.0f);
    const int maxRing = gridX + gridY + 2;
    for (int k = 0; k <= maxRing; ++k) {
        int inRange = 0;
        for (int i = ci - k; i <= ci + k; ++i) {
            for (int j = cj - k; j <= cj + k; ++j) {
                if (std::max(std::abs(i - ci), std::abs(j - cj)) != k) continue;
                if (i <= 0 || i >= gridX || j <= 0 || j >= gridY) continue;
                REAL_TERRAIN_VERTEX& rv = vRealTerrain[VertexIndex(i, j)];
                const float vx = rv.position.x, vy = rv.position.y;
                const float dx = vx - x, dy = vy - y;
                const float d = std::sqrt(dx * dx + dy * dy);
                float beta = d > 0.0f ? std::acos(std::clamp(std::fabs(dx) / d, 0.0f, 1.0f)) : 0.0f;
                if (vy < y) beta = -beta;
                if (vx < x) beta = -beta;
                const float a = headingRad - beta;
                const float along = std::fabs(std::cos(a)) * d;
                const float across = std::fabs(std::sin(a)) * d;
                if (along > halfLength || across > 2.0f * e) continue;
                ++inRange;
                float rise = std::cos(a) * sinSlope * d;
                if (x < vx) rise = -rise;
                if (across <= e) {
                    rv.position.z = z + rise;
                } else {
                    const float f = (across - e) / e;
                    rv.position.z = (z + rise) * (1.0f - f) + f * rv.position.z;
                }
            }
        }
        if (!inRange) break;
    }
}
