// The mark list, its composition over the picture, the changed areas and the undo history.
// Undo records a list of primitive changes per step; applying a change backwards restores the
// list exactly (same ids, same order), so the composed picture returns byte for byte.
#include "markup/MarkDocument.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace kv::markup {

std::vector<int32_t> StepNumbers(const std::vector<Mark>& marks, int32_t stepStart) {
    std::vector<int32_t> n(marks.size(), 0);
    int32_t next = stepStart;
    for (size_t i = 0; i < marks.size(); ++i)
        if (marks[i].kind == MarkKind::Step) n[i] = next++;
    return n;
}

// A pixelate area reads the ring around it: whatever changed there changes all its blocks.
static Rect WithPixelateRings(const std::vector<Mark>& marks, Rect dirty) {
    for (bool grown = true; grown && !dirty.IsEmpty();) {
        grown = false;
        for (const Mark& m : marks) {
            if (m.kind != MarkKind::Pixelate || m.style.noise) continue;
            const Rect f = Frame(m);
            if (IntersectRect(InflateRect(f, 1), dirty).IsEmpty()) continue;
            const Rect u = UnionRect(dirty, f);
            if (!(u == dirty)) dirty = u, grown = true;
        }
    }
    return dirty;
}

Rect ChangedArea(const MarkState& a, const MarkState& b) {
    const Rect out{0, 0, b.crop.Width(), b.crop.Height()};
    if (!(a.crop == b.crop)) return UnionRect(out, Rect{0, 0, a.crop.Width(), a.crop.Height()});
    const std::vector<int32_t> na = StepNumbers(a.marks, a.stepStart), nb = StepNumbers(b.marks, b.stepStart);
    std::unordered_map<uint32_t, size_t> inB;
    for (size_t i = 0; i < b.marks.size(); ++i) inB[b.marks[i].id] = i;
    Rect dirty;
    std::vector<std::pair<size_t, size_t>> common;  // (index in a, index in b), in a's order
    std::vector<bool> seenB(b.marks.size(), false);
    for (size_t i = 0; i < a.marks.size(); ++i) {
        const auto it = inB.find(a.marks[i].id);
        if (it == inB.end()) {
            dirty = UnionRect(dirty, Bounds(a.marks[i]));
            continue;
        }
        const size_t j = it->second;
        seenB[j] = true;
        common.emplace_back(i, j);
        if (!(a.marks[i] == b.marks[j]) || na[i] != nb[j])
            dirty = UnionRect(UnionRect(dirty, Bounds(a.marks[i])), Bounds(b.marks[j]));
    }
    for (size_t j = 0; j < b.marks.size(); ++j)
        if (!seenB[j]) dirty = UnionRect(dirty, Bounds(b.marks[j]));
    // Two marks that swapped their order differ only where both can draw.
    for (size_t u = 0; u < common.size(); ++u)
        for (size_t v = u + 1; v < common.size(); ++v)
            if (common[u].second > common[v].second)
                dirty = UnionRect(dirty, IntersectRect(Bounds(b.marks[common[u].second]), Bounds(b.marks[common[v].second])));
    dirty = UnionRect(WithPixelateRings(a.marks, dirty), WithPixelateRings(b.marks, dirty));
    return IntersectRect(dirty, out);
}

namespace {

struct RingContext {
    const Surface* base;
    const MarkState* state;
};

// Ring pixels as the redacted picture shows them, so that one redaction never reads what
// another one hides.
bool ReadRing(const void* context, int32_t x, int32_t y, RGBX& out) {
    const auto& c = *static_cast<const RingContext*>(context);
    const Rect& crop = c.state->crop;
    if (x < 0 || y < 0 || x >= crop.Width() || y >= crop.Height()) return false;
    const auto& marks = c.state->marks;
    for (size_t i = marks.size(); i-- > 0;) {
        const Mark& m = marks[i];
        if (!IsRedaction(m.kind) || !Contains(Frame(m), Point{x, y})) continue;
        out = PixelFromColor(m.kind == MarkKind::Redact ? m.style.colour : m.style.secondColour);
        return true;
    }
    out = c.base->Row(y + crop.top)[x + crop.left];
    out.reserved = 0;
    return true;
}

}  // namespace

void Compose(const Surface& base, const MarkState& state, const Surface& out, const Rect& clip,
             const ITextRasterizer* text) {
    const Rect r = IntersectRect(IntersectRect(clip, out.Area()),
                                 Rect{0, 0, state.crop.Width(), state.crop.Height()});
    if (r.IsEmpty()) return;
    for (int32_t y = r.top; y < r.bottom; ++y)
        std::memcpy(out.Row(y) + r.left, base.Row(y + state.crop.top) + state.crop.left + r.left,
                    size_t(r.Width()) * sizeof(RGBX));
    const RingContext ctx{&base, &state};
    for (const Mark& m : state.marks)
        if (IsRedaction(m.kind)) ApplyRedaction(out, m, r, ReadRing, &ctx);
    const std::vector<int32_t> numbers = StepNumbers(state.marks, state.stepStart);
    for (size_t i = 0; i < state.marks.size(); ++i)
        if (!IsRedaction(state.marks[i].kind)) DrawMark(out, state.marks[i], r, numbers[i], text);
}

// ---- the document ----

struct CMarkDocument::Change {
    enum Kind : uint8_t { Insert, Erase, Replace, Reorder, Crop, StepStart, Picture } kind = Insert;
    int32_t index = 0, index2 = 0;  // Reorder: from index to index2
    Mark before, after;             // Erase: before; Insert: after; Replace: both
    Rect cropBefore, cropAfter;
    int32_t startBefore = 0, startAfter = 0;
    // Picture: the caller's token, the sizes and the whole states on both sides.
    uint64_t token = 0;
    CSize pictureBefore, pictureAfter;
    MarkState stateBefore, stateAfter;
};

CMarkDocument::CMarkDocument(CSize picture, const ITextRasterizer* text)
    : m_picture(picture), m_text(text) {
    m_state.crop = Rect{0, 0, std::max(0, picture.cx), std::max(0, picture.cy)};
}

CMarkDocument::~CMarkDocument() = default;

int32_t CMarkDocument::IndexOf(uint32_t id) const {
    for (size_t i = 0; i < m_state.marks.size(); ++i)
        if (m_state.marks[i].id == id) return int32_t(i);
    return -1;
}

const Mark* CMarkDocument::Find(uint32_t id) const {
    const int32_t i = IndexOf(id);
    return i < 0 ? nullptr : &m_state.marks[size_t(i)];
}

uint32_t CMarkDocument::HitTest(Point p, int32_t tolerance) const {
    for (size_t i = m_state.marks.size(); i-- > 0;)
        if (kv::markup::HitTest(m_state.marks[i], p, tolerance)) return m_state.marks[i].id;
    return 0;
}

// A mark as the document keeps it: box normalised, width at least 1, text box fitted to its text.
Mark CMarkDocument::Laid(Mark m) const {
    m.style.width = std::max(1, m.style.width);
    m.style.fontSize = std::clamp(m.style.fontSize, 1, 1000);
    if (!IsPathKind(m.kind)) {
        m.box = Frame(m);
        if (m.kind == MarkKind::Text) {
            const CSize s = TextBoxSize(m, m_text);
            m.box.right = m.box.left + s.cx;
            m.box.bottom = m.box.top + s.cy;
        }
    }
    return m;
}

static bool Valid(const Mark& m) { return IsPathKind(m.kind) ? !m.points.empty() : !Frame(m).IsEmpty(); }

void CMarkDocument::Dirty(const Rect& r) { m_dirty = UnionRect(m_dirty, r); }

void CMarkDocument::Apply(const Change& c, bool forward) {
    auto& marks = m_state.marks;
    auto stepsFrom = [&](size_t from, size_t to) {
        for (size_t i = from; i < std::min(to, marks.size()); ++i)
            if (marks[i].kind == MarkKind::Step) Dirty(Bounds(marks[i]));
    };
    switch (c.kind) {
        case Change::Insert:
        case Change::Erase: {
            const bool insert = (c.kind == Change::Insert) == forward;
            const Mark& m = c.kind == Change::Insert ? c.after : c.before;
            if (insert) marks.insert(marks.begin() + c.index, m);
            else marks.erase(marks.begin() + c.index);
            Dirty(Bounds(m));
            if (m.kind == MarkKind::Step) stepsFrom(size_t(c.index), marks.size());
            break;
        }
        case Change::Replace:
            marks[size_t(c.index)] = forward ? c.after : c.before;
            Dirty(UnionRect(Bounds(c.before), Bounds(c.after)));
            break;
        case Change::Reorder: {
            const int32_t from = forward ? c.index : c.index2, to = forward ? c.index2 : c.index;
            Mark m = std::move(marks[size_t(from)]);
            marks.erase(marks.begin() + from);
            marks.insert(marks.begin() + to, std::move(m));
            Dirty(Bounds(marks[size_t(to)]));
            if (marks[size_t(to)].kind == MarkKind::Step) stepsFrom(size_t(std::min(from, to)), size_t(std::max(from, to)) + 1);
            break;
        }
        case Change::Crop: {
            const Rect& from = forward ? c.cropBefore : c.cropAfter;
            const Rect& to = forward ? c.cropAfter : c.cropBefore;
            for (Mark& m : marks) m = Moved(m, from.left - to.left, from.top - to.top);
            m_state.crop = to;
            Dirty(Rect{0, 0, to.Width(), to.Height()});
            break;
        }
        case Change::StepStart:
            m_state.stepStart = forward ? c.startAfter : c.startBefore;
            stepsFrom(0, marks.size());
            break;
        case Change::Picture: {
            const Rect old{0, 0, m_state.crop.Width(), m_state.crop.Height()};
            m_state = forward ? c.stateAfter : c.stateBefore;
            m_picture = forward ? c.pictureAfter : c.pictureBefore;
            Dirty(UnionRect(old, Rect{0, 0, m_state.crop.Width(), m_state.crop.Height()}));
            break;
        }
    }
}

void CMarkDocument::Record(Change c) {
    m_redo.clear();
    if (m_gestureDepth > 0 && m_gestureOpen) {
        Step& step = m_undo.back();
        // A drag's moves fold into one change: the first state before, the last after.
        if (c.kind == Change::Replace && !step.empty() && step.back().index == c.index &&
            (step.back().kind == Change::Replace || step.back().kind == Change::Insert)) {
            step.back().after = std::move(c.after);
            return;
        }
        step.push_back(std::move(c));
        return;
    }
    m_undo.emplace_back();
    m_undo.back().push_back(std::move(c));
    if (m_gestureDepth > 0) m_gestureOpen = true;
}

uint32_t CMarkDocument::Add(Mark m) {
    m = Laid(std::move(m));
    if (!Valid(m)) return 0;
    m.id = m_nextId++;
    Change c;
    c.kind = Change::Insert;
    c.index = int32_t(m_state.marks.size());
    c.after = std::move(m);
    Apply(c, true);
    const uint32_t id = c.after.id;
    Record(std::move(c));
    return id;
}

bool CMarkDocument::Delete(uint32_t id) {
    const int32_t i = IndexOf(id);
    if (i < 0) return false;
    Change c;
    c.kind = Change::Erase;
    c.index = i;
    c.before = m_state.marks[size_t(i)];
    Apply(c, true);
    Record(std::move(c));
    return true;
}

uint32_t CMarkDocument::Duplicate(uint32_t id, int32_t dx, int32_t dy) {
    const Mark* m = Find(id);
    return m ? Add(Moved(*m, dx, dy)) : 0;
}

bool CMarkDocument::Replace(uint32_t id, Mark m) {
    const int32_t i = IndexOf(id);
    if (i < 0) return false;
    const Mark& old = m_state.marks[size_t(i)];
    m.id = old.id;
    m.kind = old.kind;
    m = Laid(std::move(m));
    if (!Valid(m) || m == old) return false;
    Change c;
    c.kind = Change::Replace;
    c.index = i;
    c.before = old;
    c.after = std::move(m);
    Apply(c, true);
    Record(std::move(c));
    return true;
}

bool CMarkDocument::Nudge(uint32_t id, int32_t dx, int32_t dy) {
    const Mark* m = Find(id);
    return m && Replace(id, Moved(*m, dx, dy));
}

bool CMarkDocument::Restyle(uint32_t id, const MarkStyle& style) {
    const Mark* m = Find(id);
    if (!m) return false;
    Mark r = *m;
    r.style = style;
    return Replace(id, std::move(r));
}

bool CMarkDocument::BringToFront(uint32_t id) {
    const int32_t i = IndexOf(id), last = int32_t(m_state.marks.size()) - 1;
    if (i < 0 || i == last) return false;
    Change c;
    c.kind = Change::Reorder;
    c.index = i;
    c.index2 = last;
    Apply(c, true);
    Record(std::move(c));
    return true;
}

bool CMarkDocument::SendToBack(uint32_t id) {
    const int32_t i = IndexOf(id);
    if (i <= 0) return false;
    Change c;
    c.kind = Change::Reorder;
    c.index = i;
    c.index2 = 0;
    Apply(c, true);
    Record(std::move(c));
    return true;
}

bool CMarkDocument::Crop(const Rect& r) {
    const Rect out{0, 0, m_state.crop.Width(), m_state.crop.Height()};
    const Rect n{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                 std::max(r.top, r.bottom)};
    const Rect k = IntersectRect(n, out);
    if (k.IsEmpty() || k == out) return false;
    Change c;
    c.kind = Change::Crop;
    c.cropBefore = m_state.crop;
    c.cropAfter = Rect{m_state.crop.left + k.left, m_state.crop.top + k.top, m_state.crop.left + k.right,
                       m_state.crop.top + k.bottom};
    Apply(c, true);
    Record(std::move(c));
    return true;
}

bool CMarkDocument::SetStepStart(int32_t start) {
    if (start == m_state.stepStart) return false;
    Change c;
    c.kind = Change::StepStart;
    c.startBefore = m_state.stepStart;
    c.startAfter = start;
    Apply(c, true);
    Record(std::move(c));
    return true;
}

void CMarkDocument::BeginGesture() { ++m_gestureDepth; }

void CMarkDocument::EndGesture() {
    if (m_gestureDepth == 0 || --m_gestureDepth > 0) return;
    // A drag that ended where it began leaves a change whose two states are equal: no step.
    if (m_gestureOpen) {
        Step& step = m_undo.back();
        std::erase_if(step, [](const Change& c) { return c.kind == Change::Replace && c.before == c.after; });
        if (step.empty()) m_undo.pop_back();
    }
    m_gestureOpen = false;
}

bool CMarkDocument::CanUndo() const { return !m_undo.empty() && m_gestureDepth == 0; }
bool CMarkDocument::CanRedo() const { return !m_redo.empty() && m_gestureDepth == 0; }

void CMarkDocument::ChangePicture(uint64_t token, CSize picture, MarkState after) {
    const Rect whole{0, 0, std::max(0, picture.cx), std::max(0, picture.cy)};
    after.crop = IntersectRect(after.crop, whole);
    if (after.crop.IsEmpty()) after.crop = whole;
    Change c;
    c.kind = Change::Picture;
    c.token = token;
    c.pictureBefore = m_picture;
    c.pictureAfter = picture;
    c.stateBefore = m_state;
    c.stateAfter = std::move(after);
    for (const Mark& m : c.stateAfter.marks) m_nextId = std::max(m_nextId, m.id + 1);
    Apply(c, true);
    Record(std::move(c));
}

void CMarkDocument::Reset(MarkState s) {
    const Rect old{0, 0, m_state.crop.Width(), m_state.crop.Height()};
    m_state = std::move(s);
    for (const Mark& m : m_state.marks) m_nextId = std::max(m_nextId, m.id + 1);
    m_undo.clear();
    m_redo.clear();
    m_gestureDepth = 0;
    m_gestureOpen = false;
    Dirty(UnionRect(old, Rect{0, 0, m_state.crop.Width(), m_state.crop.Height()}));
}

void CMarkDocument::Restart(CSize picture) {
    m_picture = picture;
    Reset(MarkState{{}, Rect{0, 0, std::max(0, picture.cx), std::max(0, picture.cy)}, 1});
}

// A picture step tells the listener first, so that the picture is there before the marks
// that lie over it.
bool CMarkDocument::Undo() {
    if (!CanUndo()) return false;
    Step step = std::move(m_undo.back());
    m_undo.pop_back();
    for (size_t i = step.size(); i-- > 0;) {
        if (step[i].kind == Change::Picture && m_listener) m_listener->PictureChanged(step[i].token, false);
        Apply(step[i], false);
    }
    m_redo.push_back(std::move(step));
    return true;
}

bool CMarkDocument::Redo() {
    if (!CanRedo()) return false;
    Step step = std::move(m_redo.back());
    m_redo.pop_back();
    for (const Change& c : step) {
        if (c.kind == Change::Picture && m_listener) m_listener->PictureChanged(c.token, true);
        Apply(c, true);
    }
    m_undo.push_back(std::move(step));
    return true;
}

static size_t HeapBytes(const Mark& m) {
    return m.points.capacity() * sizeof(Point) + m.text.capacity() * sizeof(wchar_t) +
           m.style.fontFace.capacity() * sizeof(wchar_t);
}

size_t CMarkDocument::HistoryBytes() const {
    size_t n = (m_undo.capacity() + m_redo.capacity()) * sizeof(Step);
    for (const auto* stack : {&m_undo, &m_redo})
        for (const Step& s : *stack) {
            n += s.capacity() * sizeof(Change);
            for (const Change& c : s) {
                n += HeapBytes(c.before) + HeapBytes(c.after);
                for (const MarkState* st : {&c.stateBefore, &c.stateAfter}) {
                    n += st->marks.capacity() * sizeof(Mark);
                    for (const Mark& m : st->marks) n += HeapBytes(m);
                }
            }
        }
    return n;
}

Rect CMarkDocument::TakeDirty() {
    const Rect r = IntersectRect(WithPixelateRings(m_state.marks, m_dirty), Rect{0, 0, m_state.crop.Width(), m_state.crop.Height()});
    m_dirty = Rect{};
    return r;
}

void CMarkDocument::Compose(const Surface& base, const Surface& out, const Rect& clip) const {
    kv::markup::Compose(base, m_state, out, clip, m_text);
}

}  // namespace kv::markup
