// Image decoding (DDS, BMP, JPEG, PNG), pixel conversion, block compression
// and filtering, with truncated and corrupted files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "platform/image.h"

using plat::Image;
using plat::ImageLevel;

namespace {

void Put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

// A DDS header. fourCC 0 means an uncompressed layout described by the masks.
std::vector<uint8_t> DdsHeader(uint32_t w, uint32_t h, uint32_t mips, uint32_t fourCC, uint32_t bits = 0,
                               uint32_t r = 0, uint32_t g = 0, uint32_t b = 0, uint32_t a = 0) {
    std::vector<uint8_t> d = {'D', 'D', 'S', ' '};
    Put32(d, 124);
    Put32(d, 0x1007 | (mips > 1 ? 0x20000 : 0));
    Put32(d, h);
    Put32(d, w);
    Put32(d, 0);
    Put32(d, 0);
    Put32(d, mips);
    for (int i = 0; i < 11; ++i) Put32(d, 0);
    Put32(d, 32);
    uint32_t flags = fourCC ? 0x4 : (0x40 | (a ? 0x1 : 0));
    Put32(d, flags);
    Put32(d, fourCC);
    Put32(d, bits);
    Put32(d, r);
    Put32(d, g);
    Put32(d, b);
    Put32(d, a);
    Put32(d, 0x1000 | (mips > 1 ? 0x400008 : 0));
    for (int i = 0; i < 4; ++i) Put32(d, 0);
    return d;
}

uint32_t Pixel(const Image& img, int level, int x, int y) {
    const ImageLevel& lv = img.levels[size_t(level)];
    uint32_t c;
    std::memcpy(&c, &lv.data[(size_t(y) * lv.width + x) * 4], 4);
    return c;
}

bool Decode(const std::vector<uint8_t>& bytes, Image& img) {
    std::string err;
    return plat::DecodeImage(bytes.data(), bytes.size(), img, err);
}

// Every shorter prefix of a good file and a set of corrupted copies must be
// refused or decoded without touching memory outside the buffers.
void ExpectTruncationsFail(const std::vector<uint8_t>& good, size_t minGoodPrefix) {
    Image img;
    ASSERT_TRUE(Decode(good, img));
    for (size_t n = 0; n < good.size(); ++n) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + long(n));
        Image out;
        bool ok = Decode(cut, out);
        if (n < minGoodPrefix) EXPECT_FALSE(ok) << "prefix " << n;
    }
    uint32_t seed = 12345;
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> bad = good;
        for (int k = 0; k < 4; ++k) {
            seed = seed * 1103515245u + 12345u;
            bad[(seed >> 8) % bad.size()] = uint8_t(seed >> 24);
        }
        Image out;
        Decode(bad, out);  // must not crash; the result does not matter
    }
}

std::vector<uint8_t> EncodeJpeg(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &mem, &size);
    cinfo.image_width = JDIMENSION(w);
    cinfo.image_height = JDIMENSION(h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(size_t(w) * 3);
    for (int x = 0; x < w; ++x) {
        row[size_t(x) * 3] = r;
        row[size_t(x) * 3 + 1] = g;
        row[size_t(x) * 3 + 2] = b;
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&cinfo, &p, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> out(mem, mem + size);
    jpeg_destroy_compress(&cinfo);
    free(mem);
    return out;
}

std::vector<uint8_t> EncodePng(int w, int h, const std::vector<uint8_t>& rgba, bool alpha) {
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    img.width = png_uint_32(w);
    img.height = png_uint_32(h);
    img.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    std::vector<uint8_t> src;
    if (alpha) {
        src = rgba;
    } else {
        for (size_t i = 0; i < rgba.size(); i += 4) src.insert(src.end(), rgba.begin() + long(i), rgba.begin() + long(i) + 3);
    }
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&img, nullptr, &size, 0, src.data(), 0, nullptr);
    std::vector<uint8_t> out(size);
    EXPECT_TRUE(png_image_write_to_memory(&img, out.data(), &size, 0, src.data(), 0, nullptr));
    out.resize(size);
    return out;
}

}  // namespace

// ---------------------------------------------------------------------------
// DDS

TEST(ImageDds, UncompressedFormatsDecodeThroughTheirMasks) {
    struct Case {
        uint32_t bits, r, g, b, a;
        uint32_t raw;       // one pixel as stored
        uint32_t expected;  // 0xAARRGGBB
        uint32_t format;
    } cases[] = {
        {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, 0x80112233, 0x80112233, plat::IMGFMT_A8R8G8B8},
        {32, 0xFF0000, 0xFF00, 0xFF, 0, 0x00445566, 0xFF445566, plat::IMGFMT_X8R8G8B8},
        {24, 0xFF0000, 0xFF00, 0xFF, 0, 0x778899, 0xFF778899, plat::IMGFMT_R8G8B8},
        {16, 0xF800, 0x7E0, 0x1F, 0, 0xF800, 0xFFFF0000, plat::IMGFMT_R5G6B5},
        {16, 0xF800, 0x7E0, 0x1F, 0, 0x07E0, 0xFF00FF00, plat::IMGFMT_R5G6B5},
        {16, 0xF00, 0xF0, 0xF, 0xF000, 0x80F0, 0x8800FF00, plat::IMGFMT_A4R4G4B4},
        {16, 0x7C00, 0x3E0, 0x1F, 0x8000, 0x801F, 0xFF0000FF, plat::IMGFMT_A1R5G5B5},
        {16, 0x7C00, 0x3E0, 0x1F, 0x8000, 0x001F, 0x000000FF, plat::IMGFMT_A1R5G5B5},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> d = DdsHeader(1, 1, 1, 0, c.bits, c.r, c.g, c.b, c.a);
        for (uint32_t i = 0; i < c.bits / 8; ++i) d.push_back(uint8_t(c.raw >> (8 * i)));
        Image img;
        ASSERT_TRUE(Decode(d, img)) << std::hex << c.raw;
        EXPECT_EQ(img.fileFormat, c.format);
        EXPECT_EQ(img.format, uint32_t(plat::IMGFMT_A8R8G8B8));
        EXPECT_EQ(Pixel(img, 0, 0, 0), c.expected) << std::hex << c.raw;
    }
}

TEST(ImageDds, MipChainIsReadLevelByLevel) {
    std::vector<uint8_t> d = DdsHeader(4, 2, 3, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    for (int i = 0; i < 8; ++i) Put32(d, 0xFF000000u | uint32_t(i));  // 4x2
    for (int i = 0; i < 2; ++i) Put32(d, 0xFF000100u | uint32_t(i));  // 2x1
    Put32(d, 0xFF020000u);                                             // 1x1
    Image img;
    ASSERT_TRUE(Decode(d, img));
    ASSERT_EQ(img.levels.size(), 3u);
    EXPECT_EQ(img.levels[1].width, 2);
    EXPECT_EQ(img.levels[1].height, 1);
    EXPECT_EQ(Pixel(img, 0, 3, 1), 0xFF000007u);
    EXPECT_EQ(Pixel(img, 1, 1, 0), 0xFF000101u);
    EXPECT_EQ(Pixel(img, 2, 0, 0), 0xFF020000u);
}

TEST(ImageDds, MipCountBeyondTheChainIsClamped) {
    std::vector<uint8_t> d = DdsHeader(2, 2, 50, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    for (int i = 0; i < 5; ++i) Put32(d, 0);
    Image img;
    ASSERT_TRUE(Decode(d, img));
    EXPECT_EQ(img.levels.size(), 2u);
}

TEST(ImageDds, Dxt1BlockWithOneBitAlpha) {
    // c0 (blue) < c1 (red): three colours and transparent black.
    std::vector<uint8_t> d = DdsHeader(4, 4, 1, plat::IMGFMT_DXT1);
    Put16(d, 0x001F);
    Put16(d, 0xF800);
    // indices of pixels 0..3: 0, 1, 2, 3; the rest 3
    Put32(d, 0b11111111111111111111111111100100u);
    Image img;
    ASSERT_TRUE(Decode(d, img));
    EXPECT_EQ(img.format, uint32_t(plat::IMGFMT_DXT1));
    std::vector<uint32_t> px;
    ASSERT_TRUE(plat::DecompressLevel(plat::IMGFMT_DXT1, img.levels[0], px));
    EXPECT_EQ(px[0], 0xFF0000FFu);
    EXPECT_EQ(px[1], 0xFFFF0000u);
    EXPECT_EQ(px[2], 0xFF800080u);
    EXPECT_EQ(px[3], 0x00000000u);
    EXPECT_EQ(px[15], 0x00000000u);

    // c0 > c1: four opaque colours, index 3 is two thirds of the way to c1.
    ImageLevel four;
    four.width = four.height = 4;
    four.data = {0x00, 0xF8, 0x1F, 0x00, 0xC0, 0, 0, 0};
    ASSERT_TRUE(plat::DecompressLevel(plat::IMGFMT_DXT1, four, px));
    EXPECT_EQ(px[3], 0xFF5500AAu);
    EXPECT_EQ(px[0], 0xFFFF0000u);
}

TEST(ImageDds, Dxt3AndDxt5Alpha) {
    ImageLevel lv;
    lv.width = lv.height = 4;
    // DXT3: explicit 4-bit alpha, first pixel 0xF, second 0x8; white colour block.
    lv.data = {0x8F, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    std::vector<uint32_t> px;
    ASSERT_TRUE(plat::DecompressLevel(plat::IMGFMT_DXT3, lv, px));
    EXPECT_EQ(px[0], 0xFFFFFFFFu);
    EXPECT_EQ(px[1], 0x88FFFFFFu);
    EXPECT_EQ(px[2], 0x00FFFFFFu);
    // DXT5: a0 = 255, a1 = 0, indices 0, 1, 2 -> 255, 0, 219.
    lv.data = {255, 0, 0x88, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    ASSERT_TRUE(plat::DecompressLevel(plat::IMGFMT_DXT5, lv, px));
    EXPECT_EQ(px[0] >> 24, 255u);
    EXPECT_EQ(px[1] >> 24, 0u);
    EXPECT_EQ(px[2] >> 24, 219u);
}

TEST(ImageDds, CompressionRoundTripKeepsColoursAndDxt1Transparency) {
    std::vector<uint32_t> src(8 * 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) src[size_t(y) * 8 + x] = x < 4 ? 0xFF3366CCu : 0xFFCC9933u;
    src[5] = 0x00000000;  // a transparent pixel in the second block
    for (uint32_t fmt : {plat::IMGFMT_DXT1, plat::IMGFMT_DXT3, plat::IMGFMT_DXT5}) {
        ImageLevel lv;
        ASSERT_TRUE(plat::ARGBToLevel(fmt, src.data(), 8, 4, lv));
        EXPECT_EQ(lv.data.size(), size_t(2 * plat::FormatBlockBytes(fmt)));
        std::vector<uint32_t> back;
        ASSERT_TRUE(plat::DecompressLevel(fmt, lv, back));
        for (int i : {0, 9, 14, 23}) {
            for (int sh = 0; sh < 24; sh += 8)
                EXPECT_NEAR(int((back[size_t(i)] >> sh) & 255), int((src[size_t(i)] >> sh) & 255), 8)
                    << "format " << std::hex << fmt << " pixel " << i;
        }
        EXPECT_LT(back[5] >> 24, 20u) << std::hex << fmt;
        EXPECT_EQ(back[6] >> 24, 255u);
    }
}

TEST(ImageDds, TruncatedAndCorruptedFilesFailSafely) {
    std::vector<uint8_t> dxt = DdsHeader(8, 8, 4, plat::IMGFMT_DXT5);
    for (int i = 0; i < (4 + 1 + 1 + 1) * 16; ++i) dxt.push_back(uint8_t(i * 7));
    ExpectTruncationsFail(dxt, dxt.size());
    std::vector<uint8_t> rgb = DdsHeader(3, 3, 2, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    for (int i = 0; i < 27 + 3; ++i) rgb.push_back(uint8_t(i));
    ExpectTruncationsFail(rgb, rgb.size());
    // A hostile size with little data.
    std::vector<uint8_t> huge = DdsHeader(16384, 16384, 1, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    Put32(huge, 0);
    Image img;
    EXPECT_FALSE(Decode(huge, img));
    std::vector<uint8_t> tooBig = DdsHeader(100000, 2, 1, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    EXPECT_FALSE(Decode(tooBig, img));
}

// ---------------------------------------------------------------------------
// BMP

namespace {

std::vector<uint8_t> Bmp(int w, int h, int bits, const std::vector<uint32_t>& palette,
                         const std::vector<std::vector<uint8_t>>& rowsTopFirst, bool topDown) {
    const size_t rowBytes = ((size_t(w) * bits + 31) / 32) * 4;
    std::vector<uint8_t> d = {'B', 'M'};
    const uint32_t offset = 14 + 40 + uint32_t(palette.size()) * 4;
    Put32(d, offset + uint32_t(rowBytes) * uint32_t(h));
    Put32(d, 0);
    Put32(d, offset);
    Put32(d, 40);
    Put32(d, uint32_t(w));
    Put32(d, uint32_t(topDown ? -h : h));
    Put16(d, 1);
    Put16(d, uint32_t(bits));
    Put32(d, 0);
    Put32(d, 0);
    Put32(d, 0);
    Put32(d, 0);
    Put32(d, uint32_t(palette.size()));
    Put32(d, 0);
    for (uint32_t c : palette) Put32(d, c);
    for (int i = 0; i < h; ++i) {
        const std::vector<uint8_t>& row = rowsTopFirst[size_t(topDown ? i : h - 1 - i)];
        std::vector<uint8_t> padded = row;
        padded.resize(rowBytes, 0);
        d.insert(d.end(), padded.begin(), padded.end());
    }
    return d;
}

}  // namespace

TEST(ImageBmp, TwentyFourBitBottomUpWithRowPadding) {
    // 3x2: top row red, green, blue; bottom row white, black, grey.
    std::vector<std::vector<uint8_t>> rows = {{0, 0, 255, 0, 255, 0, 255, 0, 0}, {255, 255, 255, 0, 0, 0, 128, 128, 128}};
    Image img;
    ASSERT_TRUE(Decode(Bmp(3, 2, 24, {}, rows, false), img));
    EXPECT_EQ(img.fileFormat, uint32_t(plat::IMGFMT_R8G8B8));
    EXPECT_EQ(Pixel(img, 0, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(Pixel(img, 0, 1, 0), 0xFF00FF00u);
    EXPECT_EQ(Pixel(img, 0, 2, 0), 0xFF0000FFu);
    EXPECT_EQ(Pixel(img, 0, 2, 1), 0xFF808080u);
}

TEST(ImageBmp, ThirtyTwoBitTopDownAndEightBitPalette) {
    std::vector<std::vector<uint8_t>> rows = {{1, 2, 3, 0, 4, 5, 6, 0}, {7, 8, 9, 0, 10, 11, 12, 0}};
    Image img;
    ASSERT_TRUE(Decode(Bmp(2, 2, 32, {}, rows, true), img));
    EXPECT_EQ(img.fileFormat, uint32_t(plat::IMGFMT_X8R8G8B8));
    EXPECT_EQ(Pixel(img, 0, 0, 0), 0xFF030201u);
    EXPECT_EQ(Pixel(img, 0, 1, 1), 0xFF0C0B0Au);

    std::vector<std::vector<uint8_t>> idx = {{0, 1, 2}, {2, 1, 0}};
    ASSERT_TRUE(Decode(Bmp(3, 2, 8, {0x000000FF, 0x0000FF00, 0x00FF0000}, idx, false), img));
    EXPECT_EQ(img.fileFormat, 41u);
    EXPECT_EQ(Pixel(img, 0, 0, 0), 0xFF0000FFu);
    EXPECT_EQ(Pixel(img, 0, 2, 0), 0xFFFF0000u);
    EXPECT_EQ(Pixel(img, 0, 0, 1), 0xFFFF0000u);
}

TEST(ImageBmp, TruncatedHostileAndOutOfPaletteFilesFailSafely) {
    std::vector<std::vector<uint8_t>> rows = {{0, 1, 2, 3, 4}, {5, 6, 7, 8, 9}, {0, 0, 0, 0, 0}};
    std::vector<uint8_t> good = Bmp(5, 3, 8, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, rows, false);
    ExpectTruncationsFail(good, good.size());
    // A palette index beyond the palette reads as black, not outside memory.
    std::vector<std::vector<uint8_t>> wild = {{200, 255}};
    Image img;
    ASSERT_TRUE(Decode(Bmp(2, 1, 8, {0x123456}, wild, false), img));
    EXPECT_EQ(Pixel(img, 0, 1, 0), 0xFF000000u);
    // Width and height far beyond the data.
    std::vector<uint8_t> huge = Bmp(1, 1, 24, {}, {{1, 2, 3}}, false);
    huge[18] = 0xFF;
    huge[19] = 0xFF;
    huge[20] = 0xFF;
    huge[21] = 0x7F;
    EXPECT_FALSE(Decode(huge, img));
}

// ---------------------------------------------------------------------------
// JPEG and PNG

TEST(ImageJpeg, DecodesOpaqueColourAndRefusesTruncatedStreams) {
    std::vector<uint8_t> jpg = EncodeJpeg(16, 8, 200, 100, 50);
    Image img;
    ASSERT_TRUE(Decode(jpg, img));
    EXPECT_EQ(img.fileKind, uint32_t(plat::IMGFILE_JPG));
    EXPECT_EQ(img.fileFormat, uint32_t(plat::IMGFMT_X8R8G8B8));
    ASSERT_EQ(img.Width(), 16);
    ASSERT_EQ(img.Height(), 8);
    const uint32_t c = Pixel(img, 0, 7, 5);
    EXPECT_EQ(c >> 24, 255u);
    EXPECT_NEAR(int((c >> 16) & 255), 200, 3);
    EXPECT_NEAR(int((c >> 8) & 255), 100, 3);
    EXPECT_NEAR(int(c & 255), 50, 3);
    ExpectTruncationsFail(jpg, jpg.size() - 2);
}

TEST(ImagePng, DecodesAlphaAndRefusesTruncatedFiles) {
    std::vector<uint8_t> rgba = {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 10, 20, 30, 40};
    std::vector<uint8_t> png = EncodePng(2, 2, rgba, true);
    Image img;
    ASSERT_TRUE(Decode(png, img));
    EXPECT_EQ(img.fileFormat, uint32_t(plat::IMGFMT_A8R8G8B8));
    EXPECT_EQ(Pixel(img, 0, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(Pixel(img, 0, 1, 0), 0x8000FF00u);
    EXPECT_EQ(Pixel(img, 0, 1, 1), 0x280A141Eu);
    std::vector<uint8_t> opaque = EncodePng(2, 2, rgba, false);
    ASSERT_TRUE(Decode(opaque, img));
    EXPECT_EQ(img.fileFormat, uint32_t(plat::IMGFMT_X8R8G8B8));
    EXPECT_EQ(Pixel(img, 0, 0, 1), 0xFF0000FFu);
    ExpectTruncationsFail(png, png.size() - 12);
}

TEST(ImageFiles, UnknownSignaturesAndMissingFilesAreRefused) {
    Image img;
    std::string err;
    const uint8_t junk[] = {'G', 'I', 'F', '8', '9', 'a'};
    EXPECT_FALSE(plat::DecodeImage(junk, sizeof junk, img, err));
    EXPECT_FALSE(plat::DecodeImage(nullptr, 0, img, err));
    EXPECT_FALSE(plat::LoadImageFile("no\\such\\file.dds", img, err));
}

TEST(ImageFiles, ImagesLargerThanTheLimitAreRefusedFromTheirHeaders) {
    const plat::ImageSizeLimit limit{64, 32};
    struct Case {
        const char* kind;
        std::vector<uint8_t> fits, tooWide, tooHigh;
    };
    std::vector<uint8_t> dxt1 = DdsHeader(65, 4, 1, plat::IMGFMT_DXT1);
    dxt1.resize(dxt1.size() + 17 * 8);
    std::vector<uint8_t> dxtHigh = DdsHeader(4, 33, 1, plat::IMGFMT_DXT1);
    dxtHigh.resize(dxtHigh.size() + 9 * 8);
    std::vector<uint8_t> dxtFits = DdsHeader(64, 32, 1, plat::IMGFMT_DXT1);
    dxtFits.resize(dxtFits.size() + 16 * 8 * 8);
    const std::vector<Case> cases = {
        {"DDS", dxtFits, dxt1, dxtHigh},
        {"BMP", Bmp(64, 1, 8, {0}, {std::vector<uint8_t>(64)}, false),
         Bmp(65, 1, 8, {0}, {std::vector<uint8_t>(65)}, false),
         Bmp(1, 33, 8, {0}, std::vector<std::vector<uint8_t>>(33, std::vector<uint8_t>(1)), false)},
        {"JPEG", EncodeJpeg(64, 32, 1, 2, 3), EncodeJpeg(65, 8, 1, 2, 3), EncodeJpeg(8, 33, 1, 2, 3)},
        {"PNG", EncodePng(64, 32, std::vector<uint8_t>(64 * 32 * 4), true),
         EncodePng(65, 1, std::vector<uint8_t>(65 * 4), true), EncodePng(1, 33, std::vector<uint8_t>(33 * 4), true)},
    };
    for (const Case& c : cases) {
        Image img;
        std::string err;
        EXPECT_TRUE(plat::DecodeImage(c.fits.data(), c.fits.size(), img, err, limit)) << c.kind << ": " << err;
        EXPECT_EQ(img.Width(), 64) << c.kind;
        // Without a limit the larger images decode; with it they are refused.
        for (const std::vector<uint8_t>* big : {&c.tooWide, &c.tooHigh}) {
            EXPECT_TRUE(plat::DecodeImage(big->data(), big->size(), img, err)) << c.kind << ": " << err;
            err.clear();
            EXPECT_FALSE(plat::DecodeImage(big->data(), big->size(), img, err, limit)) << c.kind;
            EXPECT_NE(err.find("is larger than 64x32"), std::string::npos) << c.kind << ": " << err;
            EXPECT_TRUE(img.levels.empty()) << c.kind;
        }
    }
}

// ---------------------------------------------------------------------------
// Conversion and filtering

TEST(ImagePixels, SixteenBitFormatsRoundTripAtTheirPrecision) {
    const uint32_t src[4] = {0xFFFF0000u, 0x8000FF00u, 0x000000FFu, 0xFF808080u};
    for (uint32_t fmt : {plat::IMGFMT_R5G6B5, plat::IMGFMT_A4R4G4B4, plat::IMGFMT_A1R5G5B5, plat::IMGFMT_X1R5G5B5,
                         plat::IMGFMT_X8R8G8B8, plat::IMGFMT_A8R8G8B8, plat::IMGFMT_R8G8B8}) {
        ImageLevel lv;
        ASSERT_TRUE(plat::ARGBToLevel(fmt, src, 2, 2, lv));
        EXPECT_EQ(lv.data.size(), plat::FormatLevelSize(fmt, 2, 2));
        std::vector<uint32_t> back;
        ASSERT_TRUE(plat::LevelToARGB(fmt, lv, back));
        for (int i = 0; i < 4; ++i) {
            for (int sh = 0; sh < 24; sh += 8)
                EXPECT_NEAR(int((back[size_t(i)] >> sh) & 255), int((src[i] >> sh) & 255), 9) << std::hex << fmt;
            const uint32_t a = back[size_t(i)] >> 24, wantA = src[i] >> 24;
            if (plat::FormatHasAlpha(fmt) && fmt != plat::IMGFMT_A1R5G5B5)
                EXPECT_NEAR(int(a), int(wantA), 9) << std::hex << fmt;
            else if (fmt == plat::IMGFMT_A1R5G5B5)
                EXPECT_EQ(a, wantA >= 128 ? 255u : 0u);
            else
                EXPECT_EQ(a, 255u);
        }
    }
}

TEST(ImagePixels, BoxFilterAveragesAndChainLength) {
    const uint32_t px[4] = {0xFF000000u, 0xFF0000FFu, 0x00FF0000u, 0xFFFFFFFFu};
    std::vector<uint32_t> out;
    int w = 0, h = 0;
    plat::BoxDownsample(px, 2, 2, out, w, h);
    ASSERT_EQ(w, 1);
    ASSERT_EQ(h, 1);
    EXPECT_EQ(out[0], 0xBF804080u);
    // A 4x1 strip halves along x only.
    const uint32_t strip[4] = {0xFF000000u, 0xFF000002u, 0xFF000004u, 0xFF000006u};
    plat::BoxDownsample(strip, 4, 1, out, w, h);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 1);
    EXPECT_EQ(out[1], 0xFF000005u);
    EXPECT_EQ(plat::FullMipCount(256, 256), 9);
    EXPECT_EQ(plat::FullMipCount(256, 16), 9);
    EXPECT_EQ(plat::FullMipCount(1, 1), 1);
    // Resizing 2x2 up to 4x4 repeats each pixel.
    uint32_t big[16];
    plat::BoxResize(px, 2, 2, big, 4, 4);
    EXPECT_EQ(big[0], px[0]);
    EXPECT_EQ(big[3], px[1]);
    EXPECT_EQ(big[15], px[3]);
}
