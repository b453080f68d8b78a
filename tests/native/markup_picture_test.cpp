// The document's picture steps and restarts: a picture change is one undo step that tells its
// listener before the marks come back, keeps both whole states, and Reset/Restart clear the
// history while the object stays.
#include <gtest/gtest.h>

#include <vector>

#include "markup/MarkDocument.h"

namespace {

using kv::markup::CMarkDocument;
using kv::markup::Mark;
using kv::markup::MarkKind;
using kv::markup::MarkState;

struct Listener : CMarkDocument::IPictureListener {
    std::vector<std::pair<uint64_t, bool>> calls;
    const CMarkDocument* doc = nullptr;
    std::vector<size_t> marksSeen;  // the marks present when told: the picture comes first
    void PictureChanged(uint64_t token, bool forward) override {
        calls.emplace_back(token, forward);
        marksSeen.push_back(doc->Marks().size());
    }
};

Mark Box(kv::Rect r) {
    Mark m;
    m.kind = MarkKind::Rectangle;
    m.box = r;
    return m;
}

TEST(MarkupPicture, ChangeIsOneStepTellingTheListenerFirst) {
    CMarkDocument doc(CSize(100, 80), nullptr);
    Listener l;
    l.doc = &doc;
    doc.SetPictureListener(&l);
    doc.Add(Box({10, 10, 30, 30}));
    doc.Crop(kv::Rect{5, 5, 95, 75});
    const MarkState before = doc.State();
    struct Row {
        const char* name;
        CSize picture;
        bool keep;
    };
    for (const Row& r : {Row{"same size, marks kept", CSize(100, 80), true}, Row{"new size, marks dropped", CSize(80, 100), false}}) {
        SCOPED_TRACE(r.name);
        l.calls.clear(), l.marksSeen.clear();
        const size_t steps = doc.UndoSteps();
        MarkState after = r.keep ? doc.State() : MarkState{{}, kv::Rect{0, 0, r.picture.cx, r.picture.cy}, 1};
        doc.ChangePicture(7, r.picture, after);
        EXPECT_EQ(doc.UndoSteps(), steps + 1);
        EXPECT_TRUE(l.calls.empty()) << "the caller made the picture itself";
        EXPECT_EQ(doc.PictureSize(), r.picture);
        EXPECT_EQ(doc.Marks().size(), r.keep ? 1u : 0u);
        EXPECT_FALSE(doc.TakeDirty().IsEmpty());
        ASSERT_TRUE(doc.Undo());
        EXPECT_TRUE(doc.State() == before);
        EXPECT_EQ(doc.PictureSize(), CSize(100, 80));
        ASSERT_TRUE(doc.Redo());
        EXPECT_EQ(doc.PictureSize(), r.picture);
        ASSERT_EQ(l.calls.size(), 2u);
        EXPECT_EQ(l.calls[0], std::make_pair(uint64_t(7), false));
        EXPECT_EQ(l.calls[1], std::make_pair(uint64_t(7), true));
        // Told before the marks changed: on undo the after-state's marks were still there.
        EXPECT_EQ(l.marksSeen[0], r.keep ? 1u : 0u);
        ASSERT_TRUE(doc.Undo());
    }
    // A crop larger than the new picture is held to it.
    doc.ChangePicture(9, CSize(50, 40), doc.State());
    EXPECT_EQ(doc.State().crop.right, 50);
    EXPECT_EQ(doc.State().crop.bottom, 40);
    // New ids never collide with those a picture step brought back.
    const uint32_t id = doc.Add(Box({1, 1, 5, 5}));
    for (const Mark& m : doc.Marks()) {
        if (m.id != id) {
            EXPECT_LT(m.id, id);
        }
    }
}

TEST(MarkupPicture, ResetAndRestartClearTheHistory) {
    CMarkDocument doc(CSize(60, 40), nullptr);
    doc.Add(Box({1, 1, 10, 10}));
    const MarkState one = doc.State();
    doc.Add(Box({20, 20, 30, 30}));
    doc.Reset(one);
    EXPECT_TRUE(doc.State() == one);
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_EQ(doc.HistoryBytes() < 1024, true);
    doc.BeginGesture();
    doc.Restart(CSize(30, 20));
    EXPECT_FALSE(doc.InGesture()) << "a restart ends an open gesture";
    EXPECT_TRUE(doc.Marks().empty());
    EXPECT_EQ(doc.OutputSize(), CSize(30, 20));
    EXPECT_EQ(doc.PictureSize(), CSize(30, 20));
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_FALSE(doc.TakeDirty().IsEmpty());
    EXPECT_NE(doc.Add(Box({1, 1, 5, 5})), 0u);
}

}  // namespace
