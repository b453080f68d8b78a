// The capture types from the main window's menu: whole screen, current window, client area from
// the window list, and a rectangle dragged over the frozen screen; what the clipboard holds
// afterwards, and the capture type the combo box shows.
#include "E2eTest.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "TestWindow.h"
#include "res/resource.h"

namespace {

// The window list (IDD_ACTIVE_WIN of KarvoLib.dll)
constexpr UINT kWindowList = 4004;

using kvdrive::WaitFor;

const wchar_t kFastConfig[] =
    L"<Dadodav>\n <Basic>\n  <PlaySnapSound>\n   0\n  </PlaySnapSound>\n  <SnapDelayTime>\n   0\n  </SnapDelayTime>\n </Basic>\n"
    L" <Image>\n  <AutoCopy>\n   %d\n  </AutoCopy>\n </Image>\n</Dadodav>\n";

std::wstring Config(int autoCopy) {
    wchar_t buf[512];
    swprintf(buf, 512, kFastConfig, autoCopy);
    return buf;
}

class Capture : public kvtest::E2eTest {
protected:
    kvdrive::Karvo& Start(int autoCopy) {
        kvdrive::Karvo& k = App();
        k.WriteConfig(Config(autoCopy));
        EXPECT_TRUE(k.Launch());
        return k;
    }
    static int ComboType(kvdrive::Karvo& k) { return int(SendMessageW(k.Item(IDC_SNAP_TYPE), CB_GETCURSEL, 0, 0)); }
    // A press at (x, y) goes to the selection window: the system finds it there.
    static bool PressReaches(HWND sel, int x, int y) {
        return WaitFor([&] {
            HWND at = WindowFromPoint(POINT{x, y});
            return at == sel || GetAncestor(at, GA_ROOT) == sel;
        });
    }
    // The main window is back and active, as it is a moment after a capture.
    static bool MainActive(kvdrive::Karvo& k) { return WaitFor([&] { return GetForegroundWindow() == k.Main(); }); }
    static bool SamePicture(const kvdrive::Picture& a, const kvdrive::Picture& b) {
        return a.width == b.width && a.height == b.height && a.pixels == b.pixels;
    }
};

TEST_F(Capture, WholeScreenWithAutomaticCopy) {
    kvdrive::Karvo& k = Start(1);
    const DWORD seq = kvdrive::ClipboardSequence();
    k.Command(ID_SNAP_FULLSCREEN);
    const kvdrive::Picture p = NextPicture(seq);
    EXPECT_EQ(p.width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(p.height, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) != 0; }));  // shown again
    EXPECT_EQ(ComboType(k), 0);
    EXPECT_TRUE(k.Exit());
}

TEST_F(Capture, CurrentWindowIsTheTopmostTitledOne) {
    kvdrive::Karvo& k = Start(1);
    kvtest::TestWindow target(L"Karvo 测试窗口", 150, 120, 320, 240);
    ASSERT_TRUE(target.WaitPainted());
    const RECT wr = kvdrive::ScreenRect(target.hwnd());
    const DWORD seq = kvdrive::ClipboardSequence();
    k.Command(ID_SNAP_CURRENTWIN);
    const kvdrive::Picture p = NextPicture(seq);
    ASSERT_EQ(p.width, wr.right - wr.left);
    ASSERT_EQ(p.height, wr.bottom - wr.top);
    // The client area inside the grab shows the pattern exactly.
    const RECT cr = target.ClientOnScreen();
    int bad = 0;
    for (int y = 0; y < cr.bottom - cr.top; y += 7)
        for (int x = 0; x < cr.right - cr.left; x += 5)
            bad += p.At(x + cr.left - wr.left, y + cr.top - wr.top) != kvtest::PatternColour(x, y);
    EXPECT_EQ(bad, 0);
    EXPECT_TRUE(WaitFor([&] { return ComboType(k) == 2; }));
    EXPECT_TRUE(k.Exit());
}

TEST_F(Capture, ClientAreaChosenFromTheWindowList) {
    kvdrive::Karvo& k = Start(1);
    // The list leaves out the bottom-most qualifying window (the shell's, on a desktop that has one).
    kvtest::TestWindow bottom(L"bottom", 700, 500, 200, 150, false);
    kvtest::TestWindow target(L"Karvo 客户区", 200, 150, 360, 260, false);
    ASSERT_TRUE(target.WaitPainted());
    const DWORD seq = kvdrive::ClipboardSequence();
    k.Command(ID_SNAP_WINCLIENT);
    HWND list = kvdrive::WaitTopWindow(k.Proc().Id(), kvdrive::DialogTitle(L"KarvoLib.dll", kWindowList));
    ASSERT_TRUE(list);
    HWND box = GetDlgItem(list, 4000);
    const LRESULT at = SendMessageW(box, LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(L"Karvo 客户区"));
    ASSERT_GE(at, 0);
    Keep(L"window-list");
    SendMessageW(box, LB_SETCURSEL, WPARAM(at), 0);
    PostMessageW(list, WM_COMMAND, IDOK, 0);
    const kvdrive::Picture p = NextPicture(seq);
    const RECT cr = target.ClientOnScreen();
    ASSERT_EQ(p.width, cr.right - cr.left);
    ASSERT_EQ(p.height, cr.bottom - cr.top);
    int bad = 0;
    for (int y = 0; y < p.height; y += 3)
        for (int x = 0; x < p.width; x += 3) bad += p.At(x, y) != kvtest::PatternColour(x, y);
    EXPECT_EQ(bad, 0);
    EXPECT_TRUE(WaitFor([&] { return ComboType(k) == 3; }));

    // Cancelled: no capture, and with no image there is nothing to copy.
    kvdrive::SetClipboardText(L"keep");
    k.Command(ID_EDIT_CLEAR);
    k.Command(ID_SNAP_ACTIVEWIN);
    list = kvdrive::WaitTopWindow(k.Proc().Id(), kvdrive::DialogTitle(L"KarvoLib.dll", kWindowList));
    ASSERT_TRUE(list);
    PostMessageW(list, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(list) && ComboType(k) == 1; }));
    EXPECT_TRUE(k.Exit());
}

// The rectangle selection: the dragged rectangle grown by one pixel is captured, and whatever
// the user had on the clipboard is still there afterwards.
TEST_F(Capture, RectangleSelectionKeepsTheClipboard) {
    kvdrive::Karvo& k = Start(0);
    ASSERT_TRUE(kvdrive::SetClipboardText(L"用户复制的文字"));
    // Away from the tip's corner, wherever an earlier test left the pointer: near it the tip
    // would start at the other corner.
    kvdrive::MoveMouse(700, 500);
    k.Command(ID_SNAP_SELECTRECT);
    HWND sel = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        for (HWND h : kvdrive::TopWindows(k.Proc().Id())) {
            const RECT r = kvdrive::ScreenRect(h);
            if (r.right - r.left == GetSystemMetrics(SM_CXSCREEN) && r.bottom - r.top == GetSystemMetrics(SM_CYSCREEN)) sel = h;
        }
        return sel != nullptr;
    }));
    HWND tip = GetDlgItem(sel, 1031);
    ASSERT_TRUE(tip);
    EXPECT_TRUE(WaitFor([&] { return kvdrive::Text(tip).find(TipAsksForPress()) != std::wstring::npos; }));
    const RECT tr = kvdrive::ScreenRect(tip);
    EXPECT_EQ(tr.left, 10);
    EXPECT_EQ(tr.right - tr.left, 220);
    // Near the panel it jumps to the top right.
    kvdrive::MoveMouse(60, 60);
    EXPECT_TRUE(WaitFor([&] { return kvdrive::ScreenRect(tip).left == GetSystemMetrics(SM_CXSCREEN) - 230; }));

    kvdrive::MoveMouse(400, 300);
    kvdrive::Button(true);
    for (int i = 1; i <= 10; ++i) kvdrive::MoveMouse(400 + 20 * i, 300 + 15 * i);
    EXPECT_TRUE(WaitFor([&] { return kvdrive::Text(tip).find(L"松开鼠标左键确定截取范围") != std::wstring::npos; }));
    Keep(L"rectangle-selection");
    kvdrive::Button(false);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(sel); }));
    EXPECT_TRUE(WaitFor([&] { return ComboType(k) == 5; }));
    EXPECT_EQ(kvdrive::ClipboardText(), L"用户复制的文字");

    // With automatic copy: the capture is (399, 299)–(601, 451), 202 × 152.
    k.Command(ID_AUTO_COPY);
    const DWORD seq = kvdrive::ClipboardSequence();
    k.Command(ID_SNAP_SELECTRECT);
    sel = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        for (HWND h : kvdrive::TopWindows(k.Proc().Id()))
            if (kvdrive::ScreenRect(h).right - kvdrive::ScreenRect(h).left == GetSystemMetrics(SM_CXSCREEN)) sel = h;
        return sel != nullptr;
    }));
    ASSERT_TRUE(PressReaches(sel, 601, 451));
    kvdrive::Drag(601, 451, 401, 301, 10);  // towards the upper left
    const kvdrive::Picture p = NextPicture(seq);
    EXPECT_EQ(p.width, 202);
    EXPECT_EQ(p.height, 152);
    EXPECT_TRUE(k.Exit());
}

// The grab after a selection shows the screen under it, never the selection window's tracker,
// information box or tip: twenty drags in a row over a pattern, each picture exactly the
// pattern. (A grab taken the moment the window closed held the tracker in about 3 of 10.)
TEST_F(Capture, RectangleCapturesNeverShowTheSelectionWindow) {
    kvdrive::Karvo& k = Start(1);
    // Right of the main window's place: Wine can leave a hidden window's X surface on the
    // screen for a moment, and a press there never reaches the selection window.
    kvtest::TestWindow target(L"Karvo 图案", 970, 120, 300, 330);
    ASSERT_TRUE(target.WaitPainted());
    const RECT cr = target.ClientOnScreen();
    int dirty = 0, retries = 0;
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        k.Command(ID_SNAP_SELECTRECT);
        HWND sel = SelectionWindow(k);
        ASSERT_TRUE(sel);
        const int x0 = cr.left + 10 + round * 3, y0 = cr.top + 15 + round * 5;
        const int w = 100 + round * 2, h = 90 + round * 2;
        ASSERT_TRUE(SelectionReady(sel));
        ASSERT_TRUE(PressReaches(sel, x0, y0));
        const DWORD seq = kvdrive::ClipboardSequence();
        // Wine: a press where the just-hidden main window's X surface still stands never reaches
        // the selection window (it sees the release only); the pattern lies away from that place,
        // and should a press still be lost, the drag is made again (the count is printed).
        for (int attempt = 0; attempt < 6 && IsWindow(sel); ++attempt) {
            if (attempt) {
                ++retries;
                SetForegroundWindow(sel);
                WaitFor([&] { return GetForegroundWindow() == sel; }, 1000);
                PressReaches(sel, x0, y0);
            }
            kvdrive::Drag(x0, y0, x0 + w, y0 + h);
            WaitFor([&] { return !IsWindow(sel); }, 1000);
        }
        const kvdrive::Picture p = NextPicture(seq);
        ASSERT_EQ(p.width, w + 2);
        ASSERT_EQ(p.height, h + 2);
        int bad = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                bad += p.At(x, y) != kvtest::PatternColour(x0 - 1 + x - cr.left, y0 - 1 + y - cr.top);
        if (bad) {
            ++dirty;
            kvdrive::SavePicture(kvdrive::ScratchRoot() + L"dirty-" + std::to_wstring(round) + L".png", p);
        }
        EXPECT_EQ(bad, 0) << "the selection window is in the capture";
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) != 0; }));
        // Wine: the main window's return activates it a moment later; a selection opened within
        // that moment loses the mouse capture to it. A user's next drag is never that quick.
        ASSERT_TRUE(MainActive(k));
    }
    std::printf("rectangle drags made again: %d\n", retries);
    EXPECT_EQ(dirty, 0);
    EXPECT_TRUE(k.Exit());
}

// The last rectangle again: with none remembered it is the selection itself; after it, the
// command (menu or Shift+F7), also after a restart, grabs the same rectangle with no selection
// window, pixel for pixel what the selection gave, recorded as a rectangle capture.
TEST_F(Capture, RepeatTheLastRegionAcrossARestart) {
    kvdrive::Karvo& k = Start(1);
    kvtest::TestWindow target(L"Karvo 重复", 970, 120, 300, 330);
    ASSERT_TRUE(target.WaitPainted());
    const RECT cr = target.ClientOnScreen();
    DWORD seq = kvdrive::ClipboardSequence();
    k.Command(ID_SNAP_REPEATRECT);
    HWND sel = SelectionWindow(k);
    ASSERT_TRUE(sel) << "with no region remembered the selection window opens";
    ASSERT_TRUE(SelectionReady(sel));
    ASSERT_TRUE(PressReaches(sel, cr.left + 30, cr.top + 40));
    kvdrive::Drag(cr.left + 30, cr.top + 40, cr.left + 150, cr.top + 130);
    const kvdrive::Picture first = NextPicture(seq);
    ASSERT_EQ(first.width, 122);
    ASSERT_EQ(first.height, 92);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) != 0; }));
    ASSERT_TRUE(k.Exit());
    EXPECT_NE(k.ReadConfig().find(L"<LastRegionLeft>\n   " + std::to_wstring(cr.left + 29) + L"\n"), std::wstring::npos);

    ASSERT_TRUE(k.Launch());
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round ? "hot key" : "menu");
        seq = kvdrive::ClipboardSequence();
        if (round) {
            kvdrive::Press(VK_F7, {VK_SHIFT});
        } else {
            k.Command(ID_SNAP_REPEATRECT);
        }
        const kvdrive::Picture again = NextPicture(seq);
        EXPECT_TRUE(SamePicture(first, again)) << "the repeated region differs from the selected one";
        for (HWND h : kvdrive::TopWindows(k.Proc().Id()))
            EXPECT_NE(kvdrive::ScreenRect(h).right - kvdrive::ScreenRect(h).left, GetSystemMetrics(SM_CXSCREEN));
        EXPECT_TRUE(WaitFor([&] { return ComboType(k) == 5; }));
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) != 0; }));
        ASSERT_TRUE(MainActive(k));
    }
    EXPECT_TRUE(k.Exit());
}

// Another program's mouse moves do not wait while Karvo sleeps through a capture pause (the
// mouse hook has a thread of its own; on the sleeping thread each move waited about 2 s).
TEST_F(Capture, PointerMovesDuringTheCapturePause) {
    kvdrive::Karvo& k = App();
    k.WriteConfig(L"<Dadodav>\n <Basic>\n  <PlaySnapSound>\n   0\n  </PlaySnapSound>\n  <SnapDelayTime>\n   3000\n"
                  L"  </SnapDelayTime>\n </Basic>\n</Dadodav>\n");
    ASSERT_TRUE(k.Launch());
    k.Command(ID_SNAP_FULLSCREEN);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(k.Main()); }));  // hidden: the pause runs
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    double slowest = 0;
    for (int i = 0; i < 5; ++i) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dx = (200 + 20 * i) * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
        in.mi.dy = 300 * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
        in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        QueryPerformanceCounter(&a);
        SendInput(1, &in, sizeof in);
        QueryPerformanceCounter(&b);
        slowest = std::max(slowest, double(b.QuadPart - a.QuadPart) * 1000.0 / double(f.QuadPart));
        Sleep(100);  // a hand's pace between the moves: what is measured is each SendInput's own time
    }
    std::printf("slowest mouse move during the pause: %.1f ms\n", slowest);
    EXPECT_LT(slowest, 1000.0) << "a mouse move waited " << slowest << " ms";
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) != 0; }, 8000));
    EXPECT_TRUE(k.Exit());
}

TEST_F(Capture, SelectionCancelledByEscape) {
    kvdrive::Karvo& k = Start(1);
    kvdrive::SetClipboardText(L"unchanged");
    k.Command(ID_SNAP_SELECTRECT);
    HWND sel = SelectionWindow(k);
    ASSERT_TRUE(sel);
    // A press and release without movement leaves the window open.
    ASSERT_TRUE(PressReaches(sel, 500, 400));
    kvdrive::Click(500, 400);
    kvdrive::SettleFor(300, "a click taken as a selection would have closed the window");
    EXPECT_TRUE(IsWindow(sel));
    SetForegroundWindow(sel);
    kvdrive::Press(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(sel); }));
    EXPECT_TRUE(WaitFor([&] { return ComboType(k) == 5; }));
    EXPECT_EQ(kvdrive::ClipboardText(), L"unchanged");
    EXPECT_TRUE(k.Exit());
}

}  // namespace
