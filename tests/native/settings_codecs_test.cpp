// Codec descriptions and the dialog filters built from synthetic codec lists.
#include <gtest/gtest.h>

#include "settings/CodecInfo.h"

namespace {

KvGuid Id(uint32_t n) {
    KvGuid g{};
    g.Data1 = n;
    return g;
}

kv::CodecList FourCodecs() {
    return {CGdiplusCodecInfo(L"BMP", L"*.BMP;*.DIB;*.RLE", Id(1)), CGdiplusCodecInfo(L"JPEG", L"*.JPG;*.JPEG;*.JPE;*.JFIF", Id(2)),
            CGdiplusCodecInfo(L"GIF", L"*.GIF", Id(3)), CGdiplusCodecInfo(L"PNG", L"*.PNG", Id(4))};
}

TEST(SettingsCodecs, Descriptions) {
    struct Row {
        const wchar_t* ext;
        const wchar_t* lower;
        const wchar_t* def;
    };
    for (Row r : {Row{L"*.BMP;*.DIB;*.RLE", L"*.bmp;*.dib;*.rle", L"bmp"}, {L"*.tar.gz;*.tgz", L"*.tar.gz;*.tgz", L"targz"},
                  {L"*.PNG", L"*.png", L"png"}, {L"", L"", L""}}) {
        CGdiplusCodecInfo c(L"X", r.ext, Id(0));
        EXPECT_EQ(c.GetExtensions(), r.lower);
        EXPECT_STREQ(c.GetDefExt(), r.def);
    }
    const CGdiplusCodecInfo jpeg(L"JPEG", L"*.JPG;*.JPEG;*.JPE;*.JFIF", Id(2));
    EXPECT_TRUE(jpeg.FindExtension(L"JPEG"));
    EXPECT_TRUE(jpeg.FindExtension(L"jfif"));
    EXPECT_FALSE(jpeg.FindExtension(L"jp"));
    EXPECT_FALSE(jpeg.FindExtension(L""));
    EXPECT_EQ(jpeg.GetExtensions(), L"*.jpg;*.jpeg;*.jpe;*.jfif");  // look-ups leave it intact
    EXPECT_EQ(jpeg.GetCLSID().Data1, 2u);
}

// The words as the Chinese string table gives them.
const kv::FilterTexts kChinese{L"所有支持的图像文件", L"%1 文件(%2)"};

TEST(SettingsCodecs, Filters) {
    const kv::CodecList four = FourCodecs();
    const std::wstring open = kv::MakeOpenFilter(four, kChinese);
    EXPECT_EQ(open,
              L"所有支持的图像文件|*.bmp;*.dib;*.rle;*.jpg;*.jpeg;*.jpe;*.jfif;*.gif;*.png|"
              L"BMP 文件(*.bmp;*.dib;*.rle)|*.bmp;*.dib;*.rle|JPEG 文件(*.jpg;*.jpeg;*.jpe;*.jfif)|*.jpg;*.jpeg;*.jpe;*.jfif|"
              L"GIF 文件(*.gif)|*.gif|PNG 文件(*.png)|*.png||");
    const std::wstring save = kv::MakeSaveFilter(four, kChinese);
    EXPECT_EQ(save.substr(0, 26), L"BMP 文件(*.bmp;*.dib;*.rle)|");
    EXPECT_EQ(save.substr(save.size() - 2), L"||");
    // Five types in the open filter, four in the save filter: pairs of fields.
    std::wstring t = open;
    kv::TranslateFilter(t);
    EXPECT_EQ(std::count(t.begin(), t.end(), L'\0'), 11);
    EXPECT_EQ(t.find(L'|'), std::wstring::npos);
    EXPECT_EQ(std::count(save.begin(), save.end(), L'|'), 9);

    const kv::CodecList none;
    EXPECT_EQ(kv::MakeOpenFilter(none, kChinese), L"所有支持的图像文件|||");
    EXPECT_EQ(kv::MakeSaveFilter(none, kChinese), L"|");
}

TEST(SettingsCodecs, TypedNames) {
    const kv::CodecList four = FourCodecs();
    struct Row {
        const wchar_t* name;
        const wchar_t* ext;
        int codec;  // -1: refused
    };
    for (Row r : {Row{L"shot.JPEG", L"JPEG", 1}, {L"a.b.png", L"png", 3}, {L"noext", L"", -2}, {L"dot.", L"", -2},
                  {L"x.webp", L"webp", -1}, {L"X.Dib", L"Dib", 0}, {L"C:\\v1.2\\shot", L"", -2},
                  {L"Z:\\a.b/c", L"", -2}, {L"C:\\v1.2\\shot.png", L"png", 3}}) {
        SCOPED_TRACE(std::string(r.name, r.name + wcslen(r.name)));
        EXPECT_EQ(kv::FileExtension(r.name), r.ext);
        if (r.codec == -2) continue;  // an empty extension keeps the selected type's encoder
        const auto c = kv::CodecForExtension(four, kv::FileExtension(r.name));
        if (r.codec < 0)
            EXPECT_FALSE(c.has_value());
        else
            EXPECT_EQ(c.value_or(99), size_t(r.codec));
    }
    EXPECT_FALSE(kv::CodecForExtension({}, L"png").has_value());
}

}  // namespace
