// The owner of every texture: 40 fixed global slots and the textures loaded
// by file name (ids from 40 up), with a cache of the texture bound to stage 0.
#pragma once

#include "platform/d3d8.h"

// Number of fixed global texture slots; ids from here up name loaded entries.
constexpr int GTEXTURE_SLOT_COUNT = 40;
constexpr int TEXTURE_NAME_SIZE = 128;

// The fixed global slots that are loaded (the others stay empty).
enum GTEXTURE_SLOT {
    GTEX_TERRAIN = 1,
    GTEX_PLANT = 3,
    GTEX_TRACK = 5,
    GTEX_TRACKSELECT = 8,
    GTEX_WHITE = 9,
    GTEX_INTERFACE = 10,
    GTEX_BLACK = 11,
    GTEX_WATER = 13,
    GTEX_MENUBACKGROUND = 15,
    GTEX_GRID = 18,
    GTEX_SHADOW = 20,
    GTEX_LOADSCREEN = 21,
    GTEX_SMOKE = 22,
    GTEX_BRICK = 23,
    GTEX_BRIDGE = 24,
    GTEX_STARDUST = 26,
    GTEX_FONTP = 28,
    GTEX_FONT_TAHO = 29,
    GTEX_FONT_TAHO2 = 30,
    GTEX_WATER_NIGHT = 32,
    GTEX_SELECTORANGE = 34,
    GTEX_PLANTSELECT = 35,
    GTEX_FONT_CAPTION = 36,
    GTEX_QMINTERFACE = 37,
    GTEX_QMLOADSCREEN = 38,
    GTEX_SMOKE2 = 39,
};

struct TEXTURE_ENTRY {
    char name[TEXTURE_NAME_SIZE] = {};
    IDirect3DTexture8* texture = nullptr;  // null when loading failed ("skipped")
    int lighting = 0;                      // one of the lighting textures
    int alphaName = 0;                     // the name ends with "aa.dds"
    TEXTURE_ENTRY* prev = nullptr;
    TEXTURE_ENTRY* next = nullptr;
    int id = 0;                            // 40, 41, ...; a slot record carries its slot number

    TEXTURE_ENTRY() = default;
    TEXTURE_ENTRY(const TEXTURE_ENTRY&) = delete;
    TEXTURE_ENTRY& operator=(const TEXTURE_ENTRY&) = delete;
    ~TEXTURE_ENTRY();
    void ReleaseTexture();
};

class TEXTUREMANAGER {
public:
    TEXTUREMANAGER();
    ~TEXTUREMANAGER();

    // Loads a file into a global slot; returns the loader's result (0 on success).
    HRESULT AddGTexture(IDirect3DDevice8* device, const char* path, int slot, D3DFORMAT format, UINT mipLevels);
    void ReleaseGTexture(int slot);
    // The entry for a path, loading it when new; null for a null path or when
    // no entry can be made.
    TEXTURE_ENTRY* AddTexture(IDirect3DDevice8* device, const char* path);
    // Picks the extension (dds, bmp, jpg) of the file that exists; edits path in place.
    void FindTexture(char* path, int log);
    // The last three path components (a pointer into the same text).
    static const char* ShortenPath(const char* path);
    static char* ShortenPath(char* path);

    TEXTURE_ENTRY* GetEntryById(int id);
    TEXTURE_ENTRY* GetEntryByName(const char* name);
    // The record of a global slot (its texture may be null); null for a bad slot.
    TEXTURE_ENTRY* GetGTextureEntry(int slot);
    IDirect3DTexture8* GetGTexture(int slot);

    void SetTexture(IDirect3DDevice8* device, int id);
    void SetGTexture(int id);
    void SetGTextureStage(int stage, int slot);
    void SetEntryTexture(IDirect3DDevice8* device, TEXTURE_ENTRY* entry);
    void GetGTextureSize(int slot, int* width, int* height);
    void ForgetBoundTexture();
    void ReleaseAllTextures();

    int GetEntryCount() const { return entryCount; }

private:
    IDirect3DTexture8* LoadFile(IDirect3DDevice8* device, const char* path, D3DFORMAT format, UINT mipLevels,
                                HRESULT* result);
    bool IsBoundToStage0(IDirect3DBaseTexture8* texture) const;
    void RecordBind(int stage, IDirect3DBaseTexture8* texture);

    TEXTURE_ENTRY* entries = nullptr;
    TEXTURE_ENTRY* slots = nullptr;
    IDirect3DBaseTexture8* boundTexture = nullptr;  // the texture last bound, on boundStage
    int boundStage = 0;
    int entryCount = 0;
};

extern TEXTUREMANAGER textureManager;

// Start-up textures: the menu background, the loading picture and the
// interface sheet.
void LoadStartTextures();
// The global slots of the game data, then the water bump map and the sky boxes.
void LoadGameTextures();
