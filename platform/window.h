// Glue between the Win32-style window calls and SDL. The graphics layer uses
// these to reach the SDL window behind an HWND.
#pragma once

#include "platform/win32.h"

struct SDL_Window;
union SDL_Event;

namespace plat {

// Initialises SDL's video subsystem once; false when no display is available.
bool EnsureVideo();

// The SDL window behind a window handle made by CreateWindowA/CreateWindowExA,
// or null. Windows are created with SDL_WINDOW_OPENGL and hidden until
// ShowWindow.
SDL_Window* SdlWindowOf(HWND wnd);

// Turns desktop-sized full screen on or off for the window.
void SetWindowFullscreen(HWND wnd, bool fullscreen, int width, int height);

// Pumps SDL events into the window message queue (done by PeekMessageA too).
void PumpEvents();

// Test hook: queue a message as if it came from the window system.
void InjectMessage(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
// Test hook: an SDL event handled as if SDL had delivered it, also while
// system input is ignored.
void InjectPlatformEvent(const SDL_Event& e);

// The instance handle handed to WinMain.
HINSTANCE Instance();

}  // namespace plat

inline HINSTANCE PlatformInstance() { return plat::Instance(); }
