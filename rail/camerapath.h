// Camera paths (constructed; no window records or plays one).
#pragma once

class CAMERA_PATH {
public:
    CAMERA_PATH();
};

extern CAMERA_PATH cameraPath;
