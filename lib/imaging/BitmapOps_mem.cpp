// In-memory bitmaps for the native build: a bitmap is a heap block of 32-bit pixels. It mirrors
// the GDI behaviour the pixel code relies on: a zero-sized bitmap can be created but no row can
// be written into it, and reading works on any bitmap with at least one row.
#include <atomic>
#include <cstring>
#include <new>
#include <vector>

#include "imaging/BitmapOps.h"

struct HBITMAP__ {
    CSize size;
    std::vector<RGBX> pixels;
};

namespace kv::bitmap {

namespace {
std::atomic<int64_t> g_live{0};
}

int64_t LiveSections() { return g_live.load(); }

bool GetSize(HBITMAP h, CSize* size) {
    if (!h) return false;
    *size = h->size;
    return true;
}

bool ReadPixels(HBITMAP h, RGBX* dst, CSize size) {
    if (!h || !dst || size.cy <= 0 || !(size == h->size)) return false;
    std::memcpy(dst, h->pixels.data(), h->pixels.size() * sizeof(RGBX));
    return true;
}

HBITMAP CreateScreenCompatible(CSize size) {
    const int64_t n = CheckedPixelCount(size.cx, size.cy);
    if (n < 0) return nullptr;
    auto* h = new (std::nothrow) HBITMAP__{size, {}};
    if (!h) return nullptr;
    try {
        h->pixels.assign(size_t(n), RGBX{0, 0, 0, 0});
    } catch (...) {
        delete h;
        return nullptr;
    }
    ++g_live;
    return h;
}

bool WritePixels(HBITMAP h, const RGBX* src, CSize size) {
    if (!h || !src || size.cx <= 0 || size.cy <= 0 || !(size == h->size)) return false;
    std::memcpy(h->pixels.data(), src, h->pixels.size() * sizeof(RGBX));
    return true;
}

RGBX* Pixels(HBITMAP h) { return h && !h->pixels.empty() ? h->pixels.data() : nullptr; }

void Delete(HBITMAP h) {
    if (h) --g_live;
    delete h;
}

}  // namespace kv::bitmap
