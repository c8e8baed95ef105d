#include "model/SettingsFile.h"

#include "platform/base/PrivateProfile.h"

#include <vector>

namespace {

constexpr DWORD STRING_BUFFER_CHARS = 4096;
constexpr DWORD SECTION_BUFFER_CHARS = 8192;
constexpr DWORD MAX_BUFFER_CHARS = 1u << 24;

} // namespace

CString CSettingsFile::GetString(const WCHAR* section, const WCHAR* key,
                                 const WCHAR* defaultValue) const {
    std::vector<WCHAR> buffer(STRING_BUFFER_CHARS);
    for (;;) {
        const auto size = static_cast<DWORD>(buffer.size());
        const DWORD length = GetPrivateProfileStringW(section, key, defaultValue, buffer.data(),
                                                      size, m_path.GetString());
        // A full buffer may mean the value was cut: read again with more room.
        if (length + 1 < size || size >= MAX_BUFFER_CHARS) {
            return CString(buffer.data(), static_cast<int>(length));
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool CSettingsFile::WriteString(const WCHAR* section, const WCHAR* key, const WCHAR* value) const {
    return WritePrivateProfileStringW(section, key, value, m_path.GetString()) != FALSE;
}

int CSettingsFile::GetInt(const WCHAR* section, const WCHAR* key, int defaultValue) const {
    return static_cast<int>(GetPrivateProfileIntW(section, key, defaultValue, m_path.GetString()));
}

bool CSettingsFile::WriteInt(const WCHAR* section, const WCHAR* key, int value) const {
    WCHAR text[256] = {};
    swprintf_s(text, 256, u"%d", value);
    return WriteString(section, key, text);
}

bool CSettingsFile::GetSection(const WCHAR* section, CStringArray& lines) const {
    std::vector<WCHAR> buffer(SECTION_BUFFER_CHARS);
    DWORD length = 0;
    for (;;) {
        const auto size = static_cast<DWORD>(buffer.size());
        length = GetPrivateProfileSectionW(section, buffer.data(), size, m_path.GetString());
        // size - 2 means the list was cut: read again with more room.
        if (length + 2 < size || size >= MAX_BUFFER_CHARS) {
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    lines.RemoveAll();
    const WCHAR* p = buffer.data();
    const WCHAR* end = buffer.data() + length;
    while (p < end && *p != 0) {
        const CString line(p);
        lines.Add(line);
        p += line.GetLength() + 1;
    }
    return lines.GetSize() > 0;
}
