// The text and list files that the program reads at start and while loading.
// The first byte of an input picks the file (modulo the number of kinds), the
// rest is its content; the file's own reader reads it, and a frame of the
// editor runs with what was read.
#include <cstdio>
#include <string>

#include "app/myglobs.h"
#include "app/texts.h"
#include "fuzz/fuzz_support.h"
#include "gfx/setupdialog.h"
#include "rail/highscores.h"
#include "rail/objcontrol.h"
#include "rail/train.h"
#include "sound/soundmanager.h"
#include "world/anglesound.h"
#include "world/axobject.h"
#include "world/lightlist.h"
#include "world/skybox.h"
#include "world/xobject.h"

namespace {

enum ListKind {
    SETTINGS,       // "parameters.txt"
    TEXT_TABLE,     // "texts.txt"
    OBJECT_NAMES,   // "vlm_names.otx"
    TEXT_BIASES,    // "textbias.txt"
    DISPLAY_CONFIG, // "dcfg.txt"
    X_FILE_LIST,    // "*.xli"
    REPLACEMENTS,   // "tr_<objId>.trf"
    LIGHTING_TEXTURES,    // "ltex*.list"
    LAMP_INFOS,     // "lampinfo*.list"
    SKYBOXES,       // "vlm_skybox*.txt"
    SOUND_SOURCES,  // "soundsources*.list"
    ENGINE_SPOTS,   // "enginespots*.list"
    DETACH_RULES,   // "traindetach*.bin"
    OBJECT_CONTROLS,  // "vlm_objcontrol*.list"
    ANGLE_USAGE,    // "vlm_useanglexz*.list"
    HIGH_SCORES,    // "highscores.bin"
    KIND_COUNT
};

// Reads an X file list and takes the types it added out again, so that every
// input starts from the bundled types.
void ReadXFileList() {
    const int before = myGlobs.xObjectCount;
    AXOBJECT* animatedBefore = axobjectList.head;
    for (int row = 0; row < 400 && ReadXFileListRow("fuzzlist.xli"); ++row) {
    }
    BuildIdTable();
    velfuzz::RunFrames(1);
    for (int i = before; i < myGlobs.xObjectCount; ++i) myGlobs.xObjects[i].Release();
    myGlobs.xObjectCount = before;
    while (axobjectList.head && axobjectList.head != animatedBefore) {
        AXOBJECT* added = axobjectList.head;
        axobjectList.head = added->next;
        --axobjectList.count;
        delete added;
    }
    BuildIdTable();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!velfuzz::StartProgram()) return 0;
    if (size == 0) return 0;
    const int kind = data[0] % KIND_COUNT;
    ++data;
    --size;
    switch (kind) {
        case SETTINGS: {
            // The settings object reads the file when it is made; the frame
            // then runs with the values it read.
            velfuzz::WriteInput("parameters.txt", data, size);
            const MYGLOBS* read = new MYGLOBS();
            myGlobs.magassag = read->magassag;
            myGlobs.tavolsag = read->tavolsag;
            myGlobs.dolesszog = read->dolesszog;
            myGlobs.oldalszog = read->oldalszog;
            myGlobs.ralatas = read->ralatas;
            myGlobs.renderWireframe = read->renderWireframe;
            myGlobs.showFramerate = read->showFramerate;
            myGlobs.groundTextures = read->groundTextures;
            myGlobs.drawControlInfo = read->drawControlInfo;
            myGlobs.reverseCamera = read->reverseCamera;
            myGlobs.complexWater = read->complexWater;
            myGlobs.maxAscent = read->maxAscent;
            myGlobs.useSignType = read->useSignType;
            delete read;
            break;
        }
        case TEXT_TABLE:
        case OBJECT_NAMES:
        case TEXT_BIASES:
            velfuzz::WriteInput(kind == TEXT_TABLE ? "texts.txt" : kind == OBJECT_NAMES ? "vlm_names.otx" : "textbias.txt",
                                data, size);
            texts.Reload();
            break;
        case DISPLAY_CONFIG: {
            velfuzz::WriteInput("dcfg.txt", data, size);
            DISPLAY_DIALOG dialog;
            DisplayDialogProc(&dialog, WM_INITDIALOG, 0, 0);
            break;
        }
        case X_FILE_LIST:
            velfuzz::WriteInput("fuzzlist.xli", data, size);
            ReadXFileList();
            return 0;
        case REPLACEMENTS:
            if (myGlobs.xObjectCount > 0) {
                velfuzz::WriteInput("Scenes/xfiles/tr_14991.trf", data, size);
                XOBJECT& type = myGlobs.xObjects[0];
                type.LoadTextureReplacement(14991);
                velfuzz::RunFrames(1);
                type.replacementCount = 0;
            }
            return 0;
        case LIGHTING_TEXTURES:
            velfuzz::WriteInput("ltexfuzz.list", data, size);
            lightList.ReadLightingTextureFile("ltexfuzz.list");
            break;
        case LAMP_INFOS:
            velfuzz::WriteInput("lampinfofuzz.list", data, size);
            lightList.ReadLampInfoFile("lampinfofuzz.list");
            break;
        case SKYBOXES:
            velfuzz::WriteInput("vlm_skyboxfuzz.txt", data, size);
            skybox.LoadSkyboxListFile("vlm_skyboxfuzz.txt");
            skybox.SelectSkybox(0, 1);
            break;
        case SOUND_SOURCES:
            velfuzz::WriteInput("soundsources.list", data, size);
            // The sound manager reads its lists when it starts.
            soundManager.Release();
            soundManager.Init();
            break;
        case ENGINE_SPOTS:
            velfuzz::WriteInput("enginespotsfuzz.list", data, size);
            myGlobs.ReadEngineSpotFile("enginespotsfuzz.");
            break;
        case DETACH_RULES:
            velfuzz::WriteInput("traindetachfuzz.bin", data, size);
            trainList.ClearDetachRules();
            trainList.LoadDetachInfo("traindetachfuzz");
            break;
        case OBJECT_CONTROLS:
            velfuzz::WriteInput("vlm_objcontrolfuzz.list", data, size);
            OBJECT_CONTROL_SYSTEM::Reset();
            OBJECT_CONTROL_SYSTEM::ReadInfoFile("vlm_objcontrolfuzz.");
            OBJECT_CONTROL_SYSTEM::LinkObjects();
            break;
        case ANGLE_USAGE:
            velfuzz::WriteInput("vlm_useanglexzfuzz.list", data, size);
            ReadUseAngleXZFile("vlm_useanglexzfuzz.list");
            break;
        case HIGH_SCORES:
            velfuzz::WriteInput("highscores.bin", data, size);
            highscores.Load();
            highscores.Draw();
            break;
        default:
            break;
    }
    velfuzz::RunFrames(1);
    return 0;
}
