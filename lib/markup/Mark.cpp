// Geometry of marks: frames, bounds, hit tests, handles, move and resize. Integer arithmetic
// throughout, except the point-to-segment distance of the hit test (doubles, used for decisions
// only, never for pixels).
#include "markup/Mark.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kv::markup {

bool operator==(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

Rect UnionRect(const Rect& a, const Rect& b) {
    if (a.IsEmpty()) return b.IsEmpty() ? Rect{} : b;
    if (b.IsEmpty()) return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

Rect IntersectRect(const Rect& a, const Rect& b) {
    const Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                 std::min(a.bottom, b.bottom)};
    return r.IsEmpty() ? Rect{} : r;
}

Rect InflateRect(const Rect& r, int32_t by) { return Rect{r.left - by, r.top - by, r.right + by, r.bottom + by}; }

bool Contains(const Rect& r, Point p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

static Rect Normalised(Rect r) {
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
    return r;
}

Rect Frame(const Mark& m) {
    if (!IsPathKind(m.kind)) return Normalised(m.box);
    if (m.points.empty()) return Rect{};
    Rect r{m.points[0].x, m.points[0].y, m.points[0].x + 1, m.points[0].y + 1};
    for (const Point& p : m.points) r = UnionRect(r, Rect{p.x, p.y, p.x + 1, p.y + 1});
    return r;
}

Rect Bounds(const Mark& m) {
    const Rect f = Frame(m);
    if (!IsPathKind(m.kind) || f.IsEmpty()) return f;
    const int32_t w = std::max(1, m.style.width);
    int32_t reach = (w + 1) / 2;
    if (m.kind == MarkKind::Arrow) reach = std::max(reach, ArrowHeadLength(w) / 2 + 1);
    return InflateRect(f, reach + 1);
}

// Distance from the centre of pixel p to a segment between pixel centres.
static double SegmentDistance(Point p, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y, px = p.x - a.x, py = p.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? (px * dx + py * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = px - t * dx, ey = py - t * dy;
    return std::sqrt(ex * ex + ey * ey);
}

bool HitTest(const Mark& m, Point p, int32_t tolerance) {
    const Rect f = Frame(m);
    if (f.IsEmpty()) return false;
    if (IsPathKind(m.kind)) {
        const double reach = std::max(1, m.style.width) / 2.0 + tolerance;
        if (m.points.size() == 1) return SegmentDistance(p, m.points[0], m.points[0]) <= reach;
        if (m.kind == MarkKind::Arrow || m.kind == MarkKind::Line)
            return SegmentDistance(p, m.points.front(), m.points.back()) <= reach;
        for (size_t i = 1; i < m.points.size(); ++i)
            if (SegmentDistance(p, m.points[i - 1], m.points[i]) <= reach) return true;
        return false;
    }
    const bool hollow = !m.style.filled && (m.kind == MarkKind::Rectangle || m.kind == MarkKind::Ellipse);
    if (!hollow) {
        if (m.kind == MarkKind::Ellipse || m.kind == MarkKind::Step) {
            // Inside the inscribed ellipse, in doubled coordinates (pixel centres are odd).
            const double cx = f.left + f.right, cy = f.top + f.bottom, rx = f.Width(), ry = f.Height();
            const double dx = (2.0 * p.x + 1 - cx) / rx, dy = (2.0 * p.y + 1 - cy) / ry;
            return dx * dx + dy * dy <= 1.0;
        }
        return Contains(f, p);
    }
    const int32_t band = std::max(1, m.style.width) + tolerance;
    if (m.kind == MarkKind::Rectangle) {
        if (!Contains(InflateRect(f, tolerance), p)) return false;
        const Rect inner = InflateRect(f, -band);
        return inner.IsEmpty() || !Contains(inner, p);
    }
    const double cx = f.left + f.right, cy = f.top + f.bottom;
    auto inside = [&](double grow) {
        const double rx = f.Width() + 2.0 * grow, ry = f.Height() + 2.0 * grow;
        if (rx <= 0 || ry <= 0) return false;
        const double dx = (2.0 * p.x + 1 - cx) / rx, dy = (2.0 * p.y + 1 - cy) / ry;
        return dx * dx + dy * dy <= 1.0;
    };
    return inside(tolerance) && !inside(-band);
}

Point HandlePoint(const Rect& f, Handle h) {
    const int32_t l = f.left, t = f.top, r = f.right - 1, b = f.bottom - 1;
    const int32_t cx = l + (r - l) / 2, cy = t + (b - t) / 2;
    switch (h) {
        case Handle::TopLeft: return {l, t};
        case Handle::Top: return {cx, t};
        case Handle::TopRight: return {r, t};
        case Handle::Right: return {r, cy};
        case Handle::BottomRight: return {r, b};
        case Handle::Bottom: return {cx, b};
        case Handle::BottomLeft: return {l, b};
        case Handle::Left: return {l, cy};
        default: return {cx, cy};
    }
}

Handle HitHandle(const Mark& m, Point p, int32_t tolerance) {
    const Rect f = Frame(m);
    if (f.IsEmpty()) return Handle::None;
    for (int h = int(Handle::TopLeft); h <= int(Handle::Left); ++h) {
        const Point q = HandlePoint(f, Handle(h));
        if (std::abs(q.x - p.x) <= tolerance && std::abs(q.y - p.y) <= tolerance) return Handle(h);
    }
    return HitTest(m, p, tolerance) ? Handle::Body : Handle::None;
}

Mark Moved(const Mark& m, int32_t dx, int32_t dy) {
    Mark r = m;
    for (Point& p : r.points) p = Point{p.x + dx, p.y + dy};
    r.box = Rect{m.box.left + dx, m.box.top + dy, m.box.right + dx, m.box.bottom + dy};
    return r;
}

// Maps v from [a0, a1] onto [b0, b1] (inclusive pixel ranges; either may be reversed), rounding
// half away from the start. A range of one pixel (a horizontal line's rows) follows the handle.
static int32_t MapRange(int32_t v, int32_t a0, int32_t a1, int32_t b0, int32_t b1) {
    if (a0 == a1) return b0 != a0 ? b0 : b1;
    const int64_t num = int64_t(v - a0) * (b1 - b0), den = a1 - a0;
    const int64_t q = (2 * num + (num >= 0 ? den : -den)) / (2 * den);
    return int32_t(b0 + q);
}

Mark Resized(const Mark& m, Handle h, Point p) {
    if (h == Handle::None || h == Handle::Body) return m;
    const Rect f = Frame(m);
    if (f.IsEmpty()) return m;
    const bool left = h == Handle::TopLeft || h == Handle::Left || h == Handle::BottomLeft;
    const bool right = h == Handle::TopRight || h == Handle::Right || h == Handle::BottomRight;
    const bool top = h == Handle::TopLeft || h == Handle::Top || h == Handle::TopRight;
    const bool bottom = h == Handle::BottomLeft || h == Handle::Bottom || h == Handle::BottomRight;
    Mark r = m;
    if (IsPathKind(m.kind)) {
        // Inclusive pixel ranges of the points; the dragged side goes to p.
        int32_t x0 = f.left, x1 = f.right - 1, y0 = f.top, y1 = f.bottom - 1;
        const int32_t nx0 = left ? p.x : x0, nx1 = right ? p.x : x1, ny0 = top ? p.y : y0, ny1 = bottom ? p.y : y1;
        for (Point& q : r.points)
            q = Point{MapRange(q.x, x0, x1, nx0, nx1), MapRange(q.y, y0, y1, ny0, ny1)};
        return r;
    }
    // Box sides as pixel columns/rows: the opposite side's pixel stays, the dragged side's pixel
    // goes to p; past the opposite side the box mirrors, and it keeps at least one pixel.
    Rect b = f;
    auto span = [](int32_t fixed, int32_t moving, int32_t& lo, int32_t& hi) {
        lo = std::min(fixed, moving);
        hi = std::max(fixed, moving) + 1;
    };
    if (left) span(f.right - 1, p.x, b.left, b.right);
    if (right) span(f.left, p.x, b.left, b.right);
    if (top) span(f.bottom - 1, p.y, b.top, b.bottom);
    if (bottom) span(f.top, p.y, b.top, b.bottom);
    r.box = b;
    if (m.kind == MarkKind::Text && (top || bottom) && f.Height() > 0) {
        const int64_t size = int64_t(m.style.fontSize) * b.Height() / f.Height();
        r.style.fontSize = int32_t(std::clamp<int64_t>(size, 1, 1000));
    }
    return r;
}

Point Snap45(Point from, Point to) {
    const int32_t dx = to.x - from.x, dy = to.y - from.y;
    const int32_t ax = std::abs(dx), ay = std::abs(dy);
    // tan 22.5° ≈ 0.41421: below it the line is horizontal (or vertical), else diagonal.
    if (int64_t(ay) * 100000 <= int64_t(ax) * 41421) return Point{to.x, from.y};
    if (int64_t(ax) * 100000 <= int64_t(ay) * 41421) return Point{from.x, to.y};
    const int32_t d = std::max(ax, ay);
    return Point{from.x + (dx < 0 ? -d : d), from.y + (dy < 0 ? -d : d)};
}

}  // namespace kv::markup
