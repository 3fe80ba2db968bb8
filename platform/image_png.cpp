// PNG files through libpng's memory reader.
#include <cstring>

#include <png.h>

#include "platform/image.h"

namespace plat {

bool DecodePNG(const uint8_t* data, size_t size, Image& out, std::string& error, const ImageSizeLimit& limit) {
    out = Image();
    if (!data || size < 8 || std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) != 0) {
        error = "not a PNG file";
        return false;
    }
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&img, data, size)) {
        error = std::string("PNG error: ") + img.message;
        png_image_free(&img);
        return false;
    }
    if (!CheckImageSize(img.width, img.height, limit, error)) {
        error = "PNG " + error;
        png_image_free(&img);
        return false;
    }
    const bool hasAlpha = (img.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    img.format = PNG_FORMAT_BGRA;  // byte order of A8R8G8B8 in memory
    ImageLevel lv;
    lv.width = int(img.width);
    lv.height = int(img.height);
    lv.data.resize(PNG_IMAGE_SIZE(img));
    if (!png_image_finish_read(&img, nullptr, lv.data.data(), 0, nullptr)) {
        error = std::string("PNG error: ") + img.message;
        png_image_free(&img);
        return false;
    }
    png_image_free(&img);
    out.format = IMGFMT_A8R8G8B8;
    out.fileFormat = hasAlpha ? IMGFMT_A8R8G8B8 : IMGFMT_X8R8G8B8;
    out.fileKind = IMGFILE_PNG;
    out.levels.push_back(std::move(lv));
    return true;
}

}  // namespace plat
