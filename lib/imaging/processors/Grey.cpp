// Grey scale: (3·red + 6·green + blue) / 10 in integers, reserved byte 0.
// The division is a multiply-high by 6554: for sums up to 2550 the error term stays below
// 0.016, under the smallest distance (0.1) from a quotient to the next integer, so it is exact.
#include <immintrin.h>

#include "imaging/Processor.h"
#include "imaging/processors/BlendRows.h"
#include "imaging/processors/Kernels.h"

using namespace kv::detail;

namespace {

inline uint8_t GreyOf(RGBX p) { return uint8_t((3 * p.red + 6 * p.green + p.blue) / 10); }

// Four pixels: weights per 16-bit lane (b, g, r, x) = (1, 6, 3, 0); the three products of a
// pixel are summed into its lowest lane by 64-bit shifts.
inline __m128i GreyHalf(__m128i px16) {
    const __m128i weights = _mm_setr_epi16(1, 6, 3, 0, 1, 6, 3, 0);
    const __m128i prod = _mm_mullo_epi16(px16, weights);
    __m128i sum = _mm_add_epi16(prod, _mm_srli_epi64(prod, 16));
    sum = _mm_add_epi16(sum, _mm_srli_epi64(prod, 32));
    __m128i grey = _mm_mulhi_epu16(sum, _mm_set1_epi16(6554));
    grey = _mm_and_si128(grey, _mm_set_epi32(0, 0xFFFF, 0, 0xFFFF));
    return _mm_or_si128(_mm_or_si128(grey, _mm_slli_epi64(grey, 16)), _mm_slli_epi64(grey, 32));
}

// Eight pixels a step: the same lane arithmetic on 256-bit registers.
__attribute__((target("avx2"))) inline __m256i GreyHalfAvx2(__m256i px16) {
    const __m256i weights = _mm256_setr_epi16(1, 6, 3, 0, 1, 6, 3, 0, 1, 6, 3, 0, 1, 6, 3, 0);
    const __m256i keep = _mm256_set_epi32(0, 0xFFFF, 0, 0xFFFF, 0, 0xFFFF, 0, 0xFFFF);
    const __m256i prod = _mm256_mullo_epi16(px16, weights);
    __m256i sum = _mm256_add_epi16(prod, _mm256_srli_epi64(prod, 16));
    sum = _mm256_add_epi16(sum, _mm256_srli_epi64(prod, 32));
    const __m256i g = _mm256_and_si256(_mm256_mulhi_epu16(sum, _mm256_set1_epi16(6554)), keep);
    return _mm256_or_si256(_mm256_or_si256(g, _mm256_slli_epi64(g, 16)), _mm256_slli_epi64(g, 32));
}

__attribute__((target("avx2"))) int64_t GreyRunAvx2(const RGBX* src, RGBX* dst, int64_t n) {
    const __m256i zero = _mm256_setzero_si256();
    int64_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        // unpack within 128-bit lanes and pack back the same way: the pixel order is kept
        const __m256i r = _mm256_packus_epi16(GreyHalfAvx2(_mm256_unpacklo_epi8(v, zero)),
                                              GreyHalfAvx2(_mm256_unpackhi_epi8(v, zero)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), r);
    }
    return i;
}

}  // namespace

int CImageGrayer::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    if (sizeSrc.cx <= 0 || sizeSrc.cy <= 0 || !(sizeSrc == sizeDst)) {
        // Sizes always agree through the chain; anything else is handled pixel by pixel.
        const int w = std::min(sizeSrc.cx, sizeDst.cx), h = std::min(sizeSrc.cy, sizeDst.cy);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t g = GreyOf(Row(pSrc, sizeSrc.cx, y)[x]);
                Row(pDst, sizeDst.cx, y)[x] = RGBX{g, g, g, 0};
            }
        return 1;
    }
    const int64_t n = int64_t(sizeSrc.cx) * sizeSrc.cy;
    const __m128i zero = _mm_setzero_si128();
    int64_t i = kv::detail::HaveAvx2() ? GreyRunAvx2(pSrc, pDst, n) : 0;
    auto grey4 = [&](int64_t at) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pSrc + at));
        return _mm_packus_epi16(GreyHalf(_mm_unpacklo_epi8(v, zero)), GreyHalf(_mm_unpackhi_epi8(v, zero)));
    };
    for (; i + 4 <= n; i += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(pDst + i), grey4(i));
    for (; i < n; ++i) {
        const uint8_t g = GreyOf(pSrc[i]);
        pDst[i] = RGBX{g, g, g, 0};
    }
    return 1;
}
