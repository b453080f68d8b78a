// Text through GDI: each line drawn white on black into a 32-bit bitmap with greyscale
// anti-aliasing, then read back as coverage. DrawTextW rather than TextOutW: it takes the
// characters the face lacks from the fonts the system links to it, so Chinese typed into a
// Latin face still shows (a font without the character would draw boxes).
#include <algorithm>
#include <string>
#include <vector>

#include "framework/Gdi.h"
#include "framework/Handles.h"
#include "imaging/BitmapOps.h"
#include "markup/TextRasterizer.h"

namespace kv::markup {

namespace {

// The mask's sides are held to this many pixels: a long line of large text stays a picture's
// worth of memory, and what lies beyond is cut off.
constexpr int32_t kMaxSide = 16384;

std::vector<std::wstring> SplitLines(const std::wstring& text) {
    std::vector<std::wstring> lines(1);
    for (wchar_t c : text) {
        if (c == L'\n') lines.emplace_back();
        else if (c != L'\r') lines.back() += c;
    }
    return lines;
}

std::wstring DefaultFace() {
    NONCLIENTMETRICSW m{};
    m.cbSize = sizeof m;
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0) && m.lfMessageFont.lfFaceName[0])
        return m.lfMessageFont.lfFaceName;
    return L"Tahoma";
}

class GdiTextRasterizer final : public ITextRasterizer {
public:
    TextMask Render(const std::wstring& text, const std::wstring& face, int32_t sizePx) const override;
};

TextMask GdiTextRasterizer::Render(const std::wstring& text, const std::wstring& faceIn, int32_t sizePx) const {
    TextMask mask;
    if (text.empty()) return mask;
    sizePx = std::clamp(sizePx, 1, 1000);
    LOGFONTW lf{};
    lf.lfHeight = sizePx;  // the cell height: one line is sizePx pixels
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = ANTIALIASED_QUALITY;  // greyscale: one coverage for all three channels
    const std::wstring face = faceIn.empty() ? DefaultFace() : faceIn;
    face.copy(lf.lfFaceName, LF_FACESIZE - 1);
    UniqueHfont font(::CreateFontIndirectW(&lf));
    UniqueHdc dc = CreateCompatibleDc(nullptr);
    if (!font || !dc) return mask;
    const std::vector<std::wstring> lines = SplitLines(text);
    int32_t width = 0, lineHeight = sizePx;
    {
        ScopedSelect selectFont(dc.get(), font.get());
        TEXTMETRICW tm{};
        if (::GetTextMetricsW(dc.get(), &tm) && tm.tmHeight > 0) lineHeight = tm.tmHeight;
        for (const std::wstring& line : lines) {
            if (line.empty()) continue;
            RECT r{0, 0, 0, 0};
            ::DrawTextW(dc.get(), line.c_str(), int(line.size()), &r, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
            width = std::max<int32_t>(width, r.right - r.left);
        }
    }
    // Room for what glyphs draw past their advance (italic faces, a last 'f'), trimmed below.
    const int32_t pad = std::max(2, sizePx / 4);
    const int32_t w = std::min(kMaxSide, width + pad);
    const int32_t h = std::min<int64_t>(kMaxSide, int64_t(lineHeight) * int64_t(lines.size()));
    if (width <= 0 || h <= 0) {
        mask.width = width;
        mask.height = h;
        mask.coverage.assign(size_t(std::max(0, width)) * size_t(std::max(0, h)), 0);
        return mask;
    }
    bitmap::UniqueDib dib = bitmap::UniqueDib::Create(CSize(w, h));
    if (!dib) return mask;
    std::fill(dib.pixels(), dib.pixels() + size_t(w) * size_t(h), RGBX{0, 0, 0, 0});
    {
        ScopedSelect selectBitmap(dc.get(), dib.get());
        ScopedSelect selectFont(dc.get(), font.get());
        ::SetTextColor(dc.get(), RGB(255, 255, 255));
        ::SetBkMode(dc.get(), TRANSPARENT);
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].empty()) continue;
            RECT r{0, int(int64_t(i) * lineHeight), w, int(int64_t(i + 1) * lineHeight)};
            if (r.top >= h) break;
            ::DrawTextW(dc.get(), lines[i].c_str(), int(lines[i].size()), &r, DT_NOPREFIX | DT_SINGLELINE | DT_NOCLIP);
        }
        ::GdiFlush();
    }
    int32_t used = std::min(w, width);
    const RGBX* px = dib.pixels();
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = used; x < w; ++x) {
            const RGBX p = px[size_t(y) * size_t(w) + size_t(x)];
            if (p.red | p.green | p.blue) used = x + 1;
        }
    mask.width = used;
    mask.height = h;
    mask.coverage.resize(size_t(used) * size_t(h));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < used; ++x) {
            const RGBX p = px[size_t(y) * size_t(w) + size_t(x)];
            mask.coverage[size_t(y) * size_t(used) + size_t(x)] = std::max({p.red, p.green, p.blue});
        }
    return mask;
}

}  // namespace

std::unique_ptr<ITextRasterizer> MakeGdiTextRasterizer() { return std::make_unique<GdiTextRasterizer>(); }

}  // namespace kv::markup
