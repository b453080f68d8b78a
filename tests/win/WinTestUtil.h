#pragma once
// Helpers for the Windows tests: a top-level test window with a painted pattern, message pumping,
// and reading pixels of bitmaps and GDI+ images.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "framework/GdiPlus.h"
#include "framework/Window.h"
#include "reference/Reference.h"

namespace kvtest {

//! A test that makes the framework catch n exceptions on purpose says so (CaughtCheck.cpp).
void ExpectCaught(int n);

inline void Pump(int ms = 0) {
    const DWORD end = GetTickCount() + DWORD(ms);
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (ms) Sleep(5);
    } while (GetTickCount() < end);
}

//! Pumps this thread's messages until cond holds or ms pass; whether it held.
inline bool PumpUntil(const std::function<bool()>& cond, int ms = 10000) {
    const ULONGLONG end = GetTickCount64() + ULONGLONG(ms);
    for (;;) {
        if (cond()) return true;
        if (GetTickCount64() > end) return false;
        Pump();
        Sleep(5);
    }
}

// A window that paints itself with a function of (x, y) in client coordinates.
class PatternWindow : public CWnd {
public:
    std::function<COLORREF(int, int)> colour = [](int x, int y) { return RGB(x * 7 % 256, y * 5 % 256, (x + y) % 256); };

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(m_hWnd, &ps);
            RECT rc;
            ::GetClientRect(m_hWnd, &rc);
            std::vector<RGBX> px(size_t(rc.right) * rc.bottom);
            for (int y = 0; y < rc.bottom; ++y)
                for (int x = 0; x < rc.right; ++x) {
                    const COLORREF c = colour(x, y);
                    px[size_t(y) * rc.right + x] = RGBX{GetBValue(c), GetGValue(c), GetRValue(c), 0};
                }
            BITMAPINFO info{};
            info.bmiHeader = {sizeof(BITMAPINFOHEADER), rc.right, -rc.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
            SetDIBitsToDevice(dc, 0, 0, DWORD(rc.right), DWORD(rc.bottom), 0, 0, 0, UINT(rc.bottom), px.data(), &info,
                              DIB_RGB_COLORS);
            EndPaint(m_hWnd, &ps);
            return 0;
        }
        if (msg == WM_ERASEBKGND) return 1;
        return CWnd::WindowProc(msg, wp, lp);
    }
};

inline ref::Img BitmapPixels(HBITMAP h) {
    BITMAP bm{};
    GetObjectW(h, sizeof bm, &bm);
    ref::Img img(bm.bmWidth, bm.bmHeight);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), bm.bmWidth, -bm.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, h, 0, UINT(bm.bmHeight), img.px.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (RGBX& p : img.px) p.reserved = 0;
    return img;
}

inline HBITMAP MakeBitmap(const ref::Img& img) {
    HDC screen = GetDC(nullptr);
    HBITMAP h = CreateCompatibleBitmap(screen, img.w, img.h);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), img.w, -img.h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    SetDIBits(screen, h, 0, UINT(img.h), img.px.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return h;
}

// The pixels of a GDI+ image, read as 32-bit RGB.
inline ref::Img ImagePixels(Gdiplus::Image* image) {
    auto* bmp = static_cast<Gdiplus::Bitmap*>(image);
    ref::Img img(int(image->GetWidth()), int(image->GetHeight()));
    Gdiplus::Rect r(0, 0, img.w, img.h);
    Gdiplus::BitmapData data{};
    if (bmp->LockBits(&r, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &data) != Gdiplus::Ok) return {};
    for (int y = 0; y < img.h; ++y) {
        const auto* row = reinterpret_cast<const RGBX*>(static_cast<const uint8_t*>(data.Scan0) + ptrdiff_t(y) * data.Stride);
        for (int x = 0; x < img.w; ++x) img.at(x, y) = RGBX{row[x].blue, row[x].green, row[x].red, 0};
    }
    bmp->UnlockBits(&data);
    return img;
}

inline ref::Img Opaque(ref::Img img) {
    for (RGBX& p : img.px) p.reserved = 0;
    return img;
}

// An empty folder of that name under the temporary folder (files of an earlier run removed).
inline std::wstring TempFolder(const std::wstring& name) {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    std::wstring dir = std::wstring(base) + name + L"\\";
    CreateDirectoryW(dir.c_str(), nullptr);
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((dir + fd.cFileName).c_str());
        while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    return dir;
}

inline int CountFiles(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int n = 0;
    do n += fd.cFileName[0] != L'.';
    while (FindNextFileW(h, &fd));
    FindClose(h);
    return n;
}

}  // namespace kvtest
