// The mark document: z-order, duplicate and nudge, step numbers, crop, the redaction promise,
// changed areas for repaints, undo and redo of a long mixed session, and what the history holds.
#include <gtest/gtest.h>

#include <random>

#include "MarkupTestUtil.h"

using namespace kvtest;
using kv::Rect;

namespace {

const PlainTextRasterizer kText;

Pic ComposeDoc(const CMarkDocument& doc, const Pic& base) {
    Pic out(doc.OutputSize().cx, doc.OutputSize().cy, RGBX{0, 0, 0, 0}, 1);
    doc.Compose(base.S(), out.S(), out.S().Area());
    return out;
}

std::vector<uint32_t> Ids(const CMarkDocument& doc) {
    std::vector<uint32_t> ids;
    for (const Mark& m : doc.Marks()) ids.push_back(m.id);
    return ids;
}

}  // namespace

TEST(MarkupDocument, ZOrderDuplicateAndNudge) {
    CMarkDocument doc(CSize(100, 100), &kText);
    const uint32_t a = doc.Add(BoxMark(MarkKind::Rectangle, {0, 0, 10, 10}));
    const uint32_t b = doc.Add(BoxMark(MarkKind::Ellipse, {5, 5, 20, 20}));
    const uint32_t c = doc.Add(PathMark(MarkKind::Line, {{0, 0}, {9, 9}}));
    ASSERT_TRUE(a && b && c);
    struct Row {
        const char* name;
        std::function<bool()> op;
        bool changed;
        std::vector<uint32_t> order;
    } rows[] = {
        {"front of the bottom", [&] { return doc.BringToFront(a); }, true, {b, c, a}},
        {"front again", [&] { return doc.BringToFront(a); }, false, {b, c, a}},
        {"back of the top", [&] { return doc.SendToBack(a); }, true, {a, b, c}},
        {"back again", [&] { return doc.SendToBack(a); }, false, {a, b, c}},
        {"middle to the back", [&] { return doc.SendToBack(b); }, true, {b, a, c}},
        {"unknown id", [&] { return doc.BringToFront(99); }, false, {b, a, c}},
        {"duplicate goes on top", [&] { return doc.Duplicate(b, 4, 4) == 4; }, true, {b, a, c, 4}},
        {"delete", [&] { return doc.Delete(a); }, true, {b, c, 4}},
        {"delete twice", [&] { return doc.Delete(a); }, false, {b, c, 4}},
    };
    size_t steps = doc.UndoSteps();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.changed, r.op());
        EXPECT_EQ(r.order, Ids(doc));
        steps += r.changed;
        EXPECT_EQ(steps, doc.UndoSteps());  // a step only when something changed
    }
    const Mark* dup = doc.Find(4);
    ASSERT_NE(nullptr, dup);
    EXPECT_EQ(RectText(Rect{9, 9, 24, 24}), RectText(dup->box));
    EXPECT_TRUE(doc.Nudge(4, -10, 1));
    EXPECT_EQ(RectText(Rect{-1, 10, 14, 25}), RectText(doc.Find(4)->box));
    EXPECT_FALSE(doc.Nudge(4, 0, 0));
    EXPECT_TRUE(doc.Nudge(c, 10, 0));
    EXPECT_EQ(10, doc.Find(c)->points[0].x);
}

TEST(MarkupDocument, StepsNumberInListOrderAndRenumber) {
    CMarkDocument doc(CSize(200, 60), &kText);
    std::vector<uint32_t> steps;
    for (int i = 0; i < 4; ++i) {
        steps.push_back(doc.Add(BoxMark(MarkKind::Step, {10 + 40 * i, 10, 40 + 40 * i, 40})));
        doc.Add(BoxMark(MarkKind::Rectangle, {0, 45, 5, 50}));  // not a step: no number
    }
    auto numbers = [&] {
        std::vector<int32_t> n;
        const auto all = StepNumbers(doc.Marks(), doc.State().stepStart);
        for (size_t i = 0; i < all.size(); ++i)
            if (doc.Marks()[i].kind == MarkKind::Step) n.push_back(all[i]);
        return n;
    };
    struct Row {
        const char* name;
        std::function<bool()> op;
        std::vector<int32_t> want;
    } rows[] = {
        {"added", [] { return true; }, {1, 2, 3, 4}},
        {"second deleted", [&] { return doc.Delete(steps[1]); }, {1, 2, 3}},
        {"start at 5", [&] { return doc.SetStepStart(5); }, {5, 6, 7}},
        {"undo start", [&] { return doc.Undo(); }, {1, 2, 3}},
        {"undo delete", [&] { return doc.Undo(); }, {1, 2, 3, 4}},
        {"first to the front", [&] { return doc.BringToFront(steps[0]); }, {1, 2, 3, 4}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_TRUE(r.op());
        EXPECT_EQ(r.want, numbers());
    }
    // The front step is last in the list, so it shows 4: its pixels are a step drawn with 4.
    const Pic base(200, 60);
    const Pic out = ComposeDoc(doc, base);
    Pic want = base;
    DrawMark(want.S(), *doc.Find(steps[0]), want.S().Area(), 4, &kText);
    for (int32_t y = 10; y < 40; ++y)
        for (int32_t x = 10; x < 40; ++x) ASSERT_TRUE(SamePx(want.at(x, y), out.at(x, y))) << x << "," << y;
}

TEST(MarkupDocument, CropMovesEveryMark) {
    const Pic base = RandomPic(60, 40, 5);
    CMarkDocument doc(CSize(60, 40), &kText);
    const uint32_t r = doc.Add(BoxMark(MarkKind::Rectangle, {10, 10, 30, 30}, 0x00FF00, true));
    const uint32_t l = doc.Add(PathMark(MarkKind::Arrow, {{5, 35}, {50, 8}}, 2));
    const uint32_t p = doc.Add(BoxMark(MarkKind::Pixelate, {20, 5, 40, 20}, 0, false, 4));
    const Pic before = ComposeDoc(doc, base);
    const Rect crops[] = {{7, 4, 47, 34}, {-5, -5, 20, 20}, {3, 2, 1, 0}};
    const Rect want[] = {{7, 4, 47, 34}, {7, 4, 27, 24}, {8, 4, 10, 6}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(doc.Crop(crops[i]));
        EXPECT_EQ(RectText(want[i]), RectText(doc.State().crop));
    }
    EXPECT_FALSE(doc.Crop(Rect{0, 0, 2, 2}));  // the whole output: nothing to do
    EXPECT_FALSE(doc.Crop(Rect{5, 5, 9, 9}));  // nothing of it is left
    ASSERT_TRUE(doc.Undo());
    ASSERT_TRUE(doc.Undo());  // back to the first crop: (7, 4) cut away
    EXPECT_EQ(RectText(Rect{3, 6, 23, 26}), RectText(doc.Find(r)->box));
    EXPECT_EQ(-2, doc.Find(l)->points[0].x);
    EXPECT_EQ(31, doc.Find(l)->points[0].y);
    // The cropped output equals the same marks composed over a picture cut beforehand, with
    // every mark moved by hand.
    Pic cut(40, 30);
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x) cut.at(x, y) = base.at(x + 7, y + 4);
    MarkState moved;
    moved.crop = Rect{0, 0, 40, 30};
    for (uint32_t id : {r, l, p}) moved.marks.push_back(*doc.Find(id));
    Pic direct(40, 30);
    Compose(cut.S(), moved, direct.S(), direct.S().Area(), &kText);
    // (The pixelate's ring treats the cut-away pixels as outside the picture in both.)
    EXPECT_TRUE(SamePic(direct, ComposeDoc(doc, base)));
    ASSERT_TRUE(doc.Undo());
    EXPECT_TRUE(SamePic(before, ComposeDoc(doc, base)));
    EXPECT_EQ(RectText(Rect{10, 10, 30, 30}), RectText(doc.Find(r)->box));
}

// Redaction is a promise: two pictures that differ only inside redact and pixelate areas give
// the same composed output, whatever other marks lie over them, cropped or clipped.
TEST(MarkupDocument, RedactedAreasDoNotDependOnWhatTheyHide) {
    for (int i = 0; i < 12; ++i) {
        if (!CaseSelected(i)) continue;
        SCOPED_TRACE(testing::Message() << "KV_CASE=" << i);
        std::mt19937 rng{uint32_t(i)};
        auto rnd = [&](int lo, int hi) { return lo + int(rng() % uint32_t(hi - lo + 1)); };
        const Pic a = RandomPic(90, 70, uint32_t(100 + i));
        CMarkDocument doc(CSize(90, 70), &kText);
        std::vector<Rect> hidden;
        for (int k = 0; k < 5; ++k) {
            const int32_t x = rnd(-10, 70), y = rnd(-10, 50);
            Mark m = BoxMark(k % 2 ? MarkKind::Redact : MarkKind::Pixelate, {x, y, x + rnd(3, 30), y + rnd(3, 30)},
                             rng() & 0xFFFFFF, false, rnd(1, 9));
            m.style.noise = k == 4;
            m.style.secondColour = rng() & 0xFFFFFF;
            doc.Add(m);
            hidden.push_back(m.box);
        }
        // One pixelate right beside a redact: its ring lies inside the redact area.
        doc.Add(BoxMark(MarkKind::Redact, {40, 30, 60, 50}, 0x112233));
        doc.Add(BoxMark(MarkKind::Pixelate, {60, 35, 75, 45}, 0, false, 3));
        hidden.push_back({40, 30, 60, 50});
        hidden.push_back({60, 35, 75, 45});
        doc.Add(PathMark(MarkKind::Highlighter, {{0, 40}, {89, 40}}, 9, 0x00FFFF));
        doc.Add(BoxMark(MarkKind::Ellipse, {30, 20, 70, 60}, 0xFF0000));
        Pic b = a;
        std::mt19937 other{uint32_t(1000 + i)};
        int changed = 0;
        for (int32_t y = 0; y < 70; ++y)
            for (int32_t x = 0; x < 90; ++x)
                for (const Rect& h : hidden)
                    if (Contains(h, Point{x, y})) {
                        const uint32_t v = other();
                        b.at(x, y) = RGBX{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
                        ++changed;
                        break;
                    }
        ASSERT_GT(changed, 0);
        EXPECT_TRUE(SamePic(ComposeDoc(doc, a), ComposeDoc(doc, b)));
        const Rect clip{rnd(0, 40), rnd(0, 30), rnd(45, 90), rnd(35, 70)};
        Pic ca(90, 70), cb(90, 70);
        doc.Compose(a.S(), ca.S(), clip);
        doc.Compose(b.S(), cb.S(), clip);
        EXPECT_TRUE(SamePic(ca, cb));
        ASSERT_TRUE(doc.Crop(Rect{rnd(0, 20), rnd(0, 15), rnd(60, 90), rnd(50, 70)}));
        EXPECT_TRUE(SamePic(ComposeDoc(doc, a), ComposeDoc(doc, b)));
    }
    // Not vacuous: a pixelate does follow the pixels around it.
    CMarkDocument doc(CSize(30, 30), &kText);
    doc.Add(BoxMark(MarkKind::Pixelate, {10, 10, 20, 20}, 0, false, 5));
    Pic a(30, 30), b(30, 30);
    b.at(12, 9) = RGBX{0, 0, 0, 0};
    EXPECT_FALSE(SamePx(ComposeDoc(doc, a).at(12, 10), ComposeDoc(doc, b).at(12, 10)));
}

namespace {

// One user operation of a scripted session, chosen by step number so every kind occurs, with
// seeded parameters. False when it had nothing to act on.
bool RandomOperation(CMarkDocument& doc, int step, std::mt19937& rng) {
    auto rnd = [&](int lo, int hi) { return lo + int(rng() % uint32_t(hi - lo + 1)); };
    const CSize out = doc.OutputSize();
    auto pt = [&] { return Point{rnd(-5, out.cx + 4), rnd(-5, out.cy + 4)}; };
    auto box = [&] {
        const Point p = pt();
        return Rect{p.x, p.y, p.x + rnd(2, 40), p.y + rnd(2, 30)};
    };
    auto pick = [&]() -> uint32_t {
        return doc.Marks().empty() ? 0 : doc.Marks()[size_t(rnd(0, int(doc.Marks().size()) - 1))].id;
    };
    const COLORREF colour = rng() & 0xFFFFFF;
    switch (step % 15) {
        case 0: {
            Mark m = BoxMark(rnd(0, 1) ? MarkKind::Rectangle : MarkKind::Ellipse, box(), colour, rnd(0, 1), rnd(1, 6));
            m.style.dashed = rnd(0, 1);
            return doc.Add(m) != 0;
        }
        case 1: {
            Mark m = PathMark(rnd(0, 1) ? MarkKind::Arrow : MarkKind::Line, {pt(), pt()}, rnd(1, 5), colour);
            m.style.dashed = rnd(0, 1);
            m.style.twoHeads = rnd(0, 1);
            return doc.Add(m) != 0;
        }
        case 2: {
            std::vector<Point> pts;
            for (int k = rnd(1, 8); k > 0; --k) pts.push_back(pt());
            return doc.Add(PathMark(rnd(0, 1) ? MarkKind::Pen : MarkKind::Highlighter, pts, rnd(1, 12), colour)) != 0;
        }
        case 3: {
            const Point p = pt();
            Mark m = TextMark({p.x, p.y, p.x, p.y}, rnd(0, 1) ? L"Note 12\nsee" : L"x", rnd(5, 15), colour);
            m.style.outline = rnd(0, 1);
            m.style.background = rnd(0, 1);
            return doc.Add(m) != 0;
        }
        case 4: {
            const Point p = pt();
            return doc.Add(BoxMark(MarkKind::Step, {p.x, p.y, p.x + 16, p.y + 16}, colour)) != 0;
        }
        case 5: return doc.Add(BoxMark(MarkKind::Redact, box(), colour)) != 0;
        case 6: {
            Mark m = BoxMark(MarkKind::Pixelate, box(), 0, false, rnd(2, 8));
            m.style.noise = rnd(0, 3) == 0;
            m.style.seed = rng();
            return doc.Add(m) != 0;
        }
        case 7: {
            const Mark* m = doc.Find(pick());
            if (!m) return false;
            MarkStyle s = m->style;
            s.colour = colour;
            s.width = rnd(1, 8);
            s.dashed = !s.dashed;
            s.filled = rnd(0, 1);
            s.fontSize = rnd(5, 20);
            return doc.Restyle(m->id, s);
        }
        case 8: return doc.Delete(pick());
        case 9: return rnd(0, 1) ? doc.BringToFront(pick()) : doc.SendToBack(pick());
        case 10: {  // a drag: many moves, one step
            const Mark* m = doc.Find(pick());
            if (!m) return false;
            const Mark start = *m;
            const size_t steps = doc.UndoSteps();
            doc.BeginGesture();
            const bool resize = rnd(0, 1);
            const Handle h = Handle(rnd(int(Handle::TopLeft), int(Handle::Left)));
            for (int k = 1; k <= 12; ++k)
                doc.Replace(start.id, resize ? Resized(start, h, Point{rnd(0, out.cx), rnd(0, out.cy)})
                                             : Moved(start, k * rnd(-2, 2), k));
            doc.EndGesture();
            return doc.UndoSteps() == steps + 1;
        }
        case 11: return doc.Nudge(pick(), rnd(-10, 10), rnd(1, 10));
        case 12: return doc.Duplicate(pick(), 10, 10) != 0;
        case 13:
            if (out.cx < 80 || out.cy < 60) return false;
            return doc.Crop(Rect{rnd(0, 6), rnd(0, 6), out.cx - rnd(1, 6), out.cy - rnd(0, 6)});
        default: return doc.SetStepStart(rnd(0, 9));
    }
}

}  // namespace

// A session of mixed operations, undone to the start and redone to the end: after every undo and
// redo the marks and the composed picture are exactly those recorded on the way, and each
// repaint area covers every pixel that changed.
TEST(MarkupDocument, LongSessionUndoesAndRedoesExactly) {
    for (int i = 0; i < 3; ++i) {
        if (!CaseSelected(i)) continue;
        SCOPED_TRACE(testing::Message() << "KV_CASE=" << i);
        std::mt19937 rng{uint32_t(i)};
        const Pic base = RandomPic(160, 120, uint32_t(i));
        CMarkDocument doc(CSize(160, 120), &kText);
        std::vector<MarkState> states{doc.State()};
        std::vector<Pic> pictures{ComposeDoc(doc, base)};
        doc.TakeDirty();
        // Each change's repaint: the previous output recomposed inside the dirty area equals the
        // full composition (when the size stays; a crop repaints everything anyway).
        auto checkRepaint = [&](const Pic& previous, const MarkState& before) {
            const Pic now = ComposeDoc(doc, base);
            const Rect dirty = doc.TakeDirty();
            const Rect changed = ChangedArea(before, doc.State());
            if (previous.w == now.w && previous.h == now.h) {
                Pic repainted = previous;
                doc.Compose(base.S(), repainted.S(), dirty);
                EXPECT_TRUE(SamePic(now, repainted)) << "dirty " << RectText(dirty);
                EXPECT_TRUE(SameOutside(previous, now, changed)) << "changed " << RectText(changed);
            } else {
                EXPECT_EQ(RectText(now.S().Area()), RectText(dirty));
            }
            return now;
        };
        int done = 0;
        for (int step = 0; done < 60; ++step) {
            ASSERT_LT(step, 400);
            const MarkState before = doc.State();
            if (!RandomOperation(doc, step, rng)) {
                EXPECT_TRUE(before == doc.State()) << step;
                continue;
            }
            ++done;
            pictures.push_back(checkRepaint(pictures.back(), before));
            states.push_back(doc.State());
            ASSERT_EQ(size_t(done), doc.UndoSteps());
        }
        for (size_t k = states.size() - 1; k-- > 0;) {
            SCOPED_TRACE(testing::Message() << "undo to " << k);
            const MarkState before = doc.State();
            ASSERT_TRUE(doc.Undo());
            ASSERT_TRUE(states[k] == doc.State());
            ASSERT_TRUE(SamePic(pictures[k], checkRepaint(pictures[k + 1], before)));
        }
        EXPECT_FALSE(doc.Undo());
        EXPECT_TRUE(SamePic(pictures.front(), ComposeDoc(doc, base)));
        for (size_t k = 1; k < states.size(); ++k) {
            SCOPED_TRACE(testing::Message() << "redo to " << k);
            const MarkState before = doc.State();
            ASSERT_TRUE(doc.Redo());
            ASSERT_TRUE(states[k] == doc.State());
            ASSERT_TRUE(SamePic(pictures[k], checkRepaint(pictures[k - 1], before)));
        }
        EXPECT_FALSE(doc.Redo());
        EXPECT_TRUE(SamePic(pictures.back(), ComposeDoc(doc, base)));
    }
}

// A step keeps the marks it changed, never pixels: on a 4K picture a shape's step is a few
// hundred bytes, a drag of any length is one step of two states, a crop holds two rectangles.
TEST(MarkupDocument, HistoryHoldsOnlyWhatChanged) {
    CMarkDocument doc(CSize(3840, 2160), &kText);
    const size_t empty = doc.HistoryBytes();
    const uint32_t r = doc.Add(BoxMark(MarkKind::Rectangle, {100, 100, 900, 700}));
    const size_t oneShape = doc.HistoryBytes() - empty;
    EXPECT_LT(oneShape, 1024u);
    doc.BeginGesture();
    for (int k = 1; k <= 500; ++k) ASSERT_TRUE(doc.Replace(r, Moved(*doc.Find(r), 1, 1)));
    doc.EndGesture();
    EXPECT_EQ(2u, doc.UndoSteps());
    const size_t drag = doc.HistoryBytes() - empty - oneShape;
    EXPECT_LT(drag, 1024u);
    std::vector<Point> pts;
    for (int k = 0; k < 1000; ++k) pts.push_back(Point{k, k % 7});
    const size_t beforePen = doc.HistoryBytes();
    const uint32_t pen = doc.Add(PathMark(MarkKind::Pen, pts));
    const size_t penStep = doc.HistoryBytes() - beforePen;
    EXPECT_GE(penStep, 1000 * sizeof(Point));
    EXPECT_LT(penStep, 1000 * sizeof(Point) + 1024);
    const size_t beforeCrop = doc.HistoryBytes();
    ASSERT_TRUE(doc.Crop(Rect{10, 10, 3000, 2000}));
    EXPECT_LT(doc.HistoryBytes() - beforeCrop, 1024u);
    // Undo moves steps to the redo side (still counted); a new edit drops them.
    ASSERT_TRUE(doc.Undo());
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(nullptr, doc.Find(pen));
    const size_t withRedo = doc.HistoryBytes();
    EXPECT_GE(withRedo, beforePen + penStep - 64);
    ASSERT_TRUE(doc.Nudge(r, 1, 0));
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_LT(doc.HistoryBytes(), withRedo - 1000 * sizeof(Point) + 1024);
    // A drag that returns to where it began records nothing.
    const size_t steps = doc.UndoSteps();
    doc.BeginGesture();
    const Mark start = *doc.Find(r);
    doc.Replace(r, Moved(start, 5, 5));
    doc.Replace(r, start);
    doc.EndGesture();
    EXPECT_EQ(steps, doc.UndoSteps());
}

TEST(MarkupDocument, BadInputChangesNothing) {
    CMarkDocument doc(CSize(50, 50), &kText);
    const uint32_t id = doc.Add(BoxMark(MarkKind::Rectangle, {1, 1, 5, 5}));
    const MarkState before = doc.State();
    struct Row {
        const char* name;
        std::function<bool()> op;
    } rows[] = {
        {"path without points", [&] { return doc.Add(PathMark(MarkKind::Pen, {})) != 0; }},
        {"empty box", [&] { return doc.Add(BoxMark(MarkKind::Redact, {5, 5, 5, 9})) != 0; }},
        {"unknown id", [&] { return doc.Replace(77, BoxMark(MarkKind::Rectangle, {1, 1, 3, 3})); }},
        {"same value", [&] { return doc.Replace(id, *doc.Find(id)); }},
        {"emptied box", [&] { return doc.Replace(id, BoxMark(MarkKind::Rectangle, {3, 3, 3, 3})); }},
        {"same style", [&] { return doc.Restyle(id, doc.Find(id)->style); }},
        {"crop outside", [&] { return doc.Crop(Rect{60, 60, 70, 70}); }},
        {"same step start", [&] { return doc.SetStepStart(1); }},
        {"duplicate unknown", [&] { return doc.Duplicate(77, 1, 1) != 0; }},
        {"redo with nothing", [&] { return doc.Redo(); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_FALSE(r.op());
        EXPECT_TRUE(before == doc.State());
        EXPECT_EQ(1u, doc.UndoSteps());
    }
    // Replace keeps the id and kind whatever the new value says; widths below 1 become 1.
    Mark other = PathMark(MarkKind::Line, {{0, 0}, {1, 1}}, 0);
    other.box = Rect{2, 2, 8, 8};
    other.id = 55;
    ASSERT_TRUE(doc.Replace(id, other));
    EXPECT_EQ(id, doc.Marks()[0].id);
    EXPECT_EQ(int(MarkKind::Rectangle), int(doc.Marks()[0].kind));
    EXPECT_EQ(1, doc.Marks()[0].style.width);
    // Undo during a drag waits for its end.
    doc.BeginGesture();
    EXPECT_FALSE(doc.Undo());
    doc.EndGesture();
    EXPECT_TRUE(doc.Undo());
}

// The repaint area of each kind of change covers every pixel that changed: the previous output
// recomposed inside TakeDirty() equals the new output, and ChangedArea of the two states holds
// every differing pixel. The cases where a change reaches beyond the mark itself are here on
// purpose: steps renumbered, and pixelate blocks whose surrounding pixels changed.
TEST(MarkupDocument, RepaintAreaCoversEveryChangedPixel) {
    struct Row {
        const char* name;
        std::function<bool(CMarkDocument&, const std::vector<uint32_t>&)> op;
    } rows[] = {
        {"first step deleted: the others renumber", [](CMarkDocument& d, auto& ids) { return d.Delete(ids[0]); }},
        {"step added below the others", [](CMarkDocument& d, auto& ids) {
             const uint32_t s = d.Add(BoxMark(MarkKind::Step, {0, 60, 16, 76}));
             return s && d.SendToBack(s) && ids.size();
         }},
        {"step to the front", [](CMarkDocument& d, auto& ids) { return d.BringToFront(ids[0]); }},
        {"step start", [](CMarkDocument& d, auto&) { return d.SetStepStart(7); }},
        {"redact moved beside a pixelate", [](CMarkDocument& d, auto& ids) { return d.Nudge(ids[3], 0, 12); }},
        {"redact deleted beside a pixelate", [](CMarkDocument& d, auto& ids) { return d.Delete(ids[3]); }},
        {"shape drawn over the pixelate's ring", [](CMarkDocument& d, auto&) {
             return d.Add(BoxMark(MarkKind::Redact, {100, 10, 140, 11}, 0x00FF00)) != 0;
         }},
        {"pixelate moved", [](CMarkDocument& d, auto& ids) { return d.Nudge(ids[4], -3, 2); }},
        {"z-order of two overlapping shapes", [](CMarkDocument& d, auto& ids) { return d.SendToBack(ids[6]); }},
        {"restyle", [](CMarkDocument& d, auto& ids) {
             MarkStyle s = d.Find(ids[5])->style;
             s.width = 9;
             s.colour = 0x123456;
             return d.Restyle(ids[5], s);
         }},
    };
    const Pic base = RandomPic(160, 90, 9);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        CMarkDocument doc(CSize(160, 90), &kText);
        std::vector<uint32_t> ids;
        for (int i = 0; i < 3; ++i) ids.push_back(doc.Add(BoxMark(MarkKind::Step, {20 + 24 * i, 60, 40 + 24 * i, 80})));
        ids.push_back(doc.Add(BoxMark(MarkKind::Redact, {100, 25, 140, 40}, 0x0000FF)));      // 3
        ids.push_back(doc.Add(BoxMark(MarkKind::Pixelate, {110, 11, 130, 25}, 0, false, 4)));  // 4: ring row 25
        ids.push_back(doc.Add(PathMark(MarkKind::Arrow, {{5, 5}, {60, 40}}, 3)));  // 5
        ids.push_back(doc.Add(BoxMark(MarkKind::Ellipse, {30, 10, 70, 50}, 0x00FF00, true)));  // 6
        const Pic before = ComposeDoc(doc, base);
        const MarkState stateBefore = doc.State();
        doc.TakeDirty();
        ASSERT_TRUE(r.op(doc, ids));
        const Pic after = ComposeDoc(doc, base);
        ASSERT_FALSE(SamePic(before, after));
        const Rect dirty = doc.TakeDirty();
        Pic repainted = before;
        doc.Compose(base.S(), repainted.S(), dirty);
        EXPECT_TRUE(SamePic(after, repainted)) << "dirty " << RectText(dirty);
        const Rect changed = ChangedArea(stateBefore, doc.State());
        EXPECT_TRUE(SameOutside(before, after, changed)) << "changed " << RectText(changed);
    }
}
