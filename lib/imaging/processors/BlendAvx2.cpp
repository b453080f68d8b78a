// AVX2 versions of the blend rows: four destination pixels per step, one double lane each.
// Functions carry target attributes instead of the file being built with -mavx2, so no inline
// function of a shared header is ever emitted here in an AVX2 flavour.
#include "imaging/processors/BlendAvx2.h"

#include <immintrin.h>

#define KV_AVX2 __attribute__((target("avx2")))

namespace kv::detail {

namespace {
bool g_forceScalar = false;
}

bool HaveAvx2() {
    static const bool have = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return have && !g_forceScalar;
}

void ForceScalarKernels(bool scalar) { g_forceScalar = scalar; }

namespace {

KV_AVX2 inline __m256d Channel(__m128i px, int shift) {
    return _mm256_cvtepi32_pd(_mm_and_si128(_mm_srli_epi32(px, shift), _mm_set1_epi32(0xFF)));
}

// The blend of three gathered pixels per lane: 0.5 · (p00·(1−dx) + p10·dx + p00·(1−dy) + p01·dy),
// truncated, per channel; reserved byte 0.
KV_AVX2 inline __m128i BlendLanes(__m128i p00, __m128i p10, __m128i p01, __m256d dx, __m256d omdx, __m256d dy,
                                  __m256d omdy) {
    const __m256d half = _mm256_set1_pd(0.5);
    __m128i out = _mm_setzero_si128();
    for (int shift = 0; shift <= 16; shift += 8) {
        const __m256d a = Channel(p00, shift), b = Channel(p10, shift), c = Channel(p01, shift);
        __m256d s = _mm256_add_pd(_mm256_mul_pd(a, omdx), _mm256_mul_pd(b, dx));
        s = _mm256_add_pd(s, _mm256_mul_pd(a, omdy));
        s = _mm256_add_pd(s, _mm256_mul_pd(c, dy));
        s = _mm256_mul_pd(half, s);
        out = _mm_or_si128(out, _mm_slli_epi32(_mm256_cvttpd_epi32(s), shift));
    }
    return out;
}

KV_AVX2 inline __m128i Gather(const RGBX* base, __m128i index) {
    return _mm_i32gather_epi32(reinterpret_cast<const int*>(base), index, 4);
}

// The blend at (x, y) per lane, with the negative-position rule: where x < 0 or y < 0 the lane
// takes the whole pixel at (max(0, trunc x), max(0, trunc y)), which is the gathered p00.
KV_AVX2 inline __m128i BlendAt4(const RGBX* src, int sw, int sh, __m256d x, __m256d y) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i maxX = _mm_set1_epi32(sw - 1), maxY = _mm_set1_epi32(sh - 1);
    const __m128i ix = _mm_min_epi32(_mm_max_epi32(_mm256_cvttpd_epi32(x), zero), maxX);
    const __m128i iy = _mm_min_epi32(_mm_max_epi32(_mm256_cvttpd_epi32(y), zero), maxY);
    const __m128i ix1 = _mm_min_epi32(_mm_add_epi32(ix, _mm_set1_epi32(1)), maxX);
    const __m128i iy1 = _mm_min_epi32(_mm_add_epi32(iy, _mm_set1_epi32(1)), maxY);
    const __m128i w = _mm_set1_epi32(sw);
    const __m128i rowOff = _mm_mullo_epi32(iy, w);
    const __m128i p00 = Gather(src, _mm_add_epi32(rowOff, ix));
    const __m128i p10 = Gather(src, _mm_add_epi32(rowOff, ix1));
    const __m128i p01 = Gather(src, _mm_add_epi32(_mm_mullo_epi32(iy1, w), ix));
    const __m256d one = _mm256_set1_pd(1.0);
    const __m256d dx = _mm256_sub_pd(x, _mm256_cvtepi32_pd(ix)), dy = _mm256_sub_pd(y, _mm256_cvtepi32_pd(iy));
    const __m128i blended = BlendLanes(p00, p10, p01, dx, _mm256_sub_pd(one, dx), dy, _mm256_sub_pd(one, dy));
    const __m256d negative = _mm256_or_pd(_mm256_cmp_pd(x, _mm256_setzero_pd(), _CMP_LT_OQ),
                                          _mm256_cmp_pd(y, _mm256_setzero_pd(), _CMP_LT_OQ));
    if (_mm256_movemask_pd(negative) == 0) return blended;
    const __m128i neg32 = _mm256_cvtpd_epi32(_mm256_and_pd(negative, one));  // 1 where negative
    return _mm_blendv_epi8(blended, p00, _mm_cmpeq_epi32(neg32, _mm_set1_epi32(1)));
}

KV_AVX2 inline void StoreMasked(RGBX* d, __m128i value, __m128i mask) {
    __m128i* p = reinterpret_cast<__m128i*>(d);
    _mm_storeu_si128(p, _mm_blendv_epi8(_mm_loadu_si128(p), value, mask));
}

KV_AVX2 inline __m128i InRange(__m128i v, int lo, int hi) {  // lo ≤ v < hi
    return _mm_andnot_si128(_mm_cmplt_epi32(v, _mm_set1_epi32(lo)), _mm_cmplt_epi32(v, _mm_set1_epi32(hi)));
}

}  // namespace

KV_AVX2 int RotateRowAvx2(const RotateRow& r, RGBX* dst, int dw) {
    const __m256d rowU = _mm256_set1_pd(r.rowU), rowV = _mm256_set1_pd(r.rowV);
    const __m256d hsW = _mm256_set1_pd(r.hsW), hsH = _mm256_set1_pd(r.hsH);
    int x = 0;
    for (; x + 4 <= dw; x += 4) {
        const __m256d u = _mm256_add_pd(_mm256_loadu_pd(r.colU + x), rowU);
        const __m256d v = _mm256_add_pd(_mm256_loadu_pd(r.colV + x), rowV);
        const __m128i iu = _mm256_cvttpd_epi32(u), iv = _mm256_cvttpd_epi32(v);
        const __m128i ok = _mm_and_si128(InRange(iu, r.uLo, r.uHi), InRange(iv, r.vLo, r.vHi));
        if (_mm_movemask_epi8(ok) == 0) continue;
        __m128i px;
        if (r.interpolate) {
            px = BlendAt4(r.src, r.sw, r.sh, _mm256_add_pd(hsW, u), _mm256_add_pd(hsH, v));
        } else {
            // Lanes outside the range are masked off; their index is made safe first.
            const __m128i sx = _mm_and_si128(_mm_add_epi32(iu, _mm_set1_epi32(r.hsW)), ok);
            const __m128i sy = _mm_and_si128(_mm_add_epi32(iv, _mm_set1_epi32(r.hsH)), ok);
            px = Gather(r.src, _mm_add_epi32(_mm_mullo_epi32(sy, _mm_set1_epi32(r.sw)), sx));
        }
        StoreMasked(dst + x, px, ok);
    }
    return x;
}

KV_AVX2 int ShearRowAvx2(const ShearRow& r, RGBX* dst, int dw) {
    const __m256d ox = _mm256_set1_pd(r.ox), y = _mm256_set1_pd(r.y);
    const __m256d step = _mm256_set_pd(3, 2, 1, 0);
    int x = 0;
    for (; x + 4 <= dw; x += 4) {
        const __m256d sx = _mm256_sub_pd(_mm256_add_pd(_mm256_set1_pd(x), step), ox);
        const __m256d sy = _mm256_sub_pd(y, _mm256_loadu_pd(r.colOy + x));
        const __m128i ix = _mm256_cvttpd_epi32(sx), iy = _mm256_cvttpd_epi32(sy);
        const __m128i ok = _mm_and_si128(InRange(ix, 0, r.sw), InRange(iy, 0, r.sh));
        if (_mm_movemask_epi8(ok) == 0) continue;
        __m128i px;
        if (r.interpolate) {
            px = BlendAt4(r.src, r.sw, r.sh, sx, sy);
        } else {
            const __m128i sxi = _mm_and_si128(ix, ok), syi = _mm_and_si128(iy, ok);
            px = Gather(r.src, _mm_add_epi32(_mm_mullo_epi32(syi, _mm_set1_epi32(r.sw)), sxi));
        }
        StoreMasked(dst + x, px, ok);
    }
    return x;
}

KV_AVX2 int EnlargeRowAvx2(const EnlargeRow& r, RGBX* dst, int dw) {
    const __m256d dy = _mm256_set1_pd(r.dy), omdy = _mm256_set1_pd(r.omdy);
    int x = 0;
    for (; x + 4 <= dw; x += 4) {
        const __m128i c0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r.col0 + x));
        const __m128i c1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r.col1 + x));
        const __m128i px = BlendLanes(Gather(r.row0, c0), Gather(r.row0, c1), Gather(r.row1, c0),
                                      _mm256_loadu_pd(r.colD + x), _mm256_loadu_pd(r.colOmd + x), dy, omdy);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), px);
    }
    return x;
}

}  // namespace kv::detail
