// The framework layer: message dispatch to the bound object, nested modal dialogs ending in the
// right order, modeless dialogs, and owners (of handles and of COM references) that release
// exactly what they hold.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "WinTestUtil.h"
#include "framework/ComObject.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "framework/Handles.h"
#include "framework/ModuleState.h"
#include "framework/Owners.h"
#include "framework/UniqueCom.h"

namespace {

constexpr UINT kPing = WM_APP + 1;

class Recorder : public CWnd {
public:
    std::vector<std::string> log;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
        case WM_CREATE: return log.push_back("create"), 0;
        case kPing: return log.push_back("ping " + std::to_string(wp)), LRESULT(wp * 2);
        case WM_COMMAND: return log.push_back("command " + std::to_string(LOWORD(wp))), 0;
        case WM_TIMER: return log.push_back("timer"), KillTimer(wp), 0;
        case WM_DESTROY: return log.push_back("destroy"), 0;
        default: return CWnd::WindowProc(msg, wp, lp);
        }
    }
    void PostNcDestroy() override { log.push_back("ncdestroy"); }
};

TEST(Framework, MessagesReachTheBoundObject) {
    Recorder w;
    ASSERT_TRUE(w.CreateEx(0, L"rec", WS_OVERLAPPED, CRect(0, 0, 100, 100), nullptr, 0));
    HWND h = w.GetSafeHwnd();
    EXPECT_EQ(CWnd::FromHandlePermanent(h), &w);
    EXPECT_EQ(w.SendMessage(kPing, 21), 42);
    SendMessageW(h, WM_COMMAND, MAKEWPARAM(77, BN_CLICKED), 0);
    w.SetTimer(5, 1);
    for (int i = 0; i < 100 && w.log.back() != "timer"; ++i) kvtest::Pump(10);
    w.DestroyWindow();
    EXPECT_EQ(w.GetSafeHwnd(), nullptr);
    EXPECT_FALSE(IsWindow(h));
    const std::vector<std::string> expect{"create", "ping 21", "command 77", "timer", "destroy", "ncdestroy"};
    EXPECT_EQ(w.log, expect);

    Recorder child;
    Recorder parent;
    ASSERT_TRUE(parent.CreateEx(0, L"p", WS_OVERLAPPED, CRect(0, 0, 100, 100), nullptr, 0));
    ASSERT_TRUE(child.Create(L"c", 0, CRect(0, 0, 10, 10), &parent, 100));
    EXPECT_EQ(GetDlgCtrlID(child), 100);
    EXPECT_EQ(parent.GetDlgItem(100), child.GetSafeHwnd());
}

// A handler that throws: the window gets default processing and keeps working, the dialog's
// message counts as not handled, and each one is counted and named on the debugger output.
class Thrower : public CWnd {
protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == kPing && wp == 1) throw std::runtime_error("window handler");
        if (msg == kPing) return LRESULT(wp + 1);
        return CWnd::WindowProc(msg, wp, lp);
    }
};

class ThrowingDialog : public CDialog {
public:
    ThrowingDialog() : CDialog(9002) {}
    int pings = 0;

protected:
    INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == kPing && wp == 1) throw 7;  // not even a standard exception
        if (msg == kPing) return ++pings, SetMsgResult(LRESULT(wp + 1)), TRUE;
        return CDialog::DialogProc(msg, wp, lp);
    }
};

TEST(Framework, ExceptionsInHandlersAreCountedAndTheWindowsGoOn) {
    const int before = kv::fw::CaughtExceptionCount();
    Thrower w;
    ASSERT_TRUE(w.CreateEx(0, L"thrower", WS_OVERLAPPED, CRect(0, 0, 100, 100), nullptr, 0));
    EXPECT_EQ(w.SendMessage(kPing, 1), 0);  // default processing
    EXPECT_EQ(w.SendMessage(kPing, 5), 6);
    EXPECT_TRUE(IsWindow(w.GetSafeHwnd()));
    EXPECT_EQ(kv::fw::CaughtExceptionCount(), before + 1);
    w.DestroyWindow();

    ThrowingDialog dlg;
    ASSERT_TRUE(dlg.CreateModeless());
    EXPECT_EQ(SendMessageW(dlg.GetSafeHwnd(), kPing, 1, 0), 0);
    EXPECT_EQ(SendMessageW(dlg.GetSafeHwnd(), kPing, 8, 0), 9);
    EXPECT_EQ(dlg.pings, 1);
    EXPECT_EQ(kv::fw::CaughtExceptionCount(), before + 2);
    dlg.DestroyWindow();
    kvtest::ExpectCaught(2);
}

std::vector<std::string> g_order;

class Inner : public CDialog {
public:
    Inner() : CDialog(9002) {}

protected:
    BOOL OnInitDialog() override {
        g_order.push_back("inner init");
        ::PostMessageW(m_hWnd, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    void OnOK() override {
        g_order.push_back("inner end");
        EndDialog(7);
    }
};

class Outer : public CDialog {
public:
    INT_PTR innerResult = 0;
    std::wstring text;
    Outer() : CDialog(9001) {}

protected:
    BOOL OnInitDialog() override {
        g_order.push_back("outer init");
        SetDlgItemTextW(m_hWnd, 100, L"中文 text");
        ::PostMessageW(m_hWnd, WM_APP, 0, 0);
        return TRUE;
    }
    INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_APP) {
            Inner inner;
            innerResult = inner.DoModal();  // a nested modal loop on the same thread
            g_order.push_back("outer resumes");
            wchar_t buf[64];
            GetDlgItemTextW(m_hWnd, 100, buf, 64);
            text = buf;
            EndDialog(8);
            return TRUE;
        }
        return CDialog::DialogProc(msg, wp, lp);
    }
};

TEST(Framework, NestedModalDialogsEndInOrder) {
    g_order.clear();
    Outer outer;
    EXPECT_EQ(outer.DoModal(), 8);
    EXPECT_EQ(outer.innerResult, 7);
    EXPECT_EQ(outer.text, L"中文 text");
    const std::vector<std::string> expect{"outer init", "inner init", "inner end", "outer resumes"};
    EXPECT_EQ(g_order, expect);
    EXPECT_EQ(outer.GetSafeHwnd(), nullptr);

    Inner missing;
    CDialog none(4711);
    EXPECT_EQ(none.DoModal(), -1);  // no such template
}

TEST(Framework, ModelessDialog) {
    g_order.clear();
    CDialog d(9002);
    ASSERT_TRUE(d.CreateModeless());
    HWND h = d.GetSafeHwnd();
    ASSERT_TRUE(IsWindow(h));
    d.EndDialog(IDOK);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(d.GetSafeHwnd(), nullptr);
}

TEST(Framework, OwnersReleaseWhatTheyHold) {
    const long base = kv::LiveOwnerCount().load();
    std::vector<HGDIOBJ> released;
    for (int i = 0; i < 1000; ++i) {
        kv::WindowDc screen = kv::GetDc(nullptr);
        kv::UniqueHdc memory = kv::CreateCompatibleDc(screen.get());
        kv::UniqueHbitmap bmp(CreateCompatibleBitmap(screen.get(), 16, 16));
        kv::UniqueHbrush brush(CreateSolidBrush(RGB(i % 256, 0, 0)));
        kv::UniqueHpen pen(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
        kv::UniqueHrgn rgn(CreateRectRgn(0, 0, i % 16 + 1, 4));
        {
            kv::ScopedSelect selBmp(memory.get(), bmp.get());
            kv::ScopedSelect selBrush(memory.get(), brush.get());
            kv::ScopedSelect selPen(memory.get(), pen.get());
            Rectangle(memory.get(), 0, 0, 8, 8);
        }
        EXPECT_EQ(kv::LiveOwnerCount().load(), base + 6);
        if (i % 97 == 0) released.insert(released.end(), {bmp.get(), brush.get(), pen.get(), rgn.get()});
    }
    EXPECT_EQ(kv::LiveOwnerCount().load(), base);
    for (HGDIOBJ h : released) EXPECT_EQ(GetObjectType(h), 0u);

    kv::UniqueHbitmap a(CreateBitmap(1, 1, 1, 1, nullptr));
    HBITMAP raw = a.get();
    kv::UniqueHbitmap b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), raw);
    HBITMAP kept = b.release();
    EXPECT_EQ(kv::LiveOwnerCount().load(), base);
    EXPECT_NE(GetObjectType(kept), 0u);
    DeleteObject(kept);

    // Global memory (what the print dialog hands back): freed, and the handle no longer valid.
    std::vector<HGLOBAL> freed;
    for (int i = 0; i < 1000; ++i) {
        kv::UniqueHglobal mem(GlobalAlloc(GMEM_MOVEABLE, 64 + i));
        ASSERT_TRUE(mem);
        EXPECT_EQ(GlobalSize(mem.get()), SIZE_T(64 + i));
        EXPECT_EQ(kv::LiveOwnerCount().load(), base + 1);
        if (i % 97 == 0) freed.push_back(mem.get());
    }
    EXPECT_EQ(kv::LiveOwnerCount().load(), base);
    for (HGLOBAL h : freed) EXPECT_EQ(GlobalFlags(h), UINT(GMEM_INVALID_HANDLE));
}

// A COM object that counts how many of it are alive.
class Probe final : public kv::ComObject<IUnknown> {
public:
    static inline int live = 0;
    Probe() { ++live; }

private:
    ~Probe() override { --live; }
    bool Implements(REFIID) const override { return false; }
};

static_assert(!std::is_copy_constructible_v<kv::UniqueCom<IStream>> && !std::is_copy_assignable_v<kv::UniqueCom<IStream>>);
static_assert(std::is_nothrow_move_constructible_v<kv::UniqueCom<IStream>> &&
              std::is_nothrow_move_assignable_v<kv::UniqueCom<IStream>>);

// One owner stands for one reference: it releases it once, at its end, on reset, when it lends
// its slot and when another is moved over it; moving and giving up release nothing.
TEST(Framework, ComOwnerReleasesItsOneReference) {
    for (int i = 0; i < 1000; ++i) {
        kv::UniqueCom<Probe> a(new Probe);
        kv::UniqueCom<Probe> b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(Probe::live, 1);
        kv::UniqueCom<IUnknown> other;
        ASSERT_EQ(b->QueryInterface(IID_IUnknown, other.put_void()), S_OK);  // a second reference
        b.reset();
        EXPECT_EQ(Probe::live, 1);
        other = kv::UniqueCom<IUnknown>(new Probe);  // the first probe's last reference goes
        EXPECT_EQ(Probe::live, 1);
        const auto create = [](IUnknown** out) { *out = new Probe; };
        create(other.put());  // the slot is emptied before it is lent
        EXPECT_EQ(Probe::live, 1);
        IUnknown* kept = other.release();
        EXPECT_FALSE(other);
        EXPECT_EQ(Probe::live, 1);
        EXPECT_EQ(kept->Release(), 0u);
        EXPECT_EQ(Probe::live, 0);
        { kv::UniqueCom<Probe> scoped(new Probe); }
        ASSERT_EQ(Probe::live, 0);
    }
}

TEST(Framework, ScopedOperations) {
    Recorder w;
    ASSERT_TRUE(w.CreateEx(0, L"ops", WS_OVERLAPPED, CRect(0, 0, 50, 50), nullptr, 0));
    {
        kv::CaptureOwner capture(w);
        EXPECT_EQ(GetCapture(), w.GetSafeHwnd());
    }
    EXPECT_EQ(GetCapture(), nullptr);
    {
        kv::ClipboardSession first(w);
        EXPECT_TRUE(first);
    }
    {
        kv::TimerOwner t(w, 9, 100000);
        EXPECT_TRUE(t.Running());
    }
    EXPECT_FALSE(KillTimer(w, 9));  // the owner killed it
    // A moved timer keeps running: the owner it left does not kill it at its end.
    w.log.clear();
    kv::TimerOwner moved;
    {
        kv::TimerOwner first(w, 10, 10);
        moved = std::move(first);
        EXPECT_FALSE(first.Running());
    }
    EXPECT_TRUE(moved.Running());
    for (DWORD start = GetTickCount(); w.log.empty() && GetTickCount() - start < 5000;) kvtest::Pump(10);
    EXPECT_EQ(w.log, std::vector<std::string>{"timer"});
    kv::GdiPlusSession gdiplus;
    EXPECT_TRUE(gdiplus);
}

}  // namespace
