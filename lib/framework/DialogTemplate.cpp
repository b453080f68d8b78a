// Template layout (little-endian WORDs): an extended template starts with 1, 0xFFFF; its header
// is 26 bytes, a plain one's 18. Then menu, class (each 0, 0xFFFF + ordinal, or a string),
// title, and with DS_SETFONT the font: points (WORD), for the extended form also weight (WORD),
// italic and charset (BYTEs), then the face name. The controls follow at the next DWORD.
#include "framework/DialogTemplate.h"

#include <cstring>

namespace kv {

namespace {

constexpr uint32_t kSetFont = 0x40;  // DS_SETFONT (DS_SHELLFONT includes it)

class Reader {
public:
    Reader(const uint8_t* b, size_t n) : m_b(b), m_n(n) {}
    bool Word(uint16_t& v) {
        if (m_at + 2 > m_n) return false;
        v = uint16_t(m_b[m_at] | m_b[m_at + 1] << 8);
        m_at += 2;
        return true;
    }
    bool Dword(uint32_t& v) {
        uint16_t lo = 0, hi = 0;
        if (!Word(lo) || !Word(hi)) return false;
        v = uint32_t(lo) | uint32_t(hi) << 16;
        return true;
    }
    bool Byte(uint8_t& v) {
        if (m_at + 1 > m_n) return false;
        v = m_b[m_at++];
        return true;
    }
    bool Skip(size_t n) {
        if (m_at + n > m_n) return false;
        m_at += n;
        return true;
    }
    bool String(std::u16string* out) {
        for (uint16_t c = 0;;) {
            if (!Word(c)) return false;
            if (c == 0) return true;
            if (out) out->push_back(char16_t(c));
        }
    }
    bool StringOrOrdinal(std::u16string* text = nullptr, uint16_t* ordinal = nullptr) {
        uint16_t first = 0;
        if (!Word(first)) return false;
        if (first == 0) return true;
        if (first == 0xFFFF) {
            uint16_t v = 0;
            if (!Word(v)) return false;
            if (ordinal) *ordinal = v;
            return true;
        }
        if (text) text->push_back(char16_t(first));
        return String(text);
    }
    bool Align4() { return Skip(((m_at + 3) & ~size_t(3)) - m_at); }
    size_t At() const { return m_at; }

private:
    const uint8_t* m_b;
    size_t m_n;
    size_t m_at = 0;
};

// Reads up to the font; fontAt is where the font fields begin, extended whether it is a
// DLGTEMPLATEEX. False when the header is cut short or sets no font.
bool ReadHeader(Reader& r, bool& extended, size_t& fontAt) {
    uint16_t ver = 0, sig = 0;
    if (!r.Word(ver) || !r.Word(sig)) return false;
    extended = ver == 1 && sig == 0xFFFF;
    uint32_t style = 0;
    if (extended) {
        if (!r.Skip(8) || !r.Dword(style) || !r.Skip(10)) return false;  // help id, ex style; count, x, y, cx, cy
    } else {
        style = uint32_t(ver) | uint32_t(sig) << 16;
        if (!r.Skip(4 + 10)) return false;  // ex style; count, x, y, cx, cy
    }
    if (!r.StringOrOrdinal() || !r.StringOrOrdinal() || !r.String(nullptr)) return false;
    fontAt = r.At();
    return (style & kSetFont) != 0;
}

void PutWord(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v & 0xFF));
    out.push_back(uint8_t(v >> 8));
}

}  // namespace

bool ReadTemplateFont(const uint8_t* bytes, size_t size, TemplateFont& font) {
    if (!bytes) return false;
    Reader r(bytes, size);
    bool extended = false;
    size_t fontAt = 0;
    if (!ReadHeader(r, extended, fontAt)) return false;
    TemplateFont f;
    if (!r.Word(f.points)) return false;
    if (extended && (!r.Word(f.weight) || !r.Byte(f.italic) || !r.Byte(f.charset))) return false;
    if (!r.String(&f.face)) return false;
    font = f;
    return true;
}

std::vector<uint8_t> WithTemplateFont(const uint8_t* bytes, size_t size, const TemplateFont& font) {
    if (!bytes) return {};
    Reader r(bytes, size);
    bool extended = false;
    size_t fontAt = 0;
    TemplateFont old;
    if (!ReadHeader(r, extended, fontAt) || !extended || !ReadTemplateFont(bytes, size, old)) return {};
    // Past the old font, and on to the controls at the next DWORD.
    if (!r.Skip(6) || !r.String(nullptr)) return {};
    size_t controls = (r.At() + 3) & ~size_t(3);
    if (controls > size) controls = size;
    std::vector<uint8_t> out(bytes, bytes + fontAt);
    PutWord(out, font.points);
    PutWord(out, font.weight);
    out.push_back(font.italic);
    out.push_back(font.charset);
    for (char16_t c : font.face) PutWord(out, uint16_t(c));
    PutWord(out, 0);
    while (out.size() % 4) out.push_back(0);
    out.insert(out.end(), bytes + controls, bytes + size);
    return out;
}

bool ReadTemplate(const uint8_t* bytes, size_t size, TemplateInfo& info) {
    if (!bytes) return false;
    Reader r(bytes, size);
    uint16_t ver = 0, sig = 0, count = 0;
    int16_t box[4] = {};
    if (!r.Word(ver) || !r.Word(sig)) return false;
    const bool extended = ver == 1 && sig == 0xFFFF;
    TemplateInfo t;
    const auto readBox = [&](int16_t* v) {
        for (int i = 0; i < 4; ++i) {
            uint16_t w = 0;
            if (!r.Word(w)) return false;
            v[i] = int16_t(w);
        }
        return true;
    };
    if (extended) {
        if (!r.Skip(8) || !r.Dword(t.style) || !r.Word(count) || !readBox(box)) return false;
    } else {
        t.style = uint32_t(ver) | uint32_t(sig) << 16;
        if (!r.Skip(4) || !r.Word(count) || !readBox(box)) return false;
    }
    t.cx = box[2], t.cy = box[3];
    if (!r.StringOrOrdinal() || !r.StringOrOrdinal() || !r.String(&t.title)) return false;
    if (t.style & kSetFont) {
        if (!r.Skip(extended ? 6 : 2) || !r.String(nullptr)) return false;
    }
    for (uint16_t i = 0; i < count; ++i) {
        TemplateControl c;
        uint32_t exStyle = 0;
        if (!r.Align4()) return false;
        if (extended) {
            if (!r.Skip(4) || !r.Dword(exStyle) || !r.Dword(c.style) || !readBox(box) || !r.Dword(c.id)) return false;
        } else {
            uint16_t id = 0;
            if (!r.Dword(c.style) || !r.Dword(exStyle) || !readBox(box) || !r.Word(id)) return false;
            c.id = id;
        }
        c.x = box[0], c.y = box[1], c.cx = box[2], c.cy = box[3];
        uint16_t extra = 0;
        if (!r.StringOrOrdinal(&c.className, &c.classAtom) || !r.StringOrOrdinal(&c.text) || !r.Word(extra) || !r.Skip(extra))
            return false;
        t.controls.push_back(std::move(c));
    }
    info = std::move(t);
    return true;
}

}  // namespace kv
