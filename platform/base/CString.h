#pragma once
// CString: the framework-style wide string the system's code is written with. It holds UTF-16
// code units; Format follows the Windows conventions (%s is a wide string, %S a narrow one).

#include "platform/base/WinTypes.h"

#include <compare>
#include <cstdarg>
#include <string>
#include <string_view>

class CString {
public:
    CString() = default;
    CString(const WCHAR* s);
    CString(const WCHAR* s, int length);
    CString(WCHAR ch, int repeat = 1);
    CString(std::u16string s) : m_text(std::move(s)) {}
    CString(std::u16string_view s) : m_text(s) {}
    // A narrow string is taken as UTF-8.
    explicit CString(const char* utf8);

    // Content access.
    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    const WCHAR* GetString() const { return m_text.c_str(); }
    operator const WCHAR*() const { return m_text.c_str(); }
    WCHAR GetAt(int index) const;
    void SetAt(int index, WCHAR ch);
    WCHAR operator[](int index) const { return GetAt(index); }
    const std::u16string& str() const { return m_text; }
    std::u16string_view view() const { return m_text; }
    std::string ToUtf8() const;

    // Formatting in the Windows manner; arguments for %s must be const WCHAR* (pass
    // GetString() or a cast, never a CString object).
    void Format(const WCHAR* format, ...);
    void FormatV(const WCHAR* format, va_list args);
    void AppendFormat(const WCHAR* format, ...);

    // Comparison. Compare is ordinal; CompareNoCase folds with FoldCase.
    int Compare(const WCHAR* other) const;
    int CompareNoCase(const WCHAR* other) const;

    // Sub-strings; out-of-range counts are clamped as the framework does.
    CString Left(int count) const;
    CString Right(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString SpanIncluding(const WCHAR* set) const;
    CString SpanExcluding(const WCHAR* set) const;

    // Search: index or -1.
    int Find(WCHAR ch, int start = 0) const;
    int Find(const WCHAR* sub, int start = 0) const;
    int ReverseFind(WCHAR ch) const;
    int FindOneOf(const WCHAR* set) const;

    // Modification.
    CString& MakeLower();
    CString& MakeUpper();
    CString& MakeReverse();
    CString& Trim();
    CString& TrimLeft();
    CString& TrimRight();
    CString& Trim(WCHAR ch);
    CString& TrimLeft(WCHAR ch);
    CString& TrimRight(WCHAR ch);
    CString& TrimLeft(const WCHAR* set);
    CString& TrimRight(const WCHAR* set);
    int Replace(WCHAR oldCh, WCHAR newCh);
    int Replace(const WCHAR* oldText, const WCHAR* newText);
    int Remove(WCHAR ch);
    int Insert(int index, WCHAR ch);
    int Insert(int index, const WCHAR* text);
    int Delete(int index, int count = 1);
    CString Tokenize(const WCHAR* tokens, int& start) const;

    // Direct buffer access: GetBuffer gives at least minLength+1 writable units;
    // ReleaseBuffer(-1) takes the length up to the first terminator.
    WCHAR* GetBuffer(int minLength = 0);
    WCHAR* GetBufferSetLength(int length);
    void ReleaseBuffer(int newLength = -1);

    CString& operator=(const WCHAR* s);
    CString& operator=(WCHAR ch);
    CString& operator+=(const CString& s);
    CString& operator+=(const WCHAR* s);
    CString& operator+=(WCHAR ch);
    void Append(const WCHAR* s) { *this += s; }
    void AppendChar(WCHAR ch) { *this += ch; }

    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const WCHAR* b);
    friend CString operator+(const WCHAR* a, const CString& b);
    friend CString operator+(const CString& a, WCHAR b);
    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, const WCHAR* b);
    friend std::strong_ordering operator<=>(const CString& a, const CString& b) {
        return a.m_text <=> b.m_text;
    }

private:
    std::u16string m_text;
};

using CStringW = CString;

// Formats into a fresh std::u16string with the same rules as CString::Format.
std::u16string FormatWide(const WCHAR* format, ...);
std::u16string FormatWideV(const WCHAR* format, va_list args);
// swprintf_s-style: formats into a fixed buffer of count units, always terminated; returns
// the number of units written, or -1 when the result had to be cut.
int swprintf_s(WCHAR* buffer, size_t count, const WCHAR* format, ...);
