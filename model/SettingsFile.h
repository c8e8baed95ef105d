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

    // The key's value, or the default when it is missing, read into a buffer of 4096
    // characters: a longer value comes back cut to its first 4095.
    CString GetString(const WCHAR* section, const WCHAR* key, const WCHAR* defaultValue) const;
    bool WriteString(const WCHAR* section, const WCHAR* key, const WCHAR* value) const;
    // The key's value as an integer, or the default when it is missing.
    int GetInt(const WCHAR* section, const WCHAR* key, int defaultValue) const;
    // Writes the value formatted "%d".
    bool WriteInt(const WCHAR* section, const WCHAR* key, int value) const;
    // Replaces the array's contents with the section's lines ("key=value"); true when there
    // is at least one. The section is read into a buffer of 8192 characters: the lines that
    // do not fit are left out, the last one that fits in part comes back cut.
    bool GetSection(const WCHAR* section, CStringArray& lines) const;

private:
    CString m_path;
};
