// Pixel formats, conversion, block compression and mip filtering of CPU images.
#include "platform/image.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/paths.h"

namespace plat {

bool IsCompressedFormat(uint32_t format) {
    switch (format) {
        case IMGFMT_DXT1:
        case IMGFMT_DXT2:
        case IMGFMT_DXT3:
        case IMGFMT_DXT4:
        case IMGFMT_DXT5:
            return true;
        default:
            return false;
    }
}

int ImageFormatBytesPerPixel(uint32_t format) {
    switch (format) {
        case IMGFMT_A8R8G8B8:
        case IMGFMT_X8R8G8B8:
            return 4;
        case IMGFMT_R8G8B8:
            return 3;
        case IMGFMT_R5G6B5:
        case IMGFMT_X1R5G5B5:
        case IMGFMT_A1R5G5B5:
        case IMGFMT_A4R4G4B4:
        case IMGFMT_X4R4G4B4:
        case IMGFMT_A8L8:
            return 2;
        case IMGFMT_A8:
        case IMGFMT_L8:
            return 1;
        default:
            return 0;
    }
}

int FormatBlockBytes(uint32_t format) {
    if (format == IMGFMT_DXT1) return 8;
    if (IsCompressedFormat(format)) return 16;
    return 0;
}

bool FormatHasAlpha(uint32_t format) {
    switch (format) {
        case IMGFMT_A8R8G8B8:
        case IMGFMT_A1R5G5B5:
        case IMGFMT_A4R4G4B4:
        case IMGFMT_A8:
        case IMGFMT_A8L8:
        case IMGFMT_A8R3G3B2:
        case IMGFMT_DXT1:
        case IMGFMT_DXT2:
        case IMGFMT_DXT3:
        case IMGFMT_DXT4:
        case IMGFMT_DXT5:
            return true;
        default:
            return false;
    }
}

size_t FormatPitch(uint32_t format, int width) {
    if (width < 1) width = 1;
    if (IsCompressedFormat(format)) return size_t((width + 3) / 4) * size_t(FormatBlockBytes(format));
    return size_t(width) * size_t(ImageFormatBytesPerPixel(format));
}

int FormatRows(uint32_t format, int height) {
    if (height < 1) height = 1;
    return IsCompressedFormat(format) ? (height + 3) / 4 : height;
}

size_t FormatLevelSize(uint32_t format, int width, int height) {
    return FormatPitch(format, width) * size_t(FormatRows(format, height));
}

int FullMipCount(int width, int height) {
    int n = 1;
    int s = std::max(width, height);
    while (s > 1) {
        s >>= 1;
        ++n;
    }
    return n;
}

// ---------------------------------------------------------------------------
// Pixel packing

namespace {

inline uint32_t Expand(uint32_t v, int bits) {
    // Replicates the high bits so that full scale maps to 255.
    switch (bits) {
        case 1:
            return v ? 255u : 0u;
        case 4:
            return (v << 4) | v;
        case 5:
            return (v << 3) | (v >> 2);
        case 6:
            return (v << 2) | (v >> 4);
        default:
            return v;
    }
}

inline uint32_t Reduce(uint32_t v8, int bits) {
    uint32_t maxv = (1u << bits) - 1u;
    return (v8 * maxv + 127u) / 255u;
}

inline uint32_t Pack565(uint32_t argb) {
    return (Reduce((argb >> 16) & 255, 5) << 11) | (Reduce((argb >> 8) & 255, 6) << 5) | Reduce(argb & 255, 5);
}

inline uint32_t Unpack565(uint32_t c) {
    uint32_t r = Expand((c >> 11) & 31, 5), g = Expand((c >> 5) & 63, 6), b = Expand(c & 31, 5);
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

inline uint32_t MakeARGB(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

}  // namespace

bool ConvertRow(uint32_t format, const uint32_t* px, int count, uint8_t* dst) {
    for (int i = 0; i < count; ++i) {
        uint32_t c = px[i];
        uint32_t a = c >> 24, r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
        switch (format) {
            case IMGFMT_A8R8G8B8:
            case IMGFMT_X8R8G8B8: {
                uint32_t v = format == IMGFMT_X8R8G8B8 ? (c | 0xFF000000u) : c;
                dst[0] = uint8_t(v);
                dst[1] = uint8_t(v >> 8);
                dst[2] = uint8_t(v >> 16);
                dst[3] = uint8_t(v >> 24);
                dst += 4;
                break;
            }
            case IMGFMT_R8G8B8:
                dst[0] = uint8_t(b);
                dst[1] = uint8_t(g);
                dst[2] = uint8_t(r);
                dst += 3;
                break;
            case IMGFMT_R5G6B5:
            case IMGFMT_X1R5G5B5:
            case IMGFMT_A1R5G5B5:
            case IMGFMT_A4R4G4B4:
            case IMGFMT_X4R4G4B4: {
                uint32_t v = 0;
                if (format == IMGFMT_R5G6B5) {
                    v = Pack565(c);
                } else if (format == IMGFMT_X1R5G5B5 || format == IMGFMT_A1R5G5B5) {
                    uint32_t abit = format == IMGFMT_X1R5G5B5 ? 1u : (a >= 128 ? 1u : 0u);
                    v = (abit << 15) | (Reduce(r, 5) << 10) | (Reduce(g, 5) << 5) | Reduce(b, 5);
                } else {
                    uint32_t a4 = format == IMGFMT_X4R4G4B4 ? 15u : Reduce(a, 4);
                    v = (a4 << 12) | (Reduce(r, 4) << 8) | (Reduce(g, 4) << 4) | Reduce(b, 4);
                }
                dst[0] = uint8_t(v);
                dst[1] = uint8_t(v >> 8);
                dst += 2;
                break;
            }
            case IMGFMT_A8:
                *dst++ = uint8_t(a);
                break;
            case IMGFMT_L8:
                *dst++ = uint8_t((r * 77 + g * 150 + b * 29 + 128) >> 8);
                break;
            case IMGFMT_A8L8:
                *dst++ = uint8_t((r * 77 + g * 150 + b * 29 + 128) >> 8);
                *dst++ = uint8_t(a);
                break;
            default:
                return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------
// Block compression

namespace {

void DecodeColourBlock(const uint8_t* blk, bool allowThreeColour, uint32_t pal[4]) {
    uint32_t c0 = uint32_t(blk[0]) | (uint32_t(blk[1]) << 8);
    uint32_t c1 = uint32_t(blk[2]) | (uint32_t(blk[3]) << 8);
    uint32_t p0 = Unpack565(c0), p1 = Unpack565(c1);
    pal[0] = p0;
    pal[1] = p1;
    auto mix = [](uint32_t x, uint32_t y, int wx, int wy, int div) {
        uint32_t out = 0xFF000000u;
        for (int s = 0; s < 24; s += 8) {
            uint32_t cx = (x >> s) & 255, cy = (y >> s) & 255;
            out |= ((cx * wx + cy * wy + div / 2) / div) << s;
        }
        return out;
    };
    if (c0 > c1 || !allowThreeColour) {
        pal[2] = mix(p0, p1, 2, 1, 3);
        pal[3] = mix(p0, p1, 1, 2, 3);
    } else {
        pal[2] = mix(p0, p1, 1, 1, 2);
        pal[3] = 0;  // transparent black
    }
}

}  // namespace

bool DecompressLevel(uint32_t format, const ImageLevel& in, std::vector<uint32_t>& out) {
    if (!IsCompressedFormat(format) || in.width < 1 || in.height < 1) return false;
    const int bw = (in.width + 3) / 4, bh = (in.height + 3) / 4;
    const int blockBytes = FormatBlockBytes(format);
    if (in.data.size() < size_t(bw) * size_t(bh) * size_t(blockBytes)) return false;
    out.assign(size_t(in.width) * size_t(in.height), 0);
    for (int by = 0; by < bh; ++by) {
        for (int bx = 0; bx < bw; ++bx) {
            const uint8_t* blk = in.data.data() + (size_t(by) * bw + bx) * blockBytes;
            uint32_t alpha[16];
            for (uint32_t& a : alpha) a = 255;
            const uint8_t* colour = blk;
            if (format == IMGFMT_DXT2 || format == IMGFMT_DXT3) {
                for (int i = 0; i < 16; ++i) {
                    uint32_t nib = (blk[i / 2] >> ((i & 1) * 4)) & 15;
                    alpha[i] = nib * 17;
                }
                colour = blk + 8;
            } else if (format == IMGFMT_DXT4 || format == IMGFMT_DXT5) {
                uint32_t a0 = blk[0], a1 = blk[1];
                uint32_t ap[8];
                ap[0] = a0;
                ap[1] = a1;
                if (a0 > a1) {
                    for (int i = 1; i <= 6; ++i) ap[i + 1] = ((7 - i) * a0 + i * a1 + 3) / 7;
                } else {
                    for (int i = 1; i <= 4; ++i) ap[i + 1] = ((5 - i) * a0 + i * a1 + 2) / 5;
                    ap[6] = 0;
                    ap[7] = 255;
                }
                uint64_t bits = 0;
                for (int i = 0; i < 6; ++i) bits |= uint64_t(blk[2 + i]) << (8 * i);
                for (int i = 0; i < 16; ++i) alpha[i] = ap[(bits >> (3 * i)) & 7];
                colour = blk + 8;
            }
            uint32_t pal[4];
            DecodeColourBlock(colour, format == IMGFMT_DXT1, pal);
            uint32_t idx = uint32_t(colour[4]) | (uint32_t(colour[5]) << 8) | (uint32_t(colour[6]) << 16) |
                           (uint32_t(colour[7]) << 24);
            for (int i = 0; i < 16; ++i) {
                int x = bx * 4 + (i & 3), y = by * 4 + (i >> 2);
                if (x >= in.width || y >= in.height) continue;
                uint32_t c = pal[(idx >> (2 * i)) & 3];
                if (format != IMGFMT_DXT1) c = (c & 0x00FFFFFFu) | (alpha[i] << 24);
                out[size_t(y) * in.width + x] = c;
            }
        }
    }
    return true;
}

namespace {

inline int ColourDist(uint32_t a, uint32_t b) {
    int dr = int((a >> 16) & 255) - int((b >> 16) & 255);
    int dg = int((a >> 8) & 255) - int((b >> 8) & 255);
    int db = int(a & 255) - int(b & 255);
    return dr * dr + dg * dg + db * db;
}

void EncodeColourBlock(const uint32_t px[16], bool dxt1Alpha, uint8_t* dst) {
    bool transparent = false;
    uint32_t minc[3] = {255, 255, 255}, maxc[3] = {0, 0, 0};
    for (int i = 0; i < 16; ++i) {
        if (dxt1Alpha && (px[i] >> 24) < 128) {
            transparent = true;
            continue;
        }
        for (int ch = 0; ch < 3; ++ch) {
            uint32_t v = (px[i] >> (16 - 8 * ch)) & 255;
            minc[ch] = std::min(minc[ch], v);
            maxc[ch] = std::max(maxc[ch], v);
        }
    }
    if (minc[0] > maxc[0]) {  // every pixel transparent
        for (int ch = 0; ch < 3; ++ch) minc[ch] = maxc[ch] = 0;
    }
    uint32_t c0 = Pack565(MakeARGB(255, maxc[0], maxc[1], maxc[2]));
    uint32_t c1 = Pack565(MakeARGB(255, minc[0], minc[1], minc[2]));
    if (transparent) {
        if (c0 > c1) std::swap(c0, c1);  // three-colour mode needs c0 <= c1
    } else if (c0 < c1) {
        std::swap(c0, c1);
    }
    dst[0] = uint8_t(c0);
    dst[1] = uint8_t(c0 >> 8);
    dst[2] = uint8_t(c1);
    dst[3] = uint8_t(c1 >> 8);
    uint32_t pal[4];
    DecodeColourBlock(dst, dxt1Alpha, pal);
    const int choices = (transparent || (dxt1Alpha && c0 <= c1)) ? 3 : 4;
    uint32_t idx = 0;
    for (int i = 0; i < 16; ++i) {
        uint32_t best = 0;
        if (transparent && (px[i] >> 24) < 128) {
            best = 3;
        } else {
            int bestDist = 1 << 30;
            for (int k = 0; k < choices; ++k) {
                int d = ColourDist(px[i], pal[k]);
                if (d < bestDist) {
                    bestDist = d;
                    best = uint32_t(k);
                }
            }
        }
        idx |= best << (2 * i);
    }
    dst[4] = uint8_t(idx);
    dst[5] = uint8_t(idx >> 8);
    dst[6] = uint8_t(idx >> 16);
    dst[7] = uint8_t(idx >> 24);
}

void EncodeAlphaBlock5(const uint32_t px[16], uint8_t* dst) {
    uint32_t amin = 255, amax = 0;
    for (int i = 0; i < 16; ++i) {
        uint32_t a = px[i] >> 24;
        amin = std::min(amin, a);
        amax = std::max(amax, a);
    }
    dst[0] = uint8_t(amax);
    dst[1] = uint8_t(amin);
    uint32_t ap[8];
    ap[0] = amax;
    ap[1] = amin;
    for (int i = 1; i <= 6; ++i) ap[i + 1] = ((7 - i) * amax + i * amin + 3) / 7;
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        uint32_t a = px[i] >> 24;
        uint32_t best = 0;
        int bestDist = 1 << 30;
        int limit = amax > amin ? 8 : 1;
        for (int k = 0; k < limit; ++k) {
            int d = std::abs(int(a) - int(ap[k]));
            if (d < bestDist) {
                bestDist = d;
                best = uint32_t(k);
            }
        }
        bits |= uint64_t(best) << (3 * i);
    }
    for (int i = 0; i < 6; ++i) dst[2 + i] = uint8_t(bits >> (8 * i));
}

}  // namespace

void CompressLevel(uint32_t format, const uint32_t* pixels, int width, int height, std::vector<uint8_t>& out) {
    const int bw = (width + 3) / 4, bh = (height + 3) / 4;
    const int blockBytes = FormatBlockBytes(format);
    out.assign(size_t(bw) * size_t(bh) * size_t(blockBytes), 0);
    for (int by = 0; by < bh; ++by) {
        for (int bx = 0; bx < bw; ++bx) {
            uint32_t px[16];
            for (int i = 0; i < 16; ++i) {
                int x = std::min(bx * 4 + (i & 3), width - 1);
                int y = std::min(by * 4 + (i >> 2), height - 1);
                px[i] = pixels[size_t(y) * width + x];
            }
            uint8_t* dst = out.data() + (size_t(by) * bw + bx) * blockBytes;
            if (format == IMGFMT_DXT1) {
                EncodeColourBlock(px, true, dst);
            } else if (format == IMGFMT_DXT2 || format == IMGFMT_DXT3) {
                for (int i = 0; i < 8; ++i) {
                    uint32_t lo = Reduce(px[2 * i] >> 24, 4), hi = Reduce(px[2 * i + 1] >> 24, 4);
                    dst[i] = uint8_t(lo | (hi << 4));
                }
                EncodeColourBlock(px, false, dst + 8);
            } else {
                EncodeAlphaBlock5(px, dst);
                EncodeColourBlock(px, false, dst + 8);
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Whole-level conversion

bool LevelToARGB(uint32_t format, const ImageLevel& in, std::vector<uint32_t>& out) {
    if (IsCompressedFormat(format)) return DecompressLevel(format, in, out);
    const int bpp = ImageFormatBytesPerPixel(format);
    if (bpp == 0 || in.width < 1 || in.height < 1) return false;
    const size_t count = size_t(in.width) * size_t(in.height);
    if (in.data.size() < count * size_t(bpp)) return false;
    out.resize(count);
    const uint8_t* s = in.data.data();
    for (size_t i = 0; i < count; ++i, s += bpp) {
        uint32_t v = 0;
        for (int k = 0; k < bpp; ++k) v |= uint32_t(s[k]) << (8 * k);
        uint32_t c = 0;
        switch (format) {
            case IMGFMT_A8R8G8B8:
                c = v;
                break;
            case IMGFMT_X8R8G8B8:
            case IMGFMT_R8G8B8:
                c = v | 0xFF000000u;
                break;
            case IMGFMT_R5G6B5:
                c = Unpack565(v);
                break;
            case IMGFMT_X1R5G5B5:
            case IMGFMT_A1R5G5B5: {
                uint32_t a = format == IMGFMT_X1R5G5B5 ? 255u : Expand((v >> 15) & 1, 1);
                c = MakeARGB(a, Expand((v >> 10) & 31, 5), Expand((v >> 5) & 31, 5), Expand(v & 31, 5));
                break;
            }
            case IMGFMT_A4R4G4B4:
            case IMGFMT_X4R4G4B4: {
                uint32_t a = format == IMGFMT_X4R4G4B4 ? 255u : Expand((v >> 12) & 15, 4);
                c = MakeARGB(a, Expand((v >> 8) & 15, 4), Expand((v >> 4) & 15, 4), Expand(v & 15, 4));
                break;
            }
            case IMGFMT_A8:
                c = v << 24;
                break;
            case IMGFMT_L8:
                c = MakeARGB(255, v, v, v);
                break;
            case IMGFMT_A8L8:
                c = MakeARGB(v >> 8, v & 255, v & 255, v & 255);
                break;
            default:
                return false;
        }
        out[i] = c;
    }
    return true;
}

bool ARGBToLevel(uint32_t format, const uint32_t* pixels, int width, int height, ImageLevel& out) {
    out.width = width;
    out.height = height;
    if (IsCompressedFormat(format)) {
        if (format != IMGFMT_DXT1 && format != IMGFMT_DXT2 && format != IMGFMT_DXT3 && format != IMGFMT_DXT4 &&
            format != IMGFMT_DXT5)
            return false;
        CompressLevel(format, pixels, width, height, out.data);
        return true;
    }
    const int bpp = ImageFormatBytesPerPixel(format);
    if (bpp == 0) return false;
    out.data.resize(size_t(width) * size_t(height) * size_t(bpp));
    return ConvertRow(format, pixels, width * height, out.data.data());
}

// ---------------------------------------------------------------------------
// Filtering

void BoxDownsample(const uint32_t* in, int width, int height, std::vector<uint32_t>& out, int& outW, int& outH) {
    outW = std::max(1, width / 2);
    outH = std::max(1, height / 2);
    out.resize(size_t(outW) * size_t(outH));
    for (int y = 0; y < outH; ++y) {
        int y0 = std::min(y * 2, height - 1), y1 = std::min(y * 2 + 1, height - 1);
        for (int x = 0; x < outW; ++x) {
            int x0 = std::min(x * 2, width - 1), x1 = std::min(x * 2 + 1, width - 1);
            uint32_t s[4] = {in[size_t(y0) * width + x0], in[size_t(y0) * width + x1], in[size_t(y1) * width + x0],
                             in[size_t(y1) * width + x1]};
            uint32_t c = 0;
            for (int sh = 0; sh < 32; sh += 8) {
                uint32_t sum = 0;
                for (uint32_t v : s) sum += (v >> sh) & 255;
                c |= ((sum + 2) / 4) << sh;
            }
            out[size_t(y) * outW + x] = c;
        }
    }
}

void BoxResize(const uint32_t* in, int width, int height, uint32_t* out, int outW, int outH) {
    for (int y = 0; y < outH; ++y) {
        int sy0 = int(int64_t(y) * height / outH);
        int sy1 = std::max(sy0 + 1, int(int64_t(y + 1) * height / outH));
        sy1 = std::min(sy1, height);
        for (int x = 0; x < outW; ++x) {
            int sx0 = int(int64_t(x) * width / outW);
            int sx1 = std::max(sx0 + 1, int(int64_t(x + 1) * width / outW));
            sx1 = std::min(sx1, width);
            uint64_t sum[4] = {0, 0, 0, 0};
            uint64_t n = 0;
            for (int sy = sy0; sy < sy1; ++sy)
                for (int sx = sx0; sx < sx1; ++sx) {
                    uint32_t v = in[size_t(sy) * width + sx];
                    for (int k = 0; k < 4; ++k) sum[k] += (v >> (8 * k)) & 255;
                    ++n;
                }
            uint32_t c = 0;
            for (int k = 0; k < 4; ++k) c |= uint32_t((sum[k] + n / 2) / n) << (8 * k);
            out[size_t(y) * outW + x] = c;
        }
    }
}

// ---------------------------------------------------------------------------
// Files

bool CheckImageSize(int64_t width, int64_t height, const ImageSizeLimit& limit, std::string& error) {
    if (width < 1 || height < 1) {
        error = "bad image size";
        return false;
    }
    const int64_t maxW = std::min(limit.width, kMaxImageSide), maxH = std::min(limit.height, kMaxImageSide);
    if (width > maxW || height > maxH) {
        error = "image of " + std::to_string(width) + "x" + std::to_string(height) + " is larger than " +
                std::to_string(maxW) + "x" + std::to_string(maxH);
        return false;
    }
    return true;
}

bool DecodeImage(const uint8_t* data, size_t size, Image& out, std::string& error, const ImageSizeLimit& limit) {
    if (!data || size < 4) {
        error = "file too short";
        return false;
    }
    if (std::memcmp(data, "DDS ", 4) == 0) return DecodeDDS(data, size, out, error, limit);
    if (data[0] == 'B' && data[1] == 'M') return DecodeBMP(data, size, out, error, limit);
    if (data[0] == 0xFF && data[1] == 0xD8) return DecodeJPEG(data, size, out, error, limit);
    if (size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0) return DecodePNG(data, size, out, error, limit);
    error = "unknown image file type";
    return false;
}

bool ReadWholeFile(const char* name, std::vector<uint8_t>& out) {
    out.clear();
    if (!name) return false;
    FILE* f = OpenFile(name, "rb");
    if (!f) return false;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool LoadImageFile(const char* name, Image& out, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(name, bytes)) {
        error = "file cannot be opened";
        return false;
    }
    return DecodeImage(bytes.data(), bytes.size(), out, error);
}

}  // namespace plat
