// Running the whole program inside a benchmark: the build's content programs
// write the bundled content and the sample layout into a temporary folder,
// then the program starts in-process with a layout open in the editor and a
// clock that moves one fixed frame time per frame.
#pragma once

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/gamestate.h"
#include "app/myglobs.h"
#include "app/winmain.h"
#include "editor/editor.h"
#include "platform/d3d8.h"
#include "platform/platform_hooks.h"
#include "platform/window.h"

namespace bench {

constexpr DWORD kFrameMs = 20;

// A program of the build's content folder, found from this program's place.
inline std::string ContentProgram(const char* name) {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "";
    buf[n] = 0;
    const std::filesystem::path p = std::filesystem::path(buf).parent_path() / ".." / "content" / name;
    std::error_code ec;
    return std::filesystem::exists(p, ec) ? std::filesystem::weakly_canonical(p, ec).string() : "";
}

inline std::filesystem::path& WorkFolder() {
    static std::filesystem::path folder;
    return folder;
}

inline void RemoveWorkFolder() {
    std::error_code ec;
    if (!WorkFolder().empty()) std::filesystem::remove_all(WorkFolder(), ec);
}

// Makes a temporary folder (removed at exit), generates the content and the
// sample layout into it and enters it. Answers "" or the reason it failed.
inline std::string PrepareContentFolder(const char* prefix) {
    const std::string gen = ContentProgram("velmarine_content");
    const std::string builder = ContentProgram("velmarine_layout");
    if (gen.empty() || builder.empty()) return "content programs not built";
    std::string tmpl = std::string("/tmp/") + prefix + "_XXXXXX";
    if (!mkdtemp(tmpl.data())) return "no temporary folder";
    WorkFolder() = tmpl;
    std::atexit(RemoveWorkFolder);
    std::string cmd = "'" + gen + "' '" + WorkFolder().string() + "' > /dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return "content generation failed";
    if (chdir(WorkFolder().c_str()) != 0) return "cannot enter the temporary folder";
    cmd = "'" + builder + "' > layout.log 2>&1";
    if (std::system(cmd.c_str()) != 0) return "sample layout build failed";
    return "";
}

namespace detail {
inline DWORD clockNow = 100000;
inline bool fixedFrames = false;
inline int readsSinceStep = 0;
}  // namespace detail

// Moves the clock on by one frame time.
inline void NextFrameClock() {
    detail::clockNow += kFrameMs;
    detail::readsSinceStep = 0;
}

// Starts the program in the current folder with a command line that names
// the layout to open, on a headless device or in a window, and runs the
// frame loop until the layout is open in the editor. Answers "" or the
// reason it failed.
inline std::string StartProgram(const std::string& commandLine, bool headless) {
    if (headless) {
        setenv("VEL_HEADLESS", "1", 1);
        plat::ForceHeadlessDevices(true);
    }
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("VEL_NO_DIALOGS", "1", 0);
    plat::SetIgnoreSystemInput(true);
    // Each clock read moves on while starting; afterwards the clock moves one
    // frame time per frame.
    plat::SetClockHook([]() {
        if (!detail::fixedFrames) return detail::clockNow += kFrameMs;
        if (++detail::readsSinceStep > 10000) ++detail::clockNow;
        return detail::clockNow;
    });
    myGlobs.ReadCommandLine(commandLine.c_str());
    int code = 0;
    if (InitProgram(PlatformInstance(), SW_SHOWDEFAULT, &code) != 1) return "the program did not start";
    for (int i = 0; i < 3000 && !(gameState == EDITOR_RUN_STATE && editorState == ED_EDIT); ++i) RunLoopTurn();
    if (gameState != EDITOR_RUN_STATE || editorState != ED_EDIT) return "the layout did not open";
    detail::fixedFrames = true;
    return "";
}

}  // namespace bench
