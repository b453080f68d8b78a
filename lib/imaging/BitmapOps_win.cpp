// GDI implementation of the bitmap operations: 32-bit top-down DIB transfers against the
// screen device context, and screen-compatible bitmaps (the display's colour format).
#include "imaging/BitmapOps.h"

namespace {

// The screen DC, released at scope exit.
class ScreenDc {
public:
    ScreenDc() : m_hdc(::GetDC(nullptr)) {}
    ~ScreenDc() {
        if (m_hdc) ::ReleaseDC(nullptr, m_hdc);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC get() const { return m_hdc; }

private:
    HDC m_hdc;
};

}  // namespace

namespace kv::bitmap {

BITMAPINFO Describe32(CSize size) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;  // rows top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = DWORD(int64_t(size.cx) * size.cy * 4);
    return info;
}

bool GetSize(HBITMAP h, CSize* size) {
    BITMAP bm{};
    if (!h || ::GetObjectW(h, sizeof(bm), &bm) == 0) return false;
    *size = CSize(bm.bmWidth, bm.bmHeight);
    return true;
}

bool ReadPixels(HBITMAP h, RGBX* dst, CSize size) {
    if (!h || !dst || size.cy <= 0) return false;
    ScreenDc dc;
    BITMAPINFO info = Describe32(size);
    return dc.get() && ::GetDIBits(dc.get(), h, 0, UINT(size.cy), dst, &info, DIB_RGB_COLORS) != 0;
}

HBITMAP CreateScreenCompatible(CSize size) {
    if (size.cx < 0 || size.cy < 0) return nullptr;
    ScreenDc dc;
    return dc.get() ? ::CreateCompatibleBitmap(dc.get(), size.cx, size.cy) : nullptr;
}

bool WritePixels(HBITMAP h, const RGBX* src, CSize size) {
    if (!h || !src || size.cx <= 0 || size.cy <= 0) return false;
    ScreenDc dc;
    BITMAPINFO info = Describe32(size);
    return dc.get() && ::SetDIBits(dc.get(), h, 0, UINT(size.cy), src, &info, DIB_RGB_COLORS) != 0;
}

void Delete(HBITMAP h) {
    if (h) ::DeleteObject(h);
}

}  // namespace kv::bitmap
