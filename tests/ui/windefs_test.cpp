// Window definitions: the game panels and editor windows carry the items
// their handlers read, and the game-state helpers open them right.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/filesearch.h"
#include "app/input.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "support/testutil.h"
#include "ui/windefs.h"
#include "world/terrain.h"

namespace {

class WinDefsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetInputState();
        myGlobs.secondEdition = 0;
        myGlobs.firstEdition = 1;
        myGlobs.useSignType = 0;
    }
    void TearDown() override {
        for (WINDOW* w = windowList.GetFirst(); w; w = w->GetNextWindow()) w->Hide();
    }
    static int CountWindows() {
        int n = 0;
        for (WINDOW* w = windowList.GetFirst(); w && n < 1000; w = w->GetNextWindow()) ++n;
        return n;
    }
    static int Kind(WINDOW& w, int id) {
        WINOBJ* o = w.FindWinobj(id);
        return o ? o->kind : -1;
    }
    static std::string EditText(WINDOW& w, int id) {
        char out[256];
        w.GetWinobjEditText(id, out);
        return out;
    }
};

TEST_F(WinDefsTest, GamePanelsAreBuiltAndListed) {
    InitGameWindows();
    EXPECT_TRUE(windowList.Contains(&winInfoPanel));
    EXPECT_TRUE(windowList.Contains(&winMessageOneLine));
    EXPECT_TRUE(windowList.Contains(&winMessageTwoLines));
    EXPECT_EQ(winInfoPanel.GetStyle(), WINSTYLE_NOFRAME);
    EXPECT_EQ(winMessageOneLine.GetStyle(), WINSTYLE_SMALL);
    EXPECT_EQ(winMessageTwoLines.GetStyle(), WINSTYLE_BOX);
    EXPECT_EQ(winInfoPanel.GetRight(), 256 + 370 - 1);
    for (int id = 1; id <= 7; ++id) {
        WINOBJ* o = winInfoPanel.FindWinobj(id);
        ASSERT_NE(o, nullptr) << id;
        EXPECT_EQ(o->kind, WINOBJ_TITLE);
        EXPECT_FALSE(o->enabled);
        EXPECT_EQ(o->flags, 3u);
        EXPECT_EQ(o->colour, 0xC0FFFFB0u);
        EXPECT_EQ(o->fontSize, (id == 1 || id == 3 || id == 5) ? 25 : 20);
    }
    WINOBJ* confirm = winMessageTwoLines.FindWinobj(99);
    ASSERT_NE(confirm, nullptr);
    EXPECT_EQ(confirm->kind, WINOBJ_PICTURE);
    EXPECT_EQ(confirm->pictureId, 690);
    EXPECT_EQ(confirm->x, 150 - 27 / 2);
    EXPECT_EQ(winMessageTwoLines.FindWinobj(1)->fontSize, 20);
    EXPECT_EQ(Kind(winMessageOneLine, 2), WINOBJ_TEXT);

    // Building them again replaces the items and lists each window once.
    const int before = CountWindows();
    InitGameWindows();
    EXPECT_EQ(CountWindows(), before);
}

TEST_F(WinDefsTest, TwoLineMessageAndInfoPanelOpenAndClose) {
    InitGameWindows();
    ShowTwoLineMessageWindow("first", nullptr);
    EXPECT_TRUE(winMessageTwoLines.IsVisible());
    EXPECT_STREQ(winMessageTwoLines.FindWinobj(1)->text, "first");
    EXPECT_STREQ(winMessageTwoLines.FindWinobj(2)->text, "");
    // Its confirm picture answers a click.
    WINOBJ* confirm = winMessageTwoLines.FindWinobj(99);
    cursorX = winMessageTwoLines.GetLeft() + confirm->x + 3;
    cursorY = winMessageTwoLines.GetTop() + 20 + confirm->y + 3;
    mouseLeftDown = 1;
    EXPECT_EQ(winMessageTwoLines.HitWinobj(cursorX, cursorY), 99);
    ShowInfoWindow(1);
    EXPECT_TRUE(winInfoPanel.IsVisible());
    ShowInfoWindow(0);
    EXPECT_FALSE(winInfoPanel.IsVisible());
}

TEST_F(WinDefsTest, EditorWindowsLogAndCarryTheirItems) {
    veltest::TempDir dir;
    ResetStartLogForTest();
    InitEditorWindows();
    const std::string log = veltest::ReadFile("startlog.txt");
    EXPECT_EQ(log.find("Initializing editor windows..."), 0u);
    EXPECT_NE(log.find("Window init executed..."), std::string::npos);
    ResetStartLogForTest();

    WINDOW* all[] = {&winTrackAttrib, &winModeMessage, &winLoadMessage,   &winExitEditor,   &winSwitchAttrib,
                     &winCameraPath,  &winCameraPathPlay, &winCameraPathRecord, &winOptions, &winBuildChoice,
                     &winXfileLists,  &winInfoText,    &winBuildTracks,   &winPutVehicles,  &winPutObj,
                     &winSelOpt,      &winSystemControl, &winEdTerrain,   &winAttr,         &winSAttr,
                     &winDAttr,       &winTtAttr,      &winSoundAttr,     &winObjAttr,      &winSiAttr,
                     &winBarAttr,     &winPowerValue,  &winSkybox,        &winLoadFile,     &winSaveFile,
                     &winTrackName,   &winTerrobjColor, &winHouseColor,   &winDetachAttrib, &winTtableAttrib,
                     &winSelectControl, &winRootcheckEd, &winTableSize,   &winResizeTable,  &winVehicleAttrib};
    for (WINDOW* w : all) {
        EXPECT_TRUE(windowList.Contains(w));
        EXPECT_FALSE(w->IsVisible());
        EXPECT_EQ(w->GetColour(), WINDOW_COLOUR);
        EXPECT_EQ(w->GetStyle(), w == &winInfoText ? WINSTYLE_SMALL : WINSTYLE_ALTBACK);
        for (WINOBJ* o = w->GetFirstWinobj(); o; o = o->next) {
            if (o->kind == WINOBJ_OK) {
                EXPECT_TRUE(o->id == 9 || o->id == 99);
            }
            if (o->kind == WINOBJ_CANCEL) {
                EXPECT_TRUE(o->id == 10 || o->id == 100);
            }
            EXPECT_NE(o->id, 101);
        }
    }
    const int before = CountWindows();
    InitEditorWindows();
    EXPECT_EQ(CountWindows(), before);
}

TEST_F(WinDefsTest, OptionsWindowHoldsItsSettings) {
    InitEditorWindows();
    for (int id : {1, 3, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15}) {
        WINOBJ* o = winOptions.FindWinobj(id);
        ASSERT_NE(o, nullptr) << id;
        EXPECT_EQ(o->kind, WINOBJ_BUTTON);
        EXPECT_EQ(o->state, WINOBJ_BUTTON_OFF);
        EXPECT_EQ(o->x, 175);
    }
    EXPECT_EQ(Kind(winOptions, 2), WINOBJ_SLIDER);
    EXPECT_EQ(winOptions.FindWinobj(2)->slider.percent, 0.0f);
    EXPECT_EQ(winOptions.FindWinobj(99)->y, 372);
    EXPECT_EQ(winOptions.GetBottom(), 30 + 415 - 1);
}

TEST_F(WinDefsTest, ControlAttributeWindowsShareOneLayout) {
    InitEditorWindows();
    EXPECT_EQ(Kind(winAttr, 7), WINOBJ_GAUGE);
    EXPECT_EQ(Kind(winAttr, 8), WINOBJ_GAUGE2);
    EXPECT_EQ(winAttr.FindWinobj(7)->gaugeTop, 297 + 6);
    EXPECT_FALSE(winAttr.FindWinobj(13)->enabled);
    EXPECT_EQ(winAttr.FindWinobj(1)->state, WINOBJ_BUTTON_ON);
    EXPECT_EQ(winAttr.FindWinobj(2)->state, WINOBJ_BUTTON_OFF);
    EXPECT_EQ(winAttr.FindWinobj(18)->state, WINOBJ_BUTTON_ON);
    EXPECT_EQ(winAttr.FindWinobj(14)->state, WINOBJ_BUTTON_ON);
    EXPECT_EQ(Kind(winAttr, 21), WINOBJ_TEXT);
    EXPECT_EQ(Kind(winAttr, 22), WINOBJ_TEXT);
    EXPECT_EQ(Kind(winAttr, 11), WINOBJ_EDIT);
    EXPECT_EQ(Kind(winAttr, 12), WINOBJ_TEXTBUTTON);

    for (WINDOW* w : {&winSAttr, &winDAttr, &winTtAttr, &winSoundAttr, &winObjAttr, &winSiAttr}) {
        EXPECT_EQ(Kind(*w, 4), WINOBJ_BUTTON);
        EXPECT_EQ(w->FindWinobj(4)->state, WINOBJ_BUTTON_ON);
        EXPECT_EQ(w->FindWinobj(5)->state, WINOBJ_BUTTON_OFF);
        EXPECT_EQ(Kind(*w, 3), WINOBJ_BUTTON);
        EXPECT_EQ(Kind(*w, 7), -1);
        EXPECT_EQ(Kind(*w, 8), WINOBJ_GAUGE2);
        EXPECT_EQ(w->FindWinobj(8)->y, 285);
        EXPECT_EQ(Kind(*w, 18), WINOBJ_TEXT);
        EXPECT_EQ(w->FindWinobj(9)->y, 420);
    }
    EXPECT_EQ(Kind(winBarAttr, 3), -1);
    EXPECT_EQ(winBarAttr.FindWinobj(9)->y, 400);
    EXPECT_EQ(winBarAttr.FindWinobj(4)->y, 127);
    EXPECT_EQ(winBarAttr.GetBottom(), 20 + 455 - 1);
}

TEST_F(WinDefsTest, ToolWindowsCarryTheItemsTheirHandlersRead) {
    InitEditorWindows();
    EXPECT_EQ(Kind(winBuildTracks, 1), WINOBJ_LIST);
    for (int id : {2, 3, 4, 5, 6, 7, 8, 10, 11, 19}) EXPECT_EQ(Kind(winBuildTracks, id), WINOBJ_PICTURE) << id;
    for (int id : {12, 13, 14, 15, 16, 17, 18}) EXPECT_EQ(Kind(winBuildTracks, id), WINOBJ_SMALLTEXT) << id;
    EXPECT_EQ(winBuildTracks.FindWinobj(2)->pictureId, 635);
    EXPECT_EQ(winBuildTracks.FindWinobj(8)->pictureId, 628);
    EXPECT_EQ(winBuildTracks.FindWinobj(19)->pictureId, 666);
    EXPECT_EQ(winBuildTracks.FindWinobj(9)->y, 388);

    for (int id : {3, 4, 5, 6, 13, 16}) EXPECT_EQ(Kind(winPutObj, id), WINOBJ_LIST);
    for (int id : {7, 8, 11, 12, 14, 17}) EXPECT_EQ(Kind(winPutObj, id), WINOBJ_TEXTBUTTON);
    EXPECT_EQ(winPutObj.FindWinobj(9)->y, 400);
    for (int id : {1, 2, 3}) EXPECT_EQ(Kind(winPutVehicles, id), WINOBJ_LIST);

    for (int id : {1, 2, 3, 4, 5, 6, 7, 12}) EXPECT_EQ(Kind(winEdTerrain, id), WINOBJ_PICTURE) << id;
    for (int id : {13, 14, 15, 18}) EXPECT_EQ(Kind(winEdTerrain, id), WINOBJ_BUTTON) << id;
    EXPECT_EQ(Kind(winEdTerrain, 8), WINOBJ_SLIDER);
    EXPECT_EQ(Kind(winEdTerrain, 11), WINOBJ_LIST);
    EXPECT_EQ(Kind(winEdTerrain, 17), WINOBJ_SMALLTEXT);
    EXPECT_EQ(Kind(winEdTerrain, 16), WINOBJ_TEXTBUTTON);
    EXPECT_EQ(Kind(winEdTerrain, 19), WINOBJ_TEXTBUTTON);

    EXPECT_EQ(Kind(winHouseColor, 4), WINOBJ_COLORPICKER);
    EXPECT_EQ(Kind(winHouseColor, 5), WINOBJ_COLORBAR2);
    EXPECT_EQ(Kind(winHouseColor, 7), WINOBJ_COLORBAR);
    EXPECT_EQ(Kind(winTerrobjColor, 5), -1);
    EXPECT_EQ(Kind(winTerrobjColor, 6), WINOBJ_COLORBAR2);
    EXPECT_EQ(Kind(winPowerValue, 8), WINOBJ_GAUGE);
    EXPECT_EQ(Kind(winSaveFile, 3), WINOBJ_LIST);
    EXPECT_EQ(Kind(winSaveFile, 1), WINOBJ_EDIT);
    EXPECT_EQ(winVehicleAttrib.FindWinobj(1)->state, WINOBJ_BUTTON_ON);
    EXPECT_EQ(winRootcheckEd.FindWinobj(15)->state, WINOBJ_BUTTON_ON);
    EXPECT_EQ(winRootcheckEd.FindWinobj(3)->w, 10);
    for (int id = 1; id <= 12; ++id) EXPECT_EQ(Kind(winInfoText, id), WINOBJ_TEXT);
    EXPECT_EQ(winXfileLists.FindWinobj(1)->colour, 0xFF800000u);
}

// The tool pictures of the build and terrain windows keep their image size
// and their small captions the toolkit's size 15; the build window's ten
// tools lie in three rows above its OK button, inside the frame.
TEST_F(WinDefsTest, ToolPicturesKeepTheirSizeAndCaptionsTheSmallSize) {
    InitEditorWindows();
    for (WINDOW* w : {&winBuildTracks, &winEdTerrain}) {
        int pictures = 0;
        for (WINOBJ* o = w->GetFirstWinobj(); o; o = o->next) {
            if (o->kind == WINOBJ_SMALLTEXT) EXPECT_EQ(o->fontSize, 15) << o->id;
            if (o->kind != WINOBJ_PICTURE || o->pictureId == 609) continue;
            ++pictures;
            int iw = 0, ih = 0;
            GetInterfaceImageSize(o->pictureId, &iw, &ih);
            EXPECT_EQ(o->w, iw) << o->pictureId;
            EXPECT_EQ(o->h, ih) << o->pictureId;
            EXPECT_GE(o->x, 5) << o->pictureId;
            EXPECT_LE(o->x + o->w, w->GetRight() - w->GetLeft() + 1 - 23) << o->pictureId;
        }
        EXPECT_EQ(pictures, w == &winBuildTracks ? 10 : 8);
    }
    const int okTop = winBuildTracks.FindWinobj(9)->y;
    for (int id : {2, 3, 4, 5, 6, 7, 8, 10, 11, 19}) {
        const WINOBJ* o = winBuildTracks.FindWinobj(id);
        EXPECT_GE(o->y, 253) << id;
        EXPECT_LT(o->y + o->h, okTop) << id;
    }
    // The name and turntable tools share the third row's free column.
    const WINOBJ* name = winBuildTracks.FindWinobj(8);
    const WINOBJ* turntable = winBuildTracks.FindWinobj(19);
    EXPECT_EQ(name->x, turntable->x);
    EXPECT_GT(turntable->y, name->y + name->h);
    EXPECT_GT(name->x, winBuildTracks.FindWinobj(5)->x + winBuildTracks.FindWinobj(5)->w);
}

TEST_F(WinDefsTest, SystemWindowRowsAnswerTheirIdFromPictureAndText) {
    InitEditorWindows();
    winSystemControl.Show(0);
    // Row of id 1: picture at (20, 55), text at (60, 63).
    int x = winSystemControl.GetLeft() + 20 + 5, y = winSystemControl.GetTop() + 20 + 55 + 5;
    cursorX = x;
    cursorY = y;
    mouseLeftDown = 1;
    EXPECT_EQ(winSystemControl.HitWinobj(x, y), 1);
    WINOBJ* text = nullptr;
    for (WINOBJ* o = winSystemControl.GetFirstWinobj(); o; o = o->next)
        if (o->id == 1 && o->kind == WINOBJ_TEXT) text = o;
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->enabled);
}

TEST_F(WinDefsTest, SignTypeSettingLengthensThePutObjectWindow) {
    myGlobs.useSignType = 1;
    InitEditorWindows();
    EXPECT_EQ(winPutObj.GetBottom(), 46 + 471 - 1);
    EXPECT_EQ(winPutObj.FindWinobj(12)->y, 380);
    EXPECT_EQ(winPutObj.FindWinobj(17)->y, 355);
    EXPECT_EQ(winPutObj.FindWinobj(9)->y, 425);
    myGlobs.useSignType = 0;
}

TEST_F(WinDefsTest, SecondEditionShiftsWindowsAndItems) {
    myGlobs.secondEdition = 1;
    myGlobs.firstEdition = 0;
    InitEditorWindows();
    EXPECT_EQ(winOptions.GetBottom(), 30 + 440 + 10);
    EXPECT_EQ(winOptions.GetRight(), 10 + 230 - 14);
    EXPECT_EQ(winOptions.FindWinobj(99)->x, 97);
    EXPECT_EQ(winOptions.FindWinobj(99)->y, 402);
    EXPECT_EQ(winOptions.FindWinobj(5)->y, 27);
    EXPECT_EQ(winLoadFile.FindWinobj(1)->y, 26);
    EXPECT_EQ(winEdTerrain.GetRight(), 155 - 14);
    myGlobs.secondEdition = 0;
    myGlobs.firstEdition = 1;
}

TEST_F(WinDefsTest, TableSizeEditingStartsWithFourByThree) {
    InitEditorWindows();
    myGlobs.pendingKey = 'X';
    StartTableSizeEditing();
    EXPECT_EQ(myGlobs.pendingKey, 176);
    EXPECT_EQ(EditText(winTableSize, 1), "4");
    EXPECT_EQ(EditText(winTableSize, 2), "3");
    EXPECT_TRUE(winTableSize.FindWinobj(1)->edit->active);
    EXPECT_FALSE(winTableSize.FindWinobj(2)->edit->active);
    EXPECT_EQ(winTableSize.FindWinobj(1)->edit->maxLength, 2);
    myGlobs.pendingKey = '2';
    winTableSize.UpdateWinobjEdit(1, &myGlobs.pendingKey);
    myGlobs.pendingKey = '5';  // two digits at most
    winTableSize.UpdateWinobjEdit(1, &myGlobs.pendingKey);
    myGlobs.pendingKey = 'A';
    winTableSize.UpdateWinobjEdit(2, &myGlobs.pendingKey);  // inactive: left alone
    EXPECT_EQ(myGlobs.pendingKey, 'A');
    EXPECT_EQ(EditText(winTableSize, 1), "42");
}

TEST_F(WinDefsTest, LoadWindowListsTheLayoutsOfTheEdition) {
    veltest::TempDir dir;
    veltest::WriteFile("b.roa", "");
    veltest::WriteFile("a.roa", "");
    veltest::WriteFile("c.roi", "");
    InitEditorWindows();
    ShowLoadWindow();
    EXPECT_TRUE(winLoadFile.IsVisible());
    char text[64];
    int value = -5;
    ASSERT_TRUE(GetWinListRow(&winLoadFile, 1, 0, text, &value));
    EXPECT_STREQ(text, "a");
    EXPECT_EQ(value, 0);
    ASSERT_TRUE(GetWinListRow(&winLoadFile, 1, 1, text, &value));
    EXPECT_STREQ(text, "b");
    EXPECT_FALSE(GetWinListRow(&winLoadFile, 1, 2, text, &value));
    GetWinListSelection(&winLoadFile, 1, text, &value);
    EXPECT_STREQ(text, "a");

    // An empty folder leaves an empty list without a selection.
    veltest::TempDir empty;
    ShowLoadWindow();
    GetWinListSelection(&winLoadFile, 1, text, &value);
    EXPECT_EQ(value, -1);
}

TEST_F(WinDefsTest, ObjectTypeListsHoldTheLoadedTypesOfTheirKinds) {
    InitEditorWindows();
    ASSERT_NE(myGlobs.xObjects, nullptr);
    const int types[5] = {HOUSE_TYPE, LAMP_TYPE, MISC_TYPE, SIGN_TYPE, HOUSE_TYPE};
    for (int i = 0; i < 5; ++i) {
        myGlobs.xObjects[i].type = types[i];
        myGlobs.xObjects[i].objId = 500 + i;
    }
    myGlobs.xObjectCount = 5;
    FillObjectTypeList(&winPutObj, 3, HOUSE_TYPE, DUMMY_TYPE, DUMMY_TYPE);
    const WINLIST* houses = winPutObj.FindWinobj(3)->list;
    EXPECT_EQ(houses->kind, WINLIST_XOBJECT);
    ASSERT_EQ(houses->count, 2);
    EXPECT_EQ(houses->object[0], 0);
    EXPECT_EQ(houses->value[0], 500);
    EXPECT_EQ(houses->object[1], 4);
    FillObjectTypeList(&winPutObj, 6, LAMP_TYPE, MISC_TYPE, SIGN_TYPE);
    EXPECT_EQ(winPutObj.FindWinobj(6)->list->count, 3);
    FillObjectTypeList(&winPutObj, 6, LAMP_TYPE, MISC_TYPE, DUMMY_TYPE);
    EXPECT_EQ(winPutObj.FindWinobj(6)->list->count, 2);
    FillObjectTypeList(&winBuildTracks, 1, TRACK_TYPE, DUMMY_TYPE, DUMMY_TYPE);
    EXPECT_EQ(winBuildTracks.FindWinobj(1)->list->kind, WINLIST_TRACKTYPE);
    myGlobs.xObjectCount = 0;
}

TEST_F(WinDefsTest, TerrainTextureListHasBetween52And63Rows) {
    InitEditorWindows();
    myGlobs.groundTextures = 10;
    FillTerrainTextureList(&winEdTerrain, 11);
    const WINLIST* l = winEdTerrain.FindWinobj(11)->list;
    EXPECT_EQ(l->kind, WINLIST_IMAGE);
    EXPECT_EQ(l->count, 52);
    float uMin, uMax, vMin, vMax;
    TERRAIN2::GetTextureUV(9, 0.0f, 0.0f, &uMin, &uMax, &vMin, &vMax);
    EXPECT_FLOAT_EQ(l->imageRect[9][0], uMin);
    EXPECT_FLOAT_EQ(l->imageRect[9][1], vMin);
    EXPECT_FLOAT_EQ(l->imageRect[9][2], uMax);
    EXPECT_EQ(l->value[9], 9);
    EXPECT_EQ(l->texture[9], 1);
    myGlobs.groundTextures = 64;
    FillTerrainTextureList(&winEdTerrain, 11);
    EXPECT_EQ(l->count, 63);
    myGlobs.groundTextures = 60;
    FillTerrainTextureList(&winEdTerrain, 11);
    EXPECT_EQ(l->count, 60);
}

}  // namespace
