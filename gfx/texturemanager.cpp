// Texture slots, textures by name and the stage-0 bind cache.
#include "gfx/texturemanager.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <strings.h>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "gfx/display.h"
#include "platform/d3dx8tex.h"
#include "platform/paths.h"
#include "world/lightlist.h"
#include "world/skybox.h"
#include "world/water.h"

namespace {

// Mip levels passed for "the whole chain" by the global slot loaders.
constexpr UINT kFullChain = D3DX_DEFAULT;
// Triangle filtering with mirrored edges, for the image and the mip levels.
constexpr DWORD kLoadFilter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR;

}  // namespace

TEXTURE_ENTRY::~TEXTURE_ENTRY() { ReleaseTexture(); }

void TEXTURE_ENTRY::ReleaseTexture() {
    if (texture) {
        texture->Release();
        texture = nullptr;
    }
}

TEXTUREMANAGER::TEXTUREMANAGER() {
    slots = new (std::nothrow) TEXTURE_ENTRY[GTEXTURE_SLOT_COUNT];
    if (!slots) {
        WriteStartLog("out of memory in TEXTUREMANAGER::TEXTUREMANAGER()");
        return;
    }
    for (int i = 0; i < GTEXTURE_SLOT_COUNT; ++i) slots[i].id = i;
}

TEXTUREMANAGER::~TEXTUREMANAGER() {
    WriteStartLog("Releasing TEXTUREMANAGER varaibles...");
    // Entries still present (no shut-down ran) are freed too.
    while (entries) {
        TEXTURE_ENTRY* next = entries->next;
        delete entries;
        entries = next;
    }
    delete[] slots;
    slots = nullptr;
    boundTexture = nullptr;
    WriteStartLog("All TEXTUREMANAGER variables were deleted...");
}

const char* TEXTUREMANAGER::ShortenPath(const char* path) {
    if (!path) return path;
    int count = 0;
    for (const char* p = path + std::strlen(path); p > path;) {
        --p;
        if (*p == '\\' && ++count == 3) return p + 1;
    }
    return path;
}

char* TEXTUREMANAGER::ShortenPath(char* path) {
    return const_cast<char*>(ShortenPath(static_cast<const char*>(path)));
}

IDirect3DTexture8* TEXTUREMANAGER::LoadFile(IDirect3DDevice8* device, const char* path, D3DFORMAT format,
                                            UINT mipLevels, HRESULT* result) {
    IDirect3DTexture8* texture = nullptr;
    HRESULT hr = E_FAIL;
    if (device) {
        hr = D3DXCreateTextureFromFileExA(device, path, D3DX_DEFAULT, D3DX_DEFAULT, mipLevels, 0, format,
                                          D3DPOOL_MANAGED, kLoadFilter, kLoadFilter, 0, nullptr, nullptr, &texture);
    }
    if (FAILED(hr)) texture = nullptr;
    if (result) *result = hr;
    return texture;
}

HRESULT TEXTUREMANAGER::AddGTexture(IDirect3DDevice8* device, const char* path, int slot, D3DFORMAT format,
                                    UINT mipLevels) {
    if (!slots || slot < 0 || slot >= GTEXTURE_SLOT_COUNT || !path) return E_INVALIDARG;
    if (slots[slot].texture) {
        if (boundTexture == slots[slot].texture) boundTexture = nullptr;
        slots[slot].ReleaseTexture();
    }
    const char* shortPath = ShortenPath(path);
    HRESULT hr = E_FAIL;
    IDirect3DTexture8* texture = LoadFile(device, shortPath, format, mipLevels, &hr);
    if (!texture) {
        WriteStartLog("Could not load texture in TEXTUREMANAGER::AddGTexture with texture:", NOLINEEND);
        WriteStartLog(shortPath);
        return FAILED(hr) ? hr : E_FAIL;
    }
    slots[slot].texture = texture;
    WriteStartLog("Texture loaded successfully: ", NOLINEEND);
    WriteStartLog(shortPath);
    return hr;
}

void TEXTUREMANAGER::ReleaseGTexture(int slot) {
    if (!slots || slot < 0 || slot >= GTEXTURE_SLOT_COUNT) return;
    if (slots[slot].texture && boundTexture == slots[slot].texture) boundTexture = nullptr;
    slots[slot].ReleaseTexture();
}

void TEXTUREMANAGER::FindTexture(char* path, int log) {
    if (!path) return;
    const size_t len = std::strlen(path);
    if (len <= 3) {
        WriteStartLog("Short texture name in TEXTUREMANAGER::FindTexture()!!!");
        WriteStartLog("Texture: ", NOLINEEND);
        WriteStartLog(path);
        return;
    }
    char oldExt[4];
    std::memcpy(oldExt, path + len - 3, 4);
    char* shortPath = ShortenPath(path);
    char* ext = path + len - 3;
    static const char* const kinds[3] = {"dds", "bmp", "jpg"};
    static const char* const messages[3] = {"DDS file exists...", "BMP file exists...", "JPG file exists..."};
    for (int i = 0; i < 3; ++i) {
        std::memcpy(ext, kinds[i], 3);
        FILE* f = plat::OpenFile(shortPath, "rb");
        if (!f) continue;
        std::fclose(f);
        if (log && strcasecmp(oldExt, kinds[i]) != 0) WriteStartLog(messages[i]);
        return;
    }
    std::memcpy(ext, "dds", 3);
}

TEXTURE_ENTRY* TEXTUREMANAGER::AddTexture(IDirect3DDevice8* device, const char* path) {
    if (!path) return nullptr;
    if (std::strlen(path) >= size_t(TEXTURE_NAME_SIZE)) {
        WriteStartLog("Texture name too long in TEXTUREMANAGER::AddTexture: ", NOLINEEND);
        WriteStartLog(path);
        return nullptr;
    }
    char buffer[TEXTURE_NAME_SIZE];
    CopyText(buffer, sizeof buffer, path);

    const char* fileName = GetFileNamePart(buffer);
    if (fileName && myGlobs.plantTextureName[0] && std::strcmp(fileName, myGlobs.plantTextureName) == 0) {
        WriteStartLog("Plant texture already loaded global...");
        return slots ? &slots[GTEX_PLANT] : nullptr;
    }

    FindTexture(buffer, 1);
    const char* name = ShortenPath(buffer);

    for (TEXTURE_ENTRY* e = entries; e; e = e->next) {
        if (strcasecmp(e->name, name) != 0) continue;
        WriteStartLog(e->texture ? "Texture already loaded: " : "Texture already skipped: ", NOLINEEND);
        WriteStartLog(name);
        return e;
    }

    TEXTURE_ENTRY* entry = new (std::nothrow) TEXTURE_ENTRY();
    if (!entry) {
        WriteStartLog("Ouf of memory in TEXTUREMANAGER::AddTexture with texture: ", NOLINEEND);
        WriteStartLog(name);
        return nullptr;
    }
    entry->id = entryCount + GTEXTURE_SLOT_COUNT;
    ++entryCount;
    CopyText(entry->name, sizeof entry->name, name);
    entry->lighting = lightList.IsLightingTexture(entry->name) ? 1 : 0;
    const size_t nameLen = std::strlen(entry->name);
    entry->alphaName = (nameLen >= 6 && std::strcmp(entry->name + nameLen - 6, "aa.dds") == 0) ? 1 : 0;

    const char* entryFile = GetFileNamePart(entry->name);
    const UINT mips = (entryFile && std::strcmp(entryFile, "001abka.dds") == 0) ? 4 : 0;
    entry->texture = LoadFile(device, entry->name, display.GetTextureFormat(), mips, nullptr);
    if (!entry->texture) {
        WriteStartLog("Could not load texture in TEXTUREMANAGER::AddTexture with texture: ", NOLINEEND);
        WriteStartLog(entry->name);
    } else {
        WriteStartLog("Texture loaded successfully: ", NOLINEEND);
        WriteStartLog(entry->name);
    }

    entry->prev = nullptr;
    entry->next = entries;
    if (entries) entries->prev = entry;
    entries = entry;
    return entry;
}

TEXTURE_ENTRY* TEXTUREMANAGER::GetEntryById(int id) {
    for (TEXTURE_ENTRY* e = entries; e; e = e->next)
        if (e->id == id) return e;
    return nullptr;
}

TEXTURE_ENTRY* TEXTUREMANAGER::GetEntryByName(const char* name) {
    if (!name) return nullptr;
    for (TEXTURE_ENTRY* e = entries; e; e = e->next)
        if (strcasecmp(e->name, name) == 0) return e;
    return nullptr;
}

TEXTURE_ENTRY* TEXTUREMANAGER::GetGTextureEntry(int slot) {
    if (!slots || slot < 0 || slot >= GTEXTURE_SLOT_COUNT) return nullptr;
    return &slots[slot];
}

IDirect3DTexture8* TEXTUREMANAGER::GetGTexture(int slot) {
    TEXTURE_ENTRY* e = GetGTextureEntry(slot);
    return e ? e->texture : nullptr;
}

void TEXTUREMANAGER::SetTexture(IDirect3DDevice8* device, int id) {
    if (!device) return;
    IDirect3DTexture8* texture = nullptr;
    if (id < 0) {
        texture = nullptr;  // a negative id unbinds stage 0
    } else if (id < GTEXTURE_SLOT_COUNT) {
        texture = slots ? slots[id].texture : nullptr;
    } else {
        TEXTURE_ENTRY* e = GetEntryById(id);
        if (!e) return;
        texture = e->texture;
    }
    if (IsBoundToStage0(texture)) return;
    RecordBind(0, texture);
    device->SetTexture(0, texture);
    if (id == GTEX_TERRAIN || id == GTEX_GRID) device->SetTexture(1, texture);
}

void TEXTUREMANAGER::SetGTexture(int id) { SetTexture(display.GetDevice(), id); }

void TEXTUREMANAGER::SetGTextureStage(int stage, int slot) {
    IDirect3DDevice8* device = display.GetDevice();
    if (!device || !slots || slot < 0 || slot >= GTEXTURE_SLOT_COUNT) return;
    IDirect3DTexture8* texture = slots[slot].texture;
    device->SetTexture(DWORD(stage), texture);
    RecordBind(stage, texture);
}

void TEXTUREMANAGER::SetEntryTexture(IDirect3DDevice8* device, TEXTURE_ENTRY* entry) {
    if (!device) return;
    if (!entry) {
        device->SetTexture(0, nullptr);
        RecordBind(0, nullptr);
        return;
    }
    if (IsBoundToStage0(entry->texture)) return;
    RecordBind(0, entry->texture);
    device->SetTexture(0, entry->texture);
}

// The cache answers only for stage 0: after a bind to another stage nothing
// is known about stage 0, so its next bind always reaches the device.
bool TEXTUREMANAGER::IsBoundToStage0(IDirect3DBaseTexture8* texture) const {
    return boundStage == 0 && texture == boundTexture;
}

void TEXTUREMANAGER::RecordBind(int stage, IDirect3DBaseTexture8* texture) {
    boundTexture = texture;
    boundStage = stage;
}

void TEXTUREMANAGER::GetGTextureSize(int slot, int* width, int* height) {
    if (width) *width = 0;
    if (height) *height = 0;
    IDirect3DTexture8* texture = GetGTexture(slot);
    if (!texture) return;
    D3DSURFACE_DESC desc{};
    if (FAILED(texture->GetLevelDesc(0, &desc))) return;
    if (width) *width = int(desc.Width);
    if (height) *height = int(desc.Height);
}

void TEXTUREMANAGER::ForgetBoundTexture() { RecordBind(0, nullptr); }

void TEXTUREMANAGER::ReleaseAllTextures() {
    while (entries) {
        TEXTURE_ENTRY* next = entries->next;
        delete entries;
        entries = next;
    }
    if (slots)
        for (int i = 0; i < GTEXTURE_SLOT_COUNT; ++i) slots[i].ReleaseTexture();
    boundTexture = nullptr;
    WriteStartLog("TEXTUREMANAGER::ReleaseAllTextures() passed...");
}

// ---------------------------------------------------------------------------

void LoadStartTextures() {
    IDirect3DDevice8* device = display.GetDevice();
    const bool second = myGlobs.secondEdition != 0;
    textureManager.AddGTexture(device, second ? "\\objects\\bitmaps\\qm_mmbg.dds" : "\\objects\\bitmaps\\mm2bg2.dds",
                               GTEX_MENUBACKGROUND, D3DFMT_A8R8G8B8, kFullChain);
    if (!second)
        textureManager.AddGTexture(device, "\\objects\\bitmaps\\ldscr.dds", GTEX_LOADSCREEN, D3DFMT_A8R8G8B8,
                                   kFullChain);
    else
        textureManager.AddGTexture(device, "\\objects\\bitmaps\\qmloadscreen.dds", GTEX_QMLOADSCREEN,
                                   D3DFMT_A8R8G8B8, kFullChain);
    textureManager.AddGTexture(device, "\\objects\\bitmaps\\bitmap.dds", GTEX_INTERFACE, D3DFMT_A8R8G8B8, kFullChain);
}

void LoadGameTextures() {
    IDirect3DDevice8* device = display.GetDevice();
    const bool second = myGlobs.secondEdition != 0;
    auto add = [device](const char* path, int slot) {
        textureManager.AddGTexture(device, path, slot, D3DFMT_A8R8G8B8, kFullChain);
    };
    add(second ? "\\QM_textures_2\\plant\\plant_1.dds" : "\\Scenes\\ember\\noveny.dds", GTEX_PLANT);
    add(second ? "\\QM_textures_2\\plant\\plant_1_select.dds" : "\\objects\\bitmaps\\novenyselect.dds",
        GTEX_PLANTSELECT);
    if (second) add("\\objects\\bitmaps\\qmbitmap.dds", GTEX_QMINTERFACE);
    add("\\objects\\bitmaps\\selectorange.dds", GTEX_SELECTORANGE);
    add("\\objects\\bitmaps\\black.dds", GTEX_BLACK);
    add(second ? "\\QM_textures_2\\other\\wood_1.dds" : "\\objects\\bitmaps\\vlm_bridge.dds", GTEX_BRIDGE);
    add("\\objects\\bitmaps\\grid.dds", GTEX_GRID);
    add("\\objects\\bitmaps\\shadow.dds", GTEX_SHADOW);
    add(second ? "\\objects\\bitmaps\\qm_smoke.dds" : "\\objects\\bitmaps\\smoke.dds", GTEX_SMOKE);
    add("\\objects\\bitmaps\\smoke2.dds", GTEX_SMOKE2);
    add("\\objects\\bitmaps\\stardust.dds", GTEX_STARDUST);
    add(second ? "\\QM_textures_2\\other\\brick_1.dds" : "\\objects\\bitmaps\\tbrick_1.dds", GTEX_BRICK);
    textureManager.AddGTexture(device,
                               second ? "\\objects\\bitmaps\\terrain_qm.jpg" : "\\objects\\bitmaps\\terrain.jpg",
                               GTEX_TERRAIN, display.GetTextureFormat(), 6);
    add("\\objects\\bitmaps\\track3.dds", GTEX_TRACK);
    add("\\objects\\bitmaps\\trackselect.dds", GTEX_TRACKSELECT);
    add("\\objects\\bitmaps\\water.dds", GTEX_WATER);
    add("\\objects\\bitmaps\\water_night.dds", GTEX_WATER_NIGHT);
    add("\\objects\\bitmaps\\white.dds", GTEX_WHITE);
    water.CreateBumpMap(256, 256, D3DFMT_V8U8);
    skybox.LoadSkyboxLists();
}
