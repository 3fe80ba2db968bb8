// Writes the bundled sample layout into the working folder, which must hold
// the generated content already: velmarine_layout (run inside that folder).
#include <cstdio>

#include "content/layout_builder/sample_layout.h"
#include "rail/layoutstate.h"

int main() {
    if (!sample::StartHeadlessDevice()) {
        std::fprintf(stderr, "velmarine_layout: no display device\n");
        return 1;
    }
    if (!sample::LoadGameDataHeadless()) {
        std::fprintf(stderr, "velmarine_layout: the object types could not be read (run it in the content folder)\n");
        return 1;
    }
    char saved[LAYOUTFILENAMELEN] = {};
    if (!sample::BuildAndSaveSampleLayout(saved, sizeof saved)) {
        std::fprintf(stderr, "velmarine_layout: the sample layout could not be built, see startlog.txt\n");
        return 1;
    }
    std::printf("velmarine_layout: wrote %s\n", saved);
    return 0;
}
