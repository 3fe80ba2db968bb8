// JPEG files through libjpeg. Decoding problems that the library only warns
// about (a truncated or corrupt stream) count as failures too.
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/image.h"

namespace plat {

namespace {

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool warned;
};

void JpegErrorExit(j_common_ptr cinfo) {
    JpegError* err = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void JpegEmitMessage(j_common_ptr cinfo, int level) {
    JpegError* err = reinterpret_cast<JpegError*>(cinfo->err);
    // Stray bytes between markers are common in otherwise good files.
    if (level < 0 && !err->warned && cinfo->err->msg_code != JWRN_EXTRANEOUS_DATA) {
        err->warned = true;
        (*cinfo->err->format_message)(cinfo, err->message);
    }
}

void JpegOutputMessage(j_common_ptr) {}

// The decoding work lives in its own function so that no object with a
// destructor is live across the longjmp.
bool DecodeJpegInto(const uint8_t* data, size_t size, const ImageSizeLimit& limit, std::vector<uint8_t>& rgb,
                    int& width, int& height, std::string& error) {
    jpeg_decompress_struct cinfo;
    JpegError err;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    err.mgr.emit_message = JpegEmitMessage;
    err.mgr.output_message = JpegOutputMessage;
    err.warned = false;
    err.message[0] = 0;
    // Volatile so the value survives a longjmp out of the library.
    volatile bool created = false;
    if (setjmp(err.jump)) {
        error = std::string("JPEG error: ") + err.message;
        if (created) jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    created = true;
    jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
        error = "JPEG header missing";
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (!CheckImageSize(cinfo.image_width, cinfo.image_height, limit, error)) {
        error = "JPEG " + error;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (cinfo.num_components < 1 || cinfo.num_components > 3 || cinfo.num_components == 2) {
        error = "unsupported JPEG image";
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 3) {
        error = "unsupported JPEG colour layout";
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    width = int(cinfo.output_width);
    height = int(cinfo.output_height);
    rgb.resize(size_t(width) * size_t(height) * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = rgb.data() + size_t(cinfo.output_scanline) * size_t(width) * 3;
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
        if (err.warned) break;
    }
    if (!err.warned) jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    if (err.warned) {
        error = std::string("JPEG data corrupt: ") + err.message;
        return false;
    }
    return true;
}

}  // namespace

bool DecodeJPEG(const uint8_t* data, size_t size, Image& out, std::string& error, const ImageSizeLimit& limit) {
    out = Image();
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) {
        error = "not a JPEG file";
        return false;
    }
    std::vector<uint8_t> rgb;
    int w = 0, h = 0;
    if (!DecodeJpegInto(data, size, limit, rgb, w, h, error)) return false;
    ImageLevel lv;
    lv.width = w;
    lv.height = h;
    lv.data.resize(size_t(w) * size_t(h) * 4);
    for (size_t i = 0, n = size_t(w) * size_t(h); i < n; ++i) {
        lv.data[i * 4 + 0] = rgb[i * 3 + 2];
        lv.data[i * 4 + 1] = rgb[i * 3 + 1];
        lv.data[i * 4 + 2] = rgb[i * 3 + 0];
        lv.data[i * 4 + 3] = 255;
    }
    out.format = IMGFMT_A8R8G8B8;
    out.fileFormat = IMGFMT_X8R8G8B8;
    out.fileKind = IMGFILE_JPG;
    out.levels.push_back(std::move(lv));
    return true;
}

}  // namespace plat
