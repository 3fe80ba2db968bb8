// Shared set-up of the layout tests: a headless display, a terrain, a few
// object types registered by hand and a small layout to save and load.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "gfx/display.h"
#include "platform/d3d8.h"
#include "platform/window.h"
#include "rail/control.h"
#include "rail/infotext.h"
#include "rail/manualcontrol.h"
#include "rail/train.h"
#include "support/display_support.h"
#include "support/testutil.h"
#include "full_layout.h"
#include "track_test.h"
#include "world/lightlist.h"
#include "world/skybox.h"
#include "world/terrain.h"
#include "world/terrobj.h"

constexpr int TEST_HOUSE = 3001;
constexpr int TEST_ENGINE = 1100;

// Makes an object type known to the id table without loading a mesh.
inline void RegisterTestType(int objId, int type) {
    const int xid = myGlobs.xObjectCount++;
    myGlobs.xObjects[xid].objId = objId;
    myGlobs.xObjects[xid].type = type;
    myGlobs.xIdTable[objId] = xid;
}

// Little-endian byte builder for hand-made files.
struct Bytes {
    std::string data;
    void I32(int32_t v) {
        uint32_t u = static_cast<uint32_t>(v);
        for (int i = 0; i < 4; i++) data.push_back(static_cast<char>(u >> (8 * i)));
    }
    void F32(float f) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        I32(static_cast<int32_t>(u));
    }
    void U8(int v) { data.push_back(static_cast<char>(v)); }
    void Raw(const std::string& s) { data += s; }
};

// The bytes a section writer produces.
template <typename F>
std::string SectionBytes(F write) {
    FILE* f = std::tmpfile();
    write(f);
    std::string out(static_cast<size_t>(std::ftell(f)), '\0');
    std::rewind(f);
    if (!out.empty() && std::fread(&out[0], 1, out.size(), f) != out.size()) out.clear();
    std::fclose(f);
    return out;
}

class LayoutTest : public TrackTest {
protected:
    void SetUp() override {
        ResetStartLogForTest("log.txt");
        ASSERT_TRUE(StartHeadlessDisplay());
        TrackTest::SetUp();
        if (GetXID(TEST_HOUSE, 0) < 0) RegisterTestType(TEST_HOUSE, HOUSE_TYPE);
        if (GetXID(TEST_ENGINE, 0) < 0) RegisterTestType(TEST_ENGINE, ENGINE_TYPE);
        veltest::WriteFile("vlm_skybox1.txt",
                           "day.dds 0x010101 0xFFFFFF 0x101010 0 DAY NOLAMP\r\n"
                           "night.dds 0x020202 0x808080 0x202020 0 NIGHT LAMP\r\n");
        skybox.FreeEntries();
        skybox.LoadSkyboxListFile("vlm_skybox1.txt");
        myGlobs.journeyMode = 0;
        myGlobs.journeyTrain = nullptr;
        myGlobs.freeCamera = 1;
        ASSERT_EQ(NewLayout(0, 1, 1), 1);
    }

    std::string Log() const { return veltest::ReadFile(dir.Path() + "/log.txt"); }

    // Two joined straights a - b, a lone piece c, a feed point on a, a track
    // addition on b, a house, an engine on b, a raised terrain vertex, the
    // night sky, a camera and settings that differ from the defaults.
    void BuildLayout() {
        a = Make(0, 0, 0, 0);
        b = Make(0, 1, 0, 0);
        c = Make(0, 6, 4, 90);
        trackList.RebuildConnections();
        ASSERT_EQ(a->end[1].pTrack, b);
        CopyText(b->name, TRACKNAMELEN, "Middle");
        c->end[0].bInsulated = 1;
        node = powerList.CreateFeedPoint(a, 80, "Main", 0);
        ASSERT_NE(node, nullptr);
        AddTrackAddition()->Init(1, b, 4, 5, 6);
        house = terrobjList.AddNew(HOUSE_TYPE, TEST_HOUSE, 3.0f, -2.0f, 0.0f, 45.0f, 0.0f, 0.0f);
        ASSERT_NE(house, nullptr);
        house->colour1 = 0xFF112233;
        engine = trainList.AddNew();
        ASSERT_NE(engine, nullptr);
        engine->PlaceOnTrack(b, 0.0f, ENGINE_TYPE, TEST_ENGINE, 40.0f);
        engine->SetFlags(5);
        terrain.SetVertexHeight(5, 6, -0.75f);
        fulllayout::SetNightAndCamera();
        layoutState.SetSelectTracks(1);
        layoutState.SetSelectObjects(0);
        layoutState.SetSelectPlants(1);
        layoutState.SetSelectVehicles(0);
        layoutState.SetMode(0);
        layoutState.SetEditable(0);
        layoutState.SetShowGrid(1);
        layoutState.SetShowLabels(0);
        layoutState.SetShowTooltips(0);
        layoutState.SetDrawRaised(0);
        layoutState.SetDrawUnderground(0);
        terrobjList.SetCullThreshold(0.02f);
        skybox.SetBaseFlag(1);
        controlList.SetShowControls(0);
        trackList.SetShowSwitchSigns(0);
    }

    // Every option of the settings block back to its default.
    static void ResetSettings() {
        layoutState.SetGroundPoint(0.0f, 0.0f);
        layoutState.SetSelectTracks(1);
        layoutState.SetSelectObjects(1);
        layoutState.SetSelectPlants(1);
        layoutState.SetSelectVehicles(1);
        layoutState.SetMode(1);
        layoutState.SetEditable(1);
        layoutState.SetShowGrid(0);
        layoutState.SetShowLabels(1);
        layoutState.SetShowTooltips(1);
        layoutState.SetDrawRaised(1);
        layoutState.SetDrawUnderground(1);
        terrobjList.SetCullThreshold(0.005f);
        skybox.SetBaseFlag(0);
        controlList.SetShowControls(1);
        trackList.SetShowSwitchSigns(1);
    }

    // A layout file of an older version with empty lists, built by hand.
    std::string OldFile(int version, bool header) {
        Bytes f;
        if (header) {
            char h[32];
            std::snprintf(h, sizeof h, "File version:%02d", version);
            f.Raw(h);
        }
        f.I32(0);                   // tracks
        f.I32(0);                   // track additions
        f.I32(0), f.I32(7);         // power feed points, next name number
        f.I32(0);                   // vehicles
        f.I32(0), f.I32(5);         // controls, next name number
        f.I32(0);                   // placed objects
        f.U8(1), f.I32(0);          // manual control table
        f.F32(14.0f);               // camera block
        for (float v : {0.0f, 0.0f, -1.0f, 0.0f, -10.0f, -10.0f, 0.0f, 0.0f, 0.0f}) f.F32(v);
        f.F32(0.8f), f.F32(1.2f);
        if (version >= 13) {
            f.I32(1), f.I32(9), f.F32(4.5f);  // journey on, vehicle 9 (absent)
            for (float v : {0.0f, 0.0f, 0.0f, 1.0f}) f.F32(v);
        }
        f.F32(1.5f), f.F32(-2.5f);  // settings block
        for (int v : {1, 0, 1, 0, 0, 1, 1}) f.I32(v);
        f.F32(0.01f);
        for (int v : {1, 0, 0, 1, 0}) f.I32(v);
        if (version >= 14) f.I32(0), f.I32(0);
        f.Raw(SectionBytes([](FILE* file) { terrain.Save(file); }));
        std::string light = SectionBytes([](FILE* file) { lightList.Save(file); });
        if (version == 10 || version == 12) {
            f.I32(0);                       // day
            f.I32(100);                     // grey level
            f.Raw(light.substr(8, 104));    // sun
            f.I32(0);                       // sun light index
        } else {
            f.Raw(light);
            f.I32(0);                       // sky box
        }
        return f.data;
    }

    veltest::TempDir dir;
    TRACK* a = nullptr;
    TRACK* b = nullptr;
    TRACK* c = nullptr;
    POWER_NODE* node = nullptr;
    TERROBJ* house = nullptr;
    TRAIN* engine = nullptr;
};
