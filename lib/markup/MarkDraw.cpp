// Each tool's drawing: its coverage over Bounds(mark) ∩ clip, then one blend. Strokes are the
// union of their segments' samples (no double blending where segments of one stroke overlap,
// which matters for the multiplying highlighter); text and step digits come as masks from the
// text interface.
#include "markup/MarkDraw.h"

#include <algorithm>
#include <cmath>

#include "markup/Raster.h"

namespace kv::markup {

using namespace detail;

static Dash DashOf(const Mark& m, int32_t w) {
    if (!m.style.dashed) return Dash{};
    return Dash{8 * int64_t(DashLength(w)), 8 * int64_t(GapLength(w))};
}

// An arrow head with its tip at `tip`, pointing away from `from`: the triangle's three points,
// and the shaft's end (the base's middle). A head longer than the arrow is shortened to it.
static void ArrowHead(P8 from, P8 tip, int32_t width, P8 out[3], P8& base) {
    const double dx = double(tip.x - from.x), dy = double(tip.y - from.y), len = std::sqrt(dx * dx + dy * dy);
    if (len <= 0) {
        out[0] = out[1] = out[2] = base = tip;
        return;
    }
    const double head = std::min(8.0 * ArrowHeadLength(width), len), half = head * 0.45;
    const double ux = dx / len, uy = dy / len;
    const double bx = double(tip.x) - ux * head, by = double(tip.y) - uy * head;
    out[0] = tip;
    out[1] = P8{std::llround(bx - uy * half), std::llround(by + ux * half)};
    out[2] = P8{std::llround(bx + uy * half), std::llround(by - ux * half)};
    // The shaft stops inside the head, so its round end never shows beside the tip.
    base = P8{std::llround(bx + ux * std::min(head / 2, 4.0 * width)), std::llround(by + uy * std::min(head / 2, 4.0 * width))};
}

static void DrawPath(const Surface& s, const Mark& m, const Rect& area) {
    if (m.points.empty()) return;
    const int32_t w = std::max(1, m.style.width);
    Coverage c(area);
    const double hw = 4.0 * w;
    if (m.kind == MarkKind::Pen || m.kind == MarkKind::Highlighter) {
        std::vector<P8> pts;
        for (const Point& p : m.points) pts.push_back(Centre8(p));
        c.Path(pts, hw, m.kind == MarkKind::Pen ? DashOf(m, w) : Dash{}, false);
        Blend(s, c, m.style.colour, m.kind == MarkKind::Highlighter ? BlendMode::Multiply : BlendMode::Normal);
        return;
    }
    P8 a = Centre8(m.points.front()), b = Centre8(m.points.back());
    if (m.kind == MarkKind::Arrow) {
        P8 head[3], end;
        ArrowHead(a, b, w, head, end);
        c.Triangle(head[0], head[1], head[2]);
        if (m.style.twoHeads) {
            P8 head2[3], start;
            ArrowHead(b, a, w, head2, start);
            c.Triangle(head2[0], head2[1], head2[2]);
            a = start;
        }
        b = end;
    }
    c.Segment(a, b, hw, DashOf(m, w), 0);
    Blend(s, c, m.style.colour, BlendMode::Normal);
}

static void DrawShape(const Surface& s, const Mark& m, const Rect& area) {
    const Rect box = Frame(m);
    const int32_t w = std::max(1, m.style.width);
    Coverage c(area);
    const bool ellipse = m.kind == MarkKind::Ellipse;
    if (m.style.filled) {
        ellipse ? c.Ellipse(box, Rect{}) : c.Box(box, Rect{});
    } else if (m.style.dashed) {
        // The outline's centre line, inset by half the width, so the stroke stays in the box.
        const int64_t l = 8 * int64_t(box.left) + 4 * w, t = 8 * int64_t(box.top) + 4 * w;
        const int64_t r = 8 * int64_t(box.right) - 4 * w, b = 8 * int64_t(box.bottom) - 4 * w;
        std::vector<P8> pts;
        if (ellipse)
            pts = EllipsePolygon((l + r) / 2, (t + b) / 2, std::max<int64_t>(0, (r - l) / 2), std::max<int64_t>(0, (b - t) / 2));
        else
            pts = {P8{l, t}, P8{r, t}, P8{r, b}, P8{l, b}};
        // Ends are held to the box: a round cap of the centre line may not reach past it.
        Coverage line(area);
        line.Path(pts, 4.0 * w, DashOf(m, w), true);
        const Rect r2 = IntersectRect(area, box);
        for (int32_t y = r2.top; y < r2.bottom; ++y)
            for (int32_t x = r2.left; x < r2.right; ++x) c.At(x, y) = line.At(x, y);
    } else {
        const Rect hole = InflateRect(box, -w);
        ellipse ? c.Ellipse(box, hole) : c.Box(box, hole);
    }
    Blend(s, c, m.style.colour, BlendMode::Normal);
}

static int32_t TextPad(const Mark& m) { return m.style.background ? 4 : m.style.outline ? 1 : 0; }

CSize TextBoxSize(const Mark& m, const ITextRasterizer* text) {
    if (!text) return CSize(1, 1);
    const TextMask t = text->Render(m.text, m.style.fontFace, std::max(1, m.style.fontSize));
    const int32_t pad = TextPad(m);
    return CSize(std::max(1, t.width + 2 * pad), std::max(1, t.height + 2 * pad));
}

// The mask grown by one pixel in every direction (the outline behind the glyphs).
static TextMask Dilated(const TextMask& t) {
    TextMask d{t.width + 2, t.height + 2, {}};
    d.coverage.assign(size_t(d.width) * d.height, 0);
    for (int32_t y = 0; y < t.height; ++y)
        for (int32_t x = 0; x < t.width; ++x)
            if (const uint8_t a = t.coverage[size_t(y) * t.width + x])
                for (int32_t oy = 0; oy < 3; ++oy)
                    for (int32_t ox = 0; ox < 3; ++ox) {
                        uint8_t& o = d.coverage[size_t(y + oy) * d.width + x + ox];
                        o = std::max(o, a);
                    }
    return d;
}

static void DrawText(const Surface& s, const Mark& m, const Rect& area, const ITextRasterizer* text) {
    const Rect box = Frame(m);
    if (m.style.background) FillRect(s, area, PixelFromColor(m.style.secondColour));
    if (!text) return;
    const TextMask t = text->Render(m.text, m.style.fontFace, std::max(1, m.style.fontSize));
    const int32_t pad = TextPad(m);
    if (m.style.outline) BlendMask(s, Dilated(t), box.left + pad - 1, box.top + pad - 1, area, m.style.secondColour);
    BlendMask(s, t, box.left + pad, box.top + pad, area, m.style.colour);
}

static void DrawStep(const Surface& s, const Mark& m, const Rect& area, int32_t number, const ITextRasterizer* text) {
    const Rect box = Frame(m);
    Coverage c(area);
    c.Ellipse(box, Rect{});
    Blend(s, c, m.style.colour, BlendMode::Normal);
    if (!text) return;
    const TextMask t = text->Render(std::to_wstring(number), m.style.fontFace, std::max(1, box.Height() * 3 / 5));
    const int32_t x0 = box.left + (box.Width() - t.width) / 2, y0 = box.top + (box.Height() - t.height) / 2;
    BlendMask(s, t, x0, y0, area, m.style.secondColour);
}

void DrawMark(const Surface& s, const Mark& m, const Rect& clip, int32_t stepNumber, const ITextRasterizer* text) {
    const Rect area = IntersectRect(IntersectRect(Bounds(m), clip), s.Area());
    if (area.IsEmpty() || IsRedaction(m.kind)) return;
    switch (m.kind) {
        case MarkKind::Arrow:
        case MarkKind::Line:
        case MarkKind::Pen:
        case MarkKind::Highlighter: return DrawPath(s, m, area);
        case MarkKind::Rectangle:
        case MarkKind::Ellipse: return DrawShape(s, m, area);
        case MarkKind::Text: return DrawText(s, m, area, text);
        case MarkKind::Step: return DrawStep(s, m, area, stepNumber, text);
        default: return;
    }
}

static uint32_t Hash(uint32_t seed, int32_t bx, int32_t by, uint32_t channel) {
    uint32_t h = seed * 0x9E3779B9u ^ uint32_t(bx) * 0x85EBCA6Bu ^ uint32_t(by) * 0xC2B2AE35u ^ channel * 0x27D4EB2Fu;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

// The block colour from the ring around the area: between the ring's pixels above and below the
// block's centre, weighted by distance, and likewise left and right; the mean of the sides found.
static bool RingColour(const Rect& a, int32_t cx, int32_t cy, RingReader ring, const void* ctx, RGBX& out) {
    RGBX top, bottom, left, right;
    const bool hasT = ring(ctx, cx, a.top - 1, top), hasB = ring(ctx, cx, a.bottom, bottom);
    const bool hasL = ring(ctx, a.left - 1, cy, left), hasR = ring(ctx, a.right, cy, right);
    uint32_t sum[3] = {0, 0, 0}, n = 0;
    auto add = [&](RGBX p, RGBX q, bool hp, bool hq, uint32_t dp, uint32_t dq) {
        if (!hp && !hq) return;
        if (hp && !hq) q = p;
        if (hq && !hp) p = q;
        const uint32_t d = dp + dq;  // the nearer side weighs more
        sum[0] += (p.blue * dq + q.blue * dp + d / 2) / d;
        sum[1] += (p.green * dq + q.green * dp + d / 2) / d;
        sum[2] += (p.red * dq + q.red * dp + d / 2) / d;
        ++n;
    };
    add(top, bottom, hasT, hasB, uint32_t(cy - a.top + 1), uint32_t(a.bottom - cy));
    add(left, right, hasL, hasR, uint32_t(cx - a.left + 1), uint32_t(a.right - cx));
    if (!n) return false;
    out = RGBX{uint8_t((sum[0] + n / 2) / n), uint8_t((sum[1] + n / 2) / n), uint8_t((sum[2] + n / 2) / n), 0};
    return true;
}

void ApplyRedaction(const Surface& s, const Mark& m, const Rect& clip, RingReader ring, const void* ctx) {
    const Rect a = Frame(m);
    const Rect area = IntersectRect(IntersectRect(a, clip), s.Area());
    if (area.IsEmpty()) return;
    if (m.kind == MarkKind::Redact) return FillRect(s, area, PixelFromColor(m.style.colour));
    if (m.kind != MarkKind::Pixelate) return;
    const int32_t bs = std::max(1, m.style.width);
    // Blocks are counted from the area's corner; only those meeting the clip are built.
    const int32_t bx0 = (area.left - a.left) / bs, bx1 = (area.right - 1 - a.left) / bs;
    const int32_t by0 = (area.top - a.top) / bs, by1 = (area.bottom - 1 - a.top) / bs;
    for (int32_t by = by0; by <= by1; ++by)
        for (int32_t bx = bx0; bx <= bx1; ++bx) {
            const Rect block{a.left + bx * bs, a.top + by * bs, std::min(a.right, a.left + (bx + 1) * bs),
                             std::min(a.bottom, a.top + (by + 1) * bs)};
            const int32_t cx = block.left + (block.Width() - 1) / 2, cy = block.top + (block.Height() - 1) / 2;
            RGBX c;
            if (m.style.noise || !RingColour(a, cx, cy, ring, ctx, c))
                c = RGBX{uint8_t(Hash(m.style.seed, bx, by, 0)), uint8_t(Hash(m.style.seed, bx, by, 1)),
                         uint8_t(Hash(m.style.seed, bx, by, 2)), 0};
            FillRect(s, IntersectRect(block, area), c);
        }
}

}  // namespace kv::markup
