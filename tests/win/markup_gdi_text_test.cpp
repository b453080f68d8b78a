// The platform's text rasterizer: coverage masks for Latin and Chinese text, lines and sizes,
// the same bytes every time, and clear results for empty and unusual input.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "markup/TextRasterizer.h"

namespace {

using kv::markup::TextMask;

int Covered(const TextMask& m) {
    return int(std::count_if(m.coverage.begin(), m.coverage.end(), [](uint8_t c) { return c > 0; }));
}

class GdiText : public ::testing::Test {
protected:
    std::unique_ptr<kv::markup::ITextRasterizer> text = kv::markup::MakeGdiTextRasterizer();
};

TEST_F(GdiText, MasksOfLatinAndChineseText) {
    struct Row {
        const wchar_t* text;
        const wchar_t* face;
        int size;
        int lines;
    };
    const Row rows[] = {{L"Karvo", L"Arial", 20, 1},       {L"标注", L"Arial", 24, 1},       {L"标注", L"", 24, 1},
                        {L"第一步\nStep 1", L"Arial", 18, 2}, {L"a\n\nb", L"Tahoma", 16, 3},    {L"W", L"NoSuchFace", 40, 1},
                        {L"x", L"Arial", 1, 1},            {L"😀 emoji", L"Arial", 20, 1}};
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(r.text)) + " size " + std::to_string(r.size));
        const TextMask m = text->Render(r.text, r.face, r.size);
        ASSERT_EQ(m.coverage.size(), size_t(m.width) * size_t(m.height));
        EXPECT_GT(m.width, 0);
        EXPECT_GE(m.height, r.size * r.lines);
        EXPECT_LE(m.height, (r.size + 2) * r.lines);
        if (r.size >= 8) {
            EXPECT_GT(Covered(m), r.size) << "the glyphs cover pixels";
        }
        const TextMask again = text->Render(r.text, r.face, r.size);
        EXPECT_EQ(again.width, m.width);
        EXPECT_TRUE(again.coverage == m.coverage) << "the same text gives the same bytes";
    }
    // Drawn again once the kept masks have moved on: still the same bytes.
    const TextMask first = text->Render(rows[0].text, rows[0].face, rows[0].size);
    for (int i = 0; i < 40; ++i) (void)text->Render(std::to_wstring(i), L"Arial", 20);
    const TextMask redrawn = text->Render(rows[0].text, rows[0].face, rows[0].size);
    EXPECT_EQ(redrawn.width, first.width);
    EXPECT_TRUE(redrawn.coverage == first.coverage);
}

// Different characters give different masks (a face without the glyphs would draw the same
// box for each), and anti-aliased edges have partial coverage.
TEST_F(GdiText, ChineseGlyphsAreTheirOwnShapes) {
    const TextMask a = text->Render(L"标", L"Arial", 32), b = text->Render(L"注", L"Arial", 32),
                   c = text->Render(L"口", L"Arial", 32);
    ASSERT_GT(a.width, 0);
    EXPECT_FALSE(a.width == b.width && a.coverage == b.coverage);
    EXPECT_FALSE(b.width == c.width && b.coverage == c.coverage);
    EXPECT_GT(Covered(a), Covered(c)) << "标 has more strokes than 口";
    const TextMask o = text->Render(L"O", L"Arial", 40);
    EXPECT_TRUE(std::any_of(o.coverage.begin(), o.coverage.end(), [](uint8_t v) { return v > 0 && v < 255; }));
    EXPECT_TRUE(std::any_of(o.coverage.begin(), o.coverage.end(), [](uint8_t v) { return v == 255; }));
}

TEST_F(GdiText, EmptyAndLargeInput) {
    const TextMask e = text->Render(L"", L"Arial", 20);
    EXPECT_EQ(e.width, 0);
    EXPECT_EQ(e.height, 0);
    // A size past the limit is held to it; a very long line is cut at the mask's side limit.
    const TextMask big = text->Render(L"M", L"Arial", 100000);
    EXPECT_LE(big.height, 1002);
    const TextMask longLine = text->Render(std::wstring(3000, L'W'), L"Arial", 200);
    EXPECT_LE(longLine.width, 16384);
    EXPECT_EQ(longLine.coverage.size(), size_t(longLine.width) * size_t(longLine.height));
}

}  // namespace
