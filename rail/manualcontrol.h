// The manual control table.
#pragma once

class MANUAL_CONTROL_TABLE {
public:
    MANUAL_CONTROL_TABLE();
    ~MANUAL_CONTROL_TABLE();
    void HandleInput();
    void Draw();
    // True when the cursor lies over the table's rows.
    int IsMouseOver() const;
    // type 0 power feed point, 1 switch, 2 detach point, 3 barrier, 4
    // turntable: on adds an entry for (type, object) unless one exists, off
    // removes it.
    void SetControl(int type, void* object, int on);
};

extern MANUAL_CONTROL_TABLE manualControlTable;
