// The capture types. Each follows the same frame (busy guard, hide, record, choose, pause,
// sound, grab, show, forget the names, automatic copy) in the order its table row gives.
#include <memory>
#include <vector>

#include "engine/KarvoCore.h"
#include "engine/WindowList.h"
#include "imaging/BitmapOps.h"
#include "selection/DlgSnapRectHelper.h"
#include "settings/LocalResource.h"

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

BOOL CKarvoCore::FinishCapture(bool hidden, BOOL result, bool guarded) {
    if (hidden) m_pMainWnd->ShowWindow(SW_SHOW);
    m_strPathName.clear();
    m_strFileName.clear();
    if (result)
        AutoSaveCapture();
    else
        ForgetAutoSave();
    AutoCopyCurrent();
    if (guarded) m_bSnapping = FALSE;
    return result;
}

HWND CKarvoCore::ChooseWindow() {
    CKarvoLocalResource local;
    CDlgActiveWin dlg(nullptr);
    dlg.DoModal();
    return dlg.GetSelWnd();
}

BOOL CKarvoCore::SnapActiveWin() {
    if (m_bSnapping) return FALSE;
    m_bSnapping = TRUE;
    const bool hidden = HideForCapture();
    RecordCapture(kv::CaptureType::ActiveWindow);
    BOOL result = FALSE;
    if (HWND chosen = ChooseWindow()) {
        ::SetForegroundWindow(chosen);
        ::Sleep(DWORD(CaptureDelay()));
        PlaySnapSound();
        result = SnapRect(chosen, CRect(), PointerWanted());
    }
    return FinishCapture(hidden, result, true);
}

BOOL CKarvoCore::SnapCurrentWin() {
    if (m_bSnapping) return FALSE;
    m_bSnapping = TRUE;
    RecordCapture(kv::CaptureType::CurrentWindow);
    const bool hidden = HideForCapture();
    auto list = std::make_unique<EnumWndList>();
    EnumWndList* p = list.get();
    ::EnumWindows(&EnumWndProc, reinterpret_cast<LPARAM>(&p));
    BOOL result = FALSE;
    if (list->count >= 1 && list->entries[1].hwnd) {
        ::Sleep(DWORD(CaptureDelay()));
        PlaySnapSound();
        result = SnapRect(list->entries[1].hwnd, CRect(), PointerWanted());
    }
    return FinishCapture(hidden, result, true);
}

// The client area in coordinates of the window's own DC (origin at its outer corner).
BOOL CKarvoCore::SnapWinClient() {
    if (m_bSnapping) return FALSE;
    m_bSnapping = TRUE;
    const bool hidden = HideForCapture();
    RecordCapture(kv::CaptureType::ClientArea);
    BOOL result = FALSE;
    if (HWND chosen = ChooseWindow()) {
        ::Sleep(DWORD(CaptureDelay()));
        PlaySnapSound();
        CRect w, c;
        ::GetWindowRect(chosen, &w);
        POINT tl{w.left, w.top}, br{w.right, w.bottom};
        ::ScreenToClient(chosen, &tl);
        ::ScreenToClient(chosen, &br);
        w = CRect(tl.x, tl.y, br.x, br.y);
        ::GetClientRect(chosen, &c);
        const CRect rect(c.left - w.left, c.top - w.top, c.left - w.left + c.Width(), c.top - w.top + c.Height());
        result = SnapRect(chosen, rect, PointerWanted());
    }
    return FinishCapture(hidden, result, true);
}

namespace {

std::vector<RGBX> Pixels(HBITMAP h, CSize& size) {
    std::vector<RGBX> px;
    if (!h || !kv::bitmap::GetSize(h, &size)) return px;
    px.resize(size_t(size.cx) * size_t(size.cy));
    if (!kv::bitmap::ReadPixels(h, px.data(), size)) px.clear();
    return px;
}

inline bool SameColour(RGBX a, RGBX b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

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

// The selection window has closed, but until the windows under it have repainted (Wine: 40 to
// 70 ms after the release, depending on the other programs' message loops) the screen can still
// show its tracker, information box or tip. The grab waits until none of the pixels that the
// window drew over the selected rectangle (those where it differed from the frozen screen) is
// still to be seen there, a few milliseconds at a time; after a second it gives up waiting (the
// screen under the selection changed to exactly those colours, or a program does not repaint).
// Returns the milliseconds waited.
DWORD CKarvoCore::WaitUntilSelectionGone(HBITMAP shown, HBITMAP frozen, const CRect& selected) {
    CRect r;
    const RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (!shown || !frozen || !::IntersectRect(&r, &selected, &screen)) return 0;
    CSize shownSize, frozenSize;
    const std::vector<RGBX> drawn = Pixels(shown, shownSize), under = Pixels(frozen, frozenSize);
    if (drawn.empty() || under.empty() || shownSize.cx != r.Width() || shownSize.cy != r.Height() ||
        frozenSize.cx < r.right || frozenSize.cy < r.bottom)
        return 0;
    std::vector<size_t> marks;  // pixels of the rectangle that only the window drew
    std::vector<RGBX> colours;
    for (int y = 0; y < r.Height(); ++y)
        for (int x = 0; x < r.Width(); ++x) {
            const size_t i = size_t(y) * size_t(r.Width()) + size_t(x);
            if (!SameColour(drawn[i], under[size_t(y + r.top) * size_t(frozenSize.cx) + size_t(x + r.left)]))
                marks.push_back(i), colours.push_back(drawn[i]);
        }
    return WaitUntilGone(r, marks, colours);
}

DWORD CKarvoCore::WaitUntilGone(const CRect& r, const std::vector<size_t>& marks, const std::vector<RGBX>& drawn) {
    WaitForCompositor();
    const DWORD start = ::GetTickCount();
    while (!marks.empty()) {
        const std::vector<RGBX> now = ScreenPixels(r);
        if (now.size() != size_t(r.Width()) * size_t(r.Height())) break;
        bool visible = false;
        for (size_t k = 0; k < marks.size() && !visible; ++k) visible = SameColour(now[marks[k]], drawn[k]);
        if (!visible || ::GetTickCount() - start >= 1000) break;
        ::Sleep(5);
    }
    return ::GetTickCount() - start;
}

std::vector<RGBX> CKarvoCore::ScreenPixels(const CRect& r) {
    std::unique_ptr<CImageBitmap> live(SnapBitmap(::GetDesktopWindow(), r));
    CSize size;
    return live ? Pixels(live->GetSafeHandle(), size) : std::vector<RGBX>();
}

// Not guarded: a selection may run while another capture's dialog is open.
// The pointer drawn into the rectangle is the user's own, where it was as the selection window
// opened, over the screen the user then selects from: by the release the screen shows the
// selection window's cross at the corner just dragged to, which says nothing about what the
// user was pointing at.
BOOL CKarvoCore::SnapSelectRect() {
    const bool hidden = HideForCapture();
    ::Sleep(DWORD(CaptureDelay()));
    RecordCapture(kv::CaptureType::Rectangle);
    BOOL result = FALSE;
    {
        const PointerShot pointer = PointerWanted() ? TakePointer() : PointerShot{};
        CKarvoLocalResource local;
        CDlgSnapRectHelper dlg(nullptr);
        dlg.DoModal();
        CRect rect(0, 0, 0, 0);
        if (dlg.GetSelectedRect(rect)) {
            PlaySnapSound();
            m_dwLastSettleMs = WaitUntilSelectionGone(dlg.GetShownSelection(), dlg.GetFrozenScreen(), rect);
            result = SnapRect(::GetDesktopWindow(), rect, PointerWanted() ? &pointer : nullptr);
            if (result && !m_run.active) m_config.SetLastRegion(rect.left, rect.top, rect.right, rect.bottom);
        }
    }
    return FinishCapture(hidden, result, false);
}

bool CKarvoCore::LastRegionOffScreen() const {
    int left = 0, top = 0, right = 0, bottom = 0;
    m_config.GetLastRegion(left, top, right, bottom);
    if (right <= left || bottom <= top) return false;
    return right <= 0 || bottom <= 0 || left >= ::GetSystemMetrics(SM_CXSCREEN) || top >= ::GetSystemMetrics(SM_CYSCREEN);
}

// The rectangle of the last selection, taken again with no selection window: guarded like the
// other captures that need no dialog. One that lies wholly off the screen (the screen got
// smaller, or config.xml says so) is refused before anything happens: no hiding, no pause, no
// sound, no recorded type, no copy.
BOOL CKarvoCore::SnapLastRegion() {
    int left = 0, top = 0, right = 0, bottom = 0;
    m_config.GetLastRegion(left, top, right, bottom);
    if (right <= left || bottom <= top) return SnapSelectRect();
    if (m_bSnapping || LastRegionOffScreen()) return FALSE;
    m_bSnapping = TRUE;
    const bool hidden = HideForCapture();
    ::Sleep(DWORD(CaptureDelay()));
    RecordCapture(kv::CaptureType::Rectangle);
    PlaySnapSound();
    const BOOL result = SnapRect(::GetDesktopWindow(), CRect(left, top, right, bottom), PointerWanted());
    return FinishCapture(hidden, result, true);
}
