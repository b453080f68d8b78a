// Deterministic text: each character is a cell of 3 × 5 grid squares scaled to the size; the
// face is ignored. Digits have their shapes (the step numbers are read back by tests), every
// other visible character is a solid block.
#include <algorithm>

#include "markup/TextRasterizer.h"

namespace kv::markup {

// Rows of 3 bits (left bit first), top row first.
static const uint8_t kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

TextMask PlainTextRasterizer::Render(const std::wstring& text, const std::wstring&, int32_t sizePx) const {
    const int32_t size = std::clamp(sizePx, 1, 1000);
    const int32_t cell = std::max(1, size / 5);  // one grid square
    const int32_t charW = std::max(1, size * 3 / 5);
    std::vector<std::wstring> lines(1);
    for (wchar_t c : text) {
        if (c == L'\n') lines.emplace_back();
        else if (c != L'\r') lines.back() += c;
    }
    size_t longest = 0;
    for (const auto& l : lines) longest = std::max(longest, l.size());
    TextMask m;
    if (longest == 0) return m;
    m.width = int32_t(longest) * charW;
    m.height = int32_t(lines.size()) * size;
    m.coverage.assign(size_t(m.width) * m.height, 0);
    for (size_t li = 0; li < lines.size(); ++li)
        for (size_t ci = 0; ci < lines[li].size(); ++ci) {
            const wchar_t c = lines[li][ci];
            if (c == L' ') continue;
            const int32_t x0 = int32_t(ci) * charW, y0 = int32_t(li) * size;
            for (int32_t y = 0; y < size; ++y)
                for (int32_t x = 0; x < charW; ++x) {
                    bool on = true;
                    if (c >= L'0' && c <= L'9') {
                        const int32_t gx = std::min(2, x / cell), gy = std::min(4, y / cell);
                        on = (kDigits[c - L'0'][gy] >> (2 - gx)) & 1;
                    }
                    if (on) m.coverage[size_t(y0 + y) * m.width + x0 + x] = 255;
                }
        }
    return m;
}

}  // namespace kv::markup
