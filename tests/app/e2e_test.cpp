// End-to-end runs of the whole program: the sample content is generated into
// a fresh folder, the program starts in-process on the test's X server with a
// fixed frame clock, and the tests drive it through the mouse and keyboard
// the way a user would (main menu, editor toolbar, tool windows, clicks in the
// 3-D view), checking what the subsystems hold afterwards.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "app/gamestate.h"
#include "app/input.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "app/winmain.h"
#include "editor/editor.h"
#include "editor/win_system.h"
#include "gfx/display.h"
#include "gfx/myfont.h"
#include "gfx/render.h"
#include "platform/d3d8.h"
#include "platform/dinput.h"
#include "platform/paths.h"
#include "platform/platform_hooks.h"
#include "platform/window.h"
#include "rail/layoutstate.h"
#include "rail/power.h"
#include "rail/track.h"
#include "rail/train.h"
#include "support/content_support.h"
#include "support/testutil.h"
#include "ui/screenlist.h"
#include "ui/windefs.h"
#include "ui/window.h"
#include "world/terrain.h"
#include "world/xobject.h"

namespace {

constexpr DWORD kFrameMs = 20;

// The generator can also be named by the environment.
std::string GeneratorPath() {
    const char* env = std::getenv("VEL_CONTENT_GENERATOR");
    if (env && *env) return env;
    return veltest::BuiltContentProgram("velmarine_content");
}

using veltest::PrepareContent;

struct Point {
    int x = -1;
    int y = -1;
};

// Centre of a window item on the screen (the interface space is the screen
// at 800 x 600).
Point WinobjCentre(const WINDOW& w, int id) {
    const WINOBJ* o = w.FindWinobj(id);
    if (!o) return {};
    return {w.GetLeft() + o->x + o->w / 2, w.GetTop() + w.GetTitleHeight() + o->y + o->h / 2};
}

// Centre of a row of a list item.
Point ListRowCentre(const WINDOW& w, int id, int row) {
    const WINOBJ* o = w.FindWinobj(id);
    if (!o || !o->list || o->list->rowHeight <= 0) return {};
    const WINLIST* l = o->list;
    const int r = row - l->first;
    return {w.GetLeft() + o->x + 12, w.GetTop() + w.GetTitleHeight() + o->y + r * l->rowHeight + l->rowHeight / 2};
}

Point CloseBox(const WINDOW& w) { return {w.GetRight() - 12, w.GetTop() + 10}; }

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string gen = GeneratorPath();
        if (gen.empty()) GTEST_SKIP() << "content generator not built";
        if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
        char buf[PATH_MAX];
        const std::string home = getcwd(buf, sizeof buf) ? buf : ".";
        dir_ = std::make_unique<veltest::TempDir>();
        ASSERT_EQ(chdir(home.c_str()), 0);
        const bool ready = PrepareContent(gen, dir_->Path());
        ASSERT_EQ(chdir(dir_->Path().c_str()), 0);
        ASSERT_TRUE(ready) << "content generation failed";
        // The text table is read when the program's objects are made, long
        // before a test gets its folder: read the bundled one now, as a run
        // in the content folder has it.
        texts.Reload();
        ASSERT_GT(texts.GetCount(), 300);
        ResetStartLogForTest();
        plat::SetIgnoreSystemInput(true);
        plat::SetClockHook([this]() { return now_ += kFrameMs; });
    }

    void TearDown() override {
        plat::SetClockHook(nullptr);
        dir_.reset();
        texts.Reload();
    }

    // Starts the program as WinMain does, without entering its loop.
    bool Start(const std::string& extra) {
        std::string line = "-c32 -x800 -y600" + extra;
        myGlobs.ReadCommandLine(line.c_str());
        int code = 0;
        started_ = InitProgram(PlatformInstance(), SW_SHOWDEFAULT, &code) == 1;
        return started_;
    }

    void Frames(int n) {
        for (int i = 0; i < n && !myGlobs.quit; ++i) RunLoopTurn();
    }

    bool RunUntil(const std::function<bool()>& done, int maxFrames) {
        for (int i = 0; i < maxFrames; ++i) {
            if (done()) return true;
            if (myGlobs.quit) return false;
            RunLoopTurn();
        }
        return done();
    }

    // The full-screen program reads the mouse as relative motion.
    void MoveTo(Point p) {
        plat::InjectMouseMotion(p.x - cursorX, p.y - cursorY, 0);
        Frames(1);
        EXPECT_EQ(cursorX, p.x);
        EXPECT_EQ(cursorY, p.y);
    }

    void Click(Point p) {
        ASSERT_GE(p.x, 0);
        MoveTo(p);
        plat::InjectMouseButton(0, true);
        Frames(1);
        plat::InjectMouseButton(0, false);
        Frames(1);
        // Far enough apart that two clicks never make a double click: the
        // clock jumps ahead, a frame counts at most 100 ms.
        for (int i = 0; i < 6; ++i) {
            now_ += 100;
            Frames(1);
        }
    }

    void PressKey(int vk) {
        plat::InjectMessage(display.GetWindowHandle(), WM_KEYDOWN, vk, 0);
        Frames(1);
        plat::InjectMessage(display.GetWindowHandle(), WM_KEYUP, vk, 0);
        Frames(1);
    }

    void ClickScreenItem(int id) {
        SCREEN_ITEM item;
        ASSERT_TRUE(screenList.FindItem(id, &item)) << "no screen item " << id;
        Click({(item.screen.left + item.screen.right) / 2, (item.screen.top + item.screen.bottom) / 2});
    }

    // Screen point of a world point; false when it is off the screen.
    static bool Project(float x, float y, float z, Point* out) {
        D3DXVECTOR3 v(x, y, z);
        if (!ProjectToScreen(v, &out->x, &out->y)) return false;
        return out->x > 0 && out->x < 800 && out->y > 0 && out->y < 600;
    }

    // Through the main menu: "Start", the loading screen, the editor.
    void EnterEditorThroughMenu() {
        ASSERT_TRUE(Start(""));
        ASSERT_TRUE(RunUntil([] { return gameState == MENU_STATE; }, 400)) << "state " << gameState;
        SCREEN_ITEM start;
        ASSERT_TRUE(screenList.FindItem(589, &start));
        ClickScreenItem(589);
        ASSERT_TRUE(RunUntil([] { return gameState == EDITOR_RUN_STATE; }, 3000)) << "state " << gameState;
    }

    // Straight into the editor, the start-up load window closed.
    void EnterEditor() {
        ASSERT_TRUE(Start(" -mNO"));
        ASSERT_TRUE(RunUntil([] { return gameState == EDITOR_RUN_STATE; }, 3000)) << "state " << gameState;
        Frames(2);
        ASSERT_EQ(editorState, 122);
        Click(CloseBox(winLoadFile));
        ASSERT_EQ(editorState, ED_EDIT);
        ASSERT_TRUE(terrain.IsCreated());
    }

    // Opens the build-tracks window and chooses a straight piece in its
    // palette.
    void ChooseStraightPiece() {
        ClickScreenItem(237);
        ASSERT_EQ(editorState, 154);
        ASSERT_TRUE(winBuildTracks.IsVisible());
        const WINOBJ* o = winBuildTracks.FindWinobj(1);
        ASSERT_TRUE(o && o->list);
        int row = -1;
        for (int r = 0; r < o->list->count && row < 0; ++r)
            if (trackList.GetTypeKind(o->list->value[r]) == TRACK_STRAIGHT) row = r;
        ASSERT_GE(row, 0) << "no straight piece in the palette";
        Click(ListRowCentre(winBuildTracks, 1, row));
        ASSERT_NE(chosenTrackType, -1);
        ASSERT_EQ(trackList.GetTypeKind(chosenTrackType), TRACK_STRAIGHT);
    }

    // A point of the 3-D view clear of the toolbar and the open windows.
    Point FreeViewPoint() {
        for (int y = 250; y < 500; y += 25)
            for (int x = 200; x < 700; x += 25) {
                bool covered = false;
                for (WINDOW* w = windowList.GetFirst(); w; w = w->GetNextWindow())
                    if (w->IsVisible() && x >= w->GetLeft() - 5 && x <= w->GetRight() + 5 &&
                        y >= w->GetTop() - 5 && y <= w->GetBottom() + 5)
                        covered = true;
                if (!covered) return {x, y};
            }
        return {};
    }

    // Lays a line of straight pieces with clicks in the view: the first at
    // a free point, each further one where its end 0 meets the previous
    // piece's end 1.
    void LayStraightLine(int pieces) {
        ChooseStraightPiece();
        const Point first = FreeViewPoint();
        ASSERT_GE(first.x, 0);
        const int before = trackList.GetCount();
        Click(first);
        ASSERT_EQ(trackList.GetCount(), before + 1) << "the click in the view laid no piece";
        for (int i = 1; i < pieces; ++i) {
            const TRACK* last = trackList.GetLast();
            ASSERT_NE(last, nullptr);
            // Reference point of a piece whose end 0 lies on the last end 1.
            const float rx = last->end[1].x - (last->end[0].x - last->x);
            const float ry = last->end[1].y - (last->end[0].y - last->y);
            Point p;
            ASSERT_TRUE(Project(rx, ry, last->end[1].z, &p)) << "next piece off the screen";
            Click(p);
            ASSERT_EQ(trackList.GetCount(), before + 1 + i);
        }
    }

    static int ConnectedEnds() {
        int n = 0;
        for (TRACK* p = trackList.GetFirst(); p; p = p->pNext)
            for (const TRACK_END& e : p->end)
                if (e.pTrack) ++n;
        return n;
    }

    std::unique_ptr<veltest::TempDir> dir_;
    DWORD now_ = 100000;
    bool started_ = false;
};

}  // namespace

TEST_F(EndToEnd, MainMenuStartLoadsTheObjectTypesAndOpensTheEditor) {
    EnterEditorThroughMenu();
    EXPECT_GT(myGlobs.xObjectCount, 0);
    // Without a layout on the command line the editor opens with the load
    // window; closing it leaves plain editing on a fresh table.
    Frames(2);
    EXPECT_EQ(editorState, 122);
    EXPECT_TRUE(winLoadFile.IsVisible());
    Click(CloseBox(winLoadFile));
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_FALSE(winLoadFile.IsVisible());
    EXPECT_TRUE(terrain.IsCreated());
    EXPECT_EQ(myGlobs.sceneVisible, 1);
    // The view shows a picture, not a cleared screen.
    Frames(2);
    std::set<D3DCOLOR> colours;
    for (int y = 50; y < 600; y += 50)
        for (int x = 50; x < 800; x += 50) colours.insert(plat::ReadBackBufferPixel(display.GetDevice(), x, y) & 0xffffff);
    EXPECT_GT(colours.size(), 3u);
}

// An open window shows its labels: the pixels where the options window's
// first label lies are drawn in the label colour, the empty stretch of the
// same row beside it is not.
TEST_F(EndToEnd, OpenWindowDrawsItsLabels) {
    EnterEditor();
    ClickScreenItem(233);
    ASSERT_EQ(editorState, 151);
    Click(WinobjCentre(winSystemControl, 3));
    ASSERT_EQ(editorState, 157);
    ASSERT_TRUE(winOptions.IsVisible());
    MoveTo({700, 500});
    Frames(2);
    const WINOBJ* tick = winOptions.FindWinobj(1);
    ASSERT_NE(tick, nullptr);
    const WINOBJ* label = nullptr;
    for (const WINOBJ* o = winOptions.GetFirstWinobj(); o && !label; o = o->next)
        if (o->kind == WINOBJ_TEXT && o->y == tick->y) label = o;
    ASSERT_NE(label, nullptr);
    ASSERT_GT(std::strlen(label->text), 2u) << "the label has no text";
    int width = 0, height = 0;
    MeasureFontText(label->fontName, label->text, label->fontSize, &width, &height);
    const int left = winOptions.GetLeft() + label->x;
    const int top = winOptions.GetTop() + winOptions.GetTitleHeight() + label->y;
    // Pixels of the dark label colour within a rectangle of the screen.
    auto dark = [](int x0, int x1, int y0, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const D3DCOLOR c = plat::ReadBackBufferPixel(display.GetDevice(), x, y);
                if (((c >> 16) & 0xff) + ((c >> 8) & 0xff) + (c & 0xff) < 200) ++n;
            }
        return n;
    };
    EXPECT_GT(dark(left, left + width, top, top + height), width) << "label \"" << label->text << "\" not drawn";
    const int gapLeft = left + width + 8, gapRight = winOptions.GetLeft() + tick->x - 4;
    ASSERT_GT(gapRight - gapLeft, 4);
    EXPECT_EQ(dark(gapLeft, gapRight, top, top + height), 0);
}

TEST_F(EndToEnd, BuildTracksWindowLaysJoinedPieces) {
    EnterEditor();
    LayStraightLine(3);
    EXPECT_EQ(trackList.GetCount(), 3);
    // Each inner joint links both ways: four linked ends.
    EXPECT_EQ(ConnectedEnds(), 4);
    const TRACK* a = trackList.GetFirst();
    ASSERT_TRUE(a && a->pNext);
    EXPECT_EQ(a->end[1].pTrack, a->pNext);
    EXPECT_EQ(a->pNext->end[0].pTrack, a);
    // All three are one group.
    EXPECT_NE(a->groupId, 0);
    EXPECT_EQ(a->groupId, a->pNext->groupId);
    EXPECT_EQ(a->groupId, trackList.GetLast()->groupId);
    // The window closes through its close box back to plain editing.
    Click(CloseBox(winBuildTracks));
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_FALSE(winBuildTracks.IsVisible());
    EXPECT_EQ(chosenTrackType, -1);
}

TEST_F(EndToEnd, VehicleOnPoweredTrackRuns) {
    EnterEditor();
    // Pieces one unit long: room for a couple of seconds' run either way.
    LayStraightLine(8);
    ASSERT_EQ(ConnectedEnds(), 14);
    // A feed point through the build window's power tool on the second piece.
    Click(WinobjCentre(winBuildTracks, 6));
    TRACK* fed = trackList.GetFirst()->pNext;
    Point mid;
    ASSERT_TRUE(Project((fed->end[0].x + fed->end[1].x) / 2, (fed->end[0].y + fed->end[1].y) / 2, fed->end[0].z, &mid));
    Click(mid);
    ASSERT_EQ(editorState, 118) << "the power tool opened no window";
    ASSERT_TRUE(winPowerValue.IsVisible());
    Click(WinobjCentre(winPowerValue, 9));
    EXPECT_FALSE(winPowerValue.IsVisible());
    EXPECT_EQ(editorState, 154);
    ASSERT_NE(fed->pOwnNode, nullptr);
    EXPECT_EQ(powerList.GetCount(), 1);
    for (TRACK* p = trackList.GetFirst(); p; p = p->pNext) EXPECT_NE(p->powerValue, 0) << "piece " << p->id;
    Click(CloseBox(winBuildTracks));
    ASSERT_EQ(editorState, ED_EDIT);

    // An engine from the put-vehicles window onto the third piece.
    ClickScreenItem(236);
    ASSERT_EQ(editorState, 153);
    const WINOBJ* engines = winPutVehicles.FindWinobj(1);
    ASSERT_TRUE(engines && engines->list);
    ASSERT_GT(engines->list->count, 0) << "no engine types";
    Click(ListRowCentre(winPutVehicles, 1, 0));
    TRACK* target = fed->pNext;
    ASSERT_TRUE(Project((target->end[0].x + target->end[1].x) / 2, (target->end[0].y + target->end[1].y) / 2,
                        target->end[0].z + 0.05f, &mid));
    MoveTo(mid);
    Frames(1);
    EXPECT_EQ(layoutState.GetSelectedTrack(), target);
    Click(mid);
    ASSERT_EQ(trainList.GetCount(), 1) << "the click put no vehicle";
    TRAIN* engine = trainList.GetFirst();
    EXPECT_TRUE(engine->IsEngine());
    EXPECT_NE(engine->GetTrack(), nullptr);
    Click(CloseBox(winPutVehicles));
    ASSERT_EQ(editorState, ED_EDIT);

    // Two seconds of frames: the engine runs on the powered track and stays
    // on it.
    const D3DXVECTOR3 start = engine->vPos;
    Frames(25);
    EXPECT_GT(std::fabs(engine->speed), 1.0f) << "no speed after half a second";
    // On to the end of the line, where the engine stops at the last piece
    // with its leading coupler on the line's free end.
    Frames(75);
    ASSERT_EQ(trainList.GetCount(), 1);
    EXPECT_EQ(gameState, EDITOR_RUN_STATE);
    const float moved = std::hypot(engine->vPos.x - start.x, engine->vPos.y - start.y);
    EXPECT_GT(moved, 1.0f) << "the engine did not move";
    EXPECT_EQ(engine->bActive, 1);
    EXPECT_EQ(myGlobs.crashState, 0);
    EXPECT_EQ(engine->speed, 0.0f);
    const TRACK* at = engine->GetTrack();
    EXPECT_TRUE(at == trackList.GetLast() || at == trackList.GetLast()->pPrev ||
                at == trackList.GetFirst() || at == trackList.GetFirst()->pNext);
    EXPECT_NE(engine->GetTrack(), nullptr);
    EXPECT_TRUE(std::isfinite(engine->vPos.x) && std::isfinite(engine->vPos.y) && std::isfinite(engine->vPos.z));
}

TEST_F(EndToEnd, SaveAndLoadThroughTheSystemWindows) {
    EnterEditor();
    LayStraightLine(3);
    Click(CloseBox(winBuildTracks));
    ASSERT_EQ(editorState, ED_EDIT);
    // A wagon on the middle piece through the API.
    TRACK* middle = trackList.GetFirst()->pNext;
    int wagon = -1;
    for (int i = 0; i < myGlobs.xObjectCount && wagon < 0; ++i)
        if (myGlobs.xObjects[i].type == CWAGON_TYPE || myGlobs.xObjects[i].type == ENGINE_TYPE)
            wagon = myGlobs.xObjects[i].GetObjId();
    ASSERT_GE(wagon, 0);
    TRAIN* t = trainList.AddNew();
    ASSERT_NE(t, nullptr);
    t->PlaceOnTrack(middle, 0.0f, GetObjTypeById(wagon), wagon, 50.0f);
    Frames(2);
    ASSERT_EQ(trainList.GetCount(), 1);

    // Save: system window, its save item, the save window's OK.
    ClickScreenItem(233);
    ASSERT_EQ(editorState, 151);
    Click(WinobjCentre(winSystemControl, 2));
    ASSERT_EQ(editorState, 124);
    Click(WinobjCentre(winSaveFile, 9));
    EXPECT_EQ(editorState, ED_EDIT);
    char path[300];
    ComposeLayoutPath("board01", path, sizeof path);
    ASSERT_TRUE(std::filesystem::exists(plat::ResolvePath(path))) << path;

    // The layout changes after the save: another piece, no vehicle.
    ChooseStraightPiece();
    Click(FreeViewPoint());
    Click(CloseBox(winBuildTracks));
    trainList.DeleteAll();
    Frames(2);
    ASSERT_EQ(trackList.GetCount(), 4);
    ASSERT_EQ(trainList.GetCount(), 0);

    // Load: system window, its load item, the file's row, OK.
    ClickScreenItem(233);
    Click(WinobjCentre(winSystemControl, 1));
    ASSERT_EQ(editorState, 122);
    Frames(1);
    const WINOBJ* files = winLoadFile.FindWinobj(1);
    ASSERT_TRUE(files && files->list);
    int row = -1;
    for (int r = 0; r < files->list->count; ++r)
        if (std::string(files->list->text[r]).find("board01") != std::string::npos) row = r;
    ASSERT_GE(row, 0) << "the saved layout is not in the load list";
    Click(ListRowCentre(winLoadFile, 1, row));
    Click(WinobjCentre(winLoadFile, 9));
    Frames(2);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_EQ(trackList.GetCount(), 3);
    EXPECT_EQ(ConnectedEnds(), 4);
    ASSERT_EQ(trainList.GetCount(), 1);
    EXPECT_NE(trainList.GetFirst()->GetTrack(), nullptr);
    EXPECT_STREQ(layoutState.GetFileName(), "board01");
}

TEST_F(EndToEnd, EscapeAndYesQuitsTheProgram) {
    // The whole program through WinMain; the script runs once a frame from
    // the clock and answers as a user would: Esc, then "yes".
    int step = 0;
    int lastFrame = -1;
    int frames = 0;
    plat::SetClockHook([&]() {
        now_ += kFrameMs;
        if (myGlobs.frameCounter == lastFrame || !myGlobs.running) return now_;
        lastFrame = myGlobs.frameCounter;
        if (++frames > 4000) {
            PostMessageA(display.GetWindowHandle(), WM_CLOSE, 0, 0);
            return now_;
        }
        HWND wnd = display.GetWindowHandle();
        switch (step) {
            case 0:
                if (gameState == EDITOR_RUN_STATE && editorState == ED_EDIT) {
                    plat::InjectMessage(wnd, WM_KEYDOWN, VK_ESCAPE, 0);
                    step = 1;
                }
                break;
            case 1:
                if (editorState == 176) {
                    plat::InjectMessage(wnd, WM_KEYUP, VK_ESCAPE, 0);
                    step = 2;
                }
                break;
            case 2: {
                Point yes = WinobjCentre(winExitEditor, 99);
                plat::InjectMouseMotion(yes.x - cursorX, yes.y - cursorY, 0);
                step = 3;
                break;
            }
            case 3:
                plat::InjectMouseButton(0, true);
                step = 4;
                break;
            case 4:
                plat::InjectMouseButton(0, false);
                step = 5;
                break;
            default: break;
        }
        return now_;
    });
    // A layout name that names no file: the editor starts in plain editing.
    char cmd[] = "-c32 -x800 -y600 -mNO -lnolayout";
    const int rc = WinMain(PlatformInstance(), nullptr, cmd, SW_SHOWDEFAULT);
    plat::SetClockHook(nullptr);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(step, 5);
    EXPECT_LT(frames, 4000) << "the program never closed";
    EXPECT_EQ(myGlobs.quit, 1);
    EXPECT_EQ(myGlobs.running, 0);
    EXPECT_TRUE(gameState == EXIT_STATE || gameState == CLOSED_STATE);
    EXPECT_EQ(display.GetDevice(), nullptr);
    const std::string log = veltest::ReadFile("startlog.txt");
    EXPECT_NE(log.find("STARTING SHUT DOWN"), std::string::npos);
}
