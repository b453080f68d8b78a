// Dialog templates in another font: the font is read from plain and extended templates, and a
// page's copy in the sheet's font keeps every control byte for byte.
#include <gtest/gtest.h>

#include "framework/DialogTemplate.h"

namespace {

void Word(std::vector<uint8_t>& t, uint16_t v) { t.push_back(uint8_t(v)), t.push_back(uint8_t(v >> 8)); }
void Dword(std::vector<uint8_t>& t, uint32_t v) { Word(t, uint16_t(v)), Word(t, uint16_t(v >> 16)); }
void Text(std::vector<uint8_t>& t, const std::u16string& s) {
    for (char16_t c : s) Word(t, uint16_t(c));
    Word(t, 0);
}
void Align(std::vector<uint8_t>& t) {
    while (t.size() % 4) t.push_back(0);
}

// An extended template: class by ordinal, a title, a font, then `items` controls.
std::vector<uint8_t> Extended(const std::u16string& title, const std::u16string& face, uint16_t points, int items,
                              size_t& controlsAt) {
    std::vector<uint8_t> t;
    Word(t, 1), Word(t, 0xFFFF), Dword(t, 0), Dword(t, 0), Dword(t, 0x40 | 0x40000000 | 0x00C00000);
    Word(t, uint16_t(items)), Word(t, 0), Word(t, 0), Word(t, 277), Word(t, 210);
    Word(t, 0);                  // no menu
    Word(t, 0xFFFF), Word(t, 7);  // class by ordinal
    Text(t, title);
    Word(t, points), Word(t, 400), t.push_back(0), t.push_back(1);
    Text(t, face);
    Align(t);
    controlsAt = t.size();
    for (int i = 0; i < items; ++i) {
        Dword(t, 0), Dword(t, 0), Dword(t, 0x50010000), Word(t, uint16_t(7 + i)), Word(t, 7), Word(t, 50), Word(t, 14);
        Dword(t, uint32_t(1000 + i));
        Word(t, 0xFFFF), Word(t, 0x80);  // button
        Text(t, i % 2 ? u"浏览" : u"OK!");
        Word(t, 0);
        Align(t);
    }
    return t;
}

TEST(DialogTemplate, FontIsReadAndReplacedKeepingTheControls) {
    struct Row {
        std::u16string title, face;
        uint16_t points;
        int items;
    };
    for (const Row& row : {Row{u"图像", u"宋体", 9, 3}, Row{u"", u"SimSun", 9, 1}, Row{u"热键设置页", u"MS Shell Dlg 2", 10, 0},
                           Row{u"x", u"a", 12, 5}}) {
        size_t controls = 0;
        const std::vector<uint8_t> page = Extended(row.title, row.face, row.points, row.items, controls);
        kv::TemplateFont f;
        ASSERT_TRUE(kv::ReadTemplateFont(page.data(), page.size(), f));
        EXPECT_TRUE(f.face == row.face && f.points == row.points && f.weight == 400 && f.charset == 1);

        kv::TemplateFont sheet;
        sheet.face = u"MS Shell Dlg";
        sheet.points = 8;
        sheet.weight = 400;
        const std::vector<uint8_t> moved = kv::WithTemplateFont(page.data(), page.size(), sheet);
        ASSERT_FALSE(moved.empty());
        kv::TemplateFont g;
        ASSERT_TRUE(kv::ReadTemplateFont(moved.data(), moved.size(), g));
        EXPECT_TRUE(g.face == sheet.face && g.points == 8);
        // The header up to the font and every control are unchanged; the controls start at a DWORD.
        const size_t tail = page.size() - controls;
        ASSERT_GE(moved.size(), tail);
        EXPECT_EQ((moved.size() - tail) % 4, 0u);
        EXPECT_TRUE(std::equal(page.begin() + long(controls), page.end(), moved.end() - long(tail)));
        EXPECT_TRUE(std::equal(page.begin(), page.begin() + 26, moved.begin()));
    }
}

TEST(DialogTemplate, PlainTemplatesAndDamagedBytes) {
    // A plain template: style with DS_SETFONT, the font as points and face only.
    std::vector<uint8_t> t;
    Dword(t, 0x40 | 0x80000000), Dword(t, 0), Word(t, 0), Word(t, 0), Word(t, 0), Word(t, 212), Word(t, 188);
    Word(t, 0), Word(t, 0), Text(t, u"Properties"), Word(t, 8), Text(t, u"MS Shell Dlg");
    kv::TemplateFont f;
    ASSERT_TRUE(kv::ReadTemplateFont(t.data(), t.size(), f));
    EXPECT_TRUE(f.face == u"MS Shell Dlg" && f.points == 8);
    EXPECT_TRUE(kv::WithTemplateFont(t.data(), t.size(), f).empty());  // only extended ones are rewritten

    // Every cut of a template fails cleanly; no font set reads as none.
    size_t controls = 0;
    const std::vector<uint8_t> page = Extended(u"页", u"宋体", 9, 2, controls);
    for (size_t n = 0; n < controls - 2; ++n) {
        EXPECT_FALSE(kv::ReadTemplateFont(page.data(), n, f)) << n;
        EXPECT_TRUE(kv::WithTemplateFont(page.data(), n, f).empty()) << n;
    }
    std::vector<uint8_t> noFont = page;
    noFont[12] &= uint8_t(~0x40);
    EXPECT_FALSE(kv::ReadTemplateFont(noFont.data(), noFont.size(), f));
    EXPECT_FALSE(kv::ReadTemplateFont(nullptr, 100, f));
}

}  // namespace
