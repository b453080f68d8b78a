// Window-object picking. A 500 ms timer outlines the window under the cursor (not-XOR, so it
// blinks); the mouse hook's messages move the tip and take the click. They act only while
// picking runs, which is also while the engine window holds the mouse capture.
#include "engine/KarvoCore.h"

#include "engine/OwnDrawing.h"
#include "framework/Gdi.h"
#include "imaging/BitmapOps.h"
#include "imaging/ScreenGrab.h"
#include "settings/LocalResource.h"

namespace {
constexpr UINT_PTR kPickTimer = 1;
constexpr UINT kRedrawAll = RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;
}  // namespace

// The choose step of picking: the frame blinks over the window under the pointer until a click
// takes it (the object, or null when picking ended otherwise: right click, Esc, Enter, capture
// lost). The click only ends the tip; the frame's pause, sound, settle and grab follow.
HWND CKarvoCore::Pick() {
    m_bPickChosen = false;
    m_pickCapture.Set(m_hWnd);
    m_bFindingWnd = TRUE;
    m_hFoundWnd = nullptr;
    m_pickTimer.Start(m_hWnd, kPickTimer, 500);
    {
        CKarvoLocalResource local;
        m_dlgSnapObj.DoModal();
    }
    HWND chosen = m_bPickChosen ? m_hFoundWnd : nullptr;
    if (!chosen) return EndPicking(), nullptr;
    m_pickTimer.Stop();
    m_hFoundWnd = nullptr;
    m_bFindingWnd = FALSE;  // before releasing: WM_CAPTURECHANGED must find picking over
    m_pickCapture.Release();
    return chosen;
}

void CKarvoCore::EndPicking() {
    m_pickTimer.Stop();
    m_frame = FrameRecord{};
    m_dlgSnapObj.m_bAtTopLeft = FALSE;  // the next picking opens the tip at the bottom right
    if (m_hFoundWnd) RefreshFoundWindow(m_hFoundWnd);
    m_hFoundWnd = nullptr;
    m_bFindingWnd = FALSE;  // before releasing: WM_CAPTURECHANGED must find picking over
    m_pickCapture.Release();
}

void CKarvoCore::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent != kPickTimer || !m_bFindingWnd) return;
    POINT cur;
    ::GetCursorPos(&cur);
    if (HWND w = ::WindowFromPoint(cur)) {
        if (::IsWindow(w) && w != m_hFoundWnd && m_hFoundWnd) RefreshFoundWindow(m_hFoundWnd);
        if (::IsWindow(w)) {
            m_hFoundWnd = w;
            HighlightFoundWindow(w);
        }
    }
    if (m_dlgSnapObj.GetSafeHwnd()) {
        LocateSnapObjTip();
        m_dlgSnapObj.SendMessage(WM_MOUSEMOVE, 0, 0);
    }
}

LRESULT CKarvoCore::HighlightFoundWindow(HWND hWnd) {
    kv::UniqueHpen pen(::CreatePen(PS_SOLID, kFramePenWidth, kFramePenColour));
    RECT r;
    ::GetWindowRect(hWnd, &r);
    POINT o;
    kv::WindowDc dc = kv::GetRootWindowDc(hWnd, &o);
    if (!dc) return 0;
    // Inverted drawing blinks: this draws the frame on unless it is on over this same rectangle.
    const CRect rect(r);
    const bool turningOn = !(m_frame.on && m_frame.rect == rect);
    const std::vector<RGBX> under = turningOn ? ScreenPixels(rect) : std::vector<RGBX>();
    // The top-level window's DC is not clipped to a child: clip it to the object, so the half of
    // the pen that falls outside the object's rectangle does not mark the parent (only the
    // object is repainted when the frame goes).
    ::IntersectClipRect(dc.get(), o.x, o.y, o.x + r.right - r.left, o.y + r.bottom - r.top);
    kv::ScopedSelect selPen(dc.get(), pen.get());
    kv::ScopedSelect selBrush(dc.get(), ::GetStockObject(NULL_BRUSH));
    const int oldRop = ::SetROP2(dc.get(), R2_NOTXORPEN);
    ::Rectangle(dc.get(), o.x, o.y, o.x + r.right - r.left, o.y + r.bottom - r.top);
    ::SetROP2(dc.get(), oldRop);
    if (turningOn)
        RecordFrame(rect, under);
    else
        m_frame.on = false;
    return 0;
}

namespace {

// The pixels the frame's pen covers in an object of this size, row by row: those the same
// rectangle with the same pen covers in a bitmap of that size.
std::vector<size_t> PenPixels(CSize size, int penWidth) {
    std::vector<size_t> marks;
    kv::bitmap::UniqueDib mask = kv::bitmap::UniqueDib::Create(size);  // deleted as ours
    kv::UniqueHdc dc(::CreateCompatibleDC(nullptr));
    if (!mask.get() || !dc) return marks;
    {
        kv::ScopedSelect selBitmap(dc.get(), mask.get());
        kv::UniqueHpen pen(::CreatePen(PS_SOLID, penWidth, RGB(255, 255, 255)));
        kv::ScopedSelect selPen(dc.get(), pen.get());
        kv::ScopedSelect selBrush(dc.get(), ::GetStockObject(NULL_BRUSH));
        ::Rectangle(dc.get(), 0, 0, size.cx, size.cy);
        ::GdiFlush();
    }
    const RGBX* covered = mask.pixels();
    for (size_t i = 0; i < size_t(size.cx) * size_t(size.cy); ++i)
        if (covered[i].red || covered[i].green || covered[i].blue) marks.push_back(i);
    return marks;
}

}  // namespace

// Inverted drawing gives each channel ~(pen ^ colour). The pen's pixels depend on the size only,
// so an object that keeps its size keeps them from one blink to the next.
void CKarvoCore::RecordFrame(const CRect& r, const std::vector<RGBX>& under) {
    const CSize size(r.Width(), r.Height());
    std::vector<size_t> pen;
    if (m_frame.rect.Width() == size.cx && m_frame.rect.Height() == size.cy) pen = std::move(m_frame.pen);
    // The frame is on whatever follows: the blinking stays in step; without the pixels under it
    // there is just nothing to wait for.
    m_frame = FrameRecord{};
    m_frame.rect = r;
    m_frame.on = true;
    if (size.cx <= 0 || size.cy <= 0 || under.size() != size_t(size.cx) * size_t(size.cy)) return;
    if (pen.empty()) pen = PenPixels(size, kFramePenWidth);
    const RGBX colour{GetBValue(kFramePenColour), GetGValue(kFramePenColour), GetRValue(kFramePenColour), 0};
    m_frame.drawing = kv::InvertedOver(under, size.cx, size.cy, pen, colour);
    m_frame.pen = std::move(pen);
}

LRESULT CKarvoCore::RefreshFoundWindow(HWND hWnd) {
    if (hWnd == m_hFoundWnd) m_frame.on = false;  // repainting erases it (the record stays)
    ::InvalidateRect(hWnd, nullptr, TRUE);
    ::UpdateWindow(hWnd);
    ::RedrawWindow(hWnd, nullptr, nullptr, kRedrawAll);
    return 0;
}

BOOL CKarvoCore::CheckWindowValidity(HWND hWnd, BOOL bNotFound) {
    return hWnd && ::IsWindow(hWnd) && !(bNotFound && hWnd == m_hFoundWnd);
}

void CKarvoCore::LocateSnapObjTip() {
    HWND tip = m_dlgSnapObj.GetSafeHwnd();
    if (!tip) return;
    const int w = m_dlgSnapObj.m_nTipWidth, h = m_dlgSnapObj.m_nTipHeight;
    // The corners of the monitor under the cursor; a tip on another monitor comes over to it.
    POINT cur;
    ::GetCursorPos(&cur);
    const kv::MonitorLayout layout = kv::DesktopLayout();
    const int m = layout.Nearest(kv::Point{cur.x, cur.y});
    if (m < 0) return;
    const kv::Rect b = layout.Monitors()[size_t(m)].bounds;
    const RECT s{b.left, b.top, b.right, b.bottom};
    RECT now;
    ::GetWindowRect(tip, &now);
    const bool sameMonitor = layout.Nearest(kv::Point{now.left + w / 2, now.top + h / 2}) == m;
    RECT zone = m_dlgSnapObj.m_bAtTopLeft ? RECT{s.left, s.top + 10, s.left + w, s.top + h + 10}
                                          : RECT{s.right - 10 - w, s.bottom - 10 - h, s.right - 10, s.bottom - 10};
    ::InflateRect(&zone, 20, 20);
    if (sameMonitor && !::PtInRect(&zone, cur)) return;
    const bool toTopLeft = sameMonitor ? !m_dlgSnapObj.m_bAtTopLeft : cur.x >= (s.left + s.right) / 2;
    const kv::Rect corner = toTopLeft ? kv::Rect{s.left + 10, s.top + 10, s.left + 10 + w, s.top + 10 + h}
                                      : kv::Rect{s.right - 10 - w, s.bottom - 10 - h, s.right - 10, s.bottom - 10};
    const kv::Rect at = layout.KeepInWorkArea(corner, kv::Point{cur.x, cur.y});
    ::MoveWindow(tip, at.left, at.top, w, h, TRUE);
    m_dlgSnapObj.m_bAtTopLeft = toTopLeft;
    if (HWND under = ::WindowFromPoint(cur)) RefreshFoundWindow(under);
}

LRESULT CKarvoCore::OnEsMouseMove(WPARAM, LPARAM) {
    if (!PickingRecorded() || !m_bFindingWnd || !m_dlgSnapObj.GetSafeHwnd()) return 0;
    LocateSnapObjTip();
    m_dlgSnapObj.SendMessage(WM_MOUSEMOVE, 0, 0);
    return 0;
}

LRESULT CKarvoCore::OnEsLButtonDown(WPARAM, LPARAM) {
    if (!PickingRecorded() || !m_bFindingWnd || !m_dlgSnapObj.GetSafeHwnd()) return 0;
    m_dlgSnapObj.m_bAtTopLeft = FALSE;
    m_dlgSnapObj.ShowWindow(SW_HIDE);
    m_pickTimer.Stop();
    m_bPickChosen = true;
    m_dlgSnapObj.EndDialog(IDOK);
    return 0;
}
