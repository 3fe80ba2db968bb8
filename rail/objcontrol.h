// Object controls: which object types a control may swap for one another
// (for example a signal between its states), under which names the editor
// offers them, and which object types turn about an axis and by how much.
// Read at start-up from the object control lists; every loaded object type
// then carries a control code pointing back into this table.
#pragma once

struct TERROBJ;
class WINDOW;

constexpr int OBJCONTROL_MAXRECORDS = 100;
constexpr int OBJCONTROL_MAXENTRIES = 6;   // entries of a swap record
constexpr int OBJCONTROL_MAXTRIPLETS = 4;  // rotations of a rotate record
constexpr int OBJCONTROL_NAMELEN = 32;

struct OBJCONTROL_ENTRY {
    int entryObjId = 0;
    char entryName[OBJCONTROL_NAMELEN] = {};
};

// One rotation of a rotate record: the axis letter and two numbers.
struct OBJCONTROL_TRIPLET {
    char axis = 0;
    int first = 0;
    int second = 0;
};

struct OBJCONTROL_RECORD {
    int usedCount = 0;  // only the first record: the number of records in use
    int code = -1;      // -1 while the record is free
    int bRotate = 0;
    int entryCount = 0;
    OBJCONTROL_ENTRY entries[OBJCONTROL_MAXENTRIES];
    OBJCONTROL_TRIPLET triplets[OBJCONTROL_MAXTRIPLETS];
};

class OBJECT_CONTROL_SYSTEM {
public:
    // Start-up (after the X file lists): reads every object control list of
    // the edition and links the loaded object types.
    static void LoadInfo();
    // Reads one list file (the found name with "list" appended).
    static void ReadInfoFile(const char* foundName);
    // Sets the control codes of the loaded object types.
    static void LinkObjects();

    // Fills the object control window's three choices for an object type.
    static void SetControlPossibilities(WINDOW* window, int objId);
    // objId of entry n (from 1) of the object's swap record; -1 when none.
    static int GetEntryValue(int n, const TERROBJ* obj);
    // 1 when the object's type turns (its control code is below -1).
    static int IsGroupObject(const TERROBJ* obj);
    // Rotation n (from 1) of the object's rotate record and the record's
    // code; 0 when there is none.
    static int GetGroupEntry(int n, const TERROBJ* obj, OBJCONTROL_TRIPLET* triplet, int* objId);

    // Table access.
    static int GetRecordCount() { return records[0].usedCount; }
    static const OBJCONTROL_RECORD* GetRecord(int i) {
        return (i >= 0 && i < OBJCONTROL_MAXRECORDS) ? &records[i] : nullptr;
    }
    // Every record free again.
    static void Reset();

private:
    static OBJCONTROL_RECORD records[OBJCONTROL_MAXRECORDS];
};
