// Object types: the X file list reader, XOBJECT set-up, the objId -> X_ID
// table and the per-objId accessors. The mesh load, conversion and drawing are
// in drawxobject.cpp.
#include "world/xobject.h"

#include <bitset>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/filesearch.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "app/winmain.h"
#include "platform/paths.h"
#include "world/axobject.h"
#include "world/lightlist.h"

namespace {

constexpr int TOKENLEN = 128;
constexpr int PATHLEN = 160;
const char* const XFILEFOLDER = "Scenes\\xfiles\\";

// Loader state kept between the calls of the loading state.
int xListFirstCall = 1;
int xListIndex = 0;
int xListReaderState = 1;  // 1 = open the next file, 3 = file open
FILE* xListFile = nullptr;
std::vector<std::string> xListNames;  // the lists found on the first call

bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// Reads one whitespace-separated token of at most size - 1 characters; a
// longer token is consumed whole and cut. False at the end of the file.
bool ReadToken(FILE* f, char* out, int size) {
    int c;
    do {
        c = fgetc(f);
    } while (c != EOF && IsBlank(c));
    if (c == EOF) {
        out[0] = 0;
        return false;
    }
    int n = 0;
    while (c != EOF && !IsBlank(c)) {
        if (n < size - 1) out[n++] = static_cast<char>(c);
        c = fgetc(f);
    }
    out[n] = 0;
    return true;
}

// A whole token read as a decimal integer.
bool ParseInt(const char* text, int* out) {
    if (!text || !*text) return false;
    errno = 0;
    char* end = nullptr;
    long v = strtol(text, &end, 10);
    if (end == text || *end != 0 || errno == ERANGE || v < -2147483647L - 1 || v > 2147483647L) return false;
    *out = static_cast<int>(v);
    return true;
}

// atoi-like: the leading number of a token, 0 when there is none.
int LeadingInt(const char* text) { return static_cast<int>(strtol(text ? text : "", nullptr, 10)); }

bool StartsWith(const char* text, const char* prefix) { return strncmp(text, prefix, strlen(prefix)) == 0; }

// Colours of the lists: decimal, hexadecimal after "0x" or octal after a
// leading 0; 0 means white; the alpha byte is always full.
unsigned int ParseColour(const char* text) {
    unsigned int c = static_cast<unsigned int>(strtoul(text, nullptr, 0));
    if (c == 0) c = 0xFFFFFFFFu;
    return c | 0xFF000000u;
}

void LogObjectSizes() {
    char stars[45];
    memset(stars, '*', 44);
    stars[44] = 0;
    WriteStartLog(stars);
    WriteStartLog("Size of all X objects: ", NOLINEEND);
    WriteStartLogInt(static_cast<int>(myGlobs.xVertexTotal * 32 + myGlobs.xIndexTotal * 2));
    WriteStartLog(stars);
}

void CloseList() {
    if (xListFile) fclose(xListFile);
    xListFile = nullptr;
    xListReaderState = 1;
}

// Declared row count of a list header; 0 when the file cannot be read.
int ReadDeclaredRows(const char* path) {
    FILE* f = plat::OpenFile(path, "rb");
    if (!f) return 0;
    char word[TOKENLEN], count[TOKENLEN];
    int rows = 0;
    if (ReadToken(f, word, TOKENLEN) && ReadToken(f, count, TOKENLEN)) rows = LeadingInt(count);
    fclose(f);
    return rows;
}

bool ValidXID(int xid) {
    return myGlobs.xObjects && xid >= 0 && xid < myGlobs.xObjectCount && xid < MAXXOBJECTS;
}

XOBJECT* FindType(int objId) {
    int xid = GetXID(objId, 1);
    return ValidXID(xid) ? &myGlobs.xObjects[xid] : nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------
// XOBJECT

XOBJECT::XOBJECT() = default;

XOBJECT::~XOBJECT() { Release(); }

int XOBJECT::GetPoint(int n, D3DXVECTOR3* out) const {
    if (n < 0 || n >= pointCount || n >= MAXOBJPOINTS) return 0;
    if (out) *out = points[n];
    return 1;
}

TEXTURE_ENTRY* XOBJECT::GetReplacementTexture(TEXTURE_ENTRY* entry) const {
    if (!entry) return nullptr;
    for (int i = 0; i < replacementCount && i < MAXREPLACEMENTS; ++i)
        if (replacements[i].replaced == entry) return replacements[i].replacement;
    return nullptr;
}

void XOBJECT::ResetFields() {
    type = PLANT_TYPE;
    objId = 0;
    useReference = false;
    referenceXID = -1;
    controlCode = -1;
    name[0] = 0;
    mesh = nullptr;
    referenceMesh = nullptr;
    subsetCount = 0;
    materials = nullptr;
    textures = nullptr;
    keepMaterial = nullptr;
    vertexCount = 0;
    indexCount = 0;
    memset(colour1Subset, 0, sizeof colour1Subset);
    memset(colour2Subset, 0, sizeof colour2Subset);
    memset(alphaSubset, 0, sizeof alphaSubset);
    memset(lightingSubset, 0, sizeof lightingSubset);
    hasColour1 = hasColour2 = 0;
    colour1 = colour2 = 0;
    notPlant = 1;
    drawVertexCount = 0;
    sphereCentre = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    sphereRadius = 0.0f;
    lampColour = 0;
    animMode = 0;
    boxMin = boxMax = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    sizeX = sizeY = halfLength = 0.0f;
    vehicleParam = 0;
    traction = 22;
    for (auto& p : points) p = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    pointCount = 0;
    engineSpot = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    hasEngineSpot = 0;
    CopyText(lightPosition, sizeof lightPosition, "-");
    useAngleXZ = 0;
    hasSound = soundId = 0;
    blinker = blinkPeriod = 0;
    for (auto& r : replacements) r = TEXTURE_REPLACEMENT{};
    replacementCount = 0;
    vehicleLength2 = -1.0f;
    materialCount = 0;
}

int XOBJECT::Setup(const char* fileName, const char* displayName, int typeValue, int objIdValue, float scale,
                   int vehicleValue, int vehicleParamValue, const char* colourTexture1, const char* colourTexture2,
                   unsigned int colour1Value, unsigned int colour2Value, const char* reference, int tractionValue,
                   int animated, float vehicleLength2Value) {
    // The slot may hold a type whose animated load failed: start clean.
    Release();
    ResetFields();
    if (!fileName) fileName = "";
    if (!colourTexture1) colourTexture1 = "-";
    if (!colourTexture2) colourTexture2 = "-";

    vehicleLength2 = vehicleLength2Value;
    int* table = myGlobs.xIdTable;
    if (objIdValue > MAXIDS - 1) {
        char text[96];
        snprintf(text, sizeof text, "objId is bigger than MAXIDS: %d > %d", objIdValue, MAXIDS);
        WriteStartLog(text);
    } else if (objIdValue < 0) {
        WriteStartLog("objId is negative, not entered in the ID table: ", NOLINEEND);
        WriteStartLogInt(objIdValue);
    } else if (table && table[objIdValue] != -1) {
        WriteStartLog("WARNING!!! Duplicated objId: ", NOLINEEND);
        WriteStartLogInt(objIdValue);
    } else if (table && myGlobs.xObjectCount < MAXXOBJECTS) {
        table[objIdValue] = myGlobs.xObjectCount;
    }

    objId = objIdValue;
    controlCode = -1;
    CopyText(name, sizeof name, displayName);
    type = typeValue;
    const char* texture1 = colourTexture1;
    const char* texture2 = colourTexture2;
    if (strcmp(colourTexture1, "blinker") == 0) {
        blinker = 1;
        blinkPeriod = LeadingInt(colourTexture2);
        texture1 = "-";
        texture2 = "-";
    }
    colour1 = colour1Value;
    colour2 = colour2Value;

    char path[PATHLEN];
    JoinStrings(path, sizeof path, XFILEFOLDER, fileName);

    // A borrowed mesh: the reference is the objId of an already loaded type.
    int refId = 0;
    int refXID = -1;
    if (reference && strcmp(reference, "NOREF") != 0 && ParseInt(reference, &refId) && refId >= 0)
        refXID = GetXID(refId, 0);
    useReference = false;
    if (ValidXID(refXID) && refXID != myGlobs.xObjectCount) {
        const XOBJECT& ref = myGlobs.xObjects[refXID];
        ID3DXMesh* borrowed = ref.mesh ? ref.mesh : ref.referenceMesh;
        if (borrowed) {
            referenceXID = refXID;
            referenceMesh = borrowed;
            useReference = LoadTextureReplacement(objId);
            WriteStartLog(useReference ? "Reference mesh used with texture replacement..."
                                       : "Reference mesh used with only mesh replacement...");
        }
    }

    if (type == LAMP_TYPE && StartsWith(colourTexture1, "LPOS"))
        CopyText(lightPosition, sizeof lightPosition, colourTexture1);
    else
        CopyText(lightPosition, sizeof lightPosition, "-");

    const char* filePart = GetFileNamePart(fileName);
    bool lampFile = filePart && StartsWith(filePart, "lamp");
    if ((lampFile || type == LAMP_TYPE) && objId != 10000)
        lampColour = colour1 == 0xFFFFFFFFu ? 1 : static_cast<int>(colour1 & 0xFFFFFFu);
    else
        lampColour = 0;
    if (lightList.HasLampInfo(objId)) lampColour = -1;
    notPlant = type != PLANT_TYPE;

    if (useReference) {
        const XOBJECT& ref = myGlobs.xObjects[referenceXID];
        hasColour1 = ref.hasColour1;
        hasColour2 = ref.hasColour2;
        drawVertexCount = ref.drawVertexCount;
        subsetCount = ref.subsetCount;
        sphereCentre = ref.sphereCentre;
        sphereRadius = ref.sphereRadius;
        boxMin = ref.boxMin;
        boxMax = ref.boxMax;
        halfLength = ref.halfLength;
        sizeX = ref.sizeX;
        sizeY = ref.sizeY;
    } else {
        Init(path, scale, texture1, texture2, animated);
    }

    if (type == ENGINE_TYPE || type == CWAGON_TYPE || type == PWAGON_TYPE) {
        WriteStartLog("Half length: ", NOLINEEND);
        WriteStartLogFloat(halfLength);
    }
    WriteStartLog("objId: ", NOLINEEND);
    WriteStartLogInt(objId);
    (void)vehicleValue;
    vehicleParam = vehicleParamValue;
    traction = tractionValue > 0 ? tractionValue : 22;
    return 1;
}

bool XOBJECT::LoadTextureReplacement(int objIdValue) {
    char path[PATHLEN];
    char number[16];
    snprintf(number, sizeof number, "%d", objIdValue);
    JoinStrings(path, sizeof path, XFILEFOLDER, "tr_", number, ".trf");
    FILE* f = plat::OpenFile(path, "rb");
    if (!f) {
        WriteStartLog("Could not open texture replacement file: ", NOLINEEND);
        WriteStartLog(path);
        return false;
    }
    replacementCount = 0;
    char first[TOKENLEN], second[TOKENLEN];
    for (int pair = 0; pair < MAXREPLACEMENTS; ++pair) {
        if (!ReadToken(f, first, TOKENLEN) || !ReadToken(f, second, TOKENLEN)) break;
        TEXTURE_ENTRY* replaced = FindLoadedTexture(first);
        if (!replaced) continue;
        TEXTURE_ENTRY* replacement = LoadObjectTexture(second);
        if (!replacement) continue;
        replacements[replacementCount].replaced = replaced;
        replacements[replacementCount].replacement = replacement;
        ++replacementCount;
    }
    fclose(f);
    return true;
}

// ---------------------------------------------------------------------------
// Type names

int DetObjType(const char* typeName) {
    static const struct {
        const char* name;
        int type;
    } names[] = {
        {"SCREENOBJ_TYPE", SCREENOBJ_TYPE}, {"TRACK_TYPE", TRACK_TYPE},     {"PLANT_TYPE", PLANT_TYPE},
        {"HOUSE_TYPE", HOUSE_TYPE},         {"INDUSTRY_TYPE", INDUSTRY_TYPE}, {"RAILWAY_TYPE", RAILWAY_TYPE},
        {"MISC_TYPE", MISC_TYPE},           {"LAMP_TYPE", LAMP_TYPE},       {"ENGINE_TYPE", ENGINE_TYPE},
        {"CWAGON_TYPE", CWAGON_TYPE},       {"PWAGON_TYPE", PWAGON_TYPE},   {"ENVIR_TYPE", ENVIR_TYPE},
        {"DUMMY_TYPE", DUMMY_TYPE},         {"SIGN_TYPE", SIGN_TYPE},
    };
    if (typeName)
        for (const auto& n : names)
            if (strcmp(typeName, n.name) == 0) return n.type;
    WriteStartLog("Unknown OBJTYPE in DetObjType()");
    return PLANT_TYPE;
}

// ---------------------------------------------------------------------------
// The X file lists

void ResetXobjectLoader() {
    CloseList();
    xListFirstCall = 1;
    xListIndex = 0;
    xListNames.clear();
}

int InitXobjects() {
    if (xListFirstCall) {
        xListFirstCall = 0;
        ClearIdTable();
        const char* ext = myGlobs.xListExtension[0] ? myGlobs.xListExtension : (myGlobs.firstEdition ? ".xli" : ".xl2");
        char pattern[32];
        JoinStrings(pattern, sizeof pattern, "*", ext);
        FindFiles(pattern);
        xListNames.clear();
        for (int i = 0; i < myGlobs.foundFileCount && i < MAXFOUNDFILES; ++i) {
            char path[FOUNDFILENAMELEN + 8];
            JoinStrings(path, sizeof path, myGlobs.foundFiles[i], ext);
            xListNames.emplace_back(path);
        }
        myGlobs.xListDeclaredTotal = 0;
        for (const auto& path : xListNames) myGlobs.xListDeclaredTotal += ReadDeclaredRows(path.c_str());
        xListIndex = 0;
        myGlobs.xObjectCount = 0;
        myGlobs.xListProgress = 0;
        if (xListNames.empty()) {
            WriteStartLog("There are no X file lists!!!");
            return 0;
        }
        return 1;
    }
    int listCount = static_cast<int>(xListNames.size());
    if (xListIndex >= listCount) return 0;
    if (ReadXFileListRow(xListNames[xListIndex].c_str()) == 0) ++xListIndex;
    if (myGlobs.xListDeclaredTotal > 0)
        myGlobs.xListProgress =
            static_cast<int>(static_cast<float>(myGlobs.xObjectCount) / myGlobs.xListDeclaredTotal * 100.0f);
    else
        myGlobs.xListProgress = 100;
    return xListIndex < listCount ? 1 : 0;
}

int ReadXFileListRow(const char* path) {
    if (!path) return 0;
    if (xListReaderState == 1) {
        xListFile = plat::OpenFile(path, "rb");
        if (!xListFile) {
            WriteStartLog("Unable to open X file list:", NOLINEEND);
            WriteStartLog(path);
            return 0;
        }
        WriteStartLog(" ");
        WriteStartLog("Reading from file: ", NOLINEEND);
        WriteStartLog(path);
        char header[TOKENLEN];
        ReadToken(xListFile, header, TOKENLEN);
        ReadToken(xListFile, header, TOKENLEN);
        xListReaderState = 3;
    }

    char tok[10][TOKENLEN];
    int n = 0;
    while (n < 10 && ReadToken(xListFile, tok[n], TOKENLEN)) ++n;
    if (n < 10) {
        if (n > 0) {
            WriteStartLog("Incomplete last row of the X file list skipped: ", NOLINEEND);
            WriteStartLog(path);
        }
        CloseList();
        LogObjectSizes();
        return 0;
    }

    int objId = 0;
    if (!ParseInt(tok[1], &objId)) {
        WriteStartLog("Row with an invalid objId skipped: ", NOLINEEND);
        WriteStartLog(tok[1]);
        return 1;
    }
    if (myGlobs.xObjectCount >= MAXXOBJECTS || !myGlobs.xObjects) {
        WriteStartLog("Too many X objects, row skipped: ", NOLINEEND);
        WriteStartLogInt(objId);
        return 1;
    }

    const char* fileName = tok[2];
    float scale = strtof(tok[3], nullptr);
    char displayName[TOKENLEN];
    CopyText(displayName, sizeof displayName, tok[4]);
    const char* tableName = texts.GetObjectName(objId);
    if (tableName && tableName[0]) CopyText(displayName, sizeof displayName, tableName);
    int type = DetObjType(tok[0]);
    WriteStartLog("");
    WriteStartLog("- ", NOLINEEND);
    WriteStartLog(fileName);

    char path2[PATHLEN];
    JoinStrings(path2, sizeof path2, XFILEFOLDER, fileName);
    XOBJECT& slot = myGlobs.xObjects[myGlobs.xObjectCount];
    int loaded = 1;

    if (type == ENGINE_TYPE || type == CWAGON_TYPE || type == PWAGON_TYPE) {
        float v = strtof(tok[6], nullptr);
        float animValue = v <= 100.0f ? v : 0.0f;
        float length2 = v > 100.0f ? (v - 100.0f) * scale : -1.0f;
        int param = LeadingInt(tok[7]);
        int traction = LeadingInt(tok[8]);
        bool animated = IsObjIdIn1250Group(objId) != 0;
        slot.Setup(fileName, displayName, type, objId, scale, static_cast<int>(animValue), param, ".", ".", 0, 0,
                   tok[5], traction, animated ? 1 : 0, length2);
        if (animated)
            loaded = axobjectList.AddOneAXObject(path2, displayName, objId, scale, animValue, param, "", "",
                                                 0xFFFFFFFFu, 0xFFFFFFFFu);
    } else {
        unsigned int c1 = ParseColour(tok[7]);
        unsigned int c2 = ParseColour(tok[8]);
        int mode = 0;
        if (StartsWith(fileName, "anmc_"))
            mode = 2;
        else if (StartsWith(fileName, "anmf_"))
            mode = 3;
        else if (StartsWith(fileName, "anm"))
            mode = 1;
        slot.Setup(fileName, displayName, type, objId, scale, 0, 0, tok[5], tok[6], c1, c2, "NOREF", 0,
                   mode != 0 ? 1 : 0, -1.0f);
        slot.animMode = mode;
        if (mode != 0)
            loaded = axobjectList.AddOneAXObject(path2, displayName, objId, scale, 0.0f, 0, tok[5], tok[6], c1, c2);
    }

    if (!loaded) {
        WriteStartLog("X file load error!!!");
        // The slot is reused by the next row: nothing may still point at it.
        if (objId >= 0 && objId < MAXIDS && myGlobs.xIdTable && myGlobs.xIdTable[objId] == myGlobs.xObjectCount)
            myGlobs.xIdTable[objId] = -1;
        slot.Release();
    } else {
        WriteStartLog("X file successfully loaded...");
        ++myGlobs.xObjectCount;
    }
    return 1;
}

// ---------------------------------------------------------------------------
// The objId -> X_ID table

namespace {
// Ids whose miss has been written to the start log since the table or the
// layout last changed: callers ask every frame, the log wants the id once.
// The last slot stands for every id outside the table.
std::bitset<MAXIDS + 1> missLogged;
}  // namespace

void ClearIdTable() {
    missLogged.reset();
    if (!myGlobs.xIdTable) return;
    for (int i = 0; i < MAXIDS; ++i) myGlobs.xIdTable[i] = -1;
}

void ResetXIDMissLog() { missLogged.reset(); }

void SetXID(int objId, int xid) {
    if (!myGlobs.xIdTable || objId < 0 || objId >= MAXIDS) return;
    myGlobs.xIdTable[objId] = xid;
}

void BuildIdTable() {
    WriteStartLog("Building ID table...");
    ClearIdTable();
    int count = myGlobs.xObjectCount;
    if (count > MAXXOBJECTS) count = MAXXOBJECTS;
    for (int i = 0; i < count; ++i) {
        int objId = myGlobs.xObjects[i].objId;
        if (objId < 0 || objId >= MAXIDS) {
            WriteStartLog("objId out of the ID table skipped: ", NOLINEEND);
            WriteStartLogInt(objId);
            continue;
        }
        SetXID(objId, i);
    }
    WriteStartLog("Build executed...");
}

int GetXID(int objId, int log) {
    int xid = -1;
    if (myGlobs.xIdTable && objId >= 0 && objId < MAXIDS) xid = myGlobs.xIdTable[objId];
    if (xid < 0 || xid >= MAXXOBJECTS) xid = -1;
    const size_t slot = (objId >= 0 && objId < MAXIDS) ? static_cast<size_t>(objId) : MAXIDS;
    if (xid == -1 && log && !missLogged.test(slot)) {
        missLogged.set(slot);
        char text[80];
        snprintf(text, sizeof text, "No X_ID found to the ID: %d !!!", objId);
        WriteStartLog(text);
    }
    return xid;
}

// ---------------------------------------------------------------------------
// Per-objId accessors

int GetObjRadius(int objId, float* radius) {
    XOBJECT* x = FindType(objId);
    if (!x) return -1;
    if (radius) *radius = x->sphereRadius;
    return 0;
}

int GetObjHalfLength(int objId, float* out) {
    XOBJECT* x = FindType(objId);
    if (!x) return -1;
    if (out) *out = x->halfLength;
    return 0;
}

void GetObjSize(int objId, float* size) {
    XOBJECT* x = FindType(objId);
    if (x) x->GetSize(size);
}

int GetObjSphereCenter(int objId, D3DXVECTOR3* centre) {
    XOBJECT* x = FindType(objId);
    if (!x) return -1;
    if (centre) *centre = x->sphereCentre;
    return 0;
}

void GetObjBoxMin(int objId, D3DXVECTOR3* out) {
    XOBJECT* x = FindType(objId);
    if (x && out) *out = x->boxMin;
}

void GetObjBoxMax(int objId, D3DXVECTOR3* out) {
    XOBJECT* x = FindType(objId);
    if (x && out) *out = x->boxMax;
}

void GetObjName(int objId, char* out, int outSize) {
    if (!out || outSize <= 0) return;
    XOBJECT* x = FindType(objId);
    CopyText(out, outSize, x ? x->name : "");
}

int GetObjPoint(int objId, int n, D3DXVECTOR3* out) {
    XOBJECT* x = FindType(objId);
    return x ? x->GetPoint(n, out) : 0;
}

int GetObjTraction(int objId) {
    XOBJECT* x = FindType(objId);
    return x ? x->traction : 22;
}

int GetObjVehicleParam(int objId, int* out) {
    XOBJECT* x = FindType(objId);
    if (!x) return -1;
    if (out) *out = x->vehicleParam;
    return x->vehicleParam;
}

int GetObjType(int objId, int* out) {
    XOBJECT* x = FindType(objId);
    if (!x) return -1;
    if (out) *out = x->type;
    return x->type;
}

int GetObjLightColour(int objId, int* out) {
    XOBJECT* x = FindType(objId);
    if (!x) return -1;
    if (out) *out = x->lampColour;
    return x->lampColour;
}

int GetObjAnimMode(int objId) {
    XOBJECT* x = FindType(objId);
    return x ? x->animMode : 0;
}

int HasObjColour1Texture(int objId) {
    XOBJECT* x = FindType(objId);
    return x ? x->hasColour1 : 0;
}

int HasObjColour2Texture(int objId) {
    XOBJECT* x = FindType(objId);
    return x ? x->hasColour2 : 0;
}

unsigned int GetObjColour1(int objId) {
    XOBJECT* x = FindType(objId);
    return x ? x->colour1 : 0xFFFFFFFFu;
}

unsigned int GetObjColour2(int objId) {
    XOBJECT* x = FindType(objId);
    return x ? x->colour2 : 0xFFFFFFFFu;
}

int GetObjHasSound(int objId) {
    XOBJECT* x = FindType(objId);
    return x ? x->hasSound : 0;
}

int GetObjSoundId(int objId) {
    XOBJECT* x = FindType(objId);
    return x ? x->soundId : 0;
}

int HasObjControl(int objId) {
    int xid = GetXID(objId, 0);
    if (!ValidXID(xid)) return 0;
    return myGlobs.xObjects[xid].controlCode != -1 ? 1 : 0;
}

void ParseLightPosition(const char* token, int* flag, float* offset) {
    int f = 1;
    float o = -0.45f;
    if (token && strcmp(token, "-") != 0) {
        // "LPOS", three characters of number, one flag character. A short
        // token reads what it has: no digits give 0, no flag character 1.
        char number[4] = {};
        size_t len = strnlen(token, 64);
        for (size_t i = 0; i < 3 && 4 + i < len; ++i) number[i] = token[4 + i];
        o = -strtof(number, nullptr);
        f = (len > 7 && token[7] == 'N') ? 0 : 1;
    }
    if (flag) *flag = f;
    if (offset) *offset = o;
}

int GetObjLightPosition(int objId, int* flag, float* offset) {
    XOBJECT* x = FindType(objId);
    if (!x) return 0;
    ParseLightPosition(x->lightPosition, flag, offset);
    return 1;
}

int LockObjMesh(int objId, XVERTEX** vertices, int* vertexCount, WORD** indices, int* faceCount) {
    XOBJECT* x = FindType(objId);
    if (!x) return 0;
    return x->LockMesh(vertices, vertexCount, indices, faceCount);
}

int UnlockObjMesh(int objId) {
    XOBJECT* x = FindType(objId);
    if (!x) return -1;
    x->UnlockMesh();
    return 0;
}

int GetObjTypeById(int objId) {
    int xid = GetXID(objId, 0);
    return ValidXID(xid) ? myGlobs.xObjects[xid].type : DUMMY_TYPE;
}

int GetObjTerrainFlag(int objId) {
    int xid = GetXID(objId, 0);
    return ValidXID(xid) ? myGlobs.xObjects[xid].useAngleXZ : 0;
}

int IsObjIdIn3800Group(int objId) { return objId >= 3800 && objId <= 3899; }
int IsObjIdIn1250Group(int objId) { return objId >= 1250 && objId <= 1299; }

// ---------------------------------------------------------------------------
// Drawing by objId

int DetBlinkXID(int xid, int time) {
    if (!ValidXID(xid)) return xid;
    const XOBJECT& x = myGlobs.xObjects[xid];
    // A period of 0 or a blinker without a next type shows itself.
    if (!x.blinker || x.blinkPeriod <= 0 || !ValidXID(xid + 1)) return xid;
    int phase = time % x.blinkPeriod;
    if (phase < 0) phase += x.blinkPeriod;
    return 2 * phase > x.blinkPeriod ? xid + 1 : xid;
}
