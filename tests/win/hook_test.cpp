// The mouse hook: while a marked window holds the capture, input arrives as the two messages;
// without the mark, or without the capture, nothing is posted.
#include <gtest/gtest.h>

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

    // Not marked: nothing.
    SetCapture(w);
    Move(300, 300);
    kvtest::Pump(100);
    EXPECT_EQ(w.moves, 0);

    SetPropW(w, KV_HOOK_TARGET_PROP, reinterpret_cast<HANDLE>(1));
    Move(310, 320);
    Move(400, 420);
    kvtest::Pump(100);
    EXPECT_GE(w.moves, 1);
    Click();
    kvtest::Pump(100);
    EXPECT_EQ(w.presses, 1);
    EXPECT_EQ(w.rawPresses, 0);  // kept from the window under the cursor
    Click(true);
    kvtest::Pump(100);
    EXPECT_EQ(w.rights, 1);

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

}  // namespace
