// Power feed points: named nodes whose value spreads from their feed piece
// over every piece reachable through joined, non-insulated ends.
#pragma once

#include <cstdio>

struct TRACK;

constexpr int POWERRECORDSIZE = 96;
constexpr int POWERNAMELEN = 64;

// A power feed point. The layout file keeps it as a 96-byte record in the
// field order below (links as 4-byte placeholders).
struct POWER_NODE {
    POWER_NODE* pPrev = nullptr;
    POWER_NODE* pNext = nullptr;
    char name[POWERNAMELEN] = {};
    int defaultValue = 0;
    int currentValue = 0;
    TRACK* pTrack = nullptr; // feed piece, null when it was removed
    int trackId = 0;
    int seqId = 0;
    int bInTable = 0;

    void Init(int defValue, int curValue, const char* newName, int inTable);
    void GetInfo(int* defValue, char* nameOut, int* inTable) const;
    void SetValue(int selector, int value);
    void Clear() { currentValue = 0; }
    void ToggleValue(int selector, int value);
    int GetSliderPercent() const { return currentValue * 5 + 50; }
    void SetFromSliderPercent(int percent);
    void Propagate();

    void WriteRecord(unsigned char out[POWERRECORDSIZE]) const;
    void ReadRecord(const unsigned char in[POWERRECORDSIZE]);
};

// Default value of a new feed point from the 0..100 slider of the power window.
int PowerValueFromSlider(int slider);

class POWER_LIST {
public:
    POWER_LIST();
    ~POWER_LIST();
    POWER_LIST(const POWER_LIST&) = delete;
    POWER_LIST& operator=(const POWER_LIST&) = delete;

    POWER_NODE* AddNew(int defValue, const char* name, int inTable);
    // Creates or re-initialises the feed point of a piece (the power window's
    // confirm), spreading its power when it is new.
    POWER_NODE* CreateFeedPoint(TRACK* p, int slider, const char* name, int inTable);
    void UpdatePower();
    void RemoveNode(POWER_NODE* node);
    void RemoveAll();
    POWER_NODE* FindById(int seqId) const;
    void MakePowerName(char* out);
    void SetNameCounter(int v) { nextNumber = v; }
    int GetNameCounter() const { return nextNumber; }

    void NumberNodes();
    void SaveOwnerIds();
    int Save(FILE* file);
    int Load(FILE* file);
    void RestoreOwners();
    int IsEmpty() const { return pHead == nullptr; }
    POWER_NODE* GetFirst() const { return pHead; }
    int GetCount() const;

private:
    void Append(POWER_NODE* node);

    POWER_NODE* pHead = nullptr;
    POWER_NODE* pTail = nullptr;
    int reserved1 = 0;
    int reserved2 = 0;
    int nextNumber = 1;
};

extern POWER_LIST powerList;
