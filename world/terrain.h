// The tiled terrain: a regular grid of vertices over whole tiles of 14.0 units,
// each tile cut into 20 x 20 cells of 0.7. Heights are z, growing downward.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "platform/d3dx8math.h"

struct DISPLAY_BUFFER;

constexpr int TERRAIN_MAXTILES = 225;           // W x D never passes this
constexpr int TERRAIN_MAXSIDE = 99;             // W and D each 1..99
constexpr int TERRAIN_TILECELLS = 20;           // cells across one tile
constexpr float TERRAIN_TILESIZE = 14.0f;       // world units across one tile
constexpr float TERRAIN_CELLSIZE = 0.7f;        // world units across one cell
constexpr int TERRAIN_TILEVERTICES = 2400;      // 20 x 20 cells x 6 corners
constexpr int TERRAIN_BASEVERTICES = 150;       // 30 skirt + up to 101 brush circle vertices
constexpr int TERRAIN_SKIRTVERTICES = 30;
constexpr int BLUR_BUFFERVERTICES = 9000;       // one blur buffer: 3000 triangles
constexpr int BLUR_BUFFERTRIANGLES = 3000;
constexpr int BLUR_MAXBUFFERS = 20;
constexpr int BLUR_MAXENTRIES = 60000;
constexpr int BLUR_SLOT = 63;                   // the atlas slot under blur triangles
constexpr int TERRAIN_ATLASSLOT = 1;            // texture slot of the ground atlas
constexpr int TERRAIN_GRIDSLOT = 18;            // texture slot of the grid view
constexpr DWORD TERRAIN_VERTEX_FVF = 594;       // position, normal, diffuse, two texture pairs

// One corner of one cell triangle: colour (alpha = weight of the second
// texture), the atlas coordinates of both textures and the two texture
// indices (second -1 = none).
struct UV_COMPONENT {
    uint32_t color;
    float tu1, tv1;
    float tu2, tv2;
    int32_t texture1;
    int32_t texture2;
};
static_assert(sizeof(UV_COMPONENT) == 28);

// Position and normal of one grid vertex.
struct REAL_TERRAIN_VERTEX {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
};
static_assert(sizeof(REAL_TERRAIN_VERTEX) == 24);

// The vertex drawn for the ground (flexible vertex format 594).
struct TERRAIN_VERTEX {
    float x, y, z;
    float nx, ny, nz;
    uint32_t color;
    float tu1, tv1;
    float tu2, tv2;
};
static_assert(sizeof(TERRAIN_VERTEX) == 44);

struct TERRAIN_TILE {
    DISPLAY_BUFFER* vertexBuffer = nullptr;  // 2400 terrain vertices, managed
    int filled = 0;                          // drawn only when set
    int changed = 0;                         // set by the paint and shade tools
};

// A triangle that blends more than two ground textures. Role 0 names the
// first triangle of cell (i, j) by its corner (i, j); role 5 names the second
// triangle of cell (i-1, j-1) by its corner (i, j).
struct BLUR_ENTRY {
    int32_t i;
    int32_t j;
    int32_t role;
    int32_t free;  // 1 = free
};

// The corner roles of a vertex: for role r, the two other corners of its
// triangle as (role, di, dj) relative to the vertex holding role r.
struct TERRAIN_ROLE_CORNER {
    int role;
    int di;
    int dj;
};
extern const TERRAIN_ROLE_CORNER terrainRoleTable[6][2];

class TERRAIN2 {
public:
    TERRAIN2();
    ~TERRAIN2();
    TERRAIN2(const TERRAIN2&) = delete;
    TERRAIN2& operator=(const TERRAIN2&) = delete;

    // --- creation and size ---
    int CreateTerrain(int w, int d);
    void ClampSize(int& w, int& d);
    bool Resize(int w, int d);
    void Release();
    void GetTileCounts(int* w, int* d) const;
    void GetWorldSize(float* width, float* depth) const;
    int IsCreated() const { return vRealTerrain != nullptr; }
    int GetGridX() const { return gridX; }
    int GetGridY() const { return gridY; }
    int GetVertexCount() const { return vertexCount; }

    // --- heights and picking ---
    float GetHeight(float x, float y, int cap) const;
    float GetHeight(int objId, float x, float y) const;
    int PickUnderMouse(float* x, float* y, float* z, int cap);
    int PickForObject(int objId, float* x, float* y, float* z);
    // The pick along a known ray: from the eye toward the target point.
    int PickAlongRay(const D3DXVECTOR3& eye, const D3DXVECTOR3& target, float* x, float* y, float* z, int cap) const;
    int IsCursorOnTerrain();

    // --- grid helpers ---
    void GetGridIndices(float x, float y, int* i, int* j) const;
    int IsInGrid(int i, int j) const { return i >= 0 && j >= 0 && i <= gridX && j <= gridY && vRealTerrain; }
    int VertexIndex(int i, int j) const { return i * (gridY + 1) + j; }
    int GetVertexPosition(int i, int j, D3DXVECTOR3* position) const;
    int GetVertexNormal(int i, int j, D3DXVECTOR3* normal) const;
    float GetVertexHeight(int i, int j) const;
    void SetVertexHeight(int i, int j, float z);
    const UV_COMPONENT* GetUVComponent(int i, int j, int role) const;
    uint32_t GetSavedColor(int i, int j) const;
    // Adds a light to a vertex: (r, g, b) onto the RGB of its role-0 colour,
    // each channel capped at 255, written into all six records.
    void AddVertexLight(int i, int j, int r, int g, int b);

    // --- normals, textures, tiles ---
    void ComputeNormals();
    void ComputeNormal(int i, int j);
    static void GetTextureUV(int t, float x, float y, float* umin, float* umax, float* vmin, float* vmax);
    static void GetRoleUV(int t, float x, float y, int role, float* u, float* v);
    void RefreshTiles(int ti, int tj);
    int GetTileFilled(int ti, int tj) const;
    const TERRAIN_TILE* GetTile(int ti, int tj) const;

    // --- blur table and triangles ---
    void AddBlurEntry(int i, int j, int role);
    void RemoveBlurEntry(int i, int j, int role);
    int FindBlurEntry(int i, int j, int role) const;
    int GetBlurTableLength() const { return blurLength; }
    const BLUR_ENTRY& GetBlurEntry(int index) const { return blurTable[index]; }
    int GetBlurEntriesInUse() const;
    void BuildBlurTriangles();
    int GetBlurBufferCount() const { return blurBufferCount; }
    int GetBlurBufferTriangles(int buffer) const;
    const TERRAIN_VERTEX* GetBlurBufferVertices(int buffer) const;
    int GetBlurTotal() const { return blurTotal; }
    void SetBlurVisible(int flag) { blurVisible = flag; }
    int GetBlurVisible() const { return blurVisible; }

    // --- drawing ---
    void BuildBase();
    void RebuildBase() { BuildBase(); }
    void Render(int night);
    void RenderBase(int night);
    void RenderTiles(int night);
    void RenderBlurTriangles(int night);
    void RenderEditCursor();
    void UpdateEditCursor();
    int GetEditCursorCount() const { return cursorVertexCount; }
    int IsEditCursorValid() const { return cursorValid; }
    D3DXVECTOR3 GetCursorPoint() const { return cursorPoint; }

    // --- night lighting ---
    void SetNightLighting(int on, int kind);
    void UpdateNightLighting();
    int GetNightLighting() const { return nightLighting; }

    // --- layout section ---
    int Save(FILE* file);
    int Load(FILE* file);

    // --- switches ---
    void ToggleGridView() { gridView = !gridView; }
    void SetGridView(int flag) { gridView = flag ? 1 : 0; }
    int IsGridView() const { return gridView; }
    void SetPaintTexture(int index) { paintTexture = index; }
    int GetPaintTexture() const { return paintTexture; }
    void GetShadeChannels(int* red, int* green, int* blue) const;
    void SetShadeChannels(int red, int green, int blue);
    void SetEditCursorOn(int flag) { cursorOn = flag; }
    void SetEditCursorFollow(int flag) { cursorFollow = flag; }
    void SetEditCursorRepick(int flag) { cursorRepick = flag; }

    // --- editing tools ---
    void SetBrushSize(float v);
    float GetBrushSize() const { return brushSize; }
    float GetBrushRadius() const;
    float GetRaiseFactor() const { return raiseFactor; }
    float GetPaintFactor() const { return paintFactor; }
    void RaiseLowerAtCursor(int value, int mode);
    int FlattenAtCursor(int mode);
    void PaintCell();
    int PaintBrush();
    void ShadeAtCursor(int darken);
    void SetBaseTexture(int index);
    int GetBaseTexture() const { return baseTexture; }
    int CountBaseTexture() const;
    void FormUnderPiece(float x, float y, float z, float halfLength, float halfWidth, float heading, float slope);
    // The tools at a known ground point (the cursor entries above pick the
    // point under the mouse first).
    void RaiseLowerAt(float px, float py, int value, int mode);
    void FlattenAt(float px, float py, int mode, int frameMs);
    void PaintCellAt(float px, float py);
    void PaintBrushAt(float px, float py);
    void ShadeAt(float px, float py, int darken);
    void PaintTriangle(int i, int j, int role, int a, int b, int c);
    // Corner k (0 anchor, 1 second, 2 third) of the triangle of role `role`
    // held by vertex (i, j).
    void CornerOf(int i, int j, int role, int k, int* ci, int* cj, int* cr) const;

private:
    void ResetSizes();
    bool AllocateArrays(int n);
    void FreeArrays();
    void FreeTileBuffers();
    void FreeBlurBuffers();
    int AddBlurBuffer();
    void FillTile(int ti, int tj);
    void InitVertex(int i, int j);
    void MarkTileOfVertex(int i, int j);
    void RefreshChangedTiles();
    void RefitObjects();
    void ApplyAmbientToGround();
    void ComputeRingNormals(int ci, int cj, int fromRing, int toRing);
    void BrushPaintRole(int i, int j, int role, float px, float py);
    int WeighCorner(int i, int j, int role, float px, float py);
    void DeriveTriangle(int i, int j, int role);
    UV_COMPONENT* Record(int i, int j, int role);
    void WriteEditCursor();
    TERRAIN_VERTEX* LockBase();
    void UnlockBase();

    int tilesW = 0;
    int tilesD = 0;
    std::unique_ptr<TERRAIN_VERTEX[]> stagingVertices;
    DISPLAY_BUFFER* baseBuffer = nullptr;
    DISPLAY_BUFFER* blurDeviceBuffer = nullptr;
    std::unique_ptr<TERRAIN_VERTEX[]> blurBuffers[BLUR_MAXBUFFERS];
    int blurVertexCount[BLUR_MAXBUFFERS] = {};
    int blurTriangleCount[BLUR_MAXBUFFERS] = {};
    int blurBufferCount = 0;
    int blurBuffersChanged = 0;
    TERRAIN_VERTEX* blurWrite = nullptr;
    int blurTotal = 0;
    std::unique_ptr<BLUR_ENTRY[]> blurTable;
    int blurLength = 0;
    int blurVisible = 1;
    float worldWidth = 0.0f;
    float worldDepth = 0.0f;
    int gridX = 0;
    int gridY = 0;
    int raiseCenterI = 0;
    int raiseCenterJ = 0;
    float raiseStep = 0.0f;
    float raiseCurrent = 0.0f;
    float raisePrevious = 0.0f;
    int gridView = 0;
    int paintTexture = 0;
    float raiseFactor = 0.03f;
    int vertexCount = 0;
    std::unique_ptr<REAL_TERRAIN_VERTEX[]> vRealTerrain;
    std::unique_ptr<uint32_t[]> saveColor;
    std::unique_ptr<UV_COMPONENT[]> vUVComponent;
    std::unique_ptr<int[]> bRealTerrainFormed;
    TERRAIN_TILE tiles[TERRAIN_MAXTILES];
    int tileChanged[TERRAIN_MAXTILES] = {};
    int shadeRed = 1;
    int shadeGreen = 1;
    int shadeBlue = 1;
    float paintFactor = 0.0f;
    int cursorOn = 0;
    int cursorFollow = 0;
    int cursorRepick = 0;
    int cursorValid = 0;
    int cursorVertexCount = 0;
    float brushSize = 0.0f;
    D3DXVECTOR3 cursorPoint{0.0f, 0.0f, 0.0f};
    float flattenLevel = 0.0f;
    float flattenX = 0.0f;
    float flattenY = 0.0f;
    int baseTexture = 0;
    int nightLighting = 0;

    // Raise stroke values kept from call to call.
    int raiseAccumulated = 0;
    int raiseLastValue = 0;
    int raisePreviousAccumulated = 0;
    float raiseCenterHeight = 0.0f;
    // The last shaded vertex.
    int shadeLastI = -1;
    int shadeLastJ = -1;
};

extern TERRAIN2 terrain;
