// Grey scale: (3·red + 6·green + blue) / 10 in integers, reserved byte 0. The vector runs are
// the grey kernels of the kernel table (an exact multiply-high division).
#include "imaging/Parallel.h"
#include "imaging/Processor.h"
#include "imaging/kernels/RowKernels.h"
#include "imaging/processors/Kernels.h"

using namespace kv::detail;

int CImageGrayer::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    if (sizeSrc.cx <= 0 || sizeSrc.cy <= 0 || !(sizeSrc == sizeDst)) {
        // Sizes always agree through the chain; anything else is handled row by row.
        const int w = std::min(sizeSrc.cx, sizeDst.cx), h = std::min(sizeSrc.cy, sizeDst.cy);
        for (int y = 0; y < h; ++y) {
            const RGBX* s = Row(pSrc, sizeSrc.cx, y);
            RGBX* d = Row(pDst, sizeDst.cx, y);
            RunWidest(&RowKernels::greyRun, w, [&](auto kernel, int64_t done) { return kernel(s + done, d + done, w - done); });
        }
        return 1;
    }
    // Whole ranges of rows, one run each, spread over the cores (one core's grey is bound by its
    // arithmetic, not yet by memory).
    const int64_t w = sizeSrc.cx;
    ForRows(sizeSrc.cy, w, [&](int y0, int y1) {
        const RGBX* s = pSrc + int64_t(y0) * w;
        RGBX* d = pDst + int64_t(y0) * w;
        const int64_t n = int64_t(y1 - y0) * w;
        RunWidest(&RowKernels::greyRun, n, [&](auto kernel, int64_t done) { return kernel(s + done, d + done, n - done); });
        return true;
    });
    return 1;
}
