#pragma once
// CSettingsFile: one INI file of the configuration (the settings file or a profile file),
// read and written through the private-profile functions.

#include "platform/base/CString.h"
#include "platform/base/CStringArray.h"
#include "platform/base/WinTypes.h"

class CSettingsFile {
public:
    explicit CSettingsFile(const WCHAR* path) : m_path(path != nullptr ? path : u"") {}

    const CString& GetPath() const { return m_path; }

    // The key's value, or the default when it is missing. Values of any length come back
    // whole (the read buffer starts at 4096 characters and grows as needed).
    CString GetString(const WCHAR* section, const WCHAR* key, const WCHAR* defaultValue) const;
    bool WriteString(const WCHAR* section, const WCHAR* key, const WCHAR* value) const;
    // The key's value as an integer, or the default when it is missing.
    int GetInt(const WCHAR* section, const WCHAR* key, int defaultValue) const;
    // Writes the value formatted "%d".
    bool WriteInt(const WCHAR* section, const WCHAR* key, int value) const;
    // Replaces the array's contents with the section's lines ("key=value"); true when there
    // is at least one. Sections of any size come back whole (the buffer starts at 8192
    // characters and grows as needed), so no line is ever cut.
    bool GetSection(const WCHAR* section, CStringArray& lines) const;

private:
    CString m_path;
};
