// The bundled sample layout: a small country station on an oval of track
// with a goods siding, a village, a pond, hills and a passenger train at the
// platform. Everything is made with the program's own lists, so the saved
// file is exactly what the editor would have written.
#include "content/layout_builder/sample_layout.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/myglobs.h"
#include "app/random.h"
#include "app/startlog.h"
#include "gfx/display.h"
#include "gfx/render.h"
#include "gfx/texturemanager.h"
#include "platform/d3d8.h"
#include "platform/paths.h"
#include "platform/window.h"
#include "rail/layoutfile.h"
#include "rail/layoutstate.h"
#include "rail/manualcontrol.h"
#include "rail/objcontrol.h"
#include "rail/power.h"
#include "rail/track.h"
#include "rail/train.h"
#include "world/anglesound.h"
#include "world/lightlist.h"
#include "world/terrain.h"
#include "world/terrobj.h"
#include "world/xobject.h"

namespace sample {

namespace {

constexpr double PI = 3.14159265358979323846;

// Standard track types (see TRACK_LIST::InitTrackTypes).
constexpr int kStraight1 = 0;   // straight, 1.0 long
constexpr int kStraight4 = 1;   // straight, 4.0 long
constexpr int kCurve = 2;       // 22.5-degree curve, radius 5.5
constexpr int kRightSwitch = 3; // switch branching towards the larger heading
constexpr int kEndPiece = 5;    // straight with a buffer stop

// Object types of the bundled content.
constexpr int kOak = 2001, kPoplar = 2002, kSpruce = 2003, kPine = 2004, kBush = 2005, kMaple = 2006;
constexpr int kHedge = 2007;
constexpr int kFarmhouse = 2009, kCottage = 3001, kTownhouse = 3002, kVilla = 3003, kBungalow = 3004;
constexpr int kFactory = 2602, kWarehouse = 4001, kSilo = 4002;
constexpr int kStation = 5001, kPlatform = 5002, kSignalBox = 5003, kWaterTower = 5005;
constexpr int kStreetLamp = 6001, kPlatformLamp = 6002;
constexpr int kNameBoard = 7002, kWhistleSign = 7003, kSemaphore = 7010;
constexpr int kBench = 8001, kFence = 8002, kCrates = 8003, kCar = 8004;
constexpr int kSteamEngine = 1201, kGreenCoach = 1351, kRedCoach = 1352;

// Ground textures of the atlas.
constexpr int kGroundLushGrass = 1, kGroundFlowers = 3, kGroundForest = 5, kGroundDirt = 6, kGroundSand = 8, kGroundGravel = 9,
              kGroundCobbles = 12, kGroundPloughed = 15, kGroundWheat = 16;

// The oval: straights along x at y = -5.5 (near side) and y = +5.5 (far
// side, with the station), each 16 long; curves of radius 5.5 at both ends.
constexpr float kLoopHalfLength = 8.0f;
constexpr float kLoopRadius = 5.5f;

// The information window is narrower than the text's wrapping width, so the
// description breaks its own lines (each fits the window in its text font).
const char kDescription[] =
    "Velmarine Halt - a small country station.\r\n"
    "\r\n"
    "A steam train with three coaches waits at the\r\n"
    "platform of the oval main line. The switch in\r\n"
    "front of the signal box leads to the goods\r\n"
    "siding at the warehouse.\r\n"
    "\r\n"
    "Open the control table to change the power of\r\n"
    "the line or to throw the switch. The village,\r\n"
    "the pond and the wooded hills are yours to\r\n"
    "extend.";

// A repeatable little generator, so the sample is the same on every build.
class Scatter {
public:
    explicit Scatter(uint32_t seed) : state(seed) {}
    float Next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>((state >> 8) & 0xFFFFFF) / static_cast<float>(0x1000000);
    }
    float Range(float lo, float hi) { return lo + (hi - lo) * Next(); }

private:
    uint32_t state;
};

float Wrap360(float a) {
    a = std::fmod(a, 360.0f);
    return a < 0.0f ? a + 360.0f : a;
}

float SmoothStep(float e0, float e1, float v) {
    float t = (v - e0) / (e1 - e0);
    t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    return t * t * (3.0f - 2.0f * t);
}

// The railway, the station and the village stay level; hills rise around
// them and a pond lies in the near left corner. Heights grow downward.
constexpr float kPondX = -17.5f, kPondY = -11.5f, kPondRadius = 4.6f;

// A country lane from the near edge past the pond and round the oval to the
// station forecourt.
std::vector<D3DXVECTOR2> LanePoints() {
    static const float corners[][2] = {{-4.0f, -20.5f}, {-8.0f, -15.0f}, {-11.0f, -11.0f}, {-15.5f, -4.5f},
                                       {-17.0f, 1.0f},  {-15.5f, 7.0f},  {-11.0f, 10.0f}, {-3.5f, 10.4f}};
    std::vector<D3DXVECTOR2> out;
    const int n = static_cast<int>(sizeof corners / sizeof corners[0]);
    for (int k = 0; k + 1 < n; ++k) {
        const float dx = corners[k + 1][0] - corners[k][0], dy = corners[k + 1][1] - corners[k][1];
        const int steps = std::max(1, static_cast<int>(std::hypot(dx, dy) / 0.6f));
        for (int s = 0; s < steps; ++s)
            out.push_back(D3DXVECTOR2(corners[k][0] + dx * s / steps, corners[k][1] + dy * s / steps));
    }
    out.push_back(D3DXVECTOR2(corners[n - 1][0], corners[n - 1][1]));
    return out;
}

float GroundShape(float x, float y) {
    float hill = 0.0f;
    auto bump = [&](float cx, float cy, float rx, float ry, float height) {
        const float dx = (x - cx) / rx, dy = (y - cy) / ry;
        hill += height * std::exp(-(dx * dx + dy * dy));
    };
    bump(-21.0f, 13.0f, 7.0f, 6.5f, 3.4f);
    bump(-9.0f, 20.0f, 9.0f, 4.0f, 2.2f);
    bump(19.0f, 17.0f, 9.0f, 5.0f, 2.8f);
    bump(26.0f, 3.0f, 4.0f, 9.0f, 1.8f);
    bump(-27.0f, -4.0f, 4.0f, 6.0f, 1.2f);
    // Distance outside the level zone around the line and the village.
    const float ox = std::max(0.0f, std::fabs(x) - 16.0f);
    const float oy = std::max(0.0f, std::max(y - 15.0f, -9.0f - y));
    const float mask = SmoothStep(0.0f, 5.0f, std::sqrt(ox * ox + oy * oy));
    float z = -hill * mask;
    const float pd = std::hypot(x - kPondX, y - kPondY);
    if (pd < kPondRadius) z += 0.55f * 0.5f * (1.0f + std::cos(static_cast<float>(PI) * pd / kPondRadius));
    return z;
}

void ShapeTerrain() {
    for (int i = 1; i < terrain.GetGridX(); ++i) {
        for (int j = 1; j < terrain.GetGridY(); ++j) {
            D3DXVECTOR3 v;
            if (!terrain.GetVertexPosition(i, j, &v)) continue;
            terrain.SetVertexHeight(i, j, GroundShape(v.x, v.y));
        }
    }
    terrain.ComputeNormals();
    terrain.RefreshTiles(-1, -1);
}

void PaintCells(int texture, float x0, float y0, float x1, float y1) {
    terrain.SetPaintTexture(texture);
    for (float x = x0; x <= x1; x += TERRAIN_CELLSIZE)
        for (float y = y0; y <= y1; y += TERRAIN_CELLSIZE) terrain.PaintCellAt(x, y);
}

void PaintBrushes(int texture, float brush, const std::vector<D3DXVECTOR2>& points) {
    terrain.SetPaintTexture(texture);
    terrain.SetBrushSize(brush);
    for (const D3DXVECTOR2& p : points) terrain.PaintBrushAt(p.x, p.y);
}

// Points along every piece of track, about one ground cell apart.
std::vector<D3DXVECTOR2> TrackPoints() {
    std::vector<D3DXVECTOR2> out;
    for (TRACK* p = trackList.GetFirst(); p; p = p->pNext) {
        const int branches = p->IsSwitch() ? 2 : 1;
        for (int b = 1; b <= branches; ++b) {
            const int steps = std::max(2, static_cast<int>(std::ceil(p->length / 0.8f)));
            for (int k = 0; k <= steps; ++k) {
                D3DXVECTOR3 pt;
                float h = 0.0f, pitch = 0.0f;
                if (DetPosFromPospercent(p, b, 1, 100.0f * k / steps, &pt, &h, &pitch))
                    out.push_back(D3DXVECTOR2(pt.x, pt.y));
            }
        }
    }
    return out;
}

void PaintGround() {
    // Sand around the pond.
    std::vector<D3DXVECTOR2> shore;
    for (int k = 0; k < 24; ++k) {
        const double a = 2.0 * PI * k / 24;
        shore.push_back(D3DXVECTOR2(kPondX + static_cast<float>(std::cos(a)) * (kPondRadius - 0.6f),
                                    kPondY + static_cast<float>(std::sin(a)) * (kPondRadius - 0.6f)));
    }
    PaintBrushes(kGroundSand, 8.0f, shore);
    // Fields in the near right corner, the station forecourt, a meadow with
    // flowers inside the oval and the forest floor on the left hill.
    PaintCells(kGroundWheat, 9.0f, -18.5f, 17.0f, -11.5f);
    PaintCells(kGroundPloughed, 18.5f, -18.5f, 25.0f, -11.5f);
    PaintCells(kGroundCobbles, -3.0f, 9.6f, 3.5f, 11.2f);
    std::vector<D3DXVECTOR2> meadow = {{-4.5f, 1.0f}, {-2.0f, 2.0f}, {0.5f, 0.8f}, {3.5f, 1.8f}, {-6.0f, -1.0f}};
    PaintBrushes(kGroundFlowers, 10.0f, meadow);
    std::vector<D3DXVECTOR2> forest = {{-22.0f, 12.0f}, {-18.0f, 15.0f}, {-24.0f, 16.0f}, {-20.0f, 9.0f},
                                       {-14.0f, 17.0f}};
    PaintBrushes(kGroundForest, 20.0f, forest);
    std::vector<D3DXVECTOR2> lush = {{-8.0f, 16.0f}, {8.0f, 16.5f}, {20.0f, 5.0f}, {-16.0f, -2.0f}};
    PaintBrushes(kGroundLushGrass, 16.0f, lush);
    PaintBrushes(kGroundDirt, 0.0f, LanePoints());
    // Gravel under the track.
    PaintBrushes(kGroundGravel, 0.0f, TrackPoints());
}

// ---------------------------------------------------------------------------
// Track

struct BuiltTrack {
    TRACK* pSwitch = nullptr;
    TRACK* pFeed = nullptr;
    TRACK* pPlatformTrack = nullptr;
};

bool BuildTrack(BuiltTrack* out) {
    // Near side, heading +x: the switch first (straight through), then
    // straights up to the right-hand curve.
    TrackCursor c{-kLoopHalfLength, -kLoopRadius, 0.0f};
    TRACK* sw = LayTrack(kRightSwitch, 0, 2, c);
    if (!sw) return false;
    TrackCursor siding{sw->end[1].x, sw->end[1].y, GetEndDirection(sw, 1)};
    bool ok = LayTrack(kStraight1, 0, 1, c) && LayTrack(kStraight1, 0, 1, c);
    TRACK* feed = nullptr;
    for (int k = 0; k < 3 && ok; ++k) {
        TRACK* p = LayTrack(kStraight4, 0, 1, c);
        if (k == 1) feed = p;
        ok = p != nullptr;
    }
    for (int k = 0; k < 8 && ok; ++k) ok = LayTrack(kCurve, 0, 1, c) != nullptr;
    // Far side, heading -x, along the platform.
    TRACK* platform = nullptr;
    for (int k = 0; k < 4 && ok; ++k) {
        TRACK* p = LayTrack(kStraight4, 0, 1, c);
        if (k == 2) platform = p;
        ok = p != nullptr;
    }
    for (int k = 0; k < 8 && ok; ++k) ok = LayTrack(kCurve, 0, 1, c) != nullptr;
    if (!ok) return false;
    if (std::hypot(c.x + kLoopHalfLength, c.y + kLoopRadius) > 0.01f) {
        WriteStartLog("Sample layout: the oval does not close");
        return false;
    }
    // The siding into the oval: two short diagonal straights, a curve laid
    // backwards to turn parallel again, two straights and the buffer stop.
    ok = LayTrack(kStraight1, 0, 1, siding) && LayTrack(kStraight1, 0, 1, siding) &&
         LayTrack(kCurve, 1, 0, siding) && LayTrack(kStraight4, 0, 1, siding) &&
         LayTrack(kStraight4, 0, 1, siding) && LayTrack(kEndPiece, 0, -1, siding);
    if (!ok) return false;

    trackList.RebuildConnections();
    trackList.DetGroundStates();
    // Every end of every piece must be joined: the oval is closed and the
    // siding ends in its buffer stop, whose single end is joined too.
    int groupId = trackList.GetFirst()->groupId;
    for (TRACK* p = trackList.GetFirst(); p; p = p->pNext) {
        if (p->groupId != groupId) {
            WriteStartLog("Sample layout: the track is not one joined run");
            return false;
        }
        for (const TRACK_END& e : p->end) {
            if (e.state != END_NONE && e.state != END_CONNECTED) {
                WriteStartLog("Sample layout: a track end stayed open");
                return false;
            }
        }
    }
    sw->SetSwitchState1();
    // The switch keeps the name it got when it was laid ("S1") and gets its
    // cell in the control table, as a switch laid in the editor does.
    manualControlTable.SetControl(MCT_SWITCH, sw, sw->bSwitchInTable);
    out->pSwitch = sw;
    out->pFeed = feed;
    out->pPlatformTrack = platform;
    return true;
}

// ---------------------------------------------------------------------------
// Placed objects

TERROBJ* Place(int objId, float x, float y, float heading) {
    const int type = GetObjTypeById(objId);
    if (type < 0 || !IsPlaceableType(type)) {
        WriteStartLog("Sample layout: object type missing: ", objId);
        return nullptr;
    }
    return terrobjList.AddNew(type, objId, x, y, terrain.GetHeight(objId, x, y), heading, 0.0f, 0.0f);
}

// Whether (x, y) keeps clear of the track and the larger buildings.
bool IsClearForPlant(float x, float y) {
    for (const D3DXVECTOR2& p : TrackPoints())
        if (std::hypot(p.x - x, p.y - y) < 1.6f) return false;
    for (const D3DXVECTOR2& p : LanePoints())
        if (std::hypot(p.x - x, p.y - y) < 1.3f) return false;
    for (TERROBJ* o = terrobjList.GetFirst(); o; o = o->next)
        if (o->type != PLANT_TYPE && std::hypot(o->x - x, o->y - y) < 2.8f) return false;
    return std::hypot(x - kPondX, y - kPondY) > kPondRadius + 0.6f;
}

void PlaceObjects() {
    // The station on the far side, its platform along the track.
    Place(kStation, 0.0f, 8.3f, 0.0f);
    Place(kPlatform, 0.0f, 6.35f, 0.0f);
    Place(kPlatformLamp, -3.0f, 6.55f, 0.0f);
    Place(kPlatformLamp, 3.0f, 6.55f, 0.0f);
    Place(kNameBoard, -4.6f, 6.7f, 0.0f);
    Place(kBench, -1.5f, 6.6f, 0.0f);
    Place(kCar, 2.6f, 10.4f, 90.0f);
    Place(kSemaphore, 6.8f, 4.6f, 0.0f);
    Place(kWaterTower, 10.2f, 1.2f, 0.0f);

    // The goods corner inside the oval, by the siding.
    Place(kWarehouse, 2.0f, -1.8f, 0.0f);
    Place(kCrates, 4.6f, -2.4f, 20.0f);
    Place(kCrates, -0.7f, -2.6f, 0.0f);
    Place(kSignalBox, -7.2f, -7.6f, 0.0f);
    Place(kWhistleSign, -11.5f, -6.6f, 0.0f);

    // The village behind the station.
    Place(kFarmhouse, -11.5f, 13.0f, 0.0f);
    Place(kCottage, -6.5f, 12.0f, 90.0f);
    Place(kBungalow, -2.5f, 14.2f, 0.0f);
    Place(kTownhouse, 5.0f, 12.5f, 90.0f);
    Place(kVilla, 9.5f, 13.0f, 0.0f);
    Place(kStreetLamp, -4.2f, 10.6f, 0.0f);
    Place(kStreetLamp, 6.8f, 10.6f, 0.0f);
    Place(kStreetLamp, -9.0f, -7.4f, 0.0f);
    Place(kStreetLamp, -14.6f, 7.6f, 0.0f);
    Place(kBench, -12.6f, -8.2f, 150.0f);
    Place(kCar, -14.2f, -6.2f, 60.0f);
    for (int k = 0; k < 4; ++k) Place(kFence, -14.0f + 2.0f * k, 10.8f, 0.0f);

    // Industry on the right.
    Place(kFactory, 20.0f, 6.5f, 0.0f);
    Place(kSilo, 19.5f, -3.0f, 90.0f);

    // Trees: a wood on the left hill, poplars along the fields, a few trees
    // in the oval and bushes by the pond.
    Scatter rng(20261208u);
    int placed = 0;
    for (int tries = 0; tries < 400 && placed < 34; ++tries) {
        const float a = rng.Range(0.0f, 2.0f * static_cast<float>(PI)), r = 7.5f * std::sqrt(rng.Next());
        const float x = -20.5f + r * std::cos(a), y = 13.5f + 0.8f * r * std::sin(a);
        if (std::fabs(x) > 27.0f || std::fabs(y) > 20.0f || !IsClearForPlant(x, y)) continue;
        const float pick = rng.Next();
        Place(pick < 0.45f ? kSpruce : (pick < 0.8f ? kPine : kOak), x, y, rng.Range(0.0f, 360.0f));
        ++placed;
    }
    for (int k = 0; k < 7; ++k) Place(kPoplar, 8.0f + 2.4f * k, -10.6f, 0.0f);
    const float inner[][2] = {{-5.0f, 2.5f}, {-2.5f, 0.2f}, {4.5f, 2.6f}, {6.5f, 0.6f}, {-6.2f, -1.8f}};
    for (int k = 0; k < 5; ++k) Place(k % 2 ? kMaple : kOak, inner[k][0], inner[k][1], 40.0f * k);
    for (int k = 0; k < 9; ++k) {
        const double a = 2.0 * PI * (k + 0.3) / 9;
        const float x = kPondX + static_cast<float>(std::cos(a)) * (kPondRadius + 1.1f);
        const float y = kPondY + static_cast<float>(std::sin(a)) * (kPondRadius + 1.1f);
        if (IsClearForPlant(x, y)) Place(k % 3 ? kBush : kMaple, x, y, 37.0f * k);
    }
    placed = 0;
    for (int tries = 0; tries < 300 && placed < 22; ++tries) {
        const float x = rng.Range(-26.0f, 26.0f), y = rng.Range(-19.0f, 19.5f);
        if (!IsClearForPlant(x, y)) continue;
        if (std::fabs(x) < 15.0f && y > -9.0f && y < 16.0f) continue;  // the railway and the village
        if (x > 8.0f && x < 25.5f && y > -19.0f && y < -11.0f) continue; // the fields
        if (x > -9.0f && x < 8.0f && y < -9.0f) continue;                 // the view from the front
        const float pick = rng.Next();
        Place(pick < 0.3f ? kOak : (pick < 0.55f ? kMaple : (pick < 0.8f ? kBush : kSpruce)), x, y,
              rng.Range(0.0f, 360.0f));
        ++placed;
    }
    for (int k = 0; k < 6; ++k) Place(kHedge, -9.0f + 3.6f * k, 17.2f, 0.0f);
}

// ---------------------------------------------------------------------------
// The train

bool PlaceTrain(TRACK* piece) {
    const int consist[kVehicles] = {kSteamEngine, kGreenCoach, kRedCoach, kGreenCoach};
    return PlaceCoupledTrain(piece, consist, kVehicles);
}

void PlaceCamera() {
    // A three-quarter view from the near left over the oval to the station.
    layoutState.SetGroundPoint(-3.5f, 2.0f);
    display.SetCameraAngles(1.3f, 1.0f, 33.0f);
    display.UpdateView(1, layoutState.GetCameraTargetX(), layoutState.GetCameraTargetY());
}

}  // namespace

// Adds a piece of a track type whose end enterEnd meets the cursor, then
// moves the cursor to the piece's end exitEnd (exitEnd < 0 leaves it).
TRACK* LayTrack(int type, int enterEnd, int exitEnd, TrackCursor& c) {
    TRACK* p = trackList.AddNewTrack(type);
    if (!p) return nullptr;
    p->x = p->y = 0.0f;
    p->heading = 0.0f;
    const float turn = GetEndDirection(p, enterEnd) - p->heading;
    p->heading = Wrap360(c.dir + 180.0f - turn);
    p->pitch = 0.0f;
    float pts[6];
    if (!DetCPos(p, pts)) return nullptr;
    p->x = c.x - pts[enterEnd * 2];
    p->y = c.y - pts[enterEnd * 2 + 1];
    p->z = 0.0f;
    DetCPos(p, pts);
    p->StoreEnds(pts);
    for (TRACK_END& e : p->end) e.z = p->z;
    if (exitEnd >= 0) {
        c.x = pts[exitEnd * 2];
        c.y = pts[exitEnd * 2 + 1];
        c.dir = GetEndDirection(p, exitEnd);
    }
    return p;
}

bool PlaceCoupledTrain(TRACK* piece, const int* consist, int count) {
    // The first vehicle leads towards the piece's end 1; the others follow
    // behind it, each coupler resting on the next one.
    placeVehicleDirection = 1;
    TRAIN* previous = nullptr;
    TRACK* at = piece;
    float pos = piece->length * 0.8f;
    int branch = piece->switchState;
    for (int k = 0; k < count; ++k) {
        const int objId = consist[k];
        const int type = GetObjTypeById(objId);
        if (type != ENGINE_TYPE && type != CWAGON_TYPE && type != PWAGON_TYPE) {
            WriteStartLog("Sample layout: vehicle type missing: ", objId);
            return false;
        }
        if (previous) {
            float hl = 0.0f;
            GetObjHalfLength(objId, &hl);
            int flipped = 0;
            at = WalkAlongTrack(previous->pTrack, previous->posDistance, previous->branch,
                                -(previous->halfLength + hl), &pos, &flipped, &branch);
            if (!at || flipped) {
                WriteStartLog("Sample layout: no room for the train");
                return false;
            }
        }
        const float percent = at->length > 0.0f ? 100.0f * pos / at->length : 0.0f;
        TRAIN* t = trainList.AddNew();
        if (!t) return false;
        t->PlaceOnTrack(at, 0.0f, type, objId, percent);
        if (previous) {
            TRAIN::Couple(previous, 1, t, 0);
            previous->bFreeCoupler = 0;
            TRAIN::CheckCoupling(previous, 1, t, 0);
            if (previous->GetCoupled(1) != t) {
                WriteStartLog("Sample layout: the coaches could not be coupled");
                return false;
            }
        }
        previous = t;
    }
    return true;
}

bool StartHeadlessDevice() {
    if (display.GetDevice()) return true;
    setenv("VEL_HEADLESS", "1", 1);
    plat::ForceHeadlessDevices(true);
    myGlobs.ReadCommandLine("-c32 -x800 -y600");
    int error = 0;
    if (display.Init(plat::Instance(), SW_SHOW, &error) != 1 || !display.GetDevice()) {
        WriteStartLog("Sample layout: no display device, error: ", error);
        return false;
    }
    return true;
}

bool LoadGameDataHeadless() {
    trainList.LoadAllDetachInfo();
    lightList.LoadLightingTextures();
    lightList.LoadLampInfos();
    LoadGameTextures();
    int guard = 0;
    while (InitXobjects() && ++guard < 100000) {
    }
    WriteStartLog("Number of read X objects: ", myGlobs.xObjectCount);
    if (myGlobs.xObjectCount <= 0) return false;
    BuildIdTable();
    LoadUseAngleXZInfo();
    LinkXObjectSounds();
    OBJECT_CONTROL_SYSTEM::LoadInfo();
    myGlobs.LoadEngineSpots();
    trackList.InitTrackTypes();
    trackList.CreateRenderBuffer();
    terrobjList.InitBatchBuffers();
    return trackList.GetTypeCount() >= STANDARDTRACKTYPES;
}

bool BuildSampleLayout() {
    // Plants take a random size when placed: the same seed gives the same
    // sample on every build.
    VelSrand(1208u);
    if (!NewLayout(0, 4, 3)) return false;
    ShapeTerrain();

    BuiltTrack track;
    if (!BuildTrack(&track)) return false;

    // One feed point powers the whole line, switch and siding included.
    char name[POWERNAMELEN];
    powerList.MakePowerName(name);
    if (!powerList.CreateFeedPoint(track.pFeed, 75, name, 1)) return false;
    powerList.UpdatePower();

    PaintGround();
    PlaceObjects();
    if (!PlaceTrain(track.pPlatformTrack)) return false;

    trackList.FillRenderBuffer();
    terrobjList.BuildBatches();
    terrobjList.BuildShadowSprites();
    PlaceCamera();
    return true;
}

bool BuildAndSaveSampleLayout(char* savedName, int savedNameSize) {
    if (!BuildSampleLayout()) return false;
    const std::string file = std::string(kLayoutName) + GetLayoutExtension();
    if (!layoutState.SaveLayout(file.c_str())) return false;
    // The description next to the layout: its name with "txt" for the
    // extension's last three characters.
    std::string textName = file;
    textName.replace(textName.size() - 3, 3, "txt");
    FILE* f = plat::OpenFile(textName.c_str(), "wb");
    if (!f) {
        WriteStartLog("Sample layout: unable to write the description: ", NOLINEEND);
        WriteStartLog(textName.c_str());
        return false;
    }
    const bool written = std::fwrite(kDescription, 1, sizeof kDescription - 1, f) == sizeof kDescription - 1;
    if (std::fclose(f) != 0 || !written) return false;
    if (savedName && savedNameSize > 0) CopyText(savedName, savedNameSize, file.c_str());
    return true;
}

}  // namespace sample
