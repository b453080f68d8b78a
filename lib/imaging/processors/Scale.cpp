// Scaling by a factor: blended enlargement, block-averaging shrink.
// Enlarge: the accumulated source positions (x·step by repeated addition, restarting at 0) are
// the same sequence for every column and every row, so they are tabled once and the image is
// walked row by row. Shrink: the rows of one row block are summed into per-column accumulators,
// then each column block is reduced; every source pixel is read at most once.
#include <cmath>

#include "imaging/Processor.h"
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

    struct Pos {
        int i0, i1;  // index and its clamped successor
        double d, omd;
    };
    Scratch<Pos> cols(dw), rows(dh);
    if (!cols || !rows) return 0;
    auto table = [step](Pos* t, int count, int n) {
        double p = 0;
        for (int k = 0; k < count; ++k, p += step) {
            const int i = std::min(kv::SaturatingTrunc(p), n - 1);
            const double d = p - i;
            t[k] = Pos{i, std::min(i + 1, n - 1), d, 1 - d};
        }
    };
    table(cols.get(), dw, sw);
    table(rows.get(), dh, sh);

    for (int y = 0; y < dh; ++y) {
        const Pos r = rows[y];
        const RGBX* s0 = Row(pSrc, sw, r.i0);
        const RGBX* s1 = Row(pSrc, sw, r.i1);
        RGBX* d = Row(pDst, dw, y);
        for (int x = 0; x < dw; ++x) {
            const Pos c = cols[x];
            const RGBX p00 = s0[c.i0], p10 = s0[c.i1], p01 = s1[c.i0];
            d[x] = RGBX{uint8_t(BlendChannel(p00.blue, p10.blue, p01.blue, c.d, c.omd, r.d, r.omd)),
                        uint8_t(BlendChannel(p00.green, p10.green, p01.green, c.d, c.omd, r.d, r.omd)),
                        uint8_t(BlendChannel(p00.red, p10.red, p01.red, c.d, c.omd, r.d, r.omd)), 0};
        }
    }
    return 1;
}

int CImageResizer::Shrink(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    if (!(m_dFactor > 0 && m_dFactor < 1)) return 0;
    const int sw = sizeSrc.cx, sh = sizeSrc.cy, dw = sizeDst.cx, dh = sizeDst.cy;
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return 1;
    const double step = 1 / m_dFactor;

    Scratch<Block> cols(dw), rows(dh);
    Scratch<uint64_t> acc(int64_t(sw) * 3);
    if (!cols || !rows || !acc) return 0;
    MakeBlocks(cols.get(), dw, sw, step);
    MakeBlocks(rows.get(), dh, sh, step);
    // Columns past the last block are never read.
    const int usedW = std::max(cols[dw - 1].last + 1, 0);

    for (int k = 0; k < dh; ++k) {
        const Block rb = rows[k];
        if (rb.last < rb.first) continue;
        std::fill(acc.get(), acc.get() + int64_t(usedW) * 3, uint64_t(0));
        for (int y = rb.first; y <= rb.last; ++y) {
            const RGBX* s = Row(pSrc, sw, y);
            uint64_t* a = acc.get();
            for (int x = 0; x < usedW; ++x, a += 3) {
                a[0] += s[x].blue;
                a[1] += s[x].green;
                a[2] += s[x].red;
            }
        }
        const int64_t nRows = rb.last - rb.first + 1;
        RGBX* d = Row(pDst, dw, k);
        for (int j = 0; j < dw; ++j) {
            const Block cb = cols[j];
            if (cb.last < cb.first) continue;
            uint64_t b = 0, g = 0, r = 0;
            for (int x = cb.first; x <= cb.last; ++x) {
                b += acc[int64_t(x) * 3];
                g += acc[int64_t(x) * 3 + 1];
                r += acc[int64_t(x) * 3 + 2];
            }
            const uint64_t count = uint64_t(nRows) * uint64_t(cb.last - cb.first + 1);
            d[j].blue = uint8_t(b / count);
            d[j].green = uint8_t(g / count);
            d[j].red = uint8_t(r / count);
        }
    }
    return 1;
}
