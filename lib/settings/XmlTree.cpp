// The element tree and its build cursor. Destruction is iterative: a file can nest elements
// thousands deep, and no depth that a file can drive may turn into recursion.
#include "settings/XmlTree.h"

#include <climits>
#include <cstdio>

XML_Node::XML_Node(XML_Node* pParent, const std::wstring& name) : m_name(name), m_pParent(pParent) {
    if (pParent) pParent->AddChild(this);
}

XML_Node::~XML_Node() {
    std::vector<XML_Node*> pending;
    pending.swap(m_children);
    while (!pending.empty()) {
        XML_Node* n = pending.back();
        pending.pop_back();
        pending.insert(pending.end(), n->m_children.begin(), n->m_children.end());
        n->m_children.clear();
        delete n;
    }
}

namespace {

bool IsCSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\v' || c == L'\f'; }

// _wtoi: leading white space, an optional sign, decimal digits up to the first non-digit.
// Beyond the 32-bit range the result saturates (the file never holds such numbers).
int64_t ParseDecimal(const std::wstring& s) {
    size_t i = 0;
    while (i < s.size() && IsCSpace(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) negative = s[i++] == L'-';
    int64_t v = 0;
    for (; i < s.size() && s[i] >= L'0' && s[i] <= L'9'; ++i) {
        v = v * 10 + (s[i] - L'0');
        if (v > int64_t(INT_MAX) + 1) v = int64_t(INT_MAX) + 1;
    }
    v = negative ? -v : v;
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : v;
}

}  // namespace

int XML_Node::GetValueAsInt() const { return int(ParseDecimal(m_value)); }
long XML_Node::GetValueAsLong() const { return long(ParseDecimal(m_value)); }

XML_Node* XML_Node::GetSubItem(const std::wstring& name) const {
    for (XML_Node* child : m_children)
        if (child->m_name == name) return child;
    return nullptr;
}

XML_Node* XML_Node::GetFirstSubItem() {
    m_cursor = 0;
    return m_children.empty() ? nullptr : m_children[0];
}

XML_Node* XML_Node::GetNextSubItem() {
    if (m_cursor < m_children.size()) ++m_cursor;
    return m_cursor < m_children.size() ? m_children[m_cursor] : nullptr;
}

XML_Tree::~XML_Tree() { delete m_pRoot; }

void XML_Tree::AddElement(const std::wstring& name) {
    if (!m_pRoot) {
        m_pRoot = new XML_Node(nullptr, name);
        m_pCurrent = m_pRoot;
    } else if (m_pCurrent) {
        m_pCurrent = new XML_Node(m_pCurrent, name);
    }
}

void XML_Tree::EndElement() {
    if (m_pCurrent) m_pCurrent = m_pCurrent->GetParent();
}

void XML_Tree::AddValue(const std::wstring& value) {
    if (m_pCurrent) m_pCurrent->AddValue(value);
}

void XML_Tree::AddValue(int value) { AddValue(std::to_wstring(value)); }

void XML_Tree::AddValue(long value) { AddValue(std::to_wstring(value)); }
