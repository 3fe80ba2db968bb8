// Layout files: the input is loaded as a layout, a few frames run on it, then
// it is saved, loaded back and run again.
#include <cstdio>

#include "fuzz/fuzz_support.h"
#include "rail/control.h"
#include "rail/layoutfile.h"
#include "rail/layoutstate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!velfuzz::StartProgram()) return 0;
    velfuzz::WriteInput("fuzzin.roa", data, size);
    int result = layoutState.LoadLayout("fuzzin.roa");
    if (result == LOAD_NOT_EMPTY) {
        // Controls of an abandoned load stay behind and block every later
        // load; empty them so that the next inputs are read at all.
        static bool reported = false;
        if (!reported) std::fprintf(stderr, "fuzz: a failed load left records behind (load answers 400)\n");
        reported = true;
        controlList.RemoveAll();
        result = layoutState.LoadLayout("fuzzin.roa");
    }
    velfuzz::RunFrames(3);
    if (result == LOAD_OK) {
        layoutState.SaveLayout("fuzzsaved.roa");
        layoutState.LoadLayout("fuzzsaved.roa");
        velfuzz::RunFrames(2);
    }
    ClearLayout();
    return 0;
}
