#include "app/gamestate.h"

#include <cmath>
#include <cstring>

#include "app/input.h"
#include "app/messagequeue.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "app/winmain.h"
#include "editor/editor.h"
#include "gfx/display.h"
#include "gfx/myfont.h"
#include "gfx/screensprites.h"
#include "gfx/texturemanager.h"
#include "rail/highscores.h"
#include "rail/layoutfile.h"
#include "rail/layoutstate.h"
#include "rail/objcontrol.h"
#include "rail/track.h"
#include "sound/soundmanager.h"
#include "ui/coordinates.h"
#include "ui/screenlist.h"
#include "ui/window.h"
#include "world/anglesound.h"
#include "world/lightlist.h"
#include "world/terrobj.h"
#include "world/xobject.h"

int stateEntered = 1;

namespace {

constexpr int kRestX[4] = {121, 660, 140, 678};
constexpr int kRestY[4] = {78, 215, 353, 490};
constexpr int kArmEnd = 64;
constexpr int kStartDelay = 300;
constexpr int kScreenWidth = 800;

struct MenuSlot {
    int armX = 0;
    int direction = 1;
    int restOffset = 0;
    int pendingOffset = 0;
    int active = 0;
    RECT rect{};
    int addedAtX = 0;
    MENU_ITEM current{};
    MENU_ITEM pending{};
};

struct MenuPanel {
    MenuSlot slot[4];
    float elapsed = 0;
    int moving = 0;
    int drawn = 0;
} panel;

bool loadingFinished = false;
bool loadingStarted = false;
bool twoLineMessageOpen = false;
bool screenshotPending = false;
bool pauseRequest = false;
int previousEditorState = -1;

MENU_ITEM Item(int id, int text, int restOffset, int width, int height, int clickable) {
    MENU_ITEM m{};
    m.id = id;
    m.kind = 16;
    if (text >= 0) CopyText(m.label, sizeof m.label, texts.Get(text));
    m.restOffset = restOffset;
    m.width = width;
    m.height = height;
    m.clickable = clickable;
    m.present = 1;
    return m;
}

MENU_ITEM Empty() {
    MENU_ITEM m{};
    m.kind = 16;
    return m;
}

void SetPanel(const MENU_ITEM (&records)[4]) {
    RunMenuPanel(2, records);
    RunMenuPanel(1, nullptr);
}

void PostClose() { PostMessageA(display.GetWindowHandle(), WM_CLOSE, 0, 0); }

void EnterEditor() {
    textureManager.ReleaseGTexture(21);
    textureManager.ReleaseGTexture(38);
    InitEditorToolbar();
    screenSprites.SetMenuMode(0);
    ResetLayoutCamera();
    lightList.ApplyAmbient(1);
    lightList.SwitchSun(1);
    ClearLayout();
    ResetJourney("editor");
    StartTableSizeEditing();
    NewLayout(4, 3);
    char layout[CMDTOKENLEN];
    myGlobs.GetCmdParam('l', layout, sizeof layout);
    if (!strcmp(layout, "NOCMDPARAM")) {
        ShowLoadWindow();
        editorState = 122;
    } else {
        CopyText(myGlobs.chosenFileName, sizeof myGlobs.chosenFileName, layout);
        editorState = 123;
    }
    SetEditorIdleStates();
    gameState = EDITOR_RUN_STATE;
    if (myGlobs.secondEdition) soundManager.PlayMusic("edit");
}

}  // namespace

void ResetGameStateForTest() {
    gameState = START_STATE;
    stateEntered = 1;
    panel = MenuPanel{};
    loadingFinished = loadingStarted = false;
    twoLineMessageOpen = screenshotPending = pauseRequest = false;
    previousEditorState = -1;
}

int IsPauseRequested() { return pauseRequest ? 1 : 0; }

void OpenTwoLineMessage(const char* first, const char* second) {
    ShowTwoLineMessageWindow(first ? first : "", second ? second : "");
    twoLineMessageOpen = true;
}

void CloseTwoLineMessage() { twoLineMessageOpen = false; }

void RunGameState() {
    if (twoLineMessageOpen) {
        ActWIN_MESSAGE();
        return;
    }
    switch (gameState) {
        case START_STATE: {
            if (stateEntered) {
                InitGameWindows();
            }
            char m[CMDTOKENLEN];
            myGlobs.GetCmdParam('m', m, sizeof m);
            if (!strcmp(m, "NO")) {
                screenList.Clear();
                gameState = LOADING_STATE;
            } else {
                gameState = MENU_ENTER_STATE;
            }
            break;
        }
        case MENU_ENTER_STATE:
            screenList.Clear();
            RunMenuPanel(5, nullptr);
            RunMenuPanel(0, nullptr);
            soundManager.PlaySound("fokep", 0, 0, 100, 0, nullptr);
            gameState = MENU_BUILD_STATE;
            break;
        case MENU_BUILD_STATE:
            if (stateEntered) {
                stateEntered = 0;
                screenSprites.SetMenuMode(1);
                ClearLayout();
                MENU_ITEM r[4] = {Item(589, 277, 100, 256, 128, 1), Empty(), Item(82, 291, 100, 256, 128, 1),
                                  Item(591, 279, 100, 256, 128, 1)};
                SetPanel(r);
            }
            if (RunMenuPanel(3, nullptr)) {
                gameState = MENU_STATE;
                stateEntered = 1;
            }
            break;
        case MENU_STATE: {
            int hit = screenList.HitItem(cursorX, cursorY);
            if (hit == 591) {
                gameState = QUIT_FADE_STATE;
            } else if (hit == 589) {
                screenList.Clear();
                gameState = LOADING_STATE;
            } else if (hit == 82) {
                gameState = INFO_STATE;
            }
            break;
        }
        case INFO_STATE:
            if (stateEntered) {
                stateEntered = 0;
                MENU_ITEM info = Item(107, -1, 30, 370, 310, 0);
                MENU_ITEM r[4] = {info, Empty(), Empty(), Item(86, 282, 90, 256, 128, 1)};
                SetPanel(r);
            }
            if (RunMenuPanel(3, nullptr)) {
                gameState = INFO_WAIT_STATE;
                stateEntered = 1;
            }
            break;
        case INFO_WAIT_STATE:
            if (stateEntered) {
                stateEntered = 0;
                ShowInfoWindow(1);
            }
            if (screenList.HitItem(cursorX, cursorY) == 86) {
                ShowInfoWindow(0);
                gameState = MENU_BUILD_STATE;
                stateEntered = 1;
            }
            break;
        case QUIT_FADE_STATE:
            if (stateEntered) {
                stateEntered = 0;
                MENU_ITEM r[4] = {Empty(), Empty(), Empty(), Empty()};
                SetPanel(r);
            }
            if (RunMenuPanel(3, nullptr)) {
                gameState = QUIT_STATE;
                stateEntered = 1;
            }
            break;
        case QUIT_STATE:
            if (stateEntered) {
                stateEntered = 0;
                PostClose();
            }
            break;
        case LOADING_STATE:
            if (!LoadGameData()) gameState = EDITOR_ENTER_STATE;
            break;
        case EDITOR_ENTER_STATE:
            EnterEditor();
            break;
        case EXIT_STATE:
            PostClose();
            gameState = CLOSED_STATE;
            break;
        default:
            break;
    }
}

int RunMenuPanel(int mode, const MENU_ITEM* records) {
    switch (mode) {
        case 5:
            for (MenuSlot& s : panel.slot) {
                s.current.present = 0;
                s.restOffset = 0;
            }
            return 1;
        case 0:
            for (int i = 0; i < 4; ++i) {
                MenuSlot& s = panel.slot[i];
                s.armX = kRestX[i];
                s.restOffset = s.pendingOffset = 0;
                s.direction = (i == 0 || i == 2) ? 1 : -1;
            }
            panel.elapsed = 0;
            panel.drawn = 0;
            return 1;
        case 2:
            if (!records) return 0;
            for (int i = 0; i < 4; ++i) {
                MenuSlot& s = panel.slot[i];
                s.pending = records[i];
                s.pendingOffset = records[i].present ? records[i].restOffset : 0;
            }
            return 1;
        case 1:
            panel.moving = 0;
            for (int i = 0; i < 4; ++i) {
                MenuSlot& s = panel.slot[i];
                s.direction = (i == 0 || i == 2) ? 1 : -1;
                s.active = (s.current.present || s.pending.present) ? 1 : 0;
                panel.moving += s.active;
            }
            panel.elapsed = 0;
            panel.drawn = 0;
            return 1;
        case 3: {
            panel.drawn = 1;
            panel.elapsed += static_cast<float>(frameTime);
            for (int i = 0; i < 4; ++i) {
                MenuSlot& s = panel.slot[i];
                const MENU_ITEM& p = s.pending;
                s.rect.left = (i == 0 || i == 2) ? s.armX + kArmEnd : s.armX - p.width - kArmEnd;
                s.rect.top = kRestY[i] - 53;
                s.rect.right = s.rect.left + p.width;
                s.rect.bottom = s.rect.top + p.height;
            }
            int arrived = 0;
            if (panel.elapsed >= kStartDelay) {
                int t = static_cast<int>(std::lround(panel.elapsed - kStartDelay));
                for (int i = 0; i < 4; ++i) {
                    MenuSlot& s = panel.slot[i];
                    if (!s.active) continue;
                    bool left = (i == 0 || i == 2);
                    auto swapRecords = [&s]() {
                        s.restOffset = s.pendingOffset;
                        if (s.current.present) screenList.RemoveItem(s.current.id);
                        s.current = s.pending;
                        if (s.current.present) {
                            // Menu items are labelled boxes on the interface sheet.
                            screenList.AddItem(s.current.id, 10, &s.rect, s.current.clickable, s.current.label,
                                               s.current.kind);
                            s.addedAtX = s.rect.left;
                        }
                    };
                    if (left && s.direction == 1) {
                        s.armX = t + kRestX[i] + s.restOffset;
                        if (s.armX > kScreenWidth) {
                            s.armX = kScreenWidth;
                            s.direction = -1;
                            swapRecords();
                        }
                    } else if (left) {
                        s.armX = 1600 - (t + kRestX[i]);
                        if (s.armX <= kRestX[i] + s.restOffset) {
                            s.armX = kRestX[i] + s.restOffset;
                            ++arrived;
                        }
                    } else if (s.direction == -1) {
                        s.armX = kRestX[i] - t - s.restOffset;
                        if (s.armX < 0) {
                            s.armX = 0;
                            s.direction = 1;
                            swapRecords();
                        }
                    } else {
                        s.armX = t - kRestX[i];
                        if (s.armX >= kRestX[i] - s.restOffset) {
                            s.armX = kRestX[i] - s.restOffset;
                            ++arrived;
                        }
                    }
                }
            }
            for (int i = 0; i < 4; ++i) {
                MenuSlot& s = panel.slot[i];
                if (!s.current.present) continue;
                // The item's edge sits at the arm's end: left of the item at
                // arm x + 64 for the arms from the left, right of the item at
                // arm x - 64 for those from the right.
                const int offset = (i == 0 || i == 2) ? s.armX - s.addedAtX + kArmEnd
                                                      : s.armX - s.addedAtX - s.current.width - kArmEnd;
                screenList.SetItemOffset(s.current.id, offset);
            }
            return arrived == panel.moving ? 1 : 0;
        }
        case 4: {
            if (!panel.drawn) return 0;
            int g = gameState;
            bool menu = g == 3 || g == 4 || (g >= 12 && g <= 19) || (g >= 24 && g <= 28) || (g >= 30 && g <= 35) ||
                        g == 40 || g == 41;
            if (!menu) return 0;
            screenSprites.AddWholeTextureSprite(0, 0, 800, 600, 15, 0xffffffff, 0);
            // Texts and arms go over the background, into the same batch.
            int savedBatch = screenSprites.GetUseSpriteBatch();
            screenSprites.SetUseSpriteBatch(1);
            if (myGlobs.secondEdition) {
                DrawFontText(467, 585, texts.Get(325), "fontp", 18, 0xb0ffae37, 0, -1);
                DrawFontText(12, 12, "Ver.: 1.5", "fontp", 18, 0xb0ffae37, 0, -1);
            } else {
                DrawFontText(630, 562, texts.Get(325), "fontp", 18, 0xb0ffffa0, 0, -1);
                DrawFontText(25, 557, "Ver.: 1.5", "fontp", 18, 0xb0ffffa0, 0, -1);
            }
            int e = myGlobs.secondEdition ? 2 : 0;
            for (int i = 0; i < 4; ++i) {
                const MenuSlot& s = panel.slot[i];
                int a = s.armX, r = kRestX[i], y = kRestY[i];
                int slide = s.current.present ? screenList.GetItemSlide(s.current.id) : 0;
                if (i == 0 || i == 2) {
                    DrawImageStretched(594, r + e, y, a - r + slide, 25, 10, 0);
                    DrawImageStretched(593, a + slide + e, y - 20, 64, 64, 10, 0);
                } else if (i == 1) {
                    DrawImageStretched(594, a + slide - e, y, r - a - slide, 25, 10, 0);
                    DrawImageStretched(592, a - 64 + slide - e, y - 20, 64, 64, 10, 0);
                } else {
                    DrawImageStretched(594, a + slide - e, y - 5, r - a - slide, 25, 10, 0);
                    DrawImageStretched(592, a - 64 + slide - e, y - 25, 64, 64, 10, 0);
                }
            }
            screenSprites.SetUseSpriteBatch(savedBatch);
            return 1;
        }
        default:
            return 0;
    }
}

int GetMenuArmX(int slot) { return (slot >= 0 && slot < 4) ? panel.slot[slot].armX : 0; }

int LoadGameData() {
    if (loadingFinished) return 0;
    if (!loadingStarted) {
        loadingStarted = true;
        LoadGameTextures();
    }
    if (InitXobjects()) return 1;
    WriteStartLog("Number of read X objects: ", myGlobs.xObjectCount);
    BuildIdTable();
    LoadUseAngleXZInfo();
    LinkXObjectSounds();
    OBJECT_CONTROL_SYSTEM::LoadInfo();
    loadingFinished = true;
    InitEditorWindows();
    myGlobs.LoadEngineSpots();
    trackList.InitTrackTypes();
    trackList.CreateRenderBuffer();
    terrobjList.InitBatchBuffers();
    return 0;
}

void DrawLoadingScreen() {
    if (gameState != LOADING_STATE) return;
    screenSprites.AddProgressPie(myGlobs.xListProgress);
    screenSprites.AddWholeTextureSprite(0, 0, 800, 600, myGlobs.secondEdition ? 38 : 21, 0xffffffff, 0);
}

void DrawScreenGrid() {
    if (gameState != EDITOR_RUN_STATE) return;
    int w = display.GetScreenWidth();
    int h = display.GetScreenHeight();
    for (int k = 0; k < 8; ++k) {
        int x = static_cast<int>(k * w / 8.0f + 0.499f);
        screenSprites.AddScreenfixFilledRect(0x60ffffff, x, 0, x + 1, h, 9, 0);
    }
    for (int k = 0; k < 6; ++k) {
        int y = static_cast<int>(k * h / 6.0f + 0.499f);
        screenSprites.AddScreenfixFilledRect(0x60ffffff, 0, y, w, y + 1, 9, 0);
    }
    screenSprites.AddScreenfixFilledRect(0xffff3030, w / 2 - 20, h / 2 - 1, w / 2 + 20, h / 2 + 2, 9, 0);
    screenSprites.AddScreenfixFilledRect(0xffff3030, w / 2 - 1, h / 2 - 20, w / 2 + 2, h / 2 + 20, 9, 0);
}

void UpdatePauseKey() {
    if (gameState != EDITOR_RUN_STATE) return;
    if (editorState != previousEditorState) {
        if (editorState == 100) myGlobs.pendingKey = ' ';
        previousEditorState = editorState;
    }
    if (editorState == 100) {
        pauseRequest = myGlobs.pendingKey == 'P';
        if (pauseRequest) myGlobs.pendingKey = ' ';
    }
}

void DrawPauseText() {
    if (gameState != EDITOR_RUN_STATE) return;
    if (pauseRequest) {
        layoutState.TogglePause();
        pauseRequest = false;
    }
    if (layoutState.IsPaused()) DrawFontTextCentered(60, texts.Get(382), "fontp", 30, 0xd0ff2020, 0);
}

void TakeScreenshot() {
    if (screenshotPending) {
        char name[MAX_PATH] = {};
        if (display.TakeScreenshot(name, sizeof name)) {
            char line[MESSAGELEN];
            JoinStrings(line, sizeof line, texts.Get(363), "  ", name);
            messageQueue.AddMessage(line, 0xffffffff, 0);
        } else {
            messageQueue.AddMessage(texts.Get(364), 0xffffffff, 0);
        }
        screenshotPending = false;
        return;
    }
    int id = 200, phase = -1;
    screenList.GetClick(&id, &phase);
    if (id == 702 && phase == 0) {
        messageQueue.AddMessage(texts.Get(362), 0xffffffff, 0);
        screenshotPending = true;
    }
}
