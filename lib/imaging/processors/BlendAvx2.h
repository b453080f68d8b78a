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

// Enlargement with its horizontal half hoisted. The blend of a destination pixel is
// ((H + p00·(1−dy)) + p01·dy) / 2 with H = p00·(1−dx) + p10·dx, and H depends on the source row
// and the column only, so it is made once per source row and serves every destination row
// between that source row and the next. Rows of doubles are kept in planes of four pixels:
// blue ×4, green ×4, red ×4, twelve doubles per four destination columns.
//
// Four destination columns read source columns col0[x] and col1[x] within eight pixels of the
// first col0 (an enlargement's steps are below one pixel); a group records that start and the
// eight offsets, so one load and one lane permutation give p00 and p10 of all four.
struct EnlargeGroup {
    int base;       // col0 of the group's first column
    int window;     // 1 when base + 8 ≤ source width and every offset is 0 to 7
    int offset[8];  // col0 − base of the four columns, then col1 − base
};
void EnlargeGroups(const int* col0, const int* col1, int sw, int groups, EnlargeGroup* out);
//! The planes of p00 of a source row.
void RowPlanesAvx2(const RGBX* row, const EnlargeGroup* groups, int count, double* planes);
//! H of a source row from its planes and its p10.
void HorizontalPlanesAvx2(const RGBX* row, const EnlargeGroup* groups, int count, const double* planes,
                          const double* colD, const double* colOmd, double* h);
void EnlargePlanesRowAvx2(const double* h, const double* top, const double* bottom, double dy, double omdy, int groups,
                          RGBX* dst);

// out[x] = row[cols[x]] for the whole row, eight at a time where eight columns lie within eight
// source pixels (an enlargement's columns always do): one load and one lane permutation.
void ExpandRowAvx2(const RGBX* row, int sw, const int* cols, RGBX* out, int dw);

}  // namespace kv::detail
