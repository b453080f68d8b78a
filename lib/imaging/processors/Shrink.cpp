// Shrinking by a factor below 1: the mean of each block of source pixels. The rows of one row
// block are summed into per-column accumulators, then each column block is reduced; every
// source pixel is read at most once. Halving (blocks of two by two) reads its two rows directly.
#include <immintrin.h>

#include <algorithm>

#include "imaging/Parallel.h"
#include "imaging/Processor.h"
#include "imaging/kernels/RowKernels.h"
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

// One destination row whose source block is two rows (halving, and any factor whose blocks are
// two by two): runs of blocks two pixels wide, eight or four destination pixels at a time,
// straight from the two source rows: the sum of four pixels shifted right by two, which is the
// truncated average the general path computes; other blocks (the first holds three columns)
// summed one by one. The reserved bytes of the destination stay.
bool ShrinkPairRow(const RGBX* src, int sw, int top, const Block* cols, const int* pairRuns, int dw, RGBX* d) {
    const RGBX* s0 = Row(src, sw, top);
    const RGBX* s1 = Row(src, sw, top + 1);
    int j = 0;
    while (j < dw) {
        const Block cb = cols[j];
        if (pairRuns[j] >= 4) {
            // Runs of four and more: the widest kernels, the baseline's taking the last fours.
            const int run = pairRuns[j], at = j;
            j += int(RunWidest(&RowKernels::shrinkPairs, run, [&](auto kernel, int64_t done) {
                return kernel(s0, s1, cb.first + 2 * int(done), run - int(done), d + at + done);
            }));
            if (j > at) continue;
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

}  // namespace

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
            if (rb.last - rb.first == 1 && ShrinkPairRow(pSrc, sw, rb.first, cols.get(), pairRuns.get(), dw, Row(pDst, dw, k))) continue;
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
