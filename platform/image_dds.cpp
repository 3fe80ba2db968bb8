// DDS files: uncompressed RGB/luminance/alpha formats described by bit masks,
// and DXT1-5 block-compressed formats, with their mip chains.
#include <algorithm>
#include <cstring>

#include "platform/image.h"

namespace plat {

namespace {

constexpr uint32_t DDSD_MIPMAPCOUNT = 0x20000;
constexpr uint32_t DDPF_ALPHAPIXELS = 0x1;
constexpr uint32_t DDPF_ALPHA = 0x2;
constexpr uint32_t DDPF_FOURCC = 0x4;
constexpr uint32_t DDPF_RGB = 0x40;
constexpr uint32_t DDPF_LUMINANCE = 0x20000;
constexpr uint32_t DDSCAPS2_CUBEMAP = 0x200;
constexpr uint32_t DDSCAPS2_VOLUME = 0x200000;

inline uint32_t Rd32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

struct MaskChannel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    void Set(uint32_t m) {
        mask = m;
        shift = 0;
        bits = 0;
        if (!m) return;
        while (!((m >> shift) & 1)) ++shift;
        while (shift + bits < 32 && ((m >> (shift + bits)) & 1)) ++bits;
    }
    uint32_t Get(uint32_t v, uint32_t fallback) const {
        if (!mask) return fallback;
        uint32_t x = (v & mask) >> shift;
        uint32_t maxv = bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1u);
        if (bits == 8) return x;
        return uint32_t((uint64_t(x) * 255u + maxv / 2) / maxv);
    }
};

// Identifies the canonical format the masks describe (for image information).
uint32_t MaskFormat(uint32_t bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a, uint32_t flags) {
    if (flags & DDPF_LUMINANCE) return bits == 8 ? IMGFMT_L8 : IMGFMT_UNKNOWN;
    if ((flags & DDPF_ALPHA) && !(flags & DDPF_RGB)) return bits == 8 ? IMGFMT_A8 : IMGFMT_UNKNOWN;
    if (bits == 32 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF) return a ? IMGFMT_A8R8G8B8 : IMGFMT_X8R8G8B8;
    if (bits == 24 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF) return IMGFMT_R8G8B8;
    if (bits == 16 && r == 0xF800 && g == 0x7E0 && b == 0x1F) return IMGFMT_R5G6B5;
    if (bits == 16 && r == 0x7C00 && g == 0x3E0 && b == 0x1F) return a ? IMGFMT_A1R5G5B5 : IMGFMT_X1R5G5B5;
    if (bits == 16 && r == 0xF00 && g == 0xF0 && b == 0xF) return a ? IMGFMT_A4R4G4B4 : IMGFMT_X4R4G4B4;
    // Other layouts (for instance A8B8G8R8) decode through their masks and are
    // reported as the nearest common format.
    if (bits == 32) return a ? IMGFMT_A8R8G8B8 : IMGFMT_X8R8G8B8;
    if (bits == 24) return IMGFMT_R8G8B8;
    if (bits == 16) return a ? IMGFMT_A4R4G4B4 : IMGFMT_R5G6B5;
    return IMGFMT_UNKNOWN;
}

}  // namespace

bool DecodeDDS(const uint8_t* data, size_t size, Image& out, std::string& error, const ImageSizeLimit& limit) {
    out = Image();
    if (!data || size < 128 || std::memcmp(data, "DDS ", 4) != 0) {
        error = "not a DDS file or header truncated";
        return false;
    }
    const uint8_t* h = data + 4;
    if (Rd32(h) != 124) {
        error = "bad DDS header size";
        return false;
    }
    const uint32_t flags = Rd32(h + 4);
    const uint32_t height = Rd32(h + 8);
    const uint32_t width = Rd32(h + 12);
    const uint32_t mipCountField = Rd32(h + 24);
    const uint8_t* pf = h + 72;
    const uint32_t pfFlags = Rd32(pf + 4);
    const uint32_t fourCC = Rd32(pf + 8);
    const uint32_t bitCount = Rd32(pf + 12);
    const uint32_t rMask = Rd32(pf + 16), gMask = Rd32(pf + 20), bMask = Rd32(pf + 24), aMask = Rd32(pf + 28);
    const uint32_t caps2 = Rd32(h + 108);

    if (!CheckImageSize(width, height, limit, error)) {
        error = "DDS " + error;
        return false;
    }
    if (caps2 & (DDSCAPS2_CUBEMAP | DDSCAPS2_VOLUME)) {
        error = "cube and volume DDS files are not supported";
        return false;
    }
    const int w = int(width), hgt = int(height);
    int mipCount = 1;
    if ((flags & DDSD_MIPMAPCOUNT) && mipCountField > 1) {
        mipCount = int(std::min<uint32_t>(mipCountField, uint32_t(FullMipCount(w, hgt))));
    }

    bool compressed = false;
    uint32_t fileFormat = IMGFMT_UNKNOWN;
    if (pfFlags & DDPF_FOURCC) {
        if (fourCC == IMGFMT_DXT1 || fourCC == IMGFMT_DXT2 || fourCC == IMGFMT_DXT3 || fourCC == IMGFMT_DXT4 ||
            fourCC == IMGFMT_DXT5) {
            compressed = true;
            fileFormat = fourCC;
        } else {
            error = "unsupported DDS compression";
            return false;
        }
    } else if (pfFlags & (DDPF_RGB | DDPF_LUMINANCE | DDPF_ALPHA)) {
        if (bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) {
            error = "unsupported DDS bit count";
            return false;
        }
        uint32_t a = (pfFlags & (DDPF_ALPHAPIXELS | DDPF_ALPHA)) ? aMask : 0;
        fileFormat = MaskFormat(bitCount, rMask, gMask, bMask, a, pfFlags);
        if (fileFormat == IMGFMT_UNKNOWN) {
            error = "unsupported DDS pixel layout";
            return false;
        }
    } else {
        error = "unsupported DDS pixel format";
        return false;
    }

    out.fileFormat = fileFormat;
    out.fileKind = IMGFILE_DDS;
    out.format = compressed ? fileFormat : uint32_t(IMGFMT_A8R8G8B8);
    size_t offset = 128;
    int lw = w, lh = hgt;
    for (int level = 0; level < mipCount; ++level) {
        ImageLevel lv;
        lv.width = lw;
        lv.height = lh;
        if (compressed) {
            size_t bytes = FormatLevelSize(fileFormat, lw, lh);
            if (bytes > size - offset) {
                error = "DDS data truncated";
                out = Image();
                return false;
            }
            lv.data.assign(data + offset, data + offset + bytes);
            offset += bytes;
        } else {
            const size_t bpp = bitCount / 8;
            const size_t count = size_t(lw) * size_t(lh);
            if (count * bpp > size - offset) {
                error = "DDS data truncated";
                out = Image();
                return false;
            }
            MaskChannel cr, cg, cb, ca;
            const bool lum = (pfFlags & DDPF_LUMINANCE) != 0;
            const bool alphaOnly = (pfFlags & DDPF_ALPHA) && !(pfFlags & DDPF_RGB);
            cr.Set(rMask);
            cg.Set(gMask);
            cb.Set(bMask);
            ca.Set((pfFlags & (DDPF_ALPHAPIXELS | DDPF_ALPHA)) ? aMask : 0);
            lv.data.resize(count * 4);
            const uint8_t* s = data + offset;
            for (size_t i = 0; i < count; ++i, s += bpp) {
                uint32_t v = 0;
                for (size_t k = 0; k < bpp; ++k) v |= uint32_t(s[k]) << (8 * k);
                uint32_t r, g, b, al;
                if (alphaOnly) {
                    r = g = b = 0;
                    al = ca.mask ? ca.Get(v, 255) : (v & 255);
                } else if (lum) {
                    r = g = b = cr.mask ? cr.Get(v, 0) : (v & 255);
                    al = ca.Get(v, 255);
                } else {
                    r = cr.Get(v, 0);
                    g = cg.Get(v, 0);
                    b = cb.Get(v, 0);
                    al = ca.Get(v, 255);
                }
                uint32_t c = (al << 24) | (r << 16) | (g << 8) | b;
                std::memcpy(&lv.data[i * 4], &c, 4);
            }
            offset += count * bpp;
        }
        out.levels.push_back(std::move(lv));
        lw = lw > 1 ? lw / 2 : 1;
        lh = lh > 1 ? lh / 2 : 1;
    }
    return true;
}

}  // namespace plat
