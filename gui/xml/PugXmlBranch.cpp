#include "gui/xml/PugXmlBranch.h"

#include "gui/xml/PugXmlArray.h"
#include "platform/base/WideChar.h"

#include <algorithm>
#include <utility>

namespace pug {
namespace {

const WCHAR kEmptyText[] = u"";

std::unique_ptr<WCHAR[]> CopyText(const WCHAR* text) {
    const size_t len = text == nullptr ? 0 : wcslen(text);
    auto copy = std::make_unique<WCHAR[]>(len + 1);
    std::copy_n(text == nullptr ? kEmptyText : text, len, copy.get());
    copy[len] = 0;
    return copy;
}

// Walks the elements below start in depth-first pre-order with an explicit stack, so that no
// nesting depth can exhaust the call stack. visit returns false to stop.
template <typename Visit> void WalkBelow(PugXmlNode* start, Visit visit) {
    if (start == nullptr) {
        return;
    }
    std::vector<std::pair<PugXmlNode*, size_t>> stack;
    stack.emplace_back(start, 0);
    while (!stack.empty()) {
        auto& [node, next] = stack.back();
        if (next >= node->children.size()) {
            stack.pop_back();
            continue;
        }
        PugXmlNode* child = node->children[next++];
        if (child->type == PUGXML_ELEMENT && !visit(child)) {
            return;
        }
        if (!child->children.empty()) {
            stack.emplace_back(child, 0);
        }
    }
}

} // namespace

const WCHAR* XMLATTR::GetName() const {
    return m_attr == nullptr || m_attr->name == nullptr ? kEmptyText : m_attr->name;
}

const WCHAR* XMLATTR::GetValue() const {
    return m_attr == nullptr || m_attr->value == nullptr ? kEmptyText : m_attr->value;
}

CPugXmlBranch CPugXmlBranch::GetParent() const {
    return CPugXmlBranch(m_node == nullptr ? nullptr : m_node->parent);
}

int CPugXmlBranch::GetChildCount() const {
    return m_node == nullptr ? 0 : static_cast<int>(m_node->children.size());
}

CPugXmlBranch CPugXmlBranch::GetChild(int i) const {
    if (m_node == nullptr || i < 0 || static_cast<size_t>(i) >= m_node->children.size()) {
        return {};
    }
    return CPugXmlBranch(m_node->children[static_cast<size_t>(i)]);
}

CPugXmlBranch CPugXmlBranch::FindByName(const WCHAR* name) const {
    PugXmlNode* found = nullptr;
    if (name == nullptr) {
        return {};
    }
    WalkBelow(m_node, [&](PugXmlNode* node) {
        if (PugXmlMatchName(name, node->name)) {
            found = node;
            return false;
        }
        return true;
    });
    return CPugXmlBranch(found);
}

void CPugXmlBranch::FindAllByName(const WCHAR* name, CPugXmlBranchArray& found) const {
    if (name == nullptr) {
        return;
    }
    WalkBelow(m_node, [&](PugXmlNode* node) {
        if (PugXmlMatchName(name, node->name)) {
            found.Add(node);
        }
        return true;
    });
}

int CPugXmlBranch::GetAttributeCount() const {
    return m_node == nullptr ? 0 : static_cast<int>(m_node->attributes.size());
}

XMLATTR CPugXmlBranch::GetAttribute(int i) const {
    if (m_node == nullptr || i < 0 || static_cast<size_t>(i) >= m_node->attributes.size()) {
        return {};
    }
    return XMLATTR(m_node->attributes[static_cast<size_t>(i)].get());
}

int CPugXmlBranch::AttributeIndex(const WCHAR* name) const {
    if (m_node == nullptr || name == nullptr) {
        return -1;
    }
    for (size_t i = 0; i < m_node->attributes.size(); ++i) {
        const WCHAR* attrName = m_node->attributes[i]->name;
        if (attrName != nullptr && wcscmp(attrName, name) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

XMLATTR CPugXmlBranch::FindAttribute(const WCHAR* name) const {
    return GetAttribute(AttributeIndex(name));
}

XMLATTR CPugXmlBranch::Attribute(const WCHAR* name) {
    if (IsEmpty() || name == nullptr) {
        return {};
    }
    const int index = AttributeIndex(name);
    if (index >= 0) {
        return GetAttribute(index);
    }
    auto attr = std::make_unique<PugXmlAttribute>();
    attr->ownedName = CopyText(name);
    attr->ownedValue = CopyText(kEmptyText);
    attr->name = attr->ownedName.get();
    attr->value = attr->ownedValue.get();
    m_node->attributes.push_back(std::move(attr));
    return XMLATTR(m_node->attributes.back().get());
}

WCHAR* CPugXmlBranch::GetText(WCHAR* buffer, size_t size) const {
    if (m_node == nullptr || m_node->children.empty()) {
        return nullptr;
    }
    if (buffer == nullptr || size == 0) {
        return buffer;
    }
    for (const PugXmlNode* child : m_node->children) {
        if (child->value != nullptr) {
            wcsncpy_s(buffer, size, child->value, std::min(size - 1, kMaxText));
            break;
        }
    }
    return buffer;
}

void CPugXmlPtrArray::Add(void* item) {
    // Room for four entries at first; after that the block grows geometrically, so that long
    // lists are not copied over and over.
    if (m_items.capacity() == 0) {
        m_items.reserve(kInitialRoom);
    }
    m_items.push_back(item);
}

void** CPugXmlPtrArray::ElementAt(int i) {
    if (i < 0 || static_cast<size_t>(i) >= m_items.size()) {
        m_spare = nullptr;
        return &m_spare;
    }
    return &m_items[static_cast<size_t>(i)];
}

void* CPugXmlPtrArray::GetAt(int i) const {
    if (i < 0 || static_cast<size_t>(i) >= m_items.size()) {
        return nullptr;
    }
    return m_items[static_cast<size_t>(i)];
}

CPugXmlBranch CPugXmlBranchArray::GetBranch(int i) const {
    return CPugXmlBranch(static_cast<PugXmlNode*>(GetAt(i)));
}

} // namespace pug
