// Joining of track and the fill of the shared track render buffer for layouts
// of 1000 and 4000 pieces, in milliseconds, so that their growth with the
// layout's size can be watched. Every joining benchmark runs twice: through
// the end index the program uses ("Indexed") and through the walk over every
// piece that the index replaced ("Scan"), so one run gives both figures.
//
// BM_Rebuild*/rows     TRACK_LIST::RebuildConnections on rows of touching
//                      1.0 straights, 50 to a row.
// BM_Rebuild*/run      the same on one long winding run of straights, curves
//                      and switches laid end to end, whose groups grow to the
//                      whole layout while it is joined.
// BM_LayPiece*         the editor laying one more piece at the end of the run
//                      (TRACK_LIST::AddNewTrack and ConnectTrack), then
//                      removing it again.
// BM_FillRenderBuffer  TRACK_LIST::FillRenderBuffer on the rows.
//
// Run: build/release-bench/bench/track_bench
#include <benchmark/benchmark.h>

#include <cmath>
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

void ClearLayout() {
    trackList.DeleteAll();
    idPool.Reset();
}

// Rows of touching 1.0 straights, 50 pieces to a row, rows 3 units apart.
void BuildRows(int pieces) {
    ClearLayout();
    buildAngle = 0.0f;
    for (int i = 0; i < pieces; i++) {
        float x = static_cast<float>(i % 50) - 25.0f;
        float y = static_cast<float>(i / 50) * 3.0f - 60.0f;
        SetTrackPickForTest(1, x, y, -0.01f);
        trackList.AddNewTrack(0);
    }
}

// A new piece of the type whose end e lies at (x, y), facing back along a
// run that travels in direction dir there.
TRACK* LayAt(int type, int e, float x, float y, float dir) {
    SetTrackPickForTest(1, 0.0f, 0.0f, -0.01f);
    buildAngle = 0.0f;
    TRACK* p = trackList.AddNewTrack(type);
    if (!p) return nullptr;
    p->heading = std::fmod(dir + 180.0f - GetEndDirection(p, e) + 720.0f, 360.0f);
    float pts[6];
    DetCPos(p, pts);
    p->x += x - pts[2 * e];
    p->y += y - pts[2 * e + 1];
    DetCPos(p, pts);
    p->StoreEnds(pts);
    return p;
}

// Where the run of BuildRun ends and which way it travels there.
float runX = 0.0f, runY = 0.0f, runDir = 0.0f;

// One run laid end to end in list order: 4.0 straights with a curve every
// fifth piece, turning one way for 100 pieces and then the other so that it
// winds over a bounded area, and a switch every 40 pieces whose straight
// branch goes on.
void BuildRun(int pieces) {
    ClearLayout();
    runX = runY = runDir = 0.0f;
    for (int i = 0; i < pieces; i++) {
        int type = 1, enter = 0, leave = 1;
        if (i % 40 == 39) {
            type = 3;
            leave = 2;
        } else if (i % 5 == 4) {
            type = ((i / 200) % 2 == 0) ? 2 : 7;
            if ((i / 100) % 2 == 1) {
                // Laid from end 1 the curve turns the other way.
                enter = 1;
                leave = 0;
            }
        }
        TRACK* p = LayAt(type, enter, runX, runY, runDir);
        if (!p) return;
        runX = p->end[leave].x;
        runY = p->end[leave].y;
        runDir = GetEndDirection(p, leave);
    }
}

void BuildLayout(int shape, int pieces) {
    if (shape == 0) BuildRows(pieces);
    else BuildRun(pieces);
}

void Rebuild(benchmark::State& state, bool indexed) {
    Prepare();
    BuildLayout(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        if (indexed) trackList.RebuildConnections();
        else trackList.RebuildConnectionsScan();
    }
    state.counters["groups"] = idPool.GetCount();
}

void BM_RebuildIndexed(benchmark::State& state) { Rebuild(state, true); }
void BM_RebuildScan(benchmark::State& state) { Rebuild(state, false); }

void LayPiece(benchmark::State& state, bool indexed) {
    Prepare();
    BuildRun(static_cast<int>(state.range(0)));
    trackList.RebuildConnections();
    int joined = 0;
    for (auto _ : state) {
        TRACK* p = LayAt(1, 0, runX, runY, runDir);
        joined = indexed ? trackList.ConnectTrack(p, 0) : trackList.ConnectTrackScan(p, 0);
        trackList.RemoveTrack(p);
    }
    state.counters["joined"] = joined;
}

void BM_LayPieceIndexed(benchmark::State& state) { LayPiece(state, true); }
void BM_LayPieceScan(benchmark::State& state) { LayPiece(state, false); }

void BM_FillRenderBuffer(benchmark::State& state) {
    if (!Prepare()) {
        state.SkipWithError("no display device for the shared buffer");
        return;
    }
    BuildRows(static_cast<int>(state.range(0)));
    for (auto _ : state) trackList.FillRenderBuffer();
    state.counters["triangles"] = trackList.GetBufferTriangleCount();
}

void LayoutArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"run", "pieces"});
    for (int shape : {0, 1})
        for (int pieces : {1000, 4000}) b->Args({shape, pieces});
}
} // namespace

BENCHMARK(BM_RebuildScan)->Apply(LayoutArgs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RebuildIndexed)->Apply(LayoutArgs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayPieceScan)->Arg(1000)->Arg(4000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LayPieceIndexed)->Arg(1000)->Arg(4000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FillRenderBuffer)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);
