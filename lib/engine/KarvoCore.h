#pragma once
// CKarvoCore: the capture engine the program drives. It owns the settings, the last capture
// (raw and processed), the current GDI+ image and its preview thumbnail, and a hidden child
// window (id 100) for the picking timer and messages. Every operation is synchronous and
// reports only through its result; image pointers it hands out stay its own until the next
// operation that changes the image.
#include <memory>
#include <string>
#include <vector>

#include "Export.h"
#include "KvHook.h"
#include "engine/CaptureArgs.h"
#include "engine/DlgSnapObjHelper.h"
#include "engine/OwnDrawing.h"
#include "framework/GdiPlus.h"
#include "framework/Handles.h"
#include "framework/Owners.h"
#include "framework/Window.h"
#include "imaging/ImageBitmap.h"
#include "imaging/PictureSize.h"
#include "markup/MarkDocument.h"
#include "settings/KarvoConfig.h"

namespace kv {
class ImageDocument;  // engine/ImageDocument.h, the engine's own

//! The ten image switches of the main window, in its order, as the editor's commands.
enum class ImageOperation : uint8_t { GrayScale, Negate, Scale, Rotate, FlipHorz, FlipVert, ShearDown, ShearAcross, Blur, Sharpen };
inline constexpr int kImageOperationCount = 10;
}  // namespace kv
class CDlgSnapRectHelper;

#define WM_ES_LBUTTONDOWN (WM_USER + 1001)
#define WM_ES_MOUSEMOVE (WM_USER + 1007)

class KV_API CKarvoCore : public CWnd {
public:
    CKarvoCore();
    ~CKarvoCore() override;

    //! Starts GDI+, loads the settings, creates the engine window (child of pMainWnd, id 100) and
    //! captures the screen when the settings ask for it. TRUE when the window was created.
    BOOL InitDadodav(CWnd* pMainWnd, CWnd* pPreviewWnd);
    //! Releases the images, stops GDI+, saves the settings, destroys the window.
    void CloseDadodav();
    //! Whether the settings were written by the last CloseDadodav (the program reports a failure).
    bool GetConfigSaved() const;
    //! The system error of that failed save (0 after a successful one).
    DWORD GetConfigSaveError() const;

    //! Rebuilds processed bitmap, current image and thumbnail from the last capture.
    void RefreshImageData();
    void ClearGdiplusImage();
    Gdiplus::Image* GetImage() const { return m_pImage; }
    //! Always stores the thumbnail's corner in x and y; returns the thumbnail or null.
    Gdiplus::Image* GetThubImage(int& x, int& y) const;
    std::wstring GetPathName() const { return m_strPathName; }
    void SetPathName(const std::wstring& s) { m_strPathName = s; }
    std::wstring GetFileName() const { return m_strFileName; }
    void SetFileName(const std::wstring& s) { m_strFileName = s; }

    //! The capture operations: TRUE when a new capture became the current image; FALSE when the
    //! engine was busy, the user cancelled, nothing was chosen or the grab failed.
    BOOL SnapFullScreen();
    BOOL SnapActiveWin();
    BOOL SnapCurrentWin();
    BOOL SnapWinClient();
    BOOL SnapSelectRect();
    //! The whole virtual screen (every monitor; what no monitor covers in kUncoveredColour).
    BOOL SnapAllMonitors();
    //! The monitor under the pointer (in a command-line run with monitor:N, that monitor).
    BOOL SnapPointerMonitor();
    //! The capture of a type through its row of the capture-type table; FALSE for a value no
    //! type has.
    BOOL SnapType(kv::CaptureType type);
    //! Picks an interface object with the mouse and captures it; TRUE when the picked object
    //! became the current image, FALSE when busy, ended without a capture (right click, Esc,
    //! nothing found) or the grab failed.
    BOOL SnapWinObj();
    //! The screen rectangle of the last rectangle capture again, without the selection window
    //! (pause, hiding, sound, chain and automatic copy as usual; recorded as a rectangle); with
    //! none remembered yet, the rectangle selection itself. A remembered rectangle wholly off
    //! every monitor gives FALSE with nothing changed (see LastRegionOffScreen).
    BOOL SnapLastRegion();
    //! Whether a last rectangle is remembered and no pixel of it lies on any monitor.
    bool LastRegionOffScreen() const;

    //! Makes an image file the current image (empty path: the open dialog). On failure nothing
    //! changes: image, thumbnail, names and switches stay as they were. A picture larger than
    //! kMaxImagePixels fails as TooLarge, its size in GetRefusedSize.
    BOOL OpenImage(const std::wstring& path);
    //! Writes the current image (or its thumbnail) in one step (empty path: the save dialog).
    BOOL SaveImage(const std::wstring& path, int bThubImage);
    //! The current image (or thumbnail) onto the clipboard as a bitmap.
    BOOL CopyImageData(int bThubImage);
    //! A clipboard bitmap as the new capture; one with no pixels (a side of 0) or more than
    //! kMaxImagePixels is refused. The clipboard is closed again before the picture is processed.
    BOOL PasteImageData();

    // For a capture run from the command line: the engine without settings written at the end,
    // without a capture on start, and with a fixed rectangle as a capture of its own.
    BOOL InitForCommandLine(CWnd* pMainWnd, CWnd* pPreviewWnd);
    void CloseWithoutSaving();
    BOOL SnapRegion(CRect screenRect);
    //! A capture run from the command line: the request's type (or region), with its own pause,
    //! sound and processing; the settings are neither read for those nor changed (no hiding, no
    //! automatic copy, no recorded type).
    BOOL Capture(const kv::CaptureRequest& request);
    //! The window and the screen rectangle of the last successful grab.
    HWND GetLastSnapWindow() const { return m_hLastSnapWnd; }
    CRect GetLastSnapRect() const { return m_rcLastSnap; }
    //! How long the last rectangle capture waited for the selection window to leave the screen.
    DWORD GetLastSettleTime() const { return m_dwLastSettleMs; }
    //! The current image encoded with the encoder of ext (png, jpg, ...) into bytes.
    BOOL EncodeImage(const std::wstring& ext, std::string& bytes);

    //! What the last file or clipboard operation came to, for the program's messages.
    enum class FileStatus { Ok, Cancelled, NoImage, LoadFailed, NoEncoder, WriteFailed, ClipboardBusy, NoBitmap, TooLarge };
    FileStatus GetLastFileStatus() const;
    std::wstring GetLastFilePath() const;
    //! The system error behind a WriteFailed (0 when unknown).
    DWORD GetLastFileError() const;
    //! The largest picture the engine takes in or makes: 2^26 pixels (256 MiB at 32 bits), eight
    //! 4K frames. A refresh holds two buffers of its largest step and a 24-bit copy, so this keeps
    //! one refresh under about 700 MiB and, for the slowest step (blended rotation, about 30× a
    //! memcpy of the frame), near a second. Pastes, opened files and chain steps beyond it are
    //! refused; a file is measured from its header, before anything decodes its pixels.
    static constexpr int64_t kMaxImagePixels = kv::kMaxPicturePixels;
    //! The automatic save of the last capture operation (when the settings switch it on): the
    //! file it wrote or meant to write, whether it failed and the system's reason. An operation
    //! that made no capture clears them, so a failure is told for the capture that had it only.
    const std::wstring& GetAutoSavePath() const;
    bool GetAutoSaveFailed() const;
    DWORD GetAutoSaveError() const;
    //! A capture type's name in the interface language ({type} in file names); empty outside the types.
    static std::wstring CaptureTypeName(int type);
    //! The name a capture's file gets from the automatic-saving pattern (no folder, no extension).
    std::wstring AutoSaveName() const;
    //! The image steps the last refresh left out: bits 0-2 because their result would pass
    //! kMaxImagePixels, bits 3-5 (the same step shifted by kEmptyShift) because it would have no
    //! pixels (a scale factor of 0 or one that shrinks a side below a pixel); kChainFailed when
    //! the chain itself failed (out of memory), so the picture is the capture unprocessed.
    enum RefusedStep { kRefusedRotate = 1, kRefusedScale = 2, kRefusedShear = 4, kEmptyShift = 3, kChainFailed = 64 };
    int GetRefusedSteps() const;
    //! The size that was refused: of the refused step's result, or of the refused paste or file.
    CSize GetRefusedSize() const;
    //! Grabs rect of hWnd (the whole window when rect is empty) into a new bitmap object the
    //! caller deletes; null when nothing of it lies on a monitor.
    static CImageBitmap* SnapBitmap(HWND hWnd, CRect rect);

    //! The mouse pointer as the screen shows it at one moment: whether it shows, its place, and
    //! a copy of its shape with the shape's hot spot.
    struct PointerShot {
        bool showing = false;
        POINT at{};
        POINT hotSpot{};
        kv::UniqueHicon shape;
    };
    static PointerShot TakePointer();

    // ---- The marks over the picture (the mark-up editor's side of the engine) ----
    // The current image is made in one direction: the last capture, the chain (the ten switches)
    // into the processed picture, the applied marks over it, then the 24-bit image and the
    // thumbnail that copy, save, print, the preview and automatic saving use. The marks belong to
    // the processed picture: they stay, editable and with their history, while it stays the same
    // picture of the same size (a new capture, file or paste starts without marks).

    //! The processed picture (the chain's result, before any mark) as 32-bit pixels; borrowed,
    //! read-only, valid while GetPictureSerial stays the same. Empty when there is no picture.
    kv::markup::Surface GetPicture() const;
    //! Changes whenever the processed picture's pixels change or move (a capture, a refresh, an
    //! image operation, an undo or redo passing one).
    uint32_t GetPictureSerial() const;
    //! The marks over the processed picture (null when there is none); once there, one object
    //! for the engine's life (a new picture restarts it in place). Marks and undo history stay
    //! while the picture stays the same, so a reopened editor finds them. Its
    //! output is the crop; compose with GetMarks()->Compose(GetPicture(), out, clip).
    kv::markup::CMarkDocument* GetMarks();
    //! The text rasterizer the marks' text is drawn with (the platform's fonts; never null).
    const kv::markup::ITextRasterizer* GetTextRasterizer() const;
    //! Whether the marks or the switches differ from what the current image shows.
    bool HasUnappliedMarks() const;
    //! Whether the current image shows any mark or crop.
    bool HasAppliedMarks() const;
    //! The marks as they are become the current image and thumbnail (the editor's "完成"); the
    //! marks stay editable. FALSE when there is no picture or memory is short (nothing changed).
    //! Copies of this picture made before are renewed: the file the automatic save wrote for it
    //! is written again (GetAutoSaveFailed/GetAutoSaveError/GetAutoSavePath then tell how that
    //! went), and our clipboard copy of it, while no other program has replaced it, is copied
    //! again; so no copy without its redactions stays where it was put.
    BOOL ApplyMarks();
    //! Marks and switches back to what the current image shows (the editor's discard); the
    //! marks' history is cleared.
    void DiscardMarks();
    //! The composed picture with the marks as they are (applied or not) onto the clipboard, the
    //! same way as CopyImageData(0); the current image is not changed.
    BOOL CopyMarkedImage();
    //! The same picture written as SaveImage(path, 0) writes (empty path: the save dialog, owned
    //! by owner or, when null, the main window); the current image and names are not changed.
    BOOL SaveMarkedImage(const std::wstring& path, CWnd* owner);
    //! One of the ten switches flipped as an editor command: the chain runs again and the change
    //! is one step of the marks' history (undo and redo flip it back and forth). The marks stay
    //! where they are when ImageOperationKeepsMarks, otherwise that step drops them (and its
    //! undo brings them back). The current image shows the new picture at once, with the applied
    //! marks while they fit it; ApplyMarks or DiscardMarks settles it. FALSE with nothing
    //! changed when there is no picture, a gesture is open, or the step was refused
    //! (GetRefusedSteps).
    BOOL ApplyImageOperation(kv::ImageOperation op);
    //! Whether the picture keeps its size with op flipped.
    bool ImageOperationKeepsSize(kv::ImageOperation op) const;
    //! Whether the marks stay with op flipped: the size stays and no pixel moves (grey, negate,
    //! blur, sharpen). A flip, a rotation, scaling or shear moves the content under the marks (a
    //! redaction would no longer cover what it hid), so those drop the marks in their step.
    bool ImageOperationKeepsMarks(kv::ImageOperation op) const;
    //! For the main window before a refresh after a switch change: whether the refresh would
    //! drop marks (there are marks, applied or not, and with the settings as they are now the
    //! processed picture's size would change or its content move: see ImageOperationKeepsMarks).
    bool RefreshDropsMarks() const;

    CKarvoConfig m_config;

protected:
    int StartEngine(CWnd* pMainWnd, CWnd* pPreviewWnd);
    BOOL InitGdiplus();
    void TermGdiplus();
    //! Copies h into the raw and processed buffers (h stays the caller's); no refresh.
    void ResetBitmapData(HBITMAP h);
    //! A 24-bit GDI+ copy of a GDI bitmap (caller owns), or null.
    Gdiplus::Image* ConvertImage(HBITMAP h);
    //! Our bitmap's pixels into a 24-bit image of its size; false when that cannot be done.
    static bool FillImage24(Gdiplus::Bitmap* image, HBITMAP h);
    //! A bitmap in the preview's format holding the image (caller deletes), or null.
    CImageBitmap* ConvertImage(Gdiplus::Image* p);
    void SetThubImage(Gdiplus::Image* p);
    //! The same, made from `pixels` (one of our bitmaps holding the image's pixels) when it can.
    void SetThubImage(Gdiplus::Image* p, HBITMAP pixels);
    //! Grab and make it the current image; FALSE when nothing was grabbed.
    BOOL SnapRect(HWND hWnd, CRect rect);
    //! The same, with the mouse pointer drawn into the grab at its place when `pointer` is set.
    BOOL SnapRect(HWND hWnd, CRect rect, bool pointer);
    //! The same, with this pointer drawn into the grab (none when null).
    BOOL SnapRect(HWND hWnd, CRect rect, const PointerShot* pointer);
    //! Whether this capture shows the pointer: the request's in a command-line run, else the
    //! settings'.
    bool PointerWanted() const { return m_run.active ? m_run.pointer : m_config.GetDrawPointer() != 0; }
    void PlaySnapSound();
    //! A new raw picture (capture, file, paste): the marks of the last one are gone.
    void NewPicture();
    //! The chain over the raw picture into the processed one (refusals recorded); no image made.
    void RunChain();
    //! The current 24-bit image and thumbnail from the processed picture with the applied marks.
    void MakeCurrentImage();
    void MakeDeferredThumbnail();
    //! The bitmap (one of ours) whose pixels the current image holds: the composed picture when
    //! marks are applied, else the processed one.
    HBITMAP CurrentPixels() const;
    //! Writes image to path as SaveImage does (owner: the save dialog's owner); names untouched.
    BOOL SaveImageOf(Gdiplus::Image* image, const std::wstring& path, CWnd* owner, std::wstring* name);
    //! After ApplyMarks: the automatically saved file of this picture written again, and our
    //! clipboard copy of it put there again while it is still on the clipboard.
    void RenewCopies();
    //! Puts image (pixels: one of ours with its pixels, or null) on the clipboard as CopyImageData does.
    BOOL CopyImageOf(Gdiplus::Image* image, HBITMAP pixels);
    //! The automatic copy after a capture: the current image onto the clipboard as a bitmap.
    void AutoCopyCurrent();
    //! After a capture that made a new image: the file written under the pattern's name when the
    //! settings ask for automatic saving.
    void AutoSaveCapture();
    //! No automatic save for this operation: path, failure and reason cleared.
    void ForgetAutoSave();
    struct Target;
    //! The capture frame: the row's steps in the row's order (with `fixed`, that rectangle of
    //! the screen instead of the row's choice).
    BOOL RunFrame(const kv::CaptureTypeRow& row, const CRect* fixed);
    //! The choose step; whether something was chosen.
    bool Choose(const kv::CaptureTypeRow& row, const CRect* fixed, Target& t);
    //! Waits until our own drawing has left what is grabbed; the milliseconds waited.
    DWORD Settle(const kv::CaptureTypeRow& row, Target& t);
    BOOL Grab(const kv::CaptureTypeRow& row, Target& t);
    //! Hides the main window when the settings ask for it; whether it did.
    bool HideForCapture();
    //! Records the capture type in the settings (not in a command-line run).
    void RecordCapture(kv::CaptureType type);
    //! The pause before a grab: the request's in a command-line run, else the settings'.
    int CaptureDelay() const;
    //! Whether the recorded capture type is picking (always so in a command-line run, which
    //! records nothing).
    bool PickingRecorded() const { return m_run.active || m_config.GetSnapMode() == int(kv::CaptureType::Object); }
    //! The window chosen in the window-list dialog, or null.
    HWND ChooseWindow();
    //! Waits until no pixel that the closed selection window drew over the rectangle is still
    //! on the screen (at most a second); the milliseconds waited.
    static DWORD WaitUntilSelectionGone(const CDlgSnapRectHelper& dlg, const CRect& selected);
    //! Waits until no pixel of the drawing over screen rectangle r still shows (at most a
    //! second); the milliseconds waited.
    static DWORD WaitUntilGone(const CRect& r, const kv::OwnDrawing& drawing);
    //! Keeps what drawing the picking frame on over `under` (the object's pixels) made of them.
    void RecordFrame(const CRect& r, const std::vector<RGBX>& under);
    //! The screen's pixels in r, row by row; empty when they cannot be read.
    static std::vector<RGBX> ScreenPixels(const CRect& r);
    static constexpr int kFramePenWidth = 4;
    static constexpr COLORREF kFramePenColour = RGB(255, 0, 0);

    LRESULT HighlightFoundWindow(HWND hWnd);
    LRESULT RefreshFoundWindow(HWND hWnd);
    BOOL CheckWindowValidity(HWND hWnd, BOOL bNotFound);
    void LocateSnapObjTip();
    //! Picking's choose step: the object clicked, or null.
    HWND Pick();
    //! Undoes what picking set up (timer, frame, capture, flags).
    void EndPicking();

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnTimer(UINT_PTR nIDEvent);
    LRESULT OnEsLButtonDown(WPARAM, LPARAM);
    LRESULT OnEsMouseMove(WPARAM, LPARAM);

    ULONG_PTR m_gdiplusToken = 0;
    std::wstring m_strPathName;
    std::wstring m_strFileName;
    CWnd* m_pMainWnd = nullptr;     // borrowed
    CWnd* m_pPreviewWnd = nullptr;  // borrowed
    Gdiplus::Image* m_pImage = nullptr;
    Gdiplus::Image* m_pThubImage = nullptr;
    int m_nThubLeft = 0;
    int m_nThubTop = 0;
    CImageBitmap m_bmpRaw;
    CImageBitmap m_bmpProcessed;
    BOOL m_bInitializing = TRUE;
    BOOL m_bSnapping = FALSE;
    CKvHook m_hook;
    CDlgSnapObjHelper m_dlgSnapObj;
    HWND m_hFoundWnd = nullptr;
    BOOL m_bFindingWnd = FALSE;
    bool m_bPickChosen = false;  // the picking's click took the object
    HWND m_hLastSnapWnd = nullptr;
    CRect m_rcLastSnap;
    DWORD m_dwLastSettleMs = 0;  // how long the last rectangle or picked capture waited for the screen
    // The picking frame is drawn inverted over the object every other tick (it blinks) and
    // erased by the object's repainting, which another program does, so it can still be on the
    // screen when the grab comes. What the frame made of the pixels under its pen when last
    // drawn on is kept, for the grab to wait until none of it shows.
    struct FrameRecord {
        bool on = false;           // the last drawing put the frame on
        CRect rect;                // the object's rectangle, screen coordinates
        std::vector<size_t> pen;   // the pixels under the pen, row by row
        kv::OwnDrawing drawing;    // their colours with the frame on
    } m_frame;
    // A command-line run's own pause, sound and processing, while Capture runs.
    struct RunOptions {
        bool active = false;
        int delayMs = 0;
        bool sound = true;
        bool process = false;
        bool pointer = false;
        int monitor = -1;  // monitor:N's monitor (index in the documented order), else -1
    } m_run;
    kv::CaptureType m_lastCaptureType = kv::CaptureType::Screen;  // also in a command-line run
    kv::TimerOwner m_pickTimer;      // the picking frame's 500 ms timer
    kv::CaptureOwner m_pickCapture;  // the mouse capture while picking
    // Everything else about the picture and its files (the marks, the composed picture, the
    // results of file operations) lives in the document, so that it can grow without changing
    // this exported class's layout.
    std::unique_ptr<kv::ImageDocument> m_doc;
    friend class kv::ImageDocument;
};
