#pragma once
// Real picture files far larger than the engine takes, made small: a black PNG whose rows
// deflate to back references (a 20000 × 20000 picture is 7.5 MB of file for 1.2 GB of pixels),
// and a bitmap file of run-length-coded black rows (3 MB for the same size). Each decodes, in
// full, to the picture it says; the tests make the same files small to show that.
#include <cstdint>
#include <string>

namespace kvtest {

namespace detail {

inline void Be32(std::string& s, uint32_t v) {
    for (int i = 3; i >= 0; --i) s += char(v >> (8 * i) & 0xFF);
}
inline void Le16(std::string& s, unsigned v) { s += char(v & 0xFF), s += char(v >> 8 & 0xFF); }
inline void Le32(std::string& s, uint32_t v) { Le16(s, v & 0xFFFF), Le16(s, v >> 16); }

inline uint32_t Crc32(const char* p, size_t n, uint32_t c = 0) {
    static uint32_t table[256];
    if (!table[1])
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t v = i;
            for (int k = 0; k < 8; ++k) v = v & 1 ? 0xEDB88320 ^ (v >> 1) : v >> 1;
            table[i] = v;
        }
    c = ~c;
    for (size_t i = 0; i < n; ++i) c = table[(c ^ uint8_t(p[i])) & 0xFF] ^ (c >> 8);
    return ~c;
}

inline void Chunk(std::string& png, const char* type, const std::string& data) {
    Be32(png, uint32_t(data.size()));
    const std::string typed = std::string(type, 4) + data;
    png += typed;
    Be32(png, Crc32(typed.data(), typed.size()));
}

// Bits in deflate's order: the first bit in the lowest place of each byte.
struct BitWriter {
    std::string out;
    uint32_t acc = 0;
    int n = 0;
    void Put(uint32_t bits, int count) {
        acc |= bits << n, n += count;
        while (n >= 8) out += char(acc & 0xFF), acc >>= 8, n -= 8;
    }
    // A Huffman code goes in from its highest bit.
    void Code(uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i) Put(code >> i & 1, 1);
    }
    void Flush() {
        if (n) out += char(acc & 0xFF);
        acc = 0, n = 0;
    }
};

}  // namespace detail

//! A black w × h PNG (8-bit RGB): every byte of its rows is 0, the filter bytes too, so the
//! whole stream is one literal 0 and then copies of 258 bytes from one byte back, in one block
//! of the fixed codes.
inline std::string BlackPng(uint32_t w, uint32_t h) {
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string ihdr;
    detail::Be32(ihdr, w), detail::Be32(ihdr, h);
    ihdr += std::string("\x08\x02\x00\x00\x00", 5);
    detail::Chunk(png, "IHDR", ihdr);
    const uint64_t total = uint64_t(h) * (uint64_t(w) * 3 + 1);
    detail::BitWriter bits;
    bits.out = "\x78\x01";          // deflate, 32 KiB window, no dictionary
    bits.Put(1, 1), bits.Put(1, 2);  // the last block, fixed codes
    bits.Code(0x30, 8);              // literal 0
    uint64_t left = total - 1;
    for (; left >= 258; left -= 258) bits.Code(0xC5, 8), bits.Code(0, 5);  // length 258 (285), distance 1
    for (; left; --left) bits.Code(0x30, 8);
    bits.Code(0, 7);  // end of block
    bits.Flush();
    // Adler-32 of zeros: the sum of bytes stays 1, the sum of sums is the count.
    detail::Be32(bits.out, uint32_t(total % 65521) << 16 | 1);
    detail::Chunk(png, "IDAT", bits.out);
    detail::Chunk(png, "IEND", "");
    return png;
}

//! A black w × h bitmap file, 8 bits a pixel, every row runs of 255 pixels of colour 0.
inline std::string BlackRleBmp(uint32_t w, uint32_t h) {
    std::string rows;
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; x += 255) rows += char(w - x < 255 ? w - x : 255), rows += '\0';
        rows += std::string("\0\0", 2);  // end of row
    }
    rows += std::string("\0\1", 2);  // end of picture
    std::string b = "BM";
    const uint32_t offset = 14 + 40 + 2 * 4;
    detail::Le32(b, offset + uint32_t(rows.size())), detail::Le32(b, 0), detail::Le32(b, offset);
    detail::Le32(b, 40), detail::Le32(b, w), detail::Le32(b, h);
    detail::Le16(b, 1), detail::Le16(b, 8), detail::Le32(b, 1 /* BI_RLE8 */), detail::Le32(b, uint32_t(rows.size()));
    detail::Le32(b, 2835), detail::Le32(b, 2835), detail::Le32(b, 2), detail::Le32(b, 2);
    b += std::string("\0\0\0\0\xff\xff\xff\0", 8);  // black, white
    return b + rows;
}

}  // namespace kvtest
