// Window handlers not yet written: each does nothing while its state is
// current.
#include "editor/handlers.h"

void ActWIN_BUILD_TRACKS() {}
void ActDownBUILD_TRACKS() {}
void ActWIN_DETACH_ATTRIB() {}
void ApplyDetachAttrib() {}
void ActWIN_TTABLE_ATTRIB() {}
void ActDownWIN_POWER_VALUE() {}
void ActWIN_TRACK_ATTRIB() {}
void ActWIN_SWITCH_ATTRIB() {}
void ActWIN_TRACK_NAME() {}
void ActWIN_BUILD_CHOICE() {}

void ActDownWIN_SELECT_CONTROL() {}
void ActDownCSWITCH_ATTR() {}
void ActDownCSWITCH_SATTR() {}
void ActDownCSWITCH_DATTR() {}
void ActDownCSWITCH_SIATTR() {}
void ActDownCSWITCH_BARATTR() {}
void ActDownCSWITCH_TTATTR() {}
void ActDownCSWITCH_SOUNDATTR() {}
void ActDownCSWITCH_OBJATTR() {}

void ActDownWIN_PUT_OBJ() {}
void ActDownPUT_OBJ() {}
void ActDownWIN_PUT_VEHICLES() {}
void ActDownPUT_VEHICLE() {}
void ActDownWIN_ED_TERRAIN() {}
void ActWIN_TABLE_SIZE() {}
void ActWIN_RESIZE_TABLE() {}
void ActWIN_HOUSE_COLOR() {}
void ActWIN_TERROBJ_COLOR() {}
void ActWIN_SKYBOX() {}
void ActWIN_VEHICLE_ATTRIB() {}
void ActWIN_SELOPT() {}


