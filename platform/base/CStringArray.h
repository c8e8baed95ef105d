#pragma once
// CStringArray: the framework's growable array of strings, with its bounds rules
// (out-of-range reads give an empty string instead of undefined behaviour).

#include "platform/base/CString.h"

#include <algorithm>
#include <vector>

class CStringArray {
public:
    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_items.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    INT_PTR GetUpperBound() const { return GetSize() - 1; }
    bool IsEmpty() const { return m_items.empty(); }
    void SetSize(INT_PTR size) { m_items.resize(static_cast<size_t>(size < 0 ? 0 : size)); }
    void RemoveAll() { m_items.clear(); }

    INT_PTR Add(const CString& s) {
        m_items.push_back(s);
        return GetSize() - 1;
    }
    const CString& GetAt(INT_PTR i) const { return InRange(i) ? m_items[Index(i)] : Empty(); }
    void SetAt(INT_PTR i, const CString& s) {
        if (InRange(i)) {
            m_items[Index(i)] = s;
        }
    }
    void SetAtGrow(INT_PTR i, const CString& s) {
        if (i < 0) {
            return;
        }
        if (i >= GetSize()) {
            SetSize(i + 1);
        }
        m_items[Index(i)] = s;
    }
    const CString& operator[](INT_PTR i) const { return GetAt(i); }
    CString& ElementAt(INT_PTR i) { return m_items.at(Index(i)); }
    void InsertAt(INT_PTR i, const CString& s) {
        if (i < 0) {
            i = 0;
        }
        if (i >= GetSize()) {
            SetAtGrow(i, s);
        } else {
            m_items.insert(m_items.begin() + i, s);
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

private:
    bool InRange(INT_PTR i) const { return i >= 0 && i < GetSize(); }
    static size_t Index(INT_PTR i) { return static_cast<size_t>(i); }
    static const CString& Empty() {
        static const CString empty;
        return empty;
    }
    std::vector<CString> m_items;
};
