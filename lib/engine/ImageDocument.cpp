// The image document: the chain's plan, the marks over the processed picture, and the engine's
// side of the mark-up editor (apply, discard, copy and save of the marked picture, image
// operations as steps of the marks' history).
#include "engine/ImageDocument.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "imaging/Pixels24.h"

namespace kv {

namespace {

// The switches' getters and setters in kv::ImageOperation's order (the main window's order).
struct SwitchAccess {
    int (CKarvoConfig::*get)() const;
    void (CKarvoConfig::*set)(int);
};
constexpr SwitchAccess kSwitches[kImageOperationCount] = {
    {&CKarvoConfig::GetGrayScale, &CKarvoConfig::SetGrayScale},
    {&CKarvoConfig::GetNegate, &CKarvoConfig::SetNegate},
    {&CKarvoConfig::GetScale, &CKarvoConfig::SetScale},
    {&CKarvoConfig::GetRotate, &CKarvoConfig::SetRotate},
    {&CKarvoConfig::GetFlipHorz, &CKarvoConfig::SetFlipHorz},
    {&CKarvoConfig::GetFlipVert, &CKarvoConfig::SetFlipVert},
    {&CKarvoConfig::GetShearDown, &CKarvoConfig::SetShearDown},
    {&CKarvoConfig::GetShearAcross, &CKarvoConfig::SetShearAcross},
    {&CKarvoConfig::GetBlur, &CKarvoConfig::SetBlur},
    {&CKarvoConfig::GetSharpen, &CKarvoConfig::SetSharpen},
};

}  // namespace

ImageSwitches ReadSwitches(const CKarvoConfig& c) {
    ImageSwitches s;
    for (int i = 0; i < kImageOperationCount; ++i) s.on[size_t(i)] = (c.*kSwitches[i].get)() != 0;
    return s;
}

void WriteSwitches(CKarvoConfig& c, const ImageSwitches& s) {
    for (int i = 0; i < kImageOperationCount; ++i) (c.*kSwitches[i].set)(s.on[size_t(i)] ? 1 : 0);
}

PlannedChain::PlannedChain(const CKarvoConfig& c, CSize raw)
    : replace(0x000000, 0x0000FF),
      flip(c.GetFlipHorz(), c.GetFlipVert()),
      rotate(c.GetRotateAngle(), c.m_bInterpolate),
      resize(c.GetScaleFactor() / 100.0),
      shear(c.GetShearAcross() ? c.GetShearAcrossAmout() : 0, c.GetShearDown() ? c.GetShearDownAmout() : 0,
            c.m_bInterpolate),
      blur(c.GetBlurFactor()),
      sharpen(c.GetSharpenFactor()),
      size(raw) {
    const auto add = [&](CImage32BitProcessor* p, int refusal) {
        const CSize next = p->CalcDestSize(size);
        const int64_t pixels = CheckedPixelCount(next.cx, next.cy);
        const bool tooLarge = next.cx >= 0 && next.cy >= 0 && (pixels < 0 || pixels > CKarvoCore::kMaxImagePixels);
        const bool empty = next.cx <= 0 || next.cy <= 0;
        if (refusal && (tooLarge || empty)) {
            refused |= empty ? refusal << CKarvoCore::kEmptyShift : refusal;
            if (!empty) sizeRefused = next;
            return;
        }
        size = next;
        chain.push_back(p);
    };
    if (c.GetGrayScale()) add(&grey, 0);
    if (c.GetNegate()) add(&negate, 0);
    if (c.m_bReplaceColor) add(&replace, 0);
    if (c.GetFlipHorz() || c.GetFlipVert()) add(&flip, 0);
    if (c.GetRotate()) add(&rotate, CKarvoCore::kRefusedRotate);
    if (c.GetScale()) add(&resize, CKarvoCore::kRefusedScale);
    if (c.GetShearDown() || c.GetShearAcross()) add(&shear, CKarvoCore::kRefusedShear);
    if (c.GetBlur()) add(&blur, 0);
    if (c.GetSharpen()) add(&sharpen, 0);
}

CSize ProcessedSize(const CKarvoConfig& c, CSize raw, bool process) {
    if (!process) return raw;
    return PlannedChain(c, raw).size;
}

bool MarksFollow(const CKarvoConfig& from, const CKarvoConfig& to) {
    const bool rotate = from.GetRotate() || to.GetRotate(), scale = from.GetScale() || to.GetScale();
    const bool shear = from.GetShearDown() || from.GetShearAcross() || to.GetShearDown() || to.GetShearAcross();
    if (from.GetFlipHorz() != to.GetFlipHorz() || from.GetFlipVert() != to.GetFlipVert()) return false;
    if (from.GetRotate() != to.GetRotate() || (rotate && from.GetRotateAngle() != to.GetRotateAngle())) return false;
    if (from.GetScale() != to.GetScale() || (scale && from.GetScaleFactor() != to.GetScaleFactor())) return false;
    if (from.GetShearDown() != to.GetShearDown() || from.GetShearAcross() != to.GetShearAcross()) return false;
    if (shear && (from.GetShearDownAmout() != to.GetShearDownAmout() || from.GetShearAcrossAmout() != to.GetShearAcrossAmout()))
        return false;
    if ((rotate || scale || shear) && from.m_bInterpolate != to.m_bInterpolate) return false;
    return from.m_bEnableProcessing == to.m_bEnableProcessing || !(rotate || scale || shear || from.GetFlipHorz() || from.GetFlipVert());
}

ImageDocument::ImageDocument(CKarvoCore& owner) : core(owner), text(markup::MakeGdiTextRasterizer()) {}

ImageDocument::~ImageDocument() = default;

void ImageDocument::NewPicture() {
    ++pictureId;
    fresh = true;
    if (marks) marks->Restart(CSize());  // whoever holds the marks sees none from now on
    applied = markup::MarkState{};
    hasApplied = false;
    composed.reset();
}

markup::CMarkDocument& ImageDocument::MarksFor(CSize picture) {
    if (!marks) {
        marks = std::make_unique<markup::CMarkDocument>(picture, text.get());
        marks->SetPictureListener(this);
        fresh = true;
    }
    if (fresh || !(marks->PictureSize() == picture)) {
        marks->Restart(picture);
        marksConfig = core.m_config;
        fresh = false;
        applied = marks->State();
        appliedPicture = picture;
        hasApplied = false;
        composed.reset();
    }
    return *marks;
}

static bool Draws(const markup::MarkState& s, CSize picture) {
    return !s.marks.empty() || !markup::operator==(s.crop, Rect{0, 0, picture.cx, picture.cy});
}

bool ImageDocument::AppliedDraws() const {
    return hasApplied && marks && appliedPicture == marks->PictureSize() && Draws(applied, appliedPicture);
}

bool ImageDocument::CurrentDraws() const { return marks && !fresh && Draws(marks->State(), marks->PictureSize()); }

void ImageDocument::Follow(CSize processed) {
    if (!marks) return;
    if (!MarksFollow(marksConfig, core.m_config)) fresh = true;
    if (fresh || !(marks->PictureSize() == processed)) MarksFor(processed);
    marksConfig = core.m_config;
}

bool ImageDocument::ComposeInto(bitmap::UniqueDib& out, const markup::MarkState& state) const {
    const HBITMAP base = core.m_bmpProcessed.GetSafeHandle();
    RGBX* px = bitmap::Pixels(base);
    CSize size;
    if (!px || !bitmap::GetSize(base, &size)) return false;
    const CSize o(state.crop.Width(), state.crop.Height());
    if (o.cx <= 0 || o.cy <= 0) return false;
    if (!out || !(out.size() == o)) {
        out.reset();
        out = bitmap::UniqueDib::Create(o);
        if (!out) return false;
    }
    const markup::Surface b{px, size.cx, size.cy, ptrdiff_t(size.cx) * 4};
    const markup::Surface s{out.pixels(), o.cx, o.cy, ptrdiff_t(o.cx) * 4};
    markup::Compose(b, state, s, s.Area(), text.get());
    return true;
}

// An image operation's token: the switch in bits 1-4, its new value in bit 0.
void ImageDocument::PictureChanged(uint64_t token, bool forward) {
    const int op = int(token >> 1);
    const bool on = (token & 1) != 0;
    if (op < 0 || op >= kImageOperationCount) return;
    (core.m_config.*kSwitches[op].set)(on == forward ? 1 : 0);
    marksConfig = core.m_config;
    core.RunChain();
    core.MakeCurrentImage();
}

}  // namespace kv

// ---- CKarvoCore: the results kept in the document ----

bool CKarvoCore::GetConfigSaved() const { return m_doc->configSaved; }
DWORD CKarvoCore::GetConfigSaveError() const { return m_doc->configError; }
CKarvoCore::FileStatus CKarvoCore::GetLastFileStatus() const { return m_doc->lastFileStatus; }
std::wstring CKarvoCore::GetLastFilePath() const { return m_doc->lastFilePath; }
DWORD CKarvoCore::GetLastFileError() const { return m_doc->lastFileError; }
const std::wstring& CKarvoCore::GetAutoSavePath() const { return m_doc->autoSavePath; }
bool CKarvoCore::GetAutoSaveFailed() const { return m_doc->autoSaveFailed; }
DWORD CKarvoCore::GetAutoSaveError() const { return m_doc->autoSaveError; }
int CKarvoCore::GetRefusedSteps() const { return m_doc->refusedSteps; }
CSize CKarvoCore::GetRefusedSize() const { return m_doc->sizeRefused; }

// ---- CKarvoCore: the marks ----

void CKarvoCore::NewPicture() {
    m_doc->NewPicture();
    ++m_doc->serial;
}

kv::markup::Surface CKarvoCore::GetPicture() const {
    CSize size;
    RGBX* px = kv::bitmap::Pixels(m_bmpProcessed.GetSafeHandle());
    if (!px || !kv::bitmap::GetSize(m_bmpProcessed.GetSafeHandle(), &size)) return {};
    return kv::markup::Surface{px, size.cx, size.cy, ptrdiff_t(size.cx) * 4};
}

uint32_t CKarvoCore::GetPictureSerial() const { return m_doc->serial; }

kv::markup::CMarkDocument* CKarvoCore::GetMarks() {
    CSize size;
    if (!m_pImage || !kv::bitmap::Pixels(m_bmpProcessed.GetSafeHandle()) ||
        !kv::bitmap::GetSize(m_bmpProcessed.GetSafeHandle(), &size))
        return nullptr;
    kv::markup::CMarkDocument& marks = m_doc->MarksFor(size);
    if (!m_doc->hasApplied) {
        m_doc->applied = marks.State();
        m_doc->appliedPicture = size;
        m_doc->appliedSwitches = kv::ReadSwitches(m_config);
        m_doc->hasApplied = true;
    }
    return &marks;
}

const kv::markup::ITextRasterizer* CKarvoCore::GetTextRasterizer() const { return m_doc->text.get(); }

bool CKarvoCore::HasUnappliedMarks() const {
    const kv::ImageDocument& d = *m_doc;
    if (!d.marks || !d.hasApplied) return false;
    return !(d.marks->State() == d.applied) || !(kv::ReadSwitches(m_config) == d.appliedSwitches);
}

bool CKarvoCore::HasAppliedMarks() const { return m_doc->AppliedDraws(); }

// Nothing to apply leaves the image (and the names of the file it came from) alone.
BOOL CKarvoCore::ApplyMarks() {
    kv::markup::CMarkDocument* marks = GetMarks();
    if (!marks) return FALSE;
    if (!HasUnappliedMarks() && m_doc->appliedPicture == marks->PictureSize()) return TRUE;
    kv::ImageDocument& d = *m_doc;
    const kv::markup::MarkState before = d.applied;
    const CSize beforePicture = d.appliedPicture;
    d.applied = marks->State();
    d.appliedPicture = marks->PictureSize();
    d.appliedSwitches = kv::ReadSwitches(m_config);
    MakeCurrentImage();
    if (!m_pImage || (d.AppliedDraws() && !d.composed)) {
        d.applied = before;  // memory short: the picture as it was
        d.appliedPicture = beforePicture;
        MakeCurrentImage();
        return FALSE;
    }
    RenewCopies();
    return TRUE;
}

void CKarvoCore::DiscardMarks() {
    kv::ImageDocument& d = *m_doc;
    if (!HasUnappliedMarks()) return;
    const bool switched = !(kv::ReadSwitches(m_config) == d.appliedSwitches);
    if (switched) {
        kv::WriteSwitches(m_config, d.appliedSwitches);
        d.marksConfig = m_config;
        RunChain();
    }
    CSize size;
    kv::bitmap::GetSize(m_bmpProcessed.GetSafeHandle(), &size);
    // An image operation may have changed the size: the marks' own picture is the applied one again.
    if (!(d.marks->PictureSize() == d.appliedPicture)) d.marks->Restart(d.appliedPicture);
    d.marks->Reset(d.applied);
    if (!(d.appliedPicture == size)) d.MarksFor(size);  // cannot happen: the applied switches gave that size
    if (switched) MakeCurrentImage();
}

namespace {

// The marked picture as a 24-bit image, with the pixels it was made from kept beside it.
struct Marked {
    kv::bitmap::UniqueDib pixels;
    std::unique_ptr<Gdiplus::Bitmap> image;
};

Marked MakeMarked(const kv::ImageDocument& d) {
    Marked m;
    if (!d.marks || !d.ComposeInto(m.pixels, d.marks->State())) return {};
    const CSize s = m.pixels.size();
    m.image = std::make_unique<Gdiplus::Bitmap>(INT(s.cx), INT(s.cy), PixelFormat24bppRGB);
    if (m.image->GetLastStatus() != Gdiplus::Ok) return {};
    const Gdiplus::Rect all(0, 0, INT(s.cx), INT(s.cy));
    Gdiplus::BitmapData data{};
    if (m.image->LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat24bppRGB, &data) != Gdiplus::Ok) return {};
    const bool packed = kv::PackRows24(m.pixels.pixels(), s, static_cast<uint8_t*>(data.Scan0), data.Stride);
    m.image->UnlockBits(&data);
    if (!packed) return {};
    return m;
}

}  // namespace

BOOL CKarvoCore::CopyMarkedImage() {
    if (!GetMarks()) return m_doc->lastFileStatus = FileStatus::NoImage, FALSE;
    const Marked m = MakeMarked(*m_doc);
    if (!m.image) return m_doc->lastFileStatus = FileStatus::NoImage, FALSE;
    return CopyImageOf(m.image.get(), m.pixels.get());
}

BOOL CKarvoCore::SaveMarkedImage(const std::wstring& path, CWnd* owner) {
    m_doc->lastFilePath = path;
    m_doc->lastFileError = 0;
    if (!GetMarks()) return m_doc->lastFileStatus = FileStatus::NoImage, FALSE;
    const Marked m = MakeMarked(*m_doc);
    if (!m.image) return m_doc->lastFileStatus = FileStatus::NoImage, FALSE;
    return SaveImageOf(m.image.get(), path, owner ? owner : m_pMainWnd, nullptr);
}

bool CKarvoCore::ImageOperationKeepsSize(kv::ImageOperation op) const {
    CSize raw;
    if (!kv::bitmap::GetSize(m_bmpRaw.GetSafeHandle(), &raw)) return true;
    const bool process = m_config.m_bEnableProcessing != 0;
    CKarvoConfig flipped = m_config;
    const auto& s = kv::kSwitches[int(op)];
    (flipped.*s.set)((m_config.*s.get)() ? 0 : 1);
    return kv::ProcessedSize(m_config, raw, process) == kv::ProcessedSize(flipped, raw, process);
}

BOOL CKarvoCore::ApplyImageOperation(kv::ImageOperation op) {
    const int i = int(op);
    kv::markup::CMarkDocument* marks = GetMarks();
    if (i < 0 || i >= kv::kImageOperationCount || !marks || marks->InGesture()) return FALSE;
    const auto& s = kv::kSwitches[i];
    const bool on = (m_config.*s.get)() == 0;
    const CKarvoConfig before = m_config;
    (m_config.*s.set)(on ? 1 : 0);
    RunChain();
    CSize size;
    if (m_doc->refusedSteps || !kv::bitmap::GetSize(m_bmpProcessed.GetSafeHandle(), &size)) {
        const int refused = m_doc->refusedSteps;
        (m_config.*s.set)(on ? 0 : 1);
        RunChain();
        m_doc->refusedSteps = refused;
        return FALSE;
    }
    kv::markup::MarkState after = marks->State();
    if (!(size == marks->PictureSize()) || !kv::MarksFollow(before, m_config))
        after = kv::markup::MarkState{{}, kv::Rect{0, 0, size.cx, size.cy}, after.stepStart};
    m_doc->marksConfig = m_config;
    marks->ChangePicture(uint64_t(i) << 1 | (on ? 1 : 0), size, std::move(after));
    MakeCurrentImage();
    return TRUE;
}

bool CKarvoCore::RefreshDropsMarks() const {
    const kv::ImageDocument& d = *m_doc;
    if (!d.marks || (!d.CurrentDraws() && !d.AppliedDraws())) return false;
    CSize raw;
    if (!kv::bitmap::GetSize(m_bmpRaw.GetSafeHandle(), &raw)) return false;
    const bool process = m_run.active ? m_run.process : m_config.m_bEnableProcessing != 0;
    return !(kv::ProcessedSize(m_config, raw, process) == d.marks->PictureSize()) || !kv::MarksFollow(d.marksConfig, m_config);
}

bool CKarvoCore::ImageOperationKeepsMarks(kv::ImageOperation op) const {
    CKarvoConfig flipped = m_config;
    const auto& s = kv::kSwitches[int(op)];
    (flipped.*s.set)((m_config.*s.get)() ? 0 : 1);
    return ImageOperationKeepsSize(op) && kv::MarksFollow(m_config, flipped);
}
