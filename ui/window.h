// The program's own windows and their items.
#pragma once

class WINDOW_LIST {
public:
    WINDOW_LIST();
    ~WINDOW_LIST();
    void Draw();
    void DrawPreviews();
    // True when the cursor lies over any shown window.
    int IsMouseOverAny() const;
};

extern WINDOW_LIST windowList;

void InitGameWindows();
void InitEditorWindows();

// Game-state helpers over the game windows (filled in with the window toolkit).
void ShowTwoLineMessageWindow(const char* first, const char* second);
void ShowInfoWindow(int show);
void ShowLoadWindow();
// Table-size window: item 1 edits "4", item 2 edits "3", two digits each.
void StartTableSizeEditing();

// List controls of window items (filled in with the window toolkit).
class WINDOW;
void InitWinList(WINDOW* window, int id, int kind, int colourColumn);
void AddWinListImageRow(WINDOW* window, int id, int left, int top, int right, int bottom, int value, int texture);
void AddWinListObjectRow(WINDOW* window, int id, int objectIndex, int value);
void RestoreWinListScroll(WINDOW* window, int id);
