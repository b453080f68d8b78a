#pragma once
// CRectTracker: a rectangle with resize handles, and the rubber-band drag with its own modal
// loop. Subclasses redraw through DrawTrackerRect (called on every change of the rectangle).
#include <windows.h>

#include "Export.h"
#include "framework/Types.h"

class CWnd;

class KV_API CRectTracker {
public:
    enum Style { solidLine = 1, dottedLine = 2, hatchedBorder = 4, resizeInside = 8, resizeOutside = 16, hatchInside = 32 };
    enum TrackerHit { hitNothing = -1, hitTopLeft = 0, hitTopRight, hitBottomRight, hitBottomLeft, hitTop, hitRight,
                      hitBottom, hitLeft, hitMiddle };

    CRectTracker() = default;
    virtual void DrawTrackerRect(const RECT* rect, CWnd* clipTo, HDC dc, CWnd* window);
    virtual void AdjustRect(int hit, RECT* rect);
    virtual void OnChangedRect(const CRect& rectOld);
    virtual UINT GetHandleMask() const { return 0xFF; }
    virtual ~CRectTracker();
    virtual int GetHandleSize(const RECT* rect = nullptr) const;

    //! Drags a new rectangle from point until the left button is released (TRUE when it changed)
    //! or Esc / the right button cancels (rectangle restored, FALSE). Owns the mouse meanwhile;
    //! every other message is dispatched as usual.
    BOOL TrackRubberBand(CWnd* wnd, CPoint point, BOOL allowInvert = TRUE);
    //! Which part of the tracker lies under point (client coordinates).
    int HitTest(CPoint point) const;
    //! The rectangle normalised and, for a solid or dotted line, grown by one pixel.
    void GetTrueRect(RECT* rect) const;
    //! The outline one pixel outside the rectangle, and the handles.
    void Draw(HDC dc) const;

    CRect m_rect;
    UINT m_nStyle = 0;
    int m_nHandleSize = 7;
};
