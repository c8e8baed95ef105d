#include "platform/base/Guid.h"

#include <cstdio>

namespace {

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

} // namespace

std::u16string GuidToString(const GUID& g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1,
                  g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4],
                  g.Data4[5], g.Data4[6], g.Data4[7]);
    std::u16string out;
    for (const char* p = buf; *p != 0; ++p) {
        out.push_back(static_cast<char16_t>(*p));
    }
    return out;
}

std::optional<GUID> GuidFromString(std::u16string_view text) {
    if (text.size() == 38 && text.front() == u'{' && text.back() == u'}') {
        text = text.substr(1, 36);
    }
    if (text.size() != 36 || text[8] != u'-' || text[13] != u'-' || text[18] != u'-' ||
        text[23] != u'-') {
        return std::nullopt;
    }
    BYTE bytes[16];
    size_t b = 0;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == u'-') {
            ++i;
            continue;
        }
        const int hi = HexValue(text[i]);
        const int lo = HexValue(text[i + 1]);
        if (hi < 0 || lo < 0) {
            return std::nullopt;
        }
        bytes[b++] = static_cast<BYTE>(hi * 16 + lo);
        i += 2;
    }
    GUID g;
    g.Data1 = (DWORD{bytes[0]} << 24) | (DWORD{bytes[1]} << 16) | (DWORD{bytes[2]} << 8) | bytes[3];
    g.Data2 = static_cast<WORD>((bytes[4] << 8) | bytes[5]);
    g.Data3 = static_cast<WORD>((bytes[6] << 8) | bytes[7]);
    for (size_t i = 0; i < 8; ++i) {
        g.Data4[i] = bytes[8 + i];
    }
    return g;
}
