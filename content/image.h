// Small image toolkit of the content generator: an RGBA float canvas with
// drawing helpers, value noise, and writers for DDS, BMP and JPEG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace content {

struct Rgba {
    float r = 0, g = 0, b = 0, a = 1;
};

Rgba Hex(uint32_t argbOrRgb, float alpha = 1.0f);  // 0xRRGGBB
Rgba Mix(const Rgba& a, const Rgba& b, float t);
Rgba Scale(const Rgba& c, float f);  // colour channels only

class Image {
public:
    Image() = default;
    Image(int w, int h, Rgba fill = Rgba{0, 0, 0, 0});

    int Width() const { return w_; }
    int Height() const { return h_; }
    Rgba& At(int x, int y) { return px_[static_cast<size_t>(y) * w_ + x]; }
    const Rgba& At(int x, int y) const { return px_[static_cast<size_t>(y) * w_ + x]; }
    Rgba Get(int x, int y) const;  // clamped to the edges
    Rgba Sample(float u, float v) const;  // bilinear, wrapping (u, v in texels)
    void Set(int x, int y, const Rgba& c);  // ignores points outside
    // Paints c over the pixel with coverage t (0..1), blending by c.a * t.
    void Blend(int x, int y, const Rgba& c, float t = 1.0f);

    void Fill(const Rgba& c);
    void FillRect(int x, int y, int w, int h, const Rgba& c);  // replaces
    void BlendRect(int x, int y, int w, int h, const Rgba& c);
    void VGradient(int x, int y, int w, int h, const Rgba& top, const Rgba& bottom);
    void HGradient(int x, int y, int w, int h, const Rgba& left, const Rgba& right);
    // Anti-aliased shapes, blended over the image.
    void Disc(float cx, float cy, float r, const Rgba& c);
    void Ring(float cx, float cy, float r, float width, const Rgba& c);
    void Line(float x0, float y0, float x1, float y1, float width, const Rgba& c);
    void RoundRect(float x0, float y0, float x1, float y1, float radius, const Rgba& c);
    void RoundRectFrame(float x0, float y0, float x1, float y1, float radius, float width, const Rgba& c);
    void Triangle(float ax, float ay, float bx, float by, float cx, float cy, const Rgba& c);
    // A bevelled panel: fill with a vertical gradient, light top-left edge and
    // dark bottom-right edge, all inside the rectangle.
    void Bevel(int x, int y, int w, int h, const Rgba& top, const Rgba& bottom, int edge = 1, bool sunken = false);

    void Blit(const Image& src, int dx, int dy);  // blends src over this
    void Copy(const Image& src, int dx, int dy);  // replaces
    Image Resized(int w, int h) const;            // box/bilinear resample
    Image Crop(int x, int y, int w, int h) const;

private:
    int w_ = 0, h_ = 0;
    std::vector<Rgba> px_;
};

// Smooth value noise in 0..1, tiling with the given period (in lattice cells).
float ValueNoise(float x, float y, int period, uint32_t seed);
// Fractal sum of value noise, 0..1; the base period tiles.
float Fbm(float x, float y, int period, int octaves, uint32_t seed);
// A small deterministic hash in 0..1.
float Hash01(uint32_t a, uint32_t b = 0, uint32_t c = 0);

// Encoders. Each answers the file bytes.
enum class DdsFormat { A8R8G8B8, X8R8G8B8, DXT1 };
std::string EncodeDds(const Image& img, DdsFormat fmt);
std::string EncodeBmp24(const Image& img);
std::string EncodeJpeg(const Image& img, int quality);

// Writes an image under out/relative (folders created); the relative path
// uses '/' separators.
bool WriteDds(const std::string& out, const std::string& relative, const Image& img, DdsFormat fmt);
bool WriteBmp(const std::string& out, const std::string& relative, const Image& img);
bool WriteJpeg(const std::string& out, const std::string& relative, const Image& img, int quality);

}  // namespace content
