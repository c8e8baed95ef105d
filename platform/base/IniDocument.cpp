#include "platform/base/IniDocument.h"

#include "platform/base/WideChar.h"

#include <algorithm>

namespace {

constexpr size_t npos = std::u16string::npos;

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) {
            return false;
        }
    }
    return true;
}

bool IsQuote(char16_t c) {
    return c == u'"' || c == u'\'';
}

// A value read from a file loses its surrounding blanks and one pair of surrounding quotes.
std::u16string DecodeValue(std::u16string_view raw) {
    std::u16string_view v = Trim(raw);
    if (v.size() >= 2 && IsQuote(v.front()) && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return std::u16string(v);
}

// The text to write for a value so that DecodeValue gives it back unchanged.
std::u16string EncodeValue(std::u16string_view value) {
    const bool needsQuotes =
        !value.empty() &&
        (IsBlank(value.front()) || IsBlank(value.back()) ||
         (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front()));
    if (!needsQuotes) {
        return std::u16string(value);
    }
    std::u16string s;
    s.reserve(value.size() + 2);
    s += u'"';
    s += value;
    s += u'"';
    return s;
}

bool HasLineBreakOrNul(std::u16string_view s) {
    return s.find_first_of(std::u16string_view(u"\r\n\0", 3)) != npos;
}

bool IsValidUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        size_t extra = 0;
        unsigned min = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            min = 0x10000;
        } else {
            return false;
        }
        if (i + extra >= bytes.size()) {
            return false;
        }
        unsigned cp = c & (0x3Fu >> extra);
        for (size_t k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(bytes[i + k]);
            if ((cc & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (cc & 0x3Fu);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

std::u16string DecodeText(std::string_view bytes) {
    std::u16string text;
    auto utf16 = [&](size_t start, bool bigEndian) {
        text.reserve((bytes.size() - start) / 2);
        for (size_t i = start; i + 1 < bytes.size(); i += 2) {
            const auto b0 = static_cast<unsigned char>(bytes[i]);
            const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
            text += static_cast<char16_t>(bigEndian ? (b0 << 8) | b1 : (b1 << 8) | b0);
        }
    };
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        utf16(2, false);
    } else if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF') {
        utf16(2, true);
    } else {
        if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
            bytes.remove_prefix(3);
        }
        if (IsValidUtf8(bytes)) {
            text = FromUtf8(bytes);
        } else {
            // An ANSI file: every byte is its own character.
            text.reserve(bytes.size());
            for (const char c : bytes) {
                text += static_cast<char16_t>(static_cast<unsigned char>(c));
            }
        }
    }
    std::erase(text, u'\0');
    return text;
}

} // namespace

IniDocument::Line IniDocument::ParseLine(std::u16string text) {
    Line line;
    const std::u16string_view t = Trim(text);
    if (!t.empty() && t.front() == u'[') {
        line.kind = LineKind::Section;
        std::u16string_view name = t.substr(1);
        if (const size_t close = name.find(u']'); close != npos) {
            name = name.substr(0, close);
        }
        line.name = Trim(name);
    } else if (!t.empty() && t.front() == u';') {
        line.kind = LineKind::Comment;
    } else if (const size_t eq = t.find(u'='); eq != npos) {
        line.kind = LineKind::Key;
        line.name = Trim(t.substr(0, eq));
        line.value = DecodeValue(t.substr(eq + 1));
    }
    line.text = std::move(text);
    return line;
}

IniDocument::Line IniDocument::MakeKeyLine(std::u16string_view key, std::u16string_view value) {
    Line line;
    line.kind = LineKind::Key;
    line.name = Trim(key);
    line.value = value;
    line.text = line.name + u"=" + EncodeValue(value);
    return line;
}

IniDocument IniDocument::Parse(std::string_view bytes) {
    const std::u16string text = DecodeText(bytes);
    IniDocument doc;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(u"\r\n", start);
        if (end == npos) {
            end = text.size();
        }
        doc.m_lines.push_back(ParseLine(text.substr(start, end - start)));
        if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() &&
            text[end + 1] == u'\n') {
            ++end;
        }
        start = end + 1;
    }
    return doc;
}

std::string IniDocument::Serialize() const {
    std::string out = "\xFF\xFE";
    auto put = [&out](char16_t c) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>((c >> 8) & 0xFF);
    };
    for (const Line& line : m_lines) {
        for (const char16_t c : line.text) {
            put(c);
        }
        put(u'\r');
        put(u'\n');
    }
    return out;
}

size_t IniDocument::FindSection(std::u16string_view section) const {
    const std::u16string_view wanted = Trim(section);
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == LineKind::Section && SameName(m_lines[i].name, wanted)) {
            return i;
        }
    }
    return npos;
}

size_t IniDocument::SectionEnd(size_t index) const {
    size_t i = index + 1;
    while (i < m_lines.size() && m_lines[i].kind != LineKind::Section) {
        ++i;
    }
    return i;
}

bool IniDocument::HasSection(std::u16string_view section) const {
    return FindSection(section) != npos;
}

std::optional<std::u16string> IniDocument::GetValue(std::u16string_view section,
                                                    std::u16string_view key) const {
    const size_t s = FindSection(section);
    if (s == npos) {
        return std::nullopt;
    }
    const std::u16string_view wanted = Trim(key);
    for (size_t i = s + 1, end = SectionEnd(s); i < end; ++i) {
        if (m_lines[i].kind == LineKind::Key && SameName(m_lines[i].name, wanted)) {
            return m_lines[i].value;
        }
    }
    return std::nullopt;
}

std::vector<std::u16string> IniDocument::GetSectionNames() const {
    std::vector<std::u16string> names;
    for (const Line& line : m_lines) {
        if (line.kind != LineKind::Section) {
            continue;
        }
        const bool seen = std::any_of(names.begin(), names.end(),
                                      [&](const auto& n) { return SameName(n, line.name); });
        if (!seen && !line.name.empty()) {
            names.push_back(line.name);
        }
    }
    return names;
}

std::vector<std::u16string> IniDocument::GetKeyNames(std::u16string_view section) const {
    std::vector<std::u16string> names;
    const size_t s = FindSection(section);
    if (s == npos) {
        return names;
    }
    for (size_t i = s + 1, end = SectionEnd(s); i < end; ++i) {
        const Line& line = m_lines[i];
        if (line.kind != LineKind::Key) {
            continue;
        }
        const bool seen = std::any_of(names.begin(), names.end(),
                                      [&](const auto& n) { return SameName(n, line.name); });
        if (!seen && !line.name.empty()) {
            names.push_back(line.name);
        }
    }
    return names;
}

std::vector<std::u16string> IniDocument::GetSectionLines(std::u16string_view section) const {
    std::vector<std::u16string> lines;
    const size_t s = FindSection(section);
    if (s == npos) {
        return lines;
    }
    for (size_t i = s + 1, end = SectionEnd(s); i < end; ++i) {
        const Line& line = m_lines[i];
        if (line.kind == LineKind::Key) {
            lines.push_back(line.name + u"=" + line.value);
        } else if (line.kind == LineKind::Other && !Trim(line.text).empty()) {
            lines.emplace_back(Trim(line.text));
        }
    }
    return lines;
}

bool IniDocument::SetValue(std::u16string_view section, std::u16string_view key,
                           std::u16string_view value) {
    if (!IsValidSectionName(section) || !IsValidKeyName(key) || !IsValidValue(value)) {
        return false;
    }
    size_t s = FindSection(section);
    if (s == npos) {
        Line header;
        header.kind = LineKind::Section;
        header.name = Trim(section);
        header.text = u"[" + header.name + u"]";
        m_lines.push_back(std::move(header));
        m_lines.push_back(MakeKeyLine(key, value));
        return true;
    }
    const std::u16string_view wanted = Trim(key);
    const size_t end = SectionEnd(s);
    size_t lastContent = s;
    for (size_t i = s + 1; i < end; ++i) {
        Line& line = m_lines[i];
        if (line.kind == LineKind::Key && SameName(line.name, wanted)) {
            // The key keeps the spelling it has in the file.
            line = MakeKeyLine(line.name, value);
            return true;
        }
        if (!Trim(line.text).empty()) {
            lastContent = i;
        }
    }
    // New keys go after the section's last line, before the blank lines that separate it
    // from the next section.
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(lastContent + 1),
                   MakeKeyLine(key, value));
    return true;
}

bool IniDocument::DeleteKey(std::u16string_view section, std::u16string_view key) {
    if (!IsValidSectionName(section) || !IsValidKeyName(key)) {
        return false;
    }
    const size_t s = FindSection(section);
    if (s == npos) {
        return true;
    }
    const std::u16string_view wanted = Trim(key);
    const auto first = m_lines.begin() + static_cast<std::ptrdiff_t>(s + 1);
    const auto last = m_lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(s));
    const auto kept = std::remove_if(first, last, [&](const Line& line) {
        return line.kind == LineKind::Key && SameName(line.name, wanted);
    });
    m_lines.erase(kept, last);
    return true;
}

bool IniDocument::DeleteSection(std::u16string_view section) {
    if (!IsValidSectionName(section)) {
        return false;
    }
    for (size_t s = FindSection(section); s != npos; s = FindSection(section)) {
        m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(s),
                      m_lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(s)));
    }
    return true;
}

bool IniDocument::IsValidSectionName(std::u16string_view name) {
    return !Trim(name).empty() && !HasLineBreakOrNul(name) && name.find(u']') == npos;
}

bool IniDocument::IsValidKeyName(std::u16string_view name) {
    const std::u16string_view t = Trim(name);
    return !t.empty() && !HasLineBreakOrNul(name) && name.find(u'=') == npos && t.front() != u'[' &&
           t.front() != u';';
}

bool IniDocument::IsValidValue(std::u16string_view value) {
    return !HasLineBreakOrNul(value);
}
