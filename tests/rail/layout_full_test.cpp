// Layout files with every record kind: the byte-exact round trip, files cut
// anywhere, and records with one bad field.
#include <climits>
#include <cmath>

#include "layout_test.h"

namespace {

int CountTracks() {
    int n = 0;
    for (TRACK* p = trackList.GetFirst(); p; p = p->pNext) n++;
    return n;
}

}  // namespace

class FullLayoutTest : public LayoutTest {
protected:
    void SetUp() override {
        LayoutTest::SetUp();
        ASSERT_TRUE(fulllayout::Build(&layout));
        ASSERT_EQ(layoutState.SaveLayout("full.roa"), 1);
        file = veltest::ReadFile("full.roa");
        sections = fulllayout::SectionOffsets(file);
        ASSERT_EQ(sections.size(), 13u);
    }

    // Each byte where two files differ, named by its section.
    void ExpectSameBytes(const std::string& a, const std::string& b) const {
        ASSERT_EQ(a.size(), b.size());
        for (size_t at = 0, shown = 0; at < a.size() && shown < 20; at++) {
            if (a[at] == b[at]) continue;
            size_t k = 0;
            while (k + 1 < sections.size() && sections[k + 1] <= at) k++;
            ADD_FAILURE() << "byte " << at << " of section " << k << " (+" << at - sections[k] << ") differs";
            shown++;
        }
    }

    // Offset of record k of the section that begins at `section`.
    size_t Record(int section, int k, int size) const { return sections[section] + 4 + k * size; }

    fulllayout::LAYOUT layout;
    std::string file;
    std::vector<size_t> sections;
};

TEST_F(FullLayoutTest, TheLayoutHoldsEveryRecordKind) {
    EXPECT_EQ(CountTracks(), 9);
    EXPECT_EQ(layout.main->end[1].pTrack, layout.stretched);
    EXPECT_EQ(layout.rightSwitch->end[1].pTrack, layout.curve);
    EXPECT_EQ(layout.rightSwitch->end[2].pTrack, layout.crossing);
    EXPECT_EQ(layout.leftSwitch->end[2].pTrack, layout.turntable);
    EXPECT_EQ(layout.buffer->end[0].pTrack, layout.main);
    EXPECT_EQ(controlList.GetCount(), 9);
    EXPECT_EQ(manualControlTable.GetEntryCount(), 6);
    EXPECT_GT(terrain.GetBlurEntriesInUse(), 0);
    EXPECT_GT(lightList.GetLightCount(), 0);
}

TEST_F(FullLayoutTest, LoadThenSaveWritesTheSameBytes) {
    ASSERT_EQ(layoutState.LoadLayout("full.roa"), 490);
    EXPECT_EQ(CountTracks(), 9);
    EXPECT_EQ(controlList.GetCount(), 9);
    int vehicles = 0;
    for (TRAIN* t = trainList.GetFirst(); t; t = t->pNext) vehicles++;
    EXPECT_EQ(vehicles, 6);
    ASSERT_EQ(layoutState.SaveLayout("again.roa"), 1);
    const std::string again = veltest::ReadFile("again.roa");
    ASSERT_EQ(again.size(), file.size());
    ExpectSameBytes(fulllayout::WithoutLoadChanges(file, true), fulllayout::WithoutLoadChanges(again, false));
}

TEST_F(FullLayoutTest, PlacedObjectsKeepTheirHeadingsAsStored) {
    ASSERT_EQ(layoutState.LoadLayout("full.roa"), 490);
    TERROBJ* turning = nullptr;
    for (TERROBJ* o = terrobjList.GetFirst(); o; o = o->next)
        if (o->objId == fulllayout::MISC) turning = o;
    ASSERT_NE(turning, nullptr);
    EXPECT_FLOAT_EQ(turning->heading, 400.0f);
    EXPECT_FLOAT_EQ(turning->targetHeading, 440.0f);
    // It finishes its turn 40 degrees on, not a whole circle later.
    frameTime = 100;
    for (int i = 0; i < 30; i++) terrobjList.Update();  // 3 s at 20 degrees a second
    EXPECT_FLOAT_EQ(turning->heading, 440.0f);
    EXPECT_EQ(turning->atTarget, 1);
}

TEST_F(FullLayoutTest, AFileCutAnywhereLeavesEmptyListsAndTheNextLoadWorks) {
    std::vector<size_t> cuts;
    for (size_t k = 0; k + 1 < sections.size(); k++) {
        const size_t at = sections[k], end = sections[k + 1];
        cuts.push_back(at);
        cuts.push_back(at + 1);
        cuts.push_back(at + 4);
        cuts.push_back(at + (end - at) / 2);
        cuts.push_back(end - 1);
    }
    cuts.push_back(7);
    for (size_t at : cuts) {
        if (at >= file.size()) continue;
        veltest::WriteFile("cut.roa", file.substr(0, at));
        ASSERT_TRUE(fulllayout::Build(&layout));
        EXPECT_NE(layoutState.LoadLayout("cut.roa"), 490) << "cut at " << at;
        EXPECT_TRUE(fulllayout::ListsEmpty()) << "cut at " << at;
        EXPECT_EQ(myGlobs.journeyTrain, nullptr);
        // A new layout after the failed load saves nothing of the cut file.
        ASSERT_EQ(NewLayout(0, 1, 1), 1);
        ASSERT_EQ(layoutState.SaveLayout("empty.roa"), 1);
        const std::vector<size_t> empty = fulllayout::SectionOffsets(veltest::ReadFile("empty.roa"));
        ASSERT_EQ(empty.size(), 13u);
        EXPECT_EQ(empty[5] - empty[4], 8u) << "a control was left behind by the cut at " << at;
        // The whole file loads again at once.
        ASSERT_EQ(layoutState.LoadLayout("full.roa"), 490) << "after the cut at " << at;
        EXPECT_EQ(controlList.GetCount(), 9);
    }
}

TEST_F(FullLayoutTest, UnterminatedNamesAreCutAtTheirLastByte) {
    std::string bad = file;
    auto fill = [&bad](size_t at, int width) { bad.replace(at, width, std::string(width, 'Q')); };
    fill(Record(0, 1, TRACKRECORDSIZE) + 248, TRACKNAMELEN);          // the main line's name
    fill(Record(0, 2, TRACKRECORDSIZE) + 280, TRACKFEATURENAMELEN);   // the detach point's name
    fill(Record(2, 0, POWERRECORDSIZE) + 8, POWERNAMELEN);            // a feed point in the table
    fill(Record(3, 0, TRAINRECORDSIZE) + 52, TRAINNAMELEN);
    fill(Record(4, 0, CONTROLRECORDSIZE) + 8, CONTROLNAMELEN);
    ASSERT_EQ(ReadI32(bad, sections[5] + 4 + 148), 1);                // the first object is the gate
    fill(sections[5] + 4 + TERROBJ_RECORD_SIZE + 12, 64);
    veltest::WriteFile("names.roa", bad);
    ASSERT_EQ(layoutState.LoadLayout("names.roa"), 490);

    EXPECT_EQ(CountTracks(), 9);
    EXPECT_EQ(powerList.GetCount(), 2);
    EXPECT_EQ(controlList.GetCount(), 9);
    EXPECT_EQ(manualControlTable.GetEntryCount(), 6);
    const TRACK* main = trackList.GetFirst()->pNext;
    EXPECT_EQ(std::string(main->name), std::string(TRACKNAMELEN - 1, 'Q'));
    EXPECT_EQ(std::string(main->pNext->featureName), std::string(TRACKFEATURENAMELEN - 1, 'Q'));
    EXPECT_EQ(std::string(powerList.GetFirst()->name), std::string(POWERNAMELEN - 1, 'Q'));
    EXPECT_EQ(powerList.GetFirst()->pTrack, main);
    EXPECT_EQ(std::string(trainList.GetFirst()->name), std::string(TRAINNAMELEN - 1, 'Q'));
    EXPECT_EQ(std::string(controlList.GetFirst()->name), std::string(CONTROLNAMELEN - 1, 'Q'));
    EXPECT_EQ(controlList.GetFirst()->pNode, powerList.GetFirst());
    ASSERT_NE(terrobjList.GetFirst()->gate, nullptr);
    EXPECT_EQ(std::string(terrobjList.GetFirst()->gate->GetName()), std::string(63, 'Q'));
    EXPECT_NE(Log().find("Track record repaired in TRACK_LIST::Load(), bad name: 1"), std::string::npos);
}

TEST_F(FullLayoutTest, APartnerEndOutsideTheRangeCutsOnlyThatLink) {
    // The main line's end 1 names end 7 of the stretched straight.
    std::string bad = file;
    WriteI32(bad, Record(0, 1, TRACKRECORDSIZE) + 56 + 36 + 8, 7);
    veltest::WriteFile("link.roa", bad);
    ASSERT_EQ(layoutState.LoadLayout("link.roa"), 490);
    EXPECT_EQ(CountTracks(), 9);
    const TRACK* main = trackList.GetFirst()->pNext;
    const TRACK* stretched = main->pNext;
    EXPECT_EQ(main->end[1].state, END_FREE);
    EXPECT_EQ(main->end[1].pTrack, nullptr);
    EXPECT_EQ(stretched->end[0].state, END_FREE);
    EXPECT_EQ(stretched->end[0].pTrack, nullptr);
    EXPECT_EQ(main->end[0].pTrack, trackList.GetFirst());  // the other links stay
    EXPECT_EQ(stretched->end[1].state, END_CONNECTED);
    int vehicles = 0;
    for (TRAIN* t = trainList.GetFirst(); t; t = t->pNext) vehicles++;
    EXPECT_EQ(vehicles, 6);
    EXPECT_NE(main->groupId, stretched->groupId);
}

TEST_F(FullLayoutTest, RecordsOfAnUnknownKindOrTypeAreDroppedAlone) {
    std::string bad = file;
    WriteI32(bad, Record(0, 8, TRACKRECORDSIZE) + 12, 17);             // the siding: no such kind
    WriteI32(bad, Record(1, 0, TRACKADDITIONRECORDSIZE) + 8, 3);       // an addition of no known type
    WriteI32(bad, Record(4, 1, CONTROLRECORDSIZE) + 76, 44);           // a control of no known type
    veltest::WriteFile("kinds.roa", bad);
    ASSERT_EQ(layoutState.LoadLayout("kinds.roa"), 490);
    EXPECT_EQ(CountTracks(), 8);
    EXPECT_EQ(controlList.GetCount(), 8);
    int additions = 0, vehicles = 0;
    for (TRACKADDITION* a = trackAdditionList.GetFirst(); a; a = a->pForward) additions++;
    for (TRAIN* t = trainList.GetFirst(); t; t = t->pNext) vehicles++;
    EXPECT_EQ(additions, 1);
    EXPECT_EQ(vehicles, 5);  // the wagon on the siding goes with its piece
    EXPECT_EQ(powerList.GetCount(), 1);
    const std::string log = Log();
    EXPECT_NE(log.find("Track record dropped in TRACK_LIST::Load(), bad kind: 8"), std::string::npos);
    EXPECT_NE(log.find("Track addition record dropped in TRACKADDITION_LIST::Load(): 0"), std::string::npos);
    EXPECT_NE(log.find("Control of an unknown type dropped in CONTROL_LIST::Load(): 44"), std::string::npos);
}

TEST_F(FullLayoutTest, NumbersTheProgramComputesWithAreBoundedOnLoad) {
    std::string bad = file;
    // A ground texture of a blurred corner, a vehicle's shake timer and
    // speeds, a turntable's object, a lamp far off the table, a feed point's
    // value and a piece's power.
    ASSERT_GT(terrain.GetBlurTableLength(), 0);
    const BLUR_ENTRY& blur = terrain.GetBlurEntry(0);
    const int vertices = ReadI32(bad, sections[9] + 8);
    const size_t vertex = static_cast<size_t>(blur.i) * (terrain.GetGridY() + 1) + blur.j;
    const size_t uv = sections[9] + 12 + static_cast<size_t>(vertices) * 28 + (vertex * 6 + blur.role) * 28;
    WriteI32(bad, uv + 20, INT32_MIN);
    WriteI32(bad, uv + 24, INT32_MIN);
    for (int k = 0; k < 6; k++) {
        WriteI32(bad, Record(3, k, TRAINRECORDSIZE) + 224, INT32_MIN);
        WriteI32(bad, Record(3, k, TRAINRECORDSIZE) + 88, INT32_MIN);  // base speed
        WriteI32(bad, Record(3, k, TRAINRECORDSIZE) + 124, 0x7F7FFFFF);  // speed: the largest float
        WriteI32(bad, Record(3, k, TRAINRECORDSIZE) + 5008, 0x7F7FFFFF);
    }
    WriteI32(bad, Record(0, 7, TRACKRECORDSIZE) + 316, INT32_MAX);
    WriteI32(bad, Record(0, 1, TRACKRECORDSIZE) + 180, INT32_MIN);
    WriteI32(bad, Record(0, 1, TRACKRECORDSIZE) + 184, INT32_MIN);
    WriteI32(bad, Record(2, 0, POWERRECORDSIZE) + 76, INT32_MIN);
    size_t object = sections[5] + 4 + TERROBJ_RECORD_SIZE + CGates::RECORD_SIZE;  // after the gate
    for (int k = 1; k < 8; k++, object += TERROBJ_RECORD_SIZE) {
        if (ReadI32(bad, object + 12) != fulllayout::LAMP) continue;
        WriteI32(bad, object + 16, 0x7F7FFFFF);
        WriteI32(bad, object + 20, 0xFF800000);
    }
    veltest::WriteFile("numbers.roa", bad);
    ASSERT_EQ(layoutState.LoadLayout("numbers.roa"), 490);

    // Everything that uses them runs.
    frameTime = 100;
    gameState = 8;
    layoutState.SetMode(1);
    for (int i = 0; i < 3; i++) {
        trainList.Move();
        trainList.UpdatePoses();
        trainList.UpdateAll();
    }
    for (TRACK* p = trackList.GetFirst(); p; p = p->pNext) p->Render();
    terrain.BuildBlurTriangles();
    lightList.InitLightGrid();
    terrobjList.AddAllLights();
    terrain.SetNightLighting(0, 3);
    terrain.SetNightLighting(1, 3);
    for (TRAIN* t = trainList.GetFirst(); t; t = t->pNext) {
        EXPECT_GE(t->jitterTimer, 0);
        EXPECT_LE(std::fabs(t->speed), 1.0e6f);
    }
    TRACK* table = trackList.GetFirst();
    while (table && !table->bTurntable) table = table->pNext;
    ASSERT_NE(table, nullptr);
    EXPECT_GE(table->turntableObj, 0);
    EXPECT_LT(table->turntableObj, MAXIDS - 1);
    EXPECT_GE(powerList.GetFirst()->currentValue, -10);
    const std::string log = Log();
    EXPECT_NE(log.find("Vehicle record repaired in TRAIN_LIST::Load():"), std::string::npos);
    EXPECT_NE(log.find("Track record repaired in TRACK_LIST::Load(), bad power value: 1"), std::string::npos);
    EXPECT_NE(log.find("Terrain vertices repaired in TERRAIN2::Load(): 1"), std::string::npos);
}

TEST_F(FullLayoutTest, OnOffFieldsKeepTheValueTheFileHolds) {
    // Fields that only count as on or off come back as stored, whatever
    // non-zero value stands for on.
    std::string odd = file;
    WriteI32(odd, sections[8] + 32, 7);                          // screen grid
    WriteI32(odd, sections[8] + 52, 2);                          // controls shown
    odd[sections[6]] = 3;                                        // control table shown
    WriteI32(odd, Record(2, 0, POWERRECORDSIZE) + 92, 5);        // feed point in the table
    WriteI32(odd, Record(3, 2, TRAINRECORDSIZE) + 204, 9);       // a vehicle running
    WriteI32(odd, sections[5] + 4 + TERROBJ_RECORD_SIZE + CGates::RECORD_SIZE + 108, 4);  // has colour 1
    veltest::WriteFile("odd.roa", odd);
    ASSERT_EQ(layoutState.LoadLayout("odd.roa"), 490);
    ASSERT_EQ(layoutState.SaveLayout("odd_again.roa"), 1);
    const std::string again = veltest::ReadFile("odd_again.roa");
    ExpectSameBytes(fulllayout::WithoutLoadChanges(odd, true), fulllayout::WithoutLoadChanges(again, false));
}
