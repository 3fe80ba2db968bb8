// The bundled sample layout: built into a folder of generated content, saved,
// and read back with the layout loader.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/input.h"
#include "app/startlog.h"
#include "content/layout_builder/sample_layout.h"
#include "editor/editor.h"
#include "gfx/myfont.h"
#include "platform/image.h"
#include "rail/infotext.h"
#include "rail/layoutfile.h"
#include "rail/layoutstate.h"
#include "rail/manualcontrol.h"
#include "rail/power.h"
#include "rail/track.h"
#include "rail/train.h"
#include "support/testutil.h"
#include "ui/coordinates.h"
#include "ui/screenlist.h"
#include "world/lightlist.h"
#include "world/skybox.h"
#include "world/terrain.h"
#include "world/terrobj.h"
#include "world/xobject.h"

namespace {

// A program of the build tree's content folder; the tests run in
// <build>/tests/work_content.
std::string ContentProgram(const char* name) {
    char buf[PATH_MAX];
    if (!getcwd(buf, sizeof buf)) return "";
    std::filesystem::path p = std::filesystem::path(buf) / ".." / ".." / "content" / name;
    std::error_code ec;
    return std::filesystem::exists(p, ec) ? std::filesystem::weakly_canonical(p, ec).string() : "";
}

class SampleLayout : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string gen = ContentProgram("velmarine_content");
        layoutBuilder_ = ContentProgram("velmarine_layout");
        if (gen.empty()) GTEST_SKIP() << "content generator not built";
        dir_ = std::make_unique<veltest::TempDir>();
        const std::string cmd = "'" + gen + "' '" + dir_->Path() + "' > gen.log 2>&1";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << "generator failed";
    }
    void TearDown() override { dir_.reset(); }

    // Builds and saves the sample in this process, then empties the lists.
    void BuildAndSave() {
        ASSERT_TRUE(sample::StartHeadlessDevice());
        ASSERT_TRUE(sample::LoadGameDataHeadless());
        char saved[LAYOUTFILENAMELEN] = {};
        ASSERT_TRUE(sample::BuildAndSaveSampleLayout(saved, sizeof saved));
        EXPECT_STREQ("sample.roa", saved);
        ClearLayout();
        ASSERT_EQ(nullptr, trackList.GetFirst());
        ASSERT_EQ(nullptr, trainList.GetFirst());
    }

    std::string layoutBuilder_;
    std::unique_ptr<veltest::TempDir> dir_;
};

TEST_F(SampleLayout, SavedLayoutLoadsBackWhole) {
    BuildAndSave();
    ASSERT_TRUE(std::filesystem::exists("sample.roa"));
    ASSERT_EQ(LOAD_OK, layoutState.LoadLayout("sample.roa"));

    // Track: the expected pieces, one joined run, no open end anywhere.
    EXPECT_EQ(sample::kTrackPieces, trackList.GetCount());
    int pieces = 0, switches = 0, endPieces = 0, curves = 0;
    const int group = trackList.GetFirst() ? trackList.GetFirst()->groupId : -1;
    for (TRACK* p = trackList.GetFirst(); p; p = p->pNext) {
        ++pieces;
        switches += p->IsSwitch();
        endPieces += p->kind == TRACK_ENDPIECE;
        curves += p->kind == TRACK_CURVE;
        EXPECT_EQ(group, p->groupId);
        for (int i = 0; i < 3; ++i) {
            const TRACK_END& e = p->end[i];
            if (e.state == END_NONE) continue;
            ASSERT_EQ(END_CONNECTED, e.state) << "piece " << p->id << " end " << i;
            ASSERT_NE(nullptr, e.pTrack);
            // The joined end links back and lies on the same point.
            const TRACK_END& back = e.pTrack->end[e.conEnd];
            EXPECT_EQ(p, back.pTrack);
            EXPECT_EQ(i, back.conEnd);
            EXPECT_NEAR(e.x, back.x, 0.02f);
            EXPECT_NEAR(e.y, back.y, 0.02f);
        }
    }
    EXPECT_EQ(sample::kTrackPieces, pieces);
    EXPECT_EQ(1, switches);
    EXPECT_EQ(1, endPieces);
    EXPECT_EQ(17, curves);  // 16 in the oval, 1 in the siding

    // The oval is a ring: walking its length from any loop piece comes back
    // to the start (the switch stands on the straight through route).
    TRACK* sw = nullptr;
    for (TRACK* p = trackList.GetFirst(); p; p = p->pNext)
        if (p->IsSwitch()) sw = p;
    ASSERT_NE(nullptr, sw);
    EXPECT_EQ(1, sw->switchState);
    float ring = 0.0f;
    for (TRACK* p = trackList.GetFirst(); p; p = p->pNext) ring += p->length;
    float pos = 0.0f;
    int flipped = 0, branch = 1;
    float loopLength = 0.0f;
    {
        // The loop's length: every piece except the siding's.
        std::set<TRACK*> siding;
        TRACK* q = sw->end[1].pTrack;
        int from = sw->end[1].conEnd;
        while (q && siding.insert(q).second) {
            const int other = from == 0 ? 1 : 0;
            if (q->end[other].state != END_CONNECTED) break;
            from = q->end[other].conEnd;
            q = q->end[other].pTrack;
        }
        EXPECT_EQ(static_cast<size_t>(sample::kSidingPieces), siding.size());
        for (TRACK* p = trackList.GetFirst(); p; p = p->pNext)
            if (!siding.count(p)) loopLength += p->length;
    }
    EXPECT_LT(loopLength, ring);
    TRACK* back = WalkAlongTrack(sw, 0.5f, 1, loopLength, &pos, &flipped, &branch);
    EXPECT_EQ(sw, back);
    EXPECT_NEAR(0.5f, pos, 0.05f);

    // Power: one feed point whose value reaches every piece.
    ASSERT_EQ(sample::kPowerFeeds, powerList.GetCount());
    POWER_NODE* node = powerList.GetFirst();
    ASSERT_NE(nullptr, node->pTrack);
    EXPECT_NE(0, node->currentValue);
    for (TRACK* p = trackList.GetFirst(); p; p = p->pNext) {
        EXPECT_EQ(node, p->pFeedNode);
        EXPECT_NE(0, p->powerValue);
    }

    // The train: an engine and three coaches, coupled in one chain whose
    // couplers meet.
    ASSERT_EQ(sample::kVehicles, trainList.GetCount());
    TRAIN* engine = nullptr;
    int engines = 0;
    for (TRAIN* t = trainList.GetFirst(); t; t = t->pNext) {
        EXPECT_NE(nullptr, t->pTrack);
        if (t->IsEngine()) {
            engine = t;
            ++engines;
        }
    }
    ASSERT_EQ(1, engines);
    EXPECT_EQ(nullptr, engine->GetCoupled(0));  // nothing ahead of the engine
    int chain = 1;
    for (TRAIN* t = engine; t->GetCoupled(1); t = t->GetCoupled(1)) {
        TRAIN* next = t->GetCoupled(1);
        ASSERT_EQ(0, t->GetCoupledEnd(1));
        ASSERT_EQ(t, next->GetCoupled(0));
        float pa = 0.0f, pb = 0.0f;
        int fa = 0, fb = 0;
        TRACK* a = t->GetCouplingPoint(1, &pa, &fa);
        TRACK* b = next->GetCouplingPoint(0, &pb, &fb);
        EXPECT_TRUE(IsCouplingClose(a, pa, b, pb));
        ++chain;
        ASSERT_LE(chain, sample::kVehicles);
    }
    EXPECT_EQ(sample::kVehicles, chain);

    // Scenery: the station, lamps and a signal among the placed objects, on
    // a terrain with hills and a pond below the water level.
    std::set<int> ids;
    for (TERROBJ* o = terrobjList.GetFirst(); o; o = o->next) ids.insert(o->objId);
    EXPECT_GT(terrobjList.Count(), 60);
    for (int id : {5001, 5002, 6001, 6002, 7010, 3001, 2003}) EXPECT_TRUE(ids.count(id)) << id;
    float highest = 0.0f, lowest = 0.0f;
    for (int i = 0; i <= terrain.GetGridX(); ++i)
        for (int j = 0; j <= terrain.GetGridY(); ++j) {
            const float z = terrain.GetVertexHeight(i, j);
            highest = std::min(highest, z);
            lowest = std::max(lowest, z);
        }
    EXPECT_LT(highest, -1.5f);
    EXPECT_GT(lowest, 0.3f);
    // The track lies on level ground.
    for (TRACK* p = trackList.GetFirst(); p; p = p->pNext) {
        EXPECT_NEAR(0.0f, terrain.GetHeight(p->x, p->y, 0), 0.01f);
        EXPECT_EQ(GROUND_ON, p->groundState);
    }

    // The description next to the layout was read.
    EXPECT_TRUE(infoText.IsLoaded());
    EXPECT_NE(nullptr, std::strstr(infoText.GetText(), "Velmarine Halt"));
}

// The description is shown in the information window's text items (left
// edge 20, "font_taho" at 17 in a 400-wide window): every wrapped line must
// fit there, and the whole text must be among the shown lines.
TEST_F(SampleLayout, DescriptionFitsTheInformationWindow) {
    BuildAndSave();
    InitFonts();
    ASSERT_NE(nullptr, FindFont("fontp"));
    infoText.Load("sample.roa");
    ASSERT_TRUE(infoText.IsLoaded());
    ASSERT_LE(infoText.GetLineCount(), INFOTEXTSHOWNLINES);
    EXPECT_NE(nullptr, std::strstr(infoText.GetLine(infoText.GetLineCount() - 1), "extend."));
    for (int i = 0; i < infoText.GetLineCount(); ++i) {
        int width = 0;
        MeasureFontText("font_taho", infoText.GetLine(i), 17, &width, nullptr);
        EXPECT_LE(20 + width, 400 - 15) << "line " << i << ": " << infoText.GetLine(i);
    }
}

// The switch is named alike in the view and in the control table: its cell
// shows the switch's own name, also after the switch window renames it.
TEST_F(SampleLayout, SwitchCellShowsTheSwitchName) {
    BuildAndSave();
    ASSERT_EQ(LOAD_OK, layoutState.LoadLayout("sample.roa"));
    TRACK* sw = nullptr;
    for (TRACK* p = trackList.GetFirst(); p; p = p->pNext)
        if (p->IsSwitch()) sw = p;
    ASSERT_NE(nullptr, sw);
    EXPECT_STREQ("S1", sw->featureName);
    EXPECT_STREQ("", sw->name);
    MANUAL_CONTROL_ENTRY* cell = manualControlTable.Find(MCT_SWITCH, sw);
    ASSERT_NE(nullptr, cell) << "the switch has no cell in the control table";
    char shown[TRACKFEATURENAMELEN] = {};
    cell->GetName(shown, sizeof shown);
    EXPECT_STREQ("S1", shown);
    CopyText(sw->featureName, TRACKFEATURENAMELEN, "Yard");
    cell->GetName(shown, sizeof shown);
    EXPECT_STREQ("Yard", shown);
}

// The toolbar's sky pair with the generated sky list: the button shown by
// day gives the night sky with its lamps lit, the one shown at night gives
// the day sky back.
TEST_F(SampleLayout, SkyButtonsGiveNightWithLampsAndDay) {
    ASSERT_TRUE(sample::StartHeadlessDevice());
    ASSERT_TRUE(sample::LoadGameDataHeadless());
    ASSERT_TRUE(NewLayout(0, 4, 3));
    InitEditorToolbar();
    editorState = ED_EDIT;
    auto press = [](int id) {
        SCREEN_ITEM item;
        ASSERT_TRUE(screenList.FindItem(id, &item)) << "no button " << id;
        cursorX = (item.screen.left + item.screen.right) / 2;
        cursorY = (item.screen.top + item.screen.bottom) / 2;
        mouseLeftDown = 1;
        screenList.Update();
        ActDownEDIT();
        mouseLeftDown = 0;
    };
    EXPECT_EQ(0, skybox.GetCurrentIndex());
    EXPECT_FALSE(lightList.IsNight());
    press(223);
    EXPECT_EQ(1, skybox.GetCurrentIndex());
    EXPECT_TRUE(lightList.IsNight());
    EXPECT_TRUE(lightList.GetLampsOn());
    press(232);
    EXPECT_EQ(0, skybox.GetCurrentIndex());
    EXPECT_FALSE(lightList.IsNight());
    EXPECT_FALSE(lightList.GetLampsOn());
    // The two states of the button look different.
    RECT day{}, night{};
    GetCoordinates(223, &day, nullptr);
    GetCoordinates(232, &night, nullptr);
    plat::Image sheet;
    std::string error;
    ASSERT_TRUE(plat::LoadImageFile("objects\\bitmaps\\bitmap.dds", sheet, error)) << error;
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(plat::LevelToARGB(sheet.format, sheet.levels[0], pixels));
    int differing = 0;
    for (int y = 0; y < day.bottom - day.top; ++y)
        for (int x = 0; x < day.right - day.left; ++x)
            differing += pixels[size_t(day.top + y) * sheet.Width() + day.left + x] !=
                         pixels[size_t(night.top + y) * sheet.Width() + night.left + x];
    EXPECT_GT(differing, (day.right - day.left) * (day.bottom - day.top) / 10);
}

TEST_F(SampleLayout, RebuildingGivesTheSameFile) {
    BuildAndSave();
    const std::string first = veltest::ReadFile("sample.roa");
    ASSERT_GT(first.size(), 1000u);
    ASSERT_TRUE(sample::BuildAndSaveSampleLayout(nullptr, 0));
    const std::string second = veltest::ReadFile("sample.roa");
    ASSERT_EQ(first.size(), second.size());
    size_t diff = 0;
    while (diff < first.size() && first[diff] == second[diff]) ++diff;
    EXPECT_EQ(first.size(), diff) << "first difference at byte " << diff;
    // The temporary file of the safe save is gone.
    EXPECT_FALSE(std::filesystem::exists("sample.roa.tmp"));
}

TEST_F(SampleLayout, ProgramWritesTheLayoutIntoItsWorkingFolder) {
    if (layoutBuilder_.empty()) GTEST_SKIP() << "layout builder not built";
    const std::string cmd = "'" + layoutBuilder_ + "' > layout.log 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << veltest::ReadFile("layout.log");
    EXPECT_TRUE(std::filesystem::exists("sample.roa"));
    EXPECT_TRUE(std::filesystem::exists("sample.txt"));
    EXPECT_TRUE(std::filesystem::exists("startlog.txt"));
}

TEST(SampleLayoutFolder, ProgramFailsCleanlyWithoutContent) {
    const std::string builder = ContentProgram("velmarine_layout");
    if (builder.empty()) GTEST_SKIP() << "layout builder not built";
    veltest::TempDir dir;
    const std::string cmd = "'" + builder + "' > layout.log 2>&1";
    EXPECT_NE(std::system(cmd.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists("sample.roa"));
}

}  // namespace
