#include "rail/control.h"

CONTROL_LIST::CONTROL_LIST() {}
CONTROL_LIST::~CONTROL_LIST() {}
void CONTROL_LIST::Update() { }
void CONTROL_LIST::DrawAllControlFX() { }
void CONTROL_LIST::RenderMarkers() { }
void CONTROL_LIST::DrawLabels() { }
void CONTROL_LIST::RemoveControlsOfTrack(TRACK*) { }
void CONTROL_LIST::RemoveControlsOfNode(POWER_NODE*) { }
void CONTROL_LIST::RemoveControlsOfObject(TERROBJ*) {}
