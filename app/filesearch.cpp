#include "app/filesearch.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "platform/win32.h"

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

// The list-control fillers need the window toolkit; they are completed with it.
void FillFileList(WINDOW*, int) {}
void FillObjectTypeList(WINDOW*, int, int, int, int) {}
void FillTerrainTextureList(WINDOW*, int) {}
