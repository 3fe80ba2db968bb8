#include "content/image.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "content/content.h"

namespace content {

namespace {

float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
uint8_t To8(float v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f)); }

// Coverage of a pixel by a signed distance (negative inside), one pixel soft.
float Coverage(float d) { return Clamp01(0.5f - d); }

void Put16(std::string& s, uint32_t v) {
    s.push_back(char(v & 0xff));
    s.push_back(char((v >> 8) & 0xff));
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xffff);
    Put16(s, v >> 16);
}

uint32_t Mix32(uint32_t h) {
    h ^= h >> 16;
    h *= 0x7feb352dU;
    h ^= h >> 15;
    h *= 0x846ca68bU;
    h ^= h >> 16;
    return h;
}

}  // namespace

Rgba Hex(uint32_t c, float alpha) {
    return Rgba{((c >> 16) & 0xff) / 255.0f, ((c >> 8) & 0xff) / 255.0f, (c & 0xff) / 255.0f, alpha};
}

Rgba Mix(const Rgba& a, const Rgba& b, float t) {
    return Rgba{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Rgba Scale(const Rgba& c, float f) { return Rgba{c.r * f, c.g * f, c.b * f, c.a}; }

float Hash01(uint32_t a, uint32_t b, uint32_t c) {
    uint32_t h = Mix32(a * 0x9E3779B1U ^ Mix32(b + 0x85ebca6bU) ^ Mix32(c * 0xc2b2ae35U + 7));
    return (h & 0xffffff) / float(0x1000000);
}

float ValueNoise(float x, float y, int period, uint32_t seed) {
    if (period < 1) period = 1;
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    auto lat = [&](int i, int j) {
        const int a = ((i % period) + period) % period, b = ((j % period) + period) % period;
        return Hash01(uint32_t(a), uint32_t(b), seed);
    };
    const float v00 = lat(ix, iy), v10 = lat(ix + 1, iy), v01 = lat(ix, iy + 1), v11 = lat(ix + 1, iy + 1);
    return (v00 * (1 - tx) + v10 * tx) * (1 - ty) + (v01 * (1 - tx) + v11 * tx) * ty;
}

float Fbm(float x, float y, int period, int octaves, uint32_t seed) {
    float sum = 0, amp = 0.5f, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += ValueNoise(x, y, period, seed + uint32_t(o) * 101) * amp;
        norm += amp;
        x *= 2;
        y *= 2;
        period *= 2;
        amp *= 0.5f;
    }
    return sum / norm;
}

Image::Image(int w, int h, Rgba fill) : w_(w), h_(h), px_(static_cast<size_t>(w) * h, fill) {}

Rgba Image::Get(int x, int y) const {
    x = std::clamp(x, 0, w_ - 1);
    y = std::clamp(y, 0, h_ - 1);
    return At(x, y);
}

Rgba Image::Sample(float u, float v) const {
    u -= 0.5f;
    v -= 0.5f;
    const int x0 = static_cast<int>(std::floor(u)), y0 = static_cast<int>(std::floor(v));
    const float tx = u - x0, ty = v - y0;
    auto w = [&](int x, int y) { return At(((x % w_) + w_) % w_, ((y % h_) + h_) % h_); };
    return Mix(Mix(w(x0, y0), w(x0 + 1, y0), tx), Mix(w(x0, y0 + 1), w(x0 + 1, y0 + 1), tx), ty);
}

void Image::Set(int x, int y, const Rgba& c) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    At(x, y) = c;
}

void Image::Blend(int x, int y, const Rgba& c, float t) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    const float a = Clamp01(c.a * t);
    if (a <= 0) return;
    Rgba& d = At(x, y);
    const float outA = a + d.a * (1 - a);
    if (outA <= 0) {
        d = Rgba{0, 0, 0, 0};
        return;
    }
    d.r = (c.r * a + d.r * d.a * (1 - a)) / outA;
    d.g = (c.g * a + d.g * d.a * (1 - a)) / outA;
    d.b = (c.b * a + d.b * d.a * (1 - a)) / outA;
    d.a = outA;
}

void Image::Fill(const Rgba& c) { std::fill(px_.begin(), px_.end(), c); }

void Image::FillRect(int x, int y, int w, int h, const Rgba& c) {
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) Set(i, j, c);
}

void Image::BlendRect(int x, int y, int w, int h, const Rgba& c) {
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) Blend(i, j, c);
}

void Image::VGradient(int x, int y, int w, int h, const Rgba& top, const Rgba& bottom) {
    for (int j = 0; j < h; ++j) {
        const Rgba c = Mix(top, bottom, h > 1 ? float(j) / float(h - 1) : 0.0f);
        for (int i = 0; i < w; ++i) Set(x + i, y + j, c);
    }
}

void Image::HGradient(int x, int y, int w, int h, const Rgba& left, const Rgba& right) {
    for (int i = 0; i < w; ++i) {
        const Rgba c = Mix(left, right, w > 1 ? float(i) / float(w - 1) : 0.0f);
        for (int j = 0; j < h; ++j) Set(x + i, y + j, c);
    }
}

void Image::Disc(float cx, float cy, float r, const Rgba& c) {
    const int x0 = int(std::floor(cx - r - 1)), x1 = int(std::ceil(cx + r + 1));
    const int y0 = int(std::floor(cy - r - 1)), y1 = int(std::ceil(cy + r + 1));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy) - r;
            Blend(x, y, c, Coverage(d));
        }
}

void Image::Ring(float cx, float cy, float r, float width, const Rgba& c) {
    const float outer = r + width / 2;
    const int x0 = int(std::floor(cx - outer - 1)), x1 = int(std::ceil(cx + outer + 1));
    const int y0 = int(std::floor(cy - outer - 1)), y1 = int(std::ceil(cy + outer + 1));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const float d = std::fabs(std::hypot(x + 0.5f - cx, y + 0.5f - cy) - r) - width / 2;
            Blend(x, y, c, Coverage(d));
        }
}

void Image::Line(float x0, float y0, float x1, float y1, float width, const Rgba& c) {
    const float hw = width / 2;
    const int bx0 = int(std::floor(std::min(x0, x1) - hw - 1)), bx1 = int(std::ceil(std::max(x0, x1) + hw + 1));
    const int by0 = int(std::floor(std::min(y0, y1) - hw - 1)), by1 = int(std::ceil(std::max(y0, y1) + hw + 1));
    const float dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
    for (int y = by0; y <= by1; ++y)
        for (int x = bx0; x <= bx1; ++x) {
            const float px = x + 0.5f - x0, py = y + 0.5f - y0;
            float t = len2 > 0 ? (px * dx + py * dy) / len2 : 0;
            t = Clamp01(t);
            const float d = std::hypot(px - t * dx, py - t * dy) - hw;
            Blend(x, y, c, Coverage(d));
        }
}

namespace {
float RoundRectDistance(float px, float py, float x0, float y0, float x1, float y1, float r) {
    const float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const float hx = (x1 - x0) / 2 - r, hy = (y1 - y0) / 2 - r;
    const float qx = std::fabs(px - cx) - hx, qy = std::fabs(py - cy) - hy;
    const float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::hypot(ox, oy) + std::min(std::max(qx, qy), 0.0f) - r;
}
}  // namespace

void Image::RoundRect(float x0, float y0, float x1, float y1, float radius, const Rgba& c) {
    for (int y = int(y0) - 1; y <= int(y1) + 1; ++y)
        for (int x = int(x0) - 1; x <= int(x1) + 1; ++x)
            Blend(x, y, c, Coverage(RoundRectDistance(x + 0.5f, y + 0.5f, x0, y0, x1, y1, radius)));
}

void Image::RoundRectFrame(float x0, float y0, float x1, float y1, float radius, float width, const Rgba& c) {
    for (int y = int(y0) - 1; y <= int(y1) + 1; ++y)
        for (int x = int(x0) - 1; x <= int(x1) + 1; ++x) {
            const float d = RoundRectDistance(x + 0.5f, y + 0.5f, x0, y0, x1, y1, radius);
            Blend(x, y, c, Coverage(std::fabs(d + width / 2) - width / 2));
        }
}

void Image::Triangle(float ax, float ay, float bx, float by, float cx, float cy, const Rgba& c) {
    const int x0 = int(std::floor(std::min({ax, bx, cx}))) - 1, x1 = int(std::ceil(std::max({ax, bx, cx}))) + 1;
    const int y0 = int(std::floor(std::min({ay, by, cy}))) - 1, y1 = int(std::ceil(std::max({ay, by, cy}))) + 1;
    const float area = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
    const float sgn = area < 0 ? -1.0f : 1.0f;
    auto edge = [&](float px, float py, float ex0, float ey0, float ex1, float ey1) {
        const float ex = ex1 - ex0, ey = ey1 - ey0, len = std::hypot(ex, ey);
        if (len <= 0) return 0.0f;
        return sgn * ((px - ex0) * ey - (py - ey0) * ex) / len;  // positive outside
    };
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const float px = x + 0.5f, py = y + 0.5f;
            const float d = std::max({edge(px, py, ax, ay, bx, by), edge(px, py, bx, by, cx, cy),
                                      edge(px, py, cx, cy, ax, ay)});
            Blend(x, y, c, Coverage(d));
        }
}

void Image::Bevel(int x, int y, int w, int h, const Rgba& top, const Rgba& bottom, int edge, bool sunken) {
    VGradient(x, y, w, h, top, bottom);
    const Rgba light{1, 1, 1, 0.45f}, dark{0, 0, 0, 0.5f};
    for (int e = 0; e < edge; ++e) {
        const Rgba& tl = sunken ? dark : light;
        const Rgba& br = sunken ? light : dark;
        for (int i = x + e; i < x + w - e; ++i) {
            Blend(i, y + e, tl);
            Blend(i, y + h - 1 - e, br);
        }
        for (int j = y + e + 1; j < y + h - 1 - e; ++j) {
            Blend(x + e, j, tl);
            Blend(x + w - 1 - e, j, br);
        }
    }
}

void Image::Blit(const Image& src, int dx, int dy) {
    for (int y = 0; y < src.h_; ++y)
        for (int x = 0; x < src.w_; ++x) Blend(dx + x, dy + y, src.At(x, y));
}

void Image::Copy(const Image& src, int dx, int dy) {
    for (int y = 0; y < src.h_; ++y)
        for (int x = 0; x < src.w_; ++x) Set(dx + x, dy + y, src.At(x, y));
}

Image Image::Resized(int w, int h) const {
    Image out(w, h);
    const float sx = float(w_) / w, sy = float(h_) / h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // Box filter over the source footprint (with premultiplied alpha).
            const float fx0 = x * sx, fx1 = (x + 1) * sx, fy0 = y * sy, fy1 = (y + 1) * sy;
            float r = 0, g = 0, b = 0, a = 0, wsum = 0;
            for (int j = int(fy0); j < int(std::ceil(fy1)) && j < h_; ++j)
                for (int i = int(fx0); i < int(std::ceil(fx1)) && i < w_; ++i) {
                    const float wx = std::min(fx1, float(i + 1)) - std::max(fx0, float(i));
                    const float wy = std::min(fy1, float(j + 1)) - std::max(fy0, float(j));
                    const float wgt = std::max(0.0f, wx) * std::max(0.0f, wy);
                    const Rgba& c = At(i, j);
                    r += c.r * c.a * wgt;
                    g += c.g * c.a * wgt;
                    b += c.b * c.a * wgt;
                    a += c.a * wgt;
                    wsum += wgt;
                }
            if (wsum > 0 && a > 0)
                out.At(x, y) = Rgba{r / a, g / a, b / a, a / wsum};
            else
                out.At(x, y) = Rgba{0, 0, 0, 0};
        }
    return out;
}

Image Image::Crop(int x, int y, int w, int h) const {
    Image out(w, h);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) out.At(i, j) = Get(x + i, y + j);
    return out;
}

// ---------------------------------------------------------------------------
// Encoders

namespace {

uint16_t To565(float r, float g, float b) {
    const int R = std::clamp(int(std::lround(r * 31)), 0, 31);
    const int G = std::clamp(int(std::lround(g * 63)), 0, 63);
    const int B = std::clamp(int(std::lround(b * 31)), 0, 31);
    return uint16_t((R << 11) | (G << 5) | B);
}

void From565(uint16_t c, float out[3]) {
    out[0] = ((c >> 11) & 31) / 31.0f;
    out[1] = ((c >> 5) & 63) / 63.0f;
    out[2] = (c & 31) / 31.0f;
}

// One DXT1 block: endpoints along the principal axis of the opaque pixels.
void EncodeDxt1Block(const Rgba* px, std::string& out) {
    bool transparent = false;
    float mean[3] = {0, 0, 0};
    int n = 0;
    for (int i = 0; i < 16; ++i) {
        if (px[i].a < 0.5f) {
            transparent = true;
            continue;
        }
        mean[0] += px[i].r;
        mean[1] += px[i].g;
        mean[2] += px[i].b;
        ++n;
    }
    if (n == 0) {
        Put16(out, 0);
        Put16(out, 0xffff);
        Put32(out, 0xffffffffU);
        return;
    }
    for (float& m : mean) m /= float(n);
    float cov[6] = {0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 16; ++i) {
        if (px[i].a < 0.5f) continue;
        const float d[3] = {px[i].r - mean[0], px[i].g - mean[1], px[i].b - mean[2]};
        cov[0] += d[0] * d[0];
        cov[1] += d[0] * d[1];
        cov[2] += d[0] * d[2];
        cov[3] += d[1] * d[1];
        cov[4] += d[1] * d[2];
        cov[5] += d[2] * d[2];
    }
    float axis[3] = {0.577f, 0.577f, 0.577f};
    for (int it = 0; it < 8; ++it) {
        const float v[3] = {cov[0] * axis[0] + cov[1] * axis[1] + cov[2] * axis[2],
                            cov[1] * axis[0] + cov[3] * axis[1] + cov[4] * axis[2],
                            cov[2] * axis[0] + cov[4] * axis[1] + cov[5] * axis[2]};
        const float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (len < 1e-8f) break;
        for (int k = 0; k < 3; ++k) axis[k] = v[k] / len;
    }
    float lo = 1e9f, hi = -1e9f;
    for (int i = 0; i < 16; ++i) {
        if (px[i].a < 0.5f) continue;
        const float t = (px[i].r - mean[0]) * axis[0] + (px[i].g - mean[1]) * axis[1] + (px[i].b - mean[2]) * axis[2];
        lo = std::min(lo, t);
        hi = std::max(hi, t);
    }
    uint16_t c0 = To565(mean[0] + axis[0] * hi, mean[1] + axis[1] * hi, mean[2] + axis[2] * hi);
    uint16_t c1 = To565(mean[0] + axis[0] * lo, mean[1] + axis[1] * lo, mean[2] + axis[2] * lo);
    // Four-colour mode needs c0 > c1, three-colour (with transparency) c0 <= c1.
    if (transparent) {
        if (c0 > c1) std::swap(c0, c1);
    } else {
        if (c0 < c1) std::swap(c0, c1);
        if (c0 == c1) {
            if (c1 > 0)
                --c1;
            else
                ++c0;
        }
    }
    float e0[3], e1[3], pal[4][3];
    From565(c0, e0);
    From565(c1, e1);
    int count;
    for (int k = 0; k < 3; ++k) {
        pal[0][k] = e0[k];
        pal[1][k] = e1[k];
    }
    if (!transparent) {
        for (int k = 0; k < 3; ++k) {
            pal[2][k] = (2 * e0[k] + e1[k]) / 3;
            pal[3][k] = (e0[k] + 2 * e1[k]) / 3;
        }
        count = 4;
    } else {
        for (int k = 0; k < 3; ++k) pal[2][k] = (e0[k] + e1[k]) / 2;
        count = 3;
    }
    uint32_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        int best = 0;
        if (transparent && px[i].a < 0.5f) {
            best = 3;
        } else {
            float bestD = 1e9f;
            for (int p = 0; p < count; ++p) {
                const float dr = px[i].r - pal[p][0], dg = px[i].g - pal[p][1], db = px[i].b - pal[p][2];
                const float d = dr * dr * 0.3f + dg * dg * 0.59f + db * db * 0.11f;
                if (d < bestD) {
                    bestD = d;
                    best = p;
                }
            }
        }
        bits |= uint32_t(best) << (2 * i);
    }
    Put16(out, c0);
    Put16(out, c1);
    Put32(out, bits);
}

}  // namespace

std::string EncodeDds(const Image& img, DdsFormat fmt) {
    const int w = img.Width(), h = img.Height();
    std::string s = "DDS ";
    const bool dxt = fmt == DdsFormat::DXT1;
    const uint32_t pitchOrSize = dxt ? uint32_t(std::max(1, (w + 3) / 4) * std::max(1, (h + 3) / 4) * 8) : uint32_t(w * 4);
    Put32(s, 124);                                  // header size
    Put32(s, 0x1 | 0x2 | 0x4 | 0x1000 | (dxt ? 0x80000 : 0x8));  // caps, height, width, pixel format, size
    Put32(s, uint32_t(h));
    Put32(s, uint32_t(w));
    Put32(s, pitchOrSize);
    Put32(s, 0);  // depth
    Put32(s, 1);  // mip levels
    for (int i = 0; i < 11; ++i) Put32(s, 0);
    // Pixel format.
    Put32(s, 32);
    if (dxt) {
        Put32(s, 0x4);  // four-cc
        s += "DXT1";
        for (int i = 0; i < 5; ++i) Put32(s, 0);
    } else {
        const bool alpha = fmt == DdsFormat::A8R8G8B8;
        Put32(s, 0x40 | (alpha ? 0x1 : 0));  // RGB (+ alpha pixels)
        Put32(s, 0);
        Put32(s, 32);
        Put32(s, 0x00ff0000);
        Put32(s, 0x0000ff00);
        Put32(s, 0x000000ff);
        Put32(s, alpha ? 0xff000000U : 0);
    }
    Put32(s, 0x1000);  // caps: texture
    for (int i = 0; i < 4; ++i) Put32(s, 0);
    if (dxt) {
        Rgba block[16];
        for (int by = 0; by < h; by += 4)
            for (int bx = 0; bx < w; bx += 4) {
                for (int j = 0; j < 4; ++j)
                    for (int i = 0; i < 4; ++i) block[j * 4 + i] = img.Get(bx + i, by + j);
                EncodeDxt1Block(block, s);
            }
    } else {
        s.reserve(s.size() + size_t(w) * h * 4);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Rgba& c = img.At(x, y);
                s.push_back(char(To8(c.b)));
                s.push_back(char(To8(c.g)));
                s.push_back(char(To8(c.r)));
                s.push_back(char(fmt == DdsFormat::A8R8G8B8 ? To8(c.a) : 255));
            }
    }
    return s;
}

std::string EncodeBmp24(const Image& img) {
    const int w = img.Width(), h = img.Height();
    const int row = (w * 3 + 3) & ~3;
    std::string s = "BM";
    Put32(s, uint32_t(54 + row * h));
    Put32(s, 0);
    Put32(s, 54);
    Put32(s, 40);
    Put32(s, uint32_t(w));
    Put32(s, uint32_t(h));
    Put16(s, 1);
    Put16(s, 24);
    Put32(s, 0);
    Put32(s, uint32_t(row * h));
    Put32(s, 2835);
    Put32(s, 2835);
    Put32(s, 0);
    Put32(s, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const Rgba& c = img.At(x, y);
            s.push_back(char(To8(c.b)));
            s.push_back(char(To8(c.g)));
            s.push_back(char(To8(c.r)));
        }
        for (int p = w * 3; p < row; ++p) s.push_back(0);
    }
    return s;
}

std::string EncodeJpeg(const Image& img, int quality) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(img.Width());
    cinfo.image_height = JDIMENSION(img.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(size_t(img.Width()) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        for (int x = 0; x < img.Width(); ++x) {
            const Rgba& c = img.At(x, y);
            row[size_t(x) * 3] = To8(c.r);
            row[size_t(x) * 3 + 1] = To8(c.g);
            row[size_t(x) * 3 + 2] = To8(c.b);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::string s(reinterpret_cast<const char*>(buffer), size);
    jpeg_destroy_compress(&cinfo);
    free(buffer);
    return s;
}

bool WriteDds(const std::string& out, const std::string& relative, const Image& img, DdsFormat fmt) {
    return WriteBytes(out + "/" + relative, EncodeDds(img, fmt));
}

bool WriteBmp(const std::string& out, const std::string& relative, const Image& img) {
    return WriteBytes(out + "/" + relative, EncodeBmp24(img));
}

bool WriteJpeg(const std::string& out, const std::string& relative, const Image& img, int quality) {
    return WriteBytes(out + "/" + relative, EncodeJpeg(img, quality));
}

}  // namespace content
