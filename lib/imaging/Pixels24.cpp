// The 24-bit packing through the kernel table: the widest kernel a row, the baseline's for its
// tail (see RowKernels.h).
#include "imaging/Pixels24.h"

#include "imaging/Parallel.h"
#include "imaging/kernels/RowKernels.h"

namespace kv {

bool PackRows24(const RGBX* src, CSize size, uint8_t* dst, ptrdiff_t stride) {
    if (!src || !dst || size.cx < 0 || size.cy < 0 || (stride < 0 ? -stride : stride) < ptrdiff_t(size.cx) * 3)
        return false;
    const int w = size.cx;
    return detail::ForRows(size.cy, w, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const RGBX* s = src + ptrdiff_t(y) * w;
            uint8_t* d = dst + ptrdiff_t(y) * stride;
            detail::RunWidest(&detail::RowKernels::pack24, w,
                              [&](auto kernel, int64_t done) { return kernel(s + done, d + done * 3, w - int(done)); });
        }
        return true;
    });
}

}  // namespace kv
