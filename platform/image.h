// CPU-side images: decoding of DDS, BMP, JPEG and PNG files into plain pixel
// levels, pixel format conversion, block compression and mip generation. The
// texture loader of the extension library builds device textures from these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// Pixel formats carry the numeric codes of the device's format enumeration so
// that they can be cast to and from it.
enum ImageFormat : uint32_t {
    IMGFMT_UNKNOWN = 0,
    IMGFMT_R8G8B8 = 20,
    IMGFMT_A8R8G8B8 = 21,
    IMGFMT_X8R8G8B8 = 22,
    IMGFMT_R5G6B5 = 23,
    IMGFMT_X1R5G5B5 = 24,
    IMGFMT_A1R5G5B5 = 25,
    IMGFMT_A4R4G4B4 = 26,
    IMGFMT_A8 = 28,
    IMGFMT_X4R4G4B4 = 30,
    IMGFMT_L8 = 50,
    IMGFMT_A8L8 = 51,
    IMGFMT_A8R3G3B2 = 29,
    IMGFMT_DXT1 = 0x31545844u,  // 'D','X','T','1'
    IMGFMT_DXT2 = 0x32545844u,
    IMGFMT_DXT3 = 0x33545844u,
    IMGFMT_DXT4 = 0x34545844u,
    IMGFMT_DXT5 = 0x35545844u,
};

// File kinds (same values as the extension library's file-format enumeration).
enum ImageFileKind : uint32_t {
    IMGFILE_BMP = 0,
    IMGFILE_JPG = 1,
    IMGFILE_TGA = 2,
    IMGFILE_PNG = 3,
    IMGFILE_DDS = 4,
};

bool IsCompressedFormat(uint32_t format);
// Bytes per pixel of an uncompressed format; 0 for unknown or compressed ones.
int ImageFormatBytesPerPixel(uint32_t format);
// Bytes of one 4x4 block of a compressed format (8 or 16), else 0.
int FormatBlockBytes(uint32_t format);
// True when the format stores alpha.
bool FormatHasAlpha(uint32_t format);
// Row pitch in bytes of a level: a row of pixels, or a row of 4x4 blocks.
size_t FormatPitch(uint32_t format, int width);
// Number of rows in the pitch sense (pixel rows or block rows).
int FormatRows(uint32_t format, int height);
// Total bytes of one level.
size_t FormatLevelSize(uint32_t format, int width, int height);

struct ImageLevel {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> data;  // tightly packed: FormatPitch x FormatRows
};

// A decoded image. Uncompressed files are decoded to A8R8G8B8 (alpha 255 where
// the file has none); block-compressed DDS files keep their blocks.
struct Image {
    uint32_t format = IMGFMT_UNKNOWN;  // format of the levels
    uint32_t fileFormat = IMGFMT_UNKNOWN;  // the pixel format the file stores
    uint32_t fileKind = IMGFILE_BMP;
    std::vector<ImageLevel> levels;    // level 0 first
    int Width() const { return levels.empty() ? 0 : levels[0].width; }
    int Height() const { return levels.empty() ? 0 : levels[0].height; }
};

// Largest image side the decoders accept (protects against hostile headers).
constexpr int kMaxImageSide = 16384;

// The largest image a decoder takes; the texture loader passes the largest
// texture the device accepts. A file that declares more is refused from its
// header, before any pixel memory is allocated.
struct ImageSizeLimit {
    int width = kMaxImageSide;
    int height = kMaxImageSide;
};
// True when a declared size is at least 1x1 and within the limit; otherwise
// false with the reason in `error`.
bool CheckImageSize(int64_t width, int64_t height, const ImageSizeLimit& limit, std::string& error);

// Decoding. Each answers false with a reason in `error` for a file that is
// not of its kind, truncated, larger than the limit or otherwise broken.
// Nothing is read beyond size.
bool DecodeDDS(const uint8_t* data, size_t size, Image& out, std::string& error, const ImageSizeLimit& limit = {});
bool DecodeBMP(const uint8_t* data, size_t size, Image& out, std::string& error, const ImageSizeLimit& limit = {});
bool DecodeJPEG(const uint8_t* data, size_t size, Image& out, std::string& error, const ImageSizeLimit& limit = {});
bool DecodePNG(const uint8_t* data, size_t size, Image& out, std::string& error, const ImageSizeLimit& limit = {});
// Picks the decoder from the file's signature.
bool DecodeImage(const uint8_t* data, size_t size, Image& out, std::string& error, const ImageSizeLimit& limit = {});

// Reads a whole file through the path resolver. False when it cannot be read.
bool ReadWholeFile(const char* name, std::vector<uint8_t>& out);
// Reads and decodes a program file name.
bool LoadImageFile(const char* name, Image& out, std::string& error);

// ---------------------------------------------------------------------------
// Pixel work on 32-bit A8R8G8B8 pixels (uint32_t 0xAARRGGBB).

// Decodes one level of DXT1/2/3/4/5 blocks into A8R8G8B8 pixels.
bool DecompressLevel(uint32_t format, const ImageLevel& in, std::vector<uint32_t>& out);
// Encodes A8R8G8B8 pixels into DXT1/3/5 blocks (endpoints from the colour
// bounding box). DXT1 keeps 1-bit alpha: pixels with alpha below 128 become
// the transparent black index.
void CompressLevel(uint32_t format, const uint32_t* pixels, int width, int height, std::vector<uint8_t>& out);

// Converts one level of any supported format into A8R8G8B8 pixels.
bool LevelToARGB(uint32_t format, const ImageLevel& in, std::vector<uint32_t>& out);
// Converts A8R8G8B8 pixels into a level of the given format (uncompressed or
// DXT1/3/5). False for a format it cannot produce.
bool ARGBToLevel(uint32_t format, const uint32_t* pixels, int width, int height, ImageLevel& out);
// Writes one pixel row of A8R8G8B8 pixels in an uncompressed format.
bool ConvertRow(uint32_t format, const uint32_t* pixels, int count, uint8_t* dst);

// Halves a level with a 2x2 box filter (a side of 1 stays 1).
void BoxDownsample(const uint32_t* in, int width, int height, std::vector<uint32_t>& out, int& outW, int& outH);
// Resamples to a new size with a box filter over the covered source area.
void BoxResize(const uint32_t* in, int width, int height, uint32_t* out, int outW, int outH);
// Number of levels of a full chain down to 1x1.
int FullMipCount(int width, int height);

}  // namespace plat
