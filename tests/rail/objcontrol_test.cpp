// Object control lists: reading, linking the object types, the queries of the
// controls and the editor's choices, and lists that hold too much or too
// little.
#include <gtest/gtest.h>

#include <string>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "rail/objcontrol.h"
#include "support/testutil.h"
#include "ui/window.h"
#include "world/terrobj.h"
#include "world/xobject.h"

namespace {

class ObjControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetStartLogForTest("log.txt");
        std::string t;
        for (int i = 0; i < 12; i++) t += std::to_string(i) + " x\n#\n";
        veltest::WriteFile("texts.txt", t + "12 Twelve\n#\n");
        texts.Reload();
        ClearIdTable();
        myGlobs.xObjectCount = 0;
        for (int objId : {500, 501, 502, 600, 700, 703, 999}) AddType(objId);
        OBJECT_CONTROL_SYSTEM::Reset();
    }
    void TearDown() override { ResetStartLogForTest(nullptr); }

    static void AddType(int objId) {
        const int xid = myGlobs.xObjectCount++;
        myGlobs.xObjects[xid].objId = objId;
        myGlobs.xObjects[xid].type = SIGN_TYPE;
        myGlobs.xObjects[xid].controlCode = -1;
        SetXID(objId, xid);
    }
    static int Code(int objId) { return myGlobs.xObjects[GetXID(objId, 0)].controlCode; }
    std::string Log() const { return veltest::ReadFile(dir.Path() + "/log.txt"); }

    void WriteStandardLists() {
        veltest::WriteFile("vlm_objcontrol1.list",
                           "500 SWAP 3\n"
                           "500 Signal_red\n"
                           "501 Signal_green\n"
                           "502 12\n"
                           "600 rotate 2\n"
                           "Z+0030_+000010 Open_up\n"
                           "x-0045_+000005 Back\n");
        // The second record promises more pairs than the file holds.
        veltest::WriteFile("vlm_objcontrol2.list",
                           "510 SWAP 2\t502 Other 700 Seven\r\n"
                           "900 SWAP 5\n1 a\n2 b\n");
        veltest::WriteFile("vlm_objcontrol3.list", "520 SWAP 1 703 Q\n");
        // The other edition's lists are not read.
        veltest::WriteFile("qm_objcontrol1.list", "530 SWAP 1 999 Z\n");
    }

    veltest::TempDir dir;
};

TEST_F(ObjControlTest, ListsAreReadAndObjectTypesLinked) {
    WriteStandardLists();
    OBJECT_CONTROL_SYSTEM::LoadInfo();
    ASSERT_EQ(OBJECT_CONTROL_SYSTEM::GetRecordCount(), 4);

    const OBJCONTROL_RECORD* swap = OBJECT_CONTROL_SYSTEM::GetRecord(0);
    EXPECT_EQ(swap->code, 500);
    EXPECT_EQ(swap->bRotate, 0);
    EXPECT_EQ(swap->entryCount, 3);
    EXPECT_EQ(swap->entries[1].entryObjId, 501);
    EXPECT_STREQ(swap->entries[0].entryName, "Signal red");
    EXPECT_STREQ(swap->entries[2].entryName, "Twelve");

    const OBJCONTROL_RECORD* rot = OBJECT_CONTROL_SYSTEM::GetRecord(1);
    EXPECT_EQ(rot->bRotate, 1);  // "rotate" in lower case
    EXPECT_EQ(rot->entryCount, 2);
    EXPECT_EQ(rot->triplets[0].axis, 'Z');
    EXPECT_EQ(rot->triplets[0].first, 30);
    EXPECT_EQ(rot->triplets[0].second, 10);
    EXPECT_EQ(rot->triplets[1].axis, 'x');
    EXPECT_EQ(rot->triplets[1].first, -45);
    EXPECT_EQ(rot->triplets[1].second, 5);
    EXPECT_STREQ(rot->entries[0].entryName, "Open up");

    // The broken record of the second file is dropped; the third file reads.
    EXPECT_EQ(OBJECT_CONTROL_SYSTEM::GetRecord(2)->code, 510);
    EXPECT_EQ(OBJECT_CONTROL_SYSTEM::GetRecord(3)->code, 520);

    EXPECT_EQ(Code(500), 500);
    EXPECT_EQ(Code(501), 500);
    EXPECT_EQ(Code(502), 510);  // the later swap record wins
    EXPECT_EQ(Code(700), 510);
    EXPECT_EQ(Code(600), -600);
    EXPECT_EQ(Code(703), 520);
    EXPECT_EQ(Code(999), -1);
    EXPECT_EQ(HasObjControl(500), 1);
    EXPECT_EQ(HasObjControl(999), 0);

    const std::string log = Log();
    EXPECT_NE(log.find("Loading object control info..."), std::string::npos);
    EXPECT_NE(log.find("Reading from file: vlm_objcontrol2.list"), std::string::npos);
    EXPECT_NE(log.find(" ... file processed"), std::string::npos);
    EXPECT_NE(log.find("Info read..."), std::string::npos);
    EXPECT_EQ(log.find("qm_objcontrol"), std::string::npos);

    // Loading again starts from an empty table.
    OBJECT_CONTROL_SYSTEM::LoadInfo();
    EXPECT_EQ(OBJECT_CONTROL_SYSTEM::GetRecordCount(), 4);
}

TEST_F(ObjControlTest, EntryValuesAndRotationsOfPlacedObjects) {
    WriteStandardLists();
    OBJECT_CONTROL_SYSTEM::LoadInfo();
    TERROBJ signal, door, other, unknown, mixed;
    signal.objId = 501;
    door.objId = 600;
    other.objId = 999;
    unknown.objId = 12345;
    mixed.objId = 502;

    EXPECT_EQ(OBJECT_CONTROL_SYSTEM::GetEntryValue(1, &signal), 500);
    EXPECT_EQ(OBJECT_CONTROL_SYSTEM::GetEntryValue(3, &signal), 502);
    EXPECT_EQ(OBJECT_CONTROL_SYSTEM::GetEntryValue(4, &signal), -1);
    EXPECT_EQ(OBJECT_CONTROL_SYSTEM::GetEntryValue(0, &signal), -1);
    EXPECT_EQ(OBJECT_CONTROL_SYSTEM::GetEntryValue(2, &mixed), 700);
    EXPECT_EQ(OBJECT_CONTROL_SYSTEM::GetEntryValue(1, &other), -1);
    EXPECT_EQ(OBJECT_CONTROL_SYSTEM::GetEntryValue(1, &unknown), -1);
    EXPECT_EQ(OBJECT_CONTROL_SYSTEM::GetEntryValue(1, nullptr), -1);

    EXPECT_EQ(OBJECT_CONTROL_SYSTEM::IsGroupObject(&door), 1);
    EXPECT_EQ(OBJECT_CONTROL_SYSTEM::IsGroupObject(&signal), 0);
    EXPECT_EQ(OBJECT_CONTROL_SYSTEM::IsGroupObject(&unknown), 0);

    OBJCONTROL_TRIPLET t;
    int code = 0;
    ASSERT_EQ(OBJECT_CONTROL_SYSTEM::GetGroupEntry(2, &door, &t, &code), 1);
    EXPECT_EQ(t.axis, 'x');
    EXPECT_EQ(t.first, -45);
    EXPECT_EQ(code, 600);
    EXPECT_EQ(OBJECT_CONTROL_SYSTEM::GetGroupEntry(3, &door, &t, &code), 0);
    EXPECT_EQ(OBJECT_CONTROL_SYSTEM::GetGroupEntry(1, &signal, &t, &code), 0);
}

TEST_F(ObjControlTest, ControlWindowChoicesFollowTheRecord) {
    WriteStandardLists();
    OBJECT_CONTROL_SYSTEM::LoadInfo();
    WINDOW w;
    w.Init("obj", 0xffffffff, 0, 0, 300, 300, 0);
    for (int j = 0; j < 3; j++) {
        w.AddWinobj(1 + j, WINOBJ_BUTTON, 0, nullptr, 10, 10 + 20 * j, 16, 16, 1, 0);
        w.AddWinobj(21 + j, WINOBJ_TEXT, 0, "old", 40, 10 + 20 * j, 100, 16, 1, 0);
    }
    windowList.AddWindow(&w);
    auto item = [&](int id) { return windowList.FindWinobj(&w, id); };

    OBJECT_CONTROL_SYSTEM::SetControlPossibilities(&w, 501);
    EXPECT_STREQ(item(21)->text, "Signal red");
    EXPECT_STREQ(item(23)->text, "Twelve");
    for (int id : {1, 2, 3, 21, 22, 23}) EXPECT_EQ(item(id)->enabled, 1) << id;

    // A rotating type offers its two rotations only.
    OBJECT_CONTROL_SYSTEM::SetControlPossibilities(&w, 600);
    EXPECT_STREQ(item(21)->text, "Open up");
    EXPECT_STREQ(item(22)->text, "Back");
    EXPECT_EQ(item(2)->enabled, 1);
    EXPECT_EQ(item(3)->enabled, 0);
    EXPECT_EQ(item(23)->enabled, 0);

    // No record: logged, the window is left as it was.
    OBJECT_CONTROL_SYSTEM::SetControlPossibilities(&w, 12345);
    EXPECT_STREQ(item(21)->text, "Open up");
    EXPECT_EQ(item(3)->enabled, 0);
    EXPECT_NE(Log().find("Objcontrol not found in OBJECT_CONTROL_SYSTEM::SetControlPossibilities() !!!"),
              std::string::npos);
    // No window at all does not fail.
    OBJECT_CONTROL_SYSTEM::SetControlPossibilities(nullptr, 501);
    windowList.RemoveWindow(&w);
}

TEST_F(ObjControlTest, OversizedShortAndMissingListsStaySafe) {
    // Eight swap entries keep six, five rotations keep four; a long name is
    // cut; a short rotation word gives what it holds.
    std::string text = "800 SWAP 8";
    for (int i = 0; i < 8; i++) text += " " + std::to_string(500 + i) + " n" + std::to_string(i);
    text += "\n801 ROTATE 5 Y7 " + std::string(80, 'L');
    for (int i = 0; i < 4; i++) text += " Z+0001_+000002 r";
    text += "\n802 SWAP -3\n803 SWAP 1 501 after\n";
    veltest::WriteFile("vlm_objcontrolA.list", text);
    OBJECT_CONTROL_SYSTEM::LoadInfo();
    ASSERT_EQ(OBJECT_CONTROL_SYSTEM::GetRecordCount(), 4);
    const OBJCONTROL_RECORD* swap = OBJECT_CONTROL_SYSTEM::GetRecord(0);
    EXPECT_EQ(swap->entryCount, OBJCONTROL_MAXENTRIES);
    EXPECT_STREQ(swap->entries[5].entryName, "n5");
    const OBJCONTROL_RECORD* rot = OBJECT_CONTROL_SYSTEM::GetRecord(1);
    EXPECT_EQ(rot->entryCount, OBJCONTROL_MAXTRIPLETS);
    EXPECT_EQ(rot->triplets[0].axis, 'Y');
    EXPECT_EQ(rot->triplets[0].first, 7);
    EXPECT_EQ(rot->triplets[0].second, 0);
    EXPECT_EQ(std::string(rot->entries[0].entryName), std::string(OBJCONTROL_NAMELEN - 1, 'L'));
    EXPECT_NE(Log().find("Object control record holds more entries than kept: 8"), std::string::npos);
    // A negative pair count reads no pairs; the next record follows.
    const OBJCONTROL_RECORD* empty = OBJECT_CONTROL_SYSTEM::GetRecord(2);
    EXPECT_EQ(empty->code, 802);
    EXPECT_EQ(empty->entryCount, 0);
    EXPECT_NE(Log().find("Object control record with a negative entry count is read empty: 2"), std::string::npos);
    const OBJCONTROL_RECORD* after = OBJECT_CONTROL_SYSTEM::GetRecord(3);
    EXPECT_EQ(after->code, 803);
    EXPECT_EQ(after->entries[0].entryObjId, 501);
    TERROBJ o;
    o.objId = 500;
    EXPECT_EQ(OBJECT_CONTROL_SYSTEM::GetEntryValue(6, &o), 505);
    EXPECT_EQ(OBJECT_CONTROL_SYSTEM::GetEntryValue(7, &o), -1);
    o.objId = 501;
    EXPECT_EQ(OBJECT_CONTROL_SYSTEM::GetEntryValue(1, &o), 501);

    // More records than the table holds.
    std::string many;
    for (int i = 0; i < 120; i++) many += std::to_string(1000 + i) + " SWAP 1 500 x\n";
    veltest::WriteFile("vlm_objcontrolA.list", many);
    OBJECT_CONTROL_SYSTEM::LoadInfo();
    EXPECT_EQ(OBJECT_CONTROL_SYSTEM::GetRecordCount(), OBJCONTROL_MAXRECORDS);
    EXPECT_EQ(Code(500), 1000 + OBJCONTROL_MAXRECORDS - 1);
    EXPECT_NE(Log().find("Object control table full"), std::string::npos);

    OBJECT_CONTROL_SYSTEM::ReadInfoFile("nofile.");
    EXPECT_NE(Log().find("Unable to open object control info file: nofile.list !!!"), std::string::npos);
}

}  // namespace
