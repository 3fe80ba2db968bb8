// Lamps, lights and shadows: the sun, two auxiliary spot lights, the ambient
// colour, one device light per placed lamp (sorted into a grid of cells so
// that only the lamps near the object being drawn are switched on), the light
// lamps throw on the ground at night, lamp halos, the shadow sprites under
// plants, and the lighting-texture and lamp-information lists.
#pragma once

#include <cstdio>
#include <unordered_set>
#include <vector>

#include "platform/d3d8types.h"

struct DISPLAY_BUFFER;

struct LAMP_INFO {
    int id = 0;                 // objId of the lamp type
    int type = 1;               // 2 spot, 1 point
    float offsetX = 0.0f, offsetY = 0.0f, offsetZ = 0.0f;
    int colour = 0;             // 0xRRGGBB
    float rangeFactor = 0.0f;
    float attenuation0 = 0.0f, attenuation1 = 0.0f, attenuation2 = 0.0f;
    int halo = 0;
    float haloSize = 0.0f;
};

struct LAMP_LIGHT {
    LAMP_LIGHT* prev = nullptr;
    LAMP_LIGHT* next = nullptr;
    D3DLIGHT8 light = {};
    int colourCode = -1;        // lamp information colour, -1 white, -52 warm
    float rangeFactor = 1.0f;
    int index = 0;              // device light index
    LAMP_LIGHT** head = nullptr;  // the list the light is linked into
    float offset[3] = {};       // relative to the lamp object, before its heading is applied
    int halo = 0;
    float haloSize = 1.0f;
    int kind = 1;
    const void* owner = nullptr;  // the lamp object that made the light
};

// The colour codes a lamp light can carry besides a lamp information colour.
constexpr int LAMPCOLOUR_WHITE = -1;
constexpr int LAMPCOLOUR_WARM = -52;

class LIGHTLIST {
public:
    static constexpr int MAXLIGHTINDEX = 999;      // device light indices 1..999
    static constexpr int FIRSTLAMPINDEX = 3;       // 0 sun, 1 and 2 auxiliary lights
    static constexpr int MAXLIGHTINGTEXTURES = 500;
    static constexpr int MAXLAMPINFOS = 500;
    static constexpr float CELLSIZE = 7.0f;
    static constexpr int MAXSPRITES = 1000;
    static constexpr int SPRITEBUFFERBYTES = 480000;
    static constexpr int SPRITEVERTEXSIZE = 20;
    static constexpr unsigned SPRITEFVF = 258;
    static constexpr int SECTIONSIZE = 120;        // bytes of the current lighting section
    static constexpr int OLDSECTIONSIZE = 116;     // versions 10 and 12

    LIGHTLIST();
    ~LIGHTLIST();
    LIGHTLIST(const LIGHTLIST&) = delete;
    LIGHTLIST& operator=(const LIGHTLIST&) = delete;

    // Lists read at start-up.
    void LoadLightingTextures();
    void LoadLampInfos();
    void ReadLightingTextureFile(const char* fileName);
    void ReadLampInfoFile(const char* fileName);
    int IsLightingTexture(const char* fileName) const;
    int HasLampInfo(int objId) const;
    int GetLampInfo(int objId, LAMP_INFO* out) const;
    int GetLightingTextureCount() const { return lightingTextureCount; }
    int GetLampInfoCount() const { return lampInfoCount; }
    const char* GetLightingTextureName(int i) const;

    // Lamp lights.
    LAMP_LIGHT* AddLight(float x, float y, float z, float heading, int kind, int haloFlag, float lightHeight,
                         int objId);
    void MoveLight(LAMP_LIGHT* light, float x, float y, float z, float heading);
    void RemoveLight(LAMP_LIGHT* light);
    void RemoveAllLights();
    int IsLight(const LAMP_LIGHT* light) const;
    int GetLightCount() const { return (int)liveLights.size(); }
    void InitLightGrid();
    void InitLightGridSize(float width, float depth);
    void SwitchOnNearLights(float x, float y);
    void SwitchOffNearLights();
    int IsLitByLamp(float x, float y) const;
    void LightGround();
    int GetRows() const { return rows; }
    int GetCols() const { return cols; }
    // Row and column of the cell holding (x, y); false without a grid.
    bool GetCell(float x, float y, int* row, int* col) const;
    LAMP_LIGHT* GetCellList(int row, int col) const;
    LAMP_LIGHT* GetUnplacedList() const { return unplaced; }
    int GetEnabledLightCount() const { return enabledCount; }

    // Sun, ambient, night and day.
    void SetNightAndLamps(int night, int lampsOn);
    void SetFullAmbient();
    void RestoreAmbient();
    void ApplySun();
    void SwitchSun(int on);
    void SetAmbientColor(unsigned colour);
    void ApplyAmbient(int level);
    void SetSunColor(unsigned colour);
    void SetSunAngle(float degrees);
    void SwitchAuxLight(int on, int which);
    void SetAuxLightDirection(float x, float y, float z, int which);
    int IsNight() const { return night; }
    int GetLampsOn() const { return lampsOn; }
    unsigned GetAmbientColor() const { return ambientColour; }
    int GetAmbientLevel() const { return ambientLevel; }
    float GetSunAngle() const { return sunAngle; }
    const D3DLIGHT8& GetSun() const { return sun; }
    const D3DLIGHT8& GetAuxLight(int which) const { return which == 2 ? aux2 : aux1; }
    int IsFullAmbient() const { return fullAmbient; }

    // Shadow sprites.
    void InitLightSpriteBuffer();
    void StartBuildShadowSprites();
    void AddShadowSprite(float x, float y);
    void EndBuildShadowSprites();
    int GetShadowTriangleCount() const { return spriteTriangles; }
    int GetShadowSpriteCount() const { return spritesAdded; }

    // Drawing and the device.
    void RenderLightSprites();
    void RenderLightHalos();
    void RestoreDeviceObjects();
    void DeleteDeviceObjects();

    // Layout section 11.
    int Save(FILE* file);
    int Load(FILE* file);

private:
    void SendLight(const LAMP_LIGHT* l);
    void SendSun();
    void SetDeviceAmbient(unsigned colour);
    void LinkLight(LAMP_LIGHT* l);
    void UnlinkLight(LAMP_LIGHT* l);
    void ComputeSunDirection();
    void EnableLight(int index, int on);
    void SetRowsCols(int newRows, int newCols, float width, float depth);
    void AddShadowTriangle(int i0, int j0, float u0, float v0, int i1, int j1, float u1, float v1, int i2, int j2,
                           float u2, float v2);

    int night = 0;
    int lampsOn = 0;
    int sunIndex = 0;
    float sunAngle = 45.0f;
    unsigned ambientColour = 0;
    int ambientLevel = 0;
    D3DLIGHT8 sun = {};
    D3DLIGHT8 aux1 = {};
    D3DLIGHT8 aux2 = {};
    LAMP_LIGHT* unplaced = nullptr;
    std::vector<LAMP_LIGHT*> cells;  // rows x cols list heads
    int rows = 0, cols = 0;
    float minX = 0.0f, maxX = 0.0f, minY = 0.0f, maxY = 0.0f;
    float cellSize = CELLSIZE;
    unsigned char indexFree[MAXLIGHTINDEX + 1] = {};
    int activeFirstRow = -1, activeFirstCol = -1, activeLastRow = -1, activeLastCol = -1;
    int activeRow = -1, activeCol = -1;
    int lightsOn1 = 0, lightsOn2 = 0;
    int enabledCount = 0;
    int fullAmbient = 0;
    DISPLAY_BUFFER* spriteBuffer = nullptr;
    unsigned char* spriteData = nullptr;
    int spriteTriangles = 0;
    int maxSprites = 0;
    int spritesAdded = 0;
    int spriteCells = 2;
    int spriteVertexLimit = 0;
    char lightingTextures[MAXLIGHTINGTEXTURES][32] = {};
    int lightingTextureCount = 0;
    LAMP_INFO lampInfos[MAXLAMPINFOS];
    int lampInfoCount = 0;
    std::unordered_set<const LAMP_LIGHT*> liveLights;
};

extern LIGHTLIST lightList;
