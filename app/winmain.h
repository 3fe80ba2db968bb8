// Process entry, start-up, the frame loop and shut-down.
#pragma once

#include "platform/win32.h"
#include "platform/window.h"

extern int gameState;
extern int frameTime;
extern int currentTime;

int WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
int InitProgram(HINSTANCE instance, int showCommand, int* errorCode);
LRESULT CALLBACK MainWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
void RunFrameLogic();
void UpdateFrame();
int RenderFrame();
void ShutDown();
void MeasureFrameTime();
void DrawFrameRate();

// Runs one turn of the frame loop (messages, then the frame when it is not
// gated). WinMain loops over it; tests step it directly.
void RunLoopTurn();
// Returns the frame clock to its start (tests).
void ResetFrameClock();
