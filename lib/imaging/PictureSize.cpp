#include "imaging/PictureSize.h"

#include <algorithm>
#include <cstring>

namespace kv {

namespace {

// Bounds-checked reads: every field is looked at through one of these.
class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : m_data(data), m_size(data ? size : 0) {}
    bool Has(size_t at, size_t n) const { return at <= m_size && n <= m_size - at; }
    bool Starts(size_t at, const char* text, size_t n) const { return Has(at, n) && std::memcmp(m_data + at, text, n) == 0; }
    uint8_t U8(size_t at) const { return m_data[at]; }
    uint32_t Le16(size_t at) const { return uint32_t(m_data[at]) | uint32_t(m_data[at + 1]) << 8; }
    uint32_t Le32(size_t at) const { return Le16(at) | Le16(at + 2) << 16; }
    uint32_t Be16(size_t at) const { return uint32_t(m_data[at]) << 8 | m_data[at + 1]; }
    uint32_t Be32(size_t at) const { return Be16(at) << 16 | Be16(at + 2); }

private:
    const uint8_t* m_data;
    size_t m_size;
};

int64_t Magnitude(uint32_t field) { return field & 0x80000000u ? -int64_t(int32_t(field)) : int64_t(field); }

std::optional<PictureSize> Png(const Bytes& b, size_t at) {
    if (!b.Starts(at, "\x89PNG\r\n\x1a\n", 8) || !b.Starts(at + 12, "IHDR", 4) || !b.Has(at + 16, 8)) return std::nullopt;
    return PictureSize{b.Be32(at + 16), b.Be32(at + 20)};
}

// The logical screen, then past the colour table and any extension blocks to the first image.
std::optional<PictureSize> Gif(const Bytes& b) {
    if (!(b.Starts(0, "GIF87a", 6) || b.Starts(0, "GIF89a", 6)) || !b.Has(6, 7)) return std::nullopt;
    PictureSize s{b.Le16(6), b.Le16(8)};
    size_t at = 13 + (b.U8(10) & 0x80 ? 3u << ((b.U8(10) & 7) + 1) : 0);
    while (b.Has(at, 1) && b.U8(at) == 0x21) {
        at += 2;
        while (b.Has(at, 1) && b.U8(at) != 0) at += 1 + b.U8(at);
        ++at;
    }
    if (b.Has(at, 9) && b.U8(at) == 0x2C) {
        s.width = std::max<int64_t>(s.width, b.Le16(at + 5));
        s.height = std::max<int64_t>(s.height, b.Le16(at + 7));
    }
    return s;
}

// A device-independent bitmap's header at `at`: the old 12-byte form has 16-bit sides; a
// negative height means rows from the top.
std::optional<PictureSize> DibHeader(const Bytes& b, size_t at) {
    if (!b.Has(at, 4)) return std::nullopt;
    const uint32_t headerSize = b.Le32(at);
    if (headerSize == 12 && b.Has(at, 8)) return PictureSize{b.Le16(at + 4), b.Le16(at + 6)};
    if (headerSize < 16 || !b.Has(at, 12)) return std::nullopt;
    return PictureSize{Magnitude(b.Le32(at + 4)), Magnitude(b.Le32(at + 8))};
}

// Segments up to the first frame header; a file that starts its scan first has no size here.
std::optional<PictureSize> Jpeg(const Bytes& b) {
    if (!b.Starts(0, "\xFF\xD8", 2)) return std::nullopt;
    size_t at = 2;
    for (;;) {
        if (!b.Has(at, 2) || b.U8(at) != 0xFF) return std::nullopt;
        while (b.Has(at + 1, 1) && b.U8(at + 1) == 0xFF) ++at;  // fill bytes
        if (!b.Has(at + 1, 1)) return std::nullopt;
        const uint8_t marker = b.U8(at + 1);
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {  // no length
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA || !b.Has(at + 2, 2)) return std::nullopt;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (!b.Has(at + 5, 4)) return std::nullopt;
            return PictureSize{b.Be16(at + 7), b.Be16(at + 5)};
        }
        const uint32_t length = b.Be16(at + 2);
        if (length < 2) return std::nullopt;
        at += 2 + length;
    }
}

// The first directory's width and length tags, in the file's own byte order.
std::optional<PictureSize> Tiff(const Bytes& b) {
    const bool little = b.Starts(0, "II*\0", 4), big = b.Starts(0, "MM\0*", 4);
    if ((!little && !big) || !b.Has(4, 4)) return std::nullopt;
    const auto u16 = [&](size_t at) { return little ? b.Le16(at) : b.Be16(at); };
    const auto u32 = [&](size_t at) { return little ? b.Le32(at) : b.Be32(at); };
    const size_t dir = u32(4);
    if (!b.Has(dir, 2)) return std::nullopt;
    std::optional<int64_t> width, height;
    for (size_t i = 0, n = u16(dir); i < n; ++i) {
        const size_t e = dir + 2 + 12 * i;
        if (!b.Has(e, 12)) break;
        const uint32_t tag = u16(e), type = u16(e + 2);
        if ((tag != 256 && tag != 257) || (type != 3 && type != 4)) continue;
        const int64_t value = type == 3 ? u16(e + 8) : u32(e + 8);
        (tag == 256 ? width : height) = value;
    }
    if (!width || !height) return std::nullopt;
    return PictureSize{*width, *height};
}

// Every entry of the directory, with the picture it points at (a PNG, or a bitmap header whose
// height counts the mask too): the one with the most pixels.
std::optional<PictureSize> Icon(const Bytes& b) {
    if (!b.Has(0, 6) || b.Le16(0) != 0 || (b.Le16(2) != 1 && b.Le16(2) != 2) || b.Le16(4) == 0) return std::nullopt;
    std::optional<PictureSize> largest;
    const auto area = [](PictureSize s) { return double(s.width) * double(s.height); };
    const auto consider = [&](PictureSize s) {
        if (!largest || area(s) > area(*largest)) largest = s;
    };
    for (size_t i = 0, n = b.Le16(4); i < n; ++i) {
        const size_t e = 6 + 16 * i;
        if (!b.Has(e, 16)) break;
        consider(PictureSize{b.U8(e) ? b.U8(e) : 256, b.U8(e + 1) ? b.U8(e + 1) : 256});
        const size_t at = b.Le32(e + 12);
        if (auto png = Png(b, at)) {
            consider(*png);
        } else if (auto dib = DibHeader(b, at)) {
            consider(PictureSize{dib->width, dib->height / 2});
        }
    }
    return largest;
}

}  // namespace

std::optional<PictureSize> ReadPictureSize(const uint8_t* data, size_t size) {
    const Bytes b(data, size);
    if (auto s = Png(b, 0)) return s;
    if (auto s = Gif(b)) return s;
    if (auto s = Jpeg(b)) return s;
    if (auto s = Tiff(b)) return s;
    if (b.Starts(0, "BM", 2)) return DibHeader(b, 14);
    return Icon(b);
}

}  // namespace kv
