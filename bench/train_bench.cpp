// The per-frame train update (move, poses, sound and smoke) of 50 trains of
// five vehicles each running on a layout of 1000 pieces: 50 loops of 20
// pieces, each loop joined to the next by the curved ends of its switches.
// 10 000 frames of 20 ms; reports the microseconds per frame and the
// vehicles moved per second.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "app/gamestate.h"
#include "app/myglobs.h"
#include "app/winmain.h"
#include "editor/editor.h"
#include "gfx/render.h"
#include "rail/idpool.h"
#include "rail/layoutstate.h"
#include "rail/track.h"
#include "rail/train.h"
#include "world/xobject.h"

namespace {
constexpr int LOOPS = 50;
constexpr int PIECES_PER_LOOP = 20;
constexpr int VEHICLES_PER_TRAIN = 5;
constexpr int FRAMES = 10000;

float FlatGround(float, float) { return 0.0f; }

void Link(TRACK* a, int i, TRACK* b, int j) {
    a->end[i].pTrack = b;
    a->end[i].conEnd = j;
    a->end[i].state = END_CONNECTED;
    b->end[j].pTrack = a;
    b->end[j].conEnd = i;
    b->end[j].state = END_CONNECTED;
}

void AddType(int xid, int objId, int type) {
    XOBJECT& x = myGlobs.xObjects[xid];
    x.objId = objId;
    x.type = type;
    x.halfLength = 0.5f;
    x.vehicleParam = 20;
    x.traction = 22;
    SetXID(objId, xid);
}

void BuildLayout() {
    SetTrackGroundForTest(FlatGround);
    if (trackList.GetTypeCount() == 0) trackList.InitTrackTypes();
    trainList.DeleteAll();
    trackList.DeleteAll();
    idPool.Reset();
    ClearIdTable();
    AddType(0, 20, ENGINE_TYPE);
    AddType(1, 10, CWAGON_TYPE);
    myGlobs.xObjectCount = 2;
    gameState = EDITOR_RUN_STATE;
    layoutState.SetMode(0);
    layoutState.SetPaused(0);
    frameTime = 20;

    std::vector<TRACK*> firstSwitch(LOOPS), secondSwitch(LOOPS);
    for (int l = 0; l < LOOPS; l++) {
        std::vector<TRACK*> loop;
        for (int i = 0; i < PIECES_PER_LOOP; i++) {
            bool isSwitch = (i == 0 || i == PIECES_PER_LOOP / 2);
            SetTrackPickForTest(1, static_cast<float>(i) * 1.2f, static_cast<float>(l) * 10.0f, 0.0f);
            buildAngle = 0.0f;
            TRACK* p = trackList.AddNewTrack(isSwitch ? 3 : 0);
            if (isSwitch) p->switchState = 1;
            if (!loop.empty()) Link(loop.back(), (loop.back()->IsSwitch() ? 2 : 1), p, 0);
            loop.push_back(p);
        }
        Link(loop.back(), 1, loop.front(), 0);
        firstSwitch[l] = loop[0];
        secondSwitch[l] = loop[PIECES_PER_LOOP / 2];
    }
    // Each loop's second switch joins the next loop's first by their curved ends.
    for (int l = 0; l + 1 < LOOPS; l++) Link(secondSwitch[l], 1, firstSwitch[l + 1], 1);

    // One train per loop: the engine leads, four wagons behind it.
    for (int l = 0; l < LOOPS; l++) {
        TRACK* start = firstSwitch[l]->end[2].pTrack; // the piece after the switch
        TRAIN* prev = nullptr;
        TRACK* p = start;
        for (int v = 0; v < VEHICLES_PER_TRAIN; v++) {
            p = p->end[1].pTrack; // one 1.0 straight per vehicle, front first
        }
        for (int v = 0; v < VEHICLES_PER_TRAIN; v++) {
            placeVehicleDirection = 1;
            TRAIN* t = trainList.AddNew();
            t->PlaceOnTrack(p, 0.0f, v == 0 ? ENGINE_TYPE : CWAGON_TYPE, v == 0 ? 20 : 10, 50.0f);
            t->setSpeed = v == 0 ? 15.0f : 0.0f;
            if (prev) TRAIN::Couple(prev, 1, t, 0);
            prev = t;
            p = p->end[0].pTrack;
        }
    }
}

void BM_TrainUpdate(benchmark::State& state) {
    BuildLayout();
    double seconds = 0.0;
    long long moved = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        for (int f = 0; f < FRAMES; f++) {
            trainList.Move();
            trainList.UpdatePoses();
            trainList.UpdateAll();
        }
        auto t1 = std::chrono::steady_clock::now();
        seconds += std::chrono::duration<double>(t1 - t0).count();
        moved += static_cast<long long>(FRAMES) * LOOPS * VEHICLES_PER_TRAIN;
    }
    int active = 0, coupled = 0;
    for (TRAIN* t = trainList.GetFirst(); t; t = t->pNext) {
        active += t->bActive;
        coupled += (t->pCoupled0 != nullptr) + (t->pCoupled1 != nullptr);
    }
    const double frames = static_cast<double>(FRAMES) * state.iterations();
    state.counters["us_per_frame"] = seconds / frames * 1e6;
    state.counters["vehicles_moved_per_s"] = seconds > 0.0 ? static_cast<double>(moved) / seconds : 0.0;
    state.counters["active_vehicles"] = active;
    state.counters["coupled_ends"] = coupled;
}
BENCHMARK(BM_TrainUpdate)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
