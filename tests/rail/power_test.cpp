// Power feed points: spreading, insulation, second feed points, reversing
// loops, slider values, names and the layout section.
#include "track_test.h"

#include <cstdio>
#include <vector>

class PowerTest : public TrackTest {
protected:
    // Three 1.0 straights in a row: a - b - c.
    void MakeRow() {
        a = Make(0, 0, 0, 0);
        b = Make(0, 1, 0, 0);
        c = Make(0, 2, 0, 0);
        Link(a, 1, b, 0);
        Link(b, 1, c, 0);
    }
    TRACK* a = nullptr;
    TRACK* b = nullptr;
    TRACK* c = nullptr;
};

TEST_F(PowerTest, FeedPointPowersTheJoinedRun) {
    MakeRow();
    POWER_NODE* n = powerList.CreateFeedPoint(a, 75, "P1", 1); // (750 - 500) / 50 = 5
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->defaultValue, 5);
    EXPECT_EQ(a->pOwnNode, n);
    for (TRACK* t : {a, b, c}) {
        EXPECT_EQ(t->pFeedNode, n);
        EXPECT_EQ(t->powerValue, 5);
        EXPECT_EQ(t->powerDir, 1);
    }
}

TEST_F(PowerTest, InsulatedEndStopsTheSpreadAndRemovingItRestoresIt) {
    MakeRow();
    b->end[1].mark = 1;
    EXPECT_EQ(b->ToggleInsulation(1), 1);
    powerList.CreateFeedPoint(a, 100, "P1", 0);
    EXPECT_EQ(b->powerValue, 10);
    EXPECT_EQ(c->pFeedNode, nullptr);
    EXPECT_EQ(c->powerValue, 0);
    // The flag on the partner side counts as well, and toggling from there
    // removes it; the power reaches c again at once.
    EXPECT_TRUE(c->IsEndInsulated(0));
    EXPECT_EQ(c->ToggleInsulation(0), 0);
    EXPECT_FALSE(b->end[1].bInsulated);
    EXPECT_EQ(c->powerValue, 10);
    // Insulating again spreads again too.
    c->end[0].mark = 1;
    EXPECT_EQ(c->ToggleInsulation(0), 1);
    EXPECT_EQ(c->powerValue, 0);
    c->ClearInsulation(0);
    EXPECT_EQ(c->powerValue, 10);
}

TEST_F(PowerTest, EndZeroToEndZeroReversesTheDirection) {
    a = Make(0, 0, 0, 0);
    b = Make(0, -1, 0, 180);
    c = Make(0, 1, 0, 0);
    Link(a, 0, b, 0);
    Link(a, 1, c, 0);
    powerList.CreateFeedPoint(a, 0, "P1", 0);
    EXPECT_EQ(a->powerValue, -10);
    EXPECT_EQ(b->powerDir, -1);
    EXPECT_EQ(b->powerValue, 10);
    EXPECT_EQ(c->powerDir, 1);
}

TEST_F(PowerTest, SecondFeedPointInOneSectionIsRemovedWithAMessage) {
    MakeRow();
    POWER_NODE* n1 = powerList.CreateFeedPoint(a, 75, "P1", 0);
    powerList.CreateFeedPoint(c, 25, "P2", 0);
    ASSERT_EQ(powerList.GetCount(), 2);
    int before = messageQueue.GetCount();
    powerList.UpdatePower();
    EXPECT_EQ(powerList.GetCount(), 1);
    EXPECT_EQ(powerList.GetFirst(), n1);
    EXPECT_EQ(messageQueue.GetCount(), before + 1);
    EXPECT_EQ(c->pOwnNode, nullptr);
    EXPECT_EQ(c->pFeedNode, n1);
    EXPECT_EQ(c->powerValue, 5);
}

TEST_F(PowerTest, ReversingLoopIsReportedAndTheSpreadEnds) {
    TRACK* s = Make(3, 0, 0, 0);
    b = Make(0, 5, 0, 0);
    c = Make(0, 7, 0, 0);
    Link(s, 1, b, 0);
    Link(b, 1, c, 0);
    Link(c, 1, s, 2);
    int before = messageQueue.GetCount();
    powerList.CreateFeedPoint(s, 100, "P1", 0);
    EXPECT_GT(messageQueue.GetCount(), before);
    EXPECT_EQ(c->pFeedNode, s->pOwnNode);
}

TEST_F(PowerTest, LongRunsSpreadWithoutExhaustingTheStack) {
    TRACK* first = Make(0, 0, 0, 0);
    TRACK* prev = first;
    for (int i = 1; i < 20000; i++) {
        TRACK* t = new TRACK(*prev);
        t->Init(1.0f);
        t->kind = TRACK_STRAIGHT;
        trackList.AppendTrack(t);
        Link(prev, 1, t, 0);
        prev = t;
    }
    powerList.CreateFeedPoint(first, 0, "P1", 0);
    EXPECT_EQ(prev->powerValue, -10);
}

TEST_F(PowerTest, SliderConversions) {
    EXPECT_EQ(PowerValueFromSlider(50), 0);
    EXPECT_EQ(PowerValueFromSlider(100), 10);
    EXPECT_EQ(PowerValueFromSlider(0), -10);
    EXPECT_EQ(PowerValueFromSlider(73), 4);
    POWER_NODE n;
    n.SetFromSliderPercent(73);
    EXPECT_EQ(n.currentValue, 4);
    n.SetFromSliderPercent(27);
    EXPECT_EQ(n.currentValue, -4);
    EXPECT_EQ(n.GetSliderPercent(), 30);
    n.SetFromSliderPercent(100);
    EXPECT_EQ(n.GetSliderPercent(), 100);
}

TEST_F(PowerTest, SetClearAndToggle) {
    POWER_NODE n;
    n.Init(7, 0, "X", 0);
    n.SetValue(1, 3);
    EXPECT_EQ(n.currentValue, 7);
    n.SetValue(0, -3);
    EXPECT_EQ(n.currentValue, -3);
    n.ToggleValue(0, 5);
    EXPECT_EQ(n.currentValue, 0);
    n.ToggleValue(1, 5);
    EXPECT_EQ(n.currentValue, 7);
    n.Clear();
    EXPECT_EQ(n.currentValue, 0);
}

TEST_F(PowerTest, ReinitialisingAnOwnedNodeKeepsItsCurrentValue) {
    MakeRow();
    POWER_NODE* n = powerList.CreateFeedPoint(a, 75, "P1", 0);
    n->currentValue = 2;
    EXPECT_EQ(powerList.CreateFeedPoint(a, 100, "Main", 1), n);
    EXPECT_EQ(n->defaultValue, 10);
    EXPECT_EQ(n->currentValue, 2);
    EXPECT_STREQ(n->name, "Main");
    EXPECT_EQ(powerList.GetCount(), 1);
}

TEST_F(PowerTest, PowerNamesWrapAfter9998) {
    char name[POWERNAMELEN];
    powerList.MakePowerName(name);
    EXPECT_STREQ(name, "P1");
    powerList.SetNameCounter(9998);
    powerList.MakePowerName(name);
    EXPECT_STREQ(name, "P9998");
    powerList.MakePowerName(name);
    EXPECT_STREQ(name, "P1");
}

TEST_F(PowerTest, SectionRoundTripRestoresOwners) {
    MakeRow();
    powerList.CreateFeedPoint(b, 80, "Yard", 1);
    powerList.SetNameCounter(17);
    saveCounter.Reset();
    trackList.NumberPieces();
    powerList.NumberNodes();
    trackList.SavePowerIds();
    powerList.SaveOwnerIds();
    FILE* f = std::tmpfile();
    ASSERT_TRUE(powerList.Save(f));
    EXPECT_EQ(std::ftell(f), 4 + POWERRECORDSIZE + 4);
    powerList.RemoveAll();
    std::rewind(f);
    ASSERT_TRUE(powerList.Load(f));
    std::fclose(f);
    powerList.RestoreOwners();
    ASSERT_EQ(powerList.GetCount(), 1);
    POWER_NODE* n = powerList.GetFirst();
    EXPECT_STREQ(n->name, "Yard");
    EXPECT_EQ(n->defaultValue, 6);
    EXPECT_EQ(n->bInTable, 1);
    EXPECT_EQ(n->pTrack, b);
    EXPECT_EQ(powerList.GetNameCounter(), 17);
    powerList.UpdatePower();
    EXPECT_EQ(c->powerValue, 6);
}

TEST_F(PowerTest, TrackAdditionsReverseOrderWithEachSaveAndLoad) {
    MakeRow();
    for (int i = 1; i <= 3; i++) AddTrackAddition()->Init(1, b, i, 0, 0);
    EXPECT_TRUE(trackAdditionList.HasAddition(b));
    EXPECT_FALSE(trackAdditionList.HasAddition(a));
    saveCounter.Reset();
    trackList.NumberPieces();
    auto firstValues = [] {
        std::vector<int> v;
        for (TRACKADDITION* t = trackAdditionList.GetFirst(); t; t = t->pForward) v.push_back(t->value1);
        return v;
    };
    std::vector<int> original = firstValues();
    for (int round = 0; round < 2; round++) {
        trackAdditionList.SaveIds();
        FILE* f = std::tmpfile();
        ASSERT_TRUE(trackAdditionList.Save(f));
        trackAdditionList.RemoveAll();
        std::rewind(f);
        ASSERT_TRUE(trackAdditionList.Load(f));
        std::fclose(f);
        trackAdditionList.RestoreLinks();
    }
    EXPECT_EQ(firstValues(), original);
    EXPECT_TRUE(trackAdditionList.HasAddition(b));
    trackAdditionList.RemoveOfTrack(b, 0);
    EXPECT_EQ(trackAdditionList.GetCount(), 0);
}
