// Painting of the selection window: the frozen screen, the information box and the tracker,
// composed in a back buffer and copied out in one step, so the dragged rectangle does not
// flicker over the full-screen picture.
#include "selection/DlgSnapRectHelper.h"

#include <algorithm>
#include <cstdio>

#include "framework/Gdi.h"
#include "framework/UiText.h"
#include "res/resource.h"
#include "imaging/ScreenGrab.h"

void CDlgSnapRectHelper::OnPaint() {
    kv::PaintDc paint(m_hWnd);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    if (!m_backBuffer) m_backBuffer.reset(::CreateCompatibleBitmap(paint.get(), client.right, client.bottom));
    kv::UniqueHdc back = kv::CreateCompatibleDc(paint.get());
    kv::ScopedSelect selBack(back.get(), m_backBuffer.get());
    {
        kv::UniqueHdc frozen = kv::CreateCompatibleDc(paint.get());
        kv::ScopedSelect selFrozen(frozen.get(), m_bmpScreen.GetSafeHandle());
        if (m_bmpScreen.GetSafeHandle())
            ::BitBlt(back.get(), 0, 0, client.right, client.bottom, frozen.get(), 0, 0, SRCCOPY);
        else
            ::FillRect(back.get(), &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    }
    if (m_nState == 1) {
        CRect r;
        m_tracker.GetTrueRect(&r);
        DrawInfoWindow(back.get(), r);
    }
    if (m_nState != 0) m_tracker.Draw(back.get());
    const RECT& dirty = paint.paint().rcPaint;
    ::BitBlt(paint.get(), dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top, back.get(), dirty.left,
             dirty.top, SRCCOPY);
}

// Six grey lines in a black box next to the cursor: corner, size, cursor. Above and right of the
// cursor unless that leaves the cursor's monitor, then left of it and/or below it.
void CDlgSnapRectHelper::DrawInfoWindow(HDC dc, const CRect& rect) {
    if (!m_infoFont) {
        const int height = -::MulDiv(9, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
        m_infoFont.reset(::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                       kv::fw::LibraryText(IDS_KV_PANEL_FONT).c_str()));
    }
    POINT screenCur;
    ::GetCursorPos(&screenCur);
    const POINT cur = CursorInClient();
    ::SetTextColor(dc, RGB(0x93, 0x93, 0x93));
    ::SetBkMode(dc, TRANSPARENT);
    kv::ScopedSelect font(dc, m_infoFont.get());
    kv::ScopedSelect brush(dc, ::GetStockObject(NULL_BRUSH));
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    const int h = tm.tmHeight + tm.tmExternalLeading;
    auto pair = [](int a, int b) { return L" (" + std::to_wstring(a) + L"," + std::to_wstring(b) + L")"; };
    const std::wstring lines[6] = {kv::fw::LibraryText(IDS_KV_PANEL_CORNER), pair(int(rect.left + m_rcFrozen.left), int(rect.top + m_rcFrozen.top)),
                                   kv::fw::LibraryText(IDS_KV_PANEL_SIZE),   pair(int(rect.Width()), int(rect.Height())),
                                   kv::fw::LibraryText(IDS_KV_PANEL_CURSOR), pair(int(screenCur.x), int(screenCur.y))};
    // The box is as wide as the measure ("顶点位置  "); with fonts whose digits are wider than
    // half a CJK character, or longer labels, it grows to the widest line, so nothing is cut.
    const std::wstring measure = kv::fw::LibraryText(IDS_KV_PANEL_MEASURE);
    SIZE ext{};
    ::GetTextExtentPoint32W(dc, measure.c_str(), int(measure.size()), &ext);
    int w = ext.cx;
    for (const auto& line : lines) {
        SIZE e{};
        ::GetTextExtentPoint32W(dc, line.c_str(), int(line.size()), &e);
        w = std::max<int>(w, e.cx + 2);
    }
    int left = cur.x + 3, right = cur.x + 3 + w, top = cur.y - 6 * h - 3, bottom = cur.y - 3;
    // The edges of the cursor's monitor, in client coordinates (the monitors as the window
    // opened: not enumerated again at every paint).
    const int m = m_layout.Nearest(kv::Point{screenCur.x, screenCur.y});
    const kv::Rect b = m >= 0 ? m_layout.Monitors()[size_t(m)].bounds : kv::Rect{0, 0, ::GetDeviceCaps(dc, HORZRES), 0};
    if (cur.x + w >= b.right - m_rcFrozen.left) left = cur.x - w - 3, right = cur.x - 3;
    if (cur.y - 6 * h <= b.top - m_rcFrozen.top) top = cur.y + 3, bottom = cur.y + 6 * h + 3;
    ::Rectangle(dc, left, top, right, bottom);
    for (int i = 0; i < 6; ++i) ::TextOutW(dc, left, top + 2 + i * h, lines[i].c_str(), int(lines[i].size()));
}
