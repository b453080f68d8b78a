#include "imaging/Thumbnail.h"

#include "imaging/Parallel.h"

#include <algorithm>
#include <vector>

namespace kv {

// Column blocks are found once; each destination row sums its block of source rows into one
// row of per-column totals, then divides. Every source pixel is read once.
bool ScaleDownArea(const uint8_t* src, ptrdiff_t srcStride, int sw, int sh, uint8_t* dst, ptrdiff_t dstStride, int dw,
                   int dh) {
    if (!src || !dst || sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0 || dw > sw || dh > sh) return false;
    std::vector<int> start(static_cast<size_t>(dw) + 1);  // first source column of each block
    for (int x = 0; x <= dw; ++x) start[size_t(x)] = int(int64_t(x) * sw / dw);
    // Destination rows spread over the cores, each range with totals of its own.
    return detail::ForRows(dh, int64_t(sw) * ((sh + dh - 1) / dh), [&](int r0, int r1) {
        std::vector<uint32_t> sums(size_t(dw) * 3);
        for (int y = r0; y < r1; ++y) {
            const int y0 = int(int64_t(y) * sh / dh), y1 = int(int64_t(y + 1) * sh / dh);
            std::fill(sums.begin(), sums.end(), 0u);
            for (int sy = y0; sy < y1; ++sy) {
                const uint8_t* s = src + ptrdiff_t(sy) * srcStride;
                uint32_t* t = sums.data();
                for (int x = 0; x < dw; ++x, t += 3) {
                    uint32_t b = 0, g = 0, r = 0;
                    for (int sx = start[size_t(x)], end = start[size_t(x) + 1]; sx < end; ++sx, s += 4) b += s[0], g += s[1], r += s[2];
                    t[0] += b, t[1] += g, t[2] += r;
                }
            }
            uint8_t* d = dst + ptrdiff_t(y) * dstStride;
            const uint32_t rows = uint32_t(y1 - y0);
            for (int x = 0; x < dw; ++x, d += 4) {
                const uint32_t n = uint32_t(start[size_t(x) + 1] - start[size_t(x)]) * rows;
                const uint32_t* t = &sums[size_t(x) * 3];
                d[0] = uint8_t((t[0] + n / 2) / n), d[1] = uint8_t((t[1] + n / 2) / n), d[2] = uint8_t((t[2] + n / 2) / n);
                d[3] = 0xFF;
            }
        }
        return true;
    });
}

}  // namespace kv
