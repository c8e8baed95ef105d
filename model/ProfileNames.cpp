#include "model/ProfileNames.h"

#include "platform/base/Path.h"
#include "platform/base/WideChar.h"

#include <filesystem>
#include <system_error>

bool IsAcceptableProfileName(const WCHAR* name) {
    return name != nullptr && wcschr(name, u'\r') == nullptr && wcschr(name, u'\n') == nullptr;
}

bool IsStorableProgramName(const WCHAR* name) {
    return name == nullptr || wcslen(name) <= PROFILE_PROGRAM_MAX_CHARS;
}

CString MakeProfileFileStem(const WCHAR* name) {
    CString stem(name);
    bool onlyDots = true;
    for (int i = 0; i < stem.GetLength(); ++i) {
        const WCHAR c = stem[i];
        if (c < 0x20 || c == 0x7F || wcschr(u"\\/:*?\"<>|", c) != nullptr) {
            stem.SetAt(i, u'_');
        }
        onlyDots = onlyDots && c == u'.';
    }
    if (stem.IsEmpty()) {
        return CString(u"_");
    }
    if (onlyDots) {
        return CString(u'_', stem.GetLength());
    }
    return stem;
}

bool IsSameFilePath(const WCHAR* a, const WCHAR* b) {
    if (a == nullptr || b == nullptr) {
        return false;
    }
    std::error_code error;
    const bool same = std::filesystem::equivalent(ToNativePath(a), ToNativePath(b), error);
    return error ? _wcsicmp(a, b) == 0 : same;
}
