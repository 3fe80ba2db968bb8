// List controls: the row store, scrolling, selection and mouse handling,
// and the list functions by (window, id).
#include "ui/winlist.h"

#include <cstring>

#include "app/input.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "ui/window.h"

WINLIST::WINLIST() {
    for (uint32_t& c : colour) c = 0xFFFFFFFF;
    for (int& o : object) o = -1;
}

void WINLIST::Init(int listWidth, int* listHeight, int listKind, int useColourColumn) {
    remembered = first;
    count = 0;
    selected = -1;
    first = 0;
    dragging = 0;
    kind = listKind;
    colourColumn = useColourColumn;

    int arrowHeight = 0;
    GetInterfaceImageSize(567, &scrollBarWidth, &arrowHeight);
    int thumbW = 0;
    GetInterfaceImageSize(605, &thumbW, &thumbHeight);
    width = listWidth;
    rowWidth = width - scrollBarWidth;
    switch (kind) {
        case WINLIST_TEXT: rowHeight = 17; break;
        case WINLIST_IMAGE:
            rowHeight = 45;
            rowWidth -= 5;
            break;
        case WINLIST_XOBJECT:
        case WINLIST_TRACKTYPE: rowHeight = (width - scrollBarWidth) * 60 / 80 + 10; break;
        default: rowHeight = 10; break;
    }
    if (rowHeight < 1) rowHeight = 1;
    int h = listHeight ? *listHeight : 0;
    visible = h > 0 ? h / rowHeight : 0;
    height = visible * rowHeight;
    if (listHeight) *listHeight = height;

    upLeft = downLeft = thumbLeft = width - scrollBarWidth;
    upRight = downRight = thumbRight = width - 1;
    upTop = 0;
    upBottom = arrowHeight - 1;
    downTop = height - arrowHeight;
    downBottom = height - 1;
    thumbMin = arrowHeight;
    thumbMax = height - arrowHeight - thumbHeight;
    if (thumbMax < thumbMin) thumbMax = thumbMin;
    UpdateThumb();
}

bool WINLIST::AddRow(const char* rowText, int rowValue, uint32_t rowColour) {
    if (count >= WINLIST_MAXROWS) return false;
    CopyText(text[count], WINLIST_TEXTLEN, rowText ? rowText : "");
    value[count] = rowValue;
    colour[count] = rowColour;
    object[count] = -1;
    ++count;
    return true;
}

bool WINLIST::AddObjectRow(int objectIndex, int rowValue) {
    if (count >= WINLIST_MAXROWS) return false;
    const bool known = myGlobs.xObjects && objectIndex >= 0 && objectIndex < myGlobs.xObjectCount;
    CopyText(text[count], WINLIST_TEXTLEN, known ? myGlobs.xObjects[objectIndex].name : "");
    object[count] = objectIndex;
    value[count] = rowValue;
    colour[count] = 0xFFFFFFFF;
    ++count;
    return true;
}

bool WINLIST::AddImageRow(float l, float t, float r, float b, int rowValue, int rowTexture) {
    if (count >= WINLIST_MAXROWS) return false;
    imageRect[count][0] = l;
    imageRect[count][1] = t;
    imageRect[count][2] = r;
    // The piece keeps the proportions of the row it is drawn into.
    imageRect[count][3] = rowWidth > 0 ? t + (b - t) * static_cast<float>(rowHeight) / static_cast<float>(rowWidth) : b;
    value[count] = rowValue;
    texture[count] = rowTexture;
    text[count][0] = 0;
    object[count] = -1;
    colour[count] = 0xFFFFFFFF;
    ++count;
    return true;
}

bool WINLIST::SelectRow(int row) {
    if (count <= 0) return false;
    bool exact = true;
    if (row >= count) {
        row = count - 1;
        exact = false;
    }
    if (row < 0) {
        row = 0;
        exact = false;
    }
    first = count - visible < row ? count - visible : row;
    if (first < 0) first = 0;
    selected = row;
    return exact;
}

void WINLIST::ShiftRows(int from, int delta) {
    if (delta < 0) {
        for (int i = from; i < count; ++i) {
            const int d = i + delta;
            memcpy(text[d], text[i], WINLIST_TEXTLEN);
            value[d] = value[i];
            object[d] = object[i];
            memcpy(imageRect[d], imageRect[i], sizeof imageRect[i]);
            texture[d] = texture[i];
            colour[d] = colour[i];
        }
    } else {
        for (int i = count - 1; i >= from; --i) {
            const int d = i + delta;
            memcpy(text[d], text[i], WINLIST_TEXTLEN);
            value[d] = value[i];
            object[d] = object[i];
            memcpy(imageRect[d], imageRect[i], sizeof imageRect[i]);
            texture[d] = texture[i];
            colour[d] = colour[i];
        }
    }
}

void WINLIST::RemoveSelectedRow() {
    if (selected < 0 || selected >= count) return;
    if (selected < first || selected > first + visible - 1) return;
    const int oldCount = count;
    ShiftRows(selected + 1, -1);
    if (selected == oldCount - 1 && selected > 0) --selected;
    if (oldCount == first + 1 && first > 0) --first;
    count = oldCount - 1;
    if (count == 0) selected = -1;
}

void WINLIST::SetSelectedText(const char* rowText) {
    if (selected >= 0 && selected < count) CopyText(text[selected], WINLIST_TEXTLEN, rowText ? rowText : "");
}

bool WINLIST::AddRowAfterSelected(const char* rowText, int rowValue) {
    if (count >= WINLIST_MAXROWS) return false;
    int at = 0;
    if (count > 0) {
        at = HasSelection() ? selected + 1 : 0;
        ShiftRows(at, 1);
    }
    CopyText(text[at], WINLIST_TEXTLEN, rowText ? rowText : "");
    value[at] = rowValue;
    object[at] = -1;
    colour[at] = 0xFFFFFFFF;
    ++count;
    return true;
}

void WINLIST::UpdateThumb() {
    if (dragging) return;
    int t = thumbMin;
    if (count > visible) t = thumbMin + (thumbMax - thumbMin) * first / (count - visible);
    if (t > thumbMax) t = thumbMax;
    if (first + visible >= count) t = thumbMax;
    if (first == 0) t = thumbMin;
    thumbTop = t;
    thumbBottom = t + thumbHeight - 1;
}

void WINLIST::HandleMouse(int x, int y) {
    if (dragging) {
        int t = cursorY - grabOffset;
        if (t < thumbMin) t = thumbMin;
        if (t > thumbMax) t = thumbMax;
        thumbTop = t;
        thumbBottom = t + thumbHeight - 1;
        if (thumbMax > thumbMin) {
            const float f = static_cast<float>(t - thumbMin) / static_cast<float>(thumbMax - thumbMin) *
                                static_cast<float>(count - visible) +
                            0.49f;
            first = static_cast<int>(f);
        }
        if (first > MaxFirst()) first = MaxFirst();
        if (first < 0) first = 0;
        if (mouseLeftUp) {
            dragging = 0;
            mouseLeftUp = 0;
        }
        return;
    }
    if (!mouseLeftDown || x < 0 || y < 0) return;
    UpdateThumb();
    const bool inColumn = x >= upLeft && x <= upRight;
    // 3. The thumb (only when there is something to scroll and room to move).
    if (inColumn && y >= thumbTop && y <= thumbBottom && (visible < count || first > 0) && thumbMax > thumbMin) {
        grabOffset = cursorY - thumbTop;
        dragging = 1;
        mouseLeftDown = 0;
        return;
    }
    // 4. Page up.
    if (inColumn && y > upBottom && y < thumbTop) {
        first -= visible;
        if (first < 0) first = 0;
        mouseLeftDown = 0;
        return;
    }
    // 5. Up arrow.
    if (inColumn && y >= upTop && y <= upBottom) {
        if (first > 0) --first;
        mouseLeftDown = 0;
        return;
    }
    // 6. Page down.
    if (inColumn && y > thumbBottom && y < downTop) {
        for (int i = 0; i < visible && first + visible < count; ++i) ++first;
        mouseLeftDown = 0;
        return;
    }
    // 7. Down arrow.
    if (inColumn && y >= downTop && y <= downBottom) {
        if (first + visible < count) ++first;
        mouseLeftDown = 0;
        return;
    }
    // 8. A row. The press is left for the window's hit test.
    const int r = y / rowHeight;
    if (r > visible - 1) return;
    if (first + r < count) selected = first + r;
}

// ---------------------------------------------------------------------------
// Functions by (window, id)

namespace {

WINLIST* FindList(WINDOW* window, int id, WINOBJ** item = nullptr) {
    WINOBJ* o = windowList.FindWinobj(window, id);
    if (item) *item = o;
    return o ? o->list : nullptr;
}

}  // namespace

void InitWinList(WINDOW* window, int id, int kind, int colourColumn) {
    WINOBJ* o = nullptr;
    if (WINLIST* l = FindList(window, id, &o)) l->Init(o->w, &o->h, kind, colourColumn);
}

void AddWinListRow(WINDOW* window, int id, const char* text, int value, DWORD colour) {
    if (WINLIST* l = FindList(window, id)) l->AddRow(text, value, colour);
}

void AddWinListObjectRow(WINDOW* window, int id, int objectIndex, int value) {
    if (WINLIST* l = FindList(window, id)) l->AddObjectRow(objectIndex, value);
}

void AddWinListImageRow(WINDOW* window, int id, float left, float top, float right, float bottom, int value,
                        int texture) {
    if (WINLIST* l = FindList(window, id)) l->AddImageRow(left, top, right, bottom, value, texture);
}

int SelectWinListRow(WINDOW* window, int id, int row) {
    WINLIST* l = FindList(window, id);
    return l && l->SelectRow(row) ? 1 : 0;
}

void RestoreWinListScroll(WINDOW* window, int id) {
    if (WINLIST* l = FindList(window, id)) l->SelectRow(l->remembered);
}

void GetWinListSelection(WINDOW* window, int id, char* text, int* value, int textSize) {
    WINLIST* l = FindList(window, id);
    if (text && textSize > 0) text[0] = 0;
    if (!l) {
        if (value) *value = 0;
        return;
    }
    if (!l->HasSelection()) {
        if (value) *value = -1;
        return;
    }
    if (text && textSize > 0) CopyText(text, textSize, l->text[l->selected]);
    if (value) *value = l->value[l->selected];
}

int GetWinListSelectedObject(WINDOW* window, int id, int* index) {
    WINLIST* l = FindList(window, id);
    const int r = l && l->HasSelection() ? l->object[l->selected] : -1;
    if (index) *index = r;
    return r;
}

int GetWinListSelectedValue(WINDOW* window, int id, int* value) {
    WINLIST* l = FindList(window, id);
    const int r = l && l->HasSelection() ? l->value[l->selected] : -1;
    if (value) *value = r;
    return r;
}

bool GetWinListRow(WINDOW* window, int id, int row, char* text, int* value, int textSize) {
    WINLIST* l = FindList(window, id);
    if (!l || row < 0 || row >= l->count) return false;
    if (text && textSize > 0) CopyText(text, textSize, l->text[row]);
    if (value) *value = l->value[row];
    return true;
}

void RemoveWinListRow(WINDOW* window, int id) {
    if (WINLIST* l = FindList(window, id)) l->RemoveSelectedRow();
}

void SetWinListRowText(WINDOW* window, int id, const char* text) {
    if (WINLIST* l = FindList(window, id)) l->SetSelectedText(text);
}

void AddWinListRowAfterSelected(WINDOW* window, int id, const char* text, int value) {
    if (WINLIST* l = FindList(window, id)) l->AddRowAfterSelected(text, value);
}

void UpdateWinList(WINDOW* window, int id) {
    WINOBJ* o = nullptr;
    WINLIST* l = FindList(window, id, &o);
    if (!l || !o->visible) return;
    const int px = cursorX - window->GetLeft() - o->x;
    const int py = cursorY - window->GetTop() - window->GetTitleHeight() - o->y;
    if (px >= 0 && px <= o->w && py >= 0 && py <= o->h) l->HandleMouse(px, py);
    else l->HandleMouse(-1, -1);
}
