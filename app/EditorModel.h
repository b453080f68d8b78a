#pragma once
// What the mark-up editor works on: the engine's current picture as 32-bit pixels, the marks
// over it (kept by the engine's image document, so reopening on the same picture brings them
// back editable), the text rasterizer, and the ways out (apply, copy, save, image operations),
// all through the engine. The window holds no picture of its own beyond what it shows.
#include <memory>

#include "engine/KarvoCore.h"
#include "markup/MarkDocument.h"

class CEditorModel {
public:
    explicit CEditorModel(CKarvoCore& core);
    ~CEditorModel();
    CEditorModel(const CEditorModel&) = delete;
    CEditorModel& operator=(const CEditorModel&) = delete;

    //! Whether there is a picture to mark up.
    bool Valid() const;
    //! The picture the marks are drawn over (before crop); valid until an image operation.
    kv::markup::Surface Base() const;
    kv::markup::CMarkDocument& Doc();
    const kv::markup::CMarkDocument& Doc() const;
    const kv::markup::ITextRasterizer* Text() const;

    //! The picture with its marks becomes what copy, save, print, the preview and automatic
    //! saving use.
    bool Apply();
    //! The composed picture onto the clipboard / through the save dialog (not yet applied).
    bool Copy();
    bool Save();
    //! One of the ten image switches (main window order) flipped and applied to the picture, as
    //! one step of the document; false when the engine refused it.
    bool ImageOperation(int index);
    //! Whether that switch is on now.
    bool ImageOperationOn(int index) const;
    //! Whether the engine offers the image operations, apply, copy and save.
    bool CanLeaveThroughEngine() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};
