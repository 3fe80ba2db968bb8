// Threads, events and waits with Win32 names and behaviour, over the C++
// standard thread library. Handles are validated: a closed or unknown handle
// makes the call fail instead of touching freed memory.
#pragma once

#include "platform/win32.h"

typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID param);
typedef size_t SIZE_T;

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define STILL_ACTIVE 259u
#define CREATE_SUSPENDED 0x00000004u
#define MAXIMUM_WAIT_OBJECTS 64

// Message kinds for MsgWaitForMultipleObjects.
#define QS_KEY 0x0001
#define QS_MOUSEMOVE 0x0002
#define QS_MOUSEBUTTON 0x0004
#define QS_POSTMESSAGE 0x0008
#define QS_TIMER 0x0010
#define QS_PAINT 0x0020
#define QS_SENDMESSAGE 0x0040
#define QS_HOTKEY 0x0080
#define QS_ALLPOSTMESSAGE 0x0100
#define QS_MOUSE (QS_MOUSEMOVE | QS_MOUSEBUTTON)
#define QS_INPUT (QS_MOUSE | QS_KEY)
#define QS_ALLEVENTS (QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY)
#define QS_ALLINPUT (QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY | QS_SENDMESSAGE)

#ifndef WM_TIMER
#define WM_TIMER 0x0113
#endif

// Starts a thread running start(param). The handle is signalled when the
// thread has returned; it stays valid until CloseHandle (closing it does not
// stop the thread). CREATE_SUSPENDED is not supported (the call fails).
HANDLE CreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID param, DWORD flags, LPDWORD threadId);
DWORD GetCurrentThreadId();
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);

// Events: manual-reset events stay signalled until ResetEvent; auto-reset
// events release one waiter and reset themselves.
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState, LPCSTR name);
#define CreateEvent CreateEventA
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// Closes an event or thread handle.
BOOL CloseHandle(HANDLE handle);

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);

// Waits for the objects and for a message in the calling thread's posted
// message queue that matches wakeMask (WM_TIMER counts as QS_TIMER, every
// other posted message as QS_POSTMESSAGE / QS_ALLPOSTMESSAGE). With waitAll
// the call returns WAIT_OBJECT_0 only when all objects are signalled and such
// a message is queued; without it, WAIT_OBJECT_0 + i for the first signalled
// object or WAIT_OBJECT_0 + count for a message. WAIT_TIMEOUT after the time.
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                                DWORD wakeMask);

// Posts a message into a thread's own queue (not a window's). FALSE when no
// thread made by CreateThread (or the calling thread) has that id.
BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
#define PostThreadMessage PostThreadMessageA

namespace plat {

// Takes the oldest message of the calling thread's posted-message queue
// (PM_REMOVE) or looks at it (PM_NOREMOVE). Threads other than the window
// thread use this where a window thread calls PeekMessage.
BOOL PeekThreadMessage(LPMSG msg, UINT removeFlags);

}  // namespace plat
