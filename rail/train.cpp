#include "rail/train.h"

TRAIN_LIST::TRAIN_LIST() {}
TRAIN_LIST::~TRAIN_LIST() {}
void TRAIN_LIST::LoadAllDetachInfo() { }
void TRAIN_LIST::Move() { }
void TRAIN_LIST::UpdatePoses() { }
void TRAIN_LIST::UpdateAll() { }
void TRAIN_LIST::RenderLit() { }
void TRAIN_LIST::Render() { }
void TRAIN_LIST::DrawSelectionMarkers() { }
