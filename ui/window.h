// The program's own windows and their items.
//
// A WINDOW is a rectangle of the 800 x 600 interface space with a frame, a
// caption and a list of items (WINOBJ). Every window is a global object whose
// items are created once by the window definitions; all windows belong to the
// one WINDOW_LIST. Items are reached by (window, item id): the first item in
// creation order with that id answers, and a missing item makes a call do
// nothing.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "ui/winlist.h"

enum WINOBJ_KIND {
    WINOBJ_BUTTON = 1,
    WINOBJ_TITLE = 2,
    WINOBJ_TEXT = 3,
    WINOBJ_SMALLTEXT = 4,
    WINOBJ_SMALLTEXT2 = 5,
    WINOBJ_OK = 6,
    WINOBJ_CANCEL = 7,
    WINOBJ_GAUGE = 8,
    WINOBJ_GAUGE2 = 9,
    WINOBJ_LIST = 10,
    WINOBJ_EDIT = 11,
    WINOBJ_COLORPICKER = 12,
    WINOBJ_COLORBAR = 13,
    WINOBJ_COLORBAR2 = 14,
    WINOBJ_TEXTBUTTON = 15,
    WINOBJ_PICTURE = 16,
    WINOBJ_SLIDER = 17
};

// Window style flags.
constexpr uint32_t WINSTYLE_NOFRAME = 1;   // items only
constexpr uint32_t WINSTYLE_BOX = 2;       // plain box instead of a frame
constexpr uint32_t WINSTYLE_SMALL = 4;     // small frame
constexpr uint32_t WINSTYLE_ALTBACK = 8;   // big frame with the alternative background

// Item flags.
constexpr uint32_t WINOBJ_CENTRED = 1;     // x is the centre of the item
constexpr uint32_t WINOBJ_SPRITEBATCH = 2; // drawn through the sprite batch

constexpr int WINOBJ_BUTTON_ON = 1;
constexpr int WINOBJ_BUTTON_OFF = 2;
// Answer of WINDOW::HitWinobj for the close box of the title bar.
constexpr int WINOBJ_CLOSEBOX = 101;
constexpr int WINDOW_TITLEHEIGHT = 20;
constexpr int WINEDIT_BUFFERLEN = 256;
constexpr int WINEDIT_MAXTEXT = WINEDIT_BUFFERLEN - 2;  // text + caret cell + terminator
constexpr int WINEDIT_ALLOWEDLEN = 128;
// The pending-key value that means "no key".
constexpr int WINEDIT_NOKEY = 176;

// One-line edit field.
struct WINEDIT {
    WINEDIT();
    // buffer = text + a blank caret cell; maximum length stored; active; the
    // pending key (when given) is discarded.
    void Init(const char* text, int maxLength, int* pendingKey, const char* allowedChars);
    // length -1: the maximum becomes the text length; > 0: the maximum; 0:
    // the maximum is kept and the text is cut to it.
    void SetText(const char* text, int length);
    // Once per frame: takes the pending key and blinks the caret.
    void Update(int* pendingKey);
    // The typed text (the buffer up to the caret).
    void GetText(char* out, int outSize) const;

    char text[WINEDIT_BUFFERLEN];
    char allowed[WINEDIT_ALLOWEDLEN];
    int caret;
    int maxLength;
    int blinkTimer;
    int active;
};

// Horizontal slider with a draggable knob.
struct WINSLIDER {
    void Init(int sliderWidth);
    void SetPercent(float p);
    // x, y: the cursor relative to the item, -1 when outside.
    void Update(int x, int y);
    void Draw(int x, int y) const;

    int width = 0;
    int knobWidth = 0;
    float percent = 0.0f;
    int knobLeft = 0, knobTop = 0, knobRight = 0, knobBottom = 0;
    int dragging = 0;
    int grabOffset = 0;
    int travelMin = 0;
    int travelMax = 0;
};

// One window item (owned by its window).
struct WINOBJ {
    WINOBJ();
    ~WINOBJ();
    WINOBJ(const WINOBJ&) = delete;
    WINOBJ& operator=(const WINOBJ&) = delete;

    // Draws the item; left and top are the window's corner.
    void Draw(int left, int top, int titleHeight, int hovered);
    // The point (relative to the window's client origin) lies in the hit
    // rectangle x..x+w by y..y+h, both ends included.
    bool Contains(int px, int py) const { return px >= x && px <= x + w && py >= y && py <= y + h; }

    WINOBJ* previous = nullptr;
    WINOBJ* next = nullptr;
    int kind = 0;
    int visible = 1;
    int enabled = 1;
    int state = 0;
    char text[256] = {};
    int fontSize = 0;
    char fontName[16] = {};
    int value = 0;
    WINLIST* list = nullptr;
    WINEDIT* edit = nullptr;
    uint32_t colourA = 0;
    uint32_t colourB = 0;
    char label[128] = {};
    int pictureId = 0;
    int pictureSlot = 10;
    int pictureHighlight = 0;
    WINSLIDER slider;
    int x = 0, y = 0, w = 0, h = 0;
    int id = 0;
    int gaugeTop = 0, gaugeBottom = 0;
    uint32_t colour = 0;
    uint32_t flags = 0;
};

class WINDOW {
public:
    WINDOW();
    ~WINDOW();
    WINDOW(const WINDOW&) = delete;
    WINDOW& operator=(const WINDOW&) = delete;

    // Set-up and items.
    void Init(const char* caption, uint32_t colour, int x, int y, int w, int h, uint32_t style);
    // data: the text (kinds 2-5, 15), a pointer to int (8, 9, 16) or to
    // float (17); null for the others. Answers the new item or null.
    WINOBJ* AddWinobj(int id, int kind, int state, const void* data, int x, int y, int w, int h, int enabled,
                      uint32_t flags);
    void FreeWinobjs();

    // Visibility, caption, place.
    void Show(int showMode);
    void Hide() { visible = 0; }
    int IsVisible() const { return visible; }
    int GetMode() const { return mode; }
    void SetMode(int m) { mode = m; }
    void SetCaption(const char* text);
    const char* GetCaption() const { return caption; }
    void Move(int dx, int dy);
    int IsMouseOver() const;
    int GetLeft() const { return left; }
    int GetTop() const { return top; }
    int GetRight() const { return right; }
    int GetBottom() const { return bottom; }
    int GetTitleHeight() const { return titleHeight; }
    uint32_t GetColour() const { return colour; }
    uint32_t GetStyle() const { return styleFlags; }
    WINOBJ* GetFirstWinobj() const { return items; }
    WINDOW* GetNextWindow() const { return next; }

    // Items by id.
    WINOBJ* FindWinobj(int id) const;
    void SetWinobjState(int id, int state);
    void ReleaseButtons();
    int* GetWinobjValue(int id);
    void ChangeWinobjValue(int id, const int* value);
    void SetWinobjColorA(int id, uint32_t c);
    void SetWinobjColorB(int id, uint32_t c);
    uint32_t GetWinobjColorA(int id) const;
    uint32_t GetWinobjColorB(int id) const;
    void SetWinobjColor(int id, uint32_t c);

    // Input.
    int GetHoverWinobj() const;
    int HitWinobj(int x, int y);
    int IsCloseBoxHit(int x, int y) const;
    int IsTitleClicked();
    void GetTitleRect(int l, int t, int r, RECT* out) const;
    int GetWinobjMousePos(int id, int* x, int* y) const;
    float GetClickPercent() const { return hitXPercent; }
    float GetClickPercentY() const { return hitYPercent; }
    int GetHitId() const { return hitId; }
    int GetHitX() const { return hitX; }
    int GetHitY() const { return hitY; }
    void SetGaugeFromMouse(int id, int y);
    void InitWinobjEdit(int id, const char* text, int maxLength, int* pendingKey, const char* allowedChars);
    void UpdateWinobjEdit(int id, int* pendingKey);
    void GetWinobjEditText(int id, char* out, int outSize = WINEDIT_BUFFERLEN) const;
    void GetPickedColor(int id, uint32_t* c) const;

    // Drawing.
    void Draw();
    void DrawPreviews();

private:
    friend class WINDOW_LIST;

    WINDOW* previous = nullptr;
    WINDOW* next = nullptr;
    int left = 0, top = 0, right = 0, bottom = 0;
    uint32_t colour = 0;
    WINOBJ* items = nullptr;
    int visible = 0;
    char caption[256] = {};
    int titleHeight = WINDOW_TITLEHEIGHT;
    int mode = 0;
    int hitId = 0;
    int hitX = 0, hitY = 0;
    float hitXPercent = 0.0f, hitYPercent = 0.0f;
    uint32_t styleFlags = 0;
};

class WINDOW_LIST {
public:
    WINDOW_LIST();
    ~WINDOW_LIST();
    WINDOW_LIST(const WINDOW_LIST&) = delete;
    WINDOW_LIST& operator=(const WINDOW_LIST&) = delete;

    // Inserts at the head; a window already in the list stays where it is.
    void AddWindow(WINDOW* window);
    // Unlinks a window (tear-down of windows that do not live for the run).
    void RemoveWindow(WINDOW* window);
    int Contains(const WINDOW* window) const;
    WINDOW* GetFirst() const { return head; }
    // The window's first item with the id, when the window is in the list.
    WINOBJ* FindWinobj(const WINDOW* window, int id) const;
    void Draw();
    void DrawPreviews();
    void MoveAll(int dx, int dy);
    void SetGaugeFromMouse(int id, int y);
    // True when the cursor lies over any shown window.
    int IsMouseOverAny() const;

private:
    WINDOW* head = nullptr;
};

extern WINDOW_LIST windowList;

// Frame drawing helpers.
void DrawWindowFrame(const char* caption, int left, int top, int right, int bottom, uint32_t style);
void DrawWindowFrameAlt(const char* caption, int left, int top, int right, int bottom);
void DrawBox(int left, int top, int right, int bottom, DWORD colour, int mode);
void DrawWinobjEdit(const char* buffer, int x, int y, int enabled, uint32_t flags, int size, DWORD colour);
// Width and height of an interface image (0 x 0 for an unknown id).
void GetInterfaceImageSize(int id, int* w, int* h);

// Item functions by (window, id). The item is found through windowList, so a
// window that was never added finds nothing.
void SetWinobjChecked(WINDOW* window, int id, int on);
int GetWinobjState(WINDOW* window, int id);
void ShowWinobj(WINDOW* window, int id, int visible);
void SetWinobjText(WINDOW* window, int id, const char* text);
void SetWinobjFontSize(WINDOW* window, int id, int size);
void SetWinobjColor(WINDOW* window, int id, DWORD colour);
void SetWinobjActive(WINDOW* window, int id, int on);
void SetWinobjSlider(WINDOW* window, int id, float percent);
float GetWinobjSlider(WINDOW* window, int id);
void UpdateWinobjSlider(WINDOW* window, int id);
void SetWinobjEditText(WINDOW* window, int id, const char* text, int length);
void CopyWinobjEditText(WINDOW* window, int id, char* out, int outSize = WINEDIT_BUFFERLEN);

// List controls of window items.
void InitWinList(WINDOW* window, int id, int kind, int colourColumn);
void AddWinListRow(WINDOW* window, int id, const char* text, int value, DWORD colour);
void AddWinListObjectRow(WINDOW* window, int id, int objectIndex, int value);
void AddWinListImageRow(WINDOW* window, int id, float left, float top, float right, float bottom, int value,
                        int texture);
int SelectWinListRow(WINDOW* window, int id, int row);
void RestoreWinListScroll(WINDOW* window, int id);
// No selection or an empty list: "" and -1; a missing item: "" and 0.
void GetWinListSelection(WINDOW* window, int id, char* text, int* value, int textSize = WINLIST_TEXTLEN);
int GetWinListSelectedObject(WINDOW* window, int id, int* index);
int GetWinListSelectedValue(WINDOW* window, int id, int* value);
bool GetWinListRow(WINDOW* window, int id, int row, char* text, int* value, int textSize = WINLIST_TEXTLEN);
void RemoveWinListRow(WINDOW* window, int id);
void SetWinListRowText(WINDOW* window, int id, const char* text);
void AddWinListRowAfterSelected(WINDOW* window, int id, const char* text, int value);
void UpdateWinList(WINDOW* window, int id);

// Window definitions.
void InitGameWindows();
void InitEditorWindows();

// Game-state helpers over the game windows.
void ShowTwoLineMessageWindow(const char* first, const char* second);
void ShowInfoWindow(int show);
void ShowLoadWindow();
// Table-size window: item 1 edits "4" (active), item 2 edits "3" (inactive),
// two digits each.
void StartTableSizeEditing();
