// The system window group driven frame by frame: saving and loading through
// the windows, failed loads, the quit question, the options and the message
// windows.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "app/messagequeue.h"
#include "editor/win_system.h"
#include "editor_test.h"
#include "rail/layout_test.h"
#include "platform/paths.h"
#include "rail/layoutfile.h"
#include "rail/track.h"
#include "ui/window.h"
#include "world/water.h"

namespace {

constexpr int HOUSE = 500;

int CountObjects() {
    int n = 0;
    for (TERROBJ* o = terrobjList.GetFirst(); o; o = o->next) ++n;
    return n;
}

bool FileExists(const std::string& name) {
    FILE* f = plat::OpenFile(name.c_str(), "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

void RemoveFile(const std::string& name) { std::remove(plat::ResolvePath(name.c_str()).c_str()); }

std::string EditText(WINDOW& w, int id) {
    char text[WINEDIT_BUFFERLEN];
    CopyWinobjEditText(&w, id, text, sizeof text);
    return text;
}

// The row of a list that shows the text, -1 when none does.
int FindRow(WINDOW& w, int id, const char* text) {
    char row[WINLIST_TEXTLEN];
    int value = 0;
    for (int i = 0; GetWinListRow(&w, id, i, row, &value); ++i)
        if (!std::strcmp(row, text)) return i;
    return -1;
}

}  // namespace

class SystemWindowTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        AddType(5, HOUSE, HOUSE_TYPE, 1.0f, 0, 0);
        myGlobs.xObjectCount = 6;
        messageQueue.Reset();
        layoutState.SetFileName("");
        myGlobs.chosenFileName[0] = 0;
    }

    // The cursor on the middle of a window item.
    static void CursorOnItem(WINDOW& w, int id) {
        WINOBJ* o = w.FindWinobj(id);
        ASSERT_NE(o, nullptr);
        cursorX = w.GetLeft() + o->x + std::max(1, o->w / 2);
        cursorY = w.GetTop() + w.GetTitleHeight() + o->y + std::max(1, o->h / 2);
    }
    static void ClickItem(WINDOW& w, int id) {
        CursorOnItem(w, id);
        LeftPress();
        LeftRelease();
    }

    // Toolbar button 233 and one frame for the window to fill itself.
    void OpenSystemWindow() {
        ClickButton(233);
        ASSERT_EQ(editorState, 151);
        ASSERT_TRUE(winSystemControl.IsVisible());
        CursorToView();
        Frame();
    }

    void SaveThroughWindows(const char* name) {
        OpenSystemWindow();
        ClickItem(winSystemControl, 2);
        ASSERT_EQ(editorState, 124);
        ASSERT_TRUE(winSaveFile.IsVisible());
        SetWinobjEditText(&winSaveFile, 1, name, 16);
        ClickItem(winSaveFile, 9);
    }
};

TEST_F(SystemWindowTest, SaveAndLoadRoundTripThroughTheWindows) {
    const std::string file = "edwin_roundtrip.roa";
    RemoveFile(file);
    PlaceObject(HOUSE_TYPE, HOUSE, 2.0f, 1.0f);
    ASSERT_EQ(CountObjects(), 1);

    // A new layout proposes "board01".
    OpenSystemWindow();
    EXPECT_EQ(layoutState.GetToolOption(), 0);
    ClickItem(winSystemControl, 2);
    ASSERT_EQ(editorState, 124);
    EXPECT_FALSE(winSystemControl.IsVisible());
    EXPECT_EQ(EditText(winSaveFile, 1), "board01");
    SetWinobjEditText(&winSaveFile, 1, "edwin_roundtrip", 16);
    const int messagesBefore = messageQueue.GetCount();
    ClickItem(winSaveFile, 9);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_FALSE(winSaveFile.IsVisible());
    EXPECT_TRUE(FileExists(file));
    EXPECT_STREQ(layoutState.GetFileName(), "edwin_roundtrip");
    EXPECT_EQ(messageQueue.GetCount(), messagesBefore + 1);
    EXPECT_EQ(layoutState.GetToolOption(), 1);

    // The save window now proposes the layout's own name.
    OpenSystemWindow();
    ClickItem(winSystemControl, 2);
    EXPECT_EQ(EditText(winSaveFile, 1), "edwin_roundtrip");
    ClickItem(winSaveFile, 10);
    EXPECT_EQ(editorState, ED_EDIT);

    terrobjList.RemoveAll(0);
    ASSERT_EQ(CountObjects(), 0);

    OpenSystemWindow();
    ClickItem(winSystemControl, 1);
    ASSERT_EQ(editorState, 122);
    CursorToView();
    Frame();  // the list fills itself
    const int row = FindRow(winLoadFile, 1, "edwin_roundtrip");
    ASSERT_GE(row, 0);
    SelectWinListRow(&winLoadFile, 1, row);
    ClickItem(winLoadFile, 9);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_FALSE(winLoadFile.IsVisible());
    EXPECT_STREQ(layoutState.GetFileName(), "edwin_roundtrip");
    ASSERT_EQ(CountObjects(), 1);
    EXPECT_NEAR(terrobjList.GetFirst()->x, 2.0f, 1e-4f);
    RemoveFile(file);
}

TEST_F(SystemWindowTest, LayoutNamesGetTheEditionsExtensionOnce) {
    char path[64];
    ComposeLayoutPath("board01", path, sizeof path);
    EXPECT_STREQ(path, "board01.roa");
    ComposeLayoutPath("board01.ROA", path, sizeof path);
    EXPECT_STREQ(path, "board01.ROA");
    ComposeLayoutPath("board01.roi", path, sizeof path);
    EXPECT_STREQ(path, "board01.roi.roa");
    ComposeLayoutPath("my board", path, sizeof path);  // the save itself writes "my_board.roa"
    EXPECT_STREQ(path, "my board.roa");
    myGlobs.secondEdition = 1;
    ComposeLayoutPath("board01", path, sizeof path);
    EXPECT_STREQ(path, "board01.roi");
    myGlobs.secondEdition = 0;

    EXPECT_TRUE(IsSafeLayoutName("my board_2"));
    EXPECT_FALSE(IsSafeLayoutName("..\\startlog"));
    EXPECT_FALSE(IsSafeLayoutName("sub/name"));
    EXPECT_FALSE(IsSafeLayoutName("c:name"));
    EXPECT_FALSE(IsSafeLayoutName(""));
    EXPECT_FALSE(IsSafeLayoutName(std::string(LAYOUTFILENAMELEN, 'a').c_str()));
}

TEST_F(SystemWindowTest, ATypedExtensionIsNotDoubledAndUnsafeNamesWriteNothing) {
    RemoveFile("edwin_ext.roa");
    RemoveFile("edwin_ext.roa.roa");
    SaveThroughWindows("edwin_ext.roa");
    EXPECT_TRUE(FileExists("edwin_ext.roa"));
    EXPECT_FALSE(FileExists("edwin_ext.roa.roa"));
    RemoveFile("edwin_ext.roa");

    // A name that leaves the working folder is refused with a message.
    layoutState.SetFileName("kept");
    std::strcpy(myGlobs.chosenFileName, "../edwin_escape");
    const int before = messageQueue.GetCount();
    editorState = ED_SAVE;
    Frame();
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_FALSE(FileExists("../edwin_escape.roa"));
    EXPECT_STREQ(layoutState.GetFileName(), "kept");
    EXPECT_EQ(messageQueue.GetCount(), before + 1);

    // An empty (or blank) name saves nothing and shows nothing.
    std::strcpy(myGlobs.chosenFileName, "   ");
    editorState = ED_SAVE;
    Frame();
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_EQ(messageQueue.GetCount(), before + 1);
}

TEST_F(SystemWindowTest, TheSaveWindowTakesANameFromItsList) {
    RemoveFile("edwin_listed.roa");
    SaveThroughWindows("edwin_listed");
    ASSERT_TRUE(FileExists("edwin_listed.roa"));
    layoutState.SetFileName("");
    OpenSystemWindow();
    ClickItem(winSystemControl, 2);
    CursorToView();
    Frame();  // the list fills itself
    const int row = FindRow(winSaveFile, 3, "edwin_listed");
    ASSERT_GE(row, 0);
    SelectWinListRow(&winSaveFile, 3, row);
    // A press on the list's first visible row chooses it.
    WINOBJ* list = winSaveFile.FindWinobj(3);
    ASSERT_NE(list, nullptr);
    cursorX = winSaveFile.GetLeft() + list->x + 10;
    cursorY = winSaveFile.GetTop() + winSaveFile.GetTitleHeight() + list->y + 5;
    LeftPress();
    char text[WINLIST_TEXTLEN];
    int value = 0;
    GetWinListSelection(&winSaveFile, 3, text, &value);
    EXPECT_EQ(EditText(winSaveFile, 1), text);
    EXPECT_EQ(editorState, 124);
    ClickItem(winSaveFile, 10);
    RemoveFile("edwin_listed.roa");
}

TEST_F(SystemWindowTest, AMissingFileKeepsTheLayoutOnScreen) {
    PlaceObject(HOUSE_TYPE, HOUSE, 1.0f, 1.0f);
    layoutState.SetFileName("current");
    std::strcpy(myGlobs.chosenFileName, "edwin_not_there");
    const int before = messageQueue.GetCount();
    editorState = ED_LOAD;
    Frame();
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_EQ(CountObjects(), 1);
    EXPECT_STREQ(layoutState.GetFileName(), "current");
    EXPECT_EQ(messageQueue.GetCount(), before + 1);
}

TEST_F(SystemWindowTest, ADamagedFileGivesTheLayoutBack) {
    const std::string file = "edwin_damaged.roa";
    {
        std::ofstream out(plat::ResolvePath(file.c_str()), std::ios::binary);
        out << "File version:15" << std::string(40, '\x7f');
    }
    PlaceObject(HOUSE_TYPE, HOUSE, 3.0f, -2.0f);
    layoutState.SetFileName("previous");
    std::strcpy(myGlobs.chosenFileName, "edwin_damaged");
    editorState = ED_LOAD;
    Frame();
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_TRUE(terrain.IsCreated());
    ASSERT_EQ(CountObjects(), 1);
    EXPECT_NEAR(terrobjList.GetFirst()->x, 3.0f, 1e-4f);
    EXPECT_STREQ(layoutState.GetFileName(), "previous");
    EXPECT_FALSE(FileExists("loadbackup.tmp"));
    RemoveFile(file);
}

TEST_F(SystemWindowTest, MissingObjectTypesGiveAnEmptyTableAndTheLoadMessage) {
    const std::string file = "edwin_missing.roa";
    RemoveFile(file);
    PlaceObject(HOUSE_TYPE, HOUSE, 1.0f, 1.0f);
    SaveThroughWindows("edwin_missing");
    ASSERT_TRUE(FileExists(file));
    // The house type is gone when the layout comes back.
    myGlobs.xObjects[5].objId = 0;
    SetXID(HOUSE, -1);
    std::strcpy(myGlobs.chosenFileName, "edwin_missing");
    editorState = ED_LOAD;
    Frame();
    EXPECT_EQ(editorState, ED_LOAD_MESSAGE);
    EXPECT_TRUE(winLoadMessage.IsVisible());
    EXPECT_EQ(CountObjects(), 0);
    int w = 0, d = 0;
    terrain.GetTileCounts(&w, &d);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(d, 3);
    EXPECT_EQ(layoutState.GetMode(), 1);
    // The message waits for its OK.
    CursorToView();
    LeftPress();
    EXPECT_EQ(editorState, ED_LOAD_MESSAGE);
    ClickItem(winLoadMessage, 99);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_FALSE(winLoadMessage.IsVisible());
    RemoveFile(file);
}

TEST_F(SystemWindowTest, TheLoadWindowListsOnlyTheRunningEditionsLayouts) {
    for (const char* name : {"edwin_first.roa", "edwin_second.roi"}) {
        std::ofstream out(plat::ResolvePath(name), std::ios::binary);
        out << "x";
    }
    OpenSystemWindow();
    ClickItem(winSystemControl, 1);
    CursorToView();
    Frame();
    EXPECT_GE(FindRow(winLoadFile, 1, "edwin_first"), 0);
    EXPECT_LT(FindRow(winLoadFile, 1, "edwin_second"), 0);
    char text[WINLIST_TEXTLEN];
    int value = 0;
    GetWinListSelection(&winLoadFile, 1, text, &value);
    EXPECT_EQ(value, 0);  // row 0 chosen at opening
    ClickItem(winLoadFile, 10);
    EXPECT_EQ(editorState, ED_EDIT);
    RemoveFile("edwin_first.roa");
    RemoveFile("edwin_second.roi");
}

TEST_F(SystemWindowTest, CancellingTheLoadWindowWithoutATableMakesOne) {
    terrain.Release();
    ASSERT_FALSE(terrain.IsCreated());
    ShowLoadWindow();
    editorState = 122;
    const int before = messageQueue.GetCount();
    ClickItem(winLoadFile, 10);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_TRUE(terrain.IsCreated());
    int w = 0, d = 0;
    terrain.GetTileCounts(&w, &d);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(d, 3);
    EXPECT_EQ(messageQueue.GetCount(), before + 1);
}

TEST_F(SystemWindowTest, AModeButtonClosesTheSystemWindowAndOpensItsTool) {
    OpenSystemWindow();
    ClickButton(234);  // the terrain tool
    EXPECT_FALSE(winSystemControl.IsVisible());
    EXPECT_EQ(editorState, 150);
}

TEST_F(SystemWindowTest, TheQuitQuestionLeavesOrStays) {
    OpenQuitQuestion();
    CursorToView();
    Frame();
    EXPECT_EQ(editorState, 176);
    EXPECT_EQ(layoutState.GetToolOption(), 0);
    ClickItem(winExitEditor, 100);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_EQ(gameState, EDITOR_RUN_STATE);
    EXPECT_FALSE(winExitEditor.IsVisible());
    EXPECT_EQ(layoutState.GetToolOption(), 1);

    // Toolbar button 240 asks again; OK leaves the editor.
    ClickButton(240);
    EXPECT_EQ(editorState, 176);
    CursorToView();
    Frame();
    ClickItem(winExitEditor, 99);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_EQ(gameState, EXIT_STATE);
    EXPECT_FALSE(winExitEditor.IsVisible());
}

TEST_F(SystemWindowTest, OptionsToggleTheirSettings) {
    OpenSystemWindow();
    ClickItem(winSystemControl, 3);
    ASSERT_EQ(editorState, 157);
    layoutState.SetShowGrid(0);
    layoutState.SetAutosave(1);
    layoutState.SetDrawRaised(1);
    CursorToView();
    Frame();  // filled from the settings
    EXPECT_EQ(GetWinobjState(&winOptions, 1), WINOBJ_BUTTON_OFF);
    EXPECT_EQ(GetWinobjState(&winOptions, 11), WINOBJ_BUTTON_ON);
    // Music belongs to the second edition.
    EXPECT_FALSE(winOptions.FindWinobj(13)->visible);

    ClickItem(winOptions, 1);
    EXPECT_EQ(layoutState.GetShowGrid(), 1);
    EXPECT_EQ(GetWinobjState(&winOptions, 1), WINOBJ_BUTTON_ON);
    ClickItem(winOptions, 11);
    EXPECT_EQ(layoutState.GetAutosave(), 0);
    ClickItem(winOptions, 14);
    EXPECT_EQ(layoutState.GetDrawRaised(), 0);
    const int switchSigns = trackList.GetShowSwitchSigns();
    ClickItem(winOptions, 9);
    EXPECT_EQ(trackList.GetShowSwitchSigns(), switchSigns ? 0 : 1);
    ClickItem(winOptions, 9);

    // The slider gives the cull threshold.
    SetWinobjSlider(&winOptions, 2, 40.0f);
    Frame();
    EXPECT_NEAR(terrobjList.GetCullThreshold(), 0.06f, 1e-5f);

    ClickItem(winOptions, 99);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_FALSE(winOptions.IsVisible());
}

TEST_F(SystemWindowTest, WaterCannotBeSwitchedOnWithoutWaterSupport) {
    if (water.IsActive()) GTEST_SKIP() << "water runs on this device";
    layoutState.SetWaterAnimation(0);
    winOptions.Show(2);
    editorState = 157;
    CursorToView();
    Frame();
    const int before = messageQueue.GetCount();
    ClickItem(winOptions, 10);
    EXPECT_EQ(layoutState.GetWaterAnimation(), 0);
    EXPECT_EQ(GetWinobjState(&winOptions, 10), WINOBJ_BUTTON_OFF);
    EXPECT_EQ(messageQueue.GetCount(), before + 2);
}

TEST_F(SystemWindowTest, SwitchingEditingOffClearsTheSelectionOnlyWhenTheOptionsClose) {
    TRACK* p = Make(1, 0.0f, 0.0f, 0.0f);
    p->bSelected = 1;
    TERROBJ* o = PlaceObject(HOUSE_TYPE, HOUSE, 2.0f, 2.0f);
    o->selected = 1;
    winOptions.Show(2);
    editorState = 157;
    CursorToView();
    Frame();
    ClickItem(winOptions, 7);
    EXPECT_EQ(layoutState.GetEditable(), 0);
    EXPECT_EQ(p->bSelected, 1);
    EXPECT_EQ(o->selected, 1);
    ClickItem(winOptions, 99);
    EXPECT_EQ(p->bSelected, 0);
    EXPECT_EQ(o->selected, 0);
    layoutState.SetEditable(1);
}

TEST_F(SystemWindowTest, TheXFileListsWindowListsTheListFiles) {
    {
        std::ofstream out(plat::ResolvePath("edwin_objects.xli"), std::ios::binary);
        out << "\n";
    }
    OpenSystemWindow();
    ClickItem(winSystemControl, 4);
    ASSERT_EQ(editorState, 156);
    CursorToView();
    Frame();
    char text[WINLIST_TEXTLEN];
    int value = -1;
    bool found = false;
    for (int i = 0; GetWinListRow(&winXfileLists, 1, i, text, &value); ++i) {
        EXPECT_EQ(value, i);
        if (!std::strncmp(text, "edwin_objects.xli", 17)) found = true;
    }
    EXPECT_TRUE(found);
    ClickItem(winXfileLists, 99);
    EXPECT_EQ(editorState, ED_EDIT);
    RemoveFile("edwin_objects.xli");
}

TEST_F(SystemWindowTest, MessageWindowsCloseOnConfirm) {
    // The mode message waits for its OK.
    winModeMessage.Show(2);
    editorState = ED_MODE_MESSAGE;
    ClickItem(winModeMessage, 99);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_FALSE(winModeMessage.IsVisible());

    // The game screen's two-line message closes on Enter.
    InitGameWindows();
    OpenTwoLineMessage("first", "second");
    ASSERT_TRUE(winMessageTwoLines.IsVisible());
    ActWIN_MESSAGE();
    EXPECT_TRUE(winMessageTwoLines.IsVisible());
    keyEnterPressed = 1;
    ActWIN_MESSAGE();
    keyEnterPressed = 0;
    EXPECT_FALSE(winMessageTwoLines.IsVisible());

    // And on a press on its OK picture.
    OpenTwoLineMessage("first", "second");
    CursorOnItem(winMessageTwoLines, 99);
    mouseLeftDown = 1;
    ActWIN_MESSAGE();
    mouseLeftDown = 0;
    EXPECT_FALSE(winMessageTwoLines.IsVisible());

    // The one-line message closes while Enter is held.
    winMessageOneLine.Show(0);
    ActWIN_INFO_MESSAGE();
    EXPECT_TRUE(winMessageOneLine.IsVisible());
    myGlobs.keyEnter = 1;
    ActWIN_INFO_MESSAGE();
    myGlobs.keyEnter = 0;
    EXPECT_FALSE(winMessageOneLine.IsVisible());
}

TEST_F(SystemWindowTest, ANameWithBlanksSavesWithUnderscoresAndAListedNameLoadsAsItStands) {
    const std::string file = "edwin_two_words.roa";
    RemoveFile(file);
    PlaceObject(HOUSE_TYPE, HOUSE, 1.5f, 0.5f);
    SaveThroughWindows("edwin two words");
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists("edwin two words.roa"));
    EXPECT_STREQ(layoutState.GetFileName(), "edwin two words");

    // A layout file whose own name holds blanks is listed and loads.
    const std::string blank = "edwin with blanks.roa";
    std::rename(plat::ResolvePath(file.c_str()).c_str(), plat::ResolvePath(blank.c_str()).c_str());
    terrobjList.RemoveAll(0);
    OpenSystemWindow();
    ClickItem(winSystemControl, 1);
    CursorToView();
    Frame();
    const int row = FindRow(winLoadFile, 1, "edwin with blanks");
    ASSERT_GE(row, 0);
    SelectWinListRow(&winLoadFile, 1, row);
    ClickItem(winLoadFile, 9);
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_EQ(CountObjects(), 1);
    EXPECT_STREQ(layoutState.GetFileName(), "edwin with blanks");
    RemoveFile(blank);
}

TEST_F(SystemWindowTest, AFailedLoadGivesEveryRecordBackUnderItsName) {
    fulllayout::LAYOUT layout;
    ASSERT_TRUE(fulllayout::Build(&layout));
    SaveThroughWindows("edwin_full");
    ASSERT_TRUE(FileExists("edwin_full.roa"));
    std::ifstream in(plat::ResolvePath("edwin_full.roa"), std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::vector<size_t> sections = fulllayout::SectionOffsets(file);
    ASSERT_EQ(sections.size(), 13u);
    const int tracks = trackList.GetCount(), controls = controlList.GetCount(), objects = CountObjects();
    const int entries = manualControlTable.GetEntryCount(), nodes = powerList.GetCount();

    // Cut in the placed objects, after the controls were read.
    {
        std::ofstream out(plat::ResolvePath("edwin_cut.roa"), std::ios::binary);
        out << file.substr(0, sections[5] + 100);
    }
    std::strcpy(myGlobs.chosenFileName, "edwin_cut");
    editorState = ED_LOAD;
    Frame();
    EXPECT_EQ(editorState, ED_EDIT);
    EXPECT_EQ(trackList.GetCount(), tracks);
    EXPECT_EQ(controlList.GetCount(), controls);
    EXPECT_EQ(CountObjects(), objects);
    EXPECT_EQ(manualControlTable.GetEntryCount(), entries);
    EXPECT_EQ(powerList.GetCount(), nodes);
    EXPECT_STREQ(layoutState.GetFileName(), "edwin_full");

    // The save window offers the layout's own name, and the saved layout
    // holds no record twice.
    OpenSystemWindow();
    ClickItem(winSystemControl, 2);
    EXPECT_EQ(EditText(winSaveFile, 1), "edwin_full");
    ClickItem(winSaveFile, 9);
    EXPECT_EQ(layoutState.LoadLayout("edwin_full.roa"), LOAD_OK);
    EXPECT_EQ(controlList.GetCount(), controls);

    // A new layout empties every list; a save then writes none of it.
    ASSERT_EQ(NewLayout(0, 4, 3), 1);
    EXPECT_TRUE(controlList.IsEmpty());
    EXPECT_EQ(trackList.GetCount(), 0);
    EXPECT_EQ(manualControlTable.GetEntryCount(), 0);
    EXPECT_TRUE(powerList.IsEmpty());
    EXPECT_EQ(CountObjects(), 0);
    EXPECT_EQ(trainList.GetFirst(), nullptr);
    ASSERT_EQ(layoutState.SaveLayout("edwin_new.roa"), 1);
    std::ifstream again(plat::ResolvePath("edwin_new.roa"), std::ios::binary);
    const std::string empty((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>());
    const std::vector<size_t> emptySections = fulllayout::SectionOffsets(empty);
    ASSERT_EQ(emptySections.size(), 13u);
    for (int k = 0; k < 7; k++) EXPECT_EQ(ReadI32(empty, emptySections[k] + (k == 6 ? 1 : 0)), 0) << "section " << k;
    for (const char* name : {"edwin_full.roa", "edwin_cut.roa", "edwin_new.roa"}) RemoveFile(name);
}
