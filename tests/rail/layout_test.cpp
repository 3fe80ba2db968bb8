// Layout files: a full round trip, the file versions, damaged and cut files,
// references that do not resolve, and the safe replacement of files.
#include "layout_test.h"

#include <unistd.h>

#include <cmath>
#include <filesystem>

#include "app/messagequeue.h"
#include "platform/files.h"
#include "rail/layoutfile.h"
#include "rail/layoutstate.h"
#include "ui/window.h"

namespace {

std::vector<std::string> TrackRecords() {
    std::vector<std::string> out;
    for (TRACK* p = trackList.GetFirst(); p; p = p->pNext) {
        std::string r(TRACKRECORDSIZE, '\0');
        p->WriteRecord(reinterpret_cast<unsigned char*>(&r[0]));
        WriteI32(r, 52, 0);  // group ids are given again after loading
        out.push_back(r);
    }
    return out;
}

std::vector<std::string> PowerRecords() {
    std::vector<std::string> out;
    for (POWER_NODE* n = powerList.GetFirst(); n; n = n->pNext) {
        std::string r(POWERRECORDSIZE, '\0');
        n->WriteRecord(reinterpret_cast<unsigned char*>(&r[0]));
        out.push_back(r);
    }
    return out;
}

std::vector<std::string> AdditionRecords() {
    std::vector<std::string> out;
    for (TRACKADDITION* t = trackAdditionList.GetFirst(); t; t = t->pForward) {
        std::string r(TRACKADDITIONRECORDSIZE, '\0');
        t->WriteRecord(reinterpret_cast<unsigned char*>(&r[0]));
        out.push_back(r);
    }
    return out;
}

std::vector<std::string> TrainRecords() {
    std::vector<std::string> out;
    for (TRAIN* t = trainList.GetFirst(); t; t = t->pNext) {
        std::string r(TRAINRECORDSIZE, '\0');
        t->WriteRecord(reinterpret_cast<unsigned char*>(&r[0]));
        out.push_back(r);
    }
    return out;
}

std::vector<std::string> ObjectRecords() {
    std::vector<std::string> out;
    for (TERROBJ* o = terrobjList.GetFirst(); o; o = o->next) {
        std::string r(TERROBJ_RECORD_SIZE, '\0');
        o->ToBytes(reinterpret_cast<uint8_t*>(&r[0]));
        out.push_back(r);
    }
    return out;
}

// Byte offsets of the sections of a saved file of the test layout.
std::vector<size_t> SectionBoundaries(const std::string& file) {
    std::vector<size_t> at;
    size_t p = 15;
    at.push_back(p);
    p += 4 + ReadI32(file, p) * TRACKRECORDSIZE;
    at.push_back(p);
    p += 4 + ReadI32(file, p) * TRACKADDITIONRECORDSIZE;
    at.push_back(p);
    p += 4 + ReadI32(file, p) * POWERRECORDSIZE + 4;
    at.push_back(p);
    p += 4 + ReadI32(file, p) * TRAINRECORDSIZE;
    at.push_back(p);
    p += 8;  // controls: none
    at.push_back(p);
    p += 4 + ReadI32(file, p) * TERROBJ_RECORD_SIZE;  // no gates in the test layout
    at.push_back(p);
    p += 5;  // manual control table: none
    at.push_back(p);
    p += 76;  // camera block
    at.push_back(p);
    p += 68;  // settings block
    at.push_back(p);
    const size_t lighting = file.size() - 4 - LIGHTLIST::SECTIONSIZE;
    at.push_back(lighting);                // after the terrain
    at.push_back(file.size() - 4);         // after the lighting
    return at;
}

std::string WithoutGroupIds(std::string file) {
    const int count = ReadI32(file, 15);
    for (int i = 0; i < count; i++) WriteI32(file, 15 + 4 + i * TRACKRECORDSIZE + 52, 0);
    return file;
}

}  // namespace

TEST_F(LayoutTest, RoundTripKeepsEveryField) {
    BuildLayout();
    ASSERT_EQ(layoutState.SaveLayout("round.roa"), 1);
    const std::string file = veltest::ReadFile("round.roa");
    ASSERT_GT(file.size(), 15u);
    EXPECT_EQ(file.substr(0, 15), "File version:15");
    EXPECT_FALSE(std::filesystem::exists("round.roa.tmp"));

    // What was saved, numbered as the file holds it.
    const auto tracks = TrackRecords();
    const auto power = PowerRecords();
    const auto additions = AdditionRecords();
    const auto trains = TrainRecords();
    const auto objects = ObjectRecords();
    const std::string terrainBytes = SectionBytes([](FILE* f) { terrain.Save(f); });
    D3DXVECTOR3 eye, lookAt, up;
    display.GetCamera(&eye, &lookAt, &up);
    const unsigned ambient = lightList.GetAmbientColor();
    const int night = lightList.IsNight(), lamps = lightList.GetLampsOn();
    ASSERT_EQ(tracks.size(), 3u);
    ASSERT_EQ(trains.size(), 1u);

    // Everything back to a fresh layout, then the file.
    ASSERT_EQ(NewLayout(0, 2, 2), 1);
    ResetSettings();
    display.SetFollowValues(0.0f, 0.0f, 0.0f, 1.15f);
    myGlobs.tavolsag = 4.2f;
    ASSERT_TRUE(fulllayout::ListsEmpty());
    ASSERT_EQ(layoutState.LoadLayout("round.roa"), 490);
    EXPECT_EQ(myGlobs.loadFileVersion, 15);

    EXPECT_EQ(TrackRecords(), tracks);
    EXPECT_EQ(PowerRecords(), power);
    EXPECT_EQ(AdditionRecords(), additions);
    EXPECT_EQ(TrainRecords(), trains);
    EXPECT_EQ(ObjectRecords(), objects);
    EXPECT_EQ(SectionBytes([](FILE* f) { terrain.Save(f); }), terrainBytes);

    // References are pointers again.
    TRACK* la = trackList.GetFirst();
    TRACK* lb = la->pNext;
    TRACK* lc = lb->pNext;
    EXPECT_EQ(la->end[1].pTrack, lb);
    EXPECT_EQ(lb->end[0].pTrack, la);
    EXPECT_EQ(lc->end[0].pTrack, nullptr);
    EXPECT_EQ(la->groupId, lb->groupId);
    EXPECT_NE(la->groupId, lc->groupId);
    EXPECT_TRUE(idPool.IsInUse(la->groupId));
    EXPECT_TRUE(idPool.IsInUse(lc->groupId));
    const int fresh = idPool.AssignId(nullptr);  // a new piece gets an id of its own
    EXPECT_NE(fresh, la->groupId);
    EXPECT_NE(fresh, lc->groupId);
    idPool.FreeId(fresh);
    POWER_NODE* ln = powerList.GetFirst();
    EXPECT_EQ(ln->pTrack, la);
    EXPECT_EQ(la->pOwnNode, ln);
    EXPECT_EQ(lb->pFeedNode, ln);
    EXPECT_EQ(trackAdditionList.GetFirst()->pTrack, lb);
    EXPECT_EQ(trainList.GetFirst()->GetTrack(), lb);
    EXPECT_EQ(trainList.GetFirst()->GetFlags(), 5);
    EXPECT_STREQ(lb->name, "Middle");

    // Camera, settings, lighting and sky.
    float yaw, pitch, distance;
    display.GetCameraAngles(&yaw, &pitch, &distance);
    EXPECT_FLOAT_EQ(yaw, 0.7f);
    EXPECT_FLOAT_EQ(pitch, 0.9f);
    EXPECT_FLOAT_EQ(distance, 12.0f);
    D3DXVECTOR3 eye2, lookAt2, up2;
    display.GetCamera(&eye2, &lookAt2, &up2);
    EXPECT_NEAR(eye2.x, eye.x, 1e-4);
    EXPECT_NEAR(eye2.y, eye.y, 1e-4);
    EXPECT_NEAR(eye2.z, eye.z, 1e-4);
    float fh, flh, fo, fz;
    display.GetFollowValues(&fh, &flh, &fo, &fz);
    EXPECT_FLOAT_EQ(fh, 0.1f);
    EXPECT_FLOAT_EQ(flh, 0.2f);
    EXPECT_FLOAT_EQ(fo, 0.3f);
    EXPECT_FLOAT_EQ(fz, 1.0f);
    EXPECT_FLOAT_EQ(myGlobs.tavolsag, 5.5f);
    EXPECT_EQ(myGlobs.journeyMode, 0);
    EXPECT_EQ(myGlobs.freeCamera, 1);
    EXPECT_FLOAT_EQ(layoutState.GetGroundPointX(), 2.0f);
    EXPECT_FLOAT_EQ(layoutState.GetGroundPointY(), -3.0f);
    EXPECT_EQ(layoutState.GetSelectTracks(), 1);
    EXPECT_EQ(layoutState.GetSelectObjects(), 0);
    EXPECT_EQ(layoutState.GetSelectPlants(), 1);
    EXPECT_EQ(layoutState.GetSelectVehicles(), 0);
    EXPECT_EQ(layoutState.GetMode(), 0);
    EXPECT_EQ(layoutState.GetEditable(), 0);
    EXPECT_EQ(layoutState.GetShowGrid(), 1);
    EXPECT_EQ(layoutState.GetShowLabels(), 0);
    EXPECT_EQ(layoutState.GetShowTooltips(), 0);
    EXPECT_EQ(layoutState.GetDrawRaised(), 0);
    EXPECT_EQ(layoutState.GetDrawUnderground(), 0);
    EXPECT_FLOAT_EQ(terrobjList.GetCullThreshold(), 0.02f);
    EXPECT_EQ(skybox.GetBaseFlag(), 1);
    EXPECT_EQ(controlList.GetShowControls(), 0);
    EXPECT_EQ(trackList.GetShowSwitchSigns(), 0);
    EXPECT_EQ(skybox.GetCurrentIndex(), 1);
    EXPECT_EQ(lightList.IsNight(), night);
    EXPECT_EQ(lightList.GetLampsOn(), lamps);
    EXPECT_EQ(lightList.GetAmbientColor(), ambient);
    int w = 0, d = 0;
    terrain.GetTileCounts(&w, &d);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(d, 1);
    EXPECT_NE(Log().find("**** Starting to load file: round.roa ****"), std::string::npos);
    EXPECT_NE(Log().find("**** Load successfully ended... ****"), std::string::npos);

    // Saving the loaded layout gives the same file; only the group ids,
    // which are given again to the joined runs, may be numbered otherwise.
    ASSERT_EQ(layoutState.SaveLayout("again.roa"), 1);
    const std::string again = veltest::ReadFile("again.roa");
    EXPECT_TRUE(WithoutGroupIds(again) == WithoutGroupIds(file));
}

TEST_F(LayoutTest, JourneyCameraFollowsTheLoadedVehicle) {
    BuildLayout();
    myGlobs.journeyMode = 1;
    myGlobs.journeyTrain = engine;
    const D3DXVECTOR3 eye(1.0f, 2.0f, -3.0f), lookAt(4.0f, 5.0f, 0.0f), up(0.0f, 0.0f, -1.0f);
    layoutState.SetStoredCamera(eye, lookAt, up, 0.25f, 0.5f, 7.0f);
    ASSERT_EQ(layoutState.SaveLayout("journey.roa"), 1);
    std::string file = veltest::ReadFile("journey.roa");

    myGlobs.journeyMode = 0;
    layoutState.SetStoredCamera(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 0), up, 0.0f, 0.0f, 0.0f);
    ASSERT_EQ(layoutState.LoadLayout("journey.roa"), 490);
    EXPECT_EQ(myGlobs.journeyMode, 1);
    EXPECT_EQ(myGlobs.freeCamera, 0);
    EXPECT_EQ(myGlobs.journeyTrain, trainList.GetFirst());
    D3DXVECTOR3 e, l, u;
    float yaw, pitch, distance;
    layoutState.GetStoredCamera(&e, &l, &u, &yaw, &pitch, &distance);
    EXPECT_FLOAT_EQ(e.y, 2.0f);
    EXPECT_FLOAT_EQ(l.x, 4.0f);
    EXPECT_FLOAT_EQ(yaw, 0.25f);
    EXPECT_FLOAT_EQ(distance, 7.0f);

    // A followed vehicle whose piece is gone is dropped and ends the journey.
    const size_t vehicle = 15 + 4 + 3 * TRACKRECORDSIZE + 4 + TRACKADDITIONRECORDSIZE + 4 + POWERRECORDSIZE + 4 + 4;
    WriteI32(file, vehicle + 32, 999);
    veltest::WriteFile("lost.roa", file);
    ASSERT_EQ(layoutState.LoadLayout("lost.roa"), 490);
    EXPECT_EQ(trainList.GetFirst(), nullptr);
    EXPECT_EQ(myGlobs.journeyMode, 0);
    EXPECT_EQ(myGlobs.journeyTrain, nullptr);
    EXPECT_EQ(myGlobs.freeCamera, 1);
    EXPECT_NE(Log().find("The followed vehicle of the layout file does not resolve"), std::string::npos);
}

TEST_F(LayoutTest, UnresolvedNumbersAreDroppedWithALogLine) {
    BuildLayout();
    ASSERT_EQ(layoutState.SaveLayout("refs.roa"), 1);
    std::string file = veltest::ReadFile("refs.roa");
    const size_t additions = 15 + 4 + 3 * TRACKRECORDSIZE + 4;
    const size_t power = additions + TRACKADDITIONRECORDSIZE + 4;
    WriteI32(file, additions + 16, 999);  // the addition's piece id
    WriteI32(file, power + 84, 999);      // the feed point's piece id
    veltest::WriteFile("refs.roa", file);

    ASSERT_EQ(layoutState.LoadLayout("refs.roa"), 490);
    EXPECT_EQ(trackAdditionList.GetFirst(), nullptr);
    EXPECT_TRUE(powerList.IsEmpty());
    for (TRACK* p = trackList.GetFirst(); p; p = p->pNext) {
        EXPECT_EQ(p->pFeedNode, nullptr);
        EXPECT_EQ(p->pOwnNode, nullptr);
    }
    EXPECT_EQ(trackList.GetCount(), 3);
    EXPECT_NE(Log().find("Track addition dropped, its piece does not resolve: 999"), std::string::npos);
    EXPECT_NE(Log().find("Power feed point dropped, its piece does not resolve: 999"), std::string::npos);
}

TEST_F(LayoutTest, OlderVersionsLoadWithTheirShorterBlocks) {
    // Without a header the file is version 10. (No sky list: the lighting
    // of the file is kept as it is read.)
    skybox.FreeEntries();
    veltest::WriteFile("v10.roa", OldFile(10, false));
    ASSERT_EQ(layoutState.LoadLayout("v10.roa"), 490);
    EXPECT_EQ(myGlobs.loadFileVersion, 10);
    EXPECT_FLOAT_EQ(layoutState.GetGroundPointX(), 1.5f);
    EXPECT_FLOAT_EQ(layoutState.GetGroundPointY(), -2.5f);
    EXPECT_EQ(layoutState.GetSelectObjects(), 0);
    EXPECT_EQ(layoutState.GetMode(), 0);
    EXPECT_EQ(layoutState.GetDrawRaised(), 1);
    EXPECT_EQ(layoutState.GetDrawUnderground(), 1);
    EXPECT_EQ(powerList.GetNameCounter(), 7);
    EXPECT_EQ(lightList.GetAmbientColor(), 0xFF646464u);

    veltest::WriteFile("v12.roa", OldFile(12, true));
    ASSERT_EQ(layoutState.LoadLayout("v12.roa"), 490);
    EXPECT_EQ(myGlobs.loadFileVersion, 12);
    EXPECT_EQ(myGlobs.journeyMode, 0);
    EXPECT_EQ(myGlobs.freeCamera, 1);

    // Version 13 names a followed vehicle that is not there: no journey.
    veltest::WriteFile("v13.roa", OldFile(13, true));
    ASSERT_EQ(layoutState.LoadLayout("v13.roa"), 490);
    EXPECT_EQ(myGlobs.journeyMode, 0);
    EXPECT_EQ(myGlobs.journeyTrain, nullptr);
    EXPECT_EQ(myGlobs.freeCamera, 1);
    EXPECT_FLOAT_EQ(myGlobs.tavolsag, 4.5f);
    EXPECT_EQ(layoutState.GetDrawRaised(), 1);

    // Version 14 has the two drawing options.
    veltest::WriteFile("v14.roa", OldFile(14, true));
    ASSERT_EQ(layoutState.LoadLayout("v14.roa"), 490);
    EXPECT_EQ(myGlobs.loadFileVersion, 14);
    EXPECT_EQ(layoutState.GetDrawRaised(), 0);
    EXPECT_EQ(layoutState.GetDrawUnderground(), 0);
    float yaw, pitch, distance;
    display.GetCameraAngles(&yaw, &pitch, &distance);
    EXPECT_FLOAT_EQ(yaw, 1.2f);
    EXPECT_FLOAT_EQ(pitch, 0.8f);
    EXPECT_FLOAT_EQ(distance, 14.0f);
}

TEST_F(LayoutTest, VersionsThatCannotBeReadLeaveAnEmptyLayout) {
    BuildLayout();
    ASSERT_EQ(layoutState.SaveLayout("new.roa"), 1);
    const std::string file = veltest::ReadFile("new.roa");

    // Newer than this program: refused after the lists were emptied.
    std::string newer = file;
    newer[13] = '1';
    newer[14] = '6';
    veltest::WriteFile("v16.roa", newer);
    BuildLayout();
    EXPECT_EQ(layoutState.LoadLayout("v16.roa"), 500);
    EXPECT_TRUE(fulllayout::ListsEmpty());

    // A header without digits.
    std::string broken = file;
    broken[14] = 'x';
    veltest::WriteFile("bad.roa", broken);
    BuildLayout();
    EXPECT_EQ(layoutState.LoadLayout("bad.roa"), 410);
    EXPECT_TRUE(fulllayout::ListsEmpty());

    // A version-11 control section cannot be read; nothing after it is.
    std::string v11 = OldFile(13, true);
    v11[14] = '1';
    veltest::WriteFile("v11.roa", v11);
    BuildLayout();
    messageQueue.Reset();
    EXPECT_EQ(layoutState.LoadLayout("v11.roa"), 410);
    EXPECT_TRUE(fulllayout::ListsEmpty());
    EXPECT_EQ(messageQueue.GetCount(), 1);

    // No file at all.
    EXPECT_EQ(layoutState.LoadLayout("missing.roa"), 410);
    EXPECT_EQ(layoutState.LoadLayout(nullptr), 410);
}

TEST_F(LayoutTest, MissingObjectTypesAreReported) {
    BuildLayout();
    ASSERT_EQ(layoutState.SaveLayout("types.roa"), 1);
    myGlobs.xIdTable[TEST_HOUSE] = -1;
    EXPECT_EQ(layoutState.LoadLayout("types.roa"), 510);
    EXPECT_NE(Log().find("Missing object: "), std::string::npos);
    RegisterTestType(TEST_HOUSE, HOUSE_TYPE);
}

TEST_F(LayoutTest, CutFilesLoadSafelyAtEverySectionBoundary) {
    BuildLayout();
    ASSERT_EQ(layoutState.SaveLayout("full.roa"), 1);
    const std::string file = veltest::ReadFile("full.roa");
    std::vector<size_t> cuts;
    for (size_t at : SectionBoundaries(file)) {
        cuts.push_back(at);
        cuts.push_back(at - 1);
        cuts.push_back(at + 1);
    }
    for (size_t at = 0; at < file.size(); at += file.size() / 60) cuts.push_back(at);
    for (size_t at : cuts) {
        if (at >= file.size()) continue;
        veltest::WriteFile("cut.roa", file.substr(0, at));
        BuildLayout();
        const int result = layoutState.LoadLayout("cut.roa");
        EXPECT_EQ(result, 410) << "cut at " << at;
        EXPECT_TRUE(fulllayout::ListsEmpty()) << "cut at " << at;
        EXPECT_EQ(myGlobs.journeyTrain, nullptr);
    }
    // The whole file still loads afterwards.
    EXPECT_EQ(layoutState.LoadLayout("full.roa"), 490);
    EXPECT_EQ(trackList.GetCount(), 3);
}

TEST_F(LayoutTest, CountsBeyondTheFileAreRefused) {
    BuildLayout();
    ASSERT_EQ(layoutState.SaveLayout("count.roa"), 1);
    const std::string file = veltest::ReadFile("count.roa");
    const std::vector<size_t> at = SectionBoundaries(file);
    // Track, addition, power, vehicle and placed-object counts.
    for (size_t k : {0, 1, 2, 3, 5}) {
        for (int32_t count : {0x7FFFFFFF, -1, 100000}) {
            std::string bad = file;
            WriteI32(bad, at[k], count);
            veltest::WriteFile("bad.roa", bad);
            EXPECT_EQ(layoutState.LoadLayout("bad.roa"), 410) << "section " << k << " count " << count;
            EXPECT_TRUE(fulllayout::ListsEmpty());
        }
    }
    // A manual control table that claims entries it does not hold.
    std::string bad = file;
    WriteI32(bad, at[6] + 1, 0x10000000);
    veltest::WriteFile("bad.roa", bad);
    EXPECT_EQ(layoutState.LoadLayout("bad.roa"), 410);
}

TEST_F(LayoutTest, ControlAndTableRecordsOfAFileAreSkipped) {
    // A control record and a table entry the lists cannot hold yet: the rest
    // of the file still reads.
    BuildLayout();
    ASSERT_EQ(layoutState.SaveLayout("ctl.roa"), 1);
    const std::string file = veltest::ReadFile("ctl.roa");
    const std::vector<size_t> at = SectionBoundaries(file);
    std::string more = file.substr(0, at[4]);
    Bytes controls;
    controls.I32(1);
    controls.Raw(std::string(220, '\0'));
    controls.I32(12);
    more += controls.data;
    more += file.substr(at[5], at[6] - at[5]);
    Bytes table;
    table.U8(0);
    table.I32(1);
    table.I32(1), table.I32(2);
    more += table.data;
    more += file.substr(at[7]);
    veltest::WriteFile("ctl.roa", more);
    ASSERT_EQ(layoutState.LoadLayout("ctl.roa"), 490);
    EXPECT_EQ(controlList.GetNameCounter(), 12);
    EXPECT_EQ(manualControlTable.IsShown(), 0);
    EXPECT_EQ(trackList.GetCount(), 3);
    EXPECT_NE(Log().find("Control of an unknown type dropped in CONTROL_LIST::Load(): 0"), std::string::npos);
}

TEST_F(LayoutTest, SaveReplacesTheOldFileOnlyWhenComplete) {
    BuildLayout();
    // Blanks become underscores.
    ASSERT_EQ(layoutState.SaveLayout("my layout.roa"), 1);
    EXPECT_TRUE(std::filesystem::exists("my_layout.roa"));
    EXPECT_FALSE(std::filesystem::exists("my layout.roa"));

    // When the new file cannot be written the old one stays as it was.
    veltest::WriteFile("keep.roa", "old contents");
    ASSERT_EQ(symlink("/nonexistent-folder/keep.roa.tmp", "keep.roa.tmp"), 0);
    EXPECT_EQ(layoutState.SaveLayout("keep.roa"), 0);
    EXPECT_EQ(veltest::ReadFile("keep.roa"), "old contents");
    EXPECT_EQ(layoutState.SaveLayout(""), 0);
    EXPECT_EQ(layoutState.SaveLayout(nullptr), 0);
}

TEST_F(LayoutTest, AutosaveRotatesTwoFiles) {
    BuildLayout();
    gameState = 8;
    editorState = 100;
    frameTime = 40;
    layoutState.SetAutosave(1);
    layoutState.SetAutosaveTimer(layoutState.GetAutosavePeriod() - 40);

    // Below the period the frame time is added; once reached the save runs.
    layoutState.Autosave();
    EXPECT_EQ(layoutState.GetAutosaveTimer(), layoutState.GetAutosavePeriod());
    EXPECT_FALSE(std::filesystem::exists("autosave1.roa"));
    editorState = 123;  // the load window is open
    layoutState.Autosave();
    EXPECT_FALSE(std::filesystem::exists("autosave1.roa"));
    editorState = 100;
    layoutState.Autosave();
    EXPECT_EQ(layoutState.GetAutosaveTimer(), 0);
    ASSERT_TRUE(std::filesystem::exists("autosave1.roa"));
    EXPECT_FALSE(std::filesystem::exists("autosave2.roa"));
    const std::string first = veltest::ReadFile("autosave1.roa");
    EXPECT_EQ(first.substr(0, 15), "File version:15");

    // The second one moves the first to autosave2.
    Make(0, 10, 10, 0);
    layoutState.SetAutosaveTimer(layoutState.GetAutosavePeriod());
    layoutState.Autosave();
    EXPECT_EQ(veltest::ReadFile("autosave2.roa"), first);
    EXPECT_NE(veltest::ReadFile("autosave1.roa"), first);
    EXPECT_FALSE(std::filesystem::exists("autosave1.roa.tmp"));
    EXPECT_EQ(layoutState.LoadLayout("autosave1.roa"), 490);
    EXPECT_EQ(trackList.GetCount(), 4);

    // A failed autosave keeps both older files.
    const std::string second = veltest::ReadFile("autosave1.roa");
    ASSERT_EQ(symlink("/nonexistent-folder/x", "autosave1.roa.tmp"), 0);
    layoutState.SetAutosaveTimer(layoutState.GetAutosavePeriod());
    layoutState.Autosave();
    EXPECT_EQ(veltest::ReadFile("autosave1.roa"), second);
    EXPECT_EQ(veltest::ReadFile("autosave2.roa"), first);
    EXPECT_NE(Log().find("Autosave failed, the older autosaves are kept"), std::string::npos);

    // Off, or outside the editor, nothing counts.
    layoutState.SetAutosaveTimer(0);
    layoutState.SetAutosave(0);
    layoutState.Autosave();
    EXPECT_EQ(layoutState.GetAutosaveTimer(), 0);
    layoutState.SetAutosave(1);
    gameState = 3;
    layoutState.Autosave();
    EXPECT_EQ(layoutState.GetAutosaveTimer(), 0);
}

TEST_F(LayoutTest, SavesReachTheDiskBeforeTheyCount) {
    BuildLayout();
    // The new file and then its folder entry are flushed.
    const int before = plat::FileFlushCountForTest();
    ASSERT_EQ(layoutState.SaveLayout("disk.roa"), 1);
    EXPECT_EQ(plat::FileFlushCountForTest(), before + 2);

    // A file that cannot be flushed is a failed save; the old file stays.
    veltest::WriteFile("keep.roa", "old contents");
    plat::FailFileFlushesForTest(1);
    EXPECT_EQ(layoutState.SaveLayout("keep.roa"), 0);
    EXPECT_EQ(veltest::ReadFile("keep.roa"), "old contents");
    EXPECT_FALSE(std::filesystem::exists("keep.roa.tmp"));
    // A folder that cannot be flushed after the rename is reported too.
    plat::FailFileFlushesForTest(1, 1);
    EXPECT_EQ(layoutState.SaveLayout("keep.roa"), 0);
    EXPECT_NE(Log().find("Unable to flush the folder of the layout file: keep.roa"), std::string::npos);
    plat::FailFileFlushesForTest(0);
    EXPECT_EQ(layoutState.SaveLayout("keep.roa"), 1);

    // The autosave flushes the same way, and a failed flush keeps the older
    // autosaves.
    gameState = 8;
    editorState = 100;
    layoutState.SetAutosave(1);
    layoutState.SetAutosaveTimer(layoutState.GetAutosavePeriod());
    const int autosaveBefore = plat::FileFlushCountForTest();
    layoutState.Autosave();
    EXPECT_EQ(plat::FileFlushCountForTest(), autosaveBefore + 2);
    const std::string first = veltest::ReadFile("autosave1.roa");
    ASSERT_FALSE(first.empty());
    Make(0, 10, 10, 0);
    plat::FailFileFlushesForTest(1);
    layoutState.SetAutosaveTimer(layoutState.GetAutosavePeriod());
    layoutState.Autosave();
    EXPECT_EQ(veltest::ReadFile("autosave1.roa"), first);
    EXPECT_FALSE(std::filesystem::exists("autosave2.roa"));
    EXPECT_FALSE(std::filesystem::exists("autosave1.roa.tmp"));
    plat::FailFileFlushesForTest(0);
}

TEST_F(LayoutTest, NoAutosaveWhileASliderIsHeld) {
    BuildLayout();
    WINDOW window;
    window.Init("slider", 0xFFFFFFFF, 10, 10, 200, 100, 0);
    const float percent = 50.0f;
    WINOBJ* slider = window.AddWinobj(1, WINOBJ_SLIDER, 0, &percent, 10, 10, 120, 20, 1, 0);
    ASSERT_NE(slider, nullptr);
    windowList.AddWindow(&window);
    gameState = 8;
    editorState = 100;
    layoutState.SetAutosave(1);
    layoutState.SetAutosaveTimer(layoutState.GetAutosavePeriod());
    slider->slider.dragging = 1;
    layoutState.Autosave();
    EXPECT_FALSE(std::filesystem::exists("autosave1.roa"));
    EXPECT_EQ(layoutState.GetAutosaveTimer(), layoutState.GetAutosavePeriod());
    // Let go: the autosave that waited runs.
    slider->slider.dragging = 0;
    layoutState.Autosave();
    windowList.RemoveWindow(&window);
    EXPECT_TRUE(std::filesystem::exists("autosave1.roa"));
    EXPECT_EQ(layoutState.GetAutosaveTimer(), 0);
}

TEST_F(LayoutTest, AMissingObjectTypeIsLoggedOnceNotEveryFrame) {
    // Saved with a size, so that the objects are not too small to draw.
    myGlobs.xObjects[GetXID(TEST_HOUSE, 0)].sphereRadius = 2.0f;
    BuildLayout();
    ASSERT_NE(terrobjList.AddNew(HOUSE_TYPE, TEST_HOUSE, -2.0f, 2.0f, 0.0f, 0.0f, 0.0f, 0.0f), nullptr);
    ASSERT_EQ(layoutState.SaveLayout("types.roa"), 1);
    myGlobs.xIdTable[TEST_HOUSE] = -1;
    ResetStartLogForTest("log.txt");
    EXPECT_EQ(layoutState.LoadLayout("types.roa"), 510);
    myGlobs.sceneVisible = 1;
    for (int frame = 0; frame < 20; frame++) {
        terrobjList.Update();
        terrobjList.Render(1);
        terrobjList.Render(2);
        terrobjList.DrawLabels();
        terrobjList.DrawSelectionMarks();
        int type = 0, objId = 0;
        TERROBJ* record = nullptr;
        terrobjList.FindUnderCursor(&type, &objId, &record);
    }
    const std::string log = Log();
    const std::string line = "No X_ID found to the ID: " + std::to_string(TEST_HOUSE) + " !!!";
    size_t count = 0;
    for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) count++;
    EXPECT_EQ(count, 1u) << log;
    RegisterTestType(TEST_HOUSE, HOUSE_TYPE);
    myGlobs.xObjects[GetXID(TEST_HOUSE, 0)].sphereRadius = 0.0f;
}
