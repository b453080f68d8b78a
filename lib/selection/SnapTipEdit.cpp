// The tip panel draws itself entirely, into a back buffer that is copied to the screen in one
// step, so neither the background picture nor the magnifier flickers as the text changes.
#include "selection/SnapTipEdit.h"

#include <algorithm>

#include "framework/Gdi.h"
#include "imaging/ScreenGrab.h"
#include "framework/ModuleState.h"
#include "framework/UiText.h"
#include "res/resource.h"

CSnapTipEdit::~CSnapTipEdit() = default;

void CSnapTipEdit::SetSourceWnd(CWnd* wnd, BOOL live) {
    m_pSourceWnd = wnd;
    m_bLive = live;
}

BOOL CSnapTipEdit::SetSourceBitmap(HBITMAP bitmap, POINT origin) {
    m_sourceOrigin = origin;
    return bitmap ? m_bmpSource.CopyImage(bitmap) : FALSE;
}

void CSnapTipEdit::SetText(const std::wstring& text) {
    SetWindowText(text);
    if (m_hWnd) {
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        ::UpdateWindow(m_hWnd);
    }
}

void CSnapTipEdit::Render(HDC dc, const RECT& client) {
    // The panel carries its title in its picture: the English interface has a picture of its own
    // (an id of its own, so no thread locale chooses between the two), and the Chinese one when
    // that is missing.
    if (!m_background && kv::fw::GetUiLanguage() == kv::fw::kLangEnglish)
        m_background.reset(static_cast<HBITMAP>(::LoadImageW(kv::fw::GetLibraryResourceModule(),
                                                             MAKEINTRESOURCEW(IDB_SNAP_TIP_EN), IMAGE_BITMAP, 0, 0, 0)));
    if (!m_background)
        m_background.reset(static_cast<HBITMAP>(::LoadImageW(kv::fw::GetLibraryResourceModule(),
                                                             MAKEINTRESOURCEW(IDB_SNAP_TIP), IMAGE_BITMAP, 0, 0, 0)));
    if (m_background) {
        kv::UniqueHdc mem = kv::CreateCompatibleDc(dc);
        kv::ScopedSelect sel(mem.get(), m_background.get());
        ::BitBlt(dc, 0, 0, client.right, client.bottom, mem.get(), 0, 0, SRCCOPY);
    }
    // The text band, with word breaking, in the control's font.
    ::SetBkMode(dc, TRANSPARENT);
    HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    {
        kv::ScopedSelect sel(dc, font);
        RECT band{client.left, 30, client.right, 80};
        const std::wstring text = GetWindowText();
        ::DrawTextW(dc, text.c_str(), int(text.size()), &band, DT_WORDBREAK | DT_NOPREFIX);
    }
    if (!m_pSourceWnd) return;

    POINT cur;
    ::GetCursorPos(&cur);
    // The 40 × 30 pixels around the cursor, not reaching left of or above the virtual screen.
    const POINT corner = m_bLive ? POINT{::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN)} : m_sourceOrigin;
    const int sx = std::max<int>(cur.x - 20, corner.x), sy = std::max<int>(cur.y - 15, corner.y);
    if (m_bLive) {
        kv::WindowDc src = kv::GetWindowDc(m_pSourceWnd->GetSafeHwnd());
        ::StretchBlt(dc, 10, 90, 200, 150, src.get(), sx, sy, 40, 30, SRCCOPY);
    } else {
        kv::UniqueHdc src = kv::CreateCompatibleDc(dc);
        kv::ScopedSelect sel(src.get(), m_bmpSource.GetSafeHandle());
        // Beyond the screen image the magnifier shows white.
        RECT area{10, 90, 210, 240};
        ::FillRect(dc, &area, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        if (m_bmpSource.GetSafeHandle())
            ::StretchBlt(dc, 10, 90, 200, 150, src.get(), sx - corner.x, sy - corner.y, 40, 30, SRCCOPY);
    }

    // The cross: two green bars at half opacity over the enlarged cursor pixel's row and column.
    const int dx = cur.x - sx, dy = cur.y - sy;
    kv::UniqueHdc green = kv::CreateCompatibleDc(dc);
    kv::UniqueHbitmap greenBmp(::CreateCompatibleBitmap(dc, 1, 1));
    {
        kv::ScopedSelect sel(green.get(), greenBmp.get());
        ::SetPixelV(green.get(), 0, 0, RGB(0, 255, 0));
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, 127, 0};
        ::GdiAlphaBlend(dc, 9 + 5 * dx, 90, 7, 150, green.get(), 0, 0, 1, 1, blend);
        ::GdiAlphaBlend(dc, 10, 89 + 5 * dy, 200, 7, green.get(), 0, 0, 1, 1, blend);
    }
    kv::ScopedSelect pen(dc, ::GetStockObject(BLACK_PEN));
    const POINT box[5] = {{9 + 5 * dx, 89 + 5 * dy}, {15 + 5 * dx, 89 + 5 * dy}, {15 + 5 * dx, 95 + 5 * dy},
                          {9 + 5 * dx, 95 + 5 * dy}, {9 + 5 * dx, 89 + 5 * dy}};
    ::Polyline(dc, box, 5);
}

void CSnapTipEdit::OnPaint() {
    kv::PaintDc paint(m_hWnd);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    if (!m_backBuffer || m_backSize.cx != client.right || m_backSize.cy != client.bottom) {
        m_backBuffer.reset(::CreateCompatibleBitmap(paint.get(), client.right, client.bottom));
        m_backSize = SIZE{client.right, client.bottom};
    }
    kv::UniqueHdc mem = kv::CreateCompatibleDc(paint.get());
    kv::ScopedSelect sel(mem.get(), m_backBuffer.get());
    Render(mem.get(), client);
    ::BitBlt(paint.get(), 0, 0, client.right, client.bottom, mem.get(), 0, 0, SRCCOPY);
}

// Near the panel's corner the panel jumps to the other top corner of the monitor under the
// cursor (on the primary monitor: 10 pixels from its left edge, or 230 from its right); on
// another monitor it goes to that monitor's corner away from the cursor. Either way it is kept
// inside the monitor's work area.
void CSnapTipEdit::OnMouseMove() {
    RECT r;
    ::GetWindowRect(m_hWnd, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    POINT cur;
    ::GetCursorPos(&cur);
    const kv::MonitorLayout layout = kv::DesktopLayout();
    const int m = layout.Nearest(kv::Point{cur.x, cur.y});
    if (m < 0) return;
    const kv::Rect b = layout.Monitors()[size_t(m)].bounds;
    const bool sameMonitor = layout.Nearest(kv::Point{r.left + w / 2, r.top + h / 2}) == m;
    const RECT zone = m_bAtTopLeft ? RECT{b.left, b.top, b.left + w + 10, b.top + h + 10}
                                   : RECT{b.right - 230, b.top, b.right, b.top + h + 10};
    if (m_bFollowOnly && sameMonitor) return;
    bool left = m_bAtTopLeft != FALSE;
    if (sameMonitor && ::PtInRect(&zone, cur))
        left = !left;
    else if (!sameMonitor)
        left = cur.x >= b.left + (b.right - b.left) / 2;  // the half the cursor is not in
    else
        return;
    const POINT corner = left ? POINT{b.left + 10, b.top + 10} : POINT{b.right - 230, b.top + 10};
    const kv::Rect kept = layout.KeepInWorkArea(kv::Rect{corner.x, corner.y, corner.x + w, corner.y + h}, kv::Point{cur.x, cur.y});
    POINT to{kept.left, kept.top};
    HWND parent = ::GetParent(m_hWnd);
    if (parent) ::ScreenToClient(parent, &to);
    ::MoveWindow(m_hWnd, to.x, to.y, w, h, TRUE);
    m_bAtTopLeft = left;
}

void CSnapTipEdit::FollowCursor() {
    m_bFollowOnly = true;
    OnMouseMove();
    m_bFollowOnly = false;
}

LRESULT CSnapTipEdit::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: return OnPaint(), 0;
    case WM_ERASEBKGND:
        // The text never scrolls: no selection, caret in view. Painting covers the whole panel.
        DefaultProc(EM_SETSEL, 0, 0);
        DefaultProc(EM_SCROLLCARET, 0, 0);
        return 1;
    case WM_SETFOCUS: {
        const LRESULT r = DefaultProc(msg, wp, lp);
        ::HideCaret(m_hWnd);
        return r;
    }
    case WM_MOUSEMOVE: OnMouseMove(); return DefaultProc(msg, wp, lp);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: return 0;  // display only: no selection, no context menu
    default: return DefaultProc(msg, wp, lp);
    }
}
