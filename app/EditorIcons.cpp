// The toolbar's pictures, drawn at run time at the size the screen's DPI asks for: GDI+ with
// anti-aliasing into a 32-bit premultiplied DIB, so every size is sharp (no scaled bitmap). The
// shapes are laid out on a 16-unit grid and scaled.
#include <cmath>
#include <vector>

#include "EditorWindow.h"
#include "framework/GdiPlus.h"
#include "framework/Handles.h"

namespace {

using Gdiplus::Color;
using Gdiplus::PointF;
using Gdiplus::RectF;

const Color kInk(255, 48, 48, 48);
const Color kBlue(255, 30, 111, 217);
const Color kWhite(255, 255, 255, 255);

struct Painter {
    Gdiplus::Graphics& g;
    float u;  // pixels per grid unit
    PointF P(float x, float y) const { return PointF(x * u, y * u); }
    RectF R(float x, float y, float w, float h) const { return RectF(x * u, y * u, w * u, h * u); }
    void Round(Gdiplus::Pen& p) const {
        p.SetStartCap(Gdiplus::LineCapRound);
        p.SetEndCap(Gdiplus::LineCapRound);
        p.SetLineJoin(Gdiplus::LineJoinRound);
    }
    void Line(const Color& c, float w, float x0, float y0, float x1, float y1) const {
        Gdiplus::Pen p(c, w * u);
        Round(p);
        g.DrawLine(&p, P(x0, y0), P(x1, y1));
    }
    void Fill(const Color& c, const std::vector<PointF>& pts) const {
        Gdiplus::SolidBrush b(c);
        std::vector<PointF> s;
        for (const PointF& p : pts) s.push_back(P(p.X, p.Y));
        g.FillPolygon(&b, s.data(), int(s.size()));
    }
    void Box(const Color& c, float w, float x, float y, float bw, float bh) const {
        Gdiplus::Pen p(c, w * u);
        Round(p);
        g.DrawRectangle(&p, R(x, y, bw, bh));
    }
    void FillBox(const Color& c, float x, float y, float bw, float bh) const {
        Gdiplus::SolidBrush b(c);
        g.FillRectangle(&b, R(x, y, bw, bh));
    }
    //! An arrow head at (x1, y1) pointing away from (x0, y0).
    void Head(const Color& c, float x0, float y0, float x1, float y1, float len) const {
        const float dx = x1 - x0, dy = y1 - y0;
        const float d = std::sqrt(dx * dx + dy * dy);
        const float ux = dx / d, uy = dy / d;
        const float bx = x1 - ux * len, by = y1 - uy * len;
        Fill(c, {PointF(x1, y1), PointF(bx - uy * len * 0.55f, by + ux * len * 0.55f),
                 PointF(bx + uy * len * 0.55f, by - ux * len * 0.55f)});
    }
};

void Draw(const Painter& p, int image, COLORREF colour) {
    Gdiplus::Graphics& g = p.g;
    switch (image) {
    case 0:  // select: the pointer
        p.Fill(kInk, {PointF(4, 1.5f), PointF(4, 13), PointF(7, 10.2f), PointF(9.2f, 14.5f), PointF(11, 13.6f),
                      PointF(8.8f, 9.4f), PointF(12.6f, 9.2f)});
        break;
    case 1:  // arrow
        p.Line(kInk, 1.8f, 2.5f, 13.5f, 11, 5);
        p.Head(kInk, 2.5f, 13.5f, 14, 2, 6);
        break;
    case 2: p.Line(kInk, 1.8f, 2.5f, 13.5f, 13.5f, 2.5f); break;  // line
    case 3: p.Box(kInk, 1.6f, 2, 3.5f, 12, 9); break;                // rectangle
    case 4: {                                                         // ellipse
        Gdiplus::Pen pen(kInk, 1.6f * p.u);
        p.Round(pen);
        g.DrawEllipse(&pen, p.R(1.5f, 3, 13, 10));
        break;
    }
    case 5: {  // pen: a pencil over its stroke
        Gdiplus::Pen stroke(kBlue, 1.3f * p.u);
        p.Round(stroke);
        g.DrawBezier(&stroke, p.P(1.5f, 14), p.P(4, 10), p.P(6, 15), p.P(8, 12));
        p.Fill(kInk, {PointF(6, 10), PointF(12.5f, 3.5f), PointF(14.5f, 5.5f), PointF(8, 12), PointF(5.5f, 12.5f)});
        p.Fill(Color(255, 240, 200, 120), {PointF(6, 10), PointF(8, 12), PointF(5.5f, 12.5f)});
        break;
    }
    case 6:  // highlighter: a broad translucent stroke and the marker's tip
        p.Line(Color(170, 255, 220, 0), 4.5f, 2.5f, 11.5f, 13.5f, 11.5f);
        p.Fill(kInk, {PointF(6, 8), PointF(11, 2), PointF(14, 4.5f), PointF(9, 10.5f)});
        p.Fill(Color(255, 255, 200, 0), {PointF(6, 8), PointF(9, 10.5f), PointF(6.5f, 11)});
        break;
    case 7:  // text: a T with a caret
        p.FillBox(kInk, 2, 2.5f, 9, 2);
        p.FillBox(kInk, 5.5f, 2.5f, 2, 11);
        p.Line(kBlue, 1.1f, 13, 5, 13, 14);
        break;
    case 8: {  // step: a numbered circle
        Gdiplus::SolidBrush b(Color(255, 220, 40, 40));
        g.FillEllipse(&b, p.R(1.5f, 1.5f, 13, 13));
        p.Line(kWhite, 1.6f, 8.2f, 4.5f, 8.2f, 11.5f);
        p.Line(kWhite, 1.3f, 8.2f, 4.5f, 6.3f, 6.2f);
        break;
    }
    case 9:  // redact: lines of text with a solid bar over them
        p.Line(Color(255, 150, 150, 150), 1.2f, 1.5f, 3.5f, 14.5f, 3.5f);
        p.Line(Color(255, 150, 150, 150), 1.2f, 1.5f, 12.5f, 14.5f, 12.5f);
        p.FillBox(Color(255, 0, 0, 0), 1.5f, 5.5f, 13, 5);
        break;
    case 10:  // pixelate: blocks
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x) {
                const int v = ((x + y) % 2) ? 90 : 180;
                p.FillBox(Color(255, BYTE(v), BYTE(v + 20 > 255 ? 255 : v + 20), BYTE(v + 40 > 255 ? 255 : v + 40)),
                          2 + x * 4.0f, 2 + y * 4.0f, 4, 4);
            }
        break;
    case 11:  // crop: two corners
        p.Line(kInk, 1.6f, 4.5f, 1.5f, 4.5f, 11.5f);
        p.Line(kInk, 1.6f, 4.5f, 11.5f, 14.5f, 11.5f);
        p.Line(kInk, 1.6f, 1.5f, 4.5f, 11.5f, 4.5f);
        p.Line(kInk, 1.6f, 11.5f, 4.5f, 11.5f, 14.5f);
        break;
    case 12:  // colour: the current one
        p.FillBox(Color(255, GetRValue(colour), GetGValue(colour), GetBValue(colour)), 2, 2, 12, 12);
        p.Box(kInk, 1, 2, 2, 12, 12);
        break;
    case 13:  // width
        p.Line(kInk, 0.8f, 2, 3.5f, 14, 3.5f);
        p.Line(kInk, 1.8f, 2, 7.5f, 14, 7.5f);
        p.Line(kInk, 3.2f, 2, 12.5f, 14, 12.5f);
        break;
    case 14: {  // dashed
        Gdiplus::Pen pen(kInk, 1.8f * p.u);
        p.Round(pen);
        const Gdiplus::REAL dashes[] = {1.6f, 1.4f};
        pen.SetDashPattern(dashes, 2);
        pen.SetDashCap(Gdiplus::DashCapRound);
        g.DrawLine(&pen, p.P(2, 13.5f), p.P(14, 2.5f));
        break;
    }
    case 15:  // filled
        p.FillBox(Color(255, 120, 150, 200), 2, 3.5f, 12, 9);
        p.Box(kInk, 1.4f, 2, 3.5f, 12, 9);
        break;
    case 16:  // two heads
        p.Line(kInk, 1.6f, 4.5f, 11.5f, 11.5f, 4.5f);
        p.Head(kInk, 8, 8, 14, 2, 5.5f);
        p.Head(kInk, 8, 8, 2, 14, 5.5f);
        break;
    case 17:  // font: an A drawn with strokes, and a smaller one
        p.Line(kInk, 1.6f, 1.5f, 14, 5.5f, 2.5f);
        p.Line(kInk, 1.6f, 5.5f, 2.5f, 9.5f, 14);
        p.Line(kInk, 1.4f, 3.2f, 9.5f, 7.8f, 9.5f);
        p.Line(kBlue, 1.3f, 10.5f, 14, 12.5f, 8.5f);
        p.Line(kBlue, 1.3f, 12.5f, 8.5f, 14.5f, 14);
        break;
    case 18:  // text on a box
        p.FillBox(Color(255, 255, 255, 255), 1.5f, 2.5f, 13, 11);
        p.Box(kInk, 1.2f, 1.5f, 2.5f, 13, 11);
        p.FillBox(kInk, 4.5f, 5, 7, 1.6f);
        p.FillBox(kInk, 7.2f, 5, 1.6f, 6.5f);
        break;
    case 19:
    case 20: {  // undo, redo: a curved arrow
        const bool redo = image == 20;
        const auto X = [redo](float x) { return redo ? 16 - x : x; };
        Gdiplus::Pen pen(kInk, 1.8f * p.u);
        p.Round(pen);
        g.DrawBezier(&pen, p.P(X(4.5f), 6.5f), p.P(X(9), 3), p.P(X(16), 7), p.P(X(10), 13.5f));
        p.Fill(kInk, {PointF(X(1.5f), 6.5f), PointF(X(6.5f), 2.5f), PointF(X(7), 10)});
        break;
    }
    case 21:  // copy: two pages
        p.FillBox(kWhite, 1.5f, 1.5f, 8.5f, 10);
        p.Box(kInk, 1.2f, 1.5f, 1.5f, 8.5f, 10);
        p.FillBox(kWhite, 6, 4.5f, 8.5f, 10);
        p.Box(kInk, 1.2f, 6, 4.5f, 8.5f, 10);
        break;
    case 22:  // save: a disk
        p.FillBox(kBlue, 1.5f, 1.5f, 13, 13);
        p.FillBox(kWhite, 4, 1.5f, 8, 4.5f);
        p.FillBox(Color(255, 230, 230, 230), 3.5f, 9, 9, 5.5f);
        break;
    case 23: {  // done: a check mark
        Gdiplus::Pen pen(Color(255, 20, 150, 60), 2.6f * p.u);
        p.Round(pen);
        const PointF pts[] = {p.P(2.5f, 8.5f), p.P(6.5f, 12.5f), p.P(13.5f, 3.5f)};
        g.DrawLines(&pen, pts, 3);
        break;
    }
    default: break;
    }
}

}  // namespace

HIMAGELIST MakeEditorImages(int size, COLORREF colour) {
    HIMAGELIST list = ::ImageList_Create(size, size, ILC_COLOR32, kEditorImageCount, 0);
    if (!list) return nullptr;
    for (int i = 0; i < kEditorImageCount; ++i) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = size;
        bi.bmiHeader.biHeight = -size;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        kv::UniqueHbitmap dib(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!dib || !bits) continue;
        std::fill_n(static_cast<uint32_t*>(bits), size_t(size) * size_t(size), 0u);
        {
            Gdiplus::Bitmap canvas(size, size, size * 4, PixelFormat32bppPARGB, static_cast<BYTE*>(bits));
            Gdiplus::Graphics g(&canvas);
            g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
            g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
            Draw(Painter{g, size / 16.0f}, i, colour);
            g.Flush(Gdiplus::FlushIntentionSync);
        }
        ::ImageList_Add(list, dib.get(), nullptr);
    }
    return list;
}
