// The object control table and its list files.
//
// A list file is a sequence of whitespace-separated words: a record header of
// three words (code, type word, entry count n), then n pairs of words. In a
// swap record a pair is an objId and the entry's name; in a rotate record
// (type word "ROTATE") the first word of a pair holds the axis letter in its
// first character, a number in characters 1 to 5 and a number in characters
// 7 to 13, and the second word the name. A name that reads as a non-zero
// number is that entry of the text table; any other has its '_' turned into
// blanks.
#include "rail/objcontrol.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "app/filesearch.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "platform/paths.h"
#include "ui/window.h"
#include "world/terrobj.h"
#include "world/xobject.h"

OBJCONTROL_RECORD OBJECT_CONTROL_SYSTEM::records[OBJCONTROL_MAXRECORDS];

namespace {

constexpr int WORDLEN = 256;

// The loaded object type of an objId, or null.
XOBJECT* LoadedType(int objId) {
    if (objId < 0 || objId >= MAXIDS || !myGlobs.xIdTable || !myGlobs.xObjects) return nullptr;
    const int xid = GetXID(objId, 0);
    if (xid < 0 || xid >= myGlobs.xObjectCount || xid >= MAXXOBJECTS) return nullptr;
    return &myGlobs.xObjects[xid];
}

// The number in characters [from, from + count) of a word (shorter when the
// word ends earlier).
int NumberAt(const char* word, int from, int count) {
    const int len = static_cast<int>(std::strlen(word));
    if (from >= len) return 0;
    char part[16] = {};
    int n = len - from < count ? len - from : count;
    if (n > 15) n = 15;
    std::memcpy(part, word + from, static_cast<size_t>(n));
    return std::atoi(part);
}

void MakeEntryName(char* out, const char* word) {
    const int number = std::atoi(word);
    if (number != 0) {
        CopyText(out, OBJCONTROL_NAMELEN, texts.Get(number));
        return;
    }
    CopyText(out, OBJCONTROL_NAMELEN, word);
    for (char* p = out; *p; ++p)
        if (*p == '_') *p = ' ';
}

void EnableItem(WINDOW* window, int id, int on) {
    if (WINOBJ* o = windowList.FindWinobj(window, id)) o->enabled = on ? 1 : 0;
}

}  // namespace

void OBJECT_CONTROL_SYSTEM::Reset() {
    for (OBJCONTROL_RECORD& r : records) r = OBJCONTROL_RECORD();
    records[0].usedCount = 0;
}

void OBJECT_CONTROL_SYSTEM::LoadInfo() {
    Reset();
    WriteStartLog("Loading object control info...");
    FindFiles(myGlobs.secondEdition ? "qm_objcontrol*.list" : "vlm_objcontrol*.list");
    // The found names are copied first: reading a file may search again.
    const int found = myGlobs.foundFileCount < MAXFOUNDFILES ? myGlobs.foundFileCount : MAXFOUNDFILES;
    static char names[MAXFOUNDFILES][FOUNDFILENAMELEN];
    for (int i = 0; i < found; i++) CopyText(names[i], FOUNDFILENAMELEN, myGlobs.foundFiles[i]);
    for (int i = 0; i < found; i++) ReadInfoFile(names[i]);
    WriteStartLog("Info read...");
    LinkObjects();
}

void OBJECT_CONTROL_SYSTEM::ReadInfoFile(const char* foundName) {
    if (!foundName) return;
    char fileName[FOUNDFILENAMELEN + 8];
    JoinStrings(fileName, sizeof fileName, foundName, "list");
    FILE* f = plat::OpenFile(fileName, "rb");
    if (!f) {
        WriteStartLog("Unable to open object control info file: ", NOLINEEND);
        WriteStartLog(fileName, NOLINEEND);
        WriteStartLog(" !!!");
        return;
    }
    WriteStartLog("Reading from file: ", NOLINEEND);
    WriteStartLog(fileName);
    char codeWord[WORDLEN], typeWord[WORDLEN], countWord[WORDLEN];
    char first[WORDLEN], second[WORDLEN];
    while (std::fscanf(f, "%255s%255s%255s", codeWord, typeWord, countWord) == 3) {
        const int used = records[0].usedCount;
        if (used >= OBJCONTROL_MAXRECORDS) {
            WriteStartLog("Object control table full, the rest of the file is not read:", OBJCONTROL_MAXRECORDS);
            break;
        }
        int n = std::atoi(countWord);
        if (n < 0) {
            // No pairs follow such a header: the record stays empty.
            WriteStartLog("Object control record with a negative entry count is read empty:", used);
            n = 0;
        }
        OBJCONTROL_RECORD rec;
        rec.code = std::atoi(codeWord);
        rec.bRotate = strcasecmp(typeWord, "ROTATE") == 0 ? 1 : 0;
        const int cap = rec.bRotate ? OBJCONTROL_MAXTRIPLETS : OBJCONTROL_MAXENTRIES;
        bool complete = true;
        for (int j = 0; j < n; j++) {
            if (std::fscanf(f, "%255s%255s", first, second) != 2) {
                complete = false;
                break;
            }
            if (j >= cap) continue;
            MakeEntryName(rec.entries[j].entryName, second);
            if (rec.bRotate) {
                rec.triplets[j].axis = first[0];
                rec.triplets[j].first = NumberAt(first, 1, 5);
                rec.triplets[j].second = NumberAt(first, 7, 7);
            } else {
                rec.entries[j].entryObjId = std::atoi(first);
            }
        }
        if (!complete) break;
        if (n > cap) {
            WriteStartLog("Object control record holds more entries than kept:", n);
            rec.entryCount = cap;
        } else {
            rec.entryCount = n;
        }
        records[used] = rec;
        records[0].usedCount = used + 1;
    }
    std::fclose(f);
    WriteStartLog(" ... file processed");
}

void OBJECT_CONTROL_SYSTEM::LinkObjects() {
    if (myGlobs.xObjects)
        for (int i = 0; i < myGlobs.xObjectCount && i < MAXXOBJECTS; i++) myGlobs.xObjects[i].controlCode = -1;
    const int count = GetRecordCount();
    for (int i = 0; i < count; i++) {
        const OBJCONTROL_RECORD& r = records[i];
        if (r.bRotate) {
            if (XOBJECT* x = LoadedType(r.code)) x->controlCode = -r.code;
        } else {
            for (int j = 0; j < r.entryCount; j++)
                if (XOBJECT* x = LoadedType(r.entries[j].entryObjId)) x->controlCode = r.code;
        }
    }
}

void OBJECT_CONTROL_SYSTEM::SetControlPossibilities(WINDOW* window, int objId) {
    const OBJCONTROL_RECORD* found = nullptr;
    const int count = GetRecordCount();
    for (int i = 0; i < count && !found; i++) {
        const OBJCONTROL_RECORD& r = records[i];
        if (r.bRotate) {
            if (r.code == objId) found = &r;
        } else {
            for (int j = 0; j < r.entryCount; j++)
                if (r.entries[j].entryObjId == objId) found = &r;
        }
    }
    if (!found) {
        WriteStartLog("Objcontrol not found in OBJECT_CONTROL_SYSTEM::SetControlPossibilities() !!!");
        return;
    }
    for (int j = 0; j < 3; j++) {
        if (j < found->entryCount) {
            SetWinobjText(window, 21 + j, found->entries[j].entryName);
            EnableItem(window, 1 + j, 1);
            EnableItem(window, 21 + j, 1);
        } else {
            EnableItem(window, 1 + j, 0);
            EnableItem(window, 21 + j, 0);
        }
    }
}

int OBJECT_CONTROL_SYSTEM::GetEntryValue(int n, const TERROBJ* obj) {
    if (!obj) return -1;
    const XOBJECT* x = LoadedType(obj->objId);
    if (!x || x->controlCode == -1) return -1;
    const int count = GetRecordCount();
    for (int i = 0; i < count; i++) {
        const OBJCONTROL_RECORD& r = records[i];
        if (r.code != x->controlCode) continue;
        if (n < 1 || n > r.entryCount) return -1;
        return r.entries[n - 1].entryObjId;
    }
    return -1;
}

int OBJECT_CONTROL_SYSTEM::IsGroupObject(const TERROBJ* obj) {
    if (!obj) return 0;
    const XOBJECT* x = LoadedType(obj->objId);
    return (x && x->controlCode < -1) ? 1 : 0;
}

int OBJECT_CONTROL_SYSTEM::GetGroupEntry(int n, const TERROBJ* obj, OBJCONTROL_TRIPLET* triplet, int* objId) {
    if (!obj) return 0;
    const XOBJECT* x = LoadedType(obj->objId);
    if (!x || x->controlCode >= -1) return 0;
    const int code = -x->controlCode;
    const int count = GetRecordCount();
    for (int i = 0; i < count; i++) {
        const OBJCONTROL_RECORD& r = records[i];
        if (!r.bRotate || r.code != code) continue;
        if (n < 1 || n > r.entryCount) return 0;
        if (triplet) *triplet = r.triplets[n - 1];
        if (objId) *objId = r.code;
        return 1;
    }
    return 0;
}
