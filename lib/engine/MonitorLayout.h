#pragma once
// The desktop's monitors as plain rectangles in virtual-screen coordinates (physical pixels; the
// primary monitor's corner is the origin, so monitors left of or above it have negative
// coordinates). Everything a capture decides from the layout is here, free of the platform, so
// it can be checked on any layout: which monitor holds a point or most of a rectangle, whether a
// rectangle lies on a monitor at all, the parts of the virtual screen no monitor covers, and
// where a floating box stays inside a monitor's work area.
#include <cstdint>
#include <vector>

#include "Export.h"
#include "imaging/Geometry.h"
#include "imaging/PixelTypes.h"

namespace kv {

struct Point {
    int32_t x = 0, y = 0;
};

struct Monitor {
    Rect bounds;           // the whole monitor
    Rect work;             // without the task bar and other docked bars
    bool primary = false;
};

//! The colour of the parts of the virtual screen that no monitor covers, in captures of the
//! virtual screen and in the frozen screen of the rectangle selection: black.
constexpr COLORREF kUncoveredColour = 0x000000;

//! Intersection of two rectangles; empty (all zero) when they do not meet.
KV_API Rect Intersect(const Rect& a, const Rect& b);
//! Smallest rectangle holding both; an empty one adds nothing.
KV_API Rect Union(const Rect& a, const Rect& b);
inline bool Contains(const Rect& r, Point p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

class KV_API MonitorLayout {
public:
    MonitorLayout() = default;
    //! Keeps the monitors in the documented order: the primary first, then the others by their
    //! left edge, then by their top edge. Monitors with no area are left out.
    explicit MonitorLayout(std::vector<Monitor> monitors);

    const std::vector<Monitor>& Monitors() const { return m_monitors; }
    //! Index of the primary monitor in Monitors() (0 when there is one), or -1 for none at all.
    int Primary() const;
    //! The union of all monitors (empty without monitors).
    Rect VirtualScreen() const { return m_virtual; }
    //! The monitor that holds p, or -1.
    int At(Point p) const;
    //! The monitor that holds p, else the one nearest to it (-1 only without monitors).
    int Nearest(Point p) const;
    //! The monitor with the largest share of r (the first in order on a tie), or -1 when r lies on
    //! none.
    int LargestOverlap(const Rect& r) const;
    //! Whether any pixel of r lies on a monitor.
    bool OnAnyMonitor(const Rect& r) const { return LargestOverlap(r) >= 0; }
    //! The parts of the virtual screen that no monitor covers, as rectangles that do not overlap,
    //! row band by row band from the top, left to right within a band.
    std::vector<Rect> Gaps() const;
    //! r clipped to the virtual screen (empty when outside it).
    Rect ClipToVirtual(const Rect& r) const { return Intersect(r, m_virtual); }
    //! box moved (not resized, unless it is larger) so that it lies inside the work area of the
    //! monitor nearest to anchor.
    Rect KeepInWorkArea(Rect box, Point anchor) const;
    //! Paints kUncoveredColour over the pixels of a top-down 32-bit picture of `area` (virtual
    //! coordinates, width × height pixels, rows `stride` pixels apart) that lie on no monitor.
    void FillUncovered(RGBX* pixels, int stride, const Rect& area) const;

private:
    std::vector<Monitor> m_monitors;
    Rect m_virtual;
};

}  // namespace kv
