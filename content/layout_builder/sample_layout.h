// The bundled sample layout: built with the program's own lists (terrain,
// track, power, vehicles, placed objects) and saved with its own layout saver.
#pragma once

struct TRACK;

namespace sample {

// The track of the sample: a closed oval of straights and 22.5-degree curves
// with one switch, and a siding off that switch ending at a buffer stop.
constexpr int kLoopPieces = 26;    // 1 switch, 2 short + 7 long straights, 16 curves
constexpr int kSidingPieces = 6;   // 2 diagonal straights, 1 curve, 2 straights, 1 end piece
constexpr int kTrackPieces = kLoopPieces + kSidingPieces;
constexpr int kVehicles = 4;       // an engine and three coaches, coupled
constexpr int kPowerFeeds = 1;

// The name the layout is saved under (the edition's extension is added).
constexpr const char* kLayoutName = "sample";

// Where the next piece of track joins: a point and the outward heading of
// the end it must meet.
struct TrackCursor {
    float x;
    float y;
    float dir;
};

// Adds a piece of a track type whose end enterEnd meets the cursor, then
// moves the cursor to the piece's end exitEnd (exitEnd < 0 leaves it).
TRACK* LayTrack(int type, int enterEnd, int exitEnd, TrackCursor& c);

// Puts count vehicles (object ids) coupled in a row on a piece, the first one
// at 80 percent of it leading towards its end 1. False with a start-log line
// when a type is missing or the train does not fit.
bool PlaceCoupledTrain(TRACK* piece, const int* consist, int count);

// Starts a headless display device (buffers in memory, nothing drawn).
bool StartHeadlessDevice();

// Reads the object types, track types and the other game data from the
// working folder like the program's loading state does. False when no object
// type could be read.
bool LoadGameDataHeadless();

// Empties the lists and builds the sample layout into them. False (with a
// start-log line) when a part of it could not be made.
bool BuildSampleLayout();

// Builds the sample layout and saves it as kLayoutName plus the layout
// extension in the working folder, with its description text next to it.
// Answers the saved file's name in *savedName (may be null).
bool BuildAndSaveSampleLayout(char* savedName, int savedNameSize);

}  // namespace sample
