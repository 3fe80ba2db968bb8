#include "app/texts.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "app/filesearch.h"
#include "app/startlog.h"
#include "platform/paths.h"

const char** textTable = nullptr;

TEXTS::TEXTS() { Load(); }

TEXTS::~TEXTS() { Free(); }

void TEXTS::Free() {
    delete[] buffer;
    delete[] table;
    delete[] bias;
    buffer = nullptr;
    table = nullptr;
    bias = nullptr;
    if (textTable == table) textTable = nullptr;
    entryCount = 0;
    objectNameCount = 0;
}

void TEXTS::Reload() {
    Free();
    textTable = nullptr;
    loggedBadIndex = false;
    Load();
}

void TEXTS::Load() {
    FILE* f = plat::OpenFile("texts.txt", "rb");
    if (!f) {
        WriteStartLog("Could not open texts.txt in TEXTS::TEXTS() !!!");
        LoadObjectNames();
        return;
    }
    std::vector<char> bytes;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    fclose(f);

    int hashes = 0;
    for (char c : bytes)
        if (c == '#') ++hashes;
    buffer = new (std::nothrow) char[bytes.size() + 1];
    table = new (std::nothrow) const char*[hashes > 0 ? hashes : 1];
    bias = new (std::nothrow) int[hashes > 0 ? hashes : 1];
    if (!buffer || !table || !bias) {
        delete[] buffer;
        delete[] table;
        delete[] bias;
        buffer = nullptr;
        table = nullptr;
        bias = nullptr;
        WriteStartLog("Out of memory in TEXTS::TEXTS() !!!");
        return;
    }
    for (int i = 0; i < hashes; ++i) bias[i] = 0;

    // Each entry: a label up to the first blank (ignored), the text, and the
    // line end in front of the closing '#'. The line end is CR LF or a lone LF;
    // only line-end characters are dropped, never text.
    size_t out = 0;
    bool skipping = true;
    int entry = 0;
    size_t entryStart = 0;
    for (char c : bytes) {
        if (entry >= hashes) break;
        if (skipping) {
            if (c == ' ') {
                skipping = false;
                entryStart = out;
            }
            continue;
        }
        if (c == '#') {
            size_t end = out;
            if (end > entryStart && buffer[end - 1] == '\n') --end;
            if (end > entryStart && buffer[end - 1] == '\r') --end;
            buffer[end] = 0;
            out = end + 1;
            table[entry++] = buffer + entryStart;
            skipping = true;
            continue;
        }
        buffer[out++] = c;
    }
    // Entries whose label never reached a blank before their '#' are empty.
    static const char empty[] = "";
    for (int i = entry; i < hashes; ++i) table[i] = empty;
    entryCount = hashes;
    textTable = table;
    char line[64];
    snprintf(line, sizeof line, "%d texts loaded successfully...", entryCount);
    WriteStartLog(line);

    LoadObjectNames();
    LoadBiases();
}

void TEXTS::LoadObjectNames() {
    // The text table is built before the settings object, so the search does
    // not go through the shared found-file table.
    for (const std::string& base : FindFileNames("*.otx")) {
        std::string name = base + ".otx";
        WriteStartLog("Reading object name file: ", NOLINEEND);
        WriteStartLog(name.c_str());
        FILE* f = plat::OpenFile(name.c_str(), "rb");
        if (!f) continue;
        int id;
        char word[256];
        while (fscanf(f, "%d %255s", &id, word) == 2) {
            if (objectNameCount >= MAXOBJECTNAMES) continue;
            objectIds[objectNameCount] = id;
            CopyText(objectNames[objectNameCount], 32, word);
            ++objectNameCount;
        }
        fclose(f);
    }
}

void TEXTS::LoadBiases() {
    FILE* f = plat::OpenFile("textbias.txt", "rb");
    if (!f) {
        WriteStartLog("textbias.txt file was not found...");
        return;
    }
    char word[256];
    int value;
    while (fscanf(f, "%255s %d", word, &value) == 2) {
        if (!word[0]) continue;
        char* end = nullptr;
        long index = strtol(word + 1, &end, 10);
        if (end == word + 1) continue;
        if (index >= 0 && index < entryCount) bias[index] = value;
    }
    fclose(f);
}

const char* TEXTS::Get(int index) const {
    if (!table || index < 0 || index >= entryCount) {
        if (!loggedBadIndex) {
            loggedBadIndex = true;
            WriteStartLog("Text table entry not found: ", index);
        }
        return "";
    }
    return table[index];
}

const char* TEXTS::GetObjectName(int objId) const {
    for (int i = 0; i < objectNameCount; ++i)
        if (objectIds[i] == objId) return objectNames[i];
    return "";
}

int TEXTS::GetTextBias(const char* text) const {
    if (!table || !text) return 0;
    for (int i = 0; i < entryCount; ++i)
        if (table[i] == text) return bias[i];
    return 0;
}
