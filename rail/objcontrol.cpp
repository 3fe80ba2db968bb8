#include "rail/objcontrol.h"

void OBJECT_CONTROL_SYSTEM::LoadInfo() { }
