// The row store of a list item: up to 500 rows of text, object previews,
// texture pieces or track-type previews, with a scroll bar.
#pragma once

#include <cstdint>

constexpr int WINLIST_MAXROWS = 500;
constexpr int WINLIST_TEXTLEN = 64;

enum WINLIST_KIND {
    WINLIST_TEXT = 0,
    WINLIST_XOBJECT = 1,
    WINLIST_IMAGE = 2,
    WINLIST_TRACKTYPE = 3
};

struct WINLIST {
    WINLIST();

    // Empties the list and sets its geometry; height is rounded down to whole
    // rows and written back.
    void Init(int listWidth, int* listHeight, int listKind, int useColourColumn);
    // Each add answers false when the list is full.
    bool AddRow(const char* rowText, int rowValue, uint32_t rowColour);
    bool AddObjectRow(int objectIndex, int rowValue);
    bool AddImageRow(float l, float t, float r, float b, int rowValue, int rowTexture);
    // Selects a row and scrolls it to the top (or as far as the list end
    // allows). False for an empty list or a row that had to be clamped.
    bool SelectRow(int row);
    void RemoveSelectedRow();
    void SetSelectedText(const char* rowText);
    bool AddRowAfterSelected(const char* rowText, int rowValue);
    // x, y: the cursor relative to the list, -1 when outside.
    void HandleMouse(int x, int y);
    // Recomputes the thumb's place from the scroll position.
    void UpdateThumb();
    bool HasSelection() const { return selected >= 0 && selected < count; }

    void Draw(int x, int y);
    void DrawPreviews(int x, int y);

    int kind = WINLIST_TEXT;
    char text[WINLIST_MAXROWS][WINLIST_TEXTLEN] = {};
    int value[WINLIST_MAXROWS] = {};
    int object[WINLIST_MAXROWS] = {};
    float imageRect[WINLIST_MAXROWS][4] = {};
    int texture[WINLIST_MAXROWS] = {};
    uint32_t colour[WINLIST_MAXROWS] = {};
    int colourColumn = 0;
    int count = 0;
    int selected = -1;
    int first = 0;
    int visible = 0;
    int remembered = 0;
    int width = 0, height = 0;
    int upLeft = 0, upTop = 0, upRight = 0, upBottom = 0;
    int downLeft = 0, downTop = 0, downRight = 0, downBottom = 0;
    int thumbLeft = 0, thumbTop = 0, thumbRight = 0, thumbBottom = 0;
    int thumbHeight = 0;
    int thumbMin = 0, thumbMax = 0;
    int grabOffset = 0;
    int rowHeight = 0;
    int rowWidth = 0;
    int dragging = 0;
    int scrollBarWidth = 0;

private:
    // Moves rows from..count-1 by delta places (all columns).
    void ShiftRows(int from, int delta);
    int MaxFirst() const { return count > visible ? count - visible : 0; }
};
