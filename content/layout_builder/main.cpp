// Writes the bundled sample layout into the working folder, which must hold
// the generated content already: velmarine_layout (run inside that folder).
#include <cstdio>

#include "content/layout_builder/sample_layout.h"
#include "gfx/display.h"
#include "gfx/texturemanager.h"
#include "rail/layoutstate.h"

namespace {
// Releases the device objects and the device the way the program's shut-down
// does, so that nothing of the device outlives the run.
int Finish(int code) {
    DeleteDeviceObjects();
    textureManager.ReleaseAllTextures();
    display.CleanUp();
    return code;
}
}  // namespace

int main() {
    if (!sample::StartHeadlessDevice()) {
        std::fprintf(stderr, "velmarine_layout: no display device\n");
        return 1;
    }
    if (!sample::LoadGameDataHeadless()) {
        std::fprintf(stderr, "velmarine_layout: the object types could not be read (run it in the content folder)\n");
        return Finish(1);
    }
    char saved[LAYOUTFILENAMELEN] = {};
    if (!sample::BuildAndSaveSampleLayout(saved, sizeof saved)) {
        std::fprintf(stderr, "velmarine_layout: the sample layout could not be built, see startlog.txt\n");
        return Finish(1);
    }
    std::printf("velmarine_layout: wrote %s\n", saved);
    return Finish(0);
}
