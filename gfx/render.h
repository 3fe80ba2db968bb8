// Render and picking helpers: the world-transform stack, drawing an object
// type at a placed position, projection to the interface's design space,
// terrain slope under a footprint, the camera each frame and the placement
// preview under the mouse.
//
// Angles passed to these helpers are degrees. The multiply helpers
// pre-multiply onto the device's world transform, so translate, rotate Z,
// rotate X applies the X rotation to a model point first.
#pragma once

#include "platform/d3dx8math.h"

// The ground point under the mouse, kept by the update pass.
extern float mouseWorldX;
extern float mouseWorldY;
extern float mouseWorldZ;

// Written by the placement preview for the editor's placing click: the two
// slope angles of the object under the mouse (tilt Y, tilt X) and the
// direction a vehicle is placed in (+1 along the piece, -1 turned round).
extern float placeSlopeY;
extern float placeSlopeX;
extern int placeVehicleDirection;

void SetWorldTranslation(float x, float y, float z);
void TranslateWorld(float x, float y, float z);
void RotateWorldX(float degrees);
void RotateWorldY(float degrees);
void RotateWorldZ(float degrees);
void ScaleWorld(float s);
void ScaleWorldX(float s);

// Places and draws an object type; answers DrawXObject's result (-1 for an
// objId without a loaded type).
int DrawXObjectAt(int objId, float x, float y, float z, float heading, float tiltY, float scale, int colour1,
                  int colour2, int highlight, float tiltX, int highlightKind, int pass);

// Design-space position of a world point. Answers 1, or 0 for a point on or
// behind the camera plane (the outputs are then set far off the screen).
int ProjectToScreen(const D3DXVECTOR3& point, int* x, int* y);

// out = (point x matrix) / w; answers E_INVALIDARG without writing when |w|
// is below 0.0001.
HRESULT TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* point, const D3DXMATRIX* matrix);
HRESULT RotatePointZ(D3DXVECTOR3* out, const D3DXVECTOR3* point, float degrees);
void AddRotatedVector(D3DXVECTOR3* point, const D3DXVECTOR3& vector, float degrees);

// Terrain slope under a footprint of half sizes a (along x) and b (along y)
// turned by heading: angle 1 along the x side, angle 2 along the y side.
void DetFootprintSlope(const D3DXVECTOR3& position, float heading, float halfSize1, float halfSize2, float* angle1,
                       float* angle2);
// The pure form with the three corner heights given (P, Q = P mirrored in x,
// R = P mirrored in y).
void DetSlopeFromHeights(float halfSize1, float halfSize2, float hP, float hQ, float hR, float* angle1,
                         float* angle2);
void DetObjectSlope(int objId, const D3DXVECTOR3& position, float heading, float* angle1, float* angle2);

void UpdateCamera(int force);
void ResetCamera();
void UpdateMouseGroundPoint();

void DrawPlacementPreview(float groundX, float groundY, int pass);
int DetPlacementOnTrack(D3DXVECTOR3* point, float* heading, float* pitch);

struct TRACK;
// The pure form: the point and direction at percent along a piece.
void DetPlacementOnPiece(const TRACK& piece, float percent, D3DXVECTOR3* point, float* heading, float* pitch);

// Smallest signed difference a - b of two headings, in (-180, 180].
float HeadingDifference(float a, float b);
