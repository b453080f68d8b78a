// A picture file's size from its header alone: every format the decoders read, both byte
// orders, the fields a header may hold before its size, and every cut of each header.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HugeFiles.h"
#include "imaging/PictureSize.h"

namespace {

void Le16(std::string& s, unsigned v) { s += char(v & 0xFF), s += char(v >> 8 & 0xFF); }
void Le32(std::string& s, uint32_t v) { Le16(s, v & 0xFFFF), Le16(s, v >> 16); }
void Be16(std::string& s, unsigned v) { s += char(v >> 8 & 0xFF), s += char(v & 0xFF); }
void Be32(std::string& s, uint32_t v) { Be16(s, v >> 16), Be16(s, v & 0xFFFF); }

std::string Png(uint32_t w, uint32_t h) {
    std::string s = "\x89PNG\r\n\x1a\n";
    Be32(s, 13);
    s += "IHDR";
    Be32(s, w), Be32(s, h);
    return s + std::string("\x08\x02\0\0\0", 5) + "crc!";
}

// A GIF with a global colour table of 4 entries, a comment and a graphic-control extension
// before its first frame.
std::string Gif(unsigned sw, unsigned sh, unsigned fw, unsigned fh) {
    std::string s = "GIF89a";
    Le16(s, sw), Le16(s, sh);
    s += std::string("\x81\0\0", 3) + std::string(12, '\x7f');
    s += std::string("\x21\xfe\x03" "abc" "\x02" "de" "\0", 10);
    s += std::string("\x21\xf9\x04\0\0\0\0\0", 8);
    s += '\x2c';
    Le16(s, 0), Le16(s, 0), Le16(s, fw), Le16(s, fh);
    return s + std::string("\0\x02\x02\x44\x01\0;", 7);
}

// A JPEG with an application segment, a table segment and fill bytes before its frame header.
std::string Jpeg(unsigned marker, unsigned w, unsigned h) {
    std::string s = "\xFF\xD8\xFF\xE0";
    Be16(s, 16);
    s += std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14);
    s += "\xFF\xDB";
    Be16(s, 4);
    s += "xy";
    s += std::string("\xFF\xFF\xFF", 3) + char(marker);
    Be16(s, 17);
    s += '\x08';
    Be16(s, h), Be16(s, w);
    return s + std::string(10, '\x01');
}

std::string Bmp(uint32_t headerSize, int32_t w, int32_t h) {
    std::string s = "BM";
    Le32(s, 0), Le32(s, 0), Le32(s, 54);
    Le32(s, headerSize);
    if (headerSize == 12) {
        Le16(s, unsigned(w)), Le16(s, unsigned(h));
    } else {
        Le32(s, uint32_t(w)), Le32(s, uint32_t(h));
    }
    return s + std::string(headerSize - 8, '\0');
}

// A TIFF whose first directory holds other tags around the width (SHORT or LONG) and length.
std::string Tiff(bool little, unsigned widthType, uint32_t w, uint32_t h) {
    std::string s = little ? std::string("II*\0", 4) : std::string("MM\0*", 4);
    const auto u16 = [&](unsigned v) { little ? Le16(s, v) : Be16(s, v); };
    const auto u32 = [&](uint32_t v) { little ? Le32(s, v) : Be32(s, v); };
    u32(8);
    u16(4);
    const auto entry = [&](unsigned tag, unsigned type, uint32_t value) {
        u16(tag), u16(type), u32(1);
        if (type == 3) {
            u16(value), u16(0);
        } else {
            u32(value);
        }
    };
    entry(254, 4, 0);
    entry(256, widthType, w);
    entry(257, 4, h);
    entry(258, 3, 8);
    u32(0);
    return s;
}

// An icon of three entries: a 16 × 16 bitmap, a PNG of the given size, a 48 × 48 bitmap.
std::string Icon(uint32_t pngW, uint32_t pngH) {
    const std::string png = Png(pngW, pngH);
    std::string bmp16, bmp48;
    Le32(bmp16, 40), Le32(bmp16, 16), Le32(bmp16, 32), bmp16 += std::string(28, '\0');
    Le32(bmp48, 40), Le32(bmp48, 48), Le32(bmp48, 96), bmp48 += std::string(28, '\0');
    std::string s;
    Le16(s, 0), Le16(s, 1), Le16(s, 3);
    const uint32_t base = 6 + 3 * 16;
    const auto entry = [&](unsigned w, unsigned h, const std::string& data, uint32_t at) {
        s += char(w), s += char(h), s += std::string(6, '\0');
        Le32(s, uint32_t(data.size())), Le32(s, at);
    };
    entry(16, 16, bmp16, base);
    entry(pngW < 256 ? pngW : 0, pngH < 256 ? pngH : 0, png, base + 40);
    entry(48, 48, bmp48, base + 40 + uint32_t(png.size()));
    return s + bmp16 + png + bmp48;
}

TEST(PictureSize, EveryFormatsHeader) {
    struct Row {
        const char* name;
        std::string bytes;
        int64_t w, h;
    };
    const Row rows[] = {
        {"png", Png(20000, 20000), 20000, 20000},
        {"png, largest sides", Png(0xFFFFFFFF, 0x7FFFFFFF), 0xFFFFFFFF, 0x7FFFFFFF},
        {"gif, the screen larger", Gif(65535, 300, 10, 20), 65535, 300},
        {"gif, the frame larger", Gif(10, 20, 640, 48000), 640, 48000},
        {"jpeg, baseline", Jpeg(0xC0, 30000, 20000), 30000, 20000},
        {"jpeg, progressive", Jpeg(0xC2, 65535, 65535), 65535, 65535},
        {"jpeg, arithmetic", Jpeg(0xC9, 7, 9), 7, 9},
        {"bmp", Bmp(40, 100000, 3), 100000, 3},
        {"bmp, top-down", Bmp(40, 5, -70000), 5, 70000},
        {"bmp, negative width", Bmp(124, -5, 5), 5, 5},
        {"bmp, core header", Bmp(12, 65535, 2), 65535, 2},
        {"tiff, little-endian, short width", Tiff(true, 3, 40000, 50000), 40000, 50000},
        {"tiff, big-endian, short width", Tiff(false, 3, 65535, 9), 65535, 9},
        {"tiff, big-endian, long width", Tiff(false, 4, 300000, 400000), 300000, 400000},
        {"icon, a huge PNG inside", Icon(20000, 20000), 20000, 20000},
        {"icon, the largest a bitmap", Icon(20, 20), 48, 48},
        {"png, a whole file", kvtest::BlackPng(300, 200), 300, 200},
        {"bmp, a whole file", kvtest::BlackRleBmp(300, 200), 300, 200},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const auto* data = reinterpret_cast<const uint8_t*>(r.bytes.data());
        const auto s = kv::ReadPictureSize(data, r.bytes.size());
        ASSERT_TRUE(s);
        EXPECT_EQ(s->width, r.w);
        EXPECT_EQ(s->height, r.h);
        // Every shorter cut gives the same size or none, and reads nothing past its end.
        for (size_t n = 0; n < r.bytes.size(); ++n) {
            const std::vector<uint8_t> cut(data, data + n);  // exactly n bytes on the heap, for the sanitizer
            const auto c = kv::ReadPictureSize(cut.data(), n);
            if (c && (c->width != r.w || c->height != r.h) && std::string(r.name).rfind("icon", 0) != 0 &&
                std::string(r.name).rfind("gif", 0) != 0)
                ADD_FAILURE() << "cut at " << n << ": " << c->width << " x " << c->height;
        }
    }
}

TEST(PictureSize, NoSizeWithoutAHeader) {
    struct Row {
        const char* name;
        std::string bytes;
    };
    std::string jpegScanFirst = "\xFF\xD8\xFF\xDA";
    Be16(jpegScanFirst, 8);
    std::string tiffNoLength = std::string("II*\0", 4);
    Le32(tiffNoLength, 8), Le16(tiffNoLength, 1), Le16(tiffNoLength, 256), Le16(tiffNoLength, 3), Le32(tiffNoLength, 1),
        Le32(tiffNoLength, 5), Le32(tiffNoLength, 0);
    std::string tiffFarDirectory = std::string("MM\0*", 4);
    Be32(tiffFarDirectory, 0xFFFFFFF0u);
    const Row rows[] = {
        {"empty", ""},
        {"text", "a picture, honestly"},
        {"png without its header chunk", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIDAT", 16) + std::string(8, '\1')},
        {"jpeg whose scan comes first", jpegScanFirst},
        {"jpeg segment of length 0", std::string("\xFF\xD8\xFF\xE0\0\0", 6) + std::string(20, '\0')},
        {"jpeg not followed by a marker", std::string("\xFF\xD8\x00\xC0", 4) + std::string(20, '\0')},
        {"tiff without a length", tiffNoLength},
        {"tiff directory past the end", tiffFarDirectory},
        {"bitmap header of 8 bytes", Bmp(40, 1, 1).substr(0, 14) + std::string("\x08\0\0\0\1\0\1\0", 8)},
        {"icon of no entries", std::string("\0\0\1\0\0\0", 6)},
        {"windows metafile", std::string("\xD7\xCD\xC6\x9A\0\0", 6) + std::string(20, '\0')},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_FALSE(kv::ReadPictureSize(reinterpret_cast<const uint8_t*>(r.bytes.data()), r.bytes.size()));
    }
    EXPECT_FALSE(kv::ReadPictureSize(nullptr, 100));
}

TEST(PictureSize, TheLimit) {
    struct Row {
        int64_t w, h;
        bool exceeds;
    };
    const int64_t max = kv::kMaxPicturePixels;
    const Row rows[] = {
        {8192, 8192, false}, {8192, 8193, true},   {max, 1, false},         {1, max + 1, true},  {0, max * 4, false},
        {-1, 5, false},      {20000, 20000, true}, {0xFFFFFFFF, 0xFFFFFFFF, true}, {1, 1, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.w << " x " << r.h);
        EXPECT_EQ(kv::ExceedsPictureLimit(r.w, r.h), r.exceeds);
    }
}

}  // namespace
