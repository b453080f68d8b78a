#pragma once
// CDlgSnapRectHelper: the window over the whole virtual screen in which a rectangle is dragged over a frozen image
// of the screen (template 135), with the information box next to the cursor and the tip panel.
// CSnapTrack is its rubber band: it repaints the window instead of drawing an XOR outline.
#include "framework/Dialog.h"
#include "framework/Handles.h"
#include "framework/Tracker.h"
#include "engine/MonitorLayout.h"
#include "imaging/ImageBitmap.h"
#include "selection/SnapTipEdit.h"

class CDlgSnapRectHelper;

class KV_API CSnapTrack : public CRectTracker {
public:
    explicit CSnapTrack(CDlgSnapRectHelper* owner = nullptr) : m_pOwner(owner) {}
    void DrawTrackerRect(const RECT* rect, CWnd* clipTo, HDC dc, CWnd* window) override;

private:
    CDlgSnapRectHelper* m_pOwner;  // borrowed
};

class KV_API CDlgSnapRectHelper : public CDialog {
public:
    enum { IDD = 135 };
    explicit CDlgSnapRectHelper(CWnd* pParent = nullptr);
    ~CDlgSnapRectHelper() override;

    //! The selected rectangle (screen coordinates, right and bottom exclusive); TRUE when it is
    //! not empty.
    BOOL GetSelectedRect(CRect& rect) const;
    //! What the window showed over the selected rectangle when it closed, and the frozen screen
    //! there (bitmaps of the rectangle's size, the window's; null when nothing was selected). A
    //! pixel where the two differ is one the window drew, and the capture must not contain it.
    HBITMAP GetShownSelection() const { return m_bmpShown.GetSafeHandle(); }
    HBITMAP GetFrozenScreen() const { return m_bmpScreen.GetSafeHandle(); }
    //! The screen rectangle the frozen screen and the window cover: the virtual screen.
    CRect GetFrozenArea() const { return m_rcFrozen; }
    //! Invalidates everything but the tip panel (called back by the tracker).
    void PaintTipWindow();
    int GetState() const { return m_nState; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void SnapFullScreen();
    void DrawTipWindow();
    void DrawInfoWindow(HDC dc, const CRect& rect);
    void KeepShownSelection();
    //! The cursor in the window's client coordinates.
    POINT CursorInClient() const;

private:
    void OnPaint();
    void OnLButtonDown(CPoint p);
    void OnLButtonUp();

    CSnapTipEdit m_tipEdit;
    HCURSOR m_hCursor = nullptr;  // shared resource cursor, not destroyed
    CSnapTrack m_tracker;
    CImageBitmap m_bmpScreen;
    CImageBitmap m_bmpShown;
    int m_nState = 0;
    RECT m_rcSelected{0, 0, 0, 0};
    kv::MonitorLayout m_layout;  // the monitors as the window opened, those of the frozen screen
    CRect m_rcFrozen;            // their virtual screen
    kv::UniqueHrgn m_rgnUpdate;
    kv::UniqueHbitmap m_backBuffer;
    kv::UniqueHfont m_infoFont;
};
