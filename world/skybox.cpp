// Sky lists, the current sky with its lighting, and the sky and base-ground
// objects drawn around the camera.
#include "world/skybox.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "app/filesearch.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "gfx/display.h"
#include "gfx/texturemanager.h"
#include "platform/paths.h"
#include "rail/track.h"
#include "ui/window.h"
#include "world/lightlist.h"
#include "world/terrain.h"
#include "world/terrobj.h"
#include "world/xobject.h"

namespace {

constexpr int SKY_OBJID = 10003;
constexpr int BASEGROUND_OBJID = 10004;
// A global texture slot that is never loaded: binding it unbinds the stage.
constexpr int EMPTY_TEXTURE_SLOT = 2;
// What a short row leaves unsaid: a plain day sky with neutral light.
constexpr unsigned int SKY_DEFAULT_FOG = 0x8B93D3;
constexpr unsigned int SKY_DEFAULT_SUN = 0xFFFFFF;
constexpr unsigned int SKY_DEFAULT_AMBIENT = 0x606060;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

DWORD FloatBits(float f) {
    DWORD d;
    std::memcpy(&d, &f, sizeof(d));
    return d;
}

}  // namespace

int ParseSkyboxRow(const char* row, SKYBOX_ENTRY* entry) {
    entry->textureName[0] = '\0';
    entry->fogColor = SKY_DEFAULT_FOG;
    entry->sunColor = SKY_DEFAULT_SUN;
    entry->ambientColor = SKY_DEFAULT_AMBIENT;
    entry->fourth = 0;
    entry->night = 0;
    entry->lamp = 0;
    int count = 0;
    const char* p = row;
    while (*p && count < 7) {
        while (*p && IsBlank(*p)) ++p;
        if (!*p) break;
        const char* start = p;
        while (*p && !IsBlank(*p)) ++p;
        const std::string token(start, static_cast<size_t>(p - start));
        switch (count) {
        case 0: CopyText(entry->textureName, SKYBOX_NAMELEN, token.c_str()); break;
        case 1: entry->fogColor = static_cast<unsigned int>(std::strtoul(token.c_str(), nullptr, 0)); break;
        case 2: entry->sunColor = static_cast<unsigned int>(std::strtoul(token.c_str(), nullptr, 0)); break;
        case 3: entry->ambientColor = static_cast<unsigned int>(std::strtoul(token.c_str(), nullptr, 0)); break;
        case 4: entry->fourth = static_cast<unsigned int>(std::strtoul(token.c_str(), nullptr, 0)); break;
        case 5: entry->night = token == "NIGHT"; break;
        case 6: entry->lamp = token == "LAMP"; break;
        default: break;
        }
        ++count;
    }
    return count;
}

SKYBOX::SKYBOX() {}

SKYBOX::~SKYBOX() { FreeEntries(); }

void SKYBOX::FreeEntries() {
    while (head) {
        SKYBOX_ENTRY* next = head->next;
        delete head;
        head = next;
    }
    currentTexture = nullptr;
}

const SKYBOX_ENTRY* SKYBOX::GetEntry(int index) const {
    if (index < 0) return nullptr;
    const SKYBOX_ENTRY* e = head;
    for (int k = 0; e && k < index; ++k) e = e->next;
    return e;
}

int SKYBOX::GetEntryCount() const {
    int count = 0;
    for (const SKYBOX_ENTRY* e = head; e; e = e->next) ++count;
    return count;
}

void SKYBOX::LoadSkyboxLists() {
    const char* pattern = myGlobs.secondEdition ? "qm_skybox*.txt" : "vlm_skybox*.txt";
    FindFiles(pattern);
    const int count = myGlobs.foundFileCount;
    for (int k = 0; k < count && k < MAXFOUNDFILES; ++k) {
        const std::string name = std::string(myGlobs.foundFiles[k]) + ".txt";
        LoadSkyboxListFile(name.c_str());
    }
    SelectSkybox(0, 0);
}

void SKYBOX::LoadSkyboxListFile(const char* fileName) {
    FILE* file = plat::OpenFile(fileName, "rb");
    if (!file) {
        WriteStartLog("Unable to open skybox list file: ", NOLINEEND);
        WriteStartLog(fileName, NOLINEEND);
        WriteStartLog(" !!!");
        return;
    }
    WriteStartLog("Reading from file: ", NOLINEEND);
    WriteStartLog(fileName);
    std::string line;
    bool more = true;
    while (more) {
        line.clear();
        int c;
        while ((c = std::fgetc(file)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
        if (c == EOF) more = false;
        SKYBOX_ENTRY parsed;
        if (ParseSkyboxRow(line.c_str(), &parsed) == 0) continue;
        SKYBOX_ENTRY* entry = new (std::nothrow) SKYBOX_ENTRY(parsed);
        if (!entry) {
            WriteStartLog("Out of memory in SKYBOX::LoadSkyboxListFile() !!!");
            break;
        }
        TEXTURE_ENTRY* texture = textureManager.AddTexture(display.GetDevice(), entry->textureName);
        entry->textureId = texture ? texture->id : -1;
        entry->next = head;
        head = entry;
    }
    std::fclose(file);
    WriteStartLog(" ... file processed");
}

void SKYBOX::SelectSkybox(int index, int kind) {
    const SKYBOX_ENTRY* entry = GetEntry(index);
    if (!entry) return;
    currentIndex = index;
    currentTexture = entry->textureId >= 0 ? textureManager.GetEntryById(entry->textureId) : nullptr;
    display.SetFogColor(0xFF000000u | entry->fogColor);
    terrain.RebuildBase();
    if (kind == 6 && myGlobs.secondEdition) {
        terrain.SetNightLighting(entry->night, 6);
        return;
    }
    ApplySkyLighting(entry->night, entry->lamp, entry->sunColor, entry->ambientColor, kind);
}

void ApplySkyLighting(int night, int lamps, unsigned int sunColor, unsigned int ambientColor, int kind) {
    lightList.SetAmbientColor(ambientColor);
    lightList.SetSunColor(sunColor);
    lightList.SetNightAndLamps(night, lamps);
    trackList.FillRenderBuffer();
    terrobjList.BuildBatches();
    terrain.SetNightLighting(night, kind);
    terrobjList.BuildShadowSprites();
}

void SKYBOX::FillListControl(WINDOW* window, int item) {
    InitWinList(window, item, 2, 0);
    int value = 0;
    for (const SKYBOX_ENTRY* e = head; e; e = e->next, ++value) {
        // Each row shows the whole sky texture.
        AddWinListImageRow(window, item, 0.0f, 0.0f, 1.0f, 1.0f, value, e->textureId);
    }
}

void SKYBOX::SetBaseFlag(int flag) {
    baseFlag = flag;
    terrain.RebuildBase();
}

void SKYBOX::Render() {
    IDirect3DDevice8* device = display.GetDevice();
    if (!device) return;
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4, display.GetAspectRatio(), display.GetNearPlane(),
                               display.GetFarPlane() * 10.0f);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    D3DXVECTOR3 eye(0.0f, 0.0f, 0.0f);
    display.GetCamera(&eye, nullptr, nullptr);
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, eye.x, eye.y, 45.0f);
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    if (baseFlag) {
        float fogStart = 0.0f, fogEnd = 0.0f;
        display.GetSecondFogRange(&fogStart, &fogEnd);
        device->SetRenderState(D3DRS_FOGSTART, FloatBits(fogStart));
        device->SetRenderState(D3DRS_FOGEND, FloatBits(fogEnd));
    }
    // A sky whose texture did not load is drawn without one; without the sky
    // object itself (broken content) nothing is drawn, and the start log is
    // not written to on every frame.
    const int skyTexture = currentTexture ? currentTexture->id : EMPTY_TEXTURE_SLOT;
    if (GetXID(SKY_OBJID, 0) >= 0) DrawXObject(SKY_OBJID, 0, 0, 0, 0, 0, skyTexture);
    display.RestoreRenderState(D3DRS_FOGSTART);
    display.RestoreRenderState(D3DRS_FOGEND);
    display.RestoreRenderState(D3DRS_CULLMODE);
    display.RestoreRenderState(D3DRS_LIGHTING);
    D3DXMatrixIdentity(&world);
    device->SetTransform(D3DTS_WORLD, &world);
    if (baseFlag) {
        device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        device->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
        DrawXObject(BASEGROUND_OBJID, 0, 0, 0, 0, 0, 0);
        device->SetRenderState(D3DRS_FOGCOLOR, display.GetFogColor());
        display.RestoreRenderState(D3DRS_FOGSTART);
        display.RestoreRenderState(D3DRS_FOGEND);
        display.RestoreRenderState(D3DRS_ZWRITEENABLE);
        display.RestoreRenderState(D3DRS_ZFUNC);
    }
    D3DXMATRIX sceneProjection;
    display.GetProjectionMatrix(&sceneProjection);
    device->SetTransform(D3DTS_PROJECTION, &sceneProjection);
}

int SKYBOX::Save(FILE* file) {
    if (!file) return 0;
    const uint32_t v = static_cast<uint32_t>(currentIndex);
    const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    return std::fwrite(b, 1, 4, file) == 4 ? 1 : 0;
}

int SKYBOX::Load(FILE* file) {
    int index;
    const int version = myGlobs.loadFileVersion;
    if (version == 10 || version == 12) {
        index = lightList.IsNight() ? 1 : 0;
    } else {
        unsigned char b[4];
        if (!file || std::fread(b, 1, 4, file) != 4) {
            WriteStartLog("Unable to read sky box in SKYBOX::Load() !!!");
            return 0;
        }
        index = static_cast<int32_t>(static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                                     (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24));
        // A choice outside the list (a layout saved where more skies were
        // listed) is not taken: the sky of the layout open before would
        // stay and be saved with this layout's lighting.
        if (index < 0 || !GetEntry(index)) {
            WriteStartLog("Bad sky box index in SKYBOX::Load() !!!");
            index = lightList.IsNight() ? 1 : 0;
        }
    }
    if (!GetEntry(index)) index = 0;
    SelectSkybox(index, 6);
    return 1;
}

void SKYBOX::Release() { WriteStartLog("SKYBOX::Release() passed..."); }
