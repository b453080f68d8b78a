// One drag step of the mark-up editor: a shape moved by a few pixels over a picture that already
// carries marks, then the area that changed composed again (what the editor's repaint draws), at
// 1920×1080 and 3840×2160 on one thread, as ratios to a memcpy of the frame in the same run.
// Beside it, composing the whole frame: what a repaint that did not track its area would cost.
// Usage: bench_markup [--quick] [--out FILE]
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "BenchUtil.h"
#include "markup/MarkDocument.h"

namespace {

using kv::markup::Mark;
using kv::markup::MarkKind;

std::vector<RGBX> MakeFrame(int w, int h) {
    std::vector<RGBX> px(size_t(w) * h);
    std::mt19937 rng(1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t v = (x / 64 + y / 48) % 3 == 2 ? rng() : uint32_t(x * 3 + y * 5);
            px[size_t(y) * w + x] = RGBX{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), 0};
        }
    return px;
}

Mark Box(MarkKind kind, kv::Rect box, int width) {
    Mark m;
    m.kind = kind;
    m.box = box;
    m.style.width = width;
    return m;
}

Mark Path(MarkKind kind, std::vector<kv::markup::Point> pts, int width) {
    Mark m;
    m.kind = kind;
    m.points = std::move(pts);
    m.style.width = width;
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    bool quick = false;
    const char* outPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--quick") quick = true;
        if (std::string(argv[i]) == "--out" && i + 1 < argc) outPath = argv[++i];
    }
    const int runs = quick ? 5 : 21;
    kvbench::Table table;
    kv::markup::PlainTextRasterizer text;
    for (const CSize size : {CSize(1920, 1080), CSize(3840, 2160)}) {
        const std::vector<RGBX> frame = MakeFrame(size.cx, size.cy);
        std::vector<RGBX> view(frame.size());
        const kv::markup::Surface base{const_cast<RGBX*>(frame.data()), size.cx, size.cy, ptrdiff_t(size.cx) * 4};
        const kv::markup::Surface out{view.data(), size.cx, size.cy, ptrdiff_t(size.cx) * 4};
        const double ref = kvbench::Median(kvbench::SortedSeconds(runs, [&] {
            std::memcpy(view.data(), frame.data(), view.size() * sizeof(RGBX));
            asm volatile("" : : "r"(view.data()) : "memory");
        }));
        // The scene: a dozen marks of every kind spread over the picture, as a marked-up capture has.
        kv::markup::CMarkDocument doc(size, &text);
        const int sx = size.cx / 16, sy = size.cy / 9;
        doc.Add(Box(MarkKind::Redact, kv::Rect{sx, sy, 3 * sx, 2 * sy}, 1));
        doc.Add(Box(MarkKind::Pixelate, kv::Rect{12 * sx, sy, 14 * sx, 3 * sy}, 12));
        doc.Add(Box(MarkKind::Ellipse, kv::Rect{2 * sx, 6 * sy, 5 * sx, 8 * sy}, 4));
        doc.Add(Path(MarkKind::Pen, {{sx, 4 * sy}, {2 * sx, 5 * sy}, {4 * sx, 4 * sy}, {6 * sx, 5 * sy}}, 3));
        doc.Add(Path(MarkKind::Highlighter, {{8 * sx, 7 * sy}, {14 * sx, 7 * sy}}, 18));
        for (int k = 0; k < 4; ++k) doc.Add(Box(MarkKind::Step, kv::Rect{(4 + 3 * k) * sx, 8 * sy, (4 + 3 * k) * sx + 30, 8 * sy + 30}, 2));
        Mark t = Box(MarkKind::Text, kv::Rect{9 * sx, 2 * sy, 9 * sx + 10, 2 * sy + 10}, 1);
        t.text = L"Step 1: 2026";
        t.style.fontSize = 28;
        doc.Add(t);
        doc.Compose(base, out, out.Area());

        char title[64];
        std::snprintf(title, sizeof title, "%d×%d, one thread", size.cx, size.cy);
        table.Header(std::string(title) + ": one drag step (move 5 px, compose the changed area)");
        table.Row("memcpy of the frame (reference)", ref, ref);
        struct Dragged {
            const char* name;
            Mark mark;
        };
        const Dragged dragged[] = {
            {"rectangle 600×400, 3 px", Box(MarkKind::Rectangle, kv::Rect{5 * sx, 3 * sy, 5 * sx + 600, 3 * sy + 400}, 3)},
            {"arrow 800 px long, 4 px", Path(MarkKind::Arrow, {{4 * sx, 3 * sy}, {4 * sx + 700, 3 * sy + 380}}, 4)},
            {"filled ellipse 500×300", [&] {
                 Mark m = Box(MarkKind::Ellipse, kv::Rect{6 * sx, 4 * sy, 6 * sx + 500, 4 * sy + 300}, 3);
                 m.style.filled = true;
                 return m;
             }()},
            {"pixelate 400×300 over other marks", Box(MarkKind::Pixelate, kv::Rect{11 * sx, 2 * sy, 11 * sx + 400, 2 * sy + 300}, 10)},
            {"text, two lines of 32 px with an outline", [&] {
                 Mark m = Box(MarkKind::Text, kv::Rect{3 * sx, 5 * sy, 3 * sx + 10, 5 * sy + 10}, 1);
                 m.text = L"Click here\nthen 2026";
                 m.style.fontSize = 32;
                 m.style.outline = true;
                 return m;
             }()},
        };
        for (const Dragged& d : dragged) {
            const uint32_t id = doc.Add(d.mark);
            doc.Compose(base, out, out.Area());
            doc.TakeDirty();
            int step = 0;
            int64_t area = 0;
            const std::vector<double> times = kvbench::SortedSeconds(runs, [&] {
                // Back and forth, so every run moves the same distance over the same pixels.
                const int dx = step++ % 2 ? -5 : 5;
                doc.Replace(id, kv::markup::Moved(*doc.Find(id), dx, 3 * (dx > 0 ? 1 : -1)));
                const kv::Rect dirty = doc.TakeDirty();
                area = int64_t(dirty.Width()) * dirty.Height();
                doc.Compose(base, out, dirty);
                asm volatile("" : : "r"(view.data()) : "memory");
            });
            char name[160];
            std::snprintf(name, sizeof name, "%s (%.1f%% of the frame)", d.name, 100.0 * double(area) / (double(size.cx) * size.cy));
            table.Row(name, kvbench::Median(times), ref);
            doc.Delete(id);
        }
        const std::vector<double> whole = kvbench::SortedSeconds(quick ? 3 : 7, [&] {
            doc.Compose(base, out, out.Area());
            asm volatile("" : : "r"(view.data()) : "memory");
        });
        table.Row("whole frame composed with the scene's marks (no area tracking)", kvbench::Median(whole), ref);
    }
    if (outPath) {
        if (FILE* f = std::fopen(outPath, "w")) {
            std::fputs(table.text.c_str(), f);
            std::fclose(f);
        }
    }
    return 0;
}
