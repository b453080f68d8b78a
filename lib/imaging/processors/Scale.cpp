// Scaling by a factor: the entry point, which picks the enlargement (Enlarge.cpp) or the
// shrink (Shrink.cpp); a factor of 1 is a copy.
#include "imaging/Processor.h"

CImageResizer::CImageResizer(double factor) : CImage32BitProcessor(0), m_dFactor(factor) {}

CSize CImageResizer::CalcDestSize(CSize sizeSrc) {
    return CSize(kv::SaturatingTrunc(sizeSrc.cx * m_dFactor), kv::SaturatingTrunc(sizeSrc.cy * m_dFactor));
}

int CImageResizer::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    if (!(m_dFactor > 0)) return 0;  // also NaN
    if (m_dFactor == 1) return CImage32BitProcessor::ProcessPixels(pSrc, sizeSrc, pDst, sizeDst);
    if (m_dFactor > 1) return Enlarge(pSrc, sizeSrc, pDst, sizeDst) ? 1 : 0;
    return Shrink(pSrc, sizeSrc, pDst, sizeDst) ? 1 : 0;
}

