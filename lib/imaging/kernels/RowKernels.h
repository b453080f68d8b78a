#pragma once
// The row kernels by instruction set: one table of function pointers per set (the x86-64
// baseline, AVX2, AVX-512), each in a file named for its set, chosen once per process. A table
// names the next narrower one; RunWidest runs the chosen table's kernel over a row and hands
// what is left of it (the tail shorter than its width) to the narrower tables in turn, the
// baseline finishing it. Every set gives the same bytes: the double operations are the baseline
// ones, lane for lane and in the same order.
#include <cstdint>

#include "Export.h"
#include "imaging/PixelTypes.h"

namespace kv::detail {

// A span of a rotated row whose every pixel samples the source (the caller has found it): the
// column tables start at the span's first column.
struct RotateRow {
    const RGBX* src;
    int sw, sh;
    const double* colU;
    const double* colV;
    double rowU, rowV;
    int hsW, hsH;
    bool interpolate;
};

// A span of a sheared row whose every pixel samples the source, from column x0.
struct ShearRow {
    const RGBX* src;
    int sw, sh;
    const double* colOy;  // from column x0
    double ox;
    int x0, y;
    bool interpolate;
};

// Enlargement with its horizontal half hoisted. The blend of a destination pixel is
// ((H + p00·(1−dy)) + p01·dy) / 2 with H = p00·(1−dx) + p10·dx, and H depends on the source row
// and the column only, so it is made once per source row and serves every destination row
// between that source row and the next: the kernel takes those rows together, in one pass along
// the two source rows.
//
// L destination columns (a kernel's width, four or eight) read source columns col0[x] and
// col1[x] within 2L pixels of the first col0 (an enlargement's steps are below one pixel); a
// group records that start and the 2L offsets, so one load and one lane permutation give p00 and
// p10 of all L.
struct EnlargeGroup {
    int base;        // col0 of the group's first column
    int window;      // 1 when base + 2L ≤ source width and every offset is below 2L
    int offset[16];  // col0 − base of the L columns, then col1 − base
};

// A destination row of an enlargement and its vertical weights.
struct EnlargeRow {
    RGBX* dst;
    double dy, omdy;
};

struct EnlargeKernels {
    int lanes;
    //! `rowCount` destination rows whose upper source row is `upper` and lower one `lower`,
    //! `groupCount` groups of each; colD and colOmd from the first group's first column.
    void (*sharedRows)(const RGBX* upper, const RGBX* lower, const EnlargeGroup* groups, int groupCount,
                       const double* colD, const double* colOmd, const EnlargeRow* rows, int rowCount);
};

// Each row kernel does a first part of its `count` pixels (a multiple of its width; the
// baseline's do all) and returns how many it did. A null entry: the set has no kernel of its own
// for that step, and the narrower one runs.
struct RowKernels {
    const char* name;  // "scalar", "avx2", "avx512": the values of KV_KERNELS
    const RowKernels* narrower;
    int (*rotateRow)(const RotateRow& r, RGBX* dst, int count);
    //! A blended span of a rotated row whose every position x, y is at least 1 and below the
    //! source's width − 1 and height − 1: its three pixels need no clamp and no edge rule.
    int (*rotateInnerRow)(const RotateRow& r, RGBX* dst, int count);
    int (*shearRow)(const ShearRow& r, RGBX* dst, int count);
    //! out[x] = row[cols[x]]: the source pixels an enlargement's row reads, laid along it.
    int (*expandRow)(const RGBX* row, int sw, const int* cols, RGBX* out, int count);
    //! An enlargement whose positions are whole 128ths: (p00·(256 − X − Y) + p10·X + p01·Y) >> 8
    //! per channel from the row's expansions; wx holds X four times per column.
    int (*dyadicRow)(const RGBX* e00, const RGBX* e10, const RGBX* e01, const uint16_t* wx, int my, RGBX* d,
                     int count);
    //! Halving blocks of 2×2 from two source rows from column x on, `count` destination pixels
    //! (all two wide, each right after the last); the destination's reserved bytes stay.
    int (*shrinkPairs)(const RGBX* s0, const RGBX* s1, int x, int count, RGBX* d);
    //! (3·red + 6·green + blue) / 10 into all three channels, reserved byte 0.
    int64_t (*greyRun)(const RGBX* src, RGBX* dst, int64_t count);
    //! Blue, green, red of each pixel as three bytes (a 24-bit image's row).
    int (*pack24)(const RGBX* src, uint8_t* dst, int count);
    //! The enlargement's rows, or null: then the baseline's pixel by pixel blend.
    const EnlargeKernels* enlarge;
};

extern const RowKernels kScalarKernels;
extern const RowKernels kAvx2Kernels;
extern const RowKernels kAvx512Kernels;

//! The kernels in use: the widest set this processor and its system support, or the narrower
//! one KV_KERNELS names (scalar, avx2, avx512; a set the processor lacks is never chosen). Both
//! are looked at once, on the first call.
const RowKernels& Kernels();

//! Every set this processor can run, widest first: the tables the parity tests walk.
int RunnableKernels(const RowKernels* out[3]);

//! Tests: the processors use `k` until the next call (null: back to the choice above). Not
//! exported from the library; the Windows build's tests choose by KV_KERNELS.
void UseKernelsForTests(const RowKernels* k);

//! The widest kernel of the step at `member` over `count` pixels, then the narrower tables' over
//! what is left: call(kernel, done) runs one kernel from pixel `done` on and returns how many
//! pixels it did. Returns the pixels done, all of them unless the baseline has no such kernel.
template <class Fn, class Call>
int64_t RunWidest(Fn RowKernels::*member, int64_t count, Call&& call) {
    int64_t done = 0;
    for (const RowKernels* k = &Kernels(); k && done < count; k = k->narrower)
        if (const Fn fn = k->*member) done += call(fn, done);
    return done;
}

}  // namespace kv::detail

namespace kv {
//! The name of the kernel set in use ("scalar", "avx2", "avx512"), for reports and tests.
KV_API const char* KernelSetName();
}  // namespace kv
