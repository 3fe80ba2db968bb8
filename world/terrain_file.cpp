// The terrain's layout section: tile counts, the vertex arrays and the blur
// entries, field by field in little-endian order.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "app/recordio.h"
#include "app/startlog.h"
#include "world/terrain.h"

namespace {

// Little-endian field writer over an open file; remembers the first failure.
class BYTE_WRITER {
public:
    explicit BYTE_WRITER(FILE* f) : file(f) {}
    void U32(uint32_t v) {
        unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                              static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
        if (ok && std::fwrite(b, 1, 4, file) != 4) ok = false;
    }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void F32(float v) {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        U32(u);
    }
    bool Ok() const { return ok; }

private:
    FILE* file;
    bool ok = true;
};

// Little-endian field reader over an open file; a short read fails it and
// every later read answers 0.
class BYTE_READER {
public:
    explicit BYTE_READER(FILE* f) : file(f) {}
    uint32_t U32() {
        unsigned char b[4] = {0, 0, 0, 0};
        if (!ok || std::fread(b, 1, 4, file) != 4) {
            ok = false;
            return 0;
        }
        return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
               (static_cast<uint32_t>(b[3]) << 24);
    }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    float F32() {
        const uint32_t u = U32();
        float v;
        std::memcpy(&v, &u, 4);
        return v;
    }
    bool Ok() const { return ok; }

private:
    FILE* file;
    bool ok = true;
};

bool BlurEntryFits(const BLUR_ENTRY& e, int gx, int gy) {
    if (e.free != 0 && e.free != 1) return false;
    if (e.free) return true;  // a free entry names no triangle
    if (e.role == 0) return e.i >= 0 && e.i < gx && e.j >= 0 && e.j < gy;
    if (e.role == 5) return e.i >= 1 && e.i <= gx && e.j >= 1 && e.j <= gy;
    return false;
}

// Puts back what the drawing and the ground queries cannot use: positions
// that are no numbers (the grid point instead; heights held within a
// million units), normals that are no numbers (straight up) and ground
// texture indices outside the 8 by 8 atlas (texture 0, no second texture).
// Answers the number of vertices changed.
int RepairVertices(REAL_TERRAIN_VERTEX* real, UV_COMPONENT* uvs, int gx, int gy, int w, int d) {
    constexpr int kAtlasTextures = 64;
    int changed = 0;
    for (int i = 0; i <= gx; ++i) {
        for (int j = 0; j <= gy; ++j) {
            const size_t v = static_cast<size_t>(i) * (gy + 1) + j;
            REAL_TERRAIN_VERTEX& rv = real[v];
            bool bad = false;
            const float gridX = i * (w * TERRAIN_TILESIZE) / gx - w * TERRAIN_TILESIZE / 2.0f;
            const float gridY = j * (d * TERRAIN_TILESIZE) / gy - d * TERRAIN_TILESIZE / 2.0f;
            bad |= recordio::BoundFloat(&rv.position.x, 1.0e6f, gridX);
            bad |= recordio::BoundFloat(&rv.position.y, 1.0e6f, gridY);
            bad |= recordio::BoundFloat(&rv.position.z, 1.0e6f, 0.0f);
            if (!std::isfinite(rv.normal.x) || !std::isfinite(rv.normal.y) || !std::isfinite(rv.normal.z)) {
                rv.normal = D3DXVECTOR3(0.0f, 0.0f, -1.0f);
                bad = true;
            }
            for (int r = 0; r < 6; ++r) {
                UV_COMPONENT& uv = uvs[v * 6 + r];
                bad |= recordio::BoundInt(&uv.texture1, 0, kAtlasTextures - 1, 0);
                bad |= recordio::BoundInt(&uv.texture2, -1, kAtlasTextures - 1, -1);
            }
            if (bad) changed++;
        }
    }
    return changed;
}

int LoadFailed(const char* why) {
    WriteStartLog("Terrain section rejected in TERRAIN2::Load(): ", NOLINEEND);
    WriteStartLog(why);
    return 0;
}

}  // namespace

int TERRAIN2::Save(FILE* file) {
    if (!file) return 0;
    BYTE_WRITER out(file);
    const int n = IsCreated() ? vertexCount : 0;
    out.I32(n ? tilesW : 0);
    out.I32(n ? tilesD : 0);
    out.I32(n);
    for (int v = 0; v < n; ++v) {
        const REAL_TERRAIN_VERTEX& rv = vRealTerrain[v];
        out.F32(rv.position.x);
        out.F32(rv.position.y);
        out.F32(rv.position.z);
        out.F32(rv.normal.x);
        out.F32(rv.normal.y);
        out.F32(rv.normal.z);
    }
    for (int v = 0; v < n; ++v) out.U32(saveColor[v]);
    for (size_t k = 0; k < static_cast<size_t>(n) * 6; ++k) {
        const UV_COMPONENT& uv = vUVComponent[k];
        out.U32(uv.color);
        out.F32(uv.tu1);
        out.F32(uv.tv1);
        out.F32(uv.tu2);
        out.F32(uv.tv2);
        out.I32(uv.texture1);
        out.I32(uv.texture2);
    }
    const int inUse = n ? GetBlurEntriesInUse() : 0;
    out.I32(inUse);
    if (n) {
        for (int k = 0; k < blurLength; ++k) {
            const BLUR_ENTRY& e = blurTable[k];
            if (e.free) continue;
            out.I32(e.i);
            out.I32(e.j);
            out.I32(e.role);
            out.I32(0);
        }
    }
    if (!out.Ok()) {
        WriteStartLog("Unable to write terrain in TERRAIN2::Save() !!!");
        return 0;
    }
    return 1;
}

int TERRAIN2::Load(FILE* file) {
    if (!file) return LoadFailed("no file");
    BYTE_READER in(file);
    const int w = in.I32();
    const int d = in.I32();
    if (!in.Ok()) return LoadFailed("truncated");
    if (w < 1 || w > TERRAIN_MAXSIDE || d < 1 || d > TERRAIN_MAXSIDE || w * d > TERRAIN_MAXTILES)
        return LoadFailed("bad tile counts");
    const int gx = TERRAIN_TILECELLS * w;
    const int gy = TERRAIN_TILECELLS * d;
    const int n = in.I32();
    if (!in.Ok()) return LoadFailed("truncated");
    if (n != (gx + 1) * (gy + 1)) return LoadFailed("bad vertex count");

    // Everything is read and checked before the current terrain is touched.
    std::unique_ptr<REAL_TERRAIN_VERTEX[]> real(new (std::nothrow) REAL_TERRAIN_VERTEX[n]);
    std::unique_ptr<uint32_t[]> colors(new (std::nothrow) uint32_t[n]);
    std::unique_ptr<UV_COMPONENT[]> uvs(new (std::nothrow) UV_COMPONENT[static_cast<size_t>(n) * 6]);
    if (!real || !colors || !uvs) return LoadFailed("out of memory");
    for (int v = 0; v < n; ++v) {
        REAL_TERRAIN_VERTEX& rv = real[v];
        rv.position.x = in.F32();
        rv.position.y = in.F32();
        rv.position.z = in.F32();
        rv.normal.x = in.F32();
        rv.normal.y = in.F32();
        rv.normal.z = in.F32();
    }
    for (int v = 0; v < n; ++v) colors[v] = in.U32();
    for (size_t k = 0; k < static_cast<size_t>(n) * 6; ++k) {
        UV_COMPONENT& uv = uvs[k];
        uv.color = in.U32();
        uv.tu1 = in.F32();
        uv.tv1 = in.F32();
        uv.tu2 = in.F32();
        uv.tv2 = in.F32();
        uv.texture1 = in.I32();
        uv.texture2 = in.I32();
    }
    const int count = in.I32();
    if (!in.Ok()) return LoadFailed("truncated");
    if (count < 0) return LoadFailed("bad blur entry count");
    std::vector<BLUR_ENTRY> entries;
    entries.reserve(static_cast<size_t>(std::min(count, BLUR_MAXENTRIES)));
    int dropped = 0;
    for (int k = 0; k < count; ++k) {
        BLUR_ENTRY e;
        e.i = in.I32();
        e.j = in.I32();
        e.role = in.I32();
        e.free = in.I32();
        if (!in.Ok()) return LoadFailed("truncated");
        if (k >= BLUR_MAXENTRIES) continue;  // read and dropped
        if (!BlurEntryFits(e, gx, gy)) {
            dropped++;
            continue;
        }
        entries.push_back(e);
    }
    if (dropped) WriteStartLog("Blur entries outside the grid dropped in TERRAIN2::Load():", dropped);
    const int repaired = RepairVertices(real.get(), uvs.get(), gx, gy, w, d);
    if (repaired) WriteStartLog("Terrain vertices repaired in TERRAIN2::Load():", repaired);

    if (!CreateTerrain(w, d)) return 0;
    std::memcpy(vRealTerrain.get(), real.get(), sizeof(REAL_TERRAIN_VERTEX) * n);
    std::memcpy(saveColor.get(), colors.get(), sizeof(uint32_t) * n);
    std::memcpy(vUVComponent.get(), uvs.get(), sizeof(UV_COMPONENT) * 6 * static_cast<size_t>(n));
    RefreshTiles(-1, -1);
    blurLength = 0;
    for (size_t k = 0; k < entries.size(); ++k) {
        blurTable[k] = entries[k];
        if (!entries[k].free) blurLength = static_cast<int>(k) + 1;
    }
    BuildBlurTriangles();
    return 1;
}
