// Vehicles and trains.
#pragma once

#include "platform/d3dx8math.h"

// One vehicle. The follow camera reads its position, angles and shake.
class TRAIN {
public:
    D3DXVECTOR3 vPos{0.0f, 0.0f, 0.0f};     // world position of the centre
    float heading = 0.0f;                   // degrees
    float pitch = 0.0f;                     // degrees
    D3DXVECTOR3 vJitter{0.0f, 0.0f, 0.0f};  // small random offset added to the position
};

class TRAIN_LIST {
public:
    TRAIN_LIST();
    ~TRAIN_LIST();
    void LoadAllDetachInfo();
    void Move();
    void UpdatePoses();
    void UpdateAll();
    void RenderLit();
    void Render();
    void DrawSelectionMarkers();
};

extern TRAIN_LIST trainList;
