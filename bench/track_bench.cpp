// TRACK_LIST::RebuildConnections and the fill of the shared track render
// buffer for layouts of 1000 and 4000 pieces, in milliseconds, so that their
// growth with the layout's size can be watched.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "editor/editor.h"
#include "gfx/display.h"
#include "platform/d3d8.h"
#include "rail/idpool.h"
#include "rail/track.h"

namespace {
float FlatGround(float, float) { return 0.0f; }

// Types, ground and (when one can be made) a headless display, once.
bool Prepare() {
    static bool haveBuffer = [] {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        plat::ForceHeadlessDevices(true);
        int error = 0;
        bool haveDisplay = display.Init(nullptr, 0, &error) && display.GetDevice();
        SetTrackGroundForTest(FlatGround);
        trackList.InitTrackTypes();
        if (haveDisplay) trackList.CreateRenderBuffer();
        return trackList.IsRenderBufferCreated() != 0;
    }();
    return haveBuffer;
}

// Rows of touching 1.0 straights, 50 pieces to a row, rows 3 units apart.
void BuildLayout(int pieces) {
    trackList.DeleteAll();
    idPool.Reset();
    buildAngle = 0.0f;
    for (int i = 0; i < pieces; i++) {
        float x = static_cast<float>(i % 50) - 25.0f;
        float y = static_cast<float>(i / 50) * 3.0f - 60.0f;
        SetTrackPickForTest(1, x, y, -0.01f);
        trackList.AddNewTrack(0);
    }
}

void BM_RebuildConnections(benchmark::State& state) {
    Prepare();
    BuildLayout(static_cast<int>(state.range(0)));
    for (auto _ : state) trackList.RebuildConnections();
    state.counters["groups"] = idPool.GetCount();
}

void BM_FillRenderBuffer(benchmark::State& state) {
    if (!Prepare()) {
        state.SkipWithError("no display device for the shared buffer");
        return;
    }
    BuildLayout(static_cast<int>(state.range(0)));
    for (auto _ : state) trackList.FillRenderBuffer();
    state.counters["triangles"] = trackList.GetBufferTriangleCount();
}
} // namespace

BENCHMARK(BM_RebuildConnections)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillRenderBuffer)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);
