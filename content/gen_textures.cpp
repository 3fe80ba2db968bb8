// The textures of the fixed texture slots: menu background, loading picture,
// ground atlas, plants, tracks, water, smoke, shadows, grid and flat colours.
#include <cmath>
#include <string>

#include "content/content.h"
#include "content/image.h"
#include "content/layout.h"
#include "content/pixfont.h"

namespace content {
namespace {

constexpr float PI = 3.14159265f;

float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
float Smooth(float e0, float e1, float x) {
    const float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

Image Tinted(const Image& white, const Rgba& c) {
    Image out = white;
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x) {
            Rgba& p = out.At(x, y);
            p = Rgba{p.r * c.r, p.g * c.g, p.b * c.b, p.a * c.a};
        }
    return out;
}

// Draws a text with a soft drop shadow.
void Letter(Image& img, const std::string& text, int x, int y, int scale, const Rgba& colour) {
    Image t = RenderPixelText(text, scale, true, false);
    img.Blit(Tinted(t, Rgba{0, 0, 0, 0.45f}), x + scale, y + scale);
    img.Blit(Tinted(t, colour), x, y);
}

// ---------------------------------------------------------------------------
// A small landscape painter shared by the menu and loading pictures.

// Rolling hill line height (in pixels from the top) at x.
float HillLine(float x, float base, float amp, float freq, uint32_t seed) {
    return base - amp * (Fbm(x * freq, 0.5f, 1 << 20, 4, seed) - 0.5f) * 2.0f;
}

void PaintLandscape(Image& img, float horizon) {
    const int W = img.Width(), H = img.Height();
    // Sky: deep blue to a warm haze at the horizon, with soft clouds.
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const float t = Clamp01(y / horizon);
            Rgba c = Mix(Hex(0x3a6fb5), Hex(0xf2d7a6), std::pow(t, 1.6f));
            const float cloud = Fbm(x / 180.0f, y / 60.0f, 1 << 20, 5, 11);
            const float k = Smooth(0.55f, 0.75f, cloud) * (1 - t * 0.6f);
            c = Mix(c, Hex(0xfdf8ef), k * 0.85f);
            img.At(x, y) = c;
        }
    // Sun glow.
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const float d = std::hypot(x - W * 0.78f, y - horizon * 0.78f);
            img.Blend(x, y, Hex(0xfff3c4), Clamp01(1.0f - d / (W * 0.22f)) * 0.6f);
        }
    // Three ranges of hills, far to near.
    struct Range {
        float base, amp, freq;
        uint32_t rgb;
        uint32_t seed;
    } ranges[] = {
        {horizon - 40, 55, 1 / 260.0f, 0x8fa7b7, 3},
        {horizon + 5, 45, 1 / 200.0f, 0x6f9a63, 5},
        {horizon + 70, 40, 1 / 150.0f, 0x4f8a3c, 7},
    };
    for (const Range& r : ranges)
        for (int x = 0; x < W; ++x) {
            const float top = HillLine(float(x), r.base, r.amp, r.freq, r.seed);
            for (int y = std::max(0, int(top)); y < H; ++y) {
                const float shade = 0.92f + 0.16f * Fbm(x / 40.0f, y / 40.0f, 1 << 20, 3, r.seed + 9);
                Rgba c = Scale(Hex(r.rgb), shade * (1.0f - 0.12f * Clamp01((y - top) / 200.0f)));
                img.Blend(x, y, c, Clamp01(y + 1 - top));
            }
        }
}

// A side view of a little train: engine and two coaches, right to left.
void PaintTrain(Image& img, float x, float y, float s) {
    const Rgba body = Hex(0x2d5d8a), roof = Hex(0x3b3b40), red = Hex(0xb8332a), black = Hex(0x1c1c1c);
    const Rgba window = Hex(0xf6e7b0), steel = Hex(0x8a8f96);
    // Rails.
    img.Line(x - 420 * s, y + 2 * s, x + 140 * s, y + 2 * s, 3 * s, steel);
    // Engine (steam): boiler, cab, chimney.
    img.RoundRect(x, y - 46 * s, x + 90 * s, y - 14 * s, 10 * s, red);
    img.RoundRect(x + 70 * s, y - 70 * s, x + 120 * s, y - 14 * s, 4 * s, red);
    img.RoundRect(x + 66 * s, y - 76 * s, x + 124 * s, y - 68 * s, 3 * s, roof);
    img.RoundRect(x + 80 * s, y - 62 * s, x + 110 * s, y - 44 * s, 3 * s, window);
    img.RoundRect(x + 12 * s, y - 70 * s, x + 26 * s, y - 44 * s, 3 * s, black);
    img.RoundRect(x - 6 * s, y - 18 * s, x + 126 * s, y - 10 * s, 2 * s, black);
    for (float wx : {18.0f, 48.0f, 96.0f}) {
        img.Disc(x + wx * s, y - 8 * s, 10 * s, black);
        img.Disc(x + wx * s, y - 8 * s, 5 * s, steel);
    }
    // Smoke puffs.
    for (int i = 0; i < 6; ++i) {
        const float px = x + 19 * s + 40 * i * s * 0.9f + 10 * s, py = y - 88 * s - i * 14 * s;
        img.Disc(px, py, (10 + 5 * i) * s, Rgba{1, 1, 1, 0.55f - 0.07f * i});
    }
    // Coaches.
    for (int k = 0; k < 2; ++k) {
        const float cx = x - (150 + 150 * k) * s;
        img.RoundRect(cx, y - 62 * s, cx + 140 * s, y - 14 * s, 6 * s, body);
        img.RoundRect(cx - 2 * s, y - 68 * s, cx + 142 * s, y - 58 * s, 5 * s, roof);
        for (int w = 0; w < 5; ++w)
            img.RoundRect(cx + (10 + 26 * w) * s, y - 52 * s, cx + (28 + 26 * w) * s, y - 36 * s, 2 * s, window);
        img.Line(cx + 4 * s, y - 30 * s, cx + 136 * s, y - 30 * s, 2 * s, Hex(0xe8c65a));
        for (float wx : {22.0f, 42.0f, 98.0f, 118.0f}) img.Disc(cx + wx * s, y - 10 * s, 7 * s, black);
    }
}

bool WriteMenuBackground(const std::string& out) {
    Image img(1024, 768);
    PaintLandscape(img, 430);
    // A viaduct across the valley with the train on it.
    const Rgba stone = Hex(0x9c8c78), dark = Hex(0x6e6152);
    const float deckY = 560;
    img.FillRect(0, int(deckY), 1024, 16, stone);
    img.FillRect(0, int(deckY) + 14, 1024, 3, dark);
    for (int a = 0; a < 8; ++a) {
        const float cx = 64 + a * 128.0f;
        img.FillRect(int(cx - 64), int(deckY + 16), 128, 210, stone);
        img.Disc(cx, deckY + 110, 46, Hex(0x3f6b33));
        img.FillRect(int(cx - 46), int(deckY + 110), 92, 120, Hex(0x3f6b33));
        for (int y = int(deckY + 20); y < 768; y += 18)
            img.Line(cx - 64, float(y), cx + 64, float(y), 1, Rgba{0, 0, 0, 0.12f});
    }
    // The menu buttons, their arms and the information panel stay left of
    // x 580 on the 800 by 600 screen (742 in this picture) above the
    // viaduct, so the train and the title keep to the right of it; the
    // title ends above the knob of the empty right arm (y 195 on screen).
    PaintTrain(img, 940, deckY, 0.5f);
    Letter(img, "Velmarine!", 776, 110, 4, Hex(0xfff6d8));
    Letter(img, "model railway", 800, 166, 2, Hex(0x29405e));
    return WriteDds(out, "objects/bitmaps/mm2bg2.dds", img.Resized(1024, 1024), DdsFormat::DXT1);
}

// The loading picture lies over the progress pie: a transparent ring in the
// middle of the screen shows the pie growing behind it.
bool WriteLoadingPicture(const std::string& out) {
    Image img(1024, 768);
    PaintLandscape(img, 520);
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x) img.Blend(x, y, Rgba{0.05f, 0.08f, 0.12f, 1}, 0.45f);
    const float cx = 512, cy = 384, r0 = 110, r1 = 150;
    img.Ring(cx, cy, (r0 + r1) / 2, r1 - r0 + 14, Hex(0xe8e2d0));
    img.Ring(cx, cy, (r0 + r1) / 2, r1 - r0 + 6, Hex(0x2b3440));
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x) {
            const float d = std::hypot(x + 0.5f - cx, (y + 0.5f - cy) * 1.0f);
            if (d > r0 && d < r1) img.At(x, y).a = 0;
        }
    // A small engine in the middle of the ring.
    PaintTrain(img, cx + 120, cy + 250, 0.8f);
    Letter(img, "Velmarine!", 330, 90, 6, Hex(0xfff6d8));
    // The word sits inside the ring, clear of the train below it.
    const int wordWidth = RenderPixelText("loading", 4, true, false).Width();
    Letter(img, "loading", int(cx) - wordWidth / 2, int(cy) - 22, 4, Hex(0xe8e2d0));
    return WriteDds(out, "objects/bitmaps/ldscr.dds", img.Resized(1024, 1024), DdsFormat::DXT1);
}

// ---------------------------------------------------------------------------
// Ground atlas: 8 x 8 textures of 128 x 128, each tiling on its own.

using GroundFn = Rgba (*)(float x, float y, uint32_t seed);

Rgba Grass(float x, float y, uint32_t seed, Rgba a, Rgba b) {
    const float n = Fbm(x / 32.0f, y / 32.0f, 4, 4, seed);
    const float blades = ValueNoise(x / 2.0f, y / 2.0f, 64, seed + 3);
    Rgba c = Mix(a, b, n);
    return Scale(c, 0.85f + 0.3f * blades);
}

struct GroundDef {
    uint32_t a, b;  // two base colours
    int kind;       // 0 grass, 1 soil, 2 stones, 3 rows, 4 slabs, 5 cobbles, 6 flat, 7 flowers
};

Rgba GroundTexel(const GroundDef& d, float x, float y, uint32_t seed) {
    const Rgba a = Hex(d.a), b = Hex(d.b);
    switch (d.kind) {
        case 0: return Grass(x, y, seed, a, b);
        case 7: {
            Rgba c = Grass(x, y, seed, a, b);
            const float f = ValueNoise(x / 4.0f, y / 4.0f, 32, seed + 17);
            if (Hash01(uint32_t(x) / 4, uint32_t(y) / 4, seed) > 0.93f && f > 0.4f)
                c = Mix(c, Hash01(uint32_t(x) / 4, uint32_t(y) / 4, seed + 1) > 0.5f ? Hex(0xf4f0e0) : Hex(0xf0d040),
                        0.85f);
            return c;
        }
        case 1: {
            const float n = Fbm(x / 16.0f, y / 16.0f, 8, 5, seed);
            const float grain = Hash01(uint32_t(x), uint32_t(y), seed);
            return Scale(Mix(a, b, n), 0.88f + 0.2f * grain);
        }
        case 2: {  // stones: cellular look from noise thresholds
            const float n = Fbm(x / 8.0f, y / 8.0f, 16, 3, seed);
            const float g = Hash01(uint32_t(x / 4), uint32_t(y / 4), seed);
            Rgba c = Mix(a, b, g);
            return Scale(c, 0.7f + 0.5f * n);
        }
        case 3: {  // ploughed rows
            const float row = 0.5f + 0.5f * std::sin(y / 128.0f * 2 * PI * 8);
            const float n = Fbm(x / 16.0f, y / 16.0f, 8, 4, seed);
            return Scale(Mix(a, b, row * 0.7f + n * 0.3f), 0.9f + 0.15f * Hash01(uint32_t(x), uint32_t(y), seed));
        }
        case 4: {  // paving slabs
            const int sx = int(x) % 32, sy = int(y) % 32;
            const float joint = (sx < 2 || sy < 2) ? 0.6f : 1.0f;
            const float n = Fbm(x / 16.0f, y / 16.0f, 8, 3, seed);
            const float tone = 0.92f + 0.1f * Hash01(uint32_t(x) / 32, uint32_t(y) / 32, seed);
            return Scale(Mix(a, b, n), joint * tone);
        }
        case 5: {  // cobbles
            const float cx = std::fmod(x, 16.0f) - 8, cy = std::fmod(y + (int(x / 16) % 2) * 8, 16.0f) - 8;
            const float d = std::hypot(cx, cy) / 8.0f;
            const float tone = 0.85f + 0.2f * Hash01(uint32_t(x) / 16, uint32_t(y + (int(x / 16) % 2) * 8) / 16, seed);
            return Scale(Mix(a, b, Clamp01(d)), tone * (1.0f - 0.35f * Smooth(0.8f, 1.0f, d)));
        }
        default: {
            const float n = Fbm(x / 32.0f, y / 32.0f, 4, 4, seed);
            return Scale(Mix(a, b, n), 0.95f + 0.08f * Hash01(uint32_t(x), uint32_t(y), seed));
        }
    }
}

bool WriteTerrainAtlas(const std::string& out) {
    const GroundDef defs[] = {
        {0x6a9a3c, 0x4f7f2b, 0},  // 0 meadow (the ground of a new layout)
        {0x5a8a34, 0x3e6b25, 0},  // 1 lush grass
        {0x8f9a4a, 0x6f7f36, 0},  // 2 dry grass
        {0x6a9a3c, 0x4f7f2b, 7},  // 3 meadow with flowers
        {0x4d6e2e, 0x35522a, 0},  // 4 dark grass
        {0x5e5a2e, 0x3f4a25, 1},  // 5 forest floor
        {0x8a6a45, 0x6b5036, 1},  // 6 dirt
        {0x6b5a45, 0x4a3c2e, 1},  // 7 mud
        {0xd8c48e, 0xc2a870, 1},  // 8 sand
        {0x9a948a, 0x7a746c, 2},  // 9 gravel
        {0x7d7368, 0x5e564e, 2},  // 10 ballast
        {0x8c8a86, 0x6c6a66, 1},  // 11 rock
        {0x8a8276, 0x6a6258, 5},  // 12 cobblestones
        {0x4c4c50, 0x3c3c40, 6},  // 13 asphalt
        {0xb0aca2, 0x9c988e, 4},  // 14 paving slabs
        {0x7a5a3a, 0x5a4028, 3},  // 15 ploughed field
        {0xd2b65a, 0xb89a44, 3},  // 16 wheat field
        {0x88a848, 0x6a8a38, 3},  // 17 green field rows
        {0xf2f4f8, 0xd8e0ea, 1},  // 18 snow
        {0xa8bcc8, 0x8aa0b0, 1},  // 19 ice
        {0xc8b078, 0xa89058, 2},  // 20 beach pebbles
        {0x9a7a5a, 0x7a5a3a, 4},  // 21 brick paving
        {0x3e5a2a, 0x2c4420, 0},  // 22 shade grass
        {0x7aa048, 0x5a8036, 7},  // 23 flowers
    };
    const int defCount = static_cast<int>(sizeof defs / sizeof defs[0]);
    Image atlas(1024, 1024, Rgba{0, 0, 0, 1});
    for (int t = 0; t < 63; ++t) {
        GroundDef d = defs[t % defCount];
        if (t >= defCount) {
            // Further textures: the same kinds in shifted colours.
            const float k = 0.85f + 0.1f * float(t / defCount);
            const Rgba a = Scale(Hex(d.a), k), b = Scale(Hex(d.b), k);
            auto pack = [](const Rgba& c) {
                auto ch = [](float v) { return uint32_t(std::lround(Clamp01(v) * 255)); };
                return (ch(c.r) << 16) | (ch(c.g) << 8) | ch(c.b);
            };
            d.a = pack(a);
            d.b = pack(b);
        }
        const int ox = (t % 8) * 128, oy = (t / 8) * 128;
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) atlas.At(ox + x, oy + y) = GroundTexel(d, float(x), float(y), 100 + t);
    }
    // Slot 63 is the black base under blended cells.
    return WriteJpeg(out, "objects/bitmaps/terrain.jpg", atlas, 88);
}

// ---------------------------------------------------------------------------
// Plants

Image PaintPlantAtlas() {
    const int S = PLANT_TEXTURE_SIZE;
    Image img(S, S, Rgba{0.3f, 0.5f, 0.2f, 1});
    auto region = [&](const UvRect& r, auto fn) {
        const int x0 = int(r.u0 * S) - 4, x1 = int(r.u1 * S) + 4, y0 = int(r.v0 * S) - 4, y1 = int(r.v1 * S) + 4;
        for (int y = std::max(0, y0); y < std::min(S, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(S, x1); ++x) img.At(x, y) = fn(float(x), float(y));
    };
    region(PLANT_LEAVES, [](float x, float y) {
        const float n = Fbm(x / 10.0f, y / 10.0f, 64, 4, 21);
        const float spot = ValueNoise(x / 2.5f, y / 2.5f, 1024, 22);
        Rgba c = Mix(Hex(0x2f6a24), Hex(0x6fa83a), n);
        return Scale(c, 0.75f + 0.45f * spot);
    });
    region(PLANT_NEEDLES, [](float x, float y) {
        const float n = Fbm(x / 12.0f, y / 12.0f, 64, 3, 31);
        const float streak = ValueNoise(x / 1.5f, y / 5.0f, 1024, 32);
        Rgba c = Mix(Hex(0x1f4a2a), Hex(0x3f6e3a), n);
        return Scale(c, 0.7f + 0.45f * streak);
    });
    region(PLANT_BARK, [](float x, float y) {
        const float streak = ValueNoise(x / 2.0f, y / 14.0f, 1024, 41);
        const float n = Fbm(x / 8.0f, y / 8.0f, 64, 3, 42);
        Rgba c = Mix(Hex(0x4a3626), Hex(0x7a5e44), n);
        return Scale(c, 0.7f + 0.5f * streak);
    });
    region(PLANT_BLOSSOM, [](float x, float y) {
        const float n = Fbm(x / 9.0f, y / 9.0f, 64, 4, 51);
        const float spot = ValueNoise(x / 2.5f, y / 2.5f, 1024, 52);
        Rgba c = Mix(Hex(0xc8652a), Hex(0xe8b84a), n);
        return Scale(c, 0.8f + 0.35f * spot);
    });
    region(PLANT_BUSH, [](float x, float y) {
        const float n = Fbm(x / 7.0f, y / 7.0f, 64, 4, 61);
        const float spot = ValueNoise(x / 2.0f, y / 2.0f, 1024, 62);
        Rgba c = Mix(Hex(0x4f8a2e), Hex(0x8cc050), n);
        return Scale(c, 0.78f + 0.4f * spot);
    });
    return img;
}

bool WritePlants(const std::string& out) {
    const Image plants = PaintPlantAtlas();
    bool ok = WriteDds(out, "Scenes/ember/noveny.dds", plants, DdsFormat::A8R8G8B8);
    // The selected-plant texture is drawn additively over the plant: an
    // orange glow with the plant's own grain.
    Image sel = plants;
    for (int y = 0; y < sel.Height(); ++y)
        for (int x = 0; x < sel.Width(); ++x) {
            const Rgba& p = plants.At(x, y);
            const float l = 0.3f + 0.7f * (p.r + p.g + p.b) / 3.0f;
            sel.At(x, y) = Rgba{0.9f * l + 0.2f, 0.45f * l + 0.05f, 0.05f, 1};
        }
    ok = WriteDds(out, "objects/bitmaps/novenyselect.dds", sel, DdsFormat::A8R8G8B8) && ok;
    return ok;
}

// ---------------------------------------------------------------------------
// Track: u runs along the track (one repeat per half unit), v across it
// (0 and 1 the outer ballast edges, 0.1 and 0.9 the top of the bed).

Image PaintTrack(bool selected) {
    const int W = 128, H = 128;  // x = u (along), y = v (across)
    Image img(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const float v = (y + 0.5f) / H;
            const float stones = Hash01(uint32_t(x / 2), uint32_t(y / 2), 7);
            const float n = Fbm(x / 8.0f, y / 8.0f, 16, 3, 8);
            Rgba ballast = Scale(Mix(Hex(0x8a8078), Hex(0x5c554f), stones), 0.8f + 0.3f * n);
            if (v < 0.1f || v > 0.9f) ballast = Scale(ballast, 0.8f);  // the shoulders lie in shade
            img.At(x, y) = ballast;
        }
    // Four sleepers per repeat.
    for (int k = 0; k < 4; ++k) {
        const int x0 = k * 32 + 6;
        for (int y = int(0.13f * H); y < int(0.87f * H); ++y)
            for (int x = x0; x < x0 + 18; ++x) {
                const float grain = ValueNoise(x / 1.5f, y / 9.0f, 1024, 13 + k);
                Rgba wood = Scale(Hex(0x5a4534), 0.8f + 0.35f * grain);
                if (x == x0 || x == x0 + 17) wood = Scale(wood, 0.7f);
                img.At(x, y) = wood;
            }
    }
    // Two rails with a bright running surface.
    for (float rv : {0.22f, 0.78f}) {
        const int yc = int(rv * H);
        for (int x = 0; x < W; ++x) {
            for (int dy = -3; dy <= 3; ++dy) {
                const float t = std::fabs(float(dy)) / 3.0f;
                Rgba steel = Mix(Hex(0xd8dce0), Hex(0x5a4a40), t);
                img.At(x, yc + dy) = steel;
            }
            img.At(x, yc - 4) = Scale(img.At(x, yc - 4), 0.6f);
            img.At(x, yc + 4) = Scale(img.At(x, yc + 4), 0.6f);
        }
    }
    if (selected)
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                Rgba& p = img.At(x, y);
                p = Mix(p, Hex(0xff9a30), 0.45f);
            }
    return img;
}

// Tunnel lining: courses of stone blocks.
Image PaintTunnel() {
    Image img(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const int row = y / 16;
            const int off = (row % 2) * 16;
            const int bx = (x + off) / 32;
            const bool joint = (y % 16) < 2 || ((x + off) % 32) < 2;
            const float tone = 0.8f + 0.3f * Hash01(uint32_t(bx), uint32_t(row), 71);
            const float n = Fbm(x / 6.0f, y / 6.0f, 21, 3, 72);
            Rgba c = Scale(Mix(Hex(0x8c8278), Hex(0x6e655c), n), tone);
            if (joint) c = Hex(0x3e3a36);
            img.At(x, y) = c;
        }
    return img;
}

// Bridge: the upper half is a steel lattice (transparent between the bars,
// drawn with alpha testing), the lower half the stone of the piers.
Image PaintBridge() {
    Image img(128, 128, Rgba{0, 0, 0, 0});
    const Rgba steel = Hex(0x4a5866), steelLight = Hex(0x6a7a88);
    // Upper half: chords and diagonals.
    img.FillRect(0, 0, 128, 6, steelLight);
    img.FillRect(0, 58, 128, 6, steel);
    for (int k = 0; k < 4; ++k) {
        const float x0 = k * 32.0f;
        img.Line(x0, 4, x0 + 32, 60, 4, steel);
        img.Line(x0 + 32, 4, x0, 60, 4, steel);
        img.FillRect(int(x0), 0, 3, 64, steelLight);
    }
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x) {
            Rgba& p = img.At(x, y);
            p.a = p.a >= 0.5f ? 1.0f : 0.0f;
        }
    // Lower half: pier stones.
    for (int y = 64; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const int row = (y - 64) / 12;
            const int off = (row % 2) * 12;
            const bool joint = ((y - 64) % 12) < 2 || ((x + off) % 24) < 2;
            const float tone = 0.85f + 0.25f * Hash01(uint32_t((x + off) / 24), uint32_t(row), 81);
            Rgba c = Scale(Hex(0xa0927e), tone);
            if (joint) c = Hex(0x5e564c);
            img.At(x, y) = c;
        }
    return img;
}

// ---------------------------------------------------------------------------
// Water, smoke, shadow, grid and the small flat textures.

Image PaintWater(bool night) {
    Image img(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const float n = Fbm(x / 16.0f, y / 16.0f, 8, 5, 91);
            const float ripple = ValueNoise(x / 2.0f, y / 2.0f, 64, 92);
            Rgba c = night ? Mix(Hex(0x0c1a2e), Hex(0x1d3350), n) : Mix(Hex(0x2f6f8f), Hex(0x5aa0b8), n);
            if (ripple > 0.78f) c = Mix(c, night ? Hex(0x8090b0) : Hex(0xd8f0f8), (ripple - 0.78f) * 2.5f);
            c.a = night ? 0.85f : 0.78f;
            img.At(x, y) = c;
        }
    return img;
}

Image PaintPuff(int size, uint32_t seed, const Rgba& colour) {
    Image img(size, size);
    const float c = size / 2.0f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float d = std::hypot(x + 0.5f - c, y + 0.5f - c) / c;
            const float n = Fbm(x * 4.0f / size, y * 4.0f / size, 4, 4, seed);
            const float a = Clamp01(1.0f - d) * (0.55f + 0.6f * n);
            Rgba p = Scale(colour, 0.85f + 0.25f * n);
            p.a = Clamp01(a * 1.2f);
            img.At(x, y) = p;
        }
    return img;
}

bool WriteMiscTextures(const std::string& out) {
    bool ok = true;
    ok = WriteDds(out, "objects/bitmaps/track3.dds", PaintTrack(false), DdsFormat::A8R8G8B8) && ok;
    ok = WriteDds(out, "objects/bitmaps/trackselect.dds", PaintTrack(true), DdsFormat::A8R8G8B8) && ok;
    ok = WriteDds(out, "objects/bitmaps/tbrick_1.dds", PaintTunnel(), DdsFormat::A8R8G8B8) && ok;
    ok = WriteDds(out, "objects/bitmaps/vlm_bridge.dds", PaintBridge(), DdsFormat::A8R8G8B8) && ok;
    ok = WriteDds(out, "objects/bitmaps/water.dds", PaintWater(false), DdsFormat::A8R8G8B8) && ok;
    ok = WriteDds(out, "objects/bitmaps/water_night.dds", PaintWater(true), DdsFormat::A8R8G8B8) && ok;
    ok = WriteDds(out, "objects/bitmaps/smoke.dds", PaintPuff(64, 101, Hex(0xe8e8e8)), DdsFormat::A8R8G8B8) && ok;
    ok = WriteDds(out, "objects/bitmaps/smoke2.dds", PaintPuff(64, 103, Hex(0x6a6a6a)), DdsFormat::A8R8G8B8) && ok;

    // Sparks: a small bright star.
    Image star(32, 32, Rgba{1, 1, 1, 0});
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const float dx = std::fabs(x + 0.5f - 16) / 16, dy = std::fabs(y + 0.5f - 16) / 16;
            const float a = Clamp01(1 - std::hypot(dx, dy) * 1.6f) + Clamp01(1 - dx * 8) * Clamp01(1 - dy) * 0.6f +
                            Clamp01(1 - dy * 8) * Clamp01(1 - dx) * 0.6f;
            star.At(x, y) = Rgba{1, 0.9f, 0.6f, Clamp01(a)};
        }
    ok = WriteDds(out, "objects/bitmaps/stardust.dds", star, DdsFormat::A8R8G8B8) && ok;

    // Shadow: drawn as dest x (1 - source), so a light middle darkens.
    Image shadow(64, 64, Rgba{0, 0, 0, 1});
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const float d = std::hypot(x + 0.5f - 32, y + 0.5f - 32) / 30.0f;
            const float v = 0.5f * Smooth(1.0f, 0.2f, d);
            shadow.At(x, y) = Rgba{v, v, v, 1};
        }
    ok = WriteDds(out, "objects/bitmaps/shadow.dds", shadow, DdsFormat::A8R8G8B8) && ok;

    // Grid view: light lines on black at every ground cell border (each cell
    // spans one eighth of the ground atlas).
    Image grid(128, 128, Rgba{0, 0, 0, 1});
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const int cx = x % 16, cy = y % 16;
            if (cx == 0 || cx == 15 || cy == 0 || cy == 15) grid.At(x, y) = Rgba{0.55f, 0.75f, 0.9f, 1};
        }
    ok = WriteDds(out, "objects/bitmaps/grid.dds", grid, DdsFormat::A8R8G8B8) && ok;

    // Highlight: added over the highlighted object.
    Image orange(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const float band = 0.8f + 0.2f * std::sin((x + y) * PI / 8);
            orange.At(x, y) = Rgba{0.75f * band, 0.35f * band, 0.05f, 1};
        }
    ok = WriteDds(out, "objects/bitmaps/selectorange.dds", orange, DdsFormat::A8R8G8B8) && ok;
    ok = WriteDds(out, "objects/bitmaps/white.dds", Image(8, 8, Rgba{1, 1, 1, 1}), DdsFormat::A8R8G8B8) && ok;
    ok = WriteDds(out, "objects/bitmaps/black.dds", Image(8, 8, Rgba{0, 0, 0, 1}), DdsFormat::A8R8G8B8) && ok;
    return ok;
}

bool WriteTextures(const std::string& out) {
    bool ok = WriteMenuBackground(out);
    ok = WriteLoadingPicture(out) && ok;
    ok = WriteTerrainAtlas(out) && ok;
    ok = WritePlants(out) && ok;
    ok = WriteMiscTextures(out) && ok;
    return ok;
}

}  // namespace

VEL_CONTENT_GENERATOR("30_textures", WriteTextures);

}  // namespace content
