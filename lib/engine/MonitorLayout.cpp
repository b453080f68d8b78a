#include "engine/MonitorLayout.h"

#include <algorithm>
#include <cstdint>

namespace kv {

Rect Intersect(const Rect& a, const Rect& b) {
    const Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    return r.IsEmpty() ? Rect{} : r;
}

Rect Union(const Rect& a, const Rect& b) {
    if (a.IsEmpty()) return b.IsEmpty() ? Rect{} : b;
    if (b.IsEmpty()) return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

MonitorLayout::MonitorLayout(std::vector<Monitor> monitors) {
    for (Monitor& m : monitors)
        if (!m.bounds.IsEmpty()) m_monitors.push_back(m);
    std::stable_sort(m_monitors.begin(), m_monitors.end(), [](const Monitor& a, const Monitor& b) {
        if (a.primary != b.primary) return a.primary;
        if (a.bounds.left != b.bounds.left) return a.bounds.left < b.bounds.left;
        return a.bounds.top < b.bounds.top;
    });
    for (const Monitor& m : m_monitors) m_virtual = Union(m_virtual, m.bounds);
}

int MonitorLayout::Primary() const {
    if (m_monitors.empty()) return -1;
    return 0;  // first in order: the primary when there is one, else the leftmost
}

int MonitorLayout::At(Point p) const {
    for (size_t i = 0; i < m_monitors.size(); ++i)
        if (Contains(m_monitors[i].bounds, p)) return int(i);
    return -1;
}

int MonitorLayout::Nearest(Point p) const {
    if (const int at = At(p); at >= 0) return at;
    int best = -1;
    int64_t bestDistance = 0;
    for (size_t i = 0; i < m_monitors.size(); ++i) {
        const Rect& b = m_monitors[i].bounds;
        // Distance to the rectangle's nearest pixel, squared (its last column is right - 1).
        const int64_t dx = p.x < b.left ? int64_t(b.left) - p.x : p.x >= b.right ? int64_t(p.x) - (b.right - 1) : 0;
        const int64_t dy = p.y < b.top ? int64_t(b.top) - p.y : p.y >= b.bottom ? int64_t(p.y) - (b.bottom - 1) : 0;
        const int64_t d = dx * dx + dy * dy;
        if (best < 0 || d < bestDistance) best = int(i), bestDistance = d;
    }
    return best;
}

int MonitorLayout::LargestOverlap(const Rect& r) const {
    int best = -1;
    int64_t bestArea = 0;
    for (size_t i = 0; i < m_monitors.size(); ++i) {
        const Rect o = Intersect(r, m_monitors[i].bounds);
        const int64_t area = o.IsEmpty() ? 0 : int64_t(o.Width()) * o.Height();
        if (area > bestArea) best = int(i), bestArea = area;
    }
    return best;
}

std::vector<Rect> MonitorLayout::Gaps() const {
    std::vector<Rect> gaps;
    if (m_virtual.IsEmpty()) return gaps;
    // Row bands between consecutive horizontal edges: within a band every monitor either covers
    // all of its rows or none, so the gaps of a band are the spans its monitors leave open.
    std::vector<int32_t> edges{m_virtual.top, m_virtual.bottom};
    for (const Monitor& m : m_monitors) edges.push_back(m.bounds.top), edges.push_back(m.bounds.bottom);
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    for (size_t e = 0; e + 1 < edges.size(); ++e) {
        const int32_t top = edges[e], bottom = edges[e + 1];
        std::vector<std::pair<int32_t, int32_t>> spans;
        for (const Monitor& m : m_monitors)
            if (m.bounds.top <= top && m.bounds.bottom >= bottom) spans.emplace_back(m.bounds.left, m.bounds.right);
        std::sort(spans.begin(), spans.end());
        int32_t x = m_virtual.left;
        for (const auto& [left, right] : spans) {
            if (left > x) gaps.push_back(Rect{x, top, left, bottom});
            x = std::max(x, right);
        }
        if (x < m_virtual.right) gaps.push_back(Rect{x, top, m_virtual.right, bottom});
    }
    return gaps;
}

Rect MonitorLayout::KeepInWorkArea(Rect box, Point anchor) const {
    const int i = Nearest(anchor);
    if (i < 0) return box;
    const Rect& work = m_monitors[size_t(i)].work.IsEmpty() ? m_monitors[size_t(i)].bounds : m_monitors[size_t(i)].work;
    const int32_t w = std::min(box.Width(), work.Width()), h = std::min(box.Height(), work.Height());
    const int32_t left = std::clamp(box.left, work.left, work.right - w);
    const int32_t top = std::clamp(box.top, work.top, work.bottom - h);
    return Rect{left, top, left + w, top + h};
}

void MonitorLayout::FillUncovered(RGBX* pixels, int stride, const Rect& area) const {
    if (!pixels || area.IsEmpty()) return;
    const RGBX colour = PixelFromColor(kUncoveredColour);
    // Outside the virtual screen nothing is covered either.
    std::vector<Rect> uncovered = Gaps();
    const Rect v = m_virtual;
    const Rect outside[] = {{area.left, area.top, area.right, v.top},
                            {area.left, v.bottom, area.right, area.bottom},
                            {area.left, std::max(area.top, v.top), v.left, std::min(area.bottom, v.bottom)},
                            {v.right, std::max(area.top, v.top), area.right, std::min(area.bottom, v.bottom)}};
    if (v.IsEmpty())
        uncovered.assign(1, area);
    else
        for (const Rect& r : outside) uncovered.push_back(r);
    for (const Rect& gap : uncovered) {
        const Rect r = Intersect(gap, area);
        if (r.IsEmpty()) continue;
        for (int32_t y = r.top; y < r.bottom; ++y) {
            RGBX* row = pixels + ptrdiff_t(y - area.top) * stride + (r.left - area.left);
            std::fill(row, row + r.Width(), colour);
        }
    }
}

}  // namespace kv
