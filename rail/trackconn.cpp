// Track connections: end points, joining of ends, group ids, positions along
// pieces, walking over the track graph and the spread of track power.
#include <cmath>
#include <vector>

#include "app/messagequeue.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "rail/idpool.h"
#include "rail/power.h"
#include "rail/track.h"
#include "rail/trackjoin.h"

namespace {
constexpr double PI = 3.14159265358979323846;
constexpr double DEG = PI / 180.0;
constexpr float SNAP_ON = 0.24f;
constexpr float SNAP_OFF = 0.02f;
// Upper bound of the pieces one walk may cross.
constexpr int MAXWALKSTEPS = 100000;
} // namespace

float GetEndDirection(const TRACK* p, int e) {
    switch (e) {
    case 0:
        return p->heading + 180.0f;
    case 1:
        if (p->kind == TRACK_CURVE || p->kind == TRACK_RIGHTSWITCH) return p->heading + 22.5f;
        if (p->kind == TRACK_LEFTSWITCH) return p->heading - 22.5f;
        return p->heading;
    default:
        return p->heading;
    }
}

int DetCPos(const TRACK* p, float out[6]) {
    if (p->kind < 0 || p->kind > 5) {
        TraceText("Unknown type by DetCPos()");
        return 0;
    }
    float L = 0, R = 0;
    trackList.GetTypeValues(p->typeIndex, &L, nullptr, &R, nullptr, nullptr);
    double a = p->heading * DEG;
    double s = std::cos(a), r = std::sin(a);
    double off = (p->kind == TRACK_LEFTSWITCH) ? -1.0 : 1.0;
    double q = std::sin(a + off * PI / 16), pp = std::cos(a + off * PI / 16);
    double u = std::sin(a + off * PI / 8), w = std::cos(a + off * PI / 8);
    double x = p->x, y = p->y;
    double x0, y0, x1, y1, x2 = NOPOINT, y2 = NOPOINT;
    switch (p->kind) {
    case TRACK_STRETCHED:
    case TRACK_STRAIGHT:
    case TRACK_ENDPIECE: {
        double len = (p->kind == TRACK_STRETCHED) ? p->length : L;
        x0 = x - s * len / 2;
        y0 = y - r * len / 2;
        x1 = x + s * len / 2;
        y1 = y + r * len / 2;
        break;
    }
    case TRACK_CURVE:
    case TRACK_RIGHTSWITCH:
        x0 = x - (q - r) * R;
        y0 = y - (s - pp) * R;
        x1 = x + (u - q) * R;
        y1 = y + (pp - w) * R;
        if (p->kind == TRACK_RIGHTSWITCH) {
            x2 = x0 + L * s;
            y2 = y0 + L * r;
        }
        break;
    default: // left switch
        x0 = x - R * (r - q);
        y0 = y + R * (s - pp);
        x1 = x + R * (q - u);
        y1 = y - R * (pp - w);
        x2 = x0 + L * s;
        y2 = y0 + L * r;
        break;
    }
    out[0] = static_cast<float>(x0);
    out[1] = static_cast<float>(y0);
    out[2] = static_cast<float>(x1);
    out[3] = static_cast<float>(y1);
    out[4] = static_cast<float>(x2);
    out[5] = static_cast<float>(y2);
    return 1;
}

// Frees the partner end of end e when it links back to p.
static void FreePartner(TRACK* p, int e) {
    TRACK_END& own = p->end[e];
    TRACK* q = own.pTrack;
    if (q && own.conEnd >= 0 && own.conEnd <= 2 && q->end[own.conEnd].pTrack == p) {
        TRACK_END& other = q->end[own.conEnd];
        other.pTrack = nullptr;
        other.state = END_FREE;
        other.mark = 0;
    }
    own.pTrack = nullptr;
}

void InitConnection(TRACK* p, int clearInsulation) {
    for (int i = 0; i < 3; i++) {
        FreePartner(p, i);
        p->end[i].mark = 0;
        p->end[i].x = NOPOINT;
        p->end[i].y = NOPOINT;
        if (clearInsulation) p->end[i].bInsulated = 0;
    }
    switch (p->kind) {
    case TRACK_RIGHTSWITCH:
    case TRACK_LEFTSWITCH:
        p->end[0].state = p->end[1].state = p->end[2].state = END_FREE;
        break;
    case TRACK_ENDPIECE:
        p->end[0].state = END_FREE;
        p->end[1].state = p->end[2].state = END_NONE;
        break;
    case TRACK_STRAIGHT:
    case TRACK_STRETCHED:
    case TRACK_CURVE:
        p->end[0].state = p->end[1].state = END_FREE;
        p->end[2].state = END_NONE;
        break;
    default:
        TraceText("Unknown type by InitConnection()");
        break;
    }
}

void TRACK_LIST::DisconnectAll(TRACK* p) {
    for (int i = 0; i < 3; i++) {
        if (p->end[i].state != END_CONNECTED && !p->end[i].pTrack) continue;
        FreePartner(p, i);
        if (p->end[i].state == END_CONNECTED) p->end[i].state = END_FREE;
    }
}

int CheckConnectAngle(const TRACK* a, int ea, const TRACK* b, int eb) {
    if (ea < 0 || ea > 2) {
        TraceText("Unknown con1 by CheckConnectAngle()");
        return 0;
    }
    if (eb < 0 || eb > 2) {
        TraceText("Unknown con2 by CheckConnectAngle()");
        return 0;
    }
    double d = std::fmod(std::fabs(double(GetEndDirection(a, ea)) - GetEndDirection(b, eb)), 360.0);
    return std::fabs(d - 180.0) <= 1.0 ? 1 : 0;
}

int IsNearPoint(float x1, float y1, float x2, float y2) {
    if (x1 == x2 && y1 == y2) return 0;
    float dx = x1 - x2, dy = y1 - y2;
    return dx * dx + dy * dy < 20.0f;
}

int TRACK_LIST::IsGroupAllSelected(int id) const {
    for (TRACK* p = pHead; p; p = p->pNext)
        if (p->groupId == id && !p->bSelected) return 0;
    return 1;
}

static void LinkEnds(TRACK* p, int i, TRACK* q, int j) {
    p->end[i].state = END_CONNECTED;
    q->end[j].state = END_CONNECTED;
    p->end[i].conEnd = j;
    q->end[j].conEnd = i;
    p->end[i].pTrack = q;
    q->end[j].pTrack = p;
}

namespace {
// Partner search and group bookkeeping by a walk over the whole list for every
// end: the plain way, kept to check the index against.
struct LIST_SCAN {
    using Piece = TRACK*;
    static constexpr Piece NOPIECE = nullptr;

    TRACK_LIST& list;

    TRACK* Track(TRACK* p) const { return p; }
    int GroupOf(const TRACK* p) const { return p->groupId; }
    int IsGroupAllSelected(int id) const { return list.IsGroupAllSelected(id); }

    TRACK* FindPartner(TRACK* p, int i, float ex, float ey) const {
        TRACK* partner = nullptr;
        float best = 1000000.0f * 1000000.0f * 2.0f;
        for (TRACK* q = list.GetFirst(); q; q = q->pNext) {
            if (q == p || q->groupId == 0 || !IsNearPoint(q->x, q->y, p->x, p->y)) continue;
            for (int j = 0; j < 3; j++) {
                float d2;
                if (IsPartnerEnd(p, i, ex, ey, q, j, &d2) && d2 < best) {
                    best = d2;
                    partner = q;
                }
            }
        }
        return partner;
    }

    void MoveGroup(int id, float dx, float dy) { list.MoveGroup(id, dx, dy); }

    int MergeGroup(int oldId, int newId) {
        int any = 0;
        for (TRACK* t = list.GetFirst(); t; t = t->pNext) {
            if (t->groupId != oldId) continue;
            t->groupId = newId;
            if (!t->bSelected) any = 1;
        }
        return any;
    }

    void JoinGroup(TRACK* p, int id) { p->groupId = id; }
    void StoreEnds(TRACK* p, const float pts[6]) { p->StoreEnds(pts); }
};

bool IsTurning(const TRACK* p) { return p->bTurntable && p->bTurning; }
} // namespace

// Joins the free ends of one piece to matching free ends of other pieces,
// through either the plain scan or the index.
template <class JOINS>
static int JoinFreeEnds(TRACK_LIST& list, JOINS& joins, typename JOINS::Piece piece, int flag) {
    TRACK* p = joins.Track(piece);
    float pts[6];
    if (!DetCPos(p, pts)) return 0;
    bool snapOn;
    const int ownId = joins.GroupOf(piece);
    if (flag || (!p->bSelected && ownId)) snapOn = false;
    else snapOn = (ownId == 0 || joins.IsGroupAllSelected(ownId));
    int result = 0;
    for (int i = 0; i < 3; i++) {
        if (p->end[i].state != END_FREE) continue;
        float ex = pts[i * 2], ey = pts[i * 2 + 1];
        // The partner is the piece of the nearest free end that faces this one.
        typename JOINS::Piece partner = joins.FindPartner(piece, i, ex, ey);
        if (partner == JOINS::NOPIECE) continue;
        TRACK* q = joins.Track(partner);
        const int partnerId = joins.GroupOf(partner);
        if (IsTurning(q) || partnerId == 0 || !IsNearPoint(q->x, q->y, p->x, p->y)) continue;
        float tol = snapOn ? SNAP_ON : SNAP_OFF;
        for (int j = 0; j < 3; j++) {
            if (q->end[j].state != END_FREE) continue;
            float dx = q->end[j].x - ex, dy = q->end[j].y - ey;
            // The snap tolerance bounds the squared offset: ends 0.3 apart
            // snap together with 0.24 but stay apart with 0.02.
            if (dx * dx + dy * dy >= tol || !CheckConnectAngle(p, i, q, j)) continue;
            const int id = joins.GroupOf(piece);
            if (id) {
                if (id != partnerId) {
                    joins.MoveGroup(id, dx, dy);
                    if (joins.MergeGroup(partnerId, id)) snapOn = false;
                    LinkEnds(p, i, q, j);
                    idPool.FreeId(partnerId);
                } else {
                    LinkEnds(p, i, q, j);
                }
            } else {
                joins.JoinGroup(piece, partnerId);
                p->x += dx;
                p->y += dy;
                LinkEnds(p, i, q, j);
                if (!joins.IsGroupAllSelected(partnerId)) snapOn = false;
            }
            list.AdjustHeightsAtJoin(p, i);
            result = 1;
            DetCPos(p, pts);
            break;
        }
    }
    joins.StoreEnds(piece, pts);
    return result;
}

namespace {
TRACK_JOIN_INDEX joinIndex; // its storage is kept from one run to the next
bool joinIndexBusy = false;

// Holds the index for one joining run over the list and hands the group ids
// back to the pieces at its end. Runs do not nest; should one start inside
// another it gets no index.
struct JOIN_RUN {
    TRACK_JOIN_INDEX* index = nullptr;

    explicit JOIN_RUN(TRACK* head) {
        if (joinIndexBusy) return;
        joinIndexBusy = true;
        index = &joinIndex;
        index->Build(head);
    }
    ~JOIN_RUN() {
        if (!index) return;
        index->WriteGroupIds();
        joinIndexBusy = false;
    }
    JOIN_RUN(const JOIN_RUN&) = delete;
    JOIN_RUN& operator=(const JOIN_RUN&) = delete;
};
} // namespace

int TRACK_LIST::ConnectTrack(TRACK* p, int flag) {
    if (!pHead || !p) return 0;
    bool listed = false;
    for (TRACK* t = pHead; t && !listed; t = t->pNext) listed = (t == p);
    if (!listed || joinIndexBusy) return ConnectTrackScan(p, flag);
    JOIN_RUN run(pHead);
    return JoinFreeEnds(*this, *run.index, run.index->Find(p), flag);
}

int TRACK_LIST::ConnectTrackScan(TRACK* p, int flag) {
    if (!pHead || !p) return 0;
    LIST_SCAN scan{*this};
    return JoinFreeEnds(*this, scan, p, flag);
}

// Every piece but a turning turntable starts again in a group of its own.
void TRACK_LIST::ResetConnections() {
    idPool.Reset();
    for (TRACK* p = pHead; p; p = p->pNext) {
        if (IsTurning(p)) continue;
        InitConnection(p);
        p->groupId = 0;
        idPool.AssignId(p);
    }
}

// Selected pieces join first (they snap with the wide tolerance), then the
// others, both in list order.
void TRACK_LIST::RebuildConnections() {
    if (joinIndexBusy) {
        RebuildConnectionsScan();
        return;
    }
    ResetConnections();
    if (!pHead) return;
    JOIN_RUN run(pHead);
    TRACK_JOIN_INDEX& index = *run.index;
    const int n = index.GetCount();
    for (int pass = 0; pass < 2; pass++) {
        const bool selected = (pass == 0);
        for (int s = 0; s < n; s++) {
            const TRACK* p = index.Track(s);
            if ((p->bSelected != 0) == selected && !IsTurning(p)) JoinFreeEnds(*this, index, s, 0);
        }
    }
}

void TRACK_LIST::RebuildConnectionsScan() {
    ResetConnections();
    for (TRACK* p = pHead; p; p = p->pNext)
        if (p->bSelected && !IsTurning(p)) ConnectTrackScan(p, 0);
    for (TRACK* p = pHead; p; p = p->pNext)
        if (!p->bSelected && !IsTurning(p)) ConnectTrackScan(p, 0);
}

void TRACK_LIST::SetGroupOfRun(TRACK* start, int id) {
    for (TRACK* p = pHead; p; p = p->pNext) p->powerMark = 0;
    if (!start) return;
    std::vector<TRACK*> stack;
    stack.push_back(start);
    start->powerMark = 1;
    while (!stack.empty()) {
        TRACK* p = stack.back();
        stack.pop_back();
        p->groupId = id;
        for (int i = 0; i < 3; i++) {
            TRACK* q = (p->end[i].state == END_CONNECTED) ? p->end[i].pTrack : nullptr;
            if (q && !q->powerMark) {
                q->powerMark = 1;
                stack.push_back(q);
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Positions along a piece

int DetPosFromPospercent(const TRACK* p, int branch, int direction, float percent, D3DXVECTOR3* point, float* heading,
                         float* pitch) {
    if (!p || p->kind < 0 || p->kind > 5) {
        TraceText("Unknown track->type by DetPosFromPospercent()");
        return 0;
    }
    double P = percent / 100.0;
    double e = 22.5 * P;
    double a = p->heading * DEG;
    float R = 0;
    trackList.GetTypeValues(p->typeIndex, nullptr, nullptr, &R, nullptr, nullptr);
    const TRACK_END &e0 = p->end[0], &e1 = p->end[1], &e2 = p->end[2];
    double x, y;
    bool curved = p->kind == TRACK_CURVE || (p->IsSwitch() && branch != 1);
    if (!curved && p->IsSwitch()) {
        x = e0.x + P * (e2.x - e0.x);
        y = e0.y + P * (e2.y - e0.y);
    } else if (!curved) {
        x = e0.x + P * (e1.x - e0.x);
        y = e0.y + P * (e1.y - e0.y);
    } else {
        double f = R * std::sin(e * DEG);
        double n = (p->kind == TRACK_LEFTSWITCH) ? R * std::cos(e * DEG) - R : R - R * std::cos(e * DEG);
        x = e0.x + std::cos(a) * f - std::sin(a) * n;
        y = e0.y + std::sin(a) * f + std::cos(a) * n;
    }
    double z = e0.z + P * (e1.z - e0.z);
    double h = p->heading;
    if (p->kind == TRACK_CURVE || (p->kind == TRACK_RIGHTSWITCH && branch == 2)) h += e;
    else if (p->kind == TRACK_LEFTSWITCH && branch == 2) h -= e;
    double pt = -p->pitch;
    if (direction == -1) {
        h += 180.0;
        pt = -pt;
    }
    h -= 90.0;
    if (point) *point = D3DXVECTOR3(float(x), float(y), float(z));
    if (heading) *heading = float(h);
    if (pitch) *pitch = float(pt);
    return 1;
}

void DetPosAlongHeading(float x, float y, float z, float heading, float pitch, int direction, float distance,
                        D3DXVECTOR3* point, float* headingOut) {
    double g = heading * DEG, t = pitch * DEG;
    double k = double(distance) * direction;
    if (point)
        *point = D3DXVECTOR3(float(x - std::sin(g) * k), float(y + std::cos(g) * k), float(z + std::sin(t) * k));
    if (headingOut) *headingOut = heading;
}

// ---------------------------------------------------------------------------
// Walking

TRACK* WalkAlongTrack(TRACK* p, float pos, int branch, float dist, float* posOut, int* flipped, int* branchOut) {
    int flip = 0;
    TRACK* cur = p;
    int steps = 0;
    while (cur && dist != 0.0f) {
        float len = cur->length;
        if (!(len > 0.0f) || !std::isfinite(len) || !std::isfinite(dist) || ++steps > MAXWALKSTEPS) {
            // A piece without a usable length (or an endless loop of them)
            // ends the walk where it stands.
            if (!std::isfinite(pos)) pos = 0.0f;
            break;
        }
        float t = pos + dist;
        int exitEnd;
        if (t >= len) {
            exitEnd = (cur->IsSwitch() && branch == 1) ? 2 : 1;
            dist = t - len;
            pos = len;
        } else if (t > 0.0f) {
            pos = t;
            dist = 0.0f;
            break;
        } else {
            exitEnd = 0;
            dist = t;
            pos = 0.0f;
        }
        const TRACK_END& link = cur->end[exitEnd];
        if (link.state != END_CONNECTED || !link.pTrack || link.conEnd < 0 || link.conEnd > 2) {
            cur = nullptr;
            pos = 0.0f;
            break;
        }
        TRACK* next = link.pTrack;
        int f = link.conEnd;
        branch = (f == 0) ? next->switchState : (f == 1 ? 2 : 1);
        pos = (f == 0) ? 0.0f : next->length;
        if ((exitEnd == 0) == (f == 0)) {
            dist = -dist;
            flip ^= 1;
        }
        cur = next;
    }
    if (posOut) *posOut = cur ? pos : 0.0f;
    if (flipped) *flipped = flip;
    if (branchOut) *branchOut = branch;
    return cur;
}

int IsCouplingClose(const TRACK* a, float posA, const TRACK* b, float posB) {
    if (!a || !b) return 0;
    if (a == b) return std::fabs(posA - posB) < 0.03f;
    if (a->length < 0.06f || b->length < 0.06f) return 1;
    float gap = (posA < 0.03f ? posA : a->length - posA) + (posB < 0.03f ? posB : b->length - posB);
    return gap <= 0.03f;
}

// ---------------------------------------------------------------------------
// Power

void TRACK_LIST::PropagatePower(POWER_NODE* node, TRACK* start) {
    for (TRACK* p = pHead; p; p = p->pNext) p->powerMark = 0;
    if (!node || !start) return;
    // Depth-first over the joined ends in end order, as a recursion would
    // visit them, but on an explicit stack so long runs cannot exhaust the
    // call stack.
    struct Frame {
        TRACK* q;
        int nextEnd;
    };
    std::vector<Frame> stack;
    auto enter = [&](TRACK* q, int d) {
        q->powerMark = 1;
        q->pFeedNode = node;
        q->powerDir = d;
        q->powerValue = d * node->currentValue;
        stack.push_back({q, 0});
    };
    enter(start, 1);
    while (!stack.empty()) {
        Frame& fr = stack.back();
        if (fr.nextEnd > 2) {
            stack.pop_back();
            continue;
        }
        TRACK* q = fr.q;
        int i = fr.nextEnd++;
        const TRACK_END& e = q->end[i];
        if (e.bInsulated || e.state != END_CONNECTED || !e.pTrack) continue;
        TRACK* r = e.pTrack;
        int pe = e.conEnd;
        if (pe < 0 || pe > 2 || r->end[pe].bInsulated) continue;
        int d = q->powerDir;
        int dr = ((i == 0 && pe == 0) || (i > 0 && pe > 0)) ? -d : d;
        if (!r->powerMark) {
            enter(r, dr); // may move the vector: fr is not used afterwards
        } else if (r->powerDir != dr) {
            messageQueue.AddMessage(texts.Get(323), 0xFFFF0000);
        }
    }
}
