#include "rail/manualcontrol.h"

MANUAL_CONTROL_TABLE::MANUAL_CONTROL_TABLE() {}
MANUAL_CONTROL_TABLE::~MANUAL_CONTROL_TABLE() {}
void MANUAL_CONTROL_TABLE::HandleInput() { }
void MANUAL_CONTROL_TABLE::Draw() { }
int MANUAL_CONTROL_TABLE::IsMouseOver() const { return 0; }
void MANUAL_CONTROL_TABLE::SetControl(int, void*, int) { }
