// Helpers shared by the sound manager's files: list tokens and frequency
// limits.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Reads the next whitespace-separated token; false at the end of the file.
// Tokens longer than 1023 characters are cut there (the rest is skipped), so
// they still count as too long for every name field.
bool ReadListToken(FILE* f, std::string* token);

// The list file names found for a pattern: FindFiles' rows with the cut
// extension put back (suffix "list" for ".list" patterns, ".txt" for text
// lists).
std::vector<std::string> FoundListFiles(const char* pattern, const char* suffix);

// A frequency in Hz limited to what a sound buffer accepts (100..100000);
// a value that is not a number gives 22050.
int ClampSoundFrequency(double hz);
