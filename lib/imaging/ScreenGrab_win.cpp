// The screen grab: a window's pixels (or a rectangle of them, or of the screen) copied into a
// new pixel buffer. Used by the engine's captures and by the selection window's frozen screen,
// which need nothing else of each other.
#include "imaging/ScreenGrab.h"

#include "framework/Gdi.h"
#include "framework/Owners.h"
#include "imaging/BitmapOps.h"
#include "imaging/Geometry.h"

#include <vector>

namespace kv {

namespace {

BOOL CALLBACK AddMonitor(HMONITOR m, HDC, LPRECT, LPARAM list) {
    MONITORINFO mi{sizeof mi};
    if (::GetMonitorInfoW(m, &mi))
        reinterpret_cast<std::vector<Monitor>*>(list)->push_back(
            Monitor{Rect{mi.rcMonitor.left, mi.rcMonitor.top, mi.rcMonitor.right, mi.rcMonitor.bottom},
                    Rect{mi.rcWork.left, mi.rcWork.top, mi.rcWork.right, mi.rcWork.bottom}, (mi.dwFlags & MONITORINFOF_PRIMARY) != 0});
    return TRUE;
}

}  // namespace

// From the monitors themselves (not the display settings, which Wine gives as 0 × 0 for every
// monitor but the primary). Without any answer, the primary screen's metrics.
MonitorLayout DesktopLayout() {
    std::vector<Monitor> monitors;
    ::EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    if (monitors.empty()) {
        const Rect s{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
        monitors.push_back(Monitor{s, s, true});
    }
    return MonitorLayout(std::move(monitors));
}

// A window or rectangle is grabbed where it lies on the virtual screen (a window reaching past
// it keeps only that part); areas of it that no monitor shows are painted in the one documented
// colour, whatever the system's screen DC gives there.
CImageBitmap* GrabWindow(HWND hWnd, CRect rect, CRect* grabbed, bitmap::UniqueDib* reuse) {
    if (!hWnd) return nullptr;
    const bool whole = rect.IsRectEmpty();
    CRect w;
    ::GetWindowRect(hWnd, &w);
    if (whole) rect = w;
    // Outside the desktop window, rectangles are in the window's own coordinates.
    const bool desktop = hWnd == ::GetDesktopWindow();
    const CRect onScreen = whole || desktop ? rect : CRect(w.left + rect.left, w.top + rect.top, w.left + rect.right, w.top + rect.bottom);
    const MonitorLayout layout = DesktopLayout();
    const Rect r = layout.ClipToVirtual(Rect{onScreen.left, onScreen.top, onScreen.right, onScreen.bottom});
    if (r.IsEmpty() || !layout.OnAnyMonitor(r)) return nullptr;
    if (grabbed) *grabbed = CRect(r.left, r.top, r.right, r.bottom);

    // On top for the grab; a window that was topmost already stays so afterwards.
    const bool wasTopmost = (::GetWindowLongPtrW(hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    ::SetWindowPos(hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    auto* bmp = new CImageBitmap(0xFFFFFF);
    {
        POINT offset;
        kv::WindowDc window = kv::GetRootWindowDc(hWnd, &offset);
        kv::UniqueHdc memory = kv::CreateCompatibleDc(window.get());
        // The pixel buffer's own kind of bitmap: the BitBlt below writes the pixels the image
        // code then reads in place. Deleted, if the grab cannot use it, as all of ours are (a plain
        // DeleteObject left the library's record of its pixels behind).
        // A bitmap of the same size handed in is filled again: BitBlt and the fill of the
        // uncovered parts write every pixel of it.
        const CSize size(r.Width(), r.Height());
        kv::bitmap::UniqueDib dib;
        if (window && reuse && *reuse && reuse->pixels() && reuse->size() == size)
            dib = std::move(*reuse);
        else if (window)
            dib = kv::bitmap::UniqueDib::Create(size);
        if (dib && memory) {
            {
                kv::ScopedSelect select(memory.get(), dib.get());
                // A plain source copy (no CAPTUREBLT): the cursor is not drawn. The desktop's DC is in screen coordinates (negative left of and above the
                // primary monitor); any other window's has its origin at the outer corner.
                const int sx = desktop ? r.left : r.left - w.left, sy = desktop ? r.top : r.top - w.top;
                ::BitBlt(memory.get(), 0, 0, r.Width(), r.Height(), window.get(), sx + offset.x, sy + offset.y, SRCCOPY);
                ::GdiFlush();
            }
            layout.FillUncovered(kv::bitmap::Pixels(dib.get()), r.Width(), r);
            bmp->Attach(dib.release());
        }
    }
    if (!wasTopmost) ::SetWindowPos(hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return bmp;
}

}  // namespace kv
