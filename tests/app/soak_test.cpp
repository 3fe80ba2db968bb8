// A long run of the whole program on the bundled sample layout: the content
// and the sample are generated into a fresh folder, the program starts
// in-process on a headless display device and the running layout is stepped
// for ten minutes of layout time at a fixed 20 ms a frame. The train runs
// round the oval, the switch is thrown from the manual control table halfway
// so that it turns into the siding and stops at the buffer stop, and the
// autosave made on the way loads back.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "app/gamestate.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "editor/editor.h"
#include "platform/d3d8.h"
#include "platform/platform_hooks.h"
#include "platform/window.h"
#include "rail/layoutfile.h"
#include "rail/layoutstate.h"
#include "rail/manualcontrol.h"
#include "rail/track.h"
#include "rail/train.h"
#include "support/content_support.h"
#include "support/testutil.h"
#include "world/terrobj.h"

namespace {

constexpr DWORD kFrameMs = 20;
constexpr int kSoakFrames = 30000;  // ten minutes at 20 ms
constexpr int kSamplePieces = 32;   // oval and siding of the sample
constexpr int kSidingPieces = 6;
constexpr int kSampleVehicles = 4;

std::string BuildProgram(const char* name) { return veltest::BuiltContentProgram(name); }

using veltest::PrepareContent;

class Soak : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string gen = BuildProgram("velmarine_content");
        const std::string builder = BuildProgram("velmarine_layout");
        if (gen.empty() || builder.empty()) GTEST_SKIP() << "content generator or layout builder not built";
        char buf[PATH_MAX];
        const std::string home = getcwd(buf, sizeof buf) ? buf : ".";
        dir_ = std::make_unique<veltest::TempDir>();
        ASSERT_EQ(chdir(home.c_str()), 0);
        const bool ready = PrepareContent(gen, dir_->Path());
        ASSERT_EQ(chdir(dir_->Path().c_str()), 0);
        ASSERT_TRUE(ready) << "content generation failed";
        const std::string cmd = "'" + builder + "' > layout.log 2>&1";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << veltest::ReadFile("layout.log");
        ASSERT_TRUE(std::filesystem::exists("sample.roa"));
        ResetStartLogForTest();
        // Nothing is drawn: the device keeps its buffers in memory, and the
        // program needs no X server.
        setenv("VEL_HEADLESS", "1", 1);
        plat::ForceHeadlessDevices(true);
        plat::SetIgnoreSystemInput(true);
        // While starting, every clock read moves on (the frame clock waits
        // for a change); afterwards the clock moves exactly one frame time
        // per turn of the loop.
        plat::SetClockHook([this]() {
            if (!fixedFrames_) return now_ += kFrameMs;
            if (++readsSinceStep_ > 10000) ++now_;  // never spin on an unchanged clock
            return now_;
        });
    }

    void TearDown() override {
        // The program's own end: device objects, textures and the device go.
        if (started_) ShutDown();
        plat::SetClockHook(nullptr);
        dir_.reset();
    }

    bool Start(const std::string& extra) {
        const std::string line = "-c32 -x800 -y600" + extra;
        myGlobs.ReadCommandLine(line.c_str());
        int code = 0;
        started_ = InitProgram(PlatformInstance(), SW_SHOWDEFAULT, &code) == 1;
        return started_;
    }

    void Step() {
        now_ += kFrameMs;
        readsSinceStep_ = 0;
        RunLoopTurn();
    }

    bool RunUntil(bool (*done)(), int maxFrames) {
        for (int i = 0; i < maxFrames; ++i) {
            if (done()) return true;
            if (myGlobs.quit) return false;
            RunLoopTurn();
        }
        return done();
    }

    static TRAIN* Engine() {
        for (TRAIN* t = trainList.GetFirst(); t; t = t->pNext)
            if (t->IsEngine()) return t;
        return nullptr;
    }

    // Vehicles from the engine along its coupled side; 0 when the chain
    // breaks or a vehicle is off the track.
    static int ChainLength(TRAIN* engine) {
        int n = 0;
        TRAIN* prev = nullptr;
        for (TRAIN* t = engine; t && n <= kSampleVehicles; t = t->GetCoupled(1)) {
            if (!t->GetTrack()) return 0;
            if (prev && t->GetCoupled(0) != prev) return 0;
            prev = t;
            ++n;
        }
        return n;
    }

    static TRACK* FindSwitch() {
        for (TRACK* p = trackList.GetFirst(); p; p = p->pNext)
            if (p->IsSwitch()) return p;
        return nullptr;
    }

    // The siding's pieces, walked from the switch's branch end.
    static std::set<const TRACK*> Siding(TRACK* sw) {
        std::set<const TRACK*> siding;
        TRACK* q = sw->end[1].pTrack;
        int from = sw->end[1].conEnd;
        while (q && siding.insert(q).second) {
            const int other = from == 0 ? 1 : 0;
            if (q->end[other].state != END_CONNECTED) break;
            from = q->end[other].conEnd;
            q = q->end[other].pTrack;
        }
        return siding;
    }

    std::unique_ptr<veltest::TempDir> dir_;
    DWORD now_ = 100000;
    bool started_ = false;
    bool fixedFrames_ = false;
    int readsSinceStep_ = 0;
};

}  // namespace

TEST_F(Soak, SampleLayoutRunsTenMinutesThenTakesTheSiding) {
    ASSERT_TRUE(Start(" -mNO -lsample"));
    ASSERT_TRUE(RunUntil([] { return gameState == EDITOR_RUN_STATE && editorState == ED_EDIT; }, 3000))
        << "state " << gameState << " editor " << editorState;
    ASSERT_STREQ("sample", layoutState.GetFileName());
    ASSERT_EQ(kSamplePieces, trackList.GetCount());
    ASSERT_EQ(kSampleVehicles, trainList.GetCount());
    ASSERT_GT(terrobjList.Count(), 0);
    ASSERT_EQ(1, layoutState.GetAutosave());
    ASSERT_EQ(0, myGlobs.crashState);

    TRAIN* engine = Engine();
    ASSERT_NE(nullptr, engine);
    ASSERT_EQ(kSampleVehicles, ChainLength(engine));
    TRACK* sw = FindSwitch();
    ASSERT_NE(nullptr, sw);
    ASSERT_EQ(1, sw->switchState);
    const std::set<const TRACK*> siding = Siding(sw);
    ASSERT_EQ(static_cast<size_t>(kSidingPieces), siding.size());
    // The engine starts at the station; each return to its piece is a lap.
    const TRACK* station = engine->GetTrack();
    ASSERT_NE(nullptr, station);

    // The switch is in the manual control table, or put there as a user
    // would through the track window's option.
    if (!manualControlTable.Find(MCT_SWITCH, sw)) manualControlTable.SetControl(MCT_SWITCH, sw, 1);
    MANUAL_CONTROL_ENTRY* cell = manualControlTable.Find(MCT_SWITCH, sw);
    ASSERT_NE(nullptr, cell);

    const int pieces = trackList.GetCount();
    const int objects = terrobjList.Count();
    const int vehicles = trainList.GetCount();
    const int startFrame = myGlobs.frameCounter;
    std::filesystem::remove("autosave1.roa");
    std::filesystem::remove("autosave2.roa");
    layoutState.SetAutosaveTimer(0);

    fixedFrames_ = true;
    int laps = 0;
    int lapsBeforeThrow = 0;
    int firstBadFrame = -1;
    int autosaveFrame = -1;
    const TRACK* last = station;
    for (int i = 0; i < kSoakFrames; ++i) {
        if (i == kSoakFrames / 2) {
            lapsBeforeThrow = laps;
            ASSERT_EQ(0, cell->ActItem(572, 0, 0));
            ASSERT_EQ(2, sw->switchState) << "the table did not throw the switch";
        }
        Step();
        ASSERT_EQ(0, myGlobs.quit);
        EXPECT_EQ(kFrameMs, static_cast<DWORD>(frameTime));
        if (autosaveFrame < 0 && std::filesystem::exists("autosave1.roa")) autosaveFrame = i;
        const TRACK* at = engine->GetTrack();
        if (at == station && last != station) ++laps;
        last = at;
        if (firstBadFrame < 0 && (myGlobs.crashState != 0 || ChainLength(engine) != kSampleVehicles ||
                                  !std::isfinite(engine->vPos.x) || !std::isfinite(engine->vPos.y)))
            firstBadFrame = i;
    }
    fixedFrames_ = false;
    RecordProperty("laps_before_throw", lapsBeforeThrow);
    RecordProperty("laps", laps);
    RecordProperty("autosave_frame", autosaveFrame);

    EXPECT_EQ(-1, firstBadFrame) << "crash state " << myGlobs.crashState << ", chain " << ChainLength(engine);
    EXPECT_EQ(0, myGlobs.crashState);
    EXPECT_EQ(EDITOR_RUN_STATE, gameState);
    EXPECT_GE(myGlobs.frameCounter - startFrame, kSoakFrames);
    EXPECT_EQ(pieces, trackList.GetCount());
    EXPECT_EQ(objects, terrobjList.Count());
    EXPECT_EQ(vehicles, trainList.GetCount());
    EXPECT_EQ(kSampleVehicles, ChainLength(engine));
    for (TRAIN* t = trainList.GetFirst(); t; t = t->pNext) EXPECT_NE(nullptr, t->GetTrack());

    // Round the oval several times in the first five minutes, and no lap
    // after the switch sent the train into the siding.
    EXPECT_GE(lapsBeforeThrow, 3) << "laps " << laps;
    EXPECT_LE(laps - lapsBeforeThrow, 1);
    // The train stands in the siding with the engine at the buffer stop.
    EXPECT_TRUE(siding.count(engine->GetTrack())) << "engine on piece " << engine->GetTrack()->id;
    EXPECT_EQ(0.0f, engine->speed);
    const D3DXVECTOR3 rest = engine->vPos;
    for (int i = 0; i < 50; ++i) Step();
    EXPECT_NEAR(rest.x, engine->vPos.x, 1e-4f);
    EXPECT_NEAR(rest.y, engine->vPos.y, 1e-4f);
    EXPECT_EQ(0, myGlobs.crashState);

    // The autosave after five minutes reads back as a whole layout.
    EXPECT_GE(autosaveFrame, 300000 / static_cast<int>(kFrameMs) - 2) << "autosave came too early";
    EXPECT_LE(autosaveFrame, 300000 / static_cast<int>(kFrameMs) + 2) << "no autosave on time";
    ASSERT_TRUE(std::filesystem::exists("autosave1.roa"));
    EXPECT_EQ(LOAD_OK, layoutState.LoadLayout("autosave1.roa"));
    EXPECT_EQ(kSamplePieces, trackList.GetCount());
    EXPECT_EQ(kSampleVehicles, trainList.GetCount());
    EXPECT_EQ(objects, terrobjList.Count());
}
