#pragma once
// A titled window of the test process with a known pattern, for the program to capture.
#include <windows.h>

#include <string>

#include "Drive.h"

namespace kvtest {

//! Button releases that reached a pattern window (picking must keep them, as it keeps presses).
inline int g_buttonUps = 0;

inline COLORREF PatternColour(int x, int y) { return RGB((x * 5) & 0xFF, (y * 3) & 0xFF, ((x / 8 + y / 8) % 2) * 200); }

class TestWindow {
public:
    TestWindow(const std::wstring& title, int x, int y, int w, int h, bool topmost = true) {
        static const ATOM cls = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = &Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"KvTestPattern";
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            return RegisterClassW(&wc);
        }();
        (void)cls;
        m_hwnd = CreateWindowExW(topmost ? WS_EX_TOPMOST : 0, L"KvTestPattern", title.c_str(),
                                 WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, x, y, w, h, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        UpdateWindow(m_hwnd);
    }
    ~TestWindow() { DestroyWindow(m_hwnd); }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND hwnd() const { return m_hwnd; }
    //! Waits until the pattern stands on the screen.
    bool WaitPainted(int ms = 10000) const { return WaitPatternPainted(m_hwnd, ms); }
    //! Waits until a window of the pattern class (a child too) shows its pattern on the screen:
    //! the corners and the centre of its client area.
    static bool WaitPatternPainted(HWND h, int ms = 10000) {
        return kvdrive::WaitFor([&] {
            RECT r;
            GetClientRect(h, &r);
            MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(&r), 2);
            const int w = r.right - r.left, ht = r.bottom - r.top;
            const POINT at[] = {{0, 0}, {w - 1, 0}, {0, ht - 1}, {w - 1, ht - 1}, {w / 2, ht / 2}};
            for (const POINT& p : at)
                if (kvdrive::ScreenPixel(r.left + p.x, r.top + p.y) != PatternColour(p.x, p.y)) return false;
            return w > 0 && ht > 0;
        }, ms);
    }
    RECT ClientOnScreen() const {
        RECT r;
        GetClientRect(m_hwnd, &r);
        MapWindowPoints(m_hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(h, &ps);
            RECT rc;
            GetClientRect(h, &rc);
            // Drawn off the screen and put there in one transfer: pixel by pixel, a loaded
            // machine shows the pattern's top half long before its bottom, and a check of a
            // few pixels could pass while the rest still shows what was there before.
            BITMAPINFO bi{};
            bi.bmiHeader = {sizeof(BITMAPINFOHEADER), rc.right, -rc.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
            void* bits = nullptr;
            if (HBITMAP dib = rc.right > 0 && rc.bottom > 0 ? CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr) {
                auto* px = static_cast<DWORD*>(bits);
                for (int y = 0; y < rc.bottom; ++y)
                    for (int x = 0; x < rc.right; ++x) {
                        const COLORREF c = PatternColour(x, y);
                        px[size_t(y) * size_t(rc.right) + size_t(x)] = DWORD(GetRValue(c)) << 16 | DWORD(GetGValue(c)) << 8 | GetBValue(c);
                    }
                HDC mem = CreateCompatibleDC(dc);
                HGDIOBJ old = SelectObject(mem, dib);
                BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
                SelectObject(mem, old);
                DeleteDC(mem);
                DeleteObject(dib);
            }
            EndPaint(h, &ps);
            return 0;
        }
        if (msg == WM_ERASEBKGND) return 1;
        if (msg == WM_LBUTTONUP || msg == WM_RBUTTONUP) ++g_buttonUps;
        return DefWindowProcW(h, msg, wp, lp);
    }
    HWND m_hwnd;
};

}  // namespace kvtest
