// Joining many track pieces at once without a walk over every piece per end:
// an index of the track list that finds the partner ends of a piece through a
// grid over the end points and keeps the pieces of each group id together.
#pragma once

#include <cstdint>
#include <vector>

#include "rail/track.h"

// Ends further apart than this are never partners.
constexpr float TRACK_PARTNER_RANGE = 0.6f;

// Whether end j of piece q can be the partner of end i of piece p, whose point
// is (ex, ey): q's end is free, lies within the partner range and faces p's
// end. *d2 receives the squared plane offset. The piece tests (group id,
// nearness of the reference points) are the caller's.
inline int IsPartnerEnd(const TRACK* p, int i, float ex, float ey, const TRACK* q, int j, float* d2) {
    const TRACK_END& e = q->end[j];
    if (e.state != END_FREE) return 0;
    float dx = e.x - ex, dy = e.y - ey;
    *d2 = dx * dx + dy * dy;
    return *d2 < TRACK_PARTNER_RANGE * TRACK_PARTNER_RANGE && CheckConnectAngle(p, i, q, j);
}

// The index serves one joining run over an unchanging list, from Build to
// WriteGroupIds. In between every move of a piece, every store of end points
// and every change of a group id goes through it, and the pieces' group ids
// are brought up to date by WriteGroupIds at the end. Pieces are named by
// their place in the list. Its storage is kept from one run to the next.
class TRACK_JOIN_INDEX {
public:
    using Piece = int;
    static constexpr Piece NOPIECE = -1;

    void Build(TRACK* head);

    int GetCount() const { return static_cast<int>(pieces.size()); }
    TRACK* Track(Piece s) const { return pieces[s]; }
    // The place of a piece in the list, NOPIECE when it is not there.
    Piece Find(const TRACK* p) const;

    int GroupOf(Piece s);
    int IsGroupAllSelected(int id);
    // The piece of the nearest end that may join end i of piece s at (ex, ey),
    // the first in list and end order among equally near ones; NOPIECE when
    // none.
    Piece FindPartner(Piece s, int i, float ex, float ey);
    void MoveGroup(int id, float dx, float dy);
    // Every piece of group oldId takes newId; 1 when one of them is not
    // selected.
    int MergeGroup(int oldId, int newId);
    // Piece s (without a group id) takes group id id.
    void JoinGroup(Piece s, int id);
    void StoreEnds(Piece s, const float pts[6]);
    void WriteGroupIds();

private:
    // Open addressing from a 64-bit key to an int value.
    class KEYMAP {
    public:
        void Reserve(int n);
        int* Find(uint64_t key);
        int& At(uint64_t key, int absent); // inserts absent when new
        // Values stay in place until a new key is inserted.

    private:
        std::vector<uint64_t> keys;
        std::vector<int> values;
        std::vector<unsigned char> used;
        int count = 0;
        int shift = 60; // 64 - log2 of the capacity
        // Multiplicative hashing: the top bits of the key times 2^64 / phi.
        size_t Slot(uint64_t key) const { return static_cast<size_t>((key * 0x9E3779B97F4A7C15ULL) >> shift); }
        void Grow();
    };

    // Cells hold the tracked ends (index 3 x piece + end) as doubly linked
    // lists.
    void IndexEnd(int e);
    void UnindexEnd(int e);
    void Refile(int e);
    void MovePiece(Piece s, float dx, float dy);
    int Root(int s);
    void Unite(int a, int b, int id);
    void Relabel(int r, int id);

    std::vector<TRACK*> pieces;

    KEYMAP cells;
    std::vector<int> cellNext, cellPrev;
    std::vector<uint64_t> cellKey;
    std::vector<unsigned char> tracked; // free when the run began
    std::vector<unsigned char> filed;   // in a cell (its point is a number)

    // Groups: sets of pieces with a root, the group id and the count of
    // unselected pieces kept at the root, and a ring through the members.
    KEYMAP groupRoot; // group id -> root piece, -1 when the id is gone
    std::vector<int> parent, size, label, unselected, ring;
};
