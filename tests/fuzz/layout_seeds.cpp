// Writes the seed inputs of the layout fuzz target into a folder:
//
//     fuzz_layout_seeds FOLDER
//
// The layouts are built with the program's own lists on the bundled object
// types and saved with its own saver; hostile values are then written into
// the saved bytes. Most seeds end where the terrain section would begin (the
// target appends a terrain to inputs that do not load as they stand), so
// that they stay a few KB and the fuzzer spends its time on the records.
#include <climits>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "rail/full_layout.h"
#include "support/testutil.h"

namespace {

// Sections of a saved file, as fulllayout::SectionOffsets numbers them.
enum Section { TRACKS, ADDITIONS, FEEDPOINTS, VEHICLES, CONTROLS, OBJECTS, TABLE, CAMERA, SETTINGS, TERRAIN };

// Field offsets within the records.
constexpr int TRACK_END0 = 56, TRACK_ENDSIZE = 36, TRACK_END_CONEND = 8;
constexpr int TRACK_NAME = 248, TRACK_FEATURENAME = 280, TRACK_TURNTABLEOBJ = 316;
constexpr int POWER_NAME = 8;
constexpr int TRAIN_NAME = 52, TRAIN_JITTERTIMER = 224;
constexpr int CONTROL_NAME = 8;
constexpr int TERROBJ_HASGATE = 148, GATE_NAME = 12, GATE_NAMELEN = 64;
constexpr int TERRAIN_VERTEXBYTES = 24 + 4, TERRAIN_UVBYTES = 28, UV_TEXTURE1 = 20, UV_TEXTURE2 = 24;

// Bundled object types that stand in for the ones the shared layout
// registers for itself.
const std::pair<int, int> kStandIns[] = {
    {fulllayout::PLANT, 2001}, {fulllayout::HOUSE, 3001},  {fulllayout::INDUSTRY, 4001},
    {fulllayout::RAILWAY, 1400}, {fulllayout::MISC, 8001}, {fulllayout::LAMP, 6001},
    {fulllayout::SIGN, 7001},  {fulllayout::GATE, 5035},   {fulllayout::ENGINE, 1202},
    {fulllayout::WAGON, 1302}, {fulllayout::COACH, 1351},
};
constexpr int ENGINE = 1202, GATE = 5035, LAMP = 6001;

std::string outDir;
int seeds = 0;

bool Put(const std::string& name, const std::string& bytes) {
    veltest::WriteFile(outDir + "/" + name, bytes);
    if (!std::filesystem::exists(outDir + "/" + name)) {
        std::fprintf(stderr, "seeds: cannot write %s\n", name.c_str());
        return false;
    }
    seeds++;
    return true;
}

int StandIn(int objId) {
    for (const auto& s : kStandIns)
        if (s.first == objId) return s.second;
    return objId;
}

void UseBundledTypes() {
    for (TERROBJ* o = terrobjList.GetFirst(); o; o = o->next) o->objId = StandIn(o->objId);
    for (TRAIN* t = trainList.GetFirst(); t; t = t->pNext) t->objId = StandIn(t->objId);
    for (TRACK* p = trackList.GetFirst(); p; p = p->pNext)
        if (p->bTurntable) p->turntableObj = StandIn(p->turntableObj);
    for (CONTROL* c = controlList.GetFirst(); c; c = c->pNext)
        if (c->type == CONTROL_MODEL || c->type == CONTROL_TURN) c->value = StandIn(c->value);
}

// A saved layout and where its sections begin.
struct SAVED {
    std::string file;
    std::vector<size_t> at;

    size_t Record(Section s, int k, int size) const { return at[s] + 4 + static_cast<size_t>(k) * size; }
    // The file up to where its terrain begins.
    std::string Records() const { return file.substr(0, at[TERRAIN]); }
    // Offset of the gate record that follows the first gate object.
    size_t FirstGate() const {
        size_t p = at[OBJECTS] + 4;
        while (p < at[TABLE] && ReadI32(file, p + TERROBJ_HASGATE) == 0) p += TERROBJ_RECORD_SIZE;
        return p + TERROBJ_RECORD_SIZE;
    }
};

bool Save(SAVED* s) {
    if (layoutState.SaveLayout("seed.roa") != 1) return false;
    s->file = veltest::ReadFile("seed.roa");
    s->at = fulllayout::SectionOffsets(s->file);
    return s->at.size() == 13;
}

// A small layout with one record of most kinds: a straight with a name, a
// feed point and a track addition, joined to a switch in the control table;
// a gate and a lamp; a switch control and a gate control; with a vehicle when
// asked.
bool BuildSmall(bool withVehicle) {
    if (NewLayout(0, 1, 1) != 1) return false;
    fulllayout::LAYOUT l;
    TRACK* main = fulllayout::PlacePiece(1, -3.0f, 0.0f, 0.0f);
    TRACK* sw = main ? fulllayout::Attach(main, 1, 3) : nullptr;
    if (!sw) return false;
    trackList.RebuildConnections();
    CopyText(main->name, TRACKNAMELEN, "Main");
    manualControlTable.SetControl(MCT_SWITCH, sw, 1);
    if (!powerList.CreateFeedPoint(main, 60, "Yard", 1)) return false;
    TRACKADDITION* a = AddTrackAddition();
    if (!a) return false;
    a->Init(1, main, 1, 2, 3);
    TERROBJ* gate = terrobjList.AddNew(RAILWAY_TYPE, GATE, 1.0f, 1.5f, 0.0f, 0.0f, 0.0f, 0.0f);
    if (!gate || !gate->gate || !terrobjList.AddNew(LAMP_TYPE, LAMP, -1.0f, -2.0f, 0.0f, 0.0f, 0.0f, 0.0f))
        return false;
    gate->gate->SetName("Gate");
    if (!fulllayout::AddControl(&l, CONTROL_SWITCH, main, nullptr, sw, 0, 0, 1, 0, 1.0f, "Points", 0, 0) ||
        !fulllayout::AddControl(&l, CONTROL_GATE, main, nullptr, gate, 1, 0, 0, 0, 0.0f, "Barrier", 0, 0))
        return false;
    if (withVehicle && !fulllayout::PlaceVehicle(main, ENGINE_TYPE, ENGINE, 50.0f)) return false;
    terrobjList.BuildBatches();
    return true;
}

bool BuildFull(bool withVehicles) {
    fulllayout::LAYOUT l;
    if (!fulllayout::Build(&l)) return false;
    UseBundledTypes();
    if (!withVehicles) trainList.DeleteAll();
    return true;
}

// The file rewritten as an older version writes it: records cut to their
// old sizes, and the camera and settings blocks of the version. Version 11
// cannot store controls.
std::string Downgrade(const SAVED& s, int version) {
    const std::string& f = s.file;
    char header[32];
    std::snprintf(header, sizeof header, "File version:%02d", version);
    std::string out = version == 10 ? "" : header;
    auto records = [&](Section section, int size, int oldSize, int trailing) {
        const int n = ReadI32(f, s.at[section]);
        out += f.substr(s.at[section], 4);
        for (int k = 0; k < n; k++) out += f.substr(s.Record(section, k, size), oldSize);
        out += f.substr(s.Record(section, n, size), trailing);
    };
    records(TRACKS, TRACKRECORDSIZE, version < 14 ? TRACKRECORDSIZE_V13 : TRACKRECORDSIZE, 0);
    out += f.substr(s.at[ADDITIONS], s.at[VEHICLES] - s.at[ADDITIONS]);
    records(VEHICLES, TRAINRECORDSIZE, version == 10 ? TRAINRECORDSIZE_V10 : TRAINRECORDSIZE, 0);
    if (ControlRecordSize(version) == 0) {
        out += std::string(4, '\0') + f.substr(s.at[OBJECTS] - 4, 4);
    } else {
        records(CONTROLS, CONTROLRECORDSIZE, ControlRecordSize(version), 4);
    }
    out += f.substr(s.at[OBJECTS], 4);
    for (size_t p = s.at[OBJECTS] + 4; p < s.at[TABLE];) {
        const bool gate = ReadI32(f, p + TERROBJ_HASGATE) != 0;
        out += f.substr(p, TerrobjRecordSize(version));
        p += TERROBJ_RECORD_SIZE;
        if (gate) out += f.substr(p, CGates::RECORD_SIZE);
        if (gate) p += CGates::RECORD_SIZE;
    }
    out += f.substr(s.at[TABLE], s.at[CAMERA] - s.at[TABLE]);
    out += f.substr(s.at[CAMERA], version >= 13 ? 76 : 48);
    out += f.substr(s.at[SETTINGS], version >= 14 ? 68 : 60);
    return out;
}

std::string Unterminated(std::string file, size_t at, int width) {
    file.replace(at, width, std::string(width, 'Q'));
    return file;
}

std::string WithI32(std::string file, size_t at, int32_t value) {
    WriteI32(file, at, value);
    return file;
}

bool WriteFullLayoutSeeds() {
    SAVED full, bare;
    if (!BuildFull(true) || !Save(&full) || !BuildFull(false) || !Save(&bare)) return false;
    bool ok = Put("full_layout.roa", full.Records());
    ok &= Put("full_layout_no_vehicles.roa", bare.Records());
    ok &= Put("full_layout_cut_in_tracks.roa", bare.file.substr(0, bare.Record(TRACKS, 4, TRACKRECORDSIZE) + 100));
    return ok;
}

bool WriteSmallLayoutSeeds() {
    SAVED s, v;
    if (!BuildSmall(false) || !Save(&s) || !BuildSmall(true) || !Save(&v)) return false;
    bool ok = Put("small_layout.roa", s.Records());
    ok &= Put("small_layout_vehicle.roa", v.Records());

    // Text fields that fill their whole width.
    ok &= Put("unterminated_track_name.roa", Unterminated(s.Records(), s.Record(TRACKS, 0, TRACKRECORDSIZE) + TRACK_NAME, TRACKNAMELEN));
    ok &= Put("unterminated_feature_name.roa",
              Unterminated(s.Records(), s.Record(TRACKS, 1, TRACKRECORDSIZE) + TRACK_FEATURENAME, TRACKFEATURENAMELEN));
    ok &= Put("unterminated_feed_point_name.roa",
              Unterminated(s.Records(), s.Record(FEEDPOINTS, 0, POWERRECORDSIZE) + POWER_NAME, POWERNAMELEN));
    ok &= Put("unterminated_vehicle_name.roa",
              Unterminated(v.Records(), v.Record(VEHICLES, 0, TRAINRECORDSIZE) + TRAIN_NAME, TRAINNAMELEN));
    ok &= Put("unterminated_control_name.roa",
              Unterminated(s.Records(), s.Record(CONTROLS, 0, CONTROLRECORDSIZE) + CONTROL_NAME, CONTROLNAMELEN));
    ok &= Put("unterminated_gate_name.roa", Unterminated(s.Records(), s.FirstGate() + GATE_NAME, GATE_NAMELEN));

    // The straight's end 1 names end 7 of the switch.
    ok &= Put("partner_end_7.roa",
              WithI32(s.Records(), s.Record(TRACKS, 0, TRACKRECORDSIZE) + TRACK_END0 + TRACK_ENDSIZE + TRACK_END_CONEND, 7));
    ok &= Put("vehicle_jitter_timer_min.roa",
              WithI32(v.Records(), v.Record(VEHICLES, 0, TRAINRECORDSIZE) + TRAIN_JITTERTIMER, INT_MIN));

    // Counts below zero and far beyond the file.
    const std::pair<const char*, size_t> counts[] = {
        {"tracks", s.at[TRACKS]},     {"additions", s.at[ADDITIONS]}, {"feed_points", s.at[FEEDPOINTS]},
        {"vehicles", s.at[VEHICLES]}, {"controls", s.at[CONTROLS]},   {"objects", s.at[OBJECTS]},
        {"table", s.at[TABLE] + 1},
    };
    for (const auto& c : counts) {
        ok &= Put(std::string("count_") + c.first + "_negative.roa", WithI32(s.Records(), c.second, -1));
        ok &= Put(std::string("count_") + c.first + "_huge.roa", WithI32(s.Records(), c.second, INT_MAX));
    }

    // Older file versions, and one too new.
    for (int version = 10; version <= 14; version++)
        ok &= Put("version_" + std::to_string(version) + ".roa", Downgrade(v, version));
    std::string tooNew = s.Records();
    tooNew[14] = '6';
    ok &= Put("version_16.roa", tooNew);
    ok &= Put("empty_file.roa", "");
    ok &= Put("header_only.roa", s.file.substr(0, 15));
    return ok;
}

bool WriteTurntableSeed() {
    if (NewLayout(0, 1, 1) != 1) return false;
    TRACK* table = fulllayout::PlacePiece(1, -2.0f, 0.0f, 0.0f);
    if (!table) return false;
    table->bTurntable = 1;
    table->pitHeading = 90.0f;
    table->targetHeading = table->heading;
    table->turntableObj = 1400;
    manualControlTable.SetControl(MCT_TURNTABLE, table, 1);
    SAVED s;
    if (!Save(&s)) return false;
    return Put("turntable_object_max.roa",
               WithI32(s.Records(), s.Record(TRACKS, 0, TRACKRECORDSIZE) + TRACK_TURNTABLEOBJ, INT_MAX));
}

bool WriteMidTurnSeed() {
    if (NewLayout(0, 1, 1) != 1) return false;
    TERROBJ* o = terrobjList.AddNew(MISC_TYPE, 8001, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    if (!o) return false;
    o->heading = 400.0f;
    o->targetHeading = 440.0f;
    o->turnSpeed = 20.0f;
    o->atTarget = 0;
    SAVED s;
    return Save(&s) && Put("object_mid_turn.roa", s.Records());
}

// A whole file: the small layout on a painted 1 by 1 terrain, with both
// ground textures of a blurred corner at INT_MIN.
bool WriteTerrainSeed() {
    if (!BuildSmall(false)) return false;
    terrain.SetPaintTexture(5);
    terrain.PaintBrushAt(0.5f, 0.5f);
    terrain.SetPaintTexture(9);
    terrain.PaintBrushAt(0.9f, 0.7f);
    SAVED s;
    if (terrain.GetBlurTableLength() == 0 || !Save(&s)) return false;
    const BLUR_ENTRY& blur = terrain.GetBlurEntry(0);
    const int vertices = ReadI32(s.file, s.at[TERRAIN] + 8);
    const size_t vertex = static_cast<size_t>(blur.i) * (terrain.GetGridY() + 1) + blur.j;
    const size_t uv = s.at[TERRAIN] + 12 + static_cast<size_t>(vertices) * TERRAIN_VERTEXBYTES +
                      (vertex * 6 + blur.role) * TERRAIN_UVBYTES;
    std::string file = WithI32(s.file, uv + UV_TEXTURE1, INT_MIN);
    return Put("terrain_texture_min.roa", WithI32(file, uv + UV_TEXTURE2, INT_MIN));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_layout_seeds FOLDER\n");
        return 2;
    }
    std::error_code ec;
    std::filesystem::create_directories(argv[1], ec);
    outDir = std::filesystem::absolute(argv[1], ec).string();
    if (!velfuzz::StartProgram()) return 1;
    const bool ok = WriteFullLayoutSeeds() && WriteSmallLayoutSeeds() && WriteTurntableSeed() && WriteMidTurnSeed() &&
                    WriteTerrainSeed();
    ClearLayout();
    std::printf("seeds: %d written to %s\n", seeds, outDir.c_str());
    if (!ok) std::fprintf(stderr, "seeds: a layout could not be built or saved\n");
    return ok ? 0 : 1;
}
