// Track additions attached to pieces.
#include "rail/trackaddition.h"

#include <cstring>
#include <new>

#include "app/startlog.h"
#include "gfx/render.h"
#include "rail/track.h"

using namespace recordio;

namespace {
constexpr int ADDITION_OBJID = 108;
}

void TRACKADDITION::Init(int newType, TRACK* p, int v1, int v2, int v3) {
    if (newType != 1) {
        TraceText("Wrong type by TRACKADDITION::Init()");
        return;
    }
    type = newType;
    pTrack = p;
    value1 = v1;
    reserved = 0;
    value2 = v2;
    value3 = v3;
}

void TRACKADDITION::Render() {
    if (type != 1 || !pTrack) return;
    float h = pTrack->heading + (pTrack->kind == TRACK_CURVE ? 11.25f : 0.0f);
    DrawXObjectAt(ADDITION_OBJID, pTrack->x, pTrack->y, pTrack->z, h, pTrack->pitch, 1.0f, -1, -1, 0, 0.0f, 12, 1);
}

void TRACKADDITION::WriteRecord(unsigned char out[TRACKADDITIONRECORDSIZE]) const {
    std::memset(out, 0, TRACKADDITIONRECORDSIZE);
    PutInt(out + 8, type);
    PutInt(out + 16, trackId);
    PutInt(out + 20, value1);
    PutInt(out + 24, reserved);
    PutInt(out + 28, value2);
    PutInt(out + 32, value3);
}

void TRACKADDITION::ReadRecord(const unsigned char in[TRACKADDITIONRECORDSIZE]) {
    pBack = pForward = nullptr;
    type = GetInt(in + 8);
    pTrack = nullptr;
    trackId = GetInt(in + 16);
    value1 = GetInt(in + 20);
    reserved = GetInt(in + 24);
    value2 = GetInt(in + 28);
    value3 = GetInt(in + 32);
}

// ---------------------------------------------------------------------------

TRACKADDITION_LIST::TRACKADDITION_LIST() {}

TRACKADDITION_LIST::~TRACKADDITION_LIST() {
    while (pHead) {
        TRACKADDITION* a = pHead;
        pHead = a->pForward;
        delete a;
    }
}

TRACKADDITION* TRACKADDITION_LIST::AddNew() {
    TRACKADDITION* a = new (std::nothrow) TRACKADDITION;
    if (!a) {
        WriteStartLog("Out of memory in AddTrackAddition()");
        return nullptr;
    }
    a->pForward = pHead;
    if (pHead) pHead->pBack = a;
    pHead = a;
    return a;
}

TRACKADDITION* AddTrackAddition() { return trackAdditionList.AddNew(); }

int TRACKADDITION_LIST::GetCount() const {
    int n = 0;
    for (TRACKADDITION* a = pHead; a; a = a->pForward) n++;
    return n;
}

int TRACKADDITION_LIST::HasAddition(const TRACK* p) const {
    for (TRACKADDITION* a = pHead; a; a = a->pForward)
        if (a->type == 1 && a->pTrack == p) return 1;
    return 0;
}

void TRACKADDITION_LIST::Unlink(TRACKADDITION* a) {
    if (a->pBack) a->pBack->pForward = a->pForward;
    else pHead = a->pForward;
    if (a->pForward) a->pForward->pBack = a->pBack;
    delete a;
}

void TRACKADDITION_LIST::RemoveOfTrack(const TRACK* p, int type) {
    TRACKADDITION* a = pHead;
    while (a) {
        TRACKADDITION* next = a->pForward;
        if (a->pTrack == p && (type == 0 || a->type == type)) Unlink(a);
        a = next;
    }
}

void TRACKADDITION_LIST::RemoveAll() {
    while (pHead) Unlink(pHead);
}

void TRACKADDITION_LIST::UpdateAll() {
    for (TRACKADDITION* a = pHead; a; a = a->pForward) a->Update();
}

void TRACKADDITION_LIST::RenderAll() {
    for (TRACKADDITION* a = pHead; a; a = a->pForward) a->Render();
}

void TRACKADDITION_LIST::SaveIds() {
    for (TRACKADDITION* a = pHead; a; a = a->pForward) a->trackId = a->pTrack ? a->pTrack->id : 0;
}

int TRACKADDITION_LIST::Save(FILE* file) {
    if (!file) return 0;
    unsigned char word[4];
    PutInt(word, GetCount());
    if (std::fwrite(word, 4, 1, file) != 1) return 0;
    unsigned char rec[TRACKADDITIONRECORDSIZE];
    for (TRACKADDITION* a = pHead; a; a = a->pForward) {
        a->WriteRecord(rec);
        if (std::fwrite(rec, TRACKADDITIONRECORDSIZE, 1, file) != 1) return 0;
    }
    return 1;
}

int TRACKADDITION_LIST::Load(FILE* file) {
    if (!file) return 0;
    unsigned char word[4];
    if (std::fread(word, 4, 1, file) != 1) {
        WriteStartLog("Track addition section missing in TRACKADDITION_LIST::Load()");
        return 0;
    }
    int count = GetInt(word);
    if (count < 0) {
        WriteStartLog("Bad track addition count in TRACKADDITION_LIST::Load():", count);
        return 0;
    }
    unsigned char rec[TRACKADDITIONRECORDSIZE];
    for (int i = 0; i < count; i++) {
        if (std::fread(rec, TRACKADDITIONRECORDSIZE, 1, file) != 1) {
            WriteStartLog("Track addition section ends early in TRACKADDITION_LIST::Load(), records read:", i);
            return 0;
        }
        TRACKADDITION tmp;
        tmp.ReadRecord(rec);
        // Only type 1 can be placed; a piece that does not resolve drops the
        // addition with the fix-ups.
        if (tmp.type != 1) {
            WriteStartLog("Track addition record dropped in TRACKADDITION_LIST::Load():", i);
            continue;
        }
        TRACKADDITION* a = AddNew();
        if (!a) return 0;
        TRACKADDITION* forward = a->pForward;
        *a = tmp;
        a->pBack = nullptr;
        a->pForward = forward;
    }
    return 1;
}

void TRACKADDITION_LIST::RestoreLinks() {
    for (TRACKADDITION* a = pHead; a; a = a->pForward)
        a->pTrack = a->trackId ? trackList.FindById(a->trackId) : nullptr;
}
