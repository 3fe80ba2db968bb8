// The object types: .x meshes under "Scenes/xfiles/" with their textures,
// the X file list, object names, sky boxes, lighting textures, lamp
// information, angle usage, object controls, engine spots and detach rules.
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "content/content.h"
#include "content/image.h"
#include "content/layout.h"
#include "content/pixfont.h"
#include "content/xmesh.h"

namespace content {
namespace {

constexpr float PI = 3.14159265f;
float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

// Texture names as the meshes and lists refer to them.
std::string Tex(const char* file) { return std::string("Scenes\\xfiles\\") + file; }

const UvRect FULL{0, 0, 1, 1};

// ---------------------------------------------------------------------------
// Object textures

Image Plaster() {
    Image img(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const float n = Fbm(x / 8.0f, y / 8.0f, 8, 3, 201);
            const float v = 0.82f + 0.14f * n;
            img.At(x, y) = Rgba{v, v, v * 0.98f, 1};
        }
    return img;
}

Image RoofTiles() {
    Image img(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int row = y / 8;
            const int off = (row % 2) * 4;
            const float inRow = (y % 8) / 8.0f;
            const float tone = 0.75f + 0.2f * Hash01(uint32_t((x + off) / 8), uint32_t(row), 211);
            float v = tone * (0.7f + 0.3f * inRow);
            if ((x + off) % 8 == 0) v *= 0.7f;
            img.At(x, y) = Rgba{v, v, v, 1};
        }
    return img;
}

Image Bricks() {
    Image img(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int row = y / 8;
            const int off = (row % 2) * 8;
            const bool joint = y % 8 == 0 || (x + off) % 16 == 0;
            const float tone = 0.8f + 0.25f * Hash01(uint32_t((x + off) / 16), uint32_t(row), 221);
            img.At(x, y) = joint ? Hex(0xb8b0a0) : Scale(Hex(0xa8523a), tone);
        }
    return img;
}

Image Planks(uint32_t rgb) {
    Image img(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const float grain = ValueNoise(x / 12.0f, y / 1.5f, 1024, 231);
            float v = 0.75f + 0.3f * grain;
            if (x % 16 == 0) v *= 0.55f;
            img.At(x, y) = Scale(Hex(rgb), v);
        }
    return img;
}

Image Corrugated(uint32_t rgb) {
    Image img(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const float wave = 0.8f + 0.2f * std::sin(x * PI / 4);
            const float n = Fbm(x / 16.0f, y / 16.0f, 4, 2, 241);
            img.At(x, y) = Scale(Hex(rgb), wave * (0.9f + 0.15f * n));
        }
    return img;
}

Image Concrete() {
    Image img(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const float n = Fbm(x / 8.0f, y / 8.0f, 8, 4, 251);
            const float v = 0.62f + 0.16f * n + 0.05f * Hash01(uint32_t(x), uint32_t(y), 252);
            img.At(x, y) = Rgba{v, v, v * 0.97f, 1};
        }
    return img;
}

// Window panes: shown as they are by day and lit again at night.
Image WindowPane() {
    Image img(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const bool frame = x < 3 || x > 28 || y < 3 || y > 28 || (x > 14 && x < 17) || (y > 14 && y < 17);
            img.At(x, y) = frame ? Hex(0x6a6258) : Mix(Hex(0x6c6050), Hex(0x8a7a58), y / 32.0f);
        }
    return img;
}

Image LampGlass() {
    Image img(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const float d = std::hypot(x - 7.5f, y - 7.5f) / 8;
            img.At(x, y) = Mix(Hex(0xfff2c8), Hex(0xc8a060), Clamp01(d));
        }
    return img;
}

Image Halo() {
    Image img(64, 64, Rgba{0, 0, 0, 1});
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const float d = std::hypot(x + 0.5f - 32, y + 0.5f - 32) / 32;
            const float v = std::pow(Clamp01(1 - d), 2.2f);
            img.At(x, y) = Rgba{v, v, v, 1};
        }
    return img;
}

// Coach sides: a row of windows over the body colour, with a waist band.
Image CoachSide(uint32_t body, uint32_t band) {
    Image img(128, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 128; ++x) {
            Rgba c = Hex(body);
            if (y >= 20 && y < 23) c = Hex(band);
            const int wx = x % 16;
            if (y >= 6 && y < 17 && wx >= 3 && wx < 14) c = Mix(Hex(0x9ab8c8), Hex(0x4a6070), (y - 6) / 11.0f);
            img.At(x, y) = c;
        }
    return img;
}

Image Boxcar() {
    Image img = Planks(0x7a3a26);
    img.FillRect(22, 8, 20, 52, Scale(Hex(0x7a3a26), 0.85f));
    img.Line(22, 8, 42, 60, 2, Hex(0x3a2014));
    img.Line(42, 8, 22, 60, 2, Hex(0x3a2014));
    return img;
}

// Signs: a speed board, a station name board and a warning cross.
Image SignAtlas() {
    Image img(128, 128, Hex(0xf0f0f0));
    // Speed limit: red ring with 40.
    img.Disc(32, 32, 30, Hex(0xc02020));
    img.Disc(32, 32, 23, Hex(0xfafafa));
    Image n = RenderPixelText("40", 3, true, false);
    for (int y = 0; y < n.Height(); ++y)
        for (int x = 0; x < n.Width(); ++x) n.At(x, y) = Rgba{0.1f, 0.1f, 0.1f, n.At(x, y).a};
    img.Blit(n, 32 - n.Width() / 2, 32 - n.Height() / 2 - 2);
    // Station board.
    img.FillRect(0, 64, 128, 32, Hex(0x1c3c6a));
    img.FillRect(2, 66, 124, 28, Hex(0xfafafa));
    Image t = RenderPixelText("Velmarine", 2, true, false);
    for (int y = 0; y < t.Height(); ++y)
        for (int x = 0; x < t.Width(); ++x) t.At(x, y) = Rgba{0.1f, 0.2f, 0.4f, t.At(x, y).a};
    img.Blit(t, 64 - t.Width() / 2, 80 - t.Height() / 2);
    // Whistle board: a black W on white.
    img.FillRect(64, 0, 64, 64, Hex(0xfafafa));
    Image w = RenderPixelText("W", 5, true, false);
    for (int y = 0; y < w.Height(); ++y)
        for (int x = 0; x < w.Width(); ++x) w.At(x, y) = Rgba{0.05f, 0.05f, 0.05f, w.At(x, y).a};
    img.Blit(w, 96 - w.Width() / 2, 32 - w.Height() / 2 - 4);
    // Dark metal (post) at the bottom.
    img.FillRect(0, 96, 128, 32, Hex(0x404448));
    return img;
}
constexpr UvRect SIGN_SPEED{0.0f, 0.0f, 0.5f, 0.5f};
constexpr UvRect SIGN_STATION{0.0f, 0.5f, 1.0f, 0.75f};
constexpr UvRect SIGN_WHISTLE{0.5f, 0.0f, 1.0f, 0.5f};
constexpr UvRect SIGN_POST{0.0f, 0.8f, 1.0f, 1.0f};

// The sky: zenith at the top, the horizon (the fog colour) at v = 0.9.
Image Sky(uint32_t zenith, uint32_t horizon, float clouds, uint32_t cloudRgb, bool stars, uint32_t seed) {
    Image img(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const float v = (y + 0.5f) / 256;
            const float t = Clamp01(v / 0.9f);
            Rgba c = Mix(Hex(zenith), Hex(horizon), std::pow(t, 2.2f));
            if (clouds > 0) {
                // Clouds tile around the dome (u wraps).
                const float n = Fbm(x / 32.0f, y / 24.0f, 8, 5, seed);
                const float k = Clamp01((n - (0.62f - clouds * 0.25f)) * 5) * Clamp01((0.92f - v) * 6);
                c = Mix(c, Hex(cloudRgb), k * 0.9f);
            }
            if (stars && Hash01(uint32_t(x), uint32_t(y), seed) > 0.996f && v < 0.8f)
                c = Mix(c, Hex(0xffffff), 0.8f * (1 - v));
            img.At(x, y) = c;
        }
    return img;
}

Image BaseGround() {
    Image img(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const float n = Fbm(x / 16.0f, y / 16.0f, 4, 4, 271);
            img.At(x, y) = Mix(Hex(0x5a8a36), Hex(0x46722a), n);
        }
    return img;
}

bool WriteObjectTextures(const std::string& out) {
    const std::string dir = "Scenes/xfiles/";
    bool ok = true;
    auto dds = [&](const char* name, const Image& img) {
        ok = WriteDds(out, dir + name, img, DdsFormat::A8R8G8B8) && ok;
    };
    dds("plaster.dds", Plaster());
    dds("roof_tiles.dds", RoofTiles());
    dds("bricks.dds", Bricks());
    dds("planks.dds", Planks(0x8a6a48));
    dds("planks_dark.dds", Planks(0x5a4030));
    dds("metal_sheet.dds", Corrugated(0x8a9298));
    dds("concrete.dds", Concrete());
    dds("window_lit.dds", WindowPane());
    dds("lamp_glass.dds", LampGlass());
    dds("halo.dds", Halo());
    dds("coach_green.dds", CoachSide(0x2f5e3a, 0xe0c060));
    dds("coach_red.dds", CoachSide(0x7a2424, 0xe8d8b0));
    dds("boxcar.dds", Boxcar());
    dds("signs.dds", SignAtlas());
    dds("base_ground.dds", BaseGround());
    ok = WriteDds(out, "Scenes/sky/sky_day.dds", Sky(0x3f78c0, 0xb8cde0, 0.5f, 0xfafafa, false, 281), DdsFormat::DXT1) && ok;
    ok = WriteDds(out, "Scenes/sky/sky_overcast.dds", Sky(0x7a8490, 0xb4b8bc, 1.2f, 0xd0d2d6, false, 282), DdsFormat::DXT1) && ok;
    ok = WriteDds(out, "Scenes/sky/sky_evening.dds", Sky(0x2a3a78, 0xe8a060, 0.35f, 0xf0b080, false, 283), DdsFormat::DXT1) && ok;
    ok = WriteDds(out, "Scenes/sky/sky_night.dds", Sky(0x02040c, 0x141c30, 0.15f, 0x202838, true, 284), DdsFormat::DXT1) && ok;
    return ok;
}

// ---------------------------------------------------------------------------
// Meshes. Every builder fills an XMesh; the table below names the files.

// Helper: a flat material without texture.
int Flat(XMesh& m, uint32_t rgb) { return m.Material(rgb); }

// ---- Special objects of the program ----

void TunnelSection(XMesh& m) {
    // An arch over the track, one unit long along x (the program bends it).
    const int mat = m.Material(0xffffff, Tex("plaster.dds"));
    const int n = 10;
    const float r = 0.42f, wallH = 0.3f;
    auto prof = [&](int i) {  // profile point i from the right foot over the top to the left foot
        if (i == 0) return std::pair<float, float>{r, 0.0f};
        if (i == n + 2) return std::pair<float, float>{-r, 0.0f};
        const float a = PI * (i - 1) / n;
        return std::pair<float, float>{r * std::cos(a), wallH + r * std::sin(a)};
    };
    for (int i = 0; i < n + 2; ++i) {
        const auto [y0, z0] = prof(i);
        const auto [y1, z1] = prof(i + 1);
        const float v0 = float(i) / (n + 2) * 2, v1 = float(i + 1) / (n + 2) * 2;
        // Outer and inner skins.
        m.Quad(V3{-0.5f, y0 * 1.15f, z0 * 1.08f + 0.02f}, V3{-0.5f, y1 * 1.15f, z1 * 1.08f + 0.02f},
               V3{0.5f, y1 * 1.15f, z1 * 1.08f + 0.02f}, V3{0.5f, y0 * 1.15f, z0 * 1.08f + 0.02f}, mat,
               UvRect{0, v0, 1, v1});
        m.Quad(V3{0.5f, y0, z0}, V3{0.5f, y1, z1}, V3{-0.5f, y1, z1}, V3{-0.5f, y0, z0}, mat, UvRect{0, v0, 1, v1});
    }
}

void BridgeSection(XMesh& m) {
    const int mat = m.Material(0xffffff, Tex("concrete.dds"));  // the program binds its bridge texture
    const UvRect lattice{0.0f, 0.0f, 1.0f, 0.49f}, stone{0.0f, 0.51f, 1.0f, 1.0f};
    // Deck under the bed.
    m.Box(V3{-0.5f, -0.34f, -0.14f}, V3{0.5f, 0.34f, -0.005f}, mat, stone, 0, 63 - 32);
    // Side lattices (seen from both sides).
    for (float y : {-0.34f, 0.34f})
        m.Quad(V3{-0.5f, y, -0.14f}, V3{0.5f, y, -0.14f}, V3{0.5f, y, 0.34f}, V3{-0.5f, y, 0.34f}, mat, lattice, true);
    // A pier under the middle of every unit.
    m.Box(V3{-0.13f, -0.26f, -6.0f}, V3{0.13f, 0.26f, -0.14f}, mat, stone, 0.5f, 1 | 2 | 4 | 8);
}

void BufferStop(XMesh& m) {
    const int red = Flat(m, 0xc83020), dark = Flat(m, 0x3a3a3a), white = Flat(m, 0xf0f0f0);
    // Drawn turned by 90 degrees: the beam lies across the track along x.
    m.Box(V3{-0.24f, -0.05f, 0.14f}, V3{0.24f, 0.05f, 0.26f}, red);
    m.Box(V3{-0.1f, -0.03f, 0.17f}, V3{0.1f, 0.06f, 0.23f}, white);
    for (float x : {-0.15f, 0.15f}) {
        m.Box(V3{x - 0.03f, -0.03f, 0.0f}, V3{x + 0.03f, 0.03f, 0.26f}, dark);
        m.Box(V3{x - 0.03f, -0.25f, 0.0f}, V3{x + 0.03f, -0.03f, 0.05f}, dark);
        m.CylinderY(x, 0.2f, 0.05f, 0.11f, 0.035f, 8, dark, FULL);
    }
}

void Marker(XMesh& m, uint32_t rgb, int shape) {
    const int mat = Flat(m, rgb);
    switch (shape) {
        case 0:  // diamond just above the point, below the name label drawn 0.3 up
            m.Ellipsoid(V3{0, 0, 0.13f}, 0.07f, 0.07f, 0.07f, 4, 2, mat, FULL);
            m.Cylinder(0, 0, 0, 0.06f, 0.012f, 0.012f, 4, mat, FULL);
            break;
        case 1:  // arrow pointing down at the point
            m.Cylinder(0, 0, 0.32f, 0.12f, 0.1f, 0.0f, 8, mat, FULL);
            m.Cylinder(0, 0, 0.32f, 0.5f, 0.035f, 0.035f, 6, mat, FULL, true, true);
            break;
        case 2:  // small block on the bed
            m.Box(V3{-0.05f, -0.26f, 0.0f}, V3{0.05f, 0.26f, 0.1f}, mat);
            break;
        case 3:  // flag on a short post
            m.Cylinder(0, 0.3f, 0, 0.4f, 0.015f, 0.015f, 5, Flat(m, 0x505050), FULL);
            m.Quad(V3{0, 0.3f, 0.26f}, V3{0.16f, 0.3f, 0.26f}, V3{0.16f, 0.3f, 0.38f}, V3{0, 0.3f, 0.38f}, mat, FULL,
                   true);
            break;
        case 4:  // signal post beside the track
            m.Cylinder(0, 0.32f, 0, 0.45f, 0.015f, 0.015f, 5, Flat(m, 0x303030), FULL);
            m.Box(V3{-0.05f, 0.28f, 0.36f}, V3{0.05f, 0.36f, 0.5f}, Flat(m, 0x202020));
            m.Ellipsoid(V3{-0.052f, 0.32f, 0.43f}, 0.012f, 0.03f, 0.03f, 6, 3, mat, FULL);
            break;
        case 5:  // switch sign: a small plate with an arrow
            m.Box(V3{-0.06f, -0.06f, 0.0f}, V3{0.06f, 0.06f, 0.012f}, Flat(m, 0xf4f4f4));
            m.Box(V3{-0.04f, -0.01f, 0.012f}, V3{0.04f, 0.01f, 0.02f}, mat);
            break;
        case 6:  // track addition: a little post with a yellow plate
            m.Cylinder(0, 0.3f, 0, 0.3f, 0.012f, 0.012f, 5, Flat(m, 0x505050), FULL);
            m.Box(V3{-0.05f, 0.29f, 0.24f}, V3{0.05f, 0.31f, 0.34f}, mat);
            break;
    }
}

void SelectionMarker(XMesh& m) {
    // A ring of unit radius around the vertical axis of the drawn marker
    // (the program turns it into the ground plane and spins it).
    XMaterial mat;
    mat.r = 1.0f;
    mat.g = 0.8f;
    mat.b = 0.2f;
    mat.a = 0.65f;
    mat.er = 0.6f;
    mat.eg = 0.45f;
    mat.eb = 0.1f;
    const int id = m.Material(mat);
    const int n = 32;
    for (int i = 0; i < n; ++i) {
        if (i % 4 == 3) continue;  // a dashed ring
        const float a0 = 2 * PI * i / n, a1 = 2 * PI * (i + 1) / n;
        const V3 p0{1.0f * std::cos(a0), 0, 1.0f * std::sin(a0)}, p1{1.0f * std::cos(a1), 0, 1.0f * std::sin(a1)};
        const V3 q0{1.12f * std::cos(a0), 0, 1.12f * std::sin(a0)}, q1{1.12f * std::cos(a1), 0, 1.12f * std::sin(a1)};
        m.Quad(p0, q0, q1, p1, id, FULL, true);
    }
}

void HaloQuad(XMesh& m) {
    const int mat = m.Material(0xffffff, Tex("halo.dds"));
    m.Quad(V3{-0.5f, -0.5f, 0}, V3{0.5f, -0.5f, 0}, V3{0.5f, 0.5f, 0}, V3{-0.5f, 0.5f, 0}, mat, FULL, true);
}

void HeadLight(XMesh& m) {
    XMaterial mat;
    mat.r = mat.g = 1.0f;
    mat.b = 0.8f;
    mat.er = mat.eg = 1.0f;
    mat.eb = 0.75f;
    mat.texture = Tex("lamp_glass.dds");
    const int id = m.Material(mat);
    m.Ellipsoid(V3{0, 0, 0}, 0.04f, 0.02f, 0.04f, 8, 4, id, FULL);
}

void SkyDome(XMesh& m) {
    const int mat = m.Material(0xffffff, "Scenes\\sky\\sky_day.dds");
    const float R = 500.0f;
    const int seg = 24, rings = 8;
    // Elevation rings from below the horizon up to the zenith; v 1.0 under
    // the horizon, 0.9 at eye level, 0 at the top.
    auto ringZ = [&](int j) {
        if (j == 0) return -120.0f;
        const float e = (PI / 2) * float(j - 1) / rings;
        return R * std::sin(e) + 45.0f;
    };
    auto ringR = [&](int j) {
        if (j == 0) return R;
        const float e = (PI / 2) * float(j - 1) / rings;
        return R * std::cos(e);
    };
    auto ringV = [&](int j) {
        if (j == 0) return 0.99f;
        return 0.9f * (1.0f - float(j - 1) / rings);
    };
    for (int j = 0; j <= rings; ++j)
        for (int i = 0; i < seg; ++i) {
            const float a0 = 2 * PI * i / seg, a1 = 2 * PI * (i + 1) / seg;
            const float u0 = 2.0f * i / seg, u1 = 2.0f * (i + 1) / seg;
            const V3 b0{ringR(j) * std::cos(a0), ringR(j) * std::sin(a0), ringZ(j)};
            const V3 b1{ringR(j) * std::cos(a1), ringR(j) * std::sin(a1), ringZ(j)};
            const V3 t0{ringR(j + 1) * std::cos(a0), ringR(j + 1) * std::sin(a0), ringZ(j + 1)};
            const V3 t1{ringR(j + 1) * std::cos(a1), ringR(j + 1) * std::sin(a1), ringZ(j + 1)};
            if (j == rings)
                m.Tri(b0, b1, V3{0, 0, R + 45.0f}, mat, u0, ringV(j), u1, ringV(j), (u0 + u1) / 2, 0.0f);
            else
                m.Quad(b0, b1, t1, t0, mat, UvRect{u0, ringV(j + 1), u1, ringV(j)});
        }
}

void BaseGroundDisc(XMesh& m) {
    const int mat = m.Material(0xffffff, Tex("base_ground.dds"));
    const int seg = 24;
    const float R = 1500.0f, tile = 14.0f;
    for (int i = 0; i < seg; ++i) {
        const float a0 = 2 * PI * i / seg, a1 = 2 * PI * (i + 1) / seg;
        const V3 p0{R * std::cos(a0), R * std::sin(a0), -0.05f}, p1{R * std::cos(a1), R * std::sin(a1), -0.05f};
        m.Tri(V3{0, 0, -0.05f}, p0, p1, mat, 0, 0, p0.x / tile, p0.y / tile, p1.x / tile, p1.y / tile);
    }
}

// ---- Plants (all on the shared plant texture) ----

void Trunk(XMesh& m, int mat, float h, float r) { m.Cylinder(0, 0, 0, h, r, r * 0.7f, 7, mat, PLANT_BARK, false); }

void Oak(XMesh& m) {
    const int bark = m.Material(0xffffff, PLANT_TEXTURE_REF), leaf = bark;
    Trunk(m, bark, 1.2f, 0.11f);
    m.Ellipsoid(V3{0, 0, 1.55f}, 0.75f, 0.7f, 0.6f, 9, 5, leaf, PLANT_LEAVES);
    m.Ellipsoid(V3{0.35f, 0.2f, 1.95f}, 0.5f, 0.5f, 0.45f, 8, 4, leaf, PLANT_LEAVES);
    m.Ellipsoid(V3{-0.3f, -0.15f, 2.0f}, 0.45f, 0.45f, 0.4f, 8, 4, leaf, PLANT_LEAVES);
}

void Poplar(XMesh& m) {
    const int mat = m.Material(0xffffff, PLANT_TEXTURE_REF);
    Trunk(m, mat, 0.8f, 0.08f);
    m.Ellipsoid(V3{0, 0, 2.0f}, 0.38f, 0.38f, 1.5f, 8, 6, mat, PLANT_LEAVES);
}

void Spruce(XMesh& m) {
    const int mat = m.Material(0xffffff, PLANT_TEXTURE_REF);
    Trunk(m, mat, 0.5f, 0.08f);
    m.Cylinder(0, 0, 0.35f, 1.5f, 0.75f, 0.0f, 9, mat, PLANT_NEEDLES, false, true);
    m.Cylinder(0, 0, 1.0f, 2.2f, 0.58f, 0.0f, 9, mat, PLANT_NEEDLES, false, true);
    m.Cylinder(0, 0, 1.6f, 2.8f, 0.4f, 0.0f, 9, mat, PLANT_NEEDLES, false, true);
}

void Pine(XMesh& m) {
    const int mat = m.Material(0xffffff, PLANT_TEXTURE_REF);
    Trunk(m, mat, 1.8f, 0.08f);
    m.Ellipsoid(V3{0, 0, 2.1f}, 0.65f, 0.6f, 0.38f, 9, 4, mat, PLANT_NEEDLES);
    m.Ellipsoid(V3{0.25f, 0.1f, 2.4f}, 0.4f, 0.4f, 0.25f, 8, 3, mat, PLANT_NEEDLES);
}

void Bush(XMesh& m) {
    const int mat = m.Material(0xffffff, PLANT_TEXTURE_REF);
    m.Ellipsoid(V3{0, 0, 0.25f}, 0.42f, 0.38f, 0.32f, 8, 4, mat, PLANT_BUSH);
    m.Ellipsoid(V3{0.22f, 0.12f, 0.32f}, 0.28f, 0.28f, 0.26f, 7, 4, mat, PLANT_BUSH);
}

void AutumnTree(XMesh& m) {
    const int mat = m.Material(0xffffff, PLANT_TEXTURE_REF);
    Trunk(m, mat, 1.1f, 0.1f);
    m.Ellipsoid(V3{0, 0, 1.5f}, 0.7f, 0.65f, 0.6f, 9, 5, mat, PLANT_BLOSSOM);
    m.Ellipsoid(V3{0.25f, -0.2f, 1.9f}, 0.45f, 0.45f, 0.4f, 8, 4, mat, PLANT_BLOSSOM);
}

void Hedge(XMesh& m) {
    const int mat = m.Material(0xffffff, PLANT_TEXTURE_REF);
    m.Box(V3{-1.0f, -0.18f, 0.0f}, V3{1.0f, 0.18f, 0.5f}, mat, PLANT_BUSH, 0, 63 - 16);
}

// ---- Buildings ----

struct HouseMats {
    int wall, roof, window, door, trim;
};

HouseMats HouseMaterials(XMesh& m) {
    HouseMats h;
    h.wall = m.Material(0xffffff, Tex("plaster.dds"));
    h.roof = m.Material(0xffffff, Tex("roof_tiles.dds"));
    h.window = m.Material(0xffffff, Tex("window_lit.dds"));
    h.door = Flat(m, 0x5a3a24);
    h.trim = Flat(m, 0xe8e4dc);
    return h;
}

// Windows on the long sides (y) of a box house, `floors` rows.
void Windows(XMesh& m, int mat, float x0, float y0, float x1, float y1, int floors, float floorH, int perSide) {
    for (int f = 0; f < floors; ++f) {
        const float z0 = 0.35f + f * floorH, z1 = z0 + 0.32f;
        for (int k = 0; k < perSide; ++k) {
            const float cx = x0 + (x1 - x0) * (k + 0.5f) / perSide;
            m.Quad(V3{cx - 0.14f, y0 - 0.01f, z0}, V3{cx + 0.14f, y0 - 0.01f, z0}, V3{cx + 0.14f, y0 - 0.01f, z1},
                   V3{cx - 0.14f, y0 - 0.01f, z1}, mat);
            m.Quad(V3{cx + 0.14f, y1 + 0.01f, z0}, V3{cx - 0.14f, y1 + 0.01f, z0}, V3{cx - 0.14f, y1 + 0.01f, z1},
                   V3{cx + 0.14f, y1 + 0.01f, z1}, mat);
        }
    }
}

void House(XMesh& m, float w, float d, float wallH, float roofH, int floors, int perSide) {
    const HouseMats h = HouseMaterials(m);
    const float x0 = -w / 2, x1 = w / 2, y0 = -d / 2, y1 = d / 2;
    m.Box(V3{x0, y0, 0}, V3{x1, y1, wallH}, h.wall, FULL, 1.0f, 15);
    // Roof ridge along y.
    m.GableRoof(x0, y0, x1, y1, wallH, wallH + roofH, 0.12f, h.roof, h.wall, FULL, FULL, 1.0f);
    // Windows on the gable-less sides (x) and the front (y).
    for (int f = 0; f < floors; ++f) {
        const float z0 = 0.35f + f * (wallH - 0.2f) / floors, z1 = z0 + 0.3f;
        for (int k = 0; k < perSide; ++k) {
            const float cy = y0 + d * (k + 0.5f) / perSide;
            m.Quad(V3{x1 + 0.01f, cy - 0.13f, z0}, V3{x1 + 0.01f, cy + 0.13f, z0}, V3{x1 + 0.01f, cy + 0.13f, z1},
                   V3{x1 + 0.01f, cy - 0.13f, z1}, h.window);
            if (!(f == 0 && k == perSide / 2))
                m.Quad(V3{x0 - 0.01f, cy + 0.13f, z0}, V3{x0 - 0.01f, cy - 0.13f, z0}, V3{x0 - 0.01f, cy - 0.13f, z1},
                       V3{x0 - 0.01f, cy + 0.13f, z1}, h.window);
        }
    }
    // Door on the -x side.
    const float cy = y0 + d * (perSide / 2 + 0.5f) / perSide;
    m.Quad(V3{x0 - 0.012f, cy + 0.14f, 0}, V3{x0 - 0.012f, cy - 0.14f, 0}, V3{x0 - 0.012f, cy - 0.14f, 0.55f},
           V3{x0 - 0.012f, cy + 0.14f, 0.55f}, h.door);
    m.Box(V3{x0 - 0.12f, cy - 0.22f, 0}, V3{x0, cy + 0.22f, 0.06f}, h.trim);
}

void Farmhouse(XMesh& m) {
    // A farmhouse with a tall chimney stack at the place where the program
    // lets its smoke rise (-1.29, 0.58, 3.6 high).
    House(m, 2.7f, 3.0f, 1.5f, 1.1f, 2, 3);
    const int brick = m.Material(0xffffff, Tex("bricks.dds"));
    m.Box(V3{-1.45f, 0.42f, 0.0f}, V3{-1.13f, 0.74f, 3.6f}, brick, FULL, 0.5f, 63 - 16);
    m.Box(V3{-1.48f, 0.39f, 3.45f}, V3{-1.10f, 0.77f, 3.55f}, brick, FULL, 0.5f, 63 - 16);
}

void Townhouse(XMesh& m) {
    const HouseMats h = HouseMaterials(m);
    const float w = 2.0f, d = 2.4f, wallH = 2.1f;
    m.Box(V3{-w / 2, -d / 2, 0}, V3{w / 2, d / 2, wallH}, h.wall, FULL, 1.0f, 15);
    m.GableRoof(-w / 2, -d / 2, w / 2, d / 2, wallH, wallH + 0.9f, 0.1f, h.roof, h.wall, FULL, FULL, 1.0f);
    Windows(m, h.window, -w / 2 + 0.1f, -d / 2, w / 2 - 0.1f, d / 2, 2, 0.95f, 3);
    for (int f = 0; f < 2; ++f)
        for (int k = 0; k < 3; ++k) {
            const float cy = -d / 2 + d * (k + 0.5f) / 3, z0 = 0.35f + f * 0.95f, z1 = z0 + 0.32f;
            m.Quad(V3{w / 2 + 0.01f, cy - 0.14f, z0}, V3{w / 2 + 0.01f, cy + 0.14f, z0},
                   V3{w / 2 + 0.01f, cy + 0.14f, z1}, V3{w / 2 + 0.01f, cy - 0.14f, z1}, h.window);
        }
    m.Quad(V3{-w / 2 - 0.012f, 0.15f, 0}, V3{-w / 2 - 0.012f, -0.15f, 0}, V3{-w / 2 - 0.012f, -0.15f, 0.6f},
           V3{-w / 2 - 0.012f, 0.15f, 0.6f}, h.door);
    // A dormer-free roof gets a small chimney.
    const int brick = m.Material(0xffffff, Tex("bricks.dds"));
    m.Box(V3{0.3f, 0.5f, wallH + 0.3f}, V3{0.55f, 0.75f, wallH + 1.2f}, brick, FULL, 0.5f);
}

void Villa(XMesh& m) {
    House(m, 2.4f, 3.0f, 1.4f, 1.1f, 1, 3);
    const int trim = Flat(m, 0xf4f0e8);
    // A porch.
    m.Box(V3{-1.75f, -0.6f, 0.0f}, V3{-1.2f, 0.6f, 0.08f}, trim);
    for (float y : {-0.55f, 0.55f}) m.Cylinder(-1.7f, y, 0.08f, 1.0f, 0.04f, 0.04f, 6, trim, FULL);
    m.Box(V3{-1.78f, -0.64f, 1.0f}, V3{-1.2f, 0.64f, 1.08f}, trim);
}

void Factory(XMesh& m) {
    // A brick hall with a tall chimney at (-1.4333, -1.4778), 3.333 high.
    const int brick = m.Material(0xffffff, Tex("bricks.dds"));
    const int roof = m.Material(0xffffff, Tex("metal_sheet.dds"));
    const int window = m.Material(0xffffff, Tex("window_lit.dds"));
    m.Box(V3{-1.2f, -1.1f, 0}, V3{1.8f, 1.6f, 1.5f}, brick, FULL, 0.6f, 15);
    // Saw-tooth roof.
    for (int k = 0; k < 3; ++k) {
        const float x0 = -1.2f + k * 1.0f, x1 = x0 + 1.0f;
        m.Quad(V3{x0, 1.6f, 1.5f}, V3{x0, -1.1f, 1.5f}, V3{x1, -1.1f, 2.1f}, V3{x1, 1.6f, 2.1f}, roof, FULL);
        m.Quad(V3{x1, -1.1f, 1.5f}, V3{x1, 1.6f, 1.5f}, V3{x1, 1.6f, 2.1f}, V3{x1, -1.1f, 2.1f}, window, FULL);
        m.Tri(V3{x0, -1.1f, 1.5f}, V3{x1, -1.1f, 1.5f}, V3{x1, -1.1f, 2.1f}, brick, 0, 1, 1, 1, 1, 0);
        m.Tri(V3{x1, 1.6f, 1.5f}, V3{x0, 1.6f, 1.5f}, V3{x1, 1.6f, 2.1f}, brick, 0, 1, 1, 1, 1, 0);
    }
    for (int k = 0; k < 5; ++k) {
        const float cx = -1.0f + k * 0.6f;
        m.Quad(V3{cx - 0.18f, -1.11f, 0.5f}, V3{cx + 0.18f, -1.11f, 0.5f}, V3{cx + 0.18f, -1.11f, 1.1f},
               V3{cx - 0.18f, -1.11f, 1.1f}, window);
    }
    m.Cylinder(-1.4333f, -1.4778f, 0, 3.333f, 0.28f, 0.18f, 10, brick, UvRect{0, 0, 3, 6}, false);
    m.Cylinder(-1.4333f, -1.4778f, 3.2f, 3.34f, 0.22f, 0.22f, 10, Flat(m, 0x3a3a3a), FULL, true);
}

void Warehouse(XMesh& m) {
    const int wall = m.Material(0xffffff, Tex("metal_sheet.dds"));
    const int roof = m.Material(0xffffff, Tex("metal_sheet.dds"));
    const int door = Flat(m, 0x4a5a6a);
    m.Box(V3{-1.6f, -1.0f, 0}, V3{1.6f, 1.0f, 1.3f}, wall, FULL, 0.8f, 15);
    m.GableRoof(-1.6f, -1.0f, 1.6f, 1.0f, 1.3f, 1.3f, 0.0f, roof, wall, FULL, FULL, 1.0f);
    m.GableRoof(-1.6f, -1.0f, 1.6f, 1.0f, 1.3f, 1.8f, 0.08f, roof, wall, FULL, FULL, 1.0f);
    m.Quad(V3{-0.5f, -1.01f, 0}, V3{0.5f, -1.01f, 0}, V3{0.5f, -1.01f, 1.0f}, V3{-0.5f, -1.01f, 1.0f}, door);
    // Loading ramp.
    m.Box(V3{-1.6f, -1.5f, 0}, V3{1.6f, -1.0f, 0.28f}, m.Material(0xffffff, Tex("concrete.dds")), FULL, 0.6f);
}

void Silo(XMesh& m) {
    const int mat = m.Material(0xffffff, Tex("concrete.dds"));
    const int roof = Flat(m, 0x8a8a90);
    for (int k = 0; k < 3; ++k) {
        const float x = -0.9f + k * 0.9f;
        m.Cylinder(x, 0, 0, 3.0f, 0.42f, 0.42f, 12, mat, UvRect{0, 0, 2, 3}, false);
        m.Cylinder(x, 0, 3.0f, 3.35f, 0.42f, 0.0f, 12, roof, FULL, false);
    }
    m.Box(V3{-1.4f, -0.25f, 2.6f}, V3{1.4f, 0.25f, 3.2f}, Flat(m, 0xb0aca0));
}

void Station(XMesh& m) {
    const HouseMats h = HouseMaterials(m);
    const int brick = m.Material(0xffffff, Tex("bricks.dds"));
    const int sign = m.Material(0xffffff, Tex("signs.dds"));
    // Long building along x, facing the tracks at -y.
    m.Box(V3{-2.0f, -0.8f, 0}, V3{2.0f, 0.8f, 1.3f}, brick, FULL, 0.6f, 15);
    m.Box(V3{-0.6f, -0.8f, 0}, V3{0.6f, 0.8f, 1.9f}, h.wall, FULL, 1.0f, 15);
    // Roofs: ridges along x (the helper's ridge runs along y: build turned).
    size_t from = m.VertexCount();
    m.GableRoof(-0.8f, -2.0f, 0.8f, 2.0f, 1.3f, 1.9f, 0.12f, h.roof, brick, FULL, FULL, 1.0f);
    m.Transform(from, 90, V3{0, 0, 0});
    from = m.VertexCount();
    m.GableRoof(-0.8f, -0.6f, 0.8f, 0.6f, 1.9f, 2.5f, 0.1f, h.roof, h.wall, FULL, FULL, 1.0f);
    m.Transform(from, 90, V3{0, 0, 0});
    Windows(m, h.window, -1.9f, -0.8f, 1.9f, 0.8f, 1, 0.9f, 6);
    // Platform canopy on the track side.
    const int wood = m.Material(0xffffff, Tex("planks_dark.dds"));
    m.Box(V3{-2.0f, -1.55f, 1.15f}, V3{2.0f, -0.8f, 1.22f}, wood, FULL, 1.0f);
    for (float x : {-1.8f, -0.6f, 0.6f, 1.8f}) m.Cylinder(x, -1.45f, 0, 1.15f, 0.04f, 0.04f, 6, Flat(m, 0x2f4a3a), FULL);
    // Name board over the door.
    m.Quad(V3{-0.5f, -0.82f, 1.35f}, V3{0.5f, -0.82f, 1.35f}, V3{0.5f, -0.82f, 1.6f}, V3{-0.5f, -0.82f, 1.6f}, sign,
           SIGN_STATION);
    m.Quad(V3{0.2f, -0.812f, 0}, V3{-0.2f, -0.812f, 0}, V3{-0.2f, -0.812f, 0.7f}, V3{0.2f, -0.812f, 0.7f}, h.door);
}

void Platform(XMesh& m) {
    const int top = m.Material(0xffffff, Tex("concrete.dds"));
    const int edge = Flat(m, 0xe8e0a0);
    m.Box(V3{-4.0f, -0.45f, 0}, V3{4.0f, 0.45f, 0.18f}, top, FULL, 1.0f, 63 - 16);
    m.Box(V3{-4.0f, -0.45f, 0.18f}, V3{4.0f, -0.38f, 0.185f}, edge, FULL, 0, 32);
    // Benches and a lamp-less shelter.
    const int wood = m.Material(0xffffff, Tex("planks.dds"));
    for (float x : {-2.5f, 2.5f}) m.Box(V3{x - 0.3f, 0.15f, 0.18f}, V3{x + 0.3f, 0.3f, 0.32f}, wood);
}

void SignalBox(XMesh& m) {
    const HouseMats h = HouseMaterials(m);
    const int wood = m.Material(0xffffff, Tex("planks.dds"));
    const int brick = m.Material(0xffffff, Tex("bricks.dds"));
    m.Box(V3{-0.8f, -0.55f, 0}, V3{0.8f, 0.55f, 0.9f}, brick, FULL, 0.6f, 15);
    m.Box(V3{-0.8f, -0.55f, 0.9f}, V3{0.8f, 0.55f, 1.6f}, wood, FULL, 0.5f, 15);
    for (int k = 0; k < 4; ++k) {
        const float cx = -0.6f + k * 0.4f;
        m.Quad(V3{cx - 0.16f, -0.56f, 1.05f}, V3{cx + 0.16f, -0.56f, 1.05f}, V3{cx + 0.16f, -0.56f, 1.45f},
               V3{cx - 0.16f, -0.56f, 1.45f}, h.window);
    }
    size_t from = m.VertexCount();
    m.GableRoof(-0.55f, -0.8f, 0.55f, 0.8f, 1.6f, 2.0f, 0.12f, h.roof, wood, FULL, FULL, 1.0f);
    m.Transform(from, 90, V3{0, 0, 0});
    // Stairs.
    for (int s = 0; s < 5; ++s)
        m.Box(V3{0.8f, -0.45f + s * 0.0f, s * 0.18f}, V3{1.1f - s * 0.06f, -0.15f, s * 0.18f + 0.18f}, wood);
}

void EngineShed(XMesh& m) {
    const int wall = m.Material(0xffffff, Tex("bricks.dds"));
    const int roof = m.Material(0xffffff, Tex("metal_sheet.dds"));
    const int window = m.Material(0xffffff, Tex("window_lit.dds"));
    // Open at both ends of x so that a track can run through.
    const float L = 5.0f, W = 1.2f, H = 1.6f;
    m.Box(V3{-L / 2, -W / 2, 0}, V3{L / 2, -W / 2 + 0.12f, H}, wall, FULL, 0.6f, 63 - 16);
    m.Box(V3{-L / 2, W / 2 - 0.12f, 0}, V3{L / 2, W / 2, H}, wall, FULL, 0.6f, 63 - 16);
    size_t from = m.VertexCount();
    m.GableRoof(-W / 2, -L / 2, W / 2, L / 2, H, H + 0.5f, 0.1f, roof, wall, FULL, FULL, 1.0f);
    m.Transform(from, 90, V3{0, 0, 0});
    for (int k = 0; k < 5; ++k) {
        const float cx = -2.0f + k;
        m.Quad(V3{cx - 0.2f, -W / 2 - 0.01f, 0.7f}, V3{cx + 0.2f, -W / 2 - 0.01f, 0.7f},
               V3{cx + 0.2f, -W / 2 - 0.01f, 1.2f}, V3{cx - 0.2f, -W / 2 - 0.01f, 1.2f}, window);
        m.Quad(V3{cx + 0.2f, W / 2 + 0.01f, 0.7f}, V3{cx - 0.2f, W / 2 + 0.01f, 0.7f},
               V3{cx - 0.2f, W / 2 + 0.01f, 1.2f}, V3{cx + 0.2f, W / 2 + 0.01f, 1.2f}, window);
    }
}

void WaterTower(XMesh& m) {
    const int brick = m.Material(0xffffff, Tex("bricks.dds"));
    const int tank = m.Material(0xffffff, Tex("planks_dark.dds"));
    m.Cylinder(0, 0, 0, 1.6f, 0.45f, 0.4f, 10, brick, UvRect{0, 0, 3, 3}, false);
    m.Cylinder(0, 0, 1.6f, 2.4f, 0.62f, 0.62f, 12, tank, UvRect{0, 0, 4, 1}, false, true);
    m.Cylinder(0, 0, 2.4f, 2.8f, 0.68f, 0.0f, 12, Flat(m, 0x404448), FULL, false);
    // The spout.
    m.CylinderY(0.0f, 1.7f, 0.6f, 1.2f, 0.05f, 6, Flat(m, 0x303030), FULL);
}

void GatePost(XMesh& m) {
    // Level crossing barrier: the post (the boom is the next object, hinged
    // 0.12 below the post's origin by the program).
    const int white = Flat(m, 0xf0f0f0), red = Flat(m, 0xc02828), dark = Flat(m, 0x303030);
    m.Box(V3{-0.08f, -0.08f, 0}, V3{0.08f, 0.08f, 0.22f}, dark);
    m.Cylinder(0, 0, 0.22f, 0.5f, 0.04f, 0.04f, 8, white, FULL);
    m.Box(V3{-0.06f, -0.06f, 0.42f}, V3{0.06f, 0.06f, 0.5f}, red);
}

void GateBoom(XMesh& m) {
    const int white = Flat(m, 0xf0f0f0), red = Flat(m, 0xc02828);
    // Along +x from the hinge at height 0.12... the boom rests level.
    for (int k = 0; k < 6; ++k)
        m.Box(V3{0.06f + k * 0.3f, -0.025f, 0.1f}, V3{0.06f + (k + 1) * 0.3f, 0.025f, 0.15f}, k % 2 ? white : red);
    m.Box(V3{-0.3f, -0.04f, 0.08f}, V3{0.06f, 0.04f, 0.17f}, Flat(m, 0x303030));
}

void TurntablePit(XMesh& m) {
    const int stone = m.Material(0xffffff, Tex("concrete.dds"));
    const int floor = Flat(m, 0x4a4640);
    const int seg = 32;
    const float r0 = 2.1f, r1 = 2.3f;
    for (int i = 0; i < seg; ++i) {
        const float a0 = 2 * PI * i / seg, a1 = 2 * PI * (i + 1) / seg;
        const V3 i0{r0 * std::cos(a0), r0 * std::sin(a0), 0.03f}, i1{r0 * std::cos(a1), r0 * std::sin(a1), 0.03f};
        const V3 o0{r1 * std::cos(a0), r1 * std::sin(a0), 0.03f}, o1{r1 * std::cos(a1), r1 * std::sin(a1), 0.03f};
        m.Quad(i0, o0, o1, i1, stone, FULL);
        m.Quad(V3{o0.x, o0.y, 0}, V3{o1.x, o1.y, 0}, o1, o0, stone, FULL);
        m.Tri(V3{0, 0, 0.01f}, V3{i0.x, i0.y, 0.01f}, V3{i1.x, i1.y, 0.01f}, floor, 0.5f, 0.5f, 0, 0, 1, 0);
    }
}

void TurntableDeck(XMesh& m) {
    const int wood = m.Material(0xffffff, Tex("planks_dark.dds"));
    const int steel = Flat(m, 0x4a5058), rail = Flat(m, 0xb8bcc0);
    m.Box(V3{-2.05f, -0.3f, 0.012f}, V3{2.05f, 0.3f, 0.04f}, wood, FULL, 0.5f);
    for (float y : {-0.33f, 0.33f}) m.Box(V3{-2.05f, y - 0.03f, 0.0f}, V3{2.05f, y + 0.03f, 0.12f}, steel);
    for (float y : {-0.14f, 0.14f}) m.Box(V3{-2.05f, y - 0.015f, 0.04f}, V3{2.05f, y + 0.015f, 0.06f}, rail);
    m.Box(V3{1.9f, -0.5f, 0.0f}, V3{2.2f, -0.33f, 0.3f}, Flat(m, 0x2f4a3a));  // operator's hut
}

// ---- Lamps, signs and small things ----

void StreetLamp(XMesh& m) {
    const int pole = Flat(m, 0x2a3a32);
    const int glass = m.Material(0xffffff, Tex("lamp_glass.dds"));
    m.Cylinder(0, 0, 0, 1.2f, 0.035f, 0.025f, 8, pole, FULL);
    m.Cylinder(0, 0, 0, 0.12f, 0.07f, 0.05f, 8, pole, FULL);
    m.Cylinder(0, 0, 1.18f, 1.35f, 0.05f, 0.08f, 8, glass, FULL, false, true);
    m.Cylinder(0, 0, 1.35f, 1.45f, 0.1f, 0.0f, 8, pole, FULL, false, true);
}

void PlatformLamp(XMesh& m) {
    const int pole = Flat(m, 0x3a3a40);
    const int glass = m.Material(0xffffff, Tex("lamp_glass.dds"));
    m.Cylinder(0, 0, 0, 1.5f, 0.03f, 0.03f, 8, pole, FULL);
    m.Box(V3{-0.03f, -0.03f, 1.45f}, V3{0.03f, 0.35f, 1.5f}, pole);
    m.Box(V3{-0.06f, 0.25f, 1.38f}, V3{0.06f, 0.4f, 1.45f}, glass);
}

void SignBoard(XMesh& m, UvRect face, float w, float h, float height) {
    const int mat = m.Material(0xffffff, Tex("signs.dds"));
    m.Box(V3{-0.025f, -0.025f, 0}, V3{0.025f, 0.025f, height}, mat, SIGN_POST);
    m.Quad(V3{-w / 2, -0.03f, height}, V3{w / 2, -0.03f, height}, V3{w / 2, -0.03f, height + h},
           V3{-w / 2, -0.03f, height + h}, mat, face);
    m.Quad(V3{w / 2, -0.025f, height}, V3{-w / 2, -0.025f, height}, V3{-w / 2, -0.025f, height + h},
           V3{w / 2, -0.025f, height + h}, mat, SIGN_POST);
}

void Semaphore(XMesh& m, bool clear) {
    const int post = Flat(m, 0x404448), arm = Flat(m, 0xc02828), white = Flat(m, 0xf4f4f4);
    m.Cylinder(0, 0, 0, 1.6f, 0.035f, 0.03f, 8, post, FULL);
    m.Cylinder(0, 0, 1.6f, 1.66f, 0.05f, 0.0f, 8, post, FULL);
    // The arm on the -y face: level for stop, raised by 45 degrees for clear.
    if (!clear) {
        m.Box(V3{0.02f, -0.07f, 1.42f}, V3{0.55f, -0.05f, 1.5f}, arm);
        m.Box(V3{0.42f, -0.075f, 1.44f}, V3{0.5f, -0.07f, 1.48f}, white);
    } else {
        m.Quad(V3{0.02f, -0.07f, 1.42f}, V3{0.4f, -0.07f, 1.8f}, V3{0.35f, -0.07f, 1.86f}, V3{-0.03f, -0.07f, 1.48f},
               arm, FULL, true);
    }
}

void Bench(XMesh& m) {
    const int wood = m.Material(0xffffff, Tex("planks.dds")), iron = Flat(m, 0x2a2a2a);
    m.Box(V3{-0.3f, -0.08f, 0.12f}, V3{0.3f, 0.08f, 0.15f}, wood);
    m.Box(V3{-0.3f, 0.06f, 0.15f}, V3{0.3f, 0.08f, 0.32f}, wood);
    for (float x : {-0.25f, 0.25f}) m.Box(V3{x - 0.015f, -0.08f, 0}, V3{x + 0.015f, 0.08f, 0.12f}, iron);
}

void Fence(XMesh& m) {
    const int wood = m.Material(0xffffff, Tex("planks.dds"));
    for (int k = 0; k <= 5; ++k) {
        const float x = -1.0f + k * 0.4f;
        m.Box(V3{x - 0.025f, -0.025f, 0}, V3{x + 0.025f, 0.025f, 0.35f}, wood);
    }
    for (float z : {0.12f, 0.27f}) m.Box(V3{-1.0f, -0.015f, z}, V3{1.0f, 0.015f, z + 0.05f}, wood);
}

void Crates(XMesh& m) {
    const int wood = m.Material(0xffffff, Tex("planks.dds"));
    m.Box(V3{-0.3f, -0.3f, 0}, V3{0.1f, 0.1f, 0.4f}, wood);
    m.Box(V3{0.12f, -0.25f, 0}, V3{0.45f, 0.08f, 0.33f}, wood);
    m.Box(V3{-0.2f, -0.2f, 0.4f}, V3{0.1f, 0.1f, 0.7f}, wood);
    m.Cylinder(0.0f, 0.4f, 0, 0.38f, 0.15f, 0.15f, 10, Flat(m, 0x3a5a8a), FULL);
}

void Car(XMesh& m) {
    // The body takes colour 1 (its texture is the colour texture).
    const int body = m.Material(0xffffff, Tex("plaster.dds"));
    const int glass = Flat(m, 0x3a4a58), tyre = Flat(m, 0x1c1c1c);
    m.Box(V3{-0.2f, -0.45f, 0.08f}, V3{0.2f, 0.45f, 0.26f}, body);
    m.Box(V3{-0.18f, -0.22f, 0.26f}, V3{0.18f, 0.2f, 0.4f}, glass);
    m.Box(V3{-0.17f, -0.2f, 0.4f}, V3{0.17f, 0.18f, 0.42f}, body);
    for (float y : {-0.3f, 0.3f})
        for (float x : {-0.2f, 0.2f}) {
            const size_t from = m.VertexCount();
            m.CylinderY(0, 0.08f, -0.04f, 0.04f, 0.08f, 10, tyre, FULL);
            m.Transform(from, 90, V3{x, y, 0});
        }
}

void Bonfire(XMesh& m) {
    const int wood = m.Material(0xffffff, Tex("planks_dark.dds")), stone = Flat(m, 0x6a6660);
    XMaterial ember;
    ember.r = 1.0f;
    ember.g = 0.5f;
    ember.b = 0.1f;
    ember.er = 0.9f;
    ember.eg = 0.35f;
    ember.eb = 0.05f;
    const int fire = m.Material(ember);
    for (int k = 0; k < 8; ++k) {
        const float a = 2 * PI * k / 8;
        m.Ellipsoid(V3{0.3f * std::cos(a), 0.3f * std::sin(a), 0.04f}, 0.08f, 0.08f, 0.06f, 6, 3, stone, FULL);
    }
    for (int k = 0; k < 4; ++k) {
        const size_t from = m.VertexCount();
        m.Box(V3{-0.22f, -0.03f, 0.02f}, V3{0.22f, 0.03f, 0.08f}, wood);
        m.Transform(from, 45.0f * k, V3{0, 0, 0.02f * k});
    }
    m.Cylinder(0, 0, 0.05f, 0.35f, 0.14f, 0.0f, 8, fire, FULL, false);
}

void Crane(XMesh& m) {
    const int steel = Flat(m, 0xd8a830), dark = Flat(m, 0x303030);
    m.Box(V3{-0.3f, -0.3f, 0}, V3{0.3f, 0.3f, 0.2f}, Flat(m, 0x6a6a6a));
    m.Box(V3{-0.08f, -0.08f, 0.2f}, V3{0.08f, 0.08f, 2.6f}, steel);
    m.Box(V3{-0.6f, -0.06f, 2.5f}, V3{2.4f, 0.06f, 2.62f}, steel);
    m.Box(V3{-0.6f, -0.2f, 2.3f}, V3{-0.3f, 0.2f, 2.5f}, dark);
    m.Cylinder(2.0f, 0, 1.4f, 2.5f, 0.01f, 0.01f, 4, dark, FULL);
    m.Box(V3{1.9f, -0.1f, 1.3f}, V3{2.1f, 0.1f, 1.4f}, dark);
}

// ---- Vehicles: along y, wheels from z = 0 (the rail top) up ----

void Bogie(XMesh& m, float y, int dark, int steel) {
    m.Box(V3{-0.2f, y - 0.25f, 0.06f}, V3{0.2f, y + 0.25f, 0.14f}, dark);
    for (float dy : {-0.16f, 0.16f})
        for (float x : {-0.15f, 0.15f}) {
            const size_t from = m.VertexCount();
            m.CylinderY(0, 0.07f, -0.02f, 0.02f, 0.07f, 8, steel, FULL, true);
            m.Transform(from, 90, V3{x, y + dy, 0});
        }
}

void Buffers(XMesh& m, float yEnd, int mat) {
    const float dir = yEnd > 0 ? 1.0f : -1.0f;
    for (float x : {-0.2f, 0.2f}) m.CylinderY(x, 0.3f, yEnd - dir * 0.02f, yEnd + dir * 0.06f, 0.035f, 6, mat, FULL);
}

void SteamEngine(XMesh& m) {
    const int black = Flat(m, 0x202224), red = Flat(m, 0xa82a22), brass = Flat(m, 0xd0a840);
    const int steel = Flat(m, 0x6a6e72), cab = Flat(m, 0x2a4a3a), window = m.Material(0xffffff, Tex("window_lit.dds"));
    // Frame and wheels.
    m.Box(V3{-0.26f, -1.15f, 0.16f}, V3{0.26f, 1.15f, 0.26f}, black);
    m.Box(V3{-0.28f, 1.12f, 0.18f}, V3{0.28f, 1.18f, 0.36f}, red);
    m.Box(V3{-0.28f, -1.18f, 0.18f}, V3{0.28f, -1.12f, 0.36f}, red);
    for (float y : {-0.55f, -0.05f, 0.45f})
        for (float x : {-0.24f, 0.24f}) {
            const size_t from = m.VertexCount();
            m.CylinderY(0, 0.14f, -0.025f, 0.025f, 0.14f, 12, red, FULL);
            m.Transform(from, 90, V3{x, y, 0});
        }
    // Boiler with chimney and dome at the front (+y).
    m.CylinderY(0, 0.52f, -0.2f, 1.1f, 0.25f, 12, black, FULL);
    m.Box(V3{-0.27f, 1.02f, 0.26f}, V3{0.27f, 1.1f, 0.8f}, steel);
    m.Cylinder(0, 0.8f, 0.7f, 0.95f, 0.08f, 0.1f, 10, black, FULL);
    m.Cylinder(0, 0.25f, 0.72f, 0.86f, 0.1f, 0.07f, 10, brass, FULL);
    // Cab and tender at the back.
    m.Box(V3{-0.3f, -0.75f, 0.26f}, V3{0.3f, -0.2f, 0.95f}, cab);
    m.Box(V3{-0.34f, -0.8f, 0.95f}, V3{0.34f, -0.15f, 1.0f}, black);
    for (float x : {-0.301f, 0.301f}) {
        const float s = x > 0 ? 1.0f : -1.0f;
        m.Quad(V3{x, -0.62f * s + 0.0f * s, 0.6f}, V3{x, -0.35f * s, 0.6f}, V3{x, -0.35f * s, 0.85f},
               V3{x, -0.62f * s, 0.85f}, window, FULL, true);
    }
    m.Box(V3{-0.3f, -1.15f, 0.26f}, V3{0.3f, -0.78f, 0.7f}, black);
    Buffers(m, 1.18f, black);
    Buffers(m, -1.18f, black);
}

void DieselEngine(XMesh& m, uint32_t bodyRgb, uint32_t stripeRgb, float halfLen) {
    const int body = Flat(m, bodyRgb), stripe = Flat(m, stripeRgb), dark = Flat(m, 0x2a2a2c);
    const int steel = Flat(m, 0x6a6e72), window = m.Material(0xffffff, Tex("window_lit.dds"));
    m.Box(V3{-0.26f, -halfLen, 0.16f}, V3{0.26f, halfLen, 0.26f}, dark);
    Bogie(m, halfLen * 0.6f, dark, steel);
    Bogie(m, -halfLen * 0.6f, dark, steel);
    // Long hood with cabs at both ends.
    m.Box(V3{-0.29f, -halfLen + 0.05f, 0.26f}, V3{0.29f, halfLen - 0.05f, 0.8f}, body, FULL, 0, 63 - 16);
    m.Box(V3{-0.295f, -halfLen + 0.04f, 0.4f}, V3{0.295f, halfLen - 0.04f, 0.47f}, stripe, FULL, 0, 63 - 16 - 32);
    m.Box(V3{-0.27f, -halfLen + 0.1f, 0.8f}, V3{0.27f, halfLen - 0.1f, 0.86f}, dark);
    for (float s : {-1.0f, 1.0f}) {
        const float y = s * (halfLen - 0.049f);
        m.Quad(V3{s * -0.2f, y, 0.58f}, V3{s * 0.2f, y, 0.58f}, V3{s * 0.2f, y, 0.74f}, V3{s * -0.2f, y, 0.74f},
               window, FULL, true);
    }
    m.Cylinder(0.0f, 0.0f, 0.86f, 0.95f, 0.06f, 0.06f, 8, steel, FULL);
    Buffers(m, halfLen, dark);
    Buffers(m, -halfLen, dark);
}

void Shunter(XMesh& m) {
    const int body = Flat(m, 0xe0a020), dark = Flat(m, 0x2a2a2c), steel = Flat(m, 0x6a6e72);
    const int window = m.Material(0xffffff, Tex("window_lit.dds"));
    m.Box(V3{-0.26f, -0.8f, 0.14f}, V3{0.26f, 0.8f, 0.24f}, dark);
    for (float y : {-0.4f, 0.4f})
        for (float x : {-0.22f, 0.22f}) {
            const size_t from = m.VertexCount();
            m.CylinderY(0, 0.1f, -0.025f, 0.025f, 0.1f, 10, steel, FULL);
            m.Transform(from, 90, V3{x, y, 0});
        }
    m.Box(V3{-0.22f, -0.1f, 0.24f}, V3{0.22f, 0.78f, 0.62f}, body);
    m.Box(V3{-0.29f, -0.78f, 0.24f}, V3{0.29f, -0.1f, 0.9f}, body);
    m.Box(V3{-0.32f, -0.82f, 0.9f}, V3{0.32f, -0.06f, 0.95f}, dark);
    for (float x : {-0.291f, 0.291f})
        m.Quad(V3{x, x > 0 ? -0.7f : -0.2f, 0.6f}, V3{x, x > 0 ? -0.2f : -0.7f, 0.6f},
               V3{x, x > 0 ? -0.2f : -0.7f, 0.82f}, V3{x, x > 0 ? -0.7f : -0.2f, 0.82f}, window);
    for (int k = 0; k < 4; ++k) m.Box(V3{-0.23f, 0.05f + k * 0.18f, 0.45f}, V3{0.23f, 0.1f + k * 0.18f, 0.63f}, dark);
    Buffers(m, 0.82f, dark);
    Buffers(m, -0.82f, dark);
}

void BoxcarMesh(XMesh& m) {
    const int side = m.Material(0xffffff, Tex("boxcar.dds"));
    const int roof = Flat(m, 0x6a6a6a), dark = Flat(m, 0x2a2a2c), steel = Flat(m, 0x6a6e72);
    const float hl = 1.0f;
    m.Box(V3{-0.26f, -hl, 0.16f}, V3{0.26f, hl, 0.24f}, dark);
    Bogie(m, 0.62f, dark, steel);
    Bogie(m, -0.62f, dark, steel);
    m.Box(V3{-0.3f, -hl + 0.04f, 0.24f}, V3{0.3f, hl - 0.04f, 0.85f}, side, FULL, 0.7f, 15);
    m.CylinderY(0, 0.78f, -hl + 0.02f, hl - 0.02f, 0.32f, 12, roof, FULL, true);
    Buffers(m, hl, dark);
    Buffers(m, -hl, dark);
}

void TankWagon(XMesh& m) {
    const int tank = Flat(m, 0x2c2e30), dark = Flat(m, 0x1e1e20), steel = Flat(m, 0x6a6e72), band = Flat(m, 0xc8b040);
    const float hl = 0.9f;
    m.Box(V3{-0.26f, -hl, 0.16f}, V3{0.26f, hl, 0.26f}, dark);
    Bogie(m, 0.55f, dark, steel);
    Bogie(m, -0.55f, dark, steel);
    m.CylinderY(0, 0.5f, -hl + 0.06f, hl - 0.06f, 0.26f, 14, tank, FULL);
    m.CylinderY(0, 0.5f, -0.05f, 0.05f, 0.265f, 14, band, FULL, false);
    m.Cylinder(0, 0, 0.74f, 0.84f, 0.08f, 0.08f, 8, tank, FULL);
    Buffers(m, hl, dark);
    Buffers(m, -hl, dark);
}

void OpenWagon(XMesh& m) {
    const int wood = m.Material(0xffffff, Tex("planks.dds"));
    const int dark = Flat(m, 0x2a2a2c), steel = Flat(m, 0x6a6e72), load = Flat(m, 0x3a3634);
    const float hl = 0.85f;
    m.Box(V3{-0.26f, -hl, 0.16f}, V3{0.26f, hl, 0.26f}, dark);
    for (float y : {-0.45f, 0.45f})
        for (float x : {-0.22f, 0.22f}) {
            const size_t from = m.VertexCount();
            m.CylinderY(0, 0.08f, -0.02f, 0.02f, 0.08f, 8, steel, FULL);
            m.Transform(from, 90, V3{x, y, 0});
        }
    // Floor and four low walls, open on top, with a heap of coal.
    m.Box(V3{-0.3f, -hl + 0.04f, 0.26f}, V3{0.3f, hl - 0.04f, 0.3f}, wood);
    m.Box(V3{-0.3f, -hl + 0.04f, 0.3f}, V3{-0.27f, hl - 0.04f, 0.55f}, wood);
    m.Box(V3{0.27f, -hl + 0.04f, 0.3f}, V3{0.3f, hl - 0.04f, 0.55f}, wood);
    m.Box(V3{-0.27f, -hl + 0.04f, 0.3f}, V3{0.27f, -hl + 0.07f, 0.55f}, wood);
    m.Box(V3{-0.27f, hl - 0.07f, 0.3f}, V3{0.27f, hl - 0.04f, 0.55f}, wood);
    m.Ellipsoid(V3{0, 0, 0.45f}, 0.25f, 0.7f, 0.14f, 8, 4, load, FULL);
    Buffers(m, hl, dark);
    Buffers(m, -hl, dark);
}

void Coach(XMesh& m, const char* sideTex) {
    const int side = m.Material(0xffffff, Tex(sideTex));
    const int roof = Flat(m, 0x5a5a5e), dark = Flat(m, 0x2a2a2c), steel = Flat(m, 0x6a6e72);
    const float hl = 1.6f;
    m.Box(V3{-0.26f, -hl, 0.16f}, V3{0.26f, hl, 0.26f}, dark);
    Bogie(m, 1.1f, dark, steel);
    Bogie(m, -1.1f, dark, steel);
    // Sides carry the window texture repeated along the coach.
    m.Box(V3{-0.3f, -hl + 0.05f, 0.26f}, V3{0.3f, hl - 0.05f, 0.82f}, side, UvRect{0, 0, 3, 1}, 0, 1 | 2);
    m.Box(V3{-0.3f, -hl + 0.05f, 0.26f}, V3{0.3f, hl - 0.05f, 0.82f}, side, UvRect{0, 0.66f, 0.1f, 0.7f}, 0, 4 | 8);
    m.CylinderY(0, 0.72f, -hl + 0.04f, hl - 0.04f, 0.34f, 14, roof, FULL, true);
    Buffers(m, hl, dark);
    Buffers(m, -hl, dark);
}

// ---------------------------------------------------------------------------
// The catalogue

struct ObjectDef {
    const char* type;
    int objId;
    const char* file;
    const char* name;
    std::function<void(XMesh&)> build;
    std::string t6 = "-", t7 = "-", t8 = "0", t9 = "0";
};

std::vector<ObjectDef> Catalogue() {
    const std::string roof = Tex("roof_tiles.dds"), wall = Tex("plaster.dds");
    std::vector<ObjectDef> c = {
        // Pieces the program draws by fixed ids.
        {"DUMMY_TYPE", 51, "tunnel_section.x", "Tunnel", TunnelSection},
        {"DUMMY_TYPE", 54, "bridge_section.x", "Bridge", BridgeSection},
        {"DUMMY_TYPE", 100, "marker_power.x", "Power", [](XMesh& m) { Marker(m, 0xf0c020, 0); }},
        {"DUMMY_TYPE", 101, "marker_control.x", "Control", [](XMesh& m) { Marker(m, 0x3080e0, 0); }},
        {"DUMMY_TYPE", 102, "marker_insulated.x", "Insulated", [](XMesh& m) { Marker(m, 0xd03030, 2); }},
        {"DUMMY_TYPE", 103, "marker_arrow.x", "Marker", [](XMesh& m) { Marker(m, 0xf8d020, 1); }},
        {"DUMMY_TYPE", 104, "marker_detach_off.x", "Detach", [](XMesh& m) { Marker(m, 0x909090, 3); }},
        {"DUMMY_TYPE", 105, "marker_detach_on.x", "Detach", [](XMesh& m) { Marker(m, 0x30c040, 3); }},
        {"DUMMY_TYPE", 106, "marker_barrier_stop.x", "Barrier", [](XMesh& m) { Marker(m, 0xe02020, 4); }},
        {"DUMMY_TYPE", 107, "marker_barrier_go.x", "Barrier", [](XMesh& m) { Marker(m, 0x20d040, 4); }},
        {"DUMMY_TYPE", 108, "marker_addition.x", "Addition", [](XMesh& m) { Marker(m, 0xf0d030, 6); }},
        {"DUMMY_TYPE", 500, "switchsign_a.x", "Switch", [](XMesh& m) { Marker(m, 0x30a040, 5); }},
        {"DUMMY_TYPE", 501, "switchsign_b.x", "Switch", [](XMesh& m) { Marker(m, 0xe0a020, 5); }},
        {"DUMMY_TYPE", 502, "switchsign_c.x", "Switch", [](XMesh& m) { Marker(m, 0x30a040, 5); }},
        {"DUMMY_TYPE", 503, "switchsign_d.x", "Switch", [](XMesh& m) { Marker(m, 0xe0a020, 5); }},
        {"DUMMY_TYPE", 550, "buffer_stop.x", "Buffer", BufferStop},
        {"DUMMY_TYPE", 1001, "select_ring.x", "Selection", SelectionMarker},
        {"DUMMY_TYPE", 10000, "halo.x", "Halo", HaloQuad},
        {"DUMMY_TYPE", 10002, "lamp_head.x", "Headlight", HeadLight},
        {"ENVIR_TYPE", 10003, "sky_dome.x", "Sky", SkyDome},
        {"ENVIR_TYPE", 10004, "base_ground.x", "Ground", BaseGroundDisc},
        // Plants.
        {"PLANT_TYPE", 2001, "oak.x", "Oak", Oak},
        {"PLANT_TYPE", 2002, "poplar.x", "Poplar", Poplar},
        {"PLANT_TYPE", 2003, "spruce.x", "Spruce", Spruce},
        {"PLANT_TYPE", 2004, "pine.x", "Pine", Pine},
        {"PLANT_TYPE", 2005, "bush.x", "Bush", Bush},
        {"PLANT_TYPE", 2006, "maple.x", "Maple", AutumnTree},
        {"PLANT_TYPE", 2007, "hedge.x", "Hedge", Hedge},
        // Houses (colour 1 the roof, colour 2 the walls).
        {"HOUSE_TYPE", 2009, "farmhouse.x", "Farmhouse", Farmhouse, roof, wall, "0xb04a30", "0xf2e6c8"},
        {"HOUSE_TYPE", 3001, "cottage.x", "Cottage", [](XMesh& m) { House(m, 1.6f, 2.0f, 1.0f, 0.8f, 1, 2); }, roof,
         wall, "0x9a3a2a", "0xf4f0e4"},
        {"HOUSE_TYPE", 3002, "townhouse.x", "Townhouse", Townhouse, roof, wall, "0x5a5a66", "0xe8d0a8"},
        {"HOUSE_TYPE", 3003, "villa.x", "Villa", Villa, roof, wall, "0x7a3a30", "0xf8f4ec"},
        {"HOUSE_TYPE", 3004, "house_blue.x", "Bungalow", [](XMesh& m) { House(m, 2.0f, 2.2f, 0.9f, 0.6f, 1, 2); },
         roof, wall, "0x404a58", "0xb8cce0"},
        // Industry.
        {"INDUSTRY_TYPE", 2602, "factory.x", "Factory", Factory},
        {"INDUSTRY_TYPE", 4001, "warehouse.x", "Warehouse", Warehouse},
        {"INDUSTRY_TYPE", 4002, "silo.x", "Silo", Silo},
        {"INDUSTRY_TYPE", 4003, "crane.x", "Crane", Crane},
        // Railway buildings.
        {"RAILWAY_TYPE", 5001, "station.x", "Station", Station},
        {"RAILWAY_TYPE", 5002, "platform.x", "Platform", Platform},
        {"RAILWAY_TYPE", 5003, "signalbox.x", "Signalbox", SignalBox},
        {"RAILWAY_TYPE", 5004, "engineshed.x", "Engineshed", EngineShed},
        {"RAILWAY_TYPE", 5005, "watertower.x", "Watertower", WaterTower},
        {"RAILWAY_TYPE", 5035, "gate_post.x", "Gate", GatePost},
        {"DUMMY_TYPE", 5036, "gate_boom.x", "Gateboom", GateBoom},
        {"RAILWAY_TYPE", 1400, "turntable_pit.x", "Turntable", TurntablePit},
        {"DUMMY_TYPE", 1401, "turntable_deck.x", "Deck", TurntableDeck},
        // Lamps.
        {"LAMP_TYPE", 6001, "lamp_street.x", "Streetlamp", StreetLamp, "LPOS1.3Y", "-", "0xffe0a0", "0"},
        {"LAMP_TYPE", 6002, "lamp_platform.x", "Platformlamp", PlatformLamp, "LPOS1.4Y", "-", "0xfff0d0", "0"},
        // Signs.
        {"SIGN_TYPE", 7001, "sign_speed.x", "Speedsign",
         [](XMesh& m) { SignBoard(m, SIGN_SPEED, 0.3f, 0.3f, 0.7f); }},
        {"SIGN_TYPE", 7002, "sign_station.x", "Nameboard",
         [](XMesh& m) { SignBoard(m, SIGN_STATION, 1.0f, 0.25f, 0.8f); }},
        {"SIGN_TYPE", 7003, "sign_whistle.x", "Whistlesign",
         [](XMesh& m) { SignBoard(m, SIGN_WHISTLE, 0.25f, 0.25f, 0.6f); }},
        {"SIGN_TYPE", 7010, "semaphore_stop.x", "Signal", [](XMesh& m) { Semaphore(m, false); }},
        {"SIGN_TYPE", 7011, "semaphore_clear.x", "Signalclear", [](XMesh& m) { Semaphore(m, true); }},
        // Other objects.
        {"MISC_TYPE", 3662, "bonfire.x", "Bonfire", Bonfire},
        {"MISC_TYPE", 8001, "bench.x", "Bench", Bench},
        {"MISC_TYPE", 8002, "fence.x", "Fence", Fence},
        {"MISC_TYPE", 8003, "crates.x", "Crates", Crates},
        {"MISC_TYPE", 8004, "car.x", "Car", Car, Tex("plaster.dds"), "-", "0x2a5aa0", "0"},
        // Engines, cargo wagons and passenger coaches.
        {"ENGINE_TYPE", 1201, "engine_steam.x", "Steam", SteamEngine, "NOREF", "0", "12", "20"},
        {"ENGINE_TYPE", 1202, "engine_diesel.x", "Diesel",
         [](XMesh& m) { DieselEngine(m, 0x2a5a9a, 0xf0e8d0, 1.3f); }, "NOREF", "0", "15", "24"},
        {"ENGINE_TYPE", 1203, "engine_shunter.x", "Shunter", Shunter, "NOREF", "0", "8", "16"},
        {"ENGINE_TYPE", 1204, "engine_diesel_red.x", "Redengine",
         [](XMesh& m) { DieselEngine(m, 0xa83228, 0xf0d050, 1.3f); }, "NOREF", "0", "15", "24"},
        {"CWAGON_TYPE", 1301, "wagon_box.x", "Boxcar", BoxcarMesh, "NOREF", "0", "0", "0"},
        {"CWAGON_TYPE", 1302, "wagon_tank.x", "Tankwagon", TankWagon, "NOREF", "0", "0", "0"},
        {"CWAGON_TYPE", 1303, "wagon_open.x", "Coalwagon", OpenWagon, "NOREF", "0", "0", "0"},
        {"PWAGON_TYPE", 1351, "coach_green.x", "Greencoach", [](XMesh& m) { Coach(m, "coach_green.dds"); }, "NOREF",
         "0", "0", "0"},
        {"PWAGON_TYPE", 1352, "coach_red.x", "Redcoach", [](XMesh& m) { Coach(m, "coach_red.dds"); }, "NOREF", "0",
         "0", "0"},
    };
    return c;
}

bool WriteObjects(const std::string& out) {
    bool ok = WriteObjectTextures(out);
    const std::vector<ObjectDef> cat = Catalogue();
    std::string list = "VelmarineObjects " + std::to_string(cat.size()) + "\r\n";
    std::string names;
    for (const ObjectDef& d : cat) {
        XMesh mesh;
        d.build(mesh);
        std::string meshName = d.file;
        meshName = meshName.substr(0, meshName.find('.'));
        ok = WriteBytes(out + "/Scenes/xfiles/" + d.file, mesh.ToX(meshName)) && ok;
        char row[512];
        std::snprintf(row, sizeof row, "%s %d %s 1.0 %s %s %s %s %s -\r\n", d.type, d.objId, d.file, d.name,
                      d.t6.c_str(), d.t7.c_str(), d.t8.c_str(), d.t9.c_str());
        list += row;
        names += std::to_string(d.objId) + " " + d.name + "\r\n";
    }
    ok = WriteBytes(out + "/vlm_objects.xli", list) && ok;
    ok = WriteBytes(out + "/vlm_names.otx", names) && ok;

    // Sky boxes: texture, fog, sun, ambient, a spare number, day or night,
    // lamps. Rows are read into the list head first, so the last row is
    // entry 0: the day sky of a new layout and of the toolbar's day button;
    // the row before it is entry 1, the night sky of the night button.
    const char* skies =
        "Scenes\\sky\\sky_overcast.dds 0xb4b8bc 0xc8c8c8 0x707070 0 DAY NOLAMP\r\n"
        "Scenes\\sky\\sky_evening.dds 0xe8a060 0xffc080 0x504038 0 DAY LAMP\r\n"
        "Scenes\\sky\\sky_night.dds 0x141c30 0x304060 0x283040 0 NIGHT LAMP\r\n"
        "Scenes\\sky\\sky_day.dds 0xb8cde0 0xfff4e0 0x686868 0 DAY NOLAMP\r\n";
    ok = WriteBytes(out + "/vlm_skybox.txt", skies) && ok;

    // Textures that light up at night.
    ok = WriteBytes(out + "/ltex.list", "window_lit.dds\r\nlamp_glass.dds\r\n") && ok;
    // Lamp information: objId, kind, offset x y, height, colour, range,
    // attenuation 0 1 2, halo, halo size.
    const char* lamps =
        "6001 POINT 0 0 1.3 0xffe0a0 1.2 0.1 0 0.4 TRUE 0.7\r\n"
        "6002 POINT 0 0.32 1.4 0xfff0d0 1.0 0.1 0 0.5 TRUE 0.5\r\n";
    ok = WriteBytes(out + "/lampinfo.list", lamps) && ok;
    // Small objects that lean with the ground.
    ok = WriteBytes(out + "/vlm_useanglexz.list", "2005 2007 8001 8002 8003 8004 7001 7003\r\n") && ok;
    // Object controls: the semaphore swaps between its two states; the
    // crane turns about its mast.
    const char* controls =
        "7010 SWAP 2\r\n7010 Stop 7011 Clear\r\n"
        "4003 ROTATE 2\r\nZ00090_0000030 Turn_left Z-0090_0000030 Turn_right\r\n";
    ok = WriteBytes(out + "/vlm_objcontrol.list", controls) && ok;
    // Engine spots: objId, lamp points (x y z, the height axis pointing
    // down), then the chimney: unused, distance along the engine (its sign
    // opposite to the mesh's y), height offset (negative above).
    const char* spots =
        "1201 2 -0.17 1.2 -0.35 0.17 1.2 -0.35 1 0 -0.8 -0.95\r\n"
        "1202 4 -0.18 1.31 -0.62 0.18 1.31 -0.62 -0.18 -1.31 -0.62 0.18 -1.31 -0.62 0\r\n"
        "1203 2 -0.15 0.83 -0.4 0.15 0.83 -0.4 0\r\n"
        "1204 4 -0.18 1.31 -0.62 0.18 1.31 -0.62 -0.18 -1.31 -0.62 0.18 -1.31 -0.62 0\r\n";
    ok = WriteBytes(out + "/enginespots.list", spots) && ok;
    // Detach rules (text): the two coaches of a set stay coupled at detach
    // points, and so do the steam engine and the wagon behind it.
    const char* detach =
        "1351 BACK 1352 FRONT NOD\r\n"
        "1201 BACK 1351 ANY NOD\r\n";
    ok = WriteBytes(out + "/traindetach.bin", detach) && ok;
    return ok;
}

}  // namespace

VEL_CONTENT_GENERATOR("50_objects", WriteObjects);

}  // namespace content
