#pragma once
// What our own drawing (the selection window, the picking frame) made of screen pixels, and
// whether any of it still shows: after the drawing is gone the screen can keep it until the
// windows under it repaint, and a grab must wait for that. The pixel comparison is here, free of
// the platform; the waiting (reading the screen until nothing of it is left) is the engine's.
#include <cstddef>
#include <vector>

#include "Export.h"
#include "imaging/PixelTypes.h"

namespace kv {

struct OwnDrawing {
    int width = 0, height = 0;  // of the rectangle the marks index, row by row
    std::vector<size_t> marks;  // pixels our drawing changed
    std::vector<RGBX> drawn;    // their colours while it showed
    bool Empty() const { return marks.empty(); }
};

inline bool SameColour(RGBX a, RGBX b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

//! The pixels of a width × height rectangle where `shown` (what our window showed there, packed
//! rows) differs from `under` (the screen beneath it: rows `underStride` pixels apart, starting
//! at the rectangle's corner).
KV_API OwnDrawing DrawnOver(const RGBX* shown, const RGBX* under, int underStride, int width, int height);
//! The pixels `marks` of a rectangle drawn over with an inverted pen (each channel becomes
//! ~(pen ^ colour)); `under` holds the rectangle's pixels before.
KV_API OwnDrawing InvertedOver(const std::vector<RGBX>& under, int width, int height, const std::vector<size_t>& marks,
                               RGBX pen);
//! Whether any pixel of the drawing still shows in `now` (the rectangle's pixels read again);
//! a picture of another size shows nothing of it.
KV_API bool StillShown(const OwnDrawing& d, const std::vector<RGBX>& now);

}  // namespace kv
