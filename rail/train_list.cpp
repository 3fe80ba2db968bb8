// The train list: adding, placing with the free-place check, deleting,
// picking, crash copies, the detach rules and the vehicle section of the
// layout file.
#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <vector>
#include <unordered_map>

#include "app/filesearch.h"
#include "app/messagequeue.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "editor/editor.h"
#include "gfx/geometry.h"
#include "gfx/render.h"
#include "platform/paths.h"
#include "rail/layoutfile.h"
#include "rail/layoutstate.h"
#include "rail/track.h"
#include "rail/train.h"
#include "rail/train_sweep.h"
#include "sound/soundmanager.h"
#include "world/aterrobj.h"
#include "world/smoke.h"
#include "world/xobject.h"

using namespace recordio;
using namespace trainsweep;

namespace {
constexpr int MAXTRAINCOUNT = 1000000;

struct STRETCH {
    TRACK* piece;
    float lo;
    float hi;
};

// The stretches covered by a vehicle of half length hl centred at pos on p,
// walked backwards and then forwards; 0 when a walk meets an open end or an
// end piece.
int CollectExtent(TRACK* p, float pos, int branch, float hl, std::vector<STRETCH>* out) {
    if (!p || p->bEndPiece) return 0;
    int ok = 1;
    for (float d : {-hl, hl}) {
        float travelled = 0.0f;
        auto onSpan = [&](TRACK* piece, float from, float to, float) {
            out->push_back({piece, std::fmin(from, to), std::fmax(from, to)});
            return false;
        };
        if (SweepTrack(p, pos, branch, d, onSpan, &travelled) == SWEEP_END) ok = 0;
    }
    return ok;
}

bool OnStretches(const std::vector<STRETCH>& s, const TRACK* p, float pos) {
    for (const STRETCH& st : s)
        if (st.piece == p && pos >= st.lo && pos <= st.hi) return true;
    return false;
}

int ParseEnd(const char* word) {
    if (std::strcmp(word, "FRONT") == 0) return 0;
    if (std::strcmp(word, "BACK") == 0) return 1;
    return 2;
}

// Whether a rule matches (other vehicle, own coupler, other coupler).
bool RuleMatches(const TRAIN_DETACH_RULE& r, const TRAIN* other, int own, int otherSide) {
    bool vehicle = r.otherObjId == other->objId || (r.otherObjId == -1 && IsAnimatedEngine(other->objId));
    return vehicle && (r.end == 2 || r.end == own) && (r.otherEnd == 2 || r.otherEnd == otherSide);
}

bool Finite(float v) { return std::isfinite(v); }
} // namespace

TRAIN_LIST::TRAIN_LIST() {}

TRAIN_LIST::~TRAIN_LIST() {
    while (pHead) {
        TRAIN* n = pHead->pNext;
        delete pHead;
        pHead = n;
    }
    ClearStartPositions();
    while (pTrainValues) {
        TRAIN_VALUE* n = pTrainValues->pNext;
        delete pTrainValues;
        pTrainValues = n;
    }
    ClearDetachRules();
    WriteStartLog("All trains were deleted...");
}

int TRAIN_LIST::GetCount() const {
    int n = 0;
    for (TRAIN* t = pHead; t; t = t->pNext) n++;
    return n;
}

// ---------------------------------------------------------------------------
// Adding

TRAIN* TRAIN_LIST::AddNew() {
    TRAIN* t = new (std::nothrow) TRAIN();
    if (!t) {
        WriteStartLog("Out of memory in TRAIN_LIST::AddNew()!!!");
        return nullptr;
    }
    t->pNext = pHead;
    if (pHead) pHead->pPrev = t;
    pHead = t;
    return t;
}

TRAIN* TRAIN_LIST::AddLoadedTrain(const TRAIN& record) {
    TRAIN* t = new (std::nothrow) TRAIN(record);
    if (!t) {
        WriteStartLog("Out of memory in TRAIN_LIST::AddLoadedTrain()!!!");
        return nullptr;
    }
    t->pPrev = t->pNext = nullptr;
    t->moveMark = 0;
    if (!pHead) {
        pHead = t;
    } else {
        TRAIN* last = pHead;
        while (last->pNext) last = last->pNext;
        last->pNext = t;
        t->pPrev = last;
    }
    SetupTrain(t);
    return t;
}

void TRAIN_LIST::SetupTrain(TRAIN* t) {
    if (!t) return;
    char idText[16];
    std::snprintf(idText, sizeof idText, "%d", t->objId);
    if (!t->IsEngine()) soundManager.RegisterSource(t, idText, "1350", 1, 0);
    else if (!IsAnimatedEngine(t->objId)) soundManager.RegisterSource(t, idText, "1203", 1, 0);
    if (t->IsEngine()) {
        int spotId = IsAnimatedEngine(t->objId) ? 1250 : t->objId;
        D3DXVECTOR3 spot(0.0f, 0.0f, 0.0f);
        if (GetXID(spotId, 0) >= 0 && myGlobs.GetEngineSpot(spotId, &spot))
            smokeSystem.AddSmokeSource(t, 0, 9.0f, t->vPos.x, t->vPos.y, t->vPos.z);
    }
    t->reserved244 = 0;
    if (IsAnimatedEngine(t->objId)) aterrobjList.AddNew(t->type, t->objId, t->vPos, t->heading, t, t->pitch, 0.0f);
}

int TRAIN_LIST::CheckFreePlace(TRACK* track, float percent, int objId) {
    if (!track || !Finite(percent)) return 0;
    float hl = 0.0f;
    if (GetObjHalfLength(objId, &hl) != 0 || !Finite(hl) || hl < 0.0f) hl = 0.0f;
    const float pos = track->length * percent / 100.0f;
    std::vector<STRETCH> mine;
    if (!CollectExtent(track, pos, track->switchState, hl, &mine)) return 0;
    for (TRAIN* t = pHead; t; t = t->pNext) {
        for (int k = 0; k < 2; k++) {
            float q = 0.0f;
            int f = 0;
            TRACK* c = t->GetCouplingPoint(k, &q, &f);
            if (c && OnStretches(mine, c, q)) return 0;
        }
    }
    for (TRAIN* t = pHead; t; t = t->pNext) {
        std::vector<STRETCH> theirs;
        CollectExtent(t->pTrack, t->posDistance, t->branch, t->halfLength, &theirs);
        if (OnStretches(theirs, track, pos)) return 0;
    }
    return 1;
}

// ---------------------------------------------------------------------------
// Deleting

void TRAIN_LIST::Unlink(TRAIN* t) {
    if (t->pPrev) t->pPrev->pNext = t->pNext;
    else if (pHead == t) pHead = t->pNext;
    if (t->pNext) t->pNext->pPrev = t->pPrev;
    t->pPrev = t->pNext = nullptr;
}

// Clears every pointer held elsewhere to a vehicle about to be freed.
void TRAIN_LIST::ForgetTrain(TRAIN* t) {
    for (TRAIN_START_POSITION** link = &pStartPositions; *link;) {
        if ((*link)->pTrain == t) {
            TRAIN_START_POSITION* dead = *link;
            *link = dead->pNext;
            delete dead;
        } else {
            link = &(*link)->pNext;
        }
    }
    if (layoutState.pHighlighted == t) layoutState.pHighlighted = nullptr;
    if (myGlobs.triggeringTrain == t) myGlobs.triggeringTrain = nullptr;
}

void TRAIN_LIST::DeleteTrain(TRAIN* t) {
    if (!t) return;
    soundManager.RemoveSource(t);
    smokeSystem.RemoveSmokeSource(t, SMOKEKIND_ANY);
    aterrobjList.RemovePartner(t);
    if (myGlobs.crashedTrain == t) {
        myGlobs.crashState = 0;
        myGlobs.crashedTrain = nullptr;
        RestoreStartSpeeds();
    }
    if (myGlobs.journeyTrain == t) {
        ResetCamera();
        myGlobs.journeyTrain = nullptr;
    }
    if (t->pCoupled0) TRAIN::UnlinkBoth(t, t->pCoupled0);
    if (t->pCoupled1) TRAIN::UnlinkBoth(t, t->pCoupled1);
    // A coupling that pointed here one way only must not dangle either.
    for (TRAIN* o = pHead; o; o = o->pNext) {
        if (o->pCoupled0 == t) o->pCoupled0 = nullptr, o->coupled0End = 0;
        if (o->pCoupled1 == t) o->pCoupled1 = nullptr, o->coupled1End = 0;
    }
    ForgetTrain(t);
    Unlink(t);
    delete t;
}

void TRAIN_LIST::DeleteSelected() {
    for (TRAIN* t = pHead; t;) {
        TRAIN* n = t->pNext;
        if (t->bSelected) DeleteTrain(t);
        t = n;
    }
}

void TRAIN_LIST::DeleteAll() {
    while (pHead) DeleteTrain(pHead);
    ClearStartPositions();
    myGlobs.crashState = 0;
    myGlobs.crashedTrain = nullptr;
}

void TRAIN_LIST::DeleteTrainsOnTrack(TRACK* p) {
    if (!p) return;
    for (TRAIN* t = pHead; t;) {
        TRAIN* n = t->pNext; // deleting one vehicle frees no other
        if (t->pTrack == p) DeleteTrain(t);
        t = n;
    }
}

void TRAIN_LIST::DeselectAll() {
    for (TRAIN* t = pHead; t; t = t->pNext) t->bSelected = 0;
}

int TRAIN_LIST::CountSelected() const {
    int n = 0;
    for (TRAIN* t = pHead; t; t = t->pNext)
        if (t->bSelected) n++;
    return n;
}

int TRAIN_LIST::PickTrain(int* typeOut, TRAIN** trainOut) {
    if (!layoutState.GetSelectVehicles() && editorState != 155) return 0;
    float best = PICK_MISS;
    TRAIN* bestTrain = nullptr;
    for (TRAIN* t = pHead; t; t = t->pNext) {
        D3DXVECTOR3 c = t->vPos;
        c.z -= 0.3f;
        if (!IsPointUnderMouse(c, t->halfLength)) continue;
        D3DXVECTOR3 a, b;
        float h = 0.0f;
        DetPosAlongHeading(c.x, c.y, c.z, t->heading, t->pitch, 1, -t->halfLength, &a, &h);
        DetPosAlongHeading(c.x, c.y, c.z, t->heading, t->pitch, 1, t->halfLength, &b, &h);
        float d = DetSegmentPickDistance(a, b, 0.3f);
        if (d < best) {
            best = d;
            bestTrain = t;
        }
    }
    if (!bestTrain || best > 1.0f) return 0;
    if (typeOut) *typeOut = bestTrain->type;
    if (trainOut) *trainOut = bestTrain;
    return 1;
}

void TRAIN_LIST::UpdatePoses() {
    for (TRAIN* t = pHead; t; t = t->pNext) t->UpdatePose();
}

void TRAIN_LIST::UpdateAll() {
    for (TRAIN* t = pHead; t; t = t->pNext) {
        t->UpdateSound();
        t->UpdateSmoke();
    }
}

// ---------------------------------------------------------------------------
// Crash support

void TRAIN_LIST::ClearStartPositions() {
    while (pStartPositions) {
        TRAIN_START_POSITION* n = pStartPositions->pNext;
        delete pStartPositions;
        pStartPositions = n;
    }
}

void TRAIN_LIST::SaveStartPositions() {
    if (layoutState.GetMode() == 1) return;
    ClearStartPositions();
    for (TRAIN* t = pHead; t; t = t->pNext) {
        if (!t->IsEngine()) continue;
        TRAIN_START_POSITION* s = new (std::nothrow) TRAIN_START_POSITION();
        if (!s) {
            WriteStartLog("Out of memory in TRAIN_LIST::SaveStartPositions() !!!");
            return;
        }
        s->copy = *t;
        s->pTrain = t;
        s->pNext = pStartPositions;
        pStartPositions = s;
    }
}

void TRAIN_LIST::RestoreStartSpeeds() {
    if (layoutState.GetMode() == 1) return;
    for (TRAIN_START_POSITION* s = pStartPositions; s; s = s->pNext) {
        // Only vehicles still in the list are touched.
        for (TRAIN* t = pHead; t; t = t->pNext) {
            if (t != s->pTrain) continue;
            t->speed = s->copy.speed;
            t->setSpeed = s->copy.setSpeed;
            break;
        }
    }
}

int TRAIN_LIST::GetStartPositionCount() const {
    int n = 0;
    for (TRAIN_START_POSITION* s = pStartPositions; s; s = s->pNext) n++;
    return n;
}

// ---------------------------------------------------------------------------
// Detach rules

void TRAIN_LIST::ClearDetachRules() {
    while (pDetachRules) {
        TRAIN_DETACH_RULE* n = pDetachRules->pNext;
        delete pDetachRules;
        pDetachRules = n;
    }
}

void TRAIN_LIST::FillTrainValues() {}

void TRAIN_LIST::LoadAllDetachInfo() {
    FindFiles(myGlobs.firstEdition ? "traindetach*.bin" : "qm_traindetach*.bin");
    // Reading may search again: keep the names first.
    std::vector<std::string> names;
    for (int i = 0; i < myGlobs.foundFileCount && i < MAXFOUNDFILES; i++) names.emplace_back(myGlobs.foundFiles[i]);
    for (const std::string& n : names) LoadDetachInfo(n.c_str());
}

void TRAIN_LIST::LoadDetachInfo(const char* baseName) {
    if (!baseName) return;
    char fileName[FOUNDFILENAMELEN + 8];
    JoinStrings(fileName, sizeof fileName, baseName, ".bin");
    FILE* f = plat::OpenFile(fileName, "rb");
    if (!f) {
        WriteStartLog("Unable to open train detach file: ", NOLINEEND);
        WriteStartLog(fileName, NOLINEEND);
        WriteStartLog(" !!!");
        return;
    }
    WriteStartLog("Reading from file: ", NOLINEEND);
    WriteStartLog(fileName);
    char w[5][64];
    while (std::fscanf(f, "%63s%63s%63s%63s%63s", w[0], w[1], w[2], w[3], w[4]) == 5) {
        TRAIN_DETACH_RULE* r = new (std::nothrow) TRAIN_DETACH_RULE();
        if (!r) {
            WriteStartLog("Out of memory in TRAIN_LIST::LoadDetachInfo() !!!");
            break;
        }
        r->objId = std::atoi(w[0]);
        r->end = ParseEnd(w[1]);
        r->otherObjId = (std::strcmp(w[2], "ALLSTEAMENGINES") == 0) ? -1 : std::atoi(w[2]);
        r->otherEnd = ParseEnd(w[3]);
        r->ruleKind = (std::strcmp(w[4], "NOD") == 0) ? 0 : 1;
        r->pNext = pDetachRules;
        pDetachRules = r;
    }
    std::fclose(f);
    WriteStartLog(" ... file processed");
}

int TRAIN_LIST::IsDetachAllowed(const TRAIN* a, int sideA, const TRAIN* b, int sideB) const {
    if (!a || !b) return 1;
    for (const TRAIN_DETACH_RULE* r = pDetachRules; r; r = r->pNext) {
        if (r->ruleKind != 0) continue;
        if (r->objId == a->objId && RuleMatches(*r, b, sideA, sideB)) return 0;
        if (r->objId == b->objId && RuleMatches(*r, a, sideB, sideA)) return 0;
    }
    return 1;
}

// ---------------------------------------------------------------------------
// Layout file

void TRAIN_LIST::NumberTrains() {
    for (TRAIN* t = pHead; t; t = t->pNext) t->saveNumber = saveCounter.Next();
}

void TRAIN_LIST::SaveIds() {
    for (TRAIN* t = pHead; t; t = t->pNext) {
        t->trackId = t->pTrack ? t->pTrack->id : 0;
        t->coupled0Id = t->pCoupled0 ? t->pCoupled0->saveNumber : 0;
        t->coupled1Id = t->pCoupled1 ? t->pCoupled1->saveNumber : 0;
    }
}

int TRAIN_LIST::Save(FILE* file) {
    if (!file) return 0;
    unsigned char head[4];
    PutInt(head, GetCount());
    if (std::fwrite(head, 4, 1, file) != 1) return 0;
    std::vector<unsigned char> rec(TRAINRECORDSIZE);
    for (TRAIN* t = pHead; t; t = t->pNext) {
        t->WriteRecord(rec.data());
        if (std::fwrite(rec.data(), TRAINRECORDSIZE, 1, file) != 1) return 0;
    }
    return 1;
}

int TRAIN_LIST::Load(FILE* file) {
    if (!file) return 0;
    unsigned char head[4];
    if (std::fread(head, 4, 1, file) != 1) {
        WriteStartLog("Vehicle section missing in TRAIN_LIST::Load()");
        return 0;
    }
    const int n = GetInt(head);
    const int version = myGlobs.loadFileVersion;
    if (version < 10) {
        messageQueue.AddMessage(texts.Get(339));
        return 1;
    }
    if (n < 0 || n > MAXTRAINCOUNT) {
        WriteStartLog("Bad vehicle count in TRAIN_LIST::Load():", n < 0 ? 0 : n);
        return 0;
    }
    const int size = (version == 10) ? TRAINRECORDSIZE_V10 : TRAINRECORDSIZE;
    std::vector<unsigned char> rec(TRAINRECORDSIZE);
    for (int i = 0; i < n; i++) {
        if (std::fread(rec.data(), size, 1, file) != 1) {
            WriteStartLog("Vehicle section ends early in TRAIN_LIST::Load(), records read:", i);
            return 0;
        }
        TRAIN t;
        t.ReadRecord(rec.data(), size);
        const bool vehicleType = t.type == ENGINE_TYPE || t.type == CWAGON_TYPE || t.type == PWAGON_TYPE;
        if (version >= 11) {
            if (GetXID(t.objId, 0) < 0) {
                WriteStartLog("Vehicle record dropped, object type not loaded:", t.objId < 0 ? 0 : t.objId);
                continue;
            }
            if (!vehicleType) {
                WriteStartLog("Unknown type among loaded trains !!!");
                WriteStartLog("  type: ", NOLINEEND);
                WriteStartLogInt(t.type);
                continue;
            }
        } else if (!vehicleType) {
            continue;
        }
        if (t.RepairRecord()) WriteStartLog("Vehicle record repaired in TRAIN_LIST::Load():", i);
        if (!AddLoadedTrain(t)) continue;
    }
    return 1;
}

TRAIN* TRAIN_LIST::FindBySaveNumber(int number) const {
    if (number == 0) return nullptr;
    for (TRAIN* t = pHead; t; t = t->pNext)
        if (t->saveNumber == number) return t;
    return nullptr;
}

void TRAIN_LIST::RestoreLinks() {
    // Pieces first: a vehicle whose piece is gone cannot stand anywhere.
    for (TRAIN* t = pHead; t;) {
        TRAIN* n = t->pNext;
        t->pCoupled0 = t->pCoupled1 = nullptr;
        t->pTrack = t->trackId ? trackList.FindById(t->trackId) : nullptr;
        if (!t->pTrack || !(t->pTrack->length > 0.0f)) {
            WriteStartLog("Vehicle dropped, its piece does not resolve:", t->trackId < 0 ? 0 : t->trackId);
            DeleteTrain(t);
        } else {
            if (t->posPercent < 0.0f) t->posPercent = 0.0f;
            if (t->posPercent > 100.0f) t->posPercent = 100.0f;
            // The stored distance is kept while it lies on the piece.
            if (!(t->posDistance >= 0.0f && t->posDistance <= t->pTrack->length))
                t->posDistance = t->posPercent * t->pTrack->length / 100.0f;
        }
        t = n;
    }
    std::unordered_map<int, TRAIN*> byNumber;
    for (TRAIN* t = pHead; t; t = t->pNext) byNumber.emplace(t->saveNumber, t);
    for (TRAIN* t = pHead; t; t = t->pNext) {
        for (int k = 0; k < 2; k++) {
            int id = k == 0 ? t->coupled0Id : t->coupled1Id;
            TRAIN* o = nullptr;
            if (id != 0) {
                auto it = byNumber.find(id);
                if (it != byNumber.end() && it->second != t) o = it->second;
                else WriteStartLog("Vehicle coupling does not resolve in TRAIN_LIST::RestoreLinks():", t->saveNumber < 0 ? 0 : t->saveNumber);
            }
            (k == 0 ? t->pCoupled0 : t->pCoupled1) = o;
            if (!o) (k == 0 ? t->coupled0End : t->coupled1End) = 0;
        }
    }
    // A coupling must be answered by the partner's coupler.
    for (TRAIN* t = pHead; t; t = t->pNext) {
        for (int k = 0; k < 2; k++) {
            TRAIN* o = t->GetCoupled(k);
            if (!o) continue;
            int e = t->GetCoupledEnd(k);
            if (o->GetCoupled(e) == t && o->GetCoupledEnd(e) == k) continue;
            WriteStartLog("One-sided vehicle coupling cut in TRAIN_LIST::RestoreLinks():", t->saveNumber < 0 ? 0 : t->saveNumber);
            if (o->GetCoupled(e) == t) (e == 0 ? o->pCoupled0 : o->pCoupled1) = nullptr;
            (k == 0 ? t->pCoupled0 : t->pCoupled1) = nullptr;
            (k == 0 ? t->coupled0End : t->coupled1End) = 0;
        }
    }
}

int TRAIN_LIST::CheckTrainObjects() const {
    int ok = 1;
    for (TRAIN* t = pHead; t; t = t->pNext) {
        if (GetXID(t->objId, 0) >= 0) continue;
        WriteStartLog("Missing trainobject: ", NOLINEEND);
        WriteStartLogInt(t->objId);
        ok = 0;
    }
    return ok;
}
