// The control section of the layout file: records field by field, the
// shorter records of older versions, damaged sections and links that no
// longer resolve, and a whole layout with controls and the control table.
#include <gtest/gtest.h>

#include <string>

#include "app/messagequeue.h"
#include "app/texts.h"
#include "layout_test.h"
#include "rail/control.h"
#include "rail/layoutfile.h"
#include "rail/manualcontrol.h"

namespace {

class ControlFile : public LayoutTest {
protected:
    void SetUp() override {
        LayoutTest::SetUp();
        controlList.RemoveAll();
        controlList.SetNameCounter(1);
    }
    void TearDown() override { controlList.RemoveAll(); }

    // Numbers the records as a save does and returns the control section.
    static std::string SaveSection() {
        saveCounter.Reset();
        trackList.NumberPieces();
        powerList.NumberNodes();
        terrobjList.NumberObjects();
        trainList.NumberTrains();
        controlList.NumberControls();
        controlList.SaveIds();
        return SectionBytes([](FILE* f) { controlList.Save(f); });
    }

    static int LoadSection(const std::string& bytes, int version) {
        controlList.RemoveAll();
        myGlobs.loadFileVersion = version;
        FILE* f = std::tmpfile();
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::rewind(f);
        const int ok = controlList.Load(f);
        std::fclose(f);
        return ok;
    }

    // A section of one record cut to size bytes.
    static std::string OneRecord(const std::string& record, int size, int nextName = 3) {
        Bytes b;
        b.I32(1);
        b.Raw(record.substr(0, static_cast<size_t>(size)));
        b.I32(nextName);
        return b.data;
    }

    CONTROL* Add(int type, TRACK* owner, POWER_NODE* n, void* target, const char* name) {
        CONTROL* k = controlList.AddNew();
        k->Init(type, owner, n, target, 1, 0, 1, 1, -3, 2.5f, name, 2, 5, 'Z', 45, 12);
        return k;
    }
};

TEST_F(ControlFile, RecordsRoundTripFieldByField) {
    BuildLayout();
    TRACK* sw = Make(3, 20.0f, 0.0f, 0.0f);
    CONTROL* k1 = Add(CONTROL_POWER, a, node, nullptr, "Power one");
    k1->delayTimer = 700;
    k1->glowTime = 1200;
    Add(CONTROL_SWITCH, b, nullptr, sw, "Switch");
    CONTROL* k3 = Add(CONTROL_TURN, c, nullptr, house, "Turn");
    k3->value = TEST_HOUSE;
    Add(CONTROL_GATE, a, nullptr, house, "Gate");
    controlList.SetNameCounter(42);

    const std::string s = SaveSection();
    ASSERT_EQ(s.size(), 4u + 4 * 220 + 4);
    EXPECT_EQ(ReadI32(s, 0), 4);
    EXPECT_EQ(ReadI32(s, 4 + 4 * 220), 42);
    const size_t r0 = 4, r1 = 4 + 220, r2 = 4 + 440;
    EXPECT_EQ(s.substr(r0 + 8, 10), std::string("Power one\0", 10));
    EXPECT_EQ(ReadI32(s, r0 + 72), k1->id);
    EXPECT_EQ(ReadI32(s, r0 + 76), 1);
    EXPECT_EQ(ReadI32(s, r0 + 84), a->id);
    EXPECT_EQ(ReadI32(s, r0 + 92), node->seqId);
    EXPECT_EQ(ReadI32(s, r0 + 100), 0);
    EXPECT_EQ(ReadI32(s, r0 + 104), 1);
    EXPECT_EQ(ReadI32(s, r0 + 112), 1);
    EXPECT_EQ(ReadI32(s, r0 + 116), 1);
    EXPECT_EQ(ReadI32(s, r0 + 120), -3);
    EXPECT_EQ(ReadI32(s, r0 + 176), 2500);
    EXPECT_EQ(ReadI32(s, r0 + 180), 700);
    EXPECT_EQ(ReadI32(s, r0 + 184), 1200);
    EXPECT_EQ(ReadI32(s, r0 + 188), 2);
    EXPECT_EQ(ReadI32(s, r0 + 192), 5);
    EXPECT_EQ(ReadI32(s, r1 + 100), sw->id);
    EXPECT_EQ(ReadI32(s, r1 + 124), 1);  // switch flags from the action flags
    EXPECT_EQ(ReadI32(s, r1 + 132), 1);
    EXPECT_EQ(ReadI32(s, r2 + 120), TEST_HOUSE);
    EXPECT_EQ(ReadI32(s, r2 + 172), house->serial);
    EXPECT_EQ(s[r2 + 208], 'Z');
    EXPECT_EQ(ReadI32(s, r2 + 212), 45);
    EXPECT_EQ(ReadI32(s, r2 + 216), 12);
    // Link fields are placeholders.
    for (size_t at : {0, 4, 80, 88, 96, 160}) EXPECT_EQ(ReadI32(s, r0 + at), 0) << at;

    ASSERT_EQ(LoadSection(s, 15), 1);
    controlList.RestoreLinks();
    ASSERT_EQ(controlList.GetCount(), 4);
    EXPECT_EQ(controlList.GetNameCounter(), 42);
    const CONTROL* l = controlList.GetFirst();
    EXPECT_STREQ(l->name, "Power one");
    EXPECT_EQ(l->pOwner, a);
    EXPECT_EQ(l->pNode, node);
    EXPECT_EQ(l->delay, 2500);
    EXPECT_EQ(l->delayTimer, 700);
    EXPECT_EQ(l->glowTime, 1200);
    l = l->pNext;
    EXPECT_EQ(l->pOwner, b);
    EXPECT_EQ(l->pTarget, sw);
    l = l->pNext;
    EXPECT_EQ(l->pObject, house);
    EXPECT_EQ(l->axis, 'Z');
    EXPECT_EQ(l->turnSpeed, 12);
    EXPECT_EQ(l->pNext->pObject, house);
    EXPECT_EQ(l->pNext->pNext, nullptr);
}

TEST_F(ControlFile, OlderVersionsReadShorterRecordsAndVersion11IsRefused) {
    BuildLayout();
    CONTROL* k = Add(CONTROL_TURN, a, nullptr, house, "Old");
    k->turnMinus = 1, k->turnPlus = 1, k->turnHalf = 1;
    const std::string s = SaveSection();
    const std::string record = s.substr(4, 220);

    ASSERT_EQ(LoadSection(OneRecord(record, 188), 10), 1);
    CONTROL* l = controlList.GetFirst();
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->delay, 2500);
    EXPECT_EQ(l->directionKey, 0);
    EXPECT_EQ(l->vehicleMask, 0);
    EXPECT_EQ(controlList.GetNameCounter(), 3);

    for (int version : {12, 13}) {
        ASSERT_EQ(LoadSection(OneRecord(record, 196), version), 1);
        l = controlList.GetFirst();
        EXPECT_EQ(l->directionKey, 2);
        EXPECT_EQ(l->vehicleMask, 5);
        EXPECT_EQ(l->turnMinus, 0);
        EXPECT_EQ(l->axis, 0);
    }
    ASSERT_EQ(LoadSection(OneRecord(record, 208), 14), 1);
    l = controlList.GetFirst();
    EXPECT_EQ(l->turnMinus, 1);
    EXPECT_EQ(l->turnHalf, 1);
    EXPECT_EQ(l->axis, 0);
    EXPECT_EQ(l->amount, 0);
    ASSERT_EQ(LoadSection(OneRecord(record, 220), 15), 1);
    EXPECT_EQ(controlList.GetFirst()->amount, 45);

    // Version 11 (and anything else below 15 without its own size): the
    // message and nothing read.
    for (int version : {11, 9}) {
        messageQueue.Reset();
        EXPECT_EQ(LoadSection(OneRecord(record, 220), version), 0);
        EXPECT_EQ(messageQueue.GetCount(), 1);
        EXPECT_STREQ(messageQueue.GetText(0), texts.Get(339));
        EXPECT_TRUE(controlList.IsEmpty());
    }
}

TEST_F(ControlFile, DamagedSectionsAreRefusedOrCleaned) {
    BuildLayout();
    Add(CONTROL_SWITCH, a, nullptr, b, "One");
    const std::string record = SaveSection().substr(4, 220);

    // Counts beyond the bytes left, or negative.
    for (int32_t count : {2, 1000000, 0x7FFFFFFF, -1}) {
        std::string bad = OneRecord(record, 220);
        WriteI32(bad, 0, count);
        EXPECT_EQ(LoadSection(bad, 15), 0) << count;
        EXPECT_TRUE(controlList.IsEmpty());
    }
    EXPECT_NE(Log().find("Bad control count in CONTROL_LIST::Load():"), std::string::npos);
    // The section ends before its name counter.
    EXPECT_EQ(LoadSection(OneRecord(record, 220).substr(0, 4 + 220 + 2), 15), 0);
    EXPECT_EQ(LoadSection(std::string("\x01\x00", 2), 15), 0);

    // Records of unknown types are dropped; an unterminated name is cut;
    // timers are kept within their ranges; a bad name counter restarts.
    Bytes f;
    f.I32(4);
    std::string unknown = record;
    WriteI32(unknown, 76, 0);
    f.Raw(unknown);
    WriteI32(unknown, 76, 10);
    f.Raw(unknown);
    std::string longName = record;
    for (int i = 8; i < 72; i++) longName[i] = 'x';
    WriteI32(longName, 180, 999999);  // timer beyond the delay
    WriteI32(longName, 184, -5);      // glow below 0
    f.Raw(longName);
    std::string big = record;
    WriteI32(big, 184, 1 << 30);
    f.Raw(big);
    f.I32(0);
    ASSERT_EQ(LoadSection(f.data, 15), 1);
    ASSERT_EQ(controlList.GetCount(), 2);
    const CONTROL* l = controlList.GetFirst();
    EXPECT_EQ(std::string(l->name), std::string(63, 'x'));
    EXPECT_EQ(l->delayTimer, l->delay);
    EXPECT_EQ(l->glowTime, 0);
    EXPECT_EQ(l->pNext->glowTime, CONTROLGLOWTIME);
    EXPECT_EQ(controlList.GetNameCounter(), 1);
    EXPECT_NE(Log().find("Control of an unknown type dropped in CONTROL_LIST::Load(): 10"), std::string::npos);
}

TEST_F(ControlFile, LinksThatDoNotResolveDropTheControl) {
    BuildLayout();
    Add(CONTROL_SWITCH, a, nullptr, b, "Kept");
    Add(CONTROL_SWITCH, a, nullptr, b, "Lost owner");
    Add(CONTROL_SWITCH, a, nullptr, b, "Lost target");
    Add(CONTROL_POWER, a, node, nullptr, "Lost node");
    Add(CONTROL_GATE, a, nullptr, house, "Lost object");
    Add(CONTROL_SWITCH, a, nullptr, b, "No owner");
    std::string s = SaveSection();
    WriteI32(s, 4 + 220 + 84, 999);
    WriteI32(s, 4 + 440 + 100, 0);
    WriteI32(s, 4 + 660 + 92, 777);
    WriteI32(s, 4 + 880 + 172, 555);
    WriteI32(s, 4 + 1100 + 84, 0);
    ASSERT_EQ(LoadSection(s, 15), 1);
    EXPECT_EQ(controlList.GetCount(), 6);
    // A piece that still has id 0 must not be taken for "none".
    TRACK* fresh = Make(0, 30.0f, 30.0f, 0.0f);
    ASSERT_EQ(fresh->id, 0);
    controlList.RestoreLinks();
    ASSERT_EQ(controlList.GetCount(), 1);
    EXPECT_STREQ(controlList.GetFirst()->name, "Kept");
    const std::string log = Log();
    EXPECT_NE(log.find("Control dropped, its link does not resolve: owner"), std::string::npos);
    EXPECT_NE(log.find("Control dropped, its link does not resolve: target piece"), std::string::npos);
    EXPECT_NE(log.find("Control dropped, its link does not resolve: power feed point"), std::string::npos);
    EXPECT_NE(log.find("Control dropped, its link does not resolve: target object"), std::string::npos);
}

TEST_F(ControlFile, WholeLayoutKeepsControlsAndTheControlTable) {
    BuildLayout();
    TRACK* sw = Make(3, 20.0f, 0.0f, 0.0f);
    Add(CONTROL_SWITCH, b, nullptr, sw, "Points");
    Add(CONTROL_MODEL, c, nullptr, house, "Model");
    c->SetDetachPoint("D7", 1);
    manualControlTable.SetControl(MCT_SWITCH, sw, 1);
    manualControlTable.SetControl(MCT_POWER, node, 1);
    manualControlTable.SetShown(0);
    ASSERT_EQ(manualControlTable.GetEntryCount(), 3);
    controlList.SetNameCounter(77);
    ASSERT_EQ(layoutState.SaveLayout("ctl.roa"), 1);

    ASSERT_EQ(layoutState.LoadLayout("ctl.roa"), 490);
    ASSERT_EQ(controlList.GetCount(), 2);
    EXPECT_EQ(controlList.GetNameCounter(), 77);
    const CONTROL* k = controlList.GetFirst();
    ASSERT_NE(k->pOwner, nullptr);
    ASSERT_NE(k->pTarget, nullptr);
    EXPECT_TRUE(k->pTarget->IsSwitch());
    EXPECT_EQ(k->pOwner->x, 1.0f);
    ASSERT_NE(k->pNext->pObject, nullptr);
    EXPECT_EQ(k->pNext->pObject->objId, TEST_HOUSE);
    EXPECT_STREQ(k->pNext->name, "Model");

    // The table: file order, folded state and resolved features.
    ASSERT_EQ(manualControlTable.GetEntryCount(), 3);
    EXPECT_EQ(manualControlTable.IsShown(), 0);
    const MANUAL_CONTROL_ENTRY* e = manualControlTable.GetFirst();
    EXPECT_EQ(e->controlType, MCT_DETACH);
    char name[64];
    e->GetName(name, sizeof name);
    EXPECT_STREQ(name, "D7");
    EXPECT_EQ(e->pNext->controlType, MCT_SWITCH);
    EXPECT_EQ(e->pNext->pObject, k->pTarget);
    EXPECT_EQ(e->pNext->pNext->controlType, MCT_POWER);
    e->pNext->pNext->GetName(name, sizeof name);
    EXPECT_STREQ(name, "Main");
}

}  // namespace
