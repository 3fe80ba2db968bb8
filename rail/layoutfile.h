// Layout files: the numbering of saved records and the emptying of a layout.
// The saver and the loader themselves are members of LAYOUT_STATE.
//
// A layout file is "File version:" with two digits, then twelve sections in
// this order: tracks, track additions, power feed points, vehicles, controls,
// placed objects, the manual control table, the camera block, the settings
// block, the terrain, the lighting and the sky box. Each list writes and reads
// its own section; references between records are written as the numbers
// given just before the save and turned back into pointers after loading.
#pragma once

class SAVE_COUNTER {
public:
    SAVE_COUNTER();
    void Reset();
    int Next();

private:
    int value = 0;
};

extern SAVE_COUNTER saveCounter;

// Empties every list of the layout.
void ClearLayout();

// Puts the day/night button of the toolbar back: 232 at night, else 223.
void SetDayNightButton();

// The layout file extension of the running edition (".roa" or ".roi").
const char* GetLayoutExtension();
