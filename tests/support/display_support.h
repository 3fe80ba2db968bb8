// Starting the display in tests: a headless device (state and buffers in
// memory, no drawing) or a real one in a window under the test's X server.
#pragma once

#include <cstdlib>

#include "app/myglobs.h"
#include "gfx/display.h"
#include "platform/d3d8.h"
#include "platform/window.h"

// The mode always comes from the command line, so no set-up dialog opens.
inline bool StartTestDisplay(bool headless) {
    if (display.GetDevice()) return true;
    if (headless) {
        setenv("VEL_HEADLESS", "1", 1);
        plat::ForceHeadlessDevices(true);
    } else if (!getenv("DISPLAY") && !getenv("WAYLAND_DISPLAY")) {
        return false;
    }
    myGlobs.ReadCommandLine("-c32 -x800 -y600");
    int error = 0;
    return display.Init(plat::Instance(), SW_SHOW, &error) == 1 && display.GetDevice() != nullptr;
}

inline bool StartHeadlessDisplay() { return StartTestDisplay(true); }
inline bool StartWindowDisplay() { return StartTestDisplay(false); }
