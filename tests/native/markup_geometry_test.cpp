// Geometry of marks: frames and bounds, hit tests (topmost wins), handles, move and resize by
// every handle, and the 45° snap.
#include <gtest/gtest.h>

#include "MarkupTestUtil.h"

using namespace kvtest;
using kv::Rect;

TEST(MarkupGeometry, BoundsOfEveryKind) {
    Mark twoHeads = PathMark(MarkKind::Arrow, {{10, 10}, {30, 10}}, 2);
    twoHeads.style.twoHeads = true;
    struct Row {
        const char* name;
        Mark mark;
        Rect frame, bounds;
    } rows[] = {
        // Paths: the pixels of the points, grown by half the width (rounded up) and one for the
        // anti-aliased edge.
        {"line w3", PathMark(MarkKind::Line, {{10, 10}, {20, 10}}, 3), {10, 10, 21, 11}, {7, 7, 24, 14}},
        {"line w1", PathMark(MarkKind::Line, {{10, 10}, {10, 20}}, 1), {10, 10, 11, 21}, {8, 8, 13, 23}},
        {"line w0 counts as 1", PathMark(MarkKind::Line, {{10, 10}, {10, 20}}, 0), {10, 10, 11, 21}, {8, 8, 13, 23}},
        // Arrows: the head's half length (6 + 3w) / 2 + 1 instead, when larger.
        {"arrow w2", PathMark(MarkKind::Arrow, {{10, 10}, {30, 10}}, 2), {10, 10, 31, 11}, {2, 2, 39, 19}},
        {"arrow two heads", twoHeads, {10, 10, 31, 11}, {2, 2, 39, 19}},
        {"pen", PathMark(MarkKind::Pen, {{5, 5}, {8, 12}, {2, 9}}, 1), {2, 5, 9, 13}, {0, 3, 11, 15}},
        {"highlighter w10", PathMark(MarkKind::Highlighter, {{50, 50}, {60, 50}}, 10), {50, 50, 61, 51}, {44, 44, 67, 57}},
        {"single point", PathMark(MarkKind::Pen, {{5, 5}}, 4), {5, 5, 6, 6}, {2, 2, 9, 9}},
        {"no points", PathMark(MarkKind::Pen, {}, 4), {}, {}},
        // Boxes: the box itself, normalised.
        {"rectangle", BoxMark(MarkKind::Rectangle, {5, 8, 10, 20}), {5, 8, 10, 20}, {5, 8, 10, 20}},
        {"rectangle reversed", BoxMark(MarkKind::Rectangle, {10, 20, 5, 8}), {5, 8, 10, 20}, {5, 8, 10, 20}},
        {"ellipse", BoxMark(MarkKind::Ellipse, {0, 0, 7, 3}), {0, 0, 7, 3}, {0, 0, 7, 3}},
        {"step", BoxMark(MarkKind::Step, {1, 2, 25, 26}), {1, 2, 25, 26}, {1, 2, 25, 26}},
        {"redact", BoxMark(MarkKind::Redact, {-5, -5, 5, 5}), {-5, -5, 5, 5}, {-5, -5, 5, 5}},
        {"pixelate", BoxMark(MarkKind::Pixelate, {3, 3, 4, 4}), {3, 3, 4, 4}, {3, 3, 4, 4}},
        {"text", TextMark({3, 4, 15, 14}, L"AB"), {3, 4, 15, 14}, {3, 4, 15, 14}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(RectText(r.frame), RectText(Frame(r.mark)));
        EXPECT_EQ(RectText(r.bounds), RectText(Bounds(r.mark)));
    }
}

TEST(MarkupGeometry, HitTestOfEachKind) {
    Mark dashedLine = PathMark(MarkKind::Line, {{0, 50}, {100, 50}}, 4);
    dashedLine.style.dashed = true;
    struct Row {
        const char* name;
        Mark mark;
        Point p;
        int32_t tolerance;
        bool hit;
    } rows[] = {
        {"line on it", PathMark(MarkKind::Line, {{0, 50}, {100, 50}}, 4), {40, 50}, 0, true},
        {"line at half width", PathMark(MarkKind::Line, {{0, 50}, {100, 50}}, 4), {40, 52}, 0, true},
        {"line past half width", PathMark(MarkKind::Line, {{0, 50}, {100, 50}}, 4), {40, 53}, 0, false},
        {"line within tolerance", PathMark(MarkKind::Line, {{0, 50}, {100, 50}}, 4), {40, 55}, 3, true},
        {"line past tolerance", PathMark(MarkKind::Line, {{0, 50}, {100, 50}}, 4), {40, 56}, 3, false},
        {"dashed line in a gap still hits", dashedLine, {14, 50}, 0, true},
        {"line past its end", PathMark(MarkKind::Line, {{0, 50}, {100, 50}}, 4), {106, 50}, 3, false},
        {"pen second segment", PathMark(MarkKind::Pen, {{0, 0}, {10, 0}, {10, 10}}, 1), {10, 7}, 0, true},
        {"pen inside its corner", PathMark(MarkKind::Pen, {{0, 0}, {10, 0}, {10, 10}}, 1), {5, 5}, 1, false},
        {"hollow rectangle edge", BoxMark(MarkKind::Rectangle, {10, 10, 50, 50}), {11, 30}, 0, true},
        {"hollow rectangle just outside", BoxMark(MarkKind::Rectangle, {10, 10, 50, 50}), {8, 30}, 2, true},
        {"hollow rectangle inside", BoxMark(MarkKind::Rectangle, {10, 10, 50, 50}), {30, 30}, 3, false},
        {"filled rectangle inside", BoxMark(MarkKind::Rectangle, {10, 10, 50, 50}, 0, true), {30, 30}, 0, true},
        {"filled rectangle outside", BoxMark(MarkKind::Rectangle, {10, 10, 50, 50}, 0, true), {50, 30}, 0, false},
        {"filled ellipse centre", BoxMark(MarkKind::Ellipse, {10, 10, 50, 50}, 0, true), {30, 30}, 0, true},
        {"filled ellipse corner of its box", BoxMark(MarkKind::Ellipse, {10, 10, 50, 50}, 0, true), {11, 11}, 0, false},
        {"hollow ellipse ring", BoxMark(MarkKind::Ellipse, {10, 10, 50, 50}), {11, 30}, 0, true},
        {"hollow ellipse centre", BoxMark(MarkKind::Ellipse, {10, 10, 50, 50}), {30, 30}, 3, false},
        {"step circle", BoxMark(MarkKind::Step, {0, 0, 20, 20}), {10, 10}, 0, true},
        {"redact", BoxMark(MarkKind::Redact, {0, 0, 20, 20}), {19, 19}, 0, true},
        {"pixelate outside", BoxMark(MarkKind::Pixelate, {0, 0, 20, 20}), {20, 19}, 0, false},
        {"text box", TextMark({0, 0, 20, 10}, L"x"), {19, 9}, 0, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.hit, HitTest(r.mark, r.p, r.tolerance));
    }
}

TEST(MarkupGeometry, TopmostMarkWins) {
    PlainTextRasterizer text;
    CMarkDocument doc(CSize(200, 200), &text);
    const uint32_t bottom = doc.Add(BoxMark(MarkKind::Rectangle, {10, 10, 100, 100}, 0, true));
    const uint32_t middle = doc.Add(BoxMark(MarkKind::Ellipse, {50, 50, 150, 150}, 0, true));
    const uint32_t top = doc.Add(PathMark(MarkKind::Line, {{0, 60}, {199, 60}}, 3));
    const uint32_t hollow = doc.Add(BoxMark(MarkKind::Rectangle, {0, 0, 200, 200}));
    struct Row {
        Point p;
        uint32_t id;
    } rows[] = {
        {{20, 20}, bottom}, {{90, 90}, middle}, {{80, 60}, top}, {{20, 60}, top}, {{120, 120}, middle},
        {{0, 100}, hollow}, {{170, 100}, 0}, {{199, 199}, hollow}, {{160, 160}, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.p.x << "," << r.p.y);
        EXPECT_EQ(r.id, doc.HitTest(r.p, 0));
    }
    ASSERT_TRUE(doc.BringToFront(bottom));
    EXPECT_EQ(bottom, doc.HitTest({80, 60}, 0));
    ASSERT_TRUE(doc.SendToBack(bottom));
    EXPECT_EQ(top, doc.HitTest({80, 60}, 0));
}

TEST(MarkupGeometry, HandlesOfAFrame) {
    const Mark m = BoxMark(MarkKind::Rectangle, {10, 20, 30, 50}, 0, true);
    struct Row {
        Point p;
        Handle h;
    } rows[] = {
        {{10, 20}, Handle::TopLeft},  {{19, 20}, Handle::Top},         {{29, 20}, Handle::TopRight},
        {{29, 34}, Handle::Right},    {{29, 49}, Handle::BottomRight}, {{19, 49}, Handle::Bottom},
        {{10, 49}, Handle::BottomLeft}, {{10, 34}, Handle::Left},      {{8, 22}, Handle::TopLeft},
        {{20, 40}, Handle::Body},     {{100, 100}, Handle::None},     {{31, 51}, Handle::BottomRight},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.p.x << "," << r.p.y);
        EXPECT_EQ(int(r.h), int(HitHandle(m, r.p, 2)));
    }
    for (int h = int(Handle::TopLeft); h <= int(Handle::Left); ++h) {
        SCOPED_TRACE(h);
        EXPECT_EQ(int(h), int(HitHandle(m, HandlePoint(Frame(m), Handle(h)), 0)));
    }
}

TEST(MarkupGeometry, ResizeBoxByEveryHandle) {
    const Mark m = BoxMark(MarkKind::Rectangle, {10, 20, 30, 50});  // pixels 10…29 × 20…49
    struct Row {
        Handle h;
        Point to;
        Rect box;
    } rows[] = {
        {Handle::TopLeft, {5, 15}, {5, 15, 30, 50}},
        {Handle::Top, {99, 25}, {10, 25, 30, 50}},
        {Handle::TopRight, {40, 10}, {10, 10, 41, 50}},
        {Handle::Right, {35, -7}, {10, 20, 36, 50}},
        {Handle::BottomRight, {40, 60}, {10, 20, 41, 61}},
        {Handle::Bottom, {0, 40}, {10, 20, 30, 41}},
        {Handle::BottomLeft, {0, 55}, {0, 20, 30, 56}},
        {Handle::Left, {20, 0}, {20, 20, 30, 50}},
        // Past the opposite side the box mirrors around the side that stays.
        {Handle::Left, {40, 0}, {29, 20, 41, 50}},
        {Handle::Right, {0, 0}, {0, 20, 11, 50}},
        {Handle::Top, {0, 70}, {10, 49, 30, 71}},
        {Handle::Bottom, {0, 5}, {10, 5, 30, 21}},
        {Handle::TopLeft, {29, 49}, {29, 49, 30, 50}},  // down to one pixel, never empty
        {Handle::Body, {0, 0}, {10, 20, 30, 50}},
        {Handle::None, {0, 0}, {10, 20, 30, 50}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << int(r.h) << " to " << r.to.x << "," << r.to.y);
        EXPECT_EQ(RectText(r.box), RectText(Resized(m, r.h, r.to).box));
    }
}

TEST(MarkupGeometry, ResizePathByHandles) {
    const Mark line = PathMark(MarkKind::Line, {{10, 10}, {20, 30}});
    const Mark pen = PathMark(MarkKind::Pen, {{10, 10}, {15, 20}, {20, 30}});
    const Mark flat = PathMark(MarkKind::Line, {{10, 10}, {20, 10}});
    struct Row {
        const char* name;
        Mark mark;
        Handle h;
        Point to;
        std::vector<Point> points;
    } rows[] = {
        {"line bottom-right", line, Handle::BottomRight, {30, 50}, {{10, 10}, {30, 50}}},
        {"line left", line, Handle::Left, {0, 99}, {{0, 10}, {20, 30}}},
        {"line top-left", line, Handle::TopLeft, {15, 20}, {{15, 20}, {20, 30}}},
        {"line mirrored", line, Handle::Right, {0, 0}, {{10, 10}, {0, 30}}},
        {"pen scaled", pen, Handle::BottomRight, {30, 50}, {{10, 10}, {20, 30}, {30, 50}}},
        {"pen halved (rounding)", pen, Handle::Bottom, {0, 19}, {{10, 10}, {15, 15}, {20, 19}}},
        {"flat line's rows follow the handle", flat, Handle::Top, {0, 4}, {{10, 4}, {20, 4}}},
        {"flat line's bottom", flat, Handle::BottomRight, {25, 12}, {{10, 12}, {25, 12}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const Mark got = Resized(r.mark, r.h, r.to);
        ASSERT_EQ(r.points.size(), got.points.size());
        for (size_t i = 0; i < r.points.size(); ++i) {
            EXPECT_EQ(r.points[i].x, got.points[i].x) << i;
            EXPECT_EQ(r.points[i].y, got.points[i].y) << i;
        }
    }
}

TEST(MarkupGeometry, MoveEveryKindAndTextScalesItsFont) {
    for (MarkKind k : {MarkKind::Arrow, MarkKind::Line, MarkKind::Pen, MarkKind::Highlighter, MarkKind::Rectangle,
                       MarkKind::Ellipse, MarkKind::Text, MarkKind::Step, MarkKind::Redact, MarkKind::Pixelate}) {
        SCOPED_TRACE(int(k));
        const Mark m = IsPathKind(k) ? PathMark(k, {{3, 4}, {9, 1}}) : BoxMark(k, {3, 4, 9, 11});
        const Rect f = Frame(m), b = Bounds(m);
        const Mark moved = Moved(m, 5, -3);
        EXPECT_EQ(RectText(Rect{f.left + 5, f.top - 3, f.right + 5, f.bottom - 3}), RectText(Frame(moved)));
        EXPECT_EQ(RectText(Rect{b.left + 5, b.top - 3, b.right + 5, b.bottom - 3}), RectText(Bounds(moved)));
        EXPECT_TRUE(Moved(moved, -5, 3) == m);
    }
    const Mark t = TextMark({10, 10, 22, 20}, L"AB", 10);
    EXPECT_EQ(20, Resized(t, Handle::Bottom, {0, 29}).style.fontSize);
    EXPECT_EQ(5, Resized(t, Handle::Top, {0, 15}).style.fontSize);
    EXPECT_EQ(10, Resized(t, Handle::Right, {40, 0}).style.fontSize);
}

TEST(MarkupGeometry, SnapTo45Degrees) {
    struct Row {
        Point to, want;
    } rows[] = {
        {{10, 3}, {10, 0}},     {{3, 10}, {0, 10}},     {{10, 8}, {10, 10}},  {{-10, 9}, {-10, 10}},
        {{-7, -10}, {-10, -10}}, {{10, 4}, {10, 0}},    {{10, 5}, {10, 10}},  {{0, 0}, {0, 0}},
        {{-20, 1}, {-20, 0}},   {{2, -30}, {0, -30}},   {{30, -29}, {30, -30}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.to.x << "," << r.to.y);
        const Point from{100, 200};
        const Point got = Snap45(from, Point{from.x + r.to.x, from.y + r.to.y});
        EXPECT_EQ(from.x + r.want.x, got.x);
        EXPECT_EQ(from.y + r.want.y, got.y);
    }
}
