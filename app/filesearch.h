// Wildcard expansion into the shared found-file table of MYGLOBS.
#pragma once

#include <string>
#include <vector>

class WINDOW;

// The search itself, without the shared table: sorted names without their
// last four characters, at most 255.
std::vector<std::string> FindFileNames(const char* pattern);

// Fills myGlobs.foundFiles with the names matching pattern, each without its
// last four characters, sorted byte-wise; at most 255 names.
void FindFiles(const char* pattern);
// Copies row of the table into myGlobs.chosenFileName (empty when the table
// is empty or the row is out of range).
void CopyFoundFileName(int row);
void FillFileList(WINDOW* window, int itemId);
void FillObjectTypeList(WINDOW* window, int itemId, int firstType, int secondType, int thirdType);
void FillTerrainTextureList(WINDOW* window, int itemId);
