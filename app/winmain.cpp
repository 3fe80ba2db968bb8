#include "app/winmain.h"

#include <atomic>

#include "app/gamestate.h"
#include "app/input.h"
#include "app/messagequeue.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "editor/editor.h"
#include "gfx/display.h"
#include "gfx/myfont.h"
#include "gfx/render.h"
#include "gfx/screensprites.h"
#include "gfx/texturemanager.h"
#include "platform/d3d8.h"
#include "platform/dinput.h"
#include "rail/control.h"
#include "rail/highscores.h"
#include "rail/layoutstate.h"
#include "rail/manualcontrol.h"
#include "rail/track.h"
#include "rail/trackaddition.h"
#include "rail/train.h"
#include "sound/soundmanager.h"
#include "ui/screenlist.h"
#include "ui/window.h"
#include "world/aterrobj.h"
#include "world/lightlist.h"
#include "world/smoke.h"
#include "world/terrain.h"
#include "world/terrobj.h"
#include "world/water.h"

int gameState = START_STATE;
int frameTime = 1;
int currentTime = 0;

namespace {
bool frameClockStarted = false;
DWORD previousTick = 0;
int frameRateCount = 0;
int frameRateAccumulator = 0;
int frameRate = 0;
}  // namespace

void ResetFrameClock() {
    frameClockStarted = false;
    previousTick = 0;
    frameTime = 1;
    currentTime = 0;
    frameRateCount = frameRateAccumulator = frameRate = 0;
}

int WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    myGlobs.ReadCommandLine(commandLine);
    int code = 0;
    if (!InitProgram(instance, showCommand, &code)) return 1;
    WriteStartLog("Begin message loop...");
    while (!myGlobs.quit) RunLoopTurn();
    return 0;
}

void RunLoopTurn() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (myGlobs.quit || !myGlobs.running) return;
    if (!myGlobs.appActive && gameState != LOADING_STATE) {
        // Nothing to draw while inactive; give the processor back briefly
        // instead of spinning on an empty message queue.
        Sleep(1);
        return;
    }
    RunFrameLogic();
    UpdateMouse();
    UpdateFrame();
    RenderFrame();
    if (!display.IsFullscreen()) {
        mouseLeftUp = mouseLeftDown = mouseRightUp = mouseRightDown = 0;
    }
    myGlobs.keyTabPressed = keyEnterPressed = keyLeftPressed = keyRightPressed = 0;
    EndInputFrame();
}

int InitProgram(HINSTANCE instance, int showCommand, int* errorCode) {
    trainList.LoadAllDetachInfo();
    lightList.LoadLightingTextures();
    lightList.LoadLampInfos();
    *errorCode = 0;
    if (!display.Init(instance, showCommand, errorCode)) {
        WriteStartLog("Display could not be initialized!!!");
        WriteStartLog("Error code: ", NOLINEEND);
        WriteStartLogInt(*errorCode);
        MessageBoxA(display.GetWindowHandle(), texts.Get(327), texts.Get(326), MB_OK);
        return 0;
    }
    screenSprites.Init();
    display.BeginFrame(0);
    display.EndFrame();
    if (IDirect3DDevice8* device = display.GetDevice()) device->Present(nullptr, nullptr, nullptr, nullptr);
    InitFonts();
    lightList.InitLightSpriteBuffer();
    smokeSystem.InitVB();
    LoadStartTextures();
    if (display.IsFullscreen()) {
        if (!InitDirectInput(instance)) {
            WriteStartLog("***** DirectInput init failed!");
            *errorCode = 200;
            return 0;
        }
        WriteStartLog("***** DirectInput init passed...");
    }
    if (soundManager.Init())
        WriteStartLog("***** DirectSound init passed...");
    else
        WriteStartLog("***** DirectSound init failed!");
    myGlobs.running = 1;
    WriteStartLog("***** Init ended...");
    return 1;
}

LRESULT CALLBACK MainWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            ShutDown();
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_ACTIVE && myGlobs.running) {
                while (ShowCursor(FALSE) > 0) {
                }
                if (display.IsFullscreen() && mouseDevice) {
                    mouseDevice->Acquire();
                    mouseAcquired = 1;
                }
            }
            return 0;
        case WM_ACTIVATEAPP:
            myGlobs.appActive = wParam != 0;
            if (!wParam && myGlobs.running) {
                ShowCursor(TRUE);
                if (mouseAcquired && mouseDevice) mouseDevice->Unacquire();
                mouseAcquired = 0;
            }
            return 0;
        case WM_PAINT:
            DefWindowProcA(wnd, message, wParam, lParam);
            return 0;
        case WM_SIZE:
        case WM_MOVE:
            return 0;
        case WM_KEYDOWN:
            HandleKeyDown(wParam);
            return 0;
        case WM_KEYUP:
            HandleKeyUp(wParam);
            return 0;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            if (!display.IsFullscreen()) HandleWindowMouse(message, lParam);
            return 0;
        default:
            return DefWindowProcA(wnd, message, wParam, lParam);
    }
}

void RunFrameLogic() {
    RunGameState();
    myGlobs.sceneVisible = (gameState == 8 || gameState == 20 || gameState == 21 || gameState == 22 ||
                            gameState == 23)
                               ? 1
                               : 0;
}

void UpdateFrame() {
    UpdatePauseKey();
    layoutState.AccumulateTime();
    aterrobjList.UpdateAll();
    UpdateMouseGroundPoint();
    manualControlTable.HandleInput();
    screenList.Update();
    ActEditorCamera();
    ActEditorSelection();
    ActEditorWindows();
    controlList.Update();
    layoutState.Autosave();
    trainList.Move();
    trainList.UpdatePoses();
    trainList.UpdateAll();
    trackAdditionList.UpdateAll();
    water.UpdateBump();
    smokeSystem.Update();
    soundManager.Update();
    terrobjList.Update();
    UpdateCamera(0);
}

int RenderFrame() {
    DWORD clearColour = gameState == EDITOR_RUN_STATE ? display.GetFogColor() : 0xff000000;
    smokeSystem.FillVB();
    screenSprites.LockSpriteVB();
    screenSprites.LockScreenfixVB();
    controlList.DrawAllControlFX();
    if (layoutState.IsShowGrid()) DrawScreenGrid();
    RunMenuPanel(4, nullptr);
    screenList.Draw();
    manualControlTable.Draw();
    messageQueue.Draw();
    highscores.Draw();
    layoutState.DrawSelectionRect();
    DrawPauseText();
    windowList.Draw();
    DrawLoadingScreen();
    DrawFrameRate();
    screenSprites.UnlockSpriteVB();
    screenSprites.UnlockScreenfixVB();
    water.AnimateTexture();
    terrain.UpdateEditCursor();

    if (!display.BeginFrame(clearColour)) return 1;

    terrain.Render(lightList.IsNight());
    if (!terrain.IsGridView()) lightList.RenderLightSprites();
    trackList.Render();
    trackAdditionList.RenderAll();
    controlList.RenderMarkers();
    trainList.RenderLit();
    terrobjList.Render(1);
    DrawPlacementPreview(mouseWorldX, mouseWorldY, 1);
    smokeSystem.Render();
    terrobjList.Render(2);
    DrawPlacementPreview(mouseWorldX, mouseWorldY, 2);

    screenSprites.LockBillboardVB();
    trackList.DrawTrackInfo();
    terrobjList.DrawLabels();
    controlList.DrawLabels();
    screenSprites.UnlockBillboardVB();
    screenSprites.RenderBillboards();

    trainList.Render();
    lightList.RenderLightHalos();
    terrobjList.DrawSelectionMarks();
    trainList.DrawSelectionMarkers();

    screenSprites.RenderScreenfixInScene();
    screenSprites.RenderSprites();
    display.EndFrame();

    windowList.DrawPreviews();
    screenSprites.RenderScreenfixOverlay();
    if (IDirect3DDevice8* device = display.GetDevice()) device->Present(nullptr, nullptr, nullptr, nullptr);

    if (myGlobs.keyTabPressed) terrain.SetBaseTexture(0);
    TakeScreenshot();
    std::atomic_ref<int>(myGlobs.frameCounter).fetch_add(1);  // shared with the music thread
    return 1;
}

void MeasureFrameTime() {
    if (!frameClockStarted) {
        previousTick = timeGetTime();
        frameClockStarted = true;
    }
    DWORD now = timeGetTime();
    while (now == previousTick) now = timeGetTime();
    DWORD elapsed = now - previousTick;
    frameTime = elapsed > 100 ? 100 : static_cast<int>(elapsed);
    currentTime += frameTime;
    previousTick = now;
}

void DrawFrameRate() {
    MeasureFrameTime();
    ++frameRateCount;
    frameRateAccumulator += frameTime;
    if (frameRateAccumulator > 999) {
        frameRateAccumulator -= 1000;
        frameRate = frameRateCount;
        frameRateCount = 0;
    }
    if (gameState == EDITOR_RUN_STATE && myGlobs.showFramerate) {
        DrawFontNumber(3, 100, frameRate, "fontp", 17, 0xffffffff, 4);
        DrawFontText(30, 100, "FpS", "fontp", 17, 0xffffffff, 4, -1);
    }
}

void ShutDown() {
    myGlobs.running = 0;
    WriteStartLog("**************** STARTING SHUT DOWN ****************");
    DeleteDeviceObjects();
    textureManager.ReleaseAllTextures();
    ReleaseGlobals();
    ReleaseDirectInput();
    display.CleanUp();
    myGlobs.quit = 1;
}
