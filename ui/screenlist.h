// Buttons and input boxes drawn on the screen outside windows: the main-menu
// panel's items and the editor toolbar.
#pragma once

#include "platform/win32.h"

constexpr int SCREENLIST_NONE = 200;  // "no item" for the hovered and clicked ids
constexpr int SCREENITEM_LABELLEN = 128;

struct SCREEN_ITEM {
    SCREEN_ITEM* previous = nullptr;
    SCREEN_ITEM* next = nullptr;
    int id = 0;
    int clickable = 0;
    int visible = 1;
    int hover = 0;
    int slide = 0;           // bounce counter in ms, -300..300
    int slideDirection = 0;  // 1 counting up, otherwise counting down
    int slideDivisor = 15;   // the rectangle is shifted by slide / divisor pixels
    int animating = 0;
    RECT source{};
    RECT screen{};
    int xOffset = 0;
    int textureSlot = 0;
    char* label = nullptr;  // owned, SCREENITEM_LABELLEN bytes
    int inputBox = 0;
    float current[4] = {0.0f, 0.0f, 0.0f, 128.0f};  // red, green, blue, alpha
    float target[4] = {0.0f, 0.0f, 0.0f, 128.0f};
};

class SCREEN_LIST {
public:
    SCREEN_LIST();
    ~SCREEN_LIST();
    SCREEN_LIST(const SCREEN_LIST&) = delete;
    SCREEN_LIST& operator=(const SCREEN_LIST&) = delete;

    void Update();
    void Draw();
    void Clear();
    int HitItem(int x, int y);
    void RemoveItem(int id);
    void AddItem(int id, int slot, const RECT* rect, int clickable, const char* label, int inputBox);
    void SetItemOffset(int id, int offset);
    int GetItemSlide(int id);
    // The id clicked this frame (200 none) and its phase (0 down, 1 up);
    // answers the id.
    int GetClick(int* id, int* phase);
    // True when no window is under the cursor and the cursor lies on a
    // visible, clickable item.
    int IsMouseOverItem() const;
    // Copies the first item with the id; false when there is none.
    bool FindItem(int id, SCREEN_ITEM* out) const;
    static int IsItemEnabled(int id);

    void DrawTooltip();
    void DrawHoverHighlight();

    int GetHoveredId() const { return hoveredId; }
    int GetClickedId() const { return clickedId; }
    int GetClickPhase() const { return clickPhase; }
    void GetTooltipAnchor(int* x, int* y) const {
        if (x) *x = anchorX;
        if (y) *y = anchorY;
    }
    SCREEN_ITEM* GetFirstItem() const { return head; }
    // The hovered id of the previous update (tests).
    static int GetPreviousHoveredId();

private:
    SCREEN_ITEM* FindFirst(int id) const;
    void DrawItem(SCREEN_ITEM* item, int mode);

    SCREEN_ITEM* head = nullptr;
    int clickedId = SCREENLIST_NONE;
    int hoveredId = SCREENLIST_NONE;
    int anchorX = 0, anchorY = 0;
    int clickPhase = 0;
};

extern SCREEN_LIST screenList;

// True while the editor state shows one of the editor's own windows.
int IsEditorWindowOpen();
