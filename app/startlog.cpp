#include "app/startlog.h"

#include <cstdio>
#include <cstring>
#include "platform/paths.h"

namespace {
bool firstCall = true;
// A plain array, not a string object: global destructors still write their
// last lines after every other static has gone.
char logName[256] = "startlog.txt";
}  // namespace

void ResetStartLogForTest(const char* fileName) {
    firstCall = true;
    CopyText(logName, sizeof logName, fileName ? fileName : "startlog.txt");
}

void WriteStartLog(const char* text, int number) {
    FILE* f = plat::OpenFile(logName, firstCall ? "wb" : "ab");
    firstCall = false;
    if (!f) return;  // a log that cannot be opened drops the line
    if (text) fwrite(text, 1, strlen(text), f);
    if (number >= 0) fprintf(f, " %d", number);
    if (number != NOLINEEND) {
        static const char lineEnd[3] = {'\r', '\n', '\0'};
        fwrite(lineEnd, 1, 3, f);
    }
    fclose(f);
}

void WriteStartLogInt(int value, int number) {
    char buf[32];
    snprintf(buf, sizeof buf, "%d", value);
    WriteStartLog(buf, number);
}

void WriteStartLogFloat(float value, int number) {
    char buf[64];
    snprintf(buf, sizeof buf, "%f", value);
    WriteStartLog(buf, number);
}

void TraceText(const char*) {}

int ReplaceChar(char* text, char from, char to) {
    if (!text) return 0;
    int n = 0;
    for (; text[n]; ++n)
        if (text[n] == from) text[n] = to;
    return n;
}

void CopyText(char* dst, int size, const char* src) {
    if (!dst || size <= 0) return;
    if (!src) src = "";
    size_t n = strnlen(src, static_cast<size_t>(size - 1));
    memcpy(dst, src, n);
    dst[n] = 0;
}

void JoinStrings(char* out, int outSize, const char* first, const char* a, const char* b, const char* c,
                 const char* d, const char* e) {
    if (!out || outSize <= 0) return;
    CopyText(out, outSize, first);
    for (const char* part : {a, b, c, d, e}) {
        if (!part) continue;
        size_t len = strlen(out);
        CopyText(out + len, outSize - static_cast<int>(len), part);
    }
}

void PadString(char* text, int bufSize, int length, char ch) {
    if (!text || bufSize <= 0) return;
    if (length > bufSize - 1) length = bufSize - 1;
    int len = static_cast<int>(strnlen(text, static_cast<size_t>(bufSize)));
    while (len < length) text[len++] = ch;
    if (len < bufSize) text[len] = 0;
}

const char* GetFileNamePart(const char* text) {
    if (!text || !*text) return nullptr;
    const char* slash = strrchr(text, '\\');
    return slash ? slash + 1 : text;
}
