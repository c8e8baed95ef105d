// The profile's own settings file: name, bound program and automatic switching in
// "PROPERTIES", the assignment kind of every assigned button in "ASSIGNMENTS".

#include "model/MouseProfile.h"
#include "model/ProfileFiles.h"
#include "model/ProfileNames.h"
#include "model/SettingsFile.h"
#include "platform/base/WideChar.h"

namespace {

constexpr const WCHAR* SECTION_PROPERTIES = u"PROPERTIES";
constexpr const WCHAR* SECTION_ASSIGNMENTS = u"ASSIGNMENTS";
constexpr const WCHAR* KEY_NAME = u"name";
constexpr const WCHAR* KEY_EXE = u"exe";
constexpr const WCHAR* KEY_AUTO = u"auto";

// Longer names are cut to this many characters before the counter is added.
constexpr int COUNTED_NAME_CHARS = 123;
constexpr int COUNTER_LIMIT = 100;

CString FilePath(const WCHAR* folder, const WCHAR* fileName, const WCHAR* extension) {
    CString path;
    path.Format(u"%s%s.%s", folder != nullptr ? folder : u"", fileName,
                extension != nullptr ? extension : u"");
    return path;
}

// True when the file may be written for the profile of that name: it holds no profile, or
// this one.
bool IsFileFree(const CString& path, const WCHAR* profileName) {
    const CString stored = CSettingsFile(path).GetString(SECTION_PROPERTIES, KEY_NAME, u"");
    return stored.IsEmpty() || stored.CompareNoCase(profileName) == 0;
}

// A file name that stays inside its folder: one path component, not "." or "..".
bool IsPlainFileName(const WCHAR* name) {
    return name != nullptr && name[0] != 0 && wcschr(name, u'\\') == nullptr &&
           wcschr(name, u'/') == nullptr && wcscmp(name, u".") != 0 && wcscmp(name, u"..") != 0;
}

} // namespace

CString CutText(const CString& text, int count) {
    if (count <= 0) {
        return CString();
    }
    if (text.GetLength() <= count) {
        return text;
    }
    const WCHAR last = text[count - 1];
    if (last >= 0xD800 && last <= 0xDBFF) {
        --count;
    }
    return text.Left(count);
}

CString MakeUniqueFileName(const WCHAR* extension, const IMouseProfile* profile,
                           const WCHAR* folder) {
    if (profile == nullptr) {
        return CString();
    }
    const WCHAR* name = profile->GetName();
    const CString stem = MakeProfileFileStem(name);
    if (stem.GetLength() <= PROFILE_FILE_NAME_MAX &&
        IsFileFree(FilePath(folder, stem, extension), name)) {
        return stem;
    }
    const CString base = CutText(stem, COUNTED_NAME_CHARS);
    for (int counter = 0; counter < COUNTER_LIMIT; ++counter) {
        CString candidate;
        candidate.Format(u"%s%04d", base.GetString(), counter);
        if (IsFileFree(FilePath(folder, candidate, extension), name)) {
            return candidate;
        }
    }
    return CString();
}

BOOL CMouseProfile::SaveToFile(CString& fileName, const WCHAR* folder, const WCHAR* extension) {
    // The file holds the name on one line: a name read from the mouse with a line break in
    // it cannot be written there.
    if (!IsAcceptableProfileName(m_name)) {
        return FALSE;
    }
    if (fileName.IsEmpty()) {
        fileName = MakeUniqueFileName(extension, this, folder);
        if (fileName.IsEmpty()) {
            return FALSE;
        }
    } else {
        // A given name is made safe the same way, so no file lands outside the folder.
        fileName = CutText(MakeProfileFileStem(fileName), PROFILE_FILE_NAME_MAX);
    }
    const CString path = FilePath(folder, fileName, extension);
    m_filePath = path;

    const CSettingsFile file(path);
    CString autoSwitch;
    autoSwitch.Format(u"%d", static_cast<int>(m_autoSwitch));
    if (!file.WriteString(SECTION_PROPERTIES, KEY_NAME, m_name) ||
        !file.WriteString(SECTION_PROPERTIES, KEY_EXE, m_exePath) ||
        !file.WriteString(SECTION_PROPERTIES, KEY_AUTO, autoSwitch)) {
        return FALSE;
    }
    // The section lists exactly the buttons assigned now; lines of an earlier save go.
    file.WriteString(SECTION_ASSIGNMENTS, nullptr, nullptr);
    for (const auto& [button, assignment] : m_assignments) {
        if (assignment.kind == -1) {
            continue;
        }
        CString key;
        key.Format(u"%d", static_cast<int>(button));
        file.WriteInt(SECTION_ASSIGNMENTS, key, static_cast<int>(assignment.kind));
    }
    return TRUE;
}

BOOL CMouseProfile::LoadFromFile(const WCHAR* fileName, const WCHAR* folder,
                                 const WCHAR* extension) {
    if (!IsPlainFileName(fileName)) {
        return FALSE;
    }
    const CString path = FilePath(folder, fileName, extension);
    const CSettingsFile file(path);
    const CString name = file.GetString(SECTION_PROPERTIES, KEY_NAME, u"");
    SetName(name);
    if (name.IsEmpty()) {
        return FALSE;
    }
    m_filePath = path;
    SetExePath(file.GetString(SECTION_PROPERTIES, KEY_EXE, u""));
    m_autoSwitch = file.GetInt(SECTION_PROPERTIES, KEY_AUTO, 0) != 0 ? 1 : 0;

    CStringArray lines;
    file.GetSection(SECTION_ASSIGNMENTS, lines);
    for (const CString& line : lines) {
        const int eq = line.Find(u'=');
        const CString key = eq < 0 ? CString() : line.Left(eq);
        const CString value = eq < 0 ? line : line.Mid(eq + 1);
        const int button = _wtoi(key);
        if (button != 0 && !value.IsEmpty()) {
            SetAssignmentFromText(button, value);
        }
    }
    return TRUE;
}
