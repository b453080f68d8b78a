// The selection window's messages: opening over the frozen screen, the press that starts the
// rubber band, the release that ends the selection, and the tip text.
#include "selection/DlgSnapRectHelper.h"

#include <cstdio>
#include <memory>

#include "framework/Gdi.h"
#include "framework/Handles.h"
#include "framework/ModuleState.h"
#include "imaging/ScreenGrab.h"
#include "framework/UiText.h"
#include "res/resource.h"
#include "settings/LocalResource.h"

void CSnapTrack::DrawTrackerRect(const RECT*, CWnd*, HDC, CWnd* window) {
    if (!m_pOwner) return;
    // The tip moves out of the cursor's way, the window repaints, the tip text follows.
    HWND tip = m_pOwner->GetDlgItem(IDC_SNAP_TIP);
    if (tip) ::SendMessageW(tip, WM_MOUSEMOVE, 0, 0);
    m_pOwner->PaintTipWindow();
    if (window) window->SendMessage(WM_MOUSEMOVE, 0, 0);
}

CDlgSnapRectHelper::CDlgSnapRectHelper(CWnd* pParent)
    : CDialog(IDD, pParent), m_tracker(this), m_bmpScreen(0xFFFFFF), m_rgnUpdate(::CreateRectRgn(0, 0, 50, 50)) {
    CKarvoLocalResource local;
    m_hCursor = ::LoadCursorW(kv::fw::GetResourceHandle(), MAKEINTRESOURCEW(IDC_CURSOR_SELECT));
}

CDlgSnapRectHelper::~CDlgSnapRectHelper() = default;

BOOL CDlgSnapRectHelper::GetSelectedRect(CRect& rect) const {
    rect = m_rcSelected;
    return rect.Width() > 0 && rect.Height() > 0;
}

// The frozen screen is the whole virtual screen (what no monitor covers in the documented
// colour); it goes to the tip panel directly: the clipboard is left to the user.
void CDlgSnapRectHelper::SnapFullScreen() {
    m_layout = kv::DesktopLayout();
    const kv::Rect v = m_layout.VirtualScreen();
    m_rcFrozen = CRect(v.left, v.top, v.right, v.bottom);
    std::unique_ptr<CImageBitmap> grab(kv::GrabWindow(::GetDesktopWindow(), m_rcFrozen));
    if (!grab || !grab->GetSafeHandle()) return;
    m_bmpScreen.CopyImage(grab->GetSafeHandle());
    m_tipEdit.SetSourceBitmap(m_bmpScreen.GetSafeHandle(), POINT{m_rcFrozen.left, m_rcFrozen.top});
}

POINT CDlgSnapRectHelper::CursorInClient() const {
    POINT cur;
    ::GetCursorPos(&cur);
    return POINT{cur.x - m_rcFrozen.left, cur.y - m_rcFrozen.top};
}

BOOL CDlgSnapRectHelper::OnInitDialog() {
    m_tipEdit.SubclassDlgItem(IDC_SNAP_TIP, this);
    SnapFullScreen();
    static CWnd desktop;
    if (!desktop.GetSafeHwnd()) desktop.Attach(::GetDesktopWindow());
    m_tipEdit.SetSourceWnd(&desktop, FALSE);
    m_nState = 0;
    m_rcSelected = RECT{0, 0, 0, 0};
    // Over the whole virtual screen: client coordinates are screen coordinates less its corner.
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, m_rcFrozen.left, m_rcFrozen.top, m_rcFrozen.Width(), m_rcFrozen.Height(),
                   SWP_NOACTIVATE | SWP_NOCOPYBITS);
    m_tracker.m_nStyle = CRectTracker::solidLine | CRectTracker::resizeInside;
    m_tracker.m_rect = CRect(-1, -1, -1, -1);
    // The tip starts at the top-left corner of the monitor under the cursor, inside its work area.
    POINT cur;
    ::GetCursorPos(&cur);
    const int m = m_layout.Nearest(kv::Point{cur.x, cur.y});
    const kv::Rect b = m >= 0 ? m_layout.Monitors()[size_t(m)].bounds : kv::Rect{0, 0, 0, 0};
    const kv::Rect tip = m_layout.KeepInWorkArea(
        kv::Rect{b.left + 10, b.top + 10, b.left + 10 + CSnapTipEdit::kWidth, b.top + 10 + CSnapTipEdit::kHeight}, kv::Point{cur.x, cur.y});
    ::MoveWindow(m_tipEdit.GetSafeHwnd(), tip.left - m_rcFrozen.left, tip.top - m_rcFrozen.top, CSnapTipEdit::kWidth,
                 CSnapTipEdit::kHeight, FALSE);
    DrawTipWindow();
    m_tipEdit.ShowWindow(SW_SHOW);
    return TRUE;
}

void CDlgSnapRectHelper::DrawTipWindow() {
    const POINT cur = CursorInClient();
    COLORREF c = 0;
    {
        kv::WindowDc dc = kv::GetDc(m_hWnd);
        c = ::GetPixel(dc.get(), cur.x, cur.y);
    }
    std::wstring text = kv::fw::FormatText(kv::fw::LibraryText(IDS_KV_RECT_TIP_PIXEL),
                                           {std::to_wstring(GetRValue(c)), std::to_wstring(GetGValue(c)), std::to_wstring(GetBValue(c))});
    if (m_nState >= 0 && m_nState <= 2) text += kv::fw::LibraryText(IDS_KV_RECT_TIP_STATE0 + UINT(m_nState));
    m_tipEdit.SetText(text);
}

void CDlgSnapRectHelper::PaintTipWindow() {
    RECT win, tip;
    ::GetWindowRect(m_hWnd, &win);
    ::GetWindowRect(m_tipEdit.GetSafeHwnd(), &tip);
    kv::UniqueHrgn a(::CreateRectRgnIndirect(&win)), b(::CreateRectRgnIndirect(&tip));
    ::CombineRgn(m_rgnUpdate.get(), a.get(), b.get(), RGN_DIFF);
    ::OffsetRgn(m_rgnUpdate.get(), -win.left, -win.top);  // into client coordinates
    ::InvalidateRgn(m_hWnd, m_rgnUpdate.get(), TRUE);
}

void CDlgSnapRectHelper::OnLButtonDown(CPoint p) {
    m_nState = 1;
    if (!m_tracker.TrackRubberBand(this, p, TRUE)) {
        m_nState = 0;
        PaintTipWindow();
        DrawTipWindow();
        return;
    }
    if (m_tracker.HitTest(p) != CRectTracker::hitNothing) SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    if (m_hWnd) {
        m_tracker.m_rect.NormalizeRect();
        Invalidate(FALSE);
        DrawTipWindow();
    }
}

void CDlgSnapRectHelper::OnLButtonUp() {
    if (m_nState == 1) {
        m_nState = 2;
        OnOK();
    } else {
        m_nState = 0;
    }
    if (m_hWnd) PaintTipWindow();
}

void CDlgSnapRectHelper::OnOK() {
    CRect r;
    m_tracker.GetTrueRect(&r);
    r.OffsetRect(m_rcFrozen.left, m_rcFrozen.top);
    m_rcSelected = r;
    KeepShownSelection();
    EndDialog(IDOK);
}

// Read back from the window itself (its children included), not from the screen: this is what
// may still stand on the screen after the window is gone, until the windows under it repaint.
void CDlgSnapRectHelper::KeepShownSelection() {
    m_bmpShown.DeleteObject();
    CRect r;
    if (!::IntersectRect(&r, &m_rcSelected, &m_rcFrozen)) return;
    kv::WindowDc window = kv::GetWindowDc(m_hWnd);
    kv::UniqueHdc memory = kv::CreateCompatibleDc(window.get());
    kv::UniqueHbitmap shown(window ? ::CreateCompatibleBitmap(window.get(), r.Width(), r.Height()) : nullptr);
    if (!memory || !shown) return;
    {
        kv::ScopedSelect select(memory.get(), shown.get());
        RECT w;
        ::GetWindowRect(m_hWnd, &w);
        ::BitBlt(memory.get(), 0, 0, r.Width(), r.Height(), window.get(), r.left - w.left, r.top - w.top, SRCCOPY);
    }
    m_bmpShown.Attach(shown.release());
}

void CDlgSnapRectHelper::OnCancel() {
    m_rcSelected = RECT{0, 0, 0, 0};
    EndDialog(IDCANCEL);
}

INT_PTR CDlgSnapRectHelper::DialogProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND: return SetMsgResult(1), TRUE;  // painting covers the whole window
    case WM_PAINT: return OnPaint(), TRUE;
    case WM_SETCURSOR: ::SetCursor(m_hCursor); return SetMsgResult(TRUE), TRUE;
    case WM_MOUSEMOVE:
        if (m_tipEdit.GetSafeHwnd()) m_tipEdit.FollowCursor();
        DrawTipWindow();
        return FALSE;
    case WM_LBUTTONDOWN: OnLButtonDown(CPoint(short(LOWORD(lp)), short(HIWORD(lp)))); return TRUE;
    case WM_LBUTTONUP: OnLButtonUp(); return TRUE;
    default: return CDialog::DialogProc(msg, wp, lp);
    }
}
