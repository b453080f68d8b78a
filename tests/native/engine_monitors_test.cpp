// The monitor layout: the documented order, the virtual screen, the monitor of a point and of a
// rectangle, the parts no monitor covers, clipping, and a box kept in a work area. The layout
// of the tests under Wine is the main one here: a primary 1920 × 1080, a 1280 × 1024 monitor
// left of it reaching 56 pixels lower down its top, and a 1280 × 720 one above it, shifted right.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/MonitorLayout.h"

namespace {

using kv::Monitor;
using kv::MonitorLayout;
using kv::Point;
using kv::Rect;

bool Same(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Show(const Rect& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

// Given in another order than the documented one, to see it sorted.
MonitorLayout Three() {
    return MonitorLayout({{{320, -720, 1600, 0}, {320, -720, 1600, -40}, false},
                          {{-1280, 56, 0, 1080}, {-1280, 56, 0, 1080}, false},
                          {{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true}});
}

TEST(EngineMonitors, OrderAndVirtualScreen) {
    struct Row {
        const char* name;
        std::vector<Monitor> given;
        std::vector<Rect> order;  // the bounds in the documented order
        Rect virt;
    };
    const Row rows[] = {
        {"three", Three().Monitors(), {{0, 0, 1920, 1080}, {-1280, 56, 0, 1080}, {320, -720, 1600, 0}},
         {-1280, -720, 1920, 1080}},
        {"one", {{{0, 0, 1280, 800}, {}, true}}, {{0, 0, 1280, 800}}, {0, 0, 1280, 800}},
        {"none", {}, {}, {}},
        {"empty ones left out", {{{0, 0, 0, 0}, {}, false}, {{10, 10, 10, 50}, {}, false}, {{0, 0, 800, 600}, {}, true}},
         {{0, 0, 800, 600}}, {0, 0, 800, 600}},
        {"no primary: by left then top", {{{100, 500, 200, 600}, {}, false}, {{100, 0, 200, 100}, {}, false},
                                           {{-50, 0, 0, 10}, {}, false}},
         {{-50, 0, 0, 10}, {100, 0, 200, 100}, {100, 500, 200, 600}}, {-50, 0, 200, 600}},
        {"a gap between two", {{{2000, 0, 2800, 600}, {}, false}, {{0, 0, 1280, 800}, {}, true}},
         {{0, 0, 1280, 800}, {2000, 0, 2800, 600}}, {0, 0, 2800, 800}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const MonitorLayout layout(row.given);
        ASSERT_EQ(layout.Monitors().size(), row.order.size());
        for (size_t i = 0; i < row.order.size(); ++i) EXPECT_TRUE(Same(layout.Monitors()[i].bounds, row.order[i])) << i;
        EXPECT_TRUE(Same(layout.VirtualScreen(), row.virt)) << Show(layout.VirtualScreen());
        EXPECT_EQ(layout.Primary(), row.order.empty() ? -1 : 0);
    }
}

TEST(EngineMonitors, MonitorOfAPointAndOfARectangle) {
    const MonitorLayout layout = Three();
    struct PointRow {
        Point p;
        int at, nearest;
    };
    const PointRow points[] = {
        {{0, 0}, 0, 0},          {{1919, 1079}, 0, 0},    {{1920, 500}, -1, 0},  {{-1, 500}, 1, 1},
        {{-1280, 56}, 1, 1},     {{-1280, 55}, -1, 1},    {{320, -720}, 2, 2},   {{319, -1}, -1, 0},
        {{1599, -1}, 2, 2},      {{-5000, -5000}, -1, 1}, {{5000, 300}, -1, 0},  {{1000, -100}, 2, 2},
        {{-640, -360}, -1, 1},   {{0, 56}, 0, 0},
    };
    for (const PointRow& r : points) {
        SCOPED_TRACE(testing::Message() << r.p.x << "," << r.p.y);
        EXPECT_EQ(layout.At(r.p), r.at);
        EXPECT_EQ(layout.Nearest(r.p), r.nearest);
    }
    struct RectRow {
        Rect r;
        int largest;
    };
    const RectRow rects[] = {
        {{100, 100, 200, 200}, 0},
        {{-100, 500, 60, 600}, 1},      // 100 columns on the left monitor, 60 on the primary
        {{-60, 500, 100, 600}, 0},      // 60 against 100
        {{-50, 500, 50, 600}, 0},       // 50 against 50: a tie goes to the first in order
        {{400, -50, 500, 50}, 0},       // 50 rows above, 50 below: a tie goes to the first
        {{400, -60, 500, 40}, 2},
        {{-1280, -720, 0, 56}, -1},     // wholly in the gaps at the top left
        {{-1280, -720, 321, 57}, 0},    // 720 pixels on the top monitor, 1280 on the left one, 18297 on the primary
        {{3000, 3000, 3100, 3100}, -1},
        {{500, 500, 500, 600}, -1},     // empty
    };
    for (const RectRow& r : rects) {
        SCOPED_TRACE(Show(r.r));
        EXPECT_EQ(layout.LargestOverlap(r.r), r.largest);
        EXPECT_EQ(layout.OnAnyMonitor(r.r), r.largest >= 0);
    }
}

TEST(EngineMonitors, GapsAndClipping) {
    struct Row {
        const char* name;
        MonitorLayout layout;
        std::vector<Rect> gaps;
    };
    const Row rows[] = {
        {"three", Three(), {{-1280, -720, 320, 0}, {1600, -720, 1920, 0}, {-1280, 0, 0, 56}}},
        {"one", MonitorLayout({{{0, 0, 1280, 800}, {}, true}}), {}},
        {"side by side, lower right one",
         MonitorLayout({{{0, 0, 1280, 800}, {}, true}, {{1280, 200, 2560, 1000}, {}, false}}),
         {{1280, 0, 2560, 200}, {0, 800, 1280, 1000}}},
        {"a gap between two", MonitorLayout({{{0, 0, 1280, 800}, {}, true}, {{2000, 0, 2800, 800}, {}, false}}),
         {{1280, 0, 2000, 800}}},
        {"overlapping (mirrored) monitors", MonitorLayout({{{0, 0, 1280, 800}, {}, true}, {{0, 0, 1024, 768}, {}, false}}),
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<Rect> gaps = row.layout.Gaps();
        ASSERT_EQ(gaps.size(), row.gaps.size());
        for (size_t i = 0; i < gaps.size(); ++i) EXPECT_TRUE(Same(gaps[i], row.gaps[i])) << Show(gaps[i]);
        // Monitors and gaps together cover the virtual screen exactly once (monitors may overlap).
        const Rect v = row.layout.VirtualScreen();
        for (int32_t y = v.top; y < v.bottom; y += 37)
            for (int32_t x = v.left; x < v.right; x += 41) {
                int onGap = 0;
                for (const Rect& g : gaps) onGap += kv::Contains(g, Point{x, y});
                EXPECT_EQ(onGap + (row.layout.At(Point{x, y}) >= 0 ? 1 : 0), 1) << x << "," << y;
            }
    }
    const MonitorLayout layout = Three();
    struct Clip {
        Rect in, out;
    };
    const Clip clips[] = {
        {{-2000, -1000, 0, 0}, {-1280, -720, 0, 0}},
        {{1900, 1000, 2500, 1500}, {1900, 1000, 1920, 1080}},
        {{2000, 0, 2100, 100}, {}},
        {{-10, -10, 10, 10}, {-10, -10, 10, 10}},  // crosses monitors and a gap: kept whole
    };
    for (const Clip& c : clips) {
        SCOPED_TRACE(Show(c.in));
        EXPECT_TRUE(Same(layout.ClipToVirtual(c.in), c.out)) << Show(layout.ClipToVirtual(c.in));
    }
}

TEST(EngineMonitors, BoxKeptInTheWorkAreaOfItsMonitor) {
    const MonitorLayout layout = Three();
    struct Row {
        Rect box;
        Point anchor;
        Rect expect;
    };
    const Row rows[] = {
        {{1800, 1000, 2020, 1150}, {1850, 1050}, {1700, 890, 1920, 1040}},   // primary's work area ends at 1040
        {{-1300, 40, -1080, 190}, {-1200, 100}, {-1280, 56, -1060, 206}},     // left monitor, negative coordinates
        {{1500, -50, 1720, 100}, {1550, -10}, {1380, -190, 1600, -40}},       // top monitor above the primary
        {{100, 100, 320, 250}, {150, 150}, {100, 100, 320, 250}},             // already inside
        {{0, 0, 3000, 2000}, {10, 10}, {0, 0, 1920, 1040}},                   // larger: cut to the work area
        {{-700, -400, -480, -250}, {-640, -360}, {-700, 56, -480, 206}},      // anchor in a gap: nearest monitor
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(Show(r.box));
        const Rect got = layout.KeepInWorkArea(r.box, r.anchor);
        EXPECT_TRUE(Same(got, r.expect)) << Show(got);
    }
}

TEST(EngineMonitors, UncoveredPixelsTakeTheDocumentedColour) {
    const MonitorLayout layout = Three();
    // A picture of (-1300, -40)-(340, 80): crosses the left gap, the left monitor's top, the top
    // monitor's bottom-left corner, the primary, and 20 columns left of the virtual screen.
    const Rect area{-1300, -40, 340, 80};
    const int w = area.Width(), h = area.Height();
    std::vector<RGBX> px(size_t(w) * h, RGBX{1, 2, 3, 0});
    layout.FillUncovered(px.data(), w, area);
    const RGBX gap = kv::PixelFromColor(kv::kUncoveredColour);
    int wrong = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Point p{area.left + x, area.top + y};
            const RGBX q = px[size_t(y) * w + x];
            const RGBX expect = layout.At(p) >= 0 ? RGBX{1, 2, 3, 0} : gap;
            wrong += q.blue != expect.blue || q.green != expect.green || q.red != expect.red;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(px[0].red, gap.red);  // left of the virtual screen
    // Without monitors everything is uncovered; a null picture or an empty area is left alone.
    const MonitorLayout none;
    std::vector<RGBX> all(16, RGBX{9, 9, 9, 0});
    none.FillUncovered(all.data(), 4, Rect{0, 0, 4, 4});
    for (const RGBX& q : all) EXPECT_EQ(q.red, gap.red);
    layout.FillUncovered(nullptr, 4, Rect{0, 0, 4, 4});
    layout.FillUncovered(all.data(), 4, Rect{0, 0, 0, 4});
}

}  // namespace
