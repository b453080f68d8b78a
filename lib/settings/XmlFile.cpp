// The scanner and the writer of the settings file: UTF-16 LE without a byte-order mark, LF line
// ends, one tag or value per line, the depth in spaces. Text runs and lines have no length
// limit: buffers grow, so a value of any length is written whole and reads back whole.
//
// The value escape: "/" is written as the six characters "\colon", and reading turns every
// "\colon" back into "/". A value holding the text "\colon" itself (a folder "C:\colon shots")
// would come back with "/" there; such an occurrence is written as "\/colon" instead. No file
// the plain escape wrote holds a "/" in a value line, so "\/colon" never stood in one: those
// files read exactly as before, and every value reads back as it was written.
#include <algorithm>

#include "settings/FileIO.h"
#include "settings/XmlTree.h"

namespace {

const std::wstring kColon = L"\\colon";        // stands for "/"
const std::wstring kColonItself = L"\\/colon";  // stands for the text "\colon"

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n'; }

bool At(const std::wstring& s, size_t i, const std::wstring& what) { return s.compare(i, what.size(), what) == 0; }

// The text as a C string would see it: up to its first NUL.
std::wstring UpToNul(const std::wstring& s) { return s.substr(0, s.find(L'\0')); }

class Scanner {
public:
    explicit Scanner(XML_Tree& tree) : m_tree(tree) {}
    void Feed(wchar_t u) {
        if (u == L'<') {
            FlushText();
            m_inTag = true;
            m_buffer.clear();
        } else if (u == L'>' && m_inTag) {
            const std::wstring tag = UpToNul(m_buffer);
            if (!tag.empty() && tag[0] == L'/')
                m_tree.EndElement();  // the closing tag's name is not looked at
            else
                m_tree.AddElement(tag);
            m_inTag = false;
            m_buffer.clear();
        } else {
            m_buffer += u;
        }
    }

private:
    void FlushText() {
        const std::wstring text = UpToNul(m_buffer);
        const auto first = std::find_if_not(text.begin(), text.end(), IsBlank);
        if (first == text.end()) return;  // only blanks
        const auto last = std::find_if_not(text.rbegin(), text.rend(), IsBlank).base();
        std::wstring value(first, last);
        XML_File::UnmakeSaveString(value);
        m_tree.AddValue(value);
    }

    XML_Tree& m_tree;
    std::wstring m_buffer;
    bool m_inTag = false;
};

void PutUnit(std::string& out, wchar_t c) {
    out += char(uint32_t(c) & 0xFF);
    out += char((uint32_t(c) >> 8) & 0xFF);
}

void PutLine(std::string& out, size_t indent, const std::wstring& a, const std::wstring& b = {},
             const std::wstring& c = {}) {
    for (size_t i = 0; i < indent; ++i) PutUnit(out, L' ');
    for (const std::wstring* s : {&a, &b, &c})
        for (wchar_t ch : *s) PutUnit(out, ch);
    PutUnit(out, L'\n');
}

}  // namespace

// One pass from the left, as the reader goes: "\colon" in the value becomes "\/colon", "/"
// becomes "\colon". Without "\colon" in the value this is the plain escape.
void XML_File::MakeSaveString(std::wstring& s) {
    if (s.find_first_of(L"/\\") == std::wstring::npos) return;
    std::wstring out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        if (At(s, i, kColon)) {
            out += kColonItself;
            i += kColon.size();
        } else if (s[i] == L'/') {
            out += kColon;
            ++i;
        } else {
            out += s[i++];
        }
    }
    s.swap(out);
}

void XML_File::UnmakeSaveString(std::wstring& s) {
    if (s.find(L'\\') == std::wstring::npos) return;
    std::wstring out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        if (At(s, i, kColonItself)) {
            out += kColon;
            i += kColonItself.size();
        } else if (At(s, i, kColon)) {
            out += L'/';
            i += kColon.size();
        } else {
            out += s[i++];
        }
    }
    s.swap(out);
}

void XML_File::ReadXMLBuffer(XML_Tree& tree, const uint8_t* data, size_t size) {
    Scanner scanner(tree);
    size_t i = 0;
    // A leading byte-order mark is tolerated (it would be text before the root anyway).
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) i = 2;
    for (; i + 1 < size; i += 2) scanner.Feed(wchar_t(data[i] | (data[i + 1] << 8)));
}

bool XML_File::ReadXMLFile(XML_Tree& tree, const std::wstring& path) {
    std::string bytes;
    if (kv::ReadFileBytes(path, bytes))
        ReadXMLBuffer(tree, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return true;
}

// A pre-order walk with the nodes' own child cursors, as the tree is meant to be walked: no
// recursion, one indentation count.
std::string XML_File::MakeFileImage(XML_Tree& tree) {
    std::string out;
    XML_Node* node = tree.GetRoot();
    size_t indent = 0;
    while (node) {
        PutLine(out, indent, L"<", UpToNul(node->GetName()), L">");
        std::wstring value = UpToNul(node->GetValue());
        if (!value.empty()) {
            MakeSaveString(value);
            PutLine(out, indent + 1, value);
        }
        if (XML_Node* child = node->GetFirstSubItem()) {
            ++indent;
            node = child;
            continue;
        }
        for (;;) {
            PutLine(out, indent, L"</", UpToNul(node->GetName()), L">");
            XML_Node* parent = node->GetParent();
            if (!parent) {
                node = nullptr;
                break;
            }
            --indent;
            if (XML_Node* next = parent->GetNextSubItem()) {
                ++indent;
                node = next;
                break;
            }
            node = parent;
        }
    }
    return out;
}

bool XML_File::WriteXMLFile(XML_Tree& tree, const std::wstring& path) {
    return kv::WriteFileAtomic(path, MakeFileImage(tree));
}
