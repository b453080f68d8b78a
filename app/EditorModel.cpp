#include "EditorModel.h"

#include <vector>

#include "Tables.h"
#include "framework/GdiPlus.h"

// Until the engine keeps an image document, the model keeps the marks itself: one document per
// run, for the picture it was made for (the engine's image object and its size).
struct CEditorModel::Impl {
    CKarvoCore& core;
    std::vector<RGBX> pixels;
    kv::markup::Surface base;
    explicit Impl(CKarvoCore& c) : core(c) {}
};

namespace {
struct Kept {
    const void* image = nullptr;
    CSize size;
    std::unique_ptr<kv::markup::CMarkDocument> doc;
    kv::markup::PlainTextRasterizer text;
};
Kept& KeptDocument() {
    static Kept kept;
    return kept;
}
}  // namespace

CEditorModel::CEditorModel(CKarvoCore& core) : m(std::make_unique<Impl>(core)) {
    Gdiplus::Bitmap* image = static_cast<Gdiplus::Bitmap*>(core.GetImage());
    if (!image) return;
    const int w = int(image->GetWidth()), h = int(image->GetHeight());
    if (w <= 0 || h <= 0) return;
    m->pixels.resize(size_t(w) * size_t(h));
    Gdiplus::BitmapData data{};
    data.Width = UINT(w);
    data.Height = UINT(h);
    data.Stride = w * 4;
    data.PixelFormat = PixelFormat32bppRGB;
    data.Scan0 = m->pixels.data();
    Gdiplus::Rect r(0, 0, w, h);
    if (image->LockBits(&r, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf, PixelFormat32bppRGB,
                        &data) != Gdiplus::Ok) {
        m->pixels.clear();
        return;
    }
    image->UnlockBits(&data);
    m->base = kv::markup::Surface{m->pixels.data(), w, h, ptrdiff_t(w) * 4};
    Kept& k = KeptDocument();
    if (!k.doc || k.image != image || !(k.size == CSize(w, h))) {
        k.doc = std::make_unique<kv::markup::CMarkDocument>(CSize(w, h), &k.text);
        k.image = image;
        k.size = CSize(w, h);
    }
}

CEditorModel::~CEditorModel() = default;

bool CEditorModel::Valid() const { return m->base.pixels != nullptr; }
kv::markup::Surface CEditorModel::Base() const { return m->base; }
kv::markup::CMarkDocument& CEditorModel::Doc() { return *KeptDocument().doc; }
const kv::markup::CMarkDocument& CEditorModel::Doc() const { return *KeptDocument().doc; }
const kv::markup::ITextRasterizer* CEditorModel::Text() const { return &KeptDocument().text; }
bool CEditorModel::Apply() { return false; }
bool CEditorModel::Copy() { return false; }
bool CEditorModel::Save() { return false; }
bool CEditorModel::ImageOperation(int) { return false; }
bool CEditorModel::CanLeaveThroughEngine() const { return false; }
bool CEditorModel::ImageOperationOn(int index) const {
    return index >= 0 && index < 10 && (m->core.m_config.*kv::app::kImageSwitches[index].get)() != 0;
}
