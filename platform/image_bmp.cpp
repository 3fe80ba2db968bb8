// BMP files: 1-, 4- and 8-bit palette images, 16-, 24- and 32-bit images,
// bottom-up or top-down, uncompressed or with bit-field masks.
#include <cstring>

#include "platform/image.h"

namespace plat {

namespace {

inline uint32_t Rd32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint32_t Rd16(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }

struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    void Set(uint32_t m) {
        mask = m;
        shift = bits = 0;
        if (!m) return;
        while (!((m >> shift) & 1)) ++shift;
        while (shift + bits < 32 && ((m >> (shift + bits)) & 1)) ++bits;
    }
    uint32_t Get(uint32_t v, uint32_t fallback) const {
        if (!mask) return fallback;
        uint32_t x = (v & mask) >> shift;
        if (bits == 8) return x;
        uint32_t maxv = bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1u);
        return uint32_t((uint64_t(x) * 255u + maxv / 2) / maxv);
    }
};

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_BITFIELDS = 3;
constexpr uint32_t BI_ALPHABITFIELDS = 6;
constexpr uint32_t IMGFMT_P8 = 41;

}  // namespace

bool DecodeBMP(const uint8_t* data, size_t size, Image& out, std::string& error, const ImageSizeLimit& limit) {
    out = Image();
    if (!data || size < 14 + 12 || data[0] != 'B' || data[1] != 'M') {
        error = "not a BMP file or header truncated";
        return false;
    }
    const uint32_t pixelOffset = Rd32(data + 10);
    const uint8_t* ih = data + 14;
    const uint32_t headerSize = Rd32(ih);
    if (headerSize < 12 || headerSize > size - 14) {
        error = "bad BMP header size";
        return false;
    }
    int64_t width, height;
    uint32_t bitCount, compression = BI_RGB, coloursUsed = 0;
    uint32_t rMask = 0, gMask = 0, bMask = 0, aMask = 0;
    size_t paletteEntrySize = 4;
    if (headerSize == 12) {  // core header
        width = Rd16(ih + 4);
        height = int16_t(Rd16(ih + 6));
        bitCount = Rd16(ih + 10);
        paletteEntrySize = 3;
    } else {
        if (headerSize < 40) {
            error = "bad BMP header size";
            return false;
        }
        width = int32_t(Rd32(ih + 4));
        height = int32_t(Rd32(ih + 8));
        bitCount = Rd16(ih + 14);
        compression = Rd32(ih + 16);
        coloursUsed = Rd32(ih + 32);
        if (headerSize >= 52) {
            rMask = Rd32(ih + 40);
            gMask = Rd32(ih + 44);
            bMask = Rd32(ih + 48);
        }
        if (headerSize >= 56) aMask = Rd32(ih + 52);
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (!CheckImageSize(width, height, limit, error)) {
        error = "BMP " + error;
        return false;
    }
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) {
        error = "unsupported BMP bit count";
        return false;
    }
    size_t maskEnd = 14 + headerSize;
    if (compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS) {
        if (bitCount != 16 && bitCount != 32) {
            error = "BMP bit fields need 16 or 32 bits";
            return false;
        }
        if (headerSize == 40) {  // masks follow the header
            size_t n = compression == BI_ALPHABITFIELDS ? 16 : 12;
            if (size < maskEnd + n) {
                error = "BMP masks truncated";
                return false;
            }
            rMask = Rd32(data + maskEnd);
            gMask = Rd32(data + maskEnd + 4);
            bMask = Rd32(data + maskEnd + 8);
            if (n == 16) aMask = Rd32(data + maskEnd + 12);
            maskEnd += n;
        }
    } else if (compression != BI_RGB) {
        error = "compressed BMP files are not supported";
        return false;
    } else {
        if (bitCount == 16) {
            rMask = 0x7C00;
            gMask = 0x3E0;
            bMask = 0x1F;
        } else if (bitCount >= 24) {
            rMask = 0xFF0000;
            gMask = 0xFF00;
            bMask = 0xFF;
        }
        aMask = 0;  // the fourth byte of plain 32-bit images is unused
    }

    // Palette
    uint32_t palette[256];
    for (uint32_t& c : palette) c = 0xFF000000u;
    if (bitCount <= 8) {
        uint32_t entries = coloursUsed ? coloursUsed : (1u << bitCount);
        if (entries > 256) {
            error = "bad BMP palette size";
            return false;
        }
        const size_t palStart = maskEnd;
        if (palStart + size_t(entries) * paletteEntrySize > size) {
            error = "BMP palette truncated";
            return false;
        }
        for (uint32_t i = 0; i < entries; ++i) {
            const uint8_t* p = data + palStart + i * paletteEntrySize;
            palette[i] = 0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
        }
    }

    const size_t rowBytes = ((size_t(width) * bitCount + 31) / 32) * 4;
    if (pixelOffset > size || rowBytes * size_t(height) > size - pixelOffset) {
        error = "BMP pixel data truncated";
        return false;
    }

    Channel cr, cg, cb, ca;
    cr.Set(rMask);
    cg.Set(gMask);
    cb.Set(bMask);
    ca.Set(aMask);

    ImageLevel lv;
    lv.width = int(width);
    lv.height = int(height);
    lv.data.resize(size_t(width) * size_t(height) * 4);
    for (int64_t y = 0; y < height; ++y) {
        const int64_t srcRow = topDown ? y : height - 1 - y;
        const uint8_t* row = data + pixelOffset + size_t(srcRow) * rowBytes;
        uint8_t* dst = lv.data.data() + size_t(y) * size_t(width) * 4;
        for (int64_t x = 0; x < width; ++x) {
            uint32_t c;
            if (bitCount <= 8) {
                size_t bitPos = size_t(x) * bitCount;
                uint32_t byte = row[bitPos / 8];
                uint32_t idx = (byte >> (8 - bitCount - (bitPos % 8))) & ((1u << bitCount) - 1u);
                c = palette[idx];
            } else {
                const size_t bpp = bitCount / 8;
                uint32_t v = 0;
                for (size_t k = 0; k < bpp; ++k) v |= uint32_t(row[size_t(x) * bpp + k]) << (8 * k);
                c = (ca.Get(v, 255) << 24) | (cr.Get(v, 0) << 16) | (cg.Get(v, 0) << 8) | cb.Get(v, 0);
            }
            std::memcpy(dst + x * 4, &c, 4);
        }
    }
    out.fileKind = IMGFILE_BMP;
    out.format = IMGFMT_A8R8G8B8;
    if (bitCount <= 8)
        out.fileFormat = IMGFMT_P8;
    else if (bitCount == 16)
        out.fileFormat = (gMask == 0x7E0) ? IMGFMT_R5G6B5 : (aMask ? IMGFMT_A1R5G5B5 : IMGFMT_X1R5G5B5);
    else if (bitCount == 24)
        out.fileFormat = IMGFMT_R8G8B8;
    else
        out.fileFormat = aMask ? IMGFMT_A8R8G8B8 : IMGFMT_X8R8G8B8;
    out.levels.push_back(std::move(lv));
    return true;
}

}  // namespace plat
