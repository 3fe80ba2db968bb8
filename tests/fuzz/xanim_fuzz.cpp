// Animated .x meshes through the DirectX file parser: the input is loaded as
// an animated object type, a placed object gets it as its animated partner,
// and the partner is advanced and drawn over several frames.
#include "app/myglobs.h"
#include "app/winmain.h"
#include "fuzz/fuzz_support.h"
#include "world/aterrobj.h"
#include "world/axobject.h"
#include "world/terrobj.h"
#include "world/xobject.h"

namespace {

constexpr int kFuzzObjId = 14990;  // no bundled type uses it

void RemoveAnimatedType(int objId) {
    AXOBJECT** link = &axobjectList.head;
    while (*link && (*link)->GetObjId() != objId) link = &(*link)->next;
    if (!*link) return;
    AXOBJECT* found = *link;
    *link = found->next;
    --axobjectList.count;
    delete found;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!velfuzz::StartProgram()) return 0;
    velfuzz::WriteInput("Scenes/xfiles/anmc_fuzz.x", data, size);
    if (!axobjectList.AddOneAXObject("Scenes\\xfiles\\anmc_fuzz.x", "Fuzz", kFuzzObjId, 1.5f, 0.0f, 0, "-", "-",
                                     0xFFFFFFFFu, 0xFFFFFFFFu)) {
        RemoveAnimatedType(kFuzzObjId);
        return 0;
    }
    // A type slot for the partner to find its animation mode in.
    const int xid = myGlobs.xObjectCount;
    if (myGlobs.xObjects && xid < MAXXOBJECTS) {
        myGlobs.xObjects[xid].objId = kFuzzObjId;
        myGlobs.xObjects[xid].animMode = 2;
        myGlobs.xObjectCount = xid + 1;
        SetXID(kFuzzObjId, xid);
        TERROBJ owner;
        owner.x = 3.0f;
        owner.y = 4.0f;
        if (aterrobjList.AddNew(MISC_TYPE, kFuzzObjId, D3DXVECTOR3(0, 0, 0), 30.0f, &owner, 0.0f, 0.0f)) {
            for (int step = 0; step < 4; ++step) {
                frameTime = 40 + 300 * step;
                aterrobjList.UpdateAll();
                aterrobjList.RenderPartner(&owner, step & 1, step == 3);
            }
            aterrobjList.RemovePartner(&owner);
        }
        SetXID(kFuzzObjId, -1);
        myGlobs.xObjects[xid].objId = 0;
        myGlobs.xObjects[xid].animMode = 0;
        myGlobs.xObjectCount = xid;
    }
    RemoveAnimatedType(kFuzzObjId);
    velfuzz::RunFrames(1);
    return 0;
}
