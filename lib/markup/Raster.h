#pragma once
// Internal to lib/markup: a coverage mask of 4 × 4 samples per pixel (one bit each) over a
// rectangle, the shapes that set its samples, and the blends that put a colour through it.
// Coordinates are in eighths of a pixel: pixel x spans [8x, 8x + 8), its samples sit at
// 8x + 1, 3, 5, 7, and a point at pixel centre p is 8p + 4.
#include <cstdint>
#include <vector>

#include "markup/MarkDraw.h"

namespace kv::markup::detail {

struct P8 {
    int64_t x = 0, y = 0;
};
inline P8 Centre8(Point p) { return P8{8 * int64_t(p.x) + 4, 8 * int64_t(p.y) + 4}; }

struct Dash {
    int64_t on = 0, off = 0;  // eighths; on == 0: solid
    bool Solid() const { return on <= 0; }
};

class Coverage {
public:
    explicit Coverage(const Rect& area);
    const Rect& Area() const { return m_area; }
    bool Empty() const { return m_area.IsEmpty(); }
    uint16_t& At(int32_t x, int32_t y) { return m_bits[size_t(y - m_area.top) * m_area.Width() + (x - m_area.left)]; }
    uint16_t At(int32_t x, int32_t y) const {
        return m_bits[size_t(y - m_area.top) * m_area.Width() + (x - m_area.left)];
    }

    //! Samples within halfWidth of the segment (round ends); a dashed segment starts at dash
    //! position `along` (eighths from the path's start) and only sets samples of its on-parts.
    void Segment(P8 a, P8 b, double halfWidth, const Dash& dash, double along);
    //! A polyline; closed joins the last point to the first.
    void Path(const std::vector<P8>& pts, double halfWidth, const Dash& dash, bool closed);
    void Triangle(P8 a, P8 b, P8 c);
    //! Samples inside the box (pixel edges), less those inside `hole` (empty: none).
    void Box(const Rect& box, const Rect& hole);
    //! Samples inside the ellipse inscribed in box, less those inside the one inscribed in hole.
    void Ellipse(const Rect& box, const Rect& hole);

private:
    Rect m_area;
    std::vector<uint16_t> m_bits;
};

enum class BlendMode { Normal, Multiply };
//! Every pixel of the mask's area with coverage: colour blended by coverage (16 samples = 255).
void Blend(const Surface& s, const Coverage& c, COLORREF colour, BlendMode mode);
//! An 8-bit mask placed at (x0, y0) blended within clip.
void BlendMask(const Surface& s, const TextMask& m, int32_t x0, int32_t y0, const Rect& clip, COLORREF colour);
void FillRect(const Surface& s, const Rect& r, RGBX colour);

//! The points around an ellipse inscribed in box (eighths), for dashed outlines; integer and
//! square-root arithmetic only, so every build gives the same points.
std::vector<P8> EllipsePolygon(int64_t cx, int64_t cy, int64_t rx, int64_t ry);

}  // namespace kv::markup::detail
