// The editor's tools under the pointer and the keyboard: drawing a mark is one gesture of the
// document (one undo step however many moves), selecting takes the topmost mark, a selected
// mark moves, resizes by its handles, nudges, goes, doubles, changes place in the order; a text
// is typed into its mark (WM_CHAR, so any Unicode character and the IME's results) as one step.
#include <windows.h>
#include <imm.h>

#include <algorithm>
#include <cstdlib>

#include "EditorWindow.h"

using kv::markup::Handle;
using kv::markup::Mark;
using kv::markup::MarkKind;
using kv::markup::Point;

namespace {

MarkKind KindOf(EditorTool t) {
    switch (t) {
    case EditorTool::Arrow: return MarkKind::Arrow;
    case EditorTool::Line: return MarkKind::Line;
    case EditorTool::Rectangle: return MarkKind::Rectangle;
    case EditorTool::Ellipse: return MarkKind::Ellipse;
    case EditorTool::Pen: return MarkKind::Pen;
    case EditorTool::Highlighter: return MarkKind::Highlighter;
    case EditorTool::Text: return MarkKind::Text;
    case EditorTool::Step: return MarkKind::Step;
    case EditorTool::Redact: return MarkKind::Redact;
    case EditorTool::Pixelate: return MarkKind::Pixelate;
    default: return MarkKind::Rectangle;
    }
}

kv::Rect BoxOf(Point a, Point b, bool square) {
    if (square) {
        const int32_t side = std::max(std::abs(b.x - a.x), std::abs(b.y - a.y));
        b = Point{a.x + (b.x >= a.x ? side : -side), a.y + (b.y >= a.y ? side : -side)};
    }
    return kv::Rect{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1};
}

}  // namespace

Mark CMarkupEditor::NewMark(MarkKind kind) const {
    Mark m;
    m.kind = kind;
    m.style = m_style;
    m.style.secondColour = 0xFFFFFF;
    switch (kind) {
    case MarkKind::Highlighter: m.style.width = std::max(12, m_style.width * 4); break;
    case MarkKind::Redact: m.style.colour = 0x000000; break;
    case MarkKind::Pixelate: m.style.width = std::max(8, m_style.width * 3); break;
    default: break;
    }
    return m;
}

Mark CMarkupEditor::DrawnMark(Point to, bool shift) const {
    Mark m = NewMark(KindOf(m_tool));
    if (kv::markup::IsPathKind(m.kind))
        m.points = {m_dragStart, shift ? kv::markup::Snap45(m_dragStart, to) : to};
    else
        m.box = BoxOf(m_dragStart, to, shift);
    return m;
}

void CMarkupEditor::Select(uint32_t id) {
    if (id == m_selected) return;
    m_selected = id;
    RefreshOverlay();
    UpdateUi();
}

void CMarkupEditor::OnButtonDown(POINT client, UINT keys, bool dbl) {
    (void)keys;
    kv::markup::CMarkDocument& doc = m_model.Doc();
    const Point p = ToPicture(client);
    const int32_t tolerance = std::max(3, int32_t(std::lround((m_dpi * 4 / 96) / m_zoom)));
    if (m_typing) {
        const Mark* t = m_textMark ? doc.Find(m_textMark) : nullptr;
        if (t && kv::markup::Contains(t->box, p)) return;
        EndText();
    }
    m_dragStart = m_dragLast = p;
    switch (m_tool) {
    case EditorTool::Select: {
        if (const Mark* m = m_selected ? doc.Find(m_selected) : nullptr) {
            const Handle h = kv::markup::HitHandle(*m, p, tolerance);
            if (h != Handle::None && h != Handle::Body) {
                m_drag = Drag::Resize;
                m_handle = h;
                m_dragOriginal = *m;
                doc.BeginGesture();
                return;
            }
        }
        const uint32_t id = doc.HitTest(p, tolerance);
        Select(id);
        const Mark* m = id ? doc.Find(id) : nullptr;
        if (!m) return;
        if (dbl && m->kind == MarkKind::Text) return StartText(Point{m->box.left, m->box.top}, id);
        m_drag = Drag::Move;
        m_dragOriginal = *m;
        doc.BeginGesture();
        return;
    }
    case EditorTool::Text: return StartText(p, 0);
    case EditorTool::Step: {
        Mark m = NewMark(MarkKind::Step);
        const int32_t d = std::max(16, m_style.fontSize + 12);
        m.box = kv::Rect{p.x - d / 2, p.y - d / 2, p.x - d / 2 + d, p.y - d / 2 + d};
        doc.Add(m);
        Recompose();
        UpdateUi();
        return;
    }
    case EditorTool::Crop:
        m_drag = Drag::Crop;
        m_cropBand = BoxOf(p, p, false);
        RefreshOverlay();
        return;
    default:
        m_drag = Drag::Draw;
        m_drawing = 0;
        return;
    }
}

void CMarkupEditor::OnMouseMove(POINT client, UINT keys) {
    const Point p = ToPicture(client);
    if (!(p == m_pointer)) {
        m_pointer = p;
        UpdateStatus();
    }
    if (m_drag == Drag::None || p == m_dragLast) return;
    m_dragLast = p;
    kv::markup::CMarkDocument& doc = m_model.Doc();
    const bool shift = (keys & MK_SHIFT) != 0;
    switch (m_drag) {
    case Drag::Draw: {
        if (!m_drawing) {
            doc.BeginGesture();
            Mark m = DrawnMark(p, shift);
            if (m.kind == MarkKind::Pen || m.kind == MarkKind::Highlighter) m.points = {m_dragStart, p};
            m_drawing = doc.Add(std::move(m));
            if (!m_drawing) doc.EndGesture();
        } else if (const Mark* now = doc.Find(m_drawing)) {
            Mark m = *now;
            if (m.kind == MarkKind::Pen || m.kind == MarkKind::Highlighter)
                m.points.push_back(p);
            else
                m = DrawnMark(p, shift);
            doc.Replace(m_drawing, std::move(m));
        }
        break;
    }
    case Drag::Move:
        doc.Replace(m_selected, kv::markup::Moved(m_dragOriginal, p.x - m_dragStart.x, p.y - m_dragStart.y));
        break;
    case Drag::Resize: doc.Replace(m_selected, kv::markup::Resized(m_dragOriginal, m_handle, p)); break;
    case Drag::Crop: m_cropBand = BoxOf(m_dragStart, p, false); break;
    default: break;
    }
    Recompose();
}

void CMarkupEditor::OnButtonUp(POINT client, UINT keys) {
    (void)keys;
    kv::markup::CMarkDocument& doc = m_model.Doc();
    const Drag drag = m_drag;
    m_drag = Drag::None;
    switch (drag) {
    case Drag::Draw:
        if (m_drawing) doc.EndGesture();
        m_drawing = 0;
        break;
    case Drag::Move:
    case Drag::Resize: doc.EndGesture(); break;
    case Drag::Crop: {
        if (client.x > -100000) m_cropBand = BoxOf(m_dragStart, ToPicture(client), false);
        const kv::Rect band = kv::markup::IntersectRect(m_cropBand, kv::Rect{0, 0, m_outSize.cx, m_outSize.cy});
        m_cropBand = kv::Rect{};
        if (band.Width() >= 2 && band.Height() >= 2 && doc.Crop(band)) {
            Select(0);
            SetTool(EditorTool::Select);
        }
        break;
    }
    default: break;
    }
    Recompose();
    UpdateUi();
}

void CMarkupEditor::OnCanvasKey(UINT vk) {
    if (m_typing) {
        if (vk == VK_ESCAPE) EndText();
        return;
    }
    if (vk == VK_ESCAPE) {
        if (m_drag != Drag::None) {
            const Drag drag = m_drag;
            OnButtonUp(POINT{-100000, -100000}, 0);
            if (drag != Drag::Crop && m_model.Doc().CanUndo()) m_model.Doc().Undo();  // the drag did not happen
            if (::GetCapture() == m_canvas.GetSafeHwnd()) ::ReleaseCapture();
            Recompose();
            UpdateUi();
        } else {
            Select(0);
        }
        return;
    }
    const int step = ::GetKeyState(VK_SHIFT) < 0 ? 10 : 1;
    switch (vk) {
    case VK_LEFT: return Nudge(-step, 0);
    case VK_RIGHT: return Nudge(step, 0);
    case VK_UP: return Nudge(0, -step);
    case VK_DOWN: return Nudge(0, step);
    case VK_DELETE: return DeleteSelection();
    default: return;
    }
}

void CMarkupEditor::Nudge(int dx, int dy) {
    if (!m_selected || m_drag != Drag::None) return;
    m_model.Doc().Nudge(m_selected, dx, dy);
    Recompose();
    UpdateUi();
}

void CMarkupEditor::DeleteSelection() {
    if (!m_selected || m_drag != Drag::None) return;
    m_model.Doc().Delete(m_selected);
    m_selected = 0;
    Recompose();
    UpdateUi();
}

void CMarkupEditor::Duplicate() {
    if (!m_selected || m_drag != Drag::None) return;
    const uint32_t id = m_model.Doc().Duplicate(m_selected, 10, 10);
    Recompose();
    if (id) Select(id);
}

// Typing: the gesture opens when the text starts, so every character, Backspace and line
// break of it comes back as one undo step; the mark exists once it has a character.
void CMarkupEditor::StartText(Point at, uint32_t editing) {
    kv::markup::CMarkDocument& doc = m_model.Doc();
    const Mark* m = editing ? doc.Find(editing) : nullptr;
    m_typing = true;
    m_textAt = at;
    m_textMark = m ? editing : 0;
    m_text = m ? m->text : std::wstring();
    Select(0);
    doc.BeginGesture();
    ::ImmAssociateContextEx(m_canvas.GetSafeHwnd(), nullptr, IACE_DEFAULT);
    PlaceImeWindow();
    RefreshOverlay();
}

void CMarkupEditor::EndText() {
    if (!m_typing) return;
    kv::markup::CMarkDocument& doc = m_model.Doc();
    m_typing = false;
    if (m_textMark && m_text.empty()) doc.Delete(m_textMark);
    doc.EndGesture();
    m_textMark = 0;
    m_text.clear();
    ::ImmAssociateContext(m_canvas.GetSafeHwnd(), nullptr);
    Recompose();
    UpdateUi();
}

void CMarkupEditor::OnCanvasChar(wchar_t c) {
    if (!m_typing) return;
    if (c == L'\b') {
        if (m_text.empty()) return;
        const bool pair = m_text.size() >= 2 && m_text.back() >= 0xDC00 && m_text.back() < 0xE000 &&
                          m_text[m_text.size() - 2] >= 0xD800 && m_text[m_text.size() - 2] < 0xDC00;
        m_text.resize(m_text.size() - (pair ? 2 : 1));
    } else if (c == L'\r' || c == L'\n') {
        m_text += L'\n';
    } else if (c < 0x20 || c == 0x7F) {
        return;  // Esc, Tab and the control characters of Ctrl combinations
    } else {
        m_text += c;
    }
    kv::markup::CMarkDocument& doc = m_model.Doc();
    if (!m_textMark) {
        if (m_text.empty()) return;
        Mark m = NewMark(MarkKind::Text);
        m.box = kv::Rect{m_textAt.x, m_textAt.y, m_textAt.x + 1, m_textAt.y + 1};
        m.text = m_text;
        m_textMark = doc.Add(std::move(m));
    } else if (const Mark* now = doc.Find(m_textMark)) {
        Mark m = *now;
        m.text = m_text;
        doc.Replace(m_textMark, std::move(m));
    }
    Recompose();
    PlaceImeWindow();
}

// The IME's composition shows at the caret in the text's font at the zoom.
void CMarkupEditor::PlaceImeWindow() {
    if (!m_typing) return;
    HWND h = m_canvas.GetSafeHwnd();
    HIMC imc = ::ImmGetContext(h);
    if (!imc) return;
    POINT top{}, bottom{};
    TextCaret(top, bottom);
    COMPOSITIONFORM cf{};
    cf.dwStyle = CFS_POINT;
    cf.ptCurrentPos = top;
    ::ImmSetCompositionWindow(imc, &cf);
    CANDIDATEFORM cand{};
    cand.dwIndex = 0;
    cand.dwStyle = CFS_CANDIDATEPOS;
    cand.ptCurrentPos = bottom;
    ::ImmSetCandidateWindow(imc, &cand);
    LOGFONTW lf{};
    lf.lfHeight = -std::max(1, int(std::lround(m_style.fontSize * m_zoom)));
    lf.lfCharSet = DEFAULT_CHARSET;
    m_style.fontFace.copy(lf.lfFaceName, LF_FACESIZE - 1);
    ::ImmSetCompositionFontW(imc, &lf);
    ::ImmReleaseContext(h, imc);
}

bool CMarkupEditor::CanvasCursor() {
    const wchar_t* shape = IDC_CROSS;
    if (m_tool == EditorTool::Text) shape = IDC_IBEAM;
    if (m_tool == EditorTool::Select) {
        shape = IDC_ARROW;
        POINT c;
        ::GetCursorPos(&c);
        ::ScreenToClient(m_canvas.GetSafeHwnd(), &c);
        const Point p = ToPicture(c);
        const int32_t tolerance = std::max(3, int32_t(std::lround((m_dpi * 4 / 96) / m_zoom)));
        const kv::markup::CMarkDocument& doc = m_model.Doc();
        Handle h = Handle::None;
        if (const Mark* m = m_selected ? doc.Find(m_selected) : nullptr) h = kv::markup::HitHandle(*m, p, tolerance);
        switch (h) {
        case Handle::TopLeft:
        case Handle::BottomRight: shape = IDC_SIZENWSE; break;
        case Handle::TopRight:
        case Handle::BottomLeft: shape = IDC_SIZENESW; break;
        case Handle::Top:
        case Handle::Bottom: shape = IDC_SIZENS; break;
        case Handle::Left:
        case Handle::Right: shape = IDC_SIZEWE; break;
        default:
            if (h == Handle::Body || doc.HitTest(p, tolerance)) shape = IDC_SIZEALL;
            break;
        }
    }
    ::SetCursor(::LoadCursorW(nullptr, shape));
    return true;
}
