#include "model/NameLookup.h"

#include "model/IMouseConfig.h"
#include "model/Macro.h"

namespace {

// Profile names cut to this many characters before a copy's two digits are added.
constexpr int kCopyBaseLimit = 19;
constexpr int kCopyBaseKept = 18;
constexpr int kCopyCandidates = 100;

} // namespace

IMouseProfile* FindProfileExactFirst(const IMouseConfig& config, const WCHAR* name) {
    if (name == nullptr) {
        return nullptr;
    }
    for (INT i = 0; i < config.GetProfileCount(); ++i) {
        IMouseProfile* profile = config.GetProfile(i);
        if (profile != nullptr && CString(profile->GetName()).Compare(name) == 0) {
            return profile;
        }
    }
    return config.FindProfileByName(name);
}

CMacro* FindMacroExactFirst(const IMouseConfig& config, const WCHAR* name) {
    if (name == nullptr) {
        return nullptr;
    }
    for (INT i = 0; i < config.GetMacroCount(); ++i) {
        CMacro* macro = config.GetMacro(i, nullptr);
        if (macro != nullptr && CString(macro->GetName()).Compare(name) == 0) {
            return macro;
        }
    }
    return config.FindMacroByName(name, nullptr);
}

bool HasProfileNamedExactly(const IMouseConfig& config, const WCHAR* name) {
    if (name == nullptr) {
        return false;
    }
    for (INT i = 0; i < config.GetProfileCount(); ++i) {
        IMouseProfile* profile = config.GetProfile(i);
        if (profile != nullptr && CString(profile->GetName()).Compare(name) == 0) {
            return true;
        }
    }
    return false;
}

CString FreeProfileName(const WCHAR* name, const std::function<bool(const CString&)>& taken) {
    CString base = name != nullptr ? name : u"";
    if (base.GetLength() > kCopyBaseLimit) {
        base = base.Left(kCopyBaseKept);
    }
    for (int i = 0; i < kCopyCandidates; ++i) {
        CString candidate;
        candidate.Format(u"%s%02d", base.GetString(), i);
        if (!taken(candidate)) {
            return candidate;
        }
    }
    return CString();
}
