// The AVX-512 kernels: eight destination pixels per step where a row is computed in doubles (one
// lane each), sixteen where it is in 16-bit lanes. The same operations as the AVX2 rows at twice
// the width, which halves the instructions a pixel
// takes (measured 1.6× faster on the blend itself where the unit executes 512-bit operations in
// two halves). Target attributes as in the AVX2 file; the helpers are forced inline.
//
// GCC 12 warns of the undefined source vector the 512-bit conversion and permutation intrinsics
// pass themselves (a known false alarm of its headers), so that warning is off here.
//
// Tuned for the AMD cores of this set: with the generic tuning GCC 12 kept the enlargement's
// two row pointers in vector registers and moved them back for every group of eight pixels,
// and the whole enlargement measured 40% slower (3840×2160 → 1.5×, 16.5 against 11.5 ms). The
// tuning changes the choice of instructions only, never the operations, so the bytes stay.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include "imaging/kernels/RowKernels.h"

#define KV_AVX512_TARGET "avx2,avx512f,avx512bw,avx512vl,avx512dq,tune=znver3"
#define KV_AVX512 __attribute__((target(KV_AVX512_TARGET)))
#define KV_AVX512_INLINE __attribute__((target(KV_AVX512_TARGET), always_inline)) inline

namespace kv::detail {

namespace {

// Channel c (0 blue, 1 green, 2 red) of eight pixels as doubles.
template <int c>
KV_AVX512_INLINE __m512d Channel8(__m256i px) {
    const __m256i pick = _mm256_setr_epi8(c, -1, -1, -1, 4 + c, -1, -1, -1, 8 + c, -1, -1, -1, 12 + c, -1, -1, -1,  //
                                          c, -1, -1, -1, 4 + c, -1, -1, -1, 8 + c, -1, -1, -1, 12 + c, -1, -1, -1);
    return _mm512_cvtepi32_pd(_mm256_shuffle_epi8(px, pick));
}

// One channel of the blend, truncated and halved (see BlendLanes in the AVX2 rows).
template <int c>
KV_AVX512_INLINE __m256i BlendChannel8(__m256i p00, __m256i p10, __m256i p01, __m512d dx, __m512d omdx, __m512d dy,
                                       __m512d omdy) {
    const __m512d a = Channel8<c>(p00), b = Channel8<c>(p10), d = Channel8<c>(p01);
    __m512d s = _mm512_add_pd(_mm512_mul_pd(a, omdx), _mm512_mul_pd(b, dx));
    s = _mm512_add_pd(s, _mm512_mul_pd(a, omdy));
    s = _mm512_add_pd(s, _mm512_mul_pd(d, dy));
    return _mm256_srli_epi32(_mm512_cvttpd_epi32(s), 1);
}

KV_AVX512_INLINE __m256i Blend8(__m256i p00, __m256i p10, __m256i p01, __m512d dx, __m512d omdx, __m512d dy,
                                __m512d omdy) {
    const __m256i b = BlendChannel8<0>(p00, p10, p01, dx, omdx, dy, omdy);
    const __m256i g = BlendChannel8<1>(p00, p10, p01, dx, omdx, dy, omdy);
    const __m256i r = BlendChannel8<2>(p00, p10, p01, dx, omdx, dy, omdy);
    return _mm256_or_si256(_mm256_or_si256(b, _mm256_slli_epi32(g, 8)), _mm256_slli_epi32(r, 16));
}

// Eight pixels at the given indices: one load where they run on by one, else eight.
KV_AVX512_INLINE __m256i Load8(const RGBX* base, __m256i index) {
    const uint32_t* p = reinterpret_cast<const uint32_t*>(base);
    const int first = _mm_cvtsi128_si32(_mm256_castsi256_si128(index));
    const __m256i run = _mm256_add_epi32(_mm256_set1_epi32(first), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    if (_mm256_cmpeq_epi32_mask(run, index) == 0xFF) return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + first));
    alignas(32) int i[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(i), index);
    return _mm256_setr_epi32(int(p[i[0]]), int(p[i[1]]), int(p[i[2]]), int(p[i[3]]), int(p[i[4]]), int(p[i[5]]),
                             int(p[i[6]]), int(p[i[7]]));
}

// The blend at (x, y) per lane with the negative-position rule (see BlendAt4 in the AVX2 rows).
KV_AVX512_INLINE __m256i BlendAt8(const RGBX* src, int sw, int sh, __m512d x, __m512d y) {
    const __m512d one = _mm512_set1_pd(1.0);
    const __m256i tx = _mm512_cvttpd_epi32(x), ty = _mm512_cvttpd_epi32(y);
    const int x0 = _mm_cvtsi128_si32(_mm256_castsi256_si128(tx)), y0 = _mm_cvtsi128_si32(_mm256_castsi256_si128(ty));
    const __mmask8 same = _mm256_cmpeq_epi32_mask(tx, _mm256_add_epi32(_mm256_set1_epi32(x0), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7))) &
                          _mm256_cmpeq_epi32_mask(ty, _mm256_set1_epi32(y0));
    const __mmask8 negative =
        _mm512_cmp_pd_mask(x, _mm512_setzero_pd(), _CMP_LT_OQ) | _mm512_cmp_pd_mask(y, _mm512_setzero_pd(), _CMP_LT_OQ);
    if (same == 0xFF && negative == 0 && x0 + 8 < sw && y0 + 1 < sh) {
        const RGBX* r0 = src + ptrdiff_t(y0) * sw + x0;
        const __m256i p00 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r0));
        const __m256i p10 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r0 + 1));
        const __m256i p01 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r0 + sw));
        const __m512d dx = _mm512_sub_pd(x, _mm512_cvtepi32_pd(tx)), dy = _mm512_sub_pd(y, _mm512_cvtepi32_pd(ty));
        return Blend8(p00, p10, p01, dx, _mm512_sub_pd(one, dx), dy, _mm512_sub_pd(one, dy));
    }
    const __m256i zero = _mm256_setzero_si256();
    const __m256i maxX = _mm256_set1_epi32(sw - 1), maxY = _mm256_set1_epi32(sh - 1);
    const __m256i ix = _mm256_min_epi32(_mm256_max_epi32(tx, zero), maxX);
    const __m256i iy = _mm256_min_epi32(_mm256_max_epi32(ty, zero), maxY);
    const __m256i ix1 = _mm256_min_epi32(_mm256_add_epi32(ix, _mm256_set1_epi32(1)), maxX);
    const __m256i iy1 = _mm256_min_epi32(_mm256_add_epi32(iy, _mm256_set1_epi32(1)), maxY);
    const __m256i w = _mm256_set1_epi32(sw);
    const __m256i rowOff = _mm256_mullo_epi32(iy, w);
    const __m256i p00 = Load8(src, _mm256_add_epi32(rowOff, ix));
    const __m256i p10 = Load8(src, _mm256_add_epi32(rowOff, ix1));
    const __m256i p01 = Load8(src, _mm256_add_epi32(_mm256_mullo_epi32(iy1, w), ix));
    const __m512d dx = _mm512_sub_pd(x, _mm512_cvtepi32_pd(ix)), dy = _mm512_sub_pd(y, _mm512_cvtepi32_pd(iy));
    const __m256i blended = Blend8(p00, p10, p01, dx, _mm512_sub_pd(one, dx), dy, _mm512_sub_pd(one, dy));
    return _mm256_mask_blend_epi32(negative, blended, p00);
}

KV_AVX512_INLINE void Store8(RGBX* d, __m256i px) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), px); }

KV_AVX512 int RotateRowAvx512(const RotateRow& r, RGBX* dst, int count) {
    const __m512d rowU = _mm512_set1_pd(r.rowU), rowV = _mm512_set1_pd(r.rowV);
    const __m512d hsW = _mm512_set1_pd(r.hsW), hsH = _mm512_set1_pd(r.hsH);
    const __m256i hsWi = _mm256_set1_epi32(r.hsW), hsHi = _mm256_set1_epi32(r.hsH), sw = _mm256_set1_epi32(r.sw);
    int x = 0;
    if (r.interpolate) {
        for (; x + 8 <= count; x += 8) {
            const __m512d u = _mm512_add_pd(_mm512_loadu_pd(r.colU + x), rowU);
            const __m512d v = _mm512_add_pd(_mm512_loadu_pd(r.colV + x), rowV);
            Store8(dst + x, BlendAt8(r.src, r.sw, r.sh, _mm512_add_pd(hsW, u), _mm512_add_pd(hsH, v)));
        }
    } else {
        for (; x + 8 <= count; x += 8) {
            const __m512d u = _mm512_add_pd(_mm512_loadu_pd(r.colU + x), rowU);
            const __m512d v = _mm512_add_pd(_mm512_loadu_pd(r.colV + x), rowV);
            const __m256i sx = _mm256_add_epi32(_mm512_cvttpd_epi32(u), hsWi);
            const __m256i sy = _mm256_add_epi32(_mm512_cvttpd_epi32(v), hsHi);
            Store8(dst + x, Load8(r.src, _mm256_add_epi32(_mm256_mullo_epi32(sy, sw), sx)));
        }
    }
    return x;
}

// The conversions between 32-bit integers and doubles weigh on the blended rows (measured in the
// first-level cache: an enlargement's group of eight pixels took 27 cycles with three of them per
// channel, and a turn's twenty-five of its 40 instructions of arithmetic are conversions).
// Both ways are exact here without them. A byte n becomes the double 2^52 + n by setting its bits
// under those of 2^52, and subtracting 2^52 leaves n, as the conversion would. A sum s in
// [0, 2^52) added to 2^52 with rounding towards zero leaves trunc(s) in the low bits, as the
// truncating conversion would; the blend's sums are never negative (its weights are in [0, 1] and
// its pixels unsigned).
constexpr long long kTwo52Bits = 0x4330000000000000LL;

// The byte at bit `at` of each 64-bit lane as a double.
template <int at>
KV_AVX512_INLINE __m512d ByteAsDouble(__m512i wide) {
    const __m512i bits = _mm512_ternarylogic_epi64(_mm512_srli_epi64(wide, at), _mm512_set1_epi64(0xFF),
                                                   _mm512_set1_epi64(kTwo52Bits), 0xEA);  // (a & b) | c
    return _mm512_sub_pd(_mm512_castsi512_pd(bits), _mm512_castsi512_pd(_mm512_set1_epi64(kTwo52Bits)));
}

// trunc(s) of each lane in its low bits (the high ones hold 2^52's exponent).
KV_AVX512_INLINE __m512i TruncBits(__m512d s) {
    return _mm512_castpd_si512(
        _mm512_add_round_pd(s, _mm512_castsi512_pd(_mm512_set1_epi64(kTwo52Bits)), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC));
}

// Truncated sums of blue, green and red (TruncBits) halved and packed into eight pixels.
KV_AVX512_INLINE __m256i PackHalved(__m512i b, __m512i g, __m512i r) {
    __m512i px = _mm512_and_si512(_mm512_srli_epi64(b, 1), _mm512_set1_epi64(0xFF));
    px = _mm512_ternarylogic_epi64(_mm512_slli_epi64(g, 7), _mm512_set1_epi64(0xFF00), px, 0xEA);
    px = _mm512_ternarylogic_epi64(_mm512_slli_epi64(r, 15), _mm512_set1_epi64(0xFF0000), px, 0xEA);
    return _mm512_cvtepi64_epi32(px);
}

// Eight blended pixels whose three neighbours are inside the source: p00 and p10 of a lane are
// one 64-bit load, p01 and p11 the one a row below, so eight lanes take sixteen loads where the
// clamped path takes twenty-four, and the lanes need no clamps, no edge test and no
// negative-position rule.
KV_AVX512_INLINE __m512i LoadPairs8(const RGBX* base, __m256i index) {
    alignas(32) int i[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(i), index);
    auto pair = [&](int a, int b) {
        const __m128i lo = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + i[a]));
        return _mm_castpd_si128(_mm_loadh_pd(_mm_castsi128_pd(lo), reinterpret_cast<const double*>(base + i[b])));
    };
    const __m256i lo = _mm256_inserti128_si256(_mm256_castsi128_si256(pair(0, 1)), pair(2, 3), 1);
    const __m256i hi = _mm256_inserti128_si256(_mm256_castsi128_si256(pair(4, 5)), pair(6, 7), 1);
    return _mm512_inserti64x4(_mm512_castsi256_si512(lo), hi, 1);
}

// One channel (the byte at bit `at`) of the blend of BlendChannel8, truncated into the low bits.
template <int at>
KV_AVX512_INLINE __m512i InnerBlend(__m512i top, __m512i bottom, __m512d dx, __m512d omdx, __m512d dy, __m512d omdy) {
    const __m512d a = ByteAsDouble<at>(top), b = ByteAsDouble<32 + at>(top), d = ByteAsDouble<at>(bottom);
    __m512d s = _mm512_add_pd(_mm512_mul_pd(a, omdx), _mm512_mul_pd(b, dx));
    s = _mm512_add_pd(s, _mm512_mul_pd(a, omdy));
    return TruncBits(_mm512_add_pd(s, _mm512_mul_pd(d, dy)));
}

KV_AVX512 int RotateInnerRowAvx512(const RotateRow& r, RGBX* dst, int count) {
    const __m512d rowU = _mm512_set1_pd(r.rowU), rowV = _mm512_set1_pd(r.rowV);
    const __m512d hsW = _mm512_set1_pd(r.hsW), hsH = _mm512_set1_pd(r.hsH), one = _mm512_set1_pd(1.0);
    const __m256i sw = _mm256_set1_epi32(r.sw);
    int x = 0;
    for (; x + 8 <= count; x += 8) {
        const __m512d sx = _mm512_add_pd(hsW, _mm512_add_pd(_mm512_loadu_pd(r.colU + x), rowU));
        const __m512d sy = _mm512_add_pd(hsH, _mm512_add_pd(_mm512_loadu_pd(r.colV + x), rowV));
        const __m256i ix = _mm512_cvttpd_epi32(sx), iy = _mm512_cvttpd_epi32(sy);
        const __m256i at = _mm256_add_epi32(_mm256_mullo_epi32(iy, sw), ix);
        const __m512i top = LoadPairs8(r.src, at), bottom = LoadPairs8(r.src + r.sw, at);  // p00 | p10, p01 | p11
        const __m512d dx = _mm512_sub_pd(sx, _mm512_cvtepi32_pd(ix)), dy = _mm512_sub_pd(sy, _mm512_cvtepi32_pd(iy));
        const __m512d omdx = _mm512_sub_pd(one, dx), omdy = _mm512_sub_pd(one, dy);
        Store8(dst + x, PackHalved(InnerBlend<0>(top, bottom, dx, omdx, dy, omdy), InnerBlend<8>(top, bottom, dx, omdx, dy, omdy),
                                   InnerBlend<16>(top, bottom, dx, omdx, dy, omdy)));
    }
    return x;
}

KV_AVX512 int ShearRowAvx512(const ShearRow& r, RGBX* dst, int count) {
    const __m512d ox = _mm512_set1_pd(r.ox), y = _mm512_set1_pd(r.y);
    const __m512d step = _mm512_setr_pd(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i sw = _mm256_set1_epi32(r.sw);
    int x = 0;
    for (; x + 8 <= count; x += 8) {
        const __m512d sx = _mm512_sub_pd(_mm512_add_pd(_mm512_set1_pd(r.x0 + x), step), ox);
        const __m512d sy = _mm512_sub_pd(y, _mm512_loadu_pd(r.colOy + x));
        if (r.interpolate) {
            Store8(dst + x, BlendAt8(r.src, r.sw, r.sh, sx, sy));
        } else {
            const __m256i ix = _mm512_cvttpd_epi32(sx), iy = _mm512_cvttpd_epi32(sy);
            Store8(dst + x, Load8(r.src, _mm256_add_epi32(_mm256_mullo_epi32(iy, sw), ix)));
        }
    }
    return x;
}

// p00 of the group's eight columns in the low half, p10 in the high half.
KV_AVX512_INLINE __m512i GroupPixels16(const RGBX* row, const EnlargeGroup& g) {
    const __m512i offset = _mm512_loadu_si512(g.offset);
    if (g.window) return _mm512_permutexvar_epi32(offset, _mm512_loadu_si512(row + g.base));
    const uint32_t* p = reinterpret_cast<const uint32_t*>(row + g.base);
    alignas(64) int v[16];
    for (int k = 0; k < 16; ++k) v[k] = int(p[g.offset[k]]);
    return _mm512_load_si512(v);
}

// ((H + p00·(1−dy)) + p01·dy) of one channel, truncated into the low bits.
KV_AVX512_INLINE __m512i SharedChannel8(__m512d a, __m512d b, __m512d h, __m512d dy, __m512d omdy) {
    return TruncBits(_mm512_add_pd(_mm512_add_pd(h, _mm512_mul_pd(a, omdy)), _mm512_mul_pd(b, dy)));
}

// The destination rows that share a pair of source rows, in one pass along them: per group of
// eight columns the three source pixels are converted once and H is made once, in registers,
// for every row of the pair. The double operations are the baseline's, in its order. kRows > 0 fixes the number of rows (the
// common one and two of factors below 2, unrolled); 0 takes `rows`.
template <int kRows>
KV_AVX512_INLINE void SharedRows8(const RGBX* upper, const RGBX* lower, const EnlargeGroup* groups, int groupCount,
                                  const double* colD, const double* colOmd, const EnlargeRow* rows, int rowCount) {
    if (kRows > 0) rowCount = kRows;
    for (int g = 0; g < groupCount; ++g) {
        const __m512i px = GroupPixels16(upper, groups[g]);
        const __m512i p00 = _mm512_cvtepu32_epi64(_mm512_castsi512_si256(px));
        const __m512i p10 = _mm512_cvtepu32_epi64(_mm512_extracti64x4_epi64(px, 1));
        const __m512i p01 = _mm512_cvtepu32_epi64(_mm512_castsi512_si256(GroupPixels16(lower, groups[g])));
        const __m512d dx = _mm512_loadu_pd(colD + 8 * g), omdx = _mm512_loadu_pd(colOmd + 8 * g);
        const __m512d a0 = ByteAsDouble<0>(p00), a1 = ByteAsDouble<8>(p00), a2 = ByteAsDouble<16>(p00);
        const __m512d h0 = _mm512_add_pd(_mm512_mul_pd(a0, omdx), _mm512_mul_pd(ByteAsDouble<0>(p10), dx));
        const __m512d h1 = _mm512_add_pd(_mm512_mul_pd(a1, omdx), _mm512_mul_pd(ByteAsDouble<8>(p10), dx));
        const __m512d h2 = _mm512_add_pd(_mm512_mul_pd(a2, omdx), _mm512_mul_pd(ByteAsDouble<16>(p10), dx));
        const __m512d b0 = ByteAsDouble<0>(p01), b1 = ByteAsDouble<8>(p01), b2 = ByteAsDouble<16>(p01);
        for (int k = 0; k < rowCount; ++k) {
            const EnlargeRow& row = rows[k];
            const __m512d dy = _mm512_set1_pd(row.dy), omdy = _mm512_set1_pd(row.omdy);
            Store8(row.dst + 8 * g, PackHalved(SharedChannel8(a0, b0, h0, dy, omdy), SharedChannel8(a1, b1, h1, dy, omdy),
                                               SharedChannel8(a2, b2, h2, dy, omdy)));
        }
    }
}

KV_AVX512 void EnlargeSharedRows8(const RGBX* upper, const RGBX* lower, const EnlargeGroup* groups, int groupCount,
                                  const double* colD, const double* colOmd, const EnlargeRow* rows, int rowCount) {
    if (rowCount == 1) return SharedRows8<1>(upper, lower, groups, groupCount, colD, colOmd, rows, rowCount);
    if (rowCount == 2) return SharedRows8<2>(upper, lower, groups, groupCount, colD, colOmd, rows, rowCount);
    SharedRows8<0>(upper, lower, groups, groupCount, colD, colOmd, rows, rowCount);
}

const EnlargeKernels kEnlargeAvx512{8, EnlargeSharedRows8};

KV_AVX512 int ExpandRowAvx512(const RGBX* row, int sw, const int* cols, RGBX* out, int dw) {
    int x = 0;
    for (; x + 16 <= dw; x += 16) {
        const int base = cols[x];
        const __m512i offset = _mm512_sub_epi32(_mm512_loadu_si512(cols + x), _mm512_set1_epi32(base));
        if (_mm512_cmplt_epu32_mask(offset, _mm512_set1_epi32(16)) == 0xFFFF && base >= 0 && base <= sw - 16) {
            _mm512_storeu_si512(out + x, _mm512_permutexvar_epi32(offset, _mm512_loadu_si512(row + base)));
        } else {
            for (int k = 0; k < 16; ++k) out[x + k] = row[cols[x + k]];
        }
    }
    return x;
}

KV_AVX512_INLINE __m512i DyadicHalf16(__m512i a, __m512i b, __m512i c, __m512i wx, __m512i base, __m512i wy) {
    const __m512i n = _mm512_add_epi16(
        _mm512_add_epi16(_mm512_mullo_epi16(a, _mm512_sub_epi16(base, wx)), _mm512_mullo_epi16(b, wx)),
        _mm512_mullo_epi16(c, wy));
    return _mm512_srli_epi16(n, 8);
}

// The 512-bit unpacks work per 128-bit quarter: the low halves hold pixels 0, 1, 4, 5, 8, 9, 12,
// 13 and the high ones the rest, so the column weights (two pixels per 128 bits) are picked in
// that order and the pack restores 0 to 15.
KV_AVX512 int DyadicRowAvx512(const RGBX* e00, const RGBX* e10, const RGBX* e01, const uint16_t* wx, int my, RGBX* d,
                              int dw) {
    const __m512i zero = _mm512_setzero_si512(), mask = _mm512_set1_epi32(0x00FFFFFF);
    const __m512i wy = _mm512_set1_epi16(short(my)), base = _mm512_set1_epi16(short(256 - my));
    const __m512i pickLo = _mm512_setr_epi64(0, 1, 4, 5, 8, 9, 12, 13), pickHi = _mm512_setr_epi64(2, 3, 6, 7, 10, 11, 14, 15);
    int x = 0;
    for (; x + 16 <= dw; x += 16) {
        const __m512i a = _mm512_loadu_si512(e00 + x), b = _mm512_loadu_si512(e10 + x), c = _mm512_loadu_si512(e01 + x);
        const __m512i w0 = _mm512_loadu_si512(wx + int64_t(x) * 4), w1 = _mm512_loadu_si512(wx + int64_t(x) * 4 + 32);
        const __m512i wlo = _mm512_permutex2var_epi64(w0, pickLo, w1), whi = _mm512_permutex2var_epi64(w0, pickHi, w1);
        const __m512i lo = DyadicHalf16(_mm512_unpacklo_epi8(a, zero), _mm512_unpacklo_epi8(b, zero),
                                        _mm512_unpacklo_epi8(c, zero), wlo, base, wy);
        const __m512i hi = DyadicHalf16(_mm512_unpackhi_epi8(a, zero), _mm512_unpackhi_epi8(b, zero),
                                        _mm512_unpackhi_epi8(c, zero), whi, base, wy);
        _mm512_storeu_si512(d + x, _mm512_and_si512(_mm512_packus_epi16(lo, hi), mask));
    }
    return x;
}

}  // namespace

// No grey, halving or 24-bit rows of its own: those are bound by memory at the AVX2 width.
const RowKernels kAvx512Kernels{"avx512", &kAvx2Kernels, RotateRowAvx512, RotateInnerRowAvx512, ShearRowAvx512, ExpandRowAvx512,
                                DyadicRowAvx512, nullptr, nullptr, nullptr, &kEnlargeAvx512};

}  // namespace kv::detail
