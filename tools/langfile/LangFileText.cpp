#include "tools/langfile/LangFileText.h"

#include <cstdint>
#include <optional>

namespace langfile {
namespace {

void PutUnit(std::string& out, std::uint32_t unit) {
    out.push_back(static_cast<char>(unit & 0xFFu));
    out.push_back(static_cast<char>((unit >> 8) & 0xFFu));
}

void PutCodePoint(std::string& out, std::uint32_t cp) {
    if (cp >= 0x10000u) {
        cp -= 0x10000u;
        PutUnit(out, 0xD800u + (cp >> 10));
        PutUnit(out, 0xDC00u + (cp & 0x3FFu));
    } else {
        PutUnit(out, cp);
    }
}

// Decodes one UTF-8 sequence at text[pos]; advances pos. None for a malformed sequence.
std::optional<std::uint32_t> DecodeOne(std::string_view text, size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80u) {
        ++pos;
        return lead;
    }
    size_t length = 0;
    std::uint32_t cp = 0;
    std::uint32_t minimum = 0;
    if ((lead & 0xE0u) == 0xC0u) {
        length = 2;
        cp = lead & 0x1Fu;
        minimum = 0x80u;
    } else if ((lead & 0xF0u) == 0xE0u) {
        length = 3;
        cp = lead & 0x0Fu;
        minimum = 0x800u;
    } else if ((lead & 0xF8u) == 0xF0u) {
        length = 4;
        cp = lead & 0x07u;
        minimum = 0x10000u;
    } else {
        return std::nullopt;
    }
    if (text.size() - pos < length) {
        return std::nullopt;
    }
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0u) != 0x80u) {
            return std::nullopt;
        }
        cp = (cp << 6) | (next & 0x3Fu);
    }
    if (cp < minimum || cp > 0x10FFFFu || (cp >= 0xD800u && cp <= 0xDFFFu)) {
        return std::nullopt;
    }
    pos += length;
    return cp;
}

ConvertResult Fail(size_t line, const char* what) {
    ConvertResult result;
    result.error = "line " + std::to_string(line) + ": " + what;
    return result;
}

} // namespace

ConvertResult ConvertUtf8ToLangFile(std::string_view utf8) {
    if (utf8.starts_with("\xEF\xBB\xBF")) {
        utf8.remove_prefix(3);
    }
    ConvertResult result;
    result.bytes.reserve(2 + utf8.size() * 2);
    PutUnit(result.bytes, 0xFEFFu);
    size_t line = 1;
    bool lineOpen = false;
    size_t pos = 0;
    while (pos < utf8.size()) {
        const char c = utf8[pos];
        if (c == '\n' || (c == '\r' && pos + 1 < utf8.size() && utf8[pos + 1] == '\n')) {
            pos += (c == '\r') ? 2 : 1;
            PutUnit(result.bytes, u'\r');
            PutUnit(result.bytes, u'\n');
            ++line;
            lineOpen = false;
            continue;
        }
        if (c == '\r') {
            return Fail(line, "CR inside a line");
        }
        if (c == '\0') {
            return Fail(line, "NUL character");
        }
        const std::optional<std::uint32_t> cp = DecodeOne(utf8, pos);
        if (!cp) {
            return Fail(line, "not UTF-8");
        }
        PutCodePoint(result.bytes, *cp);
        lineOpen = true;
    }
    if (lineOpen) {
        PutUnit(result.bytes, u'\r');
        PutUnit(result.bytes, u'\n');
    }
    result.ok = true;
    return result;
}

} // namespace langfile
