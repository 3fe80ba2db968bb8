#include "platform/thread.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

struct KernelObject {
    enum Kind { EVENT, THREAD } kind = EVENT;
    bool signalled = false;
    bool manualReset = false;
    DWORD exitCode = STILL_ACTIVE;
    DWORD threadId = 0;
};

// One lock and one condition for every handle: waits over several objects
// and message queues stay simple and cannot miss a wake-up. The state is
// never destroyed, so threads still running at process exit find it intact.
struct ThreadState {
    std::mutex lock;
    std::condition_variable changed;
    std::unordered_map<HANDLE, std::shared_ptr<KernelObject>> handles;
    std::unordered_map<DWORD, std::deque<MSG>> queues;
    DWORD nextThreadId = 1;
};

ThreadState& State() {
    static ThreadState* state = new ThreadState;
    return *state;
}

thread_local DWORD currentThreadId = 0;

// Gives the calling thread its id and message queue (lock held).
DWORD CurrentIdLocked(ThreadState& st) {
    if (currentThreadId == 0) {
        currentThreadId = st.nextThreadId++;
        st.queues[currentThreadId];
    }
    return currentThreadId;
}

HANDLE AddHandleLocked(ThreadState& st, std::shared_ptr<KernelObject> obj) {
    HANDLE h = obj.get();
    st.handles[h] = std::move(obj);
    return h;
}

std::shared_ptr<KernelObject> FindLocked(ThreadState& st, HANDLE h) {
    auto it = st.handles.find(h);
    return it == st.handles.end() ? nullptr : it->second;
}

DWORD QueueMaskOf(UINT message) { return message == WM_TIMER ? QS_TIMER : (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE); }

bool HasMessageLocked(ThreadState& st, DWORD threadId, DWORD wakeMask) {
    auto it = st.queues.find(threadId);
    if (it == st.queues.end()) return false;
    for (const MSG& m : it->second)
        if (QueueMaskOf(m.message) & wakeMask) return true;
    return false;
}

// Common wait: objects, optionally a message of the calling thread.
DWORD WaitLocked(std::unique_lock<std::mutex>& lk, ThreadState& st, DWORD count, const HANDLE* handles,
                 BOOL waitAll, DWORD milliseconds, bool withMessages, DWORD wakeMask) {
    if (count > MAXIMUM_WAIT_OBJECTS || (count > 0 && !handles)) return WAIT_FAILED;
    if (count == 0 && !withMessages) return WAIT_FAILED;
    std::vector<std::shared_ptr<KernelObject>> objs;
    for (DWORD i = 0; i < count; ++i) {
        auto obj = FindLocked(st, handles[i]);
        if (!obj) return WAIT_FAILED;
        objs.push_back(std::move(obj));
    }
    DWORD self = CurrentIdLocked(st);
    auto consume = [](KernelObject& o) {
        if (o.kind == KernelObject::EVENT && !o.manualReset) o.signalled = false;
    };
    auto check = [&](DWORD* result) -> bool {
        bool message = withMessages && HasMessageLocked(st, self, wakeMask);
        if (waitAll) {
            bool all = true;
            for (auto& o : objs) all = all && o->signalled;
            if (all && (!withMessages || message)) {
                if (count == 0) {
                    *result = WAIT_OBJECT_0 + count;
                    return true;
                }
                for (auto& o : objs) consume(*o);
                *result = WAIT_OBJECT_0;
                return true;
            }
            return false;
        }
        for (DWORD i = 0; i < count; ++i) {
            if (objs[i]->signalled) {
                consume(*objs[i]);
                *result = WAIT_OBJECT_0 + i;
                return true;
            }
        }
        if (message) {
            *result = WAIT_OBJECT_0 + count;
            return true;
        }
        return false;
    };
    DWORD result = WAIT_TIMEOUT;
    if (milliseconds == INFINITE) {
        while (!check(&result)) st.changed.wait(lk);
        return result;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!check(&result)) {
        if (st.changed.wait_until(lk, deadline) == std::cv_status::timeout) {
            return check(&result) ? result : WAIT_TIMEOUT;
        }
    }
    return result;
}

}  // namespace

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID param, DWORD flags,
                    LPDWORD threadId) {
    if (!start || (flags & CREATE_SUSPENDED)) return nullptr;
    ThreadState& st = State();
    auto obj = std::make_shared<KernelObject>();
    obj->kind = KernelObject::THREAD;
    obj->manualReset = true;
    HANDLE h;
    {
        std::lock_guard<std::mutex> lk(st.lock);
        obj->threadId = st.nextThreadId++;
        st.queues[obj->threadId];
        h = AddHandleLocked(st, obj);
    }
    if (threadId) *threadId = obj->threadId;
    try {
        std::thread([obj, start, param]() {
            currentThreadId = obj->threadId;
            DWORD rc = start(param);
            ThreadState& s = State();
            std::lock_guard<std::mutex> lk(s.lock);
            obj->exitCode = rc;
            obj->signalled = true;
            s.queues.erase(obj->threadId);
            s.changed.notify_all();
        }).detach();
    } catch (...) {
        std::lock_guard<std::mutex> lk(st.lock);
        st.handles.erase(h);
        st.queues.erase(obj->threadId);
        return nullptr;
    }
    return h;
}

DWORD GetCurrentThreadId() {
    ThreadState& st = State();
    std::lock_guard<std::mutex> lk(st.lock);
    return CurrentIdLocked(st);
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
    ThreadState& st = State();
    std::lock_guard<std::mutex> lk(st.lock);
    auto obj = FindLocked(st, thread);
    if (!obj || obj->kind != KernelObject::THREAD || !exitCode) return FALSE;
    *exitCode = obj->exitCode;
    return TRUE;
}

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR) {
    ThreadState& st = State();
    auto obj = std::make_shared<KernelObject>();
    obj->kind = KernelObject::EVENT;
    obj->manualReset = manualReset != FALSE;
    obj->signalled = initialState != FALSE;
    std::lock_guard<std::mutex> lk(st.lock);
    return AddHandleLocked(st, std::move(obj));
}

BOOL SetEvent(HANDLE event) {
    ThreadState& st = State();
    std::lock_guard<std::mutex> lk(st.lock);
    auto obj = FindLocked(st, event);
    if (!obj || obj->kind != KernelObject::EVENT) return FALSE;
    obj->signalled = true;
    st.changed.notify_all();
    return TRUE;
}

BOOL ResetEvent(HANDLE event) {
    ThreadState& st = State();
    std::lock_guard<std::mutex> lk(st.lock);
    auto obj = FindLocked(st, event);
    if (!obj || obj->kind != KernelObject::EVENT) return FALSE;
    obj->signalled = false;
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    ThreadState& st = State();
    std::lock_guard<std::mutex> lk(st.lock);
    return st.handles.erase(handle) ? TRUE : FALSE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
    ThreadState& st = State();
    std::unique_lock<std::mutex> lk(st.lock);
    return WaitLocked(lk, st, count, handles, waitAll, milliseconds, false, 0);
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                                DWORD wakeMask) {
    ThreadState& st = State();
    std::unique_lock<std::mutex> lk(st.lock);
    return WaitLocked(lk, st, count, handles, waitAll, milliseconds, true, wakeMask);
}

BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    ThreadState& st = State();
    std::lock_guard<std::mutex> lk(st.lock);
    CurrentIdLocked(st);
    auto it = st.queues.find(threadId);
    if (it == st.queues.end()) return FALSE;
    MSG m{};
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    it->second.push_back(m);
    st.changed.notify_all();
    return TRUE;
}

namespace plat {

BOOL PeekThreadMessage(LPMSG msg, UINT removeFlags) {
    ThreadState& st = State();
    std::lock_guard<std::mutex> lk(st.lock);
    DWORD self = CurrentIdLocked(st);
    auto& q = st.queues[self];
    if (q.empty()) return FALSE;
    if (msg) *msg = q.front();
    if (removeFlags & PM_REMOVE) q.pop_front();
    return TRUE;
}

}  // namespace plat
