// Interface element coordinates: where each interface image (INTERFACE_ID)
// lies in the interface sheet and, for the elements with a fixed place, on
// the screen; and the helpers that draw an image as a screen-sprite quad.
#pragma once

#include "platform/d3dx8math.h"
#include "platform/win32.h"

typedef int INTERFACE_ID;

constexpr int INTERFACE_SHEET_WIDTH = 1024;
constexpr int INTERFACE_SHEET_HEIGHT = 512;

// Source rectangle (texels, right and bottom exclusive) and, for placed
// elements, the screen rectangle in the 800 x 600 interface space. Answers
// the texture slot. Ids of 1000 and up go to GetCoordinatesQM. Outputs may
// be null; an element without a place leaves the screen rectangle alone.
int GetCoordinates(INTERFACE_ID id, RECT* source, RECT* screen);
int GetCoordinatesQM(INTERFACE_ID id, RECT* source, RECT* screen);

// Every id that GetCoordinates knows (for the content that paints the sheet).
int GetKnownInterfaceIds(const int** ids);

void DrawImage(INTERFACE_ID id, int x, int y, int slot, DWORD colour);
void DrawImageHStretch(INTERFACE_ID id, int x, int y, int w, int slot);
void DrawImageVStretch(INTERFACE_ID id, int x, int y, int h, int slot);
void DrawImageStretched(INTERFACE_ID id, int x, int y, int w, int h, int slot, int mode);
int DrawImageRect(INTERFACE_ID id, int x, int y, int w, int h, int slot, DWORD colour, int mode);
int DrawImageTile(INTERFACE_ID id, int x, int y);
int DrawImageSized(INTERFACE_ID id, int x, int y, int w, int h);
// Into the screenfix batch; w or h 0 takes the image's own width or height.
int DrawInterfaceImage(INTERFACE_ID id, int x, int y, int w, int h, DWORD colour, int mode);
int DrawImageBillboard(INTERFACE_ID id, float x, float y, float z, float size, DWORD colour, int mode, int centred);

// Offset from a point to the top-left corner of the images drawn around a
// point; angle in degrees for the direction images.
void GetImageOffset(INTERFACE_ID id, int angle, int* dx, int* dy);
