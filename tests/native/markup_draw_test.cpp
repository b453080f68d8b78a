// Drawing marks: for every tool nothing outside its bounds changes and the middle of its stroke
// or fill has exactly its colour; exact results for thin lines, boxes, edges (against a plain
// sample count), the highlighter's multiply, text, steps, redact and pixelate; a clipped draw
// equals the full one inside the clip.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "MarkupTestUtil.h"

using namespace kvtest;
using kv::Rect;

namespace {

const PlainTextRasterizer kText;

// The picture with one mark composed over it (redactions through the same path as in use).
Pic ComposeOne(const Pic& base, const Mark& m, const Rect& clip) {
    MarkState st;
    st.crop = Rect{0, 0, base.w, base.h};
    st.marks = {m};
    Pic out = base;
    Compose(base.S(), st, out.S(), clip, &kText);
    return out;
}
Pic ComposeOne(const Pic& base, const Mark& m) { return ComposeOne(base, m, Rect{0, 0, base.w, base.h}); }

struct ToolRow {
    const char* name;
    Mark mark;
    Point centre;      // a pixel fully inside the stroke or fill
    COLORREF colour;   // what that pixel must be (over white for the highlighter)
    Point untouched;   // a pixel inside the bounds the mark must leave alone (-1: none)
};

std::vector<ToolRow> ToolRows() {
    std::vector<ToolRow> rows;
    auto dashed = [](Mark m) { m.style.dashed = true; return m; };
    Mark twoHeads = dashed(PathMark(MarkKind::Arrow, {{10, 30}, {60, 30}}, 1, 0x00AA00));
    twoHeads.style.twoHeads = true;
    Mark textBox = TextMark({10, 10, 10, 10}, L"AB\nC", 10, 0x102030);
    textBox.style.background = true;
    textBox.style.secondColour = 0xEEDDCC;
    const CSize ts = TextBoxSize(textBox, &kText);
    textBox.box = Rect{10, 10, 10 + ts.cx, 10 + ts.cy};
    Mark step = BoxMark(MarkKind::Step, {10, 10, 40, 40}, 0x2020C0);
    Mark pix = BoxMark(MarkKind::Pixelate, {20, 15, 45, 40}, 0, false, 6);
    Mark noise = pix;
    noise.style.noise = true;
    rows.push_back({"arrow", PathMark(MarkKind::Arrow, {{10, 30}, {60, 30}}, 3, 0x0000FF), {30, 30}, 0x0000FF, {30, 27}});
    rows.push_back({"arrow head", PathMark(MarkKind::Arrow, {{10, 30}, {60, 30}}, 1, 0x0000FF), {56, 30}, 0x0000FF, {30, 28}});
    rows.push_back({"arrow dashed two heads", twoHeads, {14, 30}, 0x00AA00, {30, 26}});
    rows.push_back({"line w1", PathMark(MarkKind::Line, {{5, 5}, {70, 5}}, 1, 0x123456), {30, 5}, 0x123456, {30, 4}});
    rows.push_back({"line diagonal w5", PathMark(MarkKind::Line, {{5, 5}, {55, 55}}, 5, 0x654321), {30, 30}, 0x654321, {40, 30}});
    rows.push_back({"line dashed w2", dashed(PathMark(MarkKind::Line, {{5, 20}, {70, 20}}, 2, 0x00FF00)), {7, 20}, 0x00FF00, {12, 20}});
    rows.push_back({"rectangle hollow", BoxMark(MarkKind::Rectangle, {10, 10, 50, 40}, 0xFF0000), {11, 25}, 0xFF0000, {30, 25}});
    rows.push_back({"rectangle filled", BoxMark(MarkKind::Rectangle, {10, 10, 50, 40}, 0xFF0000, true), {30, 25}, 0xFF0000, {-1, -1}});
    rows.push_back({"rectangle dashed", dashed(BoxMark(MarkKind::Rectangle, {10, 10, 50, 40}, 0x00FFFF)), {12, 11}, 0x00FFFF, {30, 25}});
    rows.push_back({"ellipse hollow", BoxMark(MarkKind::Ellipse, {10, 10, 50, 40}, 0xFF00FF), {11, 25}, 0xFF00FF, {30, 25}});
    rows.push_back({"ellipse filled", BoxMark(MarkKind::Ellipse, {10, 10, 50, 40}, 0xFF00FF, true), {30, 25}, 0xFF00FF, {11, 11}});
    rows.push_back({"ellipse dashed", dashed(BoxMark(MarkKind::Ellipse, {10, 10, 50, 40}, 0x808000)), {48, 25}, 0x808000, {30, 25}});
    rows.push_back({"pen", PathMark(MarkKind::Pen, {{10, 10}, {30, 40}, {60, 20}}, 4, 0x112233), {30, 40}, 0x112233, {30, 20}});
    rows.push_back({"pen dashed", dashed(PathMark(MarkKind::Pen, {{10, 10}, {60, 10}, {60, 40}}, 2, 0x332211)), {12, 10}, 0x332211, {30, 30}});
    rows.push_back({"highlighter", PathMark(MarkKind::Highlighter, {{10, 30}, {60, 30}}, 10, 0x00FFFF), {30, 30}, 0x00FFFF, {30, 20}});
    rows.push_back({"text with box", textBox, {15, 15}, 0x102030, {-1, -1}});
    rows.push_back({"step", step, {13, 25}, 0x2020C0, {10, 10}});
    rows.push_back({"redact", BoxMark(MarkKind::Redact, {20, 15, 45, 40}, 0x000000), {30, 30}, 0x000000, {-1, -1}});
    rows.push_back({"pixelate", pix, {-1, -1}, 0, {-1, -1}});
    rows.push_back({"pixelate noise", noise, {-1, -1}, 0, {-1, -1}});
    return rows;
}

}  // namespace

TEST(MarkupDraw, EveryToolStaysInItsBoundsAndHasItsColour) {
    for (const ToolRow& r : ToolRows()) {
        SCOPED_TRACE(r.name);
        const Mark& m = r.mark;
        for (uint32_t seed : {1u, 2u}) {
            const Pic base = RandomPic(80, 60, seed);
            const Pic out = ComposeOne(base, m);
            EXPECT_TRUE(SameOutside(base, out, Bounds(m)));
            EXPECT_FALSE(SamePic(base, out));  // it drew something
            if (r.untouched.x >= 0) {
                EXPECT_TRUE(SamePx(base.at(r.untouched.x, r.untouched.y), out.at(r.untouched.x, r.untouched.y)))
                    << PxText(out.at(r.untouched.x, r.untouched.y));
            }
        }
        if (r.centre.x < 0) continue;
        // Over white, so that the multiplying highlighter shows its own colour too.
        const Pic white(80, 60, RGBX{255, 255, 255, 0});
        const RGBX got = ComposeOne(white, m).at(r.centre.x, r.centre.y);
        EXPECT_TRUE(SamePx(Px(r.colour), got)) << PxText(got);
    }
}

TEST(MarkupDraw, ClippedDrawEqualsTheFullDrawInsideTheClip) {
    const Rect clips[] = {{0, 0, 80, 60}, {25, 18, 41, 33}, {0, 0, 12, 60}, {59, 0, 80, 60}, {30, 29, 31, 30}, {100, 100, 120, 120}};
    for (const ToolRow& r : ToolRows()) {
        SCOPED_TRACE(r.name);
        const Pic base = RandomPic(80, 60, 7);
        const Pic full = ComposeOne(base, r.mark);
        for (const Rect& clip : clips) {
            SCOPED_TRACE(RectText(clip));
            const Pic part = ComposeOne(base, r.mark, clip);
            Pic want = base;
            for (int32_t y = 0; y < base.h; ++y)
                for (int32_t x = 0; x < base.w; ++x)
                    if (Contains(clip, Point{x, y})) want.at(x, y) = full.at(x, y);
            EXPECT_TRUE(SamePic(want, part));
        }
    }
}

TEST(MarkupDraw, ExactThinLinesAndBoxes) {
    const RGBX white{255, 255, 255, 0}, c = Px(0x102030);
    struct Row {
        const char* name;
        Mark mark;
        // The pixels that must have exactly the colour; every other pixel in `exact` stays white.
        std::function<bool(int, int)> full;
        Rect exact;
    } rows[] = {
        // A 1-pixel line between pixel centres covers its row; its round ends cover the end
        // pixels partly, so the check leaves them out.
        {"horizontal 1 px", PathMark(MarkKind::Line, {{5, 5}, {30, 5}}, 1, 0x102030),
         [](int x, int y) { return y == 5 && x >= 6 && x <= 29; }, {6, 0, 30, 12}},
        {"vertical 1 px", PathMark(MarkKind::Line, {{7, 2}, {7, 20}}, 1, 0x102030),
         [](int x, int y) { return x == 7 && y >= 3 && y <= 19; }, {0, 3, 20, 20}},
        {"horizontal 3 px", PathMark(MarkKind::Line, {{5, 5}, {30, 5}}, 3, 0x102030),
         [](int x, int y) { return y >= 4 && y <= 6 && x >= 7 && x <= 28; }, {7, 0, 29, 12}},
        {"filled box", BoxMark(MarkKind::Rectangle, {3, 4, 17, 9}, 0x102030, true),
         [](int x, int y) { return x >= 3 && x < 17 && y >= 4 && y < 9; }, {0, 0, 40, 30}},
        {"hollow box w2", BoxMark(MarkKind::Rectangle, {3, 4, 17, 19}, 0x102030, false, 2),
         [](int x, int y) { return x >= 3 && x < 17 && y >= 4 && y < 19 && !(x >= 5 && x < 15 && y >= 6 && y < 17); },
         {0, 0, 40, 30}},
        {"redact", BoxMark(MarkKind::Redact, {0, 0, 5, 30}, 0x102030),
         [](int x, int) { return x < 5; }, {0, 0, 40, 30}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const Pic out = ComposeOne(Pic(40, 30, white), r.mark);
        for (int32_t y = r.exact.top; y < r.exact.bottom; ++y)
            for (int32_t x = r.exact.left; x < r.exact.right; ++x)
                ASSERT_TRUE(SamePx(r.full(x, y) ? c : white, out.at(x, y)))
                    << x << "," << y << " " << PxText(out.at(x, y));
    }
}

// Anti-aliased edges against a plain count of the 4 × 4 samples at (x + (2i + 1) / 8) inside
// the shape, blended as round((colour × a + background × (255 − a)) / 255), a = round(n × 255 / 16).
TEST(MarkupDraw, EdgesAreTheSampleCount) {
    auto mix = [](int c, int bg, int n) {
        const int a = (n * 255 + 8) / 16;
        return uint8_t((c * a + bg * (255 - a) + 127) / 255);
    };
    struct Row {
        const char* name;
        Mark mark;
        std::function<bool(double, double)> inside;  // continuous coordinates, pixel (x, y) = [x, x + 1)
    } rows[] = {
        // In eighths of a pixel (integers, exact): centre (18.5, 13.5), radii 15.5 and 8.5.
        {"ellipse", BoxMark(MarkKind::Ellipse, {3, 5, 34, 22}, 0x0000FF, true),
         [](double x, double y) {
             const int64_t X = std::llround(x * 8) - 148, Y = std::llround(y * 8) - 108;
             return X * X * 68 * 68 + Y * Y * 124 * 124 <= int64_t(124 * 68) * (124 * 68);
         }},
        {"circle", BoxMark(MarkKind::Ellipse, {10, 2, 26, 18}, 0x0000FF, true),
         [](double x, double y) {
             const int64_t X = std::llround(x * 8) - 144, Y = std::llround(y * 8) - 80;
             return X * X + Y * Y <= 64 * 64;
         }},
        {"slanted line w3", PathMark(MarkKind::Line, {{4, 4}, {30, 17}}, 3, 0x0000FF),
         [](double x, double y) {
             const double ax = 4.5, ay = 4.5, bx = 30.5, by = 17.5, dx = bx - ax, dy = by - ay;
             double t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy);
             t = t < 0 ? 0 : t > 1 ? 1 : t;
             const double ex = x - ax - t * dx, ey = y - ay - t * dy;
             return ex * ex + ey * ey <= 1.5 * 1.5;
         }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const Pic base = RandomPic(40, 30, 3);
        const Pic out = ComposeOne(base, r.mark);
        int partial = 0;
        for (int32_t y = 0; y < 30; ++y)
            for (int32_t x = 0; x < 40; ++x) {
                int n = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx) n += r.inside(x + (2 * sx + 1) / 8.0, y + (2 * sy + 1) / 8.0);
                partial += n > 0 && n < 16;
                const RGBX b = base.at(x, y);
                const RGBX want = n ? RGBX{mix(0, b.blue, n), mix(0, b.green, n), mix(255, b.red, n), b.reserved} : b;
                ASSERT_TRUE(SamePx(want, out.at(x, y))) << x << "," << y << " n=" << n << " " << PxText(out.at(x, y));
            }
        EXPECT_GT(partial, 10);
    }
}

TEST(MarkupDraw, HighlighterMultiplies) {
    // Text under a yellow highlighter keeps its darkness: each channel is multiplied.
    struct Row {
        RGBX under;
        COLORREF colour;
        RGBX want;
    } rows[] = {
        {{255, 255, 255, 9}, 0x00FFFF, {0, 255, 255, 9}},
        {{0, 0, 0, 0}, 0x00FFFF, {0, 0, 0, 0}},
        {{100, 100, 100, 0}, 0x00FFFF, {0, 100, 100, 0}},
        {{200, 100, 50, 0}, 0x80C0FF, {(200 * 0x80 + 127) / 255, (100 * 0xC0 + 127) / 255, 50, 0}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(PxText(r.under));
        const Pic out = ComposeOne(Pic(40, 20, r.under), PathMark(MarkKind::Highlighter, {{5, 10}, {35, 10}}, 8, r.colour));
        EXPECT_TRUE(SamePx(r.want, out.at(20, 10))) << PxText(out.at(20, 10));
    }
    // One stroke crossing itself multiplies once, not twice.
    const Pic out = ComposeOne(Pic(40, 40, RGBX{200, 200, 200, 0}),
                               PathMark(MarkKind::Highlighter, {{5, 20}, {35, 20}, {20, 5}, {20, 35}}, 6, 0x808080));
    EXPECT_TRUE(SamePx(out.at(10, 20), out.at(20, 20))) << PxText(out.at(20, 20));
}

TEST(MarkupDraw, TextOutlineAndBox) {
    // Size 10: characters are 6 × 10 pixels; "AB" solid blocks from (x0, y0).
    struct Row {
        const char* name;
        bool outline, background;
        int32_t pad;
    } rows[] = {{"plain", false, false, 0}, {"outline", true, false, 1}, {"box", false, true, 4}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Mark m = TextMark({10, 10, 10, 10}, L"AB", 10, 0x000000);
        m.style.outline = r.outline;
        m.style.background = r.background;
        m.style.secondColour = 0x00FF00;
        const CSize s = TextBoxSize(m, &kText);
        EXPECT_EQ(12 + 2 * r.pad, s.cx);
        EXPECT_EQ(10 + 2 * r.pad, s.cy);
        m.box = Rect{10, 10, 10 + s.cx, 10 + s.cy};
        const Pic out = ComposeOne(Pic(60, 40), m);
        const int32_t x0 = 10 + r.pad, y0 = 10 + r.pad;
        for (int32_t y = 0; y < 40; ++y)
            for (int32_t x = 0; x < 60; ++x) {
                const bool glyph = x >= x0 && x < x0 + 12 && y >= y0 && y < y0 + 10;
                const bool ring = r.outline && !glyph && x >= x0 - 1 && x <= x0 + 12 && y >= y0 - 1 && y <= y0 + 10;
                const bool box = r.background && Contains(m.box, Point{x, y});
                const RGBX want = glyph ? Px(0) : ring || box ? Px(0x00FF00) : RGBX{255, 255, 255, 0};
                ASSERT_TRUE(SamePx(want, out.at(x, y))) << x << "," << y << " " << PxText(out.at(x, y));
            }
    }
}

TEST(MarkupDraw, StepShowsItsNumber) {
    // The digits' grid squares read back as the 3 × 5 pattern of the number.
    const Rect box{10, 10, 40, 40};  // digits 18 px high, squares of 3 px, centred
    struct Row {
        int32_t number;
        const char* rows[5];
    } rows[] = {
        {1, {".#.", "##.", ".#.", ".#.", "###"}},
        {4, {"#.#", "#.#", "###", "..#", "..#"}},
        {7, {"###", "..#", "..#", "..#", "..#"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.number);
        Pic out(60, 60);
        Mark m = BoxMark(MarkKind::Step, box, 0x0000FF);
        m.style.secondColour = 0xFFFFFF;
        DrawMark(out.S(), m, out.S().Area(), r.number, &kText);
        const int32_t x0 = 10 + (30 - 10) / 2, y0 = 10 + (30 - 18) / 2;
        for (int gy = 0; gy < 5; ++gy)
            for (int gx = 0; gx < 3; ++gx) {
                const RGBX p = out.at(x0 + gx * 3 + 1, y0 + gy * 3 + 1);
                EXPECT_TRUE(SamePx(r.rows[gy][gx] == '#' ? Px(0xFFFFFF) : Px(0x0000FF), p)) << gx << "," << gy;
            }
    }
}

TEST(MarkupDraw, PixelateBuildsBlocksFromTheRing) {
    // The area spans the picture's width: only the rows above and below exist, and each block is
    // those two pixels weighted by its centre's distance to them.
    Pic base(8, 10, RGBX{1, 2, 3, 4});
    for (int32_t x = 0; x < 8; ++x) {
        base.at(x, 1) = RGBX{10, 20, uint8_t(30 + x), 7};
        base.at(x, 8) = RGBX{50, 60, uint8_t(70 + x), 7};
    }
    const Mark m = BoxMark(MarkKind::Pixelate, {0, 2, 8, 8}, 0, false, 2);
    const Pic out = ComposeOne(base, m);
    for (int32_t by = 0; by < 3; ++by)
        for (int32_t bx = 0; bx < 4; ++bx) {
            SCOPED_TRACE(testing::Message() << bx << "," << by);
            const int32_t cx = bx * 2, cy = 2 + by * 2;  // centre pixel of a 2 × 2 block
            const uint32_t dTop = uint32_t(cy - 1), dBottom = uint32_t(8 - cy), d = dTop + dBottom;
            auto w = [&](uint32_t top, uint32_t bottom) { return uint8_t((top * dBottom + bottom * dTop + d / 2) / d); };
            const RGBX want{w(10, 50), w(20, 60), w(30 + cx, 70 + cx), 0};
            for (int32_t y = cy; y < cy + 2; ++y)
                for (int32_t x = cx; x < cx + 2; ++x) EXPECT_TRUE(SamePx(want, out.at(x, y))) << PxText(out.at(x, y));
        }
    // With no ring at all (the whole picture), the blocks come from the seed alone.
    Mark all = BoxMark(MarkKind::Pixelate, {0, 0, 8, 10}, 0, false, 3);
    const Pic a = ComposeOne(RandomPic(8, 10, 1), all), b = ComposeOne(RandomPic(8, 10, 2), all);
    EXPECT_TRUE(SamePic(a, b));
    all.style.seed = 2;
    EXPECT_FALSE(SamePic(a, ComposeOne(RandomPic(8, 10, 1), all)));
    EXPECT_TRUE(SamePx(a.at(0, 0), a.at(2, 2)));   // one block
    EXPECT_FALSE(SamePx(a.at(0, 0), a.at(3, 0)));  // the next
}
