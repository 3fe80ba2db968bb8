// Buttons and input boxes drawn on the screen outside windows.
#pragma once

#include "platform/win32.h"

class SCREEN_LIST {
public:
    SCREEN_LIST();
    ~SCREEN_LIST();
    void Update();
    void Draw();
    void Clear();
    int HitItem(int x, int y);
    void RemoveItem(int id);
    void AddItem(int id, int slot, const RECT* rect, int clickable, const char* label, int inputBox);
    void SetItemOffset(int id, int offset);
    int GetItemSlide(int id);
    int GetClick(int* id, int* phase);
    // True when the cursor lies on a visible, clickable item.
    int IsMouseOverItem() const;
};

extern SCREEN_LIST screenList;
