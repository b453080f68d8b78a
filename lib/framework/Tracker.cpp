#include "framework/Tracker.h"

#include "framework/Window.h"

#define GET_X_LPARAM_KV(lp) int(short(LOWORD(lp)))
#define GET_Y_LPARAM_KV(lp) int(short(HIWORD(lp)))

CRectTracker::~CRectTracker() = default;

void CRectTracker::DrawTrackerRect(const RECT*, CWnd*, HDC, CWnd*) {}
void CRectTracker::AdjustRect(int, RECT*) {}
void CRectTracker::OnChangedRect(const CRect&) {}

int CRectTracker::GetHandleSize(const RECT*) const { return m_nHandleSize; }

void CRectTracker::GetTrueRect(RECT* rect) const {
    CRect r = m_rect;
    r.NormalizeRect();
    if (m_nStyle & (solidLine | dottedLine)) r = CRect(r.left - 1, r.top - 1, r.right + 1, r.bottom + 1);
    *rect = r;
}

namespace {

// The eight handle squares of a normalised rectangle, inside it (resizeInside) or outside.
RECT HandleRect(const CRect& r, int which, int size, bool inside) {
    const int o = inside ? 0 : -size;
    const int xs[3] = {r.left + o, (r.left + r.right - size) / 2, r.right - size - o};
    const int ys[3] = {r.top + o, (r.top + r.bottom - size) / 2, r.bottom - size - o};
    static const int kCol[8] = {0, 2, 2, 0, 1, 2, 1, 0};
    static const int kRow[8] = {0, 0, 2, 2, 0, 1, 2, 1};
    const int x = xs[kCol[which]], y = ys[kRow[which]];
    return RECT{x, y, x + size, y + size};
}

}  // namespace

int CRectTracker::HitTest(CPoint p) const {
    CRect r = m_rect;
    r.NormalizeRect();
    const int size = GetHandleSize();
    if (m_nStyle & (resizeInside | resizeOutside)) {
        const UINT mask = GetHandleMask();
        for (int i = 0; i < 8; ++i) {
            if (!(mask & (1u << i))) continue;
            CRect h = HandleRect(r, i, size, (m_nStyle & resizeInside) != 0);
            if (p.x >= h.left && p.x <= h.right && p.y >= h.top && p.y <= h.bottom) return i;
        }
    }
    CRect t;
    GetTrueRect(&t);
    return (p.x >= t.left && p.x <= t.right && p.y >= t.top && p.y <= t.bottom) ? hitMiddle : hitNothing;
}

void CRectTracker::Draw(HDC dc) const {
    CRect r = m_rect;
    r.NormalizeRect();
    if (m_nStyle & (solidLine | dottedLine)) {
        HGDIOBJ oldPen = ::SelectObject(dc, ::GetStockObject(BLACK_PEN));
        HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
        ::Rectangle(dc, r.left - 1, r.top - 1, r.right + 1, r.bottom + 1);
        ::SelectObject(dc, oldBrush);
        ::SelectObject(dc, oldPen);
    }
    if (m_nStyle & (resizeInside | resizeOutside)) {
        const UINT mask = GetHandleMask();
        const int size = GetHandleSize();
        HBRUSH black = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
        for (int i = 0; i < 8; ++i) {
            if (!(mask & (1u << i))) continue;
            const RECT h = HandleRect(r, i, size, (m_nStyle & resizeInside) != 0);
            ::FillRect(dc, &h, black);
        }
    }
}

BOOL CRectTracker::TrackRubberBand(CWnd* wnd, CPoint point, BOOL allowInvert) {
    HWND hwnd = wnd->GetSafeHwnd();
    const CRect original = m_rect;
    m_rect = CRect(point.x, point.y, point.x, point.y);
    ::SetCapture(hwnd);
    ::UpdateWindow(hwnd);
    bool accepted = false, done = false;
    while (!done) {
        MSG msg;
        if (::GetMessageW(&msg, nullptr, 0, 0) <= 0) {
            if (msg.message == WM_QUIT) ::PostQuitMessage(int(msg.wParam));
            break;
        }
        if (::GetCapture() != hwnd) break;  // someone else took the mouse: give up
        switch (msg.message) {
        case WM_LBUTTONUP:
        case WM_MOUSEMOVE: {
            CRect old = m_rect;
            CPoint p(GET_X_LPARAM_KV(msg.lParam), GET_Y_LPARAM_KV(msg.lParam));
            if (msg.hwnd != hwnd) ::MapWindowPoints(msg.hwnd, hwnd, &p, 1);
            m_rect.right = p.x;
            m_rect.bottom = p.y;
            if (!allowInvert) {
                if (m_rect.right < m_rect.left) m_rect.right = m_rect.left;
                if (m_rect.bottom < m_rect.top) m_rect.bottom = m_rect.top;
            }
            AdjustRect(hitBottomRight, &m_rect);
            if (!(old == m_rect)) {
                OnChangedRect(old);
                DrawTrackerRect(&m_rect, wnd, nullptr, wnd);
            }
            if (msg.message == WM_LBUTTONUP) accepted = true, done = true;
            break;
        }
        case WM_KEYDOWN:
            if (msg.wParam == VK_ESCAPE) done = true;
            break;
        case WM_RBUTTONDOWN: done = true; break;
        default: ::DispatchMessageW(&msg); break;
        }
    }
    ::ReleaseCapture();
    const CRect dragged = m_rect;
    if (!accepted) {
        m_rect = original;
        DrawTrackerRect(&m_rect, wnd, nullptr, wnd);
        return FALSE;
    }
    return !(dragged == CRect(point.x, point.y, point.x, point.y));
}
