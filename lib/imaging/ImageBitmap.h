#pragma once
// CImageBitmap: a platform bitmap that processors run over as a packed 32-bit top-down array.
// The object owns its bitmap; every operation that replaces it does so only once the new bitmap
// is complete, and a failed call leaves the object as it was.
#include <string>

#include "Export.h"
#include "imaging/BitmapOps.h"
#include "imaging/PixelTypes.h"
#include "imaging/Processor.h"

#if defined(_WIN32)
struct IPicture;
#endif

class KV_API CImageBitmap {
public:
    explicit CImageBitmap(DWORD background = 0xFFFFFF);
    virtual ~CImageBitmap();
    CImageBitmap(const CImageBitmap&) = delete;
    CImageBitmap& operator=(const CImageBitmap&) = delete;

    //! The owned bitmap (borrowed by the caller), or null.
    HBITMAP GetSafeHandle() const { return m_hObject; }
    operator HBITMAP() const { return m_hObject; }
    //! Takes ownership of h; fails when the object already holds a bitmap.
    int Attach(HBITMAP h);
    //! Gives up ownership and returns the bitmap.
    HBITMAP Detach();
    //! Deletes the owned bitmap; 0 when there was none.
    int DeleteObject();
    COLORREF GetBackground() const { return m_clrBackground; }

    //! Replaces this bitmap by a deep copy of the source (which stays the caller's). 0 on failure.
    int CopyImage(HBITMAP hSource);
    int CopyImage(const CImageBitmap* pSource);

    //! Runs the chain over the image; 1 on success (an empty chain changes nothing), 0 on failure
    //! with the bitmap unchanged (also when the sizes cannot be allocated).
    int ProcessImage(CProcessorChain& chain);
    int ProcessImage(CImage32BitProcessor* pProcessor);
    //! This bitmap := the chain run over source's image (source unchanged); the same as a copy
    //! followed by ProcessImage, without the intermediate copy. 0 on failure, bitmap unchanged.
    int ProcessImageFrom(const CImageBitmap& source, CProcessorChain& chain);

    int RotateImage(int degrees, int interpolate);
    int ShearImage(int horizontal, int vertical, int interpolate);
    int ResizeImage(double factor);
    int FlipImage(int horizontal, int vertical);
    int GrayImage();
    int NegateImage();
    int BlurImage(int factor);
    int SharpenImage(int factor);
    int ReplaceColor(DWORD from, DWORD to);

    //! Fills size.cx × size.cy pixels with the colour (0 and white as byte fills); 0 for null.
    static int Fill(RGBX* pBuffer, CSize size, DWORD colour);

#if defined(_WIN32)
    // Loading from files and resources. A matte colour of 0xFFFFFFFF means none (the object
    // methods use the object's background colour instead). A picture of more than
    // kv::kMaxPicturePixels (imaging/PictureSize.h) is refused from its header: null.
    //! A new bitmap from a .bmp (bitmap loader) or .ico/.jpg/.jpeg/.gif (picture decoder) file.
    static HBITMAP LoadImageFile(const std::wstring& path, DWORD matte);
    //! A new bitmap from an image file stored as a resource of any type.
    static HBITMAP LoadImageResource(UINT id, const wchar_t* type, HMODULE module, DWORD matte);
    //! A picture decoded from bytes (the caller releases it), or null.
    static IPicture* LoadFromBuffer(const BYTE* bytes, int length);
    //! With a null buffer: the size into length. Else copies when length is large enough.
    static int GetResource(const wchar_t* name, const wchar_t* type, HMODULE module, void* buffer, int& length);
    int LoadImageW(UINT id, const wchar_t* type, HMODULE module, DWORD matte = 0xFFFFFFFF);
    int LoadImageW(const std::wstring& path, DWORD matte = 0xFFFFFFFF);
#endif
    //! 0 bmp, 1 ico, 2 jpg/jpeg, 3 gif, 4 anything else (markers after the first character).
    static int GetFileType(const std::wstring& path);

protected:
#if defined(_WIN32)
    static HBITMAP ExtractBitmap(IPicture* picture, DWORD matte);
#endif

public:

protected:
    //! The pixels as a new array (delete[] by the caller), top row first; null on failure.
    RGBX* GetDIBits32();
#if defined(_WIN32)
    //! Describes hBitmap (this object's when null) as 32-bit top-down; its height, or 0.
    long PrepareBitmapInfo32(BITMAPINFO& info, HBITMAP hBitmap);
#endif

private:
    int RunChain(HBITMAP input, CProcessorChain& chain);
    void KeepSpare(kv::bitmap::UniqueDib dib);
    //! This bitmap's own pixels when it is one of ours and has the given size, else null.
    RGBX* ReusablePixels(CSize size) const;
    HBITMAP m_hObject = nullptr;
    //! The bitmap the last chain replaced, kept for the next chain's result (see RunChain).
    kv::bitmap::UniqueDib m_spare;
    COLORREF m_clrBackground;
};
