// The one settings-and-state object of the program.
#pragma once

#include "platform/win32.h"
#include "world/xobject.h"

struct D3DXVECTOR3;
struct ID3DXMesh;
class TRAIN;

constexpr int MAXFOUNDFILES = 255;
constexpr int FOUNDFILENAMELEN = 256;
constexpr int MAXCMDTOKENS = 32;
constexpr int CMDTOKENLEN = 32;
constexpr int PENDINGKEY_NONE = 176;

class MYGLOBS {
public:
    MYGLOBS();
    ~MYGLOBS();
    MYGLOBS(const MYGLOBS&) = delete;
    MYGLOBS& operator=(const MYGLOBS&) = delete;

    void ReadCommandLine(const char* commandLine);
    void GetCmdParam(char letter, char* value, int valueSize = CMDTOKENLEN) const;
    void LoadEngineSpots();
    void ReadEngineSpotFile(const char* baseName);
    int GetEngineSpot(int objId, D3DXVECTOR3* point);
    ID3DXMesh* FindReferenceMesh(int objId);

    // Set the defaults and read the settings file again (tests).
    void Reinitialise();

    // --- members read directly by the rest of the program ---
    int pendingKey = 0;  // the last typed character; PENDINGKEY_NONE = none
    int journeyMode = 0;
    int freeCamera = 1;
    TRAIN* journeyTrain = nullptr;
    int quit = 0;
    int running = 0;
    int appActive = 1;
    int xObjectCount = 0;
    XOBJECT* xObjects = nullptr;  // MAXXOBJECTS records
    char foundFiles[MAXFOUNDFILES][FOUNDFILENAMELEN] = {};
    int foundFileCount = 0;
    char chosenFileName[FOUNDFILENAMELEN] = {};
    int* xIdTable = nullptr;  // MAXIDS entries, objId to X_ID, -1 none
    int keyEnter = 0;
    int keyTab = 0;
    int keyTabPressed = 0;
    int keyX = 0;
    float dolesszog = 1.15f;
    float magassag = 3.0f;
    float tavolsag = 4.2f;
    float oldalszog = 0.26f;
    float ralatas = 30.0f;
    int frameCounter = 0;
    int sceneVisible = 0;
    int renderWireframe = 0;
    int showFramerate = 0;
    int forceSWRender = 0;
    int groundTextures = 0;
    int drawControlInfo = 0;
    int reverseCamera = 0;
    int complexWater = 0;
    float maxAscent = 0.1f;
    int useSignType = 0;
    char title[64] = {};
    int loadFileVersion = 0;
    int firstEdition = 1;
    int secondEdition = 0;
    char xListExtension[16] = {};
    char plantTextureName[32] = {};
    int cmdTokenCount = 0;
    char cmdTokens[MAXCMDTOKENS][CMDTOKENLEN] = {};

    // Object-type loader totals.
    unsigned int xVertexTotal = 0;
    unsigned int xIndexTotal = 0;
    int xListDeclaredTotal = 0;
    int xListProgress = 0;
    int drawnVertexCount = 0;
    // The interface the object-type loader keeps for its whole run.
    IUnknown* xLoaderInterface = nullptr;

    // Crash state of the railway.
    int crashState = 0;
    TRAIN* crashedTrain = nullptr;
    TRAIN* triggeringTrain = nullptr;

private:
    void SetDefaults();
    void ReadSettings();
};

extern MYGLOBS myGlobs;

// Reads one key of the settings file: type 0 float, 1 int, 2 word ("TRUE" = 1).
void ReadParameter(const char* key, void* value, int type);
int XObjectExists(int objId, int log);
void ReleaseGlobals();
void ReleaseXObjects();
