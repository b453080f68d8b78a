// The engine object: start and close, the processing chain, the two conversions between GDI
// bitmaps and GDI+ images, and the thumbnail.
#include "engine/KarvoCore.h"

#include <cstring>
#include <memory>
#include <utility>

#include "imaging/Geometry.h"
#include "engine/ImageDocument.h"
#include "framework/Gdi.h"
#include "imaging/BitmapOps.h"
#include "imaging/Parallel.h"
#include "imaging/Pixels24.h"
#include "imaging/Thumbnail.h"
#include "settings/FileDialogs.h"

CKarvoCore::CKarvoCore()
    : m_bmpRaw(0xFFFFFF), m_bmpProcessed(0xFFFFFF), m_dlgSnapObj(nullptr), m_doc(std::make_unique<kv::ImageDocument>(*this)) {}

CKarvoCore::~CKarvoCore() = default;

// The start both ways share: GDI+, the settings, the engine window (id 100, invisible, marked for
// the mouse hook). -1 when a window is missing: then nothing is created.
int CKarvoCore::StartEngine(CWnd* pMainWnd, CWnd* pPreviewWnd) {
    Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread on
    Gdiplus::GdiplusStartup(&m_gdiplusToken, &input, nullptr);
    m_config.LoadConfig();
    // A format no installed encoder writes (a hand-edited file, another machine's) is the
    // default: every automatic save would fail for it, and the settings page could not show it.
    const kv::CodecList encoders = kv::InstalledCodecs(false);
    if (!kv::CodecForExtension(encoders, m_config.GetAutoSaveFormat()) &&
        kv::CodecForExtension(encoders, CKarvoConfig::kDefaultAutoSaveFormat))
        m_config.SetAutoSaveFormat(CKarvoConfig::kDefaultAutoSaveFormat);
    if (!pMainWnd || !pPreviewWnd) return -1;
    m_pPreviewWnd = pPreviewWnd;
    m_pMainWnd = pMainWnd;
    const BOOL created = CreateEx(0, L"", WS_CHILD, CRect(0, 0, 0, 0), pMainWnd->GetSafeHwnd(), 100);
    if (created) ::SetPropW(m_hWnd, KV_HOOK_TARGET_PROP, reinterpret_cast<HANDLE>(1));
    return created;
}

BOOL CKarvoCore::InitDadodav(CWnd* pMainWnd, CWnd* pPreviewWnd) {
    const int created = StartEngine(pMainWnd, pPreviewWnd);
    if (created < 0) return FALSE;
    if (m_config.GetSnapOnStart()) SnapFullScreen();
    m_bInitializing = FALSE;
    return created;
}

BOOL CKarvoCore::InitForCommandLine(CWnd* pMainWnd, CWnd* pPreviewWnd) {
    const int created = StartEngine(pMainWnd, pPreviewWnd);
    if (created < 0) return FALSE;
    m_bInitializing = FALSE;
    return created;
}

void CKarvoCore::CloseWithoutSaving() {
    ClearGdiplusImage();
    TermGdiplus();
    if (IsWindow()) DestroyWindow();
}

void CKarvoCore::CloseDadodav() {
    ClearGdiplusImage();
    TermGdiplus();
    m_doc->configSaved = m_config.SaveConfig();
    m_doc->configError = m_doc->configSaved ? 0 : ::GetLastError();
    if (IsWindow()) DestroyWindow();
}

BOOL CKarvoCore::InitGdiplus() {
    Gdiplus::GdiplusStartupInput input;
    return Gdiplus::GdiplusStartup(&m_gdiplusToken, &input, nullptr) == Gdiplus::Ok;
}

void CKarvoCore::TermGdiplus() {
    if (m_gdiplusToken) Gdiplus::GdiplusShutdown(m_gdiplusToken);
    m_gdiplusToken = 0;
}

void CKarvoCore::ResetBitmapData(HBITMAP h) {
    if (!h) return;
    NewPicture();
    m_bmpRaw.CopyImage(h);
    m_bmpProcessed.CopyImage(&m_bmpRaw);
}

// Every refresh starts again from the raw capture: chain, then the marks, then the 24-bit image
// and thumbnail. Marks whose picture changes size are dropped here (the main window asks first,
// RefreshDropsMarks); marks over a picture of the same size stay where they are.
void CKarvoCore::RefreshImageData() {
    m_doc->refusedSteps = 0;
    if (!m_bmpRaw.GetSafeHandle()) return;
    RunChain();
    CSize size;
    if (kv::bitmap::GetSize(m_bmpProcessed.GetSafeHandle(), &size)) m_doc->Follow(size);
    if (m_doc->hasApplied) m_doc->appliedSwitches = kv::ReadSwitches(m_config);
    MakeCurrentImage();
}

// The chain in its fixed order (kv::PlannedChain). The processed bitmap is the chain run
// straight over the raw one (one pixel transfer fewer than a copy followed by processing the
// copy); an empty or failed chain leaves a plain copy.
void CKarvoCore::RunChain() {
    m_doc->refusedSteps = 0;
    if (!m_bmpRaw.GetSafeHandle()) return;
    ++m_doc->serial;
    bool processed = false;
    if (m_run.active ? m_run.process : m_config.m_bEnableProcessing != 0) {
        CSize raw;
        kv::bitmap::GetSize(m_bmpRaw.GetSafeHandle(), &raw);
        kv::PlannedChain plan(m_config, raw);
        m_doc->refusedSteps = plan.refused;
        if (plan.refused & ~kChainFailed && !(plan.sizeRefused == CSize())) m_doc->sizeRefused = plan.sizeRefused;
        processed = !plan.chain.empty() && m_bmpProcessed.ProcessImageFrom(m_bmpRaw, plan.chain);
        if (!plan.chain.empty() && !processed) m_doc->refusedSteps |= kChainFailed;
    }
    if (!processed) m_bmpProcessed.CopyImage(&m_bmpRaw);
}

HBITMAP CKarvoCore::CurrentPixels() const {
    return m_doc->composed ? m_doc->composed.get() : m_bmpProcessed.GetSafeHandle();
}

void CKarvoCore::MakeCurrentImage() {
    // The applied marks drawn over the processed picture when they belong to it; else the
    // processed picture itself (no copy of it is made).
    CSize size;
    const bool sized = kv::bitmap::GetSize(m_bmpProcessed.GetSafeHandle(), &size);
    const bool marked = sized && m_doc->AppliedDraws() && m_doc->marks && size == m_doc->marks->PictureSize();
    if (!marked || !m_doc->ComposeInto(m_doc->composed, m_doc->applied)) m_doc->composed.reset();
    const HBITMAP pixels = CurrentPixels();
    // A 24-bit image of the same size is filled again rather than made anew (a new 4K image costs
    // more in first-touch page faults than the filling itself); not one decoded from a file,
    // whose metadata (an EXIF thumbnail of the picture as it was, for one) a save would carry.
    Gdiplus::Image* keep = m_pImage && m_pImage->GetType() == Gdiplus::ImageTypeBitmap && m_pImage->GetPropertyCount() == 0
                               ? std::exchange(m_pImage, nullptr)
                               : nullptr;
    ClearGdiplusImage();
    if (keep && FillImage24(static_cast<Gdiplus::Bitmap*>(keep), pixels)) {
        m_pImage = keep;
    } else {
        delete keep;
        m_pImage = ConvertImage(pixels);
    }
    if (m_doc->deferThumbnail)
        m_doc->thumbnailPending = true;
    else
        SetThubImage(m_pImage, pixels);
}

// A capture's thumbnail, once its picture is on the clipboard and saved.
void CKarvoCore::MakeDeferredThumbnail() {
    m_doc->deferThumbnail = false;
    if (!std::exchange(m_doc->thumbnailPending, false)) return;
    SetThubImage(m_pImage, CurrentPixels());
}

void CKarvoCore::ClearGdiplusImage() {
    delete m_pImage;
    m_pImage = nullptr;
    delete m_pThubImage;
    m_pThubImage = nullptr;
    m_strPathName.clear();
    m_strFileName.clear();
}

Gdiplus::Image* CKarvoCore::GetThubImage(int& x, int& y) const {
    x = m_nThubLeft;
    y = m_nThubTop;
    return m_pThubImage;
}

Gdiplus::Image* CKarvoCore::ConvertImage(HBITMAP h) {
    if (!h) return nullptr;
    // One of our bitmaps: its pixels go straight into a 24-bit image (the same red, green and
    // blue as the two conversions below, one pass instead of two).
    CSize size;
    if (kv::bitmap::Pixels(h) && kv::bitmap::GetSize(h, &size) && size.cx > 0 && size.cy > 0) {
        auto image = std::make_unique<Gdiplus::Bitmap>(INT(size.cx), INT(size.cy), PixelFormat24bppRGB);
        if (image->GetLastStatus() == Gdiplus::Ok && FillImage24(image.get(), h)) return image.release();
    }
    std::unique_ptr<Gdiplus::Bitmap> source(Gdiplus::Bitmap::FromHBITMAP(h, nullptr));
    if (!source || source->GetLastStatus() != Gdiplus::Ok) return nullptr;
    const INT w = INT(source->GetWidth()), hgt = INT(source->GetHeight());
    Gdiplus::Bitmap* clone = source->Clone(0, 0, w, hgt, PixelFormat24bppRGB);
    if (clone && clone->GetLastStatus() != Gdiplus::Ok) {
        delete clone;
        clone = nullptr;
    }
    return clone;
}

// The pixels of one of our bitmaps into a 24-bit image of the same size; false when either is
// not what that needs.
bool CKarvoCore::FillImage24(Gdiplus::Bitmap* image, HBITMAP h) {
    CSize size;
    const RGBX* px = kv::bitmap::Pixels(h);
    if (!image || !px || !kv::bitmap::GetSize(h, &size) || image->GetPixelFormat() != PixelFormat24bppRGB ||
        image->GetWidth() != UINT(size.cx) || image->GetHeight() != UINT(size.cy))
        return false;
    const Gdiplus::Rect all(0, 0, INT(size.cx), INT(size.cy));
    Gdiplus::BitmapData data{};
    if (image->LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat24bppRGB, &data) != Gdiplus::Ok) return false;
    const bool packed = kv::PackRows24(px, size, static_cast<uint8_t*>(data.Scan0), data.Stride);
    image->UnlockBits(&data);
    return packed;
}

CImageBitmap* CKarvoCore::ConvertImage(Gdiplus::Image* p) {
    if (!p || !m_pPreviewWnd) return nullptr;
    const int w = int(p->GetWidth()), h = int(p->GetHeight());
    kv::WindowDc preview = kv::GetDc(m_pPreviewWnd->GetSafeHwnd());
    if (!preview) return nullptr;
    kv::UniqueHdc memory = kv::CreateCompatibleDc(preview.get());
    kv::UniqueHbitmap bitmap(::CreateCompatibleBitmap(preview.get(), w, h));
    if (!memory || !bitmap) return nullptr;
    {
        kv::ScopedSelect select(memory.get(), bitmap.get());
        Gdiplus::Graphics g(memory.get());
        g.DrawImage(p, 0, 0, w, h);
    }
    auto* result = new CImageBitmap(0xFFFFFF);
    result->Attach(bitmap.release());
    return result;
}

void CKarvoCore::SetThubImage(Gdiplus::Image* p) { SetThubImage(p, nullptr); }

// With the image's own 32-bit pixels at hand (a refresh), the thumbnail is made from them by
// area averaging: one pass over the picture, where GDI+'s thumbnail resampled it at about ten
// times a memcpy of the frame under Wine (measured 3840×2160: 30 ms). Same size and place; the
// look of a scaled-down picture (a true mean of each block, so no more aliasing than before).
void CKarvoCore::SetThubImage(Gdiplus::Image* p, HBITMAP pixels) {
    delete m_pThubImage;
    m_pThubImage = nullptr;
    if (!p || !m_pPreviewWnd) return;
    CSize size;
    const RGBX* px = pixels ? kv::bitmap::Pixels(pixels) : nullptr;
    if (px && kv::bitmap::GetSize(pixels, &size) && UINT(size.cx) == p->GetWidth() && UINT(size.cy) == p->GetHeight()) {
        CRect client;
        m_pPreviewWnd->GetClientRect(&client);
        const kv::ThumbLayout t = kv::FitThumbnail(client.Width(), client.Height(), size.cx, size.cy);
        m_nThubLeft = t.left;
        m_nThubTop = t.top;
        if (t.width <= 0 || t.height <= 0) return;
        auto thumb = std::make_unique<Gdiplus::Bitmap>(t.width, t.height, PixelFormat32bppPARGB);
        const Gdiplus::Rect all(0, 0, t.width, t.height);
        Gdiplus::BitmapData data{};
        if (thumb->GetLastStatus() == Gdiplus::Ok &&
            thumb->LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat32bppPARGB, &data) == Gdiplus::Ok) {
            const bool ok = kv::ScaleDownArea(reinterpret_cast<const uint8_t*>(px), ptrdiff_t(size.cx) * 4, size.cx, size.cy,
                                              static_cast<uint8_t*>(data.Scan0), data.Stride, t.width, t.height);
            thumb->UnlockBits(&data);
            if (ok) {
                m_pThubImage = thumb.release();
                return;
            }
        }
    }
    CRect client;
    m_pPreviewWnd->GetClientRect(&client);
    const kv::ThumbLayout t = kv::FitThumbnail(client.Width(), client.Height(), int(p->GetWidth()), int(p->GetHeight()));
    m_nThubLeft = t.left;
    m_nThubTop = t.top;
    if (t.width <= 0 || t.height <= 0) return;
    Gdiplus::Image* thumb = p->GetThumbnailImage(UINT(t.width), UINT(t.height), nullptr, nullptr);
    if (thumb && thumb->GetLastStatus() != Gdiplus::Ok) {
        delete thumb;
        thumb = nullptr;
    }
    m_pThubImage = thumb;
}

LRESULT CKarvoCore::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_TIMER: return OnTimer(wp), 0;
    case WM_ES_LBUTTONDOWN: return OnEsLButtonDown(wp, lp);
    case WM_ES_MOUSEMOVE: return OnEsMouseMove(wp, lp);
    case WM_RBUTTONDOWN:  // the tip promises that a right click ends picking
    case KV_HOOK_RBUTTONDOWN:
        if (m_bFindingWnd && m_dlgSnapObj.GetSafeHwnd()) m_dlgSnapObj.EndDialog(IDCANCEL);
        return 0;
    case WM_CAPTURECHANGED:  // someone took the mouse away: picking cannot go on
        if (m_bFindingWnd && m_dlgSnapObj.GetSafeHwnd()) m_dlgSnapObj.EndDialog(IDCANCEL);
        return 0;
    case WM_DESTROY: ::RemovePropW(m_hWnd, KV_HOOK_TARGET_PROP); return 0;
    default: return DefaultProc(msg, wp, lp);
    }
}
