// Text through GDI: each line drawn white on black into a 32-bit bitmap with greyscale
// anti-aliasing, then read back as coverage. Characters the chosen face has no glyph for are
// drawn in the first of a list of fallback faces that has one: the common Chinese faces, then
// any installed face for the Chinese character set. Wine: a face has no linked fonts, so
// "标注" typed in Arial would be drawn as boxes; Windows links some faces itself, and the
// fallback only takes the characters its face really lacks.
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

// The faces tried for characters the chosen face lacks, in order.
std::vector<std::wstring> FallbackFaces() {
    std::vector<std::wstring> faces = {L"Microsoft YaHei UI", L"Microsoft YaHei", L"SimSun", L"SimHei", L"NSimSun",
                                       L"Microsoft JhengHei", L"MS UI Gothic", L"Segoe UI Symbol"};
    UniqueHdc dc = CreateCompatibleDc(nullptr);
    LOGFONTW want{};
    want.lfCharSet = GB2312_CHARSET;
    struct Found {
        std::vector<std::wstring>* faces;
    } found{&faces};
    if (dc)
        ::EnumFontFamiliesExW(
            dc.get(), &want,
            [](const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM p) noexcept -> int {
                auto& list = *reinterpret_cast<Found*>(p)->faces;
                if (lf->lfFaceName[0] != L'@' && std::find(list.begin(), list.end(), lf->lfFaceName) == list.end())
                    list.emplace_back(lf->lfFaceName);
                return list.size() < 24;
            },
            reinterpret_cast<LPARAM>(&found), 0);
    return faces;
}

// One font of a render: its handle and its ascent (the lines share the first font's baseline).
struct Font {
    UniqueHfont handle;
    int ascent = 0;
};

// The last few masks are kept: a drag or a restyle of a text mark asks for the same text again
// for every step (its box when laid out, its pixels when composed), and drawing it through GDI
// costs a bitmap and a font each time.
class GdiTextRasterizer final : public ITextRasterizer {
public:
    TextMask Render(const std::wstring& text, const std::wstring& face, int32_t sizePx) const override;

private:
    TextMask Draw(const std::wstring& text, const std::wstring& face, int32_t sizePx) const;
    struct Kept {
        std::wstring text, face;
        int32_t size;
        TextMask mask;
    };
    static constexpr size_t kKept = 16;
    mutable std::vector<Kept> m_kept;               // most recent last
    mutable std::vector<std::wstring> m_fallbacks;  // found on the first render that needs them
    mutable bool m_fallbacksFound = false;
};

TextMask GdiTextRasterizer::Render(const std::wstring& text, const std::wstring& face, int32_t sizePx) const {
    for (size_t i = m_kept.size(); i-- > 0;)
        if (m_kept[i].size == sizePx && m_kept[i].text == text && m_kept[i].face == face) {
            Kept k = std::move(m_kept[i]);
            m_kept.erase(m_kept.begin() + ptrdiff_t(i));
            m_kept.push_back(std::move(k));
            return m_kept.back().mask;
        }
    TextMask mask = Draw(text, face, sizePx);
    // Large masks are not kept: the cache stays a few hundred kilobytes at most.
    if (mask.coverage.size() <= 256 * 1024) {
        if (m_kept.size() == kKept) m_kept.erase(m_kept.begin());
        m_kept.push_back(Kept{text, face, sizePx, mask});
    }
    return mask;
}

UniqueHfont MakeFont(const std::wstring& face, int32_t sizePx) {
    LOGFONTW lf{};
    lf.lfHeight = sizePx;  // the cell height: one line is sizePx pixels
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = ANTIALIASED_QUALITY;  // greyscale: one coverage for all three channels
    face.copy(lf.lfFaceName, LF_FACESIZE - 1);
    return UniqueHfont(::CreateFontIndirectW(&lf));
}

// Whether the font selected into dc has a glyph for c (surrogates count as present: the
// system draws the pair as it can).
bool HasGlyph(HDC dc, wchar_t c) {
    if (c >= 0xD800 && c <= 0xDFFF) return true;
    WORD index = 0;
    return ::GetGlyphIndicesW(dc, &c, 1, &index, GGI_MARK_NONEXISTING_GLYPHS) == 1 && index != 0xFFFF;
}

// A line as runs of one font each: (font index, text).
using Runs = std::vector<std::pair<size_t, std::wstring>>;

TextMask GdiTextRasterizer::Draw(const std::wstring& text, const std::wstring& faceIn, int32_t sizePx) const {
    TextMask mask;
    if (text.empty()) return mask;
    sizePx = std::clamp(sizePx, 1, 1000);
    UniqueHdc dc = CreateCompatibleDc(nullptr);
    std::vector<Font> fonts;
    fonts.push_back(Font{MakeFont(faceIn.empty() ? DefaultFace() : faceIn, sizePx)});
    if (!fonts[0].handle || !dc) return mask;
    const std::vector<std::wstring> lines = SplitLines(text);
    int32_t lineHeight = sizePx;
    {
        ScopedSelect select(dc.get(), fonts[0].handle.get());
        TEXTMETRICW tm{};
        if (::GetTextMetricsW(dc.get(), &tm) && tm.tmHeight > 0) lineHeight = tm.tmHeight, fonts[0].ascent = tm.tmAscent;
    }
    // Each character in the first font that has it; fallback fonts made when first needed.
    const auto fontFor = [&](wchar_t c) -> size_t {
        for (size_t k = 0;; ++k) {
            if (k == fonts.size()) {
                if (!m_fallbacksFound) m_fallbacks = FallbackFaces(), m_fallbacksFound = true;
                if (k - 1 >= m_fallbacks.size()) return 0;
                Font f{MakeFont(m_fallbacks[k - 1], sizePx)};
                if (!f.handle) return 0;
                ScopedSelect select(dc.get(), f.handle.get());
                TEXTMETRICW tm{};
                ::GetTextMetricsW(dc.get(), &tm);
                f.ascent = tm.tmAscent;
                fonts.push_back(std::move(f));
            }
            ScopedSelect select(dc.get(), fonts[k].handle.get());
            if (HasGlyph(dc.get(), c)) return k;
        }
    };
    std::vector<Runs> runs(lines.size());
    std::vector<int32_t> widths(lines.size(), 0);
    int32_t width = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        for (wchar_t c : lines[i]) {
            const size_t k = fontFor(c);
            if (runs[i].empty() || runs[i].back().first != k) runs[i].emplace_back(k, std::wstring());
            runs[i].back().second += c;
        }
        for (const auto& [k, run] : runs[i]) {
            ScopedSelect select(dc.get(), fonts[k].handle.get());
            SIZE s{};
            ::GetTextExtentPoint32W(dc.get(), run.c_str(), int(run.size()), &s);
            widths[i] += s.cx;
        }
        width = std::max(width, widths[i]);
    }
    // Room for what glyphs draw past their advance (italic faces, a last 'f'), trimmed below.
    const int32_t pad = std::max(2, sizePx / 4);
    const int32_t w = std::min(kMaxSide, width + pad);
    const int32_t h = int32_t(std::min<int64_t>(kMaxSide, int64_t(lineHeight) * int64_t(lines.size())));
    if (width <= 0 || h <= 0) {
        mask.width = std::max(0, width);
        mask.height = h;
        mask.coverage.assign(size_t(mask.width) * size_t(std::max(0, h)), 0);
        return mask;
    }
    bitmap::UniqueDib dib = bitmap::UniqueDib::Create(CSize(w, h));
    if (!dib) return mask;
    std::fill(dib.pixels(), dib.pixels() + size_t(w) * size_t(h), RGBX{0, 0, 0, 0});
    {
        ScopedSelect selectBitmap(dc.get(), dib.get());
        ::SetTextColor(dc.get(), RGB(255, 255, 255));
        ::SetBkMode(dc.get(), TRANSPARENT);
        ::SetTextAlign(dc.get(), TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
        for (size_t i = 0; i < lines.size(); ++i) {
            const int64_t top = int64_t(i) * lineHeight;
            if (top >= h) break;
            int x = 0;
            for (const auto& [k, run] : runs[i]) {
                ScopedSelect select(dc.get(), fonts[k].handle.get());
                ::ExtTextOutW(dc.get(), x, int(top + fonts[0].ascent), 0, nullptr, run.c_str(), UINT(run.size()), nullptr);
                SIZE s{};
                ::GetTextExtentPoint32W(dc.get(), run.c_str(), int(run.size()), &s);
                x += s.cx;
            }
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
