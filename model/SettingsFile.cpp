#include "model/SettingsFile.h"

#include "platform/base/PrivateProfile.h"

#include <vector>

namespace {

// The read buffers, in characters: a value is cut to 4095 characters, a section to what fits
// in 8192 with the terminators.
constexpr DWORD STRING_BUFFER_CHARS = 4096;
constexpr DWORD SECTION_BUFFER_CHARS = 8192;

} // namespace

CString CSettingsFile::GetString(const WCHAR* section, const WCHAR* key,
                                 const WCHAR* defaultValue) const {
    std::vector<WCHAR> buffer(STRING_BUFFER_CHARS);
    const DWORD length = GetPrivateProfileStringW(section, key, defaultValue, buffer.data(),
                                                  STRING_BUFFER_CHARS, m_path.GetString());
    return CString(buffer.data(), static_cast<int>(length));
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
    const DWORD length =
        GetPrivateProfileSectionW(section, buffer.data(), SECTION_BUFFER_CHARS, m_path.GetString());
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
