// The coverage mask and its shapes. Decisions per sample are exact in integers where the values
// fit (boxes, triangles) and in doubles otherwise (distances, ellipses): IEEE operations with no
// contraction, so a build gives the same bits every run.
#include "markup/Raster.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace kv::markup::detail {

Coverage::Coverage(const Rect& area) : m_area(area.IsEmpty() ? Rect{} : area) {
    m_bits.assign(size_t(m_area.Width()) * size_t(m_area.Height()), 0);
}

// Pixels whose samples can lie in [lo, hi] (eighths), held to the mask.
static void PixelSpan(double lo, double hi, int32_t aLo, int32_t aHi, int32_t& from, int32_t& to) {
    from = int32_t(std::clamp(std::floor(lo / 8.0), double(aLo), double(aHi)));
    to = int32_t(std::clamp(std::floor(hi / 8.0) + 1, double(aLo), double(aHi)));
}

// The interval of x (relative to a) where a point of row offset cy lies within r of the segment
// from (0, 0) to (dx, dy): the row's chord through the capsule, the hull of its chords through
// the two end circles and the band between them (the capsule is convex). False when none.
static bool CapsuleChord(double dx, double dy, double len, double cy, double r, double& lo, double& hi) {
    lo = 1e300, hi = -1e300;
    const auto add = [&](double l, double h) {
        if (l > h) return;
        lo = std::min(lo, l), hi = std::max(hi, h);
    };
    if (std::abs(cy) <= r) {
        const double w = std::sqrt(r * r - cy * cy);
        add(-w, w);
    }
    if (std::abs(cy - dy) <= r) {
        const double w = std::sqrt(r * r - (cy - dy) * (cy - dy));
        add(dx - w, dx + w);
    }
    if (len > 0) {
        // |x·dy − cy·dx| ≤ r·len (near the line) and 0 ≤ x·dx + cy·dy ≤ len² (between the ends).
        double l1 = -1e300, h1 = 1e300, l2 = -1e300, h2 = 1e300;
        if (dy != 0) {
            const double u = (cy * dx - r * len) / dy, v = (cy * dx + r * len) / dy;
            l1 = std::min(u, v), h1 = std::max(u, v);
        } else if (std::abs(cy * dx) > r * len) {
            l1 = 1, h1 = 0;
        }
        if (dx != 0) {
            const double u = -cy * dy / dx, v = (len * len - cy * dy) / dx;
            l2 = std::min(u, v), h2 = std::max(u, v);
        } else if (cy * dy < 0 || cy * dy > len * len) {
            l2 = 1, h2 = 0;
        }
        add(std::max(l1, l2), std::min(h1, h2));
    }
    return lo <= hi;
}

// Per pixel the centre's distance decides first: a sample lies within 4.25 eighths of its
// pixel's centre (offsets ±1 and ±3), and distance to a segment changes no faster than the
// point moves, so a centre farther than hw + 4.25 has no sample on the stroke and one nearer than
// hw − 4.25 has all of them (solid strokes). The margins are 5, far beyond rounding; the samples
// near the edge are decided exactly as before, so the bits do not change. Each row visits only
// the pixels of its chord through the widened stroke.
void Coverage::Segment(P8 a, P8 b, double hw, const Dash& dash, double along) {
    if (Empty()) return;
    int32_t x0, x1, y0, y1;
    PixelSpan(double(std::min(a.x, b.x)) - hw, double(std::max(a.x, b.x)) + hw, m_area.left, m_area.right, x0, x1);
    PixelSpan(double(std::min(a.y, b.y)) - hw, double(std::max(a.y, b.y)) + hw, m_area.top, m_area.bottom, y0, y1);
    const double dx = double(b.x - a.x), dy = double(b.y - a.y), len2 = dx * dx + dy * dy;
    const double len = std::sqrt(len2), hw2 = hw * hw;
    const double period = double(dash.on + dash.off);
    const double outer = hw + 5, inner = hw - 5, outer2 = outer * outer, inner2 = inner > 0 ? inner * inner : -1;
    const auto dist2 = [&](double px, double py) {
        double t = len2 > 0 ? (px * dx + py * dy) / len2 : 0.0;
        t = std::clamp(t, 0.0, 1.0);
        const double ex = px - t * dx, ey = py - t * dy;
        return ex * ex + ey * ey;
    };
    for (int32_t y = y0; y < y1; ++y) {
        const double cy = double(8 * int64_t(y) + 4 - a.y);
        double lo, hi;
        if (!CapsuleChord(dx, dy, len, cy, outer, lo, hi)) continue;
        const int32_t from = int32_t(std::clamp(std::floor((lo + double(a.x) - 4) / 8) - 1, double(x0), double(x1)));
        const int32_t to = int32_t(std::clamp(std::floor((hi + double(a.x) - 4) / 8) + 2, double(x0), double(x1)));
        for (int32_t x = from; x < to; ++x) {
            const double d2 = dist2(double(8 * int64_t(x) + 4 - a.x), cy);
            if (d2 > outer2) continue;
            if (dash.Solid() && d2 < inner2) {
                At(x, y) = 0xFFFF;
                continue;
            }
            uint16_t bits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    const double px = double(8 * int64_t(x) + 2 * sx + 1 - a.x), py = double(8 * int64_t(y) + 2 * sy + 1 - a.y);
                    double t = len2 > 0 ? (px * dx + py * dy) / len2 : 0.0;
                    t = std::clamp(t, 0.0, 1.0);
                    const double ex = px - t * dx, ey = py - t * dy;
                    if (ex * ex + ey * ey > hw2) continue;
                    if (!dash.Solid() && std::fmod(along + t * len, period) >= double(dash.on)) continue;
                    bits |= uint16_t(1u << (sy * 4 + sx));
                }
            At(x, y) |= bits;
        }
    }
}

void Coverage::Path(const std::vector<P8>& pts, double hw, const Dash& dash, bool closed) {
    if (pts.empty()) return;
    if (pts.size() == 1) return Segment(pts[0], pts[0], hw, dash, 0);
    double along = 0;
    const size_t n = closed ? pts.size() : pts.size() - 1;
    for (size_t i = 0; i < n; ++i) {
        const P8 a = pts[i], b = pts[(i + 1) % pts.size()];
        Segment(a, b, hw, dash, along);
        along += std::sqrt(double(b.x - a.x) * double(b.x - a.x) + double(b.y - a.y) * double(b.y - a.y));
    }
}

void Coverage::Triangle(P8 a, P8 b, P8 c) {
    if (Empty()) return;
    const int64_t area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (area == 0) return;
    const int64_t sign = area > 0 ? 1 : -1;
    int32_t x0, x1, y0, y1;
    PixelSpan(double(std::min({a.x, b.x, c.x})), double(std::max({a.x, b.x, c.x})), m_area.left, m_area.right, x0, x1);
    PixelSpan(double(std::min({a.y, b.y, c.y})), double(std::max({a.y, b.y, c.y})), m_area.top, m_area.bottom, y0, y1);
    auto edge = [sign](P8 u, P8 v, int64_t px, int64_t py) { return sign * ((v.x - u.x) * (py - u.y) - (v.y - u.y) * (px - u.x)); };
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x) {
            uint16_t bits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    const int64_t px = 8 * int64_t(x) + 2 * sx + 1, py = 8 * int64_t(y) + 2 * sy + 1;
                    if (edge(a, b, px, py) >= 0 && edge(b, c, px, py) >= 0 && edge(c, a, px, py) >= 0)
                        bits |= uint16_t(1u << (sy * 4 + sx));
                }
            At(x, y) |= bits;
        }
}

void Coverage::Box(const Rect& box, const Rect& hole) {
    // Box edges are pixel edges, so every pixel is fully in or out.
    const Rect r = IntersectRect(box, m_area);
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x)
            if (hole.IsEmpty() || !Contains(hole, Point{x, y})) At(x, y) = 0xFFFF;
}

// Sample inside the ellipse inscribed in r: ((px - cx) / rx)² + ((py - cy) / ry)² ≤ 1, cleared
// of divisions.
static bool InEllipse(const Rect& r, int64_t px, int64_t py) {
    if (r.IsEmpty()) return false;
    const double cx = 4.0 * (double(r.left) + r.right), cy = 4.0 * (double(r.top) + r.bottom);
    const double rx = 4.0 * r.Width(), ry = 4.0 * r.Height();
    const double dx = (double(px) - cx) * ry, dy = (double(py) - cy) * rx;
    return dx * dx + dy * dy <= (rx * ry) * (rx * ry);
}

// The half chords of the ellipse inscribed in r over the four sample rows of pixel row y: the
// smallest (every sample row has at least it) and the largest; smallest < 0 when a sample row
// misses the ellipse, largest < 0 when all do. Eighths, around the centre cx.
static void EllipseChords(const Rect& r, int32_t y, double& cx, double& smallest, double& largest) {
    smallest = largest = -1;
    cx = 4.0 * (double(r.left) + r.right);
    if (r.IsEmpty()) return;
    const double cy = 4.0 * (double(r.top) + r.bottom), rx = 4.0 * r.Width(), ry = 4.0 * r.Height();
    smallest = 1e300;
    for (int sy = 0; sy < 4; ++sy) {
        const double d = (double(8 * int64_t(y) + 2 * sy + 1) - cy) * rx, q = (rx * ry) * (rx * ry) - d * d;
        const double w = q >= 0 ? std::sqrt(q) / ry : -1;
        smallest = std::min(smallest, w);
        largest = std::max(largest, w);
    }
}

// Pixels wholly inside the box's ellipse and outside the hole's take all samples, those wholly
// outside it or inside the hole none, judged from the chords with a margin of 0.01 eighths (far
// beyond rounding); only the pixels on an outline are decided sample by sample, as before.
void Coverage::Ellipse(const Rect& box, const Rect& hole) {
    const Rect r = IntersectRect(box, m_area);
    constexpr double kEps = 0.01;
    for (int32_t y = r.top; y < r.bottom; ++y) {
        double bcx, bIn, bOut, hcx, hIn, hOut;
        EllipseChords(box, y, bcx, bIn, bOut);
        EllipseChords(hole, y, hcx, hIn, hOut);
        for (int32_t x = r.left; x < r.right; ++x) {
            const double s0 = double(8 * int64_t(x) + 1), s1 = double(8 * int64_t(x) + 7);
            const auto within = [](double lo, double hi, double c, double w) { return w >= 0 && lo >= c - w && hi <= c + w; };
            const auto apart = [](double lo, double hi, double c, double w) { return w < 0 || hi < c - w || lo > c + w; };
            if (apart(s0, s1, bcx, bOut + kEps) || within(s0, s1, hcx, hIn - kEps)) continue;
            if (within(s0, s1, bcx, bIn - kEps) && apart(s0, s1, hcx, hOut + kEps)) {
                At(x, y) = 0xFFFF;
                continue;
            }
            uint16_t bits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    const int64_t px = 8 * int64_t(x) + 2 * sx + 1, py = 8 * int64_t(y) + 2 * sy + 1;
                    if (InEllipse(box, px, py) && !InEllipse(hole, px, py)) bits |= uint16_t(1u << (sy * 4 + sx));
                }
            At(x, y) |= bits;
        }
    }
}

static uint8_t Mix(uint32_t c, uint32_t bg, uint32_t a) { return uint8_t((c * a + bg * (255 - a) + 127) / 255); }

static void BlendPixel(RGBX& p, RGBX c, uint32_t a, BlendMode mode) {
    if (mode == BlendMode::Multiply) {
        // The multiplier fades from 255 (no change) to the colour with coverage.
        p.blue = uint8_t((p.blue * uint32_t(Mix(c.blue, 255, a)) + 127) / 255);
        p.green = uint8_t((p.green * uint32_t(Mix(c.green, 255, a)) + 127) / 255);
        p.red = uint8_t((p.red * uint32_t(Mix(c.red, 255, a)) + 127) / 255);
        return;
    }
    p.blue = Mix(c.blue, p.blue, a);
    p.green = Mix(c.green, p.green, a);
    p.red = Mix(c.red, p.red, a);
}

void Blend(const Surface& s, const Coverage& c, COLORREF colour, BlendMode mode) {
    const Rect r = IntersectRect(c.Area(), s.Area());
    const RGBX px = PixelFromColor(colour);
    for (int32_t y = r.top; y < r.bottom; ++y) {
        RGBX* row = s.Row(y);
        for (int32_t x = r.left; x < r.right; ++x) {
            const uint16_t bits = c.At(x, y);
            if (bits) BlendPixel(row[x], px, uint32_t(std::popcount(bits) * 255 + 8) / 16, mode);
        }
    }
}

void BlendMask(const Surface& s, const TextMask& m, int32_t x0, int32_t y0, const Rect& clip, COLORREF colour) {
    const Rect r = IntersectRect(IntersectRect(Rect{x0, y0, x0 + m.width, y0 + m.height}, clip), s.Area());
    const RGBX px = PixelFromColor(colour);
    for (int32_t y = r.top; y < r.bottom; ++y) {
        RGBX* row = s.Row(y);
        const uint8_t* cov = m.coverage.data() + size_t(y - y0) * m.width;
        for (int32_t x = r.left; x < r.right; ++x)
            if (const uint8_t a = cov[x - x0]) BlendPixel(row[x], px, a, BlendMode::Normal);
    }
}

void FillRect(const Surface& s, const Rect& r0, RGBX colour) {
    const Rect r = IntersectRect(r0, s.Area());
    for (int32_t y = r.top; y < r.bottom; ++y) std::fill(s.Row(y) + r.left, s.Row(y) + r.right, colour);
}

std::vector<P8> EllipsePolygon(int64_t cx, int64_t cy, int64_t rx, int64_t ry) {
    // The rational parametrisation ((1 - t²) / (1 + t²), 2t / (1 + t²)) for t = k / K gives a
    // quarter arc without trigonometry (whose last bits differ between runtime libraries).
    constexpr int K = 16;
    std::vector<P8> q;
    for (int k = 0; k <= K; ++k) {
        const double t = double(k) / K, d = 1 + t * t;
        q.push_back(P8{int64_t(std::llround(rx * (1 - t * t) / d)), int64_t(std::llround(ry * 2 * t / d))});
    }
    std::vector<P8> pts;
    for (int k = 0; k < K; ++k) pts.push_back(P8{cx + q[k].x, cy + q[k].y});
    for (int k = K; k > 0; --k) pts.push_back(P8{cx - q[k].x, cy + q[k].y});
    for (int k = 0; k < K; ++k) pts.push_back(P8{cx - q[k].x, cy - q[k].y});
    for (int k = K; k > 0; --k) pts.push_back(P8{cx + q[k].x, cy - q[k].y});
    return pts;
}

}  // namespace kv::markup::detail
