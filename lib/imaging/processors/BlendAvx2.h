#pragma once
// AVX2 row kernels for the blended processors (rotation, shear, enlargement), chosen at run
// time. Each handles the first multiple-of-four pixels of its span and returns how many it did;
// the caller finishes the span with the scalar code. The double operations are the scalar
// ones, lane for lane and in the same order, so both paths give the same bytes.
#include "Export.h"
#include "imaging/PixelTypes.h"

namespace kv::detail {

bool HaveAvx2();
//! Tests run every kernel both ways; this turns the vector rows off (or back on).
KV_API void ForceScalarKernels(bool scalar);

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

// An enlarged row from the row's expansions: per destination column the source pixels p00, p10
// (row iy) and p01 (row iy + 1) the blend reads, and the column's dx and 1 − dx.
struct EnlargeRow {
    const RGBX* e00;
    const RGBX* e10;
    const RGBX* e01;
    const double* colD;
    const double* colOmd;
    double dy, omdy;
};
int EnlargeRowAvx2(const EnlargeRow& r, RGBX* dst, int dw);

// out[x] = row[cols[x]] for the whole row, eight at a time where eight columns lie within eight
// source pixels (an enlargement's columns always do): one load and one lane permutation.
void ExpandRowAvx2(const RGBX* row, int sw, const int* cols, RGBX* out, int dw);

}  // namespace kv::detail
