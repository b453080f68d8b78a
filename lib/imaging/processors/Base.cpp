// The processor base: identity size, plain copy, and the shared blend.
#include "imaging/Processor.h"
#include "imaging/processors/Kernels.h"

using namespace kv::detail;

CImage32BitProcessor::~CImage32BitProcessor() = default;

CSize CImage32BitProcessor::CalcDestSize(CSize sizeSrc) { return sizeSrc; }

int CImage32BitProcessor::ProcessPixels(RGBX* pSrc, CSize, RGBX* pDst, CSize sizeDst) {
    if (sizeDst.cx > 0 && sizeDst.cy > 0) CopyPixels(pDst, pSrc, int64_t(sizeDst.cx) * sizeDst.cy);
    return 1;
}

RGBX CImage32BitProcessor::CalcWeightedColor(RGBX* pPixels, CSize size, double x, double y) {
    return BlendAt(pPixels, size.cx, size.cy, x, y);
}
