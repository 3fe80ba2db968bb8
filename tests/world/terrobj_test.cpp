#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "rail/layoutstate.h"
#include "world/lightlist.h"
#include "world/terrobj.h"

namespace {

std::string ReadFile(const char* name) {
    std::ifstream f(name, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

long FileSize(FILE* f) {
    long here = std::ftell(f);
    std::fseek(f, 0, SEEK_END);
    long n = std::ftell(f);
    std::fseek(f, here, SEEK_SET);
    return n;
}

void PutI32(FILE* f, int v) {
    uint8_t b[4] = {(uint8_t)v, (uint8_t)(v >> 8), (uint8_t)(v >> 16), (uint8_t)(v >> 24)};
    std::fwrite(b, 1, 4, f);
}

// A record as it would stand in a file, cut to the given size.
std::vector<uint8_t> RecordBytes(int type, int objId, float x, float y, float heading, int size, bool gate) {
    TERROBJ o;
    o.type = type;
    o.objId = objId;
    o.x = x;
    o.y = y;
    o.z = -0.25f;
    o.heading = heading;
    o.heightOffset = -0.5f;
    o.pitch = 3.0f;
    o.roll = 4.0f;
    o.turnSpeed = 20.0f;
    o.targetHeading = heading + 45.0f;
    o.atTarget = 0;
    o.serial = 17;
    CopyText(o.name, sizeof(o.name), "House");
    if (gate) o.gate = new CGates;
    std::vector<uint8_t> b(TERROBJ_RECORD_SIZE);
    o.ToBytes(b.data());
    b.resize(size);
    return b;
}

}  // namespace

TEST(TerrobjTest, RecordSizesByVersion) {
    EXPECT_EQ(TerrobjRecordSize(10), 160);
    EXPECT_EQ(TerrobjRecordSize(12), 160);
    EXPECT_EQ(TerrobjRecordSize(11), 188);
    EXPECT_EQ(TerrobjRecordSize(13), 188);
    EXPECT_EQ(TerrobjRecordSize(14), 168);
    EXPECT_EQ(TerrobjRecordSize(15), 188);
    EXPECT_TRUE(IsPlaceableType(2));
    EXPECT_TRUE(IsPlaceableType(7));
    EXPECT_TRUE(IsPlaceableType(14));
    EXPECT_FALSE(IsPlaceableType(8));
    EXPECT_FALSE(IsPlaceableType(13));
}

TEST(TerrobjTest, SectionRoundTripWithGate) {
    TERROBJ_LIST list;
    TERROBJ* house = list.AddNew(3, 3001, 1.0f, 2.0f, -0.1f, 30.0f, 0.0f, 0.0f);
    TERROBJ* gate = list.AddNew(5, 5035, -4.0f, 6.0f, 0.0f, 90.0f, 0.0f, 0.0f);
    ASSERT_NE(house, nullptr);
    ASSERT_NE(gate, nullptr);
    ASSERT_NE(gate->gate, nullptr);
    EXPECT_EQ(house->gate, nullptr);
    gate->gate->SetName("Crossing");
    gate->gate->SetAngle(42.0f);
    gate->gate->Open();
    house->heightOffset = -0.3f;
    house->colour1 = 0xFF112233;
    house->turnSpeed = 15.0f;
    house->targetHeading = 120.0f;
    house->atTarget = 0;
    list.NumberObjects();

    FILE* f = std::tmpfile();
    myGlobs.loadFileVersion = 15;
    ASSERT_EQ(list.Save(f), 1);
    EXPECT_EQ(FileSize(f), 4 + 188 + 76 + 188);
    std::rewind(f);

    TERROBJ_LIST loaded;
    ASSERT_EQ(loaded.Load(f), 1);
    std::fclose(f);
    ASSERT_EQ(loaded.Count(), 2);
    // File order is list order: the gate was added last, so it came first.
    TERROBJ* g = loaded.GetFirst();
    TERROBJ* h = g->next;
    ASSERT_NE(g->gate, nullptr);
    EXPECT_STREQ(g->gate->GetName(), "Crossing");
    EXPECT_FLOAT_EQ(g->gate->GetAngle(), 42.0f);
    EXPECT_FLOAT_EQ(g->gate->GetTarget(), 80.0f);
    EXPECT_EQ(h->gate, nullptr);
    EXPECT_EQ(h->objId, 3001);
    EXPECT_FLOAT_EQ(h->x, 1.0f);
    EXPECT_FLOAT_EQ(h->heading, 30.0f);
    EXPECT_FLOAT_EQ(h->heightOffset, -0.3f);
    EXPECT_EQ(h->colour1, 0xFF112233u);
    EXPECT_FLOAT_EQ(h->turnSpeed, 15.0f);
    EXPECT_FLOAT_EQ(h->targetHeading, 120.0f);
    EXPECT_EQ(h->atTarget, 0);
    EXPECT_EQ(h->serial, house->serial);
    EXPECT_EQ(h->light, nullptr);
    EXPECT_EQ(loaded.FindBySerial(house->serial), h);
    EXPECT_EQ(loaded.FindBySerial(0), nullptr);
}

TEST(TerrobjTest, OlderRecordSizesGetTheirDefaults) {
    for (int version : {10, 14}) {
        int size = TerrobjRecordSize(version);
        FILE* f = std::tmpfile();
        PutI32(f, 1);
        std::vector<uint8_t> b = RecordBytes(3, 3001, 5.0f, 6.0f, 200.0f, size, false);
        std::fwrite(b.data(), 1, b.size(), f);
        std::rewind(f);
        myGlobs.loadFileVersion = version;
        TERROBJ_LIST list;
        ASSERT_EQ(list.Load(f), 1) << version;
        std::fclose(f);
        ASSERT_EQ(list.Count(), 1);
        TERROBJ* o = list.GetFirst();
        EXPECT_FLOAT_EQ(o->x, 5.0f);
        EXPECT_FLOAT_EQ(o->heading, 200.0f);
        EXPECT_EQ(o->atTarget, 1);
        EXPECT_FLOAT_EQ(o->turnSpeed, 0.0f);
        EXPECT_FLOAT_EQ(o->targetHeading, 200.0f);
        if (version == 10) {
            EXPECT_FLOAT_EQ(o->heightOffset, 0.0f);
            EXPECT_FLOAT_EQ(o->pitch, 0.0f);
            EXPECT_FLOAT_EQ(o->roll, 0.0f);
        } else {
            EXPECT_FLOAT_EQ(o->heightOffset, -0.5f);
            EXPECT_FLOAT_EQ(o->pitch, 3.0f);
            EXPECT_FLOAT_EQ(o->targetPitch, 3.0f);
            EXPECT_FLOAT_EQ(o->targetRoll, 4.0f);
        }
        // The object does not turn.
        list.UpdateBy(1000);
        EXPECT_FLOAT_EQ(o->heading, 200.0f);
    }
}

TEST(TerrobjTest, SkippedTypeStillConsumesItsGateRecord) {
    FILE* f = std::tmpfile();
    PutI32(f, 2);
    std::vector<uint8_t> vehicle = RecordBytes(9, 1300, 1.0f, 1.0f, 0.0f, 188, true);
    std::fwrite(vehicle.data(), 1, vehicle.size(), f);
    uint8_t gate[CGates::RECORD_SIZE];
    CGates g;
    g.ToBytes(gate);
    std::fwrite(gate, 1, sizeof(gate), f);
    std::vector<uint8_t> plant = RecordBytes(2, 2100, 7.0f, 8.0f, 0.0f, 188, false);
    std::fwrite(plant.data(), 1, plant.size(), f);
    std::rewind(f);
    myGlobs.loadFileVersion = 15;
    ResetStartLogForTest("to_skip.log");
    TERROBJ_LIST list;
    ASSERT_EQ(list.Load(f), 1);
    std::fclose(f);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetFirst()->objId, 2100);
    EXPECT_FLOAT_EQ(list.GetFirst()->x, 7.0f);
    std::string log = ReadFile("to_skip.log");
    EXPECT_NE(log.find("Unknown type among loaded terrobjs !!!"), std::string::npos);
    EXPECT_NE(log.find("  type: 9"), std::string::npos);
}

TEST(TerrobjTest, TruncatedOrInvalidSectionsFail) {
    myGlobs.loadFileVersion = 15;
    {  // count larger than the bytes left
        FILE* f = std::tmpfile();
        PutI32(f, 3);
        for (int i = 0; i < 2; i++) {
            std::vector<uint8_t> b = RecordBytes(3, 3001, (float)i, 0.0f, 0.0f, 188, false);
            std::fwrite(b.data(), 1, b.size(), f);
        }
        std::rewind(f);
        TERROBJ_LIST list;
        EXPECT_EQ(list.Load(f), 0);
        EXPECT_EQ(list.Count(), 0);
        std::fclose(f);
    }
    {  // gate record missing at the end
        FILE* f = std::tmpfile();
        PutI32(f, 1);
        std::vector<uint8_t> b = RecordBytes(5, 5035, 0.0f, 0.0f, 0.0f, 188, true);
        std::fwrite(b.data(), 1, b.size(), f);
        std::fwrite(b.data(), 1, 20, f);
        std::rewind(f);
        TERROBJ_LIST list;
        EXPECT_EQ(list.Load(f), 0);
        EXPECT_EQ(list.Count(), 0);
        std::fclose(f);
    }
    {  // negative count, empty section
        FILE* f = std::tmpfile();
        PutI32(f, -5);
        std::rewind(f);
        TERROBJ_LIST list;
        EXPECT_EQ(list.Load(f), 0);
        std::fclose(f);
        FILE* e = std::tmpfile();
        EXPECT_EQ(list.Load(e), 0);
        std::fclose(e);
    }
    {  // a record with a position that is no number keeps the rest
        FILE* f = std::tmpfile();
        PutI32(f, 1);
        std::vector<uint8_t> b = RecordBytes(3, 3001, NAN, 2.0f, 0.0f, 188, false);
        std::fwrite(b.data(), 1, b.size(), f);
        std::rewind(f);
        TERROBJ_LIST list;
        EXPECT_EQ(list.Load(f), 1);
        ASSERT_NE(list.GetFirst(), nullptr);
        EXPECT_FLOAT_EQ(list.GetFirst()->x, 0.0f);
        EXPECT_FLOAT_EQ(list.GetFirst()->y, 2.0f);
        std::fclose(f);
    }
}

TEST(TerrobjTest, LoadedNamesAndPointersAreSafe) {
    std::vector<uint8_t> b = RecordBytes(3, 3001, 1.0f, 2.0f, 400.0f, 188, false);
    std::memset(b.data() + 116, 'N', 28);   // no terminator
    std::memset(b.data(), 0xAB, 8);          // list links
    std::memset(b.data() + 88, 0xCD, 4);     // light
    float up = 2.0f;
    std::memcpy(b.data() + 144, &up, 4);     // a height offset below the ground
    TERROBJ o;
    int gate = 1, repaired = 0;
    ASSERT_TRUE(o.FromBytes(b.data(), 188, &gate, &repaired));
    EXPECT_EQ(gate, 0);
    EXPECT_EQ(repaired, 1);
    EXPECT_EQ(std::strlen(o.name), 27u);
    EXPECT_EQ(o.prev, nullptr);
    EXPECT_EQ(o.next, nullptr);
    EXPECT_EQ(o.light, nullptr);
    EXPECT_FLOAT_EQ(o.heightOffset, 0.0f);
    EXPECT_FLOAT_EQ(o.heading, 400.0f);  // kept as stored
    EXPECT_FALSE(o.FromBytes(b.data(), 170, &gate));
}

TEST(TerrobjTest, RotateMoveAndSinkSelection) {
    TERROBJ_LIST list;
    TERROBJ* a = list.AddNew(3, 3001, 10.0f, 0.0f, 0.0f, 350.0f, 0.0f, 0.0f);
    TERROBJ* p = list.AddNew(2, 2100, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    TERROBJ* u = list.AddNew(3, 3001, 50.0f, 50.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_GE(p->scale, 0.7f);
    EXPECT_LE(p->scale, 1.5f);
    EXPECT_FLOAT_EQ(a->scale, 1.0f);
    a->selected = p->selected = 1;
    list.RotateSelection(20.0f, 0.0f, 0.0f);
    EXPECT_NEAR(a->heading, 10.0f, 1e-4f);
    EXPECT_NEAR(a->x, 10.0f * std::cos(20.0f * 3.1415927f / 180.0f), 1e-4f);
    EXPECT_NEAR(a->y, 10.0f * std::sin(20.0f * 3.1415927f / 180.0f), 1e-4f);
    EXPECT_FLOAT_EQ(u->heading, 0.0f);
    list.RotateSelection(-30.0f, 0.0f, 0.0f);
    EXPECT_NEAR(a->heading, 340.0f, 1e-4f);

    list.MoveSelection(1.0f, -2.0f);
    EXPECT_NEAR(p->x, 1.0f, 1e-5f);
    EXPECT_NEAR(p->y, -2.0f, 1e-5f);
    EXPECT_FLOAT_EQ(u->x, 50.0f);

    a->heightOffset = -0.2f;
    list.SinkSelection(0.5f);
    EXPECT_FLOAT_EQ(a->heightOffset, 0.0f);
    list.SinkSelection(-0.3f);
    EXPECT_FLOAT_EQ(a->heightOffset, -0.3f);
    EXPECT_FLOAT_EQ(p->heightOffset, 0.0f);  // plants do not sink

    list.DeleteSelection();
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetFirst(), u);
}

TEST(TerrobjTest, PasteOffsetsGrowAtTheSameCursorPoint) {
    TERROBJ_LIST list;
    TERROBJ* a = list.AddNew(3, 3001, 2.0f, 3.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    a->selected = 1;
    layoutState.SetGroundPoint(0.0f, 0.0f);
    list.CopySelection();
    list.PasteSelection();
    ASSERT_EQ(list.Count(), 2);
    TERROBJ* first = list.GetFirst();
    EXPECT_FLOAT_EQ(first->x, 2.5f);
    EXPECT_FLOAT_EQ(first->y, 2.5f);
    EXPECT_EQ(first->selected, 1);
    EXPECT_EQ(a->selected, 0);
    list.PasteSelection();
    TERROBJ* second = list.GetFirst();
    EXPECT_FLOAT_EQ(second->x, 3.0f);
    EXPECT_FLOAT_EQ(second->y, 2.0f);
    EXPECT_EQ(first->selected, 0);
    // A new cursor point starts the offsets again, moved by the displacement
    // (the ground point keeps the negated y).
    layoutState.SetGroundPoint(10.0f, 4.0f);
    list.PasteSelection();
    TERROBJ* third = list.GetFirst();
    EXPECT_FLOAT_EQ(third->x, 12.5f);
    EXPECT_FLOAT_EQ(third->y, -1.5f);
    EXPECT_EQ(list.GetPasteCount(), 1);
}

TEST(TerrobjTest, TurningToTargetsAndGateUpdate) {
    TERROBJ_LIST list;
    TERROBJ* o = list.AddNew(6, 6001, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    TERROBJ* g = list.AddNew(5, 5035, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    o->targetHeading = 90.0f;
    o->targetPitch = -10.0f;
    o->turnSpeed = 45.0f;
    o->atTarget = 0;
    g->gate->SetAngle(70.0f);
    g->gate->Open();
    list.UpdateBy(100);
    EXPECT_FLOAT_EQ(g->gate->GetAngle(), 75.0f);
    EXPECT_EQ(g->gate->IsOpen(), 0);
    list.UpdateBy(100);
    EXPECT_FLOAT_EQ(g->gate->GetAngle(), 80.0f);
    EXPECT_EQ(g->gate->IsOpen(), 1);
    EXPECT_NEAR(o->heading, 9.0f, 1e-4f);
    EXPECT_NEAR(o->pitch, -9.0f, 1e-4f);
    list.UpdateBy(1000);
    EXPECT_NEAR(o->heading, 54.0f, 1e-4f);
    EXPECT_FLOAT_EQ(o->pitch, -10.0f);
    EXPECT_EQ(o->atTarget, 0);
    list.UpdateBy(1000);
    EXPECT_FLOAT_EQ(o->heading, 90.0f);
    EXPECT_EQ(o->atTarget, 1);
    // A negative speed still reaches the target.
    o->targetHeading = 80.0f;
    o->turnSpeed = -100.0f;
    o->atTarget = 0;
    list.UpdateBy(200);
    EXPECT_FLOAT_EQ(o->heading, 80.0f);
    EXPECT_EQ(o->atTarget, 1);
}

TEST(TerrobjTest, MissingTypesAreReportedAndMarksFollowGates) {
    TERROBJ_LIST list;
    list.AddNew(3, 14321, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    ResetStartLogForTest("to_miss.log");
    EXPECT_FALSE(list.CheckObjects());
    std::string log = ReadFile("to_miss.log");
    EXPECT_NE(log.find("Missing object: 14321"), std::string::npos);

    EXPECT_EQ(list.MarkControllable(0), 0);
    TERROBJ* g = list.AddNew(5, 5035, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(list.MarkControllable(0), 1);
    EXPECT_EQ(g->controlMark, 0);
    EXPECT_EQ(list.MarkControllable(1), 1);
    EXPECT_EQ(g->controlMark, 1);
    EXPECT_EQ(list.GetFirst()->next->controlMark, 0);
    list.ClearMarks();
    EXPECT_EQ(g->controlMark, 0);
}

TEST(TerrobjTest, RotatePointAroundCenterQuarterTurn) {
    float x = 3.0f, y = 1.0f;
    RotatePointAroundCenter(90.0f, 1.0f, 1.0f, &x, &y);
    EXPECT_NEAR(x, 1.0f, 1e-5f);
    EXPECT_NEAR(y, 3.0f, 1e-5f);
}

TEST(TerrobjTest, LampLightsSurviveAGridRebuild) {
    lightList.InitLightGridSize(28.0f, 28.0f);
    TERROBJ_LIST list;
    for (int i = 0; i < 3; i++) {
        TERROBJ* o = list.AddNew(LAMP_TYPE, 7001, (float)i, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
        o->lampColour = 1;
    }
    list.AddAllLights();
    EXPECT_EQ(lightList.GetLightCount(), 3);
    lightList.InitLightGridSize(28.0f, 28.0f);  // frees every light
    EXPECT_EQ(lightList.GetLightCount(), 0);
    list.AddAllLights();
    EXPECT_EQ(lightList.GetLightCount(), 3);
    for (TERROBJ* o = list.GetFirst(); o; o = o->next) {
        ASSERT_NE(o->LiveLight(), nullptr);
        EXPECT_NEAR(o->LiveLight()->light.Position.x, o->x, 1e-5f);
    }
    // Moving a lamp moves its own light only.
    TERROBJ* first = list.GetFirst();
    first->selected = 1;
    list.MoveSelection(5.0f, 0.0f);
    list.UpdateSelectedLights();
    EXPECT_NEAR(first->LiveLight()->light.Position.x, first->x, 1e-5f);
    list.RemoveObject(first);
    EXPECT_EQ(lightList.GetLightCount(), 2);
    list.RemoveAll(0);
    EXPECT_EQ(lightList.GetLightCount(), 0);
}
