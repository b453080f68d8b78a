#pragma once
// Vector row kernels for the blended processors (rotation, shear, enlargement), chosen at run
// time: AVX-512 rows of eight pixels where the processor has them, AVX2 rows of four, and the
// scalar code. Each row kernel handles the first multiple of its width of its span and returns
// how many it did; the caller finishes the span with the narrower kernels and the scalar code.
// The double operations are the scalar ones, lane for lane and in the same order, so every path
// gives the same bytes.
#include "Export.h"
#include "imaging/PixelTypes.h"

namespace kv::detail {

bool HaveAvx2();
bool HaveAvx512();  // F, BW, VL and DQ, with the system saving their registers

//! Tests run every kernel on every path: this caps the instruction sets the kernels may use.
enum class KernelSet { Best, Avx2, Scalar };
KV_API void LimitKernels(KernelSet limit);

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
int RotateRowAvx2(const RotateRow& r, RGBX* dst, int count);
int RotateRowAvx512(const RotateRow& r, RGBX* dst, int count);

// A span of a sheared row whose every pixel samples the source, from column x0.
struct ShearRow {
    const RGBX* src;
    int sw, sh;
    const double* colOy;  // from column x0
    double ox;
    int x0, y;
    bool interpolate;
};
int ShearRowAvx2(const ShearRow& r, RGBX* dst, int count);
int ShearRowAvx512(const ShearRow& r, RGBX* dst, int count);

// Enlargement with its horizontal half hoisted. The blend of a destination pixel is
// ((H + p00·(1−dy)) + p01·dy) / 2 with H = p00·(1−dx) + p10·dx, and H depends on the source row
// and the column only, so it is made once per source row and serves every destination row
// between that source row and the next. Rows of doubles are kept in planes of one kernel's
// width L (four or eight pixels): blue ×L, green ×L, red ×L, 3L doubles per group of L columns.
//
// L destination columns read source columns col0[x] and col1[x] within 2L pixels of the first
// col0 (an enlargement's steps are below one pixel); a group records that start and the 2L
// offsets, so one load and one lane permutation give p00 and p10 of all L.
struct EnlargeGroup {
    int base;        // col0 of the group's first column
    int window;      // 1 when base + 2L ≤ source width and every offset is below 2L
    int offset[16];  // col0 − base of the L columns, then col1 − base
};
void EnlargeGroups(const int* col0, const int* col1, int sw, int lanes, int groups, EnlargeGroup* out);

struct EnlargeKernels {
    int lanes;
    //! A source row's planes of p00 and its H, from one pass over its pixels.
    void (*sourceRow)(const RGBX* row, const EnlargeGroup* groups, int count, const double* colD, const double* colOmd,
                      double* planes, double* h);
    //! A destination row of `count` groups.
    void (*row)(const double* h, const double* top, const double* bottom, double dy, double omdy, int count,
                RGBX* dst);
};
//! The widest kernels the processor has, or null: then the scalar code.
const EnlargeKernels* VectorEnlargeKernels();
extern const EnlargeKernels kEnlargeAvx2;
extern const EnlargeKernels kEnlargeAvx512;

// out[x] = row[cols[x]] for the whole row, eight (sixteen) at a time where eight (sixteen)
// columns lie within as many source pixels, as an enlargement's columns always do: one load and
// one lane permutation.
void ExpandRowAvx2(const RGBX* row, int sw, const int* cols, RGBX* out, int dw);
void ExpandRowAvx512(const RGBX* row, int sw, const int* cols, RGBX* out, int dw);

// An enlargement whose positions are whole 128ths: (p00·(256 − X − Y) + p10·X + p01·Y) >> 8 per
// channel in 16-bit lanes, from the row's expansions; wx holds X four times per column. Sixteen
// destination pixels a step; returns how many it did.
int DyadicRowAvx512(const RGBX* e00, const RGBX* e10, const RGBX* e01, const uint16_t* wx, int my, RGBX* d, int dw);

}  // namespace kv::detail
