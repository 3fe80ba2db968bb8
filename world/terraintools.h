// Helpers of the terrain editing tools (the tools themselves are members of
// TERRAIN2, declared in world/terrain.h).
#pragma once

#include "world/terrain.h"

// One colour channel darkened (trunc(c / 1.1)) or brightened (below 20 jumps
// to 20, 20..231 grows by a tenth, above 231 stays).
int ShadeDarker(int c);
int ShadeBrighter(int c);

// Grid index of a coordinate p on an axis of the given world size and vertex
// count: truncated (the cell vertex) or rounded (the nearest vertex).
int TerrainCellVertex(float p, float size, int count);
int TerrainRoundedVertex(float p, float size, int count);
