#pragma once
// The size a picture file says it has, read from its header alone, so that a picture too large
// to take is refused before a decoder spends seconds and gigabytes on its pixels. Wine: its
// GDI+ decodes a whole PNG when it is loaded, and so does its system codec (the decoder object
// is made only after every row is inflated: measured 20000 × 20000, 8 s and 1.2 GB), so
// neither can be asked first.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "Export.h"

namespace kv {

struct PictureSize {
    int64_t width = 0, height = 0;
};

//! The largest picture the library takes in: 2^26 pixels (256 MiB at 32 bits), eight 4K frames.
constexpr int64_t kMaxPicturePixels = int64_t(1) << 26;

//! Whether a picture with these (positive) sides has more pixels than the library takes.
constexpr bool ExceedsPictureLimit(int64_t width, int64_t height) {
    return width > 0 && height > 0 &&
           (width > kMaxPicturePixels || height > kMaxPicturePixels || width * height > kMaxPicturePixels);
}

//! The picture's size from the first bytes of a PNG, GIF, JPEG, bitmap, TIFF or icon file (of an
//! icon, that of its largest picture; of a GIF, each side the larger of its screen's and its first
//! frame's).
//! Nothing for another format, or a header cut short. The size is as written: it may be 0 or,
//! for a bitmap, come from a negative field made positive.
KV_API std::optional<PictureSize> ReadPictureSize(const uint8_t* data, size_t size);

}  // namespace kv
