// The capture frame every capture type runs, in the order its row of the capture-type table
// gives: busy guard, hide, record, choose, pause, sound, settle, grab, show, forget the names,
// automatic save, automatic copy. Only the choice and the grab differ from type to type.
#include <memory>
#include <vector>

#include "engine/ImageDocument.h"
#include "engine/KarvoCore.h"
#include "engine/OwnDrawing.h"
#include "engine/WindowList.h"
#include "imaging/BitmapOps.h"
#include "imaging/ScreenGrab.h"
#include "selection/DlgSnapRectHelper.h"
#include "settings/LocalResource.h"

namespace {

// The busy flag held for the frame's lifetime: a guarded capture is refused while another one
// runs, and the flag is cleared however the frame ends.
class BusyGuard {
public:
    BusyGuard(BOOL& flag, bool guarded) : m_flag(flag), m_held(guarded && !flag), m_refused(guarded && flag) {
        if (m_held) m_flag = TRUE;
    }
    ~BusyGuard() {
        if (m_held) m_flag = FALSE;
    }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;
    bool Refused() const { return m_refused; }

private:
    BOOL& m_flag;
    bool m_held;
    bool m_refused;
};

std::vector<RGBX> Pixels(HBITMAP h, CSize& size) {
    std::vector<RGBX> px;
    if (!h || !kv::bitmap::GetSize(h, &size)) return px;
    px.resize(size_t(size.cx) * size_t(size.cy));
    if (!kv::bitmap::ReadPixels(h, px.data(), size)) px.clear();
    return px;
}

// Windows: with composition the screen is the compositor's last frame; the window is gone from
// it at the next composed frame, which DwmFlush waits for.
void WaitForCompositor() {
    using IsEnabled = HRESULT(WINAPI*)(BOOL*);
    using Flush = HRESULT(WINAPI*)();
    static HMODULE dwm = ::LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!dwm) return;
    const auto isEnabled = reinterpret_cast<IsEnabled>(reinterpret_cast<void*>(::GetProcAddress(dwm, "DwmIsCompositionEnabled")));
    const auto flush = reinterpret_cast<Flush>(reinterpret_cast<void*>(::GetProcAddress(dwm, "DwmFlush")));
    BOOL on = FALSE;
    if (isEnabled && flush && SUCCEEDED(isEnabled(&on)) && on) flush();
}

}  // namespace

// What the choose step found, for the steps after it.
struct CKarvoCore::Target {
    HWND window = nullptr;  // the window to grab (the desktop for screen rectangles)
    CRect rect;             // empty: the whole window; else in the window's (screen's) coordinates
    PointerShot pointer;    // the selection's pointer, taken as its window opened
    bool ownPointer = false;
    std::unique_ptr<CDlgSnapRectHelper> selection;  // the closed selection window, for the settle
    bool pickingEnded = false;  // picking ended without the capturing click
};

// Wine: in a virtual desktop the area a hidden window uncovers is repainted only a second or two
// later (measured on Xvfb), so a grab after the default 500 ms pause can still show the window;
// a longer pause in the settings avoids it there.
bool CKarvoCore::HideForCapture() {
    if (m_run.active || !m_config.GetHideMainWnd() || !m_pMainWnd) return false;
    m_pMainWnd->ShowWindow(SW_HIDE);
    return true;
}

void CKarvoCore::RecordCapture(kv::CaptureType type) {
    m_lastCaptureType = type;
    if (!m_run.active) m_config.SetSnapMode(int(type));
}

int CKarvoCore::CaptureDelay() const { return m_run.active ? m_run.delayMs : int(m_config.GetSnapDelayTime()); }

HWND CKarvoCore::ChooseWindow() {
    CKarvoLocalResource local;
    CDlgActiveWin dlg(nullptr);
    dlg.DoModal();
    return dlg.GetSelWnd();
}

BOOL CKarvoCore::SnapFullScreen() { return SnapType(kv::CaptureType::Screen); }
BOOL CKarvoCore::SnapActiveWin() { return SnapType(kv::CaptureType::ActiveWindow); }
BOOL CKarvoCore::SnapCurrentWin() { return SnapType(kv::CaptureType::CurrentWindow); }
BOOL CKarvoCore::SnapWinClient() { return SnapType(kv::CaptureType::ClientArea); }
BOOL CKarvoCore::SnapWinObj() { return SnapType(kv::CaptureType::Object); }
BOOL CKarvoCore::SnapSelectRect() { return SnapType(kv::CaptureType::Rectangle); }
BOOL CKarvoCore::SnapAllMonitors() { return SnapType(kv::CaptureType::AllMonitors); }
BOOL CKarvoCore::SnapPointerMonitor() { return SnapType(kv::CaptureType::PointerMonitor); }

BOOL CKarvoCore::SnapType(kv::CaptureType type) {
    const kv::CaptureTypeRow* row = kv::CaptureTypeRowOf(int(type));
    return row ? RunFrame(*row, nullptr) : FALSE;
}

// While the engine starts (a capture on start) the whole screen is taken after a short fixed
// pause and recorded as nothing: the settings keep the type the user chose last.
BOOL CKarvoCore::RunFrame(const kv::CaptureTypeRow& row, const CRect* fixed) {
    BusyGuard busy(m_bSnapping, row.guarded);
    if (busy.Refused()) return FALSE;
    if (row.choice == kv::CaptureChoice::Picking) ForgetAutoSave();
    const auto pause = [&] { ::Sleep(m_bInitializing ? 50 : DWORD(CaptureDelay())); };
    const auto record = [&] {
        if (!m_bInitializing) RecordCapture(row.type);
    };
    // The thumbnail waits until the picture is saved and on the clipboard: a user waits for
    // those, and the preview paints only after the capture.
    m_doc->deferThumbnail = true;
    struct ThumbnailAtTheEnd {
        CKarvoCore& core;
        ~ThumbnailAtTheEnd() {
            // Also when the frame is left by an exception (out of memory): then without a
            // thumbnail rather than with a second exception out of a destructor.
            try {
                core.MakeDeferredThumbnail();
            } catch (...) {
            }
        }
    } thumbnailAtTheEnd{*this};
    Target target;
    bool hidden = false, chosen = false;
    switch (row.order) {
    case kv::StepOrder::HideRecordChoosePause:
        hidden = HideForCapture();
        record();
        if ((chosen = Choose(row, fixed, target))) pause();
        break;
    case kv::StepOrder::RecordHideChoosePause:
        record();
        hidden = HideForCapture();
        if ((chosen = Choose(row, fixed, target))) pause();
        break;
    case kv::StepOrder::HidePauseRecordChoose:
        hidden = HideForCapture();
        pause();
        record();
        chosen = Choose(row, fixed, target);
        break;
    }
    BOOL result = FALSE;
    if (chosen) {
        PlaySnapSound();
        m_dwLastSettleMs = Settle(row, target);
        result = Grab(row, target);
    }
    if (hidden && m_pMainWnd) m_pMainWnd->ShowWindow(SW_SHOW);
    // Picking ended by a right click, Esc or a lost capture leaves names, file and clipboard.
    if (target.pickingEnded) return FALSE;
    m_strPathName.clear();
    m_strFileName.clear();
    if (result)
        AutoSaveCapture();
    else
        ForgetAutoSave();
    AutoCopyCurrent();
    return result;
}

bool CKarvoCore::Choose(const kv::CaptureTypeRow& row, const CRect* fixed, Target& t) {
    // A rectangle of the desktop, in screen coordinates.
    const auto screen = [&t](const CRect& r) {
        t.window = ::GetDesktopWindow();
        t.rect = r;
        return true;
    };
    const auto area = [&screen](const kv::Rect& r) { return screen(CRect(r.left, r.top, r.right, r.bottom)); };
    if (fixed) return screen(*fixed);
    switch (row.choice) {
    case kv::CaptureChoice::PrimaryMonitor: {
        const kv::MonitorLayout layout = kv::DesktopLayout();
        return area(layout.Monitors()[size_t(layout.Primary())].bounds);
    }
    case kv::CaptureChoice::VirtualScreen: return area(kv::DesktopLayout().VirtualScreen());
    case kv::CaptureChoice::MonitorAtPointer: {
        const kv::MonitorLayout layout = kv::DesktopLayout();
        int i = -1;
        if (m_run.active && m_run.monitor >= 0) {
            i = m_run.monitor < int(layout.Monitors().size()) ? m_run.monitor : -1;
        } else {
            POINT cur{};
            ::GetCursorPos(&cur);
            i = layout.Nearest(kv::Point{cur.x, cur.y});
        }
        return i >= 0 && area(layout.Monitors()[size_t(i)].bounds);
    }
    case kv::CaptureChoice::WindowList:
        t.window = ChooseWindow();
        if (t.window) ::SetForegroundWindow(t.window);
        return t.window != nullptr;
    case kv::CaptureChoice::ClientList: t.window = ChooseWindow(); return t.window != nullptr;
    case kv::CaptureChoice::TopWindow: {
        auto list = std::make_unique<EnumWndList>();
        EnumWndList* p = list.get();
        ::EnumWindows(&EnumWndProc, reinterpret_cast<LPARAM>(&p));
        t.window = list->count >= 1 ? list->entries[1].hwnd : nullptr;
        return t.window != nullptr;
    }
    case kv::CaptureChoice::Selection: {
        // The pointer drawn into the rectangle is the user's own, where it was as the selection
        // window opened, over the screen the user then selects from: by the release the screen
        // shows the selection window's cross at the corner just dragged to, which says nothing
        // about what the user was pointing at.
        if (PointerWanted()) t.pointer = TakePointer(), t.ownPointer = true;
        CKarvoLocalResource local;
        t.selection = std::make_unique<CDlgSnapRectHelper>(nullptr);
        t.selection->DoModal();
        CRect rect(0, 0, 0, 0);
        return t.selection->GetSelectedRect(rect) && screen(rect);
    }
    case kv::CaptureChoice::Picking:
        t.window = Pick();
        t.pickingEnded = !m_bPickChosen;  // a click that found nothing still ends like a capture
        return t.window != nullptr;
    }
    return false;
}

// Our own drawing over what is grabbed: the selection window's tracker, information box and tip,
// or the picking frame, until the screen no longer shows any of it.
DWORD CKarvoCore::Settle(const kv::CaptureTypeRow& row, Target& t) {
    if (t.selection) return WaitUntilSelectionGone(*t.selection, t.rect);
    if (row.choice != kv::CaptureChoice::Picking) return 0;
    // The repainting that erases the frame is the object's program's; until the screen shows
    // it, a grab would hold the frame.
    const bool frameOn = m_frame.on;
    RefreshFoundWindow(t.window);
    const DWORD waited = frameOn ? WaitUntilGone(m_frame.rect, m_frame.drawing) : 0;
    m_frame = FrameRecord{};
    return waited;
}

BOOL CKarvoCore::Grab(const kv::CaptureTypeRow& row, Target& t) {
    if (row.choice == kv::CaptureChoice::Picking) return SnapRect(t.window, CRect(), nullptr);
    if (row.choice == kv::CaptureChoice::ClientList) {
        // The client area in coordinates of the window's own DC (origin at its outer corner).
        CRect w, c;
        ::GetWindowRect(t.window, &w);
        POINT tl{w.left, w.top}, br{w.right, w.bottom};
        ::ScreenToClient(t.window, &tl);
        ::ScreenToClient(t.window, &br);
        w = CRect(tl.x, tl.y, br.x, br.y);
        ::GetClientRect(t.window, &c);
        t.rect = CRect(c.left - w.left, c.top - w.top, c.left - w.left + c.Width(), c.top - w.top + c.Height());
    }
    BOOL result = FALSE;
    if (t.ownPointer)
        result = SnapRect(t.window, t.rect, PointerWanted() ? &t.pointer : nullptr);
    else
        result = SnapRect(t.window, t.rect, PointerWanted());
    if (result && row.choice == kv::CaptureChoice::Selection && !m_run.active)
        m_config.SetLastRegion(t.rect.left, t.rect.top, t.rect.right, t.rect.bottom);
    return result;
}

// The selection window has closed, but until the windows under it have repainted (Wine: 40 to
// 70 ms after the release, depending on the other programs' message loops) the screen can still
// show its tracker, information box or tip. The grab waits until none of the pixels that the
// window drew over the selected rectangle (those where it differed from the frozen screen) is
// still to be seen there.
DWORD CKarvoCore::WaitUntilSelectionGone(const CDlgSnapRectHelper& dlg, const CRect& selected) {
    const CRect frozenArea = dlg.GetFrozenArea();
    CRect r;
    if (!dlg.GetShownSelection() || !dlg.GetFrozenScreen() || !::IntersectRect(&r, &selected, &frozenArea)) return 0;
    CSize shownSize, frozenSize;
    const std::vector<RGBX> drawn = Pixels(dlg.GetShownSelection(), shownSize), under = Pixels(dlg.GetFrozenScreen(), frozenSize);
    const CPoint at(r.left - frozenArea.left, r.top - frozenArea.top);  // the rectangle's corner in the frozen screen
    if (drawn.empty() || under.empty() || shownSize.cx != r.Width() || shownSize.cy != r.Height() ||
        frozenSize.cx < at.x + r.Width() || frozenSize.cy < at.y + r.Height())
        return 0;
    const kv::OwnDrawing d = kv::DrawnOver(drawn.data(), under.data() + size_t(at.y) * size_t(frozenSize.cx) + size_t(at.x),
                                           int(frozenSize.cx), r.Width(), r.Height());
    return WaitUntilGone(r, d);
}

// A few milliseconds at a time; after a second it gives up waiting (the screen under the drawing
// changed to exactly those colours, or a program does not repaint). The milliseconds waited.
DWORD CKarvoCore::WaitUntilGone(const CRect& r, const kv::OwnDrawing& drawing) {
    WaitForCompositor();
    const DWORD start = ::GetTickCount();
    while (!drawing.Empty()) {
        if (!kv::StillShown(drawing, ScreenPixels(r)) || ::GetTickCount() - start >= 1000) break;
        ::Sleep(5);
    }
    return ::GetTickCount() - start;
}

std::vector<RGBX> CKarvoCore::ScreenPixels(const CRect& r) {
    std::unique_ptr<CImageBitmap> live(SnapBitmap(::GetDesktopWindow(), r));
    CSize size;
    return live ? Pixels(live->GetSafeHandle(), size) : std::vector<RGBX>();
}

bool CKarvoCore::LastRegionOffScreen() const {
    int left = 0, top = 0, right = 0, bottom = 0;
    m_config.GetLastRegion(left, top, right, bottom);
    if (right <= left || bottom <= top) return false;
    return !kv::DesktopLayout().OnAnyMonitor(kv::Rect{left, top, right, bottom});
}

// The rectangle of the last selection (virtual-screen coordinates), taken again with no
// selection window: guarded like the other captures that need no dialog. One that lies on no
// monitor (the layout changed, or config.xml says so) is refused before anything happens: no
// hiding, no pause, no sound, no recorded type, no copy.
BOOL CKarvoCore::SnapLastRegion() {
    int left = 0, top = 0, right = 0, bottom = 0;
    m_config.GetLastRegion(left, top, right, bottom);
    if (right <= left || bottom <= top) return SnapSelectRect();
    if (m_bSnapping || LastRegionOffScreen()) return FALSE;
    const CRect rect(left, top, right, bottom);
    return RunFrame(kv::RowOf(kv::CaptureType::Rectangle).AsFixed(), &rect);
}

BOOL CKarvoCore::SnapRegion(CRect screenRect) {
    return RunFrame(kv::RowOf(kv::CaptureType::Rectangle).AsFixed(), &screenRect);
}
