// The screen grab: a window's pixels (or a rectangle of them, or of the screen) copied into a
// new pixel buffer. Used by the engine's captures and by the selection window's frozen screen,
// which need nothing else of each other.
#include "imaging/ScreenGrab.h"

#include "framework/Gdi.h"
#include "framework/Owners.h"
#include "imaging/BitmapOps.h"
#include "imaging/Geometry.h"

namespace kv {

CImageBitmap* GrabWindow(HWND hWnd, CRect rect) {
    if (!hWnd) return nullptr;
    const bool whole = rect.IsRectEmpty();
    if (whole) ::GetWindowRect(hWnd, &rect);
    kv::Rect r{rect.left, rect.top, rect.right, rect.bottom};
    if (!kv::ClampToScreen(r, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN))) return nullptr;

    ::SetWindowPos(hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    auto* bmp = new CImageBitmap(0xFFFFFF);
    {
        POINT offset;
        kv::WindowDc window = kv::GetRootWindowDc(hWnd, &offset);
        kv::UniqueHdc memory = kv::CreateCompatibleDc(window.get());
        // The pixel buffer's own kind of bitmap: the BitBlt below writes the pixels the image
        // code then reads in place. Deleted, if the grab cannot use it, as all of ours are (a plain
        // DeleteObject left the library's record of its pixels behind).
        kv::bitmap::UniqueDib dib = window ? kv::bitmap::UniqueDib::Create(CSize(r.Width(), r.Height())) : kv::bitmap::UniqueDib();
        if (dib && memory) {
            {
                kv::ScopedSelect select(memory.get(), dib.get());
                // A plain source copy (no CAPTUREBLT): the cursor is not drawn. The window DC's origin
                // is the outer corner, so a whole-window grab starts at (0, 0).
                ::BitBlt(memory.get(), 0, 0, r.Width(), r.Height(), window.get(), (whole ? 0 : r.left) + offset.x,
                         (whole ? 0 : r.top) + offset.y, SRCCOPY);
            }
            bmp->Attach(dib.release());
        }
    }
    ::SetWindowPos(hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return bmp;
}

}  // namespace kv
