#pragma once
// Geometry rules of the engine, free of the platform: the thumbnail fitted into the preview and
// the grab rectangle held to the primary screen.
#include <cstdint>

namespace kv {

struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool IsEmpty() const { return Width() <= 0 || Height() <= 0; }
};

struct ThumbLayout {
    int width = 0, height = 0;  // the thumbnail's size
    int left = 0, top = 0;      // its corner in the preview's client coordinates
};

// The preview's client area less 2 pixels on every side is the box; a larger image is scaled
// down by the larger of the two ratios (never up), then centred: horizontally when it fits
// (w ≤ box), vertically only when it is strictly lower (h < box); the 2-pixel margin is added.
// A side that scaling truncates to 0 (a 5000 × 1 picture) keeps one pixel, so a thin picture
// still shows. Defined for clients larger than 4 × 4.
inline ThumbLayout FitThumbnail(int clientW, int clientH, int imageW, int imageH) {
    const int availW = clientW - 4, availH = clientH - 4;
    ThumbLayout t{imageW, imageH, 0, 0};
    if (availW <= 0 || availH <= 0) return ThumbLayout{0, 0, 2, 2};
    if (imageW > availW || imageH > availH) {
        const double rw = double(imageW) / availW, rh = double(imageH) / availH;
        const double ratio = rw > rh ? rw : rh;
        t.width = int(imageW / ratio);
        t.height = int(imageH / ratio);
        if (t.width < 1) t.width = 1;
        if (t.height < 1) t.height = 1;
    }
    t.left = (t.width <= availW ? (availW - t.width) / 2 : 0) + 2;
    t.top = (t.height < availH ? (availH - t.height) / 2 : 0) + 2;
    return t;
}

// Clamps a rectangle to the primary screen (0, 0)–(screenW, screenH); false when nothing is left.
inline bool ClampToScreen(Rect& r, int screenW, int screenH) {
    if (r.right > screenW) r.right = screenW;
    if (r.bottom > screenH) r.bottom = screenH;
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    return r.Width() > 0 && r.Height() > 0;
}

}  // namespace kv
