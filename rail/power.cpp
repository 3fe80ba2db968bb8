// Power feed points and the spread of their power over the track.
#include "rail/power.h"

#include <cstring>
#include <new>

#include "app/messagequeue.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "rail/control.h"
#include "rail/layoutfile.h"
#include "rail/layoutstate.h"
#include "rail/manualcontrol.h"
#include "rail/track.h"

using namespace recordio;

namespace {
int ClampValue(int v) { return v < -10 ? -10 : (v > 10 ? 10 : v); }
} // namespace

int PowerValueFromSlider(int slider) { return (slider * 10 - 500) / 50; }

void POWER_NODE::Init(int defValue, int curValue, const char* newName, int inTable) {
    defaultValue = ClampValue(defValue);
    currentValue = ClampValue(curValue);
    CopyText(name, POWERNAMELEN, newName ? newName : "");
    bInTable = inTable;
}

void POWER_NODE::GetInfo(int* defValue, char* nameOut, int* inTable) const {
    if (defValue) *defValue = defaultValue;
    if (nameOut) CopyText(nameOut, POWERNAMELEN, name);
    if (inTable) *inTable = bInTable;
}

void POWER_NODE::SetValue(int selector, int value) { currentValue = (selector == 1) ? defaultValue : ClampValue(value); }

void POWER_NODE::ToggleValue(int selector, int value) {
    if (currentValue != 0) currentValue = 0;
    else SetValue(selector, value);
}

void POWER_NODE::SetFromSliderPercent(int percent) { currentValue = ClampValue((percent - 50) / 5); }

void POWER_NODE::Propagate() {
    if (pTrack) trackList.PropagatePower(this, pTrack);
}

void POWER_NODE::WriteRecord(unsigned char out[POWERRECORDSIZE]) const {
    std::memset(out, 0, POWERRECORDSIZE);
    PutText(out + 8, name, POWERNAMELEN);
    PutInt(out + 72, defaultValue);
    PutInt(out + 76, currentValue);
    PutInt(out + 84, trackId);
    PutInt(out + 88, seqId);
    PutInt(out + 92, bInTable);
}

void POWER_NODE::ReadRecord(const unsigned char in[POWERRECORDSIZE]) {
    pPrev = pNext = nullptr;
    GetText(name, in + 8, POWERNAMELEN);
    defaultValue = GetInt(in + 72);
    currentValue = GetInt(in + 76);
    pTrack = nullptr;
    trackId = GetInt(in + 84);
    seqId = GetInt(in + 88);
    bInTable = GetInt(in + 92);
}

// ---------------------------------------------------------------------------

POWER_LIST::POWER_LIST() {}

POWER_LIST::~POWER_LIST() {
    while (pHead) {
        POWER_NODE* n = pHead;
        pHead = n->pNext;
        delete n;
    }
    pTail = nullptr;
}

void POWER_LIST::Append(POWER_NODE* node) {
    node->pNext = nullptr;
    node->pPrev = pTail;
    if (pTail) pTail->pNext = node;
    else pHead = node;
    pTail = node;
}

int POWER_LIST::GetCount() const {
    int n = 0;
    for (POWER_NODE* p = pHead; p; p = p->pNext) n++;
    return n;
}

POWER_NODE* POWER_LIST::AddNew(int defValue, const char* name, int inTable) {
    POWER_NODE* node = new (std::nothrow) POWER_NODE;
    if (!node) {
        WriteStartLog("Out of memory in POWER_LIST::AddNew()");
        return nullptr;
    }
    node->Init(defValue, defValue, name, inTable);
    Append(node);
    return node;
}

POWER_NODE* POWER_LIST::CreateFeedPoint(TRACK* p, int slider, const char* name, int inTable) {
    if (!p) return nullptr;
    int def = PowerValueFromSlider(slider);
    if (p->pOwnNode) {
        POWER_NODE* n = p->pOwnNode;
        n->Init(def, n->currentValue, name, inTable);
        return n;
    }
    POWER_NODE* n = AddNew(def, name, inTable);
    if (!n) return nullptr;
    n->pTrack = p;
    p->pOwnNode = n;
    p->pFeedNode = n;
    n->Propagate();
    manualControlTable.SetControl(0, n, inTable);
    return n;
}

void POWER_LIST::RemoveNode(POWER_NODE* node) {
    if (!node) return;
    if (node->pTrack && node->pTrack->pOwnNode == node) node->pTrack->pOwnNode = nullptr;
    // No piece may keep pointing at the freed node.
    for (TRACK* t = trackList.GetFirst(); t; t = t->pNext) {
        if (t->pOwnNode == node) t->pOwnNode = nullptr;
        if (t->pFeedNode == node) {
            t->pFeedNode = nullptr;
            t->powerValue = 0;
        }
    }
    if (layoutState.pTargetNode == node) layoutState.pTargetNode = nullptr;
    controlList.RemoveControlsOfNode(node);
    manualControlTable.SetControl(0, node, 0);
    if (node->pPrev) node->pPrev->pNext = node->pNext;
    else pHead = node->pNext;
    if (node->pNext) node->pNext->pPrev = node->pPrev;
    else pTail = node->pPrev;
    delete node;
}

void POWER_LIST::RemoveAll() {
    while (pHead) RemoveNode(pHead);
}

void POWER_LIST::UpdatePower() {
    for (TRACK* t = trackList.GetFirst(); t; t = t->pNext) {
        t->pFeedNode = nullptr;
        t->pOwnNode = nullptr;
        t->powerValue = 0;
    }
    POWER_NODE* n = pHead;
    while (n) {
        POWER_NODE* next = n->pNext;
        TRACK* feed = n->pTrack;
        if (!feed) {
            RemoveNode(n);
        } else if (feed->pFeedNode) {
            // The feed piece is already powered by an earlier feed point.
            messageQueue.AddMessage(texts.Get(7));
            feed->pOwnNode = n;
            RemoveNode(n);
        } else {
            feed->pOwnNode = n;
            trackList.PropagatePower(n, feed);
        }
        n = next;
    }
}

POWER_NODE* POWER_LIST::FindById(int seqId) const {
    for (POWER_NODE* n = pHead; n; n = n->pNext)
        if (n->seqId == seqId) return n;
    return nullptr;
}

void POWER_LIST::MakePowerName(char* out) {
    char text[16];
    std::snprintf(text, sizeof(text), "P%d", nextNumber);
    CopyText(out, POWERNAMELEN, text);
    if (nextNumber >= 9998) nextNumber = 1;
    else nextNumber++;
}

void POWER_LIST::NumberNodes() {
    for (POWER_NODE* n = pHead; n; n = n->pNext) n->seqId = saveCounter.Next();
}

void POWER_LIST::SaveOwnerIds() {
    for (POWER_NODE* n = pHead; n; n = n->pNext) n->trackId = n->pTrack ? n->pTrack->id : 0;
}

int POWER_LIST::Save(FILE* file) {
    if (!file) return 0;
    unsigned char word[4];
    PutInt(word, GetCount());
    if (std::fwrite(word, 4, 1, file) != 1) return 0;
    unsigned char rec[POWERRECORDSIZE];
    for (POWER_NODE* n = pHead; n; n = n->pNext) {
        n->WriteRecord(rec);
        if (std::fwrite(rec, POWERRECORDSIZE, 1, file) != 1) return 0;
    }
    PutInt(word, nextNumber);
    return std::fwrite(word, 4, 1, file) == 1;
}

int POWER_LIST::Load(FILE* file) {
    if (!file) return 0;
    unsigned char word[4];
    if (std::fread(word, 4, 1, file) != 1) {
        WriteStartLog("Power section missing in POWER_LIST::Load()");
        return 0;
    }
    int count = GetInt(word);
    if (count < 0) {
        WriteStartLog("Bad power feed point count in POWER_LIST::Load():", count);
        return 0;
    }
    unsigned char rec[POWERRECORDSIZE];
    for (int i = 0; i < count; i++) {
        if (std::fread(rec, POWERRECORDSIZE, 1, file) != 1) {
            WriteStartLog("Power section ends early in POWER_LIST::Load(), records read:", i);
            return 0;
        }
        POWER_NODE tmp;
        tmp.ReadRecord(rec);
        // A node whose piece does not resolve goes with the fix-ups.
        const int defaultValue = tmp.defaultValue, currentValue = tmp.currentValue;
        tmp.defaultValue = ClampValue(tmp.defaultValue);
        tmp.currentValue = ClampValue(tmp.currentValue);
        if (!IsTextTerminated(rec + 8, POWERNAMELEN) || tmp.defaultValue != defaultValue ||
            tmp.currentValue != currentValue)
            WriteStartLog("Power feed point record repaired in POWER_LIST::Load():", i);
        POWER_NODE* n = new (std::nothrow) POWER_NODE;
        if (!n) {
            WriteStartLog("Out of memory in POWER_LIST::Load()");
            return 0;
        }
        *n = tmp;
        Append(n);
    }
    if (std::fread(word, 4, 1, file) != 1) {
        WriteStartLog("Power name counter missing in POWER_LIST::Load()");
        return 0;
    }
    int number = GetInt(word);
    nextNumber = (number >= 1 && number <= 9998) ? number : 1;
    return 1;
}

void POWER_LIST::RestoreOwners() {
    for (POWER_NODE* n = pHead; n; n = n->pNext) n->pTrack = n->trackId ? trackList.FindById(n->trackId) : nullptr;
}
