#include "rail/layoutfile.h"

SAVE_COUNTER::SAVE_COUNTER() {}
void SAVE_COUNTER::Reset() { value = 0; }
int SAVE_COUNTER::Next() { return ++value; }

void ClearLayout() {}
