// The start log and the small shared helpers every subsystem uses.
#pragma once

// Line forms of WriteStartLog's number argument.
constexpr int NONUMBER = -1;   // the text alone on its line
constexpr int NOLINEEND = -2;  // the text without a line end: the next call continues the line

// Appends one line to "startlog.txt". The first call of a run truncates the
// file. A number of 0 or more is written after a blank.
void WriteStartLog(const char* text, int number = NONUMBER);
void WriteStartLogInt(int value, int number = NONUMBER);
void WriteStartLogFloat(float value, int number = NONUMBER);

// Consistency messages that are deliberately not recorded.
void TraceText(const char* text);

// Test hook: the next WriteStartLog truncates the file again, and the log may
// be redirected to another file name (null restores "startlog.txt").
void ResetStartLogForTest(const char* fileName = nullptr);

// Small string helpers.
int ReplaceChar(char* text, char from, char to);
// Copies first and appends each non-null further text; at most outSize - 1
// characters are written and the result is always terminated.
void JoinStrings(char* out, int outSize, const char* first, const char* a = nullptr, const char* b = nullptr,
                 const char* c = nullptr, const char* d = nullptr, const char* e = nullptr);
// Appends ch until text is exactly length characters long (bounded by bufSize).
void PadString(char* text, int bufSize, int length, char ch);
// The part of a path after its last backslash; the whole text without one;
// null for an empty text.
const char* GetFileNamePart(const char* text);

// Bounded copy that always terminates (size is the destination's size).
void CopyText(char* dst, int size, const char* src);
