#include "rail/idpool.h"

#include <new>

#include "app/startlog.h"
#include "rail/track.h"

ID_POOL::ID_POOL() {}

ID_POOL::~ID_POOL() { Reset(); }

int ID_POOL::AssignId(TRACK* p) {
    int id = largest + 1;
    if (id < 1) id = 1;
    ID_NODE* node = new (std::nothrow) ID_NODE;
    if (node) {
        try {
            byId[id] = node;
        } catch (const std::bad_alloc&) {
            delete node;
            node = nullptr;
        }
    }
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
    auto it = byId.find(id);
    if (it == byId.end()) return;
    ID_NODE* n = it->second;
    byId.erase(it);
    if (n->pPrev) n->pPrev->pNext = n->pNext;
    else pHead = n->pNext;
    if (n->pNext) n->pNext->pPrev = n->pPrev;
    delete n;
    count--;
    if (id == largest) largest = byId.empty() ? 0 : byId.rbegin()->first;
}

void ID_POOL::Reset() {
    while (pHead) {
        ID_NODE* n = pHead;
        pHead = n->pNext;
        delete n;
    }
    byId.clear();
    count = 0;
    largest = 0;
}

int ID_POOL::IsInUse(int id) const { return byId.count(id) ? 1 : 0; }
