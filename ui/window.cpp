#include "ui/window.h"

WINDOW_LIST::WINDOW_LIST() {}
WINDOW_LIST::~WINDOW_LIST() {}
void WINDOW_LIST::Draw() { }
void WINDOW_LIST::DrawPreviews() { }
int WINDOW_LIST::IsMouseOverAny() const { return 0; }

void InitGameWindows() {}
void InitEditorWindows() {}
void ShowTwoLineMessageWindow(const char*, const char*) {}
void ShowInfoWindow(int) {}
void ShowLoadWindow() {}
void StartTableSizeEditing() {}
void InitWinList(WINDOW*, int, int, int) {}
void AddWinListImageRow(WINDOW*, int, int, int, int, int, int, int) {}
void AddWinListObjectRow(WINDOW*, int, int, int) {}
void RestoreWinListScroll(WINDOW*, int) {}
