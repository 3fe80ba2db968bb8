// The screen list: hover and click tracking of the menu and toolbar items,
// their bounce, the fading input boxes, tooltips and the hover highlight.
#include "ui/screenlist.h"

#include <cstring>
#include <new>

#include "app/gamestate.h"
#include "app/input.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "app/winmain.h"
#include "editor/editor.h"
#include "gfx/display.h"
#include "gfx/myfont.h"
#include "gfx/screensprites.h"
#include "rail/layoutstate.h"
#include "ui/coordinates.h"
#include "ui/window.h"

namespace {

// The hovered id of the previous update; the tooltip anchor moves when it
// changes.
int previousHoveredId = 0;

bool Contains(const RECT& r, int x, int y) { return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom; }

struct TOOLTIP {
    int id;
    int text;
};

constexpr TOOLTIP TOOLTIPS[] = {{206, 156}, {218, 164}, {219, 168}, {220, 167}, {223, 157}, {226, 154}, {227, 155},
                                {231, 159}, {232, 158}, {233, 160}, {234, 161}, {236, 162}, {237, 163}, {238, 165},
                                {239, 166}, {240, 128}, {241, 389}, {242, 390}, {650, 169}, {702, 361}};

bool IsToolEditorState(int s) { return s == 154 || s == 113 || s == 153 || s == 150; }

}  // namespace

int IsEditorWindowOpen() {
    static const int OPEN_STATES[] = {106, 107, 127, 182, 166, 167, 132, 133, 131, 183,
                                      165, 168, 118, 128, 180, 164, 170, 130, 158};
    for (int s : OPEN_STATES)
        if (editorState == s) return 1;
    return 0;
}

SCREEN_LIST::SCREEN_LIST() : head(nullptr), hoveredId(SCREENLIST_NONE) {}

SCREEN_LIST::~SCREEN_LIST() { Clear(); }

int SCREEN_LIST::GetPreviousHoveredId() { return previousHoveredId; }

void SCREEN_LIST::Clear() {
    SCREEN_ITEM* i = head;
    while (i) {
        SCREEN_ITEM* n = i->next;
        delete[] i->label;
        delete i;
        i = n;
    }
    head = nullptr;
}

void SCREEN_LIST::AddItem(int id, int slot, const RECT* rect, int clickable, const char* label, int inputBox) {
    SCREEN_ITEM* item = new (std::nothrow) SCREEN_ITEM;
    if (!item) {
        WriteStartLog("Out of memory in SCREEN_LIST::AddItem()");
        return;
    }
    item->id = id;
    item->textureSlot = slot;
    item->clickable = clickable;
    item->inputBox = inputBox;
    item->visible = 1;
    item->hover = 0;
    // An id without a screen place of its own keeps the given rectangle.
    RECT screen = rect ? *rect : RECT{0, 0, 0, 0};
    GetCoordinates(id, &item->source, &screen);
    item->screen = (inputBox && rect) ? *rect : screen;
    if (label) {
        item->label = new (std::nothrow) char[SCREENITEM_LABELLEN];
        if (item->label) CopyText(item->label, SCREENITEM_LABELLEN, label);
        else WriteStartLog("Out of memory in SCREEN_LIST::AddInputObject()!!!");
    }
    if (!head) {
        head = item;
    } else {
        SCREEN_ITEM* last = head;
        while (last->next) last = last->next;
        last->next = item;
        item->previous = last;
    }
}

SCREEN_ITEM* SCREEN_LIST::FindFirst(int id) const {
    for (SCREEN_ITEM* i = head; i; i = i->next)
        if (i->id == id) return i;
    return nullptr;
}

void SCREEN_LIST::RemoveItem(int id) {
    SCREEN_ITEM* i = FindFirst(id);
    if (!i) return;
    if (i->previous) i->previous->next = i->next;
    else head = i->next;
    if (i->next) i->next->previous = i->previous;
    delete[] i->label;
    delete i;
}

void SCREEN_LIST::SetItemOffset(int id, int offset) {
    SCREEN_ITEM* i = FindFirst(id);
    if (!i) return;
    i->screen.left += offset - i->xOffset;
    i->screen.right += offset - i->xOffset;
    i->xOffset = offset;
}

int SCREEN_LIST::GetItemSlide(int id) {
    const SCREEN_ITEM* i = FindFirst(id);
    return i && i->slideDivisor ? i->slide / i->slideDivisor : 0;
}

bool SCREEN_LIST::FindItem(int id, SCREEN_ITEM* out) const {
    const SCREEN_ITEM* i = FindFirst(id);
    if (!i) return false;
    if (out) *out = *i;
    return true;
}

int SCREEN_LIST::GetClick(int* id, int* phase) {
    if (id) *id = clickedId;
    if (phase) *phase = clickPhase;
    return clickedId;
}

void SCREEN_LIST::Update() {
    clickedId = SCREENLIST_NONE;
    hoveredId = SCREENLIST_NONE;
    if (windowList.IsMouseOverAny()) return;
    if (!head) {
        previousHoveredId = SCREENLIST_NONE;
        return;
    }
    for (const SCREEN_ITEM* i = head; i; i = i->next) {
        if (i->clickable != 1 || !i->visible || !Contains(i->screen, cursorX, cursorY)) continue;
        hoveredId = i->id;
        if (mouseLeftDown || mouseLeftUp) {
            clickedId = i->id;
            // A press and a release in the same frame count as the release.
            clickPhase = mouseLeftUp ? 1 : 0;
        }
    }
    if (hoveredId != previousHoveredId) {
        anchorX = cursorX;
        anchorY = cursorY;
    }
    previousHoveredId = hoveredId;
    if (keyDelete && clickedId == SCREENLIST_NONE) {
        clickedId = 206;
        mouseLeftDown = 1;
        clickPhase = 0;
    }
}

int SCREEN_LIST::HitItem(int x, int y) {
    int hit = SCREENLIST_NONE;
    for (SCREEN_ITEM* i = head; i; i = i->next) i->hover = 0;
    for (SCREEN_ITEM* i = head; i; i = i->next) {
        if (!i->clickable || !Contains(i->screen, x, y)) continue;
        i->hover = 1;
        hit = i->id;
    }
    return mouseLeftDown ? hit : SCREENLIST_NONE;
}

int SCREEN_LIST::IsMouseOverItem() const {
    if (windowList.IsMouseOverAny()) return 0;
    for (const SCREEN_ITEM* i = head; i; i = i->next)
        if (i->visible && i->clickable && Contains(i->screen, cursorX, cursorY)) return 1;
    return 0;
}

int SCREEN_LIST::IsItemEnabled(int id) {
    switch (id) {
        case 206:
        case 226:
        case 227:
            return editorState == 100 || (IsToolEditorState(editorState) && layoutState.GetToolOption()) ? 1 : 0;
        case 218:
        case 223:
        case 231:
        case 232:
        case 233:
        case 234:
        case 236:
        case 237:
        case 238:
        case 240:
            return IsEditorWindowOpen() ? 0 : 1;
        case 650:
            return IsToolEditorState(editorState) && !layoutState.GetToolOption() ? 1 : 0;
        default:
            return 1;
    }
}

void SCREEN_LIST::DrawItem(SCREEN_ITEM* item, int mode) {
    if (!item->visible) return;
    if (item->hover) item->animating = 1;
    const int divisor = item->slideDivisor ? item->slideDivisor : 1;
    DWORD tint;
    if (item->animating) {
        tint = 0xFFFF7F7F;
        int shift = item->slide / divisor;
        item->screen.left -= shift;
        item->screen.right -= shift;
        if (item->slideDirection != 1) {
            if (item->hover || item->slide < 1 || frameTime < item->slide) {
                item->slide -= frameTime;
                if (item->slide < -300) {
                    item->slide = -600 - item->slide;
                    item->slideDirection = 1;
                }
            } else {
                item->animating = 0;
            }
        } else {
            if (item->hover || item->slide >= 0 || frameTime < -item->slide) {
                item->slide += frameTime;
                if (item->slide > 300) {
                    item->slide = 600 - item->slide;
                    item->slideDirection = -1;
                }
            } else {
                item->animating = 0;
            }
        }
        shift = item->slide / divisor;
        item->screen.left += shift;
        item->screen.right += shift;
    } else {
        tint = 0xFFFFFFFF;
        const int shift = item->slide / divisor;
        item->screen.left -= shift;
        item->screen.right -= shift;
        item->slide = 0;
    }

    const RECT& r = item->screen;
    if (item->inputBox) {
        const bool second = myGlobs.secondEdition != 0;
        float target[4];
        if (item->animating) {
            target[0] = 255.0f;
            target[1] = second ? 224.0f : 255.0f;
            target[2] = second ? 160.0f : 192.0f;
            target[3] = 176.0f;
        } else {
            target[0] = second ? 127.0f : 32.0f;
            target[1] = second ? 112.0f : 64.0f;
            target[2] = second ? 80.0f : 64.0f;
            target[3] = 128.0f;
        }
        for (int c = 0; c < 4; ++c) {
            item->target[c] = target[c];
            item->current[c] += (target[c] - item->current[c]) * static_cast<float>(frameTime) / 300.0f;
        }
        auto channel = [](float v) {
            int i = static_cast<int>(v);
            return static_cast<DWORD>(i < 0 ? 0 : (i > 255 ? 255 : i));
        };
        const DWORD colour = channel(item->current[3]) << 24 | channel(item->current[0]) << 16 |
                             channel(item->current[1]) << 8 | channel(item->current[2]);
        DrawBox(r.left, r.top, r.right, r.bottom, colour, SPRITEMODE_ADDITIVE);
    } else {
        DrawImageRect(item->id, r.left, r.top, r.right - r.left, r.bottom - r.top, item->textureSlot, tint, mode);
    }

    if (item->label && item->label[0]) {
        const int saved = screenSprites.GetUseSpriteBatch();
        screenSprites.SetUseSpriteBatch(1);
        int w = 0, h = 0;
        MeasureFontText("fontp", item->label, 44, &w, &h);
        if (h > 0) {
            const float s = 44.0f / static_cast<float>(h);
            const int x = r.left + (r.right - r.left - static_cast<int>(static_cast<float>(w) * s)) / 2;
            const int y = r.top + (r.bottom - r.top - static_cast<int>(s * static_cast<float>(h - 3))) / 2;
            DrawFontText(x, y, item->label, "fontp", 44, 0xFF102020, SPRITEMODE_LINEAR, -1);
        }
        screenSprites.SetUseSpriteBatch(saved);
    }
}

void SCREEN_LIST::DrawTooltip() {
    if (!layoutState.GetShowTooltips() || hoveredId == SCREENLIST_NONE) return;
    int text = -1;
    for (const TOOLTIP& t : TOOLTIPS)
        if (t.id == hoveredId) text = t.text;
    if (text < 0) return;
    const char* tip = texts.Get(text);
    int w = 0, h = 0;
    MeasureFontText("font_taho2", tip, 15, &w, &h);
    int screenWidth = display.GetScreenWidth();
    if (screenWidth <= 0) screenWidth = 800;
    int x = anchorX;
    if (x > screenWidth - w - 2) x = screenWidth - w - 2;
    const int y = anchorY + 20;
    const bool second = myGlobs.secondEdition != 0;
    const DWORD back = second ? 0xFF534032 : 0xFFFFFF60;
    if (screenSprites.GetUseSpriteBatch())
        screenSprites.AddFilledRect(back, static_cast<float>(x - 1), static_cast<float>(y), static_cast<float>(x + w + 3),
                                    static_cast<float>(y + h + 1), 9, 0);
    else
        screenSprites.AddScreenfixFilledRect(back, x - 1, y, x + w + 3, y + h + 1, 9, 0);
    DrawFontText(x + 1, y + 1, tip, "font_taho2", 15, second ? 0xFFFFAE37 : 0xFF003050, SPRITEMODE_LINEAR, -1);
}

void SCREEN_LIST::DrawHoverHighlight() {
    if (gameState != EDITOR_RUN_STATE || hoveredId == SCREENLIST_NONE) return;
    const SCREEN_ITEM* item = FindFirst(hoveredId);
    if (!item || !item->clickable || !IsItemEnabled(hoveredId)) return;
    // A copy, so that the item's own bounce is not advanced twice; the copy
    // shares the label but never frees it.
    SCREEN_ITEM copy = *item;
    copy.previous = copy.next = nullptr;
    DrawItem(&copy, SPRITEMODE_ADDITIVE);
}

void SCREEN_LIST::Draw() {
    for (SCREEN_ITEM* i = head; i; i = i->next) DrawItem(i, 0);
    DrawTooltip();
    DrawHoverHighlight();
}
