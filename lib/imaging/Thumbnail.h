#pragma once
// The preview's thumbnail: the picture scaled down to a smaller size by area averaging (each
// thumbnail pixel the rounded mean of the block of source pixels that falls on it; the blocks
// tile the source exactly). At the same size it is a copy.
#include <cstddef>
#include <cstdint>

#include "Export.h"

namespace kv {

//! Scales 32-bit rows (blue, green, red, reserved) from sw × sh down to dw × dh (dw ≤ sw,
//! dh ≤ sh, all positive); the reserved byte of the result is 0xFF. False for other sizes.
KV_API bool ScaleDownArea(const uint8_t* src, ptrdiff_t srcStride, int sw, int sh, uint8_t* dst, ptrdiff_t dstStride, int dw,
                          int dh);

}  // namespace kv
