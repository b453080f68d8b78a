#pragma once
// The element tree of the settings file: XML_Node (name, value, children), XML_Tree (owner and
// build cursor) and XML_File (scanner and writer). It looks like XML but is read by a small
// character scanner, not an XML parser: elements and text only.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Export.h"

class KV_API XML_Node {
public:
    //! A node with an empty value; a non-null parent appends it to its children at once.
    XML_Node(XML_Node* pParent, const std::wstring& name);
    virtual ~XML_Node();
    XML_Node(const XML_Node&) = delete;
    XML_Node& operator=(const XML_Node&) = delete;

    std::wstring GetName() const { return m_name; }
    std::wstring GetValue() const { return m_value; }
    XML_Node* GetParent() const { return m_pParent; }
    //! Replaces the value.
    void AddValue(const std::wstring& value) { m_value = value; }
    //! The value as a decimal number by the C library's wide rules (_wtoi); saturates beyond 32 bits.
    int GetValueAsInt() const;
    long GetValueAsLong() const;
    //! First child whose name equals name exactly, or null. Does not move the cursor.
    XML_Node* GetSubItem(const std::wstring& name) const;
    XML_Node* GetFirstSubItem();
    XML_Node* GetNextSubItem();
    size_t GetChildCount() const { return m_children.size(); }

protected:
    void AddChild(XML_Node* pChild) { m_children.push_back(pChild); }

private:
    std::wstring m_name;
    std::wstring m_value;
    XML_Node* m_pParent;
    std::vector<XML_Node*> m_children;  // owned
    size_t m_cursor = 0;
};

class KV_API XML_Tree {
public:
    XML_Tree() = default;
    virtual ~XML_Tree();
    XML_Tree(const XML_Tree&) = delete;
    XML_Tree& operator=(const XML_Tree&) = delete;

    XML_Node* GetRoot() const { return m_pRoot; }
    //! Opens an element below the current one (or the root); ignored once the root is closed.
    void AddElement(const std::wstring& name);
    //! Closes the current element.
    void EndElement();
    //! Replace the current element's value; nothing without a current element.
    void AddValue(const std::wstring& value);
    void AddValue(int value);
    void AddValue(long value);

private:
    XML_Node* m_pRoot = nullptr;
    XML_Node* m_pCurrent = nullptr;
};

class KV_API XML_File {
public:
    virtual ~XML_File() = default;
    //! Scans the file into the tree. True in every case; a missing file leaves the tree as it was.
    static bool ReadXMLFile(XML_Tree& tree, const std::wstring& path);
    //! Writes the tree to the file in one step (temporary file, flush, rename). False when the
    //! file could not be written; the previous file is then left intact.
    static bool WriteXMLFile(XML_Tree& tree, const std::wstring& path);
    static void MakeSaveString(std::wstring& s);
    static void UnmakeSaveString(std::wstring& s);

    //! The scanner over UTF-16 LE bytes in memory (an odd last byte is ignored).
    static void ReadXMLBuffer(XML_Tree& tree, const uint8_t* data, size_t size);
    //! The file image the writer produces for a tree, as UTF-16 LE bytes.
    static std::string MakeFileImage(XML_Tree& tree);
};
