#pragma once
// CMarkDocument: the ordered list of marks drawn over one picture, its crop, and the undo history.
// Every public edit is one undo step; a gesture (BeginGesture … EndGesture, e.g. a whole drag)
// folds everything in between into one step that keeps only each mark's first and last state.
// Steps store what they changed (a mark, an index, a crop rectangle), never pixels: the crop is
// kept as a rectangle over the base picture, so undoing it needs no copy of what was cut away.
#include <cstddef>
#include <vector>

#include "Export.h"
#include "markup/Mark.h"
#include "markup/MarkDraw.h"
#include "markup/TextRasterizer.h"

namespace kv::markup {

// A state of the document as a value: the editor snapshots it; ChangedArea compares two.
struct MarkState {
    std::vector<Mark> marks;  // bottom first
    Rect crop;                // over the base picture
    int32_t stepStart = 1;
    friend bool operator==(const MarkState&, const MarkState&) = default;
};

//! The numbers the steps of a list show, one per mark (0 for marks that are not steps):
//! stepStart, stepStart + 1, … in list order.
KV_API std::vector<int32_t> StepNumbers(const std::vector<Mark>& marks, int32_t stepStart);

//! The output area (crop coordinates) whose composed pixels can differ between two states: the
//! bounds of marks added, removed, changed, renumbered or reordered, and of every pixelate area
//! whose surrounding ring meets that area; the whole output when the crop differs.
KV_API Rect ChangedArea(const MarkState& a, const MarkState& b);

//! out (crop-sized) within clip := base cropped, redactions applied in list order, then the
//! other marks drawn in list order. base is the whole picture (crop ⊂ base area).
KV_API void Compose(const Surface& base, const MarkState& state, const Surface& out, const Rect& clip,
                    const ITextRasterizer* text);

class KV_API CMarkDocument {
public:
    //! A document over a picture of the given size (no crop); text may be null (no text drawn).
    CMarkDocument(CSize picture, const ITextRasterizer* text);
    CMarkDocument(const CMarkDocument&) = delete;
    CMarkDocument& operator=(const CMarkDocument&) = delete;
    ~CMarkDocument();

    const MarkState& State() const { return m_state; }
    const std::vector<Mark>& Marks() const { return m_state.marks; }
    CSize OutputSize() const { return CSize(m_state.crop.Width(), m_state.crop.Height()); }
    //! The mark's index, or -1.
    int32_t IndexOf(uint32_t id) const;
    const Mark* Find(uint32_t id) const;
    //! The topmost mark hit at p (output coordinates), or 0.
    uint32_t HitTest(Point p, int32_t tolerance = 3) const;

    // Edits: each is one undo step (or part of the open gesture). False/0 when nothing changed
    // (unknown id, no effect), and then no step is recorded.
    //! Adds on top; the mark gets a new id (returned). Text marks are laid out here.
    uint32_t Add(Mark m);
    bool Delete(uint32_t id);
    //! A copy on top, moved by (dx, dy); its new id.
    uint32_t Duplicate(uint32_t id, int32_t dx, int32_t dy);
    bool Nudge(uint32_t id, int32_t dx, int32_t dy);
    //! Replaces a mark by a new value (its id and kind stay): moves, resizes, edited text.
    bool Replace(uint32_t id, Mark m);
    bool Restyle(uint32_t id, const MarkStyle& style);
    bool BringToFront(uint32_t id);
    bool SendToBack(uint32_t id);
    //! Crops to r (output coordinates, held to the output); every mark moves with the picture.
    bool Crop(const Rect& r);
    bool SetStepStart(int32_t start);

    //! Told when undo or redo passes a picture step, before the marks are set back: forward is
    //! true for redo (the picture the step made), false for undo (the one before it).
    class IPictureListener {
    public:
        virtual ~IPictureListener() = default;
        virtual void PictureChanged(uint64_t token, bool forward) = 0;
    };
    //! The listener for picture steps (borrowed; null: none).
    void SetPictureListener(IPictureListener* listener) { m_listener = listener; }
    //! The picture under the marks has changed to one of `picture`'s size (an image operation,
    //! already done by the caller): one undo step keeping the token, both sizes and the marks'
    //! whole state before and after (`after`, for the new picture; its crop is held to it).
    //! Marks are few, so this keeps no pixels either.
    void ChangePicture(uint64_t token, CSize picture, MarkState after);
    //! The picture the marks lie over (its size), as the last picture step left it.
    CSize PictureSize() const { return m_picture; }
    //! The state replaced by s for the same picture (the editor's discard): the history is
    //! cleared and the whole output is dirty.
    void Reset(MarkState s);
    //! A new picture of this size: no marks, no crop, no history (the object stays, so whoever
    //! holds it keeps a valid document); the whole output is dirty.
    void Restart(CSize picture);

    void BeginGesture();
    void EndGesture();
    bool InGesture() const { return m_gestureDepth > 0; }

    bool CanUndo() const;
    bool CanRedo() const;
    bool Undo();
    bool Redo();
    size_t UndoSteps() const { return m_undo.size(); }
    //! Bytes held by the undo and redo stacks (their containers and the marks they keep).
    size_t HistoryBytes() const;

    //! The output area changed since the last call (for a repaint), then forgets it.
    Rect TakeDirty();

    //! Composes the current state (see Compose).
    void Compose(const Surface& base, const Surface& out, const Rect& clip) const;

private:
    struct Change;
    using Step = std::vector<Change>;
    void Record(Change c);
    void Apply(const Change& c, bool forward);
    void Dirty(const Rect& r);
    Mark Laid(Mark m) const;

    MarkState m_state;
    CSize m_picture;
    const ITextRasterizer* m_text;
    IPictureListener* m_listener = nullptr;  // borrowed
    uint32_t m_nextId = 1;
    std::vector<Step> m_undo, m_redo;
    int m_gestureDepth = 0;
    bool m_gestureOpen = false;
    Rect m_dirty;
};

}  // namespace kv::markup
