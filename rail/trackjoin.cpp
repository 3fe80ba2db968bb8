#include "rail/trackjoin.h"

#include <cmath>
#include <utility>

namespace {
// Square cells of the end grid. A partner end lies less than the partner range
// from the searched point in x and in y (the rounding of the squared offset
// cannot stretch 0.6 to REACH), so the cells within REACH hold every one.
constexpr double CELL = 1.25;
constexpr double REACH = 0.625;
// Cells beyond this many from the origin share the outermost ones.
constexpr int64_t CELLLIMIT = int64_t(1) << 30;

int64_t CellOf(double v) {
    double c = std::floor(v / CELL);
    if (!(c > double(-CELLLIMIT))) return -CELLLIMIT;
    if (c > double(CELLLIMIT)) return CELLLIMIT;
    return static_cast<int64_t>(c);
}

uint64_t CellKey(int64_t cx, int64_t cy) {
    return (static_cast<uint64_t>(cx + CELLLIMIT) << 32) | static_cast<uint64_t>(cy + CELLLIMIT);
}

uint64_t GroupKey(int id) { return static_cast<uint64_t>(static_cast<uint32_t>(id)); }
} // namespace

// ---------------------------------------------------------------------------
// Key map

void TRACK_JOIN_INDEX::KEYMAP::Reserve(int n) {
    size_t cap = 16;
    shift = 60;
    while (cap < static_cast<size_t>(n) * 2) {
        cap *= 2;
        shift--;
    }
    keys.assign(cap, 0);
    values.assign(cap, 0);
    used.assign(cap, 0);
    count = 0;
}

int* TRACK_JOIN_INDEX::KEYMAP::Find(uint64_t key) {
    if (keys.empty()) return nullptr;
    size_t mask = keys.size() - 1;
    for (size_t h = Slot(key);; h = (h + 1) & mask) {
        if (!used[h]) return nullptr;
        if (keys[h] == key) return &values[h];
    }
}

int& TRACK_JOIN_INDEX::KEYMAP::At(uint64_t key, int absent) {
    if (int* value = Find(key)) return *value;
    if (static_cast<size_t>(count + 1) * 2 > keys.size()) Grow();
    size_t mask = keys.size() - 1;
    size_t h = Slot(key);
    while (used[h]) h = (h + 1) & mask;
    used[h] = 1;
    keys[h] = key;
    values[h] = absent;
    count++;
    return values[h];
}

void TRACK_JOIN_INDEX::KEYMAP::Grow() {
    std::vector<uint64_t> oldKeys = std::move(keys);
    std::vector<int> oldValues = std::move(values);
    std::vector<unsigned char> oldUsed = std::move(used);
    Reserve(static_cast<int>(oldKeys.size() < 8 ? 8 : oldKeys.size()));
    for (size_t i = 0; i < oldKeys.size(); i++)
        if (oldUsed[i]) At(oldKeys[i], oldValues[i]);
}

// ---------------------------------------------------------------------------
// Building

void TRACK_JOIN_INDEX::Build(TRACK* head) {
    pieces.clear();
    for (TRACK* t = head; t; t = t->pNext) pieces.push_back(t);
    const int n = GetCount();
    parent.resize(n);
    size.assign(n, 1);
    label.resize(n);
    unselected.resize(n);
    ring.resize(n);
    groupRoot.Reserve(n);
    int lastId = 0, lastRoot = -1; // runs are mostly laid in list order
    for (int s = 0; s < n; s++) {
        TRACK* t = pieces[s];
        parent[s] = s;
        ring[s] = s;
        label[s] = t->groupId;
        unselected[s] = t->bSelected ? 0 : 1;
        if (t->groupId == 0) continue; // pieces without a group stay apart
        int root = lastRoot;
        if (t->groupId != lastId || lastRoot < 0) {
            int& known = groupRoot.At(GroupKey(t->groupId), -1);
            if (known < 0) known = s;
            root = known;
        }
        if (root != s) {
            // Every member hangs directly below the group's first piece.
            parent[s] = root;
            size[root]++;
            unselected[root] += unselected[s];
            std::swap(ring[root], ring[s]);
        }
        lastId = t->groupId;
        lastRoot = root;
    }
    // Joining only turns free ends into joined ones, so the ends free now are
    // all that can ever be partners.
    cells.Reserve(2 * n);
    cellNext.assign(3 * n, -1);
    cellPrev.assign(3 * n, -1);
    cellKey.assign(3 * n, 0);
    tracked.assign(3 * n, 0);
    filed.assign(3 * n, 0);
    for (int e = 0; e < 3 * n; e++) {
        if (pieces[e / 3]->end[e % 3].state != END_FREE) continue;
        tracked[e] = 1;
        IndexEnd(e);
    }
}

TRACK_JOIN_INDEX::Piece TRACK_JOIN_INDEX::Find(const TRACK* p) const {
    for (int s = 0; s < GetCount(); s++)
        if (pieces[s] == p) return s;
    return NOPIECE;
}

// ---------------------------------------------------------------------------
// End grid

// Ends whose point is not finite are never within reach of anything and are
// left out.
void TRACK_JOIN_INDEX::IndexEnd(int e) {
    const TRACK_END& end = pieces[e / 3]->end[e % 3];
    if (!std::isfinite(end.x) || !std::isfinite(end.y)) return;
    uint64_t key = CellKey(CellOf(end.x), CellOf(end.y));
    int& head = cells.At(key, -1);
    cellNext[e] = head;
    cellPrev[e] = -1;
    if (head >= 0) cellPrev[head] = e;
    head = e;
    cellKey[e] = key;
    filed[e] = 1;
}

void TRACK_JOIN_INDEX::UnindexEnd(int e) {
    if (!filed[e]) return;
    if (cellPrev[e] >= 0) cellNext[cellPrev[e]] = cellNext[e];
    else *cells.Find(cellKey[e]) = cellNext[e];
    if (cellNext[e] >= 0) cellPrev[cellNext[e]] = cellPrev[e];
    filed[e] = 0;
}

void TRACK_JOIN_INDEX::Refile(int e) {
    if (!tracked[e]) return;
    const TRACK_END& end = pieces[e / 3]->end[e % 3];
    if (filed[e] && std::isfinite(end.x) && std::isfinite(end.y) &&
        CellKey(CellOf(end.x), CellOf(end.y)) == cellKey[e])
        return;
    UnindexEnd(e);
    IndexEnd(e);
}

TRACK_JOIN_INDEX::Piece TRACK_JOIN_INDEX::FindPartner(Piece s, int i, float ex, float ey) {
    if (!std::isfinite(ex) || !std::isfinite(ey)) return NOPIECE;
    const TRACK* p = pieces[s];
    int64_t x0 = CellOf(double(ex) - REACH), x1 = CellOf(double(ex) + REACH);
    int64_t y0 = CellOf(double(ey) - REACH), y1 = CellOf(double(ey) + REACH);
    int best = -1;
    float bestD2 = 0.0f;
    for (int64_t cx = x0; cx <= x1; cx++) {
        for (int64_t cy = y0; cy <= y1; cy++) {
            const int* head = cells.Find(CellKey(cx, cy));
            for (int e = head ? *head : -1; e >= 0; e = cellNext[e]) {
                int qs = e / 3;
                if (qs == s) continue;
                const TRACK* q = pieces[qs];
                float d2;
                if (!IsPartnerEnd(p, i, ex, ey, q, e % 3, &d2)) continue;
                if (GroupOf(qs) == 0 || !IsNearPoint(q->x, q->y, p->x, p->y)) continue;
                // The nearest end wins; among equally near ones the first in
                // list order, then end order.
                if (best < 0 || d2 < bestD2 || (d2 == bestD2 && e < best)) {
                    best = e;
                    bestD2 = d2;
                }
            }
        }
    }
    return best < 0 ? NOPIECE : best / 3;
}

void TRACK_JOIN_INDEX::StoreEnds(Piece s, const float pts[6]) {
    pieces[s]->StoreEnds(pts);
    for (int j = 0; j < 3; j++) Refile(3 * s + j);
}

// ---------------------------------------------------------------------------
// Groups

int TRACK_JOIN_INDEX::Root(int s) {
    while (parent[s] != s) {
        parent[s] = parent[parent[s]];
        s = parent[s];
    }
    return s;
}

// Unites the groups of roots a and b under group id id.
void TRACK_JOIN_INDEX::Unite(int a, int b, int id) {
    if (size[a] < size[b]) std::swap(a, b);
    parent[b] = a;
    size[a] += size[b];
    unselected[a] += unselected[b];
    std::swap(ring[a], ring[b]);
    label[a] = id;
    groupRoot.At(GroupKey(id), -1) = a;
}

int TRACK_JOIN_INDEX::GroupOf(Piece s) { return label[Root(s)]; }

int TRACK_JOIN_INDEX::IsGroupAllSelected(int id) {
    if (id == 0) {
        for (int s = 0; s < GetCount(); s++)
            if (GroupOf(s) == 0 && !pieces[s]->bSelected) return 0;
        return 1;
    }
    const int* root = groupRoot.Find(GroupKey(id));
    return (!root || *root < 0 || unselected[*root] == 0) ? 1 : 0;
}

void TRACK_JOIN_INDEX::MovePiece(Piece s, float dx, float dy) {
    pieces[s]->Move(dx, dy);
    for (int j = 0; j < 3; j++) Refile(3 * s + j);
}

void TRACK_JOIN_INDEX::MoveGroup(int id, float dx, float dy) {
    if (id == 0) {
        for (int s = 0; s < GetCount(); s++)
            if (GroupOf(s) == 0) MovePiece(s, dx, dy);
        return;
    }
    const int* root = groupRoot.Find(GroupKey(id));
    if (!root || *root < 0) return;
    int r = *root;
    int s = r;
    do {
        MovePiece(s, dx, dy);
        s = ring[s];
    } while (s != r);
}

// The group of root r takes group id id, uniting with the group that has it.
void TRACK_JOIN_INDEX::Relabel(int r, int id) {
    int& to = groupRoot.At(GroupKey(id), -1);
    if (to == r) return;
    if (to < 0) {
        label[r] = id;
        to = r;
    } else {
        Unite(to, r, id);
    }
}

int TRACK_JOIN_INDEX::MergeGroup(int oldId, int newId) {
    int* oldRoot = (oldId != 0) ? groupRoot.Find(GroupKey(oldId)) : nullptr;
    if (!oldRoot || *oldRoot < 0) return 0;
    const int from = *oldRoot;
    const int anyUnselected = unselected[from] > 0 ? 1 : 0;
    *oldRoot = -1;
    Relabel(from, newId);
    return anyUnselected;
}

void TRACK_JOIN_INDEX::JoinGroup(Piece s, int id) { Relabel(Root(s), id); }

void TRACK_JOIN_INDEX::WriteGroupIds() {
    for (int s = 0; s < GetCount(); s++) {
        int id = GroupOf(s);
        if (pieces[s]->groupId != id) pieces[s]->groupId = id;
    }
}
