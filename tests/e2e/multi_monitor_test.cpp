// Every capture type on three monitors: the primary 1920 × 1080 at (0,0), a 1280 × 1024 one left
// of it at (-1280,56) and a 1280 × 720 one above it at (320,-720), so the virtual screen is
// (-1280,-720) 3200 × 1800 with gaps at its corners (tools/multimon-test.sh sets it up; on any
// other layout these tests skip). The scene is the test's own: a topmost window over each
// monitor painting a pattern of the screen coordinates, so every pixel of a capture is known.
#include "E2eTest.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "TestWindow.h"
#include "res/resource.h"

namespace {

using kvdrive::WaitFor;

// The pattern at a screen point: distinct for every monitor in its blue channel.
COLORREF Scene(int x, int y, int monitor) {
    return RGB((x * 7) & 0xFF, (y * 5) & 0xFF, 40 + 70 * monitor);
}

const RECT kMonitors[3] = {{0, 0, 1920, 1080}, {-1280, 56, 0, 1080}, {320, -720, 1600, 0}};  // documented order
const RECT kVirtual{-1280, -720, 1920, 1080};

// Which of kMonitors holds the point, or -1 (a gap).
int MonitorAt(int x, int y) {
    for (int i = 0; i < 3; ++i)
        if (x >= kMonitors[i].left && x < kMonitors[i].right && y >= kMonitors[i].top && y < kMonitors[i].bottom) return i;
    return -1;
}

// What a capture must show at a screen point with only the scene on the screen.
COLORREF Expected(int x, int y) {
    const int m = MonitorAt(x, y);
    return m < 0 ? RGB(0, 0, 0) : Scene(x, y, m);
}

// A borderless topmost window painting the scene pattern of the monitor it stands for, from a
// picture made once (painting pixel by pixel would take seconds for a whole monitor).
class SceneWindow {
public:
    SceneWindow(const RECT& r, int monitor) : m_rect(r), m_monitor(monitor) {
        static const ATOM cls = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = &Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"KvMonitorScene";
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            return RegisterClassW(&wc);
        }();
        (void)cls;
        const int w = r.right - r.left, h = r.bottom - r.top;
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof bi.bmiHeader, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        m_bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        auto* px = static_cast<DWORD*>(bits);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const COLORREF c = Scene(r.left + x, r.top + y, monitor);
                px[size_t(y) * w + x] = DWORD(GetRValue(c)) << 16 | DWORD(GetGValue(c)) << 8 | GetBValue(c);
            }
        m_hwnd = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"KvMonitorScene", L"", WS_POPUP | WS_VISIBLE,
                                 r.left, r.top, w, h, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        InvalidateRect(m_hwnd, nullptr, FALSE);
        UpdateWindow(m_hwnd);
    }
    ~SceneWindow() {
        DestroyWindow(m_hwnd);
        DeleteObject(m_bitmap);
    }
    SceneWindow(const SceneWindow&) = delete;
    SceneWindow& operator=(const SceneWindow&) = delete;
    HWND hwnd() const { return m_hwnd; }
    //! Waits until the screen shows the pattern at the window's corners and centre.
    bool WaitPainted() const {
        return WaitFor([&] { return Painted(); });
    }
    //! Whether the screen shows the pattern there now.
    bool Painted() const {
        const RECT& r = m_rect;
        const POINT at[] = {{r.left, r.top}, {r.right - 1, r.top}, {r.left, r.bottom - 1}, {r.right - 1, r.bottom - 1},
                            {(r.left + r.right) / 2, (r.top + r.bottom) / 2}};
        for (const POINT& p : at)
            if (kvdrive::ScreenPixel(p.x, p.y) != Scene(p.x, p.y, m_monitor)) return false;
        return true;
    }

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<SceneWindow*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        if (msg == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(h, &ps);
            if (self) {
                HDC mem = CreateCompatibleDC(dc);
                HGDIOBJ old = SelectObject(mem, self->m_bitmap);
                BitBlt(dc, 0, 0, self->m_rect.right - self->m_rect.left, self->m_rect.bottom - self->m_rect.top, mem, 0, 0, SRCCOPY);
                SelectObject(mem, old);
                DeleteDC(mem);
            }
            EndPaint(h, &ps);
            return 0;
        }
        if (msg == WM_ERASEBKGND) return 1;
        if (msg == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
        return DefWindowProcW(h, msg, wp, lp);
    }
    RECT m_rect;
    int m_monitor;
    HBITMAP m_bitmap = nullptr;
    HWND m_hwnd = nullptr;
};

BOOL CALLBACK AddMonitor(HMONITOR m, HDC, LPRECT, LPARAM list) {
    MONITORINFO mi{sizeof mi};
    GetMonitorInfoW(m, &mi);
    reinterpret_cast<std::vector<RECT>*>(list)->push_back(mi.rcMonitor);
    return TRUE;
}

bool SameRect(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

std::string Show(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

// The pixels of a picture of the screen rectangle `at` that differ from what the scene puts there.
int WrongPixels(const kvdrive::Picture& p, const RECT& at) {
    if (p.width != at.right - at.left || p.height != at.bottom - at.top) return -1;
    int bad = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) bad += p.At(x, y) != Expected(at.left + x, at.top + y);
    return bad;
}

const wchar_t kConfig[] =
    L"<Dadodav>\n <Basic>\n  <PlaySnapSound>\n   0\n  </PlaySnapSound>\n  <SnapDelayTime>\n   0\n  </SnapDelayTime>\n"
    L"  <HideMainWnd>\n   0\n  </HideMainWnd>\n </Basic>\n <Image>\n  <AutoCopy>\n   1\n  </AutoCopy>\n </Image>\n"
    L" <Capture>\n%ls </Capture>\n</Dadodav>\n";

class MultiMonitor : public kvtest::E2eTest {
protected:
    void SetUp() override {
        if (GetSystemMetrics(SM_CMONITORS) != 3) GTEST_SKIP() << "needs the three monitors of tools/multimon-test.sh";
        std::vector<RECT> seen;
        EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&seen));
        ASSERT_EQ(seen.size(), 3u);
        for (const RECT& m : kMonitors) {
            bool found = false;
            for (const RECT& s : seen) found = found || SameRect(s, m);
            ASSERT_TRUE(found) << Show(m) << " is not a monitor";
        }
        // One scene for the whole group: without a virtual desktop every window destroyed
        // costs Wine about 2 s.
        if (m_scene.empty())
            for (int i = 0; i < 3; ++i) m_scene.push_back(std::make_unique<SceneWindow>(kMonitors[i], i));
        for (const auto& s : m_scene) ASSERT_TRUE(s->WaitPainted());
    }
    static void TearDownTestSuite() { m_scene.clear(); }
    kvdrive::Karvo& Start(const std::wstring& capture = L"") {
        kvdrive::Karvo& k = App();
        wchar_t buf[2048];
        swprintf(buf, 2048, kConfig, capture.c_str());
        k.WriteConfig(buf);
        EXPECT_TRUE(k.Launch());
        // The scene covers the main window (topmost too, but raised last), so the screen stays the
        // scene. The main window's activation can come after the launch has returned and raise it
        // again on a loaded machine: the scene is raised until it shows.
        for (const auto& s : m_scene)
            EXPECT_TRUE(WaitFor([&] {
                SetWindowPos(s->hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
                return kvdrive::WaitFor([&] { return s->Painted(); }, 500);
            }));
        return k;
    }
    //! The program's selection window: one of its top-level windows covering the virtual screen.
    static HWND SelectionOver(kvdrive::Karvo& k) {
        HWND sel = nullptr;
        WaitFor([&] {
            for (HWND h : kvdrive::TopWindows(k.Proc().Id()))
                if (SameRect(kvdrive::ScreenRect(h), kVirtual) && IsWindowVisible(h)) sel = h;
            return sel != nullptr;
        });
        return sel;
    }
    //! Runs karvoc.exe in the program's folder.
    kvdrive::RunResult Cli(kvdrive::Karvo& k, const std::wstring& args) {
        return kvdrive::RunCaptured(k.Folder() + L"karvoc.exe", args, k.Folder());
    }
    static inline std::vector<std::unique_ptr<SceneWindow>> m_scene;
};

// All monitors, from the menu and from a hot key given on the settings' key list: the virtual
// screen, every pixel as the scene has it and black where no monitor is; a window of ours
// reaching into a gap is not in the picture there.
TEST_F(MultiMonitor, AllMonitorsIsTheVirtualScreenWithBlackGaps) {
    kvdrive::Karvo& k = Start(L"  <AllMonitorsModifier>\n   2\n  </AllMonitorsModifier>\n  <AllMonitorsVk>\n   120\n  </AllMonitorsVk>\n");
    // Reaching from the primary monitor over the gap left of the top monitor: on the screen DC
    // the gap may show it, the capture must not.
    const RECT ir{-300, -300, 400, 100};
    SceneWindow intruder(ir, 0);
    // Its part over the top monitor shows (what the screen gives over the gap is the system's).
    ASSERT_TRUE(WaitFor([] { return kvdrive::ScreenPixel(350, -100) == Scene(350, -100, 0); }));
    for (int way = 0; way < 2; ++way) {
        SCOPED_TRACE(way == 0 ? "menu" : "hot key Ctrl+F9");
        const DWORD seq = kvdrive::ClipboardSequence();
        if (way == 0)
            k.Command(ID_SNAP_ALLMONITORS);
        else
            kvdrive::Press(VK_F9, {VK_CONTROL});
        const kvdrive::Picture p = NextPicture(seq);
        ASSERT_EQ(p.width, 3200);
        ASSERT_EQ(p.height, 1800);
        int bad = 0, gap = 0;
        for (int y = kVirtual.top; y < kVirtual.bottom; ++y)
            for (int x = kVirtual.left; x < kVirtual.right; ++x) {
                const bool inIntruder = x >= ir.left && x < ir.right && y >= ir.top && y < ir.bottom;
                const int m = MonitorAt(x, y);
                const COLORREF want = m < 0 ? RGB(0, 0, 0) : inIntruder ? Scene(x, y, 0) : Scene(x, y, m);
                const COLORREF got = p.At(x - kVirtual.left, y - kVirtual.top);
                bad += got != want;
                gap += m < 0 && got != RGB(0, 0, 0);
            }
        EXPECT_EQ(bad, 0);
        EXPECT_EQ(gap, 0) << "gap pixels not black";
        if (bad) kvdrive::SavePicture(kvdrive::ScratchRoot() + L"all-monitors.png", p);
    }
    EXPECT_TRUE(WaitFor([&] { return int(SendMessageW(k.Item(IDC_SNAP_TYPE), CB_GETCURSEL, 0, 0)) == 6; }));
    EXPECT_TRUE(k.Exit());
    EXPECT_NE(k.ReadConfig().find(L"<SnapMode>\n   6\n"), std::wstring::npos);
}

// The pointer's monitor, for each monitor: exactly that monitor.
TEST_F(MultiMonitor, PointerMonitorIsTheMonitorUnderThePointer) {
    kvdrive::Karvo& k = Start();
    for (int i : {1, 2, 0, 1}) {
        SCOPED_TRACE(Show(kMonitors[i]));
        const POINT at{kMonitors[i].left + 100, kMonitors[i].bottom - 100};
        kvdrive::MoveMouse(at.x, at.y);
        // Wine: the X pointer's move reaches the server's cursor position only when the process
        // under the pointer reads its events (here the test itself, which pumps none); the
        // position set here is every process's at once.
        SetCursorPos(at.x, at.y);
        const DWORD seq = kvdrive::ClipboardSequence();
        k.Command(ID_SNAP_MONITOR);
        const kvdrive::Picture p = NextPicture(seq);
        EXPECT_EQ(WrongPixels(p, kMonitors[i]), 0) << p.width << " x " << p.height;
        if (WrongPixels(p, kMonitors[i])) kvdrive::SavePicture(kvdrive::ScratchRoot() + L"monitor-" + std::to_wstring(i) + L".png", p);
    }
    EXPECT_TRUE(WaitFor([&] { return int(SendMessageW(k.Item(IDC_SNAP_TYPE), CB_GETCURSEL, 0, 0)) == 7; }));
    EXPECT_TRUE(k.Exit());
}

// The selection covers the virtual screen: its tip stays inside the monitor under the cursor,
// and a rectangle dragged from the left monitor onto the primary is captured exactly.
TEST_F(MultiMonitor, RectangleAcrossTwoMonitorsAndTheTipOnItsMonitor) {
    kvdrive::Karvo& k = Start();
    kvdrive::MoveMouse(900, 700);
    const DWORD seq = kvdrive::ClipboardSequence();
    k.Command(ID_SNAP_SELECTRECT);
    HWND sel = SelectionOver(k);
    ASSERT_TRUE(sel);
    HWND tip = GetDlgItem(sel, 1031);
    ASSERT_TRUE(tip);
    ASSERT_TRUE(WaitFor([&] { return kvdrive::Text(tip).find(TipAsksForPress()) != std::wstring::npos; }));
    // Opened on the primary monitor: at (10, 10) as ever.
    EXPECT_EQ(kvdrive::ScreenRect(tip).left, 10);
    EXPECT_EQ(kvdrive::ScreenRect(tip).top, 10);
    const auto inside = [](const RECT& r, const RECT& m) {
        return r.left >= m.left && r.top >= m.top && r.right <= m.right && r.bottom <= m.bottom;
    };
    for (int i : {1, 2, 0}) {
        SCOPED_TRACE(Show(kMonitors[i]));
        kvdrive::MoveMouse(kMonitors[i].left + 600, kMonitors[i].top + 400);
        // The tip follows on the next move the window sees.
        kvdrive::MoveMouse(kMonitors[i].left + 601, kMonitors[i].top + 401);
        EXPECT_TRUE(WaitFor([&] { return inside(kvdrive::ScreenRect(tip), kMonitors[i]); })) << Show(kvdrive::ScreenRect(tip));
    }
    // The colour read-out gives the frozen screen's pixel under the cursor, on any monitor.
    kvdrive::MoveMouse(-700, 500);
    const COLORREF c = Scene(-700, 500, 1);
    const std::wstring rgb = TipPixel(c);
    EXPECT_TRUE(WaitFor([&] { return kvdrive::Text(tip).find(rgb) != std::wstring::npos; })) << kvdrive::Text(tip).c_str();

    // From (-300, 200) on the left monitor to (250, 500) on the primary: the capture is
    // (-301, 199)-(251, 501), the tracker's border included, as on one monitor.
    ASSERT_TRUE(WaitFor([&] { return GetAncestor(WindowFromPoint(POINT{-300, 200}), GA_ROOT) == sel; }));
    kvdrive::Drag(-300, 200, 250, 500, 10);
    const kvdrive::Picture p = NextPicture(seq);
    EXPECT_EQ(WrongPixels(p, RECT{-301, 199, 251, 501}), 0) << p.width << " x " << p.height;
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(sel); }));
    // Remembered in virtual-screen coordinates.
    EXPECT_TRUE(k.Exit());
    EXPECT_NE(k.ReadConfig().find(L"<LastRegionLeft>\n   -301\n"), std::wstring::npos) << k.ReadConfig().c_str();
}

// Windows left of the primary (negative coordinates), across two monitors and on the monitor
// above it are captured whole. One window moved from place to place: it stays topmost through
// every capture (a grab used to take that away, so the second capture found another window).
TEST_F(MultiMonitor, WindowsAnywhereAreCapturedWhole) {
    kvdrive::Karvo& k = Start();
    const RECT places[] = {{-900, 300, -500, 600}, {-200, 400, 200, 700}, {500, -600, 900, -300}, {1400, -200, 1800, 200}};
    kvtest::TestWindow target(L"Karvo 多显示器窗口", 100, 100, 400, 300);
    for (const RECT& at : places) {
        SCOPED_TRACE(Show(at));
        MoveWindow(target.hwnd(), at.left, at.top, at.right - at.left, at.bottom - at.top, TRUE);
        ASSERT_TRUE(WaitFor([&] {
            const RECT c = target.ClientOnScreen();
            const POINT p{(c.left + c.right) / 2, (c.top + c.bottom) / 2};
            return kvdrive::ScreenPixel(p.x, p.y) == kvtest::PatternColour(p.x - c.left, p.y - c.top);
        }));
        const RECT wr = kvdrive::ScreenRect(target.hwnd());
        ASSERT_TRUE(SameRect(wr, at)) << Show(wr);
        const DWORD seq = kvdrive::ClipboardSequence();
        k.Command(ID_SNAP_CURRENTWIN);
        const kvdrive::Picture p = NextPicture(seq);
        ASSERT_EQ(p.width, at.right - at.left);
        ASSERT_EQ(p.height, at.bottom - at.top);
        const RECT cr = target.ClientOnScreen();
        // The client area exactly (the frame is drawn by the system, active or not); black
        // where no monitor shows it.
        int bad = 0;
        for (int y = cr.top; y < cr.bottom; ++y)
            for (int x = cr.left; x < cr.right; ++x)
                bad += p.At(x - wr.left, y - wr.top) != (MonitorAt(x, y) < 0 ? RGB(0, 0, 0) : kvtest::PatternColour(x - cr.left, y - cr.top));
        EXPECT_EQ(bad, 0);
        if (bad) kvdrive::SavePicture(kvdrive::ScratchRoot() + L"window-" + std::to_wstring(at.left) + L".png", p);
    }
    EXPECT_TRUE(k.Exit());
}

// Picking on the monitor above the primary: the tip comes to that monitor and the object (a
// control of a window there) is captured exactly.
TEST_F(MultiMonitor, PickingOnASecondaryMonitor) {
    kvtest::TestWindow target(L"Karvo 拾取窗口", 700, -600, 360, 260);
    HWND child = CreateWindowExW(0, L"KvTestPattern", L"child", WS_CHILD | WS_VISIBLE | WS_BORDER, 60, 80, 180, 60, target.hwnd(),
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(target.WaitPainted());
    kvdrive::Karvo& k = Start();
    SetWindowPos(target.hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ASSERT_TRUE(kvtest::TestWindow::WaitPatternPainted(child));
    const RECT wr = kvdrive::ScreenRect(child);
    const kvdrive::Picture before = kvdrive::ScreenPicture(wr);
    const POINT at{(wr.left + wr.right) / 2, (wr.top + wr.bottom) / 2};
    kvdrive::MoveMouse(at.x - 50, at.y);
    k.Command(ID_SNAP_WINOBJ);
    HWND tip = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        for (HWND h : kvdrive::TopWindows(k.Proc().Id()))
            if (h != k.Main() && kvdrive::Text(h).empty() && kvdrive::ClassName(h) == L"#32770" && IsWindowVisible(h)) tip = h;
        return tip != nullptr;
    }));
    kvdrive::MoveMouse(at.x, at.y);
    HWND edit = GetDlgItem(tip, 4002);
    wchar_t expect[64];
    swprintf(expect, 64, L"·坐标(X:%d, Y:%d)", int(at.x), int(at.y));
    EXPECT_TRUE(WaitFor([&] { return kvdrive::Text(edit).find(expect) != std::wstring::npos; }));
    EXPECT_TRUE(WaitFor([&] {
        const RECT t = kvdrive::ScreenRect(tip);
        return t.left >= kMonitors[2].left && t.top >= kMonitors[2].top && t.right <= kMonitors[2].right && t.bottom <= kMonitors[2].bottom;
    })) << Show(kvdrive::ScreenRect(tip));
    // The frame blinks on over the object: the timer found it.
    EXPECT_TRUE(WaitFor([&] {
        const COLORREF c = kvdrive::ScreenPixel(wr.left + 1, at.y), n = before.At(1, at.y - wr.top);
        return GetRValue(c) == GetRValue(n) && GetGValue(c) == 255 - GetGValue(n);
    }));
    const DWORD seq = kvdrive::ClipboardSequence();
    kvdrive::Click(at.x, at.y);
    const kvdrive::Picture p = NextPicture(seq);
    ASSERT_EQ(p.width, wr.right - wr.left);
    ASSERT_EQ(p.height, wr.bottom - wr.top);
    int bad = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) bad += p.At(x, y) != before.At(x, y);
    EXPECT_EQ(bad, 0) << "the frame or the tip is in the capture";
    if (bad) kvdrive::SavePicture(kvdrive::ScratchRoot() + L"picked.png", p);
    EXPECT_TRUE(k.Exit());
}

// The last rectangle again at negative coordinates, reaching into the gap above the left monitor
// (that part black).
TEST_F(MultiMonitor, RepeatTheLastRegionAtNegativeCoordinates) {
    kvdrive::Karvo& k = Start(L"  <LastRegionLeft>\n   -1000\n  </LastRegionLeft>\n  <LastRegionTop>\n   -100\n  </LastRegionTop>\n"
                              L"  <LastRegionRight>\n   -600\n  </LastRegionRight>\n  <LastRegionBottom>\n   400\n  </LastRegionBottom>\n");
    const DWORD seq = kvdrive::ClipboardSequence();
    k.Command(ID_SNAP_REPEATRECT);
    const kvdrive::Picture p = NextPicture(seq);
    EXPECT_EQ(WrongPixels(p, RECT{-1000, -100, -600, 400}), 0) << p.width << " x " << p.height;
    EXPECT_TRUE(k.Exit());
}

// Once the last rectangle lies on no monitor (here: in the gap at the top-left corner of the
// virtual screen) the repeat is refused with a word to the user, and nothing changes.
TEST_F(MultiMonitor, RepeatTheLastRegionRefusedOffEveryMonitor) {
    kvdrive::Karvo& k = Start(L"  <LastRegionLeft>\n   -1200\n  </LastRegionLeft>\n  <LastRegionTop>\n   -700\n  </LastRegionTop>\n"
                              L"  <LastRegionRight>\n   -900\n  </LastRegionRight>\n  <LastRegionBottom>\n   -100\n  </LastRegionBottom>\n");
    ASSERT_TRUE(kvdrive::SetClipboardText(L"留在剪贴板"));
    k.Command(ID_SNAP_REPEATRECT);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        for (HWND h : kvdrive::TopWindows(k.Proc().Id()))
            if (h != k.Main() && kvdrive::ClassName(h) == L"#32770" && kvtest::AllText(h).find(L"无法重复上次选定区域") != std::wstring::npos)
                box = h;
        return box != nullptr;
    }));
    EXPECT_NE(kvtest::AllText(box).find(L"左上角 -1200, -700，300 × 600 像素"), std::wstring::npos) << kvtest::AllText(box).c_str();
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    EXPECT_EQ(kvdrive::ClipboardText(), L"留在剪贴板");
    EXPECT_TRUE(k.Exit());
}

// The command line's new words, its JSON monitor and exit codes, and negative regions.
TEST_F(MultiMonitor, CommandLineWordsJsonAndExitCodes) {
    kvdrive::Karvo& k = App();
    kvdrive::MoveMouse(900, -300);  // on the top monitor
    SetCursorPos(900, -300);        // for every process at once (see PointerMonitorIsTheMonitorUnderThePointer)
    struct Row {
        const wchar_t* args;
        DWORD exit;
        RECT rect;         // what the picture shows (when exit is 0)
        const char* json;  // expected part of the JSON line (exit 0) or of the error (else)
    };
    const Row rows[] = {
        {L"/capture all", 0, kVirtual,
         "\"type\":\"all\",\"rect\":{\"x\":-1280,\"y\":-720,\"width\":3200,\"height\":1800},\"monitor\":{\"index\":1,\"x\":0,\"y\":0,\"width\":1920,\"height\":1080,\"primary\":true}"},
        {L"/capture monitor", 0, kMonitors[2],
         "\"type\":\"monitor\",\"rect\":{\"x\":320,\"y\":-720,\"width\":1280,\"height\":720},\"monitor\":{\"index\":3,\"x\":320,\"y\":-720,\"width\":1280,\"height\":720,\"primary\":false}"},
        {L"/capture monitor:2", 0, kMonitors[1],
         "\"monitor\":{\"index\":2,\"x\":-1280,\"y\":56,\"width\":1280,\"height\":1024,\"primary\":false}"},
        {L"/capture MONITOR:1", 0, kMonitors[0], "\"monitor\":{\"index\":1,\"x\":0,\"y\":0,\"width\":1920,\"height\":1080,\"primary\":true}"},
        {L"/capture screen", 0, kMonitors[0], "\"type\":\"screen\",\"rect\":{\"x\":0,\"y\":0,\"width\":1920,\"height\":1080}"},
        {L"/region -1250,60,300,200", 0, RECT{-1250, 60, -950, 260},
         "\"rect\":{\"x\":-1250,\"y\":60,\"width\":300,\"height\":200},\"monitor\":{\"index\":2,"},
        // Across the gap at the top-left of the primary: the gap black.
        {L"/region -100,-100,500,300", 0, RECT{-100, -100, 400, 200}, "\"monitor\":{\"index\":1,"},
        {L"/capture monitor:4", 3, {}, "karvo: capture failed: there is no monitor 4"},
        {L"/region -1280,-720,200,300", 3, {}, "karvo: capture failed: nothing of it lies on the screen"},
        {L"/region 1920,0,10,10", 3, {}, "karvo: capture failed: nothing of it lies on the screen"},
        {L"/capture monitor:0", 2, {}, "karvo: bad monitor number (monitor:N with N from 1): monitor:0"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.args, r.args + wcslen(r.args)));
        const std::wstring out = k.Folder() + L"cli.bmp";
        DeleteFileW(out.c_str());
        const kvdrive::RunResult res = Cli(k, std::wstring(r.args) + L" /quiet /out \"" + out + L"\"");
        EXPECT_EQ(res.exitCode, r.exit) << res.err;
        if (r.exit != 0) {
            EXPECT_NE(res.err.find(r.json), std::string::npos) << res.err;
            EXPECT_EQ(GetFileAttributesW(out.c_str()), INVALID_FILE_ATTRIBUTES);
            continue;
        }
        EXPECT_NE(res.out.find(r.json), std::string::npos) << res.out;
        const kvdrive::Picture p = kvdrive::LoadPictureFile(out);
        EXPECT_EQ(WrongPixels(p, r.rect), 0) << p.width << " x " << p.height;
    }
}

}  // namespace
