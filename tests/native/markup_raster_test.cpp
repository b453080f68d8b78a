// The stroke and ellipse coverage decide most pixels from the pixel's centre or from the row's
// chords and only the outline's pixels sample by sample: over random segments (solid and dashed,
// every width and direction) and ellipses (filled and with holes), the bits equal those of
// deciding all sixteen samples of every pixel in the shape's box.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "markup/Raster.h"

namespace {

using kv::markup::detail::Coverage;
using kv::markup::detail::Dash;
using kv::markup::detail::P8;

// Every sample of every pixel of the box, the plain way.
Coverage PlainSegment(const kv::Rect& area, P8 a, P8 b, double hw, const Dash& dash, double along) {
    Coverage c(area);
    const double dx = double(b.x - a.x), dy = double(b.y - a.y), len2 = dx * dx + dy * dy, len = std::sqrt(len2);
    const double period = double(dash.on + dash.off);
    for (int32_t y = area.top; y < area.bottom; ++y)
        for (int32_t x = area.left; x < area.right; ++x) {
            uint16_t bits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    const double px = double(8 * int64_t(x) + 2 * sx + 1 - a.x), py = double(8 * int64_t(y) + 2 * sy + 1 - a.y);
                    double t = len2 > 0 ? (px * dx + py * dy) / len2 : 0.0;
                    t = std::clamp(t, 0.0, 1.0);
                    const double ex = px - t * dx, ey = py - t * dy;
                    if (ex * ex + ey * ey > hw * hw) continue;
                    if (!dash.Solid() && std::fmod(along + t * len, period) >= double(dash.on)) continue;
                    bits |= uint16_t(1u << (sy * 4 + sx));
                }
            c.At(x, y) = bits;
        }
    return c;
}

bool InEllipse(const kv::Rect& r, int64_t px, int64_t py) {
    if (r.IsEmpty()) return false;
    const double cx = 4.0 * (double(r.left) + r.right), cy = 4.0 * (double(r.top) + r.bottom);
    const double rx = 4.0 * r.Width(), ry = 4.0 * r.Height();
    const double dx = (double(px) - cx) * ry, dy = (double(py) - cy) * rx;
    return dx * dx + dy * dy <= (rx * ry) * (rx * ry);
}

Coverage PlainEllipse(const kv::Rect& area, const kv::Rect& box, const kv::Rect& hole) {
    Coverage c(area);
    const kv::Rect r = kv::markup::IntersectRect(box, area);
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x) {
            uint16_t bits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    const int64_t px = 8 * int64_t(x) + 2 * sx + 1, py = 8 * int64_t(y) + 2 * sy + 1;
                    if (InEllipse(box, px, py) && !InEllipse(hole, px, py)) bits |= uint16_t(1u << (sy * 4 + sx));
                }
            c.At(x, y) = bits;
        }
    return c;
}

int Differences(const Coverage& a, const Coverage& b) {
    int n = 0;
    const kv::Rect r = a.Area();
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x) n += a.At(x, y) != b.At(x, y);
    return n;
}

TEST(MarkupRaster, SegmentsGiveThePlainBits) {
    const kv::Rect area{-3, -5, 141, 97};
    for (int i = 0; i < 600; ++i) {
        std::mt19937 rng{uint32_t(i)};
        const auto r = [&](int lo, int hi) { return lo + int(rng() % uint32_t(hi - lo + 1)); };
        // Ends anywhere in eighths (also off the area and on pixel centres), horizontal,
        // vertical and zero-length ones among them.
        P8 a{r(-80, 1200), r(-80, 800)}, b{r(-80, 1200), r(-80, 800)};
        if (i % 7 == 0) b.y = a.y;
        if (i % 7 == 1) b.x = a.x;
        if (i % 13 == 2) b = a;
        if (i % 5 == 3) a = P8{8 * r(0, 130) + 4, 8 * r(0, 90) + 4}, b = P8{8 * r(0, 130) + 4, 8 * r(0, 90) + 4};
        const int width = r(1, 24);
        const double hw = 4.0 * width;
        const Dash dash = i % 3 == 0 ? Dash{8 * 3 * width, 8 * 2 * width} : Dash{};
        const double along = i % 3 == 0 ? double(r(0, 200)) : 0.0;
        SCOPED_TRACE(i);
        Coverage fast(area);
        fast.Segment(a, b, hw, dash, along);
        ASSERT_EQ(Differences(fast, PlainSegment(area, a, b, hw, dash, along)), 0);
    }
}

TEST(MarkupRaster, EllipsesGiveThePlainBits) {
    const kv::Rect area{-4, -4, 160, 120};
    for (int i = 0; i < 600; ++i) {
        std::mt19937 rng{uint32_t(1000 + i)};
        const auto r = [&](int lo, int hi) { return lo + int(rng() % uint32_t(hi - lo + 1)); };
        const int l = r(-20, 120), t = r(-20, 90);
        const kv::Rect box{l, t, l + r(1, 90), t + r(1, 70)};
        const int w = r(1, 12);
        const kv::Rect hole = i % 2 ? kv::markup::InflateRect(box, -w) : kv::Rect{};
        SCOPED_TRACE(i);
        Coverage fast(area);
        fast.Ellipse(box, hole);
        ASSERT_EQ(Differences(fast, PlainEllipse(area, box, hole)), 0);
    }
}

}  // namespace
