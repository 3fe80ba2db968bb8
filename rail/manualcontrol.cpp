// The manual control table: its entries, drawing, mouse handling and its
// section of the layout file.
#include "rail/manualcontrol.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "app/recordio.h"
#include "app/gamestate.h"
#include "app/input.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "editor/editor.h"
#include "gfx/display.h"
#include "gfx/myfont.h"
#include "rail/power.h"
#include "rail/track.h"
#include "sound/soundmanager.h"
#include "ui/coordinates.h"

using recordio::GetInt;
using recordio::PutInt;

namespace {

int testWidth = 0;
int testHeight = 0;

// Cells start here; the first cell's x is one pixel to the right.
constexpr int CELLLEFT = 89;
constexpr int CELLTOP = 82;  // cells lie at H - 82
constexpr int FRAMETOP = 100;

void Img(int id, int x, int y) {
    const int slot = GetCoordinates(id, nullptr, nullptr);
    DrawImage(id, x, y, slot, 0xffffffff);
}

void ImageSize(int id, int* w, int* h) {
    RECT src{};
    GetCoordinates(id, &src, nullptr);
    if (w) *w = src.right - src.left;
    if (h) *h = src.bottom - src.top;
}

bool Inside(const int r[4], int x, int y) { return x >= r[0] && x <= r[2] && y >= r[1] && y <= r[3]; }

using recordio::BytesLeft;

}  // namespace

int GetGaugePercent(int y) {
    float p = 115.0f - static_cast<float>(y) / 45.0f * 100.0f;
    if (p < 0.0f) p = 0.0f;
    if (p > 100.0f) p = 100.0f;
    return static_cast<int>(p);
}

void DrawGauge(int x, int y, int percent) {
    Img(564, x, y);
    int dx = 0, dy = 0;
    GetImageOffset(566, 0, &dx, &dy);
    const int knobY = y - static_cast<int>((static_cast<float>(percent) - 50.0f) / 50.0f * 24.0f) + 29 + dy;
    Img(566, x + 16, knobY);
}

// ---------------------------------------------------------------------------
// Entries

void MANUAL_CONTROL_ENTRY::GetControl(int* type, void** object) const {
    if (type) *type = controlType;
    if (object) *object = pObject;
}
void MANUAL_CONTROL_ENTRY::SetObject(void* object) { pObject = object; }
void MANUAL_CONTROL_ENTRY::DragItem(int) {}
void MANUAL_CONTROL_ENTRY::SaveId() {}
void MANUAL_CONTROL_ENTRY::RestoreObject() {}
void MANUAL_CONTROL_ENTRY::InitItems() {}
void MANUAL_CONTROL_ENTRY::GetName(char* out, int size) const {
    if (out && size > 0) out[0] = 0;
}
void MANUAL_CONTROL_ENTRY::DrawItems(int, int) {}
int MANUAL_CONTROL_ENTRY::ActItem(int, int, int) { return 0; }

void MANUAL_CONTROL_ENTRY::AddItem(int itemId, int x, int y) {
    if (itemCount >= MANUALCONTROL_MAXITEMS) return;
    MANUAL_CONTROL_ITEM& it = items[itemCount++];
    it.itemId = itemId;
    it.x = x;
    it.y = y;
    ImageSize(itemId, &it.width, &it.height);
    it.bItemDisabled = 0;
}

void MANUAL_CONTROL_ENTRY::SavePieceId() { objectId = Piece() ? Piece()->id : 0; }

void MANUAL_CONTROL_ENTRY::RestorePiece() { pObject = objectId ? trackList.FindById(objectId) : nullptr; }

// Power feed point: a gauge to drag.
void POWER_CONTROL_ENTRY::InitItems() { AddItem(564, 7, 3); }

void POWER_CONTROL_ENTRY::SetPercent(int percent) {
    POWER_NODE* n = Node();
    if (!n) return;
    n->SetFromSliderPercent(percent);
    n->Propagate();
}

void POWER_CONTROL_ENTRY::DragItem(int y) {
    // y is within the cell; the gauge item lies lower in it.
    SetPercent(GetGaugePercent(y - (itemCount > 0 ? items[0].y : 0)));
}

void POWER_CONTROL_ENTRY::SaveId() { objectId = Node() ? Node()->seqId : 0; }

void POWER_CONTROL_ENTRY::RestoreObject() { pObject = objectId ? powerList.FindById(objectId) : nullptr; }

void POWER_CONTROL_ENTRY::GetName(char* out, int size) const {
    if (!out || size <= 0) return;
    if (!Node()) {
        CopyText(out, size, "-NULL-");
        return;
    }
    char text[POWERNAMELEN] = {};
    Node()->GetInfo(nullptr, text, nullptr);
    CopyText(out, size, text);
}

void POWER_CONTROL_ENTRY::DrawItems(int cellX, int cellY) {
    if (itemCount < 1) return;
    const int percent = Node() ? Node()->GetSliderPercent() : 50;
    DrawGauge(cellX + items[0].x, cellY + items[0].y - 1, percent);
}

int POWER_CONTROL_ENTRY::ActItem(int itemId, int, int y) {
    if (itemId != 564) return 0;
    SetPercent(GetGaugePercent(y));
    return 1;
}

// Switch: one button showing the state.
void SWITCH_CONTROL_ENTRY::InitItems() { AddItem(572, 0, 0); }

// A switch is named in the table by its feature name, the one its window
// edits ("S" and a number at first), not by the piece's own name.
void SWITCH_CONTROL_ENTRY::GetName(char* out, int size) const {
    if (!out || size <= 0) return;
    out[0] = 0;
    if (Piece()) Piece()->GetFeatureName(out, size);
}

void SWITCH_CONTROL_ENTRY::DrawItems(int cellX, int cellY) {
    const TRACK* p = Piece();
    if (!p || itemCount < 1) return;
    const bool second = p->switchState == 2;
    const int image = p->kind == TRACK_LEFTSWITCH ? (second ? 575 : 574) : (second ? 573 : 572);
    Img(image, cellX + items[0].x, cellY + items[0].y);
}

int SWITCH_CONTROL_ENTRY::ActItem(int itemId, int, int) {
    TRACK* p = Piece();
    if (itemId != 572 || !p) return 0;
    p->switchState = p->switchState == 1 ? 2 : 1;
    soundManager.PlaySound("switchkey", 0, 0, 100.0f, 0);
    return 0;
}

// Detach point: one button, active or not.
void DETACH_CONTROL_ENTRY::InitItems() { AddItem(578, 17, 15); }

void DETACH_CONTROL_ENTRY::GetName(char* out, int size) const {
    if (!out || size <= 0) return;
    out[0] = 0;
    if (Piece()) Piece()->GetFeatureName(out, size);
}

void DETACH_CONTROL_ENTRY::DrawItems(int cellX, int cellY) {
    const TRACK* p = Piece();
    if (!p || itemCount < 1) return;
    Img(p->bDetachActive ? 578 : 579, cellX + items[0].x, cellY + items[0].y - 8);
}

int DETACH_CONTROL_ENTRY::ActItem(int itemId, int, int) {
    TRACK* p = Piece();
    if (itemId != 578 || !p) return 0;
    p->ToggleDetachActive();
    return 0;
}

// Barrier: one button, go or stop.
void BARRIER_CONTROL_ENTRY::InitItems() { AddItem(660, 0, 0); }

void BARRIER_CONTROL_ENTRY::GetName(char* out, int size) const {
    if (!out || size <= 0) return;
    out[0] = 0;
    if (Piece()) Piece()->GetFeatureName(out, size);
}

void BARRIER_CONTROL_ENTRY::DrawItems(int cellX, int cellY) {
    const TRACK* p = Piece();
    if (!p || itemCount < 1) return;
    Img(p->barrierShown == 1 ? 660 : 661, cellX + items[0].x, cellY + items[0].y);
}

int BARRIER_CONTROL_ENTRY::ActItem(int itemId, int, int) {
    TRACK* p = Piece();
    if (itemId != 660 || !p) return 0;
    p->UpdateBarrier(p->barrierShown == 1 ? 2 : 1, 0);
    return 0;
}

// Turntable: two buttons, a step either way.
void TTABLE_CONTROL_ENTRY::InitItems() {
    AddItem(713, 12, 3);
    AddItem(714, 12, 30);
}

void TTABLE_CONTROL_ENTRY::GetName(char* out, int size) const {
    if (!out || size <= 0) return;
    out[0] = 0;
    if (Piece()) Piece()->GetFeatureName(out, size);
}

void TTABLE_CONTROL_ENTRY::DrawItems(int cellX, int cellY) {
    for (int i = 0; i < itemCount; i++) Img(items[i].itemId, cellX + items[i].x, cellY + items[i].y);
}

int TTABLE_CONTROL_ENTRY::ActItem(int itemId, int, int) {
    TRACK* p = Piece();
    if (!p || !p->bTurntable) return 0;
    if (itemId == 713) p->RotateTurntable(2);
    else if (itemId == 714) p->RotateTurntable(3);
    return 0;
}

// ---------------------------------------------------------------------------
// The table

MANUAL_CONTROL_TABLE::MANUAL_CONTROL_TABLE() {}

MANUAL_CONTROL_TABLE::~MANUAL_CONTROL_TABLE() {
    while (pHead) Remove(pHead);
    WriteStartLog("Control table was deleted...");
}

void MANUAL_CONTROL_TABLE::SetScreenSizeForTest(int width, int height) {
    testWidth = width;
    testHeight = height;
}

MANUAL_CONTROL_ENTRY* MANUAL_CONTROL_TABLE::GetEntry(int index) const {
    if (index < 0) return nullptr;
    MANUAL_CONTROL_ENTRY* e = pHead;
    for (int i = 0; e && i < index; i++) e = e->pNext;
    return e;
}

MANUAL_CONTROL_ENTRY* MANUAL_CONTROL_TABLE::Find(int type, const void* object) const {
    for (MANUAL_CONTROL_ENTRY* e = pHead; e; e = e->pNext)
        if (e->controlType == type && e->pObject == object) return e;
    return nullptr;
}

MANUAL_CONTROL_ENTRY* MANUAL_CONTROL_TABLE::AddControl(int type, void* object, int id) {
    MANUAL_CONTROL_ENTRY* e = nullptr;
    switch (type) {
        case MCT_POWER: e = new (std::nothrow) POWER_CONTROL_ENTRY(); break;
        case MCT_SWITCH: e = new (std::nothrow) SWITCH_CONTROL_ENTRY(); break;
        case MCT_DETACH: e = new (std::nothrow) DETACH_CONTROL_ENTRY(); break;
        case MCT_BARRIER: e = new (std::nothrow) BARRIER_CONTROL_ENTRY(); break;
        case MCT_TURNTABLE: e = new (std::nothrow) TTABLE_CONTROL_ENTRY(); break;
        default:
            WriteStartLog("Unknown type in MANUAL_CONTROL_TABLE::AddControl()", type);
            return nullptr;
    }
    if (!e) {
        WriteStartLog("Out of memory in MANUAL_CONTROL_TABLE::AddControl()");
        return nullptr;
    }
    e->SetObject(object);
    e->objectId = id;
    e->InitItems();
    MANUAL_CONTROL_ENTRY** link = &pHead;
    MANUAL_CONTROL_ENTRY* last = nullptr;
    while (*link) {
        last = *link;
        link = &(*link)->pNext;
    }
    e->pPrev = last;
    *link = e;
    entryCount++;
    return e;
}

void MANUAL_CONTROL_TABLE::Remove(MANUAL_CONTROL_ENTRY* e) {
    if (!e) return;
    if (e->pPrev) e->pPrev->pNext = e->pNext;
    else pHead = e->pNext;
    if (e->pNext) e->pNext->pPrev = e->pPrev;
    if (pDragged == e) {
        pDragged = nullptr;
        if (inputState == 3) inputState = 0;
    }
    if (pItemEntry == e) {
        pItemEntry = nullptr;
        if (inputState == 1) inputState = 0;
    }
    delete e;
    entryCount--;
}

void MANUAL_CONTROL_TABLE::SetControl(int type, void* object, int on) {
    if (on) {
        if (!object || Find(type, object)) return;
        AddControl(type, object, 0);
        return;
    }
    // Every entry of the pair goes, so nothing keeps pointing at a removed
    // feature.
    while (MANUAL_CONTROL_ENTRY* e = Find(type, object)) Remove(e);
}

void MANUAL_CONTROL_TABLE::Clear() {
    while (pHead) Remove(pHead);
    entryCount = 0;
    inputState = 0;
    pDragged = nullptr;
    pItemEntry = nullptr;
    scrollOffset = 0;
}

// ---------------------------------------------------------------------------
// Geometry and drawing

void MANUAL_CONTROL_TABLE::UpdateGeometry() {
    if (testWidth > 0 && testHeight > 0) {
        screenW = testWidth;
        screenH = testHeight;
    } else if (display.IsFullscreen()) {
        screenW = display.GetScreenWidth();
        screenH = display.GetScreenHeight();
    } else {
        RECT rc{};
        if (display.GetWindowHandle()) GetClientRect(display.GetWindowHandle(), &rc);
        screenW = (rc.right - rc.left) - 20;
        screenH = (rc.bottom - rc.top) - 50;
    }
    const int H = screenH;
    int v = (screenW - leftMargin - rightMargin - 1) / MANUALCONTROL_CELLWIDTH;
    if (v > entryCount) v = entryCount;
    if (v < 0) v = 0;
    visibleCount = v;
    if (scrollOffset > entryCount - v) scrollOffset = entryCount - v;
    if (scrollOffset < 0) scrollOffset = 0;
    bCanScrollLeft = scrollOffset > 0;
    bCanScrollRight = scrollOffset + v < entryCount;

    leftArrow[0] = 89, leftArrow[1] = H - 96, leftArrow[2] = 101, leftArrow[3] = H - 84;
    rightArrow[0] = 51 * v + 78, rightArrow[1] = H - 96, rightArrow[2] = 51 * v + 90, rightArrow[3] = H - 84;

    int th = 0;
    ImageSize(587, &thumbWidth, &th);
    trackStart = 101;
    trackEnd = 51 * v + 101 - thumbWidth - 23;
    if (trackEnd < trackStart) trackEnd = trackStart;
    if (inputState != 2) {
        const int rest = entryCount - v;
        if (scrollOffset == 0 || rest <= 0) {
            thumbX = trackStart;
        } else if (scrollOffset + v >= entryCount) {
            thumbX = trackEnd;
        } else {
            thumbX = trackStart + ((trackEnd - trackStart) / rest) * scrollOffset;
            if (thumbX > trackEnd) thumbX = trackEnd;
        }
    }
    thumbTop = H - 94;
    thumbRight = thumbX + thumbWidth;
    thumbBottom = thumbTop + th;

    if (bShown) {
        foldButton[0] = 8, foldButton[1] = H - 80, foldButton[2] = 83, foldButton[3] = H - 14;
    } else {
        foldButton[0] = 10, foldButton[1] = H - 76, foldButton[2] = 76, foldButton[3] = H - 15;
    }
}

void MANUAL_CONTROL_TABLE::Draw() {
    if (gameState != EDITOR_RUN_STATE) return;
    UpdateGeometry();
    if (entryCount <= 0) return;
    const int H = screenH;
    if (!bShown) {
        Img(586, 10, H - 76);
        return;
    }
    const int v = visibleCount;
    const bool second = myGlobs.secondEdition != 0;
    MANUAL_CONTROL_ENTRY* e = GetEntry(scrollOffset);
    for (int i = 0; i < v && e; i++, e = e->pNext) {
        const int x = 90 + MANUALCONTROL_CELLWIDTH * i;
        const int y = H - CELLTOP;
        Img(662, x, y);
        e->DrawItems(x, y);
        if (e == pDragged) Img(696, x, y);
        char text[MANUALCONTROL_NAMELEN] = {};
        e->GetName(text, sizeof text);
        if (second) DrawFontText(x + 3, y + 56, text, "font_taho2", 15, 0xFF755945, 0, 44);
        else DrawFontText(x + 2, y + 56, text, "font_taho2", 15, 0xFFFFFFFF, 0, 45);
    }
    Img(582, 0, H - FRAMETOP);
    DrawImageHStretch(583, 90, H - FRAMETOP, MANUALCONTROL_CELLWIDTH * v, GetCoordinates(583, nullptr, nullptr));
    Img(584, MANUALCONTROL_CELLWIDTH * v + 89, H - FRAMETOP);
    Img(580, 89, H - 96);
    Img(581, MANUALCONTROL_CELLWIDTH * v + 78, H - 96);
    if (entryCount >= 2) Img(587, thumbX, thumbTop);
    Img(585, 8, H - 80);
}

int MANUAL_CONTROL_TABLE::IsMouseOver() {
    UpdateGeometry();
    if (entryCount <= 0) return 0;
    const int H = screenH;
    if (!bShown) return Inside(foldButton, cursorX, cursorY) ? 1 : 0;
    if (visibleCount <= 0) return 0;
    return (cursorX >= 0 && cursorX <= leftMargin + rightMargin + MANUALCONTROL_CELLWIDTH * visibleCount &&
            cursorY >= H - FRAMETOP && cursorY <= H)
               ? 1
               : 0;
}

// ---------------------------------------------------------------------------
// Input

void MANUAL_CONTROL_TABLE::MoveDragged(int mouseX) {
    if (!pDragged || visibleCount <= 0 || mouseX < CELLLEFT) return;
    int cell = (mouseX - CELLLEFT) / MANUALCONTROL_CELLWIDTH;
    if (cell >= visibleCount) cell = visibleCount - 1;
    MANUAL_CONTROL_ENTRY* target = GetEntry(cell + scrollOffset);
    if (!target || target == pDragged) return;
    const int localX = mouseX - (90 + MANUALCONTROL_CELLWIDTH * cell);
    MANUAL_CONTROL_ENTRY* d = pDragged;
    // Out of the list...
    if (d->pPrev) d->pPrev->pNext = d->pNext;
    else pHead = d->pNext;
    if (d->pNext) d->pNext->pPrev = d->pPrev;
    // ...and in again before or after the target.
    if (localX < 25) {
        d->pNext = target;
        d->pPrev = target->pPrev;
        if (target->pPrev) target->pPrev->pNext = d;
        else pHead = d;
        target->pPrev = d;
    } else {
        d->pPrev = target;
        d->pNext = target->pNext;
        if (target->pNext) target->pNext->pPrev = d;
        target->pNext = d;
    }
}

void MANUAL_CONTROL_TABLE::HandleInput() {
    if (gameState != EDITOR_RUN_STATE) return;
    UpdateGeometry();
    const int H = screenH;
    switch (inputState) {
        case 1:
            if (mouseLeftUp || !pItemEntry) {
                inputState = 0;
                pItemEntry = nullptr;
                mouseLeftUp = 0;
            } else {
                pItemEntry->DragItem(cursorY - (H - CELLTOP));
            }
            return;
        case 2: {
            int x = cursorX - grabOffset;
            if (x < trackStart) x = trackStart;
            if (x > trackEnd) x = trackEnd;
            thumbX = x;
            const int rest = entryCount - visibleCount;
            if (trackEnd > trackStart && rest > 0) {
                const float f = static_cast<float>(thumbX - trackStart) / static_cast<float>(trackEnd - trackStart);
                scrollOffset = static_cast<int>(f * static_cast<float>(rest) + 0.49f);
            } else {
                scrollOffset = 0;
            }
            if (mouseLeftUp) {
                inputState = 0;
                mouseLeftUp = 0;
            }
            return;
        }
        case 3:
            MoveDragged(cursorX);
            if (mouseRightUp) {
                pDragged = nullptr;
                inputState = 0;
            }
            return;
        default:
            break;
    }

    if (editorState != 100 || dragState != 1) return;
    if (!mouseLeftDown && !mouseLeftUp && !mouseRightDown) return;
    if (entryCount <= 0) return;
    const int over = IsMouseOver();
    const int x = cursorX, y = cursorY;

    if (mouseLeftDown && Inside(foldButton, x, y)) {
        bShown = !bShown;
        soundManager.PlaySound("switchkey", 0, -1000, 80.0f, 0);
        UpdateGeometry();
    } else if (bShown) {
        const bool fits = visibleCount >= entryCount;
        const int thumbRect[4] = {thumbX, thumbTop, thumbRight, thumbBottom};
        if (mouseLeftDown && !fits && Inside(thumbRect, x, y)) {
            grabX = x;
            grabOffset = x - thumbX;
            inputState = 2;
        } else if (mouseLeftDown && bCanScrollLeft && Inside(leftArrow, x, y)) {
            scrollOffset = scrollOffset > 0 ? scrollOffset - 1 : 0;
        } else if (mouseLeftDown && bCanScrollRight && Inside(rightArrow, x, y)) {
            scrollOffset++;
        } else if (y >= H - CELLTOP && x >= CELLLEFT && visibleCount > 0) {
            const int cell = (x - CELLLEFT) / MANUALCONTROL_CELLWIDTH;
            MANUAL_CONTROL_ENTRY* e = cell < visibleCount ? GetEntry(cell + scrollOffset) : nullptr;
            if (e && mouseRightDown) {
                pDragged = e;
                inputState = 3;
            } else if (e && mouseLeftDown) {
                const int cellX = 90 + MANUALCONTROL_CELLWIDTH * cell;
                const int cellY = H - CELLTOP;
                for (int i = 0; i < e->itemCount; i++) {
                    const MANUAL_CONTROL_ITEM& it = e->items[i];
                    if (it.bItemDisabled) continue;
                    const int ix = x - (cellX + it.x), iy = y - (cellY + it.y);
                    if (ix < 0 || iy < 0 || ix >= it.width || iy >= it.height) continue;
                    const int result = e->ActItem(it.itemId, ix, iy);
                    inputState = result;
                    if (result == 1) pItemEntry = e;
                    break;
                }
            }
        }
    }
    if (over) {
        mouseLeftDown = 0;
        mouseLeftUp = 0;
    }
}

// ---------------------------------------------------------------------------
// Layout file

void MANUAL_CONTROL_TABLE::SaveIds() {
    for (MANUAL_CONTROL_ENTRY* e = pHead; e; e = e->pNext) e->SaveId();
}

int MANUAL_CONTROL_TABLE::Save(FILE* file) {
    if (!file) return 0;
    unsigned char b[8];
    b[0] = static_cast<unsigned char>(bShown & 0xFF);
    if (std::fwrite(b, 1, 1, file) != 1) return 0;
    PutInt(b, entryCount);
    if (std::fwrite(b, 1, 4, file) != 4) return 0;
    for (MANUAL_CONTROL_ENTRY* e = pHead; e; e = e->pNext) {
        PutInt(b, e->controlType);
        PutInt(b + 4, e->objectId);
        if (std::fwrite(b, 1, 8, file) != 8) return 0;
    }
    return 1;
}

int MANUAL_CONTROL_TABLE::Load(FILE* file) {
    if (!file) return 0;
    unsigned char b[8];
    if (std::fread(b, 1, 5, file) != 5) {
        WriteStartLog("Control table section missing in MANUAL_CONTROL_TABLE::Load()");
        return 0;
    }
    const int shown = b[0];
    const int32_t count = GetInt(b + 1);
    const long left = BytesLeft(file);
    if (count < 0 || (left >= 0 && static_cast<long long>(count) * 8 > left)) {
        WriteStartLog("Bad entry count in MANUAL_CONTROL_TABLE::Load():", count < 0 ? 0 : count);
        return 0;
    }
    Clear();
    for (int i = 0; i < count; i++) {
        if (std::fread(b, 1, 8, file) != 8) {
            WriteStartLog("Control table section ends early in MANUAL_CONTROL_TABLE::Load()");
            Clear();
            return 0;
        }
        const int type = GetInt(b);
        const int id = GetInt(b + 4);
        if (type < MCT_POWER || type > MCT_TURNTABLE) {
            WriteStartLog("Control table entry of an unknown type dropped:", type < 0 ? 0 : type);
            continue;
        }
        AddControl(type, nullptr, id);
    }
    bShown = shown;
    pDragged = nullptr;
    pItemEntry = nullptr;
    inputState = 0;
    return 1;
}

void MANUAL_CONTROL_TABLE::RestoreObjects() {
    for (MANUAL_CONTROL_ENTRY* e = pHead; e;) {
        MANUAL_CONTROL_ENTRY* next = e->pNext;
        e->RestoreObject();
        const char* why = nullptr;
        TRACK* p = e->controlType == MCT_POWER ? nullptr : static_cast<TRACK*>(e->pObject);
        if (!e->pObject) why = "Control table entry dropped, its feature does not resolve:";
        else if (Find(e->controlType, e->pObject) != e) why = "Control table entry dropped, it is listed twice:";
        else if ((e->controlType == MCT_SWITCH && !p->IsSwitch()) || (e->controlType == MCT_DETACH && !p->bDetach) ||
                 (e->controlType == MCT_BARRIER && !p->bBarrier) ||
                 (e->controlType == MCT_TURNTABLE && !p->bTurntable))
            why = "Control table entry dropped, its piece lacks the feature:";
        if (why) {
            WriteStartLog(why, e->objectId < 0 ? 0 : e->objectId);
            Remove(e);
        } else {
            // The feature keeps the table in step when it goes; a flag that
            // is already on keeps its stored value.
            int* inTable = nullptr;
            if (!p) inTable = &static_cast<POWER_NODE*>(e->pObject)->bInTable;
            else if (e->controlType == MCT_SWITCH) inTable = &p->bSwitchInTable;
            else if (e->controlType == MCT_DETACH) inTable = &p->bDetachInTable;
            else if (e->controlType == MCT_BARRIER) inTable = &p->bBarrierInTable;
            else if (e->controlType == MCT_TURNTABLE) inTable = &p->bTurntableInTable;
            if (inTable && !*inTable) *inTable = 1;
        }
        e = next;
    }
}
