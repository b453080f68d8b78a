#pragma once
// What the mark-up editor works on, all borrowed from the engine: the processed picture as
// 32-bit pixels, the marks over it (the engine keeps them, so reopening on the same picture
// brings them back editable), the text rasterizer, and the ways out (apply, discard, copy, save,
// image operations). The window holds no picture of its own beyond the view it shows.
#include <cstdint>

#include "engine/KarvoCore.h"
#include "markup/MarkDocument.h"

class CEditorModel {
public:
    explicit CEditorModel(CKarvoCore& core) : m_core(core) {}
    CEditorModel(const CEditorModel&) = delete;
    CEditorModel& operator=(const CEditorModel&) = delete;

    //! Whether there is a picture to mark up.
    bool Valid() const { return m_core.GetMarks() != nullptr; }
    //! The picture the marks are drawn over (before crop); valid while Serial stays the same.
    kv::markup::Surface Base() const { return m_core.GetPicture(); }
    uint32_t Serial() const { return m_core.GetPictureSerial(); }
    kv::markup::CMarkDocument& Doc() { return *m_core.GetMarks(); }
    const kv::markup::CMarkDocument& Doc() const { return *m_core.GetMarks(); }
    const kv::markup::ITextRasterizer* Text() const { return m_core.GetTextRasterizer(); }

    //! Whether the marks or the switches differ from what the current image shows.
    bool Changed() const { return m_core.HasUnappliedMarks(); }
    //! The picture with its marks becomes what copy, save, print, the preview and automatic
    //! saving use.
    bool Apply() { return m_core.ApplyMarks() != FALSE; }
    //! Marks and switches back to what the current image shows.
    void Discard() { m_core.DiscardMarks(); }
    //! The composed picture onto the clipboard / through the save dialog (not yet applied).
    bool Copy() { return m_core.CopyMarkedImage() != FALSE; }
    bool Save(CWnd* owner) { return m_core.SaveMarkedImage(L"", owner) != FALSE; }
    //! One of the ten image switches (main window order) flipped and applied to the picture, as
    //! one step of the marks' history; false when the engine refused it.
    bool ImageOperation(int index) { return m_core.ApplyImageOperation(kv::ImageOperation(index)) != FALSE; }
    bool ImageOperationKeepsSize(int index) const { return m_core.ImageOperationKeepsSize(kv::ImageOperation(index)); }
    //! Whether that switch is on now.
    bool ImageOperationOn(int index) const;
    CKarvoCore& Core() { return m_core; }

private:
    CKarvoCore& m_core;
};
