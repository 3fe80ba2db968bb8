// The text table: every user-visible text is an entry of "texts.txt".
#pragma once

constexpr int MAXOBJECTNAMES = 1000;

class TEXTS {
public:
    TEXTS();
    ~TEXTS();
    TEXTS(const TEXTS&) = delete;
    TEXTS& operator=(const TEXTS&) = delete;

    // Entry n of the table; an empty text when the table is missing or n is
    // out of range.
    const char* Get(int index) const;
    int GetCount() const { return entryCount; }
    const char* GetObjectName(int objId) const;
    int GetTextBias(const char* text) const;

    // Reads the three files again (tests).
    void Reload();

private:
    void Load();
    void Free();
    void LoadObjectNames();
    void LoadBiases();

    char* buffer = nullptr;
    const char** table = nullptr;
    int* bias = nullptr;
    int entryCount = 0;
    int objectNameCount = 0;
    int objectIds[MAXOBJECTNAMES] = {};
    char objectNames[MAXOBJECTNAMES][32] = {};
    mutable bool loggedBadIndex = false;
};

extern TEXTS texts;

// The table as other code indexes it: textTable[n] is entry n. Null when the
// file could not be read; use TEXTS::Get for a checked read.
extern const char** textTable;
