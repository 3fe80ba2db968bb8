// Input state: plain flags and positions written by the window procedure and
// the mouse poll, read by the interface, the editor and the railway.
#pragma once

#include "platform/win32.h"

struct IDirectInputDevice8;

extern int cursorX, cursorY;
extern int mouseLeftDown, mouseLeftUp, mouseRightDown, mouseRightUp;
extern int mouseMiddleDown, mouseMiddleUp;
extern int doubleClick;
extern int mouseWheel;
extern int dragMode, dragX, dragY;
extern int cursorAtLeft, cursorAtTop, cursorAtRight, cursorAtBottom;
extern int mouseAcquired;

extern int keyShift, keyCtrl, keyEsc, keyDelete;
extern int keyLeft, keyRight, keyUp, keyDown;
extern int keyEnterPressed, keyLeftPressed, keyRightPressed;
// keyEnter, keyTab, keyTabPressed and keyX live in MYGLOBS.

extern IDirectInputDevice8* mouseDevice;

int InitDirectInput(HINSTANCE instance);
int CreateMouse(IDirectInputDevice8** device, DWORD flags);
void UpdateMouse();
void ReleaseDirectInput();

// The keyboard and windowed-mouse branches of the window procedure.
void HandleKeyDown(WPARAM key);
void HandleKeyUp(WPARAM key);
void HandleWindowMouse(UINT message, LPARAM lParam);

// End of a frame, after the frame loop cleared the one-frame edges: key
// releases and windowed button changes that a frame could not yet take are
// handed to the next one.
void EndInputFrame();

// Returns every input flag to its start value (tests).
void ResetInputState();
