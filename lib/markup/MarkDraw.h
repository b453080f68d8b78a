#pragma once
// Drawing marks into 32-bit RGBX top-down pixels, clipped to a rectangle. Edges are anti-aliased
// by a fixed 4 × 4 supersampling counted in integers (16 samples → coverage 0…255), so every
// result is exact and repeatable: a fully covered pixel gets exactly the mark's colour, and no
// pixel outside Bounds(mark) ∩ clip is ever written.
#include <cstddef>
#include <vector>

#include "Export.h"
#include "markup/Mark.h"
#include "markup/TextRasterizer.h"

namespace kv::markup {

// Borrowed pixels: width × height, stride in bytes between rows (top row first).
struct Surface {
    RGBX* pixels = nullptr;
    int32_t width = 0, height = 0;
    ptrdiff_t stride = 0;
    RGBX* Row(int32_t y) const { return reinterpret_cast<RGBX*>(reinterpret_cast<uint8_t*>(pixels) + y * stride); }
    Rect Area() const { return Rect{0, 0, width, height}; }
};

//! Draws a mark that is not a redaction (those are ApplyRedaction's) over the surface within clip.
//! stepNumber is the number a Step shows; text goes through the rasterizer (may be null: no text).
KV_API void DrawMark(const Surface& s, const Mark& m, const Rect& clip, int32_t stepNumber,
                     const ITextRasterizer* text);

//! The ring pixel a pixelate block is built from, as the picture shows it after redaction: a
//! pixel inside any redact area reads as that redact's colour, inside another pixelate area as its
//! secondColour; false when the pixel lies outside the picture.
using RingReader = bool (*)(const void* context, int32_t x, int32_t y, RGBX& out);

//! Applies a redact or pixelate mark to the surface within clip. The result inside the area is a
//! function of the mark and of ring pixels only (read through `ring`), never of the pixels it hides.
KV_API void ApplyRedaction(const Surface& s, const Mark& m, const Rect& clip, RingReader ring, const void* context);

//! Text marks: the box size for the text, font and outline/background padding.
KV_API CSize TextBoxSize(const Mark& m, const ITextRasterizer* text);

}  // namespace kv::markup
