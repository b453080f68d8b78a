// GDI implementation of the bitmap operations: 32-bit top-down DIB transfers against the
// screen device context, and screen-compatible bitmaps (the display's colour format).
#include "imaging/BitmapOps.h"

#include <cstring>
#include <mutex>
#include <unordered_map>

#include "framework/Gdi.h"

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

// Our DIB sections: 32 bits, top row first, rows packed (4 bytes a pixel needs no padding). The
// system does not say which way up a DIB section is (GetObject reports a positive height for a
// top-down one too), so the ones made here are remembered with their pixels; a handle the system
// gave again to another bitmap does not match the remembered pixels and is forgotten.
namespace {
std::mutex g_ownMutex;
std::unordered_map<HBITMAP, void*>& Own() {
    static std::unordered_map<HBITMAP, void*> own;
    return own;
}
}  // namespace

RGBX* Pixels(HBITMAP h) {
    if (!h) return nullptr;
    void* bits = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_ownMutex);
        const auto it = Own().find(h);
        if (it == Own().end()) return nullptr;
        bits = it->second;
    }
    DIBSECTION ds{};
    if (::GetObjectW(h, sizeof ds, &ds) != sizeof ds || ds.dsBm.bmBits != bits || ds.dsBm.bmBitsPixel != 32) {
        std::lock_guard<std::mutex> lock(g_ownMutex);
        Own().erase(h);
        return nullptr;
    }
    ::GdiFlush();  // drawing into the bitmap (a grab's BitBlt) is complete before its pixels are read
    return static_cast<RGBX*>(bits);
}

bool ReadPixels(HBITMAP h, RGBX* dst, CSize size) {
    if (!h || !dst || size.cy <= 0) return false;
    CSize own;
    if (RGBX* px = Pixels(h); px && GetSize(h, &own) && own == size) {
        std::memcpy(dst, px, size_t(size.cx) * size_t(size.cy) * sizeof(RGBX));
        return true;
    }
    const kv::WindowDc dc = kv::GetDc(nullptr);  // the screen
    BITMAPINFO info = Describe32(size);
    return dc.get() && ::GetDIBits(dc.get(), h, 0, UINT(size.cy), dst, &info, DIB_RGB_COLORS) != 0;
}

// A DIB section rather than a device-dependent bitmap: the grab's BitBlt lands in memory the
// pixel code reads in place, and the chain's last step writes straight into the result, with no
// transfer through the display driver either way. 32 bits is the screen's format on every
// display Windows still supports; a 16-bit screen would convert on BitBlt.
HBITMAP CreateScreenCompatible(CSize size) {
    if (size.cx < 0 || size.cy < 0 || kv::CheckedPixelCount(size.cx, size.cy) < 0) return nullptr;
    BITMAPINFO info = Describe32(size);
    void* bits = nullptr;
    HBITMAP h = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (h && bits) {
        std::lock_guard<std::mutex> lock(g_ownMutex);
        Own()[h] = bits;
    }
    if (h || size.cx > 0 || size.cy > 0) return h;
    // An empty bitmap (no section can be empty): a device-dependent one, as before.
    const kv::WindowDc dc = kv::GetDc(nullptr);  // the screen
    return dc.get() ? ::CreateCompatibleBitmap(dc.get(), 0, 0) : nullptr;
}

bool WritePixels(HBITMAP h, const RGBX* src, CSize size) {
    if (!h || !src || size.cx <= 0 || size.cy <= 0) return false;
    CSize own;
    if (RGBX* px = Pixels(h); px && GetSize(h, &own) && own == size) {
        std::memcpy(px, src, size_t(size.cx) * size_t(size.cy) * sizeof(RGBX));
        return true;
    }
    const kv::WindowDc dc = kv::GetDc(nullptr);  // the screen
    BITMAPINFO info = Describe32(size);
    return dc.get() && ::SetDIBits(dc.get(), h, 0, UINT(size.cy), src, &info, DIB_RGB_COLORS) != 0;
}

int64_t LiveSections() {
    std::lock_guard<std::mutex> lock(g_ownMutex);
    return int64_t(Own().size());
}

void Delete(HBITMAP h) {
    if (!h) return;
    {
        std::lock_guard<std::mutex> lock(g_ownMutex);
        Own().erase(h);
    }
    ::DeleteObject(h);
}

}  // namespace kv::bitmap
