#pragma once
// Value types shared by the pixel code. The portable core never includes <windows.h>: on Windows
// the platform's own COLORREF, DWORD and HBITMAP are used, elsewhere layout-equal stand-ins.
#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
using COLORREF = uint32_t;
using DWORD = uint32_t;
struct HBITMAP__;
using HBITMAP = HBITMAP__*;
#endif

// One pixel of a 32-bit DIB: blue, green, red, reserved.
struct RGBX {
    uint8_t blue;
    uint8_t green;
    uint8_t red;
    uint8_t reserved;
};
static_assert(sizeof(RGBX) == 4);

// A size in pixels; layout-equal to SIZE.
struct CSize {
    int32_t cx = 0;
    int32_t cy = 0;
    constexpr CSize() = default;
    constexpr CSize(int32_t w, int32_t h) : cx(w), cy(h) {}
    friend constexpr bool operator==(CSize a, CSize b) { return a.cx == b.cx && a.cy == b.cy; }
};

namespace kv {

// COLORREF is 0x00BBGGRR; as a pixel its reserved byte is 0.
constexpr RGBX PixelFromColor(COLORREF c) {
    return RGBX{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 0};
}

// Pixel-count cap for every buffer the imaging code allocates: 2^28 pixels (1 GiB).
constexpr int64_t kMaxPixels = int64_t(1) << 28;

// Pixel count of a size, or -1 when a side is negative or the count passes kMaxPixels.
constexpr int64_t CheckedPixelCount(int64_t w, int64_t h) {
    if (w < 0 || h < 0) return -1;
    if (w == 0 || h == 0) return 0;
    if (w > kMaxPixels || h > kMaxPixels || w * h > kMaxPixels) return -1;
    return w * h;
}

// double → int32 by truncation toward zero, saturating instead of overflowing (NaN gives 0).
constexpr int32_t SaturatingTrunc(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483647 - 1;
    return int32_t(v);
}

// int64 → int32, saturating.
constexpr int32_t SaturateInt32(int64_t v) {
    return v > 2147483647 ? 2147483647 : v < -2147483648LL ? int32_t(-2147483647 - 1) : int32_t(v);
}

}  // namespace kv
