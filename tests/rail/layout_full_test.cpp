// Layout files with every record kind: the byte-exact round trip, files cut
// anywhere, and records with one bad field.
#include <climits>
#include <cmath>

#include "full_layout.h"
#include "layout_test.h"

namespace {

bool ListsEmpty() {
    return trackList.GetCount() == 0 && trackList.GetFirst() == nullptr && trackAdditionList.GetFirst() == nullptr &&
           powerList.IsEmpty() && trainList.GetFirst() == nullptr && terrobjList.GetFirst() == nullptr &&
           controlList.IsEmpty() && manualControlTable.GetEntryCount() == 0 && lightList.GetLightCount() == 0;
}

// The file with the group ids of its pieces cleared (a load gives every
// joined run its id again) and its track additions in reverse order (a load
// puts each at the head of its list).
std::string Normalised(std::string file, bool reverseAdditions) {
    const int count = ReadI32(file, 15);
    for (int i = 0; i < count; i++) WriteI32(file, 15 + 4 + i * TRACKRECORDSIZE + 52, 0);
    if (reverseAdditions) {
        const size_t at = 15 + 4 + count * TRACKRECORDSIZE;
        const int n = ReadI32(file, at);
        std::string reversed;
        for (int i = n - 1; i >= 0; i--) reversed += file.substr(at + 4 + i * TRACKADDITIONRECORDSIZE, TRACKADDITIONRECORDSIZE);
        file.replace(at + 4, reversed.size(), reversed);
    }
    return file;
}

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
    const std::string a = Normalised(file, true), b = Normalised(again, false);
    for (size_t at = 0, shown = 0; at < a.size() && shown < 40; at++) {
        if (a[at] == b[at]) continue;
        size_t k = 0;
        while (k + 1 < sections.size() && sections[k + 1] <= at) k++;
        ADD_FAILURE() << "byte " << at << " of section " << k << " (+" << at - sections[k] << ") differs";
        shown++;
    }
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
        EXPECT_TRUE(ListsEmpty()) << "cut at " << at;
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
