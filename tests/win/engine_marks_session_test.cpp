// A scripted mark-up session through the engine: sixty operations of every kind (shapes, text in
// Chinese and English through the platform's fonts, steps, redact, pixelate, drags, resizes,
// crops, image operations that keep and that change the size) undone one by one back to the
// original picture byte for byte, and redone to the final one; every intermediate picture comes
// back too. The history keeps no pixels.
#include <gtest/gtest.h>

#include <random>

#include "MarksFixture.h"

namespace {

using kv::markup::Mark;
using kv::markup::MarkKind;
using kv::markup::Point;

uint64_t Hash(const ref::Img& img) {
    uint64_t h = 1469598103934665603ull ^ uint64_t(img.w) << 32 ^ uint64_t(img.h);
    for (const RGBX& p : img.px) {
        for (uint8_t c : {p.blue, p.green, p.red}) h = (h ^ c) * 1099511628211ull;
    }
    return h;
}

class MarksSession : public kvtest::MarksTest {
protected:
    void SetUp() override { Start(L"session", kvtest::RandomImage(640, 400, 17)); }
};

TEST_F(MarksSession, SixtyOperationsUndoneAndRedoneByteExact) {
    kv::markup::CMarkDocument* marks = core.GetMarks();
    ASSERT_TRUE(marks);
    std::mt19937 rng(2024);
    const auto rnd = [&](int lo, int hi) { return lo + int(rng() % uint32_t(hi - lo + 1)); };
    const auto somePoint = [&] {
        const CSize o = marks->OutputSize();
        return Point{rnd(0, o.cx - 1), rnd(0, o.cy - 1)};
    };
    const auto someBox = [&] {
        const Point a = somePoint();
        return kv::Rect{a.x, a.y, a.x + rnd(6, 90), a.y + rnd(6, 60)};
    };
    const auto someMark = [&]() -> uint32_t {
        const auto& list = marks->Marks();
        return list.empty() ? 0 : list[size_t(rnd(0, int(list.size()) - 1))].id;
    };
    const COLORREF colours[] = {0x0000FF, 0x00C000, 0xFF0000, 0x00FFFF, 0x202020, 0xFFFFFF};
    const wchar_t* texts[] = {L"Karvo", L"标注 第一步", L"Ctrl+E\n打开标注窗口", L"密码：123"};
    std::vector<uint64_t> states{Hash(ComposedNow(core))};
    std::vector<std::string> names;
    int imageOps = 0, crops = 0, redacts = 0, sizeChanges = 0;
    for (int attempt = 0; names.size() < 60 && attempt < 1000; ++attempt) {
        const size_t steps = marks->UndoSteps();
        const int i = int(names.size());
        // Fixed places for the operations every session must have; the rest drawn at random.
        int op = i == 10 ? 18 : i == 20 ? 20 : i == 25 ? 8 : i == 40 ? 21 : i == 45 ? 18 : rnd(0, 19);
        Mark m;
        m.style.colour = colours[rnd(0, 5)];
        m.style.width = rnd(1, 6);
        m.style.dashed = rnd(0, 3) == 0;
        m.style.filled = rnd(0, 1) == 1;
        std::string name;
        switch (op) {
            case 0: case 1: case 4: case 5: {
                const MarkKind k[] = {MarkKind::Arrow, MarkKind::Line, MarkKind::Line, MarkKind::Line, MarkKind::Pen, MarkKind::Highlighter};
                m.kind = k[op];
                m.style.twoHeads = rnd(0, 1) == 1;
                const int n = op >= 4 ? rnd(3, 9) : 2;
                for (int p = 0; p < n; ++p) m.points.push_back(somePoint());
                if (op == 5) m.style.width = 12;
                name = "add path";
                marks->Add(m);
                break;
            }
            case 2: case 3: case 6: case 7: case 8: case 9: {
                const MarkKind k[] = {MarkKind::Rectangle, MarkKind::Rectangle, MarkKind::Rectangle, MarkKind::Ellipse,
                                      MarkKind::Rectangle, MarkKind::Rectangle, MarkKind::Text, MarkKind::Step,
                                      MarkKind::Redact, MarkKind::Pixelate};
                m.kind = k[op];
                m.box = someBox();
                if (m.kind == MarkKind::Text) {
                    m.text = texts[rnd(0, 3)];
                    m.style.fontFace = rnd(0, 1) ? L"Arial" : L"";
                    m.style.fontSize = rnd(12, 32);
                    m.style.outline = rnd(0, 1) == 1;
                    m.style.background = !m.style.outline && rnd(0, 1) == 1;
                }
                if (m.kind == MarkKind::Pixelate) m.style.width = rnd(4, 12), m.style.noise = rnd(0, 2) == 0;
                if (m.kind == MarkKind::Redact) ++redacts;
                name = "add box";
                marks->Add(m);
                break;
            }
            case 10: {  // a drag: one step for all its moves
                const uint32_t id = someMark();
                if (!id) break;
                marks->BeginGesture();
                for (int s = 1; s <= 6; ++s) marks->Replace(id, kv::markup::Moved(*marks->Find(id), rnd(-9, 9), rnd(-9, 9)));
                marks->EndGesture();
                name = "drag";
                break;
            }
            case 11: {
                const uint32_t id = someMark();
                if (!id) break;
                marks->BeginGesture();
                const Mark& now = *marks->Find(id);
                marks->Replace(id, kv::markup::Resized(now, kv::markup::Handle::BottomRight, somePoint()));
                marks->EndGesture();
                name = "resize";
                break;
            }
            case 12: if (const uint32_t id = someMark()) marks->Nudge(id, rnd(-10, 10), rnd(-10, 10)), name = "nudge"; break;
            case 13:
                if (const uint32_t id = someMark()) {
                    kv::markup::MarkStyle st = marks->Find(id)->style;
                    st.colour = colours[rnd(0, 5)];
                    st.width = rnd(1, 8);
                    marks->Restyle(id, st);
                    name = "restyle";
                }
                break;
            case 14: if (const uint32_t id = someMark()) marks->Delete(id), name = "delete"; break;
            case 15: if (const uint32_t id = someMark()) marks->Duplicate(id, 12, 12), name = "duplicate"; break;
            case 16: if (const uint32_t id = someMark()) marks->BringToFront(id), name = "front"; break;
            case 17: if (const uint32_t id = someMark()) marks->SendToBack(id), name = "back"; break;
            case 18: {
                const CSize o = marks->OutputSize();
                marks->Crop(kv::Rect{rnd(1, 20), rnd(1, 20), o.cx - rnd(1, 30), o.cy - rnd(1, 30)});
                name = "crop";
                ++crops;
                break;
            }
            case 19: marks->SetStepStart(rnd(1, 9)), name = "step start"; break;
            case 20: case 21: {
                const kv::ImageOperation io = op == 20 ? kv::ImageOperation::Negate : kv::ImageOperation::Rotate;
                sizeChanges += !core.ImageOperationKeepsSize(io);
                ASSERT_TRUE(core.ApplyImageOperation(io));
                name = op == 20 ? "negate" : "rotate";
                ++imageOps;
                break;
            }
        }
        if (marks->UndoSteps() == steps) {
            if (op >= 18) ADD_FAILURE() << "a required operation changed nothing at " << i;
            continue;
        }
        ASSERT_EQ(marks->UndoSteps(), steps + 1) << name << " at " << i << " is one step";
        names.push_back(name);
        states.push_back(Hash(ComposedNow(core)));
    }
    ASSERT_EQ(names.size(), 60u);
    EXPECT_EQ(imageOps, 2);
    EXPECT_EQ(sizeChanges, 1);
    EXPECT_GE(crops, 2);
    EXPECT_GE(redacts, 1);
    const ref::Img final = ComposedNow(core);
    // Steps hold marks and rectangles: a whole session's history is far below one picture.
    EXPECT_LT(marks->HistoryBytes(), size_t(640) * 400 * 4 / 4);

    for (size_t k = names.size(); k-- > 0;) {
        SCOPED_TRACE("undo of " + names[k] + " #" + std::to_string(k));
        ASSERT_TRUE(marks->Undo());
        ASSERT_EQ(Hash(ComposedNow(core)), states[k]);
    }
    EXPECT_FALSE(marks->CanUndo());
    EXPECT_TRUE(kvtest::SameImage(src, kvtest::SurfaceImage(core.GetPicture())));
    EXPECT_TRUE(kvtest::SameImage(src, ComposedNow(core)));
    EXPECT_EQ(core.m_config.GetNegate(), 0);
    EXPECT_EQ(core.m_config.GetRotate(), 0);
    for (size_t k = 0; k < names.size(); ++k) {
        SCOPED_TRACE("redo of " + names[k] + " #" + std::to_string(k));
        ASSERT_TRUE(marks->Redo());
        ASSERT_EQ(Hash(ComposedNow(core)), states[k + 1]);
    }
    EXPECT_TRUE(kvtest::SameImage(final, ComposedNow(core)));
    ASSERT_TRUE(core.ApplyMarks());
    EXPECT_TRUE(kvtest::SameImage(final, kvtest::ImagePixels(core.GetImage())));
}

}  // namespace
