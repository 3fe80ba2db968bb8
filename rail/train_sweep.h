// The stretch-by-stretch walk over the track graph shared by the vehicle
// code (look-ahead, detach points, free-place check).
#pragma once

#include <cmath>

#include "rail/track.h"

namespace trainsweep {

constexpr int MAXSWEEPSTEPS = 100000;

enum SWEEP_RESULT { SWEEP_DONE = 0, SWEEP_END = 1, SWEEP_STOPPED = 2 };

// Walks dist from pos on piece p piece by piece like WalkAlongTrack, calling
// onSpan (piece, from, to, travelledBefore) for the stretch passed on each
// piece; onSpan answers true to stop. The walk stops at an end without a
// neighbour and before an end piece. *travelled gets the distance covered.
template <class F> inline int SweepTrack(TRACK* p, float pos, int branch, float dist, F&& onSpan, float* travelled) {
    float moved = 0.0f;
    int result = SWEEP_END;
    for (int steps = 0; p && steps < MAXSWEEPSTEPS; steps++) {
        float len = p->length;
        if (!(len > 0.0f) || !std::isfinite(len) || !std::isfinite(dist) || !std::isfinite(pos)) break;
        float t = pos + dist;
        float to;
        int exitEnd = -1;
        if (t >= len) {
            to = len;
            exitEnd = (p->IsSwitch() && branch == 1) ? 2 : 1;
        } else if (t > 0.0f) {
            to = t;
        } else {
            to = 0.0f;
            exitEnd = 0;
        }
        if (onSpan(p, pos, to, moved)) {
            result = SWEEP_STOPPED;
            break;
        }
        moved += std::fabs(to - pos);
        float rest = t - to;
        if (exitEnd < 0 || rest == 0.0f) {
            result = SWEEP_DONE;
            break;
        }
        const TRACK_END& link = p->end[exitEnd];
        if (link.state != END_CONNECTED || !link.pTrack || link.conEnd < 0 || link.conEnd > 2) break;
        TRACK* next = link.pTrack;
        if (next->bEndPiece) break;
        int f = link.conEnd;
        branch = (f == 0) ? next->switchState : (f == 1 ? 2 : 1);
        pos = (f == 0) ? 0.0f : next->length;
        if ((exitEnd == 0) == (f == 0)) rest = -rest;
        dist = rest;
        p = next;
    }
    if (travelled) *travelled = moved;
    return result;
}

} // namespace trainsweep
