// The engine object: start and close, the processing chain, the two conversions between GDI
// bitmaps and GDI+ images, and the thumbnail.
#include "engine/KarvoCore.h"

#include <memory>

#include "engine/Geometry.h"
#include "framework/Gdi.h"

CKarvoCore::CKarvoCore() : m_bmpRaw(0xFFFFFF), m_bmpProcessed(0xFFFFFF), m_dlgSnapObj(nullptr) {}

CKarvoCore::~CKarvoCore() = default;

// The start both ways share: GDI+, the settings, the engine window (id 100, invisible, marked for
// the mouse hook). -1 when a window is missing: then nothing is created.
int CKarvoCore::StartEngine(CWnd* pMainWnd, CWnd* pPreviewWnd) {
    Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread on
    Gdiplus::GdiplusStartup(&m_gdiplusToken, &input, nullptr);
    m_config.LoadConfig();
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
    m_bConfigSaved = m_config.SaveConfig();
    m_dwConfigError = m_bConfigSaved ? 0 : ::GetLastError();
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
    m_bmpRaw.CopyImage(h);
    m_bmpProcessed.CopyImage(&m_bmpRaw);
}

// The chain in its fixed order: grey, negate, colour replacement, flip, rotate, resize, shear,
// blur, sharpen; each only when switched on. Every refresh starts again from the raw capture.
// The processed bitmap is the chain run straight over the raw one (one pixel transfer fewer than
// a copy followed by processing the copy); an empty or failed chain leaves a plain copy.
void CKarvoCore::RefreshImageData() {
    m_nRefusedSteps = 0;
    if (!m_bmpRaw.GetSafeHandle()) return;
    const CKarvoConfig& c = m_config;
    bool processed = false;
    if (c.m_bEnableProcessing) {
        CImageGrayer grey;
        CImageNegator negate;
        CImageFlipper flip(c.GetFlipHorz(), c.GetFlipVert());
        CImageRotator rotate(c.GetRotateAngle(), c.m_bInterpolate);
        CImageResizer resize(c.GetScaleFactor() / 100.0);
        CImageShearer shear(c.GetShearAcross() ? c.GetShearAcrossAmout() : 0, c.GetShearDown() ? c.GetShearDownAmout() : 0,
                            c.m_bInterpolate);
        CImageBlurrer blur(c.GetBlurFactor());
        CImageSharpener sharpen(c.GetSharpenFactor());
        CImageColorReplacer replace(0x000000, 0x0000FF);
        // A step whose result would pass the engine's size limit is left out (the program
        // reports it); the steps after it see the size before it.
        BITMAP bm{};
        ::GetObjectW(m_bmpRaw.GetSafeHandle(), sizeof bm, &bm);
        CSize size(bm.bmWidth, bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight);
        CProcessorChain chain;
        const auto add = [&](CImage32BitProcessor* p, int refusal) {
            const CSize next = p->CalcDestSize(size);
            const int64_t pixels = kv::CheckedPixelCount(next.cx, next.cy);
            const bool tooLarge = next.cx >= 0 && next.cy >= 0 && (pixels < 0 || pixels > kMaxImagePixels);
            if (refusal && tooLarge) {
                m_nRefusedSteps |= refusal;
                m_sizeRefused = next;
                return;
            }
            size = next;
            chain.push_back(p);
        };
        if (c.GetGrayScale()) add(&grey, 0);
        if (c.GetNegate()) add(&negate, 0);
        if (c.m_bReplaceColor) add(&replace, 0);
        if (c.GetFlipHorz() || c.GetFlipVert()) add(&flip, 0);
        if (c.GetRotate()) add(&rotate, kRefusedRotate);
        if (c.GetScale()) add(&resize, kRefusedScale);
        if (c.GetShearDown() || c.GetShearAcross()) add(&shear, kRefusedShear);
        if (c.GetBlur()) add(&blur, 0);
        if (c.GetSharpen()) add(&sharpen, 0);
        processed = !chain.empty() && m_bmpProcessed.ProcessImageFrom(m_bmpRaw, chain);
    }
    if (!processed) m_bmpProcessed.CopyImage(&m_bmpRaw);
    ClearGdiplusImage();
    m_pImage = ConvertImage(m_bmpProcessed.GetSafeHandle());
    SetThubImage(m_pImage);
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

void CKarvoCore::SetThubImage(Gdiplus::Image* p) {
    delete m_pThubImage;
    m_pThubImage = nullptr;
    if (!p || !m_pPreviewWnd) return;
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
