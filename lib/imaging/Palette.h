#pragma once
// The fixed 256-colour palette for 8-bit image formats (GIF): the 6×6×6 colour cube with steps
// of 51 and 40 greys between the cube's six. A fixed palette needs one pass, maps the same
// colour to the same index in every capture, and keeps the greys of window chrome and text
// smooth (the cube alone has six); photographs band more than with an adaptive palette, which
// a screen-capture tool's typical pictures do not need.
#include <cstddef>
#include <cstdint>

#include "Export.h"

namespace kv {

struct PaletteColour {
    uint8_t r, g, b;
};

//! Entry i of the palette: 0–215 the cube (index 36·r + 6·g + b of the steps), 216–255 greys.
KV_API PaletteColour WebPaletteEntry(int index);
//! The index of the nearest entry (squared distance; on a tie the lower index).
KV_API uint8_t NearestWebPaletteIndex(uint8_t r, uint8_t g, uint8_t b);
//! Maps rows of 32-bit pixels (blue, green, red, reserved) to palette indices.
KV_API void QuantiseToWebPalette(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int width,
                                 int height);

}  // namespace kv
