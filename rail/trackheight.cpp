// Track heights under the slope limit, levelling, dragging, forming the ground
// under selected track and gap completion.
#include <cmath>
#include <deque>
#include <new>
#include <unordered_set>

#include "app/startlog.h"
#include "rail/track.h"

void TrackFormGroundUnder(const TRACK* p); // track_links.cpp
void TrackFinishGroundForming();          // track_links.cpp

namespace {
constexpr double DEG = 3.14159265358979323846 / 180.0;
// Upper bound of the height steps one change may carry (a closed loop of
// track must not carry a change round and round).
constexpr int MAXCARRYSTEPS = 200000;

float Wrap360(float a) {
    a = std::fmod(a, 360.0f);
    if (a < 0.0f) a += 360.0f;
    if (a >= 360.0f) a -= 360.0f;
    return a;
}

struct CarryTask {
    TRACK* q;
    int a;
    float b;
    int dir;
};

// Pending carries of the change being made; a switch adds one per joined end.
std::deque<CarryTask>* carryQueue = nullptr;
} // namespace

void TRACK::DetPitch() {
    if (length > 0.0f) pitch = static_cast<float>(std::atan((end[0].z - end[1].z) / length) / DEG);
    z = (end[0].z + end[1].z) * 0.5f;
}

// Queues the carry of every joined end of switch q other than end a, each with
// its own height.
void TRACK_LIST::CarryOtherEnds(TRACK* q, int a, int dir) {
    for (int j = 0; j < 3; j++) {
        if (j == a) continue;
        const TRACK_END& e = q->end[j];
        if (e.state != END_CONNECTED || !e.pTrack) continue;
        CarryHeight(e.pTrack, e.conEnd, e.z, dir);
    }
}

void TRACK_LIST::CarryHeight(TRACK* q, int a, float b, int dir) {
    if (!q || a < 0 || a > 2) return;
    if (carryQueue) {
        // Called while a change is being carried: queue it.
        carryQueue->push_back({q, a, b, dir});
        return;
    }
    std::deque<CarryTask> queue;
    carryQueue = &queue;
    queue.push_back({q, a, b, dir});
    float m = TrackMaxAscent();
    int steps = 0;
    while (!queue.empty() && steps < MAXCARRYSTEPS) {
        CarryTask t = queue.front();
        queue.pop_front();
        float f = t.q->end[t.a].z;
        if ((t.dir > 0 && f >= t.b) || (t.dir < 0 && f <= t.b)) continue;
        TRACK* cur = t.q;
        int ca = t.a;
        float cb = t.b;
        while (cur && steps++ < MAXCARRYSTEPS) {
            cur->end[ca].z = cb;
            if (cur->IsSwitch() && ca > 0) cur->end[1].z = cur->end[2].z = cb;
            int far = (ca == 0) ? 1 : 0;
            float u = m * cur->length;
            if (std::fabs(cb - cur->end[far].z) <= u) {
                cur->DetPitch();
                cur->DetGroundState();
                if (cur->IsSwitch()) CarryOtherEnds(cur, ca, t.dir);
                break;
            }
            float old = cur->end[far].z;
            float nh = (t.dir < 0) ? std::fmin(cb + u, old) : std::fmax(cb - u, old);
            cur->end[far].z = nh;
            if (cur->IsSwitch()) {
                if (ca == 0) cur->end[2].z = nh;
                CarryOtherEnds(cur, ca, t.dir);
                cur->DetPitch();
                cur->DetGroundState();
                break;
            }
            cur->DetPitch();
            cur->DetGroundState();
            const TRACK_END& link = cur->end[far];
            if (link.state != END_CONNECTED || !link.pTrack) break;
            ca = link.conEnd;
            cb = nh;
            cur = link.pTrack;
        }
    }
    carryQueue = nullptr;
}

void TRACK_LIST::AdjustHeightsAtJoin(TRACK* p, int e) {
    if (!p || e < 0 || e > 2) return;
    const TRACK_END& own = p->end[e];
    if (!own.pTrack || own.conEnd < 0 || own.conEnd > 2) return;
    float v = own.pTrack->end[own.conEnd].z;
    if (std::fabs(v - own.z) < 0.02f) return;
    int dirs[3];
    for (int j = 0; j < 3; j++) dirs[j] = (p->end[j].z >= v) ? -1 : 1;
    p->end[0].z = p->end[1].z = v;
    if (p->IsSwitch()) p->end[2].z = v;
    p->DetPitch();
    p->DetGroundState();
    int last = p->IsSwitch() ? 2 : 1;
    for (int j = 0; j <= last; j++) {
        if (j == e) continue;
        const TRACK_END& l = p->end[j];
        if (l.state == END_CONNECTED && l.pTrack) CarryHeight(l.pTrack, l.conEnd, v, dirs[j]);
    }
}

void TRACK_LIST::LevelTrack(TRACK* p, int first) {
    if (!p) return;
    if (first) levelHeight = (p->end[0].z + p->end[1].z) * 0.5f;
    float v = levelHeight;
    int dirs[3];
    for (int j = 0; j < 3; j++) dirs[j] = (p->end[j].z >= v) ? -1 : 1;
    p->end[0].z = p->end[1].z = v;
    if (p->IsSwitch()) p->end[2].z = v;
    p->DetPitch();
    p->DetGroundState();
    int last = p->IsSwitch() ? 2 : 1;
    for (int j = 0; j <= last; j++) {
        const TRACK_END& l = p->end[j];
        if (l.state == END_CONNECTED && l.pTrack) CarryHeight(l.pTrack, l.conEnd, v, dirs[j]);
    }
}

void TRACK_LIST::DragTrackHeight(TRACK* p, float dy, int mode) {
    if (mode == 1) {
        pDragTrack = p;
        if (p) dragStartHeight = dragLastHeight = (p->end[0].z + p->end[1].z) * 0.5f;
        return;
    }
    if (!p || p != pDragTrack) return;
    float e = dragStartHeight + dy / 50.0f;
    if (e > -0.01f) e = -0.01f;
    int dir = (dragLastHeight > e) ? -1 : 1;
    dragLastHeight = e;
    int pivot = -1;
    for (int i = 0; i < 2; i++)
        if ((dir > 0 && p->end[i].z > e) || (dir < 0 && p->end[i].z < e)) pivot = i;
    if (pivot < 0) {
        p->end[0].z = p->end[1].z = e;
        if (p->IsSwitch()) p->end[2].z = e;
    } else if (pivot == 0) {
        p->end[1].z = 2 * e - p->end[0].z;
        if (p->IsSwitch()) p->end[2].z = p->end[1].z;
    } else {
        p->end[0].z = 2 * e - p->end[1].z;
        if (p->IsSwitch()) p->end[2].z = p->end[1].z;
    }
    // The tilt about a pivot must not lift the other end through the zero
    // level either.
    for (int i = 0; i < 3; i++)
        if (p->end[i].state != END_NONE && p->end[i].z > -0.01f) p->end[i].z = -0.01f;
    p->DetPitch();
    p->DetGroundState();
    int last = p->IsSwitch() ? 2 : 1;
    for (int j = 0; j <= last; j++) {
        const TRACK_END& l = p->end[j];
        if (l.state == END_CONNECTED && l.pTrack) CarryHeight(l.pTrack, l.conEnd, l.z, dir);
    }
}

void TRACK_LIST::LevelTerrainUnderSelection() {
    int any = 0;
    for (TRACK* p = pHead; p; p = p->pNext) {
        if (!p->bSelected) continue;
        TrackFormGroundUnder(p);
        any = 1;
    }
    if (!any) return;
    TrackFinishGroundForming();
    DetGroundStates();
}

// ---------------------------------------------------------------------------
// Gap completion

// The one free end among ends 0 and 1 of a piece; -1 when there is not exactly
// one.
static int SingleFreeEnd(const TRACK* p) {
    int free = -1, n = 0;
    for (int i = 0; i < 2; i++)
        if (p->end[i].state == END_FREE) {
            free = i;
            n++;
        }
    return n == 1 ? free : -1;
}

int TRACK_LIST::DetCompleteRoadGap(TRACK** first, TRACK** second, float* along, float* side, int* sign) {
    TRACK* sel[2] = {nullptr, nullptr};
    int n = 0;
    for (TRACK* p = pHead; p; p = p->pNext)
        if (p->bSelected) {
            if (n < 2) sel[n] = p;
            n++;
        }
    if (n != 2) return 420;
    if (sel[0]->IsSwitch() || sel[1]->IsSwitch()) return 440;
    if (sel[0]->kind == TRACK_ENDPIECE || sel[1]->kind == TRACK_ENDPIECE) return 441;
    int fe[2];
    float ang[2];
    for (int k = 0; k < 2; k++) {
        fe[k] = SingleFreeEnd(sel[k]);
        if (fe[k] < 0) return 430;
        ang[k] = Wrap360(GetEndDirection(sel[k], fe[k]));
    }
    if (std::fabs(std::fabs(ang[0] - ang[1]) - 180.0f) > 1.0f) return 460;
    if (sel[0]->groupId != sel[1]->groupId) return 450;
    // The first piece has the smaller angle; on equal angles the later one.
    int fi = (ang[0] < ang[1]) ? 0 : 1;
    int gi = 1 - fi;
    TRACK* f = sel[fi];
    TRACK* g = sel[gi];
    float dx = g->end[fe[gi]].x - f->end[fe[fi]].x;
    float dy = g->end[fe[gi]].y - f->end[fe[fi]].y;
    double a = ang[fi] * DEG;
    float al = static_cast<float>(dx * std::cos(a) + dy * std::sin(a));
    float sd = static_cast<float>(-dx * std::sin(a) + dy * std::cos(a));
    if (first) *first = f;
    if (second) *second = g;
    if (al < 0.0f) return 470;
    if (std::fabs(al) < 0.02f) al = 0.0f;
    if (std::fabs(sd) < 0.02f) sd = 0.0f;
    if (sign) *sign = (sd > 0.0f) ? 1 : (sd < 0.0f ? -1 : 0);
    if (along) *along = al;
    if (side) *side = std::fabs(sd);
    return 100;
}

int TRACK_LIST::InsertCompleteRoad(TRACK* f, TRACK* g, float along, float side, int sign) {
    if (!f || !g) return 480;
    if (side != 0.0f) {
        float t = sign * 22.5f;
        TRACK* found = nullptr;
        int foundEnd = 0;
        float gLen = 0.0f, sFound = 0.0f;
        TRACK* starts[2] = {f, g};
        for (int k = 0; k < 2 && !found; k++) {
            TRACK* cur = starts[k];
            int fr = SingleFreeEnd(cur);
            if (fr < 0) continue;
            int leave = (fr == 0) ? 1 : 0;
            bool forward = (fr == 0);
            float s = 0.0f;
            std::unordered_set<TRACK*> seen;
            while (cur && seen.insert(cur).second) {
                if (cur->kind == TRACK_CURVE) s += forward ? t : -t;
                float l = (s < -180.0f) ? -s - 180.0f : s;
                if (l >= 90.0f) {
                    gLen = side;
                    found = cur;
                    foundEnd = leave;
                    sFound = s;
                    break;
                }
                if (l > 0.0f) {
                    float gg = side / static_cast<float>(std::sin(l * DEG));
                    if (along >= gg * std::cos(l * DEG)) {
                        gLen = gg;
                        found = cur;
                        foundEnd = leave;
                        sFound = s;
                        break;
                    }
                }
                const TRACK_END& link = cur->end[leave];
                if (link.state != END_CONNECTED || !link.pTrack || link.pTrack->IsSwitch()) break;
                int entered = link.conEnd;
                cur = link.pTrack;
                forward = (entered == 0);
                leave = (entered == 0) ? 1 : 0;
            }
        }
        if (!found) return 480;
        InsertTrack(found, foundEnd, gLen);
        along = along - gLen * static_cast<float>(std::cos(sFound * DEG));
    }
    int fr = SingleFreeEnd(f);
    if (fr >= 0) InsertTrack(f, fr, along);
    return 100;
}

void TRACK_LIST::ShiftRun(TRACK* p, int e, float a) {
    if (!p || e < 0 || e > 2) return;
    double w = (GetEndDirection(p, e) + 180.0f) * DEG;
    float vx = static_cast<float>(a * std::cos(w)), vy = static_cast<float>(a * std::sin(w));
    std::unordered_set<TRACK*> moved;
    TRACK* cur = p;
    int entered = e;
    while (cur && moved.insert(cur).second) {
        cur->x += vx;
        cur->y += vy;
        for (int i = 0; i < 2; i++) {
            cur->end[i].x += vx;
            cur->end[i].y += vy;
        }
        int through = (entered == 0) ? 1 : 0;
        const TRACK_END& link = cur->end[through];
        if (link.state != END_CONNECTED || !link.pTrack) break;
        entered = link.conEnd;
        cur = link.pTrack;
    }
}

void InsertTrack(TRACK* p, int e, float a) {
    // Fills the length a with 1.0 straights followed by one shorter stretched
    // straight, each joined to the one before.
    while (p && e >= 0 && e <= 2 && a >= 0.02f && std::isfinite(a)) {
        float rest = 0.0f;
        if (a > 1.0f) {
            rest = a - 1.0f;
            a = 1.0f;
        }
        float w = GetEndDirection(p, e);
        if (p->end[e].state == END_CONNECTED) trackList.ShiftRun(p, e, a);
        TRACK* n = new (std::nothrow) TRACK;
        if (!n) {
            WriteStartLog("Out of memory in InsertTrack()!!!");
            return;
        }
        if (a == 1.0f) {
            n->kind = TRACK_STRAIGHT;
            n->typeIndex = 0;
        } else {
            n->kind = TRACK_STRETCHED;
            n->typeIndex = 6;
        }
        n->Init(a);
        double wr = w * DEG;
        TRACK_END& pe = p->end[e];
        n->x = pe.x + static_cast<float>(a / 2 * std::cos(wr));
        n->y = pe.y + static_cast<float>(a / 2 * std::sin(wr));
        n->z = pe.z;
        n->heading = w;
        n->pitch = 0.0f;
        trackList.AppendTrack(n);
        float pts[6];
        DetCPos(n, pts);
        n->end[0].x = pts[0];
        n->end[0].y = pts[1];
        n->end[0].z = pe.z;
        // The new end 1 takes over the old end block of p.
        n->end[1].pTrack = pe.pTrack;
        n->end[1].trackId = pe.trackId;
        n->end[1].conEnd = pe.conEnd;
        n->end[1].state = pe.state;
        n->end[1].bInsulated = pe.bInsulated;
        n->end[1].mark = pe.mark;
        n->end[1].x = pts[2];
        n->end[1].y = pts[3];
        n->end[1].z = pe.z;
        pe.pTrack = n;
        pe.conEnd = 0;
        pe.state = END_CONNECTED;
        pe.bInsulated = 0;
        pe.mark = 0;
        n->end[0].pTrack = p;
        n->end[0].conEnd = e;
        n->end[0].state = END_CONNECTED;
        TRACK_END& ne = n->end[1];
        if (ne.state == END_CONNECTED && ne.pTrack && ne.conEnd >= 0 && ne.conEnd <= 2) {
            ne.pTrack->end[ne.conEnd].pTrack = n;
            ne.pTrack->end[ne.conEnd].conEnd = 1;
        } else if (ne.state == END_CONNECTED) {
            ne.state = END_FREE;
            ne.pTrack = nullptr;
        }
        if (rest <= 0.0f) break;
        p = n;
        e = 1;
        a = rest;
    }
}
