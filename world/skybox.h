// The sky boxes read from the sky lists, the current sky with its lighting,
// and the base-ground switch.
#pragma once

#include <cstdio>

class WINDOW;
struct TEXTURE_ENTRY;

constexpr int SKYBOX_NAMELEN = 64;

struct SKYBOX_ENTRY {
    SKYBOX_ENTRY* next = nullptr;
    char textureName[SKYBOX_NAMELEN] = {};
    int textureId = -1;
    unsigned int fogColor = 0;
    unsigned int sunColor = 0;
    unsigned int ambientColor = 0;
    unsigned int fourth = 0;  // read and kept, used nowhere
    int night = 0;
    int lamp = 0;
};

// Parses one row of a sky list into an entry (without loading its texture).
// Missing tokens keep the entry's defaults; answers the number of tokens read.
int ParseSkyboxRow(const char* row, SKYBOX_ENTRY* entry);

class SKYBOX {
public:
    SKYBOX();
    ~SKYBOX();
    SKYBOX(const SKYBOX&) = delete;
    SKYBOX& operator=(const SKYBOX&) = delete;

    void LoadSkyboxLists();
    void LoadSkyboxListFile(const char* fileName);
    void SelectSkybox(int index, int kind);
    void FillListControl(WINDOW* window, int item);
    void SetBaseFlag(int flag);
    int GetBaseFlag() const { return baseFlag; }
    int GetCurrentIndex() const { return currentIndex; }
    void Render();
    int Save(FILE* file);
    int Load(FILE* file);
    void Release();

    // The entry at index (counting from the head), null beyond the list.
    const SKYBOX_ENTRY* GetEntry(int index) const;
    int GetEntryCount() const;
    TEXTURE_ENTRY* GetCurrentTexture() const { return currentTexture; }
    void FreeEntries();

private:
    SKYBOX_ENTRY* head = nullptr;
    int baseFlag = 0;
    TEXTURE_ENTRY* currentTexture = nullptr;
    int currentIndex = 0;
};

// Sets the lighting of a sky: ambient and sun colours, night and lamps, and
// relights the tracks, the placed objects and the ground.
void ApplySkyLighting(int night, int lamps, unsigned int sunColor, unsigned int ambientColor, int kind);

extern SKYBOX skybox;
