#include "ui/screenlist.h"

SCREEN_LIST::SCREEN_LIST() {}
SCREEN_LIST::~SCREEN_LIST() {}
void SCREEN_LIST::Update() { }
void SCREEN_LIST::Draw() { }
void SCREEN_LIST::Clear() { }
int SCREEN_LIST::HitItem(int, int) { return 200; }
void SCREEN_LIST::RemoveItem(int id) { }
void SCREEN_LIST::AddItem(int, int, const RECT*, int, const char*, int) {}
void SCREEN_LIST::SetItemOffset(int id, int offset) { }
int SCREEN_LIST::GetItemSlide(int id) { return 0; }
int SCREEN_LIST::GetClick(int* id, int* phase) {
    if (id) *id = 200;
    if (phase) *phase = 0;
    return 0;
}
int SCREEN_LIST::IsMouseOverItem() const { return 0; }
