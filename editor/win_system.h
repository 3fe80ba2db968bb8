// Helpers of the system, load and save windows that other editor code and
// the tests use.
#pragma once

#include <cstdint>

// Shows the save window with the layout's own name (or "board01").
void OpenSaveWindow();
// The file name of a layout name: the running edition's extension appended
// unless the name already ends with it.
void ComposeLayoutPath(const char* name, char* out, int outSize);
// 1 when a typed layout name can only name a file of the working folder and
// is short enough to keep its extension.
int IsSafeLayoutName(const char* name);
// Every window of the system group is filled anew when it opens next (tests).
void ResetSystemWindowsForTest();
// Tool flags and refill flags of the object, vehicle and terrain windows back
// to their start (tests).
void ResetObjectWindowsForTest();
// The colour a click at x percent of a colour bar gives from the bar's
// colour: lighter towards white on the left half, darker towards black on
// the right half, the bar's colour in the middle; alpha 255.
uint32_t DeriveBarColour(uint32_t base, float x);
