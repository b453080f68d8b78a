// Engine figures under Wine: RefreshImageData end to end (chain, 24-bit conversion, thumbnail)
// on 1920×1080 and 3840×2160 raw bitmaps, as ratios to a memcpy of the frame, and a capture
// after its grab to the painted preview; SnapBitmap of the screen and a whole capture to the
// painted preview, against a plain BitBlt of the same size.
// Usage: bench_capture [--quick] [--out FILE]
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "BenchUtil.h"
#include "engine/KarvoCore.h"
#include "framework/Gdi.h"

namespace {

class Core : public CKarvoCore {
public:
    using CKarvoCore::ResetBitmapData;
    using CKarvoCore::SnapRect;
};

// The preview painted as the main window paints it after a capture: the thumbnail drawn at its
// place, finished.
void PaintPreview(Core& core, CWnd& preview) {
    int x = 0, y = 0;
    Gdiplus::Image* thumb = core.GetThubImage(x, y);
    kv::WindowDc dc = kv::GetDc(preview.GetSafeHwnd());
    if (thumb && dc) {
        Gdiplus::Graphics g(dc.get());
        g.DrawImage(thumb, x, y, int(thumb->GetWidth()), int(thumb->GetHeight()));
    }
    GdiFlush();
}

HBITMAP MakeFrame(int w, int h) {
    std::vector<RGBX> px(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) px[size_t(y) * w + x] = RGBX{uint8_t(x), uint8_t(y), uint8_t(x ^ y), 0};
    kv::WindowDc screen = kv::GetDc(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen.get(), w, h);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    SetDIBits(screen.get(), bmp, 0, UINT(h), px.data(), &info, DIB_RGB_COLORS);
    return bmp;
}

void AllSwitches(CKarvoConfig& c, int on) {
    c.SetGrayScale(on), c.SetNegate(on), c.SetFlipHorz(on), c.SetFlipVert(on), c.SetRotate(on), c.SetScale(on);
    c.SetShearDown(on), c.SetShearAcross(on), c.SetBlur(on), c.SetSharpen(on);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    bool quick = false;
    std::wstring out;
    for (int i = 1; i < argc; ++i) {
        if (std::wstring(argv[i]) == L"--quick") quick = true;
        if (std::wstring(argv[i]) == L"--out" && i + 1 < argc) out = argv[++i];
    }
    const int runs = quick ? 2 : 5;
    CWnd main, preview;
    main.CreateEx(0, L"bench", WS_OVERLAPPEDWINDOW, CRect(0, 0, 500, 400), nullptr, 0);
    preview.Create(L"", WS_VISIBLE, CRect(0, 0, 400, 300), &main, 1001);
    Core core;
    core.InitDadodav(&main, &preview);
    kvbench::Table table;
    for (CSize size : {CSize(1920, 1080), CSize(3840, 2160)}) {
        const double ref = kvbench::MemcpySeconds(size_t(size.cx) * size.cy * 4, runs * 2);
        char title[64];
        std::snprintf(title, sizeof title, "RefreshImageData %d×%d", size.cx, size.cy);
        table.Header(title);
        table.Row("memcpy of the frame (reference)", ref, ref);
        HBITMAP frame = MakeFrame(size.cx, size.cy);
        core.ResetBitmapData(frame);
        DeleteObject(frame);
        AllSwitches(core.m_config, 0);
        table.Row("default settings (no step on)", kvbench::BestSeconds(runs, [&] { core.RefreshImageData(); }), ref);
        AllSwitches(core.m_config, 1);
        table.Row("all ten switches on", kvbench::BestSeconds(runs, [&] { core.RefreshImageData(); }), ref);
        // A hot-key capture without its grab (this screen is smaller): the frame handed over as
        // a grab's bitmap, the refresh, the preview painted. Default settings.
        AllSwitches(core.m_config, 0);
        frame = MakeFrame(size.cx, size.cy);
        table.Row("capture after the grab: frame → refresh → preview painted", kvbench::BestSeconds(runs, [&] {
                      core.ResetBitmapData(frame);
                      core.RefreshImageData();
                      PaintPreview(core, preview);
                  }), ref);
        DeleteObject(frame);
    }
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    char title[64];
    std::snprintf(title, sizeof title, "screen grab %d×%d", sw, sh);
    table.Header(title);
    HWND desktop = GetDesktopWindow();
    const double blt = kvbench::BestSeconds(runs * 2, [&] {
        kv::WindowDc dc = kv::GetWindowDc(desktop);
        kv::UniqueHdc mem = kv::CreateCompatibleDc(dc.get());
        kv::UniqueHbitmap bmp(CreateCompatibleBitmap(dc.get(), sw, sh));
        kv::ScopedSelect sel(mem.get(), bmp.get());
        BitBlt(mem.get(), 0, 0, sw, sh, dc.get(), 0, 0, SRCCOPY);
    });
    table.Row("plain BitBlt (reference)", blt, blt);
    table.Row("SnapBitmap", kvbench::BestSeconds(runs * 2, [&] { delete CKarvoCore::SnapBitmap(desktop, CRect()); }), blt);
    table.Row("whole capture: grab → refresh → preview painted",
              kvbench::BestSeconds(runs * 2, [&] {
                  core.SnapRect(desktop, CRect());
                  PaintPreview(core, preview);
              }),
              blt);
    core.CloseDadodav();
    DeleteFileW(CKarvoConfig::GetConfigPath().c_str());
    if (!out.empty()) {
        if (FILE* f = _wfopen(out.c_str(), L"w")) {
            std::fputs(table.text.c_str(), f);
            std::fclose(f);
        }
    }
    return 0;
}
