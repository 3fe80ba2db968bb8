#include "app/myglobs.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/filesearch.h"
#include "app/recordio.h"
#include "app/startlog.h"
#include "platform/d3dx8.h"
#include "platform/paths.h"

using recordio::ReadToken;

void ReadParameter(const char* key, void* value, int type) {
    const char* fileName = myGlobs.firstEdition ? "parameters.txt" : "qm_parameters.txt";
    FILE* f = plat::OpenFile(fileName, "rb");
    if (!f) {
        WriteStartLog("Could not open parameter file: ", NOLINEEND);
        WriteStartLog(fileName);
        return;
    }
    char token[80];
    bool found = false;
    while (ReadToken(f, token, sizeof token)) {
        if (strcmp(token, key) != 0) continue;
        char val[80];
        if (!ReadToken(f, val, sizeof val)) break;  // a key without a value leaves the default
        char* end = nullptr;
        if (type == 0) {
            float v = strtof(val, &end);
            if (end != val) {
                *static_cast<float*>(value) = v;
                found = true;
            }
        } else if (type == 1) {
            long v = strtol(val, &end, 10);
            if (end != val) {
                *static_cast<int*>(value) = static_cast<int>(v);
                found = true;
            }
        } else {
            *static_cast<int*>(value) = strcmp(val, "TRUE") == 0 ? 1 : 0;
            found = true;
        }
        break;
    }
    fclose(f);
    WriteStartLog(found ? "Parameter read: " : "Could not read parameter: ", NOLINEEND);
    WriteStartLog(key);
}

MYGLOBS::MYGLOBS() {
    xObjects = new XOBJECT[MAXXOBJECTS];
    xIdTable = new int[MAXIDS];
    for (int i = 0; i < MAXIDS; ++i) xIdTable[i] = -1;
    WriteStartLog("Used program version: ", NOLINEEND);
    WriteStartLog("Ver.: 1.5");
    SetDefaults();
    ReadSettings();
}

MYGLOBS::~MYGLOBS() {
    WriteStartLog("Releasing MYGLOBS variables...");
    if (xLoaderInterface) {
        xLoaderInterface->Release();
        xLoaderInterface = nullptr;
    }
    delete[] xObjects;
    xObjects = nullptr;
    delete[] xIdTable;
    xIdTable = nullptr;
    WriteStartLog("All MYGLOBS variables were deleted...");
}

void MYGLOBS::SetDefaults() {
    pendingKey = 0;
    journeyMode = 0;
    freeCamera = 1;
    journeyTrain = nullptr;
    quit = 0;
    running = 0;
    appActive = 1;
    dolesszog = 1.15f;
    magassag = 3.0f;
    tavolsag = 4.2f;
    oldalszog = 0.26f;
    ralatas = 30.0f;
    renderWireframe = showFramerate = forceSWRender = 0;
    groundTextures = 0;
    drawControlInfo = 0;
    reverseCamera = complexWater = 0;
    maxAscent = 0.1f;
    useSignType = 0;
    firstEdition = 1;
    secondEdition = 0;
    CopyText(xListExtension, sizeof xListExtension, secondEdition ? ".xl2" : ".xli");
    CopyText(plantTextureName, sizeof plantTextureName, secondEdition ? "plant_1.dds" : "noveny.dds");
}

void MYGLOBS::ReadSettings() {
    ReadParameter("magassag", &magassag, 0);
    ReadParameter("tavolsag", &tavolsag, 0);
    ReadParameter("dolesszog", &dolesszog, 0);
    ReadParameter("oldalszog", &oldalszog, 0);
    ReadParameter("ralatas", &ralatas, 0);
    ReadParameter("renderWireframe", &renderWireframe, 2);
    ReadParameter("showFramerate", &showFramerate, 2);
    ReadParameter("forceSWRender", &forceSWRender, 2);
    ReadParameter("groundTextures", &groundTextures, 1);
    ReadParameter("drawControlInfo", &drawControlInfo, 2);
    ReadParameter("reverseCamera", &reverseCamera, 2);
    ReadParameter("complexWater", &complexWater, 2);
    ReadParameter("maxAscent", &maxAscent, 0);
    ReadParameter("useSignType", &useSignType, 2);
    if (maxAscent > 0.1f) maxAscent = 0.1f;
    if (maxAscent < 0.01f) maxAscent = 0.01f;
    // The ground texture count from the file obeys the same limits as option g.
    if (groundTextures <= 0) groundTextures = 1;
    if (groundTextures > 64) groundTextures = 64;
    CopyText(title, sizeof title, secondEdition ? "Quillmoor" : "Velmarine!");
}

void MYGLOBS::Reinitialise() {
    SetDefaults();
    cmdTokenCount = 0;
    ReadSettings();
}

void MYGLOBS::ReadCommandLine(const char* commandLine) {
    if (!commandLine) commandLine = "";
    cmdTokenCount = 0;
    WriteStartLog("Command line parameter: ", NOLINEEND);
    WriteStartLog(commandLine);
    const char* p = commandLine;
    while (*p && cmdTokenCount < MAXCMDTOKENS) {
        while (*p && *p != '-') ++p;
        if (!*p) break;
        ++p;
        int n = 0;
        char* tok = cmdTokens[cmdTokenCount];
        while (*p && *p != ' ') {
            if (n < CMDTOKENLEN - 1) tok[n++] = *p;
            ++p;
        }
        tok[n] = 0;
        ++cmdTokenCount;
    }
    WriteStartLog("Command line parameters:");
    for (int i = 0; i < cmdTokenCount; ++i) WriteStartLog(cmdTokens[i]);
    WriteStartLog("End of command line parameters...");

    char v[CMDTOKENLEN];
    GetCmdParam('f', v);
    if (!strcmp(v, "TRUE")) showFramerate = 1;
    else if (!strcmp(v, "FALSE")) showFramerate = 0;
    GetCmdParam('g', v);
    if (strcmp(v, "NOCMDPARAM") != 0) {
        groundTextures = atoi(v);
        if (groundTextures <= 0) groundTextures = 1;
        if (groundTextures > 64) groundTextures = 64;
    }
    GetCmdParam('i', v);
    if (!strcmp(v, "TRUE")) drawControlInfo = 1;
    else if (!strcmp(v, "FALSE")) drawControlInfo = 0;
    GetCmdParam('w', v);
    if (!strcmp(v, "TRUE")) renderWireframe = 1;
    else if (!strcmp(v, "FALSE")) renderWireframe = 0;
}

void MYGLOBS::GetCmdParam(char letter, char* value, int valueSize) const {
    CopyText(value, valueSize, "NOCMDPARAM");
    for (int i = 0; i < cmdTokenCount; ++i) {
        if (cmdTokens[i][0] == letter) {
            CopyText(value, valueSize, cmdTokens[i] + 1);
            return;
        }
    }
}

void MYGLOBS::LoadEngineSpots() {
    FindFiles(firstEdition ? "enginespots*.list" : "qm_enginespots*.list");
    // ReadEngineSpotFile does no search of its own, so the table stays valid.
    int count = foundFileCount;
    for (int i = 0; i < count; ++i) {
        char name[FOUNDFILENAMELEN];
        CopyText(name, sizeof name, foundFiles[i]);
        ReadEngineSpotFile(name);
    }
}

void MYGLOBS::ReadEngineSpotFile(const char* baseName) {
    char fileName[FOUNDFILENAMELEN + 8];
    JoinStrings(fileName, sizeof fileName, baseName, "list");
    FILE* f = plat::OpenFile(fileName, "rb");
    WriteStartLog("Reading from file: ", NOLINEEND);
    WriteStartLog(fileName);
    if (!f) {
        WriteStartLog("Missing file: ", NOLINEEND);
        WriteStartLog(fileName, NOLINEEND);
        WriteStartLog(" !!!");
        return;
    }
    // Reads one spot record (points and engine spot) into out; returns false
    // when the file ends or a token cannot be read.
    auto readRecord = [f](XOBJECT* out) -> bool {
        int n = 0;
        if (fscanf(f, "%d", &n) != 1) return false;
        int stored = 0;
        bool ok = true;
        for (int k = 0; k < n; ++k) {
            float p[3];
            if (fscanf(f, "%f %f %f", &p[0], &p[1], &p[2]) != 3) {
                stored = 0;
                ok = false;
                break;
            }
            if (k < 10 && out) {
                out->points[k] = D3DXVECTOR3(p[0], p[1], p[2]);
                ++stored;
            }
        }
        if (out) out->pointCount = stored > 10 ? 10 : stored;
        if (!ok) return false;
        int m = 0;
        if (fscanf(f, "%d", &m) != 1 || m <= 0) {
            if (out) out->hasEngineSpot = 0;
            return true;
        }
        float s[3];
        if (fscanf(f, "%f %f %f", &s[0], &s[1], &s[2]) != 3) {
            if (out) out->hasEngineSpot = 0;
            return false;
        }
        if (out) {
            out->engineSpot = D3DXVECTOR3(s[0], s[1], s[2]);
            out->hasEngineSpot = 1;
        }
        return true;
    };
    int objId;
    bool go = true;
    while (go && fscanf(f, "%d", &objId) == 1) {
        bool matched = false;
        for (int i = 0; i < xObjectCount && go; ++i) {
            if (xObjects[i].GetObjId() != objId) continue;
            matched = true;
            go = readRecord(&xObjects[i]);
        }
        // An objId without a loaded type still owns its record: read it and
        // throw it away so that the next record stays aligned.
        if (!matched && go) go = readRecord(nullptr);
    }
    fclose(f);
    WriteStartLog(" ... file processed");
}

int MYGLOBS::GetEngineSpot(int objId, D3DXVECTOR3* point) {
    int xid = GetXID(objId, 1);
    if (xid < 0) return 0;
    if (point) *point = xObjects[xid].engineSpot;
    return xObjects[xid].hasEngineSpot;
}

ID3DXMesh* MYGLOBS::FindReferenceMesh(int objId) {
    for (int i = 0; i < xObjectCount; ++i) {
        XOBJECT& x = xObjects[i];
        if (x.GetObjId() != objId) continue;
        if (x.mesh) return x.mesh;
        if (x.referenceMesh) return x.referenceMesh;
    }
    return nullptr;
}

int XObjectExists(int objId, int log) { return GetXID(objId, log) != -1 ? 1 : 0; }

void ReleaseXObjects() {
    for (int i = 0; i < myGlobs.xObjectCount; ++i) myGlobs.xObjects[i].Release();
    myGlobs.xObjectCount = 0;
    WriteStartLog("ReleaseXObjects() passed...");
}

void ReleaseGlobals() {
    ReleaseXObjects();
    WriteStartLog("ReleaseGlobals() passed...");
}
