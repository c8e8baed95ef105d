#include "platform/base/CString.h"

#include "platform/base/WideChar.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

// One conversion of a Windows-style format: flags, width, precision, size prefix, type.
struct Conversion {
    bool left = false;
    bool plus = false;
    bool space = false;
    bool alt = false;
    bool zero = false;
    int width = -1;
    int precision = -1;
    int size = 0; // 0 int, 1 short (h), 2 long (l), 3 64-bit (ll, I64), 4 pointer-sized (I, z)
};

void Pad(std::u16string& out, const std::u16string& body, const Conversion& conv, bool numeric) {
    const int len = static_cast<int>(body.size());
    if (conv.width <= len) {
        out += body;
        return;
    }
    const auto fill = static_cast<size_t>(conv.width - len);
    if (conv.left) {
        out += body;
        out.append(fill, u' ');
    } else if (conv.zero && numeric && conv.precision < 0) {
        // Zero padding goes after any sign or 0x prefix.
        size_t prefix = 0;
        if (!body.empty() && (body[0] == u'-' || body[0] == u'+' || body[0] == u' ')) {
            prefix = 1;
        }
        if (body.size() >= prefix + 2 && body[prefix] == u'0' &&
            (body[prefix + 1] == u'x' || body[prefix + 1] == u'X')) {
            prefix += 2;
        }
        out.append(body, 0, prefix);
        out.append(fill, u'0');
        out.append(body, prefix, std::u16string::npos);
    } else {
        out.append(fill, u' ');
        out += body;
    }
}

std::u16string Digits(unsigned long long v, unsigned base, bool upper, int precision) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::u16string s;
    if (v == 0 && precision == 0) {
        return s;
    }
    do {
        s.push_back(static_cast<char16_t>(digits[v % base]));
        v /= base;
    } while (v != 0);
    while (precision >= 0 && static_cast<int>(s.size()) < precision) {
        s.push_back(u'0');
    }
    std::reverse(s.begin(), s.end());
    return s;
}

} // namespace

std::u16string FormatWideV(const WCHAR* format, va_list args) {
    std::u16string out;
    if (format == nullptr) {
        return out;
    }
    for (const WCHAR* p = format; *p != 0; ++p) {
        if (*p != u'%') {
            out.push_back(*p);
            continue;
        }
        ++p;
        if (*p == u'%') {
            out.push_back(u'%');
            continue;
        }
        Conversion conv;
        for (;; ++p) {
            if (*p == u'-') {
                conv.left = true;
            } else if (*p == u'+') {
                conv.plus = true;
            } else if (*p == u' ') {
                conv.space = true;
            } else if (*p == u'#') {
                conv.alt = true;
            } else if (*p == u'0') {
                conv.zero = true;
            } else {
                break;
            }
        }
        if (*p == u'*') {
            conv.width = va_arg(args, int);
            if (conv.width < 0) {
                conv.left = true;
                conv.width = -conv.width;
            }
            ++p;
        } else {
            while (iswdigit(*p)) {
                conv.width = std::max(conv.width, 0) * 10 + (*p - u'0');
                ++p;
            }
        }
        if (*p == u'.') {
            ++p;
            conv.precision = 0;
            if (*p == u'*') {
                conv.precision = va_arg(args, int);
                ++p;
            } else {
                while (iswdigit(*p)) {
                    conv.precision = conv.precision * 10 + (*p - u'0');
                    ++p;
                }
            }
        }
        if (*p == u'h') {
            conv.size = 1;
            ++p;
        } else if (*p == u'l') {
            conv.size = 2;
            ++p;
            if (*p == u'l') {
                conv.size = 3;
                ++p;
            }
        } else if (*p == u'I' && p[1] == u'6' && p[2] == u'4') {
            conv.size = 3;
            p += 3;
        } else if (*p == u'I' || *p == u'z') {
            conv.size = 4;
            ++p;
        }
        const WCHAR type = *p;
        if (type == 0) {
            break;
        }
        switch (type) {
        case u'd':
        case u'i': {
            long long v = 0;
            if (conv.size == 3) {
                v = va_arg(args, long long);
            } else if (conv.size == 2) {
                v = va_arg(args, long);
            } else if (conv.size == 4) {
                v = va_arg(args, std::intptr_t);
            } else {
                v = va_arg(args, int);
                if (conv.size == 1) {
                    v = static_cast<short>(v);
                }
            }
            const unsigned long long mag = v < 0 ? 0ULL - static_cast<unsigned long long>(v)
                                                 : static_cast<unsigned long long>(v);
            std::u16string body = Digits(mag, 10, false, conv.precision);
            if (v < 0) {
                body.insert(body.begin(), u'-');
            } else if (conv.plus) {
                body.insert(body.begin(), u'+');
            } else if (conv.space) {
                body.insert(body.begin(), u' ');
            }
            Pad(out, body, conv, true);
            break;
        }
        case u'u':
        case u'x':
        case u'X':
        case u'o': {
            unsigned long long v = 0;
            if (conv.size == 3) {
                v = va_arg(args, unsigned long long);
            } else if (conv.size == 2) {
                v = va_arg(args, unsigned long);
            } else if (conv.size == 4) {
                v = va_arg(args, std::uintptr_t);
            } else {
                v = va_arg(args, unsigned int);
                if (conv.size == 1) {
                    v = static_cast<unsigned short>(v);
                }
            }
            const unsigned base = type == u'u' ? 10U : (type == u'o' ? 8U : 16U);
            std::u16string body = Digits(v, base, type == u'X', conv.precision);
            if (conv.alt && v != 0 && base == 16) {
                body.insert(0, type == u'X' ? u"0X" : u"0x");
            }
            Pad(out, body, conv, true);
            break;
        }
        case u'c':
        case u'C': {
            const auto ch = static_cast<WCHAR>(va_arg(args, int));
            Pad(out, std::u16string(1, ch), conv, false);
            break;
        }
        case u's': {
            const auto* s = va_arg(args, const WCHAR*);
            std::u16string body = s == nullptr ? std::u16string(u"(null)") : std::u16string(s);
            if (conv.precision >= 0 && static_cast<int>(body.size()) > conv.precision) {
                body.resize(static_cast<size_t>(conv.precision));
            }
            Pad(out, body, conv, false);
            break;
        }
        case u'S': {
            const auto* s = va_arg(args, const char*);
            std::u16string body = s == nullptr ? std::u16string(u"(null)") : FromUtf8(s);
            if (conv.precision >= 0 && static_cast<int>(body.size()) > conv.precision) {
                body.resize(static_cast<size_t>(conv.precision));
            }
            Pad(out, body, conv, false);
            break;
        }
        case u'f':
        case u'F':
        case u'e':
        case u'E':
        case u'g':
        case u'G': {
            const double v = va_arg(args, double);
            std::string f = "%";
            if (conv.left) {
                f += '-';
            }
            if (conv.plus) {
                f += '+';
            }
            if (conv.space) {
                f += ' ';
            }
            if (conv.alt) {
                f += '#';
            }
            if (conv.zero) {
                f += '0';
            }
            if (conv.width >= 0) {
                f += std::to_string(conv.width);
            }
            if (conv.precision >= 0) {
                f += '.' + std::to_string(conv.precision);
            }
            f += static_cast<char>(type);
            char buf[512];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
            // The format is built above from a checked set of flags and one float type.
            const int n = std::snprintf(buf, sizeof buf, f.c_str(), v);
#pragma GCC diagnostic pop
            out += Widen(std::string_view(buf, static_cast<size_t>(std::clamp(n, 0, 511))));
            break;
        }
        case u'p': {
            const auto v = reinterpret_cast<std::uintptr_t>(va_arg(args, void*));
            Conversion ps = conv;
            Pad(out, Digits(v, 16, true, static_cast<int>(sizeof(void*) * 2)), ps, true);
            break;
        }
        default:
            // Unknown conversion: keep it as written.
            out.push_back(u'%');
            out.push_back(type);
            break;
        }
    }
    return out;
}

std::u16string FormatWide(const WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    std::u16string s = FormatWideV(format, args);
    va_end(args);
    return s;
}

int swprintf_s(WCHAR* buffer, size_t count, const WCHAR* format, ...) {
    if (buffer == nullptr || count == 0) {
        return -1;
    }
    va_list args;
    va_start(args, format);
    const std::u16string s = FormatWideV(format, args);
    va_end(args);
    const int rc = wcscpy_s(buffer, count, s.c_str());
    return rc == 0 ? static_cast<int>(s.size()) : -1;
}

CString::CString(const WCHAR* s) : m_text(s == nullptr ? u"" : s) {}

CString::CString(const WCHAR* s, int length) {
    if (s != nullptr && length > 0) {
        m_text.assign(s, static_cast<size_t>(length));
    }
}

CString::CString(WCHAR ch, int repeat) {
    if (repeat > 0) {
        m_text.assign(static_cast<size_t>(repeat), ch);
    }
}

CString::CString(const char* utf8) : m_text(utf8 == nullptr ? u"" : FromUtf8(utf8)) {}

WCHAR CString::GetAt(int index) const {
    if (index < 0 || index >= GetLength()) {
        return 0;
    }
    return m_text[static_cast<size_t>(index)];
}

void CString::SetAt(int index, WCHAR ch) {
    if (index >= 0 && index < GetLength()) {
        m_text[static_cast<size_t>(index)] = ch;
    }
}

std::string CString::ToUtf8() const {
    return ::ToUtf8(m_text);
}

void CString::Format(const WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    m_text = FormatWideV(format, args);
    va_end(args);
}

void CString::FormatV(const WCHAR* format, va_list args) {
    m_text = FormatWideV(format, args);
}

void CString::AppendFormat(const WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    m_text += FormatWideV(format, args);
    va_end(args);
}

int CString::Compare(const WCHAR* other) const {
    return wcscmp(m_text.c_str(), other == nullptr ? u"" : other);
}

int CString::CompareNoCase(const WCHAR* other) const {
    return _wcsicmp(m_text.c_str(), other == nullptr ? u"" : other);
}

CString CString::Left(int count) const {
    count = std::clamp(count, 0, GetLength());
    return CString(m_text.substr(0, static_cast<size_t>(count)));
}

CString CString::Right(int count) const {
    count = std::clamp(count, 0, GetLength());
    return CString(m_text.substr(static_cast<size_t>(GetLength() - count)));
}

CString CString::Mid(int first) const {
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const {
    first = std::clamp(first, 0, GetLength());
    count = std::clamp(count, 0, GetLength() - first);
    return CString(m_text.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::SpanIncluding(const WCHAR* set) const {
    const size_t n = m_text.find_first_not_of(set);
    return CString(m_text.substr(0, n));
}

CString CString::SpanExcluding(const WCHAR* set) const {
    const size_t n = m_text.find_first_of(set);
    return CString(m_text.substr(0, n));
}

int CString::Find(WCHAR ch, int start) const {
    if (start < 0 || start > GetLength()) {
        return -1;
    }
    const size_t pos = m_text.find(ch, static_cast<size_t>(start));
    return pos == std::u16string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(const WCHAR* sub, int start) const {
    if (sub == nullptr || start < 0 || start > GetLength()) {
        return -1;
    }
    const size_t pos = m_text.find(sub, static_cast<size_t>(start));
    return pos == std::u16string::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(WCHAR ch) const {
    const size_t pos = m_text.rfind(ch);
    return pos == std::u16string::npos ? -1 : static_cast<int>(pos);
}

int CString::FindOneOf(const WCHAR* set) const {
    const size_t pos = m_text.find_first_of(set);
    return pos == std::u16string::npos ? -1 : static_cast<int>(pos);
}

CString& CString::MakeLower() {
    for (auto& c : m_text) {
        c = FoldCase(c);
    }
    return *this;
}

CString& CString::MakeUpper() {
    for (auto& c : m_text) {
        c = ToUpperCase(c);
    }
    return *this;
}

CString& CString::MakeReverse() {
    std::reverse(m_text.begin(), m_text.end());
    return *this;
}

CString& CString::TrimLeft() {
    size_t i = 0;
    while (i < m_text.size() && iswspace(m_text[i])) {
        ++i;
    }
    m_text.erase(0, i);
    return *this;
}

CString& CString::TrimRight() {
    while (!m_text.empty() && iswspace(m_text.back())) {
        m_text.pop_back();
    }
    return *this;
}

CString& CString::Trim() {
    return TrimLeft().TrimRight();
}

CString& CString::TrimLeft(WCHAR ch) {
    const WCHAR set[2] = {ch, 0};
    return TrimLeft(set);
}

CString& CString::TrimRight(WCHAR ch) {
    const WCHAR set[2] = {ch, 0};
    return TrimRight(set);
}

CString& CString::Trim(WCHAR ch) {
    return TrimLeft(ch).TrimRight(ch);
}

CString& CString::TrimLeft(const WCHAR* set) {
    const size_t n = m_text.find_first_not_of(set);
    m_text.erase(0, n);
    return *this;
}

CString& CString::TrimRight(const WCHAR* set) {
    const size_t n = m_text.find_last_not_of(set);
    m_text.erase(n == std::u16string::npos ? 0 : n + 1);
    return *this;
}

int CString::Replace(WCHAR oldCh, WCHAR newCh) {
    int n = 0;
    for (auto& c : m_text) {
        if (c == oldCh) {
            c = newCh;
            ++n;
        }
    }
    return n;
}

int CString::Replace(const WCHAR* oldText, const WCHAR* newText) {
    if (oldText == nullptr || *oldText == 0) {
        return 0;
    }
    const std::u16string_view from(oldText);
    const std::u16string_view to(newText == nullptr ? u"" : newText);
    int n = 0;
    size_t pos = 0;
    while ((pos = m_text.find(from, pos)) != std::u16string::npos) {
        m_text.replace(pos, from.size(), to);
        pos += to.size();
        ++n;
    }
    return n;
}

int CString::Remove(WCHAR ch) {
    const auto before = m_text.size();
    std::erase(m_text, ch);
    return static_cast<int>(before - m_text.size());
}

int CString::Insert(int index, WCHAR ch) {
    index = std::clamp(index, 0, GetLength());
    m_text.insert(m_text.begin() + index, ch);
    return GetLength();
}

int CString::Insert(int index, const WCHAR* text) {
    index = std::clamp(index, 0, GetLength());
    if (text != nullptr) {
        m_text.insert(static_cast<size_t>(index), text);
    }
    return GetLength();
}

int CString::Delete(int index, int count) {
    if (index >= 0 && index < GetLength() && count > 0) {
        m_text.erase(static_cast<size_t>(index), static_cast<size_t>(count));
    }
    return GetLength();
}

CString CString::Tokenize(const WCHAR* tokens, int& start) const {
    if (start < 0 || start >= GetLength()) {
        start = -1;
        return CString();
    }
    const std::u16string_view set(tokens == nullptr ? u"" : tokens);
    size_t b = m_text.find_first_not_of(set, static_cast<size_t>(start));
    if (b == std::u16string::npos) {
        start = -1;
        return CString();
    }
    size_t e = m_text.find_first_of(set, b);
    if (e == std::u16string::npos) {
        e = m_text.size();
    }
    start = static_cast<int>(e < m_text.size() ? e + 1 : e);
    return CString(m_text.substr(b, e - b));
}

WCHAR* CString::GetBuffer(int minLength) {
    if (minLength > GetLength()) {
        m_text.resize(static_cast<size_t>(minLength));
    }
    return m_text.data();
}

WCHAR* CString::GetBufferSetLength(int length) {
    m_text.resize(static_cast<size_t>(std::max(length, 0)));
    return m_text.data();
}

void CString::ReleaseBuffer(int newLength) {
    if (newLength < 0) {
        m_text.resize(wcsnlen(m_text.c_str(), m_text.size()));
    } else {
        m_text.resize(std::min(static_cast<size_t>(newLength), m_text.size()));
    }
}

CString& CString::operator=(const WCHAR* s) {
    m_text = s == nullptr ? u"" : s;
    return *this;
}

CString& CString::operator=(WCHAR ch) {
    m_text.assign(1, ch);
    return *this;
}

CString& CString::operator+=(const CString& s) {
    m_text += s.m_text;
    return *this;
}

CString& CString::operator+=(const WCHAR* s) {
    if (s != nullptr) {
        m_text += s;
    }
    return *this;
}

CString& CString::operator+=(WCHAR ch) {
    m_text.push_back(ch);
    return *this;
}

CString operator+(const CString& a, const CString& b) {
    return CString(a.m_text + b.m_text);
}
CString operator+(const CString& a, const WCHAR* b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(const WCHAR* a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(const CString& a, WCHAR b) {
    CString r(a);
    r += b;
    return r;
}
bool operator==(const CString& a, const WCHAR* b) {
    return a.m_text == std::u16string_view(b == nullptr ? u"" : b);
}
