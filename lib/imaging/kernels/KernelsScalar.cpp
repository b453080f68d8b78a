// The baseline kernels: what every x86-64 processor runs, the plain formulas and SSE2 (part of
// x86-64 itself). They do every pixel they are given, so they also finish the rows the wider
// sets leave a tail of.
#include <emmintrin.h>

#include <cstring>

#include "imaging/kernels/RowKernels.h"
#include "imaging/processors/Kernels.h"

namespace kv::detail {

namespace {

int RotateRowScalar(const RotateRow& r, RGBX* dst, int count) {
    for (int x = 0; x < count; ++x) {
        const double u = r.colU[x] + r.rowU, v = r.colV[x] + r.rowV;
        dst[x] = r.interpolate
                     ? BlendAt(r.src, r.sw, r.sh, r.hsW + u, r.hsH + v)
                     : Row(r.src, r.sw, kv::SaturatingTrunc(v) + r.hsH)[kv::SaturatingTrunc(u) + r.hsW];
    }
    return count;
}

// The same blend as BlendAt where no clamp and no negative position can occur.
int RotateInnerRowScalar(const RotateRow& r, RGBX* dst, int count) {
    for (int x = 0; x < count; ++x) {
        const double sx = r.hsW + (r.colU[x] + r.rowU), sy = r.hsH + (r.colV[x] + r.rowV);
        const int ix = int(sx), iy = int(sy);
        const RGBX* p = Row(r.src, r.sw, iy) + ix;
        dst[x] = BlendPixels(p[0], p[1], p[r.sw], sx - ix, sy - iy);
    }
    return count;
}

int ShearRowScalar(const ShearRow& r, RGBX* dst, int count) {
    for (int x = 0; x < count; ++x) {
        const double sx = r.x0 + x - r.ox, sy = r.y - r.colOy[x];
        dst[x] = r.interpolate ? BlendAt(r.src, r.sw, r.sh, sx, sy)
                               : Row(r.src, r.sw, kv::SaturatingTrunc(sy))[kv::SaturatingTrunc(sx)];
    }
    return count;
}

int ExpandRowScalar(const RGBX* row, int, const int* cols, RGBX* out, int count) {
    for (int x = 0; x < count; ++x) out[x] = row[cols[x]];
    return count;
}

// Four destination pixels a step in 16-bit lanes, the rest one by one.
int DyadicRowScalar(const RGBX* e00, const RGBX* e10, const RGBX* e01, const uint16_t* wx, int my, RGBX* d, int dw) {
    const __m128i zero = _mm_setzero_si128(), colourMask = _mm_set1_epi32(0x00FFFFFF);
    const __m128i wy = _mm_set1_epi16(short(my)), base = _mm_set1_epi16(short(256 - my));
    int x = 0;
    for (; x + 4 <= dw; x += 4) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(e00 + x));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(e10 + x));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(e01 + x));
        const __m128i wxLo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(wx + int64_t(x) * 4));
        const __m128i wxHi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(wx + int64_t(x) * 4 + 8));
        auto half = [&](bool high, __m128i w) {
            auto pick = [&](__m128i v) { return high ? _mm_unpackhi_epi8(v, zero) : _mm_unpacklo_epi8(v, zero); };
            const __m128i n = _mm_add_epi16(
                _mm_add_epi16(_mm_mullo_epi16(pick(a), _mm_sub_epi16(base, w)), _mm_mullo_epi16(pick(b), w)),
                _mm_mullo_epi16(pick(c), wy));
            return _mm_srli_epi16(n, 8);
        };
        const __m128i px = _mm_packus_epi16(half(false, wxLo), half(true, wxHi));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), _mm_and_si128(px, colourMask));
    }
    for (; x < dw; ++x) {
        const int X = wx[int64_t(x) * 4], Y = my, w0 = 256 - X - Y;
        const RGBX p = e00[x], q = e10[x], t = e01[x];
        d[x] = RGBX{uint8_t((p.blue * w0 + q.blue * X + t.blue * Y) >> 8),
                    uint8_t((p.green * w0 + q.green * X + t.green * Y) >> 8),
                    uint8_t((p.red * w0 + q.red * X + t.red * Y) >> 8), 0};
    }
    return dw;
}

// Four destination pixels from eight source columns of two rows a step; a shorter rest is left
// to the caller, which sums such blocks one by one with the irregular ones.
int ShrinkPairsScalar(const RGBX* s0, const RGBX* s1, int x, int count, RGBX* d) {
    const __m128i zero = _mm_setzero_si128(), colour = _mm_set1_epi32(0x00FFFFFF);
    auto pairs = [&](int at) {  // two destination pixels from four source columns
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s0 + at));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s1 + at));
        const __m128i lo = _mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
        const __m128i hi = _mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
        // lanes 0-3 + 4-7 of each half: the pixel pairs.
        const __m128i p0 = _mm_add_epi16(lo, _mm_srli_si128(lo, 8));
        const __m128i p1 = _mm_add_epi16(hi, _mm_srli_si128(hi, 8));
        return _mm_srli_epi16(_mm_unpacklo_epi64(p0, p1), 2);
    };
    int j = 0;
    for (; j + 4 <= count; j += 4, x += 8) {
        const __m128i avg = _mm_packus_epi16(pairs(x), pairs(x + 4));
        __m128i* out = reinterpret_cast<__m128i*>(d + j);
        const __m128i old = _mm_loadu_si128(out);
        _mm_storeu_si128(out, _mm_or_si128(_mm_and_si128(avg, colour), _mm_andnot_si128(colour, old)));
    }
    return j;
}

inline uint8_t GreyOf(RGBX p) { return uint8_t((3 * p.red + 6 * p.green + p.blue) / 10); }

// Four pixels: weights per 16-bit lane (b, g, r, x) = (1, 6, 3, 0); the three products of a
// pixel are summed into its lowest lane by 64-bit shifts. The division is a multiply-high by
// 6554: for sums up to 2550 the error term stays below 0.016, under the smallest distance (0.1)
// from a quotient to the next integer, so it is exact.
inline __m128i GreyHalf(__m128i px16) {
    const __m128i weights = _mm_setr_epi16(1, 6, 3, 0, 1, 6, 3, 0);
    const __m128i prod = _mm_mullo_epi16(px16, weights);
    __m128i sum = _mm_add_epi16(prod, _mm_srli_epi64(prod, 16));
    sum = _mm_add_epi16(sum, _mm_srli_epi64(prod, 32));
    __m128i grey = _mm_mulhi_epu16(sum, _mm_set1_epi16(6554));
    grey = _mm_and_si128(grey, _mm_set_epi32(0, 0xFFFF, 0, 0xFFFF));
    return _mm_or_si128(_mm_or_si128(grey, _mm_slli_epi64(grey, 16)), _mm_slli_epi64(grey, 32));
}

int64_t GreyRunScalar(const RGBX* src, RGBX* dst, int64_t n) {
    const __m128i zero = _mm_setzero_si128();
    int64_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                         _mm_packus_epi16(GreyHalf(_mm_unpacklo_epi8(v, zero)), GreyHalf(_mm_unpackhi_epi8(v, zero))));
    }
    for (; i < n; ++i) {
        const uint8_t g = GreyOf(src[i]);
        dst[i] = RGBX{g, g, g, 0};
    }
    return n;
}

// Four pixels at a time: three 32-bit stores of the packed bytes.
int Pack24Scalar(const RGBX* s, uint8_t* d, int count) {
    int x = 0;
    for (; x + 4 <= count; x += 4, d += 12) {
        uint32_t p0, p1, p2, p3;
        std::memcpy(&p0, s + x, 4), std::memcpy(&p1, s + x + 1, 4), std::memcpy(&p2, s + x + 2, 4),
            std::memcpy(&p3, s + x + 3, 4);
        const uint32_t w0 = (p0 & 0xFFFFFF) | p1 << 24, w1 = (p1 >> 8 & 0xFFFF) | p2 << 16,
                       w2 = (p2 >> 16 & 0xFF) | (p3 & 0xFFFFFF) << 8;
        std::memcpy(d, &w0, 4), std::memcpy(d + 4, &w1, 4), std::memcpy(d + 8, &w2, 4);
    }
    for (; x < count; ++x, d += 3) d[0] = s[x].blue, d[1] = s[x].green, d[2] = s[x].red;
    return count;
}

}  // namespace

const RowKernels kScalarKernels{"scalar",        nullptr,         RotateRowScalar, RotateInnerRowScalar, ShearRowScalar,
                                ExpandRowScalar, DyadicRowScalar, ShrinkPairsScalar, GreyRunScalar,
                                Pack24Scalar,    nullptr};

}  // namespace kv::detail
