// The editor's canvas: the composed picture kept up to date from the document's changed areas,
// painted at the zoom (centred when smaller than the window), scroll bars, zoom steps around
// the pointer, and the overlay (selection frame with handles, crop band, text caret).
#include <algorithm>
#include <cmath>

#include "EditorWindow.h"
#include "framework/Gdi.h"

namespace {

// <windowsx.h> would do, but its SubclassWindow macro hides CWnd's member of that name.
int LowSigned(LPARAM lp) { return int(short(LOWORD(lp))); }
int HighSigned(LPARAM lp) { return int(short(HIWORD(lp))); }

constexpr double kZoomLevels[] = {0.05, 0.1, 0.125, 0.25, 1.0 / 3, 0.5, 2.0 / 3, 0.75, 1.0,
                                  1.5,  2.0, 3.0,   4.0,  6.0,     8.0, 12.0,    16.0};

}  // namespace

LRESULT CEditorCanvas::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (m_owner.CanvasProc(msg, wp, lp, result)) return result;
    return CWnd::WindowProc(msg, wp, lp);
}

bool CMarkupEditor::CanvasProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    const POINT at{LowSigned(lp), HighSigned(lp)};
    switch (msg) {
    case WM_PAINT: return OnPaint(), true;
    case WM_ERASEBKGND: return result = 1, true;  // the paint covers everything
    case WM_SIZE: return UpdateScrollBars(), m_canvas.Invalidate(FALSE), true;
    case WM_HSCROLL: return OnScroll(SB_HORZ, LOWORD(wp)), true;
    case WM_VSCROLL: return OnScroll(SB_VERT, LOWORD(wp)), true;
    case WM_MOUSEWHEEL: return OnMouseWheel(int(short(HIWORD(wp))), UINT(LOWORD(wp)), at), true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        ::SetFocus(m_canvas.GetSafeHwnd());
        ::SetCapture(m_canvas.GetSafeHwnd());
        return OnButtonDown(at, UINT(wp), msg == WM_LBUTTONDBLCLK), true;
    case WM_MOUSEMOVE: return OnMouseMove(at, UINT(wp)), true;
    case WM_LBUTTONUP:
        OnButtonUp(at, UINT(wp));
        if (::GetCapture() == m_canvas.GetSafeHwnd()) ::ReleaseCapture();
        return true;
    case WM_CAPTURECHANGED:
        if (m_drag != Drag::None) OnButtonUp(POINT{-100000, -100000}, 0);
        return true;
    case WM_SETCURSOR:
        if (LOWORD(lp) != HTCLIENT || !CanvasCursor()) return false;
        return result = TRUE, true;
    case WM_GETDLGCODE: return result = DLGC_WANTALLKEYS | DLGC_WANTCHARS, true;
    case WM_KEYDOWN: return OnCanvasKey(UINT(wp)), true;
    case WM_CHAR: return OnCanvasChar(wchar_t(wp)), true;
    case WM_IME_STARTCOMPOSITION: PlaceImeWindow(); return false;
    default: return false;
    }
}

POINT CMarkupEditor::Origin() const {
    RECT c;
    m_canvas.GetClientRect(&c);
    const double w = m_outSize.cx * m_zoom, h = m_outSize.cy * m_zoom;
    return POINT{w < c.right ? LONG((c.right - w) / 2) : 0, h < c.bottom ? LONG((c.bottom - h) / 2) : 0};
}

POINT CMarkupEditor::ToClient(double x, double y) const {
    const POINT o = Origin();
    return POINT{LONG(std::lround(o.x - m_scroll.x + x * m_zoom)), LONG(std::lround(o.y - m_scroll.y + y * m_zoom))};
}

RECT CMarkupEditor::ToClientRect(const kv::Rect& r) const {
    const POINT a = ToClient(r.left, r.top), b = ToClient(r.right, r.bottom);
    return RECT{a.x, a.y, b.x, b.y};
}

kv::markup::Point CMarkupEditor::ToPicture(POINT client) const {
    const POINT o = Origin();
    return kv::markup::Point{int32_t(std::floor((client.x - o.x + m_scroll.x) / m_zoom)),
                             int32_t(std::floor((client.y - o.y + m_scroll.y) / m_zoom))};
}

void CMarkupEditor::InvalidatePicture(const kv::Rect& r) {
    RECT c = ToClientRect(r);
    ::InflateRect(&c, 2, 2);
    ::InvalidateRect(m_canvas.GetSafeHwnd(), &c, FALSE);
}

void CMarkupEditor::Recompose(bool all) {
    kv::markup::CMarkDocument& doc = m_model.Doc();
    const CSize size = doc.OutputSize();
    const kv::markup::Surface base = m_model.Base();
    // Another picture under the marks (an image operation, or an undo or redo passing one).
    if (m_model.Serial() != m_serial) all = true;
    m_serial = m_model.Serial();
    if (all || !(size == m_outSize) || m_out.empty()) {
        m_outSize = size;
        m_out.assign(size_t(std::max(0, size.cx)) * size_t(std::max(0, size.cy)), RGBX{});
        doc.TakeDirty();
        const kv::markup::Surface out{m_out.data(), size.cx, size.cy, ptrdiff_t(size.cx) * 4};
        if (!m_out.empty()) doc.Compose(base, out, out.Area());
        if (m_canvas.GetSafeHwnd()) {
            UpdateScrollBars();
            m_canvas.Invalidate(FALSE);
        }
        RefreshOverlay();
        UpdateStatus();
        return;
    }
    const kv::markup::Surface out{m_out.data(), size.cx, size.cy, ptrdiff_t(size.cx) * 4};
    const kv::Rect dirty = kv::markup::IntersectRect(doc.TakeDirty(), out.Area());
    if (!dirty.IsEmpty()) {
        doc.Compose(base, out, dirty);
        InvalidatePicture(dirty);
    }
    RefreshOverlay();
}

void CMarkupEditor::OnPaint() {
    kv::PaintDc pdc(m_canvas.GetSafeHwnd());
    const RECT area = pdc.paint().rcPaint;
    const int w = area.right - area.left, h = area.bottom - area.top;
    if (w <= 0 || h <= 0) return;
    // Drawn off the screen first, so the overlay never flickers over the picture.
    kv::UniqueHdc mem = kv::CreateCompatibleDc(pdc.get());
    kv::UniqueHbitmap bmp(::CreateCompatibleBitmap(pdc.get(), w, h));
    if (!mem || !bmp) return;
    kv::ScopedSelect sel(mem.get(), bmp.get());
    ::SetViewportOrgEx(mem.get(), -area.left, -area.top, nullptr);
    ::FillRect(mem.get(), &area, ::GetSysColorBrush(COLOR_APPWORKSPACE));
    PaintPicture(mem.get(), area);
    PaintOverlay(mem.get());
    ::BitBlt(pdc.get(), area.left, area.top, w, h, mem.get(), area.left, area.top, SRCCOPY);
}

void CMarkupEditor::PaintPicture(HDC dc, const RECT& area) {
    if (m_out.empty()) return;
    const RECT pic = ToClientRect(kv::Rect{0, 0, m_outSize.cx, m_outSize.cy});
    RECT vis;
    if (!::IntersectRect(&vis, &pic, &area)) return;
    const POINT o = Origin();
    const double ox = o.x - m_scroll.x, oy = o.y - m_scroll.y;
    const int sx0 = std::clamp(int(std::floor((vis.left - ox) / m_zoom)), 0, int(m_outSize.cx));
    const int sy0 = std::clamp(int(std::floor((vis.top - oy) / m_zoom)), 0, int(m_outSize.cy));
    const int sx1 = std::clamp(int(std::ceil((vis.right - ox) / m_zoom)), 0, int(m_outSize.cx));
    const int sy1 = std::clamp(int(std::ceil((vis.bottom - oy) / m_zoom)), 0, int(m_outSize.cy));
    if (sx1 <= sx0 || sy1 <= sy0) return;
    const POINT d0 = ToClient(sx0, sy0), d1 = ToClient(sx1, sy1);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = m_outSize.cx;
    bi.bmiHeader.biHeight = -(sy1 - sy0);  // top-down, starting at row sy0
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    ::SetStretchBltMode(dc, m_zoom < 1.0 ? HALFTONE : COLORONCOLOR);
    ::SetBrushOrgEx(dc, 0, 0, nullptr);
    ::StretchDIBits(dc, d0.x, d0.y, d1.x - d0.x, d1.y - d0.y, sx0, 0, sx1 - sx0, sy1 - sy0,
                    &m_out[size_t(sy0) * size_t(m_outSize.cx)], &bi, DIB_RGB_COLORS, SRCCOPY);
}

bool CMarkupEditor::TextCaret(POINT& top, POINT& bottom) const {
    if (!m_typing) return false;
    const kv::markup::Mark* m = m_textMark ? m_model.Doc().Find(m_textMark) : nullptr;
    const kv::markup::MarkStyle& s = m ? m->style : m_style;
    const int pad = s.background ? 4 : s.outline ? 1 : 0;
    const kv::markup::Point at = m ? kv::markup::Point{m->box.left, m->box.top} : m_textAt;
    int lineHeight = s.fontSize, lines = 1, lastWidth = 0;
    if (const kv::markup::ITextRasterizer* r = m_model.Text(); r && !m_text.empty()) {
        lines = 1 + int(std::count(m_text.begin(), m_text.end(), L'\n'));
        const kv::markup::TextMask all = r->Render(m_text, s.fontFace, s.fontSize);
        if (all.height > 0) lineHeight = all.height / lines;
        const size_t nl = m_text.rfind(L'\n');
        const std::wstring last = nl == std::wstring::npos ? m_text : m_text.substr(nl + 1);
        lastWidth = last.empty() ? 0 : r->Render(last, s.fontFace, s.fontSize).width;
    }
    const double x = at.x + pad + lastWidth + 1, y = at.y + pad + double(lines - 1) * lineHeight;
    top = ToClient(x, y);
    bottom = ToClient(x, y + lineHeight);
    return true;
}

RECT CMarkupEditor::OverlayRect() const {
    RECT r{0, 0, 0, 0};
    const int handle = m_dpi * 4 / 96 + 2;
    if (const kv::markup::Mark* m = m_selected ? m_model.Doc().Find(m_selected) : nullptr) {
        r = ToClientRect(kv::markup::Frame(*m));
        ::InflateRect(&r, handle + 2, handle + 2);
    }
    if (m_drag == Drag::Crop) {
        RECT band = ToClientRect(m_cropBand);
        ::InflateRect(&band, 2, 2);
        ::UnionRect(&r, &r, &band);
    }
    POINT top, bottom;
    if (TextCaret(top, bottom)) {
        const kv::markup::Mark* m = m_textMark ? m_model.Doc().Find(m_textMark) : nullptr;
        RECT caret{top.x - 3, top.y - 3, bottom.x + 4, bottom.y + 4};
        if (m) {
            RECT box = ToClientRect(m->box);
            ::InflateRect(&box, 3, 3);
            ::UnionRect(&caret, &caret, &box);
        }
        ::UnionRect(&r, &r, &caret);
    }
    return r;
}

void CMarkupEditor::RefreshOverlay() {
    if (!m_canvas.GetSafeHwnd()) return;
    const RECT now = OverlayRect();
    if (!::EqualRect(&now, &m_overlay)) {
        ::InvalidateRect(m_canvas.GetSafeHwnd(), &m_overlay, FALSE);
        ::InvalidateRect(m_canvas.GetSafeHwnd(), &now, FALSE);
    } else if (!::IsRectEmpty(&now)) {
        ::InvalidateRect(m_canvas.GetSafeHwnd(), &now, FALSE);
    }
    m_overlay = now;
}

void CMarkupEditor::PaintOverlay(HDC dc) {
    kv::UniqueHpen dash(::CreatePen(PS_DOT, 1, RGB(0, 0, 0)));
    kv::UniqueHpen black(::CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
    const auto frame = [&](RECT r) {
        kv::ScopedSelect p(dc, dash.get());
        kv::ScopedSelect b(dc, ::GetStockObject(NULL_BRUSH));
        ::SetBkMode(dc, OPAQUE);
        ::SetBkColor(dc, RGB(255, 255, 255));
        ::Rectangle(dc, r.left, r.top, r.right, r.bottom);
    };
    if (const kv::markup::Mark* m = m_selected && !m_typing ? m_model.Doc().Find(m_selected) : nullptr) {
        const kv::Rect f = kv::markup::Frame(*m);
        RECT r = ToClientRect(f);
        ::InflateRect(&r, 1, 1);
        frame(r);
        const int hs = m_dpi * 4 / 96 + 1;
        kv::ScopedSelect p(dc, black.get());
        kv::ScopedSelect b(dc, ::GetStockObject(WHITE_BRUSH));
        for (int h = int(kv::markup::Handle::TopLeft); h <= int(kv::markup::Handle::Left); ++h) {
            const kv::markup::Point hp = kv::markup::HandlePoint(f, kv::markup::Handle(h));
            const POINT c = ToClient(hp.x + 0.5, hp.y + 0.5);
            ::Rectangle(dc, c.x - hs, c.y - hs, c.x + hs + 1, c.y + hs + 1);
        }
    }
    if (m_drag == Drag::Crop && !m_cropBand.IsEmpty()) frame(ToClientRect(m_cropBand));
    POINT top, bottom;
    if (TextCaret(top, bottom)) {
        if (const kv::markup::Mark* m = m_textMark ? m_model.Doc().Find(m_textMark) : nullptr) {
            RECT r = ToClientRect(m->box);
            ::InflateRect(&r, 2, 2);
            frame(r);
        }
        kv::UniqueHpen caret(::CreatePen(PS_SOLID, std::max(1, m_dpi / 96 + 1), RGB(0, 0, 0)));
        kv::ScopedSelect p(dc, caret.get());
        ::MoveToEx(dc, top.x, top.y, nullptr);
        ::LineTo(dc, bottom.x, bottom.y);
    }
}

double CMarkupEditor::FitZoom() const {
    RECT c;
    m_canvas.GetClientRect(&c);
    // The room with no scroll bars: a fitted picture needs none.
    if (::GetWindowLongPtrW(m_canvas.GetSafeHwnd(), GWL_STYLE) & WS_VSCROLL) c.right += ::GetSystemMetrics(SM_CXVSCROLL);
    if (::GetWindowLongPtrW(m_canvas.GetSafeHwnd(), GWL_STYLE) & WS_HSCROLL) c.bottom += ::GetSystemMetrics(SM_CYHSCROLL);
    if (m_outSize.cx <= 0 || m_outSize.cy <= 0 || c.right <= 8 || c.bottom <= 8) return 1.0;
    const double z = std::min(double(c.right - 8) / m_outSize.cx, double(c.bottom - 8) / m_outSize.cy);
    return std::clamp(z, kZoomLevels[0], kZoomLevels[std::size(kZoomLevels) - 1]);
}

void CMarkupEditor::SetZoom(double zoom, POINT anchor, bool anchored) {
    zoom = std::clamp(zoom, kZoomLevels[0], kZoomLevels[std::size(kZoomLevels) - 1]);
    RECT c;
    m_canvas.GetClientRect(&c);
    if (!anchored) anchor = POINT{c.right / 2, c.bottom / 2};
    const POINT o = Origin();
    const double px = (anchor.x - o.x + m_scroll.x) / m_zoom, py = (anchor.y - o.y + m_scroll.y) / m_zoom;
    m_zoom = zoom;
    UpdateScrollBars();  // the bars may come or go with the new size
    const POINT o2 = Origin();
    m_scroll = POINT{LONG(std::lround(px * m_zoom + o2.x - anchor.x)), LONG(std::lround(py * m_zoom + o2.y - anchor.y))};
    UpdateScrollBars();
    m_canvas.Invalidate(FALSE);
    m_overlay = RECT{};
    RefreshOverlay();
    UpdateStatus();
    if (m_typing) PlaceImeWindow();
}

void CMarkupEditor::ZoomStep(int direction, POINT anchor, bool anchored) {
    double next = m_zoom;
    if (direction > 0) {
        for (double z : kZoomLevels)
            if (z > m_zoom * 1.001) {
                next = z;
                break;
            }
    } else {
        for (double z : kZoomLevels)
            if (z < m_zoom * 0.999) next = z;
    }
    SetZoom(next, anchor, anchored);
}

void CMarkupEditor::UpdateScrollBars() {
    HWND h = m_canvas.GetSafeHwnd();
    if (!h || m_inScrollUpdate) return;
    m_inScrollUpdate = true;
    for (int pass = 0; pass < 2; ++pass) {  // a bar that comes or goes changes the other's room
        RECT c;
        ::GetClientRect(h, &c);
        const LONG contentW = LONG(std::ceil(m_outSize.cx * m_zoom)), contentH = LONG(std::ceil(m_outSize.cy * m_zoom));
        m_scroll.x = std::clamp<LONG>(m_scroll.x, 0, std::max<LONG>(0, contentW - c.right));
        m_scroll.y = std::clamp<LONG>(m_scroll.y, 0, std::max<LONG>(0, contentH - c.bottom));
        SCROLLINFO si{sizeof si};
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        si.nMax = std::max<LONG>(0, contentW - 1);
        si.nPage = UINT(std::max<LONG>(0, c.right));
        si.nPos = m_scroll.x;
        ::SetScrollInfo(h, SB_HORZ, &si, TRUE);
        si.nMax = std::max<LONG>(0, contentH - 1);
        si.nPage = UINT(std::max<LONG>(0, c.bottom));
        si.nPos = m_scroll.y;
        ::SetScrollInfo(h, SB_VERT, &si, TRUE);
    }
    m_inScrollUpdate = false;
}

void CMarkupEditor::OnScroll(int bar, int code) {
    HWND h = m_canvas.GetSafeHwnd();
    SCROLLINFO si{sizeof si};
    si.fMask = SIF_ALL;
    ::GetScrollInfo(h, bar, &si);
    LONG& pos = bar == SB_HORZ ? m_scroll.x : m_scroll.y;
    const LONG line = m_dpi * 40 / 96;
    switch (code) {
    case SB_LINELEFT: pos -= line; break;
    case SB_LINERIGHT: pos += line; break;
    case SB_PAGELEFT: pos -= LONG(si.nPage); break;
    case SB_PAGERIGHT: pos += LONG(si.nPage); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_LEFT: pos = 0; break;
    case SB_RIGHT: pos = si.nMax; break;
    default: return;
    }
    UpdateScrollBars();
    m_canvas.Invalidate(FALSE);
    m_overlay = RECT{};
    if (m_typing) PlaceImeWindow();
}

void CMarkupEditor::OnMouseWheel(int delta, UINT keys, POINT screen) {
    POINT client = screen;
    ::ScreenToClient(m_canvas.GetSafeHwnd(), &client);
    if (keys & MK_CONTROL) return ZoomStep(delta > 0 ? 1 : -1, client, true);
    const LONG step = LONG(std::lround(-delta / double(WHEEL_DELTA) * 3 * (m_dpi * 40 / 96)));
    (keys & MK_SHIFT ? m_scroll.x : m_scroll.y) += step;
    UpdateScrollBars();
    m_canvas.Invalidate(FALSE);
    m_overlay = RECT{};
}
