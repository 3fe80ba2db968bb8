// Layout files.
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
