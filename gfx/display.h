// The display: main window, Direct3D object and device, display modes, the
// default material and render states, projections, the orbit and follow
// cameras, frame begin/end with the lost-device path, the registry of vertex
// and index buffers, the set-up dialog's mode table and screenshots.
#pragma once

#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

#include "platform/d3d8.h"
#include "platform/d3dx8math.h"

// One node of the buffer registry. Owners keep the node pointer as their
// handle and fetch the interfaces with DISPLAY::GetVB / DISPLAY::GetIB at
// every use, since a reset replaces the interfaces of non-managed nodes.
struct DISPLAY_BUFFER {
    DISPLAY_BUFFER* prev = nullptr;
    DISPLAY_BUFFER* next = nullptr;
    IDirect3DVertexBuffer8* vertexBuffer = nullptr;
    int vertexBytes = 0;
    IDirect3DIndexBuffer8* indexBuffer = nullptr;
    int indexBytes = 0;
    DWORD fvf = 0;
    int managed = 0;
};

// One entry of the mode table: width, height, refresh rate, format.
struct DISPLAY_MODE {
    UINT width;
    UINT height;
    UINT refreshRate;
    UINT format;
};

constexpr int MAXDISPLAYMODES = 100;
constexpr int DISPLAY_WINDOWWIDTH = 952;
constexpr int DISPLAY_WINDOWHEIGHT = 714;

// Error codes of DISPLAY::Init.
constexpr int DISPLAYERR_D3D = 10;
constexpr int DISPLAYERR_DESKTOPMODE = 20;
constexpr int DISPLAYERR_WINDOW = 25;
constexpr int DISPLAYERR_DEVICE = 30;
constexpr int DISPLAYERR_VIEWPORT = 40;
constexpr int DISPLAYERR_NOMODE = 50;

class DISPLAY {
public:
    DISPLAY();
    ~DISPLAY();
    DISPLAY(const DISPLAY&) = delete;
    DISPLAY& operator=(const DISPLAY&) = delete;

    // Lifetime and frame
    int Init(HINSTANCE instance, int showCommand, int* errorCode);
    void SetDefaults();
    void RestoreRenderStates();
    int BeginFrame(DWORD clearColour);
    void EndFrame();
    void CleanUp();
    void SetDisplayMode(int depth, int fullscreenFlag, int hardwareFlag, int width, int height);
    int GetModeCount() const { return modeCount; }
    int GetMode(int index, DISPLAY_MODE* out) const;

    // The default state table: the value DISPLAY::RestoreRenderStates sets
    // for a render state or texture-stage state (drawing code restores the
    // states it changed from these). States outside the table answer the
    // device's own default.
    DWORD GetDefaultRenderState(D3DRENDERSTATETYPE state) const;
    DWORD GetDefaultTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const;
    void RestoreRenderState(D3DRENDERSTATETYPE state);
    void RestoreTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type);

    // Buffer registry
    DISPLAY_BUFFER* AddVertexBuffer(DWORD fvf, int vertexBytes, int indexBytes, int managed, DISPLAY_BUFFER* node);
    void RemoveVertexBuffer(DISPLAY_BUFFER** handle);
    IDirect3DVertexBuffer8* GetVB(DISPLAY_BUFFER* node) const;
    IDirect3DIndexBuffer8* GetIB(DISPLAY_BUFFER* node) const;
    void ReleaseDynamicBuffers();
    void RecreateDynamicBuffers();
    DISPLAY_BUFFER* GetFirstBuffer() const { return buffers; }

    // Camera
    void UpdateView(int force, float targetX, float targetY);
    void SetView(const D3DXVECTOR3& eyePoint, const D3DXVECTOR3& lookAtPoint, const D3DXVECTOR3& upVector);
    void GetCamera(D3DXVECTOR3* eyeOut, D3DXVECTOR3* lookAtOut, D3DXVECTOR3* upOut) const;
    void GetCameraAngles(float* yaw, float* pitch, float* distance) const;
    void SetCameraAngles(const float* yaw, const float* pitch, const float* distance);
    void SetCameraAngles(float yaw, float pitch, float distance);
    void GetBillboardMatrix(D3DXMATRIX* out, int which) const;
    void SetInterfaceView();
    void RestoreSceneView();
    int IsEyeInsideBox(float minX, float minY, float minZ, float maxX, float maxY, float maxZ, float posX,
                       float posY, float posZ, float heading) const;
    void SaveCamera(FILE* file) const;
    void LoadCamera(FILE* file);
    void SetFogColor(DWORD colour);
    DWORD GetFogColor() const { return fogColor; }
    void GetFogRange(float* start, float* end) const;
    void GetSecondFogRange(float* start, float* end) const;
    void GetFollowValues(float* heading, float* lastHeading, float* orbit, float* zoom) const;
    void SetFollowValues(float heading, float lastHeading, float orbit, float zoom);

    // Getters
    IDirect3DDevice8* GetDevice() const { return device; }
    IDirect3D8* GetD3D() const { return d3d; }
    HWND GetWindowHandle() const { return window; }
    int IsFullscreen() const { return fullscreen; }
    int Is16BitColour() const { return colorDepth != 32; }
    int GetHardwareTnL() const { return hardwareTnL; }
    D3DFORMAT GetBackBufferFormat() const { return backBufferFormat; }
    D3DFORMAT GetTextureFormat() const { return textureFormat; }
    int GetScreenWidth() const { return screenWidth; }
    int GetScreenHeight() const { return screenHeight; }
    float GetAspectRatio() const { return aspectRatio; }
    float GetNearPlane() const { return nearPlane; }
    float GetFarPlane() const { return farPlane; }
    void GetViewport(D3DVIEWPORT8* out) const {
        if (out) *out = viewport;
    }
    void GetCaps(D3DCAPS8* out) const {
        if (out) *out = caps;
    }
    void GetViewMatrix(D3DXMATRIX* out) const {
        if (out) *out = viewMatrix;
    }
    void GetProjectionMatrix(D3DXMATRIX* out) const {
        if (out) *out = projMatrix;
    }
    D3DXVECTOR3 GetMouseRayPoint() const { return mouseRayPoint; }
    void SetMouseRayPoint(const D3DXVECTOR3& point) { mouseRayPoint = point; }
    int GetColorDepth() const { return colorDepth; }
    int GetRequestedWidth() const { return requestedWidth; }
    int GetRequestedHeight() const { return requestedHeight; }
    const D3DPRESENT_PARAMETERS& GetPresentParameters() const { return presentParams; }

    // Screenshots
    int TakeScreenshot(char* fileNameOut, int fileNameSize);
    int SaveBitmap(int width, int height, const BYTE* pixels, char* fileNameOut, int fileNameSize, int pitch = 0);

    // Test support: builds the mode table from the adapter as Init does
    // (answers 0 when no mode is usable).
    int BuildModeTable();
    // Test support: creates the default state tables without a device.
    void ResetForTest();

    // --- members read directly by the drawing code ---
    D3DMATERIAL8 material{};
    IDirect3DDevice8* device = nullptr;
    IDirect3D8* d3d = nullptr;

private:
    void BuildStateTable(int wireframe);
    int CreateWindowAndDevice(HINSTANCE instance, int showCommand, int* errorCode);
    void ApplyGroundClearance(D3DXVECTOR3& eyePoint, D3DXVECTOR3& lookAtPoint) const;
    void UpdateFollowCamera(float& headingOut);

    // Default state table (in the order RestoreRenderStates pushes it).
    struct StateEntry {
        int stage;  // -1 for a render state
        DWORD type;
        DWORD value;
    };
    std::vector<StateEntry> stateTable;
    DWORD fogColor = 0xff8b93d3;
    DWORD fogVertexMode = D3DFOG_LINEAR;
    float fogStart = 600.0f, fogEnd = 1200.0f;
    float secondFogStart = 600.0f, secondFogEnd = 900.0f;

    HWND window = nullptr;
    HINSTANCE instance = nullptr;
    D3DPRESENT_PARAMETERS presentParams{};
    D3DCAPS8 caps{};
    int colorDepth = 16;
    int fullscreen = 1;
    int hardwareTnL = 1;
    D3DFORMAT backBufferFormat = D3DFMT_R5G6B5;
    D3DFORMAT textureFormat = D3DFMT_A4R4G4B4;
    D3DFORMAT depthFormat = D3DFMT_D16;
    int windowWidth = DISPLAY_WINDOWWIDTH, windowHeight = DISPLAY_WINDOWHEIGHT;
    int requestedWidth = 0, requestedHeight = 0;
    int screenWidth = 0, screenHeight = 0;
    DISPLAY_MODE modes[MAXDISPLAYMODES] = {};
    int modeCount = 0;
    D3DVIEWPORT8 viewport{};
    float nearPlane = 0.3f, farPlane = 200.0f;
    D3DXVECTOR3 up{0, 0, 0}, eye{0, 0, 0}, lookAt{0, 0, 0}, mouseRayPoint{0, 0, 0};
    float camDistance = 13.0f, camPitch = -0.5235988f, camYaw = 1.5707964f;
    float followHeading = 0.0f, followLastHeading = 0.0f, followOrbit = 0.0f, followZoom = 1.15f;
    float aspectRatio = 4.0f / 3.0f;
    D3DXMATRIX viewMatrix, inverseViewMatrix, billboardTilt, projMatrix, interfaceProjMatrix;
    DISPLAY_BUFFER* buffers = nullptr;

    // Remembered between UpdateView calls
    bool viewRemembered = false;
    float lastTargetX = 0, lastTargetY = 0, lastDistance = 0, lastYaw = 0, lastPitch = 0;
    int lastWheel = 0;
    int lostNoted = 0;
};

extern DISPLAY display;

// Test hook: called with the owner's name before each after-reset hook.
void SetResetHookObserverForTest(std::function<void(const char*)> observer);
void NoteResetHook(const char* name);

// Releases the device objects of the lights before the display goes away.
void DeleteDeviceObjects();
