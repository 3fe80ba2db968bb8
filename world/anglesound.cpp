#include "world/anglesound.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/filesearch.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "platform/paths.h"
#include "sound/soundmanager.h"
#include "world/xobject.h"

namespace {

bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

bool ReadToken(FILE* f, char* out, int size) {
    int c;
    do {
        c = fgetc(f);
    } while (c != EOF && IsBlank(c));
    if (c == EOF) return false;
    int n = 0;
    while (c != EOF && !IsBlank(c)) {
        if (n < size - 1) out[n++] = static_cast<char>(c);
        c = fgetc(f);
    }
    out[n] = 0;
    return true;
}

}  // namespace

int ReadUseAngleXZFile(const char* fileName) {
    WriteStartLog("Reading from file: ", NOLINEEND);
    WriteStartLog(fileName);
    FILE* f = plat::OpenFile(fileName, "rb");
    if (!f) {
        WriteStartLog("Unable to open useAngleXZ info file: ", NOLINEEND);
        WriteStartLog(fileName, NOLINEEND);
        WriteStartLog(" !!!");
        return 0;
    }
    char token[64];
    while (ReadToken(f, token, sizeof token)) {
        // The list ends at its first token that is not a number.
        errno = 0;
        char* end = nullptr;
        long objId = strtol(token, &end, 10);
        if (end == token || *end != 0 || errno == ERANGE) break;
        if (objId < 0 || objId >= MAXIDS) continue;
        int xid = GetXID(static_cast<int>(objId), 1);
        if (xid >= 0 && xid < myGlobs.xObjectCount && myGlobs.xObjects) myGlobs.xObjects[xid].useAngleXZ = 1;
    }
    fclose(f);
    WriteStartLog(" ... file processed");
    return 1;
}

void LoadUseAngleXZInfo() {
    WriteStartLog("Loading angleXZ usage info...");
    if (myGlobs.xObjects)
        for (int i = 0; i < myGlobs.xObjectCount && i < MAXXOBJECTS; ++i) myGlobs.xObjects[i].useAngleXZ = 0;
    FindFiles(myGlobs.firstEdition ? "vlm_useanglexz*.list" : "qm_useanglexz*.list");
    // The found-file table is shared: take the names before reading.
    std::vector<std::string> names;
    for (int i = 0; i < myGlobs.foundFileCount && i < MAXFOUNDFILES; ++i)
        names.push_back(std::string(myGlobs.foundFiles[i]) + "list");
    for (const auto& name : names) ReadUseAngleXZFile(name.c_str());
    WriteStartLog("Info read...");
}

void LinkXObjectSounds() {
    if (!myGlobs.xObjects) return;
    for (int i = 0; i < myGlobs.xObjectCount && i < MAXXOBJECTS; ++i) {
        XOBJECT& x = myGlobs.xObjects[i];
        int control = 0;
        if (soundManager.FindSoundById(x.objId, &control)) {
            x.hasSound = 1;
            x.soundId = control;
        } else {
            x.hasSound = 0;
            x.soundId = 0;
        }
    }
}
