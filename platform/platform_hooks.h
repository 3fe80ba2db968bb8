// Internal connections between the window layer and the DirectInput mouse,
// and test hooks of the window system.
#pragma once

#include <cstddef>
#include <functional>

#include "platform/win32.h"

namespace plat {
namespace hooks {
void AddRelativeMotion(int dx, int dy, int wheel);
void SetButton(int button, bool down);
}  // namespace hooks

// Replaces the message box (tests): receives text and caption, returns the
// button id.
void SetMessageBoxHook(std::function<int(const char*, const char*)> hook);
// Replaces timeGetTime (tests); an empty function restores the real clock.
void SetClockHook(std::function<DWORD()> hook);
// Drops every window, class and queued message.
void ResetWindowSystemForTest();
size_t PendingMessageCount();
// Makes the next CreateWindowA/CreateWindowExA fail.
void FailNextWindowCreation();
// Drops focus changes and pointer input of the window system, and keeps the
// mouse from grabbing the pointer: tests that share one X server with other
// programs feed their own input through the injection hooks.
void SetIgnoreSystemInput(bool ignore);
bool IsSystemInputIgnored();
}  // namespace plat
