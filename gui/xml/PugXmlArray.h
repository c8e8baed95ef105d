#pragma once
// Growable pointer arrays of the XML reader, with checked access.

#include "gui/xml/PugXmlBranch.h"

#include <vector>

namespace pug {

class CPugXmlPtrArray {
public:
    CPugXmlPtrArray() = default;
    virtual ~CPugXmlPtrArray() = default;
    CPugXmlPtrArray(const CPugXmlPtrArray&) = delete;
    CPugXmlPtrArray& operator=(const CPugXmlPtrArray&) = delete;

    int GetCount() const { return static_cast<int>(m_items.size()); }
    int GetCapacity() const { return static_cast<int>(m_items.capacity()); }
    void Add(void* item);
    void RemoveAll() { m_items.clear(); }
    // Address of entry i. Out of range gives the address of this array's spare slot, which
    // is cleared on every such call, so a stray write never reaches a real entry.
    virtual void** ElementAt(int i);
    // Entry i, null when out of range.
    virtual void* GetAt(int i) const;

private:
    static constexpr size_t kInitialRoom = 4;
    std::vector<void*> m_items;
    void* m_spare = nullptr;
};

class CPugXmlBranchArray : public CPugXmlPtrArray {
public:
    CPugXmlBranchArray() = default;
    ~CPugXmlBranchArray() override = default;
    // Branch on entry i, empty when out of range.
    CPugXmlBranch GetBranch(int i) const;
};

} // namespace pug
