#pragma once
// AVX2 row kernels for the blended processors (rotation, shear, enlargement), chosen at run
// time. Each handles the first multiple-of-four pixels of a row and returns how many it did;
// the caller finishes the row with the scalar code. The double operations are the scalar
// ones, lane for lane and in the same order, so both paths give the same bytes.
#include "Export.h"
#include "imaging/PixelTypes.h"

namespace kv::detail {

bool HaveAvx2();
//! Tests run every kernel both ways; this turns the vector rows off (or back on).
KV_API void ForceScalarKernels(bool scalar);

struct RotateRow {
    const RGBX* src;
    int sw, sh;
    const double* colU;
    const double* colV;
    double rowU, rowV;
    int uLo, uHi, vLo, vHi;  // sampled truncated offsets: [lo, hi)
    int hsW, hsH;
    bool interpolate;
};
int RotateRowAvx2(const RotateRow& r, RGBX* dst, int dw);

struct ShearRow {
    const RGBX* src;
    int sw, sh;
    const double* colOy;
    double ox;
    int y;
    bool interpolate;
};
int ShearRowAvx2(const ShearRow& r, RGBX* dst, int dw);

struct EnlargeRow {
    const RGBX* row0;  // source row iy
    const RGBX* row1;  // source row min(iy + 1, sh − 1)
    const int* col0;   // per destination column: ix, min(ix + 1, sw − 1), dx, 1 − dx
    const int* col1;
    const double* colD;
    const double* colOmd;
    double dy, omdy;
};
int EnlargeRowAvx2(const EnlargeRow& r, RGBX* dst, int dw);

}  // namespace kv::detail
