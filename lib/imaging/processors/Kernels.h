#pragma once
// Inline helpers shared by the processor kernels. Internal to the imaging code.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/PixelTypes.h"

namespace kv::detail {

inline RGBX* Row(RGBX* p, int width, int y) { return p + ptrdiff_t(y) * width; }
inline const RGBX* Row(const RGBX* p, int width, int y) { return p + ptrdiff_t(y) * width; }

// Frames larger than this (bytes) are copied with streaming stores: they do not fit in the caches
// anyway, and skipping the read-for-ownership of every destination line halves the cost of a
// plain row copy (measured 3840×2160: vertical flip 1.3× → 0.6× memcpy). Kernels that compute
// per pixel do not gain (grey measured slower with them) and keep ordinary stores.
constexpr int64_t kStreamingBytes = int64_t(4) << 20;

inline void CopyPixels(RGBX* dst, const RGBX* src, int64_t count) {
    if (count > 0) std::memcpy(dst, src, size_t(count) * sizeof(RGBX));
}

// One channel of the blend: the mean of the horizontal and the vertical linear interpolation
// from P00, evaluated in exactly this order (the results are compared byte for byte with the
// plain formula, so the order of the double operations is part of the contract).
inline int BlendChannel(int p00, int p10, int p01, double dx, double omdx, double dy, double omdy) {
    return int(0.5 * (p00 * omdx + p10 * dx + p00 * omdy + p01 * dy));
}

inline RGBX BlendPixels(RGBX p00, RGBX p10, RGBX p01, double dx, double dy) {
    const double omdx = 1 - dx, omdy = 1 - dy;
    return RGBX{uint8_t(BlendChannel(p00.blue, p10.blue, p01.blue, dx, omdx, dy, omdy)),
                uint8_t(BlendChannel(p00.green, p10.green, p01.green, dx, omdx, dy, omdy)),
                uint8_t(BlendChannel(p00.red, p10.red, p01.red, dx, omdx, dy, omdy)), 0};
}

// The blend at (x, y) of a w × h image. Negative positions take the whole pixel at the clamped
// truncated position; callers guarantee trunc(x) < w and trunc(y) < h.
inline RGBX BlendAt(const RGBX* px, int w, int h, double x, double y) {
    if (x < 0 || y < 0) {
        const int ix = std::clamp(SaturatingTrunc(x), 0, w - 1);
        const int iy = std::clamp(SaturatingTrunc(y), 0, h - 1);
        return Row(px, w, iy)[ix];
    }
    const int ix = std::min(SaturatingTrunc(x), w - 1);
    const int iy = std::min(SaturatingTrunc(y), h - 1);
    const double dx = x - ix, dy = y - iy;
    const RGBX* r0 = Row(px, w, iy);
    const RGBX* r1 = Row(px, w, std::min(iy + 1, h - 1));
    return BlendPixels(r0[ix], r0[std::min(ix + 1, w - 1)], r1[ix], dx, dy);
}

// The columns [first, last) of [0, n) where lo ≤ f(x) < hi, for an f that is monotone in x,
// rising or falling: then those columns are one run, found by bisection. The rotation and the
// shear map a destination row to a straight line through the source whose truncated coordinates
// are monotone, so each row's sampled pixels are one span and the rest need no test at all.
struct Span {
    int first, last;
};

template <class F>
Span MonotoneSpan(int n, int lo, int hi, F f) {
    if (n <= 0 || lo >= hi) return Span{0, 0};
    auto firstWhere = [n](auto pred) {  // pred false, then true from some x on
        int a = 0, b = n;
        while (a < b) {
            const int m = a + (b - a) / 2;
            if (pred(m))
                b = m;
            else
                a = m + 1;
        }
        return a;
    };
    int first, last;
    if (f(n - 1) >= f(0)) {
        first = firstWhere([&](int x) { return f(x) >= lo; });
        last = firstWhere([&](int x) { return f(x) >= hi; });
    } else {
        first = firstWhere([&](int x) { return f(x) < hi; });
        last = firstWhere([&](int x) { return f(x) < lo; });
    }
    return Span{first, std::max(first, last)};
}

inline Span Intersect(Span a, Span b) {
    const int first = std::max(a.first, b.first);
    return Span{first, std::max(first, std::min(a.last, b.last))};
}

// Destination tiles for the kernels that read the source along slanted lines (rotation, shear):
// a tile's source footprint stays in the near caches and its pages in the address cache, which
// a steep row, touching a different source row every pixel or two, does not. A row that crosses
// few source rows is walked whole: the tiles only cost there (a shear of 50 pixels measured 20%
// slower in tiles). The tile is as wide as crosses kTileRows source rows, kTileColumns at least.
constexpr int kTileRows = 64, kTileColumns = 256;
// The rotation's tiles are larger: 256 rows by at least 512 columns, whose source footprint
// still fits the second-level cache (measured 3840×2160, one thread: at 45° and 135° 36 → 21 ms,
// at 10°, 30° and 80° 5–10% faster; 64 × 256 at 45° kept a third of the time waiting for
// memory). The shear measured the same either way and keeps the smaller ones.
constexpr int kRotateTileRows = 256, kRotateTileColumns = 512;

inline int TileWidth(double sourceRowsPerColumn, int dw, int tileRows = kTileRows, int tileColumns = kTileColumns) {
    const double crossing = std::fabs(sourceRowsPerColumn);
    if (!(crossing * dw > tileRows)) return std::max(dw, 1);
    return int(std::clamp(tileRows / crossing, double(tileColumns), double(dw)));
}

}  // namespace kv::detail
