#pragma once
// CSnapTipEdit: the floating tip panel: its text over a background picture and, below it, a 5×
// magnifier of the 40 × 30 pixels around the cursor with a translucent green cross and a box
// around the pixel under the cursor. It stays on the monitor under the cursor, inside its work
// area, and jumps to the monitor's other top corner when the cursor comes near.
// The source is either a still image (the frozen screen of a rectangle selection, handed over
// directly) or a live window.
#include "framework/Handles.h"
#include "framework/Window.h"
#include "imaging/ImageBitmap.h"

class KV_API CSnapTipEdit : public CWnd {
public:
    CSnapTipEdit() = default;
    ~CSnapTipEdit() override;

    BOOL GetAtTopLeft() const { return m_bAtTopLeft; }
    void SetAtTopLeft(BOOL b) { m_bAtTopLeft = b; }
    CWnd* GetSourceWnd() const { return m_pSourceWnd; }
    //! The window whose pixels are magnified; live: its current pixels, else the source image.
    void SetSourceWnd(CWnd* wnd, BOOL live);
    //! The still image to magnify (a copy is kept; the caller keeps its bitmap), whose top-left
    //! pixel is the screen's pixel `origin` (the virtual screen's corner).
    BOOL SetSourceBitmap(HBITMAP bitmap, POINT origin = POINT{0, 0});
    //! Moves the panel to the monitor under the cursor when it stands on another one.
    void FollowCursor();
    //! Replaces the text and repaints, magnifier included.
    void SetText(const std::wstring& text);

    static constexpr int kWidth = 220;
    static constexpr int kHeight = 253;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void OnPaint();
    void OnMouseMove();
    void Render(HDC dc, const RECT& client);

    BOOL m_bAtTopLeft = TRUE;
    CWnd* m_pSourceWnd = nullptr;  // borrowed
    BOOL m_bLive = FALSE;
    CImageBitmap m_bmpSource;
    POINT m_sourceOrigin{0, 0};
    bool m_bFollowOnly = false;  // OnMouseMove from FollowCursor: no jump within a monitor
    kv::UniqueHbitmap m_background;  // bitmap 4002
    kv::UniqueHbitmap m_backBuffer;
    SIZE m_backSize{0, 0};
};
