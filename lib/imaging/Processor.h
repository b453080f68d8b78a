#pragma once
// The processor interface and the nine image operations. Each processor maps a packed source
// array to a packed destination that the caller sized by CalcDestSize and filled with the
// background colour; virtual dispatch happens once per image, the kernels loop inside.
#include <vector>

#include "Export.h"
#include "imaging/PixelTypes.h"

class KV_API CImage32BitProcessor {
public:
    explicit CImage32BitProcessor(int interpolate = 0) : m_bInterpolate(interpolate) {}
    virtual ~CImage32BitProcessor();
    //! Size of the image this processor makes from one of the given size (base: unchanged).
    virtual CSize CalcDestSize(CSize sizeSrc);
    //! Writes the result into pDst (sized by CalcDestSize, pre-filled); non-zero on success.
    //! Base: copies sizeDst.cx × sizeDst.cy pixels unchanged.
    virtual int ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst);
    //! The two-neighbour blend at a fractional source position (see the blend kernel).
    RGBX CalcWeightedColor(RGBX* pPixels, CSize size, double x, double y);

protected:
    int m_bInterpolate;
};

// An ordered chain of borrowed processors; one processor may appear any number of times.
using CProcessorChain = std::vector<CImage32BitProcessor*>;

class KV_API CImageRotator : public CImage32BitProcessor {
public:
    CImageRotator(int degrees, int interpolate);
    explicit CImageRotator(double radians);
    CSize CalcDestSize(CSize sizeSrc) override;
    int ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) override;
    double GetAngle() const { return m_dAngle; }

protected:
    double m_dAngle;
};

class KV_API CImageShearer : public CImage32BitProcessor {
public:
    CImageShearer(int horizontal, int vertical, int interpolate);
    CSize CalcDestSize(CSize sizeSrc) override;
    int ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) override;

protected:
    int m_nHorz;
    int m_nVert;
};

class KV_API CImageResizer : public CImage32BitProcessor {
public:
    explicit CImageResizer(double factor);
    CSize CalcDestSize(CSize sizeSrc) override;
    int ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) override;

protected:
    int Enlarge(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst);
    int Shrink(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst);
    double m_dFactor;
};

class KV_API CImageFlipper : public CImage32BitProcessor {
public:
    CImageFlipper(int horizontal, int vertical) : m_bHorz(horizontal), m_bVert(vertical) {}
    int ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) override;

protected:
    int m_bHorz;
    int m_bVert;
};

class KV_API CImageGrayer : public CImage32BitProcessor {
public:
    CImageGrayer() = default;
    int ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) override;
};

class KV_API CImageNegator : public CImage32BitProcessor {
public:
    CImageNegator() = default;
    int ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) override;
};

class KV_API CImageColorReplacer : public CImage32BitProcessor {
public:
    CImageColorReplacer(COLORREF from, COLORREF to) : m_clrFrom(from), m_clrTo(to) {}
    int ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) override;

protected:
    COLORREF m_clrFrom;
    COLORREF m_clrTo;
};

class KV_API CImageBlurrer : public CImage32BitProcessor {
public:
    explicit CImageBlurrer(int factor = 5);
    int ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) override;

protected:
    int m_nFactor;
};

class KV_API CImageSharpener : public CImage32BitProcessor {
public:
    explicit CImageSharpener(int factor = 5);
    int ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) override;

protected:
    int m_nFactor;
};
