#pragma once
// CMarkupEditor: the editor's frame window (menu, toolbar, status bar, canvas), its own modal
// loop and keys, and the way out. The canvas child paints the composed picture at the zoom and
// turns the pointer into marks (EditorCanvas.cpp, EditorTools.cpp); the toolbar's icons are
// drawn at run time for the screen's DPI (EditorIcons.cpp).
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "EditorModel.h"
#include "framework/Handles.h"
#include "framework/Window.h"

class CMarkupEditor;

class CEditorCanvas : public CWnd {
public:
    explicit CEditorCanvas(CMarkupEditor& owner) : m_owner(owner) {}

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    CMarkupEditor& m_owner;
};

enum class EditorTool { Select, Arrow, Line, Rectangle, Ellipse, Pen, Highlighter, Text, Step, Redact, Pixelate, Crop };
constexpr int kEditorToolCount = 12;

//! Toolbar pictures: the twelve tools, then colour, width, dashed, filled, two heads, font,
//! text box, undo, redo, copy, save, done; each size × size pixels (32-bit with alpha).
HIMAGELIST MakeEditorImages(int size, COLORREF colour);
constexpr int kEditorImageColour = 12, kEditorImageWidth = 13, kEditorImageDashed = 14, kEditorImageFilled = 15,
              kEditorImageTwoHeads = 16, kEditorImageFont = 17, kEditorImageTextBox = 18, kEditorImageUndo = 19,
              kEditorImageRedo = 20, kEditorImageCopy = 21, kEditorImageSave = 22, kEditorImageDone = 23,
              kEditorImageCount = 24;

class CMarkupEditor : public CWnd {
public:
    explicit CMarkupEditor(CKarvoCore& core);
    ~CMarkupEditor() override;

    //! Shows the window modal to owner; returns when it has closed.
    void Run(CWnd* owner);
    //! Who tells the user why a save failed (the main window's messages).
    void SetFileReporter(void (*report)(void*), void* context) { m_reportFile = report, m_reportContext = context; }
    //! The canvas child's messages; false leaves one to the default handling.
    bool CanvasProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    // Frame (EditorWindow.cpp).
    bool CreateFrame(CWnd* owner);
    void CreateToolbar();
    int ToolbarWidth() const;
    void Layout();
    void OnCommand(UINT id);
    bool PreTranslate(MSG& msg);
    void UpdateUi();
    void UpdateMenu(HMENU menu);
    void UpdateStatus();
    void OnToolbarNotify(NMHDR* hdr, LRESULT& result);
    void SetTool(EditorTool t);
    //! After a dialog of its own: the editor active again with the canvas focused.
    void Reactivate();
    void SaveSettings();
    void LoadSettings();
    // Leaving.
    void Done();
    //! Esc and the close box: asks once when there are unapplied changes.
    void AskAndClose();
    void Discard();
    void ReportSaveFailure();
    bool Changed() const;
    // Style (EditorStyle.cpp).
    void ChooseColourMenu(const RECT* under);
    void ChooseWidthMenu(const RECT* under);
    void ChooseFontDialog();
    void ChooseStepStart();
    void SetColour(COLORREF c);
    void SetWidth(int width);
    //! The style the toolbar shows: the selected mark's, else the one new marks get.
    const kv::markup::MarkStyle& CurrentStyle() const;
    void Toggle(bool kv::markup::MarkStyle::*field);
    //! The selected mark takes one field of the style (one undo step).
    template <class F>
    void RestyleSelection(F change);
    void RefreshColourImage();

    // Canvas (EditorCanvas.cpp).
    void OnPaint();
    void PaintPicture(HDC dc, const RECT& area);
    void PaintOverlay(HDC dc);
    //! Brings the composed picture up to date with the document and repaints what changed.
    void Recompose(bool all = false);
    void SetZoom(double zoom, POINT anchor, bool anchored);
    void ZoomStep(int direction, POINT anchor, bool anchored);
    double FitZoom() const;
    void UpdateScrollBars();
    void OnScroll(int bar, int code);
    kv::markup::Point ToPicture(POINT client) const;
    POINT ToClient(double x, double y) const;
    RECT ToClientRect(const kv::Rect& r) const;
    POINT Origin() const;
    void InvalidatePicture(const kv::Rect& r);
    //! Repaints where the selection frame, crop band or text caret was and is now.
    void RefreshOverlay();
    RECT OverlayRect() const;
    //! The caret of the text being typed, in client coordinates (top and bottom of its line).
    bool TextCaret(POINT& top, POINT& bottom) const;
    void OnMouseWheel(int delta, UINT keys, POINT screen);

    // Tools (EditorTools.cpp).
    void OnButtonDown(POINT client, UINT keys, bool dbl);
    void OnMouseMove(POINT client, UINT keys);
    void OnButtonUp(POINT client, UINT keys);
    void OnCanvasKey(UINT vk);
    void OnCanvasChar(wchar_t c);
    void StartText(kv::markup::Point at, uint32_t editing);
    void EndText();
    void PlaceImeWindow();
    bool CanvasCursor();
    kv::markup::Mark NewMark(kv::markup::MarkKind kind) const;
    kv::markup::Mark DrawnMark(kv::markup::Point to, bool shift) const;
    void Select(uint32_t id);
    void DeleteSelection();
    void Duplicate();
    void Nudge(int dx, int dy);

    CKarvoCore& m_core;
    CEditorModel m_model;
    CEditorCanvas m_canvas;
    HWND m_toolbar = nullptr;  // children, destroyed with the window
    HWND m_status = nullptr;
    kv::UniqueAny<kv::detail::NullTraits<HIMAGELIST, ::ImageList_Destroy>> m_images;
    HACCEL m_keys = nullptr;  // resource table, not destroyed
    kv::UniqueHmenu m_menu;   // owned until the window takes it
    int m_dpi = 96;
    void (*m_reportFile)(void*) = nullptr;
    void* m_reportContext = nullptr;
    bool m_closing = false;

    EditorTool m_tool = EditorTool::Arrow;
    kv::markup::MarkStyle m_style;
    std::vector<COLORREF> m_recent;  // most recent first
    static constexpr size_t kRecentColours = 6;
    uint32_t m_serial = 0;  // of the picture m_out was composed from

    // The composed picture, output size, and how it is shown.
    std::vector<RGBX> m_out;
    CSize m_outSize;
    double m_zoom = 1.0;
    POINT m_scroll{0, 0};

    // A drag in progress.
    enum class Drag { None, Draw, Move, Resize, Crop, Pan };
    Drag m_drag = Drag::None;
    kv::markup::Point m_dragStart, m_dragLast;
    kv::markup::Handle m_handle = kv::markup::Handle::None;
    kv::markup::Mark m_dragOriginal;
    uint32_t m_drawing = 0;  // the mark being drawn
    kv::Rect m_cropBand;
    uint32_t m_selected = 0;
    // A text being typed: its mark (0 until the first character), where it sits.
    bool m_typing = false;
    uint32_t m_textMark = 0;
    kv::markup::Point m_textAt;
    std::wstring m_text;
    RECT m_overlay{0, 0, 0, 0};  // client area the overlay was last painted in
    bool m_inScrollUpdate = false;
    kv::markup::Point m_pointer{-1, -1};
};
