#pragma once
// Helpers for the markup tests: pictures with a padded stride, mark makers, comparisons that
// name the first differing pixel.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "TestImages.h"
#include "markup/MarkDocument.h"

namespace kvtest {

using namespace kv::markup;

// A picture whose rows are `pad` pixels longer than its width (stride ≠ width × 4).
struct Pic {
    int32_t w = 0, h = 0, pad = 3;
    std::vector<RGBX> px;
    Pic(int32_t width, int32_t height, RGBX fill = {255, 255, 255, 0}, int32_t padding = 3)
        : w(width), h(height), pad(padding), px(size_t(width + padding) * height, fill) {}
    RGBX& at(int32_t x, int32_t y) { return px[size_t(y) * (w + pad) + x]; }
    const RGBX& at(int32_t x, int32_t y) const { return px[size_t(y) * (w + pad) + x]; }
    Surface S() { return Surface{px.data(), w, h, ptrdiff_t(w + pad) * 4}; }
    Surface S() const { return Surface{const_cast<RGBX*>(px.data()), w, h, ptrdiff_t(w + pad) * 4}; }
};

inline bool SamePx(RGBX a, RGBX b) {
    return a.blue == b.blue && a.green == b.green && a.red == b.red && a.reserved == b.reserved;
}

inline std::string PxText(RGBX p) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "(b%d g%d r%d x%d)", p.blue, p.green, p.red, p.reserved);
    return buf;
}

inline Pic RandomPic(int32_t w, int32_t h, uint32_t seed) {
    Pic p(w, h);
    std::mt19937 rng(seed);
    for (RGBX& q : p.px) {
        const uint32_t v = rng();
        q = RGBX{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    }
    return p;
}

//! Same size and the same pixels (padding ignored).
inline ::testing::AssertionResult SamePic(const Pic& a, const Pic& b) {
    if (a.w != b.w || a.h != b.h) return ::testing::AssertionFailure() << "size " << b.w << "x" << b.h << " vs " << a.w << "x" << a.h;
    for (int32_t y = 0; y < a.h; ++y)
        for (int32_t x = 0; x < a.w; ++x)
            if (!SamePx(a.at(x, y), b.at(x, y)))
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << PxText(b.at(x, y))
                                                     << ", expected " << PxText(a.at(x, y));
    return ::testing::AssertionSuccess();
}

//! Every pixel outside `inside` is the same in both.
inline ::testing::AssertionResult SameOutside(const Pic& a, const Pic& b, const kv::Rect& inside) {
    for (int32_t y = 0; y < a.h; ++y)
        for (int32_t x = 0; x < a.w; ++x)
            if (!Contains(inside, Point{x, y}) && !SamePx(a.at(x, y), b.at(x, y)))
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") outside changed to "
                                                     << PxText(b.at(x, y));
    return ::testing::AssertionSuccess();
}

inline RGBX Px(COLORREF c) { return kv::PixelFromColor(c); }

inline Mark PathMark(MarkKind k, std::vector<Point> pts, int32_t width = 3, COLORREF colour = 0x0000FF) {
    Mark m;
    m.kind = k;
    m.points = std::move(pts);
    m.style.width = width;
    m.style.colour = colour;
    return m;
}

inline Mark BoxMark(MarkKind k, kv::Rect box, COLORREF colour = 0x0000FF, bool filled = false, int32_t width = 3) {
    Mark m;
    m.kind = k;
    m.box = box;
    m.style.colour = colour;
    m.style.filled = filled;
    m.style.width = width;
    return m;
}

inline Mark TextMark(kv::Rect at, std::wstring text, int32_t size = 10, COLORREF colour = 0x000000) {
    Mark m = BoxMark(MarkKind::Text, at, colour);
    m.text = std::move(text);
    m.style.fontSize = size;
    return m;
}

inline std::string RectText(const kv::Rect& r) {
    return "{" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + "}";
}

}  // namespace kvtest
