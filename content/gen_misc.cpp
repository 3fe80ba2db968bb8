// Small files of the working folder: the screenshot header template, the
// display configuration and the folder the screenshots go to.
#include <cstdint>
#include <filesystem>
#include <string>

#include "content/content.h"

namespace {

bool WriteMisc(const std::string& out) {
    // The 54-byte header of a 24-bit bottom-up BMP; the program writes the
    // width and height into it for each screenshot.
    std::string h = "BM";
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) h.push_back(char((v >> (8 * i)) & 0xff));
    };
    auto put16 = [&](uint32_t v) {
        h.push_back(char(v & 0xff));
        h.push_back(char((v >> 8) & 0xff));
    };
    const uint32_t w = 1024, hgt = 768;
    put32(54 + w * hgt * 3);  // file size of a 1024 x 768 picture
    put32(0);
    put32(54);  // pixel data offset
    put32(40);  // information header size
    put32(w);
    put32(hgt);
    put16(1);   // planes
    put16(24);  // bits per pixel
    put32(0);   // no compression
    put32(w * hgt * 3);
    put32(2835);  // 72 dpi
    put32(2835);
    put32(0);
    put32(0);
    bool ok = content::WriteBytes(out + "/bmpheader.bin", h);
    // Display configuration: width, 16-bit flag, hardware and full-screen flags.
    ok = content::WriteBytes(out + "/dcfg.txt", "1024\n0\n1\n1\n") && ok;
    std::error_code ec;
    std::filesystem::create_directories(out + "/Screenshots", ec);
    return ok && !ec;
}

}  // namespace

VEL_CONTENT_GENERATOR("70_misc", WriteMisc);
