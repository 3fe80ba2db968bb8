// Scene maths: distances, angles, the ground point under the mouse and the
// mouse-pick tests. Points are world positions whose third coordinate is the
// height, growing downward; a pick that misses answers PICK_MISS.
#pragma once

#include "platform/d3dx8math.h"

constexpr float PICK_MISS = 1000000.0f;

float DetDistance2D(float x1, float y1, float x2, float y2);
float DetDistance3D(float x1, float y1, float z1, float x2, float y2, float z2);
float DetPointDistance(const D3DXVECTOR3& a, const D3DXVECTOR3& b);
float DetCameraDistance(const D3DXVECTOR3& p);
float DetAngle(const D3DXVECTOR3& p, const D3DXVECTOR3& q, const D3DXVECTOR3& r);
float DetViewAngle(const D3DXVECTOR3& p);
// Where the line from the eye through p meets height 0; 0 when it does not.
int DetGroundPoint(const D3DXVECTOR3& p, float* x, float* y);
int DetMouseGroundPoint(int cx, int cy, float* x, float* y);
float DetRayDistance(const D3DXVECTOR3& p, const D3DXVECTOR3& a, const D3DXVECTOR3& b);
float DetMouseRayDistance(const D3DXVECTOR3& p);
int IsPointUnderMouse(const D3DXVECTOR3& p, float radius);
float DetPickDistance(const D3DXVECTOR3& p, float terrainDistance, float radius);
float DetSegmentPickDistance(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float radius);
float DetSegmentRayDistance(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float radius, float terrainDistance);
void SetIdentityWorld();
int IsEyeInsideObject(int objType, const D3DXVECTOR3& position, float heading);
void RestoreAfterReset();

// The pure forms used by the above, with the eye and the mouse ray point given.
bool NearRayTest(const D3DXVECTOR3& p, const D3DXVECTOR3& eye, const D3DXVECTOR3& rayPoint, float s, float r);
D3DXVECTOR3 ComputeMouseRayPoint(int cx, int cy, int width, int height, bool fullscreen, const D3DXVECTOR3& eye,
                                 const D3DXMATRIX& inverseView);
