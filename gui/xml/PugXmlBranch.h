#pragma once
// A handle on one node of the XML tree: searches below it, its attributes and its text.
// Copying copies the handle; the node belongs to the parser and the handle must not outlive
// it.

#include "gui/xml/PugXmlAttr.h"
#include "gui/xml/PugXmlNode.h"

#include <cstddef>

namespace pug {

class CPugXmlBranchArray;

class CPugXmlBranch {
public:
    // Largest text GetText copies, without the terminator.
    static constexpr size_t kMaxText = 512;

    CPugXmlBranch() = default;
    explicit CPugXmlBranch(PugXmlNode* node) : m_node(node) {}
    virtual ~CPugXmlBranch() = default;
    CPugXmlBranch(const CPugXmlBranch&) = default;
    CPugXmlBranch& operator=(const CPugXmlBranch&) = default;

    // An empty branch is what a search gives when it finds nothing.
    bool IsEmpty() const { return m_node == nullptr || m_node->type == PUGXML_EMPTY; }
    int GetType() const { return m_node == nullptr ? PUGXML_EMPTY : m_node->type; }
    // The node's name and value; null when it has none.
    const WCHAR* GetName() const { return m_node == nullptr ? nullptr : m_node->name; }
    const WCHAR* GetValue() const { return m_node == nullptr ? nullptr : m_node->value; }
    PugXmlNode* GetNode() const { return m_node; }
    CPugXmlBranch GetParent() const;
    int GetChildCount() const;
    // Child i; empty when out of range.
    CPugXmlBranch GetChild(int i) const;

    // First element below this node whose name matches, in depth-first pre-order; the branch
    // itself is not tested. Only elements are candidates, so a DOCTYPE or processing
    // instruction that carries the same name never hides the element.
    CPugXmlBranch FindByName(const WCHAR* name) const;
    // Appends every element below this node whose name matches, in the same order, nested
    // matches included.
    void FindAllByName(const WCHAR* name, CPugXmlBranchArray& found) const;

    int GetAttributeCount() const;
    // Attribute i; empty handle when out of range.
    XMLATTR GetAttribute(int i) const;
    // The attribute with that name; a missing one is added with an empty value (the element
    // then counts it). On an empty branch the result is an empty handle.
    XMLATTR Attribute(const WCHAR* name);
    // The attribute or an empty handle; adds nothing.
    XMLATTR FindAttribute(const WCHAR* name) const;
    // Its position, or -1; adds nothing.
    int AttributeIndex(const WCHAR* name) const;

    // Copies the value of the first child that has one into buffer (capacity size, at most
    // kMaxText characters plus the terminator) and returns buffer. When no child has a value
    // the buffer is left as it was; with no children at all the result is null.
    WCHAR* GetText(WCHAR* buffer, size_t size = kMaxText + 1) const;

private:
    PugXmlNode* m_node = nullptr;
};

} // namespace pug
