#include "rail/camerapath.h"

CAMERA_PATH::CAMERA_PATH() {}
