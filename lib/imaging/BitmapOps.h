#pragma once
// The four platform-bitmap operations the pixel code needs, plus deletion. On Windows they are
// GDI calls against the screen device context; the native build has an in-memory stand-in so
// that the chain runner is tested without a display.
#include "Export.h"
#include "imaging/PixelTypes.h"

namespace kv::bitmap {

//! Width and height of a bitmap; false when they cannot be read.
KV_API bool GetSize(HBITMAP h, CSize* size);
//! All rows as 32-bit top-down pixels into dst (size.cx × size.cy).
KV_API bool ReadPixels(HBITMAP h, RGBX* dst, CSize size);
//! A new bitmap in the screen's format (a 32-bit top-down DIB section, whose pixels the code
//! reads and writes in place); null on failure.
KV_API HBITMAP CreateScreenCompatible(CSize size);
//! The pixels of a bitmap made by CreateScreenCompatible, top row first and packed (pending
//! drawing into it finished first); null for any other bitmap, which is read by transfer.
KV_API RGBX* Pixels(HBITMAP h);
//! Writes size.cy rows of 32-bit top-down pixels; false when no row was written.
KV_API bool WritePixels(HBITMAP h, const RGBX* src, CSize size);
KV_API void Delete(HBITMAP h);
#if defined(_WIN32)
//! The header for 32-bit top-down transfers of a bitmap of this size.
KV_API BITMAPINFO Describe32(CSize size);
//! The DIB sections CreateScreenCompatible made that Delete has not deleted yet.
KV_API long LiveSectionCount();
#endif

}  // namespace kv::bitmap
