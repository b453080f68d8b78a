// Picking an interface object with the mouse: the blinking frame around the control under the
// cursor, the tip, the capturing click, and the endings without a capture.
#include "E2eTest.h"

#include <commctrl.h>

#include <atomic>
#include <thread>
#include <vector>

#include "TestWindow.h"
#include "res/resource.h"

namespace {

using kvdrive::WaitFor;

const wchar_t kConfig[] =
    L"<Dadodav>\n <Basic>\n  <PlaySnapSound>\n   0\n  </PlaySnapSound>\n  <SnapDelayTime>\n   0\n  </SnapDelayTime>\n </Basic>\n"
    L" <Image>\n  <AutoCopy>\n   1\n  </AutoCopy>\n </Image>\n</Dadodav>\n";

class Picking : public kvtest::E2eTest {
protected:
    void SetUp() override {
        target = std::make_unique<kvtest::TestWindow>(L"Karvo 拾取", 120, 100, 400, 300);
        // A child of the pattern class: a control whose look does not change under the mouse.
        button = CreateWindowExW(0, L"KvTestPattern", L"child", WS_CHILD | WS_VISIBLE | WS_BORDER, 60, 80, 140, 40,
                                 target->hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(target->WaitPainted());
        ASSERT_TRUE(kvtest::TestWindow::WaitPatternPainted(button));
        k = &App();
        k->WriteConfig(kConfig);
        ASSERT_TRUE(k->Launch());
    }
    void TearDown() override {
        kvtest::E2eTest::TearDown();
        target.reset();
    }
    HWND Tip() const { return kvdrive::FindTopWindow(k->Proc().Id(), L"", L"#32770") != k->Main() ? TipWindow() : nullptr; }
    HWND TipWindow() const {
        for (HWND h : kvdrive::TopWindows(k->Proc().Id()))
            if (h != k->Main() && kvdrive::Text(h).empty() && kvdrive::ClassName(h) == L"#32770") return h;
        return nullptr;
    }
    HWND Engine() const { return GetDlgItem(k->Main(), 100); }
    static int ComboType(kvdrive::Karvo& app) { return int(SendMessageW(app.Item(IDC_SNAP_TYPE), CB_GETCURSEL, 0, 0)); }
    // Whether, within ms, a pixel on the control's left edge shows the not-XOR red frame
    // (red kept, green and blue inverted).
    static bool FrameSeen(const RECT& r, COLORREF normal, int ms) {
        const int x = r.left + 1, y = (r.top + r.bottom) / 2;
        return WaitFor([&] {
            const COLORREF c = kvdrive::ScreenPixel(x, y);
            return GetRValue(c) == GetRValue(normal) && GetGValue(c) == 255 - GetGValue(normal) &&
                   GetBValue(c) == 255 - GetBValue(normal);
        }, ms);
    }
    std::unique_ptr<kvtest::TestWindow> target;
    HWND button = nullptr;
    kvdrive::Karvo* k = nullptr;
};

TEST_F(Picking, OutlinesAndCapturesTheControlUnderTheCursor) {
    const RECT br = kvdrive::ScreenRect(button);
    const kvdrive::Picture before = kvdrive::ScreenPicture(br);
    const COLORREF normal = before.At(1, (br.bottom - br.top) / 2);
    k->Command(ID_SNAP_WINOBJ);
    HWND tip = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (tip = TipWindow()) != nullptr; }));
    // The tip opens at the bottom right, 10 pixels from the edges.
    const RECT tr = kvdrive::ScreenRect(tip);
    EXPECT_EQ(tr.right, GetSystemMetrics(SM_CXSCREEN) - 10);
    EXPECT_EQ(tr.bottom, GetSystemMetrics(SM_CYSCREEN) - 10);
    kvdrive::MoveMouse((br.left + br.right) / 2, (br.top + br.bottom) / 2);
    EXPECT_TRUE(FrameSeen(br, normal, 2000));
    HWND edit = GetDlgItem(tip, 4002);
    const POINT at{(br.left + br.right) / 2, (br.top + br.bottom) / 2};
    wchar_t expect[64];
    swprintf(expect, 64, L"·坐标(X:%d, Y:%d)\r\n·左键点击截取图像\r\n·点击右键退出", int(at.x), int(at.y));
    EXPECT_TRUE(WaitFor([&] { return kvdrive::Text(edit) == expect; }));
    Keep(L"picking");

    const DWORD seq = kvdrive::ClipboardSequence();
    kvdrive::Click(at.x, at.y);
    kvdrive::Picture p;
    ASSERT_TRUE(WaitFor([&] { return kvdrive::ClipboardSequence() != seq && (p = kvdrive::ClipboardPicture()).width > 0; }));
    EXPECT_EQ(p.width, br.right - br.left);
    EXPECT_EQ(p.height, br.bottom - br.top);
    int bad = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) bad += p.At(x, y) != before.At(x, y);
    EXPECT_EQ(bad, 0) << "the frame or the tip is in the capture";
    if (bad) {
        kvdrive::SavePicture(kvdrive::ScratchRoot() + L"picked.png", p);
        kvdrive::SavePicture(kvdrive::ScratchRoot() + L"before.png", before);
    }
    EXPECT_TRUE(WaitFor([&] { return TipWindow() == nullptr && ComboType(*k) == 4; }));
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(k->Main()) != 0; }));
    // The frame is gone after the capture.
    EXPECT_FALSE(FrameSeen(br, normal, 1200));
    // Of our DIB sections only the raw and the processed picture are left.
    EXPECT_EQ(k->Diagnostic(kv::diag::kDibSections), 2);
    EXPECT_TRUE(k->Exit());
}

// A click before the first tick found anything: no capture, picking ends.
TEST_F(Picking, ClickBeforeAnythingIsFoundCapturesNothing) {
    kvdrive::SetClipboardText(L"still here");
    k->Command(ID_SNAP_WINOBJ);
    ASSERT_TRUE(WaitFor([&] { return TipWindow() != nullptr; }));
    kvdrive::Click(700, 300);
    EXPECT_TRUE(WaitFor([&] { return TipWindow() == nullptr; }));
    EXPECT_EQ(kvdrive::ClipboardText(), L"still here");
    // The main window comes back as the capture frame ends, a moment after the tip has gone.
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(k->Main()) != 0; }));
    EXPECT_TRUE(k->Exit());
}

// The found window disappears before the click: the previous image stays current.
TEST_F(Picking, VanishedWindowLeavesThePreviousImage) {
    const DWORD seq0 = kvdrive::ClipboardSequence();
    k->Command(ID_SNAP_FULLSCREEN);
    ASSERT_TRUE(WaitFor([&] { return kvdrive::ClipboardSequence() != seq0 && kvdrive::ClipboardPicture().width > 0; }));
    const RECT br = kvdrive::ScreenRect(button);
    const COLORREF normal = kvdrive::ScreenPixel(br.left + 1, (br.top + br.bottom) / 2);
    k->Command(ID_SNAP_WINOBJ);
    ASSERT_TRUE(WaitFor([&] { return TipWindow() != nullptr; }));
    kvdrive::MoveMouse((br.left + br.right) / 2, (br.top + br.bottom) / 2);
    ASSERT_TRUE(FrameSeen(br, normal, 5000));  // the button is the found window
    DestroyWindow(button);
    const DWORD seq = kvdrive::ClipboardSequence();
    kvdrive::Click((br.left + br.right) / 2, (br.top + br.bottom) / 2);
    kvdrive::Picture p;
    ASSERT_TRUE(WaitFor([&] { return kvdrive::ClipboardSequence() != seq && (p = kvdrive::ClipboardPicture()).width > 0; }));
    EXPECT_EQ(p.width, GetSystemMetrics(SM_CXSCREEN));  // the automatic copy copies the image still current
    EXPECT_TRUE(WaitFor([&] { return TipWindow() == nullptr; }));
    EXPECT_TRUE(k->Exit());
}

// A right click, or Esc in the tip, ends picking without a capture and puts everything back.
TEST_F(Picking, RightClickEndsPicking) {
    kvdrive::SetClipboardText(L"untouched");
    const RECT br = kvdrive::ScreenRect(button);
    const COLORREF normal = kvdrive::ScreenPixel(br.left + 1, (br.top + br.bottom) / 2);
    k->Command(ID_SNAP_WINOBJ);
    ASSERT_TRUE(WaitFor([&] { return TipWindow() != nullptr; }));
    kvdrive::MoveMouse((br.left + br.right) / 2, (br.top + br.bottom) / 2);
    ASSERT_TRUE(FrameSeen(br, normal, 5000));  // the button is the found window
    kvdrive::Click((br.left + br.right) / 2, (br.top + br.bottom) / 2, true);
    EXPECT_TRUE(WaitFor([&] { return TipWindow() == nullptr; }));
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(k->Main()) != 0; }));
    EXPECT_EQ(kvdrive::ClipboardText(), L"untouched");
    // Picking is over: a new capture runs at once.
    const DWORD seq = kvdrive::ClipboardSequence();
    k->Command(ID_SNAP_FULLSCREEN);
    EXPECT_TRUE(WaitFor([&] { return kvdrive::ClipboardSequence() != seq; }));
    EXPECT_TRUE(k->Exit());
}

// However picking ends, the screen around the object is as it was before (the frame marked the
// parent too, and only the object was repainted), and the release of the press that ended it
// reaches no window. Each ending four times: the frame blinks, so a single try can miss it; the
// clicks come while the frame shows, and the captures hold the object without it.
TEST_F(Picking, EndingLeavesTheScreenAsItWasAndKeepsTheRelease) {
    const RECT br = kvdrive::ScreenRect(button);
    const RECT around{br.left - 8, br.top - 8, br.right + 8, br.bottom + 8};
    const kvdrive::Picture before = kvdrive::ScreenPicture(around);
    const COLORREF normal = before.At(9, 8 + (br.bottom - br.top) / 2);
    const POINT at{(br.left + br.right) / 2, (br.top + br.bottom) / 2};
    for (int round = 0; round < 8; ++round) {
        const bool capture = round % 2 == 0;
        SCOPED_TRACE(capture ? "left click captures" : "right click ends");
        kvtest::g_buttonUps = 0;
        const DWORD seq = kvdrive::ClipboardSequence();
        k->Command(ID_SNAP_WINOBJ);
        ASSERT_TRUE(WaitFor([&] { return TipWindow() != nullptr; }));
        kvdrive::MoveMouse(at.x, at.y);
        ASSERT_TRUE(FrameSeen(br, normal, 2000));
        // While it shows, the frame stays on the object: nothing outside it changed.
        const kvdrive::Picture framed = kvdrive::ScreenPicture(around);
        int marked = 0;
        for (int y = 0; y < framed.height; ++y)
            for (int x = 0; x < framed.width; ++x) {
                const bool inside = x >= 8 && y >= 8 && x < framed.width - 8 && y < framed.height - 8;
                marked += !inside && framed.At(x, y) != before.At(x, y);
            }
        EXPECT_EQ(marked, 0) << "the frame marks the parent";
        // A click as a hand makes it: the release comes after picking has ended.
        kvdrive::Button(true, !capture);
        WaitFor([&] { return TipWindow() == nullptr; }, 2000);
        kvdrive::WaitNoCapture(Engine(), 2000);
        kvdrive::Button(false, !capture);
        ASSERT_TRUE(WaitFor([&] { return TipWindow() == nullptr && IsWindowVisible(k->Main()); }));
        if (capture) {
            // The click came while the frame showed: the capture still holds the object alone.
            kvdrive::Picture p;
            EXPECT_TRUE(WaitFor([&] { return kvdrive::ClipboardSequence() != seq && (p = kvdrive::ClipboardPicture()).width > 0; }));
            int withFrame = 0;
            for (int y = 0; y < p.height; ++y)
                for (int x = 0; x < p.width; ++x) withFrame += p.At(x, y) != before.At(x + 8, y + 8);
            EXPECT_EQ(withFrame, 0) << "the frame is in the capture";
            if (withFrame) kvdrive::SavePicture(kvdrive::ScratchRoot() + L"picked-framed.png", p);
        }
        kvdrive::MoveMouse(at.x + 300, at.y + 300);  // the pointer out of the picture
        kvdrive::Picture after;
        const bool same = WaitFor([&] {
            after = kvdrive::ScreenPicture(around);
            return after.pixels == before.pixels;
        }, 3000);
        EXPECT_TRUE(same) << "the screen around the object changed";
        if (!same) {
            kvdrive::SavePicture(kvdrive::ScratchRoot() + L"around-before.png", before);
            kvdrive::SavePicture(kvdrive::ScratchRoot() + L"around-after.png", after);
        }
        kvdrive::SettleFor(300, "a stray release would have reached the window");
        EXPECT_EQ(kvtest::g_buttonUps, 0) << "the release of the picking click reached the window";
    }
    EXPECT_TRUE(k->Exit());
}

// The frame is erased by the object's own program repainting it; with the processors busy that
// repainting reaches the screen late, and a grab taken at once held the frame (four captures in
// twelve under load). Every capture here comes while the frame shows, with both cores spinning.
TEST_F(Picking, CapturesUnderLoadNeverHoldTheFrame) {
    const RECT br = kvdrive::ScreenRect(button);
    const kvdrive::Picture before = kvdrive::ScreenPicture(br);
    const COLORREF normal = before.At(1, (br.bottom - br.top) / 2);
    const POINT at{(br.left + br.right) / 2, (br.top + br.bottom) / 2};
    std::atomic<bool> stop{false};
    std::vector<std::thread> load;
    for (int i = 0; i < 2; ++i)
        load.emplace_back([&stop] {
            volatile unsigned n = 0;
            while (!stop) n = n + 1;
        });
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        const DWORD seq = kvdrive::ClipboardSequence();
        k->Command(ID_SNAP_WINOBJ);
        ASSERT_TRUE(WaitFor([&] { return TipWindow() != nullptr; }));
        kvdrive::MoveMouse(at.x, at.y);
        ASSERT_TRUE(FrameSeen(br, normal, 3000));
        kvdrive::Click(at.x, at.y);
        kvdrive::Picture p;
        ASSERT_TRUE(WaitFor([&] { return kvdrive::ClipboardSequence() != seq && (p = kvdrive::ClipboardPicture()).width > 0; }, 5000));
        EXPECT_TRUE(p.pixels == before.pixels) << "the frame is in the capture";
        ASSERT_TRUE(WaitFor([&] { return TipWindow() == nullptr && IsWindowVisible(k->Main()); }, 5000));
        kvdrive::MoveMouse(at.x + 300, at.y + 300);
        ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == k->Main(); }));
    }
    stop = true;
    for (std::thread& t : load) t.join();
    EXPECT_TRUE(k->Exit());
}

// A picking that ends without a capture leaves the tip's corner right for the next one: the
// tip opens at the bottom right and jumps away from the pointer there.
TEST_F(Picking, TipJumpsAwayInTwoPickingsInARow) {
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        kvdrive::MoveMouse(400, 300);
        k->Command(ID_SNAP_WINOBJ);
        HWND tip = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (tip = TipWindow()) != nullptr; }));
        EXPECT_EQ(kvdrive::ScreenRect(tip).right, sw - 10);
        kvdrive::MoveMouse(sw - 100, sh - 100);  // inside the tip at the bottom right
        EXPECT_TRUE(WaitFor([&] { return kvdrive::ScreenRect(tip).left == 10 && kvdrive::ScreenRect(tip).top == 10; }))
            << "the tip stayed under the pointer";
        kvdrive::Click(sw - 100, sh - 100, true);
        ASSERT_TRUE(WaitFor([&] { return TipWindow() == nullptr && IsWindowVisible(k->Main()); }));
        ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == k->Main(); }));
    }
    EXPECT_TRUE(k->Exit());
}

// The hook's messages outside picking are ignored.
TEST_F(Picking, MessagesOutsidePickingAreIgnored) {
    kvdrive::SetClipboardText(L"quiet");
    ASSERT_TRUE(Engine());
    for (int i = 0; i < 5; ++i) {
        PostMessageW(Engine(), WM_USER + 1001, 0, 0);
        PostMessageW(Engine(), WM_USER + 1007, 0, 0);
        PostMessageW(Engine(), WM_TIMER, 1, 0);
    }
    kvdrive::SettleFor(500, "a capture they started would have changed the clipboard");
    EXPECT_EQ(kvdrive::ClipboardText(), L"quiet");
    EXPECT_EQ(TipWindow(), nullptr);
    EXPECT_TRUE(k->Exit());
}

}  // namespace
