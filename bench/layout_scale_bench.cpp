// Frame cost of the sample layout and of a large layout, on the headless
// device and through OpenGL, with the device's CPU vertex stage and with its
// GL vertex program side by side.
//
// The large layout is built with the program's own lists, as the sample is:
// a 10 x 8 tile terrain with 56 closed circles of 16 curved pieces (896
// pieces), a powered feed point and a train of an engine and four coaches on
// each circle (280 vehicles), and 3000 trees and houses of the bundled
// content between them.
//
// Run it under an X server with Mesa's software GL, for example:
//   xvfb-run -a -s "-screen 0 1024x768x24" build/bench/bench/layout_scale_bench
// It prints, per layout: the CPU time of one update pass and one render pass
// on the headless device; and at 1024 x 768 through GL, for the CPU vertex
// stage and for the GL vertex program, the milliseconds per frame split into
// our vertex stage, our draw submission (state set-up, buffer uploads and the
// GL calls), Present (waiting for the rasteriser) and the rest of the frame,
// followed by the ratios of the two. Every measurement runs in a process of
// its own, since the program keeps its state in global managers.
//
// Options: --frames N (GL frames per block, default 40), --rounds N (blocks
// per vertex stage, alternating, default 3), --headless-frames N (default
// 100), --no-gl.
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/random.h"
#include "bench/bench_program.h"
#include "content/layout_builder/sample_layout.h"
#include "gfx/display.h"
#include "rail/layoutfile.h"
#include "rail/layoutstate.h"
#include "rail/power.h"
#include "rail/track.h"
#include "rail/train.h"
#include "world/terrain.h"
#include "world/terrobj.h"
#include "world/xobject.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// ---------------------------------------------------------------------------
// The large layout

constexpr int kTilesX = 10, kTilesY = 8;
constexpr int kCircleColumns = 8, kCircleRows = 7;  // 56 circles
constexpr int kCurve = 2;                           // 22.5-degree curve, radius 5.5
constexpr float kCircleRadius = 5.5f;
constexpr float kColumnStep = 17.0f, kRowStep = 15.5f;
constexpr int kTrees = 2400, kHouses = 600;
const int kConsist[] = {1201, 1351, 1352, 1351, 1352};  // an engine and four coaches
const int kTreeIds[] = {2001, 2002, 2003, 2004, 2005, 2006};
const int kHouseIds[] = {2009, 3001, 3002, 3003, 3004};

float CircleX(int column) { return (column - (kCircleColumns - 1) * 0.5f) * kColumnStep; }
float CircleY(int row) { return (row - (kCircleRows - 1) * 0.5f) * kRowStep; }

// Distance from a point to the nearest circle of track.
float DistanceToTrack(float x, float y) {
    const int column = std::clamp((int)std::lround(x / kColumnStep + (kCircleColumns - 1) * 0.5f), 0, kCircleColumns - 1);
    const int row = std::clamp((int)std::lround(y / kRowStep + (kCircleRows - 1) * 0.5f), 0, kCircleRows - 1);
    return std::fabs(std::hypot(x - CircleX(column), y - CircleY(row)) - kCircleRadius);
}

float Random(float lo, float hi) { return lo + (hi - lo) * (float)VelRand() / (float)VEL_RAND_MAX; }

bool Fail(const char* why) {
    std::fprintf(stderr, "large layout: %s\n", why);
    return false;
}

bool PlaceObjects() {
    const float halfW = kTilesX * TERRAIN_TILESIZE * 0.5f - 1.5f, halfD = kTilesY * TERRAIN_TILESIZE * 0.5f - 1.5f;
    std::vector<std::pair<float, float>> houses;
    auto place = [](int objId, float x, float y) {
        const int type = GetObjTypeById(objId);
        if (type < 0 || !IsPlaceableType(type)) return false;
        return terrobjList.AddNew(type, objId, x, y, terrain.GetHeight(objId, x, y), Random(0.0f, 360.0f), 0.0f,
                                  0.0f) != nullptr;
    };
    for (int placed = 0, tries = 0; placed < kHouses; ++tries) {
        if (tries > 100 * kHouses) return Fail("no room for the houses");
        const float x = Random(-halfW, halfW), y = Random(-halfD, halfD);
        if (DistanceToTrack(x, y) < 2.2f) continue;
        bool clear = true;
        for (const auto& h : houses) clear = clear && std::hypot(h.first - x, h.second - y) > 2.6f;
        if (!clear) continue;
        if (!place(kHouseIds[placed % 5], x, y)) return Fail("a house could not be placed");
        houses.push_back({x, y});
        ++placed;
    }
    for (int placed = 0, tries = 0; placed < kTrees; ++tries) {
        if (tries > 100 * kTrees) return Fail("no room for the trees");
        const float x = Random(-halfW, halfW), y = Random(-halfD, halfD);
        if (DistanceToTrack(x, y) < 1.4f) continue;
        bool clear = true;
        for (const auto& h : houses) clear = clear && std::hypot(h.first - x, h.second - y) > 1.8f;
        if (!clear) continue;
        if (!place(kTreeIds[placed % 6], x, y)) return Fail("a tree could not be placed");
        ++placed;
    }
    return true;
}

// Builds the large layout and saves it as "large" in the working folder.
bool BuildLargeLayout() {
    VelSrand(1717u);
    if (!NewLayout(0, kTilesX, kTilesY)) return Fail("no terrain");
    // Gentle hills between the circles.
    for (int i = 1; i < terrain.GetGridX(); ++i)
        for (int j = 1; j < terrain.GetGridY(); ++j) {
            D3DXVECTOR3 v;
            if (!terrain.GetVertexPosition(i, j, &v)) continue;
            const float d = DistanceToTrack(v.x, v.y);
            const float hill = 0.6f * std::sin(v.x * 0.21f) * std::cos(v.y * 0.17f);
            terrain.SetVertexHeight(i, j, -std::max(0.0f, hill) * std::min(1.0f, std::max(0.0f, d - 2.5f) / 3.0f));
        }
    terrain.ComputeNormals();
    terrain.RefreshTiles(-1, -1);

    std::vector<TRACK*> firsts;
    for (int row = 0; row < kCircleRows; ++row)
        for (int column = 0; column < kCircleColumns; ++column) {
            sample::TrackCursor c{CircleX(column), CircleY(row) - kCircleRadius, 0.0f};
            TRACK* first = nullptr;
            for (int k = 0; k < 16; ++k) {
                TRACK* p = sample::LayTrack(kCurve, 0, 1, c);
                if (!p) return Fail("a piece could not be laid");
                if (!first) first = p;
            }
            firsts.push_back(first);
        }
    trackList.RebuildConnections();
    trackList.DetGroundStates();
    for (TRACK* first : firsts) {
        char name[POWERNAMELEN];
        powerList.MakePowerName(name);
        if (!powerList.CreateFeedPoint(first, 60, name, 1)) return Fail("no feed point");
    }
    powerList.UpdatePower();
    for (TRACK* first : firsts) {
        TRACK* at = first;
        for (int k = 0; k < 8; ++k) at = at->pNext;
        if (!sample::PlaceCoupledTrain(at, kConsist, 5)) return Fail("a train could not be placed");
    }
    if (!PlaceObjects()) return false;
    trackList.FillRenderBuffer();
    terrobjList.BuildBatches();
    terrobjList.BuildShadowSprites();
    // A view over most of the layout.
    layoutState.SetGroundPoint(0.0f, 6.0f);
    display.SetCameraAngles(1.45f, 0.95f, 95.0f);
    display.UpdateView(1, layoutState.GetCameraTargetX(), layoutState.GetCameraTargetY());
    const std::string file = std::string("large") + GetLayoutExtension();
    return layoutState.SaveLayout(file.c_str()) != 0 || Fail("the layout could not be saved");
}

// ---------------------------------------------------------------------------
// Measuring, one process each

void Result(const char* key, double value) { std::printf("RESULT %s %.6f\n", key, value); }

void LayoutCounts() {
    Result("pieces", trackList.GetCount());
    Result("vehicles", trainList.GetCount());
    Result("objects", terrobjList.Count());
}

int MeasureHeadless(const std::string& layout, int frames) {
    const std::string why = bench::StartProgram("-c32 -x1024 -y768 -mNO -l" + layout, true);
    if (!why.empty()) {
        std::fprintf(stderr, "%s: %s\n", layout.c_str(), why.c_str());
        return 1;
    }
    LayoutCounts();
    for (int i = 0; i < 20; ++i) {
        bench::NextFrameClock();
        UpdateFrame();
        RenderFrame();
    }
    double update = 0.0, render = 0.0;
    const unsigned drawsBefore = plat::DeviceDrawCallCount(display.GetDevice());
    for (int i = 0; i < frames; ++i) {
        bench::NextFrameClock();
        const Clock::time_point t0 = Clock::now();
        UpdateFrame();
        const Clock::time_point t1 = Clock::now();
        RenderFrame();
        const Clock::time_point t2 = Clock::now();
        update += MsBetween(t0, t1);
        render += MsBetween(t1, t2);
    }
    Result("headless_draws", (double)(plat::DeviceDrawCallCount(display.GetDevice()) - drawsBefore) / frames);
    Result("headless_update_ms", update / frames);
    Result("headless_render_ms", render / frames);
    return 0;
}

// The back buffer as 0x00RRGGBB pixels.
std::vector<uint32_t> ReadPicture(IDirect3DDevice8* dev) {
    std::vector<uint32_t> px;
    IDirect3DSurface8* s = nullptr;
    const UINT w = (UINT)display.GetScreenWidth(), h = (UINT)display.GetScreenHeight();
    if (dev->CreateImageSurface(w, h, D3DFMT_A8R8G8B8, &s) != D3D_OK) return px;
    D3DLOCKED_RECT lr;
    if (dev->GetFrontBuffer(s) == D3D_OK && s->LockRect(&lr, nullptr, D3DLOCK_READONLY) == D3D_OK) {
        for (UINT y = 0; y < h; ++y)
            for (UINT x = 0; x < w; ++x) px.push_back(((const uint32_t*)((const BYTE*)lr.pBits + y * lr.Pitch))[x] & 0xffffff);
        s->UnlockRect();
    }
    s->Release();
    return px;
}

int MeasureGl(const std::string& layout, int frames, int rounds) {
    const std::string why = bench::StartProgram("-c32 -x1024 -y768 -mNO -l" + layout, false);
    if (!why.empty()) {
        std::fprintf(stderr, "%s: %s\n", layout.c_str(), why.c_str());
        return 1;
    }
    IDirect3DDevice8* dev = display.GetDevice();
    if (!plat::DeviceHasContext(dev)) {
        std::fprintf(stderr, "%s: no GL context\n", layout.c_str());
        return 1;
    }
    LayoutCounts();
    auto run = [&](int n) {
        for (int i = 0; i < n; ++i) {
            bench::NextFrameClock();
            RunLoopTurn();
        }
    };
    // Warm up both stages (GL programs, buffer uploads, texture uploads).
    for (bool cpu : {true, false}) {
        plat::SetCpuVertexStage(dev, cpu);
        run(10);
    }
    struct Sum {
        double frameMs = 0, vertexMs = 0, submitMs = 0, glDrawMs = 0, presentMs = 0, draws = 0, cpuVertices = 0;
        int frames = 0;
    } sums[2];
    for (int r = 0; r < rounds; ++r)
        for (int m = 0; m < 2; ++m) {
            plat::SetCpuVertexStage(dev, m == 0);
            run(2);
            plat::SetDeviceTiming(dev, true);
            const Clock::time_point t0 = Clock::now();
            run(frames);
            const double ms = MsBetween(t0, Clock::now());
            const plat::DeviceTimings t = plat::ReadDeviceTimings(dev);
            plat::SetDeviceTiming(dev, false);
            Sum& s = sums[m];
            s.frameMs += ms;
            s.vertexMs += t.vertexStageMs;
            s.submitMs += t.drawSubmitMs;
            s.glDrawMs += t.glDrawCallMs;
            s.presentMs += t.presentMs;
            s.draws += t.draws;
            s.cpuVertices += t.cpuVertices;
            s.frames += frames;
        }
    for (int m = 0; m < 2; ++m) {
        const Sum& s = sums[m];
        const std::string p = m == 0 ? "cpu_" : "gpu_";
        const double n = s.frames;
        Result((p + "frame_ms").c_str(), s.frameMs / n);
        Result((p + "vertex_ms").c_str(), s.vertexMs / n);
        Result((p + "submit_ms").c_str(), s.submitMs / n);
        Result((p + "gl_draw_ms").c_str(), s.glDrawMs / n);
        Result((p + "present_ms").c_str(), s.presentMs / n);
        Result((p + "draws").c_str(), s.draws / n);
        Result((p + "cpu_vertices").c_str(), s.cpuVertices / n);
    }
    // The same frame drawn by both stages.
    std::vector<uint32_t> pictures[2];
    for (int m = 0; m < 2; ++m) {
        plat::SetCpuVertexStage(dev, m == 0);
        RenderFrame();
        pictures[m] = ReadPicture(dev);
    }
    if (!pictures[0].empty() && pictures[0].size() == pictures[1].size()) {
        size_t differ = 0;
        int worst = 0;
        for (size_t i = 0; i < pictures[0].size(); ++i) {
            int d = 0;
            for (int shift = 0; shift < 24; shift += 8)
                d = std::max(d, std::abs((int)((pictures[0][i] >> shift) & 0xff) - (int)((pictures[1][i] >> shift) & 0xff)));
            if (d > 8) ++differ;
            worst = std::max(worst, d);
        }
        Result("picture_pixels_differing", (double)differ);
        Result("picture_pixels", (double)pictures[0].size());
        Result("picture_worst_channel_difference", worst);
    }
    return 0;
}

// ---------------------------------------------------------------------------
// The parent: prepares the folder, runs the children and prints the table.

std::string selfPath;

std::map<std::string, double> RunChild(const std::string& args, bool* ok) {
    std::map<std::string, double> out;
    const std::string cmd = "'" + selfPath + "' " + args;
    FILE* p = popen(cmd.c_str(), "r");
    *ok = false;
    if (!p) return out;
    char line[512];
    while (std::fgets(line, sizeof line, p)) {
        char key[128];
        double v = 0.0;
        if (std::sscanf(line, "RESULT %127s %lf", key, &v) == 2) out[key] = v;
    }
    const int status = pclose(p);
    *ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return out;
}

void PrintLayout(const std::string& name, std::map<std::string, double>& h, std::map<std::string, double>& g,
                 bool haveGl) {
    std::printf("\n== %s layout: %.0f pieces, %.0f vehicles, %.0f placed objects\n", name.c_str(), h["pieces"],
                h["vehicles"], h["objects"]);
    std::printf("headless device, CPU per frame: update %.3f ms, render %.3f ms (%.0f draw calls)\n",
                h["headless_update_ms"], h["headless_render_ms"], h["headless_draws"]);
    if (!haveGl) return;
    std::printf("OpenGL at 1024 x 768, %.0f draw calls per frame, milliseconds per frame (share of the frame):\n",
                g["gpu_draws"]);
    std::printf("  %-18s %8s %6s %15s %15s %15s %15s %15s\n", "vertex stage", "frame", "fps", "our vertex st.",
                "our submission", "in GL draws", "present", "rest");
    for (const char* p : {"cpu", "gpu"}) {
        const std::string k = p;
        const double f = g[k + "_frame_ms"], v = g[k + "_vertex_ms"], gd = g[k + "_gl_draw_ms"];
        const double ours = g[k + "_submit_ms"] - gd, pr = g[k + "_present_ms"];
        const double rest = f - v - ours - gd - pr;
        auto part = [f](double ms) {
            static char buf[4][32];
            static int i = 0;
            i = (i + 1) % 4;
            std::snprintf(buf[i], sizeof buf[i], "%6.2f (%4.1f%%)", ms, 100.0 * ms / f);
            return buf[i];
        };
        std::printf("  %-18s %8.2f %6.1f %s %s %s %s", k == "cpu" ? "CPU (reference)" : "GL vertex program", f,
                    1000.0 / f, part(v), part(ours), part(gd), part(pr));
        std::printf(" %s\n", part(rest));
    }
    std::printf("  frames per second, GL vertex program / CPU stage: %.2fx\n", g["cpu_frame_ms"] / g["gpu_frame_ms"]);
    if (g.count("picture_pixels"))
        std::printf("  same frame by both stages: %.0f of %.0f pixels differ by more than 8 (largest difference %.0f)\n",
                    g["picture_pixels_differing"], g["picture_pixels"], g["picture_worst_channel_difference"]);
}

int Parent(int frames, int rounds, int headlessFrames, bool gl) {
    const std::string why = bench::PrepareContentFolder("vel_layout_scale_bench");
    if (!why.empty()) {
        std::fprintf(stderr, "layout_scale_bench: %s\n", why.c_str());
        return 1;
    }
    bool ok = false;
    RunChild("--build-large > large_build.log 2>&1", &ok);
    if (!ok) {
        std::fprintf(stderr, "layout_scale_bench: the large layout could not be built (see %s)\n",
                     (bench::WorkFolder() / "startlog.txt").c_str());
        return 1;
    }
    if (gl && !std::getenv("DISPLAY")) {
        std::fprintf(stderr, "layout_scale_bench: no DISPLAY, measuring the headless device only\n");
        gl = false;
    }
    int failures = 0;
    for (const char* layout : {"sample", "large"}) {
        std::map<std::string, double> h = RunChild(std::string("--measure ") + layout + " headless " +
                                                       std::to_string(headlessFrames), &ok);
        failures += !ok;
        std::map<std::string, double> g;
        if (gl) {
            g = RunChild(std::string("--measure ") + layout + " gl " + std::to_string(frames) + " " +
                             std::to_string(rounds), &ok);
            failures += !ok;
        }
        PrintLayout(layout, h, g, gl && ok);
    }
    return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return 1;
    buf[n] = 0;
    selfPath = buf;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "--build-large") {
        if (!sample::StartHeadlessDevice() || !sample::LoadGameDataHeadless()) return 1;
        return BuildLargeLayout() ? 0 : 1;
    }
    if (args.size() >= 4 && args[0] == "--measure") {
        if (args[2] == "headless") return MeasureHeadless(args[1], std::max(1, std::atoi(args[3].c_str())));
        if (args.size() >= 5) return MeasureGl(args[1], std::max(1, std::atoi(args[3].c_str())),
                                               std::max(1, std::atoi(args[4].c_str())));
        return 1;
    }
    int frames = 40, rounds = 3, headlessFrames = 100;
    bool gl = true;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--frames" && i + 1 < args.size()) frames = std::max(1, std::atoi(args[++i].c_str()));
        else if (args[i] == "--rounds" && i + 1 < args.size()) rounds = std::max(1, std::atoi(args[++i].c_str()));
        else if (args[i] == "--headless-frames" && i + 1 < args.size())
            headlessFrames = std::max(1, std::atoi(args[++i].c_str()));
        else if (args[i] == "--no-gl") gl = false;
    }
    return Parent(frames, rounds, headlessFrames, gl);
}
