// Scaling by a factor: blended enlargement, block-averaging shrink.
// Enlarge: the accumulated source positions (x·step by repeated addition, restarting at 0) are
// the same sequence for every column and every row, so they are tabled once and the image is
// walked row by row. Shrink: the rows of one row block are summed into per-column accumulators,
// then each column block is reduced; every source pixel is read at most once.
#include <immintrin.h>

#include <cmath>
#include <utility>

#include "imaging/Parallel.h"
#include "imaging/Processor.h"
#include "imaging/processors/BlendRows.h"
#include "imaging/processors/Kernels.h"
#include "imaging/processors/Scratch.h"

using namespace kv::detail;

namespace {

struct Block {
    int first;
    int last;  // inclusive; last < first is an empty block
};

// Blocks of one axis: end(j) = min(n - 1, trunc((j + 0.5)·step) + 1), the position accumulated
// from −0.5·step; each block starts one after the previous end.
void MakeBlocks(Block* blocks, int count, int n, double step) {
    double pos = -0.5 * step;
    int start = 0;
    for (int j = 0; j < count; ++j) {
        pos += step;
        const int64_t end = std::min<int64_t>(n - 1, int64_t(kv::SaturatingTrunc(pos)) + 1);
        blocks[j] = Block{start, int(end)};
        start = int(end) + 1;
    }
}

// acc[4x + c] += channel c of row[x], four pixels per step.
void AddRow16(uint16_t* acc, const RGBX* row, int w) {
    const __m128i zero = _mm_setzero_si128();
    int x = 0;
    for (; x + 4 <= w; x += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        __m128i* a = reinterpret_cast<__m128i*>(acc + int64_t(x) * 4);
        _mm_storeu_si128(a, _mm_add_epi16(_mm_loadu_si128(a), _mm_unpacklo_epi8(v, zero)));
        _mm_storeu_si128(a + 1, _mm_add_epi16(_mm_loadu_si128(a + 1), _mm_unpackhi_epi8(v, zero)));
    }
    for (; x < w; ++x) {
        acc[int64_t(x) * 4] = uint16_t(acc[int64_t(x) * 4] + row[x].blue);
        acc[int64_t(x) * 4 + 1] = uint16_t(acc[int64_t(x) * 4 + 1] + row[x].green);
        acc[int64_t(x) * 4 + 2] = uint16_t(acc[int64_t(x) * 4 + 2] + row[x].red);
    }
}

// sum / count, truncated, for sum ≤ 255·count. Done as (sum + 0.5) · (1 / count) in doubles:
// the true value lies at least 0.5 / count away from the next integer on either side, and the
// two roundings err by under 2^-51 of a value below 256, so the truncation is exact for any
// count below 2^40; it is several times cheaper than an integer division.
inline uint8_t AverageOf(uint64_t sum, uint64_t count) {
    return uint8_t((double(sum) + 0.5) * (1.0 / double(count)));
}

// The same average in single precision, four channels at once: with sum ≤ 255·count below 2^23
// the sum and the +0.5 are exact and two roundings err by under 2^-23 of a value below 256
// (3.1e-5), under 0.5 / count for counts up to 16000.
constexpr uint64_t kFloatCountLimit = 16000;

inline void ReduceBlock16(const uint16_t* acc, Block cb, uint64_t count, RGBX* out) {
    const __m128i zero = _mm_setzero_si128();
    __m128i sum = _mm_setzero_si128();
    for (int x = cb.first; x <= cb.last; ++x) {
        const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(acc + int64_t(x) * 4));
        sum = _mm_add_epi32(sum, _mm_unpacklo_epi16(v, zero));
    }
    const __m128 avg = _mm_mul_ps(_mm_add_ps(_mm_cvtepi32_ps(sum), _mm_set1_ps(0.5f)), _mm_set1_ps(1.0f / float(count)));
    const __m128i q = _mm_cvttps_epi32(avg);
    const uint32_t packed = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(q, q), zero)));
    uint32_t old;
    std::memcpy(&old, out, 4);
    const uint32_t merged = (packed & 0x00FFFFFFu) | (old & 0xFF000000u);  // the reserved byte stays
    std::memcpy(out, &merged, 4);
}

// pairs[j]: how many blocks from column j on are two columns wide, each right after the last.
void PairRuns(const Block* cols, int dw, int* pairs) {
    int run = 0;
    for (int j = dw - 1; j >= 0; --j) {
        const bool pair = cols[j].last == cols[j].first + 1;
        run = pair && (j + 1 >= dw || run == 0 || cols[j + 1].first == cols[j].last + 1) ? run + 1 : 0;
        if (!pair) run = 0;
        pairs[j] = run;
    }
}

#define KV_AVX2 __attribute__((target("avx2")))

// Eight destination pixels from sixteen source columns of two rows (see ShrinkPairRow). The
// 256-bit unpacks work per 128-bit half, so the pack leaves the pixels as 0 1 4 5 | 2 3 6 7 and a
// lane permutation restores them.
// Destination pixels 0, 1 | 2, 3 of eight source columns of two rows, in 16-bit lanes.
__attribute__((target("avx2"), always_inline)) inline __m256i PairAverages(const RGBX* s0, const RGBX* s1, int at) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s0 + at));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s1 + at));
    const __m256i lo = _mm256_add_epi16(_mm256_unpacklo_epi8(a, zero), _mm256_unpacklo_epi8(b, zero));
    const __m256i hi = _mm256_add_epi16(_mm256_unpackhi_epi8(a, zero), _mm256_unpackhi_epi8(b, zero));
    const __m256i p0 = _mm256_add_epi16(lo, _mm256_srli_si256(lo, 8));
    const __m256i p1 = _mm256_add_epi16(hi, _mm256_srli_si256(hi, 8));
    return _mm256_srli_epi16(_mm256_unpacklo_epi64(p0, p1), 2);
}

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

// One destination row whose source block is two rows (halving, and any factor whose blocks are
// two by two): runs of blocks two pixels wide, eight or four destination pixels at a time,
// straight from the two source rows: the sum of four pixels shifted right by two, which is the
// truncated average the general path computes; other blocks (the first holds three columns)
// summed one by one. The reserved bytes of the destination stay.
bool ShrinkPairRow(const RGBX* src, int sw, int top, const Block* cols, const int* pairRuns, int dw, RGBX* d,
                   bool avx2) {
    const RGBX* s0 = Row(src, sw, top);
    const RGBX* s1 = Row(src, sw, top + 1);
    const __m128i zero = _mm_setzero_si128(), colour = _mm_set1_epi32(0x00FFFFFF);
    int j = 0;
    while (j < dw) {
        const Block cb = cols[j];
        if (avx2 && pairRuns[j] >= 8) {
            j += ShrinkPairsAvx2(s0, s1, cb.first, pairRuns[j], d + j);
            continue;
        }
        if (pairRuns[j] >= 4) {
            const int x = cb.first;
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
            const __m128i avg = _mm_packus_epi16(pairs(x), pairs(x + 4));
            __m128i* out = reinterpret_cast<__m128i*>(d + j);
            const __m128i old = _mm_loadu_si128(out);
            _mm_storeu_si128(out, _mm_or_si128(_mm_and_si128(avg, colour), _mm_andnot_si128(colour, old)));
            j += 4;
            continue;
        }
        if (cb.last >= cb.first) {
            uint64_t b = 0, g = 0, r = 0;
            for (int x = cb.first; x <= cb.last; ++x) {
                b += uint64_t(s0[x].blue) + s1[x].blue;
                g += uint64_t(s0[x].green) + s1[x].green;
                r += uint64_t(s0[x].red) + s1[x].red;
            }
            const uint64_t count = uint64_t(cb.last - cb.first + 1) * 2;
            d[j].blue = AverageOf(b, count);
            d[j].green = AverageOf(g, count);
            d[j].red = AverageOf(r, count);
        }
        ++j;
    }
    return true;
}

// Walks destination rows [0, dh) of an enlargement, one range a thread, handing each row the
// expansions of its two source rows: per destination column the pixels p00 = s0[col0[x]],
// p10 = s0[col1[x]] and p01 = s1[col0[x]] that its blend reads, laid out along the row so the
// row kernels read them with plain loads. The source rows change only every few destination
// rows, so each expansion serves several; moving down one source row, the lower row's
// expansion becomes the upper one's.
template <class RowsOf, class Body>
bool ForExpandedRows(const RGBX* src, int sw, int dw, int dh, const int* col0, const int* col1, RowsOf rowsOf,
                     Body body) {
    const bool avx2 = HaveAvx2(), avx512 = HaveAvx512();
    auto expand = [&](RGBX* out, const int* cols, int srcRow) {
        const RGBX* s = Row(src, sw, srcRow);
        if (avx512) return ExpandRowAvx512(s, sw, cols, out, dw);
        if (avx2) return ExpandRowAvx2(s, sw, cols, out, dw);
        for (int x = 0; x < dw; ++x) out[x] = s[cols[x]];
    };
    return ForRows(dh, dw, [&](int y0, int y1) {
        Scratch<RGBX> e00(dw + 4), e10(dw + 4), e01(dw + 4);
        if (!e00 || !e10 || !e01) return false;
        int have0 = -1, have1 = -1;
        RGBX* p00 = e00.get();
        RGBX* p01 = e01.get();
        for (int y = y0; y < y1; ++y) {
            const std::pair<int, int> r = rowsOf(y);
            if (r.first != have0) {
                if (r.first == have1) std::swap(p00, p01), have1 = -1;
                else expand(p00, col0, r.first);
                expand(e10.get(), col1, r.first);
                have0 = r.first;
            }
            if (r.second != have1) expand(p01, col0, r.second), have1 = r.second;
            body(y, p00, e10.get(), p01);
        }
        return true;
    });
}

// Enlargement when every fractional position is a multiple of 1/128 (factors such as 2, 4, 8,
// 1.6, 1.28, 3.2): then each product and sum of the blend formula is exact in double precision,
// so its truncated result equals (p00·(256 − X − Y) + p10·X + p01·Y) >> 8 with X, Y the
// positions in 128ths, computed here in 16-bit lanes. Any other factor takes the double path.
struct DyadicRow {
    int i0, i1;
    double d;
};

inline bool Dyadic(double d, int& m) {
    const double scaled = d * 128;
    if (!(scaled >= 0 && scaled <= 128) || scaled != double(int(scaled))) return false;
    m = int(scaled);
    return true;
}


KV_AVX2 inline __m256i DyadicHalf(__m256i a, __m256i b, __m256i c, __m256i wx, __m256i base, __m256i wy) {
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

template <class RowAt>
bool EnlargeDyadic(const RGBX* src, int sw, RGBX* dst, int dw, int dh, const int* col0, const int* col1,
                   const double* colD, RowAt rowAt) {
    Scratch<uint16_t> wx(int64_t(dw) * 4 + 8);
    if (!wx) return false;
    for (int x = 0; x < dw; ++x) {
        int m = 0;
        if (!Dyadic(colD[x], m)) return false;
        for (int c = 0; c < 4; ++c) wx[int64_t(x) * 4 + c] = uint16_t(m);
    }
    Scratch<int> my(dh);
    if (!my) return false;
    for (int y = 0; y < dh; ++y)
        if (!Dyadic(rowAt(y).d, my[y])) return false;

    const bool avx2 = HaveAvx2(), avx512 = HaveAvx512();
    const __m128i zero = _mm_setzero_si128(), colourMask = _mm_set1_epi32(0x00FFFFFF);
    auto rowsOf = [&](int y) {
        const DyadicRow r = rowAt(y);
        return std::make_pair(r.i0, r.i1);
    };
    return ForExpandedRows(src, sw, dw, dh, col0, col1, rowsOf, [&](int y, const RGBX* p00, const RGBX* e10, const RGBX* p01) {
            const __m128i wy = _mm_set1_epi16(short(my[y]));
            const __m128i base = _mm_set1_epi16(short(256 - my[y]));
            RGBX* d = Row(dst, dw, y);
            int x = avx512 ? DyadicRowAvx512(p00, e10, p01, wx.get(), my[y], d, dw) : 0;
            if (avx2) x += DyadicRowAvx2(p00 + x, e10 + x, p01 + x, wx.get() + int64_t(x) * 4, my[y], d + x, dw - x);
            for (; x + 4 <= dw; x += 4) {
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p00 + x));
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(e10 + x));
                const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p01 + x));
                const __m128i wxLo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(wx.get() + int64_t(x) * 4));
                const __m128i wxHi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(wx.get() + int64_t(x) * 4 + 8));
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
                const int X = wx[int64_t(x) * 4], Y = my[y], w0 = 256 - X - Y;
                const RGBX p = p00[x], q = e10[x], t = p01[x];
                d[x] = RGBX{uint8_t((p.blue * w0 + q.blue * X + t.blue * Y) >> 8),
                            uint8_t((p.green * w0 + q.green * X + t.green * Y) >> 8),
                            uint8_t((p.red * w0 + q.red * X + t.red * Y) >> 8), 0};
            }
    });
}

}  // namespace

CImageResizer::CImageResizer(double factor) : CImage32BitProcessor(0), m_dFactor(factor) {}

CSize CImageResizer::CalcDestSize(CSize sizeSrc) {
    return CSize(kv::SaturatingTrunc(sizeSrc.cx * m_dFactor), kv::SaturatingTrunc(sizeSrc.cy * m_dFactor));
}

int CImageResizer::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    if (!(m_dFactor > 0)) return 0;  // also NaN
    if (m_dFactor == 1) return CImage32BitProcessor::ProcessPixels(pSrc, sizeSrc, pDst, sizeDst);
    if (m_dFactor > 1) return Enlarge(pSrc, sizeSrc, pDst, sizeDst) ? 1 : 0;
    return Shrink(pSrc, sizeSrc, pDst, sizeDst) ? 1 : 0;
}

int CImageResizer::Enlarge(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    if (!(m_dFactor > 1)) return 0;
    const int sw = sizeSrc.cx, sh = sizeSrc.cy, dw = sizeDst.cx, dh = sizeDst.cy;
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return 1;
    const double step = 1 / m_dFactor;

    // Columns as separate arrays (the vector rows load four at a time), rows as records.
    Scratch<int> col0(dw), col1(dw);
    Scratch<double> colD(dw), colOmd(dw);
    struct RowPos {
        int i0, i1;
        double d, omd;
    };
    Scratch<RowPos> rows(dh);
    if (!col0 || !col1 || !colD || !colOmd || !rows) return 0;
    auto position = [](double p, int n, int& i0, int& i1, double& d, double& omd) {
        i0 = std::min(kv::SaturatingTrunc(p), n - 1);
        i1 = std::min(i0 + 1, n - 1);
        d = p - i0;
        omd = 1 - d;
    };
    double p = 0;
    for (int x = 0; x < dw; ++x, p += step) position(p, sw, col0[x], col1[x], colD[x], colOmd[x]);
    p = 0;
    for (int y = 0; y < dh; ++y, p += step) position(p, sh, rows[y].i0, rows[y].i1, rows[y].d, rows[y].omd);

    if (EnlargeDyadic(pSrc, sw, pDst, dw, dh, col0.get(), col1.get(), colD.get(), [&](int y) {
            const RowPos& r = rows[y];
            return DyadicRow{r.i0, r.i1, r.d};
        }))
        return 1;

    // The blend of destination pixel x of row y from its three source pixels.
    auto blend = [&](int y, int x, RGBX p00, RGBX p10, RGBX p01) {
        const RowPos r = rows[y];
        const double cd = colD[x], comd = colOmd[x];
        return RGBX{uint8_t(BlendChannel(p00.blue, p10.blue, p01.blue, cd, comd, r.d, r.omd)),
                    uint8_t(BlendChannel(p00.green, p10.green, p01.green, cd, comd, r.d, r.omd)),
                    uint8_t(BlendChannel(p00.red, p10.red, p01.red, cd, comd, r.d, r.omd)), 0};
    };
    const EnlargeKernels* kernels = VectorEnlargeKernels();
    if (!kernels) {
        auto rowsOf = [&](int y) { return std::make_pair(rows[y].i0, rows[y].i1); };
        return ForExpandedRows(pSrc, sw, dw, dh, col0.get(), col1.get(), rowsOf,
                               [&](int y, const RGBX* e00, const RGBX* e10, const RGBX* e01) {
            RGBX* d = Row(pDst, dw, y);
            for (int x = 0; x < dw; ++x) d[x] = blend(y, x, e00[x], e10[x], e01[x]);
        }) ? 1 : 0;
    }

    // Vector rows: the two source rows of a destination row as planes of doubles with their
    // hoisted horizontal halves H (see EnlargeKernels), made once per source row, in tiles of a
    // strip of columns by a block of rows: the planes stay in the first-level cache (whole rows of
    // them measured bandwidth-bound) and a tile's rows in the address cache (a strip down the
    // whole image measured slower than whole rows); the last dw % L columns are blended one by one.
    constexpr int kStrip = 256, kBlockRows = 128;  // four planes of 6 KiB
    const int lanes = kernels->lanes, planeSize = kStrip * 3;
    const int vectorW = dw / lanes * lanes;
    Scratch<EnlargeGroup> groups(vectorW / lanes);
    if (!groups) return 0;
    EnlargeGroups(col0.get(), col1.get(), sw, lanes, vectorW / lanes, groups.get());
    return ForRows(dh, dw, [&](int band0, int band1) {
        Scratch<double> planes(int64_t(planeSize) * 4);
        if (!planes) return false;
        for (int y0 = band0; y0 < band1; y0 += kBlockRows)
        for (int cx = 0; cx < vectorW; cx += kStrip) {
            const int y1 = std::min(band1, y0 + kBlockRows);
            const int n = std::min(kStrip, vectorW - cx) / lanes;  // groups in this strip
            const EnlargeGroup* g = groups.get() + cx / lanes;
            struct Slot {
                double* planes;
                double* h;
                int row;
            };
            Slot upper{planes.get(), planes.get() + planeSize, -1};
            Slot lower{planes.get() + 2 * planeSize, planes.get() + 3 * planeSize, -1};
            auto make = [&](Slot& slot, int srcRow) {
                kernels->sourceRow(Row(pSrc, sw, srcRow), g, n, colD.get() + cx, colOmd.get() + cx, slot.planes, slot.h);
                slot.row = srcRow;
            };
            for (int y = y0; y < y1; ++y) {
                const RowPos r = rows[y];
                if (r.i0 != upper.row) {
                    // Moving down one source row: the lower row's planes are the new upper ones.
                    if (r.i0 == lower.row) std::swap(upper, lower);
                    else make(upper, r.i0);
                }
                const double* bottom = upper.planes;  // the last source row is its own lower neighbour
                if (r.i1 != upper.row) {
                    if (r.i1 != lower.row) make(lower, r.i1);
                    bottom = lower.planes;
                }
                kernels->row(upper.h, upper.planes, bottom, r.d, r.omd, n, Row(pDst, dw, y) + cx);
            }
        }
        for (int y = band0; y < band1; ++y) {
            const RGBX* s0 = Row(pSrc, sw, rows[y].i0);
            const RGBX* s1 = Row(pSrc, sw, rows[y].i1);
            RGBX* d = Row(pDst, dw, y);
            for (int x = vectorW; x < dw; ++x) d[x] = blend(y, x, s0[col0[x]], s0[col1[x]], s1[col0[x]]);
        }
        return true;
    }) ? 1 : 0;
}

int CImageResizer::Shrink(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    if (!(m_dFactor > 0 && m_dFactor < 1)) return 0;
    const int sw = sizeSrc.cx, sh = sizeSrc.cy, dw = sizeDst.cx, dh = sizeDst.cy;
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return 1;
    const double step = 1 / m_dFactor;

    Scratch<Block> cols(dw), rows(dh);
    if (!cols || !rows) return 0;
    MakeBlocks(cols.get(), dw, sw, step);
    MakeBlocks(rows.get(), dh, sh, step);
    Scratch<int> pairRuns(dw);
    if (!pairRuns) return 0;
    PairRuns(cols.get(), dw, pairRuns.get());
    const bool avx2 = HaveAvx2();
    // Columns past the last block are never read.
    const int usedW = std::max(cols[dw - 1].last + 1, 0);
    // Per-column channel sums of one row block, four lanes a pixel: 16 bits hold up to 257 rows.
    const int maxRows = [&] {
        int m = 0;
        for (int k = 0; k < dh; ++k) m = std::max(m, rows[k].last - rows[k].first + 1);
        return m;
    }();
    const bool narrow = maxRows <= 257;
    // Each range of destination rows sums into sums of its own.
    return ForRows(dh, int64_t(sw) * std::max(1, maxRows), [&](int k0, int k1) {
        Scratch<uint16_t> acc16(narrow ? int64_t(usedW) * 4 + 8 : 0);
        Scratch<uint64_t> acc64(narrow ? 0 : int64_t(usedW) * 4);
        if (!acc16 || !acc64) return false;
        for (int k = k0; k < k1; ++k) {
            const Block rb = rows[k];
            if (rb.last < rb.first) continue;
            if (rb.last - rb.first == 1 && ShrinkPairRow(pSrc, sw, rb.first, cols.get(), pairRuns.get(), dw, Row(pDst, dw, k), avx2)) continue;
            if (narrow) {
                std::fill(acc16.get(), acc16.get() + int64_t(usedW) * 4, uint16_t(0));
                for (int y = rb.first; y <= rb.last; ++y) AddRow16(acc16.get(), Row(pSrc, sw, y), usedW);
            } else {
                std::fill(acc64.get(), acc64.get() + int64_t(usedW) * 4, uint64_t(0));
                for (int y = rb.first; y <= rb.last; ++y) {
                    const RGBX* s = Row(pSrc, sw, y);
                    for (int x = 0; x < usedW; ++x) {
                        acc64[int64_t(x) * 4] += s[x].blue;
                        acc64[int64_t(x) * 4 + 1] += s[x].green;
                        acc64[int64_t(x) * 4 + 2] += s[x].red;
                    }
                }
            }
            const int64_t nRows = rb.last - rb.first + 1;
            RGBX* d = Row(pDst, dw, k);
            for (int j = 0; j < dw; ++j) {
                const Block cb = cols[j];
                if (cb.last < cb.first) continue;
                const uint64_t count = uint64_t(nRows) * uint64_t(cb.last - cb.first + 1);
                if (narrow && count <= kFloatCountLimit) {
                    ReduceBlock16(acc16.get(), cb, count, d + j);
                    continue;
                }
                uint64_t b = 0, g = 0, r = 0;
                for (int x = cb.first; x <= cb.last; ++x) {
                    const int64_t i = int64_t(x) * 4;
                    b += narrow ? acc16[i] : acc64[i];
                    g += narrow ? acc16[i + 1] : acc64[i + 1];
                    r += narrow ? acc16[i + 2] : acc64[i + 2];
                }
                d[j].blue = AverageOf(b, count);
                d[j].green = AverageOf(g, count);
                d[j].red = AverageOf(r, count);
            }
        }
        return true;
    }) ? 1 : 0;
}
