// Each processor's ProcessPixels and whole chains through CImageBitmap, on 1920×1080 and
// 3840×2160 images, as ratios to a memcpy of the same frame measured in the same run.
// Usage: bench_imaging [--quick] [--only TEXT] [--out FILE]
// --only keeps the steps whose name contains TEXT (and skips the chains): for work on one kernel.
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>

#include "BenchUtil.h"
#include "OpenCvCompare.h"
#include "imaging/Parallel.h"
#include "imaging/BitmapOps.h"
#include "imaging/ImageBitmap.h"
#include "imaging/kernels/RowKernels.h"

namespace {

struct Proc {
    const char* name;
    std::function<std::unique_ptr<CImage32BitProcessor>()> make;
};

// A screen-like picture: flat areas, gradients and noise.
std::vector<RGBX> MakeFrame(int w, int h) {
    std::vector<RGBX> px(size_t(w) * h);
    std::mt19937 rng(1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            RGBX& p = px[size_t(y) * w + x];
            if ((x / 64 + y / 48) % 3 == 0)
                p = RGBX{240, 240, 240, 0};
            else if ((x / 64 + y / 48) % 3 == 1)
                p = RGBX{uint8_t(x), uint8_t(y), uint8_t(x + y), 0};
            else {
                const uint32_t v = rng();
                p = RGBX{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), 0};
            }
        }
    return px;
}

class Bitmap : public CImageBitmap {
public:
    void Set(const std::vector<RGBX>& px, CSize size) {
        DeleteObject();
        HBITMAP h = kv::bitmap::CreateScreenCompatible(size);
        kv::bitmap::WritePixels(h, px.data(), size);
        Attach(h);
    }
};

}  // namespace

int main(int argc, char** argv) {
    bool quick = false;
    const char* out = nullptr;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--quick") quick = true;
        if (std::string(argv[i]) == "--out" && i + 1 < argc) out = argv[++i];
        if (std::string(argv[i]) == "--only" && i + 1 < argc) only = argv[++i];
    }
    const int runs = quick ? 3 : 7;
    const int cores = kv::ImagingThreads();
    const Proc procs[] = {
        {"grey", [] { return std::make_unique<CImageGrayer>(); }},
        {"invert", [] { return std::make_unique<CImageNegator>(); }},
        {"replace colour", [] { return std::make_unique<CImageColorReplacer>(0, 255); }},
        {"flip horizontal", [] { return std::make_unique<CImageFlipper>(1, 0); }},
        {"flip vertical", [] { return std::make_unique<CImageFlipper>(0, 1); }},
        {"rotate 45° blended", [] { return std::make_unique<CImageRotator>(45, 1); }},
        {"rotate 45° nearest", [] { return std::make_unique<CImageRotator>(45, 0); }},
        {"shear 50/50 blended", [] { return std::make_unique<CImageShearer>(50, 50, 1); }},
        {"enlarge 2×", [] { return std::make_unique<CImageResizer>(2.0); }},
        {"enlarge 1.5× (positions not in 128ths)", [] { return std::make_unique<CImageResizer>(1.5); }},
        {"shrink 0.5", [] { return std::make_unique<CImageResizer>(0.5); }},
        {"blur 5", [] { return std::make_unique<CImageBlurrer>(5); }},
        {"sharpen 5", [] { return std::make_unique<CImageSharpener>(5); }},
    };
    kvbench::Table table;
    const std::string kernelSet = kv::KernelSetName();
    const bool avx512 = kernelSet == "avx512";
    table.text += "\nKernel set: " + kernelSet + " (the widest this processor has, unless KV_KERNELS names another)." +
                  (avx512 ? " The steps with AVX-512 rows are measured again on AVX2 rows alone after each size's table, as "
                            "on processors without AVX-512.\n"
                          : "\n");
    const CSize sizes[] = {{1920, 1080}, {3840, 2160}};
    for (CSize size : sizes) {
        const std::vector<RGBX> frame = MakeFrame(size.cx, size.cy);
        const size_t bytes = frame.size() * sizeof(RGBX);
        // The reference is the median memcpy, as every step's figure is its median.
        std::vector<unsigned char> a(bytes, 1), b(bytes, 2);
        const std::vector<double> copies = kvbench::SortedSeconds(runs * 3, [&] {
            std::memcpy(b.data(), a.data(), bytes);
            asm volatile("" : : "r"(b.data()) : "memory");
        });
        const double ref = kvbench::Median(copies);
        char title[64];
        std::snprintf(title, sizeof title, "%d×%d", size.cx, size.cy);
        table.SpreadHeader(title, cores);
        table.SpreadRow("memcpy (reference)", copies, copies, ref);
        std::vector<RGBX> src = frame;
        kvbench::StepTimes karvo;
        kvbench::Table narrower;  // the steps with AVX-512 rows, on AVX2 rows
        narrower.SpreadHeader(std::string(title) + ", AVX2 rows only", cores);
        for (const Proc& p : procs) {
            if (!only.empty() && std::string(p.name).find(only) == std::string::npos) continue;
            auto proc = p.make();
            const CSize ds = proc->CalcDestSize(size);
            std::vector<RGBX> dst(size_t(ds.cx) * ds.cy);
            CImageBitmap::Fill(dst.data(), ds, 0xFFFFFF);
            auto run = [&] { proc->ProcessPixels(src.data(), size, dst.data(), ds); };
            kv::SetImagingThreads(1);
            const std::vector<double> one = kvbench::SortedSeconds(runs, run);
            kv::SetImagingThreads(0);
            const std::vector<double> all = kvbench::SortedSeconds(runs, run);
            table.SpreadRow(p.name, one, all, ref);
            karvo[p.name] = {kvbench::Median(one), kvbench::Median(all)};
            const std::string name = p.name;
            if (avx512 && (name.find("rotate") == 0 || name.find("shear") == 0 || name.find("enlarge") == 0)) {
                kv::detail::UseKernelsForTests(&kv::detail::kAvx2Kernels);
                kv::SetImagingThreads(1);
                const std::vector<double> one2 = kvbench::SortedSeconds(runs, run);
                kv::SetImagingThreads(0);
                const std::vector<double> all2 = kvbench::SortedSeconds(runs, run);
                kv::detail::UseKernelsForTests(nullptr);
                narrower.SpreadRow(p.name, one2, all2, ref);
            }
        }
        if (avx512) table.text += narrower.text;
        if (!only.empty()) continue;
        // Whole chains as a refresh runs them: the processed image rebuilt from the raw one into
        // the same object (the engine's RefreshImageData). The first run is what the first
        // refresh after a capture of a new size pays (new bitmaps and buffers, their pages
        // touched for the first time); the median is every refresh after it.
        table.text += "\n| " + std::string(title) +
                      ", whole chains as a refresh runs them, all cores | median ms | × memcpy | first run ms | × memcpy |\n"
                      "|---|---:|---:|---:|---:|\n";
        CImageGrayer grey;
        CImageNegator neg;
        CImageFlipper flip(1, 1);
        CImageRotator rot(45, 1);
        CImageResizer half(0.5);
        CImageShearer shear(50, 50, 1);
        CImageBlurrer blur(5);
        CImageSharpener sharp(5);
        struct Chain {
            const char* name;
            CProcessorChain chain;
        };
        const Chain chains[] = {
            {"chain: grey", {&grey}},
            {"chain: all nine steps, default factors", {&grey, &neg, &flip, &rot, &half, &shear, &blur, &sharp}},
        };
        Bitmap raw;
        raw.Set(frame, size);
        for (const Chain& c : chains) {
            Bitmap processed;
            CProcessorChain chain = c.chain;
            auto refresh = [&] { processed.ProcessImageFrom(raw, chain); };
            const double first = kvbench::SortedSeconds(1, refresh).front();
            const double median = kvbench::Median(kvbench::SortedSeconds(runs, refresh));
            char buf[256];
            std::snprintf(buf, sizeof buf, "| %s | %.2f | %.2f | %.2f | %.2f |\n", c.name, median * 1e3, median / ref,
                          first * 1e3, first / ref);
            table.text += buf;
            std::fputs(buf, stdout);
        }
        // The nine steps one by one on the input the chain gives each, with the fill of its output:
        // where the chain's time goes.
        {
            const CProcessorChain chain = chains[1].chain;
            const char* names[] = {"grey", "negate", "flip both", "rotate 45° blended", "scale 0.5", "shear 50/50", "blur 5", "sharpen 5"};
            table.text += "\n| " + std::string(title) + ", the nine steps one by one, all cores | fill ms | step ms | step × memcpy |\n|---|---:|---:|---:|\n";
            std::vector<RGBX> in = frame;
            CSize at = size;
            for (size_t i = 0; i < chain.size(); ++i) {
                const CSize next = chain[i]->CalcDestSize(at);
                std::vector<RGBX> outPx(size_t(next.cx) * next.cy);
                const double fill = kvbench::Median(kvbench::SortedSeconds(runs, [&] { CImageBitmap::Fill(outPx.data(), next, 0xFFFFFF); }));
                const double step = kvbench::Median(kvbench::SortedSeconds(runs, [&] { chain[i]->ProcessPixels(in.data(), at, outPx.data(), next); }));
                char buf[256];
                std::snprintf(buf, sizeof buf, "| %s | %.2f | %.2f | %.2f |\n", names[i], fill * 1e3, step * 1e3, step / ref);
                table.text += buf;
                std::fputs(buf, stdout);
                in.swap(outPx);
                at = next;
            }
        }
#if KV_HAVE_OPENCV
        table.text += kvbench::CompareWithOpenCv(title, frame, size, karvo, runs, cores);
#endif
    }
    if (out) {
        if (FILE* f = std::fopen(out, "w")) {
            std::fputs(table.text.c_str(), f);
            std::fclose(f);
        }
    }
    return 0;
}
