// Layout files: header, section order, camera and settings blocks, the
// numbering of references, the load sequence with its fix-ups, and the
// autosave.
//
// A file is never replaced half-written: the layout goes into a temporary
// file first, which is renamed over the old file only when every section was
// written. A load that cannot read every section leaves an empty layout.
#include "rail/layoutfile.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "app/recordio.h"
#include "app/messagequeue.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "app/winmain.h"
#include "editor/editor.h"
#include "gfx/display.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "rail/control.h"
#include "rail/idpool.h"
#include "rail/infotext.h"
#include "rail/layoutstate.h"
#include "rail/manualcontrol.h"
#include "rail/power.h"
#include "rail/track.h"
#include "rail/trackaddition.h"
#include "rail/train.h"
#include "ui/screenlist.h"
#include "ui/window.h"
#include "world/lightlist.h"
#include "world/skybox.h"
#include "world/terrain.h"
#include "world/terrobj.h"

using recordio::GetFloat;
using recordio::GetInt;
using recordio::PutFloat;
using recordio::PutInt;

SAVE_COUNTER::SAVE_COUNTER() {}
void SAVE_COUNTER::Reset() { value = 0; }
int SAVE_COUNTER::Next() { return ++value; }

namespace {

constexpr char HEADERTEXT[] = "File version:";
constexpr int HEADERTEXTLEN = 13;
constexpr int CAMERABLOCK_OLD = 48;      // before version 13
constexpr int CAMERABLOCK_JOURNEY = 12;  // journey mode, journey train, follow distance
constexpr int CAMERABLOCK_FOLLOW = 16;   // the display's follow values
constexpr int SETTINGSBLOCK_OLD = 60;    // before version 14
constexpr int SETTINGSBLOCK = 68;
constexpr int GAMESTATE_EDITOR = 8;
constexpr uint32_t AUTOSAVECOLOUR = static_cast<uint32_t>(-256);

// Bytes between the file position and the end of the file; -1 when unknown.
using recordio::BytesLeft;

// Whether the int32 count at the file position, followed by that many records
// of recordSize bytes and trailing more bytes, fits into the rest of the
// file. The position is left where it was.
bool SectionFits(FILE* file, int recordSize, int trailing, const char* section) {
    const long left = BytesLeft(file);
    unsigned char b[4];
    const long here = std::ftell(file);
    if (here < 0 || std::fread(b, 1, 4, file) != 4) {
        char text[160];
        JoinStrings(text, sizeof text, "Layout file ends before the section: ", section);
        WriteStartLog(text);
        return false;
    }
    std::fseek(file, here, SEEK_SET);
    const long long count = GetInt(b);
    if (count < 0 || (left >= 0 && 4 + count * recordSize + trailing > left)) {
        char text[160];
        JoinStrings(text, sizeof text, "Layout file holds a bad count in the section: ", section);
        WriteStartLog(text, count < 0 ? 0 : static_cast<int>(count));
        return false;
    }
    return true;
}

bool Finite(const D3DXVECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

void PutVector(unsigned char* p, const D3DXVECTOR3& v) {
    PutFloat(p, v.x);
    PutFloat(p + 4, v.y);
    PutFloat(p + 8, v.z);
}

D3DXVECTOR3 GetVector(const unsigned char* p) { return D3DXVECTOR3(GetFloat(p), GetFloat(p + 4), GetFloat(p + 8)); }

int Flag(int v) { return v ? 1 : 0; }

// Numbers every saved record and turns the pointers between records into
// those numbers.
void NumberLayout() {
    saveCounter.Reset();
    trackList.NumberPieces();
    powerList.NumberNodes();
    terrobjList.NumberObjects();
    trainList.NumberTrains();
    controlList.NumberControls();
    trackList.SaveEndIds();
    trackList.SavePowerIds();
    trackAdditionList.SaveIds();
    powerList.SaveOwnerIds();
    trainList.SaveIds();
    controlList.SaveIds();
    manualControlTable.SaveIds();
}

// Renames the temporary file over the layout's name and writes the folder
// entry to the disk.
int CommitFile(const std::string& tempPath, const char* name) {
    const std::string target = plat::ResolvePath(name);
    if (std::rename(tempPath.c_str(), target.c_str()) != 0) {
        WriteStartLog("Unable to replace the layout file: ", NOLINEEND);
        WriteStartLog(name);
        std::remove(tempPath.c_str());
        return 0;
    }
    if (!plat::FlushFolderOf(name)) {
        WriteStartLog("Unable to flush the folder of the layout file: ", NOLINEEND);
        WriteStartLog(name);
        return 0;
    }
    return 1;
}

// Gives every joined run of pieces one group id and the id pool the ids in
// use, following the restored links.
void RegroupTracks() {
    idPool.Reset();
    for (TRACK* p = trackList.GetFirst(); p; p = p->pNext) p->groupId = 0;
    std::vector<TRACK*> stack;
    for (TRACK* p = trackList.GetFirst(); p; p = p->pNext) {
        if (p->groupId) continue;
        const int id = idPool.AssignId(p);
        stack.push_back(p);
        while (!stack.empty()) {
            TRACK* t = stack.back();
            stack.pop_back();
            for (int i = 0; i < 3; i++) {
                TRACK* q = t->end[i].state == END_CONNECTED ? t->end[i].pTrack : nullptr;
                if (q && q->groupId == 0) {
                    q->groupId = id;
                    stack.push_back(q);
                }
            }
        }
    }
}

// Whether the knob of a slider in any window is held with the mouse.
bool IsSliderHeld() {
    for (const WINDOW* w = windowList.GetFirst(); w; w = w->GetNextWindow())
        for (const WINOBJ* o = w->GetFirstWinobj(); o; o = o->next)
            if (o->kind == WINOBJ_SLIDER && o->slider.dragging) return true;
    return false;
}

}  // namespace

const char* GetLayoutExtension() { return myGlobs.secondEdition ? ".roi" : ".roa"; }

void SetDayNightButton() {
    screenList.RemoveItem(232);
    screenList.RemoveItem(223);
    screenList.AddItem(lightList.IsNight() ? 232 : 223, 10, nullptr, 1, nullptr, 0);
}

void ClearLayout() {
    manualControlTable.Clear();
    trackAdditionList.RemoveAll();
    trackList.DeleteAll();
    // Controls read from a file are not linked to their pieces until the
    // load's fix-ups, so removing the pieces does not find them.
    controlList.RemoveAll();
    powerList.UpdatePower();
    trainList.DeleteAll();
    terrobjList.RemoveAll(1);
    terrobjList.BuildShadowSprites();
    lightList.RemoveAllLights();
    // Pointers of the editor into the emptied lists.
    layoutState.pSelectedTrack = nullptr;
    layoutState.pTargetNode = nullptr;
    layoutState.pTargetTrack = nullptr;
    layoutState.pTargetObject = nullptr;
    layoutState.pSelectedVehicle = nullptr;
    layoutState.pSelectedTerrobj = nullptr;
    layoutState.pHighlighted = nullptr;
    myGlobs.journeyTrain = nullptr;
    myGlobs.crashedTrain = nullptr;
    myGlobs.triggeringTrain = nullptr;
}

// ---------------------------------------------------------------------------
// Header, camera and settings blocks

int LAYOUT_STATE::WriteHeader(FILE* file) {
    if (!file) return 0;
    char header[HEADERTEXTLEN + 3];
    std::snprintf(header, sizeof header, "%s%02d", HEADERTEXT, LAYOUTFILEVERSION);
    return std::fwrite(header, 1, HEADERTEXTLEN + 2, file) == HEADERTEXTLEN + 2 ? 1 : 0;
}

int LAYOUT_STATE::ReadVersion(FILE* file) {
    if (!file) return -1;
    char header[HEADERTEXTLEN];
    const long start = std::ftell(file);
    if (std::fread(header, 1, HEADERTEXTLEN, file) != HEADERTEXTLEN ||
        std::memcmp(header, HEADERTEXT, HEADERTEXTLEN) != 0) {
        // No header: the oldest files begin directly with the track count.
        std::fseek(file, start < 0 ? 0 : start, SEEK_SET);
        return 10;
    }
    unsigned char digits[2];
    if (std::fread(digits, 1, 2, file) != 2 || digits[0] < '0' || digits[0] > '9' || digits[1] < '0' ||
        digits[1] > '9') {
        WriteStartLog("Layout file header holds no version number !!!");
        return -1;
    }
    return (digits[0] - '0') * 10 + (digits[1] - '0');
}

int WriteCameraBlock(FILE* file) {
    if (!file) return 0;
    D3DXVECTOR3 eye, lookAt, up;
    float yaw = 0.0f, pitch = 0.0f, distance = 0.0f;
    if (myGlobs.journeyMode) {
        layoutState.GetStoredCamera(&eye, &lookAt, &up, &yaw, &pitch, &distance);
    } else {
        display.GetCamera(&eye, &lookAt, &up);
        display.GetCameraAngles(&yaw, &pitch, &distance);
    }
    unsigned char b[CAMERABLOCK_OLD + CAMERABLOCK_JOURNEY] = {};
    PutFloat(b, distance);
    PutVector(b + 4, up);
    PutVector(b + 16, eye);
    PutVector(b + 28, lookAt);
    PutFloat(b + 40, pitch);
    PutFloat(b + 44, yaw);
    PutInt(b + 48, myGlobs.journeyMode);
    PutInt(b + 52, myGlobs.journeyTrain ? myGlobs.journeyTrain->saveNumber : -1);
    PutFloat(b + 56, myGlobs.tavolsag);
    if (std::fwrite(b, 1, sizeof b, file) != sizeof b) return 0;
    const long before = std::ftell(file);
    display.SaveCamera(file);
    const long after = std::ftell(file);
    return (before >= 0 && after - before == CAMERABLOCK_FOLLOW && !std::ferror(file)) ? 1 : 0;
}

int ReadCameraBlock(FILE* file) {
    if (!file) return 0;
    const int version = myGlobs.loadFileVersion;
    const int size = version >= 13 ? CAMERABLOCK_OLD + CAMERABLOCK_JOURNEY : CAMERABLOCK_OLD;
    unsigned char b[CAMERABLOCK_OLD + CAMERABLOCK_JOURNEY];
    if (std::fread(b, 1, size, file) != static_cast<size_t>(size)) {
        WriteStartLog("Camera block of the layout file is cut short !!!");
        return 0;
    }
    if (version >= 13) {
        const long left = BytesLeft(file);
        if (left >= 0 && left < CAMERABLOCK_FOLLOW) {
            WriteStartLog("Camera block of the layout file is cut short !!!");
            return 0;
        }
        display.LoadCamera(file);
    }
    const float distance = GetFloat(b);
    const D3DXVECTOR3 up = GetVector(b + 4);
    const D3DXVECTOR3 eye = GetVector(b + 16);
    const D3DXVECTOR3 lookAt = GetVector(b + 28);
    const float pitch = GetFloat(b + 40);
    const float yaw = GetFloat(b + 44);
    if (version >= 13) {
        const int number = GetInt(b + 52);
        const float follow = GetFloat(b + 56);
        myGlobs.journeyMode = Flag(GetInt(b + 48));
        if (number == -1) {
            myGlobs.journeyMode = 0;
            myGlobs.journeyTrain = nullptr;
        } else {
            myGlobs.journeyTrain = trainList.FindBySaveNumber(number);
            if (!myGlobs.journeyTrain) myGlobs.journeyMode = 0;
        }
        myGlobs.freeCamera = myGlobs.journeyMode ? 0 : 1;
        if (std::isfinite(follow)) myGlobs.tavolsag = follow;
    }
    if (!Finite(up) || !Finite(eye) || !Finite(lookAt) || !std::isfinite(pitch) || !std::isfinite(yaw) ||
        !std::isfinite(distance)) {
        WriteStartLog("Camera block of the layout file holds invalid numbers, the camera is kept");
        return 1;
    }
    if (version >= 13 && myGlobs.journeyMode) {
        layoutState.SetStoredCamera(eye, lookAt, up, yaw, pitch, distance);
    } else {
        if (!(eye.x == lookAt.x && eye.y == lookAt.y && eye.z == lookAt.z)) display.SetView(eye, lookAt, up);
        display.SetCameraAngles(yaw, pitch, distance);
    }
    return 1;
}

int LAYOUT_STATE::WriteSettings(FILE* file) {
    if (!file) return 0;
    unsigned char b[SETTINGSBLOCK];
    PutFloat(b, vGroundPoint[0]);
    PutFloat(b + 4, vGroundPoint[1]);
    PutInt(b + 8, bSelectTracks);
    PutInt(b + 12, bSelectObjects);
    PutInt(b + 16, bSelectPlants);
    PutInt(b + 20, bSelectVehicles);
    PutInt(b + 24, mode);
    PutInt(b + 28, bEditable);
    PutInt(b + 32, bShowGrid);
    PutFloat(b + 36, terrobjList.GetCullThreshold());
    PutInt(b + 40, bShowLabels);
    PutInt(b + 44, bShowTooltips);
    PutInt(b + 48, skybox.GetBaseFlag());
    PutInt(b + 52, controlList.GetShowControls());
    PutInt(b + 56, trackList.GetShowSwitchSigns());
    PutInt(b + 60, bDrawRaised);
    PutInt(b + 64, bDrawUnderground);
    return std::fwrite(b, 1, SETTINGSBLOCK, file) == SETTINGSBLOCK ? 1 : 0;
}

int LAYOUT_STATE::ReadSettings(FILE* file) {
    if (!file) return 0;
    const int size = myGlobs.loadFileVersion >= 14 ? SETTINGSBLOCK : SETTINGSBLOCK_OLD;
    unsigned char b[SETTINGSBLOCK];
    if (std::fread(b, 1, size, file) != static_cast<size_t>(size)) {
        WriteStartLog("Settings block of the layout file is cut short !!!");
        return 0;
    }
    const float gx = GetFloat(b), gy = GetFloat(b + 4);
    if (std::isfinite(gx) && std::isfinite(gy)) {
        vGroundPoint[0] = gx;
        vGroundPoint[1] = gy;
    } else {
        WriteStartLog("Settings block of the layout file holds an invalid ground point");
        vGroundPoint[0] = vGroundPoint[1] = 0.0f;
    }
    // The options are kept as stored: each counts as on when it is not 0.
    // The mode picks between two behaviours and is read as 0 or 1.
    bSelectTracks = GetInt(b + 8);
    bSelectObjects = GetInt(b + 12);
    bSelectPlants = GetInt(b + 16);
    bSelectVehicles = GetInt(b + 20);
    mode = Flag(GetInt(b + 24));
    bEditable = GetInt(b + 28);
    bShowGrid = GetInt(b + 32);
    terrobjList.SetCullThreshold(GetFloat(b + 36));
    bShowLabels = GetInt(b + 40);
    bShowTooltips = GetInt(b + 44);
    skybox.SetBaseFlag(GetInt(b + 48));
    controlList.SetShowControls(GetInt(b + 52));
    trackList.SetShowSwitchSigns(GetInt(b + 56));
    if (size == SETTINGSBLOCK) {
        bDrawRaised = GetInt(b + 60);
        bDrawUnderground = GetInt(b + 64);
    } else {
        bDrawRaised = 1;
        bDrawUnderground = 1;
    }
    return 1;
}

// ---------------------------------------------------------------------------
// Save

int LAYOUT_STATE::WriteLayout(FILE* file) {
    if (!trackList.Save(file)) return 0;
    if (!trackAdditionList.Save(file)) return 0;
    if (!powerList.Save(file)) return 0;
    if (!trainList.Save(file)) return 0;
    if (!controlList.Save(file)) return 0;
    if (!terrobjList.Save(file)) return 0;
    if (!manualControlTable.Save(file)) return 0;
    if (!WriteCameraBlock(file)) return 0;
    if (!WriteSettings(file)) return 0;
    if (!terrain.Save(file)) return 0;
    if (!lightList.Save(file)) return 0;
    if (!skybox.Save(file)) return 0;
    return 1;
}

int LAYOUT_STATE::WriteTempFile(const char* temp) {
    FILE* file = plat::OpenFile(temp, "w+b");
    if (!file) {
        WriteStartLog("Unable to create layout file: ", NOLINEEND);
        WriteStartLog(temp);
        return 0;
    }
    int ok = WriteHeader(file) && WriteLayout(file);
    if (!plat::FlushFile(file)) ok = 0;
    if (std::fclose(file) != 0) ok = 0;
    if (!ok) std::remove(plat::ResolvePath(temp).c_str());
    return ok;
}

int LAYOUT_STATE::WriteLayoutFile(const char* name) {
    const std::string temp = std::string(name) + ".tmp";
    const std::string tempPath = plat::ResolvePath(temp.c_str());
    if (!WriteTempFile(temp.c_str())) {
        WriteStartLog("Unable to write layout file, the old file is kept: ", NOLINEEND);
        WriteStartLog(name);
        return 0;
    }
    return CommitFile(tempPath, name);
}

int LAYOUT_STATE::SaveLayout(const char* name) {
    if (!name || !*name) return 0;
    myGlobs.loadFileVersion = LAYOUTFILEVERSION;
    NumberLayout();
    std::string fixed(name);
    for (char& c : fixed)
        if (c == ' ') c = '_';
    return WriteLayoutFile(fixed.c_str());
}

// ---------------------------------------------------------------------------
// Load

int LAYOUT_STATE::ReadSections(FILE* file, int version) {
    if (!SectionFits(file, version < 14 ? TRACKRECORDSIZE_V13 : TRACKRECORDSIZE, 0, "tracks") ||
        !trackList.Load(file))
        return 0;
    if (!SectionFits(file, TRACKADDITIONRECORDSIZE, 0, "track additions") || !trackAdditionList.Load(file)) return 0;
    if (!SectionFits(file, POWERRECORDSIZE, 4, "power feed points") || !powerList.Load(file)) return 0;
    if (version >= 10 &&
        !SectionFits(file, version == 10 ? TRAINRECORDSIZE_V10 : TRAINRECORDSIZE, 0, "vehicles"))
        return 0;
    if (!trainList.Load(file)) return 0;
    if (!controlList.Load(file)) return 0;
    if (!SectionFits(file, TerrobjRecordSize(version), 0, "placed objects") || !terrobjList.Load(file)) return 0;
    if (!manualControlTable.Load(file)) return 0;
    if (!ReadCameraBlock(file)) return 0;
    if (!ReadSettings(file)) return 0;
    if (!terrain.Load(file)) return 0;
    if (!lightList.Load(file)) return 0;
    if (!skybox.Load(file)) return 0;
    const long left = BytesLeft(file);
    if (left > 0) WriteStartLog("Bytes after the last section of the layout file ignored:", static_cast<int>(left));
    return 1;
}

void LAYOUT_STATE::RunFixups(int) {
    // Track pieces: ids to pointers, then the group ids of joined runs.
    trackList.RestoreEndLinks();
    RegroupTracks();

    // Track additions whose piece is gone are dropped.
    trackAdditionList.RestoreLinks();
    int lost = 0;
    for (TRACKADDITION* a = trackAdditionList.GetFirst(); a; a = a->pForward) {
        if (a->pTrack) continue;
        WriteStartLog("Track addition dropped, its piece does not resolve:", a->trackId < 0 ? 0 : a->trackId);
        lost = 1;
    }
    if (lost) trackAdditionList.RemoveOfTrack(nullptr, 0);

    // Power feed points whose feed piece is named but gone are dropped; the
    // pieces then find their nodes.
    powerList.RestoreOwners();
    for (POWER_NODE* n = powerList.GetFirst(); n;) {
        POWER_NODE* next = n->pNext;
        if (n->trackId != 0 && !n->pTrack) {
            WriteStartLog("Power feed point dropped, its piece does not resolve:", n->trackId < 0 ? 0 : n->trackId);
            powerList.RemoveNode(n);
        }
        n = next;
    }
    trackList.RestorePowerLinks();
    for (TRACK* p = trackList.GetFirst(); p; p = p->pNext) {
        if ((p->feedNodeId && !p->pFeedNode) || (p->ownNodeId && !p->pOwnNode))
            WriteStartLog("Power link of a piece does not resolve:", p->id < 0 ? 0 : p->id);
    }

    // Vehicles: piece, then couplings; a followed vehicle that was dropped
    // ends the journey.
    const bool following = myGlobs.journeyTrain != nullptr;
    trainList.RestoreLinks();
    if (following) {
        TRAIN* t = trainList.GetFirst();
        while (t && t != myGlobs.journeyTrain) t = t->pNext;
        if (!t) {
            WriteStartLog("The followed vehicle of the layout file does not resolve");
            myGlobs.journeyTrain = nullptr;
            if (myGlobs.journeyMode) {
                myGlobs.journeyMode = 0;
                myGlobs.freeCamera = 1;
                RestoreCamera();
            }
        }
    }

    controlList.RestoreLinks();

    // The camera orbits the loaded ground point.
    display.UpdateView(1, vGroundPoint[0], vGroundPoint[1]);

    // Lighting: the sun, then the cell grid of the loaded terrain, into which
    // the placed objects put their lights.
    lightList.ApplySun();
    lightList.InitLightGrid();
    terrobjList.AddAllLights();

    SetDayNightButton();
    manualControlTable.RestoreObjects();
    trackList.FillRenderBuffer();
    terrobjList.BuildBatches();
    terrobjList.BuildShadowSprites();
}

void LAYOUT_STATE::AbandonLoad() {
    ClearLayout();
    myGlobs.journeyMode = 0;
    myGlobs.freeCamera = 1;
    myGlobs.crashState = 0;
    idPool.Reset();
    lightList.InitLightGrid();
    SetDayNightButton();
}

int LAYOUT_STATE::LoadLayout(const char* name) {
    ClearLayout();
    ResetXIDMissLog();
    if (!powerList.IsEmpty() || trainList.GetFirst() || !controlList.IsEmpty()) {
        WriteStartLog("Lists are not empty before loading in LAYOUT_STATE::LoadLayout()");
        return LOAD_NOT_EMPTY;
    }
    FILE* file = (name && *name) ? plat::OpenFile(name, "rb") : nullptr;
    if (!file) {
        WriteStartLog("Unable to open layout file: ", NOLINEEND);
        WriteStartLog(name ? name : "");
        return LOAD_CANNOT_OPEN;
    }
    char text[400];
    JoinStrings(text, sizeof text, "**** Starting to load file: ", name, " ****");
    WriteStartLog(text);

    const int version = ReadVersion(file);
    if (version > LAYOUTFILEVERSION) {
        messageQueue.AddMessage(texts.Get(340));
        std::fclose(file);
        WriteStartLog("Layout file version is too new:", version);
        return LOAD_TOO_NEW;
    }
    int ok = version >= 0;
    if (ok) {
        myGlobs.loadFileVersion = version;
        ok = ReadSections(file, version);
    }
    std::fclose(file);
    if (!ok) {
        WriteStartLog("Layout file is damaged or cut short, the layout is emptied: ", NOLINEEND);
        WriteStartLog(name);
        AbandonLoad();
        return LOAD_CANNOT_OPEN;
    }

    RunFixups(version);
    myGlobs.crashState = 0;
    myGlobs.crashedTrain = nullptr;
    infoText.Load(name);
    if (version < 13) {
        myGlobs.freeCamera = 1;
        myGlobs.journeyMode = 0;
        myGlobs.journeyTrain = nullptr;
    }
    messageQueue.Reset();

    const bool objectsLoaded = terrobjList.CheckObjects();
    const bool vehiclesLoaded = trainList.CheckTrainObjects() != 0;
    if (!objectsLoaded || !vehiclesLoaded) return LOAD_TYPES_MISSING;
    WriteStartLog("**** Load successfully ended... ****");
    return LOAD_OK;
}

// ---------------------------------------------------------------------------
// Autosave

void LAYOUT_STATE::Autosave() {
    if (gameState != GAMESTATE_EDITOR || !bAutosave) return;
    if (autosaveTimer < autosavePeriod) {
        autosaveTimer += frameTime;
        return;
    }
    // Not while a slider is dragged or the load or save windows are open.
    if (IsSliderHeld() || (editorState >= 122 && editorState <= 125)) return;
    autosaveTimer = 0;
    messageQueue.AddMessage(texts.Get(357), AUTOSAVECOLOUR);

    const char* ext = GetLayoutExtension();
    const std::string first = std::string("autosave1") + ext;
    const std::string second = std::string("autosave2") + ext;
    const std::string temp = first + ".tmp";
    const std::string tempPath = plat::ResolvePath(temp.c_str());

    // The new autosave is written completely before the older ones move, so
    // a failed write keeps both.
    myGlobs.loadFileVersion = LAYOUTFILEVERSION;
    NumberLayout();
    if (!WriteTempFile(temp.c_str())) {
        WriteStartLog("Autosave failed, the older autosaves are kept");
        return;
    }
    if (plat::FileExists(first.c_str())) {
        const std::string from = plat::ResolvePath(first.c_str());
        const std::string to = plat::ResolvePath(second.c_str());
        if (std::rename(from.c_str(), to.c_str()) != 0) WriteStartLog("Unable to rename autosave1 to autosave2");
    }
    if (!CommitFile(tempPath, first.c_str())) {
        WriteStartLog("Autosave failed");
        return;
    }
    messageQueue.AddMessage(texts.Get(358), AUTOSAVECOLOUR);
}
