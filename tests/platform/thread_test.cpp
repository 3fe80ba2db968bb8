// Threads, events and the message wait of the platform layer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/thread.h"

namespace {

using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point start) {
    return (long)std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

struct Gate {
    HANDLE go = nullptr;
    std::atomic<int> ran{0};
};

DWORD WINAPI WaitThenReturn(LPVOID param) {
    Gate* g = static_cast<Gate*>(param);
    WaitForSingleObject(g->go, INFINITE);
    g->ran = 1;
    return 42;
}

TEST(Threads, ThreadHandleIsSignalledWhenTheThreadReturns) {
    Gate g;
    g.go = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    DWORD id = 0;
    HANDLE t = CreateThread(nullptr, 0, WaitThenReturn, &g, 0, &id);
    ASSERT_NE(t, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_NE(id, GetCurrentThreadId());
    EXPECT_EQ(WaitForSingleObject(t, 30), WAIT_TIMEOUT);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(t, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    SetEvent(g.go);
    EXPECT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(g.ran.load(), 1);
    EXPECT_TRUE(GetExitCodeThread(t, &code));
    EXPECT_EQ(code, 42u);
    // A finished thread stays signalled.
    EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(t));
    EXPECT_FALSE(CloseHandle(t));
    EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_FAILED);
    CloseHandle(g.go);
}

TEST(Threads, AutoResetEventsReleaseOneWaitManualOnesStay) {
    HANDLE autoEv = CreateEvent(nullptr, FALSE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(autoEv, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(autoEv, 0), WAIT_TIMEOUT);
    SetEvent(autoEv);
    EXPECT_EQ(WaitForSingleObject(autoEv, 0), WAIT_OBJECT_0);

    HANDLE manual = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    SetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    ResetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);

    // Wait for any: the index of the signalled one.
    HANDLE both[2] = {autoEv, manual};
    SetEvent(manual);
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0 + 1);
    // Wait for all needs both.
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_TIMEOUT);
    SetEvent(autoEv);
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(autoEv, 0), WAIT_TIMEOUT);  // consumed by the wait

    // A wake-up from another thread ends an infinite wait.
    ResetEvent(manual);
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        SetEvent(manual);
    });
    EXPECT_EQ(WaitForSingleObject(manual, INFINITE), WAIT_OBJECT_0);
    setter.join();
    CloseHandle(autoEv);
    CloseHandle(manual);
}

struct MsgWaitResult {
    std::atomic<DWORD> result{0};
    std::atomic<long> elapsed{0};
    std::atomic<int> drained{0};
    HANDLE event = nullptr;
    HANDLE ready = nullptr;
    HANDLE go = nullptr;
};

// Waits like the music thread: for the (never signalled) event and a timer
// message, all of them, up to 25 ms; then the same without wait-for-all.
DWORD WINAPI MessageWaiter(LPVOID param) {
    auto* r = static_cast<MsgWaitResult*>(param);
    GetCurrentThreadId();
    SetEvent(r->ready);
    WaitForSingleObject(r->go, INFINITE);
    auto start = Clock::now();
    r->result = MsgWaitForMultipleObjects(1, &r->event, TRUE, 25, QS_TIMER);
    r->elapsed = ElapsedMs(start);
    DWORD anyResult = MsgWaitForMultipleObjects(1, &r->event, FALSE, 1000, QS_TIMER);
    MSG msg;
    while (plat::PeekThreadMessage(&msg, PM_REMOVE))
        if (msg.message == WM_TIMER) r->drained++;
    return anyResult;
}

TEST(Threads, MessageWaitForAllTimesOutWithoutTheEvent) {
    MsgWaitResult r;
    r.event = CreateEvent(nullptr, FALSE, FALSE, nullptr);
    r.ready = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    r.go = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    DWORD id = 0;
    HANDLE t = CreateThread(nullptr, 0, MessageWaiter, &r, 0, &id);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(WaitForSingleObject(r.ready, 5000), WAIT_OBJECT_0);
    ASSERT_TRUE(PostThreadMessage(id, WM_TIMER, 1, 0));
    ASSERT_TRUE(PostThreadMessage(id, WM_TIMER, 2, 0));
    SetEvent(r.go);
    ASSERT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(r.result.load(), WAIT_TIMEOUT);
    EXPECT_GE(r.elapsed.load(), 24);
    DWORD anyResult = 0;
    GetExitCodeThread(t, &anyResult);
    EXPECT_EQ(anyResult, WAIT_OBJECT_0 + 1);  // the queued timer message
    EXPECT_EQ(r.drained.load(), 2);
    EXPECT_FALSE(PostThreadMessage(id, WM_TIMER, 0, 0));  // the thread has ended
    CloseHandle(t);
    CloseHandle(r.event);
    CloseHandle(r.ready);
    CloseHandle(r.go);
}

TEST(Threads, BadHandlesFail) {
    int notAHandle = 0;
    EXPECT_EQ(WaitForSingleObject(&notAHandle, 0), WAIT_FAILED);
    EXPECT_FALSE(SetEvent(&notAHandle));
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_TIMER), WAIT_TIMEOUT);
}

}  // namespace
