#pragma once
// 32-bit pixels into a 24-bit image: blue, green and red of each pixel as three bytes, rows at
// the image's own stride (the reserved byte is dropped). The 24-bit image is what the engine
// saves, prints and copies as a device-independent bitmap.
#include <cstddef>
#include <cstdint>

#include "Export.h"
#include "imaging/PixelTypes.h"

namespace kv {

//! Packs size.cx × size.cy packed top-down pixels into rows of `stride` bytes from dst, the top
//! row's (|stride| ≥ 3 · size.cx; a negative stride writes the rows upwards, as a bottom-up DIB
//! holds them; the bytes after each row's last pixel are not written). False for null or
//! negative sizes; the rows are spread over the cores.
KV_API bool PackRows24(const RGBX* src, CSize size, uint8_t* dst, ptrdiff_t stride);

}  // namespace kv
