// The system window and the windows it leads to: loading and saving layouts,
// the editor options, the list of X file lists; the pending load and save
// that run one frame after their window closed; the quit question and the
// small message windows of the editor and of the game screen.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <string>
#include <vector>

#include "app/filesearch.h"
#include "app/gamestate.h"
#include "app/input.h"
#include "app/messagequeue.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "editor/editor.h"
#include "editor/handlers.h"
#include "editor/win_system.h"
#include "gfx/myfont.h"
#include "platform/paths.h"
#include "rail/control.h"
#include "rail/infotext.h"
#include "rail/layoutfile.h"
#include "rail/layoutstate.h"
#include "rail/track.h"
#include "rail/train.h"
#include "sound/soundmanager.h"
#include "ui/screenlist.h"
#include "ui/windefs.h"
#include "ui/window.h"
#include "world/skybox.h"
#include "world/terrain.h"
#include "world/terrobj.h"
#include "world/water.h"

namespace {

// Refill flags: each window is filled anew every time it opens.
bool systemRefill = true;
bool loadRefill = true;
bool saveRefill = true;
bool optionsRefill = true;
bool xlistRefill = true;
bool quitRefill = true;

// Characters a layout name may hold: no path separators, drive letters or
// wildcards, so a typed name always names a file of the working folder.
constexpr const char* kLayoutNameChars =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_- ";
constexpr int kSaveNameLength = 16;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kYellow = 0xFFFFFF00;  // colour -256
// Where the layout on screen is kept while another one is being loaded.
constexpr const char* kLoadBackupName = "loadbackup.tmp";

// Back to plain editing: no tool is active any more.
void BackToEditing() {
    layoutState.SetToolOption(1);
    editorState = ED_EDIT;
}

// The "*" pattern of the running edition's layout files.
void FindLayoutFiles() {
    char pattern[16];
    JoinStrings(pattern, sizeof pattern, "*", GetLayoutExtension());
    FindFiles(pattern);
}

// Trims leading and trailing blanks in place.
void TrimBlanks(char* text) {
    if (!text) return;
    char* start = text;
    while (*start == ' ') ++start;
    size_t n = std::strlen(start);
    while (n > 0 && start[n - 1] == ' ') --n;
    std::memmove(text, start, n);
    text[n] = 0;
}

void StartMusic(const char* name) {
    if (myGlobs.secondEdition) soundManager.PlayMusic(name);
}

void CloseOptions() {
    // Editing switched off: nothing may stay selected.
    if (!layoutState.GetEditable()) {
        trackList.DeselectAll();
        terrobjList.ClearSelection();
        trainList.DeselectAll();
    }
    winOptions.Hide();
    optionsRefill = true;
    BackToEditing();
}

void FillOptions() {
    SetWinobjChecked(&winOptions, 1, layoutState.GetShowGrid());
    SetWinobjChecked(&winOptions, 3, layoutState.GetShowLabels());
    SetWinobjChecked(&winOptions, 4, layoutState.GetShowTooltips());
    SetWinobjChecked(&winOptions, 5, skybox.GetBaseFlag());
    SetWinobjChecked(&winOptions, 7, layoutState.GetEditable());
    SetWinobjChecked(&winOptions, 8, controlList.GetShowControls());
    SetWinobjChecked(&winOptions, 9, trackList.GetShowSwitchSigns());
    SetWinobjChecked(&winOptions, 10, layoutState.GetWaterAnimation());
    SetWinobjChecked(&winOptions, 11, layoutState.GetAutosave());
    SetWinobjChecked(&winOptions, 12, layoutState.GetShowAnimations());
    // Music can only run in the second edition.
    ShowWinobj(&winOptions, 13, myGlobs.secondEdition ? 1 : 0);
    if (myGlobs.secondEdition) SetWinobjChecked(&winOptions, 13, soundManager.IsMusicOn());
    SetWinobjChecked(&winOptions, 14, layoutState.GetDrawRaised());
    SetWinobjChecked(&winOptions, 15, layoutState.GetDrawUnderground());
    SetWinobjSlider(&winOptions, 2, std::fabs(100.0f - terrobjList.GetCullThreshold() * 1000.0f));
}

// Toggles one on/off setting and its check box.
template <typename GET, typename SET>
void Toggle(int item, GET get, SET set) {
    const int on = get() ? 0 : 1;
    set(on);
    SetWinobjChecked(&winOptions, item, on);
}

void FillXfileLists() {
    InitWinList(&winXfileLists, 1, WINLIST_TEXT, 0);
    const char* ext = myGlobs.xListExtension[0] ? myGlobs.xListExtension : (myGlobs.secondEdition ? ".xl2" : ".xli");
    char pattern[32];
    JoinStrings(pattern, sizeof pattern, "*", ext);
    const std::vector<std::string> names = FindFileNames(pattern);
    int blankWidth = 0, blankHeight = 0;
    MeasureFontText("font_taho", " ", 17, &blankWidth, &blankHeight);
    for (size_t i = 0; i < names.size(); ++i) {
        char name[25];
        JoinStrings(name, sizeof name, names[i].c_str(), ext);  // at most 24 characters
        int width = 0, height = 0;
        MeasureFontText("font_taho", name, 17, &width, &height);
        int blanks = 0;
        if (blankWidth > 0 && 185 - width > 0) blanks = (185 - width) / blankWidth;
        std::string row(name);
        row.append(static_cast<size_t>(blanks), ' ');
        row += texts.Get(319);
        char text[WINLIST_TEXTLEN];
        CopyText(text, sizeof text, row.c_str());
        AddWinListRow(&winXfileLists, 1, text, static_cast<int>(i), kWhite);
    }
}

void ShowLoadMessage() {
    SetWinobjText(&winLoadMessage, 1, texts.Get(270));
    SetWinobjText(&winLoadMessage, 2, texts.Get(271));
    winLoadMessage.Show(2);
    editorState = ED_LOAD_MESSAGE;
}

// Keeps the layout on screen in a temporary file so that a load which fails
// halfway does not lose it. False when it could not be written.
bool BackUpLayout() {
    if (!terrain.IsCreated()) return false;
    const int saved = layoutState.SaveLayout(kLoadBackupName);
    return saved == 1;
}

void DropLayoutBackup() { std::remove(plat::ResolvePath(kLoadBackupName).c_str()); }

// Puts the layout kept by BackUpLayout back after a failed load; without a
// backup (or when it cannot be read) an empty 4 by 3 table takes its place.
// name: the restored layout's own name, for its description text. Answers
// whether the layout came back.
bool RestoreLayout(bool haveBackup, const char* name) {
    const int result = haveBackup ? layoutState.LoadLayout(kLoadBackupName) : LOAD_CANNOT_OPEN;
    if (result != LOAD_OK || !terrain.IsCreated()) {
        ClearLayout();
        NewLayout(0, 4, 3);
        return false;
    }
    if (name && *name) {
        // The restored layout keeps its own description text.
        char path[LAYOUTFILENAMELEN + 8];
        ComposeLayoutPath(name, path, sizeof path);
        infoText.Load(path);
    } else {
        infoText.Load(nullptr);
    }
    return true;
}

}  // namespace

void ComposeLayoutPath(const char* name, char* out, int outSize) {
    if (!out || outSize <= 0) return;
    const char* ext = GetLayoutExtension();
    if (!name) name = "";
    const size_t n = std::strlen(name), e = std::strlen(ext);
    // A name that already carries the edition's extension keeps it once.
    if (n > e && strcasecmp(name + n - e, ext) == 0) CopyText(out, outSize, name);
    else JoinStrings(out, outSize, name, ext);
    // Blanks stay: a listed file is loaded under its own name, and the save
    // turns them into underscores itself.
}

int IsSafeLayoutName(const char* name) {
    if (!name || !*name || name[0] == '.') return 0;
    // Room for the extension in the layout state's name.
    if (std::strlen(name) + 5 >= static_cast<size_t>(LAYOUTFILENAMELEN)) return 0;
    for (const char* c = name; *c; ++c)
        if (*c == '/' || *c == '\\' || *c == ':' || *c == '*' || *c == '?') return 0;
    return 1;
}

void ResetSystemWindowsForTest() {
    systemRefill = loadRefill = saveRefill = optionsRefill = xlistRefill = quitRefill = true;
}

// ---------------------------------------------------------------------------
// System window

void ActDownWIN_SYSTEM_CONTROL() {
    if (systemRefill) {
        layoutState.SetToolOption(0);
        systemRefill = false;
    }
    if (StartTitleDrag(winSystemControl)) return;
    int item = winSystemControl.HitWinobj(cursorX, cursorY);
    if (ModeButtonPressed()) item = 9;
    auto open = [](WINDOW& target, int state) {
        winSystemControl.Hide();
        systemRefill = true;
        target.Show(2);
        editorState = state;
    };
    switch (item) {
        case 0: break;
        case 1: open(winLoadFile, 122); break;
        case 2:
            winSystemControl.Hide();
            systemRefill = true;
            OpenSaveWindow();
            break;
        case 3: open(winOptions, 157); break;
        case 4: open(winXfileLists, 156); break;
        case 5: open(winTableSize, 148); break;
        case 9:
        case 101:
            winSystemControl.Hide();
            systemRefill = true;
            BackToEditing();
            break;
        default: TraceText("Unknown objId by ActDownWIN_SYSTEM_CONTROL()"); break;
    }
}

// ---------------------------------------------------------------------------
// Load window and the pending load

void ActDownWIN_LOAD_FILE() {
    if (loadRefill) {
        FindLayoutFiles();
        FillFileList(&winLoadFile, 1);
        SelectWinListRow(&winLoadFile, 1, 0);
        loadRefill = false;
    }
    UpdateWinList(&winLoadFile, 1);
    if (StartTitleDrag(winLoadFile)) return;
    int item = winLoadFile.HitWinobj(cursorX, cursorY);
    if (ModeButtonPressed()) item = 10;
    switch (item) {
        case 0:
        case 1: break;
        case 9: {
            char text[WINLIST_TEXTLEN];
            int row = -1;
            GetWinListSelection(&winLoadFile, 1, text, &row);
            CopyFoundFileName(row);
            winLoadFile.Hide();
            loadRefill = true;
            editorState = ED_LOAD;
            break;
        }
        case 10:
        case 101:
            winLoadFile.Hide();
            loadRefill = true;
            // The editor always needs a table.
            if (!terrain.IsCreated()) {
                messageQueue.AddMessage(texts.Get(298), kWhite);
                NewLayout(0, 4, 3);
            }
            BackToEditing();
            break;
        case 11:
            winLoadFile.Hide();
            loadRefill = true;
            winTableSize.Show(2);
            editorState = 148;
            break;
        default: TraceText("Unknown objId by ActDownWIN_LOAD_FILE()"); break;
    }
}

void RunPendingLoad() {
    int result = LOAD_OK;
    const int wasFollowing = myGlobs.journeyMode;
    char* chosen = myGlobs.chosenFileName;
    TrimBlanks(chosen);
    if (chosen[0]) {
        char previousName[LAYOUTFILENAMELEN];
        CopyText(previousName, sizeof previousName, layoutState.GetFileName());
        char path[LAYOUTFILENAMELEN + 8];
        ComposeLayoutPath(chosen, path, sizeof path);
        layoutState.SetFileName(chosen);
        bool restored = true;
        // A file that cannot even be opened leaves the layout on screen as
        // it is; any other failure puts it back from the backup.
        FILE* probe = std::strlen(chosen) + 5 < static_cast<size_t>(LAYOUTFILENAMELEN) ? plat::OpenFile(path, "rb")
                                                                                         : nullptr;
        if (!probe) {
            WriteStartLog("Unable to open layout file: ", NOLINEEND);
            WriteStartLog(path);
            result = LOAD_CANNOT_OPEN;
        } else {
            std::fclose(probe);
            const bool haveBackup = BackUpLayout();
            result = layoutState.LoadLayout(path);
            if (result != LOAD_OK && result != LOAD_TYPES_MISSING) restored = RestoreLayout(haveBackup, previousName);
            if (haveBackup) DropLayoutBackup();
        }
        if (result == LOAD_OK) {
            messageQueue.Reset();
            messageQueue.AddMessage(texts.Get(33), kWhite);
            if (myGlobs.journeyMode && !wasFollowing) StartMusic("journey");
            else if (!myGlobs.journeyMode && wasFollowing) StartMusic("edit");
        } else {
            // The layout on screen is the one from before the load (or a new
            // empty table when it could not be put back): it keeps its name.
            layoutState.SetFileName(restored ? previousName : "");
            messageQueue.AddMessage(texts.Get(34), kWhite);
            if (wasFollowing && !myGlobs.journeyMode) StartMusic("edit");
        }
    }
    if (result == LOAD_TYPES_MISSING) {
        ClearLayout();
        NewLayout(0, 4, 3);
        messageQueue.Reset();
        messageQueue.AddMessage(texts.Get(34), kWhite);
        ShowLoadMessage();
        return;
    }
    BackToEditing();
}

// ---------------------------------------------------------------------------
// Save window and the pending save

void OpenSaveWindow() {
    winSaveFile.Show(2);
    const char* name = layoutState.GetFileName();
    if (!name || !*name) name = "board01";
    const int length = static_cast<int>(std::strlen(name));
    winSaveFile.InitWinobjEdit(1, name, length > kSaveNameLength ? length : kSaveNameLength, &myGlobs.pendingKey,
                               kLayoutNameChars);
    editorState = 124;
}

void ActWIN_SAVE_FILE() {
    if (saveRefill) {
        FindLayoutFiles();
        FillFileList(&winSaveFile, 3);
        SelectWinListRow(&winSaveFile, 3, 0);
        saveRefill = false;
    }
    UpdateWinList(&winSaveFile, 3);
    winSaveFile.UpdateWinobjEdit(1, &myGlobs.pendingKey);
    const bool modeButton = ModeButtonPressed();
    if (!mouseLeftDown && !modeButton) return;
    if (StartTitleDrag(winSaveFile)) return;
    int item = winSaveFile.HitWinobj(cursorX, cursorY);
    if (modeButton) item = 10;
    switch (item) {
        case 0: break;
        case 3: {
            char text[WINLIST_TEXTLEN];
            int row = -1;
            GetWinListSelection(&winSaveFile, 3, text, &row);
            if (row >= 0) {
                const int length = static_cast<int>(std::strlen(text));
                SetWinobjEditText(&winSaveFile, 1, text, length > kSaveNameLength ? length : kSaveNameLength);
            }
            break;
        }
        case 9: {
            char text[WINEDIT_BUFFERLEN];
            CopyWinobjEditText(&winSaveFile, 1, text, sizeof text);
            TrimBlanks(text);
            CopyText(myGlobs.chosenFileName, sizeof myGlobs.chosenFileName, text);
            winSaveFile.Hide();
            saveRefill = true;
            editorState = ED_SAVE;
            break;
        }
        case 10:
        case 101:
            winSaveFile.Hide();
            saveRefill = true;
            BackToEditing();
            break;
        default: TraceText("Unknown objId by ActWIN_SAVE_FILE()"); break;
    }
}

void RunPendingSave() {
    char* chosen = myGlobs.chosenFileName;
    TrimBlanks(chosen);
    if (chosen[0]) {
        if (!IsSafeLayoutName(chosen)) {
            WriteStartLog("Layout name refused (it names no file of the working folder): ", NOLINEEND);
            WriteStartLog(chosen);
            messageQueue.AddMessage(texts.Get(32), kWhite);
        } else {
            layoutState.SetFileName(chosen);
            char path[LAYOUTFILENAMELEN + 8];
            ComposeLayoutPath(layoutState.GetFileName(), path, sizeof path);
            const int result = layoutState.SaveLayout(path);
            messageQueue.AddMessage(texts.Get(result == 1 ? 31 : 32), kWhite);
        }
    }
    BackToEditing();
}

// ---------------------------------------------------------------------------
// Options

void ActWIN_OPTIONS() {
    if (optionsRefill) {
        FillOptions();
        optionsRefill = false;
    }
    UpdateWinobjSlider(&winOptions, 2);
    bool closed = false;
    if (StartTitleDrag(winOptions)) {
        // the threshold below is still stored
    } else {
        int item = winOptions.HitWinobj(cursorX, cursorY);
        if (ModeButtonPressed()) item = 99;
        switch (item) {
            case 0:
            case 2: break;
            case 1:
                Toggle(1, [] { return layoutState.GetShowGrid(); }, [](int v) { layoutState.SetShowGrid(v); });
                break;
            case 3:
                Toggle(3, [] { return layoutState.GetShowLabels(); }, [](int v) { layoutState.SetShowLabels(v); });
                break;
            case 4:
                Toggle(4, [] { return layoutState.GetShowTooltips(); },
                       [](int v) { layoutState.SetShowTooltips(v); });
                break;
            case 5:
                Toggle(5, [] { return skybox.GetBaseFlag(); },
                       [](int v) {
                           skybox.SetBaseFlag(v);
                           terrain.RebuildBase();
                       });
                break;
            case 7:
                Toggle(7, [] { return layoutState.GetEditable(); }, [](int v) { layoutState.SetEditable(v); });
                break;
            case 8:
                Toggle(8, [] { return controlList.GetShowControls(); },
                       [](int v) { controlList.SetShowControls(v); });
                break;
            case 9:
                Toggle(9, [] { return trackList.GetShowSwitchSigns(); },
                       [](int v) { trackList.SetShowSwitchSigns(v); });
                break;
            case 10:
                if (!layoutState.GetWaterAnimation() && !water.IsActive()) {
                    messageQueue.AddMessage(texts.Get(337), kYellow, 0);
                    messageQueue.AddMessage(texts.Get(338), kYellow, 1);
                    layoutState.SetWaterAnimation(0);
                    SetWinobjChecked(&winOptions, 10, 0);
                } else {
                    Toggle(10, [] { return layoutState.GetWaterAnimation(); },
                           [](int v) { layoutState.SetWaterAnimation(v); });
                }
                break;
            case 11:
                Toggle(11, [] { return layoutState.GetAutosave(); }, [](int v) { layoutState.SetAutosave(v); });
                break;
            case 12:
                Toggle(12, [] { return layoutState.GetShowAnimations(); },
                       [](int v) { layoutState.SetShowAnimations(v); });
                break;
            case 13:
                if (!myGlobs.secondEdition) break;
                Toggle(13, [] { return soundManager.IsMusicOn(); },
                       [](int v) {
                           soundManager.SetMusicOn(v);
                           if (v) soundManager.PlayMusic(myGlobs.journeyMode ? "journey" : "edit");
                       });
                break;
            case 14:
                Toggle(14, [] { return layoutState.GetDrawRaised(); }, [](int v) { layoutState.SetDrawRaised(v); });
                break;
            case 15:
                Toggle(15, [] { return layoutState.GetDrawUnderground(); },
                       [](int v) { layoutState.SetDrawUnderground(v); });
                break;
            case 99:
            case 101: closed = true; break;
            default: TraceText("Unknown objId by ActWIN_OPTIONS()"); break;
        }
    }
    terrobjList.SetCullThreshold(std::fabs(100.0f - GetWinobjSlider(&winOptions, 2)) / 1000.0f);
    if (closed) CloseOptions();
}

// ---------------------------------------------------------------------------
// X file lists

void ActWIN_XFILE_LISTS() {
    if (xlistRefill) {
        FillXfileLists();
        xlistRefill = false;
    }
    UpdateWinList(&winXfileLists, 1);
    if (StartTitleDrag(winXfileLists)) return;
    if (!mouseLeftDown) return;
    int item = winXfileLists.HitWinobj(cursorX, cursorY);
    if (ModeButtonPressed()) item = 99;
    if (item == 99 || item == 101) {
        winXfileLists.Hide();
        xlistRefill = true;
        BackToEditing();
    }
}

// ---------------------------------------------------------------------------
// Quit question and message windows

int ActWIN_QUIT() {
    if (quitRefill) {
        layoutState.SetToolOption(0);
        quitRefill = false;
        return 1;
    }
    if (StartTitleDrag(winExitEditor)) return 1;
    int item = winExitEditor.HitWinobj(cursorX, cursorY);
    if (ModeButtonPressed()) item = 100;
    if (item == 99 || item == 100 || item == 101) {
        layoutState.SetToolOption(1);
        winExitEditor.Hide();
        quitRefill = true;
        return item == 99 ? 2 : 3;
    }
    return 1;
}

void ActWIN_MODE_MESSAGE() {
    if (StartTitleDrag(winModeMessage)) return;
    const int item = winModeMessage.HitWinobj(cursorX, cursorY);
    if (item == 99 || item == 101) {
        winModeMessage.Hide();
        BackToEditing();
    }
}

void ActWIN_LOAD_MESSAGE() {
    if (StartTitleDrag(winLoadMessage)) return;
    const int item = winLoadMessage.HitWinobj(cursorX, cursorY);
    if (item == 99 || item == 101) {
        winLoadMessage.Hide();
        BackToEditing();
    }
}

void ActWIN_INFO_MESSAGE() {
    SetWinobjColor(&winMessageOneLine, 1, kWhite);
    SetWinobjColor(&winMessageOneLine, 2, kWhite);
    if (myGlobs.keyEnter) winMessageOneLine.Hide();
}

void ActWIN_MESSAGE() {
    SetWinobjColor(&winMessageTwoLines, 1, kWhite);
    SetWinobjColor(&winMessageTwoLines, 2, kWhite);
    bool close = keyEnterPressed != 0;
    if (!close && mouseLeftDown) {
        const int item = winMessageTwoLines.HitWinobj(cursorX, cursorY);
        close = item == 99 || item == 101;
    }
    if (close) {
        CloseTwoLineMessage();
        winMessageTwoLines.Hide();
    }
}
