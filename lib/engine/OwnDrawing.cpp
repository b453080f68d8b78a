#include "engine/OwnDrawing.h"

namespace kv {

OwnDrawing DrawnOver(const RGBX* shown, const RGBX* under, int underStride, int width, int height) {
    OwnDrawing d;
    if (!shown || !under || width <= 0 || height <= 0) return d;
    d.width = width, d.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t i = size_t(y) * size_t(width) + size_t(x);
            if (!SameColour(shown[i], under[ptrdiff_t(y) * underStride + x])) d.marks.push_back(i), d.drawn.push_back(shown[i]);
        }
    return d;
}

OwnDrawing InvertedOver(const std::vector<RGBX>& under, int width, int height, const std::vector<size_t>& marks, RGBX pen) {
    OwnDrawing d;
    if (width <= 0 || height <= 0 || under.size() != size_t(width) * size_t(height)) return d;
    d.width = width, d.height = height;
    for (size_t i : marks) {
        if (i >= under.size()) continue;
        const RGBX u = under[i];
        d.marks.push_back(i);
        d.drawn.push_back(RGBX{uint8_t(~(pen.blue ^ u.blue)), uint8_t(~(pen.green ^ u.green)), uint8_t(~(pen.red ^ u.red)), 0});
    }
    return d;
}

bool StillShown(const OwnDrawing& d, const std::vector<RGBX>& now) {
    if (now.size() != size_t(d.width) * size_t(d.height)) return false;
    for (size_t k = 0; k < d.marks.size(); ++k)
        if (SameColour(now[d.marks[k]], d.drawn[k])) return true;
    return false;
}

}  // namespace kv
