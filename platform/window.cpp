// Win32-style windows, message queue, cursor, message box and time over SDL2.
#include "platform/window.h"

#include <SDL2/SDL.h>
#include <strings.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "platform/platform_hooks.h"

struct HWND__ {
    WNDPROC proc = nullptr;
    SDL_Window* sdl = nullptr;
    std::string title;
    int width = 0, height = 0;           // client size
    int frameW = 0, frameH = 0;          // border and caption around the client area
    int logicalW = 0, logicalH = 0;      // back-buffer size when scaled
    bool destroyed = false;
};
struct HINSTANCE__ {
    int unused;
};

namespace {

std::map<std::string, WNDCLASSA> classes;
std::deque<MSG> queue;
std::vector<std::unique_ptr<HWND__>> windows;
HINSTANCE__ theInstance{};
int cursorCount = 0;
bool videoTried = false, videoOk = false;
DWORD lastError = 0;
std::function<int(const char*, const char*)> messageBoxHook;
std::function<DWORD()> clockHook;
int desktopW = 1024, desktopH = 768;
bool failNextWindow = false;
// The border and caption of an overlapped window, in pixels across and down.
constexpr int kOverlappedFrameWidth = 8;
constexpr int kOverlappedFrameHeight = 27;
bool ignoreSystemInput = false;
// The pointer's last absolute position in client pixels, for devices that
// report only where the pointer is (tablets, remote desktops, virtual
// machines, a warped pointer).
bool pointerKnown = false;
int pointerX = 0, pointerY = 0;

std::string Lower(const char* s) {
    std::string r = s ? s : "";
    for (char& c : r) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return r;
}

HWND FindByWindowId(Uint32 id) {
    for (auto& w : windows)
        if (!w->destroyed && w->sdl && SDL_GetWindowID(w->sdl) == id) return w.get();
    // Events of a single window: fall back to the first live window.
    for (auto& w : windows)
        if (!w->destroyed) return w.get();
    return nullptr;
}

bool IsLive(HWND wnd) {
    for (auto& w : windows)
        if (w.get() == wnd) return !w->destroyed;
    return false;
}

void Post(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    MSG m{};
    m.hwnd = wnd;
    m.message = msg;
    m.wParam = wp;
    m.lParam = lp;
    m.time = timeGetTime();
    queue.push_back(m);
}

int MapKey(const SDL_Keysym& k) {
    SDL_Keycode c = k.sym;
    if (c >= SDLK_a && c <= SDLK_z) return 'A' + (c - SDLK_a);
    if (c >= SDLK_0 && c <= SDLK_9) return '0' + (c - SDLK_0);
    if (c >= SDLK_F1 && c <= SDLK_F12) return VK_F1 + (c - SDLK_F1);
    switch (c) {
        case SDLK_KP_0: return VK_NUMPAD0;
        case SDLK_KP_1: return VK_NUMPAD0 + 1;
        case SDLK_KP_2: return VK_NUMPAD0 + 2;
        case SDLK_KP_3: return VK_NUMPAD0 + 3;
        case SDLK_KP_4: return VK_NUMPAD0 + 4;
        case SDLK_KP_5: return VK_NUMPAD0 + 5;
        case SDLK_KP_6: return VK_NUMPAD0 + 6;
        case SDLK_KP_7: return VK_NUMPAD0 + 7;
        case SDLK_KP_8: return VK_NUMPAD0 + 8;
        case SDLK_KP_9: return VK_NUMPAD0 + 9;
        case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
        case SDLK_KP_PLUS: return VK_ADD;
        case SDLK_KP_MINUS: return VK_SUBTRACT;
        case SDLK_KP_PERIOD: return VK_DECIMAL;
        case SDLK_KP_DIVIDE: return VK_DIVIDE;
        case SDLK_KP_ENTER: return VK_RETURN;
        case SDLK_BACKSPACE: return VK_BACK;
        case SDLK_TAB: return VK_TAB;
        case SDLK_RETURN: return VK_RETURN;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return VK_SHIFT;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return VK_CONTROL;
        case SDLK_LALT:
        case SDLK_RALT: return VK_MENU;
        case SDLK_PAUSE: return VK_PAUSE;
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_SPACE: return VK_SPACE;
        case SDLK_PAGEUP: return VK_PRIOR;
        case SDLK_PAGEDOWN: return VK_NEXT;
        case SDLK_END: return VK_END;
        case SDLK_HOME: return VK_HOME;
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_UP: return VK_UP;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_DOWN: return VK_DOWN;
        case SDLK_INSERT: return VK_INSERT;
        case SDLK_DELETE: return VK_DELETE;
        case SDLK_MINUS: return VK_OEM_MINUS;
        case SDLK_EQUALS: return VK_OEM_PLUS;
        case SDLK_COMMA: return VK_OEM_COMMA;
        case SDLK_PERIOD: return VK_OEM_PERIOD;
        default: return 0;
    }
}

// Window pixels to client (back-buffer) pixels when the window is scaled.
void ToClient(HWND w, int& x, int& y) {
    if (!w || !w->sdl || w->logicalW <= 0 || w->logicalH <= 0) return;
    int ww = 0, wh = 0;
    SDL_GetWindowSize(w->sdl, &ww, &wh);
    if (ww <= 0 || wh <= 0 || (ww == w->logicalW && wh == w->logicalH)) return;
    // The back buffer is scaled to fit, keeping its aspect and centred.
    double sx = static_cast<double>(ww) / w->logicalW, sy = static_cast<double>(wh) / w->logicalH;
    double s = sx < sy ? sx : sy;
    double ox = (ww - w->logicalW * s) / 2, oy = (wh - w->logicalH * s) / 2;
    x = static_cast<int>((x - ox) / s);
    y = static_cast<int>((y - oy) / s);
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    if (x >= w->logicalW) x = w->logicalW - 1;
    if (y >= w->logicalH) y = w->logicalH - 1;
}

// Relative movement of a motion event: the device's own when it reports
// any, else the change of the absolute position since the previous event.
void PointerMotion(HWND w, const SDL_MouseMotionEvent& m, int* x, int* y, int* dx, int* dy) {
    *x = m.x;
    *y = m.y;
    ToClient(w, *x, *y);
    *dx = m.xrel;
    *dy = m.yrel;
    if (*dx == 0 && *dy == 0 && pointerKnown) {
        *dx = *x - pointerX;
        *dy = *y - pointerY;
    }
    pointerKnown = true;
    pointerX = *x;
    pointerY = *y;
}

// injected: the event comes from a test, not from the window system, and is
// taken even while system input is ignored.
void TranslateSdlEvent(const SDL_Event& e, bool injected = false) {
    const bool ignored = ignoreSystemInput && !injected;
    switch (e.type) {
        case SDL_QUIT: {
            for (auto& w : windows)
                if (!w->destroyed) Post(w.get(), WM_CLOSE, 0, 0);
            break;
        }
        case SDL_WINDOWEVENT: {
            HWND w = FindByWindowId(e.window.windowID);
            if (!w) break;
            switch (e.window.event) {
                case SDL_WINDOWEVENT_CLOSE: Post(w, WM_CLOSE, 0, 0); break;
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    if (ignored) break;
                    Post(w, WM_ACTIVATEAPP, 1, 0);
                    Post(w, WM_ACTIVATE, WA_ACTIVE, 0);
                    break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    if (ignored) break;
                    Post(w, WM_ACTIVATE, WA_INACTIVE, 0);
                    Post(w, WM_ACTIVATEAPP, 0, 0);
                    break;
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    w->width = e.window.data1;
                    w->height = e.window.data2;
                    Post(w, WM_SIZE, 0, MAKELPARAM(e.window.data1, e.window.data2));
                    break;
                case SDL_WINDOWEVENT_MOVED: Post(w, WM_MOVE, 0, MAKELPARAM(e.window.data1, e.window.data2)); break;
                case SDL_WINDOWEVENT_EXPOSED: Post(w, WM_PAINT, 0, 0); break;
                default: break;
            }
            break;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            HWND w = FindByWindowId(e.key.windowID);
            int vk = MapKey(e.key.keysym);
            if (!w || !vk) break;
            // Bit 30 of lParam: the key was down before (auto-repeat).
            LPARAM lp = 1 | (e.key.repeat ? (1 << 30) : 0) | (e.type == SDL_KEYUP ? (3u << 30) : 0);
            Post(w, e.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(vk), lp);
            break;
        }
        case SDL_MOUSEMOTION: {
            if (ignored) break;
            HWND w = FindByWindowId(e.motion.windowID);
            int x = 0, y = 0, dx = 0, dy = 0;
            PointerMotion(w, e.motion, &x, &y, &dx, &dy);
            plat::hooks::AddRelativeMotion(dx, dy, 0);
            if (w) Post(w, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            if (ignored) break;
            HWND w = FindByWindowId(e.button.windowID);
            bool down = e.type == SDL_MOUSEBUTTONDOWN;
            int b = e.button.button == SDL_BUTTON_LEFT ? 0 : e.button.button == SDL_BUTTON_RIGHT ? 1 : 2;
            plat::hooks::SetButton(b, down);
            if (!w) break;
            int x = e.button.x, y = e.button.y;
            ToClient(w, x, y);
            UINT msg = b == 0 ? (down ? WM_LBUTTONDOWN : WM_LBUTTONUP)
                     : b == 1 ? (down ? WM_RBUTTONDOWN : WM_RBUTTONUP)
                              : (down ? WM_MBUTTONDOWN : WM_MBUTTONUP);
            Post(w, msg, 0, MAKELPARAM(x, y));
            break;
        }
        case SDL_MOUSEWHEEL: {
            if (ignored) break;
            HWND w = FindByWindowId(e.wheel.windowID);
            int d = e.wheel.y * 120;
            if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) d = -d;
            plat::hooks::AddRelativeMotion(0, 0, d);
            if (w) Post(w, WM_MOUSEWHEEL, static_cast<WPARAM>(static_cast<DWORD>(d) << 16), 0);
            break;
        }
        default: break;
    }
}

}  // namespace

namespace plat {

bool EnsureVideo() {
    if (videoTried) return videoOk;
    videoTried = true;
    const char* headless = getenv("VEL_HEADLESS");
    if (headless && *headless && strcmp(headless, "0") != 0) {
        videoOk = false;
        return false;
    }
    videoOk = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (videoOk) {
        SDL_DisplayMode m;
        if (SDL_GetDesktopDisplayMode(0, &m) == 0) {
            desktopW = m.w;
            desktopH = m.h;
        }
    }
    return videoOk;
}

SDL_Window* SdlWindowOf(HWND wnd) { return IsLive(wnd) ? wnd->sdl : nullptr; }

void SetWindowFullscreen(HWND wnd, bool fullscreen, int width, int height) {
    if (!IsLive(wnd)) return;
    wnd->logicalW = width;
    wnd->logicalH = height;
    wnd->width = width;
    wnd->height = height;
    if (!wnd->sdl) return;
    if (fullscreen) {
        // Without a window manager (a bare X server) the full-screen request
        // is not acted on, so the window is also made desktop-sized by hand.
        SDL_SetWindowBordered(wnd->sdl, SDL_FALSE);
        SDL_SetWindowPosition(wnd->sdl, 0, 0);
        SDL_SetWindowSize(wnd->sdl, desktopW, desktopH);
        SDL_SetWindowFullscreen(wnd->sdl, SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
        SDL_SetWindowFullscreen(wnd->sdl, 0);
        SDL_SetWindowSize(wnd->sdl, width, height);
    }
}

void PumpEvents() {
    if (!videoOk) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) TranslateSdlEvent(e);
}

void InjectMessage(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) { Post(wnd, message, wParam, lParam); }

void InjectPlatformEvent(const SDL_Event& e) { TranslateSdlEvent(e, true); }

HINSTANCE Instance() { return &theInstance; }

void SetMessageBoxHook(std::function<int(const char*, const char*)> hook) { messageBoxHook = std::move(hook); }

void SetClockHook(std::function<DWORD()> hook) { clockHook = std::move(hook); }

void ResetWindowSystemForTest() {
    queue.clear();
    classes.clear();
    for (auto& w : windows)
        if (w->sdl) SDL_DestroyWindow(w->sdl);
    windows.clear();
    cursorCount = 0;
    pointerKnown = false;
}

size_t PendingMessageCount() { return queue.size(); }

void FailNextWindowCreation() { failNextWindow = true; }

void SetIgnoreSystemInput(bool ignore) { ignoreSystemInput = ignore; }

bool IsSystemInputIgnored() { return ignoreSystemInput; }

}  // namespace plat

// ---------------------------------------------------------------------------
WORD RegisterClassA(const WNDCLASSA* wc) {
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) return 0;
    classes[Lower(wc->lpszClassName)] = *wc;
    return static_cast<WORD>(classes.size());
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) { return classes.erase(Lower(className)) ? TRUE : FALSE; }

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int w, int h, HWND,
                     HMENU, HINSTANCE, LPVOID) {
    auto it = classes.find(Lower(className));
    if (failNextWindow) {
        failNextWindow = false;
        lastError = 8;  // not enough resources
        return nullptr;
    }
    if (it == classes.end()) {
        lastError = 1407;  // class not found
        return nullptr;
    }
    auto win = std::make_unique<HWND__>();
    win->proc = it->second.lpfnWndProc;
    win->title = title ? title : "";
    if (w == CW_USEDEFAULT || w <= 0) w = 800;
    if (h == CW_USEDEFAULT || h <= 0) h = 600;
    // An overlapped window gets a border and a caption from the system: the
    // size asked for is the outer size and the client area is what is left
    // inside. SDL's own decorations lie outside the client area it is given.
    if (!(style & WS_POPUP)) {
        win->frameW = std::min(kOverlappedFrameWidth, w - 1);
        win->frameH = std::min(kOverlappedFrameHeight, h - 1);
        w -= win->frameW;
        h -= win->frameH;
    }
    win->width = w;
    win->height = h;
    if (plat::EnsureVideo()) {
        Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
        int px = (x == CW_USEDEFAULT) ? SDL_WINDOWPOS_CENTERED : x;
        int py = (y == CW_USEDEFAULT) ? SDL_WINDOWPOS_CENTERED : y;
        win->sdl = SDL_CreateWindow(win->title.c_str(), px, py, w, h, flags);
        // A window that SDL cannot make stays a handle without a surface, so the
        // message machinery still works; the graphics layer then fails cleanly.
    }
    if (style & WS_VISIBLE) ShowWindow(win.get(), SW_SHOW);
    HWND handle = win.get();
    windows.push_back(std::move(win));
    handle->proc(handle, WM_CREATE, 0, 0);
    return handle;
}

HWND CreateWindowA(LPCSTR className, LPCSTR title, DWORD style, int x, int y, int w, int h, HWND parent,
                   HMENU menu, HINSTANCE instance, LPVOID param) {
    return CreateWindowExA(0, className, title, style, x, y, w, h, parent, menu, instance, param);
}

BOOL DestroyWindow(HWND wnd) {
    if (!IsLive(wnd)) return FALSE;
    wnd->proc(wnd, WM_DESTROY, 0, 0);
    wnd->destroyed = true;
    if (wnd->sdl) {
        SDL_DestroyWindow(wnd->sdl);
        wnd->sdl = nullptr;
    }
    // Messages still queued for the window are dropped, as a destroyed window
    // receives nothing further.
    for (auto it = queue.begin(); it != queue.end();)
        it = (it->hwnd == wnd) ? queue.erase(it) : it + 1;
    return TRUE;
}

BOOL ShowWindow(HWND wnd, int cmd) {
    if (!IsLive(wnd)) return FALSE;
    if (wnd->sdl) {
        if (cmd == SW_HIDE)
            SDL_HideWindow(wnd->sdl);
        else {
            SDL_ShowWindow(wnd->sdl);
            SDL_RaiseWindow(wnd->sdl);
        }
    }
    return TRUE;
}

BOOL UpdateWindow(HWND wnd) { return IsLive(wnd) ? TRUE : FALSE; }

BOOL SetWindowTextA(HWND wnd, LPCSTR text) {
    if (!IsLive(wnd)) return FALSE;
    wnd->title = text ? text : "";
    if (wnd->sdl) SDL_SetWindowTitle(wnd->sdl, wnd->title.c_str());
    return TRUE;
}

BOOL GetClientRect(HWND wnd, LPRECT rc) {
    if (!IsLive(wnd) || !rc) return FALSE;
    rc->left = rc->top = 0;
    int w = wnd->logicalW > 0 ? wnd->logicalW : wnd->width;
    int h = wnd->logicalH > 0 ? wnd->logicalH : wnd->height;
    rc->right = w;
    rc->bottom = h;
    return TRUE;
}

BOOL GetWindowRect(HWND wnd, LPRECT rc) {
    if (!IsLive(wnd) || !rc) return FALSE;
    int x = 0, y = 0, w = wnd->width, h = wnd->height;
    if (wnd->sdl) {
        SDL_GetWindowPosition(wnd->sdl, &x, &y);
        SDL_GetWindowSize(wnd->sdl, &w, &h);
    }
    *rc = RECT{x, y, x + w + wnd->frameW, y + h + wnd->frameH};
    return TRUE;
}

// Grows a client rectangle by the frame that a window of the style gets:
// equal borders left, right and below, the caption above.
BOOL AdjustWindowRect(LPRECT rc, DWORD style, BOOL) {
    if (!rc) return FALSE;
    if (!(style & WS_POPUP)) {
        const int border = kOverlappedFrameWidth / 2;
        rc->left -= border;
        rc->right += border;
        rc->top -= kOverlappedFrameHeight - border;
        rc->bottom += border;
    }
    return TRUE;
}

BOOL SetWindowPos(HWND wnd, HWND, int x, int y, int cx, int cy, UINT) {
    if (!IsLive(wnd)) return FALSE;
    // The size is the outer one, frame included.
    if (cx > wnd->frameW && cy > wnd->frameH) {
        cx -= wnd->frameW;
        cy -= wnd->frameH;
    }
    if (wnd->sdl) {
        SDL_SetWindowPosition(wnd->sdl, x, y);
        if (cx > 0 && cy > 0) SDL_SetWindowSize(wnd->sdl, cx, cy);
    }
    if (cx > 0 && cy > 0) {
        wnd->width = cx;
        wnd->height = cy;
    }
    return TRUE;
}

BOOL ClientToScreen(HWND wnd, LPPOINT pt) {
    if (!IsLive(wnd) || !pt) return FALSE;
    if (wnd->sdl) {
        int x, y;
        SDL_GetWindowPosition(wnd->sdl, &x, &y);
        pt->x += x;
        pt->y += y;
    }
    return TRUE;
}

BOOL ScreenToClient(HWND wnd, LPPOINT pt) {
    if (!IsLive(wnd) || !pt) return FALSE;
    if (wnd->sdl) {
        int x, y;
        SDL_GetWindowPosition(wnd->sdl, &x, &y);
        pt->x -= x;
        pt->y -= y;
    }
    return TRUE;
}

BOOL GetCursorPos(LPPOINT pt) {
    if (!pt) return FALSE;
    int x = 0, y = 0;
    if (videoOk) SDL_GetGlobalMouseState(&x, &y);
    pt->x = x;
    pt->y = y;
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    if (videoOk) SDL_WarpMouseGlobal(x, y);
    return TRUE;
}

HWND GetActiveWindow() {
    for (auto& w : windows)
        if (!w->destroyed) return w.get();
    return nullptr;
}
HWND GetForegroundWindow() { return GetActiveWindow(); }

int GetSystemMetrics(int index) {
    plat::EnsureVideo();
    if (index == SM_CXSCREEN) return desktopW;
    if (index == SM_CYSCREEN) return desktopH;
    return 0;
}

HICON LoadIconA(HINSTANCE, LPCSTR) { return nullptr; }
HCURSOR LoadCursorA(HINSTANCE, LPCSTR) { return nullptr; }
HCURSOR SetCursor(HCURSOR) { return nullptr; }
void* GetStockObject(int) { return nullptr; }
HMODULE GetModuleHandleA(LPCSTR) { return plat::Instance(); }

BOOL PeekMessageA(LPMSG msg, HWND wnd, UINT, UINT, UINT remove) {
    plat::PumpEvents();
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (wnd && it->hwnd != wnd) continue;
        if (msg) *msg = *it;
        if (remove & PM_REMOVE) queue.erase(it);
        return TRUE;
    }
    return FALSE;
}

BOOL GetMessageA(LPMSG msg, HWND wnd, UINT a, UINT b) {
    while (!PeekMessageA(msg, wnd, a, b, PM_REMOVE)) {
        if (!videoOk) return FALSE;
        SDL_WaitEventTimeout(nullptr, 10);
    }
    return msg->message != WM_QUIT;
}

BOOL TranslateMessage(const MSG*) { return TRUE; }

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg || !IsLive(msg->hwnd)) return 0;
    return msg->hwnd->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProcA(HWND wnd, UINT message, WPARAM, LPARAM) {
    if (message == WM_CLOSE) DestroyWindow(wnd);
    return 0;
}

BOOL PostMessageA(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (wnd && !IsLive(wnd)) return FALSE;
    Post(wnd, message, wParam, lParam);
    return TRUE;
}

LRESULT SendMessageA(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsLive(wnd)) return 0;
    return wnd->proc(wnd, message, wParam, lParam);
}

void PostQuitMessage(int exitCode) { Post(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0); }

int ShowCursor(BOOL show) {
    cursorCount += show ? 1 : -1;
    if (videoOk) SDL_ShowCursor(cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return cursorCount;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT) {
    if (messageBoxHook) return messageBoxHook(text ? text : "", caption ? caption : "");
    fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    // Under a scripted run (no interactive user) the box is only reported.
    const char* noBox = getenv("VEL_NO_DIALOGS");
    if (videoOk && !(noBox && *noBox)) {
        SDL_Window* parent = IsLive(owner) ? owner->sdl : nullptr;
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption ? caption : "", text ? text : "", parent);
    }
    return IDOK;
}

SHORT GetAsyncKeyState(int) { return 0; }
SHORT GetKeyState(int) { return 0; }

DWORD timeGetTime() {
    if (clockHook) return clockHook();
    using namespace std::chrono;
    static const auto start = steady_clock::now();
    return static_cast<DWORD>(duration_cast<milliseconds>(steady_clock::now() - start).count()) + 1000;
}

DWORD GetTickCount() { return timeGetTime(); }

void GetLocalTime(SYSTEMTIME* st) {
    if (!st) return;
    using namespace std::chrono;
    auto now = system_clock::now();
    time_t t = system_clock::to_time_t(now);
    tm lt{};
    localtime_r(&t, &lt);
    st->wYear = static_cast<WORD>(lt.tm_year + 1900);
    st->wMonth = static_cast<WORD>(lt.tm_mon + 1);
    st->wDayOfWeek = static_cast<WORD>(lt.tm_wday);
    st->wDay = static_cast<WORD>(lt.tm_mday);
    st->wHour = static_cast<WORD>(lt.tm_hour);
    st->wMinute = static_cast<WORD>(lt.tm_min);
    st->wSecond = static_cast<WORD>(lt.tm_sec);
    st->wMilliseconds = static_cast<WORD>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
}

void Sleep(DWORD ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

BOOL QueryPerformanceCounter(LONGLONG* count) {
    if (!count) return FALSE;
    *count = static_cast<LONGLONG>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
    return TRUE;
}

BOOL QueryPerformanceFrequency(LONGLONG* freq) {
    if (!freq) return FALSE;
    *freq = 1000000;
    return TRUE;
}

DWORD GetLastError() { return lastError; }
