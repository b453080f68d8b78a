#include "imaging/Palette.h"

#include <array>

namespace kv {

namespace {

// The 40 extra greys: 255·i/41 rounded, i = 1..41 without those equal to a cube step.
struct Tables {
    std::array<PaletteColour, 256> entries{};
    std::array<uint8_t, 256> nearestStep{};  // channel value -> cube step 0..5
    Tables() {
        for (int i = 0; i < 216; ++i)
            entries[size_t(i)] = {uint8_t(i / 36 * 51), uint8_t(i / 6 % 6 * 51), uint8_t(i % 6 * 51)};
        int n = 216;
        for (int i = 1; n < 256; ++i) {
            const int v = (255 * i + 20) / 41;
            if (v % 51 == 0) continue;
            entries[size_t(n++)] = {uint8_t(v), uint8_t(v), uint8_t(v)};
        }
        for (int v = 0; v < 256; ++v) nearestStep[size_t(v)] = uint8_t((v + 25) / 51);
    }
};

const Tables& T() {
    static const Tables t;
    return t;
}

inline int Dist(const PaletteColour& c, int r, int g, int b) {
    return (c.r - r) * (c.r - r) + (c.g - g) * (c.g - g) + (c.b - b) * (c.b - b);
}

}  // namespace

PaletteColour WebPaletteEntry(int index) { return T().entries[size_t(index & 0xFF)]; }

// The cube's nearest entry is found per channel; the greys are few enough to scan, and only
// pixels close to grey can be nearer to one of them than to the cube.
uint8_t NearestWebPaletteIndex(uint8_t r, uint8_t g, uint8_t b) {
    const Tables& t = T();
    int best = t.nearestStep[r] * 36 + t.nearestStep[g] * 6 + t.nearestStep[b];
    int bestDist = Dist(t.entries[size_t(best)], r, g, b);
    // Every grey is at least as far as the spread of the channels around their mean.
    const int sum = r + g + b;
    const int spread3 = 3 * (r * r + g * g + b * b) - sum * sum;  // 3 × that squared spread
    if (spread3 >= 3 * bestDist) return uint8_t(best);
    for (int i = 216; i < 256 && bestDist > 0; ++i) {
        const int d = Dist(t.entries[size_t(i)], r, g, b);
        if (d < bestDist) best = i, bestDist = d;
    }
    return uint8_t(best);
}

void QuantiseToWebPalette(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                          int height) {
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = src + y * srcStride;
        uint8_t* d = dst + y * dstStride;
        for (int x = 0; x < width; ++x, s += 4) d[x] = NearestWebPaletteIndex(s[2], s[1], s[0]);
    }
}

}  // namespace kv
