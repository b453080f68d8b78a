#pragma once
// The engine's own record of the current picture beyond the members its exported class shows:
// the marks over the processed picture and what the current image shows of them, the composed
// pixels the current image was made from, and the results of the last file operations. Only
// engine sources include this; CKarvoCore holds it through one pointer, so what is added here
// never changes the exported class's layout.
#include <array>
#include <memory>
#include <string>

#include "engine/KarvoCore.h"
#include "imaging/BitmapOps.h"
#include "imaging/Processor.h"
#include "markup/MarkDocument.h"
#include "markup/TextRasterizer.h"

namespace kv {

//! The ten switches as values, in kv::ImageOperation's order.
struct ImageSwitches {
    std::array<bool, kImageOperationCount> on{};
    friend bool operator==(const ImageSwitches&, const ImageSwitches&) = default;
};
ImageSwitches ReadSwitches(const CKarvoConfig& c);
void WriteSwitches(CKarvoConfig& c, const ImageSwitches& s);

// The chain the settings ask for over a picture of a given size, in its fixed order: grey,
// negate, colour replacement, flip, rotate, resize, shear, blur, sharpen; each only when switched
// on. A step whose result would pass the engine's size limit, or have no pixels, is left out and
// recorded (the steps after it see the size before it). The refresh runs it; the editor and the
// main window ask it for the size a change would give.
struct PlannedChain {
    PlannedChain(const CKarvoConfig& c, CSize raw);
    PlannedChain(const PlannedChain&) = delete;
    PlannedChain& operator=(const PlannedChain&) = delete;
    CImageGrayer grey;
    CImageNegator negate;
    CImageColorReplacer replace;
    CImageFlipper flip;
    CImageRotator rotate;
    CImageResizer resize;
    CImageShearer shear;
    CImageBlurrer blur;
    CImageSharpener sharpen;
    CProcessorChain chain;
    CSize size;       // the result's
    int refused = 0;  // CKarvoCore::RefusedStep bits
    CSize sizeRefused;
};
//! The processed picture's size for these settings over a raw picture (what a refresh gives).
CSize ProcessedSize(const CKarvoConfig& c, CSize raw, bool process);
//! Whether marks placed over the picture made with `from` still lie over the same content with
//! `to` (besides the size): no step that moves pixels (flip, rotation, scaling, shear) changed.
//! A flip keeps the size but mirrors what a redaction hid to where nothing covers it, so marks
//! are never kept over a picture whose content moved.
bool MarksFollow(const CKarvoConfig& from, const CKarvoConfig& to);

class ImageDocument final : public markup::CMarkDocument::IPictureListener {
public:
    explicit ImageDocument(CKarvoCore& core);
    ImageDocument(const ImageDocument&) = delete;
    ImageDocument& operator=(const ImageDocument&) = delete;
    ~ImageDocument() override;

    //! A new picture (capture, file, paste): no marks, nothing applied.
    void NewPicture();
    //! The marks for a processed picture of this size: made when there are none, started again
    //! (the same object) for a new picture or when theirs has another size.
    markup::CMarkDocument& MarksFor(CSize picture);
    //! After the processed picture was made anew: marks that do not belong to it start again.
    void Follow(CSize processed);
    //! Whether the applied state draws anything (a mark or a crop).
    bool AppliedDraws() const;
    //! Whether the marks' state as it is draws anything.
    bool CurrentDraws() const;

    //! The processed picture composed with a state into out (crop-sized, made again only when
    //! its size changes); false when memory is short.
    bool ComposeInto(bitmap::UniqueDib& out, const markup::MarkState& state) const;

    void PictureChanged(uint64_t token, bool forward) override;

    CKarvoCore& core;
    std::unique_ptr<markup::ITextRasterizer> text;
    std::unique_ptr<markup::CMarkDocument> marks;  // null until asked for, then kept (restarted)
    bool fresh = true;                             // a new picture: the marks start again
    CKarvoConfig marksConfig;                      // the settings the marks were placed under
    markup::MarkState applied;      // what the current image shows
    ImageSwitches appliedSwitches;  // the switches it was made with
    CSize appliedPicture;           // the processed picture's size `applied` lies over
    bool hasApplied = false;        // applied/appliedSwitches hold a state
    bitmap::UniqueDib composed;     // the current image's pixels when the applied state draws
    uint32_t serial = 1;            // GetPictureSerial
    uint64_t pictureId = 1;         // one per raw picture (NewPicture)
    // The copies of this picture made before marks were applied to it, renewed by ApplyMarks
    // so that none of them keeps the picture without its redactions: the automatically saved
    // file (with its encoder), and our clipboard copy while nobody has replaced it.
    uint64_t autoSavedPicture = 0;
    CLSID autoSaveEncoder{};
    uint64_t copiedPicture = 0;
    bool copiedThumbnail = false;
    DWORD copiedSequence = 0;

    // The results of file and clipboard operations, of the chain and of the settings' save.
    CKarvoCore::FileStatus lastFileStatus = CKarvoCore::FileStatus::Ok;
    std::wstring lastFilePath;
    DWORD lastFileError = 0;
    bool configSaved = false;
    DWORD configError = 0;
    int refusedSteps = 0;
    CSize sizeRefused;
    std::wstring autoSavePath;
    bool autoSaveFailed = false;
    DWORD autoSaveError = 0;

    // The capture path's own: the previous grab's pixels, which the next grab of the same size
    // fills again (a fresh bitmap costs more in first-touch page faults than the copy from the
    // screen itself); and, while a capture runs, the thumbnail put off until the picture is on
    // the clipboard (nobody sees it before the preview paints).
    bitmap::UniqueDib grabSpare;
    bool deferThumbnail = false;
    bool thumbnailPending = false;
};

}  // namespace kv
