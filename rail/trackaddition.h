// Track additions: small records attached to track pieces; type 1 draws an
// object on its piece.
#pragma once

#include <cstdio>

struct TRACK;

constexpr int TRACKADDITIONRECORDSIZE = 36;

struct TRACKADDITION {
    TRACKADDITION* pBack = nullptr;
    TRACKADDITION* pForward = nullptr;
    int type = 0;
    TRACK* pTrack = nullptr;
    int trackId = 0;
    int value1 = 0;
    int reserved = 0;
    int value2 = 0;
    int value3 = 0;

    void Init(int newType, TRACK* p, int v1, int v2, int v3);
    int Update() { return 1; }
    void Render();
    void WriteRecord(unsigned char out[TRACKADDITIONRECORDSIZE]) const;
    void ReadRecord(const unsigned char in[TRACKADDITIONRECORDSIZE]);
};

class TRACKADDITION_LIST {
public:
    TRACKADDITION_LIST();
    ~TRACKADDITION_LIST();
    TRACKADDITION_LIST(const TRACKADDITION_LIST&) = delete;
    TRACKADDITION_LIST& operator=(const TRACKADDITION_LIST&) = delete;

    TRACKADDITION* AddNew();
    int HasAddition(const TRACK* p) const;
    void RemoveOfTrack(const TRACK* p, int type);
    void RemoveAll();
    void UpdateAll();
    void RenderAll();
    void SaveIds();
    int Save(FILE* file);
    int Load(FILE* file);
    void RestoreLinks();
    TRACKADDITION* GetFirst() const { return pHead; }
    int GetCount() const;

private:
    void Unlink(TRACKADDITION* a);
    TRACKADDITION* pHead = nullptr;
};

extern TRACKADDITION_LIST trackAdditionList;

// Allocates a record at the head of the list; null when out of memory.
TRACKADDITION* AddTrackAddition();
