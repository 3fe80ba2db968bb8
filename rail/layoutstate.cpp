#include "rail/layoutstate.h"

LAYOUT_STATE::LAYOUT_STATE() {}
LAYOUT_STATE::~LAYOUT_STATE() {}
void LAYOUT_STATE::AccumulateTime() { }
void LAYOUT_STATE::Autosave() { }
void LAYOUT_STATE::DrawSelectionRect() { }
int LAYOUT_STATE::IsShowGrid() const { return 0; }
void LAYOUT_STATE::TogglePause() { bPaused = !bPaused; }
int LAYOUT_STATE::IsPaused() const { return bPaused; }
void LAYOUT_STATE::RestoreCamera() { }
float LAYOUT_STATE::GetCameraTargetX() const { return 0.0f; }
float LAYOUT_STATE::GetCameraTargetY() const { return 0.0f; }

void ResetLayoutCamera() {}
void NewLayout(int, int) {}
