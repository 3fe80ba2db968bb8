// Screenshots: the front buffer saved as a 24-bit bottom-up BMP file in the
// "Screenshots" folder, named after the local time.
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "gfx/display.h"
#include "platform/paths.h"

namespace {

void PutLe32(BYTE* p, uint32_t v) {
    p[0] = (BYTE)(v & 0xff);
    p[1] = (BYTE)((v >> 8) & 0xff);
    p[2] = (BYTE)((v >> 16) & 0xff);
    p[3] = (BYTE)((v >> 24) & 0xff);
}

}  // namespace

int DISPLAY::TakeScreenshot(char* fileNameOut, int fileNameSize) {
    if (!device || screenWidth <= 0 || screenHeight <= 0) return 0;
    IDirect3DSurface8* surface = nullptr;
    if (FAILED(device->CreateImageSurface((UINT)screenWidth, (UINT)screenHeight, D3DFMT_A8R8G8B8, &surface)) ||
        !surface)
        return 0;
    if (FAILED(device->GetFrontBuffer(surface))) {
        surface->Release();
        return 0;
    }
    D3DLOCKED_RECT lr;
    if (FAILED(surface->LockRect(&lr, nullptr, D3DLOCK_READONLY))) {
        surface->Release();
        return 0;
    }
    int result = SaveBitmap(screenWidth, screenHeight, (const BYTE*)lr.pBits, fileNameOut, fileNameSize, lr.Pitch);
    surface->UnlockRect();
    surface->Release();
    return result;
}

int DISPLAY::SaveBitmap(int width, int height, const BYTE* pixels, char* fileNameOut, int fileNameSize, int pitch) {
    if (!pixels || width <= 0 || height <= 0) return 0;
    if (pitch <= 0) pitch = width * 4;

    BYTE header[54];
    FILE* tf = plat::OpenFile("bmpheader.bin", "rb");
    if (!tf) {
        WriteStartLog("Could not open bmpheader.bin in DISPLAY::SaveBitmap()!!!");
        return 0;
    }
    size_t got = std::fread(header, 1, 14, tf);
    got += std::fread(header + 14, 1, 40, tf);
    std::fclose(tf);
    if (got != 54) {
        WriteStartLog("Could not open bmpheader.bin in DISPLAY::SaveBitmap()!!!");
        return 0;
    }
    // Rows of three bytes per pixel, padded to four bytes.
    const uint32_t rowBytes = ((uint32_t)width * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * (uint32_t)height;
    header[0] = 'B';
    header[1] = 'M';
    PutLe32(header + 2, 54 + imageBytes);  // file size
    PutLe32(header + 10, 54);              // offset of the pixels
    PutLe32(header + 14, 40);              // information header size
    PutLe32(header + 18, (uint32_t)width);
    PutLe32(header + 22, (uint32_t)height);
    header[26] = 1;  // planes
    header[27] = 0;
    header[28] = 24;  // bits per pixel
    header[29] = 0;
    PutLe32(header + 30, 0);           // no compression
    PutLe32(header + 34, imageBytes);  // image size

    SYSTEMTIME t;
    GetLocalTime(&t);
    char name[64];
    std::snprintf(name, sizeof name, "%s%.2d%.2d%.2d.bmp", myGlobs.firstEdition ? "vlm_" : "qm__", (int)t.wHour,
                  (int)t.wMinute, (int)t.wSecond);
    char path[96];
    std::snprintf(path, sizeof path, "Screenshots\\%s", name);
    FILE* f = plat::OpenFile(path, "wb");
    if (!f) {
        CreateDirectoryA("Screenshots", nullptr);
        f = plat::OpenFile(path, "wb");
    }
    if (!f) return 0;
    bool ok = std::fwrite(header, 1, 54, f) == 54;
    std::vector<BYTE> row(rowBytes, 0);
    for (int r = height - 1; r >= 0 && ok; --r) {
        const BYTE* src = pixels + (size_t)r * (size_t)pitch;
        for (int c = 0; c < width; ++c) {
            row[(size_t)c * 3 + 0] = src[(size_t)c * 4 + 0];
            row[(size_t)c * 3 + 1] = src[(size_t)c * 4 + 1];
            row[(size_t)c * 3 + 2] = src[(size_t)c * 4 + 2];
        }
        ok = std::fwrite(row.data(), 1, rowBytes, f) == rowBytes;
    }
    if (std::fclose(f) != 0) ok = false;
    if (!ok) return 0;
    if (fileNameOut && fileNameSize > 0) {
        std::strncpy(fileNameOut, name, (size_t)fileNameSize - 1);
        fileNameOut[fileNameSize - 1] = '\0';
    }
    return 1;
}
