// Names for automatic saving: every token, the characters no file name may hold, device names,
// empty results, and paths kept within the platform's limit.
#include <gtest/gtest.h>

#include "settings/NamePattern.h"

namespace {

TEST(NamePattern, Expansion) {
    kv::NameFields f;
    f.year = 2026, f.month = 3, f.day = 7, f.hour = 9, f.minute = 5, f.second = 4, f.counter = 42;
    f.type = L"选定区域", f.title = L"a/b:c*?", f.process = L"notepad";
    struct Row {
        const wchar_t* pattern;
        const wchar_t* name;
    };
    for (Row r : {Row{L"{yyyy}-{MM}-{dd} {HH}.{mm}.{ss}", L"2026-03-07 09.05.04"},
                  {L"{date}_{time}_{n}", L"20260307_090504_42"},
                  {L"{yy}{type}", L"26选定区域"},
                  {L"{title} - {process}", L"a_b_c__ - notepad"},
                  {L"{unknown}{n", L"{unknown}{n"},
                  {L"<>|\"\t x", L"_____ x"},
                  {L"shot...  ", L"shot"},
                  {L"  lead", L"lead"},
                  {L"", L"Karvo"},
                  {L"{title}", L"a_b_c__"},
                  {L"...", L"Karvo"},
                  {L"con", L"_con"},
                  {L"COM7.x", L"_COM7.x"},
                  {L"COM0", L"COM0"},
                  {L"{process}", L"notepad"}}) {
        SCOPED_TRACE(std::string(r.pattern, r.pattern + wcslen(r.pattern)).c_str());
        EXPECT_EQ(kv::ExpandNamePattern(r.pattern, f), r.name);
    }
    kv::NameFields empty;
    EXPECT_EQ(kv::ExpandNamePattern(L"{title}{process}", empty), L"Karvo");
}

// Patterns from a hostile settings file: expanded whole, in time in proportion to their length.
// Before, each "{" looked for its "}" from where it stood and copied the text up to it, so the
// time grew with the square of the length: four million "{" made a program that hung at its
// first capture (and this test did not finish in 5 minutes; now about 2 s under ASan).
TEST(NamePattern, VeryLongPatterns) {
    kv::NameFields f;
    f.counter = 7;
    const size_t n = 4'000'000;
    const std::wstring opens(n, L'{');
    EXPECT_EQ(kv::ExpandNamePattern(opens, f), opens);
    EXPECT_EQ(kv::ExpandNamePattern(opens + L"}", f), opens + L"}");
    EXPECT_EQ(kv::ExpandNamePattern(opens + L"n}", f), std::wstring(n - 1, L'{') + L"7");
    std::wstring many;
    for (int i = 0; i < 200000; ++i) many += L"{n}{x";
    std::wstring expected;
    for (int i = 0; i < 200000; ++i) expected += L"7{x";
    EXPECT_EQ(kv::ExpandNamePattern(many, f), expected);
    EXPECT_EQ(kv::ExpandNamePattern(L"{n}{" + std::wstring(n, L'}'), f), L"7{" + std::wstring(n, L'}'));
}

TEST(NamePattern, PathsWithinTheLimit) {
    EXPECT_EQ(kv::FitPath(L"C:\\shots", L"name", L"", L"png", 260), L"C:\\shots\\name.png");
    EXPECT_EQ(kv::FitPath(L"C:\\shots\\", L"name", L" (2)", L"png", 260), L"C:\\shots\\name (2).png");
    const std::wstring longName(400, L'x');
    const std::wstring p = kv::FitPath(L"C:\\shots\\", longName, L" (12)", L"jpeg", 259);
    EXPECT_EQ(p.size(), 259u);
    EXPECT_EQ(p.substr(p.size() - 11), L"x (12).jpeg");
    // A cut that would leave half a character or a trailing dot is trimmed further.
    std::wstring withPair = std::wstring(240, L'y');
    withPair += wchar_t(0xD83D), withPair += wchar_t(0xDE00), withPair += L"zzz";  // a surrogate pair as UTF-16 has it
    const std::wstring q = kv::FitPath(L"C:\\a\\", withPair, L"", L"png", 5 + 241 + 4);
    EXPECT_EQ(q, L"C:\\a\\" + std::wstring(240, L'y') + L".png");
    EXPECT_EQ(kv::FitPath(L"C:\\a\\", std::wstring(50, L'.') + L"b", L"", L"png", 20), L"C:\\a\\K.png");
    EXPECT_EQ(kv::FitPath(std::wstring(300, L'f'), L"n", L"", L"png", 260), L"");
}

}  // namespace
