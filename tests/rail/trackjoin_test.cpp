// Joining through the end index against the plain walk over every piece: on
// random layouts full of near and exactly coinciding ends both must give the
// same joins, moves, heights and group ids, to the last bit.
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "track_test.h"

namespace {

uint32_t Bits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof(u));
    return u;
}

// Everything joining can change, one line per piece, pieces named by their
// place in the list.
std::string Describe() {
    std::map<const TRACK*, int> place;
    int n = 0;
    int largestId = 0;
    for (TRACK* p = trackList.GetFirst(); p; p = p->pNext) {
        place[p] = n++;
        if (p->groupId > largestId) largestId = p->groupId;
    }
    std::ostringstream out;
    for (TRACK* p = trackList.GetFirst(); p; p = p->pNext) {
        out << place[p] << ": group " << p->groupId << " at " << Bits(p->x) << ' ' << Bits(p->y) << ' '
            << Bits(p->z) << " pitch " << Bits(p->pitch) << " ground " << p->groundState;
        for (const TRACK_END& e : p->end) {
            out << " | " << e.state << ' ' << (e.pTrack ? place.count(e.pTrack) ? place[e.pTrack] : -2 : -1) << '/'
                << e.conEnd << ' ' << Bits(e.x) << ' ' << Bits(e.y) << ' ' << Bits(e.z) << ' ' << e.mark;
        }
        out << '\n';
    }
    out << "pool " << idPool.GetCount() << ':';
    for (int id = 1; id <= largestId + 2; id++)
        if (idPool.IsInUse(id)) out << ' ' << id;
    out << '\n';
    return out.str();
}

// Both runs of a script, step by step; the first step where they part.
void ExpectSameSteps(const std::vector<std::string>& scan, const std::vector<std::string>& indexed) {
    ASSERT_EQ(scan.size(), indexed.size());
    for (size_t k = 0; k < scan.size(); k++) {
        if (scan[k] == indexed[k]) continue;
        std::istringstream a(scan[k]), b(indexed[k]);
        std::string la, lb;
        while (std::getline(a, la) && std::getline(b, lb) && la == lb) {
        }
        ADD_FAILURE() << "step " << k << " differs:\n  scan:    " << la << "\n  indexed: " << lb;
        return;
    }
}

struct Joiner {
    bool indexed;
    int Connect(TRACK* p, int flag) const {
        return indexed ? trackList.ConnectTrack(p, flag) : trackList.ConnectTrackScan(p, flag);
    }
    void Rebuild() const { indexed ? trackList.RebuildConnections() : trackList.RebuildConnectionsScan(); }
};

class TrackJoinTest : public TrackTest {
protected:
    std::mt19937 rng;
    int groupsAfterFirstRebuild = 0;
    int snappedInFirstRebuild = 0;
    std::set<std::pair<const TRACK*, int>> taken; // ends that a piece was put at

    float Uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }
    int Below(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
    bool Chance(int percent) { return Below(100) < percent; }
    template <class T, size_t N> T Pick(const T (&values)[N]) { return values[Below(static_cast<int>(N))]; }

    TRACK* Nth(int k) {
        TRACK* p = trackList.GetFirst();
        while (p && k-- > 0) p = p->pNext;
        return p;
    }

    // Puts piece p so that its end e lies at (x, y), facing direction dir
    // (degrees).
    static void PlaceEnd(TRACK* p, int e, float x, float y, float dir) {
        p->heading = 0.0f;
        float toEnd = GetEndDirection(p, e);
        p->heading = std::fmod(dir - toEnd + 720.0f, 360.0f);
        p->x = p->y = 0.0f;
        float pts[6];
        if (!DetCPos(p, pts)) return;
        p->x = x - pts[2 * e];
        p->y = y - pts[2 * e + 1];
        DetCPos(p, pts);
        p->StoreEnds(pts);
    }

    // A new piece of a random type near the pieces already laid: most lie
    // at an end of another, at offsets on both sides of every tolerance.
    TRACK* AddRandomPiece() {
        static const int types[] = {0, 0, 1, 1, 2, 2, 3, 4, 5, 6, 7, 8};
        // Exact placements mostly; the rest on both sides of the narrow
        // and the wide snap tolerance, the partner range and the angle.
        static const float offsets[] = {0.0f,    0.0f,    0.0f,    0.0f,    0.0f,    0.0f,    0.0f,    0.0f,
                                        0.0f,    0.0f,    0.0f,    0.0f,    0.0f,    0.0f,    0.0f,    0.0f,
                                        1e-5f,   0.05f,   0.1414f, 0.1415f, 0.3f,    0.4898f, 0.4900f, 0.5899f,
                                        0.5999f, 0.6001f, 0.7f};
        static const float turns[] = {0.0f, 0.0f, 0.0f,  0.0f,  0.0f,   0.0f,   0.0f, 0.0f,
                                      0.0f, 0.0f, 0.5f, -0.5f, 0.99f, -1.01f, 1.2f, 3.0f};
        static const float heights[] = {-0.01f, -0.01f, -0.02f, -0.03f, -0.06f, -0.4f};
        TRACK* p = Make(Pick(types), 0.0f, 0.0f, 0.0f);
        if (!p) return nullptr;
        if (p->typeIndex == 6 && Chance(50)) {
            p->kind = TRACK_STRETCHED; // a stretched straight of its own length
            p->length = Uniform(0.05f, 1.0f);
        }
        // Often the piece laid last, so that runs grow.
        TRACK* other = nullptr;
        if (trackList.GetCount() > 1)
            other = Chance(50) ? p->pPrev : Nth(Below(trackList.GetCount() - 1));
        const int style = Below(20);
        if (other && style < 14) {
            // At an end of another piece.
            // Mostly an end that no piece was put at yet.
            int oe = Below(3);
            for (int k = 0; k < 3 && (other->end[oe].state == END_NONE || taken.count({other, oe})); k++)
                oe = (oe + 1) % 3;
            if (other->end[oe].state == END_NONE) oe = 0;
            taken.insert({other, oe});
            int e = Below(3);
            if (p->end[e].state == END_NONE) e = 0;
            float off = Pick(offsets), angle = Uniform(0.0f, 360.0f) * 3.14159265f / 180.0f;
            PlaceEnd(p, e, other->end[oe].x + off * std::cos(angle), other->end[oe].y + off * std::sin(angle),
                     GetEndDirection(other, oe) + 180.0f + Pick(turns));
        } else if (other && style < 16) {
            // On top of another piece, turned round or not: equally near
            // candidates.
            p->kind = other->kind;
            p->typeIndex = other->typeIndex;
            p->length = other->length;
            p->x = other->x;
            p->y = other->y;
            p->heading = std::fmod(other->heading + (Chance(50) ? 180.0f : 0.0f), 360.0f);
            InitConnection(p);
            float pts[6];
            if (DetCPos(p, pts)) p->StoreEnds(pts);
        } else if (style < 19) {
            // Straights on a grid, whose ends coincide exactly.
            p->kind = TRACK_STRAIGHT;
            p->typeIndex = Chance(70) ? 0 : 1;
            p->length = p->typeIndex == 0 ? 1.0f : 4.0f;
            InitConnection(p);
            p->x = static_cast<float>(Below(12)) * 0.5f;
            p->y = static_cast<float>(Below(12)) * 0.5f;
            p->heading = 90.0f * static_cast<float>(Below(4));
            float pts[6];
            DetCPos(p, pts);
            p->StoreEnds(pts);
        } else {
            // Anywhere in the area.
            p->x = Uniform(-1.0f, 7.0f);
            p->y = Uniform(-1.0f, 7.0f);
            p->heading = 22.5f * static_cast<float>(Below(16));
            float pts[6];
            if (DetCPos(p, pts)) p->StoreEnds(pts);
        }
        float z = Pick(heights);
        for (TRACK_END& e : p->end) e.z = z;
        p->z = z;
        p->bSelected = Chance(30);
        return p;
    }

    // Turning turntables (left out of every rebuild, some keeping a group id
    // that another group also has), pieces of an unknown kind and pieces far
    // out or at no number at all.
    void AddOddPieces() {
        for (TRACK* p = trackList.GetFirst(); p; p = p->pNext) {
            if (Chance(4)) {
                p->bTurntable = 1;
                p->bTurning = Chance(60);
                p->groupId = Chance(50) ? 0 : 1 + Below(20);
            }
        }
        TRACK* a = Make(0, 2.0e9f, 3.0e9f, 0.0f);
        TRACK* b = Make(0, 2.0e9f, 3.0e9f, 180.0f);
        TRACK* c = Make(1, -5.0e9f, 7.0f, 180.0f);
        TRACK* d = Make(2, 3.0f, 3.0f, 45.0f);
        if (d) d->y = std::nanf("");
        TRACK* u = Make(0, 1.0f, 1.0f, 0.0f);
        if (u) u->kind = 9;
        for (TRACK* p : {a, b, c}) p->bSelected = 1;
    }

    // A random layout of n pieces, kept as records.
    std::vector<TRACK> MakeLayout(unsigned seed, int n) {
        rng.seed(seed);
        trackList.DeleteAll();
        idPool.Reset();
        taken.clear();
        for (int k = 0; k < n; k++) AddRandomPiece();
        AddOddPieces();
        std::vector<TRACK> records;
        for (TRACK* p = trackList.GetFirst(); p; p = p->pNext) {
            records.push_back(*p);
            for (TRACK_END& e : records.back().end) e.pTrack = nullptr;
        }
        trackList.DeleteAll();
        idPool.Reset();
        return records;
    }

    void Load(const std::vector<TRACK>& records) {
        trackList.DeleteAll();
        idPool.Reset();
        taken.clear();
        for (const TRACK& r : records) trackList.AppendCopy(&r);
    }

    // Removes every selected piece without the rebuild that DeleteSelected
    // would run.
    void RemoveSelected() {
        for (TRACK* p = trackList.GetFirst(); p;) {
            TRACK* next = p->pNext;
            if (p->bSelected) {
                for (int e = 0; e < 3; e++) taken.erase({p, e});
                trackList.RemoveTrack(p);
            }
            p = next;
        }
    }

public:
    // Rebuilds, then moves, turns and deletes pieces and rebuilds again.
    std::vector<std::string> RebuildScript(const std::vector<TRACK>& records, unsigned seed, Joiner join) {
        std::vector<std::string> steps;
        Load(records);
        rng.seed(seed);
        join.Rebuild();
        steps.push_back(Describe());
        groupsAfterFirstRebuild = idPool.GetCount();
        snappedInFirstRebuild = 0;
        int k = 0;
        for (TRACK* p = trackList.GetFirst(); p; p = p->pNext, k++)
            if (p->x != records[k].x || p->y != records[k].y) snappedInFirstRebuild++;
        join.Rebuild(); // the stored ends of the first one now count
        steps.push_back(Describe());
        trackList.MoveSelected(Uniform(-0.3f, 0.3f), Uniform(-0.3f, 0.3f));
        join.Rebuild();
        steps.push_back(Describe());
        trackList.RotateSelected(Pick({22.5f, 90.0f, 180.0f, 0.7f}), Uniform(0.0f, 6.0f), Uniform(0.0f, 6.0f));
        join.Rebuild();
        steps.push_back(Describe());
        for (TRACK* p = trackList.GetFirst(); p; p = p->pNext) p->bSelected = Chance(15);
        RemoveSelected();
        join.Rebuild();
        steps.push_back(Describe());
        // Everything selected: every join may pull whole runs by up to the
        // wide tolerance.
        Load(records);
        for (TRACK* p = trackList.GetFirst(); p; p = p->pNext) p->bSelected = 1;
        join.Rebuild();
        steps.push_back(Describe());
        return steps;
    }

    // The editor's way: lay pieces one by one and join each, move the
    // selection and join it again, delete and rebuild.
    std::vector<std::string> LayingScript(const std::vector<TRACK>& records, unsigned seed, Joiner join) {
        std::vector<std::string> steps;
        Load(records);
        rng.seed(seed);
        join.Rebuild();
        for (int k = 0; k < 120; k++) {
            std::ostringstream result;
            const int action = Below(20);
            if (action < 12) {
                TRACK* p = AddRandomPiece();
                if (p) p->bSelected = Chance(80);
                if (p && Chance(15)) {
                    idPool.AssignId(p); // a piece that already has a group
                }
                int joined = p ? join.Connect(p, Chance(10) ? 1 : 0) : -1;
                if (p && !joined && !p->groupId) idPool.AssignId(p);
                result << "add " << joined;
            } else if (action < 16) {
                for (TRACK* p = trackList.GetFirst(); p; p = p->pNext)
                    if (Chance(10)) p->bSelected = !p->bSelected;
                trackList.MoveSelected(Uniform(-0.5f, 0.5f), Uniform(-0.5f, 0.5f));
                result << "move";
                for (TRACK* p = trackList.GetFirst(); p; p = p->pNext)
                    if (p->bSelected) result << ' ' << join.Connect(p, 0);
            } else if (action < 18) {
                for (TRACK* p = trackList.GetFirst(); p; p = p->pNext) p->bSelected = Chance(5);
                RemoveSelected();
                join.Rebuild();
                result << "delete";
            } else {
                join.Rebuild();
                result << "rebuild";
            }
            steps.push_back(result.str() + "\n" + Describe());
        }
        return steps;
    }

    using SCRIPT = std::vector<std::string> (TrackJoinTest::*)(const std::vector<TRACK>&, unsigned, Joiner);

    // Runs a script on the layout once with the scan, once with the index.
    void CompareRuns(const std::vector<TRACK>& records, unsigned seed, SCRIPT script) {
        std::vector<std::string> scan = (this->*script)(records, seed, Joiner{false});
        std::vector<std::string> indexed = (this->*script)(records, seed, Joiner{true});
        ExpectSameSteps(scan, indexed);
    }
};

} // namespace

TEST_F(TrackJoinTest, IndexedRebuildMatchesTheScanOnRandomLayouts) {
    for (unsigned seed = 1; seed <= 12; seed++) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::vector<TRACK> records = MakeLayout(seed, 300);
        CompareRuns(records, seed, &TrackJoinTest::RebuildScript);
        // The layouts are dense enough to join many ends, and not every one,
        // and the selected pieces snap.
        EXPECT_LT(groupsAfterFirstRebuild, static_cast<int>(records.size()) * 7 / 10);
        EXPECT_GT(groupsAfterFirstRebuild, 1);
        EXPECT_GT(snappedInFirstRebuild, 10);
    }
}

TEST_F(TrackJoinTest, IndexedJoiningMatchesTheScanWhileLaying) {
    for (unsigned seed = 101; seed <= 106; seed++) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        CompareRuns(MakeLayout(seed, 150), seed, &TrackJoinTest::LayingScript);
    }
}

// Of two equally near ends the one first in the list is the partner, also
// when the index files them in one cell.
TEST_F(TrackJoinTest, EquallyNearEndsGoToTheFirstInTheList) {
    for (bool indexed : {false, true}) {
        trackList.DeleteAll();
        idPool.Reset();
        TRACK* first = Make(0, 1.0f, 0.0f, 0.0f);
        TRACK* second = Make(0, 1.0f, 0.0f, 180.0f); // same ends, turned round
        TRACK* p = Make(0, -0.1f, 0.0f, 0.0f);       // end 1 at 0.4, 0.1 from both
        idPool.AssignId(first);
        idPool.AssignId(second);
        p->bSelected = 1;
        EXPECT_EQ(Joiner{indexed}.Connect(p, 0), 1);
        EXPECT_EQ(p->end[1].pTrack, first);
        EXPECT_EQ(p->end[1].conEnd, 0);
        EXPECT_EQ(p->groupId, first->groupId);
        EXPECT_EQ(second->end[1].state, END_FREE);
        EXPECT_NEAR(p->x, 0.0f, 1e-6);
    }
}

// A join that pulls a whole run moves its free ends into other cells of the
// index; a piece joined later finds them at their new place.
TEST_F(TrackJoinTest, ARunPulledByAJoinIsFoundAtItsNewPlace) {
    for (bool indexed : {false, true}) {
        SCOPED_TRACE(indexed ? "indexed" : "scan");
        trackList.DeleteAll();
        idPool.Reset();
        TRACK* q = Make(0, 1.74f, 0.0f, 0.0f); // free end 0 at 1.24
        TRACK* r = Make(0, 4.19f, 0.0f, 0.0f); // end 0 at 3.69
        TRACK* p = Make(0, 2.74f, 0.0f, 0.0f); // between q (touching) and r (0.45 away)
        TRACK* s = Make(0, 1.49f, 0.0f, 0.0f); // end 1 at 1.99, 0.75 from where q's end 0 was
        for (TRACK* t : {q, r, p, s}) t->bSelected = 1;
        Joiner{indexed}.Rebuild();
        // p pulled q along by 0.45 when it joined r.
        EXPECT_EQ(p->end[1].pTrack, r);
        EXPECT_NEAR(q->end[0].x, 1.69f, 1e-5);
        EXPECT_EQ(s->end[1].pTrack, q);
        EXPECT_EQ(s->end[1].conEnd, 0);
        EXPECT_NEAR(s->end[1].x, 1.69f, 1e-5);
        EXPECT_EQ(idPool.GetCount(), 1);
    }
}

// Ends just within the wide tolerance join and ends just beyond it do not,
// wherever the pair lies against the cells of the index.
TEST_F(TrackJoinTest, TheToleranceHoldsAtEveryPlace) {
    for (int k = 0; k < 64; k++) {
        for (float gap : {0.485f, 0.495f}) {
            for (float heading : {0.0f, 90.0f, 180.0f, 270.0f}) {
                trackList.DeleteAll();
                idPool.Reset();
                const float a = heading * 3.14159265f / 180.0f;
                const float base = 40.0f + 0.04f * static_cast<float>(k);
                const float ux = std::round(std::cos(a)), uy = std::round(std::sin(a));
                // q's end 1 at base (along the heading), p's end 0 gap further.
                TRACK* q = Make(0, (base - 0.5f) * ux, (base - 0.5f) * uy, heading);
                TRACK* p = Make(0, (base + gap + 0.5f) * ux, (base + gap + 0.5f) * uy, heading);
                q->bSelected = p->bSelected = 1;
                trackList.RebuildConnections();
                ASSERT_EQ(p->end[0].pTrack, gap < 0.49f ? q : nullptr) << "at " << base << " gap " << gap;
            }
        }
    }
}
