#pragma once
// The marks drawn over a capture: value types with their geometry (bounds, hit test, handles,
// move and resize). lib/markup is a layer of its own between lib/imaging (whose pixel types it
// uses) and the program (whose editor window uses it): marks are not image processors, they stay
// editable objects until the editor closes, and the window needs them without GDI.
//
// One value struct for every tool rather than a class hierarchy or a variant: every tool is a
// geometry (a box or a path) plus a style, the editor restyles a mixed selection through the
// same fields, and undo copies and compares marks as plain values (no heap object per shape).
#include <cstdint>
#include <string>
#include <vector>

#include "Export.h"
#include "imaging/Geometry.h"
#include "imaging/PixelTypes.h"

namespace kv::markup {

struct Point {
    int32_t x = 0, y = 0;
    friend bool operator==(Point, Point) = default;
};

enum class MarkKind : uint8_t {
    Arrow,        // path: first → last point, heads at the end (and the start with two heads)
    Line,         // path: first → last point
    Rectangle,    // box
    Ellipse,      // box (inscribed)
    Pen,          // path: polyline
    Highlighter,  // path: polyline, multiplied into the picture
    Text,         // box: top-left is the anchor, the size follows the text and font
    Step,         // box: a filled circle with its number
    Redact,       // box: one solid colour, applied to the pixels before the other marks
    Pixelate,     // box: blocks from the pixels around the area or from seeded noise
};

//! Path marks keep points (pixel centres); box marks keep a box (pixel edges, right/bottom exclusive).
constexpr bool IsPathKind(MarkKind k) {
    return k == MarkKind::Arrow || k == MarkKind::Line || k == MarkKind::Pen || k == MarkKind::Highlighter;
}
//! Redact and pixelate: applied to the picture's pixels before any other mark is drawn.
constexpr bool IsRedaction(MarkKind k) { return k == MarkKind::Redact || k == MarkKind::Pixelate; }

struct MarkStyle {
    COLORREF colour = 0x0000FF;        // stroke, fill, text, highlighter, step circle, redact fill
    COLORREF secondColour = 0xFFFFFF;  // text outline/box, step digits, pixelate fallback
    int32_t width = 3;                 // stroke width in pixels (≥ 1); pixelate: block size
    bool dashed = false;               // arrow, line, rectangle, ellipse, pen
    bool filled = false;               // rectangle, ellipse
    bool twoHeads = false;             // arrow
    bool outline = false;              // text: a 1-pixel outline in secondColour
    bool background = false;           // text: a box in secondColour behind it
    bool noise = false;                // pixelate: seeded noise instead of the surrounding pixels
    uint32_t seed = 1;                 // pixelate noise
    std::wstring fontFace = L"Arial";  // text and step digits
    int32_t fontSize = 20;             // text, in pixels
    friend bool operator==(const MarkStyle&, const MarkStyle&) = default;
};

struct Mark {
    uint32_t id = 0;  // given by the document; kept through undo and redo
    MarkKind kind = MarkKind::Rectangle;
    std::vector<Point> points;  // path kinds
    Rect box;                   // box kinds
    std::wstring text;          // text: lines separated by '\n'
    MarkStyle style;
    friend bool operator==(const Mark& a, const Mark& b) {
        return a.id == b.id && a.kind == b.kind && a.points == b.points && a.box.left == b.box.left &&
               a.box.top == b.box.top && a.box.right == b.box.right && a.box.bottom == b.box.bottom &&
               a.text == b.text && a.style == b.style;
    }
};

// The eight resize handles around a mark's frame, and the body (move).
enum class Handle : uint8_t { None, TopLeft, Top, TopRight, Right, BottomRight, Bottom, BottomLeft, Left, Body };

KV_API bool operator==(const Rect& a, const Rect& b);
KV_API Rect UnionRect(const Rect& a, const Rect& b);      //!< an empty side is ignored
KV_API Rect IntersectRect(const Rect& a, const Rect& b);  //!< empty (all 0) when they do not meet
KV_API Rect InflateRect(const Rect& r, int32_t by);
KV_API bool Contains(const Rect& r, Point p);

//! The rectangle the handles sit on: the box, or the pixels holding a path's points.
KV_API Rect Frame(const Mark& m);
//! Every pixel the mark can draw lies inside (stroke, arrow heads, anti-aliased edges included).
KV_API Rect Bounds(const Mark& m);
//! True when the pixel p is on the mark: on a stroke within tolerance pixels, inside a filled or
//! box-like mark; a hollow rectangle or ellipse only near its outline.
KV_API bool HitTest(const Mark& m, Point p, int32_t tolerance);
//! The handle point (a pixel) of a frame; Body and None give the centre.
KV_API Point HandlePoint(const Rect& frame, Handle h);
//! The handle whose point lies within tolerance of p (handles before Body), else Body when the
//! mark is hit, else None.
KV_API Handle HitHandle(const Mark& m, Point p, int32_t tolerance);

//! The mark moved by (dx, dy).
KV_API Mark Moved(const Mark& m, int32_t dx, int32_t dy);
//! The mark with the given handle dragged to p (the opposite side stays; dragging past it
//! mirrors a path and normalises a box, never below 1 pixel). Text scales its font size with the
//! height (the document lays its box out again).
KV_API Mark Resized(const Mark& m, Handle h, Point p);
//! Shift while drawing a line: `to` moved onto the nearest multiple of 45° around `from`.
KV_API Point Snap45(Point from, Point to);

// Drawing constants the pixels depend on (tests check against them).
//! An arrow head's length in pixels for a stroke width (its half width at the base is 45 %).
constexpr int32_t ArrowHeadLength(int32_t width) { return 6 + 3 * width; }
//! Dash and gap lengths along a dashed stroke.
constexpr int32_t DashLength(int32_t width) { return width < 2 ? 4 : 3 * width; }
constexpr int32_t GapLength(int32_t width) { return width < 2 ? 3 : 2 * width; }

}  // namespace kv::markup
