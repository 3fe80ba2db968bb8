// Static .x meshes through the object-type path: the input is read as an
// object type's mesh (loading, conversion, optimisation, bounds, materials
// and textures), drawn in both passes and highlighted, and walked through
// its locked buffers.
#include "fuzz/fuzz_support.h"
#include "world/xobject.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!velfuzz::StartProgram()) return 0;
    velfuzz::WriteInput("Scenes/xfiles/fuzzmesh.x", data, size);
    XOBJECT* type = new XOBJECT();
    if (type->Init("Scenes\\xfiles\\fuzzmesh.x", 1.0f, "-", "-", 0)) {
        for (int pass = 0; pass < 2; ++pass) type->Draw(0xFFFFFFFFu, 0xFF808080u, pass, pass, 1, 0);
        XVERTEX* vertices = nullptr;
        WORD* indices = nullptr;
        int vertexCount = 0, faceCount = 0;
        if (type->LockMesh(&vertices, &vertexCount, &indices, &faceCount)) type->UnlockMesh();
        velfuzz::RunFrames(1);
    }
    type->Release();
    delete type;
    return 0;
}
