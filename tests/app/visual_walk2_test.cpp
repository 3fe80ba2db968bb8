// Temporary visual walk: opens windows and saves screenshots.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/gamestate.h"
#include "app/input.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "editor/editor.h"
#include "gfx/display.h"
#include "gfx/myfont.h"
#include "app/texts.h"
#include "platform/platform_hooks.h"
#include "platform/window.h"
#include "platform/dinput.h"
#include "support/testutil.h"
#include "ui/screenlist.h"
#include "ui/windefs.h"
#include "ui/window.h"

namespace {
DWORD now_ = 100000;
void Frames(int n) {
    for (int i = 0; i < n && !myGlobs.quit; ++i) RunLoopTurn();
}
void MoveTo(int x, int y) {
    plat::InjectMouseMotion(x - cursorX, y - cursorY, 0);
    Frames(1);
}
void Click(int x, int y) {
    MoveTo(x, y);
    plat::InjectMouseButton(0, true);
    Frames(1);
    plat::InjectMouseButton(0, false);
    Frames(1);
    for (int i = 0; i < 6; ++i) { now_ += 100; Frames(1); }
}
void Shot(const char* name);
void Tool(int id, WINDOW* w, const char* name) {
    SCREEN_ITEM item;
    if (!screenList.FindItem(id, &item)) return;
    Click((item.screen.left + item.screen.right) / 2, (item.screen.top + item.screen.bottom) / 2);
    Frames(5);
    MoveTo(400, 300);
    Shot(name);
    if (w->IsVisible()) Click(w->GetRight() - 12, w->GetTop() + 10);
}
void Shot(const char* name) {
    Frames(3);
    char file[300];
    if (display.TakeScreenshot(file, sizeof file)) {
        std::string cmd = std::string("/usr/bin/convert 'Screenshots/") + file + "' /tmp/walk/" + name + ".png";
        std::system(cmd.c_str());
        std::filesystem::remove(std::string("Screenshots/") + file);
    }
}
}  // namespace

TEST(VisualWalk, Screens) {
    const char* res = std::getenv("WALK_RES");
    std::string r = res ? res : "800x600";
    std::filesystem::create_directories("/tmp/walk");
    veltest::TempDir dir;
    std::string cmd = "cp -r /tmp/vgame/. '" + dir.Path() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    ASSERT_EQ(chdir(dir.Path().c_str()), 0);
    ResetStartLogForTest();
    plat::SetIgnoreSystemInput(true);
    plat::SetClockHook([]() { return now_ += 20; });
    const int x = std::atoi(r.c_str());
    const int y = std::atoi(r.c_str() + r.find('x') + 1);
    std::string line = "-c32 -x" + std::to_string(x) + " -y" + std::to_string(y) + " -mNO -lsample";
    myGlobs.ReadCommandLine(line.c_str());
    int code = 0;
    ASSERT_EQ(InitProgram(PlatformInstance(), SW_SHOWDEFAULT, &code), 1);
    for (int i = 0; i < 3000 && gameState != EDITOR_RUN_STATE; ++i) RunLoopTurn();
    Frames(30);
    MoveTo(400, 300);
    Shot("main");
    // tooltip over toolbar buttons
    SCREEN_ITEM item;
    if (screenList.FindItem(237, &item)) {
        MoveTo((item.screen.left + item.screen.right) / 2, (item.screen.top + item.screen.bottom) / 2);
        Frames(80);
        { int w=0,h=0; MeasureFontText("font_taho2", texts.Get(163), 15, &w, &h); printf("TIP [%s] %d %d\n", texts.Get(163), w, h); }
        Shot("tooltip");
    }
    MoveTo(400, 300);
    { const WINOBJ* o = winEdTerrain.FindWinobj(16); printf("TERR [%s] [%s] %d\n", o ? o->label : "-", texts.Get(216), (int)winEdTerrain.IsVisible()); }
    Tool(234, &winEdTerrain, "terrain_t");
    { const WINOBJ* o = winEdTerrain.FindWinobj(16); printf("TERR2 [%s] [%s] cap[%s] %d\n", o ? o->label : "-", texts.Get(216), winEdTerrain.GetCaption(), (int)winEdTerrain.IsVisible()); }
    Tool(218, &winPutObj, "putobj_t");
    Tool(236, &winPutVehicles, "putveh_t");
    Tool(233, &winSystemControl, "system_t");
    struct W { WINDOW* w; const char* n; } wins[] = {
        {&winPutVehicles, "putveh"}, {&winPutObj, "putobj"}, {&winSaveFile, "save"}, {&winSystemControl, "system"},
        {&winEdTerrain, "terrain"}, {&winOptions, "options"}, {&winAttr, "attr"}, {&winSAttr, "sattr"},
        {&winBarAttr, "barattr"}, {&winSwitchAttrib, "switch"}, {&winTtableAttrib, "ttable"},
        {&winPowerValue, "power"}, {&winExitEditor, "quit"}, {&winSelOpt, "selopt"}, {&winDetachAttrib, "detach"},
        {&winVehicleAttrib, "vehattr"}, {&winSelectControl, "selctl"}, {&winTrackAttrib, "trackattr"},
        {&winTableSize, "tablesize"}, {&winRootcheckEd, "rootcheck"}, {&winInfoText, "infotext"},
        {&winTrackName, "trackname"}, {&winHouseColor, "housecol"}, {&winSkybox, "skybox"},
        {&winBuildChoice, "buildchoice"}, {&winCameraPath, "campath"}, {&winCameraPathRecord, "camrec"},
        {&winXfileLists, "xfile"}, {&winModeMessage, "modemsg"}, {&winResizeTable, "resize"},
    };
    for (auto& w : wins) {
        w.w->Show(2);
        Shot(w.n);
        w.w->Hide();
    }
    // Selection rectangle: left drag in the view.
    MoveTo(300, 250);
    plat::InjectMouseButton(0, true);
    Frames(2);
    MoveTo(450, 380);
    Frames(2);
    Shot("selrect");
    plat::InjectMouseButton(0, false);
    Frames(3);
    // pause
    plat::InjectMessage(display.GetWindowHandle(), WM_KEYDOWN, 'P', 0);
    Frames(1);
    plat::InjectMessage(display.GetWindowHandle(), WM_KEYUP, 'P', 0);
    Shot("pause");
    plat::SetClockHook(nullptr);
}
