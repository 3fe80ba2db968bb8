// Trigger-and-action controls: a control belongs to an owner track piece; an
// engine passing the middle of that piece fires it, at once or after a delay,
// and its action switches a power feed point, a switch, a detach point, a
// barrier, a gate, a turntable, a sound, the model of a placed object or the
// turning of a placed object.
#pragma once

#include <cstdint>
#include <cstdio>

struct TRACK;
struct POWER_NODE;
struct TERROBJ;
class WINDOW;

// Record sizes of the control section by layout-file version.
constexpr int CONTROLRECORDSIZE = 220;      // version 15 and later
constexpr int CONTROLRECORDSIZE_V14 = 208;  // version 14
constexpr int CONTROLRECORDSIZE_V12 = 196;  // versions 12 and 13
constexpr int CONTROLRECORDSIZE_V10 = 188;  // version 10
constexpr int CONTROLNAMELEN = 64;
constexpr int CONTROLLABELSLOTS = 2000;
constexpr int CONTROLGLOWTIME = 2000;  // ms of glow after an action
constexpr int CONTROLMARKER_OBJID = 101;

// Control types.
constexpr int CONTROL_POWER = 1;
constexpr int CONTROL_SWITCH = 2;
constexpr int CONTROL_DETACH = 3;
constexpr int CONTROL_BARRIER = 4;
constexpr int CONTROL_GATE = 5;
constexpr int CONTROL_TURNTABLE = 6;
constexpr int CONTROL_SOUND = 7;
constexpr int CONTROL_MODEL = 8;
constexpr int CONTROL_TURN = 9;

// Record size of the control section for a layout-file version; 0 when the
// version's control section cannot be read.
int ControlRecordSize(int fileVersion);

// One control. The layout file keeps it as a 220-byte record in the field
// order below (links as 4-byte placeholders that the reader ignores).
struct CONTROL {
    CONTROL* pPrev = nullptr;
    CONTROL* pNext = nullptr;
    char name[CONTROLNAMELEN] = {};
    int id = 0;    // save number
    int type = 0;  // 1..9
    TRACK* pOwner = nullptr;
    int ownerId = 0;
    POWER_NODE* pNode = nullptr;  // type 1
    int nodeId = 0;               // its sequence id, 0 = none
    TRACK* pTarget = nullptr;     // types 2, 3, 4, 6
    int targetId = 0;             // its id, 0 = none
    int actionFlag1 = 0;          // type 1 set, type 7 start (stored for 8 and 9)
    int actionFlag2 = 0;          // type 1 clear, type 7 stop
    int actionFlag3 = 0;          // type 1 toggle, type 7 play once
    int valueSelector = 0;        // type 1: 1 = the node's default value
    int value = 0;                // type 1: power value; types 8 and 9: objId
    int switchState1 = 0;
    int switchState2 = 0;
    int switchToggle = 0;
    int detachSet = 0;
    int detachClear = 0;
    int detachToggle = 0;
    int barrierGo = 0;
    int barrierStop = 0;
    int barrierToggle = 0;
    TERROBJ* pObject = nullptr;  // types 5, 7, 8, 9
    int gateOpen = 0;
    int gateClose = 0;
    int objectSerial = 0;  // saved form, 0 = none
    int delay = 0;         // ms
    int delayTimer = 0;    // ms left, 0 = not running
    int glowTime = 0;      // ms left
    int directionKey = 0;  // 0 any, 2 or 3
    int vehicleMask = 0;   // 0 any
    int turnMinus = 0;     // type 6: -22.5 degrees
    int turnPlus = 0;      // type 6: +22.5 degrees
    int turnHalf = 0;      // type 6: 180 degrees
    char axis = 0;         // type 9: 'X', 'Y', 'Z' or lower case
    int amount = 0;        // type 9: degrees
    int turnSpeed = 0;     // type 9

    // Stores type, key, mask, name and delay (seconds, kept in ms), then the
    // owner, target and action fields of the type; timers start at 0. The
    // target is a TRACK for types 2, 3, 4, 6 and a TERROBJ for 5, 7, 8, 9.
    void Init(int newType, TRACK* owner, POWER_NODE* node, void* target, int flag1, int flag2, int flag3,
              int selector, int valueOrObjId, float delaySeconds, const char* newName, int key, int mask,
              char axisLetter, int newAmount, int speed);
    // Performs the action of the control.
    void ActControl();
    // Marker of the control at its owner piece, or of the given piece.
    void DrawMarker(const TRACK* piece = nullptr) const;
    void DrawLabel();

    // --- layout-file form (little-endian, field by field) ---
    void WriteRecord(unsigned char out[CONTROLRECORDSIZE]) const;
    // Reads the first size bytes of a record; the fields beyond them are 0.
    // Links are left null; the name is always terminated.
    void ReadRecord(const unsigned char* in, int size);
};

// Glow line from the owner piece to the target, while the glow lasts.
void DrawControlFX(const CONTROL* control);

class CONTROL_LIST {
public:
    CONTROL_LIST();
    ~CONTROL_LIST();
    CONTROL_LIST(const CONTROL_LIST&) = delete;
    CONTROL_LIST& operator=(const CONTROL_LIST&) = delete;

    // A new, empty control at the tail.
    CONTROL* AddNew();
    // Frees one control and shows its message.
    void RemoveControl(CONTROL* c);
    // Removes the controls owned by a piece or aimed at it.
    void RemoveControlsOfTrack(TRACK* p);
    // Removes the controls aimed at a power feed point.
    void RemoveControlsOfNode(POWER_NODE* node);
    // Removes the controls aimed at a placed object.
    void RemoveControlsOfObject(TERROBJ* obj);
    void RemoveAll();

    // Fires the controls of a piece that an engine passes (key 2: the
    // percentage fell to 50 or below, 3: it rose above 50).
    void TriggerByTrack(TRACK* p, int key, int mask);
    // Delay timers and glow, once per frame.
    void Update();

    // Drawing.
    void RenderMarkers();
    void DrawLabels();
    void DrawAllControlFX();
    // Label slot of an owner while labels are drawn: the line the next label
    // of that owner goes on (0 first), or -1 when every slot holds another
    // owner.
    int TakeLabelLine(const TRACK* owner);

    // Queries.
    int HasControls(const TRACK* p) const;
    CONTROL* FindControl(const TRACK* owner, const char* controlName) const;
    void FillNameList(WINDOW* window, int item, const TRACK* owner) const;
    int IsEmpty() const { return pHead == nullptr; }
    int Contains(const CONTROL* c) const;
    int GetCount() const;
    CONTROL* GetFirst() const { return pHead; }

    // Names and options.
    void MakeControlName(char* out, int size = CONTROLNAMELEN);
    int GetShowControls() const { return bShowControls; }
    void SetShowControls(int v) { bShowControls = v; }
    void SetMarkedTarget(TRACK* p) { pMarkedTarget = p; }
    TRACK* GetMarkedTarget() const { return pMarkedTarget; }
    void SetNameCounter(int v) { nextNumber = (v >= 1 && v <= 9998) ? v : 1; }
    int GetNameCounter() const { return nextNumber; }
    CONTROL* GetNewControl() const { return pNewControl; }
    void SetNewControl(CONTROL* c) { pNewControl = c; }

    // --- layout file (section 5) ---
    void NumberControls();
    void SaveIds();
    // Writes the int32 count, the records and the int32 next name number.
    int Save(FILE* file);
    // Reads the section by the version being loaded; 0 when the section is
    // damaged or cannot be read in this version.
    int Load(FILE* file);
    // Saved numbers back to pointers; a control whose owner or target does
    // not resolve is dropped.
    void RestoreLinks();

private:
    void Append(CONTROL* c);
    void Unlink(CONTROL* c);
    // Unlinks and frees without a message.
    void Delete(CONTROL* c);

    CONTROL* pHead = nullptr;
    CONTROL* pTail = nullptr;
    int nextNumber = 1;
    int reserved = 0;
    int bShowControls = 1;
    TRACK* pMarkedTarget = nullptr;
    const TRACK* labelOwners[CONTROLLABELSLOTS] = {};
    int labelCounts[CONTROLLABELSLOTS] = {};
    CONTROL* pNewControl = nullptr;
};

extern CONTROL_LIST controlList;
