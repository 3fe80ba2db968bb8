#include "app/filesearch.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "platform/win32.h"
#include "gfx/texturemanager.h"
#include "rail/track.h"
#include "ui/window.h"
#include "world/terrain.h"
#include "world/xobject.h"

std::vector<std::string> FindFileNames(const char* pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name(data.cFileName);
        if (name.size() >= 4) name.resize(name.size() - 4);
        if (name.size() >= FOUNDFILENAMELEN) name.resize(FOUNDFILENAMELEN - 1);
        names.push_back(name);
    } while (static_cast<int>(names.size()) < MAXFOUNDFILES && FindNextFileA(find, &data));
    FindClose(find);
    // Plain byte-wise order: upper case sorts before lower case.
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return strcmp(a.c_str(), b.c_str()) < 0; });
    return names;
}

void FindFiles(const char* pattern) {
    myGlobs.foundFileCount = 0;
    for (const std::string& n : FindFileNames(pattern)) CopyText(myGlobs.foundFiles[myGlobs.foundFileCount++], FOUNDFILENAMELEN, n.c_str());
}

void CopyFoundFileName(int row) {
    if (row < 0 || row >= myGlobs.foundFileCount) {
        myGlobs.chosenFileName[0] = 0;
        return;
    }
    CopyText(myGlobs.chosenFileName, FOUNDFILENAMELEN, myGlobs.foundFiles[row]);
}

void FillFileList(WINDOW* window, int itemId) {
    InitWinList(window, itemId, WINLIST_TEXT, 0);
    for (int i = 0; i < myGlobs.foundFileCount && i < MAXFOUNDFILES; ++i)
        AddWinListRow(window, itemId, myGlobs.foundFiles[i], i, 0xFFFFFFFF);
}

void FillObjectTypeList(WINDOW* window, int itemId, int firstType, int secondType, int thirdType) {
    if (firstType == TRACK_TYPE) {
        trackList.FillTypeList(window, itemId);
        return;
    }
    InitWinList(window, itemId, WINLIST_XOBJECT, 0);
    if (!myGlobs.xObjects) return;
    for (int i = 0; i < myGlobs.xObjectCount && i < MAXXOBJECTS; ++i) {
        const int type = myGlobs.xObjects[i].GetType();
        if (type == firstType || (secondType != DUMMY_TYPE && type == secondType) ||
            (thirdType != DUMMY_TYPE && type == thirdType))
            AddWinListObjectRow(window, itemId, i, myGlobs.xObjects[i].GetObjId());
    }
    RestoreWinListScroll(window, itemId);
}

void FillTerrainTextureList(WINDOW* window, int itemId) {
    InitWinList(window, itemId, WINLIST_IMAGE, 0);
    int count = myGlobs.groundTextures;
    if (count < 52) count = 52;
    if (count >= 64) count = 63;
    for (int i = 0; i < count; ++i) {
        float uMin, uMax, vMin, vMax;
        TERRAIN2::GetTextureUV(i, 0.0f, 0.0f, &uMin, &uMax, &vMin, &vMax);
        AddWinListImageRow(window, itemId, uMin, vMin, uMax, vMax, i, GTEX_TERRAIN);
    }
}
