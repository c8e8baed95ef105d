#pragma once
// C-style wide-character helpers on WCHAR (UTF-16 code units), named as the system's code
// calls them, plus the conversions at the edges (UTF-8 for files and the desktop).

#include "platform/base/WinTypes.h"

#include <string>
#include <string_view>

// Length up to the terminator.
size_t wcslen(const WCHAR* s);
// Bounded length: at most max code units are examined.
size_t wcsnlen(const WCHAR* s, size_t max);
int wcscmp(const WCHAR* a, const WCHAR* b);
int wcsncmp(const WCHAR* a, const WCHAR* b, size_t n);
// Case-insensitive compare (see FoldCase for the folding).
int wcsicmp(const WCHAR* a, const WCHAR* b);
int _wcsicmp(const WCHAR* a, const WCHAR* b);
int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t n);
int lstrcmpiW(const WCHAR* a, const WCHAR* b);
int lstrcmpW(const WCHAR* a, const WCHAR* b);
int lstrlenW(const WCHAR* s);
const WCHAR* wcschr(const WCHAR* s, WCHAR c);
const WCHAR* wcsrchr(const WCHAR* s, WCHAR c);
const WCHAR* wcsstr(const WCHAR* hay, const WCHAR* needle);

// Bounded copies in the style of the secure CRT: the destination (capacity dstCount code
// units, terminator included) always ends terminated; a source that does not fit is cut.
// They return 0, or a non-zero code when the source had to be cut or arguments were bad.
int wcscpy_s(WCHAR* dst, size_t dstCount, const WCHAR* src);
int wcsncpy_s(WCHAR* dst, size_t dstCount, const WCHAR* src, size_t count);
int wcscat_s(WCHAR* dst, size_t dstCount, const WCHAR* src);
template <size_t N> int wcscpy_s(WCHAR (&dst)[N], const WCHAR* src) {
    return wcscpy_s(dst, N, src);
}
template <size_t N> int wcscat_s(WCHAR (&dst)[N], const WCHAR* src) {
    return wcscat_s(dst, N, src);
}

// Decimal integer in the manner of _wtoi: leading white space, optional sign, digits; stops at
// the first other character; 0 when there are no digits; saturates on overflow.
int _wtoi(const WCHAR* s);
long _wtol(const WCHAR* s);
long wcstol(const WCHAR* s, const WCHAR** end, int base);
unsigned long wcstoul(const WCHAR* s, const WCHAR** end, int base);
double _wtof(const WCHAR* s);

// Case folding used by every case-insensitive comparison of the system: ASCII letters, the
// Latin-1 and Latin Extended-A letters, Greek and Cyrillic capitals fold to lower case.
WCHAR FoldCase(WCHAR c);
WCHAR ToUpperCase(WCHAR c);
WCHAR towlower(WCHAR c);
WCHAR towupper(WCHAR c);
bool iswspace(WCHAR c);
bool iswdigit(WCHAR c);
bool iswalpha(WCHAR c);
bool iswalnum(WCHAR c);

// Conversions at the edges. Invalid sequences become U+FFFD.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);
std::u32string ToUtf32(std::u16string_view text);
std::u16string FromUtf32(std::u32string_view text);
// ASCII literal helper for code that builds fixed texts from narrow strings.
std::u16string Widen(std::string_view ascii);
