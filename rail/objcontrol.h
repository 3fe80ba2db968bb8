// Object controls.
#pragma once

class OBJECT_CONTROL_SYSTEM {
public:
    static void LoadInfo();
};
