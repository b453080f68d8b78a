#pragma once
// The four platform-bitmap operations the pixel code needs, plus deletion. On Windows they are
// GDI calls against the screen device context; the native build has an in-memory stand-in so
// that the chain runner is tested without a display.
#include <cstdint>
#include <utility>

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
//! Deletes a bitmap; one made by CreateScreenCompatible must be deleted here (or through
//! UniqueDib), which also forgets its pixels.
KV_API void Delete(HBITMAP h);
//! Bitmaps made by CreateScreenCompatible and not yet deleted by Delete: tests check that a
//! long run of refreshes leaves as many as it found.
KV_API int64_t LiveSections();
#if defined(_WIN32)
//! The header for 32-bit top-down transfers of a bitmap of this size.
KV_API BITMAPINFO Describe32(CSize size);
#endif

// One of our bitmaps with its pixels, looked up once when it is made, and the one way to delete
// it (Delete). Move-only.
class UniqueDib {
public:
    UniqueDib() = default;
    //! A new bitmap of this size (falsy on failure, or when its pixels cannot be reached).
    static UniqueDib Create(CSize size) {
        UniqueDib d;
        d.m_h = CreateScreenCompatible(size);
        d.m_px = d.m_h ? Pixels(d.m_h) : nullptr;
        d.m_size = size;
        if (!d.m_px) d.reset();
        return d;
    }
    //! Takes h (null, one of ours or any other bitmap; pixels() is null for the others).
    static UniqueDib Adopt(HBITMAP h) {
        UniqueDib d;
        d.m_h = h;
        d.m_px = h ? Pixels(h) : nullptr;
        if (h && !GetSize(h, &d.m_size)) d.m_size = CSize();
        return d;
    }
    ~UniqueDib() { reset(); }
    UniqueDib(const UniqueDib&) = delete;
    UniqueDib& operator=(const UniqueDib&) = delete;
    UniqueDib(UniqueDib&& o) noexcept { Swap(o); }
    UniqueDib& operator=(UniqueDib&& o) noexcept {
        if (this != &o) {
            reset();
            Swap(o);
        }
        return *this;
    }
    explicit operator bool() const { return m_h != nullptr; }
    HBITMAP get() const { return m_h; }
    RGBX* pixels() const { return m_px; }
    CSize size() const { return m_size; }
    //! Gives the bitmap up without deleting it.
    HBITMAP release() {
        m_px = nullptr;
        m_size = CSize();
        HBITMAP h = m_h;
        m_h = nullptr;
        return h;
    }
    void reset() {
        if (m_h) Delete(m_h);
        m_h = nullptr;
        m_px = nullptr;
        m_size = CSize();
    }

private:
    void Swap(UniqueDib& o) {
        std::swap(m_h, o.m_h);
        std::swap(m_px, o.m_px);
        std::swap(m_size, o.m_size);
    }
    HBITMAP m_h = nullptr;
    RGBX* m_px = nullptr;
    CSize m_size;
};

}  // namespace kv::bitmap
