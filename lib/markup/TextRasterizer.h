#pragma once
// Text reaches the pixels through this interface: a string and a font become an 8-bit coverage
// mask. The Windows implementation draws with the platform's fonts; PlainTextRasterizer is a
// deterministic one (built-in block glyphs) for tests and a fallback.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Export.h"

namespace kv::markup {

struct TextMask {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> coverage;  // width × height, top row first; 255 = fully covered
};

class KV_API ITextRasterizer {
public:
    virtual ~ITextRasterizer() = default;
    //! The mask of the text (lines separated by '\n') in the font face at sizePx pixels (the line
    //! height). An empty or unknown face gets a default; never fails (an empty text gives 0 × 0).
    virtual TextMask Render(const std::wstring& text, const std::wstring& face, int32_t sizePx) const = 0;
};

// Glyphs from a 3 × 5 grid scaled to the size: digits have their shapes, other characters a
// solid block, space nothing. Each character cell is (sizePx * 3 / 5) wide, lines sizePx high;
// every glyph cell is fully covered or empty (no partial coverage), so pixel tests are exact.
class KV_API PlainTextRasterizer final : public ITextRasterizer {
public:
    TextMask Render(const std::wstring& text, const std::wstring& face, int32_t sizePx) const override;
};

#if defined(_WIN32)
//! The platform's text: GDI with greyscale anti-aliasing, white on black in a 32-bit bitmap read
//! back as coverage; characters the face lacks (Chinese in a Latin face) come from the fonts the
//! system links to it. An empty face is the system's message font.
KV_API std::unique_ptr<ITextRasterizer> MakeGdiTextRasterizer();
#endif

}  // namespace kv::markup
