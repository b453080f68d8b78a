// The mouse hook: while a marked window holds the capture, input arrives as the two messages;
// without the mark, or without the capture, nothing is posted.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "KvHook.h"
#include "WinTestUtil.h"

namespace {

class Target : public CWnd {
public:
    int moves = 0, presses = 0, rights = 0, rawPresses = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
        case KV_HOOK_MOUSEMOVE: return ++moves, 0;
        case KV_HOOK_LBUTTONDOWN: return ++presses, 0;
        case KV_HOOK_RBUTTONDOWN: return ++rights, 0;
        case WM_LBUTTONDOWN: return ++rawPresses, 0;
        default: return CWnd::WindowProc(msg, wp, lp);
        }
    }
};

void Move(int x, int y) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
}

void Click(bool right = false) {
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof in[0]);
}

TEST(Hook, PostsOnlyToTheMarkedCaptureWindow) {
    CKvHook hook;
    ASSERT_TRUE(hook.IsInstalled());
    Target w;
    ASSERT_TRUE(w.CreateEx(0, L"hook target", WS_POPUP | WS_VISIBLE, CRect(0, 0, 50, 50), nullptr, 0));

    // Not marked: nothing. (Pump(100) here and below: time for a message that must not come.)
    SetCapture(w);
    Move(300, 300);
    kvtest::Pump(100);
    EXPECT_EQ(w.moves, 0);

    SetPropW(w, KV_HOOK_TARGET_PROP, reinterpret_cast<HANDLE>(1));
    Move(310, 320);
    Move(400, 420);
    EXPECT_TRUE(kvtest::PumpUntil([&] { return w.moves >= 1; }));
    Click();
    EXPECT_TRUE(kvtest::PumpUntil([&] { return w.presses == 1; }));
    kvtest::Pump(100);
    EXPECT_EQ(w.presses, 1);
    EXPECT_EQ(w.rawPresses, 0);  // kept from the window under the cursor
    Click(true);
    EXPECT_TRUE(kvtest::PumpUntil([&] { return w.rights == 1; }));

    // Marked but no longer capturing: nothing more.
    ReleaseCapture();
    const int moves = w.moves;
    Move(200, 200);
    Click();
    kvtest::Pump(100);
    EXPECT_EQ(w.moves, moves);
    EXPECT_EQ(w.presses, 1);
    RemovePropW(w, KV_HOOK_TARGET_PROP);
}

// The hook runs on a thread of its own: a mouse move does not wait while the thread that made
// the hook sleeps (as it does through a capture pause), and the thread ends with the hook.
TEST(Hook, OwnThreadKeepsThePointerMovingWhileTheOwnerSleeps) {
    DWORD hookThread = 0;
    double slowest = 0;
    {
        CKvHook hook;
        ASSERT_TRUE(hook.IsInstalled());
        hookThread = hook.GetThreadId();
        EXPECT_NE(hookThread, GetCurrentThreadId());
        std::thread mover([&] {
            LARGE_INTEGER f, a, b;
            QueryPerformanceFrequency(&f);
            Sleep(200);  // the owner is asleep by now
            for (int i = 0; i < 5; ++i) {
                QueryPerformanceCounter(&a);
                Move(100 + 10 * i, 100);
                QueryPerformanceCounter(&b);
                slowest = std::max(slowest, double(b.QuadPart - a.QuadPart) * 1000.0 / double(f.QuadPart));
            }
        });
        Sleep(3000);  // a capture pause: no message is pumped here
        mover.join();
    }
    // With the hook on the sleeping thread each move waited for it (about 2 s under Wine).
    EXPECT_LT(slowest, 1000.0) << "a mouse move waited " << slowest << " ms for the hook";
    HANDLE t = OpenThread(SYNCHRONIZE, FALSE, hookThread);
    if (t) {
        EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_OBJECT_0);
        CloseHandle(t);
    }
}

}  // namespace
