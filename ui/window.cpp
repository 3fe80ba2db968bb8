// Windows, window items and their input side: item set-up, lookups by id,
// hit testing, edit fields, sliders, gauges and the colour triangle.
#include "ui/window.h"

#include <cmath>
#include <cstring>
#include <new>

#include "app/input.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "app/winmain.h"
#include "gfx/myfont.h"
#include "ui/coordinates.h"

namespace {

bool SecondEdition() { return myGlobs.secondEdition != 0; }

int TextWidth(const char* font, const char* text, int size) {
    int w = 0, h = 0;
    MeasureFontText(font, text ? text : "", size, &w, &h);
    return w;
}

}  // namespace

void GetInterfaceImageSize(int id, int* w, int* h) {
    RECT src{};
    GetCoordinates(id, &src, nullptr);
    if (w) *w = src.right - src.left;
    if (h) *h = src.bottom - src.top;
}

// ---------------------------------------------------------------------------
// WINEDIT

WINEDIT::WINEDIT() : text{"_"}, allowed{}, caret(0), maxLength(0), blinkTimer(0), active(0) {}

void WINEDIT::Init(const char* initial, int maxLen, int* pendingKey, const char* allowedChars) {
    if (!initial) initial = "";
    int n = static_cast<int>(strnlen(initial, WINEDIT_MAXTEXT));
    memcpy(text, initial, n);
    text[n] = ' ';
    text[n + 1] = 0;
    caret = n;
    maxLength = maxLen < 0 ? 0 : (maxLen > WINEDIT_MAXTEXT ? WINEDIT_MAXTEXT : maxLen);
    blinkTimer = 0;
    if (pendingKey) *pendingKey = WINEDIT_NOKEY;
    active = 1;
    CopyText(allowed, sizeof allowed, allowedChars ? allowedChars : "");
}

void WINEDIT::SetText(const char* newText, int length) {
    if (!newText) newText = "";
    int n = static_cast<int>(strnlen(newText, WINEDIT_MAXTEXT));
    if (length == -1) {
        maxLength = n;
    } else if (length > 0) {
        maxLength = length > WINEDIT_MAXTEXT ? WINEDIT_MAXTEXT : length;
    } else if (n > maxLength) {
        n = maxLength;
    }
    memcpy(text, newText, n);
    text[n] = '_';
    text[n + 1] = 0;
    caret = n;
}

void WINEDIT::Update(int* pendingKey) {
    if (!active) {
        text[caret] = ' ';
        return;
    }
    if (pendingKey && *pendingKey != WINEDIT_NOKEY) {
        int key = *pendingKey;
        bool accepted = false;
        if (key > 0 && key < 256) {
            if (key == 8 || allowed[0] == 0) accepted = true;
            else accepted = strchr(allowed, key) != nullptr;
        }
        if (accepted) {
            if (key >= 'A' && key <= 'Z' && !keyShift) key = key - 'A' + 'a';
            if (key == 8) {
                if (caret > 0) {
                    text[caret - 1] = text[caret];
                    text[caret] = 0;
                    --caret;
                }
            } else if (caret < maxLength && caret < WINEDIT_MAXTEXT) {
                char cell = text[caret];
                text[caret] = static_cast<char>(key);
                text[caret + 1] = cell;
                text[caret + 2] = 0;
                ++caret;
            }
        }
        *pendingKey = WINEDIT_NOKEY;
    }
    blinkTimer += frameTime;
    if (blinkTimer >= 250) {
        blinkTimer = 0;
        text[caret] = text[caret] == '_' ? ' ' : '_';
    }
}

void WINEDIT::GetText(char* out, int outSize) const {
    if (!out || outSize <= 0) return;
    int n = caret < outSize - 1 ? caret : outSize - 1;
    memcpy(out, text, n);
    out[n] = 0;
}

// ---------------------------------------------------------------------------
// WINSLIDER

void WINSLIDER::Init(int sliderWidth) {
    int kh = 0;
    GetInterfaceImageSize(623, &knobWidth, &kh);
    width = sliderWidth;
    knobLeft = 0;
    knobTop = 0;
    knobRight = knobWidth - 1;
    knobBottom = kh - 1;
    travelMin = 0;
    travelMax = width - knobWidth;
    if (travelMax < 0) travelMax = 0;  // a slider no wider than its knob cannot move
    dragging = 0;
    grabOffset = 0;
    percent = 0.0f;
}

void WINSLIDER::SetPercent(float p) {
    if (!(p >= 0.0f)) p = 0.0f;  // also catches NaN
    if (p > 100.0f) p = 100.0f;
    percent = p;
    knobLeft = static_cast<int>((static_cast<float>(travelMax) * p + 0.49f) / 100.0f);
    if (knobLeft > travelMax) knobLeft = travelMax;
    knobRight = knobLeft + knobWidth - 1;
}

void WINSLIDER::Update(int x, int y) {
    if (dragging) {
        knobLeft = cursorX - grabOffset;
        if (knobLeft < travelMin) knobLeft = travelMin;
        if (knobLeft > travelMax) knobLeft = travelMax;
        knobRight = knobLeft + knobWidth - 1;
        percent = travelMax > travelMin ? static_cast<float>(knobLeft - travelMin) /
                                              static_cast<float>(travelMax - travelMin) * 100.0f
                                        : 0.0f;
        if (mouseLeftUp) {
            dragging = 0;
            mouseLeftUp = 0;
        }
        return;
    }
    if (mouseLeftDown && x >= 0 && y >= 0 && x >= knobLeft && x <= knobRight && y >= knobTop && y <= knobBottom) {
        grabOffset = cursorX - knobLeft;
        dragging = 1;
        mouseLeftDown = 0;
    }
}

// ---------------------------------------------------------------------------
// WINOBJ

WINOBJ::WINOBJ() = default;

WINOBJ::~WINOBJ() {
    delete list;
    delete edit;
}

// ---------------------------------------------------------------------------
// WINDOW: set-up and items

WINDOW::WINDOW() { CopyText(caption, sizeof caption, "????"); }

WINDOW::~WINDOW() { FreeWinobjs(); }

void WINDOW::FreeWinobjs() {
    WINOBJ* o = items;
    while (o) {
        WINOBJ* n = o->next;
        delete o;
        o = n;
    }
    items = nullptr;
}

void WINDOW::Init(const char* text, uint32_t c, int x, int y, int w, int h, uint32_t style) {
    FreeWinobjs();
    colour = c;
    left = x;
    top = y;
    if (SecondEdition()) {
        right = x + w - 14;
        bottom = y + h + 10;
    } else {
        right = x + w - 1;
        bottom = y + h - 1;
    }
    CopyText(caption, sizeof caption, text ? text : "");
    styleFlags = style;
}

WINOBJ* WINDOW::AddWinobj(int id, int kind, int state, const void* data, int x, int y, int w, int h, int enabled,
                          uint32_t flags) {
    WINOBJ* o = new (std::nothrow) WINOBJ;
    if (!o) {
        WriteStartLog("Out of memory in WINDOW::AddWINOBJ() !!!");
        return nullptr;
    }
    const bool second = SecondEdition();
    o->id = id;
    o->kind = kind;
    o->state = state;
    o->visible = 1;
    o->x = x;
    o->y = second ? y + 5 : y;
    o->w = w;
    o->h = h;
    o->enabled = enabled;
    o->flags = flags;
    int centreWidth = w;
    const char* dataText = static_cast<const char*>(data);
    // The data is a text for most kinds and an int for a few; read the int
    // only for those, since a text may be shorter than an int.
    auto dataInt = [data]() { return data ? *static_cast<const int*>(data) : 0; };
    bool storeFailed = false;

    switch (kind) {
        case WINOBJ_BUTTON: {
            o->colour = second ? 0xFFFFFFFF : 0xFF002030;
            int iw, ih;
            GetInterfaceImageSize(560, &iw, &ih);
            if (w == 0) o->w = iw;
            if (h == 0) o->h = ih;
            break;
        }
        case WINOBJ_TITLE:
        case WINOBJ_TEXT: {
            const bool title = kind == WINOBJ_TITLE;
            CopyText(o->text, sizeof o->text, dataText ? dataText : "");
            CopyText(o->fontName, sizeof o->fontName, title ? "fontp" : "font_taho");
            o->fontSize = title ? 30 : 17;
            o->colour = 0xFF002030;
            o->x += texts.GetTextBias(o->text);
            centreWidth = TextWidth(o->fontName, o->text, o->fontSize);
            break;
        }
        case WINOBJ_SMALLTEXT:
        case WINOBJ_SMALLTEXT2:
            CopyText(o->text, sizeof o->text, dataText ? dataText : "");
            CopyText(o->fontName, sizeof o->fontName, "font_taho2");
            o->fontSize = 15;
            o->x += texts.GetTextBias(o->text);
            break;
        case WINOBJ_OK:
        case WINOBJ_CANCEL:
            if (second) o->x -= 3;
            GetInterfaceImageSize(562, &o->w, &o->h);
            break;
        case WINOBJ_GAUGE:
        case WINOBJ_GAUGE2:
            o->value = dataInt();
            o->gaugeTop = o->y + 6;
            o->gaugeBottom = o->y + 53;
            break;
        case WINOBJ_LIST:
            o->list = new (std::nothrow) WINLIST;
            storeFailed = o->list == nullptr;
            break;
        case WINOBJ_EDIT:
            o->fontSize = 17;
            o->colour = second ? 0xFFFAD830 : 0xFFFFFFFF;
            if (w == 0 || h == 0) o->enabled = 0;
            o->edit = new (std::nothrow) WINEDIT;
            storeFailed = o->edit == nullptr;
            break;
        case WINOBJ_COLORPICKER:
            break;
        case WINOBJ_COLORBAR:
            o->colourA = 0xFF7F7F7F;
            break;
        case WINOBJ_COLORBAR2:
            o->colourB = 0xFF7F7F7F;
            break;
        case WINOBJ_TEXTBUTTON: {
            CopyText(o->label, sizeof o->label, dataText ? dataText : "");
            int cw, ch;
            GetInterfaceImageSize(569, &cw, &ch);
            if (w == 0) {
                o->w = TextWidth("font_taho2", o->label, 15) + 2 * cw;
                centreWidth = o->w;
            }
            if (h == 0) o->h = ch;
            break;
        }
        case WINOBJ_PICTURE: {
            o->pictureId = dataInt();
            o->pictureSlot = 10;
            o->pictureHighlight = 0;
            int iw, ih;
            GetInterfaceImageSize(o->pictureId, &iw, &ih);
            if (w == 0) {
                o->w = iw;
                centreWidth = iw;
            }
            if (h == 0) o->h = ih;
            break;
        }
        case WINOBJ_SLIDER: {
            int kw, kh;
            GetInterfaceImageSize(623, &kw, &kh);
            o->h = kh;
            o->slider.Init(w);
            o->slider.SetPercent(data ? *static_cast<const float*>(data) : 0.0f);
            break;
        }
        default:
            break;
    }
    if (storeFailed) WriteStartLog("Out of memory in WINDOW::AddWinobj()");
    if (flags & WINOBJ_CENTRED) o->x -= centreWidth / 2;

    if (!items) {
        items = o;
    } else {
        WINOBJ* last = items;
        while (last->next) last = last->next;
        last->next = o;
        o->previous = last;
    }
    return o;
}

void WINDOW::Show(int showMode) {
    visible = 1;
    if (showMode != 2) mode = showMode;
}

void WINDOW::SetCaption(const char* text) { CopyText(caption, sizeof caption, text ? text : ""); }

void WINDOW::Move(int dx, int dy) {
    if (!visible) return;
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
}

int WINDOW::IsMouseOver() const {
    return visible && cursorX >= left && cursorX <= right && cursorY >= top && cursorY <= bottom ? 1 : 0;
}

WINOBJ* WINDOW::FindWinobj(int id) const {
    for (WINOBJ* o = items; o; o = o->next)
        if (o->id == id) return o;
    return nullptr;
}

void WINDOW::SetWinobjState(int id, int s) {
    if (WINOBJ* o = FindWinobj(id)) o->state = s;
}

void WINDOW::ReleaseButtons() {
    for (WINOBJ* o = items; o; o = o->next)
        if (o->kind == WINOBJ_BUTTON) o->state = WINOBJ_BUTTON_OFF;
}

int* WINDOW::GetWinobjValue(int id) {
    WINOBJ* o = FindWinobj(id);
    if (!o) return nullptr;
    if (o->kind != WINOBJ_GAUGE && o->kind != WINOBJ_GAUGE2) {
        TraceText("Unknown object->type by WINDOW::GetWinobjValue()");
        return nullptr;
    }
    return &o->value;
}

void WINDOW::ChangeWinobjValue(int id, const int* v) {
    WINOBJ* o = FindWinobj(id);
    if (!o || !v) return;
    if (o->kind != WINOBJ_GAUGE && o->kind != WINOBJ_GAUGE2) {
        TraceText("Unknown object->type by WINDOW::ChangeWinobjValue()");
        return;
    }
    o->value = *v;
}

void WINDOW::SetWinobjColorA(int id, uint32_t c) {
    for (WINOBJ* o = items; o; o = o->next)
        if (o->id == id) o->colourA = c;
}

void WINDOW::SetWinobjColorB(int id, uint32_t c) {
    if (WINOBJ* o = FindWinobj(id)) o->colourB = c;
}

uint32_t WINDOW::GetWinobjColorA(int id) const {
    const WINOBJ* o = FindWinobj(id);
    return o ? o->colourA : 0xFF000000;
}

uint32_t WINDOW::GetWinobjColorB(int id) const {
    const WINOBJ* o = FindWinobj(id);
    return o ? o->colourB : 0xFF000000;
}

void WINDOW::SetWinobjColor(int id, uint32_t c) {
    for (WINOBJ* o = items; o; o = o->next)
        if (o->id == id) o->colour = c;
}

// ---------------------------------------------------------------------------
// WINDOW: input

int WINDOW::GetHoverWinobj() const {
    const int px = cursorX - left, py = cursorY - top - titleHeight;
    for (const WINOBJ* o = items; o; o = o->next)
        if (o->visible && o->enabled && o->Contains(px, py)) return o->id;
    return -1;
}

int WINDOW::IsCloseBoxHit(int x, int y) const {
    if (SecondEdition()) return x > right - 26 && x < right - 4 && y > top + 3 && y < top + 27 ? 1 : 0;
    return x > right - titleHeight && x < right - 4 && y > top + 4 && y < top + titleHeight ? 1 : 0;
}

int WINDOW::HitWinobj(int x, int y) {
    if (!mouseLeftDown || !visible) return 0;
    if (IsCloseBoxHit(x, y)) return WINOBJ_CLOSEBOX;
    const int px = x - left, py = y - top - titleHeight;
    for (const WINOBJ* o = items; o; o = o->next) {
        if (!o->visible || !o->enabled || !o->Contains(px, py)) continue;
        hitId = o->id;
        hitX = px - o->x;
        hitY = py - o->y;
        hitXPercent = o->w ? static_cast<float>(hitX) * 100.0f / static_cast<float>(o->w) : 0.0f;
        hitYPercent = o->h ? static_cast<float>(hitY) * 100.0f / static_cast<float>(o->h) : 0.0f;
        mouseLeftDown = 0;
        return o->id;
    }
    return 0;
}

void WINDOW::GetTitleRect(int l, int t, int r, RECT* out) const {
    if (!out) return;
    out->left = l + 2;
    out->top = t + 2;
    out->right = r - 2;
    out->bottom = SecondEdition() ? t + 28 : t + 20;
}

int WINDOW::IsTitleClicked() {
    if (!mouseLeftDown || !visible) return 0;
    if (IsCloseBoxHit(cursorX, cursorY)) return 0;
    RECT r;
    GetTitleRect(left, top, right, &r);
    if (cursorX >= r.left && cursorX <= r.right && cursorY >= r.top && cursorY <= r.bottom) {
        mouseLeftDown = 0;
        return 1;
    }
    return 0;
}

int WINDOW::GetWinobjMousePos(int id, int* x, int* y) const {
    const int px = cursorX - left, py = cursorY - top - titleHeight;
    for (const WINOBJ* o = items; o; o = o->next) {
        if (o->id != id || !o->visible || !o->Contains(px, py)) continue;
        if (x) *x = px - o->x;
        if (y) *y = py - o->y;
        return 1;
    }
    return 0;
}

void WINDOW::SetGaugeFromMouse(int id, int y) {
    if (!visible) return;
    WINOBJ* o = FindWinobj(id);
    if (!o || (o->kind != WINOBJ_GAUGE && o->kind != WINOBJ_GAUGE2)) return;
    if (o->gaugeBottom <= o->gaugeTop) return;
    int r = y - top - titleHeight;
    if (r < o->gaugeTop) r = o->gaugeTop;
    if (r > o->gaugeBottom) r = o->gaugeBottom;
    o->value = (o->gaugeBottom - r) * 100 / (o->gaugeBottom - o->gaugeTop);
}

void WINDOW::InitWinobjEdit(int id, const char* text, int maxLength, int* pendingKey, const char* allowedChars) {
    WINOBJ* o = FindWinobj(id);
    if (o && o->edit) o->edit->Init(text, maxLength, pendingKey, allowedChars);
}

void WINDOW::UpdateWinobjEdit(int id, int* pendingKey) {
    WINOBJ* o = FindWinobj(id);
    if (o && o->edit) o->edit->Update(pendingKey);
}

void WINDOW::GetWinobjEditText(int id, char* out, int outSize) const {
    if (!out || outSize <= 0) return;
    const WINOBJ* o = FindWinobj(id);
    if (o && o->edit) o->edit->GetText(out, outSize);
    else out[0] = 0;
}

namespace {

// Intensity of the corner at the origin of a triangle of side 100: 255 near
// the corner, falling to 0 at the opposite side; -1 outside.
int CornerIntensity(double x, double y) {
    double d = std::sqrt(x * x + y * y);
    if (d == 0.0) return 255;
    double ratio = y / d;
    if (ratio > 1.0) ratio = 1.0;
    if (ratio < -1.0) ratio = -1.0;
    double a = std::asin(ratio);
    if (a > 1.0471975511666667) return -1;
    double m = d * std::cos(std::fabs(a - 0.5235987755833333));
    const double half = 100.0 * 0.866025 / 2.0;
    if (m <= half) return 255;
    if (m >= 2.0 * half) return -1;
    int v = static_cast<int>((half - (m - half)) / half * 255.0);
    if (v < 0) v = 0;
    if (v > 255) v = 255;
    return v;
}

}  // namespace

void WINDOW::GetPickedColor(int id, uint32_t* c) const {
    if (!c || !FindWinobj(id)) return;
    const double px = hitXPercent, py = hitYPercent;
    const double hy = (100.0 - py) * 0.8660254;
    const int red = CornerIntensity(px, hy);
    const int blue = CornerIntensity(100.0 - px, hy);
    const double angle = 2.0943951023333334, cx = 50.0, cy = 28.867512941360474;
    const double gx = std::cos(angle) * (px - cx) - std::sin(angle) * (hy - cy) + cx;
    const double gy = std::sin(angle) * (px - cx) + std::cos(angle) * (hy - cy) + cy;
    const int green = CornerIntensity(gx, gy);
    if (red < 0 || green < 0 || blue < 0) return;
    *c = (*c & 0xFF000000u) | (static_cast<uint32_t>(red) << 16) | (static_cast<uint32_t>(green) << 8) |
         static_cast<uint32_t>(blue);
}

// ---------------------------------------------------------------------------
// WINDOW_LIST

WINDOW_LIST::WINDOW_LIST() : head(nullptr) {}
WINDOW_LIST::~WINDOW_LIST() {}

int WINDOW_LIST::Contains(const WINDOW* window) const {
    for (const WINDOW* w = head; w; w = w->next)
        if (w == window) return 1;
    return 0;
}

void WINDOW_LIST::AddWindow(WINDOW* window) {
    if (!window || Contains(window)) return;
    window->previous = nullptr;
    window->next = head;
    if (head) head->previous = window;
    head = window;
}

void WINDOW_LIST::RemoveWindow(WINDOW* window) {
    if (!window || !Contains(window)) return;
    if (window->previous) window->previous->next = window->next;
    else head = window->next;
    if (window->next) window->next->previous = window->previous;
    window->previous = window->next = nullptr;
}

WINOBJ* WINDOW_LIST::FindWinobj(const WINDOW* window, int id) const {
    if (!window || !Contains(window)) return nullptr;
    return window->FindWinobj(id);
}

void WINDOW_LIST::Draw() {
    for (WINDOW* w = head; w; w = w->next) w->Draw();
}

void WINDOW_LIST::DrawPreviews() {
    for (WINDOW* w = head; w; w = w->next) w->DrawPreviews();
}

void WINDOW_LIST::MoveAll(int dx, int dy) {
    for (WINDOW* w = head; w; w = w->next) w->Move(dx, dy);
}

void WINDOW_LIST::SetGaugeFromMouse(int id, int y) {
    for (WINDOW* w = head; w; w = w->next) w->SetGaugeFromMouse(id, y);
}

int WINDOW_LIST::IsMouseOverAny() const {
    for (const WINDOW* w = head; w; w = w->next)
        if (w->IsMouseOver()) return 1;
    return 0;
}

// ---------------------------------------------------------------------------
// Item functions by (window, id)

namespace {

WINOBJ* Find(WINDOW* window, int id) { return windowList.FindWinobj(window, id); }

// Width of an item's text in its own font and size.
int ItemTextWidth(const WINOBJ* o) { return TextWidth(o->fontName, o->text, o->fontSize); }

}  // namespace

void SetWinobjChecked(WINDOW* window, int id, int on) {
    if (WINOBJ* o = Find(window, id)) o->state = on ? WINOBJ_BUTTON_ON : WINOBJ_BUTTON_OFF;
}

int GetWinobjState(WINDOW* window, int id) {
    WINOBJ* o = Find(window, id);
    return o ? o->state : 0;
}

void ShowWinobj(WINDOW* window, int id, int visible) {
    if (WINOBJ* o = Find(window, id)) o->visible = visible;
}

void SetWinobjText(WINDOW* window, int id, const char* text) {
    WINOBJ* o = Find(window, id);
    if (!o) return;
    const bool centred = (o->flags & WINOBJ_CENTRED) != 0;
    if (centred) o->x += ItemTextWidth(o) / 2;
    CopyText(o->text, sizeof o->text, text ? text : "");
    if (centred) o->x -= ItemTextWidth(o) / 2;
}

void SetWinobjFontSize(WINDOW* window, int id, int size) {
    WINOBJ* o = Find(window, id);
    if (!o) return;
    const bool centred = (o->flags & WINOBJ_CENTRED) != 0;
    if (centred) o->x += ItemTextWidth(o) / 2;
    o->fontSize = size;
    if (centred) o->x -= ItemTextWidth(o) / 2;
}

void SetWinobjColor(WINDOW* window, int id, DWORD colour) {
    if (WINOBJ* o = Find(window, id)) o->colour = colour;
}

void SetWinobjActive(WINDOW* window, int id, int on) {
    WINOBJ* o = Find(window, id);
    if (!o) return;
    switch (o->kind) {
        case WINOBJ_LIST:
            if (!on && o->list) o->list->selected = -1;
            break;
        case WINOBJ_EDIT:
            if (o->edit) o->edit->active = on ? 1 : 0;
            break;
        case WINOBJ_PICTURE:
            o->pictureHighlight = on ? 1 : 0;
            break;
        default:
            break;
    }
}

void SetWinobjSlider(WINDOW* window, int id, float percent) {
    if (WINOBJ* o = Find(window, id)) o->slider.SetPercent(percent);
}

float GetWinobjSlider(WINDOW* window, int id) {
    WINOBJ* o = Find(window, id);
    return o ? o->slider.percent : 0.0f;
}

void UpdateWinobjSlider(WINDOW* window, int id) {
    WINOBJ* o = Find(window, id);
    if (!o || !o->visible) return;
    int x = -1, y = -1;
    if (!window->GetWinobjMousePos(id, &x, &y)) x = y = -1;
    o->slider.Update(x, y);
}

void SetWinobjEditText(WINDOW* window, int id, const char* text, int length) {
    WINOBJ* o = Find(window, id);
    if (o && o->edit) o->edit->SetText(text, length);
}

void CopyWinobjEditText(WINDOW* window, int id, char* out, int outSize) {
    if (!out || outSize <= 0) return;
    out[0] = 0;
    WINOBJ* o = Find(window, id);
    if (!o || !o->edit) return;
    CopyText(out, outSize, o->edit->text);
    // Drop the caret cell, which is the buffer's last character.
    const size_t n = strlen(o->edit->text);
    if (n > 0 && n - 1 < static_cast<size_t>(outSize)) out[n - 1] = 0;
}
