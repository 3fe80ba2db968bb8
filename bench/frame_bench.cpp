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

#include <string>

#include "bench/bench_program.h"
#include "rail/layoutstate.h"
#include "rail/track.h"
#include "rail/train.h"
#include "world/terrobj.h"

namespace {

using bench::NextFrameClock;

// Generates the content and the sample, then starts the program with the
// sample open in the editor. Once per run; false with a reason on failure.
bool Prepare(std::string* why) {
    static const std::string failure = []() -> std::string {
        std::string why = bench::PrepareContentFolder("vel_frame_bench");
        if (!why.empty()) return why;
        return bench::StartProgram("-c32 -x800 -y600 -mNO -lsample", true);
    }();
    *why = failure;
    return failure.empty();
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
