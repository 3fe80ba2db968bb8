#include "rail/idpool.h"

#include <new>

#include "app/startlog.h"
#include "rail/track.h"

ID_POOL::ID_POOL() {}

ID_POOL::~ID_POOL() { Reset(); }

int ID_POOL::AssignId(TRACK* p) {
    // The largest id is kept up to date so that a new id costs no walk over the
    // pool; after a free of the largest id the walk finds the new one.
    int id = largest + 1;
    if (id < 1) id = 1;
    ID_NODE* node = new (std::nothrow) ID_NODE;
    if (!node) {
        WriteStartLog("Out of memory in ID_POOL::AssignId()");
    } else {
        node->id = id;
        node->pNext = pHead;
        if (pHead) pHead->pPrev = node;
        pHead = node;
        count++;
        largest = id;
    }
    if (p) p->groupId = id;
    return id;
}

void ID_POOL::FreeId(int id) {
    for (ID_NODE* n = pHead; n; n = n->pNext) {
        if (n->id != id) continue;
        if (n->pPrev) n->pPrev->pNext = n->pNext;
        else pHead = n->pNext;
        if (n->pNext) n->pNext->pPrev = n->pPrev;
        delete n;
        count--;
        if (id == largest) {
            largest = 0;
            for (ID_NODE* m = pHead; m; m = m->pNext)
                if (m->id > largest) largest = m->id;
        }
        return;
    }
}

void ID_POOL::Reset() {
    while (pHead) {
        ID_NODE* n = pHead;
        pHead = n->pNext;
        delete n;
    }
    count = 0;
    largest = 0;
}

int ID_POOL::IsInUse(int id) const {
    for (ID_NODE* n = pHead; n; n = n->pNext)
        if (n->id == id) return 1;
    return 0;
}
