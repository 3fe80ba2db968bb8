// The cost of a frame of the running sample layout, and of its load and save.
// The content and the sample layout are generated into a temporary folder by
// the build's content programs, then the program starts in-process on a
// headless display device (buffers in CPU memory, nothing drawn), so the
// frame benchmarks measure the program's own CPU-side work only.
//
// BM_UpdateFrame   one update pass (UpdateFrame): editor input, controls,
//                  vehicle moves and poses, animations, smoke, sounds, camera.
// BM_RenderFrame   one render pass (RenderFrame): screen sprites and texts,
//                  terrain, track buffer, culling of vehicles and placed
//                  objects, lights, the device calls into the headless device.
// BM_Frame         one update pass and one render pass, as the frame loop
//                  runs them, at a fixed 20 ms frame time.
// BM_LoadLayout    LAYOUT_STATE::LoadLayout of the saved sample: clearing the
//                  lists, reading every section, rebuilding the buffers.
// BM_SaveLayout    LAYOUT_STATE::SaveLayout of the loaded sample into a file.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/gamestate.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "editor/editor.h"
#include "platform/d3d8.h"
#include "platform/platform_hooks.h"
#include "platform/window.h"
#include "rail/layoutstate.h"
#include "rail/track.h"
#include "rail/train.h"
#include "world/terrobj.h"

namespace {

constexpr DWORD kFrameMs = 20;
DWORD clockNow = 100000;
bool fixedFrames = false;
int readsSinceStep = 0;

// A program of the build's content folder, found from this program's place.
std::string ContentProgram(const char* name) {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "";
    buf[n] = 0;
    const std::filesystem::path p = std::filesystem::path(buf).parent_path() / ".." / "content" / name;
    std::error_code ec;
    return std::filesystem::exists(p, ec) ? std::filesystem::weakly_canonical(p, ec).string() : "";
}

std::filesystem::path workFolder;

void RemoveWorkFolder() {
    std::error_code ec;
    if (!workFolder.empty()) std::filesystem::remove_all(workFolder, ec);
}

// Generates the content and the sample, then starts the program with the
// sample open in the editor. Once per run; false with a reason on failure.
bool Prepare(std::string* why) {
    static std::string failure = [] () -> std::string {
        const std::string gen = ContentProgram("velmarine_content");
        const std::string builder = ContentProgram("velmarine_layout");
        if (gen.empty() || builder.empty()) return "content programs not built";
        char tmpl[] = "/tmp/vel_frame_bench_XXXXXX";
        if (!mkdtemp(tmpl)) return "no temporary folder";
        workFolder = tmpl;
        std::atexit(RemoveWorkFolder);
        std::string cmd = "'" + gen + "' '" + workFolder.string() + "' > /dev/null 2>&1";
        if (std::system(cmd.c_str()) != 0) return "content generation failed";
        if (chdir(workFolder.c_str()) != 0) return "cannot enter the temporary folder";
        cmd = "'" + builder + "' > layout.log 2>&1";
        if (std::system(cmd.c_str()) != 0) return "sample layout build failed";

        setenv("VEL_HEADLESS", "1", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        setenv("VEL_NO_DIALOGS", "1", 0);
        plat::ForceHeadlessDevices(true);
        plat::SetIgnoreSystemInput(true);
        // Each clock read moves on while starting; afterwards the clock moves
        // one frame time per frame.
        plat::SetClockHook([]() {
            if (!fixedFrames) return clockNow += kFrameMs;
            if (++readsSinceStep > 10000) ++clockNow;
            return clockNow;
        });
        myGlobs.ReadCommandLine("-c32 -x800 -y600 -mNO -lsample");
        int code = 0;
        if (InitProgram(PlatformInstance(), SW_SHOWDEFAULT, &code) != 1) return "the program did not start";
        for (int i = 0; i < 3000 && !(gameState == EDITOR_RUN_STATE && editorState == ED_EDIT); ++i) RunLoopTurn();
        if (gameState != EDITOR_RUN_STATE || editorState != ED_EDIT) return "the sample did not open";
        fixedFrames = true;
        return "";
    }();
    *why = failure;
    return failure.empty();
}

void NextFrameClock() {
    clockNow += kFrameMs;
    readsSinceStep = 0;
}

void Counters(benchmark::State& state) {
    state.counters["pieces"] = trackList.GetCount();
    state.counters["vehicles"] = trainList.GetCount();
    state.counters["objects"] = terrobjList.Count();
}

void BM_UpdateFrame(benchmark::State& state) {
    std::string why;
    if (!Prepare(&why)) return state.SkipWithError(why.c_str());
    for (auto _ : state) {
        NextFrameClock();
        UpdateFrame();
    }
    Counters(state);
}

void BM_RenderFrame(benchmark::State& state) {
    std::string why;
    if (!Prepare(&why)) return state.SkipWithError(why.c_str());
    for (auto _ : state) {
        NextFrameClock();
        benchmark::DoNotOptimize(RenderFrame());
    }
    Counters(state);
}

void BM_Frame(benchmark::State& state) {
    std::string why;
    if (!Prepare(&why)) return state.SkipWithError(why.c_str());
    for (auto _ : state) {
        NextFrameClock();
        UpdateFrame();
        benchmark::DoNotOptimize(RenderFrame());
    }
    Counters(state);
}

void BM_LoadLayout(benchmark::State& state) {
    std::string why;
    if (!Prepare(&why)) return state.SkipWithError(why.c_str());
    for (auto _ : state) {
        if (layoutState.LoadLayout("sample.roa") != LOAD_OK) return state.SkipWithError("the sample did not load");
    }
    Counters(state);
}

void BM_SaveLayout(benchmark::State& state) {
    std::string why;
    if (!Prepare(&why)) return state.SkipWithError(why.c_str());
    if (layoutState.LoadLayout("sample.roa") != LOAD_OK) return state.SkipWithError("the sample did not load");
    for (auto _ : state) {
        if (!layoutState.SaveLayout("benchsave.roa")) return state.SkipWithError("the save failed");
    }
    Counters(state);
}

}  // namespace

BENCHMARK(BM_UpdateFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Frame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadLayout)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveLayout)->Unit(benchmark::kMillisecond);
