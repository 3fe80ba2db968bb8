#include "world/lightlist.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "app/recordio.h"
#include "app/filesearch.h"
#include "app/gamestate.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "gfx/geometry.h"
#include "gfx/texturemanager.h"
#include "platform/d3d8.h"
#include "platform/d3dx8math.h"
#include "platform/paths.h"
#include "rail/layoutstate.h"
#include "world/terrain.h"
#include "world/terrobj.h"
#include "world/xobject.h"

namespace {

constexpr int SHADOW_TEXTURE_SLOT = 20;
constexpr int HALO_OBJID = 10000;
constexpr float PI_F = 3.1415927f;

struct SHADOW_VERTEX {
    float x, y, z;
    float u, v;
};
static_assert(sizeof(SHADOW_VERTEX) == LIGHTLIST::SPRITEVERTEXSIZE);

using recordio::ReadToken;

float ParseFloat(const char* s) {
    char* end = nullptr;
    double v = std::strtod(s, &end);
    if (end == s || !std::isfinite(v)) return 0.0f;
    return (float)v;
}

int ParseColour(const char* s) {
    const char* p = s;
    int base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        p += 2;
        base = 16;
    }
    unsigned long v = std::strtoul(p, nullptr, base);
    return (int)(v & 0xFFFFFFul);
}

void PutU32(FILE* f, uint32_t v, bool* ok) {
    uint8_t b[4] = {(uint8_t)(v & 0xFF), (uint8_t)((v >> 8) & 0xFF), (uint8_t)((v >> 16) & 0xFF),
                    (uint8_t)((v >> 24) & 0xFF)};
    if (std::fwrite(b, 1, 4, f) != 4) *ok = false;
}

void PutF(FILE* f, float x, bool* ok) {
    uint32_t v;
    std::memcpy(&v, &x, 4);
    PutU32(f, v, ok);
}

using recordio::GetU32;

void WriteLight(FILE* f, const D3DLIGHT8& l, bool* ok) {
    PutU32(f, (uint32_t)l.Type, ok);
    const D3DCOLORVALUE* cs[3] = {&l.Diffuse, &l.Specular, &l.Ambient};
    for (const D3DCOLORVALUE* c : cs) {
        PutF(f, c->r, ok);
        PutF(f, c->g, ok);
        PutF(f, c->b, ok);
        PutF(f, c->a, ok);
    }
    PutF(f, l.Position.x, ok);
    PutF(f, l.Position.y, ok);
    PutF(f, l.Position.z, ok);
    PutF(f, l.Direction.x, ok);
    PutF(f, l.Direction.y, ok);
    PutF(f, l.Direction.z, ok);
    PutF(f, l.Range, ok);
    PutF(f, l.Falloff, ok);
    PutF(f, l.Attenuation0, ok);
    PutF(f, l.Attenuation1, ok);
    PutF(f, l.Attenuation2, ok);
    PutF(f, l.Theta, ok);
    PutF(f, l.Phi, ok);
}

// Decodes a 104-byte light; false when a value is not a finite number.
bool ReadLight(const uint8_t* p, D3DLIGHT8* l) {
    float v[25];
    for (int i = 0; i < 25; i++) {
        v[i] = recordio::GetFloat(p + 4 + i * 4);
        if (!std::isfinite(v[i])) return false;
    }
    D3DLIGHT8 r = {};
    r.Type = (D3DLIGHTTYPE)GetU32(p);
    r.Diffuse = {v[0], v[1], v[2], v[3]};
    r.Specular = {v[4], v[5], v[6], v[7]};
    r.Ambient = {v[8], v[9], v[10], v[11]};
    r.Position = {v[12], v[13], v[14]};
    r.Direction = {v[15], v[16], v[17]};
    r.Range = v[18];
    r.Falloff = v[19];
    r.Attenuation0 = v[20];
    r.Attenuation1 = v[21];
    r.Attenuation2 = v[22];
    r.Theta = v[23];
    r.Phi = v[24];
    *l = r;
    return true;
}

IDirect3DDevice8* Device() { return display.GetDevice(); }

void RotateOffset(const float off[3], float headingDeg, float* dx, float* dy) {
    float a = headingDeg * PI_F / 180.0f;
    float c = std::cos(a), s = std::sin(a);
    *dx = c * off[0] - s * off[1];
    *dy = s * off[0] + c * off[1];
}

}  // namespace

// ---------------------------------------------------------------------------
LIGHTLIST::LIGHTLIST() {
    for (int i = 0; i <= MAXLIGHTINDEX; i++) indexFree[i] = (i >= 1) ? 1 : 0;

    sun.Type = D3DLIGHT_DIRECTIONAL;
    sun.Diffuse = {0.5f, 0.5f, 0.5f, 0.0f};
    sun.Specular = {0.6f, 0.6f, 0.6f, 0.0f};
    ComputeSunDirection();

    const float range = std::sqrt(3.402823e38f);
    aux1.Type = D3DLIGHT_SPOT;
    aux1.Diffuse = {2.0f, 2.0f, 2.0f, 0.0f};
    aux1.Range = range;
    aux1.Falloff = 1.0f;
    aux1.Attenuation0 = 1.0f;
    aux1.Theta = 0.0357f;
    aux1.Phi = 0.7853982f;
    aux2 = aux1;
    aux1.Position = {6.0f, -5.5f, -2.0f};
    aux1.Direction = {-3.0f, 3.0f, 2.0f};
    aux2.Position = {-6.0f, -5.5f, -2.0f};
    aux2.Direction = {3.0f, 3.0f, 2.0f};
}

LIGHTLIST::~LIGHTLIST() {
    // Lights only; the device is gone by now.
    for (const LAMP_LIGHT* l : liveLights) delete l;
    liveLights.clear();
}

void LIGHTLIST::ComputeSunDirection() {
    float a = sunAngle * PI_F / 180.0f;
    sun.Direction = {0.816f * std::cos(a), 0.816f * std::sin(a), 0.577f};
}

// ---------------------------------------------------------------------------
// Lists.

const char* LIGHTLIST::GetLightingTextureName(int i) const {
    if (i < 0 || i >= lightingTextureCount) return "";
    return lightingTextures[i];
}

void LIGHTLIST::ReadLightingTextureFile(const char* fileName) {
    char line[300];
    JoinStrings(line, sizeof(line), "Reading from file: ", fileName);
    WriteStartLog(line);
    FILE* f = plat::OpenFile(fileName, "rb");
    if (!f) {
        JoinStrings(line, sizeof(line), "Unable to open ltex file: ", fileName, " !!!");
        WriteStartLog(line);
        return;
    }
    char token[256];
    while (lightingTextureCount < MAXLIGHTINGTEXTURES - 1 && ReadToken(f, token, sizeof(token))) {
        CopyText(lightingTextures[lightingTextureCount], 32, token);
        lightingTextureCount++;
    }
    std::fclose(f);
    WriteStartLog(" ... file processed");
}

void LIGHTLIST::LoadLightingTextures() {
    FindFiles(myGlobs.secondEdition ? "qm_ltex*.list" : "ltex*.list");
    // The table is shared: take a copy of the names before reading.
    std::vector<std::string> names;
    for (int i = 0; i < myGlobs.foundFileCount && i < MAXFOUNDFILES; i++)
        names.push_back(std::string(myGlobs.foundFiles[i]) + "list");
    for (const std::string& n : names) ReadLightingTextureFile(n.c_str());
    WriteStartLog("Number of read lighting textures: ", lightingTextureCount);
}

void LIGHTLIST::ReadLampInfoFile(const char* fileName) {
    char line[300];
    JoinStrings(line, sizeof(line), "Reading from file: ", fileName);
    WriteStartLog(line);
    FILE* f = plat::OpenFile(fileName, "rb");
    if (!f) {
        JoinStrings(line, sizeof(line), "Unable to open lamp info file: ", fileName, " !!!");
        WriteStartLog(line);
        return;
    }
    char tokens[12][64];
    while (lampInfoCount < MAXLAMPINFOS - 1) {
        int n = 0;
        while (n < 12 && ReadToken(f, tokens[n], 64)) n++;
        if (n == 0) break;
        if (n < 12) {
            // A record cut short at the end of the file is not used.
            WriteStartLog("Incomplete lamp info record ignored, tokens read: ", n);
            break;
        }
        LAMP_INFO& r = lampInfos[lampInfoCount];
        r.id = std::atoi(tokens[0]);
        r.type = std::strcmp(tokens[1], "SPOT") == 0 ? 2 : 1;
        r.offsetX = ParseFloat(tokens[2]);
        r.offsetY = ParseFloat(tokens[3]);
        r.offsetZ = -ParseFloat(tokens[4]);
        r.colour = ParseColour(tokens[5]);
        r.rangeFactor = ParseFloat(tokens[6]);
        r.attenuation0 = ParseFloat(tokens[7]);
        r.attenuation1 = ParseFloat(tokens[8]);
        r.attenuation2 = ParseFloat(tokens[9]);
        r.halo = std::strcmp(tokens[10], "TRUE") == 0 ? 1 : 0;
        r.haloSize = ParseFloat(tokens[11]);
        lampInfoCount++;
    }
    std::fclose(f);
    WriteStartLog(" ... file processed");
}

void LIGHTLIST::LoadLampInfos() {
    FindFiles(myGlobs.secondEdition ? "qm_lampinfo*.list" : "lampinfo*.list");
    std::vector<std::string> names;
    for (int i = 0; i < myGlobs.foundFileCount && i < MAXFOUNDFILES; i++)
        names.push_back(std::string(myGlobs.foundFiles[i]) + "list");
    for (const std::string& n : names) ReadLampInfoFile(n.c_str());
    WriteStartLog("Number of read lamp infos: ", lampInfoCount);
}

int LIGHTLIST::IsLightingTexture(const char* fileName) const {
    if (!fileName) return 0;
    const char* part = GetFileNamePart(fileName);
    if (!part) return 0;
    size_t len = std::strlen(part);
    if (len <= 2) return 0;
    std::string name(part, len - 3);
    name += "dds";
    for (int i = 0; i < lightingTextureCount; i++)
        if (name == lightingTextures[i]) return 1;
    return 0;
}

int LIGHTLIST::HasLampInfo(int objId) const {
    for (int i = 0; i < lampInfoCount; i++)
        if (lampInfos[i].id == objId) return 1;
    return 0;
}

int LIGHTLIST::GetLampInfo(int objId, LAMP_INFO* out) const {
    for (int i = 0; i < lampInfoCount; i++) {
        if (lampInfos[i].id == objId) {
            if (out) *out = lampInfos[i];
            return 1;
        }
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Device helpers.

void LIGHTLIST::SendLight(const LAMP_LIGHT* l) {
    if (IDirect3DDevice8* dev = Device()) dev->SetLight(l->index, &l->light);
}

void LIGHTLIST::SendSun() {
    if (IDirect3DDevice8* dev = Device()) dev->SetLight(sunIndex, &sun);
}

void LIGHTLIST::SetDeviceAmbient(unsigned colour) {
    if (IDirect3DDevice8* dev = Device()) dev->SetRenderState(D3DRS_AMBIENT, colour);
}

void LIGHTLIST::EnableLight(int index, int on) {
    if (IDirect3DDevice8* dev = Device()) dev->LightEnable(index, on ? TRUE : FALSE);
}

// ---------------------------------------------------------------------------
// Cells.

bool LIGHTLIST::GetCell(float x, float y, int* row, int* col) const {
    if (rows <= 0 || cols <= 0 || !(maxX > minX) || !(maxY > minY)) return false;
    float fr = (x - minX) / (maxX - minX) * (float)rows;
    float fc = (y - minY) / (maxY - minY) * (float)cols;
    int r = std::isfinite(fr) ? (fr < 0.0f ? 0 : (fr >= (float)rows ? rows - 1 : (int)fr)) : 0;
    int c = std::isfinite(fc) ? (fc < 0.0f ? 0 : (fc >= (float)cols ? cols - 1 : (int)fc)) : 0;
    *row = r;
    *col = c;
    return true;
}

LAMP_LIGHT* LIGHTLIST::GetCellList(int row, int col) const {
    if (row < 0 || col < 0 || row >= rows || col >= cols) return nullptr;
    return cells[(size_t)row * cols + col];
}

void LIGHTLIST::LinkLight(LAMP_LIGHT* l) {
    int r, c;
    LAMP_LIGHT** head = &unplaced;
    if (GetCell(l->light.Position.x, l->light.Position.y, &r, &c)) head = &cells[(size_t)r * cols + c];
    l->prev = nullptr;
    l->next = *head;
    if (*head) (*head)->prev = l;
    *head = l;
    l->head = head;
}

void LIGHTLIST::UnlinkLight(LAMP_LIGHT* l) {
    if (!l->head) return;
    if (l->prev)
        l->prev->next = l->next;
    else
        *l->head = l->next;
    if (l->next) l->next->prev = l->prev;
    l->prev = l->next = nullptr;
    l->head = nullptr;
}

int LIGHTLIST::IsLight(const LAMP_LIGHT* light) const { return light && liveLights.count(light) ? 1 : 0; }

LAMP_LIGHT* LIGHTLIST::AddLight(float x, float y, float z, float heading, int kind, int haloFlag, float lightHeight,
                                int objId) {
    LAMP_LIGHT* l = new (std::nothrow) LAMP_LIGHT;
    if (!l) {
        WriteStartLog("Out of memory in LIGHTLIST::AddLight() !!!");
        return nullptr;
    }
    int index = -1;
    for (int i = FIRSTLAMPINDEX; i <= MAXLIGHTINDEX; i++) {
        if (indexFree[i]) {
            index = i;
            break;
        }
    }
    if (index < 0) {
        delete l;
        return nullptr;
    }
    l->index = index;
    l->light = D3DLIGHT8{};
    l->halo = haloFlag;
    l->haloSize = 1.0f;
    l->offset[0] = 0.0f;
    l->offset[1] = 0.0f;
    l->offset[2] = lightHeight;
    l->kind = kind;

    LAMP_INFO info;
    bool haveInfo = false;
    if (kind == -1) {
        haveInfo = GetLampInfo(objId, &info) != 0;
        if (!haveInfo) {
            char line[120];
            std::snprintf(line, sizeof(line), "Lamp info could not found for ID: %d !!!", objId);
            WriteStartLog(line);
        }
    } else if (kind != 1 && kind != 2) {
        WriteStartLog("Unknown type in LIGHTLIST::AddLight() !!!");
    }

    D3DLIGHT8& d = l->light;
    if (haveInfo) {
        d.Type = info.type == 2 ? D3DLIGHT_SPOT : D3DLIGHT_POINT;
        l->colourCode = info.colour;
        float r = (float)((info.colour >> 16) & 0xFF) * 0.66f / 256.0f;
        float g = (float)((info.colour >> 8) & 0xFF) * 0.66f / 256.0f;
        float b = (float)(info.colour & 0xFF) * 0.66f / 256.0f;
        d.Diffuse = {r, g, b, 1.0f};
        d.Specular = {r * 0.5f, g * 0.5f, b * 0.5f, 0.5f};
        l->offset[0] = info.offsetX;
        l->offset[1] = info.offsetY;
        l->offset[2] = info.offsetZ;
        float f = info.rangeFactor;
        l->rangeFactor = f;
        d.Range = 7.0f * f;
        if (!(d.Range >= 0.0f)) d.Range = 0.0f;
        d.Attenuation0 = info.attenuation0;
        d.Attenuation1 = info.attenuation1;
        d.Attenuation2 = f > 0.0f ? info.attenuation2 / f : info.attenuation2;
        if (d.Type == D3DLIGHT_SPOT) {
            // Lamp spots shine straight down.
            d.Direction = {0.0f, 0.0f, 1.0f};
            d.Falloff = 1.0f;
            d.Theta = 0.7853982f;
            d.Phi = 1.5707964f;
        }
        l->halo = info.halo;
        l->haloSize = info.haloSize;
    } else if (kind == 2) {
        d.Type = D3DLIGHT_POINT;
        l->colourCode = LAMPCOLOUR_WARM;
        d.Diffuse = {1.0f, 1.0f, 0.8f, 1.0f};
        d.Specular = {0.6f, 0.6f, 0.5f, 0.6f};
        l->rangeFactor = 0.25f;
        d.Range = 1.75f;
        d.Attenuation0 = 0.1f;
        d.Attenuation1 = 0.0f;
        d.Attenuation2 = 4.0f;
    } else {
        d.Type = D3DLIGHT_POINT;
        l->colourCode = LAMPCOLOUR_WHITE;
        d.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
        d.Specular = {0.6f, 0.6f, 0.6f, 0.6f};
        l->rangeFactor = 1.0f;
        d.Range = 7.0f;
        d.Attenuation0 = 0.1f;
        d.Attenuation1 = 0.0f;
        d.Attenuation2 = 0.5f;
        if (kind != -1) l->kind = 1;
    }
    float dx, dy;
    RotateOffset(l->offset, heading, &dx, &dy);
    d.Position = {x + dx, y + dy, z + l->offset[2]};

    indexFree[index] = 0;
    liveLights.insert(l);
    LinkLight(l);
    SendLight(l);
    EnableLight(l->index, 0);
    return l;
}

void LIGHTLIST::MoveLight(LAMP_LIGHT* l, float x, float y, float z, float heading) {
    if (!IsLight(l)) return;
    float dx, dy;
    RotateOffset(l->offset, heading, &dx, &dy);
    l->light.Position = {x + dx, y + dy, z + l->offset[2]};
    SendLight(l);
    UnlinkLight(l);
    LinkLight(l);
}

void LIGHTLIST::RemoveLight(LAMP_LIGHT* l) {
    if (!IsLight(l)) return;
    EnableLight(l->index, 0);
    UnlinkLight(l);
    if (l->index >= 1 && l->index <= MAXLIGHTINDEX) indexFree[l->index] = 1;
    liveLights.erase(l);
    delete l;
}

void LIGHTLIST::RemoveAllLights() {
    SwitchOffNearLights();
    for (const LAMP_LIGHT* l : liveLights) {
        EnableLight(l->index, 0);
        delete l;
    }
    liveLights.clear();
    unplaced = nullptr;
    for (int i = 1; i <= MAXLIGHTINDEX; i++) indexFree[i] = 1;
    cells.clear();
    rows = cols = 0;
}

void LIGHTLIST::SetRowsCols(int newRows, int newCols, float width, float depth) {
    (void)width;
    (void)depth;
    rows = newRows > 0 ? newRows : 0;
    cols = newCols > 0 ? newCols : 0;
    if (rows == 0 || cols == 0) rows = cols = 0;
    cells.assign((size_t)rows * cols, nullptr);
    maxX = (float)rows * cellSize / 2.0f;
    minX = -maxX;
    maxY = (float)cols * cellSize / 2.0f;
    minY = -maxY;
}

void LIGHTLIST::InitLightGridSize(float width, float depth) {
    if (rows > 0 || cols > 0 || !liveLights.empty()) RemoveAllLights();
    int r = (std::isfinite(width) && width > 0.0f) ? (int)(width / cellSize + 0.4f) : 0;
    int c = (std::isfinite(depth) && depth > 0.0f) ? (int)(depth / cellSize + 0.4f) : 0;
    SetRowsCols(r, c, width, depth);
    sunAngle = 45.0f;
    ComputeSunDirection();
    SendSun();
}

void LIGHTLIST::InitLightGrid() {
    float w = 0.0f, d = 0.0f;
    terrain.GetWorldSize(&w, &d);
    InitLightGridSize(w, d);
}

void LIGHTLIST::SwitchOnNearLights(float x, float y) {
    if (!lampsOn) return;
    int r, c;
    if (!GetCell(x, y, &r, &c)) return;
    SwitchOffNearLights();
    int limit = display.GetHardwareTnL() ? 8 : 1 << 30;
    enabledCount = 0;
    for (int i = r - 1; i <= r + 1; i++) {
        if (i < 0 || i >= rows) continue;
        for (int j = c - 1; j <= c + 1; j++) {
            if (j < 0 || j >= cols) continue;
            for (LAMP_LIGHT* l = cells[(size_t)i * cols + j]; l; l = l->next) {
                if (enabledCount >= limit) break;
                float dx = l->light.Position.x - x, dy = l->light.Position.y - y;
                if (std::sqrt(dx * dx + dy * dy) < 0.8f * l->light.Range) {
                    EnableLight(l->index, 1);
                    enabledCount++;
                }
            }
        }
    }
    activeFirstRow = r - 1 < 0 ? 0 : r - 1;
    activeFirstCol = c - 1 < 0 ? 0 : c - 1;
    activeLastRow = r + 1 >= rows ? rows - 1 : r + 1;
    activeLastCol = c + 1 >= cols ? cols - 1 : c + 1;
    activeRow = r;
    activeCol = c;
    lightsOn1 = 1;
}

void LIGHTLIST::SwitchOffNearLights() {
    if (!lightsOn1 && !lightsOn2) return;
    if (rows > 0 && cols > 0) {
        for (int i = activeFirstRow; i <= activeLastRow; i++) {
            if (i < 0 || i >= rows) continue;
            for (int j = activeFirstCol; j <= activeLastCol; j++) {
                if (j < 0 || j >= cols) continue;
                for (LAMP_LIGHT* l = cells[(size_t)i * cols + j]; l; l = l->next) EnableLight(l->index, 0);
            }
        }
    }
    activeFirstRow = activeFirstCol = activeLastRow = activeLastCol = -1;
    activeRow = activeCol = -1;
    lightsOn1 = lightsOn2 = 0;
    enabledCount = 0;
}

int LIGHTLIST::IsLitByLamp(float x, float y) const {
    if (!night) return 0;
    int r, c;
    if (!GetCell(x, y, &r, &c)) return 0;
    for (int i = r - 1; i <= r + 1; i++) {
        if (i < 0 || i >= rows) continue;
        for (int j = c - 1; j <= c + 1; j++) {
            if (j < 0 || j >= cols) continue;
            for (const LAMP_LIGHT* l = cells[(size_t)i * cols + j]; l; l = l->next) {
                float dx = l->light.Position.x - x, dy = l->light.Position.y - y;
                if (std::sqrt(dx * dx + dy * dy) < 0.7f * l->light.Range) return 1;
            }
        }
    }
    return 0;
}

void LIGHTLIST::LightGround() {
    if (!night || rows <= 0 || cols <= 0) return;
    int gx = terrain.GetGridX(), gy = terrain.GetGridY();
    if (gx <= 0 || gy <= 0) return;
    float width = 0.0f, depth = 0.0f;
    terrain.GetWorldSize(&width, &depth);
    int maxRing = (gx > gy ? gx : gy) + 1;
    for (const LAMP_LIGHT* head : cells) {
        for (const LAMP_LIGHT* l = head; l; l = l->next) {
            const D3DVECTOR& pos = l->light.Position;
            int ci = (int)((pos.x + width / 2.0f) / (width / (float)gx));
            int cj = (int)((pos.y + depth / 2.0f) / (depth / (float)gy));
            for (int k = 0; k <= maxRing; k++) {
                bool added = false;
                for (int i = ci - k; i <= ci + k; i++) {
                    for (int j = cj - k; j <= cj + k; j++) {
                        if (i != ci - k && i != ci + k && j != cj - k && j != cj + k) continue;
                        if (i < 0 || j < 0 || i > gx || j > gy) continue;
                        D3DXVECTOR3 v;
                        if (!terrain.GetVertexPosition(i, j, &v)) continue;
                        float dx = pos.x - v.x, dy = pos.y - v.y, dz = pos.z - v.z;
                        float d2 = dx * dx + dy * dy + dz * dz;
                        float d = std::sqrt(d2);
                        float p;
                        if (l->kind == 1)
                            p = d2;
                        else if (l->kind == 2)
                            p = 8.0f * d;
                        else
                            p = l->rangeFactor > 0.0f ? d2 / l->rangeFactor : d2;
                        float o = 255.1f / (p + 1.0f) - p;
                        int red = (int)(o * l->light.Diffuse.r * 1.5f);
                        int green = (int)(o * l->light.Diffuse.g * 1.5f);
                        int blue = (int)(o * l->light.Diffuse.b * 1.5f);
                        if (red < 0) red = 0;
                        if (green < 0) green = 0;
                        if (blue < 0) blue = 0;
                        if (red == 0 && green == 0 && blue == 0) continue;
                        terrain.AddVertexLight(i, j, red, green, blue);
                        added = true;
                    }
                }
                if (!added && k >= 5) break;
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Sun and ambient.

void LIGHTLIST::SetNightAndLamps(int nightIn, int lampsOnIn) {
    SetDeviceAmbient(ambientColour);
    EnableLight(sunIndex, nightIn ? 0 : 1);
    night = nightIn ? 1 : 0;
    lampsOn = lampsOnIn ? 1 : 0;
}

void LIGHTLIST::SetFullAmbient() {
    SetDeviceAmbient(0xFFFFFFFFu);
    EnableLight(sunIndex, 0);
    fullAmbient = 1;
}

void LIGHTLIST::RestoreAmbient() {
    SetDeviceAmbient(ambientColour);
    EnableLight(sunIndex, night ? 0 : 1);
    fullAmbient = 0;
}

void LIGHTLIST::ApplySun() {
    SendSun();
    SetDeviceAmbient(ambientColour);
    EnableLight(sunIndex, night ? 0 : 1);
}

void LIGHTLIST::SwitchSun(int on) {
    if (on) {
        SendSun();
        EnableLight(sunIndex, night ? 0 : 1);
    } else {
        EnableLight(sunIndex, 0);
    }
}

void LIGHTLIST::SetAmbientColor(unsigned colour) {
    ambientColour = colour & 0xFFFFFFu;
    SetDeviceAmbient(ambientColour);
}

void LIGHTLIST::ApplyAmbient(int level) {
    ambientLevel = level;
    SetDeviceAmbient(ambientColour);
}

void LIGHTLIST::SetSunColor(unsigned colour) {
    sun.Diffuse.r = (float)((colour >> 16) & 0xFF) / 256.0f;
    sun.Diffuse.g = (float)((colour >> 8) & 0xFF) / 256.0f;
    sun.Diffuse.b = (float)(colour & 0xFF) / 256.0f;
    SendSun();
}

void LIGHTLIST::SetSunAngle(float degrees) {
    if (!std::isfinite(degrees)) return;
    sunAngle += degrees;
    sunAngle = std::fmod(sunAngle, 360.0f);
    ComputeSunDirection();
    SendSun();
}

void LIGHTLIST::SwitchAuxLight(int on, int which) {
    if (which != 1 && which != 2) return;
    if (on) {
        if (IDirect3DDevice8* dev = Device()) dev->SetLight(which, which == 1 ? &aux1 : &aux2);
    }
    EnableLight(which, on);
}

void LIGHTLIST::SetAuxLightDirection(float x, float y, float z, int which) {
    if (which != 1 && which != 2) return;
    D3DLIGHT8& l = which == 1 ? aux1 : aux2;
    l.Direction = {x, y, z};
    if (IDirect3DDevice8* dev = Device()) dev->SetLight(which, &l);
}

// ---------------------------------------------------------------------------
// Shadow sprites.

void LIGHTLIST::InitLightSpriteBuffer() {
    spriteBuffer = display.AddVertexBuffer(SPRITEFVF, SPRITEBUFFERBYTES, 0, 1, nullptr);
    if (spriteBuffer) {
        maxSprites = MAXSPRITES;
        WriteStartLog("Light sprite buffer initialized with success...");
    } else {
        maxSprites = 0;
        WriteStartLog("Light sprite buffer initialization failed!");
    }
    spriteVertexLimit = SPRITEBUFFERBYTES / SPRITEVERTEXSIZE;
    terrobjList.BuildShadowSprites();
}

void LIGHTLIST::StartBuildShadowSprites() {
    spriteTriangles = 0;
    spritesAdded = 0;
    spriteData = nullptr;
    spriteVertexLimit = SPRITEBUFFERBYTES / SPRITEVERTEXSIZE;
    IDirect3DVertexBuffer8* vb = spriteBuffer ? display.GetVB(spriteBuffer) : nullptr;
    if (!vb) {
        WriteStartLog("Unable to get shadow sprite buffer in StartBuildShadowSprites()!");
        return;
    }
    BYTE* data = nullptr;
    if (FAILED(vb->Lock(0, 0, &data, 0)) || !data) {
        WriteStartLog("Unable to lock shadow sprite buffer in StartBuildShadowSprites()!");
        return;
    }
    spriteData = data;
}

void LIGHTLIST::AddShadowTriangle(int i0, int j0, float u0, float v0, int i1, int j1, float u1, float v1, int i2,
                                  int j2, float u2, float v2) {
    int gx = terrain.GetGridX(), gy = terrain.GetGridY();
    auto inside = [&](int i, int j) { return i >= 0 && j >= 0 && i <= gx && j <= gy; };
    if (!inside(i0, j0) || !inside(i1, j1) || !inside(i2, j2)) return;
    if ((spriteTriangles + 1) * 3 > spriteVertexLimit) return;
    SHADOW_VERTEX* out = reinterpret_cast<SHADOW_VERTEX*>(spriteData) + spriteTriangles * 3;
    const int is[3] = {i0, i1, i2}, js[3] = {j0, j1, j2};
    const float us[3] = {u0, u1, u2}, vs[3] = {v0, v1, v2};
    for (int k = 0; k < 3; k++) {
        D3DXVECTOR3 p;
        terrain.GetVertexPosition(is[k], js[k], &p);
        out[k] = {p.x, p.y, p.z, us[k], vs[k]};
    }
    spriteTriangles++;
}

void LIGHTLIST::AddShadowSprite(float x, float y) {
    if (!spriteData || spritesAdded >= maxSprites) return;
    int gx = terrain.GetGridX(), gy = terrain.GetGridY();
    if (gx <= 0 || gy <= 0) return;
    const float c = 0.7f;
    int i = 0, j = 0;
    terrain.GetGridIndices(x - c / 2.0f, y - c / 2.0f, &i, &j);
    D3DXVECTOR3 vp;
    if (!terrain.GetVertexPosition(i, j, &vp)) {
        float width = 0.0f, depth = 0.0f;
        terrain.GetWorldSize(&width, &depth);
        vp.x = (float)i * c - width / 2.0f;
        vp.y = (float)j * c - depth / 2.0f;
    }
    float fx = (x - c - vp.x) / c;
    float fy = (y - c - vp.y) / c;
    for (int a = 0; a <= 1; a++) {
        for (int b = 0; b <= 1; b++) {
            int I = i + a, J = j + b;
            float u = (float)a - fx, v = (float)b - fy;
            AddShadowTriangle(I, J, u / 2.0f, v / 2.0f, I, J + 1, u / 2.0f, (v + 1.0f) / 2.0f, I + 1, J,
                              (u + 1.0f) / 2.0f, v / 2.0f);
            AddShadowTriangle(I + 1, J, (u + 1.0f) / 2.0f, v / 2.0f, I, J + 1, u / 2.0f, (v + 1.0f) / 2.0f, I + 1,
                              J + 1, (u + 1.0f) / 2.0f, (v + 1.0f) / 2.0f);
        }
    }
    spritesAdded++;
}

void LIGHTLIST::EndBuildShadowSprites() {
    if (!spriteData) return;
    spriteData = nullptr;
    if (IDirect3DVertexBuffer8* vb = spriteBuffer ? display.GetVB(spriteBuffer) : nullptr) vb->Unlock();
}

// ---------------------------------------------------------------------------
// Drawing.

void LIGHTLIST::RenderLightSprites() {
    if (gameState != EDITOR_RUN_STATE || spriteTriangles <= 0 || !layoutState.GetSelectPlants()) return;
    IDirect3DDevice8* dev = Device();
    IDirect3DVertexBuffer8* vb = spriteBuffer ? display.GetVB(spriteBuffer) : nullptr;
    if (!dev || !vb) return;
    SetIdentityWorld();
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    textureManager.SetGTexture(SHADOW_TEXTURE_SLOT);
    dev->SetVertexShader(SPRITEFVF);
    dev->SetStreamSource(0, vb, SPRITEVERTEXSIZE);
    dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, spriteTriangles);
    display.RestoreRenderState(D3DRS_LIGHTING);
    display.RestoreRenderState(D3DRS_SRCBLEND);
    display.RestoreRenderState(D3DRS_DESTBLEND);
    display.RestoreRenderState(D3DRS_ALPHABLENDENABLE);
}

void LIGHTLIST::RenderLightHalos() {
    if (gameState != EDITOR_RUN_STATE || !lampsOn) return;
    IDirect3DDevice8* dev = Device();
    if (!dev) return;
    SetFullAmbient();
    dev->SetRenderState(D3DRS_LIGHTING, TRUE);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    dev->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    D3DXMATRIX billboard;
    display.GetBillboardMatrix(&billboard, 1);
    auto drawList = [&](const LAMP_LIGHT* head) {
        for (const LAMP_LIGHT* l = head; l; l = l->next) {
            if (!l->halo) continue;
            D3DXMATRIX b = billboard;
            b._41 = l->light.Position.x;
            b._42 = l->light.Position.y;
            b._43 = l->light.Position.z;
            D3DXMATRIX s, world;
            D3DXMatrixScaling(&s, l->haloSize, l->haloSize, l->haloSize);
            D3DXMatrixMultiply(&world, &s, &b);
            dev->SetTransform(D3DTS_WORLD, &world);
            DrawXObject(HALO_OBJID, 0, (unsigned)l->colourCode, 0, 0, 0, -1);
        }
    };
    for (const LAMP_LIGHT* head : cells) drawList(head);
    drawList(unplaced);
    display.RestoreRenderState(D3DRS_LIGHTING);
    display.RestoreRenderState(D3DRS_ALPHABLENDENABLE);
    display.RestoreRenderState(D3DRS_SRCBLEND);
    display.RestoreRenderState(D3DRS_DESTBLEND);
    dev->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    RestoreAmbient();
}

void LIGHTLIST::RestoreDeviceObjects() {
    for (const LAMP_LIGHT* head : cells)
        for (const LAMP_LIGHT* l = head; l; l = l->next) SendLight(l);
    for (const LAMP_LIGHT* l = unplaced; l; l = l->next) SendLight(l);
    SendSun();
    RestoreAmbient();
}

void LIGHTLIST::DeleteDeviceObjects() {
    RemoveAllLights();
    display.RemoveVertexBuffer(&spriteBuffer);
    spriteBuffer = nullptr;
    spriteData = nullptr;
    spriteTriangles = 0;
    maxSprites = 0;
    WriteStartLog("LIGHTLIST::DeleteDeviceObjects() passed...");
}

// ---------------------------------------------------------------------------
// Layout section 11.

int LIGHTLIST::Save(FILE* file) {
    if (!file) return 0;
    bool ok = true;
    PutU32(file, (uint32_t)night, &ok);
    PutU32(file, ambientColour, &ok);
    WriteLight(file, sun, &ok);
    PutU32(file, (uint32_t)sunIndex, &ok);
    PutU32(file, (uint32_t)lampsOn, &ok);
    if (!ok) WriteStartLog("Unable to write the lighting section !!!");
    return ok ? 1 : 0;
}

int LIGHTLIST::Load(FILE* file) {
    if (!file) return 0;
    const bool old = myGlobs.loadFileVersion == 10 || myGlobs.loadFileVersion == 12;
    const size_t size = old ? OLDSECTIONSIZE : SECTIONSIZE;
    uint8_t buf[SECTIONSIZE] = {};
    if (std::fread(buf, 1, size, file) != size) {
        WriteStartLog("Lighting section of the layout file is cut short !!!");
        return 0;
    }
    int nightIn = GetU32(buf) != 0 ? 1 : 0;
    D3DLIGHT8 sunIn;
    if (!ReadLight(buf + 8, &sunIn)) {
        // The rest of the section still reads; the sun stays as it is.
        WriteStartLog("Lighting section of the layout file holds an invalid sun, the sun is kept !!!");
        sunIn = sun;
    }
    unsigned ambient;
    int lamps;
    if (old) {
        int g = (int)GetU32(buf + 4);
        if (nightIn) g = 32;
        if (g < 0) g = 0;
        if (g > 255) g = 255;
        ambient = 0xFF000000u + (unsigned)g * 0x010101u;
        lamps = nightIn;
    } else {
        ambient = GetU32(buf + 4);
        lamps = GetU32(buf + 116) != 0 ? 1 : 0;
    }
    // The sun is always the directional light at index 0, whatever the file says.
    sunIn.Type = D3DLIGHT_DIRECTIONAL;
    if (sunIn.Direction.x == 0.0f && sunIn.Direction.y == 0.0f && sunIn.Direction.z == 0.0f) {
        sunIn.Direction = sun.Direction;
    }
    sun = sunIn;
    sunIndex = 0;
    night = nightIn;
    ambientColour = ambient;
    lampsOn = lamps;
    return 1;
}
