#pragma once
// CArray: the framework's growable array of values, with the bounds rules of CStringArray
// (an out-of-range read gives a default value, an out-of-range write does nothing) instead
// of undefined behaviour.

#include "platform/base/WinTypes.h"

#include <algorithm>
#include <vector>

template <class TYPE, class ARG_TYPE = const TYPE&> class CArray {
public:
    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_items.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    INT_PTR GetUpperBound() const { return GetSize() - 1; }
    bool IsEmpty() const { return m_items.empty(); }
    void SetSize(INT_PTR size) { m_items.resize(static_cast<size_t>(size < 0 ? 0 : size)); }
    void RemoveAll() { m_items.clear(); }

    INT_PTR Add(ARG_TYPE item) {
        m_items.push_back(item);
        return GetSize() - 1;
    }
    const TYPE& GetAt(INT_PTR i) const { return InRange(i) ? m_items[Index(i)] : Empty(); }
    void SetAt(INT_PTR i, ARG_TYPE item) {
        if (InRange(i)) {
            m_items[Index(i)] = item;
        }
    }
    void SetAtGrow(INT_PTR i, ARG_TYPE item) {
        if (i < 0) {
            return;
        }
        if (i >= GetSize()) {
            SetSize(i + 1);
        }
        m_items[Index(i)] = item;
    }
    const TYPE& operator[](INT_PTR i) const { return GetAt(i); }
    // Writable element; throws std::out_of_range for a bad index.
    TYPE& ElementAt(INT_PTR i) { return m_items.at(Index(i)); }
    void InsertAt(INT_PTR i, ARG_TYPE item) {
        if (i < 0) {
            i = 0;
        }
        if (i >= GetSize()) {
            SetAtGrow(i, item);
        } else {
            m_items.insert(m_items.begin() + i, item);
        }
    }
    void RemoveAt(INT_PTR i, INT_PTR count = 1) {
        if (InRange(i) && count > 0) {
            const auto last = std::min<INT_PTR>(GetSize(), i + count);
            m_items.erase(m_items.begin() + i, m_items.begin() + last);
        }
    }

    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }
    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }

private:
    bool InRange(INT_PTR i) const { return i >= 0 && i < GetSize(); }
    static size_t Index(INT_PTR i) { return static_cast<size_t>(i); }
    static const TYPE& Empty() {
        static const TYPE empty{};
        return empty;
    }
    std::vector<TYPE> m_items;
};
