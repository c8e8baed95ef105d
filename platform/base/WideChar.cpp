#include "platform/base/WideChar.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

size_t wcslen(const WCHAR* s) {
    size_t n = 0;
    while (s[n] != 0) {
        ++n;
    }
    return n;
}

size_t wcsnlen(const WCHAR* s, size_t max) {
    size_t n = 0;
    while (n < max && s[n] != 0) {
        ++n;
    }
    return n;
}

int wcscmp(const WCHAR* a, const WCHAR* b) {
    for (;; ++a, ++b) {
        if (*a != *b) {
            return *a < *b ? -1 : 1;
        }
        if (*a == 0) {
            return 0;
        }
    }
}

int wcsncmp(const WCHAR* a, const WCHAR* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (a[i] != b[i]) {
            return a[i] < b[i] ? -1 : 1;
        }
        if (a[i] == 0) {
            return 0;
        }
    }
    return 0;
}

WCHAR FoldCase(WCHAR c) {
    if (c < 0x80) {
        return (c >= u'A' && c <= u'Z') ? static_cast<WCHAR>(c + 32) : c;
    }
    // Latin-1 capitals except the multiplication sign.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) {
        return static_cast<WCHAR>(c + 32);
    }
    // Latin Extended-A: capitals at even code points (with the odd stretch 0x139..0x148
    // and 0x179..0x17E).
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) {
        return (c % 2 == 0) ? static_cast<WCHAR>(c + 1) : c;
    }
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
        return (c % 2 == 1) ? static_cast<WCHAR>(c + 1) : c;
    }
    if (c == 0x178) {
        return 0xFF;
    }
    // Greek capitals.
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) {
        return static_cast<WCHAR>(c + 32);
    }
    // Cyrillic.
    if (c >= 0x410 && c <= 0x42F) {
        return static_cast<WCHAR>(c + 32);
    }
    if (c >= 0x400 && c <= 0x40F) {
        return static_cast<WCHAR>(c + 80);
    }
    // Full-width Latin capitals.
    if (c >= 0xFF21 && c <= 0xFF3A) {
        return static_cast<WCHAR>(c + 32);
    }
    return c;
}

WCHAR ToUpperCase(WCHAR c) {
    if (c < 0x80) {
        return (c >= u'a' && c <= u'z') ? static_cast<WCHAR>(c - 32) : c;
    }
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) {
        return static_cast<WCHAR>(c - 32);
    }
    if (c == 0xFF) {
        return 0x178;
    }
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) {
        return (c % 2 == 1) ? static_cast<WCHAR>(c - 1) : c;
    }
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
        return (c % 2 == 0) ? static_cast<WCHAR>(c - 1) : c;
    }
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) {
        return static_cast<WCHAR>(c - 32);
    }
    if (c >= 0x430 && c <= 0x44F) {
        return static_cast<WCHAR>(c - 32);
    }
    if (c >= 0x450 && c <= 0x45F) {
        return static_cast<WCHAR>(c - 80);
    }
    if (c >= 0xFF41 && c <= 0xFF5A) {
        return static_cast<WCHAR>(c - 32);
    }
    return c;
}

WCHAR towlower(WCHAR c) {
    return FoldCase(c);
}
WCHAR towupper(WCHAR c) {
    return ToUpperCase(c);
}

bool iswspace(WCHAR c) {
    return c == u' ' || (c >= 0x09 && c <= 0x0D) || c == 0xA0 || c == 0x3000 || c == 0xFEFF;
}
bool iswdigit(WCHAR c) {
    return c >= u'0' && c <= u'9';
}
bool iswalpha(WCHAR c) {
    if (c < 0x80) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    }
    return FoldCase(c) != c || ToUpperCase(c) != c;
}
bool iswalnum(WCHAR c) {
    return iswdigit(c) || iswalpha(c);
}

int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const WCHAR x = FoldCase(a[i]);
        const WCHAR y = FoldCase(b[i]);
        if (x != y) {
            return x < y ? -1 : 1;
        }
        if (x == 0) {
            return 0;
        }
    }
    return 0;
}

int wcsicmp(const WCHAR* a, const WCHAR* b) {
    return _wcsnicmp(a, b, SIZE_MAX);
}
int _wcsicmp(const WCHAR* a, const WCHAR* b) {
    return _wcsnicmp(a, b, SIZE_MAX);
}
int lstrcmpiW(const WCHAR* a, const WCHAR* b) {
    return _wcsnicmp(a, b, SIZE_MAX);
}
int lstrcmpW(const WCHAR* a, const WCHAR* b) {
    return wcscmp(a, b);
}
int lstrlenW(const WCHAR* s) {
    return s == nullptr ? 0 : static_cast<int>(wcslen(s));
}

const WCHAR* wcschr(const WCHAR* s, WCHAR c) {
    for (;; ++s) {
        if (*s == c) {
            return s;
        }
        if (*s == 0) {
            return nullptr;
        }
    }
}

const WCHAR* wcsrchr(const WCHAR* s, WCHAR c) {
    const WCHAR* found = nullptr;
    for (;; ++s) {
        if (*s == c) {
            found = s;
        }
        if (*s == 0) {
            return found;
        }
    }
}

const WCHAR* wcsstr(const WCHAR* hay, const WCHAR* needle) {
    const std::u16string_view h(hay);
    const size_t pos = h.find(needle);
    return pos == std::u16string_view::npos ? nullptr : hay + pos;
}

int wcsncpy_s(WCHAR* dst, size_t dstCount, const WCHAR* src, size_t count) {
    if (dst == nullptr || dstCount == 0) {
        return EINVAL;
    }
    if (src == nullptr) {
        dst[0] = 0;
        return EINVAL;
    }
    const size_t len = wcsnlen(src, count);
    const size_t n = len < dstCount ? len : dstCount - 1;
    for (size_t i = 0; i < n; ++i) {
        dst[i] = src[i];
    }
    dst[n] = 0;
    return n == len ? 0 : ERANGE;
}

int wcscpy_s(WCHAR* dst, size_t dstCount, const WCHAR* src) {
    return wcsncpy_s(dst, dstCount, src, SIZE_MAX);
}

int wcscat_s(WCHAR* dst, size_t dstCount, const WCHAR* src) {
    if (dst == nullptr || dstCount == 0) {
        return EINVAL;
    }
    const size_t have = wcsnlen(dst, dstCount);
    if (have == dstCount) {
        dst[0] = 0;
        return EINVAL;
    }
    return wcsncpy_s(dst + have, dstCount - have, src, SIZE_MAX);
}

namespace {

int DigitValue(WCHAR c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'z') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'Z') {
        return c - u'A' + 10;
    }
    return 99;
}

// Parses an integer prefix; returns the magnitude saturated at limit and the sign.
unsigned long long ParseMagnitude(const WCHAR*& s, int& base, bool& negative) {
    while (iswspace(*s)) {
        ++s;
    }
    negative = false;
    if (*s == u'+' || *s == u'-') {
        negative = *s == u'-';
        ++s;
    }
    if ((base == 0 || base == 16) && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X') &&
        DigitValue(s[2]) < 16) {
        s += 2;
        base = 16;
    } else if (base == 0) {
        base = (s[0] == u'0') ? 8 : 10;
    }
    unsigned long long value = 0;
    constexpr unsigned long long cap = 1ULL << 62;
    while (DigitValue(*s) < base) {
        value = value * static_cast<unsigned long long>(base) +
                static_cast<unsigned long long>(DigitValue(*s));
        if (value > cap) {
            value = cap;
        }
        ++s;
    }
    return value;
}

} // namespace

long wcstol(const WCHAR* s, const WCHAR** end, int base) {
    const WCHAR* p = s;
    bool negative = false;
    const WCHAR* start = p;
    const unsigned long long mag = ParseMagnitude(p, base, negative);
    if (end != nullptr) {
        *end = (p == start) ? s : p;
    }
    if (negative) {
        return mag > static_cast<unsigned long long>(LONG_MAX) + 1ULL
                   ? LONG_MIN
                   : -static_cast<long>(mag - 1) - 1;
    }
    return mag > static_cast<unsigned long long>(LONG_MAX) ? LONG_MAX : static_cast<long>(mag);
}

unsigned long wcstoul(const WCHAR* s, const WCHAR** end, int base) {
    const WCHAR* p = s;
    bool negative = false;
    const unsigned long long mag = ParseMagnitude(p, base, negative);
    if (end != nullptr) {
        *end = p;
    }
    const unsigned long v = mag > ULONG_MAX ? ULONG_MAX : static_cast<unsigned long>(mag);
    return negative ? static_cast<unsigned long>(0UL - v) : v;
}

int _wtoi(const WCHAR* s) {
    if (s == nullptr) {
        return 0;
    }
    const long v = wcstol(s, nullptr, 10);
    if (v > INT_MAX) {
        return INT_MAX;
    }
    if (v < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(v);
}

long _wtol(const WCHAR* s) {
    return s == nullptr ? 0 : wcstol(s, nullptr, 10);
}

double _wtof(const WCHAR* s) {
    if (s == nullptr) {
        return 0.0;
    }
    std::string narrow;
    for (; *s != 0 && *s < 0x80; ++s) {
        narrow.push_back(static_cast<char>(*s));
    }
    return std::strtod(narrow.c_str(), nullptr);
}

std::u32string ToUtf32(std::u16string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            out.push_back(0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) +
                          (static_cast<char32_t>(text[i + 1]) - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out.push_back(0xFFFD);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::u16string FromUtf32(std::u32string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out.push_back(0xFFFD);
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : ToUtf32(text)) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::u16string FromUtf8(std::string_view text) {
    std::u32string cps;
    cps.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t c = 0;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F;
            extra = 1;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F;
            extra = 2;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07;
            extra = 3;
        } else {
            cps.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (i + static_cast<size_t>(extra) >= text.size()) {
            cps.push_back(0xFFFD);
            break;
        }
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            const auto cont = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            if ((cont & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (cont & 0x3F);
        }
        if (!ok) {
            cps.push_back(0xFFFD);
            ++i;
            continue;
        }
        const bool overlong =
            (extra == 1 && c < 0x80) || (extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000);
        cps.push_back(overlong ? char32_t{0xFFFD} : c);
        i += static_cast<size_t>(extra) + 1;
    }
    return FromUtf32(cps);
}

std::u16string Widen(std::string_view ascii) {
    std::u16string out;
    out.reserve(ascii.size());
    for (char c : ascii) {
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    }
    return out;
}
