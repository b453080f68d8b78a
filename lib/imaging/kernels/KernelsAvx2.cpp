// The AVX2 kernels: four destination pixels per step where a row is computed in doubles (one
// lane each), eight where it is in 16-bit lanes. Functions carry target attributes instead of the
// file being built with -mavx2, so no inline function of a shared header is ever emitted here in
// an AVX2 flavour.
#include <immintrin.h>

#include "imaging/kernels/RowKernels.h"

#define KV_AVX2 __attribute__((target("avx2")))
// The helpers below are small and called once or thrice per four pixels: forced inline, as the
// compiler otherwise kept the blend a call with its vectors spilled (measured twice as slow).
#define KV_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

namespace kv::detail {

namespace {

// Channel c (0 blue, 1 green, 2 red) of four pixels as doubles.
template <int c>
KV_AVX2_INLINE __m256d Channel(__m128i px) {
    const __m128i pick = c == 0   ? _mm_setr_epi8(0, -1, -1, -1, 4, -1, -1, -1, 8, -1, -1, -1, 12, -1, -1, -1)
                         : c == 1 ? _mm_setr_epi8(1, -1, -1, -1, 5, -1, -1, -1, 9, -1, -1, -1, 13, -1, -1, -1)
                                  : _mm_setr_epi8(2, -1, -1, -1, 6, -1, -1, -1, 10, -1, -1, -1, 14, -1, -1, -1);
    return _mm256_cvtepi32_pd(_mm_shuffle_epi8(px, pick));
}

// One channel of the blend below, truncated and halved.
template <int c>
KV_AVX2_INLINE __m128i BlendChannelLanes(__m128i p00, __m128i p10, __m128i p01, __m256d dx, __m256d omdx, __m256d dy,
                                         __m256d omdy) {
    const __m256d a = Channel<c>(p00), b = Channel<c>(p10), d = Channel<c>(p01);
    __m256d s = _mm256_add_pd(_mm256_mul_pd(a, omdx), _mm256_mul_pd(b, dx));
    s = _mm256_add_pd(s, _mm256_mul_pd(a, omdy));
    s = _mm256_add_pd(s, _mm256_mul_pd(d, dy));
    return _mm_srli_epi32(_mm256_cvttpd_epi32(s), 1);
}

// The blend of three pixels per lane: 0.5 · (p00·(1−dx) + p10·dx + p00·(1−dy) + p01·dy),
// truncated, per channel; reserved byte 0. The sum s is never negative and halving a double is
// exact, so trunc(0.5·s) is trunc(s) / 2 in integers, one multiplication fewer per channel.
KV_AVX2_INLINE __m128i BlendLanes(__m128i p00, __m128i p10, __m128i p01, __m256d dx, __m256d omdx, __m256d dy,
                                  __m256d omdy) {
    const __m128i b = BlendChannelLanes<0>(p00, p10, p01, dx, omdx, dy, omdy);
    const __m128i g = BlendChannelLanes<1>(p00, p10, p01, dx, omdx, dy, omdy);
    const __m128i r = BlendChannelLanes<2>(p00, p10, p01, dx, omdx, dy, omdy);
    return _mm_or_si128(_mm_or_si128(b, _mm_slli_epi32(g, 8)), _mm_slli_epi32(r, 16));
}

// Four pixels at the given indices. Where the indices run on by one (a shear, a slight turn)
// that is one load; elsewhere four plain loads, as the gather instruction is several times
// slower than those on the processors measured, for indices scattered or not.
KV_AVX2_INLINE __m128i Load4(const RGBX* base, __m128i index) {
    const uint32_t* p = reinterpret_cast<const uint32_t*>(base);
    const uint64_t lo = uint64_t(_mm_cvtsi128_si64(index));
    const __m128i run = _mm_add_epi32(_mm_set1_epi32(int(uint32_t(lo))), _mm_setr_epi32(0, 1, 2, 3));
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(run, index)) == 0xFFFF)
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + uint32_t(lo)));
    const uint64_t hi = uint64_t(_mm_extract_epi64(index, 1));
    return _mm_setr_epi32(int(p[uint32_t(lo)]), int(p[lo >> 32]), int(p[uint32_t(hi)]), int(p[hi >> 32]));
}

// The blend at (x, y) per lane, with the negative-position rule: where x < 0 or y < 0 the lane
// takes the whole pixel at (max(0, trunc x), max(0, trunc y)), which is the loaded p00.
KV_AVX2_INLINE __m128i BlendAt4(const RGBX* src, int sw, int sh, __m256d x, __m256d y) {
    const __m256d one = _mm256_set1_pd(1.0);
    const __m128i tx = _mm256_cvttpd_epi32(x), ty = _mm256_cvttpd_epi32(y);
    // Four neighbours in one source row, none at an edge or left of 0 (a shear, a slight turn):
    // the three pixels of each lane are three plain loads.
    const int x0 = _mm_cvtsi128_si32(tx), y0 = _mm_cvtsi128_si32(ty);
    const __m128i run = _mm_add_epi32(_mm_set1_epi32(x0), _mm_setr_epi32(0, 1, 2, 3));
    const __m128i same = _mm_and_si128(_mm_cmpeq_epi32(tx, run), _mm_cmpeq_epi32(ty, _mm_set1_epi32(y0)));
    const __m256d negative = _mm256_or_pd(_mm256_cmp_pd(x, _mm256_setzero_pd(), _CMP_LT_OQ),
                                          _mm256_cmp_pd(y, _mm256_setzero_pd(), _CMP_LT_OQ));
    const int anyNegative = _mm256_movemask_pd(negative);
    if (_mm_movemask_epi8(same) == 0xFFFF && !anyNegative && x0 + 4 < sw && y0 + 1 < sh) {
        const RGBX* r0 = src + ptrdiff_t(y0) * sw + x0;
        const __m128i p00 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0));
        const __m128i p10 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + 1));
        const __m128i p01 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + sw));
        const __m256d dx = _mm256_sub_pd(x, _mm256_cvtepi32_pd(tx)), dy = _mm256_sub_pd(y, _mm256_cvtepi32_pd(ty));
        return BlendLanes(p00, p10, p01, dx, _mm256_sub_pd(one, dx), dy, _mm256_sub_pd(one, dy));
    }
    const __m128i zero = _mm_setzero_si128();
    const __m128i maxX = _mm_set1_epi32(sw - 1), maxY = _mm_set1_epi32(sh - 1);
    const __m128i ix = _mm_min_epi32(_mm_max_epi32(tx, zero), maxX);
    const __m128i iy = _mm_min_epi32(_mm_max_epi32(ty, zero), maxY);
    const __m128i ix1 = _mm_min_epi32(_mm_add_epi32(ix, _mm_set1_epi32(1)), maxX);
    const __m128i iy1 = _mm_min_epi32(_mm_add_epi32(iy, _mm_set1_epi32(1)), maxY);
    const __m128i w = _mm_set1_epi32(sw);
    const __m128i rowOff = _mm_mullo_epi32(iy, w);
    const __m128i p00 = Load4(src, _mm_add_epi32(rowOff, ix));
    const __m128i p10 = Load4(src, _mm_add_epi32(rowOff, ix1));
    const __m128i p01 = Load4(src, _mm_add_epi32(_mm_mullo_epi32(iy1, w), ix));
    const __m256d dx = _mm256_sub_pd(x, _mm256_cvtepi32_pd(ix)), dy = _mm256_sub_pd(y, _mm256_cvtepi32_pd(iy));
    const __m128i blended = BlendLanes(p00, p10, p01, dx, _mm256_sub_pd(one, dx), dy, _mm256_sub_pd(one, dy));
    if (anyNegative == 0) return blended;
    const __m128i neg32 = _mm256_cvtpd_epi32(_mm256_and_pd(negative, one));  // 1 where negative
    return _mm_blendv_epi8(blended, p00, _mm_cmpeq_epi32(neg32, _mm_set1_epi32(1)));
}

KV_AVX2_INLINE void Store4(RGBX* d, __m128i px) { _mm_storeu_si128(reinterpret_cast<__m128i*>(d), px); }

KV_AVX2 int RotateRowAvx2(const RotateRow& r, RGBX* dst, int count) {
    const __m256d rowU = _mm256_set1_pd(r.rowU), rowV = _mm256_set1_pd(r.rowV);
    const __m256d hsW = _mm256_set1_pd(r.hsW), hsH = _mm256_set1_pd(r.hsH);
    const __m128i hsWi = _mm_set1_epi32(r.hsW), hsHi = _mm_set1_epi32(r.hsH), sw = _mm_set1_epi32(r.sw);
    int x = 0;
    if (r.interpolate) {
        for (; x + 4 <= count; x += 4) {
            const __m256d u = _mm256_add_pd(_mm256_loadu_pd(r.colU + x), rowU);
            const __m256d v = _mm256_add_pd(_mm256_loadu_pd(r.colV + x), rowV);
            Store4(dst + x, BlendAt4(r.src, r.sw, r.sh, _mm256_add_pd(hsW, u), _mm256_add_pd(hsH, v)));
        }
    } else {
        for (; x + 4 <= count; x += 4) {
            const __m256d u = _mm256_add_pd(_mm256_loadu_pd(r.colU + x), rowU);
            const __m256d v = _mm256_add_pd(_mm256_loadu_pd(r.colV + x), rowV);
            const __m128i sx = _mm_add_epi32(_mm256_cvttpd_epi32(u), hsWi);
            const __m128i sy = _mm_add_epi32(_mm256_cvttpd_epi32(v), hsHi);
            Store4(dst + x, Load4(r.src, _mm_add_epi32(_mm_mullo_epi32(sy, sw), sx)));
        }
    }
    return x;
}

// Four blended pixels whose three neighbours are inside the source: a lane's p00 and p10 are one
// 64-bit load, its p01 and p11 the one a row below (see the AVX-512 rows).
KV_AVX2_INLINE __m256i LoadPairs4(const RGBX* base, __m128i index) {
    const uint64_t lo = uint64_t(_mm_cvtsi128_si64(index)), hi = uint64_t(_mm_extract_epi64(index, 1));
    auto pair = [&](uint32_t a, uint32_t b) {
        const __m128i l = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + int(a)));
        return _mm_castpd_si128(_mm_loadh_pd(_mm_castsi128_pd(l), reinterpret_cast<const double*>(base + int(b))));
    };
    return _mm256_inserti128_si256(_mm256_castsi128_si256(pair(uint32_t(lo), uint32_t(lo >> 32))),
                                   pair(uint32_t(hi), uint32_t(hi >> 32)), 1);
}

KV_AVX2 int RotateInnerRowAvx2(const RotateRow& r, RGBX* dst, int count) {
    const __m256d rowU = _mm256_set1_pd(r.rowU), rowV = _mm256_set1_pd(r.rowV);
    const __m256d hsW = _mm256_set1_pd(r.hsW), hsH = _mm256_set1_pd(r.hsH), one = _mm256_set1_pd(1.0);
    const __m128i sw = _mm_set1_epi32(r.sw);
    const __m256i evenOdd = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    int x = 0;
    for (; x + 4 <= count; x += 4) {
        const __m256d sx = _mm256_add_pd(hsW, _mm256_add_pd(_mm256_loadu_pd(r.colU + x), rowU));
        const __m256d sy = _mm256_add_pd(hsH, _mm256_add_pd(_mm256_loadu_pd(r.colV + x), rowV));
        const __m128i ix = _mm256_cvttpd_epi32(sx), iy = _mm256_cvttpd_epi32(sy);
        const __m128i at = _mm_add_epi32(_mm_mullo_epi32(iy, sw), ix);
        const __m256i top = _mm256_permutevar8x32_epi32(LoadPairs4(r.src, at), evenOdd);
        const __m256i bottom = _mm256_permutevar8x32_epi32(LoadPairs4(r.src + r.sw, at), evenOdd);
        const __m256d dx = _mm256_sub_pd(sx, _mm256_cvtepi32_pd(ix)), dy = _mm256_sub_pd(sy, _mm256_cvtepi32_pd(iy));
        Store4(dst + x, BlendLanes(_mm256_castsi256_si128(top), _mm256_extracti128_si256(top, 1),
                                   _mm256_castsi256_si128(bottom), dx, _mm256_sub_pd(one, dx), dy, _mm256_sub_pd(one, dy)));
    }
    return x;
}

KV_AVX2 int ShearRowAvx2(const ShearRow& r, RGBX* dst, int count) {
    const __m256d ox = _mm256_set1_pd(r.ox), y = _mm256_set1_pd(r.y);
    const __m256d step = _mm256_set_pd(3, 2, 1, 0);
    const __m128i sw = _mm_set1_epi32(r.sw);
    int x = 0;
    for (; x + 4 <= count; x += 4) {
        const __m256d sx = _mm256_sub_pd(_mm256_add_pd(_mm256_set1_pd(r.x0 + x), step), ox);
        const __m256d sy = _mm256_sub_pd(y, _mm256_loadu_pd(r.colOy + x));
        if (r.interpolate) {
            Store4(dst + x, BlendAt4(r.src, r.sw, r.sh, sx, sy));
        } else {
            const __m128i ix = _mm256_cvttpd_epi32(sx), iy = _mm256_cvttpd_epi32(sy);
            Store4(dst + x, Load4(r.src, _mm_add_epi32(_mm_mullo_epi32(iy, sw), ix)));
        }
    }
    return x;
}

KV_AVX2 int ExpandRowAvx2(const RGBX* row, int sw, const int* cols, RGBX* out, int dw) {
    int x = 0;
    for (; x + 8 <= dw; x += 8) {
        const int base = cols[x];
        const __m256i index = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cols + x));
        const __m256i offset = _mm256_sub_epi32(index, _mm256_set1_epi32(base));
        // Offsets 0 to 7 (unsigned) and a window inside the row: one permutation of the window.
        const bool inWindow = _mm256_movemask_epi8(_mm256_cmpgt_epi32(_mm256_set1_epi32(8), offset)) == -1 &&
                          _mm256_movemask_epi8(_mm256_cmpgt_epi32(_mm256_setzero_si256(), offset)) == 0;
        if (inWindow && base >= 0 && base <= sw - 8) {
            const __m256i window = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + base));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), _mm256_permutevar8x32_epi32(window, offset));
        } else {
            for (int k = 0; k < 8; ++k) out[x + k] = row[cols[x + k]];
        }
    }
    return x;
}

// p00 of the group's four columns in the low half, p10 in the high half.
KV_AVX2_INLINE __m256i GroupPixels(const RGBX* row, const EnlargeGroup& g) {
    const __m256i offset = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(g.offset));
    if (g.window)
        return _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + g.base)), offset);
    const uint32_t* p = reinterpret_cast<const uint32_t*>(row + g.base);
    const int* o = g.offset;
    return _mm256_setr_epi32(int(p[o[0]]), int(p[o[1]]), int(p[o[2]]), int(p[o[3]]), int(p[o[4]]), int(p[o[5]]),
                             int(p[o[6]]), int(p[o[7]]));
}

// ((H + p00·(1−dy)) + p01·dy) / 2 of one channel, truncated.
KV_AVX2_INLINE __m128i SharedChannel(__m256d a, __m256d b, __m256d h, __m256d dy, __m256d omdy) {
    const __m256d s = _mm256_add_pd(_mm256_add_pd(h, _mm256_mul_pd(a, omdy)), _mm256_mul_pd(b, dy));
    return _mm_srli_epi32(_mm256_cvttpd_epi32(s), 1);
}

// Four pixels per 128-bit half: weights per 16-bit lane (b, g, r, x) = (1, 6, 3, 0); the three
// products of a pixel are summed into its lowest lane by 64-bit shifts, divided by 10 as a
// multiply-high by 6554 (exact for sums up to 2550) and copied into the other two.
KV_AVX2_INLINE __m256i GreyHalf(__m256i px16) {
    const __m256i weights = _mm256_setr_epi16(1, 6, 3, 0, 1, 6, 3, 0, 1, 6, 3, 0, 1, 6, 3, 0);
    const __m256i keep = _mm256_set_epi32(0, 0xFFFF, 0, 0xFFFF, 0, 0xFFFF, 0, 0xFFFF);
    const __m256i prod = _mm256_mullo_epi16(px16, weights);
    __m256i sum = _mm256_add_epi16(prod, _mm256_srli_epi64(prod, 16));
    sum = _mm256_add_epi16(sum, _mm256_srli_epi64(prod, 32));
    const __m256i g = _mm256_and_si256(_mm256_mulhi_epu16(sum, _mm256_set1_epi16(6554)), keep);
    return _mm256_or_si256(_mm256_or_si256(g, _mm256_slli_epi64(g, 16)), _mm256_slli_epi64(g, 32));
}

// A run this long (2 MB or more: a range of a large frame's rows) is written past the caches:
// little of it would still be there for the next step, and a plain store first reads every line
// it writes.
constexpr int64_t kGreyStreamPixels = int64_t(1) << 19;

KV_AVX2_INLINE __m256i Grey8(const RGBX* src) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
    // unpack within 128-bit lanes and pack back the same way: the pixel order is kept
    return _mm256_packus_epi16(GreyHalf(_mm256_unpacklo_epi8(v, zero)), GreyHalf(_mm256_unpackhi_epi8(v, zero)));
}

KV_AVX2 int64_t GreyRunAvx2(const RGBX* src, RGBX* dst, int64_t n) {
    const uintptr_t at = reinterpret_cast<uintptr_t>(dst);
    const bool stream = n >= kGreyStreamPixels && (at & 3) == 0;
    int64_t i = 0;
    if (stream) {
        // Up to the first 32-byte boundary with one plain store of eight (the pixels it writes
        // twice get the same bytes both times); streamed from there.
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), Grey8(src));
        i = int64_t((32 - (at & 31)) & 31) / 4;
    }
    for (; i + 8 <= n; i += 8) {
        const __m256i r = Grey8(src + i);
        if (stream)
            _mm256_stream_si256(reinterpret_cast<__m256i*>(dst + i), r);
        else
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), r);
    }
    if (stream) _mm_sfence();  // the streamed stores are seen before anyone reads the result
    return i;
}

// Destination pixels 0, 1 | 2, 3 of eight source columns of two rows, in 16-bit lanes.
KV_AVX2_INLINE __m256i PairAverages(const RGBX* s0, const RGBX* s1, int at) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s0 + at));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s1 + at));
    const __m256i lo = _mm256_add_epi16(_mm256_unpacklo_epi8(a, zero), _mm256_unpacklo_epi8(b, zero));
    const __m256i hi = _mm256_add_epi16(_mm256_unpackhi_epi8(a, zero), _mm256_unpackhi_epi8(b, zero));
    const __m256i p0 = _mm256_add_epi16(lo, _mm256_srli_si256(lo, 8));
    const __m256i p1 = _mm256_add_epi16(hi, _mm256_srli_si256(hi, 8));
    return _mm256_srli_epi16(_mm256_unpacklo_epi64(p0, p1), 2);
}

// Eight destination pixels from sixteen source columns of two rows: the sum of four pixels
// shifted right by two. The 256-bit unpacks work per 128-bit half, so the pack leaves the pixels
// as 0 1 4 5 | 2 3 6 7 and a lane permutation restores them.
KV_AVX2 int ShrinkPairsAvx2(const RGBX* s0, const RGBX* s1, int x, int count, RGBX* d) {
    const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
    int j = 0;
    for (; j + 8 <= count; j += 8, x += 16) {
        const __m256i packed = _mm256_packus_epi16(PairAverages(s0, s1, x), PairAverages(s0, s1, x + 8));
        const __m256i avg = _mm256_permute4x64_epi64(packed, _MM_SHUFFLE(3, 1, 2, 0));
        __m256i* out = reinterpret_cast<__m256i*>(d + j);
        const __m256i old = _mm256_loadu_si256(out);
        _mm256_storeu_si256(out, _mm256_or_si256(_mm256_and_si256(avg, colour), _mm256_andnot_si256(colour, old)));
    }
    return j;
}

KV_AVX2_INLINE __m256i DyadicHalf(__m256i a, __m256i b, __m256i c, __m256i wx, __m256i base, __m256i wy) {
    const __m256i n = _mm256_add_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(a, _mm256_sub_epi16(base, wx)), _mm256_mullo_epi16(b, wx)),
        _mm256_mullo_epi16(c, wy));
    return _mm256_srli_epi16(n, 8);
}

// Eight destination pixels a step. The 256-bit unpacks work per 128-bit half (pixels 0, 1, 4, 5
// and 2, 3, 6, 7), so the column weights are loaded in that order and the pack restores 0 to 7.
KV_AVX2 int DyadicRowAvx2(const RGBX* e00, const RGBX* e10, const RGBX* e01, const uint16_t* wx, int my, RGBX* d,
                          int dw) {
    const __m256i zero = _mm256_setzero_si256(), mask = _mm256_set1_epi32(0x00FFFFFF);
    const __m256i wy = _mm256_set1_epi16(short(my)), base = _mm256_set1_epi16(short(256 - my));
    int x = 0;
    for (; x + 8 <= dw; x += 8) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(e00 + x));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(e10 + x));
        const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(e01 + x));
        const __m128i* w = reinterpret_cast<const __m128i*>(wx + int64_t(x) * 4);  // 2 pixels per 128 bits
        const __m256i wlo = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(w)), _mm_loadu_si128(w + 2), 1);
        const __m256i whi = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(w + 1)), _mm_loadu_si128(w + 3), 1);
        const __m256i lo = DyadicHalf(_mm256_unpacklo_epi8(a, zero), _mm256_unpacklo_epi8(b, zero),
                                      _mm256_unpacklo_epi8(c, zero), wlo, base, wy);
        const __m256i hi = DyadicHalf(_mm256_unpackhi_epi8(a, zero), _mm256_unpackhi_epi8(b, zero),
                                      _mm256_unpackhi_epi8(c, zero), whi, base, wy);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + x), _mm256_and_si256(_mm256_packus_epi16(lo, hi), mask));
    }
    return x;
}

// Eight pixels into 24 bytes: each 128-bit half drops its reserved bytes into its low twelve,
// one lane permutation joins the two halves' twelve, and 16 + 8 bytes are stored, so nothing is
// written past the row.
KV_AVX2 int Pack24Avx2(const RGBX* src, uint8_t* dst, int count) {
    const __m256i drop = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
    int x = 0;
    for (; x + 8 <= count; x += 8, dst += 24) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + x));
        const __m256i packed = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(v, drop), join);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm256_castsi256_si128(packed));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 16), _mm256_extracti128_si256(packed, 1));
    }
    return x;
}

// The destination rows that share a pair of source rows, in one pass along them (see the
// AVX-512 rows): per group of four columns the three source pixels are converted and H made
// once, in registers, for every row of the pair.
KV_AVX2 void EnlargeSharedRowsAvx2(const RGBX* upper, const RGBX* lower, const EnlargeGroup* groups, int groupCount,
                                   const double* colD, const double* colOmd, const EnlargeRow* rows, int rowCount) {
    for (int g = 0; g < groupCount; ++g) {
        const __m256i px = GroupPixels(upper, groups[g]);
        const __m128i p00 = _mm256_castsi256_si128(px), p10 = _mm256_extracti128_si256(px, 1);
        const __m128i p01 = _mm256_castsi256_si128(GroupPixels(lower, groups[g]));
        const __m256d dx = _mm256_loadu_pd(colD + 4 * g), omdx = _mm256_loadu_pd(colOmd + 4 * g);
        const __m256d a0 = Channel<0>(p00), a1 = Channel<1>(p00), a2 = Channel<2>(p00);
        const __m256d h0 = _mm256_add_pd(_mm256_mul_pd(a0, omdx), _mm256_mul_pd(Channel<0>(p10), dx));
        const __m256d h1 = _mm256_add_pd(_mm256_mul_pd(a1, omdx), _mm256_mul_pd(Channel<1>(p10), dx));
        const __m256d h2 = _mm256_add_pd(_mm256_mul_pd(a2, omdx), _mm256_mul_pd(Channel<2>(p10), dx));
        const __m256d b0 = Channel<0>(p01), b1 = Channel<1>(p01), b2 = Channel<2>(p01);
        for (int k = 0; k < rowCount; ++k) {
            const EnlargeRow& row = rows[k];
            const __m256d dy = _mm256_set1_pd(row.dy), omdy = _mm256_set1_pd(row.omdy);
            const __m128i b = SharedChannel(a0, b0, h0, dy, omdy), gr = SharedChannel(a1, b1, h1, dy, omdy),
                          r = SharedChannel(a2, b2, h2, dy, omdy);
            Store4(row.dst + 4 * g, _mm_or_si128(_mm_or_si128(b, _mm_slli_epi32(gr, 8)), _mm_slli_epi32(r, 16)));
        }
    }
}

const EnlargeKernels kEnlargeAvx2{4, EnlargeSharedRowsAvx2};

}  // namespace

const RowKernels kAvx2Kernels{"avx2",       &kScalarKernels, RotateRowAvx2, RotateInnerRowAvx2, ShearRowAvx2,
                              ExpandRowAvx2, DyadicRowAvx2,  ShrinkPairsAvx2, GreyRunAvx2,
                              Pack24Avx2,    &kEnlargeAvx2};

}  // namespace kv::detail
