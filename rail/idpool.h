// Group ids of joined track: every run of joined pieces shares one id.
#pragma once

#include <map>

struct TRACK;

struct ID_NODE {
    ID_NODE* pNext = nullptr;
    ID_NODE* pPrev = nullptr;
    int id = 0;
};

class ID_POOL {
public:
    ID_POOL();
    ~ID_POOL();
    ID_POOL(const ID_POOL&) = delete;
    ID_POOL& operator=(const ID_POOL&) = delete;

    // A new id (the largest in the pool + 1, at least 1) into the piece's
    // group id; the id is put at the head of the pool. Returns the id.
    int AssignId(TRACK* p);
    void FreeId(int id);
    void Reset();
    int IsInUse(int id) const;
    int GetCount() const { return count; }

private:
    ID_NODE* pHead = nullptr;
    // The nodes by id, so that a free and the search for the largest id cost
    // no walk over the pool (a connection rebuild frees one id per join).
    std::map<int, ID_NODE*> byId;
    int largest = 0;
    int count = 0;
};

extern ID_POOL idPool;
