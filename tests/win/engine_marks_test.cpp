// The marks through the engine: applying makes the current image, thumbnail and copies; the
// marks stay with the picture while it keeps its size; an image operation is one undo step;
// the editor's copy and save leave the current image alone.
#include <gtest/gtest.h>

#include "MarksFixture.h"

namespace {

using kv::ImageOperation;
using kv::markup::MarkKind;
using kvtest::BoxMark;
using kvtest::ComposedNow;
using kvtest::SameImage;

// src with the box filled with one colour: what a redaction over it must give.
ref::Img Filled(ref::Img img, kv::Rect box, COLORREF c) {
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) img.at(x, y) = ref::Px(c);
    return img;
}

// The switch behind each operation, as the main window's table has them.
struct SwitchAccess {
    int (CKarvoConfig::*get)() const;
    void (CKarvoConfig::*set)(int);
};
SwitchAccess Access(ImageOperation op) {
    static const SwitchAccess table[kv::kImageOperationCount] = {
        {&CKarvoConfig::GetGrayScale, &CKarvoConfig::SetGrayScale},     {&CKarvoConfig::GetNegate, &CKarvoConfig::SetNegate},
        {&CKarvoConfig::GetScale, &CKarvoConfig::SetScale},             {&CKarvoConfig::GetRotate, &CKarvoConfig::SetRotate},
        {&CKarvoConfig::GetFlipHorz, &CKarvoConfig::SetFlipHorz},       {&CKarvoConfig::GetFlipVert, &CKarvoConfig::SetFlipVert},
        {&CKarvoConfig::GetShearDown, &CKarvoConfig::SetShearDown},     {&CKarvoConfig::GetShearAcross, &CKarvoConfig::SetShearAcross},
        {&CKarvoConfig::GetBlur, &CKarvoConfig::SetBlur},               {&CKarvoConfig::GetSharpen, &CKarvoConfig::SetSharpen}};
    return table[int(op)];
}
bool SwitchOn(const CKarvoConfig& c, ImageOperation op) { return (c.*Access(op).get)() != 0; }
void SetSwitch(CKarvoConfig& c, ImageOperation op, bool on) { (c.*Access(op).set)(on ? 1 : 0); }

ref::Img Negated(ref::Img img) {
    for (RGBX& p : img.px) p = RGBX{uint8_t(~p.blue), uint8_t(~p.green), uint8_t(~p.red), 0};
    return img;
}

class EngineMarks : public kvtest::MarksTest {
protected:
    void SetUp() override { Start(L"marks", kvtest::RandomImage(121, 83, 7)); }
    const kv::Rect box{10, 12, 40, 30};
    const COLORREF black = 0x000000;
};

// Applied marks are what the current image, the thumbnail and the copy show; the marks stay
// editable; discarding goes back to the applied state.
TEST_F(EngineMarks, ApplyAndDiscard) {
    kv::markup::CMarkDocument* marks = core.GetMarks();
    ASSERT_TRUE(marks);
    EXPECT_TRUE(SameImage(src, kvtest::SurfaceImage(core.GetPicture())));
    EXPECT_FALSE(core.HasUnappliedMarks());
    ASSERT_TRUE(marks->Add(BoxMark(MarkKind::Redact, box, black)));
    EXPECT_TRUE(core.HasUnappliedMarks());
    EXPECT_TRUE(SameImage(src, kvtest::ImagePixels(core.GetImage()))) << "not applied yet";
    ASSERT_TRUE(core.ApplyMarks());
    EXPECT_FALSE(core.HasUnappliedMarks());
    EXPECT_TRUE(core.HasAppliedMarks());
    const ref::Img want = Filled(src, box, black);
    EXPECT_TRUE(SameImage(want, kvtest::ImagePixels(core.GetImage())));
    int tx, ty;
    EXPECT_TRUE(SameImage(want, kvtest::Opaque(kvtest::ImagePixels(core.GetThubImage(tx, ty)))));
    ASSERT_TRUE(core.CopyImageData(0));
    EXPECT_TRUE(SameImage(want, kvtest::ClipboardDib()));
    EXPECT_EQ(core.GetMarks(), marks) << "the same marks, still editable";
    ASSERT_EQ(marks->Marks().size(), 1u);

    // A second mark, then discard: back to one mark, the image as applied.
    marks->Add(BoxMark(MarkKind::Redact, kv::Rect{50, 50, 60, 60}, 0xFFFFFF));
    core.DiscardMarks();
    EXPECT_FALSE(core.HasUnappliedMarks());
    EXPECT_EQ(marks->Marks().size(), 1u);
    EXPECT_FALSE(marks->CanUndo());
    EXPECT_TRUE(SameImage(want, kvtest::ImagePixels(core.GetImage())));
    EXPECT_TRUE(SameImage(want, ComposedNow(core)));

    // Crop alone is a change too: the current image is the cropped picture.
    ASSERT_TRUE(marks->Crop(kv::Rect{5, 6, 65, 46}));
    ASSERT_TRUE(core.ApplyMarks());
    ref::Img cropped(60, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) cropped.at(x, y) = want.at(x + 5, y + 6);
    EXPECT_TRUE(SameImage(cropped, kvtest::ImagePixels(core.GetImage())));
}

// Each of the ten switches changed in the main window with a mark applied: the marks stay where
// they are when the picture keeps its size and no pixel moves; otherwise (a new size, or a flip
// that would move what a redaction hid out from under it) the refresh drops them and the engine
// said so beforehand. The editor's tests give the same answers before the change.
TEST_F(EngineMarks, SwitchChangeKeepsMarksOfTheSameSize) {
    struct Row {
        ImageOperation op;
        bool keepsSize, keepsMarks;
    };
    const Row rows[] = {{ImageOperation::GrayScale, true, true},   {ImageOperation::Negate, true, true},
                        {ImageOperation::Scale, false, false},     {ImageOperation::Rotate, false, false},
                        {ImageOperation::FlipHorz, true, false},   {ImageOperation::FlipVert, true, false},
                        {ImageOperation::ShearDown, false, false}, {ImageOperation::ShearAcross, false, false},
                        {ImageOperation::Blur, true, true},        {ImageOperation::Sharpen, true, true}};
    for (const Row& r : rows) {
        SCOPED_TRACE(int(r.op));
        core.m_config.ResetImageOption();
        Picture(kvtest::RandomImage(121, 83, 11 + int(r.op)));
        kv::markup::CMarkDocument* marks = core.GetMarks();
        ASSERT_TRUE(marks);
        marks->Add(BoxMark(MarkKind::Redact, box, black));
        ASSERT_TRUE(core.ApplyMarks());
        EXPECT_EQ(core.ImageOperationKeepsSize(r.op), r.keepsSize);
        EXPECT_EQ(core.ImageOperationKeepsMarks(r.op), r.keepsMarks);
        SetSwitch(core.m_config, r.op, true);
        EXPECT_EQ(core.RefreshDropsMarks(), !r.keepsMarks);
        core.RefreshImageData();
        kv::markup::CMarkDocument* after = core.GetMarks();
        ASSERT_TRUE(after);
        const ref::Img processed = kvtest::SurfaceImage(core.GetPicture());
        EXPECT_EQ(after, marks);
        if (r.keepsMarks) {
            ASSERT_EQ(after->Marks().size(), 1u);
            EXPECT_TRUE(SameImage(Filled(processed, box, black), kvtest::ImagePixels(core.GetImage())));
        } else {
            EXPECT_TRUE(after->Marks().empty());
            EXPECT_FALSE(core.HasAppliedMarks());
            EXPECT_TRUE(SameImage(processed, kvtest::ImagePixels(core.GetImage())));
        }
    }
    core.m_config.ResetImageOption();
}

// A parameter of the settings sheet that moves pixels (here the rotation's angle, from 180° to
// 0°) drops the marks as a switch does; one that moves nothing (the blur's factor) keeps them.
TEST_F(EngineMarks, ParameterThatMovesPixelsDropsMarks) {
    core.m_config.ResetImageOption();
    core.m_config.SetRotate(1);
    core.m_config.SetRotateAngle(180);
    Picture(kvtest::RandomImage(64, 48, 9));
    ASSERT_TRUE(core.GetMarks());
    core.GetMarks()->Add(BoxMark(MarkKind::Redact, kv::Rect{4, 4, 20, 20}, black));
    ASSERT_TRUE(core.ApplyMarks());
    core.m_config.SetBlurFactor(3);
    EXPECT_FALSE(core.RefreshDropsMarks());
    core.m_config.SetRotateAngle(0);
    EXPECT_TRUE(core.RefreshDropsMarks());
    core.RefreshImageData();
    EXPECT_TRUE(core.GetMarks()->Marks().empty());
    EXPECT_FALSE(core.HasAppliedMarks());
    core.m_config.ResetImageOption();
}

// An image operation from the editor: one undo step that flips the switch and runs the chain;
// undo gives the picture, the marks and the switch back exactly; a size change drops the marks
// within the step. The current image takes the new picture with the applied marks when they fit.
TEST_F(EngineMarks, ImageOperationIsOneUndoStep) {
    for (ImageOperation op : {ImageOperation::Negate, ImageOperation::FlipHorz, ImageOperation::Rotate, ImageOperation::Scale}) {
        SCOPED_TRACE(int(op));
        core.m_config.ResetImageOption();
        Picture(kvtest::RandomImage(64, 48, 3 + int(op)));
        kv::markup::CMarkDocument* marks = core.GetMarks();
        ASSERT_TRUE(marks);
        marks->Add(BoxMark(MarkKind::Redact, kv::Rect{4, 4, 20, 20}, black));
        marks->Add(BoxMark(MarkKind::Rectangle, kv::Rect{30, 10, 50, 30}, 0x00FF00));
        const ref::Img before = ComposedNow(core);
        const size_t steps = marks->UndoSteps();
        const uint32_t serial = core.GetPictureSerial();
        const bool keeps = core.ImageOperationKeepsMarks(op);
        ASSERT_TRUE(core.ApplyImageOperation(op));
        EXPECT_NE(core.GetPictureSerial(), serial);
        EXPECT_EQ(marks->UndoSteps(), steps + 1);
        EXPECT_TRUE(SwitchOn(core.m_config, op));
        EXPECT_EQ(marks->Marks().size(), keeps ? 2u : 0u);
        EXPECT_TRUE(core.HasUnappliedMarks());
        const ref::Img after = ComposedNow(core);
        if (op == ImageOperation::Negate) {
            EXPECT_TRUE(SameImage(Negated(src), kvtest::SurfaceImage(core.GetPicture())));
        }
        ASSERT_TRUE(marks->Undo());
        EXPECT_FALSE(SwitchOn(core.m_config, op));
        EXPECT_TRUE(SameImage(src, kvtest::SurfaceImage(core.GetPicture())));
        EXPECT_TRUE(SameImage(before, ComposedNow(core)));
        ASSERT_TRUE(marks->Redo());
        EXPECT_TRUE(SameImage(after, ComposedNow(core)));
        // Discarding takes the switch back too.
        core.DiscardMarks();
        EXPECT_FALSE(SwitchOn(core.m_config, op));
        EXPECT_TRUE(SameImage(src, kvtest::SurfaceImage(core.GetPicture())));
        ASSERT_TRUE(core.GetMarks());
        EXPECT_TRUE(core.GetMarks()->Marks().empty());
    }
}

// The editor's Ctrl+C and Ctrl+S: the marked picture through the same clipboard and save paths,
// the current image, its names and the thumbnail unchanged; a save that fails says why and
// leaves the file as it was.
TEST_F(EngineMarks, MarkedCopyAndSaveLeaveTheCurrentImage) {
    core.SetPathName(L"C:\\kept.png");
    kv::markup::CMarkDocument* marks = core.GetMarks();
    ASSERT_TRUE(marks);
    marks->Add(BoxMark(MarkKind::Redact, box, 0x3366CC));
    const ref::Img want = ComposedNow(core);
    EXPECT_TRUE(SameImage(Filled(src, box, 0x3366CC), want));
    ASSERT_TRUE(core.CopyMarkedImage());
    EXPECT_TRUE(SameImage(want, kvtest::ClipboardDib()));
    const std::wstring dir = kvtest::TempFolder(L"卡沃 标注 save");
    const std::wstring path = dir + L"标注.png";
    ASSERT_TRUE(core.SaveMarkedImage(path, nullptr));
    EXPECT_EQ(core.GetLastFileStatus(), CKarvoCore::FileStatus::Ok);
    EXPECT_TRUE(SameImage(want, kvtest::DecodeFile(path)));
    EXPECT_TRUE(SameImage(src, kvtest::ImagePixels(core.GetImage())));
    EXPECT_EQ(core.GetPathName(), L"C:\\kept.png");
    EXPECT_TRUE(core.HasUnappliedMarks());

    // Read-only target: refused, the file's bytes stay.
    const std::wstring locked = dir + L"locked.png";
    ASSERT_TRUE(kv::WriteFileAtomic(locked, "old bytes"));
    SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(core.SaveMarkedImage(locked, nullptr));
    EXPECT_EQ(core.GetLastFileStatus(), CKarvoCore::FileStatus::WriteFailed);
    EXPECT_EQ(kvtest::FileBytes(locked), "old bytes");
    SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
    // A name no encoder writes.
    EXPECT_FALSE(core.SaveMarkedImage(dir + L"x.unknown", nullptr));
    EXPECT_EQ(core.GetLastFileStatus(), CKarvoCore::FileStatus::NoEncoder);
}

// The marks belong to one picture: a new one (a capture, a paste) starts without them, and
// reopening on the same picture finds them with their history.
TEST_F(EngineMarks, ANewPictureStartsWithoutMarks) {
    kv::markup::CMarkDocument* marks = core.GetMarks();
    ASSERT_TRUE(marks);
    marks->Add(BoxMark(MarkKind::Redact, box, black));
    ASSERT_TRUE(core.ApplyMarks());
    EXPECT_EQ(core.GetMarks(), marks);
    EXPECT_TRUE(core.GetMarks()->CanUndo());
    ASSERT_TRUE(core.CopyImageData(0));  // the same pixels come back as a paste: a new picture
    ASSERT_TRUE(core.PasteImageData());
    // The editor may hold the marks across it: the same object, with nothing on it.
    EXPECT_TRUE(marks->Marks().empty());
    EXPECT_FALSE(marks->CanUndo());
    EXPECT_EQ(core.GetMarks(), marks);
    EXPECT_TRUE(core.GetMarks()->Marks().empty());
    EXPECT_EQ(marks->OutputSize(), CSize(121, 83));
    EXPECT_FALSE(core.HasAppliedMarks());
    EXPECT_FALSE(core.GetMarks()->CanUndo());
    core.GetMarks()->Add(BoxMark(MarkKind::Redact, box, 0xFFFFFF));
    Picture(src);
    EXPECT_TRUE(core.GetMarks()->Marks().empty());
}

// Copies made of the picture before its marks were applied are renewed: the automatically saved
// file is written again with the marks, and our clipboard copy is put there again; a clipboard
// that another program has filled since is left alone.
TEST_F(EngineMarks, ApplyRenewsTheAutomaticFileAndOurClipboardCopy) {
    const std::wstring dir = kvtest::TempFolder(L"卡沃 标注 auto");
    core.m_config.SetAutoSave(1);
    core.m_config.SetAutoSaveFolder(dir);
    core.m_config.SetAutoSaveFormat(L"png");
    for (bool otherClip : {false, true}) {
        SCOPED_TRACE(otherClip ? "clipboard replaced" : "our clipboard copy");
        Picture(kvtest::RandomImage(90, 70, otherClip ? 5 : 6));
        core.AutoSaveCapture();
        ASSERT_FALSE(core.GetAutoSaveFailed());
        const std::wstring file = core.GetAutoSavePath();
        EXPECT_TRUE(SameImage(src, kvtest::DecodeFile(file)));
        ASSERT_TRUE(core.CopyImageData(0));
        if (otherClip) {
            ASSERT_TRUE(OpenClipboard(nullptr));
            EmptyClipboard();
            HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 4);
            memcpy(GlobalLock(text), L"x", 4);
            GlobalUnlock(text);
            SetClipboardData(CF_UNICODETEXT, text);
            CloseClipboard();
        }
        core.GetMarks()->Add(BoxMark(MarkKind::Redact, box, black));
        ASSERT_TRUE(core.ApplyMarks());
        const ref::Img want = Filled(src, box, black);
        EXPECT_FALSE(core.GetAutoSaveFailed());
        EXPECT_EQ(core.GetAutoSavePath(), file);
        EXPECT_TRUE(SameImage(want, kvtest::DecodeFile(file)));
        if (otherClip) {
            EXPECT_FALSE(IsClipboardFormatAvailable(CF_DIB));
            EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
        } else {
            EXPECT_TRUE(SameImage(want, kvtest::ClipboardDib()));
        }
    }
    core.m_config.SetAutoSave(0);
}

}  // namespace
