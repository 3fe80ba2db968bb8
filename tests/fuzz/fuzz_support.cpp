#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/gamestate.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "editor/editor.h"
#include "platform/d3d8.h"
#include "platform/platform_hooks.h"
#include "platform/window.h"
#include "support/content_support.h"

namespace velfuzz {

namespace {

std::string workDir;
bool started = false;
bool failed = false;
DWORD clockNow = 100000;

void RemoveWorkDir() {
    if (workDir.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(workDir, ec);
}

bool PrepareFolder() {
    namespace fs = std::filesystem;
    std::error_code ec;
    // The generated content is cached beside the fuzz programs and copied
    // into a folder of this process.
    const fs::path cacheHome = VEL_FUZZ_CACHE_DIR;
    fs::create_directories(cacheHome, ec);
    char tmpl[] = "/tmp/velfuzz_XXXXXX";
    const char* dir = mkdtemp(tmpl);
    if (!dir) return false;
    workDir = dir;
    std::atexit(RemoveWorkDir);
    if (chdir(cacheHome.c_str()) != 0) return false;
    if (!veltest::PrepareContent(VEL_CONTENT_PROGRAM, workDir)) {
        std::fprintf(stderr, "fuzz: content generation failed (%s)\n", VEL_CONTENT_PROGRAM);
        return false;
    }
    return chdir(workDir.c_str()) == 0;
}

}  // namespace

bool StartProgram() {
    if (started || failed) return started;
    failed = true;
    if (!PrepareFolder()) return false;
    ResetStartLogForTest();
    setenv("VEL_HEADLESS", "1", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    plat::ForceHeadlessDevices(true);
    plat::SetIgnoreSystemInput(true);
    // Every clock read moves on by one frame, so every frame runs.
    plat::SetClockHook([]() { return clockNow += 20; });
    // A layout name that does not exist: the editor opens on the new layout.
    myGlobs.ReadCommandLine("-c32 -x800 -y600 -mNO -lfuzz_none");
    int code = 0;
    if (InitProgram(PlatformInstance(), SW_SHOWDEFAULT, &code) != 1) {
        std::fprintf(stderr, "fuzz: the program did not start (%d)\n", code);
        return false;
    }
    for (int i = 0; i < 5000 && !(gameState == EDITOR_RUN_STATE && editorState == ED_EDIT); ++i) {
        if (myGlobs.quit) break;
        RunLoopTurn();
        // The message about the missing layout is confirmed at once.
        if (gameState == EDITOR_RUN_STATE && editorState != ED_EDIT && editorState != ED_LOAD) editorState = ED_EDIT;
    }
    if (gameState != EDITOR_RUN_STATE) {
        std::fprintf(stderr, "fuzz: the editor did not open (state %d, editor %d)\n", gameState, editorState);
        return false;
    }
    failed = false;
    started = true;
    return true;
}

void RunFrames(int n) {
    for (int i = 0; i < n && !myGlobs.quit; ++i) RunLoopTurn();
}

bool WriteInput(const std::string& name, const uint8_t* data, size_t size) {
    std::filesystem::path p(name);
    std::error_code ec;
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path(), ec);
    std::ofstream f(name, std::ios::binary | std::ios::trunc);
    if (size) f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(f);
}

}  // namespace velfuzz
